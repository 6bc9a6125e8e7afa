'use strict';
// curl's -F uploads, parsed on the receiving side.
const test = require('node:test');
const assert = require('node:assert/strict');
const { execFile } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { loadHost, startFormServer, awkwardFile, clientEnv } = require('./support');

const vx = loadHost();

function curl(args) {
  return new Promise((resolve, reject) => {
    execFile('curl', ['-sS', '--noproxy', '*', ...args], { env: clientEnv() }, (error, stdout) => (error ? reject(error) : resolve(stdout)));
  });
}

test('curl -F fields and files arrive byte for byte', async () => {
  const server = await startFormServer(vx);
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-curl-'));
  const file = awkwardFile(200000);
  const filePath = path.join(dir, 'picture.gif');
  fs.writeFileSync(filePath, file);
  const text = 'Grüße, 100%';
  try {
    const posted = server.posted();
    await curl(['-F', `title=${text}`, '-F', `picture=@${filePath};type=image/gif`,
                '-F', 'empty=', `${server.url}/upload`]);
    const { fields, untouched, contentType } = await posted;
    assert.ok(untouched);
    assert.match(contentType, /^multipart\/form-data; boundary=/);
    assert.deepEqual(fields.map((f) => f.name), ['title', 'picture', 'empty']);
    assert.equal(fields[0].contents, text);
    assert.deepEqual(fields[0].data, Buffer.from(text, 'utf8'));
    assert.equal(fields[0].filename, '');
    assert.equal(fields[1].type, 'image/gif');
    assert.equal(fields[1].filename, 'picture.gif');
    assert.deepEqual(fields[1].data, file);
    assert.ok(fields[1].contents.startsWith('GIF89a'), 'Contents stop at the first zero byte');
    assert.ok(fields[1].contents.length < file.length);
    assert.equal(fields[2].data.length, 0);
  } finally {
    await server.close();
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
