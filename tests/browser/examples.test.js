// The bundled example plans pass validation, and their pages draw in Chromium
// with every node, link, group and heading, and show every node when selected.
//
//     node tests/browser/examples.test.js --binary build/default/tarnwick
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { after, before, test } = require('node:test');

const harness = require('./harness.js');

harness.stopUnlessReady();

const EXAMPLES = path.resolve(__dirname, '..', '..', 'examples');

const CREATED = (name) => [
  '',
  'Tarnwick 1.2 (2017/03/08)',
  'Turns ontology plans into interactive network-graph web pages.',
  `List file: ${name}.lst`,
  `HTML File: ${name}.txt`,
  '',
  'Source Range : 2 Byte Characters',
  'Target Format: KSX -> UTF8',
  `Visualizatin Script ${name}.htm has been Created.`,
  '',
].join('\n');

// Written from the plans by hand: ids and labels, links as from, to and title,
// the groups, the headings, and the pictures the page may ask for.
const CASES = {
  family: {
    nodes: [['00000', ''], ['p1', '김철수 (金哲洙)'], ['p2', '이영희 (李英姬)'], ['p3', '김민준'],
            ['p4', '박서연'], ['p5', '김하늘 ☆'], ['seoul', '서울']],
    links: [['p1', 'p2', 'married to'], ['p3', 'p4', 'married to'], ['p1', 'p3', 'parent of'],
            ['p2', 'p3', 'parent of'], ['p3', 'p5', 'parent of'], ['p4', 'p5', 'parent of'],
            ['p5', 'seoul', 'born in']],
    groups: ['person', 'ancestor', 'place', 'dummy'],
    headings: [['H1', '김씨 가족 (金氏 家族)'], ['H3', '세 세대의 가계도']],
    pictures: ['p1', 'p2', 'p4'].map((p) => `http://localhost/family/${p}.png`),
  },
  food: {
    nodes: [['00000', ''], ['kimchi', '배추김치 (沈菜)'], ['bibimbap', '비빔밥'],
            ['jeonju_bibimbap', '전주비빔밥'], ['bulgogi', '불고기'],
            ['doenjang_jjigae', '된장찌개'], ['cabbage', '배추'], ['rice', '쌀 (米)'],
            ['beef', '소고기'], ['soybean', '콩 (大豆)'], ['gochugaru', '고춧가루'],
            ['gochujang', '고추장'], ['doenjang', '된장 (醬)'], ['ganjang', '간장'],
            ['jeonju', '전주 (全州)'], ['sunchang', '순창 (淳昌)']],
    links: [['kimchi', 'cabbage', 'made with'], ['kimchi', 'gochugaru', 'seasoned with'],
            ['bibimbap', 'rice', 'made with'], ['bibimbap', 'gochujang', 'seasoned with'],
            ['jeonju_bibimbap', 'bibimbap', 'variant of'],
            ['jeonju_bibimbap', 'jeonju', 'comes from'], ['bulgogi', 'beef', 'made with'],
            ['bulgogi', 'ganjang', 'seasoned with'],
            ['doenjang_jjigae', 'doenjang', 'seasoned with'],
            ['gochujang', 'gochugaru', 'made with'], ['gochujang', 'sunchang', 'comes from'],
            ['doenjang', 'soybean', 'made with'], ['ganjang', 'soybean', 'made with']],
    groups: ['dish', 'ingredient', 'sauce', 'region', 'dummy'],
    headings: [['H1', '한식 온톨로지 (韓食)'], ['H3', '요리·재료·양념·지역 — 노드를 누르면 사진이 보입니다']],
    pictures: ['kimchi', 'bibimbap', 'jeonju_bibimbap']
        .map((dish) => `http://localhost/food/${dish}.png`),
  },
};

let browser;
const programs = [];

before(async () => {
  browser = await harness.launchBrowser();
});

after(async () => {
  if (browser) {
    await browser.close();
  }
  for (const program of programs) {
    fs.rmSync(program.dir, { recursive: true, force: true });
  }
});

test('every plan in examples/ has its case here', () => {
  const plans = fs.readdirSync(EXAMPLES).filter((f) => f.endsWith('.lst')).sort();
  assert.deepEqual(plans, Object.keys(CASES).map((name) => `${name}.lst`).sort());
});

for (const [name, expected] of Object.entries(CASES)) {
  test(`examples/${name}.lst draws its page`, async () => {
    const program = harness.runProgram(harness.argument('--binary'), name,
                                       fs.readFileSync(path.join(EXAMPLES, `${name}.lst`)));
    programs.push(program);
    assert.equal(program.status, 0, program.stdout);
    assert.equal(program.stdout, CREATED(name));

    const { page, problems } = await harness.openPage(browser, program.page,
                                                      { pictures: expected.pictures });
    const drawn = await page.evaluate(() => ({
      nodes: Array.from({ length: nodesTable.getNumberOfRows() },
                        (_, r) => [nodesTable.getValue(r, 0), nodesTable.getValue(r, 2)]),
      links: Array.from({ length: linksTable.getNumberOfRows() },
                        (_, r) => [0, 1, 4].map((c) => linksTable.getValue(r, c))),
      groups: Object.keys(network.received[0].options.groups),
      texts: [...document.querySelectorAll('#mynetwork g.node text')].map((t) => t.textContent),
      unresolved: network.unresolvedLinks,
      headings: [...document.body.children]
          .filter((e) => /^H[1-6]$/.test(e.tagName))
          .map((h) => [h.tagName, h.textContent.trim(), getComputedStyle(h).textAlign]),
    }));
    assert.deepEqual(drawn.nodes, expected.nodes);
    assert.deepEqual(drawn.texts, expected.nodes.map(([, label]) => label));
    assert.deepEqual(drawn.links, expected.links);
    assert.deepEqual(drawn.unresolved, []);
    assert.deepEqual(drawn.groups, expected.groups);
    assert.deepEqual(drawn.headings, expected.headings.map((h) => [...h, 'center']));

    for (let row = 1; row < expected.nodes.length; ++row) {
      await page.click(`#mynetwork g.node[data-row="${row}"] circle`);
      await page.waitForFunction(() => {
        const img = document.querySelector('#info img');
        return img !== null && img.complete && img.naturalWidth > 0;
      });
      const shown = await page.evaluate(() => document.querySelector('#info a').textContent);
      assert.equal(shown, expected.nodes[row][1], `row ${row}`);
    }
    assert.deepEqual(problems, []);
    await page.close();
  });
}
