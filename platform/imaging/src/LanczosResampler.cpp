#include "LanczosResampler.h"

#include "LanczosOpaqueRows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include <immintrin.h>

namespace vximaging {

namespace {

constexpr double kLobes = 3;
constexpr double kPi = 3.14159265358979323846;
// Weights in 1/16384ths, so that a weight of 1 still fits pmaddwd's signed 16 bits.
constexpr int kWeightBits = kLanczosWeightBits;
// Samples between the passes carry 6 fractional bits: 255 << 6 leaves room in
// 16 bits for the lobes' overshoot above and below the channel's range.
constexpr int kFractionBits = kLanczosFractionBits;

// The kernel at inX, inX + inStep, …: the sines step by rotation, two
// calls per destination pixel rather than two per tap.
class LanczosSteps {
public:
    LanczosSteps(double inX, double inStep)
        : mX(inX),
          mStep(inStep),
          mTurn(std::cos(kPi * inStep), std::sin(kPi * inStep)),
          mTurnThird(std::cos(kPi * inStep / kLobes), std::sin(kPi * inStep / kLobes)),
          mAt(std::cos(kPi * inX), std::sin(kPi * inX)),
          mAtThird(std::cos(kPi * inX / kLobes), std::sin(kPi * inX / kLobes))
    {
    }
    double Next()
    {
        const double x = std::fabs(mX);
        const double theValue = x < 1e-9      ? 1
                                : x >= kLobes ? 0
                                              : kLobes * mAt.imag() * mAtThird.imag() / (kPi * kPi * x * x);
        mX += mStep;
        mAt *= mTurn;
        mAtThird *= mTurnThird;
        return theValue;
    }

private:
    double mX;
    double mStep;
    std::complex<double> mTurn, mTurnThird, mAt, mAtThird;
};

// 16 bytes for the vector unit, in containers that don't keep __m128i's alignment.
struct alignas(16) Block {
    std::int32_t mLanes[4];
};

__m128i Load(const Block& inBlock)
{
    return _mm_load_si128(reinterpret_cast<const __m128i*>(inBlock.mLanes));
}

void Store(__m128i inValue, Block& outBlock)
{
    _mm_store_si128(reinterpret_cast<__m128i*>(outBlock.mLanes), inValue);
}

// How a row's pixels are paired for pmaddwd in the horizontal pass: entry x
// holds pixel x and pixel x + kGap channel by channel (B B G G R R A A).
// 128 bits wide, neighbours pair up (gap 1) and one entry takes taps x, x + 1;
// 256 bits wide, two entries side by side take taps x … x + 3 (gap 2).
enum class Pairing { kNeighbours = 1, kGapOfTwo = 2 };

// The taps of each destination pixel along one axis: mCount[i] source indices
// from mFirst[i]. pmaddwd takes the weights two at a time, each pair in all
// four 32-bit lanes; every pixel gets the same number of pairs, the shorter
// lists padded with zero weights, so that the loops over them unroll whole.
struct Taps {
    std::vector<int> mFirst;
    std::vector<int> mCount;
    std::vector<int> mFixed;  // mCount[i] weights per pixel, one pixel after the other
    int mPairs = 0;
    std::vector<Block> mWeights;  // mPairs per pixel, one pixel after the other
    int mWidest = 0;
};

// Weights summing to exactly 1 << kWeightBits, so that a flat area (and an
// opaque alpha) comes out exactly as it went in, appended to ioFixed. The zero
// weights at either end are left out; outLead: how many at the start.
// ioScratch: reused from pixel to pixel, so that the taps cost no allocation each.
int Quantize(const std::vector<double>& inWeights, std::vector<int>& ioScratch, std::vector<int>& ioFixed, int& outLead)
{
    ioScratch.resize(inWeights.size());
    int theTotal = 0;
    std::size_t theLargest = 0;
    for (std::size_t i = 0; i < inWeights.size(); ++i) {
        ioScratch[i] = int(std::lround(inWeights[i] * (1 << kWeightBits)));
        theTotal += ioScratch[i];
        if (inWeights[i] > inWeights[theLargest])
            theLargest = i;
    }
    ioScratch[theLargest] += (1 << kWeightBits) - theTotal;
    const auto theNonZero = [](int inWeight) { return inWeight != 0; };
    const auto theEnd = std::find_if(ioScratch.rbegin(), ioScratch.rend(), theNonZero).base();
    const auto theStart = std::find_if(ioScratch.begin(), theEnd, theNonZero);
    outLead = int(theStart - ioScratch.begin());
    ioFixed.insert(ioFixed.end(), theStart, theEnd);
    return int(theEnd - theStart);
}

// Destination pixels inFrom … inTo − 1 of an axis that maps x to inScale x + inOffset;
// the source runs from inLow to inHigh − 1.
Taps MakeTaps(double inScale, double inOffset, int inLow, int inHigh, int inFrom, int inTo, Pairing inPairing)
{
    Taps theTaps;
    const double theStretch = std::min(inScale, 1.0);  // the kernel widens as the picture shrinks
    const double theRadius = kLobes / theStretch;
    std::vector<double> theWeights;
    std::vector<int> theScratch;
    const std::size_t thePixels = std::size_t(std::max(inTo - inFrom, 0));
    theTaps.mFirst.reserve(thePixels);
    theTaps.mCount.reserve(thePixels);
    theTaps.mFixed.reserve(thePixels * std::size_t(2 * theRadius + 2));
    for (int d = inFrom; d < inTo; ++d) {
        const double theCentre = (d + 0.5 - inOffset) / inScale;
        const int theStart = int(std::floor(theCentre - theRadius));
        const int theEnd = int(std::ceil(theCentre + theRadius));
        // Taps beyond the source are its edge pixel again: they add to the edge's weight.
        const int theFirst = std::clamp(theStart, inLow, inHigh - 1);
        const int theLast = std::clamp(theEnd, inLow, inHigh - 1);
        theWeights.assign(std::size_t(theLast - theFirst + 1), 0.0);
        double theSum = 0;
        LanczosSteps theKernel((theStart + 0.5 - theCentre) * theStretch, theStretch);
        for (int s = theStart; s <= theEnd; ++s) {
            const double w = theKernel.Next();
            theWeights[std::size_t(std::clamp(s, inLow, inHigh - 1) - theFirst)] += w;
            theSum += w;
        }
        for (double& theWeight : theWeights)
            theWeight /= theSum;
        int theLead = 0;
        theTaps.mCount.push_back(Quantize(theWeights, theScratch, theTaps.mFixed, theLead));
        theTaps.mFirst.push_back(theFirst + theLead);
        theTaps.mWidest = std::max(theTaps.mWidest, theTaps.mCount.back());
    }
    // With a gap of two, taps go by fours: 0 with 2, then 1 with 3.
    const int theGap = int(inPairing);
    theTaps.mPairs = (theTaps.mWidest + 2 * theGap - 1) / (2 * theGap) * theGap;
    theTaps.mWeights.reserve(thePixels * std::size_t(theTaps.mPairs));
    const int* theList = theTaps.mFixed.data();
    for (const int theCount : theTaps.mCount) {
        const auto Tap = [&](int i) { return i < theCount ? theList[i] : 0; };
        for (int i = 0; i < 2 * theTaps.mPairs; i += 2 * theGap)
            for (int j = i; j < i + theGap; ++j) {
                const auto theLane =
                    std::int32_t(std::uint32_t(std::uint16_t(Tap(j))) | std::uint32_t(Tap(j + theGap)) << 16);
                theTaps.mWeights.push_back(Block{{theLane, theLane, theLane, theLane}});
            }
        theList += theCount;
    }
    return theTaps;
}

// The destination pixels whose centres fall inside the mapped source span, within the window.
void CoveredRange(double inScale, double inOffset, int inLow, int inHigh, int inWindowLow, int inWindowHigh,
                  int& outFrom, int& outTo)
{
    const double theStart = inScale * inLow + inOffset;
    const double theEnd = inScale * inHigh + inOffset;
    outFrom = std::max(inWindowLow, int(std::ceil(theStart - 0.5)));
    outTo = std::min(inWindowHigh, int(std::ceil(theEnd - 0.5)));
}

// One source pixel premultiplied (so that clear pixels lend no colour to
// their neighbours), in 16-bit samples with kFractionBits fractional bits.
void WidenPixel(const std::uint8_t* inPixel, std::int16_t* outSamples)
{
    const int a = inPixel[3];
    for (int c = 0; c < 3; ++c)
        outSamples[c] = std::int16_t((inPixel[c] * a * (1 << kFractionBits) + 127) / 255);
    outSamples[3] = std::int16_t(a << kFractionBits);
}

// Entries inFrom … inTo − 1 from 16-bit samples (inGap more pixels than that).
void PairUp(const std::int16_t* inSamples, int inFrom, int inTo, int inGap, Block* outEntries)
{
    for (int x = inFrom; x < inTo; ++x) {
        const auto* theSample = reinterpret_cast<const __m128i*>(inSamples + std::size_t(x) * 4);
        const auto* theOther = reinterpret_cast<const __m128i*>(inSamples + std::size_t(x + inGap) * 4);
        Store(_mm_unpacklo_epi16(_mm_loadl_epi64(theSample), _mm_loadl_epi64(theOther)), outEntries[x]);
    }
}

// Source columns inLeft … inRight − 1 of a row as entries, premultiplied.
// ioSamples has room for two pixels more than the span.
void LayOutRow(const std::uint8_t* inRow, int inLeft, int inRight, Pairing inPairing, std::int16_t* ioSamples,
               Block* outEntries)
{
    const std::uint8_t* p = inRow + std::size_t(inLeft) * 4;
    const int theCount = inRight - inLeft;
    const int theGap = int(inPairing);
    const __m128i theZero = _mm_setzero_si128();
    const __m128i theAlphas = _mm_set1_epi32(std::int32_t(0xFF000000u));
    const auto theWide = [&](__m128i inHalf) { return _mm_slli_epi16(inHalf, kFractionBits); };
    int x = 0;
    for (; x + 4 + theGap <= theCount; x += 4) {
        // Pixels x … x + 3, and x + gap … x + 3 + gap beside them.
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + std::size_t(x) * 4));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + std::size_t(x + theGap) * 4));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(_mm_and_si128(a, b), theAlphas), theAlphas)) != 0xFFFF) {
            for (int i = x; i < x + 4 + theGap; ++i)
                WidenPixel(p + std::size_t(i) * 4, ioSamples + std::size_t(i) * 4);
            PairUp(ioSamples, x, x + 4, theGap, outEntries);
            continue;
        }
        const __m128i aLow = theWide(_mm_unpacklo_epi8(a, theZero)), aHigh = theWide(_mm_unpackhi_epi8(a, theZero));
        const __m128i bLow = theWide(_mm_unpacklo_epi8(b, theZero)), bHigh = theWide(_mm_unpackhi_epi8(b, theZero));
        Store(_mm_unpacklo_epi16(aLow, bLow), outEntries[x]);
        Store(_mm_unpackhi_epi16(aLow, bLow), outEntries[x + 1]);
        Store(_mm_unpacklo_epi16(aHigh, bHigh), outEntries[x + 2]);
        Store(_mm_unpackhi_epi16(aHigh, bHigh), outEntries[x + 3]);
    }
    for (int i = x; i < theCount; ++i)
        WidenPixel(p + std::size_t(i) * 4, ioSamples + std::size_t(i) * 4);
    // The edge pixel repeated: it pairs with the last ones, under a zero weight.
    for (int i = theCount; i < theCount + theGap; ++i)
        std::memcpy(ioSamples + std::size_t(i) * 4, ioSamples + std::size_t(theCount - 1) * 4, 8);
    PairUp(ioSamples, x, theCount, theGap, outEntries);
}

