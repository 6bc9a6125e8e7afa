#include "vellumax/engine/InvertOp.h"

#include "imaging/QuickDraw.h"
#include "vellumax/engine/Bitmap.h"

InvertOp::InvertOp() : Operation("Invert Canvas:") {}

void InvertOp::Do(Bitmap& inBitmap)
{
    OSErr theError = inBitmap.Update();
    if (theError == noErr && inBitmap.HasPixels()) {
        const GWorldPtr theWorld = inBitmap.GetGWorld();
        Rect theBounds;
        GetPortBounds(theWorld, &theBounds);
        const BitMap* thePixels = GetPortBitMapForCopyBits(theWorld);
        const Bitmap::Drawing theDrawing(inBitmap);
        CopyBits(thePixels, thePixels, &theBounds, &theBounds, notSrcCopy, nullptr);
        theError = QDError();
    }
    if (theError != noErr)
        mError->SetQuickTimeError(theError);
}
