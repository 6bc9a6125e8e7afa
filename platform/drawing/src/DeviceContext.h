// A device context: drawing state (modes, transform, selected pen, brush and
// font, colours, the path being recorded) over a bitmap's pixels, or over no
// pixels for the screen context. Shapes are built as Cairo paths in world
// coordinates and painted straight into a 32-bit bitmap (their pixels are all
// opaque; text only where the bitmap is opaque), or else onto a transparent
// layer covering only the affected pixels, which is then composited into the
// bitmap. Under a pure translation two shapes skip Cairo and are painted as
// runs of pixels: axis-aligned rectangles on whole pixels, pixel for pixel as
// Cairo would paint them, and ellipses, whose fill and pen band are computed
// from the curve itself (see EllipseOutline).
//
// The units: DeviceContext.cpp (state, shapes, path recording),
// DeviceContextPaint.cpp (layers and Cairo painting), DeviceContextRuns.cpp
// (shapes as runs of pixels), DeviceContextText.cpp (text).
#pragma once

#include "CairoOwners.h"
#include "DibSection.h"
#include "FontObject.h"
#include "GdiObject.h"

#include <cairo.h>
#include <functional>
#include <memory>
#include <string>

class CappedText;
struct TextLine;
class TextLayout;

class DeviceContext : public GdiObject {
public:
    DeviceContext(std::shared_ptr<DibSection> inBitmap, std::shared_ptr<PenObject> inPen,
                  std::shared_ptr<BrushObject> inBrush, std::shared_ptr<FontObject> inFont);
    ~DeviceContext() override;

    const std::shared_ptr<DibSection>& Bitmap() const { return mBitmap; }
    const std::shared_ptr<FontObject>& Font() const { return mFont; }

    // Selection: the handle of the object of that kind selected before, 0 if
    // the object cannot be selected.
    HGDIOBJ Select(const std::shared_ptr<GdiObject>& inObject);

    int mMapMode = MM_TEXT;
    int mGraphicsMode = GM_COMPATIBLE;
    int mBkMode = OPAQUE;
    int mFillMode = ALTERNATE;
    COLORREF mTextColor = 0;
    COLORREF mBkColor = 0xFFFFFF;
    cairo_matrix_t mTransform;
    // Opacities of the pen, a solid brush and the text (GdiSetDrawAlpha).
    BYTE mPenAlpha = 255;
    BYTE mBrushAlpha = 255;
    BYTE mTextAlpha = 255;

    enum class Outline { kOpen, kClosed };
    enum class PathPaint { kStroke, kFill, kStrokeAndFill };

    bool Rectangle(int inLeft, int inTop, int inRight, int inBottom);
    bool Ellipse(int inLeft, int inTop, int inRight, int inBottom);
    bool RoundRect(int inLeft, int inTop, int inRight, int inBottom, int inCornerWidth, int inCornerHeight);
    // An open outline is a polyline: its fill, were it painted, would be closed.
    bool Polygon(const POINT* inPoints, int inCount, Outline inOutline);

    bool BeginPath();
    bool EndPath();
    bool AbortPath();
    bool PaintPath(PathPaint inPaint);

    bool TextOut(int inX, int inY, const char* inText, int inLength, const RECT* inOpaque, const RECT* inClip);
    int DrawText(const char* inText, int inLength, RECT* ioRect, UINT inFormat, DRAWTEXTPARAMS* ioParams);
    bool TextExtent(const char* inText, int inLength, SIZE* outSize);

