#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "TestValues.h"
#include "automation/SafeArray.h"

using testvalues::Describe;
using testvalues::TestObject;

namespace {

struct ArrayDeleter {
    void operator()(SAFEARRAY* inArray) const { EXPECT_EQ(SafeArrayDestroy(inArray), S_OK); }
};
using ArrayPtr = std::unique_ptr<SAFEARRAY, ArrayDeleter>;

TEST(SafeArray, ElementSizesAndTypes)
{
    const std::pair<VARTYPE, UINT> theRows[] = {
        {VT_I1, 1},  {VT_UI1, 1}, {VT_I2, 2},   {VT_UI2, 2},      {VT_BOOL, 2},    {VT_I4, 4},
        {VT_UI4, 4}, {VT_INT, 4}, {VT_UINT, 4}, {VT_R4, 4},       {VT_ERROR, 4},   {VT_I8, 8},
        {VT_UI8, 8}, {VT_R8, 8},  {VT_BSTR, 8}, {VT_DISPATCH, 8}, {VT_UNKNOWN, 8}, {VT_VARIANT, 24},
    };
    for (const auto& [theType, theSize] : theRows) {
        ArrayPtr theArray(SafeArrayCreateVector(theType, 0, 2));
        ASSERT_NE(theArray, nullptr) << theType;
        EXPECT_EQ(SafeArrayGetElemsize(theArray.get()), theSize) << theType;
        VARTYPE theStored = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(theArray.get(), &theStored), S_OK);
        EXPECT_EQ(theStored, theType);
    }
}

TEST(SafeArray, RefusesUnstorableShapes)
{
    const SAFEARRAYBOUND theBound{1, 0};
    EXPECT_EQ(SafeArrayCreate(VT_EMPTY, 1, &theBound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_NULL, 1, &theBound), nullptr);
    EXPECT_EQ(SafeArrayCreate(0x7F, 1, &theBound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &theBound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_I4, 1, nullptr), nullptr);
    const SAFEARRAYBOUND theHuge[] = {{0xFFFFFFFFu, 0}, {0xFFFFFFFFu, 0}, {0xFFFFFFFFu, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 3, theHuge), nullptr);
}

