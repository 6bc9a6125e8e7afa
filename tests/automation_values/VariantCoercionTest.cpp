#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>

#include "TestValues.h"
#include "automation/Errors.h"
#include "automation/SafeArray.h"

using testvalues::Describe;
using testvalues::OwnedVariant;
using testvalues::TestObject;

namespace {

// A source value, built fresh for each row.
struct Source {
    VARTYPE mType;
    std::int64_t mInteger = 0;
    double mReal = 0;
    std::u16string_view mText = {};
};

Source Text(std::u16string_view inText)
{
    return {VT_BSTR, 0, 0, inText};
}
Source I4(std::int32_t inValue)
{
    return {VT_I4, inValue};
}
Source I8(std::int64_t inValue)
{
    return {VT_I8, inValue};
}
Source UI8Max()
{
    return {VT_UI8, -1};
}
Source R8(double inValue)
{
    return {VT_R8, 0, inValue};
}
Source R4(float inValue)
{
    return {VT_R4, 0, inValue};
}
Source Bool(bool inValue)
{
    return {VT_BOOL, inValue ? -1 : 0};
}
Source Error(HRESULT inCode)
{
    return {VT_ERROR, inCode};
}
Source Empty()
{
    return {VT_EMPTY};
}
Source Null()
{
    return {VT_NULL};
}

void Build(const Source& inSource, VARIANT& outValue)
{
    VariantInit(&outValue);
    outValue.vt = inSource.mType;
    switch (inSource.mType) {
    case VT_BSTR:
        outValue.bstrVal = SysAllocStringLen(inSource.mText.data(), static_cast<UINT>(inSource.mText.size()));
        break;
    case VT_I4:
    case VT_ERROR:
        outValue.lVal = static_cast<LONG>(inSource.mInteger);
        break;
    case VT_I8:
    case VT_UI8:
        outValue.llVal = inSource.mInteger;
        break;
    case VT_R8:
        outValue.dblVal = inSource.mReal;
        break;
    case VT_R4:
        outValue.fltVal = static_cast<float>(inSource.mReal);
        break;
    case VT_BOOL:
        outValue.boolVal = static_cast<VARIANT_BOOL>(inSource.mInteger);
        break;
    default:
        break;
    }
}

struct CoercionRow {
    const char* mLabel;
    Source mSource;
    VARTYPE mTarget;
    HRESULT mResult;
    const char* mExpected;  // Describe() of the result; ignored on failure
};

const CoercionRow kRows[] = {
    // Text to numbers
    {"blank padded text", Text(u" 12 "), VT_I4, S_OK, "I4 12"},
    {"tab and newline padding", Text(u"\t7\r\n"), VT_I2, S_OK, "I2 7"},
    {"exponent text", Text(u"1e3"), VT_I4, S_OK, "I4 1000"},
    {"negative zero text", Text(u"-0"), VT_I4, S_OK, "I4 0"},
    {"plus sign", Text(u"+7"), VT_UI1, S_OK, "UI1 7"},
    {"fraction text rounds half to even", Text(u"2.5"), VT_I4, S_OK, "I4 2"},
    {"leading point", Text(u".5e1"), VT_R8, S_OK, "R8 5"},
    {"trailing point", Text(u"5."), VT_I4, S_OK, "I4 5"},
    {"text to double", Text(u" -1.25 "), VT_R8, S_OK, "R8 -1.25"},
    {"text to single", Text(u"0.1"), VT_R4, S_OK, "R4 0.1"},
    {"largest I4 text", Text(u"2147483647"), VT_I4, S_OK, "I4 2147483647"},
    {"smallest I4 text", Text(u"-2147483648"), VT_I4, S_OK, "I4 -2147483648"},
    {"2147483648 overflows I4", Text(u"2147483648"), VT_I4, DISP_E_OVERFLOW, ""},
    {"largest I8 text exactly", Text(u"9223372036854775807"), VT_I8, S_OK, "I8 9223372036854775807"},
    {"smallest I8 text exactly", Text(u"-9223372036854775808"), VT_I8, S_OK, "I8 -9223372036854775808"},
    {"largest UI8 text exactly", Text(u"18446744073709551615"), VT_UI8, S_OK, "UI8 18446744073709551615"},
    {"UI8 overflow", Text(u"18446744073709551616"), VT_UI8, DISP_E_OVERFLOW, ""},
    {"long digit run to double", Text(u"000000000000000000000012"), VT_R8, S_OK, "R8 12"},
    {"negative text to unsigned", Text(u"-1"), VT_UI4, DISP_E_OVERFLOW, ""},
    {"huge exponent", Text(u"1e400"), VT_R8, DISP_E_OVERFLOW, ""},
    {"tiny exponent reads as zero", Text(u"1e-400"), VT_R8, S_OK, "R8 0"},
    {"not a number", Text(u"abc"), VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"empty text", Text(u""), VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"blank text", Text(u"   "), VT_R8, DISP_E_TYPEMISMATCH, ""},
    {"list text is not one number", Text(u"1,000"), VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"trailing unit", Text(u"12px"), VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"exponent without digits", Text(u"1e"), VT_R8, DISP_E_TYPEMISMATCH, ""},
    {"lone point", Text(u"."), VT_R8, DISP_E_TYPEMISMATCH, ""},
    {"lone sign", Text(u"-"), VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"two signs", Text(u"+-1"), VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"inner blank", Text(u"1 2"), VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"infinity word", Text(u"inf"), VT_R8, DISP_E_TYPEMISMATCH, ""},
    {"hexadecimal form", Text(u"&H10"), VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"embedded NUL",
     Text(std::u16string_view(u"1\0"
                              "2",
                              3)),
     VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"full-width digit", Text(u"\uFF11"), VT_I4, DISP_E_TYPEMISMATCH, ""},
    // Truth words
    {"True text to BOOL", Text(u"True"), VT_BOOL, S_OK, "BOOL -1"},
    {"mixed case true", Text(u" tRUE "), VT_BOOL, S_OK, "BOOL -1"},
    {"FALSE text to BOOL", Text(u"FALSE"), VT_BOOL, S_OK, "BOOL 0"},
    {"True text to I4", Text(u"True"), VT_I4, S_OK, "I4 -1"},
    {"False text to R8", Text(u"false"), VT_R8, S_OK, "R8 0"},
    {"True text to BSTR stays text", Text(u"tRUE"), VT_BSTR, S_OK, "BSTR \"tRUE\""},
    {"zero text to BOOL", Text(u"0"), VT_BOOL, S_OK, "BOOL 0"},
    {"number text to BOOL", Text(u"2"), VT_BOOL, S_OK, "BOOL -1"},
    {"yes is not a truth word", Text(u"yes"), VT_BOOL, DISP_E_TYPEMISMATCH, ""},
    // Rounding to integers: half to even
    {"2.5 to I4", R8(2.5), VT_I4, S_OK, "I4 2"},
    {"3.5 to I4", R8(3.5), VT_I4, S_OK, "I4 4"},
    {"-2.5 to I4", R8(-2.5), VT_I4, S_OK, "I4 -2"},
    {"0.5 to I2", R8(0.5), VT_I2, S_OK, "I2 0"},
    {"1.5 to UI1", R8(1.5), VT_UI1, S_OK, "UI1 2"},
    {"2.6 to I8", R8(2.6), VT_I8, S_OK, "I8 3"},
    {"-0.4 to UI4", R8(-0.4), VT_UI4, S_OK, "UI4 0"},
    {"single 2.5 to INT", R4(2.5f), VT_INT, S_OK, "INT 2"},
    // Ranges
    {"2147483648 as double to I4", R8(2147483648.0), VT_I4, DISP_E_OVERFLOW, ""},
    {"2147483647.4 rounds into I4", R8(2147483647.4), VT_I4, S_OK, "I4 2147483647"},
    {"32767.5 rounds out of I2", R8(32767.5), VT_I2, DISP_E_OVERFLOW, ""},
    {"-32768.5 rounds into I2", R8(-32768.5), VT_I2, S_OK, "I2 -32768"},
    {"256 to UI1", I4(256), VT_UI1, DISP_E_OVERFLOW, ""},
    {"-129 to I1", I4(-129), VT_I1, DISP_E_OVERFLOW, ""},
    {"-128 to I1", I4(-128), VT_I1, S_OK, "I1 -128"},
    {"-1 to UI4", I4(-1), VT_UI4, DISP_E_OVERFLOW, ""},
    {"I8 above I4", I8(std::int64_t{1} << 40), VT_I4, DISP_E_OVERFLOW, ""},
    {"UI8 max to I8", UI8Max(), VT_I8, DISP_E_OVERFLOW, ""},
    {"UI8 max to R8", UI8Max(), VT_R8, S_OK, "R8 18446744073709551616"},
    {"2^63 as double to I8", R8(9223372036854775808.0), VT_I8, DISP_E_OVERFLOW, ""},
    {"2^63 as double to UI8", R8(9223372036854775808.0), VT_UI8, S_OK, "UI8 9223372036854775808"},
    {"NaN to I4", R8(std::numeric_limits<double>::quiet_NaN()), VT_I4, DISP_E_OVERFLOW, ""},
    {"1e39 to R4", R8(1e39), VT_R4, DISP_E_OVERFLOW, ""},
    {"I4 to R8", I4(-7), VT_R8, S_OK, "R8 -7"},
    // Truth values to numbers and text
    {"True to I4", Bool(true), VT_I4, S_OK, "I4 -1"},
    {"True to R8", Bool(true), VT_R8, S_OK, "R8 -1"},
    {"False to I2", Bool(false), VT_I2, S_OK, "I2 0"},
    {"True to UI1 keeps all ones", Bool(true), VT_UI1, S_OK, "UI1 255"},
    {"True to UI2 keeps all ones", Bool(true), VT_UI2, S_OK, "UI2 65535"},
    {"True to text", Bool(true), VT_BSTR, S_OK, "BSTR \"True\""},
    {"False to text", Bool(false), VT_BSTR, S_OK, "BSTR \"False\""},
    {"I4 to BOOL", I4(5), VT_BOOL, S_OK, "BOOL -1"},
    {"0.0 to BOOL", R8(0.0), VT_BOOL, S_OK, "BOOL 0"},
    // Numbers to text
    {"I4 to text", I4(-42), VT_BSTR, S_OK, "BSTR \"-42\""},
    {"I4 minimum to text", I4(std::numeric_limits<std::int32_t>::min()), VT_BSTR, S_OK, "BSTR \"-2147483648\""},
    {"UI8 max to text", UI8Max(), VT_BSTR, S_OK, "BSTR \"18446744073709551615\""},
    {"0.1 to text", R8(0.1), VT_BSTR, S_OK, "BSTR \"0.1\""},
    {"1e20 to text", R8(1e20), VT_BSTR, S_OK, "BSTR \"1E+20\""},
    {"1e15 to text", R8(1e15), VT_BSTR, S_OK, "BSTR \"1E+15\""},
    {"15 digits stay plain", R8(123456789012345.0), VT_BSTR, S_OK, "BSTR \"123456789012345\""},
    {"third to 15 digits", R8(1.0 / 3.0), VT_BSTR, S_OK, "BSTR \"0.333333333333333\""},
    {"0.0001 stays plain", R8(0.0001), VT_BSTR, S_OK, "BSTR \"0.0001\""},
    {"0.00001 in exponent form", R8(0.00001), VT_BSTR, S_OK, "BSTR \"1E-05\""},
    {"no trailing zeros", R8(2.50), VT_BSTR, S_OK, "BSTR \"2.5\""},
    {"whole double", R8(1000.0), VT_BSTR, S_OK, "BSTR \"1000\""},
    {"negative zero", R8(-0.0), VT_BSTR, S_OK, "BSTR \"0\""},
    {"0.1+0.2 at 15 digits", R8(0.1 + 0.2), VT_BSTR, S_OK, "BSTR \"0.3\""},
    {"single 0.1 to text", R4(0.1f), VT_BSTR, S_OK, "BSTR \"0.1\""},
    {"single third to text", R4(1.0f / 3.0f), VT_BSTR, S_OK, "BSTR \"0.3333333\""},
    // EMPTY, NULL and error values
    {"EMPTY to I4", Empty(), VT_I4, S_OK, "I4 0"},
    {"EMPTY to R8", Empty(), VT_R8, S_OK, "R8 0"},
    {"EMPTY to text", Empty(), VT_BSTR, S_OK, "BSTR \"\""},
    {"EMPTY to BOOL", Empty(), VT_BOOL, S_OK, "BOOL 0"},
    {"EMPTY to NULL", Empty(), VT_NULL, S_OK, "NULL"},
    {"EMPTY to DISPATCH is nothing", Empty(), VT_DISPATCH, S_OK, "DISPATCH null"},
    {"NULL to I4", Null(), VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"NULL to text", Null(), VT_BSTR, DISP_E_TYPEMISMATCH, ""},
    {"NULL to BOOL", Null(), VT_BOOL, DISP_E_TYPEMISMATCH, ""},
    {"NULL to EMPTY", Null(), VT_EMPTY, S_OK, "EMPTY"},
    {"text to EMPTY", Text(u"x"), VT_EMPTY, S_OK, "EMPTY"},
    {"I4 to NULL", I4(1), VT_NULL, DISP_E_TYPEMISMATCH, ""},
    {"error to I4", Error(DISP_E_PARAMNOTFOUND), VT_I4, S_OK, "I4 -2147352572"},
    {"error to text", Error(DISP_E_PARAMNOTFOUND), VT_BSTR, DISP_E_TYPEMISMATCH, ""},
    {"I4 to error", I4(5), VT_ERROR, S_OK, "ERROR 5"},
    {"text to error", Text(u"5"), VT_ERROR, DISP_E_TYPEMISMATCH, ""},
    {"I4 to DISPATCH", I4(5), VT_DISPATCH, DISP_E_TYPEMISMATCH, ""},
    {"text to VARIANT copies", Text(u"x"), VT_VARIANT, S_OK, "BSTR \"x\""},
    // Targets that are not values
    {"to a reference", I4(5), VT_BYREF | VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"to currency", I4(5), VT_CY, DISP_E_BADVARTYPE, ""},
    {"to an unknown type", I4(5), 0x7F, DISP_E_BADVARTYPE, ""},
    {"scalar to array", I4(5), VT_ARRAY | VT_I4, DISP_E_TYPEMISMATCH, ""},
};

class CoercionTable : public testing::TestWithParam<CoercionRow> {};

TEST_P(CoercionTable, ConvertsAsClassicEngines)
{
    const CoercionRow& theRow = GetParam();
    OwnedVariant theSource;
    Build(theRow.mSource, theSource.mValue);
    OwnedVariant theResult;
    const HRESULT theHr = VariantChangeType(&theResult.mValue, &theSource.mValue, 0, theRow.mTarget);
    EXPECT_EQ(theHr, theRow.mResult) << AutomationCodeName(theHr);
    if (theRow.mResult == S_OK)
        EXPECT_EQ(Describe(theResult.mValue), theRow.mExpected);
    else
        EXPECT_EQ(theResult.mValue.vt, VT_EMPTY);  // untouched
}

std::string RowName(const testing::TestParamInfo<CoercionRow>& inInfo)
{
    std::string theName;
    for (const char* p = inInfo.param.mLabel; *p != 0; ++p)
        theName += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return theName + "_" + std::to_string(inInfo.index);
}

INSTANTIATE_TEST_SUITE_P(Rows, CoercionTable, testing::ValuesIn(kRows), RowName);

// ---- References, in-place changes and failures ---------------------------------

TEST(VariantChangeType, FollowsReferencesWithoutTakingOwnership)
{
    LONG theNumber = 1234;
    VARIANT theByRef;
    VariantInit(&theByRef);
    theByRef.vt = VT_BYREF | VT_I4;
    theByRef.plVal = &theNumber;
    OwnedVariant theText;
    ASSERT_EQ(VariantChangeType(&theText.mValue, &theByRef, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Describe(theText.mValue), "BSTR \"1234\"");

    BSTR theString = SysAllocString(u" 77 ");
    VARIANT theInner;
    VariantInit(&theInner);
    theInner.vt = VT_BYREF | VT_BSTR;
    theInner.pbstrVal = &theString;
    VARIANT theOuter;
    VariantInit(&theOuter);
    theOuter.vt = VT_BYREF | VT_VARIANT;
    theOuter.pvarVal = &theInner;
    OwnedVariant theValue;
    ASSERT_EQ(VariantChangeType(&theValue.mValue, &theOuter, 0, VT_I4), S_OK);
    EXPECT_EQ(Describe(theValue.mValue), "I4 77");

    // In place on a reference: the referenced string is not freed.
    ASSERT_EQ(VariantChangeType(&theInner, &theInner, 0, VT_R8), S_OK);
    EXPECT_EQ(Describe(theInner), "R8 77");
    EXPECT_EQ(SysStringLen(theString), 4u);
    SysFreeString(theString);
}

TEST(VariantChangeType, RefusesNullReference)
{
    VARIANT theByRef;
    VariantInit(&theByRef);
    theByRef.vt = VT_BYREF | VT_I4;
    theByRef.plVal = nullptr;
    OwnedVariant theResult;
    EXPECT_TRUE(FAILED(VariantChangeType(&theResult.mValue, &theByRef, 0, VT_BSTR)));
    EXPECT_EQ(theResult.mValue.vt, VT_EMPTY);
}

TEST(VariantChangeType, ChangesInPlace)
{
    OwnedVariant theValue;
    theValue.mValue.vt = VT_BSTR;
    theValue.mValue.bstrVal = SysAllocString(u" 12 ");
    ASSERT_EQ(VariantChangeType(&theValue.mValue, &theValue.mValue, 0, VT_I4), S_OK);
    EXPECT_EQ(Describe(theValue.mValue), "I4 12");
    ASSERT_EQ(VariantChangeType(&theValue.mValue, &theValue.mValue, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Describe(theValue.mValue), "BSTR \"12\"");
}

TEST(VariantChangeType, FailureInPlaceLeavesSourceAsItWas)
{
    OwnedVariant theValue;
    theValue.mValue.vt = VT_BSTR;
    theValue.mValue.bstrVal = SysAllocString(u"abc");
    const BSTR theOriginal = theValue.mValue.bstrVal;
    EXPECT_EQ(VariantChangeType(&theValue.mValue, &theValue.mValue, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(theValue.mValue.vt, VT_BSTR);
    EXPECT_EQ(theValue.mValue.bstrVal, theOriginal);
    EXPECT_EQ(Describe(theValue.mValue), "BSTR \"abc\"");
}

TEST(VariantChangeType, FailureLeavesDestinationAsItWas)
{
    OwnedVariant theSource;
    theSource.mValue.vt = VT_R8;
    theSource.mValue.dblVal = 1e10;
    OwnedVariant theDest;
    theDest.mValue.vt = VT_BSTR;
    theDest.mValue.bstrVal = SysAllocString(u"kept");
    EXPECT_EQ(VariantChangeType(&theDest.mValue, &theSource.mValue, 0, VT_I4), DISP_E_OVERFLOW);
    EXPECT_EQ(Describe(theDest.mValue), "BSTR \"kept\"");
    // Success replaces (and frees) what the destination held.
    ASSERT_EQ(VariantChangeType(&theDest.mValue, &theSource.mValue, 0, VT_I8), S_OK);
    EXPECT_EQ(Describe(theDest.mValue), "I8 10000000000");
}

TEST(VariantChangeType, RejectsNullArguments)
{
    VARIANT theValue;
    VariantInit(&theValue);
    EXPECT_EQ(VariantChangeType(nullptr, &theValue, 0, VT_I4), E_INVALIDARG);
    EXPECT_EQ(VariantChangeType(&theValue, nullptr, 0, VT_I4), E_INVALIDARG);
}

// ---- Objects -------------------------------------------------------------------

TEST(VariantChangeType, ObjectConvertsThroughDefaultMember)
{
    TestObject theObject;
    theObject.mHasDefault = true;
    theObject.mDefault = u" 42 ";
    {
        OwnedVariant theSource;
        theSource.mValue.vt = VT_DISPATCH;
        theSource.mValue.pdispVal = &theObject;
        theObject.AddRef();
        OwnedVariant theResult;
        ASSERT_EQ(VariantChangeType(&theResult.mValue, &theSource.mValue, 0, VT_I4), S_OK);
        EXPECT_EQ(Describe(theResult.mValue), "I4 42");
        EXPECT_EQ(theObject.mLastId, DISPID_VALUE);
        EXPECT_EQ(theObject.mLastFlags, DISPATCH_PROPERTYGET);
        ASSERT_EQ(VariantChangeType(&theResult.mValue, &theSource.mValue, 0, VT_BSTR), S_OK);
        EXPECT_EQ(Describe(theResult.mValue), "BSTR \" 42 \"");

        // In place: the object is released once the value replaces it.
        ASSERT_EQ(VariantChangeType(&theSource.mValue, &theSource.mValue, 0, VT_R8), S_OK);
        EXPECT_EQ(Describe(theSource.mValue), "R8 42");
    }
    EXPECT_EQ(theObject.mReferences, 1u);
}

TEST(VariantChangeType, ObjectWithoutDefaultMemberIsMismatch)
{
    TestObject theObject;
    {
        OwnedVariant theSource;
        theSource.mValue.vt = VT_DISPATCH;
        theSource.mValue.pdispVal = &theObject;
        theObject.AddRef();
        OwnedVariant theResult;
        EXPECT_EQ(VariantChangeType(&theResult.mValue, &theSource.mValue, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(theObject.mInvokes, 1);
        EXPECT_EQ(VariantChangeType(&theSource.mValue, &theSource.mValue, 0, VT_I4), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(theSource.mValue.vt, VT_DISPATCH);
    }
    EXPECT_EQ(theObject.mReferences, 1u);
}

TEST(VariantChangeType, NoValuePropKeepsDefaultMemberUnasked)
{
    TestObject theObject;
    theObject.mHasDefault = true;
    theObject.mDefault = u"1";
    VARIANT theSource;
    VariantInit(&theSource);
    theSource.vt = VT_DISPATCH;
    theSource.pdispVal = &theObject;
    OwnedVariant theResult;
    EXPECT_EQ(VariantChangeType(&theResult.mValue, &theSource, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(theObject.mInvokes, 0);
}

TEST(VariantChangeType, UnknownIsAskedForDispatchFirst)
{
    TestObject theObject;
    theObject.mHasDefault = true;
    theObject.mDefault = u"True";
    VARIANT theSource;
    VariantInit(&theSource);
    theSource.vt = VT_UNKNOWN;
    theSource.punkVal = &theObject;
    OwnedVariant theResult;
    ASSERT_EQ(VariantChangeType(&theResult.mValue, &theSource, 0, VT_BOOL), S_OK);
    EXPECT_EQ(Describe(theResult.mValue), "BOOL -1");

    TestObject theBare;
    theBare.mDispatchable = false;
    theBare.mHasDefault = true;
    theSource.punkVal = &theBare;
    EXPECT_EQ(VariantChangeType(&theResult.mValue, &theSource, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(theBare.mInvokes, 0);
    EXPECT_EQ(theObject.mReferences, 1u);
    EXPECT_EQ(theBare.mReferences, 1u);
}

TEST(VariantChangeType, ObjectWhoseValueIsItselfStops)
{
    TestObject theObject;
    theObject.mHasDefault = true;
    theObject.mReturnsItself = true;
    VARIANT theSource;
    VariantInit(&theSource);
    theSource.vt = VT_DISPATCH;
    theSource.pdispVal = &theObject;
    OwnedVariant theResult;
    EXPECT_EQ(VariantChangeType(&theResult.mValue, &theSource, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(theObject.mReferences, 1u);
}

TEST(VariantChangeType, NullObjectIsMismatch)
{
    VARIANT theSource;
    VariantInit(&theSource);
    theSource.vt = VT_DISPATCH;
    theSource.pdispVal = nullptr;
    OwnedVariant theResult;
    EXPECT_EQ(VariantChangeType(&theResult.mValue, &theSource, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, ObjectTypesConvertByQuery)
{
    TestObject theObject;
    VARIANT theSource;
    VariantInit(&theSource);
    theSource.vt = VT_DISPATCH;
    theSource.pdispVal = &theObject;
    {
        OwnedVariant theUnknown;
        ASSERT_EQ(VariantChangeType(&theUnknown.mValue, &theSource, 0, VT_UNKNOWN), S_OK);
        EXPECT_EQ(theUnknown.mValue.vt, VT_UNKNOWN);
        EXPECT_EQ(theObject.mReferences, 2u);
        OwnedVariant theDispatch;
        ASSERT_EQ(VariantChangeType(&theDispatch.mValue, &theUnknown.mValue, 0, VT_DISPATCH), S_OK);
        EXPECT_EQ(theObject.mReferences, 3u);
    }
    EXPECT_EQ(theObject.mReferences, 1u);

    TestObject theBare;
    theBare.mDispatchable = false;
    theSource.vt = VT_UNKNOWN;
    theSource.punkVal = &theBare;
    OwnedVariant theDispatch;
    EXPECT_EQ(VariantChangeType(&theDispatch.mValue, &theSource, 0, VT_DISPATCH), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(theBare.mReferences, 1u);
}

// ---- Arrays --------------------------------------------------------------------

TEST(VariantChangeType, ArraysConvertOnlyToTheirOwnType)
{
    OwnedVariant theSource;
    theSource.mValue.vt = VT_ARRAY | VT_UI1;
    theSource.mValue.parray = SafeArrayCreateVector(VT_UI1, 0, 3);
    ASSERT_NE(theSource.mValue.parray, nullptr);
    static_cast<BYTE*>(theSource.mValue.parray->pvData)[2] = 9;

    OwnedVariant theCopy;
    ASSERT_EQ(VariantChangeType(&theCopy.mValue, &theSource.mValue, 0, VT_ARRAY | VT_UI1), S_OK);
    ASSERT_NE(theCopy.mValue.parray, theSource.mValue.parray);
    EXPECT_EQ(static_cast<BYTE*>(theCopy.mValue.parray->pvData)[2], 9);

    OwnedVariant theOther;
    EXPECT_EQ(VariantChangeType(&theOther.mValue, &theSource.mValue, 0, VT_ARRAY | VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(&theOther.mValue, &theSource.mValue, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(&theOther.mValue, &theSource.mValue, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(theOther.mValue.vt, VT_EMPTY);
}

TEST(VariantChangeType, ArrayByReferenceIsCopied)
{
    SAFEARRAY* theArray = SafeArrayCreateVector(VT_I4, 1, 2);
    ASSERT_NE(theArray, nullptr);
    VARIANT theByRef;
    VariantInit(&theByRef);
    theByRef.vt = VT_BYREF | VT_ARRAY | VT_I4;
    theByRef.pparray = &theArray;
    OwnedVariant theCopy;
    ASSERT_EQ(VariantChangeType(&theCopy.mValue, &theByRef, 0, VT_ARRAY | VT_I4), S_OK);
    EXPECT_NE(theCopy.mValue.parray, theArray);
    LONG theUpper = 0;
    EXPECT_EQ(SafeArrayGetUBound(theCopy.mValue.parray, 1, &theUpper), S_OK);
    EXPECT_EQ(theUpper, 2);
    EXPECT_EQ(SafeArrayDestroy(theArray), S_OK);
}

}  // namespace
