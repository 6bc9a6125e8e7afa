// IXPoint: a point value object for page scripts. Gets return VT_BSTR
// (String) and VT_I4 (x, y).
#pragma once

#include <automation/Interfaces.h>

#include "vellumax/Vellumax.h"

struct IXPoint : IDispatch {
    virtual HRESULT get_String(VARIANT* outValue) = 0;  // DISPID 1
    virtual HRESULT put_String(VARIANT inValue) = 0;
    virtual HRESULT get_x(VARIANT* outValue) = 0;  // DISPID 2
    virtual HRESULT put_x(VARIANT inValue) = 0;
    virtual HRESULT get_y(VARIANT* outValue) = 0;  // DISPID 3
    virtual HRESULT put_y(VARIANT inValue) = 0;
};
