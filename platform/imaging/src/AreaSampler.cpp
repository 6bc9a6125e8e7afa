#include "AreaSampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <emmintrin.h>

namespace vximaging {

bool AreaSampler::Applies(const MatrixD& inMatrix)
{
    const auto& m = inMatrix.m;
    if (m[0][1] != 0 || m[1][0] != 0 || m[0][2] != 0 || m[1][2] != 0 || m[2][2] != 1)
        return false;
    const double theSx = m[0][0];
    const double theSy = m[1][1];
    return theSx > 0 && theSy > 0 && theSx <= 1 && theSy <= 1 && (theSx < 1 || theSy < 1);
}

void AreaSampler::MakeSpans(double inScale, double inOffset, int inSourceSize, int inFrom, int inTo,
                            std::vector<Span>& outSpans, std::vector<std::uint32_t>& outWeights)
{
    constexpr std::uint32_t kOne = 1u << kWeightBits;
    outSpans.assign(std::size_t(inTo - inFrom), Span{});
    outWeights.clear();
    for (int theDest = inFrom; theDest < inTo; ++theDest) {
        // Source coordinates (relative to the source rectangle) of the pixel's edges and centre.
        const double theCentre = (theDest + 0.5 - inOffset) / inScale;
        if (!(theCentre >= 0 && theCentre < inSourceSize))
            continue;
        const double theStart = std::max(0.0, (theDest - inOffset) / inScale);
        const double theEnd = std::min(double(inSourceSize), (theDest + 1 - inOffset) / inScale);
        const int theFirst = std::clamp(int(std::floor(theStart)), 0, inSourceSize - 1);
        const int theLast = std::clamp(int(std::ceil(theEnd)) - 1, theFirst, inSourceSize - 1);
        Span& theSpan = outSpans[std::size_t(theDest - inFrom)];
        theSpan.mFirst = theFirst;
        theSpan.mCount = theLast - theFirst + 1;
        theSpan.mWeights = outWeights.size();
        const double theLength = theEnd - theStart;
        std::uint32_t theTotal = 0;
        for (int theIndex = theFirst; theIndex <= theLast; ++theIndex) {
            const double thePart = std::min(theEnd, theIndex + 1.0) - std::max(theStart, double(theIndex));
            const auto theWeight =
                theLength > 0 ? std::uint32_t(std::lround(std::max(thePart, 0.0) / theLength * kOne)) : 0u;
            outWeights.push_back(theWeight);
            theTotal += theWeight;
        }
        // Rounding leftovers go to the largest weight, so every span sums to exactly one.
        auto theBegin = outWeights.begin() + std::ptrdiff_t(theSpan.mWeights);
        auto theLargest = std::max_element(theBegin, outWeights.end());
        *theLargest = std::uint32_t(std::int64_t(*theLargest) + std::int64_t(kOne) - std::int64_t(theTotal));
    }
}

AreaSampler::AreaSampler(const std::uint32_t* inTexels, std::ptrdiff_t inStride, int inWidth, int inHeight,
                         int inSourceLeft, int inSourceTop, const MatrixD& inMatrix, int inLeft, int inRight)
    : mTexels(inTexels),
      mStride(inStride),
      mWidth(inWidth),
      mHeight(inHeight),
      mScaleY(inMatrix.m[1][1]),
      mOffsetY(inMatrix.m[2][1] + inSourceTop * inMatrix.m[1][1])
{
    const double theOffsetX = inMatrix.m[2][0] + inSourceLeft * inMatrix.m[0][0];
    MakeSpans(inMatrix.m[0][0], theOffsetX, inWidth, inLeft, inRight, mColumns, mColumnWeights);
    mSums.resize(mColumns.size() * 4);
    mRowSums.resize(mSums.size());
    mKeptSums.resize(mSums.size());
}

// pmaddwd takes two neighbouring pixels' channels side by side (B B G G R R A A)
// with their two weights; a weight is at most 1 << kWeightBits, so it fits.
// NOTE: this and Row start on a cache line: where unrelated code placed them
// 16 bytes further on, their loops ran 8 % slower.
[[gnu::aligned(64)]] void AreaSampler::SumRow(const std::uint32_t* inRow, std::uint32_t* outSums) const
{
    const __m128i theZero = _mm_setzero_si128();
    for (std::size_t theColumn = 0; theColumn < mColumns.size(); ++theColumn) {
        const Span& theSpan = mColumns[theColumn];
        const std::uint32_t* theWeights = &mColumnWeights[theSpan.mWeights];
        const std::uint32_t* thePixels = inRow + theSpan.mFirst;
        __m128i theSum = theZero;
        int i = 0;
        for (; i + 2 <= theSpan.mCount; i += 2) {
            const __m128i theTwo = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(thePixels + i));
            const __m128i theSides = _mm_unpacklo_epi8(_mm_unpacklo_epi8(theTwo, _mm_srli_si128(theTwo, 4)), theZero);
            const auto thePair = std::int32_t(theWeights[i] | theWeights[i + 1] << 16);
            theSum = _mm_add_epi32(theSum, _mm_madd_epi16(theSides, _mm_set1_epi32(thePair)));
        }
        if (i < theSpan.mCount) {
            const __m128i theOne = _mm_cvtsi32_si128(std::int32_t(thePixels[i]));
            const __m128i theAlone = _mm_unpacklo_epi8(_mm_unpacklo_epi8(theOne, theZero), theZero);
            theSum = _mm_add_epi32(theSum, _mm_madd_epi16(theAlone, _mm_set1_epi32(std::int32_t(theWeights[i]))));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(outSums + theColumn * 4), theSum);
    }
}

