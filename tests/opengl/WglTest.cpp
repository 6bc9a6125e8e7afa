#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <thread>
#include <vector>

#include "automation/Errors.h"
#include "opengl/Wgl.h"

#include <GL/osmesa.h>

namespace {

// A 32-bit store, bytes B, G, R, A, row 0 at the top, rows kRowPad pixels wider than the image.
struct Store {
    static constexpr int kRowPad = 3;
    int mWidth;
    int mHeight;
    std::vector<std::uint8_t> mBytes;

    Store(int inWidth, int inHeight)
        : mWidth(inWidth), mHeight(inHeight), mBytes(static_cast<std::size_t>(RowBytes()) * inHeight, 0xAB)
    {
        // Every pixel different, alpha included, so a reload that loses or shifts anything shows.
        for (int y = 0; y < mHeight; ++y)
            for (int x = 0; x < mWidth; ++x)
                SetPixel(x, y, Original(x, y));
    }
    int RowBytes() const { return (mWidth + kRowPad) * 4; }
    std::uint8_t* Base() { return mBytes.data(); }
    static std::array<std::uint8_t, 4> Original(int x, int y)
    {
        return {static_cast<std::uint8_t>(x * 7 + 1), static_cast<std::uint8_t>(y * 5 + 2),
                static_cast<std::uint8_t>(x + y * 3), static_cast<std::uint8_t>(200 - x - y)};
    }
    std::array<std::uint8_t, 4> Pixel(int x, int y) const
    {
        const std::uint8_t* thePixel = mBytes.data() + y * RowBytes() + x * 4;
        return {thePixel[0], thePixel[1], thePixel[2], thePixel[3]};
    }
    void SetPixel(int x, int y, std::array<std::uint8_t, 4> inValue)
    {
        std::uint8_t* thePixel = mBytes.data() + y * RowBytes() + x * 4;
        for (int i = 0; i < 4; ++i)
            thePixel[i] = inValue[i];
    }
    HGLRC MakeContext() { return wglCreateContextOnPixels(Base(), mWidth, mHeight, RowBytes()); }
};

constexpr std::array<std::uint8_t, 4> kRed = {0, 0, 255, 255};
constexpr std::array<std::uint8_t, 4> kGreen = {0, 255, 0, 255};

void CanvasProjection(int inWidth, int inHeight)
{
    glViewport(0, 0, inWidth, inHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, inWidth, 0, inHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void FillRect(float inLeft, float inTop, float inRight, float inBottom, std::array<std::uint8_t, 4> inColour)
{
    glColor4ub(inColour[2], inColour[1], inColour[0], inColour[3]);
    glBegin(GL_QUADS);
    glVertex2f(inLeft, inTop);
    glVertex2f(inRight, inTop);
    glVertex2f(inRight, inBottom);
    glVertex2f(inLeft, inBottom);
    glEnd();
}

void ExpectOnly(const Store& inStore, float inLeft, float inTop, float inRight, float inBottom,
                std::array<std::uint8_t, 4> inColour)
{
    for (int y = 0; y < inStore.mHeight; ++y)
        for (int x = 0; x < inStore.mWidth; ++x) {
            const bool theInside = x >= inLeft && x < inRight && y >= inTop && y < inBottom;
            ASSERT_EQ(inStore.Pixel(x, y), theInside ? inColour : Store::Original(x, y)) << x << "," << y;
        }
}

TEST(Wgl, TriangleInCanvasCoordinatesKeepsUntouchedPixels)
{
    Store theStore(32, 32);
    HGLRC theContext = theStore.MakeContext();
    ASSERT_NE(theContext, nullptr);
    ASSERT_TRUE(wglMakeCurrent(theContext));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));  // loading the pixels leaves no error behind
    EXPECT_EQ(wglGetCurrentContext(), theContext);
    CanvasProjection(32, 32);
    glColor4ub(255, 0, 0, 255);
    glBegin(GL_TRIANGLES);
    glVertex2f(4, 4);
    glVertex2f(20, 4);
    glVertex2f(4, 20);
    glEnd();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    ASSERT_TRUE(wglMakeCurrent(nullptr));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);

