// The server's own GIF writer: one 8-bit indexed picture and its colour table
// become a complete GIF file in memory. By default it does not compress: every
// pixel is a literal LZW code, with clear codes keeping the code width fixed.
// Asked to, it writes real LZW strings instead.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// How the image data is coded: a literal code per pixel (large, but trivial
// to produce), or compressing LZW.
enum class GifCodes { kLiteral, kCompressed };

// Red, green and blue as 16-bit intensities; only the high byte reaches the file.
struct GifRGBColor {
    std::uint16_t red;
    std::uint16_t green;
    std::uint16_t blue;
};

// One colour table entry in the imaging platform's colour-spec layout: four
// unsigned 16-bit words, the index value then red, green, blue.
struct GifColorEntry {
    std::uint16_t value;
    GifRGBColor rgb;
};
static_assert(sizeof(GifColorEntry) == 8, "a colour table entry is four 16-bit words");

// A written file's bytes; its length is given beside it.
using GifBytes = std::unique_ptr<std::uint8_t[]>;

// Encodes the picture as a GIF file.
//   inColorCount   colours in use, at most 256; the file's table has the next power
//                  of two (at least 2) entries, and only the first inColorCount are
//                  read from inColors: the rest are written black.
//   inTransparent  colour index declared transparent (version 89a); negative: none (87a).
//   inInterlace    non-zero writes the rows in the four-pass interlaced order.
//   inRowStride    bytes from one row of inPixels to the next (may exceed the width).
//   inPixels       one colour index per byte, row 0 first; indices are not checked.
//   inCodes        literal codes (the default) or compressed.
// Returns the file, its length in outLength. On failure returns null with outLength 0: the picture is
// over 65535 pixels on a side or negative, its output capacity does not fit the
// 32-bit length, the buffer cannot be allocated, or the file does not fit.
GifBytes EncodeGif(std::int32_t inWidth, std::int32_t inHeight, std::int32_t inColorCount,
                   const GifColorEntry* inColors, std::int32_t inTransparent, std::uint8_t inInterlace,
                   std::int32_t inRowStride, const std::uint8_t* inPixels, std::int32_t& outLength,
                   GifCodes inCodes = GifCodes::kLiteral);

// The colour indices of one row, asked for in file order (each of the four
// passes of an interlaced picture in turn); valid until the next call. Null
// stops the encoding, which then fails.
using GifRowSource = std::function<const std::uint8_t*(std::int32_t inRow)>;

// EncodeGif with rows from a source instead of a buffer of the whole picture.
GifBytes EncodeGifRows(std::int32_t inWidth, std::int32_t inHeight, std::int32_t inColorCount,
                       const GifColorEntry* inColors, std::int32_t inTransparent, std::uint8_t inInterlace,
                       const GifRowSource& inRows, std::int32_t& outLength, GifCodes inCodes = GifCodes::kLiteral);

// The exact length of the file EncodeGif writes with literal codes (-1 for a
// picture it refuses), known before encoding, so that the file can be written
// straight into its final place.
std::int64_t LiteralGifLength(std::int32_t inWidth, std::int32_t inHeight, std::int32_t inColorCount,
                              bool inTransparent);
// EncodeGifRows with literal codes into outBuffer, which holds exactly
// LiteralGifLength bytes; false when the length is not that or a row is missing.
bool EncodeLiteralGifRowsInto(std::uint8_t* outBuffer, std::int64_t inLength, std::int32_t inWidth,
                              std::int32_t inHeight, std::int32_t inColorCount, const GifColorEntry* inColors,
                              std::int32_t inTransparent, std::uint8_t inInterlace, const GifRowSource& inRows);

namespace WritegifDetail {

// The output buffer size EncodeGif allocates: width × height × 4 / 3 + 1024 for
// literal codes; for compressed ones room for the worst case, a 12-bit code per
// pixel. In 64-bit arithmetic so that large pictures are refused rather than
// wrapped.
std::int64_t OutputCapacity(std::int32_t inWidth, std::int32_t inHeight, GifCodes inCodes = GifCodes::kLiteral);

// EncodeGif with an explicit buffer capacity instead of OutputCapacity's: a file
// that does not fit (the last byte of the buffer is never used) gives null.
GifBytes EncodeGifWithCapacity(std::int64_t inCapacity, std::int32_t inWidth, std::int32_t inHeight,
                               std::int32_t inColorCount, const GifColorEntry* inColors, std::int32_t inTransparent,
                               std::uint8_t inInterlace, std::int32_t inRowStride, const std::uint8_t* inPixels,
                               std::int32_t& outLength, GifCodes inCodes = GifCodes::kLiteral);
GifBytes EncodeGifRowsWithCapacity(std::int64_t inCapacity, std::int32_t inWidth, std::int32_t inHeight,
                                   std::int32_t inColorCount, const GifColorEntry* inColors, std::int32_t inTransparent,
                                   std::uint8_t inInterlace, const GifRowSource& inRows, std::int32_t& outLength,
                                   GifCodes inCodes = GifCodes::kLiteral);

}  // namespace WritegifDetail
