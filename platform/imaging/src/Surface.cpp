// Conversion between the pixel layouts and B, G, R, A rows.
#include "Surface.h"
#include "Palette.h"

#include <algorithm>
#include <cstring>

namespace vximaging {

namespace {

// 4×4 ordered dither thresholds, 0 … 15.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Distance between neighbouring levels of a depth, which the dither spreads over.
int DitherSpread(int inDepth)
{
    switch (inDepth) {
    case 1:
        return 255;
    case 2:
        return 85;
    case 4:
        return 64;
    case 8:
        return 51;
    default:
        return 8;
    }
}

std::uint8_t Expand5(unsigned inValue)
{
    return std::uint8_t((inValue << 3) | (inValue >> 2));
}

}  // namespace

std::ptrdiff_t AlignedRowBytes(int inWidth, int inDepth)
{
    return ((std::ptrdiff_t(inWidth) * inDepth + 31) / 32) * 4;
}

const std::uint8_t* FetchRow(const Surface& inSurface, int inY, int inX, int inCount, std::uint8_t* ioScratch)
{
    const std::uint8_t* theRow = inSurface.Row(inY);
    const int theColumn = inX - inSurface.mLeft;
    switch (inSurface.mDepth) {
    case 32:
        return theRow + std::ptrdiff_t(theColumn) * 4;
    case 24:
        for (int theIndex = 0; theIndex < inCount; ++theIndex) {
            const std::uint8_t* thePixel = theRow + std::ptrdiff_t(theColumn + theIndex) * 3;
            std::uint8_t* theOut = ioScratch + std::ptrdiff_t(theIndex) * 4;
            theOut[0] = thePixel[0];
            theOut[1] = thePixel[1];
            theOut[2] = thePixel[2];
            theOut[3] = 255;
        }
        return ioScratch;
    case 16:
        for (int theIndex = 0; theIndex < inCount; ++theIndex) {
            const std::uint8_t* thePixel = theRow + std::ptrdiff_t(theColumn + theIndex) * 2;
            std::uint16_t theValue = 0;
            std::memcpy(&theValue, thePixel, 2);
            std::uint8_t* theOut = ioScratch + std::ptrdiff_t(theIndex) * 4;
            theOut[0] = Expand5(theValue & 31u);
            theOut[1] = Expand5((theValue >> 5) & 31u);
            theOut[2] = Expand5((theValue >> 10) & 31u);
            theOut[3] = 255;
        }
        return ioScratch;
    default: {
        const int theDepth = inSurface.mDepth;
        const int thePerByte = 8 / theDepth;
        const unsigned theMask = (1u << theDepth) - 1u;
        for (int theIndex = 0; theIndex < inCount; ++theIndex) {
            const int thePixel = theColumn + theIndex;
            const unsigned theByte = theRow[thePixel / thePerByte];
            const int theShift = 8 - theDepth * (thePixel % thePerByte + 1);
            const std::uint32_t theColor = inSurface.mPalette[(theByte >> theShift) & theMask];
            std::memcpy(ioScratch + std::ptrdiff_t(theIndex) * 4, &theColor, 4);
        }
        return ioScratch;
    }
    }
}

void StoreRow(const Surface& inSurface, int inY, int inX, int inCount, const std::uint8_t* inPixels, bool inDither)
{
    std::uint8_t* theRow = inSurface.Row(inY);
    const int theColumn = inX - inSurface.mLeft;
    const int theDepth = inSurface.mDepth;
    if (theDepth == 32) {
        std::memmove(theRow + std::ptrdiff_t(theColumn) * 4, inPixels, std::size_t(inCount) * 4);
        return;
    }
    const int theSpread = DitherSpread(theDepth);
    auto theChannel = [&](int inValue, int inX2) {
        if (!inDither)
            return std::uint8_t(inValue);
        // Threshold centred on zero: −spread/2 … +spread/2.
        const int theOffset = ((kBayer[inY & 3][inX2 & 3] * 2 + 1) * theSpread) / 32 - theSpread / 2;
        return std::uint8_t(std::clamp(inValue + theOffset, 0, 255));
    };
    if (theDepth == 16) {
        for (int theIndex = 0; theIndex < inCount; ++theIndex) {
            const std::uint8_t* thePixel = inPixels + std::ptrdiff_t(theIndex) * 4;
            const int theX = inX + theIndex;
            // Truncation keeps the top 5 bits, so the dither offset is one level, not half a level.
            auto theLevel = [&](int inValue) {
                if (!inDither)
                    return unsigned(inValue) >> 3;
                return unsigned(std::min(inValue + kBayer[inY & 3][theX & 3] / 2, 255)) >> 3;
            };
            const std::uint16_t theValue =
                std::uint16_t((theLevel(thePixel[2]) << 10) | (theLevel(thePixel[1]) << 5) | theLevel(thePixel[0]));
            std::memcpy(theRow + std::ptrdiff_t(theColumn + theIndex) * 2, &theValue, 2);
        }
        return;
    }
    const std::uint8_t* theInverse = InverseTable(theDepth);
    const int thePerByte = 8 / theDepth;
    const unsigned theMask = (1u << theDepth) - 1u;
    for (int theIndex = 0; theIndex < inCount; ++theIndex) {
        const std::uint8_t* thePixel = inPixels + std::ptrdiff_t(theIndex) * 4;
        const int theX = inX + theIndex;
        const unsigned theRed = theChannel(thePixel[2], theX);
        const unsigned theGreen = theChannel(thePixel[1], theX);
        const unsigned theBlue = theChannel(thePixel[0], theX);
        const unsigned theValue = theInverse[((theRed >> 3) << 10) | ((theGreen >> 3) << 5) | (theBlue >> 3)];
        if (theDepth == 8) {
            theRow[theColumn + theIndex] = std::uint8_t(theValue);
            continue;
        }
        const int thePosition = theColumn + theIndex;
        std::uint8_t& theByte = theRow[thePosition / thePerByte];
        const int theShift = 8 - theDepth * (thePosition % thePerByte + 1);
        theByte = std::uint8_t((theByte & ~(theMask << theShift)) | ((theValue & theMask) << theShift));
    }
}

}  // namespace vximaging
