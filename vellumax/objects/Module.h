// The server module: its four exported entry points and what the registration
// writes.
//
// Registration (DllRegisterServer) writes, in one transaction per step:
//  1. for every class of kVellumaxClasses, under HKEY_CLASSES_ROOT:
//       Vellumax.<Name>.1 = "<Name> Class", \CLSID = {clsid}
//       Vellumax.<Name>   = "<Name> Class", \CLSID = {clsid}, \CurVer = Vellumax.<Name>.1
//       CLSID\{clsid}     = "<Name> Class", \ProgID, \VersionIndependentProgID, \Programmable,
//                           \InprocServer32 = module path (ThreadingModel = Single|Apartment),
//                           \TypeLib = {libid}
//     and the type library:
//       TypeLib\{libid}\1.0 = help string, \0\linux64 = module path, \FLAGS = "0",
//                             \HELPDIR = the module's folder
//       Interface\{iid} = interface name, \ProxyStubClsid and \ProxyStubClsid32 = the
//                         automation marshaler, \TypeLib = {libid} (Version = "1.0")
//     The platform key of the type library is "linux64" where a Windows build would say
//     "win32": it names the kind of module the path points at.
//  2. the event-log source, under HKEY_LOCAL_MACHINE:
//       SYSTEM\CurrentControlSet\Services\EventLog\Application\Tallowmarch with
//       CategoryCount = 1, TypesSupported = 7 (REG_DWORD), CategoryMessageFile and
//       EventMessageFile = module path.
// Unregistration removes the same keys in the other order (event source first) and never
// the CLSID root, the TypeLib or Interface roots, or the Application log key.
#pragma once

#include <string>

#include <automation/Types.h>

extern "C" {
HRESULT DllGetClassObject(REFCLSID inClsid, REFIID inIid, void** outObject);
HRESULT DllCanUnloadNow();
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();
}

// The full path of the server's own file; empty when it can't be found.
std::string ServerModulePath();
