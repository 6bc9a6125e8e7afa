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
    HRESULT get_Red(VARIANT* outValue) override;
    HRESULT put_Red(VARIANT inValue) override;
    HRESULT get_Green(VARIANT* outValue) override;
    HRESULT put_Green(VARIANT inValue) override;
    HRESULT get_Blue(VARIANT* outValue) override;
    HRESULT put_Blue(VARIANT inValue) override;
    HRESULT get_Alpha(VARIANT* outValue) override;
    HRESULT put_Alpha(VARIANT inValue) override;
    HRESULT get_RGB(VARIANT* outValue) override;
    HRESULT put_RGB(VARIANT inValue) override;

private:
    enum Component { kRed, kGreen, kBlue, kAlpha };
    HRESULT GetPercent(Component inWhich, VARIANT* outValue);
    HRESULT PutPercent(Component inWhich, const VARIANT& inValue);

    ColorValue mColor;
};
