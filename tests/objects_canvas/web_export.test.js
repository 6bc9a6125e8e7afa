'use strict';
// The export options for pages, as a page script uses them.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const zlib = require('node:zlib');

const vx = require('../../hosts/node');

fs.rmSync(process.env.VX_REGISTRY, { force: true });
vx.registerServer(vx.serverPath);

const COLORS = ['E6194B', 'F0F4F8', '3CB44B', '4363D8'];

function drawPage() {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 200;
  canvas.Height = 100;
  COLORS.forEach((hex, i) => {
    const percent = [0, 2, 4].map((at) => ((parseInt(hex.slice(at, at + 2), 16) / 255) * 100).toFixed(4));
    canvas.DrawShape('rectangle', `rect=${i * 40},10,${i * 40 + 35},90 paintcolor=${percent.join(',')} op=paint`);
  });
  return canvas;
}

// The GIF's global colour table as hex texts.
function gifTable(gif) {
  const size = 2 << (gif[10] & 7);
  const table = [];
  for (let i = 0; i < size; ++i) table.push(gif.subarray(13 + 3 * i, 16 + 3 * i).toString('hex').toUpperCase());
  return table;
}

test('an adaptive compressed GIF keeps the page colours and is far smaller', () => {
  const canvas = drawPage();
  const fixed = canvas.GetAs('gif', '');
  const adaptive = canvas.GetAs('gif', 'palette=adaptive compress=true');
  assert.equal(adaptive.subarray(0, 6).toString(), 'GIF87a');
  const table = gifTable(adaptive);
  assert.equal(table.length, 8);  // white and four colours
  for (const hex of COLORS) assert.ok(table.includes(hex), hex);
  assert.ok(!gifTable(fixed).includes('E6194B'));
  assert.ok(adaptive.length * 20 < fixed.length, `${adaptive.length} vs ${fixed.length}`);
  assert.throws(() => canvas.GetAs('gif', 'palette=best'), /Could not understand value of parameter "palette=best"/);
});

// The alpha samples of an 8-bit RGBA PNG without interlace.
function pngAlphas(png) {
  assert.equal(png[25], 6, 'colour type RGBA');
  const width = png.readUInt32BE(16);
  const chunks = [];
  for (let at = 8; at < png.length;) {
    const length = png.readUInt32BE(at);
    if (png.toString('latin1', at + 4, at + 8) === 'IDAT') chunks.push(png.subarray(at + 8, at + 8 + length));
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(chunks));
  const stride = width * 4 + 1;
  const rows = [];
  let previous = Buffer.alloc(width * 4);
  for (let at = 0; at < raw.length; at += stride) {
    const row = Buffer.from(raw.subarray(at + 1, at + stride));
    const filter = raw[at];
    for (let i = 0; i < row.length; ++i) {
      const left = i >= 4 ? row[i - 4] : 0;
      const up = previous[i];
      const corner = i >= 4 ? previous[i - 4] : 0;
      if (filter === 1) row[i] += left;
      else if (filter === 2) row[i] += up;
      else if (filter === 3) row[i] += (left + up) >> 1;
      else if (filter === 4) {
        const p = left + up - corner;
        const [pa, pb, pc] = [Math.abs(p - left), Math.abs(p - up), Math.abs(p - corner)];
        row[i] += pa <= pb && pa <= pc ? left : pb <= pc ? up : corner;
      }
    }
    rows.push(Array.from({ length: width }, (_, x) => row[x * 4 + 3]));
    previous = row;
  }
  return rows;
}

test('transparent=x,y clears exactly that colour in a PNG', () => {
  const canvas = drawPage();
  // A named depth keeps its form: millions is 8-bit RGBA.
  const alphas = pngAlphas(canvas.GetAs('png', 'transparent=5,50 depth=millions'));
  assert.equal(alphas[50][5], 0);      // inside the first rectangle
  assert.equal(alphas[50][30], 0);
  assert.equal(alphas[50][45], 255);   // the second one
  assert.equal(alphas[0][0], 255);     // the white ground
  assert.ok(pngAlphas(canvas.GetAs('png', 'depth=millions')).every((row) => row.every((a) => a === 255)));
  // Without a depth, the five colours go into a 4-bit palette; opaque, so without tRNS.
  const smallest = canvas.GetAs('png', '');
  assert.deepEqual([smallest[24], smallest[25]], [4, 3]);
  assert.equal(smallest.indexOf('tRNS'), -1);
  const keyed = canvas.GetAs('png', 'transparent=5,50');
  assert.deepEqual([keyed[24], keyed[25]], [4, 3]);
  assert.notEqual(keyed.indexOf('tRNS'), -1);
});

test('UseColorAlpha lets the alpha of Color reach erased pixels', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  assert.equal(canvas.UseColorAlpha, false);
  canvas.Width = 8;
  canvas.Height = 4;
  canvas.Color = '100,100,100,0';
  canvas.Erase();
  assert.equal(canvas.GetColor('1,1').split(',')[3], '99.6');  // opaque unless asked (255 reads as 99.6)
  canvas.UseColorAlpha = 'true';
  canvas.Erase();
  assert.equal(canvas.GetColor('1,1').split(',')[3], '0.0');
  assert.ok(pngAlphas(canvas.GetAs('png', 'depth=millions')).every((row) => row.every((a) => a === 0)));
  assert.throws(() => { canvas.UseColorAlpha = 'perhaps'; }, /UseColorAlpha/);
});
