// 3×3 transformation matrices in the classic layout. Points are row vectors: [x y 1] × M, so
// x' = x·m00 + y·m10 + m20 and y' = x·m01 + y·m11 + m21 (divided by x·m02 + y·m12 + m22 when that
// column is not [0 0 1]). Columns 0 and 1 are 16.16 Fixed, column 2 is 2.30 Fract.
//
// Every operation applies its transformation AFTER what the matrix already holds (M := M × T): so
// RotateMatrix then TranslateMatrix first rotates, then translates.
//
// Coordinates are those of a y-down canvas. A positive rotation turns the x axis towards the y
// axis, i.e. clockwise on screen: (1, 0) rotated by 90 degrees becomes (0, 1).
// Skew: x' = x + kx·(y − aboutY), y' = y + ky·(x − aboutX).
#pragma once

#include "imaging/MacTypes.h"

constexpr short identityMatrixType = 0x00;
constexpr short translateMatrixType = 0x01;
constexpr short scaleMatrixType = 0x02;
constexpr short scaleTranslateMatrixType = 0x03;
constexpr short linearMatrixType = 0x04;  // rotation or skew, no translation
constexpr short linearTranslateMatrixType = 0x05;
constexpr short perspectiveMatrixType = 0x06;

void SetIdentityMatrix(MatrixRecord* outMatrix);
void RotateMatrix(MatrixRecord* ioMatrix, Fixed inDegrees, Fixed inAboutX, Fixed inAboutY);
void ScaleMatrix(MatrixRecord* ioMatrix, Fixed inScaleX, Fixed inScaleY, Fixed inAboutX, Fixed inAboutY);
void SkewMatrix(MatrixRecord* ioMatrix, Fixed inSkewX, Fixed inSkewY, Fixed inAboutX, Fixed inAboutY);
void TranslateMatrix(MatrixRecord* ioMatrix, Fixed inDeltaH, Fixed inDeltaV);
// ioB becomes "inA, then the old ioB": points are transformed by inA first. inA may equal ioB.
void ConcatMatrix(const MatrixRecord* inA, MatrixRecord* ioB);
// Replaces the matrix with the mapping of inSource onto inDest (scale, then offset). An empty
// source gives the translation of its top-left corner onto the destination's.
void RectMatrix(MatrixRecord* outMatrix, const Rect* inSource, const Rect* inDest);
// Results are rounded to the nearest integer (Point) or 1/65536 (FixedPoint). -50 for null
// arguments or a negative count.
OSErr TransformPoints(const MatrixRecord* inMatrix, Point* ioPoints, long inCount);
OSErr TransformFixedPoints(const MatrixRecord* inMatrix, FixedPoint* ioPoints, long inCount);
// ioRect becomes the bounding rectangle of the transformed rectangle (rounded to nearest).
// outPoints (may be null) receives the four transformed corners: top-left, top-right,
// bottom-right, bottom-left. Returns true when the result is exact: no rotation, skew or
// perspective.
Boolean TransformRect(const MatrixRecord* inMatrix, Rect* ioRect, FixedPoint* outPoints);
short GetMatrixType(const MatrixRecord* inMatrix);
