#include "vellumax/objects/GraphicImage.h"

#include <automation/Variant.h>

#include "vellumax/objects/MethodFrame.h"
#include "vellumax/objects/ValueCoercion.h"

namespace {

const ObjectIdentity kWho{IID_IGraphicImage, "Vellumax.GraphicImage.1"};

}  // namespace

const vx::DispatchTable& GraphicImageTable()
{
    using vx::In;
    using vx::Retval;
    static const vx::DispatchTable theTable(
        IID_IGraphicImage, "IGraphicImage", "One image of a picture",
        {
            vx::PropertyGet<&IGraphicImage::get_Depth>(kGraphicImageDepth, "Depth",
                                                       "The color depth: 2, 4, 16, 256, thousands or millions",
                                                       Retval("outValue")),
            vx::PropertyGet<&IGraphicImage::get_Resolution>(kGraphicImageResolution, "Resolution",
                                                            "The resolution in dots per inch", Retval("outValue")),
            vx::PropertyGet<&IGraphicImage::get_Rectangle>(kGraphicImageRectangle, "Rectangle",
                                                           "The natural bounds as left, top, right, bottom",
                                                           Retval("outValue")),
            vx::Method<&IGraphicImage::SetValues>(
                kGraphicImageSetValues, "SetValues", "Sets the image number, depth, resolution and bounds", In("inNum"),
                In("inDepth"), In("inRes"), In("inLeft"), In("inTop"), In("inRight"), In("inBottom")),
        });
    return theTable;
}

HRESULT GraphicImage::get_Depth(VARIANT* outValue)
{
    if (outValue == nullptr)
        return E_POINTER;
    VariantInit(outValue);
    return RunMethodFrame(kWho, [&] {
        char theText[kTextCapacity];
        FormatDepth(mDepth, theText);
        SetTextResult(theText, outValue);
        return S_OK;
    });
}

HRESULT GraphicImage::get_Resolution(VARIANT* outValue)
{
    if (outValue == nullptr)
        return E_POINTER;
    VariantInit(outValue);
    SetLongResult(mResolution, outValue);
    return S_OK;
}

HRESULT GraphicImage::get_Rectangle(VARIANT* outValue)
{
    if (outValue == nullptr)
        return E_POINTER;
    VariantInit(outValue);
    return RunMethodFrame(kWho, [&] {
        char theText[kTextCapacity];
        FormatRect(mRect, theText);
        SetTextResult(theText, outValue);
        return S_OK;
    });
}

HRESULT GraphicImage::SetValues(LONG inNum, LONG inDepth, LONG inRes, LONG inLeft, LONG inTop, LONG inRight,
                                LONG inBottom)
{
    mNumber = inNum;
    mDepth = inDepth;
    mResolution = inRes;
    mRect = LongRect{inLeft, inTop, inRight, inBottom};
    return S_OK;
}
