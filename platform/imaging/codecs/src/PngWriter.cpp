#include "PngWriter.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "ByteOrder.h"

namespace vx::codecs {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr size_t kChunkOverhead = 12;  // length, type, CRC
constexpr uint64_t kMaxChunkData = 0x7fffffff;

enum class Filter : uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

struct CompressorDeleter {
    void operator()(libdeflate_compressor* inCompressor) const { libdeflate_free_compressor(inCompressor); }
};

// A compressor costs a few hundred kilobytes to set up; each thread keeps its last one.
libdeflate_compressor* CompressorFor(int inLevel)
{
    thread_local std::unique_ptr<libdeflate_compressor, CompressorDeleter> tCompressor;
    thread_local int tLevel = 0;
    if (tCompressor == nullptr || tLevel != inLevel) {
        tCompressor.reset(libdeflate_alloc_compressor(inLevel));
        tLevel = tCompressor != nullptr ? inLevel : 0;
    }
    return tCompressor.get();
}

uint8_t PaethPredictor(int inLeft, int inUp, int inUpLeft)
{
    const int theLeftDistance = std::abs(inUp - inUpLeft);
    const int theUpDistance = std::abs(inLeft - inUpLeft);
    const int theUpLeftDistance = std::abs(inLeft + inUp - 2 * inUpLeft);
    if (theLeftDistance <= theUpDistance && theLeftDistance <= theUpLeftDistance) {
        return uint8_t(inLeft);
    }
    return uint8_t(theUpDistance <= theUpLeftDistance ? inUp : inUpLeft);
}

// The usual guess at what deflates best: the least sum of the bytes read as signed.
uint32_t Cost(const uint8_t* inRow, size_t inBytes)
{
    uint32_t theSum = 0;
    for (size_t theIndex = 0; theIndex < inBytes; ++theIndex) {
        const uint8_t theByte = inRow[theIndex];
        theSum += theByte < 128 ? theByte : 256u - theByte;
    }
    return theSum;
}

void ApplyFilter(Filter inFilter, const uint8_t* inRow, const uint8_t* inPrevious, size_t inBytes, size_t inStride,
                 uint8_t* outRow)
{
    switch (inFilter) {
    case Filter::kNone:
        std::memcpy(outRow, inRow, inBytes);
        break;
    case Filter::kSub:
        std::memcpy(outRow, inRow, std::min(inStride, inBytes));
        for (size_t theIndex = inStride; theIndex < inBytes; ++theIndex) {
            outRow[theIndex] = uint8_t(inRow[theIndex] - inRow[theIndex - inStride]);
        }
        break;
    case Filter::kUp:
        for (size_t theIndex = 0; theIndex < inBytes; ++theIndex) {
            outRow[theIndex] = uint8_t(inRow[theIndex] - inPrevious[theIndex]);
        }
        break;
    case Filter::kAverage:
        for (size_t theIndex = 0; theIndex < std::min(inStride, inBytes); ++theIndex) {
            outRow[theIndex] = uint8_t(inRow[theIndex] - inPrevious[theIndex] / 2);
        }
        for (size_t theIndex = inStride; theIndex < inBytes; ++theIndex) {
            outRow[theIndex] =
                uint8_t(inRow[theIndex] - (unsigned(inRow[theIndex - inStride]) + inPrevious[theIndex]) / 2);
        }
        break;
    case Filter::kPaeth:
        for (size_t theIndex = 0; theIndex < std::min(inStride, inBytes); ++theIndex) {
            outRow[theIndex] = uint8_t(inRow[theIndex] - inPrevious[theIndex]);
        }
        for (size_t theIndex = inStride; theIndex < inBytes; ++theIndex) {
            outRow[theIndex] =
                uint8_t(inRow[theIndex] - PaethPredictor(inRow[theIndex - inStride], inPrevious[theIndex],
                                                         inPrevious[theIndex - inStride]));
        }
        break;
    }
}

// Filters every row into outData (a filter byte, then the row). Palettes and packed pixels
// deflate best unfiltered; whole bytes per sample take each row's cheapest filter.
void FilterImage(const PngForm& inForm, uint8_t* outData)
{
    const size_t theBytes = inForm.RowBytes();
    const size_t theStride = inForm.FilterStride();
    const bool theAdaptive = inForm.ColorType() != PngColorType::kPalette && inForm.BitDepth() == 8;
    std::vector<uint8_t> theRows(theBytes * 2, 0);
    std::vector<uint8_t> theTrial(theAdaptive ? theBytes : 0);
    uint8_t* theRow = theRows.data();
    uint8_t* thePrevious = theRows.data() + theBytes;
    for (uint32_t theY = 0; theY < inForm.Height(); ++theY) {
        uint8_t* theOut = outData + (theBytes + 1) * theY;
        if (theY > 0 && inForm.RepeatsRow(theY)) {
            // A repeated row is all zeros under Up (and a copy of the last unfiltered one).
            theOut[0] = uint8_t(theAdaptive ? Filter::kUp : Filter::kNone);
            if (theAdaptive) {
                std::memset(theOut + 1, 0, theBytes);
            } else {
                std::memcpy(theOut + 1, theOut - theBytes, theBytes);
            }
            continue;
        }
        inForm.PackRow(theY, theRow);
        Filter theBest = Filter::kNone;
        ApplyFilter(Filter::kNone, theRow, thePrevious, theBytes, theStride, theOut + 1);
        if (theAdaptive) {
            uint32_t theBestCost = Cost(theOut + 1, theBytes);
            for (Filter theFilter : {Filter::kSub, Filter::kUp, Filter::kAverage, Filter::kPaeth}) {
                ApplyFilter(theFilter, theRow, thePrevious, theBytes, theStride, theTrial.data());
                const uint32_t theCost = Cost(theTrial.data(), theBytes);
                if (theCost < theBestCost) {
                    theBestCost = theCost;
                    theBest = theFilter;
                    std::memcpy(theOut + 1, theTrial.data(), theBytes);
                }
            }
        }
        theOut[0] = uint8_t(theBest);
        std::swap(theRow, thePrevious);
    }
}

void PutChunkHeader(uint8_t* outChunk, uint32_t inLength, const char* inType)
{
    WriteBE32(outChunk, inLength);
    std::memcpy(outChunk + 4, inType, 4);
}

// The CRC over the type and data of the chunk at inChunk, written after its data.
void PutChunkCrc(uint8_t* inChunk, uint32_t inLength)
{
    WriteBE32(inChunk + 8 + inLength, libdeflate_crc32(0, inChunk + 4, size_t(inLength) + 4));
}

void AppendChunk(std::vector<uint8_t>& ioBytes, const char* inType, const std::vector<uint8_t>& inData)
{
    const size_t theStart = ioBytes.size();
    ioBytes.resize(theStart + kChunkOverhead + inData.size());
    PutChunkHeader(ioBytes.data() + theStart, uint32_t(inData.size()), inType);
    if (!inData.empty()) {
        std::memcpy(ioBytes.data() + theStart + 8, inData.data(), inData.size());
    }
    PutChunkCrc(ioBytes.data() + theStart, uint32_t(inData.size()));
}

void AppendHeaders(const PngForm& inForm, std::vector<uint8_t>& ioBytes)
{
    ioBytes.insert(ioBytes.end(), std::begin(kSignature), std::end(kSignature));
    std::vector<uint8_t> theHeader(13, 0);
    WriteBE32(theHeader.data(), inForm.Width());
    WriteBE32(theHeader.data() + 4, inForm.Height());
    theHeader[8] = uint8_t(inForm.BitDepth());
    theHeader[9] = uint8_t(inForm.ColorType());
    AppendChunk(ioBytes, "IHDR", theHeader);
    if (inForm.ColorType() != PngColorType::kPalette) {
        return;
    }
    std::vector<uint8_t> thePalette;
    for (const auto& theColor : inForm.Colors()) {
        thePalette.insert(thePalette.end(), {theColor[2], theColor[1], theColor[0]});
    }
    AppendChunk(ioBytes, "PLTE", thePalette);
    if (const size_t theCount = inForm.TranslucentCount(); theCount > 0) {
        std::vector<uint8_t> theAlphas;
        for (size_t theIndex = 0; theIndex < theCount; ++theIndex) {
            theAlphas.push_back(inForm.Colors()[theIndex][3]);
        }
        AppendChunk(ioBytes, "tRNS", theAlphas);
    }
}

}  // namespace

