#pragma once
// giflib reading a GIF from memory: the tests decode what the writer made without a file.
#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vxtest {

// Pass one as DGifOpen's user data, with ReadGifMemory as its input function.
struct GifMemory {
    const std::vector<std::uint8_t>* mData;
    std::size_t mAt = 0;
};

inline int ReadGifMemory(GifFileType* inFile, GifByteType* outBytes, int inCount)
{
    auto* theMemory = static_cast<GifMemory*>(inFile->UserData);
    const std::size_t theCount = std::min<std::size_t>(std::size_t(inCount), theMemory->mData->size() - theMemory->mAt);
    std::memcpy(outBytes, theMemory->mData->data() + theMemory->mAt, theCount);
    theMemory->mAt += theCount;
    return int(theCount);
}

}  // namespace vxtest
