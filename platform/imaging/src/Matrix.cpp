// Matrix operations. Arithmetic is done in double precision and rounded back to 16.16 / 2.30, so
// quarter turns and whole-number scales come out exact.
#include "Impl.h"
#include "MatrixMath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vximaging {

namespace {

constexpr double kFixedOne = 65536.0;
constexpr double kFractOne = 1073741824.0;

std::int32_t RoundClamp(double inValue)
{
    const double theRounded = std::nearbyint(inValue);
    return std::int32_t(std::clamp(theRounded, -2147483648.0, 2147483647.0));
}

double Fx(Fixed inValue)
{
    return double(inValue) / kFixedOne;
}

MatrixD Identity()
{
    return MatrixD{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

// Translation to the origin, inTransform, translation back.
MatrixD About(const MatrixD& inTransform, double inX, double inY)
{
    MatrixD theTo = Identity();
    theTo.m[2][0] = -inX;
    theTo.m[2][1] = -inY;
    MatrixD theBack = Identity();
    theBack.m[2][0] = inX;
    theBack.m[2][1] = inY;
    return Multiply(Multiply(theTo, inTransform), theBack);
}

void Append(MatrixRecord* ioMatrix, const MatrixD& inTransform)
{
    if (ioMatrix != nullptr)
        *ioMatrix = ToFixed(Multiply(ToDouble(*ioMatrix), inTransform));
}

}  // namespace

MatrixD ToDouble(const MatrixRecord& inMatrix)
{
    MatrixD theResult{};
    for (int theRow = 0; theRow < 3; ++theRow) {
        theResult.m[theRow][0] = double(inMatrix.matrix[theRow][0]) / kFixedOne;
        theResult.m[theRow][1] = double(inMatrix.matrix[theRow][1]) / kFixedOne;
        theResult.m[theRow][2] = double(inMatrix.matrix[theRow][2]) / kFractOne;
    }
    return theResult;
}

MatrixRecord ToFixed(const MatrixD& inMatrix)
{
    MatrixRecord theResult{};
    for (int theRow = 0; theRow < 3; ++theRow) {
        theResult.matrix[theRow][0] = RoundClamp(inMatrix.m[theRow][0] * kFixedOne);
        theResult.matrix[theRow][1] = RoundClamp(inMatrix.m[theRow][1] * kFixedOne);
        theResult.matrix[theRow][2] = RoundClamp(inMatrix.m[theRow][2] * kFractOne);
    }
    return theResult;
}

MatrixD Multiply(const MatrixD& inA, const MatrixD& inB)
{
    MatrixD theResult{};
    for (int theRow = 0; theRow < 3; ++theRow)
        for (int theCol = 0; theCol < 3; ++theCol)
            theResult.m[theRow][theCol] = inA.m[theRow][0] * inB.m[0][theCol] + inA.m[theRow][1] * inB.m[1][theCol] +
                                          inA.m[theRow][2] * inB.m[2][theCol];
    return theResult;
}

bool Invert(const MatrixD& inMatrix, MatrixD& outInverse)
{
    const auto& a = inMatrix.m;
    const double theC00 = a[1][1] * a[2][2] - a[1][2] * a[2][1];
    const double theC01 = a[1][2] * a[2][0] - a[1][0] * a[2][2];
    const double theC02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    const double theDet = a[0][0] * theC00 + a[0][1] * theC01 + a[0][2] * theC02;
    if (std::fabs(theDet) < 1e-12)
        return false;
    const double theInv = 1.0 / theDet;
    auto& r = outInverse.m;
    r[0][0] = theC00 * theInv;
    r[0][1] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) * theInv;
    r[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * theInv;
    r[1][0] = theC01 * theInv;
    r[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * theInv;
    r[1][2] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) * theInv;
    r[2][0] = theC02 * theInv;
    r[2][1] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) * theInv;
    r[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * theInv;
    return true;
}

bool Apply(const MatrixD& inMatrix, double inX, double inY, double& outX, double& outY)
{
    const auto& m = inMatrix.m;
    const double theW = inX * m[0][2] + inY * m[1][2] + m[2][2];
    if (std::fabs(theW) < 1e-12)
        return false;
    outX = (inX * m[0][0] + inY * m[1][0] + m[2][0]) / theW;
    outY = (inX * m[0][1] + inY * m[1][1] + m[2][1]) / theW;
    return true;
}

void SetIdentityMatrix(MatrixRecord* outMatrix)
{
    if (outMatrix != nullptr)
        *outMatrix = ToFixed(Identity());
}

void RotateMatrix(MatrixRecord* ioMatrix, Fixed inDegrees, Fixed inAboutX, Fixed inAboutY)
{
    const double theRadians = Fx(inDegrees) * std::numbers::pi / 180.0;
    // Exact values at quarter turns, so that a 90-degree turn maps whole pixels onto whole pixels.
    double theSin = std::sin(theRadians);
    double theCos = std::cos(theRadians);
    if (std::fabs(theSin) < 1e-12)
        theSin = 0;
    if (std::fabs(theCos) < 1e-12)
        theCos = 0;
    MatrixD theRotation = Identity();
    theRotation.m[0][0] = theCos;
    theRotation.m[0][1] = theSin;
    theRotation.m[1][0] = -theSin;
    theRotation.m[1][1] = theCos;
    Append(ioMatrix, About(theRotation, Fx(inAboutX), Fx(inAboutY)));
}

void ScaleMatrix(MatrixRecord* ioMatrix, Fixed inScaleX, Fixed inScaleY, Fixed inAboutX, Fixed inAboutY)
{
    MatrixD theScale = Identity();
    theScale.m[0][0] = Fx(inScaleX);
    theScale.m[1][1] = Fx(inScaleY);
    Append(ioMatrix, About(theScale, Fx(inAboutX), Fx(inAboutY)));
}

void SkewMatrix(MatrixRecord* ioMatrix, Fixed inSkewX, Fixed inSkewY, Fixed inAboutX, Fixed inAboutY)
{
    MatrixD theSkew = Identity();
    theSkew.m[1][0] = Fx(inSkewX);
    theSkew.m[0][1] = Fx(inSkewY);
    Append(ioMatrix, About(theSkew, Fx(inAboutX), Fx(inAboutY)));
}

void TranslateMatrix(MatrixRecord* ioMatrix, Fixed inDeltaH, Fixed inDeltaV)
{
    MatrixD theTranslation = Identity();
    theTranslation.m[2][0] = Fx(inDeltaH);
    theTranslation.m[2][1] = Fx(inDeltaV);
    Append(ioMatrix, theTranslation);
}

void ConcatMatrix(const MatrixRecord* inA, MatrixRecord* ioB)
{
    if (inA == nullptr || ioB == nullptr)
        return;
    *ioB = ToFixed(Multiply(ToDouble(*inA), ToDouble(*ioB)));
}

void RectMatrix(MatrixRecord* outMatrix, const Rect* inSource, const Rect* inDest)
{
    if (outMatrix == nullptr || inSource == nullptr || inDest == nullptr)
        return;
    const double theSourceWidth = double(inSource->right) - inSource->left;
    const double theSourceHeight = double(inSource->bottom) - inSource->top;
    MatrixD theMap = Identity();
    if (theSourceWidth > 0 && theSourceHeight > 0) {
        theMap.m[0][0] = (double(inDest->right) - inDest->left) / theSourceWidth;
        theMap.m[1][1] = (double(inDest->bottom) - inDest->top) / theSourceHeight;
    }
    theMap.m[2][0] = inDest->left - inSource->left * theMap.m[0][0];
    theMap.m[2][1] = inDest->top - inSource->top * theMap.m[1][1];
    *outMatrix = ToFixed(theMap);
}

OSErr TransformPoints(const MatrixRecord* inMatrix, Point* ioPoints, long inCount)
{
    if (inMatrix == nullptr || inCount < 0 || (ioPoints == nullptr && inCount > 0))
        return paramErr;
    const MatrixD theMatrix = ToDouble(*inMatrix);
    for (long theIndex = 0; theIndex < inCount; ++theIndex) {
        double theX = 0, theY = 0;
        if (!Apply(theMatrix, ioPoints[theIndex].h, ioPoints[theIndex].v, theX, theY))
            return paramErr;
        ioPoints[theIndex].h = std::int16_t(std::clamp(std::nearbyint(theX), -32768.0, 32767.0));
        ioPoints[theIndex].v = std::int16_t(std::clamp(std::nearbyint(theY), -32768.0, 32767.0));
    }
    return noErr;
}

OSErr TransformFixedPoints(const MatrixRecord* inMatrix, FixedPoint* ioPoints, long inCount)
{
    if (inMatrix == nullptr || inCount < 0 || (ioPoints == nullptr && inCount > 0))
        return paramErr;
    const MatrixD theMatrix = ToDouble(*inMatrix);
    for (long theIndex = 0; theIndex < inCount; ++theIndex) {
        double theX = 0, theY = 0;
        if (!Apply(theMatrix, Fx(ioPoints[theIndex].x), Fx(ioPoints[theIndex].y), theX, theY))
            return paramErr;
        ioPoints[theIndex].x = RoundClamp(theX * kFixedOne);
        ioPoints[theIndex].y = RoundClamp(theY * kFixedOne);
    }
    return noErr;
}

Boolean TransformRect(const MatrixRecord* inMatrix, Rect* ioRect, FixedPoint* outPoints)
{
    if (inMatrix == nullptr || ioRect == nullptr)
        return kFalse;
    FixedPoint theCorners[4] = {{IntToFixed(ioRect->left), IntToFixed(ioRect->top)},
                                {IntToFixed(ioRect->right), IntToFixed(ioRect->top)},
                                {IntToFixed(ioRect->right), IntToFixed(ioRect->bottom)},
                                {IntToFixed(ioRect->left), IntToFixed(ioRect->bottom)}};
    if (vximaging::TransformFixedPoints(inMatrix, theCorners, 4) != noErr)
        return kFalse;
    Fixed theLeft = theCorners[0].x, theRight = theCorners[0].x, theTop = theCorners[0].y, theBottom = theCorners[0].y;
    for (const FixedPoint& theCorner : theCorners) {
        theLeft = std::min(theLeft, theCorner.x);
        theRight = std::max(theRight, theCorner.x);
        theTop = std::min(theTop, theCorner.y);
        theBottom = std::max(theBottom, theCorner.y);
    }
    auto theRound = [](Fixed inValue) {
        return std::int16_t(std::clamp(std::nearbyint(Fx(inValue)), -32768.0, 32767.0));
    };
    *ioRect = Rect{theRound(theTop), theRound(theLeft), theRound(theBottom), theRound(theRight)};
    if (outPoints != nullptr)
        std::copy(theCorners, theCorners + 4, outPoints);
    return vximaging::GetMatrixType(inMatrix) <= scaleTranslateMatrixType ? kTrue : kFalse;
}

short GetMatrixType(const MatrixRecord* inMatrix)
{
    if (inMatrix == nullptr)
        return identityMatrixType;
    const auto& m = inMatrix->matrix;
    if (m[0][2] != 0 || m[1][2] != 0 || m[2][2] != fract1)
        return perspectiveMatrixType;
    const bool theTranslates = m[2][0] != 0 || m[2][1] != 0;
    if (m[0][1] != 0 || m[1][0] != 0)
        return theTranslates ? linearTranslateMatrixType : linearMatrixType;
    if (m[0][0] != fixed1 || m[1][1] != fixed1)
        return theTranslates ? scaleTranslateMatrixType : scaleMatrixType;
    return theTranslates ? translateMatrixType : identityMatrixType;
}

}  // namespace vximaging
