#include "PngCodec.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>

#include "ByteOrder.h"
#include "IndexedPicture.h"
#include "PngForm.h"
#include "PngWriter.h"

namespace vx::codecs {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr std::string_view kMimeTypes[] = {"image/png", "image/x-png"};
// Deflate cannot expand one byte into more than 1032; anything beyond announces data that is
// not there.
constexpr uint64_t kDeflateRatio = 1032;
constexpr png_alloc_size_t kChunkMemoryLimit = png_alloc_size_t(16) << 20;

// What a walk over the chunks learns before libpng sees the data.
struct PngLayout {
    uint32_t mWidth = 0;
    uint32_t mHeight = 0;
    uint8_t mBitDepth = 0;
    uint8_t mColorType = 0;
    uint32_t mResolution = 72;
    uint64_t mImageDataBytes = 0;
};

bool ValidDepthForType(uint8_t inBitDepth, uint8_t inColorType)
{
    switch (inColorType) {
    case 0:
        return inBitDepth == 1 || inBitDepth == 2 || inBitDepth == 4 || inBitDepth == 8 || inBitDepth == 16;
    case 3:
        return inBitDepth == 1 || inBitDepth == 2 || inBitDepth == 4 || inBitDepth == 8;
    case 2:
    case 4:
    case 6:
        return inBitDepth == 8 || inBitDepth == 16;
    default:
        return false;
    }
}

uint32_t ChannelsOf(uint8_t inColorType)
{
    switch (inColorType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

// Walks every chunk to IEND, checking each length against the bytes present, so that libpng
// is never told to allocate for data that is not there.
Result<PngLayout> WalkChunks(Bytes inBytes)
{
    PngLayout theLayout;
    size_t thePos = sizeof kSignature;
    bool theFirst = true;
    for (;;) {
        if (inBytes.size() - thePos < 12) {
            return Fail(Status::kTruncated);
        }
        const uint8_t* theChunk = inBytes.data() + thePos;
        const uint32_t theLength = ReadBE32(theChunk);
        const uint8_t* theData = theChunk + 8;
        if (theLength > 0x7fffffffu) {
            return Fail(Status::kCorrupt);
        }
        if (theLength > inBytes.size() - thePos - 12) {
            return Fail(Status::kTruncated);
        }
        const bool theIsHeader = std::memcmp(theChunk + 4, "IHDR", 4) == 0;
        if (theFirst != theIsHeader) {
            return Fail(Status::kCorrupt);
        }
        if (theIsHeader) {
            if (theLength != 13) {
                return Fail(Status::kCorrupt);
            }
            theLayout.mWidth = ReadBE32(theData);
            theLayout.mHeight = ReadBE32(theData + 4);
            theLayout.mBitDepth = theData[8];
            theLayout.mColorType = theData[9];
            if (theLayout.mWidth == 0 || theLayout.mHeight == 0 || theLayout.mWidth > 0x7fffffffu ||
                theLayout.mHeight > 0x7fffffffu || !ValidDepthForType(theLayout.mBitDepth, theLayout.mColorType) ||
                theData[10] != 0 || theData[11] != 0 || theData[12] > 1) {
                return Fail(Status::kCorrupt);
            }
        } else if (std::memcmp(theChunk + 4, "IDAT", 4) == 0) {
            theLayout.mImageDataBytes += theLength;
        } else if (std::memcmp(theChunk + 4, "pHYs", 4) == 0 && theLength == 9 && theData[8] == 1) {
            theLayout.mResolution = DpiFromPixelsPerMetre(ReadBE32(theData));
        } else if (std::memcmp(theChunk + 4, "IEND", 4) == 0) {
            break;
        }
        theFirst = false;
        thePos += size_t(theLength) + 12;
    }
    if (theLayout.mImageDataBytes == 0) {
        return Fail(Status::kDataInconsistent);
    }
    return theLayout;
}

int16_t DepthOf(const PngLayout& inLayout)
{
    switch (inLayout.mColorType) {
    case 0:
        return inLayout.mBitDepth == 1 ? 1 : 8;
    case 3:
        return inLayout.mBitDepth;
    case 2:
        return 24;
    default:
        return 32;  // grey or colour with alpha
    }
}

ImageInfo InfoOf(const PngLayout& inLayout)
{
    ImageInfo theInfo;
    theInfo.mWidth = inLayout.mWidth;
    theInfo.mHeight = inLayout.mHeight;
    theInfo.mDepth = DepthOf(inLayout);
    theInfo.mResolution = inLayout.mResolution;
    theInfo.mFormatName = "PNG";
    theInfo.mImageCount = 1;
    return theInfo;
}

struct PngSource {
    const uint8_t* mData;
    size_t mSize;
    size_t mPos;
};

void ReadFromSource(png_structp inPng, png_bytep outData, size_t inLength)
{
    auto* theSource = static_cast<PngSource*>(png_get_io_ptr(inPng));
    if (inLength > theSource->mSize - theSource->mPos) {
        png_error(inPng, "read past the end");
    }
    std::memcpy(outData, theSource->mData + theSource->mPos, inLength);
    theSource->mPos += inLength;
}

struct PngSink {
    std::vector<uint8_t>* mBytes;
};

void WriteToSink(png_structp inPng, png_bytep inData, size_t inLength)
{
    auto* theSink = static_cast<PngSink*>(png_get_io_ptr(inPng));
    bool theFailed = false;
    try {
        theSink->mBytes->insert(theSink->mBytes->end(), inData, inData + inLength);
    } catch (...) {
        theFailed = true;
    }
    if (theFailed) {
        png_error(inPng, "out of memory");
    }
}

void FlushSink(png_structp) {}

[[noreturn]] void OnPngError(png_structp inPng, png_const_charp)
{
    png_longjmp(inPng, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct ReadDeleter {
    png_structp mPng = nullptr;
    png_infop mInfo = nullptr;
    ~ReadDeleter() { png_destroy_read_struct(&mPng, mInfo ? &mInfo : nullptr, nullptr); }
};

struct WriteDeleter {
    png_structp mPng = nullptr;
    png_infop mInfo = nullptr;
    ~WriteDeleter() { png_destroy_write_struct(&mPng, mInfo ? &mInfo : nullptr); }
};

// The leaf functions below own nothing with a destructor, so libpng's jump back skips nothing.

bool ReadHeaderLeaf(png_structp inPng, png_infop inInfo)
{
    if (setjmp(png_jmpbuf(inPng))) {
        return false;
    }
    png_read_info(inPng, inInfo);
    png_set_expand(inPng);
    png_set_scale_16(inPng);
    png_set_gray_to_rgb(inPng);
    png_set_bgr(inPng);
    png_set_add_alpha(inPng, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(inPng);
    png_read_update_info(inPng, inInfo);
    return true;
}

bool ReadRowsLeaf(png_structp inPng, png_bytepp inRows)
{
    if (setjmp(png_jmpbuf(inPng))) {
        return false;
    }
    png_read_image(inPng, inRows);
    return true;
}

// Interlaced files go through libpng, which orders the passes; the rows are already packed.
bool WriteInterlacedLeaf(png_structp inPng, png_infop inInfo, const PngForm& inForm, int inLevel,
                         const std::vector<png_color>& inPalette, const std::vector<png_byte>& inAlphas,
                         png_bytepp inRows)
{
    if (setjmp(png_jmpbuf(inPng))) {
        return false;
    }
    png_set_compression_level(inPng, inLevel);
    png_set_IHDR(inPng, inInfo, inForm.Width(), inForm.Height(), inForm.BitDepth(), int(inForm.ColorType()),
                 PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!inPalette.empty()) {
        png_set_PLTE(inPng, inInfo, inPalette.data(), int(inPalette.size()));
    }
    if (!inAlphas.empty()) {
        png_set_tRNS(inPng, inInfo, inAlphas.data(), int(inAlphas.size()), nullptr);
    }
    png_write_info(inPng, inInfo);
    png_write_image(inPng, inRows);
    png_write_end(inPng, inInfo);
    return true;
}

Status WriteInterlaced(const PngForm& inForm, int32_t inQuality, std::vector<uint8_t>& outBytes)
{
    std::vector<uint8_t> thePacked(inForm.RowBytes() * inForm.Height());
    std::vector<png_bytep> theRows(inForm.Height());
    for (uint32_t theY = 0; theY < inForm.Height(); ++theY) {
        theRows[theY] = thePacked.data() + inForm.RowBytes() * theY;
        inForm.PackRow(theY, theRows[theY]);
    }
    std::vector<png_color> thePalette;
    std::vector<png_byte> theAlphas;
    if (inForm.ColorType() == PngColorType::kPalette) {
        for (const auto& theColor : inForm.Colors()) {
            thePalette.push_back({theColor[2], theColor[1], theColor[0]});
        }
        for (size_t theIndex = 0; theIndex < inForm.TranslucentCount(); ++theIndex) {
            theAlphas.push_back(inForm.Colors()[theIndex][3]);
        }
    }
    WriteDeleter theWriter;
    theWriter.mPng = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (theWriter.mPng == nullptr || (theWriter.mInfo = png_create_info_struct(theWriter.mPng)) == nullptr) {
        return Fail(Status::kTooLarge);
    }
    PngSink theSink{&outBytes};
    png_set_write_fn(theWriter.mPng, &theSink, WriteToSink, FlushSink);
    const int theLevel = std::clamp((inQuality * 9 + 512) / 1024, 1, 9);
    if (!WriteInterlacedLeaf(theWriter.mPng, theWriter.mInfo, inForm, theLevel, thePalette, theAlphas,
                             theRows.data())) {
        return Fail(Status::kTooLarge);
    }
    return Status::kOk;
}

Status WriteForm(const PngForm& inForm, const EncodeOptions& inOptions, std::vector<uint8_t>& outBytes)
{
    if (inOptions.mInterlace == Interlace::kInterlaced) {
        return WriteInterlaced(inForm, inOptions.mQuality, outBytes);
    }
    return WriteProgressivePng(inForm, PngDeflateLevel(inOptions.mQuality), outBytes);
}

}  // namespace

MimeInfo PngCodec::Mime() const
{
    return {"png", kMimeTypes, "PNG"};
}

uint32_t PngCodec::DefaultExtension() const
{
    return FourCharCode("png ");
}

bool PngCodec::OnSniff(Bytes inBytes) const
{
    return inBytes.size() >= sizeof kSignature && std::memcmp(inBytes.data(), kSignature, sizeof kSignature) == 0;
}

Result<ImageInfo> PngCodec::OnInfo(Bytes inBytes, uint32_t inImageIndex) const
{
    if (inImageIndex != 0) {
        return Fail(Status::kParameter);
    }
    const Result<PngLayout> theLayout = WalkChunks(inBytes);
    if (!theLayout) {
        return theLayout.Error();
    }
    return InfoOf(*theLayout);
}

Result<DecodedImage> PngCodec::OnDecode(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions) const
{
    if (inImageIndex != 0) {
        return Fail(Status::kParameter);
    }
    const Result<PngLayout> theLayout = WalkChunks(inBytes);
    if (!theLayout) {
        return theLayout.Error();
    }
    const Status theSize = CheckDecodeSize(theLayout->mWidth, theLayout->mHeight, inOptions);
    if (theSize != Status::kOk) {
        return theSize;
    }
    const uint64_t theRowBytes =
        (uint64_t(theLayout->mWidth) * ChannelsOf(theLayout->mColorType) * theLayout->mBitDepth + 7) / 8;
    if ((theRowBytes + 1) * theLayout->mHeight > theLayout->mImageDataBytes * kDeflateRatio + 1024) {
        return Fail(Status::kTruncated);
    }

    ReadDeleter theReader;
    theReader.mPng = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (theReader.mPng == nullptr || (theReader.mInfo = png_create_info_struct(theReader.mPng)) == nullptr) {
        return Fail(Status::kTooLarge);
    }
    PngSource theSource{inBytes.data(), inBytes.size(), 0};
    png_set_read_fn(theReader.mPng, &theSource, ReadFromSource);
    png_set_user_limits(theReader.mPng, 0x7fffffff, 0x7fffffff);
    png_set_chunk_malloc_max(theReader.mPng, kChunkMemoryLimit);
    // Text, profiles and unknown chunks are of no use here; skip them unread.
    png_set_keep_unknown_chunks(theReader.mPng, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    static const png_byte kSkipped[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0";
    png_set_keep_unknown_chunks(theReader.mPng, PNG_HANDLE_CHUNK_NEVER, kSkipped, 6);
    if (!ReadHeaderLeaf(theReader.mPng, theReader.mInfo)) {
        return Fail(Status::kCorrupt);
    }
    if (png_get_image_width(theReader.mPng, theReader.mInfo) != theLayout->mWidth ||
        png_get_image_height(theReader.mPng, theReader.mInfo) != theLayout->mHeight ||
        png_get_rowbytes(theReader.mPng, theReader.mInfo) != size_t(theLayout->mWidth) * 4) {
        return Fail(Status::kCorrupt);
    }

    DecodedImage theImage;
    theImage.mInfo = InfoOf(*theLayout);
    theImage.mPixels.assign(theImage.RowBytes() * theImage.mInfo.mHeight, 0);
    std::vector<png_bytep> theRows(theImage.mInfo.mHeight);
    for (uint32_t theY = 0; theY < theImage.mInfo.mHeight; ++theY) {
        theRows[theY] = theImage.mPixels.data() + theImage.RowBytes() * theY;
    }
    if (!ReadRowsLeaf(theReader.mPng, theRows.data())) {
        return Fail(Status::kDataInconsistent);
    }
    return theImage;
}

Status PngCodec::OnEncode(const PictureView& inPicture, std::vector<uint8_t>& outBytes,
                          const EncodeOptions& inOptions) const
{
    switch (inOptions.mDepth) {
    case 0:
        return WriteForm(PngForm::Smallest(inPicture), inOptions, outBytes);
    case 16:
    case 24:
    case 32:
        return WriteForm(PngForm::Direct(inPicture, inOptions.mDepth == 32), inOptions, outBytes);
    case 1:
    case 8: {
        const IndexedPicture theIndexed = IndexedPicture::Make(inPicture, inOptions.mDepth);
        const std::vector<uint8_t> thePacked = theIndexed.PackedRows(inOptions.mDepth, 1);
        return WriteForm(PngForm::Indexed(inPicture.mWidth, inPicture.mHeight, inOptions.mDepth, thePacked.data(),
                                          theIndexed.mColors),
                         inOptions, outBytes);
    }
    default:
        return Fail(Status::kUnsupported);
    }
}

}  // namespace vx::codecs
