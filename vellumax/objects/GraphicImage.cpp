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
            vx::PropertyGet<&IGraphicImage::get_Orientation>(
                kGraphicImageOrientation, "Orientation",
                "The EXIF orientation, 1 to 8: 1 as stored, 3 turned half, 6 and 8 turned a quarter (right, left), "
                "2, 4, 5 and 7 mirrored; 1 when the file records none",
                Retval("outValue")),
            vx::PropertyGet<&IGraphicImage::get_UprightRectangle>(
                kGraphicImageUprightRectangle, "UprightRectangle",
                "The natural bounds as drawn with upright=true: Rectangle with width and height swapped for "
                "orientations 5 to 8",
                Retval("outValue")),
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

namespace {

// A rectangle answered as its "left,top,right,bottom" text.
HRESULT RectangleResult(const LongRect& inRect, VARIANT* outValue)
{
    if (outValue == nullptr)
        return E_POINTER;
    VariantInit(outValue);
    return RunMethodFrame(kWho, [&] {
        char theText[kTextCapacity];
        FormatRect(inRect, theText);
        SetTextResult(theText, outValue);
        return S_OK;
    });
}

}  // namespace

HRESULT GraphicImage::get_Rectangle(VARIANT* outValue)
{
    return RectangleResult(mRect, outValue);
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

HRESULT GraphicImage::get_Orientation(VARIANT* outValue)
{
    if (outValue == nullptr)
        return E_POINTER;
    VariantInit(outValue);
    SetLongResult(mOrientation, outValue);
    return S_OK;
}

HRESULT GraphicImage::get_UprightRectangle(VARIANT* outValue)
{
    // Orientations 5 to 8 turn the picture a quarter: width and height swap.
    LongRect theRect = mRect;
    if (mOrientation >= 5) {
        theRect.right = static_cast<std::int32_t>(std::int64_t(mRect.left) + mRect.bottom - mRect.top);
        theRect.bottom = static_cast<std::int32_t>(std::int64_t(mRect.top) + mRect.right - mRect.left);
    }
    return RectangleResult(theRect, outValue);
}

void GraphicImage::SetOrientation(std::int32_t inOrientation)
{
    mOrientation = inOrientation >= 1 && inOrientation <= 8 ? inOrientation : 1;
}
