// A bitmap over caller-owned pixel memory: reads and writes colours at its
// depth, and takes drawn layers back into its pixels.
#pragma once

#include "GdiObject.h"

#include <cairo.h>
#include <cstdint>
#include <vector>

class DibSection : public GdiObject {
public:
    // Checks the geometry; null when it is not usable.
    static std::shared_ptr<DibSection> Make(int inWidth, int inHeight, int inBitsPerPixel, int inRowBytes, void* inBits,
                                            const RGBQUAD* inPalette, int inPaletteCount);

    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    int BitsPerPixel() const { return mBitsPerPixel; }
    int RowBytes() const { return mRowBytes; }
    void* Bits() const { return mBits; }
    const std::vector<RGBQUAD>& Palette() const { return mPalette; }

    // 0xAARRGGBB with straight alpha (255 for depths without alpha).
    std::uint32_t ReadArgb(int inX, int inY) const;
    // Stores the nearest colour the depth holds; returns what it stored (as ReadArgb).
    std::uint32_t WriteArgb(int inX, int inY, std::uint32_t inArgb);
    // Composites a premultiplied ARGB32 layer whose top-left pixel lies at
    // (inLeft, inTop), over the pixels; untouched (alpha 0) pixels keep their bytes.
    void Composite(cairo_surface_t* inLayer, int inLeft, int inTop);
    // An opaque RGB24 copy of the pixels.
    cairo_surface_t* CopyToSurface() const;

private:
    DibSection() : GdiObject(GdiKind::kBitmap) {}
    std::uint8_t NearestIndex(std::uint32_t inRgb);

    int mWidth = 0;
    int mHeight = 0;
    int mBitsPerPixel = 32;
    int mRowBytes = 0;
    std::uint8_t* mBits = nullptr;
    std::vector<RGBQUAD> mPalette;
    // Direct-mapped cache of nearest palette indices, keyed by 24-bit colour.
    std::vector<std::uint32_t> mNearestCache;
};
