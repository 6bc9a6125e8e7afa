#include "vellumax/engine/DrawGDIShape.h"

#include <automation/Utf8.h>

#include <cassert>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/DrawingTransform.h"
#include "vellumax/engine/FontMatching.h"

namespace {

constexpr const char* kPatternPen = "You can paint using patterns but you cannot draw using them.";
constexpr const char* kContext = "Unable to draw shape";
constexpr std::int32_t kDefaultSide = 256;
constexpr int kPointsPerInch = 72;
constexpr UINT kTextFlags = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;
constexpr UINT kTabLength = 4;

// The drawing layer counts bytes of UTF-8; the record counts UTF-16 characters.
std::int32_t CharactersIn(const std::string& inText, UINT inBytes)
{
    const std::size_t theBytes = inBytes < inText.size() ? inBytes : inText.size();
    return static_cast<std::int32_t>(UTF16LengthOfUTF8(std::string_view(inText.data(), theBytes)));
}

std::string TextLimitMessage(std::size_t inBytes, std::int32_t inLimit)
{
    char theText[160];
    std::snprintf(theText, sizeof theText, "A text of %zu bytes is longer than the limit of %ld bytes set by maxtext.",
                  inBytes, static_cast<long>(inLimit));
    return theText;
}

}  // namespace

DrawGDIShape::DrawGDIShape(const char* inName, Primitives inPrimitives) : Operation(inName), mPrimitives(inPrimitives)
{
    mParameters->DrawOp = kDrawAndPaint;
}

DrawGDIShape::DrawGDIShape(const char* inName, Primitives inPrimitives, Parameters& inParameters, ErrorReport& inError)
    : Operation(inName, inParameters, inError), mPrimitives(inPrimitives)
{
}

DrawGDIShape::~DrawGDIShape() = default;

void DrawGDIShape::Do(Bitmap& inBitmap)
{
    assert(mParameters->Shape != kNoShapeType && "mParams->Shape != kNoShapeType");
    // Before Begin, which may give the store its pixels: a refused call changes nothing.
    if (mParameters->Shape == kTextShape) {
        if (const std::size_t theBytes = mParameters->Text.size(); theBytes > std::size_t(mParameters->MaxText)) {
            mError->AddMessage(TextLimitMessage(theBytes, mParameters->MaxText));
            mError->AddContext(kContext);
            return;
        }
    }
    try {
        Begin(inBitmap);
        if (!mError->HasError()) {
            InsetForPen(mParameters->PenSize);
            DrawShapePath();
        }
    } catch (...) {
        // A fault half-way must not leave the store's context changed or our objects in it.
        End();
        mError->AddContext(kContext);
        throw;
    }
    End();
    mError->AddContext(kContext);
}

void DrawGDIShape::SetShape(const char* inShape)
{
    mParameters->SetParameter("shape", inShape);
    Report("Shape", inShape);
}

void DrawGDIShape::SetText(const char* inText)
{
    mParameters->Shape = kTextShape;
    mParameters->SetParameter("text", inText);
    Report("Text", inText);
}

void DrawGDIShape::SetOperation(std::int32_t inOperation)
{
    mParameters->DrawOp = static_cast<DrawOperation>(inOperation);
}

LongRect DrawGDIShape::GetRect() const
{
    return mRect;
}

std::int32_t DrawGDIShape::GetLineHeight() const
{
    return mLineHeight;
}

std::int32_t DrawGDIShape::GetLengthDrawn() const
{
    return mLengthDrawn;
}

void DrawGDIShape::Begin(Bitmap& inBitmap)
{
    GdiSetLastError(0);
    const OSErr theQuickTimeError = inBitmap.EnsurePixels(kDefaultSide, kDefaultSide, -1);
    bool theFailed = false;
    if (theQuickTimeError == noErr) {
        mHDC = inBitmap.GetHDC();
        assert(mHDC && "mHDC");
        theFailed = mHDC == 0 || PrepareContext(inBitmap, mChanges.emplace()) == Prepared::kFailed;
    }
    mError->SetQuickTimeError(theQuickTimeError);
    RecordWindowsError(theFailed);
}

