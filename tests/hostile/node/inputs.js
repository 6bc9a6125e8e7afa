'use strict';
// Hostile inputs, made by the test itself: nodes that are not regular files,
// pictures whose headers declare 16000 x 16000 pixels in each format, a TIFF
// of a thousand large pages, long texts and a body of a million form parts.
const childProcess = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');

const kSide = 16000;

const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});

function crc32(bytes) {
  let c = 0xffffffff;
  for (const b of bytes) c = crcTable[(c ^ b) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

function pngChunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'latin1');
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])), 0);
  return Buffer.concat([head, data, crc]);
}

// Whole and valid: 1-bit grey rows of zeros, which deflate to about 32 KB.
function pngBomb() {
  const header = Buffer.alloc(13);
  header.writeUInt32BE(kSide, 0);
  header.writeUInt32BE(kSide, 4);
  header[8] = 1; // bit depth
  const rows = Buffer.alloc(kSide * (1 + kSide / 8));
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    pngChunk('IHDR', header),
    pngChunk('IDAT', zlib.deflateSync(rows, { level: 9 })),
    pngChunk('IEND', Buffer.alloc(0)),
  ]);
}

// LZW data for inPixels of colour 0 at minimum code size 2, compressed as an
// encoder would: each code is the one before and one pixel more, until the
// table is full and a clear code starts over. Code widths follow the
// decoder's: one bit more once the next free code reaches the next power of 2.
function zeroRunLzw(inPixels) {
  const kClear = 4;
  const kStop = 5;
  const bytes = [];
  let word = 0;
  let bits = 0;
  const put = (code, width) => {
    word |= code << bits;
    bits += width;
    while (bits >= 8) {
      bytes.push(word & 0xff);
      word >>>= 8;
      bits -= 8;
    }
  };
  let width = 3;
  put(kClear, width);
  for (let made = 0; made < inPixels; ) {
    put(0, width);
    made += 1;
    let next = kStop + 1;
    for (let run = 2; next < 4096 && made < inPixels; run++, next++) {
      put(next, width);
      made += run;
      if (next + 1 === 1 << width && width < 12) width++;
    }
    put(made < inPixels ? kClear : kStop, width);
    width = 3;
  }
  if (bits > 0) bytes.push(word & 0xff);
  const blocks = [];
  for (let at = 0; at < bytes.length; at += 255) {
    const block = bytes.slice(at, at + 255);
    blocks.push(block.length, ...block);
  }
  return [...blocks, 0];
}

// Whole and valid: 16000 x 16000 pixels of one colour in about 200 KB.
function gifBomb() {
  const le16 = (v) => [v & 0xff, v >> 8];
  const head = [...Buffer.from('GIF89a'), ...le16(kSide), ...le16(kSide), 0x81, 0, 0];
  head.push(0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255); // 4-colour table
  head.push(0x2c, ...le16(0), ...le16(0), ...le16(kSide), ...le16(kSide), 0, 2);
  return Buffer.concat([Buffer.from(head), Buffer.from(zeroRunLzw(kSide * kSide)), Buffer.from([0x3b])]);
}

// Run-length 8-bit: the whole picture is one end-of-bitmap code.
function bmpBomb() {
  const palette = Buffer.alloc(256 * 4);
  const data = Buffer.from([0, 1]);
  const header = Buffer.alloc(54);
  header.write('BM', 0, 'latin1');
  header.writeUInt32LE(54 + palette.length + data.length, 2);
  header.writeUInt32LE(54 + palette.length, 10);
  header.writeUInt32LE(40, 14);
  header.writeInt32LE(kSide, 18);
  header.writeInt32LE(kSide, 22);
  header.writeUInt16LE(1, 26);
  header.writeUInt16LE(8, 28);
  header.writeUInt32LE(1, 30); // BI_RLE8
  header.writeUInt32LE(data.length, 34);
  return Buffer.concat([header, palette, data]);
}

