'use strict';
// Promise forms: what they settle with is what the plain calls give, calls on one object run in
// the order made, objects passed as arguments are held, and pending calls survive drops, exit and
// worker termination.
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const { Worker } = require('node:worker_threads');
const { freshRegistry, collect } = require('./support');

freshRegistry();
const vx = require('..');
vx.registerServer(vx.serverPath);

const E_PENDING = 0x8000000a | 0;

// A small deterministic generator, so that a failing sequence can be replayed from its seed.
function random(seed) {
  let state = seed >>> 0;
  return (n) => {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    return state % n;
  };
}

// One step: [member, args] for a call, [name] for a read, [name, value] with put=true for a write.
function randomStep(next, picture) {
  const colours = ['red', 'navy', '#804020', '10,200,30', 'nonsense'];
  switch (next(9)) {
    case 0: return { put: 'Width', value: 20 + next(60) };
    case 1: return { put: 'PenColor', value: colours[next(colours.length)] };
    case 2: return { get: 'Height' };
    case 3: return { call: 'DrawShape', args: [['oval', 'rect', 'star', 'bogus'][next(4)], `rect=${next(30)},${next(30)},${30 + next(40)},${30 + next(40)} paintcolor=orange`] };
    case 4: return { call: 'DrawText', args: [`Text ${next(1000)}`, "rect=2,2,70,30 textsize=9 textfont='DejaVu Sans'"] };
    case 5: return { call: 'TextArea', args: ['measure me', `textsize=${8 + next(10)}`] };
    case 6: return { call: 'DrawData', args: [picture, 'png', `rect=0,0,${10 + next(40)},${10 + next(40)}`] };
    case 7: return { call: 'GetAs', args: [['gif', 'png', 'bmp'][next(3)], ''] };
    default: return { call: 'GetColor', args: [`${next(20)},${next(20)}`] };
  }
}

// The error's fields; a canvas's buffer number (a process-wide count) is left out of the texts.
function fieldsOf(err) {
  const text = (s) => (typeof s === 'string' ? s.replace(/Buffer=\d+/g, 'Buffer=#') : s);
  return { error: { number: err.number, description: text(err.description), source: err.source, message: text(err.message) } };
}

function outcomeOf(fn) {
  try {
    return { value: fn() };
  } catch (err) {
    return fieldsOf(err);
  }
}

function plainStep(obj, step) {
  if (step.put) return outcomeOf(() => { obj[step.put] = step.value; });
  if (step.get) return outcomeOf(() => obj[step.get]);
  return outcomeOf(() => obj[step.call](...step.args));
}

function asyncStep(obj, step) {
  const p = step.put ? obj.async[step.put](step.value) : step.get ? obj.async[step.get]() : obj.async[step.call](...step.args);
  return p.then((value) => ({ value }), fieldsOf);
}

function newCanvas() {
  const c = vx.createObject('Vellumax.Canvas');
  c.Width = 64;
  c.Height = 48;
  return c;
}

function samplePicture() {
  const c = vx.createObject('Vellumax.Canvas');
  c.Width = 40;
  c.Height = 30;
  c.DrawShape('oval', 'rect=2,2,38,28 paintcolor=blue pensize=2');
  return c.GetAs('png', '');
}

test('promise calls on many objects at once settle with what plain calls give, byte for byte', async () => {
  const picture = samplePicture();
  for (const seed of [1, 2, 3]) {
    const next = random(seed);
    const sequences = Array.from({ length: 8 }, () => Array.from({ length: 25 }, () => randomStep(next, picture)));
    const expected = sequences.map((steps) => {
      const c = newCanvas();
      return steps.map((step) => plainStep(c, step)).concat([{ value: c.GetAs('png', '') }]);
    });
    // Every call of every object is issued before any settles, interleaved across the objects.
    const canvases = sequences.map(() => newCanvas());
    const pending = sequences.map(() => []);
    for (let i = 0; i < 25; ++i) sequences.forEach((steps, k) => pending[k].push(asyncStep(canvases[k], steps[i])));
    canvases.forEach((c, k) => pending[k].push(asyncStep(c, { call: 'GetAs', args: ['png', ''] })));
    const got = await Promise.all(pending.map((list) => Promise.all(list)));
    assert.deepStrictEqual(got, expected, `seed ${seed}`);
    assert.ok(expected.flat().some((o) => o.error), 'the sequences include failing calls');
  }
});

