'use strict';
// Load benchmark of the example site's upload page: a 1280 x 960 JPEG posted as a form, answered
// with its facts and a thumbnail. Each way of serving it runs under wrk on loopback (16
// connections, 10 s), in alternating rounds; prints requests per second, p50/p99 latency, and the
// server's processor time per request on its main thread and on all its other threads.
//
//   node bench/web_load/run.js [ROUNDS] [SECONDS] [MODES]     (MODES: plain,pool,promise,peer)
// Needs the server registered (VX_REGISTRY), wrk (scripts/packages/bench-web-load.txt) and, for
// the peer, `npm ci` in this folder.
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawn, spawnSync } = require('node:child_process');

const rounds = Number(process.argv[2] || 2);
const seconds = Number(process.argv[3] || 10);
const modes = (process.argv[4] || 'plain,pool,promise,peer').split(',');
const vx = require('../../hosts/node');
const { photoForm } = require('./photo');
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-web-load-'));

function startServer(mode) {
  const child = spawn(process.execPath, [path.join(__dirname, 'serve.js'), mode, '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
  return new Promise((resolve, reject) => {
    child.stdout.once('data', (d) => {
      const m = /listening (\d+)/.exec(String(d));
      if (m) resolve({ child, port: Number(m[1]) }); else reject(new Error(String(d)));
    });
    child.once('exit', (code) => reject(new Error(`${mode} server exited with ${code}`)));
  });
}

// Processor time (ms) of the server's threads so far: the main thread's, and all others'
// (libuv's pool, V8's helpers, workers), from /proc.
function threadTimes(pid) {
  const tick = 1000 / 100;  // USER_HZ
  let main = 0;
  let others = 0;
  for (const tid of fs.readdirSync(`/proc/${pid}/task`)) {
    let stat;
    try {
      stat = fs.readFileSync(`/proc/${pid}/task/${tid}/stat`, 'utf8');
    } catch {
      continue;  // a thread that ended meanwhile
    }
    const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    const ms = (Number(fields[11]) + Number(fields[12])) * tick;
    if (Number(tid) === pid) main += ms; else others += ms;
  }
  return { main, others };
}

function toMs(text) {
  const m = /([\d.]+)(us|ms|s)/.exec(text);
  return m ? Number(m[1]) * { us: 0.001, ms: 1, s: 1000 }[m[2]] : NaN;
}

async function measure(mode, script) {
  const { child, port } = await startServer(mode);
  try {
    // Warm-up: fonts, codecs and the pool's threads.
    spawnSync('wrk', ['-t1', '-c4', '-d2s', '-s', script, `http://127.0.0.1:${port}/upload`]);
    const before = threadTimes(child.pid);
    const r = spawnSync('wrk', ['-t1', '-c16', `-d${seconds}s`, '--latency', '-s', script, `http://127.0.0.1:${port}/upload`], { encoding: 'utf8' });
    const rps = Number(/Requests\/sec:\s+([\d.]+)/.exec(r.stdout)?.[1]);
    const p50 = toMs(/\s50%\s+(\S+)/.exec(r.stdout)?.[1] || '');
    const p99 = toMs(/\s99%\s+(\S+)/.exec(r.stdout)?.[1] || '');
    const errors = /Non-2xx or 3xx responses: (\d+)/.exec(r.stdout)?.[1] || '0';
    const after = threadTimes(child.pid);
    const requests = Number(/(\d+) requests in/.exec(r.stdout)?.[1]);
    // Processor time per request: what bounds throughput on a shared machine, where the wall
    // clock also counts the other users' load.
    const cpuMain = (after.main - before.main) / requests;
    const cpuOthers = (after.others - before.others) / requests;
    return { rps, p50, p99, errors: Number(errors), cpuMain, cpuOthers };
  } finally {
    child.kill();
  }
}

(async () => {
  const { jpeg, boundary, body } = photoForm(vx);
  const bodyFile = path.join(scratch, 'body.bin');
  fs.writeFileSync(bodyFile, body);
  const script = path.join(scratch, 'post.lua');
  fs.writeFileSync(script, `local f = io.open(${JSON.stringify(bodyFile)}, "rb")\n` +
    'wrk.method = "POST"\nwrk.body = f:read("*a")\nf:close()\n' +
    `wrk.headers["Content-Type"] = "multipart/form-data; boundary=${boundary}"\n`);
  console.log(`JPEG ${jpeg.length} bytes, form ${body.length} bytes; ${rounds} rounds of ${seconds} s, 16 connections`);
  const results = Object.fromEntries(modes.map((m) => [m, []]));
  for (let r = 0; r < rounds; ++r) {
    for (const mode of modes) results[mode].push(await measure(mode, script));
  }
  for (const mode of modes) {
    const list = results[mode];
    const mean = (k) => list.reduce((s, x) => s + x[k], 0) / list.length;
    console.log(`${mode.padEnd(8)} ${mean('rps').toFixed(1).padStart(7)} req/s  p50 ${mean('p50').toFixed(1)} ms  p99 ${mean('p99').toFixed(1)} ms` +
                `  cpu/req main ${mean('cpuMain').toFixed(2)} ms, other threads ${mean('cpuOthers').toFixed(2)} ms` +
                `  non-2xx ${list.reduce((s, x) => s + x.errors, 0)}  rounds: ${list.map((x) => x.rps.toFixed(0)).join(' ')}`);
  }
  fs.rmSync(scratch, { recursive: true, force: true });
})();
