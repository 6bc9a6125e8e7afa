// Compressed GIF codes: the files must read back exactly as the literal ones
// do, through giflib and through a small decoder of our own that also reports
// the code widths and clear codes it met.
#include "vellumax/formats/Writegif.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Indexed {
    int mWidth = 0;
    int mHeight = 0;
    int mColors = 256;
    bool mInterlace = false;
    Bytes mPixels;  // row-major, no padding
};

Bytes Encode(const Indexed& inPicture, GifCodes inCodes)
{
    std::vector<GifColorEntry> theTable(std::size_t(inPicture.mColors));
    for (int i = 0; i < inPicture.mColors; ++i)
        theTable[std::size_t(i)] = {std::uint16_t(i), {std::uint16_t(i << 8), std::uint16_t(i << 7), 0}};
    std::int32_t theLength = 0;
    const GifBytes theBuffer =
        EncodeGif(inPicture.mWidth, inPicture.mHeight, inPicture.mColors, theTable.data(), -1,
                  inPicture.mInterlace ? 1 : 0, inPicture.mWidth, inPicture.mPixels.data(), theLength, inCodes);
    if (theBuffer == nullptr)
        return {};
    return Bytes(theBuffer.get(), theBuffer.get() + theLength);
}

struct Reader {
    const Bytes* mData;
    std::size_t mAt = 0;
};

int ReadBytes(GifFileType* inFile, GifByteType* outBytes, int inCount)
{
    auto* theReader = static_cast<Reader*>(inFile->UserData);
    const std::size_t theCount = std::min<std::size_t>(std::size_t(inCount), theReader->mData->size() - theReader->mAt);
    std::memcpy(outBytes, theReader->mData->data() + theReader->mAt, theCount);
    theReader->mAt += theCount;
    return int(theCount);
}

// The indices in row order, as giflib gives them (it undoes the interlace).
::testing::AssertionResult DecodeWithGiflib(const Bytes& inFile, Bytes& outPixels)
{
    Reader theReader{&inFile};
    int theError = 0;
    GifFileType* theFile = DGifOpen(&theReader, ReadBytes, &theError);
    if (theFile == nullptr)
        return ::testing::AssertionFailure() << "DGifOpen " << theError;
    const bool theRead = DGifSlurp(theFile) == GIF_OK && theFile->ImageCount == 1;
    if (theRead) {
        const SavedImage& theImage = theFile->SavedImages[0];
        const std::size_t theCount = std::size_t(theImage.ImageDesc.Width) * std::size_t(theImage.ImageDesc.Height);
        outPixels.assign(theImage.RasterBits, theImage.RasterBits + theCount);
    }
    DGifCloseFile(theFile, &theError);
    if (!theRead)
        return ::testing::AssertionFailure() << "not one decodable image";
    return ::testing::AssertionSuccess();
}

// An independent LZW reader of the image data (in file row order), counting
// the widths it had to use and the clear codes after the first.
struct LzwTrace {
    Bytes mPixels;
    std::vector<int> mWidths;  // how many codes were read at each width
    int mClears = 0;
    bool mEnded = false;
};

