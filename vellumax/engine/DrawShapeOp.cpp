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
    const bool theOpenGL =
        theParameters->OpenGL != 0 && inBitmap.GetDepth() == kOpenGLDepth && theParameters->Shape != kTextShape;
    theError = theOpenGL ? RunPoly(inBitmap, std::move(theParameters), std::move(theError))
                         : RunGDI(inBitmap, std::move(theParameters), std::move(theError));
    AdoptErrorReport(std::move(theError));
}

void DrawShapeOp::SetShape(const char* inShape)
{
    mParameters->SetParameter("shape", inShape);
    mBadShape.clear();
    // An empty argument names no shape: the parameter string may give one.
    if (mParameters->ErrorCode() != ParameterParser::kNoError && inShape[0] != '\0')
        mBadShape = inShape;
    Report("Shape", inShape);
}

std::int32_t DrawShapeOp::SetParameterString(const char* inText)
{
    // The parse starts a fresh error state; a shape word nobody understood
    // must still stop the call rather than draw nothing and succeed.
    const std::int32_t theCode = Operation::SetParameterString(inText);
    if (theCode != ParameterParser::kNoError || mBadShape.empty())
        return theCode;
    mParameters->SetError(ParameterParser::kBadValue, "shape", "=", mBadShape.c_str());
    return ParameterParser::kBadValue;
}

std::unique_ptr<ErrorReport> DrawShapeOp::RunPoly(Bitmap& inBitmap, std::unique_ptr<Parameters> inParameters,
                                                  std::unique_ptr<ErrorReport> inError)
{
    DrawGLPoly thePoly("", std::move(inParameters), std::move(inError));
    thePoly.Run(inBitmap, RunCheck::kSkip);
    return thePoly.DetachErrorReport();
}

std::unique_ptr<ErrorReport> DrawShapeOp::RunGDI(Bitmap& inBitmap, std::unique_ptr<Parameters> inParameters,
                                                 std::unique_ptr<ErrorReport> inError)
{
    DrawGDIShape theShape("", DrawGDIShape::Primitives::kPath, std::move(inParameters), std::move(inError));
    theShape.Run(inBitmap, RunCheck::kSkip);
    return theShape.DetachErrorReport();
}
