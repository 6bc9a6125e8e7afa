// Each decoder on files written by the format's own library, or on hand-built bytes.
#include <gtest/gtest.h>
#include <png.h>

#include "CodecTestSupport.h"
#include "codecs/CodecRegistry.h"

namespace vx::codecs::test {
namespace {

const Codec& CodecFor(ImageFormat inFormat)
{
    return CodecRegistry::ForFormat(inFormat);
}

ByteVector Row(std::initializer_list<int> inValues)
{
    ByteVector theRow;
    for (int theValue : inValues) {
        theRow.push_back(uint8_t(theValue));
    }
    return theRow;
}

void ExpectPixel(const DecodedImage& inImage, uint32_t inX, uint32_t inY, std::array<int, 4> inBgra,
                 int inTolerance = 0)
{
    const uint8_t* thePixel = inImage.mPixels.data() + inImage.RowBytes() * inY + size_t(inX) * 4;
    for (int theChannel = 0; theChannel < 4; ++theChannel) {
        EXPECT_NEAR(thePixel[theChannel], inBgra[theChannel], inTolerance)
            << "pixel " << inX << "," << inY << " channel " << theChannel;
    }
}

// ---- PNG

TEST(PngDecoder, RgbaPixelsAreBgraStraightAlphaTopRowFirst)
{
    PngSpec theSpec{2, 2, 8, PNG_COLOR_TYPE_RGBA};
    const ByteVector theFile =
        WritePngWithLibrary(theSpec, {Row({255, 0, 0, 255, 0, 255, 0, 128}), Row({0, 0, 255, 0, 10, 20, 30, 40})});
    const Result<DecodedImage> theImage = CodecFor(ImageFormat::kPng).Decode(theFile, 1);
    ASSERT_TRUE(theImage);
    EXPECT_EQ(theImage->mInfo.mDepth, 32);
    EXPECT_EQ(theImage->mInfo.mResolution, 72u);
    EXPECT_EQ(theImage->mInfo.mFormatName, "PNG");
    ExpectPixel(*theImage, 0, 0, {0, 0, 255, 255});
    ExpectPixel(*theImage, 1, 0, {0, 255, 0, 128});
    ExpectPixel(*theImage, 0, 1, {255, 0, 0, 0});
    ExpectPixel(*theImage, 1, 1, {30, 20, 10, 40});
}

TEST(PngDecoder, SixteenBitColourReportsTwentyFourAndResolutionFromPhys)
{
    PngSpec theSpec{1, 1, 16, PNG_COLOR_TYPE_RGB};
    theSpec.mPixelsPerMetre = 3780;  // 96 dpi
    const ByteVector theFile = WritePngWithLibrary(theSpec, {Row({0xAB, 0xAB, 0x12, 0x12, 0xFF, 0xFF})});
    const Result<DecodedImage> theImage = CodecFor(ImageFormat::kPng).Decode(theFile, 1);
    ASSERT_TRUE(theImage);
    EXPECT_EQ(theImage->mInfo.mDepth, 24);
    EXPECT_EQ(theImage->mInfo.mResolution, 96u);
    ExpectPixel(*theImage, 0, 0, {0xFF, 0x12, 0xAB, 255});
}

TEST(PngDecoder, PaletteWithTransparencyAndDepthOfItsIndices)
{
    PngSpec theSpec{3, 1, 4, PNG_COLOR_TYPE_PALETTE};
    theSpec.mPalette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    theSpec.mAlphas = {0};
    const ByteVector theFile = WritePngWithLibrary(theSpec, {Row({0x01, 0x20})});
    const Result<DecodedImage> theImage = CodecFor(ImageFormat::kPng).Decode(theFile, 1);
    ASSERT_TRUE(theImage);
    EXPECT_EQ(theImage->mInfo.mDepth, 4);
    ExpectPixel(*theImage, 0, 0, {0, 0, 255, 0});
    ExpectPixel(*theImage, 1, 0, {0, 255, 0, 255});
    ExpectPixel(*theImage, 2, 0, {255, 0, 0, 255});
}

TEST(PngDecoder, GreyDepths)
{
    struct Case {
        const char* mLabel;
        int mBits;
        ByteVector mRow;
        int16_t mDepth;
        int mFirst;
    };
    const Case kCases[] = {
        {"bilevel", 1, Row({0x80}), 1, 255},
        {"8-bit grey", 8, Row({77}), 8, 77},
        {"16-bit grey", 16, Row({200, 200}), 8, 200},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mLabel);
        PngSpec theSpec{1, 1, theCase.mBits, PNG_COLOR_TYPE_GRAY};
        const Result<DecodedImage> theImage =
            CodecFor(ImageFormat::kPng).Decode(WritePngWithLibrary(theSpec, {theCase.mRow}), 1);
        ASSERT_TRUE(theImage);
        EXPECT_EQ(theImage->mInfo.mDepth, theCase.mDepth);
        ExpectPixel(*theImage, 0, 0, {theCase.mFirst, theCase.mFirst, theCase.mFirst, 255});
    }
}

TEST(PngDecoder, InterlacedFileGivesTheSamePixels)
{
    const Pixels thePattern = Pixels::Pattern(19, 11, true);
    std::vector<ByteVector> theRows;
    for (uint32_t theY = 0; theY < thePattern.mHeight; ++theY) {
        ByteVector theRow;
        for (uint32_t theX = 0; theX < thePattern.mWidth; ++theX) {
            const uint8_t* thePixel = thePattern.At(theX, theY);
            theRow.insert(theRow.end(), {thePixel[2], thePixel[1], thePixel[0], thePixel[3]});
        }
        theRows.push_back(theRow);
    }
    PngSpec theSpec{19, 11, 8, PNG_COLOR_TYPE_RGBA, true};
    const Result<DecodedImage> theImage = CodecFor(ImageFormat::kPng).Decode(WritePngWithLibrary(theSpec, theRows), 1);
    ASSERT_TRUE(theImage);
    EXPECT_EQ(MaxDifference(thePattern, *theImage), 0);
}

// ---- JPEG

TEST(JpegDecoder, GreyFileReportsDepthEightAndJfifDensity)
{
    JpegSpec theSpec{16, 8, 1};
    theSpec.mDensity = 300;
    const ByteVector theFile = WriteJpegWithLibrary(theSpec, ByteVector(16 * 8, 100));
    const Result<DecodedImage> theImage = CodecFor(ImageFormat::kJpeg).Decode(theFile, 1);
    ASSERT_TRUE(theImage);
    EXPECT_EQ(theImage->mInfo.mDepth, 8);
    EXPECT_EQ(theImage->mInfo.mResolution, 300u);
    EXPECT_EQ(theImage->mInfo.mFormatName, "JPEG");
    ExpectPixel(*theImage, 5, 5, {100, 100, 100, 255}, 2);
}

TEST(JpegDecoder, ResolutionFromTheDensityUnit)
{
    struct Case {
        const char* mLabel;
        bool mJfif;
        int mUnit;
        int mDensity;
        uint32_t mDpi;
    };
    const Case kCases[] = {
        {"dots per inch", true, 1, 150, 150},
        {"dots per centimetre", true, 2, 118, 300},
        {"aspect ratio only", true, 0, 1, 72},
        {"no JFIF marker", false, 1, 300, 72},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mLabel);
        JpegSpec theSpec{8, 8, 3};
        theSpec.mJfif = theCase.mJfif;
        theSpec.mDensityUnit = theCase.mUnit;
        theSpec.mDensity = theCase.mDensity;
        const Result<ImageInfo> theInfo =
            CodecFor(ImageFormat::kJpeg).Info(WriteJpegWithLibrary(theSpec, ByteVector(8 * 8 * 3, 50)), 1);
        ASSERT_TRUE(theInfo);
        EXPECT_EQ(theInfo->mResolution, theCase.mDpi);
        EXPECT_EQ(theInfo->mDepth, 24);
    }
}

