'use strict';
// Graphic and Gestalt as page scripts see them through the Node.js host: the
// collections iterate with for…of, count, and give items by number from 1.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const vx = require('../../hosts/node');

fs.rmSync(process.env.VX_REGISTRY, { force: true });
vx.registerServer(vx.serverPath);

const E_FAIL = 0x80004005 | 0;

function picture(type, width, height) {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = width;
  canvas.Height = height;
  canvas.DrawShape('oval', `rect=1,1,${width - 1},${height - 1} paintcolor=red`);
  return canvas.GetAs(type, '');
}

test('a picture from bytes: format, drawability and one image with its facts', () => {
  const graphic = vx.createObject('Vellumax.Graphic');
  assert.equal(graphic.Drawable, false);
  assert.equal(graphic.Format, '');
  for (const [type, format] of [['png', 'PNG'], ['jpeg', 'JPEG'], ['gif', 'GIF'], ['bmp', 'BMP']]) {
    graphic.SetData(picture(type, 30, 20), type);
    assert.equal(graphic.Format, format, type);
    assert.equal(graphic.Drawable, true, type);
    const images = graphic.GraphicImages;
    assert.equal(images.Count, 1, type);
    const image = images.Item(1);
    assert.equal(image.Rectangle, '0,0,30,20', type);
    assert.equal(typeof image.Resolution, 'number', type);
    assert.equal(typeof image.Depth, 'string', type);
    assert.notEqual(image.Depth, '', type);
  }
});

test('GraphicImages iterates, counts from 1 and fails beyond the end', () => {
  const graphic = vx.createObject('Vellumax.Graphic');
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-graphic-'));
  const file = path.join(dir, 'p.png');
  fs.writeFileSync(file, picture('png', 12, 7));
  graphic.SetFile(file);
  const images = graphic.GraphicImages;
  const seen = [];
  for (const image of images) seen.push([image.Depth, image.Resolution, image.Rectangle]);
  assert.deepEqual(seen, [[images.Item(1).Depth, images.Item(1).Resolution, '0,0,12,7']]);
  assert.equal(images.Item(0).Rectangle, '0,0,12,7');
  assert.throws(() => images.Item(2), { number: E_FAIL });
  graphic.SetFile(path.join(dir, 'missing.png'));
  assert.equal(graphic.Drawable, false);
  assert.deepEqual([...graphic.GraphicImages], []);
  fs.rmSync(dir, { recursive: true, force: true });
});

test('Gestalt lists iterate in order and agree with Item and Count', () => {
  const gestalt = vx.createObject('Vellumax.Gestalt');
  assert.match(gestalt.QuickTime, /^4\.\d+\.\d+$/);
  for (const name of ['GraphicsExporters', 'Fonts', 'Codecs']) {
    const list = gestalt[name];
    const names = [...list];
    assert.ok(names.length > 0, name);
    assert.equal(list.Count, names.length, name);
    assert.equal(list.Item(1), names[0], name);
    assert.equal(list.Item(list.Count), names[names.length - 1], name);
    assert.throws(() => list.Item(list.Count + 1), { number: E_FAIL }, name);
    for (const item of names) assert.equal(typeof item, 'string', name);
  }
  assert.equal([...gestalt.GraphicsExporters].pop(), 'GIF');
});

test('Gestalt saves a Buffer and refuses a value that is not a boolean', () => {
  const gestalt = vx.createObject('Vellumax.Gestalt');
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-gestalt-'));
  const file = path.join(dir, 'out.bin');
  fs.writeFileSync(file, 'a longer old file');
  gestalt.Save(file, Buffer.from([1, 2, 3]));
  assert.deepEqual([...fs.readFileSync(file)], [1, 2, 3]);
  gestalt.LogErrors = 'no';
  assert.equal(gestalt.LogErrors, false);
  assert.throws(() => { gestalt.LogErrors = 'sometimes'; }, {
    number: E_FAIL, description: 'Unable to set property\n\n\nSet Gestalt LogErrors  =  sometimes',
    source: 'Vellumax.Gestalt.1',
  });
  assert.equal(gestalt.LogErrors, false);
  fs.rmSync(dir, { recursive: true, force: true });
});
