// The 2D drawing layer's vocabulary, in the classic device-context style.
//
// Conventions of this layer:
// - Handles are numbers in tables of live objects, never pointers; a stale or
//   made-up handle is refused (0 / FALSE, last error 6).
// - Failures return 0 (or null, CLR_INVALID) and set this layer's per-thread
//   last error (GdiGetLastError), a Windows-style error number.
// - Bitmaps wrap memory they do not own: rows run top-down (row 0 is the top
//   row), rowBytes apart. 32 bits: bytes B, G, R, A with straight alpha;
//   16 bits: x-5-5-5 little-endian words; 1/2/4/8 bits: palette indices,
//   packed from the most significant bit.
// - Pixel geometry: coordinates name pixels; pixel (x, y) covers the square
//   from (x, y) to (x + 1, y + 1). Shapes are not antialiased: a pixel is
//   painted when its centre lies inside. Fills of rectangles, ellipses and
//   polygons cover the interior with the right and bottom edges exclusive.
//   In GM_ADVANCED, Rectangle, RoundRect and Ellipse are inclusive of right
//   and bottom; in GM_COMPATIBLE their right and bottom coordinates are one
//   past the shape. With a pen of width w (integer division throughout):
//   - the outline of a rectangle, rounded rectangle or polygon runs on its
//     coordinates c, and the stroke covers the pixels c - w/2 ... c + (w-1)/2;
//   - the stroke of Ellipse(l, t, r, b) covers the pixels l - (w-1)/2 ...
//     r + (w-1)/2 (likewise vertically): centred on the middle of l..r, half
//     a pixel further in for even pens.
//   So strokes on Rectangle(L + w/2, T + w/2, R - (w+1)/2, B - (w+1)/2) and on
//   Ellipse(L + (w-1)/2, T + (w-1)/2, R - (w+1)/2, B - (w+1)/2) cover exactly
//   the pixels L..R-1, T..B-1.
// - Drawing onto a store: shapes write their colour and alpha 255;
//   antialiased text is composited over what was there (straight alpha);
//   pixels not drawn keep their bytes exactly. Stores
//   below 32 bits receive the nearest colour they can hold (squared RGB
//   distance, no dithering).
// - Text is UTF-8 ("ANSI"); lengths and counts are in bytes.
// - A device context is used by one thread at a time; distinct device
//   contexts may be used on distinct threads.
#pragma once

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = std::uint32_t;
using COLORREF = std::uint32_t;  // 0x00BBGGRR
using HGDIOBJ = std::uint32_t;   // handles are numbers in tables of live objects, never pointers
using HDC = std::uint32_t;
using HBITMAP = std::uint32_t;
using HPEN = std::uint32_t;
using HBRUSH = std::uint32_t;
using HFONT = std::uint32_t;
using HWND = std::uint32_t;
using LPARAM = std::intptr_t;

struct POINT {
    std::int32_t x;
    std::int32_t y;
};

struct RECT {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

struct SIZE {
    std::int32_t cx;
    std::int32_t cy;
};

constexpr int LF_FACESIZE = 32;
constexpr int LF_FULLFACESIZE = 64;

struct LOGFONTA {
    std::int32_t lfHeight;
    std::int32_t lfWidth;
    std::int32_t lfEscapement;
    std::int32_t lfOrientation;
    std::int32_t lfWeight;
    std::uint8_t lfItalic;
    std::uint8_t lfUnderline;
    std::uint8_t lfStrikeOut;
    std::uint8_t lfCharSet;
    std::uint8_t lfOutPrecision;
    std::uint8_t lfClipPrecision;
    std::uint8_t lfQuality;
    std::uint8_t lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];
};

struct ENUMLOGFONTEXA {
    LOGFONTA elfLogFont;
    char elfFullName[LF_FULLFACESIZE];
    char elfStyle[LF_FACESIZE];
    char elfScript[LF_FACESIZE];
};

struct TEXTMETRICA {
    LONG tmHeight;  // tmAscent + tmDescent: the line height of DrawText
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    char tmFirstChar;
    char tmLastChar;
    char tmDefaultChar;
    char tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};

using FONTENUMPROCA = int (*)(const ENUMLOGFONTEXA* inFont, const void* inMetrics, std::uint32_t inFontType,
                              LPARAM inParam);

