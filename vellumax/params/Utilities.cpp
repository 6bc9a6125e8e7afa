#include "vellumax/params/Utilities.h"

#include <cstring>
#include <limits>

#include "automation/Errors.h"
#include "automation/Owners.h"
#include "automation/SafeArray.h"
#include "automation/Variant.h"

// Constant-initialised, so it holds its value before any other static
// initialiser of the server can read it.
constinit const char ListSeparator = ',';

namespace {

// The array a VARIANT holds directly or by reference, or nullptr.
SAFEARRAY* ArrayOf(const VARIANT* inVariant)
{
    if (inVariant == nullptr || (inVariant->vt & VT_ARRAY) == 0)
        return nullptr;
    if ((inVariant->vt & VT_BYREF) != 0)
        return inVariant->pparray != nullptr ? *inVariant->pparray : nullptr;
    return inVariant->parray;
}

}  // namespace

// ---- Script values and bytes ------------------------------------------------------------

HRESULT BytesFromVariant(const VARIANT* inVariant, const BYTE** outData, LONG* outLength)
{
    SAFEARRAY* theArray = ArrayOf(inVariant);
    if (theArray == nullptr)
        return DISP_E_TYPEMISMATCH;
    if (SafeArrayGetDim(theArray) != 1)
        return E_INVALIDARG;
    // The length is a byte count, so only one-byte elements can be read whole.
    const VARTYPE theElement = inVariant->vt & VT_TYPEMASK;
    if ((theElement != VT_UI1 && theElement != VT_I1) || SafeArrayGetElemsize(theArray) != 1)
        return E_INVALIDARG;
    LONG theLower = 0;
    LONG theUpper = 0;
    HRESULT theResult = SafeArrayGetLBound(theArray, 1, &theLower);
    if (SUCCEEDED(theResult))
        theResult = SafeArrayGetUBound(theArray, 1, &theUpper);
    if (FAILED(theResult))
        return theResult;
    const std::int64_t theLength = std::int64_t(theUpper) - theLower + 1;
    if (theLength < 0 || theLength > std::numeric_limits<LONG>::max())
        return E_INVALIDARG;
    void* theData = nullptr;
    theResult = SafeArrayAccessData(theArray, &theData);
    if (FAILED(theResult))
        return theResult;
    *outData = static_cast<const BYTE*>(theData);
    *outLength = LONG(theLength);
    return S_OK;
}

HRESULT ReleaseVariantBytes(const VARIANT* inVariant)
{
    SAFEARRAY* theArray = ArrayOf(inVariant);
    return theArray != nullptr ? SafeArrayUnaccessData(theArray) : DISP_E_TYPEMISMATCH;
}

HRESULT VariantFromBytes(const void* inData, LONG inLength, VARIANT* outVariant)
{
    if (inLength < 0 || (inLength > 0 && inData == nullptr))
        return E_INVALIDARG;
    return ByteArrayVariant(inData, std::size_t(inLength), outVariant);
}

void CStringFromPascal(const unsigned char* inPascal, char* outText)
{
    const std::size_t theLength = inPascal[0];
    std::memcpy(outText, inPascal + 1, theLength);
    outText[theLength] = '\0';
}

// ---- Other shared routines --------------------------------------------------------------

void ReplaceChar(char* ioText, char inFrom, char inTo)
{
    for (; *ioText != '\0'; ++ioText)
        if (*ioText == inFrom)
            *ioText = inTo;
}

const char* FindBytes(const char* inStart, const char* inEnd, const char* inNeedle)
{
    const std::size_t theNeedle = std::strlen(inNeedle);
    if (theNeedle == 0)
        return inStart;
    if (inEnd < inStart)
        return nullptr;
    const std::size_t theRange = std::size_t(inEnd - inStart) + 1;
    return static_cast<const char*>(memmem(inStart, theRange, inNeedle, theNeedle));
}
