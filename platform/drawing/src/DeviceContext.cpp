#include "DeviceContext.h"

#include "CappedText.h"
#include "EllipseOutline.h"
#include "TextContext.h"
#include "TextLayout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <glib.h>
#include <limits>
#include <memory>

namespace {

// Owners of the Cairo objects a drawing makes for itself: the drawing callbacks may throw.
using SurfaceOwner = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using ContextOwner = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;
using PathOwner = std::unique_ptr<cairo_path_t, decltype(&cairo_path_destroy)>;

constexpr double kKappa = 0.5522847498307936;  // cubic Bézier quarter-circle factor
constexpr double kMiterLimit = 10.0;
constexpr int kDefaultTabLength = 4;

void SetSourceColor(cairo_t* inContext, COLORREF inColor)
{
    cairo_set_source_rgb(inContext, GetRValue(inColor) / 255.0, GetGValue(inColor) / 255.0,
                         GetBValue(inColor) / 255.0);
}

void EllipsePath(cairo_t* inContext, double inCx, double inCy, double inRx, double inRy)
{
    if (inRx <= 0 && inRy <= 0) {
        return;
    }
    inRx = std::max(inRx, 0.0);
    inRy = std::max(inRy, 0.0);
    const double theKx = kKappa * inRx;
    const double theKy = kKappa * inRy;
    cairo_new_sub_path(inContext);
    cairo_move_to(inContext, inCx + inRx, inCy);
    cairo_curve_to(inContext, inCx + inRx, inCy + theKy, inCx + theKx, inCy + inRy, inCx, inCy + inRy);
    cairo_curve_to(inContext, inCx - theKx, inCy + inRy, inCx - inRx, inCy + theKy, inCx - inRx, inCy);
    cairo_curve_to(inContext, inCx - inRx, inCy - theKy, inCx - theKx, inCy - inRy, inCx, inCy - inRy);
    cairo_curve_to(inContext, inCx + theKx, inCy - inRy, inCx + inRx, inCy - theKy, inCx + inRx, inCy);
    cairo_close_path(inContext);
}

void RoundRectPath(cairo_t* inContext, double inLeft, double inTop, double inRight, double inBottom, double inRx,
                   double inRy)
{
    inRx = std::min(inRx, (inRight - inLeft) / 2);
    inRy = std::min(inRy, (inBottom - inTop) / 2);
    if (inRx <= 0 || inRy <= 0) {
        cairo_rectangle(inContext, inLeft, inTop, inRight - inLeft, inBottom - inTop);
        return;
    }
    const double theKx = kKappa * inRx;
    const double theKy = kKappa * inRy;
    cairo_new_sub_path(inContext);
    cairo_move_to(inContext, inLeft + inRx, inTop);
    cairo_line_to(inContext, inRight - inRx, inTop);
    cairo_curve_to(inContext, inRight - inRx + theKx, inTop, inRight, inTop + inRy - theKy, inRight, inTop + inRy);
    cairo_line_to(inContext, inRight, inBottom - inRy);
    cairo_curve_to(inContext, inRight, inBottom - inRy + theKy, inRight - inRx + theKx, inBottom, inRight - inRx,
                   inBottom);
    cairo_line_to(inContext, inLeft + inRx, inBottom);
    cairo_curve_to(inContext, inLeft + inRx - theKx, inBottom, inLeft, inBottom - inRy + theKy, inLeft,
                   inBottom - inRy);
    cairo_line_to(inContext, inLeft, inTop + inRy);
    cairo_curve_to(inContext, inLeft, inTop + inRy - theKy, inLeft + inRx - theKx, inTop, inLeft + inRx, inTop);
    cairo_close_path(inContext);
}

// Pens of odd width are centred on pixel centres, even ones on pixel edges,
// so that a pen of width w on coordinate c covers c - w/2 ... c + (w-1)/2.
double PenOffset(int inWidth)
{
    return (inWidth % 2) != 0 ? 0.5 : 0.0;
}

cairo_surface_t* RecorderSurface()
{
    static cairo_surface_t* sSurface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    return sSurface;
}

double MatrixScale(const cairo_matrix_t& inMatrix)
{
    const double theX = std::sqrt(inMatrix.xx * inMatrix.xx + inMatrix.yx * inMatrix.yx);
    const double theY = std::sqrt(inMatrix.xy * inMatrix.xy + inMatrix.yy * inMatrix.yy);
    return std::max(theX, theY);
}

// Text as Pango takes it: invalid bytes become '?', keeping every offset.
std::string ValidText(const char* inText, int inLength)
{
    std::string theText(inText, static_cast<std::size_t>(inLength));
    const char* theEnd = nullptr;
    while (!g_utf8_validate(theText.data(), static_cast<gssize>(theText.size()), &theEnd)) {
        theText[static_cast<std::size_t>(theEnd - theText.data())] = '?';
    }
    return theText;
}


// An axis-aligned box of device pixels, right and bottom exclusive.
struct PixelBox {
    int mLeft = 0, mTop = 0, mRight = 0, mBottom = 0;
    bool Empty() const { return mRight <= mLeft || mBottom <= mTop; }
};

// Whether the matrix only moves: the condition for painting shapes as runs.
bool IsTranslation(const cairo_matrix_t& inMatrix)
{
    return inMatrix.xx == 1 && inMatrix.yy == 1 && inMatrix.xy == 0 && inMatrix.yx == 0;
}

// The device edges of a path that is one closed rectangle with axis-aligned
// sides under a pure translation (left < right, top < bottom); false for any
// other path.
bool RectanglePath(const cairo_path_t* inPath, const cairo_matrix_t& inMatrix, double outEdges[4])
{
    if (inPath == nullptr || inPath->status != CAIRO_STATUS_SUCCESS || !IsTranslation(inMatrix) ||
        (inPath->num_data != 9 && inPath->num_data != 11)) {
        return false;
    }
    const cairo_path_data_t* theData = inPath->data;
    const cairo_path_data_type_t theTypes[] = {CAIRO_PATH_MOVE_TO, CAIRO_PATH_LINE_TO, CAIRO_PATH_LINE_TO,
                                               CAIRO_PATH_LINE_TO};
    double theX[4], theY[4];
    for (int theIndex = 0; theIndex < 4; ++theIndex) {
        const cairo_path_data_t& theHeader = theData[theIndex * 2];
        if (theHeader.header.type != theTypes[theIndex] || theHeader.header.length != 2) {
            return false;
        }
        theX[theIndex] = theData[theIndex * 2 + 1].point.x;
        theY[theIndex] = theData[theIndex * 2 + 1].point.y;
    }
    if (theData[8].header.type != CAIRO_PATH_CLOSE_PATH || theData[8].header.length != 1 ||
        (inPath->num_data == 11 && (theData[9].header.type != CAIRO_PATH_MOVE_TO || theData[9].header.length != 2))) {
        return false;
    }
    // Sides alternate horizontal and vertical, starting with either.
    const bool theAcrossFirst = theY[0] == theY[1] && theX[1] == theX[2] && theY[2] == theY[3] && theX[3] == theX[0];
    const bool theDownFirst = theX[0] == theX[1] && theY[1] == theY[2] && theX[2] == theX[3] && theY[3] == theY[0];
    if (!theAcrossFirst && !theDownFirst) {
        return false;
    }
    outEdges[0] = std::min(theX[0], theX[2]) + inMatrix.x0;
    outEdges[1] = std::min(theY[0], theY[2]) + inMatrix.y0;
    outEdges[2] = std::max(theX[0], theX[2]) + inMatrix.x0;
    outEdges[3] = std::max(theY[0], theY[2]) + inMatrix.y0;
    return outEdges[0] < outEdges[2] && outEdges[1] < outEdges[3];
}

// The box with those edges when every edge lies on a pixel boundary, where
// sampling pixel centres leaves no ties; false otherwise.
bool WholeBox(double inLeft, double inTop, double inRight, double inBottom, PixelBox& outBox)
{
    constexpr double kLimit = 1 << 28;
    for (const double theEdge : {inLeft, inTop, inRight, inBottom}) {
        if (!(std::abs(theEdge) < kLimit) || theEdge != std::floor(theEdge)) {
            return false;
        }
    }
    outBox = {static_cast<int>(inLeft), static_cast<int>(inTop), static_cast<int>(inRight),
              static_cast<int>(inBottom)};
    return true;
}

std::uint32_t OpaquePixel(COLORREF inColor)
{
    return 0xFF000000u | (std::uint32_t(GetRValue(inColor)) << 16) | (std::uint32_t(GetGValue(inColor)) << 8) |
           GetBValue(inColor);
}

}  // namespace

