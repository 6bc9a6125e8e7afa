#include "vellumax/engine/SourceCanvas.h"

#include <automation/Errors.h>
#include <vellumax/ICanvas.h>

SourceCanvas::~SourceCanvas()
{
    if (mCanvas != nullptr)
        mCanvas->Release();
}

HRESULT SourceCanvas::Take(IDispatch* inObject)
{
    ICanvas* theCanvas = nullptr;
    if (inObject == nullptr || FAILED(inObject->QueryInterface(IID_ICanvas, reinterpret_cast<void**>(&theCanvas))) ||
        theCanvas == nullptr)
        return E_NOINTERFACE;
    if (mCanvas != nullptr)
        mCanvas->Release();
    mCanvas = theCanvas;
    return S_OK;
}

HRESULT SourceCanvas::GetBitmap(HBITMAP& outBitmap) const
{
    outBitmap = 0;
    if (mCanvas == nullptr)
        return E_NOINTERFACE;
    LONG theHandle = 0;
    const HRESULT theResult = mCanvas->get_HBITMAP(&theHandle);
    if (SUCCEEDED(theResult))
        outBitmap = static_cast<HBITMAP>(theHandle);
    return theResult;
}
