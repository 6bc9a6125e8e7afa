#include "vellumax/formats/Writegif.h"

#include "vellumax/formats/GifLzwEncoder.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

constexpr std::int32_t kMaxColors = 256;
constexpr std::int32_t kMaxSide = 0xFFFF;  // sides are 16-bit fields
constexpr std::int32_t kPacketData = 255;  // data bytes of a full sub-block
constexpr std::uint8_t kTrailer = 0x3B;

// Code bytes are staged and cut into sub-blocks many packets at a time; the
// slack takes the eight-byte stores of the code loop past the last whole byte.
constexpr std::int32_t kStageSize = kPacketData * 16;
constexpr std::int32_t kStageSlack = 8;
// A pixel's code and a clear code, each at most 9 bits, on top of fewer than 8
// held bits complete at most 3 bytes.
constexpr std::int32_t kMaxBytesPerPixel = 3;

struct GifEncoderState {
    // Picture
    std::int32_t mWidth = 0;
    std::int32_t mHeight = 0;
    std::int32_t mColorCount = 0;
    const GifColorEntry* mColors = nullptr;
    std::int32_t mTransparent = -1;
    bool mHasTransparent = false;
    bool mInterlace = false;
    GifCodes mCodes = GifCodes::kLiteral;
    const GifRowSource* mRows = nullptr;
    std::int32_t mBitsPerPixel = 1;

    // Code layout: the width never changes, because a clear code is sent before
    // the decoder's table would outgrow it.
    std::uint32_t mInitialCodeSize = 2;
    std::uint32_t mCodeWidth = 3;
    std::uint32_t mClearCode = 4;
    std::uint32_t mEndCode = 5;
    // NOTE: the next free code is kept as the count of literal codes left until
    // it reaches the largest code of the width, which is when the clear is due.
    std::int32_t mCodesPerClear = 2;
    std::int32_t mCodesUntilClear = 2;

    // Fewer than 8 bits are held between codes; 64 bits wide for the code loop.
    std::uint64_t mAccumulator = 0;
    std::uint32_t mBitsHeld = 0;

    // Packet data not yet written as sub-blocks.
    std::int32_t mPacketCount = 0;
    std::uint8_t mPacket[kStageSize + kStageSlack];

    // Output buffer; mPos == mEnd once a write has not fitted.
    std::uint8_t* mStart = nullptr;
    std::uint8_t* mPos = nullptr;
    std::uint8_t* mEnd = nullptr;
};

// Byte-level writes. A write fits only if it leaves the position strictly before
// the end; one that does not writes nothing and moves the position to the end,
// so every later write fails too.

void PutBytes(GifEncoderState& ioState, const std::uint8_t* inBytes, std::ptrdiff_t inCount)
{
    if (inCount < ioState.mEnd - ioState.mPos) {
        std::memcpy(ioState.mPos, inBytes, static_cast<std::size_t>(inCount));
        ioState.mPos += inCount;
    } else {
        ioState.mPos = ioState.mEnd;
    }
}

void PutByte(GifEncoderState& ioState, std::uint8_t inByte)
{
    PutBytes(ioState, &inByte, 1);
}

void PutWord(GifEncoderState& ioState, std::uint16_t inWord)
{
    const std::uint8_t theBytes[2] = {static_cast<std::uint8_t>(inWord & 0xFF), static_cast<std::uint8_t>(inWord >> 8)};
    PutBytes(ioState, theBytes, 2);
}

// One sub-block: the length byte and the data, as a single write.
void PutPacket(GifEncoderState& ioState, const std::uint8_t* inData, std::int32_t inCount)
{
    if (inCount + 1 < ioState.mEnd - ioState.mPos) {
        ioState.mPos[0] = static_cast<std::uint8_t>(inCount);
        std::memcpy(ioState.mPos + 1, inData, static_cast<std::size_t>(inCount));
        ioState.mPos += inCount + 1;
    } else {
        ioState.mPos = ioState.mEnd;
    }
}

bool Failed(const GifEncoderState& inState)
{
    return inState.mPos == inState.mEnd;
}

// Signature: version 89a only when a transparent index needs the extension.
void WriteSignature(GifEncoderState& ioState)
{
    const std::uint8_t theSignature[6] = {
        'G', 'I', 'F', '8', static_cast<std::uint8_t>(ioState.mHasTransparent ? '9' : '7'), 'a'};
    PutBytes(ioState, theSignature, 6);
}

