#include "vellumax/formats/GifPalette.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
// k-means rounds after the median cut: most of the gain comes from the first
// ones, and each costs a nearest-colour search per histogram cell.
constexpr int kRefineRounds = 3;

std::uint32_t RgbAt(const std::uint8_t* inPixel, const RgbPixels& inView)
{
    return std::uint32_t(inPixel[inView.mRed]) << 16 | std::uint32_t(inPixel[inView.mGreen]) << 8 |
           std::uint32_t(inPixel[inView.mBlue]);
}

// Blue, green, red in memory order, as the 32-bit stores hold them: a pixel
// read as one little-endian word is already 0x..RRGGBB.
bool IsWordOrder(const RgbPixels& inView)
{
    return std::endian::native == std::endian::little && inView.mBlue == 0 && inView.mGreen == 1 && inView.mRed == 2;
}

template <bool kWordOrder>
std::uint32_t LoadRgb(const std::uint8_t* inPixel, const RgbPixels& inView)
{
    if constexpr (kWordOrder) {
        std::uint32_t theWord;
        std::memcpy(&theWord, inPixel, sizeof theWord);
        return theWord & 0xFFFFFFu;
    } else {
        return RgbAt(inPixel, inView);
    }
}

const std::uint8_t* RowOf(const RgbPixels& inView, std::int32_t inRow)
{
    return inView.mBase + inRow * inView.mRowBytes;
}

// The distinct colours of a picture with at most 256 of them.
class ColorSet {
public:
    ColorSet() { mKeys.fill(kNone); }
    // The colour's index, added when new; -1 once a 257th colour turns up.
    std::int32_t IndexOf(std::uint32_t inRgb)
    {
        std::uint32_t theSlot = (inRgb * 0x9E3779B1u) >> (32 - kBits);
        while (mKeys[theSlot] != kNone) {
            if (mKeys[theSlot] == inRgb)
                return mIndices[theSlot];
            theSlot = (theSlot + 1) & (kSlots - 1);
        }
        if (mCount == GifPalette::kMaxColors)
            return -1;
        mKeys[theSlot] = inRgb;
        mIndices[theSlot] = std::uint8_t(mCount);
        mOrder[std::size_t(mCount)] = inRgb;
        return mCount++;
    }
    std::int32_t Count() const { return mCount; }
    std::uint32_t At(std::int32_t inIndex) const { return mOrder[std::size_t(inIndex)]; }

private:
    static constexpr std::uint32_t kBits = 10;
    static constexpr std::uint32_t kSlots = 1u << kBits;
    std::array<std::uint32_t, kSlots> mKeys;
    std::array<std::uint8_t, kSlots> mIndices{};
    std::array<std::uint32_t, GifPalette::kMaxColors> mOrder{};
    std::int32_t mCount = 0;
};

// One occupied cell of the 15-bit histogram: the mean colour of its pixels
// and how many there are.
struct Cell {
    double mColor[3];
    double mWeight;
};

// A run of cells of the median cut.
struct Box {
    std::size_t mBegin;
    std::size_t mEnd;
    double mError;  // sum of squared distances from the box's mean
};

double SquaredError(const Cell* inCells, std::size_t inCount)
{
    double theWeight = 0, theSum[3] = {}, theSquares = 0;
    for (std::size_t i = 0; i < inCount; ++i) {
        const Cell& theCell = inCells[i];
        theWeight += theCell.mWeight;
        for (int c = 0; c < 3; ++c) {
            theSum[c] += theCell.mColor[c] * theCell.mWeight;
            theSquares += theCell.mColor[c] * theCell.mColor[c] * theCell.mWeight;
        }
    }
    if (theWeight <= 0)
        return 0;
    return theSquares - (theSum[0] * theSum[0] + theSum[1] * theSum[1] + theSum[2] * theSum[2]) / theWeight;
}

