// A higher-quality reduction than area averaging: a separable Lanczos-3
// filter, widened by the reduction so that detail finer than the destination
// can hold is removed instead of folded back as moiré. It resamples the part
// of a picture a scale-only matrix puts inside a window onto whole
// destination pixels, so that what is left is a 1:1 copy.
#pragma once

#include "MatrixMath.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vximaging {

struct ResampledPart {
    // Destination pixel of the part's top-left pixel.
    int mLeft = 0;
    int mTop = 0;
    std::uint32_t mWidth = 0;  // 0: nothing of the picture falls inside the window
    std::uint32_t mHeight = 0;
    std::vector<std::uint8_t> mPixels;  // B, G, R, A straight, rows packed
};

// inPixels: inWidth x inHeight, B, G, R, A straight, rows packed. The source
// rectangle (left, top, right, bottom) is clamped to the picture; pixels
// beyond it are its edge pixels repeated. The matrix must be one AreaSampler
// applies to. The window (left, top, right, bottom) bounds the destination.
ResampledPart LanczosResample(const std::uint8_t* inPixels, std::uint32_t inWidth, std::uint32_t inHeight,
                              const int inSource[4], const MatrixD& inMatrix, const int inWindow[4]);

// The same, taking the picture's rows as they come, so that a decoder can hand
// them over a band at a time. Rows come in order from the top, each once; those
// the part does not need are passed over.
class LanczosResampler {
public:
    LanczosResampler(std::uint32_t inWidth, std::uint32_t inHeight, const int inSource[4], const MatrixD& inMatrix,
                     const int inWindow[4]);
    ~LanczosResampler();
    LanczosResampler(const LanczosResampler&) = delete;
    LanczosResampler& operator=(const LanczosResampler&) = delete;

    // inCount rows of the picture from row inFirst, inRowBytes apart, each of
    // inWidth pixels as for LanczosResample. Allocates nothing.
    void Take(const std::uint8_t* inRows, std::size_t inRowBytes, std::uint32_t inFirst,
              std::uint32_t inCount) noexcept;
    ResampledPart& Part() { return mPart; }

private:
    struct State;
    std::unique_ptr<State> mState;  // null: nothing of the picture falls inside the window
    ResampledPart mPart;
};

}  // namespace vximaging
