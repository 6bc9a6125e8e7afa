#include "vellumax/objects/ByteArrayResult.h"

#include <limits>

#include <automation/SafeArray.h>
#include <automation/Variant.h>

ByteArrayResult::~ByteArrayResult()
{
    Release();
}

void ByteArrayResult::Release()
{
    if (mArray == nullptr)
        return;
    SafeArrayUnaccessData(mArray);
    SafeArrayDestroy(mArray);
    mArray = nullptr;
}

std::uint8_t* ByteArrayResult::Make(std::size_t inLength)
{
    Release();
    if (inLength == 0 || inLength > std::size_t(std::numeric_limits<LONG>::max()))
        return nullptr;
    SAFEARRAY* theArray = SafeArrayCreateVector(VT_UI1, 0, ULONG(inLength));
    if (theArray == nullptr)
        return nullptr;
    // Kept accessed while it is written.
    void* theData = nullptr;
    if (FAILED(SafeArrayAccessData(theArray, &theData))) {
        SafeArrayDestroy(theArray);
        return nullptr;
    }
    mArray = theArray;
    return static_cast<std::uint8_t*>(theData);
}

bool ByteArrayResult::MoveTo(VARIANT* outValue)
{
    if (mArray == nullptr || outValue == nullptr)
        return false;
    SafeArrayUnaccessData(mArray);
    VariantInit(outValue);
    outValue->vt = VT_ARRAY | VT_UI1;
    outValue->parray = mArray;
    mArray = nullptr;
    return true;
}
