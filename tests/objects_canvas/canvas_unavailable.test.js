'use strict';
// Run with VX_IMAGING naming a library that does not exist.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');

const vx = require('../../hosts/node');

fs.rmSync(process.env.VX_REGISTRY, { force: true });
vx.registerServer(vx.serverPath);

test('every member reports the missing picture platform', () => {
  const canvas = vx.createObject('Vellumax.Canvas');
  const calls = [
    () => canvas.Width, () => { canvas.Width = 3; }, () => canvas.Depth, () => { canvas.PenColor = 'red'; },
    () => canvas.HBITMAP, () => { canvas.Pattern = null; }, () => canvas.Clear(), () => canvas.Erase(),
    () => canvas.GetColor('0,0'), () => canvas.DrawShape('rect', ''),
  ];
  for (const call of calls) {
    assert.throws(call, (e) => e.number === (0x80004005 | 0) &&
      e.description.startsWith('Unable to access QuickTime 4\n'), call.toString());
  }
});
