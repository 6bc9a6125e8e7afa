'use strict';
// The pages of the web example, drawn in a worker thread: each worker loads the host and makes
// its own objects, and answers one request at a time.
//
//   request  { id, path, query: { name: value }, body: Uint8Array | null, contentType }
//   answer   { id, status, type, body: Uint8Array | string }
const { parentPort } = require('node:worker_threads');
const vx = require('../../hosts/node');
const { upload } = require('./upload');

if (!parentPort) throw new Error('pages.js runs in a worker thread of server.js');
const port = parentPort;

const font = { textfont: 'DejaVu Sans', textsize: 11 };

// Width and height of one line of text, from the server's own text layout.
function measure(text, style) {
  const probe = vx.createObject('Vellumax.Canvas');
  const [width, height] = probe.TextArea(text, vx.params({ ...style, rect: [0, 0, 30000, 1000] }));
  return { width, height };
}

// A two-part badge sized to its words: "label | value".
function badge(query) {
  const label = String(query.label ?? 'build').slice(0, 80);
  const value = String(query.value ?? 'passing').slice(0, 80);
  const color = String(query.color ?? '#44cc11');
  const pad = 6;
  const height = 20;
  const left = measure(label, font).width + 2 * pad;
  const right = measure(value, font).width + 2 * pad;
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = left + right;
  canvas.Height = height;
  canvas.DrawShape('rect', vx.params({ rect: [0, 0, left, height], paintcolor: '#555555', op: 'paint' }));
  canvas.DrawShape('rect', vx.params({ rect: [left, 0, left + right, height], paintcolor: color, op: 'paint' }));
  const text = { ...font, textcolor: 'white', halign: 'middle', valign: 'middle' };
  canvas.DrawText(label, vx.params({ ...text, rect: [0, 0, left, height] }));
  canvas.DrawText(value, vx.params({ ...text, rect: [left, 0, left + right, height] }));
  return { type: 'image/png', body: canvas.GetAs('png', '') };
}

// A bar chart of up to 24 values, each bar scaled to the largest.
const barColors = ['#4e79a7', '#f28e2b', '#e15759', '#76b7b2', '#59a14f', '#edc948'];
function chart(query) {
  const values = String(query.values ?? '3,7,2,9').split(',').slice(0, 24).map(Number);
  if (values.length === 0 || values.some((v) => !Number.isFinite(v) || v < 0)) {
    return { status: 400, type: 'text/plain; charset=utf-8', body: 'values: a list of numbers, none negative' };
  }
  const labels = String(query.labels ?? '').split(',');
  const width = Math.min(Number(query.width) || 360, 2000);
  const height = Math.min(Number(query.height) || 200, 2000);
  const top = 20;
  const bottom = height - 20;
  const largest = Math.max(...values, 1e-9);
  const slot = Math.floor((width - 20) / values.length);
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = width;
  canvas.Height = height;
  canvas.DrawShape('rect', vx.params({ rect: [0, 0, width, height], paintcolor: 'white', op: 'paint' }));
  values.forEach((v, i) => {
    const x = 10 + i * slot;
    const y = bottom - Math.round((bottom - top) * v / largest);
    if (y < bottom) {
      canvas.DrawShape('rect', vx.params({ rect: [x + 2, y, x + slot - 2, bottom], paintcolor: barColors[i % barColors.length], op: 'paint' }));
    }
    canvas.DrawText(String(v), vx.params({ ...font, textsize: 9, rect: [x, y - 14, x + slot, y], halign: 'middle' }));
    if (labels[i]) {
      canvas.DrawText(labels[i], vx.params({ ...font, textsize: 9, rect: [x, bottom + 2, x + slot, height], halign: 'middle' }));
    }
  });
  canvas.DrawShape('line', vx.params({ points: [8, bottom, width - 8, bottom], pencolor: 'black' }));
  return { type: 'image/png', body: canvas.GetAs('png', '') };
}

const routes = { '/badge': badge, '/chart': chart, '/upload': (query, request) => upload(vx, request) };

port.on('message', (request) => {
  let answer;
  try {
    const page = routes[request.path];
    answer = page ? page(request.query, request) : { status: 404, type: 'text/plain', body: 'not found' };
  } catch (err) {
    // The server's description says what was wrong with the request (a colour, a value).
    answer = { status: 400, type: 'text/plain; charset=utf-8', body: err.description || String(err.message) };
  }
  port.postMessage({ id: request.id, status: answer.status || 200, type: answer.type, body: answer.body });
});
