// Script byte arrays: the bytes of a VARIANT and a VARIANT of bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "automation/Errors.h"
#include "automation/SafeArray.h"
#include "automation/Variant.h"
#include "vellumax/params/Utilities.h"

namespace {

// A VARIANT that owns an array of the given element type.
struct ArrayVariant {
    explicit ArrayVariant(VARTYPE inType, ULONG inCount, LONG inLower = 0)
    {
        VariantInit(&value);
        value.vt = VT_ARRAY | inType;
        value.parray = SafeArrayCreateVector(inType, inLower, inCount);
    }
    ~ArrayVariant() { VariantClear(&value); }
    VARIANT value;
};

TEST(VariantBytes, RoundTripThroughAByteArray)
{
    const char theData[] = "bytes\0with a nul";
    VARIANT theVariant;
    ASSERT_EQ(VariantFromBytes(theData, sizeof(theData), &theVariant), S_OK);
    EXPECT_EQ(theVariant.vt, VT_ARRAY | VT_UI1);
    LONG theLower = -1;
    ASSERT_EQ(SafeArrayGetLBound(theVariant.parray, 1, &theLower), S_OK);
    EXPECT_EQ(theLower, 0);

    const BYTE* theBytes = nullptr;
    LONG theLength = 0;
    ASSERT_EQ(BytesFromVariant(&theVariant, &theBytes, &theLength), S_OK);
    EXPECT_EQ(theLength, LONG(sizeof(theData)));
    EXPECT_EQ(std::memcmp(theBytes, theData, sizeof(theData)), 0);
    // The data stays locked until it is released.
    EXPECT_EQ(SafeArrayDestroy(theVariant.parray), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(ReleaseVariantBytes(&theVariant), S_OK);
    EXPECT_EQ(VariantClear(&theVariant), S_OK);

    ASSERT_EQ(VariantFromBytes(nullptr, 0, &theVariant), S_OK);
    ASSERT_EQ(BytesFromVariant(&theVariant, &theBytes, &theLength), S_OK);
    EXPECT_EQ(theLength, 0);
    ReleaseVariantBytes(&theVariant);
    VariantClear(&theVariant);
}

TEST(VariantBytes, ByReferenceAndSignedBytesAndLowerBounds)
{
    ArrayVariant theArray(VT_I1, 4, 5);
    VARIANT theReference;
    VariantInit(&theReference);
    theReference.vt = VT_BYREF | VT_ARRAY | VT_I1;
    theReference.pparray = &theArray.value.parray;
    const BYTE* theBytes = nullptr;
    LONG theLength = 0;
    ASSERT_EQ(BytesFromVariant(&theReference, &theBytes, &theLength), S_OK);
    EXPECT_EQ(theLength, 4);
    EXPECT_EQ(ReleaseVariantBytes(&theReference), S_OK);
}

TEST(VariantBytes, RejectsWhatIsNotAByteArray)
{
    const BYTE* theBytes = nullptr;
    LONG theLength = 0;
    VARIANT theVariant;
    VariantInit(&theVariant);
    EXPECT_EQ(BytesFromVariant(&theVariant, &theBytes, &theLength), DISP_E_TYPEMISMATCH);
    theVariant.vt = VT_I4;
    theVariant.lVal = 12;
    EXPECT_EQ(BytesFromVariant(&theVariant, &theBytes, &theLength), DISP_E_TYPEMISMATCH);
    theVariant.vt = VT_ARRAY | VT_UI1;
    theVariant.parray = nullptr;
    EXPECT_EQ(BytesFromVariant(&theVariant, &theBytes, &theLength), DISP_E_TYPEMISMATCH);
    theVariant.vt = VT_BYREF | VT_ARRAY | VT_UI1;
    theVariant.pparray = nullptr;
    EXPECT_EQ(BytesFromVariant(&theVariant, &theBytes, &theLength), DISP_E_TYPEMISMATCH);

    // Wider elements would make the byte count read past the data.
    ArrayVariant theLongs(VT_I4, 8);
    EXPECT_EQ(BytesFromVariant(&theLongs.value, &theBytes, &theLength), E_INVALIDARG);
    ArrayVariant theVariants(VT_VARIANT, 2);
    EXPECT_EQ(BytesFromVariant(&theVariants.value, &theBytes, &theLength), E_INVALIDARG);

    SAFEARRAYBOUND theBounds[2] = {{2, 0}, {3, 0}};
    VARIANT theMatrix;
    VariantInit(&theMatrix);
    theMatrix.vt = VT_ARRAY | VT_UI1;
    theMatrix.parray = SafeArrayCreate(VT_UI1, 2, theBounds);
    EXPECT_EQ(BytesFromVariant(&theMatrix, &theBytes, &theLength), E_INVALIDARG);
    VariantClear(&theMatrix);
}

}  // namespace
