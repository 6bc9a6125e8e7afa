// regsvr [-u] MODULE
//
// Loads an in-process server module and runs its DllRegisterServer (or, with -u,
// DllUnregisterServer) against the registry of the current environment (VX_REGISTRY, ...).
// Prints the result code and its text. Exit status: 0 success, 1 usage, 2 the module can't be
// loaded, 3 it lacks the entry point, 4 the entry point failed.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "automation/Activation.h"
#include "automation/Errors.h"

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitLoad = 2;
constexpr int kExitEntryPoint = 3;
constexpr int kExitFailed = 4;

// Without its trailing line break.
std::string TextOf(HRESULT inResult)
{
    std::string theText = SystemMessageText(static_cast<std::uint32_t>(inResult));
    while (!theText.empty() && (theText.back() == '\n' || theText.back() == '\r'))
        theText.pop_back();
    return theText;
}

}  // namespace

int main(int inArgc, char** inArgv)
{
    bool theUnregister = false;
    const char* theModule = nullptr;
    if (inArgc == 2 && inArgv[1][0] != '-') {
        theModule = inArgv[1];
    } else if (inArgc == 3 && std::strcmp(inArgv[1], "-u") == 0) {
        theUnregister = true;
        theModule = inArgv[2];
    } else {
        std::fprintf(stderr, "usage: regsvr [-u] MODULE\n");
        return kExitUsage;
    }

    // The module records the path it was loaded from: make it absolute, so that the
    // registration holds wherever the class is created later.
    char theFullPath[PATH_MAX];
    if (realpath(theModule, theFullPath) == nullptr) {
        std::fprintf(stderr, "regsvr: %s: cannot be found\n", theModule);
        return kExitLoad;
    }
    void* const theHandle = dlopen(theFullPath, RTLD_NOW | RTLD_LOCAL);
    if (theHandle == nullptr) {
        std::fprintf(stderr, "regsvr: %s: cannot be loaded: %s\n", theFullPath, dlerror());
        return kExitLoad;
    }
    const char* const theEntryName = theUnregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto theEntry = reinterpret_cast<LPFNREGISTERSERVER>(dlsym(theHandle, theEntryName));
    if (theEntry == nullptr) {
        std::fprintf(stderr, "regsvr: %s: has no %s\n", theFullPath, theEntryName);
        dlclose(theHandle);
        return kExitEntryPoint;
    }
    const HRESULT theResult = theEntry();
    std::printf("%s in %s: 0x%08X %s\n", theEntryName, theFullPath, static_cast<unsigned>(theResult),
                TextOf(theResult).c_str());
    dlclose(theHandle);
    return SUCCEEDED(theResult) ? 0 : kExitFailed;
}
