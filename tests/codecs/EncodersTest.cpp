// Every encoder's output read back by the format's own library, plus quality, interlace and
// depth mapping.
#include <gtest/gtest.h>

#include <cstring>

#include "CodecTestSupport.h"
#include "codecs/CodecRegistry.h"

namespace vx::codecs::test {
namespace {

ByteVector Encode(ImageFormat inFormat, const Pixels& inPixels, EncodeOptions inOptions = {})
{
    ByteVector theFile;
    const Status theStatus = CodecRegistry::ForFormat(inFormat).Encode(inPixels.View(), theFile, inOptions);
    EXPECT_EQ(theStatus, Status::kOk);
    return theFile;
}

EncodeOptions WithDepth(int16_t inDepth)
{
    EncodeOptions theOptions;
    theOptions.mDepth = inDepth;
    return theOptions;
}

// The byte offset of a JPEG marker's second byte, or npos.
size_t FindMarker(const ByteVector& inFile, uint8_t inMarker)
{
    for (size_t thePos = 0; thePos + 1 < inFile.size(); ++thePos) {
        if (inFile[thePos] == 0xFF && inFile[thePos + 1] == inMarker) {
            return thePos + 1;
        }
    }
    return std::string::npos;
}

Pixels Opaque(Pixels inPixels)
{
    for (size_t thePos = 3; thePos < inPixels.mBgra.size(); thePos += 4) {
        inPixels.mBgra[thePos] = 255;
    }
    return inPixels;
}

TEST(PngEncoder, LosslessThroughLibpngWithAndWithoutAlpha)
{
    for (bool theAlpha : {true, false}) {
        SCOPED_TRACE(theAlpha);
        const Pixels thePattern = Pixels::Pattern(37, 21, theAlpha);
        const ByteVector theFile = Encode(ImageFormat::kPng, thePattern);
        EXPECT_EQ(theFile[25], theAlpha ? 6 : 2);  // IHDR colour type
        EXPECT_EQ(MaxDifference(thePattern, ReadPngWithLibrary(theFile)), 0);
    }
}

TEST(PngEncoder, InterlaceSetsAdam7)
{
    const Pixels thePattern = Pixels::Pattern(17, 9, true);
    EncodeOptions theOptions;
    theOptions.mInterlace = Interlace::kInterlaced;
    const ByteVector theFile = Encode(ImageFormat::kPng, thePattern, theOptions);
    EXPECT_EQ(theFile[28], 1);  // IHDR interlace method
    EXPECT_EQ(MaxDifference(thePattern, ReadPngWithLibrary(theFile)), 0);
    EXPECT_EQ(Encode(ImageFormat::kPng, thePattern)[28], 0);
}

TEST(PngEncoder, DepthMapping)
{
    const Pixels thePattern = Pixels::Pattern(16, 16, true);
    struct Case {
        int16_t mDepth;
        int mBitDepth;
        int mColorType;
    };
    const Case kCases[] = {{1, 1, 3}, {8, 8, 3}, {16, 8, 2}, {24, 8, 2}, {32, 8, 6}};
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mDepth);
        const ByteVector theFile = Encode(ImageFormat::kPng, thePattern, WithDepth(theCase.mDepth));
        EXPECT_EQ(theFile[24], theCase.mBitDepth);
        EXPECT_EQ(theFile[25], theCase.mColorType);
        EXPECT_EQ(ReadPngWithLibrary(theFile).mWidth, 16u);
    }
    // At most 256 colours go into the palette exactly, alpha included.
    Pixels theFew = Pixels::Pattern(16, 16, true);
    for (size_t thePos = 0; thePos < theFew.mBgra.size(); ++thePos) {
        theFew.mBgra[thePos] &= 0xC0;
    }
    EXPECT_EQ(MaxDifference(theFew, ReadPngWithLibrary(Encode(ImageFormat::kPng, theFew, WithDepth(8)))), 0);
    ByteVector theFile;
    EXPECT_EQ(CodecRegistry::ForFormat(ImageFormat::kPng).Encode(thePattern.View(), theFile, WithDepth(4)),
              Status::kUnsupported);
    EXPECT_TRUE(theFile.empty());
}

TEST(PngEncoder, RowBytesWiderThanTheRowAreHonoured)
{
    const Pixels thePattern = Pixels::Pattern(5, 4, true);
    ByteVector theWide(40 * 4, 0xEE);
    for (uint32_t theY = 0; theY < 4; ++theY) {
        std::memcpy(theWide.data() + 40 * theY, thePattern.At(0, theY), 20);
    }
    ByteVector theFile;
    ASSERT_EQ(CodecRegistry::ForFormat(ImageFormat::kPng).Encode({theWide.data(), 5, 4, 40}, theFile), Status::kOk);
    EXPECT_EQ(MaxDifference(thePattern, ReadPngWithLibrary(theFile)), 0);
}

