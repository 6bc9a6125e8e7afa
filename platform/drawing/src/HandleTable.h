// The table of live objects: handles are slot numbers with a generation, so a
// handle of a deleted object is refused even after its slot is reused.
#pragma once

#include "GdiObject.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class HandleTable {
public:
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
        return std::static_pointer_cast<T>(theObject);
    }
    // Takes a live, unselected object out of the table. Returns the error
    // number (0 on success); stock objects stay and report success.
    std::uint32_t Remove(std::uint32_t inHandle, GdiKind inKind);
    std::uint32_t RemoveAnyKind(std::uint32_t inHandle);

private:
    HandleTable() = default;
    struct Slot {
        std::shared_ptr<GdiObject> mObject;
        std::uint32_t mGeneration = 1;
    };
    bool Decode(std::uint32_t inHandle, std::uint32_t& outIndex) const;
    std::uint32_t RemoveLocked(std::uint32_t inIndex);

    mutable std::mutex mMutex;
    std::vector<Slot> mSlots;
    std::deque<std::uint32_t> mFree;  // oldest freed slot first, to delay reuse
};