TEST(JpegDecoder, ColourAndProgressiveMatchTheLibrarysOwnDecode)
{
    const Pixels thePattern = Pixels::Pattern(40, 30, false);
    ByteVector theRgb;
    for (size_t thePos = 0; thePos < thePattern.mBgra.size(); thePos += 4) {
        theRgb.insert(theRgb.end(),
                      {thePattern.mBgra[thePos + 2], thePattern.mBgra[thePos + 1], thePattern.mBgra[thePos]});
    }
    for (bool theProgressive : {false, true}) {
        JpegSpec theSpec{40, 30, 3};
        theSpec.mProgressive = theProgressive;
        const ByteVector theFile = WriteJpegWithLibrary(theSpec, theRgb);
        const Result<DecodedImage> theImage = CodecFor(ImageFormat::kJpeg).Decode(theFile, 1);
        ASSERT_TRUE(theImage);
        EXPECT_EQ(MaxDifference(ReadJpegWithLibrary(theFile), *theImage), 0);
        EXPECT_LE(MaxDifference(thePattern, *theImage), 12);
    }
}

TEST(JpegDecoder, CmykFileBecomesColourWithDepthThirtyTwo)
{
    // libjpeg marks CMYK files with the Adobe marker, whose samples are stored inverted:
    // 255 is no ink, so C 255 M 0 Y 0 K 255 is red.
    JpegSpec theSpec{8, 8, 4};
    ByteVector theSamples;
    for (int thePixel = 0; thePixel < 64; ++thePixel) {
        theSamples.insert(theSamples.end(), {255, 0, 0, 255});
    }
    const Result<DecodedImage> theImage =
        CodecFor(ImageFormat::kJpeg).Decode(WriteJpegWithLibrary(theSpec, theSamples), 1);
    ASSERT_TRUE(theImage);
    EXPECT_EQ(theImage->mInfo.mDepth, 32);
    ExpectPixel(*theImage, 3, 3, {0, 0, 255, 255}, 3);
}

