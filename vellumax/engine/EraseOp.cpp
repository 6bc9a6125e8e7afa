#include "vellumax/engine/EraseOp.h"

#include "vellumax/engine/Bitmap.h"

EraseOp::EraseOp() : Operation("Erase Canvas:") {}

void EraseOp::Do(Bitmap& inBitmap)
{
    if (const OSErr theError = inBitmap.Erase(); theError != noErr)
        mError->SetQuickTimeError(theError);
}
