// Arbitrary bytes through the conversion, for every target format and source
// range. The streamed conversion must succeed and give exactly the bytes of the
// straightforward reference scan, whatever the pieces cut; converting every
// character to UTF-8 must give UTF-8 text of a sound shape.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "ksx/convert.hpp"
#include "ksx/convert_reference.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace tarnwick::fuzz {
namespace {

std::string sourcePath;
std::string targetPath;
std::string referencePath;

constexpr TargetFormat Formats[] = {TargetFormat::UnicodeMarkup, TargetFormat::Ucs2,
                                    TargetFormat::Utf8, TargetFormat::Ucs2HexMarkup};
constexpr SourceRange Ranges[] = {SourceRange::None, SourceRange::AllCharacters,
                                  SourceRange::TwoByteCharacters, SourceRange::Hanja,
                                  SourceRange::ExtendedHanja};

// Lead bytes and their continuation bytes agree, and no sequence is longer than
// four bytes (escapes up to 0x10FFFF). Surrogate values from escapes are allowed:
// the escapes write any sixteen-bit value as it is.
void checkUtf8Shape(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80                ? 1
                             : c >= 0xC2 && c < 0xE0 ? 2
                             : c >= 0xE0 && c < 0xF0 ? 3
                             : c >= 0xF0 && c < 0xF5 ? 4
                                                     : 0;
        if (length == 0 || i + length > text.size()) {
            finding("converted to UTF-8, the text holds a bad lead byte or a cut sequence",
                    std::string_view(text).substr(i));
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                finding("converted to UTF-8, a sequence lacks a continuation byte",
                        std::string_view(text).substr(i));
            }
        }
        i += length;
    }
}

}  // namespace
}  // namespace tarnwick::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace tarnwick::fuzz;
    sourcePath = scratchPath("page.txt");
    targetPath = scratchPath("page.htm");
    referencePath = scratchPath("reference.htm");
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::perror("/dev/null");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnwick;
    using namespace tarnwick::fuzz;
    // The conversion reads the file in buffers of 64 KiB and scans it in pieces of
    // 32 KiB, far beyond the inputs the fuzzer makes. The first byte may ask for
    // filler in front of the input, so that the input's start straddles one of
    // those boundaries; filler of double-byte characters pairs across it too. The
    // whole of a padded input goes through every format but one range, for speed.
    bool padded = size >= 3 && (data[0] & 3) >= 2;
    std::string source;
    if (padded) {
        std::size_t boundary = (data[0] & 3) == 2 ? std::size_t{32} * 1024 : std::size_t{64} * 1024;
        std::size_t fill = boundary - data[1] % 16;
        bool pairs = (data[0] & 4) != 0;
        for (std::size_t i = 0; i < fill; ++i) {
            source += pairs ? (i % 2 == 0 ? '\xB0' : '\xA1') : 'a';
        }
        source.append(reinterpret_cast<const char*>(data) + 3, size - 3);
    } else {
        source.assign(reinterpret_cast<const char*>(data), size);
    }
    writeWholeFile(sourcePath, reinterpret_cast<const std::uint8_t*>(source.data()), source.size());
    std::string converted;
    std::string reference;
    for (TargetFormat format : Formats) {
        for (SourceRange range : Ranges) {
            if (padded && range != Ranges[data[2] % std::size(Ranges)]) {
                continue;
            }
            if (convertKsxFileAs(sourcePath.c_str(), targetPath.c_str(), format, range) != 0) {
                finding("the conversion failed");
            }
            if (convertKsxFileByReference(sourcePath.c_str(), referencePath.c_str(), format,
                                          range) != 0) {
                finding("the reference conversion failed");
            }
            if (!readWholeFile(targetPath, converted) || !readWholeFile(referencePath, reference)) {
                finding("a conversion left no target");
            }
            if (converted != reference) {
                std::size_t at = 0;
                while (at < converted.size() && at < reference.size() &&
                       converted[at] == reference[at]) {
                    ++at;
                }
                std::fprintf(stderr, "format %d, range %d, first difference at byte %zu\n",
                             static_cast<int>(format), static_cast<int>(range), at);
                finding("the streamed conversion differs from the reference scan",
                        std::string_view(converted).substr(at > 16 ? at - 16 : 0));
            }
            if (format == TargetFormat::Utf8 && range == SourceRange::AllCharacters) {
                if (converted.compare(0, 3, "\xEF\xBB\xBF") != 0) {
                    finding("the UTF-8 target does not start with the byte-order mark");
                }
                checkUtf8Shape(converted.substr(3));
            }
        }
    }
    return 0;
}
