#include "vellumax/engine/SourceCanvas.h"

#include <automation/Errors.h>
#include <vellumax/ICanvas.h>

SourceCanvas::SourceCanvas() = default;
SourceCanvas::~SourceCanvas() = default;

HRESULT SourceCanvas::Take(IDispatch* inObject)
{
    ICanvas* theCanvas = nullptr;
    if (inObject == nullptr || FAILED(inObject->QueryInterface(IID_ICanvas, reinterpret_cast<void**>(&theCanvas))) ||
        theCanvas == nullptr)
        return E_NOINTERFACE;
    mCanvas = vx::ComPtr<ICanvas>::Attach(theCanvas);
    return S_OK;
}

HRESULT SourceCanvas::GetBitmap(HBITMAP& outBitmap) const
{
    outBitmap = 0;
    if (!mCanvas)
        return E_NOINTERFACE;
    LONG theHandle = 0;
    const HRESULT theResult = mCanvas->get_HBITMAP(&theHandle);
    if (SUCCEEDED(theResult))
        outBitmap = static_cast<HBITMAP>(theHandle);
    return theResult;
}
