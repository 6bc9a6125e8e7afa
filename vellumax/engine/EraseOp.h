// "Erase Canvas:": re-fits the store and paints every pixel with its natural colour.
#pragma once

#include "vellumax/engine/Operation.h"

class EraseOp : public Operation {
public:
    EraseOp();
    // A store without pixels is left alone; a re-fit error is recorded.
    void Do(Bitmap& inBitmap) override;
};
