// The table-driven UTF-8 scan against the reference scan: both must write the
// same bytes for any input, wherever its characters fall in the scan's blocks
// and the reading pieces.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ksx/convert.hpp"
#include "ksx/convert_reference.hpp"
#include "ksx/tables/lookup.hpp"
#include "test_files.hpp"

namespace tarnwick {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

struct BothScans {
    std::string tableDriven;
    std::string reference;
};

BothScans convertBothWays(const TempDir& dir, std::string_view source) {
    writeFile(dir.file("in.txt"), source);
    ::testing::internal::CaptureStdout();
    int fast = convertKsxFileAs(dir.file("in.txt").c_str(), dir.file("fast.htm").c_str(),
                                TargetFormat::Utf8, SourceRange::TwoByteCharacters);
    int slow = convertKsxFileByReference(dir.file("in.txt").c_str(), dir.file("slow.htm").c_str(),
                                         TargetFormat::Utf8, SourceRange::TwoByteCharacters);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(fast, 0);
    EXPECT_EQ(slow, 0);
    return {readFile(dir.file("fast.htm")), readFile(dir.file("slow.htm"))};
}

// The first offset at which two outputs differ, to keep a failure readable.
std::string firstDifference(const BothScans& both) {
    std::size_t i = 0;
    while (i < both.tableDriven.size() && i < both.reference.size() &&
           both.tableDriven[i] == both.reference[i]) {
        ++i;
    }
    return "sizes " + std::to_string(both.tableDriven.size()) + " and " +
           std::to_string(both.reference.size()) + ", first difference at " + std::to_string(i);
}

void expectSameBytes(const TempDir& dir, std::string_view source) {
    BothScans both = convertBothWays(dir, source);
    ASSERT_TRUE(both.tableDriven == both.reference) << firstDifference(both);
}

std::string pairText(unsigned lead, unsigned trail) {
    Utf8Text text{};
    auto l = static_cast<unsigned char>(lead);
    auto t = static_cast<unsigned char>(trail);
    bool symbolHangul = lead >= 0xA1 && lead <= 0xC8 && trail >= 0xA1;
    std::size_t length = symbolHangul ? lookupSymbolHangul(l, t, text) : lookupHanja(l, t, text);
    return std::string(text.data(), length);
}

// Every lead and trail byte, each pair between two ASCII letters on a line of its
// own; shifted by 0 to 16 bytes so that every pair meets every position of a
// block, the last included (its trail byte then lies past the block).
TEST(FastPath, EveryPairAtEveryBlockPosition) {
    TempDir dir;
    std::string records;
    for (unsigned lead = 0; lead < 256; ++lead) {
        for (unsigned trail = 0; trail < 256; ++trail) {
            records += 'x';
            records += static_cast<char>(lead);
            records += static_cast<char>(trail);
            records += "y\n";
        }
    }
    for (std::size_t shift = 0; shift <= 16; ++shift) {
        SCOPED_TRACE("shift " + std::to_string(shift));
        expectSameBytes(dir, std::string(shift, 'a') + records);
    }
}

// The main block, pair after pair without a break, so that the block scan takes
// them; each pair's text must be the lookup's.
TEST(FastPath, MainBlockRunsGiveTheLookupsText) {
    TempDir dir;
    std::string source;
    std::string expected = "\xEF\xBB\xBF";
    for (unsigned lead = 0xA1; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            source += static_cast<char>(lead);
            source += static_cast<char>(trail);
            expected += pairText(lead, trail);
        }
        source += '\n';
        expected += "\r\n";
    }
    BothScans both = convertBothWays(dir, source);
    EXPECT_TRUE(both.tableDriven == expected) << firstDifference({both.tableDriven, expected});
    EXPECT_TRUE(both.reference == expected);
}

struct Random {
    std::uint64_t state;
};

std::uint64_t nextRandom(Random& random) {
    random.state = random.state * 6364136223846793005ull + 1442695040888963407ull;
    return random.state >> 33;
}

std::size_t below(Random& random, std::size_t bound) {
    return static_cast<std::size_t>(nextRandom(random) % bound);
}