DrawGDIShape::Prepared DrawGDIShape::PrepareContext(Bitmap& inBitmap, ContextChanges& outChanges)
{
    const Parameters& theParams = *mParameters;
    outChanges.mPin = GdiPin(mHDC);
    outChanges.mMapMode = GdiMapMode(mHDC, MM_TEXT);
    if (!outChanges.mMapMode.IsSet())
        return Prepared::kFailed;
    const LongRect theBounds = inBitmap.GetBounds();
    mRect = theParams.DestinationRect(theBounds, theBounds);
    outChanges.mTransform = GdiWorldTransform(mHDC, DrawingTransform(theParams, mRect, mRect).GDI());
    if (!outChanges.mTransform.IsApplied())
        return Prepared::kFailed;
    const Prepared thePrepared = SelectPenAndBrush(inBitmap, outChanges);
    if (theParams.AlphaBlend != 0)
        outChanges.mAlpha = GdiDrawAlpha(mHDC, theParams.PenColor.alpha >> 8, theParams.PaintColor.alpha >> 8,
                                         theParams.TextColor.alpha >> 8);
    // Only text reads the text colour, background mode and font: making a
    // font for every shape cost as much as the rest of this preparation.
    if (thePrepared != Prepared::kReady || theParams.Shape != kTextShape)
        return thePrepared;
    return SelectFont(outChanges);
}

DrawGDIShape::Prepared DrawGDIShape::SelectPenAndBrush(Bitmap& inBitmap, ContextChanges& outChanges)
{
    const Parameters& theParams = *mParameters;
    if (theParams.PenColor.pattern) {
        mError->AddMessage(kPatternPen);
        return Prepared::kStopped;
    }
    outChanges.mPen = GdiObjectOwner(CreatePen(PS_SOLID, theParams.PenSize, theParams.PenColor.ToColorRef()));
    outChanges.mPenSelection = GdiSelection(mHDC, outChanges.mPen.Get());
    if (!outChanges.mPenSelection.IsSelected())
        return Prepared::kFailed;
    if (theParams.PaintColor.pattern) {
        HBITMAP thePattern = 0;
        if (!GetPatternBitmap(inBitmap, &thePattern))
            return Prepared::kStopped;
        outChanges.mBrush = GdiObjectOwner(CreatePatternBrush(thePattern));
    } else {
        outChanges.mBrush = GdiObjectOwner(CreateSolidBrush(theParams.PaintColor.ToColorRef()));
    }
    outChanges.mBrushSelection = GdiSelection(mHDC, outChanges.mBrush.Get());
    return outChanges.mBrushSelection.IsSelected() ? Prepared::kReady : Prepared::kFailed;
}

DrawGDIShape::Prepared DrawGDIShape::SelectFont(ContextChanges& outChanges)
{
    const Parameters& theParams = *mParameters;
    char theMatched[FontMatching::kFaceCapacity];
    const char* theFace = FontMatching::FaceFor(theParams, theMatched);
    assert(std::strlen(theFace) < 32 && "strlen(mParams->Font) < 32");
    outChanges.mTextColor = GdiTextColor(mHDC, theParams.TextColor.ToColorRef());
    outChanges.mBkMode = GdiBkMode(mHDC, TRANSPARENT);
    const int theHeight = -MulDiv(theParams.TextSize, GetDeviceCaps(mHDC, LOGPIXELSY), kPointsPerInch);
    const TextStyleRecord& theStyle = theParams.TextStyle;
    outChanges.mFont =
        GdiObjectOwner(CreateFontA(theHeight, 0, 0, 0, theStyle.weight, theStyle.italic != 0, theStyle.underline != 0,
                                   theStyle.strikethru != 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, theFace));
    outChanges.mFontSelection = GdiSelection(mHDC, outChanges.mFont.Get());
    return outChanges.mFontSelection.IsSelected() ? Prepared::kReady : Prepared::kFailed;
}

void DrawGDIShape::End()
{
    mChanges.reset();
}

void DrawGDIShape::InsetForPen(std::int32_t inPenSize)
{
    Parameters& theParams = *mParameters;
    switch (theParams.Shape) {
    case kRectangleShape:
    case kRoundRectShape:
        mRect.left += inPenSize / 2;
        mRect.top += inPenSize / 2;
        mRect.right -= (inPenSize + 1) / 2;
        mRect.bottom -= (inPenSize + 1) / 2;
        break;
    case kOvalShape:
        mRect.left += (inPenSize - 1) / 2;
        mRect.top += (inPenSize - 1) / 2;
        mRect.right -= (inPenSize + 1) / 2;
        mRect.bottom -= (inPenSize + 1) / 2;
        break;
    case kPolygonShape:
    case kLineShape:
        for (std::int32_t i = 0; i < theParams.PointCount; ++i) {
            theParams.Points[i].x += inPenSize / 2;
            theParams.Points[i].y += inPenSize / 2;
        }
        break;
    default:
        break;
    }
}

void DrawGDIShape::DrawShapePath()
{
    bool theFailed = false;
    if (mPrimitives == Primitives::kDirect)
        theFailed = !DrawPrimitive();
    else if (!BeginPath(mHDC))
        theFailed = true;
    else
        theFailed = !FinishPath(DrawPrimitive());
    GdiFlush();
    RecordWindowsError(theFailed);
}

