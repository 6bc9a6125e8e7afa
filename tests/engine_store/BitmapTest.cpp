#include <gtest/gtest.h>

#include <cstring>

#include "imaging/Errors.h"
#include "vellumax/engine/Bitmap.h"

namespace {

constexpr ColorValue kRed{65535, 0, 0, 65535, 0};
constexpr ColorValue kBlue{0, 0, 65535, 65535, 0};
constexpr ColorValue kGreen{0, 65535, 0, 65535, 0};
// What a read gives back for those: bytes shifted by 8.
constexpr ColorValue kReadRed{65280, 0, 0, 65280, 0};
constexpr ColorValue kReadBlue{0, 0, 65280, 65280, 0};

// A store of the given size and depth filled with inColor.
void Make(Bitmap& ioStore, std::int32_t inWidth, std::int32_t inHeight, std::int32_t inDepth, ColorValue inColor)
{
    ioStore.SetWidth(inWidth);
    ioStore.SetHeight(inHeight);
    ioStore.SetDepth(inDepth);
    ioStore.SetNaturalColor(inColor);
    ASSERT_EQ(ioStore.Erase(), noErr);
}

// Opaque colours read back through the depth: alpha reads 65280 at 32 bits, 65535 below.
ColorValue Expected(ColorValue inRead, std::int32_t inDepth)
{
    if (inDepth != 32)
        inRead.alpha = 65535;
    return inRead;
}

class StoreAtDepth : public testing::TestWithParam<std::int32_t> {};
INSTANTIATE_TEST_SUITE_P(Depths, StoreAtDepth, testing::Values(32, 8));

TEST_P(StoreAtDepth, GrowingKeepsTheOverlapAndFillsTheNewStrips)
{
    const std::int32_t theDepth = GetParam();
    Bitmap theStore;
    Make(theStore, 10, 10, theDepth, kRed);
    theStore.SetNaturalColor(kBlue);
    theStore.SetWidth(20);
    theStore.SetHeight(15);
    ASSERT_EQ(theStore.Update(), noErr);
    EXPECT_EQ(theStore.GetBounds(), (LongRect{0, 0, 20, 15}));
    struct Probe {
        std::int32_t mX, mY;
        ColorValue mColor;
    };
    for (const Probe& theProbe :
         {Probe{0, 0, kReadRed}, Probe{9, 9, kReadRed}, Probe{10, 0, kReadBlue}, Probe{19, 14, kReadBlue},
          Probe{0, 10, kReadBlue}, Probe{9, 14, kReadBlue}, Probe{10, 9, kReadBlue}})
        EXPECT_EQ(theStore.GetPixelColor(theProbe.mX, theProbe.mY), Expected(theProbe.mColor, theDepth))
            << theProbe.mX << "," << theProbe.mY;
}

TEST_P(StoreAtDepth, SameSizeDoesNotRefitButAnotherDropsTheDeviceContext)
{
    Bitmap theStore;
    Make(theStore, 8, 8, GetParam(), kRed);
    const HDC theContext = theStore.GetHDC();
    ASSERT_NE(theContext, 0u);
    ASSERT_EQ(theStore.Update(), noErr);
    EXPECT_EQ(theStore.GetHDC(), theContext);
    EXPECT_NE(GetPixel(theContext, 1, 1), CLR_INVALID);

    theStore.SetHeight(9);
    ASSERT_EQ(theStore.Update(), noErr);
    // The old context is gone with the old pixels; a new one reads the new ones.
    EXPECT_EQ(GetPixel(theContext, 1, 1), CLR_INVALID);
    EXPECT_EQ(GetPixel(theStore.GetHDC(), 1, 1), RGB(255, 0, 0));
}

TEST_P(StoreAtDepth, SidesOutOfRangeAreRefusedAndLeaveThePixels)
{
    Bitmap theStore;
    Make(theStore, 4, 4, GetParam(), kRed);
    const long theBuffer = theStore.GetBufferId();
    struct Case {
        std::int32_t mWidth, mHeight;
    };
    for (const Case& theCase : {Case{32768, 4}, Case{4, 32768}, Case{65536 + 4, 4}, Case{0, 4}, Case{4, -1}}) {
        theStore.SetWidth(theCase.mWidth);
        theStore.SetHeight(theCase.mHeight);
        EXPECT_EQ(theStore.Update(), paramErr) << theCase.mWidth << "x" << theCase.mHeight;
        EXPECT_EQ(theStore.GetBounds(), (LongRect{0, 0, 4, 4}));
        EXPECT_EQ(theStore.GetBufferId(), theBuffer);
        EXPECT_EQ(theStore.GetPixelColor(3, 3), Expected(kReadRed, GetParam()));
    }
}

TEST_P(StoreAtDepth, PointsOutsideGiveTheNaturalColor)
{
    Bitmap theStore;
    Make(theStore, 6, 5, GetParam(), kRed);
    theStore.SetNaturalColor(kGreen);
    for (const auto& [theX, theY] : {std::pair{6, 0}, std::pair{0, 5}, std::pair{-1, 0}, std::pair{0, -1}})
        EXPECT_EQ(theStore.GetPixelColor(theX, theY), kGreen) << theX << "," << theY;
    EXPECT_EQ(theStore.GetPixelColor(5, 4), Expected(kReadRed, GetParam()));
}

TEST(Bitmap, FullBytesReadAs65280)
{
    Bitmap theStore;
    Make(theStore, 3, 3, 32, ColorValue::White());
    EXPECT_EQ(theStore.GetPixelColor(1, 1), (ColorValue{65280, 65280, 65280, 65280, 0}));
}

TEST(Bitmap, StartsTheImagingPlatformItself)
{
    Bitmap theStore;
    EXPECT_TRUE(theStore.IsQuickTimeAvailable());
    EXPECT_EQ(theStore.GetQuickTimeStartError(), noErr);
    EXPECT_FALSE(theStore.HasPixels());
    EXPECT_EQ(theStore.GetBufferId(), 0);
}

TEST(Bitmap, EnsurePixelsKeepsTheProportionsOfAGivenSide)
{
    struct Case {
        const char* mName;
        std::int32_t mWidth, mHeight;
        std::int32_t mAskWidth, mAskHeight;
        LongRect mBounds;
    };
    for (const Case& theCase : {
             Case{"width only", 100, 0, 256, 256, {0, 0, 100, 100}},
             Case{"nothing", 0, 0, 256, 256, {0, 0, 256, 256}},
             Case{"height only", 0, 50, 256, 128, {0, 0, 100, 50}},
             Case{"width only, wide", 90, 0, 300, 100, {0, 0, 90, 30}},
             Case{"proportion beyond the limit", 0, 30000, 30000, 1, {0, 0, 0, 0}},
         }) {
        Bitmap theStore;
        theStore.SetWidth(theCase.mWidth);
        theStore.SetHeight(theCase.mHeight);
        const OSErr theError = theStore.EnsurePixels(theCase.mAskWidth, theCase.mAskHeight, -1);
        if (theCase.mBounds.right == 0) {
            EXPECT_EQ(theError, paramErr) << theCase.mName;
            EXPECT_FALSE(theStore.HasPixels()) << theCase.mName;
            continue;
        }
        EXPECT_EQ(theError, noErr) << theCase.mName;
        EXPECT_EQ(theStore.GetBounds(), theCase.mBounds) << theCase.mName;
        EXPECT_EQ(theStore.GetDepth(), 32) << theCase.mName;
    }
}

TEST(Bitmap, EnsurePixelsLeavesAStoreWithPixelsAndSetsTheDepthOfANewOne)
{
    Bitmap theStore;
    Make(theStore, 7, 3, 32, kRed);
    EXPECT_EQ(theStore.EnsurePixels(256, 256, 8), noErr);
    EXPECT_EQ(theStore.GetBounds(), (LongRect{0, 0, 7, 3}));
    EXPECT_EQ(theStore.GetDepth(), 32);

    Bitmap theNew;
    EXPECT_EQ(theNew.EnsurePixels(4, 4, 8), noErr);
    EXPECT_EQ(GetPixDepth(GetGWorldPixMap(theNew.GetGWorld())), 8);
}

TEST(Bitmap, FreeReleasesPixelsButLeavesAStoreWithoutThem)
{
    Bitmap theStore;
    theStore.SetWidth(5);
    theStore.SetDepth(8);
    theStore.Free();
    EXPECT_EQ(theStore.GetWidth(), 5);
    EXPECT_EQ(theStore.GetDepth(), 8);

    theStore.SetHeight(5);
    ASSERT_EQ(theStore.Update(), noErr);
    ASSERT_NE(theStore.GetHDC(), 0u);
    theStore.Free();
    EXPECT_FALSE(theStore.HasPixels());
    EXPECT_EQ(theStore.GetBounds(), (LongRect{0, 0, 0, 0}));
    EXPECT_EQ(theStore.GetDepth(), 32);
    EXPECT_EQ(theStore.GetBufferId(), 0);
    EXPECT_EQ(theStore.GetHDC(), 0u);
    EXPECT_EQ(theStore.GetGLContext(), nullptr);
}

TEST(Bitmap, LockGivesTheWholeRowsOfAWideStore)
{
    Bitmap theStore;
    Make(theStore, 5000, 2, 32, ColorValue::White());
    Bitmap::PixelAccess theAccess;
    ASSERT_TRUE(theStore.Lock(theAccess));
    EXPECT_EQ(theAccess.mRowBytes, 20000);
    EXPECT_EQ(theAccess.mRows, 2);
    EXPECT_EQ(theAccess.mPixelFormat, FourCharCode("BGRA"));
    EXPECT_EQ(theAccess.mBitsPerPixel, 32);
    // The last pixel of row 1, written as B, G, R, A.
    const std::uint8_t theBlue[4] = {0xFF, 0, 0, 0x80};
    std::memcpy(theAccess.mBase + theAccess.mRowBytes + 4999 * 4, theBlue, 4);
    theStore.Unlock();
    EXPECT_EQ(theStore.GetPixelColor(4999, 1), (ColorValue{0, 0, 65280, 32768, 0}));

    Bitmap theEmpty;
    EXPECT_FALSE(theEmpty.Lock(theAccess));
}

TEST(Bitmap, ChannelsFollowThePixelFormat)
{
    struct Case {
        OSType mFormat;
        int mRed, mGreen, mBlue, mAlpha;  // byte offsets
    };
    for (const Case& theCase : {Case{32, 1, 2, 3, 0}, Case{FourCharCode("ABGR"), 3, 2, 1, 0},
                                Case{FourCharCode("BGRA"), 2, 1, 0, 3}, Case{FourCharCode("RGBA"), 0, 1, 2, 3}}) {
        std::uint8_t thePixel[4] = {};
        EXPECT_EQ(Bitmap::RedChannel(thePixel, theCase.mFormat), thePixel + theCase.mRed);
        EXPECT_EQ(Bitmap::GreenChannel(thePixel, theCase.mFormat), thePixel + theCase.mGreen);
        EXPECT_EQ(Bitmap::BlueChannel(thePixel, theCase.mFormat), thePixel + theCase.mBlue);
        EXPECT_EQ(Bitmap::AlphaChannel(thePixel, theCase.mFormat), thePixel + theCase.mAlpha);
        const int theOffsets[4] = {theCase.mRed, theCase.mGreen, theCase.mBlue, theCase.mAlpha};
        for (int theChannel = 0; theChannel < 4; ++theChannel) {
            std::uint8_t theExpected[4] = {};
            theExpected[theOffsets[theChannel]] = 0x7F;
            const std::uint32_t thePlaced = Bitmap::PlaceChannel(0x7F, theCase.mFormat, theChannel);
            EXPECT_EQ(std::memcmp(&thePlaced, theExpected, 4), 0) << theCase.mFormat << " channel " << theChannel;
        }
        EXPECT_EQ(Bitmap::PlaceChannel(0x7F, theCase.mFormat, 4), 0u);
    }
}

class DrawBitmap : public testing::TestWithParam<std::int32_t> {
protected:
    // A 4 × 3 source of the given depth: white, red at the top left, blue at the bottom right.
    void SetUp() override
    {
        Make(mSource, 4, 3, GetParam(), ColorValue::White());
        Make(mTarget, 10, 10, 32, kGreen);
        for (const auto& [theColor, theX, theY] : {std::tuple{kRed, 0, 0}, std::tuple{kBlue, 3, 2}}) {
            mSource.BeginDraw();
            const RGBColor theRGB{theColor.red, theColor.green, theColor.blue};
            RGBForeColor(&theRGB);
            const Rect theRect{std::int16_t(theY), std::int16_t(theX), std::int16_t(theY + 1), std::int16_t(theX + 1)};
            PaintRect(&theRect);
            mSource.EndDraw();
        }
    }

