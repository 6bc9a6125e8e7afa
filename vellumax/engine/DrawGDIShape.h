// Shapes and text blocks drawn through the 2D drawing layer straight into a
// pixel store's device context: "Draw Text:", "Text Area:", "Text Length:",
// and the nameless inner drawing of "Draw Shape:".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "drawing/Gdi.h"
#include "drawing/GdiOwners.h"
#include "vellumax/engine/Operation.h"

class DrawGDIShape : public Operation {
public:
    // kDirect: primitives are drawn as they are; kPath: each is recorded as a
    // path and stroked and/or filled according to the drawing operation.
    enum class Primitives { kDirect, kPath };

    DrawGDIShape(const char* inName, Primitives inPrimitives);
    // Draws with an outer operation's records, as they are (the drawing
    // operation is not reset).
    DrawGDIShape(const char* inName, Primitives inPrimitives, Parameters& inParameters, ErrorReport& inError);
    ~DrawGDIShape() override;

    // Begin, inset and draw, End always; "Unable to draw shape" goes with any error.
    void Do(Bitmap& inBitmap) override;

    // Shape words as the "shape" keyword takes them.
    virtual void SetShape(const char* inShape);
    // Makes the shape a text block of inText (UTF-8).
    virtual void SetText(const char* inText);
    virtual void SetOperation(std::int32_t inOperation);
    virtual LongRect GetRect() const;
    virtual std::int32_t GetLineHeight() const;
    virtual std::int32_t GetLengthDrawn() const;
    // Prepares the store's device context: pixels, mapping and graphics mode,
    // transform, pen, brush, text colour and mode, font. Failures go to the
    // error record and skip the steps after them.
    virtual void Begin(Bitmap& inBitmap);
    // Puts back whatever Begin changed and deletes what it made.
    virtual void End();
    // Pulls the geometry in so that a stroke of inPenSize stays inside it.
    virtual void InsetForPen(std::int32_t inPenSize);
    virtual void DrawShapePath();
    virtual void DrawTextBlock();

protected:
    // Records the layer's last error; a failure the layer left without a code
    // still gets one, so that it is never taken for success.
    void RecordWindowsError(bool inFailed);

    Primitives mPrimitives;
    HDC mHDC = 0;

    // Where the shape or text goes; the result rectangle stays the placement
    // the caller reports.
    LongRect mRect;
    std::int32_t mLengthDrawn = 0;
    std::int32_t mLineHeight = 0;

private:
    // What Begin made and changed on the context, in the order it did so;
    // destroying it (End) undoes all in the reverse order.
    struct ContextChanges {
        GdiPin mPin;  // every call from Begin to End names this context
        GdiMapMode mMapMode;
        GdiWorldTransform mTransform;
        GdiObjectOwner mPen;
        GdiSelection mPenSelection;
        GdiObjectOwner mBrush;
        GdiSelection mBrushSelection;
        GdiDrawAlpha mAlpha;  // only with alphablend
        GdiTextColor mTextColor;
        GdiBkMode mBkMode;
        GdiObjectOwner mFont;
        GdiSelection mFontSelection;
    };
    // How far Begin's preparation went: kStopped has its reason in the error record.
    enum class Prepared { kReady, kStopped, kFailed };
    Prepared PrepareContext(Bitmap& inBitmap, ContextChanges& outChanges);
    Prepared SelectPenAndBrush(Bitmap& inBitmap, ContextChanges& outChanges);
    Prepared SelectFont(ContextChanges& outChanges);
    // The shape, drawn or recorded into the path; FALSE when the layer refused it.
    BOOL DrawPrimitive();
    // Ends the path recorded and strokes and/or fills it as the drawing
    // operation says; false on a failure.
    bool FinishPath(BOOL inDrawn);
    // Lays out (and unless measuring draws) the text in the rectangle with inFlags.
    void LayOutText(const std::string& inText, UINT inFlags);

    std::optional<ContextChanges> mChanges;
};
