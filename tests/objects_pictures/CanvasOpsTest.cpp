// DrawCanvas and SetChannel: one canvas's pixels drawn onto or read into another.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include <automation/ErrorInfo.h>

#include "objects_canvas/CanvasClient.h"
#include "objects_pictures/PictureSupport.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace pictures;

namespace {

class CanvasOpsTest : public ::testing::Test {
protected:
    void SetUp() override { SetErrorInfo(0, nullptr); }
};

// A canvas holding exactly the picture's pixels.
vx::Client PictureCanvas(const Pixels& inPixels)
{
    vx::Client theCanvas = CreateCanvas();
    theCanvas.Call("DrawData", Encode(Format::kPng, inPixels), "png", "");
    EXPECT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
    return theCanvas;
}

TEST_F(CanvasOpsTest, DrawCanvasCopiesPlacesAndSizesANeverSizedTarget)
{
    // Red on the left, blue from x = 3.
    vx::Client theSource =
        PictureCanvas(MakePixels(6, 4, {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF}));
    vx::Client theFresh = CreateCanvas();
    EXPECT_EQ(theFresh.Call("DrawCanvas", theSource.Object(), "").AsString(), "0,0,6,4");
    ASSERT_TRUE(theFresh.Ok()) << theFresh.LastError().mDescription;
    EXPECT_EQ(vx::codecs::test::MaxDifference(CanvasPixels(theSource), CanvasPixels(theFresh)), 0);

    vx::Client theTarget = FilledCanvas(10, 10, "white");
    EXPECT_EQ(theTarget.Call("DrawCanvas", theSource.Object(), "pos=2,3 srcrect=3,0,6,4").AsString(), "2,3,8,7");
    ASSERT_TRUE(theTarget.Ok()) << theTarget.LastError().mDescription;
    const Pixels thePixels = CanvasPixels(theTarget);
    // Only the source rectangle's part of the placed canvas is drawn.
    EXPECT_EQ(Argb(thePixels, 4, 3), 0xFFFFFFFFu);
    EXPECT_EQ(Argb(thePixels, 5, 3), 0xFF0000FFu);
    EXPECT_EQ(Argb(thePixels, 7, 6), 0xFF0000FFu);
    EXPECT_EQ(Argb(thePixels, 8, 6), 0xFFFFFFFFu);

    // Onto itself, moved: every pixel is read before it is written.
    vx::Client theSelf = PictureCanvas(MakePixels(4, 1, {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}));
    theSelf.Call("DrawCanvas", theSelf.Object(), "pos=1,0");
    ASSERT_TRUE(theSelf.Ok()) << theSelf.LastError().mDescription;
    const Pixels theShifted = CanvasPixels(theSelf);
    EXPECT_EQ(Argb(theShifted, 0, 0), 0xFF000000u);
    EXPECT_EQ(Argb(theShifted, 1, 0), 0xFF000000u);
    EXPECT_EQ(Argb(theShifted, 2, 0), 0xFFFFFFFFu);
}

TEST_F(CanvasOpsTest, DrawCanvasBlendsWithTheOperationColourAndPutsTheModeBack)
{
    vx::Client theSource = FilledCanvas(2, 2, PercentColor(200, 100, 0).c_str());
    vx::Client theTarget = FilledCanvas(2, 2, PercentColor(0, 100, 200).c_str());
    theTarget.Call("DrawCanvas", theSource.Object(), "mode=blend modecolor=" + PercentColor(255, 128, 0));
    ASSERT_TRUE(theTarget.Ok()) << theTarget.LastError().mDescription;
    // Opaque source: the weights are the operation colour, 255, 128 and 0.
    EXPECT_EQ(Argb(CanvasPixels(theTarget), 1, 1) & 0xFFFFFF, 0xC864C8u);
    // Without a mode of its own, the next drawing copies: the canvas's mode is as it was.
    theTarget.Call("DrawCanvas", theSource.Object(), "");
    EXPECT_EQ(Argb(CanvasPixels(theTarget), 1, 1) & 0xFFFFFF, 0xC86400u);
}

TEST_F(CanvasOpsTest, DrawCanvasOfNothingOrOfNoCanvas)
{
    vx::Client theTarget = FilledCanvas(3, 3, "white");
    vx::Client theEmpty = CreateCanvas();
    theTarget.Call("DrawCanvas", theEmpty.Object(), "");
    EXPECT_TRUE(theTarget.Ok()) << theTarget.LastError().mDescription;
    EXPECT_EQ(Argb(CanvasPixels(theTarget), 1, 1), 0xFFFFFFFFu);

    vx::Client theColor = CreateByFactory(&VxGetClassObject_XColor);
    theTarget.Call("DrawCanvas", theColor.Object(), "");
    EXPECT_EQ(theTarget.LastError().mCode, E_FAIL);
    EXPECT_THAT(theTarget.LastError().mDescription, HasSubstr("(-2147467262) occurred.\n\n\nDraw Canvas: Image={ok}"));
    theTarget.Call("SetChannel", "red", theColor.Object());
    EXPECT_EQ(theTarget.LastError().mCode, E_FAIL);
    EXPECT_EQ(Argb(CanvasPixels(theTarget), 1, 1), 0xFFFFFFFFu);
}

TEST_F(CanvasOpsTest, SetChannelReplacesOneChannelWithTheSourceIntensity)
{
    const std::string theColor = PercentColor(10, 20, 30);
    vx::Client theTarget = FilledCanvas(5, 3, theColor.c_str());
    vx::Client theWhite = FilledCanvas(5, 3, "white");
    vx::Client theBlack = FilledCanvas(5, 3, "black");
    theTarget.Call("SetChannel", "alpha", theBlack.Object());
    ASSERT_TRUE(theTarget.Ok()) << theTarget.LastError().mDescription;
    EXPECT_EQ(Argb(CanvasPixels(theTarget), 4, 2), 0x000A141Eu);
    theTarget.Call("SetChannel", "alpha", theWhite.Object());
    EXPECT_EQ(Argb(CanvasPixels(theTarget), 4, 2), 0xFF0A141Eu);

    // A grey of the default 8-bit table, 0x8888 in each channel: (3 × 0x8888) / 768 = 136.
    vx::Client theGrey = FilledCanvas(2, 2, PercentColor(0x88, 0x88, 0x88).c_str());
    theTarget.Call("SetChannel", "green", theGrey.Object());
    EXPECT_EQ(Argb(CanvasPixels(theTarget), 0, 0), 0xFF0A881Eu);
}

TEST_F(CanvasOpsTest, SetChannelScalesTheSourceAndMakesTheCanvas32BitsDeep)
{
    // Left half black, right half white, at a quarter of the target's size.
    vx::Client theSource = PictureCanvas(MakePixels(4, 2, {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}));
    vx::Client theTarget = FilledCanvas(16, 8, "black");
    ASSERT_TRUE(theTarget.Put("Depth", "256"));
    theTarget.Call("SetChannel", "red", theSource.Object());
    ASSERT_TRUE(theTarget.Ok()) << theTarget.LastError().mDescription;
    EXPECT_EQ(theTarget.Get("Depth").AsString(), "millions");
    const Pixels thePixels = CanvasPixels(theTarget);
    EXPECT_EQ(Argb(thePixels, 1, 4), 0xFF000000u);
    EXPECT_EQ(Argb(thePixels, 14, 4), 0xFFFF0000u);

    // A canvas without pixels gets 256 × 256 of them.
    vx::Client theFresh = CreateCanvas();
    theFresh.Call("SetChannel", "blue", theSource.Object());
    ASSERT_TRUE(theFresh.Ok()) << theFresh.LastError().mDescription;
    EXPECT_EQ(theFresh.Get("Width").AsLong(), 256);
    EXPECT_EQ(Argb(CanvasPixels(theFresh), 250, 10), 0xFFFFFFFFu);
    EXPECT_EQ(Argb(CanvasPixels(theFresh), 5, 10), 0xFFFFFF00u);
}

TEST_F(CanvasOpsTest, UnknownChannelLeavesTheCanvasUntouched)
{
    vx::Client theTarget = FilledCanvas(3, 3, "red");
    ASSERT_TRUE(theTarget.Put("Depth", "256"));
    vx::Client theSource = FilledCanvas(3, 3, "white");
    const std::string theBefore = theTarget.Call("GetColor", "1,1").AsString();
    theTarget.Call("SetChannel", "purple", theSource.Object());
    EXPECT_EQ(theTarget.LastError().mCode, E_FAIL);
    EXPECT_THAT(
        theTarget.LastError().mDescription,
        StartsWith("Unable to understand channel.\n\n\nSet Channel: Canvas={ok} Channel={purple} Canvas={Width=3"));
    EXPECT_EQ(theTarget.Get("Depth").AsString(), "256");
    EXPECT_EQ(theTarget.Call("GetColor", "1,1").AsString(), theBefore);
}

}  // namespace
