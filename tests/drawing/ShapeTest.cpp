// Shapes, paths, pens, brushes and the world transform on a 32-bit store.
#include "PixelCanvas.h"

#include <gtest/gtest.h>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kPen = RGB(0, 0, 255);
constexpr COLORREF kBrush = RGB(255, 0, 0);

enum class Op { kStroke, kFill, kBoth };
enum class Shape { kRectangle, kOval };

// What the engine does: select a pen and brush, pull the geometry in for the
// pen, record the shape as a path and paint it.
void DrawInset(PixelCanvas& ioCanvas, Shape inShape, int inPen, Op inOp, RECT inRect)
{
    HDC theDC = ioCanvas.DC();
    ASSERT_NE(SetGraphicsMode(theDC, GM_ADVANCED), 0);
    HPEN thePen = CreatePen(PS_SOLID, inPen, kPen);
    HBRUSH theBrush = CreateSolidBrush(kBrush);
    HGDIOBJ theOldPen = SelectObject(theDC, thePen);
    HGDIOBJ theOldBrush = SelectObject(theDC, theBrush);
    RECT theInset = inRect;
    if (inShape == Shape::kRectangle) {
        theInset = {inRect.left + inPen / 2, inRect.top + inPen / 2, inRect.right - (inPen + 1) / 2,
                    inRect.bottom - (inPen + 1) / 2};
    } else {
        theInset = {inRect.left + (inPen - 1) / 2, inRect.top + (inPen - 1) / 2, inRect.right - (inPen + 1) / 2,
                    inRect.bottom - (inPen + 1) / 2};
    }
    ASSERT_TRUE(BeginPath(theDC));
    if (inShape == Shape::kRectangle) {
        ASSERT_TRUE(Rectangle(theDC, theInset.left, theInset.top, theInset.right, theInset.bottom));
    } else {
        ASSERT_TRUE(Ellipse(theDC, theInset.left, theInset.top, theInset.right, theInset.bottom));
    }
    ASSERT_TRUE(EndPath(theDC));
    switch (inOp) {
    case Op::kStroke:
        ASSERT_TRUE(StrokePath(theDC));
        break;
    case Op::kFill:
        ASSERT_TRUE(FillPath(theDC));
        break;
    case Op::kBoth:
        ASSERT_TRUE(StrokeAndFillPath(theDC));
        break;
    }
    SelectObject(theDC, theOldPen);
    SelectObject(theDC, theOldBrush);
    EXPECT_TRUE(DeleteObject(thePen));
    EXPECT_TRUE(DeleteObject(theBrush));
}

struct ExtentCase {
    const char* mName;
    Shape mShape;
    int mPen;
    Op mOp;
    RECT mPenExtent;    // inclusive; empty (left > right) when no pen pixel
    RECT mBrushExtent;  // inclusive
};

constexpr RECT kNone{1, 1, 0, 0};

// The rectangle (10,10,50,50) pulled in for the pen: the stroke stays exactly
// inside it; the fill covers the inset shape with right and bottom exclusive.
const ExtentCase kExtentCases[] = {
    {"rect pen 1 stroke", Shape::kRectangle, 1, Op::kStroke, {10, 10, 49, 49}, kNone},
    {"rect pen 4 stroke", Shape::kRectangle, 4, Op::kStroke, {10, 10, 49, 49}, kNone},
    {"rect pen 5 stroke", Shape::kRectangle, 5, Op::kStroke, {10, 10, 49, 49}, kNone},
    {"rect pen 1 fill", Shape::kRectangle, 1, Op::kFill, kNone, {10, 10, 48, 48}},
    {"rect pen 4 fill", Shape::kRectangle, 4, Op::kFill, kNone, {12, 12, 47, 47}},
    {"rect pen 5 fill", Shape::kRectangle, 5, Op::kFill, kNone, {12, 12, 46, 46}},
    {"rect pen 1 both", Shape::kRectangle, 1, Op::kBoth, {10, 10, 49, 49}, {11, 11, 48, 48}},
    {"rect pen 4 both", Shape::kRectangle, 4, Op::kBoth, {10, 10, 49, 49}, {14, 14, 45, 45}},
    {"rect pen 5 both", Shape::kRectangle, 5, Op::kBoth, {10, 10, 49, 49}, {15, 15, 44, 44}},
    {"oval pen 1 stroke", Shape::kOval, 1, Op::kStroke, {10, 10, 49, 49}, kNone},
    {"oval pen 4 stroke", Shape::kOval, 4, Op::kStroke, {10, 10, 49, 49}, kNone},
    {"oval pen 5 stroke", Shape::kOval, 5, Op::kStroke, {10, 10, 49, 49}, kNone},
    {"oval pen 1 fill", Shape::kOval, 1, Op::kFill, kNone, {10, 10, 48, 48}},
    {"oval pen 4 fill", Shape::kOval, 4, Op::kFill, kNone, {11, 11, 47, 47}},
    {"oval pen 5 fill", Shape::kOval, 5, Op::kFill, kNone, {12, 12, 46, 46}},
};

