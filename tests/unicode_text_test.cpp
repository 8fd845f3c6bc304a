#include "ksx/unicode_text.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ksx/convert.hpp"
#include "ksx/encoders.hpp"
#include "ksx/tables/lookup.hpp"
#include "test_files.hpp"

namespace tarnwick {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

std::string utf8Of(std::int32_t code) {
    Utf8Text text{};
    std::size_t length = codeToUtf8(code, text);
    return std::string(text.data(), length);
}

std::string eightBitForm(std::int32_t code) {
    std::string form;
    appendEightBitForm(code, form);
    return form;
}

std::string utf8Text(std::string_view text) {
    std::string utf8;
    appendUtf8Text(text, utf8);
    return utf8;
}

// The page's conversion of `source` as a file, without its byte-order mark.
std::string convertedFile(std::string_view source) {
    TempDir dir;
    writeFile(dir.file("in.txt"), source);
    ::testing::internal::CaptureStdout();
    int result = convertKsxFile(dir.file("in.txt").c_str(), dir.file("out.htm").c_str());
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, 0);
    std::string output = readFile(dir.file("out.htm"));
    EXPECT_EQ(output.substr(0, 3), "\xEF\xBB\xBF");
    return output.substr(3);
}

bool isSurrogate(std::int32_t code) {
    return code >= 0xD800 && code <= 0xDFFF;
}

// Every character but U+0000 (a zero byte ends the conversion's line) and the
// surrogates, up to U+FFFF, and a spread of those above.
std::vector<std::int32_t> roundTripCodes() {
    std::vector<std::int32_t> codes;
    for (std::int32_t code = 1; code <= 0xFFFF; ++code) {
        if (!isSurrogate(code)) {
            codes.push_back(code);
        }
    }
    for (std::int32_t code = 0x10000; code <= LastCode; code += 997) {
        codes.push_back(code);
    }
    codes.push_back(0x1F600);
    codes.push_back(LastCode);
    return codes;
}

TEST(EightBitForm, TellingCharacters) {
    struct Row {
        std::int32_t code;
        std::string form;
    };
    const Row rows[] = {
        {'A', "A"},
        {'~', "~"},            // A1 AD gives it too, but ASCII stays
        {'?', "?"},            // as do the 142 symbol positions that hold it
        {0x00B7, "\xA1\xA4"},  // middle dot
        {0x2192, "\xA1\xE6"},  // not A2 A1, which the lookup reads as A1 E6
        {0x25A3, "\xA2\xC3"},  // the replacement mark itself, its own position
        {0xAC00, "\xB0\xA1"},  // 가
        {0xD79D, "\xC8\xFE"},  // 힝, the last Hangul syllable
        {0x4F3D, "\xCA\xA1"},  // 伽
        {0x6C69, "\xCD\xE7"},  // the code the table holds there
        {0x4EEE, "\xFE\xA1"},  // FE A1 counts on past the Hanja rows: before A1 21
        {0x5676, "\xFE\xC1"},  // A1 41's code, and FE C1's: the main block first
        {0x9EE0, "\xB7\x48"},  // extended area, trail byte below 0xA1
        {0x8E01, "\xB8\x93"},  // a fallback pair's code
        {0x5DD9, "\x99\x61"},  // fallback, index range 6: 99 61 comes before FE 6E
        {0x6C68, "U+6C68"},    // no pair gives it
        {0xF900, "U+F900"},    // the compatibility ideographs are gaps
        {0xB620, "U+B620"},    // 똠, not in KS X 1001
        {0x00E9, "U+00E9"},
        {0x1F600, "&#128512;"},
        {LastCode, "&#1114111;"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(eightBitForm(row.code), row.form) << std::hex << "U+" << row.code;
    }
}

std::size_t pairOrder(unsigned pair) {
    unsigned lead = pair >> 8;
    unsigned trail = pair & 0xFF;
    bool main = lead >= 0xA1 && lead <= 0xFE && trail >= 0xA1 && trail <= 0xFE;
    return (main ? 0 : 0x10000) + pair;
}

// Every pair that gives a character comes no earlier than the pair chosen for it,
// and the chosen pair gives it: the choice is the first, over all the pairs.
TEST(EightBitForm, ThePairChosenIsTheFirstThatGivesTheCharacter) {
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
        for (unsigned trail = 0x21; trail <= 0xFE; ++trail) {
            Utf8Text text{};
            bool symbolHangul = lead >= 0xA1 && lead <= 0xC8 && trail >= 0xA1;
            auto l = static_cast<unsigned char>(lead);
            auto t = static_cast<unsigned char>(trail);
            if (symbolHangul) {
                lookupSymbolHangul(l, t, text);
            } else {
                lookupHanja(l, t, text);
            }
            std::int32_t code = utf8ToCode(text);
            if (code < 0x80) {
                continue;
            }
            unsigned chosen = pairOfCharacter(code);
            ASSERT_NE(chosen, 0u) << std::hex << lead << ' ' << trail;
            EXPECT_LE(pairOrder(chosen), pairOrder(lead << 8 | trail))
                << std::hex << lead << ' ' << trail;
        }
    }
}

