#include "DibSection.h"

#include "CairoOwners.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace {

// 5-bit level → 8 bits, replicating the top bits into the low ones.
constexpr std::uint32_t Expand5(std::uint32_t inLevel)
{
    return (inLevel << 3) | (inLevel >> 2);
}

const std::array<std::uint8_t, 256>& NearestLevel5()
{
    static const std::array<std::uint8_t, 256> sTable = [] {
        std::array<std::uint8_t, 256> theTable{};
        for (int theValue = 0; theValue < 256; ++theValue) {
            int theBest = 0;
            int theBestDistance = 1 << 30;
            for (int theLevel = 0; theLevel < 32; ++theLevel) {
                const int theDistance = std::abs(static_cast<int>(Expand5(theLevel)) - theValue);
                if (theDistance < theBestDistance) {
                    theBest = theLevel;
                    theBestDistance = theDistance;
                }
            }
            theTable[theValue] = static_cast<std::uint8_t>(theBest);
        }
        return theTable;
    }();
    return sTable;
}

constexpr std::uint32_t kCacheSize = 4096;
constexpr std::uint32_t kCacheEmpty = 0xFFFFFFFF;

}  // namespace

std::shared_ptr<DibSection> DibSection::Make(int inWidth, int inHeight, int inBitsPerPixel, int inRowBytes,
                                             void* inBits, const RGBQUAD* inPalette, int inPaletteCount)
{
    const bool theDepthOk = inBitsPerPixel == 1 || inBitsPerPixel == 2 || inBitsPerPixel == 4 || inBitsPerPixel == 8 ||
                            inBitsPerPixel == 16 || inBitsPerPixel == 32;
    if (!theDepthOk || inWidth < 1 || inHeight < 1 || inBits == nullptr || inWidth > 32767 || inHeight > 32767) {
        return nullptr;
    }
    const std::int64_t theMinRowBytes = (static_cast<std::int64_t>(inWidth) * inBitsPerPixel + 7) / 8;
    if (inRowBytes < theMinRowBytes) {
        return nullptr;
    }
    const int theMaxColors = inBitsPerPixel <= 8 ? 1 << inBitsPerPixel : 0;
    if (inPaletteCount < 0 || inPaletteCount > theMaxColors || (inPaletteCount > 0 && inPalette == nullptr)) {
        return nullptr;
    }
    if (theMaxColors > 0 && inPaletteCount == 0) {
        return nullptr;  // an indexed store needs its colours
    }
    std::shared_ptr<DibSection> theBitmap(new DibSection());
    theBitmap->mWidth = inWidth;
    theBitmap->mHeight = inHeight;
    theBitmap->mBitsPerPixel = inBitsPerPixel;
    theBitmap->mRowBytes = inRowBytes;
    theBitmap->mBits = static_cast<std::uint8_t*>(inBits);
    theBitmap->mPalette.assign(inPalette, inPalette + inPaletteCount);
    if (theMaxColors > 0) {
        theBitmap->mNearestCache.assign(kCacheSize * 2, kCacheEmpty);
    }
    return theBitmap;
}

std::uint32_t DibSection::ReadArgb(int inX, int inY) const
{
    const std::uint8_t* theRow = mBits + static_cast<std::ptrdiff_t>(inY) * mRowBytes;
    switch (mBitsPerPixel) {
    case 32: {
        const std::uint8_t* thePixel = theRow + inX * 4;
        return (std::uint32_t(thePixel[3]) << 24) | (std::uint32_t(thePixel[2]) << 16) |
               (std::uint32_t(thePixel[1]) << 8) | thePixel[0];
    }
    case 16: {
        const std::uint32_t theWord = theRow[inX * 2] | (std::uint32_t(theRow[inX * 2 + 1]) << 8);
        return 0xFF000000 | (Expand5((theWord >> 10) & 31) << 16) | (Expand5((theWord >> 5) & 31) << 8) |
               Expand5(theWord & 31);
    }
    default: {
        const int theBit = inX * mBitsPerPixel;
        const int theShift = 8 - mBitsPerPixel - (theBit & 7);
        const std::uint32_t theIndex = (theRow[theBit >> 3] >> theShift) & ((1u << mBitsPerPixel) - 1);
        if (theIndex >= mPalette.size()) {
            return 0xFF000000;
        }
        const RGBQUAD& theColor = mPalette[theIndex];
        return 0xFF000000 | (std::uint32_t(theColor.rgbRed) << 16) | (std::uint32_t(theColor.rgbGreen) << 8) |
               theColor.rgbBlue;
    }
    }
}

