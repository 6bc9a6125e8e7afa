// Handles and device-context state: stale handles, selection, deletion
// rules, modes and transforms put back as they were.
#include "PixelCanvas.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

bool IsIdentity(HDC inDC)
{
    XFORM theTransform{};
    GetWorldTransform(inDC, &theTransform);
    return theTransform.eM11 == 1 && theTransform.eM12 == 0 && theTransform.eM21 == 0 && theTransform.eM22 == 1 &&
           theTransform.eDx == 0 && theTransform.eDy == 0;
}

TEST(Handles, StaleAndMadeUpHandlesAreRefused)
{
    HPEN thePen = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
    ASSERT_NE(thePen, 0u);
    ASSERT_TRUE(DeleteObject(thePen));
    GdiSetLastError(0);
    EXPECT_FALSE(DeleteObject(thePen));
    EXPECT_EQ(GdiGetLastError(), kGdiErrorInvalidHandle);

    // A new object may take the slot; the old handle still does not name it.
    HPEN theNext = CreatePen(PS_SOLID, 1, 0);
    PixelCanvas theCanvas(8, 8);
    GdiSetLastError(0);
    EXPECT_EQ(SelectObject(theCanvas.DC(), thePen), 0u);
    EXPECT_EQ(GdiGetLastError(), kGdiErrorInvalidHandle);
    DeleteObject(theNext);

    for (std::uint32_t theMadeUp : {0u, 1u, 0x12345u, 0xFFFFFFFFu, 0x00100000u}) {
        SCOPED_TRACE(theMadeUp);
        GdiSetLastError(0);
        EXPECT_EQ(GetObjectA(theMadeUp, sizeof(DIBSECTION), nullptr), 0);
        EXPECT_EQ(GdiGetLastError(), kGdiErrorInvalidHandle);
        EXPECT_EQ(CreateDCOnBitmap(theMadeUp), 0u);
        EXPECT_EQ(GetPixel(theMadeUp, 0, 0), CLR_INVALID);
        EXPECT_FALSE(Rectangle(theMadeUp, 0, 0, 2, 2));
        EXPECT_EQ(SetMapMode(theMadeUp, MM_TEXT), 0);
        EXPECT_FALSE(DeleteDC(theMadeUp));
    }
}

// Threads make, use and delete objects at once, so the table grows and reuses
// slots while others look handles up: a deleted handle must still be refused.
TEST(Handles, LookupsOnSeveralThreadsRefuseDeletedHandles)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 3000;
    std::atomic<int> theFaults{0};
    std::vector<std::thread> theThreads;
    for (int theIndex = 0; theIndex < kThreads; ++theIndex) {
        theThreads.emplace_back([&theFaults, theIndex] {
            PixelCanvas theCanvas(4, 4);
            for (int theRound = 0; theRound < kRounds; ++theRound) {
                HPEN thePen = CreatePen(PS_SOLID, 1, RGB(theIndex, theRound & 0xFF, 0));
                HDC theScreen = GetDC(0);
                const HGDIOBJ theOld = SelectObject(theCanvas.DC(), thePen);
                const bool theUsed = theOld != 0 && SelectObject(theCanvas.DC(), theOld) == thePen &&
                                     GetDeviceCaps(theScreen, LOGPIXELSY) == 96;
                const bool theDeleted = DeleteObject(thePen) && ReleaseDC(0, theScreen);
                const bool theRefused = SelectObject(theCanvas.DC(), thePen) == 0 && !DeleteObject(thePen) &&
                                        GetDeviceCaps(theScreen, LOGPIXELSY) == 0;
                if (!theUsed || !theDeleted || !theRefused) {
                    ++theFaults;
                }
            }
        });
    }
    for (std::thread& theThread : theThreads) {
        theThread.join();
    }
    EXPECT_EQ(theFaults.load(), 0);
}

TEST(Handles, HandlesOfOneKindAreNotTakenForAnother)
{
    PixelCanvas theCanvas(8, 8);
    HBRUSH theBrush = CreateSolidBrush(0);
    EXPECT_EQ(GetObjectA(theBrush, sizeof(DIBSECTION), nullptr), 0) << "not a bitmap";
    EXPECT_EQ(CreateDCOnBitmap(theBrush), 0u);
    EXPECT_EQ(SetBkMode(theBrush, OPAQUE), 0) << "not a device context";
    EXPECT_FALSE(DeleteObject(theCanvas.DC())) << "device contexts go with DeleteDC";
    EXPECT_EQ(SelectObject(theCanvas.DC(), theCanvas.Bitmap()), 0u);
    DeleteObject(theBrush);
}

