// The odd rule applied to an outline that may cross itself: its edges cut
// where they cross or where another edge starts or ends, and each piece
// signed so that, between any two y where nothing changes, the first, third,
// fifth … edge from the left add the area right of them and the others take
// it away. The pieces' signed areas then sum to exactly the part of each
// pixel inside by the odd rule, with no triangles made.
#pragma once

#include <cstddef>
#include <vector>

#include "vellumax/engine/CoverageMask.h"

namespace OddRule {

struct Piece {
    CoverageMask::Point mFrom;  // the upper end (smaller y)
    CoverageMask::Point mTo;
    double mSign;  // +1: adds the area right of it, -1: takes it away
};

// The pieces of the closed polygon through inPoints (in order); horizontal
// edges enclose nothing and give none.
std::vector<Piece> Pieces(const CoverageMask::Point* inPoints, std::size_t inCount);

}  // namespace OddRule
