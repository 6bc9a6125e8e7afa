'use strict';
// Every member of the server that takes text refuses a text holding a NUL, whole, with the text
// of an invalid argument, and changes nothing: no file is read or written at the name before the
// NUL, no property keeps the part before it.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { freshRegistry } = require('./support');

freshRegistry();
const vx = require('..');
vx.registerServer(vx.serverPath);

const E_FAIL = 0x80004005 | 0;
const E_INVALIDARG = 0x80070057 | 0;
const kRefused = 'The parameter is incorrect.';
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-nul-'));

// The objects with pictures report through E_FAIL; the value and upload objects hand the code back.
function refused(fn, number, what) {
  assert.throws(fn, (err) => {
    assert.equal(err.number, number, what);
    assert.equal(err.description, kRefused, what);
    return true;
  }, what);
}

function canvas() {
  const c = vx.createObject('Vellumax.Canvas');
  c.Width = 8;
  c.Height = 8;
  c.DrawShape('rect', 'rect=2,2,6,6 paintcolor=red');
  return c;
}

function pixels(c) {
  const all = [];
  for (let y = 0; y < 8; ++y) for (let x = 0; x < 8; ++x) all.push(c.GetColor(`${x},${y}`));
  return all.join(' ');
}

test('canvas properties keep their value', () => {
  const c = canvas();
  const rows = [
    ['Depth', 'millions\x00256'], ['Color', 'red\0x'], ['PaintColor', 'blue\0'], ['PenColor', 'red\0garbage'],
    ['TextColor', 'green\0'], ['TextFont', 'DejaVu Sans\0x'], ['TextStyle', 'bold\0,italic'], ['HAlign', 'right\0'],
    ['VAlign', 'bottom\0'], ['Dither', 'true\0'], ['UseColorAlpha', 'yes\0'], ['Width', '12\x00'], ['Height', '12\x00'],
    ['PenSize', '3\x00'], ['TextSize', '3\x00'],
  ];
  for (const [name, text] of rows) {
    const before = c[name];
    refused(() => { c[name] = text; }, E_FAIL, name);
    assert.equal(c[name], before, name);
  }
});

test('canvas methods draw, read and write nothing', () => {
  const c = canvas();
  const source = canvas();
  const before = pixels(c);
  const png = path.join(dir, 'cut.png');
  const bytes = source.GetAs('png', '');
  const calls = [
    ['SetChannel', () => c.SetChannel('alpha\0red', source)],
    ['DrawFile path', () => c.DrawFile(`${png}\0.gif`, '')],
    ['DrawFile params', () => c.DrawFile(png, 'pos=1,1\0')],
    ['DrawData type', () => c.DrawData(bytes, 'png\0gif', '')],
    ['DrawData params', () => c.DrawData(bytes, 'png', 'pos=1,1\0 x')],
    ['DrawShape shape', () => c.DrawShape('rect\0oval', 'rect=0,0,8,8')],
    ['DrawShape params', () => c.DrawShape('rect', 'rect=0,0,8,8\0 paintcolor=blue')],
    ['DrawText text', () => c.DrawText('ab\0cd', 'rect=0,0,8,8')],
    ['DrawText params', () => c.DrawText('ab', 'rect=0,0,8,8\0')],
    ['DrawCanvas params', () => c.DrawCanvas(source, 'pos=1,1\0')],
    ['GetColor', () => c.GetColor('1,1\0x')],
    ['TextArea text', () => c.TextArea('ab\0', '')],
    ['TextLength text', () => c.TextLength('ab\0', '')],
    ['SaveAs path', () => c.SaveAs(`${png}\0.gif`, '')],
    ['SaveAs params', () => c.SaveAs(png, 'quality=high\0')],
    ['GetAs type', () => c.GetAs('png\0gif', '')],
  ];
  fs.writeFileSync(png, bytes);  // DrawFile must not read it
  for (const [what, call] of calls) {
    refused(call, E_FAIL, what);
    assert.equal(pixels(c), before, what);
  }
  assert.deepEqual(fs.readFileSync(png), bytes, 'SaveAs wrote the name before the NUL');
  assert.equal(c.Depth, 'millions');
});

test('Graphic reads no file and keeps no type, Gestalt writes and logs nothing', () => {
  const small = path.join(dir, 'small.png');
  fs.writeFileSync(small, canvas().GetAs('png', ''));
  const graphic = vx.createObject('Vellumax.Graphic');
  refused(() => graphic.SetFile(`${small}\0/../../etc/passwd`), E_FAIL, 'SetFile');
  assert.equal(graphic.Format, '');
  refused(() => graphic.SetData(fs.readFileSync(small), 'png\0'), E_FAIL, 'SetData');
  assert.equal(graphic.Format, '');

  const gestalt = vx.createObject('Vellumax.Gestalt');
  const target = path.join(dir, 'a.txt');
  refused(() => gestalt.Save(`${target}\0.png`, Buffer.from('data')), E_FAIL, 'Save');
  assert.equal(fs.existsSync(target), false);
  refused(() => gestalt.Log('message\0 hidden'), E_FAIL, 'Log');
  const logging = gestalt.LogErrors;
  refused(() => { gestalt.LogErrors = `${!logging}\0`; }, E_FAIL, 'LogErrors');
  assert.equal(gestalt.LogErrors, logging);
});

test('value objects keep their value', () => {
  const rows = [
    ['Vellumax.XColor', ['String', 'Red', 'Green', 'Blue', 'Alpha', 'RGB'], 'red'],
    ['Vellumax.XRect', ['String', 'left', 'top', 'right', 'bottom', 'TopLeft', 'BottomRight'], '1,2,3,4'],
    ['Vellumax.XPoint', ['String', 'x', 'y'], '5,6'],
  ];
  for (const [progId, members, start] of rows) {
    const value = vx.createObject(progId);
    value.String = start;
    for (const member of members) {
      const before = value[member];
      const text = member === 'String' ? `${start}\0,9` : `${member.startsWith('Top') || member.startsWith('Bottom') ? '7,8' : '40'}\0`;
      refused(() => { value[member] = text; }, E_INVALIDARG, `${progId} ${member}`);
      assert.equal(value[member], before, `${progId} ${member}`);
    }
  }
});

test('an upload field keeps its values', () => {
  const form = vx.createObject('Vellumax.XMultipart');
  form.SetData(Buffer.from('--X\r\nContent-Disposition: form-data; name="a"\r\n\r\nhello\r\n--X--\r\n'));
  const field = form.Item(1);
  const data = Buffer.from([1, 2]);
  for (const args of [['n\0x', 't', 'f', 'c', data], ['n', 't\0', 'f', 'c', data], ['n', 't', 'f\0.png', 'c', data],
                      ['n', 't', 'f', 'c\0d', data]]) {
    refused(() => field.SetValues(...args), E_INVALIDARG, JSON.stringify(args));
    assert.deepEqual([field.Name, field.Type, field.Filename, field.Contents], ['a', '', '', 'hello']);
  }
  refused(() => form.Item('a\0b'), E_INVALIDARG, 'Item');
  field.SetValues('n', 't', 'f', 'c', data);
  assert.deepEqual([field.Name, field.Type, field.Filename, field.Contents], ['n', 't', 'f', 'c']);
});
