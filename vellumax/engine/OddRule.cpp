#include "vellumax/engine/OddRule.h"

#include <algorithm>

namespace OddRule {

namespace {

using Point = CoverageMask::Point;

// An edge from its upper end to its lower, and the piece of it not yet given.
struct Edge {
    Point mTop;
    Point mBottom;
    double mOpenFrom = 0;  // y where the open piece starts
    double mOpenTo = 0;    // and where it ends so far
    double mOpenSign = 0;  // 0: no open piece

    double XAt(double inY) const
    {
        if (inY == mTop.y)
            return mTop.x;
        if (inY == mBottom.y)
            return mBottom.x;
        return mTop.x + (inY - mTop.y) * (mBottom.x - mTop.x) / (mBottom.y - mTop.y);
    }
};

double Cross(double ax, double ay, double bx, double by)
{
    return ax * by - ay * bx;
}

// y where two edges cross inside both, appended to ioEvents.
void AddCrossing(const Edge& a, const Edge& b, std::vector<double>& ioEvents)
{
    if (a.mBottom.y <= b.mTop.y || b.mBottom.y <= a.mTop.y)
        return;
    const double rx = a.mBottom.x - a.mTop.x, ry = a.mBottom.y - a.mTop.y;
    const double sx = b.mBottom.x - b.mTop.x, sy = b.mBottom.y - b.mTop.y;
    const double theDenominator = Cross(rx, ry, sx, sy);
    if (theDenominator == 0)
        return;  // parallel: they never change order
    const double qx = b.mTop.x - a.mTop.x, qy = b.mTop.y - a.mTop.y;
    const double t = Cross(qx, qy, sx, sy) / theDenominator;
    const double u = Cross(qx, qy, rx, ry) / theDenominator;
    if (t > 0 && t < 1 && u > 0 && u < 1)
        ioEvents.push_back(a.mTop.y + t * ry);
}

void Flush(Edge& ioEdge, std::vector<Piece>& ioPieces)
{
    if (ioEdge.mOpenSign == 0)
        return;
    ioPieces.push_back({{ioEdge.XAt(ioEdge.mOpenFrom), ioEdge.mOpenFrom},
                        {ioEdge.XAt(ioEdge.mOpenTo), ioEdge.mOpenTo},
                        ioEdge.mOpenSign});
    ioEdge.mOpenSign = 0;
}

}  // namespace

std::vector<Piece> Pieces(const Point* inPoints, std::size_t inCount)
{
    std::vector<Edge> theEdges;
    std::vector<double> theEvents;
    for (std::size_t i = 0, j = inCount - 1; i < inCount; j = i++) {
        const Point& a = inPoints[j];
        const Point& b = inPoints[i];
        if (a.y == b.y)
            continue;
        theEdges.push_back(a.y < b.y ? Edge{a, b} : Edge{b, a});
        theEvents.push_back(a.y);
    }
    // Crossings are what a polygon's pieces change order at; outlines here
    // have a few dozen points, so trying every pair costs less than sorting them.
    for (std::size_t i = 0; i < theEdges.size(); ++i)
        for (std::size_t j = i + 1; j < theEdges.size(); ++j)
            AddCrossing(theEdges[i], theEdges[j], theEvents);
    std::sort(theEvents.begin(), theEvents.end());
    theEvents.erase(std::unique(theEvents.begin(), theEvents.end()), theEvents.end());

    std::vector<Piece> thePieces;
    std::vector<std::pair<double, std::size_t>> theActive;  // x in the band's middle, edge
    for (std::size_t k = 0; k + 1 < theEvents.size(); ++k) {
        const double theTop = theEvents[k];
        const double theBottom = theEvents[k + 1];
        const double theMiddle = (theTop + theBottom) / 2;
        theActive.clear();
        for (std::size_t e = 0; e < theEdges.size(); ++e) {
            Edge& theEdge = theEdges[e];
            if (theEdge.mTop.y < theMiddle && theMiddle < theEdge.mBottom.y)
                theActive.push_back({theEdge.XAt(theMiddle), e});
            else
                Flush(theEdge, thePieces);
        }
        std::sort(theActive.begin(), theActive.end());
        for (std::size_t r = 0; r < theActive.size(); ++r) {
            Edge& theEdge = theEdges[theActive[r].second];
            const double theSign = r % 2 == 0 ? 1.0 : -1.0;
            if (theEdge.mOpenSign != theSign || theEdge.mOpenTo != theTop) {
                Flush(theEdge, thePieces);
                theEdge.mOpenFrom = theTop;
                theEdge.mOpenSign = theSign;
            }
            theEdge.mOpenTo = theBottom;
        }
    }
    for (Edge& theEdge : theEdges)
        Flush(theEdge, thePieces);
    return thePieces;
}

}  // namespace OddRule
