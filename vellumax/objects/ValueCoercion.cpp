#include "vellumax/objects/ValueCoercion.h"

#include <automation/Strings.h>
#include <automation/Variant.h>

#include "vellumax/errors/ComError.h"

namespace {

// Coerces into a fresh VARIANT the caller clears; throws on failure.
void Coerce(const VARIANT& inValue, VARTYPE inType, VARIANT* outValue)
{
    VariantInit(outValue);
    const HRESULT theResult = VariantChangeType(outValue, &inValue, 0, inType);
    if (FAILED(theResult))
        throw ComError(theResult);
}

}  // namespace

std::string TextFromVariant(const VARIANT& inValue)
{
    // Text is read in place: coercing would only copy it.
    if (inValue.vt == VT_BSTR)
        return UTF8FromBSTR(inValue.bstrVal);
    VARIANT theText;
    Coerce(inValue, VT_BSTR, &theText);
    std::string theUtf8 = UTF8FromBSTR(theText.bstrVal);
    VariantClear(&theText);
    return theUtf8;
}

std::string WholeTextFromVariant(const VARIANT& inValue)
{
    std::string theText = TextFromVariant(inValue);
    if (theText.find('\0') != std::string::npos)
        throw ComError(E_INVALIDARG);
    return theText;
}

float SingleFromVariant(const VARIANT& inValue)
{
    if (inValue.vt == VT_R4)
        return inValue.fltVal;
    VARIANT theNumber;
    Coerce(inValue, VT_R4, &theNumber);
    return theNumber.fltVal;
}

std::int32_t LongFromVariant(const VARIANT& inValue)
{
    VARIANT theNumber;
    Coerce(inValue, VT_I4, &theNumber);
    return theNumber.lVal;
}

void SetTextResult(const char* inUtf8, VARIANT* outValue)
{
    BSTR theText = SysAllocStringUTF8(inUtf8);
    if (theText == nullptr)
        throw ComError(E_OUTOFMEMORY);
    outValue->vt = VT_BSTR;
    outValue->bstrVal = theText;
}

void SetSingleResult(float inValue, VARIANT* outValue)
{
    outValue->vt = VT_R4;
    outValue->fltVal = inValue;
}

void SetLongResult(std::int32_t inValue, VARIANT* outValue)
{
    outValue->vt = VT_I4;
    outValue->lVal = inValue;
}
