// Text layout and drawing: metrics, wrapping, measuring, edit-control
// layout, alignment, tabs, text as a path.
#include "PixelCanvas.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr UINT kEngineFlags = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;

class TextTest : public ::testing::Test {
protected:
    void SetUp() override { UseFont("DejaVu Sans", -MulDiv(10, 96, 72)); }
    void TearDown() override
    {
        SelectObject(mCanvas.DC(), mOldFont);
        DeleteObject(mFont);
    }
    void UseFont(const char* inFace, int inHeight, int inWeight = FW_NORMAL)
    {
        HFONT theFont =
            CreateFontA(inHeight, 0, 0, 0, inWeight, 0, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, inFace);
        ASSERT_NE(theFont, 0u);
        HGDIOBJ theOld = SelectObject(mCanvas.DC(), theFont);
        if (mFont != 0) {
            DeleteObject(mFont);
        } else {
            mOldFont = theOld;
        }
        mFont = theFont;
        SetBkMode(mCanvas.DC(), TRANSPARENT);
    }
    int LineHeight()
    {
        TEXTMETRICA theMetrics{};
        EXPECT_TRUE(GetTextMetricsA(mCanvas.DC(), &theMetrics));
        return theMetrics.tmHeight;
    }
    int Width(const char* inText)
    {
        SIZE theSize{};
        EXPECT_TRUE(GetTextExtentPoint32A(mCanvas.DC(), inText, static_cast<int>(std::strlen(inText)), &theSize));
        return theSize.cx;
    }

    PixelCanvas mCanvas{400, 200};
    HFONT mFont = 0;
    HGDIOBJ mOldFont = 0;
};

TEST_F(TextTest, TenPointsAtNinetySixDotsGiveFifteenPixelLines)
{
    for (const char* theFace : {"DejaVu Sans", "Liberation Sans", "Liberation Serif"}) {
        SCOPED_TRACE(theFace);
        UseFont(theFace, -13);
        TEXTMETRICA theMetrics{};
        ASSERT_TRUE(GetTextMetricsA(mCanvas.DC(), &theMetrics));
        EXPECT_EQ(theMetrics.tmHeight, 15);
        EXPECT_EQ(theMetrics.tmHeight, theMetrics.tmAscent + theMetrics.tmDescent);
        RECT theRect{0, 0, 300, 0};
        EXPECT_EQ(DrawTextA(mCanvas.DC(), "Line height", -1, &theRect, kEngineFlags | DT_CALCRECT | DT_SINGLELINE), 15);
    }
}

TEST_F(TextTest, PositiveHeightIsTheCellHeight)
{
    for (int theCell : {12, 15, 20, 33}) {
        UseFont("DejaVu Sans", theCell);
        EXPECT_NEAR(LineHeight(), theCell, 1) << theCell;
    }
}

TEST_F(TextTest, LongTextWrapsInANarrowRectangle)
{
    const char* theText = "The quick brown fox jumps over the lazy dog and keeps on running far away";
    const int theLine = LineHeight();
    RECT theRect{10, 10, 110, 10};
    const int theHeight = DrawTextA(mCanvas.DC(), theText, -1, &theRect, kEngineFlags | DT_CALCRECT);
    EXPECT_GE(theHeight, 5 * theLine);
    EXPECT_EQ(theHeight % theLine, 0);
    EXPECT_EQ(theRect.bottom - theRect.top, theHeight);
    EXPECT_LE(theRect.right, 110);
    EXPECT_GT(theRect.right, 60);

    RECT theDraw{10, 10, 110, 190};
    EXPECT_EQ(DrawTextA(mCanvas.DC(), theText, -1, &theDraw, kEngineFlags), theHeight);
    const RECT theInk = mCanvas.InkExtent();
    EXPECT_GE(theInk.left, 10);
    EXPECT_LT(theInk.right, 110);
    EXPECT_LT(theInk.bottom, 10 + theHeight + 2);
    EXPECT_GT(theInk.bottom, 10 + theHeight - theLine);
}

