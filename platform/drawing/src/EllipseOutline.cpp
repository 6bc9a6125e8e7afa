#include "EllipseOutline.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Chords lie inside the curve by at most this much, in pixels.
constexpr double kTolerance = 0.01;
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
    theOutline.mA = inA;
    theOutline.mB = inB;
    theOutline.mAnalytic = true;
    theOutline.mHalfHeight = inA > 0 && inB > 0 ? inB : -1;
    return theOutline;
}

double EllipseOutline::PointsFor(double inA, double inB, double inDistance)
{
    return std::max<double>(kMinimumPoints, QuarterPoints(inA, inB, inDistance));
}

EllipseOutline EllipseOutline::Parallel(double inA, double inB, double inDistance)
{
    EllipseOutline theOutline;
    if (!(inA > 0 && inB > 0) || (inDistance < 0 && -inDistance >= std::min(inA, inB))) {
        return theOutline;  // nothing lies that far inside
    }
    const int theCount = static_cast<int>(PointsFor(inA, inB, inDistance));
    // The angle steps by rotation rather than by calling cos and sin per point.
    const double theStep = std::numbers::pi / 2 / theCount;
    const double theStepCos = std::cos(theStep);
    const double theStepSin = std::sin(theStep);
    std::vector<double> theX(static_cast<std::size_t>(theCount) + 1);
    std::vector<double> theY(theX.size());
    double theCos = 1, theSin = 0;
    for (int theIndex = 0; theIndex <= theCount; ++theIndex) {
        if (theIndex == theCount) {
            theCos = 0;
            theSin = 1;
        }
        // The outward normal at (a cos t, b sin t) is along (b cos t, a sin t).
        const double theNx = inB * theCos;
        const double theNy = inA * theSin;
        const double theLength = std::hypot(theNx, theNy);
        theX[static_cast<std::size_t>(theIndex)] = inA * theCos + inDistance * theNx / theLength;
        theY[static_cast<std::size_t>(theIndex)] = inB * theSin + inDistance * theNy / theLength;
        const double theNext = theCos * theStepCos - theSin * theStepSin;
        theSin = theSin * theStepCos + theCos * theStepSin;
        theCos = theNext;
    }
    // Inside, where the curve bends more sharply than the distance, the
    // offset curve loops back across an axis (a swallowtail); by symmetry the
    // region's boundary ends where the curve first crosses that axis.
    std::size_t theFirst = 0;
    double theStartX = theX[0];
    for (std::size_t theIndex = theY.size() - 1; theIndex > 0; --theIndex) {
        if (theY[theIndex - 1] < 0) {
            const double theT = theY[theIndex - 1] / (theY[theIndex - 1] - theY[theIndex]);
            theStartX = theX[theIndex - 1] + theT * (theX[theIndex] - theX[theIndex - 1]);
            theFirst = theIndex;
            break;
        }
    }
    std::size_t theEnd = theX.size();
    double theEndY = theY.back();
    for (std::size_t theIndex = theFirst; theIndex < theX.size(); ++theIndex) {
        if (theX[theIndex] < 0) {
            const std::size_t thePrevious = theIndex - 1;
            const double theT = theX[thePrevious] / (theX[thePrevious] - theX[theIndex]);
            theEndY = theY[thePrevious] + theT * (theY[theIndex] - theY[thePrevious]);
            theEnd = theIndex;
            break;
        }
    }
    theOutline.mX.push_back(std::max(theStartX, 0.0));
    theOutline.mY.push_back(0);
    for (std::size_t theIndex = theFirst; theIndex < theEnd; ++theIndex) {
        // Rounding may leave a point out of order near the ends: skip it.
        if (theY[theIndex] > theOutline.mY.back() && theX[theIndex] <= theOutline.mX.back() && theX[theIndex] > 0 &&
            theY[theIndex] < theEndY) {
            theOutline.mX.push_back(theX[theIndex]);
            theOutline.mY.push_back(theY[theIndex]);
        }
    }
    if (theEndY > theOutline.mY.back()) {
        theOutline.mX.push_back(0);
        theOutline.mY.push_back(theEndY);
    } else {
        theOutline.mX.back() = 0;
    }
    theOutline.mHalfHeight = theOutline.mY.back();
    return theOutline;
}

double EllipseOutline::HalfWidth(double inDy) const
{
    const double theDy = std::abs(inDy);
    if (!(theDy <= mHalfHeight)) {
        return -1;
    }
    if (mAnalytic) {
        const double theRatio = theDy / mB;
        return mA * std::sqrt(std::max(0.0, 1 - theRatio * theRatio));
    }
    const auto theAbove = std::upper_bound(mY.begin(), mY.end(), theDy);
    if (theAbove == mY.end()) {
        return mX.back();
    }
    const std::size_t theIndex = static_cast<std::size_t>(theAbove - mY.begin());
    const double theT = (theDy - mY[theIndex - 1]) / (mY[theIndex] - mY[theIndex - 1]);
    return mX[theIndex - 1] + theT * (mX[theIndex] - mX[theIndex - 1]);
}

void EllipseOutline::Columns(double inCx, double inHalfWidth, int& outX0, int& outX1)
{
    if (!(inHalfWidth >= 0)) {
        outX0 = outX1 = 0;
        return;
    }
    outX0 = static_cast<int>(std::ceil(inCx - inHalfWidth - 0.5));
    outX1 = static_cast<int>(std::ceil(inCx + inHalfWidth - 0.5));
}

void EllipseOutline::RowRange(double inCy, int& outY0, int& outY1) const
{
    if (Empty()) {
        outY0 = outY1 = 0;
        return;
    }
    outY0 = static_cast<int>(std::ceil(inCy - mHalfHeight - 0.5));
    outY1 = static_cast<int>(std::ceil(inCy + mHalfHeight - 0.5));
}
