'use strict';
// Shared set-up of the upload tests: the Node host from this checkout with the
// server registered in a private registry, and a small HTTP server that hands
// every posted body, untouched, to an XMultipart.
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');

const checkout = path.resolve(__dirname, '..', '..', '..');

function loadHost() {
  if (!process.env.VX_REGISTRY) {
    process.env.VX_REGISTRY = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'vx-upload-')), 'registry.db');
  }
  fs.rmSync(process.env.VX_REGISTRY, { force: true });
  const vx = require(path.join(checkout, 'hosts', 'node'));
  vx.registerServer(vx.serverPath);
  return vx;
}

// Every field of a parsed form as plain values.
function fieldsOf(form) {
  const fields = [];
  for (const field of form) {
    fields.push({
      name: field.Name,
      type: field.Type,
      filename: field.Filename,
      contents: field.Contents,
      data: Buffer.from(field.Data),
    });
  }
  return fields;
}

// Serves inPage at / and parses each POST to /upload; posted() resolves with
// the next upload's raw body and its fields.
async function startFormServer(vx, inPage) {
  const waiting = [];
  const server = http.createServer((req, res) => {
    if (req.method !== 'POST') {
      res.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
      res.end(inPage || '');
      return;
    }
    const chunks = [];
    req.on('data', (chunk) => chunks.push(chunk));
    req.on('end', () => {
      const body = Buffer.concat(chunks);
      const copy = Buffer.from(body);
      const form = vx.createObject('Vellumax.XMultipart');
      form.SetData(body);
      const result = { body, untouched: body.equals(copy), contentType: req.headers['content-type'], fields: fieldsOf(form) };
      res.writeHead(200, { 'Content-Type': 'text/plain' });
      res.end(`fields: ${result.fields.length}`);
      const next = waiting.shift();
      if (next) next(result);
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${server.address().port}`,
    posted: () => new Promise((resolve) => waiting.push(resolve)),
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

// A file whose bytes hold what a careless parser trips over: zero bytes, line
// breaks, dashes and a lookalike of a boundary.
function awkwardFile(inSize) {
  const bytes = Buffer.alloc(inSize);
  let seed = 12345;
  for (let i = 0; i < inSize; ++i) {
    seed = (seed * 1103515245 + 12345) >>> 0;
    bytes[i] = seed >>> 24;
  }
  Buffer.from('GIF89a').copy(bytes, 0);
  Buffer.from('\r\n--\r\n----FormBoundaryLookalike\r\n\0\r\n').copy(bytes, 100);
  bytes[inSize - 2] = 0x0d;
  bytes[inSize - 1] = 0x0a;
  return bytes;
}

// The environment for the clients the tests start: without the sanitizer
// runtime a sanitizer build preloads into node.
function clientEnv() {
  const env = { ...process.env };
  delete env.LD_PRELOAD;
  delete env.ASAN_OPTIONS;
  return env;
}

module.exports = { checkout, loadHost, fieldsOf, startFormServer, awkwardFile, clientEnv };
