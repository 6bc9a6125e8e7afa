// Encoder input: rows of 32-bit B, G, R, A pixels (straight alpha), top row first. Not owned.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx::codecs {

struct PictureView {
    const uint8_t* mPixels = nullptr;
    uint32_t mWidth = 0;
    uint32_t mHeight = 0;
    size_t mRowBytes = 0;  // at least mWidth * 4

    const uint8_t* Row(uint32_t inY) const { return mPixels + size_t(inY) * mRowBytes; }
};

}  // namespace vx::codecs
