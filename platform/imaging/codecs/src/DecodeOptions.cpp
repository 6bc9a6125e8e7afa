#include "codecs/DecodeOptions.h"

namespace vx::codecs {

Status CheckDecodeSize(uint64_t inWidth, uint64_t inHeight, const DecodeOptions& inOptions)
{
    if (inWidth == 0 || inHeight == 0) {
        return Fail(Status::kCorrupt);
    }
    if (inOptions.mMaxSide != 0 && (inWidth > inOptions.mMaxSide || inHeight > inOptions.mMaxSide)) {
        return Fail(Status::kTooLarge);
    }
    // Both sides fit in 32 bits, so the product cannot overflow.
    if (inWidth > UINT32_MAX || inHeight > UINT32_MAX || inWidth * inHeight > inOptions.mMaxPixels) {
        return Fail(Status::kTooLarge);
    }
    return Status::kOk;
}

}  // namespace vx::codecs
