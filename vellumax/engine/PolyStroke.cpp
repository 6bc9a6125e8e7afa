#include "vellumax/engine/PolyStroke.h"

#include <algorithm>
#include <cmath>

namespace {

using MaskPoint = CoverageMask::Point;

constexpr double kTolerance = 0.03;  // how far an arc's chords may stray from it, in pixels

// How a vertex's dot meets the segments either side of it.
struct Join {
    enum class Kind { kCaps, kStraight, kTurn };
    Kind mKind = Kind::kCaps;  // kCaps: the segments' ends are drawn whole
    double mSide = 0;          // kTurn: +1 when the wedge lies on the normals' side, -1 opposite
};

double SignOf(const MaskPoint* inPoints, std::size_t inCount)
{
    double theSum = 0;
    for (std::size_t i = 0, j = inCount - 1; i < inCount; j = i++)
        theSum += inPoints[j].x * inPoints[i].y - inPoints[i].x * inPoints[j].y;
    return theSum > 0 ? 1.0 : theSum < 0 ? -1.0 : 0.0;
}

// The angle between chords of an arc of radius inRadius that keeps them
// within the tolerance of it.
double ChordAngle(double inRadius)
{
    const double theCos = 1 - kTolerance / inRadius;
    return theCos <= -1 ? M_PI / 4 : std::max(2 * std::acos(theCos), M_PI / 128);
}

// The arc of radius inRadius about inCentre from the unit direction inFrom
// through inSweep (radians, signed) to inTo when it is known, closed through
// the centre. Its points are turned one from the next by a fixed rotation:
// one sine and cosine per arc, none for the one-chord joins of a thin pen.
enum class Sides { kClosed, kArcOnly };

void AddSector(CoverageMask& ioMask, const MaskPoint& inCentre, double inRadius, const MaskPoint& inFrom,
               double inSweep, double inChordAngle, const MaskPoint* inTo = nullptr, Sides inSides = Sides::kClosed)
{
    const int theSteps = std::max(1, static_cast<int>(std::ceil(std::fabs(inSweep) / inChordAngle)));
    // The joins of a thin pen take a handful of points: those stay on the stack.
    constexpr int kSmall = 16;
    MaskPoint theSmall[kSmall];
    std::vector<MaskPoint> theLarge;
    const std::size_t theCount = static_cast<std::size_t>(theSteps) + 2;
    if (theCount > kSmall)
        theLarge.resize(theCount);
    MaskPoint* const thePoints = theCount > kSmall ? theLarge.data() : theSmall;
    thePoints[0] = inCentre;
    thePoints[1] = {inCentre.x + inRadius * inFrom.x, inCentre.y + inRadius * inFrom.y};
    if (theSteps > 1 || inTo == nullptr) {
        const double theAngle = inSweep / theSteps;
        const double theCos = std::cos(theAngle);
        const double theSin = std::sin(theAngle);
        MaskPoint d = inFrom;
        for (int i = 1; i <= theSteps; ++i) {
            d = {d.x * theCos - d.y * theSin, d.x * theSin + d.y * theCos};
            thePoints[i + 1] = {inCentre.x + inRadius * d.x, inCentre.y + inRadius * d.y};
        }
    }
    if (inTo != nullptr)
        thePoints[theSteps + 1] = {inCentre.x + inRadius * inTo->x, inCentre.y + inRadius * inTo->y};
    if (inSides == Sides::kClosed) {
        ioMask.AddArea(thePoints, theCount);
        return;
    }
    // The arc alone, oriented as the closed sector would be.
    const double theSign = SignOf(thePoints, theCount);
    for (std::size_t i = 1; i + 1 < theCount; ++i)
        ioMask.AddSide(thePoints[i], thePoints[i + 1], theSign);
}

// The part of a dot at a vertex that segments coming in along inIn and going
// out along inOut (unit directions) leave open: the wedge on the outer side.
// The wedge's sides along the normals are the halves of the segments' ends on
// that side, traced the other way: for a turn, both are left out (with those
// halves), and a straight vertex leaves out the segments' ends altogether.
Join AddJoin(CoverageMask& ioMask, const MaskPoint& inVertex, const MaskPoint& inIn, const MaskPoint& inOut,
             double inRadius, double inChordAngle)
{
    const MaskPoint theNormalIn{-inIn.y, inIn.x};
    const MaskPoint theNormalOut{-inOut.y, inOut.x};
    const double theTurn = inOut.x * theNormalIn.x + inOut.y * theNormalIn.y;
    const double theCross = inIn.x * inOut.y - inIn.y * inOut.x;
    const double theDot = inIn.x * inOut.x + inIn.y * inOut.y;
    if (theCross == 0 && theDot > 0)
        return {Join::Kind::kStraight, 0};
    // The outer side is the one the outgoing segment turns away from; the
    // wedge turns from one normal to the other as the path does.
    const double theSide = theTurn > 0 ? -1.0 : 1.0;
    const MaskPoint theFrom{theSide * theNormalIn.x, theSide * theNormalIn.y};
    const MaskPoint theTo{theSide * theNormalOut.x, theSide * theNormalOut.y};
    double theSweep = std::atan2(theCross, theDot);
    // Doubling back: the half dot ahead of the incoming segment, the way
    // whose middle points along it; it covers both ends, drawn whole.
    if (std::fabs(std::fabs(theSweep) - M_PI) < 1e-9) {
        theSweep = theFrom.x * inIn.y - theFrom.y * inIn.x > 0 ? M_PI : -M_PI;
        AddSector(ioMask, inVertex, inRadius, theFrom, theSweep, inChordAngle, &theTo);
        return {};
    }
    AddSector(ioMask, inVertex, inRadius, theFrom, theSweep, inChordAngle, &theTo, Sides::kArcOnly);
    return {Join::Kind::kTurn, theSide};
}

// Segment inP to inQ, a rectangle of the pen's width: its long sides, and of
// each end what the join there does not leave out.
void AddSegment(CoverageMask& ioMask, const MaskPoint& inP, const MaskPoint& inQ, const MaskPoint& inNormal,
                const Join& inStart, const Join& inEnd)
{
    const MaskPoint& n = inNormal;
    const MaskPoint a{inP.x + n.x, inP.y + n.y}, b{inQ.x + n.x, inQ.y + n.y};
    const MaskPoint c{inQ.x - n.x, inQ.y - n.y}, d{inP.x - n.x, inP.y - n.y};
    const MaskPoint theQuad[4] = {a, b, c, d};
    const double theSign = SignOf(theQuad, 4);
    if (theSign == 0)
        return;
    ioMask.AddSide(a, b, theSign);
    ioMask.AddSide(c, d, theSign);
    const auto theEnd = [&](const Join& inJoin, const MaskPoint& inVertex, const MaskPoint& inPlus,
                            const MaskPoint& inMinus, bool inOutgoing) {
        if (inJoin.mKind == Join::Kind::kStraight)
            return;
        if (inJoin.mKind == Join::Kind::kCaps) {
            inOutgoing ? ioMask.AddSide(inMinus, inPlus, theSign) : ioMask.AddSide(inPlus, inMinus, theSign);
            return;
        }
        // The half on the side away from the wedge.
        if (inJoin.mSide > 0)
            inOutgoing ? ioMask.AddSide(inMinus, inVertex, theSign) : ioMask.AddSide(inVertex, inMinus, theSign);
        else
            inOutgoing ? ioMask.AddSide(inVertex, inPlus, theSign) : ioMask.AddSide(inPlus, inVertex, theSign);
    };
    theEnd(inEnd, inQ, b, c, false);
    theEnd(inStart, inP, a, d, true);
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
    const double theChordAngle = ChordAngle(theHalf);
    if (v.size() == 1) {
        if (inDots == Dots::kRound)
            AddSector(ioMask, v[0], theHalf, {1, 0}, 2 * M_PI, theChordAngle);
        return;
    }
    const std::size_t theCount = v.size();
    const std::size_t theSegments = inEnds == Ends::kClosed ? theCount : theCount - 1;
    std::vector<MaskPoint> theDirections(theSegments);
    for (std::size_t i = 0; i < theSegments; ++i) {
        const MaskPoint& p = v[i];
        const MaskPoint& q = v[(i + 1) % theCount];
        const double theLength = std::hypot(q.x - p.x, q.y - p.y);
        theDirections[i] = {(q.x - p.x) / theLength, (q.y - p.y) / theLength};
    }
    // The dots first: how each meets its segments decides what of their ends is drawn.
    std::vector<Join> theJoins(theCount);
    for (std::size_t i = 0; i < theCount && inDots == Dots::kRound; ++i) {
        const bool theFirst = i == 0;
        const bool theLast = i + 1 == theCount;
        if (inEnds == Ends::kOpen && (theFirst || theLast)) {
            // A half dot beyond the open end.
            const MaskPoint d =
                theFirst ? MaskPoint{-theDirections[0].x, -theDirections[0].y} : theDirections[theSegments - 1];
            AddSector(ioMask, v[i], theHalf, {d.y, -d.x}, M_PI, theChordAngle);
            continue;
        }
        const MaskPoint& theIn = theDirections[theFirst ? theSegments - 1 : i - 1];
        const MaskPoint& theOut = theDirections[i % theSegments];
        theJoins[i] = AddJoin(ioMask, v[i], theIn, theOut, theHalf, theChordAngle);
    }
    for (std::size_t i = 0; i < theSegments; ++i) {
        const MaskPoint& d = theDirections[i];
        AddSegment(ioMask, v[i], v[(i + 1) % theCount], {-d.y * theHalf, d.x * theHalf}, theJoins[i],
                   theJoins[(i + 1) % theCount]);
    }
}
