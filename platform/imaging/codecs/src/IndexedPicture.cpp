#include "IndexedPicture.h"

#include <unordered_map>

namespace vx::codecs {

namespace {

uint32_t Key(const uint8_t* inPixel)
{
    return uint32_t(inPixel[0]) | uint32_t(inPixel[1]) << 8 | uint32_t(inPixel[2]) << 16 | uint32_t(inPixel[3]) << 24;
}

uint8_t CubeLevel(uint8_t inValue)
{
    return uint8_t((inValue * 5 + 127) / 255);
}

bool MakeExact(const PictureView& inPicture, IndexedPicture& outPicture)
{
    std::unordered_map<uint32_t, uint8_t> theIndexOf;
    for (uint32_t theY = 0; theY < inPicture.mHeight; ++theY) {
        const uint8_t* theRow = inPicture.Row(theY);
        uint8_t* theOut = outPicture.mIndices.data() + size_t(theY) * inPicture.mWidth;
        for (uint32_t theX = 0; theX < inPicture.mWidth; ++theX) {
            const uint8_t* thePixel = theRow + size_t(theX) * 4;
            const auto [theIt, theNew] = theIndexOf.try_emplace(Key(thePixel), uint8_t(outPicture.mColors.size()));
            if (theNew) {
                if (outPicture.mColors.size() == 256) {
                    return false;
                }
                outPicture.mColors.push_back({thePixel[0], thePixel[1], thePixel[2], thePixel[3]});
            }
            theOut[theX] = theIt->second;
        }
    }
    return true;
}

void MakeCube(const PictureView& inPicture, IndexedPicture& outPicture)
{
    outPicture.mColors.clear();
    for (int theR = 0; theR < 6; ++theR) {
        for (int theG = 0; theG < 6; ++theG) {
            for (int theB = 0; theB < 6; ++theB) {
                outPicture.mColors.push_back({uint8_t(theB * 51), uint8_t(theG * 51), uint8_t(theR * 51), 255});
            }
        }
    }
    for (uint32_t theY = 0; theY < inPicture.mHeight; ++theY) {
        const uint8_t* theRow = inPicture.Row(theY);
        uint8_t* theOut = outPicture.mIndices.data() + size_t(theY) * inPicture.mWidth;
        for (uint32_t theX = 0; theX < inPicture.mWidth; ++theX) {
            const uint8_t* thePixel = theRow + size_t(theX) * 4;
            theOut[theX] = uint8_t(CubeLevel(thePixel[2]) * 36 + CubeLevel(thePixel[1]) * 6 + CubeLevel(thePixel[0]));
        }
    }
}

}  // namespace

bool IndexedPicture::HasTransparency() const
{
    for (const auto& theColor : mColors) {
        if (theColor[3] != 255) {
            return true;
        }
    }
    return false;
}

IndexedPicture IndexedPicture::Make(const PictureView& inPicture, int inDepth)
{
    IndexedPicture thePicture;
    thePicture.mWidth = inPicture.mWidth;
    thePicture.mHeight = inPicture.mHeight;
    thePicture.mIndices.resize(size_t(inPicture.mWidth) * inPicture.mHeight);
    if (inDepth == 1) {
        thePicture.mColors = {{0, 0, 0, 255}, {255, 255, 255, 255}};
        for (uint32_t theY = 0; theY < inPicture.mHeight; ++theY) {
            const uint8_t* theRow = inPicture.Row(theY);
            uint8_t* theOut = thePicture.mIndices.data() + size_t(theY) * inPicture.mWidth;
            for (uint32_t theX = 0; theX < inPicture.mWidth; ++theX) {
                const uint8_t* thePixel = theRow + size_t(theX) * 4;
                // Rec. 601 luma in 1/1000ths.
                const uint32_t theLuma = thePixel[2] * 299u + thePixel[1] * 587u + thePixel[0] * 114u;
                theOut[theX] = theLuma >= 128000u ? 1 : 0;
            }
        }
        return thePicture;
    }
    if (!MakeExact(inPicture, thePicture)) {
        MakeCube(inPicture, thePicture);
    }
    return thePicture;
}

std::vector<uint8_t> IndexedPicture::PackedRows(int inBits, size_t inRowAlignment) const
{
    size_t theRowBytes = (size_t(mWidth) * inBits + 7) / 8;
    theRowBytes = (theRowBytes + inRowAlignment - 1) / inRowAlignment * inRowAlignment;
    std::vector<uint8_t> theRows(theRowBytes * mHeight, 0);
    const int thePerByte = 8 / inBits;
    for (uint32_t theY = 0; theY < mHeight; ++theY) {
        const uint8_t* theIn = mIndices.data() + size_t(theY) * mWidth;
        uint8_t* theOut = theRows.data() + theRowBytes * theY;
        for (uint32_t theX = 0; theX < mWidth; ++theX) {
            const int theShift = 8 - inBits * (int(theX % thePerByte) + 1);
            theOut[theX / thePerByte] |= uint8_t(theIn[theX] << theShift);
        }
    }
    return theRows;
}

}  // namespace vx::codecs
