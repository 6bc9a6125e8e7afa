// Text blocks: "Draw Text:", "Text Area:" and "Text Length:" as the canvas
// methods run them, in DejaVu Sans at 10 points (13 pixels, lines of 15).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Store.h"
#include "automation/Strings.h"
#include "vellumax/engine/DrawGDIShape.h"
#include "vellumax/engine/DrawShapeOp.h"

namespace {

using namespace shapes;

constexpr std::int32_t kLine = 15;

struct TextRun {
    bool mError;
    std::string mMessages;
    LongRect mRect;
    LongRect mResult;
    std::int32_t mLineHeight;
    std::int32_t mLengthDrawn;
};

enum class Method { kDrawText, kTextArea, kTextLength };

TextRun RunText(Bitmap& ioStore, Method inMethod, const char* inText, const std::string& inParams)
{
    const char* const theName = inMethod == Method::kDrawText   ? "Draw Text:"
                                : inMethod == Method::kTextArea ? "Text Area:"
                                                                : "Text Length:";
    DrawGDIShape theOperation(theName, DrawGDIShape::Primitives::kDirect);
    Parameters& theParams = *theOperation.GetParameters();
    std::strcpy(theParams.Font, "DejaVu Sans");
    theParams.TextSize = 10;
    theOperation.SetText(inText);
    EXPECT_EQ(theOperation.SetParameterString(inParams.c_str()), 0) << inParams;
    if (inMethod == Method::kTextArea)
        theOperation.SetOperation(kMeasureOnly);
    theOperation.Run(ioStore, Operation::RunCheck::kRecordAndCheck);
    ErrorReport& theReport = *theOperation.GetErrorReport();
    return {theReport.HasError(),         theReport.GetMessages(),      theOperation.GetRect(),
            theOperation.GetResultRect(), theOperation.GetLineHeight(), theOperation.GetLengthDrawn()};
}

// Reads the font Begin selected, at the moment the text block would be laid out.
class FontProbe : public DrawGDIShape {
public:
    FontProbe() : DrawGDIShape("Draw Text:", DrawGDIShape::Primitives::kDirect) {}
    void DrawTextBlock() override
    {
        const HGDIOBJ theFont = SelectObject(mHDC, GetStockObject(SYSTEM_FONT));
        mSeen = GetObjectA(theFont, sizeof mFont, &mFont) == sizeof mFont;
        SelectObject(mHDC, theFont);
    }
    LOGFONTA mFont{};
    bool mSeen = false;
};

TEST(TextFont, PointsBecomeACharacterHeightAtNinetySixDots)
{
    struct Case {
        const char* mParams;
        std::int32_t mHeight, mWeight;
        std::uint8_t mItalic, mUnderline, mStrikeOut;
    };
    const Case theCases[] = {
        {"textsize=10", -13, 400, 0, 0, 0},
        {"textsize=12 textstyle=bold", -16, 700, 0, 0, 0},
        {"textsize=7 textstyle=italic,underline,strikethru", -9, 400, 1, 1, 1},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mParams);
        Bitmap theStore;
        MakeWhite(theStore, 8, 8);
        FontProbe theProbe;
        std::strcpy(theProbe.GetParameters()->Font, "DejaVu Serif");
        theProbe.SetText("x");
        ASSERT_EQ(theProbe.SetParameterString(theCase.mParams), 0);
        theProbe.Run(theStore, Operation::RunCheck::kRecordAndCheck);
        ASSERT_FALSE(theProbe.GetErrorReport()->HasError()) << theProbe.GetErrorReport()->Message();
        ASSERT_TRUE(theProbe.mSeen);
        EXPECT_EQ(theProbe.mFont.lfHeight, theCase.mHeight);
        EXPECT_EQ(theProbe.mFont.lfWeight, theCase.mWeight);
        EXPECT_EQ(theProbe.mFont.lfItalic, theCase.mItalic);
        EXPECT_EQ(theProbe.mFont.lfUnderline, theCase.mUnderline);
        EXPECT_EQ(theProbe.mFont.lfStrikeOut, theCase.mStrikeOut);
        EXPECT_EQ(theProbe.mFont.lfQuality, ANTIALIASED_QUALITY);
        EXPECT_STREQ(theProbe.mFont.lfFaceName, "DejaVu Serif");
    }
}