DeviceContext::DeviceContext(std::shared_ptr<DibSection> inBitmap, std::shared_ptr<PenObject> inPen,
                             std::shared_ptr<BrushObject> inBrush, std::shared_ptr<FontObject> inFont)
    : GdiObject(GdiKind::kDeviceContext),
      mBitmap(std::move(inBitmap)),
      mPen(std::move(inPen)),
      mBrush(std::move(inBrush)),
      mFont(std::move(inFont))
{
    cairo_matrix_init_identity(&mTransform);
    for (GdiObject* theObject : {static_cast<GdiObject*>(mBitmap.get()), static_cast<GdiObject*>(mPen.get()),
                                 static_cast<GdiObject*>(mBrush.get()), static_cast<GdiObject*>(mFont.get())}) {
        if (theObject != nullptr) {
            ++theObject->mSelections;
        }
    }
}

DeviceContext::~DeviceContext()
{
    ClearRecorders();
    for (GdiObject* theObject : {static_cast<GdiObject*>(mBitmap.get()), static_cast<GdiObject*>(mPen.get()),
                                 static_cast<GdiObject*>(mBrush.get()), static_cast<GdiObject*>(mFont.get())}) {
        if (theObject != nullptr) {
            --theObject->mSelections;
        }
    }
}

HGDIOBJ DeviceContext::Select(const std::shared_ptr<GdiObject>& inObject)
{
    const auto theSwap = [&](auto& ioSlot) -> HGDIOBJ {
        using Pointer = std::remove_reference_t<decltype(ioSlot)>;
        auto theNew = std::static_pointer_cast<typename Pointer::element_type>(inObject);
        ++theNew->mSelections;
        Pointer theOld = std::move(ioSlot);
        ioSlot = std::move(theNew);
        --theOld->mSelections;
        return theOld->mHandle;
    };
    switch (inObject->mKind) {
    case GdiKind::kPen:
        return theSwap(mPen);
    case GdiKind::kBrush:
        return theSwap(mBrush);
    case GdiKind::kFont:
        return theSwap(mFont);
    default:
        return 0;
    }
}

// ---- Shapes --------------------------------------------------------------

cairo_t* DeviceContext::NewRecorder() const
{
    return cairo_create(RecorderSurface());
}

void DeviceContext::ClearRecorders()
{
    if (mFillRecorder != nullptr) {
        cairo_destroy(mFillRecorder);
        mFillRecorder = nullptr;
    }
    if (mStrokeRecorder != nullptr) {
        cairo_destroy(mStrokeRecorder);
        mStrokeRecorder = nullptr;
    }
    mSharpCorners = false;
    mRecorded = Recorded::kNothing;
}

bool DeviceContext::AddShape(const ShapeBuilder& inBuilder, bool inFillable, bool inSharpCorners,
                             const SimpleShape* inSimple)
{
    const int thePenWidth = mPen->mWidth;
    if (mPathState == PathState::kRecording) {
        mSharpCorners = mSharpCorners || inSharpCorners;
        if (inSimple != nullptr && mRecorded == Recorded::kNothing) {
            mRecorded = Recorded::kSimple;
            mRecordedShape = *inSimple;
            return true;
        }
        Materialize();
        inBuilder(mFillRecorder, mStrokeRecorder, thePenWidth);
        mRecorded = Recorded::kOther;
        return true;
    }
    const bool theFill = inFillable && mBrush->mStyle != BrushObject::Style::kNull;
    const bool theStroke = mPen->mStyle != PS_NULL;
    if (inSimple != nullptr && PaintSimple(*inSimple, theFill, theStroke)) {
        return true;
    }
    const bool theRecordedCorners = mSharpCorners;
    mSharpCorners = inSharpCorners;
    const ContextOwner theFillRecorder(NewRecorder(), &cairo_destroy);
    const ContextOwner theStrokeRecorder(NewRecorder(), &cairo_destroy);
    inBuilder(theFillRecorder.get(), theStrokeRecorder.get(), thePenWidth);
    const PathOwner theFillPath(theFill ? cairo_copy_path(theFillRecorder.get()) : nullptr, &cairo_path_destroy);
    const PathOwner theStrokePath(theStroke ? cairo_copy_path(theStrokeRecorder.get()) : nullptr, &cairo_path_destroy);
    const bool theResult = Paint(theFillPath.get(), theStrokePath.get());
    mSharpCorners = theRecordedCorners;
    return theResult;
}

void DeviceContext::BuildSimple(const SimpleShape& inShape, cairo_t* inFill, cairo_t* inStroke)
{
    const double* theFill = inShape.mFill;
    const double* thePen = inShape.mPen;
    if (inShape.mKind == SimpleShape::Kind::kEllipse) {
        EllipsePath(inFill, theFill[0], theFill[1], theFill[2], theFill[3]);
        EllipsePath(inStroke, thePen[0], thePen[1], thePen[2], thePen[3]);
    } else {
        cairo_rectangle(inFill, theFill[0], theFill[1], theFill[2] - theFill[0], theFill[3] - theFill[1]);
        cairo_rectangle(inStroke, thePen[0], thePen[1], thePen[2] - thePen[0], thePen[3] - thePen[1]);
    }
}

