#include "automation/ModuleCounts.h"

#include <atomic>

namespace vx {

namespace {

std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};

}  // namespace

void ModuleCounts::ObjectCreated()
{
    gObjects.fetch_add(1, std::memory_order_relaxed);
}
void ModuleCounts::ObjectDestroyed()
{
    gObjects.fetch_sub(1, std::memory_order_acq_rel);
}
void ModuleCounts::Lock()
{
    gLocks.fetch_add(1, std::memory_order_relaxed);
}

void ModuleCounts::Unlock()
{
    // An unbalanced unlock must not make the count negative and so let a later lock go unnoticed.
    long theLocks = gLocks.load(std::memory_order_relaxed);
    while (theLocks > 0 && !gLocks.compare_exchange_weak(theLocks, theLocks - 1, std::memory_order_acq_rel)) {}
}

long ModuleCounts::Objects()
{
    return gObjects.load(std::memory_order_acquire);
}
long ModuleCounts::Locks()
{
    return gLocks.load(std::memory_order_acquire);
}

HRESULT ModuleCounts::CanUnloadNow()
{
    return Objects() == 0 && Locks() == 0 ? S_OK : S_FALSE;
}

}  // namespace vx
