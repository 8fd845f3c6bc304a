// From a double-byte pair to the UTF-8 text of its character, through the code
// tables. Every call writes one character and a zero byte at the start of the
// caller's buffer, whatever it held: a character of the tables or the
// replacement mark U+25A3.
#pragma once

#include <cstddef>

#include "ksx/encoders.hpp"

namespace tarnwick {

// The running number of a pair of the Hanja and extended Hanja areas: 0, or 1 to
// 19,877.
int hanjaIndex(unsigned lead, unsigned trail);

// Pairs whose lead byte is 0xA1 to 0xC8 and whose trail byte is 0xA1 or above.
// Returns the number of bytes written.
std::size_t lookupSymbolHangul(unsigned char lead, unsigned char trail, Utf8Text& text);
// Every other pair whose lead byte is 0x80 or above.
std::size_t lookupHanja(unsigned char lead, unsigned char trail, Utf8Text& text);
// Whichever of the two serves the pair, as the conversion chooses.
std::size_t lookupPair(unsigned char lead, unsigned char trail, Utf8Text& text);

}  // namespace tarnwick
