// Offscreen worlds: sizes, layouts, re-fitting, depth conversion, ports and CopyBits.
#include "ImagingTestSupport.h"

#include <thread>

namespace {

using WorldTest = ImagingTest;

GWorldPtr NewWorld(int inDepth, int inWidth, int inHeight)
{
    GWorldPtr theWorld = nullptr;
    const Rect theBounds = MakeRect(0, 0, inWidth, inHeight);
    EXPECT_EQ(NewGWorld(&theWorld, short(inDepth), &theBounds, nullptr, nullptr, 0), noErr);
    return theWorld;
}

std::uint8_t Index8(GWorldPtr inWorld, int inX, int inY)
{
    return *PixelAddress(inWorld, inX, inY);
}

int IndexAt(GWorldPtr inWorld, int inX, int inY)
{
    PixMapHandle thePixMap = GetGWorldPixMap(inWorld);
    const int theDepth = GetPixDepth(thePixMap);
    const auto* theRow =
        reinterpret_cast<const std::uint8_t*>(GetPixBaseAddr(thePixMap)) + inY * GetPixRowBytes(thePixMap);
    const int theBit = inX * theDepth;
    return (theRow[theBit / 8] >> (8 - theDepth - theBit % 8)) & ((1 << theDepth) - 1);
}

TEST_F(WorldTest, SizesAndDepthsOutsideTheLimitsAreRefused)
{
    struct Case {
        const char* mName;
        int mDepth;
        Rect mBounds;
        OSErr mError;
    };
    const Case kCases[] = {
        {"zero width", 32, MakeRect(0, 0, 0, 10), paramErr},
        {"negative height", 32, MakeRect(0, 10, 10, 0), paramErr},
        {"wider than 32767", 32, MakeRect(-1, 0, 32767, 1), paramErr},
        {"depth 3", 3, MakeRect(0, 0, 4, 4), paramErr},
        {"depth 24", 24, MakeRect(0, 0, 4, 4), paramErr},
        {"too many pixels", 32, MakeRect(0, 0, 32767, 32767), memFullErr},
        {"largest side", 1, MakeRect(0, 0, 32767, 1), noErr},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mName);
        GWorldPtr theWorld = nullptr;
        EXPECT_EQ(NewGWorld(&theWorld, short(theCase.mDepth), &theCase.mBounds, nullptr, nullptr, 0), theCase.mError);
        EXPECT_EQ(QDError(), theCase.mError);
        EXPECT_EQ(theWorld != nullptr, theCase.mError == noErr);
        if (theWorld != nullptr)
            DisposeGWorld(theWorld);
    }
    EXPECT_EQ(NewGWorld(nullptr, 32, nullptr, nullptr, nullptr, 0), paramErr);
}

TEST_F(WorldTest, PixelMapDescribesTheLayout)
{
    GWorldPtr theWorld = NewWorld(32, 5, 3);
    PixMapHandle thePixMap = GetGWorldPixMap(theWorld);
    ASSERT_TRUE(LockPixels(thePixMap));
    EXPECT_EQ((*thePixMap)->pixelFormat, k32BGRAPixelFormat);
    EXPECT_EQ((*thePixMap)->pixelSize, 32);
    EXPECT_NE((*thePixMap)->rowBytes & 0x8000, 0);
    EXPECT_EQ((*thePixMap)->rowBytes & 0x3FFF, 20);
    EXPECT_EQ(GetPixRowBytes(thePixMap), 20);
    EXPECT_EQ((*thePixMap)->pmTable, nullptr);
    EXPECT_EQ(QTGetPixelSize((*thePixMap)->pixelFormat), 32);
    EXPECT_EQ(QTGetPixelSize(FourCharCode("YUV2")), 0);
    EXPECT_EQ(Pixel32(theWorld, 4, 2), (Bgra{255, 255, 255, 255}));  // opaque white
    Rect theBounds;
    EXPECT_TRUE(*GetPortBounds(theWorld, &theBounds) == MakeRect(0, 0, 5, 3));
    UnlockPixels(thePixMap);
    DisposeGWorld(theWorld);

    theWorld = NewWorld(8, 3, 1);
    thePixMap = GetGWorldPixMap(theWorld);
    EXPECT_EQ((*thePixMap)->pixelFormat, 8u);
    EXPECT_EQ(GetPixRowBytes(thePixMap), 4);  // rows are 4-byte aligned
    CTabHandle theTable = (*thePixMap)->pmTable;
    ASSERT_NE(theTable, nullptr);
    EXPECT_EQ((*theTable)->ctSize, 255);
    // Entries are read as four 16-bit words: index, red, green, blue.
    const auto* theWords = reinterpret_cast<const std::uint16_t*>((*theTable)->ctTable);
    EXPECT_EQ(theWords[0], 0);
    EXPECT_EQ(theWords[1], 0xFFFF);
    EXPECT_EQ(theWords[4 * 1 + 3], 0xCCCC);  // second cube entry: white with less blue
    EXPECT_EQ(theWords[4 * 255], 255);
    EXPECT_EQ(theWords[4 * 255 + 1], 0);
    EXPECT_EQ((*theTable)->ctTable[215].rgb, Rgb8(0xEE, 0, 0));  // the red ramp follows the cube
    DisposeGWorld(theWorld);
}

