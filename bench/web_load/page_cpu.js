'use strict';
// Processor time of the upload page alone, without HTTP: PAGES requests of the load benchmark's
// form run through the page with CONCURRENT of them in flight, in-process. Prints the main
// thread's time per page and that of all other threads (libuv's pool, V8's helpers), from /proc,
// so that two builds can be compared in alternating runs on a loaded machine.
//
//   node bench/web_load/page_cpu.js [PAGES] [CONCURRENT]
// Needs the server registered (VX_REGISTRY); VX_BUILD_DIR chooses the build.
const fs = require('node:fs');
const path = require('node:path');

const pages = Number(process.argv[2] || 1500);
const concurrent = Number(process.argv[3] || 8);
const vx = require('../../hosts/node');
const { upload } = require(path.join(__dirname, '..', '..', 'examples', 'web', 'upload'));
const { photoForm } = require('./photo');

function threadTimes() {
  let main = 0;
  let others = 0;
  for (const tid of fs.readdirSync(`/proc/${process.pid}/task`)) {
    let stat;
    try {
      stat = fs.readFileSync(`/proc/${process.pid}/task/${tid}/stat`, 'utf8');
    } catch {
      continue;
    }
    const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    const ms = (Number(fields[11]) + Number(fields[12])) * 10;  // USER_HZ ticks
    if (Number(tid) === process.pid) main += ms; else others += ms;
  }
  return { main, others };
}

async function run(count, body) {
  let next = 0;
  const lane = async () => {
    while (next++ < count) {
      const answer = await upload(vx, { body });
      if (!/id="thumbnail"/.test(answer.body)) throw new Error('the page drew no thumbnail');
    }
  };
  await Promise.all(Array.from({ length: concurrent }, lane));
}

(async () => {
  const { body } = photoForm(vx);
  await run(Math.min(100, pages), body);  // warm-up: codecs, fonts, the pool's threads, the JIT
  const before = threadTimes();
  const start = process.hrtime.bigint();
  await run(pages, body);
  const wall = Number(process.hrtime.bigint() - start) / 1e6;
  const after = threadTimes();
  console.log(`${pages} pages, ${concurrent} at once: main thread ${((after.main - before.main) / pages).toFixed(3)} ms/page, ` +
              `other threads ${((after.others - before.others) / pages).toFixed(3)} ms/page, wall ${(wall / pages).toFixed(3)} ms/page`);
})();
