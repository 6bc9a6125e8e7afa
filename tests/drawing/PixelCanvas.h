// A memory pixel store with a bitmap handle and a device context on it, and
// the probes the drawing tests read pixels with.
#pragma once

#include "drawing/Gdi.h"

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <set>
#include <vector>

class PixelCanvas {
public:
    PixelCanvas(int inWidth, int inHeight, int inBits = 32, std::vector<RGBQUAD> inPalette = {})
        : mWidth(inWidth), mHeight(inHeight), mBits(inBits), mPalette(std::move(inPalette))
    {
        mRowBytes = ((inWidth * inBits + 31) / 32) * 4;
        mPixels.assign(static_cast<std::size_t>(mRowBytes) * inHeight, 0xFF);  // white, opaque
        mBitmap =
            CreateDIBSectionOnPixels(inWidth, inHeight, inBits, mRowBytes, mPixels.data(),
                                     mPalette.empty() ? nullptr : mPalette.data(), static_cast<int>(mPalette.size()));
        mDC = mBitmap ? CreateDCOnBitmap(mBitmap) : 0;
    }
    ~PixelCanvas()
    {
        DeleteDC(mDC);
        DeleteObject(mBitmap);
    }
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    HDC DC() const { return mDC; }
    HBITMAP Bitmap() const { return mBitmap; }
    std::vector<std::uint8_t>& Bytes() { return mPixels; }
    int RowBytes() const { return mRowBytes; }
    int Width() const { return mWidth; }
    int Height() const { return mHeight; }

    COLORREF At(int inX, int inY) const { return GetPixel(mDC, inX, inY); }

    // Bounding box (right and bottom inclusive) of the pixels of one colour;
    // left > right when there are none.
    RECT Extent(COLORREF inColor) const
    {
        RECT theBox{mWidth, mHeight, -1, -1};
        for (int theY = 0; theY < mHeight; ++theY) {
            for (int theX = 0; theX < mWidth; ++theX) {
                if (At(theX, theY) == inColor) {
                    theBox.left = std::min(theBox.left, static_cast<std::int32_t>(theX));
                    theBox.top = std::min(theBox.top, static_cast<std::int32_t>(theY));
                    theBox.right = std::max(theBox.right, static_cast<std::int32_t>(theX));
                    theBox.bottom = std::max(theBox.bottom, static_cast<std::int32_t>(theY));
                }
            }
        }
        return theBox;
    }
    RECT InkExtent(COLORREF inBackground = RGB(255, 255, 255)) const
    {
        RECT theBox{mWidth, mHeight, -1, -1};
        for (int theY = 0; theY < mHeight; ++theY) {
            for (int theX = 0; theX < mWidth; ++theX) {
                if (At(theX, theY) != inBackground) {
                    theBox.left = std::min(theBox.left, static_cast<std::int32_t>(theX));
                    theBox.top = std::min(theBox.top, static_cast<std::int32_t>(theY));
                    theBox.right = std::max(theBox.right, static_cast<std::int32_t>(theX));
                    theBox.bottom = std::max(theBox.bottom, static_cast<std::int32_t>(theY));
                }
            }
        }
        return theBox;
    }
    std::set<COLORREF> Colors() const
    {
        std::set<COLORREF> theColors;
        for (int theY = 0; theY < mHeight; ++theY) {
            for (int theX = 0; theX < mWidth; ++theX) {
                theColors.insert(At(theX, theY));
            }
        }
        return theColors;
    }

private:
    int mWidth;
    int mHeight;
    int mBits;
    int mRowBytes = 0;
    std::vector<RGBQUAD> mPalette;
    std::vector<std::uint8_t> mPixels;
    HBITMAP mBitmap = 0;
    HDC mDC = 0;
};

inline bool operator==(const RECT& inA, const RECT& inB)
{
    return inA.left == inB.left && inA.top == inB.top && inA.right == inB.right && inA.bottom == inB.bottom;
}

inline std::ostream& operator<<(std::ostream& outStream, const RECT& inRect)
{
    return outStream << "(" << inRect.left << "," << inRect.top << "," << inRect.right << "," << inRect.bottom << ")";
}
