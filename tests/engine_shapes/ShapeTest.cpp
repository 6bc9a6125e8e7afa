// Shapes drawn by "Draw Shape:" on real stores: where the pen and the brush
// land, the pattern refusals, the OpenGL dispatch and the device context left
// as it was found.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Store.h"
#include "vellumax/engine/DrawGDIShape.h"
#include "vellumax/engine/DrawShapeOp.h"
#include "vellumax/errors/ComError.h"

namespace {

using namespace shapes;

constexpr COLORREF kPen = RGB(0, 0, 255);
constexpr COLORREF kPaint = RGB(255, 0, 0);
constexpr LongRect kNone{1, 1, 0, 0};
constexpr const char* kPatternPen = "You can paint using patterns but you cannot draw using them.";
constexpr const char* kNoPattern = "Cannot paint pattern because one has not been specified.";

struct Outcome {
    bool mError;
    std::string mMessages;
    std::string mContext;
    std::uint32_t mWindowsError;
    std::int32_t mComError = 0;
};

// DrawShape as the canvas runs it: defaults, shape, parameter string, checked run.
Outcome DrawShape(Bitmap& ioStore, const char* inShape, const char* inParams,
                  const std::function<void(Parameters&)>& inDefaults = {})
{
    DrawShapeOp theOperation;
    Parameters& theParams = *theOperation.GetParameters();
    theParams.PenColor = ColorValue{0, 0, 65535, 65535, 0};
    theParams.PaintColor = ColorValue{65535, 0, 0, 65535, 0};
    if (inDefaults)
        inDefaults(theParams);
    theOperation.SetShape(inShape);
    EXPECT_EQ(theOperation.SetParameterString(inParams), 0) << inParams;
    theOperation.Run(ioStore, Operation::RunCheck::kRecordAndCheck);
    ErrorReport& theReport = *theOperation.GetErrorReport();
    return {theReport.HasError(), theReport.GetMessages(), theReport.GetContext(), theReport.GetWindowsError(),
            theReport.GetComError()};
}

struct ExtentCase {
    const char* mShape;
    const char* mParams;
    LongRect mPen;    // inclusive; kNone: no pen pixel
    LongRect mPaint;  // inclusive; kNone: no paint pixel
};

// (10,10,50,50) with pen 5 is outlined on (12,12,47,47) and with pen 4 on
// (12,12,48,48) (rectangle) or (11,11,48,48) (oval): the stroke stays on
// 10..49 and the fill covers the inset shape, right and bottom exclusive.
const ExtentCase kExtentCases[] = {
    {"rect", "rect=10,10,50,50 pensize=5 op=draw", {10, 10, 49, 49}, kNone},
    {"rect", "rect=10,10,50,50 pensize=5 op=paint", kNone, {12, 12, 46, 46}},
    {"rect", "rect=10,10,50,50 pensize=4 op=draw", {10, 10, 49, 49}, kNone},
    {"rect", "rect=10,10,50,50 pensize=4 op=paint", kNone, {12, 12, 47, 47}},
    {"oval", "rect=10,10,50,50 pensize=5 op=draw", {10, 10, 49, 49}, kNone},
    {"oval", "rect=10,10,50,50 pensize=5 op=paint", kNone, {12, 12, 46, 46}},
    {"oval", "rect=10,10,50,50 pensize=4 op=draw", {10, 10, 49, 49}, kNone},
    {"oval", "rect=10,10,50,50 pensize=4 op=paint", kNone, {11, 11, 47, 47}},
    {"roundrect", "rect=10,10,50,50 pensize=4 op=draw cornersize=8", {10, 10, 49, 49}, kNone},
    // Without an operation a shape is stroked and filled.
    {"rect", "rect=10,10,50,50 pensize=5", {10, 10, 49, 49}, {15, 15, 44, 44}},
    {"rect", "rect=10,10,50,50 pensize=1", {10, 10, 49, 49}, {11, 11, 48, 48}},
    // Polygon points move right and down by half the pen: (1,1) for pen 3.
    {"polygon", "points=10,10,40,10,40,40,10,40 pensize=3 op=paint", kNone, {11, 11, 40, 40}},
    {"polygon", "points=10,10,40,10,40,40,10,40 pensize=1 op=paint", kNone, {10, 10, 39, 39}},
    {"polygon", "points=10,10,40,10,40,40,10,40 pensize=3 op=draw", {10, 10, 42, 42}, kNone},
    {"line", "points=10,20,40,20 pensize=3", {10, 20, 42, 22}, kNone},
};

TEST(ShapeExtent, PenAndBrushLandInsideTheGeometry)
{
    for (const ExtentCase& theCase : kExtentCases) {
        SCOPED_TRACE(std::string(theCase.mShape) + " " + theCase.mParams);
        Bitmap theStore;
        MakeWhite(theStore, 64, 64);
        const Outcome theOutcome = DrawShape(theStore, theCase.mShape, theCase.mParams);
        ASSERT_FALSE(theOutcome.mError) << theOutcome.mMessages;
        EXPECT_EQ(Extent(theStore, kPen), theCase.mPen);
        EXPECT_EQ(Extent(theStore, kPaint), theCase.mPaint);
    }
}

TEST(ShapeExtent, TheMatrixTurnsTheShape)
{
    Bitmap theStore;
    MakeWhite(theStore, 64, 64);
    ASSERT_FALSE(DrawShape(theStore, "rect", "rect=10,28,50,36 op=paint rotate=90,30,32").mError);
    const LongRect theInk = InkExtent(theStore);
    EXPECT_LT(theInk.right - theInk.left, 12) << theInk;
    EXPECT_GT(theInk.bottom - theInk.top, 36) << theInk;
}

struct RefusalCase {
    const char* mName;
    const char* mParams;
    std::function<void(Parameters&)> mDefaults;
    const char* mMessage;
};

TEST(ShapeRefusal, PatternsThatCannotBeUsedDrawNothing)
{
    const RefusalCase theCases[] = {
        {"pattern pen, paint only", "rect=10,10,50,50 op=paint", [](Parameters& p) { p.PenColor.pattern = 1; },
         kPatternPen},
        {"pattern pen and paint", "rect=10,10,50,50",
         [](Parameters& p) { p.PenColor.pattern = p.PaintColor.pattern = 1; }, kPatternPen},
        {"pattern paint without a canvas, draw only", "rect=10,10,50,50 op=draw",
         [](Parameters& p) { p.PaintColor.pattern = 1; }, kNoPattern},
        {"pattern word in the parameters", "rect=10,10,50,50 paintcolor=pattern", {}, kNoPattern},
    };
    for (const RefusalCase& theCase : theCases) {
        SCOPED_TRACE(theCase.mName);
        Bitmap theStore;
        MakeWhite(theStore, 64, 64);
        const HDC theDC = theStore.GetHDC();
        const ContextState theBefore = ContextState::Of(theDC);
        const Outcome theOutcome = DrawShape(theStore, "rect", theCase.mParams, theCase.mDefaults);
        EXPECT_TRUE(theOutcome.mError);
        EXPECT_EQ(theOutcome.mMessages, theCase.mMessage);
        EXPECT_NE(theOutcome.mContext.find("Unable to draw shape"), std::string::npos) << theOutcome.mContext;
        EXPECT_TRUE(IsEmpty(InkExtent(theStore)));
        const ContextState theAfter = ContextState::Of(theDC);
        EXPECT_EQ(theAfter.mMapMode, theBefore.mMapMode);
        EXPECT_EQ(theAfter.mGraphicsMode, theBefore.mGraphicsMode);
        EXPECT_TRUE(theAfter.IsIdentity());
    }
}

// The pattern canvas as the object layer hands it in: another store's bitmap
// (none when it has no pixels), the failure of asking for it, or the store
// being drawn on, whose pixels the run itself may have made.
TEST(ShapePattern, EachWayTheObjectLayerHandsItIn)
{
    Bitmap thePattern;
    MakeWhite(thePattern, 2, 2);
    thePattern.SetNaturalColor(ColorValue{0, 65535, 0, 65535, 0});
    ASSERT_EQ(thePattern.Erase(), noErr);
    const HBITMAP theGreen = thePattern.GetHBITMAP();
    ASSERT_NE(theGreen, 0u);
    const char* const kPatternFill = "rect=10,10,50,50 paintcolor=pattern op=paint";
    using Source = PatternBitmap::Source;
    // The record's pattern as the object layer would hand it in.
    const auto theHandedIn = [](Source inSource, HBITMAP inHandle = 0, HRESULT inError = S_OK) {
        return [=](Parameters& p) { p.Pattern = {inSource, inHandle, inError}; };
    };

    Bitmap theStore;
    MakeWhite(theStore, 64, 64);
    Outcome theOutcome = DrawShape(theStore, "rect", kPatternFill, theHandedIn(Source::kHandle, theGreen));
    ASSERT_FALSE(theOutcome.mError) << theOutcome.mMessages;
    EXPECT_EQ(Extent(theStore, RGB(0, 255, 0)), (LongRect{10, 10, 48, 48}));

    MakeWhite(theStore, 64, 64);
    theOutcome = DrawShape(theStore, "rect", kPatternFill, theHandedIn(Source::kHandle));
    EXPECT_TRUE(theOutcome.mError);
    EXPECT_NE(theOutcome.mWindowsError, 0u);
    EXPECT_TRUE(IsEmpty(InkExtent(theStore)));

    theOutcome = DrawShape(theStore, "rect", kPatternFill, theHandedIn(Source::kFailed, 0, E_FAIL));
    EXPECT_TRUE(theOutcome.mError);
    EXPECT_EQ(theOutcome.mComError, E_FAIL);
    EXPECT_EQ(theOutcome.mMessages, "");
    EXPECT_NE(theOutcome.mContext.find("Unable to draw shape"), std::string::npos) << theOutcome.mContext;
    EXPECT_TRUE(IsEmpty(InkExtent(theStore)));

    // Its own pixels tiled from the origin onto themselves: nothing changes.
    theStore.SetNaturalColor(ColorValue{65535, 0, 0, 65535, 0});
    ASSERT_EQ(theStore.Erase(), noErr);
    ASSERT_FALSE(DrawShape(theStore, "rect", "rect=0,0,32,64 pensize=0 paintcolor=white op=paint").mError);
    theOutcome = DrawShape(theStore, "rect", kPatternFill, theHandedIn(Source::kTarget));
    ASSERT_FALSE(theOutcome.mError) << theOutcome.mMessages;
    EXPECT_EQ(Extent(theStore, kPaint), (LongRect{32, 0, 63, 63}));
    // A never-sized store is made by the run, then lends its pixels.
    Bitmap theNew;
    theOutcome = DrawShape(theNew, "rect", kPatternFill, theHandedIn(Source::kTarget));
    ASSERT_FALSE(theOutcome.mError) << theOutcome.mMessages;
    EXPECT_EQ(theNew.GetBounds(), (LongRect{0, 0, 256, 256}));
}

TEST(ShapeStore, ANeverSizedCanvasBecomes256Square)
{
    Bitmap theStore;
    ASSERT_FALSE(theStore.HasPixels());
    ASSERT_FALSE(DrawShape(theStore, "rect", "rect=0,0,300,300 op=paint").mError);
    EXPECT_EQ(theStore.GetBounds(), (LongRect{0, 0, 256, 256}));
    EXPECT_EQ(Extent(theStore, kPaint), (LongRect{0, 0, 255, 255}));
}

TEST(ShapeStore, TheContextIsLeftAsItWasFound)
{
    const char* const theCalls[][2] = {
        {"rect", "rect=10,10,50,50"},
        {"oval", "rect=10,10,50,50 rotate=30 scale=2,1"},
        {"polygon", "points=1,1,30,5,9,40 translate=3,4"},
        {"text", "rect=0,0,60,60 text='Ab cd' op=paint"},
        {"line", "points=1,1"},  // one point: refused by the layer
    };
    Bitmap theStore;
    MakeWhite(theStore, 64, 64);
    const HDC theDC = theStore.GetHDC();
    const COLORREF theTextColor = RGB(1, 2, 3);
    SetTextColor(theDC, theTextColor);
    SetBkMode(theDC, OPAQUE);
    for (const auto& theCall : theCalls) {
        SCOPED_TRACE(std::string(theCall[0]) + " " + theCall[1]);
        DrawShape(theStore, theCall[0], theCall[1]);
        const ContextState theState = ContextState::Of(theDC);
        EXPECT_EQ(theState.mMapMode, MM_TEXT);
        EXPECT_EQ(theState.mGraphicsMode, GM_COMPATIBLE);
        EXPECT_TRUE(theState.IsIdentity());
        EXPECT_EQ(theState.mTextColor, theTextColor);
        EXPECT_EQ(theState.mBkMode, OPAQUE);
        // Nothing of ours is left selected: a pen of our own makes the stock one come back.
        const HPEN thePen = CreatePen(PS_SOLID, 1, 0);
        EXPECT_EQ(SelectObject(theDC, thePen), GetStockObject(BLACK_PEN));
        SelectObject(theDC, GetStockObject(BLACK_PEN));
        DeleteObject(thePen);
    }
}

TEST(ShapeStore, AFailingPrimitiveIsReportedWithItsCode)
{
    Bitmap theStore;
    MakeWhite(theStore, 16, 16);
    const Outcome theOutcome = DrawShape(theStore, "polygon", "points=1,1");
    EXPECT_TRUE(theOutcome.mError);
    EXPECT_NE(theOutcome.mWindowsError, 0u);
    EXPECT_TRUE(IsEmpty(InkExtent(theStore)));
}

TEST(ShapeText, TextAsAShapeIsFilledWithTheBrush)
{
    Bitmap theStore;
    MakeWhite(theStore, 80, 40);
    ASSERT_FALSE(DrawShape(theStore, "text", "rect=0,0,80,40 text=HH textsize=24 op=paint").mError);
    EXPECT_FALSE(IsEmpty(Extent(theStore, kPaint)));
    EXPECT_TRUE(IsEmpty(Extent(theStore, kPen)));
}

TEST(ShapeOpenGL, A32BitCanvasIsDrawnByThePolygonRendererWithSmoothEdges)
{
    Bitmap theStore;
    MakeWhite(theStore, 64, 64);
    const Outcome theOutcome = DrawShape(theStore, "polygon", "points=10,10,40,10,40,30 opengl=true op=paint");
    ASSERT_FALSE(theOutcome.mError) << theOutcome.mMessages;
    // The slanted side blends red into white; the drawing layer's shapes are crisp.
    EXPECT_EQ(PixelAt(theStore, 35, 20), kPaint);
    const COLORREF theEdge = PixelAt(theStore, 25, 20);
    EXPECT_NE(theEdge, kPaint);
    EXPECT_NE(theEdge, RGB(255, 255, 255));
}

TEST(ShapeOpenGL, AnEightBitCanvasIsDrawnByTheDrawingLayer)
{
    Bitmap theStore;
    MakeWhite(theStore, 64, 64, 8);
    const Outcome theOutcome = DrawShape(theStore, "rect", "rect=10,10,50,50 opengl=true op=paint");
    ASSERT_FALSE(theOutcome.mError) << theOutcome.mMessages;
    EXPECT_EQ(InkExtent(theStore), (LongRect{10, 10, 48, 48}));
}

TEST(ShapeResult, TheResultIsThePlacementNotTheInsetShape)
{
    Bitmap theStore;
    MakeWhite(theStore, 64, 64);
    DrawShapeOp theOperation;
    theOperation.SetShape("rect");
    theOperation.SetParameterString("rect=10,10,50,50 pensize=6 move=2,3");
    theOperation.Run(theStore, Operation::RunCheck::kRecordAndCheck);
    ASSERT_FALSE(theOperation.GetErrorReport()->HasError());
    EXPECT_EQ(theOperation.GetResultRect(), (LongRect{12, 13, 52, 53}));
    EXPECT_NE(theOperation.GetReport().find("Shape={rect}"), std::string::npos) << theOperation.GetReport();
}

// The inner drawing works on the call's own records, so whatever it throws is
// recorded on them by the call's Run, after the context the drawing added,
// and the records stay with the call.
TEST(ShapeStore, WhatTheInnerDrawingThrowsIsRecordedOnTheCallsRecords)
{
    struct Throwing : DrawShapeOp {
        void RunGDI(Bitmap& inBitmap, Parameters& inParameters, ErrorReport& inError) override
        {
            DrawShapeOp::RunGDI(inBitmap, inParameters, inError);
            throw ComError(E_OUTOFMEMORY);
        }
    };
    Bitmap theStore;
    MakeWhite(theStore, 16, 16);
    Throwing theOperation;
    theOperation.GetParameters()->PaintColor = ColorValue{65535, 0, 0, 65535, 0};
    theOperation.SetShape("rect");
    ASSERT_EQ(theOperation.SetParameterString("rect=2,2,9,9 op=paint"), 0);
    theOperation.Run(theStore, Operation::RunCheck::kRecordAndCheck);
    ASSERT_NE(theOperation.GetErrorReport(), nullptr);
    ASSERT_NE(theOperation.GetParameters(), nullptr);
    const ErrorReport& theReport = *theOperation.GetErrorReport();
    EXPECT_EQ(theReport.GetComError(), E_OUTOFMEMORY);
    EXPECT_EQ(theReport.GetContextCount(), 2);
    EXPECT_NE(theReport.GetContext().find("} Unable to draw shape"), std::string::npos) << theReport.GetContext();
    EXPECT_EQ(theOperation.GetResultRect(), (LongRect{2, 2, 9, 9}));
    EXPECT_EQ(Extent(theStore, kPaint), (LongRect{2, 2, 7, 7}));
}

}  // namespace
