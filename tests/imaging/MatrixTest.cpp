// Matrix operations: direction of rotation, operations about a point, order of application.
#include "ImagingTestSupport.h"

namespace {

using MatrixTest = ImagingTest;

FixedPoint Fp(double inX, double inY)
{
    return FixedPoint{FloatToFixed(inX), FloatToFixed(inY)};
}

void ExpectMaps(const MatrixRecord& inMatrix, double inX, double inY, double inExpectedX, double inExpectedY)
{
    FixedPoint thePoint = Fp(inX, inY);
    ASSERT_EQ(TransformFixedPoints(&inMatrix, &thePoint, 1), noErr);
    EXPECT_NEAR(FixedToFloat(thePoint.x), inExpectedX, 1.0 / 32768) << "x of (" << inX << ", " << inY << ")";
    EXPECT_NEAR(FixedToFloat(thePoint.y), inExpectedY, 1.0 / 32768) << "y of (" << inX << ", " << inY << ")";
}

TEST_F(MatrixTest, IdentityLayoutHasFractInTheThirdColumn)
{
    MatrixRecord theMatrix;
    SetIdentityMatrix(&theMatrix);
    EXPECT_EQ(theMatrix.matrix[0][0], fixed1);
    EXPECT_EQ(theMatrix.matrix[1][1], fixed1);
    EXPECT_EQ(theMatrix.matrix[2][2], fract1);
    EXPECT_EQ(GetMatrixType(&theMatrix), identityMatrixType);
}

TEST_F(MatrixTest, QuarterTurnAboutTheCentreMapsCornersExactlyClockwise)
{
    MatrixRecord theMatrix;
    SetIdentityMatrix(&theMatrix);
    RotateMatrix(&theMatrix, IntToFixed(90), IntToFixed(50), IntToFixed(50));
    // x axis towards y axis: the top-left corner goes to the top-right.
    Point theCorners[4] = {{0, 0}, {0, 100}, {100, 100}, {100, 0}};  // v, h
    ASSERT_EQ(TransformPoints(&theMatrix, theCorners, 4), noErr);
    EXPECT_EQ(theCorners[0].h, 100);
    EXPECT_EQ(theCorners[0].v, 0);
    EXPECT_EQ(theCorners[1].h, 100);
    EXPECT_EQ(theCorners[1].v, 100);
    EXPECT_EQ(theCorners[2].h, 0);
    EXPECT_EQ(theCorners[2].v, 100);
    EXPECT_EQ(theCorners[3].h, 0);
    EXPECT_EQ(theCorners[3].v, 0);
    EXPECT_EQ(theMatrix.matrix[0][0], 0);
    EXPECT_EQ(theMatrix.matrix[0][1], fixed1);
    Rect theRect = MakeRect(0, 0, 100, 100);
    EXPECT_FALSE(TransformRect(&theMatrix, &theRect, nullptr));
    EXPECT_TRUE(theRect == MakeRect(0, 0, 100, 100));
}

TEST_F(MatrixTest, ScaleAndSkewAboutAPoint)
{
    struct Case {
        const char* mName;
        void (*mApply)(MatrixRecord*);
        double mX, mY, mExpectedX, mExpectedY;
    };
    const Case kCases[] = {
        {"scale keeps the centre",
         [](MatrixRecord* m) { ScaleMatrix(m, IntToFixed(2), IntToFixed(3), IntToFixed(10), IntToFixed(20)); }, 10, 20,
         10, 20},
        {"scale away from the centre",
         [](MatrixRecord* m) { ScaleMatrix(m, IntToFixed(2), IntToFixed(3), IntToFixed(10), IntToFixed(20)); }, 11, 21,
         12, 23},
        {"skew x by y distance", [](MatrixRecord* m) { SkewMatrix(m, FloatToFixed(0.5), 0, 0, IntToFixed(10)); }, 4, 14,
         6, 14},
        {"skew x keeps the centre row", [](MatrixRecord* m) { SkewMatrix(m, FloatToFixed(0.5), 0, 0, IntToFixed(10)); },
         7, 10, 7, 10},
        {"skew y by x distance", [](MatrixRecord* m) { SkewMatrix(m, 0, fixed1, IntToFixed(2), 0); }, 5, 1, 5, 4},
        {"rotation about the origin", [](MatrixRecord* m) { RotateMatrix(m, IntToFixed(90), 0, 0); }, 1, 0, 0, 1},
        {"half turn", [](MatrixRecord* m) { RotateMatrix(m, IntToFixed(180), IntToFixed(5), IntToFixed(5)); }, 0, 0, 10,
         10},
        {"rotate then translate",
         [](MatrixRecord* m) {
             RotateMatrix(m, IntToFixed(90), 0, 0);
             TranslateMatrix(m, IntToFixed(10), 0);
         },
         1, 0, 10, 1},
        {"translate then rotate",
         [](MatrixRecord* m) {
             TranslateMatrix(m, IntToFixed(10), 0);
             RotateMatrix(m, IntToFixed(90), 0, 0);
         },
         1, 0, 0, 11},
    };
    for (const Case& theCase : kCases) {
        SCOPED_TRACE(theCase.mName);
        MatrixRecord theMatrix;
        SetIdentityMatrix(&theMatrix);
        theCase.mApply(&theMatrix);
        ExpectMaps(theMatrix, theCase.mX, theCase.mY, theCase.mExpectedX, theCase.mExpectedY);
    }
}

TEST_F(MatrixTest, ConcatAppliesTheFirstArgumentFirst)
{
    MatrixRecord theA, theB;
    SetIdentityMatrix(&theA);
    TranslateMatrix(&theA, IntToFixed(10), 0);
    SetIdentityMatrix(&theB);
    ScaleMatrix(&theB, IntToFixed(2), IntToFixed(2), 0, 0);
    ConcatMatrix(&theA, &theB);
    ExpectMaps(theB, 1, 1, 22, 2);
    EXPECT_EQ(GetMatrixType(&theB), scaleTranslateMatrixType);
}

TEST_F(MatrixTest, RectMatrixMapsSourceOntoDestination)
{
    const Rect theSource = MakeRect(10, 20, 30, 60);
    const Rect theDest = MakeRect(100, 0, 140, 20);
    MatrixRecord theMatrix;
    SetIdentityMatrix(&theMatrix);
    RotateMatrix(&theMatrix, IntToFixed(45), 0, 0);  // replaced, not appended
    RectMatrix(&theMatrix, &theSource, &theDest);
    Rect theRect = theSource;
    FixedPoint theCorners[4];
    EXPECT_TRUE(TransformRect(&theMatrix, &theRect, theCorners));
    EXPECT_TRUE(theRect == theDest);
    EXPECT_EQ(theCorners[2].x, IntToFixed(140));
    EXPECT_EQ(theCorners[2].y, IntToFixed(20));
}

TEST_F(MatrixTest, MatrixTypes)
{
    struct Case {
        void (*mApply)(MatrixRecord*);
        short mType;
    };
    const Case kCases[] = {
        {[](MatrixRecord*) {}, identityMatrixType},
        {[](MatrixRecord* m) { TranslateMatrix(m, fixed1, 0); }, translateMatrixType},
        {[](MatrixRecord* m) { ScaleMatrix(m, IntToFixed(2), fixed1, 0, 0); }, scaleMatrixType},
        {[](MatrixRecord* m) { ScaleMatrix(m, IntToFixed(2), fixed1, fixed1, 0); }, scaleTranslateMatrixType},
        {[](MatrixRecord* m) { SkewMatrix(m, fixed1, 0, 0, 0); }, linearMatrixType},
        {[](MatrixRecord* m) { RotateMatrix(m, IntToFixed(30), fixed1, 0); }, linearTranslateMatrixType},
        {[](MatrixRecord* m) { m->matrix[0][2] = 1; }, perspectiveMatrixType},
    };
    for (const Case& theCase : kCases) {
        MatrixRecord theMatrix;
        SetIdentityMatrix(&theMatrix);
        theCase.mApply(&theMatrix);
        EXPECT_EQ(GetMatrixType(&theMatrix), theCase.mType);
    }
}

TEST_F(MatrixTest, BadArgumentsAreRefused)
{
    MatrixRecord theMatrix;
    SetIdentityMatrix(&theMatrix);
    Point thePoint{1, 1};
    EXPECT_EQ(TransformPoints(nullptr, &thePoint, 1), paramErr);
    EXPECT_EQ(TransformPoints(&theMatrix, &thePoint, -1), paramErr);
    EXPECT_EQ(TransformPoints(&theMatrix, nullptr, 0), noErr);
}

}  // namespace