// Calls queued together may run in one trip to the pool; one that copies another canvas must
// still see that canvas as the calls made before it left it, and no later.
test('calls that pass canvases to each other see them as the order of the calls says', async () => {
  for (const seed of [4, 5, 6]) {
    const next = random(seed);
    const colours = ['red', 'navy', 'lime', '#804020'];
    const steps = Array.from({ length: 60 }, () => {
      const on = next(4);
      switch (next(4)) {
        case 0: return { on, put: 'Color', value: colours[next(colours.length)] };
        case 1: return { on, call: 'Erase', args: [] };
        case 2: return { on, call: 'DrawShape', args: ['oval', `rect=${next(30)},${next(20)},${30 + next(30)},${20 + next(20)} paintcolor=${colours[next(4)]}`] };
        default: return { on, call: 'DrawCanvas', from: next(4), args: [`rect=${next(20)},${next(20)},${20 + next(40)},${20 + next(30)}`] };
      }
    });
    const run = (canvases, stepOf) => steps.map((step) => {
      const args = step.from === undefined ? step.args : [canvases[step.from], ...step.args];
      return stepOf(canvases[step.on], { ...step, args });
    });
    const plain = [newCanvas(), newCanvas(), newCanvas(), newCanvas()];
    const expected = run(plain, plainStep).concat(plain.map((c) => ({ value: c.GetAs('png', '') })));
    const promised = [newCanvas(), newCanvas(), newCanvas(), newCanvas()];
    const pending = run(promised, asyncStep).concat(promised.map((c) => asyncStep(c, { call: 'GetAs', args: ['png', ''] })));
    assert.deepStrictEqual(await Promise.all(pending), expected, `seed ${seed}`);
  }
});

// Large byte results reach the script without a copy: they must still be the caller's own bytes,
// equal to the plain call's, outliving the object and not shared with the next result.
test('large byte results equal the plain ones, belong to the caller and outlive the object', async () => {
  let expected;
  let results;
  await (async () => {
    const c = vx.createObject('Vellumax.Canvas');
    c.Width = 200;
    c.Height = 150;
    c.DrawShape('oval', 'rect=10,10,190,140 paintcolor=orange pensize=3');
    expected = [c.GetAs('bmp', ''), c.GetAs('png', '')];
    assert.ok(expected[0].length > 64 * 1024, 'large enough to be handed over');
    results = await Promise.all([c.async.GetAs('bmp', ''), c.async.GetAs('png', ''), c.async.GetAs('bmp', '')]);
  })();
  assert.ok(results.every((r) => Buffer.isBuffer(r)));
  assert.deepStrictEqual(results.slice(0, 2), expected);
  results[0].fill(0);
  assert.deepStrictEqual(results[2], expected[0], 'two results share no bytes');
  await collect();
  const copy = Buffer.from(results[2]);
  results[2].fill(1);
  assert.deepStrictEqual(copy, expected[0], 'readable after the canvas was collected');
  const form = vx.createObject('Vellumax.XMultipart');
  const big = Buffer.alloc(100000, 7);
  const body = Buffer.concat([Buffer.from('--b\r\nContent-Disposition: form-data; name="f"; filename="x"\r\n\r\n'), big,
    Buffer.from('\r\n--b--\r\n')]);
  form.SetData(body);
  const field = form.Item('f');
  assert.deepStrictEqual(await field.async.Data(), field.Data);
});

test('calls on one object run in the order made; a plain call meanwhile fails with E_PENDING', async () => {
  const c = newCanvas();
  const reads = [];
  for (let w = 1; w <= 40; ++w) {
    c.async.Width(w);
    reads.push(c.async.Width());
  }
  assert.throws(() => c.Width, (err) => err.number === E_PENDING && /promise calls pending/.test(err.description));
  assert.throws(() => { c.Height = 5; }, (err) => err.number === E_PENDING);
  assert.throws(() => c.GetAs('png', ''), (err) => err.number === E_PENDING);
  assert.deepStrictEqual(await Promise.all(reads), Array.from({ length: 40 }, (_, i) => i + 1));
  assert.equal(c.Width, 40, 'a plain call works again once the promises settled');
});

test('rejections carry the plain error, hint line included, and argument faults reject', async () => {
  const c = newCanvas();
  const plain = outcomeOf(() => c.DrawShape('oval'));
  const promised = await asyncStep(c, { call: 'DrawShape', args: ['oval'] });
  assert.deepStrictEqual(promised, plain);
  assert.match(promised.error.message, /ICanvas\.DrawShape\(inShape, inParams\) takes 2 arguments; 1 given\./);
  await assert.rejects(c.async.DrawShape('oval', Symbol('x')), TypeError);
  assert.equal(c.async.NoSuchMember, undefined);
  const graphic = vx.createObject('Vellumax.Graphic');
  await assert.rejects(graphic.async.Format('png'), (err) => err.message === 'IGraphic has no member Format');
  assert.throws(() => { c.async.Width = 3; }, /by calling it/);
});

