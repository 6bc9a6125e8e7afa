// Written by tools/reference from the server's own tables; do not edit.
// Regenerate with: cmake --build build --target reference
/// <reference types="node" />

/** Tells the classes apart: a Gestalt is not a Canvas, a string not an object. */
declare const automationClass: unique symbol;

declare namespace vellumax {
  /** What a member taking a value accepts; numbers, text and byte arrays convert both ways. */
  type Value = string | number | boolean | bigint | Uint8Array | AutomationObject | null | undefined;
  /** A value of vx.params: arrays are joined with the list separator; value objects give their String. */
  type ParamValue = string | number | boolean | bigint | ReadonlyArray<string | number> | XColor | XRect | XPoint | null | undefined;
  /** Any object of the server. */
  interface AutomationObject {
    readonly [automationClass]: string;
    /** The promise forms of the members, run off the event loop: see Async. */
    readonly async: Async<this>;
  }
  /** Whether a property of T is read-only. */
  type IsReadonly<T, K extends keyof T> = (<U>() => U extends Pick<T, K> ? 1 : 2) extends
    (<U>() => U extends { -readonly [P in keyof Pick<T, K>]: T[P] } ? 1 : 2) ? false : true;
  /** A method's promise form answers what the method returns; a property is read by calling it
   *  without arguments and written by calling it with the value. */
  type AsyncProperty<T, K extends keyof T> =
    IsReadonly<T, K> extends true ? () => Promise<T[K]> : { (): Promise<T[K]>; (value: T[K]): Promise<void> };
  type AsyncMember<T, K extends keyof T> = 0 extends 1 & T[K] ? AsyncProperty<T, K>
    : T[K] extends (...args: infer A) => infer R ? (...args: A) => Promise<R> : AsyncProperty<T, K>;
  /** obj.async: every member as a promise, run on the thread pool; calls on one object run in the order
   *  made, and a plain call on an object with promise calls pending throws (number E_PENDING). */
  type Async<T> = { readonly [K in keyof T as K extends 'async' | symbol ? never : K]: AsyncMember<T, K> };
  /** What a failed call throws: message is the description, with a hint line where one helps. */
  interface AutomationError extends Error {
    number: number;
    description: string;
    source: string;
    hint?: string;
  }
  /** Words ignore letter case; these types take them in lower case, upper case or capitalised. */
  type AnyCase<W extends string> = W | Uppercase<W> | Capitalize<W>;
  /** Colours: used by pencolor, textcolor, paintcolor, modecolor; PenColor, TextColor, PaintColor, Color, XColor.String. */
  type ColorWord = 'black' | 'yellow' | 'magenta' | 'red' | 'cyan' | 'green' | 'blue' | 'white' | 'violet' | 'purple' | 'orange' | 'gray' | 'lightgray' | 'darkgray';
  /** Shapes: used by shape; DrawShape. */
  type ShapeWord = 'rectangle' | 'rect' | 'oval' | 'polygon' | 'poly' | 'roundrectangle' | 'roundrect' | 'text' | 'line';
  /** Operations: used by operation, op. */
  type OperationWord = 'draw' | 'paint' | 'both';
  /** Horizontal alignments: used by halign; HAlign. */
  type HAlignWord = 'left' | 'middle' | 'right';
  /** Vertical alignments: used by valign; VAlign. */
  type VAlignWord = 'top' | 'middle' | 'bottom';
  /** Text styles (a list): used by textstyle; TextStyle. */
  type TextStyleWord = 'bold' | 'italic' | 'underline' | 'strikethru';
  /** Transfer modes: used by mode. */
  type ModeWord = 'copy' | 'addpin' | 'addover' | 'subpin' | 'addmax' | 'subover' | 'addmin' | 'transparent' | 'prewhitealpha' | 'preblackalpha' | 'blend';
  /** Depths (bits per pixel): used by depth; Depth. */
  type DepthWord = '2' | '16' | '256' | 'thousands' | 'millions';
  /** Qualities: used by quality. */
  type QualityWord = 'min' | 'low' | 'normal' | 'high' | 'max' | 'lossless';
  /** Channels: used by SetChannel. */
  type ChannelWord = 'red' | 'green' | 'blue' | 'alpha';
  /** Truth values (or any integer: non-zero is true): used by dither, fit, interlace, opengl, alphablend, upright; Dither. */
  type TruthWord = 'true' | 'false' | 'yes' | 'no';
  /** A colour: a word, pattern, the empty text (white), percentages r,g,b[,a] or a web colour. */
  type ColorText = AnyCase<ColorWord | 'pattern'> | '' | `#${string}` | `${number},${number},${number}` |
    `${number},${number},${number},${number}`;
  /** A list of style words, or nothing. */
  type TextStyleText = '' | AnyCase<TextStyleWord> | `${AnyCase<TextStyleWord>},${string}`;
  /** left,top,right,bottom */
  type RectText = `${number},${number},${number},${number}`;
  /** x,y */
  type PointText = `${number},${number}`;
  /** A type text that names an export format: a description, a MIME type or a name with its extension; the empty text lets the file path decide (else BMP). */
  type FormatText = '' | AnyCase<'png' | 'jpeg' | 'bmp' | 'tiff' | 'webp' | 'gif' | 'gif image'> | `image/${'png' | 'jpeg' | 'bmp' | 'tiff' | 'webp' | 'gif'}` |
    `${string}.${AnyCase<'png' | 'jpg' | 'jpeg' | 'bmp' | 'tif' | 'tiff' | 'webp' | 'gif'>}`;
  /** The parameter keywords, aliases included. */
  type ParamKeyword = 'pencolor' | 'textcolor' | 'paintcolor' | 'pensize' | 'textfont' | 'textsize' | 'textstyle' | 'halign' | 'valign' | 'dither' | 'rectangle' | 'rect' | 'position' | 'pos' | 'size' | 'inset' | 'move' | 'rotation' | 'rotate' | 'stretch' | 'scale' | 'skew' | 'translate' | 'type' | 'image' | 'fit' | 'mode' | 'modecolor' | 'sourcerectangle' | 'srcrect' | 'shape' | 'operation' | 'op' | 'cornersize' | 'points' | 'text' | 'maxtext' | 'quality' | 'interlace' | 'depth' | 'opengl' | 'transparent' | 'palette' | 'compress' | 'alphablend' | 'upright' | 'resample';

