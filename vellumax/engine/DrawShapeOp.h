// "Draw Shape:": draws the shape, on its own parameter and error records, with
// the drawing that suits the store: the antialiasing polygon renderer on
// 32-bit stores when asked for, the 2D drawing layer otherwise.
#pragma once

#include <string>

#include "vellumax/engine/Operation.h"

class DrawShapeOp : public Operation {
public:
    DrawShapeOp();

    void Do(Bitmap& inBitmap) override;

    // Shape words as the "shape" keyword takes them.
    virtual void SetShape(const char* inShape);
    // Parses as an operation does, and then fails on a shape word SetShape
    // could not read.
    std::int32_t SetParameterString(const char* inText) override;
    // Each draws the records on inBitmap with an inner drawing that borrows
    // them; what fails goes to inError.
    virtual void RunPoly(Bitmap& inBitmap, Parameters& inParameters, ErrorReport& inError);
    virtual void RunGDI(Bitmap& inBitmap, Parameters& inParameters, ErrorReport& inError);

private:
    std::string mBadShape;  // the shape words SetShape could not read
};
