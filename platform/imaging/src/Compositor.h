// Draws a source surface into a destination surface through a matrix, a transfer mode and a mask.
// Shared by decompression, CopyBits and the re-fitting of worlds.
#pragma once

#include "MatrixMath.h"
#include "Surface.h"
#include "imaging/Errors.h"
#include "imaging/QuickDraw.h"

namespace vximaging {

struct CompositeRequest {
    Surface mSource;
    Rect mSourceRect{};  // source coordinates; cut to the source surface
    Surface mDest;
    MatrixD mMatrix{};    // source coordinates → destination coordinates
    int mMode = srcCopy;  // a transfer mode, ditherCopy may be added
    RGBColor mOpColor{0, 0, 0};
    RgnHandle mMask = nullptr;  // destination coordinates; null: no mask
};

bool IsSupportedMode(int inMode);

// noErr, -50 for an unknown mode or a matrix that cannot be inverted, -108 without memory.
OSErr Composite(const CompositeRequest& inRequest);

}  // namespace vximaging
