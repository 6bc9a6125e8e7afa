#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include <vellumax/IXPoint.h>

#include "objects_values/Factories.h"

namespace {

class XPointTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorInfo(0, nullptr);
        mPoint = CreateByFactory(&VxGetClassObject_XPoint);
        ASSERT_TRUE(mPoint);
    }
    std::string Text() { return mPoint.Get("String").AsString(); }

    vx::Client mPoint;
};

TEST_F(XPointTest, MembersHaveTheirIdsAndHelp)
{
    const struct {
        const char* mName;
        DISPID mId;
        const char* mHelp;
    } kRows[] = {
        {"String", 1, "A string representation of the point"},
        {"x", 2, "The horizontal offset of the point from the top left"},
        {"y", 3, "The vertical offset of the point from the top left"},
    };
    for (const auto& theRow : kRows) {
        DISPID theId = 0;
        EXPECT_EQ(mPoint.FindId(theRow.mName, &theId), S_OK) << theRow.mName;
        EXPECT_EQ(theId, theRow.mId) << theRow.mName;
        EXPECT_EQ(HelpOf(mPoint.Object(), theRow.mId), theRow.mHelp);
    }
    EXPECT_EQ(HelpOf(mPoint.Object(), MEMBERID_NIL), "An object that describes the location of a point on an image");
}

TEST_F(XPointTest, StartsAtTheOriginAndReadsItsText)
{
    EXPECT_EQ(Text(), "0,0");
    ASSERT_TRUE(mPoint.Put("String", "5,7"));
    vx::Variant theX = mPoint.Get("x");
    EXPECT_EQ(theX.Type(), VT_I4);
    EXPECT_EQ(theX.AsLong(), 5);
    EXPECT_EQ(mPoint.Get("y").AsLong(), 7);
}

TEST_F(XPointTest, RejectedTextKeepsThePoint)
{
    ASSERT_TRUE(mPoint.Put("String", "5,7"));
    for (const char* theText : {"5", "1,2,3", "40000,1", ""}) {
        EXPECT_FALSE(mPoint.Put("String", theText)) << theText;
        EXPECT_EQ(mPoint.LastError().mCode, E_FAIL);
        EXPECT_EQ(mPoint.LastError().mDescription,
                  std::string("Unable to set property\n\n\nSet XPoint String  =  ") + theText);
        EXPECT_EQ(mPoint.LastError().mSource, "Vellumax.XPoint.1");
        EXPECT_EQ(Text(), "5,7");
    }
}

TEST_F(XPointTest, OffsetsAreStoredWithoutBounds)
{
    ASSERT_TRUE(mPoint.Put("x", 100000));
    ASSERT_TRUE(mPoint.Put("y", "-3"));
    EXPECT_EQ(Text(), "100000,-3");
}

TEST_F(XPointTest, FailedCoercionReturnsItsOwnCodeWithoutDescription)
{
    EXPECT_FALSE(mPoint.Put("x", "abc"));
    EXPECT_EQ(mPoint.LastError().mCode, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(mPoint.LastError().mSource, "");
    EXPECT_EQ(Text(), "0,0");
}

TEST_F(XPointTest, NullResultPointerIsRefusedAndErrorInfoIsItsOwn)
{
    IXPoint* theInterface = nullptr;
    ASSERT_EQ(mPoint.Object()->QueryInterface(IID_IXPoint, reinterpret_cast<void**>(&theInterface)), S_OK);
    EXPECT_EQ(theInterface->get_x(nullptr), E_POINTER);
    theInterface->Release();
    EXPECT_EQ(SupportsErrorInfo(mPoint.Object(), IID_IXPoint), S_OK);
    EXPECT_EQ(SupportsErrorInfo(mPoint.Object(), IID_IXColor), S_FALSE);
}

}  // namespace

namespace {

TEST(XPointFrame, ProcessorFaultBecomesASystemErrorDescription)
{
    vx::Client thePoint = CreateByFactory(&VxGetClassObject_XPoint);
    ASSERT_TRUE(thePoint.Put("String", "3,4"));
    IXPoint* theInterface = nullptr;
    ASSERT_EQ(thePoint.Object()->QueryInterface(IID_IXPoint, reinterpret_cast<void**>(&theInterface)), S_OK);
    // A text whose length prefix lies in the unmapped first page: reading it faults.
    VARIANT theBroken;
    VariantInit(&theBroken);
    theBroken.vt = VT_BSTR;
    theBroken.bstrVal = reinterpret_cast<BSTR>(std::uintptr_t(0x40));
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(theInterface->put_String(theBroken), E_FAIL);
    IErrorInfo* theInfo = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &theInfo), S_OK);
    BSTR theDescription = nullptr;
    BSTR theSource = nullptr;
    theInfo->GetDescription(&theDescription);
    theInfo->GetSource(&theSource);
    const std::string theText = UTF8FromBSTR(theDescription);
    EXPECT_EQ(UTF8FromBSTR(theSource), "Vellumax.XPoint.1");
    SysFreeString(theDescription);
    SysFreeString(theSource);
    theInfo->Release();
    theInterface->Release();
    EXPECT_EQ(theText.rfind("Code at 0x", 0), 0u) << theText;
    EXPECT_NE(theText.find(" attempted to read from 0x"), std::string::npos) << theText;
    const std::size_t theUnit = theText.find(" of XPoint.cpp. Base at 0x");
    ASSERT_NE(theUnit, std::string::npos) << theText;
    // The line is the member's own, not the frame's: the nearest definition above it is put_String.
    const std::size_t theAt = theText.rfind("line ", theUnit);
    ASSERT_NE(theAt, std::string::npos) << theText;
    const int theLine = std::stoi(theText.substr(theAt + 5));
    std::ifstream theFile(VX_SOURCE_DIR "/vellumax/objects/XPoint.cpp");
    std::string theMember;
    std::string theRow;
    for (int theNumber = 1; theNumber <= theLine && std::getline(theFile, theRow); ++theNumber)
        if (theRow.rfind("HRESULT XPoint::", 0) == 0)
            theMember = theRow.substr(0, theRow.find('('));
    EXPECT_EQ(theMember, "HRESULT XPoint::put_String") << theText;
    EXPECT_EQ(thePoint.Get("String").AsString(), "3,4");
}

}  // namespace
