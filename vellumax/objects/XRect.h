// XRect: one rectangle for page scripts, as the text form canvases use and as
// its edges, corners and size. Starts at 0,0,0,0.
#pragma once

#include <cstdint>

#include <automation/Dispatch.h>
#include <vellumax/IXRect.h>

const vx::DispatchTable& XRectTable();

class XRect final : public vx::ComObject<XRect, vx::DispatchImpl<IXRect, XRectTable>, vx::SupportErrorInfo<XRect>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IXRect, IID_IXRect>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;

    HRESULT get_String(VARIANT* outValue) override;
    HRESULT put_String(VARIANT inValue) override;
    HRESULT get_right(VARIANT* outValue) override { return GetEdge(mRight, outValue); }
    HRESULT put_right(VARIANT inValue) override { return PutEdge(mRight, inValue); }
    HRESULT get_top(VARIANT* outValue) override { return GetEdge(mTop, outValue); }
    HRESULT put_top(VARIANT inValue) override { return PutEdge(mTop, inValue); }
    HRESULT get_left(VARIANT* outValue) override { return GetEdge(mLeft, outValue); }
    HRESULT put_left(VARIANT inValue) override { return PutEdge(mLeft, inValue); }
    HRESULT get_bottom(VARIANT* outValue) override { return GetEdge(mBottom, outValue); }
    HRESULT put_bottom(VARIANT inValue) override { return PutEdge(mBottom, inValue); }
    HRESULT get_TopLeft(VARIANT* outValue) override;
    HRESULT put_TopLeft(VARIANT inValue) override;
    HRESULT get_BottomRight(VARIANT* outValue) override;
    HRESULT put_BottomRight(VARIANT inValue) override;
    HRESULT get_Width(VARIANT* outValue) override;
    HRESULT get_Height(VARIANT* outValue) override;

private:
    HRESULT GetEdge(std::int32_t inEdge, VARIANT* outValue);
    HRESULT PutEdge(std::int32_t& outEdge, const VARIANT& inValue);
    // Reads a point text into two edges; ReportSetFailure with inLabel when rejected.
    HRESULT GetCorner(std::int32_t inX, std::int32_t inY, VARIANT* outValue);
    HRESULT PutCorner(const char* inLabel, std::int32_t& outX, std::int32_t& outY, const VARIANT& inValue);

    std::int32_t mTop = 0;
    std::int32_t mLeft = 0;
    std::int32_t mBottom = 0;
    std::int32_t mRight = 0;
};
