// What the console expects of the bytes it is given.
#pragma once

namespace tarnwick {

enum class ConsoleEncoding {
    EightBit,  // the plan's own 8-bit bytes, as they stand
    Utf8,
};

// On POSIX, UTF-8 when the codeset of the LC_CTYPE locale that the environment
// names is UTF-8; on Windows, when the console's output code page is UTF-8. The
// program's own locale is left as it was, so nothing that follows the locale
// changes.
ConsoleEncoding consoleEncoding();

}  // namespace tarnwick
