// The geometry shapes are built and painted from: Cairo paths of ellipses
// and rounded rectangles, the pen's offset, and the tests that let a shape be
// painted as whole-pixel boxes.
#pragma once

#include "drawing/Gdi.h"

#include <cairo.h>
#include <cstdint>

constexpr double kMiterLimit = 10.0;

// An axis-aligned box of device pixels, right and bottom exclusive.
struct PixelBox {
    int mLeft = 0, mTop = 0, mRight = 0, mBottom = 0;
    bool Empty() const { return mRight <= mLeft || mBottom <= mTop; }
};

void SetSourceColor(cairo_t* inContext, COLORREF inColor, BYTE inAlpha = 255);
void EllipsePath(cairo_t* inContext, double inCx, double inCy, double inRx, double inRy);
void RoundRectPath(cairo_t* inContext, double inLeft, double inTop, double inRight, double inBottom, double inRx,
                   double inRy);
// Pens of odd width are centred on pixel centres, even ones on pixel edges,
// so that a pen of width w on coordinate c covers c - w/2 ... c + (w-1)/2.
double PenOffset(int inWidth);
double MatrixScale(const cairo_matrix_t& inMatrix);
// Whether the matrix only moves: the condition for painting shapes as runs.
bool IsTranslation(const cairo_matrix_t& inMatrix);
// The device edges of a path that is one closed rectangle with axis-aligned
// sides under a pure translation (left < right, top < bottom); false for any
// other path.
bool RectanglePath(const cairo_path_t* inPath, const cairo_matrix_t& inMatrix, double outEdges[4]);
// The box with those edges when every edge lies on a pixel boundary, where
// sampling pixel centres leaves no ties; false otherwise.
bool WholeBox(double inLeft, double inTop, double inRight, double inBottom, PixelBox& outBox);
std::uint32_t OpaquePixel(COLORREF inColor);
// 0xAARRGGBB premultiplied by inAlpha, as Cairo stores the colour.
std::uint32_t PremultipliedPixel(COLORREF inColor, BYTE inAlpha);
// Premultiplied source over premultiplied destination.
std::uint32_t PremultipliedOver(std::uint32_t inSource, std::uint32_t inDestination);
