'use strict';
// The value objects' edge cases as a page script meets them through the host.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

if (!process.env.VX_REGISTRY) {
  process.env.VX_REGISTRY = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'vx-values-')), 'registry.db');
}
fs.rmSync(process.env.VX_REGISTRY, { force: true });
const vx = require(path.resolve(__dirname, '..', '..', '..', 'hosts', 'node'));
vx.registerServer(vx.serverPath);

const E_FAIL = 0x80004005 | 0;
const DISP_E_TYPEMISMATCH = 0x80020005 | 0;

test('a new colour is opaque black; red reads back as percentages and COLORREF', () => {
  const color = vx.createObject('Vellumax.XColor.1');
  assert.equal(color.String, '0.0,0.0,0.0,100.0');
  assert.equal(color.RGB, 0);
  color.String = 'red';
  assert.equal(color.Red.toFixed(1), '86.5');
  assert.equal(color.RGB, 0x000608DD);
  assert.equal(color.String, '86.5,3.4,2.6,100.0');
  color.RGB = 0x00FFFFFF;
  assert.equal(color.String, '99.6,99.6,99.6,100.0');
});

test('pattern, clamped alpha and a rejected word', () => {
  const color = vx.createObject('Vellumax.XColor');
  color.String = 'pattern';
  assert.equal(color.String, 'pattern');
  color.Red = 10;
  assert.notEqual(color.String, 'pattern');
  color.Alpha = 150;
  assert.equal(color.Alpha, 100);
  color.Alpha = -1;
  assert.equal(color.Alpha, 0);
  const before = color.String;
  assert.throws(() => { color.String = 'teal'; }, {
    number: E_FAIL,
    description: 'Unable to set property\n\n\nSet XColor String  =  teal',
    source: 'Vellumax.XColor.1',
  });
  assert.equal(color.String, before);
  assert.throws(() => { color.Red = 'abc'; }, (err) => err.number === DISP_E_TYPEMISMATCH && err.source === '');
});

test('a rectangle from text, its corners, unbounded edges and rejected text', () => {
  const rect = vx.createObject('Vellumax.XRect');
  assert.equal(rect.String, '0,0,0,0');
  rect.String = '10,20,110,220';
  assert.deepEqual([rect.left, rect.top, rect.right, rect.bottom, rect.Width, rect.Height], [10, 20, 110, 220, 100, 200]);
  assert.equal(rect.TopLeft, '10,20');
  assert.equal(rect.BottomRight, '110,220');
  assert.throws(() => { rect.String = '1,2,3'; }, { number: E_FAIL, source: 'Vellumax.XRect.1' });
  assert.equal(rect.String, '10,20,110,220');
  rect.right = 40000;
  assert.equal(rect.String, '10,20,40000,220');
  assert.throws(() => { rect.String = '10,20,40000,220'; }, { number: E_FAIL });
  rect.left = 50000;
  assert.equal(rect.Width, -10000);
});

test('a point from text; one number or a word fails', () => {
  const point = vx.createObject('Vellumax.XPoint');
  point.String = '5,7';
  assert.deepEqual([point.x, point.y], [5, 7]);
  assert.throws(() => { point.String = '5'; }, {
    number: E_FAIL,
    description: 'Unable to set property\n\n\nSet XPoint String  =  5',
  });
  assert.throws(() => { point.x = 'abc'; }, (err) => err.number === DISP_E_TYPEMISMATCH && err.source === '');
  assert.deepEqual([point.x, point.y], [5, 7]);
});

test('an object is no text: the value objects have no default member', () => {
  const color = vx.createObject('Vellumax.XColor');
  const other = vx.createObject('Vellumax.XColor');
  assert.throws(() => { color.String = other; }, (err) => err.number !== E_FAIL && err.source === '');
});
