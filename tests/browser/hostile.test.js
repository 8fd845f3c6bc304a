// A plan whose names and labels hold everything that could end a string or the
// script of the page: the page must still draw exactly the plan's nodes, with
// exactly the texts the plan meant.
//
//     node tests/browser/hostile.test.js --binary build/default/tarnwick
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const { after, before, test } = require('node:test');

const harness = require('./harness.js');
const { PLACEHOLDER: PH, hex, planBytes } = harness;

harness.stopUnlessReady();

// Extended-area pairs whose second byte is ' \ or _: A1 27 U+659D 斝, A1 5C U+6760 杠,
// A1 5F U+77FC 矼 (block 1, in KS X 1002 order from A1 21), and the system's
// fallback pairs C9 27 U+8CDB 賛, F7 5C U+904C 遌, F6 5F U+712B 焫. B0 alone is
// half a character: the program writes A2 C3, U+25A3 ▣, in its place.
const PLAN = planBytes(
    '#PROJECT\n',                                                            // line 1
    'h1 Hostile_names\n',
    '#CLASS\n',
    "it's #c00 box\n",                                                       // line 4
    'back\\slash #0a0 ellipse\n',
    'a</script>b<!--c #00c dot\n',
    'q&#39;r&#92;s&#10;tU+0027 #808 box\n',
    'x', hex('a127 f75c f65f'), '_y orange ellipse\n',
    'lone', hex('b0'), ' #123 box\n',                                        // line 9
    '#RELATION\n',
    "o'clock red line\n",                                                    // line 11
    'c:\\path_to blue dash-line\n',
    '</SCRIPT>_<!-- green line\n',
    '&#39;&#92;&#10;U+0027 purple dash-line\n',
    hex('c927 a15c'), '_', hex('f65f'), '_z black line\n',
    'lone', hex('b0'), ' gray line\n',                                       // line 16
    '#NODES\n',
    "n1 it's O'Brien\n",                                                     // line 18
    'n2 back\\slash C:\\dir\\\n',
    'n3 a</script>b<!--c x</script>y<!--z\n',
    'n4 q&#39;r&#92;s&#10;tU+0027 &#39;quoted&#39;_U+0027&#92;&#10;end\n',
    'n5 x', hex('a127 f75c f65f'), '_y ', hex('a127 a15c a15f'), '_', hex('c927 f75c f65f'),
    '_\n',
    'n6 lone', hex('b0'), ' lone', hex('b0'), '\n',                          // line 23
    "n7 it's also's\\ http://localhost/o'k.htm http://localhost/o'k.png 1\n",
    '#LINKS\n',
    "n1 n2 o'clock\n",                                                       // line 26
    'n2 n3 c:\\path_to\n',
    'n3 n4 </SCRIPT>_<!--\n',
    'n4 n5 &#39;&#92;&#10;U+0027\n',
    'n5 n6 ', hex('c927 a15c'), '_', hex('f65f'), '_z\n',
    'n6 n7 lone', hex('b0'), '\n',                                           // line 31
    '#END\n');

const CLASS_Q = "q'r\\s\nt'";
const CLASS_X = 'x斝遌焫_y';

// Columns: id, group, text, title, style, image, url.
const NODE_ROWS = [
  ['00000', 'dummy', '', '', '', '', ''],
  ['n1', "it's", "O'Brien", "O'Brien", '', PH, ''],
  ['n2', 'back\\slash', 'C:\\dir\\', 'C:\\dir\\', '', PH, ''],
  ['n3', 'a</script>b<!--c', 'x</script>y<!--z', 'x</script>y<!--z', '', PH, ''],
  ['n4', CLASS_Q, "'quoted' '\\\nend", "'quoted'_'\\\nend", '', PH, ''],
  ['n5', CLASS_X, '斝杠矼 賛遌焫 ', '斝杠矼_賛遌焫_', '', PH, ''],
  ['n6', 'lone▣', 'lone▣', 'lone▣', '', PH, ''],
  ['n7', "it's_image", "also's\\",
   `<a href="http://localhost/o'k.htm" target="_blank">also's\\</a>`, 'image',
   "http://localhost/o'k.png", "http://localhost/o'k.htm"],
];

