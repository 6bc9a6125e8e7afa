// Default colour tables in the classic order and their inverse tables.
#include "Palette.h"
#include "Impl.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <memory>

namespace vximaging {

namespace {

void Add(Palette& ioPalette, std::uint16_t inRed, std::uint16_t inGreen, std::uint16_t inBlue)
{
    const int theIndex = ioPalette.mCount++;
    ioPalette.mRGB[theIndex] = RGBColor{inRed, inGreen, inBlue};
    ioPalette.mBGRA[theIndex] = std::uint32_t(inBlue >> 8) | (std::uint32_t(inGreen >> 8) << 8) |
                                (std::uint32_t(inRed >> 8) << 16) | 0xFF000000u;
}

Palette MakePalette(int inDepth)
{
    Palette thePalette;
    switch (inDepth) {
    case 1:
        Add(thePalette, 0xFFFF, 0xFFFF, 0xFFFF);
        Add(thePalette, 0, 0, 0);
        break;
    case 2:
        Add(thePalette, 0xFFFF, 0xFFFF, 0xFFFF);
        Add(thePalette, 0xAAAA, 0xAAAA, 0xAAAA);
        Add(thePalette, 0x5555, 0x5555, 0x5555);
        Add(thePalette, 0, 0, 0);
        break;
    case 4: {
        static constexpr std::uint16_t kColors[16][3] = {
            {0xFFFF, 0xFFFF, 0xFFFF}, {0xFC00, 0xF37D, 0x052F}, {0xFFFF, 0x648A, 0x028C}, {0xDD6B, 0x08C2, 0x06A2},
            {0xF2D7, 0x0856, 0x84EC}, {0x46E3, 0x0000, 0xA53E}, {0x0000, 0x0000, 0xD400}, {0x0241, 0xAB54, 0xEAFF},
            {0x1F21, 0xB793, 0x1402}, {0x0000, 0x64AF, 0x11B0}, {0x5600, 0x2C9D, 0x0524}, {0x90D7, 0x7160, 0x3A34},
            {0xC000, 0xC000, 0xC000}, {0x8000, 0x8000, 0x8000}, {0x4000, 0x4000, 0x4000}, {0x0000, 0x0000, 0x0000}};
        for (const auto& theColor : kColors)
            Add(thePalette, theColor[0], theColor[1], theColor[2]);
        break;
    }
    default: {
        // 6×6×6 cube from white down (black left out), then ramps of red, green, blue and grey
        // without the cube's levels, then black.
        for (int theRed = 5; theRed >= 0; --theRed)
            for (int theGreen = 5; theGreen >= 0; --theGreen)
                for (int theBlue = 5; theBlue >= 0; --theBlue)
                    if (theRed + theGreen + theBlue > 0)
                        Add(thePalette, std::uint16_t(theRed * 0x3333), std::uint16_t(theGreen * 0x3333),
                            std::uint16_t(theBlue * 0x3333));
        static constexpr std::uint16_t kRamp[10] = {0xEEEE, 0xDDDD, 0xBBBB, 0xAAAA, 0x8888,
                                                    0x7777, 0x5555, 0x4444, 0x2222, 0x1111};
        for (std::uint16_t theLevel : kRamp)
            Add(thePalette, theLevel, 0, 0);
        for (std::uint16_t theLevel : kRamp)
            Add(thePalette, 0, theLevel, 0);
        for (std::uint16_t theLevel : kRamp)
            Add(thePalette, 0, 0, theLevel);
        for (std::uint16_t theLevel : kRamp)
            Add(thePalette, theLevel, theLevel, theLevel);
        Add(thePalette, 0, 0, 0);
        break;
    }
    }
    return thePalette;
}

int Slot(int inDepth)
{
    return inDepth == 1 ? 0 : inDepth == 2 ? 1 : inDepth == 4 ? 2 : 3;
}

struct Inverse {
    std::uint8_t mCells[32 * 32 * 32];
};

std::unique_ptr<Inverse> MakeInverse(const Palette& inPalette)
{
    auto theInverse = std::make_unique<Inverse>();
    for (int theCell = 0; theCell < 32 * 32 * 32; ++theCell) {
        const int theRed = ((theCell >> 10) << 3) + 4;
        const int theGreen = (((theCell >> 5) & 31) << 3) + 4;
        const int theBlue = ((theCell & 31) << 3) + 4;
        int theBest = 0;
        int theBestDistance = 1 << 30;
        for (int theIndex = 0; theIndex < inPalette.mCount; ++theIndex) {
            const int theDr = theRed - (inPalette.mRGB[theIndex].red >> 8);
            const int theDg = theGreen - (inPalette.mRGB[theIndex].green >> 8);
            const int theDb = theBlue - (inPalette.mRGB[theIndex].blue >> 8);
            const int theDistance = theDr * theDr + theDg * theDg + theDb * theDb;
            if (theDistance < theBestDistance) {
                theBestDistance = theDistance;
                theBest = theIndex;
            }
        }
        theInverse->mCells[theCell] = std::uint8_t(theBest);
    }
    // The palette's own colours claim their cells, so they survive a round trip exactly.
    for (int theIndex = 0; theIndex < inPalette.mCount; ++theIndex) {
        const RGBColor& theColor = inPalette.mRGB[theIndex];
        theInverse->mCells[((theColor.red >> 11) << 10) | ((theColor.green >> 11) << 5) | (theColor.blue >> 11)] =
            std::uint8_t(theIndex);
    }
    return theInverse;
}

}  // namespace

const Palette& DefaultPalette(int inDepth)
{
    static const std::array<Palette, 4> kPalettes = {MakePalette(1), MakePalette(2), MakePalette(4), MakePalette(8)};
    return kPalettes[std::size_t(Slot(inDepth))];
}

const std::uint8_t* InverseTable(int inDepth)
{
    // Built on first use: the 256-colour table takes a few milliseconds.
    static const std::unique_ptr<Inverse> kInverse1 = MakeInverse(DefaultPalette(1));
    static const std::unique_ptr<Inverse> kInverse2 = MakeInverse(DefaultPalette(2));
    static const std::unique_ptr<Inverse> kInverse4 = MakeInverse(DefaultPalette(4));
    static const std::unique_ptr<Inverse> kInverse8 = MakeInverse(DefaultPalette(8));
    switch (inDepth) {
    case 1:
        return kInverse1->mCells;
    case 2:
        return kInverse2->mCells;
    case 4:
        return kInverse4->mCells;
    default:
        return kInverse8->mCells;
    }
}

std::uint8_t NearestIndex(int inDepth, std::uint8_t inRed, std::uint8_t inGreen, std::uint8_t inBlue)
{
    return InverseTable(inDepth)[((inRed >> 3) << 10) | ((inGreen >> 3) << 5) | (inBlue >> 3)];
}

CTabHandle NewTableHandle(const Palette& inPalette)
{
    const Size theSize = Size(sizeof(ColorTable) + sizeof(ColorSpec) * std::size_t(inPalette.mCount - 1));
    auto theTable = reinterpret_cast<CTabHandle>(NewHandleClear(theSize));
    if (theTable == nullptr)
        return nullptr;
    ColorTable& theRecord = **theTable;
    theRecord.ctSeed = inPalette.mCount;
    theRecord.ctFlags = 0;
    theRecord.ctSize = std::int16_t(inPalette.mCount - 1);
    for (int theIndex = 0; theIndex < inPalette.mCount; ++theIndex)
        theRecord.ctTable[theIndex] = ColorSpec{std::int16_t(theIndex), inPalette.mRGB[theIndex]};
    return theTable;
}

void PaletteFromTable(CTabHandle inTable, Palette& outPalette)
{
    outPalette = Palette{};
    if (inTable == nullptr || *inTable == nullptr)
        return;
    const Size theBytes = GetHandleSize(reinterpret_cast<Handle>(inTable));
    const int theFit = int((theBytes - Size(offsetof(ColorTable, ctTable))) / Size(sizeof(ColorSpec)));
    const int theCount = std::min({int((*inTable)->ctSize) + 1, theFit, 256});
    for (int theIndex = 0; theIndex < std::max(theCount, 0); ++theIndex) {
        const RGBColor& theColor = (*inTable)->ctTable[theIndex].rgb;
        Add(outPalette, theColor.red, theColor.green, theColor.blue);
    }
    outPalette.mCount = 256;  // indices beyond the table read as black rather than out of bounds
    for (int theIndex = std::max(theCount, 0); theIndex < 256; ++theIndex)
        outPalette.mBGRA[theIndex] = 0xFF000000u;
}

}  // namespace vximaging
