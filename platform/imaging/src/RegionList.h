// Regions as lists of rectangles (their union).
#pragma once

#include "imaging/QuickDraw.h"

#include <utility>
#include <vector>

namespace vximaging {

// The rectangles of a region; false for a null or foreign handle.
bool RegionRects(RgnHandle inRegion, std::vector<Rect>& outRects);

// The covered intervals [first, second) of row inY within [inLeft, inRight), sorted and merged.
void RowSpans(const std::vector<Rect>& inRects, int inY, int inLeft, int inRight,
              std::vector<std::pair<int, int>>& outSpans);

}  // namespace vximaging
