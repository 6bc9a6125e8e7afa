#include "LanczosResampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <emmintrin.h>

namespace vximaging {

namespace {

// Four channels at once; GCC and Clang map it onto the vector unit.
using Channels = float __attribute__((vector_size(16)));

constexpr double kLobes = 3;
constexpr double kPi = 3.14159265358979323846;

double Lanczos(double inX)
{
    inX = std::fabs(inX);
    if (inX < 1e-9)
        return 1;
    if (inX >= kLobes)
        return 0;
    const double thePiX = kPi * inX;
    return kLobes * std::sin(thePiX) * std::sin(thePiX / kLobes) / (thePiX * thePiX);
}

// The taps of each destination pixel along one axis: source indices from
// mFirst, weights summing to 1.
struct Taps {
    std::vector<int> mFirst;
    std::vector<int> mCount;
    std::vector<float> mWeights;   // mCount[i] per pixel, one pixel after the other
    std::vector<Channels> mSplat;  // the same weights, each in all four lanes
    int mWidest = 0;
};

// Destination pixels inFrom … inTo − 1 of an axis that maps x to inScale x + inOffset;
// the source runs from inLow to inHigh − 1.
Taps MakeTaps(double inScale, double inOffset, int inLow, int inHigh, int inFrom, int inTo)
{
    Taps theTaps;
    const double theStretch = std::min(inScale, 1.0);  // the kernel widens as the picture shrinks
    const double theRadius = kLobes / theStretch;
    std::vector<double> theWeights;
    for (int d = inFrom; d < inTo; ++d) {
        const double theCentre = (d + 0.5 - inOffset) / inScale;
        const int theStart = int(std::floor(theCentre - theRadius));
        const int theEnd = int(std::ceil(theCentre + theRadius));
        theWeights.assign(std::size_t(theEnd - theStart + 1), 0.0);
        double theSum = 0;
        for (int s = theStart; s <= theEnd; ++s) {
            const double w = Lanczos((s + 0.5 - theCentre) * theStretch);
            theWeights[std::size_t(s - theStart)] = w;
            theSum += w;
        }
        // Taps beyond the source are its edge pixel again: they add to the edge's weight.
        const int theFirst = std::clamp(theStart, inLow, inHigh - 1);
        const int theLast = std::clamp(theEnd, inLow, inHigh - 1);
        const std::size_t theBase = theTaps.mWeights.size();
        theTaps.mWeights.resize(theBase + std::size_t(theLast - theFirst + 1), 0.0f);
        for (int s = theStart; s <= theEnd; ++s) {
            const int theIndex = std::clamp(s, inLow, inHigh - 1);
            theTaps.mWeights[theBase + std::size_t(theIndex - theFirst)] +=
                float(theWeights[std::size_t(s - theStart)] / theSum);
        }
        theTaps.mFirst.push_back(theFirst);
        theTaps.mCount.push_back(theLast - theFirst + 1);
        theTaps.mWidest = std::max(theTaps.mWidest, theLast - theFirst + 1);
    }
    theTaps.mSplat.reserve(theTaps.mWeights.size());
    for (const float theWeight : theTaps.mWeights)
        theTaps.mSplat.push_back(Channels{theWeight, theWeight, theWeight, theWeight});
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

std::uint8_t ToByte(float inValue)
{
    return std::uint8_t(std::clamp(inValue, 0.0f, 255.0f) + 0.5f);
}

// A source row premultiplied (so that clear pixels lend no colour to their
// neighbours), columns inLeft … inRight − 1 into ioLine.
void Premultiply(const std::uint8_t* inRow, int inLeft, int inRight, Channels* ioLine)
{
    const __m128i theZero = _mm_setzero_si128();
    for (int x = inLeft; x < inRight; ++x) {
        const std::uint8_t* p = inRow + std::size_t(x) * 4;
        const float a = p[3] * (1 / 255.0f);
        std::int32_t thePixel;
        std::memcpy(&thePixel, p, 4);
        const __m128i theWide = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(thePixel), theZero), theZero);
        ioLine[x] = Channels(_mm_cvtepi32_ps(theWide)) * Channels{a, a, a, 1.0f};
    }
}

// NOTE: four sums per pixel, not one: each tap's add then waits on the add
// four taps back, not the one before, which kept the unit idle most of the time.
void FilterRow(const Channels* inLine, const Taps& inColumns, Channels* outRow)
{
    const Channels* w = inColumns.mSplat.data();
    for (std::size_t d = 0; d < inColumns.mFirst.size(); ++d) {
        const Channels* q = inLine + inColumns.mFirst[d];
        const int theCount = inColumns.mCount[d];
        Channels s0{0, 0, 0, 0}, s1 = s0, s2 = s0, s3 = s0;
        int k = 0;
        for (; k + 4 <= theCount; k += 4) {
            s0 += w[k] * q[k];
            s1 += w[k + 1] * q[k + 1];
            s2 += w[k + 2] * q[k + 2];
            s3 += w[k + 3] * q[k + 3];
        }
        for (; k < theCount; ++k)
            s0 += w[k] * q[k];
        w += theCount;
        outRow[d] = (s0 + s1) + (s2 + s3);
    }
}

void StoreStraight(const Channels* inSums, int inWidth, std::uint8_t* outPixels)
{
    for (int x = 0; x < inWidth; ++x) {
        const Channels s = inSums[x];
        const std::uint8_t theAlpha = ToByte(s[3]);
        std::uint8_t* p = outPixels + std::size_t(x) * 4;
        p[3] = theAlpha;
        const float theScale = theAlpha == 0 ? 0.0f : 255.0f / std::clamp(s[3], 1e-3f, 255.0f);
        for (int c = 0; c < 3; ++c)
            p[c] = ToByte(s[c] * theScale);
    }
}

}  // namespace

