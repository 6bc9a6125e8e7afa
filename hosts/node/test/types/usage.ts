// Type-checked by tsc (ctest: node_types): the uses page scripts need pass, and each
// `@ts-expect-error` marks a mistake the definitions must refuse; tsc fails when one passes.
import vx = require('../..');

const canvas = vx.createObject('Vellumax.Canvas');
const other = new vx.ActiveXObject('Vellumax.Canvas');
const gestalt = vx.createObject('Vellumax.Gestalt');
const graphic = vx.createObject('Vellumax.Graphic');
const colour = vx.createObject('Vellumax.XColor');
const form = vx.createObject('Vellumax.XMultipart');

// Properties read as what they hold, and take what the server accepts.
const width: number = canvas.Width;
canvas.Width = 120;
canvas.Height = '80';
// @ts-expect-error a word is not a number of pixels
canvas.Width = 'wide';
// @ts-expect-error a width reads as a number, not as text
const widthText: string = canvas.Width;
canvas.PaintColor = '#336699';
canvas.PenColor = '20,40,80,50';
canvas.TextColor = 'Darkgray';
canvas.Color = '';
// @ts-expect-error colours are words, percentages or web colours
canvas.PaintColor = 'rgb(51,102,204)';
// @ts-expect-error an XColor is not taken where a colour text is
canvas.PaintColor = colour;
canvas.HAlign = 'middle';
// @ts-expect-error the words are left, middle and right
canvas.HAlign = 'center';
const valign: 'top' | 'middle' | 'bottom' = canvas.VAlign;
canvas.Depth = 'thousands';
canvas.Depth = 256;
// @ts-expect-error 24 is not a depth of the list
canvas.Depth = 24;
canvas.TextStyle = 'bold,italic';
canvas.Dither = true;
canvas.Pattern = other;
// @ts-expect-error a Gestalt is not a canvas
canvas.Pattern = gestalt;

// Methods take their arguments' kinds and answer their results' types.
const rect: string = canvas.DrawShape('oval', 'rect=0,0,10,10');
canvas.DrawShape('ROUNDRECT', vx.params({ rect: [0, 0, 10, 10], cornersize: 4, paintcolor: colour }));
// @ts-expect-error circle is no shape word
canvas.DrawShape('circle', '');
// @ts-expect-error an object goes through vx.params first
canvas.DrawShape('rect', { rect: [0, 0, 10, 10] });
// @ts-expect-error rectt is no keyword
vx.params({ rectt: [0, 0, 10, 10] });
// @ts-expect-error only value objects have a text form for a parameter
vx.params({ paintcolor: gestalt });
canvas.DrawCanvas(other, 'mode=blend');
// @ts-expect-error DrawCanvas draws a canvas, not a Gestalt
canvas.DrawCanvas(gestalt, '');
const [textWidth, textHeight, lineHeight] = canvas.TextArea('Hello', '');
const area: number = textWidth + textHeight + lineHeight;
// @ts-expect-error TextArea gives three numbers
const fourth = canvas.TextArea('Hello', '')[3];
const fits: `${number}` = canvas.TextLength('Hello', 'rect=0,0,20,20');
const png: Buffer = canvas.GetAs('png', '');
canvas.GetAs('image/webp', '');
canvas.GetAs('.jpg', '');
// @ts-expect-error jpg without its dot names no format (it falls back to BMP)
canvas.GetAs('jpg', '');
canvas.DrawData(png, 'png', '');
// @ts-expect-error bytes come as a Buffer or a Uint8Array
canvas.DrawData(new ArrayBuffer(8), 'png', '');
canvas.SetChannel('alpha', other);
// @ts-expect-error the channels are red, green, blue and alpha
canvas.SetChannel('pink', other);
// @ts-expect-error a text is not an object of the server
const notObject: vx.AutomationObject = 'Vellumax.Canvas';

// Collections give their items' types.
graphic.SetData(png, 'image/png');
for (const image of graphic.GraphicImages) {
  const bounds: string = image.Rectangle;
  const dpi: number = image.Resolution;
}
const fontName: string = gestalt.Fonts.Item(1);
const exporterNames: string[] = [...gestalt.GraphicsExporters];
form.SetData(Buffer.from(''));
for (const field of form) {
  const name: string = field.Name;
  const data: Buffer = field.Data;
}
// @ts-expect-error Gestalt.Save writes bytes
gestalt.Save('/tmp/x', 'text');
