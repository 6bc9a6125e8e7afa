// Shapes are drawn by Cairo straight into a 32-bit store even where it is not
// opaque, since every pixel a shape paints is opaque. These compare that with
// the layer route on a store of clear, partial and opaque pixels, byte for byte.
#include "PixelCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

constexpr std::uint8_t kBackground[3] = {51, 34, 17};  // blue, green, red: no pen or brush colour

enum class Shape { kEllipse, kRoundRect, kPolygon, kRectangle };

struct Case {
    Shape mShape;
    int mCoordinates[6];
    int mPen;   // 0: no pen
    int mFill;  // 0 solid, 1 pattern, 2 none
    bool mAsPath;
    XFORM mTransform;
};

void Paint(HDC inDC, const Case& inCase, HBRUSH inPattern)
{
    SetGraphicsMode(inDC, GM_ADVANCED);
    SetWorldTransform(inDC, &inCase.mTransform);
    HPEN thePen = inCase.mPen > 0 ? CreatePen(PS_SOLID, inCase.mPen, RGB(20, 40, 200)) : 0;
    HBRUSH theSolid = CreateSolidBrush(RGB(230, 120, 10));
    SelectObject(inDC, thePen != 0 ? thePen : GetStockObject(NULL_PEN));
    SelectObject(inDC, inCase.mFill == 0 ? theSolid : inCase.mFill == 1 ? inPattern : GetStockObject(NULL_BRUSH));
    if (inCase.mAsPath) {
        BeginPath(inDC);
    }
    const int* theC = inCase.mCoordinates;
    switch (inCase.mShape) {
    case Shape::kEllipse:
        Ellipse(inDC, theC[0], theC[1], theC[2], theC[3]);
        break;
    case Shape::kRoundRect:
        RoundRect(inDC, theC[0], theC[1], theC[2], theC[3], theC[4], theC[5]);
        break;
    case Shape::kPolygon: {
        const POINT thePoints[3] = {{theC[0], theC[1]}, {theC[2], theC[3]}, {theC[4], theC[5]}};
        Polygon(inDC, thePoints, 3);
        break;
    }
    case Shape::kRectangle:
        Rectangle(inDC, theC[0], theC[1], theC[2], theC[3]);
        break;
    }
    if (inCase.mAsPath) {
        EndPath(inDC);
        StrokeAndFillPath(inDC);
    }
    SelectObject(inDC, GetStockObject(BLACK_PEN));
    SelectObject(inDC, GetStockObject(WHITE_BRUSH));
    if (thePen != 0) {
        DeleteObject(thePen);
    }
    DeleteObject(theSolid);
    ModifyWorldTransform(inDC, nullptr, MWT_IDENTITY);
}

