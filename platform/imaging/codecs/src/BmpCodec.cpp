#include "BmpCodec.h"

#include <bit>
#include <cstring>

#include "ByteOrder.h"
#include "IndexedPicture.h"

namespace vx::codecs {

namespace {

constexpr std::string_view kMimeTypes[] = {"image/bmp", "image/x-ms-bmp"};
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

struct BmpLayout {
    uint32_t mWidth = 0;
    uint32_t mHeight = 0;
    bool mTopDown = false;
    uint16_t mBitCount = 0;
    uint32_t mCompression = kRgb;
    uint32_t mMasks[4] = {};  // red, green, blue, alpha
    bool mHasAlphaMask = false;
    uint32_t mResolution = 72;
    size_t mPaletteOffset = 0;
    uint32_t mPaletteCount = 0;
    uint32_t mPaletteEntrySize = 4;
    size_t mPixelOffset = 0;
};

// The info header as found in the file. mEnd is the file offset after the header and after
// masks stored behind a 40-byte header: where the palette starts.
struct InfoHeader {
    const uint8_t* mData = nullptr;
    uint32_t mSize = 0;
    size_t mEnd = 0;
};

// Size, depth and the fields that later header forms add.
Status ReadImageFields(const InfoHeader& inHeader, BmpLayout& ioLayout)
{
    const uint8_t* theHeader = inHeader.mData;
    int64_t theHeight = 0;
    if (inHeader.mSize == 12) {
        ioLayout.mWidth = ReadLE16(theHeader + 4);
        theHeight = ReadLE16(theHeader + 6);
        ioLayout.mBitCount = ReadLE16(theHeader + 10);
        ioLayout.mPaletteEntrySize = 3;
    } else {
        if (inHeader.mSize < 16) {
            return Fail(Status::kCorrupt);
        }
        const int32_t theWidth = int32_t(ReadLE32(theHeader + 4));
        theHeight = int32_t(ReadLE32(theHeader + 8));
        if (theWidth <= 0) {
            return Fail(Status::kCorrupt);
        }
        ioLayout.mWidth = uint32_t(theWidth);
        ioLayout.mBitCount = ReadLE16(theHeader + 14);
        if (inHeader.mSize >= 20) {
            ioLayout.mCompression = ReadLE32(theHeader + 16);
        }
        if (inHeader.mSize >= 28) {
            ioLayout.mResolution = DpiFromPixelsPerMetre(int32_t(ReadLE32(theHeader + 24)));
        }
        if (inHeader.mSize >= 36) {
            ioLayout.mPaletteCount = ReadLE32(theHeader + 32);
        }
    }
    if (theHeight < 0) {
        ioLayout.mTopDown = true;
        theHeight = -theHeight;
    }
    ioLayout.mHeight = uint32_t(theHeight);
    if (ioLayout.mWidth == 0 || ioLayout.mHeight == 0) {
        return Fail(Status::kCorrupt);
    }
    switch (ioLayout.mBitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return Status::kOk;
    default:
        return Fail(Status::kCorrupt);
    }
}

Status ReadMasks(Bytes inBytes, InfoHeader& ioHeader, BmpLayout& ioLayout)
{
    if (ioLayout.mBitCount != 16 && ioLayout.mBitCount != 32) {
        return Fail(Status::kCorrupt);
    }
    const uint32_t theCount = ioLayout.mCompression == kAlphaBitFields ? 4 : 3;
    // The masks follow a 40-byte header; larger headers hold them.
    const uint8_t* theMasks = ioHeader.mData + kInfoHeaderSize;
    if (ioHeader.mSize == kInfoHeaderSize) {
        if (inBytes.size() < ioHeader.mEnd + theCount * 4) {
            return Fail(Status::kTruncated);
        }
        ioHeader.mEnd += theCount * 4;
    } else if (ioHeader.mSize < kInfoHeaderSize + theCount * 4) {
        return Fail(Status::kCorrupt);
    }
    for (uint32_t theIndex = 0; theIndex < theCount; ++theIndex) {
        ioLayout.mMasks[theIndex] = ReadLE32(theMasks + theIndex * 4);
    }
    if (theCount == 3 && ioHeader.mSize >= kInfoHeaderSize + 16) {
        ioLayout.mMasks[3] = ReadLE32(theMasks + 12);
    }
    ioLayout.mHasAlphaMask = ioLayout.mMasks[3] != 0;
    return Status::kOk;
}

Status ReadCompression(Bytes inBytes, InfoHeader& ioHeader, BmpLayout& ioLayout)
{
    switch (ioLayout.mCompression) {
    case kRgb:
        return Status::kOk;
    case kRle8:
    case kRle4:
        if (ioLayout.mBitCount != (ioLayout.mCompression == kRle8 ? 8 : 4) || ioLayout.mTopDown) {
            return Fail(Status::kCorrupt);
        }
        return Status::kOk;
    case kBitFields:
    case kAlphaBitFields:
        return ReadMasks(inBytes, ioHeader, ioLayout);
    default:
        return Fail(Status::kCorrupt);
    }
}

Status ReadPalette(Bytes inBytes, const InfoHeader& inHeader, BmpLayout& ioLayout)
{
    if (ioLayout.mBitCount > 8) {
        ioLayout.mPaletteCount = 0;
        return Status::kOk;
    }
    const uint32_t theMost = 1u << ioLayout.mBitCount;
    if (ioLayout.mPaletteCount == 0 || ioLayout.mPaletteCount > theMost) {
        ioLayout.mPaletteCount = theMost;
    }
    ioLayout.mPaletteOffset = inHeader.mEnd;
    // Writers often round the palette; only the entries that fit before the pixels count.
    const size_t theRoom = ioLayout.mPixelOffset > inHeader.mEnd
                               ? (ioLayout.mPixelOffset - inHeader.mEnd) / ioLayout.mPaletteEntrySize
                               : 0;
    if (theRoom < ioLayout.mPaletteCount) {
        ioLayout.mPaletteCount = uint32_t(theRoom);
    }
    if (ioLayout.mPaletteCount == 0) {
        return Fail(Status::kCorrupt);
    }
    if (inBytes.size() < inHeader.mEnd + size_t(ioLayout.mPaletteCount) * ioLayout.mPaletteEntrySize) {
        return Fail(Status::kTruncated);
    }
    return Status::kOk;
}

Result<BmpLayout> ReadHeaders(Bytes inBytes)
{
    if (inBytes.size() < kFileHeaderSize + 4) {
        return Fail(Status::kTruncated);
    }
    BmpLayout theLayout;
    const uint8_t* theData = inBytes.data();
    theLayout.mPixelOffset = ReadLE32(theData + 10);
    InfoHeader theHeader;
    theHeader.mSize = ReadLE32(theData + kFileHeaderSize);
    if (theHeader.mSize < 12 || theHeader.mSize > 1024) {
        return Fail(Status::kCorrupt);
    }
    if (inBytes.size() < kFileHeaderSize + theHeader.mSize) {
        return Fail(Status::kTruncated);
    }
    theHeader.mData = theData + kFileHeaderSize;
    theHeader.mEnd = kFileHeaderSize + theHeader.mSize;
    Status theStatus = ReadImageFields(theHeader, theLayout);
    if (theStatus == Status::kOk) {
        theStatus = ReadCompression(inBytes, theHeader, theLayout);
    }
    if (theStatus == Status::kOk) {
        theStatus = ReadPalette(inBytes, theHeader, theLayout);
    }
    if (theStatus != Status::kOk) {
        return theStatus;
    }
    if (theLayout.mPixelOffset < theHeader.mEnd || theLayout.mPixelOffset > inBytes.size()) {
        return Fail(theLayout.mPixelOffset > inBytes.size() ? Status::kTruncated : Status::kCorrupt);
    }
    return theLayout;
}

// One channel from a bit-field mask, scaled to 8 bits.
struct Channel {
    int mShift = 0;
    uint32_t mMax = 0;