TEST(Handles, SelectedObjectsAndBitmapsInUseCannotBeDeleted)
{
    std::vector<std::uint8_t> thePixels(16 * 16 * 4);
    HBITMAP theBitmap = CreateDIBSectionOnPixels(16, 16, 32, 64, thePixels.data(), nullptr, 0);
    HDC theDC = CreateDCOnBitmap(theBitmap);
    HPEN thePen = CreatePen(PS_SOLID, 2, 0);
    HGDIOBJ theOld = SelectObject(theDC, thePen);
    EXPECT_EQ(theOld, GetStockObject(BLACK_PEN));
    EXPECT_FALSE(DeleteObject(thePen));
    EXPECT_EQ(GdiGetLastError(), kGdiErrorBusy);
    EXPECT_FALSE(DeleteObject(theBitmap));
    EXPECT_EQ(GdiGetLastError(), kGdiErrorBusy);
    EXPECT_EQ(SelectObject(theDC, theOld), thePen);
    EXPECT_TRUE(DeleteObject(thePen));
    EXPECT_TRUE(DeleteDC(theDC));
    EXPECT_TRUE(DeleteObject(theBitmap));
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH))) << "stock objects stay";
    PixelCanvas theCanvas(4, 4);
    EXPECT_NE(SelectObject(theCanvas.DC(), GetStockObject(WHITE_BRUSH)), 0u) << "still there";
}

TEST(Handles, AFontDescribesItsRequest)
{
    HFONT theFont = CreateFontA(-17, 0, 0, 0, FW_BOLD, 1, 0, 1, 0, 0, 0, 4, 0, "Liberation Mono");
    LOGFONTA theLog{};
    ASSERT_EQ(GetObjectA(theFont, sizeof(theLog), &theLog), static_cast<int>(sizeof(theLog)));
    EXPECT_EQ(theLog.lfHeight, -17);
    EXPECT_EQ(theLog.lfWeight, FW_BOLD);
    EXPECT_EQ(theLog.lfItalic, 1);
    EXPECT_EQ(theLog.lfStrikeOut, 1);
    EXPECT_STREQ(theLog.lfFaceName, "Liberation Mono");
    EXPECT_EQ(GetObjectA(theFont, 8, &theLog), 0);
    DeleteObject(theFont);
}

TEST(Handles, DeletingAContextReleasesItsSelections)
{
    PixelCanvas theCanvas(8, 8);
    HDC theDC = CreateDCOnBitmap(theCanvas.Bitmap());
    HBRUSH theBrush = CreateSolidBrush(RGB(9, 9, 9));
    SelectObject(theDC, theBrush);
    ASSERT_TRUE(DeleteDC(theDC));
    EXPECT_TRUE(DeleteObject(theBrush));
}

// A pin finds its context without the table; it must still refuse the
// context once deleted, leave other contexts to the table, and let the
// deleted context's selections go when it is unpinned.
TEST(Handles, APinnedContextIsRefusedOnceDeleted)
{
    PixelCanvas theCanvas(8, 8);
    HDC theDC = CreateDCOnBitmap(theCanvas.Bitmap());
    ASSERT_NE(theDC, 0u);
    HBRUSH theBrush = CreateSolidBrush(RGB(9, 9, 9));
    ASSERT_TRUE(GdiPinDC(theDC));
    EXPECT_NE(SelectObject(theDC, theBrush), 0u);
    EXPECT_TRUE(Rectangle(theDC, 0, 0, 4, 4));
    EXPECT_TRUE(Rectangle(theCanvas.DC(), 0, 0, 4, 4)) << "another context goes through the table";

    ASSERT_TRUE(DeleteDC(theDC));
    GdiSetLastError(0);
    EXPECT_FALSE(Rectangle(theDC, 0, 0, 4, 4));
    EXPECT_EQ(GdiGetLastError(), kGdiErrorInvalidHandle);
    GdiSetLastError(0);
    EXPECT_EQ(SelectObject(theDC, GetStockObject(WHITE_BRUSH)), 0u);
    EXPECT_EQ(GdiGetLastError(), kGdiErrorInvalidHandle);
    EXPECT_EQ(SetMapMode(theDC, MM_TEXT), 0);

    GdiUnpinDC();
    EXPECT_TRUE(DeleteObject(theBrush)) << "the context's selections went with it";

    GdiSetLastError(0);
    EXPECT_FALSE(GdiPinDC(theDC));
    EXPECT_EQ(GdiGetLastError(), kGdiErrorInvalidHandle);
    EXPECT_FALSE(GdiPinDC(theCanvas.Bitmap())) << "only device contexts are pinned";
}

