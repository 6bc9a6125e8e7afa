// "Draw Shape:": hands the shape, with the parameter and error records, to the
// drawing that suits the store: the OpenGL polygon renderer on 32-bit stores
// when asked for, the 2D drawing layer otherwise.
#pragma once

#include <memory>
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
    // Each runs the records on inBitmap and hands the error record back; the
    // parameter record dies with the inner drawing.
    virtual std::unique_ptr<ErrorReport> RunPoly(Bitmap& inBitmap, std::unique_ptr<Parameters> inParameters,
                                                 std::unique_ptr<ErrorReport> inError);
    virtual std::unique_ptr<ErrorReport> RunGDI(Bitmap& inBitmap, std::unique_ptr<Parameters> inParameters,
                                                std::unique_ptr<ErrorReport> inError);

private:
    std::string mBadShape;  // the shape words SetShape could not read
};