// A small progressive JPEG made by the server, its frame header then saying 16000 x 16000.
function jpegBomb(vx) {
  const bytes = Buffer.from(smallPicture(vx, 'jpeg', 'interlace=true'));
  for (let at = 2; at + 9 < bytes.length; ) {
    const marker = bytes[at + 1];
    if (marker >= 0xc0 && marker <= 0xc2) {
      bytes.writeUInt16BE(kSide, at + 5);
      bytes.writeUInt16BE(kSide, at + 7);
      return bytes;
    }
    at += 2 + bytes.readUInt16BE(at + 2);
  }
  throw new Error('no frame header in the JPEG the server wrote');
}

// A lossless WebP made by the server, its bitstream header then saying 16000 x 16000.
function webpBomb(vx) {
  const bytes = Buffer.from(smallPicture(vx, 'webp', 'quality=lossless'));
  const at = bytes.indexOf('VP8L');
  if (at < 0) throw new Error('the server wrote no lossless WebP');
  const bits = bytes.readUInt32LE(at + 9);
  const dims = ((kSide - 1) & 0x3fff) | (((kSide - 1) & 0x3fff) << 14);
  bytes.writeUInt32LE(((bits & ~0x0fffffff) | dims) >>> 0, at + 9);
  return bytes;
}

// Classic little-endian TIFF: inPages directories of width x height, 8-bit grey, one
// uncompressed strip each, all pointing at the same 16 bytes.
function tiff(inPages, inWidth, inHeight) {
  const entries = (next) => [
    [256, 4, inWidth], [257, 4, inHeight], [258, 3, 8], [259, 3, 1], [262, 3, 1],
    [273, 4, 8], [278, 4, inHeight], [279, 4, 16], [0, 0, next],
  ];
  const size = 6 + 8 * 12;
  const first = 8 + 16;
  const out = Buffer.alloc(first + inPages * size);
  out.write('II', 0, 'latin1');
  out.writeUInt16LE(42, 2);
  out.writeUInt32LE(first, 4);
  for (let page = 0; page < inPages; page++) {
    let at = first + page * size;
    const next = page + 1 < inPages ? at + size : 0;
    const list = entries(next);
    out.writeUInt16LE(list.length - 1, at);
    at += 2;
    for (const [tag, type, value] of list.slice(0, -1)) {
      out.writeUInt16LE(tag, at);
      out.writeUInt16LE(type, at + 2);
      out.writeUInt32LE(1, at + 4);
      if (type === 3) out.writeUInt16LE(value, at + 8);
      else out.writeUInt32LE(value, at + 8);
      at += 12;
    }
    out.writeUInt32LE(next, at);
  }
  return out;
}

function smallPicture(vx, type, params) {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 16;
  canvas.Height = 16;
  canvas.DrawShape('oval', 'rect=1,1,15,15 paintcolor=red');
  return canvas.GetAs(type, params);
}

// Writes every input under inFolder and gives their paths and bytes.
function makeInputs(vx, inFolder) {
  const pictures = {
    png: pngBomb(),
    gif: gifBomb(),
    bmp: bmpBomb(),
    jpeg: jpegBomb(vx),
    tiff: tiff(1, kSide, kSide),
    webp: webpBomb(vx),
    'many-page tiff': tiff(1000, 32000, 8000),
  };
  const files = {};
  for (const [name, bytes] of Object.entries(pictures)) {
    files[name] = path.join(inFolder, `bomb-${name.replace(/ /g, '-')}.${name.split(' ').pop()}`);
    fs.writeFileSync(files[name], bytes);
  }
  files.fifo = path.join(inFolder, 'fifo');
  childProcess.execFileSync('mkfifo', [files.fifo]);
  files.directory = path.join(inFolder, 'directory');
  fs.mkdirSync(files.directory);
  files['/dev/zero'] = '/dev/zero';
  return { files, pictures };
}

module.exports = { makeInputs, kSide };