TEST_F(TextTest, WordLongerThanTheLineIsBrokenOnlyInEditControlLayout)
{
    const char* theWord = "Incomprehensibilities";
    const int theWidth = Width(theWord);
    RECT theRect{0, 0, 50, 0};
    const int theBroken = DrawTextA(mCanvas.DC(), theWord, -1, &theRect, kEngineFlags | DT_CALCRECT);
    EXPECT_GE(theBroken, (theWidth / 50) * LineHeight());
    EXPECT_LE(theRect.right, 50);

    RECT theWhole{0, 0, 50, 0};
    EXPECT_EQ(DrawTextA(mCanvas.DC(), theWord, -1, &theWhole, DT_WORDBREAK | DT_CALCRECT), LineHeight());
    EXPECT_EQ(theWhole.right, theWidth);

    RECT theTiny{0, 0, 1, 0};
    const int theOnePerLine = DrawTextA(mCanvas.DC(), "abc", -1, &theTiny, kEngineFlags | DT_CALCRECT);
    EXPECT_EQ(theOnePerLine, 3 * LineHeight()) << "at least one character per line";
}

TEST_F(TextTest, CalcRectBoundsTheTextAndDrawsNothing)
{
    const int theLine = LineHeight();
    RECT theRect{20, 30, 380, 30};
    EXPECT_EQ(DrawTextA(mCanvas.DC(), "Hello", -1, &theRect, kEngineFlags | DT_CALCRECT), theLine);
    EXPECT_EQ(theRect, (RECT{20, 30, 20 + Width("Hello"), 30 + theLine}));
    EXPECT_EQ(mCanvas.InkExtent().right, -1);

    RECT theTwo{20, 30, 380, 30};
    EXPECT_EQ(DrawTextA(mCanvas.DC(), "Hello\nwide world", -1, &theTwo, DT_CALCRECT), 2 * theLine);
    EXPECT_EQ(theTwo.right - theTwo.left, Width("wide world"));

    RECT theCentred{0, 0, 200, 0};
    DrawTextA(mCanvas.DC(), "Hello", -1, &theCentred, DT_CENTER | DT_CALCRECT);
    EXPECT_EQ(theCentred.right - theCentred.left, Width("Hello"));
    EXPECT_NEAR(theCentred.left, (200 - Width("Hello")) / 2, 1);
    RECT theRight{0, 0, 200, 0};
    DrawTextA(mCanvas.DC(), "Hello", -1, &theRight, DT_RIGHT | DT_CALCRECT);
    EXPECT_EQ(theRight.right, 200);
}

