// How much of each pixel of a box a shape covers, exactly by area, and which
// pixel centres it contains: what antialiased drawing blends with. Edges are in
// store pixels (x right, y down; pixel (x, y) spans x..x+1, y..y+1).
//
// Rows are kept sparse: only the cells edges touch are visited when the mask
// is resolved, and each row is answered as runs of equal coverage and spans of
// centres inside, so that the hollow of an outline and the inside of a fill
// cost one step each rather than one per pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "vellumax/params/Utilities.h"

class CoverageMask {
public:
    struct Point {
        double x = 0;
        double y = 0;
    };

    enum class FillRule { kNonZero, kOdd };

    // Pixels from mStart (box-relative) up to the next run's start, or the
    // row's end, all covered mCoverage.
    struct Run {
        std::int32_t mStart;
        double mCoverage;
    };
    // Box-relative columns [mFrom, mTo) whose centres are inside.
    struct Span {
        std::int32_t mFrom;
        std::int32_t mTo;
    };

    CoverageMask();
    ~CoverageMask();
    CoverageMask(const CoverageMask&) = delete;
    CoverageMask& operator=(const CoverageMask&) = delete;

    // Starts over on inBox (exclusive right and bottom, never larger than the
    // store): every coverage 0, no centre inside.
    void Reset(const LongRect& inBox);
    const LongRect& Box() const { return mBox; }
    bool IsEmpty() const { return mBox.right <= mBox.left || mBox.bottom <= mBox.top; }

    // Adds the area enclosed by a closed polygon. Areas of either orientation
    // count positively: the shapes added are meant to tile or to overlap where
    // full cover is wanted (strokes and their dots).
    void AddArea(const Point* inPoints, std::size_t inCount);
    // One directed side of an area added side by side, inSign (+1 or -1)
    // turning its orientation as AddArea's sign does: the caller sees to it
    // that the sides close, and may leave out pairs that would cancel.
    void AddSide(const Point& inFrom, const Point& inTo, double inSign);
    // Adds the area a closed polygon, which may cross itself, encloses by the
    // odd rule: where its outline winds an even number of times it covers nothing.
    void AddOddArea(const Point* inPoints, std::size_t inCount);
    // A closed contour whose inside, by inRule, holds the centres that
    // ResolveCentres marks.
    void AddCentreContour(const Point* inPoints, std::size_t inCount);

    // Turns the added areas into coverage in 0..1; call once, after the areas.
    void ResolveCoverage();
    // Marks the pixel centres inside the contours added; call once, after them.
    void ResolveCentres(FillRule inRule);

    // Box-relative: inX 0 is the box's left column.
    double Coverage(std::int32_t inX, std::int32_t inY) const;
    bool CentreInside(std::int32_t inX, std::int32_t inY) const;
    bool HasCentres() const { return mHasCentres; }
    // Row inY's runs, the first starting at 0; and its spans of centres, in order.
    std::span<const Run> Runs(std::int32_t inY) const;
    std::span<const Span> Centres(std::int32_t inY) const;

    struct Scratch;

private:
    // Box-relative coordinates; inSign +1 or -1 turns the contour's orientation.
    void AddEdge(double inX0, double inY0, double inX1, double inY1, double inSign);
    void AccumulateEdge(double inX0, double inY0, double inX1, double inY1, double inSign);
    // Marks cells [inFrom, inTo] of row inRow as holding a difference.
    void Touch(std::int32_t inRow, std::int32_t inFrom, std::int32_t inTo);
    // Zeroes every touched cell: the scratch is all zero between masks.
    void ClearTouched();

    LongRect mBox{};
    std::int32_t mWidth = 0;
    std::int32_t mHeight = 0;
    std::int32_t mStride = 0;  // two spare cells a row take what spills past the right side
    std::int32_t mWords = 0;   // touched-cell bits a row
    bool mDirty = false;       // cells hold differences not yet resolved
    bool mHasCentres = false;
    std::unique_ptr<Scratch> mScratch;  // taken from, and given back to, this thread's spare
};
