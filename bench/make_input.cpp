// Writes the benchmark inputs, the same bytes on every run and every machine:
//
//   tarnwick_make_input korean SIZE PATH
//       Korean prose in CR LF lines: ASCII and the symbol, Hangul and Hanja pairs
//       that code page 949 assigns and that our tables give as it does. No
//       escapes and no extended-area pairs, so that iconv and uconv accept every
//       byte and their output equals ours after the byte-order mark.
//   tarnwick_make_input mixed SIZE PATH
//       The same prose with everything else the scan knows mixed in: extended
//       Hanja pairs, pairs no table knows, escapes (well-formed and not), zero
//       bytes, tabs, lone CRs and LF line ends. Only our converter reads it.
//   tarnwick_make_input plan PATH
//       A plan at every table's capacity with Korean labels, every reference
//       valid and naming rows near the end of its table, so every scan is long.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "ksx/tables/tables.hpp"
#include "plan/plan.hpp"

namespace tarnwick::bench {

namespace {

// splitmix64: fixed seed, fixed arithmetic, so the bytes never depend on the
// standard library's distributions.
struct Random {
    std::uint64_t state;
};

std::uint64_t nextRandom(Random& random) {
    std::uint64_t z = (random.state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// 0 to bound - 1.
std::size_t below(Random& random, std::size_t bound) {
    return static_cast<std::size_t>(nextRandom(random) % bound);
}

bool chance(Random& random, unsigned percent) {
    return below(random, 100) < percent;
}

struct Pair {
    unsigned char lead;
    unsigned char trail;
};

// The pairs of the comparison file. Left out are the positions where our tables
// knowingly differ from code page 949: the question marks of SymbolTable, A1 AD,
// A2 A1 and A2 A2 (read as A1 E6 and A1 EA), the compatibility ideographs that
// HanjaTable leaves at 0, and CD E7.
struct PairPools {
    std::vector<Pair> symbols;
    std::vector<Pair> hangul;
    std::vector<Pair> hanja;
};

bool knowinglyDifferent(unsigned lead, unsigned trail) {
    return (lead == 0xA1 && trail == 0xAD) || (lead == 0xA2 && (trail == 0xA1 || trail == 0xA2)) ||
           (lead == 0xCD && trail == 0xE7);
}

PairPools makePools() {
    PairPools pools;
    for (unsigned lead = 0xA1; lead <= 0xAC; ++lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            const Ucs2Pair& entry = SymbolTable[(lead - 0xA1) * 94 + (trail - 0xA1)];
            if ((entry.high == 0 && entry.low == '?') || knowinglyDifferent(lead, trail)) {
                continue;
            }
            pools.symbols.push_back(
                {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)});
        }
    }
    for (unsigned lead = 0xB0; lead <= 0xC8; ++lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            pools.hangul.push_back(
                {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)});
        }
    }
    for (unsigned lead = 0xCA; lead <= 0xFD; ++lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            if (HanjaTable[(lead - 0xCA) * 94 + (trail - 0xA1)] == 0 ||
                knowinglyDifferent(lead, trail)) {
                continue;
            }
            pools.hanja.push_back(
                {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)});
        }
    }
    return pools;
}

void putPair(std::string& out, Pair pair) {
    out += static_cast<char>(pair.lead);
    out += static_cast<char>(pair.trail);
}

void putPick(std::string& out, Random& random, const std::vector<Pair>& pool) {
    putPair(out, pool[below(random, pool.size())]);
}

constexpr std::string_view Letters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::string_view Punctuation = ".,.,?!:;()'\"-/";
constexpr std::string_view HexDigits = "0123456789ABCDEFabcdef";
constexpr std::array<std::string_view, 5> NotHexEscapes = {"U+12G4", "U+", "U", "u+AC00",
                                                           "UU+0041"};
constexpr std::array<std::string_view, 8> OddDecimalEscapes = {
    "&#1114112;", "&#128512;", "&#99999999999", "&#x41;", "&#;", "&#-5", "&", "&#"};

