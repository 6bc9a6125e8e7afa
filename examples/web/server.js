'use strict';
// A small web site on Node's http module. The pages make promise calls on the main thread, so
// pictures are drawn on the thread pool and a long page never blocks the others. With WORKERS
// above 0 the pages run in a pool of worker threads instead; bench/web_load compares the two.
//
//   node examples/web/server.js [PORT] [WORKERS]      (PORT 0: any free port; prints the address)
//
// The server must be registered in the registry of the environment (scripts/demo does that).
const http = require('node:http');
const path = require('node:path');
const { Worker } = require('node:worker_threads');

const { answer } = require('./pages');

const workerFile = path.join(__dirname, 'pages.js');
const maxBody = 8 * 1024 * 1024;

class Pool {
  /** @param {number} size */
  constructor(size) {
    /** @type {{ worker: Worker, busy: number }[]} */
    this.workers = [];
    /** @type {Map<number, (answer: any) => void>} */
    this.waiting = new Map();
    this.nextId = 1;
    for (let i = 0; i < size; ++i) {
      const entry = { worker: new Worker(workerFile), busy: 0 };
      entry.worker.on('message', (answer) => {
        --entry.busy;
        const done = this.waiting.get(answer.id);
        this.waiting.delete(answer.id);
        if (done) done(answer);
      });
      this.workers.push(entry);
    }
  }

  /** @returns {Promise<{ status: number, type: string, body: any }>} */
  run(request) {
    const entry = this.workers.reduce((a, b) => (b.busy < a.busy ? b : a));
    const id = this.nextId++;
    ++entry.busy;
    return new Promise((resolve) => {
      this.waiting.set(id, resolve);
      entry.worker.postMessage({ ...request, id });
    });
  }

  close() {
    return Promise.all(this.workers.map((e) => e.worker.terminate()));
  }
}

// The pages on this thread, with promise calls.
class MainThread {
  /** @param {any} vx the host */
  constructor(vx) {
    this.vx = vx;
  }

  /** @returns {Promise<{ status: number, type: string, body: any }>} */
  run(request) {
    return answer(this.vx, request);
  }

  close() {
    return Promise.resolve();
  }
}

const indexPage = `<!doctype html>
<html><head><meta charset="utf-8"><title>Vellumax examples</title></head>
<body>
<h1>Vellumax examples</h1>
<form action="/" method="get" id="badge-form">
  <label>Label <input name="label" value="build"></label>
  <label>Value <input name="value" value="passing"></label>
  <label>Colour <input name="color" value="#44cc11"></label>
  <button type="button" onclick="showBadge()">Draw badge</button>
</form>
<p><img id="badge" alt="badge" src="/badge?label=build&amp;value=passing&amp;color=%2344cc11"></p>
<p><img id="chart" alt="chart" src="/chart?values=3,7,2,9&amp;labels=Mon,Tue,Wed,Thu"></p>
<p><a href="/upload">Upload a picture</a>: its facts and a thumbnail.</p>
<script>
function showBadge() {
  const q = new URLSearchParams(new FormData(document.getElementById('badge-form')));
  document.getElementById('badge').src = '/badge?' + q;
}
</script>
</body></html>
`;

/** @param {http.IncomingMessage} req */
function readBody(req) {
  return new Promise((resolve, reject) => {
    const chunks = [];
    let size = 0;
    req.on('data', (chunk) => {
      size += chunk.length;
      if (size > maxBody) {
        reject(new Error('request body too large'));
        req.destroy();
        return;
      }
      chunks.push(chunk);
    });
    req.on('end', () => resolve(Buffer.concat(chunks)));
    req.on('error', reject);
  });
}

/** @param {Pool | MainThread} pool */
function createSite(pool) {
  return http.createServer(async (req, res) => {
    try {
      const url = new URL(req.url || '/', 'http://localhost');
      let answer;
      if (url.pathname === '/') {
        answer = { status: 200, type: 'text/html; charset=utf-8', body: indexPage };
      } else {
        const body = req.method === 'POST' ? await readBody(req) : null;
        answer = await pool.run({
          path: url.pathname,
          query: Object.fromEntries(url.searchParams),
          body,
          contentType: req.headers['content-type'] || '',
        });
      }
      const bytes = typeof answer.body === 'string' ? Buffer.from(answer.body) : Buffer.from(answer.body);
      res.writeHead(answer.status, { 'content-type': answer.type, 'content-length': bytes.length });
      res.end(bytes);
    } catch (err) {
      res.writeHead(500, { 'content-type': 'text/plain' });
      res.end(String(err && err.message));
    }
  });
}

module.exports = { Pool, MainThread, createSite };

if (require.main === module) {
  const port = Number(process.argv[2] ?? 8080);
  const workers = Number(process.argv[3] ?? 0);
  const pool = workers > 0 ? new Pool(workers) : new MainThread(require('../../hosts/node'));
  const site = createSite(pool);
  site.listen(port, '127.0.0.1', () => {
    const address = site.address();
    console.log(`listening on http://127.0.0.1:${address && typeof address === 'object' ? address.port : port}/`);
  });
  const stop = () => site.close(() => pool.close().then(() => process.exit(0)));
  process.on('SIGINT', stop);
  process.on('SIGTERM', stop);
}