// Logical screen descriptor: global table present, colour resolution and table
// size both b, background index 0, no aspect ratio.
void WriteScreenDescriptor(GifEncoderState& ioState)
{
    const std::uint32_t theSize = static_cast<std::uint32_t>(ioState.mBitsPerPixel - 1);
    PutWord(ioState, static_cast<std::uint16_t>(ioState.mWidth));
    PutWord(ioState, static_cast<std::uint16_t>(ioState.mHeight));
    PutByte(ioState, static_cast<std::uint8_t>(0x80 | (theSize << 4) | theSize));
    PutByte(ioState, 0);
    PutByte(ioState, 0);
}

// Global colour table: 2^b entries of the components' high bytes.
void WriteColorTable(GifEncoderState& ioState)
{
    const std::int32_t theEntries = 1 << ioState.mBitsPerPixel;
    for (std::int32_t theIndex = 0; theIndex < theEntries; ++theIndex) {
        std::uint8_t theRGB[3] = {0, 0, 0};
        // NOTE: the caller's table holds only the colours in use; the padding up
        // to the power of two is written black rather than read past its end.
        if (theIndex < ioState.mColorCount) {
            const GifRGBColor& theColor = ioState.mColors[theIndex].rgb;
            theRGB[0] = static_cast<std::uint8_t>(theColor.red >> 8);
            theRGB[1] = static_cast<std::uint8_t>(theColor.green >> 8);
            theRGB[2] = static_cast<std::uint8_t>(theColor.blue >> 8);
        }
        PutBytes(ioState, theRGB, 3);
    }
}

// Graphic control extension: transparent colour flag, no delay, no disposal.
void WriteGraphicControl(GifEncoderState& ioState)
{
    const std::uint8_t theExtension[8] = {
        0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, static_cast<std::uint8_t>(ioState.mTransparent & 0xFF), 0x00};
    PutBytes(ioState, theExtension, 8);
}

// Image descriptor: the whole screen, no local colour table.
void WriteImageDescriptor(GifEncoderState& ioState)
{
    PutByte(ioState, 0x2C);
    PutWord(ioState, 0);
    PutWord(ioState, 0);
    PutWord(ioState, static_cast<std::uint16_t>(ioState.mWidth));
    PutWord(ioState, static_cast<std::uint16_t>(ioState.mHeight));
    PutByte(ioState, ioState.mInterlace ? 0x40 : 0x00);
}

// Image data: the LZW code stream, staged and written as sub-blocks.

inline void StoreLittleEndian64(std::uint8_t* outBytes, std::uint64_t inValue)
{
    if constexpr (std::endian::native == std::endian::big) {
        inValue = __builtin_bswap64(inValue);
    }
    std::memcpy(outBytes, &inValue, sizeof inValue);
}

// Only for the few codes outside pixel runs; the stage always has room for them.
void SendCode(GifEncoderState& ioState, std::uint32_t inCode)
{
    ioState.mAccumulator |= std::uint64_t{inCode & 0xFFFF} << ioState.mBitsHeld;
    ioState.mBitsHeld += ioState.mCodeWidth;
    while (ioState.mBitsHeld >= 8) {
        ioState.mPacket[ioState.mPacketCount++] = static_cast<std::uint8_t>(ioState.mAccumulator);
        ioState.mAccumulator >>= 8;
        ioState.mBitsHeld -= 8;
    }
}

// The hot loop: one literal code per pixel, and the clear code when its run is
// complete. Each step's bytes are stored eight at a time and only the whole ones
// kept, so there is no branch per byte; the caller guarantees the stage has room.
void SendPixelRun(GifEncoderState& ioState, const std::uint8_t* inPixels, std::int32_t inCount)
{
    std::uint64_t theAccumulator = ioState.mAccumulator;
    std::uint32_t theBits = ioState.mBitsHeld;
    std::int32_t theUntilClear = ioState.mCodesUntilClear;
    std::uint8_t* theOut = ioState.mPacket + ioState.mPacketCount;
    const std::uint32_t theWidth = ioState.mCodeWidth;
    const std::uint64_t theClear = ioState.mClearCode;
    const std::int32_t thePerClear = ioState.mCodesPerClear;
    for (std::int32_t theIndex = 0; theIndex < inCount; ++theIndex) {
        theAccumulator |= std::uint64_t{inPixels[theIndex]} << theBits;
        theBits += theWidth;
        if (--theUntilClear == 0) {
            theAccumulator |= theClear << theBits;
            theBits += theWidth;
            theUntilClear = thePerClear;
        }
        StoreLittleEndian64(theOut, theAccumulator);
        const std::uint32_t theWhole = theBits >> 3;
        theOut += theWhole;
        theAccumulator >>= theWhole * 8;
        theBits &= 7;
    }
    ioState.mAccumulator = theAccumulator;
    ioState.mBitsHeld = theBits;
    ioState.mCodesUntilClear = theUntilClear;
    ioState.mPacketCount = static_cast<std::int32_t>(theOut - ioState.mPacket);
}

