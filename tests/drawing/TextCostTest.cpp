// What a text block costs: the three calls a canvas makes for one block
// (measure down to the bottom, one line's height, draw) shape each byte they
// lay out once and each byte they draw once more, whatever the size of the
// text, its type size or its mix of scripts; what lies below the rectangle
// or outside the pixels is not shaped at all.
#include "PixelCanvas.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr UINT kEngineFlags = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;
constexpr unsigned long long kSlack = 16 * 1024;  // a few shaping chunks around the last line

std::string Repeated(const std::string& inPiece, std::size_t inBytes)
{
    std::string theText;
    theText.reserve(inBytes + inPiece.size());
    while (theText.size() + inPiece.size() <= inBytes)
        theText += inPiece;
    return theText;
}

struct Block {
    int mHeight = 0;      // of the measured block
    int mLineHeight = 0;  // of one line
    unsigned mDrawn = 0;  // bytes drawn
    RECT mMeasured{};
    unsigned long long mShaped = 0;
};

// The calls a canvas makes for DrawText, TextArea and TextLength.
Block RunBlock(PixelCanvas& ioCanvas, const std::string& inText, const RECT& inRect)
{
    const HDC theDC = ioCanvas.DC();
    Block theBlock;
    const unsigned long long theBefore = GdiTextBytesShaped();
    theBlock.mMeasured = inRect;
    theBlock.mHeight =
        DrawTextA(theDC, inText.c_str(), -1, &theBlock.mMeasured, kEngineFlags | DT_CALCRECT | DT_STOPATBOTTOM);
    RECT theLine{inRect.left, inRect.top, inRect.right, inRect.top};
    theBlock.mLineHeight = DrawTextA(theDC, inText.c_str(), 1, &theLine, kEngineFlags | DT_CALCRECT | DT_SINGLELINE);
    RECT theArea = inRect;
    DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
    DrawTextExA(theDC, const_cast<char*>(inText.c_str()), -1, &theArea, kEngineFlags | DT_STOPATBOTTOM, &theParams);
    theBlock.mDrawn = theParams.uiLengthDrawn;
    theBlock.mShaped = GdiTextBytesShaped() - theBefore;
    return theBlock;
}

class TextCost : public ::testing::Test {
protected:
    void UsePixels(int inPixels)
    {
        Release();
        mFont = CreateFontA(-inPixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0,
                            "DejaVu Sans");
        mOld = SelectObject(mCanvas.DC(), mFont);
        SetBkMode(mCanvas.DC(), TRANSPARENT);
    }
    void TearDown() override { Release(); }
    void Release()
    {
        if (mFont != 0) {
            SelectObject(mCanvas.DC(), mOld);
            DeleteObject(mFont);
            mFont = 0;
        }
    }
    PixelCanvas mCanvas{400, 300};
    HFONT mFont = 0;
    HGDIOBJ mOld = 0;
};

const std::string kMixed = "a\xD8\xA8 ";  // Latin, Arabic, blank: a run each
const std::string kScripts =
    "vellum \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 \xE4\xB8\xAD\xE6\x96\x87 "
    "\xCE\xB1\xCE\xB2\xCE\xB3 ink ";

TEST_F(TextCost, LongTextAtOnePixelShapesWhatItDrawsAboutTwice)
{
    struct Row {
        const char* mName;
        std::string mText;
        RECT mRect;
    };
    const Row kRows[] = {
        {"16 KB of two scripts", Repeated(kMixed, 16 * 1024), {0, 0, 400, 300}},
        {"64 KB of two scripts", Repeated(kMixed, 64 * 1024), {0, 0, 400, 300}},
        {"1 MB of two scripts", Repeated(kMixed, 1024 * 1024), {0, 0, 400, 300}},
        {"208 KB of six scripts", Repeated(kScripts, 208 * 1024), {0, 0, 400, 300}},
        {"1 MB of Latin in a tall rectangle", Repeated("quill ink ", 1024 * 1024), {0, 0, 400, 65534}},
        {"one long paragraph of blanks and tabs", Repeated(" \t", 1024 * 1024), {0, 0, 400, 300}},
        {"1 MB without a blank", Repeated("a\xD8\xA8", 1024 * 1024), {0, 0, 400, 300}},
    };
    UsePixels(1);
    for (const Row& theRow : kRows) {
        SCOPED_TRACE(theRow.mName);
        const Block theBlock = RunBlock(mCanvas, theRow.mText, theRow.mRect);
        ASSERT_GT(theBlock.mLineHeight, 0);
        ASSERT_GT(theBlock.mDrawn, 0u);
        // Text without blanks is cut anywhere, so the end of each chunk is shaped again.
        EXPECT_LE(theBlock.mShaped, 9ULL * theBlock.mDrawn / 4 + kSlack) << theBlock.mDrawn << " bytes drawn";
        const int theRoom = theRow.mRect.bottom - theRow.mRect.top;
        // The block fills its rectangle, or holds the whole text.
        if (theBlock.mDrawn < theRow.mText.size()) {
            EXPECT_GT(theBlock.mHeight, theRoom - theBlock.mLineHeight);
        }
        EXPECT_LE(theBlock.mHeight, theRoom + theBlock.mLineHeight);
    }
}

