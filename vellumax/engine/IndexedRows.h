// The canvas's rows as indices of the default 8-bit colour table, made a band
// at a time on demand, so that a GIF of any canvas costs a band rather than
// an 8-bit copy of the whole picture (and a full-depth copy on the way).
#pragma once

#include <cstdint>
#include <optional>

#include "imaging/MacTypes.h"
#include "vellumax/engine/Bitmap.h"

class IndexedRows {
public:
    // inCanvas must have pixels and outlive this object.
    explicit IndexedRows(Bitmap& inCanvas);
    IndexedRows(const IndexedRows&) = delete;
    IndexedRows& operator=(const IndexedRows&) = delete;

    // Makes the band store; its colour table is the table the indices refer to.
    OSErr Prepare();
    CTabHandle ColorTable() const;
    // Row inRow's indices (valid until the next call), or null when the
    // conversion failed.
    const std::uint8_t* Row(std::int32_t inRow);

private:
    Bitmap& mCanvas;
    Bitmap mBand;
    Bitmap::PixelAccess mPixels;
    std::optional<Bitmap::PixelLock> mLock;  // of the band, while mPixels hold its rows
    std::int32_t mFirst = -1;                // the canvas row of the band's first row
    std::int32_t mCount = 0;                 // rows the band holds
};
