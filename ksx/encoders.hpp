// One character's Unicode value in its four forms: an integer code, a two-byte
// pair (low byte first), four hexadecimal characters and UTF-8 text, and the
// conversions between them. All are pure: they write only the caller's storage.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnwick {

// A 16-bit value held as two bytes, low byte first.
struct Ucs2Pair {
    unsigned char low;   // value mod 256
    unsigned char high;  // value / 256
};

// UTF-8 text: the bytes of one character followed by a zero byte. Four bytes
// hold the sixteen-bit range; the rest leaves room for characters above it.
using Utf8Text = std::array<char, 8>;

// The replacement mark U+25A3, written for a character the tables do not know.
inline constexpr std::int32_t ReplacementCode = 0x25A3;
inline constexpr std::int32_t LastCode = 0x10FFFF;

// Shortest UTF-8 form of `code`; codes above 0xFFFF take four bytes, and codes
// outside 0 to 0x10FFFF give the replacement mark. Returns the bytes written.
std::size_t codeToUtf8(std::int32_t code, Utf8Text& text);
std::size_t ucs2PairToUtf8(Ucs2Pair pair, Utf8Text& text);

// The value of the UTF-8 sequence at the start of `text`; continuation bytes are
// not checked, and a lead byte 0xF8 or above gives the replacement mark.
std::int32_t utf8ToCode(const Utf8Text& text);
// As utf8ToCode, as a pair; a value above 0xFFFF gives the replacement mark.
Ucs2Pair utf8ToUcs2Pair(const Utf8Text& text);

// Codes outside 0 to 0xFFFF give the replacement mark's pair.
Ucs2Pair codeToUcs2Pair(std::int32_t code);
std::int32_t ucs2PairToCode(Ucs2Pair pair);

// Four hexadecimal characters, either case, high digits first. Each half is read
// on its own; a half holding no digit gives 0.
Ucs2Pair hexToUcs2Pair(std::string_view hex);

}  // namespace tarnwick
