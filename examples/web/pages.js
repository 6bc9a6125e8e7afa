'use strict';
// The pages of the web example. Every call on the server's objects is a promise call, so the
// pictures are drawn on the thread pool while the event loop goes on answering requests.
//
//   request  { path, query: { name: value }, body: Uint8Array | null, contentType }
//   answer   { status, type, body: Uint8Array | string }
const { upload } = require('./upload');

const font = { textfont: 'DejaVu Sans', textsize: 11 };

// Width and height of one line of text, from the server's own text layout.
async function measure(vx, text, style) {
  const probe = vx.createObject('Vellumax.Canvas');
  const [width, height] = await probe.async.TextArea(text, vx.params({ ...style, rect: [0, 0, 30000, 1000] }));
  return { width, height };
}

// A two-part badge sized to its words: "label | value".
async function badge(vx, query) {
  const label = String(query.label ?? 'build').slice(0, 80);
  const value = String(query.value ?? 'passing').slice(0, 80);
  const color = String(query.color ?? '#44cc11');
  const pad = 6;
  const height = 20;
  const [labelSize, valueSize] = await Promise.all([measure(vx, label, font), measure(vx, value, font)]);
  const left = labelSize.width + 2 * pad;
  const right = valueSize.width + 2 * pad;
  const canvas = vx.createObject('Vellumax.Canvas');
  const text = { ...font, textcolor: 'white', halign: 'middle', valign: 'middle' };
  // Queued at once: calls on one canvas run in the order made, and the first failure rejects.
  const calls = [
    canvas.async.Width(left + right),
    canvas.async.Height(height),
    canvas.async.DrawShape('rect', vx.params({ rect: [0, 0, left, height], paintcolor: '#555555', op: 'paint' })),
    canvas.async.DrawShape('rect', vx.params({ rect: [left, 0, left + right, height], paintcolor: color, op: 'paint' })),
    canvas.async.DrawText(label, vx.params({ ...text, rect: [0, 0, left, height] })),
    canvas.async.DrawText(value, vx.params({ ...text, rect: [left, 0, left + right, height] })),
    canvas.async.GetAs('png', ''),
  ];
  const done = await Promise.all(calls);
  return { type: 'image/png', body: done[done.length - 1] };
}

// A bar chart of up to 24 values, each bar scaled to the largest.
const barColors = ['#4e79a7', '#f28e2b', '#e15759', '#76b7b2', '#59a14f', '#edc948'];
async function chart(vx, query) {
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
  const calls = [
    canvas.async.Width(width),
    canvas.async.Height(height),
    canvas.async.DrawShape('rect', vx.params({ rect: [0, 0, width, height], paintcolor: 'white', op: 'paint' })),
  ];
  values.forEach((v, i) => {
    const x = 10 + i * slot;
    const y = bottom - Math.round((bottom - top) * v / largest);
    if (y < bottom) {
      calls.push(canvas.async.DrawShape('rect', vx.params({ rect: [x + 2, y, x + slot - 2, bottom], paintcolor: barColors[i % barColors.length], op: 'paint' })));
    }
    calls.push(canvas.async.DrawText(String(v), vx.params({ ...font, textsize: 9, rect: [x, y - 14, x + slot, y], halign: 'middle' })));
    if (labels[i]) {
      calls.push(canvas.async.DrawText(labels[i], vx.params({ ...font, textsize: 9, rect: [x, bottom + 2, x + slot, height], halign: 'middle' })));
    }
  });
  calls.push(canvas.async.DrawShape('line', vx.params({ points: [8, bottom, width - 8, bottom], pencolor: 'black' })));
  calls.push(canvas.async.GetAs('png', ''));
  const done = await Promise.all(calls);
  return { type: 'image/png', body: done[done.length - 1] };
}

const routes = { '/badge': badge, '/chart': chart, '/upload': (vx, query, request) => upload(vx, request) };

/**
 * @param {any} vx the host
 * @returns {Promise<{ status: number, type: string, body: Uint8Array | string }>}
 */
async function answer(vx, request) {
  try {
    const page = routes[request.path];
    const a = page ? await page(vx, request.query, request) : { status: 404, type: 'text/plain', body: 'not found' };
    return { status: a.status || 200, type: a.type, body: a.body };
  } catch (err) {
    // The server's description says what was wrong with the request (a colour, a value).
    return { status: 400, type: 'text/plain; charset=utf-8', body: err.description || String(err.message) };
  }
}

module.exports = { answer };

// In a worker thread of server.js's pool: one request at a time, by message.
const { parentPort, isMainThread } = require('node:worker_threads');
if (!isMainThread && parentPort) {
  const port = parentPort;
  const vx = require('../../hosts/node');
  port.on('message', async (request) => port.postMessage({ id: request.id, ...await answer(vx, request) }));
}
