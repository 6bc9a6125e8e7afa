#include "PictureBombs.h"

#include "CodecTestSupport.h"

namespace vx::codecs::test {

namespace {

void Put16(ByteVector& ioBytes, uint32_t inValue)
{
    ioBytes.push_back(uint8_t(inValue));
    ioBytes.push_back(uint8_t(inValue >> 8));
}

void Put32(ByteVector& ioBytes, uint32_t inValue)
{
    Put16(ioBytes, inValue & 0xFFFF);
    Put16(ioBytes, inValue >> 16);
}

// One little-endian directory entry of a single value.
void PutEntry(ByteVector& ioBytes, uint16_t inTag, uint16_t inType, uint32_t inValue)
{
    Put16(ioBytes, inTag);
    Put16(ioBytes, inType);
    Put32(ioBytes, 1);
    if (inType == 3) {
        Put16(ioBytes, inValue);
        Put16(ioBytes, 0);
    } else {
        Put32(ioBytes, inValue);
    }
}

}  // namespace

ByteVector TiledTiffPages(uint32_t inWidth, uint32_t inHeight, uint32_t inPages)
{
    constexpr uint16_t kShort = 3;
    constexpr uint16_t kLong = 4;
    constexpr uint32_t kDirectorySize = 2 + 10 * 12 + 4;
    ByteVector theFile = {'I', 'I', 42, 0};
    Put32(theFile, 8);
    for (uint32_t thePage = 0; thePage < inPages; ++thePage) {
        const uint32_t theNext = thePage + 1 < inPages ? uint32_t(theFile.size()) + kDirectorySize : 0;
        Put16(theFile, 10);
        PutEntry(theFile, 256, kLong, inWidth);
        PutEntry(theFile, 257, kLong, inHeight);
        PutEntry(theFile, 258, kShort, 8);  // bits per sample
        PutEntry(theFile, 259, kShort, 1);  // no compression
        PutEntry(theFile, 262, kShort, 1);  // black is zero
        PutEntry(theFile, 277, kShort, 1);  // samples per pixel
        PutEntry(theFile, 322, kLong, 16);  // tile width
        PutEntry(theFile, 323, kLong, 16);  // tile length
        PutEntry(theFile, 324, kLong, 0);   // the one tile offset: the header
        PutEntry(theFile, 325, kLong, 8);   // its byte count
        Put32(theFile, theNext);
    }
    return theFile;
}

ByteVector GifFrames(uint32_t inWidth, uint32_t inHeight, uint32_t inFrames)
{
    ByteVector theFile = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(theFile, inWidth);
    Put16(theFile, inHeight);
    // A global table of two colours: black and white.
    theFile.insert(theFile.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF});
    for (uint32_t theFrame = 0; theFrame < inFrames; ++theFrame) {
        theFile.insert(theFile.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0});
        // Code size 2: clear (4), index 0, end (5) in three 3-bit codes.
        theFile.insert(theFile.end(), {2, 2, 0x44, 0x01, 0});
    }
    theFile.push_back(0x3B);
    return theFile;
}

ByteVector LosslessWebpHeader(uint32_t inWidth, uint32_t inHeight)
{
    const uint32_t theSizes = (inWidth - 1) | (inHeight - 1) << 14;
    ByteVector thePayload = {0x2F, uint8_t(theSizes), uint8_t(theSizes >> 8), uint8_t(theSizes >> 16),
                             uint8_t(theSizes >> 24)};
    thePayload.resize(thePayload.size() + 11, 0);
    ByteVector theFile = {'R', 'I', 'F', 'F'};
    Put32(theFile, uint32_t(4 + 8 + thePayload.size()));
    theFile.insert(theFile.end(), {'W', 'E', 'B', 'P', 'V', 'P', '8', 'L'});
    Put32(theFile, uint32_t(thePayload.size()));
    theFile.insert(theFile.end(), thePayload.begin(), thePayload.end());
    return theFile;
}

ByteVector RleBmp(uint32_t inWidth, uint32_t inHeight)
{
    constexpr uint32_t kPixels = 14 + 40 + 2 * 4;
    ByteVector theFile = {'B', 'M'};
    Put32(theFile, kPixels + 2);
    Put32(theFile, 0);
    Put32(theFile, kPixels);
    Put32(theFile, 40);
    Put32(theFile, inWidth);
    Put32(theFile, inHeight);
    Put16(theFile, 1);  // planes
    Put16(theFile, 8);  // bits per pixel
    Put32(theFile, 1);  // run-length, 8 bits
    Put32(theFile, 2);  // data size
    Put32(theFile, 2835);
    Put32(theFile, 2835);
    Put32(theFile, 2);  // colours used
    Put32(theFile, 0);
    theFile.insert(theFile.end(), {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0});
    theFile.insert(theFile.end(), {0, 1});  // end of bitmap
    return theFile;
}

ByteVector ZeroPng(uint32_t inWidth, uint32_t inHeight)
{
    const std::vector<ByteVector> theRows(inHeight, ByteVector((inWidth + 7) / 8, 0));
    return WritePngWithLibrary(PngSpec(inWidth, inHeight, 1, 0), theRows);
}

ByteVector ProgressiveJpegClaiming(uint16_t inWidth, uint16_t inHeight)
{
    JpegSpec theSpec(16, 16, 1);
    theSpec.mProgressive = true;
    ByteVector theFile = WriteJpegWithLibrary(theSpec, ByteVector(16 * 16, 128));
    for (size_t thePos = 2; thePos + 9 < theFile.size(); ++thePos) {
        if (theFile[thePos] == 0xFF && theFile[thePos + 1] == 0xC2) {
            theFile[thePos + 5] = uint8_t(inHeight >> 8);
            theFile[thePos + 6] = uint8_t(inHeight);
            theFile[thePos + 7] = uint8_t(inWidth >> 8);
            theFile[thePos + 8] = uint8_t(inWidth);
            break;
        }
    }
    return theFile;
}

}  // namespace vx::codecs::test