// The engine's bracket: save every mode and object, draw, put them back.
TEST(DeviceState, ABracketOfChangesLeavesTheContextAsItWas)
{
    PixelCanvas theCanvas(32, 32);
    HDC theDC = theCanvas.DC();
    const COLORREF theTextColor = GetTextColor(theDC);
    const int theBkMode = GetBkMode(theDC);

    const int theOldMap = SetMapMode(theDC, MM_TEXT);
    EXPECT_EQ(theOldMap, MM_TEXT);
    const int theOldGraphics = SetGraphicsMode(theDC, GM_ADVANCED);
    EXPECT_EQ(theOldGraphics, GM_COMPATIBLE);
    const XFORM theTurn{0.5f, 0.8660254f, -0.8660254f, 0.5f, 10, 3};
    ASSERT_TRUE(SetWorldTransform(theDC, &theTurn));
    HPEN thePen = CreatePen(PS_SOLID, 4, RGB(1, 1, 1));
    HBRUSH theBrush = CreateSolidBrush(RGB(2, 2, 2));
    HFONT theFont = CreateFontA(-13, 0, 0, 0, FW_BOLD, 1, 1, 1, 0, 0, 0, 4, 0, "Liberation Sans");
    const HGDIOBJ theOldPen = SelectObject(theDC, thePen);
    const HGDIOBJ theOldBrush = SelectObject(theDC, theBrush);
    const HGDIOBJ theOldFont = SelectObject(theDC, theFont);
    EXPECT_NE(theOldPen, 0u);
    EXPECT_NE(theOldBrush, 0u);
    EXPECT_NE(theOldFont, 0u);
    const COLORREF theOldText = SetTextColor(theDC, RGB(200, 100, 0));
    const int theOldBk = SetBkMode(theDC, TRANSPARENT);
    EXPECT_EQ(GetTextColor(theDC), RGB(200, 100, 0));
    Rectangle(theDC, 2, 2, 20, 20);

    EXPECT_EQ(SelectObject(theDC, theOldBrush), theBrush);
    EXPECT_EQ(SelectObject(theDC, theOldPen), thePen);
    EXPECT_EQ(SelectObject(theDC, theOldFont), theFont);
    EXPECT_TRUE(DeleteObject(theBrush));
    EXPECT_TRUE(DeleteObject(thePen));
    EXPECT_TRUE(DeleteObject(theFont));
    EXPECT_EQ(SetMapMode(theDC, theOldMap), MM_TEXT);
    EXPECT_EQ(SetBkMode(theDC, theOldBk), TRANSPARENT);
    EXPECT_EQ(SetTextColor(theDC, theOldText), RGB(200, 100, 0));
    EXPECT_FALSE(SetGraphicsMode(theDC, GM_COMPATIBLE)) << "not while transformed";
    EXPECT_TRUE(ModifyWorldTransform(theDC, nullptr, MWT_IDENTITY));
    EXPECT_EQ(SetGraphicsMode(theDC, theOldGraphics), GM_ADVANCED);

    EXPECT_EQ(GetMapMode(theDC), MM_TEXT);
    EXPECT_EQ(GetGraphicsMode(theDC), GM_COMPATIBLE);
    EXPECT_TRUE(IsIdentity(theDC));
    EXPECT_EQ(GetTextColor(theDC), theTextColor);
    EXPECT_EQ(GetBkMode(theDC), theBkMode);
    EXPECT_EQ(SelectObject(theDC, GetStockObject(BLACK_PEN)), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(theDC, GetStockObject(WHITE_BRUSH)), GetStockObject(WHITE_BRUSH));
}

