'use strict';
// What the reference and the type definitions promise, drawn and exported for real: every row of
// the transfer-mode table gives its example result, and every format text the typings accept
// gives its format while jpg and tif without their dot fall back to BMP.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { freshRegistry } = require('./support');

freshRegistry();
const vx = require('..');
vx.registerServer(vx.serverPath);
const vocabulary = require('../vocabulary.json');

function modeRows() {
  const reference = fs.readFileSync(path.join(__dirname, '..', '..', '..', 'docs', 'reference.md'), 'utf8');
  const section = reference.split('### What the transfer modes do')[1].split('\n## ')[0];
  return [...section.matchAll(/^\| `(\w+)` \| [^|]+ \| [^|]+ \| `([\d.,]+)` \|$/gm)].map((m) => [m[1], m[2]]);
}

test('every transfer mode gives the result the reference shows', () => {
  const rows = modeRows();
  const words = fs.readFileSync(path.join(__dirname, '..', 'index.d.ts'), 'utf8').match(/type ModeWord = (.*);/)[1];
  assert.deepEqual(rows.map(([word]) => `'${word}'`).join(' | '), words, 'one row per mode word');
  for (const [word, expected] of rows) {
    const picture = vx.createObject('Vellumax.Canvas');
    picture.Width = 2;
    picture.Height = 2;
    picture.UseColorAlpha = true;
    picture.Color = '80,40,20,50';
    picture.Erase();
    const canvas = vx.createObject('Vellumax.Canvas');
    canvas.Width = 2;
    canvas.Height = 2;
    canvas.Color = '30,60,90';
    canvas.Erase();
    canvas.DrawCanvas(picture, vx.params({ mode: word, modecolor: [50, 50, 50] }));
    assert.equal(canvas.GetColor('1,1'), expected, word);
  }
});

function kind(bytes) {
  const head = bytes.subarray(0, 12);
  if (head.subarray(0, 4).toString('latin1') === 'GIF8') return 'gif';
  if (head.subarray(1, 4).toString('latin1') === 'PNG') return 'png';
  if (head[0] === 0xff && head[1] === 0xd8) return 'jpeg';
  if (head.subarray(0, 2).toString('latin1') === 'BM') return 'bmp';
  if (['II*\0', 'MM\0*'].includes(head.subarray(0, 4).toString('latin1'))) return 'tiff';
  if (head.subarray(8, 12).toString('latin1') === 'WEBP') return 'webp';
  return 'unknown';
}

test('every format text the typings accept names its format', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 4;
  canvas.Height = 4;
  const formatOf = { jpg: 'jpeg', tif: 'tiff', 'gif image': 'gif' };
  const texts = [
    ...vocabulary.formats.descriptions.map((d) => [d, formatOf[d] || d]),
    ...vocabulary.formats.descriptions.map((d) => [d.toUpperCase(), formatOf[d] || d]),
    ...vocabulary.formats.mime.map((m) => [`image/${m}`, m]),
    ...vocabulary.formats.extensions.map((e) => [`.${e}`, formatOf[e] || e]),
    ...vocabulary.formats.extensions.map((e) => [`picture.${e.toUpperCase()}`, formatOf[e] || e]),
  ];
  for (const [text, format] of texts) assert.equal(kind(canvas.GetAs(text, '')), format, text);
  for (const text of ['jpg', 'tif', '']) assert.equal(kind(canvas.GetAs(text, '')), 'bmp', text);
});
