'use strict';
// Costs of Graphic and Gestalt calls from a page script through the Node.js host.
//   VX_BUILD_DIR=<build> VX_IMAGING=<build>/lib/libvx-imaging.so VX_REGISTRY=<scratch>.db \
//     node bench/objects_graphic/graphic_bench.js
const vx = require('../../hosts/node');

vx.registerServer(vx.serverPath);

// Processor time per call, best of several rounds: on a shared machine the
// wall clock also counts other work.
function measure(name, iterations, body) {
  for (let i = 0; i < Math.min(iterations, 200); ++i) body(i);  // warm-up
  let best = Infinity;
  for (let round = 0; round < 7; ++round) {
    const start = process.cpuUsage();
    for (let i = 0; i < iterations; ++i) body(i);
    const used = process.cpuUsage(start);
    best = Math.min(best, (used.user + used.system) / iterations);
  }
  console.log(`${name.padEnd(44)} ${best.toFixed(1).padStart(8)} µs CPU per call`);
}

// A JPEG of about 100 KB: small blocks of random colours defeat the compression.
function noisyJpeg(targetBytes) {
  let seed = 12345;
  const next = () => (seed = (seed * 1103515245 + 12345) & 0x7fffffff) % 100;
  for (let side = 120; ; side += 20) {
    const canvas = vx.createObject('Vellumax.Canvas');
    canvas.Width = side;
    canvas.Height = side;
    for (let y = 0; y < side; y += 2) {
      for (let x = 0; x < side; x += 2) {
        canvas.DrawShape('rect', `rect=${x},${y},${x + 2},${y + 2} pencolor=${next()},${next()},${next()} ` +
                                 `paintcolor=${next()},${next()},${next()}`);
      }
    }
    const jpeg = canvas.GetAs('jpeg', 'quality=high');
    if (jpeg.length >= targetBytes) return jpeg;
  }
}

const jpeg = noisyJpeg(100 * 1024);
console.log(`JPEG of ${jpeg.length} bytes`);
const graphic = vx.createObject('Vellumax.Graphic');
measure('Graphic.SetData + GraphicImages (JPEG)', 2000, () => {
  graphic.SetData(jpeg, 'jpeg');
  if (graphic.GraphicImages.Count !== 1) throw new Error('one image expected');
});

const gestalt = vx.createObject('Vellumax.Gestalt');
console.log(`${gestalt.Fonts.Count} fonts`);
measure('Gestalt.Fonts', 200, () => gestalt.Fonts);
measure('Gestalt.Fonts, every name read', 50, () => [...gestalt.Fonts]);
