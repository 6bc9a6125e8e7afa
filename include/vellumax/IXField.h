// IXField: one field of a posted form. Name, Type and Filename are VT_BSTR;
// Contents is the text of the bytes up to the first zero byte, Data the bytes
// as VT_ARRAY | VT_UI1.
#pragma once

#include <automation/Interfaces.h>

#include "vellumax/Vellumax.h"

struct IXField : IDispatch {
    virtual HRESULT get_Name(VARIANT* outValue) = 0;      // DISPID 1
    virtual HRESULT get_Type(VARIANT* outValue) = 0;      // DISPID 2
    virtual HRESULT get_Filename(VARIANT* outValue) = 0;  // DISPID 3
    virtual HRESULT get_Contents(VARIANT* outValue) = 0;  // DISPID 4
    virtual HRESULT get_Data(VARIANT* outValue) = 0;      // DISPID 5
    // DISPID 6. Name, type and file name as text (at most 255 characters kept);
    // contents and data copied with references followed.
    virtual HRESULT SetValues(VARIANT inName, VARIANT inType, VARIANT inFilename, VARIANT inContents,
                              VARIANT inData) = 0;
};
