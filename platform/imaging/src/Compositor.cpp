// The per-pixel work: sampling (exact copy for whole-pixel translations, bilinear otherwise),
// the transfer modes, and the mapping of the result to the destination's depth.
#include "Compositor.h"
#include "AreaSampler.h"
#include "RegionList.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <new>
#include <vector>

namespace vximaging {

namespace {

inline int Div255(int inValue)
{
    return inValue >= 0 ? (inValue + 127) / 255 : -((-inValue + 127) / 255);
}

inline std::uint8_t Clamp255(int inValue)
{
    return std::uint8_t(std::clamp(inValue, 0, 255));
}

struct ModeContext {
    int mMode;
    int mOp[4];  // operation colour as B, G, R bytes (and an unused alpha)
    // Blend: for every source alpha, the 16-bit weights of blue, green and red
    // (alpha × operation colour / 255) and of alpha (the largest of the three).
    std::uint64_t mBlendLanes[256];
};

inline unsigned DivideBy255(unsigned inValue)
{
    return (inValue + 127) / 255;
}

// The straight alpha blend weighted by the operation colour: the one mode whose
// weights differ per channel. Per source alpha, a table holds the four 16-bit
// weights (blue, green, red, and the coverage, the largest of them); alpha is
// then the same sum with a source of 255, since (255·c + x) / 255 = c + x / 255.
void BlendWeighted(const ModeContext& inContext, const std::uint8_t* inSource, std::uint8_t* ioDest, int inCount)
{
    int theIndex = 0;
#if defined(__SSE2__)
    const __m128i theZero = _mm_setzero_si128();
    const __m128i theFull = _mm_set1_epi16(255);
    const __m128i theRound = _mm_set1_epi16(127);
    const __m128i theReciprocal = _mm_set1_epi16(std::int16_t(0x8081));
    const __m128i theOpaque = _mm_set_epi16(255, 0, 0, 0, 255, 0, 0, 0);
    const __m128i theColors = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
    for (; theIndex + 2 <= inCount; theIndex += 2) {
        const __m128i theS =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(inSource + theIndex * 4)), theZero);
        const __m128i theD =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(ioDest + theIndex * 4)), theZero);
        const __m128i theW = _mm_set_epi64x(std::int64_t(inContext.mBlendLanes[inSource[theIndex * 4 + 7]]),
                                            std::int64_t(inContext.mBlendLanes[inSource[theIndex * 4 + 3]]));
        const __m128i theSource = _mm_or_si128(_mm_and_si128(theS, theColors), theOpaque);
        // s·w + d·(255 − w) + 127 stays below 65536; t / 255 = (t · 0x8081) >> 23 for 16-bit t.
        __m128i theSum =
            _mm_add_epi16(_mm_mullo_epi16(theSource, theW), _mm_mullo_epi16(theD, _mm_sub_epi16(theFull, theW)));
        theSum = _mm_srli_epi16(_mm_mulhi_epu16(_mm_add_epi16(theSum, theRound), theReciprocal), 7);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(ioDest + theIndex * 4), _mm_packus_epi16(theSum, theZero));
    }
#endif
    for (; theIndex < inCount; ++theIndex) {
        const std::uint8_t* theS = inSource + theIndex * 4;
        std::uint8_t* theD = ioDest + theIndex * 4;
        const std::uint64_t theLanes = inContext.mBlendLanes[theS[3]];
        for (int theChannel = 0; theChannel < 4; ++theChannel) {
            const unsigned theWeight = unsigned(theLanes >> (16 * theChannel)) & 0xFFFFu;
            const unsigned theSource = theChannel == 3 ? 255u : theS[theChannel];
            theD[theChannel] = std::uint8_t(DivideBy255(theSource * theWeight + theD[theChannel] * (255 - theWeight)));
        }
    }
}