TEST(SafeArray, BoundsPerDimension)
{
    // Dimension 1 is 2 elements from 1, dimension 2 is 3 elements from -1.
    const SAFEARRAYBOUND theBounds[] = {{2, 1}, {3, -1}};
    ArrayPtr theArray(SafeArrayCreate(VT_I4, 2, theBounds));
    ASSERT_NE(theArray, nullptr);
    EXPECT_EQ(SafeArrayGetDim(theArray.get()), 2u);
    // Stored with the rightmost dimension first.
    EXPECT_EQ(theArray->rgsabound[0].lLbound, -1);
    EXPECT_EQ(theArray->rgsabound[1].lLbound, 1);
    LONG theLower = 0, theUpper = 0;
    EXPECT_EQ(SafeArrayGetLBound(theArray.get(), 1, &theLower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(theArray.get(), 1, &theUpper), S_OK);
    EXPECT_EQ(theLower, 1);
    EXPECT_EQ(theUpper, 2);
    EXPECT_EQ(SafeArrayGetLBound(theArray.get(), 2, &theLower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(theArray.get(), 2, &theUpper), S_OK);
    EXPECT_EQ(theLower, -1);
    EXPECT_EQ(theUpper, 1);
    EXPECT_EQ(SafeArrayGetLBound(theArray.get(), 0, &theLower), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(theArray.get(), 3, &theUpper), DISP_E_BADINDEX);
}

TEST(SafeArray, EmptyVectorEndsBelowItsStart)
{
    ArrayPtr theArray(SafeArrayCreateVector(VT_UI1, 5, 0));
    ASSERT_NE(theArray, nullptr);
    LONG theUpper = 0;
    EXPECT_EQ(SafeArrayGetUBound(theArray.get(), 1, &theUpper), S_OK);
    EXPECT_EQ(theUpper, 4);
    LONG theIndex = 5;
    void* theElement = nullptr;
    EXPECT_EQ(SafeArrayPtrOfIndex(theArray.get(), &theIndex, &theElement), DISP_E_BADINDEX);
}

TEST(SafeArray, MultiDimensionalIndexingLeftmostFastest)
{
    const SAFEARRAYBOUND theBounds[] = {{2, 1}, {3, -1}};
    ArrayPtr theArray(SafeArrayCreate(VT_I4, 2, theBounds));
    for (LONG j = -1; j <= 1; ++j) {
        for (LONG i = 1; i <= 2; ++i) {
            LONG theIndices[] = {i, j};
            LONG theValue = 10 * i + j;
            ASSERT_EQ(SafeArrayPutElement(theArray.get(), theIndices, &theValue), S_OK);
        }
    }
    const auto* theData = static_cast<const LONG*>(theArray->pvData);
    const LONG theExpected[] = {9, 19, 10, 20, 11, 21};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(theData[k], theExpected[k]) << k;
    LONG theIndices[] = {2, 0};
    LONG theValue = 0;
    ASSERT_EQ(SafeArrayGetElement(theArray.get(), theIndices, &theValue), S_OK);
    EXPECT_EQ(theValue, 20);
    void* theElement = nullptr;
    ASSERT_EQ(SafeArrayPtrOfIndex(theArray.get(), theIndices, &theElement), S_OK);
    EXPECT_EQ(theElement, theData + 3);

    const LONG theOutside[][2] = {{0, 0}, {3, 0}, {1, -2}, {1, 2}, {-2147483647 - 1, 0}, {1, 2147483647}};
    for (const auto& theBad : theOutside) {
        LONG theIndex[] = {theBad[0], theBad[1]};
        EXPECT_EQ(SafeArrayGetElement(theArray.get(), theIndex, &theValue), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayPutElement(theArray.get(), theIndex, &theValue), DISP_E_BADINDEX);
    }
}

TEST(SafeArray, DestroyRefusedWhileLocked)
{
    SAFEARRAY* theArray = SafeArrayCreateVector(VT_BSTR, 0, 1);
    ASSERT_NE(theArray, nullptr);
    ASSERT_EQ(SafeArrayLock(theArray), S_OK);
    void* theData = nullptr;
    ASSERT_EQ(SafeArrayAccessData(theArray, &theData), S_OK);
    EXPECT_EQ(theData, theArray->pvData);
    EXPECT_EQ(theArray->cLocks, 2u);
    EXPECT_EQ(SafeArrayDestroy(theArray), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(theArray), S_OK);
    EXPECT_EQ(SafeArrayDestroy(theArray), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnlock(theArray), S_OK);
    EXPECT_EQ(SafeArrayUnlock(theArray), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayDestroy(theArray), S_OK);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArray, StringElementsAreCopied)
{
    ArrayPtr theArray(SafeArrayCreateVector(VT_BSTR, 0, 2));
    BSTR theText = SysAllocString(u"first");
    LONG theIndex = 1;
    ASSERT_EQ(SafeArrayPutElement(theArray.get(), &theIndex, theText), S_OK);
    SysFreeString(theText);  // the array keeps its own copy
    // Replacing an element frees the old one.
    theText = SysAllocString(u"second");
    ASSERT_EQ(SafeArrayPutElement(theArray.get(), &theIndex, theText), S_OK);
    SysFreeString(theText);
    BSTR theRead = nullptr;
    ASSERT_EQ(SafeArrayGetElement(theArray.get(), &theIndex, &theRead), S_OK);
    EXPECT_EQ(UTF8FromBSTR(theRead), "second");
    EXPECT_NE(theRead, static_cast<BSTR*>(theArray->pvData)[1]);
    SysFreeString(theRead);
    theIndex = 0;
    ASSERT_EQ(SafeArrayGetElement(theArray.get(), &theIndex, &theRead), S_OK);
    EXPECT_EQ(theRead, nullptr);
}

TEST(SafeArray, VariantAndObjectElements)
{
    TestObject theObject;
    {
        ArrayPtr theVariants(SafeArrayCreateVector(VT_VARIANT, 0, 1));
        VARIANT theValue;
        VariantInit(&theValue);
        theValue.vt = VT_DISPATCH;
        theValue.pdispVal = &theObject;
        LONG theIndex = 0;
        ASSERT_EQ(SafeArrayPutElement(theVariants.get(), &theIndex, &theValue), S_OK);
        EXPECT_EQ(theObject.mReferences, 2u);
        VARIANT theRead;
        ASSERT_EQ(SafeArrayGetElement(theVariants.get(), &theIndex, &theRead), S_OK);
        EXPECT_EQ(Describe(theRead), "DISPATCH object");
        EXPECT_EQ(theObject.mReferences, 3u);
        VariantClear(&theRead);

        ArrayPtr theObjects(SafeArrayCreateVector(VT_UNKNOWN, 0, 1));
        ASSERT_EQ(SafeArrayPutElement(theObjects.get(), &theIndex, static_cast<IUnknown*>(&theObject)), S_OK);
        EXPECT_EQ(theObject.mReferences, 3u);
        ArrayPtr theCopy;
        SAFEARRAY* theRaw = nullptr;
        ASSERT_EQ(SafeArrayCopy(theObjects.get(), &theRaw), S_OK);
        theCopy.reset(theRaw);
        EXPECT_EQ(theObject.mReferences, 4u);
    }
    EXPECT_EQ(theObject.mReferences, 1u);
}

TEST(SafeArray, CopyIsDeepAndKeepsShape)
{
    const SAFEARRAYBOUND theBounds[] = {{2, 0}, {2, 5}};
    ArrayPtr theArray(SafeArrayCreate(VT_BSTR, 2, theBounds));
    LONG theIndices[] = {1, 6};
    BSTR theText = SysAllocString(u"corner");
    ASSERT_EQ(SafeArrayPutElement(theArray.get(), theIndices, theText), S_OK);
    SysFreeString(theText);
    SAFEARRAY* theRaw = nullptr;
    ASSERT_EQ(SafeArrayCopy(theArray.get(), &theRaw), S_OK);
    ArrayPtr theCopy(theRaw);
    EXPECT_EQ(SafeArrayGetDim(theCopy.get()), 2u);
    LONG theLower = 0;
    EXPECT_EQ(SafeArrayGetLBound(theCopy.get(), 2, &theLower), S_OK);
    EXPECT_EQ(theLower, 5);
    BSTR theRead = nullptr;
    ASSERT_EQ(SafeArrayGetElement(theCopy.get(), theIndices, &theRead), S_OK);
    EXPECT_EQ(UTF8FromBSTR(theRead), "corner");
    SysFreeString(theRead);
    void* theOriginal = nullptr;
    void* theCopied = nullptr;
    SafeArrayPtrOfIndex(theArray.get(), theIndices, &theOriginal);
    SafeArrayPtrOfIndex(theCopy.get(), theIndices, &theCopied);
    EXPECT_NE(*static_cast<BSTR*>(theOriginal), *static_cast<BSTR*>(theCopied));
    EXPECT_EQ(theCopy->cLocks, 0u);
}

}  // namespace

TEST(SafeArray, ByteArrayVariantCopiesOrRefusesWithoutTouchingTheOutput)
{
    const std::uint8_t theBytes[] = {0, 1, 0xFF, 0x80, 7};
    for (const std::size_t theSize : {std::size_t(0), std::size_t(1), sizeof theBytes}) {
        VARIANT theValue;
        ASSERT_EQ(ByteArrayVariant(theBytes, theSize, &theValue), S_OK);
        ASSERT_EQ(theValue.vt, VT_ARRAY | VT_UI1);
        LONG theLower = -1, theUpper = -2;
        SafeArrayGetLBound(theValue.parray, 1, &theLower);
        SafeArrayGetUBound(theValue.parray, 1, &theUpper);
        EXPECT_EQ(theLower, 0);
        EXPECT_EQ(theUpper, LONG(theSize) - 1);
        void* theData = nullptr;
        ASSERT_EQ(SafeArrayAccessData(theValue.parray, &theData), S_OK);
        if (theSize > 0) {  // an empty array has no data to compare
            EXPECT_EQ(std::memcmp(theData, theBytes, theSize), 0);
        }
        SafeArrayUnaccessData(theValue.parray);
        VariantClear(&theValue);
    }
    // Past a LONG bound, or bytes promised but not given: refused, nothing written or made.
    VARIANT theUntouched;
    theUntouched.vt = VT_I4;
    theUntouched.lVal = 42;
    EXPECT_EQ(ByteArrayVariant(theBytes, std::size_t(1) << 31, &theUntouched), E_INVALIDARG);
    EXPECT_EQ(ByteArrayVariant(nullptr, 3, &theUntouched), E_INVALIDARG);
    EXPECT_EQ(theUntouched.vt, VT_I4);
    EXPECT_EQ(theUntouched.lVal, 42);
}
