// The transform keywords turned into matrices when an operation runs: their
// conventions, their order, the mapping of source onto destination, the GDI
// and GL forms, and bit-for-bit agreement with applying each keyword to the
// matrix as it is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/Imaging.h"
#include "vellumax/engine/AffineTransform.h"
#include "vellumax/engine/DrawingTransform.h"

namespace {

// The matrix routines are the imaging platform's.
class ImagingSession : public testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_EQ(InitializeQTML(0), noErr);
        ASSERT_EQ(EnterMovies(), noErr);
    }
    void TearDown() override
    {
        ExitMovies();
        TerminateQTML();
    }
};

[[maybe_unused]] testing::Environment* const kImaging = testing::AddGlobalTestEnvironment(new ImagingSession);

std::unique_ptr<Parameters> Parsed(const std::string& inText, std::int32_t inCode = 0)
{
    auto theParams = std::make_unique<Parameters>();
    EXPECT_EQ(theParams->Parse(inText.c_str()), inCode) << inText;
    return theParams;
}

MatrixRecord Identity()
{
    MatrixRecord theMatrix;
    SetIdentityMatrix(&theMatrix);
    return theMatrix;
}

MatrixRecord KeywordMatrix(const std::unique_ptr<Parameters>& inParams)
{
    return DrawingTransform::KeywordMatrix(*inParams);
}

MatrixRecord Mapped(const std::unique_ptr<Parameters>& inParams, const LongRect& inDestination,
                    const LongRect& inSource)
{
    return DrawingTransform(*inParams, inDestination, inSource).Matrix();
}

bool SameMatrix(const MatrixRecord& inA, const MatrixRecord& inB)
{
    return std::memcmp(&inA, &inB, sizeof(MatrixRecord)) == 0;
}

// x' = x·m00 + y·m10 + m20, y' = x·m01 + y·m11 + m21.
std::pair<double, double> Apply(const MatrixRecord& inMatrix, double inX, double inY)
{
    const auto& m = inMatrix.matrix;
    return {inX * FixedToFloat(m[0][0]) + inY * FixedToFloat(m[1][0]) + FixedToFloat(m[2][0]),
            inX * FixedToFloat(m[0][1]) + inY * FixedToFloat(m[1][1]) + FixedToFloat(m[2][1])};
}

void ExpectMaps(const MatrixRecord& inMatrix, double inX, double inY, double inToX, double inToY)
{
    const auto [theX, theY] = Apply(inMatrix, inX, inY);
    EXPECT_NEAR(theX, inToX, 0.01) << "(" << inX << ", " << inY << ")";
    EXPECT_NEAR(theY, inToY, 0.01) << "(" << inX << ", " << inY << ")";
}

TEST(Transforms, NoKeywordIsTheIdentity)
{
    EXPECT_TRUE(SameMatrix(DrawingTransform::KeywordMatrix(Parameters()), Identity()));
}

TEST(Transforms, RotationIsClockwiseOnAYDownCanvas)
{
    auto p = Parsed("rotate=90");
    ExpectMaps(KeywordMatrix(p), 1, 0, 0, 1);
    ExpectMaps(KeywordMatrix(p), 0, 1, -1, 0);
    p = Parsed("rotation=45");  // about (0, 0)
    ExpectMaps(KeywordMatrix(p), 0, 0, 0, 0);
    ExpectMaps(KeywordMatrix(p), 10, 0, 7.0711, 7.0711);
}

TEST(Transforms, RotationAboutACentre)
{
    auto p = Parsed("rotate=90,10,10");
    ExpectMaps(KeywordMatrix(p), 10, 10, 10, 10);
    ExpectMaps(KeywordMatrix(p), 20, 10, 10, 20);
    // An unreadable centre is (0, 0), not an error.
    p = Parsed("rotate=90,x");
    ExpectMaps(KeywordMatrix(p), 1, 0, 0, 1);
    // Whole turns change nothing.
    p = Parsed("rotate=450");
    ExpectMaps(KeywordMatrix(p), 1, 0, 0, 1);
}

