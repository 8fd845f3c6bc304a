#include "ksx/convert.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "ksx/tables/lookup.hpp"
#include "test_files.hpp"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarnwick {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

const std::string Bom = "\xEF\xBB\xBF";
const std::string Mark = "\xE2\x96\xA3";

struct Converted {
    int result;
    std::string output;
    std::string printed;
};

Converted convert(std::string_view source, TargetFormat format = TargetFormat::Utf8,
                  SourceRange range = SourceRange::TwoByteCharacters) {
    TempDir dir;
    writeFile(dir.file("in.txt"), source);
    ::testing::internal::CaptureStdout();
    int result =
        convertKsxFileAs(dir.file("in.txt").c_str(), dir.file("out.htm").c_str(), format, range);
    std::string printed = ::testing::internal::GetCapturedStdout();
    return {result, readFile(dir.file("out.htm")), printed};
}

std::string utf8Of(unsigned char lead, unsigned char trail) {
    Utf8Text text{};
    std::size_t length = lookupHanja(lead, trail, text);
    return std::string(text.data(), length);
}

TEST(ConvertUtf8, EmptySourceGivesTheMarkAndTheSettingsLines) {
    Converted c = convert("");
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.output, Bom);
    EXPECT_EQ(c.printed, "Source Range : 2 Byte Characters\nTarget Format: KSX -> UTF8\n");
}

struct Case {
    const char* name;
    std::string source;
    std::string expected;  // after the byte-order mark
};

// Named by their label, so that the test list stays readable and the same on
// every run.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class ConvertUtf8Cases : public ::testing::TestWithParam<Case> {};

