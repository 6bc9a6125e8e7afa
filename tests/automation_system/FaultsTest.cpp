#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "TestSupport.h"
#include "automation/Faults.h"

namespace {

struct TranslatedFault {
    FaultRecord mRecord;
};

void ThrowingTranslator(const FaultRecord& inFault)
{
    throw TranslatedFault{inFault};
}

// The faulting functions are kept out of the sanitizers' reach: they must fault, not report.
__attribute__((noinline, no_sanitize("address", "undefined"))) int ReadAt(std::uintptr_t inAddress)
{
    return *reinterpret_cast<volatile int*>(inAddress);
}

__attribute__((noinline, no_sanitize("address", "undefined"))) int WriteAt(std::uintptr_t inAddress)
{
    *reinterpret_cast<volatile int*>(inAddress) = 7;
    return 0;
}

volatile int gZero = 0;

__attribute__((noinline, no_sanitize("address", "undefined"))) int DivideByZero(std::uintptr_t inDividend)
{
    return static_cast<int>(inDividend) / gZero;
}

__attribute__((noinline)) int IllegalInstruction(std::uintptr_t)
{
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("ud2");
#else
    __builtin_trap();
#endif
    return 0;
}

// Runs inFault inside a frame and returns what the translator threw.
bool CatchFault(int (*inFault)(std::uintptr_t), std::uintptr_t inArgument, FaultRecord* outRecord)
{
    try {
        FaultFrame theFrame;
        inFault(inArgument);
    } catch (const TranslatedFault& theFault) {
        *outRecord = theFault.mRecord;
        return true;
    }
    return false;
}

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override { mPrevious = SetFaultTranslator(ThrowingTranslator); }
    void TearDown() override { SetFaultTranslator(mPrevious); }

private:
    FaultTranslator mPrevious = nullptr;
};

TEST_F(FaultTest, FaultsInsideAFrameArriveAsTheTranslatorsException)
{
    void* const theReadOnly = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(theReadOnly, MAP_FAILED);
    const auto theReadOnlyAddress = reinterpret_cast<std::uintptr_t>(theReadOnly);
    // Two pages of a one-page file: the second has nothing behind it (SIGBUS).
    FILE* const theFile = std::tmpfile();
    ASSERT_NE(theFile, nullptr);
    ASSERT_EQ(ftruncate(fileno(theFile), 4096), 0);
    void* const theMapped = mmap(nullptr, 8192, PROT_READ, MAP_SHARED, fileno(theFile), 0);
    ASSERT_NE(theMapped, MAP_FAILED);
    const auto thePastTheFile = reinterpret_cast<std::uintptr_t>(theMapped) + 4096;

    struct Case {
        const char* mName;
        int (*mFault)(std::uintptr_t);
        std::uintptr_t mArgument;
        DWORD mCode;
        FaultAccess mAccess;
        std::uintptr_t mDataAddress;
        int mSignal;
    };
    const Case theCases[] = {
        {"read through null", ReadAt, 0, EXCEPTION_ACCESS_VIOLATION, FaultAccess::kRead, 0, SIGSEGV},
        {"read of a low address", ReadAt, 0x40, EXCEPTION_ACCESS_VIOLATION, FaultAccess::kRead, 0x40, SIGSEGV},
        {"write through null", WriteAt, 0, EXCEPTION_ACCESS_VIOLATION, FaultAccess::kWrite, 0, SIGSEGV},
        {"write to a read-only page", WriteAt, theReadOnlyAddress + 8, EXCEPTION_ACCESS_VIOLATION, FaultAccess::kWrite,
         theReadOnlyAddress + 8, SIGSEGV},
        {"read past the end of a mapped file", ReadAt, thePastTheFile, EXCEPTION_IN_PAGE_ERROR, FaultAccess::kRead,
         thePastTheFile, SIGBUS},
        {"integer division by zero", DivideByZero, 12, EXCEPTION_INT_DIVIDE_BY_ZERO, FaultAccess::kRead, 0, SIGFPE},
        {"illegal instruction", IllegalInstruction, 0, EXCEPTION_ILLEGAL_INSTRUCTION, FaultAccess::kRead, 0, SIGILL},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mName);
        FaultRecord theRecord{};
        ASSERT_TRUE(CatchFault(theCase.mFault, theCase.mArgument, &theRecord));
        EXPECT_EQ(theRecord.mCode, theCase.mCode);
        EXPECT_EQ(theRecord.mAccess, theCase.mAccess);
        EXPECT_EQ(theRecord.mDataAddress, theCase.mDataAddress);
        EXPECT_EQ(theRecord.mSignal, theCase.mSignal);
        // The code address lies in the function that faulted.
        const auto theFunction = reinterpret_cast<std::uintptr_t>(theCase.mFault);
        EXPECT_GE(theRecord.mCodeAddress, theFunction);
        EXPECT_LT(theRecord.mCodeAddress, theFunction + 256);
        EXPECT_FALSE(FaultFrame::IsActive());
    }
    munmap(theReadOnly, 4096);
    munmap(theMapped, 8192);
    std::fclose(theFile);
}

