// The server module: class table, class factories by CLSID, unloading, and the
// registration of classes, type library and event-log source (see Module.h).
#include "vellumax/objects/Module.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <automation/Errors.h>
#include <automation/Guid.h>
#include <automation/ModuleCounts.h>
#include <automation/Owners.h>
#include <automation/Registry.h>
#include <vellumax/Vellumax.h>

#include "vellumax/errors/EventLog.h"
#include "vellumax/objects/ClassObjects.h"

namespace {

using GetFactoryProc = HRESULT (*)(REFIID inIid, void** outObject);

// The automation marshaler, named as the proxy/stub of every dual interface.
constexpr const char* kAutomationMarshaler = "{00020424-0000-0000-C000-000000000046}";
constexpr const char* kTypeLibVersion = "1.0";
constexpr const char* kTypeLibPlatform = "linux64";
constexpr const char* kApplicationLogKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
constexpr DWORD kCategoryCount = 1;
constexpr DWORD kTypesSupported = 7;  // error, warning and information

// The factory of a creatable class that is built into this module; null for the others.
GetFactoryProc FactoryOf(const VxClassInfo& inClass)
{
    if (!inClass.mCreatable)
        return nullptr;
    const CLSID& theClsid = *inClass.mClsid;
    if (theClsid == CLSID_Graphic)
        return &VxGetClassObject_Graphic;
    if (theClsid == CLSID_Canvas)
        return &VxGetClassObject_Canvas;
    if (theClsid == CLSID_Gestalt)
        return &VxGetClassObject_Gestalt;
    if (theClsid == CLSID_XColor)
        return &VxGetClassObject_XColor;
    if (theClsid == CLSID_XRect)
        return &VxGetClassObject_XRect;
    if (theClsid == CLSID_XPoint)
        return &VxGetClassObject_XPoint;
    if (theClsid == CLSID_XMultipart)
        return &VxGetClassObject_XMultipart;
    return nullptr;
}

std::string VersionedProgId(const VxClassInfo& inClass)
{
    return std::string("Vellumax.") + inClass.mName + ".1";
}
std::string ProgId(const VxClassInfo& inClass)
{
    return std::string("Vellumax.") + inClass.mName;
}
std::string ClassKey(const VxClassInfo& inClass)
{
    return "CLSID\\" + StringFromGUID(*inClass.mClsid);
}
std::string TypeLibKey()
{
    return "TypeLib\\" + StringFromGUID(LIBID_Vellumax);
}
std::string EventSourceKey()
{
    return std::string(kApplicationLogKey) + "\\" + kEventSourceName;
}

std::string FolderOf(const std::string& inPath)
{
    const std::size_t theSlash = inPath.find_last_of('/');
    return theSlash == std::string::npos ? std::string(".") : inPath.substr(0, theSlash == 0 ? 1 : theSlash);
}

// Registry writes that stop at the first failure and remember it.
class RegistryWriter {
public:
    void Text(HKEY inRoot, const std::string& inKey, const char* inName, const std::string& inValue)
    {
        if (mError == ERROR_SUCCESS)
            mError = RegSetKeyValue(inRoot, inKey.c_str(), inName, REG_SZ, inValue.c_str(),
                                    static_cast<DWORD>(inValue.size() + 1));
    }
    void Number(HKEY inRoot, const std::string& inKey, const char* inName, DWORD inValue)
    {
        if (mError == ERROR_SUCCESS)
            mError = RegSetKeyValue(inRoot, inKey.c_str(), inName, REG_DWORD, &inValue, sizeof inValue);
    }
    void Key(HKEY inRoot, const std::string& inKey)
    {
        if (mError != ERROR_SUCCESS)
            return;
        HKEY theKey = nullptr;
        mError = RegCreateKeyEx(inRoot, inKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &theKey,
                                nullptr);
        // Only made here: it is closed at once.
        const vx::RegistryKeyRef theOwner(mError == ERROR_SUCCESS ? theKey : nullptr);
    }
    // A key with everything below it; a missing key is no failure.
    void RemoveTree(HKEY inRoot, const std::string& inKey)
    {
        if (mError == ERROR_SUCCESS)
            mError = Tolerate(RegDeleteTree(inRoot, inKey.c_str()), ERROR_FILE_NOT_FOUND);
    }
    // A key that registration made but that may hold what others added below it: removed
    // only when nothing is left under it.
    void RemoveIfEmpty(HKEY inRoot, const std::string& inKey)
    {
        if (mError == ERROR_SUCCESS)
            mError = Tolerate(Tolerate(RegDeleteKey(inRoot, inKey.c_str()), ERROR_FILE_NOT_FOUND), ERROR_ACCESS_DENIED);
    }

