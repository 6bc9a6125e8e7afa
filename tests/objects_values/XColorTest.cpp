#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <vellumax/IXColor.h>

#include "objects_values/Factories.h"
#include "vellumax/params/Utilities.h"

namespace {

class XColorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorInfo(0, nullptr);
        mColor = CreateByFactory(&VxGetClassObject_XColor);
        ASSERT_TRUE(mColor);
    }
    std::string Text() { return mColor.Get("String").AsString(); }

    vx::Client mColor;
};

TEST_F(XColorTest, MembersHaveTheirIdsAndHelp)
{
    struct Row {
        const char* mName;
        DISPID mId;
        const char* mHelp;
    };
    const Row kRows[] = {
        {"String", 1, "A string representation of the color"},
        {"Red", 2, "The red intensity of the color as a percentage"},
        {"Green", 3, "The green intensity of the color as a percentage"},
        {"Blue", 4, "The blue intensity of the color as a percentage"},
        {"Alpha", 5, "The alpha opacity of the color as a percentage"},
        {"RGB", 6, "The standard RGB color representation"},
    };
    for (const Row& theRow : kRows) {
        DISPID theId = 0;
        EXPECT_EQ(mColor.FindId(theRow.mName, &theId), S_OK) << theRow.mName;
        EXPECT_EQ(theId, theRow.mId) << theRow.mName;
        EXPECT_EQ(HelpOf(mColor.Object(), theRow.mId), theRow.mHelp);
    }
    EXPECT_EQ(HelpOf(mColor.Object(), MEMBERID_NIL), "An object that describes a color");
}

TEST_F(XColorTest, StartsOpaqueBlack)
{
    vx::Variant theText = mColor.Get("String");
    EXPECT_EQ(theText.Type(), VT_BSTR);
    EXPECT_EQ(theText.AsString(), "0.0,0.0,0.0,100.0");
    vx::Variant theRgb = mColor.Get("RGB");
    EXPECT_EQ(theRgb.Type(), VT_I4);
    EXPECT_EQ(theRgb.AsLong(), 0);
}

TEST_F(XColorTest, ColourWordGivesPercentagesAndColorRef)
{
    ASSERT_TRUE(mColor.Put("String", "red"));
    vx::Variant theRed = mColor.Get("Red");
    EXPECT_EQ(theRed.Type(), VT_R4);
    EXPECT_NEAR(theRed.AsDouble(), 86.5, 0.05);
    EXPECT_EQ(mColor.Get("RGB").AsLong(), 0x000608DD);
    EXPECT_EQ(Text(), "86.5,3.4,2.6,100.0");
}

TEST_F(XColorTest, ColorRefKeepsOnlyTheHighBytes)
{
    ASSERT_TRUE(mColor.Put("RGB", 0x00FFFFFF));
    EXPECT_EQ(Text(), "99.6,99.6,99.6,100.0");
    ASSERT_TRUE(mColor.Put("RGB", "255"));  // text coerced to a number
    EXPECT_EQ(mColor.Get("RGB").AsLong(), 0xFF);
}

TEST_F(XColorTest, PatternReadsBackUntilAComponentIsSet)
{
    ASSERT_TRUE(mColor.Put("String", "pattern"));
    EXPECT_EQ(Text(), "pattern");
    ASSERT_TRUE(mColor.Put("Red", 50));
    EXPECT_EQ(Text(), "50.0,0.0,0.0,100.0");
}

TEST_F(XColorTest, PercentagesAreClamped)
{
    const struct {
        const char* mMember;
        double mPut;
        double mGet;
    } kRows[] = {
        {"Alpha", 150, 100}, {"Alpha", -1, 0}, {"Red", 1e9, 100}, {"Blue", 25, 25}, {"Green", -0.5, 0},
    };
    for (const auto& theRow : kRows) {
        ASSERT_TRUE(mColor.Put(theRow.mMember, theRow.mPut)) << theRow.mMember;
        EXPECT_NEAR(mColor.Get(theRow.mMember).AsDouble(), theRow.mGet, 0.01) << theRow.mMember << " " << theRow.mPut;
    }
}

