// A store without pixels that a call gives a size, put back as it was unless
// the call keeps it: a call that fails must not leave a canvas it could not
// draw on holding pixels, a size or a depth it did not have before.
#pragma once

#include <cstdint>

#include "vellumax/engine/Bitmap.h"

class PixelsOnTrial {
public:
    explicit PixelsOnTrial(Bitmap& inBitmap)
        : mBitmap(inBitmap),
          mHadPixels(inBitmap.HasPixels()),
          mWidth(inBitmap.GetWidth()),
          mHeight(inBitmap.GetHeight()),
          mDepth(inBitmap.GetDepth())
    {
    }
    PixelsOnTrial(const PixelsOnTrial&) = delete;
    PixelsOnTrial& operator=(const PixelsOnTrial&) = delete;
    ~PixelsOnTrial()
    {
        if (mKeep || mHadPixels)
            return;
        // NOTE: the trial gave the store its pixels; undoing it is a reset of the store, not a release.
        mBitmap.Free();
        mBitmap.SetWidth(mWidth);
        mBitmap.SetHeight(mHeight);
        mBitmap.SetDepth(mDepth);
    }
    void Keep() { mKeep = true; }

private:
    Bitmap& mBitmap;
    bool mHadPixels;
    std::int32_t mWidth;
    std::int32_t mHeight;
    std::int32_t mDepth;
    bool mKeep = false;
};
