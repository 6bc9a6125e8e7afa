'use strict';
// A first page script: draws shapes and text on a canvas and writes the picture twice,
// as a GIF file (SaveAs) and as PNG bytes handed back to the script (GetAs), the way a
// page would send them to the browser.
//
//   node examples/hello.js [OUTPUT-BASENAME]      (default: <build>/hello → hello.gif, hello.png)
//
// The server must be registered in the registry of the environment (scripts/demo does that).
const fs = require('node:fs');
const path = require('node:path');
const vx = require('../hosts/node');

const base = path.resolve(process.argv[2] || path.join(vx.buildDir, 'hello'));

const canvas = vx.createObject('Vellumax.Canvas');
canvas.Width = 320;
canvas.Height = 200;
canvas.Color = 'white';
canvas.Erase();
canvas.PenColor = 'black';
canvas.PenSize = 3;
canvas.TextFont = 'DejaVu Sans,Liberation Sans';

/** @type {Array<[import('../hosts/node').ShapeWord, string]>} */
const shapes = [
  ['oval', 'rect=20,20,120,100 paintcolor=red'],
  ['roundrect', 'rect=140,20,300,70 paintcolor=yellow cornersize=20'],
  ['polygon', 'points=150,140,190,80,230,140 paintcolor=cyan pensize=2'],
  ['line', 'points=20,160,120,190,240,190,300,150 operation=draw pencolor=blue pensize=4'],
];
for (const [shape, params] of shapes) {
  console.log(`DrawShape ${shape}: ${canvas.DrawShape(shape, params)}`);
}
const textParams = 'rect=20,110,140,150 textcolor=darkgray textsize=12 textstyle=bold';
console.log(`DrawText: ${canvas.DrawText('Hello, world', textParams)}`);
const [width, height, lineHeight] = canvas.TextArea('Hello, world', textParams);
console.log(`TextArea: ${width} x ${height}, lines of ${lineHeight} pixels`);

canvas.SaveAs(`${base}.gif`, 'transparent=0,0');
console.log(`Wrote ${base}.gif (${fs.statSync(`${base}.gif`).size} bytes)`);

const png = canvas.GetAs('png', 'quality=high');
fs.writeFileSync(`${base}.png`, png);
console.log(`Wrote ${base}.png (${png.length} bytes)`);

// A failure comes back as an Error carrying the server's own description.
try {
  canvas.DrawShape('rect', 'pencolor=reddish');
} catch (err) {
  console.log(`A rejected parameter reads: ${err.description.split('\n')[0]}`);
}