TEST_F(WorldTest, RefitKeepsTheOverlapAndTheCallerFillsTheRest)
{
    GWorldPtr theWorld = NewWorld(32, 10, 10);
    Paint(theWorld, MakeRect(0, 0, 10, 10), Rgb8(200, 0, 0));
    const Rect theNew = MakeRect(0, 0, 20, 15);
    EXPECT_EQ(UpdateGWorld(&theWorld, 32, &theNew, nullptr, nullptr, clipPix), reallocPix);
    Rect theBounds;
    EXPECT_TRUE(*GetPortBounds(theWorld, &theBounds) == theNew);
    EXPECT_EQ(GetPixDepth(GetGWorldPixMap(theWorld)), 32);
    // The store fills the new strips with its natural colour, as the server's pixel store does.
    Paint(theWorld, MakeRect(10, 0, 20, 15), Rgb8(0, 0, 255));
    Paint(theWorld, MakeRect(0, 10, 10, 15), Rgb8(0, 0, 255));
    for (int theY = 0; theY < 15; ++theY)
        for (int theX = 0; theX < 20; ++theX) {
            const bool theOld = theX < 10 && theY < 10;
            ASSERT_EQ(Pixel32(theWorld, theX, theY), theOld ? (Bgra{0, 0, 200, 255}) : (Bgra{255, 0, 0, 255}))
                << theX << "," << theY;
        }
    EXPECT_EQ(UpdateGWorld(&theWorld, 32, &theNew, nullptr, nullptr, clipPix), 0u);  // nothing to do
    DisposeGWorld(theWorld);
}

TEST_F(WorldTest, FailedRefitLeavesTheWorldAsItWas)
{
    GWorldPtr theWorld = NewWorld(32, 4, 4);
    Paint(theWorld, MakeRect(0, 0, 4, 4), Rgb8(1, 2, 3));
    const GWorldPtr theBefore = theWorld;
    const Rect theHuge = MakeRect(0, 0, 32767, 32767);
    EXPECT_EQ(UpdateGWorld(&theWorld, 32, &theHuge, nullptr, nullptr, clipPix), gwFlagErr);
    EXPECT_EQ(QDError(), memFullErr);
    const Rect theBad = MakeRect(0, 0, 4, 4);
    EXPECT_EQ(UpdateGWorld(&theWorld, 7, &theBad, nullptr, nullptr, clipPix), gwFlagErr);
    EXPECT_EQ(QDError(), paramErr);
    EXPECT_EQ(theWorld, theBefore);
    Rect theBounds;
    EXPECT_TRUE(*GetPortBounds(theWorld, &theBounds) == MakeRect(0, 0, 4, 4));
    EXPECT_EQ(Pixel32(theWorld, 3, 3), (Bgra{3, 2, 1, 255}));
    DisposeGWorld(theWorld);
}