TEST_P(ConvertUtf8Cases, Output) {
    Converted c = convert(GetParam().source);
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.output, Bom + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Scan, ConvertUtf8Cases,
    ::testing::Values(
        Case{"AsciiLinesEndInCrLf", "one\ntwo\r\nthree", "one\r\ntwo\r\nthree"},
        Case{"LoneCrStays", "a\rb\n", "a\rb\r\n"},
        Case{"SubstituteByteEndsInput",
             "ab\x1A"
             "cd\n",
             "ab"},
        Case{"Hangul", "\xB0\xA1", "\xEA\xB0\x80"}, Case{"UnknownPair", "\xAD\xA1", Mark},
        Case{"HexEscapeEitherCase", "U+AC00 U+ac00", "\xEA\xB0\x80 \xEA\xB0\x80"},
        Case{"LowerCaseUIsText", "u+AC00", "u+AC00"},
        Case{"HexEscapeOfMiddleDot", "U+00B7", "\xC2\xB7"},
        Case{"DecimalEscapeWithAndWithoutSemicolon", "&#44032;&#44032", "\xEA\xB0\x80\xEA\xB0\x80"},
        Case{"DecimalEscapeThenText", "&#44032x", "\xEA\xB0\x80x"},
        Case{"DecimalEscapeOfLetter", "&#65;", "A"},
        Case{"ZeroByteEndsTheLine", std::string("ab\0cd\nef\n", 9), "abef\r\n"},
        // Not escapes: written as text, and nothing stale is ever written.
        Case{"AmpersandHashWithoutDigit", "&#x;&#;&#", "&#x;&#;&#"},
        Case{"SignAfterAmpersandHash", "&#-65;&#+65;", "&#-65;&#+65;"},
        Case{"HexEscapeWithNonDigit", "U+12G4 U+12", "U+12G4 U+12"},
        Case{"HexEscapeCutByLineEnd", "U+AC\n00", "U+AC\r\n00"},
        Case{"DecimalAboveSixteenBits", "&#128512;&#1114111;", "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
        Case{"DecimalAboveLastCharacter", "&#1114112;&#99999999999999999999x", Mark + Mark + "x"},
        Case{"LeadByteAtTheEnd", "a\xB0", "a" + Mark}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(ConvertUtf8, LeadByteBeforeLineFeedIsLookedUpAsAPair) {
    // The line feed is the trail byte: the two lines run together.
    Converted c = convert("\xB0\nX");
    EXPECT_EQ(c.output, Bom + utf8Of(0xB0, 0x0A) + "X");
}

// A character or escape cut by the reading pieces must come out as if the
// line had been scanned whole.
TEST(ConvertUtf8, PieceBoundariesNeverChangeTheOutput) {
    const std::vector<std::string> items = {
        "\xB0\xA1", "U+AC00", "&#44032;", "&#65", std::string("\0skip\n", 6), "\r\n", "\xCA"};
    const std::vector<std::string> expected = {
        "\xEA\xB0\x80", "\xEA\xB0\x80", "\xEA\xB0\x80", "A", "", "\r\n", Mark};
    for (std::size_t item = 0; item < items.size(); ++item) {
        for (std::size_t before = 65525; before <= 65537; ++before) {
            std::string source(before, 'a');
            source += items[item];
            std::string output = convert(source).output;
            // Compare the tails only, so that a failure prints something readable.
            std::size_t prefix = Bom.size() + before;
            ASSERT_EQ(output.substr(0, prefix), Bom + std::string(before, 'a'));
            ASSERT_EQ(output.substr(prefix), expected[item]) << "item " << item << " at " << before;
        }
    }
}

TEST(ConvertUtf8, LongDigitRunIsOneEscape) {
    std::string source = "&#" + std::string(200000, '7') + ";z";
    EXPECT_EQ(convert(source).output, Bom + Mark + "z");
}

TEST(ConvertUtf8, Utf8AlwaysConvertsTwoByteCharacters) {
    Converted c = convert("\xB0\xA1", TargetFormat::Utf8, SourceRange::None);
    EXPECT_EQ(c.output, Bom + "\xEA\xB0\x80");
    EXPECT_EQ(c.printed, "Source Range : 2 Byte Characters\nTarget Format: KSX -> UTF8\n");
}

struct FormatCase {
    const char* name;
    TargetFormat format;
    SourceRange range;
    std::string source;
    std::string expected;
    const char* labels;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ConvertFormats, Output) {
    const FormatCase& param = GetParam();
    Converted c = convert(param.source, param.format, param.range);
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.output, param.expected);
    EXPECT_EQ(c.printed, param.labels);
}

const char* const MarkupTwoByte =
    "Source Range : 2 Byte Characters\nTarget Format: KSX -> UniCode MarkUp: &#00000;\n";
const char* const MarkupAll =
    "Source Range : All Characters\nTarget Format: KSX -> UniCode MarkUp: &#00000;\n";
const char* const HexTwoByte =
    "Source Range : 2 Byte Characters\nTarget Format: KSX -> UCS2 Hexa Value MarkUp\n";
const char* const Ucs2All =
    "Source Range : All Characters\nTarget Format: KSX -> UCS2 Big-Ending\n";
const char* const Ucs2TwoByte =
    "Source Range : 2 Byte Characters\nTarget Format: KSX -> UCS2 Big-Ending\n";

INSTANTIATE_TEST_SUITE_P(
    Settings, ConvertFormats,
    ::testing::Values(
        FormatCase{"MarkupPairAndEscapes", TargetFormat::UnicodeMarkup,
                   SourceRange::TwoByteCharacters, "\xB0\xA1U+AC00&#65;\n",
                   "&#44032;&#44032;&#65;\r\n", MarkupTwoByte},
        FormatCase{"MarkupAllCharacters", TargetFormat::UnicodeMarkup, SourceRange::AllCharacters,
                   "A\n", "&#00065;\r\n", MarkupAll},
        FormatCase{"MarkupLeadAtEnd", TargetFormat::UnicodeMarkup, SourceRange::TwoByteCharacters,
                   "\xB0", "&#09635;", MarkupTwoByte},
        FormatCase{"HexMarkup", TargetFormat::Ucs2HexMarkup, SourceRange::TwoByteCharacters,
                   "\xB0\xA1&#44032;U+AC00&#128512;&#1114112;", "U+AC00U+AC00U+AC00U+1F600U+25A3",
                   HexTwoByte},
        FormatCase{"HexMarkupAllCharacters", TargetFormat::Ucs2HexMarkup,
                   SourceRange::AllCharacters, "A~\n", "U+0041U+007E\r\n",
                   "Source Range : All Characters\nTarget Format: KSX -> UCS2 Hexa Value MarkUp\n"},
        FormatCase{"Ucs2AllCharacters", TargetFormat::Ucs2, SourceRange::AllCharacters,
                   "A\n\xB0\xA1", std::string("\xFF\xFE\x41\x00\x0D\x00\x0A\x00\x00\xAC", 10),
                   Ucs2All},
        FormatCase{"Ucs2PrintableAsciiAsSingleBytes", TargetFormat::Ucs2,
                   SourceRange::TwoByteCharacters,
                   "A\xB0\xA1"
                   "B",
                   std::string("\xFF\xFE"
                               "A\x00\xAC"
                               "B",
                               6),
                   Ucs2TwoByte},
        FormatCase{"Ucs2NeverTranslatesInsideAUnit", TargetFormat::Ucs2,
                   SourceRange::TwoByteCharacters, "U+AC0A&#10;",
                   std::string("\xFF\xFE\x0A\xAC\x0D\x00\x0A\x00", 8), Ucs2TwoByte},
        FormatCase{"Ucs2AboveSixteenBitsAndLeadAtEnd", TargetFormat::Ucs2,
                   SourceRange::TwoByteCharacters, "&#128512;\xB0",
                   std::string("\xFF\xFE\xA3\x25\xA3\x25", 6), Ucs2TwoByte},
        FormatCase{"HanjaRangePassesSymbolsAndHangul", TargetFormat::UnicodeMarkup,
                   SourceRange::Hanja, "\xA1\xA1\xB0\xA1\xCA\xA1\xA1\x21",
                   "\xA1\xA1\xB0\xA1&#20285;&#20206;",
                   "Source Range : Hanja\nTarget Format: KSX -> UniCode MarkUp: &#00000;\n"},
        FormatCase{
            "ExtendedHanjaRangePassesHanja", TargetFormat::UnicodeMarkup,
            SourceRange::ExtendedHanja, "\xB0\xA1\xCA\xA1\xA1\x21", "\xB0\xA1\xCA\xA1&#20206;",
            "Source Range : Extended Hanja\nTarget Format: KSX -> UniCode MarkUp: &#00000;\n"},
        FormatCase{"NonePassesEveryCharacterButResolvesEscapes", TargetFormat::UnicodeMarkup,
                   SourceRange::None, "A\xB0\xA1\xCA\xA1\xA1\x21U+0041",
                   "A\xB0\xA1\xCA\xA1\xA1\x21&#00065;",
                   "Source Range : None\nTarget Format: KSX -> UniCode MarkUp: &#00000;\n"},
        FormatCase{"NoneStillMarksALeadAtTheEnd", TargetFormat::Ucs2HexMarkup, SourceRange::None,
                   "A\xCA", "AU+25A3",
                   "Source Range : None\nTarget Format: KSX -> UCS2 Hexa Value MarkUp\n"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Failures leave the target as it was and say what failed.

TEST(ConvertFailure, MissingSourceTouchesNoTarget) {
    TempDir dir;
    writeFile(dir.file("out.htm"), "old page");
    std::string source = dir.file("missing.txt");
    ::testing::internal::CaptureStdout();
    int result = convertKsxFile(source.c_str(), dir.file("out.htm").c_str());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "\nInput File " + source + " Not Found!\n");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(readFile(dir.file("out.htm")), "old page");
    EXPECT_EQ(testing::listDirectory(dir.path()), "out.htm");
}

TEST(ConvertFailure, TargetThatIsNotAFile) {
    TempDir dir;
    writeFile(dir.file("in.txt"), "text");
    std::filesystem::create_directory(dir.file("out.htm"));
    std::string target = dir.file("out.htm");
    ::testing::internal::CaptureStdout();
    int result = convertKsxFile(dir.file("in.txt").c_str(), target.c_str());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "\nOutput File " + target + " Creation Error!\n");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(testing::listDirectory(dir.path()), "in.txt out.htm");
}

TEST(ConvertFailure, TargetInAMissingDirectory) {
    TempDir dir;
    writeFile(dir.file("in.txt"), "text");
    std::string target = dir.file("no/out.htm");
    ::testing::internal::CaptureStdout();
    int result = convertKsxFile(dir.file("in.txt").c_str(), target.c_str());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "\nOutput File " + target + " Creation Error!\n");
    EXPECT_EQ(result, -1);
}

TEST(ConvertSuccess, ReplacesAnExistingTargetAndLeavesNothingElse) {
    TempDir dir;
    writeFile(dir.file("in.txt"), "new\n");
    writeFile(dir.file("out.htm"), "old page that is longer");
    ::testing::internal::CaptureStdout();
    int result = convertKsxFile(dir.file("in.txt").c_str(), dir.file("out.htm").c_str());
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(dir.file("out.htm")), Bom + "new\r\n");
    EXPECT_EQ(testing::listDirectory(dir.path()), "in.txt out.htm");
}

#ifndef _WIN32
bool runningAsRoot() {
    return ::geteuid() == 0;
}

TEST(ConvertFailure, ReadOnlyTargetIsLeftAlone) {
    if (runningAsRoot()) {
        GTEST_SKIP() << "root may write a read-only file";
    }
    TempDir dir;
    writeFile(dir.file("in.txt"), "text");
    writeFile(dir.file("out.htm"), "old page");
    ::chmod(dir.file("out.htm").c_str(), 0444);
    std::string target = dir.file("out.htm");
    ::testing::internal::CaptureStdout();
    int result = convertKsxFile(dir.file("in.txt").c_str(), target.c_str());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "\nOutput File " + target + " Creation Error!\n");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(readFile(target), "old page");
}

// A file-size limit makes every write past it fail, as a full disk would.
TEST(ConvertFailure, WriteErrorKeepsTheOldTarget) {
    TempDir dir;
    writeFile(dir.file("in.txt"), std::string(300000, 'x'));
    writeFile(dir.file("out.htm"), "old page");
    std::string target = dir.file("out.htm");
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100000;
    auto previous = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    ::testing::internal::CaptureStdout();
    int result = convertKsxFile(dir.file("in.txt").c_str(), target.c_str());
    std::string printed = ::testing::internal::GetCapturedStdout();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previous);
    EXPECT_EQ(printed,
              "Source Range : 2 Byte Characters\nTarget Format: KSX -> UTF8\n"
              "\nOutput File " +
                  target + " Write Error!\n");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(readFile(target), "old page");
    EXPECT_EQ(testing::listDirectory(dir.path()), "in.txt out.htm");
}
#endif

}  // namespace
}  // namespace tarnwick