// inEntries starts at source column inLeft. Out: 4 samples per destination
// pixel. kPairs: the taps' pairs per pixel, 0 for any number.
// NOTE: two sums, not one: each tap's add then waits on the add two taps
// back, not the one before.
template <int kPairs>
void FilterRow(const Block* inEntries, const Taps& inColumns, std::int16_t* outRow)
{
    const Block* w = inColumns.mWeights.data();
    const int thePairs = kPairs != 0 ? kPairs : inColumns.mPairs;
    const __m128i theHalf = _mm_set1_epi32(1 << (kWeightBits - 1));
    for (std::size_t d = 0; d < inColumns.mFirst.size(); ++d, w += thePairs) {
        const Block* q = inEntries + inColumns.mFirst[d];
        __m128i s0 = theHalf, s1 = _mm_setzero_si128();
#pragma GCC unroll 16
        for (int k = 0; k + 1 < thePairs; k += 2) {
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(Load(q[2 * k]), Load(w[k])));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(Load(q[2 * k + 2]), Load(w[k + 1])));
        }
        if (thePairs % 2 != 0)
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(Load(q[2 * thePairs - 2]), Load(w[thePairs - 1])));
        const __m128i theSum = _mm_srai_epi32(_mm_add_epi32(s0, s1), kWeightBits);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(outRow + d * 4), _mm_packs_epi32(theSum, theSum));
    }
}

