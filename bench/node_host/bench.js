'use strict';
// Per-call cost of the Node host, run by hand after a build:
//
//   VX_BUILD_DIR=<build> node bench/node_host/bench.js
//
// Uses a private registry in a temporary folder and the host's test server (and the real
// server's XColor and Canvas).
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-node-bench-'));
process.env.VX_REGISTRY = path.join(dir, 'registry.db');
const vx = require('../../hosts/node');
vx.registerServer(path.join(vx.buildDir, 'lib', 'libvx-node-testserver.so'));
vx.registerServer(vx.serverPath);

function measure(name, iterations, body) {
  for (let i = 0; i < Math.min(iterations, 10000); ++i) body(i);  // warm up
  let best = Infinity;
  for (let round = 0; round < 5; ++round) {
    const start = process.hrtime.bigint();
    for (let i = 0; i < iterations; ++i) body(i);
    const ns = Number(process.hrtime.bigint() - start) / iterations;
    best = Math.min(best, ns);
  }
  console.log(`${name.padEnd(40)} ${(best / 1000).toFixed(3)} µs/call`);
}

const thing = vx.createObject('VxNodeTest.Thing');
const color = vx.createObject('Vellumax.XColor');
const canvas = vx.createObject('Vellumax.Canvas');
const bytes = Buffer.alloc(64 * 1024);

measure('property put (test server Width)', 200000, (i) => { thing.Width = i; });
measure('property get (test server Width)', 200000, () => thing.Width);
measure('property put (string Name)', 200000, () => { thing.Name = 'hello'; });
measure('method with retval (Scale)', 200000, (i) => thing.Scale(i & 7));
measure('method with three outs (Measure)', 100000, () => thing.Measure('ab'));
measure('property put (XColor Red)', 200000, (i) => { color.Red = i % 100; });
measure('property put (Canvas PenSize)', 200000, (i) => { canvas.PenSize = i & 7; });
measure('property put (Canvas PenColor)', 100000, () => { canvas.PenColor = 'red'; });
measure('property put (XColor String)', 100000, () => { color.String = 'red'; });
canvas.Width = 64;
canvas.Height = 64;
measure('DrawShape of a small rectangle (Canvas)', 50000, () => canvas.DrawShape('rect', 'rect=1,1,5,5'));
measure('byte array put, 64 KiB (Data)', 5000, () => { thing.Data = bytes; });
measure('createObject (VxNodeTest.Thing)', 20000, () => vx.createObject('VxNodeTest.Thing'));

fs.rmSync(dir, { recursive: true, force: true });
