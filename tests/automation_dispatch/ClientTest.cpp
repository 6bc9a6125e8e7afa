#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "TestThing.h"
#include "automation/Bstr.h"
#include "automation/Client.h"
#include "automation/ErrorInfo.h"

namespace {

class ClientCalls : public ::testing::Test {
protected:
    void SetUp() override
    {
        mThing = TestThing::Create();
        mClient = vx::Client(static_cast<IDispatch*>(mThing));
    }
    void TearDown() override
    {
        mClient = vx::Client();
        mThing->Release();
        SetErrorInfo(0, nullptr);
    }

    TestThing* mThing = nullptr;
    vx::Client mClient;
};

TEST_F(ClientCalls, PropertiesRoundTrip)
{
    EXPECT_TRUE(mClient.Put("width", 640));
    EXPECT_EQ(mClient.Get("Width").AsLong(), 640);
    EXPECT_TRUE(mClient.Put("Name", u"Grüße"));
    EXPECT_EQ(mClient.Get("name").AsString(), "Grüße");
    EXPECT_TRUE(mClient.Put("Name", std::string("plain")));
    EXPECT_EQ(mClient.Get("Name").AsU16String(), u"plain");

    Ref<TestThing> thePartner(TestThing::Create());
    EXPECT_TRUE(mClient.PutRef("Partner", static_cast<IDispatch*>(thePartner.get())));
    EXPECT_EQ(mClient.Get("Partner").AsDispatch(), static_cast<IDispatch*>(thePartner.get()));
}

TEST_F(ClientCalls, ValuesOfEveryKindArriveAsSent)
{
    EXPECT_EQ(mClient.Call("Echo", 7).Type(), VT_I4);
    EXPECT_DOUBLE_EQ(mClient.Call("Echo", 2.5).AsDouble(), 2.5);
    EXPECT_TRUE(mClient.Call("Echo", true).AsBool());
    EXPECT_FALSE(mClient.Call("Negate", true).AsBool());
    EXPECT_EQ(mClient.Call("Echo", "text").AsString(), "text");
    std::vector<std::uint8_t> theBytes = {0, 1, 2, 254, 255};
    vx::Variant theEcho = mClient.Call("Echo", theBytes);
    EXPECT_EQ(theEcho.Type(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(theEcho.AsBytes(), theBytes);
    EXPECT_TRUE(mClient.Call("Echo", std::vector<std::uint8_t>{}).AsBytes().empty());
}

TEST_F(ClientCalls, SeveralOutsComeBackInOrder)
{
    std::vector<vx::Variant> theResults = mClient.CallWithOuts("Describe", "abc");
    ASSERT_TRUE(mClient.Ok()) << mClient.LastError().mDescription;
    ASSERT_EQ(theResults.size(), 3u);
    EXPECT_EQ(theResults[0].AsLong(), 3);
    EXPECT_EQ(theResults[1].AsString(), "ABC");
    EXPECT_EQ(theResults[2].AsString(), "abc");

    std::vector<vx::Variant> theCompute = mClient.CallWithOuts("Compute", 9, 1, 3);
    ASSERT_EQ(theCompute.size(), 2u);
    EXPECT_FLOAT_EQ(static_cast<float>(theCompute[0].AsDouble()), 3.0f);
    EXPECT_EQ(theCompute[1].AsLong(), 30);
}

TEST_F(ClientCalls, CollectionsByIndex)
{
    vx::Client theItems(mClient.Get("Items").AsDispatch());
    EXPECT_EQ(theItems.Get("Count").AsLong(), 3);
    EXPECT_EQ(theItems.Get("Item", 2).AsString(), "two");
    EXPECT_EQ(theItems.Call("item", 0).AsString(), "one");
    theItems.Get("Item", 4);
    EXPECT_EQ(theItems.LastError().mCode, E_FAIL);

    std::vector<vx::Variant> theAll = theItems.Enumerate();
    ASSERT_EQ(theAll.size(), 3u);
    EXPECT_EQ(theAll[2].AsString(), "three");
    EXPECT_TRUE(mClient.Enumerate().empty()) << "a thing that is no collection";
    EXPECT_EQ(mClient.LastError().mCode, DISP_E_MEMBERNOTFOUND);
}

TEST_F(ClientCalls, FailuresKeepCodeDescriptionAndSource)
{
    mClient.Call("Fail", E_FAIL, "Unable to frobnicate");
    EXPECT_FALSE(mClient.Ok());
    EXPECT_EQ(mClient.LastError().mCode, E_FAIL);
    EXPECT_EQ(mClient.LastError().mDescription, "Unable to frobnicate");
    EXPECT_EQ(mClient.LastError().mSource, "Thing Fail");

    mClient.Call("Fail", E_NOTIMPL, "");
    EXPECT_EQ(mClient.LastError().mCode, E_NOTIMPL);
    EXPECT_FALSE(mClient.LastError().mDescription.empty()) << "the system's text stands in";
    EXPECT_TRUE(mClient.LastError().mSource.empty());

    mClient.Get("NoSuchThing");
    EXPECT_EQ(mClient.LastError().mCode, DISP_E_UNKNOWNNAME);
    mClient.Put("Width", "wide");
    EXPECT_EQ(mClient.LastError().mCode, E_FAIL);
    EXPECT_EQ(mClient.LastError().mDescription, "Set Thing Width = wide");

    EXPECT_EQ(mClient.Get("Width").AsLong(), 0);
    EXPECT_TRUE(mClient.Ok()) << "a success clears the last error";
}

TEST(ClientValues, VariantAndBstrOwnership)
{
    vx::Variant theText("abc");
    vx::Variant theCopy = theText;
    EXPECT_NE(theCopy.Get()->bstrVal, theText.Get()->bstrVal) << "copies are deep";
    vx::Variant theMoved = std::move(theText);
    EXPECT_TRUE(theText.IsEmpty());
    EXPECT_EQ(theMoved.AsString(), "abc");

    HRESULT theResult = S_OK;
    EXPECT_EQ(vx::Variant("abc").AsLong(&theResult), 0);
    EXPECT_EQ(theResult, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(vx::Variant("120").AsLong(), 120);
    vx::Variant("x").AsBytes(&theResult);
    EXPECT_EQ(theResult, DISP_E_TYPEMISMATCH);

    vx::Bstr theName("Grüße");
    EXPECT_EQ(theName.Length(), 5u);
    vx::Bstr theTaken = std::move(theName);
    EXPECT_EQ(theName.Get(), nullptr);
    EXPECT_EQ(theTaken.ToUTF8(), "Grüße");
    BSTR theRaw = theTaken.Detach();
    EXPECT_EQ(theTaken.Get(), nullptr);
    SysFreeString(theRaw);
}

TEST(ClientValues, EmptyClientReportsAPointerError)
{
    vx::Client theNobody;
    theNobody.Get("Width");
    EXPECT_EQ(theNobody.LastError().mCode, E_POINTER);
}

}  // namespace
