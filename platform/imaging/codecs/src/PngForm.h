// How a picture goes into a PNG: colour type, bit depth, palette, and each row in that form.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "codecs/PictureView.h"

namespace vx::codecs {

enum class PngColorType : uint8_t { kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6 };

class PngForm {
public:
    // The smallest form that holds every pixel exactly: grey, then a palette of at most 256
    // colours (translucent entries first, so tRNS stays short), then RGB when opaque, else
    // RGBA (grey with alpha when every pixel is grey).
    static PngForm Smallest(const PictureView& inPicture);
    // A fixed form: 8-bit RGB or RGBA from B, G, R, A rows.
    static PngForm Direct(const PictureView& inPicture, bool inAlpha);
    // Rows that already hold packed palette indices of inBitDepth (one row per mRowBytes).
    static PngForm Indexed(uint32_t inWidth, uint32_t inHeight, int inBitDepth, const uint8_t* inRows,
                           std::vector<std::array<uint8_t, 4>> inColors);

    PngColorType ColorType() const { return mColorType; }
    int BitDepth() const { return mBitDepth; }
    // Bytes per complete pixel, at least 1: the distance the filters look back.
    size_t FilterStride() const;
    size_t RowBytes() const { return mRowBytes; }
    uint32_t Width() const { return mWidth; }
    uint32_t Height() const { return mHeight; }
    const std::vector<std::array<uint8_t, 4>>& Colors() const { return mColors; }  // B, G, R, A
    // Palette entries before the first opaque one need a tRNS value.
    size_t TranslucentCount() const;

    // Whether row inY (above 0) holds the same pixels as the row before it.
    bool RepeatsRow(uint32_t inY) const;
    // Writes row inY in this form into outRow (RowBytes() bytes).
    void PackRow(uint32_t inY, uint8_t* outRow) const;

private:
    PngForm() = default;
    void PackIndexedRow(const uint8_t* inPixels, uint8_t* outRow) const;
    uint8_t IndexOf(uint32_t inColor) const;

    PictureView mPicture;
    const uint8_t* mIndexedRows = nullptr;
    uint32_t mWidth = 0;
    uint32_t mHeight = 0;
    PngColorType mColorType = PngColorType::kRgba;
    int mBitDepth = 8;
    size_t mRowBytes = 0;
    std::vector<std::array<uint8_t, 4>> mColors;
    // Open addressing from a B, G, R, A word to its palette index (slot value index + 1).
    std::vector<uint32_t> mKeys;
    std::vector<uint16_t> mSlots;
};

}  // namespace vx::codecs
