#include "automation/Faults.h"

#include <dlfcn.h>
#include <signal.h>
#include <ucontext.h>

#include <cerrno>
#include <mutex>

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

struct sigaction gPrevious[kSignalCount];
std::once_flag gInstallOnce;

// Static TLS: the handler may run on a thread that never touched these, and must not allocate.
__attribute__((tls_model("initial-exec"))) thread_local int tFrameDepth = 0;
__attribute__((tls_model("initial-exec"))) thread_local FaultTranslator tTranslator = nullptr;

int SlotOf(int inSignal)
{
    for (int theSlot = 0; theSlot < kSignalCount; ++theSlot)
        if (kSignals[theSlot] == inSignal)
            return theSlot;
    return -1;
}

DWORD CodeOf(int inSignal, int inCode)
{
    switch (inSignal) {
    case SIGSEGV:
        return EXCEPTION_ACCESS_VIOLATION;
    case SIGBUS:
        return inCode == BUS_ADRALN ? EXCEPTION_DATATYPE_MISALIGNMENT : EXCEPTION_IN_PAGE_ERROR;
    case SIGFPE:
        switch (inCode) {
        case FPE_INTOVF:
            return EXCEPTION_INT_OVERFLOW;
        case FPE_FLTDIV:
            return EXCEPTION_FLT_DIVIDE_BY_ZERO;
        case FPE_FLTOVF:
            return EXCEPTION_FLT_OVERFLOW;
        case FPE_FLTUND:
            return EXCEPTION_FLT_UNDERFLOW;
        case FPE_FLTRES:
            return EXCEPTION_FLT_INEXACT_RESULT;
        case FPE_FLTINV:
            return EXCEPTION_FLT_INVALID_OPERATION;
        case FPE_FLTSUB:
            return EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
        default:
            return EXCEPTION_INT_DIVIDE_BY_ZERO;
        }
    default:
        return inCode == ILL_PRVOPC || inCode == ILL_PRVREG ? EXCEPTION_PRIV_INSTRUCTION
                                                            : EXCEPTION_ILLEGAL_INSTRUCTION;
    }
}

