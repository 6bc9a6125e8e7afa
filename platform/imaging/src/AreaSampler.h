// Shrinking without sparkle: for a matrix that only scales down (and moves),
// each destination pixel is the average of the source area it covers, the
// source pixels at its edges weighted by the part inside. Bilinear sampling,
// which reads four pixels whatever the scale, would skip most of the picture.
#pragma once

#include "MatrixMath.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vximaging {

class AreaSampler {
public:
    // True for matrices without rotation, skew, flip or perspective whose
    // scales are at most 1 in both directions and below 1 in one.
    static bool Applies(const MatrixD& inMatrix);

    // inTexels: the source rectangle's top-left pixel (B, G, R, A in memory),
    // rows inStride pixels apart; inSourceLeft and inSourceTop its position in
    // the coordinates the matrix maps from. Destination columns inLeft … inRight − 1.
    AreaSampler(const std::uint32_t* inTexels, std::ptrdiff_t inStride, int inWidth, int inHeight, int inSourceLeft,
                int inSourceTop, const MatrixD& inMatrix, int inLeft, int inRight);

    // One destination row: 4 bytes per pixel into outSamples, and in outCovered
    // 1 where the pixel's centre falls inside the source rectangle, else 0.
    void Row(int inY, std::uint8_t* outSamples, std::uint8_t* outCovered);

private:
    static constexpr int kWeightBits = 12;

    // The source pixels one destination pixel spans along an axis, with weights summing to 1 << kWeightBits.
    struct Span {
        int mFirst = 0;
        int mCount = 0;            // 0: not covered
        std::size_t mWeights = 0;  // index of the first weight
    };
    // The weighted sums across one source row, 4 channels per destination column.
    void SumRow(const std::uint32_t* inRow, std::uint32_t* outSums) const;
    static void MakeSpans(double inScale, double inOffset, int inSourceSize, int inFrom, int inTo,
                          std::vector<Span>& outSpans, std::vector<std::uint32_t>& outWeights);

    const std::uint32_t* mTexels;
    std::ptrdiff_t mStride;
    int mWidth;
    int mHeight;
    double mScaleY;
    double mOffsetY;
    std::vector<Span> mColumns;
    std::vector<std::uint32_t> mColumnWeights;
    std::vector<Span> mRowSpan;
    std::vector<std::uint32_t> mRowWeights;
    std::vector<std::uint32_t> mSums;  // the destination row being gathered
    std::vector<std::uint32_t> mRowSums;
    std::vector<std::uint32_t> mKeptSums;  // SumRow of source row mKeptRow
    int mKeptRow = -1;
};

}  // namespace vximaging
