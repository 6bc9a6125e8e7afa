#include "automation/Faults.h"
#include "vellumax/errors/SException.h"

namespace {

void ThrowSException(const FaultRecord& inFault)
{
    // The base of the module this code is linked into: the server's.
    const std::uintptr_t theBase = ModuleBase(reinterpret_cast<const void*>(&ThrowSException));
    throw SException(inFault.mCode, inFault.mCodeAddress, inFault.mAccess == FaultAccess::kWrite ? 1u : 0u,
                     inFault.mDataAddress, theBase);
}

}  // namespace

void InstallFaultTranslator() { SetFaultTranslator(&ThrowSException); }
