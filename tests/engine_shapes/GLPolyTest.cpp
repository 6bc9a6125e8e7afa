// Shapes drawn by "Draw Shape:" with "opengl=true" on 32-bit stores: exact
// pixels where the geometry is on pixel boundaries, edges blended by the
// covered area (measured against areas computed here), fills before outlines,
// translucent colours, and stores drawn one after another and at once.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "AreaModel.h"
#include "Store.h"
#include "vellumax/engine/DrawShapeOp.h"

namespace {

using namespace shapes;
using area::Pt;

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

std::ostream& operator<<(std::ostream& outStream, const Rgba& inPixel)
{
    return outStream << "(" << inPixel.r << "," << inPixel.g << "," << inPixel.b << "," << inPixel.a << ")";
}

constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};
constexpr Rgba kBlack{0, 0, 0, 255};

Rgba At(Bitmap& inStore, int inX, int inY)
{
    const ColorValue c = inStore.GetPixelColor(inX, inY);
    return {c.red >> 8, c.green >> 8, c.blue >> 8, c.alpha >> 8};
}

// DrawShape as the canvas runs it, pen blue and paint red unless the string says otherwise.
std::string Draw(Bitmap& ioStore, const char* inShape, const std::string& inParams)
{
    DrawShapeOp theOperation;
    Parameters& theParams = *theOperation.GetParameters();
    theParams.PenColor = ColorValue{0, 0, 65535, 65535, 0};
    theParams.PaintColor = ColorValue{65535, 0, 0, 65535, 0};
    theOperation.SetShape(inShape);
    EXPECT_EQ(theOperation.SetParameterString((inParams + " opengl=true").c_str()), 0) << inParams;
    theOperation.Run(ioStore, Operation::RunCheck::kRecordAndCheck);
    const ErrorReport& theReport = *theOperation.GetErrorReport();
    return theReport.HasError() ? "failed: " + theReport.GetMessages() : "";
}

// Counts pixels of inStore inside inBox that are / are not inColor.
int Count(Bitmap& inStore, const LongRect& inBox, const Rgba& inColor, bool inMatch = true)
{
    int theCount = 0;
    for (int y = inBox.top; y < inBox.bottom; ++y)
        for (int x = inBox.left; x < inBox.right; ++x)
            theCount += (At(inStore, x, y) == inColor) == inMatch;
    return theCount;
}

TEST(GLPolyExact, RectanglesOnPixelBoundariesHaveNoBlendedEdge)
{
    Bitmap theStore;
    MakeWhite(theStore, 64, 64);
    ASSERT_EQ(Draw(theStore, "rect", "rect=10,10,50,50 op=paint"), "");
    EXPECT_EQ(Count(theStore, {10, 10, 50, 50}, kRed), 40 * 40);
    EXPECT_EQ(Count(theStore, {0, 0, 64, 64}, kWhite), 64 * 64 - 40 * 40);

    // Pen 4: line centres on 12 and 48, each side half a pen past its corner.
    MakeWhite(theStore, 64, 64);
    ASSERT_EQ(Draw(theStore, "rect", "rect=10,10,50,50 op=draw pensize=4"), "");
    EXPECT_EQ(Count(theStore, {10, 10, 50, 50}, kBlue), 40 * 40 - 32 * 32);
    EXPECT_EQ(Count(theStore, {14, 14, 46, 46}, kWhite), 32 * 32);
    EXPECT_EQ(Count(theStore, {0, 0, 64, 64}, kWhite), 64 * 64 - (40 * 40 - 32 * 32));

    // Both: the outline covers the fill's border.
    MakeWhite(theStore, 64, 64);
    ASSERT_EQ(Draw(theStore, "rect", "rect=10,10,50,50 pensize=4"), "");
    EXPECT_EQ(Count(theStore, {14, 14, 46, 46}, kRed), 32 * 32);
    EXPECT_EQ(Count(theStore, {10, 10, 50, 50}, kBlue), 40 * 40 - 32 * 32);
}

