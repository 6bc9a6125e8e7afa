// The rows of an axis-aligned ellipse, or of the band a pen sweeps along
// one, without flattening curves into Cairo's stroker: every region here is
// convex and symmetric about both axes through its centre, so each row is
// one run given by a half-width.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

class EllipseOutline {
public:
    // The ellipse with semi-axes inA across and inB down.
    static EllipseOutline Ellipse(double inA, double inB);
    // The two sides of a pen of width 2 inHalf along that ellipse: the
    // points within inHalf of its curve (outOuter), and those inside it and
    // at least inHalf from the curve (outInner, empty where none are).
    static void Band(double inA, double inB, double inHalf, EllipseOutline& outOuter, EllipseOutline& outInner);
    // How many boundary points Band would take per side, the cost to weigh
    // before choosing this route.
    static double PointsFor(double inA, double inB, double inDistance);

    bool Empty() const { return mHalfHeight < 0; }
    // The largest vertical distance from the centre the region reaches.
    double HalfHeight() const { return mHalfHeight; }
    // The half-width of the region's row at vertical distance |inDy| from
    // the centre; negative where the row misses the region. ioSegment starts
    // the search along the boundary where the last row's ended (rows go in
    // order, so the search is a step or two), 0 the first time.
    double HalfWidth(double inDy, std::size_t& ioSegment) const
    {
        const double theDy = inDy < 0 ? -inDy : inDy;
        if (!(theDy <= mHalfHeight)) {
            return -1;
        }
        if (mAnalytic) {
            // a sqrt(1 - (dy/b)^2), without a division per row
            const double theSquare = mB * mB - theDy * theDy;
            return theSquare > 0 ? mAcross * std::sqrt(theSquare) : 0;
        }
        // The segment from point i to i + 1 with y(i) <= dy < y(i + 1), or the last point.
        const std::size_t theLast = mPoints.size() - 1;
        std::size_t theIndex = ioSegment < theLast ? ioSegment : theLast;
        while (theIndex > 0 && mPoints[theIndex].mY > theDy) {
            --theIndex;
        }
        while (theIndex < theLast && mPoints[theIndex + 1].mY <= theDy) {
            ++theIndex;
        }
        ioSegment = theIndex;
        const Point& theBelow = mPoints[theIndex];
        return theBelow.mX + (theDy - theBelow.mY) * theBelow.mSlope;
    }

    // Device pixels whose centres fall in the region centred on (inCx, inCy),
    // for the rows inY0 <= y < inY1: inRun(y, x0, x1) for x0 <= x < x1,
    // possibly empty. Centres on the left and top edges are in, on the right
    // and bottom out, as with boxes. Rows mirrored about the centre share
    // one computation.
    template <typename Run>
    void MirroredRows(double inCx, double inCy, int inY0, int inY1, const Run& inRun) const;
    // The pixel columns x0 <= x < x1 whose centres lie in the row of
    // half-width inHalfWidth about inCx.
    static void Columns(double inCx, double inHalfWidth, int& outX0, int& outX1)
    {
        if (!(inHalfWidth >= 0)) {
            outX0 = outX1 = 0;
            return;
        }
        outX0 = Ceiling(inCx - inHalfWidth - 0.5);
        outX1 = Ceiling(inCx + inHalfWidth - 0.5);
    }
    // The first and past-the-last pixel rows the region touches.
    void RowRange(double inCy, int& outY0, int& outY1) const;

private:
    // The least integer not below inValue, for values well inside int's
    // range (callers keep shapes within 2^24); std::ceil is a library call.
    static int Ceiling(double inValue)
    {
        const int theTruncated = static_cast<int>(inValue);
        return theTruncated + (inValue > theTruncated ? 1 : 0);
    }

    // Cuts an offset curve's points to the region's boundary and readies
    // them for HalfWidth.
    void Finish();

    double mB = 0;
    double mAcross = 0;  // a / b
    double mHalfHeight = -1;
    bool mAnalytic = false;
    struct Point {
        double mX, mY;
        double mSlope;  // dx/dy from this point to the next
    };
    // The boundary in the first quadrant as a polyline from the x axis to
    // the y axis: y rising, x falling.
    std::vector<Point> mPoints;
};

template <typename Run>
void EllipseOutline::MirroredRows(double inCx, double inCy, int inY0, int inY1, const Run& inRun) const
{
    int theTop = 0, theBottom = 0;
    RowRange(inCy, theTop, theBottom);
    theTop = theTop > inY0 ? theTop : inY0;
    theBottom = theBottom < inY1 ? theBottom : inY1;
    std::size_t theSegment = 0;
    const double theTwice = 2 * inCy;
    if (theTop >= theBottom || theTwice != std::floor(theTwice) || !(std::abs(theTwice) < (1 << 30))) {
        for (int theY = theTop; theY < theBottom; ++theY) {
            int theX0 = 0, theX1 = 0;
            Columns(inCx, HalfWidth(theY + 0.5 - inCy, theSegment), theX0, theX1);
            inRun(theY, theX0, theX1);
        }
        return;
    }
    // With the centre on a whole or half row, row y's centre lies as far
    // below it as row (2cy - 1 - y)'s lies above: walk down from the middle.
    const int theSum = static_cast<int>(theTwice) - 1;
    const int theMiddle = Ceiling(inCy - 0.5);
    const int theStart = std::max(theMiddle, std::min(theTop, theSum + 1 - theBottom));
    const int theEnd = std::max(theBottom, theSum + 1 - theTop);
    for (int theY = theStart; theY < theEnd; ++theY) {
        const int theMirror = theSum - theY;
        const bool theSeen = theY >= theTop && theY < theBottom;
        const bool theMirrorSeen = theMirror != theY && theMirror >= theTop && theMirror < theBottom;
        if (!theSeen && !theMirrorSeen) {
            continue;
        }
        int theX0 = 0, theX1 = 0;
        Columns(inCx, HalfWidth(theY + 0.5 - inCy, theSegment), theX0, theX1);
        if (theSeen) {
            inRun(theY, theX0, theX1);
        }
        if (theMirrorSeen) {
            inRun(theMirror, theX0, theX1);
        }
    }
}
