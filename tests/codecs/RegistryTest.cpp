// The codec table: order, signatures, MIME type lists, default extensions, codec names.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "codecs/CodecNames.h"
#include "codecs/CodecRegistry.h"

namespace vx::codecs::test {
namespace {

std::string FourChars(uint32_t inCode)
{
    return {char(inCode >> 24), char(inCode >> 16), char(inCode >> 8), char(inCode)};
}

TEST(CodecRegistry, StableOrderWithMimeListsAndExtensions)
{
    struct Row {
        ImageFormat mFormat;
        const char* mName;
        const char* mExtensions;
        const char* mMime;
        const char* mDescription;
        const char* mDefault;
        bool mEncodes;
    };
    const Row kRows[] = {
        {ImageFormat::kPng, "PNG", "png", "image/png", "PNG", "png ", true},
        {ImageFormat::kJpeg, "JPEG", "jpg,jpeg,jpe", "image/jpeg", "JPEG", "jpg ", true},
        {ImageFormat::kGif, "GIF", "gif", "image/gif", "GIF", "gif ", false},
        {ImageFormat::kBmp, "BMP", "bmp,dib", "image/bmp", "BMP", "bmp ", true},
        {ImageFormat::kTiff, "TIFF", "tif,tiff", "image/tiff", "TIFF", "tif ", true},
        {ImageFormat::kWebp, "WebP", "webp", "image/webp", "WebP", "webp", true},
    };
    const auto theAll = CodecRegistry::All();
    ASSERT_EQ(theAll.size(), std::size(kRows));
    for (size_t theIndex = 0; theIndex < theAll.size(); ++theIndex) {
        const Row& theRow = kRows[theIndex];
        const Codec& theCodec = *theAll[theIndex];
        SCOPED_TRACE(theRow.mName);
        EXPECT_EQ(theCodec.Format(), theRow.mFormat);
        EXPECT_EQ(&CodecRegistry::ForFormat(theRow.mFormat), &theCodec);
        EXPECT_EQ(theCodec.Name(), theRow.mName);
        EXPECT_EQ(theCodec.Mime().mExtensions, theRow.mExtensions);
        ASSERT_FALSE(theCodec.Mime().mMimeTypes.empty());
        EXPECT_EQ(theCodec.Mime().mMimeTypes[0], theRow.mMime);
        EXPECT_EQ(theCodec.Mime().mDescription, theRow.mDescription);
        EXPECT_EQ(FourChars(theCodec.DefaultExtension()), theRow.mDefault);
        EXPECT_EQ(theCodec.CanEncode(), theRow.mEncodes);
    }
}

TEST(CodecRegistry, EachFormatIsFoundByItsContentAlone)
{
    const Pixels thePattern = Pixels::Pattern(4, 4, false);
    GifFrameSpec theFrame{0, 0, 1, 1};
    theFrame.mIndices = {0};
    const ByteVector theGif = WriteGifWithLibrary(1, 1, {0, 0, 0, 255, 255, 255}, {theFrame});
    EXPECT_EQ(CodecRegistry::ForBytes(theGif), &CodecRegistry::ForFormat(ImageFormat::kGif));
    for (const Codec* theCodec : CodecRegistry::All()) {
        if (!theCodec->CanEncode()) {
            continue;
        }
        SCOPED_TRACE(theCodec->Name());
        ByteVector theFile;
        ASSERT_EQ(theCodec->Encode(thePattern.View(), theFile), Status::kOk);
        EXPECT_EQ(CodecRegistry::ForBytes(theFile), theCodec);
        const Result<ImageInfo> theInfo = theCodec->Info(theFile, 1);
        ASSERT_TRUE(theInfo);
        EXPECT_EQ(theInfo->mFormatName, theCodec->Name());
        EXPECT_EQ(theInfo->mImageCount, 1u);
        EXPECT_EQ(theCodec->ImageCount(theFile).Value(), 1u);
        EXPECT_EQ(theCodec->Info(theFile, 2).Error(), Status::kParameter);
        for (const Codec* theOther : CodecRegistry::All()) {
            if (theOther != theCodec) {
                EXPECT_EQ(theOther->Info(theFile, 1).Error(), Status::kNotThisFormat) << theOther->Name();
            }
        }
    }
    EXPECT_EQ(CodecRegistry::ForBytes(ByteVector{0, 1, 2, 3}), nullptr);
}

TEST(CodecNames, TableOfNamesAndTypes)
{
    const auto theNames = CodecNameList();
    const std::pair<const char*, const char*> kExpected[] = {{"PNG", "png "}, {"JPEG", "jpeg"}, {"GIF", "gif "},
                                                             {"BMP", "bmp "}, {"TIFF", "tiff"}, {"WebP", "webp"},
                                                             {"Raw", "raw "}};
    ASSERT_EQ(theNames.size(), std::size(kExpected));
    for (size_t theIndex = 0; theIndex < theNames.size(); ++theIndex) {
        EXPECT_EQ(theNames[theIndex].mName, kExpected[theIndex].first);
        EXPECT_EQ(FourChars(theNames[theIndex].mType), kExpected[theIndex].second);
        EXPECT_LE(theNames[theIndex].mName.size(), 31u);
    }
}

}  // namespace
}  // namespace vx::codecs::test
