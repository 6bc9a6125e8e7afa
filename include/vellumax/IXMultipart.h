// IXMultipart: a multipart/form-data request body split into its fields (IXField
// dispatch references, in body order).
#pragma once

#include <automation/Interfaces.h>

#include "vellumax/Vellumax.h"

struct IXMultipart : IDispatch {
    virtual HRESULT get__NewEnum(IUnknown** outEnum) = 0;  // DISPID -4
    // DISPID 0. By name (text, case-sensitive, the first of duplicates) or by
    // number from 1 (1 or less gives the first); DISP_E_BADINDEX otherwise.
    virtual HRESULT get_Item(VARIANT inIndex, VARIANT* outItem) = 0;
    virtual HRESULT get_Count(LONG* outCount) = 0;  // DISPID 1
    // DISPID 2. A one-dimensional byte array, directly or by reference; replaces
    // every field. The caller's array is only read.
    virtual HRESULT SetData(VARIANT inData) = 0;
};
