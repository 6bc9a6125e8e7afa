// The horizontal Lanczos pass straight from an opaque row's bytes, for
// processors with AVX2. An opaque pixel is its own premultiplied form, so the
// row needs no laying out first: one byte shuffle widens and pairs each group
// of pixels as the multiply-add takes them. Its sums equal the general pass's
// to the bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vximaging {

// Weights in 1/16384ths, as the general pass has them.
constexpr int kLanczosWeightBits = 14;
// Samples between the passes carry 6 fractional bits.
constexpr int kLanczosFractionBits = 6;

class OpaqueRowFilter {
public:
    // Destination pixel i takes inCount[i] weights from inFixed (one pixel's
    // after the other), for source columns from inFirst[i] on; inWidth: the row's pixels.
    OpaqueRowFilter(const std::vector<int>& inFixed, const std::vector<int>& inFirst, const std::vector<int>& inCount,
                    int inWidth);

    // 4 samples per destination pixel into outRow. False when a pixel read is
    // not opaque: outRow is then to be made by the general pass.
    bool Filter(const std::uint8_t* inRow, std::int16_t* outRow) noexcept;

private:
    struct alignas(32) Weights {
        std::int32_t mLanes[8];
    };
    int mGroups = 0;  // of 8 taps, per destination pixel
    std::vector<int> mFirst;
    std::vector<Weights> mWeights;  // 2 per group: taps 0, 1 | 4, 5, then 2, 3 | 6, 7
    // From this destination pixel on, reads would pass the row's end: they are
    // made from a copy of its last pixels, padded.
    std::size_t mTailFrom = 0;
    int mTailStart = 0;  // the copy's first column
    int mWidth = 0;
    std::vector<std::uint8_t> mTail;
};

}  // namespace vximaging
