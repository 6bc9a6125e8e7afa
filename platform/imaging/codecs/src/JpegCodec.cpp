#include "JpegCodec.h"

#include <cstdio>  // jpeglib.h needs FILE
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>

namespace vx::codecs {

namespace {

constexpr std::string_view kMimeTypes[] = {"image/jpeg", "image/pjpeg"};
// A progressive file can repeat scans over the whole picture; beyond this it is hostile.
constexpr int kMaxScans = 100;
constexpr int kMaxWarnings = 100;
constexpr uint64_t kMinMemory = uint64_t(64) << 20;
constexpr uint64_t kMaxMemory = uint64_t(2) << 30;

struct JpegError {
    jpeg_error_mgr mManager;  // first, so the library's pointer is ours
    jmp_buf mJump;
    Status mStatus;
    int mWarnings;
};

[[noreturn]] void Jump(j_common_ptr inInfo, Status inStatus)
{
    auto* theError = reinterpret_cast<JpegError*>(inInfo->err);
    theError->mStatus = inStatus;
    longjmp(theError->mJump, 1);
}

[[noreturn]] void OnJpegError(j_common_ptr inInfo)
{
    const int theCode = inInfo->err->msg_code;
    Jump(inInfo, theCode == JERR_OUT_OF_MEMORY || theCode == JERR_NO_BACKING_STORE || theCode == JERR_IMAGE_TOO_BIG ||
                         theCode == JERR_WIDTH_OVERFLOW
                     ? Status::kTooLarge
                     : Status::kCorrupt);
}

// Warnings that mean lost or invented pixels end the decode; the harmless ones are counted.
void OnJpegMessage(j_common_ptr inInfo, int inLevel)
{
    if (inLevel >= 0) {
        return;
    }
    auto* theError = reinterpret_cast<JpegError*>(inInfo->err);
    switch (inInfo->err->msg_code) {
    case JWRN_JPEG_EOF:
        Jump(inInfo, Status::kTruncated);
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        Jump(inInfo, Status::kDataInconsistent);
    default:
        if (++theError->mWarnings > kMaxWarnings) {
            Jump(inInfo, Status::kDataInconsistent);
        }
    }
}

void OnJpegOutput(j_common_ptr) {}

void OnJpegProgress(j_common_ptr inInfo)
{
    if (inInfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(inInfo)->input_scan_number > kMaxScans) {
        Jump(inInfo, Status::kDataInconsistent);
    }
}

void InitError(JpegError& outError)
{
    jpeg_std_error(&outError.mManager);
    outError.mManager.error_exit = OnJpegError;
    outError.mManager.emit_message = OnJpegMessage;
    outError.mManager.output_message = OnJpegOutput;
    outError.mStatus = Status::kOk;
    outError.mWarnings = 0;
}

struct JpegReadJob {
    jpeg_decompress_struct mInfo{};
    JpegError mError;
    jpeg_progress_mgr mProgress{};
    bool mCreated = false;

    JpegReadJob()
    {
        InitError(mError);
        mInfo.err = &mError.mManager;
        mProgress.progress_monitor = OnJpegProgress;
    }
    ~JpegReadJob()
    {
        if (mCreated) {
            jpeg_destroy_decompress(&mInfo);
        }
    }
};

struct JpegWriteJob {
    jpeg_compress_struct mInfo{};
    JpegError mError;
    bool mCreated = false;
    unsigned char* mBuffer = nullptr;
    unsigned long mSize = 0;

