// Live objects and server locks of this process's automation objects: the
// answer behind DllCanUnloadNow. Every object made with ComObject counts
// itself; IClassFactory::LockServer adjusts the lock count.
#pragma once

#include "automation/Types.h"

namespace vx {

class ModuleCounts {
public:
    static void ObjectCreated();
    static void ObjectDestroyed();
    static void Lock();
    static void Unlock();

    static long Objects();
    static long Locks();
    // S_OK when no object and no lock is alive, else S_FALSE.
    static HRESULT CanUnloadNow();
};

}  // namespace vx