// Drawing reuses what measuring shaped: only where a line spans two shaping
// chunks is a piece shaped again.
TEST_F(TextCost, AParagraphThatFitsIsShapedAboutOnce)
{
    const char* const kWords[] = {"vellum", "ink", "margin", "quill", "page", "letter", "serif", "column", "folio"};
    std::string theText;
    for (int theIndex = 0; theIndex < 100; ++theIndex)
        theText += std::string(theIndex > 0 ? " " : "") + kWords[(theIndex * 7) % 9];
    UsePixels(13);
    const Block theBlock = RunBlock(mCanvas, theText, RECT{50, 25, 350, 275});
    ASSERT_EQ(theBlock.mDrawn, theText.size());
    EXPECT_LE(theBlock.mShaped, 3 * theText.size() / 2);
}

// A text that repeats a piece ending in a blank breaks into equal lines, so
// k lines hold k times what one holds, however long the text.
TEST_F(TextCost, RepeatedPiecesBreakIntoEqualLinesAtAnySize)
{
    for (const int thePixels : {1, 2, 5}) {
        UsePixels(thePixels);
        for (const std::string& thePiece : {kMixed, std::string("quill ink ")}) {
            SCOPED_TRACE(testing::Message() << thePixels << " pixels, piece of " << thePiece.size());
            const std::string theText = Repeated(thePiece, 256 * 1024);
            TEXTMETRICA theMetrics{};
            ASSERT_TRUE(GetTextMetricsA(mCanvas.DC(), &theMetrics));
            const Block theFirst = RunBlock(mCanvas, theText, RECT{0, 0, 400, theMetrics.tmHeight});
            const unsigned thePerLine = theFirst.mDrawn;
            ASSERT_GT(thePerLine, 0u);
            ASSERT_EQ(thePerLine % thePiece.size(), 0u);
            const int theLines = 40;
            const Block theMany = RunBlock(mCanvas, theText, RECT{0, 0, 400, theLines * theFirst.mLineHeight});
            const unsigned theExpected =
                std::min<unsigned>(static_cast<unsigned>(theText.size()), theLines * thePerLine);
            EXPECT_EQ(theMany.mDrawn, theExpected);
            EXPECT_EQ(theMany.mHeight,
                      static_cast<int>((theExpected + thePerLine - 1) / thePerLine) * theFirst.mLineHeight);
        }
    }
}

// Lines below the pixels are laid out, for the count, but not drawn.
TEST_F(TextCost, LinesOutsideThePixelsAreNotShapedToDraw)
{
    UsePixels(9);
    const std::string theText = Repeated("quill ink ", 512 * 1024);
    const RECT theTall{0, 0, 400, 65534};
    const Block theOnCanvas = RunBlock(mCanvas, theText, theTall);
    PixelCanvas theTiny(4, 4);
    SelectObject(theTiny.DC(), mFont);
    const Block theOnTiny = RunBlock(theTiny, theText, theTall);
    SelectObject(theTiny.DC(), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(theOnTiny.mDrawn, theOnCanvas.mDrawn);
    EXPECT_EQ(theOnTiny.mHeight, theOnCanvas.mHeight);
    EXPECT_LE(theOnTiny.mShaped, theOnTiny.mDrawn + kSlack);
    EXPECT_GT(theOnCanvas.mShaped, theOnTiny.mShaped) << "the canvas's 300 rows are drawn";
}

}  // namespace