// Sorts the box along its widest channel and cuts it where the two halves'
// squared errors along that channel are least; the first index of the second half.
std::size_t SplitPoint(Cell* ioCells, const Box& inBox)
{
    double theWeight = 0, theSum[3] = {}, theSquares[3] = {};
    for (std::size_t i = inBox.mBegin; i < inBox.mEnd; ++i)
        for (int c = 0; c < 3; ++c) {
            theSum[c] += ioCells[i].mColor[c] * ioCells[i].mWeight;
            theSquares[c] += ioCells[i].mColor[c] * ioCells[i].mColor[c] * ioCells[i].mWeight;
        }
    for (std::size_t i = inBox.mBegin; i < inBox.mEnd; ++i)
        theWeight += ioCells[i].mWeight;
    int theAxis = 0;
    double theSpread = -1;
    for (int c = 0; c < 3; ++c) {
        const double theVariance = theSquares[c] - theSum[c] * theSum[c] / theWeight;
        if (theVariance > theSpread) {
            theSpread = theVariance;
            theAxis = c;
        }
    }
    std::sort(ioCells + inBox.mBegin, ioCells + inBox.mEnd,
              [theAxis](const Cell& inA, const Cell& inB) { return inA.mColor[theAxis] < inB.mColor[theAxis]; });
    std::size_t theBest = inBox.mBegin + 1;
    double theBestError = -1;
    double theLeftWeight = 0, theLeftSum = 0;
    for (std::size_t i = inBox.mBegin; i + 1 < inBox.mEnd; ++i) {
        theLeftWeight += ioCells[i].mWeight;
        theLeftSum += ioCells[i].mColor[theAxis] * ioCells[i].mWeight;
        const double theRightWeight = theWeight - theLeftWeight;
        const double theRightSum = theSum[theAxis] - theLeftSum;
        // The squares' total is the same for every cut: maximise what the means explain.
        const double theExplained = theLeftSum * theLeftSum / theLeftWeight +
                                    (theRightWeight > 0 ? theRightSum * theRightSum / theRightWeight : 0);
        if (theExplained > theBestError) {
            theBestError = theExplained;
            theBest = i + 1;
        }
    }
    return theBest;
}

std::vector<Box> MedianCut(std::vector<Cell>& ioCells, std::int32_t inColors)
{
    std::vector<Box> theBoxes{{0, ioCells.size(), SquaredError(ioCells.data(), ioCells.size())}};
    while (std::int32_t(theBoxes.size()) < inColors) {
        std::size_t theWorst = theBoxes.size();
        for (std::size_t i = 0; i < theBoxes.size(); ++i)
            if (theBoxes[i].mEnd - theBoxes[i].mBegin > 1 &&
                (theWorst == theBoxes.size() || theBoxes[i].mError > theBoxes[theWorst].mError))
                theWorst = i;
        if (theWorst == theBoxes.size())
            break;  // every box is a single cell
        const Box theBox = theBoxes[theWorst];
        const std::size_t theCut = SplitPoint(ioCells.data(), theBox);
        theBoxes[theWorst] = {theBox.mBegin, theCut, SquaredError(&ioCells[theBox.mBegin], theCut - theBox.mBegin)};
        theBoxes.push_back({theCut, theBox.mEnd, SquaredError(&ioCells[theCut], theBox.mEnd - theCut)});
    }
    return theBoxes;
}

// Nearest palette colour by squared distance: the entries sorted by green,
// searched outwards from the probe's green until no closer one can follow.
class NearestColor {
public:
    void Reset(const std::vector<std::array<std::int32_t, 3>>& inColors, std::int32_t inSkip)
    {
        mEntries.clear();
        for (std::size_t i = 0; i < inColors.size(); ++i)
            if (std::int32_t(i) != inSkip)
                mEntries.push_back({inColors[i][1], inColors[i][0], inColors[i][2], std::int32_t(i)});
        std::sort(mEntries.begin(), mEntries.end(),
                  [](const Entry& inA, const Entry& inB) { return inA.mGreen < inB.mGreen; });
    }

