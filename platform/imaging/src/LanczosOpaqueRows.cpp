#include "LanczosOpaqueRows.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <immintrin.h>

namespace vximaging {

namespace {

constexpr int kTapsPerGroup = 8;

std::int32_t PairLane(int inFirst, int inSecond)
{
    return std::int32_t(std::uint32_t(std::uint16_t(inFirst)) | std::uint32_t(inSecond) << 16);
}

// Sums to samples with kLanczosFractionBits fractional bits. The general pass
// shifts its samples up by those bits first and its sums down by the weights'
// bits: (64 s + 2^13) >> 14 is (s + 2^7) >> 8.
constexpr int kShift = kLanczosWeightBits - kLanczosFractionBits;

using Rows = std::array<const std::uint8_t*, OpaqueRowFilter::kMostRows>;
using Outs = std::array<std::int16_t*, OpaqueRowFilter::kMostRows>;

// Destination pixels inFrom … inTo − 1 of kRows rows, each holding the columns from inBase on.
// False when a pixel read is not opaque.
template <int kRows>
[[gnu::target("avx2")]] bool FilterPixels(const Rows& inRows, int inBase, const int* inFirst, std::size_t inFrom,
                                          std::size_t inTo, int inGroups, const __m256i* inWeights, const Outs& outRows)
{
    // Within each 128-bit half: pixels 0 and 1 (then 2 and 3) widened to 16 bits
    // and interleaved channel by channel, B0 B1 G0 G1 R0 R1 A0 A1.
    const __m256i theFirstPair = _mm256_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1, 0, -1, 4, -1,
                                                  1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1);
    const __m256i theSecondPair = _mm256_setr_epi8(8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1, 8, -1,
                                                   12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
    const __m128i theHalf = _mm_set1_epi32(1 << (kShift - 1));
    const __m256i* w = inWeights + inFrom * std::size_t(inGroups) * 2;
    __m256i theSeen = _mm256_set1_epi8(-1);
    for (std::size_t d = inFrom; d < inTo; ++d) {
        const std::size_t theOffset = std::size_t(inFirst[d] - inBase) * 4;
        __m256i theSums[kRows];
#pragma GCC unroll 4
        for (int r = 0; r < kRows; ++r)
            theSums[r] = _mm256_setzero_si256();
        for (int g = 0; g < inGroups; ++g, w += 2) {
            const std::size_t theAt = theOffset + std::size_t(g) * kTapsPerGroup * 4;
#pragma GCC unroll 4
            for (int r = 0; r < kRows; ++r) {
                const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(inRows[r] + theAt));
                theSeen = _mm256_and_si256(theSeen, p);
                const __m256i theFirst = _mm256_madd_epi16(_mm256_shuffle_epi8(p, theFirstPair), w[0]);
                const __m256i theSecond = _mm256_madd_epi16(_mm256_shuffle_epi8(p, theSecondPair), w[1]);
                theSums[r] = _mm256_add_epi32(theSums[r], _mm256_add_epi32(theFirst, theSecond));
            }
        }
#pragma GCC unroll 4
        for (int r = 0; r < kRows; ++r) {
            const __m256i theWide = theSums[r];
            __m128i theSum = _mm_add_epi32(_mm256_castsi256_si128(theWide), _mm256_extracti128_si256(theWide, 1));
            theSum = _mm_srai_epi32(_mm_add_epi32(theSum, theHalf), kShift);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(outRows[r] + d * 4), _mm_packs_epi32(theSum, theSum));
        }
    }
    return _mm256_testc_si256(theSeen, _mm256_set1_epi32(std::int32_t(0xFF000000u))) != 0;
}

using PixelFilter = bool (*)(const Rows&, int, const int*, std::size_t, std::size_t, int, const __m256i*, const Outs&);
constexpr PixelFilter kPixelFilters[OpaqueRowFilter::kMostRows] = {&FilterPixels<1>, &FilterPixels<2>, &FilterPixels<3>,
                                                                   &FilterPixels<4>};

}  // namespace

OpaqueRowFilter::OpaqueRowFilter(const std::vector<int>& inFixed, const std::vector<int>& inFirst,
                                 const std::vector<int>& inCount, int inWidth)
    : mFirst(inFirst), mWidth(inWidth)
{
    const int theWidest = std::max(1, *std::max_element(inCount.begin(), inCount.end()));
    mGroups = (theWidest + kTapsPerGroup - 1) / kTapsPerGroup;
    const int theSpan = mGroups * kTapsPerGroup;
    mWeights.reserve(inCount.size() * std::size_t(mGroups) * 2);
    const int* theList = inFixed.data();
    for (const int theCount : inCount) {
        const auto Tap = [&](int i) { return i < theCount ? theList[i] : 0; };
        for (int g = 0; g < theSpan; g += kTapsPerGroup)
            for (const int theOffset : {0, 2}) {
                const std::int32_t theLow = PairLane(Tap(g + theOffset), Tap(g + theOffset + 1));
                const std::int32_t theHigh = PairLane(Tap(g + theOffset + 4), Tap(g + theOffset + 5));
                mWeights.push_back(Weights{{theLow, theLow, theLow, theLow, theHigh, theHigh, theHigh, theHigh}});
            }
        theList += theCount;
    }
    // Every pixel from the first whose reads pass the end is made from the copy. First columns
    // can go down (a weight rounded to zero at one pixel's edge but not the next's), so the copy
    // starts at the least of theirs.
    mTailFrom = std::size_t(
        std::find_if(mFirst.begin(), mFirst.end(), [&](int inColumn) { return inColumn + theSpan > mWidth; }) -
        mFirst.begin());
    if (mTailFrom < mFirst.size()) {
        mTailStart = *std::min_element(mFirst.begin() + std::ptrdiff_t(mTailFrom), mFirst.end());
        // Opaque white past the end, under zero weights.
        mTailBytes = std::size_t(mWidth - mTailStart + theSpan) * 4;
        mTails.assign(mTailBytes * kMostRows, 0xFF);
    }
}

bool OpaqueRowFilter::Filter(const std::uint8_t* const* inRows, int inCount, std::int16_t* const* outRows) noexcept
{
    Rows theRows{};
    Outs theOuts{};
    std::copy_n(inRows, inCount, theRows.begin());
    std::copy_n(outRows, inCount, theOuts.begin());
    const auto* theWeights = reinterpret_cast<const __m256i*>(mWeights.data());
    const PixelFilter theFilter = kPixelFilters[inCount - 1];
    bool theOpaque = theFilter(theRows, 0, mFirst.data(), 0, mTailFrom, mGroups, theWeights, theOuts);
    if (mTailFrom == mFirst.size())
        return theOpaque;
    for (int r = 0; r < inCount; ++r) {
        std::uint8_t* theTail = &mTails[mTailBytes * std::size_t(r)];
        std::memcpy(theTail, inRows[r] + std::size_t(mTailStart) * 4, std::size_t(mWidth - mTailStart) * 4);
        theRows[std::size_t(r)] = theTail;
    }
    theOpaque &= theFilter(theRows, mTailStart, mFirst.data(), mTailFrom, mFirst.size(), mGroups, theWeights, theOuts);
    return theOpaque;
}

}  // namespace vximaging