class TextBlock : public testing::Test {
protected:
    void SetUp() override { MakeWhite(mStore, 200, 120); }
    Bitmap mStore;
};

TEST_F(TextBlock, TenPointsAtNinetySixDotsMakeLinesOfFifteen)
{
    const TextRun theRun = RunText(mStore, Method::kDrawText, "Hxg", "rect=0,0,200,120");
    ASSERT_FALSE(theRun.mError) << theRun.mMessages;
    EXPECT_EQ(theRun.mLineHeight, kLine);
    EXPECT_EQ(theRun.mLengthDrawn, 3);
    const LongRect theInk = InkExtent(mStore);
    ASSERT_FALSE(IsEmpty(theInk));
    // A 13-pixel em: capitals about 10 pixels tall, descender below.
    EXPECT_GE(theInk.bottom - theInk.top + 1, 11);
    EXPECT_LE(theInk.bottom - theInk.top + 1, kLine);
    // Twice the size is a taller line.
    MakeWhite(mStore, 200, 120);
    EXPECT_GT(RunText(mStore, Method::kDrawText, "Hxg", "rect=0,0,200,120 textsize=20").mLineHeight, 2 * kLine - 3);
}

TEST_F(TextBlock, AlignmentMovesTheInk)
{
    struct Case {
        const char* mAlign;
        bool mHorizontal;
        std::int32_t mExpectedStart;  // where the ink starts, within 3 pixels
    };
    // The block: "MMMM" on (20,20,180,100); its width w measured from left alignment.
    MakeWhite(mStore, 200, 120);
    ASSERT_FALSE(RunText(mStore, Method::kDrawText, "MMMM", "rect=20,20,180,100").mError);
    const LongRect theLeft = InkExtent(mStore);
    const std::int32_t theWidth = theLeft.right - theLeft.left;
    const std::int32_t theTop = theLeft.top - 20;  // ink offset inside the line
    const Case theCases[] = {
        {"halign=left", true, 20},
        {"halign=middle", true, 20 + (160 - theWidth) / 2},
        {"halign=right", true, 180 - theWidth - 1},
        {"valign=top", false, 20 + theTop},
        {"valign=middle", false, 20 + (80 - kLine) / 2 + theTop},
        {"valign=bottom", false, 100 - kLine + theTop},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mAlign);
        MakeWhite(mStore, 200, 120);
        const TextRun theRun =
            RunText(mStore, Method::kDrawText, "MMMM", std::string("rect=20,20,180,100 ") + theCase.mAlign);
        ASSERT_FALSE(theRun.mError) << theRun.mMessages;
        const LongRect theInk = InkExtent(mStore);
        EXPECT_NEAR(theCase.mHorizontal ? theInk.left : theInk.top, theCase.mExpectedStart, 3) << theInk;
    }
}

TEST_F(TextBlock, ABlockTallerThanItsRectangleIsDrawnFromTheTop)
{
    for (const char* theAlign : {"valign=middle", "valign=bottom"}) {
        SCOPED_TRACE(theAlign);
        MakeWhite(mStore, 200, 120);
        const TextRun theRun =
            RunText(mStore, Method::kDrawText, "A\nB\nC\nD\nE\nF", std::string("rect=10,40,190,80 ") + theAlign);
        ASSERT_FALSE(theRun.mError) << theRun.mMessages;
        EXPECT_EQ(theRun.mRect.top, 40);
        const LongRect theInk = InkExtent(mStore);
        EXPECT_GE(theInk.top, 40);
        EXPECT_LT(theInk.top, 40 + kLine) << theInk;
        EXPECT_LT(theInk.bottom, 80) << theInk;
        // Two whole lines fit in 40 pixels: "A\nB\n".
        EXPECT_EQ(theRun.mLengthDrawn, 4);
    }
}