    std::int32_t Find(std::int32_t inRed, std::int32_t inGreen, std::int32_t inBlue) const
    {
        const auto theStart =
            std::lower_bound(mEntries.begin(), mEntries.end(), inGreen,
                             [](const Entry& inEntry, std::int32_t inG) { return inEntry.mGreen < inG; });
        std::int32_t theBest = 0x7FFFFFFF;
        std::int32_t theIndex = mEntries.empty() ? 0 : mEntries.front().mIndex;
        const auto Try = [&](const Entry& inEntry) {
            const std::int32_t theG = inEntry.mGreen - inGreen;
            if (theG * theG >= theBest)
                return false;
            const std::int32_t theR = inEntry.mRed - inRed;
            const std::int32_t theB = inEntry.mBlue - inBlue;
            const std::int32_t theDistance = theR * theR + theG * theG + theB * theB;
            if (theDistance < theBest) {
                theBest = theDistance;
                theIndex = inEntry.mIndex;
            }
            return true;
        };
        auto theUp = theStart;
        auto theDown = theStart;
        bool theUpOpen = theUp != mEntries.end();
        bool theDownOpen = theDown != mEntries.begin();
        while (theUpOpen || theDownOpen) {
            if (theUpOpen) {
                theUpOpen = Try(*theUp) && ++theUp != mEntries.end();
            }
            if (theDownOpen) {
                --theDown;
                theDownOpen = Try(*theDown) && theDown != mEntries.begin();
            }
        }
        return theIndex;
    }

private:
    struct Entry {
        std::int32_t mGreen, mRed, mBlue, mIndex;
    };
    std::vector<Entry> mEntries;
};

// Nearest colours remembered per 6-bit cell of the colour cube, each found
// once for the cell's centre.
class NearestCache {
public:
    explicit NearestCache(const NearestColor& inSearch) : mSearch(inSearch), mCache(std::size_t{1} << 18, -1) {}
    std::int32_t Find(std::int32_t inRed, std::int32_t inGreen, std::int32_t inBlue)
    {
        const std::size_t theKey =
            std::size_t(inRed >> 2) << 12 | std::size_t(inGreen >> 2) << 6 | std::size_t(inBlue >> 2);
        std::int16_t& theEntry = mCache[theKey];
        if (theEntry < 0)
            theEntry = std::int16_t(mSearch.Find((inRed & 0xFC) | 2, (inGreen & 0xFC) | 2, (inBlue & 0xFC) | 2));
        return theEntry;
    }

private:
    const NearestColor& mSearch;
    std::vector<std::int16_t> mCache;
};

std::vector<Cell> Histogram(const RgbPixels& inView, std::optional<std::uint32_t> inKey)
{
    struct Sums {
        std::uint64_t mColor[3];
        std::uint64_t mCount;
    };
    std::vector<Sums> theBins(std::size_t{1} << 15, Sums{});
    for (std::int32_t y = 0; y < inView.mHeight; ++y) {
        const std::uint8_t* thePixel = RowOf(inView, y);
        for (std::int32_t x = 0; x < inView.mWidth; ++x, thePixel += 4) {
            const std::uint32_t theR = thePixel[inView.mRed], theG = thePixel[inView.mGreen],
                                theB = thePixel[inView.mBlue];
            if (inKey && (theR << 16 | theG << 8 | theB) == *inKey)
                continue;
            Sums& theBin = theBins[(theR >> 3) << 10 | (theG >> 3) << 5 | (theB >> 3)];
            theBin.mColor[0] += theR;
            theBin.mColor[1] += theG;
            theBin.mColor[2] += theB;
            ++theBin.mCount;
        }
    }
    std::vector<Cell> theCells;
    for (const Sums& theBin : theBins)
        if (theBin.mCount != 0) {
            const double theCount = double(theBin.mCount);
            theCells.push_back({{double(theBin.mColor[0]) / theCount, double(theBin.mColor[1]) / theCount,
                                 double(theBin.mColor[2]) / theCount},
                                theCount});
        }
    return theCells;
}

