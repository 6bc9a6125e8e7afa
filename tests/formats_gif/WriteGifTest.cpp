#include "vellumax/formats/Writegif.h"
#include "GifMemory.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Components whose low bytes differ from their high bytes, so a writer that takes
// the wrong byte is caught; the expected table bytes are the high bytes.
std::uint8_t ExpectedRed(int inIndex)
{
    return static_cast<std::uint8_t>(inIndex);
}
std::uint8_t ExpectedGreen(int inIndex)
{
    return static_cast<std::uint8_t>(255 - inIndex);
}
std::uint8_t ExpectedBlue(int inIndex)
{
    return static_cast<std::uint8_t>(inIndex * 7);
}

// Exactly inCount entries: reading past them is caught by the sanitizer build.
std::vector<GifColorEntry> MakeTable(int inCount)
{
    std::vector<GifColorEntry> theTable(static_cast<std::size_t>(inCount));
    for (int theIndex = 0; theIndex < inCount; ++theIndex) {
        theTable[theIndex].value = static_cast<std::uint16_t>(theIndex);
        theTable[theIndex].rgb.red = static_cast<std::uint16_t>(ExpectedRed(theIndex) << 8 | 0x55);
        theTable[theIndex].rgb.green = static_cast<std::uint16_t>(ExpectedGreen(theIndex) << 8 | 0x11);
        theTable[theIndex].rgb.blue = static_cast<std::uint16_t>(ExpectedBlue(theIndex) << 8 | 0xAA);
    }
    return theTable;
}

struct Picture {
    std::int32_t mWidth = 0;
    std::int32_t mHeight = 0;
    std::int32_t mColorCount = 256;
    std::int32_t mTransparent = -1;
    bool mInterlace = false;
    std::int32_t mRowStride = 0;
    Bytes mPixels;  // mHeight rows of mRowStride bytes
};

// Row y, column x holds inValue(x, y); the bytes beyond the width are 0xEE.
template <typename Fn>
Picture MakePicture(std::int32_t inWidth, std::int32_t inHeight, std::int32_t inColorCount, Fn inValue,
                    std::int32_t inStridePad = 0)
{
    Picture thePicture;
    thePicture.mWidth = inWidth;
    thePicture.mHeight = inHeight;
    thePicture.mColorCount = inColorCount;
    thePicture.mRowStride = inWidth + inStridePad;
    thePicture.mPixels.assign(static_cast<std::size_t>(thePicture.mRowStride) * inHeight, 0xEE);
    for (std::int32_t theY = 0; theY < inHeight; ++theY) {
        for (std::int32_t theX = 0; theX < inWidth; ++theX) {
            thePicture.mPixels[static_cast<std::size_t>(theY) * thePicture.mRowStride + theX] =
                static_cast<std::uint8_t>(inValue(theX, theY));
        }
    }
    return thePicture;
}

std::optional<Bytes> TakeBuffer(const GifBytes& inBuffer, std::int32_t inLength)
{
    if (inBuffer == nullptr) {
        EXPECT_EQ(inLength, 0);
        return std::nullopt;
    }
    return Bytes(inBuffer.get(), inBuffer.get() + inLength);
}

std::optional<Bytes> Encode(const Picture& inPicture, std::optional<std::int64_t> inCapacity = std::nullopt)
{
    const std::vector<GifColorEntry> theTable = MakeTable(inPicture.mColorCount);
    std::int32_t theLength = -1;
    GifBytes theBuffer;
    if (inCapacity) {
        theBuffer = WritegifDetail::EncodeGifWithCapacity(*inCapacity, inPicture.mWidth, inPicture.mHeight,
                                                          inPicture.mColorCount, theTable.data(),
                                                          inPicture.mTransparent, inPicture.mInterlace ? 1 : 0,
                                                          inPicture.mRowStride, inPicture.mPixels.data(), theLength);
    } else {
        theBuffer = EncodeGif(inPicture.mWidth, inPicture.mHeight, inPicture.mColorCount, theTable.data(),
                              inPicture.mTransparent, inPicture.mInterlace ? 1 : 0, inPicture.mRowStride,
                              inPicture.mPixels.data(), theLength);
    }
    return TakeBuffer(theBuffer, theLength);
}

