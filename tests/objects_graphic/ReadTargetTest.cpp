// A picture is read only from a regular file of bounded size, and opening it never blocks:
// DrawFile fails at once and says why, Graphic.SetFile leaves the graphic empty as it does for a
// missing file, and neither touches the node.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <iostream>

#include "objects_graphic/ObjectsTestSupport.h"
#include "support/FileNodes.h"

namespace {

using namespace vxtest;

class ReadTargetTest : public ObjectsTest {
protected:
    void SetUp() override
    {
        ObjectsTest::SetUp();
        // Opening a pipe that blocks would hang the test: it fails it instead.
        alarm(60);
    }
    void TearDown() override
    {
        alarm(0);
        ObjectsTest::TearDown();
    }

    // DrawFile's failure text and Graphic's answer for the path.
    void ExpectRefused(const std::string& inPath, const std::string& inReason)
    {
        vx::Client theCanvas = CreateCanvas();
        theCanvas.Put("Width", 16);
        theCanvas.Put("Height", 16);
        theCanvas.Call("DrawFile", inPath, "rect=0,0,16,16");
        EXPECT_FALSE(theCanvas.Ok());
        const std::string& theText = theCanvas.LastError().mDescription;
        EXPECT_NE(theText.find(inReason), std::string::npos) << theText;
        EXPECT_NE(theText.find("Unable to draw file."), std::string::npos) << theText;

        vx::Client theGraphic = CreateObject(&VxGetClassObject_Graphic);
        theGraphic.Call("SetFile", inPath);
        EXPECT_TRUE(theGraphic.Ok()) << theGraphic.LastError().mDescription;
        EXPECT_EQ(theGraphic.Get("Format").AsString(), "");
        EXPECT_FALSE(theGraphic.Get("Drawable").AsBool());
    }
};

constexpr const char* kNotAFile = "The path names a folder, device, pipe or socket, not a picture file.";

TEST_F(ReadTargetTest, EveryNodeButARegularFileIsRefusedAtOnce)
{
    for (const NodeCase& theCase : kNodeCases) {
        SCOPED_TRACE(theCase.mName);
        std::string thePath;
        std::string theWhy;
        if (!MakeNodeCase(theCase, mFolder, ".png", thePath, theWhy)) {
            ASSERT_EQ(theCase.mKind, NodeKind::kDevice) << theWhy;
            std::cout << "[ SKIPPED  ] " << theCase.mName << ": " << theWhy << "\n";
            continue;
        }
        struct stat theBefore {};
        ASSERT_EQ(stat(thePath.c_str(), &theBefore), 0);
        ExpectRefused(thePath, kNotAFile);
        EXPECT_TRUE(SameNode(theBefore, thePath));
    }
    // An endless device is not read at all.
    const auto theStart = std::chrono::steady_clock::now();
    ExpectRefused("/dev/zero", kNotAFile);
    EXPECT_LT(std::chrono::steady_clock::now() - theStart, std::chrono::seconds(5)) << "a budget, not a timing";
}

TEST_F(ReadTargetTest, AFileOverTheBoundIsRefusedBeforeItIsRead)
{
    const std::string thePath = WriteFile("huge.bmp", Bytes{'B', 'M'});
    ASSERT_EQ(truncate(thePath.c_str(), (off_t(256) << 20) + 1), 0);  // sparse: no room taken
    ExpectRefused(thePath, "The file is larger than 268435456 bytes, the most a picture file may hold.");
}

}  // namespace
