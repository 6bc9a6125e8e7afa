// The server module's four entry points, called in the built module against a private registry.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include <automation/Activation.h>
#include <automation/Guid.h>
#include <automation/Interfaces.h>
#include <automation/Registry.h>
#include <vellumax/Vellumax.h>

namespace {

constexpr const char* kApplicationLog = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
constexpr const char* kEventSource = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Tallowmarch";

std::optional<std::string> ReadText(HKEY inRoot, const std::string& inKey, const char* inName = "")
{
    HKEY theKey = nullptr;
    if (RegOpenKeyEx(inRoot, inKey.c_str(), 0, KEY_READ, &theKey) != ERROR_SUCCESS)
        return std::nullopt;
    char theData[4096] = {};
    DWORD theSize = sizeof theData;
    DWORD theType = REG_NONE;
    const LONG theError =
        RegQueryValueEx(theKey, inName, nullptr, &theType, reinterpret_cast<BYTE*>(theData), &theSize);
    RegCloseKey(theKey);
    if (theError != ERROR_SUCCESS || theType != REG_SZ)
        return std::nullopt;
    return std::string(theData);
}

std::optional<DWORD> ReadNumber(HKEY inRoot, const std::string& inKey, const char* inName)
{
    HKEY theKey = nullptr;
    if (RegOpenKeyEx(inRoot, inKey.c_str(), 0, KEY_READ, &theKey) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD theValue = 0;
    DWORD theSize = sizeof theValue;
    DWORD theType = REG_NONE;
    const LONG theError =
        RegQueryValueEx(theKey, inName, nullptr, &theType, reinterpret_cast<BYTE*>(&theValue), &theSize);
    RegCloseKey(theKey);
    if (theError != ERROR_SUCCESS || theType != REG_DWORD)
        return std::nullopt;
    return theValue;
}

bool KeyExists(HKEY inRoot, const std::string& inKey)
{
    HKEY theKey = nullptr;
    if (RegOpenKeyEx(inRoot, inKey.c_str(), 0, KEY_READ, &theKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(theKey);
    return true;
}

std::string ClassKey(const VxClassInfo& inClass)
{
    return "CLSID\\" + StringFromGUID(*inClass.mClsid);
}
std::string ProgId(const VxClassInfo& inClass)
{
    return std::string("Vellumax.") + inClass.mName;
}

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char theTemplate[] = "/tmp/vx-module-test-XXXXXX";
        ASSERT_NE(mkdtemp(theTemplate), nullptr);
        mFolder = theTemplate;
        setenv("VX_REGISTRY", (mFolder + "/registry.db").c_str(), 1);
        char theFull[PATH_MAX];
        ASSERT_NE(realpath(VX_SERVER_PATH, theFull), nullptr);
        mModulePath = theFull;
        mModule = dlopen(theFull, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(mModule, nullptr) << dlerror();
        mRegister = reinterpret_cast<LPFNREGISTERSERVER>(dlsym(mModule, "DllRegisterServer"));
        mUnregister = reinterpret_cast<LPFNUNREGISTERSERVER>(dlsym(mModule, "DllUnregisterServer"));
        mGetClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(mModule, "DllGetClassObject"));
        mCanUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(mModule, "DllCanUnloadNow"));
        ASSERT_TRUE(mRegister && mUnregister && mGetClassObject && mCanUnloadNow);
    }

    void TearDown() override
    {
        if (mModule != nullptr)
            dlclose(mModule);
        unsetenv("VX_REGISTRY");
        std::filesystem::remove_all(mFolder);
    }

    std::string mFolder;
    std::string mModulePath;
    void* mModule = nullptr;
    LPFNREGISTERSERVER mRegister = nullptr;
    LPFNUNREGISTERSERVER mUnregister = nullptr;
    LPFNGETCLASSOBJECT mGetClassObject = nullptr;
    LPFNCANUNLOADNOW mCanUnloadNow = nullptr;
};

TEST_F(ModuleTest, ExportsOnlyTheFourEntryPoints)
{
    // Anything else of the server stays inside the module.
    EXPECT_EQ(dlsym(mModule, "_Z16ServerModulePathv"), nullptr);
    EXPECT_EQ(dlsym(mModule, "_Z16EventMessageTextj"), nullptr);
}

TEST_F(ModuleTest, RegistrationWritesEveryClassKey)
{
    ASSERT_EQ(mRegister(), S_OK);
    for (const VxClassInfo& theClass : kVellumaxClasses) {
        SCOPED_TRACE(theClass.mName);
        const std::string theName = std::string(theClass.mName) + " Class";
        const std::string theClsid = StringFromGUID(*theClass.mClsid);
        const std::string theVersioned = ProgId(theClass) + ".1";
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theVersioned), theName);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theVersioned + "\\CLSID"), theClsid);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, ProgId(theClass)), theName);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, ProgId(theClass) + "\\CLSID"), theClsid);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, ProgId(theClass) + "\\CurVer"), theVersioned);
        const std::string theKey = ClassKey(theClass);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theKey), theName);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theKey + "\\ProgID"), theVersioned);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theKey + "\\VersionIndependentProgID"), ProgId(theClass));
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, theKey + "\\Programmable"));
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theKey + "\\InprocServer32"), mModulePath);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theKey + "\\InprocServer32", "ThreadingModel"),
                  theClass.mThreading == VxThreading::Single ? "Single" : "Apartment");
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theKey + "\\TypeLib"), StringFromGUID(LIBID_Vellumax));
    }
}

