// Decompression of uncompressed images: layouts, row order, row bytes, palettes, source
// rectangles, matrices, masks and checks of the description.
#include "ImagingTestSupport.h"

namespace {

class DecompressTest : public ImagingTest {
protected:
    void SetUp() override
    {
        ImagingTest::SetUp();
        const Rect theBounds = MakeRect(0, 0, 4, 4);
        ASSERT_EQ(NewGWorld(&mWorld, 32, &theBounds, nullptr, nullptr, 0), noErr);
    }
    void TearDown() override
    {
        DisposeGWorld(mWorld);
        for (ImageDescriptionHandle theDesc : mDescriptions)
            DisposeHandle(reinterpret_cast<Handle>(theDesc));
        ImagingTest::TearDown();
    }
    ImageDescriptionHandle Describe(int inWidth, int inHeight, int inDepth, std::int32_t inDataSize = 0)
    {
        mDescriptions.push_back(MakeDescription(inWidth, inHeight, inDepth, inDataSize));
        return mDescriptions.back();
    }
    OSErr Draw(void* inData, ImageDescriptionHandle inDesc, const Rect* inSource, const MatrixRecord* inMatrix,
               short inMode = srcCopy, RgnHandle inMask = nullptr)
    {
        return FDecompressImage(static_cast<Ptr>(inData), inDesc, GetGWorldPixMap(mWorld), inSource, inMatrix, inMode,
                                inMask, nullptr, nullptr, codecMaxQuality, bestFidelityCodec, 0, nullptr, nullptr);
    }

    GWorldPtr mWorld = nullptr;
    std::vector<ImageDescriptionHandle> mDescriptions;
};

constexpr Bgra kWhite{255, 255, 255, 255};
constexpr Bgra kBlack{0, 0, 0, 255};

TEST_F(DecompressTest, PositiveHeightMeansBottomUpRows)
{
    // Two rows of one 24-bit pixel, padded to 4 bytes each: first stored row is the bottom one.
    std::uint8_t theData[8] = {0, 0, 255, 0, 255, 0, 0, 0};
    const Rect theDest = MakeRect(0, 0, 1, 2);
    ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(theData), Describe(1, 2, 24), GetGWorldPixMap(mWorld), nullptr,
                              &theDest, srcCopy, nullptr),
              noErr);
    EXPECT_EQ(Pixel32(mWorld, 0, 0), (Bgra{255, 0, 0, 255}));
    EXPECT_EQ(Pixel32(mWorld, 0, 1), (Bgra{0, 0, 255, 255}));
    ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(theData), Describe(1, -2, 24), GetGWorldPixMap(mWorld), nullptr,
                              &theDest, srcCopy, nullptr),
              noErr);
    EXPECT_EQ(Pixel32(mWorld, 0, 0), (Bgra{0, 0, 255, 255}));
    EXPECT_EQ(Pixel32(mWorld, 0, 1), (Bgra{255, 0, 0, 255}));
}

TEST_F(DecompressTest, IndexedAndSixteenBitLayouts)
{
    struct Case {
        const char* mName;
        int mDepth;
        std::vector<std::uint8_t> mRow;  // one top-down row of 4 pixels, padded to 4 bytes
        Bgra mExpected[4];
    };
    const Case kCases[] = {
        {"1 bit, 0 is white", 1, {0x50, 0, 0, 0}, {kWhite, kBlack, kWhite, kBlack}},
        {"2 bits, greys", 2, {0x1B, 0, 0, 0}, {kWhite, {0xAA, 0xAA, 0xAA, 255}, {0x55, 0x55, 0x55, 255}, kBlack}},
        {"4 bits, system colours", 4, {0x0F, 0x6C, 0, 0}, {kWhite, kBlack, {0xD4, 0, 0, 255}, {0xC0, 0xC0, 0xC0, 255}}},
        {"8 bits, cube and ramps", 8, {0, 35, 215, 255}, {kWhite, {0, 0, 255, 255}, {0, 0, 0xEE, 255}, kBlack}},
        {"16 bits, x-5-5-5 little-endian",
         16,
         {0x00, 0x7C, 0x1F, 0x00, 0xE0, 0x03, 0xFF, 0xFF},
         {{0, 0, 255, 255}, {255, 0, 0, 255}, {0, 255, 0, 255}, kWhite}},
    };
    const Rect theDest = MakeRect(0, 0, 4, 1);
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mName);
        std::vector<std::uint8_t> theRow = theCase.mRow;
        ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(theRow.data()), Describe(4, -1, theCase.mDepth),
                                  GetGWorldPixMap(mWorld), nullptr, &theDest, srcCopy, nullptr),
                  noErr);
        for (int theX = 0; theX < 4; ++theX)
            EXPECT_EQ(Pixel32(mWorld, theX, 0), theCase.mExpected[theX]) << "pixel " << theX;
    }
}