LzwTrace ReadLzw(const Bytes& inFile)
{
    LzwTrace theTrace;
    theTrace.mWidths.assign(13, 0);
    std::size_t thePos = 13 + 3 * (std::size_t{1} << ((inFile.at(10) & 7) + 1));
    if (inFile.at(thePos) == 0x21)
        thePos += 8;
    thePos += 10;
    const int theMinimum = inFile.at(thePos++);
    Bytes theData;
    while (const std::uint8_t theLength = inFile.at(thePos++)) {
        theData.insert(theData.end(), inFile.begin() + std::ptrdiff_t(thePos),
                       inFile.begin() + std::ptrdiff_t(thePos + theLength));
        thePos += theLength;
    }
    const int theClear = 1 << theMinimum;
    std::vector<Bytes> theStrings;
    int theWidth = theMinimum + 1;
    int thePrevious = -1;
    std::size_t theBit = 0;
    auto Reset = [&] {
        theStrings.assign(std::size_t(theClear + 2), Bytes());
        for (int i = 0; i < theClear; ++i)
            theStrings[std::size_t(i)] = {std::uint8_t(i)};
        theWidth = theMinimum + 1;
        thePrevious = -1;
    };
    Reset();
    bool theFirst = true;
    while (theBit + std::size_t(theWidth) <= theData.size() * 8) {
        int theCode = 0;
        for (int i = 0; i < theWidth; ++i, ++theBit)
            theCode |= ((theData[theBit / 8] >> (theBit % 8)) & 1) << i;
        ++theTrace.mWidths[std::size_t(theWidth)];
        if (theCode == theClear) {
            theTrace.mClears += theFirst ? 0 : 1;
            theFirst = false;
            Reset();
            continue;
        }
        if (theCode == theClear + 1) {
            theTrace.mEnded = true;
            break;
        }
        Bytes theString;
        if (theCode < int(theStrings.size())) {
            theString = theStrings[std::size_t(theCode)];
            if (thePrevious >= 0 && theStrings.size() < 4096) {
                Bytes theEntry = theStrings[std::size_t(thePrevious)];
                theEntry.push_back(theString.at(0));
                theStrings.push_back(theEntry);
            }
        } else if (theCode == int(theStrings.size()) && thePrevious >= 0) {
            theString = theStrings[std::size_t(thePrevious)];
            theString.push_back(theString.at(0));
            theStrings.push_back(theString);
        } else {
            ADD_FAILURE() << "code " << theCode << " beyond the table of " << theStrings.size();
            break;
        }
        theTrace.mPixels.insert(theTrace.mPixels.end(), theString.begin(), theString.end());
        thePrevious = theCode;
        if (int(theStrings.size()) == (1 << theWidth) && theWidth < 12)
            ++theWidth;
    }
    return theTrace;
}

// Rows of inPicture in the order the file holds them.
Bytes FileOrder(const Indexed& inPicture)
{
    if (!inPicture.mInterlace)
        return inPicture.mPixels;
    Bytes theRows;
    for (const auto& [theFirst, theStep] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int y = theFirst; y < inPicture.mHeight; y += theStep)
            theRows.insert(theRows.end(), inPicture.mPixels.begin() + std::ptrdiff_t(y) * inPicture.mWidth,
                           inPicture.mPixels.begin() + std::ptrdiff_t(y + 1) * inPicture.mWidth);
    return theRows;
}

enum class Texture { kNoise, kRuns };

Indexed Random(std::mt19937& ioRandom, int inWidth, int inHeight, int inColors, Texture inTexture)
{
    Indexed thePicture{inWidth, inHeight, inColors, false, Bytes(std::size_t(inWidth) * std::size_t(inHeight))};
    std::uniform_int_distribution<int> theColor(0, inColors - 1);
    std::uniform_int_distribution<int> theRun(1, 40);
    std::uint8_t theCurrent = 0;
    int theLeft = 0;
    for (std::uint8_t& thePixel : thePicture.mPixels) {
        if (inTexture == Texture::kNoise) {
            thePixel = std::uint8_t(theColor(ioRandom));
            continue;
        }
        if (theLeft-- <= 0) {
            theCurrent = std::uint8_t(theColor(ioRandom));
            theLeft = theRun(ioRandom);
        }
        thePixel = theCurrent;
    }
    return thePicture;
}

