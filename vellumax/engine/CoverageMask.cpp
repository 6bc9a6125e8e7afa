#include "vellumax/engine/CoverageMask.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Coverage this close to 0 or 1 is rounding left over from edges that cancel.
constexpr double kSnap = 1e-9;

// Signed area of a closed polygon (positive when it turns clockwise on screen).
double SignedArea(const CoverageMask::Point* inPoints, std::size_t inCount)
{
    double theSum = 0;
    for (std::size_t i = 0, j = inCount - 1; i < inCount; j = i++)
        theSum += inPoints[j].x * inPoints[i].y - inPoints[i].x * inPoints[j].y;
    return theSum / 2;
}

struct Crossing {
    std::int32_t mRow;
    std::int32_t mWinding;
    double mX;
};

// std::floor for the box-relative values here, which are far inside int's range:
// the same result without the library call or its rounding-mode dance.
inline int FloorToInt(double inValue)
{
    const int theTruncated = static_cast<int>(inValue);
    return theTruncated - (inValue < theTruncated ? 1 : 0);
}

}  // namespace

void CoverageMask::Reset(const LongRect& inBox)
{
    mBox = inBox;
    mWidth = std::max(0, inBox.right - inBox.left);
    mHeight = std::max(0, inBox.bottom - inBox.top);
    if (mWidth == 0 || mHeight == 0)
        mWidth = mHeight = 0;
    mStride = mWidth + 2;
    mCells.assign(static_cast<std::size_t>(mStride) * static_cast<std::size_t>(mHeight), 0.0);
    mCentres.clear();
    mContours.clear();
}

void CoverageMask::AddArea(const Point* inPoints, std::size_t inCount)
{
    if (inCount < 3 || mHeight == 0)
        return;
    const double theArea = SignedArea(inPoints, inCount);
    if (theArea == 0)
        return;
    const double theSign = theArea > 0 ? 1.0 : -1.0;
    const double theLeft = mBox.left;
    const double theTop = mBox.top;
    for (std::size_t i = 0, j = inCount - 1; i < inCount; j = i++)
        AddEdge(inPoints[j].x - theLeft, inPoints[j].y - theTop, inPoints[i].x - theLeft, inPoints[i].y - theTop,
                theSign);
}

void CoverageMask::AddCentreContour(const Point* inPoints, std::size_t inCount)
{
    if (inCount < 3 || mHeight == 0)
        return;
    const double theLeft = mBox.left;
    const double theTop = mBox.top;
    for (std::size_t i = 0, j = inCount - 1; i < inCount; j = i++)
        if (inPoints[j].y != inPoints[i].y)
            mContours.push_back(
                Edge{inPoints[j].x - theLeft, inPoints[j].y - theTop, inPoints[i].x - theLeft, inPoints[i].y - theTop});
}

// The part of an edge left of the box still covers the box's first column
// onwards, so it is kept, moved onto the left side; the part right of it
// covers nothing inside.
void CoverageMask::AddEdge(double inX0, double inY0, double inX1, double inY1, double inSign)
{
    if (inY0 == inY1 || std::max(inY0, inY1) <= 0 || std::min(inY0, inY1) >= mHeight)
        return;
    const double theRight = mWidth;
    // Where the edge crosses the box's sides, in order along it.
    double theCuts[4] = {0, 1, 1, 1};
    int theCount = 1;
    if (inX0 != inX1) {
        for (double theSide : {0.0, theRight}) {
            const double t = (theSide - inX0) / (inX1 - inX0);
            if (t > 0 && t < 1)
                theCuts[theCount++] = t;
        }
    }
    if (theCount == 3 && theCuts[1] > theCuts[2])
        std::swap(theCuts[1], theCuts[2]);
    theCuts[theCount++] = 1;
    double theX = std::clamp(inX0, 0.0, theRight);
    double theY = inY0;
    for (int i = 1; i < theCount; ++i) {
        const double t = theCuts[i];
        const double theNextX = std::clamp(t == 1 ? inX1 : inX0 + (inX1 - inX0) * t, 0.0, theRight);
        const double theNextY = t == 1 ? inY1 : inY0 + (inY1 - inY0) * t;
        AccumulateEdge(theX, theY, theNextX, theNextY, inSign);
        theX = theNextX;
        theY = theNextY;
    }
}