  /** Tells what a picture file or picture data holds */
  interface Graphic extends AutomationObject {
    readonly [automationClass]: 'Graphic';
    /** Reads a picture file */
    SetFile(inFile: string): void;
    /** Reads a picture held in bytes */
    SetData(inData: Uint8Array, inType: string): void;
    /** The name of the picture's format */
    readonly Format: string;
    /** Whether the picture can be drawn */
    readonly Drawable: boolean;
    /** The images the picture holds */
    readonly GraphicImages: GraphicImages;
  }

  /** An object that you can draw and paint onto */
  interface Canvas extends AutomationObject {
    readonly [automationClass]: 'Canvas';
    /** The color depth: 2, 16, 256, thousands or millions */
    get Depth(): DepthWord;
    set Depth(value: AnyCase<DepthWord> | 2 | 16 | 256);
    /** The width in pixels */
    get Width(): number;
    set Width(value: number | `${number}`);
    /** The height in pixels */
    get Height(): number;
    set Height(value: number | `${number}`);
    /** The color of new and erased pixels */
    get Color(): string;
    set Color(value: ColorText);
    /** The default color shapes are filled with */
    get PaintColor(): string;
    set PaintColor(value: ColorText);
    /** The default color shapes are outlined with */
    get PenColor(): string;
    set PenColor(value: ColorText);
    /** The default color of text */
    get TextColor(): string;
    set TextColor(value: ColorText);
    /** The default pen width in pixels */
    get PenSize(): number;
    set PenSize(value: number | `${number}`);
    /** The default font, from a list of font names */
    TextFont: string;
    /** The default text size in points */
    get TextSize(): number;
    set TextSize(value: number | `${number}`);
    /** The default text style words */
    get TextStyle(): string;
    set TextStyle(value: TextStyleText);
    /** The default horizontal alignment: left, middle or right */
    get HAlign(): HAlignWord;
    set HAlign(value: AnyCase<HAlignWord>);
    /** The default vertical alignment: top, middle or bottom */
    get VAlign(): VAlignWord;
    set VAlign(value: AnyCase<VAlignWord>);
    /** Whether colors are dithered when the depth changes and pictures are drawn */
    get Dither(): boolean;
    set Dither(value: boolean | number | AnyCase<TruthWord>);
    /** The canvas painted where a color is the word pattern */
    Pattern: Canvas | null;
    /** Copies a channel of another canvas into this one */
    SetChannel(inChannel: AnyCase<ChannelWord>, newVal: Canvas): void;
    /** Paints every pixel with the canvas color */
    Erase(): void;
    /** Inverts every pixel */
    Invert(): void;
    /** Releases the pixels */
    Clear(): void;
    /** Draws a picture file */
    DrawFile(inSrc: string, inParams: string): RectText;
    /** Draws a picture held in bytes */
    DrawData(inSrc: Uint8Array, inType: string, inParams: string): RectText;
    /** Draws a shape */
    DrawShape(inShape: AnyCase<ShapeWord>, inParams: string): RectText;
    /** Draws text */
    DrawText(inText: string, inParams: string): RectText;
    /** Draws another canvas */
    DrawCanvas(inCanvas: Canvas, inParams: string): RectText;
    /** The color of one pixel */
    GetColor(inLoc: string): string;
    /** Measures text without drawing it */
    TextArea(inText: string, inParams: string, outWidth?: undefined, outHeight?: undefined, outLineH?: undefined): [width: number, height: number, lineHeight: number];
    /** The number of characters of a text that fit */
    TextLength(inText: string, inParams: string): `${number}`;
    /** Saves the picture to a file */
    SaveAs(inFilePath: string, inParams: string): void;
    /** The picture as the bytes of a file format */
    GetAs(inType: FormatText, inParams: string): Buffer;
    /** The bitmap handle of the pixels, 0 without pixels */
    readonly HBITMAP: number;
    /** Whether new and erased pixels take the alpha of Color; else they are opaque */
    get UseColorAlpha(): boolean;
    set UseColorAlpha(value: boolean | number | AnyCase<TruthWord>);
    /** The most pixels this canvas or a picture drawn onto it may have; 0 returns to the MaxPixels setting */
    get MaxPixels(): number;
    set MaxPixels(value: number | `${number}`);
  }

