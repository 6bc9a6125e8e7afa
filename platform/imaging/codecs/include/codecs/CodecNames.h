// The platform's codec name list: the name and four-character type of every codec it has.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vx::codecs {

struct CodecName {
    std::string_view mName;  // at most 31 characters
    uint32_t mType;
};

// "PNG" 'png ', "JPEG" 'jpeg', "GIF" 'gif ', "BMP" 'bmp ', "TIFF" 'tiff', "WebP" 'webp',
// "Raw" 'raw ', in that order.
std::span<const CodecName> CodecNameList();

}  // namespace vx::codecs