TEST(GLPolyExact, ShapesWithNothingToDrawLeaveTheStoreAlone)
{
    const char* const kCases[][2] = {
        {"oval", "rect=10,10,10,10"},                    // both radii 0, pen 1: the outline's radii are negative
        {"oval", "rect=10,10,14,14 pensize=9 op=draw"},  // a pen wider than the oval
        {"rect", "rect=10,10,50,50 pensize=0 op=draw"},
        {"polygon", "points=10,10,40,10 op=paint"},  // two points enclose nothing
    };
    for (const auto& theCase : kCases) {
        SCOPED_TRACE(std::string(theCase[0]) + " " + theCase[1]);
        Bitmap theStore;
        MakeWhite(theStore, 64, 64);
        EXPECT_EQ(Draw(theStore, theCase[0], theCase[1]), "");
        EXPECT_EQ(Count(theStore, {0, 0, 64, 64}, kWhite), 64 * 64);
    }
}

TEST(GLPolyExact, RoundRectWithNoCornerHasFourSides)
{
    Bitmap theStore;
    MakeWhite(theStore, 64, 64);
    ASSERT_EQ(Draw(theStore, "roundrect", "rect=10,10,50,50 cornersize=0 pensize=2 op=draw"), "");
    // Line centres on 11 and 50 - 2 + 1 = 49.
    for (const auto& [x, y] : {std::pair{30, 10}, {30, 11}, {48, 30}, {49, 30}, {30, 48}, {30, 49}, {10, 30}, {11, 30}})
        EXPECT_EQ(At(theStore, x, y), kBlue) << x << "," << y;
    // No diagonal from corner to corner.
    EXPECT_EQ(Count(theStore, {13, 13, 46, 46}, kWhite), 33 * 33);

    MakeWhite(theStore, 64, 64);
    ASSERT_EQ(Draw(theStore, "roundrect", "rect=10,10,50,50 cornersize=0 op=paint"), "");
    EXPECT_EQ(Count(theStore, {10, 10, 50, 50}, kRed), 40 * 40);
}

TEST(GLPolyFill, OddWindingAndClosedLines)
{
    // A five-pointed star: its centre winds twice and stays empty.
    Bitmap theStore;
    MakeWhite(theStore, 100, 100);
    ASSERT_EQ(Draw(theStore, "polygon", "points=50,5,76,85,8,35,92,35,24,85 op=paint"), "");
    EXPECT_EQ(At(theStore, 50, 50), kWhite);
    for (const auto& [x, y] : {std::pair{50, 20}, {20, 38}, {80, 38}, {30, 75}, {70, 75}})
        EXPECT_EQ(At(theStore, x, y), kRed) << x << "," << y;

    // A line drawn "both" is filled as a closed polygon, under its pen.
    MakeWhite(theStore, 100, 100);
    ASSERT_EQ(Draw(theStore, "line", "points=10,10,90,10,50,80 pensize=3"), "");
    EXPECT_EQ(At(theStore, 50, 30), kRed);
    EXPECT_EQ(At(theStore, 50, 11), kBlue);
    // The closing side is filled, not stroked.
    EXPECT_EQ(At(theStore, 27, 45), kWhite);

    // Text has no polygons: the 2D drawing layer fills its glyphs.
    MakeWhite(theStore, 100, 100);
    ASSERT_EQ(Draw(theStore, "text", "rect=0,0,100,100 text=HH textsize=30 op=paint"), "");
    EXPECT_LT(Count(theStore, {0, 0, 100, 100}, kWhite), 100 * 100 - 50);
}