    JpegWriteJob()
    {
        InitError(mError);
        mInfo.err = &mError.mManager;
    }
    ~JpegWriteJob()
    {
        if (mCreated) {
            jpeg_destroy_compress(&mInfo);
        }
        std::free(mBuffer);
    }
};

struct JpegWriteForm {
    uint32_t mWidth;
    uint32_t mHeight;
    bool mGrey;
    bool mProgressive;
    int mQuality;
};

// The leaf functions below own nothing with a destructor, so the library's jump back skips
// nothing; the jobs they work on belong to their callers.

bool ReadHeaderLeaf(JpegReadJob* inJob, Bytes inBytes, uint64_t inMemoryLimit)
{
    if (setjmp(inJob->mError.mJump)) {
        return false;
    }
    jpeg_create_decompress(&inJob->mInfo);
    inJob->mCreated = true;
    inJob->mInfo.mem->max_memory_to_use = long(inMemoryLimit);
    inJob->mInfo.progress = &inJob->mProgress;
    jpeg_mem_src(&inJob->mInfo, inBytes.data(), (unsigned long)inBytes.size());
    jpeg_read_header(&inJob->mInfo, TRUE);
    return true;
}

// Asks for the picture at 1 / inReduction of its size (1, 2, 4 or 8) and works out what that gives.
bool ReduceLeaf(JpegReadJob* inJob, uint32_t inReduction)
{
    if (setjmp(inJob->mError.mJump)) {
        return false;
    }
    inJob->mInfo.scale_num = 1;
    inJob->mInfo.scale_denom = inReduction;
    jpeg_calc_output_dimensions(&inJob->mInfo);
    return true;
}

// Called from a leaf, whose jump the library takes on an error here.
bool StartLeaf(JpegReadJob* inJob, uint32_t inWidth, uint32_t inHeight)
{
    jpeg_decompress_struct& theInfo = inJob->mInfo;
    jpeg_start_decompress(&theInfo);
    if (theInfo.output_width != inWidth || theInfo.output_height != inHeight || theInfo.output_components != 4) {
        inJob->mError.mStatus = Status::kCorrupt;
        return false;
    }
    return true;
}

bool DecodeLeaf(JpegReadJob* inJob, JSAMPROW* inRows, uint32_t inWidth, uint32_t inHeight)
{
    if (setjmp(inJob->mError.mJump)) {
        return false;
    }
    jpeg_decompress_struct& theInfo = inJob->mInfo;
    if (!StartLeaf(inJob, inWidth, inHeight)) {
        return false;
    }
    while (theInfo.output_scanline < theInfo.output_height) {
        if (jpeg_read_scanlines(&theInfo, inRows + theInfo.output_scanline,
                                theInfo.output_height - theInfo.output_scanline) == 0) {
            inJob->mError.mStatus = Status::kTruncated;
            return false;
        }
    }
    return true;
}

bool CompressLeaf(JpegWriteJob* inJob, const JpegWriteForm& inForm, JSAMPROW* inRows)
{
    if (setjmp(inJob->mError.mJump)) {
        return false;
    }
    jpeg_create_compress(&inJob->mInfo);
    inJob->mCreated = true;
    jpeg_compress_struct& theInfo = inJob->mInfo;
    jpeg_mem_dest(&theInfo, &inJob->mBuffer, &inJob->mSize);
    theInfo.image_width = inForm.mWidth;
    theInfo.image_height = inForm.mHeight;
    theInfo.input_components = inForm.mGrey ? 1 : 4;
    theInfo.in_color_space = inForm.mGrey ? JCS_GRAYSCALE : JCS_EXT_BGRA;
    jpeg_set_defaults(&theInfo);
    jpeg_set_quality(&theInfo, inForm.mQuality, TRUE);
    if (inForm.mProgressive) {
        jpeg_simple_progression(&theInfo);
    }
    theInfo.density_unit = 1;
    theInfo.X_density = 72;
    theInfo.Y_density = 72;
    jpeg_start_compress(&theInfo, TRUE);
    while (theInfo.next_scanline < theInfo.image_height) {
        jpeg_write_scanlines(&theInfo, inRows + theInfo.next_scanline, theInfo.image_height - theInfo.next_scanline);
    }
    jpeg_finish_compress(&theInfo);
    return true;
}

uint32_t ResolutionOf(const jpeg_decompress_struct& inInfo)
{
    if (!inInfo.saw_JFIF_marker || inInfo.X_density == 0) {
        return 72;
    }
    switch (inInfo.density_unit) {
    case 1:
        return inInfo.X_density;
    case 2:
        return uint32_t(inInfo.X_density * 2.54 + 0.5);
    default:
        return 72;
    }
}

bool IsCmyk(J_COLOR_SPACE inSpace)
{
    return inSpace == JCS_CMYK || inSpace == JCS_YCCK;
}

// Adobe writes CMYK inverted (0 = full ink); others write it plain.
void CmykToBgra(uint8_t* ioPixels, size_t inSize, bool inInverted)
{
    for (size_t thePos = 0; thePos + 4 <= inSize; thePos += 4) {
        uint32_t theC = ioPixels[thePos], theM = ioPixels[thePos + 1];
        uint32_t theY = ioPixels[thePos + 2], theK = ioPixels[thePos + 3];
        if (!inInverted) {
            theC = 255 - theC;
            theM = 255 - theM;
            theY = 255 - theY;
            theK = 255 - theK;
        }
        ioPixels[thePos] = uint8_t((theY * theK + 127) / 255);
        ioPixels[thePos + 1] = uint8_t((theM * theK + 127) / 255);
        ioPixels[thePos + 2] = uint8_t((theC * theK + 127) / 255);
        ioPixels[thePos + 3] = 255;
    }
}

Result<ImageInfo> InfoOf(const JpegReadJob& inJob)
{
    const jpeg_decompress_struct& theInfo = inJob.mInfo;
    ImageInfo theResult;
    theResult.mWidth = theInfo.image_width;
    theResult.mHeight = theInfo.image_height;
    switch (theInfo.num_components) {
    case 1:
        theResult.mDepth = 8;
        break;
    case 3:
        theResult.mDepth = 24;
        break;
    case 4:
        theResult.mDepth = 32;
        break;
    default:
        return Fail(Status::kCorrupt);
    }
    if (theInfo.num_components == 4 && !IsCmyk(theInfo.jpeg_color_space)) {
        return Fail(Status::kCorrupt);
    }
    theResult.mResolution = ResolutionOf(theInfo);
    theResult.mFormatName = "JPEG";
    theResult.mImageCount = 1;
    return theResult;
}

// Huffman coding spends at least one bit per block in a progressive file's first (DC) scan
// and two per block in a sequential one, and a scan that runs short is refused; so a file
// too small for the blocks of its smallest component announces data that is not there.
// NOTE: arithmetic coding has no such floor; those files are bounded by the size limits only.
bool TooFewBytesForBlocks(const jpeg_decompress_struct& inInfo, size_t inSize)
{
    if (inInfo.arith_code) {
        return false;
    }
    uint64_t theFewest = UINT64_MAX;
    for (int theIndex = 0; theIndex < inInfo.num_components; ++theIndex) {
        const jpeg_component_info& theComponent = inInfo.comp_info[theIndex];
        theFewest = std::min(theFewest, uint64_t(theComponent.width_in_blocks) * theComponent.height_in_blocks);
    }
    const uint64_t theBlocksPerByte = inInfo.progressive_mode ? 8 : 4;
    return theFewest > uint64_t(inSize) * theBlocksPerByte + 4096;
}

// A picture whose header read but whose data did not is inconsistent rather than corrupt.
Status DecodeFailure(const JpegReadJob& inJob)
{
    const Status theStatus = inJob.mError.mStatus;
    return theStatus == Status::kCorrupt ? Status::kDataInconsistent : theStatus;
}

uint64_t MemoryLimit(const DecodeOptions& inOptions)
{
    return std::clamp(inOptions.mMaxPixels * 8, kMinMemory, kMaxMemory);
}

// Rows handed to a sink a band at a time, small enough to stay in the processor's cache
// between the decoder writing them and the sink reading them.
struct RowBand {
    uint8_t* mPixels;
    size_t mRowBytes;
    uint32_t mRows;
    RowSink* mSink;
};

constexpr uint32_t kMostBandRows = 16;

uint32_t BandRows(size_t inRowBytes)
{
    constexpr size_t kBandBytes = size_t(128) << 10;
    return uint32_t(std::clamp<size_t>(kBandBytes / inRowBytes, 1, kMostBandRows));
}

bool DecodeBandsLeaf(JpegReadJob* inJob, const RowBand& inBand, uint32_t inWidth, uint32_t inHeight)
{
    if (setjmp(inJob->mError.mJump)) {
        return false;
    }
    jpeg_decompress_struct& theInfo = inJob->mInfo;
    if (!StartLeaf(inJob, inWidth, inHeight)) {
        return false;
    }
    JSAMPROW theRows[kMostBandRows];
    for (uint32_t i = 0; i < inBand.mRows; ++i) {
        theRows[i] = inBand.mPixels + inBand.mRowBytes * i;
    }
    const bool theCmyk = IsCmyk(theInfo.jpeg_color_space);
    while (theInfo.output_scanline < theInfo.output_height) {
        const uint32_t theFirst = theInfo.output_scanline;
        const uint32_t theWanted = std::min(inBand.mRows, theInfo.output_height - theFirst);
        for (uint32_t theDone = 0; theDone < theWanted;) {
            const JDIMENSION theRead = jpeg_read_scanlines(&theInfo, theRows + theDone, theWanted - theDone);
            if (theRead == 0) {
                inJob->mError.mStatus = Status::kTruncated;
                return false;
            }
            theDone += theRead;
        }
        if (theCmyk) {
            CmykToBgra(inBand.mPixels, inBand.mRowBytes * theWanted, theInfo.saw_Adobe_marker);
        }
        inBand.mSink->Take(inBand.mPixels, theFirst, theWanted);
    }
    return true;
}

// Reads the header, checks the limits and chooses the output; outInfo: the picture at the size it
// decodes to.
Status Prepare(JpegReadJob& ioJob, Bytes inBytes, const DecodeOptions& inOptions, ImageInfo& outInfo)
{
    if (!ReadHeaderLeaf(&ioJob, inBytes, MemoryLimit(inOptions))) {
        return Fail(ioJob.mError.mStatus);
    }
    Result<ImageInfo> theInfo = InfoOf(ioJob);
    if (!theInfo) {
        return theInfo.Error();
    }
    const Status theSize = CheckDecodeSize(theInfo->mWidth, theInfo->mHeight, inOptions);
    if (theSize != Status::kOk) {
        return theSize;
    }
    if (TooFewBytesForBlocks(ioJob.mInfo, inBytes.size())) {
        return Fail(Status::kTruncated);
    }
    ioJob.mInfo.out_color_space = IsCmyk(ioJob.mInfo.jpeg_color_space) ? JCS_CMYK : JCS_EXT_BGRA;
    const uint32_t theReduction = inOptions.mReduction;
    if (theReduction == 2 || theReduction == 4 || theReduction == 8) {
        if (!ReduceLeaf(&ioJob, theReduction)) {
            return Fail(ioJob.mError.mStatus);
        }
        theInfo->mWidth = ioJob.mInfo.output_width;
        theInfo->mHeight = ioJob.mInfo.output_height;
    }
    outInfo = std::move(theInfo).Value();
    return Status::kOk;
}

}  // namespace

MimeInfo JpegCodec::Mime() const
{
    return {"jpg,jpeg,jpe", kMimeTypes, "JPEG"};
}

uint32_t JpegCodec::DefaultExtension() const
{
    return FourCharCode("jpg ");
}

bool JpegCodec::OnSniff(Bytes inBytes) const
{
    return inBytes.size() >= 3 && inBytes[0] == 0xFF && inBytes[1] == 0xD8 && inBytes[2] == 0xFF;
}

Result<ImageInfo> JpegCodec::OnInfo(Bytes inBytes, uint32_t inImageIndex) const
{
    if (inImageIndex != 0) {
        return Fail(Status::kParameter);
    }
    JpegReadJob theJob;
    if (!ReadHeaderLeaf(&theJob, inBytes, kMinMemory)) {
        return Fail(theJob.mError.mStatus);
    }
    return InfoOf(theJob);
}

Result<DecodedImage> JpegCodec::OnDecode(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions) const
{
    if (inImageIndex != 0) {
        return Fail(Status::kParameter);
    }
    JpegReadJob theJob;
    DecodedImage theImage;
    const Status thePrepared = Prepare(theJob, inBytes, inOptions, theImage.mInfo);
    if (thePrepared != Status::kOk) {
        return thePrepared;
    }
    theImage.mPixels.resize(theImage.RowBytes() * theImage.mInfo.mHeight);
    std::vector<JSAMPROW> theRows(theImage.mInfo.mHeight);
    for (uint32_t theY = 0; theY < theImage.mInfo.mHeight; ++theY) {
        theRows[theY] = theImage.mPixels.data() + theImage.RowBytes() * theY;
    }
    if (!DecodeLeaf(&theJob, theRows.data(), theImage.mInfo.mWidth, theImage.mInfo.mHeight)) {
        return Fail(DecodeFailure(theJob));
    }
    if (IsCmyk(theJob.mInfo.jpeg_color_space)) {
        CmykToBgra(theImage.mPixels.data(), theImage.mPixels.size(), theJob.mInfo.saw_Adobe_marker);
    }
    return theImage;
}

Status JpegCodec::OnDecodeInto(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions,
                               RowSink& outSink) const
{
    if (inImageIndex != 0) {
        return Fail(Status::kParameter);
    }
    JpegReadJob theJob;
    ImageInfo theInfo;
    Status theStatus = Prepare(theJob, inBytes, inOptions, theInfo);
    if (theStatus == Status::kOk) {
        theStatus = outSink.Begin(theInfo);
    }
    if (theStatus != Status::kOk) {
        return theStatus;
    }
    const size_t theRowBytes = size_t(theInfo.mWidth) * 4;
    std::vector<uint8_t> theBand(theRowBytes * BandRows(theRowBytes));
    RowBand theRows{theBand.data(), theRowBytes, uint32_t(theBand.size() / theRowBytes), &outSink};
    if (!DecodeBandsLeaf(&theJob, theRows, theInfo.mWidth, theInfo.mHeight)) {
        return Fail(DecodeFailure(theJob));
    }
    return Status::kOk;
}

Status JpegCodec::OnEncode(const PictureView& inPicture, std::vector<uint8_t>& outBytes,
                           const EncodeOptions& inOptions) const
{
    JpegWriteForm theForm{};
    theForm.mWidth = inPicture.mWidth;
    theForm.mHeight = inPicture.mHeight;
    theForm.mProgressive = inOptions.mInterlace == Interlace::kInterlaced;
    theForm.mQuality = std::clamp((inOptions.mQuality * 100 + 512) / 1024, 1, 100);
    switch (inOptions.mDepth) {
    case 0:
    case 16:
    case 24:
    case 32:
        theForm.mGrey = false;
        break;
    case 8:
        theForm.mGrey = true;
        break;
    default:
        return Fail(Status::kUnsupported);
    }

    std::vector<uint8_t> theGrey;
    std::vector<JSAMPROW> theRows(inPicture.mHeight);
    if (theForm.mGrey) {
        theGrey.resize(size_t(inPicture.mWidth) * inPicture.mHeight);
        for (uint32_t theY = 0; theY < inPicture.mHeight; ++theY) {
            const uint8_t* theIn = inPicture.Row(theY);
            uint8_t* theOut = theGrey.data() + size_t(theY) * inPicture.mWidth;
            for (uint32_t theX = 0; theX < inPicture.mWidth; ++theX, theIn += 4) {
                theOut[theX] = uint8_t((theIn[2] * 299u + theIn[1] * 587u + theIn[0] * 114u + 500u) / 1000u);
            }
            theRows[theY] = theOut;
        }
    } else {
        for (uint32_t theY = 0; theY < inPicture.mHeight; ++theY) {
            theRows[theY] = const_cast<JSAMPROW>(inPicture.Row(theY));
        }
    }
    JpegWriteJob theJob;
    if (!CompressLeaf(&theJob, theForm, theRows.data())) {
        return Fail(theJob.mError.mStatus == Status::kTooLarge ? Status::kTooLarge : Status::kParameter);
    }
    outBytes.assign(theJob.mBuffer, theJob.mBuffer + theJob.mSize);
    return Status::kOk;
}

}  // namespace vx::codecs