TEST(ShapeExtent, StrokeStaysInsideAndFillCoversTheInsetShape)
{
    for (const ExtentCase& theCase : kExtentCases) {
        SCOPED_TRACE(theCase.mName);
        PixelCanvas theCanvas(64, 64);
        DrawInset(theCanvas, theCase.mShape, theCase.mPen, theCase.mOp, {10, 10, 50, 50});
        const RECT thePen = theCanvas.Extent(kPen);
        const RECT theBrush = theCanvas.Extent(kBrush);
        if (theCase.mPenExtent.left > theCase.mPenExtent.right) {
            EXPECT_GT(thePen.left, thePen.right) << "pen pixels at " << thePen;
        } else {
            EXPECT_EQ(thePen, theCase.mPenExtent);
        }
        if (theCase.mBrushExtent.left > theCase.mBrushExtent.right) {
            EXPECT_GT(theBrush.left, theBrush.right) << "brush pixels at " << theBrush;
        } else {
            EXPECT_EQ(theBrush, theCase.mBrushExtent);
        }
        EXPECT_EQ(theCanvas.Colors().size(), theCase.mOp == Op::kBoth ? 3u : 2u);
    }
}

TEST(ShapeExtent, OvalWithPenAndFillStaysInsideItsRectangle)
{
    for (int thePen : {1, 2, 3, 4, 5, 8}) {
        SCOPED_TRACE(thePen);
        PixelCanvas theCanvas(64, 64);
        DrawInset(theCanvas, Shape::kOval, thePen, Op::kBoth, {10, 10, 50, 50});
        EXPECT_EQ(theCanvas.InkExtent(), (RECT{10, 10, 49, 49}));
        EXPECT_EQ(theCanvas.At(30, 30), kBrush);
        EXPECT_EQ(theCanvas.At(10, 30), kPen);
        EXPECT_EQ(theCanvas.At(30, 49), kPen);
    }
}

TEST(ShapeExtent, EllipseStrokeGrowsByHalfThePenBelowItsWidth)
{
    for (int thePen = 1; thePen <= 7; ++thePen) {
        SCOPED_TRACE(thePen);
        PixelCanvas theCanvas(64, 64);
        HDC theDC = theCanvas.DC();
        SetGraphicsMode(theDC, GM_ADVANCED);
        HPEN thePenHandle = CreatePen(PS_SOLID, thePen, kPen);
        SelectObject(theDC, thePenHandle);
        SelectObject(theDC, GetStockObject(NULL_BRUSH));
        ASSERT_TRUE(Ellipse(theDC, 20, 18, 41, 36));
        const int theGrow = (thePen - 1) / 2;
        EXPECT_EQ(theCanvas.InkExtent(), (RECT{20 - theGrow, 18 - theGrow, 41 + theGrow, 36 + theGrow}));
        SelectObject(theDC, GetStockObject(BLACK_PEN));
        SelectObject(theDC, GetStockObject(WHITE_BRUSH));
        DeleteObject(thePenHandle);
    }
}

