#include "vellumax/engine/PolyStroke.h"

#include <algorithm>
#include <cmath>

namespace {

using MaskPoint = CoverageMask::Point;

constexpr double kTolerance = 0.03;  // how far an arc's chords may stray from it, in pixels

// The arc of radius inRadius about inCentre from angle inFrom through inSweep
// (radians, signed), closed through the centre.
void AddSector(CoverageMask& ioMask, const MaskPoint& inCentre, double inRadius, double inFrom, double inSweep)
{
    const double theCos = 1 - kTolerance / inRadius;
    const double theStep = theCos <= -1 ? M_PI / 4 : std::max(2 * std::acos(theCos), M_PI / 128);
    const int theSteps = std::max(1, static_cast<int>(std::ceil(std::fabs(inSweep) / theStep)));
    // The joins of a thin pen take a handful of points: those stay on the stack.
    constexpr int kSmall = 16;
    MaskPoint theSmall[kSmall];
    std::vector<MaskPoint> theLarge;
    const std::size_t theCount = static_cast<std::size_t>(theSteps) + 2;
    if (theCount > kSmall)
        theLarge.resize(theCount);
    MaskPoint* const thePoints = theCount > kSmall ? theLarge.data() : theSmall;
    thePoints[0] = inCentre;
    for (int i = 0; i <= theSteps; ++i) {
        const double a = inFrom + inSweep * i / theSteps;
        thePoints[i + 1] = {inCentre.x + inRadius * std::cos(a), inCentre.y + inRadius * std::sin(a)};
    }
    ioMask.AddArea(thePoints, theCount);
}

// The part of a dot at a vertex that segments coming in along inIn and going
// out along inOut (unit directions) leave open: the wedge on the outer side.
void AddJoin(CoverageMask& ioMask, const MaskPoint& inVertex, const MaskPoint& inIn, const MaskPoint& inOut,
             double inRadius)
{
    const MaskPoint theNormalIn{-inIn.y, inIn.x};
    const MaskPoint theNormalOut{-inOut.y, inOut.x};
    const double theTurn = inOut.x * theNormalIn.x + inOut.y * theNormalIn.y;
    const double theCross = inIn.x * inOut.y - inIn.y * inOut.x;
    if (theCross == 0 && inIn.x * inOut.x + inIn.y * inOut.y > 0)
        return;  // straight on: no gap
    // The outer side is the one the outgoing segment turns away from.
    const double theSide = theTurn > 0 ? -1.0 : 1.0;
    const double theFrom = std::atan2(theSide * theNormalIn.y, theSide * theNormalIn.x);
    double theSweep = std::atan2(theSide * theNormalOut.y, theSide * theNormalOut.x) - theFrom;
    while (theSweep > M_PI)
        theSweep -= 2 * M_PI;
    while (theSweep <= -M_PI)
        theSweep += 2 * M_PI;
    // Doubling back: the half dot ahead of the incoming segment.
    if (std::fabs(std::fabs(theSweep) - M_PI) < 1e-9) {
        const double theAhead = std::atan2(inIn.y, inIn.x);
        double theMiddle = theFrom + theSweep / 2 - theAhead;
        theMiddle = std::remainder(theMiddle, 2 * M_PI);
        if (std::fabs(theMiddle) > M_PI / 2)
            theSweep = -theSweep;
    }
    AddSector(ioMask, inVertex, inRadius, theFrom, theSweep);
}

}  // namespace

void PolyStroke::AddTo(CoverageMask& ioMask, const std::vector<MaskPoint>& inVertices, Ends inEnds, Dots inDots,
                       double inWidth)
{
    const double theHalf = inWidth / 2;
    if (!(theHalf > 0))
        return;
    // Repeated vertices make no segment and no join.
    std::vector<MaskPoint> v;
    for (const MaskPoint& p : inVertices)
        if (v.empty() || p.x != v.back().x || p.y != v.back().y)
            v.push_back(p);
    if (inEnds == Ends::kClosed && v.size() > 1 && v.front().x == v.back().x && v.front().y == v.back().y)
        v.pop_back();
    if (v.empty())
        return;
    if (v.size() == 1) {
        if (inDots == Dots::kRound)
            AddSector(ioMask, v[0], theHalf, 0, 2 * M_PI);
        return;
    }
    const std::size_t theCount = v.size();
    const std::size_t theSegments = inEnds == Ends::kClosed ? theCount : theCount - 1;
    std::vector<MaskPoint> theDirections(theSegments);
    for (std::size_t i = 0; i < theSegments; ++i) {
        const MaskPoint& p = v[i];
        const MaskPoint& q = v[(i + 1) % theCount];
        const double theLength = std::hypot(q.x - p.x, q.y - p.y);
        const MaskPoint d{(q.x - p.x) / theLength, (q.y - p.y) / theLength};
        theDirections[i] = d;
        const MaskPoint n{-d.y * theHalf, d.x * theHalf};
        const MaskPoint theQuad[4] = {
            {p.x + n.x, p.y + n.y}, {q.x + n.x, q.y + n.y}, {q.x - n.x, q.y - n.y}, {p.x - n.x, p.y - n.y}};
        ioMask.AddArea(theQuad, 4);
    }
    if (inDots == Dots::kNone)
        return;
    for (std::size_t i = 0; i < theCount; ++i) {
        const bool theFirst = i == 0;
        const bool theLast = i + 1 == theCount;
        if (inEnds == Ends::kOpen && (theFirst || theLast)) {
            // A half dot beyond the open end.
            const MaskPoint d =
                theFirst ? MaskPoint{-theDirections[0].x, -theDirections[0].y} : theDirections[theSegments - 1];
            AddSector(ioMask, v[i], theHalf, std::atan2(d.y, d.x) - M_PI / 2, M_PI);
            continue;
        }
        const MaskPoint& theIn = theDirections[theFirst ? theSegments - 1 : i - 1];
        const MaskPoint& theOut = theDirections[i % theSegments];
        AddJoin(ioMask, v[i], theIn, theOut, theHalf);
    }
}
