// Small picture files for the importer tests: made by the format libraries, or spelled out byte by
// byte where the layout itself is under test.
#pragma once

#include "ComponentsTestSupport.h"

namespace vxtest {

// R, G, B rows of a picture (for libpng and libjpeg).
inline ByteVector RgbSamples(const Pixels& inPixels)
{
    ByteVector theSamples;
    for (std::size_t theIndex = 0; theIndex < inPixels.mBgra.size(); theIndex += 4) {
        theSamples.push_back(inPixels.mBgra[theIndex + 2]);
        theSamples.push_back(inPixels.mBgra[theIndex + 1]);
        theSamples.push_back(inPixels.mBgra[theIndex]);
    }
    return theSamples;
}

inline std::vector<ByteVector> Rows(const ByteVector& inSamples, std::size_t inRowBytes)
{
    std::vector<ByteVector> theRows;
    for (std::size_t theStart = 0; theStart < inSamples.size(); theStart += inRowBytes)
        theRows.emplace_back(inSamples.begin() + std::ptrdiff_t(theStart),
                             inSamples.begin() + std::ptrdiff_t(theStart + inRowBytes));
    return theRows;
}

// An 8-bit RGBA PNG of the pattern, 96 dots per inch.
inline ByteVector PngFile(const Pixels& inPixels)
{
    ByteVector theSamples;
    for (std::size_t theIndex = 0; theIndex < inPixels.mBgra.size(); theIndex += 4)
        for (const int theChannel : {2, 1, 0, 3})
            theSamples.push_back(inPixels.mBgra[theIndex + std::size_t(theChannel)]);
    vx::codecs::test::PngSpec theSpec(inPixels.mWidth, inPixels.mHeight, 8, 6);
    theSpec.mPixelsPerMetre = 3780;
    return vx::codecs::test::WritePngWithLibrary(theSpec, Rows(theSamples, inPixels.mWidth * 4));
}

// A 16-bit RGB PNG whose samples are the pattern's bytes repeated (v * 257), no resolution.
inline ByteVector Png16File(const Pixels& inPixels)
{
    ByteVector theSamples;
    for (const std::uint8_t theValue : RgbSamples(inPixels)) {
        theSamples.push_back(theValue);
        theSamples.push_back(theValue);
    }
    return vx::codecs::test::WritePngWithLibrary(vx::codecs::test::PngSpec(inPixels.mWidth, inPixels.mHeight, 16, 2),
                                                 Rows(theSamples, inPixels.mWidth * 6));
}

inline ByteVector JpegFile(const Pixels& inPixels, int inComponents, int inDensity)
{
    vx::codecs::test::JpegSpec theSpec(inPixels.mWidth, inPixels.mHeight, inComponents);
    theSpec.mDensity = inDensity;
    ByteVector theSamples = RgbSamples(inPixels);
    if (inComponents == 1) {
        ByteVector theGrey;
        for (std::size_t theIndex = 0; theIndex < theSamples.size(); theIndex += 3)
            theGrey.push_back(theSamples[theIndex + 1]);
        theSamples = theGrey;
    }
    return vx::codecs::test::WriteJpegWithLibrary(theSpec, theSamples);
}

// Two frames over a 4×3 screen: red and green stripes, then blue and white checks.
inline ByteVector GifFile()
{
    vx::codecs::test::GifFrameSpec theFirst(0, 0, 4, 3);
    theFirst.mIndices = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};
    vx::codecs::test::GifFrameSpec theSecond(0, 0, 4, 3);
    theSecond.mLocalColors = {0, 0, 255, 255, 255, 255};
    theSecond.mIndices = {0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1};
    return vx::codecs::test::WriteGifWithLibrary(4, 3, {255, 0, 0, 0, 255, 0}, {theFirst, theSecond});
}

// Two directories: 3×2 RGB at 300 dots per inch, then 2×5 grey without a resolution.
inline ByteVector TiffFile()
{
    using vx::codecs::test::TiffSpec;
    ByteVector theRgb;
    for (int theIndex = 0; theIndex < 6; ++theIndex)
        theRgb.insert(theRgb.end(), {std::uint8_t(theIndex * 40), std::uint8_t(200 - theIndex * 30), 17});
    ByteVector theGrey = {0, 50, 100, 150, 200, 250, 25, 75, 125, 175};
    return vx::codecs::test::WriteTiffWithLibrary(
        {TiffSpec(3, 2, 3, 8, 300.0f, 2, theRgb), TiffSpec(2, 5, 1, 8, 0.0f, 2, theGrey)});
}

inline void PutLE(ByteVector& ioBytes, std::uint32_t inValue, int inSize)
{
    for (int theByte = 0; theByte < inSize; ++theByte)
        ioBytes.push_back(std::uint8_t(inValue >> (8 * theByte)));
}

// A 4-bit palette BMP, 3×2, bottom-up, 2835 pixels per metre (72 dots per inch), written out by
// hand: palette black, red, green, blue; top row red green blue, bottom row blue black red.
inline ByteVector BmpFile()
{
    ByteVector theBytes = {'B', 'M'};
    const std::uint32_t thePaletteBytes = 4 * 4;
    const std::uint32_t theRowBytes = 4;  // 3 nibbles, padded to 4 bytes
    const std::uint32_t theOffset = 14 + 40 + thePaletteBytes;
    PutLE(theBytes, theOffset + 2 * theRowBytes, 4);
    PutLE(theBytes, 0, 4);
    PutLE(theBytes, theOffset, 4);
    PutLE(theBytes, 40, 4);
    PutLE(theBytes, 3, 4);
    PutLE(theBytes, 2, 4);
    PutLE(theBytes, 1, 2);
    PutLE(theBytes, 4, 2);
    PutLE(theBytes, 0, 4);  // BI_RGB
    PutLE(theBytes, 2 * theRowBytes, 4);
    PutLE(theBytes, 2835, 4);
    PutLE(theBytes, 2835, 4);
    PutLE(theBytes, 4, 4);
    PutLE(theBytes, 0, 4);
    theBytes.insert(theBytes.end(), {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0});  // B, G, R, 0
    theBytes.insert(theBytes.end(), {0x30, 0x10, 0, 0});  // bottom row: blue, black, red
    theBytes.insert(theBytes.end(), {0x12, 0x30, 0, 0});  // top row: red, green, blue
    return theBytes;
}

}  // namespace vxtest
