// The area a smoothed wide line covers, in store pixels: a rectangle of the
// pen's width along each segment and, where round dots sit on the vertices,
// the parts of the dots the rectangles leave uncovered (the outer wedge of each
// join, a half dot at each open end). The pieces meet without overlapping
// outside the line, so that adding their areas gives the line's coverage.
#pragma once

#include <vector>

#include "vellumax/engine/CoverageMask.h"

class PolyStroke {
public:
    enum class Ends { kOpen, kClosed };
    enum class Dots { kNone, kRound };

    static void AddTo(CoverageMask& ioMask, const std::vector<CoverageMask::Point>& inVertices, Ends inEnds,
                      Dots inDots, double inWidth);
};
