'use strict';
// The registry each thread uses is the one its own environment names: a worker's process.env is
// its own copy, which the runtime can't read, so the host tells the runtime on every thread.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { Worker } = require('node:worker_threads');
const { freshRegistry, testServerPath } = require('./support');

const parentRegistry = freshRegistry();
const vx = require('..');
const REGDB_E_CLASSNOTREG = 0x80040154 | 0;
const CO_E_CLASSSTRING = 0x800401f3 | 0;
const notRegistered = (err) => err.number === REGDB_E_CLASSNOTREG || err.number === CO_E_CLASSSTRING;

function runWorker(source, workerData) {
  return new Promise((resolve, reject) => {
    const worker = new Worker(source, { eval: true, workerData });
    worker.once('message', resolve);
    worker.once('error', reject);
  });
}

test('a worker that names its own registry registers and creates in that file', async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-worker-registry-'));
  try {
    const own = path.join(dir, 'own.db');
    const answer = await runWorker(`
      const { parentPort, workerData } = require('node:worker_threads');
      process.env.VX_REGISTRY = workerData.own;
      const vx = require(workerData.host);
      vx.registerServer(workerData.server);
      const o = vx.createObject('VxNodeTest.Thing');
      parentPort.postMessage({ registry: vx.registryPath(), made: typeof o.Name });
    `, { own, host: require.resolve('..'), server: testServerPath() });
    assert.deepEqual(answer, { registry: own, made: 'string' });
    assert.ok(fs.statSync(own).size > 0, 'the worker wrote its own file');
    // The parent's registry, which the runtime's process environment names, holds nothing.
    assert.equal(vx.registryPath(), parentRegistry);
    assert.throws(() => vx.createObject('VxNodeTest.Thing'), notRegistered);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});

test('a thread follows its process.env from call to call', () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-switch-registry-'));
  const saved = process.env.VX_REGISTRY;
  try {
    const first = path.join(dir, 'first.db');
    const second = path.join(dir, 'second.db');
    process.env.VX_REGISTRY = first;
    vx.registerServer(testServerPath());
    assert.equal(typeof vx.createObject('VxNodeTest.Thing').Name, 'string');
    process.env.VX_REGISTRY = second;
    assert.equal(vx.registryPath(), second);
    assert.throws(() => vx.createObject('VxNodeTest.Thing'), notRegistered);
    process.env.VX_REGISTRY = first;
    assert.equal(typeof vx.createObject('VxNodeTest.Thing').Name, 'string');
  } finally {
    process.env.VX_REGISTRY = saved;
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