// ---- Streamed decodes

// Keeps what a streamed decode hands over, and whether the rows came in order, each once.
class KeepingSink final : public RowSink {
public:
    explicit KeepingSink(Status inBegin = Status::kOk) : mBegin(inBegin) {}
    Status Begin(const ImageInfo& inInfo) override
    {
        ++mBegins;
        mInfo = inInfo;
        return mBegin;
    }
    void Take(const uint8_t* inRows, uint32_t inFirst, uint32_t inCount) noexcept override
    {
        mInOrder = mInOrder && inFirst == mNext && inCount > 0;
        mNext = inFirst + inCount;
        mPixels.insert(mPixels.end(), inRows, inRows + size_t(inCount) * mInfo.mWidth * 4);
    }
    Status mBegin;
    int mBegins = 0;
    ImageInfo mInfo;
    uint32_t mNext = 0;
    bool mInOrder = true;
    ByteVector mPixels;
};

TEST(StreamedDecode, RowsInOrderEqualTheWholeDecodeAndFailuresMatch)
{
    const Pixels thePattern = Pixels::Pattern(333, 77, true);  // rows of more than one band
    ByteVector theRgb, theGrey, theCmyk;
    for (size_t thePos = 0; thePos < thePattern.mBgra.size(); thePos += 4) {
        const uint8_t* p = &thePattern.mBgra[thePos];
        theRgb.insert(theRgb.end(), {p[2], p[1], p[0]});
        theGrey.push_back(p[1]);
        theCmyk.insert(theCmyk.end(), {p[0], p[1], p[2], p[3]});
    }
    JpegSpec theProgressive{333, 77, 3};
    theProgressive.mProgressive = true;
    const ByteVector theColour = WriteJpegWithLibrary({333, 77, 3}, theRgb);
    struct Case {
        const char* mName;
        ImageFormat mFormat;
        ByteVector mFile;
        uint32_t mReduction;
    };
    const Case theCases[] = {
        {"colour", ImageFormat::kJpeg, theColour, 1},
        {"colour at a half", ImageFormat::kJpeg, theColour, 2},
        {"colour at an eighth", ImageFormat::kJpeg, theColour, 8},
        {"progressive", ImageFormat::kJpeg, WriteJpegWithLibrary(theProgressive, theRgb), 1},
        {"grey", ImageFormat::kJpeg, WriteJpegWithLibrary({333, 77, 1}, theGrey), 1},
        {"cmyk", ImageFormat::kJpeg, WriteJpegWithLibrary({333, 77, 4}, theCmyk), 1},
        {"truncated", ImageFormat::kJpeg, ByteVector(theColour.begin(), theColour.begin() + theColour.size() / 2), 1},
        {"png, decoded whole first", ImageFormat::kPng, ByteVector(), 1},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mName);
        const Codec& theCodec = CodecFor(theCase.mFormat);
        ByteVector theFile = theCase.mFile;
        if (theCase.mFormat == ImageFormat::kPng) {
            ASSERT_EQ(theCodec.Encode(thePattern.View(), theFile), Status::kOk);
        }
        DecodeOptions theOptions;
        theOptions.mReduction = theCase.mReduction;
        const Result<DecodedImage> theWhole = theCodec.Decode(theFile, 1, theOptions);
        KeepingSink theSink;
        const Status theStatus = theCodec.DecodeInto(theFile, 1, theOptions, theSink);
        if (!theWhole) {
            EXPECT_EQ(theStatus, theWhole.Error());
            continue;
        }
        ASSERT_EQ(theStatus, Status::kOk);
        EXPECT_EQ(theSink.mBegins, 1);
        EXPECT_TRUE(theSink.mInOrder);
        EXPECT_EQ(theSink.mNext, theWhole->mInfo.mHeight);
        EXPECT_EQ(theSink.mInfo.mWidth, theWhole->mInfo.mWidth);
        EXPECT_EQ(theSink.mInfo.mDepth, theWhole->mInfo.mDepth);
        EXPECT_TRUE(theSink.mPixels == theWhole->mPixels);
    }
    // A sink that refuses the picture ends the decode before any row, with its reason.
    KeepingSink theRefusing(Status::kTooLarge);
    EXPECT_EQ(CodecFor(ImageFormat::kJpeg).DecodeInto(theColour, 1, {}, theRefusing), Status::kTooLarge);
    EXPECT_EQ(theRefusing.mNext, 0u);
}

