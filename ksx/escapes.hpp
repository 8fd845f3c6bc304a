// The two character escapes that the conversion resolves: "U+" and four
// hexadecimal digits, and "&#", decimal digits and an optional ";". The plan
// reader and the page writer must see exactly the escapes that the conversion
// will see, so all three recognise them here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnwick {

struct Escape {
    std::size_t length = 0;  // 0: no escape starts here
    std::int32_t value = 0;
};

// A value that no character has; decimal escapes saturate at it.
inline constexpr std::int32_t OverlongEscapeValue = 0x110000;

constexpr bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

constexpr bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr int hexValue(char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// "U+" and four hexadecimal digits (either case) at the start of `text`. A "U+"
// without four digits after it is no escape: the "U" stands for itself.
constexpr Escape matchHexEscape(std::string_view text) {
    if (text.size() < 6 || text[0] != 'U' || text[1] != '+') {
        return {};
    }
    std::int32_t value = 0;
    for (std::size_t i = 2; i < 6; ++i) {
        if (!isHexDigit(text[i])) {
            return {};
        }
        value = value * 16 + hexValue(text[i]);
    }
    return {6, value};
}

// "&#", at least one decimal digit, all the digits that follow and one optional
// ";" at the start of `text`. The value saturates above the last character so
// that a long run of digits is consumed whole.
constexpr Escape matchDecimalEscape(std::string_view text) {
    if (text.size() < 3 || text[0] != '&' || text[1] != '#' || !isDecimalDigit(text[2])) {
        return {};
    }
    std::int32_t value = 0;
    std::size_t i = 2;
    for (; i < text.size() && isDecimalDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > OverlongEscapeValue) {
            value = OverlongEscapeValue;
        }
    }
    if (i < text.size() && text[i] == ';') {
        ++i;
    }
    return {i, value};
}

// Either escape, as the page's conversion resolves them.
constexpr Escape matchEscape(std::string_view text) {
    Escape hex = matchHexEscape(text);
    return hex.length != 0 ? hex : matchDecimalEscape(text);
}

}  // namespace tarnwick
