// IGraphicImages: a read-only, 1-based collection of the images of a picture (IGraphicImage dispatch references), in
// file order.
#pragma once

#include <automation/Interfaces.h>

#include "vellumax/Vellumax.h"

enum GraphicImagesDispId : DISPID {
    kGraphicImagesNewEnum = DISPID_NEWENUM,
    kGraphicImagesItem = DISPID_VALUE,
    kGraphicImagesCount = 1,
};

struct IGraphicImages : IDispatch {
    // An IEnumVARIANT over the items; it keeps the collection alive.
    virtual HRESULT get__NewEnum(IUnknown** outEnum) = 0;
    // A copy of the item; an index of 0 or less gives the first, one beyond Count E_FAIL.
    virtual HRESULT get_Item(LONG inIndex, VARIANT* outItem) = 0;
    virtual HRESULT get_Count(LONG* outCount) = 0;
};