// ---- GIF

TEST(GifDecoder, EveryFrameIsAnImageOnTheScreen)
{
    const std::vector<uint8_t> theGlobal = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};  // 4 colours
    GifFrameSpec theFirst{0, 0, 4, 3};
    theFirst.mIndices = {0, 1, 2, 3, 1, 1, 1, 1, 2, 2, 2, 2};
    GifFrameSpec theSecond{1, 1, 2, 9, true};
    theSecond.mLocalColors = {10, 20, 30, 40, 50, 60};  // 2 colours
    theSecond.mTransparent = 1;
    for (uint32_t theY = 0; theY < 9; ++theY) {
        theSecond.mIndices.insert(theSecond.mIndices.end(), {uint8_t(theY % 2), 0});
    }
    const ByteVector theFile = WriteGifWithLibrary(4, 12, theGlobal, {theFirst, theSecond});
    const Codec& theCodec = CodecFor(ImageFormat::kGif);
    ASSERT_EQ(theCodec.ImageCount(theFile).Value(), 2u);

    const Result<DecodedImage> theOne = theCodec.Decode(theFile, 1);
    ASSERT_TRUE(theOne);
    EXPECT_EQ(theOne->mInfo.mWidth, 4u);
    EXPECT_EQ(theOne->mInfo.mHeight, 12u);
    EXPECT_EQ(theOne->mInfo.mDepth, 2);
    EXPECT_EQ(theOne->mInfo.mImageCount, 2u);
    ExpectPixel(*theOne, 1, 0, {0, 0, 255, 255});
    ExpectPixel(*theOne, 3, 0, {255, 0, 0, 255});
    ExpectPixel(*theOne, 0, 5, {0, 0, 0, 0});  // outside the frame: transparent

    const Result<DecodedImage> theTwo = theCodec.Decode(theFile, 2);
    ASSERT_TRUE(theTwo);
    EXPECT_EQ(theTwo->mInfo.mDepth, 1);
    for (uint32_t theY = 0; theY < 9; ++theY) {
        SCOPED_TRACE(theY);
        if (theY % 2 == 0) {
            ExpectPixel(*theTwo, 1, 1 + theY, {30, 20, 10, 255});
        } else {
            ExpectPixel(*theTwo, 1, 1 + theY, {0, 0, 0, 0});
        }
        ExpectPixel(*theTwo, 2, 1 + theY, {30, 20, 10, 255});
    }
    EXPECT_EQ(theCodec.Decode(theFile, 3).Error(), Status::kParameter);
    EXPECT_EQ(theCodec.Info(theFile, 0).Error(), Status::kParameter);
}

TEST(GifDecoder, HandBuiltSinglePixel)
{
    const ByteVector theFile = {'G',  'I',  'F',  '8',  '9',  'a',  1,    0, 1, 0,  // screen 1 x 1
                                0x80, 0,    0,                                      // global table of 2 colours
                                0x11, 0x22, 0x33, 0xFF, 0xFF, 0xFF, 0x2C, 0, 0, 0,
                                0,    1,    0,    1,    0,    0,  // image 1 x 1 at 0,0
                                2,    2,    0x44, 0x01, 0,        // LZW: clear, 0, end
                                0x3B};
    const Result<DecodedImage> theImage = CodecFor(ImageFormat::kGif).Decode(theFile, 1);
    ASSERT_TRUE(theImage);
    EXPECT_EQ(theImage->mInfo.mDepth, 1);
    ExpectPixel(*theImage, 0, 0, {0x33, 0x22, 0x11, 255});
}

