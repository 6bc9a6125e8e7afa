// "Draw Canvas:": another canvas's pixels drawn onto the store through the
// record's destination, source rectangle, matrix and transfer mode. The
// store's own dither flag, transfer mode and operation colour are lent to the
// drawing and put back.
#pragma once

#include "vellumax/engine/Operation.h"
#include "vellumax/engine/SourceCanvas.h"

class DrawCanvasOp : public Operation {
public:
    DrawCanvasOp();

    void Do(Bitmap& inBitmap) override;

    // Holds the source as a canvas; an object that is not one records
    // E_NOINTERFACE as the COM error, which keeps Run from drawing.
    virtual void SetSource(IDispatch* inSource);

private:
    SourceCanvas mImage;
};
