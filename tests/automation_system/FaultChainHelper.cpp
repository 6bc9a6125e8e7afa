// Child program for the fault tests: installs a handler of its own, then ours, then faults in the
// way its argument names. The exit status tells the test who got the fault.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "automation/Faults.h"

namespace {

constexpr int kPreviousInfoExit = 42;
constexpr int kPreviousPlainExit = 43;
constexpr int kTranslatedExit = 44;
constexpr int kSurvivedExit = 45;

struct Translated {};

void ThrowingTranslator(const FaultRecord&)
{
    throw Translated{};
}

void PreviousInfo(int, siginfo_t*, void*)
{
    _exit(kPreviousInfoExit);
}
void PreviousPlain(int)
{
    _exit(kPreviousPlainExit);
}

__attribute__((noinline, no_sanitize("address", "undefined"))) int ReadNull()
{
    return *static_cast<volatile int*>(nullptr);
}

void Install(const char* inPrevious)
{
    struct sigaction theAction {};
    sigemptyset(&theAction.sa_mask);
    if (std::strcmp(inPrevious, "info") == 0) {
        theAction.sa_sigaction = PreviousInfo;
        theAction.sa_flags = SA_SIGINFO;
    } else if (std::strcmp(inPrevious, "plain") == 0) {
        theAction.sa_handler = PreviousPlain;
    } else if (std::strcmp(inPrevious, "ignore") == 0) {
        theAction.sa_handler = SIG_IGN;
    } else {
        theAction.sa_handler = SIG_DFL;
    }
    sigaction(SIGSEGV, &theAction, nullptr);
    InstallFaultHandler();
}

}  // namespace

// argv[1]: the handler installed before ours (info, plain, ignore, default).
// argv[2]: outside (translator, no frame), no-translator (frame, no translator),
//          other-thread (translator and frame on the main thread, fault on another),
//          raised (frame and translator, but the signal is sent, not a fault),
//          inside (frame and translator: translated).
int main(int inArgc, char** inArgv)
{
    if (inArgc != 3)
        return 2;
    const struct rlimit theNoCore {
        0, 0
    };
    setrlimit(RLIMIT_CORE, &theNoCore);  // the default action is expected; leave no core files
    Install(inArgv[1]);
    const char* theMode = inArgv[2];
    try {
        if (std::strcmp(theMode, "outside") == 0) {
            SetFaultTranslator(ThrowingTranslator);
            ReadNull();
        } else if (std::strcmp(theMode, "no-translator") == 0) {
            FaultFrame theFrame;
            ReadNull();
        } else if (std::strcmp(theMode, "other-thread") == 0) {
            SetFaultTranslator(ThrowingTranslator);
            FaultFrame theFrame;
            std::thread([] { ReadNull(); }).join();
        } else if (std::strcmp(theMode, "raised") == 0) {
            SetFaultTranslator(ThrowingTranslator);
            FaultFrame theFrame;
            raise(SIGSEGV);
        } else if (std::strcmp(theMode, "inside") == 0) {
            SetFaultTranslator(ThrowingTranslator);
            FaultFrame theFrame;
            ReadNull();
        }
    } catch (const Translated&) {
        return kTranslatedExit;
    }
    return kSurvivedExit;
}
