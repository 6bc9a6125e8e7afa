// The fast path for pictures drawn much smaller than they are: a JPEG decoded
// at 1/2, 1/4 or 1/8 of its size costs a fraction of the full decode, and the
// drawing then shrinks far less.
#pragma once

#include "imaging/MacTypes.h"
#include "imaging/QuickDraw.h"

#include <cstdint>

namespace vx::codecs {
class Codec;
}

namespace vximaging {

// The largest of 2, 4 and 8 by which the picture can be decoded smaller and
// still have at least inKeep times as many pixels (along each side) as it is
// drawn with; 1 when the codec can't decode smaller or the matrix rotates,
// skews, flips or doesn't shrink enough.
std::uint32_t ChooseReduction(const vx::codecs::Codec& inCodec, const MatrixRecord& inMatrix, std::uint32_t inKeep = 1);

// The matrix and source rectangle (null: none) of the full-size picture,
// turned into those of the picture decoded at 1 / inReduction of its size.
void ApplyReduction(std::uint32_t inReduction, MatrixRecord& ioMatrix, Rect* ioSource);

}  // namespace vximaging
