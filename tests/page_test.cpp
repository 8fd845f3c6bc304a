#include "page/page.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "plan/plan.hpp"

#ifndef _WIN32
#include <csignal>

#include <sys/resource.h>
#endif

namespace tarnwick {
namespace {

using namespace std::string_literals;

// The page of a plan with no rows, line by line from the page template.
const std::string EmptyPage =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
    "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n"
    "<html>\r\n"
    "    <head>\r\n"
    "    <title>Simple Ontology Visualization</title>\r\n"
    "    <meta name=\"description\" content=\"Google Visualization API Script\"/>\r\n"
    "    <meta name=\"author\" content=\"Brindlecote\"/>\r\n"
    "    <style>\r\n"
    "      body {font: 10pt \xC7\xD4\xC3\xCA\xB7\xD2\xB9\xD9\xC5\xC1;}\r\n"
    "      p {font: 12pt \xB8\xBC\xC0\xBA \xB0\xED\xB5\xF1; text-align: center;}\r\n"
    "      table {border: 0; width: 100%;}\r\n"
    "      tr:nth-child(even){background-color: #efefef;}\r\n"
    "    </style>\r\n"
    "    <script type=\"text/javascript\" src=\"http://"s +
    TARNWICK_LOADER_HOST +
    "/jsapi\"></script>\r\n"
    "    <script type=\"text/javascript\" src=\"http://" +
    TARNWICK_SCRIPT_HOST +
    "/Graph/network/network.js\"></script>\r\n"
    "    <script type=\"text/javascript\">\r\n"
    "      var nodesTable = null;\r\n"
    "      var linksTable = null;\r\n"
    "      var network = null;\r\n"
    "\r\n"
    "      google.load('visualization', '1');\r\n"
    "      google.setOnLoadCallback(draw);\r\n"
    "\r\n"
    "      function draw() {\r\n"
    "\r\n"
    "        nodesTable = new google.visualization.DataTable();\r\n"
    "        nodesTable.addColumn('string', 'id');\r\n"
    "        nodesTable.addColumn('string', 'group');\r\n"
    "        nodesTable.addColumn('string', 'text');\r\n"
    "        nodesTable.addColumn('string', 'title'); \r\n"
    "        nodesTable.addColumn('string', 'style'); \r\n"
    "        nodesTable.addColumn('string', 'image'); \r\n"
    "        nodesTable.addColumn('string', 'url'); \r\n"
    "\r\n"
    "        nodesTable.addRow(['00000', 'dummy', '', '', '', '', '']);\r\n"
    "\r\n"
    "        linksTable = new google.visualization.DataTable();\r\n"
    "        linksTable.addColumn('string', 'from');\r\n"
    "        linksTable.addColumn('string', 'to');\r\n"
    "        linksTable.addColumn('string', 'color');\r\n"
    "        linksTable.addColumn('string', 'style');\r\n"
    "        linksTable.addColumn('string', 'title');\r\n"
    "\r\n"
    "\r\n"
    "        var options = {\r\n"
    "            'width': '100%',  'height': '440px',  'stabilize': false,  'selectable': "
    "true,\r\n"
    "            'links': { 'length': 150,  'width': 1, },  \r\n"
    "            'nodes': {  'fontFace': '\xC7\xD4\xC3\xCA\xB7\xD2\xB9\xD9\xC5\xC1', 'fontSize': "
    "15, 'backgroundColor': 'white',  'highlightColor': 'gold',  'fontColor': 'black', },\r\n"
    "            'groups': {\r\n"
    "                'dummy': { 'borderColor': 'white',  'style': 'dot', 'radius': 1 },\r\n"
    "            },\r\n"
    "        };\r\n"
    "\r\n"
    "       network = new links.Network(document.getElementById('mynetwork'));\r\n"
    "       network.draw(nodesTable, linksTable, options);\r\n"
    "\r\n"
    "       network = new links.Network(document.getElementById('mynetwork'));\r\n"
    "       google.visualization.events.addListener(network, 'select', onselect);\r\n"
    "       network.draw(nodesTable, linksTable, options);\r\n"
    "       var selection = [{'row': 0}];\r\n"
    "       network.setSelection(selection);\r\n"
    "\r\n"
    "      }\r\n"
    "\r\n"
    "\t\tfunction onselect() {\r\n"
    "        \tvar sel = network.getSelection();\r\n"
    "        \tvar nodeName = nodesTable.getValue(sel[0].row, 2);\r\n"
    "        \tvar image = nodesTable.getValue(sel[0].row, 5);\r\n"
    "        \tvar refurl = nodesTable.getValue(sel[0].row, 6);\r\n"
    "\t\t\tdocument.getElementById('info').innerHTML = '';\r\n"
    "\t\t\tdocument.getElementById('info').innerHTML += '<p><a href=\"' + refurl + '\" "
    "target=\"_blank\"><img height=\"100\" src=\"' + image + '\"><br/>' + nodeName + "
    "'</a></p>';\r\n"
    "\t\t}\r\n"
    "\r\n"
    "    </script>\r\n"
    "</head>\r\n"
    "\r\n"
    "<body>\r\n"
    "\r\n"
    "\r\n"
    "    <table>\r\n"
    "\t\t\t<tr height=\"440\"><td><div id=\"mynetwork\"></div></td></tr>\r\n"
    "\t\t\t<tr height=\"160\"><td><div id=\"info\"></div></td></tr>\r\n"
    "    </table>\r\n"
    "\r\n"
    "</body>\r\n"
    "</html>\r\n";

// The fixed lines on either side of each row block.
constexpr std::string_view BeforeNodeRows =
    "        nodesTable.addRow(['00000', 'dummy', '', '', '', '', '']);\r\n";
constexpr std::string_view AfterNodeRows =
    "\r\n        linksTable = new google.visualization.DataTable();\r\n";
constexpr std::string_view BeforeLinkRows =
    "        linksTable.addColumn('string', 'title');\r\n\r\n";
constexpr std::string_view AfterLinkRows = "\r\n        var options = {\r\n";
constexpr std::string_view BeforeGroupLines = "            'groups': {\r\n";
constexpr std::string_view AfterGroupLines =
    "                'dummy': { 'borderColor': 'white',  'style': 'dot', 'radius': 1 },\r\n";
constexpr std::string_view BeforeHeadingLines = "<body>\r\n\r\n";
constexpr std::string_view AfterHeadingLines = "\r\n    <table>\r\n";

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

template <std::size_t Width>
void set(TextField<Width>& field, std::string_view text) {
    ASSERT_LT(text.size(), Width);
    std::memcpy(field.data(), text.data(), text.size());
    field[text.size()] = '\0';
}

class PageTest : public testing::Test {
protected:
    void SetUp() override {
        clearPlan(plan);
        std::random_device random;
        for (int attempt = 0; attempt < 100 && directory.empty(); ++attempt) {
            std::filesystem::path candidate = std::filesystem::temp_directory_path() /
                                              ("tarnwick-page-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) {
                directory = candidate;
            }
        }
        ASSERT_FALSE(directory.empty());
    }

