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
    // DISPID 3. The most parts a later SetData accepts: a body with more is
    // refused and the fields stay as they were. Reads the server's MaxParts
    // setting, else 10000, until a script puts a value of 1 or more.
    virtual HRESULT get_MaxParts(LONG* outLimit) = 0;
    virtual HRESULT put_MaxParts(VARIANT inLimit) = 0;
};
