#include "vellumax/engine/DrawGLPoly.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "vellumax/engine/DrawingTransform.h"
#include "vellumax/engine/PatternImage.h"
#include "vellumax/engine/PolyGeometry.h"
#include "vellumax/engine/PolyStroke.h"

namespace {

constexpr const char* kNoTarget = "Unable to initialise OpenGL.";
constexpr std::int32_t kDefaultSide = 256;

using Primitive = PolyList::Primitive;
using MaskPoint = CoverageMask::Point;

// A texture's pixels stay locked while it is painted with.
class TextureLock {
public:
    explicit TextureLock(PatternImage& inImage) : mImage(inImage) {}
    ~TextureLock() { mImage.UnlockPixels(); }
    TextureLock(const TextureLock&) = delete;
    TextureLock& operator=(const TextureLock&) = delete;

private:
    PatternImage& mImage;
};

}  // namespace

DrawGLPoly::DrawGLPoly(const char* inName, Parameters& inParameters, ErrorReport& inError)
    : Operation(inName, inParameters, inError)
{
}

DrawGLPoly::~DrawGLPoly() = default;

void DrawGLPoly::Do(Bitmap& inBitmap)
{
    Parameters& theParams = *mParameters;
    assert(theParams.Shape != kNoShapeType && "mParams->Shape != kNoShapeType");
    const OSErr theQuickTimeError = inBitmap.EnsurePixels(kDefaultSide, kDefaultSide, -1);
    mError->SetQuickTimeError(theQuickTimeError);
    if (theQuickTimeError != noErr)
        return;
    mStoreBounds = inBitmap.GetBounds();
    const LongRect theRect = theParams.DestinationRect(mStoreBounds, mStoreBounds);
    const std::array<float, 16> m = DrawingTransform(theParams, theRect, theRect).GL();
    mMatrix = AffineTransform{m[0], m[1], m[4], m[5], m[12], m[13]};
    // A flat transform leaves a fill no area; a pattern on an outline is read at the origin.
    mInverse = mMatrix.Inverse();

    mStore = &inBitmap;
    const Bitmap::PixelLock theLock(inBitmap, mTarget);
    if (!theLock.IsLocked() || mTarget.mBitsPerPixel != 32) {
        mError->AddMessage(kNoTarget);
        return;
    }
    RenderShape(theParams.DrawOp, theParams.Shape, theRect);
}

void DrawGLPoly::RenderShape(DrawOperation inOperation, ShapeKind inShape, const LongRect& inRect)
{
    const Parameters& theParams = *mParameters;
    const float w = float(theParams.PenSize);
    const std::int32_t theCornerWidth = theParams.CornerSize.x;
    const std::int32_t theCornerHeight = theParams.CornerSize.y;
    PolyList theFill;
    PolyList theLines;
    PolyList theDots;
    // Text has no geometry here ("Draw Shape:" hands it to the 2D drawing layer).
    if (inOperation & kPaintFill) {
        switch (inShape) {
        case kRectangleShape:
            theFill = MakeRectList(inRect, Primitive::kPolygon, 0);
            break;
        case kOvalShape:
            theFill = MakeOvalList(inRect, Primitive::kPolygon, 0);
            break;
        case kPolygonShape:
        case kLineShape:
            theFill = MakeTessList();
            break;
        case kRoundRectShape:
            theFill = MakeRoundRectList(inRect, Primitive::kPolygon, 0, theCornerWidth, theCornerHeight);
            break;
        default:
            break;
        }
    }
    // A pen of no width draws no outline, rather than failing the call as
    // OpenGL's refusal of such a line width would.
    if ((inOperation & kDrawOutline) && w > 0) {
        switch (inShape) {
        case kRectangleShape:
            theLines = MakeRectList(inRect, Primitive::kLineLoop, w);
            break;
        case kOvalShape:
            theLines = MakeOvalList(inRect, Primitive::kLineLoop, w);
            theDots = MakeOvalList(inRect, Primitive::kPoints, w);
            break;
        case kPolygonShape:
            theLines = MakePolyList(w, Primitive::kLineLoop);
            theDots = MakePolyList(w, Primitive::kPoints);
            break;
        case kLineShape:
            theLines = MakePolyList(w, Primitive::kLineStrip);
            theDots = MakePolyList(w, Primitive::kPoints);
            break;
        case kRoundRectShape:
            theLines = MakeRoundRectList(inRect, Primitive::kLineLoop, w, theCornerWidth, theCornerHeight);
            theDots = MakeRoundRectList(inRect, Primitive::kPoints, w, theCornerWidth, theCornerHeight);
            break;
        default:
            break;
        }
    }
    PaintList(theFill);
    DrawList(theLines, theDots);
}

