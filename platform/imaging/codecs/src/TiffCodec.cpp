#include "TiffCodec.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "ByteOrder.h"
#include "IndexedPicture.h"

namespace vx::codecs {

namespace {

constexpr std::string_view kMimeTypes[] = {"image/tiff", "image/x-tiff"};
constexpr tmsize_t kMaxSingleAllocation = tmsize_t(256) << 20;

// The file as libtiff sees it: read from the caller's bytes, or written to a growing buffer.
struct TiffMemory {
    const uint8_t* mData = nullptr;
    uint64_t mSize = 0;
    std::vector<uint8_t>* mOut = nullptr;
    uint64_t mPos = 0;
    bool mFailed = false;
};

tmsize_t ReadProc(thandle_t inHandle, void* outData, tmsize_t inSize)
{
    auto* theFile = static_cast<TiffMemory*>(inHandle);
    const uint64_t theSize = theFile->mOut ? theFile->mOut->size() : theFile->mSize;
    const uint8_t* theData = theFile->mOut ? theFile->mOut->data() : theFile->mData;
    if (inSize < 0 || theFile->mPos >= theSize) {
        return 0;
    }
    const uint64_t theCount = std::min<uint64_t>(uint64_t(inSize), theSize - theFile->mPos);
    std::memcpy(outData, theData + theFile->mPos, theCount);
    theFile->mPos += theCount;
    return tmsize_t(theCount);
}

tmsize_t WriteProc(thandle_t inHandle, void* inData, tmsize_t inSize)
{
    auto* theFile = static_cast<TiffMemory*>(inHandle);
    if (theFile->mOut == nullptr || inSize < 0) {
        return -1;
    }
    try {
        std::vector<uint8_t>& theOut = *theFile->mOut;
        if (theFile->mPos + uint64_t(inSize) > theOut.size()) {
            theOut.resize(theFile->mPos + uint64_t(inSize));
        }
        std::memcpy(theOut.data() + theFile->mPos, inData, size_t(inSize));
    } catch (...) {
        theFile->mFailed = true;
        return -1;
    }
    theFile->mPos += uint64_t(inSize);
    return inSize;
}

toff_t SeekProc(thandle_t inHandle, toff_t inOffset, int inWhence)
{
    auto* theFile = static_cast<TiffMemory*>(inHandle);
    const uint64_t theSize = theFile->mOut ? theFile->mOut->size() : theFile->mSize;
    uint64_t theBase = 0;
    if (inWhence == SEEK_CUR) {
        theBase = theFile->mPos;
    } else if (inWhence == SEEK_END) {
        theBase = theSize;
    }
    // Offsets are unsigned; a seek before the start wraps and is refused.
    const uint64_t theTarget = theBase + inOffset;
    if (theTarget < theBase && inWhence != SEEK_SET) {
        return toff_t(-1);
    }
    if (theFile->mOut == nullptr && theTarget > theSize) {
        return toff_t(-1);
    }
    theFile->mPos = theTarget;
    return theTarget;
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t inHandle)
{
    auto* theFile = static_cast<TiffMemory*>(inHandle);
    return theFile->mOut ? theFile->mOut->size() : theFile->mSize;
}

int MapProc(thandle_t inHandle, void** outBase, toff_t* outSize)
{
    auto* theFile = static_cast<TiffMemory*>(inHandle);
    if (theFile->mOut != nullptr) {
        return 0;
    }
    *outBase = const_cast<uint8_t*>(theFile->mData);
    *outSize = theFile->mSize;
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

int OnTiffMessage(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;  // handled: say nothing
}

struct TiffCloser {
    void operator()(TIFF* inTiff) const { TIFFClose(inTiff); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

TiffPtr Open(TiffMemory& inFile, const char* inMode)
{
    TIFFOpenOptions* theOptions = TIFFOpenOptionsAlloc();
    if (theOptions == nullptr) {
        return nullptr;
    }
    TIFFOpenOptionsSetMaxSingleMemAlloc(theOptions, kMaxSingleAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(theOptions, OnTiffMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(theOptions, OnTiffMessage, nullptr);
    TIFF* theTiff = TIFFClientOpenExt("memory", inMode, &inFile, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                      MapProc, UnmapProc, theOptions);
    TIFFOpenOptionsFree(theOptions);
    return TiffPtr(theTiff);
}

uint32_t ResolutionOf(TIFF* inTiff)
{
    float theResolution = 0;
    uint16_t theUnit = RESUNIT_INCH;
    if (!TIFFGetField(inTiff, TIFFTAG_XRESOLUTION, &theResolution) || !std::isfinite(theResolution)) {
        return 72;
    }
    TIFFGetFieldDefaulted(inTiff, TIFFTAG_RESOLUTIONUNIT, &theUnit);
    switch (theUnit) {
    case RESUNIT_INCH:
        return DpiFromDotsPerInch(theResolution);
    case RESUNIT_CENTIMETER:
        return DpiFromPixelsPerMetre(double(theResolution) * 100);
    default:
        return 72;
    }
}

struct TiffImage {
    ImageInfo mInfo;
    bool mAlpha = false;
};

Result<TiffImage> DescribeDirectory(TIFF* inTiff, uint32_t inCount)
{
    TiffImage theImage;
    uint32_t theWidth = 0, theHeight = 0;
    uint16_t theBits = 1, theSamples = 1, thePhotometric = PHOTOMETRIC_MINISBLACK;
    uint16_t theExtraCount = 0;
    uint16_t* theExtras = nullptr;
    if (!TIFFGetField(inTiff, TIFFTAG_IMAGEWIDTH, &theWidth) ||
        !TIFFGetField(inTiff, TIFFTAG_IMAGELENGTH, &theHeight) || theWidth == 0 || theHeight == 0) {
        return Fail(Status::kCorrupt);
    }
    TIFFGetFieldDefaulted(inTiff, TIFFTAG_BITSPERSAMPLE, &theBits);
    TIFFGetFieldDefaulted(inTiff, TIFFTAG_SAMPLESPERPIXEL, &theSamples);
    TIFFGetFieldDefaulted(inTiff, TIFFTAG_EXTRASAMPLES, &theExtraCount, &theExtras);
    if (!TIFFGetField(inTiff, TIFFTAG_PHOTOMETRIC, &thePhotometric)) {
        thePhotometric = theSamples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    }
    theImage.mAlpha = theExtraCount > 0 && theExtras != nullptr &&
                      (theExtras[0] == EXTRASAMPLE_ASSOCALPHA || theExtras[0] == EXTRASAMPLE_UNASSALPHA);
    ImageInfo& theInfo = theImage.mInfo;
    theInfo.mWidth = theWidth;
    theInfo.mHeight = theHeight;
    switch (thePhotometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        theInfo.mDepth = theImage.mAlpha ? 32 : (theBits == 1 ? 1 : 8);
        break;
    case PHOTOMETRIC_PALETTE:
        theInfo.mDepth = int16_t(std::min<uint16_t>(theBits, 8));
        break;
    case PHOTOMETRIC_SEPARATED:
        theInfo.mDepth = 32;
        break;
    default:
        theInfo.mDepth = theImage.mAlpha ? 32 : 24;
    }
    theInfo.mResolution = ResolutionOf(inTiff);
    theInfo.mFormatName = "TIFF";
    theInfo.mImageCount = inCount;
    return theImage;
}

// True when the header points past the end of the data (or the header itself is cut).
bool FirstDirectoryMissing(const TiffMemory& inFile)
{
    if (inFile.mSize < 8) {
        return true;
    }
    const bool theLittle = inFile.mData[0] == 'I';
    const bool theBig = inFile.mData[theLittle ? 2 : 3] == 43;
    if (theBig) {
        if (inFile.mSize < 16) {
            return true;
        }
        uint64_t theOffset = 0;
        for (int theIndex = 0; theIndex < 8; ++theIndex) {
            const int theByte = theLittle ? 15 - theIndex : 8 + theIndex;
            theOffset = theOffset << 8 | inFile.mData[theByte];
        }
        return theOffset >= inFile.mSize;
    }
    const uint32_t theOffset = theLittle ? ReadLE32(inFile.mData + 4) : ReadBE32(inFile.mData + 4);
    return theOffset >= inFile.mSize;
}

uint64_t ReadUnsigned(const uint8_t* inBytes, int inCount, bool inLittle)
{
    uint64_t theValue = 0;
    for (int theIndex = 0; theIndex < inCount; ++theIndex) {
        theValue = theValue << 8 | inBytes[inLittle ? inCount - 1 - theIndex : theIndex];
    }
    return theValue;
}

// Follows the chain of directories without parsing them (libtiff reads a whole directory at
// each step, which made asking for every image of a long file quadratic). Stops at the first
// directory that does not fit, or at a loop. Every directory takes at least its count and
// link, so the bytes bound the count: there is no other limit.
std::vector<uint64_t> DirectoryOffsets(const TiffMemory& inFile)
{
    const uint8_t* theData = inFile.mData;
    const bool theLittle = theData[0] == 'I';
    const bool theBig = theData[theLittle ? 2 : 3] == 43;
    const int theOffsetSize = theBig ? 8 : 4;
    const int theCountSize = theBig ? 8 : 2;
    const uint64_t theEntrySize = theBig ? 20 : 12;
    uint64_t theOffset = ReadUnsigned(theData + (theBig ? 8 : 4), theOffsetSize, theLittle);
    std::vector<uint64_t> theSeen;
    std::unordered_set<uint64_t> theKnown;
    while (theOffset != 0 && theKnown.insert(theOffset).second) {
        if (theOffset > inFile.mSize || inFile.mSize - theOffset < uint64_t(theCountSize)) {
            break;
        }
        const uint64_t theEntries = ReadUnsigned(theData + theOffset, theCountSize, theLittle);
        const uint64_t theRoom = (inFile.mSize - theOffset - theCountSize) / theEntrySize;
        if (theEntries > theRoom ||
            inFile.mSize - theOffset - theCountSize - theEntries * theEntrySize < uint64_t(theOffsetSize)) {
            break;
        }
        theSeen.push_back(theOffset);
        theOffset =
            ReadUnsigned(theData + theOffset + theCountSize + theEntries * theEntrySize, theOffsetSize, theLittle);
    }
    return theSeen;
}

uint32_t CountDirectories(const TiffMemory& inFile)
{
    return std::max<uint32_t>(1, uint32_t(DirectoryOffsets(inFile).size()));
}

// Reading, the strip and tile tables are loaded entry by entry when used ('O'): a directory that
// declares a million tiles costs nothing until its pixels are decoded.
TiffPtr OpenForReading(TiffMemory& inFile)
{
    return Open(inFile, "rO");
}

// Opens the file, counts its directories and selects one.
Result<TiffPtr> OpenDirectory(TiffMemory& inFile, uint32_t inImageIndex, uint32_t* outCount)
{
    TiffPtr theTiff = OpenForReading(inFile);
    if (!theTiff) {
        return Fail(FirstDirectoryMissing(inFile) ? Status::kTruncated : Status::kCorrupt);
    }
    const uint32_t theCount = CountDirectories(inFile);
    if (inImageIndex >= theCount) {
        return Fail(Status::kParameter);
    }
    if (inImageIndex != 0 && !TIFFSetDirectory(theTiff.get(), tdir_t(inImageIndex))) {
        return Fail(Status::kCorrupt);
    }
    *outCount = theCount;
    return theTiff;
}

// Every strip or tile the directory names must lie inside the bytes present.
Status CheckStrips(TIFF* inTiff, uint64_t inFileSize)
{
    const uint64_t theCount = TIFFIsTiled(inTiff) ? TIFFNumberOfTiles(inTiff) : TIFFNumberOfStrips(inTiff);
    // Each entry takes at least one byte of the file's offset table.
    if (theCount == 0 || theCount > inFileSize) {
        return Fail(Status::kTruncated);
    }
    uint64_t theTotal = 0;
    for (uint32_t theIndex = 0; theIndex < theCount; ++theIndex) {
        int theError = 0;
        const uint64_t theOffset = TIFFGetStrileOffsetWithErr(inTiff, theIndex, &theError);
        const uint64_t theBytes = TIFFGetStrileByteCountWithErr(inTiff, theIndex, &theError);
        if (theError != 0 || theOffset > inFileSize || theBytes > inFileSize - theOffset) {
            return Fail(Status::kTruncated);
        }
        theTotal += theBytes;
    }
    uint16_t theCompression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(inTiff, TIFFTAG_COMPRESSION, &theCompression);
    if (theCompression == COMPRESSION_NONE) {
        uint32_t theHeight = 0;
        TIFFGetField(inTiff, TIFFTAG_IMAGELENGTH, &theHeight);
        uint16_t thePlanar = PLANARCONFIG_CONTIG;
        TIFFGetFieldDefaulted(inTiff, TIFFTAG_PLANARCONFIG, &thePlanar);
        if (!TIFFIsTiled(inTiff) && thePlanar == PLANARCONFIG_CONTIG &&
            uint64_t(TIFFScanlineSize64(inTiff)) * theHeight > theTotal) {
            return Fail(Status::kTruncated);
        }
    }
    return Status::kOk;
}

// libtiff hands back premultiplied alpha; the picture wants it straight.
void Unpremultiply(uint8_t* ioPixel)
{
    const uint32_t theAlpha = ioPixel[3];
    if (theAlpha == 0 || theAlpha == 255) {
        return;
    }
    for (int theChannel = 0; theChannel < 3; ++theChannel) {
        ioPixel[theChannel] = uint8_t(std::min<uint32_t>(255, (ioPixel[theChannel] * 255u + theAlpha / 2) / theAlpha));
    }
}

// What the encoder stores per pixel; the 1- and 8-bit forms write the indexed picture.
struct TiffForm {
    uint16_t mBits = 8;
    uint16_t mSamples = 3;
    uint16_t mPhotometric = PHOTOMETRIC_RGB;
    IndexedPicture mIndexed;
};

// Depth 0 keeps alpha only when some pixel is not opaque.
Result<TiffForm> ChooseForm(const PictureView& inPicture, int16_t inDepth)
{
    bool theAlpha = inDepth == 32;
    if (inDepth == 0) {
        for (uint32_t theY = 0; theY < inPicture.mHeight && !theAlpha; ++theY) {
            for (uint32_t theX = 0; theX < inPicture.mWidth; ++theX) {
                theAlpha = theAlpha || inPicture.Row(theY)[size_t(theX) * 4 + 3] != 255;
            }
        }
    }
    TiffForm theForm;
    theForm.mSamples = theAlpha ? 4 : 3;
    switch (inDepth) {
    case 0:
    case 16:
    case 24:
    case 32:
        break;
    case 1:
        theForm.mIndexed = IndexedPicture::Make(inPicture, 1);
        theForm.mBits = 1;
        theForm.mSamples = 1;
        theForm.mPhotometric = PHOTOMETRIC_MINISBLACK;
        break;
    case 8:
        theForm.mIndexed = IndexedPicture::Make(inPicture, 8);
        theForm.mSamples = 1;
        theForm.mPhotometric = PHOTOMETRIC_PALETTE;
        break;
    default:
        return Fail(Status::kUnsupported);
    }
    return theForm;
}

void SetTags(TIFF* inTiff, const TiffForm& inForm, const PictureView& inPicture, int32_t inQuality)
{
    TIFFSetField(inTiff, TIFFTAG_IMAGEWIDTH, inPicture.mWidth);
    TIFFSetField(inTiff, TIFFTAG_IMAGELENGTH, inPicture.mHeight);
    TIFFSetField(inTiff, TIFFTAG_BITSPERSAMPLE, inForm.mBits);
    TIFFSetField(inTiff, TIFFTAG_SAMPLESPERPIXEL, inForm.mSamples);
    TIFFSetField(inTiff, TIFFTAG_PHOTOMETRIC, inForm.mPhotometric);
    TIFFSetField(inTiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(inTiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(inTiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(inTiff, TIFFTAG_ZIPQUALITY, std::clamp((inQuality * 9 + 512) / 1024, 1, 9));
    if (inForm.mBits == 8 && inForm.mPhotometric == PHOTOMETRIC_RGB) {
        TIFFSetField(inTiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    }
    TIFFSetField(inTiff, TIFFTAG_XRESOLUTION, 72.0f);
    TIFFSetField(inTiff, TIFFTAG_YRESOLUTION, 72.0f);
    TIFFSetField(inTiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(inTiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(inTiff, 0));
    if (inForm.mSamples == 4) {
        const uint16_t theExtra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(inTiff, TIFFTAG_EXTRASAMPLES, 1, &theExtra);
    }
    if (inForm.mPhotometric == PHOTOMETRIC_PALETTE) {
        std::vector<uint16_t> theMap(3 * 256, 0);
        const IndexedPicture& theIndexed = inForm.mIndexed;
        for (size_t theIndex = 0; theIndex < theIndexed.mColors.size(); ++theIndex) {
            theMap[theIndex] = uint16_t(theIndexed.mColors[theIndex][2] * 257);
            theMap[256 + theIndex] = uint16_t(theIndexed.mColors[theIndex][1] * 257);
            theMap[512 + theIndex] = uint16_t(theIndexed.mColors[theIndex][0] * 257);
        }
        TIFFSetField(inTiff, TIFFTAG_COLORMAP, theMap.data(), theMap.data() + 256, theMap.data() + 512);
    }
}

// One scanline at a time: packed bits, palette indices, or the pixels reordered to RGB(A).
// libtiff takes each line as writable, hence the indices are reached through ioForm.
Status WriteRows(TIFF* inTiff, TiffForm& ioForm, const PictureView& inPicture, const TiffMemory& inFile)
{
    const uint32_t theWidth = inPicture.mWidth;
    const uint32_t theHeight = inPicture.mHeight;
    const uint16_t theSamples = ioForm.mSamples;
    const std::vector<uint8_t> thePacked =
        ioForm.mBits == 1 ? ioForm.mIndexed.PackedRows(1, 1) : std::vector<uint8_t>();
    std::vector<uint8_t> theRow(size_t(theWidth) * 4);
    for (uint32_t theY = 0; theY < theHeight; ++theY) {
        uint8_t* theLine = theRow.data();
        if (ioForm.mBits == 1) {
            theLine = const_cast<uint8_t*>(thePacked.data()) + thePacked.size() / theHeight * theY;
        } else if (theSamples == 1) {
            theLine = ioForm.mIndexed.mIndices.data() + size_t(theWidth) * theY;
        } else {
            const uint8_t* theIn = inPicture.Row(theY);
            for (uint32_t theX = 0; theX < theWidth; ++theX, theIn += 4) {
                uint8_t* theOut = theLine + size_t(theX) * theSamples;
                theOut[0] = theIn[2];
                theOut[1] = theIn[1];
                theOut[2] = theIn[0];
                if (theSamples == 4) {
                    theOut[3] = theIn[3];
                }
            }
        }
        if (TIFFWriteScanline(inTiff, theLine, theY, 0) < 0) {
            return Fail(inFile.mFailed ? Status::kTooLarge : Status::kParameter);
        }
    }
    return Status::kOk;
}

}  // namespace

MimeInfo TiffCodec::Mime() const
{
    return {"tif,tiff", kMimeTypes, "TIFF"};
}

uint32_t TiffCodec::DefaultExtension() const
{
    return FourCharCode("tif ");
}

bool TiffCodec::OnSniff(Bytes inBytes) const
{
    if (inBytes.size() < 4) {
        return false;
    }
    const uint8_t* theData = inBytes.data();
    return (theData[0] == 'I' && theData[1] == 'I' && (theData[2] == 42 || theData[2] == 43) && theData[3] == 0) ||
           (theData[0] == 'M' && theData[1] == 'M' && theData[2] == 0 && (theData[3] == 42 || theData[3] == 43));
}

Result<uint32_t> TiffCodec::OnImageCount(Bytes inBytes) const
{
    TiffMemory theFile{inBytes.data(), inBytes.size()};
    uint32_t theCount = 0;
    const Result<TiffPtr> theTiff = OpenDirectory(theFile, 0, &theCount);
    if (!theTiff) {
        return theTiff.Error();
    }
    return theCount;
}

Result<ImageInfo> TiffCodec::OnInfo(Bytes inBytes, uint32_t inImageIndex) const
{
    TiffMemory theFile{inBytes.data(), inBytes.size()};
    uint32_t theCount = 0;
    const Result<TiffPtr> theTiff = OpenDirectory(theFile, inImageIndex, &theCount);
    if (!theTiff) {
        return theTiff.Error();
    }
    const Result<TiffImage> theImage = DescribeDirectory(theTiff->get(), theCount);
    if (!theImage) {
        return theImage.Error();
    }
    return theImage->mInfo;
}

// One directory after the other, each read once: selecting image n anew would walk n links.
Result<Codec::ImageInfos> TiffCodec::OnDescribe(Bytes inBytes) const
{
    TiffMemory theFile{inBytes.data(), inBytes.size()};
    uint32_t theCount = 0;
    const Result<TiffPtr> theTiff = OpenDirectory(theFile, 0, &theCount);
    if (!theTiff) {
        return theTiff.Error();
    }
    TIFF* theHandle = theTiff->get();
    const std::vector<uint64_t> theOffsets = DirectoryOffsets(theFile);
    ImageInfos theInfos;
    theInfos.reserve(theCount);
    bool theLost = false;  // libtiff left the chain: what follows is unread
    for (uint32_t theIndex = 0; theIndex < theCount; ++theIndex) {
        // A directory that does not read still moves libtiff on to the next one.
        const bool theRead = theIndex == 0 || (!theLost && TIFFReadDirectory(theHandle) != 0);
        theLost = theLost || (!theOffsets.empty() && TIFFCurrentDirOffset(theHandle) != theOffsets[theIndex]);
        if (theLost || !theRead) {
            theInfos.push_back(Fail(Status::kCorrupt));
            continue;
        }
        const Result<TiffImage> theImage = DescribeDirectory(theHandle, theCount);
        theInfos.push_back(theImage ? Result<ImageInfo>(theImage->mInfo) : Result<ImageInfo>(theImage.Error()));
    }
    return theInfos;
}

Result<DecodedImage> TiffCodec::OnDecode(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions) const
{
    TiffMemory theFile{inBytes.data(), inBytes.size()};
    uint32_t theCount = 0;
    const Result<TiffPtr> theTiff = OpenDirectory(theFile, inImageIndex, &theCount);
    if (!theTiff) {
        return theTiff.Error();
    }
    TIFF* theHandle = theTiff->get();
    Result<TiffImage> theDescription = DescribeDirectory(theHandle, theCount);
    if (!theDescription) {
        return theDescription.Error();
    }
    const ImageInfo& theInfo = theDescription->mInfo;
    Status theStatus = CheckDecodeSize(theInfo.mWidth, theInfo.mHeight, inOptions);
    if (theStatus == Status::kOk) {
        theStatus = CheckStrips(theHandle, inBytes.size());
    }
    if (theStatus != Status::kOk) {
        return theStatus;
    }
    char theMessage[1024] = {};
    if (!TIFFRGBAImageOK(theHandle, theMessage)) {
        return Fail(Status::kCorrupt);
    }

    DecodedImage theImage;
    theImage.mInfo = theInfo;
    theImage.mPixels.assign(theImage.RowBytes() * theInfo.mHeight, 0);
    // Packed as 0xAABBGGRR words, that is R, G, B, A bytes in memory on this platform.
    if (!TIFFReadRGBAImageOriented(theHandle, theInfo.mWidth, theInfo.mHeight,
                                   reinterpret_cast<uint32_t*>(theImage.mPixels.data()), ORIENTATION_TOPLEFT, 1)) {
        return Fail(Status::kDataInconsistent);
    }
    for (size_t thePos = 0; thePos < theImage.mPixels.size(); thePos += 4) {
        uint8_t* thePixel = theImage.mPixels.data() + thePos;
        std::swap(thePixel[0], thePixel[2]);
        if (theDescription->mAlpha) {
            Unpremultiply(thePixel);
        }
    }
    return theImage;
}

Status TiffCodec::OnEncode(const PictureView& inPicture, std::vector<uint8_t>& outBytes,
                           const EncodeOptions& inOptions) const
{
    Result<TiffForm> theForm = ChooseForm(inPicture, inOptions.mDepth);
    if (!theForm) {
        return theForm.Error();
    }
    TiffMemory theFile;
    theFile.mOut = &outBytes;
    TiffPtr theTiff = Open(theFile, "w");
    if (!theTiff) {
        return Fail(Status::kTooLarge);
    }
    TIFF* theHandle = theTiff.get();
    SetTags(theHandle, *theForm, inPicture, inOptions.mQuality);
    const Status theStatus = WriteRows(theHandle, *theForm, inPicture, theFile);
    if (theStatus != Status::kOk) {
        return theStatus;
    }
    if (!TIFFWriteDirectory(theHandle)) {
        return Fail(theFile.mFailed ? Status::kTooLarge : Status::kParameter);
    }
    theTiff.reset();
    return theFile.mFailed ? Fail(Status::kTooLarge) : Status::kOk;
}

}  // namespace vx::codecs
