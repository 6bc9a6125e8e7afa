// One page (a canvas made, shapes and text drawn, GIF and PNG fetched) run
// again and again with its Nth allocation failing, for every N the page makes.
// Allocations are counted only inside the server's calls: every operator new,
// and, outside the sanitizer build (whose allocator must stay its own), every
// malloc, calloc and realloc called from our own modules. Each run must end
// with every call either failing with an error or succeeding with exactly the
// result of an undisturbed page, and the process must serve a clean page
// afterwards; the sanitizer build adds that nothing leaks.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "objects_canvas/CanvasClient.h"

#if defined(__SANITIZE_ADDRESS__)
#define VX_SWEEP_MALLOC 0
#else
#define VX_SWEEP_MALLOC 1
extern "C" void* __libc_malloc(std::size_t inSize);
extern "C" void* __libc_calloc(std::size_t inCount, std::size_t inSize);
extern "C" void* __libc_realloc(void* inBlock, std::size_t inSize);
#endif

namespace {

// The failure plan, read by the allocators: counting only while armed.
struct Plan {
    bool mArmed = false;
    long mCount = 0;
    long mFailAt = 0;  // 0: never
    long mFailed = 0;
};
Plan gPlan;

bool ShouldFail()
{
    if (!gPlan.mArmed)
        return false;
    if (++gPlan.mCount != gPlan.mFailAt)
        return false;
    ++gPlan.mFailed;
    return true;
}

void* RawAllocate(std::size_t inSize)
{
#if VX_SWEEP_MALLOC
    return __libc_malloc(inSize == 0 ? 1 : inSize);
#else
    return std::malloc(inSize == 0 ? 1 : inSize);
#endif
}

// Out of line, so that the compiler does not pair a free with a new it sees.
[[gnu::noinline]] void RawFree(void* inBlock)
{
    std::free(inBlock);
}

#if VX_SWEEP_MALLOC
// A C allocation fails only when called from the test program or one of our
// own libraries, since the libraries below (GLib in particular) end the
// process on a failed allocation by design. The imaging platform is loaded
// and unloaded with the canvases, so its place is looked up on each call.
bool FromOurs(const void* inCaller)
{
    Dl_info theInfo;
    if (dladdr(inCaller, &theInfo) == 0 || theInfo.dli_fname == nullptr)
        return false;
    Dl_info theProgram;
    return std::strstr(theInfo.dli_fname, "/libvx-") != nullptr ||
           (dladdr(reinterpret_cast<const void*>(&ShouldFail), &theProgram) != 0 &&
            theProgram.dli_fbase == theInfo.dli_fbase);
}
#endif

}  // namespace

void* operator new(std::size_t inSize)
{
    void* theBlock = ShouldFail() ? nullptr : RawAllocate(inSize);
    if (theBlock == nullptr)
        throw std::bad_alloc();
    return theBlock;
}
void* operator new[](std::size_t inSize)
{
    return operator new(inSize);
}
void* operator new(std::size_t inSize, const std::nothrow_t&) noexcept
{
    return ShouldFail() ? nullptr : RawAllocate(inSize);
}
void* operator new[](std::size_t inSize, const std::nothrow_t&) noexcept
{
    return operator new(inSize, std::nothrow);
}
void operator delete(void* inBlock) noexcept
{
    RawFree(inBlock);
}
void operator delete[](void* inBlock) noexcept
{
    RawFree(inBlock);
}
void operator delete(void* inBlock, std::size_t) noexcept
{
    RawFree(inBlock);
}
void operator delete[](void* inBlock, std::size_t) noexcept
{
    RawFree(inBlock);
}

#if VX_SWEEP_MALLOC
extern "C" void* malloc(std::size_t inSize)
{
    if (FromOurs(__builtin_return_address(0)) && ShouldFail())
        return nullptr;
    return __libc_malloc(inSize);
}
extern "C" void* calloc(std::size_t inCount, std::size_t inSize)
{
    if (FromOurs(__builtin_return_address(0)) && ShouldFail())
        return nullptr;
    return __libc_calloc(inCount, inSize);
}
extern "C" void* realloc(void* inBlock, std::size_t inSize)
{
    if (FromOurs(__builtin_return_address(0)) && ShouldFail())
        return nullptr;
    return __libc_realloc(inBlock, inSize);
}
#endif

