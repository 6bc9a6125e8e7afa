// IGraphic: what a picture file or picture bytes hold, before drawing them.
// Both setters succeed even when no importer takes the picture: the graphic is
// then not Drawable, its Format is empty and its GraphicImages collection empty.
#pragma once

#include <automation/Interfaces.h>

#include "vellumax/Vellumax.h"

enum GraphicDispId : DISPID {
    kGraphicSetFile = 1,
    kGraphicSetData = 2,
    kGraphicFormat = 3,
    kGraphicDrawable = 4,
    kGraphicGraphicImages = 5,
};

struct IGraphic : IDispatch {
    // The file's path as text; the same path again (exact comparison) keeps the
    // importer already open.
    virtual HRESULT SetFile(VARIANT* inFile) = 0;
    // A one-dimensional byte array, and a type text (extension, MIME type or
    // description) that helps find the importer; the bytes are copied.
    virtual HRESULT SetData(VARIANT* inData, VARIANT* inType) = 0;
    virtual HRESULT get_Format(VARIANT* outValue) = 0;    // VT_BSTR, the format's name
    virtual HRESULT get_Drawable(VARIANT* outValue) = 0;  // VT_BOOL
    // A new IGraphicImages, one IGraphicImage per image, with a reference for the caller.
    virtual HRESULT get_GraphicImages(IDispatch** outValue) = 0;
};
