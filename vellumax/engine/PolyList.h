// One vertex sequence of the polygon renderer, as one begin … end block of
// OpenGL would draw it: the geometry of a fill, an outline or its dots, in
// canvas coordinates before the drawing transform.
#pragma once

#include <vector>

#include "vellumax/engine/CoverageMask.h"

struct PolyList {
    // OpenGL's primitive codes, and kNone for the list that was never made.
    enum class Primitive { kNone = -1, kPoints = 0, kLineLoop = 2, kLineStrip = 3, kTriangles = 4, kPolygon = 9 };

    Primitive mPrimitive = Primitive::kNone;
    std::vector<CoverageMask::Point> mVertices;
    // A fill's: which parts of an outline that crosses itself are inside.
    CoverageMask::FillRule mRule = CoverageMask::FillRule::kNonZero;

    bool IsMade() const { return mPrimitive != Primitive::kNone; }
};
