'use strict';
// One table of failing calls driven through both hosts: the Node host in this process, the PHP
// extension in a php CLI (hint-table.php). Each must give the expected hint line after the
// server's unchanged description; the expected lines are written out here, with only each host's
// own words ({builder}, {maker}, ...) filled per host, so a changed template fails for both.
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'vx-hint-table-'));
const registry = path.join(scratch, 'registry.db');
process.env.VX_REGISTRY = registry;
const vx = require('../../node');

vx.registerServer(vx.serverPath);
// A class whose module has gone since it was registered.
const testServer = process.env.VX_PHP_TESTSERVER || path.join(vx.buildDir, 'lib', 'libvx-node-testserver.so');
const goneServer = path.join(scratch, 'libgone.so');
fs.copyFileSync(testServer, goneServer);
vx.registerServer(goneServer);
fs.rmSync(goneServer);

const hostWords = {
  node: {
    builder: 'an object with vx.params({ keyword: value, ... })',
    maker: 'fs.mkdirSync(folder, { recursive: true })',
    bytes: 'a Buffer or a Uint8Array',
    map: 'an object',
    huge: '1e+30',
    register: 'vx.registerServer(vx.serverPath)',
    registryNote: '',
  },
  php: {
    builder: "an array with Vellumax\\params(['keyword' => value, ...])",
    maker: 'mkdir($folder, 0777, true)',
    bytes: 'a string',
    map: 'an array',
    huge: '1.0E+30',
    register: "Vellumax\\register_server('/path/to/libvellumax.so')",
    registryNote: ' (under PHP-FPM: env[VX_REGISTRY] in the pool)',
  },
};

const colourForms = 'a colour: a colour word (black, yellow, magenta, red, cyan, green, blue, white, violet, ' +
  'purple, orange, gray, lightgray or darkgray; or pattern), three or four percentages red,green,blue[,alpha] ' +
  'from 0 to 100, or #rgb, #rrggbb or #rrggbbaa';
const width = 'Canvas.Width takes a whole number of pixels from 1 to 32767; it was given';
const canvas = 'Vellumax.Canvas';
const gestalt = { object: 'Vellumax.Gestalt' };

// [what, call, expected hint or null]. A call is made `on` a fresh object (a canvas 20 x 20 with
// pixels), or is a `create`; values are JSON's own, or {object: ProgID}, {self: true} (the object
// called), {map: {...}} (a Node object, a PHP array), {list: [...]}, {bytes: text} (a Buffer, a PHP
// string), {path} (in a scratch folder); `set` lists properties put first.
const cases = [
  ['a width out of range', { on: canvas, put: ['Width', 0] }, `${width} the number 0.`],
  ['a negative fraction', { on: canvas, put: ['Width', -2.5] }, `${width} the number -2.5.`],
  ['a number too large', { on: canvas, put: ['Width', 1e30] }, `${width} the number {huge}.`],
  ['a word for a number', { on: canvas, put: ['Width', 'wide'] }, `${width} the text "wide".`],
  ['a long word for a number', { on: canvas, put: ['Width', 'w"'.repeat(30)] },
    `${width} the text "${'w\\"'.repeat(20)}...".`],
  ['a boolean for a number', { on: canvas, put: ['Width', true] }, `${width} the boolean true.`],
  ['a map for a number', { on: canvas, put: ['TextSize', { map: { size: 12 } }] },
    'Canvas.TextSize takes a whole number of points, 0 or more; it was given {map}.'],
  ['a colour form the server lacks', { on: canvas, put: ['paintcolor', 'rgb(51,102,204)'] },
    `Canvas.PaintColor takes ${colourForms}; it was given the text "rgb(51,102,204)".`],
  ['an alignment word the server lacks', { on: canvas, put: ['HAlign', 'center'] },
    'Canvas.HAlign takes one of the words left, middle or right; it was given the text "center".'],
  ['a depth not in the list', { on: canvas, put: ['Depth', 24] },
    'Canvas.Depth takes a depth: 2, 16, 256, thousands or millions; it was given the number 24.'],
  ['an XColor given a bad text', { on: 'Vellumax.XColor', put: ['String', 'teal'] },
    `XColor.String takes ${colourForms}; it was given the text "teal".`],
  ['a keyword value outside its words', { on: canvas, call: ['DrawText', 'x', 'halign=center'] },
    'halign takes one of the words left, middle or right.'],
  ['a shape word outside its list', { on: canvas, call: ['DrawShape', 'circle', ''] },
    'shape takes one of the words rectangle, rect, oval, polygon, poly, roundrectangle, roundrect, text or line.'],
  ['a colour keyword', { on: canvas, call: ['DrawShape', 'rect', 'paintcolor=rgb(1,2,3)'] },
    `paintcolor takes ${colourForms}.`],
  ['a misspelt keyword', { on: canvas, call: ['DrawShape', 'rect', 'pencolour=red'] },
    'Did you mean pencolor? The keywords are listed in docs/reference.md.'],
  ['an unknown keyword', { on: canvas, call: ['DrawShape', 'rect', 'zzzzzz=1'] },
    'The keywords are listed in docs/reference.md.'],
  ['a Gestalt drawn as a canvas', { on: canvas, call: ['DrawCanvas', gestalt, ''] },
    "Canvas.DrawCanvas's inCanvas takes a Canvas; it was given a Gestalt."],
  ['a text drawn as a canvas', { on: canvas, call: ['DrawCanvas', 'logo.png', ''] },
    "Canvas.DrawCanvas's inCanvas takes a Canvas; it was given the text \"logo.png\"."],
  ['a Gestalt as a channel source', { on: canvas, call: ['SetChannel', 'alpha', gestalt] },
    "Canvas.SetChannel's newVal takes a Canvas; it was given a Gestalt."],
  ['a channel word the server lacks', { on: canvas, call: ['SetChannel', 'pink', { self: true }] },
    "Canvas.SetChannel's inChannel takes one of the words red, green, blue or alpha."],
  ['a map for a parameter string', { on: canvas, call: ['DrawShape', 'rect', { map: { rect: '0,0,5,5' } }] },
    "Canvas.DrawShape's inParams takes a parameter string, not {map}: build one from {builder}, which also " +
    'quotes every value.'],
  ['a value object for a parameter string', { on: canvas, call: ['GetAs', 'png', { object: 'Vellumax.XRect' }] },
    "Canvas.GetAs's inParams takes a parameter string, not an XRect: build one from {builder}, which also " +
    'quotes every value.'],
  ['a list for bytes', { on: canvas, call: ['DrawData', { list: [1, 2] }, 'png', ''] },
    "Canvas.DrawData's inSrc takes bytes: {bytes}; it was given an array."],
  ['a save into a missing folder', { on: canvas, call: ['SaveAs', { path: 'no/such/logo.png' }, ''] },
    'The folder {folder}/no does not exist: SaveAs makes no folders ({maker} makes them).'],
  ['bytes saved into a missing folder',
    { on: 'Vellumax.Gestalt', call: ['Save', { path: 'none/a.bin' }, { bytes: 'ab' }] },
    'The folder {folder}/none does not exist: Save makes no folders ({maker} makes them).'],
  ['too few arguments', { on: canvas, call: ['DrawShape', 'oval'] },
    'ICanvas.DrawShape(inShape, inParams) takes 2 arguments; 1 given.'],
  ['a class not registered', { create: 'Vellumax.Nothing' },
    'Vellumax.Nothing is not registered in the registry {registry} (VX_REGISTRY). Register the server once with ' +
    '{register}, or tools/regsvr with the path of libvellumax.so, with VX_REGISTRY naming the same file in both ' +
    'processes{registryNote}.'],
  ['a class whose module is gone', { create: 'VxNodeTest.Thing' },
    "VxNodeTest.Thing is registered in the registry {registry} (VX_REGISTRY), but its module can't be loaded; " +
    'register the server again from where it is now: {register}.'],
  ['a file that is not there', { on: canvas, call: ['DrawFile', { path: 'absent.png' }, ''] }, null],
  ['a size over MaxPixels', { on: canvas, set: [['MaxPixels', 1000]], put: ['Height', 3000] }, null],
];

