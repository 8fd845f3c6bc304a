// Conversion of a file of 8-bit Korean text (ASCII, KS X 1001 double-byte
// characters and the extended Hanja area) into Unicode text, resolving the
// "U+XXXX" and "&#N;" escapes on the way.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/textstream.hpp"

namespace tarnwick {

// What a converted character is written as.
enum class TargetFormat {
    UnicodeMarkup = 0,  // "&#%05d;"
    Ucs2 = 1,           // two bytes, low byte first, after FF FE
    Utf8 = 2,           // UTF-8 after EF BB BF
    Ucs2HexMarkup = 3,  // "U+" and four upper-case hex digits
};

// Which characters are converted; the others are written unchanged.
enum class SourceRange {
    None = 0,
    AllCharacters = 1,
    TwoByteCharacters = 2,
    Hanja = 3,
    ExtendedHanja = 4,
};

// The page's conversion: UTF-8 with a byte-order mark, double-byte characters
// and escapes converted. 0 on success, -1 on failure (reported on stdout).
int convertKsxFile(const char* source, const char* target);
// The same with any pair of settings.
int convertKsxFileAs(const char* source, const char* target, TargetFormat format,
                     SourceRange range);

// Writers of one character in the target format. `width` is 1 for a byte below
// 0x80 and 2 for a lead byte and its trail byte.
void convertCharacter(TextWriter& target, const unsigned char* bytes, int width,
                      TargetFormat format);
void convertHexEscape(TextWriter& target, std::string_view body, TargetFormat format);
void convertDecimalEscape(TextWriter& target, std::int32_t value, TargetFormat format);

}  // namespace tarnwick