TEST(ShapeExtent, RectangleStrokeHasTheWidthOfThePen)
{
    for (int thePen : {1, 2, 3, 4, 5}) {
        SCOPED_TRACE(thePen);
        PixelCanvas theCanvas(64, 64);
        DrawInset(theCanvas, Shape::kRectangle, thePen, Op::kStroke, {10, 10, 50, 50});
        int theLeftRun = 0;
        while (theCanvas.At(10 + theLeftRun, 30) == kPen) {
            ++theLeftRun;
        }
        int theRightRun = 0;
        while (theCanvas.At(49 - theRightRun, 30) == kPen) {
            ++theRightRun;
        }
        EXPECT_EQ(theLeftRun, thePen);
        EXPECT_EQ(theRightRun, thePen);
        EXPECT_EQ(theCanvas.At(10, 10), kPen) << "square corners";
    }
}

TEST(ShapeExtent, PolygonPointsMovedByHalfThePen)
{
    struct Case {
        int mPen;
        RECT mStroke;
        RECT mFill;
    };
    // A square on (10,10)-(40,40) after every point moved by pen/2.
    const Case theCases[] = {
        {1, {10, 10, 40, 40}, {10, 10, 39, 39}},
        {3, {10, 10, 42, 42}, {11, 11, 40, 40}},
        {4, {10, 10, 43, 43}, {12, 12, 41, 41}},
        {5, {10, 10, 44, 44}, {12, 12, 41, 41}},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mPen);
        for (Op theOp : {Op::kStroke, Op::kFill}) {
            PixelCanvas theCanvas(64, 64);
            HDC theDC = theCanvas.DC();
            HPEN thePen = CreatePen(PS_SOLID, theCase.mPen, kPen);
            HBRUSH theBrush = CreateSolidBrush(kBrush);
            SelectObject(theDC, thePen);
            SelectObject(theDC, theBrush);
            const int theD = theCase.mPen / 2;
            const POINT thePoints[] = {
                {10 + theD, 10 + theD}, {40 + theD, 10 + theD}, {40 + theD, 40 + theD}, {10 + theD, 40 + theD}};
            BeginPath(theDC);
            ASSERT_TRUE(Polygon(theDC, thePoints, 4));
            EndPath(theDC);
            if (theOp == Op::kStroke) {
                ASSERT_TRUE(StrokePath(theDC));
                EXPECT_EQ(theCanvas.Extent(kPen), theCase.mStroke);
            } else {
                ASSERT_TRUE(FillPath(theDC));
                EXPECT_EQ(theCanvas.Extent(kBrush), theCase.mFill);
            }
            SelectObject(theDC, GetStockObject(BLACK_PEN));
            SelectObject(theDC, GetStockObject(WHITE_BRUSH));
            DeleteObject(thePen);
            DeleteObject(theBrush);
        }
    }
}

TEST(Shapes, DirectShapesInCompatibleModeExcludeRightAndBottom)
{
    PixelCanvas theCanvas(40, 40);
    HDC theDC = theCanvas.DC();
    HBRUSH theBrush = CreateSolidBrush(kBrush);
    HGDIOBJ theOld = SelectObject(theDC, theBrush);
    ASSERT_TRUE(Rectangle(theDC, 5, 5, 15, 25));
    EXPECT_EQ(theCanvas.InkExtent(), (RECT{5, 5, 14, 24}));
    EXPECT_EQ(theCanvas.At(5, 10), RGB(0, 0, 0)) << "default pen is black";
    EXPECT_EQ(theCanvas.At(10, 10), kBrush);
    SelectObject(theDC, theOld);
    DeleteObject(theBrush);
}

TEST(Shapes, ShapesAreCrispEvenWhenRotated)
{
    PixelCanvas theCanvas(100, 100);
    HDC theDC = theCanvas.DC();
    SetGraphicsMode(theDC, GM_ADVANCED);
    const XFORM theRotation{0.8f, 0.6f, -0.6f, 0.8f, 50.0f, 10.0f};
    ASSERT_TRUE(SetWorldTransform(theDC, &theRotation));
    HPEN thePen = CreatePen(PS_SOLID, 3, kPen);
    HBRUSH theBrush = CreateSolidBrush(kBrush);
    SelectObject(theDC, thePen);
    SelectObject(theDC, theBrush);
    Ellipse(theDC, 0, 0, 40, 30);
    RoundRect(theDC, 10, 35, 50, 70, 12, 12);
    const POINT theStar[] = {{20, 75}, {30, 95}, {5, 82}, {35, 82}, {10, 95}};
    Polygon(theDC, theStar, 5);
    ModifyWorldTransform(theDC, nullptr, MWT_IDENTITY);  // GetPixel takes world coordinates too
    const std::set<COLORREF> theColors = theCanvas.Colors();
    EXPECT_EQ(theColors, (std::set<COLORREF>{kWhite, kPen, kBrush}));
    SelectObject(theDC, GetStockObject(BLACK_PEN));
    SelectObject(theDC, GetStockObject(WHITE_BRUSH));
    DeleteObject(thePen);
    DeleteObject(theBrush);
}

