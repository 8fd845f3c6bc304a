#include "plan/reader.hpp"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "app/textstream.hpp"
#include "plan/plan.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#endif

namespace tarnwick {
namespace {

using namespace std::string_literals;

class ReaderTest : public testing::Test {
protected:
    void SetUp() override { clearPlan(plan); }

    // Reads the plan text; returns what was printed.
    std::string read(std::string_view text) {
        TextReader reader;
        openTextReader(reader,
                       std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
        testing::internal::CaptureStdout();
        readOk = readPlan(reader, plan);
        return testing::internal::GetCapturedStdout();
    }

    int count(PlanSection section) const { return sectionCount(plan, section); }

    std::array<int, 5> counts() const { return plan.count; }

    std::unique_ptr<OntologyPlan> owner = std::make_unique<OntologyPlan>();
    OntologyPlan& plan = *owner;
    bool readOk = false;
};

std::string repeat(char c, std::size_t n) {
    return std::string(n, c);
}

// --- Sections -------------------------------------------------------------

struct HeaderCase {
    std::string line;
    std::array<int, 5> counts;  // Project, Class, Relation, Nodes, Links
};

// Each header line follows an open #LINKS section and is followed by one record
// line, so where that record lands tells which section the line opened.
TEST_F(ReaderTest, HeaderRecognition) {
    const HeaderCase cases[] = {
        {"#PROJECT", {1, 0, 0, 0, 0}}, {"#proj", {1, 0, 0, 0, 0}},
        {"#Class", {0, 1, 0, 0, 0}},   {"#RELATIONS", {0, 0, 1, 0, 0}},
        {"#nodes", {0, 0, 0, 1, 0}},   {"#Nodes list", {0, 0, 0, 1, 0}},
        {"#NODE", {0, 0, 0, 1, 0}},    {"#lInKs", {0, 0, 0, 0, 1}},
        {"#ENTRY", {0, 0, 0, 0, 0}},   {"#end", {0, 0, 0, 0, 0}},
        {"#EN", {0, 0, 0, 0, 1}},       // a short line: ignored, #LINKS stays open
        {"#comment", {0, 0, 0, 0, 2}},  // unrecognised: a record line
        {"#NOD", {0, 0, 0, 0, 2}},     {"  #NODES", {0, 0, 0, 0, 2}},
        {"x#NODES", {0, 0, 0, 0, 2}},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.line);
        clearPlan(plan);
        read("#LINKS\n" + c.line + "\nfrom to rel\n");
        EXPECT_EQ(counts(), c.counts);
    }
}

TEST_F(ReaderTest, UnrecognisedHeaderLosesItsLineEnd) {
    read("#NODES\n#comment here\n#PROJECT\n#note Some words\n");
    ASSERT_EQ(count(PlanSection::Nodes), 1);
    EXPECT_EQ(fieldText(plan.nodes[0].id), "#comment");
    EXPECT_EQ(fieldText(plan.nodes[0].className), "here");
    ASSERT_EQ(count(PlanSection::Project), 1);
    EXPECT_EQ(fieldText(plan.headings[0].tag), "#note");
    EXPECT_EQ(fieldText(plan.headings[0].text), "Some words");
}

struct SectionCase {
    const char* name;
    std::string text;
    int nodes;
    std::string_view firstId;
};

TEST_F(ReaderTest, RepeatedAndMissingSections) {
    const SectionCase cases[] = {
        {"no header at all", "a1 c\na2 c\n", 0, ""},
        {"reopened after another section", "#NODES\na1 c\na2 c\na3 c\n#LINKS\n#NODES\nb1 c\nb2 c\n",
         2, "b1"},
        {"reopened with nothing after it", "#NODES\na1 c\na2 c\na3 c\n#NODES\n", 3, "a1"},
        {"reopened, then another header", "#NODES\na1 c\na2 c\na3 c\n#NODES\n#LINKS\n", 0, "a1"},
        {"#END does not stop reading", "#NODES\na1 c\n#END\na2 c\n#NODES\nb1 c\nb2 c\n", 2, "b1"},
        {"last line #END without line end", "#NODES\na1 c\na2 c\n#END", 2, "a1"},
    };
    for (const SectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        clearPlan(plan);
        read(c.text);
        EXPECT_EQ(count(PlanSection::Nodes), c.nodes);
        EXPECT_EQ(fieldText(plan.nodes[0].id), c.firstId);
    }
}

TEST_F(ReaderTest, ShortLines) {
    struct Case {
        std::string line;
        bool stored;
    };
    const Case cases[] = {
        {"p12\n", false},
        {"p123\n", true},
        {"p123", false},      // last line without its line end
        {"a\tb\r\n", false},  // CR LF is one line end
        {"a\tbc\r\n", true},
        {"    \n", true},              // no field at all, still a row
        {"abcd\0efgh ijk\n"s, false},  // only the bytes before a NUL count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.line));
        clearPlan(plan);
        read("#CLASS\n" + c.line);
        EXPECT_EQ(count(PlanSection::Class), c.stored ? 1 : 0);
    }
}

TEST_F(ReaderTest, CapacitiesIgnoreFurtherRowsSilently) {
    struct Case {
        const char* header;
        PlanSection section;
        int capacity;
    };
    const Case cases[] = {
        {"#PROJECT\n", PlanSection::Project, 10},    {"#CLASS\n", PlanSection::Class, 100},
        {"#RELATION\n", PlanSection::Relation, 100}, {"#NODES\n", PlanSection::Nodes, 1000},
        {"#LINKS\n", PlanSection::Links, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        clearPlan(plan);
        std::string text = c.header;
        for (int row = 0; row < c.capacity; ++row) {
            text += 'r';
            text += std::to_string(row);
            text += " b c\n";
        }
        // One more row, with fields too long for any table: neither stored nor reported.
        text += repeat('x', 300) + " " + repeat('y', 300) + " " + repeat('z', 300) + "\n";
        std::string printed = read(text);
        EXPECT_EQ(count(c.section), c.capacity);
        EXPECT_EQ(printed, "");
    }
}

TEST_F(ReaderTest, LongLineIsOneRecord) {
    std::string url = "http://x/" + repeat('u', 5000);
    std::string heading = "h1 " + repeat('t', 3000) + "\n";
    read("#NODES\np1 c label " + url + "\n#PROJECT\n" + heading);
    EXPECT_EQ(count(PlanSection::Nodes), 1);
    EXPECT_EQ(fieldText(plan.nodes[0].url), url.substr(0, 255));
    EXPECT_EQ(count(PlanSection::Project), 1);
    EXPECT_EQ(fieldText(plan.headings[0].text), repeat('t', 255));
}

TEST_F(ReaderTest, NulEndsTheLine) {
    read(
        "#NODES\0junk\n"
        "p1 person Ann\0 more fields http://x\n"
        "#PROJECT\n"
        "h1 Title\0rest\n"s);
    ASSERT_EQ(count(PlanSection::Nodes), 1);
    EXPECT_EQ(fieldText(plan.nodes[0].label), "Ann");
    EXPECT_EQ(fieldText(plan.nodes[0].title), "Ann");  // three fields
    EXPECT_EQ(fieldText(plan.nodes[0].url), "");
    ASSERT_EQ(count(PlanSection::Project), 1);
    EXPECT_EQ(fieldText(plan.headings[0].text), "Title");
}

// --- Rows -----------------------------------------------------------------

struct NodeCase {
    std::string line;
    std::string_view id;
    std::string_view className;
    std::string_view label;
    std::string_view title;
    std::string_view url;
    std::string_view image;
    int imageLabel;
};

constexpr std::string_view OldTitle = "<a href=\"http://old\" target=\"_blank\">oldlabel</a>";
constexpr std::string_view AnnAnchor = "<a href=\"http://a\" target=\"_blank\">Ann</a>";
constexpr std::string_view AnnPicture =
    "<a href=\"http://a\" target=\"_blank\"><img src=\"http://a/i.png\"/></a>";

// Every case overwrites a row that an earlier block of the section filled, so
// that "as it was" shows as the old values.
TEST_F(ReaderTest, NodeVariantsByNumberOfFields) {
    const std::string_view P = PlaceholderImage;
    const std::string five = "p1 person Ann http://a http://a/i.png";
    const NodeCase cases[] = {
        {"    \n", "old", "oldclass", "oldlabel", OldTitle, "", P, 0},
        {"p1xx\n", "p1xx", "dummy", "unnamed", OldTitle, "", P, 0},
        {"p1 person\n", "p1", "person", "unnamed", OldTitle, "", P, 0},
        {"p7 place Old_Town\n", "p7", "place", "Old_Town", "Old_Town", "", P, 0},
        {"p1 person Ann http://a\n", "p1", "person", "Ann", AnnAnchor, "http://a", P, 0},
        {five + "\n", "p1", "person", "Ann", AnnPicture, "http://a", "http://a/i.png", 0},
        {five + " 0\n", "p1", "person", "Ann", AnnPicture, "http://a", "http://a/i.png", 0},
        {five + " -0\n", "p1", "person", "Ann", AnnPicture, "http://a", "http://a/i.png", 0},
        {five + " 1\n", "p1", "person", "Ann", AnnAnchor, "http://a", "http://a/i.png", 1},
        {five + " +1\n", "p1", "person", "Ann", AnnAnchor, "http://a", "http://a/i.png", 1},
        {five + " 01x\n", "p1", "person", "Ann", AnnAnchor, "http://a", "http://a/i.png", 1},
        {five + " 1 extra\n", "p1", "person", "Ann", AnnAnchor, "http://a", "http://a/i.png", 1},
        {five + " 2\n", "p1", "person", "Ann", OldTitle, "http://a", "http://a/i.png", 0},
        {five + " -1\n", "p1", "person", "Ann", OldTitle, "http://a", "http://a/i.png", 0},
        {five + " 4294967297\n", "p1", "person", "Ann", OldTitle, "http://a", "http://a/i.png", 0},
        {five + " 99999999999999999999\n", "p1", "person", "Ann", OldTitle, "http://a",
         "http://a/i.png", 0},
        // Not a number: only five fields are read.
        {five + " x1\n", "p1", "person", "Ann", AnnPicture, "http://a", "http://a/i.png", 0},
        {five + " -\n", "p1", "person", "Ann", AnnPicture, "http://a", "http://a/i.png", 0},
    };
    for (const NodeCase& c : cases) {
        SCOPED_TRACE(c.line);
        clearPlan(plan);
        std::string printed = read("#NODES\nold oldclass oldlabel http://old\n#NODES\n" + c.line);
        EXPECT_EQ(printed, "");
        ASSERT_EQ(count(PlanSection::Nodes), 1);
        const NodeEntry& node = plan.nodes[0];
        EXPECT_EQ(fieldText(node.id), c.id);
        EXPECT_EQ(fieldText(node.className), c.className);
        EXPECT_EQ(fieldText(node.label), c.label);
        EXPECT_EQ(fieldText(node.title), c.title);
        EXPECT_EQ(fieldText(node.url), c.url);
        EXPECT_EQ(fieldText(node.image), c.image);
        EXPECT_EQ(node.imageLabel, c.imageLabel);
    }
}

TEST_F(ReaderTest, ThreeFieldRows) {
    read("#CLASS\nperson blue box extra\nplace\n#RELATION\nkin red\n#LINKS\np1 p2 kin\n");
    ASSERT_EQ(count(PlanSection::Class), 2);
    EXPECT_EQ(fieldText(plan.classes[0].name), "person");
    EXPECT_EQ(fieldText(plan.classes[0].borderColor), "blue");
    EXPECT_EQ(fieldText(plan.classes[0].style), "box");
    EXPECT_EQ(fieldText(plan.classes[1].name), "place");
    EXPECT_EQ(fieldText(plan.classes[1].borderColor), "");
    ASSERT_EQ(count(PlanSection::Relation), 1);
    EXPECT_EQ(fieldText(plan.relations[0].color), "red");
    EXPECT_EQ(fieldText(plan.relations[0].style), "");
    ASSERT_EQ(count(PlanSection::Links), 1);
    EXPECT_EQ(fieldText(plan.links[0].fromId), "p1");
    EXPECT_EQ(fieldText(plan.links[0].toId), "p2");
    EXPECT_EQ(fieldText(plan.links[0].relation), "kin");
}

TEST_F(ReaderTest, Headings) {
    struct Case {
        std::string line;
        std::string_view tag;
        std::string_view text;
    };
    const Case cases[] = {
        {"h1 Family Tree\n", "h1", "Family Tree\n"},
        {"h1 Family Tree", "h1", "Family Tree"},  // last line, no line end
        {"h1   \n", "h1", ""},
        // The text starts as many bytes into the line as the tag is long.
        {"  h1 Title\n", "h1", "h1 Title\n"},
        {"h1\t\x01\x1f Title\n", "h1", "Title\n"},
        {"h1 \xB0\xA1_x\n", "h1", "\xB0\xA1_x\n"},
        {"  \xB0\xA1 x\n", "\xB0\xA1", "\xB0\xA1 x\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        clearPlan(plan);
        EXPECT_EQ(read("#PROJECT\n" + c.line), "");
        ASSERT_EQ(count(PlanSection::Project), 1);
        EXPECT_EQ(fieldText(plan.headings[0].tag), c.tag);
        EXPECT_EQ(fieldText(plan.headings[0].text), c.text);
    }
}

TEST_F(ReaderTest, HeadingLineWithoutFieldsKeepsTagAndEmptiesText) {
    read("#PROJECT\nh2 Old text\n#PROJECT\n     \n");
    ASSERT_EQ(count(PlanSection::Project), 1);
    EXPECT_EQ(fieldText(plan.headings[0].tag), "h2");
    EXPECT_EQ(fieldText(plan.headings[0].text), "");
}

// --- Cuts and warnings -----------------------------------------------------

std::string cutWarning(int line, const char* field, int width) {
    return "Warning: line " + std::to_string(line) + ": " + field + " longer than " +
           std::to_string(width) + " bytes, cut\n";
}

std::string incompleteWarning(int line, const char* field) {
    return "Warning: line " + std::to_string(line) + ": " + field +
           " ends in an incomplete character\n";
}

// A node id (39 bytes at most) cut by whole units: a double-byte character or
// an escape that would straddle the cut is dropped whole.
TEST_F(ReaderTest, CutsKeepCharactersAndEscapesWhole) {
    const std::string a33 = repeat('a', 33);
    const std::string cut = cutWarning(2, "id", 39);
    const std::string incomplete = incompleteWarning(2, "id");
    struct Case {
        std::string id;
        std::string stored;
        std::string printed;
    };
    const Case cases[] = {
        {repeat('a', 39), repeat('a', 39), ""},
        {repeat('a', 40), repeat('a', 39), cut},
        {repeat('a', 37) + "\xB0\xA1", repeat('a', 37) + "\xB0\xA1", ""},
        {repeat('a', 38) + "\xB0\xA1", repeat('a', 38), cut},
        {a33 + "U+0041", a33 + "U+0041", ""},
        {repeat('a', 34) + "U+0041", repeat('a', 34), cut},
        {repeat('a', 34) + "&#65;x", repeat('a', 34) + "&#65;", cut},
        {repeat('a', 35) + "&#65;", repeat('a', 35), cut},
        {repeat('a', 30) + "&#1234567890123", repeat('a', 30), cut},
        // Not escapes: cut byte by byte.
        {repeat('a', 36) + "U+00xy", repeat('a', 36) + "U+0", cut},
        {repeat('a', 37) + "&#x41", repeat('a', 37) + "&#", cut},
        // The 'U' is the second byte of a character, so no escape starts there.
        {a33 + "\x81U+0041", a33 + "\x81U+004", cut},
        // A lead byte without its second byte.
        {"ab\xB0", "ab\xA2\xC3", incomplete},
        {"\xB0\xA1\xB0", "\xB0\xA1\xA2\xC3", incomplete},
        {"a\xB0\xA1", "a\xB0\xA1", ""},
        // Paired from the first byte: B0 B0 is a character, A1 is left alone.
        {"\xB0\xB0\xA1", "\xB0\xB0\xA2\xC3", incomplete},
        {repeat('a', 37) + "\xB0", repeat('a', 37) + "\xA2\xC3", incomplete},
        {repeat('a', 38) + "\xB0", repeat('a', 38), incomplete + cut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.id));
        clearPlan(plan);
        EXPECT_EQ(read("#NODES\n" + c.id + " c l\n"), c.printed);
        EXPECT_EQ(fieldText(plan.nodes[0].id), c.stored);
    }
}

TEST_F(ReaderTest, WarningsInFileOrderAndFieldOrderWithTitleLast) {
    std::string text =
        "#NODES\n"
        "x\n" +  // a short line still counts as a line
        repeat('i', 40) +
        " " + repeat('c', 40) + " " + repeat('l', 40) + " " + repeat('u', 300) + " " +
        repeat('p', 200) + " 1\n" + "#LINKS\n" + repeat('f', 41) + " to\xB0 " + repeat('r', 45) +
        "\n" + "#CLASS\n" + "person " + repeat('b', 16) + " st\xB0\n" + "#RELATION\n" + "kin " +
        repeat('c', 20) + " " + repeat('s', 20) + "\n" + "#PROJECT\n" + repeat('t', 20) +
        " Title\xB0\n";
    std::string expected =
        cutWarning(3, "id", 39) + cutWarning(3, "className", 39) + cutWarning(3, "label", 39) +
        cutWarning(3, "url", 255) + cutWarning(3, "image", 127) + cutWarning(3, "title", 255) +
        cutWarning(5, "fromId", 39) + incompleteWarning(5, "toId") + cutWarning(5, "relation", 39) +
        cutWarning(7, "borderColor", 15) + incompleteWarning(7, "style") +
        cutWarning(9, "color", 15) + cutWarning(9, "style", 15) + cutWarning(11, "tag", 15) +
        incompleteWarning(11, "text");
    EXPECT_EQ(read(text), expected);
    // The heading's text starts as far into the line as the tag was long as read.
    EXPECT_EQ(fieldText(plan.headings[0].tag), repeat('t', 15));
    EXPECT_EQ(fieldText(plan.headings[0].text), "Title\xA2\xC3\n");
    EXPECT_EQ(fieldText(plan.classes[0].style), "st\xA2\xC3");
}

TEST_F(ReaderTest, TitleIsComposedFromStoredValuesThenCut) {
    // The label's lone lead byte is replaced before the title is composed.
    read("#NODES\np1 c Ann\xB0 http://a\n");
    EXPECT_EQ(fieldText(plan.nodes[0].title),
              "<a href=\"http://a\" target=\"_blank\">Ann\xA2\xC3</a>");

    // URL and picture cut first (255, 127), then the title keeps the first 255
    // bytes, by whole characters: 9 bytes of anchor, 'u' and 122 characters.
    clearPlan(plan);
    std::string url = "u";
    for (int i = 0; i < 150; ++i) {
        url += "\xB0\xA1";
    }
    std::string printed = read("#NODES\np1 c l " + url + " " + repeat('p', 200) + "\n");
    EXPECT_EQ(printed, cutWarning(2, "url", 255) + cutWarning(2, "image", 127) +
                           cutWarning(2, "title", 255));
    EXPECT_EQ(fieldText(plan.nodes[0].url), url.substr(0, 255));
    EXPECT_EQ(fieldText(plan.nodes[0].image), repeat('p', 127));
    EXPECT_EQ(fieldText(plan.nodes[0].title), "<a href=\"" + url.substr(0, 245));
}

TEST_F(ReaderTest, HeadingTextCutLosesItsLineEndFirst) {
    struct Case {
        std::string text;
        std::string stored;
        std::string printed;
    };
    const std::string cut = cutWarning(2, "text", 255);
    const Case cases[] = {
        {repeat('t', 254) + "\n", repeat('t', 254) + "\n", ""},
        {repeat('t', 255) + "\n", repeat('t', 255), cut},
        {repeat('t', 256) + "\n", repeat('t', 255), cut},
        {repeat('t', 252) + "\xB0\n", repeat('t', 252) + "\xA2\xC3\n",
         incompleteWarning(2, "text")},
        {repeat('t', 253) + "\xB0\n", repeat('t', 253) + "\xA2\xC3",
         incompleteWarning(2, "text") + cut},
        {repeat('t', 254) + "\xB0\n", repeat('t', 254), incompleteWarning(2, "text") + cut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        clearPlan(plan);
        EXPECT_EQ(read("#PROJECT\nh1 " + c.text), c.printed);
        EXPECT_EQ(fieldText(plan.headings[0].text), c.stored);
    }
}

TEST_F(ReaderTest, TagReplacementDoesNotMoveTheText) {
    EXPECT_EQ(read("#PROJECT\nh\xB0 Title\n"), incompleteWarning(2, "tag"));
    EXPECT_EQ(fieldText(plan.headings[0].tag), "h\xA2\xC3");
    EXPECT_EQ(fieldText(plan.headings[0].text), "Title\n");
}

TEST_F(ReaderTest, ReturnsTrueAtTheEndOfInput) {
    read("#NODES\np1 c\n");
    EXPECT_TRUE(readOk);
}

#ifndef _WIN32
// A read that fails (here: reading a directory) is no end of the plan.
TEST_F(ReaderTest, ReadErrorIsReported) {
    TextReader reader;
    reader.fd = ::open(std::filesystem::temp_directory_path().c_str(), O_RDONLY);
    ASSERT_GE(reader.fd, 0);
    reader.buffer.resize(TextBufferSize);
    reader.data = reader.buffer.data();
    EXPECT_FALSE(readPlan(reader, plan));
    closeTextReader(reader);
}
#endif

}  // namespace
}  // namespace tarnwick
