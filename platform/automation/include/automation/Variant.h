// VARIANT life cycle and coercion, with the classic automation rules.
#pragma once

#include "automation/Types.h"

void VariantInit(VARIANT* ioVariant);
HRESULT VariantClear(VARIANT* ioVariant);                           // releases what it owns, then VT_EMPTY
HRESULT VariantCopy(VARIANT* outDest, const VARIANT* inSource);     // deep copy; by-reference stays by-reference
HRESULT VariantCopyInd(VARIANT* outDest, const VARIANT* inSource);  // deep copy with references followed

// inFlags: 0, or VARIANT_NOVALUEPROP (objects are not converted through their default member).
constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
constexpr USHORT VARIANT_ALPHABOOL = 0x02;
// Converts inSource into outDest as inType. Text is locale-neutral ("." as the
// decimal point); booleans read and print as "True"/"False" (VARIANT_ALPHABOOL
// changes nothing); reals round half to even into integers; VT_VARIANT as
// inType copies the value with references followed. outDest may equal inSource. On
// failure outDest is left as it was (unless it is inSource: then unchanged too).
HRESULT VariantChangeType(VARIANT* outDest, const VARIANT* inSource, USHORT inFlags, VARTYPE inType);
HRESULT VariantChangeTypeEx(VARIANT* outDest, const VARIANT* inSource, LCID inLcid, USHORT inFlags, VARTYPE inType);