// Lloyd's rounds on the histogram cells: each colour moves to the mean of the
// cells nearest to it.
void Refine(const std::vector<Cell>& inCells, std::vector<std::array<std::int32_t, 3>>& ioColors)
{
    NearestColor theSearch;
    for (int theRound = 0; theRound < kRefineRounds; ++theRound) {
        theSearch.Reset(ioColors, -1);
        std::vector<std::array<double, 4>> theSums(ioColors.size(), {0, 0, 0, 0});
        for (const Cell& theCell : inCells) {
            const std::int32_t theIndex =
                theSearch.Find(std::int32_t(theCell.mColor[0] + 0.5), std::int32_t(theCell.mColor[1] + 0.5),
                               std::int32_t(theCell.mColor[2] + 0.5));
            auto& theSum = theSums[std::size_t(theIndex)];
            for (int c = 0; c < 3; ++c)
                theSum[std::size_t(c)] += theCell.mColor[c] * theCell.mWeight;
            theSum[3] += theCell.mWeight;
        }
        for (std::size_t i = 0; i < ioColors.size(); ++i)
            if (theSums[i][3] > 0)
                for (int c = 0; c < 3; ++c)
                    ioColors[i][std::size_t(c)] =
                        std::clamp(std::int32_t(theSums[i][std::size_t(c)] / theSums[i][3] + 0.5), 0, 255);
    }
}

std::int32_t Clamp255(std::int32_t inValue)
{
    return inValue < 0 ? 0 : (inValue > 255 ? 255 : inValue);
}

// Floyd–Steinberg in serpentine order; errors in sixteenths. Pixels of the key
// colour take the key's index and pass no error on.
void Diffuse(const RgbPixels& inView, const std::vector<std::array<std::int32_t, 3>>& inColors, NearestCache& ioCache,
             std::optional<std::uint32_t> inKey, std::int32_t inKeyIndex, std::vector<std::uint8_t>& outIndices)
{
    const std::size_t theSpan = std::size_t(inView.mWidth) + 2;
    std::vector<std::int32_t> theThis(theSpan * 3, 0), theNext(theSpan * 3, 0);
    for (std::int32_t y = 0; y < inView.mHeight; ++y) {
        const std::uint8_t* theRow = RowOf(inView, y);
        std::uint8_t* theOut = outIndices.data() + std::size_t(y) * std::size_t(inView.mWidth);
        const bool theForward = (y & 1) == 0;
        const std::int32_t theStep = theForward ? 1 : -1;
        for (std::int32_t i = 0; i < inView.mWidth; ++i) {
            const std::int32_t x = theForward ? i : inView.mWidth - 1 - i;
            const std::uint8_t* thePixel = theRow + std::ptrdiff_t(x) * 4;
            if (inKey && RgbAt(thePixel, inView) == *inKey) {
                theOut[x] = std::uint8_t(inKeyIndex);
                continue;
            }
            const std::size_t theAt = std::size_t(x + 1) * 3;
            std::int32_t theWanted[3];
            theWanted[0] = Clamp255(thePixel[inView.mRed] + ((theThis[theAt] + 8) >> 4));
            theWanted[1] = Clamp255(thePixel[inView.mGreen] + ((theThis[theAt + 1] + 8) >> 4));
            theWanted[2] = Clamp255(thePixel[inView.mBlue] + ((theThis[theAt + 2] + 8) >> 4));
            const std::int32_t theIndex = ioCache.Find(theWanted[0], theWanted[1], theWanted[2]);
            theOut[x] = std::uint8_t(theIndex);
            const std::size_t theAhead = std::size_t(std::ptrdiff_t(theAt) + theStep * 3);
            const std::size_t theBehind = std::size_t(std::ptrdiff_t(theAt) - theStep * 3);
            for (std::size_t c = 0; c < 3; ++c) {
                const std::int32_t theError = theWanted[c] - inColors[std::size_t(theIndex)][c];
                theThis[theAhead + c] += theError * 7;
                theNext[theBehind + c] += theError * 3;
                theNext[theAt + c] += theError * 5;
                theNext[theAhead + c] += theError;
            }
        }
        theThis.swap(theNext);
        std::fill(theNext.begin(), theNext.end(), 0);
    }
}

}  // namespace

void GifPalette::AddColor(std::uint32_t inRgb)
{
    const auto theIndex = std::uint16_t(mColors.size());
    mColors.push_back({theIndex,
                       {std::uint16_t((inRgb >> 16 & 0xFF) * 0x101), std::uint16_t((inRgb >> 8 & 0xFF) * 0x101),
                        std::uint16_t((inRgb & 0xFF) * 0x101)}});
}

