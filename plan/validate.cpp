#include "plan/validate.hpp"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "ksx/unicode_text.hpp"
#include "plan/textunits.hpp"

namespace tarnwick {

namespace {

// Every look-up is a plain scan, so each comparison must be cheap: the looked-up
// name is taken apart once into 8-byte words, its terminator included, and a row
// is compared word by word, the last word masked so that whatever a row holds
// after its terminator plays no part. Most rows differ in the first word.
constexpr std::size_t NameWidth = 40;
constexpr std::size_t WordSize = sizeof(std::uint64_t);
constexpr std::size_t NameWords = NameWidth / WordSize;
static_assert(NameWidth % WordSize == 0, "a name is read in whole words");

struct NameKey {
    std::array<std::uint64_t, NameWords> words{};
    std::array<std::uint64_t, NameWords> masks{};
    std::size_t wordCount = 0;
    int length = 0;  // bytes before the terminator
};

std::uint64_t loadWord(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, WordSize);
    return word;
}

NameKey makeKey(const TextField<NameWidth>& name) {
    NameKey key;
    const void* end = std::memchr(name.data(), '\0', NameWidth);
    std::size_t length = end != nullptr
                             ? static_cast<std::size_t>(static_cast<const char*>(end) - name.data())
                             : NameWidth - 1;
    key.length = static_cast<int>(length);
    std::size_t compared = length + 1;  // the terminator too
    key.wordCount = (compared + WordSize - 1) / WordSize;
    for (std::size_t w = 0; w < key.wordCount; ++w) {
        std::array<unsigned char, WordSize> maskBytes{};
        for (std::size_t b = 0; b < WordSize && w * WordSize + b < compared; ++b) {
            maskBytes[b] = 0xFF;
        }
        std::memcpy(&key.masks[w], maskBytes.data(), WordSize);
        key.words[w] = loadWord(name.data() + w * WordSize) & key.masks[w];
    }
    return key;
}

// The words after the first; the first is tested in the scan itself.
bool sameRest(const NameKey& key, const TextField<NameWidth>& name) {
    for (std::size_t w = 1; w < key.wordCount; ++w) {
        if ((loadWord(name.data() + w * WordSize) & key.masks[w]) != key.words[w]) {
            return false;
        }
    }
    return true;
}

// The first row whose field equals the key, or -1.
template <typename Row, std::size_t Capacity>
int findRow(const std::array<Row, Capacity>& rows, int count, TextField<NameWidth> Row::*field,
            const NameKey& key) {
    const std::uint64_t firstWord = key.words[0];
    const std::uint64_t firstMask = key.masks[0];
    for (int row = 0; row < count; ++row) {
        const TextField<NameWidth>& name = rows[static_cast<std::size_t>(row)].*field;
        if ((loadWord(name.data()) & firstMask) == firstWord && sameRest(key, name)) {
            return row;
        }
    }
    return -1;
}

// A name as the console shows it: the plan's bytes, or the characters the page
// would show for them, made in `utf8`. Only a failed look-up comes here.
std::string_view quote(const TextField<NameWidth>& name, int length, ConsoleEncoding console,
                       std::string& utf8) {
    std::string_view text(name.data(), static_cast<std::size_t>(length));
    if (console != ConsoleEncoding::Utf8) {
        return text;
    }
    appendUtf8Text(text, utf8);
    return utf8;
}

int checkNodeClasses(const OntologyPlan& plan, ConsoleEncoding console) {
    int errors = 0;
    int nodes = sectionCount(plan, PlanSection::Nodes);
    int classes = sectionCount(plan, PlanSection::Class);
    for (int n = 0; n < nodes; ++n) {
        const TextField<NameWidth>& className = plan.nodes[static_cast<std::size_t>(n)].className;
        NameKey key = makeKey(className);
        if (findRow(plan.classes, classes, &ClassEntry::name, key) < 0) {
            std::string utf8;
            std::string_view quoted = quote(className, key.length, console, utf8);
            std::printf("Class Name %.*s in the Node List is Invalid!\n",
                        static_cast<int>(quoted.size()), quoted.data());
            ++errors;
        }
    }
    return errors;
}

// `endNumber` is 1 for the first end of each link, 2 for the second.
int checkLinkEnds(const OntologyPlan& plan, TextField<NameWidth> LinkEntry::*end, int endNumber,
                  ConsoleEncoding console) {
    int errors = 0;
    int links = sectionCount(plan, PlanSection::Links);
    int nodes = sectionCount(plan, PlanSection::Nodes);
    for (int l = 0; l < links; ++l) {
        const TextField<NameWidth>& id = plan.links[static_cast<std::size_t>(l)].*end;
        NameKey key = makeKey(id);
        if (findRow(plan.nodes, nodes, &NodeEntry::id, key) < 0) {
            std::string utf8;
            std::string_view quoted = quote(id, key.length, console, utf8);
            std::printf("Node %d ID %.*s in the Link List is Invalid!\n", endNumber,
                        static_cast<int>(quoted.size()), quoted.data());
            ++errors;
        }
    }
    return errors;
}

void appendText(char*& out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    out += text.size();
}

int checkLinkRelations(OntologyPlan& plan, ConsoleEncoding console) {
    int errors = 0;
    int links = sectionCount(plan, PlanSection::Links);
    int relations = sectionCount(plan, PlanSection::Relation);
    for (int l = 0; l < links; ++l) {
        LinkEntry& link = plan.links[static_cast<std::size_t>(l)];
        NameKey key = makeKey(link.relation);
        int row = findRow(plan.relations, relations, &RelationEntry::name, key);
        link.relationRow = row;
        if (row < 0) {
            std::string utf8;
            std::string_view quoted = quote(link.relation, key.length, console, utf8);
            std::printf("Relation Name %.*s in the Link List is Invalid!\n",
                        static_cast<int>(quoted.size()), quoted.data());
            ++errors;
            continue;
        }
        const RelationEntry& relation = plan.relations[static_cast<std::size_t>(row)];
        // At most 15 + 4 + 15 bytes: always fits.
        char* out = link.colorStyle.data();
        appendText(out, fieldText(relation.color));
        appendText(out, "', '");
        appendText(out, fieldText(relation.style));
        *out = '\0';
    }
    return errors;
}

template <std::size_t Width>
void underscoresToBlanks(TextField<Width>& field) {
    std::size_t length = fieldText(field).size();
    std::size_t i = 0;
    while (i < length) {
        if (isLeadByte(field[i])) {
            i += 2;  // a second byte may be 0x5F and stays
            continue;
        }
        if (field[i] == '_') {
            field[i] = ' ';
        }
        ++i;
    }
}

}  // namespace

int validatePlan(OntologyPlan& plan, ConsoleEncoding console) {
    int errors = checkNodeClasses(plan, console);
    if (errors > 0) {
        return errors;
    }
    // Both passes run, so every first-end message comes before any second-end one.
    errors = checkLinkEnds(plan, &LinkEntry::fromId, 1, console);
    errors += checkLinkEnds(plan, &LinkEntry::toId, 2, console);
    if (errors > 0) {
        return errors;
    }
    return checkLinkRelations(plan, console);
}

void normalisePlan(OntologyPlan& plan) {
    for (int h = 0; h < sectionCount(plan, PlanSection::Project); ++h) {
        underscoresToBlanks(plan.headings[static_cast<std::size_t>(h)].text);
    }
    for (int n = 0; n < sectionCount(plan, PlanSection::Nodes); ++n) {
        underscoresToBlanks(plan.nodes[static_cast<std::size_t>(n)].label);
    }
    for (int l = 0; l < sectionCount(plan, PlanSection::Links); ++l) {
        underscoresToBlanks(plan.links[static_cast<std::size_t>(l)].relation);
    }
}

}  // namespace tarnwick