ResampledPart LanczosResample(const std::uint8_t* inPixels, std::uint32_t inWidth, std::uint32_t inHeight,
                              const int inSource[4], const MatrixD& inMatrix, const int inWindow[4])
{
    ResampledPart thePart;
    const int theLeft = std::clamp(inSource[0], 0, int(inWidth));
    const int theTop = std::clamp(inSource[1], 0, int(inHeight));
    const int theRight = std::clamp(inSource[2], theLeft, int(inWidth));
    const int theBottom = std::clamp(inSource[3], theTop, int(inHeight));
    if (theRight <= theLeft || theBottom <= theTop)
        return thePart;
    const double theSx = inMatrix.m[0][0], theSy = inMatrix.m[1][1];
    const double theTx = inMatrix.m[2][0], theTy = inMatrix.m[2][1];
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    CoveredRange(theSx, theTx, theLeft, theRight, inWindow[0], inWindow[2], x0, x1);
    CoveredRange(theSy, theTy, theTop, theBottom, inWindow[1], inWindow[3], y0, y1);
    if (x1 <= x0 || y1 <= y0)
        return thePart;
    const Taps theColumns = MakeTaps(theSx, theTx, theLeft, theRight, x0, x1);
    const Taps theRows = MakeTaps(theSy, theTy, theTop, theBottom, y0, y1);
    const int theWidth = x1 - x0;
    const int theHeight = y1 - y0;

    // Filtered rows are kept in a ring as deep as the widest set of rows one
    // destination row takes; the sets only move down, so a row is filtered once
    // and the ring stays in cache where a whole filtered picture would not.
    const std::size_t theDepth = std::size_t(theRows.mWidest);
    std::vector<Channels> theRing(theDepth * std::size_t(theWidth));
    std::vector<Channels> theLine(static_cast<std::size_t>(inWidth));
    int theFiltered = theRows.mFirst.front();  // rows below this one are in the ring
    const auto theRingRow = [&](int inY) { return &theRing[std::size_t(inY) % theDepth * std::size_t(theWidth)]; };

    thePart.mLeft = x0;
    thePart.mTop = y0;
    thePart.mWidth = std::uint32_t(theWidth);
    thePart.mHeight = std::uint32_t(theHeight);
    thePart.mPixels.resize(std::size_t(theWidth) * std::size_t(theHeight) * 4);
    std::vector<Channels> theSums(static_cast<std::size_t>(theWidth));
    std::vector<const Channels*> theSources(theDepth);
    const Channels* w = theRows.mSplat.data();
    for (int d = 0; d < theHeight; ++d) {
        const int theFirst = theRows.mFirst[std::size_t(d)];
        const int theCount = theRows.mCount[std::size_t(d)];
        for (; theFiltered < theFirst + theCount; ++theFiltered) {
            Premultiply(inPixels + std::size_t(theFiltered) * inWidth * 4, theLeft, theRight, theLine.data());
            FilterRow(theLine.data(), theColumns, theRingRow(theFiltered));
        }
        for (int k = 0; k < theCount; ++k)
            theSources[std::size_t(k)] = theRingRow(theFirst + k);
        for (int x = 0; x < theWidth; ++x) {
            Channels s0{0, 0, 0, 0}, s1 = s0;
            int k = 0;
            for (; k + 2 <= theCount; k += 2) {
                s0 += w[k] * theSources[std::size_t(k)][x];
                s1 += w[k + 1] * theSources[std::size_t(k + 1)][x];
            }
            if (k < theCount)
                s0 += w[k] * theSources[std::size_t(k)][x];
            theSums[std::size_t(x)] = s0 + s1;
        }
        w += theCount;
        StoreStraight(theSums.data(), theWidth, &thePart.mPixels[std::size_t(d) * std::size_t(theWidth) * 4]);
    }
    return thePart;
}

}  // namespace vximaging
