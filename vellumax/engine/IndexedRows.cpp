#include "vellumax/engine/IndexedRows.h"

#include <algorithm>

#include "imaging/Errors.h"
#include "imaging/QuickDraw.h"

namespace {

// Enough rows that a band's conversion outweighs the call around it.
constexpr std::int32_t kBandRows = 64;
constexpr std::int32_t kIndexDepth = 8;

}  // namespace

IndexedRows::IndexedRows(Bitmap& inCanvas) : mCanvas(inCanvas) {}

OSErr IndexedRows::Prepare()
{
    // A new store never dithers, whatever the canvas does. It is a part of a
    // store that exists, so the canvas's own limit serves.
    mBand.SetPixelLimit(mCanvas.GetPixelLimit());
    mBand.SetWidth(mCanvas.GetWidth());
    mBand.SetHeight(std::min(kBandRows, mCanvas.GetHeight()));
    mBand.SetDepth(kIndexDepth);
    if (const OSErr theError = mBand.Update(); theError != noErr)
        return theError;
    if (!mBand.HasPixels())
        return paramErr;
    return noErr;
}

CTabHandle IndexedRows::ColorTable() const
{
    return (*GetGWorldPixMap(mBand.GetGWorld()))->pmTable;
}

const std::uint8_t* IndexedRows::Row(std::int32_t inRow)
{
    if (inRow < 0 || inRow >= mCanvas.GetHeight() || !mBand.HasPixels())
        return nullptr;
    if (inRow < mFirst || inRow >= mFirst + mCount) {
        mLock.reset();
        mFirst = inRow - inRow % mBand.GetHeight();
        mCount = std::min(mBand.GetHeight(), mCanvas.GetHeight() - mFirst);
        // The same mapping onto the table as re-fitting the whole store to 8 bits.
        Rect theSource;
        GetPortBounds(mCanvas.GetGWorld(), &theSource);
        theSource.top = std::int16_t(theSource.top + mFirst);
        theSource.bottom = std::int16_t(theSource.top + mCount);
        const Rect theDestination{0, 0, std::int16_t(mCount), std::int16_t(mBand.GetWidth())};
        OSErr theError = noErr;
        {
            const Bitmap::Drawing theDrawing(mBand);
            CopyBits(GetPortBitMapForCopyBits(mCanvas.GetGWorld()), GetPortBitMapForCopyBits(mBand.GetGWorld()),
                     &theSource, &theDestination, srcCopy, nullptr);
            theError = QDError();
        }
        if (theError != noErr || !mLock.emplace(mBand, mPixels).IsLocked() || mPixels.mBitsPerPixel != kIndexDepth) {
            mFirst = -1;
            mCount = 0;
            return nullptr;
        }
    }
    return reinterpret_cast<const std::uint8_t*>(mPixels.mBase) + std::ptrdiff_t(inRow - mFirst) * mPixels.mRowBytes;
}
