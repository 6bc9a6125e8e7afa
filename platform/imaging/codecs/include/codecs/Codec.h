// One codec per picture format behind one interface. The public entries check their arguments
// and the format's signature, then call the format's own work; they never throw. Codecs hold no
// state, so one instance serves any number of threads at once.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "codecs/DecodeOptions.h"
#include "codecs/DecodedImage.h"
#include "codecs/EncodeOptions.h"
#include "codecs/ImageInfo.h"
#include "codecs/PictureView.h"
#include "codecs/Result.h"
#include "codecs/RowSink.h"
#include "codecs/Status.h"

namespace vx::codecs {

enum class ImageFormat { kPng, kJpeg, kGif, kBmp, kTiff, kWebp };

using Bytes = std::span<const uint8_t>;

// What an importer or exporter lists in its MIME type list.
struct MimeInfo {
    std::string_view mExtensions;                  // comma-separated, without dots
    std::span<const std::string_view> mMimeTypes;  // the preferred one first
    std::string_view mDescription;
};

constexpr uint32_t FourCharCode(const char (&inText)[5])
{
    return uint32_t(uint8_t(inText[0])) << 24 | uint32_t(uint8_t(inText[1])) << 16 | uint32_t(uint8_t(inText[2])) << 8 |
           uint32_t(uint8_t(inText[3]));
}

class Codec {
public:
    virtual ~Codec() = default;

    virtual ImageFormat Format() const = 0;
    virtual std::string_view Name() const = 0;  // the format name images report
    virtual MimeInfo Mime() const = 0;
    virtual uint32_t DefaultExtension() const = 0;  // the exporter's file-name extension, e.g. 'png '
    virtual bool CanEncode() const = 0;
    virtual bool HasInterlace() const { return false; }

    // True when the bytes start like this format (nothing else is checked).
    bool Sniff(Bytes inBytes) const;

    // Number of images; kNotThisFormat when the signature does not match.
    Result<uint32_t> ImageCount(Bytes inBytes) const;

    // inImageIndex is 1-based; beyond the count gives kParameter.
    Result<ImageInfo> Info(Bytes inBytes, uint32_t inImageIndex) const;
    // Every image's facts from one reading of the file: entry i is image i + 1's, or the reason
    // its headers do not read. Fails as ImageCount does.
    using ImageInfos = std::vector<Result<ImageInfo>>;
    Result<ImageInfos> Describe(Bytes inBytes) const;
    Result<DecodedImage> Decode(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions = {}) const;
    // The same picture handed to outSink as it is decoded. On a failure the sink may have taken
    // some rows already: what it made of them is to be dropped.
    Status DecodeInto(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions, RowSink& outSink) const;

    // Appends the file's bytes to outBytes; on failure outBytes is as it was.
    Status Encode(const PictureView& inPicture, std::vector<uint8_t>& outBytes,
                  const EncodeOptions& inOptions = {}) const;

protected:
    virtual bool OnSniff(Bytes inBytes) const = 0;
    // Counts images; the default suits single-image formats: 1 once image 1's header reads.
    virtual Result<uint32_t> OnImageCount(Bytes inBytes) const;
    // inImageIndex is 0-based here and below.
    virtual Result<ImageInfo> OnInfo(Bytes inBytes, uint32_t inImageIndex) const = 0;
    // The default asks OnInfo for each image: formats of many images do it in one pass.
    virtual Result<ImageInfos> OnDescribe(Bytes inBytes) const;
    virtual Result<DecodedImage> OnDecode(Bytes inBytes, uint32_t inImageIndex,
                                          const DecodeOptions& inOptions) const = 0;
    // The default decodes the whole picture, then hands it over.
    virtual Status OnDecodeInto(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions,
                                RowSink& outSink) const;
    virtual Status OnEncode(const PictureView& inPicture, std::vector<uint8_t>& outBytes,
                            const EncodeOptions& inOptions) const;
};

}  // namespace vx::codecs
