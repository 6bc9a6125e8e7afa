// The nameless inner drawing of "Draw Shape:" on 32-bit stores when OpenGL is
// asked for: shapes with antialiased edges, translucent colours and pattern
// textures, filled before they are outlined, through the drawing transform.
//
// It draws as OpenGL's smoothed polygons, lines and points would, but with
// coverage computed exactly by area straight into the store's pixels: the
// cost of a call grows with the shape, not with the canvas.
#pragma once

#include <cstdint>

#include "vellumax/engine/AffineTransform.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/CoverageMask.h"
#include "vellumax/engine/CoveragePainter.h"
#include "vellumax/engine/Operation.h"
#include "vellumax/engine/PolyList.h"

class PatternImage;

class DrawGLPoly : public Operation {
public:
    using Smoothing = CoveragePainter::Smoothing;

    // Draws with an outer operation's records.
    DrawGLPoly(const char* inName, Parameters& inParameters, ErrorReport& inError);
    ~DrawGLPoly() override;

    void Do(Bitmap& inBitmap) override;

    // Builds the shape's fill and outline and draws them, the fill first.
    virtual void RenderShape(DrawOperation inOperation, ShapeKind inShape, const LongRect& inRect);
    // With the paint colour or the pattern.
    virtual void PaintList(const PolyList& inList);
    // With the pen colour or the pattern: the lines and the dots on their
    // vertices (inDots may be unmade) blend as one outline.
    virtual void DrawList(const PolyList& inLines, const PolyList& inDots);
    virtual void DrawSolid(const PolyList& inLines, const PolyList& inDots, float inWidth, Smoothing inSmoothing);
    virtual void DrawTextured(const PolyList& inLines, const PolyList& inDots, float inWidth,
                              const CoveragePainter::Texture& inTexture, Smoothing inSmoothing);
    virtual void PaintSolid(const PolyList& inList, Smoothing inSmoothing);
    virtual void PaintTextured(const PolyList& inList, const CoveragePainter::Texture& inTexture,
                               Smoothing inSmoothing);
    // The pattern canvas's texture into outTexture, made by ioImage; false,
    // with the reason recorded, when there is none.
    virtual bool MakePatternTexture(PatternImage& ioImage, CoveragePainter::Texture& outTexture);
    virtual PolyList MakePolyList(float inWidth, PolyList::Primitive inPrimitive);
    virtual PolyList MakeTessList();
    virtual PolyList MakeOvalList(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth);
    virtual PolyList MakeRectList(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth);
    virtual PolyList MakeRoundRectList(const LongRect& inRect, PolyList::Primitive inPrimitive, float inWidth,
                                       std::int32_t inCornerWidth, std::int32_t inCornerHeight);

private:
    // Fills mMask from a fill list or an outline, in store pixels.
    void MaskFill(const PolyList& inList);
    void MaskStroke(const PolyList& inLines, const PolyList& inDots, float inWidth);
    void Paint(const CoveragePainter::Source& inSource, CoveragePainter::Mode inMode, Smoothing inSmoothing);
    CoveragePainter::Source SourceOf(const ColorValue& inColor) const;
    CoverageMask::Point Transformed(const CoverageMask::Point& inPoint) const;
    // The part of the store a device-space extent touches.
    LongRect BoxOf(double inLeft, double inTop, double inRight, double inBottom) const;

    Bitmap* mStore = nullptr;     // the store drawn on, during Do
    Bitmap::PixelAccess mTarget;  // its pixels while it is drawn on
    LongRect mStoreBounds{};
    AffineTransform mMatrix;   // canvas to store
    AffineTransform mInverse;  // and back, for pattern coordinates
    bool mSolidFill = false;   // a solid fill was drawn in this call: it tints a patterned pen
    CoverageMask mMask;
};
