#include "vellumax/objects/HandleBytes.h"

#include <cstring>

#include "imaging/Memory.h"
#include "vellumax/params/Utilities.h"

HRESULT HandleFromVariant(const VARIANT* inVariant, Handle* outHandle)
{
    const BYTE* theData = nullptr;
    LONG theLength = 0;
    HRESULT theResult = BytesFromVariant(inVariant, &theData, &theLength);
    if (FAILED(theResult))
        return theResult;
    Handle theHandle = NewHandle(theLength);
    if (theHandle == nullptr) {
        theResult = E_OUTOFMEMORY;
    } else {
        HLock(theHandle);
        if (theLength > 0)
            std::memcpy(*theHandle, theData, std::size_t(theLength));
        HUnlock(theHandle);
        *outHandle = theHandle;
    }
    ReleaseVariantBytes(inVariant);
    return theResult;
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