void DrawGLPoly::PaintList(const PolyList& inList)
{
    if (!inList.IsMade())
        return;
    if (!mParameters->PaintColor.pattern) {
        PaintSolid(inList, Smoothing::kOn);
        return;
    }
    PatternImage theImage;
    CoveragePainter::Texture theTexture;
    if (!MakePatternTexture(theImage, theTexture))
        return;
    TextureLock theLock(theImage);
    PaintTextured(inList, theTexture, Smoothing::kOn);
}

void DrawGLPoly::DrawList(const PolyList& inLines, const PolyList& inDots)
{
    if (!inLines.IsMade())
        return;
    const float w = float(mParameters->PenSize);
    if (!mParameters->PenColor.pattern) {
        DrawSolid(inLines, inDots, w, Smoothing::kOn);
        return;
    }
    PatternImage theImage;
    CoveragePainter::Texture theTexture;
    if (!MakePatternTexture(theImage, theTexture))
        return;
    TextureLock theLock(theImage);
    DrawTextured(inLines, inDots, w, theTexture, Smoothing::kOn);
}

void DrawGLPoly::DrawSolid(const PolyList& inLines, const PolyList& inDots, float inWidth, Smoothing inSmoothing)
{
    MaskStroke(inLines, inDots, inWidth);
    Paint(SourceOf(mParameters->PenColor), CoveragePainter::Mode::kStroke, inSmoothing);
}

void DrawGLPoly::DrawTextured(const PolyList& inLines, const PolyList& inDots, float inWidth,
                              const CoveragePainter::Texture& inTexture, Smoothing inSmoothing)
{
    MaskStroke(inLines, inDots, inWidth);
    // The pattern shows its own colours, tinted by the fill colour when one was just drawn.
    CoveragePainter::Source theSource = mSolidFill ? SourceOf(mParameters->PaintColor) : CoveragePainter::Source{};
    theSource.mTexture = &inTexture;
    mInverse.CopyTo(theSource.mInverse);
    Paint(theSource, CoveragePainter::Mode::kStroke, inSmoothing);
}

void DrawGLPoly::PaintSolid(const PolyList& inList, Smoothing inSmoothing)
{
    MaskFill(inList);
    Paint(SourceOf(mParameters->PaintColor), CoveragePainter::Mode::kFill, inSmoothing);
    mSolidFill = true;
}

void DrawGLPoly::PaintTextured(const PolyList& inList, const CoveragePainter::Texture& inTexture, Smoothing inSmoothing)
{
    MaskFill(inList);
    CoveragePainter::Source theSource;
    theSource.mTexture = &inTexture;
    mInverse.CopyTo(theSource.mInverse);
    Paint(theSource, CoveragePainter::Mode::kFill, inSmoothing);
}

bool DrawGLPoly::MakePatternTexture(PatternImage& ioImage, CoveragePainter::Texture& outTexture)
{
    HBITMAP thePattern = 0;
    if (!GetPatternBitmap(*mStore, &thePattern))
        return false;
    const bool theMade = ioImage.MakeTexture(thePattern, outTexture);
    mError->SetQuickTimeError(ioImage.GetPlatformError());
    if (!theMade)
        mError->SetWindowsError(ioImage.GetSystemError());
    return theMade;
}

PolyList DrawGLPoly::MakePolyList(float inWidth, PolyList::Primitive inPrimitive)
{
    return PolyGeometry::Points(mParameters->Points, mParameters->PointCount, inPrimitive, inWidth);
}

PolyList DrawGLPoly::MakeTessList()
{
    PolyList theList = PolyGeometry::Points(mParameters->Points, mParameters->PointCount, Primitive::kPolygon, 0);
    theList.mRule = CoverageMask::FillRule::kOdd;
    return theList;
}

PolyList DrawGLPoly::MakeOvalList(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth)
{
    return PolyGeometry::Oval(inRect, inPrimitive, inWidth);
}

PolyList DrawGLPoly::MakeRectList(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth)
{
    return PolyGeometry::Rect(inRect, inPrimitive, inWidth);
}

PolyList DrawGLPoly::MakeRoundRectList(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth,
                                       std::int32_t inCornerWidth, std::int32_t inCornerHeight)
{
    return PolyGeometry::RoundRect(inRect, inPrimitive, inWidth, LongPoint{inCornerWidth, inCornerHeight});
}