// Each row the edge crosses adds, to every cell, the signed area of the cell
// that lies right of the edge within the row; stored as differences from the
// cell before, so that a running sum along the row gives the coverage.
void CoverageMask::AccumulateEdge(double inX0, double inY0, double inX1, double inY1, double inSign)
{
    if (inY0 == inY1)
        return;
    double theDirection = inSign;
    if (inY0 > inY1) {
        std::swap(inX0, inX1);
        std::swap(inY0, inY1);
        theDirection = -theDirection;
    }
    const double theSlope = (inX1 - inX0) / (inY1 - inY0);
    const int theFirst = std::max(0, static_cast<int>(std::floor(inY0)));
    const int theEnd = std::min(mHeight, static_cast<int>(std::ceil(inY1)));
    for (int theRow = theFirst; theRow < theEnd; ++theRow) {
        const double theTop = std::max(inY0, double(theRow));
        const double theBottom = std::min(inY1, double(theRow + 1));
        const double theHeight = theBottom - theTop;
        if (theHeight <= 0)
            continue;
        const double theXa = inX0 + (theTop - inY0) * theSlope;
        const double theXb = inX0 + (theBottom - inY0) * theSlope;
        const double theLow = std::min(theXa, theXb);
        const double theHigh = std::max(theXa, theXb);
        const double theSpan = theHigh - theLow;
        const double theMiddle = (theLow + theHigh) / 2;
        double* theCells = &mCells[Index(0, theRow)];
        const double theCover = theHeight * theDirection;
        const int theFirstCell = std::max(0, FloorToInt(theLow));
        const int theHighCell = FloorToInt(theHigh);
        // Within one cell (most edges, in most rows): the part right of the
        // edge's mean position there, and the rest to every cell after it.
        if (theFirstCell == theHighCell && theFirstCell < mWidth + 1) {
            const double theLeftPart = theMiddle - theFirstCell;
            theCells[theFirstCell] += theCover * (1 - theLeftPart);
            theCells[theFirstCell + 1] += theCover * theLeftPart;
            continue;
        }
        // Mean over the row of how far X lies right of the edge (0 where it is left).
        const auto theRightOf = [&](double inX) {
            if (inX <= theLow)
                return 0.0;
            if (inX >= theHigh)
                return inX - theMiddle;
            return (inX - theLow) * (inX - theLow) / (2 * theSpan);
        };
        const int theLastCell = std::min(theHighCell, mWidth) + 1;
        double theBefore = 0;
        double theLeftShare = theRightOf(theFirstCell);
        for (int theCell = theFirstCell; theCell <= theLastCell; ++theCell) {
            const double theRightShare = theRightOf(theCell + 1);
            const double theHere = theCover * (theRightShare - theLeftShare);
            theCells[theCell] += theHere - theBefore;
            theBefore = theHere;
            theLeftShare = theRightShare;
        }
    }
}

void CoverageMask::ResolveCoverage()
{
    for (int theRow = 0; theRow < mHeight; ++theRow) {
        double* theCells = &mCells[Index(0, theRow)];
        double theSum = 0;
        double theCoverage = 0;
        // Most cells hold no difference (inside a fill, the hollow of an
        // outline): they repeat the coverage before them, and adding their zero
        // would change nothing but would wait for the sum.
        for (int theCell = 0; theCell < mWidth; ++theCell) {
            const double theDelta = theCells[theCell];
            if (theDelta != 0) {
                theSum += theDelta;
                const double theClamped = std::min(std::fabs(theSum), 1.0);
                theCoverage = theClamped < kSnap ? 0.0 : theClamped > 1 - kSnap ? 1.0 : theClamped;
            }
            theCells[theCell] = theCoverage;
        }
    }
}

// A centre on a left side is inside, on a right side outside, so that shapes
// that share a side never both claim the pixels along it.
void CoverageMask::ResolveCentres(FillRule inRule)
{
    mCentres.assign(mCells.size(), 0);
    // Each edge gives its crossings with the rows' centre lines, the rows it
    // spans found from its ends rather than by testing every edge on every row.
    std::vector<Crossing> theCrossings;
    for (const Edge& e : mContours) {
        const bool theDown = e.y0 < e.y1;
        const double theLow = theDown ? e.y0 : e.y1;
        const double theHigh = theDown ? e.y1 : e.y0;
        int theRow = static_cast<int>(std::clamp(std::ceil(theLow - 0.5), 0.0, double(mHeight)));
        while (theRow > 0 && theLow <= theRow - 0.5)
            --theRow;
        while (theRow < mHeight && theRow + 0.5 < theLow)
            ++theRow;
        for (; theRow < mHeight; ++theRow) {
            const double theY = theRow + 0.5;
            if (!(theY < theHigh))
                break;
            theCrossings.push_back({theRow, theDown ? 1 : -1, e.x0 + (theY - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0)});
        }
    }
    // Crossings at the same place leave no centre between them, so the order
    // among equals does not matter.
    std::sort(theCrossings.begin(), theCrossings.end(),
              [](const Crossing& a, const Crossing& b) { return a.mRow != b.mRow ? a.mRow < b.mRow : a.mX < b.mX; });
    int theWinding = 0;
    for (std::size_t i = 0; i < theCrossings.size(); ++i) {
        const Crossing& theCrossing = theCrossings[i];
        theWinding += theCrossing.mWinding;
        if (i + 1 == theCrossings.size() || theCrossings[i + 1].mRow != theCrossing.mRow) {
            theWinding = 0;  // a row's crossings close its contours
            continue;
        }
        const bool theInside = inRule == FillRule::kOdd ? (theWinding & 1) != 0 : theWinding != 0;
        if (!theInside)
            continue;
        // Centres c + 0.5 in [this crossing, the next).
        std::uint8_t* theCentres = &mCentres[Index(0, theCrossing.mRow)];
        const double theFrom = std::clamp(std::ceil(theCrossing.mX - 0.5), 0.0, double(mWidth));
        const double theTo = std::min(double(mWidth), std::ceil(theCrossings[i + 1].mX - 0.5));
        for (int theCell = static_cast<int>(theFrom); theCell < static_cast<int>(theTo); ++theCell)
            theCentres[theCell] = 1;
    }
    mContours.clear();
}
