// The sentences that explain a platform's error code inside a composed error
// text, and the text of an HRESULT caught at a method boundary.
#pragma once

#include <string>

#include "automation/Types.h"

// Each appends one sentence ending in a line feed; a code of 0 appends nothing.
void ExplainQuickTimeError(std::string& ioText, long inCode);
// Windows error numbers, and HRESULTs (given sign-extended, so E_FAIL reads -2147467259).
void ExplainWindowsError(std::string& ioText, long inCode);
void ExplainOpenGLError(std::string& ioText, unsigned long inCode);

// The system's text for inCode without its line end; for codes it has no text
// for, "IDispatch error #n" (0x80040200 to 0x8004FFFF) or "Unknown error 0x...".
std::string ComErrorText(HRESULT inCode);
