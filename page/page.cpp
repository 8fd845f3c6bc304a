#include "page/page.hpp"

#include <array>
#include <string_view>

#include "app/textstream.hpp"
#include "plan/textunits.hpp"

namespace tarnwick {

namespace {

// The page's fixed text, in the pieces that stand between the row blocks. The
// font names are KS X 1001 bytes: HCR Batang and Malgun Gothic.

constexpr std::string_view PageStart =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
    "\"http://www.w3.org/TR/html4/loose.dtd\">\n"
    "<html>\n"
    "    <head>\n"
    "    <title>Simple Ontology Visualization</title>\n"
    "    <meta name=\"description\" content=\"Google Visualization API Script\"/>\n"
    "    <meta name=\"author\" content=\"Brindlecote\"/>\n"
    "    <style>\n"
    "      body {font: 10pt \xC7\xD4\xC3\xCA\xB7\xD2\xB9\xD9\xC5\xC1;}\n"
    "      p {font: 12pt \xB8\xBC\xC0\xBA \xB0\xED\xB5\xF1; text-align: center;}\n"
    "      table {border: 0; width: 100%;}\n"
    "      tr:nth-child(even){background-color: #efefef;}\n"
    "    </style>\n"
    "    <script type=\"text/javascript\" src=\"http://" TARNWICK_LOADER_HOST
    "/jsapi\"></script>\n"
    "    <script type=\"text/javascript\" src=\"http://" TARNWICK_SCRIPT_HOST
    "/Graph/network/network.js\"></script>\n"
    "    <script type=\"text/javascript\">\n"
    "      var nodesTable = null;\n"
    "      var linksTable = null;\n"
    "      var network = null;\n"
    "\n"
    "      google.load('visualization', '1');\n"
    "      google.setOnLoadCallback(draw);\n"
    "\n"
    "      function draw() {\n"
    "\n"
    "        nodesTable = new google.visualization.DataTable();\n"
    "        nodesTable.addColumn('string', 'id');\n"
    "        nodesTable.addColumn('string', 'group');\n"
    "        nodesTable.addColumn('string', 'text');\n"
    "        nodesTable.addColumn('string', 'title'); \n"
    "        nodesTable.addColumn('string', 'style'); \n"
    "        nodesTable.addColumn('string', 'image'); \n"
    "        nodesTable.addColumn('string', 'url'); \n"
    "\n"
    "        nodesTable.addRow(['00000', 'dummy', '', '', '', '', '']);\n";

constexpr std::string_view BeforeLinkRows =
    "\n"
    "        linksTable = new google.visualization.DataTable();\n"
    "        linksTable.addColumn('string', 'from');\n"
    "        linksTable.addColumn('string', 'to');\n"
    "        linksTable.addColumn('string', 'color');\n"
    "        linksTable.addColumn('string', 'style');\n"
    "        linksTable.addColumn('string', 'title');\n"
    "\n";

constexpr std::string_view BeforeGroupLines =
    "\n"
    "        var options = {\n"
    "            'width': '100%',  'height': '440px',  'stabilize': false,  'selectable': true,\n"
    "            'links': { 'length': 150,  'width': 1, },  \n"
    "            'nodes': {  'fontFace': '\xC7\xD4\xC3\xCA\xB7\xD2\xB9\xD9\xC5\xC1', "
    "'fontSize': 15, 'backgroundColor': 'white',  'highlightColor': 'gold',  "
    "'fontColor': 'black', },\n"
    "            'groups': {\n";

constexpr std::string_view BeforeHeadingLines =
    "                'dummy': { 'borderColor': 'white',  'style': 'dot', 'radius': 1 },\n"
    "            },\n"
    "        };\n"
    "\n"
    "       network = new links.Network(document.getElementById('mynetwork'));\n"
    "       network.draw(nodesTable, linksTable, options);\n"
    "\n"
    "       network = new links.Network(document.getElementById('mynetwork'));\n"
    "       google.visualization.events.addListener(network, 'select', onselect);\n"
    "       network.draw(nodesTable, linksTable, options);\n"
    "       var selection = [{'row': 0}];\n"
    "       network.setSelection(selection);\n"
    "\n"
    "      }\n"
    "\n"
    "\t\tfunction onselect() {\n"
    "        \tvar sel = network.getSelection();\n"
    "        \tvar nodeName = nodesTable.getValue(sel[0].row, 2);\n"
    "        \tvar image = nodesTable.getValue(sel[0].row, 5);\n"
    "        \tvar refurl = nodesTable.getValue(sel[0].row, 6);\n"
    "\t\t\tdocument.getElementById('info').innerHTML = '';\n"
    "\t\t\tdocument.getElementById('info').innerHTML += '<p><a href=\"' + refurl + '\" "
    "target=\"_blank\"><img height=\"100\" src=\"' + image + '\"><br/>' + nodeName + "
    "'</a></p>';\n"
    "\t\t}\n"
    "\n"
    "    </script>\n"
    "</head>\n"
    "\n"
    "<body>\n"
    "\n";

constexpr std::string_view PageEnd =
    "\n"
    "    <table>\n"
    "\t\t\t<tr height=\"440\"><td><div id=\"mynetwork\"></div></td></tr>\n"
    "\t\t\t<tr height=\"160\"><td><div id=\"info\"></div></td></tr>\n"
    "    </table>\n"
    "\n"
    "</body>\n"
    "</html>\n";

// Whether a '<' at the start of `text` would end the script or open a comment
// in the browser's eyes.
bool closesScript(std::string_view text) {
    if (text.substr(0, 4) == "<!--") {
        return true;
    }
    constexpr std::string_view ScriptEnd = "</script";
    if (text.size() < ScriptEnd.size() || text[1] != '/') {
        return false;
    }
    for (std::size_t i = 2; i < ScriptEnd.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != ScriptEnd[i]) {
            return false;
        }
    }
    return true;
}

// Writes a field value into a single-quoted string of the script so that the
// browser reads exactly the text the plan meant. Escapes that the conversion
// would turn into ASCII are written as the script's own \x escapes instead, so
// they can no longer end the string or the script; double-byte characters are
// copied whole, since their second byte may look like a quote or a backslash.
void writeScriptText(TextWriter& page, std::string_view value) {
    static constexpr char HexDigits[] = "0123456789ABCDEF";
    std::size_t copied = 0;  // value[copied, i) is still to be written as it is
    std::size_t i = 0;
    while (i < value.size()) {
        std::size_t unit = unitLength(value, i);
        char c = value[i];
        std::array<char, 4> code{};
        std::string_view written;
        if (unit > 1 && !isLeadByte(c)) {
            Escape escape = matchEscape(value.substr(i));
            if (escape.value <= 0x7F) {
                code = {'\\', 'x', HexDigits[escape.value >> 4], HexDigits[escape.value & 0xF]};
                written = std::string_view(code.data(), code.size());
            }
        } else if (c == '\\') {
            written = "\\\\";
        } else if (c == '\'') {
            written = "\\'";
        } else if (c == '<' && closesScript(value.substr(i))) {
            written = "\\x3C";
        }
        if (!written.empty()) {
            writeText(page, value.substr(copied, i - copied));
            writeText(page, written);
            copied = i + unit;
        }
        i += unit;
    }
    writeText(page, value.substr(copied));
}

void writeNodeRow(TextWriter& page, const NodeEntry& node) {
    bool drawnAsImage = node.imageLabel == 1;
    writeText(page, "        nodesTable.addRow(['");
    writeScriptText(page, fieldText(node.id));
    writeText(page, "', '");
    writeScriptText(page, fieldText(node.className));
    writeText(page, drawnAsImage ? "_image', '" : "', '");
    writeScriptText(page, fieldText(node.label));
    writeText(page, "', '");
    writeScriptText(page, fieldText(node.title));
    writeText(page, drawnAsImage ? "', 'image', '" : "', '', '");
    writeScriptText(page, fieldText(node.image));
    writeText(page, "', '");
    writeScriptText(page, fieldText(node.url));
    writeText(page, "']);\n");
}

void writeLinkRow(TextWriter& page, const OntologyPlan& plan, const LinkEntry& link) {
    writeText(page, "        linksTable.addRow(['");
    writeScriptText(page, fieldText(link.fromId));
    writeText(page, "', '");
    writeScriptText(page, fieldText(link.toId));
    writeText(page, "', '");
    // colorStyle joins two values with quotes of its own, so the two are quoted
    // one by one from the relation that validation matched.
    if (link.relationRow >= 0 && link.relationRow < sectionCount(plan, PlanSection::Relation)) {
        const RelationEntry& relation = plan.relations[static_cast<std::size_t>(link.relationRow)];
        writeScriptText(page, fieldText(relation.color));
        writeText(page, "', '");
        writeScriptText(page, fieldText(relation.style));
    } else {
        writeText(page, fieldText(link.colorStyle));
    }
    writeText(page, "', '");
    writeScriptText(page, fieldText(link.relation));
    writeText(page, "']);\n");
}

void writeGroupLine(TextWriter& page, const ClassEntry& group) {
    writeText(page, "                '");
    writeScriptText(page, fieldText(group.name));
    writeText(page, "': { 'borderColor': '");
    writeScriptText(page, fieldText(group.borderColor));
    writeText(page, "',  'style': '");
    writeScriptText(page, fieldText(group.style));
    writeText(page, "', 'radius': 15 },\n");
}

// The body holds the heading as the plan has it: HTML there is meant as HTML.
void writeHeadingLine(TextWriter& page, const PlanHeading& heading) {
    writeText(page, "    <");
    writeText(page, fieldText(heading.tag));
    writeText(page, " style=\"text-align: center;\">");
    writeText(page, fieldText(heading.text));
    writeText(page, "</");
    writeText(page, fieldText(heading.tag));
    writeText(page, ">\n");
}

template <typename Row, std::size_t Capacity, typename WriteRow>
void writeRows(const std::array<Row, Capacity>& rows, int count, WriteRow writeRow) {
    for (int row = 0; row < count; ++row) {
        writeRow(rows[static_cast<std::size_t>(row)]);
    }
}

}  // namespace

