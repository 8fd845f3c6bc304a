#include "ksx/unicode_text.hpp"

#include <array>
#include <cstdio>

#include "ksx/encoders.hpp"
#include "ksx/escapes.hpp"
#include "ksx/tables/lookup.hpp"

namespace tarnwick {

namespace {

void appendUtf8(std::string& utf8, const Utf8Text& character, std::size_t length) {
    utf8.append(character.data(), length);
}

// Indexed by code; 0 where no pair gives the character. The tables give nothing
// above U+FFFF; a code there would keep its escape.
std::array<std::uint16_t, 0x10000> reversePairs;

bool inMainBlock(unsigned lead, unsigned trail) {
    return lead >= 0xA1 && lead <= 0xFE && trail >= 0xA1 && trail <= 0xFE;
}

void addPairs(unsigned firstLead, unsigned lastLead, unsigned firstTrail, unsigned lastTrail,
              bool skipMainBlock) {
    for (unsigned lead = firstLead; lead <= lastLead; ++lead) {
        for (unsigned trail = firstTrail; trail <= lastTrail; ++trail) {
            if (skipMainBlock && inMainBlock(lead, trail)) {
                continue;
            }
            Utf8Text text{};
            lookupPair(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail), text);
            std::int32_t code = utf8ToCode(text);
            if (code < 0x80 || code > 0xFFFF) {
                continue;
            }
            std::uint16_t& pair = reversePairs[static_cast<std::size_t>(code)];
            if (pair == 0) {
                pair = static_cast<std::uint16_t>(lead << 8 | trail);
            }
        }
    }
}

// Pairs are tried in the order of preference, and the first to give a character
// keeps it: the main block, then every other pair whose trail byte is 0x21 or
// above.
bool fillReversePairs() {
    addPairs(0xA1, 0xFE, 0xA1, 0xFE, false);
    addPairs(0x80, 0xFF, 0x21, 0xFE, true);
    return true;
}

const std::array<std::uint16_t, 0x10000>& filledReversePairs() {
    static const bool filled = fillReversePairs();
    (void)filled;
    return reversePairs;
}

}  // namespace

void appendUtf8Text(std::string_view text, std::string& utf8) {
    Utf8Text character{};
    std::size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte == 0) {
            // The rest of the line is not written, its line end included.
            std::size_t lineEnd = text.find('\n', i);
            if (lineEnd == std::string_view::npos) {
                return;
            }
            i = lineEnd + 1;
            continue;
        }
        if (byte >= 0x80) {
            if (i + 1 == text.size()) {
                appendUtf8(utf8, character, codeToUtf8(ReplacementCode, character));
                return;
            }
            appendUtf8(utf8, character,
                       lookupPair(byte, static_cast<unsigned char>(text[i + 1]), character));
            i += 2;
            continue;
        }
        std::string_view rest = text.substr(i);
        if (byte == 'U' && matchHexEscape(rest).length != 0) {
            appendUtf8(utf8, character,
                       ucs2PairToUtf8(hexToUcs2Pair(rest.substr(2, 4)), character));
            i += 6;
            continue;
        }
        if (byte == '&') {
            Escape escape = matchDecimalEscape(rest);
            if (escape.length != 0) {
                appendUtf8(utf8, character, codeToUtf8(escape.value, character));
                i += escape.length;
                continue;
            }
        }
        utf8.push_back(static_cast<char>(byte));
        ++i;
    }
}

unsigned pairOfCharacter(std::int32_t code) {
    if (code < 0x80 || code > 0xFFFF) {
        return 0;
    }
    return filledReversePairs()[static_cast<std::size_t>(code)];
}

void appendEightBitForm(std::int32_t code, std::string& text) {
    if (code >= 0 && code < 0x80) {
        text.push_back(static_cast<char>(code));
        return;
    }
    unsigned pair = pairOfCharacter(code);
    if (pair != 0) {
        text.push_back(static_cast<char>(pair >> 8));
        text.push_back(static_cast<char>(pair & 0xFF));
        return;
    }
    std::array<char, 16> escape{};
    int length = std::snprintf(escape.data(), escape.size(), code <= 0xFFFF ? "U+%04X" : "&#%d;",
                               static_cast<int>(code));
    text.append(escape.data(), static_cast<std::size_t>(length));
}

}  // namespace tarnwick