    COLORREF GetPixel(int inX, int inY) const;
    COLORREF SetPixel(int inX, int inY, COLORREF inColor);

private:
    enum class PathState { kNone, kRecording, kClosed };
    // An ellipse or rectangle in world coordinates as its fill and its pen's
    // centre line are built. Alone, it is painted as runs of pixels where it
    // can be, and its Cairo paths are built only where it cannot.
    struct SimpleShape {
        enum class Kind { kEllipse, kRectangle } mKind;
        // Ellipses: centre and radii; rectangles: left, top, right, bottom.
        double mFill[4];
        double mPen[4];
    };
    // Which of a shape's parts are painted.
    struct Parts {
        bool mFill;
        bool mStroke;
    };
    // What a recorded path holds so far: nothing, one simple shape that is
    // not yet in the recorders, or anything, in the recorders.
    enum class Recorded { kNothing, kSimple, kOther };
    enum class Fillable { kNo, kYes };
    // Corners sharper than a right angle reach out to the miter limit.
    enum class Corners { kRightOrRounder, kSharp };
    // Layers: whether the drawing paints only whole opaque pixels (opaque
    // sources, no antialiasing), which may then go straight into any store,
    // or writes translucent pixels that must be composited from a layer.
    enum class Coverage { kAny, kOpaquePixels, kLayerOnly };
    enum class TextAs { kInk, kPath };
    // Builds one shape into a fill path and a stroke path (the stroke's
    // outline is offset for the pen, see Gdi.h), then records or paints them.
    using ShapeBuilder = std::function<void(cairo_t* inFill, cairo_t* inStroke, int inPenWidth)>;
    bool AddShape(const ShapeBuilder& inBuilder, Fillable inFillable, Corners inCorners = Corners::kRightOrRounder,
                  const SimpleShape* inSimple = nullptr);
    // Paints the fill and stroke of fresh paths built by inBuilder.
    bool PaintBuilt(const ShapeBuilder& inBuilder, Parts inParts, Corners inCorners);
    // Builds a simple shape's paths as its ShapeBuilder would.
    static void BuildSimple(const SimpleShape& inShape, cairo_t* inFill, cairo_t* inStroke);
    // Makes the recorders, and moves a deferred simple shape into them.
    void Materialize();
    bool Paint(const cairo_path_t* inFill, const cairo_path_t* inStroke);
    void FillPath(cairo_t* inContext, const cairo_path_t* inFill) const;
    void StrokePath(cairo_t* inContext, const cairo_path_t* inStroke) const;
    // Paints a simple shape as runs; false, painting nothing, where the
    // transform or the shape keeps it to Cairo.
    bool PaintSimple(const SimpleShape& inShape, Parts inParts);
    // Paints a fill and outline that are whole-pixel rectangles, given by
    // their device edges (null: not painted), without Cairo's rasteriser;
    // false, painting nothing, for any other.
    // Whether those parts draw with a translucent pen or solid brush.
    bool Translucent(Parts inParts) const;
    bool PaintBoxes(const double* inFillEdges, const double* inPenEdges, double inLeft, double inTop, double inRight,
                    double inBottom);
    // Paints an ellipse's fill and pen band as runs; false, painting nothing,
    // where the shape's size keeps it to Cairo.
    bool PaintEllipse(const SimpleShape& inEllipse, Parts inParts);
    // Writes the brush's runs and then the pen's, all opaque, into the store
    // (through a layer over the bounds given below 32 bits). A source of
    // runs calls the sink it is given with (y, x0, x1) for device pixels
    // x0 <= x < x1 of row y.
    template <typename FillRuns, typename StrokeRuns>
    void PaintRuns(const FillRuns* inFill, const StrokeRuns* inStroke, double inLeft, double inTop, double inRight,
                   double inBottom);
    // Writes the runs into 32-bit pixels whose pixel (0, 0) is device pixel
    // (inOriginX, inOriginY), clipped to them.
    template <typename FillRuns, typename StrokeRuns>
    void WriteRuns(const FillRuns* inFill, const StrokeRuns* inStroke, std::uint8_t* inData, int inStride, int inWidth,
                   int inHeight, int inOriginX, int inOriginY) const;
    // Paints on a layer over the device rectangle given; inDraw gets a
    // context whose user space is device space.
    void PaintLayer(double inLeft, double inTop, double inRight, double inBottom,
                    const std::function<void(cairo_t*)>& inDraw, Coverage inCoverage = Coverage::kAny);
    // Draws straight into a 32-bit store that is opaque there, or into any
    // 32-bit store for opaque pixels; false when it cannot.
    bool PaintInPlace(int inX0, int inY0, int inX1, int inY1, const std::function<void(cairo_t*)>& inDraw,
                      Coverage inCoverage);
    void DeviceBounds(const cairo_path_t* inPath, double& ioLeft, double& ioTop, double& ioRight,
                      double& ioBottom) const;
    void TransformedBounds(double inLeft, double inTop, double inRight, double inBottom, double& ioLeft, double& ioTop,
                           double& ioRight, double& ioBottom) const;
    void ClearRecorders();
    CairoContext NewRecorder() const;

    // Text.
    struct TextBlock;
    void ShowText(cairo_t* inContext, const char* inText, int inLength, double inX, double inTop, TextAs inAs);
    int MeasureBlock(const TextBlock& inBlock, RECT* ioRect, DRAWTEXTPARAMS* ioParams) const;
    void DrawLines(cairo_t* inContext, const TextBlock& inBlock, TextAs inAs);
    void PaintBlock(const TextBlock& inBlock, const RECT& inRect);

    std::shared_ptr<DibSection> mBitmap;
    std::shared_ptr<PenObject> mPen;
    std::shared_ptr<BrushObject> mBrush;
    std::shared_ptr<FontObject> mFont;

    PathState mPathState = PathState::kNone;
    CairoContext mFillRecorder;
    CairoContext mStrokeRecorder;
    Corners mCorners = Corners::kRightOrRounder;  // of the path's corners, the sharpest
    Recorded mRecorded = Recorded::kNothing;
    SimpleShape mRecordedShape{};
};
