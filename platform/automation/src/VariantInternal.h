// Helpers shared by the variant life-cycle and coercion units.
#pragma once

#include <cstddef>

#include "automation/Types.h"

namespace VariantInternal {

// A variant type the runtime can hold: a known base type, optionally an array
// of a storable element type, optionally by reference.
bool IsValidType(VARTYPE inType);

// Bytes one value of a plain base type occupies (numbers, booleans, errors and
// HRESULTs, BSTR and interface pointers); 0 for VT_VARIANT and anything else.
// The one table for variants, arrays and dispatch write-back.
std::size_t ValueSize(VARTYPE inBase);

// The value a variant stands for, with references followed (also through
// VT_BYREF | VT_VARIANT chains). The result borrows: it owns nothing and must
// not be cleared. E_INVALIDARG for a null reference or a chain that loops.
HRESULT Dereference(const VARIANT* inSource, VARIANT* outView);

}  // namespace VariantInternal