std::uint8_t ToByte(double inValue)
{
    return std::uint8_t(std::clamp(inValue, 0.0, 255.0) + 0.5);
}

// A pixel that is not opaque: its premultiplied sums (kWeightBits +
// kFractionBits fractional bits) back to straight bytes.
void StoreStraight(const std::int32_t inSums[4], std::uint8_t* outPixel)
{
    constexpr double kUnit = double(1 << (kWeightBits + kFractionBits));
    const std::uint8_t theAlpha = ToByte(inSums[3] / kUnit);
    outPixel[3] = theAlpha;
    // An alpha above one (the lobes' overshoot) divides by one.
    const double theScale = theAlpha == 0 ? 0.0 : 255.0 / std::clamp<double>(inSums[3], 1, 255 * kUnit);
    for (int c = 0; c < 3; ++c)
        outPixel[c] = ToByte(inSums[c] * theScale);
}

// Two destination pixels from their vertical sums: opaque ones straight
// through, others unpremultiplied.
[[gnu::always_inline]] inline void StorePair(__m128i inFirst, __m128i inSecond, int inCount, std::uint8_t* outPixels)
{
    constexpr int kShift = kWeightBits + kFractionBits;
    const __m128i theHalf = _mm_set1_epi32(1 << (kShift - 1));
    const __m128i theWords = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(inFirst, theHalf), kShift),
                                             _mm_srai_epi32(_mm_add_epi32(inSecond, theHalf), kShift));
    const __m128i theBytes = _mm_packus_epi16(theWords, theWords);
    const auto theLow = std::uint64_t(_mm_cvtsi128_si64(theBytes));
    constexpr std::uint64_t kAlphas = 0xFF000000FF000000u;
    if ((theLow & kAlphas) == kAlphas) {
        std::memcpy(outPixels, &theLow, std::size_t(inCount) * 4);
        return;
    }
    alignas(16) std::int32_t theSums[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(theSums), inFirst);
    _mm_store_si128(reinterpret_cast<__m128i*>(theSums + 4), inSecond);
    for (int i = 0; i < inCount; ++i)
        StoreStraight(theSums + 4 * i, outPixels + 4 * i);
}

