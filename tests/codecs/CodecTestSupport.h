// Files made and read by the format libraries themselves, so that the codecs are checked
// against an independent implementation, and a runner for decodes under a memory limit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "codecs/CodecRegistry.h"

namespace vx::codecs::test {

using ByteVector = std::vector<uint8_t>;

// A BGRA picture with a recognisable pattern and, optionally, varying alpha.
struct Pixels {
    uint32_t mWidth = 0;
    uint32_t mHeight = 0;
    ByteVector mBgra;

    static Pixels Pattern(uint32_t inWidth, uint32_t inHeight, bool inAlpha);
    PictureView View() const { return {mBgra.data(), mWidth, mHeight, size_t(mWidth) * 4}; }
    const uint8_t* At(uint32_t inX, uint32_t inY) const { return mBgra.data() + (size_t(inY) * mWidth + inX) * 4; }
};

// Largest difference of any channel; pictures of different sizes differ by 256.
int MaxDifference(const Pixels& inExpected, const DecodedImage& inActual);
int MaxDifference(const Pixels& inExpected, const Pixels& inActual);

// libpng: rows are already in the file's sample layout.
struct PngSpec {
    PngSpec(uint32_t inWidth, uint32_t inHeight, int inBitDepth, int inColorType, bool inInterlaced = false)
        : mWidth(inWidth), mHeight(inHeight), mBitDepth(inBitDepth), mColorType(inColorType), mInterlaced(inInterlaced)
    {
    }
    uint32_t mWidth = 1;
    uint32_t mHeight = 1;
    int mBitDepth = 8;
    int mColorType = 6;
    bool mInterlaced = false;
    uint32_t mPixelsPerMetre = 0;   // 0: no pHYs
    std::vector<uint8_t> mPalette;  // R, G, B triples
    std::vector<uint8_t> mAlphas;   // tRNS for palettes
};
ByteVector WritePngWithLibrary(const PngSpec& inSpec, const std::vector<ByteVector>& inRows);
Pixels ReadPngWithLibrary(const ByteVector& inFile);  // empty on failure

// libjpeg: grey (1 component), colour (3, given as RGB) or CMYK (4).
struct JpegSpec {
    JpegSpec(uint32_t inWidth, uint32_t inHeight, int inComponents)
        : mWidth(inWidth), mHeight(inHeight), mComponents(inComponents)
    {
    }
    uint32_t mWidth = 1;
    uint32_t mHeight = 1;
    int mComponents = 3;
    int mQuality = 95;
    bool mJfif = true;
    int mDensityUnit = 1;
    int mDensity = 72;
    bool mProgressive = false;
    bool mManyScans = false;  // a valid script of 127 scans (grey only)
};
ByteVector WriteJpegWithLibrary(const JpegSpec& inSpec, const ByteVector& inSamples);
Pixels ReadJpegWithLibrary(const ByteVector& inFile, int* outComponents = nullptr);

// giflib: frames of palette indices.
struct GifFrameSpec {
    GifFrameSpec(uint32_t inLeft, uint32_t inTop, uint32_t inWidth, uint32_t inHeight, bool inInterlaced = false)
        : mLeft(inLeft), mTop(inTop), mWidth(inWidth), mHeight(inHeight), mInterlaced(inInterlaced)
    {
    }
    uint32_t mLeft = 0, mTop = 0, mWidth = 1, mHeight = 1;
    bool mInterlaced = false;
    std::vector<uint8_t> mLocalColors;  // R, G, B triples; empty: the global table
    int mTransparent = -1;
    ByteVector mIndices;
};
ByteVector WriteGifWithLibrary(uint32_t inWidth, uint32_t inHeight, const std::vector<uint8_t>& inGlobalColors,
                               const std::vector<GifFrameSpec>& inFrames);

// libtiff: one directory per entry.
struct TiffSpec {
    TiffSpec(uint32_t inWidth, uint32_t inHeight, int inSamples, int inBits, float inResolution, int inUnit,
             ByteVector inData)
        : mWidth(inWidth),
          mHeight(inHeight),
          mSamples(inSamples),
          mBits(inBits),
          mResolution(inResolution),
          mUnit(inUnit),
          mSamplesData(std::move(inData))
    {
    }
    uint32_t mWidth = 1;
    uint32_t mHeight = 1;
    int mSamples = 3;         // 1 grey, 3 RGB, 4 RGBA (unassociated)
    int mBits = 8;            // 1 or 8
    float mResolution = 0;    // 0: no XResolution
    int mUnit = 2;            // 2 inch, 3 centimetre
    ByteVector mSamplesData;  // rows packed in the file's layout
    uint32_t mRowsPerStrip = 2;
};
ByteVector WriteTiffWithLibrary(const std::vector<TiffSpec>& inDirectories);
// Directory count and the first directory's pixels (straight alpha).
Pixels ReadTiffWithLibrary(const ByteVector& inFile, int* outDirectories = nullptr);

ByteVector WriteWebpWithLibrary(const Pixels& inPixels, bool inLossless);
Pixels ReadWebpWithLibrary(const ByteVector& inFile);

// Runs inWork in a child process whose address space is limited to inLimitBytes (in process
// under AddressSanitizer, whose shadow memory needs more). mStatus is what inWork returned, or
// INT32_MIN when the child crashed or was killed; mLargest is its largest operator new.
struct LimitedRun {
    int32_t mStatus = INT32_MIN;
    size_t mLargest = 0;
};
LimitedRun RunWithMemoryLimit(uint64_t inLimitBytes, const std::function<Status()>& inWork);

// The largest single allocation made through operator new since the last reset.
void ResetLargestAllocation();
size_t LargestAllocation();

std::string DataPath(const std::string& inName);

}  // namespace vx::codecs::test
