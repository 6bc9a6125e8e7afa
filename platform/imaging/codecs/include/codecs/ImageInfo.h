// What a file says about one of its images, without decoding its pixels.
#pragma once

#include <cstdint>
#include <string_view>

namespace vx::codecs {

struct ImageInfo {
    uint32_t mWidth = 0;  // natural bounds are (0, 0, mWidth, mHeight)
    uint32_t mHeight = 0;
    // Depth as the file holds it: 1 bilevel; 1, 2, 4 or 8 for indexed colour (bits per index);
    // 8 for grey of any sample size above 1 bit; 16 for 5-5-5 / 5-6-5 pixels; 24 colour;
    // 32 colour with alpha (or CMYK).
    int16_t mDepth = 0;
    uint32_t mResolution = 72;     // horizontal dots per inch, 72 when the file has none
    std::string_view mFormatName;  // "PNG", "JPEG", "GIF", "BMP", "TIFF", "WebP" (static text)
    uint32_t mImageCount = 0;      // images in the file (GIF frames, TIFF directories)
};

}  // namespace vx::codecs