TEST_F(FaultTest, ThreadStaysUsableAfterManyTranslatedFaults)
{
    // The signal must not stay blocked after the handler is left by an exception: a second
    // fault would then kill the process instead of arriving here.
    for (int theRound = 0; theRound < 50; ++theRound) {
        FaultRecord theRecord{};
        ASSERT_TRUE(CatchFault(theRound % 2 == 0 ? ReadAt : DivideByZero, 0, &theRecord)) << theRound;
    }
    sigset_t theMask;
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, nullptr, &theMask), 0);
    EXPECT_FALSE(sigismember(&theMask, SIGSEGV));
    EXPECT_FALSE(sigismember(&theMask, SIGFPE));
}

struct CountsDestruction {
    int* mCount;
    ~CountsDestruction() { ++*mCount; }
};

__attribute__((noinline, no_sanitize("address", "undefined"))) void FaultWithCleanup(int* ioCount,
                                                                                     volatile int* inPointer)
{
    CountsDestruction theGuard{ioCount};
    *inPointer = 1;
}

TEST_F(FaultTest, UnwindingRunsDestructorsOfTheFaultingFunction)
{
    int theCount = 0;
    try {
        FaultFrame theFrame;
        FaultWithCleanup(&theCount, nullptr);
    } catch (const TranslatedFault&) {
    }
    EXPECT_EQ(theCount, 1);
}

TEST_F(FaultTest, NestedFramesUnwindToTheirOwners)
{
    FaultFrame theOuter;
    FaultRecord theRecord{};
    ASSERT_TRUE(CatchFault(ReadAt, 0, &theRecord));
    EXPECT_TRUE(FaultFrame::IsActive());  // the outer frame is still open
    ASSERT_TRUE(CatchFault(WriteAt, 0, &theRecord));
    EXPECT_EQ(theRecord.mAccess, FaultAccess::kWrite);
}

TEST_F(FaultTest, TranslatorIsPerThread)
{
    FaultRecord theRecord{};
    bool theCaught = false;
    std::thread([&] {
        const FaultTranslator thePrevious = SetFaultTranslator(ThrowingTranslator);
        EXPECT_EQ(thePrevious, nullptr);
        theCaught = CatchFault(DivideByZero, 1, &theRecord);
        SetFaultTranslator(nullptr);
    }).join();
    EXPECT_TRUE(theCaught);
    EXPECT_EQ(theRecord.mCode, EXCEPTION_INT_DIVIDE_BY_ZERO);
    EXPECT_EQ(SetFaultTranslator(ThrowingTranslator), ThrowingTranslator);
}

TEST(FaultModule, ModuleBaseFindsTheLoadAddress)
{
    const std::uintptr_t theBase = ModuleBase(reinterpret_cast<const void*>(&ModuleBase));
    EXPECT_NE(theBase, 0u);
    EXPECT_LE(theBase, reinterpret_cast<std::uintptr_t>(&ModuleBase));
    EXPECT_NE(theBase, ModuleBase(reinterpret_cast<const void*>(&CatchFault)));
    EXPECT_EQ(ModuleBase(nullptr), 0u);
}

// What happens to faults that are not ours, in a child program that installs its own
// handler first. Exit 42/43: the earlier SA_SIGINFO/plain handler; 44: translated; 45: went on.
TEST(FaultChaining, FaultsThatAreNotOursReachTheEarlierHandler)
{
    struct Case {
        const char* mPrevious;
        const char* mMode;
        int mExit;    // expected exit status, or -1
        int mSignal;  // expected terminating signal when mExit is -1
    };
    const Case theCases[] = {
        {"info", "outside", 42, 0},          {"plain", "outside", 43, 0},        {"info", "no-translator", 42, 0},
        {"info", "other-thread", 42, 0},     {"info", "raised", 42, 0},          {"info", "inside", 44, 0},
        {"default", "outside", -1, SIGSEGV}, {"default", "raised", -1, SIGSEGV}, {"ignore", "outside", -1, SIGSEGV},
        {"ignore", "raised", 45, 0},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(std::string(theCase.mPrevious) + " / " + theCase.mMode);
        const int theStatus = RunProgram({VX_FAULT_HELPER_PATH, theCase.mPrevious, theCase.mMode});
        if (theCase.mExit >= 0) {
            ASSERT_TRUE(WIFEXITED(theStatus)) << theStatus;
            EXPECT_EQ(WEXITSTATUS(theStatus), theCase.mExit);
        } else {
            ASSERT_TRUE(WIFSIGNALED(theStatus)) << theStatus;
            EXPECT_EQ(WTERMSIG(theStatus), theCase.mSignal);
        }
    }
}

}  // namespace