template <class Channel>
void ForColorChannels(const std::uint8_t* inSource, std::uint8_t* ioDest, int inCount, Channel inChannel)
{
    for (int theIndex = 0; theIndex < inCount; ++theIndex) {
        const std::uint8_t* theS = inSource + theIndex * 4;
        std::uint8_t* theD = ioDest + theIndex * 4;
        theD[0] = std::uint8_t(inChannel(theS[0], theD[0], 0));
        theD[1] = std::uint8_t(inChannel(theS[1], theD[1], 1));
        theD[2] = std::uint8_t(inChannel(theS[2], theD[2], 2));
    }
}

// The alpha modes weighted by the source's own alpha, one loop per mode so that
// no per-channel branch is left in it.
template <int kMode>
void BlendAlpha(const std::uint8_t* inSource, std::uint8_t* ioDest, int inCount)
{
    for (int theIndex = 0; theIndex < inCount; ++theIndex) {
        const std::uint8_t* theS = inSource + theIndex * 4;
        std::uint8_t* theD = ioDest + theIndex * 4;
        const int theAlpha = theS[3];
        for (int theChannel = 0; theChannel < 3; ++theChannel) {
            const int theSrc = theS[theChannel];
            const int theDst = theD[theChannel];
            if constexpr (kMode == graphicsModeStraightAlpha)
                theD[theChannel] = std::uint8_t(Div255(theSrc * theAlpha + theDst * (255 - theAlpha)));
            else if constexpr (kMode == graphicsModePreWhiteAlpha)
                theD[theChannel] = Clamp255(theSrc + Div255((theDst - 255) * (255 - theAlpha)));
            else
                theD[theChannel] = Clamp255(theSrc + Div255(theDst * (255 - theAlpha)));
        }
        theD[3] = std::uint8_t(theAlpha + Div255(theD[3] * (255 - theAlpha)));
    }
}

void Combine(const ModeContext& inContext, const std::uint8_t* inSource, std::uint8_t* ioDest, int inCount)
{
    const int* theOp = inContext.mOp;
    switch (inContext.mMode) {
    case srcCopy:
        std::memmove(ioDest, inSource, std::size_t(inCount) * 4);
        break;
    case notSrcCopy:
        for (int theIndex = 0; theIndex < inCount * 4; ++theIndex)
            ioDest[theIndex] = (theIndex & 3) == 3 ? inSource[theIndex] : std::uint8_t(255 - inSource[theIndex]);
        break;
    case addPin:
        ForColorChannels(inSource, ioDest, inCount,
                         [theOp](int inS, int inD, int inC) { return std::min(inS + inD, theOp[inC]); });
        break;
    case addOver:
        ForColorChannels(inSource, ioDest, inCount, [](int inS, int inD, int) { return (inS + inD) & 255; });
        break;
    case subPin:
        ForColorChannels(inSource, ioDest, inCount,
                         [theOp](int inS, int inD, int inC) { return std::max(inD - inS, theOp[inC]); });
        break;
    case addMax:
        ForColorChannels(inSource, ioDest, inCount, [](int inS, int inD, int) { return std::max(inS, inD); });
        break;
    case subOver:
        ForColorChannels(inSource, ioDest, inCount, [](int inS, int inD, int) { return (inD - inS) & 255; });
        break;
    case adMin:
        ForColorChannels(inSource, ioDest, inCount, [](int inS, int inD, int) { return std::min(inS, inD); });
        break;
    case graphicsModeStraightAlphaBlend:
        BlendWeighted(inContext, inSource, ioDest, inCount);
        break;
    case graphicsModeStraightAlpha:
        BlendAlpha<graphicsModeStraightAlpha>(inSource, ioDest, inCount);
        break;
    case graphicsModePreWhiteAlpha:
        BlendAlpha<graphicsModePreWhiteAlpha>(inSource, ioDest, inCount);
        break;
    default:  // graphicsModePreBlackAlpha
        BlendAlpha<graphicsModePreBlackAlpha>(inSource, ioDest, inCount);
        break;
    }
}

struct Writer {
    const Surface& mDest;
    const ModeContext& mContext;
    bool mDither;
    std::vector<std::uint8_t> mScratch;

