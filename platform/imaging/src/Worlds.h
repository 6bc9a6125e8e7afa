// Internal access to worlds, pixel maps and the current port.
#pragma once

#include "Surface.h"
#include "imaging/QuickDraw.h"

namespace vximaging {

// A surface over a pixel map (one of our worlds' or a caller's with the pixel-map flag) or a
// 1-bit bit map; false when it cannot be described.
bool SurfaceOfPixMap(const PixMap* inPixMap, Surface& outSurface);
bool SurfaceOfBitMap(const BitMap* inBitMap, Surface& outSurface);

CGrafPtr CurrentPort();

}  // namespace vximaging
