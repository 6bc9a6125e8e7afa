'use strict';
// Each failure a newcomer meets gets a hint line after the server's description: the range or
// the words a property takes, a keyword's words, the class an argument must be, vx.params for
// an object where a parameter string belongs, and the folder a save is missing.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { freshRegistry } = require('./support');

freshRegistry();
const vx = require('..');
vx.registerServer(vx.serverPath);

const colourForms = 'a colour: a colour word (black, yellow, magenta, red, cyan, green, blue, white, violet, ' +
  'purple, orange, gray, lightgray or darkgray; or pattern), three or four percentages red,green,blue[,alpha] ' +
  'from 0 to 100, or #rgb, #rrggbb or #rrggbbaa';
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-hints-'));

function canvasWithPixels() {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 20;
  canvas.Height = 20;
  canvas.Erase();
  return canvas;
}

const cases = [
  ['a width out of range', (c) => { c.Width = 0; },
    'Canvas.Width takes a whole number of pixels from 1 to 32767; it was given the number 0.'],
  ['a word for a number', (c) => { c.Width = 'wide'; },
    'Canvas.Width takes a whole number of pixels from 1 to 32767; it was given the text "wide".'],
  ['an object for a number', (c) => { c.TextSize = { size: 12 }; },
    'Canvas.TextSize takes a whole number of points, 0 or more; it was given an object.'],
  ['a colour form the server lacks', (c) => { c.PaintColor = 'rgb(51,102,204)'; },
    `Canvas.PaintColor takes ${colourForms}; it was given the text "rgb(51,102,204)".`],
  ['an alignment word the server lacks', (c) => { c.HAlign = 'center'; },
    'Canvas.HAlign takes one of the words left, middle or right; it was given the text "center".'],
  ['a depth not in the list', (c) => { c.Depth = 24; },
    'Canvas.Depth takes a depth: 2, 16, 256, thousands or millions; it was given the number 24.'],
  ['an XColor given a bad text', () => { vx.createObject('Vellumax.XColor').String = 'teal'; },
    `XColor.String takes ${colourForms}; it was given the text "teal".`],
  ['a keyword value outside its words', (c) => c.DrawText('x', 'halign=center'),
    'halign takes one of the words left, middle or right.'],
  ['a shape word outside its list', (c) => c.DrawShape('circle', ''),
    'shape takes one of the words rectangle, rect, oval, polygon, poly, roundrectangle, roundrect, text or line.'],
  ['a colour keyword', (c) => c.DrawShape('rect', 'paintcolor=rgb(1,2,3)'), `paintcolor takes ${colourForms}.`],
  ['a misspelt keyword', (c) => c.DrawShape('rect', 'pensise=2'),
    'Did you mean pensize? The keywords are listed in docs/reference.md.'],
  ['a Gestalt drawn as a canvas', (c) => c.DrawCanvas(vx.createObject('Vellumax.Gestalt'), ''),
    "Canvas.DrawCanvas's inCanvas takes a Canvas; it was given a Gestalt."],
  ['a text drawn as a canvas', (c) => c.DrawCanvas('logo.png', ''),
    "Canvas.DrawCanvas's inCanvas takes a Canvas; it was given the text \"logo.png\"."],
  ['a Gestalt as a channel source', (c) => c.SetChannel('alpha', vx.createObject('Vellumax.Gestalt')),
    "Canvas.SetChannel's newVal takes a Canvas; it was given a Gestalt."],
  ['a channel word the server lacks', (c) => c.SetChannel('pink', c),
    "Canvas.SetChannel's inChannel takes one of the words red, green, blue or alpha."],
  ['an object for a parameter string', (c) => c.DrawShape('rect', { rect: [0, 0, 5, 5] }),
    "Canvas.DrawShape's inParams takes a parameter string, not an object: build one from an object with " +
    'vx.params({ keyword: value, ... }), which also quotes every value.'],
  ['a value object for a parameter string', (c) => c.GetAs('png', vx.createObject('Vellumax.XRect')),
    "Canvas.GetAs's inParams takes a parameter string, not an XRect: build one from an object with " +
    'vx.params({ keyword: value, ... }), which also quotes every value.'],
  ['an ArrayBuffer for bytes', (c) => c.DrawData(new ArrayBuffer(8), 'png', ''),
    "Canvas.DrawData's inSrc takes bytes: a Buffer or a Uint8Array; it was given an ArrayBuffer."],
  ['a save into a missing folder', (c) => c.SaveAs(path.join(folder, 'no', 'such', 'logo.png'), ''),
    `The folder ${path.join(folder, 'no')} does not exist: SaveAs makes no folders ` +
    '(fs.mkdirSync(folder, { recursive: true }) makes them).'],
  ['a GIF save into a missing folder', (c) => c.SaveAs(path.join(folder, 'none', 'logo.gif'), ''),
    `The folder ${path.join(folder, 'none')} does not exist: SaveAs makes no folders ` +
    '(fs.mkdirSync(folder, { recursive: true }) makes them).'],
];

test('each failure carries its hint after the unchanged description', () => {
  for (const [what, call, hint] of cases) {
    const canvas = canvasWithPixels();
    assert.throws(() => call(canvas), (err) => {
      assert.equal(err.hint, hint, what);
      const text = typeof err.description === 'string' ? err.description : null;
      if (text !== null) {
        assert.ok(!text.includes(hint), `${what}: the description stays the server's own`);
        assert.equal(err.message, `${text}\n${hint}`, what);
      } else {
        assert.ok(err.message.endsWith(`\n${hint}`), what);
      }
      assert.ok(err.stack.includes(hint), `${what}: the stack shows the hint`);
      return true;
    }, what);
  }
});

test('failures that say enough already get no hint', () => {
  const canvas = canvasWithPixels();
  canvas.MaxPixels = 1000;
  assert.throws(() => { canvas.Height = 3000; }, (err) => err.hint === undefined && /MaxPixels/.test(err.message));
  // A file that is not there is not a missing folder.
  assert.throws(() => canvas.DrawFile(path.join(folder, 'absent.png'), ''), (err) => err.hint === undefined);
});

test.after(() => fs.rmSync(folder, { recursive: true, force: true }));
