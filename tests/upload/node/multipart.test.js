'use strict';
// The edge cases of the form parser, as a page script meets them through the host.
const test = require('node:test');
const assert = require('node:assert/strict');
const { loadHost, fieldsOf } = require('./support');

const vx = loadHost();

function parse(body) {
  const form = vx.createObject('Vellumax.XMultipart');
  form.SetData(Buffer.isBuffer(body) ? body : Buffer.from(body, 'latin1'));
  return form;
}

test('a plain field gives its text and its bytes', () => {
  const form = parse('--X\r\nContent-Disposition: form-data; name="a"\r\n\r\nhello\r\n--X--');
  assert.equal(form.Count, 1);
  const field = form.Item('a');
  assert.equal(field.Name, 'a');
  assert.equal(field.Contents, 'hello');
  assert.deepEqual(Buffer.from(field.Data), Buffer.from('hello'));
  assert.equal(field.Type, '');
  assert.equal(field.Filename, '');
});

test('a file part keeps its type and exact bytes, and the caller body is not changed', () => {
  const file = Buffer.from([0x47, 0x49, 0x46, 0x00, 0x0d, 0x0a, 0x2d, 0x2d, 0xff]);
  const body = Buffer.concat([
    Buffer.from('--B\r\nContent-Disposition: form-data; name="f"; filename="a.gif"\r\nContent-Type: image/gif\r\n\r\n'),
    file,
    Buffer.from('\r\n--B--\r\n'),
  ]);
  const copy = Buffer.from(body);
  const [field] = fieldsOf(parse(body));
  assert.equal(field.type, 'image/gif');
  assert.equal(field.filename, 'a.gif');
  assert.deepEqual(field.data, file);
  assert.equal(field.contents, 'GIF');
  assert.deepEqual(body, copy);
});

test('duplicates are counted and Item finds the first; 0 and 1 are the first field', () => {
  const form = parse('--X\r\nContent-Disposition: form-data; name="a"\r\n\r\n1\r\n' +
                     '--X\r\nContent-Disposition: form-data; name="a"\r\n\r\n2\r\n--X--');
  assert.equal(form.Count, 2);
  assert.equal(form.Item('a').Contents, '1');
  assert.equal(form.Item(0).Contents, '1');
  assert.equal(form.Item(1).Contents, '1');
  assert.equal(form.Item(2).Contents, '2');
  assert.throws(() => form.Item(3), { number: 0x8002000B | 0 });
  assert.throws(() => form.Item('A'), { number: 0x8002000B | 0 });
});

test('empty parts, header case, filename before name, MacBinary', () => {
  const header = Buffer.alloc(128);
  header.writeUInt32BE(0xFFFFFFF0, 83);
  const form = parse(Buffer.concat([
    Buffer.from('--X\r\nContent-Disposition: form-data; name="empty"\r\n\r\n' +
                '--X\r\ncontent-type: text/plain\r\ncontent-disposition: form-data; name="lower"\r\n\r\nx\r\n' +
                '--X\r\nContent-Disposition: form-data; filename="f.txt"; name="n"\r\n\r\ny\r\n' +
                '--X\r\nContent-Type: Application/X-MacBinary\r\n\r\n'),
    header,
    Buffer.from('\r\n--X\r\nContent-Type: application/x-macbinary\r\n\r\n'),
    header,
    Buffer.from('\r\n--X--'),
  ]));
  const fields = fieldsOf(form);
  assert.equal(fields.length, 5);
  assert.equal(fields[0].data.length, 0);
  assert.equal(fields[1].type, 'text/plain');
  assert.equal(fields[1].name, 'lower');
  assert.equal(fields[2].name, 'f.txt');
  assert.equal(fields[3].data.length, 128, 'another letter case is not decoded');
  assert.equal(fields[4].data.length, 0, 'a fork longer than the part gives no data');
});

test('SetData without a byte array fails and keeps the fields', () => {
  const form = parse('--X\r\nContent-Disposition: form-data; name="a"\r\n\r\nhello\r\n--X--');
  assert.throws(() => form.SetData('--X\r\n\r\nx\r\n--X--'), { number: 0x80020005 | 0 });
  assert.throws(() => form.SetData(12), { number: 0x80020005 | 0 });
  assert.equal(form.Count, 1);
  form.SetData(Buffer.from('no boundary'));
  assert.equal(form.Count, 0);
});

test('a field outlives its form; SetValues keeps 255 characters', () => {
  let field = parse('--X\r\nContent-Disposition: form-data; name="a"\r\n\r\nhello\r\n--X--').Item(1);
  const long = 'é'.repeat(300);
  field.SetValues(long, 'text/plain', long, 'text', Buffer.from([1, 2, 3]));
  assert.equal(field.Name, long.slice(0, 255));
  assert.equal(field.Filename, long.slice(0, 255));
  assert.equal(field.Contents, 'text');
  assert.deepEqual(Buffer.from(field.Data), Buffer.from([1, 2, 3]));
  field = null;
});

test('XMultipart is creatable by either ProgID; XField only comes from a form', () => {
  assert.equal(vx.createObject('Vellumax.XMultipart.1').Count, 0);
  assert.throws(() => vx.createObject('Vellumax.XField'));
  assert.throws(() => vx.createObject('Vellumax.XField.1'));
});

// 10 MB of the smallest parts: refused by default, naming the limit, with the
// fields there were kept. 1 MB of them is taken when the page raises MaxParts,
// then enumerated in batches and looked up by name.
test('a body of a million parts is refused by default and read in full when the page allows it', () => {
  const tiny = (megabytes) => Buffer.from('--X\r\n\r\n'.repeat(Math.floor((megabytes << 20) / 7)) + '--X--');
  const form = parse('--X\r\nContent-Disposition: form-data; name="kept"\r\n\r\nv\r\n--X--');
  assert.equal(form.MaxParts, 10000);
  assert.throws(() => form.SetData(tiny(10)), {
    number: 0x80004005 | 0,
    description: 'The form has more than 10000 parts, the limit set by MaxParts.',
  });
  assert.equal(form.Item('kept').Contents, 'v');
  assert.throws(() => { form.MaxParts = 0; }, { number: 0x80070057 | 0 });

  form.MaxParts = 200000;
  form.SetData(tiny(1));
  assert.equal(form.Count, Math.floor((1 << 20) / 7));
  let count = 0;
  for (const field of form) {
    if (count++ % 10000 === 0) assert.equal(field.Name, '');
  }
  assert.equal(count, form.Count);
  assert.equal(form.Item('').Data.length, 0);
  assert.throws(() => form.Item('kept'), { number: 0x8002000B | 0 });
});

test('a loop over the fields crosses the host\'s batches in order and keeps the list it started on', () => {
  let body = '';
  for (let i = 0; i < 600; i++) body += `--X\r\nContent-Disposition: form-data; name="f${i}"\r\n\r\n${i}\r\n`;
  const form = parse(body + '--X--');
  const seen = [];
  for (const field of form) {
    if (seen.length === 300) form.SetData(Buffer.from('--X\r\n\r\nother\r\n--X--'));
    seen.push(field.Contents);
  }
  assert.deepEqual(seen, Array.from({ length: 600 }, (_, i) => String(i)));
  assert.deepEqual([...form].map((field) => field.Contents), ['other']);
});
