#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

#include <vellumax/IXRect.h>

#include "objects_values/Factories.h"

namespace {

class XRectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorInfo(0, nullptr);
        mRect = CreateByFactory(&VxGetClassObject_XRect);
        ASSERT_TRUE(mRect);
    }
    std::string Text(const char* inMember = "String") { return mRect.Get(inMember).AsString(); }
    LONG Number(const char* inMember) { return mRect.Get(inMember).AsLong(); }

    vx::Client mRect;
};

TEST_F(XRectTest, MembersHaveTheirIdsAndHelp)
{
    const struct {
        const char* mName;
        DISPID mId;
        const char* mHelp;
    } kRows[] = {
        {"String", 1, "A string representation of the rectangle"},
        {"right", 2, "The offset of the right edge"},
        {"top", 3, "The offset of the top edge"},
        {"left", 4, "The offset of the left edge"},
        {"bottom", 5, "The offset of the bottom edge"},
        {"TopLeft", 6, "A string representation of the location of the top left corner point"},
        {"BottomRight", 7, "A string representation of the location of the bottom right corner point"},
        {"Width", 8, "The width of the rectangle"},
        {"Height", 9, "The height of the rectangle"},
    };
    for (const auto& theRow : kRows) {
        DISPID theId = 0;
        EXPECT_EQ(mRect.FindId(theRow.mName, &theId), S_OK) << theRow.mName;
        EXPECT_EQ(theId, theRow.mId) << theRow.mName;
        EXPECT_EQ(HelpOf(mRect.Object(), theRow.mId), theRow.mHelp);
    }
    EXPECT_EQ(HelpOf(mRect.Object(), MEMBERID_NIL), "An object that describes a rectangular area on an image");
}

TEST_F(XRectTest, StartsEmptyAtTheOrigin)
{
    EXPECT_EQ(Text(), "0,0,0,0");
    EXPECT_EQ(Number("Width"), 0);
}

TEST_F(XRectTest, TextGivesEdgesCornersAndSize)
{
    ASSERT_TRUE(mRect.Put("String", "10,20,110,220"));
    const struct {
        const char* mMember;
        LONG mValue;
    } kNumbers[] = {{"left", 10}, {"top", 20}, {"right", 110}, {"bottom", 220}, {"Width", 100}, {"Height", 200}};
    for (const auto& theRow : kNumbers) {
        vx::Variant theValue = mRect.Get(theRow.mMember);
        EXPECT_EQ(theValue.Type(), VT_I4) << theRow.mMember;
        EXPECT_EQ(theValue.AsLong(), theRow.mValue) << theRow.mMember;
    }
    EXPECT_EQ(mRect.Get("TopLeft").Type(), VT_BSTR);
    EXPECT_EQ(Text("TopLeft"), "10,20");
    EXPECT_EQ(Text("BottomRight"), "110,220");
}

TEST_F(XRectTest, CornersSetTheirEdges)
{
    ASSERT_TRUE(mRect.Put("TopLeft", "-5,6"));
    ASSERT_TRUE(mRect.Put("BottomRight", "7,8"));
    EXPECT_EQ(Text(), "-5,6,7,8");
}

TEST_F(XRectTest, RejectedTextReportsItsLabelAndKeepsTheRectangle)
{
    ASSERT_TRUE(mRect.Put("String", "1,2,3,4"));
    const struct {
        const char* mMember;
        const char* mText;
        const char* mContext;
    } kRows[] = {
        {"String", "1,2,3", "Set XRect String  =  1,2,3"},
        {"String", "0,0,32767,10", "Set XRect String  =  0,0,32767,10"},
        {"TopLeft", "1", "Set XRect TopLeft  =  1"},
        {"BottomRight", "a,b", "Set XRect BottomRight  =  a,b"},
    };
    for (const auto& theRow : kRows) {
        EXPECT_FALSE(mRect.Put(theRow.mMember, theRow.mText));
        EXPECT_EQ(mRect.LastError().mCode, E_FAIL);
        EXPECT_EQ(mRect.LastError().mDescription, std::string("Unable to set property\n\n\n") + theRow.mContext);
        EXPECT_EQ(mRect.LastError().mSource, "Vellumax.XRect.1");
        EXPECT_EQ(Text(), "1,2,3,4");
    }
}

TEST_F(XRectTest, EdgesAreStoredWithoutBounds)
{
    ASSERT_TRUE(mRect.Put("String", "10,20,110,220"));
    ASSERT_TRUE(mRect.Put("right", 40000));
    EXPECT_EQ(Text(), "10,20,40000,220");
    EXPECT_FALSE(mRect.Put("String", Text()));
    EXPECT_EQ(mRect.LastError().mCode, E_FAIL);
    ASSERT_TRUE(mRect.Put("left", 50000));
    EXPECT_EQ(Number("Width"), -10000);
}

// A size is the exact difference of its edges; one that a 32-bit integer can't
// hold is refused with the overflow code and its text, never wrapped.
TEST_F(XRectTest, SizeIsExactOrRefusedAsOverflow)
{
    const long long kEdges[] = {INT_MIN, INT_MIN + 1, -2, -1, 0, 1, INT_MAX - 1, INT_MAX};
    for (const long long theFrom : kEdges) {
        for (const long long theTo : kEdges) {
            ASSERT_TRUE(mRect.Put("left", LONG(theFrom)));
            ASSERT_TRUE(mRect.Put("right", LONG(theTo)));
            ASSERT_TRUE(mRect.Put("top", LONG(theTo)));
            ASSERT_TRUE(mRect.Put("bottom", LONG(theFrom)));
            const long long theWidth = theTo - theFrom;
            for (const auto& [theMember, theSize] : {std::pair{"Width", theWidth}, std::pair{"Height", -theWidth}}) {
                const vx::Variant theValue = mRect.Get(theMember);
                if (theSize >= INT_MIN && theSize <= INT_MAX) {
                    ASSERT_TRUE(mRect.Ok()) << theMember << theFrom << "," << theTo;
                    EXPECT_EQ(theValue.AsLong(), theSize) << theMember << theFrom << "," << theTo;
                } else {
                    EXPECT_EQ(mRect.LastError().mCode, DISP_E_OVERFLOW) << theMember << theFrom << "," << theTo;
                    EXPECT_EQ(mRect.LastError().mDescription, "Overflow.");
                    EXPECT_EQ(mRect.LastError().mSource, "Vellumax.XRect.1");
                }
            }
        }
    }
}

TEST_F(XRectTest, FailedCoercionReturnsItsOwnCodeWithoutDescription)
{
    EXPECT_FALSE(mRect.Put("top", "abc"));
    EXPECT_EQ(mRect.LastError().mCode, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(mRect.LastError().mSource, "");
    EXPECT_FALSE(mRect.Put("Width", 5));
    EXPECT_EQ(Text(), "0,0,0,0");
}

TEST_F(XRectTest, NullResultPointerIsRefusedAndErrorInfoIsItsOwn)
{
    IXRect* theInterface = nullptr;
    ASSERT_EQ(mRect.Object()->QueryInterface(IID_IXRect, reinterpret_cast<void**>(&theInterface)), S_OK);
    EXPECT_EQ(theInterface->get_Width(nullptr), E_POINTER);
    EXPECT_EQ(theInterface->get_TopLeft(nullptr), E_POINTER);
    theInterface->Release();
    EXPECT_EQ(SupportsErrorInfo(mRect.Object(), IID_IXRect), S_OK);
    EXPECT_EQ(SupportsErrorInfo(mRect.Object(), IID_IXPoint), S_FALSE);
}

}  // namespace