    LONG Error() const { return mError; }

private:
    static LONG Tolerate(LONG inError, LONG inHarmless) { return inError == inHarmless ? ERROR_SUCCESS : inError; }

    LONG mError = ERROR_SUCCESS;
};

void RegisterClass(RegistryWriter& ioWriter, const VxClassInfo& inClass, const std::string& inModule)
{
    const std::string theName = std::string(inClass.mName) + " Class";
    const std::string theClsid = StringFromGUID(*inClass.mClsid);
    const std::string theClassKey = ClassKey(inClass);
    ioWriter.Text(HKEY_CLASSES_ROOT, VersionedProgId(inClass), "", theName);
    ioWriter.Text(HKEY_CLASSES_ROOT, VersionedProgId(inClass) + "\\CLSID", "", theClsid);
    ioWriter.Text(HKEY_CLASSES_ROOT, ProgId(inClass), "", theName);
    ioWriter.Text(HKEY_CLASSES_ROOT, ProgId(inClass) + "\\CLSID", "", theClsid);
    ioWriter.Text(HKEY_CLASSES_ROOT, ProgId(inClass) + "\\CurVer", "", VersionedProgId(inClass));
    ioWriter.Text(HKEY_CLASSES_ROOT, theClassKey, "", theName);
    ioWriter.Text(HKEY_CLASSES_ROOT, theClassKey + "\\ProgID", "", VersionedProgId(inClass));
    ioWriter.Text(HKEY_CLASSES_ROOT, theClassKey + "\\VersionIndependentProgID", "", ProgId(inClass));
    ioWriter.Key(HKEY_CLASSES_ROOT, theClassKey + "\\Programmable");
    ioWriter.Text(HKEY_CLASSES_ROOT, theClassKey + "\\InprocServer32", "", inModule);
    ioWriter.Text(HKEY_CLASSES_ROOT, theClassKey + "\\InprocServer32", "ThreadingModel",
                  inClass.mThreading == VxThreading::Single ? "Single" : "Apartment");
    ioWriter.Text(HKEY_CLASSES_ROOT, theClassKey + "\\TypeLib", "", StringFromGUID(LIBID_Vellumax));
}

void UnregisterClass(RegistryWriter& ioWriter, const VxClassInfo& inClass)
{
    ioWriter.RemoveTree(HKEY_CLASSES_ROOT, ClassKey(inClass));
    ioWriter.RemoveTree(HKEY_CLASSES_ROOT, VersionedProgId(inClass) + "\\CLSID");
    ioWriter.RemoveIfEmpty(HKEY_CLASSES_ROOT, VersionedProgId(inClass));
    ioWriter.RemoveTree(HKEY_CLASSES_ROOT, ProgId(inClass) + "\\CLSID");
    ioWriter.RemoveTree(HKEY_CLASSES_ROOT, ProgId(inClass) + "\\CurVer");
    ioWriter.RemoveIfEmpty(HKEY_CLASSES_ROOT, ProgId(inClass));
}

void RegisterTypeLibrary(RegistryWriter& ioWriter, const std::string& inModule)
{
    const std::string theLibid = StringFromGUID(LIBID_Vellumax);
    const std::string theVersionKey = TypeLibKey() + "\\" + kTypeLibVersion;
    ioWriter.Text(HKEY_CLASSES_ROOT, theVersionKey, "", kVellumaxLibHelp);
    ioWriter.Text(HKEY_CLASSES_ROOT, theVersionKey + "\\0\\" + kTypeLibPlatform, "", inModule);
    ioWriter.Text(HKEY_CLASSES_ROOT, theVersionKey + "\\FLAGS", "", "0");
    ioWriter.Text(HKEY_CLASSES_ROOT, theVersionKey + "\\HELPDIR", "", FolderOf(inModule));
    for (const VxClassInfo& theClass : kVellumaxClasses) {
        const std::string theKey = "Interface\\" + StringFromGUID(*theClass.mIid);
        ioWriter.Text(HKEY_CLASSES_ROOT, theKey, "", theClass.mInterface);
        ioWriter.Text(HKEY_CLASSES_ROOT, theKey + "\\ProxyStubClsid", "", kAutomationMarshaler);
        ioWriter.Text(HKEY_CLASSES_ROOT, theKey + "\\ProxyStubClsid32", "", kAutomationMarshaler);
        ioWriter.Text(HKEY_CLASSES_ROOT, theKey + "\\TypeLib", "", theLibid);
        ioWriter.Text(HKEY_CLASSES_ROOT, theKey + "\\TypeLib", "Version", kTypeLibVersion);
    }
}

void UnregisterTypeLibrary(RegistryWriter& ioWriter)
{
    for (const VxClassInfo& theClass : kVellumaxClasses)
        ioWriter.RemoveTree(HKEY_CLASSES_ROOT, "Interface\\" + StringFromGUID(*theClass.mIid));
    ioWriter.RemoveTree(HKEY_CLASSES_ROOT, TypeLibKey() + "\\" + kTypeLibVersion);
    ioWriter.RemoveIfEmpty(HKEY_CLASSES_ROOT, TypeLibKey());
}

void RegisterEventSource(RegistryWriter& ioWriter, const std::string& inModule)
{
    const std::string theKey = EventSourceKey();
    ioWriter.Number(HKEY_LOCAL_MACHINE, theKey, "CategoryCount", kCategoryCount);
    ioWriter.Text(HKEY_LOCAL_MACHINE, theKey, "CategoryMessageFile", inModule);
    ioWriter.Text(HKEY_LOCAL_MACHINE, theKey, "EventMessageFile", inModule);
    ioWriter.Number(HKEY_LOCAL_MACHINE, theKey, "TypesSupported", kTypesSupported);
}

// Runs one step of (un)registration as one transaction, so that a failing step leaves the
// registry as it found it.
template <class Step>
HRESULT RunStep(Step inStep)
{
    RegistryTransaction theTransaction;
    if (theTransaction.Status() != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(static_cast<std::uint32_t>(theTransaction.Status()));
    RegistryWriter theWriter;
    inStep(theWriter);
    LONG theError = theWriter.Error();
    if (theError == ERROR_SUCCESS)
        theError = theTransaction.Commit();
    return HRESULT_FROM_WIN32(static_cast<std::uint32_t>(theError));
}

}  // namespace

std::string ServerModulePath()
{
    Dl_info theInfo{};
    if (dladdr(reinterpret_cast<const void*>(&ServerModulePath), &theInfo) == 0 || theInfo.dli_fname == nullptr)
        return {};
    char theFull[PATH_MAX];
    return realpath(theInfo.dli_fname, theFull) != nullptr ? std::string(theFull) : std::string(theInfo.dli_fname);
}

extern "C" HRESULT DllGetClassObject(REFCLSID inClsid, REFIID inIid, void** outObject)
{
    if (outObject == nullptr)
        return E_POINTER;
    *outObject = nullptr;
    for (const VxClassInfo& theClass : kVellumaxClasses) {
        if (*theClass.mClsid != inClsid)
            continue;
        const GetFactoryProc theFactory = FactoryOf(theClass);
        return theFactory != nullptr ? theFactory(inIid, outObject) : CLASS_E_CLASSNOTAVAILABLE;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT DllCanUnloadNow()
{
    return vx::ModuleCounts::CanUnloadNow();
}

extern "C" HRESULT DllRegisterServer()
{
    const std::string theModule = ServerModulePath();
    if (theModule.empty())
        return E_UNEXPECTED;
    const HRESULT theClasses = RunStep([&](RegistryWriter& ioWriter) {
        for (const VxClassInfo& theClass : kVellumaxClasses)
            RegisterClass(ioWriter, theClass, theModule);
        RegisterTypeLibrary(ioWriter, theModule);
    });
    if (FAILED(theClasses))
        return theClasses;
    return RunStep([&](RegistryWriter& ioWriter) { RegisterEventSource(ioWriter, theModule); });
}

extern "C" HRESULT DllUnregisterServer()
{
    const HRESULT theSource =
        RunStep([](RegistryWriter& ioWriter) { ioWriter.RemoveTree(HKEY_LOCAL_MACHINE, EventSourceKey()); });
    if (FAILED(theSource))
        return theSource;
    return RunStep([](RegistryWriter& ioWriter) {
        for (const VxClassInfo& theClass : kVellumaxClasses)
            UnregisterClass(ioWriter, theClass);
        UnregisterTypeLibrary(ioWriter);
    });
}
