#include "vellumax/formats/GifLzwEncoder.h"

#include "vellumax/formats/GifLzwTable.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <utility>

namespace {

// How each string is chosen: the longest in the table, or, when one or two
// pixels shorter lets the next string reach clearly further, the shorter one.
enum class Parsing { kGreedy, kFlexible };
// Whether coding pauses when the table fills, for the keep-or-clear choice.
enum class AtFull { kPause, kGoOn };

// A shorter string must win at least this many pixels over the two steps: a
// win of one rarely pays for the entry it wastes (the decoder adds a string the
// table already has).
constexpr std::int64_t kFlexibleGain = 2;
constexpr std::int64_t kFlexibleReach = 2;
// Longer strings (runs of the ground) are sent whole: looking past them costs
// most of the time and rarely finds a better split.
constexpr std::int64_t kFlexibleLongest = 32;
// A full table is kept or cleared by coding this many pixels both ways; after
// keeping wins, the next trial comes later, up to kLongestKeep pixels on.
constexpr std::int64_t kTrialPixels = 4096;
constexpr std::int64_t kLongestKeep = 65536;
// While kept without trials, the cost is checked this often: a table that
// meets pixels unlike those it learnt (a new part of the page) costs a code
// per pixel until then.
constexpr std::int64_t kKeptCheckPixels = 512;
constexpr double kKeptSlack = 2.0;
// A table filled within this many pixels (about 4 per code) is cleared at once.
constexpr std::int64_t kQuickFill = 4 * GifLzwTable::kMaxCodes;
// Flexible parsing is tried only where strings are long and many colours make
// the longest string a poor guess (antialiased drawings); photographs, whose
// strings are a pixel or two, and flat graphics of few colours gain nothing.
constexpr std::uint32_t kFlexibleMinimumCodeSize = 7;
constexpr std::int64_t kFlexibleMinimumPixelsPerCode = 4;

// Codes packed least significant bit first, eight bytes stored at a time and
// only the whole ones kept.
class CodeWriter {
public:
    explicit CodeWriter(std::int64_t inPixels)
        : mCapacity(std::size_t(inPixels / 2) + kSlack), mBytes(new std::uint8_t[mCapacity])
    {
    }

    void Put(std::uint32_t inCode, std::uint32_t inWidth)
    {
        if (mSize + kSlack > mCapacity)
            Grow();
        mAccumulator |= std::uint64_t{inCode} << mBitsHeld;
        mBitsHeld += inWidth;
        StoreLittleEndian64(mBytes.get() + mSize, mAccumulator);
        const std::uint32_t theWhole = mBitsHeld >> 3;
        mSize += theWhole;
        mAccumulator >>= theWhole * 8;
        mBitsHeld &= 7;
        ++mCodes;
        mBits += inWidth;
    }

    std::int64_t Codes() const { return mCodes; }
    std::int64_t Bits() const { return mBits; }

    // The bytes, the last completed with zero bits.
    std::vector<std::uint8_t> Take()
    {
        if (mBitsHeld > 0)
            mBytes[mSize++] = std::uint8_t(mAccumulator);
        return std::vector<std::uint8_t>(mBytes.get(), mBytes.get() + mSize);
    }

private:
    static constexpr std::size_t kSlack = 16;

    static void StoreLittleEndian64(std::uint8_t* outBytes, std::uint64_t inValue)
    {
        if constexpr (std::endian::native == std::endian::big)
            inValue = __builtin_bswap64(inValue);
        std::memcpy(outBytes, &inValue, sizeof inValue);
    }

    void Grow()
    {
        // NOTE: not zeroed: only the pages written are ever touched.
        std::unique_ptr<std::uint8_t[]> theBytes(new std::uint8_t[mCapacity * 2]);
        std::memcpy(theBytes.get(), mBytes.get(), mSize);
        mBytes = std::move(theBytes);
        mCapacity *= 2;
    }

