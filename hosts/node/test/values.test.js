'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { setUp } = require('./support');

const vx = setUp();

const VT = { EMPTY: 0, NULL: 1, I4: 3, R8: 5, BSTR: 8, DISPATCH: 9, BOOL: 11, I8: 20, BYTES: 0x2000 | 17 };

test('script values reach the server as the automation types', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  const cases = [
    [0, VT.I4], [-1, VT.I4], [2147483647, VT.I4], [-2147483648, VT.I4],
    [2147483648, VT.R8], [-2147483649, VT.R8], [1.5, VT.R8], [-0, VT.R8], [NaN, VT.R8],
    ['', VT.BSTR], ['text', VT.BSTR], [true, VT.BOOL], [false, VT.BOOL],
    [undefined, VT.EMPTY], [null, VT.NULL], [10n, VT.I8],
    [Buffer.from('ab'), VT.BYTES], [new Uint8Array(3), VT.BYTES], [thing, VT.DISPATCH],
  ];
  cases.forEach(([value, type], i) => assert.equal(thing.TypeOf(value), type, `case ${i}`));
});

test('values come back as they went in', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  for (const value of [0, -7, 2 ** 40, 0.25, 'text', '', 'a\u0000b', true, false, null, undefined]) {
    thing.Value = value;
    assert.equal(thing.Value, value);
  }
});

test('byte arrays are Buffers both ways', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  const bytes = Buffer.from([0, 1, 254, 255]);
  thing.Data = bytes;
  const back = thing.Data;
  assert.ok(Buffer.isBuffer(back));
  assert.deepEqual(back, bytes);
  thing.Data = new Uint8Array([9, 8]);
  assert.deepEqual(thing.Data, Buffer.from([9, 8]));
  thing.Data = Buffer.alloc(0);
  assert.equal(thing.Data.length, 0);
});

test('a big byte array keeps every byte', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  const bytes = Buffer.alloc(1 << 20);
  for (let i = 0; i < bytes.length; ++i) bytes[i] = (i * 31) & 0xff;
  thing.Data = bytes;
  assert.ok(thing.Data.equals(bytes));
});

test('single precision reads as a number', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  thing.Ratio = 0.75;
  assert.equal(thing.Ratio, 0.75);
  thing.Ratio = 3;
  assert.equal(thing.Ratio, 3);
});

test('values without an automation form are refused', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  assert.throws(() => thing.TypeOf({}), TypeError);
  assert.throws(() => thing.TypeOf(() => 1), TypeError);
  assert.throws(() => thing.TypeOf(new Float32Array(2)), TypeError);
  assert.throws(() => thing.TypeOf(2n ** 70n), RangeError);
});

test('text is coerced by the server where it takes numbers', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  thing.Width = '120';
  assert.equal(thing.Width, 120);
  assert.throws(() => { thing.Width = 'abc'; }, (e) => e.number === (0x80020005 | 0));
});
