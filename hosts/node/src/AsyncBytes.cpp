#include "AsyncBytes.h"

#include <automation/SafeArray.h>

namespace vxnode {

namespace {

// Below this, a copy costs less than the Buffer's finalizer.
constexpr std::size_t kMinShared = 16 * 1024;

void FreeBytes(node_api_basic_env, void*, void* inArray)
{
    SafeArrayDestroy(static_cast<SAFEARRAY*>(inArray));
}

}  // namespace

napi_value BufferOverBytes(napi_env inEnv, vx::Variant& ioValue)
{
    VARIANT& theValue = *ioValue.Get();
    if (theValue.vt != (VT_ARRAY | VT_UI1) || theValue.parray == nullptr)
        return nullptr;
    SAFEARRAY* theArray = theValue.parray;
    // A locked array is still read by someone; static or embedded memory is not the array's own.
    if (SafeArrayGetDim(theArray) != 1 || theArray->cLocks != 0 || theArray->pvData == nullptr ||
        (theArray->fFeatures & (FADF_AUTO | FADF_STATIC | FADF_EMBEDDED)) != 0)
        return nullptr;
    const std::size_t theSize = theArray->rgsabound[0].cElements;
    if (theSize < kMinShared)
        return nullptr;
    napi_value theBuffer = nullptr;
    if (napi_create_external_buffer(inEnv, theSize, theArray->pvData, FreeBytes, theArray, &theBuffer) != napi_ok) {
        napi_value theIgnored = nullptr;
        napi_get_and_clear_last_exception(inEnv, &theIgnored);
        return nullptr;
    }
    theValue.vt = VT_EMPTY;
    theValue.parray = nullptr;
    return theBuffer;
}

}  // namespace vxnode
