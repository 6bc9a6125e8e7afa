#include "DeviceContext.h"

#include "EllipseOutline.h"
#include "ShapeGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// Each row's runs of an ellipse's fill and of its pen band's outer and inner
// outlines, for the store's rows only; the fill is written only where the
// pen does not cover it, so that every pixel is written once.
class EllipseRows {
public:
    struct Centre {
        double mX, mY;
    };
    EllipseRows(const EllipseOutline& inFill, Centre inFillCentre, const EllipseOutline& inOuter,
                const EllipseOutline& inInner, Centre inPenCentre, int inStoreHeight)
    {
        mFirst = inStoreHeight;
        Span(inFill, inFillCentre.mY, inStoreHeight);
        Span(inOuter, inPenCentre.mY, inStoreHeight);
        if (Empty()) {
            return;
        }
        mRows.resize(static_cast<std::size_t>(mEnd - mFirst));
        inFill.MirroredRows(inFillCentre.mX, inFillCentre.mY, mFirst, mEnd, [&](int inY, int inX0, int inX1) {
            At(inY).mFill0 = inX0;
            At(inY).mFill1 = inX1;
        });
        inOuter.MirroredRows(inPenCentre.mX, inPenCentre.mY, mFirst, mEnd, [&](int inY, int inX0, int inX1) {
            At(inY).mOuter0 = inX0;
            At(inY).mOuter1 = inX1;
        });
        inInner.MirroredRows(inPenCentre.mX, inPenCentre.mY, mFirst, mEnd, [&](int inY, int inX0, int inX1) {
            At(inY).mInner0 = inX0;
            At(inY).mInner1 = inX1;
        });
    }
    bool Empty() const { return mFirst >= mEnd; }

    // A translucent pen shows the fill under it: the fill is then whole.
    enum class UnderPen { kSkipped, kFilled };
    template <typename Sink>
    void FillRuns(const Sink& inSink, UnderPen inUnderPen) const
    {
        for (int theY = mFirst; theY < mEnd; ++theY) {
            const Row& theR = mRows[static_cast<std::size_t>(theY - mFirst)];
            if (theR.mOuter0 >= theR.mOuter1 || inUnderPen == UnderPen::kFilled) {
                Emit(inSink, theY, theR.mFill0, theR.mFill1);
                continue;
            }
            // The fill left of the pen, inside its band, and right of it.
            Emit(inSink, theY, theR.mFill0, std::min(theR.mFill1, theR.mOuter0));
            Emit(inSink, theY, std::max({theR.mFill0, theR.mInner0, theR.mOuter0}),
                 std::min({theR.mFill1, theR.mInner1, theR.mOuter1}));
            Emit(inSink, theY, std::max(theR.mFill0, theR.mOuter1), theR.mFill1);
        }
    }
    template <typename Sink>
    void StrokeRuns(const Sink& inSink) const
    {
        for (int theY = mFirst; theY < mEnd; ++theY) {
            const Row& theR = mRows[static_cast<std::size_t>(theY - mFirst)];
            const int theInner0 = std::max(theR.mInner0, theR.mOuter0);
            const int theInner1 = std::min(theR.mInner1, theR.mOuter1);
            if (theInner0 >= theInner1) {
                Emit(inSink, theY, theR.mOuter0, theR.mOuter1);
                continue;
            }
            Emit(inSink, theY, theR.mOuter0, theInner0);
            Emit(inSink, theY, theInner1, theR.mOuter1);
        }
    }

private:
    struct Row {
        int mFill0 = 0, mFill1 = 0, mOuter0 = 0, mOuter1 = 0, mInner0 = 0, mInner1 = 0;
    };
    void Span(const EllipseOutline& inOutline, double inCy, int inStoreHeight)
    {
        int theY0 = 0, theY1 = 0;
        inOutline.RowRange(inCy, theY0, theY1);
        if (theY0 < theY1) {
            mFirst = std::min(mFirst, std::max(theY0, 0));
            mEnd = std::max(mEnd, std::min(theY1, inStoreHeight));
        }
    }
    Row& At(int inY) { return mRows[static_cast<std::size_t>(inY - mFirst)]; }
    template <typename Sink>
    static void Emit(const Sink& inSink, int inY, int inX0, int inX1)
    {
        if (inX0 < inX1) {
            inSink(inY, inX0, inX1);
        }
    }

    int mFirst = 0;
    int mEnd = 0;
    std::vector<Row> mRows;
};

}  // namespace

