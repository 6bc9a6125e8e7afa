// The native half of the Node host: activation, registration, and late-bound calls on the
// objects behind the proxies that index.js builds.
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <automation/Activation.h>
#include <automation/Bstr.h>
#include <automation/Guid.h>
#include <automation/Owners.h>
#include <automation/Strings.h>

#include "Async.h"
#include "CallArgs.h"
#include "Registration.h"
#include "Shape.h"
#include "TypeOwners.h"
#include "Values.h"

namespace vxnode {

namespace {

constexpr std::size_t kMaxArgs = 8;

struct Args {
    napi_value mValues[kMaxArgs] = {};
    size_t mCount = kMaxArgs;
};

bool GetArgs(napi_env inEnv, napi_callback_info inInfo, Args& outArgs)
{
    return napi_get_cb_info(inEnv, inInfo, &outArgs.mCount, outArgs.mValues, nullptr, nullptr) == napi_ok;
}

bool GetString(napi_env inEnv, napi_value inValue, std::string* outText)
{
    size_t theLength = 0;
    if (napi_get_value_string_utf8(inEnv, inValue, nullptr, 0, &theLength) != napi_ok) {
        napi_throw_type_error(inEnv, nullptr, "a string is expected");
        return false;
    }
    outText->resize(theLength);
    napi_get_value_string_utf8(inEnv, inValue, outText->data(), theLength + 1, &theLength);
    return true;
}

int32_t GetInt(napi_env inEnv, napi_value inValue)
{
    int32_t theValue = 0;
    napi_get_value_int32(inEnv, inValue, &theValue);
    return theValue;
}

bool GetBool(napi_env inEnv, napi_value inValue)
{
    bool theValue = false;
    napi_get_value_bool(inEnv, inValue, &theValue);
    return theValue;
}

napi_value Undefined(napi_env inEnv)
{
    napi_value theValue = nullptr;
    napi_get_undefined(inEnv, &theValue);
    return theValue;
}

void DeleteContext(napi_env inEnv, void* inData, void*)
{
    auto* theContext = static_cast<HostContext*>(inData);
    if (theContext->mProxyFactory != nullptr)
        napi_delete_reference(inEnv, theContext->mProxyFactory);
    if (theContext->mHandleKey != nullptr)
        napi_delete_reference(inEnv, theContext->mHandleKey);
    delete theContext;
}

// setup(proxyFactory, handleSymbol)
napi_value Setup(napi_env inEnv, napi_callback_info inInfo)
{
    Args theArgs;
    if (!GetArgs(inEnv, inInfo, theArgs) || theArgs.mCount < 2)
        return nullptr;
    HostContext* theContext = Context(inEnv);
    if (theContext->mProxyFactory != nullptr)
        napi_delete_reference(inEnv, theContext->mProxyFactory);
    if (theContext->mHandleKey != nullptr)
        napi_delete_reference(inEnv, theContext->mHandleKey);
    napi_create_reference(inEnv, theArgs.mValues[0], 1, &theContext->mProxyFactory);
    napi_create_reference(inEnv, theArgs.mValues[1], 1, &theContext->mHandleKey);
    return Undefined(inEnv);
}

// createObject(progIdOrClsid) → proxy
napi_value CreateObject(napi_env inEnv, napi_callback_info inInfo)
{
    Args theArgs;
    std::string theName;
    if (!GetArgs(inEnv, inInfo, theArgs) || !GetString(inEnv, theArgs.mValues[0], &theName))
        return nullptr;
    const std::u16string theWide = UTF16FromUTF8(theName);
    CLSID theClsid{};
    HRESULT theCode = !theName.empty() && theName.front() == '{' ? CLSIDFromString(theWide.c_str(), &theClsid)
                                                                 : CLSIDFromProgID(theWide.c_str(), &theClsid);
    vx::ComPtr<IDispatch> theObject;
    if (SUCCEEDED(theCode))
        theCode = CoCreateInstance(theClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, theObject.OutVoid());
    if (FAILED(theCode)) {
        ThrowCode(inEnv, theCode, theName);
        return nullptr;
    }
    return NewProxy(inEnv, theObject.Get());
}

// Runs a module's DllRegisterServer or DllUnregisterServer, as regsvr does.
napi_value RunRegistration(napi_env inEnv, napi_callback_info inInfo, const char* inEntryName)
{
    Args theArgs;
    std::string thePath;
    if (!GetArgs(inEnv, inInfo, theArgs) || !GetString(inEnv, theArgs.mValues[0], &thePath))
        return nullptr;
    const RegistrationRun theRun = RunRegistrationEntry(thePath.c_str(), inEntryName);
    HRESULT theCode = theRun.mResult;
    switch (theRun.mOutcome) {
    case RegistrationRun::Outcome::kNotFound:
        ThrowCode(inEnv, CO_E_DLLNOTFOUND, thePath);
        return nullptr;
    case RegistrationRun::Outcome::kNotLoaded:
        ThrowCode(inEnv, CO_E_ERRORINDLL, theRun.mPath + ": " + theRun.mReason);
        return nullptr;
    case RegistrationRun::Outcome::kNoEntryPoint:
        theCode = CO_E_ERRORINDLL;
        break;
    case RegistrationRun::Outcome::kRan:
        break;
    }
    if (FAILED(theCode)) {
        ThrowCode(inEnv, theCode, theRun.mPath + ": " + inEntryName);
        return nullptr;
    }
    return Undefined(inEnv);
}

napi_value RegisterServer(napi_env inEnv, napi_callback_info inInfo)
{
    return RunRegistration(inEnv, inInfo, "DllRegisterServer");
}

napi_value UnregisterServer(napi_env inEnv, napi_callback_info inInfo)
{
    return RunRegistration(inEnv, inInfo, "DllUnregisterServer");
}

void SetNumber(napi_env inEnv, napi_value inObject, const char* inName, int32_t inValue)
{
    napi_value theValue = nullptr;
    napi_create_int32(inEnv, inValue, &theValue);
    napi_set_named_property(inEnv, inObject, inName, theValue);
}

// describe(handle) → {iid, name, members: [{name, id, kind, params: [flags], paramNames, retval}]}, or null
// when the object has no type information.
napi_value Describe(napi_env inEnv, napi_callback_info inInfo)
{
    Args theArgs;
    if (!GetArgs(inEnv, inInfo, theArgs))
        return nullptr;
    HostObject* theObject = HandleObject(inEnv, theArgs.mValues[0]);
    if (theObject == nullptr)
        return nullptr;
    napi_value theNull = nullptr;
    napi_get_null(inEnv, &theNull);
    vx::ComPtr<ITypeInfo> theInfo;
    if (FAILED(theObject->mClient.Object()->GetTypeInfo(0, LOCALE_USER_DEFAULT, theInfo.Out())) || !theInfo)
        return theNull;
    TYPEATTR* theFound = nullptr;
    if (FAILED(theInfo->GetTypeAttr(&theFound)))
        return theNull;
    const std::unique_ptr<TYPEATTR, TypeAttrReturn> theAttr(theFound, TypeAttrReturn{theInfo.Get()});
    napi_value theResult = nullptr, theMembers = nullptr, theText = nullptr;
    napi_create_object(inEnv, &theResult);
    napi_create_array(inEnv, &theMembers);
    const std::string theIid = StringFromGUID(theAttr->guid);
    napi_create_string_utf8(inEnv, theIid.c_str(), theIid.size(), &theText);
    napi_set_named_property(inEnv, theResult, "iid", theText);
    {
        vx::Bstr theName;
        theInfo->GetDocumentation(DISPID_UNKNOWN, theName.Out(), nullptr, nullptr, nullptr);
        const std::string theUtf8 = theName.ToUTF8();
        napi_create_string_utf8(inEnv, theUtf8.c_str(), theUtf8.size(), &theText);
        napi_set_named_property(inEnv, theResult, "name", theText);
    }
    uint32_t theCount = 0;
    for (UINT i = 0; i < theAttr->cFuncs; ++i) {
        FUNCDESC* theGiven = nullptr;
        if (FAILED(theInfo->GetFuncDesc(i, &theGiven)))
            continue;
        const std::unique_ptr<FUNCDESC, FuncDescReturn> theDesc(theGiven, FuncDescReturn{theInfo.Get()});
        // The member's name, then its parameters' names.
        BSTR theNamesGiven[1 + 32] = {};
        UINT theNames = 0;
        const UINT theWanted = 1 + static_cast<UINT>(std::min<SHORT>(theDesc->cParams, 32));
        const bool isNamed = SUCCEEDED(theInfo->GetNames(theDesc->memid, theNamesGiven, theWanted, &theNames));
        std::vector<vx::Bstr> theNamesOut;
        for (UINT n = 0; n < theNames; ++n)
            theNamesOut.push_back(vx::Bstr::Attach(theNamesGiven[n]));
        if (isNamed && theNames >= 1) {
            BSTR theName = theNamesOut[0].Get();
            napi_value theMember = nullptr, theParams = nullptr, theParamNames = nullptr;
            napi_create_object(inEnv, &theMember);
            napi_create_string_utf16(inEnv, theName, SysStringLen(theName), &theText);
            napi_set_named_property(inEnv, theMember, "name", theText);
            napi_create_array(inEnv, &theParamNames);
            for (UINT n = 1; n < theNames; ++n) {
                napi_create_string_utf16(inEnv, theNamesOut[n].Get(), theNamesOut[n].Length(), &theText);
                napi_set_element(inEnv, theParamNames, n - 1, theText);
            }
            napi_set_named_property(inEnv, theMember, "paramNames", theParamNames);
            SetNumber(inEnv, theMember, "id", theDesc->memid);
            SetNumber(inEnv, theMember, "kind", theDesc->invkind);
            napi_create_array_with_length(inEnv, static_cast<size_t>(theDesc->cParams), &theParams);
            for (SHORT p = 0; p < theDesc->cParams; ++p) {
                napi_value theFlags = nullptr;
                napi_create_int32(inEnv, theDesc->lprgelemdescParam[p].paramdesc.wParamFlags, &theFlags);
                napi_set_element(inEnv, theParams, static_cast<uint32_t>(p), theFlags);
            }
            napi_set_named_property(inEnv, theMember, "params", theParams);
            napi_value theRetval = nullptr;
            napi_get_boolean(inEnv, theDesc->elemdescFunc.tdesc.vt != VT_VOID, &theRetval);
            napi_set_named_property(inEnv, theMember, "retval", theRetval);
            napi_set_element(inEnv, theMembers, theCount++, theMember);
        }
    }
    napi_set_named_property(inEnv, theResult, "members", theMembers);
    return theResult;
}

// idOfName(handle, name) → DISPID
napi_value IdOfName(napi_env inEnv, napi_callback_info inInfo)
{
    Args theArgs;
    std::string theName;
    if (!GetArgs(inEnv, inInfo, theArgs) || !GetString(inEnv, theArgs.mValues[1], &theName))
        return nullptr;
    HostObject* theObject = HandleObject(inEnv, theArgs.mValues[0]);
    if (theObject == nullptr)
        return nullptr;
    DISPID theId = DISPID_UNKNOWN;
    const HRESULT theCode = theObject->mClient.FindId(theName, &theId);
    if (FAILED(theCode)) {
        ThrowCode(inEnv, theCode, theName);
        return nullptr;
    }
    napi_value theResult = nullptr;
    napi_create_int32(inEnv, theId, &theResult);
    return theResult;
}

// The arguments of a call on a handle, its first, and the handle's object when no call of
// its own is under way; null with a pending JavaScript error otherwise.
HostObject* CalledObject(napi_env inEnv, napi_callback_info inInfo, Args& outArgs)
{
    if (!GetArgs(inEnv, inInfo, outArgs))
        return nullptr;
    return IdleObject(inEnv, outArgs.mValues[0]);
}

// Whether the object's last call succeeded; if not, its error is pending in JavaScript.
bool Succeeded(napi_env inEnv, HostObject& inObject)
{
    if (inObject.mClient.Ok())
        return true;
    ThrowAutomationError(inEnv, inObject.mClient.LastError());
    return false;
}

// get(handle, id) → value
napi_value Get(napi_env inEnv, napi_callback_info inInfo)
{
    Args theArgs;
    HostObject* theObject = CalledObject(inEnv, inInfo, theArgs);
    if (theObject == nullptr)
        return nullptr;
    vx::Variant theResult = theObject->mClient.Invoke(GetInt(inEnv, theArgs.mValues[1]), DISPATCH_PROPERTYGET, {});
    ReportMemory(inEnv, theObject);
    if (!Succeeded(inEnv, *theObject))
        return nullptr;
    return FromVariant(inEnv, *theResult);
}

// put(handle, id, value, byReference)
napi_value Put(napi_env inEnv, napi_callback_info inInfo)
{
    Args theArgs;
    HostObject* theObject = CalledObject(inEnv, inInfo, theArgs);
    if (theObject == nullptr)
        return nullptr;
    std::vector<vx::Variant> theValue(1);
    if (!ToVariant(inEnv, theArgs.mValues[2], NullAs::kNothing, theValue[0].Out()) || !ArgumentsIdle(inEnv, theValue))
        return nullptr;
    const WORD theFlags = GetBool(inEnv, theArgs.mValues[3]) ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    theObject->mClient.Invoke(GetInt(inEnv, theArgs.mValues[1]), theFlags, std::move(theValue));
    ReportMemory(inEnv, theObject);
    if (!Succeeded(inEnv, *theObject))
        return nullptr;
    return Undefined(inEnv);
}

// call(handle, id, args, outPositions|null, hasRetval) → the retval; with [out] parameters the
// caller left out, their values in order (then the retval), or the one value alone.
napi_value Call(napi_env inEnv, napi_callback_info inInfo)
{
    Args theArgs;
    HostObject* theObject = CalledObject(inEnv, inInfo, theArgs);
    if (theObject == nullptr)
        return nullptr;
    PreparedCall theCall;
    if (!PrepareCall(inEnv, theArgs.mValues[2], theArgs.mValues[3], &theCall) || !ArgumentsIdle(inEnv, theCall.mValues))
        return nullptr;
    vx::Variant theResult = theObject->mClient.Invoke(
        GetInt(inEnv, theArgs.mValues[1]), DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(theCall.mValues));
    ReportMemory(inEnv, theObject);
    if (!Succeeded(inEnv, *theObject))
        return nullptr;
    return CallResult(inEnv, theCall, std::move(theResult), GetBool(inEnv, theArgs.mValues[4]));
}

// enumerate(handle) → [items] through _NewEnum
napi_value Enumerate(napi_env inEnv, napi_callback_info inInfo)
{
    Args theArgs;
    HostObject* theObject = CalledObject(inEnv, inInfo, theArgs);
    if (theObject == nullptr)
        return nullptr;
    std::vector<vx::Variant> theItems = theObject->mClient.Enumerate();
    if (!Succeeded(inEnv, *theObject))
        return nullptr;
    return ArrayFromVariants(inEnv, theItems);
}

// The enumerator behind one loop over a collection, released with its JavaScript handle.
void ReleaseEnumerator(node_api_basic_env, void* inData, void*)
{
    const auto theEnum = vx::ComPtr<IEnumVARIANT>::Attach(static_cast<IEnumVARIANT*>(inData));
}

// enumerator(handle) → an opaque handle for enumNext, through _NewEnum. A loop then holds only
// the items of one batch, not the whole collection.
napi_value Enumerator(napi_env inEnv, napi_callback_info inInfo)
{
    Args theArgs;
    HostObject* theObject = CalledObject(inEnv, inInfo, theArgs);
    if (theObject == nullptr)
        return nullptr;
    vx::Variant theValue = theObject->mClient.Invoke(DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
    if (!Succeeded(inEnv, *theObject))
        return nullptr;
    IUnknown* theUnknown = theValue.AsUnknown();
    vx::ComPtr<IEnumVARIANT> theEnum;
    if (theUnknown == nullptr || FAILED(theUnknown->QueryInterface(IID_IEnumVARIANT, theEnum.OutVoid()))) {
        ThrowAutomationError(inEnv, vx::ClientError{DISP_E_NOTACOLLECTION, {}, {}});
        return nullptr;
    }
    // Wrapped like the objects' handles, whose finalizers also run when the environment ends.
    napi_value theHandle = nullptr;
    napi_create_object(inEnv, &theHandle);
    if (napi_wrap(inEnv, theHandle, theEnum.Get(), ReleaseEnumerator, nullptr, nullptr) != napi_ok)
        return nullptr;
    theEnum.Detach();  // the handle's finalizer holds it now
    return theHandle;
}

// enumNext(enumerator, count) → the next items, at most count of them; empty at the end.
napi_value EnumNext(napi_env inEnv, napi_callback_info inInfo)
{
    Args theArgs;
    if (!GetArgs(inEnv, inInfo, theArgs))
        return nullptr;
    void* theData = nullptr;
    if (napi_unwrap(inEnv, theArgs.mValues[0], &theData) != napi_ok || theData == nullptr) {
        napi_throw_type_error(inEnv, nullptr, "not an enumerator");
        return nullptr;
    }
    int32_t theWanted = 0;
    napi_get_value_int32(inEnv, theArgs.mValues[1], &theWanted);
    std::vector<VARIANT> theBatch(std::size_t(std::clamp(theWanted, 1, 1024)));
    ULONG theFetched = 0;
    const HRESULT theResult =
        static_cast<IEnumVARIANT*>(theData)->Next(ULONG(theBatch.size()), theBatch.data(), &theFetched);
    if (FAILED(theResult)) {
        ThrowAutomationError(inEnv, vx::ClientError{theResult, {}, {}});
        return nullptr;
    }
    std::vector<vx::Variant> theItems;
    theItems.reserve(theFetched);
    for (ULONG i = 0; i < theFetched; ++i)
        theItems.push_back(vx::Variant::Attach(theBatch[i]));
    return ArrayFromVariants(inEnv, theItems);
}

// sameObject(handleA, handleB): whether both stand for one object (same IUnknown).
napi_value SameObject(napi_env inEnv, napi_callback_info inInfo)
{
    Args theArgs;
    if (!GetArgs(inEnv, inInfo, theArgs))
        return nullptr;
    HostObject* theA = HandleObject(inEnv, theArgs.mValues[0]);
    HostObject* theB = theA != nullptr ? HandleObject(inEnv, theArgs.mValues[1]) : nullptr;
    if (theB == nullptr)
        return nullptr;
    vx::ComPtr<IUnknown> theIdentityA;
    vx::ComPtr<IUnknown> theIdentityB;
    theA->mClient.Object()->QueryInterface(IID_IUnknown, theIdentityA.OutVoid());
    theB->mClient.Object()->QueryInterface(IID_IUnknown, theIdentityB.OutVoid());
    const bool isSame = theIdentityA && theIdentityA.Get() == theIdentityB.Get();
    napi_value theResult = nullptr;
    napi_get_boolean(inEnv, isSame, &theResult);
    return theResult;
}

// externalMemory() → the bytes this thread's V8 counts as external memory, including the pixels
// reported for live objects.
napi_value ExternalMemory(napi_env inEnv, napi_callback_info)
{
    std::int64_t theTotal = 0;
    napi_adjust_external_memory(inEnv, 0, &theTotal);
    napi_value theResult = nullptr;
    napi_create_double(inEnv, static_cast<double>(theTotal), &theResult);
    return theResult;
}

napi_value Init(napi_env inEnv, napi_value inExports)
{
    auto* theContext = new HostContext;
    napi_set_instance_data(inEnv, theContext, DeleteContext, nullptr);
    StartAsync(inEnv, theContext);
    const napi_property_descriptor theFunctions[] = {
        {"setup", nullptr, Setup, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"useRegistry", nullptr, UseRegistry, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"registeredModule", nullptr, RegisteredModule, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"createObject", nullptr, CreateObject, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"registerServer", nullptr, RegisterServer, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"unregisterServer", nullptr, UnregisterServer, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"describe", nullptr, Describe, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"interfaceId", nullptr, InterfaceId, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"idOfName", nullptr, IdOfName, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"get", nullptr, Get, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"put", nullptr, Put, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"call", nullptr, Call, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"callAsync", nullptr, CallAsync, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"enumerate", nullptr, Enumerate, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"enumerator", nullptr, Enumerator, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"enumNext", nullptr, EnumNext, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"sameObject", nullptr, SameObject, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"externalMemory", nullptr, ExternalMemory, nullptr, nullptr, nullptr, napi_default, nullptr},
    };
    napi_define_properties(inEnv, inExports, sizeof theFunctions / sizeof theFunctions[0], theFunctions);
    return inExports;
}

}  // namespace

}  // namespace vxnode

NAPI_MODULE(NODE_GYP_MODULE_NAME, vxnode::Init)