// Columns: from, to, color, style, title.
const LINK_ROWS = [
  ['n1', 'n2', 'red', 'line', "o'clock"],
  ['n2', 'n3', 'blue', 'dash-line', 'c:\\path to'],
  ['n3', 'n4', 'green', 'line', '</SCRIPT> <!--'],
  ['n4', 'n5', 'purple', 'dash-line', "'\\\n'"],
  ['n5', 'n6', 'black', 'line', '賛杠 焫 z'],
  ['n6', 'n7', 'gray', 'line', 'lone▣'],
];

const GROUPS = [
  ["it's", '#c00', 'box', 15],
  ['back\\slash', '#0a0', 'ellipse', 15],
  ['a</script>b<!--c', '#00c', 'dot', 15],
  [CLASS_Q, '#808', 'box', 15],
  [CLASS_X, 'orange', 'ellipse', 15],
  ['lone▣', '#123', 'box', 15],
  ['dummy', 'white', 'dot', 1],
];

const WARNINGS = [
  'Warning: line 9: name ends in an incomplete character',
  'Warning: line 16: name ends in an incomplete character',
  'Warning: line 23: className ends in an incomplete character',
  'Warning: line 23: label ends in an incomplete character',
  'Warning: line 31: relation ends in an incomplete character',
];

let browser;
let program;
let opened;

before(async () => {
  program = harness.runProgram(harness.argument('--binary'), 'hostile', PLAN);
  browser = await harness.launchBrowser();
  opened = await harness.openPage(browser, program.page,
                                  { pictures: ["http://localhost/o'k.png"] });
});

after(async () => {
  if (browser) {
    await browser.close();
  }
  if (program) {
    fs.rmSync(program.dir, { recursive: true, force: true });
  }
});

test('the program writes the page and warns of the half characters', () => {
  assert.equal(program.status, 0, program.stdout);
  const lines = program.stdout.split('\n');
  assert.deepEqual(lines.filter((line) => line.startsWith('Warning:')), WARNINGS);
  assert.ok(lines.includes('Visualizatin Script hostile.htm has been Created.'), program.stdout);
});

test('the script runs to its end without an error', async () => {
  assert.deepEqual(opened.problems, []);
  const drawnTwice = await opened.page.evaluate(
      () => links.Network.instances.map((n) => n.received.length));
  assert.deepEqual(drawnTwice, [1, 1]);
});

test('the tables hold exactly the texts the plan meant', async () => {
  const tables = await opened.page.evaluate(() => {
    const rowsOf = (t) => Array.from({ length: t.getNumberOfRows() }, (_, r) =>
      Array.from({ length: t.getNumberOfColumns() }, (__, c) => t.getValue(r, c)));
    return { nodes: rowsOf(nodesTable), links: rowsOf(linksTable) };
  });
  assert.deepEqual(tables.nodes, NODE_ROWS);
  assert.deepEqual(tables.links, LINK_ROWS);
});

test('the graph gets every class as a group and draws exactly the expected nodes', async () => {
  const drawn = await opened.page.evaluate(() => {
    const groups = network.received[0].options.groups;
    return {
      groups: Object.keys(groups).map((name) => [name, groups[name].borderColor,
                                                 groups[name].style, groups[name].radius]),
      nodes: [...document.querySelectorAll('#mynetwork g.node')]
          .map((g) => [g.dataset.id, g.dataset.group, g.querySelector('text').textContent]),
      links: [...document.querySelectorAll('#mynetwork line.link')].map((l) => l.textContent),
      unresolved: network.unresolvedLinks,
    };
  });
  assert.deepEqual(drawn.groups, GROUPS);
  assert.deepEqual(drawn.nodes, NODE_ROWS.map(([id, group, text]) => [id, group, text]));
  assert.deepEqual(drawn.links, LINK_ROWS.map((row) => row[4]));
  assert.deepEqual(drawn.unresolved, []);
});

test('selecting a node with quotes in its label and addresses shows it', async () => {
  for (const [row, label, href, src] of [
    [1, "O'Brien", '', ''],
    [7, "also's\\", "http://localhost/o'k.htm", "http://localhost/o'k.png"],
  ]) {
    await opened.page.click(`#mynetwork g.node[data-row="${row}"] circle`);
    const shown = await opened.page.evaluate(() => {
      const link = document.querySelector('#info p > a');
      return [link.textContent, link.getAttribute('href'),
              link.querySelector('img').getAttribute('src')];
    });
    assert.deepEqual(shown, [label, href, src === '' ? PH : src], `row ${row}`);
  }
  assert.deepEqual(opened.problems, []);
});
