// Pictures as they are meant to be seen: the orientation a JPEG's EXIF block
// records (tag 0x0112 of its first directory, the values 1 to 8 of the EXIF
// standard), and the decoded pixels turned and mirrored to match.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vximaging {

// 1 (as stored) when the bytes hold no readable orientation; never reads
// beyond inSize, whatever the bytes say.
int JpegOrientation(const std::uint8_t* inBytes, std::size_t inSize);

// Whether the orientation swaps width and height (5 to 8).
constexpr bool SwapsSides(int inOrientation)
{
    return inOrientation >= 5 && inOrientation <= 8;
}

// ioPixels (inWidth x inHeight, 4 bytes a pixel, rows packed) turned upright;
// ioWidth and ioHeight become the upright sides.
void MakeUpright(int inOrientation, std::vector<std::uint8_t>& ioPixels, std::uint32_t& ioWidth,
                 std::uint32_t& ioHeight);

}  // namespace vximaging
