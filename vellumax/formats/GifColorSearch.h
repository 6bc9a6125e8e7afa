// The nearest entry of a colour table by squared RGB distance, for building
// and mapping adaptive GIF palettes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

class GifColorSearch {
public:
    using Rgb = std::array<std::int32_t, 3>;

    // inSkip: an entry never answered (the transparent key's), -1 for none.
    void Reset(const std::vector<Rgb>& inColors, std::int32_t inSkip);

    // The nearest entry's index, the lowest on ties; 0 when the table is empty.
    // Channels are 0 to 255.
    std::int32_t Find(std::int32_t inRed, std::int32_t inGreen, std::int32_t inBlue);

private:
    struct Entry {
        std::int32_t mRed, mGreen, mBlue, mIndex;
    };
    static constexpr std::uint32_t kRegionBits = 3;  // per channel: 512 cubes of 32 levels
    static constexpr std::uint32_t kUnbuilt = 0xFFFFFFFFu;

    void BuildRegion(std::uint32_t inRegion);

    std::vector<Entry> mEntries;
    // Per region: where its candidates start in mCandidates (kUnbuilt until
    // first asked) and how many there are.
    std::vector<std::uint32_t> mStart;
    std::vector<std::uint16_t> mCount;
    std::vector<Entry> mCandidates;
    // Indexed by channel value × regions per side + region coordinate.
    std::array<std::int32_t, (256u << kRegionBits)> mNear{};
    std::array<std::int32_t, (256u << kRegionBits)> mFar{};
};