TEST(GLPolyFill, HalfAlphaCoversTheInsideUnblendedAndBlendsOnlyEdges)
{
    Bitmap theStore;
    MakeWhite(theStore, 80, 80);
    ASSERT_EQ(Draw(theStore, "rect", "rect=0,0,80,80 paintcolor=0,0,100 op=paint"), "");
    ASSERT_EQ(Draw(theStore, "oval", "rect=10,10,70,70 paintcolor=100,0,0,50 op=paint"), "");
    const Rgba theInside{255, 0, 0, 127};
    EXPECT_EQ(At(theStore, 40, 40), theInside);
    EXPECT_EQ(At(theStore, 5, 5), kBlue);
    int theBlended = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x) {
            const Rgba p = At(theStore, x, y);
            if (p == kBlue || p == theInside)
                continue;
            // Red over blue by at most half: the edge, opaque still.
            ++theBlended;
            EXPECT_EQ(p.g, 0);
            EXPECT_EQ(p.r + p.b, 255) << x << "," << y;
            EXPECT_LE(p.r, 128);
            EXPECT_EQ(p.a, 255);
        }
    EXPECT_GT(theBlended, 60);
}

TEST(GLPolyOutline, ATranslucentOutlineIsEvenWhereItsPiecesMeet)
{
    // Segments, joins and dots blend once: nowhere darker than half black on white.
    Bitmap theStore;
    MakeWhite(theStore, 100, 100);
    ASSERT_EQ(Draw(theStore, "polygon", "points=20,20,80,25,50,80,45,40 pensize=7 pencolor=0,0,0,50 op=draw"), "");
    int theSolid = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const Rgba p = At(theStore, x, y);
            ASSERT_GE(p.r, 128) << x << "," << y;
            theSolid += p.r == 128;
        }
    EXPECT_GT(theSolid, 500);
    // Open ends are rounded by the dots: a line's end reaches half a pen beyond its last point.
    MakeWhite(theStore, 100, 100);
    ASSERT_EQ(Draw(theStore, "line", "points=20,50,60,50 pensize=8 pencolor=0,0,0 op=draw"), "");
    EXPECT_EQ(At(theStore, 66, 53), kBlack);  // the line runs on y = 54 from x = 24 to 64
    EXPECT_EQ(At(theStore, 69, 54), kWhite);
    EXPECT_NE(At(theStore, 67, 57), kBlack);  // round, not square
}

// A line that turns straight back rounds the turn ahead of it: drawn back over
// itself to inside the first segment, it covers what the first segment alone does.
TEST(GLPolyOutline, ALineTurningBackIsRoundedBeyondTheTurn)
{
    Bitmap theAlone;
    Bitmap theBack;
    MakeWhite(theAlone, 64, 48);
    MakeWhite(theBack, 64, 48);
    ASSERT_EQ(Draw(theAlone, "line", "points=10,20,40,20 pensize=6 pencolor=0,0,0 op=draw"), "");
    ASSERT_EQ(Draw(theBack, "line", "points=10,20,40,20,25,20 pensize=6 pencolor=0,0,0 op=draw"), "");
    EXPECT_NE(At(theAlone, 45, 22), kWhite);  // the round end beyond x = 43
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(At(theBack, x, y), At(theAlone, x, y)) << x << "," << y;
}

struct QualityCase {
    const char* mName;
    const char* mShape;
    std::string mParams;
    std::vector<Pt> mOutline;  // what the shape covers, winding once
    std::vector<Pt> mHole;     // winding twice, empty by the odd rule
    double mCentreSlack;       // how far the drawn outline may stray from mOutline
};

std::vector<Pt> Ellipse(double inX, double inY, double inRx, double inRy)
{
    std::vector<Pt> thePoints;
    for (int i = 0; i < 4000; ++i)
        thePoints.push_back({inX + inRx * std::cos(i * 2 * M_PI / 4000), inY + inRy * std::sin(i * 2 * M_PI / 4000)});
    return thePoints;
}

