#include "vellumax/objects/XPoint.h"

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
    return GuardedGetMember(kWho, outValue, [&] {
        char theText[kTextCapacity];
        FormatPoint(LongPoint{mX, mY}, theText);
        SetTextResult(theText, outValue);
        return S_OK;
    });
}

HRESULT XPoint::put_String(VARIANT inValue)
{
    return GuardedMember(kWho, [&] {
        const std::string theText = TextFromVariant(inValue);
        LongPoint thePoint;
        if (!ReadPoint(theText.c_str(), &thePoint))
            return ReportSetFailure("XPoint String", inValue, 0, 0, IID_IXPoint, kProgId);
        mX = thePoint.x;
        mY = thePoint.y;
        return S_OK;
    });
}

HRESULT XPoint::GetOffset(std::int32_t inOffset, VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        SetLongResult(inOffset, outValue);
        return S_OK;
    });
}

HRESULT XPoint::PutOffset(std::int32_t& outOffset, const VARIANT& inValue)
{
    return GuardedMember(kWho, [&] {
        outOffset = LongFromVariant(inValue);
        return S_OK;
    });
}

HRESULT XPoint::get_x(VARIANT* outValue)
{
    return GetOffset(mX, outValue);
}
HRESULT XPoint::put_x(VARIANT inValue)
{
    return PutOffset(mX, inValue);
}
HRESULT XPoint::get_y(VARIANT* outValue)
{
    return GetOffset(mY, outValue);
}
HRESULT XPoint::put_y(VARIANT inValue)
{
    return PutOffset(mY, inValue);
}
