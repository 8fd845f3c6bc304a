// Shared by the browser tests and the screenshot: runs the built program on a
// plan in a fresh directory, starts Debian's Chromium through playwright-core,
// and opens the page with every request answered locally: the loader and the
// graph script by test doubles, the pictures by a small image. Any other
// request is refused and recorded as a problem of the page.
'use strict';

const childProcess = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const url = require('node:url');

const CHROMIUM = '/usr/bin/chromium';
const SKIP = 77;

// The page's two script addresses and the placeholder picture, as the build's
// default hosts give them.
const LOADER_URL = 'http://www.google.com/jsapi';
const NETWORK_URL = 'http://localhost/Graph/network/network.js';
const PLACEHOLDER = 'http://localhost/VR/style/noimage.png';

const DOUBLES = path.join(__dirname, 'doubles');

// A 1x1 PNG: enough for <img> to load and report its size.
const PICTURE = Buffer.from('iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8DwHwAF' +
                            'BQIAX8jx0gAAAABJRU5ErkJggg==', 'base64');

// The plan's bytes from ASCII text and hexadecimal byte strings ('b0 a1').
function planBytes(...parts) {
  return Buffer.concat(parts.map((part) => {
    if (Buffer.isBuffer(part)) {
      return part;
    }
    if (/[^\x00-\x7f]/.test(part)) {
      throw new Error(`plan text must be ASCII, use hex() for other bytes: ${part}`);
    }
    return Buffer.from(part, 'latin1');
  }));
}

function hex(text) {
  return Buffer.from(text.replace(/\s+/g, ''), 'hex');
}

// Ends the run here, as CTest's skip or as a failure when the browser is required.
function stopUnlessReady() {
  let missing = null;
  if (!fs.existsSync(CHROMIUM)) {
    missing = `no Chromium at ${CHROMIUM} (apt-get install chromium)`;
  } else {
    try {
      require.resolve('playwright-core');
    } catch {
      missing = 'no node_modules/playwright-core (npm ci at the repository root)';
    }
  }
  if (missing === null) {
    return;
  }
  if (process.env.TARNWICK_REQUIRE_BROWSER === '1') {
    console.log(`FAILED: browser tests required (TARNWICK_REQUIRE_BROWSER=1), but ${missing}`);
    process.exit(1);
  }
  console.log(`SKIPPED: browser tests: ${missing}`);
  process.exit(SKIP);
}

function argument(name) {
  const at = process.argv.indexOf(name);
  if (at < 0 || at + 1 >= process.argv.length) {
    throw new Error(`${name} PATH is needed`);
  }
  return process.argv[at + 1];
}

// Runs the program on the plan in a new directory; the page is <name>.htm there.
function runProgram(binary, name, plan) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), `tarnwick-browser-${name}-`));
  fs.writeFileSync(path.join(dir, `${name}.lst`), plan);
  const result = childProcess.spawnSync(path.resolve(binary), [`${name}.lst`], {
    cwd: dir,
    env: { ...process.env, LC_ALL: 'C' },
    encoding: 'latin1',
    timeout: 60000,
  });
  return {
    dir,
    page: path.join(dir, `${name}.htm`),
    stdout: result.stdout,
    status: result.status,
    error: result.error,
  };
}

async function launchBrowser(viewport = { width: 1000, height: 760 }) {
  const { chromium } = require('playwright-core');
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport,
  });
  // Everything here is local: what has not happened in ten seconds will not.
  context.setDefaultTimeout(10000);
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Opens the page file as a user would, from disk. `pictures` lists the picture
// addresses the page may ask for, each served as the small PNG, or is a
// function giving { body, contentType } for an address, or null to refuse it;
// `networkScript` replaces the graph script double.
async function openPage(browser, pagePath, { pictures = [], networkScript = null } = {}) {
  const page = await browser.context.newPage();
  const problems = [];
  const served = [];
  page.on('pageerror', (error) => problems.push(`script error: ${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error') {
      problems.push(`console error: ${message.text()}`);
    }
  });

  const scripts = new Map([
    [LOADER_URL, fs.readFileSync(path.join(DOUBLES, 'jsapi.js'))],
    [NETWORK_URL, networkScript || fs.readFileSync(path.join(DOUBLES, 'network.js'))],
  ]);
  const listed = new Set([PLACEHOLDER, ...(typeof pictures === 'function' ? [] : pictures)]);
  const picture = typeof pictures === 'function'
      ? pictures
      : (address) => (listed.has(address) ? { body: PICTURE, contentType: 'image/png' } : null);
  const pageUrl = url.pathToFileURL(pagePath).href;

  await page.route('**/*', async (route) => {
    const requested = route.request().url();
    const image = scripts.has(requested) ? null : picture(requested);
    if (requested === pageUrl) {
      await route.continue();
    } else if (scripts.has(requested)) {
      served.push(requested);
      await route.fulfill({ status: 200, contentType: 'text/javascript',
                            body: scripts.get(requested) });
    } else if (image) {
      served.push(requested);
      await route.fulfill({ status: 200, ...image });
    } else {
      problems.push(`refused request: ${requested}`);
      await route.abort('blockedbyclient');
    }
  });

  await page.goto(pageUrl, { waitUntil: 'load' });
  // The draw callback runs on the load event; let it and its timers finish.
  await page.evaluate(() => new Promise((resolve) => setTimeout(resolve, 50)));
  return { page, problems, served };
}

module.exports = {
  LOADER_URL, NETWORK_URL, PLACEHOLDER, PICTURE,
  planBytes, hex, stopUnlessReady, argument, runProgram, launchBrowser, openPage,
};
