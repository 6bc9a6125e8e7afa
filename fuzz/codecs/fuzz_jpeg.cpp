#include "FuzzCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize)
{
    return vx::codecs::FuzzOneCodec(vx::codecs::ImageFormat::kJpeg, inData, inSize);
}