    // Combines inSource (pixels inX … inX + inCount − 1 of row inY) into the destination.
    void Put(int inY, int inX, int inCount, const std::uint8_t* inSource)
    {
        if (mDest.mDepth == 32) {
            Combine(mContext, inSource, mDest.Row(inY) + std::ptrdiff_t(inX - mDest.mLeft) * 4, inCount);
            return;
        }
        if (mContext.mMode == srcCopy) {
            StoreRow(mDest, inY, inX, inCount, inSource, mDither);
            return;
        }
        std::uint8_t* theScratch = mScratch.data();
        const std::uint8_t* theDest = FetchRow(mDest, inY, inX, inCount, theScratch);
        if (theDest != theScratch)
            std::memcpy(theScratch, theDest, std::size_t(inCount) * 4);
        Combine(mContext, inSource, theScratch, inCount);
        StoreRow(mDest, inY, inX, inCount, theScratch, mDither);
    }
};

// The bytes a surface's rows span.
std::pair<const std::uint8_t*, const std::uint8_t*> Extent(const Surface& inSurface)
{
    const std::uint8_t* theFirst = inSurface.mTopRow;
    const std::uint8_t* theLast = inSurface.mTopRow + std::ptrdiff_t(inSurface.mHeight - 1) * inSurface.mStride;
    const std::ptrdiff_t theRowBytes = AlignedRowBytes(inSurface.mWidth, inSurface.mDepth);
    return {std::min(theFirst, theLast), std::max(theFirst, theLast) + theRowBytes};
}

bool Overlaps(const Surface& inA, const Surface& inB)
{
    const auto [theStartA, theEndA] = Extent(inA);
    const auto [theStartB, theEndB] = Extent(inB);
    return theStartA < theEndB && theStartB < theEndA;
}

bool IsWholeTranslation(const MatrixD& inMatrix, int& outDx, int& outDy)
{
    const auto& m = inMatrix.m;
    if (m[0][0] != 1 || m[1][1] != 1 || m[0][1] != 0 || m[1][0] != 0 || m[0][2] != 0 || m[1][2] != 0 || m[2][2] != 1)
        return false;
    if (m[2][0] != std::floor(m[2][0]) || m[2][1] != std::floor(m[2][1]))
        return false;
    if (std::fabs(m[2][0]) > 65536 || std::fabs(m[2][1]) > 65536)
        return false;
    outDx = int(m[2][0]);
    outDy = int(m[2][1]);
    return true;
}

}  // namespace

bool IsSupportedMode(int inMode)
{
    switch (inMode & ~ditherCopy) {
    case srcCopy:
    case notSrcCopy:
    case addPin:
    case addOver:
    case subPin:
    case addMax:
    case subOver:
    case adMin:
    case graphicsModeStraightAlpha:
    case graphicsModePreWhiteAlpha:
    case graphicsModePreBlackAlpha:
    case graphicsModeStraightAlphaBlend:
        return true;
    default:
        return false;
    }
}

namespace {

// Whole pixels of one surface's coordinates; right and bottom exclusive.
struct Area {
    int mLeft = 0;
    int mTop = 0;
    int mRight = 0;
    int mBottom = 0;

