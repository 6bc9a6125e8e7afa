// Written by tools/reference from the server's own tables; do not edit.
// Regenerate with: cmake --build build --target reference
/// <reference types="node" />

declare namespace vellumax {
  /** What a member taking a value accepts; numbers, text and byte arrays convert both ways. */
  type Value = string | number | boolean | bigint | Uint8Array | AutomationObject | null | undefined;
  /** A value of vx.params: arrays are joined with the list separator. */
  type ParamValue = string | number | boolean | bigint | ReadonlyArray<string | number> | AutomationObject | null | undefined;
  /** Any object of the server. */
  interface AutomationObject {
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

  /** Tells what a picture file or picture data holds */
  interface Graphic extends AutomationObject {
    /** Reads a picture file */
    SetFile(inFile: Value): void;
    /** Reads a picture held in bytes */
    SetData(inData: Value, inType: Value): void;
    /** The name of the picture's format */
    readonly Format: any;
    /** Whether the picture can be drawn */
    readonly Drawable: any;
    /** The images the picture holds */
    readonly GraphicImages: any;
  }

  /** An object that you can draw and paint onto */
  interface Canvas extends AutomationObject {
    /** The color depth: 2, 16, 256, thousands or millions */
    Depth: any;
    /** The width in pixels */
    Width: any;
    /** The height in pixels */
    Height: any;
    /** The color of new and erased pixels */
    Color: any;
    /** The default color shapes are filled with */
    PaintColor: any;
    /** The default color shapes are outlined with */
    PenColor: any;
    /** The default color of text */
    TextColor: any;
    /** The default pen width in pixels */
    PenSize: any;
    /** The default font, from a list of font names */
    TextFont: any;
    /** The default text size in points */
    TextSize: any;
    /** The default text style words */
    TextStyle: any;
    /** The default horizontal alignment: left, middle or right */
    HAlign: any;
    /** The default vertical alignment: top, middle or bottom */
    VAlign: any;
    /** Whether colors are dithered when the depth changes and pictures are drawn */
    Dither: any;
    /** The canvas painted where a color is the word pattern */
    Pattern: any;
    /** Copies a channel of another canvas into this one */
    SetChannel(inChannel: Value, newVal: AutomationObject | null): void;
    /** Paints every pixel with the canvas color */
    Erase(): void;
    /** Inverts every pixel */
    Invert(): void;
    /** Releases the pixels */
    Clear(): void;
    /** Draws a picture file */
    DrawFile(inSrc: Value, inParams: Value): any;
    /** Draws a picture held in bytes */
    DrawData(inSrc: Value, inType: Value, inParams: Value): any;
    /** Draws a shape */
    DrawShape(inShape: Value, inParams: Value): any;
    /** Draws text */
    DrawText(inText: Value, inParams: Value): any;
    /** Draws another canvas */
    DrawCanvas(inCanvas: Value, inParams: Value): any;
    /** The color of one pixel */
    GetColor(inLoc: Value): any;
    /** Measures text without drawing it */
    TextArea(inText: Value, inParams: Value, outWidth?: undefined, outHeight?: undefined, outLineH?: undefined): any[];
    /** The number of characters of a text that fit */
    TextLength(inText: Value, inParams: Value): any;
    /** Saves the picture to a file */
    SaveAs(inFilePath: Value, inParams: Value): void;
    /** The picture as the bytes of a file format */
    GetAs(inType: Value, inParams: Value): any;
    /** The bitmap handle of the pixels, 0 without pixels */
    readonly HBITMAP: number;
    /** Whether new and erased pixels take the alpha of Color; else they are opaque */
    UseColorAlpha: any;
    /** The most pixels this canvas or a picture drawn onto it may have; 0 returns to the MaxPixels setting */
    MaxPixels: any;
  }

  /** One image of a picture */
  interface GraphicImage extends AutomationObject {
    /** The color depth: 2, 4, 16, 256, thousands or millions */
    readonly Depth: any;
    /** The resolution in dots per inch */
    readonly Resolution: any;
    /** The natural bounds as left, top, right, bottom */
    readonly Rectangle: any;
    /** Sets the image number, depth, resolution and bounds */
    SetValues(inNum: number, inDepth: number, inRes: number, inLeft: number, inTop: number, inRight: number, inBottom: number): void;
  }

