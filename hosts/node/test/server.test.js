'use strict';
// The host against the real server: registration and the classes scripts create.
const test = require('node:test');
const assert = require('node:assert/strict');
const { freshRegistry } = require('./support');

freshRegistry();
const vx = require('..');
vx.registerServer(vx.serverPath);

test('the value objects are creatable by either ProgID and answer their text forms', () => {
  const color = vx.createObject('Vellumax.XColor');
  color.String = 'red';
  assert.equal(color.String, '86.5,3.4,2.6,100.0');
  const rect = new vx.ActiveXObject('Vellumax.XRect.1');
  rect.String = '1,2,30,40';
  assert.equal(rect.String, '1,2,30,40');
  assert.equal(rect.Width, 29);
  const point = vx.createObject('Vellumax.XPoint');
  assert.equal(point.String, '0,0');
});

test('a rejected value throws the server error text with the class as source', () => {
  const color = vx.createObject('Vellumax.XColor');
  assert.throws(() => { color.String = 'teal'; }, {
    number: 0x80004005 | 0,
    description: 'Unable to set property\n\n\nSet XColor String  =  teal',
    source: 'Vellumax.XColor.1',
  });
});

test('an uploaded body is parsed into fields that iterate and hand out bytes', () => {
  const boundary = 'XyZ';
  const bytes = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x00, 0xff]);
  const body = Buffer.concat([
    Buffer.from(`--${boundary}\r\nContent-Disposition: form-data; name="title"\r\n\r\nHello\r\n`),
    Buffer.from(`--${boundary}\r\nContent-Disposition: form-data; name="picture"; filename="p.png"\r\n` +
                'Content-Type: image/png\r\n\r\n'),
    bytes,
    Buffer.from(`\r\n--${boundary}--\r\n`),
  ]);
  const form = vx.createObject('Vellumax.XMultipart');
  form.SetData(body);
  assert.equal(form.Count, 2);
  assert.deepEqual([...form].map((f) => f.Name), ['title', 'picture']);
  assert.equal(form.Item('title').Contents, 'Hello');
  const picture = form.Item(2);
  assert.equal(picture.Filename, 'p.png');
  assert.deepEqual(picture.Data, bytes);
});

test('a canvas takes its size, another canvas as its pattern, and reports rejected values', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 40;
  canvas.Height = '30';
  assert.equal(canvas.Width, 40);
  assert.equal(canvas.Height, 30);
  assert.equal(canvas.Depth, 'millions');
  const pattern = new vx.ActiveXObject('Vellumax.Canvas');
  canvas.Pattern = pattern;
  assert.ok(vx.sameObject(canvas.Pattern, pattern));
  assert.throws(() => { canvas.Pattern = null; }, { number: 0x80004003 | 0 });
  assert.throws(() => { canvas.PenSize = -1; }, {
    number: 0x80004005 | 0,
    description: 'Unable to set property\n\n\nSet Canvas PenSize  =  -1',
    source: 'Vellumax.Canvas.1',
  });
  canvas.Clear();
  assert.equal(canvas.Width, 0);
});

test('a canvas hands its picture back as a Buffer', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 16;
  canvas.Height = 8;
  canvas.Erase();
  const gif = canvas.GetAs('gif', '');
  assert.ok(Buffer.isBuffer(gif));
  assert.equal(gif.subarray(0, 4).toString('latin1'), 'GIF8');
  assert.equal(gif.readUInt16LE(6), 16);
  assert.equal(gif.readUInt16LE(8), 8);
  const png = canvas.GetAs('png', '');
  assert.deepEqual([...png.subarray(0, 4)], [0x89, 0x50, 0x4e, 0x47]);
});

test('classes without a factory are registered but not creatable', () => {
  assert.throws(() => vx.createObject('Vellumax.GraphicImage'), { number: 0x80040111 | 0 });
});

test('after unregistration the server classes are gone', () => {
  vx.unregisterServer(vx.serverPath);
  assert.throws(() => vx.createObject('Vellumax.XColor'), { number: 0x800401f3 | 0 });
  vx.registerServer(vx.serverPath);
  assert.equal(vx.createObject('Vellumax.XColor').Red, 0);
});

test('web colours reach properties, value objects and parameter strings', () => {
  const color = vx.createObject('Vellumax.XColor');
  color.String = '#ff8000';
  assert.equal(color.String, '100.0,50.2,0.0,100.0');
  assert.throws(() => { color.String = '#00f8'; }, { description: 'Unable to set property\n\n\nSet XColor String  =  #00f8' });
  assert.equal(color.String, '100.0,50.2,0.0,100.0', 'a refused form leaves the colour alone');
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 8;
  canvas.Height = 8;
  canvas.PaintColor = '#0000ff';
  canvas.DrawShape('rect', 'rect=0,0,4,8 op=paint');
  canvas.DrawShape('rect', 'rect=4,0,8,8 op=paint paintcolor=#0f0');
  // Pixels read back as bytes shifted by 8: 255 is 99.6 per cent.
  assert.equal(canvas.GetColor('1,1'), '0.0,0.0,99.6,99.6');
  assert.equal(canvas.GetColor('6,1'), '0.0,99.6,0.0,99.6');
});

test('text over the maxtext bound is refused with the canvas unchanged, and maxtext raises the bound', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 60;
  canvas.Height = 20;
  canvas.DrawShape('rect', 'rect=0,0,30,20 op=paint paintcolor=red');
  const before = canvas.GetAs('bmp', '');
  // Counted as UTF-8: 16385 two-byte letters are 32770 bytes.
  const long = 'é'.repeat(16385);
  const refusal = /^A text of 32770 bytes is longer than the limit of 32768 bytes set by maxtext\.\n/;
  const params = 'rect=0,0,60,20 textsize=6';
  assert.throws(() => canvas.DrawText(long, params), { number: 0x80004005 | 0, description: refusal });
  assert.throws(() => canvas.TextArea(long, params), { description: refusal });
  assert.throws(() => canvas.TextLength(long, params), { description: refusal });
  assert.deepEqual(canvas.GetAs('bmp', ''), before);
  const bare = vx.createObject('Vellumax.Canvas');
  assert.throws(() => bare.DrawText(long, params), { description: refusal });
  assert.equal(bare.Width, 0, 'a canvas without pixels is not given any');

  const raised = `${params} ${vx.params({ maxtext: 32770 })}`;
  assert.ok(Number(canvas.TextLength(long, raised)) > 0);
  canvas.DrawText(long, raised);
  assert.notDeepEqual(canvas.GetAs('bmp', ''), before);
  assert.throws(() => canvas.DrawText(long, `${params} maxtext=16777217`), {
    description: /^Could not understand value of parameter "maxtext=16777217"/,
  });
});
