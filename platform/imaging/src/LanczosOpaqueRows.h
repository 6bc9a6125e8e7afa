// The horizontal Lanczos pass straight from opaque rows' bytes, for processors
// with AVX2. An opaque pixel is its own premultiplied form, so a row needs no
// laying out first: one byte shuffle widens and pairs each group of pixels as
// the multiply-add takes them. Up to four rows go through at once, so that each
// destination pixel's weights are read once for all of them. The sums equal the
// general pass's to the bit.
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
    static constexpr int kMostRows = 4;

    // Destination pixel i takes inCount[i] weights from inFixed (one pixel's
    // after the other), for source columns from inFirst[i] on; inWidth: the row's pixels.
    OpaqueRowFilter(const std::vector<int>& inFixed, const std::vector<int>& inFirst, const std::vector<int>& inCount,
                    int inWidth);

    // inCount (1 … kMostRows) rows, each from its first column; 4 samples per
    // destination pixel into each outRows[i]. False when a pixel read is not
    // opaque: the rows are then to be made by the general pass.
    bool Filter(const std::uint8_t* const* inRows, int inCount, std::int16_t* const* outRows) noexcept;

private:
    struct alignas(32) Weights {
        std::int32_t mLanes[8];
    };
    int mGroups = 0;  // of 8 taps, per destination pixel
    std::vector<int> mFirst;
    std::vector<Weights> mWeights;  // 2 per group: taps 0, 1 | 4, 5, then 2, 3 | 6, 7
    // From this destination pixel on, reads would pass the row's end: they are
    // made from copies of the rows' last pixels, padded.
    std::size_t mTailFrom = 0;
    int mTailStart = 0;  // the copies' first column
    int mWidth = 0;
    std::size_t mTailBytes = 0;  // of one row's copy
    std::vector<std::uint8_t> mTails;
};

}  // namespace vximaging