  /** The images of a picture */
  interface GraphicImages extends AutomationObject {
    [Symbol.iterator](): Iterator<any>;
    /** An image by number from 1 */
    Item(inIndex: number): any;
    /** The number of items */
    readonly Count: number;
  }

  /** The names of the installed fonts */
  interface Fonts extends AutomationObject {
    [Symbol.iterator](): Iterator<any>;
    /** A name by number from 1 */
    Item(inIndex: number): any;
    /** The number of items */
    readonly Count: number;
  }

  /** The names of the installed codecs */
  interface Codecs extends AutomationObject {
    [Symbol.iterator](): Iterator<any>;
    /** A name by number from 1 */
    Item(inIndex: number): any;
    /** The number of items */
    readonly Count: number;
  }

  /** The names of the installed graphics exporters */
  interface Exporters extends AutomationObject {
    [Symbol.iterator](): Iterator<any>;
    /** A name by number from 1 */
    Item(inIndex: number): any;
    /** The number of items */
    readonly Count: number;
  }

  /** Information about the server's environment */
  interface Gestalt extends AutomationObject {
    /** The version of the imaging platform */
    readonly QuickTime: any;
    /** The names of the installed graphics exporters */
    readonly GraphicsExporters: any;
    /** The names of the installed fonts */
    readonly Fonts: any;
    /** The names of the installed codecs */
    readonly Codecs: any;
    /** Whether errors are written to the event log */
    LogErrors: any;
    /** Writes a message to the event log */
    Log(inMessage: Value): void;
    /** Writes bytes to a file */
    Save(inPath: Value, inData: Value): void;
  }

  /** An object that describes a color */
  interface XColor extends AutomationObject {
    /** A string representation of the color */
    String: any;
    /** The red intensity of the color as a percentage */
    Red: any;
    /** The green intensity of the color as a percentage */
    Green: any;
    /** The blue intensity of the color as a percentage */
    Blue: any;
    /** The alpha opacity of the color as a percentage */
    Alpha: any;
    /** The standard RGB color representation */
    RGB: any;
  }

  /** An object that describes a rectangular area on an image */
  interface XRect extends AutomationObject {
    /** A string representation of the rectangle */
    String: any;
    /** The offset of the right edge */
    right: any;
    /** The offset of the top edge */
    top: any;
    /** The offset of the left edge */
    left: any;
    /** The offset of the bottom edge */
    bottom: any;
    /** A string representation of the location of the top left corner point */
    TopLeft: any;
    /** A string representation of the location of the bottom right corner point */
    BottomRight: any;
    /** The width of the rectangle */
    readonly Width: any;
    /** The height of the rectangle */
    readonly Height: any;
  }

  /** An object that describes the location of a point on an image */
  interface XPoint extends AutomationObject {
    /** A string representation of the point */
    String: any;
    /** The horizontal offset of the point from the top left */
    x: any;
    /** The vertical offset of the point from the top left */
    y: any;
  }

  /** A field of a posted form */
  interface XField extends AutomationObject {
    /** The name of the field */
    readonly Name: any;
    /** The MIME type of the field's contents */
    readonly Type: any;
    /** The file name the browser sent */
    readonly Filename: any;
    /** The contents of the field as text */
    readonly Contents: any;
    /** The contents of the field as bytes */
    readonly Data: any;
    /** Sets every value of the field */
    SetValues(inName: Value, inType: Value, inFilename: Value, inContents: Value, inData: Value): void;
  }

  /** A version of the ASP Form object that supports file uploads */
  interface XMultipart extends AutomationObject {
    [Symbol.iterator](): Iterator<any>;
    /** A field by name or by number from 1 */
    Item(inIndex: Value): any;
    /** The number of fields */
    readonly Count: number;
    /** Parses a multipart/form-data request body */
    SetData(inData: Value): void;
    /** The most parts SetData accepts */
    MaxParts: number;
  }
}

declare const vellumax: {
  /** The build folder the native part is loaded from ($VX_BUILD_DIR, else <checkout>/build). */
  readonly buildDir: string;
  /** The server module, for registerServer. */
  readonly serverPath: string;
  registerServer(modulePath: string): void;
  unregisterServer(modulePath: string): void;
  /** The registry file in use ($VX_REGISTRY, else the user's default). */
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
  params(values: { [keyword: string]: vellumax.ParamValue }): string;
  /** The bytes V8 counts as external memory on this thread, pixels of live canvases included. */
  externalMemory(): number;
};

export = vellumax;
