'use strict';
// One server of the load benchmark: the example site in one of its ways of calling the server,
// or the same upload page made with the libvips-pipeline peer.
//
//   node serve.js promise|plain|pool|peer PORT        (prints "listening PORT")
const path = require('node:path');
const http = require('node:http');

const checkout = path.join(__dirname, '..', '..');
const { Pool, MainThread, createSite } = require(path.join(checkout, 'examples', 'web', 'server'));
const { thumbnailSide } = require(path.join(checkout, 'examples', 'web', 'upload'));

// The host with every `obj.async.Member(...)` made as the plain call: the same page code then
// makes plain calls on the main thread, for the baseline.
function plainHost(vx) {
  const wrap = (value) => (value && typeof value === 'object' && typeof value.async === 'object' ? wrapObject(value) : value);
  function wrapObject(obj) {
    const forms = new Proxy({}, {
      get(_, name) {
        return (...args) => {
          try {
            if (typeof obj[name] === 'function') return Promise.resolve(wrap(obj[name](...args)));
            if (args.length === 0) return Promise.resolve(wrap(obj[name]));
            obj[name] = args[0];
            return Promise.resolve(undefined);
          } catch (err) {
            return Promise.reject(err);
          }
        };
      },
    });
    return new Proxy(obj, { get: (target, name) => (name === 'async' ? forms : target[name]) });
  }
  return { ...vx, params: vx.params, createObject: (id) => wrapObject(vx.createObject(id)) };
}

// The peer's page: the form split by its boundary, the facts from the picture's header and a
// thumbnail scaled into the same square, as PNG. Its cache is off: every request decodes anew.
function peerSite() {
  const sharp = require('sharp');
  sharp.cache(false);
  const escape = (t) => String(t).replace(/[&<>"']/g, (c) => `&#${c.charCodeAt(0)};`);
  return http.createServer((req, res) => {
    const chunks = [];
    req.on('data', (c) => chunks.push(c));
    req.on('end', async () => {
      try {
        const body = Buffer.concat(chunks);
        const boundary = Buffer.from('--' + /boundary=([^;]+)/.exec(req.headers['content-type'] || '')[1]);
        const start = body.indexOf('\r\n\r\n', body.indexOf(boundary)) + 4;
        const bytes = body.subarray(start, body.indexOf(Buffer.concat([Buffer.from('\r\n'), boundary]), start));
        const meta = await sharp(bytes).metadata();
        const png = await sharp(bytes).resize(thumbnailSide, thumbnailSide, { fit: 'inside' }).png().toBuffer();
        const facts = [['Bytes', bytes.length], ['Format', meta.format], ['Width', meta.width], ['Height', meta.height],
                       ['Depth', meta.channels * 8], ['Resolution', meta.density]];
        const page = `<!doctype html><html><body><table>${facts.map(([k, v]) => `<tr><th>${k}</th><td>${escape(v)}</td></tr>`).join('')}</table>` +
                     `<p><img src="data:image/png;base64,${png.toString('base64')}"></p></body></html>`;
        res.writeHead(200, { 'content-type': 'text/html; charset=utf-8', 'content-length': Buffer.byteLength(page) });
        res.end(page);
      } catch (err) {
        res.writeHead(400, { 'content-type': 'text/plain' });
        res.end(String(err && err.message));
      }
    });
  });
}

const [mode, port] = [process.argv[2], Number(process.argv[3] || 0)];
const vx = require(path.join(checkout, 'hosts', 'node'));
let site;
if (mode === 'peer') site = peerSite();
else if (mode === 'pool') site = createSite(new Pool(2));
else if (mode === 'plain') site = createSite(new MainThread(plainHost(vx)));
else site = createSite(new MainThread(vx));
site.listen(port, '127.0.0.1', () => console.log(`listening ${site.address().port}`));
