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
        const __m128i theS = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(inSource + theIndex * 4)), theZero);
        const __m128i theD = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(ioDest + theIndex * 4)), theZero);
        const __m128i theW = _mm_set_epi64x(std::int64_t(inContext.mBlendLanes[inSource[theIndex * 4 + 7]]),
                                            std::int64_t(inContext.mBlendLanes[inSource[theIndex * 4 + 3]]));
        const __m128i theSource = _mm_or_si128(_mm_and_si128(theS, theColors), theOpaque);
        // s·w + d·(255 − w) + 127 stays below 65536; t / 255 = (t · 0x8081) >> 23 for 16-bit t.
        __m128i theSum = _mm_add_epi16(_mm_mullo_epi16(theSource, theW), _mm_mullo_epi16(theD, _mm_sub_epi16(theFull, theW)));
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
        ForColorChannels(inSource, ioDest, inCount, [theOp](int inS, int inD, int inC) { return std::min(inS + inD, theOp[inC]); });
        break;
    case addOver:
        ForColorChannels(inSource, ioDest, inCount, [](int inS, int inD, int) { return (inS + inD) & 255; });
        break;
    case subPin:
        ForColorChannels(inSource, ioDest, inCount, [theOp](int inS, int inD, int inC) { return std::max(inD - inS, theOp[inC]); });
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
    default:
        for (int theIndex = 0; theIndex < inCount; ++theIndex) {
            const std::uint8_t* theS = inSource + theIndex * 4;
            std::uint8_t* theD = ioDest + theIndex * 4;
            const int theAlpha = theS[3];
            int theCoverage = theAlpha;
            for (int theChannel = 0; theChannel < 3; ++theChannel) {
                const int theSrc = theS[theChannel];
                const int theDst = theD[theChannel];
                switch (inContext.mMode) {
                case graphicsModeStraightAlpha:
                    theD[theChannel] = std::uint8_t(Div255(theSrc * theAlpha + theDst * (255 - theAlpha)));
                    break;
                case graphicsModePreWhiteAlpha:
                    theD[theChannel] = Clamp255(theSrc + Div255((theDst - 255) * (255 - theAlpha)));
                    break;
                case graphicsModePreBlackAlpha:
                    theD[theChannel] = Clamp255(theSrc + Div255(theDst * (255 - theAlpha)));
                    break;
                default: {  // graphicsModeStraightAlphaBlend
                    const int theWeight = Div255(theAlpha * theOp[theChannel]);
                    theD[theChannel] = std::uint8_t(Div255(theSrc * theWeight + theDst * (255 - theWeight)));
                    theCoverage = theChannel == 0 ? theWeight : std::max(theCoverage, theWeight);
                    break;
                }
                }
            }
            theD[3] = std::uint8_t(theCoverage + Div255(theD[3] * (255 - theCoverage)));
        }
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