// One destination row from the filtered rows inSources (two per pair of
// weights), two pixels at a time. kPairs as for FilterRow.
template <int kPairs>
void FilterColumn(const std::int16_t* const* inSources, const Block* inWeights, int inPairs, int inWidth,
                  std::uint8_t* outRow)
{
    const int thePairs = kPairs != 0 ? kPairs : inPairs;
    for (int x = 0; x < inWidth; x += 2) {
        __m128i theFirst = _mm_setzero_si128(), theSecond = theFirst;
#pragma GCC unroll 16
        for (int k = 0; k < thePairs; ++k) {
            const __m128i theWeights = Load(inWeights[k]);
            const __m128i theUpper = _mm_loadu_si128(reinterpret_cast<const __m128i*>(inSources[2 * k] + x * 4));
            const __m128i theLower = _mm_loadu_si128(reinterpret_cast<const __m128i*>(inSources[2 * k + 1] + x * 4));
            theFirst = _mm_add_epi32(theFirst, _mm_madd_epi16(_mm_unpacklo_epi16(theUpper, theLower), theWeights));
            theSecond = _mm_add_epi32(theSecond, _mm_madd_epi16(_mm_unpackhi_epi16(theUpper, theLower), theWeights));
        }
        StorePair(theFirst, theSecond, std::min(2, inWidth - x), outRow + std::size_t(x) * 4);
    }
}

// The same two passes 256 bits wide, for processors that have AVX2.
[[gnu::target("avx2")]] inline __m256i LoadWide(const void* inAddress)
{
    return _mm256_loadu_si256(static_cast<const __m256i*>(inAddress));
}

