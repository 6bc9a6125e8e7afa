#include "Async.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include <automation/Owners.h>

#include "AsyncBytes.h"
#include "CallArgs.h"

namespace vxnode {

namespace {

// A plain call would have to block the event loop until the object's promise calls ran, and
// could wait forever on a call queued behind another object: it fails instead.
constexpr HRESULT kBusy = static_cast<HRESULT>(0x8000000AL);  // E_PENDING
constexpr const char* kBusyText =
    "The object has promise calls pending; await them before calling it without a promise";

enum class CallKind { kGet = 0, kPut = 1, kPutRef = 2, kCall = 3 };

// The object's identity (its IUnknown): proxies made at different times for one object share it.
using Identity = vx::ComPtr<IUnknown>;

Identity IdentityOf(IUnknown* inObject)
{
    Identity theIdentity;
    if (inObject != nullptr)
        inObject->QueryInterface(IID_IUnknown, theIdentity.OutVoid());
    return theIdentity;
}

struct Job {
    AsyncState* mState = nullptr;
    napi_env mEnv = nullptr;
    napi_deferred mDeferred = nullptr;
    napi_async_work mWork = nullptr;  // made when the call is started: chained calls need none
    napi_ref mHandle = nullptr;       // keeps the target's proxy state alive until the call ends
    HostObject* mTarget = nullptr;
    vx::Client mClient;  // its own, so that its error is this call's alone
    DISPID mId = 0;
    CallKind mKind = CallKind::kCall;
    bool mHasRetval = false;
    PreparedCall mCall;
    std::vector<Identity> mObjects;  // the target, then the objects among the arguments
    std::size_t mWaits = 0;          // queues in which another call is ahead of this one
    vx::Variant mResult;
    // Calls that ran on the pool thread right after this one, in its trip; settled after it.
    std::vector<Job*> mChain;
    bool mChained = false;  // ran in the trip of an earlier call

