// Text laid out only down to the rectangle's bottom (DT_STOPATBOTTOM) against
// the whole layout: random texts of words in three scripts, marks, tabs and
// terminators, short and longer than one shaping window, in rectangles they
// fit and overflow.
#include "PixelCanvas.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

constexpr UINT kEngineFlags = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;

// A canvas with DejaVu Sans of the given pixel height selected.
struct TextCanvas {
    TextCanvas(int inWidth, int inHeight, int inPixels) : mCanvas(inWidth, inHeight)
    {
        mFont = CreateFontA(-inPixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0,
                            "DejaVu Sans");
        mOld = SelectObject(mCanvas.DC(), mFont);
        SetBkMode(mCanvas.DC(), TRANSPARENT);
    }
    ~TextCanvas()
    {
        SelectObject(mCanvas.DC(), mOld);
        DeleteObject(mFont);
    }
    PixelCanvas mCanvas;
    HFONT mFont;
    HGDIOBJ mOld;
};

// Terminators are kept one time in inRareness, so that paragraphs are short
// or longer than a shaping window.
std::string RandomText(std::mt19937& ioRandom, std::size_t inSize, int inRareness)
{
    static const char* const kPieces[] = {"vellum",
                                          "ink",
                                          "margin",
                                          "AVAT",
                                          "office",
                                          "12.5%",
                                          "(quill)",
                                          "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",
                                          "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7",
                                          "e\xCC\x81\xCC\x82",
                                          "\xE4\xB8\xAD\xE6\x96\x87",
                                          "supercalifragilisticexpialidocious",
                                          "\t",
                                          "  ",
                                          "\n",
                                          "\r\n"};
    std::uniform_int_distribution<std::size_t> thePiece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> theBreak(1, inRareness);
    std::string theText;
    while (theText.size() < inSize) {
        const char* const theNext = kPieces[thePiece(ioRandom)];
        if ((theNext[0] == '\n' || theNext[0] == '\r') && theBreak(ioRandom) != 1)
            continue;
        theText += theNext;
        theText += ' ';
    }
    return theText;
}

// Forgets the measures of the last text, so that the next layout starts afresh.
void MeasureSomethingElse(HDC inDC)
{
    RECT theRect{0, 0, 10, 0};
    DrawTextA(inDC, "-", 1, &theRect, DT_CALCRECT);
}

TEST(BoundedText, DrawsAndCountsWhatTheWholeLayoutDraws)
{
    std::mt19937 theRandom(21);
    const std::size_t kSizes[] = {40, 900, 3000, 12000, 40000};
    const UINT kAligns[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    for (int theCase = 0; theCase < 30; ++theCase) {
        const std::string theText = RandomText(theRandom, kSizes[theCase % 5], theCase % 3 == 0 ? 5 : 5000);
        const int theWidth = 60 + static_cast<int>(theRandom() % 500);
        const int theHeight = 10 + static_cast<int>(theRandom() % 400);
        const int theFontSize = theCase % 4 == 0 ? 5 : 11;  // small: a screenful is longer than a window
        const UINT theFlags = kEngineFlags | kAligns[theCase % 3];
        SCOPED_TRACE(testing::Message() << "case " << theCase << ": " << theText.size() << " bytes in " << theWidth
                                        << " x " << theHeight);
        TextCanvas theWhole(600, 420, theFontSize);
        TextCanvas theBounded(600, 420, theFontSize);
        RECT theRect{5, 7, 5 + theWidth, 7 + theHeight};
        DRAWTEXTPARAMS theAll{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
        DRAWTEXTPARAMS theSome{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
        MeasureSomethingElse(theWhole.mCanvas.DC());
        DrawTextExA(theWhole.mCanvas.DC(), theText.c_str(), -1, &theRect, theFlags, &theAll);
        MeasureSomethingElse(theWhole.mCanvas.DC());
        DrawTextExA(theBounded.mCanvas.DC(), theText.c_str(), -1, &theRect, theFlags | DT_STOPATBOTTOM, &theSome);
        EXPECT_EQ(theSome.uiLengthDrawn, theAll.uiLengthDrawn);
        EXPECT_TRUE(theBounded.mCanvas.Bytes() == theWhole.mCanvas.Bytes()) << "the pixels";
    }
}

TEST(BoundedText, MeasuresTextThatFitsAsTheWholeLayoutDoes)
{
    std::mt19937 theRandom(20);
    for (int theCase = 0; theCase < 24; ++theCase) {
        const std::string theText = RandomText(theRandom, theCase % 2 == 0 ? 600 : 12000, theCase % 3 == 0 ? 5 : 5000);
        const int theWidth = 80 + static_cast<int>(theRandom() % 1200);
        SCOPED_TRACE(testing::Message() << "case " << theCase << ": " << theText.size() << " bytes, " << theWidth
                                        << " wide");
        TextCanvas theCanvas(8, 8, 9);
        const HDC theDC = theCanvas.mCanvas.DC();
        RECT theWhole{3, 4, 3 + theWidth, 4};
        MeasureSomethingElse(theDC);
        const int theHeight = DrawTextA(theDC, theText.c_str(), -1, &theWhole, kEngineFlags | DT_CALCRECT);
        ASSERT_GT(theHeight, 0);
        TEXTMETRICA theMetrics{};
        ASSERT_TRUE(GetTextMetricsA(theDC, &theMetrics));
        const int theLine = theMetrics.tmHeight;
        // A rectangle as high as the text, one line higher, and a few lines lower.
        for (const int theRoom : {theHeight, theHeight + 11, theHeight / 3, 0}) {
            SCOPED_TRACE(theRoom);
            RECT theBounded{3, 4, 3 + theWidth, 4 + theRoom};
            MeasureSomethingElse(theDC);
            const int theSome =
                DrawTextA(theDC, theText.c_str(), -1, &theBounded, kEngineFlags | DT_CALCRECT | DT_STOPATBOTTOM);
            if (theRoom >= theHeight) {
                EXPECT_EQ(theSome, theHeight);
                EXPECT_EQ(theBounded.right, theWhole.right);
                EXPECT_EQ(theBounded.bottom, theWhole.bottom);
            } else {
                // Lines down to the first that reaches the bottom: the block is
                // clamped to its rectangle exactly as the whole one is.
                EXPECT_GE(theSome, std::max(theRoom, 1));
                EXPECT_LE(theSome, theRoom + theLine) << "within a line of the bottom";
                EXPECT_EQ(theSome % theLine, 0);
                EXPECT_LE(theBounded.right, theWhole.right);
            }
        }
    }
}

}  // namespace