std::uint8_t DibSection::NearestIndex(std::uint32_t inRgb)
{
    const std::uint32_t theKey = inRgb & 0xFFFFFF;
    const std::uint32_t theSlot = ((theKey * 2654435761u) >> 20) % kCacheSize;
    if (mNearestCache[theSlot * 2] == theKey) {
        return static_cast<std::uint8_t>(mNearestCache[theSlot * 2 + 1]);
    }
    const int theRed = (theKey >> 16) & 0xFF;
    const int theGreen = (theKey >> 8) & 0xFF;
    const int theBlue = theKey & 0xFF;
    std::uint32_t theBest = 0;
    int theBestDistance = 1 << 30;
    for (std::size_t theIndex = 0; theIndex < mPalette.size(); ++theIndex) {
        const RGBQUAD& theColor = mPalette[theIndex];
        const int theDr = theColor.rgbRed - theRed;
        const int theDg = theColor.rgbGreen - theGreen;
        const int theDb = theColor.rgbBlue - theBlue;
        const int theDistance = theDr * theDr + theDg * theDg + theDb * theDb;
        if (theDistance < theBestDistance) {
            theBest = static_cast<std::uint32_t>(theIndex);
            theBestDistance = theDistance;
            if (theDistance == 0) {
                break;
            }
        }
    }
    mNearestCache[theSlot * 2] = theKey;
    mNearestCache[theSlot * 2 + 1] = theBest;
    return static_cast<std::uint8_t>(theBest);
}

std::uint32_t DibSection::WriteArgb(int inX, int inY, std::uint32_t inArgb)
{
    std::uint8_t* theRow = mBits + static_cast<std::ptrdiff_t>(inY) * mRowBytes;
    switch (mBitsPerPixel) {
    case 32: {
        std::uint8_t* thePixel = theRow + inX * 4;
        thePixel[0] = inArgb & 0xFF;
        thePixel[1] = (inArgb >> 8) & 0xFF;
        thePixel[2] = (inArgb >> 16) & 0xFF;
        thePixel[3] = (inArgb >> 24) & 0xFF;
        return inArgb;
    }
    case 16: {
        const auto& theLevels = NearestLevel5();
        const std::uint32_t theWord = (std::uint32_t(theLevels[(inArgb >> 16) & 0xFF]) << 10) |
                                      (std::uint32_t(theLevels[(inArgb >> 8) & 0xFF]) << 5) | theLevels[inArgb & 0xFF];
        theRow[inX * 2] = theWord & 0xFF;
        theRow[inX * 2 + 1] = (theWord >> 8) & 0xFF;
        break;
    }
    default: {
        const std::uint8_t theIndex = NearestIndex(inArgb);
        const int theBit = inX * mBitsPerPixel;
        const int theShift = 8 - mBitsPerPixel - (theBit & 7);
        const std::uint8_t theMask = static_cast<std::uint8_t>(((1u << mBitsPerPixel) - 1) << theShift);
        std::uint8_t& theByte = theRow[theBit >> 3];
        theByte = static_cast<std::uint8_t>((theByte & ~theMask) | ((theIndex << theShift) & theMask));
        break;
    }
    }
    return ReadArgb(inX, inY);
}