void DeviceContext::Materialize()
{
    if (mFillRecorder == nullptr) {
        mFillRecorder = NewRecorder();
        mStrokeRecorder = NewRecorder();
    }
    if (mRecorded == Recorded::kSimple) {
        BuildSimple(mRecordedShape, mFillRecorder, mStrokeRecorder);
        mRecorded = Recorded::kOther;
    }
}

bool DeviceContext::Rectangle(int inLeft, int inTop, int inRight, int inBottom)
{
    double theL = std::min(inLeft, inRight);
    double theR = std::max(inLeft, inRight);
    double theT = std::min(inTop, inBottom);
    double theB = std::max(inTop, inBottom);
    if (mGraphicsMode == GM_COMPATIBLE) {
        theR -= 1;  // exclusive of right and bottom
        theB -= 1;
    }
    const double theO = PenOffset(mPen->mWidth);
    const SimpleShape theShape{SimpleShape::Kind::kRectangle,
                               {theL, theT, theR, theB},
                               {theL + theO, theT + theO, theR + theO, theB + theO}};
    return AddShape([&](cairo_t* inFill, cairo_t* inStroke, int) { BuildSimple(theShape, inFill, inStroke); }, true,
                    false, &theShape);
}

bool DeviceContext::Ellipse(int inLeft, int inTop, int inRight, int inBottom)
{
    double theL = std::min(inLeft, inRight);
    double theR = std::max(inLeft, inRight);
    double theT = std::min(inTop, inBottom);
    double theB = std::max(inTop, inBottom);
    if (mGraphicsMode == GM_COMPATIBLE) {
        theR -= 1;
        theB -= 1;
    }
    // The pen is centred on the middle of the pixels l..r; even pens run half a pixel further in.
    const double theShrink = (mPen->mWidth % 2) != 0 ? 0.0 : 0.5;
    const SimpleShape theShape{
        SimpleShape::Kind::kEllipse,
        {(theL + theR) / 2, (theT + theB) / 2, (theR - theL) / 2, (theB - theT) / 2},
        {(theL + theR + 1) / 2, (theT + theB + 1) / 2, (theR - theL) / 2 - theShrink, (theB - theT) / 2 - theShrink}};
    return AddShape([&](cairo_t* inFill, cairo_t* inStroke, int) { BuildSimple(theShape, inFill, inStroke); }, true,
                    false, &theShape);
}

bool DeviceContext::RoundRect(int inLeft, int inTop, int inRight, int inBottom, int inCornerWidth,
                              int inCornerHeight)
{
    double theL = std::min(inLeft, inRight);
    double theR = std::max(inLeft, inRight);
    double theT = std::min(inTop, inBottom);
    double theB = std::max(inTop, inBottom);
    if (mGraphicsMode == GM_COMPATIBLE) {
        theR -= 1;
        theB -= 1;
    }
    const double theRx = std::abs(inCornerWidth) / 2.0;
    const double theRy = std::abs(inCornerHeight) / 2.0;
    return AddShape(
        [&](cairo_t* inFill, cairo_t* inStroke, int inPen) {
            RoundRectPath(inFill, theL, theT, theR, theB, theRx, theRy);
            const double theO = PenOffset(inPen);
            RoundRectPath(inStroke, theL + theO, theT + theO, theR + theO, theB + theO, theRx, theRy);
        },
        true);
}

bool DeviceContext::Polygon(const POINT* inPoints, int inCount, bool inClosed)
{
    return AddShape(
        [&](cairo_t* inFill, cairo_t* inStroke, int inPen) {
            const double theO = PenOffset(inPen);
            cairo_new_sub_path(inFill);
            cairo_new_sub_path(inStroke);
            for (int theIndex = 0; theIndex < inCount; ++theIndex) {
                cairo_line_to(inFill, inPoints[theIndex].x, inPoints[theIndex].y);
                cairo_line_to(inStroke, inPoints[theIndex].x + theO, inPoints[theIndex].y + theO);
            }
            cairo_close_path(inFill);
            if (inClosed) {
                cairo_close_path(inStroke);
            }
        },
        inClosed, true);
}

// ---- Paths ---------------------------------------------------------------

bool DeviceContext::BeginPath()
{
    ClearRecorders();  // the recorders are made when a path needs them
    mPathState = PathState::kRecording;
    return true;
}

bool DeviceContext::EndPath()
{
    if (mPathState != PathState::kRecording) {
        return false;
    }
    mPathState = PathState::kClosed;
    return true;
}

bool DeviceContext::AbortPath()
{
    ClearRecorders();
    mPathState = PathState::kNone;
    return true;
}

bool DeviceContext::PaintPath(bool inStroke, bool inFill)
{
    if (mPathState != PathState::kClosed) {
        return false;
    }
    const bool theFilled = inFill && mBrush->mStyle != BrushObject::Style::kNull;
    const bool theStroked = inStroke && mPen->mStyle != PS_NULL;
    if (mRecorded == Recorded::kSimple && PaintSimple(mRecordedShape, theFilled, theStroked)) {
        ClearRecorders();
        mPathState = PathState::kNone;
        return true;
    }
    Materialize();
    // Owned across the painting, which may throw.
    const PathOwner theFill(theFilled ? cairo_copy_path(mFillRecorder) : nullptr, &cairo_path_destroy);
    const PathOwner theStroke(theStroked ? cairo_copy_path(mStrokeRecorder) : nullptr, &cairo_path_destroy);
    const bool theResult = Paint(theFill.get(), theStroke.get());
    ClearRecorders();
    mPathState = PathState::kNone;
    return theResult;
}

// ---- Painting ------------------------------------------------------------

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

void DeviceContext::TransformedBounds(double inLeft, double inTop, double inRight, double inBottom,
                                      double& ioLeft, double& ioTop, double& ioRight, double& ioBottom) const
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
                               const std::function<void(cairo_t*)>& inDraw, bool inOpaque)
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
    if (PaintInPlace(theX0, theY0, theX1, theY1, inDraw, inOpaque)) {
        return;
    }
    const SurfaceOwner theLayer(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, theX1 - theX0, theY1 - theY0),
                                &cairo_surface_destroy);
    {
        const ContextOwner theContext(cairo_create(theLayer.get()), &cairo_destroy);
        cairo_set_antialias(theContext.get(), CAIRO_ANTIALIAS_NONE);
        cairo_translate(theContext.get(), -theX0, -theY0);
        inDraw(theContext.get());
    }
    if (cairo_surface_status(theLayer.get()) == CAIRO_STATUS_SUCCESS) {
        mBitmap->Composite(theLayer.get(), theX0, theY0);
    }
}

