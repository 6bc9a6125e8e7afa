<?php
// Written by tools/reference from the server's own tables; do not edit.
// Regenerate with: cmake --build build --target reference
// For editors and static analysis: the extension defines the functions and classes at run
// time; the interfaces say what each object answers, late-bound.

namespace Vellumax;

/**
 * A new object of a registered class, by ProgID or CLSID text.
 *
 * @return ($progId is 'Vellumax.Graphic'|'Vellumax.Graphic.1' ? Graphic : ($progId is 'Vellumax.Canvas'|'Vellumax.Canvas.1' ? Canvas : ($progId is 'Vellumax.Gestalt'|'Vellumax.Gestalt.1' ? Gestalt : ($progId is 'Vellumax.XColor'|'Vellumax.XColor.1' ? XColor : ($progId is 'Vellumax.XRect'|'Vellumax.XRect.1' ? XRect : ($progId is 'Vellumax.XPoint'|'Vellumax.XPoint.1' ? XPoint : ($progId is 'Vellumax.XMultipart'|'Vellumax.XMultipart.1' ? XMultipart : AutomationObject)))))))
 * @throws Exception when the class can't be made
 */
function create(string $progId): AutomationObject {}

/**
 * A parameter string in which every value is quoted: no value can add or override a keyword.
 *
 * @param array<string, string|int|float|bool|AutomationObject|array|null> $values
 */
function params(array $values): string {}

/** Runs a server module's registration entry point, as tools/regsvr does. */
function register_server(string $module): void {}

function unregister_server(string $module): void {}

/** Any object of the server: members late-bound, collections walked with foreach. */
final class AutomationObject implements \IteratorAggregate
{
    public function __call(string $name, array $arguments): mixed {}

    public function getIterator(): \Iterator {}
}

/** What a failed call throws: the code is the HRESULT, the message the description with a hint line. */
class Exception extends \Exception
{
    public string $description = '';
    public string $source = '';
    public ?string $hint = null;
}

/**
 * Tells what a picture file or picture data holds
 *
 * @method void SetFile(mixed $inFile) Reads a picture file
 * @method void SetData(mixed $inData, mixed $inType) Reads a picture held in bytes
 * @property-read mixed $Format The name of the picture's format
 * @property-read mixed $Drawable Whether the picture can be drawn
 * @property-read ?AutomationObject $GraphicImages The images the picture holds
 */
interface Graphic
{
}

/**
 * An object that you can draw and paint onto
 *
 * @property mixed $Depth The color depth: 2, 16, 256, thousands or millions
 * @property mixed $Width The width in pixels
 * @property mixed $Height The height in pixels
 * @property mixed $Color The color of new and erased pixels
 * @property mixed $PaintColor The default color shapes are filled with
 * @property mixed $PenColor The default color shapes are outlined with
 * @property mixed $TextColor The default color of text
 * @property mixed $PenSize The default pen width in pixels
 * @property mixed $TextFont The default font, from a list of font names
 * @property mixed $TextSize The default text size in points
 * @property mixed $TextStyle The default text style words
 * @property mixed $HAlign The default horizontal alignment: left, middle or right
 * @property mixed $VAlign The default vertical alignment: top, middle or bottom
 * @property mixed $Dither Whether colors are dithered when the depth changes and pictures are drawn
 * @property ?AutomationObject $Pattern The canvas painted where a color is the word pattern
 * @method void SetChannel(mixed $inChannel, ?AutomationObject $newVal) Copies a channel of another canvas into this one
 * @method void Erase() Paints every pixel with the canvas color
 * @method void Invert() Inverts every pixel
 * @method void Clear() Releases the pixels
 * @method mixed DrawFile(mixed $inSrc, mixed $inParams) Draws a picture file
 * @method mixed DrawData(mixed $inSrc, mixed $inType, mixed $inParams) Draws a picture held in bytes
 * @method mixed DrawShape(mixed $inShape, mixed $inParams) Draws a shape
 * @method mixed DrawText(mixed $inText, mixed $inParams) Draws text
 * @method mixed DrawCanvas(mixed $inCanvas, mixed $inParams) Draws another canvas
 * @method mixed GetColor(mixed $inLoc) The color of one pixel
 * @method array TextArea(mixed $inText, mixed $inParams) Measures text without drawing it
 * @method mixed TextLength(mixed $inText, mixed $inParams) The number of characters of a text that fit
 * @method void SaveAs(mixed $inFilePath, mixed $inParams) Saves the picture to a file
 * @method mixed GetAs(mixed $inType, mixed $inParams) The picture as the bytes of a file format
 * @property-read int $HBITMAP The bitmap handle of the pixels, 0 without pixels
 * @property mixed $UseColorAlpha Whether new and erased pixels take the alpha of Color; else they are opaque
 * @property mixed $MaxPixels The most pixels this canvas or a picture drawn onto it may have; 0 returns to the MaxPixels setting
 */