// The LZW codes of a writer's single image, read at a fixed width (the writer never
// widens them), with the sub-block lengths it used.
struct CodeStream {
    std::uint8_t mCodeSize = 0;
    std::vector<std::uint32_t> mCodes;
    std::vector<std::uint8_t> mBlockLengths;
    std::size_t mTrailerOffset = 0;
};

CodeStream ReadCodes(const Bytes& inFile)
{
    CodeStream theStream;
    const int theTableBits = (inFile.at(10) & 0x07) + 1;
    std::size_t thePos = 13 + 3 * (std::size_t{1} << theTableBits);
    if (inFile.at(thePos) == 0x21) {
        thePos += 8;
    }
    EXPECT_EQ(inFile.at(thePos), 0x2C);
    thePos += 10;
    theStream.mCodeSize = inFile.at(thePos++);
    Bytes theData;
    while (const std::uint8_t theLength = inFile.at(thePos++)) {
        theStream.mBlockLengths.push_back(theLength);
        theData.insert(theData.end(), inFile.begin() + static_cast<std::ptrdiff_t>(thePos),
                       inFile.begin() + static_cast<std::ptrdiff_t>(thePos + theLength));
        thePos += theLength;
    }
    theStream.mTrailerOffset = thePos;

    const std::uint32_t theWidth = theStream.mCodeSize + 1u;
    const std::uint32_t theEnd = (1u << theStream.mCodeSize) + 1;
    std::size_t theBit = 0;
    while (theBit + theWidth <= theData.size() * 8) {
        std::uint32_t theCode = 0;
        for (std::uint32_t theIndex = 0; theIndex < theWidth; ++theIndex, ++theBit) {
            theCode |= ((theData[theBit / 8] >> (theBit % 8)) & 1u) << theIndex;
        }
        theStream.mCodes.push_back(theCode);
        if (theCode == theEnd) {
            // Only zero padding may follow the end code, within its last byte.
            EXPECT_EQ(theData.size(), (theBit + 7) / 8);
            for (; theBit < theData.size() * 8; ++theBit) {
                EXPECT_EQ((theData[theBit / 8] >> (theBit % 8)) & 1u, 0u) << "bit " << theBit;
            }
            break;
        }
    }
    return theStream;
}

// -- Whole files, byte for byte ---------------------------------------------------

Bytes OnePixelFile(bool inTransparent)
{
    Bytes theFile = {'G',  'I',  'F',  '8', static_cast<std::uint8_t>(inTransparent ? '9' : '7'),
                     'a',  0x01, 0x00,  // screen width 1
                     0x01, 0x00,        // screen height 1
                     0xF7,              // global table, resolution 8, table size 8
                     0x00, 0x00};       // background 0, no aspect ratio
    for (int theIndex = 0; theIndex < 256; ++theIndex) {
        theFile.insert(theFile.end(), {ExpectedRed(theIndex), ExpectedGreen(theIndex), ExpectedBlue(theIndex)});
    }
    if (inTransparent) {
        theFile.insert(theFile.end(), {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x05, 0x00});
    }
    theFile.insert(theFile.end(), {0x2C, 0x00, 0x00, 0x00, 0x00,  // image separator, left 0, top 0
                                   0x01, 0x00, 0x01, 0x00,        // width 1, height 1
                                   0x00,                          // not interlaced, no local table
                                   0x08,                          // minimum code size
                                   0x04,                          // one sub-block of 4 bytes:
                                   0x00, 0x4B, 0x05, 0x04,        //   clear 256, pixel 0xA5, end 257 as 9-bit codes
                                   0x00,                          // block terminator
                                   0x3B});                        // trailer
    return theFile;
}

