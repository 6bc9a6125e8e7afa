'use strict';
// What the browser tests of the example sites share: headless Chromium started as this machine
// needs it, pictures read back as the browser decoded them, and the checks of the badge and the
// chart, which every site draws alike.
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');

const checkout = path.join(__dirname, '..', '..');
const { chromium } = require(path.join(checkout, 'hosts', 'node', 'node_modules', 'playwright-core'));

// Without the background-networking flags Chromium's connections are refused by a closed network.
const browserFlags = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                      '--disable-background-networking', '--disable-component-update', '--disable-sync'];

/** A browser with a fresh profile under scratch, and its first page. */
async function launch(scratch) {
  const context = await chromium.launchPersistentContext(fs.mkdtempSync(path.join(scratch, 'profile-')), {
    executablePath: process.env.VX_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: browserFlags,
    // The browser is not built with the sanitizer runtime that a sanitizer build preloads.
    env: Object.fromEntries(Object.entries(process.env).filter(([k]) => k !== 'LD_PRELOAD' && !k.endsWith('SAN_OPTIONS'))),
  });
  return { context, page: context.pages()[0] || await context.newPage() };
}

/** The picture an <img> shows, as the browser decoded it: size and RGBA bytes. */
function pixelsOf(page, selector) {
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

/** @param {{ width: number, data: number[] }} picture */
function rgbAt(picture, x, y) {
  const i = 4 * (y * picture.width + x);
  return '#' + picture.data.slice(i, i + 3).map((v) => v.toString(16).padStart(2, '0')).join('');
}

// The badge's width as the server lays the words out: each word and 6 pixels either side.
function badgeWidth(vx, label, value) {
  const measure = (text) => vx.createObject('Vellumax.Canvas')
    .TextArea(text, vx.params({ textfont: 'DejaVu Sans', textsize: 11, rect: [0, 0, 30000, 1000] }))[0];
  return measure(label) + measure(value) + 24;
}

/** The badge is sized by the text layout, painted in the chosen colour, and a value stays text. */
async function checkBadge(vx, page, origin) {
  await page.goto(`${origin}/`);
  let badge = await pixelsOf(page, '#badge');
  assert.equal(badge.width, badgeWidth(vx, 'build', 'passing'));
  assert.equal(badge.height, 20);
  assert.equal(rgbAt(badge, 1, 1), '#555555');
  assert.equal(rgbAt(badge, badge.width - 2, 1), '#44cc11');

  const hostile = "x' rect='0,0,1,1";
  await page.fill('input[name=value]', hostile);
  await page.fill('input[name=color]', '#f80');
  await page.click('button');
  await page.waitForFunction(() => /** @type {HTMLImageElement} */ (document.querySelector('#badge')).src.includes('f80'));
  badge = await pixelsOf(page, '#badge');
  assert.equal(badge.width, badgeWidth(vx, 'build', hostile));
  assert.equal(rgbAt(badge, badge.width - 2, badge.height - 2), '#ff8800');
  assert.equal(rgbAt(badge, 1, badge.height - 2), '#555555');
}

/** The chart's bars stand in proportion to the values 3, 7, 2, 9. */
async function checkChart(page, origin) {
  await page.goto(`${origin}/`);
  const chart = await pixelsOf(page, '#chart');
  assert.deepEqual([chart.width, chart.height], [360, 200]);
  // Slots of 85 pixels from x = 10, bars from y = 180 up to 160 × v / 9.
  const colors = ['#4e79a7', '#f28e2b', '#e15759', '#76b7b2'];
  [3, 7, 2, 9].forEach((v, i) => {
    const x = 10 + i * 85 + 42;
    const top = 180 - Math.round(160 * v / 9);
    assert.equal(rgbAt(chart, x, top + 1), colors[i], `bar ${i} at its top`);
    assert.equal(rgbAt(chart, x, 178), colors[i], `bar ${i} at its foot`);
    assert.equal(rgbAt(chart, x, top - 16), '#ffffff', `above bar ${i}`);
  });
}

module.exports = { launch, pixelsOf, rgbAt, checkBadge, checkChart };
