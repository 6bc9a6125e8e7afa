// Arbitrary text through the UTF-8 decoder and every text coercion: nothing
// may crash, leak or read outside the string, and a number read back from its
// own text must give the same text again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "automation/Strings.h"
#include "automation/Variant.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    const std::string_view theBytes(reinterpret_cast<const char*>(inData), inSize);
    VARIANT theText;
    VariantInit(&theText);
    theText.vt = VT_BSTR;
    theText.bstrVal = SysAllocStringUTF8(theBytes);
    if (theText.bstrVal == nullptr)
        return 0;
    if (UTF16FromUTF8(UTF8FromBSTR(theText.bstrVal)) !=
        std::u16string_view(theText.bstrVal, SysStringLen(theText.bstrVal)))
        std::abort();

    const VARTYPE theTargets[] = {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4,   VT_UI4,   VT_INT,     VT_UINT,
                                  VT_I8, VT_UI8, VT_R4, VT_R8,  VT_BOOL, VT_ERROR, VT_DISPATCH};
    for (VARTYPE theTarget : theTargets) {
        VARIANT theValue;
        VariantInit(&theValue);
        if (VariantChangeType(&theValue, &theText, 0, theTarget) == S_OK && theTarget != VT_DISPATCH) {
            VARIANT theBack;
            VariantInit(&theBack);
            VARIANT theAgain;
            VariantInit(&theAgain);
            if (VariantChangeType(&theBack, &theValue, 0, VT_BSTR) != S_OK ||
                VariantChangeType(&theAgain, &theBack, 0, theTarget) != S_OK)
                std::abort();
            VARIANT theTextAgain;
            VariantInit(&theTextAgain);
            // Seven digits do not always single out a float, so singles are exempt.
            if (VariantChangeType(&theTextAgain, &theAgain, 0, VT_BSTR) != S_OK ||
                (theTarget != VT_R4 && UTF8FromBSTR(theTextAgain.bstrVal) != UTF8FromBSTR(theBack.bstrVal)))
                std::abort();
            VariantClear(&theTextAgain);
            VariantClear(&theAgain);
            VariantClear(&theBack);
        }
        VariantClear(&theValue);
    }
    VariantClear(&theText);
    return 0;
}
