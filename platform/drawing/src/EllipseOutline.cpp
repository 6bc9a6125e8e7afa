#include "EllipseOutline.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Chords lie inside the curve by at most this much, in pixels.
constexpr double kTolerance = 0.025;
constexpr int kMinimumPoints = 4;

// Points per quarter so that no chord strays more than kTolerance from the
// curve. Per step dt of the angle parameter, the ellipse's sagitta is at most
// max(a, b) dt^2 / 8, and the offset curve adds |d| times the square of the
// tangent's turn, itself at most max/min per unit of t.
double QuarterPoints(double inA, double inB, double inDistance)
{
    const double theBig = std::max(inA, inB);
    const double theSmall = std::min(inA, inB);
    const double theRatio = theBig / theSmall;
    const double theBound = theBig + std::abs(inDistance) * theRatio * theRatio;
    return std::ceil(std::numbers::pi / 2 / std::sqrt(8 * kTolerance / theBound));
}

}  // namespace

EllipseOutline EllipseOutline::Ellipse(double inA, double inB)
{
    EllipseOutline theOutline;
    theOutline.mB = inB;
    theOutline.mAcross = inA / inB;
    theOutline.mAnalytic = true;
    theOutline.mHalfHeight = inA > 0 && inB > 0 ? inB : -1;
    return theOutline;
}

double EllipseOutline::PointsFor(double inA, double inB, double inDistance)
{
    return std::max<double>(kMinimumPoints, QuarterPoints(inA, inB, inDistance));
}

void EllipseOutline::Band(double inA, double inB, double inHalf, EllipseOutline& outOuter, EllipseOutline& outInner)
{
    outOuter = EllipseOutline();
    outInner = EllipseOutline();
    if (!(inA > 0 && inB > 0 && inHalf > 0)) {
        return;
    }
    const bool theInside = inHalf < std::min(inA, inB);  // else nothing lies that far inside
    const int theCount = static_cast<int>(PointsFor(inA, inB, inHalf));
    // The angle steps by rotation rather than by calling cos and sin per point.
    const double theStep = std::numbers::pi / 2 / theCount;
    const double theStepCos = std::cos(theStep);
    const double theStepSin = std::sin(theStep);
    outOuter.mPoints.resize(static_cast<std::size_t>(theCount) + 1);
    outInner.mPoints.resize(theInside ? outOuter.mPoints.size() : 0);
    double theCos = 1, theSin = 0;
    for (int theIndex = 0; theIndex <= theCount; ++theIndex) {
        if (theIndex == theCount) {
            theCos = 0;
            theSin = 1;
        }
        // The outward normal at (a cos t, b sin t) is along (b cos t, a sin t).
        const double theNx = inB * theCos;
        const double theNy = inA * theSin;
        const double theScale = inHalf / std::sqrt(theNx * theNx + theNy * theNy);
        const double theX = inA * theCos, theY = inB * theSin;
        const std::size_t thePoint = static_cast<std::size_t>(theIndex);
        outOuter.mPoints[thePoint] = {theX + theScale * theNx, theY + theScale * theNy, 0};
        if (theInside) {
            outInner.mPoints[thePoint] = {theX - theScale * theNx, theY - theScale * theNy, 0};
        }
        const double theNext = theCos * theStepCos - theSin * theStepSin;
        theSin = theSin * theStepCos + theCos * theStepSin;
        theCos = theNext;
    }
    outOuter.Finish();
    if (theInside) {
        outInner.Finish();
    }
}

void EllipseOutline::Finish()
{
    std::vector<Point>& thePoints = mPoints;
    // Inside, where the curve bends more sharply than the distance, the
    // offset curve loops back across an axis (a swallowtail); by symmetry the
    // region's boundary ends where the curve first crosses that axis.
    // Only the ends can loop, so only the ends are searched: after the first
    // point for a run below the x axis, before the last for one left of the y axis.
    const std::size_t theFinal = thePoints.size() - 1;
    std::size_t theFirst = 0;
    double theStartX = thePoints[0].mX;
    std::size_t theBelow = 1;
    while (theBelow < theFinal && thePoints[theBelow].mY < 0) {
        ++theBelow;
    }
    if (theBelow > 1) {
        const Point& theBefore = thePoints[theBelow - 1];
        const Point& theAfter = thePoints[theBelow];
        theStartX = theBefore.mX + theBefore.mY / (theBefore.mY - theAfter.mY) * (theAfter.mX - theBefore.mX);
        theFirst = theBelow;
    }
    std::size_t theEnd = thePoints.size();
    double theEndY = thePoints.back().mY;
    std::size_t theLeft = theFinal;
    while (theLeft > theFirst + 1 && thePoints[theLeft - 1].mX < 0) {
        --theLeft;
    }
    if (theLeft < theFinal) {
        const Point& theBefore = thePoints[theLeft - 1];
        const Point& theAfter = thePoints[theLeft];
        theEndY = theBefore.mY + theBefore.mX / (theBefore.mX - theAfter.mX) * (theAfter.mY - theBefore.mY);
        theEnd = theLeft;
    }
    // Keep the points between, in place. Rounding may leave one out of order
    // near the ends: skip it.
    std::size_t theKept = 1;
    const Point theStart{std::max(theStartX, 0.0), 0, 0};
    for (std::size_t theIndex = theFirst; theIndex < theEnd; ++theIndex) {
        const Point thePoint = thePoints[theIndex];
        const Point& theLast = theKept == 1 ? theStart : thePoints[theKept - 1];
        if (thePoint.mY > theLast.mY && thePoint.mX <= theLast.mX && thePoint.mX > 0 && thePoint.mY < theEndY) {
            thePoints[theKept++] = thePoint;
        }
    }
    thePoints[0] = theStart;
    if (theEndY > thePoints[theKept - 1].mY) {
        thePoints[theKept++] = Point{0, theEndY, 0};
    } else {
        thePoints[theKept - 1].mX = 0;
    }
    thePoints.resize(theKept);
    for (std::size_t theIndex = 0; theIndex + 1 < theKept; ++theIndex) {
        Point& thePoint = thePoints[theIndex];
        const Point& theNext = thePoints[theIndex + 1];
        thePoint.mSlope = (theNext.mX - thePoint.mX) / (theNext.mY - thePoint.mY);
    }
    mHalfHeight = thePoints.back().mY;
}

void EllipseOutline::RowRange(double inCy, int& outY0, int& outY1) const
{
    if (Empty()) {
        outY0 = outY1 = 0;
        return;
    }
    outY0 = Ceiling(inCy - mHalfHeight - 0.5);
    outY1 = Ceiling(inCy + mHalfHeight - 0.5);
}
