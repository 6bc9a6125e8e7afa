#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "vellumax/engine/Bitmap.h"

struct Rgba {
    std::uint8_t r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

// Sets every pixel of a 32-bit store to inColorAt(x, y), row by row, in whatever
// channel order the platform keeps; then turns the store to inDepth.
template <class ColorAt>
void PaintStore(Bitmap& ioStore, int inWidth, int inHeight, ColorAt inColorAt, std::int32_t inDepth = 32)
{
    ioStore.SetWidth(inWidth);
    ioStore.SetHeight(inHeight);
    ioStore.SetDepth(32);
    ASSERT_EQ(ioStore.Update(), noErr);
    Bitmap::PixelAccess thePixels;
    ASSERT_TRUE(ioStore.Lock(thePixels));
    for (int y = 0; y < inHeight; ++y)
        for (int x = 0; x < inWidth; ++x) {
            auto* thePixel = reinterpret_cast<std::uint8_t*>(thePixels.mBase + y * thePixels.mRowBytes + x * 4);
            const Rgba theColor = inColorAt(x, y);
            *Bitmap::RedChannel(thePixel, thePixels.mPixelFormat) = theColor.r;
            *Bitmap::GreenChannel(thePixel, thePixels.mPixelFormat) = theColor.g;
            *Bitmap::BlueChannel(thePixel, thePixels.mPixelFormat) = theColor.b;
            *Bitmap::AlphaChannel(thePixel, thePixels.mPixelFormat) = theColor.a;
        }
    ioStore.Unlock();
    if (inDepth != 32) {
        ioStore.SetDepth(inDepth);
        ASSERT_EQ(ioStore.Update(), noErr);
    }
}