    int theRed = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const float cx = x + 0.5f;
            const float cy = y + 0.5f;
            const bool theInside = cx > 4 && cy > 4 && cx + cy < 24;
            const bool theOutside = cx < 4 || cy < 4 || cx + cy > 24;
            if (theInside) {
                EXPECT_EQ(theStore.Pixel(x, y), kRed) << x << "," << y;
            } else if (theOutside) {
                EXPECT_EQ(theStore.Pixel(x, y), Store::Original(x, y)) << x << "," << y;
            }
            theRed += theStore.Pixel(x, y) == kRed;
        }
    EXPECT_NEAR(theRed, 128, 12);  // half of 16 × 16
    // The row padding is not the image's and stays as it was.
    for (int y = 0; y < 32; ++y)
        for (int i = 32 * 4; i < theStore.RowBytes(); ++i)
            ASSERT_EQ(theStore.mBytes[y * theStore.RowBytes() + i], 0xAB);
    EXPECT_TRUE(wglDeleteContext(theContext));
}

TEST(Wgl, SmoothLinesBlendTheirEdges)
{
    Store theStore(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            theStore.SetPixel(x, y, {255, 255, 255, 255});
    HGLRC theContext = theStore.MakeContext();
    ASSERT_TRUE(wglMakeCurrent(theContext));
    CanvasProjection(32, 32);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glLineWidth(2);
    glColor4ub(0, 0, 0, 255);
    glBegin(GL_LINES);
    glVertex2f(2, 3);
    glVertex2f(29, 17);
    glEnd();
    ASSERT_TRUE(wglMakeCurrent(nullptr));

    int thePartial = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const auto thePixel = theStore.Pixel(x, y);
            EXPECT_EQ(thePixel[0], thePixel[2]);  // grey: blended black over white
            thePartial += thePixel[0] > 0 && thePixel[0] < 255;
        }
    EXPECT_GT(thePartial, 20);
    EXPECT_EQ(theStore.Pixel(30, 30), (std::array<std::uint8_t, 4>{255, 255, 255, 255}));
    EXPECT_TRUE(wglDeleteContext(theContext));
}