    void TearDown() override {
        if (!directory.empty()) {
            std::filesystem::remove_all(directory);
        }
    }

    std::filesystem::path nextPath() {
        return directory / ("page" + std::to_string(++pages) + ".txt");
    }

    // Writes the page into a new file and returns its bytes.
    std::string page() {
        std::filesystem::path path = nextPath();
        EXPECT_EQ(writePage(plan, path.string().c_str()), PageResult::Written);
        return fileBytes(path);
    }

    // The text between the fixed lines around a row block.
    std::string block(std::string_view before, std::string_view after) {
        std::string text = page();
        std::size_t start = text.find(before);
        std::size_t end = start == std::string::npos ? start : text.find(after, start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "row block not found in:\n" << text;
            return {};
        }
        start += before.size();
        return text.substr(start, end - start);
    }

    std::string nodeRows() { return block(BeforeNodeRows, AfterNodeRows); }

    NodeEntry& addNode(std::string_view id, std::string_view className, std::string_view label,
                       std::string_view title, std::string_view image, std::string_view url,
                       int imageLabel) {
        NodeEntry& node = plan.nodes[sectionCount(plan, PlanSection::Nodes)++];
        set(node.id, id);
        set(node.className, className);
        set(node.label, label);
        set(node.title, title);
        set(node.image, image);
        set(node.url, url);
        node.imageLabel = imageLabel;
        return node;
    }