template <int kPairs>
[[gnu::target("avx2")]] void FilterRowWide(const Block* inEntries, const Taps& inColumns, std::int16_t* outRow)
{
    const Block* w = inColumns.mWeights.data();
    const int thePairs = kPairs != 0 ? kPairs : inColumns.mPairs;
    for (std::size_t d = 0; d < inColumns.mFirst.size(); ++d, w += thePairs) {
        // Entries pair pixels two apart (Pairing::kGapOfTwo), and the pairs of taps are even in number.
        const Block* q = inEntries + inColumns.mFirst[d];
        __m256i theWide = _mm256_setzero_si256();
#pragma GCC unroll 8
        for (int k = 0; k < thePairs; k += 2)
            theWide = _mm256_add_epi32(theWide, _mm256_madd_epi16(LoadWide(&q[2 * k]), LoadWide(&w[k])));
        __m128i theSum = _mm_add_epi32(_mm256_castsi256_si128(theWide), _mm256_extracti128_si256(theWide, 1));
        theSum = _mm_srai_epi32(_mm_add_epi32(theSum, _mm_set1_epi32(1 << (kWeightBits - 1))), kWeightBits);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(outRow + d * 4), _mm_packs_epi32(theSum, theSum));
    }
}

// Four pixels at a time: 128-bit lanes hold pixels x, x + 2 and x + 1, x + 3.
template <int kPairs>
[[gnu::target("avx2")]] void FilterColumnWide(const std::int16_t* const* inSources, const Block* inWeights, int inPairs,
                                              int inWidth, std::uint8_t* outRow)
{
    const int thePairs = kPairs != 0 ? kPairs : inPairs;
    for (int x = 0; x < inWidth; x += 4) {
        __m256i theEven = _mm256_setzero_si256(), theOdd = theEven;
#pragma GCC unroll 16
        for (int k = 0; k < thePairs; ++k) {
            const __m256i theWeights = _mm256_broadcastsi128_si256(Load(inWeights[k]));
            const __m256i theUpper = LoadWide(inSources[2 * k] + x * 4);
            const __m256i theLower = LoadWide(inSources[2 * k + 1] + x * 4);
            theEven =
                _mm256_add_epi32(theEven, _mm256_madd_epi16(_mm256_unpacklo_epi16(theUpper, theLower), theWeights));
            theOdd = _mm256_add_epi32(theOdd, _mm256_madd_epi16(_mm256_unpackhi_epi16(theUpper, theLower), theWeights));
        }
        std::uint8_t* theOut = outRow + std::size_t(x) * 4;
        StorePair(_mm256_castsi256_si128(theEven), _mm256_castsi256_si128(theOdd), std::min(2, inWidth - x), theOut);
        if (x + 2 < inWidth)
            StorePair(_mm256_extracti128_si256(theEven, 1), _mm256_extracti128_si256(theOdd, 1),
                      std::min(2, inWidth - x - 2), theOut + 8);
    }
}

using RowFilter = void (*)(const Block*, const Taps&, std::int16_t*);
using ColumnFilter = void (*)(const std::int16_t* const*, const Block*, int, int, std::uint8_t*);

// Unrolled whole up to 16 pairs (a reduction by about 5), a loop beyond.
constexpr std::size_t kUnrolled = 17;
template <std::size_t... kPairs>
constexpr std::array<RowFilter, 2 * kUnrolled> RowFilters(std::index_sequence<kPairs...>)
{
    return {&FilterRow<int(kPairs)>..., &FilterRowWide<int(kPairs)>...};
}
template <std::size_t... kPairs>
constexpr std::array<ColumnFilter, 2 * kUnrolled> ColumnFilters(std::index_sequence<kPairs...>)
{
    return {&FilterColumn<int(kPairs)>..., &FilterColumnWide<int(kPairs)>...};
}
constexpr auto kRowFilters = RowFilters(std::make_index_sequence<kUnrolled>());
constexpr auto kColumnFilters = ColumnFilters(std::make_index_sequence<kUnrolled>());

// VX_SIMD=sse2 keeps the baseline path on a processor with AVX2: for its tests, and for an
// administrator comparing the two.
bool HasAvx2()
{
    static const bool sHas = [] {
        const char* theLimit = std::getenv("VX_SIMD");
        return __builtin_cpu_supports("avx2") && !(theLimit != nullptr && std::strcmp(theLimit, "sse2") == 0);
    }();
    return sHas;
}

