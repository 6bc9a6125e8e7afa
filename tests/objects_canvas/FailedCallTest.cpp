// A call that fails leaves the canvas as it found it: pixels, depth, size and
// every property, on canvases of every depth and on one without pixels.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <automation/Client.h>

#include "objects_canvas/CanvasClient.h"
#include "vellumax/errors/Settings.h"

namespace {

constexpr int kWidth = 6;
constexpr int kHeight = 4;

// Everything a script can read of a canvas without changing it.
std::vector<std::string> StateOf(vx::Client& inCanvas)
{
    std::vector<std::string> theState;
    for (const char* theName : {"Depth", "Width", "Height", "Color", "PaintColor", "PenColor", "TextColor", "PenSize",
                                "TextFont", "TextSize", "TextStyle", "HAlign", "VAlign", "Dither", "UseColorAlpha"})
        theState.push_back(std::string(theName) + "=" + inCanvas.Get(theName).AsString());
    const bool thePixels = inCanvas.Get("HBITMAP").AsLong() != 0;
    theState.push_back(thePixels ? "pixels" : "no pixels");
    theState.push_back(inCanvas.Get("Pattern").AsDispatch() == nullptr ? "no pattern" : "pattern");
    // GetColor reads a canvas without pixels as its natural colour and makes none.
    for (int theY = 0; thePixels && theY < kHeight; ++theY)
        for (int theX = 0; theX < kWidth; ++theX)
            theState.push_back(inCanvas.Call("GetColor", std::to_string(theX) + "," + std::to_string(theY)).AsString());
    return theState;
}

// A canvas of the depth word, with pixels that are not all alike and defaults
// that are not the initial ones; "none" has a width and no pixels.
vx::Client MakeCanvas(const std::string& inDepth)
{
    vx::Client theCanvas = CreateCanvas();
    EXPECT_TRUE(theCanvas.Put("Width", kWidth));
    for (const auto& [theName, theValue] : {std::pair{"PenColor", "blue"}, std::pair{"TextStyle", "bold"},
                                            std::pair{"HAlign", "middle"}, std::pair{"Color", "50,25,75"}})
        EXPECT_TRUE(theCanvas.Put(theName, theValue)) << theName;
    if (inDepth == "none")
        return theCanvas;
    EXPECT_TRUE(theCanvas.Put("Height", kHeight));
    EXPECT_TRUE(theCanvas.Put("Depth", inDepth)) << inDepth;
    theCanvas.Call("DrawShape", "rect", "rect=1,1,4,3 paintcolor=red pencolor=yellow");
    EXPECT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
    return theCanvas;
}

struct FailingCall {
    const char* mWhat;
    std::function<void(vx::Client&)> mCall;
};

std::vector<FailingCall> FailingCalls(const vx::Client& inEmpty, const vx::Client& inSource, const vx::Client& inColor)
{
    const std::string theMissing = ::testing::TempDir() + "no-such-folder/x.png";
    const auto thePut = [](const char* inName, vx::Variant inValue) {
        return [=](vx::Client& ioCanvas) { ioCanvas.Put(inName, inValue); };
    };
    return {
        {"SetChannel from a canvas without pixels",
         [&](vx::Client& c) { c.Call("SetChannel", "alpha", inEmpty.Object()); }},
        {"SetChannel with an unknown word", [&](vx::Client& c) { c.Call("SetChannel", "purple", inSource.Object()); }},
        {"SetChannel from an object that is no canvas",
         [&](vx::Client& c) { c.Call("SetChannel", "red", inColor.Object()); }},
        {"DrawCanvas of an object that is no canvas",
         [&](vx::Client& c) { c.Call("DrawCanvas", inColor.Object(), ""); }},
        {"DrawFile of a missing file", [=](vx::Client& c) { c.Call("DrawFile", theMissing, ""); }},
        {"DrawData of bytes no importer takes",
         [](vx::Client& c) { c.Call("DrawData", std::vector<std::uint8_t>(64, 0x5A), "", ""); }},
        {"DrawShape of an unknown shape", [](vx::Client& c) { c.Call("DrawShape", "blob", ""); }},
        {"DrawShape painted with no pattern set",
         [](vx::Client& c) { c.Call("DrawShape", "rect", "rect=0,0,3,3 paintcolor=pattern"); }},
        {"DrawText with a value that does not read",
         [](vx::Client& c) { c.Call("DrawText", "x", "textcolor=reddish"); }},
        {"TextArea with an unknown keyword", [](vx::Client& c) { c.CallWithOuts("TextArea", "x", "colour=red"); }},
        {"SaveAs into a missing folder", [=](vx::Client& c) { c.Call("SaveAs", theMissing, ""); }},
        {"GetAs with a value that does not read",
         [](vx::Client& c) { c.Call("GetAs", "png", "quality=high depth=4"); }},
        {"GetColor of a location that does not read", [](vx::Client& c) { c.Call("GetColor", "1"); }},
        {"Width too large", thePut("Width", 40000)},
        {"Height too large", thePut("Height", 32768)},
        {"Width not a number", thePut("Width", std::nan(""))},
        {"Depth by its read-only word", thePut("Depth", "4")},
        {"Depth unknown", thePut("Depth", "many")},
        {"Color unknown", thePut("Color", "reddish")},
        {"PenColor holding a NUL", thePut("PenColor", std::string("red\0blue", 8))},
        {"TextFont holding a NUL", thePut("TextFont", std::string("Sans\0x", 6))},
        {"TextStyle partly known", thePut("TextStyle", "italic,loud")},
        {"HAlign unknown", thePut("HAlign", "centre")},
        {"PenSize negative", thePut("PenSize", -1)},
        {"TextSize negative", thePut("TextSize", -1)},
        {"Dither not a truth value", thePut("Dither", "maybe")},
        {"UseColorAlpha not a truth value", thePut("UseColorAlpha", "maybe")},
    };
}

TEST(FailedCall, ChangesNothingOnCanvasesOfEveryDepth)
{
    SetErrorInfo(0, nullptr);
    const vx::Client theEmpty = CreateCanvas();
    vx::Client theSource = CreateCanvas();
    ASSERT_TRUE(theSource.Put("Width", 3));
    ASSERT_TRUE(theSource.Put("Height", 3));
    const vx::Client theColor = CreateByFactory(&VxGetClassObject_XColor);
    const std::vector<FailingCall> theCalls = FailingCalls(theEmpty, theSource, theColor);
    for (const char* theDepth : {"2", "16", "256", "thousands", "millions", "none"}) {
        vx::Client theCanvas = MakeCanvas(theDepth);
        const std::vector<std::string> theBefore = StateOf(theCanvas);
        for (const FailingCall& theCall : theCalls) {
            theCall.mCall(theCanvas);
            EXPECT_FALSE(theCanvas.Ok()) << theCall.mWhat << " on " << theDepth;
            EXPECT_EQ(StateOf(theCanvas), theBefore) << theCall.mWhat << " on " << theDepth;
        }
        // Still usable: the next call that can succeed does.
        theCanvas.Call("DrawShape", "rect", "rect=0,0,1,1");
        EXPECT_TRUE(theCanvas.Ok()) << theDepth << ": " << theCanvas.LastError().mDescription;
    }
}

// A store the MaxPixels setting refuses leaves a canvas without pixels with
// the size fields it had, so that setting the missing side later works as usual.
TEST(FailedCall, RefusedStoreLeavesTheSizeFields)
{
    SetErrorInfo(0, nullptr);
    const PrivateRegistry theRegistry("failed-call");
    WriteSetting(kMaxPixelsSetting, 100);
    vx::Client theSource = CreateCanvas();
    ASSERT_TRUE(theSource.Put("Width", 2));
    ASSERT_TRUE(theSource.Put("Height", 2));
    for (const int theWidth : {0, 50}) {
        vx::Client theCanvas = CreateCanvas();
        if (theWidth != 0) {
            ASSERT_TRUE(theCanvas.Put("Width", theWidth));
        }
        const std::vector<std::string> theBefore = StateOf(theCanvas);
        theCanvas.Call("DrawShape", "rect", "rect=0,0,2,2");
        EXPECT_THAT(theCanvas.LastError().mDescription, ::testing::HasSubstr("set by MaxPixels"));
        EXPECT_EQ(StateOf(theCanvas), theBefore) << theWidth;
        theCanvas.Call("SetChannel", "alpha", theSource.Object());
        EXPECT_FALSE(theCanvas.Ok());
        EXPECT_EQ(StateOf(theCanvas), theBefore) << theWidth;
    }
    vx::Client theCanvas = CreateCanvas();
    ASSERT_TRUE(theCanvas.Put("Width", 50));
    theCanvas.Call("Erase");
    ASSERT_TRUE(theCanvas.Put("Height", 2));
    EXPECT_EQ(theCanvas.Get("Width").AsLong(), 50);
    EXPECT_NE(theCanvas.Get("HBITMAP").AsLong(), 0);
}

// The successes the failures must not be confused with: a source without
// pixels draws nothing, and SetChannel from a source with pixels makes the
// canvas 32 bits deep, both without an error.
TEST(FailedCall, DefinedSuccessesStaySuccesses)
{
    SetErrorInfo(0, nullptr);
    vx::Client theCanvas = MakeCanvas("256");
    const vx::Client theEmpty = CreateCanvas();
    const std::vector<std::string> theBefore = StateOf(theCanvas);
    theCanvas.Call("DrawCanvas", theEmpty.Object(), "");
    EXPECT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
    EXPECT_EQ(StateOf(theCanvas), theBefore);
    const vx::Client theColor = CreateByFactory(&VxGetClassObject_XColor);
    EXPECT_TRUE(theCanvas.PutRef("Pattern", theColor.Object()));
    EXPECT_EQ(theCanvas.Get("Pattern").AsDispatch(), nullptr);

    vx::Client theSource = CreateCanvas();
    ASSERT_TRUE(theSource.Put("Width", 3));
    ASSERT_TRUE(theSource.Put("Height", 3));
    theCanvas.Call("SetChannel", "alpha", theSource.Object());
    EXPECT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
    EXPECT_EQ(theCanvas.Get("Depth").AsString(), "millions");
}

}  // namespace
