// Sampled drawing reads 32-bit sources in place: bottom-up and top-down rows, and the 24-bit
// form (which is converted first), must all give the same pixels.
#include "ComponentsTestSupport.h"

namespace vxtest {
namespace {

using SamplingTest = ComponentsTest;

ImageDescriptionHandle Describe(int inWidth, int inHeight, int inDepth)
{
    auto theDesc = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
    (*theDesc)->idSize = sizeof(ImageDescription);
    (*theDesc)->cType = kRawCodecType;
    (*theDesc)->width = std::int16_t(inWidth);
    (*theDesc)->height = std::int16_t(inHeight);
    (*theDesc)->depth = std::int16_t(inDepth);
    (*theDesc)->clutID = -1;
    return theDesc;
}

TEST_F(SamplingTest, RowOrderAndLayoutOfTheSourceDoNotChangeTheResult)
{
    constexpr int kSide = 9;
    const Pixels thePicture = Opaque(Pixels::Pattern(kSide, kSide, false));
    ByteVector theTopDown = thePicture.mBgra;
    ByteVector theBottomUp;
    ByteVector theRgb;  // 24 bits, rows of 27 bytes padded to 28, top-down
    for (int theY = kSide - 1; theY >= 0; --theY)
        theBottomUp.insert(theBottomUp.end(), theTopDown.begin() + theY * kSide * 4,
                           theTopDown.begin() + (theY + 1) * kSide * 4);
    for (int theY = 0; theY < kSide; ++theY) {
        for (int theX = 0; theX < kSide; ++theX)
            theRgb.insert(theRgb.end(), thePicture.At(std::uint32_t(theX), std::uint32_t(theY)),
                          thePicture.At(std::uint32_t(theX), std::uint32_t(theY)) + 3);
        theRgb.push_back(0);
    }
    struct Source {
        ByteVector* mData;
        int mHeight;
        int mDepth;
    };
    const Source theSources[] = {{&theTopDown, -kSide, 32}, {&theBottomUp, kSide, 32}, {&theRgb, -kSide, 24}};
    const Rect thePart{2, 1, 8, 7};
    MatrixRecord theMatrix;
    SetIdentityMatrix(&theMatrix);
    RotateMatrix(&theMatrix, IntToFixed(30), IntToFixed(4), IntToFixed(4));
    ScaleMatrix(&theMatrix, FloatToFixed(1.7), FloatToFixed(1.3), 0, 0);
    std::vector<Pixels> theResults;
    for (const Source& theSource : theSources) {
        GWorldPtr theWorld = NewWorld(20, 20);
        ImageDescriptionHandle theDesc = Describe(kSide, theSource.mHeight, theSource.mDepth);
        ASSERT_EQ(FDecompressImage(reinterpret_cast<Ptr>(theSource.mData->data()), theDesc, GetGWorldPixMap(theWorld),
                                   &thePart, &theMatrix, srcCopy, nullptr, nullptr, nullptr, codecMaxQuality,
                                   bestFidelityCodec, 0, nullptr, nullptr),
                  noErr);
        DisposeHandle(reinterpret_cast<Handle>(theDesc));
        theResults.push_back(PixelsOf(theWorld));
    }
    EXPECT_EQ(theResults[0].mBgra, theResults[1].mBgra);
    EXPECT_EQ(theResults[0].mBgra, theResults[2].mBgra);
    // Something was drawn, and not everything.
    const std::uint8_t theWhite[4] = {255, 255, 255, 255};
    EXPECT_EQ(std::memcmp(theResults[0].At(0, 0), theWhite, 4), 0);
    EXPECT_NE(std::memcmp(theResults[0].At(8, 8), theWhite, 4), 0);
}

}  // namespace
}  // namespace vxtest
