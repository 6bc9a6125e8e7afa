#include "automation/ErrorInfo.h"

#include "automation/Bstr.h"
#include "automation/ComObject.h"
#include "automation/Strings.h"

namespace vx {

namespace {

// The error object ICreateErrorInfo builds and IErrorInfo reads back.
class ErrorObject final : public ComObject<ErrorObject, IErrorInfo, ICreateErrorInfo> {
public:
    using Interfaces =
        InterfaceMap<Answers<IErrorInfo, IID_IErrorInfo>, Answers<ICreateErrorInfo, IID_ICreateErrorInfo>>;
    // An error left on a thread that nobody reads must not pin the server that raised it.
    static constexpr bool kModuleObject = false;

    HRESULT GetGUID(GUID* outGuid) override
    {
        if (outGuid == nullptr)
            return E_POINTER;
        *outGuid = mGuid;
        return S_OK;
    }
    HRESULT GetSource(BSTR* outSource) override { return CopyOut(mSource, outSource); }
    HRESULT GetDescription(BSTR* outDescription) override { return CopyOut(mDescription, outDescription); }
    HRESULT GetHelpFile(BSTR* outHelpFile) override { return CopyOut(mHelpFile, outHelpFile); }
    HRESULT GetHelpContext(DWORD* outHelpContext) override
    {
        if (outHelpContext == nullptr)
            return E_POINTER;
        *outHelpContext = mHelpContext;
        return S_OK;
    }

    HRESULT SetGUID(REFGUID inGuid) override
    {
        mGuid = inGuid;
        return S_OK;
    }
    HRESULT SetSource(LPOLESTR inSource) override { return CopyIn(inSource, mSource); }
    HRESULT SetDescription(LPOLESTR inDescription) override { return CopyIn(inDescription, mDescription); }
    HRESULT SetHelpFile(LPOLESTR inHelpFile) override { return CopyIn(inHelpFile, mHelpFile); }
    HRESULT SetHelpContext(DWORD inHelpContext) override
    {
        mHelpContext = inHelpContext;
        return S_OK;
    }

private:
    static HRESULT CopyOut(const Bstr& inText, BSTR* outText)
    {
        if (outText == nullptr)
            return E_POINTER;
        *outText = SysAllocStringLen(inText.Get(), inText.Length());
        return *outText != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    static HRESULT CopyIn(LPOLESTR inText, Bstr& outText)
    {
        outText.Reset(SysAllocString(inText));
        return inText != nullptr && outText.Get() == nullptr ? E_OUTOFMEMORY : S_OK;
    }

    GUID mGuid = GUID_NULL;
    Bstr mSource;
    Bstr mDescription;
    Bstr mHelpFile;
    DWORD mHelpContext = 0;
};

// The thread's error object; released when the thread ends.
struct ThreadErrorSlot {
    IErrorInfo* mInfo = nullptr;
    ~ThreadErrorSlot()
    {
        if (mInfo != nullptr)
            mInfo->Release();
    }
};

thread_local ThreadErrorSlot tErrorSlot;

}  // namespace

HRESULT RaiseError(HRESULT inCode, std::string_view inDescription, std::string_view inSource, REFIID inIid)
{
    ICreateErrorInfo* theCreate = nullptr;
    if (FAILED(CreateErrorInfo(&theCreate)))
        return inCode;
    std::u16string theDescription = UTF16FromUTF8(inDescription);
    std::u16string theSource = UTF16FromUTF8(inSource);
    theCreate->SetGUID(inIid);
    theCreate->SetDescription(theDescription.data());
    theCreate->SetSource(theSource.data());
    IErrorInfo* theInfo = nullptr;
    if (SUCCEEDED(theCreate->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&theInfo)))) {
        SetErrorInfo(0, theInfo);
        theInfo->Release();
    }
    theCreate->Release();
    return inCode;
}

}  // namespace vx

HRESULT SetErrorInfo(ULONG inReserved, IErrorInfo* inInfo)
{
    if (inReserved != 0)
        return E_INVALIDARG;
    if (inInfo != nullptr)
        inInfo->AddRef();
    IErrorInfo* theOld = vx::tErrorSlot.mInfo;
    vx::tErrorSlot.mInfo = inInfo;
    // Released last: releasing may run code that sets error information again.
    if (theOld != nullptr)
        theOld->Release();
    return S_OK;
}

HRESULT GetErrorInfo(ULONG inReserved, IErrorInfo** outInfo)
{
    if (outInfo == nullptr)
        return E_POINTER;
    *outInfo = nullptr;
    if (inReserved != 0)
        return E_INVALIDARG;
    *outInfo = vx::tErrorSlot.mInfo;
    vx::tErrorSlot.mInfo = nullptr;
    return *outInfo != nullptr ? S_OK : S_FALSE;
}

HRESULT CreateErrorInfo(ICreateErrorInfo** outInfo)
{
    if (outInfo == nullptr)
        return E_POINTER;
    *outInfo = vx::ErrorObject::Create();
    return *outInfo != nullptr ? S_OK : E_OUTOFMEMORY;
}