test('an object passed as an argument is held for the call and counts as in use', async () => {
  const source = newCanvas();
  const target = newCanvas();
  // Queued behind the source's own calls: the copy sees the source after them.
  source.async.Color('red');
  source.async.Erase();
  const drawn = target.async.DrawCanvas(source, 'rect=0,0,64,48');
  source.async.Color('blue');
  source.async.Erase();
  assert.throws(() => source.Width, (err) => err.number === E_PENDING);
  const other = newCanvas();
  assert.throws(() => other.DrawCanvas(source, ''), (err) => err.number === E_PENDING, 'busy as an argument of a plain call');
  await drawn;
  await source.async.Width();
  const check = newCanvas();
  check.Color = 'red';
  check.Erase();
  assert.equal(target.GetColor('10,10'), check.GetColor('10,10'), 'the copy was made between the two erases');
  check.Color = 'blue';
  check.Erase();
  assert.equal(source.GetColor('10,10'), check.GetColor('10,10'));
  // An object passed to itself is held once, not waited for forever.
  await source.async.DrawCanvas(source, 'rect=0,0,10,10');
});

test('a canvas dropped with calls pending finishes them, then is freed; memory follows the promise calls', async () => {
  await collect();
  const before = vx.externalMemory();
  let results = [];
  (() => {
    const c = newCanvas();
    c.async.Width(1000);
    c.async.Height(1000);
    // Read as the last call settles: the canvas may be collected at any time after that.
    results = [c.async.Erase(), c.async.Width().then((width) => [width, vx.externalMemory()])];
  })();
  await collect();
  const [width, memory] = (await Promise.all(results))[1];
  assert.equal(width, 1000);
  const held = memory - before;
  assert.ok(held >= 1000 * 1000 * 4, `the promise-made pixels are counted (${held})`);
  results = null;
  await collect();
  assert.ok(vx.externalMemory() - before < held / 2, 'freed once the calls finished and the proxy was collected');
});

// A child process, so that exit and termination are real; its output tells what happened. Exiting
// with calls pending abandons their promises on purpose, so a sanitizer build's leak check is off.
function runChild(source) {
  const env = { ...process.env };
  if (env.ASAN_OPTIONS !== undefined) env.ASAN_OPTIONS = `${env.ASAN_OPTIONS}:detect_leaks=0`;
  const r = spawnSync(process.execPath, ['-e', source], { env, encoding: 'utf8', timeout: 120000 });
  return { status: r.status, signal: r.signal, out: r.stdout, err: r.stderr };
}

const childPrelude = `
const vx = require(${JSON.stringify(require.resolve('..'))});
function bigCanvas() {
  const c = vx.createObject('Vellumax.Canvas');
  c.async.Width(2000); c.async.Height(2000);
  for (let i = 0; i < 2; ++i) c.async.DrawShape('oval', 'rect=0,0,2000,2000 paintcolor=red');
  return c;
}
`;

test('process exit with calls pending and running neither crashes nor hangs', () => {
  const exiting = runChild(`${childPrelude}
    const all = [bigCanvas(), bigCanvas(), bigCanvas()];
    setTimeout(() => { console.log('exit'); process.exit(3); }, 50);`);
  assert.deepStrictEqual([exiting.status, exiting.signal, exiting.out.trim()], [3, null, 'exit'], exiting.err);
  // Without an exit the pending calls keep the process alive until they settle.
  const draining = runChild(`${childPrelude}
    const c = bigCanvas();
    c.async.GetAs('png', '').then((b) => console.log('png', b.length > 0));`);
  assert.deepStrictEqual([draining.status, draining.out.trim()], [0, 'png true'], draining.err);
});

test('a worker terminated with calls pending neither crashes nor hangs the process', async () => {
  const source = `
    const { parentPort } = require('node:worker_threads');
    ${childPrelude}
    const all = [bigCanvas(), bigCanvas(), bigCanvas()];
    parentPort.postMessage('started');`;
  for (let round = 0; round < 3; ++round) {
    const worker = new Worker(source, { eval: true });
    await new Promise((resolve, reject) => { worker.once('message', resolve); worker.once('error', reject); });
    assert.equal(await worker.terminate(), 1);
  }
  // The main thread's objects are untouched.
  const c = newCanvas();
  assert.equal(await c.async.Width(), 64);
});