    int Width() const { return mRight - mLeft; }
    int Height() const { return mBottom - mTop; }
    bool IsEmpty() const { return mLeft >= mRight || mTop >= mBottom; }
};

// The request's source rectangle, cut to the source.
Area SourceArea(const CompositeRequest& inRequest)
{
    const Surface& theSource = inRequest.mSource;
    return {std::max<int>(inRequest.mSourceRect.left, theSource.mLeft),
            std::max<int>(inRequest.mSourceRect.top, theSource.mTop),
            std::min<int>(inRequest.mSourceRect.right, theSource.mLeft + theSource.mWidth),
            std::min<int>(inRequest.mSourceRect.bottom, theSource.mTop + theSource.mHeight)};
}

// The area's pixels as B, G, R, A, row after row.
void CopyRows(const Surface& inSource, const Area& inArea, std::uint8_t* outPixels)
{
    const std::size_t theRowBytes = std::size_t(inArea.Width()) * 4;
    for (int theY = inArea.mTop; theY < inArea.mBottom; ++theY) {
        std::uint8_t* theRow = outPixels + std::size_t(theY - inArea.mTop) * theRowBytes;
        const std::uint8_t* theFetched = FetchRow(inSource, theY, inArea.mLeft, inArea.Width(), theRow);
        if (theFetched != theRow)
            std::memcpy(theRow, theFetched, theRowBytes);
    }
}

// Drawing a picture onto itself (a canvas onto its own pixels, CopyBits within one world):
// the source area is read into a copy first, so no pixel is read after it was written.
// Throws std::bad_alloc.
Surface Snapshot(const Surface& inSource, const Area& inArea, std::vector<std::uint8_t>& outPixels)
{
    outPixels.resize(std::size_t(inArea.Width()) * std::size_t(inArea.Height()) * 4);
    CopyRows(inSource, inArea, outPixels.data());
    Surface theCopy;
    theCopy.mTopRow = outPixels.data();
    theCopy.mStride = std::ptrdiff_t(inArea.Width()) * 4;
    theCopy.mLeft = inArea.mLeft;
    theCopy.mTop = inArea.mTop;
    theCopy.mWidth = inArea.Width();
    theCopy.mHeight = inArea.Height();
    theCopy.mDepth = 32;
    return theCopy;
}

// The transformed source area's bounds, cut to the destination. False when a
// corner can't be mapped.
bool DestinationArea(const MatrixD& inMatrix, const Area& inSource, const Surface& inDest, Area& outArea)
{
    double theMinX = 1e18, theMinY = 1e18, theMaxX = -1e18, theMaxY = -1e18;
    const double theCorners[4][2] = {{double(inSource.mLeft), double(inSource.mTop)},
                                     {double(inSource.mRight), double(inSource.mTop)},
                                     {double(inSource.mRight), double(inSource.mBottom)},
                                     {double(inSource.mLeft), double(inSource.mBottom)}};
    for (const auto& theCorner : theCorners) {
        double theX = 0, theY = 0;
        if (!Apply(inMatrix, theCorner[0], theCorner[1], theX, theY))
            return false;
        theMinX = std::min(theMinX, theX);
        theMinY = std::min(theMinY, theY);
        theMaxX = std::max(theMaxX, theX);
        theMaxY = std::max(theMaxY, theY);
    }
    const double theDestRight = inDest.mLeft + inDest.mWidth;
    const double theDestBottom = inDest.mTop + inDest.mHeight;
    outArea = {int(std::clamp(std::floor(theMinX), double(inDest.mLeft), theDestRight)),
               int(std::clamp(std::floor(theMinY), double(inDest.mTop), theDestBottom)),
               int(std::clamp(std::ceil(theMaxX), double(inDest.mLeft), theDestRight)),
               int(std::clamp(std::ceil(theMaxY), double(inDest.mTop), theDestBottom))};
    return true;
}

void MakeModeContext(const CompositeRequest& inRequest, ModeContext& outContext)
{
    outContext =
        ModeContext{inRequest.mMode & ~ditherCopy,
                    {inRequest.mOpColor.blue >> 8, inRequest.mOpColor.green >> 8, inRequest.mOpColor.red >> 8, 255},
                    {}};
    if (outContext.mMode != graphicsModeStraightAlphaBlend)
        return;
    for (unsigned theAlpha = 0; theAlpha < 256; ++theAlpha) {
        std::uint64_t theLanes = 0;
        unsigned theCoverage = 0;
        for (int theChannel = 0; theChannel < 3; ++theChannel) {
            const unsigned theWeight = DivideBy255(theAlpha * unsigned(outContext.mOp[theChannel]));
            theLanes |= std::uint64_t(theWeight) << (16 * theChannel);
            theCoverage = std::max(theCoverage, theWeight);
        }
        outContext.mBlendLanes[theAlpha] = theLanes | std::uint64_t(theCoverage) << 48;
    }
}

// The spans of a destination row that the mask leaves open: the whole span without one.
class RowSpanner {
public:
    explicit RowSpanner(const std::vector<Rect>* inMask) : mMask(inMask) {}

