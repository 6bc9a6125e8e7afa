'use strict';
// The web example in a real browser: headless Chromium loads the pages from a loopback port,
// and the pictures' sizes and pixels are checked where the page shows them.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const checkout = path.join(__dirname, '..', '..', '..');
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-web-'));
process.env.VX_REGISTRY = process.env.VX_REGISTRY || path.join(scratch, 'registry.db');
const vx = require(path.join(checkout, 'hosts', 'node'));
vx.registerServer(vx.serverPath);
const { chromium } = require(path.join(checkout, 'hosts', 'node', 'node_modules', 'playwright-core'));
const { Pool, MainThread, createSite } = require('../server');
const { thumbnailSide } = require('../upload');

const browserFlags = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                      '--disable-background-networking', '--disable-component-update', '--disable-sync'];

/** @type {any} */ let context;
/** @type {any} */ let page;
/** @type {any} */ let site;
/** @type {any} */ let pool;
let origin = '';

test.before(async () => {
  pool = new MainThread(vx);
  site = createSite(pool);
  await new Promise((resolve) => site.listen(0, '127.0.0.1', resolve));
  origin = `http://127.0.0.1:${site.address().port}`;
  context = await chromium.launchPersistentContext(fs.mkdtempSync(path.join(scratch, 'profile-')), {
    executablePath: process.env.VX_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: browserFlags,
    // The browser is not built with the sanitizer runtime that a sanitizer build preloads.
    env: Object.fromEntries(Object.entries(process.env).filter(([k]) => k !== 'LD_PRELOAD' && !k.endsWith('SAN_OPTIONS'))),
  });
  page = context.pages()[0] || await context.newPage();
});

test.after(async () => {
  if (context) await context.close();
  if (site) await new Promise((resolve) => site.close(resolve));
  if (pool) await pool.close();
  fs.rmSync(scratch, { recursive: true, force: true });
});

// The picture an <img> shows, as the browser decoded it: size and RGBA bytes.
function pixelsOf(selector) {
  return page.evaluate(async (sel) => {
    const img = /** @type {HTMLImageElement} */ (document.querySelector(sel));
    await img.decode();
    const canvas = document.createElement('canvas');
    canvas.width = img.naturalWidth;
    canvas.height = img.naturalHeight;
    const g = /** @type {CanvasRenderingContext2D} */ (canvas.getContext('2d'));
    g.drawImage(img, 0, 0);
    return { width: canvas.width, height: canvas.height, data: Array.from(g.getImageData(0, 0, canvas.width, canvas.height).data) };
  }, selector);
}

function rgbAt(picture, x, y) {
  const i = 4 * (y * picture.width + x);
  return '#' + picture.data.slice(i, i + 3).map((v) => v.toString(16).padStart(2, '0')).join('');
}

// The badge's width as the server lays the words out: each word and 6 pixels either side.
function badgeWidth(label, value) {
  const measure = (text) => vx.createObject('Vellumax.Canvas')
    .TextArea(text, vx.params({ textfont: 'DejaVu Sans', textsize: 11, rect: [0, 0, 30000, 1000] }))[0];
  return measure(label) + measure(value) + 24;
}

test('the badge is sized by the text layout and painted in the chosen colour', async () => {
  await page.goto(`${origin}/`);
  let badge = await pixelsOf('#badge');
  assert.equal(badge.width, badgeWidth('build', 'passing'));
  assert.equal(badge.height, 20);
  assert.equal(rgbAt(badge, 1, 1), '#555555');
  assert.equal(rgbAt(badge, badge.width - 2, 1), '#44cc11');

  // A value that tries to move the rectangle stays text, and the form's colour is used.
  const hostile = "x' rect='0,0,1,1";
  await page.fill('input[name=value]', hostile);
  await page.fill('input[name=color]', '#f80');
  await page.click('button');
  await page.waitForFunction(() => /** @type {HTMLImageElement} */ (document.querySelector('#badge')).src.includes('f80'));
  badge = await pixelsOf('#badge');
  assert.equal(badge.width, badgeWidth('build', hostile));
  assert.equal(rgbAt(badge, badge.width - 2, badge.height - 2), '#ff8800');
  assert.equal(rgbAt(badge, 1, badge.height - 2), '#555555');
});

test('the chart draws bars in proportion to the values', async () => {
  await page.goto(`${origin}/`);
  const chart = await pixelsOf('#chart');
  assert.deepEqual([chart.width, chart.height], [360, 200]);
  // Values 3,7,2,9 in slots of 85 pixels from x = 10, bars from y = 180 up to 160 × v / 9.
  const colors = ['#4e79a7', '#f28e2b', '#e15759', '#76b7b2'];
  [3, 7, 2, 9].forEach((v, i) => {
    const x = 10 + i * 85 + 42;
    const top = 180 - Math.round(160 * v / 9);
    assert.equal(rgbAt(chart, x, top + 1), colors[i], `bar ${i} at its top`);
    assert.equal(rgbAt(chart, x, 178), colors[i], `bar ${i} at its foot`);
    assert.equal(rgbAt(chart, x, top - 16), '#ffffff', `above bar ${i}`);
  });
});

