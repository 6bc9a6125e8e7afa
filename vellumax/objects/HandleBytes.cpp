#include "vellumax/objects/HandleBytes.h"

#include <cstring>

#include "imaging/Memory.h"
#include "vellumax/params/LockedBytes.h"
#include "vellumax/params/Utilities.h"

HRESULT HandleFromVariant(const VARIANT* inVariant, Handle* outHandle)
{
    LockedBytes theBytes(inVariant);
    if (const HRESULT theResult = theBytes.Lock(); FAILED(theResult))
        return theResult;
    Handle theHandle = NewHandle(Size(theBytes.Length()));
    if (theHandle == nullptr)
        return E_OUTOFMEMORY;
    HLock(theHandle);
    if (theBytes.Length() > 0)
        std::memcpy(*theHandle, theBytes.Data(), theBytes.Length());
    HUnlock(theHandle);
    *outHandle = theHandle;
    return S_OK;
}

HRESULT VariantFromHandle(Handle inHandle, VARIANT* outVariant)
{
    if (inHandle == nullptr)
        return E_INVALIDARG;
    const Size theSize = GetHandleSize(inHandle);
    HLock(inHandle);
    const HRESULT theResult = VariantFromBytes(*inHandle, theSize, outVariant);
    HUnlock(inHandle);
    return theResult;
}
