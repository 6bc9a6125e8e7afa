#include "vellumax/engine/DrawCanvasOp.h"

#include "imaging/Errors.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/DrawingTransform.h"

namespace {

// The store's drawing state, lent to one drawing and put back on every path.
class LentDrawingState {
public:
    explicit LentDrawingState(Bitmap& inBitmap)
        : mBitmap(inBitmap),
          mDither(inBitmap.GetDither()),
          mMode(inBitmap.GetTransferMode()),
          mColor(inBitmap.GetOperationColor())
    {
    }
    LentDrawingState(const LentDrawingState&) = delete;
    LentDrawingState& operator=(const LentDrawingState&) = delete;
    ~LentDrawingState()
    {
        mBitmap.SetDither(mDither);
        mBitmap.SetTransferMode(mMode);
        mBitmap.SetOperationColor(mColor);
    }

private:
    Bitmap& mBitmap;
    std::int32_t mDither;
    TransferMode mMode;
    RGBColor mColor;
};

}  // namespace

DrawCanvasOp::DrawCanvasOp() : Operation("Draw Canvas:") {}

void DrawCanvasOp::SetSource(IDispatch* inSource)
{
    if (const HRESULT theResult = mImage.Take(inSource); FAILED(theResult))
        mError->SetComError(theResult);
    Report("Image", "ok");
}

void DrawCanvasOp::Do(Bitmap& inBitmap)
{
    const LentDrawingState theLent(inBitmap);
    GdiSetLastError(0);
    OSErr theError = inBitmap.Update();
    HRESULT theComError = S_OK;
    HBITMAP theSource = 0;
    BITMAP theDescription{};
    if (theError == noErr)
        theComError = mImage.GetBitmap(theSource);
    const bool theDescribed = theError == noErr && SUCCEEDED(theComError) && theSource != 0 &&
                              GetObjectA(theSource, sizeof theDescription, &theDescription) != 0;
    if (theDescribed) {
        const LongRect theNatural{0, 0, theDescription.bmWidth, theDescription.bmHeight};
        if (!inBitmap.HasPixels())
            theError = inBitmap.EnsurePixels(theNatural.right, theNatural.bottom, -1);
        if (theError == noErr) {
            const Parameters& theParams = *mParameters;
            const LongRect theDestination = theParams.DestinationRect(theNatural, inBitmap.GetBounds());
            mResultRect = theDestination;
            const DrawingTransform theTransform(theParams, theDestination, theNatural);
            inBitmap.SetDither(theParams.Dither);
            inBitmap.SetTransferMode(theParams.Mode);
            inBitmap.SetOperationColor(
                RGBColor{theParams.ModeColor.red, theParams.ModeColor.green, theParams.ModeColor.blue});
            theError = inBitmap.DrawWindowsBitmap(theSource, theParams.SourceRectOr(theNatural), &theTransform.Matrix(),
                                                  nullptr);
        }
    }
    if (theError != noErr)
        mError->SetQuickTimeError(theError);
    mError->SetWindowsError(GdiGetLastError(), 0);
    if (FAILED(theComError))
        mError->SetComError(theComError);
}