    const std::vector<std::pair<int, int>>& Spans(int inY, int inFrom, int inTo)
    {
        if (mMask != nullptr)
            RowSpans(*mMask, inY, inFrom, inTo, mSpans);
        else
            mSpans.assign(1, {inFrom, inTo});
        return mSpans;
    }

private:
    const std::vector<Rect>* mMask;
    std::vector<std::pair<int, int>> mSpans;
};

// A whole-pixel move: rows are copied as they are.
void CopyTranslated(const Surface& inSource, const Area& inSourceArea, const Area& inDestArea, int inDx, int inDy,
                    RowSpanner& ioSpanner, Writer& ioWriter)
{
    std::vector<std::uint8_t> theScratch(std::size_t(inDestArea.Width()) * 4);
    const int theFrom = std::max(inDestArea.mLeft, inSourceArea.mLeft + inDx);
    const int theTo = std::min(inDestArea.mRight, inSourceArea.mRight + inDx);
    const int theEnd = std::min(inDestArea.mBottom, inSourceArea.mBottom + inDy);
    for (int theY = std::max(inDestArea.mTop, inSourceArea.mTop + inDy); theY < theEnd; ++theY)
        for (const auto& [theA, theB] : ioSpanner.Spans(theY, theFrom, theTo)) {
            const std::uint8_t* thePixels =
                FetchRow(inSource, theY - inDy, theA - inDx, theB - theA, theScratch.data());
            ioWriter.Put(theY, theA, theB - theA, thePixels);
        }
}

// The source area as 32-bit B, G, R, A texels. A 32-bit source already is that
// layout and is sampled in place (decoded pictures are large; a copy of them
// costs as much as the sampling); any other is copied into ioCopy.
struct Texels {
    const std::uint32_t* mFirst = nullptr;
    std::ptrdiff_t mStride = 0;  // in pixels; negative for bottom-up sources
};

Texels TexelsOf(const Surface& inSource, const Area& inArea, std::vector<std::uint8_t>& ioCopy)
{
    const std::uint8_t* theFirst =
        inSource.mDepth == 32 ? inSource.Row(inArea.mTop) + std::ptrdiff_t(inArea.mLeft - inSource.mLeft) * 4 : nullptr;
    if (theFirst != nullptr && inSource.mStride % 4 == 0 && reinterpret_cast<std::uintptr_t>(theFirst) % 4 == 0)
        return {reinterpret_cast<const std::uint32_t*>(theFirst), inSource.mStride / 4};
    ioCopy.resize(std::size_t(inArea.Width()) * std::size_t(inArea.Height()) * 4);
    CopyRows(inSource, inArea, ioCopy.data());
    return {reinterpret_cast<const std::uint32_t*>(ioCopy.data()), inArea.Width()};
}

// Two channels per 32-bit lane pair: 0x00FF00FF masks keep them apart.
inline std::uint32_t Lerp(std::uint32_t inA, std::uint32_t inB, std::uint32_t inF)
{
    const std::uint32_t theRb = (inA & 0x00FF00FFu) * (256u - inF) + (inB & 0x00FF00FFu) * inF;
    const std::uint32_t theAg = ((inA >> 8) & 0x00FF00FFu) * (256u - inF) + ((inB >> 8) & 0x00FF00FFu) * inF;
    return ((theRb + 0x00800080u) >> 8 & 0x00FF00FFu) | (((theAg + 0x00800080u) >> 8 & 0x00FF00FFu) << 8);
}

// Bilinear samples of destination rows, at positions relative to the source
// area's first pixel centre in 32.32 fixed point.
class BilinearSampler {
public:
    BilinearSampler(const MatrixD& inInverse, const MatrixD& inMatrix, Texels inTexels, const Area& inSource,
                    const Area& inDest)
        : mInverse(inInverse),
          mPerspective(inMatrix.m[0][2] != 0 || inMatrix.m[1][2] != 0),
          mTexels(inTexels),
          mSource(inSource),
          mDest(inDest),
          mStepU(std::llround(inInverse.m[0][0] * kOne)),
          mStepV(std::llround(inInverse.m[0][1] * kOne))
    {
    }

