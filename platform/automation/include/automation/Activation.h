// Class activation: ProgIDs and CLSIDs in the registry, in-process server modules loaded with
// dlopen and asked for their class factories.
//
// Registry layout (HKEY_CLASSES_ROOT):
//   <ProgID>\CLSID                    default value: the CLSID text {XXXXXXXX-...}
//   <ProgID>\CurVer                   default value: the versioned ProgID to use instead
//   CLSID\{...}\InprocServer32        default value: the module's path
//   CLSID\{...}\ProgID                default value: the class's ProgID
// A module is loaded once (RTLD_NOW | RTLD_LOCAL) and stays loaded until CoFreeUnusedLibraries
// finds its DllCanUnloadNow answering S_OK. Threading models are recorded by servers, not enforced.
#pragma once

#include <string>

#include "automation/Types.h"

struct IUnknown;

// The entry points an in-process server module exports (extern "C", these names).
using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID inClsid, REFIID inIid, void** outObject);  // "DllGetClassObject"
using LPFNCANUNLOADNOW = HRESULT (*)();      // "DllCanUnloadNow": S_OK when nothing of it is alive
using LPFNREGISTERSERVER = HRESULT (*)();    // "DllRegisterServer"
using LPFNUNREGISTERSERVER = HRESULT (*)();  // "DllUnregisterServer"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_MULTITHREADED = 0x0;

// Nothing to set up on this platform; kept so that callers read as usual. S_OK.
HRESULT CoInitialize(void* inReserved);
HRESULT CoInitializeEx(void* inReserved, DWORD inFlags);
void CoUninitialize();

// Memory handed between components (ProgIDFromCLSID's text): malloc/free underneath.
void* CoTaskMemAlloc(std::size_t inSize);
void CoTaskMemFree(void* inMemory);

// The CLSID of a ProgID. A ProgID with a CurVer subkey resolves through the ProgID CurVer names
// (one level); otherwise (or when that one has no CLSID) its own CLSID subkey counts.
// CO_E_CLASSSTRING when the ProgID is not registered or its CLSID text is malformed;
// REGDB_E_READREGDB when the registry can't be read; E_INVALIDARG for null arguments.
HRESULT CLSIDFromProgID(LPCOLESTR inProgId, CLSID* outClsid);
// The ProgID registered for a class; *outProgId is freed with CoTaskMemFree.
// REGDB_E_CLASSNOTREG when none is registered.
HRESULT ProgIDFromCLSID(REFCLSID inClsid, LPOLESTR* outProgId);

// The class factory (or inIid of it) of a registered in-process class.
// REGDB_E_CLASSNOTREG: no InprocServer32 path registered, or no in-process context asked for;
// CO_E_DLLNOTFOUND: the module file is missing; CO_E_ERRORINDLL: it exists but can't be loaded or
// has no DllGetClassObject; otherwise what the module's DllGetClassObject answers
// (CLASS_E_CLASSNOTAVAILABLE when it doesn't serve the class).
HRESULT CoGetClassObject(REFCLSID inClsid, DWORD inContext, void* inServerInfo, REFIID inIid, void** outObject);
// CoGetClassObject for IClassFactory, then CreateInstance.
HRESULT CoCreateInstance(REFCLSID inClsid, IUnknown* inOuter, DWORD inContext, REFIID inIid, void** outObject);

// Unloads every module loaded here whose DllCanUnloadNow answers S_OK.
void CoFreeUnusedLibraries();
// The number of modules loaded by activation right now.
std::size_t CoLoadedModuleCount();

// A module's registration entry point ("DllRegisterServer" or "DllUnregisterServer") run once:
// the module is loaded by its absolute path (servers record the path they were loaded from),
// the entry point called and the module unloaded again. What regsvr and the hosts share.
struct RegistrationRun {
    enum class Outcome { kRan, kNotFound, kNotLoaded, kNoEntryPoint };
    Outcome mOutcome = Outcome::kNotFound;
    std::string mPath;         // absolute once the module was found, as given before
    std::string mReason;       // the loader's text when the module could not be loaded
    HRESULT mResult = E_FAIL;  // the entry point's answer when it ran
};
RegistrationRun RunRegistrationEntry(const char* inModule, const char* inEntryName);
