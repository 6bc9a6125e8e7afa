#include "ShapeGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kKappa = 0.5522847498307936;  // cubic Bézier quarter-circle factor

}  // namespace

void SetSourceColor(cairo_t* inContext, COLORREF inColor, BYTE inAlpha)
{
    if (inAlpha == 255) {
        cairo_set_source_rgb(inContext, GetRValue(inColor) / 255.0, GetGValue(inColor) / 255.0,
                             GetBValue(inColor) / 255.0);
        return;
    }
    cairo_set_source_rgba(inContext, GetRValue(inColor) / 255.0, GetGValue(inColor) / 255.0, GetBValue(inColor) / 255.0,
                          inAlpha / 255.0);
}

void EllipsePath(cairo_t* inContext, double inCx, double inCy, double inRx, double inRy)
{
    if (inRx <= 0 && inRy <= 0) {
        return;
    }
    inRx = std::max(inRx, 0.0);
    inRy = std::max(inRy, 0.0);
    const double theKx = kKappa * inRx;
    const double theKy = kKappa * inRy;
    cairo_new_sub_path(inContext);
    cairo_move_to(inContext, inCx + inRx, inCy);
    cairo_curve_to(inContext, inCx + inRx, inCy + theKy, inCx + theKx, inCy + inRy, inCx, inCy + inRy);
    cairo_curve_to(inContext, inCx - theKx, inCy + inRy, inCx - inRx, inCy + theKy, inCx - inRx, inCy);
    cairo_curve_to(inContext, inCx - inRx, inCy - theKy, inCx - theKx, inCy - inRy, inCx, inCy - inRy);
    cairo_curve_to(inContext, inCx + theKx, inCy - inRy, inCx + inRx, inCy - theKy, inCx + inRx, inCy);
    cairo_close_path(inContext);
}

void RoundRectPath(cairo_t* inContext, double inLeft, double inTop, double inRight, double inBottom, double inRx,
                   double inRy)
{
    inRx = std::min(inRx, (inRight - inLeft) / 2);
    inRy = std::min(inRy, (inBottom - inTop) / 2);
    if (inRx <= 0 || inRy <= 0) {
        cairo_rectangle(inContext, inLeft, inTop, inRight - inLeft, inBottom - inTop);
        return;
    }
    const double theKx = kKappa * inRx;
    const double theKy = kKappa * inRy;
    cairo_new_sub_path(inContext);
    cairo_move_to(inContext, inLeft + inRx, inTop);
    cairo_line_to(inContext, inRight - inRx, inTop);
    cairo_curve_to(inContext, inRight - inRx + theKx, inTop, inRight, inTop + inRy - theKy, inRight, inTop + inRy);
    cairo_line_to(inContext, inRight, inBottom - inRy);
    cairo_curve_to(inContext, inRight, inBottom - inRy + theKy, inRight - inRx + theKx, inBottom, inRight - inRx,
                   inBottom);
    cairo_line_to(inContext, inLeft + inRx, inBottom);
    cairo_curve_to(inContext, inLeft + inRx - theKx, inBottom, inLeft, inBottom - inRy + theKy, inLeft,
                   inBottom - inRy);
    cairo_line_to(inContext, inLeft, inTop + inRy);
    cairo_curve_to(inContext, inLeft, inTop + inRy - theKy, inLeft + inRx - theKx, inTop, inLeft + inRx, inTop);
    cairo_close_path(inContext);
}

double PenOffset(int inWidth)
{
    return (inWidth % 2) != 0 ? 0.5 : 0.0;
}

double MatrixScale(const cairo_matrix_t& inMatrix)
{
    const double theX = std::sqrt(inMatrix.xx * inMatrix.xx + inMatrix.yx * inMatrix.yx);
    const double theY = std::sqrt(inMatrix.xy * inMatrix.xy + inMatrix.yy * inMatrix.yy);
    return std::max(theX, theY);
}

bool IsTranslation(const cairo_matrix_t& inMatrix)
{
    return inMatrix.xx == 1 && inMatrix.yy == 1 && inMatrix.xy == 0 && inMatrix.yx == 0;
}