// Where two segments' lines cross.
Pt Crossing(Pt a, Pt b, Pt c, Pt d)
{
    const double t = ((c.x - a.x) * (d.y - c.y) - (c.y - a.y) * (d.x - c.x)) /
                     ((b.x - a.x) * (d.y - c.y) - (b.y - a.y) * (d.x - c.x));
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

std::vector<QualityCase> QualityCases()
{
    std::vector<QualityCase> theCases;
    theCases.push_back({"large oval", "oval", "rect=20,20,221,161", Ellipse(120.5, 90.5, 100.5, 70.5), {}, 0.05});
    // One vertex per 5 pixels of the arc: its chords stray up to 0.06 pixels from the true ellipse here.
    theCases.push_back({"smaller oval", "oval", "rect=30,40,151,121", Ellipse(90.5, 80.5, 60.5, 40.5), {}, 0.07});
    theCases.push_back({"rotated rectangle",
                        "polygon",
                        "points=50,20,170,80,130,160,10,100",
                        {{50, 20}, {170, 80}, {130, 160}, {10, 100}},
                        {},
                        0});
    theCases.push_back({"steep rectangle",
                        "polygon",
                        "points=100,10,113,11,99,190,86,189",
                        {{100, 10}, {113, 11}, {99, 190}, {86, 189}},
                        {},
                        0});
    const std::vector<Pt> theStar = {{120, 10}, {181, 176}, {30, 70}, {210, 70}, {59, 176}};
    std::vector<Pt> theCentre;
    // The sides cross at the corners of the centre, every second one in turn.
    for (int i = 0; i < 5; ++i) {
        const int j = 2 * i % 5;
        theCentre.push_back(Crossing(theStar[j], theStar[(j + 1) % 5], theStar[(j + 2) % 5], theStar[(j + 3) % 5]));
    }
    theCases.push_back({"star", "polygon", "points=120,10,181,176,30,70,210,70,59,176", theStar, theCentre, 0});
    return theCases;
}

// Black on white: a pixel's blend weight is how far it went from white.
TEST(GLPolyQuality, EdgesBlendByTheCoveredArea)
{
    for (const QualityCase& theCase : QualityCases()) {
        SCOPED_TRACE(theCase.mName);
        Bitmap theStore;
        MakeWhite(theStore, 240, 200);
        ASSERT_EQ(Draw(theStore, theCase.mShape, theCase.mParams + " paintcolor=black op=paint"), "");
        double theLeft = 1e9, theTop = 1e9, theRight = -1e9, theBottom = -1e9;
        for (const Pt& p : theCase.mOutline) {
            theLeft = std::min(theLeft, p.x);
            theTop = std::min(theTop, p.y);
            theRight = std::max(theRight, p.x);
            theBottom = std::max(theBottom, p.y);
        }
        double theSum = 0;
        double theWorst = 0;
        int theEdges = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 240; ++x) {
                const Rgba p = At(theStore, x, y);
                if (x < theLeft - 1 || x > theRight + 1 || y < theTop - 1 || y > theBottom + 1) {
                    ASSERT_EQ(p, kWhite) << x << "," << y;
                    continue;
                }
                ASSERT_TRUE(p.r == p.g && p.g == p.b && p.a == 255) << p;
                double theArea = std::fabs(area::InPixel(theCase.mOutline, x, y));
                if (!theCase.mHole.empty())
                    theArea -= 2 * std::fabs(area::InPixel(theCase.mHole, x, y));
                const Pt theMiddle{x + 0.5, y + 0.5};
                const bool theCentreInside = (area::Winding(theCase.mOutline, theMiddle) & 1) != 0;
                const bool theNearOutline = area::Distance(theCase.mOutline, theMiddle) <= theCase.mCentreSlack;
                if (p == kBlack) {
                    // The first pass: centres inside, whatever their area.
                    EXPECT_TRUE(theCentreInside || theNearOutline) << x << "," << y;
                    continue;
                }
                EXPECT_TRUE(!theCentreInside || theNearOutline) << x << "," << y << " " << p;
                EXPECT_LT(theArea, 1 - 1e-6) << x << "," << y;
                if (theArea == 0 && p == kWhite)
                    continue;
                const double theWeight = 1 - p.r / 255.0;
                const double theError = std::fabs(theWeight - theArea);
                theSum += theError;
                theWorst = std::max(theWorst, theError);
                ++theEdges;
            }
        ASSERT_GT(theEdges, 20);
        EXPECT_LE(theSum / theEdges, 0.04);
        EXPECT_LE(theWorst, 0.125);
    }
}

