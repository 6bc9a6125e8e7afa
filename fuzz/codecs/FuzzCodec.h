// Shared body of the decoder fuzz targets: every entry of one codec on arbitrary bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "codecs/CodecRegistry.h"

namespace vx::codecs {

// Checks that a streamed decode hands over each row once, in order, and reads every byte of it.
class CheckingSink final : public RowSink {
public:
    Status Begin(const ImageInfo& inInfo) override
    {
        mRowBytes = size_t(inInfo.mWidth) * 4;
        mHeight = inInfo.mHeight;
        return Status::kOk;
    }
    void Take(const uint8_t* inRows, uint32_t inFirst, uint32_t inCount) noexcept override
    {
        if (inFirst != mNext || inCount == 0 || inCount > mHeight - inFirst) {
            __builtin_trap();
        }
        for (size_t i = 0; i < mRowBytes * inCount; ++i) {
            mSum += inRows[i];
        }
        mNext += inCount;
    }
    uint32_t mNext = 0;
    uint32_t mHeight = 0;
    uint64_t mSum = 0;

private:
    size_t mRowBytes = 0;
};

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
        if (theIndex == 1) {
            CheckingSink theSink;
            const Status theStatus = theCodec.DecodeInto(theBytes, theIndex, theOptions, theSink);
            if ((theStatus == Status::kOk) != theImage.Ok() || (theImage && theSink.mNext != theSink.mHeight) ||
                (theImage && theSink.mHeight != theImage->mInfo.mHeight)) {
                __builtin_trap();
            }
        }
    }
    return 0;
}

}  // namespace vx::codecs
