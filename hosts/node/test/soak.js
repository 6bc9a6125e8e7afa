'use strict';
// Draws pages in one process without ever calling Clear(), as a careless page script would, and
// prints what memory did as JSON:
//   node [--max-old-space-size=64] soak.js PAGES yield|block [WIDTH HEIGHT]
// "yield" lets the event loop turn between pages as a server does; "block" never yields.
// The registry must already hold the server (VX_REGISTRY).
const vx = require('..');

const pages = Number(process.argv[2] || 1000);
const mode = process.argv[3] || 'yield';
const width = Number(process.argv[4] || 400);
const height = Number(process.argv[5] || 300);

let peakRss = 0;
let steadyRss = 0;
let peakExternal = 0;
let bytesOut = 0;

function page(i) {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = width;
  canvas.Height = height;
  canvas.DrawShape('oval', `rect=10,10,${width - 10},${height - 10} paintcolor=red pensize=3`);
  canvas.DrawText(`Page ${i}`, `rect=20,20,${width - 20},80 textsize=18`);
  bytesOut += canvas.GetAs('gif', '').length;
}

function sample(i) {
  const usage = process.memoryUsage();
  peakRss = Math.max(peakRss, usage.rss);
  peakExternal = Math.max(peakExternal, vx.externalMemory());
  if (i >= pages / 2) steadyRss = Math.max(steadyRss, usage.rss);
}

function report(started) {
  const mb = (n) => Math.round(n / 1048576 * 10) / 10;
  console.log(JSON.stringify({
    pages, mode, width, height, ms: Date.now() - started,
    peakRssMB: mb(peakRss), steadyRssMB: mb(steadyRss), peakExternalMB: mb(peakExternal),
    bytesOut,
  }));
}

const started = Date.now();
if (mode === 'block') {
  for (let i = 0; i < pages; ++i) {
    page(i);
    if (i % 50 === 0) sample(i);
  }
  sample(pages);
  report(started);
} else {
  let i = 0;
  const next = () => {
    if (i === pages) {
      sample(pages);
      report(started);
      return;
    }
    page(i);
    if (i % 50 === 0) sample(i);
    ++i;
    setImmediate(next);
  };
  next();
}
