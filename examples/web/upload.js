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
 * @param {any} vx the host
 * @param {{ body: Uint8Array | null }} request
 */
function upload(vx, request) {
  if (!request.body) return { type: 'text/html; charset=utf-8', body: formPage };
  const form = vx.createObject('Vellumax.XMultipart');
  form.SetData(request.body);
  const field = form.Item('picture');
  const bytes = field.Data;
  const type = field.Type || '';
  const graphic = vx.createObject('Vellumax.Graphic');
  graphic.SetData(bytes, type);
  const images = [...graphic.GraphicImages];
  const first = images[0];
  const [left, top, right, bottom] = String(first.Rectangle).split(',').map(Number);
  const [width, height] = fitted(right - left, bottom - top);
  // A picture Graphic can read may still fail to draw: the page then says why.
  let thumbnail = '';
  try {
    const canvas = vx.createObject('Vellumax.Canvas');
    canvas.Width = width;
    canvas.Height = height;
    canvas.DrawData(bytes, type, vx.params({ rect: [0, 0, width, height] }));
    thumbnail = `<img id="thumbnail" alt="thumbnail" src="data:image/png;base64,${Buffer.from(canvas.GetAs('png', '')).toString('base64')}">`;
  } catch (err) {
    thumbnail = `<span id="thumbnail-error">${escapeHtml(err.description || err.message)}</span>`;
  }
  const facts = [
    ['File', field.Filename], ['Type', type], ['Bytes', bytes.length], ['Format', graphic.Format],
    ['Images', images.length], ['Width', right - left], ['Height', bottom - top],
    ['Depth', first.Depth], ['Resolution', first.Resolution],
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