TEST_F(WorldTest, PaletteColoursSurviveTheRoundTripThroughIndexedDepths)
{
    for (const int theDepth : {1, 2, 4, 8}) {
        SCOPED_TRACE(theDepth);
        CTabHandle theTable = GetCTable(short(theDepth));
        ASSERT_NE(theTable, nullptr);
        const int theCount = (*theTable)->ctSize + 1;
        ASSERT_EQ(theCount, 1 << theDepth);
        GWorldPtr theWorld = NewWorld(32, theCount, 1);
        for (int theIndex = 0; theIndex < theCount; ++theIndex)
            Paint(theWorld, MakeRect(theIndex, 0, theIndex + 1, 1), (*theTable)->ctTable[theIndex].rgb);
        const Rect theBounds = MakeRect(0, 0, theCount, 1);
        EXPECT_EQ(UpdateGWorld(&theWorld, short(theDepth), &theBounds, nullptr, nullptr, clipPix),
                  reallocPix | newDepth);
        for (int theIndex = 0; theIndex < theCount; ++theIndex)
            EXPECT_EQ(IndexAt(theWorld, theIndex, 0), theIndex);
        UpdateGWorld(&theWorld, 32, &theBounds, nullptr, nullptr, clipPix);
        for (int theIndex = 0; theIndex < theCount; ++theIndex) {
            const RGBColor& theColor = (*theTable)->ctTable[theIndex].rgb;
            EXPECT_EQ(Pixel32(theWorld, theIndex, 0),
                      (Bgra{std::uint8_t(theColor.blue >> 8), std::uint8_t(theColor.green >> 8),
                            std::uint8_t(theColor.red >> 8), 255}))
                << "entry " << theIndex;
        }
        DisposeGWorld(theWorld);
        DisposeCTable(theTable);
    }
}

TEST_F(WorldTest, SixteenBitsKeepTheTopFiveBits)
{
    GWorldPtr theWorld = NewWorld(32, 4, 1);
    SetPixel32(theWorld, 0, 0, {0xFF, 0x80, 0x07, 255});
    SetPixel32(theWorld, 1, 0, {0x08, 0x7F, 0xF8, 255});
    const Rect theBounds = MakeRect(0, 0, 4, 1);
    UpdateGWorld(&theWorld, 16, &theBounds, nullptr, nullptr, clipPix);
    std::uint16_t theValue = 0;
    std::memcpy(&theValue, PixelAddress(theWorld, 0, 0), 2);
    EXPECT_EQ(theValue, (0x00 << 10) | (0x10 << 5) | 0x1F);  // red 0x07 → 0, green 0x80 → 16, blue 0xFF → 31
    UpdateGWorld(&theWorld, 32, &theBounds, nullptr, nullptr, clipPix);
    EXPECT_EQ(Pixel32(theWorld, 0, 0), (Bgra{0xFF, 0x84, 0x00, 255}));
    EXPECT_EQ(Pixel32(theWorld, 1, 0), (Bgra{0x08, 0x7B, 0xFF, 255}));
    DisposeGWorld(theWorld);
}

TEST_F(WorldTest, OneBitThresholdAndDitheringOnlyWhenAsked)
{
    GWorldPtr theWorld = NewWorld(32, 8, 8);
    Paint(theWorld, MakeRect(0, 0, 4, 8), Rgb8(0x7F, 0x7F, 0x7F));
    Paint(theWorld, MakeRect(4, 0, 8, 8), Rgb8(0x80, 0x80, 0x80));
    GWorldPtr theCopy = NewWorld(32, 8, 8);
    const Rect theBounds = MakeRect(0, 0, 8, 8);
    CopyBits(GetPortBitMapForCopyBits(theWorld), GetPortBitMapForCopyBits(theCopy), &theBounds, &theBounds, srcCopy,
             nullptr);
    UpdateGWorld(&theWorld, 1, &theBounds, nullptr, nullptr, clipPix);
    for (int theY = 0; theY < 8; ++theY)
        for (int theX = 0; theX < 8; ++theX)
            ASSERT_EQ(IndexAt(theWorld, theX, theY), theX < 4 ? 1 : 0) << theX << "," << theY;  // 1 is black
    UpdateGWorld(&theCopy, 1, &theBounds, nullptr, nullptr, clipPix | ditherPix);
    int theBlack = 0;
    for (int theY = 0; theY < 8; ++theY)
        for (int theX = 0; theX < 8; ++theX)
            theBlack += IndexAt(theCopy, theX, theY);
    EXPECT_GT(theBlack, 16);  // mid grey dithers to a mixture
    EXPECT_LT(theBlack, 48);
    DisposeGWorld(theWorld);
    DisposeGWorld(theCopy);
}

