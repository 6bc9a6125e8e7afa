// Coverage by area and pixel centres, against areas clipped pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "AreaModel.h"
#include "vellumax/engine/CoverageMask.h"

namespace {

using area::Pt;

// A simple polygon around a centre: vertices at increasing angles, random radii.
std::vector<Pt> RandomStarShaped(std::mt19937& ioRandom, Pt inCentre, double inRadius, int inCount)
{
    std::uniform_real_distribution<double> theRadius(inRadius * 0.3, inRadius);
    std::vector<Pt> thePolygon;
    for (int i = 0; i < inCount; ++i) {
        const double a = 2 * M_PI * i / inCount;
        const double r = theRadius(ioRandom);
        thePolygon.push_back({inCentre.x + r * std::cos(a), inCentre.y + r * std::sin(a)});
    }
    return thePolygon;
}

std::vector<CoverageMask::Point> MaskPoints(const std::vector<Pt>& inPolygon)
{
    std::vector<CoverageMask::Point> thePoints;
    for (const Pt& p : inPolygon)
        thePoints.push_back({p.x, p.y});
    return thePoints;
}

TEST(CoverageMask, CoverageIsTheAreaInsideEachPixel)
{
    std::mt19937 theRandom(15);
    std::uniform_real_distribution<double> theCentre(-5, 45);
    for (int theCase = 0; theCase < 40; ++theCase) {
        SCOPED_TRACE(theCase);
        // Partly outside the box now and then: what lies left of it still counts.
        const std::vector<Pt> thePolygon =
            RandomStarShaped(theRandom, {theCentre(theRandom), theCentre(theRandom)}, 18, 3 + theCase % 9);
        const LongRect theBox{2, 3, 38, 41};
        CoverageMask theMask;
        theMask.Reset(theBox);
        const auto thePoints = MaskPoints(thePolygon);
        theMask.AddArea(thePoints.data(), thePoints.size());
        theMask.ResolveCoverage();
        for (int y = theBox.top; y < theBox.bottom; ++y)
            for (int x = theBox.left; x < theBox.right; ++x)
                ASSERT_NEAR(theMask.Coverage(x - theBox.left, y - theBox.top),
                            std::fabs(area::InPixel(thePolygon, x, y)), 1e-9)
                    << x << "," << y;
    }
}

TEST(CoverageMask, TrianglesTilingAShapeCoverItExactlyAndOverlapsStopAtFull)
{
    // A fan of either orientation tiles the polygon: shared edges cancel.
    const std::vector<Pt> theHexagon = {{10.3, 4.1}, {22.7, 6.0}, {27.2, 15.5}, {20.1, 26.9}, {8.4, 24.2}, {4.6, 13.3}};
    CoverageMask theMask;
    theMask.Reset({0, 0, 32, 32});
    for (std::size_t i = 1; i + 1 < theHexagon.size(); ++i) {
        std::vector<CoverageMask::Point> theTriangle = {{theHexagon[0].x, theHexagon[0].y},
                                                        {theHexagon[i].x, theHexagon[i].y},
                                                        {theHexagon[i + 1].x, theHexagon[i + 1].y}};
        if (i % 2 == 0)
            std::swap(theTriangle[1], theTriangle[2]);
        theMask.AddArea(theTriangle.data(), 3);
    }
    // The same square twice, on pixel boundaries, is still covered once.
    const std::vector<CoverageMask::Point> theSquare = {{0, 28}, {3, 28}, {3, 31}, {0, 31}};
    theMask.AddArea(theSquare.data(), 4);
    theMask.AddArea(theSquare.data(), 4);
    theMask.ResolveCoverage();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const double theSquareArea = x < 3 && y >= 28 && y < 31 ? 1 : 0;
            ASSERT_NEAR(theMask.Coverage(x, y), std::fabs(area::InPixel(theHexagon, x, y)) + theSquareArea, 1e-9)
                << x << "," << y;
        }
}

