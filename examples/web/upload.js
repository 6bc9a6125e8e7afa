'use strict';
// The upload page: the posted form is split with XMultipart, the picture inspected with Graphic
// and a thumbnail drawn with DrawData; the answer is an HTML page with the facts and the
// thumbnail inline.

const formPage = `<!doctype html>
<html><head><meta charset="utf-8"><title>Upload a picture</title></head>
<body>
<h1>Upload a picture</h1>
<form action="/upload" method="post" enctype="multipart/form-data">
  <input type="file" name="picture" accept="image/*">
  <button type="submit">Inspect</button>
</form>
</body></html>
`;

const thumbnailSide = 96;

function escapeHtml(text) {
  return String(text).replace(/[&<>"']/g, (c) => `&#${c.charCodeAt(0)};`);
}

// The thumbnail's size inside a square of thumbnailSide, keeping the picture's proportions.
function fitted(width, height) {
  const scale = Math.min(thumbnailSide / Math.max(width, 1), thumbnailSide / Math.max(height, 1), 1);
  return [Math.max(1, Math.round(width * scale)), Math.max(1, Math.round(height * scale))];
}

/**
 * Every call is a promise call: the pictures are decoded and drawn on the thread pool while the
 * event loop answers other requests.
 * @param {any} vx the host
 * @param {{ body: Uint8Array | null }} request
 */
async function upload(vx, request) {
  if (!request.body) return { type: 'text/html; charset=utf-8', body: formPage };
  const form = vx.createObject('Vellumax.XMultipart');
  await form.async.SetData(request.body);
  const field = await form.async.Item('picture');
  const [bytes, givenType, filename] = await Promise.all([field.async.Data(), field.async.Type(), field.async.Filename()]);
  const type = givenType || '';
  const graphic = vx.createObject('Vellumax.Graphic');
  await graphic.async.SetData(bytes, type);
  const images = [...await graphic.async.GraphicImages()];
  const first = images[0];
  const [rectangle, depth, resolution, format] =
    await Promise.all([first.async.Rectangle(), first.async.Depth(), first.async.Resolution(), graphic.async.Format()]);
  const [left, top, right, bottom] = String(rectangle).split(',').map(Number);
  const [width, height] = fitted(right - left, bottom - top);
  // A picture Graphic can read may still fail to draw: the page then says why.
  let thumbnail = '';
  try {
    const canvas = vx.createObject('Vellumax.Canvas');
    await Promise.all([canvas.async.Width(width), canvas.async.Height(height)]);
    await canvas.async.DrawData(bytes, type, vx.params({ rect: [0, 0, width, height] }));
    const png = await canvas.async.GetAs('png', '');
    thumbnail = `<img id="thumbnail" alt="thumbnail" src="data:image/png;base64,${Buffer.from(png).toString('base64')}">`;
  } catch (err) {
    thumbnail = `<span id="thumbnail-error">${escapeHtml(err.description || err.message)}</span>`;
  }
  const facts = [
    ['File', filename], ['Type', type], ['Bytes', bytes.length], ['Format', format],
    ['Images', images.length], ['Width', right - left], ['Height', bottom - top],
    ['Depth', depth], ['Resolution', resolution],
  ];
  const rows = facts.map(([k, v]) => `<tr><th>${k}</th><td id="fact-${k.toLowerCase()}">${escapeHtml(v)}</td></tr>`);
  return {
    type: 'text/html; charset=utf-8',
    body: `<!doctype html>
<html><head><meta charset="utf-8"><title>Picture facts</title></head>
<body>
<h1>Picture facts</h1>
<table>${rows.join('')}</table>
<p>${thumbnail}</p>
</body></html>
`,
  };
}

module.exports = { upload, thumbnailSide };