BOOL DrawGDIShape::DrawPrimitive()
{
    const Parameters& theParams = *mParameters;
    switch (theParams.Shape) {
    case kRectangleShape:
        return Rectangle(mHDC, mRect.left, mRect.top, mRect.right, mRect.bottom);
    case kOvalShape:
        return Ellipse(mHDC, mRect.left, mRect.top, mRect.right, mRect.bottom);
    case kPolygonShape:
    case kLineShape: {
        POINT thePoints[Parameters::kMaxPoints];
        for (std::int32_t i = 0; i < theParams.PointCount; ++i)
            thePoints[i] = POINT{theParams.Points[i].x, theParams.Points[i].y};
        return theParams.Shape == kPolygonShape ? Polygon(mHDC, thePoints, theParams.PointCount)
                                                : Polyline(mHDC, thePoints, theParams.PointCount);
    }
    case kRoundRectShape:
        return RoundRect(mHDC, mRect.left, mRect.top, mRect.right, mRect.bottom, theParams.CornerSize.x,
                         theParams.CornerSize.y);
    case kTextShape:
        DrawTextBlock();
        return 1;
    default:
        return 1;
    }
}

bool DrawGDIShape::FinishPath(BOOL inDrawn)
{
    if (!EndPath(mHDC) || !inDrawn) {
        AbortPath(mHDC);
        return false;
    }
    switch (mParameters->DrawOp) {
    case kDrawOutline:
        return StrokePath(mHDC);
    case kPaintFill:
        return FillPath(mHDC);
    case kDrawAndPaint:
        return StrokeAndFillPath(mHDC);
    default:
        // Measuring: the recorded path is not wanted.
        AbortPath(mHDC);
        return true;
    }
}

void DrawGDIShape::DrawTextBlock()
{
    const Parameters& theParams = *mParameters;
    UINT theFlags = kTextFlags;
    if (theParams.HAlign == kHAlignMiddle)
        theFlags |= DT_CENTER;
    else if (theParams.HAlign == kHAlignRight)
        theFlags |= DT_RIGHT;
    if (theParams.DrawOp == kMeasureOnly)
        theFlags |= DT_CALCRECT;
    LayOutText(theParams.Text, theFlags);
    RecordWindowsError(false);
}

void DrawGDIShape::LayOutText(const std::string& inText, UINT inFlags)
{
    // Only as much of the text is laid out as can reach the rectangle's
    // bottom: the height is clamped to the rectangle's below.
    RECT theLine{mRect.left, mRect.top, mRect.right, mRect.bottom};
    std::int32_t theHeight = DrawTextA(mHDC, inText.c_str(), -1, &theLine, inFlags | DT_CALCRECT | DT_STOPATBOTTOM);
    if (theHeight == 0) {
        // Nothing laid out bounds nothing: measuring reports no size rather
        // than the given rectangle's, which may be inverted.
        if (inFlags & DT_CALCRECT)
            mRect = LongRect{mRect.left, mRect.top, mRect.left, mRect.top};
        return;
    }
    // One line is as high whatever it holds, and the text is not empty.
    theLine = RECT{mRect.left, mRect.top, mRect.right, mRect.top};
    mLineHeight = DrawTextA(mHDC, inText.c_str(), 1, &theLine, inFlags | DT_CALCRECT | DT_SINGLELINE);
    if (mLineHeight == 0)
        return;
    const std::int32_t theAvailable = std::int32_t(mRect.Height());
    if (theAvailable < theHeight)
        theHeight = theAvailable;
    const Parameters& theParams = *mParameters;
    if (theParams.VAlign == kVAlignMiddle)
        mRect.top += (theAvailable - theHeight) / 2;
    else if (theParams.VAlign == kVAlignBottom)
        mRect.top += theAvailable - theHeight;
    RECT theArea{mRect.left, mRect.top, mRect.right, mRect.bottom};
    DRAWTEXTPARAMS theExtra{sizeof(DRAWTEXTPARAMS), kTabLength, 0, 0, 0};
    if (DrawTextExA(mHDC, inText.c_str(), -1, &theArea, inFlags | DT_STOPATBOTTOM, &theExtra) != 0)
        mLengthDrawn = CharactersIn(inText, theExtra.uiLengthDrawn);
    mRect = LongRect{theArea.left, theArea.top, theArea.right, theArea.bottom};
}

void DrawGDIShape::RecordWindowsError(bool inFailed)
{
    DWORD theError = GdiGetLastError();
    if (inFailed && theError == 0)
        theError = kGdiErrorCannotComplete;
    mError->SetWindowsError(theError);
}
