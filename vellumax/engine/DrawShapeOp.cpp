#include "vellumax/engine/DrawShapeOp.h"

#include <utility>

#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/DrawGDIShape.h"
#include "vellumax/engine/DrawGLPoly.h"

namespace {

constexpr std::int32_t kOpenGLDepth = 32;

}  // namespace

DrawShapeOp::DrawShapeOp() : Operation("Draw Shape:") {}

void DrawShapeOp::Do(Bitmap& inBitmap)
{
    std::unique_ptr<Parameters> theParameters = DetachParameters();
    std::unique_ptr<ErrorReport> theError = DetachErrorReport();
    // Text has no polygons: it is outlined and filled by the 2D drawing layer either way.
    const bool theOpenGL = theParameters->OpenGL != 0 && inBitmap.GetDepth() == kOpenGLDepth &&
                           theParameters->Shape != kTextShape;
    theError = theOpenGL ? RunPoly(inBitmap, std::move(theParameters), std::move(theError))
                         : RunGDI(inBitmap, std::move(theParameters), std::move(theError));
    AdoptErrorReport(std::move(theError));
}

void DrawShapeOp::SetShape(const char* inShape)
{
    mParameters->SetParameter("shape", inShape);
    Report("Shape", inShape);
}

std::unique_ptr<ErrorReport> DrawShapeOp::RunPoly(Bitmap& inBitmap, std::unique_ptr<Parameters> inParameters,
                                                  std::unique_ptr<ErrorReport> inError)
{
    DrawGLPoly thePoly("", std::move(inParameters), std::move(inError));
    thePoly.Run(inBitmap, false);
    return thePoly.DetachErrorReport();
}

std::unique_ptr<ErrorReport> DrawShapeOp::RunGDI(Bitmap& inBitmap, std::unique_ptr<Parameters> inParameters,
                                                 std::unique_ptr<ErrorReport> inError)
{
    DrawGDIShape theShape("", false, std::move(inParameters), std::move(inError));
    theShape.Run(inBitmap, false);
    return theShape.DetachErrorReport();
}
