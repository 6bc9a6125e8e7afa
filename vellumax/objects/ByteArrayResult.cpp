#include "vellumax/objects/ByteArrayResult.h"

#include <limits>

#include <automation/Owners.h>
#include <automation/SafeArray.h>
#include <automation/Variant.h>

void ByteArrayResult::AccessedArrayCloser::operator()(SAFEARRAY* inArray) const
{
    SafeArrayUnaccessData(inArray);
    const vx::SafeArrayRef theArray(inArray);
}

std::uint8_t* ByteArrayResult::Make(std::size_t inLength)
{
    mArray.reset();
    if (inLength == 0 || inLength > std::size_t(std::numeric_limits<LONG>::max()))
        return nullptr;
    vx::SafeArrayRef theArray(SafeArrayCreateVector(VT_UI1, 0, ULONG(inLength)));
    if (theArray == nullptr)
        return nullptr;
    void* theData = nullptr;
    if (FAILED(SafeArrayAccessData(theArray.get(), &theData)))
        return nullptr;
    mArray.reset(theArray.release());
    return static_cast<std::uint8_t*>(theData);
}

bool ByteArrayResult::MoveTo(VARIANT* outValue)
{
    if (mArray == nullptr || outValue == nullptr)
        return false;
    SafeArrayUnaccessData(mArray.get());
    VariantInit(outValue);
    outValue->vt = VT_ARRAY | VT_UI1;
    outValue->parray = mArray.release();
    return true;
}