  /** One image of a picture */
  interface GraphicImage extends AutomationObject {
    readonly [automationClass]: 'GraphicImage';
    /** The color depth: 2, 4, 16, 256, thousands or millions */
    readonly Depth: DepthWord;
    /** The resolution in dots per inch */
    readonly Resolution: number;
    /** The natural bounds as left, top, right, bottom */
    readonly Rectangle: RectText;
    /** Sets the image number, depth, resolution and bounds */
    SetValues(inNum: number, inDepth: number, inRes: number, inLeft: number, inTop: number, inRight: number, inBottom: number): void;
    /** The EXIF orientation, 1 to 8: 1 as stored, 3 turned half, 6 and 8 turned a quarter (right, left), 2, 4, 5 and 7 mirrored; 1 when the file records none */
    readonly Orientation: 1 | 2 | 3 | 4 | 5 | 6 | 7 | 8;
    /** The natural bounds as drawn with upright=true: Rectangle with width and height swapped for orientations 5 to 8 */
    readonly UprightRectangle: RectText;
  }

  /** The images of a picture */
  interface GraphicImages extends AutomationObject {
    readonly [automationClass]: 'GraphicImages';
    [Symbol.iterator](): Iterator<GraphicImage>;
    /** An image by number from 1 */
    Item(inIndex: number): GraphicImage;
    /** The number of items */
    readonly Count: number;
  }

