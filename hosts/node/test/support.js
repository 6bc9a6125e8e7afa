'use strict';
// Shared set-up of the host's tests: a fresh private registry with the test server registered.
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const v8 = require('node:v8');
const vm = require('node:vm');

function freshRegistry() {
  if (!process.env.VX_REGISTRY) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-node-'));
    process.env.VX_REGISTRY = path.join(dir, 'registry.db');
  }
  fs.rmSync(process.env.VX_REGISTRY, { force: true });
  return process.env.VX_REGISTRY;
}

function testServerPath() {
  const given = process.env.VX_NODE_TESTSERVER;
  if (given) return given;
  const vx = require('..');
  return path.join(vx.buildDir, 'lib', 'libvx-node-testserver.so');
}

// The host with a fresh registry holding the test server.
function setUp() {
  freshRegistry();
  const vx = require('..');
  vx.registerServer(testServerPath());
  return vx;
}

v8.setFlagsFromString('--expose-gc');
const gc = vm.runInNewContext('gc');

// Collects garbage until finalizers had their turn.
async function collect() {
  for (let i = 0; i < 4; ++i) {
    gc();
    await new Promise((resolve) => setImmediate(resolve));
  }
}

module.exports = { freshRegistry, testServerPath, setUp, collect };
