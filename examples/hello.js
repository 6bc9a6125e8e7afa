'use strict';
// A first page script: draws a shape and a line of text on a canvas and writes the picture.
//
//   node examples/hello.js [OUTPUT.gif]      (default: <build>/hello.gif)
//
// The server must be registered in the registry of the environment (scripts/demo does that).
const path = require('node:path');
const vx = require('../hosts/node');

const CLASS_E_CLASSNOTAVAILABLE = 0x80040111 | 0;
const output = path.resolve(process.argv[2] || path.join(vx.buildDir, 'hello.gif'));

function tryCreate(progId) {
  try {
    return vx.createObject(progId);
  } catch (err) {
    if (err.number === CLASS_E_CLASSNOTAVAILABLE) return null;  // registered, not built into this server yet
    throw err;
  }
}

const paint = vx.createObject('Vellumax.XColor');
paint.String = 'red';
console.log(`Server: ${vx.serverPath}`);
console.log(`XColor "red" reads ${paint.String}`);

const canvas = tryCreate('Vellumax.Canvas');
if (!canvas) {
  console.log('Vellumax.Canvas is not part of this build yet: no picture written.');
  process.exit(0);
}

canvas.Width = 320;
canvas.Height = 120;
canvas.Color = 'white';
canvas.Erase();
console.log(`Canvas ${canvas.Width} x ${canvas.Height}, ${canvas.Depth} colours`);

// Each drawing step reports the server's own error text if it fails, and the script goes on.
function step(name, call) {
  try {
    const result = call();
    console.log(`${name}: ${result === undefined ? 'done' : result}`);
    return true;
  } catch (err) {
    if (err.number === undefined) throw err;  // a fault of this script, not of the server
    console.log(`${name} failed: ${err.description.split('\n')[0]}`);
    return false;
  }
}

step('Oval', () => canvas.DrawShape('oval', 'rect=20,20,120,100 paintcolor=red pencolor=black pensize=3'));
step('Text', () => canvas.DrawText('Hello, world', 'rect=135,40,310,90 textcolor=blue textsize=20'));
if (step('Save', () => canvas.SaveAs(output, ''))) console.log(`Wrote ${output}`);
else console.log('No picture written.');