    // Row inY into outSamples; outCovered marks the pixels the source covers.
    void Row(int inY, std::uint8_t* outSamples, std::uint8_t* outCovered) const
    {
        // Locals, so that the stores into the samples can't make the loop reload them.
        const std::uint32_t* const theTexels = mTexels.mFirst;
        const std::ptrdiff_t theStride = mTexels.mStride;
        const int theSrcLeft = mSource.mLeft;
        const int theSrcTop = mSource.mTop;
        const int theSrcWidth = mSource.Width();
        const int theSrcHeight = mSource.Height();
        const std::int64_t theLimitU = (std::int64_t(theSrcWidth) << 32) - (std::int64_t(1) << 31);
        const std::int64_t theLimitV = (std::int64_t(theSrcHeight) << 32) - (std::int64_t(1) << 31);
        const std::int64_t theHalf = -(std::int64_t(1) << 31);
        const std::int64_t theStepU = mStepU;
        const std::int64_t theStepV = mStepV;
        const bool thePerspective = mPerspective;
        const int theLeft = mDest.mLeft;
        const int theRight = mDest.mRight;
        double theSx = 0, theSy = 0;
        Apply(mInverse, theLeft + 0.5, inY + 0.5, theSx, theSy);
        std::int64_t theU = std::llround((theSx - 0.5 - theSrcLeft) * kOne);
        std::int64_t theV = std::llround((theSy - 0.5 - theSrcTop) * kOne);
        for (int theX = theLeft; theX < theRight; ++theX, theU += theStepU, theV += theStepV) {
            const int theIndex = theX - theLeft;
            if (thePerspective) {
                if (!Apply(mInverse, theX + 0.5, inY + 0.5, theSx, theSy)) {
                    outCovered[std::size_t(theIndex)] = 0;
                    continue;
                }
                theU = std::llround((theSx - 0.5 - theSrcLeft) * kOne);
                theV = std::llround((theSy - 0.5 - theSrcTop) * kOne);
            }
            const bool theInside = theU >= theHalf && theU < theLimitU && theV >= theHalf && theV < theLimitV;
            outCovered[std::size_t(theIndex)] = theInside ? 1 : 0;
            if (!theInside)
                continue;
            const int theX0 = int(theU >> 32);
            const int theY0 = int(theV >> 32);
            const std::uint32_t theFx = std::uint32_t(theU >> 24) & 255u;
            const std::uint32_t theFy = std::uint32_t(theV >> 24) & 255u;
            const int theXa = std::max(theX0, 0);
            const int theXb = std::min(theX0 + 1, theSrcWidth - 1);
            const std::ptrdiff_t theRowA = std::ptrdiff_t(std::max(theY0, 0)) * theStride;
            const std::ptrdiff_t theRowB = std::ptrdiff_t(std::min(theY0 + 1, theSrcHeight - 1)) * theStride;
            const std::uint32_t theTopMix = Lerp(theTexels[theRowA + theXa], theTexels[theRowA + theXb], theFx);
            const std::uint32_t theBottomMix = Lerp(theTexels[theRowB + theXa], theTexels[theRowB + theXb], theFx);
            const std::uint32_t theSample = Lerp(theTopMix, theBottomMix, theFy);
            std::memcpy(&outSamples[std::size_t(theIndex) * 4], &theSample, 4);
        }
    }

private:
    static constexpr double kOne = 4294967296.0;

