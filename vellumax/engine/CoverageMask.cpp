#include "vellumax/engine/CoverageMask.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

#include "vellumax/engine/OddRule.h"

struct CoverageMask::Scratch {
    struct Edge {
        double x0, y0, x1, y1;
    };
    struct Crossing {
        std::int32_t mRow;
        std::int32_t mWinding;
        double mX;
    };

    std::vector<double> mCells;           // signed area differences; all zero outside AddArea … ResolveCoverage
    std::vector<std::uint64_t> mTouched;  // a bit per cell holding a difference; likewise
    std::vector<Run> mRuns;
    std::vector<std::uint32_t> mRunStarts;  // row y's runs: [mRunStarts[y], mRunStarts[y + 1])
    std::vector<Span> mSpans;
    std::vector<std::uint32_t> mSpanStarts;
    std::vector<Edge> mContours;
    std::vector<Crossing> mCrossings;
};

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

// std::floor for the box-relative values here, which are far inside int's range:
// the same result without the library call or its rounding-mode dance.
inline int FloorToInt(double inValue)
{
    const int theTruncated = static_cast<int>(inValue);
    return theTruncated - (inValue < theTruncated ? 1 : 0);
}

// A mask's buffers, kept for the thread's next mask while they are small: a
// drawing call makes a mask per shape, and allocating and zeroing a box's
// cells each time would cost more than drawing most shapes.
constexpr std::size_t kKeptCells = std::size_t(1) << 18;

thread_local std::unique_ptr<CoverageMask::Scratch> tSpare;

}  // namespace

CoverageMask::CoverageMask() = default;

CoverageMask::~CoverageMask()
{
    if (!mScratch)
        return;
    ClearTouched();
    if (!tSpare && mScratch->mCells.capacity() <= kKeptCells)
        tSpare = std::move(mScratch);
}

void CoverageMask::Reset(const LongRect& inBox)
{
    if (!mScratch)
        mScratch = tSpare ? std::move(tSpare) : std::make_unique<Scratch>();
    ClearTouched();
    mBox = inBox;
    mWidth = std::max(0, inBox.right - inBox.left);
    mHeight = std::max(0, inBox.bottom - inBox.top);
    if (mWidth == 0 || mHeight == 0)
        mWidth = mHeight = 0;
    mStride = mWidth + 2;
    mWords = (mStride + 63) / 64;
    Scratch& s = *mScratch;
    const std::size_t theCells = static_cast<std::size_t>(mStride) * static_cast<std::size_t>(mHeight);
    if (s.mCells.size() < theCells)
        s.mCells.resize(theCells, 0.0);
    const std::size_t theWords = static_cast<std::size_t>(mWords) * static_cast<std::size_t>(mHeight);
    if (s.mTouched.size() < theWords)
        s.mTouched.resize(theWords, 0);
    s.mRuns.clear();
    s.mRunStarts.clear();
    s.mSpans.clear();
    s.mSpanStarts.clear();
    s.mContours.clear();
    mHasCentres = false;
}

