#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <string>
#include <thread>

#include "TestServerInterface.h"
#include "TestSupport.h"
#include "automation/Activation.h"
#include "automation/Guid.h"
#include "automation/Registry.h"
#include "automation/Strings.h"

namespace {

constexpr CLSID kOtherClsid = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
constexpr CLSID kUnknownClsid = {0x99999999, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

void SetDefault(const std::string& inKey, const std::string& inText)
{
    ASSERT_EQ(RegSetKeyValue(HKEY_CLASSES_ROOT, inKey.c_str(), "", REG_SZ, inText.c_str(),
                             static_cast<DWORD>(inText.size() + 1)),
              static_cast<LONG>(ERROR_SUCCESS));
}

// The test server registered (by the regsvr program, so that this process hasn't loaded it).
class ActivationTest : public TemporaryRegistryTest {
protected:
    void SetUp() override
    {
        TemporaryRegistryTest::SetUp();
        std::string theOutput;
        const int theStatus = RunProgram({VX_REGSVR_PATH, VX_TESTSERVER_PATH}, &theOutput);
        ASSERT_TRUE(WIFEXITED(theStatus) && WEXITSTATUS(theStatus) == 0) << theOutput;
    }
    void TearDown() override
    {
        CoFreeUnusedLibraries();
        TemporaryRegistryTest::TearDown();
    }
};

bool ServerIsLoaded()
{
    void* theHandle = dlopen(VX_TESTSERVER_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (theHandle == nullptr)
        return false;
    dlclose(theHandle);
    return true;
}

TEST_F(ActivationTest, ProgIdsResolveThroughCurVerOrTheirOwnClsid)
{
    const std::string theOther = StringFromGUID(kOtherClsid);
    SetDefault("Stale\\CLSID", theOther);  // CurVer takes precedence over a stale direct CLSID
    SetDefault("Stale\\CurVer", "VxTest.Widget.1");
    SetDefault("Dangling\\CurVer", "Nowhere.1");  // CurVer to nothing: its own CLSID counts
    SetDefault("Dangling\\CLSID", theOther);
    SetDefault("Garbled\\CLSID", "not a class id");
    SetDefault("Lower\\CLSID", "{6e1c5a10-3b7d-4c2e-9a41-5d0b7e22c318}");

    struct Case {
        const char16_t* mProgId;
        HRESULT mExpected;
        CLSID mClsid;
    };
    const Case theCases[] = {
        {u"VxTest.Widget", S_OK, CLSID_TestWidget}, {u"VxTest.Widget.1", S_OK, CLSID_TestWidget},
        {u"vxtest.WIDGET", S_OK, CLSID_TestWidget}, {u"Stale", S_OK, CLSID_TestWidget},
        {u"Dangling", S_OK, kOtherClsid},           {u"Lower", S_OK, CLSID_TestWidget},
        {u"Garbled", CO_E_CLASSSTRING, GUID_NULL},  {u"VxTest.Nothing", CO_E_CLASSSTRING, GUID_NULL},
        {u"", CO_E_CLASSSTRING, GUID_NULL},         {u"VxTest.Widget\\CurVer", CO_E_CLASSSTRING, GUID_NULL},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(UTF8FromUTF16(theCase.mProgId));
        CLSID theClsid = GUID_NULL;
        EXPECT_EQ(CLSIDFromProgID(theCase.mProgId, &theClsid), theCase.mExpected);
        EXPECT_EQ(theClsid, theCase.mClsid);
    }
    EXPECT_EQ(CLSIDFromProgID(nullptr, nullptr), E_INVALIDARG);
}

TEST_F(ActivationTest, ProgIdFromClsid)
{
    LPOLESTR theProgId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(CLSID_TestWidget, &theProgId), S_OK);
    EXPECT_EQ(std::u16string(theProgId), u"VxTest.Widget.1");
    CoTaskMemFree(theProgId);
    EXPECT_EQ(ProgIDFromCLSID(kUnknownClsid, &theProgId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(theProgId, nullptr);
}

TEST_F(ActivationTest, CreatedByProgIdAndClsidThenUnloadedWhenReleased)
{
    EXPECT_FALSE(ServerIsLoaded());
    CLSID theClsid;
    ASSERT_EQ(CLSIDFromProgID(u"VxTest.Widget", &theClsid), S_OK);
    ITestWidget* theFirst = nullptr;
    ASSERT_EQ(
        CoCreateInstance(theClsid, nullptr, CLSCTX_INPROC_SERVER, IID_ITestWidget, reinterpret_cast<void**>(&theFirst)),
        S_OK);
    IUnknown* theSecond = nullptr;
    ASSERT_EQ(
        CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&theSecond)),
        S_OK);
    LONG theSum = 0;
    ASSERT_EQ(theFirst->Add(40, 2, &theSum), S_OK);
    EXPECT_EQ(theSum, 42);
    EXPECT_TRUE(ServerIsLoaded());
    EXPECT_EQ(CoLoadedModuleCount(), 1u);  // one handle per module, however many objects

    theFirst->Release();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(ServerIsLoaded());  // the second object is still alive
    theSecond->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(ServerIsLoaded());
    EXPECT_EQ(CoLoadedModuleCount(), 0u);

    // And it loads again on demand.
    ASSERT_EQ(CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_INPROC_SERVER, IID_ITestWidget,
                               reinterpret_cast<void**>(&theFirst)),
              S_OK);
    theFirst->Release();
}

TEST_F(ActivationTest, LockedOrHeldFactoryKeepsTheModule)
{
    IClassFactory* theFactory = nullptr;
    ASSERT_EQ(CoGetClassObject(CLSID_TestWidget, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&theFactory)),
              S_OK);
    ASSERT_EQ(theFactory->LockServer(1), S_OK);
    theFactory->Release();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(ServerIsLoaded());