template <typename FillRuns, typename StrokeRuns>
void DeviceContext::WriteRuns(const FillRuns* inFill, const StrokeRuns* inStroke, std::uint8_t* inData, int inStride,
                              int inWidth, int inHeight, int inOriginX, int inOriginY) const
{
    const auto theClipped = [&](const auto& inSource, const auto& inWriteRun) {
        inSource([&](int inY, int inX0, int inX1) {
            const int theY = inY - inOriginY;
            const int theX0 = std::max(inX0 - inOriginX, 0);
            const int theX1 = std::min(inX1 - inOriginX, inWidth);
            if (theY >= 0 && theY < inHeight && theX0 < theX1) {
                inWriteRun(reinterpret_cast<std::uint32_t*>(inData + static_cast<std::ptrdiff_t>(theY) * inStride),
                           theX0, theX1, inY);
            }
        });
    };
    const auto theSolid = [](std::uint32_t inPixel) {
        return [inPixel](std::uint32_t* inRow, int inX0, int inX1, int) {
            std::fill(inRow + inX0, inRow + inX1, inPixel);
        };
    };
    // Translucent runs go onto a layer (premultiplied), over what the layer
    // holds, so that a pen lies over its own fill.
    const auto theOver = [](std::uint32_t inPixel) {
        return [inPixel](std::uint32_t* inRow, int inX0, int inX1, int) {
            for (int theX = inX0; theX < inX1; ++theX) {
                inRow[theX] = PremultipliedOver(inPixel, inRow[theX]);
            }
        };
    };
    const auto thePaint = [&](const auto& inRuns, COLORREF inColor, BYTE inAlpha) {
        if (inAlpha == 255) {
            theClipped(inRuns, theSolid(OpaquePixel(inColor)));
        } else {
            theClipped(inRuns, theOver(PremultipliedPixel(inColor, inAlpha)));
        }
    };
    if (inFill != nullptr && mBrush->mStyle != BrushObject::Style::kPattern) {
        thePaint(*inFill, mBrush->mColor, mBrushAlpha);
    } else if (inFill != nullptr) {
        // Tiles from the device origin, one pattern pixel per device pixel.
        cairo_surface_t* thePattern = mBrush->mPattern;
        cairo_surface_flush(thePattern);
        const std::uint8_t* theTile = cairo_image_surface_get_data(thePattern);
        const int theTileStride = cairo_image_surface_get_stride(thePattern);
        const int theTileWidth = cairo_image_surface_get_width(thePattern);
        const int theTileHeight = cairo_image_surface_get_height(thePattern);
        if (theTile != nullptr && theTileWidth > 0 && theTileHeight > 0) {
            theClipped(*inFill, [&](std::uint32_t* inRow, int inX0, int inX1, int inDeviceY) {
                const int theTy = ((inDeviceY % theTileHeight) + theTileHeight) % theTileHeight;
                const auto* theTileRow = reinterpret_cast<const std::uint32_t*>(
                    theTile + static_cast<std::ptrdiff_t>(theTy) * theTileStride);
                for (int theX = inX0; theX < inX1; ++theX) {
                    const int theDeviceX = theX + inOriginX;
                    const int theTx = ((theDeviceX % theTileWidth) + theTileWidth) % theTileWidth;
                    inRow[theX] = 0xFF000000u | theTileRow[theTx];
                }
            });
        }
    }
    if (inStroke != nullptr) {
        thePaint(*inStroke, mPen->mColor, mPenAlpha);
    }
}

template <typename FillRuns, typename StrokeRuns>
void DeviceContext::PaintRuns(const FillRuns* inFill, const StrokeRuns* inStroke, double inLeft, double inTop,
                              double inRight, double inBottom)
{
    // Every pixel written is opaque, which compositing a layer into a 32-bit
    // store would copy byte for byte: write into the store itself, opaque or
    // not, without a Cairo surface.
    const bool theTranslucent = Translucent({inFill != nullptr, inStroke != nullptr});
    if (!theTranslucent && mBitmap->BitsPerPixel() == 32 && mBitmap->RowBytes() % 4 == 0 &&
        reinterpret_cast<std::uintptr_t>(mBitmap->Bits()) % 4 == 0) {
        WriteRuns(inFill, inStroke, static_cast<std::uint8_t*>(mBitmap->Bits()), mBitmap->RowBytes(), mBitmap->Width(),
                  mBitmap->Height(), 0, 0);
        return;
    }
    PaintLayer(
        inLeft, inTop, inRight, inBottom,
        [&](cairo_t* inContext) {
            cairo_surface_t* theTarget = cairo_get_target(inContext);
            cairo_surface_flush(theTarget);
            std::uint8_t* theData = cairo_image_surface_get_data(theTarget);
            if (theData == nullptr) {
                return;
            }
            cairo_matrix_t theMatrix;
            cairo_get_matrix(inContext, &theMatrix);  // a whole-pixel translation to the target's origin
            WriteRuns(inFill, inStroke, theData, cairo_image_surface_get_stride(theTarget),
                      cairo_image_surface_get_width(theTarget), cairo_image_surface_get_height(theTarget),
                      static_cast<int>(-theMatrix.x0), static_cast<int>(-theMatrix.y0));
            cairo_surface_mark_dirty(theTarget);
        },
        theTranslucent ? Coverage::kLayerOnly : Coverage::kAny);
}

