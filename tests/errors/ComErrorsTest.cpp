#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "automation/ErrorInfo.h"
#include "automation/Registry.h"
#include "automation/SafeArray.h"
#include "automation/Strings.h"
#include "automation/Variant.h"
#include "support/EventLogListener.h"
#include "vellumax/errors/ComError.h"
#include "vellumax/errors/ComErrors.h"
#include "vellumax/errors/EventLog.h"
#include "vellumax/errors/Settings.h"

namespace {

constexpr IID kIid = {0x1A2B3C4D, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr const char* kProgId = "Vellumax.XColor.1";

// A private registry and a datagram socket standing in for the event log.
class ComErrorsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string theStem = ::testing::TempDir() + "vx-comerr-" + std::to_string(getpid());
        mRegistry = theStem + ".db";
        setenv("VX_REGISTRY", mRegistry.c_str(), 1);
        ASSERT_NO_FATAL_FAILURE(mLog.Listen(theStem + ".sock"));
        ClearErrorInfo();
    }
    void TearDown() override
    {
        ClearErrorInfo();
        unsetenv("VX_REGISTRY");
        for (const char* theSuffix : {"", "-wal", "-shm", "-journal"})
            std::remove((mRegistry + theSuffix).c_str());
    }
    static void ClearErrorInfo()
    {
        IErrorInfo* theInfo = nullptr;
        if (GetErrorInfo(0, &theInfo) == S_OK && theInfo != nullptr)
            theInfo->Release();
    }
    std::vector<std::string> Entries() const { return mLog.Entries(); }
    struct Raised {
        std::string mDescription;
        std::string mSource;
        GUID mGuid;
    };
    static Raised TakeErrorInfo()
    {
        Raised theRaised{};
        IErrorInfo* theInfo = nullptr;
        EXPECT_EQ(GetErrorInfo(0, &theInfo), S_OK);
        if (theInfo == nullptr)
            return theRaised;
        BSTR theText = nullptr;
        theInfo->GetDescription(&theText);
        theRaised.mDescription = UTF8FromBSTR(theText);
        SysFreeString(theText);
        theInfo->GetSource(&theText);
        theRaised.mSource = UTF8FromBSTR(theText);
        SysFreeString(theText);
        theInfo->GetGUID(&theRaised.mGuid);
        theInfo->Release();
        return theRaised;
    }

    std::string mRegistry;
    EventLogListener mLog;
};

TEST_F(ComErrorsTest, RaisingSetsTheThreadsErrorInformation)
{
    const std::string theText = "Unable to set property\n\n\nSet XColor String  =  t\xC3\xA9";
    EXPECT_EQ(RaiseComError(theText, E_FAIL, kIid, kProgId), E_FAIL);
    const Raised theRaised = TakeErrorInfo();
    EXPECT_EQ(theRaised.mDescription, theText);
    EXPECT_EQ(theRaised.mSource, kProgId);
    EXPECT_TRUE(theRaised.mGuid == kIid);
    EXPECT_EQ(RaiseComError("x", E_POINTER, kIid, kProgId), E_POINTER);  // returned unchanged
}

