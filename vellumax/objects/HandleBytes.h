// Script byte arrays and imaging handles: a picture a script hands over as
// bytes becomes a handle for the importers, and a handle's bytes go back to
// the script as a new byte array.
#pragma once

#include <automation/Types.h>

#include "imaging/MacTypes.h"

// A new handle (owned by the caller) holding the array's bytes; the array is
// released on every path. The array failures of BytesFromVariant, or
// E_OUTOFMEMORY when the handle can't be made.
HRESULT HandleFromVariant(const VARIANT* inVariant, Handle* outHandle);
// The whole handle, copied while it is locked, as a new VT_ARRAY | VT_UI1.
HRESULT VariantFromHandle(Handle inHandle, VARIANT* outVariant);