// One word of prose: mostly Hangul, now and then with Hanja, a symbol or Latin.
void putWord(std::string& out, Random& random, const PairPools& pools) {
    std::size_t kind = below(random, 100);
    if (kind < 86) {
        std::size_t length = 1 + below(random, 5);
        for (std::size_t i = 0; i < length; ++i) {
            putPick(out, random, chance(random, 6) ? pools.hanja : pools.hangul);
        }
    } else if (kind < 92) {
        std::size_t length = 2 + below(random, 3);
        for (std::size_t i = 0; i < length; ++i) {
            putPick(out, random, pools.hanja);
        }
    } else if (kind < 95) {
        putPick(out, random, pools.symbols);
    } else {
        std::size_t length = 1 + below(random, 8);
        for (std::size_t i = 0; i < length; ++i) {
            out += Letters[below(random, Letters.size())];
        }
    }
    if (chance(random, 12)) {
        out += Punctuation[below(random, Punctuation.size())];
    }
}

// Something only our converter reads; each kind the scan treats apart.
void putOddity(std::string& out, Random& random) {
    switch (below(random, 12)) {
        case 0:  // extended Hanja area: trail bytes 0x21 to 0xA0
        case 1:
            out += static_cast<char>(0x81 + below(random, 0x7E));
            out += static_cast<char>(0x21 + below(random, 0x80));
            break;
        case 2:  // lead 0x80, row 0xC9, trail 0xFF, trail below 0x21 (not LF)
            out += static_cast<char>("\x80\xC9\xB0\xCA"[below(random, 4)]);
            out += static_cast<char>("\xFF\xA1\x01\x20\x09"[below(random, 5)]);
            break;
        case 3: {  // hexadecimal escape, either case
            out += "U+";
            for (int i = 0; i < 4; ++i) {
                out += HexDigits[below(random, HexDigits.size())];
            }
            break;
        }
        case 4:  // a "U" that starts no escape
            out += NotHexEscapes[below(random, NotHexEscapes.size())];
            break;
        case 5:  // decimal escape
            out += "&#";
            out += std::to_string(below(random, 70000));
            if (chance(random, 70)) {
                out += ';';
            }
            break;
        case 6:  // decimal escapes out of range, and "&#" that starts none
            out += OddDecimalEscapes[below(random, OddDecimalEscapes.size())];
            break;
        case 7:  // a zero byte: the rest of the line is dropped
            out += '\0';
            out += "dropped";
            break;
        case 8:
            out += '\t';
            break;
        case 9:
            out += '\r';  // a lone CR stays
            break;
        case 10:  // control bytes other than LF, CR and 0x1A (which ends the input)
            out += static_cast<char>("\x01\x07\x0B\x0C\x1B\x1F"[below(random, 6)]);
            break;
        default:
            out += "U+AC00&#44032;";
            break;
    }
}

bool writeAll(const char* path, const std::string& bytes) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::perror(path);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

// Lines of prose up to exactly `size` bytes; the last line is padded with dots.
bool writeProse(const char* path, std::size_t size, bool mixed) {
    Random random{mixed ? 0x6D69786564ull : 0x6B6F7265616Eull};
    PairPools pools = makePools();
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::perror(path);
        return false;
    }
    std::string chunk;
    std::string line;
    std::size_t written = 0;
    bool ok = true;
    while (ok) {
        line.clear();
        std::size_t target = 40 + below(random, 140);
        while (line.size() < target) {
            if (mixed && chance(random, 8)) {
                putOddity(line, random);
            } else {
                putWord(line, random, pools);
            }
            line += ' ';
        }
        line.pop_back();
        line += mixed && chance(random, 30) ? "\n" : "\r\n";
        if (written + line.size() + 2 > size) {
            // The last line: dots up to the size, then its line end.
            std::size_t rest = size - written;
            line.assign(rest >= 2 ? rest - 2 : 0, '.');
            line += std::string_view("\r\n").substr(0, rest < 2 ? rest : 2);
            chunk += line;
            ok = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
            break;
        }
        chunk += line;
        written += line.size();
        if (chunk.size() >= (1u << 20)) {
            ok = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
            chunk.clear();
        }
    }
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