TEST_F(ModuleTest, RegistrationWritesTheTypeLibraryAndItsInterfaces)
{
    ASSERT_EQ(mRegister(), S_OK);
    const std::string theLibid = StringFromGUID(LIBID_Vellumax);
    const std::string theVersion = "TypeLib\\" + theLibid + "\\1.0";
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theVersion), "Vellumax 2.0 Image Manipulation Library");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theVersion + "\\0\\linux64"), mModulePath);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theVersion + "\\FLAGS"), "0");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theVersion + "\\HELPDIR"),
              std::filesystem::path(mModulePath).parent_path().string());
    for (const VxClassInfo& theClass : kVellumaxClasses) {
        SCOPED_TRACE(theClass.mInterface);
        const std::string theKey = "Interface\\" + StringFromGUID(*theClass.mIid);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theKey), theClass.mInterface);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theKey + "\\ProxyStubClsid32"), "{00020424-0000-0000-C000-000000000046}");
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theKey + "\\TypeLib"), theLibid);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theKey + "\\TypeLib", "Version"), "1.0");
    }
}

TEST_F(ModuleTest, RegistrationWritesTheEventSource)
{
    ASSERT_EQ(mRegister(), S_OK);
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, kEventSource, "CategoryCount"), 1u);
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, kEventSource, "TypesSupported"), 7u);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kEventSource, "CategoryMessageFile"), mModulePath);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kEventSource, "EventMessageFile"), mModulePath);
}

TEST_F(ModuleTest, BothProgIdsOfGestaltResolveToItsClass)
{
    ASSERT_EQ(mRegister(), S_OK);
    for (const char16_t* theProgId : {u"Vellumax.Gestalt", u"Vellumax.Gestalt.1"}) {
        CLSID theClsid{};
        ASSERT_EQ(CLSIDFromProgID(theProgId, &theClsid), S_OK);
        EXPECT_EQ(StringFromGUID(theClsid), "{F4658F83-1347-11D3-B44D-00104B3F65B5}");
    }
}

TEST_F(ModuleTest, GraphicImageIsRegisteredButCannotBeCreated)
{
    ASSERT_EQ(mRegister(), S_OK);
    CLSID theClsid{};
    ASSERT_EQ(CLSIDFromProgID(u"Vellumax.GraphicImage", &theClsid), S_OK);
    EXPECT_EQ(theClsid, CLSID_GraphicImage);
    IUnknown* theObject = nullptr;
    EXPECT_EQ(
        CoCreateInstance(theClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&theObject)),
        CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(theObject, nullptr);
}

