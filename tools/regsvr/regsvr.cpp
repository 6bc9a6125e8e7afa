// regsvr [-u [--prune]] MODULE
//
// Loads an in-process server module and runs its DllRegisterServer (or, with -u,
// DllUnregisterServer) against the registry of the current environment (VX_REGISTRY, ...).
// Prints the result code and its text. With --prune, a registry file left holding no value is
// removed after the unregistration. Exit status: 0 success, 1 usage, 2 the module can't be
// loaded, 3 it lacks the entry point, 4 the entry point failed, 5 the registry couldn't be pruned.
#include <cstdio>
#include <cstring>
#include <string>

#include "RegistryPrune.h"
#include "automation/Activation.h"
#include "automation/Errors.h"
#include "automation/Registry.h"

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitLoad = 2;
constexpr int kExitEntryPoint = 3;
constexpr int kExitFailed = 4;
constexpr int kExitPrune = 5;

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
    bool thePrune = false;
    const char* theModule = nullptr;
    if (inArgc == 2 && inArgv[1][0] != '-') {
        theModule = inArgv[1];
    } else if (inArgc == 3 && std::strcmp(inArgv[1], "-u") == 0) {
        theUnregister = true;
        theModule = inArgv[2];
    } else if (inArgc == 4 && std::strcmp(inArgv[1], "-u") == 0 && std::strcmp(inArgv[2], "--prune") == 0) {
        theUnregister = thePrune = true;
        theModule = inArgv[3];
    } else {
        std::fprintf(stderr, "usage: regsvr [-u [--prune]] MODULE\n");
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
    if (FAILED(theRun.mResult))
        return kExitFailed;
    if (thePrune && PruneEmptyRegistry() == PruneOutcome::kFailed) {
        std::fprintf(stderr, "regsvr: %s: cannot be read or removed\n", RegistryDatabasePath());
        return kExitPrune;
    }
    return 0;
}
