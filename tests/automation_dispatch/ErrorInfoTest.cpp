#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "TestThing.h"
#include "automation/Bstr.h"
#include "automation/ErrorInfo.h"
#include "automation/ModuleCounts.h"

namespace {

Ref<IErrorInfo> MakeError(const char16_t* inDescription)
{
    Ref<ICreateErrorInfo> theCreate;
    EXPECT_EQ(CreateErrorInfo(theCreate.out()), S_OK);
    std::u16string theText = inDescription;
    theCreate->SetDescription(theText.data());
    Ref<IErrorInfo> theInfo;
    EXPECT_EQ(theCreate->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(theInfo.out())), S_OK);
    return Ref<IErrorInfo>(std::exchange(theInfo.mPtr, nullptr));
}

std::string DescriptionOf(IErrorInfo* inInfo)
{
    vx::Bstr theText;
    inInfo->GetDescription(theText.Out());
    return theText.ToUTF8();
}

TEST(ErrorInfo, ObjectKeepsWhatWasSet)
{
    Ref<ICreateErrorInfo> theCreate;
    ASSERT_EQ(CreateErrorInfo(theCreate.out()), S_OK);
    std::u16string theSource = u"Canvas", theDescription = u"Unable to set property", theFile = u"help.txt";
    theCreate->SetSource(theSource.data());
    theCreate->SetDescription(theDescription.data());
    theCreate->SetHelpFile(theFile.data());
    theCreate->SetHelpContext(7);
    theCreate->SetGUID(IID_ITestThing);

    Ref<IErrorInfo> theInfo;
    ASSERT_EQ(theCreate->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(theInfo.out())), S_OK);
    vx::Bstr theText;
    theInfo->GetSource(theText.Out());
    EXPECT_EQ(theText.ToUTF8(), "Canvas");
    EXPECT_EQ(DescriptionOf(theInfo.get()), "Unable to set property");
    theInfo->GetHelpFile(theText.Out());
    EXPECT_EQ(theText.ToUTF8(), "help.txt");
    DWORD theContext = 0;
    theInfo->GetHelpContext(&theContext);
    EXPECT_EQ(theContext, 7u);
    GUID theGuid{};
    theInfo->GetGUID(&theGuid);
    EXPECT_EQ(theGuid, IID_ITestThing);
}

TEST(ErrorInfo, GetHandsOverAndClears)
{
    Ref<IErrorInfo> theSet = MakeError(u"first");
    ASSERT_EQ(SetErrorInfo(0, theSet.get()), S_OK);
    Ref<IErrorInfo> theGot;
    ASSERT_EQ(GetErrorInfo(0, theGot.out()), S_OK);
    EXPECT_EQ(theGot.get(), theSet.get());
    Ref<IErrorInfo> theAgain;
    EXPECT_EQ(GetErrorInfo(0, theAgain.out()), S_FALSE);
    EXPECT_EQ(theAgain.get(), nullptr);

    EXPECT_EQ(SetErrorInfo(1, nullptr), E_INVALIDARG);
    EXPECT_EQ(GetErrorInfo(0, nullptr), E_POINTER);
}

TEST(ErrorInfo, SettingReplacesAndNullClears)
{
    Ref<IErrorInfo> theFirst = MakeError(u"first");
    Ref<IErrorInfo> theSecond = MakeError(u"second");
    SetErrorInfo(0, theFirst.get());
    SetErrorInfo(0, theSecond.get());
    Ref<IErrorInfo> theGot;
    ASSERT_EQ(GetErrorInfo(0, theGot.out()), S_OK);
    EXPECT_EQ(DescriptionOf(theGot.get()), "second");

    SetErrorInfo(0, theFirst.get());
    SetErrorInfo(0, nullptr);
    Ref<IErrorInfo> theNone;
    EXPECT_EQ(GetErrorInfo(0, theNone.out()), S_FALSE);
}

TEST(ErrorInfo, EachThreadHasItsOwn)
{
    vx::RaiseError(E_FAIL, "main thread", "Main");
    std::string theOtherSaw = "unset";
    std::thread theOther([&] {
        IErrorInfo* theInfo = nullptr;
        theOtherSaw = GetErrorInfo(0, &theInfo) == S_FALSE ? "nothing" : DescriptionOf(theInfo);
        if (theInfo)
            theInfo->Release();
        vx::RaiseError(E_FAIL, "other thread", "Other");
        // Left set on purpose: the thread's end releases it.
    });
    theOther.join();
    EXPECT_EQ(theOtherSaw, "nothing");
    Ref<IErrorInfo> theMine;
    ASSERT_EQ(GetErrorInfo(0, theMine.out()), S_OK);
    EXPECT_EQ(DescriptionOf(theMine.get()), "main thread");
}

// An error object that counts its instances.
class CountedError final : public vx::ComObject<CountedError, IErrorInfo> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IErrorInfo, IID_IErrorInfo>>;
    static inline int sAlive = 0;
    CountedError() { ++sAlive; }
    ~CountedError() { --sAlive; }
    HRESULT GetGUID(GUID*) override { return E_NOTIMPL; }
    HRESULT GetSource(BSTR*) override { return E_NOTIMPL; }
    HRESULT GetDescription(BSTR*) override { return E_NOTIMPL; }
    HRESULT GetHelpFile(BSTR*) override { return E_NOTIMPL; }
    HRESULT GetHelpContext(DWORD*) override { return E_NOTIMPL; }
};

TEST(ErrorInfo, ThreadEndReleasesItsErrorObject)
{
    std::thread([] {
        CountedError* theError = CountedError::Create();
        SetErrorInfo(0, theError);
        theError->Release();
    }).join();
    EXPECT_EQ(CountedError::sAlive, 0);
}

TEST(ErrorInfo, PendingErrorDoesNotKeepTheModule)
{
    SetErrorInfo(0, nullptr);
    ASSERT_EQ(vx::ModuleCounts::CanUnloadNow(), S_OK);
    vx::RaiseError(E_FAIL, "never read", "Somewhere");
    EXPECT_EQ(vx::ModuleCounts::CanUnloadNow(), S_OK);
    SetErrorInfo(0, nullptr);
}

TEST(ErrorInfo, RaiseErrorReturnsTheCodeAndSetsTexts)
{
    EXPECT_EQ(vx::RaiseError(E_INVALIDARG, "Set Canvas PenSize = -1", "Canvas", IID_ITestThing), E_INVALIDARG);
    Ref<IErrorInfo> theInfo;
    ASSERT_EQ(GetErrorInfo(0, theInfo.out()), S_OK);
    EXPECT_EQ(DescriptionOf(theInfo.get()), "Set Canvas PenSize = -1");
    GUID theGuid{};
    theInfo->GetGUID(&theGuid);
    EXPECT_EQ(theGuid, IID_ITestThing);
}

}  // namespace
