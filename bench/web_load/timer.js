'use strict';
// How late a 1 ms interval timer on the main thread fires while four promise calls each decode a
// 12000 x 12000 PNG (a small file: rows of one colour), against the same four decodes as plain calls.
//
//   node bench/web_load/timer.js [plain|idle]     (idle: the timer alone, for the machine's own jitter)
const zlib = require('node:zlib');
const vx = require('../../hosts/node');

// A PNG of side x side grey pixels, built directly: the server would need the pixels in memory.
function bigPng(side) {
  const chunk = (type, data) => {
    const head = Buffer.alloc(8);
    head.writeUInt32BE(data.length, 0);
    head.write(type, 4, 'latin1');
    const crc = Buffer.alloc(4);
    crc.writeUInt32BE(zlib.crc32 ? zlib.crc32(Buffer.concat([head.subarray(4), data])) : crc32(Buffer.concat([head.subarray(4), data])), 0);
    return Buffer.concat([head, data, crc]);
  };
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(side, 0);
  ihdr.writeUInt32BE(side, 4);
  ihdr[8] = 8;  // bit depth
  ihdr[9] = 0;  // grey
  const row = Buffer.alloc(side + 1, 0x80);
  row[0] = 0;
  const rows = Buffer.alloc(row.length * side);
  for (let y = 0; y < side; ++y) row.copy(rows, y * row.length);
  return Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', ihdr),
                        chunk('IDAT', zlib.deflateSync(rows, { level: 9 })), chunk('IEND', Buffer.alloc(0))]);
}

function crc32(bytes) {
  let c = ~0;
  for (const b of bytes) {
    c ^= b;
    for (let k = 0; k < 8; ++k) c = (c >>> 1) ^ (0xedb88320 & -(c & 1));
  }
  return ~c >>> 0;
}

async function main() {
  const plain = process.argv[2] === 'plain';
  const side = 12000;
  const png = bigPng(side);
  const delays = [];
  let last = process.hrtime.bigint();
  const timer = setInterval(() => {
    const now = process.hrtime.bigint();
    delays.push(Number(now - last) / 1e6 - 1);
    last = now;
  }, 1);
  const started = process.hrtime.bigint();
  const idle = process.argv[2] === 'idle';
  if (idle) await new Promise((resolve) => setTimeout(resolve, 10000));
  const decodes = Array.from({ length: idle ? 0 : 4 }, async () => {
    const graphic = vx.createObject('Vellumax.Canvas');
    if (plain) {
      graphic.MaxPixels = side * side;
      graphic.Width = 100;
      graphic.Height = 100;
      return graphic.DrawData(png, 'png', 'rect=0,0,100,100');
    }
    await graphic.async.MaxPixels(side * side);
    await graphic.async.Width(100);
    await graphic.async.Height(100);
    return graphic.async.DrawData(png, 'png', 'rect=0,0,100,100');
  });
  await Promise.all(decodes);
  const elapsed = Number(process.hrtime.bigint() - started) / 1e6;
  clearInterval(timer);
  delays.sort((a, b) => a - b);
  const at = (q) => (delays.length ? delays[Math.min(delays.length - 1, Math.floor(q * delays.length))] : NaN);
  console.log(`${idle ? 'idle' : plain ? 'plain' : 'promise'}: PNG ${png.length} bytes, four decodes of ${side} x ${side} in ${elapsed.toFixed(0)} ms; ` +
              `timer fired ${delays.length} times, delay p50 ${at(0.5).toFixed(2)} ms, p99 ${at(0.99).toFixed(2)} ms, max ${at(1).toFixed(2)} ms`);
}

main();