namespace {

// One late-bound call, its arguments made before the allocations are armed.
struct Call {
    const char* mName;
    WORD mFlags;
    std::vector<vx::Variant> mArgs;  // in the natural order
};

const std::vector<Call>& PageCalls()
{
    static const std::vector<Call> kCalls = {
        {"Width", DISPATCH_PROPERTYPUT, {160}},
        {"Height", DISPATCH_PROPERTYPUT, {90}},
        {"DrawShape", DISPATCH_METHOD, {"oval", "rect=10,10,80,60 paintcolor=red pensize=3 op=both"}},
        {"DrawShape", DISPATCH_METHOD, {"polygon", "points=5,80,60,20,150,85 pencolor=blue paintcolor=50,50,0"}},
        {"DrawText", DISPATCH_METHOD, {"Sweep page: wrapped words", "rect=5,5,155,85 textsize=12 halign=middle"}},
        {"GetAs", DISPATCH_METHOD, {"gif", "palette=adaptive compress=true"}},
        {"GetAs", DISPATCH_METHOD, {"png", ""}},
    };
    return kCalls;
}

// What a call gave: its code, and its result as text or bytes.
struct Outcome {
    HRESULT mCode = S_OK;
    std::string mDescription;
    std::string mText;
    std::vector<std::uint8_t> mBytes;
};

Outcome Invoke(IDispatch* inObject, const Call& inCall)
{
    std::u16string theName(inCall.mName, inCall.mName + std::strlen(inCall.mName));
    OLECHAR* theNames[] = {reinterpret_cast<OLECHAR*>(theName.data())};
    DISPID theId = 0;
    EXPECT_EQ(inObject->GetIDsOfNames(GUID_NULL, theNames, 1, LOCALE_USER_DEFAULT, &theId), S_OK);
    std::vector<vx::Variant> theArgs(inCall.mArgs.rbegin(), inCall.mArgs.rend());
    const bool isPut = inCall.mFlags == DISPATCH_PROPERTYPUT;
    DISPID thePutId = DISPID_PROPERTYPUT;
    DISPPARAMS theParams = {reinterpret_cast<VARIANT*>(theArgs.data()), isPut ? &thePutId : nullptr,
                            UINT(theArgs.size()), isPut ? 1u : 0u};
    vx::Variant theResult;
    EXCEPINFO theExcep{};
    UINT theArgErr = 0;
    Outcome theOutcome;
    gPlan.mArmed = true;
    theOutcome.mCode = inObject->Invoke(theId, GUID_NULL, LOCALE_USER_DEFAULT, inCall.mFlags, &theParams,
                                        isPut ? nullptr : theResult.Out(), &theExcep, &theArgErr);
    gPlan.mArmed = false;
    if (theOutcome.mCode == DISP_E_EXCEPTION) {
        theOutcome.mDescription = UTF8FromBSTR(theExcep.bstrDescription);
        SysFreeString(theExcep.bstrSource);
        SysFreeString(theExcep.bstrDescription);
        SysFreeString(theExcep.bstrHelpFile);
    }
    if (SUCCEEDED(theOutcome.mCode)) {
        if (theResult.Get()->vt == (VT_ARRAY | VT_UI1))
            theOutcome.mBytes = theResult.AsBytes();
        else if (theResult.Get()->vt != VT_EMPTY)
            theOutcome.mText = theResult.AsString();
    }
    return theOutcome;
}

// The page; the first entry is the canvas's creation.
std::vector<Outcome> RunPage()
{
    std::vector<Outcome> theOutcomes(1);
    IClassFactory* theFactory = nullptr;
    if (VxGetClassObject_Canvas(IID_IClassFactory, reinterpret_cast<void**>(&theFactory)) != S_OK)
        return {};
    IDispatch* theCanvas = nullptr;
    gPlan.mArmed = true;
    theOutcomes[0].mCode = theFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&theCanvas));
    gPlan.mArmed = false;
    theFactory->Release();
    if (FAILED(theOutcomes[0].mCode))
        return theOutcomes;
    for (const Call& theCall : PageCalls())
        theOutcomes.push_back(Invoke(theCanvas, theCall));
    gPlan.mArmed = true;
    theCanvas->Release();
    gPlan.mArmed = false;
    return theOutcomes;
}

