// IFonts: a read-only, 1-based collection of the names of the installed fonts, in the drawing layer's order, duplicates
// kept.
#pragma once

#include <automation/Interfaces.h>

#include "vellumax/Vellumax.h"

enum FontsDispId : DISPID {
    kFontsNewEnum = DISPID_NEWENUM,
    kFontsItem = DISPID_VALUE,
    kFontsCount = 1,
};

struct IFonts : IDispatch {
    // An IEnumVARIANT over the items; it keeps the collection alive.
    virtual HRESULT get__NewEnum(IUnknown** outEnum) = 0;
    // A copy of the item; an index of 0 or less gives the first, one beyond Count E_FAIL.
    virtual HRESULT get_Item(LONG inIndex, VARIANT* outItem) = 0;
    virtual HRESULT get_Count(LONG* outCount) = 0;
};
