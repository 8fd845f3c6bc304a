// The page the program writes, run in Chromium: its script runs without an
// error, the tables hold the plan's rows with the right Unicode text, the graph
// gets the groups, selecting a node shows its picture and label, and the
// headings stand centred above the graph.
//
//     node tests/browser/page.test.js --binary build/default/tarnwick
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const { after, before, test } = require('node:test');

const harness = require('./harness.js');
const { PLACEHOLDER: PH, hex, planBytes } = harness;

harness.stopUnlessReady();

// KS X 1001: B0 A1 C1 B7 가족, B3 AA B9 AB 나무, CA AB F0 E9 家族, B1 E8 C3 B6 BC F6
// 김철수, D1 D1 F4 C9 E2 AA 金哲洙, C0 CC BF B5 C8 F1 이영희, D9 A3 名, BC AD BF EF 서울;
// symbols A1 A4 ·, A1 D8 ※, A1 E6 →, A1 DA ★, and A1 AD, which the system reads as
// U+007E ~; the extended area's first pair A1 21 is U+4EEE 仮.
const PLAN = planBytes(
    '#PROJECT\n',
    'h1 ', hex('b0a1 c1b7'), '_', hex('b3aa b9ab'), '_(', hex('caab f0e9'), ')\n',
    'h3 ', hex('a1d8'), '_', hex('a121'), '_U+2606_&#44032;\n',
    '#CLASS\n',
    'person #3366cc box\n',
    'place green database\n',
    '#RELATION\n',
    'parent_of black line\n',
    'lives_in #aa5500 dash-line\n',
    '#NODES\n',
    'kim person ', hex('b1e8 c3b6 bcf6'), '_(', hex('d1d1 f4c9 e2aa'), ')',
    ' http://localhost/people/kim.htm http://localhost/people/kim.png 1\n',
    'lee person ', hex('c0cc bfb5 c8f1'),
    ' http://localhost/people/lee.htm http://localhost/people/lee.png\n',
    'kana person ', hex('a121 d9a3'), '_U+2606&#9733; http://localhost/people/kana.htm\n',
    'sym place ', hex('a1a4 a1d8 a1e6 a1ad a1da'), '\n',
    'seoul place ', hex('bcad bfef'),
    ' http://localhost/places/seoul.htm http://localhost/places/seoul.png 0\n',
    '#LINKS\n',
    'kim lee parent_of\n',
    'lee kana parent_of\n',
    'kana seoul lives_in\n',
    'sym seoul lives_in\n',
    '#END\n');

const PICTURES = ['http://localhost/people/kim.png', 'http://localhost/people/lee.png',
                  'http://localhost/places/seoul.png'];

// Columns: id, group, text, title, style, image, url.
const NODE_ROWS = [
  ['00000', 'dummy', '', '', '', '', ''],
  ['kim', 'person_image', '김철수 (金哲洙)',
   '<a href="http://localhost/people/kim.htm" target="_blank">김철수_(金哲洙)</a>', 'image',
   'http://localhost/people/kim.png', 'http://localhost/people/kim.htm'],
  ['lee', 'person', '이영희',
   '<a href="http://localhost/people/lee.htm" target="_blank">' +
       '<img src="http://localhost/people/lee.png"/></a>', '',
   'http://localhost/people/lee.png', 'http://localhost/people/lee.htm'],
  ['kana', 'person', '仮名 ☆★',
   '<a href="http://localhost/people/kana.htm" target="_blank">仮名_☆★</a>', '', PH,
   'http://localhost/people/kana.htm'],
  ['sym', 'place', '·※→~★', '·※→~★', '', PH, ''],
  ['seoul', 'place', '서울',
   '<a href="http://localhost/places/seoul.htm" target="_blank">' +
       '<img src="http://localhost/places/seoul.png"/></a>', '',
   'http://localhost/places/seoul.png', 'http://localhost/places/seoul.htm'],
];

// Columns: from, to, color, style, title.
const LINK_ROWS = [
  ['kim', 'lee', 'black', 'line', 'parent of'],
  ['lee', 'kana', 'black', 'line', 'parent of'],
  ['kana', 'seoul', '#aa5500', 'dash-line', 'lives in'],
  ['sym', 'seoul', '#aa5500', 'dash-line', 'lives in'],
];

const GROUPS = {
  person: { borderColor: '#3366cc', style: 'box', radius: 15 },
  place: { borderColor: 'green', style: 'database', radius: 15 },
  dummy: { borderColor: 'white', style: 'dot', radius: 1 },
};

let browser;
let program;
let opened;

before(async () => {
  program = harness.runProgram(harness.argument('--binary'), 'family', PLAN);
  browser = await harness.launchBrowser();
  opened = await harness.openPage(browser, program.page, { pictures: PICTURES });
});

after(async () => {
  if (browser) {
    await browser.close();
  }
  if (program) {
    fs.rmSync(program.dir, { recursive: true, force: true });
  }
});

function table(page, name) {
  return page.evaluate((tableName) => {
    const t = window[tableName];
    const labels = [];
    for (let c = 0; c < t.getNumberOfColumns(); ++c) {
      labels.push(t.getColumnLabel(c));
    }
    const rows = [];
    for (let r = 0; r < t.getNumberOfRows(); ++r) {
      const row = [];
      for (let c = 0; c < t.getNumberOfColumns(); ++c) {
        row.push(t.getValue(r, c));
      }
      rows.push(row);
    }
    return { labels, rows };
  }, name);
}

test('the program writes the page', () => {
  assert.equal(program.status, 0, program.stdout);
  assert.match(program.stdout, /Visualizatin Script family\.htm has been Created\./);
  assert.ok(fs.readFileSync(program.page).subarray(0, 3).equals(Buffer.from('efbbbf', 'hex')));
});