TEST_F(TextBlock, TextLengthCountsWholeVisibleLinesInCharacters)
{
    struct Case {
        const char* mText;
        const char* mParams;
        std::int32_t mLength;
    };
    const Case theCases[] = {
        {"a\nb\nc\nd", "rect=0,0,100,40", 4},                // the third line is only partly visible
        {"a\nb\nc\nd", "rect=0,0,100,45", 6},                // now it fits
        {"\xC3\xA9\n\xC3\xBC\nx\ny", "rect=0,0,100,40", 4},  // two-byte characters count once
        {"\xF0\x9F\x98\x80", "rect=0,0,100,40", 2},          // outside the basic plane: two UTF-16 units
        {"abc", "rect=0,0,100,10", 0},                       // not even one line
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mParams);
        Bitmap theScratch;
        MakeWhite(theScratch, 4, 4);
        const TextRun theRun = RunText(theScratch, Method::kTextLength, theCase.mText, theCase.mParams);
        ASSERT_FALSE(theRun.mError) << theRun.mMessages;
        EXPECT_EQ(theRun.mLengthDrawn, theCase.mLength);
    }
}

TEST_F(TextBlock, TextAreaMeasuresAndDrawsNothing)
{
    // Even a parameter string asking to draw only measures.
    const TextRun theRun =
        RunText(mStore, Method::kTextArea, "one two three four five six", "rect=10,10,90,110 op=both textcolor=red");
    ASSERT_FALSE(theRun.mError) << theRun.mMessages;
    EXPECT_TRUE(IsEmpty(InkExtent(mStore)));
    EXPECT_EQ(theRun.mLineHeight, kLine);
    const std::int32_t theHeight = theRun.mRect.bottom - theRun.mRect.top;
    EXPECT_GT(theHeight, kLine);
    EXPECT_EQ(theHeight % kLine, 0);
    EXPECT_LE(theRun.mRect.right - theRun.mRect.left, 80);
    EXPECT_GT(theRun.mRect.right - theRun.mRect.left, 20);
}

TEST_F(TextBlock, EmptyTextDrawsNothingCountsNothingAndMeasuresNothing)
{
    for (const char* theParams : {"rect=0,0,200,120", "rect=64,12,0,6"}) {
        for (Method theMethod : {Method::kDrawText, Method::kTextArea, Method::kTextLength}) {
            MakeWhite(mStore, 200, 120);
            const TextRun theRun = RunText(mStore, theMethod, "", theParams);
            EXPECT_FALSE(theRun.mError) << theRun.mMessages;
            EXPECT_EQ(theRun.mLengthDrawn, 0);
            EXPECT_EQ(theRun.mLineHeight, 0);
            EXPECT_TRUE(IsEmpty(InkExtent(mStore)));
            if (theMethod == Method::kTextArea) {
                EXPECT_TRUE(theRun.mRect.right == theRun.mRect.left && theRun.mRect.bottom == theRun.mRect.top)
                    << theParams;
            }
        }
    }
}

TEST_F(TextBlock, TextAreaGivesACanvasWithoutPixelsItsSize)
{
    Bitmap theStore;
    const TextRun theRun = RunText(theStore, Method::kTextArea, "word", "rect=0,0,100,100");
    ASSERT_FALSE(theRun.mError) << theRun.mMessages;
    EXPECT_EQ(theStore.GetBounds(), (LongRect{0, 0, 256, 256}));
    EXPECT_TRUE(IsEmpty(InkExtent(theStore)));
}

TEST_F(TextBlock, TheTextKeywordOverridesTheSetter)
{
    const TextRun theRun = RunText(mStore, Method::kTextLength, "abcdef", "rect=0,0,200,120 text=xy");
    EXPECT_EQ(theRun.mLengthDrawn, 2);
}

}  // namespace