// Writes every full packet held in the stage, keeping the remainder.
void FlushFullPackets(GifEncoderState& ioState)
{
    std::int32_t theOffset = 0;
    while (ioState.mPacketCount - theOffset >= kPacketData) {
        PutPacket(ioState, ioState.mPacket + theOffset, kPacketData);
        theOffset += kPacketData;
    }
    if (theOffset > 0) {
        ioState.mPacketCount -= theOffset;
        std::memmove(ioState.mPacket, ioState.mPacket + theOffset, static_cast<std::size_t>(ioState.mPacketCount));
    }
}

void SendRow(GifEncoderState& ioState, const std::uint8_t* inRow)
{
    std::int32_t theLeft = ioState.mWidth;
    while (theLeft > 0) {
        const std::int32_t theRoom = (kStageSize - ioState.mPacketCount) / kMaxBytesPerPixel;
        const std::int32_t theRun = std::min(theLeft, theRoom);
        SendPixelRun(ioState, inRow, theRun);
        inRow += theRun;
        theLeft -= theRun;
        FlushFullPackets(ioState);
    }
}

// Calls inSend with the row; a row the source cannot give fails the file.
template <typename RowSink>
void SendRowAt(GifEncoderState& ioState, std::int32_t inRow, RowSink& inSend)
{
    if (const std::uint8_t* theRow = (*ioState.mRows)(inRow)) {
        inSend(theRow);
    } else {
        ioState.mPos = ioState.mEnd;
    }
}

// Calls inSend with each row in file order: top to bottom, or the four passes
// of an interlaced picture. Rows stop early once a write has failed: the result
// is null whatever follows.
template <typename RowSink>
void VisitRows(GifEncoderState& ioState, RowSink&& inSend)
{
    if (!ioState.mInterlace) {
        for (std::int32_t theRow = 0; theRow < ioState.mHeight && !Failed(ioState); ++theRow) {
            SendRowAt(ioState, theRow, inSend);
        }
        return;
    }
    struct Pass {
        std::int32_t mFirst;
        std::int32_t mStep;
    };
    static constexpr Pass kPasses[4] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    for (const Pass& thePass : kPasses) {
        for (std::int32_t theRow = thePass.mFirst; theRow < ioState.mHeight && !Failed(ioState);
             theRow += thePass.mStep) {
            SendRowAt(ioState, theRow, inSend);
        }
    }
}

void WriteLiteralData(GifEncoderState& ioState)
{
    SendCode(ioState, ioState.mClearCode);
    VisitRows(ioState, [&ioState](const std::uint8_t* inRow) { SendRow(ioState, inRow); });

    SendCode(ioState, ioState.mEndCode);
    if (ioState.mBitsHeld > 0) {
        ioState.mPacket[ioState.mPacketCount++] = static_cast<std::uint8_t>(ioState.mAccumulator);
        ioState.mAccumulator = 0;
        ioState.mBitsHeld = 0;
    }
    FlushFullPackets(ioState);
    if (ioState.mPacketCount > 0) {
        PutPacket(ioState, ioState.mPacket, ioState.mPacketCount);
        ioState.mPacketCount = 0;
    }
}

void WriteCompressedData(GifEncoderState& ioState)
{
    GifLzwEncoder theEncoder(ioState.mInitialCodeSize, std::int64_t{ioState.mWidth} * ioState.mHeight);
    VisitRows(ioState, [&ioState, &theEncoder](const std::uint8_t* inRow) { theEncoder.Add(inRow, ioState.mWidth); });
    theEncoder.Finish();
    const std::uint8_t* theData = theEncoder.Data();
    for (std::int64_t theLeft = theEncoder.Size(); theLeft > 0 && !Failed(ioState);) {
        const auto theCount = static_cast<std::int32_t>(std::min<std::int64_t>(theLeft, kPacketData));
        PutPacket(ioState, theData, theCount);
        theData += theCount;
        theLeft -= theCount;
    }
}