bool DeviceContext::PaintInPlace(int inX0, int inY0, int inX1, int inY1, const std::function<void(cairo_t*)>& inDraw,
                                 bool inOpaque)
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
    for (int theY = 0; !inOpaque && theY < inY1 - inY0; ++theY) {
        const auto* theRow = reinterpret_cast<const std::uint32_t*>(theOrigin + static_cast<std::ptrdiff_t>(theY) * theRowBytes);
        std::uint32_t theAll = 0xFFFFFFFF;
        for (int theX = 0; theX < inX1 - inX0; ++theX) {
            theAll &= theRow[theX];
        }
        if ((theAll >> 24) != 0xFF) {
            return false;
        }
    }
    const SurfaceOwner theSurface(
        cairo_image_surface_create_for_data(theOrigin, CAIRO_FORMAT_ARGB32, inX1 - inX0, inY1 - inY0, theRowBytes),
        &cairo_surface_destroy);
    if (cairo_surface_status(theSurface.get()) != CAIRO_STATUS_SUCCESS) {
        return false;
    }
    {
        const ContextOwner theContext(cairo_create(theSurface.get()), &cairo_destroy);
        cairo_set_antialias(theContext.get(), CAIRO_ANTIALIAS_NONE);
        cairo_translate(theContext.get(), -inX0, -inY0);
        inDraw(theContext.get());
    }
    cairo_surface_finish(theSurface.get());
    return true;
}

bool DeviceContext::Paint(cairo_path_t* inFill, cairo_path_t* inStroke)
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
        const double theReach = mSharpCorners ? kMiterLimit / 2 : 0.75;
        theMargin += mPen->mWidth * MatrixScale(mTransform) * theReach;
    }
    const int theWidth = mPen->mWidth;
    // A path that is one rectangle, however it was made, may still be boxes.
    double theFillEdges[4], thePenEdges[4];
    if ((inFill == nullptr || RectanglePath(inFill, mTransform, theFillEdges)) &&
        (inStroke == nullptr || RectanglePath(inStroke, mTransform, thePenEdges)) &&
        PaintBoxes(inFill != nullptr ? theFillEdges : nullptr, inStroke != nullptr ? thePenEdges : nullptr,
                   theLeft - theMargin, theTop - theMargin, theRight + theMargin, theBottom + theMargin)) {
        return true;
    }
    PaintLayer(theLeft - theMargin, theTop - theMargin, theRight + theMargin, theBottom + theMargin,
               [&](cairo_t* inContext) {
                   if (inFill != nullptr) {
                       // The pattern is fixed to device space: set before the world transform.
                       if (mBrush->mStyle == BrushObject::Style::kPattern) {
                           cairo_pattern_t* thePattern = cairo_pattern_create_for_surface(mBrush->mPattern);
                           cairo_pattern_set_extend(thePattern, CAIRO_EXTEND_REPEAT);
                           cairo_pattern_set_filter(thePattern, CAIRO_FILTER_NEAREST);
                           cairo_set_source(inContext, thePattern);
                           cairo_pattern_destroy(thePattern);
                       } else {
                           SetSourceColor(inContext, mBrush->mColor);
                       }
                       cairo_save(inContext);
                       cairo_transform(inContext, &mTransform);
                       cairo_new_path(inContext);
                       cairo_append_path(inContext, inFill);
                       cairo_restore(inContext);
                       cairo_set_fill_rule(inContext, mFillMode == WINDING ? CAIRO_FILL_RULE_WINDING
                                                                           : CAIRO_FILL_RULE_EVEN_ODD);
                       cairo_fill(inContext);
                   }
                   if (inStroke != nullptr) {
                       SetSourceColor(inContext, mPen->mColor);
                       cairo_save(inContext);
                       cairo_transform(inContext, &mTransform);
                       cairo_new_path(inContext);
                       cairo_append_path(inContext, inStroke);
                       cairo_set_line_width(inContext, theWidth);
                       cairo_set_line_join(inContext, CAIRO_LINE_JOIN_MITER);
                       cairo_set_miter_limit(inContext, kMiterLimit);
                       cairo_set_line_cap(inContext, theWidth > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
                       cairo_stroke(inContext);
                       cairo_restore(inContext);
                   }
               },
               true);
    return true;
}

template <typename FillRuns, typename StrokeRuns>
void DeviceContext::PaintRuns(const FillRuns* inFill, const StrokeRuns* inStroke, double inLeft, double inTop,
                              double inRight, double inBottom)
{
    // Writes the runs into 32-bit pixels whose pixel (0, 0) is device pixel
    // (inOriginX, inOriginY), clipped to them.
    const auto theWrite = [&](std::uint8_t* inData, int inStride, int inWidth, int inHeight, int inOriginX,
                              int inOriginY) {
        const auto theClipped = [&](const auto& inSource, const auto& inWriteRun) {
            inSource([&](int inY, int inX0, int inX1) {
                const int theY = inY - inOriginY;
                const int theX0 = std::max(inX0 - inOriginX, 0);
                const int theX1 = std::min(inX1 - inOriginX, inWidth);
                if (theY >= 0 && theY < inHeight && theX0 < theX1) {
                    inWriteRun(reinterpret_cast<std::uint32_t*>(inData + static_cast<std::ptrdiff_t>(theY) * inStride),
                               theX0, theX1, inY);
                }
            });
        };
        if (inFill != nullptr) {
            if (mBrush->mStyle == BrushObject::Style::kPattern) {
                // Tiles from the device origin, one pattern pixel per device pixel.
                cairo_surface_t* thePattern = mBrush->mPattern;
                cairo_surface_flush(thePattern);
                const std::uint8_t* theTile = cairo_image_surface_get_data(thePattern);
                const int theTileStride = cairo_image_surface_get_stride(thePattern);
                const int theTileWidth = cairo_image_surface_get_width(thePattern);
                const int theTileHeight = cairo_image_surface_get_height(thePattern);
                if (theTile != nullptr && theTileWidth > 0 && theTileHeight > 0) {
                    theClipped(*inFill, [&](std::uint32_t* inRow, int inX0, int inX1, int inDeviceY) {
                        const int theTy = ((inDeviceY % theTileHeight) + theTileHeight) % theTileHeight;
                        const auto* theTileRow = reinterpret_cast<const std::uint32_t*>(
                            theTile + static_cast<std::ptrdiff_t>(theTy) * theTileStride);
                        for (int theX = inX0; theX < inX1; ++theX) {
                            const int theDeviceX = theX + inOriginX;
                            const int theTx = ((theDeviceX % theTileWidth) + theTileWidth) % theTileWidth;
                            inRow[theX] = 0xFF000000u | theTileRow[theTx];
                        }
                    });
                }
            } else {
                const std::uint32_t thePixel = OpaquePixel(mBrush->mColor);
                theClipped(*inFill,
                           [&](std::uint32_t* inRow, int inX0, int inX1, int) { std::fill(inRow + inX0, inRow + inX1, thePixel); });
            }
        }
        if (inStroke != nullptr) {
            const std::uint32_t thePixel = OpaquePixel(mPen->mColor);
            theClipped(*inStroke,
                       [&](std::uint32_t* inRow, int inX0, int inX1, int) { std::fill(inRow + inX0, inRow + inX1, thePixel); });
        }
    };
    // Every pixel written is opaque, which compositing a layer into a 32-bit
    // store would copy byte for byte: write into the store itself, opaque or
    // not, without a Cairo surface.
    if (mBitmap->BitsPerPixel() == 32 && mBitmap->RowBytes() % 4 == 0 &&
        reinterpret_cast<std::uintptr_t>(mBitmap->Bits()) % 4 == 0) {
        theWrite(static_cast<std::uint8_t*>(mBitmap->Bits()), mBitmap->RowBytes(), mBitmap->Width(),
                 mBitmap->Height(), 0, 0);
        return;
    }
    PaintLayer(inLeft, inTop, inRight, inBottom, [&](cairo_t* inContext) {
        cairo_surface_t* theTarget = cairo_get_target(inContext);
        cairo_surface_flush(theTarget);
        std::uint8_t* theData = cairo_image_surface_get_data(theTarget);
        if (theData == nullptr) {
            return;
        }
        cairo_matrix_t theMatrix;
        cairo_get_matrix(inContext, &theMatrix);  // a whole-pixel translation to the target's origin
        theWrite(theData, cairo_image_surface_get_stride(theTarget), cairo_image_surface_get_width(theTarget),
                 cairo_image_surface_get_height(theTarget), static_cast<int>(-theMatrix.x0),
                 static_cast<int>(-theMatrix.y0));
        cairo_surface_mark_dirty(theTarget);
    });
}

