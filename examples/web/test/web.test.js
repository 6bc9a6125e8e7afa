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
const browser = require('../../test/browser');
const { Pool, MainThread, createSite } = require('../server');
const { thumbnailSide } = require('../upload');

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
  ({ context, page } = await browser.launch(scratch));
});

test.after(async () => {
  if (context) await context.close();
  if (site) await new Promise((resolve) => site.close(resolve));
  if (pool) await pool.close();
  fs.rmSync(scratch, { recursive: true, force: true });
});

const pixelsOf = (selector) => browser.pixelsOf(page, selector);
const { rgbAt } = browser;

test('the badge is sized by the text layout and painted in the chosen colour', () => browser.checkBadge(vx, page, origin));

test('the chart draws bars in proportion to the values', () => browser.checkChart(page, origin));

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