bool RectanglePath(const cairo_path_t* inPath, const cairo_matrix_t& inMatrix, double outEdges[4])
{
    if (inPath == nullptr || inPath->status != CAIRO_STATUS_SUCCESS || !IsTranslation(inMatrix) ||
        (inPath->num_data != 9 && inPath->num_data != 11)) {
        return false;
    }
    const cairo_path_data_t* theData = inPath->data;
    const cairo_path_data_type_t theTypes[] = {CAIRO_PATH_MOVE_TO, CAIRO_PATH_LINE_TO, CAIRO_PATH_LINE_TO,
                                               CAIRO_PATH_LINE_TO};
    double theX[4], theY[4];
    for (int theIndex = 0; theIndex < 4; ++theIndex) {
        const cairo_path_data_t& theHeader = theData[theIndex * 2];
        if (theHeader.header.type != theTypes[theIndex] || theHeader.header.length != 2) {
            return false;
        }
        theX[theIndex] = theData[theIndex * 2 + 1].point.x;
        theY[theIndex] = theData[theIndex * 2 + 1].point.y;
    }
    if (theData[8].header.type != CAIRO_PATH_CLOSE_PATH || theData[8].header.length != 1 ||
        (inPath->num_data == 11 && (theData[9].header.type != CAIRO_PATH_MOVE_TO || theData[9].header.length != 2))) {
        return false;
    }
    // Sides alternate horizontal and vertical, starting with either.
    const bool theAcrossFirst = theY[0] == theY[1] && theX[1] == theX[2] && theY[2] == theY[3] && theX[3] == theX[0];
    const bool theDownFirst = theX[0] == theX[1] && theY[1] == theY[2] && theX[2] == theX[3] && theY[3] == theY[0];
    if (!theAcrossFirst && !theDownFirst) {
        return false;
    }
    outEdges[0] = std::min(theX[0], theX[2]) + inMatrix.x0;
    outEdges[1] = std::min(theY[0], theY[2]) + inMatrix.y0;
    outEdges[2] = std::max(theX[0], theX[2]) + inMatrix.x0;
    outEdges[3] = std::max(theY[0], theY[2]) + inMatrix.y0;
    return outEdges[0] < outEdges[2] && outEdges[1] < outEdges[3];
}

bool WholeBox(double inLeft, double inTop, double inRight, double inBottom, PixelBox& outBox)
{
    constexpr double kLimit = 1 << 28;
    for (const double theEdge : {inLeft, inTop, inRight, inBottom}) {
        if (!(std::abs(theEdge) < kLimit) || theEdge != std::floor(theEdge)) {
            return false;
        }
    }
    outBox = {static_cast<int>(inLeft), static_cast<int>(inTop), static_cast<int>(inRight), static_cast<int>(inBottom)};
    return true;
}

std::uint32_t OpaquePixel(COLORREF inColor)
{
    return 0xFF000000u | (std::uint32_t(GetRValue(inColor)) << 16) | (std::uint32_t(GetGValue(inColor)) << 8) |
           GetBValue(inColor);
}

namespace {

// x / 255, rounded, for x up to 255 * 255.
constexpr std::uint32_t Div255(std::uint32_t inValue)
{
    return (inValue + 128 + ((inValue + 128) >> 8)) >> 8;
}

}  // namespace

std::uint32_t PremultipliedPixel(COLORREF inColor, BYTE inAlpha)
{
    return (std::uint32_t(inAlpha) << 24) | (Div255(std::uint32_t(GetRValue(inColor)) * inAlpha) << 16) |
           (Div255(std::uint32_t(GetGValue(inColor)) * inAlpha) << 8) |
           Div255(std::uint32_t(GetBValue(inColor)) * inAlpha);
}

std::uint32_t PremultipliedOver(std::uint32_t inSource, std::uint32_t inDestination)
{
    const std::uint32_t theKeep = 255 - (inSource >> 24);
    std::uint32_t theResult = 0;
    for (int theShift = 0; theShift <= 24; theShift += 8) {
        const std::uint32_t theValue =
            ((inSource >> theShift) & 0xFF) + Div255(((inDestination >> theShift) & 0xFF) * theKeep);
        theResult |= std::min<std::uint32_t>(theValue, 255) << theShift;
    }
    return theResult;
}
