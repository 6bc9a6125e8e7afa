// How an exporter should write.
#pragma once

#include <cstdint>

namespace vx::codecs {

constexpr int32_t kLosslessQuality = 1024;
constexpr int32_t kNormalQuality = 512;

enum class Interlace { kNone, kInterlaced };  // PNG Adam7, progressive JPEG

struct EncodeOptions {
    // 0 … 1024 onto each codec's scale: JPEG 1…100 (1023 and 1024 give 100); WebP lossy 0…100,
    // lossless at 1024; PNG and TIFF are always lossless, quality picks the deflate level 1…9;
    // BMP ignores it.
    int32_t mQuality = kNormalQuality;
    Interlace mInterlace = Interlace::kNone;
    // 0 keeps the picture's own form (alpha kept where the codec has it). 1: black and white;
    // 8: 256 colours (exact palette when the picture has at most 256 colours, else the 6x6x6
    // cube), grey for JPEG; 16: 5-5-5 in BMP, 24-bit elsewhere; 24: colour without alpha;
    // 32: colour with alpha. A depth the codec cannot write gives Status::kUnsupported.
    int16_t mDepth = 0;
};

}  // namespace vx::codecs