TEST(Shapes, StarIsFilledByTheAlternateRule)
{
    PixelCanvas theCanvas(100, 100);
    HDC theDC = theCanvas.DC();
    HBRUSH theBrush = CreateSolidBrush(kBrush);
    SelectObject(theDC, theBrush);
    SelectObject(theDC, GetStockObject(NULL_PEN));
    const POINT theStar[] = {{50, 5}, {79, 95}, {2, 40}, {98, 40}, {21, 95}};
    BeginPath(theDC);
    Polygon(theDC, theStar, 5);
    EndPath(theDC);
    FillPath(theDC);
    EXPECT_EQ(theCanvas.At(50, 55), kWhite) << "centre of the star";
    EXPECT_EQ(theCanvas.At(50, 20), kBrush) << "a point of the star";
    SelectObject(theDC, GetStockObject(WHITE_BRUSH));
    DeleteObject(theBrush);
}

TEST(Shapes, WorldTransformMovesShapes)
{
    struct Case {
        const char* mName;
        XFORM mTransform;
        RECT mExpected;
    };
    // A filled rectangle (10,10)-(30,20) without pen.
    const Case theCases[] = {
        {"identity", {1, 0, 0, 1, 0, 0}, {10, 10, 29, 19}},
        {"translate", {1, 0, 0, 1, 5, 7}, {15, 17, 34, 26}},
        // x' = -y + 60, y' = x: a quarter turn.
        {"rotate 90", {0, 1, -1, 0, 60, 0}, {40, 10, 49, 29}},
        {"scale 2", {2, 0, 0, 2, 0, 0}, {20, 20, 59, 39}},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mName);
        PixelCanvas theCanvas(80, 80);
        HDC theDC = theCanvas.DC();
        SetGraphicsMode(theDC, GM_ADVANCED);
        ASSERT_TRUE(SetWorldTransform(theDC, &theCase.mTransform));
        HBRUSH theBrush = CreateSolidBrush(kBrush);
        SelectObject(theDC, theBrush);
        SelectObject(theDC, GetStockObject(NULL_PEN));
        BeginPath(theDC);
        Rectangle(theDC, 10, 10, 30, 20);
        EndPath(theDC);
        FillPath(theDC);
        ModifyWorldTransform(theDC, nullptr, MWT_IDENTITY);
        EXPECT_EQ(theCanvas.Extent(kBrush), theCase.mExpected);
        SelectObject(theDC, GetStockObject(WHITE_BRUSH));
        DeleteObject(theBrush);
    }
}

TEST(Shapes, PatternBrushTilesFromTheDeviceOrigin)
{
    // A 4 x 4 pattern: red at its top-left pixel, blue elsewhere.
    std::vector<std::uint8_t> thePattern(4 * 4 * 4, 0);
    for (int theIndex = 0; theIndex < 16; ++theIndex) {
        thePattern[theIndex * 4 + 0] = theIndex == 0 ? 0 : 255;  // blue
        thePattern[theIndex * 4 + 2] = theIndex == 0 ? 255 : 0;  // red
        thePattern[theIndex * 4 + 3] = 255;
    }
    HBITMAP thePatternBitmap = CreateDIBSectionOnPixels(4, 4, 32, 16, thePattern.data(), nullptr, 0);
    ASSERT_NE(thePatternBitmap, 0u);
    HBRUSH theBrush = CreatePatternBrush(thePatternBitmap);
    ASSERT_NE(theBrush, 0u);
    // The brush keeps its own copy: later changes to the pattern do not show.
    thePattern[0] = 255;
    ASSERT_TRUE(DeleteObject(thePatternBitmap));

    for (const XFORM& theTransform : {XFORM{1, 0, 0, 1, 0, 0}, XFORM{1, 0, 0, 1, 3, 1}}) {
        PixelCanvas theCanvas(40, 40);
        HDC theDC = theCanvas.DC();
        SetGraphicsMode(theDC, GM_ADVANCED);
        SetWorldTransform(theDC, &theTransform);
        SelectObject(theDC, theBrush);
        SelectObject(theDC, GetStockObject(NULL_PEN));
        BeginPath(theDC);
        Rectangle(theDC, 3, 3, 30, 30);
        EndPath(theDC);
        FillPath(theDC);
        ModifyWorldTransform(theDC, nullptr, MWT_IDENTITY);
        for (int theY = 6; theY < 30; ++theY) {
            for (int theX = 6; theX < 30; ++theX) {
                const COLORREF theExpected = (theX % 4 == 0 && theY % 4 == 0) ? RGB(255, 0, 0) : RGB(0, 0, 255);
                ASSERT_EQ(theCanvas.At(theX, theY), theExpected) << theX << "," << theY;
            }
        }
        SelectObject(theDC, GetStockObject(WHITE_BRUSH));
    }
    EXPECT_TRUE(DeleteObject(theBrush));
}

