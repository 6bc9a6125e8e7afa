#include <gtest/gtest.h>

#include <vector>

#include "TestThing.h"
#include "automation/Bstr.h"
#include "automation/ComVariant.h"
#include "automation/ErrorInfo.h"
#include "automation/Strings.h"

namespace {

// One raw IDispatch::Invoke with arguments given in natural order.
struct RawCall {
    std::vector<vx::Variant> mArgs;  // reverse order once Run starts
    std::vector<DISPID> mNamed;      // names of the last mNamed.size() arguments in rgvarg order
    vx::Variant mResult;
    EXCEPINFO mExcep{};
    UINT mArgErr = 12345;

    HRESULT Run(IDispatch* inObject, DISPID inId, WORD inFlags, bool inWantResult = true)
    {
        std::vector<vx::Variant> theReversed(mArgs.rbegin(), mArgs.rend());
        mArgs = std::move(theReversed);
        DISPPARAMS theParams = {mArgs.empty() ? nullptr : mArgs[0].Get(), mNamed.empty() ? nullptr : mNamed.data(),
                                static_cast<UINT>(mArgs.size()), static_cast<UINT>(mNamed.size())};
        return inObject->Invoke(inId, GUID_NULL, 0, inFlags, &theParams, inWantResult ? mResult.Out() : nullptr,
                                &mExcep, &mArgErr);
    }
    ~RawCall()
    {
        SysFreeString(mExcep.bstrSource);
        SysFreeString(mExcep.bstrDescription);
        SysFreeString(mExcep.bstrHelpFile);
    }
};

vx::Variant Missing()
{
    return vx::Variant::Missing();
}

vx::Variant ByRef(VARIANT* inTarget)
{
    vx::Variant theValue;
    theValue.Get()->vt = VT_BYREF | VT_VARIANT;
    theValue.Get()->pvarVal = inTarget;
    return theValue;
}

constexpr WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

class DispatchInvoke : public ::testing::Test {
protected:
    void SetUp() override { mThing = TestThing::Create(); }
    void TearDown() override
    {
        mThing->Release();
        SetErrorInfo(0, nullptr);
    }
    IDispatch* Object() { return mThing; }

