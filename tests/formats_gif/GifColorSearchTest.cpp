// The nearest-colour search that adaptive palettes are built and mapped with,
// against a plain scan of the whole table.
#include "vellumax/formats/GifColorSearch.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

namespace {

using Rgb = GifColorSearch::Rgb;

std::int32_t ScanNearest(const std::vector<Rgb>& inColors, std::int32_t inSkip, const Rgb& inProbe)
{
    std::int32_t theBest = std::numeric_limits<std::int32_t>::max(), theIndex = 0;
    for (std::size_t i = 0; i < inColors.size(); ++i) {
        if (std::int32_t(i) == inSkip)
            continue;
        std::int32_t theDistance = 0;
        for (std::size_t c = 0; c < 3; ++c)
            theDistance += (inColors[i][c] - inProbe[c]) * (inColors[i][c] - inProbe[c]);
        if (theDistance < theBest) {
            theBest = theDistance;
            theIndex = std::int32_t(i);
        }
    }
    return theIndex;
}

// Tables spread over the cube, crowded into one corner (many candidates per
// region), with repeated entries (ties go to the lowest index) and with the
// key's entry skipped; one search object is reused across all of them, so a
// region kept from an earlier table would show.
TEST(GifColorSearch, AgreesWithAFullScan)
{
    std::mt19937 theRandom(20261209);
    GifColorSearch theSearch;
    struct Shape {
        std::size_t mCount;
        std::int32_t mSpread;  // channel values drawn from 0 to mSpread
        bool mRepeats;
        std::int32_t mSkip;
    };
    for (const Shape& theShape :
         {Shape{1, 255, false, -1}, Shape{2, 255, false, 0}, Shape{17, 255, false, -1}, Shape{256, 255, false, -1},
          Shape{256, 40, false, 255}, Shape{255, 255, true, 7}, Shape{64, 3, true, -1}}) {
        std::uniform_int_distribution<std::int32_t> theChannel(0, theShape.mSpread);
        std::vector<Rgb> theColors;
        for (std::size_t i = 0; i < theShape.mCount; ++i)
            if (theShape.mRepeats && i % 3 == 2)
                theColors.push_back(theColors[i / 2]);
            else
                theColors.push_back({theChannel(theRandom), theChannel(theRandom), theChannel(theRandom)});
        theSearch.Reset(theColors, theShape.mSkip);
        // A lattice through the cube that meets every region's low and high levels.
        for (std::int32_t r = 0; r < 256; r += 5)
            for (std::int32_t g = 0; g < 256; g += 3)
                for (std::int32_t b = 0; b < 256; b += 31)
                    ASSERT_EQ(theSearch.Find(r, g, b), ScanNearest(theColors, theShape.mSkip, {r, g, b}))
                        << theShape.mCount << " colours, probe " << r << "," << g << "," << b;
    }
}

}  // namespace
