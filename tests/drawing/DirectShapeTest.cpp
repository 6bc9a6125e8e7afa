// Rectangles with whole-pixel edges are painted without Cairo's rasteriser;
// these compare that path with Cairo's, pixel for pixel. A second rectangle
// far off the store keeps a path off the direct route without changing what
// lands on the store, so the same shape drawn with it is the reference.
#include "PixelCanvas.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

enum class Store { kOpaque32, kPartlyClear32, kTrueColour24, kPalette8 };
enum class Paint { kDirect, kStrokeAndFill, kStroke, kFill };
enum class Fill { kSolid, kPattern, kNone };

struct Case {
    RECT mRect;
    int mPen;  // 0: no pen
    Fill mFill;
    Paint mPaint;
    int mMode;
    XFORM mTransform;
};

std::string Describe(const Case& inCase, Store inStore)
{
    return "rect " + std::to_string(inCase.mRect.left) + "," + std::to_string(inCase.mRect.top) + "," +
           std::to_string(inCase.mRect.right) + "," + std::to_string(inCase.mRect.bottom) + " pen " +
           std::to_string(inCase.mPen) + " fill " + std::to_string(static_cast<int>(inCase.mFill)) + " paint " +
           std::to_string(static_cast<int>(inCase.mPaint)) + " mode " + std::to_string(inCase.mMode) + " transform " +
           std::to_string(inCase.mTransform.eM11) + "," + std::to_string(inCase.mTransform.eDx) + "," +
           std::to_string(inCase.mTransform.eDy) + " store " + std::to_string(static_cast<int>(inStore));
}

std::vector<RGBQUAD> Palette()
{
    std::vector<RGBQUAD> thePalette;
    for (int theIndex = 0; theIndex < 256; ++theIndex) {
        const auto theLevel = [&](int inShift) { return static_cast<BYTE>(((theIndex >> inShift) & 7) * 36); };
        thePalette.push_back(RGBQUAD{theLevel(0), theLevel(3), static_cast<BYTE>((theIndex >> 6) * 85), 0});
    }
    return thePalette;
}

class Picture {
public:
    explicit Picture(Store inStore)
        : mCanvas(47, 39,
                  inStore == Store::kPalette8       ? 8
                  : inStore == Store::kTrueColour24 ? 24
                                                    : 32,
                  inStore == Store::kPalette8 ? Palette() : std::vector<RGBQUAD>{})
    {
        if (inStore == Store::kPartlyClear32) {
            // The upper rows clear, so shapes there go through a layer.
            for (int theIndex = 3; theIndex < mCanvas.RowBytes() * 15; theIndex += 4) {
                mCanvas.Bytes()[static_cast<std::size_t>(theIndex)] = 0;
            }
        }
    }

    const std::vector<std::uint8_t>& Draw(const Case& inCase, HBRUSH inPattern, bool inReference)
    {
        HDC theDC = mCanvas.DC();
        SetGraphicsMode(theDC, inCase.mMode);
        if (inCase.mMode == GM_ADVANCED) {
            SetWorldTransform(theDC, &inCase.mTransform);
        }
        HPEN thePen = inCase.mPen > 0 ? CreatePen(PS_SOLID, inCase.mPen, RGB(20, 40, 200)) : 0;
        HBRUSH theSolid = inCase.mFill == Fill::kSolid ? CreateSolidBrush(RGB(230, 120, 10)) : 0;
        SelectObject(theDC, thePen != 0 ? thePen : GetStockObject(NULL_PEN));
        SelectObject(theDC, inCase.mFill == Fill::kSolid     ? theSolid
                            : inCase.mFill == Fill::kPattern ? inPattern
                                                             : GetStockObject(NULL_BRUSH));
        const RECT& theRect = inCase.mRect;
        if (inCase.mPaint == Paint::kDirect && !inReference) {
            Rectangle(theDC, theRect.left, theRect.top, theRect.right, theRect.bottom);
        } else {
            BeginPath(theDC);
            if (inReference) {
                Rectangle(theDC, -4000, -4000, -3990, -3990);
            }
            Rectangle(theDC, theRect.left, theRect.top, theRect.right, theRect.bottom);
            EndPath(theDC);
            switch (inCase.mPaint) {
            case Paint::kStroke:
                StrokePath(theDC);
                break;
            case Paint::kFill:
                FillPath(theDC);
                break;
            default:
                StrokeAndFillPath(theDC);
                break;
            }
        }
        SelectObject(theDC, GetStockObject(BLACK_PEN));
        SelectObject(theDC, GetStockObject(WHITE_BRUSH));
        if (thePen != 0) {
            DeleteObject(thePen);
        }
        if (theSolid != 0) {
            DeleteObject(theSolid);
        }
        if (inCase.mMode == GM_ADVANCED) {
            ModifyWorldTransform(theDC, nullptr, MWT_IDENTITY);
        }
        return mCanvas.Bytes();
    }
    int RowBytes() const { return mCanvas.RowBytes(); }

private:
    PixelCanvas mCanvas;
};

