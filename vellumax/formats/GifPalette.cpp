#include "vellumax/formats/GifPalette.h"

#include "vellumax/formats/GifColorSearch.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
// k-means rounds after the median cut: most of the gain comes from the first
// ones, and each costs a nearest-colour search per histogram cell.
constexpr int kRefineRounds = 3;
// How much farther (squared distance) the left neighbour's entry may be than
// the nearest before a pixel leaves the run.
constexpr std::int32_t kRunTolerance = 64;
// The histogram's cells: 5 bits of each channel.
constexpr std::uint32_t kBins = 1u << 15;

using Rgb = GifColorSearch::Rgb;

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
    float mColor[3];
    float mWeight;
    std::uint32_t mBin;
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
            theSum[c] += double(theCell.mColor[c]) * theCell.mWeight;
            theSquares += double(theCell.mColor[c]) * double(theCell.mColor[c]) * theCell.mWeight;
        }
    }
    if (theWeight <= 0)
        return 0;
    return theSquares - (theSum[0] * theSum[0] + theSum[1] * theSum[1] + theSum[2] * theSum[2]) / theWeight;
}

// Orders cells by one channel of their mean, to the level: large boxes by
// counting, as a comparison sort made the median cut the slowest step.
void SortAlong(Cell* inBegin, Cell* inEnd, int inAxis, std::vector<Cell>& ioScratch)
{
    const auto theCount = std::size_t(inEnd - inBegin);
    if (theCount < 512) {
        std::sort(inBegin, inEnd,
                  [inAxis](const Cell& inA, const Cell& inB) { return inA.mColor[inAxis] < inB.mColor[inAxis]; });
        return;
    }
    std::array<std::size_t, 257> theStarts{};
    for (const Cell* theCell = inBegin; theCell != inEnd; ++theCell)
        ++theStarts[std::size_t(theCell->mColor[inAxis]) + 1];
    for (std::size_t i = 1; i < theStarts.size(); ++i)
        theStarts[i] += theStarts[i - 1];
    ioScratch.resize(theCount);
    for (const Cell* theCell = inBegin; theCell != inEnd; ++theCell)
        ioScratch[theStarts[std::size_t(theCell->mColor[inAxis])]++] = *theCell;
    std::copy(ioScratch.begin(), ioScratch.end(), inBegin);
}

