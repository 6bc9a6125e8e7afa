#include "automation/ComVariant.h"

#include <cstring>

#include "automation/SafeArray.h"
#include "automation/Strings.h"

namespace vx {

namespace {

// Coerces inValue to inType in a temporary; the temporary is cleared by the caller.
HRESULT Coerce(const VARIANT& inValue, VARTYPE inType, VARIANT& outValue)
{
    VariantInit(&outValue);
    return VariantChangeType(&outValue, &inValue, 0, inType);
}

void Report(HRESULT* outResult, HRESULT inResult)
{
    if (outResult != nullptr)
        *outResult = inResult;
}

}  // namespace

ComVariant::ComVariant(std::string_view inUtf8) : ComVariant()
{
    mValue.bstrVal = SysAllocStringUTF8(inUtf8);
    mValue.vt = VT_BSTR;
}

ComVariant::ComVariant(std::u16string_view inText) : ComVariant()
{
    mValue.bstrVal = SysAllocStringLen(inText.data(), static_cast<UINT>(inText.size()));
    mValue.vt = VT_BSTR;
}

ComVariant::ComVariant(IDispatch* inObject) : ComVariant()
{
    mValue.vt = VT_DISPATCH;
    mValue.pdispVal = inObject;
    if (inObject != nullptr)
        inObject->AddRef();
}

ComVariant::ComVariant(IUnknown* inObject) : ComVariant()
{
    mValue.vt = VT_UNKNOWN;
    mValue.punkVal = inObject;
    if (inObject != nullptr)
        inObject->AddRef();
}

ComVariant::ComVariant(const std::vector<std::uint8_t>& inBytes) : ComVariant()
{
    // Left empty when no array can be made.
    ByteArrayVariant(inBytes.data(), inBytes.size(), &mValue);
}

std::u16string ComVariant::AsU16String(HRESULT* outResult) const
{
    VARIANT theText;
    HRESULT theResult = Coerce(mValue, VT_BSTR, theText);
    Report(outResult, theResult);
    if (FAILED(theResult))
        return {};
    std::u16string theString(theText.bstrVal ? theText.bstrVal : u"", SysStringLen(theText.bstrVal));
    VariantClear(&theText);
    return theString;
}

std::string ComVariant::AsString(HRESULT* outResult) const
{
    return UTF8FromUTF16(AsU16String(outResult));
}

LONG ComVariant::AsLong(HRESULT* outResult) const
{
    VARIANT theNumber;
    HRESULT theResult = Coerce(mValue, VT_I4, theNumber);
    Report(outResult, theResult);
    return SUCCEEDED(theResult) ? theNumber.lVal : 0;
}

double ComVariant::AsDouble(HRESULT* outResult) const
{
    VARIANT theNumber;
    HRESULT theResult = Coerce(mValue, VT_R8, theNumber);
    Report(outResult, theResult);
    return SUCCEEDED(theResult) ? theNumber.dblVal : 0.0;
}

bool ComVariant::AsBool(HRESULT* outResult) const
{
    VARIANT theFlag;
    HRESULT theResult = Coerce(mValue, VT_BOOL, theFlag);
    Report(outResult, theResult);
    return SUCCEEDED(theResult) && theFlag.boolVal != VARIANT_FALSE;
}

IDispatch* ComVariant::AsDispatch() const
{
    const VARIANT& theValue = (mValue.vt == (VT_BYREF | VT_VARIANT) && mValue.pvarVal) ? *mValue.pvarVal : mValue;
    if (theValue.vt == VT_DISPATCH)
        return theValue.pdispVal;
    if (theValue.vt == (VT_BYREF | VT_DISPATCH) && theValue.ppdispVal != nullptr)
        return *theValue.ppdispVal;
    return nullptr;
}

IUnknown* ComVariant::AsUnknown() const
{
    const VARIANT& theValue = (mValue.vt == (VT_BYREF | VT_VARIANT) && mValue.pvarVal) ? *mValue.pvarVal : mValue;
    switch (theValue.vt) {
    case VT_UNKNOWN:
        return theValue.punkVal;
    case VT_DISPATCH:
        return theValue.pdispVal;
    case VT_BYREF | VT_UNKNOWN:
        return theValue.ppunkVal ? *theValue.ppunkVal : nullptr;
    case VT_BYREF | VT_DISPATCH:
        return theValue.ppdispVal ? *theValue.ppdispVal : nullptr;
    default:
        return nullptr;
    }
}

std::vector<std::uint8_t> ComVariant::AsBytes(HRESULT* outResult) const
{
    const VARIANT* theValue = &mValue;
    while (theValue->vt == (VT_BYREF | VT_VARIANT) && theValue->pvarVal != nullptr)
        theValue = theValue->pvarVal;
    SAFEARRAY* theArray = nullptr;
    if (theValue->vt == (VT_ARRAY | VT_UI1))
        theArray = theValue->parray;
    else if (theValue->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && theValue->pparray != nullptr)
        theArray = *theValue->pparray;
    if (theArray == nullptr || SafeArrayGetDim(theArray) != 1) {
        Report(outResult, DISP_E_TYPEMISMATCH);
        return {};
    }
    LONG theLower = 0, theUpper = -1;
    SafeArrayGetLBound(theArray, 1, &theLower);
    SafeArrayGetUBound(theArray, 1, &theUpper);
    std::vector<std::uint8_t> theBytes;
    if (theUpper >= theLower) {
        void* theData = nullptr;
        HRESULT theResult = SafeArrayAccessData(theArray, &theData);
        if (FAILED(theResult)) {
            Report(outResult, theResult);
            return {};
        }
        const auto* theStart = static_cast<const std::uint8_t*>(theData);
        theBytes.assign(theStart, theStart + (static_cast<LONGLONG>(theUpper) - theLower + 1));
        SafeArrayUnaccessData(theArray);
    }
    Report(outResult, S_OK);
    return theBytes;
}

}  // namespace vx
