// Shared body of the decoder fuzz targets: every entry of one codec on arbitrary bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "codecs/CodecRegistry.h"

namespace vx::codecs {

inline int FuzzOneCodec(ImageFormat inFormat, const uint8_t* inData, size_t inSize)
{
    const Codec& theCodec = CodecRegistry::ForFormat(inFormat);
    const Bytes theBytes(inData, inSize);
    // A store-sized limit keeps single inputs inside the fuzzer's memory budget.
    DecodeOptions theOptions;
    theOptions.mMaxPixels = uint64_t(1) << 22;
    theOptions.mMaxSide = kStoreSideLimit;
    const Result<uint32_t> theCount = theCodec.ImageCount(theBytes);
    const uint32_t theImages = theCount ? std::min<uint32_t>(*theCount, 3) : 1;
    for (uint32_t theIndex = 1; theIndex <= theImages; ++theIndex) {
        const Result<ImageInfo> theInfo = theCodec.Info(theBytes, theIndex);
        const Result<DecodedImage> theImage = theCodec.Decode(theBytes, theIndex, theOptions);
        if (theImage && theImage->mPixels.size() != theImage->RowBytes() * theImage->mInfo.mHeight) {
            __builtin_trap();
        }
        if (theImage && theInfo &&
            (theInfo->mWidth != theImage->mInfo.mWidth || theInfo->mHeight != theImage->mInfo.mHeight)) {
            __builtin_trap();
        }
    }
    return 0;
}

}  // namespace vx::codecs
