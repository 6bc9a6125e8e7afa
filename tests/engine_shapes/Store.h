// A white pixel store and the probes the shape and text tests read it with.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "vellumax/engine/Bitmap.h"

namespace shapes {

// 0x00BBGGRR of a pixel, from the store's own reading.
inline COLORREF PixelAt(Bitmap& inStore, std::int32_t inX, std::int32_t inY)
{
    const ColorValue theColor = inStore.GetPixelColor(inX, inY);
    return RGB(theColor.red >> 8, theColor.green >> 8, theColor.blue >> 8);
}

// Inclusive bounds of the pixels that are (inMatch) or are not (!inMatch)
// inColor; (1,1,0,0) when there are none.
inline LongRect Extent(Bitmap& inStore, COLORREF inColor, bool inMatch = true)
{
    LongRect theBox{inStore.GetWidth(), inStore.GetHeight(), -1, -1};
    for (std::int32_t y = 0; y < inStore.GetHeight(); ++y)
        for (std::int32_t x = 0; x < inStore.GetWidth(); ++x)
            if ((PixelAt(inStore, x, y) == inColor) == inMatch) {
                theBox.left = std::min(theBox.left, x);
                theBox.top = std::min(theBox.top, y);
                theBox.right = std::max(theBox.right, x);
                theBox.bottom = std::max(theBox.bottom, y);
            }
    return theBox.left > theBox.right ? LongRect{1, 1, 0, 0} : theBox;
}

inline LongRect InkExtent(Bitmap& inStore)
{
    return Extent(inStore, RGB(255, 255, 255), false);
}

inline bool IsEmpty(const LongRect& inBox)
{
    return inBox.left > inBox.right;
}

inline void MakeWhite(Bitmap& ioStore, std::int32_t inWidth, std::int32_t inHeight, std::int32_t inDepth = 32)
{
    ioStore.SetWidth(inWidth);
    ioStore.SetHeight(inHeight);
    ioStore.SetDepth(inDepth);
    ioStore.SetNaturalColor(ColorValue::White());
    ASSERT_EQ(ioStore.Erase(), noErr);
}

// The device context's state a drawing must leave as it found it.
struct ContextState {
    int mMapMode;
    int mGraphicsMode;
    XFORM mTransform;
    COLORREF mTextColor;
    int mBkMode;

    static ContextState Of(HDC inDC)
    {
        ContextState theState{GetMapMode(inDC), GetGraphicsMode(inDC), {}, GetTextColor(inDC), GetBkMode(inDC)};
        GetWorldTransform(inDC, &theState.mTransform);
        return theState;
    }
    bool IsIdentity() const
    {
        return mTransform.eM11 == 1 && mTransform.eM12 == 0 && mTransform.eM21 == 0 && mTransform.eM22 == 1 &&
               mTransform.eDx == 0 && mTransform.eDy == 0;
    }
};

}  // namespace shapes

inline std::ostream& operator<<(std::ostream& outStream, const LongRect& inRect)
{
    return outStream << "(" << inRect.left << "," << inRect.top << "," << inRect.right << "," << inRect.bottom << ")";
}
