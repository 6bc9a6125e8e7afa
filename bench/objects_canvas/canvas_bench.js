'use strict';
// Costs of canvas calls from a page script through the Node.js host.
//   VX_BUILD_DIR=<build> VX_IMAGING=<build>/lib/libvx-imaging.so VX_REGISTRY=<scratch>.db \
//     node bench/objects_canvas/canvas_bench.js
const vx = require('../../hosts/node');

vx.registerServer(vx.serverPath);

function measure(name, iterations, body) {
  for (let i = 0; i < 1000; ++i) body(i);  // warm-up
  // CPU time beside wall time: on a shared machine the wall clock also counts other work.
  const cpuStart = process.cpuUsage();
  const start = process.hrtime.bigint();
  for (let i = 0; i < iterations; ++i) body(i);
  const wall = Number(process.hrtime.bigint() - start) / iterations;
  const used = process.cpuUsage(cpuStart);
  const cpu = ((used.user + used.system) * 1000) / iterations;
  console.log(`${name.padEnd(28)} ${wall.toFixed(0).padStart(7)} ns wall ${cpu.toFixed(0).padStart(7)} ns CPU per call`);
}

const canvas = vx.createObject('Vellumax.Canvas');
measure('PenSize put', 200000, (i) => { canvas.PenSize = i & 7; });
measure('PenColor put', 200000, (i) => { canvas.PenColor = (i & 1) ? 'red' : 'blue'; });
measure('PenSize get', 200000, () => canvas.PenSize);

canvas.Width = 64;
canvas.Height = 64;
try {
  canvas.DrawShape('rect', 'rect=4,4,20,20');
  measure('DrawShape small rectangle', 20000, () => canvas.DrawShape('rect', 'rect=4,4,20,20'));
} catch (e) {
  console.log(`DrawShape small rectangle: skipped (${e.description.split('\n')[0]})`);
}