test('requests from the browser at once are answered with promise calls, the same bytes for the same page', async () => {
  await page.goto(`${origin}/`);
  const answers = await page.evaluate(async () => {
    const urls = Array.from({ length: 24 }, (_, i) => `/badge?label=n&value=${i % 3}`);
    return Promise.all(urls.map(async (u) => {
      const r = await fetch(u);
      const bytes = new Uint8Array(await r.arrayBuffer());
      return { status: r.status, key: Array.from(bytes).join(',') };
    }));
  });
  assert.ok(answers.every((a) => a.status === 200));
  assert.equal(new Set(answers.map((a) => a.key)).size, 3);
  const refused = await page.evaluate(async () => (await fetch('/badge?color=teal')).text());
  assert.match(refused, /^Could not understand value of parameter "paintcolor=teal"/);
});

test('a pool of workers answers the same bytes as the main thread', async () => {
  const workers = new Pool(2);
  /** @type {any} */ const other = createSite(workers);
  await new Promise((resolve) => other.listen(0, '127.0.0.1', resolve));
  try {
    const paths = ['/badge?label=a&value=b', '/chart?values=1,5,3&labels=x,y,z', '/badge?color=teal'];
    for (const p of paths) {
      const [mine, theirs] = await Promise.all([origin, `http://127.0.0.1:${other.address().port}`].map(async (o) => {
        const r = await fetch(o + p);
        // An error text names the canvas's buffer by a process-wide number.
        return [r.status, Buffer.from(await r.arrayBuffer()).toString('latin1').replace(/Buffer=\d+/, 'Buffer=#')];
      }));
      assert.deepStrictEqual(theirs, mine, p);
    }
  } finally {
    await new Promise((resolve) => other.close(resolve));
    await workers.close();
  }
});

test('an uploaded picture is answered with its facts from Graphic and a thumbnail from DrawData', async () => {
  // The picture: 200 × 100, left half red, right half blue, made by the server itself.
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 200;
  canvas.Height = 100;
  canvas.DrawShape('rect', vx.params({ rect: [0, 0, 100, 100], paintcolor: '#ff0000', op: 'paint' }));
  canvas.DrawShape('rect', vx.params({ rect: [100, 0, 200, 100], paintcolor: '#0000ff', op: 'paint' }));
  const picture = path.join(scratch, 'halves.png');
  fs.writeFileSync(picture, canvas.GetAs('png', 'depth=millions'));  // without a depth: a palette

  await page.goto(`${origin}/`);
  await Promise.all([page.waitForNavigation(), page.click('a[href="/upload"]')]);
  await page.setInputFiles('input[name=picture]', picture);
  await Promise.all([page.waitForNavigation(), page.click('button[type=submit]')]);
  const fact = (name) => page.textContent(`#fact-${name}`);
  assert.equal(await fact('file'), 'halves.png');
  assert.equal(await fact('type'), 'image/png');
  assert.equal(await fact('bytes'), String(fs.statSync(picture).size));
  assert.equal(await fact('images'), '1');
  assert.equal(await fact('width'), '200');
  assert.equal(await fact('height'), '100');
  assert.equal(await fact('depth'), 'millions');
  const thumbnail = await pixelsOf('#thumbnail');
  assert.deepEqual([thumbnail.width, thumbnail.height], [thumbnailSide, thumbnailSide / 2]);
  assert.equal(rgbAt(thumbnail, 10, 24), '#ff0000');
  assert.equal(rgbAt(thumbnail, thumbnailSide - 10, 24), '#0000ff');
  assert.equal(await fact('orientation'), '1');
  assert.equal(await fact('stored'), '200 x 100');
  // The caption band is half-transparent black blended over the picture, not a hole in it.
  const blended = (x) => Array.from(thumbnail.data.slice(4 * ((thumbnailSide / 2 - 3) * thumbnail.width + x), 4 * ((thumbnailSide / 2 - 3) * thumbnail.width + x) + 4));
  for (const [x, expected] of [[10, [127, 0, 0, 255]], [thumbnailSide - 10, [0, 0, 127, 255]]]) {
    blended(x).forEach((v, i) => assert.ok(Math.abs(v - expected[i]) <= 1, `band at ${x}: ${blended(x)}`));
  }
});

test('an upload that is not a picture is answered with a page saying what to send', async () => {
  const text = path.join(scratch, 'notes.txt');
  fs.writeFileSync(text, 'not a picture\n');
  await page.goto(`${origin}/upload`);
  await page.setInputFiles('input[name=picture]', text);
  const [response] = await Promise.all([page.waitForNavigation(), page.click('button[type=submit]')]);
  assert.equal(response && response.status(), 415);
  assert.match(await page.textContent('#refusal') || '', /^notes\.txt is not a picture this server can read\. Send a PNG/);
});