// A non-finite number is refused as the integer members refuse it, by every
// component and in every form it arrives in; the colour stays as it was.
TEST_F(XColorTest, NonFinitePercentagesAreRefused)
{
    ASSERT_TRUE(mColor.Put("String", "50,25,75,60"));
    const double kInfinity = std::numeric_limits<double>::infinity();
    for (const char* theMember : {"Red", "Green", "Blue", "Alpha"}) {
        for (const vx::Variant& theValue : {vx::Variant(std::nan("")), vx::Variant(kInfinity), vx::Variant(-kInfinity),
                                            vx::Variant(std::numeric_limits<float>::quiet_NaN())}) {
            EXPECT_FALSE(mColor.Put(theMember, theValue)) << theMember << " " << theValue.AsString();
            EXPECT_EQ(mColor.LastError().mCode, DISP_E_OVERFLOW) << theMember << " " << theValue.AsString();
            EXPECT_EQ(Text(), "50.0,25.0,75.0,60.0") << theMember << " " << theValue.AsString();
        }
    }
}

TEST_F(XColorTest, SettingOneComponentRoundsTheOthersThroughPercentages)
{
    ASSERT_TRUE(mColor.Put("String", "gray"));
    ASSERT_TRUE(mColor.Put("Red", 10.0f));
    EXPECT_EQ(mColor.Get("Green").AsDouble(), double(PercentFromComponent(0x8887)));
    EXPECT_NE(double(PercentFromComponent(0x8887)), double(PercentFromComponent(0x8888)));
}

TEST_F(XColorTest, RejectedTextReportsASetFailureAndKeepsTheColour)
{
    ASSERT_TRUE(mColor.Put("String", "blue"));
    EXPECT_FALSE(mColor.Put("String", "teal"));
    EXPECT_EQ(mColor.LastError().mCode, E_FAIL);
    EXPECT_EQ(mColor.LastError().mDescription, "Unable to set property\n\n\nSet XColor String  =  teal");
    EXPECT_EQ(mColor.LastError().mSource, "Vellumax.XColor.1");
    EXPECT_EQ(Text(), "0.0,0.0,82.8,100.0");
}

TEST_F(XColorTest, FailedCoercionReturnsItsOwnCodeWithoutDescription)
{
    ASSERT_TRUE(mColor.Put("String", "white"));
    EXPECT_FALSE(mColor.Put("Red", "abc"));
    EXPECT_EQ(mColor.LastError().mCode, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(mColor.LastError().mSource, "");
    EXPECT_FALSE(mColor.Put("RGB", 1e12));
    EXPECT_EQ(mColor.LastError().mCode, DISP_E_OVERFLOW);
    EXPECT_EQ(Text(), "100.0,100.0,100.0,100.0");
}

TEST_F(XColorTest, HasNoDefaultMemberSoAnObjectIsNoText)
{
    vx::Client theOther = CreateByFactory(&VxGetClassObject_XColor);
    EXPECT_FALSE(mColor.Put("String", theOther.Object()));
    EXPECT_NE(mColor.LastError().mCode, E_FAIL);
    EXPECT_EQ(mColor.LastError().mSource, "");
    mColor.Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, {});
    EXPECT_EQ(mColor.LastError().mCode, DISP_E_MEMBERNOTFOUND);
}

TEST_F(XColorTest, AnswersForErrorInfoOfItsOwnInterfaceOnly)
{
    EXPECT_EQ(SupportsErrorInfo(mColor.Object(), IID_IXColor), S_OK);
    EXPECT_EQ(SupportsErrorInfo(mColor.Object(), IID_IXRect), S_FALSE);
    EXPECT_EQ(SupportsErrorInfo(mColor.Object(), IID_IDispatch), S_FALSE);
}

}  // namespace

namespace {

TEST(XColorInterface, NullResultPointerIsRefused)
{
    vx::Client theColor = CreateByFactory(&VxGetClassObject_XColor);
    IXColor* theInterface = nullptr;
    ASSERT_EQ(theColor.Object()->QueryInterface(IID_IXColor, reinterpret_cast<void**>(&theInterface)), S_OK);
    EXPECT_EQ(theInterface->get_String(nullptr), E_POINTER);
    EXPECT_EQ(theInterface->get_Alpha(nullptr), E_POINTER);
    EXPECT_EQ(theInterface->get_RGB(nullptr), E_POINTER);
    theInterface->Release();
}

}  // namespace