// The filters for inPairs pairs of taps, on this processor.
template <typename Filter>
Filter Pick(const std::array<Filter, 2 * kUnrolled>& inFilters, int inPairs)
{
    return inFilters[(HasAvx2() ? kUnrolled : 0) + (std::size_t(inPairs) < kUnrolled ? std::size_t(inPairs) : 0)];
}

}  // namespace

struct LanczosResampler::State {
    int mLeft = 0, mRight = 0;  // source columns
    Pairing mPairing = Pairing::kNeighbours;
    Taps mColumns, mRows;
    RowFilter mRowFilter = nullptr;
    ColumnFilter mColumnFilter = nullptr;
    // Filtered rows are kept in a ring about as deep as the widest set of rows
    // one destination row takes; the sets move down, so a row is filtered once
    // and the ring stays in cache where a whole filtered picture would not.
    // Rows are a multiple of 4 pixels long, so that the last ones can be read whole.
    std::size_t mStride = 0;
    std::size_t mDepth = 0;
    std::vector<std::int16_t> mRing;
    std::vector<std::int16_t> mSamples;
    std::vector<Block> mEntries;
    std::vector<const std::int16_t*> mSources;
    std::optional<OpaqueRowFilter> mOpaqueRows;  // with AVX2
    int mFiltered = 0;                           // rows below this one are in the ring
    int mNeeded = 0;                             // and none from this one on are wanted
    std::size_t mDone = 0;                       // destination rows made

    std::int16_t* RingRow(int inY) { return &mRing[std::size_t(inY) % mDepth * mStride]; }
    // inCount (up to OpaqueRowFilter::kMostRows) rows from mFiltered on, into the ring.
    void FilterRows(const std::uint8_t* inRows, std::size_t inRowBytes, int inCount) noexcept;
};

LanczosResampler::LanczosResampler(std::uint32_t inWidth, std::uint32_t inHeight, const int inSource[4],
                                   const MatrixD& inMatrix, const int inWindow[4])
{
    const int theLeft = std::clamp(inSource[0], 0, int(inWidth));
    const int theTop = std::clamp(inSource[1], 0, int(inHeight));
    const int theRight = std::clamp(inSource[2], theLeft, int(inWidth));
    const int theBottom = std::clamp(inSource[3], theTop, int(inHeight));
    if (theRight <= theLeft || theBottom <= theTop)
        return;
    const double theSx = inMatrix.m[0][0], theSy = inMatrix.m[1][1];
    const double theTx = inMatrix.m[2][0], theTy = inMatrix.m[2][1];
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    CoveredRange(theSx, theTx, theLeft, theRight, inWindow[0], inWindow[2], x0, x1);
    CoveredRange(theSy, theTy, theTop, theBottom, inWindow[1], inWindow[3], y0, y1);
    if (x1 <= x0 || y1 <= y0)
        return;
    mState = std::make_unique<State>();
    State& s = *mState;
    s.mLeft = theLeft;
    s.mRight = theRight;
    // Columns counted from theLeft, rows from the top of the picture.
    s.mPairing = HasAvx2() ? Pairing::kGapOfTwo : Pairing::kNeighbours;
    s.mColumns = MakeTaps(theSx, theTx + theSx * theLeft, 0, theRight - theLeft, x0, x1, s.mPairing);
    if (HasAvx2())
        s.mOpaqueRows.emplace(s.mColumns.mFixed, s.mColumns.mFirst, s.mColumns.mCount, theRight - theLeft);
    s.mRows = MakeTaps(theSy, theTy, theTop, theBottom, y0, y1, Pairing::kNeighbours);
    s.mRowFilter = Pick(kRowFilters, s.mColumns.mPairs);
    s.mColumnFilter = Pick(kColumnFilters, s.mRows.mPairs);
    const int theWidth = x1 - x0;
    const int theHeight = y1 - y0;
    // A set can start a row above the one before it (its top weight kept where the other's
    // rounded to zero), so the first row wanted is the least first, and the ring holds the most
    // rows from a set's first to the furthest any set before it reaches, and the rows filtered
    // together beyond.
    int theLowest = s.mRows.mFirst.front(), theSpan = 0;
    for (std::size_t d = 0; d < s.mRows.mFirst.size(); ++d) {
        const int theFirst = s.mRows.mFirst[d];
        theLowest = std::min(theLowest, theFirst);
        s.mNeeded = std::max(s.mNeeded, theFirst + s.mRows.mCount[d]);
        theSpan = std::max(theSpan, s.mNeeded - theFirst);
    }
    s.mFiltered = theLowest;
    s.mStride = std::size_t(theWidth + 3) / 4 * 4 * 4;
    s.mDepth = std::size_t(theSpan + OpaqueRowFilter::kMostRows - 1);
    s.mRing.assign(s.mDepth * s.mStride, 0);
    s.mSamples.resize(std::size_t(theRight - theLeft + 2) * 4);
    // The padding taps read zeros past the last entry.
    s.mEntries.assign(std::size_t(theRight - theLeft + 2 * s.mColumns.mPairs), Block{});
    s.mSources.resize(std::size_t(s.mRows.mPairs) * 2);

    mPart.mLeft = x0;
    mPart.mTop = y0;
    mPart.mWidth = std::uint32_t(theWidth);
    mPart.mHeight = std::uint32_t(theHeight);
    mPart.mPixels.resize(std::size_t(theWidth) * std::size_t(theHeight) * 4);
}

