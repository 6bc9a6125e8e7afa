#include "DeviceContext.h"

#include "ShapeGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

void DeviceContext::DeviceBounds(const cairo_path_t* inPath, double& ioLeft, double& ioTop, double& ioRight,
                                 double& ioBottom) const
{
    for (int theIndex = 0; theIndex < inPath->num_data; theIndex += inPath->data[theIndex].header.length) {
        const cairo_path_data_t& theHeader = inPath->data[theIndex];
        for (int thePoint = 1; thePoint < theHeader.header.length; ++thePoint) {
            double theX = inPath->data[theIndex + thePoint].point.x;
            double theY = inPath->data[theIndex + thePoint].point.y;
            cairo_matrix_transform_point(&mTransform, &theX, &theY);
            ioLeft = std::min(ioLeft, theX);
            ioTop = std::min(ioTop, theY);
            ioRight = std::max(ioRight, theX);
            ioBottom = std::max(ioBottom, theY);
        }
    }
}

void DeviceContext::TransformedBounds(double inLeft, double inTop, double inRight, double inBottom, double& ioLeft,
                                      double& ioTop, double& ioRight, double& ioBottom) const
{
    const double theCorners[4][2] = {{inLeft, inTop}, {inRight, inTop}, {inLeft, inBottom}, {inRight, inBottom}};
    for (const auto& theCorner : theCorners) {
        double theX = theCorner[0];
        double theY = theCorner[1];
        cairo_matrix_transform_point(&mTransform, &theX, &theY);
        ioLeft = std::min(ioLeft, theX);
        ioTop = std::min(ioTop, theY);
        ioRight = std::max(ioRight, theX);
        ioBottom = std::max(ioBottom, theY);
    }
}

void DeviceContext::PaintLayer(double inLeft, double inTop, double inRight, double inBottom,
                               const std::function<void(cairo_t*)>& inDraw, Coverage inCoverage)
{
    if (mBitmap == nullptr || !(inLeft <= inRight) || !(inTop <= inBottom)) {
        return;
    }
    const double theWidth = mBitmap->Width();
    const double theHeight = mBitmap->Height();
    const int theX0 = static_cast<int>(std::clamp(std::floor(inLeft), 0.0, theWidth));
    const int theY0 = static_cast<int>(std::clamp(std::floor(inTop), 0.0, theHeight));
    const int theX1 = static_cast<int>(std::clamp(std::ceil(inRight), 0.0, theWidth));
    const int theY1 = static_cast<int>(std::clamp(std::ceil(inBottom), 0.0, theHeight));
    if (theX1 <= theX0 || theY1 <= theY0) {
        return;
    }
    if (inCoverage != Coverage::kLayerOnly && PaintInPlace(theX0, theY0, theX1, theY1, inDraw, inCoverage)) {
        return;
    }
    const CairoSurface theLayer(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, theX1 - theX0, theY1 - theY0));
    {
        const CairoContext theContext(cairo_create(theLayer.get()));
        cairo_set_antialias(theContext.get(), CAIRO_ANTIALIAS_NONE);
        cairo_translate(theContext.get(), -theX0, -theY0);
        inDraw(theContext.get());
    }
    if (cairo_surface_status(theLayer.get()) == CAIRO_STATUS_SUCCESS) {
        mBitmap->Composite(theLayer.get(), theX0, theY0);
    }
}

bool DeviceContext::PaintInPlace(int inX0, int inY0, int inX1, int inY1, const std::function<void(cairo_t*)>& inDraw,
                                 Coverage inCoverage)
{
    // Where a 32-bit store is opaque, straight and premultiplied alpha are the
    // same bytes, so Cairo may draw on the store itself. So it may, whatever
    // the store holds, when every pixel it draws is opaque: those replace the
    // bytes under them, as compositing a layer would, and the rest are left.
    if (mBitmap->BitsPerPixel() != 32 || mBitmap->RowBytes() % 4 != 0 ||
        reinterpret_cast<std::uintptr_t>(mBitmap->Bits()) % 4 != 0) {
        return false;
    }
    const int theRowBytes = mBitmap->RowBytes();
    auto* theOrigin = static_cast<std::uint8_t*>(mBitmap->Bits()) + static_cast<std::ptrdiff_t>(inY0) * theRowBytes +
                      static_cast<std::ptrdiff_t>(inX0) * 4;
    for (int theY = 0; inCoverage == Coverage::kAny && theY < inY1 - inY0; ++theY) {
        const auto* theRow =
            reinterpret_cast<const std::uint32_t*>(theOrigin + static_cast<std::ptrdiff_t>(theY) * theRowBytes);
        std::uint32_t theAll = 0xFFFFFFFF;
        for (int theX = 0; theX < inX1 - inX0; ++theX) {
            theAll &= theRow[theX];
        }
        if ((theAll >> 24) != 0xFF) {
            return false;
        }
    }
    const CairoSurface theSurface(
        cairo_image_surface_create_for_data(theOrigin, CAIRO_FORMAT_ARGB32, inX1 - inX0, inY1 - inY0, theRowBytes));
    if (cairo_surface_status(theSurface.get()) != CAIRO_STATUS_SUCCESS) {
        return false;
    }
    {
        const CairoContext theContext(cairo_create(theSurface.get()));
        cairo_set_antialias(theContext.get(), CAIRO_ANTIALIAS_NONE);
        cairo_translate(theContext.get(), -inX0, -inY0);
        inDraw(theContext.get());
    }
    cairo_surface_finish(theSurface.get());
    return true;
}

