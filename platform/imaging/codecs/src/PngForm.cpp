#include "PngForm.h"

#include <algorithm>
#include <cstring>

namespace vx::codecs {

namespace {

constexpr size_t kMaxPaletteColors = 256;
constexpr size_t kHashSlots = 1024;  // four times the palette, so probes stay short

uint32_t LoadPixel(const uint8_t* inPixel)
{
    uint32_t theValue;
    std::memcpy(&theValue, inPixel, 4);
    return theValue;  // B | G << 8 | R << 16 | A << 24 on the little-endian machines served
}

bool IsGrey(uint32_t inColor)
{
    return (inColor & 0xff) == ((inColor >> 8) & 0xff) && (inColor & 0xff) == ((inColor >> 16) & 0xff);
}

bool IsOpaque(uint32_t inColor)
{
    return inColor >> 24 == 0xff;
}

size_t HashOf(uint32_t inColor)
{
    return (inColor * 0x9E3779B1u) >> 22;
}

// What one pass over the pixels learns: the distinct colours while there are at most 256.
struct ColorScan {
    std::vector<uint32_t> mColors;  // in order of first appearance
    std::vector<uint32_t> mKeys = std::vector<uint32_t>(kHashSlots);
    std::vector<uint16_t> mSlots = std::vector<uint16_t>(kHashSlots);  // index + 1, 0 when empty
    bool mFew = true;
    bool mOpaque = true;
    bool mGrey = true;

    void Add(uint32_t inColor)
    {
        mOpaque = mOpaque && IsOpaque(inColor);
        mGrey = mGrey && IsGrey(inColor);
        if (!mFew) {
            return;
        }
        for (size_t theSlot = HashOf(inColor);; theSlot = (theSlot + 1) % kHashSlots) {
            if (mSlots[theSlot] == 0) {
                if (mColors.size() == kMaxPaletteColors) {
                    mFew = false;
                    return;
                }
                mColors.push_back(inColor);
                mKeys[theSlot] = inColor;
                mSlots[theSlot] = uint16_t(mColors.size());
                return;
            }
            if (mKeys[theSlot] == inColor) {
                return;
            }
        }
    }

