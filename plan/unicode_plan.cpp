#include "plan/unicode_plan.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ksx/unicode_text.hpp"

namespace tarnwick {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view Utf16BigEndianMark = "\xFE\xFF";

bool startsWith(std::span<const unsigned char> bytes, std::string_view mark) {
    if (bytes.size() < mark.size()) {
        return false;
    }
    for (std::size_t i = 0; i < mark.size(); ++i) {
        if (bytes[i] != static_cast<unsigned char>(mark[i])) {
            return false;
        }
    }
    return true;
}

// The length of the UTF-8 sequence at `position`, and its code; 0 when the bytes
// there are no well-formed sequence: a stray or missing continuation byte, a
// longer form than needed, a surrogate or a code above U+10FFFF.
std::size_t utf8Sequence(std::span<const unsigned char> bytes, std::size_t position,
                         std::int32_t& code) {
    unsigned first = bytes[position];
    if (first < 0x80) {
        code = static_cast<std::int32_t>(first);
        return 1;
    }
    std::size_t length = 0;
    unsigned low = 0x80;  // the range of the second byte; the others are 80..BF
    unsigned high = 0xBF;
    std::int32_t value = 0;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
        value = static_cast<std::int32_t>(first & 0x1F);
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        value = static_cast<std::int32_t>(first & 0x0F);
        low = first == 0xE0 ? 0xA0 : low;    // shorter form
        high = first == 0xED ? 0x9F : high;  // surrogates
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        value = static_cast<std::int32_t>(first & 0x07);
        low = first == 0xF0 ? 0x90 : low;    // shorter form
        high = first == 0xF4 ? 0x8F : high;  // above U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() - position < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        unsigned next = bytes[position + k];
        if (next < low || next > high) {
            return 0;
        }
        low = 0x80;
        high = 0xBF;
        value = value << 6 | static_cast<std::int32_t>(next & 0x3F);
    }
    code = value;
    return length;
}

// The run of ASCII bytes from `position`.
std::size_t asciiRun(std::span<const unsigned char> bytes, std::size_t position) {
    std::size_t end = position;
    while (end < bytes.size() && bytes[end] < 0x80) {
        ++end;
    }
    return end - position;
}

bool decodeUtf8(std::span<const unsigned char> bytes, std::string& eightBit) {
    std::size_t position = 0;
    while (position < bytes.size()) {
        std::size_t run = asciiRun(bytes, position);
        eightBit.append(reinterpret_cast<const char*>(bytes.data() + position), run);
        position += run;
        if (position == bytes.size()) {
            break;
        }
        std::int32_t code = 0;
        std::size_t length = utf8Sequence(bytes, position, code);
        if (length == 0) {
            return false;
        }
        appendEightBitForm(code, eightBit);
        position += length;
    }
    return true;
}

bool decodeUtf16(std::span<const unsigned char> bytes, bool bigEndian, std::string& eightBit) {
    if (bytes.size() % 2 != 0) {
        return false;
    }
    auto unitAt = [&](std::size_t position) {
        unsigned first = bytes[position];
        unsigned second = bytes[position + 1];
        return static_cast<std::int32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    for (std::size_t position = 0; position < bytes.size(); position += 2) {
        std::int32_t code = unitAt(position);
        if (code >= 0xDC00 && code <= 0xDFFF) {
            return false;  // a low surrogate with no high one before it
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            position += 2;
            std::int32_t low = position < bytes.size() ? unitAt(position) : 0;
            if (low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendEightBitForm(code, eightBit);
    }
    return true;
}

}  // namespace

PlanEncoding planEncoding(std::span<const unsigned char> bytes) {
    if (startsWith(bytes, Utf8Mark)) {
        return PlanEncoding::Utf8;
    }
    if (startsWith(bytes, Utf16LittleEndianMark)) {
        return PlanEncoding::Utf16LittleEndian;
    }
    if (startsWith(bytes, Utf16BigEndianMark)) {
        return PlanEncoding::Utf16BigEndian;
    }
    // Korean 8-bit text is seldom UTF-8 for long: most of its pairs are no UTF-8
    // sequence, so an 8-bit plan is told after its first few.
    bool multiByte = false;
    std::size_t position = 0;
    while (position < bytes.size()) {
        position += asciiRun(bytes, position);
        if (position == bytes.size()) {
            break;
        }
        std::int32_t code = 0;
        std::size_t length = utf8Sequence(bytes, position, code);
        if (length == 0) {
            return PlanEncoding::EightBit;
        }
        multiByte = true;
        position += length;
    }
    return multiByte ? PlanEncoding::Utf8 : PlanEncoding::EightBit;
}

bool decodeUnicodePlan(std::span<const unsigned char> bytes, PlanEncoding encoding,
                       std::string& eightBit) {
    eightBit.reserve(eightBit.size() + bytes.size());
    switch (encoding) {
        case PlanEncoding::Utf8:
            if (startsWith(bytes, Utf8Mark)) {
                bytes = bytes.subspan(Utf8Mark.size());
            }
            return decodeUtf8(bytes, eightBit);
        case PlanEncoding::Utf16LittleEndian:
            if (startsWith(bytes, Utf16LittleEndianMark)) {
                bytes = bytes.subspan(Utf16LittleEndianMark.size());
            }
            return decodeUtf16(bytes, false, eightBit);
        case PlanEncoding::Utf16BigEndian:
            if (startsWith(bytes, Utf16BigEndianMark)) {
                bytes = bytes.subspan(Utf16BigEndianMark.size());
            }
            return decodeUtf16(bytes, true, eightBit);
        case PlanEncoding::EightBit:
            eightBit.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            return true;
    }
    return false;
}

}  // namespace tarnwick