TEST(Wgl, RefusesBadStoresAndStaleHandles)
{
    Store theStore(8, 8);
    EXPECT_EQ(wglCreateContextOnPixels(nullptr, 8, 8, 32), nullptr);
    EXPECT_EQ(wglCreateContextOnPixels(theStore.Base(), 0, 8, 32), nullptr);
    EXPECT_EQ(wglCreateContextOnPixels(theStore.Base(), 8, 8, 28), nullptr);
    EXPECT_EQ(wglCreateContextOnPixels(theStore.Base(), 8, 8, 34), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    HGLRC theContext = theStore.MakeContext();
    ASSERT_NE(theContext, nullptr);
    ASSERT_TRUE(wglMakeCurrent(theContext));
    EXPECT_TRUE(wglDeleteContext(theContext));  // current: released first
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_FALSE(wglMakeCurrent(theContext));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(wglDeleteContext(theContext));
    // A new context never takes the old one's handle.
    HGLRC theNext = theStore.MakeContext();
    EXPECT_NE(theNext, theContext);
    EXPECT_FALSE(wglMakeCurrent(theContext));
    EXPECT_TRUE(wglDeleteContext(theNext));
}

TEST(Wgl, StoreBeyondMesasLimitIsRefusedUntouched)
{
    Store theSmall(1, 1);
    HGLRC theProbe = theSmall.MakeContext();
    ASSERT_TRUE(wglMakeCurrent(theProbe));
    GLint theMaxWidth = 0;
    OSMesaGetIntegerv(OSMESA_MAX_WIDTH, &theMaxWidth);
    ASSERT_TRUE(wglDeleteContext(theProbe));
    ASSERT_GT(theMaxWidth, 0);

    Store theWide(theMaxWidth + 1, 1);
    HGLRC theContext = theWide.MakeContext();
    ASSERT_NE(theContext, nullptr);
    EXPECT_FALSE(wglMakeCurrent(theContext));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    for (int x = 0; x < theWide.mWidth; x += 97)
        ASSERT_EQ(theWide.Pixel(x, 0), Store::Original(x, 0)) << x;
    EXPECT_TRUE(wglDeleteContext(theContext));
    // The refusal left nothing held: another context can be made current.
    HGLRC theOther = theSmall.MakeContext();
    EXPECT_TRUE(wglMakeCurrent(theOther));
    EXPECT_TRUE(wglDeleteContext(theOther));
}

TEST(Wgl, TwoContextsOnTwoStoresKeepTheirOwnPixels)
{
    Store theA(24, 16);
    Store theB(24, 16);
    HGLRC theContextA = theA.MakeContext();
    HGLRC theContextB = theB.MakeContext();
    ASSERT_NE(theContextA, nullptr);
    ASSERT_NE(theContextB, nullptr);

    ASSERT_TRUE(wglMakeCurrent(theContextA));
    CanvasProjection(24, 16);
    FillRect(2, 2, 6, 6, kRed);
    // State that would spoil loading the pixels back in, left set on purpose.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ZERO);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    glPixelZoom(2, 2);
    glPixelTransferf(GL_RED_SCALE, 0.5f);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 7);
    ASSERT_TRUE(wglMakeCurrent(theContextB));  // A is written back here
    ExpectOnly(theA, 2, 2, 6, 6, kRed);
    CanvasProjection(24, 16);
    FillRect(10, 8, 14, 12, kGreen);
    ASSERT_TRUE(wglMakeCurrent(theContextA));
    // The caller's state is as it was left.
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    GLint theRowLength = 0;
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &theRowLength);
    EXPECT_EQ(theRowLength, 7);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    FillRect(16, 2, 20, 4, kRed);
    ASSERT_TRUE(wglMakeCurrent(nullptr));

    ExpectOnly(theB, 10, 8, 14, 12, kGreen);
    // A's first drawing came back with its pixels when it was made current again.
    theA.SetPixel(16, 2, Store::Original(16, 2));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            const bool theFirst = x >= 2 && x < 6 && y >= 2 && y < 6;
            const bool theSecond = x >= 16 && x < 20 && y >= 2 && y < 4 && !(x == 16 && y == 2);
            ASSERT_EQ(theA.Pixel(x, y), theFirst || theSecond ? kRed : Store::Original(x, y)) << x << "," << y;
        }
    EXPECT_TRUE(wglDeleteContext(theContextA));
    EXPECT_TRUE(wglDeleteContext(theContextB));
}

TEST(Wgl, ContextCurrentOnAnotherThreadIsBusy)
{
    Store theStore(8, 8);
    HGLRC theContext = theStore.MakeContext();
    ASSERT_TRUE(wglMakeCurrent(theContext));
    BOOL theMade = 1;
    BOOL theDeleted = 1;
    DWORD theError = 0;
    std::thread([&] {
        theMade = wglMakeCurrent(theContext);
        theError = GetLastError();
        theDeleted = wglDeleteContext(theContext);
    }).join();
    EXPECT_FALSE(theMade);
    EXPECT_EQ(theError, static_cast<DWORD>(ERROR_BUSY));
    EXPECT_FALSE(theDeleted);
    ASSERT_TRUE(wglMakeCurrent(nullptr));

    // Released, it can be drawn with elsewhere; the thread's end releases it again.
    std::thread([&] {
        theMade = wglMakeCurrent(theContext);
        CanvasProjection(8, 8);
        FillRect(0, 0, 2, 2, kGreen);
    }).join();
    EXPECT_TRUE(theMade);
    ExpectOnly(theStore, 0, 0, 2, 2, kGreen);
    EXPECT_TRUE(wglDeleteContext(theContext));
}

}  // namespace
