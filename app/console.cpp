#include "app/console.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <string>
#endif

namespace tarnwick {

#ifdef _WIN32
ConsoleEncoding consoleEncoding() {
    return GetConsoleOutputCP() == CP_UTF8 ? ConsoleEncoding::Utf8 : ConsoleEncoding::EightBit;
}
#else
ConsoleEncoding consoleEncoding() {
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    std::string saved = current != nullptr ? current : "C";
    if (std::setlocale(LC_CTYPE, "") == nullptr) {
        return ConsoleEncoding::EightBit;  // a locale the system does not have
    }
    bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    (void)std::setlocale(LC_CTYPE, saved.c_str());  // it was in use: it can be had again
    return utf8 ? ConsoleEncoding::Utf8 : ConsoleEncoding::EightBit;
}
#endif

}  // namespace tarnwick
