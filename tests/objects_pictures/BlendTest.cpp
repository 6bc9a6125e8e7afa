// alphablend: translucent pen, paint and text colours composited over the
// canvas, checked pixel by pixel against premultiplied source-over computed
// here. Which pixels a shape covers comes from drawing it opaque (blending
// off), so the model shares no arithmetic with the code under test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "objects_canvas/CanvasClient.h"
#include "objects_pictures/PictureSupport.h"

namespace {

using pictures::Argb;
using pictures::CanvasPixels;
using pictures::Pixels;

struct Rgba {
    double r, g, b, a;  // straight, 0..1
};

Rgba FromArgb(std::uint32_t inArgb)
{
    return {((inArgb >> 16) & 0xFF) / 255.0, ((inArgb >> 8) & 0xFF) / 255.0, (inArgb & 0xFF) / 255.0,
            (inArgb >> 24) / 255.0};
}

// Premultiplied source over, the source covering inShare of the pixel.
Rgba Over(const Rgba& inSource, double inShare, const Rgba& inDestination)
{
    const double a = inSource.a * inShare;
    const double theAlpha = a + inDestination.a * (1 - a);
    if (theAlpha <= 0)
        return {0, 0, 0, 0};
    const auto theChannel = [&](double inS, double inD) {
        return (inS * a + inD * inDestination.a * (1 - a)) / theAlpha;
    };
    return {theChannel(inSource.r, inDestination.r), theChannel(inSource.g, inDestination.g),
            theChannel(inSource.b, inDestination.b), theAlpha};
}

// The largest difference in bytes of alpha and the premultiplied colour
// channels: what shows once composited on anything, however clear the pixel.
int Difference(const Rgba& inExpected, std::uint32_t inActual)
{
    const Rgba theActual = FromArgb(inActual);
    const double theWorst = std::max({std::fabs(inExpected.a - theActual.a),
                                      std::fabs(inExpected.r * inExpected.a - theActual.r * theActual.a),
                                      std::fabs(inExpected.g * inExpected.a - theActual.g * theActual.a),
                                      std::fabs(inExpected.b * inExpected.a - theActual.b * theActual.a)});
    return int(std::lround(theWorst * 255));
}

// "#rrggbbaa" and its model colour.
struct Colour {
    const char* mText;
    Rgba mModel;
};
const Colour kPaint{"#ff204080", {1.0, 0x20 / 255.0, 0x40 / 255.0, 0x80 / 255.0}};
const Colour kPen{"#10c0f060", {0x10 / 255.0, 0xc0 / 255.0, 0xf0 / 255.0, 0x60 / 255.0}};
const Colour kText{"#3050a0b0", {0x30 / 255.0, 0x50 / 255.0, 0xa0 / 255.0, 0xb0 / 255.0}};

// Grounds: opaque, transparent, and half-transparent (percentages).
struct Ground {
    const char* mName;
    const char* mColor;
};
constexpr Ground kGrounds[] = {{"opaque", "20,60,40,100"}, {"clear", "0,0,0,0"}, {"half", "90,30,10,50"}};

vx::Client GroundCanvas(const Ground& inGround, int inWidth = 80, int inHeight = 64)
{
    vx::Client theCanvas = CreateCanvas();
    EXPECT_TRUE(theCanvas.Put("Width", inWidth));
    EXPECT_TRUE(theCanvas.Put("Height", inHeight));
    EXPECT_TRUE(theCanvas.Put("UseColorAlpha", true));
    EXPECT_TRUE(theCanvas.Put("Color", inGround.mColor));
    theCanvas.Call("Erase");
    EXPECT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
    return theCanvas;
}

void DrawShape(vx::Client& ioCanvas, const char* inShape, const std::string& inParams)
{
    ioCanvas.Call("DrawShape", inShape, inParams);
    ASSERT_TRUE(ioCanvas.Ok()) << inParams << ": " << ioCanvas.LastError().mDescription;
}

// Where an opaque black drawing with these parameters lands on white.
std::vector<bool> Covered(const char* inShape, const std::string& inParams)
{
    vx::Client theCanvas = GroundCanvas({"white", "100,100,100,100"});
    DrawShape(theCanvas, inShape, inParams + " pencolor=black paintcolor=black");
    const Pixels thePixels = CanvasPixels(theCanvas);
    std::vector<bool> theCovered;
    for (std::uint32_t y = 0; y < thePixels.mHeight; ++y)
        for (std::uint32_t x = 0; x < thePixels.mWidth; ++x)
            theCovered.push_back((Argb(thePixels, x, y) & 0xFFFFFF) == 0);
    return theCovered;
}

struct ShapeCase {
    const char* mShape;
    const char* mParams;
};
// Runs of pixels, whole-pixel boxes, and Cairo paths (turned, polygon, outline of text).
constexpr ShapeCase kShapes[] = {
    {"rect", "rect=8,6,60,50 pensize=5"},
    {"oval", "rect=5,4,70,58 pensize=4"},
    {"roundrect", "rect=8,6,66,52 pensize=3 cornersize=20"},
    {"poly", "points=5,5,70,12,40,60,10,40 pensize=3"},
    {"rect", "rect=20,12,60,44 pensize=3 rotation=30,40,28"},
    {"line", "points=4,4,76,60,4,60 pensize=6"},
};

TEST(BlendTest, TwoDimensionalShapesCompositePaintThenPen)
{
    for (const Ground& theGround : kGrounds)
        for (const ShapeCase& theCase : kShapes) {
            SCOPED_TRACE(std::string(theGround.mName) + " " + theCase.mShape + " " + theCase.mParams);
            const std::vector<bool> theFill = Covered(theCase.mShape, std::string(theCase.mParams) + " op=paint");
            const std::vector<bool> theStroke = Covered(theCase.mShape, std::string(theCase.mParams) + " op=draw");
            vx::Client theCanvas = GroundCanvas(theGround);
            const Pixels theBefore = CanvasPixels(theCanvas);
            DrawShape(theCanvas, theCase.mShape,
                      std::string(theCase.mParams) + " alphablend=true paintcolor=" + kPaint.mText +
                          " pencolor=" + kPen.mText);
            const Pixels theAfter = CanvasPixels(theCanvas);
            int theWorst = 0;
            std::size_t theBlended = 0;
            for (std::uint32_t y = 0; y < theAfter.mHeight; ++y)
                for (std::uint32_t x = 0; x < theAfter.mWidth; ++x) {
                    const std::size_t i = std::size_t(y) * theAfter.mWidth + x;
                    Rgba theExpected = FromArgb(Argb(theBefore, x, y));
                    if (theFill[i])
                        theExpected = Over(kPaint.mModel, 1, theExpected);
                    if (theStroke[i])
                        theExpected = Over(kPen.mModel, 1, theExpected);
                    theBlended += theFill[i] || theStroke[i];
                    const int theDifference = Difference(theExpected, Argb(theAfter, x, y));
                    EXPECT_LE(theDifference, 2) << "at " << x << "," << y;
                    theWorst = std::max(theWorst, theDifference);
                }
            EXPECT_GT(theBlended, 300u);
            EXPECT_LE(theWorst, 2);
        }
}

// Area of the pixel (x, y) inside the box [l, r] x [t, b].
double BoxCoverage(int inX, int inY, double l, double t, double r, double b)
{
    const double w = std::clamp(std::min(inX + 1.0, r) - std::max(double(inX), l), 0.0, 1.0);
    const double h = std::clamp(std::min(inY + 1.0, b) - std::max(double(inY), t), 0.0, 1.0);
    return w * h;
}

TEST(BlendTest, AntialiasedFillsBlendEdgesByCoverageAndInteriorsByAlpha)
{
    // rect=8,8,41,37 stretched by 1.25 from the origin: edges at 10, 10, 51.25 and 46.25.
    for (const Ground& theGround : kGrounds) {
        SCOPED_TRACE(theGround.mName);
        vx::Client theCanvas = GroundCanvas(theGround);
        const Pixels theBefore = CanvasPixels(theCanvas);
        DrawShape(theCanvas, "rect",
                  std::string("rect=8,8,41,37 stretch=1.25,1.25,0,0 op=paint opengl=true alphablend=true paintcolor=") +
                      kPaint.mText);
        const Pixels theAfter = CanvasPixels(theCanvas);
        for (std::uint32_t y = 0; y < theAfter.mHeight; ++y)
            for (std::uint32_t x = 0; x < theAfter.mWidth; ++x) {
                const double theShare = BoxCoverage(int(x), int(y), 10, 10, 51.25, 46.25);
                const Rgba theExpected = Over(kPaint.mModel, theShare, FromArgb(Argb(theBefore, x, y)));
                ASSERT_LE(Difference(theExpected, Argb(theAfter, x, y)), 2) << "at " << x << "," << y;
            }
    }
}

TEST(BlendTest, AntialiasedOutlinesLieOverTheirFill)
{
    // The pen band of the same box, drawn over the blended fill, against the
    // fill alone: the stroke's pixels are the pen over what the fill left.
    for (const Ground& theGround : kGrounds) {
        SCOPED_TRACE(theGround.mName);
        const std::string theParams = "rect=10,10,60,50 pensize=3 opengl=true rotation=20,35,30";
        vx::Client theFilled = GroundCanvas(theGround);
        DrawShape(theFilled, "rect", theParams + " alphablend=true op=paint paintcolor=" + kPaint.mText);
        vx::Client theBoth = GroundCanvas(theGround);
        DrawShape(theBoth, "rect",
                  theParams + " alphablend=true paintcolor=" + kPaint.mText + " pencolor=" + kPen.mText);
        // The pen's coverage: its band drawn opaque, without blending, over a clear ground.
        vx::Client theBand = GroundCanvas({"clear", "0,0,0,0"});
        DrawShape(theBand, "rect", theParams + " op=draw pencolor=black");
        const Pixels theFill = CanvasPixels(theFilled);
        const Pixels theResult = CanvasPixels(theBoth);
        const Pixels theCoverage = CanvasPixels(theBand);
        std::size_t theEdges = 0;
        for (std::uint32_t y = 0; y < theResult.mHeight; ++y)
            for (std::uint32_t x = 0; x < theResult.mWidth; ++x) {
                const double theShare = (Argb(theCoverage, x, y) >> 24) / 255.0;
                theEdges += theShare > 0.05 && theShare < 0.95;
                const Rgba theExpected = Over(kPen.mModel, theShare, FromArgb(Argb(theFill, x, y)));
                ASSERT_LE(Difference(theExpected, Argb(theResult, x, y)), 2) << "at " << x << "," << y;
            }
        EXPECT_GT(theEdges, 50u);
    }
}

TEST(BlendTest, TextCompositesByItsCoverageTimesTheColoursAlpha)
{
    const std::string theParams =
        "rect=2,2,78,62 textsize=16 textstyle=bold textfont='DejaVu Sans' valign=middle halign=middle";
    const std::string theText = "Wg & Åy";
    // Coverage: opaque black text on a clear ground leaves alpha = coverage.
    vx::Client theInk = GroundCanvas({"clear", "0,0,0,0"});
    theInk.Call("DrawText", theText, theParams + " textcolor=black");
    ASSERT_TRUE(theInk.Ok()) << theInk.LastError().mDescription;
    const Pixels theCoverage = CanvasPixels(theInk);
    for (const Ground& theGround : kGrounds) {
        SCOPED_TRACE(theGround.mName);
        vx::Client theCanvas = GroundCanvas(theGround);
        const Pixels theBefore = CanvasPixels(theCanvas);
        theCanvas.Call("DrawText", theText, theParams + " alphablend=true textcolor=" + kText.mText);
        ASSERT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
        const Pixels theAfter = CanvasPixels(theCanvas);
        std::size_t theInked = 0;
        for (std::uint32_t y = 0; y < theAfter.mHeight; ++y)
            for (std::uint32_t x = 0; x < theAfter.mWidth; ++x) {
                const double theShare = (Argb(theCoverage, x, y) >> 24) / 255.0;
                theInked += theShare > 0;
                const Rgba theExpected = Over(kText.mModel, theShare, FromArgb(Argb(theBefore, x, y)));
                ASSERT_LE(Difference(theExpected, Argb(theAfter, x, y)), 2) << "at " << x << "," << y;
            }
        EXPECT_GT(theInked, 100u);
    }
}

TEST(BlendTest, WithoutTheKeywordTranslucentColoursStillReplace)
{
    // The default draws the colour's RGB opaque in the 2D path, and the
    // antialiased interior replaces the canvas's pixel, alpha included.
    vx::Client theCanvas = GroundCanvas(kGrounds[0]);
    DrawShape(theCanvas, "rect", std::string("rect=10,10,30,30 op=paint paintcolor=") + kPaint.mText);
    DrawShape(theCanvas, "rect", std::string("rect=40,10,60,30 op=paint opengl=true paintcolor=") + kPaint.mText);
    const Pixels thePixels = CanvasPixels(theCanvas);
    EXPECT_EQ(Argb(thePixels, 20, 20), 0xFFFF2040u);
    EXPECT_EQ(Argb(thePixels, 50, 20), 0x80FF2040u);
}

}  // namespace