    TestThing* mThing = nullptr;
};

TEST_F(DispatchInvoke, NamesAreFoundWithoutRegardToCase)
{
    struct Row {
        const char16_t* mName;
        HRESULT mResult;
        DISPID mId;
    } theRows[] = {
        {u"Width", S_OK, 1},
        {u"width", S_OK, 1},
        {u"WIDTH", S_OK, 1},
        {u"cOMPUTE", S_OK, 4},
        {u"Partner", S_OK, 3},
        {u"echo", S_OK, 10},
        {u"Widths", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
        {u"Wid", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
        {u"", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
    };
    for (const Row& theRow : theRows) {
        std::u16string theName = theRow.mName;
        LPOLESTR theNames[] = {theName.data()};
        DISPID theId = 77;
        EXPECT_EQ(Object()->GetIDsOfNames(GUID_NULL, theNames, 1, 0, &theId), theRow.mResult) << UTF8FromUTF16(theName);
        EXPECT_EQ(theId, theRow.mId) << UTF8FromUTF16(theName);
    }
}

TEST_F(DispatchInvoke, ParameterNamesGiveTheirPositions)
{
    std::u16string theMember = u"compute", theScale = u"INSCALE", theB = u"inb", theWrong = u"inC";
    LPOLESTR theNames[] = {theMember.data(), theScale.data(), theB.data()};
    DISPID theIds[3];
    ASSERT_EQ(Object()->GetIDsOfNames(GUID_NULL, theNames, 3, 0, theIds), S_OK);
    EXPECT_EQ(theIds[0], 4);
    EXPECT_EQ(theIds[1], 2);
    EXPECT_EQ(theIds[2], 1);

    LPOLESTR theBad[] = {theMember.data(), theWrong.data(), theB.data()};
    EXPECT_EQ(Object()->GetIDsOfNames(GUID_NULL, theBad, 3, 0, theIds), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(theIds[0], 4);
    EXPECT_EQ(theIds[1], DISPID_UNKNOWN);
    EXPECT_EQ(theIds[2], 1);
}

TEST_F(DispatchInvoke, InvokeFlagsAreCheckedAsScriptEnginesSendThem)
{
    mThing->mWidth = 5;
    struct Row {
        const char* mWhat;
        DISPID mId;
        WORD mFlags;
        int mArgs;
        HRESULT mResult;
    } theRows[] = {
        {"get of a property", 1, DISPATCH_PROPERTYGET, 0, S_OK},
        {"method|get of a property", 1, kCall, 0, S_OK},
        {"method alone of a property", 1, DISPATCH_METHOD, 0, DISP_E_MEMBERNOTFOUND},
        {"method of a method", 10, DISPATCH_METHOD, 1, S_OK},
        {"method|get of a method", 10, kCall, 1, S_OK},
        {"get of a method", 10, DISPATCH_PROPERTYGET, 1, DISP_E_MEMBERNOTFOUND},
        {"put of a method", 10, DISPATCH_PROPERTYPUT, 1, DISP_E_MEMBERNOTFOUND},
        {"put of a read-only property", 8, DISPATCH_PROPERTYPUT, 1, DISP_E_MEMBERNOTFOUND},
        {"put of a putref-only property", 3, DISPATCH_PROPERTYPUT, 1, DISP_E_MEMBERNOTFOUND},
        {"unknown DISPID", 99, kCall, 0, DISP_E_MEMBERNOTFOUND},
        {"no flags", 1, 0, 0, E_INVALIDARG},
        {"get and put together", 1, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, 1, E_INVALIDARG},
    };
    for (const Row& theRow : theRows) {
        RawCall theCall;
        for (int i = 0; i < theRow.mArgs; ++i)
            theCall.mArgs.emplace_back(7);
        EXPECT_EQ(theCall.Run(Object(), theRow.mId, theRow.mFlags), theRow.mResult) << theRow.mWhat;
    }
}

TEST_F(DispatchInvoke, PutAndPutRefTakeTheNamedValue)
{
    RawCall theNamed;
    theNamed.mArgs.emplace_back(42);
    theNamed.mNamed.push_back(DISPID_PROPERTYPUT);
    EXPECT_EQ(theNamed.Run(Object(), 1, DISPATCH_PROPERTYPUT, false), S_OK);
    EXPECT_EQ(mThing->mWidth, 42);

    RawCall theUnnamed;  // hosts that leave the name out are served too
    theUnnamed.mArgs.emplace_back("17");
    EXPECT_EQ(theUnnamed.Run(Object(), 1, DISPATCH_PROPERTYPUT, false), S_OK);
    EXPECT_EQ(mThing->mWidth, 17);

    RawCall theWrongName;
    theWrongName.mArgs.emplace_back(1);
    theWrongName.mNamed.push_back(0);
    EXPECT_EQ(theWrongName.Run(Object(), 1, DISPATCH_PROPERTYPUT, false), DISP_E_PARAMNOTFOUND);

    RawCall theNoValue;
    EXPECT_EQ(theNoValue.Run(Object(), 1, DISPATCH_PROPERTYPUT, false), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(mThing->mWidth, 17);

    Ref<TestThing> thePartner(TestThing::Create());
    RawCall theRef;
    theRef.mArgs.emplace_back(static_cast<IDispatch*>(thePartner.get()));
    theRef.mNamed.push_back(DISPID_PROPERTYPUT);
    EXPECT_EQ(theRef.Run(Object(), 3, DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF, false), S_OK);
    EXPECT_EQ(mThing->mPartner, static_cast<IDispatch*>(thePartner.get()));
}

TEST_F(DispatchInvoke, ArgumentCountsAreChecked)
{
    struct Row {
        const char* mWhat;
        DISPID mId;
        std::vector<vx::Variant> mArgs;
        std::vector<DISPID> mNamed;
        HRESULT mResult;
    };
    std::vector<Row> theRows;
    theRows.push_back({"no argument for a required one", 4, {}, {}, DISP_E_BADPARAMCOUNT});
    theRows.push_back({"more than the parameters", 4, {1, 2, 3, 4, 5}, {}, DISP_E_BADPARAMCOUNT});
    theRows.push_back({"retval is not an argument", 7, {true, true}, {}, DISP_E_BADPARAMCOUNT});
    theRows.push_back({"one of two required", 6, {1}, {}, DISP_E_BADPARAMCOUNT});
    theRows.push_back({"required one marked missing", 6, {Missing(), "x"}, {}, DISP_E_PARAMNOTOPTIONAL});
    theRows.push_back({"required one left out by name", 6, {"x"}, {1}, DISP_E_PARAMNOTOPTIONAL});
    theRows.push_back({"named argument out of range", 4, {1, 2}, {7}, DISP_E_PARAMNOTFOUND});
    theRows.push_back({"a parameter given twice", 4, {1, 2}, {0}, DISP_E_PARAMNOTFOUND});
    theRows.push_back({"only the required one", 4, {1}, {}, S_OK});
    theRows.push_back({"pure [out] left out", 5, {"abc"}, {}, S_OK});
    for (Row& theRow : theRows) {
        RawCall theCall;
        theCall.mArgs = std::move(theRow.mArgs);
        theCall.mNamed = theRow.mNamed;
        EXPECT_EQ(theCall.Run(Object(), theRow.mId, kCall), theRow.mResult) << theRow.mWhat;
    }
}

TEST_F(DispatchInvoke, OptionalParametersTakeDefaultsOrMissing)
{
    struct Row {
        const char* mWhat;
        std::vector<vx::Variant> mArgs;
        std::vector<DISPID> mNamed;
        LONG mSum;
    };
    std::vector<Row> theRows;
    theRows.push_back({"only inA", {2}, {}, 2});
    theRows.push_back({"inA and inB", {2, 3}, {}, 5});
    theRows.push_back({"all three", {2, 3, 4}, {}, 20});
    theRows.push_back({"inB marked missing", {2, Missing(), 3}, {}, 6});
    theRows.push_back({"inScale by name", {2, 10}, {2}, 20});
    theRows.push_back({"two by name, one by position", {4, 1, 3}, {2, 1}, 15});  // inScale=3, inB=1, inA=4
    for (Row& theRow : theRows) {
        RawCall theCall;
        theCall.mArgs = std::move(theRow.mArgs);
        theCall.mNamed = theRow.mNamed;
        ASSERT_EQ(theCall.Run(Object(), 4, kCall), S_OK) << theRow.mWhat;
        EXPECT_EQ(theCall.mResult.AsLong(), theRow.mSum) << theRow.mWhat;
    }

    RawCall theLeftOut;
    ASSERT_EQ(theLeftOut.Run(Object(), 9, kCall), S_OK);
    EXPECT_EQ(theLeftOut.mResult.AsString(), "missing");
    RawCall theGiven;
    theGiven.mArgs.emplace_back(0);
    ASSERT_EQ(theGiven.Run(Object(), 9, kCall), S_OK);
    EXPECT_EQ(theGiven.mResult.AsString(), "given");
}

TEST_F(DispatchInvoke, OutParametersAreWrittenThroughReferences)
{
    vx::Variant theRatio;       // VT_BYREF|VT_VARIANT: takes the value as it comes (VT_R4)
    vx::Variant theLength(99);  // replaced, not leaked
    vx::Variant theUpper("old text");
    RawCall theCompute;
    theCompute.mArgs.emplace_back(6);
    theCompute.mArgs.emplace_back(1);
    theCompute.mArgs.emplace_back(2);
    theCompute.mArgs.push_back(ByRef(theRatio.Get()));
    ASSERT_EQ(theCompute.Run(Object(), 4, kCall), S_OK);
    EXPECT_EQ(theRatio.Type(), VT_R4);
    EXPECT_FLOAT_EQ(theRatio.Get()->fltVal, 3.0f);
    EXPECT_EQ(theCompute.mResult.AsLong(), 14);

    // A typed reference gets the value converted to its type.
    LONG theTyped = -1;
    RawCall theTypedCall;
    theTypedCall.mArgs.emplace_back(6);
    theTypedCall.mArgs.emplace_back(0);
    theTypedCall.mArgs.emplace_back(2);
    vx::Variant theRef;
    theRef.Get()->vt = VT_BYREF | VT_I4;
    theRef.Get()->plVal = &theTyped;
    theTypedCall.mArgs.push_back(std::move(theRef));
    ASSERT_EQ(theTypedCall.Run(Object(), 4, kCall), S_OK);
    EXPECT_EQ(theTyped, 3);

    RawCall theDescribe;
    theDescribe.mArgs.emplace_back("abc");
    theDescribe.mArgs.push_back(ByRef(theLength.Get()));
    theDescribe.mArgs.push_back(ByRef(theUpper.Get()));
    ASSERT_EQ(theDescribe.Run(Object(), 5, kCall), S_OK);
    EXPECT_EQ(theLength.AsLong(), 3);
    EXPECT_EQ(theUpper.AsString(), "ABC");
    EXPECT_EQ(theDescribe.mResult.AsString(), "abc");

    // A reference to a type the value cannot become is a type mismatch at that argument.
    IDispatch* theObject = nullptr;
    RawCall theMismatch;
    theMismatch.mArgs.emplace_back("abc");
    vx::Variant theObjectRef;
    theObjectRef.Get()->vt = VT_BYREF | VT_DISPATCH;
    theObjectRef.Get()->ppdispVal = &theObject;
    theMismatch.mArgs.push_back(std::move(theObjectRef));
    EXPECT_EQ(theMismatch.Run(Object(), 5, kCall), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(theMismatch.mArgErr, 0u);
    EXPECT_EQ(theObject, nullptr);
}

TEST_F(DispatchInvoke, RetvalComesBackInTheResult)
{
    mThing->mName = u"Kettle";
    RawCall theGet;
    ASSERT_EQ(theGet.Run(Object(), 2, DISPATCH_PROPERTYGET), S_OK);
    EXPECT_EQ(theGet.mResult.Type(), VT_BSTR);
    EXPECT_EQ(theGet.mResult.AsString(), "Kettle");

    RawCall theNoResult;  // the value is released when the caller wants none
    EXPECT_EQ(theNoResult.Run(Object(), 2, DISPATCH_PROPERTYGET, false), S_OK);

    RawCall theFlag;
    theFlag.mArgs.emplace_back(0);
    ASSERT_EQ(theFlag.Run(Object(), 7, kCall), S_OK);
    EXPECT_EQ(theFlag.mResult.Type(), VT_BOOL);
    EXPECT_EQ(theFlag.mResult.Get()->boolVal, VARIANT_TRUE);
}

TEST_F(DispatchInvoke, ArgumentsAreCoercedToDeclaredTypes)
{
    struct Row {
        const char* mWhat;
        std::vector<vx::Variant> mArgs;
        HRESULT mResult;
        UINT mArgErr;
    };
    std::vector<Row> theRows;
    theRows.push_back({"digits for a LONG", {"12", 1}, S_OK, 12345u});
    theRows.push_back({"a double for a LONG", {2.0, 1, 3}, S_OK, 12345u});
    theRows.push_back({"letters for inA", {"abc", 1}, DISP_E_TYPEMISMATCH, 1u});
    theRows.push_back({"letters for inScale", {1, 1, "abc"}, DISP_E_TYPEMISMATCH, 0u});
    theRows.push_back({"too large for inScale", {1, 1, 1e12}, DISP_E_OVERFLOW, 0u});
    for (Row& theRow : theRows) {
        RawCall theCall;
        theCall.mArgs = std::move(theRow.mArgs);
        EXPECT_EQ(theCall.Run(Object(), 4, kCall), theRow.mResult) << theRow.mWhat;
        EXPECT_EQ(theCall.mArgErr, theRow.mArgErr) << theRow.mWhat;
    }

    RawCall theName;
    theName.mArgs.emplace_back(42);
    ASSERT_EQ(theName.Run(Object(), 2, DISPATCH_PROPERTYPUT, false), S_OK);
    EXPECT_EQ(mThing->mName, u"42");

    // An object given as IUnknown reaches an IDispatch* parameter through QueryInterface.
    Ref<TestThing> thePartner(TestThing::Create());
    RawCall thePutRef;
    thePutRef.mArgs.emplace_back(static_cast<IUnknown*>(static_cast<IDispatch*>(thePartner.get())));
    ASSERT_EQ(thePutRef.Run(Object(), 3, DISPATCH_PROPERTYPUTREF, false), S_OK);
    EXPECT_EQ(mThing->mPartner, static_cast<IDispatch*>(thePartner.get()));

    // A script's null is a null object: the method's own answer comes back.
    RawCall theNull;
    theNull.mArgs.emplace_back();
    EXPECT_EQ(theNull.Run(Object(), 3, DISPATCH_PROPERTYPUTREF, false), E_POINTER);
}

TEST_F(DispatchInvoke, FailuresWithErrorInfoBecomeExceptions)
{
    RawCall theCall;
    theCall.mArgs.emplace_back(E_FAIL);
    theCall.mArgs.emplace_back("Unable to frobnicate");
    EXPECT_EQ(theCall.Run(Object(), 6, kCall), DISP_E_EXCEPTION);
    EXPECT_EQ(theCall.mExcep.scode, E_FAIL);
    EXPECT_EQ(UTF8FromBSTR(theCall.mExcep.bstrDescription), "Unable to frobnicate");
    EXPECT_EQ(UTF8FromBSTR(theCall.mExcep.bstrSource), "Thing Fail");
    IErrorInfo* theLeft = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &theLeft), S_FALSE) << "the error information was handed over";

    RawCall thePlain;
    thePlain.mArgs.emplace_back(E_NOTIMPL);
    thePlain.mArgs.emplace_back("");
    EXPECT_EQ(thePlain.Run(Object(), 6, kCall), E_NOTIMPL);
    EXPECT_EQ(thePlain.mExcep.bstrDescription, nullptr);
}

TEST_F(DispatchInvoke, StaleErrorInfoIsNotReportedForAPlainFailure)
{
    vx::RaiseError(E_FAIL, "from an earlier call", "Elsewhere");
    RawCall thePlain;
    thePlain.mArgs.emplace_back(E_NOTIMPL);
    thePlain.mArgs.emplace_back("");
    EXPECT_EQ(thePlain.Run(Object(), 6, kCall), E_NOTIMPL);
}

TEST_F(DispatchInvoke, WithoutExcepInfoTheErrorInfoStaysWithTheThread)
{
    vx::Variant theArgs[] = {vx::Variant("Broken"), vx::Variant(E_FAIL)};
    DISPPARAMS theParams = {theArgs[0].Get(), nullptr, 2, 0};
    EXPECT_EQ(Object()->Invoke(6, GUID_NULL, 0, kCall, &theParams, nullptr, nullptr, nullptr), E_FAIL);
    IErrorInfo* theInfo = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &theInfo), S_OK);
    vx::Bstr theDescription;
    theInfo->GetDescription(theDescription.Out());
    EXPECT_EQ(theDescription.ToUTF8(), "Broken");
    theInfo->Release();
}

TEST_F(DispatchInvoke, ReservedInterfaceMustBeNull)
{
    RawCall theCall;
    DISPPARAMS theParams = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(Object()->Invoke(1, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &theParams, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

}  // namespace

namespace {

TEST_F(DispatchInvoke, ArgumentsBeyondAnObjectPropertyGoToItsDefaultMember)
{
    RawCall theCall;
    theCall.mArgs.emplace_back(2);
    ASSERT_EQ(theCall.Run(Object(), 8, kCall), S_OK);
    EXPECT_EQ(theCall.mResult.AsString(), "two");

    RawCall theBeyond;
    theBeyond.mArgs.emplace_back(9);
    EXPECT_EQ(theBeyond.Run(Object(), 8, kCall), E_FAIL) << "the collection's own answer";

    RawCall theNotAnObject;  // Width is a number: nothing to pass the argument on to
    theNotAnObject.mArgs.emplace_back(1);
    EXPECT_EQ(theNotAnObject.Run(Object(), 1, kCall), DISP_E_BADPARAMCOUNT);
}

}  // namespace

namespace {

TEST(DispatchTableDeath, MalformedTablesStopAtOnce)
{
    auto theRetvalFirst = [] {
        vx::DispatchTable theTable(
            IID_ITestThing, "IBad", "",
            {vx::Method<&ITestThing::Negate>(1, "Negate", "", vx::Retval("outFlag"), vx::In("inFlag"))});
    };
    EXPECT_DEATH(theRetvalFirst(), "retval");
    auto theSharedId = [] {
        vx::DispatchTable theTable(IID_ITestThing, "IBad", "",
                                   {vx::PropertyGet<&ITestThing::get_Width>(1, "Width", "", vx::Retval("outVal")),
                                    vx::PropertyGet<&ITestThing::get_Name>(1, "Name", "", vx::Retval("outVal"))});
    };
    EXPECT_DEATH(theSharedId(), "DISPID");
    auto theSharedName = [] {
        vx::DispatchTable theTable(IID_ITestThing, "IBad", "",
                                   {vx::PropertyGet<&ITestThing::get_Width>(1, "Width", "", vx::Retval("outVal")),
                                    vx::PropertyGet<&ITestThing::get_Name>(2, "WIDTH", "", vx::Retval("outVal"))});
    };
    EXPECT_DEATH(theSharedName(), "share a name");
}

}  // namespace
