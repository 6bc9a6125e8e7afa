// SAFEARRAY: bounds, element size, lock count, data access.
#pragma once

#include "automation/Types.h"

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
HRESULT SafeArrayGetElement(SAFEARRAY* inArray, LONG* inIndices, void* outValue);  // copies (BSTR/VARIANT deep)
HRESULT SafeArrayPutElement(SAFEARRAY* inArray, LONG* inIndices, void* inValue);
