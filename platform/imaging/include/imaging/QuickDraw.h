// Offscreen graphics worlds, pixel maps, colour tables, regions and the per-thread current port.
//
// Pixel layouts of a world:
//   1, 2, 4, 8 bits: indices into the fixed default table of that depth, leftmost pixel in the
//     highest bits. 1 bit: 0 white, 1 black. 2 bits: white, light grey, dark grey, black. 4 bits:
//     the classic 16-colour system table (white first, black last). 8 bits: the 6×6×6 cube from
//     white (index 0) down, then ramps of red, green, blue and grey (0xEE … 0x11), black at 255.
//   16 bits: x-5-5-5 in native byte order (red in bits 10–14); a channel keeps its top 5 bits and
//     reads back as (v << 3) | (v >> 2).
//   32 bits: bytes B, G, R, A (pixelFormat 'BGRA'), straight alpha; new pixels are opaque white.
// Rows are 4-byte aligned, row 0 at the top. Colours are mapped to a depth below 32 by the nearest
// entry of its table (a 32×32×32 inverse table), without dithering unless dithering is asked for.
#pragma once

#include "imaging/MacTypes.h"

struct ColorSpec {
    std::int16_t value;  // the entry's index
    RGBColor rgb;
};
static_assert(sizeof(ColorSpec) == 8);

struct ColorTable {
    std::int32_t ctSeed;
    std::int16_t ctFlags;
    std::int16_t ctSize;  // number of entries − 1
    ColorSpec ctTable[1];
};
using CTabPtr = ColorTable*;
using CTabHandle = CTabPtr*;

struct BitMap {
    Ptr baseAddr;
    std::int16_t rowBytes;
    Rect bounds;
};

constexpr OSType k32BGRAPixelFormat = FourCharCode("BGRA");

struct PixMap {
    Ptr baseAddr;
    // Row bytes | 0x8000 (the pixel-map flag); readers mask with 0x3FFF. Rows longer than 0x3FFF
    // bytes (more than 4095 pixels at 32 bits) cannot be told here: 0x4000 is then set as well and
    // GetPixRowBytes gives the full value, which is always right.
    std::int16_t rowBytes;
    Rect bounds;
    std::int16_t pmVersion;
    std::int16_t packType;
    std::int32_t packSize;
    Fixed hRes;
    Fixed vRes;
    std::int16_t pixelType;  // 0 indexed, 16 direct
    std::int16_t pixelSize;  // 1, 2, 4, 8, 16 or 32
    std::int16_t cmpCount;
    std::int16_t cmpSize;
    OSType pixelFormat;  // 'BGRA' at 32 bits, else the depth
    CTabHandle pmTable;  // the default table for depths up to 8; null for 16 and 32
    void* pmExt;
};
using PixMapPtr = PixMap*;
using PixMapHandle = PixMapPtr*;

struct MacRegion {
    std::uint16_t rgnSize;  // bytes of the whole block
    Rect rgnBBox;
    // followed by a count (int16) and that many rectangles: the region is their union
};
using RgnPtr = MacRegion*;
using RgnHandle = RgnPtr*;

struct Pattern {
    std::uint8_t pat[8];
};

struct PenState {
    Point pnLoc;
    Point pnSize;
    std::int16_t pnMode;
    Pattern pnPat;
};

struct GDevice {
    std::int16_t gdRefNum;
    std::int16_t gdType;
    PixMapHandle gdPMap;
};
using GDPtr = GDevice*;
using GDHandle = GDPtr*;

// A colour port. Fields are read-only for callers; use the calls below to change them.
struct CGrafPort {
    PixMapHandle portPixMap;
    Rect portRect;
    RGBColor rgbFgColor;
    RGBColor rgbBkColor;
    RGBColor rgbOpColor;  // weighs the blending transfer modes; black by default
    PenState pen;
    void* reserved;
};
using CGrafPtr = CGrafPort*;
using GWorldPtr = CGrafPtr;

using GWorldFlags = std::uint32_t;
// results of UpdateGWorld
constexpr GWorldFlags reallocPix = 1u << 0;  // new pixel storage
constexpr GWorldFlags newDepth = 1u << 2;    // depth changed
// options
constexpr GWorldFlags clipPix = 1u << 28;     // keep the pixels where old and new bounds overlap
constexpr GWorldFlags stretchPix = 1u << 29;  // scale the old pixels onto the new bounds
constexpr GWorldFlags ditherPix = 1u << 30;   // dither when the depth goes down
constexpr GWorldFlags gwFlagErr = 1u << 31;   // result: failed, QDError() has the code