TEST(Transforms, ScaleAndSkew)
{
    auto p = Parsed("scale=2");
    ExpectMaps(KeywordMatrix(p), 3, 4, 6, 8);
    p = Parsed("stretch=2,3");
    ExpectMaps(KeywordMatrix(p), 3, 4, 6, 12);
    p = Parsed("scale=2,x,1,1");  // unreadable sy is sx; the centre still counts
    ExpectMaps(KeywordMatrix(p), 3, 4, 5, 7);
    p = Parsed("scale=2,3,10,10");
    ExpectMaps(KeywordMatrix(p), 10, 10, 10, 10);
    ExpectMaps(KeywordMatrix(p), 11, 11, 12, 13);
    p = Parsed("skew=0.5");
    ExpectMaps(KeywordMatrix(p), 0, 2, 1, 2);
    ExpectMaps(KeywordMatrix(p), 2, 0, 2, 1);
    p = Parsed("skew=0.5,0,0,10");
    ExpectMaps(KeywordMatrix(p), 0, 10, 0, 10);
    ExpectMaps(KeywordMatrix(p), 0, 12, 1, 12);
}

TEST(Transforms, ComposeInTheOrderGiven)
{
    auto theRotateFirst = Parsed("rotate=90 translate=10,0");
    ExpectMaps(KeywordMatrix(theRotateFirst), 1, 0, 10, 1);
    auto theTranslateFirst = Parsed("translate=10,0 rotate=90");
    ExpectMaps(KeywordMatrix(theTranslateFirst), 1, 0, 0, 11);
    EXPECT_FALSE(SameMatrix(KeywordMatrix(theRotateFirst), KeywordMatrix(theTranslateFirst)));
    // Transform keywords accumulate.
    auto theTwice = Parsed("translate=10,0 translate=5,5");
    ExpectMaps(KeywordMatrix(theTwice), 0, 0, 15, 5);
    auto theScaled = Parsed("scale=2 translate=3,0");
    ExpectMaps(KeywordMatrix(theScaled), 1, 1, 5, 2);
}

TEST(Transforms, AFailedValueChangesNothing)
{
    auto p = Parsed("translate=5,5 scale=x", 6);
    ExpectMaps(KeywordMatrix(p), 0, 0, 5, 5);
    ExpectMaps(KeywordMatrix(p), 1, 1, 6, 6);
    p = Parsed("translate=1", 6);
    EXPECT_TRUE(SameMatrix(KeywordMatrix(p), Identity()));
}

TEST(Transforms, MapsSourceOntoDestinationAfterTheKeywords)
{
    auto p = Parsed("");
    EXPECT_TRUE(SameMatrix(Mapped(p, {0, 0, 50, 50}, {}), Identity()));
    const MatrixRecord theMapping = Mapped(p, {10, 20, 110, 70}, {0, 0, 50, 25});
    ExpectMaps(theMapping, 0, 0, 10, 20);
    ExpectMaps(theMapping, 50, 25, 110, 70);

    p = Parsed("rotate=90");
    const MatrixRecord theRotated = Mapped(p, {0, 0, 100, 100}, {0, 0, 50, 50});
    // Rotated first (1,0 → 0,1), then scaled by 2.
    ExpectMaps(theRotated, 1, 0, 0, 2);
    // An empty source leaves the matrix alone.
    EXPECT_TRUE(SameMatrix(Mapped(p, {0, 0, 100, 100}, {5, 5, 5, 50}), KeywordMatrix(p)));
}