TEST(WritegifFile, OnePixelOf256ColoursIsVersion87aByteForByte)
{
    const Picture thePicture = MakePicture(1, 1, 256, [](int, int) { return 0xA5; });
    const std::optional<Bytes> theFile = Encode(thePicture);
    ASSERT_TRUE(theFile);
    EXPECT_EQ(*theFile, OnePixelFile(false));
}

TEST(WritegifFile, TransparentIndexGives89aAndTheGraphicControlExtension)
{
    Picture thePicture = MakePicture(1, 1, 256, [](int, int) { return 0xA5; });
    thePicture.mTransparent = 5;
    const std::optional<Bytes> theFile = Encode(thePicture);
    ASSERT_TRUE(theFile);
    EXPECT_EQ(*theFile, OnePixelFile(true));
}

TEST(WritegifFile, InterlacedSingleRowDiffersOnlyInTheDescriptorFlag)
{
    Picture thePicture = MakePicture(5, 1, 16, [](int inX, int) { return inX * 3; });
    const std::optional<Bytes> thePlain = Encode(thePicture);
    thePicture.mInterlace = true;
    const std::optional<Bytes> theInterlaced = Encode(thePicture);
    ASSERT_TRUE(thePlain && theInterlaced);
    ASSERT_EQ(thePlain->size(), theInterlaced->size());
    const std::size_t theFlag = 13 + 3 * 16 + 9;
    EXPECT_EQ((*thePlain)[theFlag], 0x00);
    EXPECT_EQ((*theInterlaced)[theFlag], 0x40);
    Bytes theExpected = *thePlain;
    theExpected[theFlag] = 0x40;
    EXPECT_EQ(*theInterlaced, theExpected);
}

// -- Sizes from the colour count ----------------------------------------------------

struct SizeCase {
    std::int32_t mColorCount;
    std::uint8_t mPacked;
    int mTableEntries;
    std::uint8_t mCodeSize;
};

class WritegifSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(WritegifSizes, ScreenPackedByteTableAndCodeSize)
{
    const SizeCase& theCase = GetParam();
    const Picture thePicture = MakePicture(3, 2, theCase.mColorCount, [](int, int) { return 0; });
    const std::optional<Bytes> theFile = Encode(thePicture);
    ASSERT_TRUE(theFile);
    EXPECT_EQ((*theFile)[10], theCase.mPacked);
    for (int theIndex = 0; theIndex < theCase.mTableEntries; ++theIndex) {
        const bool theUsed = theIndex < theCase.mColorCount;
        const std::size_t theAt = 13 + 3 * static_cast<std::size_t>(theIndex);
        EXPECT_EQ((*theFile)[theAt], theUsed ? ExpectedRed(theIndex) : 0) << theIndex;
        EXPECT_EQ((*theFile)[theAt + 1], theUsed ? ExpectedGreen(theIndex) : 0) << theIndex;
        EXPECT_EQ((*theFile)[theAt + 2], theUsed ? ExpectedBlue(theIndex) : 0) << theIndex;
    }
    const std::size_t theDescriptor = 13 + 3 * static_cast<std::size_t>(theCase.mTableEntries);
    EXPECT_EQ((*theFile)[theDescriptor], 0x2C);
    EXPECT_EQ((*theFile)[theDescriptor + 10], theCase.mCodeSize);
}

INSTANTIATE_TEST_SUITE_P(ColourCounts, WritegifSizes,
                         ::testing::Values(SizeCase{1, 0x80, 2, 2}, SizeCase{2, 0x80, 2, 2}, SizeCase{3, 0x91, 4, 2},
                                           SizeCase{4, 0x91, 4, 2}, SizeCase{5, 0xA2, 8, 3}, SizeCase{16, 0xB3, 16, 4},
                                           SizeCase{17, 0xC4, 32, 5}, SizeCase{129, 0xF7, 256, 8},
                                           SizeCase{256, 0xF7, 256, 8}),
                         [](const auto& inInfo) { return "Colours" + std::to_string(inInfo.param.mColorCount); });

// -- The code stream ----------------------------------------------------------------

