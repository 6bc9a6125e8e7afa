#include <atomic>

#include "automation/Faults.h"
#include "vellumax/errors/SException.h"

namespace {

// The base of the module this code is linked into, the server's: looked up
// once outside any fault, as the module lookup is not safe inside a signal handler.
std::atomic<std::uintptr_t> gModuleBase{0};

void ThrowSException(const FaultRecord& inFault)
{
    throw SException(inFault.mCode, inFault.mCodeAddress, inFault.mAccess == FaultAccess::kWrite ? 1u : 0u,
                     inFault.mDataAddress, gModuleBase.load(std::memory_order_relaxed));
}

}  // namespace

void InstallFaultTranslator()
{
    if (gModuleBase.load(std::memory_order_relaxed) == 0)
        gModuleBase.store(ModuleBase(reinterpret_cast<const void*>(&ThrowSException)), std::memory_order_relaxed);
    SetFaultTranslator(&ThrowSException);
}
