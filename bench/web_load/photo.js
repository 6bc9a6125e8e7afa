'use strict';
// The load benchmark's upload: a 1280 x 960 picture with edges and gradients, as a JPEG of a
// photo's size (about 140 KB), posted as a multipart form.

function photo(vx) {
  const c = vx.createObject('Vellumax.Canvas');
  c.Width = 1280;
  c.Height = 960;
  for (let i = 0; i < 60; ++i) {
    const x = (i * 97) % 1200;
    const y = (i * 61) % 900;
    c.DrawShape(['oval', 'rect', 'roundrect'][i % 3], vx.params({
      rect: [x, y, x + 80 + (i * 13) % 300, y + 60 + (i * 7) % 200],
      paintcolor: `${(i * 37) % 100},${(i * 53) % 100},${(i * 71) % 100}`, pensize: 1 + (i % 5) }));
  }
  c.DrawText('A picture for the load benchmark '.repeat(20), "rect=0,0,1280,960 textsize=28 textfont='DejaVu Sans'");
  return c.GetAs('jpeg', '');
}

/** @returns {{ jpeg: Uint8Array, boundary: string, body: Buffer }} */
function photoForm(vx) {
  const jpeg = photo(vx);
  const boundary = 'vxloadboundary7d93';
  const head = `--${boundary}\r\nContent-Disposition: form-data; name="picture"; filename="photo.jpg"\r\n` +
               'Content-Type: image/jpeg\r\n\r\n';
  return { jpeg, boundary, body: Buffer.concat([Buffer.from(head), jpeg, Buffer.from(`\r\n--${boundary}--\r\n`)]) };
}

module.exports = { photoForm };