test('the script runs without an error and asks only for what it should', async () => {
  assert.deepEqual(opened.problems, []);
  const { packages, instances, received } = await opened.page.evaluate(() => ({
    packages: window.jsapiDouble.packages,
    instances: links.Network.instances.length,
    received: links.Network.instances.map((n) => n.received.length),
  }));
  assert.deepEqual(packages, { visualization: '1' });
  // The template draws twice, the second time with the select listener.
  assert.equal(instances, 2);
  assert.deepEqual(received, [1, 1]);
  assert.deepEqual(opened.served.slice(0, 2), [harness.LOADER_URL, harness.NETWORK_URL]);
});

test('nodesTable holds the dummy row, then every node in plan order', async () => {
  const nodes = await table(opened.page, 'nodesTable');
  assert.deepEqual(nodes.labels, ['id', 'group', 'text', 'title', 'style', 'image', 'url']);
  assert.deepEqual(nodes.rows, NODE_ROWS);
});

test('linksTable holds five columns per link', async () => {
  const links = await table(opened.page, 'linksTable');
  assert.deepEqual(links.labels, ['from', 'to', 'color', 'style', 'title']);
  assert.deepEqual(links.rows, LINK_ROWS);
});

test('the graph gets one group per class, then dummy, and draws every row', async () => {
  const drawn = await opened.page.evaluate(() => {
    const last = network.received[network.received.length - 1];
    return {
      sameTables: last.nodesTable === nodesTable && last.linksTable === linksTable,
      groups: last.options.groups,
      groupNames: Object.keys(last.options.groups),
      texts: [...document.querySelectorAll('#mynetwork g.node text')].map((t) => t.textContent),
      images: [...document.querySelectorAll('#mynetwork g.node image')]
          .map((i) => i.getAttribute('href')),
      links: [...document.querySelectorAll('#mynetwork line.link')]
          .map((l) => [l.getAttribute('stroke'), l.textContent]),
      unresolved: network.unresolvedLinks,
    };
  });
  assert.ok(drawn.sameTables);
  assert.deepEqual(drawn.groupNames, ['person', 'place', 'dummy']);
  assert.deepEqual(drawn.groups, GROUPS);
  assert.deepEqual(drawn.texts, NODE_ROWS.map((row) => row[2]));
  assert.deepEqual(drawn.images, ['http://localhost/people/kim.png']);
  assert.deepEqual(drawn.links, LINK_ROWS.map((row) => [row[2], row[4]]));
  assert.deepEqual(drawn.unresolved, []);
});

async function info(page) {
  await page.waitForFunction(() => {
    const img = document.querySelector('#info img');
    return img !== null && img.complete;
  });
  return page.evaluate(() => {
    const box = document.getElementById('info');
    const link = box.querySelector('p > a');
    const img = link.querySelector('img');
    return {
      href: link.getAttribute('href'),
      src: img.getAttribute('src'),
      loaded: img.naturalWidth > 0,
      label: link.textContent,
      paragraphs: box.querySelectorAll('p').length,
    };
  });
}

test('before any selection the info box is empty', async () => {
  // The page selects row 0 itself, but setSelection fires no event.
  const state = await opened.page.evaluate(() => ({
    info: document.getElementById('info').innerHTML,
    selection: network.getSelection(),
  }));
  assert.deepEqual(state, { info: '', selection: [{ row: 0 }] });
});

test('selecting row k shows its picture, link and label', async () => {
  for (let k = 1; k < NODE_ROWS.length; ++k) {
    await opened.page.evaluate((row) => {
      network.setSelection([{ row }]);
      google.visualization.events.trigger(network, 'select', {});
    }, k);
    const [, , label, , , image, refurl] = NODE_ROWS[k];
    assert.deepEqual(await info(opened.page),
                     { href: refurl, src: image, loaded: true, label, paragraphs: 1 },
                     `row ${k}`);
  }
  assert.deepEqual(opened.problems, []);
});

test('a click on a drawn node selects it', async () => {
  await opened.page.click('#mynetwork g.node[data-row="5"] circle');
  assert.deepEqual(await opened.page.evaluate(() => network.getSelection()), [{ row: 5 }]);
  assert.deepEqual(await info(opened.page), {
    href: 'http://localhost/places/seoul.htm', src: 'http://localhost/places/seoul.png',
    loaded: true, label: '서울', paragraphs: 1,
  });
  assert.deepEqual(opened.problems, []);
});

test('the headings stand centred above the graph', async () => {
  const headings = await opened.page.evaluate(() => {
    const graph = document.getElementById('mynetwork').getBoundingClientRect();
    return [...document.body.querySelectorAll(':scope > h1, :scope > h3')].map((h) => {
      const range = document.createRange();
      range.selectNodeContents(h);
      const text = range.getBoundingClientRect();
      return {
        tag: h.tagName,
        text: h.textContent,
        align: getComputedStyle(h).textAlign,
        above: h.getBoundingClientRect().bottom <= graph.top,
        offCentre: Math.abs((text.left + text.right) / 2 - (graph.left + graph.right) / 2),
      };
    });
  });
  assert.deepEqual(headings.map(({ tag, text, align, above }) => ({ tag, text, align, above })), [
    { tag: 'H1', text: '가족 나무 (家族)\n', align: 'center', above: true },
    { tag: 'H3', text: '※ 仮 ☆ 가\n', align: 'center', above: true },
  ]);
  for (const heading of headings) {
    assert.ok(heading.offCentre < 2, `${heading.tag} is ${heading.offCentre}px off centre`);
  }
});
