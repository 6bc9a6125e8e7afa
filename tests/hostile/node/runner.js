'use strict';
// One row of the table in a process of its own, so that the test can kill it:
//   node runner.js ROW-INDEX INPUT-FOLDER
// Prints "start RSS" when the call begins and "done MS OUTCOME" when it ends.
const path = require('node:path');
const { rows } = require('./rows');

const vx = require(path.resolve(__dirname, '..', '..', '..', 'hosts', 'node'));
const row = rows()[Number(process.argv[2])];
const inputs = loadInputs(process.argv[3]);
const state = row.setup(vx, inputs);
process.stdout.write(`start ${process.memoryUsage().rss}\n`);
const began = process.hrtime.bigint();
let outcome = 'finished';
try {
  row.call(state);
} catch (err) {
  outcome = `failed: ${err.description || err.message}`;
}
const ms = Number(process.hrtime.bigint() - began) / 1e6;
process.stdout.write(`done ${ms.toFixed(1)} ${outcome.replace(/\s+/g, ' ')}\n`);

// The inputs the test wrote: files by their paths, pictures re-read as bytes.
function loadInputs(inFolder) {
  const fs = require('node:fs');
  const { files } = JSON.parse(fs.readFileSync(path.join(inFolder, 'inputs.json'), 'utf8'));
  const pictures = {};
  for (const [name, file] of Object.entries(files)) {
    if (file.includes(`${path.sep}bomb-`)) pictures[name] = fs.readFileSync(file);
  }
  return { files, pictures };
}
