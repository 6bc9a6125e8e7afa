'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { setUp, collect } = require('./support');

const vx = setUp();

test('objects are released when their proxies are collected', async () => {
  const probe = vx.createObject('VxNodeTest.Thing');
  await collect();
  const before = probe.Alive;
  (() => {
    for (let i = 0; i < 50; ++i) probe.CreateChild(`c${i}`).Width = i;
  })();
  assert.ok(probe.Alive >= before + 1);
  await collect();
  assert.equal(probe.Alive, before);
});

test('an object held by the server outlives its proxy', async () => {
  const holder = vx.createObject('VxNodeTest.Thing');
  (() => {
    const child = holder.CreateChild('kept');
    holder.Partner = child;
  })();
  await collect();
  assert.equal(holder.Partner.Name, 'kept');
});

test('a collection stays usable after its parent is gone', async () => {
  let items = (() => vx.createObject('VxNodeTest.Thing').Items)();
  await collect();
  assert.deepEqual([...items].map((x) => x.Name), ['alpha', 'beta', 'gamma']);
  items = null;
});
