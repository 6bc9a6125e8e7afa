#include "codecs/CodecNames.h"

#include "codecs/Codec.h"

namespace vx::codecs {

namespace {

constexpr CodecName kNames[] = {
    {"PNG", FourCharCode("png ")}, {"JPEG", FourCharCode("jpeg")}, {"GIF", FourCharCode("gif ")},
    {"BMP", FourCharCode("bmp ")}, {"TIFF", FourCharCode("tiff")}, {"WebP", FourCharCode("webp")},
    {"Raw", FourCharCode("raw ")},
};

}  // namespace

std::span<const CodecName> CodecNameList()
{
    return kNames;
}

}  // namespace vx::codecs
