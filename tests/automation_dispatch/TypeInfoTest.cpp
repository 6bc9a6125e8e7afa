#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestThing.h"
#include "automation/Bstr.h"
#include "automation/ComVariant.h"

namespace {

class TypeInfoOfThing : public ::testing::Test {
protected:
    void SetUp() override
    {
        mThing = TestThing::Create();
        ASSERT_EQ(mThing->GetTypeInfo(0, 0, mInfo.out()), S_OK);
    }
    void TearDown() override { mThing->Release(); }

    // The FUNCDESC of the entry with this DISPID and kind.
    FUNCDESC* Find(MEMBERID inId, INVOKEKIND inKind)
    {
        TYPEATTR* theAttr = nullptr;
        mInfo->GetTypeAttr(&theAttr);
        FUNCDESC* theFound = nullptr;
        for (UINT i = 0; i < theAttr->cFuncs && theFound == nullptr; ++i) {
            FUNCDESC* theDesc = nullptr;
            mInfo->GetFuncDesc(i, &theDesc);
            if (theDesc->memid == inId && theDesc->invkind == inKind)
                theFound = theDesc;
            else
                mInfo->ReleaseFuncDesc(theDesc);
        }
        mInfo->ReleaseTypeAttr(theAttr);
        return theFound;
    }

    TestThing* mThing = nullptr;
    Ref<ITypeInfo> mInfo;
};

TEST_F(TypeInfoOfThing, AttributesDescribeADualDispatchInterface)
{
    UINT theCount = 0;
    EXPECT_EQ(mThing->GetTypeInfoCount(&theCount), S_OK);
    EXPECT_EQ(theCount, 1u);
    ITypeInfo* theOther = nullptr;
    EXPECT_EQ(mThing->GetTypeInfo(1, 0, &theOther), DISP_E_BADINDEX);
    EXPECT_EQ(theOther, nullptr);

    TYPEATTR* theAttr = nullptr;
    ASSERT_EQ(mInfo->GetTypeAttr(&theAttr), S_OK);
    EXPECT_EQ(theAttr->guid, IID_ITestThing);
    EXPECT_EQ(theAttr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(theAttr->cFuncs, 13);
    EXPECT_TRUE(theAttr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(theAttr->wTypeFlags & TYPEFLAG_FNONEXTENSIBLE);
    mInfo->ReleaseTypeAttr(theAttr);

    FUNCDESC* thePastEnd = nullptr;
    EXPECT_EQ(mInfo->GetFuncDesc(13, &thePastEnd), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeInfoOfThing, FunctionDescriptionsCarryKindsTypesAndFlags)
{
    FUNCDESC* theCompute = Find(4, INVOKE_FUNC);
    ASSERT_NE(theCompute, nullptr);
    EXPECT_EQ(theCompute->funckind, FUNC_DISPATCH);
    ASSERT_EQ(theCompute->cParams, 4) << "the retval is the function's result, not a parameter";
    EXPECT_EQ(theCompute->cParamsOpt, 2);
    struct Expected {
        VARTYPE mType;
        USHORT mFlags;
    } theParams[] = {
        {VT_I4, PARAMFLAG_FIN},
        {VT_BYREF | VT_VARIANT, PARAMFLAG_FIN | PARAMFLAG_FOPT},
        {VT_I4, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT},
        {VT_BYREF | VT_R4, PARAMFLAG_FOUT},
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(theCompute->lprgelemdescParam[i].tdesc.vt, theParams[i].mType) << i;
        EXPECT_EQ(theCompute->lprgelemdescParam[i].paramdesc.wParamFlags, theParams[i].mFlags) << i;
    }
    EXPECT_EQ(theCompute->elemdescFunc.tdesc.vt, VT_VARIANT);
    mInfo->ReleaseFuncDesc(theCompute);

    FUNCDESC* thePut = Find(1, INVOKE_PROPERTYPUT);
    ASSERT_NE(thePut, nullptr);
    ASSERT_EQ(thePut->cParams, 1);
    EXPECT_EQ(thePut->lprgelemdescParam[0].tdesc.vt, VT_VARIANT);
    EXPECT_EQ(thePut->elemdescFunc.tdesc.vt, VT_VOID);
    mInfo->ReleaseFuncDesc(thePut);

    FUNCDESC* thePutRef = Find(3, INVOKE_PROPERTYPUTREF);
    ASSERT_NE(thePutRef, nullptr);
    EXPECT_EQ(thePutRef->lprgelemdescParam[0].tdesc.vt, VT_DISPATCH);
    mInfo->ReleaseFuncDesc(thePutRef);

    FUNCDESC* theName = Find(2, INVOKE_PROPERTYGET);
    ASSERT_NE(theName, nullptr);
    EXPECT_EQ(theName->cParams, 0);
    EXPECT_EQ(theName->elemdescFunc.tdesc.vt, VT_BSTR);
    mInfo->ReleaseFuncDesc(theName);
}

TEST_F(TypeInfoOfThing, NamesAndDocumentation)
{
    BSTR theNames[8] = {};
    UINT theCount = 0;
    ASSERT_EQ(mInfo->GetNames(4, theNames, 8, &theCount), S_OK);
    std::vector<std::string> theGot;
    for (UINT i = 0; i < theCount; ++i) {
        theGot.push_back(vx::Bstr::Attach(theNames[i]).ToUTF8());
    }
    EXPECT_EQ(theGot, (std::vector<std::string>{"Compute", "inA", "inB", "inScale", "outRatio"}));

    ASSERT_EQ(mInfo->GetNames(4, theNames, 2, &theCount), S_OK);
    EXPECT_EQ(theCount, 2u);
    SysFreeString(theNames[0]);
    SysFreeString(theNames[1]);
    EXPECT_EQ(mInfo->GetNames(55, theNames, 8, &theCount), TYPE_E_ELEMENTNOTFOUND);

    vx::Bstr theName, theHelp;
    ASSERT_EQ(mInfo->GetDocumentation(MEMBERID_NIL, theName.Out(), theHelp.Out(), nullptr, nullptr), S_OK);
    EXPECT_EQ(theName.ToUTF8(), "ITestThing");
    EXPECT_EQ(theHelp.ToUTF8(), "A thing for testing dispatch");
    ASSERT_EQ(mInfo->GetDocumentation(4, theName.Out(), theHelp.Out(), nullptr, nullptr), S_OK);
    EXPECT_EQ(theName.ToUTF8(), "Compute");
    EXPECT_EQ(theHelp.ToUTF8(), "Adds and scales");
    EXPECT_EQ(mInfo->GetDocumentation(55, theName.Out(), nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeInfoOfThing, InvokesThroughTheInterfacePointer)
{
    std::u16string theMember = u"WIDTH";
    LPOLESTR theNames[] = {theMember.data()};
    MEMBERID theId = 0;
    ASSERT_EQ(mInfo->GetIDsOfNames(theNames, 1, &theId), S_OK);
    mThing->mWidth = 31;
    vx::Variant theResult;
    DISPPARAMS theNone = {nullptr, nullptr, 0, 0};
    ITestThing* theInterface = mThing;
    ASSERT_EQ(mInfo->Invoke(theInterface, theId, DISPATCH_PROPERTYGET, &theNone, theResult.Out(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(theResult.AsLong(), 31);
}

}  // namespace
