#include "vellumax/objects/ValueCoercion.h"

#include <cmath>

#include <automation/Strings.h>
#include <automation/Variant.h>

#include "vellumax/errors/ComError.h"
#include "vellumax/errors/ScriptText.h"

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
    return ScriptTextUtf8(inValue);
}

float SingleFromVariant(const VARIANT& inValue)
{
    CheckScriptText(inValue);
    float theValue = inValue.fltVal;
    if (inValue.vt != VT_R4) {
        VARIANT theNumber;
        Coerce(inValue, VT_R4, &theNumber);
        theValue = theNumber.fltVal;
    }
    // What the integer coercions answer for the same value: a NaN would
    // otherwise pass every clamp and be stored as 0.
    if (!std::isfinite(theValue))
        throw ComError(DISP_E_OVERFLOW);
    return theValue;
}

std::int32_t LongFromVariant(const VARIANT& inValue)
{
    CheckScriptText(inValue);
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
