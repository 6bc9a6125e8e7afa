// Raising a failure to the script as the call's COM error, and the standard
// failures of a property put, a property get and a method. Each scripting
// class wraps these with its own interface and ProgID.
#pragma once

#include <cstdint>
#include <string>

#include "automation/Types.h"

// Logs inText when the setting LogErrors is non-zero, makes it the thread's
// error information (description inText, GUID inIid, source inProgId) and
// returns inCode unchanged, also when no error information could be made.
HRESULT RaiseComError(const std::string& inText, HRESULT inCode, REFIID inIid, const char* inProgId);

// "Set <label>  =  <value>" with inMessage (when not empty) and the codes, or
// "Unable to set property" when there is neither; raised with E_FAIL. Throws
// ComError when inValue has no text form.
HRESULT ReportSetFailure(const char* inLabel, const VARIANT& inValue, std::int32_t inQuickTimeError,
                         std::uint32_t inWindowsError, REFIID inIid, const char* inProgId,
                         const std::string& inMessage = {});
// "Get <label>" with the codes, or "Unable to get property" when all are 0.
// inComError is the HRESULT of a failed step, if any.
HRESULT ReportGetFailure(const char* inLabel, std::int32_t inQuickTimeError, std::uint32_t inWindowsError, REFIID inIid,
                         const char* inProgId, HRESULT inComError = S_OK);
// "Do <label> <detail>" with the codes, or "Unable to complete the operation".
HRESULT ReportDoFailure(const char* inLabel, const std::string& inDetail, std::int32_t inQuickTimeError,
                        std::uint32_t inWindowsError, REFIID inIid, const char* inProgId, HRESULT inComError = S_OK);