void DrawGLPoly::MaskFill(const PolyList& inList)
{
    std::vector<MaskPoint> thePoints(inList.mVertices.size());
    std::transform(inList.mVertices.begin(), inList.mVertices.end(), thePoints.begin(),
                   [this](const MaskPoint& p) { return Transformed(p); });
    double theLeft = HUGE_VAL, theTop = HUGE_VAL, theRight = -HUGE_VAL, theBottom = -HUGE_VAL;
    for (const MaskPoint& p : thePoints) {
        theLeft = std::min(theLeft, p.x);
        theTop = std::min(theTop, p.y);
        theRight = std::max(theRight, p.x);
        theBottom = std::max(theBottom, p.y);
    }
    mMask.Reset(thePoints.empty() ? LongRect{} : BoxOf(theLeft, theTop, theRight, theBottom));
    if (inList.mRule == CoverageMask::FillRule::kOdd) {
        try {
            mMask.AddOddArea(thePoints.data(), thePoints.size());
        } catch (const std::bad_alloc&) {
            // Nothing filled, as when cutting the outline runs out of memory.
            mError->SetWindowsError(kGdiErrorNoMemory);
            mMask.Reset(LongRect{});
            return;
        }
    } else {
        mMask.AddArea(thePoints.data(), thePoints.size());
    }
    mMask.AddCentreContour(thePoints.data(), thePoints.size());
    mMask.ResolveCentres(inList.mRule);
    mMask.ResolveCoverage();
}

// Smoothed lines and points are drawn in store pixels whatever the
// transform; lines and dots make one outline, so that a translucent pen is
// not darker where they meet.
void DrawGLPoly::MaskStroke(const PolyList& inLines, const PolyList& inDots, float inWidth)
{
    const double theHalf = inWidth / 2.0;
    std::vector<MaskPoint> theLines(inLines.mVertices.size());
    std::transform(inLines.mVertices.begin(), inLines.mVertices.end(), theLines.begin(),
                   [this](const MaskPoint& p) { return Transformed(p); });
    double theLeft = HUGE_VAL, theTop = HUGE_VAL, theRight = -HUGE_VAL, theBottom = -HUGE_VAL;
    for (const MaskPoint& p : theLines) {
        theLeft = std::min(theLeft, p.x - theHalf);
        theTop = std::min(theTop, p.y - theHalf);
        theRight = std::max(theRight, p.x + theHalf);
        theBottom = std::max(theBottom, p.y + theHalf);
    }
    mMask.Reset(theLines.empty() ? LongRect{} : BoxOf(theLeft, theTop, theRight, theBottom));
    // The dots lie on the lines' own vertices.
    PolyStroke::AddTo(mMask, theLines,
                      inLines.mPrimitive == Primitive::kLineLoop ? PolyStroke::Ends::kClosed : PolyStroke::Ends::kOpen,
                      inDots.mPrimitive == Primitive::kPoints ? PolyStroke::Dots::kRound : PolyStroke::Dots::kNone,
                      inWidth);
    mMask.ResolveCoverage();
}

void DrawGLPoly::Paint(const CoveragePainter::Source& inSource, CoveragePainter::Mode inMode, Smoothing inSmoothing)
{
    if (mParameters->AlphaBlend == 0) {
        CoveragePainter::Paint(mTarget, mMask, inSource, inMode, inSmoothing);
        return;
    }
    CoveragePainter::Source theSource = inSource;
    theSource.mCompositing = CoveragePainter::Compositing::kSourceOver;
    CoveragePainter::Paint(mTarget, mMask, theSource, inMode, inSmoothing);
}

CoveragePainter::Source DrawGLPoly::SourceOf(const ColorValue& inColor) const
{
    CoveragePainter::Source theSource;
    // The high byte of each intensity, as every other drawing of this system takes it.
    const std::uint16_t theChannels[4] = {inColor.red, inColor.green, inColor.blue, inColor.alpha};
    for (int c = 0; c < 4; ++c)
        theSource.mColor[c] = (theChannels[c] >> 8) / 255.0;
    return theSource;
}

CoverageMask::Point DrawGLPoly::Transformed(const CoverageMask::Point& inPoint) const
{
    return {mMatrix.X(inPoint.x, inPoint.y), mMatrix.Y(inPoint.x, inPoint.y)};
}

LongRect DrawGLPoly::BoxOf(double inLeft, double inTop, double inRight, double inBottom) const
{
    const auto theClamp = [](double inValue, std::int32_t inLow, std::int32_t inHigh) {
        return static_cast<std::int32_t>(std::clamp(inValue, double(inLow), double(inHigh)));
    };
    const LongRect& s = mStoreBounds;
    if (!(inLeft <= inRight && inTop <= inBottom))
        return LongRect{};
    return LongRect{theClamp(std::floor(inLeft), s.left, s.right), theClamp(std::floor(inTop), s.top, s.bottom),
                    theClamp(std::ceil(inRight), s.left, s.right), theClamp(std::ceil(inBottom), s.top, s.bottom)};
}