void WriteImageData(GifEncoderState& ioState)
{
    PutByte(ioState, static_cast<std::uint8_t>(ioState.mInitialCodeSize));
    if (ioState.mCodes == GifCodes::kCompressed) {
        WriteCompressedData(ioState);
    } else {
        WriteLiteralData(ioState);
    }
    PutByte(ioState, 0x00);
}

// Trailer.
void WriteTrailer(GifEncoderState& ioState)
{
    PutByte(ioState, kTrailer);
}

void SetUpCodes(GifEncoderState& ioState)
{
    ioState.mBitsPerPixel = 1;
    while (ioState.mColorCount > (1 << ioState.mBitsPerPixel)) {
        ++ioState.mBitsPerPixel;
    }
    ioState.mInitialCodeSize = static_cast<std::uint32_t>(std::max(ioState.mBitsPerPixel, 2));
    ioState.mCodeWidth = ioState.mInitialCodeSize + 1;
    ioState.mClearCode = 1u << ioState.mInitialCodeSize;
    ioState.mEndCode = ioState.mClearCode + 1;
    // From clear + 2 up to the largest code of the width, 2^width - 1.
    ioState.mCodesPerClear = static_cast<std::int32_t>(ioState.mClearCode) - 2;
    ioState.mCodesUntilClear = ioState.mCodesPerClear;
}

bool Encodable(std::int32_t inWidth, std::int32_t inHeight, std::int32_t inColorCount)
{
    return inWidth >= 0 && inHeight >= 0 && inWidth <= kMaxSide && inHeight <= kMaxSide && inColorCount <= kMaxColors;
}

enum class Trailer { kWritten, kLeftToCaller };

// Writes the file from inStart on, never touching the byte before inEnd or
// beyond; its length, or -1 when it does not fit or a row cannot be had.
std::int64_t EncodeInto(std::uint8_t* inStart, std::uint8_t* inEnd, std::int32_t inWidth, std::int32_t inHeight,
                        std::int32_t inColorCount, const GifColorEntry* inColors, std::int32_t inTransparent,
                        std::uint8_t inInterlace, const GifRowSource& inRows, GifCodes inCodes,
                        Trailer inTrailer = Trailer::kWritten)
{
    GifEncoderState theState;
    theState.mWidth = inWidth;
    theState.mHeight = inHeight;
    theState.mColorCount = inColorCount;
    theState.mColors = inColors;
    theState.mTransparent = inTransparent;
    theState.mHasTransparent = inTransparent >= 0;
    theState.mInterlace = inInterlace != 0;
    theState.mCodes = inCodes;
    theState.mRows = &inRows;
    theState.mStart = inStart;
    theState.mPos = inStart;
    theState.mEnd = inEnd;
    SetUpCodes(theState);

    WriteSignature(theState);
    WriteScreenDescriptor(theState);
    WriteColorTable(theState);
    if (theState.mHasTransparent) {
        WriteGraphicControl(theState);
    }
    WriteImageDescriptor(theState);
    WriteImageData(theState);
    if (inTrailer == Trailer::kWritten) {
        WriteTrailer(theState);
    }
    return Failed(theState) ? -1 : theState.mPos - theState.mStart;
}

}  // namespace

namespace WritegifDetail {

std::int64_t OutputCapacity(std::int32_t inWidth, std::int32_t inHeight, GifCodes inCodes)
{
    const std::int64_t thePixels = std::int64_t{inWidth} * inHeight;
    if (inCodes == GifCodes::kCompressed) {
        // 12 bits per pixel, a clear code per 3838 codes, a length byte per
        // 255 bytes: 8 / 5 of a byte per pixel leaves room for all of it.
        return thePixels * 8 / 5 + 2048;
    }
    return thePixels * 4 / 3 + 1024;
}

GifBytes EncodeGifRowsWithCapacity(std::int64_t inCapacity, std::int32_t inWidth, std::int32_t inHeight,
                                   std::int32_t inColorCount, const GifColorEntry* inColors, std::int32_t inTransparent,
                                   std::uint8_t inInterlace, const GifRowSource& inRows, std::int32_t& outLength,
                                   GifCodes inCodes)
{
    outLength = 0;
    assert(inColorCount <= kMaxColors);
    if (!Encodable(inWidth, inHeight, inColorCount)) {
        return nullptr;
    }
    // The length goes back through a 32-bit signed field: refuse before allocating.
    if (inCapacity <= 0 || inCapacity > std::numeric_limits<std::int32_t>::max()) {
        return nullptr;
    }
    GifBytes theOwner(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(inCapacity)]);
    std::uint8_t* theBuffer = theOwner.get();
    if (theBuffer == nullptr) {
        return nullptr;
    }
    const std::int64_t theLength = EncodeInto(theBuffer, theBuffer + inCapacity, inWidth, inHeight, inColorCount,
                                              inColors, inTransparent, inInterlace, inRows, inCodes);
    if (theLength < 0) {
        return nullptr;
    }
    outLength = static_cast<std::int32_t>(theLength);
    return theOwner;
}

