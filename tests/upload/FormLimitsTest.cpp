// The form's part limit, its lookup by name and its enumeration, which make
// fields only on demand: checked against plain readings by number.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <vellumax/IXMultipart.h>

#include "objects_values/Factories.h"
#include "upload/FormFixture.h"
#include "vellumax/errors/Settings.h"
#include "vellumax/upload/XMultipart.h"

namespace {

// inCount plain fields named f<index>, each holding its index.
std::string NumberedBody(int inCount)
{
    std::string theBody;
    for (int theIndex = 0; theIndex < inCount; ++theIndex)
        theBody += "--X\r\nContent-Disposition: form-data; name=\"f" + std::to_string(theIndex) + "\"\r\n\r\n" +
                   std::to_string(theIndex) + "\r\n";
    return theBody + "--X--";
}

// The registry's MaxParts for one test, removed again after it.
class SettingScope {
public:
    explicit SettingScope(std::uint32_t inValue) { WriteSetting(kMaxPartsSetting, inValue); }
    ~SettingScope() { WriteSetting(kMaxPartsSetting, 0); }
    SettingScope(const SettingScope&) = delete;
    SettingScope& operator=(const SettingScope&) = delete;
};

using FormLimitsTest = FormFixture;

// The script's value wins over the setting, the setting over the default; a
// body over the limit fails naming it and keeps the fields there were.
TEST_F(FormLimitsTest, BodiesOverTheLimitAreRefusedAndChangeNothing)
{
    constexpr int kDefault = int(kDefaultMaxParts);
    const struct {
        LONG mScript;            // 0: not put
        std::uint32_t mSetting;  // 0: unset
        int mParts;
        LONG mLimit;
    } kRows[] = {
        {0, 0, kDefault, kDefault},
        {0, 0, kDefault + 1, kDefault},
        {0, 5, 5, 5},
        {0, 5, 6, 5},
        {3, 5, 4, 3},
        {7, 5, 7, 7},
        {1, 0, 1, 1},
        {1, 0, 2, 1},
        {0, 0xFFFFFFFF, 20, INT32_MAX},
    };
    for (const auto& theRow : kRows) {
        const SettingScope theSetting(theRow.mSetting);
        mForm = CreateByFactory(&VxGetClassObject_XMultipart);
        if (theRow.mScript != 0) {
            ASSERT_TRUE(mForm.Put("MaxParts", int(theRow.mScript)));
        }
        EXPECT_EQ(mForm.Get("MaxParts").AsLong(), theRow.mLimit);
        ASSERT_TRUE(SetData(NumberedBody(1)));
        const bool isOver = theRow.mParts > theRow.mLimit;
        EXPECT_EQ(SetData(NumberedBody(theRow.mParts)), !isOver) << theRow.mParts << " parts";
        if (isOver) {
            EXPECT_EQ(mForm.LastError().mCode, E_FAIL);
            EXPECT_EQ(mForm.LastError().mDescription,
                      "The form has more than " + std::to_string(theRow.mLimit) + " parts, the limit set by MaxParts.");
            EXPECT_EQ(Count(), 1);
            EXPECT_EQ(Field(1).Get("Name").AsString(), "f0");
        } else {
            EXPECT_EQ(Count(), theRow.mParts);
        }
    }
}

TEST_F(FormLimitsTest, MaxPartsTakesWholeNumbersFromOne)
{
    ASSERT_TRUE(mForm.Put("MaxParts", 9));
    const struct {
        vx::Variant mValue;
        HRESULT mCode;
    } kRows[] = {{vx::Variant(0), E_INVALIDARG},
                 {vx::Variant(-1), E_INVALIDARG},
                 {vx::Variant("many"), DISP_E_TYPEMISMATCH},
                 {vx::Variant(1e12), DISP_E_OVERFLOW}};
    for (const auto& theRow : kRows) {
        EXPECT_FALSE(mForm.Put("MaxParts", theRow.mValue)) << theRow.mValue.AsString();
        EXPECT_EQ(mForm.LastError().mCode, theRow.mCode) << theRow.mValue.AsString();
        EXPECT_EQ(mForm.Get("MaxParts").AsLong(), 9);
    }
    EXPECT_TRUE(mForm.Put("MaxParts", "12"));
    EXPECT_EQ(mForm.Get("MaxParts").AsLong(), 12);
}

// Random forms whose names collide in every way text can: duplicates, letter
// case, the empty name, and bytes that are not UTF-8 beside the replacement
// character they decode to. By name, the first field whose Name is equal;
// enumerated in batches, skipped and cloned, the fields in order.
TEST_F(FormLimitsTest, LookupAndEnumerationAgreeWithReadingByNumber)
{
    const std::string kNames[] = {"a", "A", "", "b", "\xC3\xA9", "\xFF", "\xEF\xBF\xBD", "ab", "f0", "long-name-0123"};
    std::mt19937 theRandom(27);
    for (int theCase = 0; theCase < 60; ++theCase) {
        const int theParts = int(theRandom() % 40);
        std::string theBody;
        for (int theIndex = 0; theIndex < theParts; ++theIndex)
            theBody += "--X\r\nContent-Disposition: form-data; name=\"" + kNames[theRandom() % std::size(kNames)] +
                       "\"\r\n\r\n" + std::to_string(theIndex) + "\r\n";
        ASSERT_TRUE(SetData(theBody + "--X--"));
        ASSERT_EQ(Count(), theParts);
        std::vector<std::u16string> theByNumber;
        for (int theIndex = 1; theIndex <= theParts; ++theIndex)
            theByNumber.push_back(Field(theIndex).Get("Name").AsU16String());
        for (const std::string& theName : kNames) {
            const std::u16string theWanted = UTF16FromUTF8(theName);
            int theFirst = 0;
            while (theFirst < theParts && theByNumber[std::size_t(theFirst)] != theWanted)
                ++theFirst;
            vx::Client theField = Field(vx::Variant(theWanted));
            if (theFirst == theParts) {
                EXPECT_EQ(mForm.LastError().mCode, DISP_E_BADINDEX);
                continue;
            }
            ASSERT_TRUE(theField) << theName;
            EXPECT_EQ(theField.Get("Contents").AsString(), std::to_string(theFirst)) << theName;
        }

        IEnumVARIANT* theEnum = nullptr;
        vx::Variant theEnumValue = mForm.Get("_NewEnum");
        ASSERT_EQ(theEnumValue.AsUnknown()->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&theEnum)), S_OK);
        const ULONG theSkip = theRandom() % 3;
        EXPECT_EQ(theEnum->Skip(theSkip), theSkip <= ULONG(theParts) ? S_OK : S_FALSE);
        IEnumVARIANT* theClone = nullptr;
        ASSERT_EQ(theEnum->Clone(&theClone), S_OK);
        std::vector<std::string> theSeen;
        for (IEnumVARIANT* theOne : {theEnum, theClone}) {
            const ULONG theBatch = 1 + theRandom() % 5;
            VARIANT theItems[5];
            ULONG theFetched = 0;
            HRESULT theResult = S_OK;
            std::vector<std::string> theOrder;
            while (theResult == S_OK) {
                theResult = theOne->Next(theBatch, theItems, &theFetched);
                ASSERT_EQ(theResult, theFetched == theBatch ? S_OK : S_FALSE);
                for (ULONG theAt = 0; theAt < theFetched; ++theAt) {
                    theOrder.push_back(vx::Client(theItems[theAt].pdispVal).Get("Contents").AsString());
                    VariantClear(&theItems[theAt]);
                }
            }
            std::vector<std::string> theWanted;
            for (int theIndex = int(theSkip); theIndex < theParts; ++theIndex)
                theWanted.push_back(std::to_string(theIndex));
            EXPECT_EQ(theOrder, theWanted);
        }
        theClone->Release();
        theEnum->Release();
    }
}