TEST(Shapes, PolylineIsOpenAndFillOfARecordedLineClosesIt)
{
    PixelCanvas theCanvas(50, 50);
    HDC theDC = theCanvas.DC();
    const POINT theLine[] = {{5, 5}, {40, 5}, {40, 40}};
    ASSERT_TRUE(Polyline(theDC, theLine, 3));
    EXPECT_EQ(theCanvas.At(20, 5), RGB(0, 0, 0));
    EXPECT_EQ(theCanvas.At(20, 20), kWhite) << "no fill for a direct polyline";
    EXPECT_EQ(theCanvas.At(5, 20), kWhite) << "open: no closing edge";

    HBRUSH theBrush = CreateSolidBrush(kBrush);
    SelectObject(theDC, theBrush);
    BeginPath(theDC);
    Polyline(theDC, theLine, 3);
    EndPath(theDC);
    ASSERT_TRUE(FillPath(theDC));
    EXPECT_EQ(theCanvas.At(35, 15), kBrush);
    SelectObject(theDC, GetStockObject(WHITE_BRUSH));
    DeleteObject(theBrush);
}

TEST(Paths, PaintingWithoutAClosedPathFails)
{
    PixelCanvas theCanvas(20, 20);
    HDC theDC = theCanvas.DC();
    EXPECT_FALSE(StrokePath(theDC));
    EXPECT_EQ(GdiGetLastError(), kGdiErrorCannotComplete);
    EXPECT_FALSE(EndPath(theDC));
    BeginPath(theDC);
    Rectangle(theDC, 2, 2, 10, 10);
    EXPECT_FALSE(FillPath(theDC)) << "still recording";
    EXPECT_EQ(theCanvas.InkExtent().right, -1) << "recorded shapes are not drawn";
    EndPath(theDC);
    EXPECT_TRUE(StrokePath(theDC));
    EXPECT_FALSE(StrokePath(theDC)) << "the path is consumed";
    BeginPath(theDC);
    Rectangle(theDC, 12, 12, 18, 18);
    AbortPath(theDC);
    EXPECT_FALSE(FillPath(theDC));
    EXPECT_EQ(theCanvas.InkExtent(), (RECT{2, 2, 9, 9}));
}

TEST(Shapes, DegenerateOvalDrawsNothingAndClippingAtTheEdgesIsSafe)
{
    PixelCanvas theCanvas(30, 30);
    HDC theDC = theCanvas.DC();
    SelectObject(theDC, GetStockObject(NULL_PEN));
    SelectObject(theDC, GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(Ellipse(theDC, 10, 10, 10, 10));
    EXPECT_EQ(theCanvas.InkExtent().right, -1);
    EXPECT_TRUE(Rectangle(theDC, -1000, -1000, 1000, 5));
    EXPECT_TRUE(Ellipse(theDC, -100000, 20, 100000, 100000));
    EXPECT_EQ(theCanvas.InkExtent(), (RECT{0, 0, 29, 29}));
    SelectObject(theDC, GetStockObject(BLACK_PEN));
    SelectObject(theDC, GetStockObject(WHITE_BRUSH));
}

}  // namespace