TEST(Transforms, GDIAndGLForms)
{
    auto p = Parsed("scale=2,3 translate=5,7");
    const XFORM theXform = DrawingTransform(*p, {0, 0, 20, 20}, {0, 0, 10, 10}).GDI();
    const float kXform[6] = {4, 0, 0, 6, 10, 14};
    const float theElements[6] = {theXform.eM11, theXform.eM12, theXform.eM21,
                                  theXform.eM22, theXform.eDx,  theXform.eDy};
    for (int i = 0; i < 6; ++i)
        EXPECT_FLOAT_EQ(theElements[i], kXform[i]) << i;

    p = Parsed("rotate=90 translate=5,7");
    const std::array<float, 16> theGL = DrawingTransform(*p, {}, {}).GL();
    const float kGL[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 7, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(theGL[i], kGL[i], 1e-4) << i;
}

// A rectangle mapped onto itself is taken as the matrix alone; that must be
// what the full mapping gives, for any matrix and for rectangles that 16 bits
// clamp or that are empty.
TEST(Transforms, RectOntoItselfGivesTheFullMappingsResult)
{
    const char* const kMatrices[] = {"",
                                     "rotate=30,7,9",
                                     "scale=2.5,0.75,3,4",
                                     "skew=0.3,-0.2",
                                     "translate=-5,12",
                                     "rotate=123.4 scale=-1.5 translate=3,3 skew=0.01"};
    const LongRect kRects[] = {{0, 0, 800, 600}, {-17, 40, 33, 93},          {5, 5, 5, 50},
                               {10, 10, 3, 40},  {-70000, -5, 70000, 90000}, {40000, 0, 50000, 10}};
    for (const char* theText : kMatrices) {
        auto p = Parsed(theText);
        const MatrixRecord theKeywords = KeywordMatrix(p);
        for (const LongRect& theRect : kRects) {
            const ::Rect theShort{std::int16_t(std::clamp(theRect.top, -32768, 32767)),
                                  std::int16_t(std::clamp(theRect.left, -32768, 32767)),
                                  std::int16_t(std::clamp(theRect.bottom, -32768, 32767)),
                                  std::int16_t(std::clamp(theRect.right, -32768, 32767))};
            MatrixRecord theFull = theKeywords;
            if (theShort.right > theShort.left && theShort.bottom > theShort.top) {
                SetIdentityMatrix(&theFull);
                RectMatrix(&theFull, &theShort, &theShort);
                ConcatMatrix(&theKeywords, &theFull);
            }
            EXPECT_TRUE(SameMatrix(Mapped(p, theRect, theRect), theFull))
                << theText << " " << theRect.left << "," << theRect.top << "," << theRect.right << ","
                << theRect.bottom;
        }
    }
}

// ---- Agreement with applying each keyword as it is read -------------------------------

// Random transform keywords, written out as a script would and applied at
// once to a model matrix the way the keywords were applied while they were
// read; the engine's matrix must be the model's, bit for bit.
class KeywordModel {
public:
    explicit KeywordModel(unsigned inSeed) : mRandom(inSeed) { SetIdentityMatrix(&mMatrix); }

    // Appends one keyword to the text and applies it to the model.
    void AddKeyword()
    {
        switch (Pick(4)) {
        case 0: {
            const double theAngle = Number(-800, 800);
            const bool theCentred = Pick(2) == 0;
            const int theX = Coordinate();
            const int theY = Coordinate();
            Append("rotate=" + Text(theAngle) +
                   (theCentred ? "," + std::to_string(theX) + "," + std::to_string(theY) : std::string()));
            RotateMatrix(&mMatrix, FloatToFixed(std::fmod(double(AsRead(theAngle)), 360.0)),
                         IntToFixed(theCentred ? theX : 0), IntToFixed(theCentred ? theY : 0));
            break;
        }
        case 1:
        case 2: {
            const bool theScale = Pick(2) == 0;
            const double theFirst = Number(-8, 8);
            const double theSecond = Number(-8, 8);
            const int theParts = Pick(3);  // first; first and second; both and a centre
            const int theX = Coordinate();
            const int theY = Coordinate();
            std::string theText = (theScale ? "scale=" : "skew=") + Text(theFirst);
            if (theParts >= 1)
                theText += "," + Text(theSecond);
            if (theParts == 2)
                theText += "," + std::to_string(theX) + "," + std::to_string(theY);
            Append(theText);
            const Fixed theA = FloatToFixed(AsRead(theFirst));
            const Fixed theB = theParts >= 1 ? FloatToFixed(AsRead(theSecond)) : theA;
            const Fixed theCx = IntToFixed(theParts == 2 ? theX : 0);
            const Fixed theCy = IntToFixed(theParts == 2 ? theY : 0);
            if (theScale)
                ScaleMatrix(&mMatrix, theA, theB, theCx, theCy);
            else
                SkewMatrix(&mMatrix, theA, theB, theCx, theCy);
            break;
        }
        default: {
            const int theX = Coordinate();
            const int theY = Coordinate();
            Append("translate=" + std::to_string(theX) + "," + std::to_string(theY));
            TranslateMatrix(&mMatrix, IntToFixed(theX), IntToFixed(theY));
            break;
        }
        }
    }

    LongRect Rectangle()
    {
        const int theLeft = Coordinate();
        const int theTop = Coordinate();
        return {theLeft, theTop, theLeft + Pick(600) - 50, theTop + Pick(600) - 50};
    }

    const std::string& Text() const { return mText; }
    const MatrixRecord& Matrix() const { return mMatrix; }

private:
    int Pick(int inCount) { return std::uniform_int_distribution<int>(0, inCount - 1)(mRandom); }
    int Coordinate() { return Pick(2001) - 1000; }
    // Up to three decimals, so that the text reads back as the number.
    double Number(int inLow, int inHigh) { return (inLow * 1000 + Pick((inHigh - inLow) * 1000 + 1)) / 1000.0; }
    static std::string Text(double inValue)
    {
        char theText[32];
        std::snprintf(theText, sizeof(theText), "%.3f", inValue);
        return theText;
    }
    static float AsRead(double inValue)
    {
        float theValue = 0.0f;
        EXPECT_TRUE(ReadFloat(Text(inValue).c_str(), &theValue));
        return theValue;
    }
    void Append(const std::string& inKeyword) { mText += (mText.empty() ? "" : " ") + inKeyword; }

    std::mt19937 mRandom;
    std::string mText;
    MatrixRecord mMatrix;
};

TEST(Transforms, AgreeBitForBitWithEachKeywordAppliedAsRead)
{
    for (unsigned theSeed = 1; theSeed <= 400; ++theSeed) {
        KeywordModel theModel(theSeed);
        const int theCount = 1 + int(theSeed % 6);
        for (int i = 0; i < theCount; ++i)
            theModel.AddKeyword();
        auto p = Parsed(theModel.Text());
        ASSERT_TRUE(SameMatrix(KeywordMatrix(p), theModel.Matrix())) << theModel.Text();

        // Then the mapping of a source onto a destination, after the keywords.
        const LongRect theDestination = theModel.Rectangle();
        const LongRect theSource = theModel.Rectangle();
        MatrixRecord theExpected = theModel.Matrix();
        if (theSource.right > theSource.left && theSource.bottom > theSource.top) {
            const ::Rect theFrom{std::int16_t(theSource.top), std::int16_t(theSource.left),
                                 std::int16_t(theSource.bottom), std::int16_t(theSource.right)};
            const ::Rect theTo{std::int16_t(theDestination.top), std::int16_t(theDestination.left),
                               std::int16_t(theDestination.bottom), std::int16_t(theDestination.right)};
            SetIdentityMatrix(&theExpected);
            RectMatrix(&theExpected, &theFrom, &theTo);
            ConcatMatrix(&theModel.Matrix(), &theExpected);
        }
        ASSERT_TRUE(SameMatrix(Mapped(p, theDestination, theSource), theExpected))
            << theModel.Text() << " onto " << theDestination.left << "," << theDestination.top << " from "
            << theSource.left << "," << theSource.top;
    }
}

// The inverse takes every point back where it came from, for transforms the
// keywords can make (turns, scales, skews and moves); a flat transform has no
// inverse and reads every point at the origin.
TEST(AffineTransform, TheInverseUndoesTheTransform)
{
    std::mt19937 theRandom(2026);
    std::uniform_real_distribution<double> theCoefficient(-4, 4);
    std::uniform_real_distribution<double> theCoordinate(-1000, 1000);
    for (int theCase = 0; theCase < 200; ++theCase) {
        const AffineTransform theForward{theCoefficient(theRandom), theCoefficient(theRandom),
                                         theCoefficient(theRandom), theCoefficient(theRandom),
                                         theCoordinate(theRandom),  theCoordinate(theRandom)};
        if (std::abs(theForward.Determinant()) < 1e-3)
            continue;
        const AffineTransform theBack = theForward.Inverse();
        const double x = theCoordinate(theRandom), y = theCoordinate(theRandom);
        const double theX = theForward.X(x, y), theY = theForward.Y(x, y);
        EXPECT_NEAR(theBack.X(theX, theY), x, 1e-6) << theCase;
        EXPECT_NEAR(theBack.Y(theX, theY), y, 1e-6) << theCase;
    }
    const AffineTransform theFlat{1, 2, 2, 4, 5, 6};
    const AffineTransform theNone = theFlat.Inverse();
    EXPECT_EQ(theNone.X(7, 8), 0.0);
    EXPECT_EQ(theNone.Y(7, 8), 0.0);
    double theArray[6];
    AffineTransform{1, 2, 3, 4, 5, 6}.CopyTo(theArray);
    EXPECT_EQ(std::vector<double>(std::begin(theArray), std::end(theArray)), (std::vector<double>{1, 2, 3, 4, 5, 6}));
}

}  // namespace
