// Pixel stores of every depth: layouts, nearest colours, untouched pixels.
#include "PixelCanvas.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

const std::vector<RGBQUAD> kFourColors = {
    {0, 0, 0, 0},        // black
    {255, 255, 255, 0},  // white
    {0, 0, 255, 0},      // red (B, G, R order)
    {255, 0, 0, 0},      // blue
};

HFONT MakeFont(int inHeight, const char* inFace = "DejaVu Sans", int inWeight = FW_NORMAL)
{
    return CreateFontA(inHeight, 0, 0, 0, inWeight, 0, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, inFace);
}

TEST(Store32, LayoutIsBlueGreenRedAlphaTopDown)
{
    PixelCanvas theCanvas(4, 3);
    ASSERT_EQ(SetPixel(theCanvas.DC(), 1, 2, RGB(10, 20, 30)), RGB(10, 20, 30));
    const std::uint8_t* thePixel = theCanvas.Bytes().data() + 2 * theCanvas.RowBytes() + 1 * 4;
    EXPECT_EQ(thePixel[0], 30);
    EXPECT_EQ(thePixel[1], 20);
    EXPECT_EQ(thePixel[2], 10);
    EXPECT_EQ(thePixel[3], 255);
    EXPECT_EQ(GetPixel(theCanvas.DC(), 4, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(theCanvas.DC(), 0, -1), CLR_INVALID);
    EXPECT_EQ(SetPixel(theCanvas.DC(), 0, 3, 0), CLR_INVALID);
}

TEST(Store32, DrawnPixelsBecomeOpaqueAndOthersKeepTheirBytes)
{
    PixelCanvas theCanvas(20, 20);
    auto& theBytes = theCanvas.Bytes();
    for (std::size_t theIndex = 0; theIndex < theBytes.size(); theIndex += 4) {
        theBytes[theIndex + 0] = 1;
        theBytes[theIndex + 1] = 2;
        theBytes[theIndex + 2] = 3;
        theBytes[theIndex + 3] = 0;  // transparent
    }
    const std::vector<std::uint8_t> theBefore = theBytes;
    SelectObject(theCanvas.DC(), GetStockObject(NULL_PEN));
    SelectObject(theCanvas.DC(), GetStockObject(BLACK_BRUSH));
    Rectangle(theCanvas.DC(), 5, 5, 10, 10);
    for (int theY = 0; theY < 20; ++theY) {
        for (int theX = 0; theX < 20; ++theX) {
            const std::size_t theOffset = static_cast<std::size_t>(theY) * theCanvas.RowBytes() + theX * 4;
            const bool theInside = theX >= 5 && theX < 9 && theY >= 5 && theY < 9;
            if (theInside) {
                EXPECT_EQ(theBytes[theOffset + 0], 0);
                EXPECT_EQ(theBytes[theOffset + 3], 255);
            } else {
                ASSERT_EQ(0, std::memcmp(&theBytes[theOffset], &theBefore[theOffset], 4)) << theX << "," << theY;
            }
        }
    }
    SelectObject(theCanvas.DC(), GetStockObject(BLACK_PEN));
    SelectObject(theCanvas.DC(), GetStockObject(WHITE_BRUSH));
}

TEST(Store32, TextHasIntermediateGreysWhileShapesHaveNone)
{
    PixelCanvas theCanvas(200, 40);
    HDC theDC = theCanvas.DC();
    HFONT theFont = MakeFont(-20);
    HGDIOBJ theOld = SelectObject(theDC, theFont);
    SetBkMode(theDC, TRANSPARENT);
    RECT theRect{0, 0, 200, 40};
    ASSERT_GT(DrawTextA(theDC, "Quality & grey", -1, &theRect, DT_NOPREFIX), 0);
    int theGreys = 0;
    for (COLORREF theColor : theCanvas.Colors()) {
        const int theRed = GetRValue(theColor);
        if (theRed > 0 && theRed < 255) {
            EXPECT_EQ(theRed, GetGValue(theColor));
            EXPECT_EQ(theRed, GetBValue(theColor));
            ++theGreys;
        }
    }
    EXPECT_GT(theGreys, 5);
    SelectObject(theDC, theOld);
    DeleteObject(theFont);
}

TEST(StoreIndexed, EightBitsKeepOnlyPaletteColoursAndUntouchedIndices)
{
    PixelCanvas theCanvas(120, 40, 8, kFourColors);
    auto& theBytes = theCanvas.Bytes();
    std::fill(theBytes.begin(), theBytes.end(), 1);  // white
    theBytes[theCanvas.RowBytes() * 39 + 119] = 7;   // an index beyond the palette, far from the drawing
    HDC theDC = theCanvas.DC();
    HBRUSH theBrush = CreateSolidBrush(RGB(240, 30, 20));  // nearest: red
    HPEN thePen = CreatePen(PS_SOLID, 2, RGB(0, 255, 0));  // nearest: black
    SelectObject(theDC, theBrush);
    SelectObject(theDC, thePen);
    Ellipse(theDC, 2, 2, 30, 30);
    HFONT theFont = MakeFont(-16);
    SelectObject(theDC, theFont);
    SetTextColor(theDC, RGB(0, 0, 200));  // nearest: blue; its antialiased edges map to the four colours
    SetBkMode(theDC, TRANSPARENT);
    RECT theRect{35, 2, 118, 30};
    DrawTextA(theDC, "Indexed", -1, &theRect, 0);
    int theRed = 0;
    int theBlack = 0;
    int theBlue = 0;
    for (int theY = 0; theY < 40; ++theY) {
        for (int theX = 0; theX < 120; ++theX) {
            const std::uint8_t theIndex = theBytes[theY * theCanvas.RowBytes() + theX];
            if (theX == 119 && theY == 39) {
                EXPECT_EQ(theIndex, 7);
                continue;
            }
            ASSERT_LT(theIndex, 4) << theX << "," << theY;
            theRed += theIndex == 2;
            theBlack += theIndex == 0;
            theBlue += theIndex == 3;
        }
    }
    EXPECT_GT(theRed, 100);
    EXPECT_GT(theBlack, 50);
    EXPECT_GT(theBlue, 20);
    EXPECT_EQ(GetPixel(theDC, 16, 16), RGB(255, 0, 0));
    SelectObject(theDC, GetStockObject(BLACK_PEN));
    SelectObject(theDC, GetStockObject(WHITE_BRUSH));
    SelectObject(theDC, GetStockObject(SYSTEM_FONT));
    DeleteObject(theBrush);
    DeleteObject(thePen);
    DeleteObject(theFont);
}

TEST(StoreIndexed, PackedDepthsWriteTheirBitsMostSignificantFirst)
{
    struct Case {
        int mBits;
        std::uint8_t mFirstByte;  // after painting pixel 1 of row 0 with palette index 2 (or 1 at 1 bit)
    };
    for (const Case theCase : {Case{1, 0x40}, Case{2, 0x20}, Case{4, 0x02}}) {
        SCOPED_TRACE(theCase.mBits);
        std::vector<RGBQUAD> thePalette(kFourColors.begin(), kFourColors.begin() + (theCase.mBits == 1 ? 2 : 4));
        PixelCanvas theCanvas(16, 4, theCase.mBits, thePalette);
        std::fill(theCanvas.Bytes().begin(), theCanvas.Bytes().end(), 0);  // index 0: black
        const COLORREF theColor = theCase.mBits == 1 ? RGB(250, 250, 250) : RGB(200, 0, 0);
        const COLORREF theStored = SetPixel(theCanvas.DC(), 1, 0, theColor);
        EXPECT_EQ(theStored, theCase.mBits == 1 ? RGB(255, 255, 255) : RGB(255, 0, 0));
        EXPECT_EQ(theCanvas.Bytes()[0], theCase.mFirstByte);
        EXPECT_EQ(GetPixel(theCanvas.DC(), 0, 0), RGB(0, 0, 0));
    }
}

TEST(Store16, FiveBitChannelsNearestAndUntouchedWordsKept)
{
    PixelCanvas theCanvas(30, 30, 16);
    auto& theBytes = theCanvas.Bytes();
    for (std::size_t theIndex = 0; theIndex < theBytes.size(); theIndex += 2) {
        theBytes[theIndex] = 0xFF;
        theBytes[theIndex + 1] = 0xFF;  // the unused top bit set: must survive where nothing is drawn
    }
    HDC theDC = theCanvas.DC();
    HBRUSH theBrush = CreateSolidBrush(RGB(13, 200, 77));
    SelectObject(theDC, theBrush);
    SelectObject(theDC, GetStockObject(NULL_PEN));
    Rectangle(theDC, 10, 10, 20, 20);
    // 13 → level 2 (16), 200 → 24 (198), 77 → 9 (74)
    EXPECT_EQ(GetPixel(theDC, 12, 12), RGB(16, 198, 74));
    const std::size_t theInside = 12 * theCanvas.RowBytes() + 12 * 2;
    EXPECT_EQ(theBytes[theInside] | (theBytes[theInside + 1] << 8), (2 << 10) | (24 << 5) | 9);
    EXPECT_EQ(theBytes[5 * theCanvas.RowBytes() + 5 * 2 + 1], 0xFF);
    EXPECT_EQ(GetPixel(theDC, 5, 5), RGB(255, 255, 255));
    SelectObject(theDC, GetStockObject(WHITE_BRUSH));
    SelectObject(theDC, GetStockObject(BLACK_PEN));
    DeleteObject(theBrush);
}

TEST(StoreGeometry, BadStoresAreRefused)
{
    std::vector<std::uint8_t> thePixels(64 * 64 * 4);
    EXPECT_EQ(CreateDIBSectionOnPixels(10, 10, 24, 40, thePixels.data(), nullptr, 0), 0u);
    EXPECT_EQ(GdiGetLastError(), kGdiErrorInvalidParameter);
    EXPECT_EQ(CreateDIBSectionOnPixels(10, 10, 32, 39, thePixels.data(), nullptr, 0), 0u);
    EXPECT_EQ(CreateDIBSectionOnPixels(0, 10, 32, 40, thePixels.data(), nullptr, 0), 0u);
    EXPECT_EQ(CreateDIBSectionOnPixels(10, 10, 32, 40, nullptr, nullptr, 0), 0u);
    EXPECT_EQ(CreateDIBSectionOnPixels(10, 10, 8, 12, thePixels.data(), nullptr, 0), 0u) << "no palette";
    std::vector<RGBQUAD> theTooMany(5);
    EXPECT_EQ(CreateDIBSectionOnPixels(10, 10, 2, 4, thePixels.data(), theTooMany.data(), 5), 0u);
}

TEST(StoreGeometry, GetObjectDescribesTheSection)
{
    PixelCanvas theCanvas(10, 7, 8, kFourColors);
    DIBSECTION theSection{};
    ASSERT_EQ(GetObjectA(theCanvas.Bitmap(), sizeof(theSection), &theSection), static_cast<int>(sizeof(theSection)));
    EXPECT_EQ(theSection.dsBm.bmType, 0);
    EXPECT_EQ(theSection.dsBm.bmWidth, 10);
    EXPECT_EQ(theSection.dsBm.bmHeight, 7);
    EXPECT_EQ(theSection.dsBm.bmWidthBytes, 12);
    EXPECT_EQ(theSection.dsBm.bmPlanes, 1);
    EXPECT_EQ(theSection.dsBm.bmBitsPixel, 8);
    EXPECT_EQ(theSection.dsBm.bmBits, theCanvas.Bytes().data());
    EXPECT_EQ(theSection.dsBmih.biSize, 40u);
    EXPECT_EQ(theSection.dsBmih.biWidth, 10);
    EXPECT_EQ(theSection.dsBmih.biHeight, -7) << "top-down";
    EXPECT_EQ(theSection.dsBmih.biBitCount, 8);
    EXPECT_EQ(theSection.dsBmih.biCompression, 0u);
    EXPECT_EQ(theSection.dsBmih.biSizeImage, 84u);
    EXPECT_EQ(theSection.dsBmih.biClrUsed, 4u);

    BITMAP theBitmap{};
    EXPECT_EQ(GetObjectA(theCanvas.Bitmap(), sizeof(theBitmap), &theBitmap), static_cast<int>(sizeof(theBitmap)));
    EXPECT_EQ(theBitmap.bmWidth, 10);
    EXPECT_EQ(GetObjectA(theCanvas.Bitmap(), 0, nullptr), static_cast<int>(sizeof(DIBSECTION)));
    EXPECT_EQ(GetObjectA(theCanvas.Bitmap(), 4, &theBitmap), 0);

    RGBQUAD theColors[8] = {};
    EXPECT_EQ(GetDIBColorTable(theCanvas.DC(), 1, 8, theColors), 3u);
    EXPECT_EQ(theColors[1].rgbRed, 255);
    EXPECT_EQ(GetBitmapColorTable(theCanvas.Bitmap(), 0, 2, theColors), 2u);
    EXPECT_EQ(theColors[1].rgbGreen, 255);
}

}  // namespace
