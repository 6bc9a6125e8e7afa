// IGraphicImage: one image of a picture, as IGraphic found it.
#pragma once

#include <automation/Interfaces.h>

#include "vellumax/Vellumax.h"

enum GraphicImageDispId : DISPID {
    kGraphicImageDepth = 1,
    kGraphicImageResolution = 2,
    kGraphicImageRectangle = 3,
    kGraphicImageSetValues = 4,
    kGraphicImageOrientation = 5,
    kGraphicImageUprightRectangle = 6,
};

struct IGraphicImage : IDispatch {
    // VT_BSTR: the depth word ("2", "4", "16", "256", "thousands", "millions"),
    // empty for a depth without one.
    virtual HRESULT get_Depth(VARIANT* outValue) = 0;
    virtual HRESULT get_Resolution(VARIANT* outValue) = 0;  // VT_I4, dots per inch
    virtual HRESULT get_Rectangle(VARIANT* outValue) = 0;   // VT_BSTR, "left,top,right,bottom"
    virtual HRESULT SetValues(LONG inNum, LONG inDepth, LONG inRes, LONG inLeft, LONG inTop, LONG inRight,
                              LONG inBottom) = 0;
    // VT_I4: the EXIF orientation, 1 to 8 (1: as stored, also when the file records none).
    virtual HRESULT get_Orientation(VARIANT* outValue) = 0;
    // VT_BSTR: Rectangle with width and height swapped where the orientation
    // turns the picture a quarter (5 to 8): its size when drawn upright.
    virtual HRESULT get_UprightRectangle(VARIANT* outValue) = 0;
};
