#include "vellumax/engine/CoveragePainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

}  // namespace

void CoveragePainter::Paint(const Bitmap::PixelAccess& inTarget, const CoverageMask& inMask, const Source& inSource,
                            Mode inMode, Smoothing inSmoothing)
{
    if (inMask.IsEmpty())
        return;
    const Offsets o = OffsetsOf(inTarget.mPixelFormat);
    const LongRect& theBox = inMask.Box();
    const bool theFill = inMode == Mode::kFill && inMask.HasCentres();
    const bool theSmooth = inSmoothing == Smoothing::kOn;
    const bool theOver = inSource.mCompositing == Compositing::kSourceOver;
    double theColor[4] = {inSource.mColor[0], inSource.mColor[1], inSource.mColor[2], inSource.mColor[3]};
    // A solid colour's pixel, for the centres a fill holds.
    std::uint8_t theSolid[4] = {};
    theSolid[o.mRed] = ToByte(theColor[0]);
    theSolid[o.mGreen] = ToByte(theColor[1]);
    theSolid[o.mBlue] = ToByte(theColor[2]);
    theSolid[o.mAlpha] = ToByte(theColor[3]);
    const std::int32_t theWidth = theBox.right - theBox.left;
    const std::int32_t theHeight = theBox.bottom - theBox.top;
    // The mask is read through row pointers held in locals: the byte stores
    // below could otherwise alias it and make every pixel reload it.
    for (std::int32_t y = 0; y < theHeight; ++y) {
        std::uint8_t* const theRow =
            reinterpret_cast<std::uint8_t*>(inTarget.mBase) + (theBox.top + y) * inTarget.mRowBytes + theBox.left * 4;
        const double* const theCoverages = inMask.CoverageRow(y);
        const std::uint8_t* const theCentres = theFill ? inMask.CentreRow(y) : nullptr;
        for (std::int32_t x = 0; x < theWidth; ++x) {
            const bool theInside = theFill && theCentres[x] != 0;
            double theCoverage = theCoverages[x];
            if (!theSmooth)
                theCoverage = theFill ? 0.0 : theCoverage >= 0.5 ? 1.0 : 0.0;
            if (!theInside && theCoverage == 0)
                continue;
            std::uint8_t* p = theRow + x * 4;
            if (theOver) {
                if (inSource.mTexture != nullptr)
                    SampleModulated(inSource, theBox.left + x, theBox.top + y, theColor);
                Over(p, o, theColor, theSmooth ? theCoverage : theInside ? 1.0 : theCoverage);
                continue;
            }
            if (inSource.mTexture == nullptr && (theInside || theCoverage * theColor[3] >= 1)) {
                std::memcpy(p, theSolid, 4);
                continue;
            }
            if (inSource.mTexture != nullptr)
                SampleModulated(inSource, theBox.left + x, theBox.top + y, theColor);
            if (theInside) {
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
}