    const MatrixD& mInverse;
    bool mPerspective;
    Texels mTexels;
    Area mSource;
    Area mDest;
    std::int64_t mStepU;
    std::int64_t mStepV;
};

// The covered runs of row inY, intersected with the mask, into the destination.
void PutCoveredRuns(int inY, const Area& inDestArea, const std::uint8_t* inCovered, const std::uint8_t* inSamples,
                    RowSpanner& ioSpanner, Writer& ioWriter)
{
    const int theWidth = inDestArea.Width();
    int theRun = 0;
    while (theRun < theWidth) {
        while (theRun < theWidth && inCovered[std::size_t(theRun)] == 0)
            ++theRun;
        int theEnd = theRun;
        while (theEnd < theWidth && inCovered[std::size_t(theEnd)] != 0)
            ++theEnd;
        if (theRun < theEnd)
            for (const auto& [theA, theB] : ioSpanner.Spans(inY, inDestArea.mLeft + theRun, inDestArea.mLeft + theEnd))
                ioWriter.Put(inY, theA, theB - theA, &inSamples[std::size_t(theA - inDestArea.mLeft) * 4]);
        theRun = theEnd;
    }
}

// Any other matrix: each destination pixel samples the source through the
// inverse, by area when the matrix shrinks, else bilinearly. Throws std::bad_alloc.
OSErr SampleTransformed(const CompositeRequest& inRequest, const Surface& inSource, const Area& inSourceArea,
                        const Area& inDestArea, RowSpanner& ioSpanner, Writer& ioWriter)
{
    MatrixD theInverse{};
    if (!Invert(inRequest.mMatrix, theInverse))
        return paramErr;
    std::vector<std::uint8_t> theCopy;
    const Texels theTexels = TexelsOf(inSource, inSourceArea, theCopy);
    const int theWidth = inDestArea.Width();
    std::vector<std::uint8_t> theSamples(std::size_t(theWidth) * 4);
    std::vector<std::uint8_t> theCovered(std::size_t(theWidth), 0);
    std::unique_ptr<AreaSampler> theArea;
    if (AreaSampler::Applies(inRequest.mMatrix))
        theArea = std::make_unique<AreaSampler>(theTexels.mFirst, theTexels.mStride, inSourceArea.Width(),
                                                inSourceArea.Height(), inSourceArea.mLeft, inSourceArea.mTop,
                                                inRequest.mMatrix, inDestArea.mLeft, inDestArea.mRight);
    const BilinearSampler theBilinear(theInverse, inRequest.mMatrix, theTexels, inSourceArea, inDestArea);
    for (int theY = inDestArea.mTop; theY < inDestArea.mBottom; ++theY) {
        if (theArea != nullptr)
            theArea->Row(theY, theSamples.data(), theCovered.data());
        else
            theBilinear.Row(theY, theSamples.data(), theCovered.data());
        PutCoveredRuns(theY, inDestArea, theCovered.data(), theSamples.data(), ioSpanner, ioWriter);
    }
    return noErr;
}

}  // namespace

OSErr Composite(const CompositeRequest& inRequest)
{
    if (!IsSupportedMode(inRequest.mMode))
        return paramErr;
    Surface theSource = inRequest.mSource;
    const Surface& theDest = inRequest.mDest;
    const Area theSourceArea = SourceArea(inRequest);
    if (theSourceArea.IsEmpty())
        return noErr;
    std::vector<std::uint8_t> theSnapshot;
    if (Overlaps(theSource, theDest)) {
        try {
            theSource = Snapshot(theSource, theSourceArea, theSnapshot);
        } catch (const std::bad_alloc&) {
            return memFullErr;
        }
    }
    Area theDestArea;
    if (!DestinationArea(inRequest.mMatrix, theSourceArea, theDest, theDestArea))
        return paramErr;
    std::vector<Rect> theMaskRects;
    const bool theMasked = inRequest.mMask != nullptr;
    if (theMasked && !RegionRects(inRequest.mMask, theMaskRects))
        return paramErr;
    if (theDestArea.IsEmpty())
        return noErr;

    ModeContext theContext;
    MakeModeContext(inRequest, theContext);
    const bool theDither = (inRequest.mMode & ditherCopy) != 0;
    try {
        Writer theWriter{theDest, theContext, theDither,
                         std::vector<std::uint8_t>(std::size_t(theDestArea.Width()) * 4)};
        RowSpanner theSpanner(theMasked ? &theMaskRects : nullptr);
        int theDx = 0, theDy = 0;
        if (IsWholeTranslation(inRequest.mMatrix, theDx, theDy)) {
            CopyTranslated(theSource, theSourceArea, theDestArea, theDx, theDy, theSpanner, theWriter);
            return noErr;
        }
        return SampleTransformed(inRequest, theSource, theSourceArea, theDestArea, theSpanner, theWriter);
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
}

}  // namespace vximaging
