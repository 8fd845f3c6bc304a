// Plans saved as Unicode text. The encoding of a plan file is decided once, from
// all of its bytes, and a Unicode plan is turned into the 8-bit form that the
// reader and everything after it know, before any of them sees it.
#pragma once

#include <span>
#include <string>

namespace tarnwick {

enum class PlanEncoding {
    EightBit,  // ASCII, KS X 1001 and the extended Hanja area
    Utf8,
    Utf16LittleEndian,
    Utf16BigEndian,
};

// EF BB BF: UTF-8; FF FE and FE FF: UTF-16, little- and big-endian. Without a
// mark, UTF-8 when all of the bytes are valid UTF-8 and at least one character
// takes more than one byte; anything else is 8-bit text. Short 8-bit texts can be
// valid UTF-8 too (the Hanja pair CA A1 reads as U+02A1): those are taken as
// UTF-8.
PlanEncoding planEncoding(std::span<const unsigned char> bytes);

// Appends the 8-bit form of a Unicode plan (its mark, if any, dropped): every
// character as appendEightBitForm gives it. Line ends and every other ASCII
// character pass as they are, for the reader's text mode to deal with. False
// when the bytes are not valid text of that encoding (what was appended is then
// of no use). An 8-bit plan is appended as it is.
bool decodeUnicodePlan(std::span<const unsigned char> bytes, PlanEncoding encoding,
                       std::string& eightBit);

}  // namespace tarnwick