TEST(CoverageMask, CentresFollowTheFillRule)
{
    // A pentagram: its centre winds twice, so it is outside by the odd rule only.
    std::vector<Pt> theStar;
    for (int i = 0; i < 5; ++i) {
        const double a = -M_PI / 2 + i * 4 * M_PI / 5;
        theStar.push_back({20.2 + 17 * std::cos(a), 20.1 + 17 * std::sin(a)});
    }
    const auto thePoints = MaskPoints(theStar);
    for (const auto theRule : {CoverageMask::FillRule::kOdd, CoverageMask::FillRule::kNonZero}) {
        CoverageMask theMask;
        theMask.Reset({0, 0, 40, 40});
        theMask.AddCentreContour(thePoints.data(), thePoints.size());
        theMask.ResolveCentres(theRule);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const Pt theCentre{x + 0.5, y + 0.5};
                const int theWinding = area::Winding(theStar, theCentre);
                const bool theInside =
                    theRule == CoverageMask::FillRule::kOdd ? (theWinding & 1) != 0 : theWinding != 0;
                if (area::Distance(theStar, theCentre) > 1e-6) {
                    ASSERT_EQ(theMask.CentreInside(x, y), theInside) << x << "," << y;
                }
            }
        EXPECT_EQ(theMask.CentreInside(20, 20), theRule == CoverageMask::FillRule::kNonZero);
    }
}

// Vertices on the grid of pixel centres and beyond the box: edges that start
// or end exactly on a row's centre line, horizontal edges, contours cut by the
// box. A centre counts the crossings of its row at or left of it (so a centre
// on a left side is inside), each edge's span of rows half open.
TEST(CoverageMask, CentresOnTheGridFollowTheCrossingsLeftOfThem)
{
    std::mt19937 theRandom(18);
    std::uniform_int_distribution<int> theHalf(-6, 50);
    for (int theCase = 0; theCase < 60; ++theCase) {
        SCOPED_TRACE(theCase);
        std::vector<CoverageMask::Point> theContour;
        for (int i = 0; i < 3 + theCase % 7; ++i)
            theContour.push_back({theHalf(theRandom) / 2.0, theHalf(theRandom) / 2.0});
        const auto theRule = theCase % 2 == 0 ? CoverageMask::FillRule::kOdd : CoverageMask::FillRule::kNonZero;
        const LongRect theBox{1, 2, 21, 20};
        CoverageMask theMask;
        theMask.Reset(theBox);
        theMask.AddCentreContour(theContour.data(), theContour.size());
        theMask.ResolveCentres(theRule);
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 20; ++x) {
                const double theX = theBox.left + x + 0.5, theY = theBox.top + y + 0.5;
                int theWinding = 0;
                for (std::size_t i = 0, j = theContour.size() - 1; i < theContour.size(); j = i++) {
                    const CoverageMask::Point &a = theContour[j], &b = theContour[i];
                    if (std::min(a.y, b.y) <= theY && theY < std::max(a.y, b.y) &&
                        a.x + (theY - a.y) * (b.x - a.x) / (b.y - a.y) <= theX)
                        theWinding += a.y < b.y ? 1 : -1;
                }
                const bool theInside =
                    theRule == CoverageMask::FillRule::kOdd ? (theWinding & 1) != 0 : theWinding != 0;
                ASSERT_EQ(theMask.CentreInside(x, y), theInside) << x << "," << y;
            }
    }
}

// The odd rule's coverage of a pixel row, integrated over many scan lines:
// on each, the crossings sorted, every other gap inside, lengths cut to pixels.
std::vector<double> OddRowModel(const std::vector<Pt>& inPolygon, int inRow, int inLeft, int inWidth)
{
    constexpr int kLines = 512;
    std::vector<double> theCover(static_cast<std::size_t>(inWidth), 0.0);
    std::vector<double> theXs;
    for (int k = 0; k < kLines; ++k) {
        const double y = inRow + (k + 0.5) / kLines;
        theXs.clear();
        for (std::size_t i = 0, j = inPolygon.size() - 1; i < inPolygon.size(); j = i++) {
            const Pt& a = inPolygon[j];
            const Pt& b = inPolygon[i];
            if ((a.y <= y) != (b.y <= y))
                theXs.push_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y));
        }
        std::sort(theXs.begin(), theXs.end());
        for (std::size_t i = 0; i + 1 < theXs.size(); i += 2)
            for (int x = 0; x < inWidth; ++x) {
                const double theFrom = std::max(theXs[i], double(inLeft + x));
                const double theTo = std::min(theXs[i + 1], double(inLeft + x + 1));
                if (theTo > theFrom)
                    theCover[static_cast<std::size_t>(x)] += (theTo - theFrom) / kLines;
            }
    }
    return theCover;
}