TEST_F(DecompressTest, AttachedPaletteAndExplicitRowBytes)
{
    ImageDescriptionHandle theDesc = Describe(2, -2, 8);
    CTabHandle theTable = reinterpret_cast<CTabHandle>(NewHandleClear(sizeof(ColorTable) + sizeof(ColorSpec)));
    (*theTable)->ctSize = 1;
    (*theTable)->ctTable[0] = ColorSpec{0, Rgb8(10, 20, 30)};
    (*theTable)->ctTable[1] = ColorSpec{1, Rgb8(40, 50, 60)};
    ASSERT_EQ(SetImageDescriptionCTable(theDesc, theTable), noErr);
    DisposeHandle(reinterpret_cast<Handle>(theTable));
    Handle theRowBytes = NewHandle(4);
    const std::int32_t theStride = 8;
    std::memcpy(*theRowBytes, &theStride, 4);
    ASSERT_EQ(AddImageDescriptionExtension(theDesc, theRowBytes, kImageRowBytesExtension), noErr);
    DisposeHandle(theRowBytes);
    EXPECT_EQ((*theDesc)->idSize, 86 + 8 + Size(sizeof(ColorTable) + sizeof(ColorSpec)) + 8 + 4);

    std::uint8_t theData[16] = {0, 1, 9, 9, 9, 9, 9, 9, 1, 7, 9, 9, 9, 9, 9, 9};  // index 7: beyond the table
    const Rect theDest = MakeRect(0, 0, 2, 2);
    ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(theData), theDesc, GetGWorldPixMap(mWorld), nullptr, &theDest,
                              srcCopy, nullptr),
              noErr);
    EXPECT_EQ(Pixel32(mWorld, 0, 0), (Bgra{30, 20, 10, 255}));
    EXPECT_EQ(Pixel32(mWorld, 1, 0), (Bgra{60, 50, 40, 255}));
    EXPECT_EQ(Pixel32(mWorld, 0, 1), (Bgra{60, 50, 40, 255}));
    EXPECT_EQ(Pixel32(mWorld, 1, 1), kBlack);

    CTabHandle theCopy = nullptr;
    ASSERT_EQ(GetImageDescriptionCTable(theDesc, &theCopy), noErr);
    ASSERT_NE(theCopy, nullptr);
    EXPECT_EQ((*theCopy)->ctTable[1].rgb, Rgb8(40, 50, 60));
    DisposeHandle(reinterpret_cast<Handle>(theCopy));
}

