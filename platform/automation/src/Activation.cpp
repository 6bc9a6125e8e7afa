#include "automation/Activation.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

#include "RegistryStamp.h"
#include "automation/Guid.h"
#include "automation/Interfaces.h"
#include "automation/Registry.h"
#include "automation/Strings.h"

namespace {

struct LoadedModule {
    void* mHandle;
    LPFNGETCLASSOBJECT mGetClassObject;
    LPFNCANUNLOADNOW mCanUnloadNow;  // may be null: such a module stays loaded
};

// Recursive: a server may activate other classes while it hands out a class factory.
std::recursive_mutex& ModulesLock()
{
    static auto* theLock = new std::recursive_mutex;
    return *theLock;
}

// Keyed by the path as registered. Never destroyed: modules stay loaded until process exit.
std::map<std::string, LoadedModule>& Modules()
{
    static auto* theModules = new std::map<std::string, LoadedModule>;
    return *theModules;
}

// The default value of HKEY_CLASSES_ROOT\inSubKey as text.
LONG ReadDefaultText(const std::string& inSubKey, std::string* outText)
{
    HKEY theKey = nullptr;
    if (LONG theError = RegOpenKeyEx(HKEY_CLASSES_ROOT, inSubKey.c_str(), 0, KEY_READ, &theKey);
        theError != ERROR_SUCCESS)
        return theError;
    DWORD theType = 0;
    DWORD theSize = 0;
    LONG theError = RegQueryValueEx(theKey, "", nullptr, &theType, nullptr, &theSize);
    if (theError == ERROR_SUCCESS && theType != REG_SZ && theType != REG_EXPAND_SZ)
        theError = ERROR_FILE_NOT_FOUND;
    if (theError == ERROR_SUCCESS) {
        outText->assign(theSize, '\0');
        theError = RegQueryValueEx(theKey, "", nullptr, nullptr, reinterpret_cast<BYTE*>(outText->data()), &theSize);
        outText->resize(theError == ERROR_SUCCESS ? theSize : 0);
        while (!outText->empty() && outText->back() == '\0')
            outText->pop_back();
    }
    RegCloseKey(theKey);
    return theError;
}

// A ProgID names one key directly under the root.
bool IsPlainName(const std::string& inName)
{
    return !inName.empty() && inName.find('\\') == std::string::npos;
}

HRESULT ClsidFromKey(const std::string& inProgId, CLSID* outClsid)
{
    std::string theText;
    const LONG theError = ReadDefaultText(inProgId + "\\CLSID", &theText);
    if (theError == ERROR_FILE_NOT_FOUND)
        return CO_E_CLASSSTRING;
    if (theError != ERROR_SUCCESS)
        return REGDB_E_READREGDB;
    const std::optional<GUID> theClsid = GUIDFromString(theText);
    if (!theClsid)
        return CO_E_CLASSSTRING;
    *outClsid = *theClsid;
    return S_OK;
}

HRESULT ReadClsidOfProgId(const std::string& inProgId, CLSID* outClsid)
{
    std::string theCurrent;
    const LONG theError = ReadDefaultText(inProgId + "\\CurVer", &theCurrent);
    if (theError != ERROR_SUCCESS && theError != ERROR_FILE_NOT_FOUND)
        return REGDB_E_READREGDB;
    if (theError == ERROR_SUCCESS && IsPlainName(theCurrent)) {
        const HRESULT theResult = ClsidFromKey(theCurrent, outClsid);
        if (theResult != CO_E_CLASSSTRING)
            return theResult;
    }
    return ClsidFromKey(inProgId, outClsid);
}

// What activation read from the registry, kept until the registry changes: a page creates the same
// few classes over and over, and each lookup is several queries. Per thread, since each thread
// reads through its own connection, whose stamp only it can compare.
struct ActivationCache {
    struct ClassAnswer {
        HRESULT mResult;
        CLSID mClsid;
    };
    struct ModuleAnswer {
        LONG mError;
        std::string mPath;
    };
    // Names come from scripts: past this many, the entries are dropped rather than grown without end.
    static constexpr std::size_t kMaxEntries = 256;

    RegistryStamp mStamp;
    std::unordered_map<std::string, ClassAnswer> mClasses;   // by ProgID, ASCII letters in lower case
    std::unordered_map<std::string, ModuleAnswer> mModules;  // by CLSID text

