// Script byte arrays and imaging handles, both ways.
#include <gtest/gtest.h>

#include <cstring>

#include "automation/Variant.h"
#include "imaging/Imaging.h"
#include "vellumax/objects/HandleBytes.h"
#include "vellumax/params/Utilities.h"

namespace {

class ImagingFixture : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(InitializeQTML(0), noErr);
        ASSERT_EQ(EnterMovies(), noErr);
    }
    static void TearDownTestSuite()
    {
        ExitMovies();
        TerminateQTML();
    }
};

TEST_F(ImagingFixture, HandlesFromAndToVariants)
{
    const char theData[] = "handle contents";
    VARIANT theVariant;
    ASSERT_EQ(VariantFromBytes(theData, sizeof(theData), &theVariant), S_OK);
    Handle theHandle = nullptr;
    ASSERT_EQ(HandleFromVariant(&theVariant, &theHandle), S_OK);
    ASSERT_NE(theHandle, nullptr);
    EXPECT_EQ(GetHandleSize(theHandle), Size(sizeof(theData)));
    EXPECT_EQ(std::memcmp(*theHandle, theData, sizeof(theData)), 0);
    // The array was released: it can be destroyed.
    EXPECT_EQ(VariantClear(&theVariant), S_OK);

    VARIANT theCopy;
    ASSERT_EQ(VariantFromHandle(theHandle, &theCopy), S_OK);
    const BYTE* theBytes = nullptr;
    LONG theLength = 0;
    ASSERT_EQ(BytesFromVariant(&theCopy, &theBytes, &theLength), S_OK);
    EXPECT_EQ(theLength, LONG(sizeof(theData)));
    EXPECT_EQ(std::memcmp(theBytes, theData, sizeof(theData)), 0);
    ReleaseVariantBytes(&theCopy);
    VariantClear(&theCopy);
    DisposeHandle(theHandle);

    VARIANT theEmpty;
    VariantInit(&theEmpty);
    theHandle = nullptr;
    EXPECT_EQ(HandleFromVariant(&theEmpty, &theHandle), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(theHandle, nullptr);
}

}  // namespace