TEST_F(ComErrorsTest, LogsOneLineOnlyWhenLogErrorsIsOn)
{
    const std::string theText = "Unable to set property\n\n\nSet XColor String  =  teal\r\n";
    RaiseComError(theText, E_FAIL, kIid, kProgId);  // absent
    EXPECT_TRUE(Entries().empty());
    WriteSetting(kLogErrorsSetting, 0);
    RaiseComError(theText, E_FAIL, kIid, kProgId);
    EXPECT_TRUE(Entries().empty());

    WriteSetting(kLogErrorsSetting, 1);
    RaiseComError(theText, E_FAIL, kIid, kProgId);
    const std::vector<std::string> theEntries = Entries();
    ASSERT_EQ(theEntries.size(), 1u);
    const std::string& theEntry = theEntries[0];
    EXPECT_EQ(theEntry.find_first_of("\r\n"), std::string::npos) << theEntry;
    EXPECT_NE(theEntry.find("Tallowmarch"), std::string::npos) << theEntry;
    EXPECT_NE(theEntry.find("4096"), std::string::npos) << theEntry;
    EXPECT_TRUE(theEntry.ends_with("Vellumax Error: Unable to set property   Set XColor String  =  teal  "))
        << theEntry;
    // The description keeps its line breaks: only the log entry is one line.
    EXPECT_EQ(TakeErrorInfo().mDescription, theText);

    // Read afresh at every error: switched off again, nothing more is logged.
    WriteSetting(kLogErrorsSetting, 0);
    RaiseComError(theText, E_FAIL, kIid, kProgId);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(ComErrorsTest, LoggingWithoutAListenerIsSilent)
{
    mLog.Stop();
    WriteSetting(kLogErrorsSetting, 1);
    EXPECT_EQ(RaiseComError("lost", E_FAIL, kIid, kProgId), E_FAIL);
    EXPECT_EQ(TakeErrorInfo().mDescription, "lost");
}

TEST_F(ComErrorsTest, MessageTableOfTheEventSource)
{
    EXPECT_STREQ(EventMessageText(1), "Misc\r\n");
    EXPECT_STREQ(EventMessageText(0x1000), "Vellumax Error: %1\r\n");
    EXPECT_EQ(EventMessageText(2), nullptr);
}

TEST_F(ComErrorsTest, StandardFailures)
{
    VARIANT theTwelve;
    VariantInit(&theTwelve);
    theTwelve.vt = VT_I4;
    theTwelve.lVal = 12;
    VARIANT theMinusOne = theTwelve;
    theMinusOne.lVal = -1;
    VARIANT theTeal;
    VariantInit(&theTeal);
    theTeal.vt = VT_BSTR;
    theTeal.bstrVal = SysAllocStringUTF8("teal");

    struct Case {
        const char* mName;
        HRESULT (*mReport)(const VARIANT&, const VARIANT&, const VARIANT&);
        std::string mExpected;
    };
    const Case theCases[] = {
        {"set",
         [](const VARIANT& v, const VARIANT&, const VARIANT&) {
             return ReportSetFailure("Canvas Width", v, 0, 0, kIid, kProgId);
         },
         "Unable to set property\n\n\nSet Canvas Width  =  12"},
        {"set negative",
         [](const VARIANT&, const VARIANT& v, const VARIANT&) {
             return ReportSetFailure("Canvas PenSize", v, 0, 0, kIid, kProgId);
         },
         "Unable to set property\n\n\nSet Canvas PenSize  =  -1"},
        {"set text",
         [](const VARIANT&, const VARIANT&, const VARIANT& v) {
             return ReportSetFailure("XColor String", v, 0, 0, kIid, kProgId);
         },
         "Unable to set property\n\n\nSet XColor String  =  teal"},
        {"set with codes",
         [](const VARIANT& v, const VARIANT&, const VARIANT&) {
             return ReportSetFailure("Canvas Width", v, -108, 8, kIid, kProgId);
         },
         "A QuickTime error occurred indicating that there was not enough memory (-108).\n"
         "A Windows error occurred that indicates that there was not enough memory (8).\n"
         "\n\nSet Canvas Width  =  12"},
        {"get",
         [](const VARIANT&, const VARIANT&, const VARIANT&) {
             return ReportGetFailure("XRect TopLeft", 0, 0, kIid, kProgId);
         },
         "Unable to get property\n\n\nGet XRect TopLeft"},
        {"get with Windows code",
         [](const VARIANT&, const VARIANT&, const VARIANT&) {
             return ReportGetFailure("Canvas HBITMAP", 0, 3, kIid, kProgId);
         },
         "A Windows error occurred that indicates that a file path could not be found (3).\n\n\nGet Canvas HBITMAP"},
        {"do",
         [](const VARIANT&, const VARIANT&, const VARIANT&) {
             return ReportDoFailure("Gestalt Save", "out/a.bin", 0, 0, kIid, kProgId);
         },
         "Unable to complete the operation\n\n\nDo Gestalt Save out/a.bin"},
        {"do with QuickTime code",
         [](const VARIANT&, const VARIANT&, const VARIANT&) {
             return ReportDoFailure("Gestalt Save", "out/a.bin", -43, 0, kIid, kProgId);
         },
         "A QuickTime error occurred indicating that the file was not found (-43).\n\n\nDo Gestalt Save out/a.bin"},
    };
    for (const Case& theCase : theCases) {
        EXPECT_EQ(theCase.mReport(theTwelve, theMinusOne, theTeal), E_FAIL) << theCase.mName;
        const Raised theRaised = TakeErrorInfo();
        EXPECT_EQ(theRaised.mDescription, theCase.mExpected) << theCase.mName;
        EXPECT_EQ(theRaised.mSource, kProgId) << theCase.mName;
    }
    VariantClear(&theTeal);
}

TEST_F(ComErrorsTest, ValueWithoutTextThrowsAndRaisesNothing)
{
    VARIANT theBytes;
    VariantInit(&theBytes);
    theBytes.vt = VT_ARRAY | VT_UI1;
    SAFEARRAYBOUND theBound{3, 0};
    theBytes.parray = SafeArrayCreate(VT_UI1, 1, &theBound);
    ASSERT_NE(theBytes.parray, nullptr);
    WriteSetting(kLogErrorsSetting, 1);
    HRESULT theCode = S_OK;
    try {
        ReportSetFailure("Canvas Width", theBytes, 0, 0, kIid, kProgId);
        ADD_FAILURE() << "no ComError";
    } catch (const ComError& inError) {
        theCode = inError.Error();
    }
    EXPECT_TRUE(FAILED(theCode));
    EXPECT_TRUE(Entries().empty());
    IErrorInfo* theInfo = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &theInfo), S_FALSE);
    VariantClear(&theBytes);
}

}  // namespace
