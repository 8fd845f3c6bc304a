#include "ksx/encoders.hpp"

namespace tarnwick {

namespace {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One byte from two hex characters: white space first, then digits up to the
// first character that is not one.
unsigned char hexByte(std::string_view half) {
    std::size_t i = 0;
    while (i < half.size() && isBlank(half[i])) {
        ++i;
    }
    unsigned value = 0;
    for (; i < half.size(); ++i) {
        int digit = hexDigitValue(half[i]);
        if (digit < 0) {
            break;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<unsigned char>(value);
}

unsigned char byteAt(const Utf8Text& text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

}  // namespace

std::size_t codeToUtf8(std::int32_t code, Utf8Text& text) {
    if (code < 0 || code > LastCode) {
        code = ReplacementCode;
    }
    auto v = static_cast<std::uint32_t>(code);
    std::size_t length = 0;
    if (v < 0x80) {
        text[length++] = static_cast<char>(v);
    } else if (v < 0x800) {
        text[length++] = static_cast<char>(0xC0 | v >> 6);
        text[length++] = static_cast<char>(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
        text[length++] = static_cast<char>(0xE0 | v >> 12);
        text[length++] = static_cast<char>(0x80 | (v >> 6 & 0x3F));
        text[length++] = static_cast<char>(0x80 | (v & 0x3F));
    } else {
        text[length++] = static_cast<char>(0xF0 | v >> 18);
        text[length++] = static_cast<char>(0x80 | (v >> 12 & 0x3F));
        text[length++] = static_cast<char>(0x80 | (v >> 6 & 0x3F));
        text[length++] = static_cast<char>(0x80 | (v & 0x3F));
    }
    text[length] = '\0';
    // The value 0 writes a zero byte: the text is empty.
    return v == 0 ? 0 : length;
}

std::size_t ucs2PairToUtf8(Ucs2Pair pair, Utf8Text& text) {
    return codeToUtf8(ucs2PairToCode(pair), text);
}

std::int32_t utf8ToCode(const Utf8Text& text) {
    unsigned b0 = byteAt(text, 0);
    auto continuation = [&](std::size_t i) {
        return static_cast<std::int32_t>(byteAt(text, i)) - 0x80;
    };
    if (b0 < 0xC0) {
        return static_cast<std::int32_t>(b0);
    }
    if (b0 < 0xE0) {
        return static_cast<std::int32_t>(b0 - 0xC0) * 64 + continuation(1);
    }
    if (b0 < 0xF0) {
        return static_cast<std::int32_t>(b0 - 0xE0) * 4096 + continuation(1) * 64 + continuation(2);
    }
    if (b0 < 0xF8) {
        return static_cast<std::int32_t>(b0 - 0xF0) * 262144 + continuation(1) * 4096 +
               continuation(2) * 64 + continuation(3);
    }
    return ReplacementCode;
}

Ucs2Pair utf8ToUcs2Pair(const Utf8Text& text) {
    return codeToUcs2Pair(utf8ToCode(text));
}

Ucs2Pair codeToUcs2Pair(std::int32_t code) {
    if (code < 0 || code > 0xFFFF) {
        code = ReplacementCode;
    }
    return Ucs2Pair{static_cast<unsigned char>(code % 256), static_cast<unsigned char>(code / 256)};
}

std::int32_t ucs2PairToCode(Ucs2Pair pair) {
    return pair.high * 256 + pair.low;
}

Ucs2Pair hexToUcs2Pair(std::string_view hex) {
    std::size_t length = 0;
    while (length < 4 && length < hex.size() && hex[length] != '\0') {
        ++length;
    }
    std::string_view digits = hex.substr(0, length);
    unsigned char high = hexByte(digits.substr(0, 2));
    unsigned char low = digits.size() > 2 ? hexByte(digits.substr(2, 2)) : 0;
    return Ucs2Pair{low, high};
}

}  // namespace tarnwick
