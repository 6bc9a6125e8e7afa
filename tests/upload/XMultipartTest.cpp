#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <automation/SafeArray.h>
#include <vellumax/IXField.h>
#include <vellumax/IXMultipart.h>

#include "objects_values/Factories.h"
#include "upload/FormFixture.h"

namespace {

using namespace std::string_literals;

const std::string kTwoFields =
    "--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nhello\r\n"
    "--X\r\nContent-Disposition: form-data; name=\"pic\"; filename=\"p.gif\"\r\nContent-Type: image/gif\r\n\r\n"
    "GIF89a\0\x01\r\n\r\n--X--\r\n"s;

using XMultipartTest = FormFixture;

TEST_F(XMultipartTest, MembersHaveTheirIds)
{
    const struct {
        const char* mName;
        DISPID mId;
    } kRows[] = {{"_NewEnum", DISPID_NEWENUM}, {"Item", DISPID_VALUE}, {"Count", 1}, {"SetData", 2}};
    for (const auto& theRow : kRows) {
        DISPID theId = 0;
        EXPECT_EQ(mForm.FindId(theRow.mName, &theId), S_OK) << theRow.mName;
        EXPECT_EQ(theId, theRow.mId) << theRow.mName;
    }
    EXPECT_EQ(HelpOf(mForm.Object(), MEMBERID_NIL), "A version of the ASP Form object that supports file uploads");
    EXPECT_EQ(SupportsErrorInfo(mForm.Object(), IID_IXMultipart), S_OK);
    EXPECT_EQ(SupportsErrorInfo(mForm.Object(), IID_IXField), S_FALSE);
}

TEST_F(XMultipartTest, PlainFieldGivesTextAndBytes)
{
    ASSERT_TRUE(SetData("--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nhello\r\n--X--"));
    ASSERT_EQ(Count(), 1);
    vx::Client theField = Field("a");
    ASSERT_TRUE(theField);
    EXPECT_EQ(theField.Get("Name").AsString(), "a");
    EXPECT_EQ(theField.Get("Contents").AsString(), "hello");
    vx::Variant theData = theField.Get("Data");
    EXPECT_EQ(theData.Type(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(theData.AsBytes(), Bytes("hello"));
    EXPECT_EQ(theField.Get("Type").Type(), VT_BSTR);
    EXPECT_EQ(theField.Get("Type").AsString(), "");
    EXPECT_EQ(theField.Get("Filename").AsString(), "");
}

TEST_F(XMultipartTest, FileBytesAreExactAndContentsStopAtTheFirstZero)
{
    ASSERT_TRUE(SetData(kTwoFields));
    vx::Client thePicture = Field("pic");
    EXPECT_EQ(thePicture.Get("Type").AsString(), "image/gif");
    EXPECT_EQ(thePicture.Get("Filename").AsString(), "p.gif");
    EXPECT_EQ(thePicture.Get("Data").AsBytes(), Bytes(std::string("GIF89a\0\x01\r\n", 10)));
    EXPECT_EQ(thePicture.Get("Contents").AsString(), "GIF89a");
}

TEST_F(XMultipartTest, ContentsAreReadAsUtf8)
{
    ASSERT_TRUE(SetData("--X\r\nContent-Disposition: form-data; name=\"gr\xC3\xBC\xC3\x9F\"\r\n\r\n"
                        "gr\xC3\xBC\xC3\x9F"
                        "e\r\n--X--"));
    vx::Client theField = Field(u"grüß");
    ASSERT_TRUE(theField);
    EXPECT_EQ(theField.Get("Contents").AsU16String(), u"grüße");
}

TEST_F(XMultipartTest, ItemByNameIsCaseSensitiveAndFindsTheFirst)
{
    ASSERT_TRUE(SetData("--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n"
                        "--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n2\r\n--X--"));
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(Field("a").Get("Contents").AsString(), "1");
    EXPECT_EQ(Field(2).Get("Contents").AsString(), "2");
    mForm.Invoke("Item", DISPATCH_PROPERTYGET, {vx::Variant("A")});
    EXPECT_EQ(mForm.LastError().mCode, DISP_E_BADINDEX);
    mForm.Invoke("Item", DISPATCH_PROPERTYGET, {vx::Variant("")});
    EXPECT_EQ(mForm.LastError().mCode, DISP_E_BADINDEX);
}

TEST_F(XMultipartTest, ItemByNumberCountsFromOne)
{
    ASSERT_TRUE(SetData(kTwoFields));
    const struct {
        vx::Variant mIndex;
        const char* mName;  // null: bad index
    } kRows[] = {
        {vx::Variant(0), "a"},     {vx::Variant(1), "a"},     {vx::Variant(-7), "a"},          {vx::Variant(2), "pic"},
        {vx::Variant(2.4), "pic"}, {vx::Variant(3), nullptr}, {vx::Variant(1000000), nullptr},
    };
    for (const auto& theRow : kRows) {
        vx::Variant theItem = mForm.Invoke("Item", DISPATCH_PROPERTYGET, {theRow.mIndex});
        if (theRow.mName == nullptr) {
            EXPECT_EQ(mForm.LastError().mCode, DISP_E_BADINDEX) << theRow.mIndex.AsString();
            continue;
        }
        ASSERT_TRUE(mForm.Ok()) << theRow.mIndex.AsString();
        EXPECT_EQ(vx::Client(theItem.AsDispatch()).Get("Name").AsString(), theRow.mName);
    }
}

TEST_F(XMultipartTest, EmptyUntilSetData)
{
    EXPECT_EQ(Count(), 0);
    mForm.Invoke("Item", DISPATCH_PROPERTYGET, {vx::Variant(1)});
    EXPECT_EQ(mForm.LastError().mCode, DISP_E_BADINDEX);
    EXPECT_TRUE(mForm.Enumerate().empty());
}

TEST_F(XMultipartTest, EnumeratesFieldsInOrderAndKeepsTheListItStartedOn)
{
    ASSERT_TRUE(SetData(kTwoFields));
    vx::Variant theEnumValue = mForm.Get("_NewEnum");
    IUnknown* theEnumUnknown = theEnumValue.AsUnknown();
    ASSERT_NE(theEnumUnknown, nullptr);
    IEnumVARIANT* theEnum = nullptr;
    ASSERT_EQ(theEnumUnknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&theEnum)), S_OK);
    ASSERT_TRUE(SetData("--X\r\n\r\nonly\r\n--X--"));
    EXPECT_EQ(Count(), 1);
    std::vector<std::string> theNames;
    VARIANT theItem;
    VariantInit(&theItem);
    while (theEnum->Next(1, &theItem, nullptr) == S_OK) {
        theNames.push_back(vx::Client(theItem.pdispVal).Get("Name").AsString());
        VariantClear(&theItem);
    }
    theEnum->Release();
    EXPECT_EQ(theNames, (std::vector<std::string>{"a", "pic"}));
    const std::vector<vx::Variant> theNow = mForm.Enumerate();
    ASSERT_EQ(theNow.size(), 1u);
    EXPECT_EQ(vx::Client(theNow[0].AsDispatch()).Get("Contents").AsString(), "only");
}

TEST_F(XMultipartTest, SetDataReplacesFields)
{
    ASSERT_TRUE(SetData(kTwoFields));
    ASSERT_TRUE(SetData("no boundary here"));
    EXPECT_EQ(Count(), 0);
}

TEST_F(XMultipartTest, ValueWithoutByteArrayFailsAndKeepsTheFields)
{
    ASSERT_TRUE(SetData(kTwoFields));
    const vx::Variant kRejected[] = {vx::Variant("--X\r\n\r\nx\r\n--X--"), vx::Variant(5), vx::Variant()};
    for (const vx::Variant& theValue : kRejected) {
        mForm.Invoke("SetData", DISPATCH_METHOD, {theValue});
        EXPECT_EQ(mForm.LastError().mCode, DISP_E_TYPEMISMATCH);
        EXPECT_EQ(Count(), 2);
    }
    SAFEARRAY* theArray = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    VARIANT theVariants;
    VariantInit(&theVariants);
    theVariants.vt = VT_ARRAY | VT_VARIANT;
    theVariants.parray = theArray;
    mForm.Invoke("SetData", DISPATCH_METHOD, {vx::Variant::Attach(theVariants)});
    EXPECT_EQ(mForm.LastError().mCode, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Count(), 2);
}

// Given directly or by reference, a body is read without being changed and its
// array is unlocked again, an empty one included (no data, but a lock all the same).
TEST_F(XMultipartTest, AcceptsTheArrayByReferenceAndNeverChangesIt)
{
    const struct {
        std::string mBody;
        LONG mCount;
    } kRows[] = {{"--X\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nhello\r\n--X--", 1}, {"", 0}};
    for (const auto& theRow : kRows) {
        for (const bool theByReference : {false, true}) {
            ASSERT_TRUE(SetData(kTwoFields));
            vx::Variant theArray(Bytes(theRow.mBody));
            SAFEARRAY* theSafeArray = theArray.Get()->parray;
            VARIANT theReference;
            VariantInit(&theReference);
            theReference.vt = VT_BYREF | VT_ARRAY | VT_UI1;
            theReference.pparray = &theSafeArray;
            mForm.Invoke("SetData", DISPATCH_METHOD, {theByReference ? vx::Variant(theReference) : theArray});
            ASSERT_TRUE(mForm.Ok()) << theRow.mBody << mForm.LastError().mDescription;
            EXPECT_EQ(Count(), theRow.mCount);
            if (theRow.mCount > 0) {
                EXPECT_EQ(Field(1).Get("Contents").AsString(), "hello");
            }
            EXPECT_EQ(theArray.AsBytes(), Bytes(theRow.mBody));
            // Unlocked again: the caller can still destroy it.
            EXPECT_EQ(SafeArrayLock(theSafeArray), S_OK);
            EXPECT_EQ(SafeArrayUnlock(theSafeArray), S_OK);
            EXPECT_EQ(theSafeArray->cLocks, 0u) << theRow.mBody;
        }
    }
}

TEST_F(XMultipartTest, FieldsOutliveTheFormAndHoldTheirOwnCopies)
{
    std::vector<std::uint8_t> theBody = Bytes(kTwoFields);
    mForm.Call("SetData", theBody);
    vx::Client theField = Field(2);
    mForm = vx::Client();
    EXPECT_EQ(theField.Get("Data").AsBytes(), Bytes(std::string("GIF89a\0\x01\r\n", 10)));
}

TEST_F(XMultipartTest, MacBinaryHeaderAnnouncingTooMuchGivesNoData)
{
    std::string theHeader(128, '\0');
    theHeader[83] = '\xFF';
    theHeader[84] = '\xFF';
    theHeader[85] = '\xFF';
    theHeader[86] = '\xF0';
    ASSERT_TRUE(SetData("--X\r\nContent-Disposition: form-data; name=\"m\"; filename=\"m.bin\"\r\n"
                        "Content-Type: application/x-macbinary\r\n\r\n" +
                        theHeader + "tail\r\n--X--"));
    EXPECT_TRUE(Field("m").Get("Data").AsBytes().empty());
    EXPECT_EQ(Field("m").Get("Contents").AsString(), "");
}

class XFieldTest : public XMultipartTest {
protected:
    void SetUp() override
    {
        XMultipartTest::SetUp();
        ASSERT_TRUE(SetData(kTwoFields));
        mField = Field(1);
        ASSERT_TRUE(mField);
    }
    vx::Client mField;
};

TEST_F(XFieldTest, MembersHaveTheirIds)
{
    const struct {
        const char* mName;
        DISPID mId;
    } kRows[] = {{"Name", 1}, {"Type", 2}, {"Filename", 3}, {"Contents", 4}, {"Data", 5}, {"SetValues", 6}};
    for (const auto& theRow : kRows) {
        DISPID theId = 0;
        EXPECT_EQ(mField.FindId(theRow.mName, &theId), S_OK) << theRow.mName;
        EXPECT_EQ(theId, theRow.mId) << theRow.mName;
    }
    EXPECT_EQ(SupportsErrorInfo(mField.Object(), IID_IXField), S_OK);
}

TEST_F(XFieldTest, SetValuesConvertsTextAndCopiesValues)
{
    mField.Call("SetValues", 42, "text/plain", "x.txt", "body", Bytes("raw"));
    ASSERT_TRUE(mField.Ok());
    EXPECT_EQ(mField.Get("Name").AsString(), "42");
    EXPECT_EQ(mField.Get("Type").AsString(), "text/plain");
    EXPECT_EQ(mField.Get("Filename").AsString(), "x.txt");
    EXPECT_EQ(mField.Get("Contents").AsString(), "body");
    EXPECT_EQ(mField.Get("Data").AsBytes(), Bytes("raw"));
    // Any value is kept as given.
    mField.Call("SetValues", "n", "", "", 7, 2.5);
    EXPECT_EQ(mField.Get("Contents").Type(), VT_I4);
    EXPECT_EQ(mField.Get("Data").Type(), VT_R8);
}

TEST_F(XFieldTest, SetValuesKeepsTheFirst255Characters)
{
    const std::string theLong(300, 'q');
    mField.Call("SetValues", theLong, theLong, theLong, "", "");
    ASSERT_TRUE(mField.Ok());
    for (const char* theMember : {"Name", "Type", "Filename"})
        EXPECT_EQ(mField.Get(theMember).AsString(), std::string(255, 'q')) << theMember;
}

TEST_F(XFieldTest, FailedConversionChangesNothing)
{
    vx::Client theOther = CreateByFactory(&VxGetClassObject_XMultipart);
    mField.Call("SetValues", "new", theOther.Object(), "", "", "");
    EXPECT_FALSE(mField.Ok());
    EXPECT_NE(mField.LastError().mCode, E_FAIL);
    EXPECT_EQ(mField.Get("Name").AsString(), "a");
    EXPECT_EQ(mField.Get("Contents").AsString(), "hello");
}

TEST_F(XFieldTest, ValuesByReferenceAreFollowed)
{
    VARIANT theInner;
    VariantInit(&theInner);
    theInner.vt = VT_I4;
    theInner.lVal = 9;
    VARIANT theReference;
    VariantInit(&theReference);
    theReference.vt = VT_BYREF | VT_VARIANT;
    theReference.pvarVal = &theInner;
    mField.Invoke("SetValues", DISPATCH_METHOD,
                  {vx::Variant("n"), vx::Variant(""), vx::Variant(""), vx::Variant(theReference), vx::Variant(1)});
    ASSERT_TRUE(mField.Ok());
    theInner.lVal = 10;
    vx::Variant theContents = mField.Get("Contents");
    EXPECT_EQ(theContents.Type(), VT_I4);
    EXPECT_EQ(theContents.AsLong(), 9);
}

TEST_F(XFieldTest, NullResultPointerIsRefused)
{
    IXField* theInterface = nullptr;
    ASSERT_EQ(mField.Object()->QueryInterface(IID_IXField, reinterpret_cast<void**>(&theInterface)), S_OK);
    EXPECT_EQ(theInterface->get_Data(nullptr), E_POINTER);
    EXPECT_EQ(theInterface->get_Name(nullptr), E_POINTER);
    theInterface->Release();
}

}  // namespace
