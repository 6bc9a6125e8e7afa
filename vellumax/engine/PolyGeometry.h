// The geometry of the polygon renderer's shapes: where the vertices of a
// rectangle, an oval, a rounded rectangle and a point list lie for a pen of
// width inWidth (0 for a fill), so that a stroke of that width centred on them
// stays inside the shape's rectangle.
#pragma once

#include <cstdint>
#include <vector>

#include "vellumax/engine/PolyList.h"
#include "vellumax/params/Utilities.h"

class PolyGeometry {
public:
    static PolyList Rect(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth);
    static PolyList Oval(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth);
    // inCorner: the corner ellipse's width and height. A corner of size 0 is
    // its square corner point.
    static PolyList RoundRect(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth,
                              const LongPoint& inCorner);
    // The first inCount points moved right and down by half the pen.
    static PolyList Points(const LongPoint* inPoints, std::int32_t inCount, PolyList::Primitive inPrimitive,
                           float inWidth);
    // Vertices on the ellipse arc from inStart to inEnd (radians, y down), about
    // one per 5 pixels and at least four; none when a radius is negative or
    // both are 0.
    static void AddArc(std::vector<CoverageMask::Point>& ioVertices, double inCentreX, double inCentreY,
                       double inRadiusX, double inRadiusY, double inStart, double inEnd);
};
