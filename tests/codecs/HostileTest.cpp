// Truncated, corrupt and hostile files fail cleanly, quickly and without large allocations.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>

#include "CodecTestSupport.h"
#include "codecs/CodecRegistry.h"

namespace vx::codecs::test {
namespace {

constexpr uint64_t kChildMemory = uint64_t(256) << 20;

ByteVector SampleFile(ImageFormat inFormat)
{
    const Pixels thePattern = Pixels::Pattern(24, 16, true);
    switch (inFormat) {
    case ImageFormat::kGif: {
        GifFrameSpec theFrame{0, 0, 24, 16};
        for (uint32_t thePixel = 0; thePixel < 24 * 16; ++thePixel) {
            theFrame.mIndices.push_back(uint8_t(thePixel % 4));
        }
        return WriteGifWithLibrary(24, 16, {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}, {theFrame});
    }
    case ImageFormat::kJpeg: {
        JpegSpec theSpec{24, 16, 3};
        return WriteJpegWithLibrary(theSpec, ByteVector(24 * 16 * 3, 90));
    }
    case ImageFormat::kTiff: {
        TiffSpec theSpec{24, 16, 3, 8, 0, 2, ByteVector(24 * 16 * 3, 7)};
        return WriteTiffWithLibrary({theSpec});
    }
    case ImageFormat::kWebp:
        return WriteWebpWithLibrary(thePattern, false);
    default: {
        ByteVector theFile;
        EXPECT_EQ(CodecRegistry::ForFormat(inFormat).Encode(thePattern.View(), theFile), Status::kOk);
        return theFile;
    }
    }
}

bool IsCleanFailure(Status inStatus)
{
    return inStatus == Status::kTruncated || inStatus == Status::kCorrupt || inStatus == Status::kDataInconsistent;
}

TEST(HostileFiles, TruncatedFilesOfEveryFormatFailCleanly)
{
    for (const Codec* theCodec : CodecRegistry::All()) {
        SCOPED_TRACE(theCodec->Name());
        const ByteVector theFile = SampleFile(theCodec->Format());
        ASSERT_TRUE(theCodec->Decode(theFile, 1)) << "the whole file decodes";
        // Cut inside the headers, and inside the picture data.
        for (size_t theLength : {theFile.size() / 8, theFile.size() / 2, theFile.size() - 3}) {
            SCOPED_TRACE(theLength);
            const Bytes theCut(theFile.data(), theLength);
            const Result<DecodedImage> theImage = theCodec->Decode(theCut, 1);
            if (theCut.size() < 4 || !theCodec->Sniff(theCut)) {
                EXPECT_EQ(theImage.Error(), Status::kNotThisFormat);
                continue;
            }
            ASSERT_FALSE(theImage);
            EXPECT_TRUE(IsCleanFailure(theImage.Error())) << int(theImage.Error());
        }
    }
}

TEST(HostileFiles, TruncationInsideDeclaredDataIsReportedAsTruncated)
{
    struct Case {
        ImageFormat mFormat;
        size_t mDrop;
    };
    const Case kCases[] = {
        {ImageFormat::kPng, 20},
        {ImageFormat::kJpeg, 20},
        {ImageFormat::kBmp, 20},
        {ImageFormat::kWebp, 20},
    };
    for (const Case& theCase : kCases) {
        const Codec& theCodec = CodecRegistry::ForFormat(theCase.mFormat);
        SCOPED_TRACE(theCodec.Name());
        ByteVector theFile = SampleFile(theCase.mFormat);
        theFile.resize(theFile.size() - theCase.mDrop);
        EXPECT_EQ(theCodec.Decode(theFile, 1).Error(), Status::kTruncated);
    }
}

TEST(HostileFiles, CorruptDataIsNotReportedAsAnotherFormat)
{
    // A bad IDAT checksum, a broken JPEG scan, a BMP with 7 bits per pixel, a GIF block of
    // unknown kind.
    ByteVector thePng = SampleFile(ImageFormat::kPng);
    ASSERT_EQ(std::string(thePng.begin() + 37, thePng.begin() + 41), "IDAT");
    thePng[41] = 0;  // the deflate stream's header
    EXPECT_EQ(CodecRegistry::ForFormat(ImageFormat::kPng).Decode(thePng, 1).Error(), Status::kDataInconsistent);

    const Pixels thePattern = Pixels::Pattern(64, 64, false);
    ByteVector theJpeg;
    ASSERT_EQ(CodecRegistry::ForFormat(ImageFormat::kJpeg).Encode(thePattern.View(), theJpeg), Status::kOk);
    static constexpr uint8_t kStartOfScan[] = {0xFF, 0xDA};
    const size_t theScan =
        std::search(theJpeg.begin(), theJpeg.end(), std::begin(kStartOfScan), std::end(kStartOfScan)) - theJpeg.begin();
    const size_t theData = theScan + 2 + (theJpeg[theScan + 2] << 8 | theJpeg[theScan + 3]);
    ASSERT_LT(theData + 100, theJpeg.size());
    theJpeg[theData + 20] = 0xFF;
    theJpeg[theData + 21] = 0xD9;  // end of image early in the scan
    EXPECT_EQ(CodecRegistry::ForFormat(ImageFormat::kJpeg).Decode(theJpeg, 1).Error(), Status::kDataInconsistent);

    ByteVector theBmp = SampleFile(ImageFormat::kBmp);
    theBmp[28] = 7;
    EXPECT_EQ(CodecRegistry::ForFormat(ImageFormat::kBmp).Decode(theBmp, 1).Error(), Status::kCorrupt);

    ByteVector theGif = SampleFile(ImageFormat::kGif);
    ASSERT_EQ(theGif[13 + 3 * 4], 0x2C);
    theGif[13 + 3 * 4] = 0x99;  // where the image descriptor starts, after a 4-colour table
    EXPECT_EQ(CodecRegistry::ForFormat(ImageFormat::kGif).Decode(theGif, 1).Error(), Status::kCorrupt);

    for (const Codec* theCodec : CodecRegistry::All()) {
        EXPECT_EQ(theCodec->Decode(ByteVector{'x', 'y', 'z', 'w', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1).Error(),
                  Status::kNotThisFormat);
        EXPECT_EQ(theCodec->Info(Bytes(), 1).Error(), Status::kNotThisFormat);
    }
}

// Hand-built files whose headers announce far more than they hold.
ByteVector GifOf40000Square()
{
    return {'G',  'I', 'F',  '8',  '9', 'a',  0x40, 0x9C, 0x40, 0x9C,         // screen 40000 x 40000
            0,    0,   0,                                                     // no global table
            0x2C, 0,   0,    0,    0,   0x40, 0x9C, 0x40, 0x9C, 0,            // image 40000 x 40000
            2,    2,   0x44, 0x01, 0,   0x3B, 0,    0,    0,    0,    0, 0};  // 35 bytes
}

ByteVector PngChunk(const char* inType, const ByteVector& inData, uint32_t inDeclaredLength)
{
    ByteVector theChunk = {uint8_t(inDeclaredLength >> 24), uint8_t(inDeclaredLength >> 16),
                           uint8_t(inDeclaredLength >> 8), uint8_t(inDeclaredLength)};
    for (int theIndex = 0; theIndex < 4; ++theIndex) {
        theChunk.push_back(uint8_t(inType[theIndex]));
    }
    for (uint8_t theByte : inData) {
        theChunk.push_back(theByte);
    }
    theChunk.resize(theChunk.size() + 4, 0);  // checksum, never reached
    return theChunk;
}

ByteVector PngWith(uint32_t inWidth, uint32_t inHeight, const ByteVector& inMiddle)
{
    ByteVector theFile = {137, 80, 78, 71, 13, 10, 26, 10};
    const ByteVector theHeader = PngChunk("IHDR",
                                          {uint8_t(inWidth >> 24), uint8_t(inWidth >> 16), uint8_t(inWidth >> 8),
                                           uint8_t(inWidth), uint8_t(inHeight >> 24), uint8_t(inHeight >> 16),
                                           uint8_t(inHeight >> 8), uint8_t(inHeight), 8, 6, 0, 0, 0},
                                          13);
    theFile.insert(theFile.end(), theHeader.begin(), theHeader.end());
    theFile.insert(theFile.end(), inMiddle.begin(), inMiddle.end());
    const ByteVector theData = PngChunk("IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}, 8);
    theFile.insert(theFile.end(), theData.begin(), theData.end());
    const ByteVector theEnd = PngChunk("IEND", {}, 0);
    theFile.insert(theFile.end(), theEnd.begin(), theEnd.end());
    return theFile;
}

ByteVector JpegDeclaring(uint16_t inWidth, uint16_t inHeight)
{
    JpegSpec theSpec{16, 16, 1};
    ByteVector theFile = WriteJpegWithLibrary(theSpec, ByteVector(256, 128));
    static constexpr uint8_t kStartOfFrame[] = {0xFF, 0xC0};
    const size_t theFrame =
        std::search(theFile.begin(), theFile.end(), std::begin(kStartOfFrame), std::end(kStartOfFrame)) -
        theFile.begin();
    EXPECT_LT(theFrame + 9, theFile.size());
    theFile[theFrame + 5] = uint8_t(inHeight >> 8);
    theFile[theFrame + 6] = uint8_t(inHeight);
    theFile[theFrame + 7] = uint8_t(inWidth >> 8);
    theFile[theFrame + 8] = uint8_t(inWidth);
    return theFile;
}

ByteVector BmpDeclaring(uint32_t inWidth, uint32_t inHeight)
{
    ByteVector theFile = SampleFile(ImageFormat::kBmp);
    for (int theIndex = 0; theIndex < 4; ++theIndex) {
        theFile[18 + theIndex] = uint8_t(inWidth >> (8 * theIndex));
        theFile[22 + theIndex] = uint8_t(inHeight >> (8 * theIndex));
    }
    return theFile;
}

// Rewrites the value of a TIFF entry of a little-endian file in place.
ByteVector TiffWithEntry(uint16_t inTag, uint32_t inValue)
{
    TiffSpec theSpec{24, 16, 3, 8, 0, 2, ByteVector(24 * 16 * 3, 7)};
    theSpec.mRowsPerStrip = 16;  // one strip, so that one value describes it
    ByteVector theFile = WriteTiffWithLibrary({theSpec});
    const uint32_t theDirectory = theFile[4] | theFile[5] << 8 | theFile[6] << 16 | uint32_t(theFile[7]) << 24;
    const uint16_t theCount = theFile[theDirectory] | theFile[theDirectory + 1] << 8;
    for (uint16_t theIndex = 0; theIndex < theCount; ++theIndex) {
        uint8_t* theEntry = theFile.data() + theDirectory + 2 + 12 * theIndex;
        if ((theEntry[0] | theEntry[1] << 8) == inTag) {
            theEntry[2] = 4;  // LONG
            theEntry[4] = 1;  // one value, stored in the entry itself
            theEntry[5] = theEntry[6] = theEntry[7] = 0;
            std::memcpy(theEntry + 8, &inValue, 4);
        }
    }
    return theFile;
}

// Offsets and byte counts claim 1 << 30 strips of a picture 16 rows high, the arrays past the end.
ByteVector TiffWithStripCount(uint32_t inCount)
{
    TiffSpec theSpec{24, 16, 3, 8, 0, 2, ByteVector(24 * 16 * 3, 7)};
    ByteVector theFile = WriteTiffWithLibrary({theSpec});
    const uint32_t theDirectory = theFile[4] | theFile[5] << 8 | theFile[6] << 16 | uint32_t(theFile[7]) << 24;
    const uint16_t theCount = theFile[theDirectory] | theFile[theDirectory + 1] << 8;
    for (uint16_t theIndex = 0; theIndex < theCount; ++theIndex) {
        uint8_t* theEntry = theFile.data() + theDirectory + 2 + 12 * theIndex;
        const int theTag = theEntry[0] | theEntry[1] << 8;
        if (theTag == 273 || theTag == 279) {
            std::memcpy(theEntry + 4, &inCount, 4);
        }
        if (theTag == 278) {  // rows per strip 0: as many strips as the counts say
            std::memset(theEntry + 8, 0, 4);
        }
    }
    return theFile;
}

ByteVector JpegWithManyScans()
{
    JpegSpec theSpec{64, 64, 1};
    theSpec.mManyScans = true;
    ByteVector theSamples(64 * 64);
    for (size_t thePos = 0; thePos < theSamples.size(); ++thePos) {
        theSamples[thePos] = uint8_t(thePos * 7);
    }
    return WriteJpegWithLibrary(theSpec, theSamples);
}

TEST(HostileFiles, RefusedQuicklyWithLittleMemory)
{
    constexpr uint32_t kGiB = 1u << 30;
    struct Case {
        const char* mLabel;
        ImageFormat mFormat;
        ByteVector mFile;
        Status mStatus;
    };
    const Case kCases[] = {
        {"35-byte GIF of 40000 x 40000", ImageFormat::kGif, GifOf40000Square(), Status::kTooLarge},
        {"PNG text chunk declaring 1 GiB", ImageFormat::kPng, PngWith(1, 1, PngChunk("tEXt", {'a', 0, 'b'}, kGiB)),
         Status::kTruncated},
        {"PNG of 100000 x 100000", ImageFormat::kPng, PngWith(100000, 100000, {}), Status::kTooLarge},
        {"PNG of 16000 x 16000 from 8 bytes of data", ImageFormat::kPng, PngWith(16000, 16000, {}), Status::kTruncated},
        {"JPEG of 65000 x 65000", ImageFormat::kJpeg, JpegDeclaring(65000, 65000), Status::kTooLarge},
        {"JPEG of 16000 x 16000 without the data", ImageFormat::kJpeg, JpegDeclaring(16000, 16000), Status::kTruncated},
        {"progressive JPEG of 127 scans", ImageFormat::kJpeg, JpegWithManyScans(), Status::kDataInconsistent},
        {"BMP with more pixels than bytes", ImageFormat::kBmp, BmpDeclaring(10000, 10000), Status::kTruncated},
        {"BMP of 2^31 - 1 square", ImageFormat::kBmp, BmpDeclaring(0x7fffffff, 0x7fffffff), Status::kTooLarge},
        {"TIFF strip past the end", ImageFormat::kTiff, TiffWithEntry(273, 0x7fffffff), Status::kTruncated},
        {"TIFF strip byte count past the end", ImageFormat::kTiff, TiffWithEntry(279, 0x7fffffff), Status::kTruncated},
        {"TIFF of a billion strips", ImageFormat::kTiff, TiffWithStripCount(1u << 30), Status::kCorrupt},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mLabel);
        const Codec& theCodec = CodecRegistry::ForFormat(theCase.mFormat);
        const auto theStart = std::chrono::steady_clock::now();
        const LimitedRun theRun =
            RunWithMemoryLimit(kChildMemory, [&] { return theCodec.Decode(theCase.mFile, 1).Error(); });
        const auto theElapsed = std::chrono::steady_clock::now() - theStart;
        EXPECT_EQ(theRun.mStatus, int32_t(theCase.mStatus));
        EXPECT_LT(theElapsed, std::chrono::seconds(2));
        EXPECT_LT(theRun.mLargest, size_t(16) << 20);
    }
}

TEST(HostileFiles, TheLimitedRunSeesAnHonestLargeDecode)
{
    const Pixels thePattern = Pixels::Pattern(2100, 2100, false);
    ByteVector theFile;
    ASSERT_EQ(CodecRegistry::ForFormat(ImageFormat::kBmp).Encode(thePattern.View(), theFile), Status::kOk);
    const LimitedRun theRun = RunWithMemoryLimit(
        kChildMemory, [&] { return CodecRegistry::ForFormat(ImageFormat::kBmp).Decode(theFile, 1).Error(); });
    EXPECT_EQ(theRun.mStatus, 0);
    EXPECT_GE(theRun.mLargest, size_t(2100) * 2100 * 4);
}

// Counts have no cap but the bytes: every frame and directory is counted and can be decoded.
TEST(HostileFiles, FramesBeyondAThousandAreCounted)
{
    ByteVector theFile = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
    for (int theFrame = 0; theFrame < 1500; ++theFrame) {
        const uint8_t kFrame[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0};
        theFile.insert(theFile.end(), std::begin(kFrame), std::end(kFrame));
    }
    theFile.push_back(0x3B);
    const Codec& theCodec = CodecRegistry::ForFormat(ImageFormat::kGif);
    EXPECT_EQ(theCodec.ImageCount(theFile).Value(), 1500u);
    EXPECT_TRUE(theCodec.Decode(theFile, 1500));
    EXPECT_EQ(theCodec.Decode(theFile, 1501).Error(), Status::kParameter);
}

TEST(HostileFiles, TiffDirectoriesBeyondAThousandCountAndALoopStops)
{
    std::vector<TiffSpec> theDirectories;
    for (int theIndex = 0; theIndex < 1005; ++theIndex) {
        theDirectories.emplace_back(1, 1, 1, 8, 0.0f, 2, ByteVector{uint8_t(theIndex)});
    }
    const Codec& theCodec = CodecRegistry::ForFormat(ImageFormat::kTiff);
    const ByteVector theMany = WriteTiffWithLibrary(theDirectories);
    EXPECT_EQ(theCodec.ImageCount(theMany).Value(), 1005u);
    const Result<DecodedImage> theLast = theCodec.Decode(theMany, 1005);
    ASSERT_TRUE(theLast);
    EXPECT_EQ(theLast->mPixels[0], uint8_t(1004));
    EXPECT_EQ(theCodec.Info(theMany, 1006).Error(), Status::kParameter);

    // The second directory's link pointed back at the first.
    ByteVector theLoop = WriteTiffWithLibrary({theDirectories[0], theDirectories[1]});
    auto theRead32 = [&](size_t inAt) {
        return uint32_t(theLoop[inAt] | theLoop[inAt + 1] << 8 | theLoop[inAt + 2] << 16 |
                        uint32_t(theLoop[inAt + 3]) << 24);
    };
    const uint32_t theFirst = theRead32(4);
    const uint32_t theSecond = theRead32(theFirst + 2 + 12 * (theLoop[theFirst] | theLoop[theFirst + 1] << 8));
    const size_t theLink = theSecond + 2 + 12 * (theLoop[theSecond] | theLoop[theSecond + 1] << 8);
    std::memcpy(theLoop.data() + theLink, &theFirst, 4);
    EXPECT_EQ(theCodec.ImageCount(theLoop).Value(), 2u);
    EXPECT_TRUE(theCodec.Decode(theLoop, 2));
}

TEST(HostileFiles, ManyScansAreFineBelowTheLimit)
{
    JpegSpec theSpec{64, 64, 1};
    theSpec.mProgressive = true;
    EXPECT_TRUE(
        CodecRegistry::ForFormat(ImageFormat::kJpeg).Decode(WriteJpegWithLibrary(theSpec, ByteVector(4096, 9)), 1));
}

TEST(HostileFiles, StoreLimitAppliesOnlyWhenAsked)
{
    // 40000 x 1 bilevel: few pixels, but wider than a store can be.
    PngSpec theSpec{40000, 1, 1, 0};
    const ByteVector theFile = WritePngWithLibrary(theSpec, {ByteVector(5000, 0xAA)});
    const Codec& theCodec = CodecRegistry::ForFormat(ImageFormat::kPng);
    EXPECT_TRUE(theCodec.Decode(theFile, 1));
    DecodeOptions theStore;
    theStore.mMaxSide = kStoreSideLimit;
    EXPECT_EQ(theCodec.Decode(theFile, 1, theStore).Error(), Status::kTooLarge);
    DecodeOptions theFew;
    theFew.mMaxPixels = 39999;
    EXPECT_EQ(theCodec.Decode(theFile, 1, theFew).Error(), Status::kTooLarge);
}

TEST(HostileFiles, FuzzFoundInputsFailCleanly)
{
    const std::string theList = DataPath("malformed/index.txt");
    std::ifstream theIndex(theList);
    ASSERT_TRUE(theIndex) << theList;
    std::string theName;
    int theCount = 0;
    while (theIndex >> theName) {
        SCOPED_TRACE(theName);
        std::ifstream theInput(DataPath("malformed/" + theName), std::ios::binary);
        ASSERT_TRUE(theInput);
        const ByteVector theFile((std::istreambuf_iterator<char>(theInput)), std::istreambuf_iterator<char>());
        const Codec* theCodec = CodecRegistry::ForBytes(theFile);
        ASSERT_NE(theCodec, nullptr);
        DecodeOptions theOptions;
        theOptions.mMaxPixels = uint64_t(1) << 22;
        const Result<DecodedImage> theImage = theCodec->Decode(theFile, 1, theOptions);
        EXPECT_TRUE(!theImage && IsCleanFailure(theImage.Error())) << int(theImage.Error());
        ++theCount;
    }
    EXPECT_GT(theCount, 0);
}

}  // namespace
}  // namespace vx::codecs::test
