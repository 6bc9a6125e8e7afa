// IGestalt: the environment of the server: the imaging platform's version, the
// installed exporters, fonts and codecs, the LogErrors setting, the event log,
// and writing bytes to a file.
#pragma once

#include <automation/Interfaces.h>

#include "vellumax/Vellumax.h"

enum GestaltDispId : DISPID {
    kGestaltQuickTime = 1,
    kGestaltGraphicsExporters = 2,
    kGestaltFonts = 3,
    kGestaltCodecs = 4,
    kGestaltLogErrors = 5,
    kGestaltLog = 7,
    kGestaltSave = 8,
};

struct IGestalt : IDispatch {
    virtual HRESULT get_QuickTime(VARIANT* outValue) = 0;  // VT_BSTR, "major.minor.fix"
    // New collections (IExporters, IFonts, ICodecs), each with a reference for the caller.
    virtual HRESULT get_GraphicsExporters(IDispatch** outValue) = 0;
    virtual HRESULT get_Fonts(IDispatch** outValue) = 0;
    virtual HRESULT get_Codecs(IDispatch** outValue) = 0;
    virtual HRESULT get_LogErrors(VARIANT* outValue) = 0;  // VT_BOOL
    // A boolean word or number; anything else fails and keeps the setting.
    virtual HRESULT put_LogErrors(VARIANT inValue) = 0;
    // Writes the text to the event log.
    virtual HRESULT Log(VARIANT* inMessage) = 0;
    // Replaces the file at the path with the bytes of a one-dimensional byte
    // array; on failure the old file, if any, stays as it was.
    virtual HRESULT Save(VARIANT* inPath, VARIANT* inData) = 0;
};
