// What the fuzz targets share: a private scratch directory on a memory file
// system where there is one, whole-file reads, and a stop that libFuzzer reports
// as a finding together with the input that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

namespace tarnwick::fuzz {

inline void removeScratchDirectory();

inline const std::string& scratchDirectory() {
    // Never destroyed, so that it outlives the removal at exit.
    static const std::string& directory = *[] {
        auto* pattern = new std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        *pattern += "/tarnwick-fuzz-XXXXXX";
        if (mkdtemp(pattern->data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        // libFuzzer ends a bounded run with exit(); a finding keeps the files.
        std::atexit(removeScratchDirectory);
        return pattern;
    }();
    return directory;
}

inline void removeScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(scratchDirectory(), ignored);
}

inline std::string scratchPath(std::string_view name) {
    std::string path = scratchDirectory();
    path += '/';
    path += name;
    return path;
}

inline void writeWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size != 0 && std::fwrite(data, 1, size, file) != size) ||
        std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

// Nothing when the file does not exist.
inline bool readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    std::fclose(file);
    return true;
}

inline bool fileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

[[noreturn]] inline void finding(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "\nFINDING: %s\n", what);
    if (!detail.empty()) {
        std::fprintf(stderr, "  near: ");
        for (unsigned char c : detail.substr(0, 400)) {
            if (c >= 0x20 && c < 0x7F && c != '\\') {
                std::fputc(c, stderr);
            } else {
                std::fprintf(stderr, "\\x%02X", c);
            }
        }
        std::fputc('\n', stderr);
    }
    std::abort();
}

}  // namespace tarnwick::fuzz