std::vector<Rgba> Snapshot(Bitmap& inStore)
{
    std::vector<Rgba> thePixels;
    for (int y = 0; y < inStore.GetHeight(); ++y)
        for (int x = 0; x < inStore.GetWidth(); ++x)
            thePixels.push_back(At(inStore, x, y));
    return thePixels;
}

// Draws a few shapes of each kind with both operations at inOffset, and checks the store afterwards.
void DrawScene(Bitmap& ioStore, int inOffset)
{
    const std::string theRect = "rect=" + std::to_string(inOffset) + ",5," + std::to_string(inOffset + 30) + ",35";
    ASSERT_EQ(Draw(ioStore, "oval", theRect + " pensize=3"), "");
    ASSERT_EQ(Draw(ioStore, "roundrect", theRect + " pensize=2 cornersize=10,6 paintcolor=0,0,0,50"), "");
    ASSERT_EQ(Draw(ioStore, "rect", theRect + " op=draw rotate=30," + std::to_string(inOffset + 15) + ",20"), "");
}

TEST(GLPolyStores, ManyShapesOnOneStoreThroughRefitsAndFrees)
{
    Bitmap theStore;
    MakeWhite(theStore, 64, 48);
    for (int i = 0; i < 5; ++i)
        DrawScene(theStore, 10);
    const Rgba theCentre = At(theStore, 25, 20);
    theStore.SetWidth(100);
    ASSERT_EQ(theStore.Update(), noErr);
    DrawScene(theStore, 60);
    EXPECT_EQ(At(theStore, 25, 20), theCentre);
    EXPECT_EQ(At(theStore, 75, 20), theCentre);
    theStore.Free();
    // A store without pixels gets its default size first.
    ASSERT_EQ(Draw(theStore, "rect", "rect=200,200,250,250 op=paint"), "");
    EXPECT_EQ(theStore.GetWidth(), 256);
    EXPECT_EQ(At(theStore, 220, 220), kRed);
}

TEST(GLPolyStores, StoresDrawnAlternatelyAndAtOnceKeepTheirOwnPixels)
{
    Bitmap theReference;
    MakeWhite(theReference, 120, 48);
    for (int i = 0; i < 3; ++i)
        DrawScene(theReference, 10 + 30 * i);

    const std::vector<Rgba> theExpected = Snapshot(theReference);
    const auto theSame = [&theExpected](Bitmap& inStore) { return Snapshot(inStore) == theExpected; };
    Bitmap theFirst, theSecond;
    MakeWhite(theFirst, 120, 48);
    MakeWhite(theSecond, 120, 48);
    for (int i = 0; i < 3; ++i) {
        DrawScene(theFirst, 10 + 30 * i);
        DrawScene(theSecond, 10 + 30 * i);
    }
    EXPECT_TRUE(theSame(theFirst));
    EXPECT_TRUE(theSame(theSecond));

    // Each thread starts its store over and draws the scene again and again.
    Bitmap theThreads[2];
    bool theAlike[2] = {true, true};
    std::vector<std::thread> theWorkers;
    for (int t = 0; t < 2; ++t)
        theWorkers.emplace_back([&, t] {
            for (int theRound = 0; theRound < 8; ++theRound) {
                MakeWhite(theThreads[t], 120, 48);
                for (int i = 0; i < 3; ++i)
                    DrawScene(theThreads[t], 10 + 30 * i);
                theAlike[t] = theAlike[t] && theSame(theThreads[t]);
            }
        });
    for (std::thread& theWorker : theWorkers)
        theWorker.join();
    EXPECT_TRUE(theAlike[0]);
    EXPECT_TRUE(theAlike[1]);
}

}  // namespace
