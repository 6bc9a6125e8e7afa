// XPoint: one point for page scripts, as the text form canvases use and as its
// two offsets. Starts at 0,0.
#pragma once

#include <cstdint>

#include <automation/Dispatch.h>
#include <vellumax/IXPoint.h>

const vx::DispatchTable& XPointTable();

class XPoint final
    : public vx::ComObject<XPoint, vx::DispatchImpl<IXPoint, XPointTable>, vx::SupportErrorInfo<XPoint>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IXPoint, IID_IXPoint>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;

    HRESULT get_String(VARIANT* outValue) override;
    HRESULT put_String(VARIANT inValue) override;
    HRESULT get_x(VARIANT* outValue) override { return GetOffset(mX, outValue); }
    HRESULT put_x(VARIANT inValue) override { return PutOffset(mX, inValue); }
    HRESULT get_y(VARIANT* outValue) override { return GetOffset(mY, outValue); }
    HRESULT put_y(VARIANT inValue) override { return PutOffset(mY, inValue); }

private:
    HRESULT GetOffset(std::int32_t inOffset, VARIANT* outValue);
    HRESULT PutOffset(std::int32_t& outOffset, const VARIANT& inValue);

    std::int32_t mX = 0;
    std::int32_t mY = 0;
};
