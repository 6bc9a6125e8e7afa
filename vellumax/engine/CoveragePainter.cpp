#include "vellumax/engine/CoveragePainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>

namespace {

struct Offsets {
    int mRed, mGreen, mBlue, mAlpha;
};

Offsets OffsetsOf(OSType inFormat)
{
    std::uint8_t thePixel[4] = {};
    return {int(Bitmap::RedChannel(thePixel, inFormat) - thePixel),
            int(Bitmap::GreenChannel(thePixel, inFormat) - thePixel),
            int(Bitmap::BlueChannel(thePixel, inFormat) - thePixel),
            int(Bitmap::AlphaChannel(thePixel, inFormat) - thePixel)};
}

// Rounded to the nearest byte; inline arithmetic, as this runs for every edge pixel.
std::uint8_t ToByte(double inValue)
{
    return static_cast<std::uint8_t>(std::min(std::max(inValue, 0.0), 1.0) * 255.0 + 0.5);
}

// Linear filtering between the four texels around the sample point, the
// texture repeating; texel centres lie on half units.
void Sample(const CoveragePainter::Texture& inTexture, double inX, double inY, double outColor[4])
{
    const double u = inX - 0.5;
    const double v = inY - 0.5;
    const double theU0 = std::floor(u);
    const double theV0 = std::floor(v);
    const double fu = u - theU0;
    const double fv = v - theV0;
    const std::int64_t theMaskX = inTexture.mWidth - 1;
    const std::int64_t theMaskY = inTexture.mHeight - 1;
    const std::int64_t x0 = static_cast<std::int64_t>(theU0) & theMaskX;
    const std::int64_t y0 = static_cast<std::int64_t>(theV0) & theMaskY;
    const std::int64_t xs[2] = {x0, (x0 + 1) & theMaskX};
    const std::int64_t ys[2] = {y0, (y0 + 1) & theMaskY};
    const double theWeights[2][2] = {{(1 - fu) * (1 - fv), fu * (1 - fv)}, {(1 - fu) * fv, fu * fv}};
    for (int c = 0; c < 4; ++c)
        outColor[c] = 0;
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) {
            const double w = theWeights[j][i];
            if (w == 0)
                continue;
            const std::uint8_t* p = inTexture.mBase + ys[j] * inTexture.mRowBytes + xs[i] * 4;
            outColor[0] += w * p[inTexture.mRed];
            outColor[1] += w * p[inTexture.mGreen];
            outColor[2] += w * p[inTexture.mBlue];
            outColor[3] += w * (inTexture.mOpaque ? 255 : p[inTexture.mAlpha]);
        }
    for (int c = 0; c < 4; ++c)
        outColor[c] /= 255.0;
}

// Straight-alpha source over of a colour covering inShare of the pixel.
void Over(std::uint8_t* ioPixel, const Offsets& inOffsets, const double inColor[4], double inShare)
{
    constexpr double kByte = 1 / 255.0;
    const double s = inShare * inColor[3];
    const double theKept = (1 - s) * ioPixel[inOffsets.mAlpha] * kByte;
    const double theAlpha = s + theKept;
    if (theAlpha <= 0)
        return;
    const int theChannels[3] = {inOffsets.mRed, inOffsets.mGreen, inOffsets.mBlue};
    for (int c = 0; c < 3; ++c)
        ioPixel[theChannels[c]] = ToByte((s * inColor[c] + theKept * ioPixel[theChannels[c]] * kByte) / theAlpha);
    ioPixel[inOffsets.mAlpha] = ToByte(theAlpha);
}

// The texture under the centre of store pixel (inX, inY), times the source's colour.
void SampleModulated(const CoveragePainter::Source& inSource, std::int32_t inX, std::int32_t inY, double outColor[4])
{
    const double* m = inSource.mInverse;
    const double theX = inX + 0.5;
    const double theY = inY + 0.5;
    Sample(*inSource.mTexture, m[0] * theX + m[2] * theY + m[4], m[1] * theX + m[3] * theY + m[5], outColor);
    for (int c = 0; c < 4; ++c)
        outColor[c] *= inSource.mColor[c];
}

// What one call paints with, worked out once.
struct Brush {
    const Bitmap::PixelAccess& mTarget;
    const CoveragePainter::Source& mSource;
    Offsets mOffsets;
    std::uint32_t mSolid;  // the solid colour's pixel
    bool mSmooth;
    bool mOver;
    bool mFill;  // centres decide
};