class LayerShapes : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<std::uint8_t> thePixels(3 * 2 * 4, 255);
        const std::uint8_t theColours[6][3] = {{0, 0, 255},   {0, 255, 0}, {255, 0, 0},
                                               {0, 255, 255}, {0, 0, 0},   {255, 0, 255}};
        for (int theIndex = 0; theIndex < 6; ++theIndex) {
            for (int theChannel = 0; theChannel < 3; ++theChannel) {
                thePixels[static_cast<std::size_t>(theIndex * 4 + theChannel)] = theColours[theIndex][theChannel];
            }
        }
        HBITMAP theTile = CreateDIBSectionOnPixels(3, 2, 32, 12, thePixels.data(), nullptr, 0);
        ASSERT_NE(theTile, 0u);
        mPattern = CreatePatternBrush(theTile);
        DeleteObject(theTile);
        ASSERT_NE(mPattern, 0u);
    }
    void TearDown() override { DeleteObject(mPattern); }

    void ExpectSame(const Case& inCase, const std::string& inWhat)
    {
        constexpr int kWidth = 53, kHeight = 41;
        PixelCanvas theMixed(kWidth, kHeight, 32);
        // The same store with rows two bytes longer, which keeps Cairo off it:
        // painted on a layer and composited.
        const int theRowBytes = kWidth * 4 + 2;
        std::vector<std::uint8_t> theLayered(static_cast<std::size_t>(theRowBytes) * kHeight);
        for (int theY = 0; theY < kHeight; ++theY) {
            for (int theX = 0; theX < kWidth; ++theX) {
                std::uint8_t* thePixel =
                    &theMixed.Bytes()[static_cast<std::size_t>(theY * theMixed.RowBytes() + theX * 4)];
                std::copy(kBackground, kBackground + 3, thePixel);
                // Clear, partial and opaque alpha all over the store.
                thePixel[3] = static_cast<std::uint8_t>((theX * 37 + theY * 11) % 256);
                std::copy(thePixel, thePixel + 4, &theLayered[static_cast<std::size_t>(theY * theRowBytes + theX * 4)]);
            }
        }
        HBITMAP theBitmap = CreateDIBSectionOnPixels(kWidth, kHeight, 32, theRowBytes, theLayered.data(), nullptr, 0);
        ASSERT_NE(theBitmap, 0u);
        HDC theDC = CreateDCOnBitmap(theBitmap);
        ASSERT_NE(theDC, 0u);
        Paint(theMixed.DC(), inCase, mPattern);
        Paint(theDC, inCase, mPattern);
        DeleteDC(theDC);
        DeleteObject(theBitmap);
        std::string theDifferences;
        for (int theY = 0; theY < kHeight && theDifferences.size() < 200; ++theY) {
            for (int theX = 0; theX < kWidth * 4; ++theX) {
                const std::uint8_t theExpected = theLayered[static_cast<std::size_t>(theY * theRowBytes + theX)];
                const std::uint8_t theActual =
                    theMixed.Bytes()[static_cast<std::size_t>(theY * theMixed.RowBytes() + theX)];
                if (theActual != theExpected) {
                    theDifferences +=
                        " " + std::to_string(theX / 4) + "," + std::to_string(theY) + "/" + std::to_string(theX % 4);
                }
                mPainted += theX % 4 == 3 && theExpected == 255 && (theX / 4 * 37 + theY * 11) % 256 != 255 ? 1 : 0;
            }
        }
        EXPECT_TRUE(theDifferences.empty()) << inWhat << theDifferences;
    }

    HBRUSH mPattern = 0;
    long mPainted = 0;
};

TEST_F(LayerShapes, RandomShapesMatchTheLayerRoute)
{
    std::mt19937 theRandom(20261208);
    const auto theIn = [&](int inLow, int inHigh) {
        return std::uniform_int_distribution<int>(inLow, inHigh)(theRandom);
    };
    const XFORM theTransforms[] = {XFORM{1, 0, 0, 1, 0, 0}, XFORM{1, 0, 0, 1, 0.5, -0.25},
                                   XFORM{1.5, 0, 0, 0.75, -3, 2}, XFORM{0.8, 0.6, -0.6, 0.8, 20, -5}};
    for (int theIndex = 0; theIndex < 300; ++theIndex) {
        Case theCase{};
        theCase.mShape = static_cast<Shape>(theIn(0, 3));
        for (int& theCoordinate : theCase.mCoordinates) {
            theCoordinate = theIn(-8, 58);
        }
        theCase.mCoordinates[4] = theCase.mShape == Shape::kRoundRect ? theIn(0, 20) : theCase.mCoordinates[4];
        theCase.mCoordinates[5] = theCase.mShape == Shape::kRoundRect ? theIn(0, 20) : theCase.mCoordinates[5];
        theCase.mPen = theIn(0, 6);
        theCase.mFill = theIn(0, 2);
        theCase.mAsPath = theIn(0, 1) == 1;
        theCase.mTransform = theTransforms[theIn(0, 3)];
        ExpectSame(theCase, "case " + std::to_string(theIndex));
    }
    EXPECT_GT(mPainted, 20000);  // the shapes really covered pixels that were not opaque
}

}  // namespace
