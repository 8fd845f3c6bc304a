// Micro-benchmarks of the hot loops: the code-table lookups, the conversion of a
// Korean text by either scan, and validation of a plan at full capacity.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "ksx/convert.hpp"
#include "ksx/convert_reference.hpp"
#include "ksx/tables/lookup.hpp"
#include "plan/plan.hpp"
#include "plan/validate.hpp"

#include <fcntl.h>
#include <unistd.h>

namespace tarnwick::bench {

namespace {

// Every pair of the given rows and trail bytes, once per iteration.
void lookupRows(benchmark::State& state, unsigned firstLead, unsigned lastLead, unsigned firstTrail,
                unsigned lastTrail, bool symbolHangul) {
    Utf8Text text{};
    std::size_t pairs = 0;
    for (auto _ : state) {
        for (unsigned lead = firstLead; lead <= lastLead; ++lead) {
            for (unsigned trail = firstTrail; trail <= lastTrail; ++trail) {
                auto l = static_cast<unsigned char>(lead);
                auto t = static_cast<unsigned char>(trail);
                benchmark::DoNotOptimize(symbolHangul ? lookupSymbolHangul(l, t, text)
                                                      : lookupHanja(l, t, text));
                benchmark::DoNotOptimize(text);
            }
        }
        pairs += (lastLead - firstLead + 1) * (lastTrail - firstTrail + 1);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(pairs));
}

void BM_LookupSymbols(benchmark::State& state) {
    lookupRows(state, 0xA1, 0xAC, 0xA1, 0xFE, true);
}
void BM_LookupHangul(benchmark::State& state) {
    lookupRows(state, 0xB0, 0xC8, 0xA1, 0xFE, true);
}
void BM_LookupHanja(benchmark::State& state) {
    lookupRows(state, 0xCA, 0xFD, 0xA1, 0xFE, false);
}
// Mostly entries of 0, each a scan of the fallback pairs.
void BM_LookupExtendedHanja(benchmark::State& state) {
    lookupRows(state, 0x81, 0xFE, 0x21, 0xA0, false);
}
BENCHMARK(BM_LookupSymbols);
BENCHMARK(BM_LookupHangul);
BENCHMARK(BM_LookupHanja);
BENCHMARK(BM_LookupExtendedHanja);

// A Korean text of Hangul words in CR LF lines, written once to a temporary file.
const std::string& koreanFile() {
    static const std::string path = [] {
        std::string text;
        unsigned state = 1;
        while (text.size() < (std::size_t{4} << 20)) {
            for (int word = 0; word < 20; ++word) {
                for (int syllable = 0; syllable < 3; ++syllable) {
                    state = state * 1103515245u + 12345u;
                    unsigned index = (state >> 8) % 2350;
                    text += static_cast<char>(0xB0 + index / 94);
                    text += static_cast<char>(0xA1 + index % 94);
                }
                text += ' ';
            }
            text += "\r\n";
        }
        std::string file = (std::filesystem::temp_directory_path() / "tarnwick-micro.txt").string();
        std::FILE* out = std::fopen(file.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
        return file;
    }();
    return path;
}

void convertBenchmark(benchmark::State& state, bool reference) {
    const std::string& source = koreanFile();
    std::string target = source + ".htm";
    // The converter prints its settings lines on every call: not among the results.
    std::fflush(stdout);
    int console = ::dup(1);
    int nowhere = ::open("/dev/null", O_WRONLY);
    ::dup2(nowhere, 1);
    for (auto _ : state) {
        int result = reference ? convertKsxFileByReference(source.c_str(), target.c_str(),
                                                           TargetFormat::Utf8,
                                                           SourceRange::TwoByteCharacters)
                               : convertKsxFile(source.c_str(), target.c_str());
        benchmark::DoNotOptimize(result);
    }
    std::fflush(stdout);
    ::dup2(console, 1);
    ::close(console);
    ::close(nowhere);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(source)));
    std::filesystem::remove(target);
}

void BM_ConvertTableDriven(benchmark::State& state) {
    convertBenchmark(state, false);
}
void BM_ConvertReference(benchmark::State& state) {
    convertBenchmark(state, true);
}
BENCHMARK(BM_ConvertTableDriven)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertReference)->Unit(benchmark::kMillisecond);

template <std::size_t Width>
void setField(TextField<Width>& field, const std::string& text) {
    std::snprintf(field.data(), Width, "%s", text.c_str());
}

std::string numbered(const char* format, int number) {
    char text[48];
    std::snprintf(text, sizeof text, format, number);
    return text;
}

// Full capacity, every reference valid and naming rows near the end of its table.
OntologyPlan fullPlan;

void fillFullPlan() {
    clearPlan(fullPlan);
    for (int c = 0; c < static_cast<int>(ClassCapacity); ++c) {
        setField(fullPlan.classes[static_cast<std::size_t>(c)].name, numbered("class_%03d", c));
    }
    for (int r = 0; r < static_cast<int>(RelationCapacity); ++r) {
        RelationEntry& relation = fullPlan.relations[static_cast<std::size_t>(r)];
        setField(relation.name, numbered("relation_%03d", r));
        setField(relation.color, "darkred");
        setField(relation.style, "dash-line");
    }
    for (int n = 0; n < static_cast<int>(NodeCapacity); ++n) {
        NodeEntry& node = fullPlan.nodes[static_cast<std::size_t>(n)];
        setField(node.id, numbered("node_%04d", n));
        setField(node.className, numbered("class_%03d", 99 - n % 5));
        setField(node.label, "\xB0\xA1\xB3\xAA_\xB4\xD9");
    }
    for (int l = 0; l < static_cast<int>(LinkCapacity); ++l) {
        LinkEntry& link = fullPlan.links[static_cast<std::size_t>(l)];
        setField(link.fromId, numbered("node_%04d", 999 - l % 10));
        setField(link.toId, numbered("node_%04d", 999 - (l * 7) % 10));
        setField(link.relation, numbered("relation_%03d", 99 - l % 5));
    }
    sectionCount(fullPlan, PlanSection::Project) = 0;
    sectionCount(fullPlan, PlanSection::Class) = static_cast<int>(ClassCapacity);
    sectionCount(fullPlan, PlanSection::Relation) = static_cast<int>(RelationCapacity);
    sectionCount(fullPlan, PlanSection::Nodes) = static_cast<int>(NodeCapacity);
    sectionCount(fullPlan, PlanSection::Links) = static_cast<int>(LinkCapacity);
}

void BM_ValidateFullPlan(benchmark::State& state) {
    fillFullPlan();
    for (auto _ : state) {
        int errors = validatePlan(fullPlan);
        if (errors != 0) {
            state.SkipWithError("the full plan failed validation");
            break;
        }
        benchmark::DoNotOptimize(fullPlan);
    }
}
BENCHMARK(BM_ValidateFullPlan)->Unit(benchmark::kMicrosecond);

}  // namespace

}  // namespace tarnwick::bench

BENCHMARK_MAIN();