TEST(JpegEncoder, ReadBackByLibjpegWithinTolerance)
{
    const Pixels thePattern = Pixels::Pattern(64, 48, false);
    EncodeOptions theOptions;
    theOptions.mQuality = 1024;
    const ByteVector theFile = Encode(ImageFormat::kJpeg, thePattern, theOptions);
    int theComponents = 0;
    EXPECT_LE(MaxDifference(thePattern, ReadJpegWithLibrary(theFile, &theComponents)), 8);
    EXPECT_EQ(theComponents, 3);
    EXPECT_NE(FindMarker(theFile, 0xC0), std::string::npos);  // baseline SOF0
    EXPECT_EQ(FindMarker(theFile, 0xC2), std::string::npos);
}

TEST(JpegEncoder, ProgressiveGreyAndQuality)
{
    const Pixels thePattern = Pixels::Pattern(64, 48, false);
    EncodeOptions theOptions;
    theOptions.mInterlace = Interlace::kInterlaced;
    const ByteVector theProgressive = Encode(ImageFormat::kJpeg, thePattern, theOptions);
    EXPECT_NE(FindMarker(theProgressive, 0xC2), std::string::npos);  // progressive SOF2

    int theComponents = 0;
    const ByteVector theGrey = Encode(ImageFormat::kJpeg, thePattern, WithDepth(8));
    ReadJpegWithLibrary(theGrey, &theComponents);
    EXPECT_EQ(theComponents, 1);

    EncodeOptions theLow;
    theLow.mQuality = 0;
    EncodeOptions theHigh;
    theHigh.mQuality = 1024;
    const Pixels theNoisy = Pixels::Pattern(64, 64, false);
    EXPECT_LT(Encode(ImageFormat::kJpeg, theNoisy, theLow).size(),
              Encode(ImageFormat::kJpeg, theNoisy, theHigh).size());

    ByteVector theFile;
    EXPECT_EQ(CodecRegistry::ForFormat(ImageFormat::kJpeg).Encode(thePattern.View(), theFile, WithDepth(1)),
              Status::kUnsupported);
}

TEST(BmpEncoder, LayoutAndPixelsForEachDepth)
{
    const Pixels thePattern = Pixels::Pattern(5, 3, false);
    struct Case {
        int16_t mDepth;
        uint16_t mBits;
        int mTolerance;
    };
    const Case kCases[] = {{0, 24, 0}, {24, 24, 0}, {32, 32, 0}, {16, 16, 8}, {8, 8, 0}};
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mDepth);
        const ByteVector theFile = Encode(ImageFormat::kBmp, thePattern, WithDepth(theCase.mDepth));
        ASSERT_GE(theFile.size(), 54u);
        EXPECT_EQ(theFile[0], 'B');
        EXPECT_EQ(theFile[28] | theFile[29] << 8, theCase.mBits);
        EXPECT_EQ(uint32_t(theFile[2] | theFile[3] << 8 | theFile[4] << 16), theFile.size());
        const Result<DecodedImage> theImage = CodecRegistry::ForFormat(ImageFormat::kBmp).Decode(theFile, 1);
        ASSERT_TRUE(theImage);
        EXPECT_LE(MaxDifference(thePattern, *theImage), theCase.mTolerance);
    }
    // Bottom-up 24-bit rows padded to four bytes: the first stored pixel is the bottom-left one.
    const ByteVector theFile = Encode(ImageFormat::kBmp, thePattern, WithDepth(24));
    const size_t theOffset = theFile[10] | theFile[11] << 8;
    EXPECT_EQ(theFile.size(), theOffset + 16 * 3);
    EXPECT_EQ(std::memcmp(theFile.data() + theOffset, thePattern.At(0, 2), 3), 0);
}

TEST(BmpEncoder, AlphaKeptInThirtyTwoBitsAndBilevel)
{
    const Pixels thePattern = Pixels::Pattern(6, 4, true);
    const Result<DecodedImage> theImage =
        CodecRegistry::ForFormat(ImageFormat::kBmp).Decode(Encode(ImageFormat::kBmp, thePattern), 1);
    ASSERT_TRUE(theImage);
    EXPECT_EQ(MaxDifference(thePattern, *theImage), 0);

    const ByteVector theBilevel = Encode(ImageFormat::kBmp, thePattern, WithDepth(1));
    EXPECT_EQ(theBilevel[28], 1);
    EXPECT_EQ(CodecRegistry::ForFormat(ImageFormat::kBmp).Info(theBilevel, 1)->mDepth, 1);
}

TEST(TiffEncoder, LosslessThroughLibtiff)
{
    for (bool theAlpha : {true, false}) {
        SCOPED_TRACE(theAlpha);
        const Pixels thePattern = Pixels::Pattern(33, 17, theAlpha);
        int theDirectories = 0;
        const Pixels theRead = ReadTiffWithLibrary(Encode(ImageFormat::kTiff, thePattern), &theDirectories);
        EXPECT_EQ(theDirectories, 1);
        // libtiff premultiplies on reading; undoing it loses a little where alpha is small.
        EXPECT_LE(MaxDifference(thePattern, theRead), theAlpha ? 2 : 0);
    }
}

