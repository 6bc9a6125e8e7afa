'use strict';
// The npm peers page authors pick: a Skia canvas (@napi-rs/canvas) and a libvips pipeline
// (sharp, held to one thread). Usage: node node_compare.js skia|sharp REPETITIONS PHOTO.jpg
// WEBPHOTO.ppm [IMAGES_DIR]; prints "case MS BYTES" lines like the other programs, MS being
// the median processor milliseconds per drawing. The packages come from npm/ (bench/compare/setup).
const fs = require('node:fs');
const path = require('node:path');

const here = path.join(__dirname, 'npm', 'node_modules');
const FONT = '/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf';
// The same figures as Scene.h.
const CHART = { width: 400, height: 240, axis: 200, barWidth: 40, values: [120, 80, 150, 60, 170, 100],
  fills: [0x4363D8, 0x3CB44B, 0xE6194B, 0xF58231, 0x911EB4, 0x46A0A0], labels: ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun'],
  title: 'Visits per month' };
const THUMB = { width: 200, height: 150, circleX: 174, circleY: 26, radius: 20, captionLeft: 6, captionBaseline: 142,
  caption: 'Harbour at dusk' };
const PAGE = { width: 400, height: 300, ground: 0xF0F4F8, ink: 0x1F2A44, left: 24, firstBaseline: 120, lineStep: 40,
  pixels: 20, lines: ['Quarterly figures, drawn on the server', 'Every pixel sent as it was drawn'],
  boxes: [0xE6194B, 0x3CB44B, 0xFFE119] };
const FLAT = { width: 800, height: 480 };
const barLeft = (i) => 50 + i * 55;
const hex = (v) => '#' + v.toString(16).padStart(6, '0');
const outline = (v) => (((v >> 16) * 7 / 10) << 16) | ((((v >> 8) & 255) * 7 / 10) << 8) | ((v & 255) * 7 / 10);

function processMs() {
  const u = process.cpuUsage();
  return (u.user + u.system) / 1000;
}

async function medianMs(repetitions, drawings, draw) {
  await draw();
  const times = [];
  for (let r = 0; r < repetitions; ++r) {
    const start = processMs();
    for (let i = 0; i < drawings; ++i) await draw();
    times.push((processMs() - start) / drawings);
  }
  times.sort((a, b) => a - b);
  return times[Math.floor(times.length / 2)];
}

function readPpm(file) {
  const bytes = fs.readFileSync(file);
  const header = bytes.toString('latin1', 0, 32).split(/\s+/);
  const [width, height] = [Number(header[1]), Number(header[2])];
  return { width, height, rgb: bytes.subarray(bytes.length - width * height * 3) };
}

function skiaCases() {
  const { createCanvas, Image, GlobalFonts } = require(path.join(here, '@napi-rs/canvas'));
  GlobalFonts.registerFromPath(FONT, 'DejaVu Sans');
  return {
    chart: () => {
      const canvas = createCanvas(CHART.width, CHART.height);
      const g = canvas.getContext('2d');
      g.fillStyle = 'white';
      g.fillRect(0, 0, CHART.width, CHART.height);
      g.lineWidth = 1;
      CHART.values.forEach((value, i) => {
        g.fillStyle = hex(CHART.fills[i]);
        g.fillRect(barLeft(i), CHART.axis - value, CHART.barWidth, value);
        g.strokeStyle = hex(outline(CHART.fills[i]));
        g.strokeRect(barLeft(i) + 0.5, CHART.axis - value + 0.5, CHART.barWidth - 1, value - 1);
      });
      g.strokeStyle = 'black';
      g.beginPath();
      g.moveTo(40, CHART.axis + 0.5);
      g.lineTo(380, CHART.axis + 0.5);
      g.stroke();
      g.fillStyle = 'black';
      g.textAlign = 'center';
      g.font = '12px "DejaVu Sans"';
      CHART.labels.forEach((label, i) => g.fillText(label, barLeft(i) + CHART.barWidth / 2, CHART.axis + 16));
      g.font = '16px "DejaVu Sans"';
      g.fillText(CHART.title, CHART.width / 2, 24);
      return canvas.encode('png');
    },
    thumb: (photo) => {
      const image = new Image();
      image.src = photo;
      const canvas = createCanvas(THUMB.width, THUMB.height);
      const g = canvas.getContext('2d');
      g.drawImage(image, 0, 0, THUMB.width, THUMB.height);
      g.fillStyle = 'white';
      g.font = '12px "DejaVu Sans"';
      g.fillText(THUMB.caption, THUMB.captionLeft, THUMB.captionBaseline);
      g.fillStyle = 'rgba(255,255,255,0.5)';
      g.beginPath();
      g.arc(THUMB.circleX, THUMB.circleY, THUMB.radius, 0, 2 * Math.PI);
      g.fill();
      return canvas.encode('jpeg', 75);
    },
    pngflat: () => {
      const canvas = createCanvas(FLAT.width, FLAT.height);
      const g = canvas.getContext('2d');
      g.fillStyle = 'white';
      g.fillRect(0, 0, FLAT.width, FLAT.height);
      return canvas.encode('png');
    },
    pngphoto: (_, web) => {
      const canvas = createCanvas(web.width, web.height);
      const g = canvas.getContext('2d');
      const data = g.createImageData(web.width, web.height);
      for (let i = 0, j = 0; i < web.rgb.length; i += 3, j += 4) {
        data.data[j] = web.rgb[i];
        data.data[j + 1] = web.rgb[i + 1];
        data.data[j + 2] = web.rgb[i + 2];
        data.data[j + 3] = 255;
      }
      g.putImageData(data, 0, 0);
      return () => canvas.encode('png');  // the pixels are put once; the export is timed
    },
  };
}

