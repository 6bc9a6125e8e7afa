// Ellipses under a translation are painted from the curve itself: a pixel is
// filled when its centre lies inside the ellipse, and the pen's when its
// centre lies within half the pen's width of the pen's ellipse. These check
// each pixel against that geometry, computed here independently by exact
// distances, on random ellipses from circles to slivers with thin and thick
// pens (thick enough that the band's inner edge has corners).
#include "PixelCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <utility>

namespace {

constexpr COLORREF kPen = RGB(20, 40, 200);
constexpr COLORREF kBrush = RGB(230, 120, 10);
constexpr COLORREF kPaper = RGB(255, 255, 255);
// Pixels whose centres lie this close to a boundary may go either way.
constexpr double kTie = 0.03;

// Distance from (inX, inY) to the ellipse x²/a² + y²/b² = 1 by bisection on
// the closest point's parameter (after Eberly, "Distance from a point to an
// ellipse"), to the precision of doubles.
double DistanceToEllipse(double inA, double inB, double inX, double inY)
{
    double theE0 = inA, theE1 = inB, theY0 = std::abs(inX), theY1 = std::abs(inY);
    if (theE0 < theE1) {
        std::swap(theE0, theE1);
        std::swap(theY0, theY1);
    }
    if (theY1 > 0) {
        if (theY0 > 0) {
            const double theZ0 = theY0 / theE0;
            const double theZ1 = theY1 / theE1;
            const double theG = theZ0 * theZ0 + theZ1 * theZ1 - 1;
            if (theG == 0) {
                return 0;
            }
            const double theR0 = (theE0 / theE1) * (theE0 / theE1);
            const double theN0 = theR0 * theZ0;
            double theS0 = theZ1 - 1;
            double theS1 = theG < 0 ? 0 : std::hypot(theN0, theZ1) - 1;
            double theS = 0;
            for (int theStep = 0; theStep < 2000; ++theStep) {
                theS = (theS0 + theS1) / 2;
                if (theS == theS0 || theS == theS1) {
                    break;
                }
                const double theRatio0 = theN0 / (theS + theR0);
                const double theRatio1 = theZ1 / (theS + 1);
                const double theValue = theRatio0 * theRatio0 + theRatio1 * theRatio1 - 1;
                if (theValue > 0) {
                    theS0 = theS;
                } else if (theValue < 0) {
                    theS1 = theS;
                } else {
                    break;
                }
            }
            return std::hypot(theR0 * theY0 / (theS + theR0) - theY0, theY1 / (theS + 1) - theY1);
        }
        return std::abs(theY1 - theE1);
    }
    const double theNumerator = theE0 * theY0;
    const double theDenominator = theE0 * theE0 - theE1 * theE1;
    if (theNumerator < theDenominator) {
        const double theXde0 = theNumerator / theDenominator;
        return std::hypot(theE0 * theXde0 - theY0, theE1 * std::sqrt(1 - theXde0 * theXde0));
    }
    return std::abs(theY0 - theE0);
}

struct Curve {
    double mCx, mCy, mRx, mRy;
    bool Inside(double inX, double inY) const
    {
        const double theU = (inX - mCx) / mRx;
        const double theV = (inY - mCy) / mRy;
        return theU * theU + theV * theV <= 1;
    }
    double Distance(double inX, double inY) const { return DistanceToEllipse(mRx, mRy, inX - mCx, inY - mCy); }
};

struct Case {
    RECT mRect;
    int mPen;  // 0: no pen
    bool mFill;
    bool mAsPath;
    POINT mOffset;  // a world translation
};

std::string Describe(const Case& inCase)
{
    return "ellipse " + std::to_string(inCase.mRect.left) + "," + std::to_string(inCase.mRect.top) + "," +
           std::to_string(inCase.mRect.right) + "," + std::to_string(inCase.mRect.bottom) + " pen " +
           std::to_string(inCase.mPen) + (inCase.mFill ? " filled" : "") + (inCase.mAsPath ? " as path" : "") +
           " offset " + std::to_string(inCase.mOffset.x) + "," + std::to_string(inCase.mOffset.y);
}

// The pixels that differ from the geometry, as "x,y" (at most a few).
std::string Differences(PixelCanvas& inCanvas, const Case& inCase)
{
    // Right and bottom are exclusive; the pen's centre line runs through the
    // middle of the outermost pixels, half a pixel further in for even pens.
    const RECT& theRect = inCase.mRect;
    const double theL = std::min(theRect.left, theRect.right) + inCase.mOffset.x;
    const double theT = std::min(theRect.top, theRect.bottom) + inCase.mOffset.y;
    const double theR = std::max(theRect.left, theRect.right) + inCase.mOffset.x - 1;
    const double theB = std::max(theRect.top, theRect.bottom) + inCase.mOffset.y - 1;
    const double theShrink = inCase.mPen % 2 == 0 ? 0.5 : 0;
    const Curve theFill{(theL + theR) / 2, (theT + theB) / 2, (theR - theL) / 2, (theB - theT) / 2};
    const Curve thePen{(theL + theR + 1) / 2, (theT + theB + 1) / 2, (theR - theL) / 2 - theShrink,
                       (theB - theT) / 2 - theShrink};
    const double theHalf = inCase.mPen / 2.0;
    std::string theDifferences;
    int theCount = 0;
    for (int theY = 0; theY < inCanvas.Height(); ++theY) {
        for (int theX = 0; theX < inCanvas.Width(); ++theX) {
            const double theCx = theX + 0.5, theCy = theY + 0.5;
            COLORREF theExpected = kPaper;
            if (inCase.mFill) {
                if (std::abs(theFill.Distance(theCx, theCy)) < kTie) {
                    continue;
                }
                theExpected = theFill.Inside(theCx, theCy) ? kBrush : kPaper;
            }
            if (inCase.mPen > 0) {
                const double theDistance = thePen.Distance(theCx, theCy);
                if (std::abs(theDistance - theHalf) < kTie) {
                    continue;
                }
                theExpected = theDistance < theHalf ? kPen : theExpected;
            }
            if (inCanvas.At(theX, theY) != theExpected && ++theCount <= 8) {
                theDifferences += " " + std::to_string(theX) + "," + std::to_string(theY);
            }
        }
    }
    return theCount == 0 ? "" : std::to_string(theCount) + " pixels:" + theDifferences;
}

void Draw(PixelCanvas& inCanvas, const Case& inCase)
{
    HDC theDC = inCanvas.DC();
    HPEN thePen = inCase.mPen > 0 ? CreatePen(PS_SOLID, inCase.mPen, kPen) : 0;
    HBRUSH theBrush = CreateSolidBrush(kBrush);
    SelectObject(theDC, thePen != 0 ? thePen : GetStockObject(NULL_PEN));
    SelectObject(theDC, inCase.mFill ? theBrush : GetStockObject(NULL_BRUSH));
    RECT theRect = inCase.mRect;
    const bool theShifted = inCase.mOffset.x != 0 || inCase.mOffset.y != 0;
    if (theShifted) {
        // A transform needs the advanced mode, where right and bottom are inclusive.
        SetGraphicsMode(theDC, GM_ADVANCED);
        const XFORM theShift{1, 0, 0, 1, static_cast<float>(inCase.mOffset.x), static_cast<float>(inCase.mOffset.y)};
        SetWorldTransform(theDC, &theShift);
        theRect = RECT{std::min(theRect.left, theRect.right), std::min(theRect.top, theRect.bottom),
                       std::max(theRect.left, theRect.right) - 1, std::max(theRect.top, theRect.bottom) - 1};
    }
    if (inCase.mAsPath) {
        BeginPath(theDC);
        Ellipse(theDC, theRect.left, theRect.top, theRect.right, theRect.bottom);
        EndPath(theDC);
        StrokeAndFillPath(theDC);
    } else {
        Ellipse(theDC, theRect.left, theRect.top, theRect.right, theRect.bottom);
    }
    if (theShifted) {
        ModifyWorldTransform(theDC, nullptr, MWT_IDENTITY);
        SetGraphicsMode(theDC, GM_COMPATIBLE);
    }
    SelectObject(theDC, GetStockObject(BLACK_PEN));
    SelectObject(theDC, GetStockObject(WHITE_BRUSH));
    if (thePen != 0) {
        DeleteObject(thePen);
    }
    DeleteObject(theBrush);
}

TEST(EllipseRuns, PixelsFollowTheCurveAndThePenBand)
{
    const Case theTable[] = {
        {{10, 10, 50, 50}, 3, true, true, {0, 0}},    // circle, odd pen
        {{10, 10, 50, 50}, 4, true, false, {0, 0}},   // circle, even pen
        {{5, 20, 75, 36}, 1, true, true, {0, 0}},     // flat, thinnest pen
        {{30, 2, 42, 78}, 9, true, true, {0, 0}},     // tall sliver: the band's inside has corners
        {{2, 30, 78, 40}, 8, false, false, {0, 0}},   // wide sliver, outline only
        {{12, 12, 68, 68}, 0, true, true, {3, -2}},   // fill only, translated
        {{-20, -15, 40, 30}, 5, true, true, {0, 0}},  // partly off the store
        {{70, 70, 10, 10}, 2, true, false, {0, 0}},   // corners given in reverse
    };
    for (const Case& theCase : theTable) {
        PixelCanvas theCanvas(80, 80);
        Draw(theCanvas, theCase);
        EXPECT_EQ(Differences(theCanvas, theCase), "") << Describe(theCase);
    }
}

TEST(EllipseRuns, RandomEllipsesFollowTheirGeometry)
{
    std::mt19937 theRandom(8122026);
    const auto theIn = [&](int inLow, int inHigh) {
        return std::uniform_int_distribution<int>(inLow, inHigh)(theRandom);
    };
    int theBanded = 0;
    for (int theIndex = 0; theIndex < 150; ++theIndex) {
        Case theCase{};
        const int theLeft = theIn(-6, 40);
        const int theTop = theIn(-6, 40);
        theCase.mRect = RECT{theLeft, theTop, theLeft + theIn(4, 60), theTop + theIn(4, 60)};
        theCase.mPen = theIn(0, 12);
        theCase.mFill = theCase.mPen == 0 || theIn(0, 2) > 0;
        theCase.mAsPath = theIn(0, 1) == 1;
        theCase.mOffset = POINT{theIn(-3, 3), theIn(-3, 3)};
        const double theSmall =
            std::min(theCase.mRect.right - theCase.mRect.left, theCase.mRect.bottom - theCase.mRect.top) / 2.0;
        theBanded += theCase.mPen > 4 && theCase.mPen / 2.0 < theSmall - 1 ? 1 : 0;
        PixelCanvas theCanvas(72, 72);
        Draw(theCanvas, theCase);
        EXPECT_EQ(Differences(theCanvas, theCase), "") << Describe(theCase);
    }
    EXPECT_GT(theBanded, 20);  // thick pens around an inside that is still there
}

TEST(EllipseRuns, AnIndexedStoreGetsTheSamePixels)
{
    // The runs reach an 8-bit store through a layer; its palette holds the
    // three colours exactly, so every pixel must match the geometry.
    std::vector<RGBQUAD> thePalette(256, RGBQUAD{0, 0, 0, 0});
    const COLORREF theColours[] = {kPaper, kPen, kBrush};
    for (std::size_t theIndex = 0; theIndex < 3; ++theIndex) {
        const COLORREF theColour = theColours[theIndex];
        thePalette[theIndex] = RGBQUAD{static_cast<BYTE>(GetBValue(theColour)), static_cast<BYTE>(GetGValue(theColour)),
                                       static_cast<BYTE>(GetRValue(theColour)), 0};
    }
    PixelCanvas theCanvas(60, 48, 8, thePalette);
    ASSERT_NE(theCanvas.DC(), 0u);
    std::fill(theCanvas.Bytes().begin(), theCanvas.Bytes().end(), 0);  // paper
    const Case theCase{{4, 6, 55, 40}, 5, true, true, {0, 0}};
    Draw(theCanvas, theCase);
    EXPECT_EQ(Differences(theCanvas, theCase), "");
    EXPECT_EQ(theCanvas.Colors(), (std::set<COLORREF>{kPaper, kPen, kBrush}));
}

TEST(EllipseRuns, WhatFollowsAnEllipseInAPathKeepsTheEllipse)
{
    // A lone ellipse in a path is held back from Cairo's recorders until
    // something else joins it; then both must be painted.
    for (int theSecond = 0; theSecond < 3; ++theSecond) {
        PixelCanvas theCanvas(64, 64);
        HDC theDC = theCanvas.DC();
        HPEN thePen = CreatePen(PS_SOLID, 3, kPen);
        HBRUSH theBrush = CreateSolidBrush(kBrush);
        SelectObject(theDC, thePen);
        SelectObject(theDC, theBrush);
        BeginPath(theDC);
        Ellipse(theDC, 5, 5, 30, 30);
        if (theSecond == 0) {
            Rectangle(theDC, 40, 40, 60, 60);
        } else if (theSecond == 1) {
            Ellipse(theDC, 40, 40, 60, 60);
        } else {
            TextOutA(theDC, 40, 40, "W", 1);
        }
        EndPath(theDC);
        StrokeAndFillPath(theDC);
        EXPECT_EQ(theCanvas.At(17, 17), kBrush) << theSecond;                 // the ellipse's inside
        EXPECT_EQ(theCanvas.At(5, 17), kPen) << theSecond;                    // its outline
        EXPECT_NE(theCanvas.InkExtent(), (RECT{4, 4, 30, 30})) << theSecond;  // and more than it
        SelectObject(theDC, GetStockObject(BLACK_PEN));
        SelectObject(theDC, GetStockObject(WHITE_BRUSH));
        DeleteObject(thePen);
        DeleteObject(theBrush);
    }
}

}  // namespace