function expected(hint, host) {
  if (hint === null) return null;
  const words = { ...hostWords[host], folder: scratch, registry };
  return hint.replace(/\{(\w+)\}/g, (_, key) => words[key]);
}

// The Node host's form of a case's value.
function nodeValue(form, self) {
  if (form === null || typeof form !== 'object') return form;
  if ('object' in form) return vx.createObject(form.object);
  if ('self' in form) return self;
  if ('map' in form) return form.map;
  if ('list' in form) return form.list;
  if ('bytes' in form) return Buffer.from(form.bytes);
  return path.join(scratch, form.path);
}

function runNode(call) {
  try {
    if (call.create) {
      vx.createObject(call.create);
    } else {
      const self = vx.createObject(call.on);
      if (call.on === canvas) {
        self.Width = 20;
        self.Height = 20;
        self.Erase();
      }
      for (const [name, value] of call.set || []) self[name] = value;
      if (call.put) self[call.put[0]] = nodeValue(call.put[1], self);
      else self[call.call[0]](...call.call.slice(1).map((form) => nodeValue(form, self)));
    }
  } catch (err) {
    const description = typeof err.description === 'string' ? err.description : null;
    return { thrown: err.name, message: err.message, description, hint: err.hint === undefined ? null : err.hint };
  }
  return { thrown: null };
}

function runPhp() {
  const php = process.env.VX_PHP || 'php';
  const extension = process.env.VX_PHP_EXTENSION || path.join(vx.buildDir, 'lib', 'vellumax.so');
  const env = { ...process.env, VX_REGISTRY: registry };
  if (process.env.VX_PHP_PRELOAD) env.LD_PRELOAD = process.env.VX_PHP_PRELOAD;
  const run = spawnSync(php, ['-n', '-d', `extension=${extension}`, path.join(__dirname, 'hint-table.php')], {
    input: JSON.stringify({ cases: cases.map(([, call]) => call), folder: scratch }), env, encoding: 'utf8',
  });
  assert.equal(run.status, 0, `php failed: ${run.stderr}${run.stdout}`);
  return JSON.parse(run.stdout);
}

function check(host, what, result, hint) {
  const want = expected(hint, host);
  assert.ok(result.thrown, `${host}: ${what}: nothing was thrown`);
  assert.equal(result.hint, want, `${host}: ${what}`);
  if (want === null) return;
  if (result.description !== null) {
    assert.ok(!result.description.includes(want), `${host}: ${what}: the description stays the server's own`);
    assert.equal(result.message, `${result.description}\n${want}`, `${host}: ${what}`);
  } else {
    assert.ok(result.message.endsWith(`\n${want}`), `${host}: ${what}: the host's own error ends with the hint`);
  }
}

test('both hosts give each failure the same hint line, in their own words', () => {
  fs.mkdirSync(scratch, { recursive: true });
  const php = runPhp();
  assert.equal(php.length, cases.length);
  cases.forEach(([what, call, hint], i) => {
    check('node', what, runNode(call), hint);
    check('php', what, php[i], hint);
  });
});

test.after(() => fs.rmSync(scratch, { recursive: true, force: true }));