OSErr Composite(const CompositeRequest& inRequest)
{
    if (!IsSupportedMode(inRequest.mMode))
        return paramErr;
    Surface theSource = inRequest.mSource;
    const Surface& theDest = inRequest.mDest;
    // Drawing a picture onto itself (a canvas onto its own pixels, CopyBits within one world):
    // the source rectangle is read into a copy first, so no pixel is read after it was written.
    std::vector<std::uint8_t> theSnapshot;

    // Source rectangle, cut to the source.
    const int theSrcLeft = std::max<int>(inRequest.mSourceRect.left, theSource.mLeft);
    const int theSrcTop = std::max<int>(inRequest.mSourceRect.top, theSource.mTop);
    const int theSrcRight = std::min<int>(inRequest.mSourceRect.right, theSource.mLeft + theSource.mWidth);
    const int theSrcBottom = std::min<int>(inRequest.mSourceRect.bottom, theSource.mTop + theSource.mHeight);
    if (theSrcLeft >= theSrcRight || theSrcTop >= theSrcBottom)
        return noErr;
    if (Overlaps(theSource, theDest)) {
        try {
            const int theWidth = theSrcRight - theSrcLeft;
            theSnapshot.resize(std::size_t(theWidth) * std::size_t(theSrcBottom - theSrcTop) * 4);
            for (int theY = theSrcTop; theY < theSrcBottom; ++theY) {
                std::uint8_t* theRow = &theSnapshot[std::size_t(theY - theSrcTop) * std::size_t(theWidth) * 4];
                const std::uint8_t* theFetched = FetchRow(theSource, theY, theSrcLeft, theWidth, theRow);
                if (theFetched != theRow)
                    std::memcpy(theRow, theFetched, std::size_t(theWidth) * 4);
            }
        } catch (const std::bad_alloc&) {
            return memFullErr;
        }
        Surface theCopy;
        theCopy.mTopRow = theSnapshot.data();
        theCopy.mStride = std::ptrdiff_t(theSrcRight - theSrcLeft) * 4;
        theCopy.mLeft = theSrcLeft;
        theCopy.mTop = theSrcTop;
        theCopy.mWidth = theSrcRight - theSrcLeft;
        theCopy.mHeight = theSrcBottom - theSrcTop;
        theCopy.mDepth = 32;
        theSource = theCopy;
    }

    // Destination area: the transformed source rectangle's bounds, cut to the destination and mask.
    double theMinX = 1e18, theMinY = 1e18, theMaxX = -1e18, theMaxY = -1e18;
    const double theCorners[4][2] = {
        {double(theSrcLeft), double(theSrcTop)}, {double(theSrcRight), double(theSrcTop)},
        {double(theSrcRight), double(theSrcBottom)}, {double(theSrcLeft), double(theSrcBottom)}};
    for (const auto& theCorner : theCorners) {
        double theX = 0, theY = 0;
        if (!Apply(inRequest.mMatrix, theCorner[0], theCorner[1], theX, theY))
            return paramErr;
        theMinX = std::min(theMinX, theX);
        theMinY = std::min(theMinY, theY);
        theMaxX = std::max(theMaxX, theX);
        theMaxY = std::max(theMaxY, theY);
    }
    const double theDestRight = theDest.mLeft + theDest.mWidth;
    const double theDestBottom = theDest.mTop + theDest.mHeight;
    const int theLeft = int(std::clamp(std::floor(theMinX), double(theDest.mLeft), theDestRight));
    const int theTop = int(std::clamp(std::floor(theMinY), double(theDest.mTop), theDestBottom));
    const int theRight = int(std::clamp(std::ceil(theMaxX), double(theDest.mLeft), theDestRight));
    const int theBottom = int(std::clamp(std::ceil(theMaxY), double(theDest.mTop), theDestBottom));
    std::vector<Rect> theMaskRects;
    const bool theMasked = inRequest.mMask != nullptr;
    if (theMasked && !RegionRects(inRequest.mMask, theMaskRects))
        return paramErr;
    if (theLeft >= theRight || theTop >= theBottom)
        return noErr;

    ModeContext theContext{inRequest.mMode & ~ditherCopy,
                           {inRequest.mOpColor.blue >> 8, inRequest.mOpColor.green >> 8, inRequest.mOpColor.red >> 8, 255},
                           {}};
    if (theContext.mMode == graphicsModeStraightAlphaBlend)
        for (unsigned theAlpha = 0; theAlpha < 256; ++theAlpha) {
            std::uint64_t theLanes = 0;
            unsigned theCoverage = 0;
            for (int theChannel = 0; theChannel < 3; ++theChannel) {
                const unsigned theWeight = DivideBy255(theAlpha * unsigned(theContext.mOp[theChannel]));
                theLanes |= std::uint64_t(theWeight) << (16 * theChannel);
                theCoverage = std::max(theCoverage, theWeight);
            }
            theContext.mBlendLanes[theAlpha] = theLanes | std::uint64_t(theCoverage) << 48;
        }
    const bool theDither = (inRequest.mMode & ditherCopy) != 0;
    const int theWidth = theRight - theLeft;
    try {
        Writer theWriter{theDest, theContext, theDither, std::vector<std::uint8_t>(std::size_t(theWidth) * 4)};
        std::vector<std::pair<int, int>> theSpans;
        auto theRowSpans = [&](int inY, int inFrom, int inTo) {
            if (theMasked)
                RowSpans(theMaskRects, inY, inFrom, inTo, theSpans);
            else
                theSpans.assign(1, {inFrom, inTo});
        };

        int theDx = 0, theDy = 0;
        if (IsWholeTranslation(inRequest.mMatrix, theDx, theDy)) {
            std::vector<std::uint8_t> theScratch(std::size_t(theWidth) * 4);
            const int theFrom = std::max(theLeft, theSrcLeft + theDx);
            const int theTo = std::min(theRight, theSrcRight + theDx);
            for (int theY = std::max(theTop, theSrcTop + theDy); theY < std::min(theBottom, theSrcBottom + theDy); ++theY) {
                theRowSpans(theY, theFrom, theTo);
                for (const auto& [theA, theB] : theSpans) {
                    const std::uint8_t* thePixels = FetchRow(theSource, theY - theDy, theA - theDx, theB - theA, theScratch.data());
                    theWriter.Put(theY, theA, theB - theA, thePixels);
                }
            }
            return noErr;
        }

        MatrixD theInverse{};
        if (!Invert(inRequest.mMatrix, theInverse))
            return paramErr;
        // The source rectangle as B, G, R, A, so that sampling reads one layout. A 32-bit source
        // already is that layout and is sampled in place (decoded pictures are large; a copy of
        // them costs as much as the sampling).
        const int theSrcWidth = theSrcRight - theSrcLeft;
        const int theSrcHeight = theSrcBottom - theSrcTop;
        std::vector<std::uint8_t> thePixels;
        const std::uint32_t* theTexels = nullptr;
        std::ptrdiff_t theTexelStride = theSrcWidth;  // in pixels; negative for bottom-up sources
        const std::uint8_t* theFirst =
            theSource.mDepth == 32 ? theSource.Row(theSrcTop) + std::ptrdiff_t(theSrcLeft - theSource.mLeft) * 4 : nullptr;
        if (theFirst != nullptr && theSource.mStride % 4 == 0 && reinterpret_cast<std::uintptr_t>(theFirst) % 4 == 0) {
            theTexels = reinterpret_cast<const std::uint32_t*>(theFirst);
            theTexelStride = theSource.mStride / 4;
        } else {
            thePixels.resize(std::size_t(theSrcWidth) * std::size_t(theSrcHeight) * 4);
            for (int theY = 0; theY < theSrcHeight; ++theY) {
                std::uint8_t* theRow = thePixels.data() + std::size_t(theY) * std::size_t(theSrcWidth) * 4;
                const std::uint8_t* theFetched = FetchRow(theSource, theSrcTop + theY, theSrcLeft, theSrcWidth, theRow);
                if (theFetched != theRow)
                    std::memcpy(theRow, theFetched, std::size_t(theSrcWidth) * 4);
            }
            theTexels = reinterpret_cast<const std::uint32_t*>(thePixels.data());
        }
        std::vector<std::uint8_t> theSamples(std::size_t(theWidth) * 4);
        std::vector<std::uint8_t> theCovered(std::size_t(theWidth), 0);
        // Covered runs, intersected with the mask.
        auto thePutCoveredRuns = [&](int inY) {
            int theRun = 0;
            while (theRun < theWidth) {
                while (theRun < theWidth && theCovered[std::size_t(theRun)] == 0)
                    ++theRun;
                int theEnd = theRun;
                while (theEnd < theWidth && theCovered[std::size_t(theEnd)] != 0)
                    ++theEnd;
                if (theRun < theEnd) {
                    theRowSpans(inY, theLeft + theRun, theLeft + theEnd);
                    for (const auto& [theA, theB] : theSpans)
                        theWriter.Put(inY, theA, theB - theA, &theSamples[std::size_t(theA - theLeft) * 4]);
                }
                theRun = theEnd;
            }
        };
        const bool thePerspective = inRequest.mMatrix.m[0][2] != 0 || inRequest.mMatrix.m[1][2] != 0;
        const auto& a = theInverse.m;
        // Sample positions relative to the source rectangle's first pixel centre, 32.32 fixed point.
        constexpr double kOne = 4294967296.0;
        const std::int64_t theLimitU = (std::int64_t(theSrcWidth) << 32) - (std::int64_t(1) << 31);
        const std::int64_t theLimitV = (std::int64_t(theSrcHeight) << 32) - (std::int64_t(1) << 31);
        const std::int64_t theHalf = -(std::int64_t(1) << 31);
        const auto theStepU = std::int64_t(std::llround(a[0][0] * kOne));
        const auto theStepV = std::int64_t(std::llround(a[0][1] * kOne));
        std::unique_ptr<AreaSampler> theArea;
        if (AreaSampler::Applies(inRequest.mMatrix))
            theArea = std::make_unique<AreaSampler>(theTexels, theTexelStride, theSrcWidth, theSrcHeight, theSrcLeft,
                                                    theSrcTop, inRequest.mMatrix, theLeft, theRight);
        for (int theY = theTop; theY < theBottom; ++theY) {
            if (theArea != nullptr) {
                theArea->Row(theY, theSamples.data(), theCovered.data());
                thePutCoveredRuns(theY);
                continue;
            }
            double theSx = 0, theSy = 0;
            Apply(theInverse, theLeft + 0.5, theY + 0.5, theSx, theSy);
            std::int64_t theU = std::llround((theSx - 0.5 - theSrcLeft) * kOne);
            std::int64_t theV = std::llround((theSy - 0.5 - theSrcTop) * kOne);
            for (int theX = theLeft; theX < theRight; ++theX, theU += theStepU, theV += theStepV) {
                const int theIndex = theX - theLeft;
                if (thePerspective) {
                    if (!Apply(theInverse, theX + 0.5, theY + 0.5, theSx, theSy)) {
                        theCovered[std::size_t(theIndex)] = 0;
                        continue;
                    }
                    theU = std::llround((theSx - 0.5 - theSrcLeft) * kOne);
                    theV = std::llround((theSy - 0.5 - theSrcTop) * kOne);
                }
                const bool theInside = theU >= theHalf && theU < theLimitU && theV >= theHalf && theV < theLimitV;
                theCovered[std::size_t(theIndex)] = theInside ? 1 : 0;
                if (!theInside)
                    continue;
                const int theX0 = int(theU >> 32);
                const int theY0 = int(theV >> 32);
                const std::uint32_t theFx = std::uint32_t(theU >> 24) & 255u;
                const std::uint32_t theFy = std::uint32_t(theV >> 24) & 255u;
                const int theXa = std::max(theX0, 0);
                const int theXb = std::min(theX0 + 1, theSrcWidth - 1);
                const std::ptrdiff_t theRowA = std::ptrdiff_t(std::max(theY0, 0)) * theTexelStride;
                const std::ptrdiff_t theRowB = std::ptrdiff_t(std::min(theY0 + 1, theSrcHeight - 1)) * theTexelStride;
                // Two channels per 32-bit lane pair: 0x00FF00FF masks keep them apart.
                auto theLerp = [](std::uint32_t inA, std::uint32_t inB, std::uint32_t inF) {
                    const std::uint32_t theRb = (inA & 0x00FF00FFu) * (256u - inF) + (inB & 0x00FF00FFu) * inF;
                    const std::uint32_t theAg = ((inA >> 8) & 0x00FF00FFu) * (256u - inF) + ((inB >> 8) & 0x00FF00FFu) * inF;
                    return ((theRb + 0x00800080u) >> 8 & 0x00FF00FFu) | (((theAg + 0x00800080u) >> 8 & 0x00FF00FFu) << 8);
                };
                const std::uint32_t theTopMix = theLerp(theTexels[theRowA + theXa], theTexels[theRowA + theXb], theFx);
                const std::uint32_t theBottomMix = theLerp(theTexels[theRowB + theXa], theTexels[theRowB + theXb], theFx);
                const std::uint32_t theSample = theLerp(theTopMix, theBottomMix, theFy);
                std::memcpy(&theSamples[std::size_t(theIndex) * 4], &theSample, 4);
            }
            thePutCoveredRuns(theY);
        }
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    return noErr;
}

}  // namespace vximaging