    void Clear()
    {
        mClasses.clear();
        mModules.clear();
    }
};

thread_local ActivationCache tCache;

// The thread's cache, emptied when the registry changed since it was filled; null when the
// registry's state can't be read (then nothing is kept).
ActivationCache* CurrentCache()
{
    RegistryStamp theStamp;
    if (ReadRegistryStamp(&theStamp) != ERROR_SUCCESS) {
        tCache.Clear();
        return nullptr;
    }
    if (!(theStamp == tCache.mStamp)) {
        tCache.Clear();
        tCache.mStamp = theStamp;
    }
    return &tCache;
}

// Registry names compare without regard to ASCII letter case.
std::string FoldedName(std::string inName)
{
    for (char& theChar : inName) {
        if (theChar >= 'A' && theChar <= 'Z')
            theChar = static_cast<char>(theChar - 'A' + 'a');
    }
    return inName;
}

HRESULT CachedClsidOfProgId(const std::string& inProgId, CLSID* outClsid)
{
    ActivationCache* theCache = CurrentCache();
    if (theCache == nullptr)
        return ReadClsidOfProgId(inProgId, outClsid);
    std::string theKey = FoldedName(inProgId);
    if (auto theFound = theCache->mClasses.find(theKey); theFound != theCache->mClasses.end()) {
        if (SUCCEEDED(theFound->second.mResult))
            *outClsid = theFound->second.mClsid;
        return theFound->second.mResult;
    }
    CLSID theClsid = GUID_NULL;
    const HRESULT theResult = ReadClsidOfProgId(inProgId, &theClsid);
    if (theResult == REGDB_E_READREGDB)
        return theResult;  // may pass: read again next time
    if (theCache->mClasses.size() >= ActivationCache::kMaxEntries)
        theCache->mClasses.clear();
    theCache->mClasses.emplace(std::move(theKey), ActivationCache::ClassAnswer{theResult, theClsid});
    if (SUCCEEDED(theResult))
        *outClsid = theClsid;
    return theResult;
}

// The module path registered for a class: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, or why it can't be read.
LONG ModulePathOf(REFCLSID inClsid, std::string* outPath)
{
    const std::string theKey = "CLSID\\" + StringFromGUID(inClsid) + "\\InprocServer32";
    ActivationCache* theCache = CurrentCache();
    if (theCache == nullptr)
        return ReadDefaultText(theKey, outPath);
    if (auto theFound = theCache->mModules.find(theKey); theFound != theCache->mModules.end()) {
        *outPath = theFound->second.mPath;
        return theFound->second.mError;
    }
    const LONG theError = ReadDefaultText(theKey, outPath);
    if (theError != ERROR_SUCCESS && theError != ERROR_FILE_NOT_FOUND)
        return theError;
    if (theCache->mModules.size() >= ActivationCache::kMaxEntries)
        theCache->mModules.clear();
    theCache->mModules.emplace(theKey, ActivationCache::ModuleAnswer{theError, *outPath});
    return theError;
}

// Loads (or finds) the module and returns its entry.
HRESULT LoadModule(const std::string& inPath, LoadedModule** outModule)
{
    auto& theModules = Modules();
    if (auto theFound = theModules.find(inPath); theFound != theModules.end()) {
        *outModule = &theFound->second;
        return S_OK;
    }
    void* const theHandle = dlopen(inPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (theHandle == nullptr) {
        const bool theFileExists = inPath.find('/') != std::string::npos && access(inPath.c_str(), F_OK) == 0;
        return theFileExists ? CO_E_ERRORINDLL : CO_E_DLLNOTFOUND;
    }
    auto theGet = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(theHandle, "DllGetClassObject"));
    if (theGet == nullptr) {
        dlclose(theHandle);
        return CO_E_ERRORINDLL;
    }
    auto theCanUnload = reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(theHandle, "DllCanUnloadNow"));
    *outModule = &theModules.emplace(inPath, LoadedModule{theHandle, theGet, theCanUnload}).first->second;
    return S_OK;
}

}  // namespace

HRESULT CoInitialize(void*)
{
    return S_OK;
}

HRESULT CoInitializeEx(void*, DWORD)
{
    return S_OK;
}

void CoUninitialize() {}

void* CoTaskMemAlloc(std::size_t inSize)
{
    return std::malloc(inSize != 0 ? inSize : 1);
}

void CoTaskMemFree(void* inMemory)
{
    std::free(inMemory);
}

HRESULT CLSIDFromProgID(LPCOLESTR inProgId, CLSID* outClsid)
{
    if (inProgId == nullptr || outClsid == nullptr)
        return E_INVALIDARG;
    const std::string theProgId = UTF8FromUTF16(inProgId);
    if (!IsPlainName(theProgId))
        return CO_E_CLASSSTRING;
    return CachedClsidOfProgId(theProgId, outClsid);
}

