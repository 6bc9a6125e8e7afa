// Per-thread error information, as the automation runtime keeps it.
#pragma once

#include <string_view>

#include "automation/Interfaces.h"

// Replaces the calling thread's error object (null clears it); inReserved must be 0.
HRESULT SetErrorInfo(ULONG inReserved, IErrorInfo* inInfo);
// Hands the thread's error object to the caller (who releases it) and clears
// it; S_FALSE with a null result when there is none.
HRESULT GetErrorInfo(ULONG inReserved, IErrorInfo** outInfo);
// A new, empty error object; query it for IErrorInfo to set it.
HRESULT CreateErrorInfo(ICreateErrorInfo** outInfo);

namespace vx {

// Sets the thread's error information (UTF-8 texts) and returns inCode, so
// that a method can end with `return RaiseError(E_FAIL, ...)`.
HRESULT RaiseError(HRESULT inCode, std::string_view inDescription, std::string_view inSource, REFIID inIid = GUID_NULL);

}  // namespace vx
