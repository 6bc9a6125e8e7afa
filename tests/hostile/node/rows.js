'use strict';
// The table of calls on hostile inputs. Each row has a name (the call and its
// input, as a failure reports it), a set-up that is not timed, and the call.
// A call may fail with an automation error; only the time it takes, the memory
// it holds and how the process ends are judged.
const kPictureTypes = ['png', 'gif', 'bmp', 'jpeg', 'tiff', 'webp', 'many-page tiff'];
const kFileInputs = ['fifo', '/dev/zero', 'directory', ...kPictureTypes];

function canvas(vx, width = 64, height = 48) {
  const made = vx.createObject('Vellumax.Canvas');
  made.Width = width;
  made.Height = height;
  return made;
}

// The biggest canvas a script gets when it asks for 16000 x 16000: under the
// default pixel limit the size is refused, and the calls run on what is left.
function hugeCanvas(vx) {
  const made = vx.createObject('Vellumax.Canvas');
  try {
    made.Width = 16000;
    made.Height = 16000;
  } catch (err) {
    if (typeof err.number !== 'number') throw err;
  }
  return made;
}

// Every image of a graphic with its facts, as a page lists them.
function readImages(graphic) {
  const images = graphic.GraphicImages;
  const count = images.Count;
  for (const image of images) void image.Rectangle;
  return count;
}

// inMegabytes of the smallest parts a boundary of three bytes allows.
function tinyParts(inMegabytes) {
  return Buffer.from('--X\r\n\r\n'.repeat(Math.floor((inMegabytes << 20) / 7)) + '--X--');
}

// A form holding 1 MB of tiny parts, its part limit raised to take them all.
function raisedForm(vx) {
  const form = vx.createObject('Vellumax.XMultipart');
  form.MaxParts = 200000;
  form.SetData(tinyParts(1));
  return { f: form };
}

const kLongMixed = 'a\u0628 '.repeat(16000);
const kLongLatin = 'lorem ipsum '.repeat(Math.floor((1 << 20) / 12));
const kTextCalls = [
  ['DrawText', (c, text, params) => c.DrawText(text, params)],
  ['TextArea', (c, text, params) => c.TextArea(text, params)],
  ['TextLength', (c, text, params) => c.TextLength(text, params)],
];

function rows() {
  const table = [];
  const add = (name, setup, call) => table.push({ name, setup, call });
  for (const input of kFileInputs) {
    add(`DrawFile on ${input}`, (vx, inputs) => ({ c: canvas(vx), path: inputs.files[input] }),
      (s) => s.c.DrawFile(s.path, 'rect=0,0,64,48'));
    add(`Graphic.SetFile, GraphicImages and Count on ${input}`,
      (vx, inputs) => ({ g: vx.createObject('Vellumax.Graphic'), path: inputs.files[input] }),
      (s) => { s.g.SetFile(s.path); readImages(s.g); });
  }
  for (const type of kPictureTypes) {
    const format = type.split(' ').pop();
    add(`DrawData on a ${type} bomb`, (vx, inputs) => ({ c: canvas(vx), bytes: inputs.pictures[type] }),
      (s) => s.c.DrawData(s.bytes, format, 'rect=0,0,64,48'));
    add(`Graphic.SetData, GraphicImages and Count on a ${type} bomb`,
      (vx, inputs) => ({ g: vx.createObject('Vellumax.Graphic'), bytes: inputs.pictures[type] }),
      (s) => { s.g.SetData(s.bytes, format); readImages(s.g); });
  }
  add('Width and Height puts of 16000 x 16000', (vx) => ({ c: vx.createObject('Vellumax.Canvas') }),
    (s) => { s.c.Width = 16000; s.c.Height = 16000; });
  add('Invert on a canvas of 16000 x 16000', (vx) => ({ c: hugeCanvas(vx) }), (s) => s.c.Invert());
  for (const depth of [2, 256, 'thousands']) {
    add(`SetChannel from a canvas without pixels onto depth ${depth}`,
      (vx) => { const c = canvas(vx); c.Depth = depth; return { c, source: vx.createObject('Vellumax.Canvas') }; },
      (s) => s.c.SetChannel('red', s.source));
  }
  add('SetChannel from a canvas of 16000 x 16000', (vx) => ({ c: canvas(vx), source: hugeCanvas(vx) }),
    (s) => s.c.SetChannel('red', s.source));
  add('DrawCanvas of a canvas of 16000 x 16000', (vx) => ({ c: canvas(vx), source: hugeCanvas(vx) }),
    (s) => s.c.DrawCanvas(s.source, 'rect=0,0,64,48'));
  add('DrawCanvas of a canvas without pixels', (vx) => ({ c: canvas(vx), source: vx.createObject('Vellumax.Canvas') }),
    (s) => s.c.DrawCanvas(s.source, 'rect=0,0,64,48'));
  add('XMultipart.SetData on 10 MB of 1.5 M parts', (vx) => ({ f: vx.createObject('Vellumax.XMultipart'), b: tinyParts(10) }),
    (s) => { try { s.f.SetData(s.b); } catch { /* refused by the part limit */ } });
  add('XMultipart enumeration of 150 K parts (MaxParts raised)', raisedForm,
    (s) => { let n = 0; for (const field of s.f) n += field ? 1 : 0; return n; });
  add('XMultipart.Item by name over 150 K parts (MaxParts raised)', raisedForm,
    (s) => { for (let i = 0; i < 100; i++) try { s.f.Item(`absent${i}`); } catch { /* no such field */ } });
  for (const [member, call] of kTextCalls) {
    add(`${member} of 48 KB of mixed scripts at size 1`, (vx) => ({ c: canvas(vx, 400, 300) }),
      (s) => call(s.c, kLongMixed, 'rect=0,0,400,300 textsize=1'));
    add(`${member} of 1 MB of Latin into 65534 pixels at size 1`, (vx) => ({ c: canvas(vx, 400, 300) }),
      (s) => call(s.c, kLongLatin, 'rect=0,0,400,65534 textsize=1'));
  }
  return table;
}

module.exports = { rows };
