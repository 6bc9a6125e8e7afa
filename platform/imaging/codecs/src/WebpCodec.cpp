#include "WebpCodec.h"

#include <webp/decode.h>
#include <webp/encode.h>

#include <algorithm>
#include <cstring>

#include "ByteOrder.h"

namespace vx::codecs {

namespace {

constexpr std::string_view kMimeTypes[] = {"image/webp"};
constexpr uint32_t kRiffHeaderSize = 12;

// The RIFF size must be backed by the bytes present; libwebp is then asked for the features.
Result<WebPBitstreamFeatures> ReadFeatures(Bytes inBytes)
{
    if (inBytes.size() < kRiffHeaderSize + 8) {
        return Fail(Status::kTruncated);
    }
    const uint64_t theRiffSize = ReadLE32(inBytes.data() + 4);
    if (theRiffSize + 8 > inBytes.size()) {
        return Fail(Status::kTruncated);
    }
    WebPBitstreamFeatures theFeatures;
    switch (WebPGetFeatures(inBytes.data(), inBytes.size(), &theFeatures)) {
    case VP8_STATUS_OK:
        break;
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return Fail(Status::kTruncated);
    default:
        return Fail(Status::kCorrupt);
    }
    // NOTE: animations would need the demultiplexer; they are refused as a whole.
    if (theFeatures.has_animation || theFeatures.width <= 0 || theFeatures.height <= 0) {
        return Fail(Status::kCorrupt);
    }
    return theFeatures;
}

ImageInfo InfoOf(const WebPBitstreamFeatures& inFeatures)
{
    ImageInfo theInfo;
    theInfo.mWidth = uint32_t(inFeatures.width);
    theInfo.mHeight = uint32_t(inFeatures.height);
    theInfo.mDepth = inFeatures.has_alpha ? 32 : 24;
    theInfo.mResolution = 72;
    theInfo.mFormatName = "WebP";
    theInfo.mImageCount = 1;
    return theInfo;
}

int WriteToVector(const uint8_t* inData, size_t inSize, const WebPPicture* inPicture)
{
    auto* theOut = static_cast<std::vector<uint8_t>*>(inPicture->custom_ptr);
    try {
        theOut->insert(theOut->end(), inData, inData + inSize);
    } catch (...) {
        return 0;
    }
    return 1;
}

struct PictureFreer {
    WebPPicture* mPicture;
    ~PictureFreer() { WebPPictureFree(mPicture); }
};

}  // namespace

MimeInfo WebpCodec::Mime() const
{
    return {"webp", kMimeTypes, "WebP"};
}

uint32_t WebpCodec::DefaultExtension() const
{
    return FourCharCode("webp");
}

bool WebpCodec::OnSniff(Bytes inBytes) const
{
    return inBytes.size() >= kRiffHeaderSize && std::memcmp(inBytes.data(), "RIFF", 4) == 0 &&
           std::memcmp(inBytes.data() + 8, "WEBP", 4) == 0;
}

Result<ImageInfo> WebpCodec::OnInfo(Bytes inBytes, uint32_t inImageIndex) const
{
    if (inImageIndex != 0) {
        return Fail(Status::kParameter);
    }
    const Result<WebPBitstreamFeatures> theFeatures = ReadFeatures(inBytes);
    if (!theFeatures) {
        return theFeatures.Error();
    }
    return InfoOf(*theFeatures);
}

Result<DecodedImage> WebpCodec::OnDecode(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions) const
{
    if (inImageIndex != 0) {
        return Fail(Status::kParameter);
    }
    const Result<WebPBitstreamFeatures> theFeatures = ReadFeatures(inBytes);
    if (!theFeatures) {
        return theFeatures.Error();
    }
    const Status theSize = CheckDecodeSize(uint32_t(theFeatures->width), uint32_t(theFeatures->height), inOptions);
    if (theSize != Status::kOk) {
        return theSize;
    }
    DecodedImage theImage;
    theImage.mInfo = InfoOf(*theFeatures);
    theImage.mPixels.resize(theImage.RowBytes() * theImage.mInfo.mHeight);

    WebPDecoderConfig theConfig;
    if (!WebPInitDecoderConfig(&theConfig)) {
        return Fail(Status::kParameter);
    }
    theConfig.output.colorspace = MODE_BGRA;
    theConfig.output.is_external_memory = 1;
    theConfig.output.u.RGBA.rgba = theImage.mPixels.data();
    theConfig.output.u.RGBA.stride = int(theImage.RowBytes());
    theConfig.output.u.RGBA.size = theImage.mPixels.size();
    const VP8StatusCode theCode = WebPDecode(inBytes.data(), inBytes.size(), &theConfig);
    WebPFreeDecBuffer(&theConfig.output);
    switch (theCode) {
    case VP8_STATUS_OK:
        return theImage;
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return Fail(Status::kTruncated);
    case VP8_STATUS_OUT_OF_MEMORY:
        return Fail(Status::kTooLarge);
    default:
        return Fail(Status::kDataInconsistent);
    }
}

Status WebpCodec::OnEncode(const PictureView& inPicture, std::vector<uint8_t>& outBytes,
                           const EncodeOptions& inOptions) const
{
    if (inOptions.mDepth != 0 && inOptions.mDepth != 16 && inOptions.mDepth != 24 && inOptions.mDepth != 32) {
        return Fail(Status::kUnsupported);
    }
    if (inPicture.mWidth > WEBP_MAX_DIMENSION || inPicture.mHeight > WEBP_MAX_DIMENSION) {
        return Fail(Status::kUnsupported);
    }
    const bool theLossless = inOptions.mQuality >= kLosslessQuality;
    WebPConfig theConfig;
    if (!WebPConfigInit(&theConfig)) {
        return Fail(Status::kParameter);
    }
    if (theLossless) {
        WebPConfigLosslessPreset(&theConfig, 6);
        theConfig.exact = 1;  // keep the colour of transparent pixels
    } else {
        theConfig.quality = float(std::min(inOptions.mQuality, 1023)) * 100.0f / 1023.0f;
    }
    WebPPicture thePicture;
    if (!WebPPictureInit(&thePicture)) {
        return Fail(Status::kParameter);
    }
    PictureFreer theFreer{&thePicture};
    thePicture.use_argb = theLossless ? 1 : 0;
    thePicture.width = int(inPicture.mWidth);
    thePicture.height = int(inPicture.mHeight);
    const bool theOpaque = inOptions.mDepth == 16 || inOptions.mDepth == 24;
    const int theImported = theOpaque ? WebPPictureImportBGRX(&thePicture, inPicture.mPixels, int(inPicture.mRowBytes))
                                      : WebPPictureImportBGRA(&thePicture, inPicture.mPixels, int(inPicture.mRowBytes));
    if (!theImported) {
        return Fail(Status::kTooLarge);
    }
    thePicture.writer = WriteToVector;
    thePicture.custom_ptr = &outBytes;
    if (!WebPEncode(&theConfig, &thePicture)) {
        return Fail(thePicture.error_code == VP8_ENC_ERROR_OUT_OF_MEMORY ? Status::kTooLarge : Status::kParameter);
    }
    return Status::kOk;
}

}  // namespace vx::codecs
