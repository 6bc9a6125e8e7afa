#include "vellumax/engine/PolyGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

// The arcs of rounded corners and ovals keep these constants rather than π:
// stored drawings were made with them, and the primitive closes the small gap.
constexpr double kHalfTurn = 3.141;
constexpr double kFullTurn = 6.28;
constexpr double kPixelsPerVertex = 5.0;

struct Insets {
    double mHalf;    // half the pen
    double mRight;   // right side pulled in by the pen, truncated
    double mBottom;  // bottom likewise
};

Insets InsetsOf(const LongRect& inRect, float inWidth)
{
    const float theHalf = inWidth / 2;
    return {theHalf, std::trunc(double(float(inRect.right) - inWidth)),
            std::trunc(double(float(inRect.bottom) - inWidth))};
}

}  // namespace

PolyList PolyGeometry::Rect(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth)
{
    const auto [h, r, b] = InsetsOf(inRect, inWidth);
    const double l = inRect.left;
    const double t = inRect.top;
    const double w = inWidth;
    // Each side runs half a pen past its corner, so that thick corners are square.
    return {inPrimitive,
            {{l + h, t + h},
             {r + h, t + h},
             {r + h, t},
             {r + h, b + h},
             {r + w, b + h},
             {l + h, b + h},
             {l + h, b + w},
             {l + h, t}},
            {}};
}

PolyList PolyGeometry::Oval(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth)
{
    const auto [h, r, b] = InsetsOf(inRect, inWidth);
    PolyList theList{inPrimitive, {}, {}};
    AddArc(theList.mVertices, (inRect.left + r) / 2 + h, (inRect.top + b) / 2 + h, (r - inRect.left) / 2,
           (b - inRect.top) / 2, 0, kFullTurn);
    return theList;
}

PolyList PolyGeometry::RoundRect(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth,
                                 const LongPoint& inCorner)
{
    const auto [h, r, b] = InsetsOf(inRect, inWidth);
    const double l = inRect.left;
    const double t = inRect.top;
    const double theCornerX = std::max(0, inCorner.x);
    const double theCornerY = std::max(0, inCorner.y);
    const double rx = theCornerX / 2;
    const double ry = theCornerY / 2;
    PolyList theList{inPrimitive, {}, {}};
    std::vector<CoverageMask::Point>& v = theList.mVertices;
    // A corner whose arc has no vertex is its centre, the square corner: else a
    // corner size of 0 would leave a triangle of two sides and a diagonal.
    const auto theCorner = [&v](double inX, double inY, double inStart, double inEnd, double inRx, double inRy) {
        const std::size_t theBefore = v.size();
        AddArc(v, inX, inY, inRx, inRy, inStart, inEnd);
        if (v.size() == theBefore)
            v.push_back({inX, inY});
    };
    v.push_back({l + h + theCornerX, t + h});
    theCorner(r + h - rx, t + h + ry, -0.5 * kHalfTurn, 0, rx, ry);
    v.push_back({r + h, b + h - theCornerY});
    theCorner(r + h - rx, b + h - ry, 0, 0.5 * kHalfTurn, rx, ry);
    v.push_back({l + h + theCornerX, b + h});
    theCorner(l + h + rx, b + h - ry, 0.5 * kHalfTurn, 1.0 * kHalfTurn, rx, ry);
    v.push_back({l + h, t + h + ry});
    theCorner(l + h + rx, t + h + ry, 1.0 * kHalfTurn, 1.5 * kHalfTurn, rx, ry);
    return theList;
}

PolyList PolyGeometry::Points(const LongPoint* inPoints, std::int32_t inCount, PolyList::Primitive inPrimitive,
                              float inWidth)
{
    const double h = inWidth / 2;
    PolyList theList{inPrimitive, {}, {}};
    theList.mVertices.reserve(static_cast<std::size_t>(std::max(0, inCount)));
    for (std::int32_t i = 0; i < inCount; ++i)
        theList.mVertices.push_back({inPoints[i].x + h, inPoints[i].y + h});
    return theList;
}

void PolyGeometry::AddArc(std::vector<CoverageMask::Point>& ioVertices, double inCentreX, double inCentreY,
                          double inRadiusX, double inRadiusY, double inStart, double inEnd)
{
    // A pen wider than the shape leaves negative radii: nothing to draw.
    if (!(inRadiusX >= 0 && inRadiusY >= 0))
        return;
    const double theMean = (inRadiusX + inRadiusY) / 2;
    if (theMean == 0)
        return;
    const double theStep = std::min(kPixelsPerVertex / theMean, (inEnd - inStart) / 3);
    if (!(theStep > 0))
        return;
    for (int i = 0;; ++i) {
        const double a = inStart + i * theStep;
        if (a > inEnd)
            break;
        ioVertices.push_back({inCentreX + std::cos(a) * inRadiusX, inCentreY + std::sin(a) * inRadiusY});
    }
    ioVertices.push_back({inCentreX + std::cos(inEnd) * inRadiusX, inCentreY + std::sin(inEnd) * inRadiusY});
}