struct CadenceCase {
    const char* mName;
    std::int32_t mColorCount;
    std::int32_t mWidth;
    std::int32_t mHeight;
    std::uint32_t mClearCode;
    std::int32_t mPixelsPerClear;
};

class WritegifCadence : public ::testing::TestWithParam<CadenceCase> {};

// Every pixel is a literal code, and a clear code follows each run of literals
// that fills the decoder's table up to the code width, counted across rows.
TEST_P(WritegifCadence, ClearCodeFollowsEveryFullRunOfLiterals)
{
    const CadenceCase& theCase = GetParam();
    const Picture thePicture = MakePicture(theCase.mWidth, theCase.mHeight, theCase.mColorCount,
                                           [&](int inX, int inY) { return (inX * 5 + inY + 1) % theCase.mColorCount; });
    const std::optional<Bytes> theFile = Encode(thePicture);
    ASSERT_TRUE(theFile);
    const CodeStream theStream = ReadCodes(*theFile);

    std::vector<std::uint32_t> theExpected = {theCase.mClearCode};
    for (std::int32_t theIndex = 0; theIndex < theCase.mWidth * theCase.mHeight; ++theIndex) {
        theExpected.push_back(thePicture.mPixels[theIndex]);
        if ((theIndex + 1) % theCase.mPixelsPerClear == 0) {
            theExpected.push_back(theCase.mClearCode);
        }
    }
    theExpected.push_back(theCase.mClearCode + 1);
    EXPECT_EQ(theStream.mCodes, theExpected);
    EXPECT_EQ(theFile->size(), theStream.mTrailerOffset + 1);
    EXPECT_EQ(theFile->back(), 0x3B);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, WritegifCadence,
    ::testing::Values(CadenceCase{"Colours256Pixels255", 256, 255, 1, 256, 254},
                      CadenceCase{"Colours256Pixels254", 256, 254, 1, 256, 254},
                      CadenceCase{"Colours256Pixels5000", 256, 5000, 1, 256, 254},
                      CadenceCase{"Colours2Pixels7", 2, 7, 1, 4, 2}, CadenceCase{"Colours3Pixels9", 3, 9, 1, 4, 2},
                      CadenceCase{"Colours4Pixels8", 4, 8, 1, 4, 2}, CadenceCase{"Colours8Pixels40", 8, 40, 1, 8, 6},
                      CadenceCase{"Colours16Pixels100", 16, 100, 1, 16, 14},
                      CadenceCase{"Colours17Pixels100", 17, 100, 1, 32, 30},
                      CadenceCase{"Colours128Pixels3000", 128, 3000, 1, 128, 126},
                      CadenceCase{"Colours256Rows100x7", 256, 100, 7, 256, 254},
                      CadenceCase{"Colours2Rows3x5", 2, 3, 5, 4, 2}, CadenceCase{"Colours16Rows9x4", 16, 9, 4, 16, 14}),
    [](const auto& inInfo) { return std::string(inInfo.param.mName); });

TEST(WritegifCodes, SubBlocksAreFullExceptTheLast)
{
    const Picture thePicture = MakePicture(997, 3, 256, [](int inX, int inY) { return inX ^ inY; });
    const std::optional<Bytes> theFile = Encode(thePicture);
    ASSERT_TRUE(theFile);
    const CodeStream theStream = ReadCodes(*theFile);
    ASSERT_GT(theStream.mBlockLengths.size(), 2u);
    for (std::size_t theIndex = 0; theIndex + 1 < theStream.mBlockLengths.size(); ++theIndex) {
        EXPECT_EQ(theStream.mBlockLengths[theIndex], 255) << "block " << theIndex;
    }
    EXPECT_GT(theStream.mBlockLengths.back(), 0);
}

