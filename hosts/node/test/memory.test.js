'use strict';
// Pixel memory as V8 sees it: reported while held, given back when the canvas is cleared or its
// proxy collected, so that pages dropped without Clear() don't pile up.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { freshRegistry, collect } = require('./support');

freshRegistry();
const vx = require('..');
vx.registerServer(vx.serverPath);

const external = () => vx.externalMemory();
// A sanitizer's shadow memory and its allocator's quarantine weigh on RSS, not what is held.
const underSanitizer = /lib[at]san/.test(process.env.LD_PRELOAD || '');

test('a canvas reports its pixels and gives them back on Clear and when collected', async () => {
  await collect();
  const base = external();
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 1000;
  canvas.Height = 500;
  const held = external() - base;
  assert.ok(held >= 2000000, `reported ${held} for 2,000,000 bytes of pixels`);
  canvas.Height = 250;
  assert.ok(Math.abs(external() - base - held / 2) < held / 50, 'a re-fit reports the new size');
  canvas.Clear();
  assert.equal(external(), base, 'Clear gives the pixels back');
  (() => {
    const dropped = vx.createObject('Vellumax.Canvas');
    dropped.Width = 2000;
    dropped.Height = 1000;
  })();
  assert.ok(external() - base >= 8000000);
  await collect();
  assert.equal(external(), base, 'collection gives the pixels back');
});

// 1,500 pages of 400 × 300 pixels hold 720 MB (5.8 GB as weighted) when nothing is released
// before the loop ends. The RSS bound leaves room for machines whose libraries weigh more than
// this one's (here about 100 MB after the first canvas, 112-119 MB steady).
for (const mode of ['yield', 'block']) {
  test(`pages dropped without Clear stay bounded in a loop that ${mode === 'yield' ? 'yields' : 'never yields'}`, () => {
    const run = spawnSync(process.execPath,
                          ['--max-old-space-size=64', path.join(__dirname, 'soak.js'), '1500', mode], {
                            env: process.env, encoding: 'utf8', timeout: 300000,
                          });
    assert.equal(run.status, 0, run.stderr);
    const figures = JSON.parse(run.stdout.trim().split('\n').pop());
    assert.ok(figures.peakExternalMB < 100, JSON.stringify(figures));
    if (!underSanitizer) assert.ok(figures.steadyRssMB <= 200, JSON.stringify(figures));
  });
}