interface Canvas
{
}

/**
 * One image of a picture
 *
 * @property-read mixed $Depth The color depth: 2, 4, 16, 256, thousands or millions
 * @property-read mixed $Resolution The resolution in dots per inch
 * @property-read mixed $Rectangle The natural bounds as left, top, right, bottom
 * @method void SetValues(int $inNum, int $inDepth, int $inRes, int $inLeft, int $inTop, int $inRight, int $inBottom) Sets the image number, depth, resolution and bounds
 * @property-read mixed $Orientation The EXIF orientation, 1 to 8: 1 as stored, 3 turned half, 6 and 8 turned a quarter (right, left), 2, 4, 5 and 7 mirrored; 1 when the file records none
 * @property-read mixed $UprightRectangle The natural bounds as drawn with upright=true: Rectangle with width and height swapped for orientations 5 to 8
 */
interface GraphicImage
{
}

/**
 * The images of a picture
 *
 * @method mixed Item(int $inIndex) An image by number from 1
 * @property-read int $Count The number of items
 */
interface GraphicImages extends \Traversable, \Countable
{
}

/**
 * The names of the installed fonts
 *
 * @method mixed Item(int $inIndex) A name by number from 1
 * @property-read int $Count The number of items
 */
interface Fonts extends \Traversable, \Countable
{
}

/**
 * The names of the installed codecs
 *
 * @method mixed Item(int $inIndex) A name by number from 1
 * @property-read int $Count The number of items
 */
interface Codecs extends \Traversable, \Countable
{
}

/**
 * The names of the installed graphics exporters
 *
 * @method mixed Item(int $inIndex) A name by number from 1
 * @property-read int $Count The number of items
 */
interface Exporters extends \Traversable, \Countable
{
}

/**
 * Information about the server's environment
 *
 * @property-read mixed $QuickTime The version of the imaging platform
 * @property-read ?AutomationObject $GraphicsExporters The names of the installed graphics exporters
 * @property-read ?AutomationObject $Fonts The names of the installed fonts
 * @property-read ?AutomationObject $Codecs The names of the installed codecs
 * @property mixed $LogErrors Whether errors are written to the event log
 * @method void Log(mixed $inMessage) Writes a message to the event log
 * @method void Save(mixed $inPath, mixed $inData) Writes bytes to a file
 */
interface Gestalt
{
}

/**
 * An object that describes a color
 *
 * @property mixed $String A string representation of the color
 * @property mixed $Red The red intensity of the color as a percentage
 * @property mixed $Green The green intensity of the color as a percentage
 * @property mixed $Blue The blue intensity of the color as a percentage
 * @property mixed $Alpha The alpha opacity of the color as a percentage
 * @property mixed $RGB The standard RGB color representation
 */
interface XColor
{
}

/**
 * An object that describes a rectangular area on an image
 *
 * @property mixed $String A string representation of the rectangle
 * @property mixed $right The offset of the right edge
 * @property mixed $top The offset of the top edge
 * @property mixed $left The offset of the left edge
 * @property mixed $bottom The offset of the bottom edge
 * @property mixed $TopLeft A string representation of the location of the top left corner point
 * @property mixed $BottomRight A string representation of the location of the bottom right corner point
 * @property-read mixed $Width The width of the rectangle
 * @property-read mixed $Height The height of the rectangle
 */
interface XRect
{
}

/**
 * An object that describes the location of a point on an image
 *
 * @property mixed $String A string representation of the point
 * @property mixed $x The horizontal offset of the point from the top left
 * @property mixed $y The vertical offset of the point from the top left
 */
interface XPoint
{
}

/**
 * A field of a posted form
 *
 * @property-read mixed $Name The name of the field
 * @property-read mixed $Type The MIME type of the field's contents
 * @property-read mixed $Filename The file name the browser sent
 * @property-read mixed $Contents The contents of the field as text
 * @property-read mixed $Data The contents of the field as bytes
 * @method void SetValues(mixed $inName, mixed $inType, mixed $inFilename, mixed $inContents, mixed $inData) Sets every value of the field
 */
interface XField
{
}

/**
 * A version of the ASP Form object that supports file uploads
 *
 * @method mixed Item(mixed $inIndex) A field by name or by number from 1
 * @property-read int $Count The number of fields
 * @method void SetData(mixed $inData) Parses a multipart/form-data request body
 * @property int $MaxParts The most parts SetData accepts
 */
interface XMultipart extends \Traversable, \Countable
{
}
