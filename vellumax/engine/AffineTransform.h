// A plane affine transform in doubles: x' = a x + c y + e, y' = b x + d y + f
// (the six coefficients of a 3 × 3 matrix whose third column is 0, 0, 1).
#pragma once

struct AffineTransform {
    double a = 1;
    double b = 0;
    double c = 0;
    double d = 1;
    double e = 0;
    double f = 0;

    double Determinant() const { return a * d - b * c; }

    // The transform back; all coefficients 0 for a flat transform, which has none.
    AffineTransform Inverse() const
    {
        const double theDeterminant = Determinant();
        if (theDeterminant == 0)
            return {0, 0, 0, 0, 0, 0};
        return {d / theDeterminant,
                -b / theDeterminant,
                -c / theDeterminant,
                a / theDeterminant,
                (c * f - d * e) / theDeterminant,
                (b * e - a * f) / theDeterminant};
    }

    double X(double inX, double inY) const { return a * inX + c * inY + e; }
    double Y(double inX, double inY) const { return b * inX + d * inY + f; }

    // The coefficients in the order a, b, c, d, e, f, for callers that keep them as an array.
    void CopyTo(double (&outCoefficients)[6]) const
    {
        outCoefficients[0] = a;
        outCoefficients[1] = b;
        outCoefficients[2] = c;
        outCoefficients[3] = d;
        outCoefficients[4] = e;
        outCoefficients[5] = f;
    }
};