TEST_F(TextTest, EditControlHidesAPartialLastLineAndCountsWholeLines)
{
    const int theLine = LineHeight();
    const std::string theText = "first line\nsecond line\nthird line\nfourth";
    RECT theRect{0, 0, 300, theLine * 2 + theLine / 2};
    DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
    EXPECT_EQ(DrawTextExA(mCanvas.DC(), const_cast<char*>(theText.c_str()), -1, &theRect, kEngineFlags, &theParams),
              4 * theLine);
    EXPECT_EQ(theParams.uiLengthDrawn, std::string("first line\nsecond line\n").size());
    const RECT theInk = mCanvas.InkExtent();
    EXPECT_LT(theInk.bottom, 2 * theLine) << "nothing of the third line";

    // Without edit-control layout the partial line is drawn, clipped to the rectangle.
    PixelCanvas theOther(400, 200);
    HGDIOBJ theOld = SelectObject(theOther.DC(), mFont);
    SetBkMode(theOther.DC(), TRANSPARENT);
    DRAWTEXTPARAMS theAll{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
    DrawTextExA(theOther.DC(), theText.c_str(), -1, &theRect, DT_WORDBREAK, &theAll);
    EXPECT_EQ(theAll.uiLengthDrawn, theText.size());
    EXPECT_GE(theOther.InkExtent().bottom, 2 * theLine);
    EXPECT_LT(theOther.InkExtent().bottom, theRect.bottom);
    SelectObject(theOther.DC(), theOld);
}

TEST_F(TextTest, LengthDrawnCountsTheWrappedWordsThatFit)
{
    const int theLine = LineHeight();
    const std::string theText = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu";
    RECT theRect{0, 0, 90, theLine * 2};
    DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
    DrawTextExA(mCanvas.DC(), theText.c_str(), -1, &theRect, kEngineFlags, &theParams);
    ASSERT_GT(theParams.uiLengthDrawn, 0u);
    ASSERT_LT(theParams.uiLengthDrawn, theText.size());
    // Whole words and the blanks after them.
    EXPECT_EQ(theText[theParams.uiLengthDrawn - 1], ' ');
    EXPECT_NE(theText[theParams.uiLengthDrawn], ' ');
    // Those characters alone lay out in the same two lines.
    RECT theMeasure{0, 0, 90, 0};
    EXPECT_EQ(DrawTextA(mCanvas.DC(), theText.c_str(), static_cast<int>(theParams.uiLengthDrawn), &theMeasure,
                        kEngineFlags | DT_CALCRECT),
              2 * theLine);

    RECT theShort{0, 0, 90, theLine - 1};
    DrawTextExA(mCanvas.DC(), theText.c_str(), -1, &theShort, kEngineFlags, &theParams);
    EXPECT_EQ(theParams.uiLengthDrawn, 0u) << "no line fits";
}

// Marks piled on one character beyond the cap are left out of the layout:
// the ink is that of the capped text, and the count drawn still covers every
// byte of the lines drawn, the marks left out included.
TEST_F(TextTest, LongRunsOfCombiningMarksAreCappedAndStillCounted)
{
    const auto theMarks = [](int inCount) {
        std::string theText;
        for (int theIndex = 0; theIndex < inCount; ++theIndex)
            theText += "\xCC\x81";  // U+0301, two bytes
        return theText;
    };
    const int theLine = LineHeight();
    const std::string theLong = "a" + theMarks(5000) + " b" + theMarks(40) + "\nsecond";
    const std::string theCapped = "a" + theMarks(32) + " b" + theMarks(32) + "\nsecond";
    RECT theRect{0, 0, 300, theLine + theLine / 2};
    DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
    DrawTextExA(mCanvas.DC(), theLong.c_str(), -1, &theRect, kEngineFlags, &theParams);
    EXPECT_EQ(theParams.uiLengthDrawn, theLong.find("second")) << "the first line with all of its marks";

    PixelCanvas theOther(400, 200);
    HGDIOBJ theOld = SelectObject(theOther.DC(), mFont);
    SetBkMode(theOther.DC(), TRANSPARENT);
    RECT theSame{0, 0, 300, theLine + theLine / 2};
    DrawTextExA(theOther.DC(), theCapped.c_str(), -1, &theSame, kEngineFlags, &theParams);
    SelectObject(theOther.DC(), theOld);
    EXPECT_EQ(theParams.uiLengthDrawn, theCapped.find("second"));
    EXPECT_TRUE(mCanvas.Bytes() == theOther.Bytes()) << "the ink of the capped text";

    RECT theMeasure{0, 0, 300, 0};
    DrawTextExA(mCanvas.DC(), theLong.c_str(), -1, &theMeasure, kEngineFlags | DT_CALCRECT, &theParams);
    EXPECT_EQ(theParams.uiLengthDrawn, theLong.size());
    EXPECT_EQ(theMeasure.bottom, 2 * theLine);
}

TEST_F(TextTest, CentreAndRightAlignmentShiftTheInk)
{
    int theLefts[3] = {};
    const UINT theFlags[3] = {0, DT_CENTER, DT_RIGHT};
    for (int theIndex = 0; theIndex < 3; ++theIndex) {
        PixelCanvas theCanvas(300, 40);
        HGDIOBJ theOld = SelectObject(theCanvas.DC(), mFont);
        SetBkMode(theCanvas.DC(), TRANSPARENT);
        RECT theRect{0, 0, 300, 40};
        DrawTextA(theCanvas.DC(), "Mid", -1, &theRect, kEngineFlags | theFlags[theIndex]);
        theLefts[theIndex] = theCanvas.InkExtent().left;
        if (theIndex == 2) {
            EXPECT_GE(theCanvas.InkExtent().right, 300 - 4);
        }
        SelectObject(theCanvas.DC(), theOld);
    }
    const int theWidth = Width("Mid");
    EXPECT_LT(theLefts[0], 3);
    EXPECT_NEAR(theLefts[1], (300 - theWidth) / 2, 3);
    EXPECT_NEAR(theLefts[2], 300 - theWidth, 3);
}

TEST_F(TextTest, TabsAdvanceToStopsOfAverageCharacterWidths)
{
    TEXTMETRICA theMetrics{};
    GetTextMetricsA(mCanvas.DC(), &theMetrics);
    const int theStop = 4 * theMetrics.tmAveCharWidth;
    RECT theRect{0, 0, 400, 0};
    DrawTextA(mCanvas.DC(), "a\tb", -1, &theRect, DT_CALCRECT);
    EXPECT_EQ(theRect.right, theStop + Width("b"));

    DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 10, 0, 0, 0};
    RECT theWide{0, 0, 400, 0};
    DrawTextExA(mCanvas.DC(), "a\tb", -1, &theWide, DT_CALCRECT, &theParams);
    EXPECT_EQ(theWide.right, 10 * theMetrics.tmAveCharWidth + Width("b"));

    RECT theTwo{0, 0, 400, 0};
    DrawTextA(mCanvas.DC(), "\t\tb", -1, &theTwo, DT_CALCRECT);
    EXPECT_EQ(theTwo.right, 2 * theStop + Width("b"));

    // Drawn: the ink after the tab starts at the stop.
    RECT theDraw{0, 0, 400, 40};
    DrawTextA(mCanvas.DC(), "\tl", -1, &theDraw, 0);
    EXPECT_NEAR(mCanvas.InkExtent().left, theStop, 2);
}

