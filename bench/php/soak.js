'use strict';
// The PHP host's leak check, by hand after a build: examples/php under PHP-FPM (2 pools of 2 workers,
// never recycled) behind nginx, REQUESTS requests (badge, chart and upload pages in turn), and
// the resident memory of each FPM worker before, every 10,000 requests and after. PAGES "badge"
// asks only for the badge, the cheapest page, so that a long run ends within the hour.
//
//   VX_BUILD_DIR=<build> node bench/php/soak.js [REQUESTS] [mix|badge]
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { start, stop } = require('../../examples/php/test/serve');

const build = path.resolve(process.env.VX_BUILD_DIR || path.join(__dirname, '..', '..', 'build'));
const total = Number(process.argv[2] || 100000);
const pages = process.argv[3] || 'mix';
if (!['mix', 'badge'].includes(pages)) throw new Error(`pages: mix or badge, not ${pages}`);
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-php-soak-'));
const registry = path.join(dir, 'registry.db');
const extension = path.join(build, 'lib', 'vellumax.so');
execFileSync('php8.2', ['-n', '-d', `extension=${extension}`, '-r', 'Vellumax\\register_server($argv[1]);',
                        path.join(build, 'lib', 'libvellumax.so')], { env: { ...process.env, VX_REGISTRY: registry } });

function rssOfWorkers(site) {
  const children = fs.readFileSync(`/proc/${site.fpm.pid}/task/${site.fpm.pid}/children`, 'utf8').trim().split(/\s+/);
  return children.map((pid) => {
    const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
    return { pid, rssKiB: Number(/VmRSS:\s+(\d+)/.exec(status)[1]) };
  });
}

const agent = new http.Agent({ keepAlive: true, maxSockets: 4 });
const body = Buffer.concat([
  Buffer.from('--b\r\nContent-Disposition: form-data; name="picture"; filename="p.png"\r\nContent-Type: image/png\r\n\r\n'),
  fs.readFileSync(path.join(__dirname, '..', '..', 'fuzz', 'codecs', 'corpus', 'png', 'rgba.png')),
  Buffer.from('\r\n--b--\r\n'),
]);

function request(origin, i) {
  const kind = pages === 'badge' ? 0 : i % 3;
  const url = kind === 0 ? `/badge.php?label=n&value=${i % 97}` : kind === 1 ? `/chart.php?values=${i % 7},3,5` : '/raw/upload.php';
  return new Promise((resolve, reject) => {
    const req = http.request(`${origin}${url}`, { agent, method: kind === 2 ? 'POST' : 'GET',
      headers: kind === 2 ? { 'Content-Type': 'multipart/form-data; boundary=b', 'Content-Length': body.length } : {} }, (res) => {
      res.resume();
      res.on('end', () => resolve(res.statusCode));
    });
    req.on('error', reject);
    if (kind === 2) req.write(body);
    req.end();
  });
}

async function run(origin, count, site) {
  let next = 0;
  let done = 0;
  const started = Date.now();
  const statuses = new Map();
  await Promise.all(Array.from({ length: 4 }, async () => {
    while (next < count) {
      const status = await request(origin, next++);
      statuses.set(status, (statuses.get(status) || 0) + 1);
      if (site && ++done % 10000 === 0) {
        const seconds = ((Date.now() - started) / 1000).toFixed(0);
        console.log(`${done} requests, ${seconds} s:`, JSON.stringify(rssOfWorkers(site)));
      }
    }
  }));
  return statuses;
}

(async () => {
  const site = await start({ extension, env: { VX_REGISTRY: registry, VX_IMAGING: path.join(build, 'lib', 'libvx-imaging.so') } });
  // Stopped early, the servers still go.
  for (const signal of ['SIGINT', 'SIGTERM']) process.once(signal, () => stop(site).then(() => process.exit(1)));
  try {
    await run(site.origin, 3000);
    const before = rssOfWorkers(site);
    const started = Date.now();
    const statuses = await run(site.origin, total, site);
    const after = rssOfWorkers(site);
    console.log(`${total} requests in ${((Date.now() - started) / 1000).toFixed(0)} s, statuses`, Object.fromEntries(statuses));
    for (const b of before) {
      const a = after.find((x) => x.pid === b.pid);
      console.log(`worker ${b.pid}: RSS ${b.rssKiB} KiB after 3000 requests, ${a ? a.rssKiB : '?'} KiB after ${total} more`);
    }
  } finally {
    agent.destroy();
    await stop(site);
    fs.rmSync(dir, { recursive: true, force: true });
  }
})();
