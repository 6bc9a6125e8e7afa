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
    vx::ComPtr<ISupportErrorInfo> theSupport;
    if (inObject != nullptr && SUCCEEDED(inObject->QueryInterface(IID_ISupportErrorInfo, theSupport.OutVoid())) &&
        theSupport->InterfaceSupportsErrorInfo(inIid) == S_OK) {
        vx::ComPtr<IErrorInfo> theInfo;
        if (GetErrorInfo(0, theInfo.Out()) == S_OK) {
            vx::Bstr theDescription;
            theInfo->GetDescription(theDescription.Out());
            theError.mDescription = theDescription.ToUTF8();
        }
    }
    if (theError.mDescription.empty())
        theError.mDescription = SystemText(inCode);
    return theError;
}

}  // namespace

GestaltProbe::GestaltProbe() = default;
GestaltProbe::~GestaltProbe() = default;

RaisedError GestaltProbe::Create()
{
    mGestalt.Reset();
    // Activation sets no error information: the code speaks for itself.
    const HRESULT theCode =
        CoCreateInstance(CLSID_Gestalt, nullptr, CLSCTX_INPROC_SERVER, IID_IGestalt, mGestalt.OutVoid());
    if (FAILED(theCode)) {
        mGestalt.Detach();  // a failed activation hands out no reference
        return RaisedError{theCode, SystemText(theCode)};
    }
    return {};
}

RaisedError GestaltProbe::QuickTime(std::string& outText)
{
    outText.clear();
    if (!mGestalt)
        return RaisedError{E_POINTER, SystemText(E_POINTER)};
    vx::Variant theValue;
    const HRESULT theCode = mGestalt->get_QuickTime(theValue.Out());
    if (FAILED(theCode))
        return ErrorOf(mGestalt.Get(), IID_IGestalt, theCode);
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
    if (!mGestalt)
        return RaisedError{E_POINTER, SystemText(E_POINTER)};
    vx::ComPtr<IDispatch> theCollection;
    const HRESULT theCode = mGestalt->get_GraphicsExporters(theCollection.Out());
    if (FAILED(theCode))
        return ErrorOf(mGestalt.Get(), IID_IGestalt, theCode);
    outCollection = vx::Client(theCollection.Get());
    return {};
}
