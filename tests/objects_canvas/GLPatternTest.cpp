// Patterns under "opengl=true": the pattern canvas's top-left power-of-two
// part repeats from the canvas origin, turns with the shape's transform, and
// may outline as well as fill.
#include <gtest/gtest.h>

#include <string>

#include "objects_canvas/CanvasClient.h"
#include "vellumax/params/Utilities.h"

namespace {

std::string Pixel(int inRed, int inGreen, int inBlue)
{
    ColorValue theColor;
    theColor.SetComponents(std::uint16_t(inRed << 8), std::uint16_t(inGreen << 8), std::uint16_t(inBlue << 8), 0xFF00);
    char theText[kTextCapacity];
    FormatColor(theColor, theText);
    return theText;
}

const std::string kRed = Pixel(255, 0, 0);
const std::string kWhite = Pixel(255, 255, 255);

class GLPatternTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // 100 x 60, white, a red square at its top-left corner, blue beyond 64 x 32.
        mPattern = CreateCanvas();
        ASSERT_TRUE(mPattern.Put("Width", 100));
        ASSERT_TRUE(mPattern.Put("Height", 60));
        Draw(mPattern, "rect=0,0,10,10 paintcolor=100,0,0");
        Draw(mPattern, "rect=64,0,100,60 paintcolor=0,0,100");
        Draw(mPattern, "rect=0,32,64,60 paintcolor=0,0,100");
        mCanvas = CreateCanvas();
        ASSERT_TRUE(mCanvas.Put("Width", 200));
        ASSERT_TRUE(mCanvas.Put("Height", 100));
        ASSERT_TRUE(mCanvas.PutRef("Pattern", mPattern.Object()));
    }

    static void Draw(vx::Client& ioCanvas, const char* inParams, const char* inShape = "rect")
    {
        ioCanvas.Call("DrawShape", inShape, std::string(inParams) + " op=paint pensize=0");
        ASSERT_TRUE(ioCanvas.Ok()) << ioCanvas.LastError().mDescription;
    }

    std::string At(int inX, int inY)
    {
        return mCanvas.Call("GetColor", std::to_string(inX) + "," + std::to_string(inY)).AsString();
    }

    vx::Client mPattern;
    vx::Client mCanvas;
};

TEST_F(GLPatternTest, TheTopLeftPowerOfTwoPartRepeatsFromTheOrigin)
{
    // Copied out of the 100 x 60 pattern, then read as it is from one of 64 x 32.
    vx::Client theExact = CreateCanvas();
    ASSERT_TRUE(theExact.Put("Width", 64));
    ASSERT_TRUE(theExact.Put("Height", 32));
    Draw(theExact, "rect=0,0,10,10 paintcolor=100,0,0");
    for (vx::Client* thePattern : {&mPattern, &theExact}) {
        ASSERT_TRUE(mCanvas.PutRef("Pattern", thePattern->Object()));
        mCanvas.Call("DrawShape", "rect", "rect=0,0,200,100 paintcolor=pattern op=paint opengl=true");
        ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
        for (int y = 0; y < 100; y += 3)
            for (int x = 0; x < 200; x += 3) {
                const bool theSquare = x % 64 < 10 && y % 32 < 10;
                ASSERT_EQ(At(x, y), theSquare ? kRed : kWhite) << x << "," << y;
            }
    }
}

TEST_F(GLPatternTest, ThePatternTurnsWithTheShape)
{
    // Half a turn about the middle: canvas pixel (x, y) shows pattern pixel (199 - x, 99 - y).
    mCanvas.Call("DrawShape", "rect", "rect=0,0,200,100 paintcolor=pattern op=paint opengl=true rotate=180,100,50");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(At(194, 95), kRed);
    EXPECT_EQ(At(130, 31), kRed);  // 69, 68 in the pattern: 5, 4 of its repeat
    EXPECT_EQ(At(5, 5), kWhite);
    EXPECT_EQ(At(100, 50), kWhite);
}

TEST_F(GLPatternTest, OutlinesTakeThePatternTintedByAFillJustDrawn)
{
    mCanvas.Call("DrawShape", "rect", "rect=0,0,200,100 pencolor=pattern pensize=4 op=draw opengl=true");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(At(2, 5), kRed);
    EXPECT_EQ(At(1, 50), kWhite);
    EXPECT_EQ(At(50, 50), Pixel(255, 255, 255));

    // A green fill first: the red pattern modulated by green is black, its white green.
    mCanvas.Call("DrawShape", "rect", "rect=0,0,200,100 pencolor=pattern paintcolor=0,100,0 pensize=4 opengl=true");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(At(2, 5), Pixel(0, 0, 0));
    EXPECT_EQ(At(1, 50), Pixel(0, 255, 0));
    EXPECT_EQ(At(50, 50), Pixel(0, 255, 0));
}

TEST_F(GLPatternTest, ACanvasCanBeItsOwnPattern)
{
    // 128 x 64 is used in place, 200 x 100 copied: both read pixels the call writes.
    for (const int theWidth : {128, 200}) {
        vx::Client theCanvas = CreateCanvas();
        ASSERT_TRUE(theCanvas.Put("Width", theWidth));
        ASSERT_TRUE(theCanvas.Put("Height", theWidth / 2));
        Draw(theCanvas, "rect=0,0,10,10 paintcolor=100,0,0");
        ASSERT_TRUE(theCanvas.PutRef("Pattern", theCanvas.Object()));
        theCanvas.Call("DrawShape", "rect", "rect=0,0,60,60 paintcolor=pattern op=paint opengl=true");
        ASSERT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
        // The red square repeats onto itself; the rest of the repeat is white.
        EXPECT_EQ(theCanvas.Call("GetColor", "5,5").AsString(), kRed);
        EXPECT_EQ(theCanvas.Call("GetColor", "30,30").AsString(), kWhite);
    }
}

TEST_F(GLPatternTest, APatternWithoutAPatternCanvasFailsAndDrawsNothing)
{
    vx::Client theLone = CreateCanvas();
    ASSERT_TRUE(theLone.Put("Width", 20));
    ASSERT_TRUE(theLone.Put("Height", 20));
    for (const char* theParams :
         {"rect=0,0,20,20 paintcolor=pattern opengl=true", "rect=0,0,20,20 pencolor=pattern op=draw opengl=true"}) {
        theLone.Call("DrawShape", "rect", theParams);
        EXPECT_EQ(theLone.LastError().mDescription.rfind("Cannot paint pattern because one has not been specified.", 0),
                  0u)
            << theLone.LastError().mDescription;
        EXPECT_EQ(theLone.Call("GetColor", "10,10").AsString(), kWhite);
    }
}

}  // namespace