    ASSERT_EQ(CoGetClassObject(CLSID_TestWidget, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&theFactory)),
              S_OK);
    theFactory->LockServer(0);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(ServerIsLoaded());  // the factory itself is still held
    theFactory->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(ServerIsLoaded());
}

TEST_F(ActivationTest, FailuresCarryTheCustomaryCodes)
{
    const std::string theNotALibrary = Folder() + "/not-a-library.so";
    std::ofstream(theNotALibrary) << "plain text, no ELF header";
    const auto theRegister = [](const CLSID& inClsid, const std::string& inPath) {
        SetDefault("CLSID\\" + StringFromGUID(inClsid) + "\\InprocServer32", inPath);
    };
    struct Case {
        const char* mName;
        std::string mModule;  // empty: not registered
        DWORD mContext;
        IID mIid;
        HRESULT mExpected;
    };
    const Case theCases[] = {
        {"class not registered", "", CLSCTX_INPROC_SERVER, IID_IUnknown, REGDB_E_CLASSNOTREG},
        {"module without the class", VX_TESTSERVER_PATH, CLSCTX_INPROC_SERVER, IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE},
        {"module file missing", Folder() + "/missing.so", CLSCTX_INPROC_SERVER, IID_IUnknown, CO_E_DLLNOTFOUND},
        {"file is no library", theNotALibrary, CLSCTX_INPROC_SERVER, IID_IUnknown, CO_E_ERRORINDLL},
        {"library without entry point", VX_AUTOMATION_PATH, CLSCTX_INPROC_SERVER, IID_IUnknown, CO_E_ERRORINDLL},
        {"only out-of-process asked for", VX_TESTSERVER_PATH, CLSCTX_LOCAL_SERVER, IID_IUnknown, REGDB_E_CLASSNOTREG},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mName);
        if (!theCase.mModule.empty())
            theRegister(kOtherClsid, theCase.mModule);
        else
            RegDeleteTree(HKEY_CLASSES_ROOT, ("CLSID\\" + StringFromGUID(kOtherClsid)).c_str());
        IUnknown* theObject = reinterpret_cast<IUnknown*>(1);
        EXPECT_EQ(CoCreateInstance(kOtherClsid, nullptr, theCase.mContext, theCase.mIid,
                                   reinterpret_cast<void**>(&theObject)),
                  theCase.mExpected);
        EXPECT_EQ(theObject, nullptr);
    }
    IUnknown* theObject = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&theObject)),
              E_NOINTERFACE);
}

