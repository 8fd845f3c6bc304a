// Plan texts are scanned in units, exactly as the page's conversion will scan
// them: a double-byte character (a byte >= 0x80 and the byte after it, paired
// from the text's first byte), an escape, or one single byte. Whatever is cut,
// changed or quoted is cut, changed or quoted by whole units, so the second byte
// of a character (which may be '_', '\'' or '\\' in the extended Hanja area) is
// never taken for a character of its own.
#pragma once

#include <cstddef>
#include <string_view>

#include "ksx/escapes.hpp"

namespace tarnwick {

constexpr bool isLeadByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

// The length of the unit that starts at `position`. A lead byte at the very end
// is a unit of one byte.
constexpr std::size_t unitLength(std::string_view text, std::size_t position) {
    char c = text[position];
    if (isLeadByte(c)) {
        return position + 1 < text.size() ? 2 : 1;
    }
    if (c == 'U' || c == '&') {
        Escape escape = matchEscape(text.substr(position));
        if (escape.length != 0) {
            return escape.length;
        }
    }
    return 1;
}

// True when the text ends in a lead byte that has no second byte.
constexpr bool endsInLoneLead(std::string_view text) {
    std::size_t position = 0;
    while (position < text.size()) {
        position += isLeadByte(text[position]) ? 2 : 1;
    }
    return position > text.size();
}

// The longest run of whole units from the text's start that fits in `limit`.
constexpr std::size_t wholeUnitsWithin(std::string_view text, std::size_t limit) {
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t next = position + unitLength(text, position);
        if (next > limit) {
            break;
        }
        position = next;
    }
    return position;
}

}  // namespace tarnwick
