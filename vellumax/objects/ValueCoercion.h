// The standard automation coercions of the value objects' property frames.
// A value that can't be converted throws ComError with the coercion's HRESULT,
// which the frame hands back unchanged and without a description.
#pragma once

#include <cstdint>
#include <string>

#include <automation/Types.h>

// The value as text (UTF-8), references followed; a text holding a NUL throws
// ComError(E_INVALIDARG) rather than being cut short there (ScriptText).
std::string TextFromVariant(const VARIANT& inValue);
// The value as a single-precision number; a VT_R4 is taken as it is. NaN and
// the infinities throw ComError(DISP_E_OVERFLOW).
float SingleFromVariant(const VARIANT& inValue);
// The value as a 32-bit integer. A number given as text holding a NUL is
// refused as any text is (E_INVALIDARG), here and in SingleFromVariant.
std::int32_t LongFromVariant(const VARIANT& inValue);

// Results of a get; outValue is overwritten, not cleared. Throws ComError
// (E_OUTOFMEMORY) when the text can't be allocated.
void SetTextResult(const char* inUtf8, VARIANT* outValue);
void SetSingleResult(float inValue, VARIANT* outValue);
void SetLongResult(std::int32_t inValue, VARIANT* outValue);