bool DeviceContext::PaintBoxes(const double* inFillEdges, const double* inPenEdges, double inLeft, double inTop,
                               double inRight, double inBottom)
{
    // A rectangle with whole-pixel edges covers whole boxes of pixels: the
    // fill its inside, the pen the outline grown by half the pen each way
    // (square mitred corners) less the inside shrunk alike. Cairo samples
    // pixel centres the same way, so writing those boxes gives its pixels.
    const double* theEdges = inFillEdges;
    PixelBox theFill;
    if (theEdges != nullptr && !WholeBox(theEdges[0], theEdges[1], theEdges[2], theEdges[3], theFill)) {
        return false;
    }
    PixelBox theOuter, theInner;
    const int thePen = mPen->mWidth;
    theEdges = inPenEdges;
    if (theEdges != nullptr) {
        const double theHalf = thePen / 2.0;
        if (thePen < 1 ||
            !WholeBox(theEdges[0] - theHalf, theEdges[1] - theHalf, theEdges[2] + theHalf, theEdges[3] + theHalf,
                      theOuter) ||
            !WholeBox(theEdges[0] + theHalf, theEdges[1] + theHalf, theEdges[2] - theHalf, theEdges[3] - theHalf,
                      theInner)) {
            return false;
        }
        const int theInnerWidth = theInner.mRight - theInner.mLeft;
        const int theInnerHeight = theInner.mBottom - theInner.mTop;
        // Where the inside is one pixel across, Cairo's stroker covers some of
        // it depending on direction: left to Cairo.
        if (thePen > 1 && (theInnerWidth == 1 || theInnerHeight == 1)) {
            return false;
        }
        if (theInnerWidth <= 0 || theInnerHeight <= 0) {
            theInner = PixelBox{};
        }
    }
    const auto theBox = [](const PixelBox& inBox, const auto& inSink) {
        for (int theY = inBox.mTop; theY < inBox.mBottom; ++theY) {
            inSink(theY, inBox.mLeft, inBox.mRight);
        }
    };
    const auto theFillRuns = [&](const auto& inSink) { theBox(theFill, inSink); };
    const auto theStrokeRuns = [&](const auto& inSink) {
        if (theInner.Empty()) {
            theBox(theOuter, inSink);
            return;
        }
        theBox(PixelBox{theOuter.mLeft, theOuter.mTop, theOuter.mRight, theInner.mTop}, inSink);
        for (int theY = theInner.mTop; theY < theInner.mBottom; ++theY) {
            inSink(theY, theOuter.mLeft, theInner.mLeft);
            inSink(theY, theInner.mRight, theOuter.mRight);
        }
        theBox(PixelBox{theOuter.mLeft, theInner.mBottom, theOuter.mRight, theOuter.mBottom}, inSink);
    };
    PaintRuns(inFillEdges != nullptr ? &theFillRuns : nullptr, inPenEdges != nullptr ? &theStrokeRuns : nullptr, inLeft,
              inTop, inRight, inBottom);
    return true;
}