TEST_F(ModuleTest, ClassesOutsideTheFactoryTableAreNotAvailable)
{
    const CLSID kUnknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    for (const VxClassInfo& theClass : kVellumaxClasses) {
        if (theClass.mCreatable)
            continue;
        SCOPED_TRACE(theClass.mName);
        void* theFactory = reinterpret_cast<void*>(1);
        EXPECT_EQ(mGetClassObject(*theClass.mClsid, IID_IClassFactory, &theFactory), CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(theFactory, nullptr);
    }
    void* theFactory = nullptr;
    EXPECT_EQ(mGetClassObject(kUnknown, IID_IClassFactory, &theFactory), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(mGetClassObject(CLSID_Canvas, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ModuleTest, CanUnloadWithNothingAlive)
{
    EXPECT_EQ(mCanUnloadNow(), S_OK);
}

TEST_F(ModuleTest, ABuiltClassHandsOutItsFactoryAndKeepsTheModuleWhileAlive)
{
    IClassFactory* theFactory = nullptr;
    ASSERT_EQ(mGetClassObject(CLSID_XColor, IID_IClassFactory, reinterpret_cast<void**>(&theFactory)), S_OK);
    ASSERT_NE(theFactory, nullptr);
    EXPECT_EQ(mCanUnloadNow(), S_FALSE);
    IDispatch* theColor = nullptr;
    ASSERT_EQ(theFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&theColor)), S_OK);
    theFactory->Release();
    EXPECT_EQ(mCanUnloadNow(), S_FALSE);
    theColor->Release();
    EXPECT_EQ(mCanUnloadNow(), S_OK);
}

TEST_F(ModuleTest, ActivationLoadsTheModuleAndUnloadsItWhenTheLastObjectIsGone)
{
    ASSERT_EQ(mRegister(), S_OK);
    IDispatch* theColor = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_XColor, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&theColor)),
              S_OK);
    EXPECT_EQ(CoLoadedModuleCount(), 1u);
    CoFreeUnusedLibraries();
    EXPECT_EQ(CoLoadedModuleCount(), 1u);
    theColor->Release();
    CoFreeUnusedLibraries();
    EXPECT_EQ(CoLoadedModuleCount(), 0u);
}

TEST_F(ModuleTest, UnregistrationRemovesItsKeysAndKeepsTheRoots)
{
    // Another server's class and another event source share the roots.
    const std::string theOtherClass = "CLSID\\{0F0F0F0F-0000-0000-0000-000000000001}";
    ASSERT_EQ(RegSetKeyValue(HKEY_CLASSES_ROOT, theOtherClass.c_str(), "", REG_SZ, "Other", 6), ERROR_SUCCESS);
    const std::string theOtherSource = std::string(kApplicationLog) + "\\Other";
    const DWORD theSeven = 7;
    ASSERT_EQ(RegSetKeyValue(HKEY_LOCAL_MACHINE, theOtherSource.c_str(), "TypesSupported", REG_DWORD, &theSeven,
                             sizeof theSeven),
              ERROR_SUCCESS);
    ASSERT_EQ(mRegister(), S_OK);
    ASSERT_EQ(mUnregister(), S_OK);

    for (const VxClassInfo& theClass : kVellumaxClasses) {
        SCOPED_TRACE(theClass.mName);
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(theClass)));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ProgId(theClass)));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ProgId(theClass) + ".1"));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Interface\\" + StringFromGUID(*theClass.mIid)));
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + StringFromGUID(LIBID_Vellumax)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEventSource));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, theOtherClass), "Other");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kApplicationLog));
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, theOtherSource, "TypesSupported"), 7u);
}

TEST_F(ModuleTest, ProgIdKeysThatOthersExtendedSurviveUnregistration)
{
    ASSERT_EQ(mRegister(), S_OK);
    ASSERT_EQ(RegSetKeyValue(HKEY_CLASSES_ROOT, "Vellumax.Canvas\\Shell", "", REG_SZ, "x", 2), ERROR_SUCCESS);
    ASSERT_EQ(mUnregister(), S_OK);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Vellumax.Canvas\\Shell"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Vellumax.Canvas\\CLSID"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Vellumax.Canvas\\CurVer"));
    CLSID theClsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Vellumax.Canvas", &theClsid), CO_E_CLASSSTRING);
}

TEST_F(ModuleTest, RegisteringTwiceAndUnregisteringTwiceSucceed)
{
    EXPECT_EQ(mUnregister(), S_OK);
    EXPECT_EQ(mRegister(), S_OK);
    EXPECT_EQ(mRegister(), S_OK);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, ClassKey(kVellumaxClasses[1]) + "\\InprocServer32"), mModulePath);
    EXPECT_EQ(mUnregister(), S_OK);
    EXPECT_EQ(mUnregister(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(kVellumaxClasses[1])));
}

TEST_F(ModuleTest, ARegistryThatCannotBeWrittenFailsBothWays)
{
    const std::string theBogus = mFolder + "/not-a-database";
    std::FILE* theFile = std::fopen(theBogus.c_str(), "w");
    ASSERT_NE(theFile, nullptr);
    std::fputs("this is no registry, only text long enough to be read as a broken header\n", theFile);
    std::fclose(theFile);
    setenv("VX_REGISTRY", theBogus.c_str(), 1);
    const HRESULT theRegistered = mRegister();
    const HRESULT theUnregistered = mUnregister();
    EXPECT_TRUE(FAILED(theRegistered));
    EXPECT_TRUE(FAILED(theUnregistered));
    EXPECT_EQ(theRegistered, HRESULT_FROM_WIN32(ERROR_BADDB));
}

}  // namespace