void GifPalette::Build(const RgbPixels& inPixels, Dithering inDithering, std::optional<std::uint32_t> inKey)
{
    mColors.clear();
    mIndices.assign(std::size_t(inPixels.mWidth) * std::size_t(inPixels.mHeight), 0);
    mExact = BuildExact(inPixels);
    if (!mExact)
        BuildQuantized(inPixels, inDithering, inKey);
}

bool GifPalette::BuildExact(const RgbPixels& inPixels)
{
    return IsWordOrder(inPixels) ? BuildExactOf<true>(inPixels) : BuildExactOf<false>(inPixels);
}

template <bool kWordOrder>
bool GifPalette::BuildExactOf(const RgbPixels& inPixels)
{
    ColorSet theSet;
    std::uint32_t theLast = kNone;
    std::uint8_t theLastIndex = 0;
    std::uint8_t* theOut = mIndices.data();
    for (std::int32_t y = 0; y < inPixels.mHeight; ++y) {
        const std::uint8_t* thePixel = RowOf(inPixels, y);
        for (std::int32_t x = 0; x < inPixels.mWidth; ++x, thePixel += 4) {
            const std::uint32_t theRgb = LoadRgb<kWordOrder>(thePixel, inPixels);
            if (theRgb != theLast) {
                const std::int32_t theIndex = theSet.IndexOf(theRgb);
                if (theIndex < 0)
                    return false;
                theLast = theRgb;
                theLastIndex = std::uint8_t(theIndex);
            }
            *theOut++ = theLastIndex;
        }
    }
    for (std::int32_t i = 0; i < theSet.Count(); ++i)
        AddColor(theSet.At(i));
    if (mColors.empty())
        AddColor(0);  // a picture without pixels still needs a table
    return true;
}

void GifPalette::BuildQuantized(const RgbPixels& inPixels, Dithering inDithering, std::optional<std::uint32_t> inKey)
{
    std::vector<Cell> theCells = Histogram(inPixels, inKey);
    const std::int32_t theWanted = inKey ? kMaxColors - 1 : kMaxColors;
    std::vector<std::array<std::int32_t, 3>> theColors;
    for (const Box& theBox : MedianCut(theCells, theWanted)) {
        double theWeight = 0, theSum[3] = {};
        for (std::size_t i = theBox.mBegin; i < theBox.mEnd; ++i) {
            theWeight += theCells[i].mWeight;
            for (int c = 0; c < 3; ++c)
                theSum[c] += theCells[i].mColor[c] * theCells[i].mWeight;
        }
        theColors.push_back({std::int32_t(theSum[0] / theWeight + 0.5), std::int32_t(theSum[1] / theWeight + 0.5),
                             std::int32_t(theSum[2] / theWeight + 0.5)});
    }
    Refine(theCells, theColors);
    std::int32_t theKeyIndex = -1;
    if (inKey) {
        theKeyIndex = std::int32_t(theColors.size());
        theColors.push_back(
            {std::int32_t(*inKey >> 16 & 0xFF), std::int32_t(*inKey >> 8 & 0xFF), std::int32_t(*inKey & 0xFF)});
    }
    for (const auto& theColor : theColors)
        AddColor(std::uint32_t(theColor[0]) << 16 | std::uint32_t(theColor[1]) << 8 | std::uint32_t(theColor[2]));

    NearestColor theSearch;
    theSearch.Reset(theColors, theKeyIndex);
    NearestCache theCache(theSearch);
    if (inDithering == Dithering::kErrorDiffusion) {
        Diffuse(inPixels, theColors, theCache, inKey, theKeyIndex, mIndices);
        return;
    }
    std::uint8_t* theOut = mIndices.data();
    for (std::int32_t y = 0; y < inPixels.mHeight; ++y) {
        const std::uint8_t* thePixel = RowOf(inPixels, y);
        for (std::int32_t x = 0; x < inPixels.mWidth; ++x, thePixel += 4) {
            if (inKey && RgbAt(thePixel, inPixels) == *inKey)
                *theOut++ = std::uint8_t(theKeyIndex);
            else
                *theOut++ = std::uint8_t(
                    theCache.Find(thePixel[inPixels.mRed], thePixel[inPixels.mGreen], thePixel[inPixels.mBlue]));
        }
    }
}