    // Once the colours are too many, only the alpha and grey flags can still change.
    bool Settled() const { return !mFew && !mGrey && !mOpaque; }
};

ColorScan ScanColors(const PictureView& inPicture)
{
    ColorScan theScan;
    const size_t theRowBytes = size_t(inPicture.mWidth) * 4;
    for (uint32_t theY = 0; theY < inPicture.mHeight && !theScan.Settled(); ++theY) {
        const uint8_t* theRow = inPicture.Row(theY);
        if (theY > 0 && std::memcmp(theRow, inPicture.Row(theY - 1), theRowBytes) == 0) {
            continue;  // flat pictures repeat whole rows
        }
        uint32_t theLast = LoadPixel(theRow);
        theScan.Add(theLast);
        for (uint32_t theX = 1; theX < inPicture.mWidth; ++theX) {
            const uint32_t theColor = LoadPixel(theRow + size_t(theX) * 4);
            if (theColor != theLast) {
                theLast = theColor;
                theScan.Add(theColor);
            }
        }
    }
    return theScan;
}

int PaletteBits(size_t inCount)
{
    return inCount <= 2 ? 1 : inCount <= 4 ? 2 : inCount <= 16 ? 4 : 8;
}

// The fewest grey bits that hold every level exactly (a level of n bits scales by 255 / (2^n - 1)).
int GreyBits(const std::vector<uint32_t>& inColors)
{
    for (int theBits : {1, 2, 4}) {
        const uint32_t theStep = 255 / ((1u << theBits) - 1);
        if (std::all_of(inColors.begin(), inColors.end(),
                        [theStep](uint32_t inColor) { return (inColor & 0xff) % theStep == 0; })) {
            return theBits;
        }
    }
    return 8;
}

size_t PackedRowBytes(uint32_t inWidth, size_t inChannels, int inBitDepth)
{
    return (size_t(inWidth) * inChannels * size_t(inBitDepth) + 7) / 8;
}

}  // namespace

PngForm PngForm::Smallest(const PictureView& inPicture)
{
    ColorScan theScan = ScanColors(inPicture);
    if (!theScan.mFew) {
        PngForm theForm = Direct(inPicture, !theScan.mOpaque);
        if (theScan.mGrey && !theScan.mOpaque) {
            theForm.mColorType = PngColorType::kGreyAlpha;
            theForm.mRowBytes = PackedRowBytes(inPicture.mWidth, 2, 8);
        }
        return theForm;
    }
    PngForm theForm;
    theForm.mPicture = inPicture;
    theForm.mWidth = inPicture.mWidth;
    theForm.mHeight = inPicture.mHeight;
    const int thePaletteBits = PaletteBits(theScan.mColors.size());
    if (theScan.mOpaque && theScan.mGrey && GreyBits(theScan.mColors) <= thePaletteBits) {
        theForm.mColorType = PngColorType::kGrey;
        theForm.mBitDepth = GreyBits(theScan.mColors);
        theForm.mRowBytes = PackedRowBytes(inPicture.mWidth, 1, theForm.mBitDepth);
        return theForm;
    }
    theForm.mColorType = PngColorType::kPalette;
    theForm.mBitDepth = thePaletteBits;
    theForm.mRowBytes = PackedRowBytes(inPicture.mWidth, 1, thePaletteBits);
    std::stable_partition(theScan.mColors.begin(), theScan.mColors.end(),
                          [](uint32_t inColor) { return !IsOpaque(inColor); });
    theForm.mKeys = std::move(theScan.mKeys);
    theForm.mSlots.assign(kHashSlots, 0);
    for (const uint32_t theColor : theScan.mColors) {
        theForm.mColors.push_back(
            {uint8_t(theColor), uint8_t(theColor >> 8), uint8_t(theColor >> 16), uint8_t(theColor >> 24)});
        size_t theSlot = HashOf(theColor);
        while (theForm.mSlots[theSlot] != 0) {
            theSlot = (theSlot + 1) % kHashSlots;
        }
        theForm.mKeys[theSlot] = theColor;
        theForm.mSlots[theSlot] = uint16_t(theForm.mColors.size());
    }
    return theForm;
}

PngForm PngForm::Direct(const PictureView& inPicture, bool inAlpha)
{
    PngForm theForm;
    theForm.mPicture = inPicture;
    theForm.mWidth = inPicture.mWidth;
    theForm.mHeight = inPicture.mHeight;
    theForm.mColorType = inAlpha ? PngColorType::kRgba : PngColorType::kRgb;
    theForm.mRowBytes = PackedRowBytes(inPicture.mWidth, inAlpha ? 4 : 3, 8);
    return theForm;
}

PngForm PngForm::Indexed(uint32_t inWidth, uint32_t inHeight, int inBitDepth, const uint8_t* inRows,
                         std::vector<std::array<uint8_t, 4>> inColors)
{
    PngForm theForm;
    theForm.mIndexedRows = inRows;
    theForm.mWidth = inWidth;
    theForm.mHeight = inHeight;
    theForm.mColorType = PngColorType::kPalette;
    theForm.mBitDepth = inBitDepth;
    theForm.mRowBytes = PackedRowBytes(inWidth, 1, inBitDepth);
    theForm.mColors = std::move(inColors);
    return theForm;
}

size_t PngForm::FilterStride() const
{
    switch (mColorType) {
    case PngColorType::kRgb:
        return 3;
    case PngColorType::kRgba:
        return 4;
    case PngColorType::kGreyAlpha:
        return 2;
    default:
        return 1;
    }
}

size_t PngForm::TranslucentCount() const
{
    size_t theCount = 0;
    while (theCount < mColors.size() && mColors[theCount][3] != 255) {
        ++theCount;
    }
    // An indexed picture's palette is in its own order: then every entry up to the last
    // translucent one needs a value.
    for (size_t theIndex = theCount; theIndex < mColors.size(); ++theIndex) {
        if (mColors[theIndex][3] != 255) {
            theCount = theIndex + 1;
        }
    }
    return theCount;
}

uint8_t PngForm::IndexOf(uint32_t inColor) const
{
    size_t theSlot = HashOf(inColor);
    while (mSlots[theSlot] != 0 && mKeys[theSlot] != inColor) {
        theSlot = (theSlot + 1) % kHashSlots;
    }
    return uint8_t(mSlots[theSlot] - 1);  // every colour of the picture was seen by the scan
}

void PngForm::PackIndexedRow(const uint8_t* inPixels, uint8_t* outRow) const
{
    std::memset(outRow, 0, mRowBytes);
    const int thePerByte = 8 / mBitDepth;
    uint32_t theLast = LoadPixel(inPixels);
    uint8_t theIndex = mColorType == PngColorType::kGrey ? 0 : IndexOf(theLast);
    const uint32_t theGreyStep = 255 / ((1u << mBitDepth) - 1);
    for (uint32_t theX = 0; theX < mWidth; ++theX) {
        const uint32_t theColor = LoadPixel(inPixels + size_t(theX) * 4);
        if (theX == 0 || theColor != theLast) {
            theLast = theColor;
            theIndex = mColorType == PngColorType::kGrey ? uint8_t((theColor & 0xff) / theGreyStep) : IndexOf(theColor);
        }
        const int theShift = 8 - mBitDepth * (int(theX % uint32_t(thePerByte)) + 1);
        outRow[theX / uint32_t(thePerByte)] |= uint8_t(theIndex << theShift);
    }
}

bool PngForm::RepeatsRow(uint32_t inY) const
{
    if (mIndexedRows != nullptr) {
        return std::memcmp(mIndexedRows + mRowBytes * inY, mIndexedRows + mRowBytes * (inY - 1), mRowBytes) == 0;
    }
    return std::memcmp(mPicture.Row(inY), mPicture.Row(inY - 1), size_t(mWidth) * 4) == 0;
}

void PngForm::PackRow(uint32_t inY, uint8_t* outRow) const
{
    if (mIndexedRows != nullptr) {
        std::memcpy(outRow, mIndexedRows + mRowBytes * inY, mRowBytes);
        return;
    }
    const uint8_t* theIn = mPicture.Row(inY);
    switch (mColorType) {
    case PngColorType::kRgb:
        for (uint32_t theX = 0; theX < mWidth; ++theX, theIn += 4, outRow += 3) {
            outRow[0] = theIn[2];
            outRow[1] = theIn[1];
            outRow[2] = theIn[0];
        }
        break;
    case PngColorType::kRgba:
        for (uint32_t theX = 0; theX < mWidth; ++theX, theIn += 4, outRow += 4) {
            outRow[0] = theIn[2];
            outRow[1] = theIn[1];
            outRow[2] = theIn[0];
            outRow[3] = theIn[3];
        }
        break;
    case PngColorType::kGreyAlpha:
        for (uint32_t theX = 0; theX < mWidth; ++theX, theIn += 4, outRow += 2) {
            outRow[0] = theIn[2];
            outRow[1] = theIn[3];
        }
        break;
    case PngColorType::kGrey:
        if (mBitDepth == 8) {
            for (uint32_t theX = 0; theX < mWidth; ++theX) {
                outRow[theX] = theIn[size_t(theX) * 4 + 2];
            }
            break;
        }
        PackIndexedRow(theIn, outRow);
        break;
    case PngColorType::kPalette:
        PackIndexedRow(theIn, outRow);
        break;
    }
}

}  // namespace vx::codecs
