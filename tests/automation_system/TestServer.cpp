// A small in-process server for the activation and regsvr tests: one creatable class
// (VxTest.Widget) and the four entry points, written by hand against the object ABI.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <atomic>
#include <new>
#include <string>

#include "TestServerInterface.h"
#include "automation/Activation.h"
#include "automation/Guid.h"
#include "automation/Registry.h"

namespace {

std::atomic<long> gAliveObjects{0};  // widgets and factories
std::atomic<long> gServerLocks{0};

class Widget final : public ITestWidget {
public:
    Widget() { ++gAliveObjects; }

    HRESULT QueryInterface(REFIID inIid, void** outObject) override
    {
        if (outObject == nullptr)
            return E_POINTER;
        if (inIid == IID_IUnknown || inIid == IID_ITestWidget) {
            *outObject = static_cast<ITestWidget*>(this);
            AddRef();
            return S_OK;
        }
        *outObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++mReferences; }
    ULONG Release() override
    {
        const ULONG theLeft = --mReferences;
        if (theLeft == 0)
            delete this;
        return theLeft;
    }
    HRESULT Add(LONG inA, LONG inB, LONG* outSum) override
    {
        if (outSum == nullptr)
            return E_POINTER;
        *outSum = inA + inB;
        return S_OK;
    }

private:
    ~Widget() { --gAliveObjects; }
    std::atomic<ULONG> mReferences{1};
};

class WidgetFactory final : public IClassFactory {
public:
    WidgetFactory() { ++gAliveObjects; }

    HRESULT QueryInterface(REFIID inIid, void** outObject) override
    {
        if (outObject == nullptr)
            return E_POINTER;
        if (inIid == IID_IUnknown || inIid == IID_IClassFactory) {
            *outObject = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *outObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++mReferences; }
    ULONG Release() override
    {
        const ULONG theLeft = --mReferences;
        if (theLeft == 0)
            delete this;
        return theLeft;
    }
    HRESULT CreateInstance(IUnknown* inOuter, REFIID inIid, void** outObject) override
    {
        if (outObject == nullptr)
            return E_POINTER;
        *outObject = nullptr;
        if (inOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        auto* theWidget = new (std::nothrow) Widget;
        if (theWidget == nullptr)
            return E_OUTOFMEMORY;
        const HRESULT theResult = theWidget->QueryInterface(inIid, outObject);
        theWidget->Release();
        return theResult;
    }
    HRESULT LockServer(int inLock) override
    {
        inLock != 0 ? ++gServerLocks : --gServerLocks;
        return S_OK;
    }

private:
    ~WidgetFactory() { --gAliveObjects; }
    std::atomic<ULONG> mReferences{1};
};

std::string ModulePath()
{
    Dl_info theInfo{};
    if (dladdr(reinterpret_cast<const void*>(&ModulePath), &theInfo) == 0 || theInfo.dli_fname == nullptr)
        return {};
    char theFull[PATH_MAX];
    return realpath(theInfo.dli_fname, theFull) != nullptr ? std::string(theFull) : std::string(theInfo.dli_fname);
}

LONG SetText(const std::string& inSubKey, const char* inName, const std::string& inText)
{
    return RegSetKeyValue(HKEY_CLASSES_ROOT, inSubKey.c_str(), inName, REG_SZ, inText.c_str(),
                          static_cast<DWORD>(inText.size() + 1));
}

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID inClsid, REFIID inIid,
                                                                            void** outObject)
{
    if (outObject == nullptr)
        return E_POINTER;
    *outObject = nullptr;
    if (inClsid != CLSID_TestWidget)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* theFactory = new (std::nothrow) WidgetFactory;
    if (theFactory == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT theResult = theFactory->QueryInterface(inIid, outObject);
    theFactory->Release();
    return theResult;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow()
{
    return gAliveObjects == 0 && gServerLocks == 0 ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer()
{
    const std::string thePath = ModulePath();
    if (thePath.empty())
        return SELFREG_E_CLASS;
    const std::string theClassKey = "CLSID\\" + StringFromGUID(CLSID_TestWidget);
    RegistryTransaction theTransaction;
    LONG theError = theTransaction.Status();
    const auto theSet = [&](const std::string& inKey, const char* inName, const std::string& inText) {
        if (theError == ERROR_SUCCESS)
            theError = SetText(inKey, inName, inText);
    };
    theSet(kTestWidgetVersionedProgId, "", "Widget Class");
    theSet(std::string(kTestWidgetVersionedProgId) + "\\CLSID", "", StringFromGUID(CLSID_TestWidget));
    theSet(kTestWidgetProgId, "", "Widget Class");
    theSet(std::string(kTestWidgetProgId) + "\\CurVer", "", kTestWidgetVersionedProgId);
    theSet(theClassKey, "", "Widget Class");
    theSet(theClassKey + "\\ProgID", "", kTestWidgetVersionedProgId);
    theSet(theClassKey + "\\VersionIndependentProgID", "", kTestWidgetProgId);
    theSet(theClassKey + "\\InprocServer32", "", thePath);
    theSet(theClassKey + "\\InprocServer32", "ThreadingModel", "Apartment");
    if (theError == ERROR_SUCCESS)
        theError = theTransaction.Commit();
    return theError == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer()
{
    RegistryTransaction theTransaction;
    LONG theError = theTransaction.Status();
    for (const std::string& theKey : {"CLSID\\" + StringFromGUID(CLSID_TestWidget), std::string(kTestWidgetProgId),
                                      std::string(kTestWidgetVersionedProgId)}) {
        if (theError != ERROR_SUCCESS)
            break;
        const LONG theDeleted = RegDeleteTree(HKEY_CLASSES_ROOT, theKey.c_str());
        if (theDeleted != ERROR_FILE_NOT_FOUND)
            theError = theDeleted;
    }
    if (theError == ERROR_SUCCESS)
        theError = theTransaction.Commit();
    return theError == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}
