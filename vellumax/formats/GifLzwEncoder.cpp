#include "vellumax/formats/GifLzwEncoder.h"

#include <bit>
#include <cstring>

namespace {

constexpr std::uint32_t kMaxCodeWidth = 12;
// A code and a clear code of at most 12 bits each, on top of fewer than 8 held
// bits, complete at most 4 bytes; the eight-byte store needs 8 bytes of room.
constexpr std::int64_t kBytesPerPixel = 3;
constexpr std::int64_t kStoreSlack = 16;

inline void StoreLittleEndian64(std::uint8_t* outBytes, std::uint64_t inValue)
{
    if constexpr (std::endian::native == std::endian::big)
        inValue = __builtin_bswap64(inValue);
    std::memcpy(outBytes, &inValue, sizeof inValue);
}

inline std::uint32_t SlotOf(std::uint32_t inKey, std::uint32_t inBits)
{
    return (inKey * 0x9E3779B1u) >> (32 - inBits);
}

}  // namespace

GifLzwEncoder::GifLzwEncoder(std::uint32_t inInitialCodeSize)
    : mInitialCodeSize(inInitialCodeSize),
      mClearCode(1u << inInitialCodeSize),
      mEndCode(mClearCode + 1),
      mPixelMask(mClearCode - 1),
      mNextCode(mClearCode + 2),
      mCodeWidth(inInitialCodeSize + 1),
      mDense(mClearCode <= kDenseSymbols),
      mTable(mDense ? 0 : std::size_t{1} << kTableBits, kEmpty),
      mChildren(mDense ? std::size_t{kMaxCodes} * mClearCode : 0, 0)
{
    Reserve(0);
    Emit(mClearCode);
}

void GifLzwEncoder::Reserve(std::int64_t inMore)
{
    const std::int64_t theNeeded = mSize + inMore + kStoreSlack;
    if (theNeeded > std::int64_t(mBytes.size()))
        mBytes.resize(std::size_t(std::max(theNeeded, std::int64_t(mBytes.size()) * 2)));
}

void GifLzwEncoder::Emit(std::uint32_t inCode)
{
    mAccumulator |= std::uint64_t{inCode} << mBitsHeld;
    mBitsHeld += mCodeWidth;
    StoreLittleEndian64(mBytes.data() + mSize, mAccumulator);
    const std::uint32_t theWhole = mBitsHeld >> 3;
    mSize += theWhole;
    mAccumulator >>= theWhole * 8;
    mBitsHeld &= 7;
}

void GifLzwEncoder::ClearTable()
{
    if (mDense)
        std::memset(mChildren.data(), 0, std::size_t(mNextCode) * mClearCode * sizeof(std::uint16_t));
    else
        std::memset(mTable.data(), 0xFF, mTable.size() * sizeof(std::uint32_t));
    mNextCode = mClearCode + 2;
    mCodeWidth = mInitialCodeSize + 1;
}

void GifLzwEncoder::CountEntry()
{
    ++mNextCode;
    if (mNextCode > (1u << mCodeWidth) && mCodeWidth < kMaxCodeWidth)
        ++mCodeWidth;
}

void GifLzwEncoder::Add(const std::uint8_t* inPixels, std::int32_t inCount)
{
    if (inCount <= 0)
        return;
    Reserve(std::int64_t{inCount} * kBytesPerPixel);
    std::int32_t theIndex = 0;
    if (mPrefix == kEmpty)
        mPrefix = inPixels[theIndex++] & mPixelMask;
    if (mDense)
        AddDense(inPixels + theIndex, inCount - theIndex);
    else
        AddHashed(inPixels + theIndex, inCount - theIndex);
}

// Few symbols: each string's extensions sit in a row of its own, found by one load.
void GifLzwEncoder::AddDense(const std::uint8_t* inPixels, std::int32_t inCount)
{
    std::uint16_t* const theChildren = mChildren.data();
    const std::uint32_t theStride = mClearCode;
    std::uint32_t thePrefix = mPrefix;
    for (std::int32_t theIndex = 0; theIndex < inCount; ++theIndex) {
        const std::uint32_t thePixel = inPixels[theIndex] & mPixelMask;
        std::uint16_t& theChild = theChildren[thePrefix * theStride + thePixel];
        if (theChild != 0) {
            thePrefix = theChild;
            continue;
        }
        Emit(thePrefix);
        if (mNextCode < kMaxCodes) {
            theChild = std::uint16_t(mNextCode);
            CountEntry();
        } else {
            Emit(mClearCode);
            ClearTable();
        }
        thePrefix = thePixel;
    }
    mPrefix = thePrefix;
}

void GifLzwEncoder::AddHashed(const std::uint8_t* inPixels, std::int32_t inCount)
{
    std::uint32_t* const theTable = mTable.data();
    constexpr std::uint32_t theSlotMask = (1u << kTableBits) - 1;
    std::uint32_t thePrefix = mPrefix;
    for (std::int32_t theIndex = 0; theIndex < inCount; ++theIndex) {
        const std::uint32_t thePixel = inPixels[theIndex] & mPixelMask;
        const std::uint32_t theKey = (thePrefix << 8) | thePixel;
        std::uint32_t theSlot = SlotOf(theKey, kTableBits);
        std::uint32_t theEntry = theTable[theSlot];
        while (theEntry != kEmpty && (theEntry & 0xFFFFFu) != theKey) {
            theSlot = (theSlot + 1) & theSlotMask;
            theEntry = theTable[theSlot];
        }
        if (theEntry != kEmpty) {
            thePrefix = theEntry >> 20;
            continue;
        }
        Emit(thePrefix);
        if (mNextCode < kMaxCodes) {
            theTable[theSlot] = theKey | (mNextCode << 20);
            CountEntry();
        } else {
            Emit(mClearCode);
            ClearTable();
        }
        thePrefix = thePixel;
    }
    mPrefix = thePrefix;
}

void GifLzwEncoder::Finish()
{
    Reserve(8);
    if (mPrefix != kEmpty) {
        Emit(mPrefix);
        // The decoder counts an entry for every code it reads, so the end code
        // may already be one bit wider.
        if (mNextCode < kMaxCodes)
            CountEntry();
        mPrefix = kEmpty;
    }
    Emit(mEndCode);
    if (mBitsHeld > 0) {
        mBytes[std::size_t(mSize++)] = static_cast<std::uint8_t>(mAccumulator);
        mAccumulator = 0;
        mBitsHeld = 0;
    }
}
