'use strict';
// The canvas as page scripts see it through the Node.js host.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const vx = require('../../hosts/node');

fs.rmSync(process.env.VX_REGISTRY, { force: true });
vx.registerServer(vx.serverPath);

const E_FAIL = 0x80004005 | 0;
const E_POINTER = 0x80004003 | 0;
const WHITE = '100.0,100.0,100.0,100.0';
const BLACK = '0.0,0.0,0.0,100.0';

test('a new canvas reads its defaults', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  const expected = {
    Width: 0, Height: 0, Depth: 'millions', Color: WHITE, PaintColor: WHITE, PenColor: BLACK,
    TextColor: BLACK, PenSize: 1, TextSize: 10, TextStyle: '', HAlign: 'left', VAlign: 'top',
    Dither: false, Pattern: null, HBITMAP: 0,
  };
  for (const [name, value] of Object.entries(expected)) assert.equal(canvas[name], value, name);
});

test('sizes, pixels, Clear and GetColor', () => {
  const canvas = new vx.ActiveXObject('Vellumax.Canvas');
  canvas.Width = '30';
  assert.equal(canvas.HBITMAP, 0);
  canvas.Height = 20;
  assert.notEqual(canvas.HBITMAP, 0);
  canvas.Color = '0,0,0';
  assert.equal(canvas.GetColor('1,1'), '99.6,99.6,99.6,99.6');
  canvas.Erase();
  assert.equal(canvas.GetColor('29,19'), '0.0,0.0,0.0,99.6');
  assert.equal(canvas.GetColor('30,19'), BLACK);
  canvas.Invert();
  assert.equal(canvas.GetColor('0,0'), '99.6,99.6,99.6,99.6');
  assert.throws(() => canvas.GetColor('here'), {
    number: E_FAIL, description: 'Unable to understand location for color\n', source: 'Vellumax.Canvas.1',
  });
  canvas.Clear();
  assert.deepEqual([canvas.Width, canvas.Height, canvas.Depth, canvas.Color], [0, 0, 'millions', BLACK]);
});

test('rejected values throw and keep the old value', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  const cases = [
    ['Depth', '4', 'millions'],
    ['PenSize', -1, 1],
    ['TextSize', -1, 10],
    ['HAlign', 'centre', 'left'],
    ['PenColor', 'nearly black', BLACK],
  ];
  for (const [name, value, kept] of cases) {
    assert.throws(() => { canvas[name] = value; }, {
      number: E_FAIL, description: `Unable to set property\n\n\nSet Canvas ${name}  =  ${value}`,
    }, name);
    assert.equal(canvas[name], kept, name);
  }
  canvas.PenSize = 0;
  assert.equal(canvas.PenSize, 0);
  assert.throws(() => { canvas.Width = 'wide'; }, (e) => e.number === E_FAIL && e.description.length > 0);
});

test('a side the store refuses is not kept, and an unknown shape word fails', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 8;
  canvas.Height = 8;
  assert.throws(() => { canvas.Width = 1e9; }, (e) => e.number === E_FAIL &&
    e.description.includes('Set Canvas Width  =  1000000000'));
  assert.equal(canvas.Width, 8);
  assert.equal(canvas.DrawShape('rect', 'rect=0,0,4,4'), '0,0,4,4');
  assert.throws(() => canvas.DrawShape('bogus', ''), (e) => e.number === E_FAIL &&
    e.description.startsWith('Could not understand value of parameter "shape=bogus"\n\n\nDraw Shape: '));
});

test('Pattern holds a canvas; null is refused', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  const other = vx.createObject('Vellumax.Canvas');
  canvas.Pattern = other;
  assert.ok(vx.sameObject(canvas.Pattern, other));
  canvas.Pattern = vx.createObject('Vellumax.XColor');
  assert.equal(canvas.Pattern, null);
  assert.throws(() => { canvas.Pattern = null; }, (e) => e.number === E_POINTER);
});