    ~Job()
    {
        if (mHandle != nullptr)
            napi_delete_reference(mEnv, mHandle);
        if (mWork != nullptr)
            napi_delete_async_work(mEnv, mWork);
    }
};

}  // namespace

struct AsyncState {
    // Guards the queues and the jobs' mWaits, mChain and mChained: a pool thread reads them to
    // run the calls queued behind its own.
    std::mutex mLock;
    // Per object, the calls that hold it, oldest first; the first one runs.
    std::unordered_map<IUnknown*, std::deque<Job*>> mQueues;
    bool mClosing = false;  // the environment is ending: nothing more is started or settled
};

namespace {

AsyncState* State(napi_env inEnv)
{
    HostContext* theContext = Context(inEnv);
    return theContext != nullptr ? theContext->mAsync : nullptr;
}

bool IsBusy(AsyncState* inState, IUnknown* inObject)
{
    if (inState == nullptr || inObject == nullptr)
        return false;
    const Identity theIdentity = IdentityOf(inObject);
    const std::lock_guard theLock(inState->mLock);
    return inState->mQueues.count(theIdentity.Get()) != 0;
}

IUnknown* ObjectOf(const VARIANT& inValue)
{
    if (inValue.vt == VT_DISPATCH)
        return inValue.pdispVal;
    return inValue.vt == VT_UNKNOWN ? inValue.punkVal : nullptr;
}

void ThrowBusy(napi_env inEnv)
{
    ThrowAutomationError(inEnv, vx::ClientError{kBusy, kBusyText, {}});
}

void Run(Job* theJob)
{
    WORD theFlags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    if (theJob->mKind == CallKind::kGet)
        theFlags = DISPATCH_PROPERTYGET;
    else if (theJob->mKind == CallKind::kPut)
        theFlags = DISPATCH_PROPERTYPUT;
    else if (theJob->mKind == CallKind::kPutRef)
        theFlags = DISPATCH_PROPERTYPUTREF;
    theJob->mResult = theJob->mClient.Invoke(theJob->mId, theFlags, std::move(theJob->mCall.mValues));
}

// A trip to the pool and back costs more than most calls (two thread wake-ups and a turn of the
// event loop), and a page queues several calls on one object at once. So the calls queued right
// behind this one on its target, each waiting for nothing else, run in the same trip.
constexpr std::size_t kMaxChain = 64;

// The call after position inAt in the target's queue, when nothing but the calls ahead of it in
// that queue hold it back. Under the state's lock.
Job* ChainableAt(AsyncState* inState, Job* inHead, std::size_t inAt)
{
    const auto theQueue = inState->mQueues.find(inHead->mObjects.front().Get());
    if (theQueue == inState->mQueues.end() || theQueue->second.size() <= inAt + 1)
        return nullptr;
    Job* theNext = theQueue->second[inAt + 1];
    // Any other queue with a call ahead of it would count as a second wait.
    if (theNext->mChained || theNext->mWaits != 1)
        return nullptr;
    return theNext;
}

void Execute(napi_env, void* inData)
{
    auto* theHead = static_cast<Job*>(inData);
    Run(theHead);
    for (std::size_t theAt = 0; theAt < kMaxChain; ++theAt) {
        Job* theNext = nullptr;
        {
            const std::lock_guard theLock(theHead->mState->mLock);
            theNext = ChainableAt(theHead->mState, theHead, theAt);
            if (theNext == nullptr)
                return;
            theNext->mWaits = 0;
            theNext->mChained = true;
            theHead->mChain.push_back(theNext);
        }
        Run(theNext);
    }
}

// The settled value of a finished call, or the error it rejects with.
bool Outcome(napi_env inEnv, Job* inJob, napi_value* outValue)
{
    const bool isValue =
        inJob->mKind == CallKind::kGet || (inJob->mKind == CallKind::kCall && inJob->mCall.mOuts.empty());
    if (!inJob->mClient.Ok())
        ThrowAutomationError(inEnv, inJob->mClient.LastError());
    else if (isValue && (*outValue = BufferOverBytes(inEnv, inJob->mResult)) != nullptr)
        return true;
    else if (inJob->mKind == CallKind::kCall)
        *outValue = CallResult(inEnv, inJob->mCall, std::move(inJob->mResult), inJob->mHasRetval);
    else if (inJob->mKind == CallKind::kGet)
        *outValue = FromVariant(inEnv, *inJob->mResult);
    else
        napi_get_undefined(inEnv, outValue);
    if (*outValue != nullptr)
        return true;
    napi_get_and_clear_last_exception(inEnv, outValue);
    return false;
}

void Complete(napi_env inEnv, napi_status inStatus, void* inData);

void Start(napi_env inEnv, AsyncState* inState, Job* inJob)
{
    if (inState->mClosing)
        return;
    napi_value theName = nullptr;
    napi_create_string_utf8(inEnv, "vellumax:call", NAPI_AUTO_LENGTH, &theName);
    if (napi_create_async_work(inEnv, nullptr, theName, Execute, Complete, inJob, &inJob->mWork) != napi_ok ||
        napi_queue_async_work(inEnv, inJob->mWork) != napi_ok)
        inState->mClosing = true;
}

// Takes the finished call out of its queues and starts the calls that were waiting only for it.
void Advance(napi_env inEnv, AsyncState* inState, Job* inJob)
{
    for (const Identity& theObject : inJob->mObjects) {
        auto theQueue = inState->mQueues.find(theObject.Get());
        if (theQueue == inState->mQueues.end() || theQueue->second.empty() || theQueue->second.front() != inJob)
            continue;
        theQueue->second.pop_front();
        if (theQueue->second.empty()) {
            inState->mQueues.erase(theQueue);
            continue;
        }
        Job* theNext = theQueue->second.front();
        // A call that ran in this trip is settled and advanced by the same Complete.
        if (!theNext->mChained && --theNext->mWaits == 0)
            Start(inEnv, inState, theNext);
    }
}

void Settle(napi_env inEnv, AsyncState* inState, Job* inJob)
{
    if (inState->mClosing)
        return;
    ReportMemory(inEnv, inJob->mTarget);
    napi_value theValue = nullptr;
    const bool isResolved = Outcome(inEnv, inJob, &theValue);
    const napi_status theSettled = isResolved ? napi_resolve_deferred(inEnv, inJob->mDeferred, theValue)
                                              : napi_reject_deferred(inEnv, inJob->mDeferred, theValue);
    // A worker being terminated can no longer run script: its waiting calls are dropped.
    if (theSettled != napi_ok)
        inState->mClosing = true;
}

void Complete(napi_env inEnv, napi_status inStatus, void* inData)
{
    std::unique_ptr<Job> theJob(static_cast<Job*>(inData));
    AsyncState* theState = State(inEnv);
    if (theState == nullptr)
        return;
    if (inStatus != napi_ok)
        theState->mClosing = true;
    // The trip's calls in the order they ran, each settled before the next is advanced past.
    std::vector<std::unique_ptr<Job>> theTrip;
    theTrip.push_back(std::move(theJob));
    for (Job* theChained : theTrip.front()->mChain)
        theTrip.emplace_back(theChained);
    for (const std::unique_ptr<Job>& theCall : theTrip)
        Settle(inEnv, theState, theCall.get());
    const std::lock_guard theLock(theState->mLock);
    for (const std::unique_ptr<Job>& theCall : theTrip)
        Advance(inEnv, theState, theCall.get());
}

// The environment ends: calls still waiting are never started; the running one has finished,
// since Node waits for the thread pool's work before it runs these hooks.
void StopAsync(void* inData)
{
    auto* theContext = static_cast<HostContext*>(inData);
    AsyncState* theState = theContext->mAsync;
    theContext->mAsync = nullptr;
    std::vector<Job*> theJobs;
    for (auto& [theObject, theQueue] : theState->mQueues)
        theJobs.insert(theJobs.end(), theQueue.begin(), theQueue.end());
    std::sort(theJobs.begin(), theJobs.end());
    theJobs.erase(std::unique(theJobs.begin(), theJobs.end()), theJobs.end());
    theState->mQueues.clear();
    for (Job* theJob : theJobs)
        delete theJob;
    delete theState;
}

// The job for a call, its arguments converted now so that the caller may change them afterwards.
std::unique_ptr<Job> MakeJob(napi_env inEnv, napi_value* inArgs, HostObject* inTarget)
{
    auto theJob = std::make_unique<Job>();
    theJob->mState = State(inEnv);
    theJob->mEnv = inEnv;
    theJob->mTarget = inTarget;
    theJob->mClient = inTarget->mClient;
    int32_t theValue = 0;
    napi_get_value_int32(inEnv, inArgs[1], &theValue);
    theJob->mId = theValue;
    napi_get_value_int32(inEnv, inArgs[2], &theValue);
    theJob->mKind = static_cast<CallKind>(std::clamp(theValue, 0, 3));
    napi_get_value_bool(inEnv, inArgs[5], &theJob->mHasRetval);
    if (theJob->mKind == CallKind::kCall) {
        if (!PrepareCall(inEnv, inArgs[3], inArgs[4], &theJob->mCall))
            return nullptr;
    } else if (theJob->mKind != CallKind::kGet) {
        napi_value theItem = nullptr;
        napi_get_element(inEnv, inArgs[3], 0, &theItem);
        theJob->mCall.mValues.resize(1);
        if (!ToVariant(inEnv, theItem, NullAs::kNothing, theJob->mCall.mValues[0].Out()))
            return nullptr;
    }
    theJob->mObjects.emplace_back(inTarget->mClient.Object());
    for (const vx::Variant& theArg : theJob->mCall.mValues) {
        Identity theIdentity = IdentityOf(ObjectOf(*theArg));
        if (theIdentity.Get() == nullptr)
            continue;
        const bool isListed = std::any_of(theJob->mObjects.begin(), theJob->mObjects.end(),
                                          [&](const Identity& inHeld) { return inHeld.Get() == theIdentity.Get(); });
        if (!isListed)
            theJob->mObjects.push_back(std::move(theIdentity));
    }
    return theJob;
}

}  // namespace

void StartAsync(napi_env inEnv, HostContext* ioContext)
{
    ioContext->mAsync = new AsyncState;
    napi_add_env_cleanup_hook(inEnv, StopAsync, ioContext);
}

HostObject* IdleObject(napi_env inEnv, napi_value inHandle)
{
    HostObject* theObject = HandleObject(inEnv, inHandle);
    if (theObject != nullptr && IsBusy(State(inEnv), theObject->mClient.Object())) {
        ThrowBusy(inEnv);
        return nullptr;
    }
    return theObject;
}

bool ArgumentsIdle(napi_env inEnv, const std::vector<vx::Variant>& inArgs)
{
    AsyncState* theState = State(inEnv);
    for (const vx::Variant& theArg : inArgs) {
        if (IsBusy(theState, ObjectOf(*theArg))) {
            ThrowBusy(inEnv);
            return false;
        }
    }
    return true;
}

napi_value CallAsync(napi_env inEnv, napi_callback_info inInfo)
{
    napi_value theArgs[6] = {};
    size_t theCount = 6;
    if (napi_get_cb_info(inEnv, inInfo, &theCount, theArgs, nullptr, nullptr) != napi_ok)
        return nullptr;
    AsyncState* theState = State(inEnv);
    HostObject* theTarget = HandleObject(inEnv, theArgs[0]);
    if (theTarget == nullptr || theState == nullptr)
        return nullptr;
    std::unique_ptr<Job> theJob = MakeJob(inEnv, theArgs, theTarget);
    napi_value thePromise = nullptr;
    if (theJob == nullptr || napi_create_reference(inEnv, theArgs[0], 1, &theJob->mHandle) != napi_ok ||
        napi_create_promise(inEnv, &theJob->mDeferred, &thePromise) != napi_ok)
        return nullptr;
    Job* theQueued = theJob.release();
    const std::lock_guard theLock(theState->mLock);
    for (const Identity& theObject : theQueued->mObjects) {
        std::deque<Job*>& theQueue = theState->mQueues[theObject.Get()];
        theQueued->mWaits += !theQueue.empty();
        theQueue.push_back(theQueued);
    }
    if (theQueued->mWaits == 0)
        Start(inEnv, theState, theQueued);
    return thePromise;
}

}  // namespace vxnode