    ColorValue At(std::int32_t inX, std::int32_t inY) { return mTarget.GetPixelColor(inX, inY); }

    Bitmap mSource;
    Bitmap mTarget;
};
INSTANTIATE_TEST_SUITE_P(SourceDepths, DrawBitmap, testing::Values(32, 8, 1));

TEST_P(DrawBitmap, CopiesTopDownAndClipsTheSourceToTheImage)
{
    ASSERT_EQ(mTarget.DrawWindowsBitmap(mSource.GetHBITMAP(), LongRect{-100, -100, 100, 100}, nullptr, nullptr), noErr);
    // Every source pixel lands where it was, in the colour the source holds (opaque).
    for (std::int32_t theY = 0; theY < 3; ++theY)
        for (std::int32_t theX = 0; theX < 4; ++theX) {
            ColorValue theExpected = mSource.GetPixelColor(theX, theY);
            theExpected.alpha = 65280;
            EXPECT_EQ(At(theX, theY), theExpected) << theX << "," << theY;
        }
    if (GetParam() != 1) {
        EXPECT_EQ(At(0, 0), kReadRed);
        EXPECT_EQ(At(3, 2), kReadBlue);
    }
    EXPECT_EQ(At(4, 0), (ColorValue{0, 65280, 0, 65280, 0}));  // outside the image: untouched
    EXPECT_EQ(At(0, 3), (ColorValue{0, 65280, 0, 65280, 0}));
}

TEST_P(DrawBitmap, MappedPlacesTheSourceRectangle)
{
    // The bottom right pixel onto (5, 6): a whole-pixel move, copied exactly.
    ASSERT_EQ(mTarget.DrawWindowsBitmapMapped(mSource.GetHBITMAP(), LongRect{3, 2, 4, 3}, LongRect{5, 6, 6, 7}), noErr);
    // A 1-bit store keeps only black or white: the blue dot reads black there.
    const ColorValue theDot = GetParam() == 1 ? ColorValue{0, 0, 0, 65280, 0} : kReadBlue;
    EXPECT_EQ(At(5, 6), theDot);
    EXPECT_EQ(At(4, 6), (ColorValue{0, 65280, 0, 65280, 0}));
    EXPECT_EQ(At(5, 5), (ColorValue{0, 65280, 0, 65280, 0}));
}

TEST_P(DrawBitmap, UsesTheStoresTransferMode)
{
    mTarget.SetTransferMode(notSrcCopy);
    ASSERT_EQ(mTarget.DrawWindowsBitmap(mSource.GetHBITMAP(), LongRect{0, 0, 2, 2}, nullptr, nullptr), noErr);
    EXPECT_EQ(At(1, 1), (ColorValue{0, 0, 0, 65280, 0}));  // white inverted
    EXPECT_EQ(At(2, 2), (ColorValue{0, 65280, 0, 65280, 0}));
}

TEST(Bitmap, DrawWindowsBitmapWithoutPixelsOrWithAStaleHandle)
{
    Bitmap theSource;
    Make(theSource, 2, 2, 32, kRed);
    const HBITMAP theHandle = theSource.GetHBITMAP();
    Bitmap theEmpty;
    EXPECT_EQ(theEmpty.DrawWindowsBitmap(theHandle, LongRect{0, 0, 2, 2}, nullptr, nullptr), noErr);
    EXPECT_FALSE(theEmpty.HasPixels());

    Bitmap theTarget;
    Make(theTarget, 2, 2, 32, kBlue);
    EXPECT_EQ(theTarget.DrawWindowsBitmap(theHandle, LongRect{2, 2, 5, 5}, nullptr, nullptr), noErr);  // empty source
    theSource.Free();
    EXPECT_EQ(theTarget.DrawWindowsBitmap(theHandle, LongRect{0, 0, 2, 2}, nullptr, nullptr), memFullErr);
    EXPECT_EQ(theTarget.GetPixelColor(0, 0), kReadBlue);
}

}  // namespace
