// SaveAs and GetAs through a canvas made by its class factory, called late-bound
// as a script calls them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <automation/Client.h>
#include <automation/ErrorInfo.h>
#include <automation/Interfaces.h>
#include <automation/SafeArray.h>

#include "objects_canvas/CanvasClient.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& inPath)
{
    std::ifstream theStream(inPath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(theStream), {});
}

class CanvasExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorInfo(0, nullptr);
        mCanvas = CreateCanvas();
        ASSERT_TRUE(mCanvas);
        ASSERT_TRUE(mCanvas.Put("Width", 24));
        ASSERT_TRUE(mCanvas.Put("Height", 10));
        const char* theRoot = std::getenv("VX_TEST_TMP");
        std::string theTemplate = std::string(theRoot ? theRoot : P_tmpdir) + "/canvasXXXXXX";
        ASSERT_NE(mkdtemp(theTemplate.data()), nullptr);
        mFolder = theTemplate;
    }
    void TearDown() override { std::system(("rm -rf '" + mFolder + "'").c_str()); }

    vx::Client mCanvas;
    std::string mFolder;
};

TEST_F(CanvasExportTest, GetAsGivesAZeroBasedByteArray)
{
    struct Case {
        const char* mType;
        const char* mParams;
        const char* mMagic;
    };
    const Case kCases[] = {
        {"image/gif", "", "GIF87a"},
        {"gif", "transparent=0,0", "GIF89a"},
        {"gif", "type=image/png", "\x89PNG"},
        {".jpg", "", "\xFF\xD8\xFF"},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mType);
        vx::Variant theResult = mCanvas.Call("GetAs", theCase.mType, theCase.mParams);
        ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
        ASSERT_EQ(theResult.Type(), VT_ARRAY | VT_UI1);
        LONG theLower = -1, theUpper = -1;
        ASSERT_EQ(SafeArrayGetLBound(theResult.Get()->parray, 1, &theLower), S_OK);
        ASSERT_EQ(SafeArrayGetUBound(theResult.Get()->parray, 1, &theUpper), S_OK);
        const Bytes theBytes = theResult.AsBytes();
        EXPECT_EQ(theLower, 0);
        EXPECT_EQ(theUpper, LONG(theBytes.size()) - 1);
        ASSERT_GE(theBytes.size(), std::strlen(theCase.mMagic));
        EXPECT_EQ(std::memcmp(theBytes.data(), theCase.mMagic, std::strlen(theCase.mMagic)), 0);
    }
}

TEST_F(CanvasExportTest, SaveAsWritesWhatGetAsGives)
{
    const std::string thePath = mFolder + "/same.gif";
    mCanvas.Call("SaveAs", thePath, "type=jpeg");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    const vx::Variant theResult = mCanvas.Call("GetAs", "gif", "");
    EXPECT_EQ(ReadFile(thePath), theResult.AsBytes());
}

TEST_F(CanvasExportTest, FailuresReachTheScript)
{
    mCanvas.Call("SaveAs", mFolder + "/missing/out.gif", "");
    EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
    EXPECT_NE(mCanvas.LastError().mDescription.find("Save As: File={" + mFolder + "/missing/out.gif}"),
              std::string::npos)
        << mCanvas.LastError().mDescription;

    mCanvas.Call("SaveAs", "", "");
    EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
    EXPECT_EQ(mCanvas.LastError().mDescription.rfind("File path is blank", 0), 0u) << mCanvas.LastError().mDescription;

    const vx::Variant theResult = mCanvas.Call("GetAs", "gif", "transparent=zz");
    EXPECT_EQ(mCanvas.LastError().mCode, E_FAIL);
    EXPECT_EQ(theResult.Type(), VT_EMPTY);
}

// A script that names no depth gets PNG's smallest exact form; a named depth keeps its form.
TEST_F(CanvasExportTest, PngTakesTheSmallestFormUnlessTheScriptNamesADepth)
{
    struct Case {
        const char* mParams;
        int mBitDepth;
        int mColorType;
    };
    const auto Form = [this](const char* inParams) {
        const Bytes theBytes = mCanvas.Call("GetAs", "png", inParams).AsBytes();
        EXPECT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
        return theBytes.size() > 25 ? std::make_pair(int(theBytes[24]), int(theBytes[25])) : std::make_pair(-1, -1);
    };
    mCanvas.Call("Erase");
    EXPECT_EQ(Form(""), std::make_pair(1, 0));  // white: 1-bit grey
    EXPECT_EQ(Form("quality=max"), std::make_pair(1, 0));
    EXPECT_EQ(Form("depth=millions"), std::make_pair(8, 6));
    EXPECT_EQ(Form("depth=thousands"), std::make_pair(8, 2));
    EXPECT_EQ(Form("depth=256"), std::make_pair(8, 3));
    mCanvas.Call("DrawShape", "rect", "rect=0,0,12,10 paintcolor=red pencolor=blue");
    ASSERT_TRUE(mCanvas.Ok()) << mCanvas.LastError().mDescription;
    EXPECT_EQ(Form(""), std::make_pair(2, 3));  // white, red and blue: a 2-bit palette
    EXPECT_EQ(Form("transparent=23,9"), std::make_pair(2, 3));
}

}  // namespace