GifBytes EncodeGifWithCapacity(std::int64_t inCapacity, std::int32_t inWidth, std::int32_t inHeight,
                               std::int32_t inColorCount, const GifColorEntry* inColors, std::int32_t inTransparent,
                               std::uint8_t inInterlace, std::int32_t inRowStride, const std::uint8_t* inPixels,
                               std::int32_t& outLength, GifCodes inCodes)
{
    const GifRowSource theRows = [inPixels, inRowStride](std::int32_t inRow) {
        return inPixels + static_cast<std::ptrdiff_t>(inRow) * inRowStride;
    };
    return EncodeGifRowsWithCapacity(inCapacity, inWidth, inHeight, inColorCount, inColors, inTransparent, inInterlace,
                                     theRows, outLength, inCodes);
}

}  // namespace WritegifDetail

GifBytes EncodeGif(std::int32_t inWidth, std::int32_t inHeight, std::int32_t inColorCount,
                   const GifColorEntry* inColors, std::int32_t inTransparent, std::uint8_t inInterlace,
                   std::int32_t inRowStride, const std::uint8_t* inPixels, std::int32_t& outLength, GifCodes inCodes)
{
    return WritegifDetail::EncodeGifWithCapacity(WritegifDetail::OutputCapacity(inWidth, inHeight, inCodes), inWidth,
                                                 inHeight, inColorCount, inColors, inTransparent, inInterlace,
                                                 inRowStride, inPixels, outLength, inCodes);
}

GifBytes EncodeGifRows(std::int32_t inWidth, std::int32_t inHeight, std::int32_t inColorCount,
                       const GifColorEntry* inColors, std::int32_t inTransparent, std::uint8_t inInterlace,
                       const GifRowSource& inRows, std::int32_t& outLength, GifCodes inCodes)
{
    return WritegifDetail::EncodeGifRowsWithCapacity(WritegifDetail::OutputCapacity(inWidth, inHeight, inCodes),
                                                     inWidth, inHeight, inColorCount, inColors, inTransparent,
                                                     inInterlace, inRows, outLength, inCodes);
}

std::int64_t LiteralGifLength(std::int32_t inWidth, std::int32_t inHeight, std::int32_t inColorCount,
                              bool inTransparent)
{
    if (!Encodable(inWidth, inHeight, inColorCount)) {
        return -1;
    }
    GifEncoderState theState;
    theState.mColorCount = inColorCount;
    SetUpCodes(theState);
    const std::int64_t thePixels = std::int64_t{inWidth} * inHeight;
    // A clear code first, one literal per pixel, a clear code after each run, the end code.
    const std::int64_t theCodes = 1 + thePixels + thePixels / theState.mCodesPerClear + 1;
    const std::int64_t theData = (theCodes * theState.mCodeWidth + 7) / 8;
    const std::int64_t theHeader =
        6 + 7 + 3 * (std::int64_t{1} << theState.mBitsPerPixel) + (inTransparent ? 8 : 0) + 10;
    // The code size byte, the data in sub-blocks of 255 with a length byte each, the terminator, the trailer.
    return theHeader + 1 + theData + (theData + kPacketData - 1) / kPacketData + 1 + 1;
}

bool EncodeLiteralGifRowsInto(std::uint8_t* outBuffer, std::int64_t inLength, std::int32_t inWidth,
                              std::int32_t inHeight, std::int32_t inColorCount, const GifColorEntry* inColors,
                              std::int32_t inTransparent, std::uint8_t inInterlace, const GifRowSource& inRows)
{
    if (outBuffer == nullptr || inLength != LiteralGifLength(inWidth, inHeight, inColorCount, inTransparent >= 0)) {
        return false;
    }
    // Writes stop strictly before the end, so the buffer's last byte, the trailer, is written here.
    if (EncodeInto(outBuffer, outBuffer + inLength, inWidth, inHeight, inColorCount, inColors, inTransparent,
                   inInterlace, inRows, GifCodes::kLiteral, Trailer::kLeftToCaller) != inLength - 1) {
        return false;
    }
    outBuffer[inLength - 1] = kTrailer;
    return true;
}
