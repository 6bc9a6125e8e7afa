'use strict';
// vx.params against the real server's parameter parser: a value never adds or overrides a keyword.
const test = require('node:test');
const assert = require('node:assert/strict');
const { freshRegistry } = require('./support');

freshRegistry();
const vx = require('..');
vx.registerServer(vx.serverPath);

function canvas() {
  const c = vx.createObject('Vellumax.Canvas');
  c.Width = 16;
  c.Height = 16;
  return c;
}

// A value is either read whole as the keyword's value or refused as that keyword's value, and
// the refusal quotes the value exactly as it was given.
function drawsOnlyTheGivenRect(c, hostile) {
  const text = vx.params({ rect: [2, 3, 9, 11], paintcolor: hostile });
  const context = `${JSON.stringify(hostile)} → ${text}`;
  let rect;
  try {
    rect = c.DrawShape('rect', text);
  } catch (e) {
    if (hostile.length > 255) {
      assert.match(e.description, /^Gave up getting value at character \d+ because it was too long/, context);
    } else {
      assert.ok(e.description.startsWith(`Could not understand value of parameter "paintcolor=${hostile}"\n`), context);
    }
    return;
  }
  assert.equal(rect, '2,3,9,11', context);
}

test('hostile values stay inside their keyword', () => {
  const c = canvas();
  const crafted = [
    'red rect=0,0,1,1', "red' rect='0,0,1,1", 'red" rect="0,0,1,1', "red'' rect=0,0,1,1",
    "'", "''", '"', "red rect='0,0,1,1'", 'red\trect=0,0,1,1', 'red\nrect=0,0,1,1', '=', 'rect=0,0,1,1',
    "x' pencolor='blue", '', ' ', "\\' rect=1,1,2,2", 'red rect', `${'a'.repeat(300)} rect=0,0,1,1`,
  ];
  for (const hostile of crafted) drawsOnlyTheGivenRect(c, hostile);
  // Random mixtures of the characters the grammar gives meaning to.
  const alphabet = [' ', '\t', '=', "'", '"', "''", 'rect', '0,0,1,1', 'red', 'pencolor', ',', '\\'];
  let seed = 7;
  const next = (n) => { seed = (seed * 1103515245 + 12345) & 0x7fffffff; return seed % n; };
  for (let i = 0; i < 400; ++i) {
    let hostile = '';
    for (let k = 1 + next(8); k > 0; --k) hostile += alphabet[next(alphabet.length)];
    drawsOnlyTheGivenRect(c, hostile);
  }
});

test('values keep their text: quotes, blanks and list forms reach the reader unchanged', () => {
  const c = canvas();
  // The quoted colour reads as the plain one: the pixel is painted the same.
  c.DrawShape('rect', vx.params({ rect: '0,0,8,16', paintcolor: 'red', op: 'paint' }));
  c.DrawShape('rect', `rect=8,0,16,16 paintcolor=red op=paint`);
  assert.equal(c.GetColor('2,2'), c.GetColor('12,2'));
  assert.equal(vx.params({ textfont: "O'Brien Sans", textsize: 12, dither: false, pos: [1, 2] }),
               "textfont='O''Brien Sans' textsize='12' dither='false' pos='1,2'");
  const color = vx.createObject('Vellumax.XColor');
  color.String = '50,25,0';
  assert.equal(vx.params({ pencolor: color, rect: undefined, pensize: null }), "pencolor='50.0,25.0,0.0,100.0'");
});

test('keywords must be plain words and values must have a text form', () => {
  for (const bad of [{ 'rect=0,0,1,1 pencolor': 'red' }, { 'pen color': 'red' }, { "x'": 1 }, { '': 1 }]) {
    assert.throws(() => vx.params(bad), TypeError);
  }
  assert.throws(() => vx.params({ pencolor: 'red\0 rect=0,0,1,1' }), /NUL/);
  assert.throws(() => vx.params({ pensize: NaN }), TypeError);
  assert.throws(() => vx.params({ pensize: {} }), TypeError);
  assert.throws(() => vx.params('pencolor=red'), TypeError);
  assert.throws(() => vx.params(null), TypeError);
});

test('what vx.params cannot take fails with a TypeError that says what it takes', () => {
  const c = canvas();
  const cyclic = [1, 2];
  cyclic.push(cyclic);
  const deep = [];
  for (let level = deep, i = 0; i < 100000; ++i) level.push((level = []));
  const rows = [
    [c, /^vx\.params was given an automation object \(ICanvas\) without a text form/],
    [{ pattern: c }, /^the value of pattern is an automation object \(ICanvas\) without a text form/],
    [{ points: cyclic }, /^the value of points is an array that holds itself/],
    [{ points: deep }, /^the value of points nests arrays over 16 deep/],
    [{ points: [1, null] }, /^the value of points holds null/],
    [{ rect: [1, undefined] }, /^the value of rect holds undefined/],
    [{ pos: Symbol('p') }, /^the value of pos is a symbol/],
    [{ pos: () => 1 }, /^the value of pos is a function/],
    [{ pos: { x: 1 } }, /^the value of pos is an object without a text form/],
    [{ pensize: Infinity }, /^the value of pensize is not a finite number/],
    [42, /^vx\.params was given a number/],
  ];
  for (const [bad, detail] of rows) {
    assert.throws(() => vx.params(bad), (err) => {
      assert.ok(err instanceof TypeError, err.stack);
      assert.match(err.message, detail);
      assert.match(err.message, /; vx\.params takes an object of keyword: value pairs, each value a string/);
      return true;
    });
  }
  // The same array twice, side by side, is no cycle.
  const pair = [1, 2];
  assert.equal(vx.params({ points: [pair, pair] }), "points='1,2,1,2'");
});

test('quotes are doubled exactly, in texts of any size and any UTF-16 content', () => {
  const alphabet = ["'", 'a', "''", '\uD800', '\uDC00', '😀', 'é', ' ', '"'];
  let seed = 11;
  const next = (n) => { seed = (seed * 1103515245 + 12345) & 0x7fffffff; return seed % n; };
  for (let i = 0; i < 300; ++i) {
    let text = '';
    for (let k = next(40); k > 0; --k) text += alphabet[next(alphabet.length)];
    assert.equal(vx.params({ text }), `text='${text.split("'").join("''")}'`, JSON.stringify(text));
  }
  const quotes = "'".repeat(10 << 20);
  const big = vx.params({ text: quotes });
  assert.equal(big.length, 2 * quotes.length + 7);
  assert.ok(big.startsWith("text='''''") && big.endsWith("'''"));
  assert.equal(big.indexOf('a'), -1);
});