    explicit Channel(uint32_t inMask)
    {
        if (inMask != 0) {
            mShift = std::countr_zero(inMask);
            mMax = inMask >> mShift;
        }
    }
    uint8_t From(uint32_t inPixel, uint32_t inMask) const
    {
        if (mMax == 0) {
            return 0;
        }
        return uint8_t(uint64_t((inPixel & inMask) >> mShift) * 255 / mMax);
    }
};

void DecodeRows(Bytes inBytes, const BmpLayout& inLayout, DecodedImage& outImage, const uint8_t (*inPalette)[4])
{
    const size_t theStride = ((size_t(inLayout.mWidth) * inLayout.mBitCount + 31) / 32) * 4;
    uint32_t theMasks[4];
    std::memcpy(theMasks, inLayout.mMasks, sizeof theMasks);
    if (inLayout.mCompression == kRgb && inLayout.mBitCount == 16) {
        theMasks[0] = 0x7C00;
        theMasks[1] = 0x03E0;
        theMasks[2] = 0x001F;
        theMasks[3] = 0;
    } else if (inLayout.mCompression == kRgb && inLayout.mBitCount == 32) {
        theMasks[0] = 0xFF0000;
        theMasks[1] = 0xFF00;
        theMasks[2] = 0xFF;
        theMasks[3] = 0xFF000000;
    }
    const Channel theChannels[4] = {Channel(theMasks[0]), Channel(theMasks[1]), Channel(theMasks[2]),
                                    Channel(theMasks[3])};
    bool theAnyAlpha = false;
    for (uint32_t theRow = 0; theRow < inLayout.mHeight; ++theRow) {
        const uint8_t* theIn = inBytes.data() + inLayout.mPixelOffset + theStride * theRow;
        const uint32_t theY = inLayout.mTopDown ? theRow : inLayout.mHeight - 1 - theRow;
        uint8_t* theOut = outImage.mPixels.data() + outImage.RowBytes() * theY;
        for (uint32_t theX = 0; theX < inLayout.mWidth; ++theX, theOut += 4) {
            switch (inLayout.mBitCount) {
            case 1:
            case 4:
            case 8: {
                const uint32_t theBit = theX * inLayout.mBitCount;
                const uint32_t theIndex =
                    (theIn[theBit / 8] >> (8 - inLayout.mBitCount - theBit % 8)) & ((1u << inLayout.mBitCount) - 1);
                std::memcpy(theOut, inPalette[theIndex], 4);
                break;
            }
            case 24:
                theOut[0] = theIn[theX * 3];
                theOut[1] = theIn[theX * 3 + 1];
                theOut[2] = theIn[theX * 3 + 2];
                theOut[3] = 255;
                break;
            default: {
                const uint32_t thePixel =
                    inLayout.mBitCount == 16 ? ReadLE16(theIn + theX * 2) : ReadLE32(theIn + theX * 4);
                theOut[0] = theChannels[2].From(thePixel, theMasks[2]);
                theOut[1] = theChannels[1].From(thePixel, theMasks[1]);
                theOut[2] = theChannels[0].From(thePixel, theMasks[0]);
                theOut[3] = theMasks[3] != 0 ? theChannels[3].From(thePixel, theMasks[3]) : 255;
                theAnyAlpha = theAnyAlpha || theOut[3] != 0;
            }
            }
        }
    }
    // NOTE: plain 32-bit files usually leave the fourth byte 0; then it is not alpha.
    if (inLayout.mBitCount == 32 && !inLayout.mHasAlphaMask && !theAnyAlpha) {
        for (size_t thePos = 3; thePos < outImage.mPixels.size(); thePos += 4) {
            outImage.mPixels[thePos] = 255;
        }
    }
}

// Run-length data: pixels not reached stay transparent.
Status DecodeRunLength(Bytes inBytes, const BmpLayout& inLayout, DecodedImage& outImage, const uint8_t (*inPalette)[4])
{
    const bool theNibbles = inLayout.mCompression == kRle4;
    const uint8_t* theIn = inBytes.data() + inLayout.mPixelOffset;
    const uint8_t* theEnd = inBytes.data() + inBytes.size();
    uint32_t theX = 0;
    uint32_t theRow = 0;
    auto thePut = [&](uint32_t inIndex) {
        if (theX < inLayout.mWidth && theRow < inLayout.mHeight) {
            uint8_t* theOut =
                outImage.mPixels.data() + outImage.RowBytes() * (inLayout.mHeight - 1 - theRow) + size_t(theX) * 4;
            std::memcpy(theOut, inPalette[inIndex & 0xFF], 4);
        }
        ++theX;
    };
    while (theRow < inLayout.mHeight) {
        if (theEnd - theIn < 2) {
            return Fail(Status::kTruncated);
        }
        const uint8_t theCount = theIn[0];
        const uint8_t theValue = theIn[1];
        theIn += 2;
        if (theCount != 0) {
            for (uint32_t theIndex = 0; theIndex < theCount && theX < inLayout.mWidth; ++theIndex) {
                thePut(theNibbles ? (theIndex % 2 ? theValue & 0x0F : theValue >> 4) : theValue);
            }
            continue;
        }
        switch (theValue) {
        case 0:
            theX = 0;
            ++theRow;
            break;
        case 1:
            return Status::kOk;
        case 2:
            if (theEnd - theIn < 2) {
                return Fail(Status::kTruncated);
            }
            theX += theIn[0];
            theRow += theIn[1];
            theIn += 2;
            break;
        default: {
            const size_t theBytes = theNibbles ? (theValue + 1) / 2 : theValue;
            const size_t thePadded = (theBytes + 1) & ~size_t(1);
            if (size_t(theEnd - theIn) < thePadded) {
                return Fail(Status::kTruncated);
            }
            for (uint32_t theIndex = 0; theIndex < theValue; ++theIndex) {
                thePut(theNibbles ? (theIndex % 2 ? theIn[theIndex / 2] & 0x0F : theIn[theIndex / 2] >> 4)
                                  : theIn[theIndex]);
            }
            theIn += thePadded;
        }
        }
    }
    return Status::kOk;
}

ImageInfo InfoOf(const BmpLayout& inLayout)
{
    ImageInfo theInfo;
    theInfo.mWidth = inLayout.mWidth;
    theInfo.mHeight = inLayout.mHeight;
    theInfo.mDepth = int16_t(inLayout.mBitCount);
    theInfo.mResolution = inLayout.mResolution;
    theInfo.mFormatName = "BMP";
    theInfo.mImageCount = 1;
    return theInfo;
}

void PutHeaders(std::vector<uint8_t>& outBytes, const PictureView& inPicture, uint16_t inBitCount,
                uint32_t inPaletteCount, bool inAlpha, size_t inImageBytes)
{
    const uint32_t theHeaderSize = inAlpha ? kV4HeaderSize : kInfoHeaderSize;
    const size_t thePixelOffset = kFileHeaderSize + theHeaderSize + size_t(inPaletteCount) * 4;
    outBytes.assign(thePixelOffset, 0);
    uint8_t* theData = outBytes.data();
    theData[0] = 'B';
    theData[1] = 'M';
    WriteLE32(theData + 2, uint32_t(thePixelOffset + inImageBytes));
    WriteLE32(theData + 10, uint32_t(thePixelOffset));
    uint8_t* theHeader = theData + kFileHeaderSize;
    WriteLE32(theHeader, theHeaderSize);
    WriteLE32(theHeader + 4, inPicture.mWidth);
    WriteLE32(theHeader + 8, inPicture.mHeight);  // bottom-up, the form every reader knows
    WriteLE16(theHeader + 12, 1);
    WriteLE16(theHeader + 14, inBitCount);
    WriteLE32(theHeader + 16, inAlpha ? kBitFields : kRgb);
    WriteLE32(theHeader + 20, uint32_t(inImageBytes));
    WriteLE32(theHeader + 24, 2835);  // 72 dpi
    WriteLE32(theHeader + 28, 2835);
    WriteLE32(theHeader + 32, inPaletteCount);
    if (inAlpha) {
        WriteLE32(theHeader + 40, 0x00FF0000);
        WriteLE32(theHeader + 44, 0x0000FF00);
        WriteLE32(theHeader + 48, 0x000000FF);
        WriteLE32(theHeader + 52, 0xFF000000);
        std::memcpy(theHeader + 56, "BGRs", 4);  // LCS_sRGB, stored little-endian
    }
}

}  // namespace

MimeInfo BmpCodec::Mime() const
{
    return {"bmp,dib", kMimeTypes, "BMP"};
}

uint32_t BmpCodec::DefaultExtension() const
{
    return FourCharCode("bmp ");
}

bool BmpCodec::OnSniff(Bytes inBytes) const
{
    return inBytes.size() >= 2 && inBytes[0] == 'B' && inBytes[1] == 'M';
}

Result<ImageInfo> BmpCodec::OnInfo(Bytes inBytes, uint32_t inImageIndex) const
{
    if (inImageIndex != 0) {
        return Fail(Status::kParameter);
    }
    const Result<BmpLayout> theLayout = ReadHeaders(inBytes);
    if (!theLayout) {
        return theLayout.Error();
    }
    return InfoOf(*theLayout);
}

Result<DecodedImage> BmpCodec::OnDecode(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions) const
{
    if (inImageIndex != 0) {
        return Fail(Status::kParameter);
    }
    const Result<BmpLayout> theLayout = ReadHeaders(inBytes);
    if (!theLayout) {
        return theLayout.Error();
    }
    const Status theSize = CheckDecodeSize(theLayout->mWidth, theLayout->mHeight, inOptions);
    if (theSize != Status::kOk) {
        return theSize;
    }
    const bool theRunLength = theLayout->mCompression == kRle8 || theLayout->mCompression == kRle4;
    if (!theRunLength) {
        const uint64_t theStride = ((uint64_t(theLayout->mWidth) * theLayout->mBitCount + 31) / 32) * 4;
        const uint64_t theLastRow = (uint64_t(theLayout->mWidth) * theLayout->mBitCount + 7) / 8;
        if (theStride * (theLayout->mHeight - 1) + theLastRow > inBytes.size() - theLayout->mPixelOffset) {
            return Fail(Status::kTruncated);
        }
    } else if (uint64_t(theLayout->mWidth) * theLayout->mHeight >
               uint64_t(inBytes.size() - theLayout->mPixelOffset) * 255 * 128 + 65536) {
        // Each two-byte run gives at most 255 pixels; a skip leaves at most 255 rows untouched.
        return Fail(Status::kTruncated);
    }

    uint8_t thePalette[256][4] = {};
    for (uint32_t theIndex = 0; theIndex < 256; ++theIndex) {
        thePalette[theIndex][3] = 255;
    }
    for (uint32_t theIndex = 0; theIndex < theLayout->mPaletteCount; ++theIndex) {
        std::memcpy(thePalette[theIndex],
                    inBytes.data() + theLayout->mPaletteOffset + size_t(theIndex) * theLayout->mPaletteEntrySize, 3);
    }

    DecodedImage theImage;
    theImage.mInfo = InfoOf(*theLayout);
    theImage.mPixels.assign(theImage.RowBytes() * theImage.mInfo.mHeight, 0);
    if (theRunLength) {
        const Status theStatus = DecodeRunLength(inBytes, *theLayout, theImage, thePalette);
        if (theStatus != Status::kOk) {
            return theStatus;
        }
    } else {
        DecodeRows(inBytes, *theLayout, theImage, thePalette);
    }
    return theImage;
}

namespace {

// One row of B, G, R, A pixels as 16, 24 or 32-bit BMP pixels, at memory speed: whole rows
// for 32 bits, and for 24 four-byte stores that each overlap the next pixel's first byte.
void CopyRow(const uint8_t* inPixels, uint32_t inWidth, uint16_t inBits, uint8_t* outRow)
{
    switch (inBits) {
    case 32:
        std::memcpy(outRow, inPixels, size_t(inWidth) * 4);
        break;
    case 24:
        if (inWidth == 0) {
            break;
        }
        for (uint32_t theX = 0; theX + 1 < inWidth; ++theX) {
            std::memcpy(outRow + size_t(theX) * 3, inPixels + size_t(theX) * 4, 4);
        }
        std::memcpy(outRow + size_t(inWidth - 1) * 3, inPixels + size_t(inWidth - 1) * 4, 3);
        break;
    default:
        for (uint32_t theX = 0; theX < inWidth; ++theX, inPixels += 4) {
            WriteLE16(outRow + theX * 2,
                      uint32_t(inPixels[2] >> 3) << 10 | uint32_t(inPixels[1] >> 3) << 5 | uint32_t(inPixels[0] >> 3));
        }
        break;
    }
}

}  // namespace

Status BmpCodec::OnEncode(const PictureView& inPicture, std::vector<uint8_t>& outBytes,
                          const EncodeOptions& inOptions) const
{
    const uint32_t theWidth = inPicture.mWidth;
    const uint32_t theHeight = inPicture.mHeight;
    // The file header holds the file's size in 32 bits.
    if (((uint64_t(theWidth) * 32 + 31) / 32) * 4 * theHeight + 1024 + kV4HeaderSize > UINT32_MAX) {
        return Fail(Status::kUnsupported);
    }
    bool theAlpha = inOptions.mDepth == 32;
    if (inOptions.mDepth == 0) {
        for (uint32_t theY = 0; theY < theHeight && !theAlpha; ++theY) {
            for (uint32_t theX = 0; theX < theWidth; ++theX) {
                theAlpha = theAlpha || inPicture.Row(theY)[size_t(theX) * 4 + 3] != 255;
            }
        }
    }
    switch (inOptions.mDepth) {
    case 1:
    case 8: {
        const IndexedPicture theIndexed = IndexedPicture::Make(inPicture, inOptions.mDepth);
        const std::vector<uint8_t> theRows = theIndexed.PackedRows(inOptions.mDepth, 4);
        const size_t theStride = theRows.size() / theHeight;
        PutHeaders(outBytes, inPicture, uint16_t(inOptions.mDepth), uint32_t(theIndexed.mColors.size()), false,
                   theRows.size());
        uint8_t* thePalette = outBytes.data() + kFileHeaderSize + kInfoHeaderSize;
        for (size_t theIndex = 0; theIndex < theIndexed.mColors.size(); ++theIndex) {
            std::memcpy(thePalette + theIndex * 4, theIndexed.mColors[theIndex].data(), 3);
        }
        for (uint32_t theY = theHeight; theY-- > 0;) {
            const uint8_t* theRow = theRows.data() + theStride * theY;
            outBytes.insert(outBytes.end(), theRow, theRow + theStride);
        }
        return Status::kOk;
    }
    case 0:
    case 16:
    case 24:
    case 32: {
        const uint16_t theBits = inOptions.mDepth == 16 ? 16 : (theAlpha ? 32 : 24);
        const size_t theStride = ((size_t(theWidth) * theBits + 31) / 32) * 4;
        PutHeaders(outBytes, inPicture, theBits, 0, theBits == 32, theStride * theHeight);
        const size_t theStart = outBytes.size();
        outBytes.resize(theStart + theStride * theHeight);
        for (uint32_t theY = 0; theY < theHeight; ++theY) {
            uint8_t* theOut = outBytes.data() + theStart + theStride * (theHeight - 1 - theY);
            CopyRow(inPicture.Row(theY), theWidth, theBits, theOut);
            std::memset(theOut + (size_t(theWidth) * theBits + 7) / 8, 0,
                        theStride - (size_t(theWidth) * theBits + 7) / 8);
        }
        return Status::kOk;
    }
    default:
        return Fail(Status::kUnsupported);
    }
}

}  // namespace vx::codecs
