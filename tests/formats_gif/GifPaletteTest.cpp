// Adaptive palettes for pictures of more than 256 colours: every pixel lands
// near its nearest table entry whatever the byte order of the pixels.
#include "vellumax/formats/GifPalette.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

struct Picture {
    std::int32_t mWidth = 0;
    std::int32_t mHeight = 0;
    std::vector<std::uint8_t> mRgb;  // three bytes a pixel
};

// Gradients with grain and flat bars of nearby shades: far more than 256 colours.
Picture Grainy(std::int32_t inWidth, std::int32_t inHeight)
{
    Picture thePicture{inWidth, inHeight, {}};
    std::mt19937 theRandom(7);
    std::uniform_int_distribution<int> theGrain(-9, 9);
    for (std::int32_t y = 0; y < inHeight; ++y)
        for (std::int32_t x = 0; x < inWidth; ++x) {
            const int theBar = (y / 16) % 3;
            const int theBase[3] = {x * 255 / inWidth, theBar == 0 ? 60 : 140 + theBar * 30, y * 255 / inHeight};
            for (int c = 0; c < 3; ++c)
                thePicture.mRgb.push_back(std::uint8_t(std::clamp(theBase[c] + theGrain(theRandom), 0, 255)));
        }
    return thePicture;
}

// The pixels as 4-byte cells with red, green and blue at the given offsets.
std::vector<std::uint8_t> Layout(const Picture& inPicture, int inRed, int inGreen, int inBlue)
{
    std::vector<std::uint8_t> theCells(inPicture.mRgb.size() / 3 * 4, 0xFF);
    for (std::size_t i = 0; i < inPicture.mRgb.size() / 3; ++i) {
        theCells[i * 4 + std::size_t(inRed)] = inPicture.mRgb[i * 3];
        theCells[i * 4 + std::size_t(inGreen)] = inPicture.mRgb[i * 3 + 1];
        theCells[i * 4 + std::size_t(inBlue)] = inPicture.mRgb[i * 3 + 2];
    }
    return theCells;
}

double Distance(const GifColorEntry& inEntry, const std::uint8_t* inRgb)
{
    const double r = (inEntry.rgb.red >> 8) - inRgb[0], g = (inEntry.rgb.green >> 8) - inRgb[1],
                 b = (inEntry.rgb.blue >> 8) - inRgb[2];
    return std::sqrt(r * r + g * g + b * b);
}

// The entry a pixel takes may be its cell's rather than its own nearest (the
// pixel and its cell's mean are within 8 levels a channel of each other) and
// may continue its left neighbour's run (at most 64 farther, squared); a
// mix-up of channels or cells lands far outside that.
TEST(GifPaletteQuantized, PixelsStayNearTheirNearestEntryInEveryByteOrder)
{
    const Picture thePicture = Grainy(160, 120);
    const double theCellReach = 2 * 7 * std::sqrt(3.0);
    std::vector<std::uint8_t> theFirstIndices;
    for (const auto& theOrder :
         {std::array<int, 3>{2, 1, 0}, std::array<int, 3>{0, 1, 2}, std::array<int, 3>{1, 3, 2}}) {
        SCOPED_TRACE(theOrder[0]);
        const std::vector<std::uint8_t> theCells = Layout(thePicture, theOrder[0], theOrder[1], theOrder[2]);
        const RgbPixels theView{theCells.data(), thePicture.mWidth * 4, thePicture.mWidth, thePicture.mHeight,
                                theOrder[0],     theOrder[1],           theOrder[2]};
        GifPalette thePalette;
        thePalette.Build(theView, Dithering::kNone, std::nullopt);
        ASSERT_FALSE(thePalette.IsExact());
        ASSERT_EQ(thePalette.ColorCount(), GifPalette::kMaxColors);
        const std::vector<std::uint8_t>& theIndices = thePalette.Indices();
        for (std::size_t i = 0; i < theIndices.size(); ++i) {
            const std::uint8_t* thePixel = &thePicture.mRgb[i * 3];
            double theNearest = std::numeric_limits<double>::max();
            for (std::int32_t e = 0; e < thePalette.ColorCount(); ++e)
                theNearest = std::min(theNearest, Distance(thePalette.Colors()[e], thePixel));
            const double theReach = theNearest + theCellReach;
            ASSERT_LE(Distance(thePalette.Colors()[theIndices[i]], thePixel), std::sqrt(theReach * theReach + 64))
                << "pixel " << i;
        }
        if (theFirstIndices.empty())
            theFirstIndices = theIndices;
        else
            EXPECT_EQ(theIndices, theFirstIndices);
    }
}

}  // namespace
