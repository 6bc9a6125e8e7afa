// The value vocabulary's platform side: byte arrays, handles and whole files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "automation/Errors.h"
#include "automation/SafeArray.h"
#include "automation/Variant.h"
#include "imaging/Imaging.h"
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

TEST_F(ImagingFixture, PascalStringsFromHandles)
{
    Handle theHandle = NewHandle(6);
    ASSERT_NE(theHandle, nullptr);
    std::memcpy(*theHandle, "\x05" "Codec", 6);
    char theText[kTextCapacity];
    CStringFromHandle(theHandle, theText);
    EXPECT_STREQ(theText, "Codec");
    // A length byte that claims more than the handle holds reads only what is there.
    (*theHandle)[0] = char(200);
    CStringFromHandle(theHandle, theText);
    EXPECT_STREQ(theText, "Codec");
    SetHandleSize(theHandle, 0);
    CStringFromHandle(theHandle, theText);
    EXPECT_STREQ(theText, "");
    DisposeHandle(theHandle);
}

class WholeFile : public testing::Test {
protected:
    void SetUp() override
    {
        char theTemplate[] = "/tmp/vx-params-XXXXXX";
        ASSERT_NE(mkdtemp(theTemplate), nullptr);
        mFolder = theTemplate;
        mPath = mFolder + "/out.bin";
    }
    void TearDown() override { std::system(("rm -rf '" + mFolder + "'").c_str()); }

    std::string Contents(const std::string& inPath) const
    {
        std::ifstream theFile(inPath, std::ios::binary);
        return {std::istreambuf_iterator<char>(theFile), std::istreambuf_iterator<char>()};
    }
    int FileCount() const
    {
        return std::system(("test $(ls -A '" + mFolder + "' | wc -l) -eq 1").c_str()) == 0 ? 1 : 0;
    }

    std::string mFolder;
    std::string mPath;
};

TEST_F(WholeFile, CreatesAndReplacesWithExactlyTheBytes)
{
    SetLastError(1234);
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "first contents", 14));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(Contents(mPath), "first contents");
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "short", 5));
    EXPECT_EQ(Contents(mPath), "short");  // ends where the data ends
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), nullptr, 0));
    EXPECT_EQ(Contents(mPath), "");
    EXPECT_EQ(FileCount(), 1);  // no temporary file left behind
}

TEST_F(WholeFile, KeepsPermissionsAndFollowsLinks)
{
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "a", 1));
    ASSERT_EQ(chmod(mPath.c_str(), 0640), 0);
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "b", 1));
    struct stat theInfo {};
    ASSERT_EQ(stat(mPath.c_str(), &theInfo), 0);
    EXPECT_EQ(theInfo.st_mode & 0777, 0640u);

    const std::string theLink = mFolder + "/link";
    ASSERT_EQ(symlink(mPath.c_str(), theLink.c_str()), 0);
    ASSERT_TRUE(WriteWholeFile(theLink.c_str(), "via link", 8));
    EXPECT_EQ(Contents(mPath), "via link");
    struct stat theLinkInfo {};
    ASSERT_EQ(lstat(theLink.c_str(), &theLinkInfo), 0);
    EXPECT_TRUE(S_ISLNK(theLinkInfo.st_mode));
}

TEST_F(WholeFile, FailuresReportTheSystemErrorAndKeepTheOldFile)
{
    const std::string theMissing = mFolder + "/no/such/folder/out.bin";
    EXPECT_FALSE(WriteWholeFile(theMissing.c_str(), "x", 1));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    EXPECT_FALSE(WriteWholeFile(mFolder.c_str(), "x", 1));
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_FALSE(WriteWholeFile("", "x", 1));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "old", 3));
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(mPath.c_str(), 0444), 0);
        EXPECT_FALSE(WriteWholeFile(mPath.c_str(), "new", 3));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        ASSERT_EQ(chmod(mPath.c_str(), 0644), 0);
        ASSERT_EQ(chmod(mFolder.c_str(), 0555), 0);
        EXPECT_FALSE(WriteWholeFile(mPath.c_str(), "new", 3));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        ASSERT_EQ(chmod(mFolder.c_str(), 0755), 0);
    }
    EXPECT_EQ(Contents(mPath), "old");
    EXPECT_EQ(FileCount(), 1);
}

TEST_F(WholeFile, AFailedWriteLeavesTheOldFile)
{
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "old", 3));
    // More than a small file-size limit allows: the write itself fails.
    const std::string theCommand = "ulimit -f 1 && exec '" + std::string(VX_PARAMS_WRITER) + "' '" + mPath + "'";
    EXPECT_NE(std::system(("sh -c \"" + theCommand + "\"").c_str()), 0);
    EXPECT_EQ(Contents(mPath), "old");
    EXPECT_EQ(FileCount(), 1);
}

}  // namespace
