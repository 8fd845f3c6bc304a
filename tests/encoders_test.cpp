#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "ksx/encoders.hpp"

namespace tarnwick {
namespace {

constexpr std::string_view Mark = "\xE2\x96\xA3";

std::string hexBytes(std::string_view bytes) {
    std::string out;
    char byte[4];
    for (char c : bytes) {
        std::snprintf(byte, sizeof byte, "%02X ", static_cast<unsigned char>(c));
        out += byte;
    }
    return out;
}

Utf8Text garbage() {
    Utf8Text text;
    text.fill('\xAA');
    return text;
}

Utf8Text utf8Text(std::string_view bytes) {
    Utf8Text text{};
    std::memcpy(text.data(), bytes.data(), bytes.size());
    return text;
}

std::string pairBytes(Ucs2Pair pair) {
    return hexBytes(std::string{static_cast<char>(pair.low), static_cast<char>(pair.high)});
}

struct CodeCase {
    std::int32_t code;
    std::string_view utf8;
};

// Each writes its bytes and a zero byte over whatever the buffer held, and
// returns how many bytes it wrote.
TEST(EncoderCodeToUtf8, ShortestFormAndZeroByte) {
    const CodeCase cases[] = {
        {0x0, ""},
        {0x41, "\x41"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0xB7, "\xC2\xB7"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0x3000, "\xE3\x80\x80"},
        {0x25A3, "\xE2\x96\xA3"},
        {0xAC00, "\xEA\xB0\x80"},
        {0xD7A3, "\xED\x9E\xA3"},
        {0xD800, "\xED\xA0\x80"},  // surrogates are encoded like any other value
        {0xDFFF, "\xED\xBF\xBF"},
        {0xFFFF, "\xEF\xBF\xBF"},
        // Above the 16-bit range: four bytes up to the last code point, then the mark.
        {0x10000, "\xF0\x90\x80\x80"},
        {0x1F600, "\xF0\x9F\x98\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
        {0x110000, Mark},
        {std::numeric_limits<std::int32_t>::max(), Mark},
        {-1, Mark},
        {std::numeric_limits<std::int32_t>::min(), Mark},
    };
    for (const CodeCase& c : cases) {
        Utf8Text text = garbage();
        std::size_t written = codeToUtf8(c.code, text);
        EXPECT_EQ(hexBytes(std::string_view(text.data(), c.utf8.size() + 1)),
                  hexBytes(std::string(c.utf8) + '\0'))
            << std::hex << c.code;
        EXPECT_EQ(written, c.utf8.size()) << std::hex << c.code;
    }
}

TEST(EncoderUcs2PairToUtf8, FormsTheValueLowByteFirst) {
    struct PairCase {
        Ucs2Pair pair;
        std::string_view utf8;
    };
    const PairCase cases[] = {
        {{0x00, 0xAC}, "\xEA\xB0\x80"}, {{0x3F, 0x00}, "\x3F"},         {{0xB7, 0x00}, "\xC2\xB7"},
        {{0x00, 0x30}, "\xE3\x80\x80"}, {{0xFF, 0xFF}, "\xEF\xBF\xBF"}, {{0x00, 0x00}, ""},
    };
    for (const PairCase& c : cases) {
        Utf8Text text = garbage();
        std::size_t written = ucs2PairToUtf8(c.pair, text);
        EXPECT_EQ(hexBytes(std::string_view(text.data(), c.utf8.size() + 1)),
                  hexBytes(std::string(c.utf8) + '\0'))
            << pairBytes(c.pair);
        EXPECT_EQ(written, c.utf8.size());
    }
}

TEST(EncoderUtf8Decoders, ValueFromTheLeadByte) {
    const CodeCase cases[] = {
        {0x0, ""},                      // one byte
        {0x41, "\x41"},                 // one byte
        {0xA9, "\xC2\xA9"},             // two bytes
        {0xAC00, "\xEA\xB0\x80"},       // three bytes
        {0x25A3, "\xE2\x96\xA3"},       // the replacement mark
        {0x1F600, "\xF0\x9F\x98\x80"},  // four bytes
        {0x80, "\x80"},                 // a stray continuation byte stands for itself
        {0xBF, "\xBF"},                 // so does the last of them
        {0xB7, "\xE0\x82\xB7"},         // overlong forms give their value
    };
    for (const CodeCase& c : cases) {
        EXPECT_EQ(utf8ToCode(utf8Text(c.utf8)), c.code) << hexBytes(c.utf8);
    }
    EXPECT_EQ(utf8ToCode(utf8Text("\xF8\x88\x80\x80\x80")), ReplacementCode);
    EXPECT_EQ(utf8ToCode(utf8Text("\xFF")), ReplacementCode);

    EXPECT_EQ(pairBytes(utf8ToUcs2Pair(utf8Text("\xEA\xB0\x80"))), "00 AC ");
    EXPECT_EQ(pairBytes(utf8ToUcs2Pair(utf8Text("\xC2\xB7"))), "B7 00 ");
    EXPECT_EQ(pairBytes(utf8ToUcs2Pair(utf8Text("\xEF\xBF\xBF"))), "FF FF ");
    // Above 0xFFFF no pair holds the value: the mark's pair.
    EXPECT_EQ(pairBytes(utf8ToUcs2Pair(utf8Text("\xF0\x9F\x98\x80"))), "A3 25 ");
}

TEST(EncoderHexToUcs2Pair, TwoHalvesReadOnTheirOwn) {
    struct HexCase {
        std::string_view hex;
        std::string_view pair;
    };
    const char ZeroInside[] = {'A', 'C', '\0', '9', '9'};
    const HexCase cases[] = {
        {"AC00", "00 AC "},
        {"ac00", "00 AC "},
        {"00e9", "E9 00 "},
        {"0041", "41 00 "},
        {"FfFf", "FF FF "},
        {"AC00FF", "00 AC "},                         // four characters at most
        {std::string_view(ZeroInside, 5), "00 AC "},  // a zero byte ends the text
        {"A", "00 0A "},
        {" A0B", "0B 0A "},  // white space before a half's digits is skipped
        {"1G00", "00 01 "},  // digits end at the first other character
        {"GG41", "41 00 "},  // a half without digits gives 0
        {"+-zz", "00 00 "},
        {"", "00 00 "},
    };
    for (const HexCase& c : cases) {
        EXPECT_EQ(pairBytes(hexToUcs2Pair(c.hex)), c.pair) << c.hex;
    }
}

TEST(EncoderUcs2Pair, FromAndToCode) {
    EXPECT_EQ(pairBytes(codeToUcs2Pair(0xAC00)), "00 AC ");
    EXPECT_EQ(pairBytes(codeToUcs2Pair(0x41)), "41 00 ");
    EXPECT_EQ(pairBytes(codeToUcs2Pair(0)), "00 00 ");
    EXPECT_EQ(pairBytes(codeToUcs2Pair(0xFFFF)), "FF FF ");
    // Outside the 16-bit range: the mark's pair.
    EXPECT_EQ(pairBytes(codeToUcs2Pair(0x10000)), "A3 25 ");
    EXPECT_EQ(pairBytes(codeToUcs2Pair(0x1F600)), "A3 25 ");
    EXPECT_EQ(pairBytes(codeToUcs2Pair(-1)), "A3 25 ");
    EXPECT_EQ(pairBytes(codeToUcs2Pair(std::numeric_limits<std::int32_t>::min())), "A3 25 ");

    EXPECT_EQ(ucs2PairToCode(Ucs2Pair{0x00, 0xAC}), 0xAC00);
    EXPECT_EQ(ucs2PairToCode(Ucs2Pair{0xFF, 0xFF}), 0xFFFF);
    EXPECT_EQ(ucs2PairToCode(Ucs2Pair{0x41, 0x00}), 0x41);
}

// The decoders read back every value the encoders write, in the bytes the
// shortest form takes.
TEST(EncoderRoundTrip, EveryCodeThroughUtf8AndBack) {
    int failures = 0;
    std::int32_t firstFailure = -1;
    for (std::int32_t code = 1; code <= LastCode; ++code) {
        Utf8Text text = garbage();
        std::size_t written = codeToUtf8(code, text);
        std::size_t expected = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        bool ok = written == expected && text[written] == '\0' && utf8ToCode(text) == code;
        if (code <= 0xFFFF) {
            Ucs2Pair pair = utf8ToUcs2Pair(text);
            ok = ok && ucs2PairToCode(pair) == code && ucs2PairToCode(codeToUcs2Pair(code)) == code;
            Utf8Text fromPair = garbage();
            ok = ok && ucs2PairToUtf8(pair, fromPair) == written &&
                 std::memcmp(fromPair.data(), text.data(), written + 1) == 0;
        }
        if (!ok && failures++ == 0) {
            firstFailure = code;
        }
    }
    EXPECT_EQ(failures, 0) << "first: " << std::hex << firstFailure;
}

}  // namespace
}  // namespace tarnwick
