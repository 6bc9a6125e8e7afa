// How an operation gets its transform. The parameter record keeps the
// transform keywords as they were written; this turns them into the matrix
// when the operation runs:
//
//   const DrawingTransform theTransform(*mParameters, theDestination, theSource);
//   theTransform.Matrix();   // the imaging platform's MatrixRecord (16.16, third column 2.30)
//   theTransform.GDI();      // the drawing layer's XFORM
//   theTransform.GL();       // a column-major 4×4 matrix for glLoadMatrixf / glMultMatrixf
//
// The matrix is the keywords applied in order to the identity (each after the
// ones before it, through the imaging platform's RotateMatrix, ScaleMatrix,
// SkewMatrix and TranslateMatrix in 16.16 fixed point), followed by the
// mapping of source onto destination when source is not empty. Both
// rectangles are taken as 16-bit rectangles. The imaging platform must be
// started (every canvas starts it).
#pragma once

#include <array>

#include "drawing/Gdi.h"
#include "imaging/ImageMatrix.h"
#include "vellumax/params/Parameters.h"

class DrawingTransform {
public:
    DrawingTransform(const Parameters& inParams, const LongRect& inDestination, const LongRect& inSource);

    // The transform keywords alone, without a mapping.
    static MatrixRecord KeywordMatrix(const Parameters& inParams);

    const MatrixRecord& Matrix() const { return mMatrix; }
    // eM11, eM12, eM21, eM22, eDx, eDy from m00, m01, m10, m11, m20, m21.
    XFORM GDI() const;
    // The identity with elements 0, 1, 4, 5, 12 and 13 from m00, m01, m10, m11, m20, m21.
    std::array<float, 16> GL() const;

private:
    MatrixRecord mMatrix;
};