TEST_F(DecompressTest, DescriptionsThatDoNotFitTheDataAreRefused)
{
    std::uint8_t theData[16] = {};
    const Rect theDest = MakeRect(0, 0, 2, 2);
    struct Case {
        const char* mName;
        ImageDescriptionHandle mDesc;
        OSErr mError;
    };
    ImageDescriptionHandle theWrongType = Describe(2, 2, 32);
    (*theWrongType)->cType = FourCharCode("jpeg");
    const Case kCases[] = {
        {"data shorter than the rows", Describe(2, 2, 32, 15), codecBadDataErr},
        {"depth 12", Describe(2, 2, 12), badImageDescription},
        {"zero width", Describe(0, 2, 32), badImageDescription},
        {"not raw", theWrongType, noCodecErr},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mName);
        EXPECT_EQ(DecompressImage(reinterpret_cast<Ptr>(theData), theCase.mDesc, GetGWorldPixMap(mWorld), nullptr,
                                  &theDest, srcCopy, nullptr),
                  theCase.mError);
    }
    MatrixRecord theIdentity;
    SetIdentityMatrix(&theIdentity);
    EXPECT_EQ(FDecompressImage(reinterpret_cast<Ptr>(theData), Describe(2, 2, 32), GetGWorldPixMap(mWorld), nullptr,
                               &theIdentity, srcCopy, nullptr, nullptr, nullptr, 0, 0, 12, nullptr, nullptr),
              codecBadDataErr);
    EXPECT_EQ(Pixel32(mWorld, 0, 0), kWhite);
    EXPECT_EQ(
        DecompressImage(nullptr, Describe(2, 2, 32), GetGWorldPixMap(mWorld), nullptr, &theDest, srcCopy, nullptr),
        paramErr);
}

// A 4×4 top-down image whose pixel (x, y) has blue x·10, green y·10, red 200.
std::vector<std::uint8_t> Gradient()
{
    std::vector<std::uint8_t> theData;
    for (int theY = 0; theY < 4; ++theY)
        for (int theX = 0; theX < 4; ++theX)
            theData.insert(theData.end(), {std::uint8_t(theX * 10), std::uint8_t(theY * 10), 200, 255});
    return theData;
}

Bgra GradientAt(int inX, int inY)
{
    return Bgra{std::uint8_t(inX * 10), std::uint8_t(inY * 10), 200, 255};
}

TEST_F(DecompressTest, SourceRectangleWithATranslationCopiesExactly)
{
    std::vector<std::uint8_t> theData = Gradient();
    const Rect theSource = MakeRect(1, 1, 3, 3);
    MatrixRecord theMatrix;
    SetIdentityMatrix(&theMatrix);
    TranslateMatrix(&theMatrix, IntToFixed(-1), IntToFixed(1));
    ASSERT_EQ(Draw(theData.data(), Describe(4, -4, 32), &theSource, &theMatrix), noErr);
    for (int theY = 0; theY < 4; ++theY)
        for (int theX = 0; theX < 4; ++theX) {
            const bool theInside = theX >= 0 && theX < 2 && theY >= 2 && theY < 4;
            EXPECT_EQ(Pixel32(mWorld, theX, theY), theInside ? GradientAt(theX + 1, theY - 1) : kWhite)
                << theX << "," << theY;
        }
}

TEST_F(DecompressTest, QuarterTurnSamplesWholePixels)
{
    std::vector<std::uint8_t> theData = Gradient();
    MatrixRecord theMatrix;
    SetIdentityMatrix(&theMatrix);
    RotateMatrix(&theMatrix, IntToFixed(90), IntToFixed(2), IntToFixed(2));
    ASSERT_EQ(Draw(theData.data(), Describe(4, -4, 32), nullptr, &theMatrix), noErr);
    // Clockwise: source (x, y) lands on (3 − y, x).
    for (int theY = 0; theY < 4; ++theY)
        for (int theX = 0; theX < 4; ++theX)
            EXPECT_EQ(Pixel32(mWorld, 3 - theY, theX), GradientAt(theX, theY)) << theX << "," << theY;
}

