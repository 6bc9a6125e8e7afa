#include "automation/EnumVariant.h"

namespace vx {

HRESULT EnumVariant::Create(IUnknown* inOwner, const std::vector<Variant>& inItems, IEnumVARIANT** outEnum)
{
    if (outEnum == nullptr)
        return E_POINTER;
    *outEnum = ComObject::Create(inOwner, inItems, 0);
    return *outEnum != nullptr ? S_OK : E_OUTOFMEMORY;
}

EnumVariant::EnumVariant(IUnknown* inOwner, const std::vector<Variant>& inItems, std::size_t inPosition)
    : mOwner(inOwner), mItems(inItems), mPosition(inPosition)
{
    if (mOwner != nullptr)
        mOwner->AddRef();
}

EnumVariant::~EnumVariant()
{
    if (mOwner != nullptr)
        mOwner->Release();
}

HRESULT EnumVariant::Next(ULONG inCount, VARIANT* outItems, ULONG* outFetched)
{
    if (outFetched != nullptr)
        *outFetched = 0;
    if (inCount == 0)
        return S_OK;
    if (outItems == nullptr || (outFetched == nullptr && inCount > 1))
        return E_POINTER;
    ULONG theFetched = 0;
    while (theFetched < inCount && mPosition < mItems.size()) {
        VariantInit(&outItems[theFetched]);
        HRESULT theResult = VariantCopy(&outItems[theFetched], mItems[mPosition].Get());
        if (FAILED(theResult)) {
            // Hand back nothing rather than a partial batch the caller would not clear.
            for (ULONG i = 0; i < theFetched; ++i)
                VariantClear(&outItems[i]);
            mPosition -= theFetched;
            return theResult;
        }
        ++theFetched;
        ++mPosition;
    }
    if (outFetched != nullptr)
        *outFetched = theFetched;
    return theFetched == inCount ? S_OK : S_FALSE;
}

HRESULT EnumVariant::Skip(ULONG inCount)
{
    std::size_t theLeft = mItems.size() - mPosition;
    if (inCount > theLeft) {
        mPosition = mItems.size();
        return S_FALSE;
    }
    mPosition += inCount;
    return S_OK;
}

HRESULT EnumVariant::Reset()
{
    mPosition = 0;
    return S_OK;
}

HRESULT EnumVariant::Clone(IEnumVARIANT** outEnum)
{
    if (outEnum == nullptr)
        return E_POINTER;
    *outEnum = ComObject::Create(mOwner, mItems, mPosition);
    return *outEnum != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace vx
