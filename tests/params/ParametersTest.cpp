// The keyword table, the transform keywords, font matching and the geometry
// of the parameter record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "vellumax/params/Parameters.h"

namespace {

std::unique_ptr<Parameters> Parsed(const std::string& inText, std::int32_t inCode = 0)
{
    auto theParams = std::make_unique<Parameters>();
    EXPECT_EQ(theParams->Parse(inText.c_str()), inCode) << inText;
    return theParams;
}

TEST(ParametersDefaults, AreTheDocumentedOnes)
{
    Parameters theParams;
    EXPECT_EQ(theParams.PenColor, ColorValue::Black());
    EXPECT_EQ(theParams.PaintColor, ColorValue::White());
    EXPECT_EQ(theParams.PenSize, 1);
    EXPECT_STREQ(theParams.Font, "");
    EXPECT_EQ(theParams.TextSize, 9);
    EXPECT_EQ(theParams.TextStyle, TextStyleRecord{});
    EXPECT_EQ(theParams.DrawOp, kDrawAndPaint);
    EXPECT_EQ(theParams.CornerSize, (LongPoint{16, 16}));
    EXPECT_EQ(theParams.Quality, kNormalQuality);
    EXPECT_EQ(theParams.Depth, 32);
    EXPECT_EQ(theParams.Image, 1);
    EXPECT_EQ(theParams.Shape, kNoShapeType);
    EXPECT_TRUE(theParams.Transform.empty());
    EXPECT_EQ(theParams.Pattern.source, PatternBitmap::Source::kNone);
}

TEST(Keywords, EmptyStringChangesNothing)
{
    Parameters theParams;
    theParams.PenSize = 5;
    std::strcpy(theParams.Font, "Kept");
    theParams.Text = "kept";
    theParams.Transform.push_back({TransformStep::Kind::kTranslate, {}, {3, 0}});
    const std::vector<TransformStep> theTransform = theParams.Transform;
    EXPECT_EQ(theParams.Parse(" \t "), 0);
    EXPECT_EQ(theParams.PenSize, 5);
    EXPECT_STREQ(theParams.Font, "Kept");
    EXPECT_EQ(theParams.Text, "kept");
    EXPECT_EQ(theParams.Transform, theTransform);
}

TEST(Keywords, EachSetsItsField)
{
    auto p = Parsed("pencolor=blue textcolor=red paintcolor=50,50,50 pensize=3 textsize=12 textstyle='bold,italic' "
                    "halign=right valign=bottom dither=yes rect=1,2,3,4 position=5,6 size=7,8 inset=5,7 move=9,10 "
                    "type=png image=2 fit=true mode=blend modecolor=white srcrect=11,12,13,14 shape=oval op=draw "
                    "cornersize=20 points=0,0,10,0,10,10 text='Grüße' quality=high interlace=1 depth=256 opengl=true "
                    "transparent=15,16 maxtext=16777216");
    EXPECT_EQ(p->PenColor, (ColorValue{0, 0, 0xD400, 0xFFFF, 0}));
    EXPECT_EQ(p->TextColor, (ColorValue{0xDD6B, 0x08C2, 0x06A2, 0xFFFF, 0}));
    EXPECT_EQ(p->PaintColor, (ColorValue{0x7FFF, 0x7FFF, 0x7FFF, 0xFFFF, 0}));
    EXPECT_EQ(p->PenSize, 3);
    EXPECT_EQ(p->TextSize, 12);
    EXPECT_EQ(p->TextStyle, (TextStyleRecord{1, 700, 1, 0, 0}));
    EXPECT_EQ(p->HAlign, kHAlignRight);
    EXPECT_EQ(p->VAlign, kVAlignBottom);
    EXPECT_EQ(p->Dither, 1);
    EXPECT_EQ(p->Rect, (LongRect{1, 2, 3, 4}));
    EXPECT_EQ(p->RectGiven, 1);
    EXPECT_EQ(p->Position, (LongPoint{5, 6}));
    EXPECT_EQ(p->Size, (LongPoint{7, 8}));
    EXPECT_EQ(p->SizeGiven, 1);
    EXPECT_EQ(p->Inset, (LongPoint{5, 5}));  // the text after the number is ignored
    EXPECT_EQ(p->Move, (LongPoint{9, 10}));
    EXPECT_STREQ(p->Type, "png");
    EXPECT_EQ(p->Image, 2);
    EXPECT_EQ(p->Fit, 1);
    EXPECT_EQ(p->Mode, kStraightAlphaBlendMode);
    EXPECT_EQ(p->ModeColor, ColorValue::White());
    EXPECT_EQ(p->SourceRect, (LongRect{11, 12, 13, 14}));
    EXPECT_EQ(p->SourceRectGiven, 1);
    EXPECT_EQ(p->Shape, kOvalShape);
    EXPECT_EQ(p->DrawOp, kDrawOutline);
    EXPECT_EQ(p->CornerSize, (LongPoint{20, 20}));
    ASSERT_EQ(p->PointCount, 3);
    EXPECT_EQ(p->Points[1], (LongPoint{10, 0}));
    EXPECT_EQ(p->Points[2], (LongPoint{10, 10}));
    EXPECT_EQ(p->Text, "Grüße");
    EXPECT_EQ(p->Quality, kHighQuality);
    EXPECT_EQ(p->Interlace, 1);
    EXPECT_EQ(p->Depth, 8);
    EXPECT_EQ(p->OpenGL, 1);
    EXPECT_EQ(p->TransparentPoint, (LongPoint{15, 16}));
    EXPECT_EQ(p->TransparentGiven, 1);
    EXPECT_EQ(p->MaxText, 16777216);
}

TEST(Keywords, AliasesAndCaseAndLastValueWins)
{
    auto p = Parsed("Pencolor=RED RECTANGLE=1,1,2,2 pos=3,4 sourcerectangle=1,2,3,4 operation=paint rect=5,5,6,6 "
                    "pensize=2 PENSIZE=4");
    EXPECT_EQ(p->PenColor, (ColorValue{0xDD6B, 0x08C2, 0x06A2, 0xFFFF, 0}));
    EXPECT_EQ(p->Rect, (LongRect{5, 5, 6, 6}));
    EXPECT_EQ(p->Position, (LongPoint{3, 4}));
    EXPECT_EQ(p->SourceRect, (LongRect{1, 2, 3, 4}));
    EXPECT_EQ(p->DrawOp, kPaintFill);
    EXPECT_EQ(p->PenSize, 4);
}

TEST(Keywords, NeverFailingOnes)
{
    auto p = Parsed("quality=superb text='' type='' textfont=NoSuchFamilyAnywhere");
    EXPECT_EQ(p->Quality, kNormalQuality);
    EXPECT_EQ(p->Text, "");
}

TEST(Keywords, UnknownNameGivesCode7WithTheName)
{
    auto p = Parsed("colour=red", 7);
    EXPECT_STREQ(p->ErrorContext(), "colour");
    char theMessage[ParameterParser::kMessageCapacity];
    ASSERT_TRUE(p->ErrorMessage(theMessage));
    EXPECT_STREQ(theMessage, "Do not recognise parameter \"colour\"");
}

class KeywordReaderFails : public testing::TestWithParam<const char*> {};

TEST_P(KeywordReaderFails, WithCode6AndNameEqualsValue)
{
    const std::string thePair = GetParam();
    auto p = Parsed("pensize=2 " + thePair + " pensize=5", 6);
    EXPECT_EQ(std::string(p->ErrorContext()), thePair);
    EXPECT_EQ(p->PenSize, 2);  // the parse stopped at the failing pair
    char theMessage[ParameterParser::kMessageCapacity];
    ASSERT_TRUE(p->ErrorMessage(theMessage));
    EXPECT_EQ(std::string(theMessage), "Could not understand value of parameter \"" + thePair + "\"");
}

INSTANTIATE_TEST_SUITE_P(EveryKeyword, KeywordReaderFails,
                         testing::Values("pencolor=reddish", "textcolor=reddish", "paintcolor=1,2", "pensize=thick",
                                         "textsize=big", "textstyle=heavy", "halign=center", "valign=centre",
                                         "dither=maybe", "rectangle=1,2,3", "rect=0,0,32767,10", "position=1",
                                         "pos=a,b", "size=1,2,3", "inset=x", "move=1", "rotation=left", "rotate=x",
                                         "stretch=wide", "scale=x,2", "skew=x", "translate=1", "image=first",
                                         "fit=perhaps", "mode=xor", "modecolor=nope", "sourcerectangle=1",
                                         "srcrect=1,2", "shape=circle", "operation=fill", "op=none", "cornersize=round",
                                         "points=0,0,10", "interlace=on", "depth=4", "opengl=on", "transparent=1,2,3",
                                         "scale=40000", "skew=-40000", "maxtext=0", "maxtext=-5", "maxtext=16777217",
                                         "maxtext=2147483648", "maxtext=lots"),
                         [](const auto& inInfo) { return std::to_string(inInfo.index); });

TEST(Keywords, TypeTakesAnyTokenAndRotateNeedsAValue)
{
    // Every token is short enough for the type field.
    auto p = Parsed("type='" + std::string(255, 't') + "'");
    EXPECT_EQ(std::strlen(p->Type), 255u);
    Parsed("rotate=''", 6);
}

TEST(Keywords, PointsAcceptsAtMost1024Pairs)
{
    std::string theList;
    for (int i = 0; i < 1024; ++i)
        theList += std::to_string(i % 100) + ",1,";
    // Too long for one token, so the list is read directly.
    Parameters theParams;
    EXPECT_TRUE(ReadCoordinateList(theList.c_str(), theParams.Points, Parameters::kMaxPoints, &theParams.PointCount));
    EXPECT_EQ(theParams.PointCount, 1024);
    theList += "5,5";
    EXPECT_FALSE(ReadCoordinateList(theList.c_str(), theParams.Points, Parameters::kMaxPoints, &theParams.PointCount));
}

// ---- Transforms -------------------------------------------------------------------

// What the engine turns into a matrix: each keyword as read, in order. The
// matrices themselves are the engine's tests.
TEST(Transforms, KeepEachKeywordAsReadInOrder)
{
    using Kind = TransformStep::Kind;
    struct Case {
        const char* text;
        std::int32_t code;
        std::vector<TransformStep> steps;
    };
    const Case kCases[] = {
        {"rotate=90", 0, {{Kind::kRotate, {90, 0}, {0, 0}}}},
        {"rotation=450,10,-10", 0, {{Kind::kRotate, {450, 0}, {10, -10}}}},
        {"rotate=90,x", 0, {{Kind::kRotate, {90, 0}, {0, 0}}}},  // an unreadable centre is (0, 0)
        {"scale=2", 0, {{Kind::kScale, {2, 2}, {0, 0}}}},
        {"stretch=2,3", 0, {{Kind::kScale, {2, 3}, {0, 0}}}},
        {"scale=2,x,1,1", 0, {{Kind::kScale, {2, 2}, {1, 1}}}},  // unreadable sy is sx
        {"skew=0.5,0,0,10", 0, {{Kind::kSkew, {0.5f, 0}, {0, 10}}}},
        {"translate=10,0 rotate=90 translate=5,5",
         0,
         {{Kind::kTranslate, {}, {10, 0}}, {Kind::kRotate, {90, 0}, {0, 0}}, {Kind::kTranslate, {}, {5, 5}}}},
        // A failed value adds nothing; the ones before it stay.
        {"translate=5,5 scale=x", 6, {{Kind::kTranslate, {}, {5, 5}}}},
        {"translate=1", 6, {}},
        {"scale=40000", 6, {}},
        {"skew=32767,-32767", 0, {{Kind::kSkew, {32767, -32767}, {0, 0}}}},
    };
    for (const Case& theCase : kCases)
        EXPECT_EQ(Parsed(theCase.text, theCase.code)->Transform, theCase.steps) << theCase.text;
}

// ---- Geometry ------------------------------------------------------------------------

TEST(Geometry, PlacementFromPositionSizeMoveAndInset)
{
    EXPECT_EQ(Parsed("pos=10,20 size=100,50")->PlacementRect(), (LongRect{10, 20, 110, 70}));
    EXPECT_EQ(Parsed("pos=10,20 size=100,50 move=5,5 inset=10")->PlacementRect(), (LongRect{25, 35, 105, 65}));
    EXPECT_EQ(Parsed("rect=1,2,30,40 pos=100,100 size=5,5 move=-1,1")->PlacementRect(), (LongRect{0, 3, 29, 41}));
    EXPECT_EQ(Parameters().PlacementRect(), LongRect{});
    // Large insets wrap instead of overflowing.
    EXPECT_EQ(Parsed("inset=2147483647 move=1,1")->PlacementRect(),
              (LongRect{INT32_MIN, INT32_MIN, -2147483646, -2147483646}));
}

TEST(Geometry, DestinationWithoutRectOrSizeIsNaturalMovedByPosition)
{
    const LongRect theNatural{0, 0, 200, 100};
    const LongRect theBounds{0, 0, 400, 300};
    EXPECT_EQ(Parsed("pos=5,6 move=100,100 inset=3")->DestinationRect(theNatural, theBounds),
              (LongRect{5, 6, 205, 106}));
    EXPECT_EQ(Parsed("rect=1,2,3,4")->DestinationRect(theNatural, theBounds), (LongRect{1, 2, 3, 4}));
    EXPECT_EQ(Parsed("size=10,10 pos=1,1 move=1,0")->DestinationRect(theNatural, theBounds), (LongRect{2, 1, 12, 11}));
}

struct FitCase {
    const char* params;
    LongRect natural;
    LongRect expected;
};

class FitArithmetic : public testing::TestWithParam<FitCase> {};

TEST_P(FitArithmetic, ShrinksKeepsRatioAndAligns)
{
    const FitCase& theCase = GetParam();
    const LongRect theBounds{0, 0, 400, 300};
    EXPECT_EQ(Parsed(theCase.params)->DestinationRect(theCase.natural, theBounds), theCase.expected) << theCase.params;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitArithmetic,
    testing::Values(
        FitCase{"fit=true rect=10,10,110,110 halign=middle valign=middle", {0, 0, 200, 100}, {10, 35, 110, 85}},
        FitCase{"fit=true rect=10,10,110,110", {0, 0, 200, 100}, {10, 10, 110, 60}},
        FitCase{"fit=true rect=10,10,110,110 valign=bottom", {0, 0, 200, 100}, {10, 60, 110, 110}},
        FitCase{"fit=true rect=10,10,110,110 halign=right", {0, 0, 100, 200}, {60, 10, 110, 110}},
        FitCase{"fit=true rect=10,10,110,110 halign=middle", {0, 0, 100, 200}, {35, 10, 85, 110}},
        // Never enlarged; aligned inside the target.
        FitCase{"fit=true rect=0,0,100,100 halign=right valign=bottom", {0, 0, 20, 10}, {80, 90, 100, 100}},
        FitCase{"fit=true rect=0,0,100,100 halign=middle valign=middle", {0, 0, 21, 11}, {39, 44, 60, 55}},
        // Width fits, height does not.
        FitCase{"fit=true rect=0,0,100,50", {0, 0, 80, 100}, {0, 0, 40, 50}},
        // Both shrink steps: the width first, then the height.
        FitCase{"fit=true rect=0,0,100,10", {0, 0, 300, 100}, {0, 0, 30, 10}},
        // Truncation, not rounding: 100 / (300 / 199) = 66.33.
        FitCase{"fit=true rect=0,0,100,100", {0, 0, 300, 199}, {0, 0, 100, 66}},
        // Without rect or size the target is the bounds.
        FitCase{"fit=true halign=middle valign=middle", {0, 0, 800, 300}, {0, 75, 400, 225}},
        FitCase{"fit=true", {0, 0, 40, 30}, {0, 0, 40, 30}},
        // With size the target is the placement.
        FitCase{"fit=true pos=10,10 size=50,50 valign=bottom", {0, 0, 100, 50}, {10, 35, 60, 60}},
        // Degenerate natural sizes stay finite.
        FitCase{"fit=true rect=0,0,100,100", {0, 0, 200, 0}, {0, 0, 100, 0}},
        FitCase{"fit=true rect=10,10,0,0", {0, 0, 0, 0}, {10, 10, 10, 0}}),
    [](const auto& inInfo) { return std::to_string(inInfo.index); });

TEST(Geometry, SourceRectOrFallback)
{
    const LongRect theFallback{1, 1, 2, 2};
    EXPECT_EQ(Parameters().SourceRectOr(theFallback), theFallback);
    EXPECT_EQ(Parsed("srcrect=0,0,10,10")->SourceRectOr(theFallback), (LongRect{0, 0, 10, 10}));
}

// ---- Font lists ------------------------------------------------------------------------

// The lists are matched by the engine; the record keeps each once, newest last.
TEST(FontLists, KeptAsGivenNewestLast)
{
    auto p = Parsed("textfont=dejavu textfont='Nope, Neither' textfont=dejavu");
    EXPECT_EQ(p->FontLists, (std::vector<std::string>{"Nope, Neither", "dejavu"}));
    EXPECT_STREQ(p->Font, "");
    Parameters theParams;
    theParams.AddFontList("System");
    EXPECT_EQ(theParams.Parse("textfont='' textfont=System"), 0);
    EXPECT_EQ(theParams.FontLists, (std::vector<std::string>{"", "System"}));
}

// The reference's limit on points: one value holds 64 one-digit pairs and 32
// three-digit ones; one pair more no longer fits the value.
TEST(Keywords, PointsAreBoundByTheLengthOfOneValue)
{
    const auto thePoints = [](int inPairs, const char* inCoordinate) {
        std::string theList;
        for (int i = 0; i < 2 * inPairs; ++i)
            theList += (i == 0 ? "" : ",") + std::string(inCoordinate);
        return "points=" + theList;
    };
    for (const auto& [theCoordinate, thePairs] : {std::pair{"7", 64}, std::pair{"100", 32}}) {
        EXPECT_EQ(Parsed(thePoints(thePairs, theCoordinate))->PointCount, thePairs) << theCoordinate;
        Parsed(thePoints(thePairs + 1, theCoordinate), 4);
    }
}

}  // namespace
