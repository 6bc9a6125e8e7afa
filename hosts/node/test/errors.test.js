'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { setUp, testServerPath } = require('./support');

const vx = setUp();

test('a failing method throws its number, description and source', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  const cases = [
    [0x80004005 | 0, 'Unable to complete the operation'],
    [0x80070057 | 0, 'Bad value\nsecond line'],
    [0x8002000b | 0, 'élan'],
  ];
  for (const [code, text] of cases) {
    assert.throws(() => thing.Fail(code, text), (e) => {
      assert.ok(e instanceof Error);
      assert.equal(e.number, code);
      assert.equal(e.description, text);
      assert.equal(e.message, text);
      assert.equal(e.source, 'VxNodeTest.Thing.1');
      return true;
    });
  }
});

test('a failing put and a failing collection index throw alike', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  assert.throws(() => { thing.Width = -1; }, { number: 0x80070057 | 0, description: 'Width must not be negative' });
  assert.equal(thing.Width, 0);
  assert.throws(() => thing.Items.Item(4), { number: 0x8002000b | 0, source: 'VxNodeTest.Thing.1' });
  assert.throws(() => thing.Items.Item('delta'), { description: 'No item named delta' });
});

test('a failure without error information carries the system text', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  // Missing argument: refused by the dispatch layer before the method runs.
  assert.throws(() => thing.Fail(), (e) => e.number === (0x8002000e | 0) && e.description.length > 0);
});

test('creating an unknown class throws', () => {
  assert.throws(() => vx.createObject('VxNodeTest.Nothing'), { number: 0x800401f3 | 0 });
  assert.throws(() => vx.createObject('{00000000-0000-0000-0000-0000000000AB}'), { number: 0x80040154 | 0 });
  assert.throws(() => vx.createObject('{not a clsid'), { number: 0x800401f3 | 0 });
  assert.throws(() => vx.createObject(42), TypeError);
});

test('registration of a missing or foreign module throws', () => {
  assert.throws(() => vx.registerServer(path.join(__dirname, 'no-such-module.so')), { number: 0x800401f8 | 0 });
  assert.throws(() => vx.registerServer(__filename), { number: 0x800401f9 | 0 });
});

test('unregistration removes the class; registration brings it back', () => {
  vx.unregisterServer(testServerPath());
  assert.throws(() => vx.createObject('VxNodeTest.Thing'), { number: 0x800401f3 | 0 });
  vx.registerServer(testServerPath());
  assert.equal(vx.createObject('VxNodeTest.Thing').Width, 0);
});

test('a missing build folder is named in the error', () => {
  const { spawnSync } = require('node:child_process');
  const missing = path.join(__dirname, 'no-such-build');
  const run = spawnSync(process.execPath, ['-e', `require(${JSON.stringify(path.join(__dirname, '..'))})`], {
    env: { ...process.env, VX_BUILD_DIR: missing },
    encoding: 'utf8',
  });
  assert.notEqual(run.status, 0);
  assert.match(run.stderr, /The Node host is not built: .*no-such-build/);
});

test('a wrong argument count keeps the description and adds the member and its parameters', () => {
  const thing = vx.createObject('VxNodeTest.Thing');
  const cases = [
    [() => thing.Fail(), 'INodeThing.Fail(inCode, inDescription) takes 2 arguments; 0 given.'],
    [() => thing.Scale(1, 2, 3), 'INodeThing.Scale(inFactor, [inOffset]) takes 1 to 2 arguments; 3 given.'],
    [() => thing.Measure('a', 1, 2, 3, 4), 'INodeThing.Measure(inText, [outWidth], [outHeight], [outLine]) takes 1 to 4 arguments; 5 given.'],
  ];
  for (const [call, hint] of cases) {
    assert.throws(call, (e) => {
      assert.equal(e.number, 0x8002000e | 0);
      assert.ok(e.description.length > 0 && !e.description.includes('\n'));
      assert.equal(e.message, `${e.description}\n${hint}`);
      assert.equal(e.hint, hint);
      assert.ok(e.stack.includes(hint));
      return true;
    });
  }
  // Other failures keep their message as the server wrote it.
  assert.throws(() => thing.Fail(0x80004005 | 0, 'plain'), { message: 'plain', description: 'plain' });
});

test('an unregistered class says where the registry is and how to register', () => {
  for (const name of ['VxNodeTest.Nothing', '{00000000-0000-0000-0000-0000000000AB}']) {
    assert.throws(() => vx.createObject(name), (e) => {
      assert.ok(e.number === (0x800401f3 | 0) || e.number === (0x80040154 | 0));
      assert.ok(e.message.startsWith(`${e.description}\n`));
      assert.ok(e.hint.includes(name));
      assert.ok(e.hint.includes(process.env.VX_REGISTRY));
      assert.match(e.hint, /vx\.registerServer\(vx\.serverPath\)/);
      return true;
    });
  }
});
