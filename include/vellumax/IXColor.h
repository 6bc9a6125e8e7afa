// IXColor: a colour value object for page scripts. Every value is a VARIANT;
// gets return VT_BSTR (String), VT_R4 percentages and VT_I4 (RGB).
#pragma once

#include <automation/Interfaces.h>

#include "vellumax/Vellumax.h"

struct IXColor : IDispatch {
    virtual HRESULT get_String(VARIANT* outValue) = 0;  // DISPID 1
    virtual HRESULT put_String(VARIANT inValue) = 0;
    virtual HRESULT get_Red(VARIANT* outValue) = 0;  // DISPID 2
    virtual HRESULT put_Red(VARIANT inValue) = 0;
    virtual HRESULT get_Green(VARIANT* outValue) = 0;  // DISPID 3
    virtual HRESULT put_Green(VARIANT inValue) = 0;
    virtual HRESULT get_Blue(VARIANT* outValue) = 0;  // DISPID 4
    virtual HRESULT put_Blue(VARIANT inValue) = 0;
    virtual HRESULT get_Alpha(VARIANT* outValue) = 0;  // DISPID 5
    virtual HRESULT put_Alpha(VARIANT inValue) = 0;
    virtual HRESULT get_RGB(VARIANT* outValue) = 0;  // DISPID 6
    virtual HRESULT put_RGB(VARIANT inValue) = 0;
};