bool DeviceContext::PaintBoxes(const double* inFillEdges, const double* inPenEdges, double inLeft, double inTop,
                               double inRight, double inBottom)
{
    // A rectangle with whole-pixel edges covers whole boxes of pixels: the
    // fill its inside, the pen the outline grown by half the pen each way
    // (square mitred corners) less the inside shrunk alike. Cairo samples
    // pixel centres the same way, so writing those boxes gives its pixels.
    const double* theEdges = inFillEdges;
    PixelBox theFill;
    if (theEdges != nullptr && !WholeBox(theEdges[0], theEdges[1], theEdges[2], theEdges[3], theFill)) {
        return false;
    }
    PixelBox theOuter, theInner;
    const int thePen = mPen->mWidth;
    theEdges = inPenEdges;
    if (theEdges != nullptr) {
        const double theHalf = thePen / 2.0;
        if (thePen < 1 ||
            !WholeBox(theEdges[0] - theHalf, theEdges[1] - theHalf, theEdges[2] + theHalf, theEdges[3] + theHalf,
                      theOuter) ||
            !WholeBox(theEdges[0] + theHalf, theEdges[1] + theHalf, theEdges[2] - theHalf, theEdges[3] - theHalf,
                      theInner)) {
            return false;
        }
        const int theInnerWidth = theInner.mRight - theInner.mLeft;
        const int theInnerHeight = theInner.mBottom - theInner.mTop;
        // Where the inside is one pixel across, Cairo's stroker covers some of
        // it depending on direction: left to Cairo.
        if (thePen > 1 && (theInnerWidth == 1 || theInnerHeight == 1)) {
            return false;
        }
        if (theInnerWidth <= 0 || theInnerHeight <= 0) {
            theInner = PixelBox{};
        }
    }
    const auto theBox = [](const PixelBox& inBox, const auto& inSink) {
        for (int theY = inBox.mTop; theY < inBox.mBottom; ++theY) {
            inSink(theY, inBox.mLeft, inBox.mRight);
        }
    };
    const auto theFillRuns = [&](const auto& inSink) { theBox(theFill, inSink); };
    const auto theStrokeRuns = [&](const auto& inSink) {
        if (theInner.Empty()) {
            theBox(theOuter, inSink);
            return;
        }
        theBox(PixelBox{theOuter.mLeft, theOuter.mTop, theOuter.mRight, theInner.mTop}, inSink);
        for (int theY = theInner.mTop; theY < theInner.mBottom; ++theY) {
            inSink(theY, theOuter.mLeft, theInner.mLeft);
            inSink(theY, theInner.mRight, theOuter.mRight);
        }
        theBox(PixelBox{theOuter.mLeft, theInner.mBottom, theOuter.mRight, theOuter.mBottom}, inSink);
    };
    PaintRuns(inFillEdges != nullptr ? &theFillRuns : nullptr, inPenEdges != nullptr ? &theStrokeRuns : nullptr,
              inLeft, inTop, inRight, inBottom);
    return true;
}

bool DeviceContext::PaintSimple(const SimpleShape& inShape, bool inFill, bool inStroke)
{
    if (mBitmap == nullptr || (!inFill && !inStroke)) {
        return true;
    }
    if (!IsTranslation(mTransform)) {
        return false;
    }
    if (inShape.mKind == SimpleShape::Kind::kEllipse) {
        return PaintEllipse(inShape, inFill, inStroke);
    }
    // As RectanglePath reads a rectangle's path: device edges, with width and height.
    double theFill[4], thePen[4];
    const auto theDevice = [&](const double* inEdges, double* outEdges) {
        outEdges[0] = inEdges[0] + mTransform.x0;
        outEdges[1] = inEdges[1] + mTransform.y0;
        outEdges[2] = inEdges[2] + mTransform.x0;
        outEdges[3] = inEdges[3] + mTransform.y0;
        return outEdges[0] < outEdges[2] && outEdges[1] < outEdges[3];
    };
    if ((inFill && !theDevice(inShape.mFill, theFill)) || (inStroke && !theDevice(inShape.mPen, thePen))) {
        return false;
    }
    const double theMargin = 1 + mPen->mWidth;
    const double* theOne = inFill ? theFill : thePen;
    const double* theOther = inStroke ? thePen : theFill;
    return PaintBoxes(inFill ? theFill : nullptr, inStroke ? thePen : nullptr,
                      std::min(theOne[0], theOther[0]) - theMargin, std::min(theOne[1], theOther[1]) - theMargin,
                      std::max(theOne[2], theOther[2]) + theMargin, std::max(theOne[3], theOther[3]) + theMargin);
}

