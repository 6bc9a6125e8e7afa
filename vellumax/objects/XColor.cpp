#include "vellumax/objects/XColor.h"

#include "vellumax/objects/ClassObjects.h"
#include "vellumax/objects/ValueMembers.h"

namespace {

constexpr const char* kProgId = "Vellumax.XColor.1";
const MemberFrameIdentity kWho{IID_IXColor, kProgId};

}  // namespace

const vx::DispatchTable& XColorTable()
{
    static const vx::DispatchTable theTable(
        IID_IXColor, "IXColor", "An object that describes a color",
        {
            vx::PropertyGet<&IXColor::get_String>(1, "String", "A string representation of the color",
                                                  vx::Retval("outValue")),
            vx::PropertyPut<&IXColor::put_String>(1, "String", "A string representation of the color",
                                                  vx::In("inValue")),
            vx::PropertyGet<&IXColor::get_Red>(2, "Red", "The red intensity of the color as a percentage",
                                               vx::Retval("outValue")),
            vx::PropertyPut<&IXColor::put_Red>(2, "Red", "The red intensity of the color as a percentage",
                                               vx::In("inValue")),
            vx::PropertyGet<&IXColor::get_Green>(3, "Green", "The green intensity of the color as a percentage",
                                                 vx::Retval("outValue")),
            vx::PropertyPut<&IXColor::put_Green>(3, "Green", "The green intensity of the color as a percentage",
                                                 vx::In("inValue")),
            vx::PropertyGet<&IXColor::get_Blue>(4, "Blue", "The blue intensity of the color as a percentage",
                                                vx::Retval("outValue")),
            vx::PropertyPut<&IXColor::put_Blue>(4, "Blue", "The blue intensity of the color as a percentage",
                                                vx::In("inValue")),
            vx::PropertyGet<&IXColor::get_Alpha>(5, "Alpha", "The alpha opacity of the color as a percentage",
                                                 vx::Retval("outValue")),
            vx::PropertyPut<&IXColor::put_Alpha>(5, "Alpha", "The alpha opacity of the color as a percentage",
                                                 vx::In("inValue")),
            vx::PropertyGet<&IXColor::get_RGB>(6, "RGB", "The standard RGB color representation",
                                               vx::Retval("outValue")),
            vx::PropertyPut<&IXColor::put_RGB>(6, "RGB", "The standard RGB color representation", vx::In("inValue")),
        });
    return theTable;
}

HRESULT VxGetClassObject_XColor(REFIID inIid, void** outObject)
{
    return vx::ClassFactory<XColor>::Instantiate<>(inIid, outObject);
}

HRESULT XColor::get_String(VARIANT* outValue)
{
    return GetTextForm(kWho, outValue, [&](char* outText) { FormatColor(mColor, outText); });
}

HRESULT XColor::put_String(VARIANT inValue)
{
    return PutTextForm(kWho, "XColor String", inValue, [&](const char* inText) { return ReadColor(inText, &mColor); });
}

HRESULT XColor::GetPercent(Component inWhich, VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        float thePercents[4];
        mColor.GetPercentages(&thePercents[kRed], &thePercents[kGreen], &thePercents[kBlue], &thePercents[kAlpha]);
        SetSingleResult(thePercents[inWhich], outValue);
        return S_OK;
    });
}

HRESULT XColor::PutPercent(Component inWhich, const VARIANT& inValue)
{
    return GuardedMember(kWho, [&] {
        const float theValue = SingleFromVariant(inValue);
        float thePercents[4];
        mColor.GetPercentages(&thePercents[kRed], &thePercents[kGreen], &thePercents[kBlue], &thePercents[kAlpha]);
        thePercents[inWhich] = theValue;
        mColor.SetPercentages(thePercents[kRed], thePercents[kGreen], thePercents[kBlue], thePercents[kAlpha]);
        return S_OK;
    });
}

HRESULT XColor::get_RGB(VARIANT* outValue)
{
    return GetLongMember(kWho, static_cast<std::int32_t>(mColor.ToColorRef()), outValue);
}

HRESULT XColor::put_RGB(VARIANT inValue)
{
    return GuardedMember(kWho, [&] {
        mColor.FromColorRef(static_cast<std::uint32_t>(LongFromVariant(inValue)));
        return S_OK;
    });
}
