// A decoded image: 32-bit B, G, R, A pixels with straight alpha, top row first, rows packed
// (row bytes = width * 4).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/ImageInfo.h"

namespace vx::codecs {

struct DecodedImage {
    ImageInfo mInfo;
    std::vector<uint8_t> mPixels;  // mInfo.mHeight rows of mInfo.mWidth * 4 bytes

    size_t RowBytes() const { return size_t(mInfo.mWidth) * 4; }
};

}  // namespace vx::codecs