// ---- BMP

// A BMP with a 40-byte header; inExtra follows the header (palette or masks), then the pixels.
ByteVector MakeBmp(int32_t inWidth, int32_t inHeight, uint16_t inBits, uint32_t inCompression,
                   const ByteVector& inExtra, const ByteVector& inPixels, uint32_t inPerMetre = 0,
                   uint32_t inColorsUsed = 0)
{
    ByteVector theFile(54, 0);
    auto thePut = [&](size_t inAt, uint32_t inValue, int inBytes) {
        for (int theIndex = 0; theIndex < inBytes; ++theIndex) {
            theFile[inAt + theIndex] = uint8_t(inValue >> (8 * theIndex));
        }
    };
    theFile[0] = 'B';
    theFile[1] = 'M';
    thePut(2, uint32_t(54 + inExtra.size() + inPixels.size()), 4);  // file size
    thePut(10, uint32_t(54 + inExtra.size()), 4);                   // pixel offset
    thePut(14, 40, 4);                                              // header size
    thePut(18, uint32_t(inWidth), 4);
    thePut(22, uint32_t(inHeight), 4);  // positive: bottom-up
    thePut(26, 1, 2);                   // planes
    thePut(28, inBits, 2);
    thePut(30, inCompression, 4);
    thePut(38, inPerMetre, 4);
    thePut(42, inPerMetre, 4);
    thePut(46, inColorsUsed, 4);
    theFile.insert(theFile.end(), inExtra.begin(), inExtra.end());
    theFile.insert(theFile.end(), inPixels.begin(), inPixels.end());
    return theFile;
}

TEST(BmpDecoder, DepthsAndPixels)
{
    const ByteVector theTwoColours = {0, 0, 0, 0, 255, 255, 255, 0};
    ByteVector thePalette256(256 * 4, 0);
    thePalette256[7 * 4 + 0] = 9;  // entry 7: B 9, G 8, R 7
    thePalette256[7 * 4 + 1] = 8;
    thePalette256[7 * 4 + 2] = 7;
    struct Case {
        const char* mLabel;
        ByteVector mFile;
        int16_t mDepth;
        std::array<int, 4> mBottomLeft;  // last row in the file order is the top
        std::array<int, 4> mTopLeft;
    };
    const Case kCases[] = {
        {"1-bit",
         MakeBmp(3, 2, 1, 0, theTwoColours, {0x80, 0, 0, 0, 0x40, 0, 0, 0}),
         1,
         {255, 255, 255, 255},
         {0, 0, 0, 255}},
        {"8-bit palette",
         MakeBmp(1, 2, 8, 0, thePalette256, {7, 0, 0, 0, 0, 0, 0, 0}),
         8,
         {9, 8, 7, 255},
         {0, 0, 0, 255}},
        {"16-bit 5-5-5",
         MakeBmp(1, 2, 16, 0, {}, {0x00, 0x7C, 0, 0, 0x1F, 0x00, 0, 0}),
         16,
         {0, 0, 255, 255},
         {255, 0, 0, 255}},
        {"16-bit 5-6-5 bit fields",
         MakeBmp(1, 1, 16, 3, {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}, {0xE0, 0x07, 0, 0}),
         16,
         {0, 255, 0, 255},
         {0, 255, 0, 255}},
        {"24-bit", MakeBmp(1, 2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0}), 24, {1, 2, 3, 255}, {4, 5, 6, 255}},
        {"32-bit, fourth byte zero", MakeBmp(1, 1, 32, 0, {}, {1, 2, 3, 0}), 32, {1, 2, 3, 255}, {1, 2, 3, 255}},
        {"32-bit with alpha", MakeBmp(1, 1, 32, 0, {}, {1, 2, 3, 128}), 32, {1, 2, 3, 128}, {1, 2, 3, 128}},
        {"RLE8", MakeBmp(3, 1, 8, 1, thePalette256, {3, 7, 0, 1}), 8, {9, 8, 7, 255}, {9, 8, 7, 255}},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mLabel);
        const Result<DecodedImage> theImage = CodecFor(ImageFormat::kBmp).Decode(theCase.mFile, 1);
        ASSERT_TRUE(theImage) << int(theImage.Error());
        EXPECT_EQ(theImage->mInfo.mDepth, theCase.mDepth);
        EXPECT_EQ(theImage->mInfo.mFormatName, "BMP");
        ExpectPixel(*theImage, 0, theImage->mInfo.mHeight - 1, theCase.mBottomLeft);
        ExpectPixel(*theImage, 0, 0, theCase.mTopLeft);
    }
}