bool DeviceContext::PaintSimple(const SimpleShape& inShape, Parts inParts)
{
    const bool inFill = inParts.mFill;
    const bool inStroke = inParts.mStroke;
    if (mBitmap == nullptr || (!inFill && !inStroke)) {
        return true;
    }
    if (!IsTranslation(mTransform)) {
        return false;
    }
    if (inShape.mKind == SimpleShape::Kind::kEllipse) {
        return PaintEllipse(inShape, inParts);
    }
    // As RectanglePath reads a rectangle's path: device edges, with width and height.
    double theFill[4], thePen[4];
    const auto theDevice = [&](const double* inEdges, double* outEdges) {
        outEdges[0] = inEdges[0] + mTransform.x0;
        outEdges[1] = inEdges[1] + mTransform.y0;
        outEdges[2] = inEdges[2] + mTransform.x0;
        outEdges[3] = inEdges[3] + mTransform.y0;
        return outEdges[0] < outEdges[2] && outEdges[1] < outEdges[3];
    };
    if ((inFill && !theDevice(inShape.mFill, theFill)) || (inStroke && !theDevice(inShape.mPen, thePen))) {
        return false;
    }
    const double theMargin = 1 + mPen->mWidth;
    const double* theOne = inFill ? theFill : thePen;
    const double* theOther = inStroke ? thePen : theFill;
    return PaintBoxes(inFill ? theFill : nullptr, inStroke ? thePen : nullptr,
                      std::min(theOne[0], theOther[0]) - theMargin, std::min(theOne[1], theOther[1]) - theMargin,
                      std::max(theOne[2], theOther[2]) + theMargin, std::max(theOne[3], theOther[3]) + theMargin);
}

bool DeviceContext::PaintEllipse(const SimpleShape& inShape, Parts inParts)
{
    // Beyond these the boundary takes too many points, or the arithmetic too
    // many bits, to be worth leaving Cairo for.
    constexpr double kMostPoints = 2048;
    constexpr double kFarthest = 1 << 24;
    const double theFillRx = inShape.mFill[2], theFillRy = inShape.mFill[3];
    const double thePenRx = inShape.mPen[2], thePenRy = inShape.mPen[3];
    const EllipseRows::Centre theFillCentre{inShape.mFill[0] + mTransform.x0, inShape.mFill[1] + mTransform.y0};
    const EllipseRows::Centre thePenCentre{inShape.mPen[0] + mTransform.x0, inShape.mPen[1] + mTransform.y0};
    const double theHalf = mPen->mWidth / 2.0;
    const auto theFits = [&](EllipseRows::Centre inCentre, double inRx, double inRy) {
        // Thinner shapes are mostly ties between pixel centres and the curve: left to Cairo.
        return inRx >= 1 && inRy >= 1 && std::abs(inCentre.mX) + inRx < kFarthest &&
               std::abs(inCentre.mY) + inRy < kFarthest;
    };
    if (inParts.mFill && !theFits(theFillCentre, theFillRx, theFillRy)) {
        return false;
    }
    if (inParts.mStroke && (mPen->mWidth < 1 || !theFits(thePenCentre, thePenRx + theHalf, thePenRy + theHalf) ||
                            !theFits(thePenCentre, thePenRx, thePenRy) ||
                            EllipseOutline::PointsFor(thePenRx, thePenRy, theHalf) > kMostPoints)) {
        return false;
    }
    const EllipseOutline theFill = inParts.mFill ? EllipseOutline::Ellipse(theFillRx, theFillRy) : EllipseOutline();
    EllipseOutline theOuter, theInner;
    if (inParts.mStroke) {
        EllipseOutline::Band(thePenRx, thePenRy, theHalf, theOuter, theInner);
    }
    const EllipseRows theRows(theFill, theFillCentre, theOuter, theInner, thePenCentre, mBitmap->Height());
    if (theRows.Empty()) {
        return true;  // nothing on the store
    }
    const auto theUnderPen = Translucent(inParts) ? EllipseRows::UnderPen::kFilled : EllipseRows::UnderPen::kSkipped;
    const auto theFillRuns = [&](const auto& inSink) { theRows.FillRuns(inSink, theUnderPen); };
    const auto theStrokeRuns = [&](const auto& inSink) { theRows.StrokeRuns(inSink); };
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double theLeft = kInfinity, theTop = kInfinity, theRight = -kInfinity, theBottom = -kInfinity;
    const auto theCover = [&](EllipseRows::Centre inCentre, double inRx, double inRy) {
        theLeft = std::min(theLeft, inCentre.mX - inRx - 1);
        theTop = std::min(theTop, inCentre.mY - inRy - 1);
        theRight = std::max(theRight, inCentre.mX + inRx + 1);
        theBottom = std::max(theBottom, inCentre.mY + inRy + 1);
    };
    if (inParts.mFill) {
        theCover(theFillCentre, theFillRx, theFillRy);
    }
    if (inParts.mStroke) {
        theCover(thePenCentre, thePenRx + theHalf, thePenRy + theHalf);
    }
    PaintRuns(inParts.mFill ? &theFillRuns : nullptr, inParts.mStroke ? &theStrokeRuns : nullptr, theLeft, theTop,
              theRight, theBottom);
    return true;
}