    std::size_t mCapacity;
    std::unique_ptr<std::uint8_t[]> mBytes;
    std::size_t mSize = 0;
    std::uint64_t mAccumulator = 0;
    std::uint32_t mBitsHeld = 0;
    std::int64_t mCodes = 0;
    std::int64_t mBits = 0;
};

// Codes held back while a choice is tried, with the bits they would take.
class CodeList {
public:
    void Put(std::uint32_t inCode, std::uint32_t inWidth)
    {
        mCodes.push_back(inCode | (inWidth << 16));
        mBits += inWidth;
    }
    std::int64_t Bits() const { return mBits; }
    void SendTo(CodeWriter& outWriter) const
    {
        for (const std::uint32_t theCode : mCodes)
            outWriter.Put(theCode & 0xFFFFu, theCode >> 16);
    }

private:
    std::vector<std::uint32_t> mCodes;
    std::int64_t mBits = 0;
};

struct Pixels {
    const std::uint8_t* mData;
    std::int64_t mCount;
};

// The longest string in the table at inAt: its length, its code in
// outCodes[0] and the codes of its two shorter prefixes after it. A run of one
// colour is matched in one step, by its length, rather than pixel by pixel.
[[gnu::always_inline]] inline std::int64_t LongestString(GifLzwTable& ioTable, Pixels inPixels, std::int64_t inAt,
                                                         std::uint32_t (&outCodes)[kFlexibleReach + 1])
{
    const std::uint8_t* const thePixels = inPixels.mData + inAt;
    const std::int64_t theLeft = inPixels.mCount - inAt;
    const std::uint32_t theFirst = thePixels[0];
    std::int64_t theLength = 1;
    const std::int64_t theRunLimit = std::min(ioTable.LongestRun(theFirst), theLeft);
    while (theLength < theRunLimit && thePixels[theLength] == theFirst)
        ++theLength;
    outCodes[0] = ioTable.RunCode(theFirst, theLength);
    outCodes[1] = theLength > 1 ? ioTable.RunCode(theFirst, theLength - 1) : 0;
    outCodes[2] = theLength > 2 ? ioTable.RunCode(theFirst, theLength - 2) : 0;
    while (theLength < theLeft) {
        const std::uint32_t theNext = ioTable.Find(outCodes[0], thePixels[theLength]);
        if (theNext == 0)
            break;
        outCodes[2] = outCodes[1];
        outCodes[1] = outCodes[0];
        outCodes[0] = theNext;
        ++theLength;
    }
    return theLength;
}

std::int64_t MatchLength(GifLzwTable& ioTable, Pixels inPixels, std::int64_t inAt)
{
    std::uint32_t theCodes[kFlexibleReach + 1];
    return LongestString(ioTable, inPixels, inAt, theCodes);
}

// The string to send at inAt: its length, and its code in outCode.
template <Parsing P>
std::int64_t ChooseString(GifLzwTable& ioTable, Pixels inPixels, std::int64_t inAt, std::uint32_t& outCode)
{
    std::uint32_t theCodes[kFlexibleReach + 1];
    const std::int64_t theLength = LongestString(ioTable, inPixels, inAt, theCodes);
    std::int64_t theChosen = theLength;
    if constexpr (P == Parsing::kFlexible) {
        if (theLength > 1 && theLength <= kFlexibleLongest && inAt + theLength < inPixels.mCount) {
            std::int64_t theBest = theLength + MatchLength(ioTable, inPixels, inAt + theLength);
            for (std::int64_t theShorter = theLength - 1;
                 theShorter >= std::max<std::int64_t>(1, theLength - kFlexibleReach); --theShorter) {
                const std::int64_t theReach = theShorter + MatchLength(ioTable, inPixels, inAt + theShorter);
                if (theReach >= theBest + kFlexibleGain) {
                    theBest = theReach;
                    theChosen = theShorter;
                }
            }
        }
    }
    outCode = theCodes[theLength - theChosen];
    return theChosen;
}

// Codes strings from ioAt until inStop is reached (a string may run past it),
// or, with AtFull::kPause, until the table is full.
template <Parsing P, typename Sink>
void Run(GifLzwTable& ioTable, Pixels inPixels, std::int64_t& ioAt, std::int64_t inStop, AtFull inAtFull, Sink& outSink)
{
    std::int64_t theAt = ioAt;
    while (theAt < inStop && !(inAtFull == AtFull::kPause && ioTable.Full())) {
        std::uint32_t theCode = 0;
        const std::int64_t theLength = ChooseString<P>(ioTable, inPixels, theAt, theCode);
        outSink.Put(theCode, ioTable.CodeWidth());
        theAt += theLength;
        if (theAt < inPixels.mCount)
            ioTable.Count(theCode, inPixels.mData[theAt], GifLzwLink::kLinked);
        else
            ioTable.Count(theCode, 0, GifLzwLink::kCountedOnly);
    }
    ioAt = theAt;
}

struct Pass {
    std::vector<std::uint8_t> mBytes;
    std::int64_t mCodes = 0;
};

// The two tables of a pass, kept per thread: a page's export should not pay
// for fresh pages of memory each time.
struct Tables {
    std::unique_ptr<GifLzwTable> mCurrent;
    std::unique_ptr<GifLzwTable> mSpare;
};

GifLzwTable& Started(std::unique_ptr<GifLzwTable>& ioTable, std::uint32_t inInitialCodeSize)
{
    if (ioTable)
        ioTable->Start(inInitialCodeSize);
    else
        ioTable = std::make_unique<GifLzwTable>(inInitialCodeSize);
    return *ioTable;
}

// One coding of the whole picture. Each time the table fills, the next pixels
// are coded with it kept and after a clear, and the cheaper per pixel is sent.
// A kept table is tried again later and later while it keeps winning, and at
// once when its pixels start to cost more than when it won.
template <Parsing P>
class PassCoder {
public:
    PassCoder(Pixels inPixels, std::uint32_t inInitialCodeSize, Tables& ioTables)
        : mPixels(inPixels),
          mClear(1u << inInitialCodeSize),
          mInitialCodeSize(inInitialCodeSize),
          mTables(ioTables),
          mTable(&Started(ioTables.mCurrent, inInitialCodeSize)),
          mWriter(inPixels.mCount)
    {
    }