HRESULT ProgIDFromCLSID(REFCLSID inClsid, LPOLESTR* outProgId)
{
    if (outProgId == nullptr)
        return E_INVALIDARG;
    *outProgId = nullptr;
    std::string theProgId;
    const LONG theError = ReadDefaultText("CLSID\\" + StringFromGUID(inClsid) + "\\ProgID", &theProgId);
    if (theError == ERROR_FILE_NOT_FOUND || (theError == ERROR_SUCCESS && theProgId.empty()))
        return REGDB_E_CLASSNOTREG;
    if (theError != ERROR_SUCCESS)
        return REGDB_E_READREGDB;
    const std::u16string theText = UTF16FromUTF8(theProgId);
    auto* theCopy = static_cast<LPOLESTR>(CoTaskMemAlloc((theText.size() + 1) * sizeof(OLECHAR)));
    if (theCopy == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(theCopy, theText.c_str(), (theText.size() + 1) * sizeof(OLECHAR));
    *outProgId = theCopy;
    return S_OK;
}

HRESULT CoGetClassObject(REFCLSID inClsid, DWORD inContext, void* /*inServerInfo*/, REFIID inIid, void** outObject)
{
    if (outObject == nullptr)
        return E_INVALIDARG;
    *outObject = nullptr;
    if ((inContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    std::string thePath;
    const LONG theError = ModulePathOf(inClsid, &thePath);
    if (theError == ERROR_FILE_NOT_FOUND || (theError == ERROR_SUCCESS && thePath.empty()))
        return REGDB_E_CLASSNOTREG;
    if (theError != ERROR_SUCCESS)
        return REGDB_E_READREGDB;

    // Held while the module answers, so that CoFreeUnusedLibraries can't unload it meanwhile.
    std::lock_guard<std::recursive_mutex> theLock(ModulesLock());
    LoadedModule* theModule = nullptr;
    if (HRESULT theResult = LoadModule(thePath, &theModule); FAILED(theResult))
        return theResult;
    return theModule->mGetClassObject(inClsid, inIid, outObject);
}

HRESULT CoCreateInstance(REFCLSID inClsid, IUnknown* inOuter, DWORD inContext, REFIID inIid, void** outObject)
{
    if (outObject == nullptr)
        return E_INVALIDARG;
    *outObject = nullptr;
    IClassFactory* theFactory = nullptr;
    HRESULT theResult =
        CoGetClassObject(inClsid, inContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&theFactory));
    if (FAILED(theResult))
        return theResult;
    theResult = theFactory->CreateInstance(inOuter, inIid, outObject);
    theFactory->Release();
    return theResult;
}

void CoFreeUnusedLibraries()
{
    std::lock_guard<std::recursive_mutex> theLock(ModulesLock());
    auto& theModules = Modules();
    for (auto theEntry = theModules.begin(); theEntry != theModules.end();) {
        const LoadedModule& theModule = theEntry->second;
        if (theModule.mCanUnloadNow != nullptr && theModule.mCanUnloadNow() == S_OK) {
            dlclose(theModule.mHandle);
            theEntry = theModules.erase(theEntry);
        } else {
            ++theEntry;
        }
    }
}

std::size_t CoLoadedModuleCount()
{
    std::lock_guard<std::recursive_mutex> theLock(ModulesLock());
    return Modules().size();
}

RegistrationRun RunRegistrationEntry(const char* inModule, const char* inEntryName)
{
    RegistrationRun theRun;
    theRun.mPath = inModule != nullptr ? inModule : "";
    char theFullPath[PATH_MAX];
    if (inModule == nullptr || realpath(inModule, theFullPath) == nullptr)
        return theRun;
    theRun.mPath = theFullPath;
    void* const theHandle = dlopen(theFullPath, RTLD_NOW | RTLD_LOCAL);
    if (theHandle == nullptr) {
        const char* theReason = dlerror();
        theRun.mOutcome = RegistrationRun::Outcome::kNotLoaded;
        theRun.mReason = theReason != nullptr ? theReason : "";
        return theRun;
    }
    const auto theEntry = reinterpret_cast<LPFNREGISTERSERVER>(dlsym(theHandle, inEntryName));
    if (theEntry == nullptr) {
        theRun.mOutcome = RegistrationRun::Outcome::kNoEntryPoint;
    } else {
        theRun.mOutcome = RegistrationRun::Outcome::kRan;
        theRun.mResult = theEntry();
    }
    dlclose(theHandle);
    return theRun;
}