TEST_F(DecompressTest, ScalingCoversTheMappedRectangleOnly)
{
    std::uint8_t thePixel[4] = {10, 20, 30, 255};
    MatrixRecord theMatrix;
    const Rect theSource = MakeRect(0, 0, 1, 1);
    const Rect theDest = MakeRect(1, 1, 3, 4);
    RectMatrix(&theMatrix, &theSource, &theDest);
    ASSERT_EQ(Draw(thePixel, Describe(1, 1, 32), nullptr, &theMatrix), noErr);
    for (int theY = 0; theY < 4; ++theY)
        for (int theX = 0; theX < 4; ++theX) {
            const bool theInside = theX >= 1 && theX < 3 && theY >= 1 && theY < 4;
            EXPECT_EQ(Pixel32(mWorld, theX, theY), theInside ? (Bgra{10, 20, 30, 255}) : kWhite) << theX << "," << theY;
        }
}

TEST_F(DecompressTest, MaskLimitsThePixelsTouched)
{
    std::vector<std::uint8_t> theData = Gradient();
    RgnHandle theMask = NewRgn();
    RgnHandle theSecond = NewRgn();
    SetRectRgn(theMask, 0, 0, 1, 4);
    SetRectRgn(theSecond, 2, 1, 4, 2);
    UnionRgn(theMask, theSecond, theMask);
    EXPECT_FALSE(EmptyRgn(theMask));
    for (const bool theExact : {true, false}) {
        SCOPED_TRACE(theExact ? "exact copy" : "sampled");
        Paint(mWorld, MakeRect(0, 0, 4, 4), Rgb8(255, 255, 255));
        MatrixRecord theMatrix;
        SetIdentityMatrix(&theMatrix);
        if (!theExact)
            ScaleMatrix(&theMatrix, IntToFixed(1), IntToFixed(1) + 1, 0, 0);  // forces sampling
        ASSERT_EQ(Draw(theData.data(), Describe(4, -4, 32), nullptr, &theMatrix, srcCopy, theMask), noErr);
        for (int theY = 0; theY < 4; ++theY)
            for (int theX = 0; theX < 4; ++theX) {
                const bool theInside = PtInRgn(Point{std::int16_t(theY), std::int16_t(theX)}, theMask) != 0;
                if (theInside)
                    EXPECT_EQ(Pixel32(mWorld, theX, theY)[0], theX * 10) << theX << "," << theY;
                else
                    EXPECT_EQ(Pixel32(mWorld, theX, theY), kWhite) << theX << "," << theY;
            }
    }
    DisposeRgn(theSecond);
    DisposeRgn(theMask);
}

TEST_F(DecompressTest, DitherFlagDithersToAnIndexedTarget)
{
    // A flat colour between two cube levels: nearest colour gives one index, dithering several.
    std::vector<std::uint8_t> theData(16 * 16 * 4);
    for (std::size_t theIndex = 0; theIndex < theData.size(); theIndex += 4) {
        theData[theIndex] = 0x1A;
        theData[theIndex + 1] = 0x1A;
        theData[theIndex + 2] = 0x1A;
        theData[theIndex + 3] = 255;
    }
    GWorldPtr theIndexed = nullptr;
    const Rect theBounds = MakeRect(0, 0, 16, 16);
    ASSERT_EQ(NewGWorld(&theIndexed, 8, &theBounds, nullptr, nullptr, 0), noErr);
    auto theDistinct = [&] {
        std::vector<bool> theSeen(256);
        int theCount = 0;
        for (int theY = 0; theY < 16; ++theY)
            for (int theX = 0; theX < 16; ++theX)
                if (!theSeen[*PixelAddress(theIndexed, theX, theY)]) {
                    theSeen[*PixelAddress(theIndexed, theX, theY)] = true;
                    ++theCount;
                }
        return theCount;
    };
    ImageDescriptionHandle theDesc = Describe(16, -16, 32);
    ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(theData.data()), theDesc, GetGWorldPixMap(theIndexed), nullptr,
                              &theBounds, srcCopy, nullptr),
              noErr);
    EXPECT_EQ(theDistinct(), 1);
    ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(theData.data()), theDesc, GetGWorldPixMap(theIndexed), nullptr,
                              &theBounds, srcCopy + ditherCopy, nullptr),
              noErr);
    EXPECT_GT(theDistinct(), 1);
    DisposeGWorld(theIndexed);
}

}  // namespace

