// The double-byte pairs and the tables that serve them, in the order tested.
// lookupSymbolHangul (lead 0xA1 to 0xC8, trail 0xA1 or above):
//   lead 0xB0 to 0xC8      HangulTable; C8 FF lies past its end
//   lead 0xA1 to 0xAC      SymbolTable; AC FF lies past its end
//   lead 0xAD to 0xAF      the replacement mark
// lookupHanja (every other pair), by the pair's Hanja index:
//   0                      the replacement mark
//   1 to 4,888             HanjaTable
//   4,889 to 16,805        ExtendedHanjaTable, four blocks
//   16,806 to 19,877       no table
// Where the tables give 0 or have no entry, FallbackPairs may hold the code;
// else the pair gives the replacement mark.
#include "ksx/tables/lookup.hpp"

#include <cstdint>

#include "ksx/tables/tables.hpp"

namespace tarnwick {

namespace {

constexpr int FirstExtendedIndex = 4889;
constexpr int LastExtendedIndex =
    FirstExtendedIndex + static_cast<int>(ExtendedHanjaTable.size()) - 1;

// Entries 94 and 95 (A2 A1 and A2 A2, also reached by A1 FF) are read as
// A1 E6 and A1 EA: the arrows U+2192 and U+2194 stand in for U+21D2 and U+21D4.
constexpr std::size_t SymbolArrowRight = 69;
constexpr std::size_t SymbolArrowBoth = 73;

std::size_t writeReplacementMark(Utf8Text& text) {
    return codeToUtf8(ReplacementCode, text);
}

// The code of a Hanja index, 0 where the tables have none.
std::int32_t tableCode(int index) {
    if (index >= 1 && index < FirstExtendedIndex) {
        return HanjaTable[static_cast<std::size_t>(index - 1)];
    }
    if (index >= FirstExtendedIndex && index <= LastExtendedIndex) {
        return ExtendedHanjaTable[static_cast<std::size_t>(index - FirstExtendedIndex)];
    }
    return 0;
}

std::int32_t fallbackCode(int index) {
    for (const FallbackPair& pair : FallbackPairs) {
        if (pair.hanjaIndex == index) {
            return pair.code;
        }
    }
    return 0;
}

}  // namespace

int hanjaIndex(unsigned lead, unsigned trail) {
    int l = static_cast<int>(lead);
    int t = static_cast<int>(trail);
    if (l >= 0xCA && t >= 0xA1) {
        return (l - 0xCA) * 94 + (t - 0xA1) + 1;
    }
    if (t >= 0xA1) {
        return 0;
    }
    // Rows of 128 (trail bytes 0x21 to 0xA0); below 0xA1 the groups of eight
    // lead bytes follow each other downwards.
    if (l >= 0xA1) {
        return (l - 0xA1) * 128 + (t - 0x21) + 4889;
    }
    if (l >= 0x99) {
        return (l - 0x99) * 128 + (t - 0x21) + 16806;
    }
    if (l >= 0x91) {
        return (l - 0x91) * 128 + (t - 0x21) + 17830;
    }
    if (l >= 0x89) {
        return (l - 0x89) * 128 + (t - 0x21) + 18854;
    }
    return 0;
}

std::size_t lookupSymbolHangul(unsigned char lead, unsigned char trail, Utf8Text& text) {
    if (trail < 0xA1) {
        return writeReplacementMark(text);
    }
    std::size_t cell = trail - 0xA1u;
    if (lead >= 0xB0 && lead <= 0xC8) {
        std::size_t i = std::size_t{lead - 0xB0u} * 94 + cell;
        return i < HangulTable.size() ? ucs2PairToUtf8(HangulTable[i], text)
                                      : writeReplacementMark(text);
    }
    if (lead >= 0xA1 && lead <= 0xAC) {
        std::size_t i = std::size_t{lead - 0xA1u} * 94 + cell;
        if (i == 94) {
            i = SymbolArrowRight;
        } else if (i == 95) {
            i = SymbolArrowBoth;
        }
        return i < SymbolTable.size() ? ucs2PairToUtf8(SymbolTable[i], text)
                                      : writeReplacementMark(text);
    }
    return writeReplacementMark(text);
}

std::size_t lookupHanja(unsigned char lead, unsigned char trail, Utf8Text& text) {
    int index = hanjaIndex(lead, trail);
    if (index == 0) {
        return writeReplacementMark(text);
    }
    std::int32_t code = tableCode(index);
    if (code == 0) {
        code = fallbackCode(index);
    }
    return code != 0 ? codeToUtf8(code, text) : writeReplacementMark(text);
}

std::size_t lookupPair(unsigned char lead, unsigned char trail, Utf8Text& text) {
    bool symbolHangul = lead >= 0xA1 && lead <= 0xC8 && trail >= 0xA1;
    return symbolHangul ? lookupSymbolHangul(lead, trail, text) : lookupHanja(lead, trail, text);
}

}  // namespace tarnwick
