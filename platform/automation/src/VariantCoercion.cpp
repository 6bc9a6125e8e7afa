// VariantChangeType: the classic automation coercions between the scalar
// types, text, objects and arrays, locale-neutral.
#include <charconv>
#include <limits>

#include "VariantInternal.h"
#include "VariantNumber.h"
#include "automation/Interfaces.h"
#include "automation/SafeArray.h"
#include "automation/Strings.h"
#include "automation/Variant.h"

namespace {

using namespace VariantNumber;

constexpr int kMaxObjectDepth = 4;

HRESULT Coerce(const VARIANT& inSource, USHORT inFlags, LCID inLcid, VARTYPE inType, VARIANT& outValue, int inDepth);

// An object stands for the value of its default member (DISPID_VALUE).
HRESULT ScalarFromObject(const VARIANT& inObject, USHORT inFlags, LCID inLcid, VARTYPE inType, VARIANT& outValue,
                         int inDepth)
{
    if ((inFlags & VARIANT_NOVALUEPROP) || inObject.punkVal == nullptr || inDepth >= kMaxObjectDepth)
        return DISP_E_TYPEMISMATCH;
    IDispatch* theDispatch = nullptr;
    if (inObject.vt == VT_DISPATCH) {
        theDispatch = inObject.pdispVal;
        theDispatch->AddRef();
    } else if (FAILED(inObject.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&theDispatch))) ||
               theDispatch == nullptr) {
        return DISP_E_TYPEMISMATCH;
    }
    DISPPARAMS theNoArguments{nullptr, nullptr, 0, 0};
    VARIANT theValue;
    VariantInit(&theValue);
    HRESULT theResult = theDispatch->Invoke(DISPID_VALUE, GUID_NULL, inLcid, DISPATCH_PROPERTYGET, &theNoArguments,
                                            &theValue, nullptr, nullptr);
    theDispatch->Release();
    if (FAILED(theResult)) {
        VariantClear(&theValue);
        return DISP_E_TYPEMISMATCH;
    }
    theResult = Coerce(theValue, inFlags, inLcid, inType, outValue, inDepth + 1);
    VariantClear(&theValue);
    return theResult;
}

// Between the two object types (the same type is a plain copy).
HRESULT ObjectFrom(const VARIANT& inSource, VARTYPE inType, VARIANT& outValue)
{
    if (inSource.vt != VT_EMPTY && inSource.vt != VT_DISPATCH && inSource.vt != VT_UNKNOWN)
        return DISP_E_TYPEMISMATCH;
    IUnknown* theObject = nullptr;
    if (inSource.vt != VT_EMPTY && inSource.punkVal != nullptr) {
        const IID& theIid = inType == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
        if (FAILED(inSource.punkVal->QueryInterface(theIid, reinterpret_cast<void**>(&theObject))) ||
            theObject == nullptr)
            return DISP_E_TYPEMISMATCH;
    }
    outValue.vt = inType;
    outValue.punkVal = theObject;
    return S_OK;
}

