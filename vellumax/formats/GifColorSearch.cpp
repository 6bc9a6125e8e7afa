#include "vellumax/formats/GifColorSearch.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

std::int32_t Square(std::int32_t inValue)
{
    return inValue * inValue;
}

}  // namespace

void GifColorSearch::Reset(const std::vector<Rgb>& inColors, std::int32_t inSkip)
{
    mEntries.clear();
    for (std::size_t i = 0; i < inColors.size(); ++i)
        if (std::int32_t(i) != inSkip)
            mEntries.push_back({inColors[i][0], inColors[i][1], inColors[i][2], std::int32_t(i)});
    mStart.assign(std::size_t{1} << (3 * kRegionBits), kUnbuilt);
    mCount.assign(mStart.size(), 0);
    mCandidates.clear();
    // Per channel value and region coordinate: the squared gap to the
    // region's nearest and farthest level along that channel.
    constexpr std::int32_t kSide = 256 >> kRegionBits;
    for (std::int32_t theValue = 0; theValue < 256; ++theValue)
        for (std::int32_t theCoordinate = 0; theCoordinate < (1 << kRegionBits); ++theCoordinate) {
            const std::int32_t theLow = theCoordinate * kSide, theHigh = theLow + kSide - 1;
            const std::int32_t theGap =
                theValue < theLow ? theLow - theValue : (theValue > theHigh ? theValue - theHigh : 0);
            const std::int32_t theFar = std::max(std::abs(theValue - theLow), std::abs(theValue - theHigh));
            const std::size_t theAt = std::size_t(theValue) << kRegionBits | std::size_t(theCoordinate);
            mNear[theAt] = Square(theGap);
            mFar[theAt] = Square(theFar);
        }
}

// A region keeps the entries whose nearest point in it is no farther than the
// farthest point of the entry that is nearest at its worst: no other entry can
// win anywhere inside. Table order is kept so the lowest index wins ties.
void GifColorSearch::BuildRegion(std::uint32_t inRegion)
{
    constexpr std::uint32_t kMask = (1u << kRegionBits) - 1;
    const std::uint32_t theCoordinate[3] = {inRegion >> (2 * kRegionBits), inRegion >> kRegionBits & kMask,
                                            inRegion & kMask};
    const auto Gaps = [&](const Entry& inEntry, std::int32_t& outNear, std::int32_t& outFar) {
        const std::int32_t* theColor = &inEntry.mRed;
        outNear = outFar = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const std::size_t theAt = std::size_t(theColor[c]) << kRegionBits | theCoordinate[c];
            outNear += mNear[theAt];
            outFar += mFar[theAt];
        }
    };
    std::int32_t theBound = std::numeric_limits<std::int32_t>::max();
    for (const Entry& theEntry : mEntries) {
        std::int32_t theNear, theFar;
        Gaps(theEntry, theNear, theFar);
        theBound = std::min(theBound, theFar);
    }
    mStart[inRegion] = std::uint32_t(mCandidates.size());
    for (const Entry& theEntry : mEntries) {
        std::int32_t theNear, theFar;
        Gaps(theEntry, theNear, theFar);
        if (theNear <= theBound)
            mCandidates.push_back(theEntry);
    }
    mCount[inRegion] = std::uint16_t(mCandidates.size() - mStart[inRegion]);
}

std::int32_t GifColorSearch::Find(std::int32_t inRed, std::int32_t inGreen, std::int32_t inBlue)
{
    if (mEntries.empty())
        return 0;
    constexpr std::uint32_t kDrop = 8 - kRegionBits;
    const std::uint32_t theRegion = std::uint32_t(inRed) >> kDrop << (2 * kRegionBits) |
                                    std::uint32_t(inGreen) >> kDrop << kRegionBits | std::uint32_t(inBlue) >> kDrop;
    if (mStart[theRegion] == kUnbuilt)
        BuildRegion(theRegion);
    const Entry* theEntry = mCandidates.data() + mStart[theRegion];
    const Entry* const theEnd = theEntry + mCount[theRegion];
    std::int32_t theBest = std::numeric_limits<std::int32_t>::max();
    std::int32_t theIndex = theEntry->mIndex;
    for (; theEntry != theEnd; ++theEntry) {
        const std::int32_t theDistance =
            Square(theEntry->mRed - inRed) + Square(theEntry->mGreen - inGreen) + Square(theEntry->mBlue - inBlue);
        if (theDistance < theBest) {
            theBest = theDistance;
            theIndex = theEntry->mIndex;
        }
    }
    return theIndex;
}
