// XColor: one colour for page scripts, as the text form canvases use and as
// its percentages and COLORREF. Starts opaque black.
#pragma once

#include <automation/Dispatch.h>
#include <vellumax/IXColor.h>

#include "vellumax/params/Utilities.h"

const vx::DispatchTable& XColorTable();

class XColor final
    : public vx::ComObject<XColor, vx::DispatchImpl<IXColor, XColorTable>, vx::SupportErrorInfo<XColor>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IXColor, IID_IXColor>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;

    HRESULT get_String(VARIANT* outValue) override;
    HRESULT put_String(VARIANT inValue) override;
    HRESULT get_Red(VARIANT* outValue) override { return GetPercent(kRed, outValue); }
    HRESULT put_Red(VARIANT inValue) override { return PutPercent(kRed, inValue); }
    HRESULT get_Green(VARIANT* outValue) override { return GetPercent(kGreen, outValue); }
    HRESULT put_Green(VARIANT inValue) override { return PutPercent(kGreen, inValue); }
    HRESULT get_Blue(VARIANT* outValue) override { return GetPercent(kBlue, outValue); }
    HRESULT put_Blue(VARIANT inValue) override { return PutPercent(kBlue, inValue); }
    HRESULT get_Alpha(VARIANT* outValue) override { return GetPercent(kAlpha, outValue); }
    HRESULT put_Alpha(VARIANT inValue) override { return PutPercent(kAlpha, inValue); }
    HRESULT get_RGB(VARIANT* outValue) override;
    HRESULT put_RGB(VARIANT inValue) override;

private:
    enum Component { kRed, kGreen, kBlue, kAlpha };
    HRESULT GetPercent(Component inWhich, VARIANT* outValue);
    HRESULT PutPercent(Component inWhich, const VARIANT& inValue);

    ColorValue mColor;
};
