#include "GifCodec.h"

#include <gif_lib.h>

#include <cstring>
#include <memory>

#include "ByteOrder.h"

namespace vx::codecs {

namespace {

constexpr std::string_view kMimeTypes[] = {"image/gif"};
// One LZW code of at least 3 bits stands for at most 4096 pixels.
constexpr uint64_t kLzwPixelsPerByte = 4096 * 8 / 3;

struct GifFrame {
    uint32_t mLeft = 0;
    uint32_t mTop = 0;
    uint32_t mWidth = 0;
    uint32_t mHeight = 0;
    int mTableBits = 0;  // bits of the colour table that applies (local, else global; 0 none)
    int mTransparent = -1;
    size_t mDescriptor = 0;   // offset of the image descriptor's separator
    uint64_t mDataBytes = 0;  // LZW bytes in the frame's sub-blocks
};

struct GifLayout {
    uint32_t mScreenWidth = 0;
    uint32_t mScreenHeight = 0;
    size_t mHeaderEnd = 0;  // end of header, screen descriptor and global table
    std::vector<GifFrame> mFrames;
};

class BlockReader {
public:
    explicit BlockReader(Bytes inBytes) : mBytes(inBytes) {}
    bool Has(size_t inCount) const { return mBytes.size() - mPos >= inCount; }
    const uint8_t* Take(size_t inCount)
    {
        const uint8_t* theStart = mBytes.data() + mPos;
        mPos += inCount;
        return theStart;
    }
    size_t Pos() const { return mPos; }

