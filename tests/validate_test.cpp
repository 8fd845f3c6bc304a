#include "plan/validate.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "plan/plan.hpp"

namespace tarnwick {
namespace {

using namespace std::string_literals;

template <std::size_t Width>
void set(TextField<Width>& field, std::string_view text) {
    ASSERT_LT(text.size(), Width);
    std::memcpy(field.data(), text.data(), text.size());
    field[text.size()] = '\0';
}

class PlanFixture : public testing::Test {
protected:
    void SetUp() override { clearPlan(plan); }

    int& rows(PlanSection section) { return sectionCount(plan, section); }

    void addClass(std::string_view name) {
        set(plan.classes[rows(PlanSection::Class)++].name, name);
    }

    void addRelation(std::string_view name, std::string_view color, std::string_view style) {
        RelationEntry& relation = plan.relations[rows(PlanSection::Relation)++];
        set(relation.name, name);
        set(relation.color, color);
        set(relation.style, style);
    }

    void addNode(std::string_view id, std::string_view className) {
        NodeEntry& node = plan.nodes[rows(PlanSection::Nodes)++];
        set(node.id, id);
        set(node.className, className);
    }

    void addLink(std::string_view from, std::string_view to, std::string_view relation) {
        LinkEntry& link = plan.links[rows(PlanSection::Links)++];
        set(link.fromId, from);
        set(link.toId, to);
        set(link.relation, relation);
    }

    // Validates; returns what was printed.
    std::string validate() {
        testing::internal::CaptureStdout();
        errors = validatePlan(plan);
        return testing::internal::GetCapturedStdout();
    }