    Pass Encode()
    {
        mWriter.Put(mClear, mTable->CodeWidth());
        while (mAt < mPixels.mCount) {
            Run<P>(*mTable, mPixels, mAt, mPixels.mCount, AtFull::kPause, mWriter);
            KeepWhileCheap();
            if (mAt < mPixels.mCount)
                KeepOrClear();
        }
        mWriter.Put(mClear + 1, mTable->CodeWidth());
        return {mWriter.Take(), mWriter.Codes()};
    }

private:
    void KeepWhileCheap()
    {
        std::int64_t theLeft = mKeepSpan;
        while (theLeft > 0 && mAt < mPixels.mCount) {
            const std::int64_t theFrom = mAt;
            const std::int64_t theBits = mWriter.Bits();
            Run<P>(*mTable, mPixels, mAt, std::min(mPixels.mCount, mAt + kKeptCheckPixels), AtFull::kGoOn, mWriter);
            theLeft -= mAt - theFrom;
            if (double(mWriter.Bits() - theBits) > kKeptSlack * mKeptRate * double(mAt - theFrom))
                theLeft = 0;
        }
    }

    void KeepOrClear()
    {
        // A table that filled quickly (short strings: photographs, noise) is
        // cleared as it is, as a fresh one learns the new pixels at once.
        if (mAt - mEpochStart < kQuickFill) {
            // The full table still serves one string before the clear.
            Run<P>(*mTable, mPixels, mAt, mAt + 1, AtFull::kGoOn, mWriter);
            if (mAt >= mPixels.mCount)
                return;
            mWriter.Put(mClear, mTable->CodeWidth());
            mTable->Clear();
            mEpochStart = mAt;
            mKeepSpan = 0;
            return;
        }
        const std::int64_t theStop = std::min(mPixels.mCount, mAt + kTrialPixels);
        CodeList theKept;
        std::int64_t theKeptAt = mAt;
        Run<P>(*mTable, mPixels, theKeptAt, theStop, AtFull::kGoOn, theKept);
        CodeList theFresh;
        std::int64_t theFreshAt = mAt;
        if (mSpare != nullptr)
            mSpare->Clear();
        else
            mSpare = &Started(mTables.mSpare, mInitialCodeSize);
        theFresh.Put(mClear, mTable->CodeWidth());
        Run<P>(*mSpare, mPixels, theFreshAt, theStop, AtFull::kPause, theFresh);
        // A fresh table that fills again within the trial learns faster than
        // the old one serves.
        const bool theClears =
            theFreshAt < theStop || theFresh.Bits() * (theKeptAt - mAt) < theKept.Bits() * (theFreshAt - mAt);
        if (theClears) {
            theFresh.SendTo(mWriter);
            std::swap(mTable, mSpare);
            mEpochStart = mAt;
            mAt = theFreshAt;
            mKeepSpan = 0;
        } else {
            theKept.SendTo(mWriter);
            mKeptRate = double(theKept.Bits()) / double(theKeptAt - mAt);
            mAt = theKeptAt;
            mKeepSpan = std::min(kLongestKeep, std::max(kTrialPixels, mKeepSpan * 2));
        }
    }