TEST_F(WorldTest, PaintRectUsesTheNearestColourBelowThirtyTwoBits)
{
    GWorldPtr theWorld = NewWorld(8, 4, 4);
    Paint(theWorld, MakeRect(1, 1, 3, 3), Rgb8(0x30, 0x30, 0x36));
    CTabHandle theTable = (*GetGWorldPixMap(theWorld))->pmTable;
    const std::uint8_t theIndex = Index8(theWorld, 1, 1);
    EXPECT_EQ((*theTable)->ctTable[theIndex].rgb, Rgb8(0x33, 0x33, 0x33));
    EXPECT_EQ(Index8(theWorld, 0, 0), 0);  // untouched: white
    EXPECT_EQ(Index8(theWorld, 3, 3), 0);
    Paint(theWorld, MakeRect(-100, -100, 100, 100), Rgb8(0, 0, 0));  // clipped to the port
    EXPECT_EQ(Index8(theWorld, 3, 3), 255);
    DisposeGWorld(theWorld);
}

TEST_F(WorldTest, CurrentPortAndItsColours)
{
    CGrafPtr theScreen = nullptr;
    GDHandle theDevice = nullptr;
    GetGWorld(&theScreen, &theDevice);
    ASSERT_NE(theScreen, nullptr);
    EXPECT_EQ(theDevice, GetMainDevice());
    GWorldPtr theWorld = NewWorld(32, 2, 2);
    SetGWorld(theWorld, nullptr);
    const RGBColor theRed = Rgb8(255, 0, 0);
    RGBForeColor(&theRed);
    PenState thePen{};
    GetPenState(&thePen);
    thePen.pnSize = Point{3, 3};
    SetPenState(&thePen);
    SetGWorld(theScreen, theDevice);
    RGBColor theColor{};
    GetForeColor(&theColor);
    EXPECT_FALSE(theColor == theRed);  // colours belong to their port
    SetGWorld(theWorld, nullptr);
    GetForeColor(&theColor);
    EXPECT_TRUE(theColor == theRed);
    GetPenState(&thePen);
    EXPECT_EQ(thePen.pnSize.h, 3);
    DisposeGWorld(theWorld);  // the current port: the screen port takes over
    CGrafPtr thePort = nullptr;
    GetGWorld(&thePort, nullptr);
    EXPECT_EQ(thePort, theScreen);
}

TEST_F(WorldTest, CopyBitsMapsColoursAndScales)
{
    GWorldPtr theSource = NewWorld(32, 2, 1);
    SetPixel32(theSource, 0, 0, {0, 0, 0xFF, 255});  // red
    SetPixel32(theSource, 1, 0, {0xFF, 0, 0, 255});  // blue
    GWorldPtr theIndexed = NewWorld(8, 2, 1);
    const Rect theSmall = MakeRect(0, 0, 2, 1);
    CopyBits(GetPortBitMapForCopyBits(theSource), GetPortBitMapForCopyBits(theIndexed), &theSmall, &theSmall, srcCopy,
             nullptr);
    EXPECT_EQ(QDError(), noErr);
    EXPECT_EQ(Index8(theIndexed, 0, 0), 35);   // (FF, 00, 00) in the cube
    EXPECT_EQ(Index8(theIndexed, 1, 0), 210);  // (00, 00, FF)
    GWorldPtr theWide = NewWorld(32, 4, 2);
    const Rect theLarge = MakeRect(0, 0, 4, 2);
    CopyBits(GetPortBitMapForCopyBits(theIndexed), GetPortBitMapForCopyBits(theWide), &theSmall, &theLarge, notSrcCopy,
             nullptr);
    EXPECT_EQ(QDError(), noErr);
    EXPECT_EQ(Pixel32(theWide, 0, 0), (Bgra{255, 255, 0, 255}));  // not red: cyan
    EXPECT_EQ(Pixel32(theWide, 3, 1), (Bgra{0, 255, 255, 255}));  // not blue: yellow
    CopyBits(GetPortBitMapForCopyBits(theSource), GetPortBitMapForCopyBits(theWide), &theSmall, &theLarge, 1,
             nullptr);  // srcOr: not supported
    EXPECT_EQ(QDError(), paramErr);
    DisposeGWorld(theSource);
    DisposeGWorld(theIndexed);
    DisposeGWorld(theWide);
}

}  // namespace