bool DeviceContext::PaintEllipse(const SimpleShape& inShape, bool inFill, bool inStroke)
{
    // Beyond these the boundary takes too many points, or the arithmetic too
    // many bits, to be worth leaving Cairo for.
    constexpr double kMostPoints = 2048;
    constexpr double kFarthest = 1 << 24;
    const struct {
        double mFillRx, mFillRy, mPenRx, mPenRy;
    } theRadii{inShape.mFill[2], inShape.mFill[3], inShape.mPen[2], inShape.mPen[3]};
    const double theFillCx = inShape.mFill[0] + mTransform.x0;
    const double theFillCy = inShape.mFill[1] + mTransform.y0;
    const double thePenCx = inShape.mPen[0] + mTransform.x0;
    const double thePenCy = inShape.mPen[1] + mTransform.y0;
    const double theHalf = mPen->mWidth / 2.0;
    const auto theFits = [&](double inCx, double inCy, double inRx, double inRy) {
        // Thinner shapes are mostly ties between pixel centres and the curve: left to Cairo.
        return inRx >= 1 && inRy >= 1 && std::abs(inCx) + inRx < kFarthest && std::abs(inCy) + inRy < kFarthest;
    };
    if (inFill && !theFits(theFillCx, theFillCy, theRadii.mFillRx, theRadii.mFillRy)) {
        return false;
    }
    if (inStroke && (mPen->mWidth < 1 || !theFits(thePenCx, thePenCy, theRadii.mPenRx + theHalf,
                                                  theRadii.mPenRy + theHalf) ||
                     !theFits(thePenCx, thePenCy, theRadii.mPenRx, theRadii.mPenRy) ||
                     EllipseOutline::PointsFor(theRadii.mPenRx, theRadii.mPenRy, theHalf) > kMostPoints)) {
        return false;
    }
    const EllipseOutline theFill =
        inFill ? EllipseOutline::Ellipse(theRadii.mFillRx, theRadii.mFillRy) : EllipseOutline();
    EllipseOutline theOuter, theInner;
    if (inStroke) {
        EllipseOutline::Band(theRadii.mPenRx, theRadii.mPenRy, theHalf, theOuter, theInner);
    }
    // Each row's runs of the three outlines, for the store's rows only: the
    // fill is then written only where the pen does not cover it, so every
    // pixel is written once.
    struct Row {
        int mFill0 = 0, mFill1 = 0, mOuter0 = 0, mOuter1 = 0, mInner0 = 0, mInner1 = 0;
    };
    int theFirstRow = mBitmap->Height(), theEndRow = 0;
    const auto theSpan = [&](const EllipseOutline& inOutline, double inCy) {
        int theY0 = 0, theY1 = 0;
        inOutline.RowRange(inCy, theY0, theY1);
        if (theY0 < theY1) {
            theFirstRow = std::min(theFirstRow, std::max(theY0, 0));
            theEndRow = std::max(theEndRow, std::min(theY1, mBitmap->Height()));
        }
    };
    theSpan(theFill, theFillCy);
    theSpan(theOuter, thePenCy);
    if (theFirstRow >= theEndRow) {
        return true;  // nothing on the store
    }
    std::vector<Row> theRows(static_cast<std::size_t>(theEndRow - theFirstRow));
    const auto theRow = [&](int inY) -> Row& { return theRows[static_cast<std::size_t>(inY - theFirstRow)]; };
    theFill.MirroredRows(theFillCx, theFillCy, theFirstRow, theEndRow, [&](int inY, int inX0, int inX1) {
        theRow(inY).mFill0 = inX0;
        theRow(inY).mFill1 = inX1;
    });
    theOuter.MirroredRows(thePenCx, thePenCy, theFirstRow, theEndRow, [&](int inY, int inX0, int inX1) {
        theRow(inY).mOuter0 = inX0;
        theRow(inY).mOuter1 = inX1;
    });
    theInner.MirroredRows(thePenCx, thePenCy, theFirstRow, theEndRow, [&](int inY, int inX0, int inX1) {
        theRow(inY).mInner0 = inX0;
        theRow(inY).mInner1 = inX1;
    });
    const auto theEmit = [](const auto& inSink, int inY, int inX0, int inX1) {
        if (inX0 < inX1) {
            inSink(inY, inX0, inX1);
        }
    };
    const auto theFillRuns = [&](const auto& inSink) {
        for (int theY = theFirstRow; theY < theEndRow; ++theY) {
            const Row& theR = theRow(theY);
            if (theR.mOuter0 >= theR.mOuter1) {
                theEmit(inSink, theY, theR.mFill0, theR.mFill1);
                continue;
            }
            // The fill left of the pen, inside its band, and right of it.
            theEmit(inSink, theY, theR.mFill0, std::min(theR.mFill1, theR.mOuter0));
            theEmit(inSink, theY, std::max({theR.mFill0, theR.mInner0, theR.mOuter0}),
                    std::min({theR.mFill1, theR.mInner1, theR.mOuter1}));
            theEmit(inSink, theY, std::max(theR.mFill0, theR.mOuter1), theR.mFill1);
        }
    };
    const auto theStrokeRuns = [&](const auto& inSink) {
        for (int theY = theFirstRow; theY < theEndRow; ++theY) {
            const Row& theR = theRow(theY);
            const int theInner0 = std::max(theR.mInner0, theR.mOuter0);
            const int theInner1 = std::min(theR.mInner1, theR.mOuter1);
            if (theInner0 >= theInner1) {
                theEmit(inSink, theY, theR.mOuter0, theR.mOuter1);
                continue;
            }
            theEmit(inSink, theY, theR.mOuter0, theInner0);
            theEmit(inSink, theY, theInner1, theR.mOuter1);
        }
    };
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double theLeft = kInfinity, theTop = kInfinity, theRight = -kInfinity, theBottom = -kInfinity;
    const auto theCover = [&](double inCx, double inCy, double inRx, double inRy) {
        theLeft = std::min(theLeft, inCx - inRx - 1);
        theTop = std::min(theTop, inCy - inRy - 1);
        theRight = std::max(theRight, inCx + inRx + 1);
        theBottom = std::max(theBottom, inCy + inRy + 1);
    };
    if (inFill) {
        theCover(theFillCx, theFillCy, theRadii.mFillRx, theRadii.mFillRy);
    }
    if (inStroke) {
        theCover(thePenCx, thePenCy, theRadii.mPenRx + theHalf, theRadii.mPenRy + theHalf);
    }
    PaintRuns(inFill ? &theFillRuns : nullptr, inStroke ? &theStrokeRuns : nullptr, theLeft, theTop, theRight,
              theBottom);
    return true;
}

// ---- Pixels --------------------------------------------------------------