TEST_F(TextTest, EmptyTextDrawsNothingAndMeasuresZero)
{
    RECT theRect{5, 5, 100, 100};
    DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 77};
    EXPECT_EQ(DrawTextExA(mCanvas.DC(), "", -1, &theRect, kEngineFlags, &theParams), 0);
    EXPECT_EQ(theParams.uiLengthDrawn, 0u);
    EXPECT_EQ(DrawTextA(mCanvas.DC(), "", -1, &theRect, kEngineFlags | DT_CALCRECT), 0);
    EXPECT_EQ(theRect, (RECT{5, 5, 5, 5}));
    EXPECT_EQ(mCanvas.InkExtent().right, -1);
}

TEST_F(TextTest, OpaqueBackgroundAndTextColour)
{
    SetBkMode(mCanvas.DC(), OPAQUE);
    SetBkColor(mCanvas.DC(), RGB(0, 255, 0));
    SetTextColor(mCanvas.DC(), RGB(255, 0, 0));
    ASSERT_TRUE(TextOutA(mCanvas.DC(), 10, 10, "Wow", 3));
    EXPECT_EQ(mCanvas.At(11, 11), RGB(0, 255, 0));
    EXPECT_EQ(mCanvas.Extent(RGB(0, 255, 0)).top, 10);
    EXPECT_NE(mCanvas.Extent(RGB(255, 0, 0)).right, -1);
    EXPECT_EQ(mCanvas.InkExtent().bottom, 10 + LineHeight() - 1);
}

TEST_F(TextTest, WeightItalicUnderlineAndStrikeOutChangeTheInk)
{
    struct Case {
        const char* mName;
        int mWeight;
        DWORD mItalic, mUnderline, mStrikeOut;
    };
    const Case theCases[] = {
        {"plain", FW_NORMAL, 0, 0, 0},     {"bold", FW_BOLD, 0, 0, 0},         {"italic", FW_NORMAL, 1, 0, 0},
        {"underline", FW_NORMAL, 0, 1, 0}, {"strike-out", FW_NORMAL, 0, 0, 1},
    };
    RECT theExtents[5] = {};
    int theInk[5] = {};
    for (int theIndex = 0; theIndex < 5; ++theIndex) {
        const Case& theCase = theCases[theIndex];
        PixelCanvas theCanvas(200, 40);
        HFONT theFont = CreateFontA(-20, 0, 0, 0, theCase.mWeight, theCase.mItalic, theCase.mUnderline,
                                    theCase.mStrikeOut, 0, 0, 0, 4, 0, "DejaVu Sans");
        HGDIOBJ theOld = SelectObject(theCanvas.DC(), theFont);
        SetBkMode(theCanvas.DC(), TRANSPARENT);
        RECT theRect{10, 5, 190, 40};
        DrawTextA(theCanvas.DC(), "nmnm", -1, &theRect, DT_SINGLELINE);
        theExtents[theIndex] = theCanvas.InkExtent();
        for (int theY = 0; theY < 40; ++theY) {
            for (int theX = 0; theX < 200; ++theX) {
                theInk[theIndex] += theCanvas.At(theX, theY) == RGB(0, 0, 0);
            }
        }
        SelectObject(theCanvas.DC(), theOld);
        DeleteObject(theFont);
    }
    EXPECT_GT(theInk[1], theInk[0] * 5 / 4) << theCases[1].mName;
    EXPECT_NE(theExtents[2].right, theExtents[0].right) << theCases[2].mName << " leans";
    EXPECT_GT(theExtents[3].bottom, theExtents[0].bottom) << theCases[3].mName << " runs below the baseline";
    EXPECT_GT(theInk[4], theInk[0]) << theCases[4].mName;
    EXPECT_EQ(theExtents[4].bottom, theExtents[0].bottom);
}

