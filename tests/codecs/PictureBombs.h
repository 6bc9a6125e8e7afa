// Small files whose headers declare far more pixels than their bytes hold, built byte by byte
// (no library writes a picture it would first have to hold), and the GIF and TIFF of many
// images that counting must take in one pass.
#pragma once

#include <cstdint>
#include <vector>

namespace vx::codecs::test {

using ByteVector = std::vector<uint8_t>;

// inPages grey pages of inWidth x inHeight in 16 x 16 tiles, each tile table one entry long
// (126 bytes a page): libtiff would pad every table to the full tile count when it reads one.
ByteVector TiledTiffPages(uint32_t inWidth, uint32_t inHeight, uint32_t inPages);
// A screen of inWidth x inHeight and inFrames frames of 1 x 1 pixel (15 bytes each).
ByteVector GifFrames(uint32_t inWidth, uint32_t inHeight, uint32_t inFrames);
// A lossless WebP header of that size over a few bytes of data.
ByteVector LosslessWebpHeader(uint32_t inWidth, uint32_t inHeight);
// An 8-bit run-length BMP whose data ends the bitmap at once.
ByteVector RleBmp(uint32_t inWidth, uint32_t inHeight);
// A 1-bit grey PNG of zero rows, written by libpng.
ByteVector ZeroPng(uint32_t inWidth, uint32_t inHeight);
// A small progressive JPEG whose frame header is set to inWidth x inHeight.
ByteVector ProgressiveJpegClaiming(uint16_t inWidth, uint16_t inHeight);

}  // namespace vx::codecs::test
