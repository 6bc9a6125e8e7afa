#include <gtest/gtest.h>

#include "TestValues.h"
#include "VariantInternal.h"
#include "automation/SafeArray.h"

using testvalues::Describe;
using testvalues::OwnedVariant;
using testvalues::TestObject;

namespace {

// One table serves variants, arrays and the dispatch write-back: each size is
// that of the member the type is held in, so a reference never reads or writes
// past its value.
TEST(ValueSize, IsTheSizeOfTheMemberThatHoldsTheType)
{
    VARIANT v;
    const struct {
        VARTYPE mType;
        std::size_t mSize;
    } kRows[] = {
        {VT_I1, sizeof v.cVal},
        {VT_UI1, sizeof v.bVal},
        {VT_I2, sizeof v.iVal},
        {VT_UI2, sizeof v.uiVal},
        {VT_BOOL, sizeof v.boolVal},
        {VT_I4, sizeof v.lVal},
        {VT_UI4, sizeof v.ulVal},
        {VT_INT, sizeof v.intVal},
        {VT_UINT, sizeof v.uintVal},
        {VT_R4, sizeof v.fltVal},
        {VT_ERROR, sizeof v.scode},
        {VT_HRESULT, sizeof(HRESULT)},
        {VT_R8, sizeof v.dblVal},
        {VT_DATE, sizeof v.date},
        {VT_CY, sizeof v.cyVal},
        {VT_I8, sizeof v.llVal},
        {VT_UI8, sizeof v.ullVal},
        {VT_BSTR, sizeof v.bstrVal},
        {VT_DISPATCH, sizeof v.pdispVal},
        {VT_UNKNOWN, sizeof v.punkVal},
        {VT_VARIANT, 0},
        {VT_EMPTY, 0},
        {VT_DECIMAL, 0},
    };
    for (const auto& theRow : kRows)
        EXPECT_EQ(VariantInternal::ValueSize(theRow.mType), theRow.mSize) << theRow.mType;
}

TEST(VariantClear, ReleasesWhatTheVariantOwns)
{
    TestObject theObject;
    VARIANT theValue;
    VariantInit(&theValue);
    theValue.vt = VT_DISPATCH;
    theValue.pdispVal = &theObject;
    theObject.AddRef();
    EXPECT_EQ(VariantClear(&theValue), S_OK);
    EXPECT_EQ(theValue.vt, VT_EMPTY);
    EXPECT_EQ(theObject.mReferences, 1u);

    // Strings and arrays: the leak checker of the sanitizer build sees any miss.
    theValue.vt = VT_BSTR;
    theValue.bstrVal = SysAllocString(u"owned");
    EXPECT_EQ(VariantClear(&theValue), S_OK);
    theValue.vt = VT_ARRAY | VT_BSTR;
    theValue.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
    LONG theIndex = 1;
    BSTR theText = SysAllocString(u"element");
    ASSERT_EQ(SafeArrayPutElement(theValue.parray, &theIndex, theText), S_OK);
    SysFreeString(theText);
    EXPECT_EQ(VariantClear(&theValue), S_OK);
    EXPECT_EQ(theValue.vt, VT_EMPTY);
}

TEST(VariantClear, ReferencesAreNotOwned)
{
    TestObject theObject;
    IDispatch* theDispatch = &theObject;
    BSTR theText = SysAllocString(u"still mine");
    VARIANT theValue;
    VariantInit(&theValue);
    theValue.vt = VT_BYREF | VT_DISPATCH;
    theValue.ppdispVal = &theDispatch;
    EXPECT_EQ(VariantClear(&theValue), S_OK);
    EXPECT_EQ(theObject.mReferences, 1u);
    theValue.vt = VT_BYREF | VT_BSTR;
    theValue.pbstrVal = &theText;
    EXPECT_EQ(VariantClear(&theValue), S_OK);
    EXPECT_EQ(UTF8FromBSTR(theText), "still mine");
    SysFreeString(theText);
}

TEST(VariantClear, LockedArrayStays)
{
    VARIANT theValue;
    VariantInit(&theValue);
    theValue.vt = VT_ARRAY | VT_UI1;
    theValue.parray = SafeArrayCreateVector(VT_UI1, 0, 4);
    void* theData = nullptr;
    ASSERT_EQ(SafeArrayAccessData(theValue.parray, &theData), S_OK);
    EXPECT_EQ(VariantClear(&theValue), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(theValue.vt, VT_ARRAY | VT_UI1);
    ASSERT_EQ(SafeArrayUnaccessData(theValue.parray), S_OK);
    EXPECT_EQ(VariantClear(&theValue), S_OK);
}

TEST(VariantClear, RefusesUnknownTypes)
{
    VARIANT theValue;
    VariantInit(&theValue);
    for (VARTYPE theType :
         {VARTYPE{0x7F}, VARTYPE{VT_VARIANT}, VARTYPE{VT_BYREF | VT_EMPTY}, VARTYPE{0x8000 | VT_I4}}) {
        theValue.vt = theType;
        EXPECT_EQ(VariantClear(&theValue), DISP_E_BADVARTYPE) << theType;
    }
}

TEST(VariantCopy, CopiesDeeply)
{
    OwnedVariant theSource;
    theSource.mValue.vt = VT_BSTR;
    const char16_t theChars[] = {u'a', 0, u'b'};
    theSource.mValue.bstrVal = SysAllocStringLen(theChars, 3);
    OwnedVariant theCopy;
    theCopy.mValue.vt = VT_BSTR;
    theCopy.mValue.bstrVal = SysAllocString(u"replaced");
    ASSERT_EQ(VariantCopy(&theCopy.mValue, &theSource.mValue), S_OK);
    ASSERT_NE(theCopy.mValue.bstrVal, theSource.mValue.bstrVal);
    EXPECT_EQ(SysStringLen(theCopy.mValue.bstrVal), 3u);
    EXPECT_EQ(theCopy.mValue.bstrVal[2], u'b');

    TestObject theObject;
    {
        OwnedVariant theHolder;
        theHolder.mValue.vt = VT_UNKNOWN;
        theHolder.mValue.punkVal = &theObject;
        theObject.AddRef();
        OwnedVariant theSecond;
        ASSERT_EQ(VariantCopy(&theSecond.mValue, &theHolder.mValue), S_OK);
        EXPECT_EQ(theObject.mReferences, 3u);
    }
    EXPECT_EQ(theObject.mReferences, 1u);
}

TEST(VariantCopy, KeepsReferencesAsReferences)
{
    LONG theNumber = 5;
    VARIANT theByRef;
    VariantInit(&theByRef);
    theByRef.vt = VT_BYREF | VT_I4;
    theByRef.plVal = &theNumber;
    OwnedVariant theCopy;
    ASSERT_EQ(VariantCopy(&theCopy.mValue, &theByRef), S_OK);
    EXPECT_EQ(theCopy.mValue.vt, VT_BYREF | VT_I4);
    EXPECT_EQ(theCopy.mValue.plVal, &theNumber);
}

TEST(VariantCopy, NullStringStaysNull)
{
    VARIANT theSource;
    VariantInit(&theSource);
    theSource.vt = VT_BSTR;
    theSource.bstrVal = nullptr;
    OwnedVariant theCopy;
    ASSERT_EQ(VariantCopy(&theCopy.mValue, &theSource), S_OK);
    EXPECT_EQ(theCopy.mValue.vt, VT_BSTR);
    EXPECT_EQ(theCopy.mValue.bstrVal, nullptr);
}

TEST(VariantCopyInd, FollowsReferences)
{
    BSTR theText = SysAllocString(u"shared");
    VARIANT theInner;
    VariantInit(&theInner);
    theInner.vt = VT_BYREF | VT_BSTR;
    theInner.pbstrVal = &theText;
    VARIANT theOuter;
    VariantInit(&theOuter);
    theOuter.vt = VT_BYREF | VT_VARIANT;
    theOuter.pvarVal = &theInner;
    {
        OwnedVariant theCopy;
        ASSERT_EQ(VariantCopyInd(&theCopy.mValue, &theOuter), S_OK);
        EXPECT_EQ(Describe(theCopy.mValue), "BSTR \"shared\"");
        EXPECT_NE(theCopy.mValue.bstrVal, theText);
    }
    // In place: the reference becomes an owned copy; the original stays the caller's.
    ASSERT_EQ(VariantCopyInd(&theInner, &theInner), S_OK);
    EXPECT_EQ(theInner.vt, VT_BSTR);
    EXPECT_NE(theInner.bstrVal, theText);
    VariantClear(&theInner);
    SysFreeString(theText);
}

TEST(VariantCopyInd, RefusesReferenceLoops)
{
    VARIANT theLoop;
    VariantInit(&theLoop);
    theLoop.vt = VT_BYREF | VT_VARIANT;
    theLoop.pvarVal = &theLoop;
    OwnedVariant theCopy;
    EXPECT_EQ(VariantCopyInd(&theCopy.mValue, &theLoop), E_INVALIDARG);
}

}  // namespace
