// GUID text form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "automation/Types.h"

std::string StringFromGUID(REFGUID inGuid);                             // upper case, with braces
std::optional<GUID> GUIDFromString(std::string_view inText);            // braces required, any case
HRESULT CLSIDFromString(LPCOLESTR inText, CLSID* outClsid);             // CO_E_CLASSSTRING on bad text
int StringFromGUID2(REFGUID inGuid, LPOLESTR outText, int inCapacity);  // characters written incl. NUL, 0 if too small
