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
  const refused = (name, message) => (e) => e instanceof name && e.message === message;
  assert.throws(() => thing.TypeOf({}), refused(TypeError, "this object can't be passed to an automation object"));
  assert.throws(() => thing.TypeOf(() => 1), refused(TypeError, "this value can't be passed to an automation object"));
  assert.throws(() => thing.TypeOf(Symbol('s')), refused(TypeError, "this value can't be passed to an automation object"));
  assert.throws(() => thing.TypeOf(new Float32Array(2)),
    refused(TypeError, 'only byte arrays (Uint8Array, Buffer) can be passed'));
  assert.throws(() => thing.TypeOf(2n ** 70n), refused(RangeError, 'BigInt out of the 64-bit range'));
});

test('every automation type a server returns reaches scripts in its script form', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  const T = { I2: 2, R4: 4, CY: 6, DATE: 7, ERROR: 10, UI1: 17, I1: 16, UI2: 18, UI4: 19, UI8: 21, INT: 22, UINT: 23 };
  const cases = [
    [-5, T.I1, -5], [200, T.UI1, 200], [-300, T.I2, -300], [60000, T.UI2, 60000],
    [-7, VT.I4, -7], [-7, T.INT, -7], [4000000000, T.UI4, 4000000000], [4000000000, T.UINT, 4000000000],
    [2 ** 40, VT.I8, 2 ** 40], [2 ** 53, T.UI8, 2 ** 53], [0.5, T.R4, 0.5], [-1.25, VT.R8, -1.25],
    [2.5, T.DATE, 2.5], [1.2345, T.CY, 1.2345], [1, VT.BOOL, true], [0, VT.BOOL, false],
    [12, VT.BSTR, '12'], [null, VT.NULL, null], [1, VT.EMPTY, undefined], [1, T.ERROR, undefined],
  ];
  cases.forEach(([value, type, expected], i) => assert.equal(thing.Convert(value, type), expected, `case ${i}`));
  assert.equal(thing.Convert(10n, VT.I8), 10);
  assert.throws(() => thing.Convert(1, 14),
    (e) => e instanceof TypeError && e.message === 'an automation value of type 14 has no script form');
});

test('text is coerced by the server where it takes numbers', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  thing.Width = '120';
  assert.equal(thing.Width, 120);
  assert.throws(() => { thing.Width = 'abc'; }, (e) => e.number === (0x80020005 | 0));
});
