// A colour table made for one picture, and the picture as indices into it:
// the exact colours when there are at most 256 of them, otherwise a table
// chosen by median cut and refined by k-means, with nearest-colour mapping or
// error diffusion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "vellumax/formats/Writegif.h"

// 32-bit pixels as the caller holds them: the byte offsets of red, green and
// blue inside each 4-byte pixel; alpha is not read.
struct RgbPixels {
    const std::uint8_t* mBase = nullptr;
    std::ptrdiff_t mRowBytes = 0;
    std::int32_t mWidth = 0;
    std::int32_t mHeight = 0;
    std::int32_t mRed = 2;
    std::int32_t mGreen = 1;
    std::int32_t mBlue = 0;
};

enum class Dithering { kNone, kErrorDiffusion };

class GifPalette {
public:
    static constexpr std::int32_t kMaxColors = 256;

    // Fills the table and the indices. inKey (0xRRGGBB), when given, gets an
    // entry of its own that exactly its pixels use, so that it can be declared
    // transparent without taking its neighbours along.
    void Build(const RgbPixels& inPixels, Dithering inDithering, std::optional<std::uint32_t> inKey);

    // Whether every pixel kept its colour (at most 256 colours in the picture).
    bool IsExact() const { return mExact; }
    std::int32_t ColorCount() const { return std::int32_t(mColors.size()); }
    const GifColorEntry* Colors() const { return mColors.data(); }
    // One index per pixel, rows of width bytes.
    const std::vector<std::uint8_t>& Indices() const { return mIndices; }

private:
    bool BuildExact(const RgbPixels& inPixels);
    template <bool kWordOrder>
    bool BuildExactOf(const RgbPixels& inPixels);
    void BuildQuantized(const RgbPixels& inPixels, Dithering inDithering, std::optional<std::uint32_t> inKey);
    void AddColor(std::uint32_t inRgb);

    bool mExact = false;
    std::vector<GifColorEntry> mColors;
    std::vector<std::uint8_t> mIndices;
};