std::uint32_t SolidPixel(const Offsets& o, const double inColor[4])
{
    std::uint8_t thePixel[4] = {};
    thePixel[o.mRed] = ToByte(inColor[0]);
    thePixel[o.mGreen] = ToByte(inColor[1]);
    thePixel[o.mBlue] = ToByte(inColor[2]);
    thePixel[o.mAlpha] = ToByte(inColor[3]);
    std::uint32_t theValue;
    std::memcpy(&theValue, thePixel, 4);
    return theValue;
}

// Store pixels [inFrom, inTo) of row inY, all covered inCoverage and all
// inside or all outside the fill's centres.
void PaintStretch(const Brush& inBrush, std::int32_t inY, std::int32_t inFrom, std::int32_t inTo, double inCoverage,
                  bool inInside)
{
    const CoveragePainter::Source& theSource = inBrush.mSource;
    const Offsets& o = inBrush.mOffsets;
    double theCoverage = inCoverage;
    if (!inBrush.mSmooth)
        theCoverage = inBrush.mFill ? 0.0 : theCoverage >= 0.5 ? 1.0 : 0.0;
    if (!inInside && theCoverage == 0)
        return;
    std::uint8_t* const theRow =
        reinterpret_cast<std::uint8_t*>(inBrush.mTarget.mBase) + inY * inBrush.mTarget.mRowBytes;
    const bool theTextured = theSource.mTexture != nullptr;
    double theColor[4] = {theSource.mColor[0], theSource.mColor[1], theSource.mColor[2], theSource.mColor[3]};
    if (inBrush.mOver) {
        const double theShare = inBrush.mSmooth ? theCoverage : inInside ? 1.0 : theCoverage;
        for (std::int32_t x = inFrom; x < inTo; ++x) {
            if (theTextured)
                SampleModulated(theSource, x, inY, theColor);
            Over(theRow + x * 4, o, theColor, theShare);
        }
        return;
    }
    if (!theTextured && (inInside || theCoverage * theColor[3] >= 1)) {
        std::uint32_t* const thePixels = reinterpret_cast<std::uint32_t*>(theRow);
        std::fill(thePixels + inFrom, thePixels + inTo, inBrush.mSolid);
        return;
    }
    for (std::int32_t x = inFrom; x < inTo; ++x) {
        std::uint8_t* const p = theRow + x * 4;
        if (theTextured)
            SampleModulated(theSource, x, inY, theColor);
        if (inInside) {
            p[o.mRed] = ToByte(theColor[0]);
            p[o.mGreen] = ToByte(theColor[1]);
            p[o.mBlue] = ToByte(theColor[2]);
            p[o.mAlpha] = ToByte(theColor[3]);
            continue;
        }
        // Source over: the blended alpha is what covering it this much gives, not
        // the colour's alpha weighed by itself.
        const double s = theCoverage * theColor[3];
        constexpr double kByte = 1 / 255.0;
        p[o.mRed] = ToByte(s * theColor[0] + (1 - s) * p[o.mRed] * kByte);
        p[o.mGreen] = ToByte(s * theColor[1] + (1 - s) * p[o.mGreen] * kByte);
        p[o.mBlue] = ToByte(s * theColor[2] + (1 - s) * p[o.mBlue] * kByte);
        p[o.mAlpha] = ToByte(s + (1 - s) * p[o.mAlpha] * kByte);
    }
}

// The common case, a smoothed solid colour as OpenGL blends it, with the
// blend's factors worked out once per stretch rather than per pixel (the same
// arithmetic, in the same order).
void BlendSolid(const Brush& inBrush, std::uint8_t* ioRow, std::int32_t inFrom, std::int32_t inTo, double inCoverage)
{
    const Offsets& o = inBrush.mOffsets;
    const double* const theColor = inBrush.mSource.mColor;
    const double s = inCoverage * theColor[3];
    const double theRed = s * theColor[0];
    const double theGreen = s * theColor[1];
    const double theBlue = s * theColor[2];
    const double theKept = 1 - s;
    constexpr double kByte = 1 / 255.0;
    for (std::int32_t x = inFrom; x < inTo; ++x) {
        std::uint8_t* const p = ioRow + x * 4;
        p[o.mRed] = ToByte(theRed + theKept * p[o.mRed] * kByte);
        p[o.mGreen] = ToByte(theGreen + theKept * p[o.mGreen] * kByte);
        p[o.mBlue] = ToByte(theBlue + theKept * p[o.mBlue] * kByte);
        p[o.mAlpha] = ToByte(s + theKept * p[o.mAlpha] * kByte);
    }
}