namespace {

TEST_F(WorldTest, CopyBitsWithinOneWorldReadsTheOriginalPixels)
{
    GWorldPtr theWorld = NewWorld(32, 1, 4);
    for (int theY = 0; theY < 4; ++theY)
        SetPixel32(theWorld, 0, theY, {std::uint8_t(theY * 10), 0, 0, 255});
    const Rect theSource = MakeRect(0, 0, 1, 3);
    const Rect theDest = MakeRect(0, 1, 1, 4);
    const BitMap* theBits = GetPortBitMapForCopyBits(theWorld);
    CopyBits(theBits, theBits, &theSource, &theDest, srcCopy, nullptr);  // scroll down by one row
    for (int theY = 1; theY < 4; ++theY)
        EXPECT_EQ(Pixel32(theWorld, 0, theY)[0], (theY - 1) * 10) << theY;
    DisposeGWorld(theWorld);
}

TEST_F(WorldTest, StretchRefitScalesAndEraseUsesTheBackColour)
{
    GWorldPtr theWorld = NewWorld(32, 2, 2);
    Paint(theWorld, MakeRect(0, 0, 2, 2), Rgb8(9, 8, 7));
    const Rect theLarge = MakeRect(0, 0, 6, 4);
    EXPECT_EQ(UpdateGWorld(&theWorld, 32, &theLarge, nullptr, nullptr, stretchPix), reallocPix);
    EXPECT_EQ(Pixel32(theWorld, 5, 3), (Bgra{7, 8, 9, 255}));
    SetGWorld(theWorld, nullptr);
    const RGBColor theBack = Rgb8(1, 2, 3);
    RGBBackColor(&theBack);
    const Rect theCorner = MakeRect(5, 3, 6, 4);
    EraseRect(&theCorner);
    EXPECT_EQ(Pixel32(theWorld, 5, 3), (Bgra{3, 2, 1, 255}));
    EXPECT_EQ(Pixel32(theWorld, 4, 3), (Bgra{7, 8, 9, 255}));
    DisposeGWorld(theWorld);
}

}  // namespace

namespace {

TEST_F(WorldTest, WideRowsAreFlaggedAndReadThroughGetPixRowBytes)
{
    GWorldPtr theWorld = NewWorld(32, 5000, 2);
    PixMapHandle thePixMap = GetGWorldPixMap(theWorld);
    EXPECT_EQ(GetPixRowBytes(thePixMap), 20000);
    EXPECT_EQ((*thePixMap)->rowBytes & 0xC000, 0xC000);  // the 14-bit field cannot hold 20000
    Paint(theWorld, MakeRect(4999, 1, 5000, 2), Rgb8(1, 2, 3));
    EXPECT_EQ(Pixel32(theWorld, 4999, 1), (Bgra{3, 2, 1, 255}));
    DisposeGWorld(theWorld);
}

TEST_F(WorldTest, TheCurrentPortBelongsToTheThread)
{
    GWorldPtr theWorld = NewWorld(32, 1, 1);
    SetGWorld(theWorld, nullptr);
    CGrafPtr theOtherPort = nullptr;
    std::thread([&] { GetGWorld(&theOtherPort, nullptr); }).join();
    EXPECT_NE(theOtherPort, theWorld);
    CGrafPtr thePort = nullptr;
    GetGWorld(&thePort, nullptr);
    EXPECT_EQ(thePort, theWorld);
    SetGWorld(nullptr, nullptr);
    DisposeGWorld(theWorld);
}

}  // namespace