// Random outlines that cross themselves many times, some reaching past the
// box, and regular stars whose points meet at one vertex; rows are also
// checked to be runs that start at 0 and change at every step.
TEST(CoverageMask, OddAreaIsWhatTheOddRuleLeavesInsideEachPixel)
{
    std::mt19937 theRandom(31);
    std::uniform_real_distribution<double> theCoordinate(-4, 36);
    for (int theCase = 0; theCase < 24; ++theCase) {
        SCOPED_TRACE(theCase);
        std::vector<Pt> thePolygon;
        if (theCase % 4 == 3) {
            const int theCount = 5 + theCase % 3 * 2;
            for (int i = 0; i < theCount; ++i) {
                const double a = 2 * M_PI * i * (theCount / 2) / theCount;
                thePolygon.push_back({16 + 15 * std::sin(a), 16 - 15 * std::cos(a)});
            }
        } else {
            for (int i = 0; i < 4 + theCase % 9; ++i)
                thePolygon.push_back({theCoordinate(theRandom), theCoordinate(theRandom)});
        }
        const LongRect theBox{0, 1, 32, 31};
        CoverageMask theMask;
        theMask.Reset(theBox);
        const auto thePoints = MaskPoints(thePolygon);
        theMask.AddOddArea(thePoints.data(), thePoints.size());
        theMask.ResolveCoverage();
        for (int y = 0; y < 30; ++y) {
            const std::vector<double> theModel = OddRowModel(thePolygon, theBox.top + y, theBox.left, 32);
            for (int x = 0; x < 32; ++x)
                ASSERT_NEAR(theMask.Coverage(x, y), theModel[static_cast<std::size_t>(x)], 2e-3) << x << "," << y;
            const auto theRuns = theMask.Runs(y);
            ASSERT_FALSE(theRuns.empty());
            EXPECT_EQ(theRuns[0].mStart, 0);
            for (std::size_t i = 1; i < theRuns.size(); ++i) {
                EXPECT_GT(theRuns[i].mStart, theRuns[i - 1].mStart);
                EXPECT_NE(theRuns[i].mCoverage, theRuns[i - 1].mCoverage);
            }
        }
    }
}

// Masks share their thread's buffers one after another: one dropped or reset
// before it was resolved must leave nothing behind, and two alive at once
// keep their own areas.
TEST(CoverageMask, MasksLeftUnresolvedLeaveNothingForTheNext)
{
    const std::vector<CoverageMask::Point> theSquare = {{2.5, 2.5}, {20.5, 2.5}, {20.5, 20.5}, {2.5, 20.5}};
    const auto theBlank = [](const CoverageMask& inMask, int inWidth, int inHeight) {
        for (int y = 0; y < inHeight; ++y)
            for (int x = 0; x < inWidth; ++x)
                if (inMask.Coverage(x, y) != 0)
                    return false;
        return true;
    };
    {
        CoverageMask theDropped;
        theDropped.Reset({0, 0, 24, 24});
        theDropped.AddArea(theSquare.data(), theSquare.size());
    }
    CoverageMask theMask;
    theMask.Reset({0, 0, 30, 22});  // another shape of rows over the same cells
    theMask.ResolveCoverage();
    EXPECT_TRUE(theBlank(theMask, 30, 22));
    theMask.Reset({0, 0, 24, 24});
    theMask.AddArea(theSquare.data(), theSquare.size());
    theMask.Reset({0, 0, 24, 24});
    theMask.ResolveCoverage();
    EXPECT_TRUE(theBlank(theMask, 24, 24));

    CoverageMask theOther;
    theOther.Reset({0, 0, 24, 24});
    theMask.AddArea(theSquare.data(), theSquare.size());
    theMask.ResolveCoverage();
    theOther.ResolveCoverage();
    EXPECT_TRUE(theBlank(theOther, 24, 24));
    EXPECT_EQ(theMask.Coverage(10, 10), 1.0);
    EXPECT_EQ(theMask.Coverage(2, 10), 0.5);
}

}  // namespace