// One row of the common case: runs of full cover, or inside the fill's
// centres, take the colour's pixel; uncovered runs are passed over.
void PaintSolidRow(const Brush& inBrush, std::int32_t inY, std::int32_t inLeft, std::int32_t inWidth,
                   std::span<const CoverageMask::Run> inRuns, std::span<const CoverageMask::Span> inCentres)
{
    std::uint8_t* const theRow =
        reinterpret_cast<std::uint8_t*>(inBrush.mTarget.mBase) + inY * inBrush.mTarget.mRowBytes + inLeft * 4;
    std::uint32_t* const thePixels = reinterpret_cast<std::uint32_t*>(theRow);
    const double theAlpha = inBrush.mSource.mColor[3];
    std::size_t c = 0;
    for (std::size_t r = 0; r < inRuns.size(); ++r) {
        const double theCoverage = inRuns[r].mCoverage;
        const std::int32_t theTo = r + 1 < inRuns.size() ? inRuns[r + 1].mStart : inWidth;
        if (theCoverage * theAlpha >= 1) {
            std::fill(thePixels + inRuns[r].mStart, thePixels + theTo, inBrush.mSolid);
            continue;
        }
        if (theCoverage == 0)
            continue;
        // Blended where no centre is inside (a translucent fill's inside is not).
        for (std::int32_t x = inRuns[r].mStart; x < theTo;) {
            while (c < inCentres.size() && inCentres[c].mTo <= x)
                ++c;
            if (c < inCentres.size() && inCentres[c].mFrom <= x) {
                x = std::min(theTo, inCentres[c].mTo);
                continue;
            }
            const std::int32_t theEnd = c < inCentres.size() ? std::min(theTo, inCentres[c].mFrom) : theTo;
            BlendSolid(inBrush, theRow, x, theEnd, theCoverage);
            x = theEnd;
        }
    }
    // The centres a fill holds take its colour unblended, whatever their cover.
    for (const CoverageMask::Span& theSpan : inCentres)
        std::fill(thePixels + theSpan.mFrom, thePixels + theSpan.mTo, inBrush.mSolid);
}

}  // namespace

// Each row walks its runs of equal coverage and, for a fill, its spans of
// centres inside together: stretches where both stay the same are painted in
// one go, and those neither covers are skipped.
void CoveragePainter::Paint(const Bitmap::PixelAccess& inTarget, const CoverageMask& inMask, const Source& inSource,
                            Mode inMode, Smoothing inSmoothing)
{
    if (inMask.IsEmpty())
        return;
    const Offsets o = OffsetsOf(inTarget.mPixelFormat);
    const Brush theBrush{inTarget,
                         inSource,
                         o,
                         SolidPixel(o, inSource.mColor),
                         inSmoothing == Smoothing::kOn,
                         inSource.mCompositing == Compositing::kSourceOver,
                         inMode == Mode::kFill && inMask.HasCentres()};
    const LongRect& theBox = inMask.Box();
    const std::int32_t theWidth = theBox.right - theBox.left;
    const std::int32_t theHeight = theBox.bottom - theBox.top;
    const bool theSolid = !theBrush.mOver && theBrush.mSmooth && inSource.mTexture == nullptr;
    for (std::int32_t y = 0; y < theHeight; ++y) {
        const std::span<const CoverageMask::Run> theRuns = inMask.Runs(y);
        const std::span<const CoverageMask::Span> theSpans =
            theBrush.mFill ? inMask.Centres(y) : std::span<const CoverageMask::Span>{};
        if (theSolid) {
            PaintSolidRow(theBrush, theBox.top + y, theBox.left, theWidth, theRuns, theSpans);
            continue;
        }
        std::size_t r = 0;
        std::size_t c = 0;
        std::int32_t x = 0;
        while (x < theWidth && r < theRuns.size()) {
            const std::int32_t theRunEnd = r + 1 < theRuns.size() ? theRuns[r + 1].mStart : theWidth;
            while (c < theSpans.size() && theSpans[c].mTo <= x)
                ++c;
            const bool theInside = c < theSpans.size() && theSpans[c].mFrom <= x;
            const std::int32_t theSpanEdge = c == theSpans.size() ? theWidth
                                             : theInside          ? theSpans[c].mTo
                                                                  : theSpans[c].mFrom;
            const std::int32_t theEnd = std::min(theRunEnd, theSpanEdge);
            PaintStretch(theBrush, theBox.top + y, theBox.left + x, theBox.left + theEnd, theRuns[r].mCoverage,
                         theInside);
            x = theEnd;
            if (x == theRunEnd)
                ++r;
        }
    }
}
