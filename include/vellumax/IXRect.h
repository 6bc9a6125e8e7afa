// IXRect: a rectangle value object for page scripts. Gets return VT_BSTR for
// the text forms and VT_I4 for the edges, Width and Height.
#pragma once

#include <automation/Interfaces.h>

#include "vellumax/Vellumax.h"

struct IXRect : IDispatch {
    virtual HRESULT get_String(VARIANT* outValue) = 0;  // DISPID 1
    virtual HRESULT put_String(VARIANT inValue) = 0;
    virtual HRESULT get_right(VARIANT* outValue) = 0;  // DISPID 2
    virtual HRESULT put_right(VARIANT inValue) = 0;
    virtual HRESULT get_top(VARIANT* outValue) = 0;  // DISPID 3
    virtual HRESULT put_top(VARIANT inValue) = 0;
    virtual HRESULT get_left(VARIANT* outValue) = 0;  // DISPID 4
    virtual HRESULT put_left(VARIANT inValue) = 0;
    virtual HRESULT get_bottom(VARIANT* outValue) = 0;  // DISPID 5
    virtual HRESULT put_bottom(VARIANT inValue) = 0;
    virtual HRESULT get_TopLeft(VARIANT* outValue) = 0;  // DISPID 6
    virtual HRESULT put_TopLeft(VARIANT inValue) = 0;
    virtual HRESULT get_BottomRight(VARIANT* outValue) = 0;  // DISPID 7
    virtual HRESULT put_BottomRight(VARIANT inValue) = 0;
    virtual HRESULT get_Width(VARIANT* outValue) = 0;   // DISPID 8
    virtual HRESULT get_Height(VARIANT* outValue) = 0;  // DISPID 9
};
