// Processor faults (SIGSEGV, SIGBUS, SIGFPE, SIGILL) raised inside a method frame arrive at the
// thread's fault translator, which throws them as a C++ exception.
//
// One process-wide signal handler is installed the first time a translator is set (or by
// InstallFaultHandler). It runs on the thread's normal stack, because the translator throws
// through the signal frame; code that may fault must therefore be built with
// -fnon-call-exceptions (vx-automation passes that flag on to everything that links it).
// A fault is ours only when the thread is inside a FaultFrame, has a translator, and the signal
// came from the processor (not from kill or raise); every other signal goes to the handler that
// was installed before ours, or to the default action, so nothing that isn't ours is swallowed.
// A fault on a stack that has run out can't be translated (there is no room to run the handler).
#pragma once

#include <cstdint>

#include "automation/Types.h"

// Exception codes in the system's numbering.
constexpr DWORD EXCEPTION_DATATYPE_MISALIGNMENT = 0x80000002;
constexpr DWORD EXCEPTION_ACCESS_VIOLATION = 0xC0000005;
constexpr DWORD EXCEPTION_IN_PAGE_ERROR = 0xC0000006;
constexpr DWORD EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001D;
constexpr DWORD EXCEPTION_ARRAY_BOUNDS_EXCEEDED = 0xC000008C;
constexpr DWORD EXCEPTION_FLT_DENORMAL_OPERAND = 0xC000008D;
constexpr DWORD EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008E;
constexpr DWORD EXCEPTION_FLT_INEXACT_RESULT = 0xC000008F;
constexpr DWORD EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090;
constexpr DWORD EXCEPTION_FLT_OVERFLOW = 0xC0000091;
constexpr DWORD EXCEPTION_FLT_UNDERFLOW = 0xC0000093;
constexpr DWORD EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094;
constexpr DWORD EXCEPTION_INT_OVERFLOW = 0xC0000095;
constexpr DWORD EXCEPTION_PRIV_INSTRUCTION = 0xC0000096;

enum class FaultAccess : DWORD { kRead = 0, kWrite = 1 };

// What the system knows about one fault.
struct FaultRecord {
    DWORD mCode;                  // EXCEPTION_...
    std::uintptr_t mCodeAddress;  // the faulting instruction
    FaultAccess mAccess;          // access violations and in-page errors; kRead otherwise
    std::uintptr_t mDataAddress;  // the address accessed (SIGSEGV and SIGBUS); 0 otherwise
    int mSignal;                  // SIGSEGV, SIGBUS, SIGFPE or SIGILL
};

// Expected to throw. A translator that returns leaves the fault to the previous handler.
using FaultTranslator = void (*)(const FaultRecord& inFault);

// Sets the calling thread's translator (null removes it) and returns the one it replaces.
// Installs the process-wide handler when it isn't yet.
FaultTranslator SetFaultTranslator(FaultTranslator inTranslator);

// Installs the process-wide handler now (idempotent, thread-safe). Handlers installed later by
// others take precedence for as long as they don't hand faults on.
void InstallFaultHandler();

// Marks the calling thread as inside a method frame for the guard's lifetime. Nestable.
class FaultFrame {
public:
    FaultFrame();
    ~FaultFrame();
    FaultFrame(const FaultFrame&) = delete;
    FaultFrame& operator=(const FaultFrame&) = delete;

    // Whether the calling thread is inside at least one frame.
    static bool IsActive();
};

// Load address of the module that holds inAddress (an address of code or data in it); 0 when no
// loaded module holds it.
std::uintptr_t ModuleBase(const void* inAddress);