// Activation keeps what it read until the registry changes: a change made by another process,
// another thread's connection, or this thread (even one rolled back) is seen by the next create.
TEST_F(ActivationTest, RegistrationChangesAreSeenByTheNextCreate)
{
    const auto theCreate = [] {
        CLSID theClsid = GUID_NULL;
        HRESULT theResult = CLSIDFromProgID(u"VxTest.Widget", &theClsid);
        IUnknown* theObject = nullptr;
        const HRESULT theCreated = CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                    reinterpret_cast<void**>(&theObject));
        if (theObject != nullptr)
            theObject->Release();
        if (SUCCEEDED(theResult) && theClsid != CLSID_TestWidget)
            theResult = E_UNEXPECTED;
        return std::make_pair(theResult, theCreated);
    };
    const auto theRegistered = std::make_pair(S_OK, S_OK);
    const auto theRemoved = std::make_pair(CO_E_CLASSSTRING, REGDB_E_CLASSNOTREG);
    const auto theRegsvr = [](std::vector<std::string> inArguments) {
        const int theStatus = RunProgram(inArguments);
        ASSERT_TRUE(WIFEXITED(theStatus) && WEXITSTATUS(theStatus) == 0);
    };
    const std::string theClassKey = "CLSID\\" + StringFromGUID(CLSID_TestWidget);

    for (int theRound = 0; theRound < 2; ++theRound) {
        SCOPED_TRACE(theRound);
        ASSERT_EQ(theCreate(), theRegistered);
        theRegsvr({VX_REGSVR_PATH, "-u", VX_TESTSERVER_PATH});
        EXPECT_EQ(theCreate(), theRemoved) << "unregistered by another process";
        theRegsvr({VX_REGSVR_PATH, VX_TESTSERVER_PATH});
        EXPECT_EQ(theCreate(), theRegistered) << "registered by another process";

        std::thread([&] {
            RegDeleteTree(HKEY_CLASSES_ROOT, "VxTest.Widget");
            RegDeleteTree(HKEY_CLASSES_ROOT, "VxTest.Widget.1");
            RegDeleteTree(HKEY_CLASSES_ROOT, theClassKey.c_str());
        }).join();
        EXPECT_EQ(theCreate(), theRemoved) << "unregistered on another connection";
        theRegsvr({VX_REGSVR_PATH, VX_TESTSERVER_PATH});

        {
            RegistryTransaction theTransaction;
            SetDefault(theClassKey + "\\InprocServer32", Folder() + "/moved.so");
            SetDefault("VxTest.Widget.1\\CLSID", StringFromGUID(kOtherClsid));
            EXPECT_EQ(theCreate(), std::make_pair(E_UNEXPECTED, CO_E_DLLNOTFOUND)) << "changed on this thread";
        }
        EXPECT_EQ(theCreate(), theRegistered) << "the change rolled back";
    }
}

TEST_F(ActivationTest, UnreadableRegistryIsReportedAsSuch)
{
    const std::string theCorrupt = Folder() + "/corrupt.db";
    std::ofstream(theCorrupt) << std::string(2048, '\x5A');
    setenv("VX_REGISTRY", theCorrupt.c_str(), 1);
    CLSID theClsid;
    EXPECT_EQ(CLSIDFromProgID(u"VxTest.Widget", &theClsid), REGDB_E_READREGDB);
    IUnknown* theObject = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&theObject)),
              REGDB_E_READREGDB);
}

}  // namespace
