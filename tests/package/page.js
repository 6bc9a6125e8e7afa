'use strict';
// The page script both package tests run, as an installed package is used: require('vellumax')
// and nothing else. Draws on the main thread and in a worker, and prints what it made as JSON.
const { Worker, isMainThread, parentPort } = require('node:worker_threads');
const vx = require('vellumax');

function draw(label) {
  const canvas = vx.createObject('Vellumax.Canvas');
  canvas.Width = 160;
  canvas.Height = 60;
  canvas.DrawShape('oval', 'rect=10,10,70,50 paintcolor=red pensize=2');
  canvas.DrawText(label, "rect=75,15,155,45 textcolor=blue textsize=14 textfont='DejaVu Sans'");
  const png = canvas.GetAs('png', '');
  const graphic = vx.createObject('Vellumax.Graphic');
  graphic.SetData(png, 'image/png');
  const [image] = [...graphic.GraphicImages];
  return { label, bytes: png.length, format: graphic.Format, rect: String(image.Rectangle) };
}

if (isMainThread) {
  const main = draw('main');
  const worker = new Worker(__filename);
  worker.once('message', (fromWorker) => {
    console.log(JSON.stringify({ version: vx.version, registry: vx.registryPath(), main, worker: fromWorker }));
  });
  worker.once('error', (err) => {
    console.error(err);
    process.exitCode = 1;
  });
} else {
  parentPort.postMessage(draw('worker'));
}