TEST_F(TextTest, TextRecordedInAPathIsFilledWithTheBrushCrisply)
{
    UseFont("DejaVu Sans", -40, FW_BOLD);
    HDC theDC = mCanvas.DC();
    HBRUSH theBrush = CreateSolidBrush(RGB(0, 0, 255));
    HGDIOBJ theOldBrush = SelectObject(theDC, theBrush);
    HGDIOBJ theOldPen = SelectObject(theDC, GetStockObject(NULL_PEN));
    ASSERT_TRUE(BeginPath(theDC));
    RECT theRect{10, 10, 390, 190};
    EXPECT_GT(DrawTextA(theDC, "Path", -1, &theRect, kEngineFlags), 0);
    ASSERT_TRUE(EndPath(theDC));
    EXPECT_EQ(mCanvas.InkExtent().right, -1) << "recording draws nothing";
    ASSERT_TRUE(FillPath(theDC));
    EXPECT_EQ(mCanvas.Colors(), (std::set<COLORREF>{RGB(255, 255, 255), RGB(0, 0, 255)}));
    EXPECT_GT(mCanvas.InkExtent().right - mCanvas.InkExtent().left, 60);
    SelectObject(theDC, theOldBrush);
    SelectObject(theDC, theOldPen);
    DeleteObject(theBrush);
}

TEST_F(TextTest, RotatedTextFollowsTheWorldTransform)
{
    HDC theDC = mCanvas.DC();
    UseFont("DejaVu Sans", -20);
    SetGraphicsMode(theDC, GM_ADVANCED);
    const XFORM theQuarter{0, 1, -1, 0, 200, 20};  // x' = 200 - y, y' = 20 + x
    SetWorldTransform(theDC, &theQuarter);
    RECT theRect{0, 0, 150, 40};
    DrawTextA(theDC, "Turned", -1, &theRect, kEngineFlags);
    ModifyWorldTransform(theDC, nullptr, MWT_IDENTITY);
    const RECT theInk = mCanvas.InkExtent();
    EXPECT_GT(theInk.bottom - theInk.top, theInk.right - theInk.left) << "runs downwards";
    EXPECT_GE(theInk.left, 200 - 40);
    EXPECT_LE(theInk.right, 200);
    SetGraphicsMode(theDC, GM_COMPATIBLE);
}

TEST_F(TextTest, BadArgumentsFail)
{
    RECT theRect{0, 0, 10, 10};
    EXPECT_EQ(DrawTextA(mCanvas.DC(), nullptr, -1, &theRect, 0), 0);
    EXPECT_EQ(GdiGetLastError(), kGdiErrorInvalidParameter);
    EXPECT_EQ(DrawTextA(mCanvas.DC(), "x", -1, nullptr, 0), 0);
    DRAWTEXTPARAMS theParams{12, 4, 0, 0, 0};
    EXPECT_EQ(DrawTextExA(mCanvas.DC(), "x", -1, &theRect, 0, &theParams), 0);
    EXPECT_EQ(DrawTextA(0x7777, "x", -1, &theRect, 0), 0);
    EXPECT_EQ(GdiGetLastError(), kGdiErrorInvalidHandle);
    // Invalid UTF-8 is drawn with stand-ins and counted in bytes.
    DRAWTEXTPARAMS theCount{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
    RECT theBig{0, 0, 300, 100};
    EXPECT_GT(DrawTextExA(mCanvas.DC(),
                          "ab\xff\xfe"
                          "cd",
                          -1, &theBig, kEngineFlags, &theCount),
              0);
    EXPECT_EQ(theCount.uiLengthDrawn, 6u);
}

}  // namespace
