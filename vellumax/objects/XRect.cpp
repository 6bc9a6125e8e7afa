#include "vellumax/objects/XRect.h"

#include <cstdint>
#include <limits>

#include "vellumax/errors/ComError.h"
#include "vellumax/objects/ClassObjects.h"
#include "vellumax/objects/ValueMembers.h"

namespace {

constexpr const char* kProgId = "Vellumax.XRect.1";
const MemberFrameIdentity kWho{IID_IXRect, kProgId};

// Edges given separately are not bounded, so a size may not fit the 32-bit
// integer a get returns: it is refused as the coercion of the true value
// would be, rather than wrapped to a wrong one (-1 for the widest rectangle).
std::int32_t Span(std::int32_t inFrom, std::int32_t inTo)
{
    const std::int64_t theSpan = std::int64_t(inTo) - std::int64_t(inFrom);
    if (theSpan < std::numeric_limits<std::int32_t>::min() || theSpan > std::numeric_limits<std::int32_t>::max())
        throw ComError(DISP_E_OVERFLOW, ComError::Report::kDescribed);
    return static_cast<std::int32_t>(theSpan);
}

}  // namespace

const vx::DispatchTable& XRectTable()
{
    static const vx::DispatchTable theTable(
        IID_IXRect, "IXRect", "An object that describes a rectangular area on an image",
        {
            vx::PropertyGet<&IXRect::get_String>(1, "String", "A string representation of the rectangle",
                                                 vx::Retval("outValue")),
            vx::PropertyPut<&IXRect::put_String>(1, "String", "A string representation of the rectangle",
                                                 vx::In("inValue")),
            vx::PropertyGet<&IXRect::get_right>(2, "right", "The offset of the right edge", vx::Retval("outValue")),
            vx::PropertyPut<&IXRect::put_right>(2, "right", "The offset of the right edge", vx::In("inValue")),
            vx::PropertyGet<&IXRect::get_top>(3, "top", "The offset of the top edge", vx::Retval("outValue")),
            vx::PropertyPut<&IXRect::put_top>(3, "top", "The offset of the top edge", vx::In("inValue")),
            vx::PropertyGet<&IXRect::get_left>(4, "left", "The offset of the left edge", vx::Retval("outValue")),
            vx::PropertyPut<&IXRect::put_left>(4, "left", "The offset of the left edge", vx::In("inValue")),
            vx::PropertyGet<&IXRect::get_bottom>(5, "bottom", "The offset of the bottom edge", vx::Retval("outValue")),
            vx::PropertyPut<&IXRect::put_bottom>(5, "bottom", "The offset of the bottom edge", vx::In("inValue")),
            vx::PropertyGet<&IXRect::get_TopLeft>(
                6, "TopLeft", "A string representation of the location of the top left corner point",
                vx::Retval("outValue")),
            vx::PropertyPut<&IXRect::put_TopLeft>(
                6, "TopLeft", "A string representation of the location of the top left corner point",
                vx::In("inValue")),
            vx::PropertyGet<&IXRect::get_BottomRight>(
                7, "BottomRight", "A string representation of the location of the bottom right corner point",
                vx::Retval("outValue")),
            vx::PropertyPut<&IXRect::put_BottomRight>(
                7, "BottomRight", "A string representation of the location of the bottom right corner point",
                vx::In("inValue")),
            vx::PropertyGet<&IXRect::get_Width>(8, "Width", "The width of the rectangle", vx::Retval("outValue")),
            vx::PropertyGet<&IXRect::get_Height>(9, "Height", "The height of the rectangle", vx::Retval("outValue")),
        });
    return theTable;
}

HRESULT VxGetClassObject_XRect(REFIID inIid, void** outObject)
{
    return vx::ClassFactory<XRect>::Instantiate<>(inIid, outObject);
}

HRESULT XRect::get_String(VARIANT* outValue)
{
    return GetTextForm(kWho, outValue, [&](char* outText) {
        FormatRect(LongRect{mLeft, mTop, mRight, mBottom}, outText);
    });
}

HRESULT XRect::put_String(VARIANT inValue)
{
    return PutTextForm(kWho, "XRect String", inValue, [&](const char* inText) {
        LongRect theRect;
        if (!ReadRect(inText, &theRect))
            return false;
        mLeft = theRect.left;
        mTop = theRect.top;
        mRight = theRect.right;
        mBottom = theRect.bottom;
        return true;
    });
}

HRESULT XRect::GetEdge(std::int32_t inEdge, VARIANT* outValue)
{
    return GetLongMember(kWho, inEdge, outValue);
}

HRESULT XRect::PutEdge(std::int32_t& outEdge, const VARIANT& inValue)
{
    return PutLongMember(kWho, outEdge, inValue);
}

HRESULT XRect::GetCorner(std::int32_t inX, std::int32_t inY, VARIANT* outValue)
{
    return GetTextForm(kWho, outValue, [&](char* outText) { FormatPoint(LongPoint{inX, inY}, outText); });
}

HRESULT XRect::PutCorner(const char* inLabel, std::int32_t& outX, std::int32_t& outY, const VARIANT& inValue)
{
    return PutTextForm(kWho, inLabel, inValue, [&](const char* inText) {
        LongPoint thePoint;
        if (!ReadPoint(inText, &thePoint))
            return false;
        outX = thePoint.x;
        outY = thePoint.y;
        return true;
    });
}

HRESULT XRect::get_TopLeft(VARIANT* outValue)
{
    return GetCorner(mLeft, mTop, outValue);
}

HRESULT XRect::put_TopLeft(VARIANT inValue)
{
    return PutCorner("XRect TopLeft", mLeft, mTop, inValue);
}

HRESULT XRect::get_BottomRight(VARIANT* outValue)
{
    return GetCorner(mRight, mBottom, outValue);
}

HRESULT XRect::put_BottomRight(VARIANT inValue)
{
    return PutCorner("XRect BottomRight", mRight, mBottom, inValue);
}

HRESULT XRect::get_Width(VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        SetLongResult(Span(mLeft, mRight), outValue);
        return S_OK;
    });
}
HRESULT XRect::get_Height(VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        SetLongResult(Span(mTop, mBottom), outValue);
        return S_OK;
    });
}
