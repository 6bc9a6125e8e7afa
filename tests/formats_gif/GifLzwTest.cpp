// Compressed GIF codes: the files must read back exactly as the literal ones
// do, through giflib and through a small decoder of our own that also reports
// the code widths and clear codes it met.
#include "GifMemory.h"
#include "PythonCheck.h"
#include "vellumax/formats/Writegif.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
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

// The indices in row order, as giflib gives them (it undoes the interlace).
::testing::AssertionResult DecodeWithGiflib(const Bytes& inFile, Bytes& outPixels)
{
    vxtest::GifMemory theReader{&inFile};
    int theError = 0;
    GifFileType* theFile = DGifOpen(&theReader, vxtest::ReadGifMemory, &theError);
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
    int mCodesAtFullTable = 0;  // codes read while the table was full and not cleared
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
        theTrace.mCodesAtFullTable += theStrings.size() == 4096 ? 1 : 0;
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
// with every code width up to 12 in use and the table past full: cleared, or
// kept and read from as it is.
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
                    EXPECT_GT(theTrace.mClears + theTrace.mCodesAtFullTable, 0);
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

// A page as drawn: a ground, flat boxes and lines of antialiased text, whose
// glyphs repeat in a few shaded variants (their places on the pixel grid).
Indexed Page(std::mt19937& ioRandom, int inWidth, int inHeight, int inColors)
{
    Indexed thePicture{inWidth, inHeight, inColors, false, Bytes(std::size_t(inWidth) * std::size_t(inHeight), 0)};
    auto At = [&](int x, int y) -> std::uint8_t& {
        return thePicture.mPixels[std::size_t(y) * std::size_t(inWidth) + std::size_t(x)];
    };
    std::uniform_int_distribution<int> theShade(1, inColors - 1), theInk(0, 2);
    constexpr int kGlyphWidth = 7, kGlyphHeight = 12, kGlyphs = 40;
    std::vector<Bytes> theGlyphs(kGlyphs, Bytes(kGlyphWidth * kGlyphHeight, 0));
    for (Bytes& theGlyph : theGlyphs)
        for (std::uint8_t& thePixel : theGlyph)
            thePixel = theInk(ioRandom) == 0 ? std::uint8_t(theShade(ioRandom)) : 0;
    for (int theTop = 10; theTop + kGlyphHeight < inHeight * 2 / 3; theTop += 2 * kGlyphHeight)
        for (int theLeft = 8; theLeft + kGlyphWidth < inWidth; theLeft += kGlyphWidth + int(ioRandom() % 3)) {
            const Bytes& theGlyph = theGlyphs[ioRandom() % kGlyphs];
            for (int y = 0; y < kGlyphHeight; ++y)
                for (int x = 0; x < kGlyphWidth; ++x)
                    At(theLeft + x, theTop + y) = theGlyph[std::size_t(y * kGlyphWidth + x)];
        }
    for (int theBox = 0; theBox < 3; ++theBox)
        for (int y = inHeight * 2 / 3; y < inHeight - 4; ++y)
            for (int x = 8 + theBox * inWidth / 3; x < (theBox + 1) * inWidth / 3 - 8; ++x)
                At(x, y) = std::uint8_t(std::max(0, inColors - 1 - theBox));
    return thePicture;
}

// The size of the image data plain greedy LZW gives, clearing the moment the
// table fills: what the encoder's choices must not do worse than.
std::size_t GreedyDataBytes(const Indexed& inPicture)
{
    const Bytes thePixels = FileOrder(inPicture);
    const int theMinimum = std::max(2, int(std::bit_width(unsigned(std::max(1, inPicture.mColors - 1)))));
    const int theClear = 1 << theMinimum;
    std::vector<std::vector<int>> theChildren;
    int theNext = 0, theWidth = 0;
    std::size_t theBits = 0;
    auto Reset = [&] {
        theChildren.assign(4096, std::vector<int>(std::size_t(theClear), 0));
        theNext = theClear + 2;
        theWidth = theMinimum + 1;
    };
    Reset();
    theBits += std::size_t(theWidth);
    for (std::size_t i = 0; i < thePixels.size();) {
        int theCode = thePixels[i++];
        while (i < thePixels.size() && theChildren[std::size_t(theCode)][thePixels[i]] != 0)
            theCode = theChildren[std::size_t(theCode)][thePixels[i++]];
        theBits += std::size_t(theWidth);
        if (theNext == 4096) {
            theBits += std::size_t(theWidth);
            Reset();
            continue;
        }
        if (i < thePixels.size())
            theChildren[std::size_t(theCode)][thePixels[i]] = theNext;
        if (++theNext > (1 << theWidth) && theWidth < 12)
            ++theWidth;
    }
    const std::size_t theBytes = (theBits + std::size_t(theWidth) + 7) / 8;
    return theBytes + (theBytes + 254) / 255;
}

Indexed AnyPicture(std::mt19937& ioRandom, int inKind)
{
    std::uniform_int_distribution<int> theColors(1, 256), theSide(1, 300);
    const int theCount = theColors(ioRandom);
    const int theWidth = theSide(ioRandom), theHeight = theSide(ioRandom);
    Indexed thePicture = inKind == 2 && theCount > 1 ? Page(ioRandom, theWidth, theHeight, theCount)
                                                     : Random(ioRandom, theWidth, theHeight, theCount,
                                                              inKind == 0 ? Texture::kNoise : Texture::kRuns);
    thePicture.mInterlace = ioRandom() % 4 == 0;
    return thePicture;
}

// Random pictures of 1 to 256 colours and any size up to 300 x 300 (noise,
// runs, pages), each read back exactly by the independent decoder and giflib.
TEST(GifCompressedCodes, AnyPictureRoundTripsExactly)
{
    std::mt19937 theRandom(31);
    for (int theCase = 0; theCase < 90; ++theCase) {
        const Indexed thePicture = AnyPicture(theRandom, theCase % 3);
        SCOPED_TRACE(::testing::Message() << "case " << theCase << ": " << thePicture.mWidth << "x"
                                          << thePicture.mHeight << ", " << thePicture.mColors << " colours");
        const Bytes theFile = Encode(thePicture, GifCodes::kCompressed);
        const LzwTrace theTrace = ReadLzw(theFile);
        EXPECT_TRUE(theTrace.mEnded);
        EXPECT_EQ(theTrace.mPixels, FileOrder(thePicture));
        Bytes theDecoded;
        ASSERT_TRUE(DecodeWithGiflib(theFile, theDecoded));
        EXPECT_EQ(theDecoded, thePicture.mPixels);
    }
}

// Pages, flat runs and few-colour noise (whose table is better kept than
// cleared) code no larger than plain greedy LZW, and pages clearly smaller.
TEST(GifCompressedCodes, ChoicesNeverCostMoreThanGreedyCoding)
{
    struct Case {
        const char* mName;
        Indexed mPicture;
        double mMostOfGreedy;
    };
    std::mt19937 theRandom(7);
    const Case kCases[] = {
        {"page of 250 shades", Page(theRandom, 400, 300, 250), 0.99},
        {"page of 100 shades, interlaced",
         [&] {
             Indexed thePicture = Page(theRandom, 320, 240, 100);
             thePicture.mInterlace = true;
             return thePicture;
         }(),
         0.99},
        {"runs of 17 colours", Random(theRandom, 800, 300, 17, Texture::kRuns), 1.0},
        {"noise of 3 colours", Random(theRandom, 400, 400, 3, Texture::kNoise), 0.99},
        {"noise of 256 colours", Random(theRandom, 300, 300, 256, Texture::kNoise), 1.0},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mName);
        const Bytes theFile = Encode(theCase.mPicture, GifCodes::kCompressed);
        const std::size_t theHeader = 13 + 3 * (std::size_t{1} << ((theFile.at(10) & 7) + 1)) + 10 + 1;
        const std::size_t theData = theFile.size() - theHeader - 2;  // the terminator and the trailer
        EXPECT_LE(double(theData), theCase.mMostOfGreedy * double(GreedyDataBytes(theCase.mPicture)));
        EXPECT_EQ(ReadLzw(theFile).mPixels, FileOrder(theCase.mPicture));
    }
}