class DirectRectangles : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Four colours in a 3 x 2 tile, so that tiling from the wrong origin shows.
        std::vector<std::uint8_t> thePixels(3 * 2 * 4, 255);
        const std::uint8_t theColours[6][3] = {{0, 0, 255},   {0, 255, 0}, {255, 0, 0},
                                               {0, 255, 255}, {0, 0, 0},   {0, 0, 255}};
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

    void ExpectSame(const Case& inCase)
    {
        for (const Store theStore : {Store::kOpaque32, Store::kPartlyClear32, Store::kTrueColour24, Store::kPalette8}) {
            Picture theDirect(theStore);
            Picture theReference(theStore);
            const auto& theExpected = theReference.Draw(inCase, mPattern, true);
            const auto& theActual = theDirect.Draw(inCase, mPattern, false);
            ASSERT_EQ(theActual.size(), theExpected.size());
            std::string theDifferences;
            for (std::size_t theIndex = 0; theIndex < theActual.size() && theDifferences.size() < 200; ++theIndex) {
                if (theActual[theIndex] != theExpected[theIndex]) {
                    theDifferences += " byte " + std::to_string(theIndex) + " row " +
                                      std::to_string(theIndex / static_cast<std::size_t>(theDirect.RowBytes())) + ":" +
                                      std::to_string(theActual[theIndex]) + "/" + std::to_string(theExpected[theIndex]);
                }
            }
            ASSERT_TRUE(theDifferences.empty()) << Describe(inCase, theStore) << theDifferences;
        }
    }

    HBRUSH mPattern = 0;
};

constexpr XFORM kIdentity{1, 0, 0, 1, 0, 0};

TEST_F(DirectRectangles, EdgeCasesMatchCairo)
{
    const Case theCases[] = {
        {{5, 5, 30, 20}, 3, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},
        {{5, 5, 30, 20}, 4, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},
        {{5, 5, 30, 20}, 1, Fill::kPattern, Paint::kDirect, GM_COMPATIBLE, kIdentity},
        {{30, 20, 5, 5}, 2, Fill::kSolid, Paint::kDirect, GM_COMPATIBLE, kIdentity},     // corners swapped
        {{5, 5, 6, 6}, 1, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},  // one pixel
        {{5, 5, 7, 7}, 3, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},  // thinner than the pen
        {{5, 5, 8, 8}, 3, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},  // inside just empty
        {{5, 5, 9, 9}, 3, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},  // inside one pixel
        {{5, 5, 9, 20}, 3, Fill::kPattern, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},
        {{5, 5, 20, 9}, 3, Fill::kPattern, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},
        {{5, 5, 10, 10}, 4, Fill::kNone, Paint::kStroke, GM_ADVANCED, kIdentity},
        {{5, 5, 5, 20}, 3, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},        // no width
        {{5, 5, 6, 20}, 2, Fill::kSolid, Paint::kDirect, GM_COMPATIBLE, kIdentity},             // no width once shrunk
        {{-10, -8, 60, 50}, 5, Fill::kPattern, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},  // past every edge
        {{-10, -10, -2, -2}, 6, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},   // pen reaches in
        {{45, 37, 52, 44}, 3, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, kIdentity},
        {{5, 5, 30, 20}, 3, Fill::kPattern, Paint::kFill, GM_ADVANCED, XFORM{1, 0, 0, 1, 4, -3}},
        {{5, 5, 30, 20}, 3, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, XFORM{1, 0, 0, 1, 0.5, 0}},
        {{5, 5, 30, 20}, 3, Fill::kNone, Paint::kStroke, GM_ADVANCED, XFORM{1, 0, 0, 1, 0.5, 0.5}},
        {{5, 5, 30, 20}, 2, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, XFORM{2, 0, 0, 1, 0, 0}},
        {{5, 5, 30, 20}, 2, Fill::kSolid, Paint::kStrokeAndFill, GM_ADVANCED, XFORM{0, 1, -1, 0, 40, 0}},
    };
    for (const Case& theCase : theCases) {
        ExpectSame(theCase);
    }
}

TEST_F(DirectRectangles, RandomRectanglesMatchCairo)
{
    std::mt19937 theRandom(20261208);
    const auto theIn = [&](int inLow, int inHigh) {
        return std::uniform_int_distribution<int>(inLow, inHigh)(theRandom);
    };
    const XFORM theTransforms[] = {kIdentity, XFORM{1, 0, 0, 1, 3, -2}, XFORM{1, 0, 0, 1, -7, 5},
                                   XFORM{1, 0, 0, 1, 0.5, 0.5}};
    for (int theIndex = 0; theIndex < 400; ++theIndex) {
        Case theCase{};
        theCase.mRect.left = theIn(-12, 50);
        theCase.mRect.top = theIn(-12, 42);
        // Mostly small shapes, where pen and size meet.
        const int theSpan = theIn(0, 3) == 0 ? 45 : 8;
        theCase.mRect.right = theCase.mRect.left + theIn(-2, theSpan);
        theCase.mRect.bottom = theCase.mRect.top + theIn(-2, theSpan);
        theCase.mPen = theIn(0, 7);
        theCase.mFill = static_cast<Fill>(theIn(0, 2));
        theCase.mPaint = static_cast<Paint>(theIn(0, 3));
        theCase.mMode = theIn(0, 1) == 0 ? GM_COMPATIBLE : GM_ADVANCED;
        theCase.mTransform = theTransforms[theIn(0, 3)];
        ExpectSame(theCase);
    }
}

}  // namespace
