#include "vellumax/objects/XPoint.h"

#include "vellumax/objects/ClassObjects.h"
#include "vellumax/objects/ValueMembers.h"

namespace {

constexpr const char* kProgId = "Vellumax.XPoint.1";
const MemberFrameIdentity kWho{IID_IXPoint, kProgId};

}  // namespace

const vx::DispatchTable& XPointTable()
{
    static const vx::DispatchTable theTable(
        IID_IXPoint, "IXPoint", "An object that describes the location of a point on an image",
        {
            vx::PropertyGet<&IXPoint::get_String>(1, "String", "A string representation of the point",
                                                  vx::Retval("outValue")),
            vx::PropertyPut<&IXPoint::put_String>(1, "String", "A string representation of the point",
                                                  vx::In("inValue")),
            vx::PropertyGet<&IXPoint::get_x>(2, "x", "The horizontal offset of the point from the top left",
                                             vx::Retval("outValue")),
            vx::PropertyPut<&IXPoint::put_x>(2, "x", "The horizontal offset of the point from the top left",
                                             vx::In("inValue")),
            vx::PropertyGet<&IXPoint::get_y>(3, "y", "The vertical offset of the point from the top left",
                                             vx::Retval("outValue")),
            vx::PropertyPut<&IXPoint::put_y>(3, "y", "The vertical offset of the point from the top left",
                                             vx::In("inValue")),
        });
    return theTable;
}

HRESULT VxGetClassObject_XPoint(REFIID inIid, void** outObject)
{
    return vx::ClassFactory<XPoint>::Instantiate<>(inIid, outObject);
}

HRESULT XPoint::get_String(VARIANT* outValue)
{
    return GetTextForm(kWho, outValue, [&](char* outText) { FormatPoint(LongPoint{mX, mY}, outText); });
}

HRESULT XPoint::put_String(VARIANT inValue)
{
    return PutTextForm(kWho, "XPoint String", inValue, [&](const char* inText) {
        LongPoint thePoint;
        if (!ReadPoint(inText, &thePoint))
            return false;
        mX = thePoint.x;
        mY = thePoint.y;
        return true;
    });
}

HRESULT XPoint::GetOffset(std::int32_t inOffset, VARIANT* outValue)
{
    return GetLongMember(kWho, inOffset, outValue);
}

HRESULT XPoint::PutOffset(std::int32_t& outOffset, const VARIANT& inValue)
{
    return PutLongMember(kWho, outOffset, inValue);
}