HRESULT ErrorFrom(const VARIANT& inSource, VARIANT& outValue)
{
    switch (inSource.vt) {
    case VT_ERROR:
    case VT_I4:
    case VT_INT:
    case VT_UI4:
    case VT_UINT:
        outValue.vt = VT_ERROR;
        outValue.scode = inSource.scode;  // all four share the same 32 bits
        return S_OK;
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// outValue is empty on entry and owns whatever it holds on success.
HRESULT Coerce(const VARIANT& inSource, USHORT inFlags, LCID inLcid, VARTYPE inType, VARIANT& outValue, int inDepth)
{
    VARIANT theSource;
    HRESULT theResult = VariantInternal::Dereference(&inSource, &theSource);
    if (FAILED(theResult))
        return theResult;
    if (inType & VT_BYREF)
        return DISP_E_TYPEMISMATCH;  // a conversion makes a value, never a reference
    if (!VariantInternal::IsValidType(inType) && inType != VT_VARIANT)
        return DISP_E_BADVARTYPE;
    if (inType == VT_EMPTY)
        return S_OK;
    if (inType == VT_VARIANT || inType == theSource.vt)
        return VariantCopy(&outValue, &theSource);
    if ((inType & VT_ARRAY) || (theSource.vt & VT_ARRAY))
        return DISP_E_TYPEMISMATCH;  // arrays convert only to their own type

    switch (inType) {
    case VT_NULL:
        if (theSource.vt != VT_EMPTY)
            return DISP_E_TYPEMISMATCH;
        outValue.vt = VT_NULL;
        return S_OK;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return ObjectFrom(theSource, inType, outValue);
    case VT_ERROR:
        return ErrorFrom(theSource, outValue);
    default:
        break;
    }
    if (!IsScalarTarget(inType))
        return DISP_E_BADVARTYPE;

    Number theNumber;
    switch (theSource.vt) {
    case VT_NULL:
        return DISP_E_TYPEMISMATCH;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return ScalarFromObject(theSource, inFlags, inLcid, inType, outValue, inDepth);
    case VT_ERROR:
        if (inType == VT_I4 || inType == VT_INT || inType == VT_UI4 || inType == VT_UINT) {
            StoreInteger(inType, static_cast<std::uint32_t>(theSource.scode), outValue);
            return S_OK;
        }
        return DISP_E_TYPEMISMATCH;
    case VT_EMPTY:
        if (inType == VT_BSTR) {
            outValue.vt = VT_BSTR;
            outValue.bstrVal = SysAllocStringLen(nullptr, 0);
            return outValue.bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
        }
        break;
    case VT_BSTR:
        theResult = ParseNumber(theSource.bstrVal, theNumber);
        if (FAILED(theResult))
            return theResult;
        return ScalarFromNumber(theNumber, inType, outValue);
    default:
        break;
    }
    if (!NumberFromScalar(theSource, theNumber))
        return DISP_E_BADVARTYPE;  // currency, dates and decimals are not converted here
    return ScalarFromNumber(theNumber, inType, outValue);
}

// The conversions every property read and write takes, I4 <-> text, without
// the general dispatch. Anything unusual (signs of other forms, overflow,
// failures) is left to the general path, which gives the same answer slower.
bool TryFastPath(const VARIANT& inSource, VARTYPE inType, VARIANT& outValue)
{
    if (inSource.vt == VT_BSTR && inType == VT_I4 && inSource.bstrVal != nullptr) {
        const OLECHAR* theText = inSource.bstrVal;
        const OLECHAR* theEnd = theText + SysStringLen(inSource.bstrVal);
        while (theText < theEnd && *theText == u' ')
            ++theText;
        while (theEnd > theText && theEnd[-1] == u' ')
            --theEnd;
        const bool theNegative = theText < theEnd && *theText == u'-';
        theText += theNegative;
        if (theText == theEnd || theEnd - theText > 10)
            return false;
        std::int64_t theValue = 0;
        for (; theText < theEnd; ++theText) {
            if (!IsDigit(*theText))
                return false;
            theValue = theValue * 10 + (*theText - u'0');
        }
        theValue = theNegative ? -theValue : theValue;
        if (theValue < std::numeric_limits<LONG>::min() || theValue > std::numeric_limits<LONG>::max())
            return false;
        outValue.vt = VT_I4;
        outValue.lVal = static_cast<LONG>(theValue);
        return true;
    }
    if (inSource.vt == VT_I4 && inType == VT_BSTR) {
        char theBuffer[16];
        const char* theEnd = std::to_chars(theBuffer, theBuffer + sizeof theBuffer, inSource.lVal).ptr;
        const auto theLength = static_cast<UINT>(theEnd - theBuffer);
        BSTR theText = SysAllocStringLen(nullptr, theLength);
        if (theText == nullptr)
            return false;
        for (UINT i = 0; i < theLength; ++i)
            theText[i] = static_cast<OLECHAR>(theBuffer[i]);
        outValue.vt = VT_BSTR;
        outValue.bstrVal = theText;
        return true;
    }
    return false;
}

}  // namespace

HRESULT VariantChangeTypeEx(VARIANT* outDest, const VARIANT* inSource, LCID inLcid, USHORT inFlags, VARTYPE inType)
{
    if (outDest == nullptr || inSource == nullptr)
        return E_INVALIDARG;
    VARIANT theValue;
    VariantInit(&theValue);
    const HRESULT theResult =
        TryFastPath(*inSource, inType, theValue) ? S_OK : Coerce(*inSource, inFlags, inLcid, inType, theValue, 0);
    if (FAILED(theResult)) {
        VariantClear(&theValue);
        return theResult;
    }
    // Only now is the destination touched, so a failure leaves it (and an
    // in-place source) as it was.
    const HRESULT theClear = VariantClear(outDest);
    if (FAILED(theClear)) {
        VariantClear(&theValue);
        return theClear;
    }
    *outDest = theValue;
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* outDest, const VARIANT* inSource, USHORT inFlags, VARTYPE inType)
{
    return VariantChangeTypeEx(outDest, inSource, LOCALE_USER_DEFAULT, inFlags, inType);
}
