// Wrapped text against a greedy model of its own: words are added to a line
// while the line, measured whole, fits the rectangle's width. The block's
// line ends (as counts drawn), its measured size and its pixels must be what
// the model gives, line by line drawn with ExtTextOutA at the model's x.
#include "PixelCanvas.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr UINT kEngineFlags = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;

struct ModelLine {
    std::string mText;  // words joined by single blanks
    int mNext = 0;      // byte after the line and its blank
    int mWidth = 0;
};

int Extent(HDC inDC, const std::string& inText)
{
    SIZE theSize{};
    EXPECT_TRUE(GetTextExtentPoint32A(inDC, inText.data(), static_cast<int>(inText.size()), &theSize));
    return theSize.cx;
}

// inWords joined by single blanks, broken greedily; no word is wider than inWidth.
std::vector<ModelLine> GreedyLines(HDC inDC, const std::vector<std::string>& inWords, int inWidth)
{
    std::vector<ModelLine> theLines;
    int theOffset = 0;
    for (const std::string& theWord : inWords) {
        const bool theFirst = theLines.empty() || theLines.back().mText.empty();
        const std::string theJoined = theFirst ? theWord : theLines.back().mText + " " + theWord;
        if (!theFirst && Extent(inDC, theJoined) > inWidth) {
            theLines.push_back({});
        } else if (theLines.empty()) {
            theLines.push_back({});
        }
        ModelLine& theLine = theLines.back();
        theLine.mText = theLine.mText.empty() ? theWord : theLine.mText + " " + theWord;
        theLine.mWidth = Extent(inDC, theLine.mText);
        theOffset += static_cast<int>(theWord.size()) + 1;
        theLine.mNext = theOffset;
    }
    theLines.back().mNext -= 1;  // no blank after the last word
    return theLines;
}

std::vector<std::string> RandomWords(std::mt19937& ioRandom, int inCount)
{
    static const char* const kWords[] = {"vellum",
                                         "ink",
                                         "margin",
                                         "AVAT",
                                         "office",
                                         "12.5%",
                                         "(quill)",
                                         "Typography",
                                         "of",
                                         "the",
                                         "a",
                                         "fjord",
                                         "WAVE",
                                         "rhythm",
                                         "parchment,",
                                         "gilded",
                                         "serif.",
                                         "Lorem",
                                         "ipsum",
                                         "dolor",
                                         "sit",
                                         "amet",
                                         "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"};
    std::uniform_int_distribution<std::size_t> thePick(0, std::size(kWords) - 1);
    std::vector<std::string> theWords;
    for (int theIndex = 0; theIndex < inCount; ++theIndex)
        theWords.emplace_back(kWords[thePick(ioRandom)]);
    return theWords;
}

std::string Joined(const std::vector<std::string>& inWords)
{
    std::string theText;
    for (const std::string& theWord : inWords)
        theText += (theText.empty() ? "" : " ") + theWord;
    return theText;
}

struct Case {
    const char* mName;
    int mPixels;  // font height
    int mWords;
    int mWidth;
    int mHeight;
    UINT mAlign;
};

TEST(WrapModel, LineEndsSizeAndPixelsFollowTheGreedyModel)
{
    const Case kCases[] = {
        {"120 words centred in 300 x 250", 13, 120, 300, 250, DT_CENTER},
        {"120 words left in 300 x 250", 13, 120, 300, 250, DT_LEFT},
        {"120 words right in 300 x 250", 13, 120, 300, 250, DT_RIGHT},
        {"small type, wide box", 7, 400, 560, 300, DT_CENTER},
        {"large type, narrow box", 24, 30, 190, 300, DT_LEFT},
        {"one line", 11, 6, 560, 40, DT_RIGHT},
        {"two thousand words at 5 pixels", 5, 2000, 580, 320, DT_LEFT},
    };
    std::mt19937 theRandom(27);
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mName);
        const std::vector<std::string> theWords = RandomWords(theRandom, theCase.mWords);
        const std::string theText = Joined(theWords);
        PixelCanvas theBlock(600, 340);
        PixelCanvas theModel(600, 340);
        HFONT theFont = CreateFontA(-theCase.mPixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0,
                                    ANTIALIASED_QUALITY, 0, "DejaVu Sans");
        for (PixelCanvas* theCanvas : {&theBlock, &theModel}) {
            SelectObject(theCanvas->DC(), theFont);
            SetBkMode(theCanvas->DC(), TRANSPARENT);
        }
        TEXTMETRICA theMetrics{};
        ASSERT_TRUE(GetTextMetricsA(theModel.DC(), &theMetrics));
        const int theLineHeight = theMetrics.tmHeight;
        const std::vector<ModelLine> theLines = GreedyLines(theModel.DC(), theWords, theCase.mWidth);
        const RECT theRect{8, 10, 8 + theCase.mWidth, 10 + theCase.mHeight};
        const int theShown = std::min<int>(static_cast<int>(theLines.size()), theCase.mHeight / theLineHeight);

        RECT theMeasured = theRect;
        const int theHeight = DrawTextA(theModel.DC(), theText.c_str(), -1, &theMeasured, kEngineFlags | DT_CALCRECT);
        EXPECT_EQ(theHeight, static_cast<int>(theLines.size()) * theLineHeight);
        int theWidest = 0;
        for (const ModelLine& theLine : theLines)
            theWidest = std::max(theWidest, theLine.mWidth);
        EXPECT_EQ(theMeasured.right - theMeasured.left, theWidest);

        // A rectangle of k lines counts up to the end of line k.
        for (int theCount = 1; theCount <= theShown; ++theCount) {
            RECT theSome{theRect.left, theRect.top, theRect.right, theRect.top + theCount * theLineHeight};
            DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
            PixelCanvas theScratch(4, 4);
            SelectObject(theScratch.DC(), theFont);
            DrawTextExA(theScratch.DC(), const_cast<char*>(theText.c_str()), -1, &theSome, kEngineFlags, &theParams);
            EXPECT_EQ(static_cast<int>(theParams.uiLengthDrawn), theLines[theCount - 1].mNext) << "line " << theCount;
            SelectObject(theScratch.DC(), GetStockObject(SYSTEM_FONT));
        }

        DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
        RECT theArea = theRect;
        DrawTextExA(theBlock.DC(), const_cast<char*>(theText.c_str()), -1, &theArea, kEngineFlags | theCase.mAlign,
                    &theParams);
        for (int theIndex = 0; theIndex < theShown; ++theIndex) {
            const ModelLine& theLine = theLines[static_cast<std::size_t>(theIndex)];
            int theX = theRect.left;
            if (theCase.mAlign == DT_CENTER)
                theX += (theCase.mWidth - theLine.mWidth) / 2;
            else if (theCase.mAlign == DT_RIGHT)
                theX += theCase.mWidth - theLine.mWidth;
            ExtTextOutA(theModel.DC(), theX, theRect.top + theIndex * theLineHeight, ETO_CLIPPED, &theRect,
                        theLine.mText.data(), static_cast<UINT>(theLine.mText.size()), nullptr);
        }
        EXPECT_TRUE(theBlock.Bytes() == theModel.Bytes()) << "the pixels";
        for (PixelCanvas* theCanvas : {&theBlock, &theModel})
            SelectObject(theCanvas->DC(), GetStockObject(SYSTEM_FONT));
        DeleteObject(theFont);
    }
}

}  // namespace
