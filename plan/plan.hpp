// The plan in memory: five tables of fixed capacity whose rows are fixed-width,
// NUL-terminated byte strings holding the plan file's bytes unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tarnwick {

// A width counts the terminator: a field of width 40 holds 39 bytes of text.
template <std::size_t Width>
using TextField = std::array<char, Width>;

template <std::size_t Width>
std::string_view fieldText(const TextField<Width>& field) {
    return std::string_view(field.data());
}

enum class PlanSection { None, Project, Class, Relation, Nodes, Links, End };

struct PlanHeading {
    TextField<16> tag;
    TextField<256> text;  // ends in the line's LF when the line had one
};

struct ClassEntry {
    TextField<40> name;
    TextField<16> borderColor;
    TextField<16> style;
};

struct RelationEntry {
    TextField<40> name;
    TextField<16> color;
    TextField<16> style;
};

struct NodeEntry {
    TextField<40> id;
    TextField<40> className;
    TextField<40> label;
    TextField<256> title;
    TextField<256> url;
    TextField<128> image;
    int imageLabel;  // 1: drawn as its picture with its label
};

struct LinkEntry {
    TextField<40> fromId;
    TextField<40> toId;
    TextField<40> relation;
    TextField<40> colorStyle;  // the relation's color, "', '" and style
    int relationRow;           // the matched relation, so the page can quote each part
};

// The stock picture of a node whose plan line gives none; it lives beside the
// network-graph script on the script host, a build setting.
inline constexpr std::string_view PlaceholderImage =
    "http://" TARNWICK_SCRIPT_HOST "/VR/style/noimage.png";
static_assert(PlaceholderImage.size() < sizeof(NodeEntry{}.image),
              "the script host is too long for a node's image field");

inline constexpr std::size_t HeadingCapacity = 10;
inline constexpr std::size_t ClassCapacity = 100;
inline constexpr std::size_t RelationCapacity = 100;
inline constexpr std::size_t NodeCapacity = 1000;
inline constexpr std::size_t LinkCapacity = 1000;

struct OntologyPlan {
    std::array<PlanHeading, HeadingCapacity> headings;
    std::array<ClassEntry, ClassCapacity> classes;
    std::array<RelationEntry, RelationCapacity> relations;
    std::array<NodeEntry, NodeCapacity> nodes;
    std::array<LinkEntry, LinkCapacity> links;
    // Rows in use, in the order Project, Class, Relation, Nodes, Links.
    std::array<int, 5> count;
};

// Every count 0, every text field empty, every imageLabel 0.
void clearPlan(OntologyPlan& plan);

// The count of a section that owns a table (Project to Links).
int& sectionCount(OntologyPlan& plan, PlanSection section);
int sectionCount(const OntologyPlan& plan, PlanSection section);

}  // namespace tarnwick
