// Fills a polygon by the odd winding rule: the GLU tessellator cuts it into
// triangles that do not overlap, with a vertex made wherever edges cross.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "vellumax/engine/PolyList.h"

class PolyTessellator {
public:
    // One per polygon point, and one per vertex the tessellator makes.
    struct Vertex {
        double mCoords[3] = {0, 0, 0};
        bool mHasColor = false;
        double mColor[4] = {0, 0, 0, 0};
        void* mUser = nullptr;
    };

    enum class Outcome { kDone, kFailed };

    // Triangles of the polygon through inPoints (closed, in order) into
    // outList, with the points as its contour. kFailed (nothing filled) only
    // when the tessellator reports an error, which bounded coordinates and the
    // combine step leave to running out of memory.
    static Outcome Tessellate(const LongPoint* inPoints, std::int32_t inCount, PolyList& outList);
};