// A field lives as long as someone holds it and is the same object for all
// of them; dropped unchanged, it is made afresh; changed by SetValues, it is
// what the form gives from then on, also after the script let go of it.
TEST_F(FormLimitsTest, FieldsAreMadeOnDemandAndKeepWhatScriptsSet)
{
    ASSERT_TRUE(SetData(NumberedBody(3)));
    vx::Client theFirst = Field(1);
    EXPECT_EQ(Field("f0").Object(), theFirst.Object());
    EXPECT_EQ(mForm.Enumerate().front().AsDispatch(), theFirst.Object());
    theFirst = vx::Client();
    vx::Client theSecond = Field(2);
    theSecond.Call("SetValues", "renamed", "", "", "new", vx::Variant());
    ASSERT_TRUE(theSecond.Ok());
    theSecond = vx::Client();
    EXPECT_EQ(Field(2).Get("Name").AsString(), "renamed");
    EXPECT_EQ(Field(2).Get("Contents").AsString(), "new");
    EXPECT_EQ(Field(1).Get("Contents").AsString(), "0");
    // The lookup reads the parts as posted.
    EXPECT_EQ(Field("f1").Get("Name").AsString(), "renamed");
    // A kept field outlives its form with what it was given.
    vx::Client theKept = Field(2);
    mForm = vx::Client();
    EXPECT_EQ(theKept.Get("Contents").AsString(), "new");
}

}  // namespace
