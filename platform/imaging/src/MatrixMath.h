// Matrices in double precision for the library's own arithmetic.
#pragma once

#include "imaging/MacTypes.h"

namespace vximaging {

struct MatrixD {
    double m[3][3];
};

MatrixD ToDouble(const MatrixRecord& inMatrix);
MatrixRecord ToFixed(const MatrixD& inMatrix);
MatrixD Multiply(const MatrixD& inA, const MatrixD& inB);
// False when the matrix cannot be inverted.
bool Invert(const MatrixD& inMatrix, MatrixD& outInverse);
// x, y through the matrix; false when the point maps to infinity.
bool Apply(const MatrixD& inMatrix, double inX, double inY, double& outX, double& outY);

}  // namespace vximaging
