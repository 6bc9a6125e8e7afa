// regsvr [-u] MODULE
//
// Loads an in-process server module and runs its DllRegisterServer (or, with -u,
// DllUnregisterServer) against the registry of the current environment (VX_REGISTRY, ...).
// Prints the result code and its text. Exit status: 0 success, 1 usage, 2 the module can't be
// loaded, 3 it lacks the entry point, 4 the entry point failed.
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

    const char* const theEntryName = theUnregister ? "DllUnregisterServer" : "DllRegisterServer";
    const RegistrationRun theRun = RunRegistrationEntry(theModule, theEntryName);
    const char* const thePath = theRun.mPath.c_str();
    switch (theRun.mOutcome) {
    case RegistrationRun::Outcome::kNotFound:
        std::fprintf(stderr, "regsvr: %s: cannot be found\n", theModule);
        return kExitLoad;
    case RegistrationRun::Outcome::kNotLoaded:
        std::fprintf(stderr, "regsvr: %s: cannot be loaded: %s\n", thePath, theRun.mReason.c_str());
        return kExitLoad;
    case RegistrationRun::Outcome::kNoEntryPoint:
        std::fprintf(stderr, "regsvr: %s: has no %s\n", thePath, theEntryName);
        return kExitEntryPoint;
    case RegistrationRun::Outcome::kRan:
        break;
    }
    std::printf("%s in %s: 0x%08X %s\n", theEntryName, thePath, static_cast<unsigned>(theRun.mResult),
                TextOf(theRun.mResult).c_str());
    return SUCCEEDED(theRun.mResult) ? 0 : kExitFailed;
}