// Every minimum code size from 2 to 8, noise that fills the table many times
// and runs that build long strings, interlaced or not: the compressed file
// decodes to the same indices as the literal one, by giflib and by the model,
// with every code width up to 12 in use and a clear whenever the table fills.
TEST(GifCompressedCodes, RandomPicturesDecodeAsTheLiteralOnes)
{
    std::mt19937 theRandom(18);
    for (int theColors : {2, 3, 4, 7, 16, 17, 64, 128, 255, 256}) {
        for (Texture theTexture : {Texture::kNoise, Texture::kRuns}) {
            for (bool theInterlace : {false, true}) {
                // Noise of few colours makes long strings: it takes more pixels to fill the table.
                const int theWidth = 120 + theColors % 37;
                const int theHeight =
                    theTexture == Texture::kRuns ? 23 : (theColors <= 16 ? 500 : 120) + theColors % 11;
                Indexed thePicture = Random(theRandom, theWidth, theHeight, theColors, theTexture);
                thePicture.mInterlace = theInterlace;
                SCOPED_TRACE(::testing::Message() << theColors << " colours, texture " << int(theTexture)
                                                  << (theInterlace ? ", interlaced" : ""));
                const Bytes theCompressed = Encode(thePicture, GifCodes::kCompressed);
                const Bytes theLiteral = Encode(thePicture, GifCodes::kLiteral);
                ASSERT_FALSE(theCompressed.empty());
                Bytes theDecoded, theLiteralDecoded;
                ASSERT_TRUE(DecodeWithGiflib(theCompressed, theDecoded));
                ASSERT_TRUE(DecodeWithGiflib(theLiteral, theLiteralDecoded));
                EXPECT_EQ(theDecoded, thePicture.mPixels);
                EXPECT_EQ(theDecoded, theLiteralDecoded);
                // Everything before the image data is the same in both.
                const std::size_t theHeader = 13 + 3 * (std::size_t{1} << ((theLiteral.at(10) & 7) + 1)) + 11;
                EXPECT_TRUE(std::equal(theLiteral.begin(), theLiteral.begin() + std::ptrdiff_t(theHeader),
                                       theCompressed.begin()));

                const LzwTrace theTrace = ReadLzw(theCompressed);
                EXPECT_TRUE(theTrace.mEnded);
                EXPECT_EQ(theTrace.mPixels, FileOrder(thePicture));
                if (theTexture == Texture::kNoise) {
                    const int theFirstWidth = std::max(2, int(std::bit_width(unsigned(theColors - 1)))) + 1;
                    for (int theCodeWidth = theFirstWidth; theCodeWidth <= 12; ++theCodeWidth)
                        EXPECT_GT(theTrace.mWidths[std::size_t(theCodeWidth)], 0) << "width " << theCodeWidth;
                    EXPECT_GT(theTrace.mClears, 0);
                } else {
                    EXPECT_LT(theCompressed.size() * 2, theLiteral.size());
                }
            }
        }
    }
}

// Small and degenerate pictures: one pixel, one row, one column, one colour.
TEST(GifCompressedCodes, TinyPicturesRoundTrip)
{
    const Indexed kPictures[] = {
        {1, 1, 2, false, {1}},
        {1, 1, 256, true, {200}},
        {5, 1, 4, true, {3, 3, 3, 3, 3}},
        {1, 6, 16, true, {1, 2, 3, 4, 5, 6}},
        {300, 200, 2, false, Bytes(60000, 0)},  // one long string: the widths still grow in step
    };
    for (const Indexed& thePicture : kPictures) {
        SCOPED_TRACE(::testing::Message() << thePicture.mWidth << "x" << thePicture.mHeight);
        const Bytes theFile = Encode(thePicture, GifCodes::kCompressed);
        Bytes theDecoded;
        ASSERT_TRUE(DecodeWithGiflib(theFile, theDecoded));
        EXPECT_EQ(theDecoded, thePicture.mPixels);
        EXPECT_EQ(ReadLzw(theFile).mPixels, FileOrder(thePicture));
    }
}

// An index beyond the table is never read as a control code: the file stays
// decodable, the index taken modulo the table size.
TEST(GifCompressedCodes, StrayIndicesKeepTheStreamValid)
{
    const Indexed thePicture{4, 2, 4, false, {0, 4, 5, 255, 1, 2, 3, 7}};
    Bytes theDecoded;
    ASSERT_TRUE(DecodeWithGiflib(Encode(thePicture, GifCodes::kCompressed), theDecoded));
    EXPECT_EQ(theDecoded, (Bytes{0, 0, 1, 3, 1, 2, 3, 3}));
}

// Sides the format can't hold fail cleanly, as for literal codes.
TEST(GifCompressedCodes, HostileSizesGiveNull)
{
    const Bytes thePixel(1, 0);
    const GifColorEntry theTable[2] = {};
    for (const auto& [theWidth, theHeight] : {std::pair{-1, 1}, {1, -5}, {65536, 1}, {65535, 65535}}) {
        std::int32_t theLength = -1;
        EXPECT_EQ(
            EncodeGif(theWidth, theHeight, 2, theTable, -1, 0, 1, thePixel.data(), theLength, GifCodes::kCompressed),
            nullptr);
        EXPECT_EQ(theLength, 0);
    }
}

}  // namespace
