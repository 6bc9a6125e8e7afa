// The comparison library's thumbnails for the resampling test's pictures:
// each NAME_WxH.jpg in the folder given becomes NAME_WxH.rgb (raw R, G, B)
// through its default Lanczos-3 reduction. See bench/resample/README.md.
'use strict';
const fs = require('fs');
const path = require('path');
const sharp = require('sharp');

async function main(folder) {
  for (const name of fs.readdirSync(folder).filter((n) => n.endsWith('.jpg'))) {
    const [, width, height] = name.match(/_(\d+)x(\d+)\.jpg$/);
    const rounds = [];
    let data;
    for (let i = 0; i < 20; ++i) {
      const start = process.cpuUsage();
      data = await sharp(path.join(folder, name))
        .resize(Number(width), Number(height), { fit: 'fill', kernel: 'lanczos3' })
        .removeAlpha()
        .raw()
        .toBuffer();
      const used = process.cpuUsage(start);
      rounds.push((used.user + used.system) / 1000);
    }
    rounds.sort((a, b) => a - b);
    fs.writeFileSync(path.join(folder, name.replace(/\.jpg$/, '.rgb')), data);
    console.log(`${name}: median ${rounds[10].toFixed(2)} ms processor time`);
  }
}

main(process.argv[2]).catch((error) => {
  console.error(error);
  process.exit(1);
});