TEST(WritegifCodes, InterlacedRowsComeInFourPasses)
{
    Picture thePicture = MakePicture(1, 10, 16, [](int, int inY) { return inY; });
    thePicture.mInterlace = true;
    const std::optional<Bytes> theFile = Encode(thePicture);
    ASSERT_TRUE(theFile);
    // 16 colours: 5-bit codes, clear 16, end 17, a clear after every 14 literals.
    const std::vector<std::uint32_t> theExpected = {16, 0, 8, 4, 2, 6, 1, 3, 5, 7, 9, 17};
    EXPECT_EQ(ReadCodes(*theFile).mCodes, theExpected);
}

// -- Read back by an independent decoder ------------------------------------------------

struct GifCloser {
    void operator()(GifFileType* inGif) const
    {
        int theError = 0;
        DGifCloseFile(inGif, &theError);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

struct RoundTripCase {
    const char* mName;
    std::int32_t mWidth;
    std::int32_t mHeight;
    std::int32_t mColorCount;
    bool mInterlace;
    std::int32_t mStridePad;
    std::int32_t mTransparent;
};

class WritegifRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(WritegifRoundTrip, DecoderGetsThePixelsAndColours)
{
    const RoundTripCase& theCase = GetParam();
    std::mt19937 theRandom(static_cast<unsigned>(theCase.mWidth * 131 + theCase.mHeight));
    Picture thePicture = MakePicture(
        theCase.mWidth, theCase.mHeight, theCase.mColorCount,
        [&](int, int) { return theRandom() % theCase.mColorCount; }, theCase.mStridePad);
    thePicture.mInterlace = theCase.mInterlace;
    thePicture.mTransparent = theCase.mTransparent;
    const std::optional<Bytes> theFile = Encode(thePicture);
    ASSERT_TRUE(theFile);

    vxtest::GifMemory theReader{&*theFile};
    int theError = 0;
    GifHandle theGif(DGifOpen(&theReader, vxtest::ReadGifMemory, &theError));
    ASSERT_TRUE(theGif) << GifErrorString(theError);
    ASSERT_EQ(DGifSlurp(theGif.get()), GIF_OK) << GifErrorString(theGif->Error);
    EXPECT_EQ(theGif->SWidth, theCase.mWidth);
    EXPECT_EQ(theGif->SHeight, theCase.mHeight);
    ASSERT_EQ(theGif->ImageCount, 1);

    ASSERT_NE(theGif->SColorMap, nullptr);
    int theEntries = 2;
    while (theEntries < theCase.mColorCount) {
        theEntries *= 2;
    }
    ASSERT_EQ(theGif->SColorMap->ColorCount, theEntries);
    for (int theIndex = 0; theIndex < theCase.mColorCount; ++theIndex) {
        const GifColorType& theColor = theGif->SColorMap->Colors[theIndex];
        EXPECT_EQ(theColor.Red, ExpectedRed(theIndex));
        EXPECT_EQ(theColor.Green, ExpectedGreen(theIndex));
        EXPECT_EQ(theColor.Blue, ExpectedBlue(theIndex));
    }

    const SavedImage& theImage = theGif->SavedImages[0];
    EXPECT_EQ(theImage.ImageDesc.Width, theCase.mWidth);
    EXPECT_EQ(theImage.ImageDesc.Height, theCase.mHeight);
    EXPECT_EQ(theImage.ImageDesc.Interlace, theCase.mInterlace);
    int theMismatches = 0;
    for (std::int32_t theY = 0; theY < theCase.mHeight; ++theY) {
        for (std::int32_t theX = 0; theX < theCase.mWidth; ++theX) {
            const std::uint8_t theWritten =
                thePicture.mPixels[static_cast<std::size_t>(theY) * thePicture.mRowStride + theX];
            const std::uint8_t theRead = theImage.RasterBits[static_cast<std::size_t>(theY) * theCase.mWidth + theX];
            theMismatches += theWritten != theRead;
        }
    }
    EXPECT_EQ(theMismatches, 0);

    GraphicsControlBlock theControl{};
    const bool theHasControl = DGifSavedExtensionToGCB(theGif.get(), 0, &theControl) == GIF_OK;
    EXPECT_EQ(theHasControl, theCase.mTransparent >= 0);
    if (theHasControl) {
        EXPECT_EQ(theControl.TransparentColor, theCase.mTransparent);
        EXPECT_EQ(theControl.DelayTime, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, WritegifRoundTrip,
                         ::testing::Values(RoundTripCase{"Single256", 1, 1, 256, false, 0, -1},
                                           RoundTripCase{"Odd256", 37, 23, 256, false, 0, -1},
                                           RoundTripCase{"Odd256Interlaced", 37, 23, 256, true, 0, -1},
                                           RoundTripCase{"Wide256Padded", 641, 9, 256, false, 7, -1},
                                           RoundTripCase{"Tall256Interlaced", 3, 301, 256, true, 5, 200},
                                           RoundTripCase{"Square256Transparent", 128, 128, 256, false, 0, 0},
                                           RoundTripCase{"Odd2", 33, 17, 2, false, 0, -1},
                                           RoundTripCase{"Odd2Interlaced", 33, 17, 2, true, 3, 1},
                                           RoundTripCase{"Odd4", 51, 13, 4, false, 1, -1},
                                           RoundTripCase{"Odd4Interlaced", 51, 13, 4, true, 0, -1},
                                           RoundTripCase{"Odd16", 99, 31, 16, false, 13, 15},
                                           RoundTripCase{"Odd16Interlaced", 99, 31, 16, true, 0, -1},
                                           RoundTripCase{"Large256", 1000, 333, 256, false, 24, -1}),
                         [](const auto& inInfo) { return std::string(inInfo.param.mName); });

// -- Capacity and refusals ---------------------------------------------------------------

// The last byte of the buffer is never used, so a file of n bytes needs n + 1;
// any smaller capacity gives null, never a shortened file.
TEST(WritegifCapacity, FileFitsOnlyWithOneSpareByte)
{
    const Picture thePictures[] = {
        MakePicture(1, 1, 256, [](int, int) { return 7; }),
        MakePicture(23, 5, 4, [](int inX, int inY) { return (inX + inY) % 4; }),
        MakePicture(300, 3, 256, [](int inX, int inY) { return inX * inY; }),
    };
    for (const Picture& thePicture : thePictures) {
        const std::optional<Bytes> theFull = Encode(thePicture);
        ASSERT_TRUE(theFull);
        const auto theLength = static_cast<std::int64_t>(theFull->size());
        for (std::int64_t theCapacity = 0; theCapacity <= theLength; ++theCapacity) {
            EXPECT_FALSE(Encode(thePicture, theCapacity)) << thePicture.mWidth << " capacity " << theCapacity;
        }
        for (std::int64_t theCapacity : {theLength + 1, theLength + 2, theLength + 1000}) {
            const std::optional<Bytes> theFile = Encode(thePicture, theCapacity);
            ASSERT_TRUE(theFile) << thePicture.mWidth << " capacity " << theCapacity;
            EXPECT_EQ(*theFile, *theFull);
        }
    }
}

TEST(WritegifCapacity, ComputedWithoutWrapping)
{
    EXPECT_EQ(WritegifDetail::OutputCapacity(1, 1), 1025);
    EXPECT_EQ(WritegifDetail::OutputCapacity(32767, 32767), 1431569409);
    EXPECT_EQ(WritegifDetail::OutputCapacity(65535, 24576), 2147451904);
    // 40000 × 40000 × 4 wraps in 32 bits, to a buffer a third of the size needed.
    EXPECT_EQ(WritegifDetail::OutputCapacity(40000, 40000), 2133334357);
    EXPECT_EQ(WritegifDetail::OutputCapacity(46341, 46341), 2863318732);
    EXPECT_EQ(WritegifDetail::OutputCapacity(65535, 65535), 5726449324);
}

struct RefusalCase {
    const char* mName;
    std::int32_t mWidth;
    std::int32_t mHeight;
};

class WritegifRefusal : public ::testing::TestWithParam<RefusalCase> {};

// Refused before anything is allocated or read: the pixel buffer here is a single
// row, which any attempt to encode would overrun.
TEST_P(WritegifRefusal, GivesNullAndZeroLength)
{
    const RefusalCase& theCase = GetParam();
    const std::vector<GifColorEntry> theTable = MakeTable(256);
    const Bytes thePixels(65536, 0);
    std::int32_t theLength = 12345;
    const GifBytes theBuffer = EncodeGif(theCase.mWidth, theCase.mHeight, 256, theTable.data(), -1, 0, theCase.mWidth,
                                         thePixels.data(), theLength);
    EXPECT_EQ(theBuffer, nullptr);
    EXPECT_EQ(theLength, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, WritegifRefusal,
    ::testing::Values(RefusalCase{"CapacityOver2GiB", 46341, 46341}, RefusalCase{"CapacityJustOver32Bit", 65535, 24577},
                      RefusalCase{"LargestSides", 65535, 65535}, RefusalCase{"WidthOver16Bit", 65536, 1},
                      RefusalCase{"HeightOver16Bit", 1, 65536}, RefusalCase{"NegativeWidth", -1, 1},
                      RefusalCase{"NegativeHeight", 1, -3}, RefusalCase{"BothNegative", -40000, -40000}),
    [](const auto& inInfo) { return std::string(inInfo.param.mName); });

TEST(WritegifCapacity, ExplicitCapacityBeyond32BitIsRefused)
{
    const Picture thePicture = MakePicture(1, 1, 2, [](int, int) { return 1; });
    EXPECT_FALSE(Encode(thePicture, std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1));
    EXPECT_FALSE(Encode(thePicture, -1));
}

// The length of a literal file is known before it is written, so that it can be
// written straight into a buffer of exactly that size: random pictures across the
// colour counts (code widths), clear-code runs and sub-block boundaries.
TEST(WritegifCapacity, LiteralLengthIsExactAndTheFileFillsItsPlace)
{
    std::mt19937 theRandom(3);
    for (int theCase = 0; theCase < 200; ++theCase) {
        const std::int32_t theColors = 1 + std::int32_t(theRandom() % 256);
        Picture thePicture = MakePicture(1 + std::int32_t(theRandom() % 70), 1 + std::int32_t(theRandom() % 40),
                                         theColors, [&](int, int) { return int(theRandom() % unsigned(theColors)); });
        thePicture.mTransparent = theCase % 2 == 0 ? -1 : theColors - 1;
        thePicture.mInterlace = theCase % 3 == 0;
        const std::optional<Bytes> theFile = Encode(thePicture);
        ASSERT_TRUE(theFile);
        const std::int64_t theLength =
            LiteralGifLength(thePicture.mWidth, thePicture.mHeight, theColors, thePicture.mTransparent >= 0);
        ASSERT_EQ(theLength, std::int64_t(theFile->size())) << thePicture.mWidth << " x " << thePicture.mHeight;
        const std::vector<GifColorEntry> theTable = MakeTable(theColors);
        const GifRowSource theRows = [&thePicture](std::int32_t inRow) {
            return thePicture.mPixels.data() + std::ptrdiff_t(inRow) * thePicture.mRowStride;
        };
        // One guard byte past the place: never written.
        Bytes thePlace(std::size_t(theLength) + 1, 0xEE);
        ASSERT_TRUE(EncodeLiteralGifRowsInto(thePlace.data(), theLength, thePicture.mWidth, thePicture.mHeight,
                                             theColors, theTable.data(), thePicture.mTransparent,
                                             thePicture.mInterlace ? 1 : 0, theRows));
        EXPECT_EQ(thePlace.back(), 0xEE);
        thePlace.pop_back();
        EXPECT_EQ(thePlace, *theFile);
        EXPECT_FALSE(EncodeLiteralGifRowsInto(thePlace.data(), theLength - 1, thePicture.mWidth, thePicture.mHeight,
                                              theColors, theTable.data(), thePicture.mTransparent, 0, theRows));
    }
    EXPECT_EQ(LiteralGifLength(70000, 1, 2, false), -1);
}

}  // namespace