void CoverageMask::ClearTouched()
{
    if (!mDirty)
        return;
    Scratch& s = *mScratch;
    const std::size_t theWords = static_cast<std::size_t>(mWords) * static_cast<std::size_t>(mHeight);
    for (std::size_t w = 0; w < theWords; ++w) {
        std::uint64_t theBits = s.mTouched[w];
        if (theBits == 0)
            continue;
        const std::size_t theRow = w / static_cast<std::size_t>(mWords);
        const std::size_t theBase = theRow * static_cast<std::size_t>(mStride) + (w % mWords) * 64;
        for (; theBits != 0; theBits &= theBits - 1)
            s.mCells[theBase + static_cast<std::size_t>(std::countr_zero(theBits))] = 0;
        s.mTouched[w] = 0;
    }
    mDirty = false;
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

void CoverageMask::AddSide(const Point& inFrom, const Point& inTo, double inSign)
{
    if (mHeight == 0)
        return;
    AddEdge(inFrom.x - mBox.left, inFrom.y - mBox.top, inTo.x - mBox.left, inTo.y - mBox.top, inSign);
}

void CoverageMask::AddOddArea(const Point* inPoints, std::size_t inCount)
{
    if (inCount < 3 || mHeight == 0)
        return;
    const double theLeft = mBox.left;
    const double theTop = mBox.top;
    for (const OddRule::Piece& p : OddRule::Pieces(inPoints, inCount))
        AddEdge(p.mFrom.x - theLeft, p.mFrom.y - theTop, p.mTo.x - theLeft, p.mTo.y - theTop, p.mSign);
}

void CoverageMask::AddCentreContour(const Point* inPoints, std::size_t inCount)
{
    if (inCount < 3 || mHeight == 0)
        return;
    const double theLeft = mBox.left;
    const double theTop = mBox.top;
    for (std::size_t i = 0, j = inCount - 1; i < inCount; j = i++)
        if (inPoints[j].y != inPoints[i].y)
            mScratch->mContours.push_back(
                {inPoints[j].x - theLeft, inPoints[j].y - theTop, inPoints[i].x - theLeft, inPoints[i].y - theTop});
}

void CoverageMask::Touch(std::int32_t inRow, std::int32_t inFrom, std::int32_t inTo)
{
    std::uint64_t* theWords = &mScratch->mTouched[static_cast<std::size_t>(inRow) * static_cast<std::size_t>(mWords)];
    for (std::int32_t theCell = inFrom; theCell <= inTo;) {
        const int theBit = theCell & 63;
        const int theCount = std::min(64 - theBit, inTo - theCell + 1);
        const std::uint64_t theMask =
            theCount == 64 ? ~std::uint64_t(0) : ((std::uint64_t(1) << theCount) - 1) << theBit;
        theWords[theCell >> 6] |= theMask;
        theCell += theCount;
    }
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
    mDirty = true;
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
        double* const theCells =
            &mScratch->mCells[static_cast<std::size_t>(theRow) * static_cast<std::size_t>(mStride)];
        const double theCover = theHeight * theDirection;
        const int theFirstCell = std::max(0, FloorToInt(theLow));
        const int theHighCell = FloorToInt(theHigh);
        // Within one cell (most edges, in most rows): the part right of the
        // edge's mean position there, and the rest to every cell after it.
        if (theFirstCell == theHighCell && theFirstCell < mWidth + 1) {
            const double theLeftPart = theMiddle - theFirstCell;
            theCells[theFirstCell] += theCover * (1 - theLeftPart);
            theCells[theFirstCell + 1] += theCover * theLeftPart;
            std::uint64_t* const theWords =
                &mScratch->mTouched[static_cast<std::size_t>(theRow) * static_cast<std::size_t>(mWords)];
            theWords[theFirstCell >> 6] |= std::uint64_t(1) << (theFirstCell & 63);
            theWords[(theFirstCell + 1) >> 6] |= std::uint64_t(1) << ((theFirstCell + 1) & 63);
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
        Touch(theRow, theFirstCell, theLastCell);
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

// Each row's touched cells in order: the running sum of their differences is
// the coverage from each up to the next. Cells are zeroed as they are read.
void CoverageMask::ResolveCoverage()
{
    Scratch& s = *mScratch;
    s.mRuns.clear();
    s.mRunStarts.assign(static_cast<std::size_t>(mHeight) + 1, 0);
    for (int theRow = 0; theRow < mHeight; ++theRow) {
        s.mRunStarts[static_cast<std::size_t>(theRow)] = static_cast<std::uint32_t>(s.mRuns.size());
        s.mRuns.push_back({0, 0.0});
        double* const theCells = &s.mCells[static_cast<std::size_t>(theRow) * static_cast<std::size_t>(mStride)];
        std::uint64_t* const theWords =
            &s.mTouched[static_cast<std::size_t>(theRow) * static_cast<std::size_t>(mWords)];
        double theSum = 0;
        double theCoverage = 0;
        for (int w = 0; w < mWords; ++w) {
            for (std::uint64_t theBits = theWords[w]; theBits != 0; theBits &= theBits - 1) {
                const int theCell = w * 64 + std::countr_zero(theBits);
                const double theDelta = theCells[theCell];
                theCells[theCell] = 0;
                if (theCell >= mWidth || theDelta == 0)
                    continue;
                theSum += theDelta;
                const double theClamped = std::min(std::fabs(theSum), 1.0);
                theCoverage = theClamped < kSnap ? 0.0 : theClamped > 1 - kSnap ? 1.0 : theClamped;
                if (theCoverage == s.mRuns.back().mCoverage)
                    continue;
                if (theCell == 0)
                    s.mRuns.back().mCoverage = theCoverage;
                else
                    s.mRuns.push_back({theCell, theCoverage});
            }
            theWords[w] = 0;
        }
    }
    s.mRunStarts[static_cast<std::size_t>(mHeight)] = static_cast<std::uint32_t>(s.mRuns.size());
    mDirty = false;
}

// A centre on a left side is inside, on a right side outside, so that shapes
// that share a side never both claim the pixels along it.
void CoverageMask::ResolveCentres(FillRule inRule)
{
    Scratch& s = *mScratch;
    mHasCentres = true;
    // Each edge gives its crossings with the rows' centre lines, the rows it
    // spans found from its ends rather than by testing every edge on every row.
    std::vector<Scratch::Crossing>& theCrossings = s.mCrossings;
    theCrossings.clear();
    for (const Scratch::Edge& e : s.mContours) {
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
    std::sort(theCrossings.begin(), theCrossings.end(), [](const Scratch::Crossing& a, const Scratch::Crossing& b) {
        return a.mRow != b.mRow ? a.mRow < b.mRow : a.mX < b.mX;
    });
    s.mSpans.clear();
    s.mSpanStarts.assign(static_cast<std::size_t>(mHeight) + 1, 0);
    int theWinding = 0;
    int theRow = 0;  // rows up to here have their start
    for (std::size_t i = 0; i < theCrossings.size(); ++i) {
        const Scratch::Crossing& theCrossing = theCrossings[i];
        for (; theRow <= theCrossing.mRow; ++theRow)
            s.mSpanStarts[static_cast<std::size_t>(theRow)] = static_cast<std::uint32_t>(s.mSpans.size());
        theWinding += theCrossing.mWinding;
        if (i + 1 == theCrossings.size() || theCrossings[i + 1].mRow != theCrossing.mRow) {
            theWinding = 0;  // a row's crossings close its contours
            continue;
        }
        const bool theInside = inRule == FillRule::kOdd ? (theWinding & 1) != 0 : theWinding != 0;
        if (!theInside)
            continue;
        // Centres c + 0.5 in [this crossing, the next).
        const int theFrom = static_cast<int>(std::clamp(std::ceil(theCrossing.mX - 0.5), 0.0, double(mWidth)));
        const int theTo = static_cast<int>(std::min(double(mWidth), std::ceil(theCrossings[i + 1].mX - 0.5)));
        if (theFrom >= theTo)
            continue;
        const bool theJoins = s.mSpans.size() > s.mSpanStarts[static_cast<std::size_t>(theCrossing.mRow)] &&
                              s.mSpans.back().mTo >= theFrom;
        if (theJoins)
            s.mSpans.back().mTo = std::max(s.mSpans.back().mTo, theTo);
        else
            s.mSpans.push_back({theFrom, theTo});
    }
    for (; theRow <= mHeight; ++theRow)
        s.mSpanStarts[static_cast<std::size_t>(theRow)] = static_cast<std::uint32_t>(s.mSpans.size());
    s.mContours.clear();
}

std::span<const CoverageMask::Run> CoverageMask::Runs(std::int32_t inY) const
{
    const Scratch& s = *mScratch;
    if (s.mRunStarts.empty())
        return {};
    return {s.mRuns.data() + s.mRunStarts[static_cast<std::size_t>(inY)],
            s.mRuns.data() + s.mRunStarts[static_cast<std::size_t>(inY) + 1]};
}

std::span<const CoverageMask::Span> CoverageMask::Centres(std::int32_t inY) const
{
    const Scratch& s = *mScratch;
    if (s.mSpanStarts.empty())
        return {};
    return {s.mSpans.data() + s.mSpanStarts[static_cast<std::size_t>(inY)],
            s.mSpans.data() + s.mSpanStarts[static_cast<std::size_t>(inY) + 1]};
}

double CoverageMask::Coverage(std::int32_t inX, std::int32_t inY) const
{
    const std::span<const Run> theRuns = Runs(inY);
    const auto theAfter = std::upper_bound(theRuns.begin(), theRuns.end(), inX,
                                           [](std::int32_t x, const Run& r) { return x < r.mStart; });
    return theAfter == theRuns.begin() ? 0.0 : (theAfter - 1)->mCoverage;
}

bool CoverageMask::CentreInside(std::int32_t inX, std::int32_t inY) const
{
    for (const Span& theSpan : Centres(inY))
        if (inX >= theSpan.mFrom && inX < theSpan.mTo)
            return true;
    return false;
}