COLORREF DeviceContext::GetPixel(int inX, int inY) const
{
    double theX = inX + 0.5;
    double theY = inY + 0.5;
    cairo_matrix_transform_point(&mTransform, &theX, &theY);
    const int thePx = static_cast<int>(std::floor(theX));
    const int thePy = static_cast<int>(std::floor(theY));
    if (mBitmap == nullptr || thePx < 0 || thePy < 0 || thePx >= mBitmap->Width() || thePy >= mBitmap->Height()) {
        return CLR_INVALID;
    }
    const std::uint32_t theArgb = mBitmap->ReadArgb(thePx, thePy);
    return RGB((theArgb >> 16) & 0xFF, (theArgb >> 8) & 0xFF, theArgb & 0xFF);
}

COLORREF DeviceContext::SetPixel(int inX, int inY, COLORREF inColor)
{
    double theX = inX + 0.5;
    double theY = inY + 0.5;
    cairo_matrix_transform_point(&mTransform, &theX, &theY);
    const int thePx = static_cast<int>(std::floor(theX));
    const int thePy = static_cast<int>(std::floor(theY));
    if (mBitmap == nullptr || thePx < 0 || thePy < 0 || thePx >= mBitmap->Width() || thePy >= mBitmap->Height()) {
        return CLR_INVALID;
    }
    const std::uint32_t theArgb = 0xFF000000 | (std::uint32_t(GetRValue(inColor)) << 16) |
                                  (std::uint32_t(GetGValue(inColor)) << 8) | GetBValue(inColor);
    const std::uint32_t theStored = mBitmap->WriteArgb(thePx, thePy, theArgb);
    return RGB((theStored >> 16) & 0xFF, (theStored >> 8) & 0xFF, theStored & 0xFF);
}

// ---- Text ------------------------------------------------------------------

void DeviceContext::ShowText(cairo_t* inContext, const char* inText, int inLength, double inX, double inTop,
                             bool inAsPath)
{
    PangoLayout* theLayout = pango_layout_new(TextContext::Current());
    pango_layout_set_font_description(theLayout, mFont->Description());
    pango_layout_set_single_paragraph_mode(theLayout, TRUE);
    if (PangoAttrList* theAttributes = mFont->NewAttributes()) {
        pango_layout_set_attributes(theLayout, theAttributes);
        pango_attr_list_unref(theAttributes);
    }
    pango_layout_set_text(theLayout, inText, inLength);
    const double theBaseline = pango_layout_get_baseline(theLayout) / double(PANGO_SCALE);
    cairo_move_to(inContext, inX, inTop + mFont->Metrics().mAscent - theBaseline);
    if (inAsPath) {
        pango_cairo_layout_path(inContext, theLayout);
    } else {
        pango_cairo_show_layout(inContext, theLayout);
    }
    g_object_unref(theLayout);
}

bool DeviceContext::TextExtent(const char* inText, int inLength, SIZE* outSize)
{
    const std::string theText = ValidText(inText, inLength);
    PangoLayout* theLayout = pango_layout_new(TextContext::Current());
    pango_layout_set_font_description(theLayout, mFont->Description());
    pango_layout_set_single_paragraph_mode(theLayout, TRUE);
    pango_layout_set_text(theLayout, theText.data(), static_cast<int>(theText.size()));
    PangoRectangle theLogical;
    pango_layout_get_extents(theLayout, nullptr, &theLogical);
    g_object_unref(theLayout);
    outSize->cx = theText.empty() ? 0 : static_cast<int>(std::lround(theLogical.width / double(PANGO_SCALE)));
    outSize->cy = mFont->Metrics().mAscent + mFont->Metrics().mDescent;
    return true;
}

bool DeviceContext::TextOut(int inX, int inY, const char* inText, int inLength, const RECT* inOpaque,
                            const RECT* inClip)
{
    const std::string theText = ValidText(inText, inLength);
    const int theLength = static_cast<int>(theText.size());
    if (mPathState == PathState::kRecording) {
        if (theLength > 0) {
            Materialize();
            ShowText(mFillRecorder, theText.data(), theLength, inX, inY, true);
            ShowText(mStrokeRecorder, theText.data(), theLength, inX, inY, true);
            mSharpCorners = true;
            mRecorded = Recorded::kOther;
        }
        return true;
    }
    if (mBitmap == nullptr) {
        return true;
    }
    SIZE theSize{};
    TextExtent(theText.data(), theLength, &theSize);
    const double theEm = mFont->Metrics().mMaxCharWidth;
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double theLeft = kInfinity, theTop = kInfinity, theRight = -kInfinity, theBottom = -kInfinity;
    TransformedBounds(inX - theEm, inY - theEm, inX + theSize.cx + theEm, inY + theSize.cy + theEm, theLeft, theTop,
                      theRight, theBottom);
    if (inOpaque != nullptr) {
        TransformedBounds(inOpaque->left, inOpaque->top, inOpaque->right, inOpaque->bottom, theLeft, theTop,
                          theRight, theBottom);
    }
    PaintLayer(theLeft - 1, theTop - 1, theRight + 1, theBottom + 1, [&](cairo_t* inContext) {
        cairo_transform(inContext, &mTransform);
        if (inClip != nullptr) {
            cairo_rectangle(inContext, inClip->left, inClip->top, inClip->right - inClip->left,
                            inClip->bottom - inClip->top);
            cairo_clip(inContext);
        }
        SetSourceColor(inContext, mBkColor);
        if (inOpaque != nullptr) {
            cairo_rectangle(inContext, inOpaque->left, inOpaque->top, inOpaque->right - inOpaque->left,
                            inOpaque->bottom - inOpaque->top);
            cairo_fill(inContext);
        } else if (mBkMode == OPAQUE && theLength > 0) {
            cairo_rectangle(inContext, inX, inY, theSize.cx, theSize.cy);
            cairo_fill(inContext);
        }
        if (theLength > 0) {
            SetSourceColor(inContext, mTextColor);
            ShowText(inContext, theText.data(), theLength, inX, inY, false);
        }
    });
    return true;
}

