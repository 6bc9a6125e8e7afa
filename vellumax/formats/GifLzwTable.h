// The LZW string table as the GIF encoder keeps it: each string is found by
// its prefix's code and the pixel that extends it, in an open-addressing hash.
// Each prefix also remembers the last extension found for it, which answers
// runs of one colour and repeated strings with one load instead of a probe.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

enum class GifLzwLink { kLinked, kCountedOnly };

class GifLzwTable {
public:
    static constexpr std::uint32_t kMaxCodes = 4096;  // 12-bit codes
    static constexpr std::uint32_t kMaxCodeWidth = 12;

    explicit GifLzwTable(std::uint32_t inInitialCodeSize) { Start(inInitialCodeSize); }

    // An empty table for another picture's code size.
    void Start(std::uint32_t inInitialCodeSize)
    {
        mInitialCodeSize = inInitialCodeSize;
        mFirstCode = (1u << inInitialCodeSize) + 2;
        mRuns.resize(std::size_t{1} << inInitialCodeSize);
        Clear();
    }

    // Back to the single-pixel strings, as the decoder does on a clear code.
    void Clear()
    {
        mSlots.fill(kEmpty);
        mLast.fill(kEmpty);
        mNextCode = mFirstCode;
        mCodeWidth = mInitialCodeSize + 1;
        mMissKey = kEmpty;
        for (std::vector<std::uint16_t>& theRuns : mRuns)
            theRuns.clear();
        mRunCount.fill(0);
    }

    // The longest run of inPixel the table holds as one string (at least 1,
    // the pixel's own code), and the code of its run of inLength pixels.
    std::int64_t LongestRun(std::uint32_t inPixel) const { return std::int64_t{mRunCount[inPixel]} + 1; }
    std::uint32_t RunCode(std::uint32_t inPixel, std::int64_t inLength) const
    {
        return inLength == 1 ? inPixel : mRuns[inPixel][std::size_t(inLength - 2)];
    }

    // The code of the string inPrefix + inPixel, or 0 when the table lacks it
    // (every string of two or more pixels has a code above the end code).
    std::uint32_t Find(std::uint32_t inPrefix, std::uint32_t inPixel)
    {
        const std::uint32_t theLast = mLast[inPrefix];
        if ((theLast >> 16) == inPixel)
            return theLast & 0xFFFFu;
        const std::uint32_t theKey = (inPrefix << 8) | inPixel;
        for (std::uint32_t theSlot = SlotOf(theKey);; theSlot = (theSlot + 1) & kSlotMask) {
            const std::uint32_t theEntry = mSlots[theSlot];
            if (theEntry == kEmpty) {
                mMissKey = theKey;
                mMissSlot = theSlot;
                return 0;
            }
            if ((theEntry & 0xFFFFFu) == theKey) {
                mLast[inPrefix] = (inPixel << 16) | (theEntry >> 20);
                return theEntry >> 20;
            }
        }
    }

    // Counts the entry the decoder makes for a code just sent, widening the
    // codes when its number no longer fits; the entry is the string inPrefix +
    // inPixel. It is linked for later matches unless the table is full, the
    // string is already there (a shorter match was chosen), or the caller says
    // not to (the last code of the picture has no following pixel).
    [[gnu::always_inline]] void Count(std::uint32_t inPrefix, std::uint32_t inPixel, GifLzwLink inLink)
    {
        if (mNextCode >= kMaxCodes)
            return;
        if (inLink == GifLzwLink::kLinked) {
            const std::uint32_t theKey = (inPrefix << 8) | inPixel;
            // Usually the string was just looked for in vain: its slot is known.
            std::uint32_t theSlot = theKey == mMissKey ? mMissSlot : SlotOf(theKey);
            while (mSlots[theSlot] != kEmpty && (mSlots[theSlot] & 0xFFFFFu) != theKey)
                theSlot = (theSlot + 1) & kSlotMask;
            if (mSlots[theSlot] == kEmpty) {
                mSlots[theSlot] = theKey | (mNextCode << 20);
                mLast[inPrefix] = (inPixel << 16) | mNextCode;
                if (inPrefix == RunCode(inPixel, LongestRun(inPixel))) {
                    mRuns[inPixel].push_back(std::uint16_t(mNextCode));
                    ++mRunCount[inPixel];
                }
            }
        }
        ++mNextCode;
        // NOTE: the decoder counts one code behind the encoder, so the width
        // grows once the next code is past, not at, the width's limit.
        if (mNextCode > (1u << mCodeWidth) && mCodeWidth < kMaxCodeWidth)
            ++mCodeWidth;
    }

    bool Full() const { return mNextCode >= kMaxCodes; }
    std::uint32_t CodeWidth() const { return mCodeWidth; }

private:
    static constexpr std::uint32_t kSlotBits = 13;  // twice the codes: short probe runs
    static constexpr std::uint32_t kSlotMask = (1u << kSlotBits) - 1;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

    static std::uint32_t SlotOf(std::uint32_t inKey) { return (inKey * 0x9E3779B1u) >> (32 - kSlotBits); }

    std::uint32_t mInitialCodeSize = 0;
    std::uint32_t mFirstCode = 0;
    std::uint32_t mNextCode = 0;
    std::uint32_t mCodeWidth = 0;
    // The key and empty slot of the last string Find did not find. The slot
    // stays empty until Count fills it: nothing else writes the table.
    std::uint32_t mMissKey = kEmpty;
    std::uint32_t mMissSlot = 0;
    // Each slot: the key (prefix × 256 + pixel, 20 bits) with the code above it.
    std::array<std::uint32_t, std::size_t{1} << kSlotBits> mSlots;
    // Per prefix code: the pixel last found extending it (high half) and the
    // code of that string; kEmpty matches no pixel.
    std::array<std::uint32_t, kMaxCodes> mLast;
    // Per pixel value: the codes of its runs of 2, 3, ... pixels. A run string
    // is only ever made from the next shorter one, so they are all there.
    std::vector<std::vector<std::uint16_t>> mRuns;
    std::array<std::uint16_t, 256> mRunCount;  // the sizes of mRuns, read on every string
};
