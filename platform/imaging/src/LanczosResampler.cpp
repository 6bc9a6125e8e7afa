#include "LanczosResampler.h"

#include <algorithm>
#include <cmath>

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
    std::vector<float> mWeights;  // mCount[i] per pixel, one pixel after the other
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

    // Premultiplied, so that clear pixels lend no colour to their neighbours.
    const int theRowFirst = theRows.mFirst.front();
    const int theRowLast = theRows.mFirst.back() + theRows.mCount.back();
    std::vector<Channels> theHorizontal(std::size_t(theRowLast - theRowFirst) * std::size_t(theWidth));
    std::vector<Channels> theLine(static_cast<std::size_t>(inWidth));
    for (int y = theRowFirst; y < theRowLast; ++y) {
        const std::uint8_t* theSource = inPixels + std::size_t(y) * inWidth * 4;
        for (int x = theLeft; x < theRight; ++x) {
            const std::uint8_t* p = theSource + std::size_t(x) * 4;
            const float a = p[3] * (1 / 255.0f);
            theLine[std::size_t(x)] = Channels{p[0] * a, p[1] * a, p[2] * a, float(p[3])};
        }
        Channels* theOut = &theHorizontal[std::size_t(y - theRowFirst) * std::size_t(theWidth)];
        const float* w = theColumns.mWeights.data();
        for (int d = 0; d < theWidth; ++d) {
            Channels theSum{0, 0, 0, 0};
            const Channels* q = &theLine[std::size_t(theColumns.mFirst[std::size_t(d)])];
            for (int k = theColumns.mCount[std::size_t(d)]; k > 0; --k)
                theSum += *w++ * *q++;
            theOut[d] = theSum;
        }
    }

    thePart.mLeft = x0;
    thePart.mTop = y0;
    thePart.mWidth = std::uint32_t(theWidth);
    thePart.mHeight = std::uint32_t(theHeight);
    thePart.mPixels.resize(std::size_t(theWidth) * std::size_t(theHeight) * 4);
    std::vector<Channels> theSums(static_cast<std::size_t>(theWidth));
    const float* w = theRows.mWeights.data();
    for (int d = 0; d < theHeight; ++d) {
        std::fill(theSums.begin(), theSums.end(), Channels{0, 0, 0, 0});
        const int theFirst = theRows.mFirst[std::size_t(d)];
        for (int k = 0; k < theRows.mCount[std::size_t(d)]; ++k, ++w) {
            const Channels* theRow = &theHorizontal[std::size_t(theFirst + k - theRowFirst) * std::size_t(theWidth)];
            const float theWeight = *w;
            for (std::size_t i = 0; i < theSums.size(); ++i)
                theSums[i] += theWeight * theRow[i];
        }
        std::uint8_t* theOut = &thePart.mPixels[std::size_t(d) * std::size_t(theWidth) * 4];
        for (int x = 0; x < theWidth; ++x) {
            const Channels s = theSums[std::size_t(x)];
            const std::uint8_t theAlpha = ToByte(s[3]);
            std::uint8_t* p = theOut + std::size_t(x) * 4;
            p[3] = theAlpha;
            const float theScale = theAlpha == 0 ? 0.0f : 255.0f / std::clamp(s[3], 1e-3f, 255.0f);
            for (int c = 0; c < 3; ++c)
                p[c] = ToByte(s[c] * theScale);
        }
    }
    return thePart;
}

}  // namespace vximaging
