#include "Upright.h"

#include <cstring>

namespace vximaging {

namespace {

class TiffReader {
public:
    TiffReader(const std::uint8_t* inBytes, std::size_t inSize) : mBytes(inBytes), mSize(inSize) {}

    bool Start()
    {
        if (mSize < 8)
            return false;
        if (mBytes[0] == 'I' && mBytes[1] == 'I')
            mLittle = true;
        else if (!(mBytes[0] == 'M' && mBytes[1] == 'M'))
            return false;
        return Read16(2) == 42;
    }

    std::uint32_t Read16(std::size_t inAt) const
    {
        if (inAt + 2 > mSize)
            return 0;
        return mLittle ? mBytes[inAt] | mBytes[inAt + 1] << 8 : mBytes[inAt] << 8 | mBytes[inAt + 1];
    }

    std::uint32_t Read32(std::size_t inAt) const
    {
        if (inAt + 4 > mSize)
            return 0;
        return mLittle ? Read16(inAt) | Read16(inAt + 2) << 16 : Read16(inAt) << 16 | Read16(inAt + 2);
    }

    std::size_t Size() const { return mSize; }

private:
    const std::uint8_t* mBytes;
    std::size_t mSize;
    bool mLittle = false;
};

int OrientationInTiff(const std::uint8_t* inBytes, std::size_t inSize)
{
    TiffReader theTiff(inBytes, inSize);
    if (!theTiff.Start())
        return 1;
    const std::size_t theDirectory = theTiff.Read32(4);
    if (theDirectory < 8 || theDirectory + 2 > theTiff.Size())
        return 1;
    const std::uint32_t theCount = theTiff.Read16(theDirectory);
    constexpr std::uint32_t kOrientationTag = 0x0112;
    constexpr std::uint32_t kShortType = 3;
    for (std::uint32_t i = 0; i < theCount; ++i) {
        const std::size_t theEntry = theDirectory + 2 + std::size_t(i) * 12;
        if (theEntry + 12 > theTiff.Size())
            return 1;
        if (theTiff.Read16(theEntry) != kOrientationTag)
            continue;
        if (theTiff.Read16(theEntry + 2) != kShortType || theTiff.Read32(theEntry + 4) != 1)
            return 1;
        const std::uint32_t theValue = theTiff.Read16(theEntry + 8);
        return theValue >= 1 && theValue <= 8 ? int(theValue) : 1;
    }
    return 1;
}

}  // namespace

int JpegOrientation(const std::uint8_t* inBytes, std::size_t inSize)
{
    if (inSize < 4 || inBytes[0] != 0xFF || inBytes[1] != 0xD8)
        return 1;
    std::size_t theAt = 2;
    // The EXIF block comes before the picture data; the scan stops there.
    while (theAt + 4 <= inSize) {
        if (inBytes[theAt] != 0xFF)
            return 1;
        const std::uint8_t theMarker = inBytes[theAt + 1];
        if (theMarker == 0xFF) {
            ++theAt;  // fill byte
            continue;
        }
        if (theMarker == 0xD8 || theMarker == 0x01 || (theMarker >= 0xD0 && theMarker <= 0xD7)) {
            theAt += 2;  // no length follows
            continue;
        }
        if (theMarker == 0xDA || theMarker == 0xD9)
            return 1;
        const std::size_t theLength = std::size_t(inBytes[theAt + 2]) << 8 | inBytes[theAt + 3];
        if (theLength < 2 || theAt + 2 + theLength > inSize)
            return 1;
        const std::uint8_t* theData = inBytes + theAt + 4;
        const std::size_t theDataSize = theLength - 2;
        static constexpr std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
        if (theMarker == 0xE1 && theDataSize >= sizeof kExif && std::memcmp(theData, kExif, sizeof kExif) == 0)
            return OrientationInTiff(theData + sizeof kExif, theDataSize - sizeof kExif);
        theAt += 2 + theLength;
    }
    return 1;
}

void MakeUpright(int inOrientation, std::vector<std::uint8_t>& ioPixels, std::uint32_t& ioWidth,
                 std::uint32_t& ioHeight)
{
    if (inOrientation < 2 || inOrientation > 8)
        return;
    const std::size_t w = ioWidth;
    const std::size_t h = ioHeight;
    const bool theSwap = SwapsSides(inOrientation);
    const std::size_t theWidth = theSwap ? h : w;
    const std::size_t theHeight = theSwap ? w : h;
    std::vector<std::uint8_t> theUpright(ioPixels.size());
    const std::uint8_t* theSource = ioPixels.data();
    std::uint8_t* theTarget = theUpright.data();
    for (std::size_t y = 0; y < theHeight; ++y)
        for (std::size_t x = 0; x < theWidth; ++x) {
            // The stored pixel seen at (x, y).
            std::size_t sx = x;
            std::size_t sy = y;
            switch (inOrientation) {
            case 2:
                sx = w - 1 - x;
                break;
            case 3:
                sx = w - 1 - x;
                sy = h - 1 - y;
                break;
            case 4:
                sy = h - 1 - y;
                break;
            case 5:
                sx = y;
                sy = x;
                break;
            case 6:
                sx = y;
                sy = h - 1 - x;
                break;
            case 7:
                sx = w - 1 - y;
                sy = h - 1 - x;
                break;
            case 8:
                sx = w - 1 - y;
                sy = x;
                break;
            default:
                break;
            }
            std::memcpy(theTarget + (y * theWidth + x) * 4, theSource + (sy * w + sx) * 4, 4);
        }
    ioPixels.swap(theUpright);
    ioWidth = std::uint32_t(theWidth);
    ioHeight = std::uint32_t(theHeight);
}

}  // namespace vximaging
