#include "DeviceContext.h"

#include "ShapeGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

cairo_surface_t* RecorderSurface()
{
    static cairo_surface_t* sSurface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    return sSurface;
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

CairoContext DeviceContext::NewRecorder() const
{
    return CairoContext(cairo_create(RecorderSurface()));
}

void DeviceContext::ClearRecorders()
{
    mFillRecorder.reset();
    mStrokeRecorder.reset();
    mCorners = Corners::kRightOrRounder;
    mRecorded = Recorded::kNothing;
}

bool DeviceContext::AddShape(const ShapeBuilder& inBuilder, Fillable inFillable, Corners inCorners,
                             const SimpleShape* inSimple)
{
    if (mPathState == PathState::kRecording) {
        mCorners = std::max(mCorners, inCorners);
        if (inSimple != nullptr && mRecorded == Recorded::kNothing) {
            mRecorded = Recorded::kSimple;
            mRecordedShape = *inSimple;
            return true;
        }
        Materialize();
        inBuilder(mFillRecorder.get(), mStrokeRecorder.get(), mPen->mWidth);
        mRecorded = Recorded::kOther;
        return true;
    }
    const Parts theParts{inFillable == Fillable::kYes && mBrush->mStyle != BrushObject::Style::kNull,
                         mPen->mStyle != PS_NULL};
    if (inSimple != nullptr && PaintSimple(*inSimple, theParts)) {
        return true;
    }
    return PaintBuilt(inBuilder, theParts, inCorners);
}

bool DeviceContext::PaintBuilt(const ShapeBuilder& inBuilder, Parts inParts, Corners inCorners)
{
    const Corners theRecordedCorners = mCorners;
    mCorners = inCorners;
    const CairoContext theFillRecorder = NewRecorder();
    const CairoContext theStrokeRecorder = NewRecorder();
    inBuilder(theFillRecorder.get(), theStrokeRecorder.get(), mPen->mWidth);
    const CairoPath theFillPath(inParts.mFill ? cairo_copy_path(theFillRecorder.get()) : nullptr);
    const CairoPath theStrokePath(inParts.mStroke ? cairo_copy_path(theStrokeRecorder.get()) : nullptr);
    const bool theResult = Paint(theFillPath.get(), theStrokePath.get());
    mCorners = theRecordedCorners;
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
        BuildSimple(mRecordedShape, mFillRecorder.get(), mStrokeRecorder.get());
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
    const SimpleShape theShape{
        SimpleShape::Kind::kRectangle, {theL, theT, theR, theB}, {theL + theO, theT + theO, theR + theO, theB + theO}};
    return AddShape([&](cairo_t* inFill, cairo_t* inStroke, int) { BuildSimple(theShape, inFill, inStroke); },
                    Fillable::kYes, Corners::kRightOrRounder, &theShape);
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
    return AddShape([&](cairo_t* inFill, cairo_t* inStroke, int) { BuildSimple(theShape, inFill, inStroke); },
                    Fillable::kYes, Corners::kRightOrRounder, &theShape);
}

bool DeviceContext::RoundRect(int inLeft, int inTop, int inRight, int inBottom, int inCornerWidth, int inCornerHeight)
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
        Fillable::kYes);
}

bool DeviceContext::Polygon(const POINT* inPoints, int inCount, Outline inOutline)
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
            if (inOutline == Outline::kClosed) {
                cairo_close_path(inStroke);
            }
        },
        inOutline == Outline::kClosed ? Fillable::kYes : Fillable::kNo, Corners::kSharp);
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

bool DeviceContext::PaintPath(PathPaint inPaint)
{
    if (mPathState != PathState::kClosed) {
        return false;
    }
    const Parts theParts{inPaint != PathPaint::kStroke && mBrush->mStyle != BrushObject::Style::kNull,
                         inPaint != PathPaint::kFill && mPen->mStyle != PS_NULL};
    if (mRecorded == Recorded::kSimple && PaintSimple(mRecordedShape, theParts)) {
        ClearRecorders();
        mPathState = PathState::kNone;
        return true;
    }
    Materialize();
    const CairoPath theFill(theParts.mFill ? cairo_copy_path(mFillRecorder.get()) : nullptr);
    const CairoPath theStroke(theParts.mStroke ? cairo_copy_path(mStrokeRecorder.get()) : nullptr);
    const bool theResult = Paint(theFill.get(), theStroke.get());
    ClearRecorders();
    mPathState = PathState::kNone;
    return theResult;
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