function sharpCases() {
  const sharp = require(path.join(here, 'sharp'));
  sharp.concurrency(1);
  sharp.cache(false);
  const escape = (t) => t.replace(/&/g, '&amp;').replace(/</g, '&lt;');
  const text = (x, y, size, anchor, fill, t) =>
    `<text x="${x}" y="${y}" font-family="DejaVu Sans" font-size="${size}" text-anchor="${anchor}" fill="${fill}">${escape(t)}</text>`;
  const chartSvg = () => {
    const parts = [`<svg xmlns="http://www.w3.org/2000/svg" width="${CHART.width}" height="${CHART.height}">`,
      `<rect width="${CHART.width}" height="${CHART.height}" fill="white"/>`];
    CHART.values.forEach((value, i) => parts.push(
      `<rect x="${barLeft(i) + 0.5}" y="${CHART.axis - value + 0.5}" width="${CHART.barWidth - 1}" height="${value - 1}" ` +
      `fill="${hex(CHART.fills[i])}" stroke="${hex(outline(CHART.fills[i]))}" stroke-width="1"/>`));
    parts.push(`<line x1="40" y1="${CHART.axis + 0.5}" x2="380" y2="${CHART.axis + 0.5}" stroke="black" stroke-width="1"/>`);
    CHART.labels.forEach((label, i) => parts.push(text(barLeft(i) + CHART.barWidth / 2, CHART.axis + 16, 12, 'middle', 'black', label)));
    parts.push(text(CHART.width / 2, 24, 16, 'middle', 'black', CHART.title), '</svg>');
    return Buffer.from(parts.join(''));
  };
  const overlay = Buffer.from(`<svg xmlns="http://www.w3.org/2000/svg" width="${THUMB.width}" height="${THUMB.height}">` +
    text(THUMB.captionLeft, THUMB.captionBaseline, 12, 'start', 'white', THUMB.caption) +
    `<circle cx="${THUMB.circleX}" cy="${THUMB.circleY}" r="${THUMB.radius}" fill="white" fill-opacity="0.5"/></svg>`);
  const pageSvg = () => {
    const parts = [`<svg xmlns="http://www.w3.org/2000/svg" width="${PAGE.width}" height="${PAGE.height}">`,
      `<rect width="${PAGE.width}" height="${PAGE.height}" fill="${hex(PAGE.ground)}"/>`];
    PAGE.lines.forEach((line, i) => parts.push(text(PAGE.left, PAGE.firstBaseline + i * PAGE.lineStep, PAGE.pixels, 'start', hex(PAGE.ink), line)));
    PAGE.boxes.forEach((box, i) => parts.push(`<rect x="${PAGE.left + i * 120}" y="200" width="100" height="70" fill="${hex(box)}" shape-rendering="crispEdges"/>`));
    parts.push('</svg>');
    return Buffer.from(parts.join(''));
  };
  return {
    chart: () => sharp(chartSvg()).png().toBuffer(),
    thumb: (photo) => sharp(photo).resize(THUMB.width, THUMB.height, { fit: 'fill' })
      .composite([{ input: overlay }]).jpeg({ quality: 75 }).toBuffer(),
    pagegif: () => sharp(pageSvg()).gif().toBuffer(),
    pngflat: () => sharp({ create: { width: FLAT.width, height: FLAT.height, channels: 3, background: 'white' } }).png().toBuffer(),
    pngphoto: (_, web) => () => sharp(web.rgb, { raw: { width: web.width, height: web.height, channels: 3 } }).png().toBuffer(),
  };
}

async function main() {
  const [peer, repetitionsText, photoPath, webPhotoPath, images] = process.argv.slice(2);
  const repetitions = Math.max(1, Number(repetitionsText) || 1);
  const cases = peer === 'skia' ? skiaCases() : peer === 'sharp' ? sharpCases() : null;
  if (!cases) throw new Error(`unknown peer ${peer}`);
  const photo = fs.readFileSync(photoPath);
  const web = webPhotoPath ? readPpm(webPhotoPath) : null;
  const drawings = { chart: 5, thumb: 5, pagegif: 5, pngflat: 5, pngphoto: 5 };
  for (const [name, make] of Object.entries(cases)) {
    if (name === 'pngphoto' && !web) continue;
    try {
      const made = make(photo, web);
      const draw = typeof made === 'function' ? made : () => make(photo, web);
      let bytes = 0;
      const ms = await medianMs(repetitions, drawings[name], async () => { bytes = (await draw()).length; });
      console.log(`${name} ${ms.toFixed(6)} ${bytes}`);
      if (images) fs.writeFileSync(path.join(images, `${peer}-${name}.${name === 'thumb' ? 'jpg' : name === 'pagegif' ? 'gif' : 'png'}`), await draw());
    } catch (error) {
      console.error(`${peer} ${name}: ${error.message}`);
    }
  }
}

main().catch((error) => { console.error(error.message); process.exit(1); });
