// "Invert Canvas:": re-fits the store and inverts the colour of every pixel by
// copying the store onto itself with the not-source-copy mode (alpha is kept).
#pragma once

#include "vellumax/engine/Operation.h"

class InvertOp : public Operation {
public:
    InvertOp();
    // A store without pixels is left alone; a re-fit or copy error is recorded.
    void Do(Bitmap& inBitmap) override;
};