TEST(TiffEncoder, DepthMapping)
{
    const Pixels thePattern = Opaque(Pixels::Pattern(9, 9, false));
    struct Case {
        int16_t mDepth;
        int16_t mReported;
        int mTolerance;
    };
    const Case kCases[] = {{1, 1, 255}, {8, 8, 0}, {24, 24, 0}, {32, 32, 0}};
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mDepth);
        const ByteVector theFile = Encode(ImageFormat::kTiff, thePattern, WithDepth(theCase.mDepth));
        EXPECT_EQ(CodecRegistry::ForFormat(ImageFormat::kTiff).Info(theFile, 1)->mDepth, theCase.mReported);
        EXPECT_LE(MaxDifference(thePattern, ReadTiffWithLibrary(theFile)), theCase.mTolerance);
    }
}

TEST(WebpEncoder, QualityMapsToLossyAndLosslessAtTheTop)
{
    const Pixels thePattern = Pixels::Pattern(40, 24, true);
    EncodeOptions theLossless;
    theLossless.mQuality = 1024;
    const ByteVector theExact = Encode(ImageFormat::kWebp, thePattern, theLossless);
    EXPECT_NE(std::search(theExact.begin(), theExact.end(), "VP8L", "VP8L" + 4), theExact.end());
    EXPECT_EQ(MaxDifference(thePattern, ReadWebpWithLibrary(theExact)), 0);

    EncodeOptions theLossy;
    theLossy.mQuality = 1023;
    const ByteVector theClose = Encode(ImageFormat::kWebp, thePattern, theLossy);
    EXPECT_EQ(std::search(theClose.begin(), theClose.end(), "VP8L", "VP8L" + 4), theClose.end());
    EXPECT_LE(MaxDifference(thePattern, ReadWebpWithLibrary(theClose)), 24);

    theLossy.mDepth = 24;
    const Pixels theRead = ReadWebpWithLibrary(Encode(ImageFormat::kWebp, thePattern, theLossy));
    ASSERT_EQ(theRead.mWidth, 40u);
    EXPECT_EQ(theRead.At(39, 0)[3], 255);
    ByteVector theFile;
    EXPECT_EQ(CodecRegistry::ForFormat(ImageFormat::kWebp).Encode(thePattern.View(), theFile, WithDepth(8)),
              Status::kUnsupported);
}

TEST(Encoders, ArgumentsAndUnsupportedOptions)
{
    const Pixels thePattern = Pixels::Pattern(4, 4, false);
    struct Case {
        const char* mLabel;
        ImageFormat mFormat;
        PictureView mView;
        EncodeOptions mOptions;
        Status mStatus;
    };
    EncodeOptions theInterlaced;
    theInterlaced.mInterlace = Interlace::kInterlaced;
    EncodeOptions theTooGood;
    theTooGood.mQuality = 1025;
    const Case kCases[] = {
        {"GIF has no encoder here", ImageFormat::kGif, thePattern.View(), {}, Status::kUnsupported},
        {"BMP has no interlace", ImageFormat::kBmp, thePattern.View(), theInterlaced, Status::kUnsupported},
        {"quality above lossless", ImageFormat::kPng, thePattern.View(), theTooGood, Status::kParameter},
        {"odd depth", ImageFormat::kPng, thePattern.View(), WithDepth(12), Status::kParameter},
        {"row bytes too small", ImageFormat::kPng, {thePattern.mBgra.data(), 4, 4, 12}, {}, Status::kParameter},
        {"no pixels", ImageFormat::kTiff, {nullptr, 4, 4, 16}, {}, Status::kParameter},
        {"empty", ImageFormat::kWebp, {thePattern.mBgra.data(), 0, 4, 16}, {}, Status::kParameter},
        // Refused from the sizes alone, before any pixel is read.
        {"BMP beyond its 32-bit file size",
         ImageFormat::kBmp,
         {thePattern.mBgra.data(), 65535, 65535, 65535 * 4},
         {},
         Status::kUnsupported},
        {"WebP beyond its largest side",
         ImageFormat::kWebp,
         {thePattern.mBgra.data(), 20000, 1, 20000 * 4},
         {},
         Status::kUnsupported},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mLabel);
        ByteVector theFile = {1, 2, 3};
        EXPECT_EQ(CodecRegistry::ForFormat(theCase.mFormat).Encode(theCase.mView, theFile, theCase.mOptions),
                  theCase.mStatus);
        EXPECT_EQ(theFile.size(), 3u);  // untouched on failure
    }
}

}  // namespace
}  // namespace vx::codecs::test
