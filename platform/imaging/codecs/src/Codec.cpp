#include "codecs/Codec.h"

#include <new>

namespace vx::codecs {

namespace {

constexpr uint32_t kMaxEncodeSide = 65535;

bool ValidView(const PictureView& inPicture)
{
    return inPicture.mPixels != nullptr && inPicture.mWidth != 0 && inPicture.mHeight != 0 &&
           inPicture.mWidth <= kMaxEncodeSide && inPicture.mHeight <= kMaxEncodeSide &&
           inPicture.mRowBytes >= size_t(inPicture.mWidth) * 4;
}

bool KnownDepth(int16_t inDepth)
{
    switch (inDepth) {
    case 0:
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool Codec::Sniff(Bytes inBytes) const
{
    return !inBytes.empty() && OnSniff(inBytes);
}

Result<uint32_t> Codec::ImageCount(Bytes inBytes) const
{
    if (!Sniff(inBytes)) {
        return Fail(Status::kNotThisFormat);
    }
    try {
        return OnImageCount(inBytes);
    } catch (const std::bad_alloc&) {
        return Fail(Status::kTooLarge);
    }
}

Result<ImageInfo> Codec::Info(Bytes inBytes, uint32_t inImageIndex) const
{
    if (!Sniff(inBytes)) {
        return Fail(Status::kNotThisFormat);
    }
    if (inImageIndex == 0) {
        return Fail(Status::kParameter);
    }
    try {
        return OnInfo(inBytes, inImageIndex - 1);
    } catch (const std::bad_alloc&) {
        return Fail(Status::kTooLarge);
    }
}

Result<Codec::ImageInfos> Codec::Describe(Bytes inBytes) const
{
    if (!Sniff(inBytes)) {
        return Fail(Status::kNotThisFormat);
    }
    try {
        return OnDescribe(inBytes);
    } catch (const std::bad_alloc&) {
        return Fail(Status::kTooLarge);
    }
}

Result<DecodedImage> Codec::Decode(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions) const
{
    if (!Sniff(inBytes)) {
        return Fail(Status::kNotThisFormat);
    }
    if (inImageIndex == 0) {
        return Fail(Status::kParameter);
    }
    try {
        return OnDecode(inBytes, inImageIndex - 1, inOptions);
    } catch (const std::bad_alloc&) {
        return Fail(Status::kTooLarge);
    }
}

Status Codec::DecodeInto(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions, RowSink& outSink) const
{
    if (!Sniff(inBytes)) {
        return Fail(Status::kNotThisFormat);
    }
    if (inImageIndex == 0) {
        return Fail(Status::kParameter);
    }
    try {
        return OnDecodeInto(inBytes, inImageIndex - 1, inOptions, outSink);
    } catch (const std::bad_alloc&) {
        return Fail(Status::kTooLarge);
    }
}

Status Codec::OnDecodeInto(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions, RowSink& outSink) const
{
    Result<DecodedImage> theImage = OnDecode(inBytes, inImageIndex, inOptions);
    if (!theImage) {
        return theImage.Error();
    }
    const Status theStatus = outSink.Begin(theImage->mInfo);
    if (theStatus == Status::kOk) {
        outSink.Take(theImage->mPixels.data(), 0, theImage->mInfo.mHeight);
    }
    return theStatus;
}

Status Codec::Encode(const PictureView& inPicture, std::vector<uint8_t>& outBytes, const EncodeOptions& inOptions) const
{
    if (!ValidView(inPicture) || inOptions.mQuality < 0 || inOptions.mQuality > kLosslessQuality ||
        !KnownDepth(inOptions.mDepth)) {
        return Fail(Status::kParameter);
    }
    if (!CanEncode() || (inOptions.mInterlace != Interlace::kNone && !HasInterlace())) {
        return Fail(Status::kUnsupported);
    }
    try {
        std::vector<uint8_t> theFile;
        const Status theStatus = OnEncode(inPicture, theFile, inOptions);
        if (theStatus != Status::kOk) {
            return theStatus;
        }
        outBytes.insert(outBytes.end(), theFile.begin(), theFile.end());
        return Status::kOk;
    } catch (const std::bad_alloc&) {
        return Fail(Status::kTooLarge);
    }
}

Result<uint32_t> Codec::OnImageCount(Bytes inBytes) const
{
    const Result<ImageInfo> theInfo = OnInfo(inBytes, 0);
    if (!theInfo) {
        return theInfo.Error();
    }
    return uint32_t(1);
}

Result<Codec::ImageInfos> Codec::OnDescribe(Bytes inBytes) const
{
    const Result<uint32_t> theCount = OnImageCount(inBytes);
    if (!theCount) {
        return theCount.Error();
    }
    ImageInfos theInfos;
    theInfos.reserve(*theCount);
    for (uint32_t theIndex = 0; theIndex < *theCount; ++theIndex) {
        theInfos.push_back(OnInfo(inBytes, theIndex));
    }
    return theInfos;
}

Status Codec::OnEncode(const PictureView&, std::vector<uint8_t>&, const EncodeOptions&) const
{
    return Fail(Status::kUnsupported);
}

}  // namespace vx::codecs