// Pillow, a second independent reader, gets the same indices from files with
// every kind of choice in them: kept tables, clears, shorter strings.
TEST(GifCompressedCodes, PillowReadsTheChosenCodesExactly)
{
    const std::filesystem::path theFolder =
        std::filesystem::temp_directory_path() / ("vx-gif-codes-" + std::to_string(::getpid()));
    std::filesystem::create_directories(theFolder);
    std::mt19937 theRandom(12);
    for (int theCase = 0; theCase < 24; ++theCase) {
        Indexed thePicture = theCase < 3 ? Random(theRandom, 500, 300, 2 + theCase, Texture::kNoise)
                                         : AnyPicture(theRandom, theCase % 3);
        const Bytes theFile = Encode(thePicture, GifCodes::kCompressed);
        const std::string theName = (theFolder / std::to_string(theCase)).string();
        std::ofstream(theName + ".gif", std::ios::binary)
            .write(reinterpret_cast<const char*>(theFile.data()), std::streamsize(theFile.size()));
        std::ofstream(theName + ".raw", std::ios::binary)
            .write(reinterpret_cast<const char*>(thePicture.mPixels.data()),
                   std::streamsize(thePicture.mPixels.size()));
    }
    const std::string theScript =
        "import sys, glob\n"
        "from PIL import Image\n"
        "bad = 0\n"
        "for name in glob.glob(sys.argv[1] + '/*.gif'):\n"
        "    image = Image.open(name)\n"
        "    if image.mode != 'P' or image.tobytes() != open(name[:-4] + '.raw', 'rb').read():\n"
        "        print('differs:', name); bad += 1\n"
        "sys.exit(1 if bad else 0)\n";
    EXPECT_EQ(vxtest::RunPythonCheck(theFolder, theScript), 0);
}

}  // namespace
