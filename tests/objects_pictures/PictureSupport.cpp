#include "objects_pictures/PictureSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <automation/Interfaces.h>
#include <vellumax/ICanvas.h>

#include "drawing/Gdi.h"
#include "objects_canvas/CanvasClient.h"

HRESULT VxGetClassObject_Canvas(REFIID inIid, void** outObject);

namespace pictures {

using namespace vx::codecs::test;

const FormatCase kFormats[6] = {
    {Format::kPng, "png", 0}, {Format::kJpeg, "jpeg", 12}, {Format::kGif, "gif", 0},
    {Format::kBmp, "bmp", 0}, {Format::kTiff, "tiff", 0},  {Format::kWebp, "webp", 0},
};

namespace {

void PutLittle(ByteVector& ioBytes, std::uint32_t inValue, int inCount)
{
    for (int theByte = 0; theByte < inCount; ++theByte)
        ioBytes.push_back(std::uint8_t(inValue >> (8 * theByte)));
}

// A bottom-up 32-bit BMP with a BITMAPINFOHEADER; the fourth byte of a pixel is unused.
ByteVector WriteBmp(const Pixels& inPixels)
{
    const std::uint32_t theImage = inPixels.mWidth * inPixels.mHeight * 4;
    ByteVector theFile = {'B', 'M'};
    PutLittle(theFile, 54 + theImage, 4);
    PutLittle(theFile, 0, 4);
    PutLittle(theFile, 54, 4);
    PutLittle(theFile, 40, 4);
    PutLittle(theFile, inPixels.mWidth, 4);
    PutLittle(theFile, inPixels.mHeight, 4);
    PutLittle(theFile, 1, 2);
    PutLittle(theFile, 32, 2);
    PutLittle(theFile, 0, 4);
    PutLittle(theFile, theImage, 4);
    PutLittle(theFile, 2835, 4);
    PutLittle(theFile, 2835, 4);
    PutLittle(theFile, 0, 4);
    PutLittle(theFile, 0, 4);
    for (std::uint32_t theY = inPixels.mHeight; theY-- > 0;)
        for (std::uint32_t theX = 0; theX < inPixels.mWidth; ++theX) {
            const std::uint8_t* thePixel = inPixels.At(theX, theY);
            theFile.insert(theFile.end(), {thePixel[0], thePixel[1], thePixel[2], 0});
        }
    return theFile;
}

ByteVector Samples(const Pixels& inPixels, bool inAlpha)
{
    ByteVector theSamples;
    for (std::uint32_t theY = 0; theY < inPixels.mHeight; ++theY)
        for (std::uint32_t theX = 0; theX < inPixels.mWidth; ++theX) {
            const std::uint8_t* thePixel = inPixels.At(theX, theY);
            theSamples.insert(theSamples.end(), {thePixel[2], thePixel[1], thePixel[0]});
            if (inAlpha)
                theSamples.push_back(thePixel[3]);
        }
    return theSamples;
}

bool HasAlpha(const Pixels& inPixels)
{
    for (std::size_t thePos = 3; thePos < inPixels.mBgra.size(); thePos += 4)
        if (inPixels.mBgra[thePos] != 255)
            return true;
    return false;
}

GifFrameSpec GifFrame(const Pixels& inPixels, std::vector<std::uint8_t>& outColors)
{
    GifFrameSpec theFrame(0, 0, inPixels.mWidth, inPixels.mHeight);
    std::vector<std::uint32_t> theSeen;
    for (std::uint32_t theY = 0; theY < inPixels.mHeight; ++theY)
        for (std::uint32_t theX = 0; theX < inPixels.mWidth; ++theX) {
            const std::uint32_t theColor = Argb(inPixels, theX, theY) & 0xFFFFFF;
            std::size_t theIndex = 0;
            while (theIndex < theSeen.size() && theSeen[theIndex] != theColor)
                ++theIndex;
            if (theIndex == theSeen.size())
                theSeen.push_back(theColor);
            theFrame.mIndices.push_back(std::uint8_t(theIndex));
        }
    EXPECT_LE(theSeen.size(), 256u);
    theSeen.resize(256, 0);
    for (const std::uint32_t theColor : theSeen)
        theFrame.mLocalColors.insert(
            theFrame.mLocalColors.end(),
            {std::uint8_t(theColor >> 16), std::uint8_t(theColor >> 8), std::uint8_t(theColor)});
    outColors = theFrame.mLocalColors;
    return theFrame;
}

}  // namespace

Pixels MakePixels(std::uint32_t inWidth, std::uint32_t inHeight, std::vector<std::uint32_t> inArgb)
{
    Pixels thePixels{inWidth, inHeight, ByteVector(std::size_t(inWidth) * inHeight * 4)};
    for (std::size_t theIndex = 0; theIndex < std::size_t(inWidth) * inHeight; ++theIndex) {
        const std::uint32_t theColor = inArgb[theIndex % inArgb.size()];
        std::uint8_t* thePixel = &thePixels.mBgra[theIndex * 4];
        thePixel[0] = std::uint8_t(theColor);
        thePixel[1] = std::uint8_t(theColor >> 8);
        thePixel[2] = std::uint8_t(theColor >> 16);
        thePixel[3] = std::uint8_t(theColor >> 24);
    }
    return thePixels;
}

ByteVector Encode(Format inFormat, const Pixels& inPixels)
{
    switch (inFormat) {
    case Format::kPng: {
        const bool theAlpha = HasAlpha(inPixels);
        std::vector<ByteVector> theRows;
        const ByteVector theSamples = Samples(inPixels, theAlpha);
        const std::size_t theRowSize = inPixels.mWidth * (theAlpha ? 4u : 3u);
        for (std::uint32_t theY = 0; theY < inPixels.mHeight; ++theY)
            theRows.emplace_back(theSamples.begin() + std::ptrdiff_t(theY * theRowSize),
                                 theSamples.begin() + std::ptrdiff_t((theY + 1) * theRowSize));
        return WritePngWithLibrary(PngSpec(inPixels.mWidth, inPixels.mHeight, 8, theAlpha ? 6 : 2), theRows);
    }
    case Format::kJpeg: {
        JpegSpec theSpec(inPixels.mWidth, inPixels.mHeight, 3);
        theSpec.mQuality = 95;
        return WriteJpegWithLibrary(theSpec, Samples(inPixels, false));
    }
    case Format::kGif:
        return EncodeImages(Format::kGif, {inPixels});
    case Format::kBmp:
        return WriteBmp(inPixels);
    case Format::kTiff:
        return EncodeImages(Format::kTiff, {inPixels});
    case Format::kWebp:
        return WriteWebpWithLibrary(inPixels, true);
    }
    return {};
}

ByteVector EncodeImages(Format inFormat, const std::vector<Pixels>& inImages)
{
    if (inFormat == Format::kGif) {
        std::vector<GifFrameSpec> theFrames;
        std::vector<std::uint8_t> theColors;
        std::uint32_t theWidth = 0, theHeight = 0;
        for (const Pixels& theImage : inImages) {
            theFrames.push_back(GifFrame(theImage, theColors));
            theWidth = std::max(theWidth, theImage.mWidth);
            theHeight = std::max(theHeight, theImage.mHeight);
        }
        return WriteGifWithLibrary(theWidth, theHeight, theColors, theFrames);
    }
    std::vector<TiffSpec> theDirectories;
    for (const Pixels& theImage : inImages) {
        const bool theAlpha = HasAlpha(theImage);
        theDirectories.emplace_back(theImage.mWidth, theImage.mHeight, theAlpha ? 4 : 3, 8, 0.0f, 2,
                                    Samples(theImage, theAlpha));
    }
    return WriteTiffWithLibrary(theDirectories);
}

vx::Client FilledCanvas(int inWidth, int inHeight, const char* inColor)
{
    vx::Client theCanvas = CreateCanvas();
    EXPECT_TRUE(theCanvas.Put("Width", inWidth));
    EXPECT_TRUE(theCanvas.Put("Height", inHeight));
    EXPECT_TRUE(theCanvas.Put("Color", inColor));
    theCanvas.Call("Erase");
    EXPECT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
    return theCanvas;
}

Pixels CanvasPixels(const vx::Client& inCanvas)
{
    vx::Client theCanvas = inCanvas;
    const auto theHandle = static_cast<HBITMAP>(theCanvas.Get("HBITMAP").AsLong());
    BITMAP theBitmap{};
    if (theHandle == 0 || GetObjectA(theHandle, sizeof theBitmap, &theBitmap) == 0)
        return {};
    EXPECT_EQ(theBitmap.bmBitsPixel, 32);
    Pixels thePixels{std::uint32_t(theBitmap.bmWidth), std::uint32_t(theBitmap.bmHeight), {}};
    for (LONG theY = 0; theY < theBitmap.bmHeight; ++theY) {
        const auto* theRow = static_cast<const std::uint8_t*>(theBitmap.bmBits) + theY * theBitmap.bmWidthBytes;
        thePixels.mBgra.insert(thePixels.mBgra.end(), theRow, theRow + theBitmap.bmWidth * 4);
    }
    return thePixels;
}

std::uint32_t Argb(const Pixels& inPixels, std::uint32_t inX, std::uint32_t inY)
{
    const std::uint8_t* thePixel = inPixels.At(inX, inY);
    return std::uint32_t(thePixel[3]) << 24 | std::uint32_t(thePixel[2]) << 16 | std::uint32_t(thePixel[1]) << 8 |
           thePixel[0];
}

std::string PercentColor(int inRed, int inGreen, int inBlue)
{
    char theText[64];
    std::snprintf(theText, sizeof theText, "%.4f,%.4f,%.4f", inRed * 100.0 / 255, inGreen * 100.0 / 255,
                  inBlue * 100.0 / 255);
    return theText;
}

TempFile::TempFile(const std::string& inExtension, const ByteVector& inBytes)
{
    std::string thePattern = (std::filesystem::temp_directory_path() / "vx-picture-XXXXXX").string();
    const int theFile = mkstemp(thePattern.data());
    EXPECT_GE(theFile, 0);
    close(theFile);
    std::remove(thePattern.c_str());
    mPath = thePattern + "." + inExtension;
    std::ofstream(mPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(inBytes.data()), std::streamsize(inBytes.size()));
}

TempFile::~TempFile()
{
    std::remove(mPath.c_str());
}

}  // namespace pictures
