// Images of multi-image files are counted and described from one pass over the bytes, with no
// cap but the bytes themselves, and however large the pages they declare.
#include <gtest/gtest.h>

#include <cstring>

#include "PictureBombs.h"
#include "codecs/CodecRegistry.h"

namespace vx::codecs::test {
namespace {

struct CountCase {
    const char* mLabel;
    ByteVector mFile;
    uint32_t mCount;
    uint32_t mWidth;
    uint32_t mHeight;
};

// The directory link of the page at inPage (126-byte pages after the 8-byte header).
void SetLink(ByteVector& ioFile, uint32_t inPage, uint32_t inOffset)
{
    std::memcpy(ioFile.data() + 8 + 126 * (inPage + 1) - 4, &inOffset, 4);
}

TEST(ImageCounting, EveryImageIsCountedAndDescribed)
{
    ByteVector theLoop = TiledTiffPages(64, 32, 40);
    SetLink(theLoop, 39, 8 + 126 * 10);
    ByteVector theCut = TiledTiffPages(64, 32, 40);
    SetLink(theCut, 24, uint32_t(theCut.size()) + 100);
    std::vector<CountCase> theCases;
    theCases.push_back({"tiff page", TiledTiffPages(32000, 8000, 1), 1, 32000, 8000});
    theCases.push_back({"tiff of 1000 huge tiled pages", TiledTiffPages(32000, 8000, 1000), 1000, 32000, 8000});
    theCases.push_back({"tiff of 8000 pages", TiledTiffPages(300, 200, 8000), 8000, 300, 200});
    theCases.push_back({"tiff whose last link loops back", theLoop, 40, 64, 32});
    theCases.push_back({"tiff whose link leaves the file", theCut, 25, 64, 32});
    theCases.push_back({"gif frame", GifFrames(40, 30, 1), 1, 40, 30});
    theCases.push_back({"gif of 1001 frames", GifFrames(40, 30, 1001), 1001, 40, 30});
    theCases.push_back({"gif of 60000 frames on a huge screen", GifFrames(16000, 16000, 60000), 60000, 16000, 16000});
    for (const CountCase& theCase : theCases) {
        SCOPED_TRACE(theCase.mLabel);
        const Codec* theCodec = CodecRegistry::ForBytes(theCase.mFile);
        ASSERT_NE(theCodec, nullptr);
        const Result<uint32_t> theCount = theCodec->ImageCount(theCase.mFile);
        ASSERT_TRUE(theCount) << int(theCount.Error());
        EXPECT_EQ(*theCount, theCase.mCount);
        const Result<Codec::ImageInfos> theInfos = theCodec->Describe(theCase.mFile);
        ASSERT_TRUE(theInfos) << int(theInfos.Error());
        ASSERT_EQ(theInfos->size(), theCase.mCount);
        for (size_t theIndex = 0; theIndex < theInfos->size(); ++theIndex) {
            const Result<ImageInfo>& theInfo = (*theInfos)[theIndex];
            ASSERT_TRUE(theInfo) << theIndex << ": " << int(theInfo.Error());
            ASSERT_EQ(theInfo->mWidth, theCase.mWidth) << theIndex;
            ASSERT_EQ(theInfo->mHeight, theCase.mHeight) << theIndex;
            ASSERT_EQ(theInfo->mImageCount, theCase.mCount) << theIndex;
        }
        // The last image alone reads the same; one past it does not exist.
        const Result<ImageInfo> theLast = theCodec->Info(theCase.mFile, theCase.mCount);
        ASSERT_TRUE(theLast) << int(theLast.Error());
        EXPECT_EQ(theLast->mWidth, theCase.mWidth);
        EXPECT_EQ(theCodec->Info(theCase.mFile, theCase.mCount + 1).Error(), Status::kParameter);
    }
}

// A directory libtiff cannot read fails alone in the description; the others keep theirs.
TEST(ImageCounting, AnUnreadableDirectoryFailsAlone)
{
    ByteVector theFile = TiledTiffPages(64, 32, 5);
    // Page 3 loses its width: the tag number becomes one nobody reads.
    const size_t theWidthTag = 8 + 126 * 2 + 2;
    theFile[theWidthTag] = 0x01;
    theFile[theWidthTag + 1] = 0x00;
    const Codec& theCodec = CodecRegistry::ForFormat(ImageFormat::kTiff);
    const Result<Codec::ImageInfos> theInfos = theCodec.Describe(theFile);
    ASSERT_TRUE(theInfos);
    ASSERT_EQ(theInfos->size(), 5u);
    EXPECT_FALSE((*theInfos)[2]);
    for (const size_t theIndex : {0u, 1u, 3u, 4u})
        EXPECT_TRUE((*theInfos)[theIndex]) << theIndex;
}

}  // namespace
}  // namespace vx::codecs::test
