// The fixed default colour tables of the indexed depths, and their nearest-colour lookup.
#pragma once

#include "imaging/QuickDraw.h"

#include <cstdint>

namespace vximaging {

struct Palette {
    int mCount = 0;
    std::uint32_t mBGRA[256] = {};  // each entry as bytes B, G, R, A (A = 255) in memory order
    RGBColor mRGB[256] = {};
};

// Depth 1, 2, 4 or 8.
const Palette& DefaultPalette(int inDepth);

// Nearest entry of a default palette, resolved on a 32×32×32 grid. A colour of the palette itself
// always finds its own entry (no two entries share a cell).
std::uint8_t NearestIndex(int inDepth, std::uint8_t inRed, std::uint8_t inGreen, std::uint8_t inBlue);
const std::uint8_t* InverseTable(int inDepth);

// A new colour-table handle holding the palette; null when memory runs out.
CTabHandle NewTableHandle(const Palette& inPalette);
// The table's entries (up to 256) as a palette; entries beyond the table's size stay black.
void PaletteFromTable(CTabHandle inTable, Palette& outPalette);

}  // namespace vximaging