std::uintptr_t CodeAddressOf([[maybe_unused]] const siginfo_t* inInfo, const void* inContext)
{
    const auto* theContext = static_cast<const ucontext_t*>(inContext);
#if defined(__x86_64__)
    return static_cast<std::uintptr_t>(theContext->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return static_cast<std::uintptr_t>(theContext->uc_mcontext.pc);
#else
    (void)theContext;
    return inInfo->si_signo == SIGSEGV || inInfo->si_signo == SIGBUS
               ? 0
               : reinterpret_cast<std::uintptr_t>(inInfo->si_addr);
#endif
}

FaultAccess AccessOf(const void* inContext)
{
    const auto* theContext = static_cast<const ucontext_t*>(inContext);
#if defined(__x86_64__)
    // The page-fault error code: bit 1 set for a write.
    return (theContext->uc_mcontext.gregs[REG_ERR] & 2) != 0 ? FaultAccess::kWrite : FaultAccess::kRead;
#elif defined(__aarch64__)
    // The exception syndrome record, when the kernel supplies it: WnR is bit 6.
    const unsigned char* thePlace = theContext->uc_mcontext.__reserved;
    const unsigned char* const theEnd = thePlace + sizeof(theContext->uc_mcontext.__reserved);
    while (thePlace + sizeof(_aarch64_ctx) <= theEnd) {
        const auto* theHeader = reinterpret_cast<const _aarch64_ctx*>(thePlace);
        if (theHeader->magic == 0 || theHeader->size == 0)
            break;
        if (theHeader->magic == ESR_MAGIC)
            return (reinterpret_cast<const esr_context*>(theHeader)->esr & (1u << 6)) != 0 ? FaultAccess::kWrite
                                                                                           : FaultAccess::kRead;
        thePlace += theHeader->size;
    }
    return FaultAccess::kRead;
#else
    (void)theContext;
    return FaultAccess::kRead;
#endif
}

FaultRecord RecordOf(int inSignal, const siginfo_t* inInfo, const void* inContext)
{
    FaultRecord theRecord{};
    theRecord.mSignal = inSignal;
    theRecord.mCode = CodeOf(inSignal, inInfo->si_code);
    theRecord.mCodeAddress = CodeAddressOf(inInfo, inContext);
    theRecord.mAccess = FaultAccess::kRead;
    if (inSignal == SIGSEGV || inSignal == SIGBUS) {
        theRecord.mDataAddress = reinterpret_cast<std::uintptr_t>(inInfo->si_addr);
        theRecord.mAccess = AccessOf(inContext);
    }
    return theRecord;
}

// Does what would have happened without us.
void PassOn(int inSignal, siginfo_t* inInfo, void* inContext)
{
    const int theSlot = SlotOf(inSignal);
    const struct sigaction& thePrevious = gPrevious[theSlot];
    const bool theFromProcessor = inInfo != nullptr && inInfo->si_code > 0;
    if ((thePrevious.sa_flags & SA_SIGINFO) != 0) {
        if (thePrevious.sa_sigaction != nullptr) {
            thePrevious.sa_sigaction(inSignal, inInfo, inContext);
            return;
        }
    } else if (thePrevious.sa_handler == SIG_IGN) {
        // A processor fault can't be ignored: returning would fault again for ever.
        if (!theFromProcessor)
            return;
    } else if (thePrevious.sa_handler != SIG_DFL) {
        thePrevious.sa_handler(inSignal);
        return;
    }
    struct sigaction theDefault {};
    theDefault.sa_handler = SIG_DFL;
    sigemptyset(&theDefault.sa_mask);
    sigaction(inSignal, &theDefault, nullptr);
    // A fault recurs when the instruction runs again; a sent signal has to be sent again.
    if (!theFromProcessor)
        raise(inSignal);
}

void OnFault(int inSignal, siginfo_t* inInfo, void* inContext)
{
    const int theErrno = errno;
    if (inInfo != nullptr && inInfo->si_code > 0 && tFrameDepth > 0 && tTranslator != nullptr) {
        const FaultRecord theRecord = RecordOf(inSignal, inInfo, inContext);
        errno = theErrno;
        tTranslator(theRecord);  // throws through the signal frame
    }
    PassOn(inSignal, inInfo, inContext);
    errno = theErrno;
}

}  // namespace

void InstallFaultHandler()
{
    std::call_once(gInstallOnce, [] {
        for (int theSlot = 0; theSlot < kSignalCount; ++theSlot) {
            struct sigaction theAction {};
            theAction.sa_sigaction = OnFault;
            // No alternate stack: the translator throws, which needs the faulting thread's stack.
            // No deferral: the handler is left by an exception, never by sigreturn, so the
            // signal must not stay blocked.
            theAction.sa_flags = SA_SIGINFO | SA_NODEFER;
            sigemptyset(&theAction.sa_mask);
            sigaction(kSignals[theSlot], &theAction, &gPrevious[theSlot]);
        }
    });
}

FaultTranslator SetFaultTranslator(FaultTranslator inTranslator)
{
    InstallFaultHandler();
    const FaultTranslator thePrevious = tTranslator;
    tTranslator = inTranslator;
    return thePrevious;
}

FaultFrame::FaultFrame()
{
    ++tFrameDepth;
}

FaultFrame::~FaultFrame()
{
    --tFrameDepth;
}

bool FaultFrame::IsActive()
{
    return tFrameDepth > 0;
}

std::uintptr_t ModuleBase(const void* inAddress)
{
    Dl_info theInfo{};
    if (dladdr(inAddress, &theInfo) == 0)
        return 0;
    return reinterpret_cast<std::uintptr_t>(theInfo.dli_fbase);
}
