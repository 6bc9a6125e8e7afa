#include "vellumax/engine/DrawingTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "vellumax/engine/ShortRect.h"

namespace {

MatrixRecord IdentityMatrix()
{
    MatrixRecord theMatrix{};
    theMatrix.matrix[0][0] = fixed1;
    theMatrix.matrix[1][1] = fixed1;
    theMatrix.matrix[2][2] = fract1;
    return theMatrix;
}

void Apply(const TransformStep& inStep, MatrixRecord* ioMatrix)
{
    const Fixed theX = IntToFixed(inStep.point.x);
    const Fixed theY = IntToFixed(inStep.point.y);
    switch (inStep.kind) {
    case TransformStep::Kind::kRotate:
        // Whole turns change nothing and would not fit in 16.16.
        RotateMatrix(ioMatrix, FloatToFixed(std::fmod(double(inStep.values[0]), 360.0)), theX, theY);
        break;
    case TransformStep::Kind::kScale:
        ScaleMatrix(ioMatrix, FloatToFixed(inStep.values[0]), FloatToFixed(inStep.values[1]), theX, theY);
        break;
    case TransformStep::Kind::kSkew:
        SkewMatrix(ioMatrix, FloatToFixed(inStep.values[0]), FloatToFixed(inStep.values[1]), theX, theY);
        break;
    case TransformStep::Kind::kTranslate:
        TranslateMatrix(ioMatrix, theX, theY);
        break;
    }
}

float Element(Fixed inValue)
{
    return float(FixedToFloat(inValue));
}

}  // namespace

MatrixRecord DrawingTransform::KeywordMatrix(const Parameters& inParams)
{
    MatrixRecord theMatrix = IdentityMatrix();
    for (const TransformStep& theStep : inParams.Transform)
        Apply(theStep, &theMatrix);
    return theMatrix;
}

DrawingTransform::DrawingTransform(const Parameters& inParams, const LongRect& inDestination, const LongRect& inSource)
    : mMatrix(KeywordMatrix(inParams))
{
    const ::Rect theSource = ShortRect(inSource);
    if (theSource.right <= theSource.left || theSource.bottom <= theSource.top)
        return;
    const ::Rect theDestination = ShortRect(inDestination);
    // Every shape maps its rectangle onto itself: that mapping is the identity,
    // and the matrix followed by it is the matrix, bit for bit.
    if (theSource.top == theDestination.top && theSource.left == theDestination.left &&
        theSource.bottom == theDestination.bottom && theSource.right == theDestination.right)
        return;
    MatrixRecord theMapping;
    SetIdentityMatrix(&theMapping);
    RectMatrix(&theMapping, &theSource, &theDestination);
    ConcatMatrix(&mMatrix, &theMapping);
    mMatrix = theMapping;
}

XFORM DrawingTransform::GDI() const
{
    const auto& m = mMatrix.matrix;
    return XFORM{Element(m[0][0]), Element(m[0][1]), Element(m[1][0]),
                 Element(m[1][1]), Element(m[2][0]), Element(m[2][1])};
}

std::array<float, 16> DrawingTransform::GL() const
{
    const auto& m = mMatrix.matrix;
    std::array<float, 16> theMatrix{};
    theMatrix[0] = Element(m[0][0]);
    theMatrix[1] = Element(m[0][1]);
    theMatrix[4] = Element(m[1][0]);
    theMatrix[5] = Element(m[1][1]);
    theMatrix[10] = 1.0f;
    theMatrix[12] = Element(m[2][0]);
    theMatrix[13] = Element(m[2][1]);
    theMatrix[15] = 1.0f;
    return theMatrix;
}
