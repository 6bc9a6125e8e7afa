#include "automation/VariantCollection.h"

#include "automation/EnumVariant.h"

namespace vx {

HRESULT VariantCollection::Item(LONG inIndex, VARIANT* outItem, HRESULT inBeyondEnd) const
{
    if (outItem == nullptr)
        return E_POINTER;
    VariantInit(outItem);
    if (mItems.empty() || inIndex > Size())
        return inBeyondEnd;
    std::size_t thePosition = inIndex <= 0 ? 0 : static_cast<std::size_t>(inIndex - 1);
    return VariantCopy(outItem, mItems[thePosition].Get());
}

HRESULT VariantCollection::Count(LONG* outCount) const
{
    if (outCount == nullptr)
        return E_POINTER;
    *outCount = Size();
    return S_OK;
}

HRESULT VariantCollection::NewEnum(IUnknown* inOwner, IUnknown** outEnum) const
{
    if (outEnum == nullptr)
        return E_POINTER;
    IEnumVARIANT* theEnum = nullptr;
    HRESULT theResult = EnumVariant::Create(inOwner, mItems, &theEnum);
    *outEnum = theEnum;
    return theResult;
}

}  // namespace vx
