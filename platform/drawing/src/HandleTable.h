// The table of live objects: handles are slot numbers with a generation, so a
// handle of a deleted object is refused even after its slot is reused.
#pragma once

#include "GdiObject.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// Every drawing call looks handles up a few dozen times and each lookup holds
// the lock for a handful of instructions: spinning costs far less than a mutex.
class SpinLock {
public:
    void lock() noexcept
    {
        while (mLocked.exchange(true, std::memory_order_acquire)) {
            Wait();
        }
    }
    void unlock() noexcept { mLocked.store(false, std::memory_order_release); }

private:
    void Wait() noexcept;  // until the lock looks free; yields the processor after a while
    std::atomic<bool> mLocked{false};
};

class HandleTable {
public:
    // A handle: generation above, slot number + 1 in the low bits.
    static constexpr std::uint32_t kIndexBits = 20;
    static constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;

    static HandleTable& Instance();

    // The new handle (never 0), or 0 when the table is full.
    std::uint32_t Add(std::shared_ptr<GdiObject> inObject);
    // Null for a handle that is not live or not of the kind asked for.
    std::shared_ptr<GdiObject> Find(std::uint32_t inHandle) const;
    template <class T>
    std::shared_ptr<T> FindAs(std::uint32_t inHandle, GdiKind inKind) const
    {
        std::shared_ptr<GdiObject> theObject = Find(inHandle);
        if (theObject == nullptr || theObject->mKind != inKind) {
            return nullptr;
        }
        return std::static_pointer_cast<T>(std::move(theObject));
    }
    // Both lookups under one hold of the lock, for calls that take a device
    // context and an object; either is null as Find and FindAs would give.
    struct ContextAndObject {
        std::shared_ptr<GdiObject> mContext;
        std::shared_ptr<GdiObject> mObject;
    };
    ContextAndObject FindContextAndObject(std::uint32_t inContext, std::uint32_t inObject) const;
    // Takes a live, unselected object out of the table. Returns the error
    // number (0 on success); stock objects stay and report success.
    std::uint32_t Remove(std::uint32_t inHandle, GdiKind inKind);
    std::uint32_t RemoveAnyKind(std::uint32_t inHandle);
    // As Remove for whatever kind the handle has, except that a device context
    // is refused as an invalid handle.
    std::uint32_t RemoveObject(std::uint32_t inHandle);

private:
    HandleTable() = default;
    struct Slot {
        std::shared_ptr<GdiObject> mObject;
        std::uint32_t mGeneration = 1;
    };
    // Here rather than in the source so that lookups inline it.
    bool Decode(std::uint32_t inHandle, std::uint32_t& outIndex) const
    {
        const std::uint32_t theIndexPlusOne = inHandle & kIndexMask;
        if (theIndexPlusOne == 0 || theIndexPlusOne > mSlots.size()) {
            return false;
        }
        const Slot& theSlot = mSlots[theIndexPlusOne - 1];
        if (theSlot.mObject == nullptr || theSlot.mObject->mHandle != inHandle) {
            return false;
        }
        outIndex = theIndexPlusOne - 1;
        return true;
    }
    std::uint32_t RemoveLocked(std::uint32_t inIndex);

    mutable SpinLock mLock;
    std::vector<Slot> mSlots;
    std::deque<std::uint32_t> mFree;  // oldest freed slot first, to delay reuse
};
