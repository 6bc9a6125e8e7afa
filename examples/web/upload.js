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

// The answer to a form that holds no picture the server can read: a page saying what to send.
function notAPicture(detail) {
  return {
    status: 415,
    type: 'text/html; charset=utf-8',
    body: `<!doctype html>
<html><head><meta charset="utf-8"><title>Not a picture</title></head>
<body>
<h1>Not a picture</h1>
<p id="refusal">${escapeHtml(detail)} Send a PNG, JPEG, GIF, BMP, TIFF or WebP file.</p>
<p><a href="/upload">Upload another file</a></p>
</body></html>
`,
  };
}

/**
 * Every call is a promise call: the pictures are decoded and drawn on the thread pool while the
 * event loop answers other requests.
 * @param {any} vx the host
 * @param {{ body: Uint8Array | null }} request
 */
async function upload(vx, request) {
  if (!request.body) return { type: 'text/html; charset=utf-8', body: formPage };
  // Calls on one object are queued together where no result is needed in between: they run in
  // order, in one trip to the thread pool.
  const form = vx.createObject('Vellumax.XMultipart');
  let field;
  try {
    [, field] = await Promise.all([form.async.SetData(request.body), form.async.Item('picture')]);
  } catch {
    return notAPicture('The form holds no file named "picture".');
  }
  const [bytes, givenType, filename] = await Promise.all([field.async.Data(), field.async.Type(), field.async.Filename()]);
  const type = givenType || '';
  const graphic = vx.createObject('Vellumax.Graphic');
  const [, list, drawable, format] = await Promise.all([
    graphic.async.SetData(bytes, type), graphic.async.GraphicImages(), graphic.async.Drawable(), graphic.async.Format()]);
  const images = [...list];
  if (images.length === 0 || !drawable) {
    return notAPicture(`${filename || 'The file'} is not a picture this server can read.`);
  }
  const first = images[0];
  const [rectangle, upright, orientation, depth, resolution] = await Promise.all([
    first.async.Rectangle(), first.async.UprightRectangle(), first.async.Orientation(), first.async.Depth(),
    first.async.Resolution()]);
  const [left, top, right, bottom] = String(upright).split(',').map(Number);
  const [width, height] = fitted(right - left, bottom - top);
  // A picture Graphic can read may still fail to draw: the page then says why.
  let thumbnail = '';
  try {
    const canvas = vx.createObject('Vellumax.Canvas');
    // A translucent band for the caption: alphablend lets the picture show through it.
    const band = Math.min(12, height);
    const drawn = await Promise.all([
      canvas.async.Width(width),
      canvas.async.Height(height),
      // Photos are drawn as they were taken, whatever way the camera was held.
      canvas.async.DrawData(bytes, type, vx.params({ rect: [0, 0, width, height], upright: true })),
      canvas.async.DrawShape('rect', vx.params({
        rect: [0, height - band, width, height], paintcolor: '#00000080', op: 'paint', alphablend: true })),
      canvas.async.GetAs('png', ''),
    ]);
    const png = drawn[drawn.length - 1];
    thumbnail = `<img id="thumbnail" alt="thumbnail" src="data:image/png;base64,${Buffer.from(png).toString('base64')}">`;
  } catch (err) {
    thumbnail = `<span id="thumbnail-error">${escapeHtml(err.description || err.message)}</span>`;
  }
  const [storedLeft, storedTop, storedRight, storedBottom] = String(rectangle).split(',').map(Number);
  const facts = [
    ['File', filename], ['Type', type], ['Bytes', bytes.length], ['Format', format],
    ['Images', images.length], ['Width', right - left], ['Height', bottom - top],
    ['Stored', `${storedRight - storedLeft} x ${storedBottom - storedTop}`], ['Orientation', orientation],
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