    std::unique_ptr<OntologyPlan> owner = std::make_unique<OntologyPlan>();
    OntologyPlan& plan = *owner;
    std::filesystem::path directory;
    int pages = 0;
};

TEST_F(PageTest, EmptyPlanGivesTheFixedLines) {
    std::filesystem::path path = nextPath();
    testing::internal::CaptureStdout();
    PageResult result = writePage(plan, path.string().c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(result, PageResult::Written);
    EXPECT_EQ(fileBytes(path), EmptyPage);
}

TEST_F(PageTest, NodeRows) {
    addNode("p1", "person", "Ann Lee", "<a href=\"http://a\" target=\"_blank\">Ann_Lee</a>",
            "http://x/a.png", "http://a", 0);
    addNode("p2", "person", "Bo", "Bo", "http://x/b.png", "", 1);
    addNode("00000", "place", "", "", "http://x/c.png", "", 0);
    EXPECT_EQ(nodeRows(),
              "        nodesTable.addRow(['p1', 'person', 'Ann Lee', '<a href=\"http://a\" "
              "target=\"_blank\">Ann_Lee</a>', '', 'http://x/a.png', 'http://a']);\r\n"
              "        nodesTable.addRow(['p2', 'person_image', 'Bo', 'Bo', 'image', "
              "'http://x/b.png', '']);\r\n"
              "        nodesTable.addRow(['00000', 'place', '', '', '', 'http://x/c.png', "
              "'']);\r\n");
}

TEST_F(PageTest, LinkRowsQuoteColorAndStyleEachOnTheirOwn) {
    RelationEntry& relation = plan.relations[0];
    set(relation.name, "part_of");
    set(relation.color, "red");
    set(relation.style, "line");
    RelationEntry& odd = plan.relations[1];
    set(odd.name, "odd");
    set(odd.color, "it's");
    set(odd.style, "a\\b");
    sectionCount(plan, PlanSection::Relation) = 2;
    LinkEntry& first = plan.links[0];
    set(first.fromId, "p1");
    set(first.toId, "p_2");
    set(first.relation, "part of");
    set(first.colorStyle, "red', 'line");
    first.relationRow = 0;
    LinkEntry& second = plan.links[1];
    set(second.fromId, "p2");
    set(second.toId, "p1");
    set(second.relation, "odd");
    set(second.colorStyle, "it's', 'a\\b");
    second.relationRow = 1;
    sectionCount(plan, PlanSection::Links) = 2;
    EXPECT_EQ(block(BeforeLinkRows, AfterLinkRows),
              "        linksTable.addRow(['p1', 'p_2', 'red', 'line', 'part of']);\r\n"
              "        linksTable.addRow(['p2', 'p1', 'it\\'s', 'a\\\\b', 'odd']);\r\n");
}

TEST_F(PageTest, GroupLines) {
    set(plan.classes[0].name, "person");
    set(plan.classes[0].borderColor, "blue");
    set(plan.classes[0].style, "box");
    set(plan.classes[1].name, "o'clock");
    set(plan.classes[1].borderColor, "#ff0000");
    set(plan.classes[1].style, "dot");
    sectionCount(plan, PlanSection::Class) = 2;
    EXPECT_EQ(block(BeforeGroupLines, AfterGroupLines),
              "                'person': { 'borderColor': 'blue',  'style': 'box', 'radius': 15 "
              "},\r\n"
              "                'o\\'clock': { 'borderColor': '#ff0000',  'style': 'dot', "
              "'radius': 15 },\r\n");
}

// Headings stand in the body as the plan has them; a line end in the text puts
// the closing tag on the next line, and leaves the page as CR LF like any other.
TEST_F(PageTest, HeadingLines) {
    set(plan.headings[0].tag, "h1");
    set(plan.headings[0].text, "Family Tree\n");
    set(plan.headings[1].tag, "h_2");
    set(plan.headings[1].text, "<b>it's</b> & \\ U+0027");
    sectionCount(plan, PlanSection::Project) = 2;
    EXPECT_EQ(block(BeforeHeadingLines, AfterHeadingLines),
              "    <h1 style=\"text-align: center;\">Family Tree\r\n"
              "</h1>\r\n"
              "    <h_2 style=\"text-align: center;\"><b>it's</b> & \\ U+0027</h_2>\r\n");
}

// Field values in the script: what would end a string or the script is written
// as the script's own escape, so the browser still reads the plan's text.
TEST_F(PageTest, ScriptValuesAreEscaped) {
    struct Case {
        std::string label;
        std::string written;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"it's", "it\\'s"},
        {"a\\b", "a\\\\b"},
        {"</script>", "\\x3C/script>"},
        {"x</ScRiPt", "x\\x3C/ScRiPt"},
        {"<!-- c", "\\x3C!-- c"},
        {"<b></scrip", "<b></scrip"},
        {"<!-", "<!-"},
        // Escapes that the conversion turns into ASCII.
        {"&#39;", "\\x27"},
        {"&#39x", "\\x27x"},
        {"U+0027s", "\\x27s"},
        {"U+005c", "\\x5C"},
        {"&#0;", "\\x00"},
        {"&#60;/script>", "\\x3C/script>"},
        {"&#127;&#128;", "\\x7F&#128;"},
        // Other escapes, and what is no escape, stay as they are.
        {"U+00E9 &#233;", "U+00E9 &#233;"},
        {"&#99999999999", "&#99999999999"},
        {"&#x27; &# U+27", "&#x27; &# U+27"},
        // A second byte that looks like ASCII belongs to its character.
        {"\x81'\x81\\", "\x81'\x81\\"},
        {"\x81U+0027", "\x81U+0027"},
        {"\xB0\xA1'", "\xB0\xA1\\'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.label));
        clearPlan(plan);
        addNode("n1", "c", c.label, "t", "i", "u", 0);
        EXPECT_EQ(nodeRows(), "        nodesTable.addRow(['n1', 'c', '" + c.written +
                                  "', 't', '', 'i', 'u']);\r\n");
    }
}

TEST_F(PageTest, EveryNodeFieldIsEscaped) {
    addNode("i'd", "c'l", "l'b", "t'l", "i'm", "u'r", 1);
    EXPECT_EQ(nodeRows(),
              "        nodesTable.addRow(['i\\'d', 'c\\'l_image', 'l\\'b', 't\\'l', 'image', "
              "'i\\'m', 'u\\'r']);\r\n");
}

TEST_F(PageTest, ExistingFileIsLeftAlone) {
    std::filesystem::path path = nextPath();
    {
        std::ofstream existing(path, std::ios::binary);
        existing << "mine";
    }
    EXPECT_EQ(writePage(plan, path.string().c_str()), PageResult::Exists);
    EXPECT_EQ(fileBytes(path), "mine");
}

TEST_F(PageTest, MissingDirectoryIsACreationError) {
    std::filesystem::path path = directory / "missing" / "page.txt";
    EXPECT_EQ(writePage(plan, path.string().c_str()), PageResult::CreationError);
    EXPECT_FALSE(std::filesystem::exists(path));
}

#ifndef _WIN32
// A file size limit makes the writes fail for real, even for root.
TEST_F(PageTest, WriteErrorRemovesThePartFile) {
    std::filesystem::path path = nextPath();
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1000;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    int limited = setrlimit(RLIMIT_FSIZE, &small);
    PageResult result = PageResult::Written;
    if (limited == 0) {
        result = writePage(plan, path.string().c_str());
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    }
    (void)std::signal(SIGXFSZ, previous);
    ASSERT_EQ(limited, 0);
    EXPECT_EQ(result, PageResult::WriteError);
    EXPECT_FALSE(std::filesystem::exists(path));
}
#endif

}  // namespace
}  // namespace tarnwick