// Text far below the rectangle is not laid out: what is drawn, counted and
// measured is what the text's first screenful gives, however much follows.
TEST_F(TextBlock, TextBelowTheRectangleChangesNothingDrawnOrCounted)
{
    std::string theScreenful;
    for (int theIndex = 0; theIndex < 60; ++theIndex)
        theScreenful += theIndex % 7 == 3 ? "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D " : "vellum ink margin ";
    std::string theLonger = theScreenful;
    while (theLonger.size() < 200000)
        theLonger += "quill page letter \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 ";
    const std::string theParams = "rect=10,10,190,100 valign=middle halign=middle maxtext=262144";
    for (Method theMethod : {Method::kDrawText, Method::kTextLength, Method::kTextArea}) {
        Bitmap theShort, theLong;
        MakeWhite(theShort, 200, 120);
        MakeWhite(theLong, 200, 120);
        const TextRun theFirst = RunText(theShort, theMethod, theScreenful.c_str(), theParams);
        const TextRun theSecond = RunText(theLong, theMethod, theLonger.c_str(), theParams);
        ASSERT_FALSE(theFirst.mError || theSecond.mError) << theFirst.mMessages << theSecond.mMessages;
        EXPECT_EQ(theFirst.mLengthDrawn, theSecond.mLengthDrawn);
        EXPECT_EQ(theFirst.mRect, theSecond.mRect);
        EXPECT_EQ(theFirst.mLineHeight, theSecond.mLineHeight);
        for (std::int32_t y = 0; y < 120; ++y)
            for (std::int32_t x = 0; x < 200; ++x)
                ASSERT_EQ(PixelAt(theShort, x, y), PixelAt(theLong, x, y)) << x << "," << y;
    }
    // The measured block ends with the line that passes the bottom.
    const TextRun theArea = RunText(mStore, Method::kTextArea, theLonger.c_str(), theParams);
    EXPECT_EQ(theArea.mRect.top, 10);
    EXPECT_EQ(theArea.mRect.bottom, 10 + 6 * kLine);
}

// One-pixel type over long text of two scripts, as a page script sent it: each
// method shapes what it lays out once and what it draws once more, so the work
// follows what fits in the rectangle, not the text's length.
TEST_F(TextBlock, OnePixelTextCostsWhatFitsAtAnyLength)
{
    std::string theText;
    while (theText.size() < 1024 * 1024)
        theText += "a\xD8\xA8 ";  // three UTF-16 units in four bytes
    const std::string theParams = "rect=0,0,400,300 textsize=1 maxtext=1048576";
    for (const std::size_t theBytes : {std::size_t(64 * 1024), theText.size()}) {
        const std::string theSome = theText.substr(0, theBytes);
        for (Method theMethod : {Method::kDrawText, Method::kTextArea, Method::kTextLength}) {
            SCOPED_TRACE(testing::Message() << theBytes << " bytes, method " << static_cast<int>(theMethod));
            Bitmap theStore;
            MakeWhite(theStore, theMethod == Method::kTextLength ? 4 : 400, theMethod == Method::kTextLength ? 4 : 300);
            const unsigned long long theBefore = GdiTextBytesShaped();
            const TextRun theRun = RunText(theStore, theMethod, theSome.c_str(), theParams);
            const unsigned long long theShaped = GdiTextBytesShaped() - theBefore;
            ASSERT_FALSE(theRun.mError) << theRun.mMessages;
            ASSERT_GT(theRun.mLineHeight, 0);
            const unsigned long long theDrawn = static_cast<unsigned long long>(theRun.mLengthDrawn) / 3 * 4;
            if (theBytes == 64 * 1024)
                EXPECT_EQ(theDrawn, theBytes) << "all of it fits";
            else
                EXPECT_LT(theDrawn, theBytes / 2);
            EXPECT_LE(theShaped, 2 * theDrawn + 16 * 1024);
        }
    }
}

