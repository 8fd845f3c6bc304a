"""The visualization page as the program must leave it, typed by hand.

TEMPLATE holds the page's fixed lines in Unicode, one string per line without
its line end; the four marker lines stand where the row blocks go.  The two
font names are the Unicode text that the converter makes of their KS X 1001
bytes.  Lines that end in blanks keep them inside the quotes.
"""

NODE_ROWS = "@@node rows@@"
LINK_ROWS = "@@link rows@@"
GROUP_LINES = "@@group lines@@"
HEADING_LINES = "@@heading lines@@"

PLACEHOLDER_IMAGE = "http://localhost/VR/style/noimage.png"

TEMPLATE = [
    '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN" '
    '"http://www.w3.org/TR/html4/loose.dtd">',
    "<html>",
    "    <head>",
    "    <title>Simple Ontology Visualization</title>",
    '    <meta name="description" content="Google Visualization API Script"/>',
    '    <meta name="author" content="Brindlecote"/>',
    "    <style>",
    "      body {font: 10pt 함초롬바탕;}",
    "      p {font: 12pt 맑은 고딕; text-align: center;}",
    "      table {border: 0; width: 100%;}",
    "      tr:nth-child(even){background-color: #efefef;}",
    "    </style>",
    '    <script type="text/javascript" src="http://www.google.com/jsapi"></script>',
    '    <script type="text/javascript" src="http://localhost/Graph/network/network.js"></script>',
    '    <script type="text/javascript">',
    "      var nodesTable = null;",
    "      var linksTable = null;",
    "      var network = null;",
    "",
    "      google.load('visualization', '1');",
    "      google.setOnLoadCallback(draw);",
    "",
    "      function draw() {",
    "",
    "        nodesTable = new google.visualization.DataTable();",
    "        nodesTable.addColumn('string', 'id');",
    "        nodesTable.addColumn('string', 'group');",
    "        nodesTable.addColumn('string', 'text');",
    "        nodesTable.addColumn('string', 'title'); ",
    "        nodesTable.addColumn('string', 'style'); ",
    "        nodesTable.addColumn('string', 'image'); ",
    "        nodesTable.addColumn('string', 'url'); ",
    "",
    "        nodesTable.addRow(['00000', 'dummy', '', '', '', '', '']);",
    NODE_ROWS,
    "",
    "        linksTable = new google.visualization.DataTable();",
    "        linksTable.addColumn('string', 'from');",
    "        linksTable.addColumn('string', 'to');",
    "        linksTable.addColumn('string', 'color');",
    "        linksTable.addColumn('string', 'style');",
    "        linksTable.addColumn('string', 'title');",
    "",
    LINK_ROWS,
    "",
    "        var options = {",
    "            'width': '100%',  'height': '440px',  'stabilize': false,  'selectable': true,",
    "            'links': { 'length': 150,  'width': 1, },  ",
    "            'nodes': {  'fontFace': '함초롬바탕', 'fontSize': 15, 'backgroundColor': 'white',"
    "  'highlightColor': 'gold',  'fontColor': 'black', },",
    "            'groups': {",
    GROUP_LINES,
    "                'dummy': { 'borderColor': 'white',  'style': 'dot', 'radius': 1 },",
    "            },",
    "        };",
    "",
    "       network = new links.Network(document.getElementById('mynetwork'));",
    "       network.draw(nodesTable, linksTable, options);",
    "",
    "       network = new links.Network(document.getElementById('mynetwork'));",
    "       google.visualization.events.addListener(network, 'select', onselect);",
    "       network.draw(nodesTable, linksTable, options);",
    "       var selection = [{'row': 0}];",
    "       network.setSelection(selection);",
    "",
    "      }",
    "",
    "\t\tfunction onselect() {",
    "        \tvar sel = network.getSelection();",
    "        \tvar nodeName = nodesTable.getValue(sel[0].row, 2);",
    "        \tvar image = nodesTable.getValue(sel[0].row, 5);",
    "        \tvar refurl = nodesTable.getValue(sel[0].row, 6);",
    "\t\t\tdocument.getElementById('info').innerHTML = '';",
    "\t\t\tdocument.getElementById('info').innerHTML += '<p><a href=\"' + refurl + '\""
    " target=\"_blank\"><img height=\"100\" src=\"' + image + '\"><br/>' + nodeName"
    " + '</a></p>';",
    "\t\t}",
    "",
    "    </script>",
    "</head>",
    "",
    "<body>",
    "",
    HEADING_LINES,
    "",
    "    <table>",
    '\t\t\t<tr height="440"><td><div id="mynetwork"></div></td></tr>',
    '\t\t\t<tr height="160"><td><div id="info"></div></td></tr>',
    "    </table>",
    "",
    "</body>",
    "</html>",
]


def node_row(id_, group, text, title, image, url, image_label=False):
    """One node row; image_label gives the form with the *_image group."""
    if image_label:
        return (f"        nodesTable.addRow(['{id_}', '{group}_image', '{text}', '{title}', "
                f"'image', '{image}', '{url}']);")
    return (f"        nodesTable.addRow(['{id_}', '{group}', '{text}', '{title}', '', "
            f"'{image}', '{url}']);")


def link_row(from_, to, color, style, title):
    return f"        linksTable.addRow(['{from_}', '{to}', '{color}', '{style}', '{title}']);"


def group_line(name, border, style):
    return (f"                '{name}': {{ 'borderColor': '{border}',  'style': '{style}', "
            f"'radius': 15 }},")


def heading_lines(tag, text):
    """A heading whose text ends in a line end comes out over two lines."""
    line = f'    <{tag} style="text-align: center;">{text}</{tag}>'
    return line.split("\n")


def page(nodes=(), links=(), groups=(), headings=()):
    """The bytes of the visualization page: BOM, UTF-8, every line end CR LF."""
    blocks = {NODE_ROWS: nodes, LINK_ROWS: links, GROUP_LINES: groups,
              HEADING_LINES: headings}
    lines = []
    for line in TEMPLATE:
        if line in blocks:
            lines.extend(blocks[line])
        else:
            lines.append(line)
    text = "".join(line + "\n" for line in lines)
    return b"\xef\xbb\xbf" + text.encode("utf-8").replace(b"\n", b"\r\n")