// Sorts the box along its widest channel and cuts it where the two halves'
// squared errors along that channel are least; the first index of the second half.
std::size_t SplitPoint(Cell* ioCells, const Box& inBox, std::vector<Cell>& ioScratch)
{
    double theWeight = 0, theSum[3] = {}, theSquares[3] = {};
    for (std::size_t i = inBox.mBegin; i < inBox.mEnd; ++i)
        for (int c = 0; c < 3; ++c) {
            theSum[c] += double(ioCells[i].mColor[c]) * ioCells[i].mWeight;
            theSquares[c] += double(ioCells[i].mColor[c]) * double(ioCells[i].mColor[c]) * ioCells[i].mWeight;
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
    SortAlong(ioCells + inBox.mBegin, ioCells + inBox.mEnd, theAxis, ioScratch);
    std::size_t theBest = inBox.mBegin + 1;
    double theBestError = -1;
    double theLeftWeight = 0, theLeftSum = 0;
    for (std::size_t i = inBox.mBegin; i + 1 < inBox.mEnd; ++i) {
        theLeftWeight += ioCells[i].mWeight;
        theLeftSum += double(ioCells[i].mColor[theAxis]) * ioCells[i].mWeight;
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
    std::vector<Cell> theScratch;
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
        const std::size_t theCut = SplitPoint(ioCells.data(), theBox, theScratch);
        theBoxes[theWorst] = {theBox.mBegin, theCut, SquaredError(&ioCells[theBox.mBegin], theCut - theBox.mBegin)};
        theBoxes.push_back({theCut, theBox.mEnd, SquaredError(&ioCells[theCut], theBox.mEnd - theCut)});
    }
    return theBoxes;
}

// Nearest colours remembered per 6-bit cell of the colour cube, each found
// once for the cell's centre.
class NearestCache {
public:
    explicit NearestCache(GifColorSearch& inSearch) : mSearch(inSearch), mCache(std::size_t{1} << 18, -1) {}
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
    GifColorSearch& mSearch;
    std::vector<std::int16_t> mCache;
};

std::uint32_t BinOf(std::uint32_t inRgb)
{
    return (inRgb >> 9 & 0x7C00u) | (inRgb >> 6 & 0x3E0u) | (inRgb >> 3 & 0x1Fu);
}

// Sums of 32 bits halve the table (and its clearing) for pictures small enough not to overflow them.
template <bool kWordOrder, typename Sum>
std::vector<Cell> HistogramOf(const RgbPixels& inView, std::optional<std::uint32_t> inKey)
{
    struct Sums {
        Sum mColor[3];
        Sum mCount;
    };
    std::vector<Sums> theBins(kBins, Sums{});
    const std::uint32_t theKey = inKey ? *inKey : kNone;
    for (std::int32_t y = 0; y < inView.mHeight; ++y) {
        const std::uint8_t* thePixel = RowOf(inView, y);
        for (std::int32_t x = 0; x < inView.mWidth; ++x, thePixel += 4) {
            const std::uint32_t theRgb = LoadRgb<kWordOrder>(thePixel, inView);
            if (theRgb == theKey)
                continue;
            Sums& theBin = theBins[BinOf(theRgb)];
            theBin.mColor[0] += theRgb >> 16;
            theBin.mColor[1] += theRgb >> 8 & 0xFF;
            theBin.mColor[2] += theRgb & 0xFF;
            ++theBin.mCount;
        }
    }
    std::vector<Cell> theCells;
    for (std::uint32_t i = 0; i < kBins; ++i)
        if (const Sums& theBin = theBins[i]; theBin.mCount != 0) {
            const double theCount = double(theBin.mCount);
            theCells.push_back({{float(double(theBin.mColor[0]) / theCount), float(double(theBin.mColor[1]) / theCount),
                                 float(double(theBin.mColor[2]) / theCount)},
                                float(theCount),
                                i});
        }
    return theCells;
}

std::vector<Cell> Histogram(const RgbPixels& inView, std::optional<std::uint32_t> inKey)
{
    const std::uint64_t thePixels = std::uint64_t(inView.mWidth) * std::uint64_t(inView.mHeight);
    if (thePixels <= 0xFFFFFFFFu / 255)
        return IsWordOrder(inView) ? HistogramOf<true, std::uint32_t>(inView, inKey)
                                   : HistogramOf<false, std::uint32_t>(inView, inKey);
    return IsWordOrder(inView) ? HistogramOf<true, std::uint64_t>(inView, inKey)
                               : HistogramOf<false, std::uint64_t>(inView, inKey);
}

std::int32_t Nearest(GifColorSearch& inSearch, const Cell& inCell)
{
    return inSearch.Find(std::int32_t(inCell.mColor[0] + 0.5), std::int32_t(inCell.mColor[1] + 0.5),
                         std::int32_t(inCell.mColor[2] + 0.5));
}

// Lloyd's rounds on the histogram cells: each colour moves to the mean of the
// cells nearest to it.
void Refine(const std::vector<Cell>& inCells, std::vector<Rgb>& ioColors)
{
    GifColorSearch theSearch;
    for (int theRound = 0; theRound < kRefineRounds; ++theRound) {
        theSearch.Reset(ioColors, -1);
        std::vector<std::array<double, 4>> theSums(ioColors.size(), {0, 0, 0, 0});
        for (const Cell& theCell : inCells) {
            auto& theSum = theSums[std::size_t(Nearest(theSearch, theCell))];
            for (int c = 0; c < 3; ++c)
                theSum[std::size_t(c)] += double(theCell.mColor[c]) * theCell.mWeight;
            theSum[3] += theCell.mWeight;
        }
        for (std::size_t i = 0; i < ioColors.size(); ++i)
            if (theSums[i][3] > 0)
                for (int c = 0; c < 3; ++c)
                    ioColors[i][std::size_t(c)] =
                        std::clamp(std::int32_t(theSums[i][std::size_t(c)] / theSums[i][3] + 0.5), 0, 255);
    }
}

std::int32_t Distance(std::uint32_t inRgb, const Rgb& inColor)
{
    const std::int32_t theR = std::int32_t(inRgb >> 16) - inColor[0];
    const std::int32_t theG = std::int32_t(inRgb >> 8 & 0xFF) - inColor[1];
    const std::int32_t theB = std::int32_t(inRgb & 0xFF) - inColor[2];
    return theR * theR + theG * theG + theB * theB;
}

// Each pixel takes the entry nearest to its histogram cell's mean, unless the
// entry its left neighbour took is within kRunTolerance of as close: longer
// runs of one index are what LZW compresses, and a noisy picture otherwise
// flips between neighbouring entries from pixel to pixel. Branch-free but for
// the key, which is rare.
template <bool kWordOrder>
void MapOf(const RgbPixels& inView, const std::vector<Rgb>& inColors, const std::vector<std::uint8_t>& inBinIndex,
           std::optional<std::uint32_t> inKey, std::int32_t inKeyIndex, std::uint8_t* outIndices)
{
    const std::uint32_t theKey = inKey ? *inKey : kNone;
    const std::uint8_t* const theBinIndex = inBinIndex.data();
    for (std::int32_t y = 0; y < inView.mHeight; ++y) {
        const std::uint8_t* thePixel = RowOf(inView, y);
        std::int32_t theLast = -1;
        for (std::int32_t x = 0; x < inView.mWidth; ++x, thePixel += 4) {
            const std::uint32_t theRgb = LoadRgb<kWordOrder>(thePixel, inView);
            if (theRgb == theKey) [[unlikely]] {
                *outIndices++ = std::uint8_t(inKeyIndex);
                theLast = -1;  // no run carries other pixels onto the key's entry
                continue;
            }
            const std::int32_t theIndex = theBinIndex[BinOf(theRgb)];
            const std::int32_t theRun = theLast < 0 ? theIndex : theLast;
            theLast = Distance(theRgb, inColors[std::size_t(theRun)]) <=
                              Distance(theRgb, inColors[std::size_t(theIndex)]) + kRunTolerance
                          ? theRun
                          : theIndex;
            *outIndices++ = std::uint8_t(theLast);
        }
    }
}

std::int32_t Clamp255(std::int32_t inValue)
{
    return inValue < 0 ? 0 : (inValue > 255 ? 255 : inValue);
}

// Floyd–Steinberg in serpentine order; errors in sixteenths. Pixels of the key
// colour take the key's index and pass no error on.
void Diffuse(const RgbPixels& inView, const std::vector<Rgb>& inColors, NearestCache& ioCache,
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
    std::vector<Rgb> theColors;
    for (const Box& theBox : MedianCut(theCells, theWanted)) {
        double theWeight = 0, theSum[3] = {};
        for (std::size_t i = theBox.mBegin; i < theBox.mEnd; ++i) {
            theWeight += theCells[i].mWeight;
            for (int c = 0; c < 3; ++c)
                theSum[c] += double(theCells[i].mColor[c]) * theCells[i].mWeight;
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

    GifColorSearch theSearch;
    theSearch.Reset(theColors, theKeyIndex);
    if (inDithering == Dithering::kErrorDiffusion) {
        NearestCache theCache(theSearch);
        Diffuse(inPixels, theColors, theCache, inKey, theKeyIndex, mIndices);
        return;
    }
    std::vector<std::uint8_t> theBinIndex(kBins, 0);
    for (const Cell& theCell : theCells)
        theBinIndex[theCell.mBin] = std::uint8_t(Nearest(theSearch, theCell));
    if (IsWordOrder(inPixels))
        MapOf<true>(inPixels, theColors, theBinIndex, inKey, theKeyIndex, mIndices.data());
    else
        MapOf<false>(inPixels, theColors, theBinIndex, inKey, theKeyIndex, mIndices.data());
}