    // Skips sub-blocks up to the empty one; false when the data ends first.
    bool SkipSubBlocks(uint64_t* outDataBytes)
    {
        for (;;) {
            if (!Has(1)) {
                return false;
            }
            const uint8_t theLength = *Take(1);
            if (theLength == 0) {
                return true;
            }
            if (!Has(theLength)) {
                return false;
            }
            const uint8_t* theData = Take(theLength);
            if (outDataBytes != nullptr) {
                *outDataBytes += theLength;
            }
            mLast = theData;
            mLastLength = theLength;
        }
    }
    const uint8_t* mLast = nullptr;
    uint8_t mLastLength = 0;

private:
    Bytes mBytes;
    size_t mPos = 0;
};

// Bits of a colour table whose presence and size a descriptor's flags byte gives; 0 for none.
int TableBits(uint8_t inFlags)
{
    return (inFlags & 0x80) ? (inFlags & 7) + 1 : 0;
}

// Header, screen descriptor and global colour table; the global table's bits.
Result<int> ReadScreen(BlockReader& ioReader, GifLayout& outLayout)
{
    if (!ioReader.Has(13)) {
        return Fail(Status::kTruncated);
    }
    const uint8_t* theScreen = ioReader.Take(13) + 6;
    outLayout.mScreenWidth = ReadLE16(theScreen);
    outLayout.mScreenHeight = ReadLE16(theScreen + 2);
    const int theGlobalBits = TableBits(theScreen[4]);
    if (theGlobalBits != 0) {
        if (!ioReader.Has(size_t(3) << theGlobalBits)) {
            return Fail(Status::kTruncated);
        }
        ioReader.Take(size_t(3) << theGlobalBits);
    }
    outLayout.mHeaderEnd = ioReader.Pos();
    return theGlobalBits;
}

// How a block ended the walk, or did not.
enum class BlockEnd { kGoOn, kStop, kCorrupt };

// An extension after its introducer. A graphic control block sets ioTransparent for the next frame.
BlockEnd SkipExtension(BlockReader& ioReader, int& ioTransparent)
{
    if (!ioReader.Has(1)) {
        return BlockEnd::kStop;
    }
    const uint8_t theLabel = *ioReader.Take(1);
    ioReader.mLast = nullptr;
    if (!ioReader.SkipSubBlocks(nullptr)) {
        return BlockEnd::kStop;
    }
    // Graphic control: the one sub-block's flags and transparent index.
    if (theLabel == 0xF9 && ioReader.mLast != nullptr && ioReader.mLastLength >= 4) {
        ioTransparent = (ioReader.mLast[0] & 1) ? ioReader.mLast[3] : -1;
    }
    return BlockEnd::kGoOn;
}

// An image after its separator: descriptor, local table and LZW data. kStop when cut short.
BlockEnd ReadFrame(BlockReader& ioReader, int inGlobalBits, GifFrame& outFrame)
{
    outFrame.mDescriptor = ioReader.Pos() - 1;
    if (!ioReader.Has(9)) {
        return BlockEnd::kStop;
    }
    const uint8_t* theDescriptor = ioReader.Take(9);
    outFrame.mLeft = ReadLE16(theDescriptor);
    outFrame.mTop = ReadLE16(theDescriptor + 2);
    outFrame.mWidth = ReadLE16(theDescriptor + 4);
    outFrame.mHeight = ReadLE16(theDescriptor + 6);
    const int theLocalBits = TableBits(theDescriptor[8]);
    outFrame.mTableBits = theLocalBits != 0 ? theLocalBits : inGlobalBits;
    if (theLocalBits != 0) {
        if (!ioReader.Has(size_t(3) << theLocalBits)) {
            return BlockEnd::kStop;
        }
        ioReader.Take(size_t(3) << theLocalBits);
    }
    if (!ioReader.Has(1)) {
        return BlockEnd::kStop;
    }
    const uint8_t theCodeSize = *ioReader.Take(1);
    if (theCodeSize < 1 || theCodeSize > 8) {
        return BlockEnd::kCorrupt;
    }
    return ioReader.SkipSubBlocks(&outFrame.mDataBytes) ? BlockEnd::kGoOn : BlockEnd::kStop;
}

// Walks every block before giflib sees the data, so that no frame is decoded whose sizes the
// bytes present cannot back. A frame cut short by the end of the data is left out.
Result<GifLayout> WalkBlocks(Bytes inBytes)
{
    BlockReader theReader(inBytes);
    GifLayout theLayout;
    const Result<int> theGlobalBits = ReadScreen(theReader, theLayout);
    if (!theGlobalBits) {
        return theGlobalBits.Error();
    }
    int theTransparent = -1;
    BlockEnd theEnd = BlockEnd::kGoOn;
    // No limit on frames: each takes at least 12 bytes, so the bytes bound the count.
    while (theEnd == BlockEnd::kGoOn && theReader.Has(1)) {
        const uint8_t theIntroducer = *theReader.Take(1);
        if (theIntroducer == 0x3B) {
            break;
        }
        if (theIntroducer == 0x21) {
            theEnd = SkipExtension(theReader, theTransparent);
            continue;
        }
        if (theIntroducer != 0x2C) {
            if (theLayout.mFrames.empty()) {
                return Fail(Status::kCorrupt);
            }
            break;  // trailing garbage after complete frames
        }
        GifFrame theFrame;
        theEnd = ReadFrame(theReader, *theGlobalBits, theFrame);
        if (theEnd == BlockEnd::kCorrupt) {
            return Fail(Status::kCorrupt);
        }
        if (theEnd == BlockEnd::kGoOn) {
            theFrame.mTransparent = theTransparent;
            theTransparent = -1;
            theLayout.mFrames.push_back(theFrame);
        }
    }
    if (theLayout.mFrames.empty()) {
        return Fail(theReader.Has(1) ? Status::kCorrupt : Status::kTruncated);
    }
    // A screen of no size takes the first frame's.
    if (theLayout.mScreenWidth == 0 || theLayout.mScreenHeight == 0) {
        theLayout.mScreenWidth = theLayout.mFrames[0].mLeft + theLayout.mFrames[0].mWidth;
        theLayout.mScreenHeight = theLayout.mFrames[0].mTop + theLayout.mFrames[0].mHeight;
    }
    return theLayout;
}

// giflib reads the header and global table, then the chosen frame's blocks, as one stream.
struct GifStream {
    Bytes mHead;
    Bytes mFrame;
    size_t mPos = 0;
};

int ReadStream(GifFileType* inGif, GifByteType* outData, int inLength)
{
    auto* theStream = static_cast<GifStream*>(inGif->UserData);
    int theDone = 0;
    while (theDone < inLength) {
        Bytes thePart = theStream->mPos < theStream->mHead.size() ? theStream->mHead : theStream->mFrame;
        const size_t theOffset =
            theStream->mPos < theStream->mHead.size() ? theStream->mPos : theStream->mPos - theStream->mHead.size();
        if (theOffset >= thePart.size()) {
            break;
        }
        const size_t theCount = std::min(size_t(inLength - theDone), thePart.size() - theOffset);
        std::memcpy(outData + theDone, thePart.data() + theOffset, theCount);
        theDone += int(theCount);
        theStream->mPos += theCount;
    }
    return theDone;
}

struct GifCloser {
    void operator()(GifFileType* inGif) const
    {
        int theError = 0;
        DGifCloseFile(inGif, &theError);
    }
};

Result<GifLayout> LayoutFor(Bytes inBytes, uint32_t inImageIndex)
{
    Result<GifLayout> theLayout = WalkBlocks(inBytes);
    if (theLayout && inImageIndex >= theLayout->mFrames.size()) {
        return Fail(Status::kParameter);
    }
    return theLayout;
}

ImageInfo InfoOf(const GifLayout& inLayout, uint32_t inImageIndex)
{
    ImageInfo theInfo;
    theInfo.mWidth = inLayout.mScreenWidth;
    theInfo.mHeight = inLayout.mScreenHeight;
    const int theBits = inLayout.mFrames[inImageIndex].mTableBits;
    theInfo.mDepth = int16_t(theBits == 0 ? 8 : theBits);
    theInfo.mResolution = 72;
    theInfo.mFormatName = "GIF";
    theInfo.mImageCount = uint32_t(inLayout.mFrames.size());
    return theInfo;
}

}  // namespace

MimeInfo GifCodec::Mime() const
{
    return {"gif", kMimeTypes, "GIF"};
}

uint32_t GifCodec::DefaultExtension() const
{
    return FourCharCode("gif ");
}

bool GifCodec::OnSniff(Bytes inBytes) const
{
    return inBytes.size() >= 6 &&
           (std::memcmp(inBytes.data(), "GIF87a", 6) == 0 || std::memcmp(inBytes.data(), "GIF89a", 6) == 0);
}

Result<uint32_t> GifCodec::OnImageCount(Bytes inBytes) const
{
    const Result<GifLayout> theLayout = WalkBlocks(inBytes);
    if (!theLayout) {
        return theLayout.Error();
    }
    return uint32_t(theLayout->mFrames.size());
}

Result<ImageInfo> GifCodec::OnInfo(Bytes inBytes, uint32_t inImageIndex) const
{
    const Result<GifLayout> theLayout = LayoutFor(inBytes, inImageIndex);
    if (!theLayout) {
        return theLayout.Error();
    }
    return InfoOf(*theLayout, inImageIndex);
}

Result<Codec::ImageInfos> GifCodec::OnDescribe(Bytes inBytes) const
{
    const Result<GifLayout> theLayout = WalkBlocks(inBytes);
    if (!theLayout) {
        return theLayout.Error();
    }
    ImageInfos theInfos;
    theInfos.reserve(theLayout->mFrames.size());
    for (uint32_t theIndex = 0; theIndex < theLayout->mFrames.size(); ++theIndex) {
        theInfos.push_back(InfoOf(*theLayout, theIndex));
    }
    return theInfos;
}

Result<DecodedImage> GifCodec::OnDecode(Bytes inBytes, uint32_t inImageIndex, const DecodeOptions& inOptions) const
{
    const Result<GifLayout> theLayout = LayoutFor(inBytes, inImageIndex);
    if (!theLayout) {
        return theLayout.Error();
    }
    const GifFrame& theFrame = theLayout->mFrames[inImageIndex];
    const Status theSize = CheckDecodeSize(theLayout->mScreenWidth, theLayout->mScreenHeight, inOptions);
    if (theSize != Status::kOk) {
        return theSize;
    }
    if (uint64_t(theFrame.mWidth) * theFrame.mHeight > theFrame.mDataBytes * kLzwPixelsPerByte + 4096) {
        return Fail(Status::kTruncated);
    }

    DecodedImage theImage;
    theImage.mInfo = InfoOf(*theLayout, inImageIndex);
    theImage.mPixels.assign(theImage.RowBytes() * theImage.mInfo.mHeight, 0);
    if (theFrame.mWidth == 0 || theFrame.mHeight == 0) {
        return theImage;
    }

    GifStream theStream{inBytes.first(theLayout->mHeaderEnd), inBytes.subspan(theFrame.mDescriptor)};
    int theError = 0;
    std::unique_ptr<GifFileType, GifCloser> theGif(DGifOpen(&theStream, ReadStream, &theError));
    GifRecordType theRecord = UNDEFINED_RECORD_TYPE;
    if (!theGif || DGifGetRecordType(theGif.get(), &theRecord) == GIF_ERROR || theRecord != IMAGE_DESC_RECORD_TYPE ||
        DGifGetImageDesc(theGif.get()) == GIF_ERROR) {
        return Fail(Status::kCorrupt);
    }
    const ColorMapObject* theMap = theGif->Image.ColorMap != nullptr ? theGif->Image.ColorMap : theGif->SColorMap;
    uint8_t theColors[256][4] = {};
    for (int theIndex = 0; theIndex < 256; ++theIndex) {
        theColors[theIndex][3] = 255;
        if (theMap != nullptr && theIndex < theMap->ColorCount) {
            theColors[theIndex][0] = theMap->Colors[theIndex].Blue;
            theColors[theIndex][1] = theMap->Colors[theIndex].Green;
            theColors[theIndex][2] = theMap->Colors[theIndex].Red;
        }
    }
    if (theFrame.mTransparent >= 0) {
        std::memset(theColors[theFrame.mTransparent], 0, 4);
    }

    // Interlaced frames send rows in four passes.
    static constexpr uint32_t kPassStart[] = {0, 4, 2, 1};
    static constexpr uint32_t kPassStep[] = {8, 8, 4, 2};
    const bool theInterlaced = theGif->Image.Interlace;
    std::vector<GifPixelType> theLine(theFrame.mWidth);
    uint32_t thePass = 0;
    uint32_t theY = 0;
    for (uint32_t theCount = 0; theCount < theFrame.mHeight; ++theCount) {
        if (DGifGetLine(theGif.get(), theLine.data(), int(theFrame.mWidth)) == GIF_ERROR) {
            return Fail(Status::kDataInconsistent);
        }
        const uint32_t theTop = theFrame.mTop + theY;
        if (theTop < theImage.mInfo.mHeight) {
            uint8_t* theRow = theImage.mPixels.data() + theImage.RowBytes() * theTop;
            for (uint32_t theX = 0; theX < theFrame.mWidth && theFrame.mLeft + theX < theImage.mInfo.mWidth; ++theX) {
                std::memcpy(theRow + size_t(theFrame.mLeft + theX) * 4, theColors[theLine[theX]], 4);
            }
        }
        if (!theInterlaced) {
            ++theY;
            continue;
        }
        theY += kPassStep[thePass];
        while (theY >= theFrame.mHeight && thePass < 3) {
            ++thePass;
            theY = kPassStart[thePass];
        }
    }
    return theImage;
}

}  // namespace vx::codecs