std::string koreanLabel(Random& random, const PairPools& pools, std::size_t maxBytes) {
    std::string label;
    std::size_t syllables = 2 + below(random, 4);
    for (std::size_t i = 0; i < syllables; ++i) {
        putPick(label, random, pools.hangul);
    }
    label += '_';
    while (label.size() + 2 <= maxBytes && chance(random, 80)) {
        putPick(label, random, chance(random, 50) ? pools.hanja : pools.hangul);
    }
    return label;
}

std::string numbered(const char* format, std::size_t number) {
    char text[64];
    std::snprintf(text, sizeof text, format, number);
    return text;
}

// Every node names one of the last classes, every link two of the last nodes and
// one of the last relations: each look-up scans nearly the whole table.
bool writePlan(const char* path) {
    Random random{0x706C616Eull};
    PairPools pools = makePools();
    const char* const colors[] = {"black", "darkred", "green", "#1f77b4", "gray", "navy"};
    const char* const nodeStyles[] = {"box", "ellipse", "database", "circle", "dot"};
    const char* const lineStyles[] = {"line", "dash-line", "arrow", "arrow-center"};
    std::string plan = "#PROJECT\r\n";
    for (std::size_t h = 0; h < HeadingCapacity; ++h) {
        plan += numbered("h%zu ", 1 + h % 3);
        for (int word = 0; word < 12; ++word) {
            plan += koreanLabel(random, pools, 18);
            plan += ' ';
        }
        plan += "\r\n";
    }
    plan += "#CLASS\r\n";
    for (std::size_t c = 0; c < ClassCapacity; ++c) {
        plan += numbered("class_%03zu ", c) + colors[below(random, 6)] + ' ' +
                nodeStyles[below(random, 5)] + "\r\n";
    }
    plan += "#RELATION\r\n";
    for (std::size_t r = 0; r < RelationCapacity; ++r) {
        plan += numbered("relation_%03zu ", r) + colors[below(random, 6)] + ' ' +
                lineStyles[below(random, 4)] + "\r\n";
    }
    plan += "#NODES\r\n";
    for (std::size_t n = 0; n < NodeCapacity; ++n) {
        plan += numbered("node_%04zu ", n);
        plan += numbered("class_%03zu ", ClassCapacity - 1 - below(random, 5));
        plan += koreanLabel(random, pools, 39) + ' ';
        plan += numbered("http://localhost/plan/node_%04zu.htm ", n);
        plan += numbered("http://localhost/plan/node_%04zu.png ", n);
        plan += n % 2 == 0 ? "1\r\n" : "0\r\n";
    }
    plan += "#LINKS\r\n";
    for (std::size_t l = 0; l < LinkCapacity; ++l) {
        plan += numbered("node_%04zu ", NodeCapacity - 1 - below(random, 10));
        plan += numbered("node_%04zu ", NodeCapacity - 1 - below(random, 10));
        plan += numbered("relation_%03zu\r\n", RelationCapacity - 1 - below(random, 5));
    }
    plan += "#END\r\n";
    return writeAll(path, plan);
}

int usage() {
    std::fprintf(stderr,
                 "usage: tarnwick_make_input korean|mixed SIZE PATH\n"
                 "       tarnwick_make_input plan PATH\n");
    return 2;
}

}  // namespace

}  // namespace tarnwick::bench

int main(int argc, char** argv) {
    using namespace tarnwick::bench;
    if (argc == 3 && std::strcmp(argv[1], "plan") == 0) {
        return writePlan(argv[2]) ? 0 : 1;
    }
    if (argc != 4) {
        return usage();
    }
    bool mixed = std::strcmp(argv[1], "mixed") == 0;
    if (!mixed && std::strcmp(argv[1], "korean") != 0) {
        return usage();
    }
    char* end = nullptr;
    unsigned long long size = std::strtoull(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0') {
        return usage();
    }
    return writeProse(argv[3], static_cast<std::size_t>(size), mixed) ? 0 : 1;
}
