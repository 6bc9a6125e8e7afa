#include "HandleTable.h"

#include <mutex>
#include <thread>

namespace {
constexpr std::uint32_t kIndexBits = HandleTable::kIndexBits;
constexpr std::uint32_t kIndexMask = HandleTable::kIndexMask;
constexpr std::uint32_t kGenerationMask = (1u << (32 - kIndexBits)) - 1;
constexpr std::size_t kMaxSlots = kIndexMask - 1;
// Reuse a freed slot only after this many others were freed, so that a
// stale handle rarely finds a new object of the same generation.
constexpr std::size_t kReuseDelay = 1024;
constexpr int kSpinsBeforeYield = 64;
}  // namespace

void SpinLock::Wait() noexcept
{
    for (int theSpins = 0; mLocked.load(std::memory_order_relaxed); ++theSpins) {
        if (theSpins < kSpinsBeforeYield) {
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        } else {
            std::this_thread::yield();
        }
    }
}

HandleTable& HandleTable::Instance()
{
    // Never destroyed: objects may be released by other static destructors.
    static HandleTable* sTable = new HandleTable();
    return *sTable;
}

std::uint32_t HandleTable::Add(std::shared_ptr<GdiObject> inObject)
{
    std::lock_guard<SpinLock> theLock(mLock);
    std::uint32_t theIndex;
    if (mFree.size() > kReuseDelay || (mSlots.size() >= kMaxSlots && !mFree.empty())) {
        theIndex = mFree.front();
        mFree.pop_front();
    } else if (mSlots.size() < kMaxSlots) {
        theIndex = static_cast<std::uint32_t>(mSlots.size());
        mSlots.emplace_back();
    } else {
        return 0;
    }
    Slot& theSlot = mSlots[theIndex];
    const std::uint32_t theHandle = ((theSlot.mGeneration & kGenerationMask) << kIndexBits) | (theIndex + 1);
    inObject->mHandle = theHandle;
    theSlot.mObject = std::move(inObject);
    return theHandle;
}

std::shared_ptr<GdiObject> HandleTable::Find(std::uint32_t inHandle) const
{
    std::lock_guard<SpinLock> theLock(mLock);
    std::uint32_t theIndex;
    if (!Decode(inHandle, theIndex)) {
        return nullptr;
    }
    return mSlots[theIndex].mObject;
}

HandleTable::ContextAndObject HandleTable::FindContextAndObject(std::uint32_t inContext, std::uint32_t inObject) const
{
    ContextAndObject theFound;
    std::lock_guard<SpinLock> theLock(mLock);
    std::uint32_t theIndex;
    if (Decode(inContext, theIndex) && mSlots[theIndex].mObject->mKind == GdiKind::kDeviceContext) {
        theFound.mContext = mSlots[theIndex].mObject;
    }
    if (Decode(inObject, theIndex)) {
        theFound.mObject = mSlots[theIndex].mObject;
    }
    return theFound;
}

std::uint32_t HandleTable::RemoveLocked(std::uint32_t inIndex)
{
    Slot& theSlot = mSlots[inIndex];
    if (theSlot.mObject->mStock) {
        return 0;
    }
    if (theSlot.mObject->mSelections.load() > 0) {
        return kGdiErrorBusy;
    }
    std::shared_ptr<GdiObject> theObject = std::move(theSlot.mObject);
    theSlot.mObject.reset();
    theObject->mRemoved.store(true, std::memory_order_release);
    theSlot.mGeneration = (theSlot.mGeneration + 1) & kGenerationMask;
    if (theSlot.mGeneration == 0) {
        theSlot.mGeneration = 1;
    }
    mFree.push_back(inIndex);
    return 0;
}

std::uint32_t HandleTable::Remove(std::uint32_t inHandle, GdiKind inKind)
{
    std::shared_ptr<GdiObject> theDoomed;  // released after the lock
    std::lock_guard<SpinLock> theLock(mLock);
    std::uint32_t theIndex;
    if (!Decode(inHandle, theIndex) || mSlots[theIndex].mObject->mKind != inKind) {
        return kGdiErrorInvalidHandle;
    }
    theDoomed = mSlots[theIndex].mObject;
    return RemoveLocked(theIndex);
}

std::uint32_t HandleTable::RemoveAnyKind(std::uint32_t inHandle)
{
    std::shared_ptr<GdiObject> theDoomed;
    std::lock_guard<SpinLock> theLock(mLock);
    std::uint32_t theIndex;
    if (!Decode(inHandle, theIndex)) {
        return kGdiErrorInvalidHandle;
    }
    theDoomed = mSlots[theIndex].mObject;
    return RemoveLocked(theIndex);
}

std::uint32_t HandleTable::RemoveObject(std::uint32_t inHandle)
{
    std::shared_ptr<GdiObject> theDoomed;
    std::lock_guard<SpinLock> theLock(mLock);
    std::uint32_t theIndex;
    if (!Decode(inHandle, theIndex) || mSlots[theIndex].mObject->mKind == GdiKind::kDeviceContext) {
        return kGdiErrorInvalidHandle;
    }
    theDoomed = mSlots[theIndex].mObject;
    return RemoveLocked(theIndex);
}