  /** The names of the installed fonts */
  interface Fonts extends AutomationObject {
    readonly [automationClass]: 'Fonts';
    [Symbol.iterator](): Iterator<string>;
    /** A name by number from 1 */
    Item(inIndex: number): string;
    /** The number of items */
    readonly Count: number;
  }

  /** The names of the installed codecs */
  interface Codecs extends AutomationObject {
    readonly [automationClass]: 'Codecs';
    [Symbol.iterator](): Iterator<string>;
    /** A name by number from 1 */
    Item(inIndex: number): string;
    /** The number of items */
    readonly Count: number;
  }

  /** The names of the installed graphics exporters */
  interface Exporters extends AutomationObject {
    readonly [automationClass]: 'Exporters';
    [Symbol.iterator](): Iterator<string>;
    /** A name by number from 1 */
    Item(inIndex: number): string;
    /** The number of items */
    readonly Count: number;
  }

  /** Information about the server's environment */
  interface Gestalt extends AutomationObject {
    readonly [automationClass]: 'Gestalt';
    /** The version of the imaging platform */
    readonly QuickTime: string;
    /** The names of the installed graphics exporters */
    readonly GraphicsExporters: Exporters;
    /** The names of the installed fonts */
    readonly Fonts: Fonts;
    /** The names of the installed codecs */
    readonly Codecs: Codecs;
    /** Whether errors are written to the event log */
    get LogErrors(): boolean;
    set LogErrors(value: boolean | number | AnyCase<TruthWord>);
    /** Writes a message to the event log */
    Log(inMessage: string): void;
    /** Writes bytes to a file */
    Save(inPath: string, inData: Uint8Array): void;
  }

  /** An object that describes a color */
  interface XColor extends AutomationObject {
    readonly [automationClass]: 'XColor';
    /** A string representation of the color */
    get String(): string;
    set String(value: ColorText);
    /** The red intensity of the color as a percentage */
    get Red(): number;
    set Red(value: number | `${number}`);
    /** The green intensity of the color as a percentage */
    get Green(): number;
    set Green(value: number | `${number}`);
    /** The blue intensity of the color as a percentage */
    get Blue(): number;
    set Blue(value: number | `${number}`);
    /** The alpha opacity of the color as a percentage */
    get Alpha(): number;
    set Alpha(value: number | `${number}`);
    /** The standard RGB color representation */
    get RGB(): number;
    set RGB(value: number | `${number}`);
  }

  /** An object that describes a rectangular area on an image */
  interface XRect extends AutomationObject {
    readonly [automationClass]: 'XRect';
    /** A string representation of the rectangle */
    String: RectText;
    /** The offset of the right edge */
    get right(): number;
    set right(value: number | `${number}`);
    /** The offset of the top edge */
    get top(): number;
    set top(value: number | `${number}`);
    /** The offset of the left edge */
    get left(): number;
    set left(value: number | `${number}`);
    /** The offset of the bottom edge */
    get bottom(): number;
    set bottom(value: number | `${number}`);
    /** A string representation of the location of the top left corner point */
    TopLeft: PointText;
    /** A string representation of the location of the bottom right corner point */
    BottomRight: PointText;
    /** The width of the rectangle */
    readonly Width: number;
    /** The height of the rectangle */
    readonly Height: number;
  }

  /** An object that describes the location of a point on an image */
  interface XPoint extends AutomationObject {
    readonly [automationClass]: 'XPoint';
    /** A string representation of the point */
    String: PointText;
    /** The horizontal offset of the point from the top left */
    get x(): number;
    set x(value: number | `${number}`);
    /** The vertical offset of the point from the top left */
    get y(): number;
    set y(value: number | `${number}`);
  }

