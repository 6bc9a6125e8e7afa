// Run with VX_IMAGING naming a library that does not exist: the canvas cannot
// start the picture platform, and every member says so before anything else.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "objects_canvas/CanvasClient.h"

using ::testing::StartsWith;

namespace {

constexpr const char* kNoQuickTime = "Unable to access QuickTime 4\n";

TEST(CanvasWithoutImaging, EveryMemberReportsTheMissingPlatform)
{
    SetErrorInfo(0, nullptr);
    vx::Client theCanvas = CreateCanvas();
    ASSERT_TRUE(theCanvas);
    vx::Client theOther = CreateCanvas();
    struct Row {
        std::string mName;
        std::function<void()> mCall;
    };
    std::vector<Row> theRows;
    for (const CanvasMemberInfo& theMember : kCanvasMembers) {
        const std::string theName = theMember.mName;
        if (theMember.mId < kCanvasSetChannel || theMember.mId == kCanvasHBITMAP)
            theRows.push_back({"get " + theName, [&, theName] { theCanvas.Get(theName); }});
        if (theMember.mId < kCanvasPattern)
            theRows.push_back({"put " + theName, [&, theName] { theCanvas.Put(theName, "1"); }});
    }
    const std::vector<std::uint8_t> kBytes{1, 2, 3};
    const std::vector<Row> kMethods = {
        {"put Pattern", [&] { theCanvas.Put("Pattern", theOther.Object()); }},
        {"put Pattern null", [&] { theCanvas.Put("Pattern", static_cast<IDispatch*>(nullptr)); }},
        {"SetChannel", [&] { theCanvas.Call("SetChannel", "red", theOther.Object()); }},
        {"Erase", [&] { theCanvas.Call("Erase"); }},
        {"Invert", [&] { theCanvas.Call("Invert"); }},
        {"Clear", [&] { theCanvas.Call("Clear"); }},
        {"DrawFile", [&] { theCanvas.Call("DrawFile", "a.png", ""); }},
        {"DrawData", [&] { theCanvas.Call("DrawData", kBytes, "png", ""); }},
        {"DrawShape", [&] { theCanvas.Call("DrawShape", "rect", ""); }},
        {"DrawText", [&] { theCanvas.Call("DrawText", "Hello", ""); }},
        {"DrawCanvas", [&] { theCanvas.Call("DrawCanvas", theOther.Object(), ""); }},
        {"GetColor", [&] { theCanvas.Call("GetColor", "0,0"); }},
        {"TextArea", [&] { theCanvas.Call("TextArea", "Hello", ""); }},
        {"TextLength", [&] { theCanvas.Call("TextLength", "Hello", ""); }},
        {"SaveAs", [&] { theCanvas.Call("SaveAs", "a.gif", ""); }},
        {"GetAs", [&] { theCanvas.Call("GetAs", "gif", ""); }},
    };
    theRows.insert(theRows.end(), kMethods.begin(), kMethods.end());
    ASSERT_EQ(theRows.size(), 16u + 14u + 16u);
    for (const Row& theRow : theRows) {
        theRow.mCall();
        EXPECT_EQ(theCanvas.LastError().mCode, E_FAIL) << theRow.mName;
        // The message, then the start-up's own code explained.
        EXPECT_THAT(theCanvas.LastError().mDescription, StartsWith(kNoQuickTime)) << theRow.mName;
        EXPECT_THAT(theCanvas.LastError().mDescription, ::testing::HasSubstr("QuickTime error")) << theRow.mName;
        EXPECT_EQ(theCanvas.LastError().mSource, "Vellumax.Canvas.1") << theRow.mName;
    }
}

TEST(CanvasWithoutImaging, PlatformCheckComesBeforePointerChecks)
{
    vx::Client theClient = CreateCanvas();
    ICanvas* theCanvas = CanvasOf(theClient);
    ASSERT_NE(theCanvas, nullptr);
    const std::vector<std::pair<const char*, std::function<HRESULT()>>> kCalls = {
        {"put_Pattern", [&] { return theCanvas->put_Pattern(nullptr); }},
        {"get_Width", [&] { return theCanvas->get_Width(nullptr); }},
        {"get_HBITMAP", [&] { return theCanvas->get_HBITMAP(nullptr); }},
        {"DrawShape", [&] { return theCanvas->DrawShape(nullptr, nullptr, nullptr); }},
        {"GetColor", [&] { return theCanvas->GetColor(nullptr, nullptr); }},
    };
    for (const auto& [theName, theCall] : kCalls) {
        EXPECT_EQ(theCall(), E_FAIL) << theName;
        EXPECT_THAT(TakeErrorDescription(), StartsWith(kNoQuickTime)) << theName;
    }
}

}  // namespace