PageResult writePage(const OntologyPlan& plan, const char* pagePath) {
    TextWriter page;
    switch (createTextWriter(page, pagePath)) {
        case CreateResult::Created:
            break;
        case CreateResult::Exists:
            return PageResult::Exists;
        case CreateResult::Failed:
            return PageResult::CreationError;
    }

    writeText(page, PageStart);
    writeRows(plan.nodes, sectionCount(plan, PlanSection::Nodes),
              [&](const NodeEntry& node) { writeNodeRow(page, node); });
    writeText(page, BeforeLinkRows);
    writeRows(plan.links, sectionCount(plan, PlanSection::Links),
              [&](const LinkEntry& link) { writeLinkRow(page, plan, link); });
    writeText(page, BeforeGroupLines);
    writeRows(plan.classes, sectionCount(plan, PlanSection::Class),
              [&](const ClassEntry& group) { writeGroupLine(page, group); });
    writeText(page, BeforeHeadingLines);
    writeRows(plan.headings, sectionCount(plan, PlanSection::Project),
              [&](const PlanHeading& heading) { writeHeadingLine(page, heading); });
    writeText(page, PageEnd);

    if (!closeTextWriter(page)) {
        removeFile(pagePath);
        return PageResult::WriteError;
    }
    return PageResult::Written;
}

}  // namespace tarnwick
