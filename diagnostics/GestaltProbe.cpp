#include "GestaltProbe.h"

#include <automation/Activation.h>
#include <automation/Bstr.h>
#include <automation/ComVariant.h>
#include <automation/ErrorInfo.h>
#include <automation/Errors.h>

#include "vellumax/IGestalt.h"

namespace {

std::string SystemText(HRESULT inCode)
{
    std::string theText = SystemMessageText(static_cast<std::uint32_t>(inCode));
    while (!theText.empty() && (theText.back() == '\n' || theText.back() == '\r'))
        theText.pop_back();
    return theText;
}

// The thread's error information, when inObject vouches for it on inIid (a
// stale record left by someone else must not be reported); else the system's
// text for the code.
RaisedError ErrorOf(IUnknown* inObject, REFIID inIid, HRESULT inCode)
{
    RaisedError theError{inCode, {}};
    ISupportErrorInfo* theSupport = nullptr;
    if (inObject != nullptr &&
        SUCCEEDED(inObject->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&theSupport)))) {
        if (theSupport->InterfaceSupportsErrorInfo(inIid) == S_OK) {
            IErrorInfo* theInfo = nullptr;
            if (GetErrorInfo(0, &theInfo) == S_OK) {
                vx::Bstr theDescription;
                theInfo->GetDescription(theDescription.Out());
                theError.mDescription = theDescription.ToUTF8();
                theInfo->Release();
            }
        }
        theSupport->Release();
    }
    if (theError.mDescription.empty())
        theError.mDescription = SystemText(inCode);
    return theError;
}

}  // namespace

GestaltProbe::~GestaltProbe()
{
    if (mGestalt != nullptr)
        mGestalt->Release();
}

RaisedError GestaltProbe::Create()
{
    if (mGestalt != nullptr) {
        mGestalt->Release();
        mGestalt = nullptr;
    }
    // Activation sets no error information: the code speaks for itself.
    const HRESULT theCode = CoCreateInstance(CLSID_Gestalt, nullptr, CLSCTX_INPROC_SERVER, IID_IGestalt,
                                             reinterpret_cast<void**>(&mGestalt));
    if (FAILED(theCode)) {
        mGestalt = nullptr;
        return RaisedError{theCode, SystemText(theCode)};
    }
    return {};
}

RaisedError GestaltProbe::QuickTime(std::string& outText)
{
    outText.clear();
    if (mGestalt == nullptr)
        return RaisedError{E_POINTER, SystemText(E_POINTER)};
    vx::Variant theValue;
    const HRESULT theCode = mGestalt->get_QuickTime(theValue.Out());
    if (FAILED(theCode))
        return ErrorOf(mGestalt, IID_IGestalt, theCode);
    HRESULT theCoercion = S_OK;
    std::string theText = theValue.AsString(&theCoercion);
    if (FAILED(theCoercion))
        return RaisedError{theCoercion, SystemText(theCoercion)};
    outText = std::move(theText);
    return {};
}

RaisedError GestaltProbe::GraphicsExporters(vx::Client& outCollection)
{
    outCollection = vx::Client();
    if (mGestalt == nullptr)
        return RaisedError{E_POINTER, SystemText(E_POINTER)};
    IDispatch* theCollection = nullptr;
    const HRESULT theCode = mGestalt->get_GraphicsExporters(&theCollection);
    if (FAILED(theCode))
        return ErrorOf(mGestalt, IID_IGestalt, theCode);
    outCollection = vx::Client(theCollection);
    if (theCollection != nullptr)
        theCollection->Release();
    return {};
}