TEST(EightBitForm, RoundTripThroughTheConversionInMemory) {
    for (std::int32_t code : roundTripCodes()) {
        std::string form = eightBitForm(code);
        ASSERT_EQ(utf8Text(form), utf8Of(code)) << std::hex << "U+" << code;
        if (form.size() == 2 && static_cast<unsigned char>(form[0]) >= 0x80) {
            EXPECT_GE(static_cast<unsigned char>(form[1]), 0x21) << std::hex << "U+" << code;
        }
    }
}

// The same through the page's conversion of a file, one character a line.
TEST(EightBitForm, RoundTripThroughTheFileConversion) {
    std::string source;
    std::string expected;
    for (std::int32_t code : roundTripCodes()) {
        if (code < 0x80) {
            continue;  // ASCII stays; line ends and 0x1A mean something in a file
        }
        appendEightBitForm(code, source);
        source += '\n';
        expected += utf8Of(code);
        expected += "\r\n";
    }
    std::string output = convertedFile(source);
    ASSERT_EQ(output.size(), expected.size());
    std::size_t line = 0;
    for (std::size_t start = 0; start < expected.size();) {
        std::size_t end = expected.find('\n', start) + 1;
        ASSERT_EQ(output.substr(start, end - start), expected.substr(start, end - start))
            << "line " << line;
        start = end;
        ++line;
    }
}

// The in-memory conversion must be the page's conversion exactly.
TEST(Utf8Text, SameAsTheFileConversion) {
    std::vector<std::string> texts = {
        "plain ascii",
        "\xB0\xA1\xC1\xB7\xA1\xA4\xCA\xA1\xFD\xFE",  // 가족·伽詰
        "\xA1\x21\xC9\x27\xF7\x5C\xF6\x5F_x",        // extended area, odd trail bytes
        "\xAD\xA1\xC9\xA1\x81\x41\xA2\xA1",          // gaps and the arrow
        "U+AC00 U+ac00 u+AC00 U+12G4 U+00",          // whole escapes only
        "&#44032; &#44032 &#44032x &#65; R&#D &#; &#0; &#99999999999",
        "&#128512;U+D83D",
        "a\x01-b",
        "cut\xB0",  // a lead byte at the end
    };
    std::mt19937 random(7);
    const std::string alphabet = "U+&#;09AFaf_ \xA1\xB0\xC8\xC9\xCA\xFE\xFF\x80\x99\x21\x5F";
    for (int t = 0; t < 200; ++t) {
        std::string text;
        std::size_t length = random() % 40;
        for (std::size_t i = 0; i < length; ++i) {
            text += alphabet[random() % alphabet.size()];
        }
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        EXPECT_EQ(utf8Text(text), convertedFile(text)) << ::testing::PrintToString(text);
    }
}

TEST(Utf8Text, ZeroByteEndsTheLine) {
    EXPECT_EQ(utf8Text(std::string_view("ab\0cd\nef", 8)), "abef");
    EXPECT_EQ(utf8Text(std::string_view("ab\0cd", 5)), "ab");
}

}  // namespace
}  // namespace tarnwick
