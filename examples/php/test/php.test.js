'use strict';
// The PHP examples in a real browser: PHP-FPM with the extension behind nginx on loopback, and
// headless Chromium loading the pages; the pictures' sizes and pixels are checked where the page
// shows them, and an upload's facts and thumbnail, read by PHP and by XMultipart.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { start, stop } = require('./serve');

const checkout = path.join(__dirname, '..', '..', '..');
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-php-web-'));
const registry = path.join(scratch, 'registry.db');
process.env.VX_REGISTRY = registry;
const vx = require(path.join(checkout, 'hosts', 'node'));
vx.registerServer(vx.serverPath);
const browser = require('../../test/browser');

const thumbnailSide = 96;

/** @type {any} */ let context;
/** @type {any} */ let page;
/** @type {any} */ let site;
let origin = '';

test.before(async () => {
  // The FPM workers get the sanitizer runtime (when the build has one) through their own
  // environment; nginx and the browser are not built with it.
  const preload = process.env.VX_PHP_PRELOAD;
  site = await start({
    extension: process.env.VX_PHP_EXTENSION || path.join(vx.buildDir, 'lib', 'vellumax.so'),
    env: {
      VX_REGISTRY: registry,
      VX_IMAGING: process.env.VX_IMAGING || path.join(vx.buildDir, 'lib', 'libvx-imaging.so'),
      VX_EVENTLOG: path.join(scratch, 'no-eventlog.sock'),
    },
    fpmEnv: preload ? { LD_PRELOAD: preload, ASAN_OPTIONS: process.env.ASAN_OPTIONS || 'detect_leaks=0', USE_ZEND_ALLOC: '0' } : {},
  });
  origin = site.origin;
  ({ context, page } = await browser.launch(scratch));
});

test.after(async () => {
  if (context) await context.close();
  if (site) await stop(site);
  fs.rmSync(scratch, { recursive: true, force: true });
});

const pixelsOf = (selector) => browser.pixelsOf(page, selector);
const { rgbAt } = browser;

test('the badge is sized by the text layout and painted in the chosen colour', () => browser.checkBadge(vx, page, origin));

test('the chart draws bars in proportion to the values', () => browser.checkChart(page, origin));

test('requests at once are answered by the workers, the same bytes for the same page, and a bad value is refused', async () => {
  await page.goto(`${origin}/`);
  const answers = await page.evaluate(async () => {
    const urls = Array.from({ length: 24 }, (_, i) => `/badge.php?label=n&value=${i % 3}`);
    return Promise.all(urls.map(async (u) => {
      const r = await fetch(u);
      const bytes = new Uint8Array(await r.arrayBuffer());
      return { status: r.status, key: Array.from(bytes).join(',') };
    }));
  });
  assert.ok(answers.every((a) => a.status === 200));
  assert.equal(new Set(answers.map((a) => a.key)).size, 3);
  const refused = await page.evaluate(async () => {
    const r = await fetch('/badge.php?color=teal');
    return { status: r.status, text: await r.text() };
  });
  assert.equal(refused.status, 400);
  assert.match(refused.text, /^Could not understand value of parameter "paintcolor=teal"/);
});

for (const [link, how] of [['#upload', '$_FILES'], ['#upload-raw', 'XMultipart over the raw body']]) {
  test(`an uploaded picture read through ${how} is answered with its facts and a thumbnail`, async () => {
    // The picture: 200 × 100, left half red, right half blue, made by the server itself.
    const canvas = vx.createObject('Vellumax.Canvas');
    canvas.Width = 200;
    canvas.Height = 100;
    canvas.DrawShape('rect', vx.params({ rect: [0, 0, 100, 100], paintcolor: '#ff0000', op: 'paint' }));
    canvas.DrawShape('rect', vx.params({ rect: [100, 0, 200, 100], paintcolor: '#0000ff', op: 'paint' }));
    const picture = path.join(scratch, 'halves.png');
    fs.writeFileSync(picture, canvas.GetAs('png', 'depth=millions'));  // without a depth: a palette

    await page.goto(`${origin}/`);
    await Promise.all([page.waitForNavigation(), page.click(link)]);
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
  });
}