[[gnu::aligned(64)]] void AreaSampler::Row(int inY, std::uint8_t* outSamples, std::uint8_t* outCovered)
{
    const std::size_t theCount = mColumns.size();
    MakeSpans(mScaleY, mOffsetY, mHeight, inY, inY + 1, mRowSpan, mRowWeights);
    const Span& theRows = mRowSpan[0];
    if (theRows.mCount == 0) {
        std::memset(outCovered, 0, theCount);
        return;
    }
    // Each channel's total is at most 255 << 2 kWeightBits, and rounding adds less than
    // 1 << 2 kWeightBits more: 32 bits hold it.
    std::fill(mSums.begin(), mSums.end(), 0);
    for (int theStep = 0; theStep < theRows.mCount; ++theStep) {
        const int theSourceRow = theRows.mFirst + theStep;
        const std::uint32_t theRowWeight = mRowWeights[theRows.mWeights + std::size_t(theStep)];
        if (theRowWeight == 0)
            continue;
        // A source row on the border of two destination rows is summed across once, for both.
        if (theSourceRow != mKeptRow) {
            SumRow(mTexels + std::ptrdiff_t(theSourceRow) * mStride, mRowSums.data());
            if (theStep + 1 == theRows.mCount) {
                mKeptSums.swap(mRowSums);
                mKeptRow = theSourceRow;
            }
        }
        const std::uint32_t* theRowSums = theSourceRow == mKeptRow ? mKeptSums.data() : mRowSums.data();
        // 32-bit products two lanes at a time (SSE2 multiplies 32 bits only into 64).
        const __m128i theWeight = _mm_set1_epi32(std::int32_t(theRowWeight));
        for (std::size_t i = 0; i < mSums.size(); i += 4) {
            const __m128i theRow = _mm_loadu_si128(reinterpret_cast<const __m128i*>(theRowSums + i));
            const __m128i theEven = _mm_mul_epu32(theRow, theWeight);
            const __m128i theOdd = _mm_mul_epu32(_mm_srli_epi64(theRow, 32), theWeight);
            const __m128i theProducts = _mm_unpacklo_epi32(_mm_shuffle_epi32(theEven, _MM_SHUFFLE(0, 0, 2, 0)),
                                                           _mm_shuffle_epi32(theOdd, _MM_SHUFFLE(0, 0, 2, 0)));
            auto* theSums = reinterpret_cast<__m128i*>(mSums.data() + i);
            _mm_storeu_si128(theSums, _mm_add_epi32(_mm_loadu_si128(theSums), theProducts));
        }
    }
    // At most 255 after the shift: packing saturates nothing.
    constexpr int kShift = 2 * kWeightBits;
    const __m128i theHalf = _mm_set1_epi32(1 << (kShift - 1));
    for (std::size_t theColumn = 0; theColumn < theCount; ++theColumn) {
        outCovered[theColumn] = mColumns[theColumn].mCount > 0 ? 1 : 0;
        const __m128i theSum = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&mSums[theColumn * 4]));
        const __m128i theValues = _mm_srli_epi32(_mm_add_epi32(theSum, theHalf), kShift);
        const __m128i theWords = _mm_packs_epi32(theValues, theValues);
        const std::int32_t thePixel = _mm_cvtsi128_si32(_mm_packus_epi16(theWords, theWords));
        std::memcpy(outSamples + theColumn * 4, &thePixel, 4);
    }
}

}  // namespace vximaging
