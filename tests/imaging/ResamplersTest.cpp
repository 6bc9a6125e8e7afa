// The two reduction filters against independent double-precision models, on
// random pictures, scales, offsets and source rectangles: the area sampler
// (each destination pixel the average of the source area it covers) and the
// Lanczos-3 resampler (premultiplied, edge pixels repeated).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "AreaSampler.h"
#include "LanczosResampler.h"

namespace {

using vximaging::MatrixD;

struct Picture {
    int mWidth, mHeight;
    std::vector<std::uint8_t> mBytes;  // B, G, R, A
    double At(int inX, int inY, int inChannel) const
    {
        return mBytes[(std::size_t(inY) * std::size_t(mWidth) + std::size_t(inX)) * 4 + std::size_t(inChannel)];
    }
};

enum class Alpha { kOpaque, kRandom, kCutOut };

Picture RandomPicture(std::mt19937& ioRandom, Alpha inAlpha)
{
    Picture thePicture{int(ioRandom() % 300 + 3), int(ioRandom() % 200 + 3), {}};
    for (int y = 0; y < thePicture.mHeight; ++y)
        for (int x = 0; x < thePicture.mWidth; ++x) {
            for (int c = 0; c < 3; ++c)
                thePicture.mBytes.push_back(std::uint8_t(ioRandom()));
            const int theAlpha = inAlpha == Alpha::kOpaque   ? 255
                                 : inAlpha == Alpha::kRandom ? int(ioRandom() % 256)
                                                             : ((x / 7 + y / 5) % 3 == 0 ? 0 : 255);
            thePicture.mBytes.push_back(std::uint8_t(theAlpha));
        }
    return thePicture;
}

MatrixD ScaleMatrix(double inSx, double inSy, double inTx, double inTy)
{
    MatrixD m{};
    m.m[0][0] = inSx;
    m.m[1][1] = inSy;
    m.m[2][0] = inTx;
    m.m[2][1] = inTy;
    m.m[2][2] = 1;
    return m;
}

double Lanczos3(double inX)
{
    inX = std::fabs(inX);
    if (inX < 1e-12)
        return 1;
    if (inX >= 3)
        return 0;
    const double p = std::numbers::pi * inX;
    return 3 * std::sin(p) * std::sin(p / 3) / (p * p);
}

// Weights of source indices inLow … inHigh − 1 for destination pixel inDest.
std::vector<double> LanczosWeights(double inScale, double inOffset, int inLow, int inHigh, int inDest)
{
    std::vector<double> theWeights(std::size_t(inHigh - inLow), 0.0);
    const double theStretch = std::min(inScale, 1.0);
    const double theCentre = (inDest + 0.5 - inOffset) / inScale;
    double theSum = 0;
    for (int s = int(std::floor(theCentre - 3 / theStretch)) - 1; s <= int(std::ceil(theCentre + 3 / theStretch)) + 1;
         ++s) {
        const double w = Lanczos3((s + 0.5 - theCentre) * theStretch);
        theWeights[std::size_t(std::clamp(s, inLow, inHigh - 1) - inLow)] += w;
        theSum += w;
    }
    for (double& w : theWeights)
        w /= theSum;
    return theWeights;
}

TEST(ResamplersTest, LanczosMatchesAPremultipliedFloatModel)
{
    std::mt19937 theRandom(7);
    for (int theCase = 0; theCase < 30; ++theCase) {
        const auto theAlpha = Alpha(theCase % 3);
        const Picture p = RandomPicture(theRandom, theAlpha);
        const double theSx = 0.05 + 0.95 * std::uniform_real_distribution<>()(theRandom);
        const double theSy = 0.05 + 0.95 * std::uniform_real_distribution<>()(theRandom);
        const MatrixD m = ScaleMatrix(theSx, theSy, int(theRandom() % 7) - 3.3, int(theRandom() % 5) - 2);
        const int theSource[4] = {int(theRandom() % 3), int(theRandom() % 3), p.mWidth - int(theRandom() % 3),
                                  p.mHeight - int(theRandom() % 3)};
        const int theWindow[4] = {int(theRandom() % 3), 0, 1000, 1000};
        const vximaging::ResampledPart thePart = vximaging::LanczosResample(
            p.mBytes.data(), std::uint32_t(p.mWidth), std::uint32_t(p.mHeight), theSource, m, theWindow);
        SCOPED_TRACE(testing::Message() << "case " << theCase);
        // Each axis's taps once, as (source index, weight) where the weight isn't zero.
        const auto theTaps = [](double inScale, double inOffset, int inLow, int inHigh, int inFrom,
                                std::uint32_t inCount) {
            std::vector<std::vector<std::pair<int, double>>> theAll(inCount);
            for (std::uint32_t d = 0; d < inCount; ++d) {
                const std::vector<double> theWeights =
                    LanczosWeights(inScale, inOffset, inLow, inHigh, inFrom + int(d));
                for (std::size_t i = 0; i < theWeights.size(); ++i)
                    if (theWeights[i] != 0)
                        theAll[d].emplace_back(inLow + int(i), theWeights[i]);
            }
            return theAll;
        };
        const auto theColumns = theTaps(theSx, m.m[2][0], theSource[0], theSource[2], thePart.mLeft, thePart.mWidth);
        const auto theRows = theTaps(theSy, m.m[2][1], theSource[1], theSource[3], thePart.mTop, thePart.mHeight);
        int theWorstColour = 0, theWorstAlpha = 0;
        for (std::uint32_t dy = 0; dy < thePart.mHeight; ++dy) {
            for (std::uint32_t dx = 0; dx < thePart.mWidth; ++dx) {
                double theSums[4] = {0, 0, 0, 0};
                for (const auto& [y, theRowWeight] : theRows[dy])
                    for (const auto& [x, theColumnWeight] : theColumns[dx]) {
                        const double w = theRowWeight * theColumnWeight, a = p.At(x, y, 3);
                        for (int c = 0; c < 3; ++c)
                            theSums[c] += w * p.At(x, y, c) * a / 255;
                        theSums[3] += w * a;
                    }
                const std::uint8_t* theGot = &thePart.mPixels[(std::size_t(dy) * thePart.mWidth + dx) * 4];
                const double theModelAlpha = std::clamp(theSums[3], 0.0, 255.0);
                theWorstAlpha = std::max(theWorstAlpha, int(std::fabs(theGot[3] - theModelAlpha) + 0.5));
                // Colour under a nearly clear pixel is of no weight, and there hardly defined.
                if (theModelAlpha < 32)
                    continue;
                for (int c = 0; c < 3; ++c) {
                    const double theModel = std::clamp(theSums[c] * 255 / theModelAlpha, 0.0, 255.0);
                    theWorstColour = std::max(theWorstColour, int(std::fabs(theGot[c] - theModel) + 0.5));
                }
            }
        }
        EXPECT_LE(theWorstAlpha, 1);
        EXPECT_LE(theWorstColour, theAlpha == Alpha::kOpaque ? 1 : 2);
        if (theAlpha == Alpha::kOpaque) {
            for (std::size_t i = 3; i < thePart.mPixels.size(); i += 4)
                ASSERT_EQ(thePart.mPixels[i], 255);
        }
    }
}

// With AVX2, opaque rows are filtered straight from their bytes and others are
// laid out premultiplied first. A picture with one clear column sends every row
// the general way; destination columns whose taps miss that column must come out
// as from the all-opaque picture, to the bit.
TEST(ResamplersTest, OpaqueRowsAndGeneralRowsAgreeToTheBit)
{
    std::mt19937 theRandom(5);
    std::size_t theCompared = 0;
    for (int theCase = 0; theCase < 20; ++theCase) {
        const Picture p = RandomPicture(theRandom, Alpha::kOpaque);
        const double theSx = 0.05 + 1.45 * std::uniform_real_distribution<>()(theRandom);
        const double theSy = 0.1 + 0.9 * std::uniform_real_distribution<>()(theRandom);
        const MatrixD m = ScaleMatrix(theSx, theSy, int(theRandom() % 7) - 3.3, 0);
        const int theSource[4] = {int(theRandom() % 3), 0, p.mWidth - int(theRandom() % 3), p.mHeight};
        const int theWindow[4] = {0, 0, 1000, 1000};
        Picture q = p;
        const int theClear = theSource[0] + int(theRandom() % std::uint32_t(theSource[2] - theSource[0]));
        for (int y = 0; y < q.mHeight; ++y)
            q.mBytes[(std::size_t(y) * std::size_t(q.mWidth) + std::size_t(theClear)) * 4 + 3] = 0;
        const auto Resampled = [&](const Picture& inPicture) {
            return vximaging::LanczosResample(inPicture.mBytes.data(), std::uint32_t(inPicture.mWidth),
                                              std::uint32_t(inPicture.mHeight), theSource, m, theWindow);
        };
        const vximaging::ResampledPart theOpaque = Resampled(p), theGeneral = Resampled(q);
        SCOPED_TRACE(testing::Message() << "case " << theCase << ", clear column " << theClear);
        ASSERT_EQ(theOpaque.mWidth, theGeneral.mWidth);
        ASSERT_EQ(theOpaque.mHeight, theGeneral.mHeight);
        for (std::uint32_t dx = 0; dx < theOpaque.mWidth; ++dx) {
            const std::vector<double> theWeights =
                LanczosWeights(theSx, m.m[2][0], theSource[0], theSource[2], theOpaque.mLeft + int(dx));
            if (theWeights[std::size_t(theClear - theSource[0])] != 0)
                continue;
            for (std::uint32_t dy = 0; dy < theOpaque.mHeight; ++dy) {
                const std::size_t i = (std::size_t(dy) * theOpaque.mWidth + dx) * 4;
                ASSERT_TRUE(std::equal(&theOpaque.mPixels[i], &theOpaque.mPixels[i] + 4, &theGeneral.mPixels[i]))
                    << dx << "," << dy;
                ++theCompared;
            }
        }
    }
    EXPECT_GT(theCompared, 10000u);
}

// The area a destination pixel covers along one axis, as weights of the source's pixels.
std::vector<double> AreaWeights(double inScale, double inOffset, int inSize, int inDest)
{
    std::vector<double> theWeights(std::size_t(inSize), 0.0);
    const double theStart = std::max(0.0, (inDest - inOffset) / inScale);
    const double theEnd = std::min(double(inSize), (inDest + 1 - inOffset) / inScale);
    for (int s = 0; s < inSize; ++s)
        theWeights[std::size_t(s)] = std::max(0.0, std::min(theEnd, s + 1.0) - std::max(theStart, double(s)));
    double theSum = 0;
    for (const double w : theWeights)
        theSum += w;
    for (double& w : theWeights)
        w = theSum > 0 ? w / theSum : 0;
    return theWeights;
}

TEST(ResamplersTest, AreaAveragesMatchAnExactModelRowAfterRow)
{
    std::mt19937 theRandom(11);
    for (int theCase = 0; theCase < 30; ++theCase) {
        const Picture p = RandomPicture(theRandom, Alpha(theCase % 2));
        const double theSx = 0.05 + 0.95 * std::uniform_real_distribution<>()(theRandom);
        const double theSy = 0.05 + 0.95 * std::uniform_real_distribution<>()(theRandom);
        const MatrixD m = ScaleMatrix(theSx, theSy, 0.25 * int(theRandom() % 9), 0.5 * int(theRandom() % 5));
        const int theRight = int(std::ceil(p.mWidth * theSx + m.m[2][0]));
        const int theBottom = int(std::ceil(p.mHeight * theSy + m.m[2][1]));
        vximaging::AreaSampler theSampler(reinterpret_cast<const std::uint32_t*>(p.mBytes.data()), p.mWidth, p.mWidth,
                                          p.mHeight, 0, 0, m, 0, theRight);
        std::vector<std::uint8_t> theRow(std::size_t(theRight) * 4);
        std::vector<std::uint8_t> theCovered(static_cast<std::size_t>(theRight));
        SCOPED_TRACE(testing::Message() << "case " << theCase);
        int theWorst = 0;
        for (int y = 0; y < theBottom; ++y) {
            theSampler.Row(y, theRow.data(), theCovered.data());
            const double theCentreY = (y + 0.5 - m.m[2][1]) / theSy;
            if (!(theCentreY >= 0 && theCentreY < p.mHeight))
                continue;
            const std::vector<double> theRows = AreaWeights(theSy, m.m[2][1], p.mHeight, y);
            for (int x = 0; x < theRight; ++x) {
                const double theCentreX = (x + 0.5 - m.m[2][0]) / theSx;
                ASSERT_EQ(theCovered[std::size_t(x)], theCentreX >= 0 && theCentreX < p.mWidth ? 1 : 0);
                if (theCovered[std::size_t(x)] == 0)
                    continue;
                const std::vector<double> theColumns = AreaWeights(theSx, m.m[2][0], p.mWidth, x);
                for (int c = 0; c < 4; ++c) {
                    double theModel = 0;
                    for (int j = 0; j < p.mHeight; ++j)
                        if (theRows[std::size_t(j)] > 0)
                            for (int i = 0; i < p.mWidth; ++i)
                                theModel += theRows[std::size_t(j)] * theColumns[std::size_t(i)] * p.At(i, j, c);
                    theWorst = std::max(theWorst,
                                        int(std::fabs(theRow[std::size_t(x) * 4 + std::size_t(c)] - theModel) + 0.5));
                }
            }
        }
        EXPECT_LE(theWorst, 1);
    }
}

}  // namespace
