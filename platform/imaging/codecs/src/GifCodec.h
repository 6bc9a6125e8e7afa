// The GIF codec.
#pragma once

#include "codecs/Codec.h"

namespace vx::codecs {

class GifCodec final : public Codec {
public:
    ImageFormat Format() const override { return ImageFormat::kGif; }
    std::string_view Name() const override { return "GIF"; }
    MimeInfo Mime() const override;
    uint32_t DefaultExtension() const override;
    bool CanEncode() const override { return false; }

protected:
    bool OnSniff(Bytes inBytes) const override;
    Result<uint32_t> OnImageCount(Bytes inBytes) const override;
    Result<ImageInfo> OnInfo(Bytes inBytes, uint32_t inImageIndex) const override;
    Result<ImageInfos> OnDescribe(Bytes inBytes) const override;
    Result<DecodedImage> OnDecode(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions) const override;
};

}  // namespace vx::codecs
