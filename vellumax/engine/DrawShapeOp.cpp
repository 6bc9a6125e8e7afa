#include "vellumax/engine/DrawShapeOp.h"

#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/DrawGDIShape.h"
#include "vellumax/engine/DrawGLPoly.h"

namespace {

constexpr std::int32_t kOpenGLDepth = 32;

}  // namespace

DrawShapeOp::DrawShapeOp() : Operation("Draw Shape:") {}

void DrawShapeOp::Do(Bitmap& inBitmap)
{
    // Text has no polygons: it is outlined and filled by the 2D drawing layer either way.
    if (mParameters->OpenGL != 0 && inBitmap.GetDepth() == kOpenGLDepth && mParameters->Shape != kTextShape)
        RunPoly(inBitmap, *mParameters, *mError);
    else
        RunGDI(inBitmap, *mParameters, *mError);
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

// The inner drawings are plain calls of Do: this operation's Run has checked
// the records and catches what they throw.
void DrawShapeOp::RunPoly(Bitmap& inBitmap, Parameters& inParameters, ErrorReport& inError)
{
    DrawGLPoly thePoly("", inParameters, inError);
    thePoly.Do(inBitmap);
}

void DrawShapeOp::RunGDI(Bitmap& inBitmap, Parameters& inParameters, ErrorReport& inError)
{
    DrawGDIShape theShape("", DrawGDIShape::Primitives::kPath, inParameters, inError);
    theShape.Do(inBitmap);
}