namespace {

// Straight-alpha "over" of a premultiplied layer pixel onto a store pixel
// (both 0xAARRGGBB, the store's alpha straight).
// x / 255, rounded, for x up to 255 * 255.
constexpr std::uint32_t Div255(std::uint32_t inValue)
{
    return (inValue + 128 + ((inValue + 128) >> 8)) >> 8;
}

std::uint32_t Over(std::uint32_t inLayer, std::uint32_t inOld)
{
    const std::uint32_t theAlpha = inLayer >> 24;
    if ((inOld >> 24) == 255) {
        // The common case, an opaque store: the result stays opaque.
        const std::uint32_t theKeep = 255 - theAlpha;
        std::uint32_t theResult = 0xFF000000;
        for (int theShift = 0; theShift <= 16; theShift += 8) {
            const std::uint32_t theValue =
                ((inLayer >> theShift) & 0xFF) + Div255(((inOld >> theShift) & 0xFF) * theKeep);
            theResult |= (theValue > 255 ? 255 : theValue) << theShift;
        }
        return theResult;
    }
    const std::uint32_t theRest = (inOld >> 24) * (255 - theAlpha);  // old alpha share, scaled by 255
    const std::uint32_t theOutAlpha255 = theAlpha * 255 + theRest;   // out alpha scaled by 255
    std::uint32_t theResult = ((theOutAlpha255 + 127) / 255) << 24;
    for (int theShift = 0; theShift <= 16; theShift += 8) {
        const std::uint32_t theSrc = (inLayer >> theShift) & 0xFF;
        const std::uint32_t theDst = (inOld >> theShift) & 0xFF;
        const std::uint32_t theValue = (theSrc * 255 * 255 + theDst * theRest + theOutAlpha255 / 2) / theOutAlpha255;
        theResult |= (theValue > 255 ? 255 : theValue) << theShift;
    }
    return theResult;
}

}  // namespace

void DibSection::Composite(cairo_surface_t* inLayer, int inLeft, int inTop)
{
    cairo_surface_flush(inLayer);
    const std::uint8_t* theLayer = cairo_image_surface_get_data(inLayer);
    const int theStride = cairo_image_surface_get_stride(inLayer);
    // Only the part of the layer over the store.
    const int theX0 = std::max(0, -inLeft);
    const int theY0 = std::max(0, -inTop);
    const int theX1 = std::min(cairo_image_surface_get_width(inLayer), mWidth - inLeft);
    const int theY1 = std::min(cairo_image_surface_get_height(inLayer), mHeight - inTop);
    for (int theY = theY0; theY < theY1; ++theY) {
        const auto* theSource = reinterpret_cast<const std::uint32_t*>(theLayer + theY * theStride);
        const int theStoreY = inTop + theY;
        if (mBitsPerPixel == 32) {
            auto* theRow = reinterpret_cast<std::uint8_t*>(mBits + static_cast<std::ptrdiff_t>(theStoreY) * mRowBytes);
            for (int theX = theX0; theX < theX1; ++theX) {
                const std::uint32_t thePixel = theSource[theX];
                if (thePixel < 0x01000000) {
                    continue;  // alpha 0: untouched
                }
                std::uint8_t* theTarget = theRow + (inLeft + theX) * 4;
                std::uint32_t theOut = thePixel;
                if (thePixel < 0xFF000000) {
                    const std::uint32_t theOld = (std::uint32_t(theTarget[3]) << 24) |
                                                 (std::uint32_t(theTarget[2]) << 16) |
                                                 (std::uint32_t(theTarget[1]) << 8) | theTarget[0];
                    theOut = Over(thePixel, theOld);
                }
                theTarget[0] = theOut & 0xFF;
                theTarget[1] = (theOut >> 8) & 0xFF;
                theTarget[2] = (theOut >> 16) & 0xFF;
                theTarget[3] = theOut >> 24;
            }
            continue;
        }
        for (int theX = theX0; theX < theX1; ++theX) {
            const std::uint32_t thePixel = theSource[theX];
            if (thePixel < 0x01000000) {
                continue;
            }
            const int theStoreX = inLeft + theX;
            WriteArgb(theStoreX, theStoreY,
                      thePixel >= 0xFF000000 ? thePixel : Over(thePixel, ReadArgb(theStoreX, theStoreY)));
        }
    }
}

cairo_surface_t* DibSection::CopyToSurface() const
{
    CairoSurface theSurface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, mWidth, mHeight));
    if (cairo_surface_status(theSurface.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    std::uint8_t* theData = cairo_image_surface_get_data(theSurface.get());
    const int theStride = cairo_image_surface_get_stride(theSurface.get());
    for (int theY = 0; theY < mHeight; ++theY) {
        auto* theRow = reinterpret_cast<std::uint32_t*>(theData + theY * theStride);
        for (int theX = 0; theX < mWidth; ++theX) {
            theRow[theX] = 0xFF000000 | (ReadArgb(theX, theY) & 0xFFFFFF);
        }
    }
    cairo_surface_mark_dirty(theSurface.get());
    return theSurface.release();  // the caller's
}
