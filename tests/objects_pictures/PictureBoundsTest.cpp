// What a picture or a size may cost: small files declaring huge pictures are refused by the
// default pixel limit before anything is decoded, sides beyond a store's are refused by name,
// and a canvas's own MaxPixels lets a page take bigger pictures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <automation/ErrorInfo.h>

#include "codecs/PictureBombs.h"
#include "objects_canvas/CanvasClient.h"
#include "objects_pictures/PictureSupport.h"
#include "vellumax/errors/Settings.h"

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using namespace pictures;
using namespace vx::codecs::test;

namespace {

constexpr const char* kRaise = " A page raises it with the canvas's MaxPixels property, up to 1073676289.";
// Far below any decode of the pictures below, far above what refusing them takes.
constexpr std::size_t kRefusalAllocation = std::size_t(4) << 20;

class PictureBoundsTest : public ::testing::Test {
protected:
    void SetUp() override { SetErrorInfo(0, nullptr); }

    struct Bomb {
        const char* mLabel;
        ByteVector mBytes;
        const char* mType;
    };
    static std::vector<Bomb> Bombs(std::uint32_t inSide)
    {
        return {
            {"lossless webp", LosslessWebpHeader(inSide, inSide), "webp"},
            {"png", ZeroPng(inSide, inSide), "png"},
            {"tiff", TiledTiffPages(inSide, inSide, 1), "tif"},
            {"gif", GifFrames(inSide, inSide, 1), "gif"},
            {"progressive jpeg", ProgressiveJpegClaiming(std::uint16_t(inSide), std::uint16_t(inSide)), "jpg"},
            {"rle bmp", RleBmp(inSide, inSide), "bmp"},
        };
    }
};

// Each format's bomb of 16000 x 16000 fails with the limit's own text, before a
// decode allocates anything, and leaves a canvas's pixels or its lack of them.
TEST_F(PictureBoundsTest, BombsAreRefusedByTheDefaultLimit)
{
    const std::string kMessage =
        std::string("A picture of 16000 x 16000 pixels is larger than the limit of 4194304 pixels set by MaxPixels.") +
        kRaise;
    for (const Bomb& theBomb : Bombs(16000)) {
        SCOPED_TRACE(theBomb.mLabel);
        vx::Client theCanvas = FilledCanvas(16, 16, "0,50,100");
        const Pixels theBefore = CanvasPixels(theCanvas);
        ResetLargestAllocation();
        theCanvas.Call("DrawData", theBomb.mBytes, theBomb.mType, "");
        EXPECT_LT(LargestAllocation(), kRefusalAllocation);
        EXPECT_EQ(theCanvas.LastError().mCode, E_FAIL);
        EXPECT_THAT(theCanvas.LastError().mDescription, StartsWith(kMessage + "\n"));
        EXPECT_THAT(theCanvas.LastError().mDescription, Not(HasSubstr("not enough memory")));
        EXPECT_EQ(vx::codecs::test::MaxDifference(theBefore, CanvasPixels(theCanvas)), 0);

        vx::Client theFresh = CreateCanvas();
        theFresh.Call("DrawData", theBomb.mBytes, "", "");
        EXPECT_THAT(theFresh.LastError().mDescription, StartsWith(kMessage));
        EXPECT_EQ(theFresh.Get("Width").AsLong(), 0);
        EXPECT_EQ(theFresh.Get("HBITMAP").AsLong(), 0);
    }
    // A canvas of that size meets the same limit, side by side.
    vx::Client theCanvas = CreateCanvas();
    ASSERT_TRUE(theCanvas.Put("Width", 16000));
    EXPECT_FALSE(theCanvas.Put("Height", 16000));
    EXPECT_THAT(theCanvas.LastError().mDescription, StartsWith(kMessage));
    EXPECT_EQ(theCanvas.Get("HBITMAP").AsLong(), 0);
}

// A side no store can hold is refused by name, from a picture's header or a
// canvas property, not as a lack of memory.
TEST_F(PictureBoundsTest, SidesBeyondAStoreAreRefusedByName)
{
    const std::string kSide = " pixels has a side over 32767 pixels, the most a canvas can hold.";
    const struct {
        const char* mLabel;
        ByteVector mBytes;
        const char* mSize;
    } kCases[] = {
        {"wide gif", GifFrames(40000, 10, 1), "40000 x 10"},
        {"tall tiff", TiledTiffPages(16, 65000, 1), "16 x 65000"},
        {"wide png", ZeroPng(32768, 1), "32768 x 1"},
        {"tall bmp", RleBmp(2, 50000), "2 x 50000"},
    };
    for (const auto& theCase : kCases) {
        SCOPED_TRACE(theCase.mLabel);
        vx::Client theCanvas = CreateCanvas();
        theCanvas.Call("DrawData", theCase.mBytes, "", "");
        EXPECT_EQ(theCanvas.LastError().mCode, E_FAIL);
        EXPECT_THAT(theCanvas.LastError().mDescription,
                    StartsWith(std::string("A picture of ") + theCase.mSize + kSide + "\n"));
        EXPECT_THAT(theCanvas.LastError().mDescription, Not(HasSubstr("not enough memory")));
        EXPECT_EQ(theCanvas.Get("Width").AsLong(), 0);
    }
    vx::Client theCanvas = FilledCanvas(10, 10, "white");
    EXPECT_FALSE(theCanvas.Put("Width", 32768));
    EXPECT_THAT(theCanvas.LastError().mDescription, StartsWith("A picture of 32768 x 10" + kSide));
    EXPECT_EQ(theCanvas.Get("Width").AsLong(), 10);
}

// MaxPixels of a canvas reads the limit in force and overrides the setting for
// that canvas alone, both ways; 0 goes back to the setting.
TEST_F(PictureBoundsTest, ACanvasOwnLimitOverridesTheSetting)
{
    const PrivateRegistry theRegistry("picture-bounds");
    vx::Client theCanvas = CreateCanvas();
    EXPECT_EQ(theCanvas.Get("MaxPixels").AsLong(), 4194304);
    WriteSetting(kMaxPixelsSetting, 600);
    EXPECT_EQ(theCanvas.Get("MaxPixels").AsLong(), 600);

    const ByteVector thePicture = Encode(Format::kPng, MakePixels(40, 30, {0xFF00FF00}));
    theCanvas.Call("DrawData", thePicture, "png", "");
    EXPECT_THAT(theCanvas.LastError().mDescription, StartsWith("A picture of 40 x 30 pixels is larger than the "
                                                               "limit of 600 pixels set by MaxPixels."));
    ASSERT_TRUE(theCanvas.Put("MaxPixels", 1200));
    EXPECT_EQ(theCanvas.Get("MaxPixels").AsLong(), 1200);
    theCanvas.Call("DrawData", thePicture, "png", "");
    ASSERT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
    EXPECT_EQ(theCanvas.Get("Width").AsLong(), 40);
    // Another canvas keeps the setting.
    vx::Client theOther = CreateCanvas();
    theOther.Put("Width", 40);
    EXPECT_FALSE(theOther.Put("Height", 30));

    // Lower than the setting binds too, for sizes and pictures alike.
    ASSERT_TRUE(theOther.Put("MaxPixels", 100));
    EXPECT_FALSE(theOther.Put("Height", 20));
    EXPECT_THAT(theOther.LastError().mDescription, HasSubstr("limit of 100 pixels"));
    ASSERT_TRUE(theOther.Put("MaxPixels", 0));
    EXPECT_EQ(theOther.Get("MaxPixels").AsLong(), 600);
    EXPECT_TRUE(theOther.Put("Height", 15));

    for (const int theWrong : {-1, 1073676290, 2147483647}) {
        EXPECT_FALSE(theCanvas.Put("MaxPixels", theWrong)) << theWrong;
        EXPECT_THAT(theCanvas.LastError().mDescription, HasSubstr("Set Canvas MaxPixels  =  ")) << theWrong;
    }
    EXPECT_EQ(theCanvas.Get("MaxPixels").AsLong(), 1200);
    WriteSetting(kMaxPixelsSetting, 0);
}

// A picture and a canvas just over the default go through once a page raises
// its canvas's limit, and the scratch stores of later calls follow that canvas.
TEST_F(PictureBoundsTest, ARaisedLimitLetsABigPictureThrough)
{
    const ByteVector theBig = ZeroPng(2049, 2049);
    vx::Client theCanvas = CreateCanvas();
    theCanvas.Call("DrawData", theBig, "png", "");
    EXPECT_THAT(theCanvas.LastError().mDescription, StartsWith("A picture of 2049 x 2049 pixels is larger"));
    ASSERT_TRUE(theCanvas.Put("MaxPixels", 2049 * 2049));
    theCanvas.Call("DrawData", theBig, "png", "");
    ASSERT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
    EXPECT_EQ(theCanvas.Get("Height").AsLong(), 2049);
    EXPECT_THAT(theCanvas.Call("GetColor", "2048,2048").AsString(), StartsWith("0.0,0.0,0.0,"));
    // A transparent export works on a copy of the canvas's size.
    theCanvas.Call("GetAs", "png", "transparent=0,0");
    EXPECT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
}

}  // namespace