TEST(DeviceState, ModesAndTransformsAreChecked)
{
    PixelCanvas theCanvas(8, 8);
    HDC theDC = theCanvas.DC();
    const XFORM theShift{1, 0, 0, 1, 5, 5};
    EXPECT_FALSE(SetWorldTransform(theDC, &theShift)) << "needs GM_ADVANCED";
    EXPECT_EQ(SetMapMode(theDC, 8), 0);
    EXPECT_EQ(SetGraphicsMode(theDC, 3), 0);
    EXPECT_EQ(SetBkMode(theDC, 7), 0);
    SetGraphicsMode(theDC, GM_ADVANCED);
    const XFORM theFlat{1, 2, 2, 4, 0, 0};
    EXPECT_FALSE(SetWorldTransform(theDC, &theFlat)) << "singular";
    EXPECT_TRUE(SetWorldTransform(theDC, &theShift));
    const XFORM theScale{2, 0, 0, 3, 0, 0};
    // Left multiplication applies the scale first: (1,1) → (2,3) → (7,8).
    ASSERT_TRUE(ModifyWorldTransform(theDC, &theScale, MWT_LEFTMULTIPLY));
    XFORM theResult{};
    GetWorldTransform(theDC, &theResult);
    EXPECT_FLOAT_EQ(theResult.eM11, 2);
    EXPECT_FLOAT_EQ(theResult.eDx, 5);
    ASSERT_TRUE(ModifyWorldTransform(theDC, &theScale, MWT_RIGHTMULTIPLY));
    GetWorldTransform(theDC, &theResult);
    EXPECT_FLOAT_EQ(theResult.eM22, 9);
    EXPECT_FLOAT_EQ(theResult.eDx, 10);
    EXPECT_FLOAT_EQ(theResult.eDy, 15);
}

TEST(DeviceState, ScreenContextReportsNinetySixDotsPerInch)
{
    HDC theScreen = GetDC(0);
    ASSERT_NE(theScreen, 0u);
    EXPECT_EQ(GetDeviceCaps(theScreen, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(theScreen, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(theScreen, BITSPIXEL), 32);
    EXPECT_TRUE(Rectangle(theScreen, 0, 0, 10, 10)) << "drawing on the screen context goes nowhere";
    RECT theRect{0, 0, 100, 0};
    EXPECT_GT(DrawTextA(theScreen, "measure", -1, &theRect, DT_CALCRECT), 0);
    EXPECT_EQ(ReleaseDC(0, theScreen), 1);
    EXPECT_EQ(ReleaseDC(0, theScreen), 0);

    PixelCanvas theCanvas(30, 20, 16);
    EXPECT_EQ(GetDeviceCaps(theCanvas.DC(), HORZRES), 30);
    EXPECT_EQ(GetDeviceCaps(theCanvas.DC(), VERTRES), 20);
    EXPECT_EQ(GetDeviceCaps(theCanvas.DC(), BITSPIXEL), 16);
    EXPECT_EQ(ReleaseDC(0, theCanvas.DC()), 0) << "only screen contexts are released";
}

TEST(DeviceState, LastErrorIsPerThread)
{
    GdiSetLastError(0);
    std::thread theOther([] {
        DeleteObject(0x4242);
        EXPECT_EQ(GdiGetLastError(), kGdiErrorInvalidHandle);
    });
    theOther.join();
    EXPECT_EQ(GdiGetLastError(), 0u);
}

TEST(DeviceState, ContextsOnSeveralThreadsDrawIndependently)
{
    std::vector<std::thread> theThreads;
    std::atomic<int> theGood{0};
    for (int theIndex = 0; theIndex < 4; ++theIndex) {
        theThreads.emplace_back([&theGood, theIndex] {
            PixelCanvas theCanvas(60, 30);
            HFONT theFont = CreateFontA(-13, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 4, 0, "DejaVu Sans");
            HGDIOBJ theOld = SelectObject(theCanvas.DC(), theFont);
            RECT theRect{0, 0, 60, 30};
            const int theHeight = DrawTextA(theCanvas.DC(), "thread", -1, &theRect, DT_WORDBREAK);
            SelectObject(theCanvas.DC(), GetStockObject(BLACK_BRUSH));
            Rectangle(theCanvas.DC(), theIndex, 20, theIndex + 10, 30);
            if (theHeight == 15 && theCanvas.At(theIndex + 1, 25) == RGB(0, 0, 0)) {
                ++theGood;
            }
            SelectObject(theCanvas.DC(), theOld);
            SelectObject(theCanvas.DC(), GetStockObject(WHITE_BRUSH));
            DeleteObject(theFont);
        });
    }
    for (std::thread& theThread : theThreads) {
        theThread.join();
    }
    EXPECT_EQ(theGood.load(), 4);
}

TEST(Arithmetic, MulDivRoundsHalfAwayFromZero)
{
    EXPECT_EQ(MulDiv(10, 96, 72), 13);
    EXPECT_EQ(MulDiv(12, 96, 72), 16);
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(0x7FFFFFFF, 4, 2), -1) << "overflow";
}

}  // namespace