int DeviceContext::DrawText(const char* inText, int inLength, RECT* ioRect, UINT inFormat,
                            DRAWTEXTPARAMS* ioParams)
{
    const std::string theGiven = ValidText(inText, inLength);
    const CappedText theCapped(theGiven);
    const std::string& theText = theCapped.Text();
    int theTabLength = kDefaultTabLength;
    if ((inFormat & DT_TABSTOP) != 0) {
        // The tab length takes the format's bits 8 to 15, as the classic call reads them.
        theTabLength = static_cast<int>((inFormat >> 8) & 0xFF);
        inFormat &= ~0xFF00u;
    }
    int theLeftMargin = 0;
    int theRightMargin = 0;
    if (ioParams != nullptr) {
        if (ioParams->iTabLength > 0) {
            theTabLength = ioParams->iTabLength;
        }
        theLeftMargin = ioParams->iLeftMargin;
        theRightMargin = ioParams->iRightMargin;
        ioParams->uiLengthDrawn = 0;
    }
    const bool theMeasureOnly = (inFormat & DT_CALCRECT) != 0;
    if (theText.empty()) {
        if (theMeasureOnly) {
            ioRect->right = ioRect->left;
            ioRect->bottom = ioRect->top;
        }
        return 0;
    }

    const FontMetrics& theMetrics = mFont->Metrics();
    const int theLineHeight = theMetrics.mAscent + theMetrics.mDescent;
    const bool theSingleLine = (inFormat & DT_SINGLELINE) != 0;
    TextLayout::Wrap theWrap = TextLayout::Wrap::kNone;
    if ((inFormat & DT_WORDBREAK) != 0 && !theSingleLine) {
        theWrap = (inFormat & DT_EDITCONTROL) != 0 ? TextLayout::Wrap::kWordsAndCharacters : TextLayout::Wrap::kWords;
    }
    const double theLeft = static_cast<double>(ioRect->left) + theLeftMargin;
    const double theAvailable = static_cast<double>(ioRect->right) - theRightMargin - theLeft;
    TextLayout theLayout(*mFont, theText, static_cast<double>(theTabLength) * theMetrics.mAveCharWidth);
    const std::vector<TextLine> theLines = theLayout.Lay(theAvailable, theWrap, theSingleLine);
    const int theHeight = static_cast<int>(theLines.size()) * theLineHeight;

    if (theMeasureOnly) {
        double theWidest = 0;
        for (const TextLine& theLine : theLines) {
            theWidest = std::max(theWidest, theLine.mWidth);
        }
        const int theBlock = static_cast<int>(std::lround(theWidest)) + theLeftMargin + theRightMargin;
        if ((inFormat & DT_CENTER) != 0) {
            ioRect->left = ioRect->left + (ioRect->right - ioRect->left - theBlock) / 2;
            ioRect->right = ioRect->left + theBlock;
        } else if ((inFormat & DT_RIGHT) != 0) {
            ioRect->left = ioRect->right - theBlock;
        } else {
            ioRect->right = ioRect->left + theBlock;
        }
        ioRect->bottom = ioRect->top + theHeight;
        if (ioParams != nullptr) {
            ioParams->uiLengthDrawn = static_cast<UINT>(theGiven.size());
        }
        return theHeight;
    }

    double theTop = ioRect->top;
    if (theSingleLine && (inFormat & DT_VCENTER) != 0) {
        theTop = ioRect->top + (ioRect->bottom - ioRect->top - theLineHeight) / 2;
    } else if (theSingleLine && (inFormat & DT_BOTTOM) != 0) {
        theTop = ioRect->bottom - theLineHeight;
    }
    std::size_t theVisible = theLines.size();
    if ((inFormat & DT_EDITCONTROL) != 0) {
        theVisible = 0;
        while (theVisible < theLines.size() &&
               theTop + static_cast<double>(theVisible + 1) * theLineHeight <= ioRect->bottom) {
            ++theVisible;
        }
    }
    if (ioParams != nullptr) {
        ioParams->uiLengthDrawn =
            theVisible > 0 ? static_cast<UINT>(theCapped.Original(theLines[theVisible - 1].mNext)) : 0;
    }

    const auto theLineX = [&](const TextLine& inLine) {
        if ((inFormat & DT_CENTER) != 0) {
            return theLeft + std::floor((theAvailable - inLine.mWidth) / 2);
        }
        if ((inFormat & DT_RIGHT) != 0) {
            return theLeft + theAvailable - inLine.mWidth;
        }
        return theLeft;
    };
    const auto theDrawLines = [&](cairo_t* inContext, bool inAsPath) {
        for (std::size_t theIndex = 0; theIndex < theVisible; ++theIndex) {
            const TextLine& theLine = theLines[theIndex];
            const double theX = theLineX(theLine);
            const double theY = theTop + static_cast<double>(theIndex) * theLineHeight;
            if (!inAsPath && mBkMode == OPAQUE && theLine.mWidth > 0) {
                SetSourceColor(inContext, mBkColor);
                cairo_rectangle(inContext, theX, theY, theLine.mWidth, theLineHeight);
                cairo_fill(inContext);
                SetSourceColor(inContext, mTextColor);
            }
            for (const TextSegment& theSegment : theLayout.Segments(theLine)) {
                ShowText(inContext, theText.data() + theSegment.mStart, theSegment.mEnd - theSegment.mStart,
                         theX + theSegment.mX, theY, inAsPath);
            }
        }
    };

    if (mPathState == PathState::kRecording) {
        Materialize();
        theDrawLines(mFillRecorder, true);
        theDrawLines(mStrokeRecorder, true);
        mSharpCorners = true;
        mRecorded = Recorded::kOther;
        return theHeight;
    }
    if (mBitmap == nullptr || theVisible == 0) {
        return theHeight;
    }
    const bool theClip = (inFormat & DT_NOCLIP) == 0;
    const double theEm = theMetrics.mMaxCharWidth;
    double theBoxLeft = std::numeric_limits<double>::infinity();
    double theBoxRight = -theBoxLeft;
    for (std::size_t theIndex = 0; theIndex < theVisible; ++theIndex) {
        theBoxLeft = std::min(theBoxLeft, theLineX(theLines[theIndex]) - theEm);
        theBoxRight = std::max(theBoxRight, theLineX(theLines[theIndex]) + theLines[theIndex].mWidth + theEm);
    }
    double theBoxTop = theTop - theEm;
    double theBoxBottom = theTop + static_cast<double>(theVisible) * theLineHeight + theEm;
    if (theClip) {
        theBoxLeft = std::max(theBoxLeft, static_cast<double>(ioRect->left));
        theBoxRight = std::min(theBoxRight, static_cast<double>(ioRect->right));
        theBoxTop = std::max(theBoxTop, static_cast<double>(ioRect->top));
        theBoxBottom = std::min(theBoxBottom, static_cast<double>(ioRect->bottom));
        if (theBoxRight <= theBoxLeft || theBoxBottom <= theBoxTop) {
            return theHeight;
        }
    }
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double theDevLeft = kInfinity, theDevTop = kInfinity, theDevRight = -kInfinity, theDevBottom = -kInfinity;
    TransformedBounds(theBoxLeft, theBoxTop, theBoxRight, theBoxBottom, theDevLeft, theDevTop, theDevRight,
                      theDevBottom);
    PaintLayer(theDevLeft - 1, theDevTop - 1, theDevRight + 1, theDevBottom + 1, [&](cairo_t* inContext) {
        cairo_transform(inContext, &mTransform);
        if (theClip) {
            cairo_rectangle(inContext, ioRect->left, ioRect->top, ioRect->right - ioRect->left,
                            ioRect->bottom - ioRect->top);
            cairo_clip(inContext);
        }
        SetSourceColor(inContext, mTextColor);
        theDrawLines(inContext, false);
    });
    return theHeight;
}