namespace {

TEST_F(DecompressTest, MatricesThatLeaveTheTargetOrCollapseAreHandled)
{
    std::vector<std::uint8_t> theData = Gradient();
    struct Case {
        const char* mName;
        void (*mApply)(MatrixRecord*);
        Bgra mCorner;  // pixel (3, 3) afterwards
    };
    const Case kCases[] = {
        {"far away", [](MatrixRecord* m) { TranslateMatrix(m, IntToFixed(30000), IntToFixed(-30000)); }, kWhite},
        {"huge scale", [](MatrixRecord* m) { ScaleMatrix(m, IntToFixed(30000), IntToFixed(30000), 0, 0); },
         GradientAt(0, 0)},
        {"collapsed to a line", [](MatrixRecord* m) { ScaleMatrix(m, 0, fixed1, 0, 0); }, kWhite},
        // x′ = x / (1 + x/8): the image shrinks towards the left and no longer reaches (3, 3)
        {"perspective", [](MatrixRecord* m) { m->matrix[0][2] = fract1 / 8; }, kWhite},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mName);
        Paint(mWorld, MakeRect(0, 0, 4, 4), Rgb8(255, 255, 255));
        MatrixRecord theMatrix;
        SetIdentityMatrix(&theMatrix);
        theCase.mApply(&theMatrix);
        EXPECT_EQ(Draw(theData.data(), Describe(4, -4, 32), nullptr, &theMatrix), noErr);
        EXPECT_EQ(Pixel32(mWorld, 3, 3), theCase.mCorner);
    }
}

}  // namespace

namespace {

// Shrinking averages the whole area each target pixel covers: columns white,
// black, black repeated, at a third of their size, are a third white
// everywhere (sampling at pixel centres would see only the black ones).
TEST_F(DecompressTest, ShrinkingAveragesTheAreaEachPixelCovers)
{
    std::vector<std::uint8_t> theData(12 * 12 * 4);
    for (std::size_t thePixel = 0; thePixel < 12 * 12; ++thePixel) {
        const std::uint8_t theValue = thePixel % 3 == 0 ? 255 : 0;
        theData[thePixel * 4] = theData[thePixel * 4 + 1] = theData[thePixel * 4 + 2] = theValue;
        theData[thePixel * 4 + 3] = 255;
    }
    for (int theY = 0; theY < 4; ++theY)
        for (int theX = 0; theX < 4; ++theX)
            SetPixel32(mWorld, theX, theY, Bgra{1, 2, 3, 255});
    // 9 × 9 of the source at a third, moved by one pixel: the 3 × 3 pixels from (1, 1).
    const Rect theSource = MakeRect(0, 0, 9, 9);
    MatrixRecord theMatrix;
    SetIdentityMatrix(&theMatrix);
    ScaleMatrix(&theMatrix, fixed1 / 3 + 1, fixed1 / 3 + 1, 0, 0);
    TranslateMatrix(&theMatrix, fixed1, fixed1);
    ASSERT_EQ(Draw(theData.data(), Describe(12, -12, 32), &theSource, &theMatrix), noErr);
    for (int theY = 0; theY < 4; ++theY)
        for (int theX = 0; theX < 4; ++theX) {
            const Bgra thePixel = Pixel32(mWorld, theX, theY);
            if (theX == 0 || theY == 0) {
                EXPECT_EQ(thePixel, (Bgra{1, 2, 3, 255})) << theX << "," << theY;
                continue;
            }
            EXPECT_NEAR(thePixel[0], 85, 1) << theX << "," << theY;
            EXPECT_NEAR(thePixel[2], 85, 1) << theX << "," << theY;
            EXPECT_EQ(thePixel[3], 255) << theX << "," << theY;
        }
}

}  // namespace