    std::unique_ptr<OntologyPlan> owner = std::make_unique<OntologyPlan>();
    OntologyPlan& plan = *owner;
    int errors = -1;
};

using ValidateTest = PlanFixture;
using NormaliseTest = PlanFixture;

TEST_F(ValidateTest, EmptyPlanPasses) {
    EXPECT_EQ(validate(), "");
    EXPECT_EQ(errors, 0);
}

TEST_F(ValidateTest, NodeClassesFailFirstAndEndTheCheck) {
    addClass("person");
    addClass("place_of");
    addNode("p1", "person");
    addNode("p2", "Person");
    addNode("p3", "");
    addNode("p4", "place_of");
    addNode("p5", "dummy");
    addLink("nowhere", "p1", "unknown");  // never looked at
    EXPECT_EQ(validate(),
              "Class Name Person in the Node List is Invalid!\n"
              "Class Name  in the Node List is Invalid!\n"
              "Class Name dummy in the Node List is Invalid!\n");
    EXPECT_EQ(errors, 3);
}

TEST_F(ValidateTest, AllFirstEndsAreReportedBeforeSecondEnds) {
    addClass("c");
    addNode("p1", "c");
    addNode("p_2", "c");
    addLink("bad1", "bad2", "unknown");
    addLink("p1", "bad3", "unknown");
    addLink("bad4", "p_2", "unknown");
    addLink("p_2", "p1", "unknown");
    EXPECT_EQ(validate(),
              "Node 1 ID bad1 in the Link List is Invalid!\n"
              "Node 1 ID bad4 in the Link List is Invalid!\n"
              "Node 2 ID bad2 in the Link List is Invalid!\n"
              "Node 2 ID bad3 in the Link List is Invalid!\n");
    EXPECT_EQ(errors, 4);
}

TEST_F(ValidateTest, RelationsFillColorStyleFromTheFirstMatch) {
    addClass("c");
    addNode("p1", "c");
    addNode("p2", "c");
    addRelation("part_of", "red", "line");
    addRelation("kin", "#00ff00", "dash-line");
    addRelation("part_of", "blue", "arrow");
    addLink("p1", "p2", "kin");
    addLink("p2", "p1", "part_of");
    EXPECT_EQ(validate(), "");
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(fieldText(plan.links[0].colorStyle), "#00ff00', 'dash-line");
    EXPECT_EQ(plan.links[0].relationRow, 1);
    EXPECT_EQ(fieldText(plan.links[1].colorStyle), "red', 'line");
    EXPECT_EQ(plan.links[1].relationRow, 0);
}

TEST_F(ValidateTest, UndeclaredRelationsAreReportedWithTheirUnderscores) {
    addClass("c");
    addNode("p1", "c");
    addRelation("kin", "red", "line");
    addLink("p1", "p1", "part_of");
    addLink("p1", "p1", "kin");
    addLink("p1", "p1", "Kin");
    EXPECT_EQ(validate(),
              "Relation Name part_of in the Link List is Invalid!\n"
              "Relation Name Kin in the Link List is Invalid!\n");
    EXPECT_EQ(errors, 2);
    EXPECT_EQ(fieldText(plan.links[1].colorStyle), "red', 'line");
}

TEST_F(ValidateTest, LongestFieldsCompareAndPrintWhole) {
    std::string full = std::string(38, 'n') + "\xB0";
    addClass(full);
    addNode("p1", full);
    addNode("p2", std::string(38, 'n') + "\xB1");
    EXPECT_EQ(validate(),
              "Class Name " + std::string(38, 'n') + "\xB1 in the Node List is Invalid!\n");
    EXPECT_EQ(errors, 1);
}

// Names are compared as whole byte strings; what a field holds after its
// terminator (left from a longer earlier value) plays no part.
TEST_F(ValidateTest, NamesMatchExactly) {
    struct Case {
        std::string className;  // the class's field, bytes after a NUL included
        std::string nodeClass;  // the node's field
        bool matches;
    };
    const Case cases[] = {
        {"p1", "p1", true},
        {"p1", "p12", false},
        {"p12", "p1", false},
        {"", "", true},
        {"", "x", false},
        {"abcdefg", "abcdefgh", false},
        {"abcdefgh", "abcdefgh", true},
        {"abcdefgh", "abcdefghi", false},
        {"node_0001", "node_0002", false},
        {"node_0001", "node_0001", true},
        {"p1\0stale tail"s, "p1", true},
        {"p1\0stale tail"s, "p1\0other tail"s, true},
        {"abcdefgh_ijklmnop\0stale"s, "abcdefgh_ijklmnop", true},
        {"abcdefgh_ijklmnop\0stale"s, "abcdefgh_ijklmnoq", false},
        {"\xB0\xA1\xB0\xA2", "\xB0\xA1\xB0\xA2", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.className) + " / " +
                     testing::PrintToString(c.nodeClass));
        clearPlan(plan);
        addClass("first");
        ClassEntry& declared = plan.classes[rows(PlanSection::Class)++];
        std::memcpy(declared.name.data(), c.className.data(), c.className.size());
        declared.name[c.className.size()] = '\0';
        NodeEntry& node = plan.nodes[rows(PlanSection::Nodes)++];
        std::memcpy(node.className.data(), c.nodeClass.data(), c.nodeClass.size());
        node.className[c.nodeClass.size()] = '\0';
        validate();
        EXPECT_EQ(errors, c.matches ? 0 : 1);
    }
}

TEST_F(ValidateTest, RowsBeyondTheCountAreNotSearched) {
    addClass("c");
    addNode("p1", "c");
    addNode("p2", "c");
    rows(PlanSection::Nodes) = 1;
    addLink("p1", "p2", "kin");
    rows(PlanSection::Class) = 0;
    EXPECT_EQ(validate(), "Class Name c in the Node List is Invalid!\n");
    rows(PlanSection::Class) = 1;
    EXPECT_EQ(validate(), "Node 2 ID p2 in the Link List is Invalid!\n");
}

TEST_F(NormaliseTest, UnderscoresBecomeBlanksInShownTextsOnly) {
    PlanHeading& heading = plan.headings[rows(PlanSection::Project)++];
    set(heading.tag, "h_1");
    set(heading.text, "Family_Tree_\n");
    addClass("c_1");
    addRelation("part_of", "dark_red", "dash_line");
    NodeEntry& node = plan.nodes[rows(PlanSection::Nodes)++];
    set(node.id, "p_1");
    set(node.className, "c_1");
    set(node.label, "Big_Bang");
    set(node.title, "Big_Bang");
    set(node.url, "http://a/b_c");
    set(node.image, "http://a/i_1.png");
    addLink("p_1", "p_1", "part_of");
    set(plan.links[0].colorStyle, "dark_red', 'dash_line");
    // A row beyond the count is left alone.
    set(plan.nodes[1].label, "not_shown");

    normalisePlan(plan);

    EXPECT_EQ(fieldText(heading.text), "Family Tree \n");
    EXPECT_EQ(fieldText(node.label), "Big Bang");
    EXPECT_EQ(fieldText(plan.links[0].relation), "part of");

    EXPECT_EQ(fieldText(heading.tag), "h_1");
    EXPECT_EQ(fieldText(plan.classes[0].name), "c_1");
    EXPECT_EQ(fieldText(plan.relations[0].name), "part_of");
    EXPECT_EQ(fieldText(plan.relations[0].color), "dark_red");
    EXPECT_EQ(fieldText(plan.relations[0].style), "dash_line");
    EXPECT_EQ(fieldText(node.id), "p_1");
    EXPECT_EQ(fieldText(node.className), "c_1");
    EXPECT_EQ(fieldText(node.title), "Big_Bang");
    EXPECT_EQ(fieldText(node.url), "http://a/b_c");
    EXPECT_EQ(fieldText(node.image), "http://a/i_1.png");
    EXPECT_EQ(fieldText(plan.links[0].fromId), "p_1");
    EXPECT_EQ(fieldText(plan.links[0].toId), "p_1");
    EXPECT_EQ(fieldText(plan.links[0].colorStyle), "dark_red', 'dash_line");
    EXPECT_EQ(fieldText(plan.nodes[1].label), "not_shown");
}

// The second byte of a double-byte character may be 0x5F; it is never changed.
TEST_F(NormaliseTest, SecondByteOfACharacterStays) {
    struct Case {
        std::string_view before;
        std::string_view after;
    };
    const Case cases[] = {
        {"\x81_", "\x81_"},
        {"\x81__", "\x81_ "},
        {"_\x81_\x81_", " \x81_\x81_"},
        {"\xB0\xA1_\xB0\xA1", "\xB0\xA1 \xB0\xA1"},
        {"a\x81\x81_", "a\x81\x81 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.before)));
        clearPlan(plan);
        PlanHeading& heading = plan.headings[rows(PlanSection::Project)++];
        set(heading.text, c.before);
        NodeEntry& node = plan.nodes[rows(PlanSection::Nodes)++];
        set(node.label, c.before);
        addLink("a", "b", c.before);
        normalisePlan(plan);
        EXPECT_EQ(fieldText(heading.text), c.after);
        EXPECT_EQ(fieldText(node.label), c.after);
        EXPECT_EQ(fieldText(plan.links[0].relation), c.after);
    }
}

}  // namespace
}  // namespace tarnwick
