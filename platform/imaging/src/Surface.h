// A view of pixels in any of the supported layouts, read and written a row segment at a time as
// B, G, R, A bytes.
#pragma once

#include "imaging/MacTypes.h"

#include <cstddef>
#include <cstdint>

namespace vximaging {

struct Surface {
    std::uint8_t* mTopRow = nullptr;  // address of the top row
    std::ptrdiff_t mStride = 0;       // bytes from one row to the next one down (negative: bottom-up)
    int mLeft = 0;                    // coordinates of the top-left pixel
    int mTop = 0;
    int mWidth = 0;
    int mHeight = 0;
    int mDepth = 32;                          // 1, 2, 4, 8, 16, 24 (sources only) or 32
    const std::uint32_t* mPalette = nullptr;  // 256 entries as B, G, R, A, for depths up to 8

    std::uint8_t* Row(int inY) const { return mTopRow + std::ptrdiff_t(inY - mTop) * mStride; }
};

// Pixels inX … inX + inCount − 1 of row inY (surface coordinates, all inside) as B, G, R, A.
// For 32-bit surfaces the row itself is returned; otherwise the pixels are converted into
// ioScratch (room for inCount pixels), which is returned.
const std::uint8_t* FetchRow(const Surface& inSurface, int inY, int inX, int inCount, std::uint8_t* ioScratch);

// Stores B, G, R, A pixels into a destination surface (depth 1 … 32, not 24), mapping to the
// nearest colour of the depth; with inDither an ordered dither pattern (by position) comes first.
void StoreRow(const Surface& inSurface, int inY, int inX, int inCount, const std::uint8_t* inPixels, bool inDither);

// Bytes of a row of inWidth pixels, 4-byte aligned.
std::ptrdiff_t AlignedRowBytes(int inWidth, int inDepth);

}  // namespace vximaging
