#include "automation/Variant.h"

#include <cstring>

#include "VariantInternal.h"
#include "automation/Interfaces.h"
#include "automation/SafeArray.h"
#include "automation/Strings.h"

namespace {

bool IsBaseType(VARTYPE inBase)
{
    switch (inBase) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_VARIANT:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
        return true;
    default:
        return false;
    }
}

// A copy of inSource (already validated) that owns its own resources.
// References are copied as references.
HRESULT DeepCopy(const VARIANT& inSource, VARIANT& outCopy)
{
    outCopy = inSource;
    if (inSource.vt & VT_BYREF)
        return S_OK;
    if (inSource.vt & VT_ARRAY) {
        outCopy.vt = VT_EMPTY;
        SAFEARRAY* theArray = nullptr;
        const HRESULT theResult = SafeArrayCopy(inSource.parray, &theArray);
        if (FAILED(theResult))
            return theResult;
        outCopy.vt = inSource.vt;
        outCopy.parray = theArray;
        return S_OK;
    }
    switch (inSource.vt) {
    case VT_BSTR:
        if (inSource.bstrVal != nullptr) {
            outCopy.bstrVal = SysAllocStringByteLen(reinterpret_cast<const char*>(inSource.bstrVal),
                                                    SysStringByteLen(inSource.bstrVal));
            if (outCopy.bstrVal == nullptr) {
                outCopy.vt = VT_EMPTY;
                return E_OUTOFMEMORY;
            }
        }
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (inSource.punkVal != nullptr)
            inSource.punkVal->AddRef();
        break;
    default:
        break;
    }
    return S_OK;
}

HRESULT Install(VARIANT* ioDest, VARIANT& inValue)
{
    const HRESULT theResult = VariantClear(ioDest);
    if (FAILED(theResult)) {
        VariantClear(&inValue);
        return theResult;
    }
    *ioDest = inValue;
    return S_OK;
}

constexpr int kMaxReferenceDepth = 16;

}  // namespace

namespace VariantInternal {

std::size_t ValueSize(VARTYPE inBase)
{
    switch (inBase) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
    case VT_HRESULT:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
        return 8;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return sizeof(void*);
    default:
        return 0;
    }
}

bool IsValidType(VARTYPE inType)
{
    const VARTYPE theBase = inType & VT_TYPEMASK;
    if (inType & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF))
        return false;
    if (inType & VT_ARRAY)
        return theBase != VT_EMPTY && theBase != VT_NULL && theBase != VT_DECIMAL && IsBaseType(theBase);
    if (theBase == VT_VARIANT)
        return (inType & VT_BYREF) != 0;  // a variant holds another only by reference
    return IsBaseType(theBase) && !((inType & VT_BYREF) && (theBase == VT_EMPTY || theBase == VT_NULL));
}

HRESULT Dereference(const VARIANT* inSource, VARIANT* outView)
{
    const VARIANT* theCurrent = inSource;
    for (int theDepth = 0; theDepth < kMaxReferenceDepth; ++theDepth) {
        if (!IsValidType(theCurrent->vt))
            return DISP_E_BADVARTYPE;
        if (!(theCurrent->vt & VT_BYREF)) {
            *outView = *theCurrent;
            return S_OK;
        }
        if (theCurrent->byref == nullptr)
            return E_INVALIDARG;
        const VARTYPE theTarget = theCurrent->vt & ~VT_BYREF;
        if (theTarget == VT_VARIANT) {
            theCurrent = theCurrent->pvarVal;
            continue;
        }
        VARIANT theView;
        VariantInit(&theView);
        theView.vt = theTarget;
        const std::size_t theSize = (theTarget & VT_ARRAY) ? sizeof(SAFEARRAY*) : ValueSize(theTarget);
        if (theSize == 0)
            return DISP_E_BADVARTYPE;
        // Every member of the value union starts at the same address.
        std::memcpy(&theView.llVal, theCurrent->byref, theSize);
        *outView = theView;
        return S_OK;
    }
    return E_INVALIDARG;
}

}  // namespace VariantInternal

void VariantInit(VARIANT* ioVariant)
{
    if (ioVariant == nullptr)
        return;
    ioVariant->vt = VT_EMPTY;
    ioVariant->wReserved1 = ioVariant->wReserved2 = ioVariant->wReserved3 = 0;
    ioVariant->llVal = 0;
    ioVariant->brecVal.pRecInfo = nullptr;
}

HRESULT VariantClear(VARIANT* ioVariant)
{
    if (ioVariant == nullptr)
        return E_INVALIDARG;
    if (!VariantInternal::IsValidType(ioVariant->vt))
        return DISP_E_BADVARTYPE;
    if (!(ioVariant->vt & VT_BYREF)) {
        if (ioVariant->vt & VT_ARRAY) {
            // A locked array stays where it is: its user still holds its data.
            const HRESULT theResult = SafeArrayDestroy(ioVariant->parray);
            if (FAILED(theResult))
                return theResult;
        } else if (ioVariant->vt == VT_BSTR) {
            SysFreeString(ioVariant->bstrVal);
        } else if ((ioVariant->vt == VT_DISPATCH || ioVariant->vt == VT_UNKNOWN) && ioVariant->punkVal != nullptr) {
            ioVariant->punkVal->Release();
        }
    }
    VariantInit(ioVariant);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* outDest, const VARIANT* inSource)
{
    if (outDest == nullptr || inSource == nullptr)
        return E_INVALIDARG;
    if (outDest == inSource)
        return S_OK;
    if (!VariantInternal::IsValidType(inSource->vt))
        return DISP_E_BADVARTYPE;
    VARIANT theCopy;
    const HRESULT theResult = DeepCopy(*inSource, theCopy);
    if (FAILED(theResult))
        return theResult;
    return Install(outDest, theCopy);
}

HRESULT VariantCopyInd(VARIANT* outDest, const VARIANT* inSource)
{
    if (outDest == nullptr || inSource == nullptr)
        return E_INVALIDARG;
    VARIANT theView;
    HRESULT theResult = VariantInternal::Dereference(inSource, &theView);
    if (FAILED(theResult))
        return theResult;
    VARIANT theCopy;
    theResult = DeepCopy(theView, theCopy);
    if (FAILED(theResult))
        return theResult;
    // In place, clearing the source first is safe: a reference owns nothing,
    // and a plain value has just been copied.
    return Install(outDest, theCopy);
}
