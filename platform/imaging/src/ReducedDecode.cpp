#include "ReducedDecode.h"

#include "codecs/Codec.h"

#include <algorithm>

namespace vximaging {

std::uint32_t ChooseReduction(const vx::codecs::Codec& inCodec, const MatrixRecord& inMatrix, std::uint32_t inKeep)
{
    if (inCodec.Format() != vx::codecs::ImageFormat::kJpeg)
        return 1;
    const auto& m = inMatrix.matrix;
    if (m[0][1] != 0 || m[1][0] != 0 || m[0][2] != 0 || m[1][2] != 0 || m[2][2] != fract1)
        return 1;
    if (m[0][0] <= 0 || m[1][1] <= 0)
        return 1;
    const std::int64_t theLargest = std::max(m[0][0], m[1][1]);
    for (const std::uint32_t theReduction : {8u, 4u, 2u})
        if (theLargest * theReduction * inKeep <= fixed1)
            return theReduction;
    return 1;
}

void ApplyReduction(std::uint32_t inReduction, MatrixRecord& ioMatrix, Rect* ioSource)
{
    if (inReduction <= 1)
        return;
    const auto theFactor = std::int32_t(inReduction);
    // A reduced pixel covers inReduction full pixels: the scale grows by that much, the offset stays.
    ioMatrix.matrix[0][0] *= theFactor;
    ioMatrix.matrix[1][1] *= theFactor;
    if (ioSource == nullptr)
        return;
    const auto theDown = [theFactor](std::int16_t inValue) {
        return std::int16_t(inValue >= 0 ? inValue / theFactor : -((-inValue + theFactor - 1) / theFactor));
    };
    const auto theUp = [theFactor](std::int16_t inValue) {
        return std::int16_t(inValue >= 0 ? (inValue + theFactor - 1) / theFactor : -(-inValue / theFactor));
    };
    *ioSource = Rect{theDown(ioSource->top), theDown(ioSource->left), theUp(ioSource->bottom), theUp(ioSource->right)};
}

}  // namespace vximaging
