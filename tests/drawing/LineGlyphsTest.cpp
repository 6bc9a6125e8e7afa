// A block's lines are drawn with the glyphs its measuring shaped where that
// is exact; each line must come out as that line drawn alone with
// ExtTextOutA, which shapes it afresh: for any script, type size, or line
// that spans shaping chunks or breaks a word.
#include "PixelCanvas.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr UINT kEngineFlags = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;

// Words of scripts shaped alike and of scripts that are not (right to left,
// joined, reordered), kerned pairs, ligatures, marks and neutral characters.
const char* const kWords[] = {"vellum",
                              "AVAT",
                              "office",
                              "fjord",
                              "12.5%",
                              "(quill)",
                              "\"q\"",
                              "r.",
                              "Typography",
                              "supercalifragilisticexpialidocious",
                              "e\xCC\x81t\xC3\xA9",
                              "\xCE\xB1\xCE\xB2\xCE\xB3",
                              "\xD0\xB4\xD0\xB0,",
                              "\xE4\xB8\xAD\xE6\x96\x87",
                              "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",
                              "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7",
                              "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87",
                              "\xF0\x9F\x98\x80"};

struct Case {
    int mPixels;
    int mWords;
    bool mLatinOnly;
    int mWidth;
};

std::string RandomText(std::mt19937& ioRandom, const Case& inCase)
{
    const std::size_t theChoices = inCase.mLatinOnly ? 10 : std::size(kWords);
    std::string theText;
    for (int theIndex = 0; theIndex < inCase.mWords; ++theIndex) {
        if (theIndex > 0)
            theText += ioRandom() % 5 == 0 ? "  " : " ";
        theText += kWords[ioRandom() % theChoices];
    }
    return theText;
}

void DrawBoth(const Case& inCase, const std::string& inText)
{
    PixelCanvas theBlock(420, 320);
    PixelCanvas theLines(420, 320);
    PixelCanvas theScratch(4, 4);
    HFONT theFont = CreateFontA(-inCase.mPixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                ANTIALIASED_QUALITY, 0, "DejaVu Sans");
    for (PixelCanvas* theCanvas : {&theBlock, &theLines, &theScratch}) {
        SelectObject(theCanvas->DC(), theFont);
        SetBkMode(theCanvas->DC(), TRANSPARENT);
    }
    TEXTMETRICA theMetrics{};
    ASSERT_TRUE(GetTextMetricsA(theLines.DC(), &theMetrics));
    const int theLineHeight = theMetrics.tmHeight;
    const RECT theRect{6, 4, 6 + inCase.mWidth, 316};
    RECT theArea = theRect;
    const int theHeight = DrawTextA(theBlock.DC(), inText.c_str(), -1, &theArea, kEngineFlags | DT_LEFT);
    ASSERT_GT(theHeight, 0);

    // Line k ends where a rectangle of k lines stops counting; its trailing blanks are not drawn.
    const int theShown = std::min(theHeight, theRect.bottom - theRect.top) / theLineHeight;
    std::size_t theStart = 0;
    for (int theCount = 1; theCount <= theShown && theStart < inText.size(); ++theCount) {
        RECT theSome{theRect.left, theRect.top, theRect.right, theRect.top + theCount * theLineHeight};
        DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
        DrawTextExA(theScratch.DC(), const_cast<char*>(inText.c_str()), -1, &theSome,
                    kEngineFlags | DT_CALCRECT | DT_STOPATBOTTOM, &theParams);
        std::size_t theEnd = theParams.uiLengthDrawn;
        ASSERT_GT(theEnd, theStart) << "line " << theCount;
        const std::size_t theNext = theEnd;
        while (theEnd > theStart && inText[theEnd - 1] == ' ')
            --theEnd;
        ExtTextOutA(theLines.DC(), theRect.left, theRect.top + (theCount - 1) * theLineHeight, ETO_CLIPPED, &theRect,
                    inText.data() + theStart, static_cast<UINT>(theEnd - theStart), nullptr);
        theStart = theNext;
    }
    EXPECT_TRUE(theBlock.Bytes() == theLines.Bytes()) << "the pixels";
    for (PixelCanvas* theCanvas : {&theBlock, &theLines, &theScratch})
        SelectObject(theCanvas->DC(), GetStockObject(SYSTEM_FONT));
    DeleteObject(theFont);
}

TEST(LineGlyphs, BlockLinesMatchEachLineDrawnAlone)
{
    const Case kCases[] = {
        {13, 120, true, 300},                        // the everyday paragraph
        {13, 120, false, 300}, {1, 400, true, 400},  // lines of several shaping chunks
        {1, 400, false, 400},  {3, 200, false, 250}, {7, 80, false, 120}, {24, 30, false, 90},  // words broken inside
    };
    std::mt19937 theRandom(31);
    for (const Case& theCase : kCases) {
        for (int theRound = 0; theRound < 4; ++theRound) {
            const std::string theText = RandomText(theRandom, theCase);
            SCOPED_TRACE(testing::Message() << theCase.mPixels << " px, " << theCase.mWidth << " wide: " << theText);
            DrawBoth(theCase, theText);
        }
    }
    // A Devanagari word broken inside: its syllables are formed otherwise alone.
    DrawBoth(Case{5, 1, false, 10}, "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87");
}

}  // namespace
