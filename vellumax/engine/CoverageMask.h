// How much of each pixel of a box a shape covers, exactly by area, and which
// pixel centres it contains: what antialiased drawing blends with. Edges are in
// store pixels (x right, y down; pixel (x, y) spans x..x+1, y..y+1).
#pragma once

#include <cstdint>
#include <vector>

#include "vellumax/params/Utilities.h"

class CoverageMask {
public:
    struct Point {
        double x = 0;
        double y = 0;
    };

    enum class FillRule { kNonZero, kOdd };

    // Starts over on inBox (exclusive right and bottom, never larger than the
    // store): every coverage 0, no centre inside.
    void Reset(const LongRect& inBox);
    const LongRect& Box() const { return mBox; }
    bool IsEmpty() const { return mBox.right <= mBox.left || mBox.bottom <= mBox.top; }

    // Adds the area enclosed by a closed polygon. Areas of either orientation
    // count positively: the shapes added are meant to tile or to overlap where
    // full cover is wanted (strokes and their dots).
    void AddArea(const Point* inPoints, std::size_t inCount);
    // A closed contour whose inside, by inRule, holds the centres that
    // ResolveCentres marks.
    void AddCentreContour(const Point* inPoints, std::size_t inCount);

    // Turns the added areas into coverage in 0..1; call once, after the areas.
    void ResolveCoverage();
    // Marks the pixel centres inside the contours added; call once, after them.
    void ResolveCentres(FillRule inRule);

    // Box-relative: inX 0 is the box's left column.
    double Coverage(std::int32_t inX, std::int32_t inY) const { return mCells[Index(inX, inY)]; }
    bool CentreInside(std::int32_t inX, std::int32_t inY) const { return mCentres[Index(inX, inY)] != 0; }
    bool HasCentres() const { return !mCentres.empty(); }
    // Row inY's coverage and centre flags, box-relative, for loops over a row.
    const double* CoverageRow(std::int32_t inY) const { return &mCells[Index(0, inY)]; }
    const std::uint8_t* CentreRow(std::int32_t inY) const { return &mCentres[Index(0, inY)]; }

private:
    struct Edge {
        double x0, y0, x1, y1;
    };

    std::size_t Index(std::int32_t inX, std::int32_t inY) const
    {
        return static_cast<std::size_t>(inY) * static_cast<std::size_t>(mStride) + static_cast<std::size_t>(inX);
    }
    // Box-relative coordinates; inSign +1 or -1 turns the contour's orientation.
    void AddEdge(double inX0, double inY0, double inX1, double inY1, double inSign);
    void AccumulateEdge(double inX0, double inY0, double inX1, double inY1, double inSign);

    LongRect mBox{};
    std::int32_t mWidth = 0;
    std::int32_t mHeight = 0;
    std::int32_t mStride = 0;    // two spare cells a row take what spills past the right side
    std::vector<double> mCells;  // signed area deltas until resolved, then coverage
    std::vector<std::uint8_t> mCentres;
    std::vector<Edge> mContours;
};
