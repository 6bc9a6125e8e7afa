// Limits a decode must respect; sizes are checked before anything is allocated.
#pragma once

#include <cstdint>

#include "codecs/Status.h"

namespace vx::codecs {

constexpr uint32_t kStoreSideLimit = 32767;  // widest a pixel store can be
// The ceiling of any decode: a store's largest size. Callers bound decodes far lower by default
// (the server's MaxPixels); this lets a raised limit through and nothing beyond it.
constexpr uint64_t kMaxDecodedPixels = uint64_t(kStoreSideLimit) * kStoreSideLimit;

struct DecodeOptions {
    uint64_t mMaxPixels = kMaxDecodedPixels;
    uint32_t mMaxSide = 0;  // 0: no limit per side; kStoreSideLimit when the picture becomes a store
    // 2, 4 or 8: the caller takes the picture at that fraction of its size (rounded up) from a codec
    // that can decode it smaller at no extra cost (JPEG); other codecs, and 1, give the full size.
    // The decoded image's info holds the size it has. The limits apply to the full size.
    uint32_t mReduction = 1;
};

// kCorrupt for an empty size, kTooLarge beyond the limits, else kOk.
[[nodiscard]] Status CheckDecodeSize(uint64_t inWidth, uint64_t inHeight, const DecodeOptions& inOptions);

}  // namespace vx::codecs
