// SAFEARRAY: bounds, element size, lock count, data access.
#pragma once

#include <cstddef>

#include "automation/Types.h"

// inBounds and every index list run from the leftmost dimension (dimension 1)
// on; the descriptor stores the bounds the other way round (rgsabound[0] is the
// rightmost dimension), and the leftmost index varies fastest in memory.
SAFEARRAY* SafeArrayCreate(VARTYPE inType, UINT inDims, const SAFEARRAYBOUND* inBounds);
SAFEARRAY* SafeArrayCreateVector(VARTYPE inType, LONG inLowerBound, ULONG inCount);
HRESULT SafeArrayDestroy(SAFEARRAY* inArray);  // DISP_E_ARRAYISLOCKED while locked
HRESULT SafeArrayCopy(SAFEARRAY* inArray, SAFEARRAY** outCopy);
UINT SafeArrayGetDim(SAFEARRAY* inArray);
UINT SafeArrayGetElemsize(SAFEARRAY* inArray);
HRESULT SafeArrayGetLBound(SAFEARRAY* inArray, UINT inDim, LONG* outBound);  // inDim is 1-based
HRESULT SafeArrayGetUBound(SAFEARRAY* inArray, UINT inDim, LONG* outBound);
HRESULT SafeArrayGetVartype(SAFEARRAY* inArray, VARTYPE* outType);
HRESULT SafeArrayLock(SAFEARRAY* inArray);
HRESULT SafeArrayUnlock(SAFEARRAY* inArray);  // E_UNEXPECTED when not locked
HRESULT SafeArrayAccessData(SAFEARRAY* inArray, void** outData);
HRESULT SafeArrayUnaccessData(SAFEARRAY* inArray);
HRESULT SafeArrayPtrOfIndex(SAFEARRAY* inArray, LONG* inIndices, void** outElement);
// Copies out (BSTR/VARIANT deep, interfaces AddRef'd); a VARIANT out value is
// overwritten as uninitialised memory. DISP_E_BADINDEX outside the bounds.
HRESULT SafeArrayGetElement(SAFEARRAY* inArray, LONG* inIndices, void* outValue);
// Stores a copy. BSTR, IUnknown* and IDispatch* are passed as the pointer
// itself, every other type by address. The old element is released.
HRESULT SafeArrayPutElement(SAFEARRAY* inArray, LONG* inIndices, void* inValue);
// A byte array (VT_ARRAY | VT_UI1) holding a copy of inData, written to outValue only on
// success. E_INVALIDARG past LONG's range of bounds or for missing data, E_OUTOFMEMORY.
HRESULT ByteArrayVariant(const void* inData, std::size_t inSize, VARIANT* outValue);
