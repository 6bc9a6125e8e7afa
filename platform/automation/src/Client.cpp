#include "automation/Client.h"

#include <algorithm>
#include <cstring>

#include "automation/Bstr.h"
#include "automation/ErrorInfo.h"
#include "automation/Errors.h"
#include "automation/Strings.h"

namespace vx {

namespace {

static_assert(sizeof(Variant) == sizeof(VARIANT), "a Variant array is passed as DISPPARAMS");

std::string TrimLineEnd(std::string inText)
{
    while (!inText.empty() && (inText.back() == '\n' || inText.back() == '\r'))
        inText.pop_back();
    return inText;
}

// The argument array in DISPPARAMS order (reverse), still owned by Variants.
std::vector<Variant> Reversed(std::vector<Variant> inArgs)
{
    std::reverse(inArgs.begin(), inArgs.end());
    return inArgs;
}

}  // namespace

Client::Client(IDispatch* inObject) : mObject(inObject)
{
    if (mObject != nullptr)
        mObject->AddRef();
}

Client::Client(const Client& inOther) : Client(inOther.mObject)
{
    mLastError = inOther.mLastError;
}

Client::Client(Client&& inOther) noexcept
    : mObject(std::exchange(inOther.mObject, nullptr)), mLastError(std::move(inOther.mLastError))
{
}

Client& Client::operator=(Client inOther) noexcept
{
    std::swap(mObject, inOther.mObject);
    std::swap(mLastError, inOther.mLastError);
    return *this;
}

Client::~Client()
{
    if (mObject != nullptr)
        mObject->Release();
}

void Client::Fail(HRESULT inCode, EXCEPINFO* inExcep)
{
    mLastError = ClientError{inCode, {}, {}};
    if (inExcep != nullptr) {
        if (inExcep->pfnDeferredFillIn != nullptr)
            inExcep->pfnDeferredFillIn(inExcep);
        mLastError.mCode = inExcep->scode != 0 ? inExcep->scode : inCode;
        mLastError.mDescription = UTF8FromBSTR(inExcep->bstrDescription);
        mLastError.mSource = UTF8FromBSTR(inExcep->bstrSource);
        SysFreeString(inExcep->bstrDescription);
        SysFreeString(inExcep->bstrSource);
        SysFreeString(inExcep->bstrHelpFile);
        std::memset(inExcep, 0, sizeof(EXCEPINFO));
    } else {
        IErrorInfo* theInfo = nullptr;
        if (GetErrorInfo(0, &theInfo) == S_OK) {
            Bstr theDescription, theSource;
            theInfo->GetDescription(theDescription.Out());
            theInfo->GetSource(theSource.Out());
            mLastError.mDescription = theDescription.ToUTF8();
            mLastError.mSource = theSource.ToUTF8();
            theInfo->Release();
        }
    }
    if (mLastError.mDescription.empty())
        mLastError.mDescription = TrimLineEnd(SystemMessageText(static_cast<std::uint32_t>(mLastError.mCode)));
}

HRESULT Client::FindId(std::string_view inName, DISPID* outId)
{
    *outId = DISPID_UNKNOWN;
    if (mObject == nullptr)
        return E_POINTER;
    std::u16string theName = UTF16FromUTF8(inName);
    LPOLESTR theNames[] = {theName.data()};
    return mObject->GetIDsOfNames(GUID_NULL, theNames, 1, LOCALE_USER_DEFAULT, outId);
}

Variant Client::Invoke(std::string_view inName, WORD inFlags, std::vector<Variant> inArgs)
{
    DISPID theId;
    HRESULT theResult = FindId(inName, &theId);
    if (FAILED(theResult)) {
        Fail(theResult, nullptr);
        return {};
    }
    return Invoke(theId, inFlags, std::move(inArgs));
}

Variant Client::Invoke(DISPID inId, WORD inFlags, std::vector<Variant> inArgs)
{
    mLastError = ClientError{};
    if (mObject == nullptr) {
        Fail(E_POINTER, nullptr);
        return {};
    }
    std::vector<Variant> theArgs = Reversed(std::move(inArgs));
    DISPID thePutId = DISPID_PROPERTYPUT;
    bool isPut = (inFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS theParams = {reinterpret_cast<VARIANT*>(theArgs.data()), isPut ? &thePutId : nullptr,
                            static_cast<UINT>(theArgs.size()), isPut && !theArgs.empty() ? 1u : 0u};
    Variant theResult;
    EXCEPINFO theExcep{};
    UINT theArgErr = 0;
    HRESULT theCode = mObject->Invoke(inId, GUID_NULL, LOCALE_USER_DEFAULT, inFlags, &theParams,
                                      isPut ? nullptr : theResult.Out(), &theExcep, &theArgErr);
    if (FAILED(theCode)) {
        Fail(theCode, theCode == DISP_E_EXCEPTION ? &theExcep : nullptr);
        return {};
    }
    return theResult;
}

std::vector<Variant> Client::InvokeWithOuts(std::string_view inName, std::vector<Variant> inArgs)
{
    DISPID theId;
    HRESULT theCode = FindId(inName, &theId);
    if (FAILED(theCode)) {
        Fail(theCode, nullptr);
        return {};
    }
    // The member's description says how many parameters it has and which are [out].
    std::vector<USHORT> theFlags;
    bool hasRetval = false;
    ITypeInfo* theInfo = nullptr;
    if (SUCCEEDED(mObject->GetTypeInfo(0, LOCALE_USER_DEFAULT, &theInfo)) && theInfo != nullptr) {
        TYPEATTR* theAttr = nullptr;
        if (SUCCEEDED(theInfo->GetTypeAttr(&theAttr))) {
            for (UINT i = 0; i < theAttr->cFuncs && theFlags.empty(); ++i) {
                FUNCDESC* theDesc = nullptr;
                if (FAILED(theInfo->GetFuncDesc(i, &theDesc)))
                    continue;
                if (theDesc->memid == theId &&
                    (theDesc->invkind == INVOKE_FUNC || theDesc->invkind == INVOKE_PROPERTYGET)) {
                    for (SHORT p = 0; p < theDesc->cParams; ++p)
                        theFlags.push_back(theDesc->lprgelemdescParam[p].paramdesc.wParamFlags);
                    hasRetval = theDesc->elemdescFunc.tdesc.vt != VT_VOID;
                }
                theInfo->ReleaseFuncDesc(theDesc);
            }
            theInfo->ReleaseTypeAttr(theAttr);
        }
        theInfo->Release();
    }
    std::vector<std::size_t> theOutSlots;
    std::vector<Variant> theOuts;
    theOuts.reserve(theFlags.size());
    for (std::size_t p = inArgs.size(); p < theFlags.size(); ++p) {
        if ((theFlags[p] & PARAMFLAG_FOUT) == 0)
            continue;
        theOutSlots.push_back(p);
        theOuts.emplace_back();
    }
    // Pad the given arguments up to the last [out]; the [out] places get references.
    std::vector<Variant> theArgs = std::move(inArgs);
    std::size_t theCount = theOutSlots.empty() ? theArgs.size() : std::max(theArgs.size(), theOutSlots.back() + 1);
    while (theArgs.size() < theCount) {
        theArgs.push_back(Variant::Missing());
    }
    for (std::size_t i = 0; i < theOutSlots.size(); ++i) {
        VARIANT* theArg = theArgs[theOutSlots[i]].Out();
        theArg->vt = VT_BYREF | VT_VARIANT;
        theArg->pvarVal = theOuts[i].Get();
    }
    Variant theResult = Invoke(theId, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(theArgs));
    if (!Ok())
        return {};
    if (hasRetval)
        theOuts.push_back(std::move(theResult));
    return theOuts;
}

std::vector<Variant> Client::Enumerate()
{
    Variant theEnumerator = Invoke(DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
    if (!Ok())
        return {};
    IUnknown* theUnknown = theEnumerator.AsUnknown();
    IEnumVARIANT* theEnum = nullptr;
    if (theUnknown == nullptr ||
        FAILED(theUnknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&theEnum)))) {
        Fail(DISP_E_NOTACOLLECTION, nullptr);
        return {};
    }
    std::vector<Variant> theItems;
    VARIANT theItem;
    while (theEnum->Next(1, &theItem, nullptr) == S_OK)
        theItems.push_back(Variant::Attach(theItem));
    theEnum->Release();
    return theItems;
}

}  // namespace vx