int PngDeflateLevel(int32_t inQuality)
{
    return std::clamp((inQuality * 12 + 512) / 1024, 1, 12);
}

Status WriteProgressivePng(const PngForm& inForm, int inLevel, std::vector<uint8_t>& outBytes)
{
    libdeflate_compressor* theCompressor = CompressorFor(inLevel);
    if (theCompressor == nullptr) {
        return Fail(Status::kTooLarge);
    }
    const size_t theFilteredBytes = (inForm.RowBytes() + 1) * inForm.Height();
    std::vector<uint8_t> theFiltered(theFilteredBytes);
    FilterImage(inForm, theFiltered.data());

    AppendHeaders(inForm, outBytes);
    const size_t theBound = libdeflate_zlib_compress_bound(theCompressor, theFilteredBytes);
    const size_t theStart = outBytes.size();
    outBytes.resize(theStart + kChunkOverhead + theBound);
    const size_t theCompressed = libdeflate_zlib_compress(theCompressor, theFiltered.data(), theFilteredBytes,
                                                          outBytes.data() + theStart + 8, theBound);
    if (theCompressed == 0 || theCompressed > kMaxChunkData) {
        outBytes.clear();
        return Fail(Status::kTooLarge);
    }
    PutChunkHeader(outBytes.data() + theStart, uint32_t(theCompressed), "IDAT");
    PutChunkCrc(outBytes.data() + theStart, uint32_t(theCompressed));
    outBytes.resize(theStart + kChunkOverhead + theCompressed);
    AppendChunk(outBytes, "IEND", {});
    return Status::kOk;
}

}  // namespace vx::codecs
