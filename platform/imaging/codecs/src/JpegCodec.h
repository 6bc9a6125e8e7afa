// The JPEG codec.
#pragma once

#include "codecs/Codec.h"

namespace vx::codecs {

class JpegCodec final : public Codec {
public:
    ImageFormat Format() const override { return ImageFormat::kJpeg; }
    std::string_view Name() const override { return "JPEG"; }
    MimeInfo Mime() const override;
    uint32_t DefaultExtension() const override;
    bool CanEncode() const override { return true; }
    bool HasInterlace() const override { return true; }

protected:
    bool OnSniff(Bytes inBytes) const override;
    Result<ImageInfo> OnInfo(Bytes inBytes, uint32_t inImageIndex) const override;
    Result<DecodedImage> OnDecode(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions) const override;
    Status OnDecodeInto(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions,
                        RowSink& outSink) const override;
    Status OnEncode(const PictureView& inPicture, std::vector<uint8_t>& outBytes,
                    const EncodeOptions& inOptions) const override;
};

}  // namespace vx::codecs