constexpr std::uint8_t ANSI_CHARSET = 0;
constexpr std::uint8_t DEFAULT_CHARSET = 1;
constexpr std::uint32_t TRUETYPE_FONTTYPE = 4;

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAP {
    LONG bmType;  // 0
    LONG bmWidth;
    LONG bmHeight;  // positive; rows are top-down in memory (see biHeight)
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

struct BITMAPINFOHEADER {
    DWORD biSize;  // 40
    LONG biWidth;
    LONG biHeight;  // negative: rows are top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;  // BI_RGB (0)
    DWORD biSizeImage;    // rowBytes * height
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;  // palette entries of an indexed bitmap, else 0
    DWORD biClrImportant;
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    std::uint32_t dshSection;  // 0: the memory belongs to the caller
    DWORD dsOffset;
};

struct XFORM {
    float eM11;
    float eM12;
    float eM21;
    float eM22;
    float eDx;
    float eDy;
};

struct DRAWTEXTPARAMS {
    UINT cbSize;     // 20
    int iTabLength;  // in average character widths
    int iLeftMargin;
    int iRightMargin;
    UINT uiLengthDrawn;  // out: bytes of the whole lines laid out (and drawn)
};

// Last error of this layer, per thread (Windows error numbers: 6 invalid
// handle, 8 out of memory, 87 invalid parameter, 170 busy (object selected),
// 1003 cannot complete (no path)). Named apart from the automation runtime's
// constants, which share the numbers.
constexpr DWORD kGdiErrorInvalidHandle = 6;
constexpr DWORD kGdiErrorNoMemory = 8;
constexpr DWORD kGdiErrorInvalidParameter = 87;
constexpr DWORD kGdiErrorBusy = 170;
constexpr DWORD kGdiErrorCannotComplete = 1003;
DWORD GdiGetLastError();
void GdiSetLastError(DWORD inError);

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr COLORREF RGB(int inRed, int inGreen, int inBlue)
{
    return static_cast<COLORREF>((inRed & 0xFF) | ((inGreen & 0xFF) << 8) | ((inBlue & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF inColor)
{
    return inColor & 0xFF;
}
constexpr int GetGValue(COLORREF inColor)
{
    return (inColor >> 8) & 0xFF;
}
constexpr int GetBValue(COLORREF inColor)
{
    return (inColor >> 16) & 0xFF;
}
int MulDiv(int inNumber, int inNumerator, int inDenominator);  // rounded; -1 when inDenominator is 0

// ---- Bitmaps -------------------------------------------------------------

// A bitmap over caller-owned pixels (not copied, not freed). inHeight > 0;
// rows top-down. inBitsPerPixel 1, 2, 4, 8, 16 or 32. Indexed depths take
// up to 2^bits palette entries (copied). 0 on failure (87).
HBITMAP CreateDIBSectionOnPixels(int inWidth, int inHeight, int inBitsPerPixel, int inRowBytes, void* inBits,
                                 const RGBQUAD* inPalette, int inPaletteCount);
// Bitmaps: fills a BITMAP (inSize at least sizeof(BITMAP), below
// sizeof(DIBSECTION)) or a DIBSECTION; fonts: fills the LOGFONTA they were
// made from. Returns the bytes written; with outData null, the size needed.
int GetObjectA(HGDIOBJ inObject, int inSize, void* outData);
// Palette of an indexed bitmap: copies entries [inStart, inStart + inCount); returns how many.
UINT GetBitmapColorTable(HBITMAP inBitmap, UINT inStart, UINT inCount, RGBQUAD* outColors);
UINT GetDIBColorTable(HDC inDC, UINT inStart, UINT inCount, RGBQUAD* outColors);  // of the DC's bitmap
// Refused (170) while the object is selected into a device context; stock
// objects are never deleted (TRUE).
BOOL DeleteObject(HGDIOBJ inObject);

// ---- Device contexts -----------------------------------------------------

// A device context drawing into the bitmap's pixels; the bitmap cannot be
// deleted while the context lives.
HDC CreateDCOnBitmap(HBITMAP inBitmap);
BOOL DeleteDC(HDC inDC);
// A device context for the screen (font enumeration, resolution queries); 0 on failure.
HDC GetDC(HWND inWindow);
int ReleaseDC(HWND inWindow, HDC inDC);

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
int GetDeviceCaps(HDC inDC, int inIndex);  // 96 dots per inch

constexpr int MM_TEXT = 1;
int SetMapMode(HDC inDC, int inMode);  // only MM_TEXT; old mode, 0 on failure
int GetMapMode(HDC inDC);

constexpr int GM_COMPATIBLE = 1;
constexpr int GM_ADVANCED = 2;
// Back to GM_COMPATIBLE only with the identity transform (as classic).
int SetGraphicsMode(HDC inDC, int inMode);
int GetGraphicsMode(HDC inDC);

constexpr DWORD MWT_IDENTITY = 1;
constexpr DWORD MWT_LEFTMULTIPLY = 2;
constexpr DWORD MWT_RIGHTMULTIPLY = 3;
BOOL SetWorldTransform(HDC inDC, const XFORM* inTransform);  // GM_ADVANCED only
BOOL GetWorldTransform(HDC inDC, XFORM* outTransform);
BOOL ModifyWorldTransform(HDC inDC, const XFORM* inTransform, DWORD inMode);

// Returns the object of the same kind selected before; bitmaps cannot be selected (0).
HGDIOBJ SelectObject(HDC inDC, HGDIOBJ inObject);

constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;
HGDIOBJ GetStockObject(int inIndex);

constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;
HPEN CreatePen(int inStyle, int inWidth, COLORREF inColor);  // width 0 or 1: one pixel
HBRUSH CreateSolidBrush(COLORREF inColor);
// Copies the bitmap's pixels now; tiles them from the device origin (alpha ignored).
HBRUSH CreatePatternBrush(HBITMAP inBitmap);

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr DWORD ANTIALIASED_QUALITY = 4;
// inHeight < 0: character (em) height in pixels; > 0: cell height (ascent +
// descent); 0: a default size. The face resolves through the font catalogue:
// the family of that name, else the first family (in enumeration order)
// whose name begins with it (case-insensitive), else DejaVu Sans. Width,
// escapement and orientation are not used (the world transform turns text).
HFONT CreateFontA(int inHeight, int inWidth, int inEscapement, int inOrientation, int inWeight, DWORD inItalic,
                  DWORD inUnderline, DWORD inStrikeOut, DWORD inCharSet, DWORD inOutPrecision, DWORD inClipPrecision,
                  DWORD inQuality, DWORD inPitchAndFamily, const char* inFaceName);
HFONT CreateFontIndirectA(const LOGFONTA* inLogFont);
// The family a face name resolves to (as CreateFontA does); returns its length, 0 if outName is too small.
int GdiResolveFamily(const char* inFaceName, char* outName, int inSize);
// Changes whenever the installed families change (looked for as an enumeration
// does), so that what a caller derived from an enumeration can be kept until then.
std::uint64_t GdiFontCatalogueGeneration();

// Extension: the opacity (0..255) the selected pen, a solid brush and the
// text colour draw with on this context; 255 each when it is made. Below
// 255 they are composited over the pixels (straight alpha) instead of
// written: a shape's pen over its fill, text by its antialiased coverage.
// Patterns and the background colour stay opaque. FALSE for a handle that
// is not a live device context.
BOOL GdiSetDrawAlpha(HDC inDC, BYTE inPen, BYTE inBrush, BYTE inText);
COLORREF SetTextColor(HDC inDC, COLORREF inColor);  // old colour; CLR_INVALID on failure
COLORREF GetTextColor(HDC inDC);
COLORREF SetBkColor(HDC inDC, COLORREF inColor);
COLORREF GetBkColor(HDC inDC);
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
int SetBkMode(HDC inDC, int inMode);  // old mode, 0 on failure
int GetBkMode(HDC inDC);
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;
int SetPolyFillMode(HDC inDC, int inMode);  // old mode; ALTERNATE is the default

// (inX, inY) are world coordinates, like every other coordinate of a device context.
COLORREF GetPixel(HDC inDC, int inX, int inY);                    // CLR_INVALID outside the bitmap
COLORREF SetPixel(HDC inDC, int inX, int inY, COLORREF inColor);  // the colour set (nearest held)
BOOL GdiFlush();
// Until GdiUnpinDC, calls on this thread that name inDC find it without the
// handle table, which they would otherwise consult once each. A pinned
// context that is deleted is refused as before, though it lets go of its
// selections only when unpinned. One context at a time per thread: a new pin
// replaces the old. FALSE (and nothing pinned) for a handle that is not a
// live device context.
BOOL GdiPinDC(HDC inDC);
void GdiUnpinDC();

// ---- Shapes and paths -----------------------------------------------------
// Between BeginPath and EndPath, shapes and text are recorded (text as glyph
// outlines) instead of drawn. Outside a path a shape is filled with the brush
// and outlined with the pen.

BOOL Rectangle(HDC inDC, int inLeft, int inTop, int inRight, int inBottom);
BOOL Ellipse(HDC inDC, int inLeft, int inTop, int inRight, int inBottom);
BOOL RoundRect(HDC inDC, int inLeft, int inTop, int inRight, int inBottom, int inCornerWidth, int inCornerHeight);
BOOL Polygon(HDC inDC, const POINT* inPoints, int inCount);   // closed, at least 2 points
BOOL Polyline(HDC inDC, const POINT* inPoints, int inCount);  // open, pen only, at least 2 points
BOOL BeginPath(HDC inDC);
BOOL EndPath(HDC inDC);
BOOL AbortPath(HDC inDC);
BOOL StrokePath(HDC inDC);  // each of these consumes the path
BOOL FillPath(HDC inDC);
BOOL StrokeAndFillPath(HDC inDC);

// ---- Text -----------------------------------------------------------------

// Text with its cell's top-left corner at (inX, inY).
BOOL TextOutA(HDC inDC, int inX, int inY, const char* inText, int inLength);
constexpr UINT ETO_OPAQUE = 2;
constexpr UINT ETO_CLIPPED = 4;
// inSpacing is not used.
BOOL ExtTextOutA(HDC inDC, int inX, int inY, UINT inOptions, const RECT* inRect, const char* inText, UINT inLength,
                 const int* inSpacing);
BOOL GetTextMetricsA(HDC inDC, TEXTMETRICA* outMetrics);
BOOL GetTextExtentPoint32A(HDC inDC, const char* inText, int inLength, SIZE* outSize);

constexpr UINT DT_LEFT = 0x0;
constexpr UINT DT_CENTER = 0x1;
constexpr UINT DT_RIGHT = 0x2;
constexpr UINT DT_VCENTER = 0x4;  // with DT_SINGLELINE
constexpr UINT DT_BOTTOM = 0x8;   // with DT_SINGLELINE
constexpr UINT DT_WORDBREAK = 0x10;
constexpr UINT DT_SINGLELINE = 0x20;
constexpr UINT DT_EXPANDTABS = 0x40;
constexpr UINT DT_TABSTOP = 0x80;  // tab length in the format's bits 8..15
constexpr UINT DT_NOCLIP = 0x100;
constexpr UINT DT_CALCRECT = 0x400;
constexpr UINT DT_NOPREFIX = 0x800;
constexpr UINT DT_EDITCONTROL = 0x2000;
// This layer's own: lines are laid out only until the block reaches ioRect's
// bottom (at least one line), so that text far below costs nothing; with
// DT_CALCRECT the height returned and the rectangle bound those lines.
constexpr UINT DT_STOPATBOTTOM = 0x40000000;

// Lays out and draws text in inRect. Lines break at line feeds and, with
// DT_WORDBREAK, at blanks; with DT_EDITCONTROL a word longer than the line is
// broken at the character that overflows, and a last line that would be only
// partly visible is neither drawn nor counted. Tabs always advance to the
// next stop: every iTabLength (DrawTextExA), else the DT_TABSTOP length, else
// 4 average character widths. Drawing is clipped to inRect unless
// DT_NOCLIP. With DT_CALCRECT nothing is drawn and inRect is made to bound the
// text. Returns the height of the laid-out text (lines x tmHeight), 0 for
// empty text or on failure. "&" is not a prefix character here.
int DrawTextA(HDC inDC, const char* inText, int inLength, RECT* ioRect, UINT inFormat);
int DrawTextExA(HDC inDC, const char* inText, int inLength, RECT* ioRect, UINT inFormat, DRAWTEXTPARAMS* ioParams);
// This layer's own: bytes of text the calling thread has had shaped, to lay
// text out and to draw it, since it started; what a text call costs.
unsigned long long GdiTextBytesShaped();

// ---- Font catalogue -----------------------------------------------------

// Calls inProc once per installed font family, in a stable order (sorted,
// case-insensitive), until it returns 0; returns the last value inProc
// returned (1 when there were none). elfFullName is the family name
// (truncated to 63 characters), elfLogFont.lfFaceName its first 31.
// inLogFont->lfFaceName, when not empty, picks one family (exact name).
// ANSI_CHARSET lists families that hold Latin letters; DEFAULT_CHARSET all.
// The family list is cached and refreshed when the font configuration changes.
int EnumFontFamiliesExA(HDC inDC, LOGFONTA* inLogFont, FONTENUMPROCA inProc, LPARAM inParam, std::uint32_t inFlags);