    Pixels mPixels;
    std::uint32_t mClear;
    std::uint32_t mInitialCodeSize;
    Tables& mTables;
    GifLzwTable* mTable;
    GifLzwTable* mSpare = nullptr;  // started at the first trial: most pages never fill the table
    CodeWriter mWriter;
    std::int64_t mAt = 0;
    std::int64_t mEpochStart = 0;  // where the table was last cleared
    std::int64_t mKeepSpan = 0;    // pixels to code with a kept table before the next trial
    double mKeptRate = 0;          // bits per pixel of the kept table's last trial
};

// The pixels of one encoding at a time per thread, kept between pictures up
// to kKeptPixels so that a page's export does not fault in fresh memory.
struct PixelStore {
    std::vector<std::uint8_t> mPixels;
    bool mInUse = false;
};
constexpr std::size_t kKeptPixels = std::size_t{1} << 20;
thread_local PixelStore tPixelStore;

}  // namespace

GifLzwEncoder::GifLzwEncoder(std::uint32_t inInitialCodeSize, std::int64_t inPixelCount)
    : mInitialCodeSize(inInitialCodeSize), mPixelMask((1u << inInitialCodeSize) - 1), mPixels(&mOwnPixels)
{
    if (!tPixelStore.mInUse) {
        tPixelStore.mInUse = true;
        mPixels = &tPixelStore.mPixels;
        mPixels->clear();
    }
    mPixels->reserve(std::size_t(std::max<std::int64_t>(inPixelCount, 0)));
}

GifLzwEncoder::~GifLzwEncoder()
{
    if (mPixels == &tPixelStore.mPixels) {
        if (mPixels->capacity() > kKeptPixels)
            *mPixels = {};
        tPixelStore.mInUse = false;
    }
}

void GifLzwEncoder::Add(const std::uint8_t* inPixels, std::int32_t inCount)
{
    if (inCount <= 0)
        return;
    const std::size_t theStart = mPixels->size();
    mPixels->insert(mPixels->end(), inPixels, inPixels + inCount);
    const auto theMask = std::uint8_t(mPixelMask);
    for (auto theAt = mPixels->begin() + std::ptrdiff_t(theStart); theAt != mPixels->end(); ++theAt)
        *theAt &= theMask;
}

void GifLzwEncoder::Finish()
{
    const Pixels thePixels{mPixels->data(), std::int64_t(mPixels->size())};
    thread_local Tables tTables;
    Pass theBest = PassCoder<Parsing::kGreedy>(thePixels, mInitialCodeSize, tTables).Encode();
    if (mInitialCodeSize >= kFlexibleMinimumCodeSize &&
        thePixels.mCount >= kFlexibleMinimumPixelsPerCode * theBest.mCodes) {
        Pass theFlexible = PassCoder<Parsing::kFlexible>(thePixels, mInitialCodeSize, tTables).Encode();
        if (theFlexible.mBytes.size() < theBest.mBytes.size())
            theBest = std::move(theFlexible);
    }
    mBytes = std::move(theBest.mBytes);
}
