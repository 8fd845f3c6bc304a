#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "ksx/encoders.hpp"
#include "ksx/tables/lookup.hpp"
#include "ksx/tables/tables.hpp"

#if defined(__has_include)
#if __has_include(<iconv.h>) && !defined(_WIN32)
#include <iconv.h>
#define TARNWICK_TEST_ICONV 1
#endif
#endif

namespace tarnwick {
namespace {

constexpr std::string_view Mark = "\xE2\x96\xA3";

bool inSymbolHangulArea(unsigned lead, unsigned trail) {
    return lead >= 0xA1 && lead <= 0xC8 && trail >= 0xA1;
}

// The lookup the converter calls for a pair; lookupHanja also takes the pairs
// below 0x80 that the converter never sends, which must give the mark too.
std::size_t lookupPair(unsigned lead, unsigned trail, Utf8Text& text) {
    auto l = static_cast<unsigned char>(lead);
    auto t = static_cast<unsigned char>(trail);
    return inSymbolHangulArea(lead, trail) ? lookupSymbolHangul(l, t, text)
                                           : lookupHanja(l, t, text);
}

std::string lookupText(unsigned lead, unsigned trail) {
    Utf8Text text;
    text.fill('\x5A');
    lookupPair(lead, trail, text);
    return std::string(text.data());
}

std::string utf8Of(std::int32_t code) {
    Utf8Text text{};
    codeToUtf8(code, text);
    return std::string(text.data());
}

std::string hexBytes(std::string_view bytes) {
    std::string out;
    char byte[4];
    for (char c : bytes) {
        std::snprintf(byte, sizeof byte, "%02X ", static_cast<unsigned char>(c));
        out += byte;
    }
    return out;
}

struct PairCase {
    unsigned lead;
    unsigned trail;
    std::string_view expected;
};

TEST(LookupPairs, SymbolAndHangulArea) {
    const PairCase cases[] = {
        {0xB0, 0xA1, "\xEA\xB0\x80"},  // first syllable, U+AC00
        {0xC8, 0xFE, "\xED\x9E\x9D"},  // last syllable, U+D79D
        {0xB0, 0xFF, "\xEA\xB4\x8C"},  // runs on into B1 A1, U+AD0C
        {0xC8, 0xFF, Mark},            // past the end of HangulTable
        {0xA1, 0xA1, "\xE3\x80\x80"},  // U+3000
        {0xA1, 0xA4, "\xC2\xB7"},      // middle dot, two bytes
        {0xA1, 0xAD, "\x7E"},          // tilde, not U+223C
        {0xA4, 0xD4, "\xE3\x85\xA4"},  // U+3164 as code page 949 has it
        {0xA1, 0xE6, "\xE2\x86\x92"},  // U+2192
        {0xA1, 0xEA, "\xE2\x86\x94"},  // U+2194
        {0xA2, 0xA1, "\xE2\x86\x92"},  // read as A1 E6, not U+21D2
        {0xA2, 0xA2, "\xE2\x86\x94"},  // read as A1 EA, not U+21D4
        {0xA1, 0xFF, "\xE2\x86\x92"},  // entry 94, like A2 A1
        {0xA2, 0xA3, "\xE2\x88\x80"},  // the entry after them is read as it is
        {0xA2, 0xC3, "\xE2\x96\xA3"},  // U+25A3 itself, a character of the table
        {0xA2, 0xE6, "\x3F"},          // U+20AC in the standard
        {0xA2, 0xE7, "\x3F"},          // U+00AE in the standard
        {0xA5, 0xAB, "\x3F"},          // empty in the standard: a character, not the mark
        {0xAC, 0xFE, "\x3F"},          // last entry of SymbolTable
        {0xAC, 0xFF, Mark},            // past the end of SymbolTable
        {0xAD, 0xA1, Mark},            // rows 0xAD to 0xAF have no table
        {0xAF, 0xFE, Mark},
    };
    for (const PairCase& c : cases) {
        EXPECT_EQ(hexBytes(lookupText(c.lead, c.trail)), hexBytes(c.expected))
            << std::hex << c.lead << ' ' << c.trail;
    }
}

TEST(LookupPairs, HanjaAndExtendedHanjaArea) {
    const PairCase cases[] = {
        {0xC9, 0xA1, Mark},            // Hanja index 0
        {0xC9, 0xFE, Mark},            // Hanja index 0
        {0x89, 0xA1, Mark},            // Hanja index 0
        {0x81, 0x41, Mark},            // extended Hangul of code page 949: index 0
        {0x80, 0x21, Mark},            // index 0
        {0xCA, 0xA1, "\xE4\xBC\xBD"},  // first Hanja, U+4F3D
        {0xFD, 0xFE, "\xE8\xA9\xB0"},  // last Hanja, U+8A70
        {0xCA, 0xFF, "\xE5\x8C\xA3"},  // runs on into CB A1, U+5323
        {0xCB, 0xA1, "\xE5\x8C\xA3"}, {0xCB, 0xD0, Mark},  // U+F900 in the standard
        {0xFC, 0xA9, Mark},                                // last compatibility position
        {0xCD, 0xE7, "\xE6\xB1\xA9"},                      // U+6C69, not U+6C68
        {0xA1, 0x21, "\xE4\xBB\xAE"},                      // first entry of block 1, U+4EEE
        {0xFD, 0xFF, "\xE4\xBB\xAE"},                      // Hanja index 4,889 too
        {0xFE, 0xA1, "\xE4\xBB\xAE"},                      // Hanja index 4,889 too
        {0xA1, 0x22, "\xE5\x82\xA2"},                      // U+50A2
        {0xA1, 0x41, "\xE5\x99\xB6"},                      // U+5676, not a Hangul syllable
        {0xB7, 0x48, "\xE9\xBB\xA0"},                      // last entry of block 1, U+9EE0
        {0xB7, 0x49, Mark},                                // first entry of block 2: 0, no fallback
        {0xB7, 0x4B, "\xE6\xA4\xB5"},                      // U+6935
        {0xB8, 0x93, "\xE8\xB8\x81"},                      // 0 with fallback pair 7,947: U+8E01
        {0xC9, 0x22, "\xE7\xA6\xB6"},                      // Hanja index 10,010: U+79B6
        {0xCF, 0x28, "\xE6\x93\xB7"},                      // last entry of block 2, U+64F7
        {0xCF, 0x29, "\xE4\xBD\xA7"},                      // first entry of block 3, U+4F67
        {0xE8, 0x50, "\xE5\xB6\xB5"},                      // Hanja index 14,024: U+5DB5
        {0xE8, 0x51, "\xE5\xB6\xB5"},                      // Hanja index 14,025: U+5DB5
        {0xE9, 0x44, "\xE7\xA6\xB6"},                      // Hanja index 14,140: U+79B6
        {0xEF, 0x65, "\xE8\x82\xB8"},                      // last entry of block 3, U+80B8
        {0xEF, 0x66, Mark},                                // first entry of block 4: 0
        {0xF0, 0x33, "\xE8\xAB\x90"},                      // U+8AD0
        {0xFE, 0x24, "\xE9\x87\x9B"},                      // U+91DB
        {0xFE, 0x2D, Mark},                                // last entry of block 4: 0
        {0x99, 0x61, "\xE5\xB7\x99"},                      // index range 6, fallback 16,870: U+5DD9
        {0xFE, 0x6E, "\xE5\xB7\x99"},                      // past the tables, also 16,870
        {0x99, 0x21, Mark},                                // 16,806: no fallback
        {0xA0, 0x8F, "\xE5\xB3\x8D"},                      // 17,812: U+5CCD
        {0x91, 0x0F, "\xE5\xB3\x8D"},                      // 17,812 too
        {0x9B, 0x61, "\xE3\x95\x80"},                      // U+3540, an Extension A character
        {0x8C, 0x63, Mark},                                // 19,304, index range 7
        {0x90, 0xA0, Mark},                                // 19,877, the last number
        {0xA1, 0x0A, "\xE7\xBF\x95"},                      // Hanja index 4,866, like FD E8: U+7FD5
    };
    for (const PairCase& c : cases) {
        EXPECT_EQ(hexBytes(lookupText(c.lead, c.trail)), hexBytes(c.expected))
            << std::hex << c.lead << ' ' << c.trail;
    }
}

TEST(LookupHanjaIndex, NumbersThePairs) {
    struct IndexCase {
        unsigned lead;
        unsigned trail;
        int index;
    };
    const IndexCase cases[] = {
        {0xCA, 0xA1, 1},     {0xFD, 0xFE, 4888},  {0xCA, 0xFF, 95},    {0xCB, 0xA1, 95},
        {0xFD, 0xFF, 4889},  {0xFE, 0xA1, 4889},  {0xFF, 0xFF, 5077},  {0xA1, 0x21, 4889},
        {0xB7, 0x48, 7744},  {0xFE, 0x2D, 16805}, {0xFE, 0x2E, 16806}, {0xFE, 0xA0, 16920},
        {0xFF, 0x21, 16921}, {0xFF, 0xA0, 17048}, {0x99, 0x21, 16806}, {0x9A, 0x93, 17048},
        {0xA0, 0xA0, 17829}, {0x91, 0x21, 17830}, {0x89, 0x21, 18854}, {0x90, 0xA0, 19877},
        {0xA1, 0x0A, 4866},  {0xFD, 0xE8, 4866},  {0x91, 0x0F, 17812}, {0xA0, 0x8F, 17812},
        {0x8C, 0x63, 19304}, {0x89, 0x00, 18821}, {0xA1, 0x00, 4856},  {0x88, 0x21, 0},
        {0x89, 0xA1, 0},     {0xC9, 0xA1, 0},     {0xC9, 0xFF, 0},     {0x00, 0x00, 0},
    };
    for (const IndexCase& c : cases) {
        EXPECT_EQ(hanjaIndex(c.lead, c.trail), c.index) << std::hex << c.lead << ' ' << c.trail;
    }
}

// Index ranges of lookupHanja: first and last Hanja index.
struct IndexRange {
    int first;
    int last;
};
constexpr std::array<IndexRange, 7> IndexRanges = {{
    {1, 4888},
    {4889, 7744},
    {7745, 10784},
    {10785, 14941},
    {14942, 16805},
    {16806, 18853},
    {18854, 20901},
}};

std::int32_t tableEntry(int index) {
    if (index <= 4888) {
        return HanjaTable[static_cast<std::size_t>(index - 1)];
    }
    if (index <= 16805) {
        return ExtendedHanjaTable[static_cast<std::size_t>(index - 4889)];
    }
    return 0;
}

int fallbackPairsIn(const IndexRange& range) {
    int count = 0;
    for (const FallbackPair& pair : FallbackPairs) {
        count += pair.hanjaIndex >= range.first && pair.hanjaIndex <= range.last;
    }
    return count;
}

// Every pair, each through the lookup the converter would call, into a buffer
// full of garbage: one character of one to three bytes in shortest UTF-8, then
// a zero byte; the mark exactly where the tables have nothing.
TEST(LookupExhaustive, EveryPairGivesOneCharacterOrTheMark) {
    int malformed = 0;
    std::string firstMalformed;
    int symbolHangulMarks = 0;
    int markCharacters = 0;
    int indexZeroPairs = 0;
    int indexZeroWrong = 0;
    std::array<std::string, 19878> textOfIndex;
    int inconsistent = 0;

    for (unsigned lead = 0; lead < 256; ++lead) {
        for (unsigned trail = 0; trail < 256; ++trail) {
            Utf8Text text;
            text.fill(static_cast<char>(0x80 | (lead * 7 + trail)));
            std::size_t written = lookupPair(lead, trail, text);

            Utf8Text again;
            again.fill('\x01');
            bool wellFormed = written >= 1 && written <= 3 && text[written] == '\0' &&
                              std::strlen(text.data()) == written &&
                              codeToUtf8(utf8ToCode(text), again) == written &&
                              std::memcmp(again.data(), text.data(), written + 1) == 0;
            if (!wellFormed) {
                if (malformed++ == 0) {
                    firstMalformed = hexBytes(std::string_view(text.data(), 4));
                }
                continue;
            }
            std::string got(text.data(), written);
            bool isMark = got == Mark;

            if (inSymbolHangulArea(lead, trail)) {
                bool expectMark = (lead >= 0xAD && lead <= 0xAF) ||
                                  (trail == 0xFF && (lead == 0xAC || lead == 0xC8));
                if (expectMark) {
                    symbolHangulMarks += isMark;
                } else {
                    markCharacters += isMark;
                }
                continue;
            }
            int index = hanjaIndex(lead, trail);
            if (index == 0) {
                ++indexZeroPairs;
                indexZeroWrong += !isMark;
                continue;
            }
            ASSERT_LE(index, 19877);
            std::string& known = textOfIndex[static_cast<std::size_t>(index)];
            if (known.empty()) {
                known = got;
            } else {
                inconsistent += known != got;
            }
        }
    }
    EXPECT_EQ(malformed, 0) << "first: " << firstMalformed;
    // Rows 0xAD to 0xAF with trail bytes 0xA1 to 0xFF, AC FF and C8 FF; past
    // them, only the pair whose character is U+25A3 itself.
    EXPECT_EQ(symbolHangulMarks, 3 * 95 + 2);
    int markEntries = 0;
    for (Ucs2Pair pair : SymbolTable) {
        markEntries += ucs2PairToCode(pair) == ReplacementCode;
    }
    EXPECT_EQ(markCharacters, markEntries);
    // Leads below 0x89; leads 0x89 to 0xA0 and 0xC9 with trail bytes 0xA1 and up.
    EXPECT_EQ(indexZeroPairs, 0x89 * 256 + 24 * 95 + 95);
    EXPECT_EQ(indexZeroWrong, 0);
    EXPECT_EQ(inconsistent, 0) << "pairs with the same Hanja index differ";

    const std::array<int, 7> reachable = {4888, 2856, 3040, 4157, 1864, 2048, 1024};
    for (std::size_t r = 0; r < IndexRanges.size(); ++r) {
        const IndexRange& range = IndexRanges[r];
        int reached = 0;
        int marks = 0;
        int zeros = 0;
        int wrongCode = 0;
        for (int index = range.first; index <= range.last && index <= 19877; ++index) {
            const std::string& got = textOfIndex[static_cast<std::size_t>(index)];
            if (got.empty()) {
                continue;
            }
            ++reached;
            marks += got == Mark;
            std::int32_t entry = tableEntry(index);
            zeros += entry == 0;
            if (entry != 0 && got != utf8Of(entry)) {
                ++wrongCode;
            }
        }
        SCOPED_TRACE("index range " + std::to_string(r + 1));
        EXPECT_EQ(reached, reachable[r]);
        EXPECT_EQ(wrongCode, 0);
        EXPECT_EQ(marks, zeros - fallbackPairsIn(range));
    }
}

TEST(TableShape, HanjaTableZerosAndCodes) {
    int zeros = 0;
    for (std::int32_t code : HanjaTable) {
        if (code == 0) {
            ++zeros;
        } else {
            EXPECT_TRUE(code >= 0x4E00 && code <= 0x9F9C) << std::hex << code;
        }
    }
    EXPECT_EQ(zeros, 268);
    EXPECT_EQ(fallbackPairsIn(IndexRanges[0]), 0);
}

TEST(TableShape, HangulTableAscendsThroughTheSyllables) {
    EXPECT_EQ(ucs2PairToCode(HangulTable.front()), 0xAC00);
    EXPECT_EQ(ucs2PairToCode(HangulTable.back()), 0xD79D);
    for (std::size_t i = 1; i < HangulTable.size(); ++i) {
        ASSERT_LT(ucs2PairToCode(HangulTable[i - 1]), ucs2PairToCode(HangulTable[i])) << i;
    }
}

TEST(TableShape, SymbolTableQuestionMarksAndNarrowCharacters) {
    struct Run {
        unsigned lead;
        unsigned first;
        unsigned last;
    };
    const Run runs[] = {
        {0xA2, 0xE6, 0xFE}, {0xA5, 0xAB, 0xAF}, {0xA5, 0xBA, 0xC0}, {0xA5, 0xD9, 0xE0},
        {0xA5, 0xF9, 0xFE}, {0xA6, 0xE5, 0xFE}, {0xA7, 0xF0, 0xFE}, {0xA8, 0xA5, 0xA5},
        {0xA8, 0xA7, 0xA7}, {0xA8, 0xB0, 0xB0}, {0xAA, 0xF4, 0xFE}, {0xAB, 0xF7, 0xFE},
        {0xAC, 0xC2, 0xD0}, {0xAC, 0xF2, 0xFE},
    };
    std::set<std::size_t> listed;
    for (const Run& run : runs) {
        for (unsigned trail = run.first; trail <= run.last; ++trail) {
            listed.insert((run.lead - 0xA1) * 94 + (trail - 0xA1));
        }
    }
    ASSERT_EQ(listed.size(), 142u);
    int narrow = 0;
    for (std::size_t i = 0; i < SymbolTable.size(); ++i) {
        std::int32_t code = ucs2PairToCode(SymbolTable[i]);
        EXPECT_EQ(code == 0x3F, listed.count(i) == 1) << "entry " << i;
        narrow += code < 0x800;
    }
    EXPECT_EQ(narrow, 313);
}

TEST(TableShape, ExtendedHanjaAndFallbackPairs) {
    std::set<std::int32_t> hanja(HanjaTable.begin(), HanjaTable.end());
    for (std::size_t i = 0; i < ExtendedHanjaTable.size(); ++i) {
        std::int32_t code = ExtendedHanjaTable[i];
        if (i < 2856) {
            EXPECT_NE(code, 0) << "block 1 entry " << i;
        }
        if (code != 0) {
            EXPECT_TRUE(code >= 0x4E0C && code <= 0x9FA5) << "entry " << i;
            EXPECT_EQ(hanja.count(code), 0u) << "entry " << i << " is a HanjaTable code";
        }
    }
    for (std::size_t i = 0; i < FallbackPairs.size(); ++i) {
        const FallbackPair& pair = FallbackPairs[i];
        if (i > 0) {
            EXPECT_LT(FallbackPairs[i - 1].hanjaIndex, pair.hanjaIndex);
        }
        EXPECT_TRUE(pair.hanjaIndex >= 7745 && pair.hanjaIndex <= 18853) << pair.hanjaIndex;
        EXPECT_EQ(tableEntry(pair.hanjaIndex), 0) << pair.hanjaIndex;
        EXPECT_TRUE(pair.code >= 0x3540 && pair.code <= 0x9E81) << pair.hanjaIndex;
    }
    EXPECT_EQ(fallbackPairsIn({7745, 10784}), 41);
    EXPECT_EQ(fallbackPairsIn({10785, 14941}), 1);
    EXPECT_EQ(fallbackPairsIn({14942, 16805}), 32);
    EXPECT_EQ(fallbackPairsIn(IndexRanges[5]), 18);
}

#ifdef TARNWICK_TEST_ICONV
// The C library's EUC-KR decoder, an independent KS X 1001 mapping: the code
// of one pair, or -1 where it has none.
std::int32_t referenceCode(iconv_t decoder, unsigned lead, unsigned trail) {
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    unsigned char out[8] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = sizeof in;
    std::size_t outLeft = sizeof out;
    iconv(decoder, nullptr, nullptr, nullptr, nullptr);
    if (iconv(decoder, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        sizeof out - outLeft != 4) {
        return -1;
    }
    return static_cast<std::int32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
}
#endif

// SymbolTable, HangulTable and HanjaTable against the C library's mapping,
// with the system's own differences written out here.
TEST(TableReference, AgreesWithTheCLibraryMapping) {
#ifndef TARNWICK_TEST_ICONV
    GTEST_SKIP() << "no iconv";
#else
    iconv_t decoder = iconv_open("UTF-32LE", "EUC-KR");
    if (decoder == reinterpret_cast<iconv_t>(-1)) {
        GTEST_SKIP() << "no EUC-KR decoder";
    }
    int differ = 0;
    for (unsigned lead = 0xA1; lead <= 0xAC; ++lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            std::int32_t code = ucs2PairToCode(SymbolTable[(lead - 0xA1) * 94 + (trail - 0xA1)]);
            std::int32_t reference = referenceCode(decoder, lead, trail);
            if (lead == 0xA1 && trail == 0xAD) {
                EXPECT_EQ(reference, 0x223C);
                EXPECT_EQ(code, 0x7E);
            } else if (code != 0x3F) {  // the question marks are checked on their own
                differ += code != reference;
            }
        }
    }
    for (unsigned lead = 0xB0; lead <= 0xC8; ++lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            std::size_t i = (lead - 0xB0) * 94 + (trail - 0xA1);
            differ += ucs2PairToCode(HangulTable[i]) != referenceCode(decoder, lead, trail);
        }
    }
    int compatibility = 0;
    for (unsigned lead = 0xCA; lead <= 0xFD; ++lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            std::int32_t code = HanjaTable[(lead - 0xCA) * 94 + (trail - 0xA1)];
            std::int32_t reference = referenceCode(decoder, lead, trail);
            if (reference >= 0xF900 && reference <= 0xFA0B) {
                ++compatibility;
                differ += code != 0;
            } else if (lead == 0xCD && trail == 0xE7) {
                EXPECT_EQ(reference, 0x6C68);
                EXPECT_EQ(code, 0x6C69);
            } else {
                differ += code != reference;
            }
        }
    }
    iconv_close(decoder);
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(compatibility, 268);
#endif
}

}  // namespace
}  // namespace tarnwick