LanczosResampler::~LanczosResampler() = default;

void LanczosResampler::State::FilterRows(const std::uint8_t* inRows, std::size_t inRowBytes, int inCount) noexcept
{
    const std::uint8_t* theRows[OpaqueRowFilter::kMostRows];
    std::int16_t* theOuts[OpaqueRowFilter::kMostRows];
    for (int r = 0; r < inCount; ++r) {
        theRows[r] = inRows + inRowBytes * std::size_t(r) + std::size_t(mLeft) * 4;
        theOuts[r] = RingRow(mFiltered + r);
    }
    // A picture that has shown a pixel not opaque is not tried again: it would
    // likely cost both passes from then on.
    if (mOpaqueRows && !mOpaqueRows->Filter(theRows, inCount, theOuts))
        mOpaqueRows.reset();
    if (!mOpaqueRows)
        for (int r = 0; r < inCount; ++r) {
            LayOutRow(inRows + inRowBytes * std::size_t(r), mLeft, mRight, mPairing, mSamples.data(), mEntries.data());
            mRowFilter(mEntries.data(), mColumns, theOuts[r]);
        }
    mFiltered += inCount;
}

void LanczosResampler::Take(const std::uint8_t* inRows, std::size_t inRowBytes, std::uint32_t inFirst,
                            std::uint32_t inCount) noexcept
{
    if (mState == nullptr)
        return;
    State& s = *mState;
    const std::size_t thePairs = std::size_t(s.mRows.mPairs);
    for (std::uint32_t i = 0; i < inCount;) {
        const std::int64_t y = std::int64_t(inFirst) + i;
        if (y != s.mFiltered || y >= s.mNeeded) {
            ++i;
            continue;
        }
        const auto theChunk = std::uint32_t(
            std::min<std::int64_t>({OpaqueRowFilter::kMostRows, std::int64_t(inCount - i), s.mNeeded - y}));
        s.FilterRows(inRows + inRowBytes * i, inRowBytes, int(theChunk));
        i += theChunk;
        // Every destination row whose source rows are all in the ring now.
        for (; s.mDone < s.mRows.mFirst.size(); ++s.mDone) {
            const int theFirst = s.mRows.mFirst[s.mDone];
            const int theCount = s.mRows.mCount[s.mDone];
            if (theFirst + theCount > s.mFiltered)
                break;
            // The padding taps (zero weights) read the last row again.
            for (std::size_t k = 0; k < s.mSources.size(); ++k)
                s.mSources[k] = s.RingRow(theFirst + std::min(int(k), theCount - 1));
            s.mColumnFilter(s.mSources.data(), &s.mRows.mWeights[s.mDone * thePairs], int(thePairs), int(mPart.mWidth),
                            &mPart.mPixels[s.mDone * mPart.mWidth * 4]);
        }
    }
}

ResampledPart LanczosResample(const std::uint8_t* inPixels, std::uint32_t inWidth, std::uint32_t inHeight,
                              const int inSource[4], const MatrixD& inMatrix, const int inWindow[4])
{
    LanczosResampler theResampler(inWidth, inHeight, inSource, inMatrix, inWindow);
    theResampler.Take(inPixels, std::size_t(inWidth) * 4, 0, inHeight);
    return std::move(theResampler.Part());
}

}  // namespace vximaging