  /** A field of a posted form */
  interface XField extends AutomationObject {
    readonly [automationClass]: 'XField';
    /** The name of the field */
    readonly Name: string;
    /** The MIME type of the field's contents */
    readonly Type: string;
    /** The file name the browser sent */
    readonly Filename: string;
    /** The contents of the field as text */
    readonly Contents: string;
    /** The contents of the field as bytes */
    readonly Data: Buffer;
    /** Sets every value of the field */
    SetValues(inName: string, inType: string, inFilename: string, inContents: string, inData: Uint8Array): void;
  }

  /** A version of the ASP Form object that supports file uploads */
  interface XMultipart extends AutomationObject {
    readonly [automationClass]: 'XMultipart';
    [Symbol.iterator](): Iterator<XField>;
    /** A field by name or by number from 1 */
    Item(inIndex: string | number): XField;
    /** The number of fields */
    readonly Count: number;
    /** Parses a multipart/form-data request body */
    SetData(inData: Uint8Array): void;
    /** The most parts SetData accepts */
    get MaxParts(): number;
    set MaxParts(value: number | `${number}`);
  }
}

declare const vellumax: {
  /** The package's version. */
  readonly version: string;
  /** The folder above the native part's lib/: in a checkout $VX_BUILD_DIR, else <checkout>/build. */
  readonly buildDir: string;
  /** The server module, for registerServer. */
  readonly serverPath: string;
  registerServer(modulePath: string): void;
  unregisterServer(modulePath: string): void;
  /** The registry file in use ($VX_REGISTRY, else a system install's, else the user's default). */
  registryPath(): string;
  createObject(progId: 'Vellumax.Graphic' | 'Vellumax.Graphic.1'): vellumax.Graphic;
  createObject(progId: 'Vellumax.Canvas' | 'Vellumax.Canvas.1'): vellumax.Canvas;
  createObject(progId: 'Vellumax.Gestalt' | 'Vellumax.Gestalt.1'): vellumax.Gestalt;
  createObject(progId: 'Vellumax.XColor' | 'Vellumax.XColor.1'): vellumax.XColor;
  createObject(progId: 'Vellumax.XRect' | 'Vellumax.XRect.1'): vellumax.XRect;
  createObject(progId: 'Vellumax.XPoint' | 'Vellumax.XPoint.1'): vellumax.XPoint;
  createObject(progId: 'Vellumax.XMultipart' | 'Vellumax.XMultipart.1'): vellumax.XMultipart;
  createObject(progIdOrClsid: string): any;
  ActiveXObject: {
    new (progId: 'Vellumax.Graphic' | 'Vellumax.Graphic.1'): vellumax.Graphic;
    new (progId: 'Vellumax.Canvas' | 'Vellumax.Canvas.1'): vellumax.Canvas;
    new (progId: 'Vellumax.Gestalt' | 'Vellumax.Gestalt.1'): vellumax.Gestalt;
    new (progId: 'Vellumax.XColor' | 'Vellumax.XColor.1'): vellumax.XColor;
    new (progId: 'Vellumax.XRect' | 'Vellumax.XRect.1'): vellumax.XRect;
    new (progId: 'Vellumax.XPoint' | 'Vellumax.XPoint.1'): vellumax.XPoint;
    new (progId: 'Vellumax.XMultipart' | 'Vellumax.XMultipart.1'): vellumax.XMultipart;
    new (progId: string): any;
  };
  /** Whether two proxies stand for one object. */
  sameObject(a: unknown, b: unknown): boolean;
  /** A parameter string in which every value is quoted: no value can add or override a keyword. */
  params(values: { [K in vellumax.ParamKeyword]?: vellumax.ParamValue }): string;
  /** The bytes V8 counts as external memory on this thread, pixels of live canvases included. */
  externalMemory(): number;
};

export = vellumax;