// A random text of everything the scan treats apart, in runs long enough to
// fill blocks and to cross the reading pieces.
std::string randomText(Random& random, std::size_t size) {
    static const std::vector<std::string> rare = {
        "U+AC00",   "U+ac0A",   "U+000A",  "U+12G4", "U+",   "&#44032;", "&#65",
        "&#10;",    "&#;",      "&#-1",    "&#",     "&",    "U",        std::string(1, '\0'),
        "\r\n",     "\r",       "\t",      "\x1B",   "\xA1", "\xB0\n",   "\xFF\xA1",
        "\xC9\xA1", "\xA1\x41", "\x99\x61"};
    std::string text;
    while (text.size() < size) {
        std::size_t kind = below(random, 100);
        if (kind < 55) {  // a run of main-block pairs
            for (std::size_t n = 1 + below(random, 12); n > 0; --n) {
                text += static_cast<char>(0xA1 + below(random, 94));
                text += static_cast<char>(0xA1 + below(random, 94));
            }
        } else if (kind < 80) {  // a run of ASCII
            for (std::size_t n = 1 + below(random, 20); n > 0; --n) {
                text += static_cast<char>(0x20 + below(random, 0x5F));
            }
        } else if (kind < 88) {
            text += '\n';
        } else if (kind < 93) {  // any pair, but 0x1A would end the input
            text += static_cast<char>(0x80 + below(random, 0x80));
            auto trail = static_cast<char>(below(random, 256));
            text += trail == '\x1A' ? '\x1B' : trail;
        } else {
            text += rare[below(random, rare.size())];
        }
    }
    return text;
}

TEST(FastPath, RandomTextsGiveTheSameBytes) {
    TempDir dir;
    Random random{2024};
    // Small texts end in every way; large ones cross the 64 KiB reading pieces.
    for (std::size_t size : {1, 2, 3, 15, 16, 17, 33, 100, 1000, 70000, 140000, 300000}) {
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE("size " + std::to_string(size) + " round " + std::to_string(round));
            expectSameBytes(dir, randomText(random, size));
        }
    }
}

// Anything cut by the end of a reading piece: every item at each offset around
// the first boundary, after Korean text so that the block scan runs up to it.
TEST(FastPath, PieceBoundariesGiveTheSameBytes) {
    TempDir dir;
    const std::vector<std::string> items = {"\xB0\xA1\xB0\xA1\xB0\xA1",
                                            "U+AC00",
                                            "&#44032;",
                                            "&#" + std::string(20, '9'),
                                            std::string("\0skip\n", 6),
                                            "\r\n",
                                            "\xCA",
                                            "\xA1\x21",
                                            "\x99"};
    std::string korean;
    while (korean.size() < 65500) {
        korean += "\xC7\xD1\xB1\xDB \xB9\xAE\xC0\xDA ";  // ten bytes: 65500 cuts no pair
    }
    for (const std::string& item : items) {
        for (std::size_t before = 65520; before <= 65538; ++before) {
            SCOPED_TRACE("before " + std::to_string(before));
            expectSameBytes(
                dir, std::string(before - 65500, 'a') + korean.substr(0, 65500) + item + "tail");
        }
    }
}

// The reader's CR LF is one line end wherever it falls in its buffer: a text
// with CR LF converts as the same text with LF.
TEST(FastPath, CrLfConvertsAsLf) {
    TempDir dir;
    Random random{7};
    std::string withLf = randomText(random, 200000);
    std::string withCrLf;
    for (char c : withLf) {
        if (c == '\r') {
            c = ' ';  // no CR of its own, so that every CR is a line end's
        }
        if (c == '\n') {
            withCrLf += '\r';
        }
        withCrLf += c;
    }
    std::string plain;
    for (char c : withLf) {
        plain += c == '\r' ? ' ' : c;
    }
    EXPECT_TRUE(convertBothWays(dir, withCrLf).tableDriven ==
                convertBothWays(dir, plain).tableDriven);
}

}  // namespace
}  // namespace tarnwick