bool DeviceContext::Paint(const cairo_path_t* inFill, const cairo_path_t* inStroke)
{
    if (mBitmap == nullptr) {
        return true;
    }
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double theLeft = kInfinity, theTop = kInfinity, theRight = -kInfinity, theBottom = -kInfinity;
    if (inFill != nullptr) {
        DeviceBounds(inFill, theLeft, theTop, theRight, theBottom);
    }
    double theMargin = 1;
    if (inStroke != nullptr) {
        DeviceBounds(inStroke, theLeft, theTop, theRight, theBottom);
        // Square corners reach w/2 * sqrt(2) out; sharper ones up to the miter limit.
        const double theReach = mCorners == Corners::kSharp ? kMiterLimit / 2 : 0.75;
        theMargin += mPen->mWidth * MatrixScale(mTransform) * theReach;
    }
    // A path that is one rectangle, however it was made, may still be boxes.
    double theFillEdges[4], thePenEdges[4];
    if ((inFill == nullptr || RectanglePath(inFill, mTransform, theFillEdges)) &&
        (inStroke == nullptr || RectanglePath(inStroke, mTransform, thePenEdges)) &&
        PaintBoxes(inFill != nullptr ? theFillEdges : nullptr, inStroke != nullptr ? thePenEdges : nullptr,
                   theLeft - theMargin, theTop - theMargin, theRight + theMargin, theBottom + theMargin)) {
        return true;
    }
    PaintLayer(
        theLeft - theMargin, theTop - theMargin, theRight + theMargin, theBottom + theMargin,
        [&](cairo_t* inContext) {
            if (inFill != nullptr) {
                FillPath(inContext, inFill);
            }
            if (inStroke != nullptr) {
                StrokePath(inContext, inStroke);
            }
        },
        Translucent({inFill != nullptr, inStroke != nullptr}) ? Coverage::kAny : Coverage::kOpaquePixels);
    return true;
}

bool DeviceContext::Translucent(Parts inParts) const
{
    return (inParts.mFill && mBrush->mStyle != BrushObject::Style::kPattern && mBrushAlpha != 255) ||
           (inParts.mStroke && mPenAlpha != 255);
}

void DeviceContext::FillPath(cairo_t* inContext, const cairo_path_t* inFill) const
{
    // The pattern is fixed to device space: set before the world transform.
    if (mBrush->mStyle == BrushObject::Style::kPattern) {
        const CairoPattern thePattern(cairo_pattern_create_for_surface(mBrush->mPattern));
        cairo_pattern_set_extend(thePattern.get(), CAIRO_EXTEND_REPEAT);
        cairo_pattern_set_filter(thePattern.get(), CAIRO_FILTER_NEAREST);
        cairo_set_source(inContext, thePattern.get());
    } else {
        SetSourceColor(inContext, mBrush->mColor, mBrushAlpha);
    }
    {
        const CairoSaved theSaved(inContext);
        cairo_transform(inContext, &mTransform);
        cairo_new_path(inContext);
        cairo_append_path(inContext, inFill);
    }
    cairo_set_fill_rule(inContext, mFillMode == WINDING ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(inContext);
}

void DeviceContext::StrokePath(cairo_t* inContext, const cairo_path_t* inStroke) const
{
    const int theWidth = mPen->mWidth;
    SetSourceColor(inContext, mPen->mColor, mPenAlpha);
    const CairoSaved theSaved(inContext);
    cairo_transform(inContext, &mTransform);
    cairo_new_path(inContext);
    cairo_append_path(inContext, inStroke);
    cairo_set_line_width(inContext, theWidth);
    cairo_set_line_join(inContext, CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(inContext, kMiterLimit);
    cairo_set_line_cap(inContext, theWidth > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_stroke(inContext);
}
