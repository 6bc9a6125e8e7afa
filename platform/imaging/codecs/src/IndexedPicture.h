// A picture reduced to colour indices, for exporters asked for depth 1 or 8.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "codecs/PictureView.h"

namespace vx::codecs {

struct IndexedPicture {
    uint32_t mWidth = 0;
    uint32_t mHeight = 0;
    std::vector<uint8_t> mIndices;                // one byte per pixel, rows packed
    std::vector<std::array<uint8_t, 4>> mColors;  // B, G, R, A

    bool HasTransparency() const;

    // Depth 1: black and white by luminance, opaque. Depth 8: the picture's own colours when
    // there are at most 256 (alpha kept), else the nearest of the 6x6x6 cube (opaque).
    static IndexedPicture Make(const PictureView& inPicture, int inDepth);

    // Rows of inBits per index, most significant bits first, each row padded to whole bytes.
    std::vector<uint8_t> PackedRows(int inBits, size_t inRowAlignment) const;
};

}  // namespace vx::codecs
