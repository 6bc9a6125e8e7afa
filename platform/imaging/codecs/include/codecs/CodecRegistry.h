// The platform's codecs in a stable order: PNG, JPEG, GIF, BMP, TIFF, WebP.
#pragma once

#include <span>

#include "codecs/Codec.h"

namespace vx::codecs {

class CodecRegistry {
public:
    static std::span<const Codec* const> All();
    static const Codec& ForFormat(ImageFormat inFormat);
    // The first codec whose signature matches, or nullptr.
    static const Codec* ForBytes(Bytes inBytes);
};

}  // namespace vx::codecs
