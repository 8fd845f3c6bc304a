// Text in memory between the 8-bit form and Unicode, by the same tables and
// escapes as the page's conversion: from 8-bit text to the UTF-8 that the
// conversion writes, and from a Unicode character back to 8-bit text that the
// conversion turns into that very character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// Appends what the page's conversion (UTF-8, double-byte characters converted,
// escapes resolved) makes of `text`, without a byte-order mark and with line
// ends as they are.
void appendUtf8Text(std::string_view text, std::string& utf8);

// The double-byte pair whose lookup gives `code`, lead byte in the high eight
// bits, or 0 when none does. Of several, the first in ascending order of lead
// byte, then trail byte, among the pairs whose two bytes are both 0xA1 to 0xFE;
// failing that, among the pairs whose trail byte is 0x21 to 0xFE, so that no
// pair holds a byte that could end a field or a line. ASCII has no pair. The map
// is built from the lookups on the first call.
unsigned pairOfCharacter(std::int32_t code);

// Appends the 8-bit form of one Unicode character (0 to 0x10FFFF, no surrogate):
// ASCII as it is, else its pair, else the escape "U+XXXX" up to U+FFFF and
// "&#N;" above.
void appendEightBitForm(std::int32_t code, std::string& text);

}  // namespace tarnwick