TEST(BmpDecoder, ResolutionFromPelsPerMetreAndTopDownRows)
{
    const ByteVector theFile = MakeBmp(1, -2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0}, 11811);  // 300 dpi
    const Result<DecodedImage> theImage = CodecFor(ImageFormat::kBmp).Decode(theFile, 1);
    ASSERT_TRUE(theImage);
    EXPECT_EQ(theImage->mInfo.mResolution, 300u);
    ExpectPixel(*theImage, 0, 0, {1, 2, 3, 255});
    EXPECT_EQ(CodecFor(ImageFormat::kBmp).Info(MakeBmp(1, 1, 24, 0, {}, {0, 0, 0, 0}), 1)->mResolution, 72u);
}

// ---- TIFF

TEST(TiffDecoder, EveryDirectoryIsAnImageWithItsOwnFacts)
{
    TiffSpec theColour{2, 2, 3, 8, 150.0f, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3}};
    TiffSpec theBilevel{8, 1, 1, 1, 100.0f, 3, {0xF0}};
    const ByteVector theFile = WriteTiffWithLibrary({theColour, theBilevel});
    const Codec& theCodec = CodecFor(ImageFormat::kTiff);
    ASSERT_EQ(theCodec.ImageCount(theFile).Value(), 2u);

    const Result<DecodedImage> theOne = theCodec.Decode(theFile, 1);
    ASSERT_TRUE(theOne);
    EXPECT_EQ(theOne->mInfo.mDepth, 24);
    EXPECT_EQ(theOne->mInfo.mResolution, 150u);
    EXPECT_EQ(theOne->mInfo.mFormatName, "TIFF");
    ExpectPixel(*theOne, 0, 0, {0, 0, 255, 255});
    ExpectPixel(*theOne, 1, 1, {3, 2, 1, 255});

    const Result<DecodedImage> theTwo = theCodec.Decode(theFile, 2);
    ASSERT_TRUE(theTwo);
    EXPECT_EQ(theTwo->mInfo.mWidth, 8u);
    EXPECT_EQ(theTwo->mInfo.mDepth, 1);
    EXPECT_EQ(theTwo->mInfo.mResolution, 254u);
    ExpectPixel(*theTwo, 0, 0, {255, 255, 255, 255});
    ExpectPixel(*theTwo, 7, 0, {0, 0, 0, 255});
    EXPECT_EQ(theCodec.Info(theFile, 3).Error(), Status::kParameter);
}

TEST(TiffDecoder, UnassociatedAlphaComesBackStraight)
{
    TiffSpec theSpec{1, 1, 4, 8, 0, 2, {200, 100, 50, 128}};
    const Result<DecodedImage> theImage = CodecFor(ImageFormat::kTiff).Decode(WriteTiffWithLibrary({theSpec}), 1);
    ASSERT_TRUE(theImage);
    EXPECT_EQ(theImage->mInfo.mDepth, 32);
    EXPECT_EQ(theImage->mInfo.mResolution, 72u);
    ExpectPixel(*theImage, 0, 0, {50, 100, 200, 128}, 1);
}

// ---- WebP

TEST(WebpDecoder, LosslessExactLossyClose)
{
    const Pixels thePattern = Pixels::Pattern(32, 24, true);
    for (bool theLossless : {true, false}) {
        SCOPED_TRACE(theLossless);
        const Result<DecodedImage> theImage =
            CodecFor(ImageFormat::kWebp).Decode(WriteWebpWithLibrary(thePattern, theLossless), 1);
        ASSERT_TRUE(theImage);
        EXPECT_EQ(theImage->mInfo.mDepth, 32);
        EXPECT_EQ(theImage->mInfo.mFormatName, "WebP");
        EXPECT_LE(MaxDifference(thePattern, *theImage), theLossless ? 0 : 24);
    }
    const Result<ImageInfo> theOpaque =
        CodecFor(ImageFormat::kWebp).Info(WriteWebpWithLibrary(Pixels::Pattern(8, 8, false), false), 1);
    ASSERT_TRUE(theOpaque);
    EXPECT_EQ(theOpaque->mDepth, 24);
}

}  // namespace
}  // namespace vx::codecs::test