TEST(AllocationSweep, EveryFailedAllocationIsReportedOrHarmless)
{
    // The first page loads the imaging platform and the fonts; the second is
    // the reference, and counts what a page allocates.
    RunPage();
    gPlan = Plan{};
    const std::vector<Outcome> theReference = RunPage();
    const long theTotal = gPlan.mCount;
    ASSERT_EQ(theReference.size(), PageCalls().size() + 1);
    for (const Outcome& theOutcome : theReference)
        ASSERT_EQ(theOutcome.mCode, S_OK) << theOutcome.mDescription;
    ASSERT_GT(theTotal, 0);
    RecordProperty("AllocationsPerPage", std::to_string(theTotal));

    long theRuns = 0;
    std::map<std::string, int> theFailures;  // by description
    for (long theN = 1; theN <= theTotal; ++theN, ++theRuns) {
        gPlan = Plan{};
        gPlan.mFailAt = theN;
        const std::vector<Outcome> theOutcomes = RunPage();
        ASSERT_EQ(gPlan.mFailed, 1) << "N=" << theN << ": the page allocates differently from the reference";
        // Up to the first failure, every call gives what the reference gave.
        std::size_t theAt = 0;
        for (; theAt < theOutcomes.size() && SUCCEEDED(theOutcomes[theAt].mCode); ++theAt) {
            EXPECT_EQ(theOutcomes[theAt].mText, theReference[theAt].mText) << "N=" << theN << " call " << theAt;
            EXPECT_TRUE(theOutcomes[theAt].mBytes == theReference[theAt].mBytes) << "N=" << theN << " call " << theAt;
        }
        for (; theAt < theOutcomes.size(); ++theAt) {
            if (FAILED(theOutcomes[theAt].mCode)) {
                const std::string& theText = theOutcomes[theAt].mDescription;
                ++theFailures[theText.substr(0, theText.find('\n'))];
                // Only the creation answers with a bare code.
                if (theOutcomes[theAt].mCode == DISP_E_EXCEPTION) {
                    EXPECT_FALSE(theOutcomes[theAt].mDescription.empty()) << "N=" << theN << " call " << theAt;
                } else {
                    EXPECT_EQ(theAt, 0u) << "N=" << theN;
                    EXPECT_EQ(theOutcomes[theAt].mCode, E_OUTOFMEMORY) << "N=" << theN;
                }
            }
        }
        // Whatever failed left nothing behind that spoils the next page.
        gPlan = Plan{};
        const std::vector<Outcome> theAfter = RunPage();
        ASSERT_EQ(theAfter.size(), theReference.size()) << "N=" << theN;
        for (std::size_t theCall = 0; theCall < theAfter.size(); ++theCall) {
            ASSERT_EQ(theAfter[theCall].mCode, S_OK)
                << "N=" << theN << " call " << theCall << ": " << theAfter[theCall].mDescription;
            EXPECT_TRUE(theAfter[theCall].mBytes == theReference[theCall].mBytes) << "N=" << theN;
        }
        if (HasFailure())
            break;
    }
    RecordProperty("Runs", std::to_string(theRuns));
    std::printf("%ld allocations per page, %ld runs; calls that failed, by description:\n", theTotal, theRuns);
    for (const auto& [theDescription, theCount] : theFailures)
        std::printf("%5d  %s\n", theCount, theDescription.c_str());
    // Without calls that failed, the allocations were never really refused.
    EXPECT_FALSE(theFailures.empty());
}

}  // namespace