test('shapes, text and export run their operations', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 10;
  canvas.Height = 10;
  canvas.PaintColor = '0,0,100';
  assert.equal(canvas.DrawShape('rect', 'rect=1,1,5,5 pensize=0'), '1,1,5,5');
  assert.equal(canvas.GetColor('2,2'), '0.0,0.0,99.6,99.6');
  assert.equal(canvas.PaintColor, '0.0,0.0,100.0,100.0');
  const [width, height, lineHeight] = canvas.TextArea('Hi', '');
  assert.ok(width > 0 && height >= lineHeight && lineHeight > 0, `${width} ${height} ${lineHeight}`);
  const gif = canvas.GetAs('gif', '');
  assert.ok(Buffer.isBuffer(gif));
  assert.equal(gif.subarray(0, 3).toString(), 'GIF');
  assert.throws(() => canvas.DrawShape('rect', 'pencolor'), (e) => e.number === E_FAIL &&
    e.description.includes('Parameters={pencolor}'));
});

// Red, green and blue of GetColor's text, as bytes.
function rgbAt(canvas, where) {
  return canvas.GetColor(where).split(',').slice(0, 3).map((p) => Math.round(Number(p) * 2.55));
}

function near(actual, expected, tolerance, what) {
  for (let i = 0; i < 3; i++) {
    assert.ok(Math.abs(actual[i] - expected[i]) <= tolerance, `${what}: ${actual} against ${expected}`);
  }
}

test('pictures of every format draw from a file and from a Buffer', () => {
  const source = vx.createObject('Vellumax.Canvas');
  source.Width = 16;
  source.Height = 8;
  source.Color = '100,0,0';
  source.Erase();
  source.DrawShape('rect', 'rect=8,0,16,8 paintcolor=0,0,100 op=paint');
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-pictures-'));
  try {
    for (const type of ['png', 'jpeg', 'gif', 'bmp', 'tiff', 'webp']) {
      const bytes = source.GetAs(type, 'quality=max');
      const file = path.join(dir, `picture.${type}`);
      fs.writeFileSync(file, bytes);
      // Saturated colours lose most through the lossy formats' colour coding.
      const tolerance = { jpeg: 48, webp: 48 }[type] ?? 1;
      for (const [how, draw] of [['file', (c) => c.DrawFile(file, '')],
        ['Buffer', (c) => c.DrawData(bytes, type, '')], ['untyped Buffer', (c) => c.DrawData(bytes, '', '')]]) {
        const canvas = vx.createObject('Vellumax.Canvas');
        assert.equal(draw(canvas), '0,0,16,8', `${type} from ${how}`);
        assert.equal(canvas.Width, 16);
        near(rgbAt(canvas, '2,4'), [254, 0, 0], tolerance, `${type} from ${how}, left`);
        near(rgbAt(canvas, '13,4'), [0, 0, 254], tolerance, `${type} from ${how}, right`);
      }
    }
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});

test('pictures that cannot be drawn fail and leave the canvas alone', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 4;
  canvas.Height = 4;
  assert.throws(() => canvas.DrawData(Buffer.from('not a picture'), '', ''), (e) => e.number === E_FAIL &&
    e.description.startsWith('A QuickTime error occurred indicating that it does not support this type of image'));
  assert.throws(() => canvas.DrawFile(path.join(os.tmpdir(), 'vx-no-such-picture.png'), ''), (e) =>
    e.number === E_FAIL && e.description.includes('the file was not found (-43)'));
  assert.equal(canvas.GetColor('1,1'), '99.6,99.6,99.6,99.6');
});

test('DrawCanvas and SetChannel', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  const other = vx.createObject('Vellumax.Canvas');
  other.Width = 4;
  other.Height = 4;
  other.Color = 'black';
  other.Erase();
  assert.equal(canvas.DrawCanvas(other, 'pos=0,0'), '0,0,4,4');
  assert.equal(canvas.GetColor('3,3'), '0.0,0.0,0.0,99.6');
  other.Invert();
  canvas.SetChannel('green', other);
  assert.equal(canvas.GetColor('3,3'), '0.0,99.6,0.0,99.6');
  assert.throws(() => canvas.SetChannel('purple', other), (e) => e.number === E_FAIL &&
    e.description.startsWith('Unable to understand channel.'));
});
