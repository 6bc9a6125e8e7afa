'use strict';
// Objects in worker_threads: each thread makes and uses its own; pages drawn on four workers and
// the main thread at once are byte for byte the pages one thread draws alone.
const test = require('node:test');
const assert = require('node:assert/strict');
const { Worker } = require('node:worker_threads');
const { freshRegistry } = require('./support');

freshRegistry();
const vx = require('..');
vx.registerServer(vx.serverPath);

const hostPath = require.resolve('..');

// The pages, as source so that workers run the same function.
const drawPages = `(vx, count) => {
  const out = [];
  for (let i = 0; i < count; ++i) {
    const c = vx.createObject('Vellumax.Canvas');
    c.Width = 120 + 7 * i;
    c.Height = 80 + 3 * i;
    c.PenColor = ['black', 'blue', '#804020'][i % 3];
    c.DrawShape(['oval', 'rect', 'roundrect'][i % 3], vx.params({ rect: [5, 5, 100 + i, 70], paintcolor: 'orange', pensize: 1 + (i % 4) }));
    c.DrawShape('polygon', vx.params({ points: [10, 60, 60, 10, 110, 60], paintcolor: '50,20,80', op: 'both' }));
    c.DrawText('Page ' + i + ' — Grüße', vx.params({ rect: [4, 4, 116, 40], textsize: 12 + i % 5, textfont: 'DejaVu Sans' }));
    const area = c.TextArea('width of a badge ' + i, vx.params({ textsize: 11 }));
    out.push(Buffer.concat([c.GetAs('gif', ''), c.GetAs('png', ''), Buffer.from(JSON.stringify(area))]));
  }
  return out;
}`;
const pages = eval(drawPages);  // eslint-disable-line no-eval

const workerSource = `
const { parentPort, workerData } = require('node:worker_threads');
const vx = require(workerData.hostPath);
const pages = ${drawPages};
if (workerData.announce) {
  pages(vx, 1);
  parentPort.postMessage('started');
}
const result = [];
for (let r = 0; r < workerData.rounds; ++r) result.push(pages(vx, workerData.count));
parentPort.postMessage(result.flat());
`;

function startWorker(count, rounds, announce = false) {
  const worker = new Worker(workerSource, { eval: true, workerData: { hostPath, count, rounds, announce } });
  const started = new Promise((resolve) => worker.once('message', resolve));
  const done = new Promise((resolve, reject) => {
    worker.on('message', (m) => { if (m !== 'started') resolve(m); });
    worker.once('error', reject);
    worker.once('exit', (code) => reject(new Error(`worker exited with ${code} before answering`)));
  });
  return { worker, started, done };
}

test('four workers beside the main thread draw the pages one thread draws, byte for byte', async () => {
  const count = 10;
  const rounds = 3;
  const alone = pages(vx, count);
  const workers = [0, 1, 2, 3].map(() => startWorker(count, rounds));
  const mainPages = [];
  for (let r = 0; r < rounds; ++r) mainPages.push(...pages(vx, count));
  const results = await Promise.all(workers.map((w) => w.done));
  for (const [k, result] of [...results, mainPages].entries()) {
    assert.equal(result.length, count * rounds);
    result.forEach((bytes, i) => {
      assert.ok(Buffer.from(bytes).equals(alone[i % count]), `thread ${k}, page ${i} differs`);
    });
  }
});

test('an object can not be handed to another thread; trying leaves it usable', async () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 10;
  const { worker, done } = startWorker(1, 1);
  assert.throws(() => worker.postMessage(canvas), { name: 'DataCloneError' });
  assert.throws(() => worker.postMessage({ inside: [canvas] }), { name: 'DataCloneError' });
  await done;
  canvas.Height = 10;
  assert.equal(canvas.DrawShape('rect', 'rect=0,0,5,5'), '0,0,5,5');
});

test('a worker stopped while drawing releases its objects without harm to the others', async () => {
  for (let k = 0; k < 3; ++k) {
    const { worker, started, done } = startWorker(1000, 1, true);
    await started;
    await new Promise((resolve) => setTimeout(resolve, 20 * k));
    await worker.terminate();
    await assert.rejects(done);
  }
  assert.equal(pages(vx, 1)[0].equals(pages(vx, 1)[0]), true);
});