// The bound counts the text's bytes of UTF-8 (what the drawing layer lays
// out), whatever script or surrogate pair makes them: a text of exactly
// maxtext bytes is drawn, one more byte is refused before the store is
// touched, with the count and the limit in the message.
TEST_F(TextBlock, TextOverMaxtextIsRefusedBeforeTheStoreIsTouched)
{
    const std::string kPieces[] = {"quill ", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D ", "\xE4\xB8\xAD\xE6\x96\x87",
                                   "\xF0\x9F\x96\x8B ink", "a\xD8\xA8 \xE2\x80\x8F\t"};
    for (const std::string& thePiece : kPieces) {
        std::string theText;
        while (theText.size() < 300)
            theText += thePiece;
        // The model: the text as the record holds it, written out again.
        const std::size_t theBytes = UTF8FromUTF16(UTF16FromUTF8(theText)).size();
        for (Method theMethod : {Method::kDrawText, Method::kTextArea, Method::kTextLength}) {
            SCOPED_TRACE(testing::Message() << thePiece << ", method " << static_cast<int>(theMethod));
            const std::string theFits = "rect=0,0,200,120 maxtext=" + std::to_string(theBytes);
            Bitmap theDrawn;
            MakeWhite(theDrawn, 200, 120);
            const TextRun theAccepted = RunText(theDrawn, theMethod, theText.c_str(), theFits);
            ASSERT_FALSE(theAccepted.mError) << theAccepted.mMessages;
            EXPECT_GT(theAccepted.mLineHeight, 0);
            // Measuring draws nothing; the canvas runs TextLength on a scratch store.
            EXPECT_EQ(IsEmpty(InkExtent(theDrawn)), theMethod == Method::kTextArea);

            const std::string theShort = "rect=0,0,200,120 maxtext=" + std::to_string(theBytes - 1);
            const TextRun theRefused = RunText(mStore, theMethod, theText.c_str(), theShort);
            ASSERT_TRUE(theRefused.mError);
            EXPECT_EQ(theRefused.mMessages, "A text of " + std::to_string(theBytes) +
                                                " bytes is longer than the limit of " + std::to_string(theBytes - 1) +
                                                " bytes set by maxtext.");
            EXPECT_EQ(theRefused.mLineHeight, 0);
            EXPECT_EQ(theRefused.mLengthDrawn, 0);
            EXPECT_TRUE(IsEmpty(InkExtent(mStore)));
            // A store without pixels is not given any.
            Bitmap theBare;
            EXPECT_TRUE(RunText(theBare, theMethod, theText.c_str(), theShort).mError);
            EXPECT_FALSE(theBare.HasPixels());
        }
    }
}

TEST_F(TextBlock, WithoutMaxtextThirtyTwoKilobytesAreLaidOut)
{
    const std::string theText(Parameters::kDefaultMaxText, 'w');
    EXPECT_FALSE(RunText(mStore, Method::kTextArea, theText.c_str(), "rect=0,0,200,120").mError);
    const TextRun theOver = RunText(mStore, Method::kDrawText, (theText + "w").c_str(), "rect=0,0,200,120");
    ASSERT_TRUE(theOver.mError);
    EXPECT_NE(theOver.mMessages.find("limit of 32768 bytes set by maxtext"), std::string::npos) << theOver.mMessages;
    EXPECT_TRUE(IsEmpty(InkExtent(mStore)));
}

// DrawShape's text shape, whose text comes from the text keyword, is bound alike.
TEST_F(TextBlock, ATextShapeOverMaxtextIsRefused)
{
    for (const char* theParams : {"rect=0,0,200,120 text=abcdef maxtext=6", "rect=0,0,200,120 text=abcdef maxtext=5"}) {
        SCOPED_TRACE(theParams);
        MakeWhite(mStore, 200, 120);
        DrawShapeOp theOperation;
        theOperation.SetShape("text");
        ASSERT_EQ(theOperation.SetParameterString(theParams), 0);
        theOperation.Run(mStore, Operation::RunCheck::kRecordAndCheck);
        const bool theRefused = std::strstr(theParams, "maxtext=5") != nullptr;
        EXPECT_EQ(theOperation.GetErrorReport()->HasError(), theRefused) << theOperation.GetErrorReport()->Message();
        EXPECT_EQ(IsEmpty(InkExtent(mStore)), theRefused);
    }
}
