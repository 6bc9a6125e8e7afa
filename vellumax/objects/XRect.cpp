#include "vellumax/objects/XRect.h"

#include <cstdint>
#include <limits>

#include "vellumax/errors/ComError.h"
#include "vellumax/errors/ComErrors.h"
#include "vellumax/errors/MemberFrame.h"
#include "vellumax/errors/SException.h"
#include "vellumax/objects/ClassObjects.h"
#include "vellumax/objects/ValueCoercion.h"
#include "vellumax/params/Utilities.h"

#include <automation/Faults.h>
#include <automation/Variant.h>

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
    return GuardedGetMember(kWho, outValue, [&] {
        char theText[kTextCapacity];
        FormatRect(LongRect{mLeft, mTop, mRight, mBottom}, theText);
        SetTextResult(theText, outValue);
        return S_OK;
    });
}

HRESULT XRect::put_String(VARIANT inValue)
{
    return GuardedMember(kWho, [&] {
        const std::string theText = TextFromVariant(inValue);
        LongRect theRect;
        if (!ReadRect(theText.c_str(), &theRect))
            return ReportSetFailure("XRect String", inValue, 0, 0, IID_IXRect, kProgId);
        mLeft = theRect.left;
        mTop = theRect.top;
        mRight = theRect.right;
        mBottom = theRect.bottom;
        return S_OK;
    });
}

HRESULT XRect::GetEdge(std::int32_t inEdge, VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        SetLongResult(inEdge, outValue);
        return S_OK;
    });
}

HRESULT XRect::PutEdge(std::int32_t& outEdge, const VARIANT& inValue)
{
    return GuardedMember(kWho, [&] {
        outEdge = LongFromVariant(inValue);
        return S_OK;
    });
}

HRESULT XRect::PutCorner(const char* inLabel, std::int32_t& outX, std::int32_t& outY, const VARIANT& inValue)
{
    return GuardedMember(kWho, [&] {
        const std::string theText = TextFromVariant(inValue);
        LongPoint thePoint;
        if (!ReadPoint(theText.c_str(), &thePoint))
            return ReportSetFailure(inLabel, inValue, 0, 0, IID_IXRect, kProgId);
        outX = thePoint.x;
        outY = thePoint.y;
        return S_OK;
    });
}

HRESULT XRect::get_right(VARIANT* outValue)
{
    return GetEdge(mRight, outValue);
}
HRESULT XRect::put_right(VARIANT inValue)
{
    return PutEdge(mRight, inValue);
}
HRESULT XRect::get_top(VARIANT* outValue)
{
    return GetEdge(mTop, outValue);
}
HRESULT XRect::put_top(VARIANT inValue)
{
    return PutEdge(mTop, inValue);
}
HRESULT XRect::get_left(VARIANT* outValue)
{
    return GetEdge(mLeft, outValue);
}
HRESULT XRect::put_left(VARIANT inValue)
{
    return PutEdge(mLeft, inValue);
}
HRESULT XRect::get_bottom(VARIANT* outValue)
{
    return GetEdge(mBottom, outValue);
}
HRESULT XRect::put_bottom(VARIANT inValue)
{
    return PutEdge(mBottom, inValue);
}

HRESULT XRect::get_TopLeft(VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        char theText[kTextCapacity];
        FormatPoint(LongPoint{mLeft, mTop}, theText);
        SetTextResult(theText, outValue);
        return S_OK;
    });
}

HRESULT XRect::put_TopLeft(VARIANT inValue)
{
    return PutCorner("XRect TopLeft", mLeft, mTop, inValue);
}

HRESULT XRect::get_BottomRight(VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        char theText[kTextCapacity];
        FormatPoint(LongPoint{mRight, mBottom}, theText);
        SetTextResult(theText, outValue);
        return S_OK;
    });
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