// Transfer modes. Dithering (ditherCopy, +64) may be added to any of them.
constexpr short srcCopy = 0;
constexpr short notSrcCopy = 4;  // colour channels inverted, alpha copied
constexpr short addPin = 33;     // d = min(d + s, op), per channel
constexpr short addOver = 34;    // d = (d + s) mod 256
constexpr short subPin = 35;     // d = max(d − s, op)
constexpr short addMax = 37;     // d = max(d, s)
constexpr short subOver = 38;    // d = (d − s) mod 256
constexpr short adMin = 39;      // d = min(d, s)
constexpr short ditherCopy = 64;
// The alpha modes also set the destination alpha to a + da·(255 − a)/255, a being the coverage.
constexpr short graphicsModeStraightAlpha = 256;       // d = (s·a + d·(255 − a)) / 255
constexpr short graphicsModePreWhiteAlpha = 257;       // d = s + (d − 255)·(255 − a) / 255
constexpr short graphicsModePreBlackAlpha = 258;       // d = s + d·(255 − a) / 255
constexpr short graphicsModeStraightAlphaBlend = 260;  // straight alpha with a·op/255 per channel (coverage: max)
// The arithmetic modes keep the destination alpha; srcCopy and notSrcCopy copy the source alpha.
// Divisions by 255 round to nearest; results are clamped to 0…255.

// Worlds. Sides 1 to 32767, depth 1, 2, 4, 8, 16, 32 (0 means 32); -50 otherwise, -108 when the
// pixels cannot be had (at most 1 GiB of pixels). The colour table and device arguments are
// accepted and ignored (every world uses its depth's default table). New pixels are white.
OSErr NewGWorld(GWorldPtr* outWorld, short inPixelDepth, const Rect* inBounds, CTabHandle inTable, GDHandle inDevice,
                GWorldFlags inFlags);
// Re-fit to depth and bounds. With clipPix the pixels at coordinates in both the old and the new
// bounds keep their colour (converted to the new depth, dithered with ditherPix); with stretchPix
// the old picture is scaled onto the new bounds; other new pixels are white. Returns what was done
// (reallocPix, newDepth) or gwFlagErr with QDError() set; on failure the world is as it was.
// Re-fitting moves the pixels: callers must not hold a pixel lock across it.
GWorldFlags UpdateGWorld(GWorldPtr* ioWorld, short inPixelDepth, const Rect* inBounds, CTabHandle inTable,
                         GDHandle inDevice, GWorldFlags inFlags);
void DisposeGWorld(GWorldPtr inWorld);  // when it is the current port, the thread's screen port becomes current
PixMapHandle GetGWorldPixMap(GWorldPtr inWorld);
Boolean LockPixels(PixMapHandle inPixMap);
void UnlockPixels(PixMapHandle inPixMap);
Ptr GetPixBaseAddr(PixMapHandle inPixMap);
long GetPixRowBytes(PixMapHandle inPixMap);
short GetPixDepth(PixMapHandle inPixMap);
Rect* GetPortBounds(CGrafPtr inPort, Rect* outRect);
PixMapHandle GetPortPixMap(CGrafPtr inPort);
const BitMap* GetPortBitMapForCopyBits(CGrafPtr inPort);
// Bits per pixel of a pixel format: the depths 1 … 32 by number, 32 for 'BGRA', 'ARGB', 'ABGR'
// and 'RGBA', 24 for '24RG'; 0 for any other format.
short QTGetPixelSize(OSType inPixelFormat);
// The default colour table of a depth (1, 2, 4, 8): a new handle the caller disposes of.
CTabHandle GetCTable(short inDepth);
void DisposeCTable(CTabHandle inTable);

// The current port and device are per thread; each thread starts on its own empty screen port.
void GetGWorld(CGrafPtr* outPort, GDHandle* outDevice);
void SetGWorld(CGrafPtr inPort, GDHandle inDevice);
GDHandle GetMainDevice();

// Drawing state of the current port.
void RGBForeColor(const RGBColor* inColor);
void RGBBackColor(const RGBColor* inColor);
void GetForeColor(RGBColor* outColor);
void GetBackColor(RGBColor* outColor);
void OpColor(const RGBColor* inColor);
void GetPenState(PenState* outState);
void SetPenState(const PenState* inState);
// Fills the rectangle (port coordinates, clipped to the port) with the foreground colour, opaque;
// the nearest colour of the depth below 32 bits.
void PaintRect(const Rect* inRect);
void EraseRect(const Rect* inRect);  // the same with the background colour

// Copies srcRect of one bit or pixel map onto dstRect of another (scaled when the sizes differ),
// with any transfer mode above, mapping colours between depths, clipped to the optional mask
// region (destination coordinates). A BitMap without the pixel-map flag is 1 bit deep.
// The operation colour is the current port's. QDError() tells the outcome.
void CopyBits(const BitMap* inSource, const BitMap* inDest, const Rect* inSourceRect, const Rect* inDestRect,
              short inMode, RgnHandle inMask);
// The result of the last drawing or world call of the calling thread.
OSErr QDError();

// Regions: unions of rectangles.
RgnHandle NewRgn();
void DisposeRgn(RgnHandle inRegion);
void SetEmptyRgn(RgnHandle ioRegion);
void RectRgn(RgnHandle ioRegion, const Rect* inRect);
void SetRectRgn(RgnHandle ioRegion, short inLeft, short inTop, short inRight, short inBottom);
// ioDest = inA ∪ inB (any of them may be the same region).
void UnionRgn(RgnHandle inA, RgnHandle inB, RgnHandle ioDest);
Boolean EmptyRgn(RgnHandle inRegion);
Boolean PtInRgn(Point inPoint, RgnHandle inRegion);
