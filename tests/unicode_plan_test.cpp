#include "plan/unicode_plan.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/textstream.hpp"
#include "plan/plan.hpp"
#include "plan/reader.hpp"
#include "test_files.hpp"

namespace tarnwick {
namespace {

using namespace std::string_literals;

std::span<const unsigned char> bytesOf(std::string_view text) {
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

PlanEncoding encodingOf(std::string_view text) {
    return planEncoding(bytesOf(text));
}

// UTF-16 of UTF-8 text, with its mark.
std::string utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        char high = static_cast<char>(unit >> 8);
        char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TEST(PlanEncoding, ToldFromTheMarkOrFromAllTheBytes) {
    struct Row {
        std::string bytes;
        PlanEncoding encoding;
    };
    const Row rows[] = {
        {"", PlanEncoding::EightBit},
        {"#CLASS\nperson blue dot\n", PlanEncoding::EightBit},  // ASCII stays 8-bit
        {"#NODES\nn1 p \xB0\xA1\xC1\xB7\n", PlanEncoding::EightBit},
        {"#NODES\nn1 p \xEA\xB0\x80\n", PlanEncoding::Utf8},
        {"n1 \xF0\x9F\x98\x80", PlanEncoding::Utf8},
        {"h1 \xCA\xA1\n", PlanEncoding::Utf8},  // the 8-bit Hanja pair reads as U+02A1
        {"\xEF\xBB\xBF#CLASS\n", PlanEncoding::Utf8},
        {"\xEF\xBB\xBF\xB0\xA1", PlanEncoding::Utf8},  // marked: found invalid later
        {"\xFF\xFE#\0"s, PlanEncoding::Utf16LittleEndian},
        {"\xFE\xFF\0#"s, PlanEncoding::Utf16BigEndian},
        // Not UTF-8 throughout: 8-bit.
        {"\xEA\xB0\x80 \xC0\x80", PlanEncoding::EightBit},          // longer form than needed
        {"\xEA\xB0\x80 \xE0\x80\x80", PlanEncoding::EightBit},      // longer form than needed
        {"\xEA\xB0\x80 \xED\xA0\x80", PlanEncoding::EightBit},      // a surrogate
        {"\xEA\xB0\x80 \xF4\x90\x80\x80", PlanEncoding::EightBit},  // above U+10FFFF
        {"\xEA\xB0\x80 \xF5\x80\x80\x80", PlanEncoding::EightBit},
        {"\xEA\xB0\x80 \x80", PlanEncoding::EightBit},      // stray continuation
        {"\xEA\xB0\x80 \xEA\xB0", PlanEncoding::EightBit},  // cut at the end
        {"\xEA\xB0\x80 \xEA\xB0 ", PlanEncoding::EightBit},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(encodingOf(row.bytes), row.encoding) << ::testing::PrintToString(row.bytes);
    }
}

// Line ends, 0x1A and the like pass as they are: the reader's text mode deals
// with them after decoding.
TEST(DecodeUnicodePlan, EveryEncodingGivesTheSameEightBitText) {
    const std::string expected = "#NODES\r\nn1 \xB0\xA1 U+B620&#128512;\x1A\n";
    const std::string utf8 = "#NODES\r\nn1 \xEA\xB0\x80 \xEB\x98\xA0\xF0\x9F\x98\x80\x1A\n";
    const std::u16string_view text = u"#NODES\r\nn1 \uAC00 \uB620\U0001F600\x1A\n";
    const std::string inputs[] = {utf8, "\xEF\xBB\xBF" + utf8, utf16(text, false),
                                  utf16(text, true)};
    for (const std::string& input : inputs) {
        std::string decoded;
        PlanEncoding encoding = encodingOf(input);
        ASSERT_NE(encoding, PlanEncoding::EightBit);
        EXPECT_TRUE(decodeUnicodePlan(bytesOf(input), encoding, decoded));
        EXPECT_EQ(decoded, expected) << ::testing::PrintToString(input);
    }
}

TEST(DecodeUnicodePlan, MalformedTextIsRefused) {
    const std::string mark = "\xEF\xBB\xBF";
    const std::string malformed[] = {
        mark + "\xB0\xA1",           // 8-bit text after a UTF-8 mark
        mark + "a\xC0\x80",          // longer form than needed
        mark + "a\xED\xBF\xBF",      // a surrogate
        mark + "a\xF4\x90\x80\x80",  // above U+10FFFF
        mark + "a\xE4\xB8",          // cut at the end
        utf16(u"ab", false) + "c",   // odd length
        utf16(u"ab", true) + "c",
        utf16(u"a\xD83D", false),       // high surrogate at the end
        utf16(u"a\xD83D-b", true),      // high surrogate without its low one
        utf16(u"a\xDE00-b", false),     // low surrogate alone
        utf16(u"a\xDE00\xD83D", true),  // the pair the wrong way round
        "\xFF\xFE\0"s,                  // odd length, just the mark before
    };
    for (const std::string& input : malformed) {
        std::string decoded;
        EXPECT_FALSE(decodeUnicodePlan(bytesOf(input), encodingOf(input), decoded))
            << ::testing::PrintToString(input);
    }
}

TEST(DecodeUnicodePlan, EightBitTextStaysAsItIs) {
    const std::string input = "n1 \xB0\xA1\r\n";
    std::string decoded;
    EXPECT_TRUE(decodeUnicodePlan(bytesOf(input), PlanEncoding::EightBit, decoded));
    EXPECT_EQ(decoded, input);
}

// The reader sees the 8-bit form: the mark no longer hides the first header, CR LF
// is one line end, widths count 8-bit bytes and warnings count decoded lines.
TEST(DecodeUnicodePlan, TheReaderReadsTheEightBitForm) {
    const std::string plan =
        "\xEF\xBB\xBF#CLASS\r\n"
        "\xEC\x82\xAC\xEB\x9E\x8C blue dot\r\n"  // 사람
        "#NODES\r\n"
        "n1 \xEC\x82\xAC\xEB\x9E\x8C \xEB\x98\xA0\xEB\x98\xA0\xEB\x98\xA0\xEB\x98\xA0"
        "\xEB\x98\xA0\xEB\x98\xA0\xEA\xB0\x80\xEA\xB0\x80\r\n";  // 똠 x 6, 가 x 2
    std::string decoded;
    ASSERT_TRUE(decodeUnicodePlan(bytesOf(plan), encodingOf(plan), decoded));
    TextReader reader;
    openTextReader(reader, bytesOf(decoded));
    auto owner = std::make_unique<OntologyPlan>();
    OntologyPlan& read = *owner;
    clearPlan(read);
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(readPlan(reader, read));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Warning: line 4: label longer than 39 bytes, cut\n");
    ASSERT_EQ(sectionCount(read, PlanSection::Class), 1);
    EXPECT_EQ(fieldText(read.classes[0].name), "\xBB\xE7\xB6\xF7");
    ASSERT_EQ(sectionCount(read, PlanSection::Nodes), 1);
    EXPECT_EQ(fieldText(read.nodes[0].className), "\xBB\xE7\xB6\xF7");
    // Six escapes and one pair fill 38 bytes; the second pair would pass 39.
    EXPECT_EQ(fieldText(read.nodes[0].label), "U+B620U+B620U+B620U+B620U+B620U+B620\xB0\xA1");
}

TEST(WholeFile, BytesComeAsTheyStand) {
    testing::TempDir dir;
    const std::string bytes =
        "a\r\nb\x1A"
        "c\0d"s +
        std::string(200000, 'x');
    testing::writeFile(dir.file("plan.lst"), bytes);
    TextReader file;
    ASSERT_TRUE(openTextReader(file, dir.file("plan.lst").c_str()));
    std::vector<unsigned char> read;
    EXPECT_TRUE(readWholeFile(file, read));
    closeTextReader(file);
    EXPECT_EQ(std::string(read.begin(), read.end()), bytes);
}

}  // namespace
}  // namespace tarnwick
