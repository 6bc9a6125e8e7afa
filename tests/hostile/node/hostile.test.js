'use strict';
// Each member that takes a file, bytes, a canvas or a long text, called on
// hostile inputs, one call to a process, under a budget far above what a call
// should take: 2 s of time and 1 GB more memory. A call over it is killed; the
// test fails naming the call that went over, crashed or took the process down.
const test = require('node:test');
const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { rows } = require('./rows');
const { makeInputs } = require('./inputs');

const kTimeBudgetMs = 2000 * Number(process.env.VX_HOSTILE_SLOWDOWN || 1);
const kMemoryBudget = 1 << 30;
const kSetupLimitMs = 60000; // set-up is not judged, but must not hang the test either

const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-hostile-'));
process.env.VX_REGISTRY = process.env.VX_REGISTRY || path.join(folder, 'registry.db');
fs.rmSync(process.env.VX_REGISTRY, { force: true });
const vx = require('../../../hosts/node');
vx.registerServer(vx.serverPath);
const { files } = makeInputs(vx, folder);
fs.writeFileSync(path.join(folder, 'inputs.json'), JSON.stringify({ files }));
test.after(() => fs.rmSync(folder, { recursive: true, force: true }));

function residentBytes(pid) {
  try {
    const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
    const match = /VmRSS:\s+(\d+) kB/.exec(status);
    return match ? Number(match[1]) * 1024 : 0;
  } catch {
    return 0;
  }
}

// Runs row inIndex in a child; resolves with what happened to it.
function runRow(inIndex) {
  return new Promise((resolve) => {
    const child = childProcess.spawn(process.execPath, [path.join(__dirname, 'runner.js'), String(inIndex), folder], {
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    let out = '';
    let err = '';
    let verdict = null;
    let startRss = 0;
    let watch = null;
    const kill = (why) => {
      if (verdict === null) verdict = why;
      child.kill('SIGKILL');
    };
    const setupTimer = setTimeout(() => kill(`set-up took over ${kSetupLimitMs / 1000} s`), kSetupLimitMs);
    child.stdout.on('data', (chunk) => {
      out += chunk;
      const start = /^start (\d+)$/m.exec(out);
      if (start && watch === null) {
        clearTimeout(setupTimer);
        startRss = Number(start[1]);
        const began = Date.now();
        watch = setInterval(() => {
          if (Date.now() - began > kTimeBudgetMs) kill(`over the time budget (killed after ${kTimeBudgetMs} ms)`);
          else if (residentBytes(child.pid) - startRss > kMemoryBudget) kill('over the memory budget (1 GB more)');
        }, 20);
      }
    });
    child.stderr.on('data', (chunk) => { err += chunk; });
    child.on('exit', (code, signal) => {
      clearTimeout(setupTimer);
      clearInterval(watch);
      const done = /^done (\S+) (.*)$/m.exec(out);
      if (verdict === null && !done) {
        verdict = `ended without finishing (exit ${code}, signal ${signal}): ${err.trim().split('\n').slice(-3).join(' | ')}`;
      }
      resolve({ verdict, ms: done ? Number(done[1]) : null, outcome: done ? done[2] : null });
    });
  });
}

const table = rows();
for (let index = 0; index < table.length; index++) {
  test(table[index].name, async () => {
    const result = await runRow(index);
    assert.equal(result.verdict, null, `${table[index].name}: ${result.verdict}`);
    assert.ok(result.ms <= kTimeBudgetMs, `${table[index].name}: took ${result.ms} ms`);
  });
}
