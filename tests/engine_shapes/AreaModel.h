// Exact areas for the antialiasing tests, computed apart from the renderer:
// a polygon clipped to one pixel's square, its area by the shoelace formula.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace area {

struct Pt {
    double x;
    double y;
};

// Signed: positive when the polygon turns clockwise on screen (y down).
inline double Shoelace(const std::vector<Pt>& inPolygon)
{
    double theSum = 0;
    for (std::size_t i = 0, j = inPolygon.size() - 1; i < inPolygon.size(); j = i++)
        theSum += inPolygon[j].x * inPolygon[i].y - inPolygon[i].x * inPolygon[j].y;
    return inPolygon.empty() ? 0 : theSum / 2;
}

// Keeps the part of inPolygon where inSide(p) >= 0 (inSide linear).
template <typename Side>
std::vector<Pt> ClipHalf(const std::vector<Pt>& inPolygon, Side inSide)
{
    std::vector<Pt> theOut;
    for (std::size_t i = 0; i < inPolygon.size(); ++i) {
        const Pt& a = inPolygon[i];
        const Pt& b = inPolygon[(i + 1) % inPolygon.size()];
        const double sa = inSide(a);
        const double sb = inSide(b);
        if (sa >= 0)
            theOut.push_back(a);
        if ((sa >= 0) != (sb >= 0)) {
            const double t = sa / (sa - sb);
            theOut.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
        }
    }
    return theOut;
}

// Signed area of inPolygon inside pixel (inX, inY); winding-weighted when it crosses itself.
inline double InPixel(const std::vector<Pt>& inPolygon, int inX, int inY)
{
    std::vector<Pt> p = ClipHalf(inPolygon, [&](const Pt& q) { return q.x - inX; });
    p = ClipHalf(p, [&](const Pt& q) { return inX + 1 - q.x; });
    p = ClipHalf(p, [&](const Pt& q) { return q.y - inY; });
    p = ClipHalf(p, [&](const Pt& q) { return inY + 1 - q.y; });
    return p.size() < 3 ? 0 : Shoelace(p);
}

// Winding number of inPolygon about inPoint.
inline int Winding(const std::vector<Pt>& inPolygon, const Pt& inPoint)
{
    int theWinding = 0;
    for (std::size_t i = 0; i < inPolygon.size(); ++i) {
        const Pt& a = inPolygon[i];
        const Pt& b = inPolygon[(i + 1) % inPolygon.size()];
        const double theCross = (b.x - a.x) * (inPoint.y - a.y) - (inPoint.x - a.x) * (b.y - a.y);
        if (a.y <= inPoint.y && b.y > inPoint.y && theCross > 0)
            ++theWinding;
        else if (b.y <= inPoint.y && a.y > inPoint.y && theCross < 0)
            --theWinding;
    }
    return theWinding;
}

// Shortest distance from inPoint to the polygon's outline.
inline double Distance(const std::vector<Pt>& inPolygon, const Pt& inPoint)
{
    double theBest = INFINITY;
    for (std::size_t i = 0; i < inPolygon.size(); ++i) {
        const Pt& a = inPolygon[i];
        const Pt& b = inPolygon[(i + 1) % inPolygon.size()];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double theLength = dx * dx + dy * dy;
        const double t =
            theLength == 0 ? 0 : std::clamp(((inPoint.x - a.x) * dx + (inPoint.y - a.y) * dy) / theLength, 0.0, 1.0);
        theBest = std::min(theBest, std::hypot(a.x + dx * t - inPoint.x, a.y + dy * t - inPoint.y));
    }
    return theBest;
}

}  // namespace area
