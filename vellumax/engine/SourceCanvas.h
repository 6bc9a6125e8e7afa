// What an operation needs of a canvas it reads from: one counted reference on
// its ICanvas, and its bitmap handle.
#pragma once

#include <automation/Owners.h>
#include <automation/Types.h>

#include "drawing/Gdi.h"

struct ICanvas;
struct IDispatch;

class SourceCanvas {
public:
    SourceCanvas();
    SourceCanvas(const SourceCanvas&) = delete;
    SourceCanvas& operator=(const SourceCanvas&) = delete;
    ~SourceCanvas();

    // S_OK, or E_NOINTERFACE when inObject is not a canvas (nothing is then held).
    HRESULT Take(IDispatch* inObject);
    bool Holds() const { return bool(mCanvas); }
    // The canvas's HBITMAP property: 0 with S_OK when it has no pixels. The
    // handle belongs to the canvas and lives until its store is re-fitted.
    HRESULT GetBitmap(HBITMAP& outBitmap) const;

private:
    vx::ComPtr<ICanvas> mCanvas;
};
