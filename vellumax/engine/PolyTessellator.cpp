#include "vellumax/engine/PolyTessellator.h"

#include <GL/glu.h>

#include <memory>

namespace {

using Vertex = PolyTessellator::Vertex;

struct TessellatorDeleter {
    void operator()(GLUtesselator* inTessellator) const { gluDeleteTess(inTessellator); }
};

// What the callbacks share: the triangles so far and the vertices made.
struct Collector {
    std::vector<CoverageMask::Point>* mTriangles;
    std::deque<Vertex> mMade;  // stable addresses: the tessellator keeps pointers to them
    bool mFailed = false;
};

// With an edge-flag callback the tessellator gives separate triangles only,
// never fans or strips, so begin and end have nothing to do.
void GLAPIENTRY OnBegin(GLenum, void*) {}
void GLAPIENTRY OnEnd(void*) {}
void GLAPIENTRY OnEdgeFlag(GLboolean, void*) {}

void GLAPIENTRY OnVertex(void* inVertex, void* inCollector)
{
    const Vertex& theVertex = *static_cast<const Vertex*>(inVertex);
    static_cast<Collector*>(inCollector)->mTriangles->push_back({theVertex.mCoords[0], theVertex.mCoords[1]});
}

// A vertex where edges cross: its colour, when a source has one, is the
// weighted sum of theirs, and it keeps the user word of the last that has one.
void GLAPIENTRY OnCombine(GLdouble inCoords[3], void* inSources[4], GLfloat inWeights[4], void** outVertex,
                          void* inCollector)
{
    Collector& theCollector = *static_cast<Collector*>(inCollector);
    Vertex& theMade = theCollector.mMade.emplace_back();
    for (int i = 0; i < 3; ++i)
        theMade.mCoords[i] = inCoords[i];
    for (int s = 0; s < 4; ++s) {
        const Vertex* theSource = static_cast<const Vertex*>(inSources[s]);
        if (theSource == nullptr || !theSource->mHasColor)
            continue;
        theMade.mHasColor = true;
        for (int c = 0; c < 4; ++c)
            theMade.mColor[c] += inWeights[s] * theSource->mColor[c];
        theMade.mUser = theSource->mUser;
    }
    *outVertex = &theMade;
}

void GLAPIENTRY OnError(GLenum, void* inCollector)
{
    static_cast<Collector*>(inCollector)->mFailed = true;
}

template <typename Callback>
void SetCallback(GLUtesselator* inTessellator, GLenum inWhich, Callback inCallback)
{
    gluTessCallback(inTessellator, inWhich, reinterpret_cast<_GLUfuncptr>(inCallback));
}

}  // namespace

PolyTessellator::Outcome PolyTessellator::Tessellate(const LongPoint* inPoints, std::int32_t inCount, PolyList& outList)
{
    outList = PolyList{PolyList::Primitive::kTriangles, {}, {}};
    std::vector<Vertex> thePoints(static_cast<std::size_t>(inCount > 0 ? inCount : 0));
    outList.mContour.reserve(thePoints.size());
    for (std::size_t i = 0; i < thePoints.size(); ++i) {
        thePoints[i].mCoords[0] = inPoints[i].x;
        thePoints[i].mCoords[1] = inPoints[i].y;
        outList.mContour.push_back({double(inPoints[i].x), double(inPoints[i].y)});
    }
    if (thePoints.size() < 3)
        return Outcome::kDone;

    std::unique_ptr<GLUtesselator, TessellatorDeleter> theTessellator(gluNewTess());
    if (!theTessellator)
        return Outcome::kFailed;
    GLUtesselator* t = theTessellator.get();
    SetCallback(t, GLU_TESS_BEGIN_DATA, OnBegin);
    SetCallback(t, GLU_TESS_END_DATA, OnEnd);
    SetCallback(t, GLU_TESS_EDGE_FLAG_DATA, OnEdgeFlag);
    SetCallback(t, GLU_TESS_VERTEX_DATA, OnVertex);
    SetCallback(t, GLU_TESS_COMBINE_DATA, OnCombine);
    SetCallback(t, GLU_TESS_ERROR_DATA, OnError);
    gluTessProperty(t, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
    gluTessNormal(t, 0, 0, 1);

    Collector theCollector{&outList.mVertices, {}, false};
    gluTessBeginPolygon(t, &theCollector);
    gluTessBeginContour(t);
    for (Vertex& theVertex : thePoints)
        gluTessVertex(t, theVertex.mCoords, &theVertex);
    gluTessEndContour(t);
    gluTessEndPolygon(t);
    if (theCollector.mFailed || outList.mVertices.size() % 3 != 0) {
        outList.mVertices.clear();
        return Outcome::kFailed;
    }
    return Outcome::kDone;
}
