// Pages in one process: a canvas made, drawn on with shapes and text,
// exported as GIF and PNG and dropped, again and again. Whatever a page leaves
// behind adds up to a growth of the resident memory. The suite runs a few
// hundred pages; VX_SOAK_PAGES=10000 makes it the long soak.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "objects_canvas/CanvasClient.h"

namespace {

constexpr int kWarmUp = 100;
constexpr int kSuitePages = 400;
constexpr long kAllowedGrowthKiB = 2048;

int Pages()
{
    const char* theText = std::getenv("VX_SOAK_PAGES");
    const int thePages = theText != nullptr ? std::atoi(theText) : 0;
    return thePages > 0 ? thePages : kSuitePages;
}

long ResidentKiB()
{
    std::ifstream theStatus("/proc/self/status");
    std::string theLine;
    while (std::getline(theStatus, theLine))
        if (theLine.rfind("VmRSS:", 0) == 0)
            return std::stol(theLine.substr(6));
    return -1;
}

void Page(int inIndex)
{
    vx::Client theCanvas = CreateCanvas();
    ASSERT_TRUE(theCanvas.Put("Width", 160));
    ASSERT_TRUE(theCanvas.Put("Height", 90));
    theCanvas.Call("DrawShape", "oval", "rect=10,10,80,60 paintcolor=red pensize=3 op=both");
    theCanvas.Call("DrawShape", "roundrect", "rect=60,20,150,80 pencolor=blue");
    theCanvas.Call("DrawText", "Page " + std::to_string(inIndex), "rect=5,5,155,85 textsize=12 halign=middle");
    theCanvas.Call("GetAs", "gif", "");
    theCanvas.Call("GetAs", "png", "");
    ASSERT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
}

TEST(Soak, PagesKeepTheResidentMemory)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's own bookkeeping grows the resident memory";
#endif
    for (int theIndex = 0; theIndex < kWarmUp; ++theIndex)
        Page(theIndex);
    const long theBefore = ResidentKiB();
    const int thePages = Pages();
    for (int theIndex = 0; theIndex < thePages; ++theIndex)
        Page(theIndex);
    const long theGrowth = ResidentKiB() - theBefore;
    RecordProperty("ResidentAfterWarmUpKiB", std::to_string(theBefore));
    RecordProperty("ResidentGrowthKiB", std::to_string(theGrowth));
    std::printf("%d pages: %ld KiB resident after warm-up, grown by %ld KiB\n", thePages, theBefore, theGrowth);
    EXPECT_LE(theGrowth, kAllowedGrowthKiB);
}

}  // namespace
