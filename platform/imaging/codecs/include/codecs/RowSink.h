// Where a streamed decode puts its picture: rows in order, top first, so that a caller working
// down the picture never holds all of it.
#pragma once

#include <cstdint>

#include "codecs/ImageInfo.h"
#include "codecs/Status.h"

namespace vx::codecs {

class RowSink {
public:
    virtual ~RowSink() = default;
    // Once, before any row, with the picture's facts at the size it is decoded to. Anything
    // but kOk ends the decode with that status.
    virtual Status Begin(const ImageInfo& inInfo) = 0;
    // inCount rows from row inFirst: B, G, R, A straight, packed (width * 4 bytes a row), valid
    // for this call only. Called from inside the decoder, so it must neither throw nor allocate.
    virtual void Take(const uint8_t* inRows, uint32_t inFirst, uint32_t inCount) noexcept = 0;
};

}  // namespace vx::codecs
