#include "app/wholefile.hpp"

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tarnwick {

namespace {

long long readSome(int fd, unsigned char* out, std::size_t size) {
#ifdef _WIN32
    return _read(fd, out, static_cast<unsigned>(size));
#else
    return ::read(fd, out, size);
#endif
}

}  // namespace

bool readWholeFile(TextReader& file, std::vector<unsigned char>& bytes) {
    if (file.fd < 0) {
        return false;
    }
    for (;;) {
        std::size_t used = bytes.size();
        bytes.resize(used + TextBufferSize);
        long long got = readSome(file.fd, bytes.data() + used, TextBufferSize);
        bytes.resize(used + (got > 0 ? static_cast<std::size_t>(got) : 0));
        if (got == 0) {
            return true;
        }
        if (got < 0 && errno != EINTR) {
            return false;
        }
    }
}

}  // namespace tarnwick
