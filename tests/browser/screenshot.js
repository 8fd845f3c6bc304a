// Draws the README screenshot: the program turns a bundled example plan into
// its page, and headless Chromium shows that page with vis-network standing in
// for the graph script (doubles/vis_adapter.js) and a drawn picture for every
// picture address. The first node with a picture of its own is selected, so the
// info box under the graph shows too.
//
//     node tests/browser/screenshot.js --binary build/default/tarnwick \
//         [--plan examples/food.lst] [--out docs/screenshot.png]
'use strict';

const fs = require('node:fs');
const path = require('node:path');

const harness = require('./harness.js');

const ROOT = path.resolve(__dirname, '..', '..');

function option(name, fallback) {
  const at = process.argv.indexOf(name);
  return at >= 0 && at + 1 < process.argv.length ? process.argv[at + 1] : fallback;
}

// A stock-photo sign whose colours follow the address: a sun over two hills.
function picture(address) {
  let hash = 0;
  for (const c of address) {
    hash = (hash * 31 + c.codePointAt(0)) >>> 0;
  }
  const hue = hash % 360;
  const body = `<svg xmlns="http://www.w3.org/2000/svg" width="96" height="96" viewBox="0 0 96 96">
<rect width="96" height="96" rx="12" fill="hsl(${hue},60%,88%)"/>
<circle cx="68" cy="28" r="11" fill="hsl(${(hue + 40) % 360},80%,55%)"/>
<path d="M0 84l28-38 20 26 14-16 34 28v12H0z" fill="hsl(${hue},45%,42%)"/>
</svg>`;
  return { body, contentType: 'image/svg+xml' };
}

function pictureFor(address) {
  return /^http:\/\/localhost\/[^?#]*\.(png|jpe?g|gif)$/i.test(address) ? picture(address) : null;
}

async function main() {
  harness.stopUnlessReady();
  const binary = harness.argument('--binary');
  const planPath = path.resolve(option('--plan', path.join(ROOT, 'examples', 'food.lst')));
  const out = path.resolve(option('--out', path.join(ROOT, 'docs', 'screenshot.png')));
  const name = path.basename(planPath, '.lst');

  const program = harness.runProgram(binary, name, fs.readFileSync(planPath));
  if (program.status !== 0) {
    throw new Error(`the program failed on ${planPath}:\n${program.stdout}`);
  }
  const visNetwork = require.resolve('vis-network/standalone/umd/vis-network.min.js');
  const networkScript = Buffer.concat([
    fs.readFileSync(visNetwork), Buffer.from('\n'),
    fs.readFileSync(path.join(__dirname, 'doubles', 'vis_adapter.js')),
  ]);

  const browser = await harness.launchBrowser({ width: 900, height: 720 });
  try {
    const { page, problems } = await harness.openPage(browser, program.page,
                                                       { pictures: pictureFor, networkScript });
    await page.waitForFunction(() => network && network.stabilized, null, { timeout: 60000 });
    await page.evaluate(() => {
      for (let row = 1; row < nodesTable.getNumberOfRows(); ++row) {
        if (!/\/VR\/style\/noimage\.png$/.test(nodesTable.getValue(row, 5))) {
          network.setSelection([{ row }]);
          google.visualization.events.trigger(network, 'select', {});
          return;
        }
      }
    });
    await page.waitForFunction(() => [...document.images].every((img) => img.complete));
    // vis-network draws on a canvas: give it a frame after the selection.
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => resolve())));
    if (problems.length > 0) {
      throw new Error(`the page had problems:\n${problems.join('\n')}`);
    }
    fs.mkdirSync(path.dirname(out), { recursive: true });
    await page.screenshot({ path: out, fullPage: true });
    console.log(`wrote ${out}`);
  } finally {
    await browser.close();
    fs.rmSync(program.dir, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.error(error.message);
  process.exit(1);
});
