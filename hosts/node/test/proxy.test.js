'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { setUp } = require('./support');

const vx = setUp();

test('properties get and put, with any letter case', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  thing.Width = 42;
  assert.equal(thing.Width, 42);
  thing.width = 7;
  assert.equal(thing.WIDTH, 7);
  thing.Name = 'Grüße 🎨';
  assert.equal(thing.Name, 'Grüße 🎨');
});

test('ActiveXObject and a CLSID text create the same class', () => {
  const a = new vx.ActiveXObject('VxNodeTest.Thing.1');
  const b = vx.createObject('{3C0D7E20-5A11-4B6C-8D2E-114F607A9001}');
  a.Name = 'a';
  b.Name = 'b';
  assert.equal(a.Name, 'a');
  assert.equal(b.Name, 'b');
  assert.equal(vx.sameObject(a, b), false);
  assert.throws(() => vx.ActiveXObject('VxNodeTest.Thing'), TypeError);
});

test('methods return their retval; optional arguments may be left out', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  thing.Width = 5;
  assert.equal(thing.Scale(3), 15);
  assert.equal(thing.Scale(3, 4), 19);
  assert.equal(typeof thing.Scale, 'function');
});

test('several outs without a retval come back as an array in order', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  assert.deepEqual(thing.Measure('abc\nde\nf'), [21, 36, 12]);
});

test('outs before a retval come first, the retval last', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  assert.deepEqual(thing.Split('one two three'), ['one', 'two three']);
});

test('objects come back as proxies and go in as dispatch pointers', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  const child = thing.CreateChild('kid');
  assert.equal(child.Name, 'kid');
  thing.Partner = child;  // put by reference: the member has no plain put
  assert.ok(vx.sameObject(thing.Partner, child));
  thing.Partner.Width = 9;
  assert.equal(child.Width, 9);
  thing.Partner = null;
  assert.equal(thing.Partner, null);
  thing.Value = child;  // a plain put of an object
  assert.ok(vx.sameObject(thing.Value, child));
});

test('collections count, index by position or name, and iterate', () => {
  const items = vx.createObject('VxNodeTest.Thing').Items;
  assert.equal(items.Count, 3);
  assert.equal(items.Item(1).Name, 'alpha');
  assert.equal(items.Item('gamma').Name, 'gamma');
  const names = [];
  for (const item of items) names.push(item.Name);
  assert.deepEqual(names, ['alpha', 'beta', 'gamma']);
  assert.deepEqual(Array.from(items, (x) => x.Name), names);
});

test('objects that are no collection are not iterable', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  assert.equal(thing[Symbol.iterator], undefined);
  assert.throws(() => [...thing], TypeError);
});

test('unknown names read as undefined and refuse puts', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  assert.equal(thing.NoSuchThing, undefined);
  assert.equal('NoSuchThing' in thing, false);
  assert.equal('Width' in thing, true);
  assert.throws(() => { thing.NoSuchThing = 1; }, (e) => e.number === (0x80020003 | 0));
});

test('a proxy is not taken for a promise and prints as its interface', async () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  assert.equal(await Promise.resolve(thing), thing);
  assert.equal(require('node:util').inspect(thing), '[INodeThing]');
  assert.equal(`${thing}`, '[INodeThing]');
});
