'use strict';
// A real browser posts a form with a text field and a file input; the server
// hands the raw body to XMultipart and the fields match what was sent.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { loadHost, startFormServer, awkwardFile, clientEnv } = require('./support');

const modules = process.env.VX_UPLOAD_NODE_MODULES || path.join(__dirname, 'node_modules');
const { chromium } = require(path.join(modules, 'playwright-core'));

const vx = loadHost();

const page = `<!doctype html>
<html><head><meta charset="utf-8"><title>Upload</title></head>
<body>
<form method="post" action="/upload" enctype="multipart/form-data">
  <input type="text" name="title" id="title">
  <input type="file" name="picture" id="picture">
  <button type="submit" id="send">Send</button>
</form>
</body></html>`;

test('a form posted by Chromium is parsed byte for byte', async () => {
  const server = await startFormServer(vx, page);
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-browser-'));
  const file = awkwardFile(300000);
  const filePath = path.join(dir, 'Bild 1.gif');
  fs.writeFileSync(filePath, file);
  const title = 'Grüße "aus" Köln – 50%';
  const context = await chromium.launchPersistentContext(path.join(dir, 'profile'), {
    executablePath: '/usr/bin/chromium',
    headless: true,
    env: clientEnv(),
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  try {
    const tab = context.pages()[0] || await context.newPage();
    await tab.goto(`${server.url}/`);
    await tab.fill('#title', title);
    await tab.setInputFiles('#picture', filePath);
    const posted = server.posted();
    await tab.click('#send');
    const { fields, untouched, contentType } = await posted;
    assert.ok(untouched);
    assert.match(contentType, /^multipart\/form-data; boundary=/);
    assert.equal(fields.length, 2);
    assert.equal(fields[0].name, 'title');
    assert.equal(fields[0].filename, '');
    assert.equal(fields[0].type, '');
    assert.deepEqual(fields[0].data, Buffer.from(title, 'utf8'));
    assert.equal(fields[0].contents, title);
    assert.equal(fields[1].name, 'picture');
    assert.equal(fields[1].filename, 'Bild 1.gif');
    assert.equal(fields[1].type, 'image/gif');
    assert.deepEqual(fields[1].data, file);
  } finally {
    await context.close();
    await server.close();
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
