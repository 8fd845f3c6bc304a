#include "plan/reader.hpp"

#include <array>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "plan/textunits.hpp"

namespace tarnwick {

namespace {

// A line shorter than this, its line end counted, holds nothing worth reading.
constexpr std::size_t ShortLineLength = 5;

struct SectionHeader {
    std::string_view start;  // compared with the line's first bytes, upper-cased
    PlanSection section;
};

// Tested in this order; the first match wins.
constexpr std::array<SectionHeader, 6> SectionHeaders{{
    {"#PROJ", PlanSection::Project},
    {"#CLAS", PlanSection::Class},
    {"#RELA", PlanSection::Relation},
    {"#NODE", PlanSection::Nodes},
    {"#LINK", PlanSection::Links},
    {"#EN", PlanSection::End},
}};

// The replacement mark's pair, stored for a lead byte that lost its second byte.
constexpr std::string_view IncompleteCharacter = "\xA2\xC3";

constexpr bool isFieldSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool ownsTable(PlanSection section) {
    return section != PlanSection::None && section != PlanSection::End;
}

int tableCapacity(PlanSection section) {
    switch (section) {
        case PlanSection::Project:
            return static_cast<int>(HeadingCapacity);
        case PlanSection::Class:
            return static_cast<int>(ClassCapacity);
        case PlanSection::Relation:
            return static_cast<int>(RelationCapacity);
        case PlanSection::Nodes:
            return static_cast<int>(NodeCapacity);
        case PlanSection::Links:
            return static_cast<int>(LinkCapacity);
        case PlanSection::None:
        case PlanSection::End:
            break;
    }
    return 0;
}

PlanSection headerSection(std::string_view line) {
    for (const SectionHeader& header : SectionHeaders) {
        if (line.size() < header.start.size()) {
            continue;
        }
        std::size_t i = 0;
        for (; i < header.start.size(); ++i) {
            char c = line[i];
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
            if (c != header.start[i]) {
                break;
            }
        }
        if (i == header.start.size()) {
            return header.section;
        }
    }
    return PlanSection::None;
}

// Fills `fields` from the start with the line's first fields; returns how many.
std::size_t splitFields(std::string_view line, std::span<std::string_view> fields) {
    std::size_t found = 0;
    std::size_t i = 0;
    while (found < fields.size()) {
        while (i < line.size() && isFieldSpace(line[i])) {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        std::size_t start = i;
        while (i < line.size() && !isFieldSpace(line[i])) {
            ++i;
        }
        fields[found++] = line.substr(start, i - start);
    }
    return found;
}

// Stores `text` in the field: a lead byte left without its second byte becomes
// the replacement mark's pair, and a text too long for the field is cut from
// its end by whole units (a heading text's line end goes first). Each change is
// reported.
template <std::size_t Width>
void storeField(TextField<Width>& field, std::string_view text, const char* name, int lineNumber) {
    constexpr std::size_t limit = Width - 1;
    bool lineEnd = !text.empty() && text.back() == '\n';
    if (lineEnd) {
        text.remove_suffix(1);
    }
    bool incomplete = endsInLoneLead(text);
    if (incomplete) {
        text.remove_suffix(1);
        std::printf("Warning: line %d: %s ends in an incomplete character\n", lineNumber, name);
    }
    std::size_t total =
        text.size() + (incomplete ? IncompleteCharacter.size() : 0) + (lineEnd ? 1 : 0);
    std::size_t keep = text.size();
    bool keepMark = incomplete;
    bool keepLineEnd = lineEnd;
    if (total > limit) {
        keep = wholeUnitsWithin(text, limit);
        bool whole = keep == text.size();
        keepMark = incomplete && whole && keep + IncompleteCharacter.size() <= limit;
        keepLineEnd = lineEnd && whole && (!incomplete || keepMark) &&
                      keep + (keepMark ? IncompleteCharacter.size() : 0) + 1 <= limit;
        std::printf("Warning: line %d: %s longer than %d bytes, cut\n", lineNumber, name,
                    static_cast<int>(limit));
    }
    char* out = field.data();
    std::memcpy(out, text.data(), keep);
    out += keep;
    if (keepMark) {
        std::memcpy(out, IncompleteCharacter.data(), IncompleteCharacter.size());
        out += IncompleteCharacter.size();
    }
    if (keepLineEnd) {
        *out++ = '\n';
    }
    *out = '\0';
}

// Text the reader supplies itself; always fits.
template <std::size_t Width>
void setField(TextField<Width>& field, std::string_view text) {
    std::memcpy(field.data(), text.data(), text.size());
    field[text.size()] = '\0';
}

void fillHeading(PlanHeading& heading, std::string_view line, int lineNumber) {
    std::array<std::string_view, 1> fields;
    if (splitFields(line, fields) == 0) {
        heading.text[0] = '\0';
        return;
    }
    storeField(heading.tag, fields[0], "tag", lineNumber);
    // The text starts as far into the line as the tag is long as read, wherever
    // the tag itself stood.
    std::size_t start = fields[0].size();
    while (start < line.size() && static_cast<unsigned char>(line[start]) < 0x21) {
        ++start;
    }
    storeField(heading.text, line.substr(start), "text", lineNumber);
}

using FieldNames = std::array<const char*, 3>;

template <typename Row>
void fillThreeFields(Row& row, std::string_view line, int lineNumber, auto first, auto second,
                     auto third, const FieldNames& names) {
    std::array<std::string_view, 3> fields;
    std::size_t found = splitFields(line, fields);
    if (found > 0) {
        storeField(row.*first, fields[0], names[0], lineNumber);
    }
    if (found > 1) {
        storeField(row.*second, fields[1], names[1], lineNumber);
    }
    if (found > 2) {
        storeField(row.*third, fields[2], names[2], lineNumber);
    }
}

enum class ImageFlag { Zero, One, Other };

// The sixth field of a node line: an optional sign and digits, read up to the
// first byte that is not a digit. False when the field does not start so.
bool readImageFlag(std::string_view field, ImageFlag& flag) {
    std::size_t i = 0;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    if (i == field.size() || !isDecimalDigit(field[i])) {
        return false;
    }
    // Only 0 and 1 mean anything: every other number, however long, is another
    // flag, so the value is held at 2 rather than let wrap.
    int value = 0;
    for (; i < field.size() && isDecimalDigit(field[i]); ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > 1) {
            value = 2;
        }
    }
    if (negative) {
        value = -value;
    }
    flag = value == 0 ? ImageFlag::Zero : value == 1 ? ImageFlag::One : ImageFlag::Other;
    return true;
}

// The two forms of a composed title.
constexpr std::string_view AnchorStart = "<a href=\"";
constexpr std::string_view AnchorTextStart = "\" target=\"_blank\">";
constexpr std::string_view AnchorEnd = "</a>";
constexpr std::string_view AnchorImageStart = "\" target=\"_blank\"><img src=\"";
constexpr std::string_view AnchorImageEnd = "\"/></a>";
// Room for the longer form around the longest URL and picture (or label).
constexpr std::size_t ComposedTitleCapacity = AnchorStart.size() + AnchorImageStart.size() +
                                              AnchorImageEnd.size() + sizeof(NodeEntry{}.url) +
                                              sizeof(NodeEntry{}.image);
static_assert(ComposedTitleCapacity >= AnchorStart.size() + AnchorTextStart.size() +
                                           AnchorEnd.size() + sizeof(NodeEntry{}.url) +
                                           sizeof(NodeEntry{}.label));

struct ComposedTitle {
    std::array<char, ComposedTitleCapacity> bytes;
    std::size_t size = 0;
};

void append(ComposedTitle& title, std::string_view text) {
    std::memcpy(title.bytes.data() + title.size, text.data(), text.size());
    title.size += text.size();
}

void storeAnchorTitle(NodeEntry& node, int lineNumber) {
    ComposedTitle title;
    append(title, AnchorStart);
    append(title, fieldText(node.url));
    append(title, AnchorTextStart);
    append(title, fieldText(node.label));
    append(title, AnchorEnd);
    storeField(node.title, std::string_view(title.bytes.data(), title.size), "title", lineNumber);
}

void storeImageTitle(NodeEntry& node, int lineNumber) {
    ComposedTitle title;
    append(title, AnchorStart);
    append(title, fieldText(node.url));
    append(title, AnchorImageStart);
    append(title, fieldText(node.image));
    append(title, AnchorImageEnd);
    storeField(node.title, std::string_view(title.bytes.data(), title.size), "title", lineNumber);
}

void fillNode(NodeEntry& node, std::string_view line, int lineNumber) {
    node.imageLabel = 0;
    std::array<std::string_view, 6> fields;
    std::size_t found = splitFields(line, fields);
    ImageFlag flag = ImageFlag::Zero;
    if (found == 6 && !readImageFlag(fields[5], flag)) {
        found = 5;
    }

    if (found >= 1) {
        storeField(node.id, fields[0], "id", lineNumber);
        if (found >= 2) {
            storeField(node.className, fields[1], "className", lineNumber);
        } else {
            setField(node.className, "dummy");
        }
        if (found >= 3) {
            storeField(node.label, fields[2], "label", lineNumber);
        } else {
            setField(node.label, "unnamed");
        }
    }
    if (found >= 4) {
        storeField(node.url, fields[3], "url", lineNumber);
    } else {
        node.url[0] = '\0';
    }
    if (found >= 5) {
        storeField(node.image, fields[4], "image", lineNumber);
    } else {
        setField(node.image, PlaceholderImage);
    }

    switch (found) {
        case 3:
            setField(node.title, fieldText(node.label));
            break;
        case 4:
            storeAnchorTitle(node, lineNumber);
            break;
        case 5:
            storeImageTitle(node, lineNumber);
            break;
        case 6:
            if (flag == ImageFlag::Zero) {
                storeImageTitle(node, lineNumber);
            } else if (flag == ImageFlag::One) {
                storeAnchorTitle(node, lineNumber);
                node.imageLabel = 1;
            }
            break;
        default:
            break;  // the title stays as it was
    }
}

constexpr FieldNames ClassFieldNames = {"name", "borderColor", "style"};
constexpr FieldNames RelationFieldNames = {"name", "color", "style"};
constexpr FieldNames LinkFieldNames = {"fromId", "toId", "relation"};

void fillRow(OntologyPlan& plan, PlanSection section, int row, std::string_view line,
             int lineNumber) {
    auto index = static_cast<std::size_t>(row);
    switch (section) {
        case PlanSection::Project:
            fillHeading(plan.headings[index], line, lineNumber);
            break;
        case PlanSection::Class:
            fillThreeFields(plan.classes[index], line, lineNumber, &ClassEntry::name,
                            &ClassEntry::borderColor, &ClassEntry::style, ClassFieldNames);
            break;
        case PlanSection::Relation:
            fillThreeFields(plan.relations[index], line, lineNumber, &RelationEntry::name,
                            &RelationEntry::color, &RelationEntry::style, RelationFieldNames);
            break;
        case PlanSection::Nodes:
            fillNode(plan.nodes[index], line, lineNumber);
            break;
        case PlanSection::Links:
            fillThreeFields(plan.links[index], line, lineNumber, &LinkEntry::fromId,
                            &LinkEntry::toId, &LinkEntry::relation, LinkFieldNames);
            break;
        case PlanSection::None:
        case PlanSection::End:
            break;
    }
}

}  // namespace

bool readPlan(TextReader& file, OntologyPlan& plan) {
    std::string buffer;
    PlanSection section = PlanSection::None;
    int rowIndex = 0;
    int lineNumber = 0;  // 1-based, for the warnings
    while (readLine(file, buffer)) {
        if (file.failed) {
            return false;  // the line is not whole
        }
        ++lineNumber;
        std::string_view line(buffer);
        std::size_t nul = line.find('\0');
        if (nul != std::string_view::npos) {
            line = line.substr(0, nul);
        }
        if (line.size() < ShortLineLength) {
            continue;
        }
        if (line[0] == '#') {
            std::size_t lineEnd = line.find('\n');
            if (lineEnd != std::string_view::npos) {
                line = line.substr(0, lineEnd);
            }
            if (ownsTable(section)) {
                sectionCount(plan, section) = rowIndex;
            }
            PlanSection opened = headerSection(line);
            if (opened != PlanSection::None) {
                section = opened;
                rowIndex = 0;
                continue;
            }
        }
        if (!ownsTable(section) || rowIndex == tableCapacity(section)) {
            continue;
        }
        fillRow(plan, section, rowIndex, line, lineNumber);
        ++rowIndex;
        sectionCount(plan, section) = rowIndex;
    }
    return !file.failed;
}

}  // namespace tarnwick
