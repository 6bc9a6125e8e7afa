#include "Values.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include <automation/Errors.h>
#include <automation/SafeArray.h>
#include <automation/Strings.h>
#include <automation/Variant.h>

namespace vxnode {

namespace {

napi_value Undefined(napi_env inEnv)
{
    napi_value theValue = nullptr;
    napi_get_undefined(inEnv, &theValue);
    return theValue;
}

// V8 starts a full collection once external memory has grown by 64 MB since the last one, a
// pace set for heaps of hundreds of megabytes. Held pixels count eightfold, so that about 8 MB
// of dropped canvases wait for a collection rather than 64 MB: a page loop that never calls
// Clear() stays within the memory of one that does.
constexpr ULONGLONG kPixelWeight = 8;

// Runs during garbage collection: only calls that leave the JavaScript heap alone.
void ReleaseHandle(node_api_basic_env inEnv, void* inData, void*)
{
    auto* theObject = static_cast<HostObject*>(inData);
    if (theObject->mReported != 0) {
        std::int64_t theTotal = 0;
        napi_adjust_external_memory(inEnv, -theObject->mReported, &theTotal);
    }
    delete theObject;
}

bool IsInt32(double inValue)
{
    return inValue >= INT32_MIN && inValue <= INT32_MAX && std::trunc(inValue) == inValue &&
           !(inValue == 0.0 && std::signbit(inValue));
}

napi_value ArrayFromVariant(napi_env inEnv, const VARIANT& inValue)
{
    SAFEARRAY* theArray = (inValue.vt & VT_BYREF) ? *inValue.pparray : inValue.parray;
    const VARTYPE theType = inValue.vt & VT_TYPEMASK;
    if (theArray == nullptr)
        return Undefined(inEnv);
    LONG theLower = 0, theUpper = -1;
    if (SafeArrayGetDim(theArray) != 1 || FAILED(SafeArrayGetLBound(theArray, 1, &theLower)) ||
        FAILED(SafeArrayGetUBound(theArray, 1, &theUpper))) {
        napi_throw_type_error(inEnv, nullptr, "only one-dimensional arrays reach scripts");
        return nullptr;
    }
    const std::size_t theCount = theUpper >= theLower ? static_cast<std::size_t>(theUpper - theLower) + 1 : 0;
    napi_value theResult = nullptr;
    if (theType == VT_UI1) {
        void* theData = nullptr;
        if (theCount > 0 && FAILED(SafeArrayAccessData(theArray, &theData))) {
            ThrowCode(inEnv, E_UNEXPECTED);
            return nullptr;
        }
        const napi_status theStatus =
            napi_create_buffer_copy(inEnv, theCount, theCount > 0 ? theData : "", nullptr, &theResult);
        if (theCount > 0)
            SafeArrayUnaccessData(theArray);
        return theStatus == napi_ok ? theResult : nullptr;
    }
    napi_create_array_with_length(inEnv, theCount, &theResult);
    for (std::size_t i = 0; i < theCount; ++i) {
        LONG theIndex = theLower + static_cast<LONG>(i);
        VARIANT theElement;
        VariantInit(&theElement);
        HRESULT theCode = theType == VT_VARIANT ? SafeArrayGetElement(theArray, &theIndex, &theElement)
                                                : SafeArrayGetElement(theArray, &theIndex, &theElement.llVal);
        if (FAILED(theCode)) {
            ThrowCode(inEnv, theCode);
            return nullptr;
        }
        if (theType != VT_VARIANT)
            theElement.vt = theType;
        vx::Variant theOwned = vx::Variant::Attach(theElement);
        napi_value theItem = FromVariant(inEnv, *theOwned);
        if (theItem == nullptr)
            return nullptr;
        napi_set_element(inEnv, theResult, static_cast<uint32_t>(i), theItem);
    }
    return theResult;
}

napi_value Text(napi_env inEnv, const char* inText)
{
    napi_value theValue = nullptr;
    napi_create_string_utf8(inEnv, inText, NAPI_AUTO_LENGTH, &theValue);
    return theValue;
}

// Whole numbers in the 32-bit range (but not -0) stay integers; the rest are doubles.
void NumberToVariant(napi_env inEnv, napi_value inValue, VARIANT* outValue)
{
    double theNumber = 0;
    napi_get_value_double(inEnv, inValue, &theNumber);
    if (IsInt32(theNumber)) {
        outValue->vt = VT_I4;
        outValue->lVal = static_cast<LONG>(theNumber);
    } else {
        outValue->vt = VT_R8;
        outValue->dblVal = theNumber;
    }
}

bool BigIntToVariant(napi_env inEnv, napi_value inValue, VARIANT* outValue)
{
    int64_t theNumber = 0;
    bool isLossless = false;
    napi_get_value_bigint_int64(inEnv, inValue, &theNumber, &isLossless);
    if (!isLossless) {
        napi_throw_range_error(inEnv, nullptr, "BigInt out of the 64-bit range");
        return false;
    }
    outValue->vt = VT_I8;
    outValue->llVal = theNumber;
    return true;
}

bool StringToVariant(napi_env inEnv, napi_value inValue, VARIANT* outValue)
{
    size_t theLength = 0;
    napi_get_value_string_utf16(inEnv, inValue, nullptr, 0, &theLength);
    BSTR theText = SysAllocStringLen(nullptr, static_cast<UINT>(theLength));
    if (theText == nullptr) {
        ThrowCode(inEnv, E_OUTOFMEMORY);
        return false;
    }
    size_t theCopied = 0;
    napi_get_value_string_utf16(inEnv, inValue, theText, theLength + 1, &theCopied);
    outValue->vt = VT_BSTR;
    outValue->bstrVal = theText;
    return true;
}

// Buffers are Uint8Arrays; other typed arrays have no automation form.
bool TypedArrayToVariant(napi_env inEnv, napi_value inValue, VARIANT* outValue)
{
    napi_typedarray_type theType;
    size_t theLength = 0;
    void* theData = nullptr;
    napi_get_typedarray_info(inEnv, inValue, &theType, &theLength, &theData, nullptr, nullptr);
    if (theType != napi_uint8_array && theType != napi_uint8_clamped_array) {
        napi_throw_type_error(inEnv, nullptr, "only byte arrays (Uint8Array, Buffer) can be passed");
        return false;
    }
    // More than 2 GiB has no array bounds: refused, not cut short.
    if (const HRESULT theResult = ByteArrayVariant(theData, theLength, outValue); FAILED(theResult)) {
        ThrowCode(inEnv, theResult);
        return false;
    }
    return true;
}

bool ObjectToVariant(napi_env inEnv, napi_value inValue, VARIANT* outValue)
{
    bool isTyped = false;
    napi_is_typedarray(inEnv, inValue, &isTyped);
    if (isTyped)
        return TypedArrayToVariant(inEnv, inValue, outValue);
    // An object proxy answers its handle under the private symbol.
    HostContext* theContext = Context(inEnv);
    napi_value theKey = nullptr;
    napi_value theHandle = nullptr;
    void* theData = nullptr;
    if (theContext != nullptr && theContext->mHandleKey != nullptr &&
        napi_get_reference_value(inEnv, theContext->mHandleKey, &theKey) == napi_ok &&
        napi_get_property(inEnv, inValue, theKey, &theHandle) == napi_ok &&
        napi_unwrap(inEnv, theHandle, &theData) == napi_ok && theData != nullptr) {
        IDispatch* theObject = static_cast<HostObject*>(theData)->mClient.Object();
        if (theObject != nullptr)
            theObject->AddRef();
        outValue->vt = VT_DISPATCH;
        outValue->pdispVal = theObject;
        return true;
    }
    bool isPending = false;
    napi_is_exception_pending(inEnv, &isPending);
    if (!isPending)
        napi_throw_type_error(inEnv, nullptr, "this object can't be passed to an automation object");
    return false;
}

napi_value Int32(napi_env inEnv, std::int32_t inValue)
{
    napi_value theResult = nullptr;
    napi_create_int32(inEnv, inValue, &theResult);
    return theResult;
}

napi_value Double(napi_env inEnv, double inValue)
{
    napi_value theResult = nullptr;
    napi_create_double(inEnv, inValue, &theResult);
    return theResult;
}

// The numeric types; any type left has no script form.
napi_value NumberFromVariant(napi_env inEnv, const VARIANT& inValue)
{
    napi_value theResult = nullptr;
    switch (inValue.vt) {
    case VT_I1:
        return Int32(inEnv, static_cast<signed char>(inValue.cVal));
    case VT_UI1:
        return Int32(inEnv, inValue.bVal);
    case VT_I2:
        return Int32(inEnv, inValue.iVal);
    case VT_UI2:
        return Int32(inEnv, inValue.uiVal);
    case VT_I4:
    case VT_INT:
        return Int32(inEnv, inValue.lVal);
    case VT_UI4:
    case VT_UINT:
        napi_create_uint32(inEnv, inValue.ulVal, &theResult);
        return theResult;
    case VT_I8:
        napi_create_int64(inEnv, inValue.llVal, &theResult);
        return theResult;
    case VT_UI8:
        return Double(inEnv, static_cast<double>(inValue.ullVal));
    case VT_R4:
        return Double(inEnv, inValue.fltVal);
    case VT_R8:
    case VT_DATE:
        return Double(inEnv, inValue.dblVal);
    case VT_CY:
        return Double(inEnv, static_cast<double>(inValue.cyVal.int64) / 10000.0);
    default: {
        const std::string theText = "an automation value of type " + std::to_string(inValue.vt) + " has no script form";
        napi_throw_type_error(inEnv, nullptr, theText.c_str());
        return nullptr;
    }
    }
}

// An object without IDispatch reaches scripts as null.
napi_value UnknownFromVariant(napi_env inEnv, IUnknown* inObject)
{
    vx::ComPtr<IDispatch> theObject;
    if (inObject != nullptr)
        inObject->QueryInterface(IID_IDispatch, theObject.OutVoid());
    return NewProxy(inEnv, theObject.Get());
}

}  // namespace

HostObject::HostObject(IDispatch* inObject) : mClient(inObject), mThread(std::this_thread::get_id())
{
    if (inObject != nullptr)
        inObject->QueryInterface(IID_IMemoryUse, mMemory.OutVoid());
}

HostObject::~HostObject() = default;

void ReportMemory(napi_env inEnv, HostObject* inObject)
{
    ULONGLONG theBytes = 0;
    if (!inObject->mMemory || FAILED(inObject->mMemory->GetBytesHeld(&theBytes)))
        return;
    theBytes *= kPixelWeight;
    const std::int64_t theChange = static_cast<std::int64_t>(theBytes) - inObject->mReported;
    if (theChange == 0)
        return;
    std::int64_t theTotal = 0;
    if (napi_adjust_external_memory(inEnv, theChange, &theTotal) == napi_ok)
        inObject->mReported += theChange;
}

HostContext* Context(napi_env inEnv)
{
    void* theData = nullptr;
    napi_get_instance_data(inEnv, &theData);
    return static_cast<HostContext*>(theData);
}

napi_value NewProxy(napi_env inEnv, IDispatch* inObject)
{
    napi_value theNull = nullptr;
    napi_get_null(inEnv, &theNull);
    if (inObject == nullptr)
        return theNull;
    napi_value theHandle = nullptr;
    napi_create_object(inEnv, &theHandle);
    auto* theObject = new HostObject(inObject);
    if (napi_wrap(inEnv, theHandle, theObject, ReleaseHandle, nullptr, nullptr) != napi_ok) {
        delete theObject;
        return nullptr;
    }
    ReportMemory(inEnv, theObject);
    HostContext* theContext = Context(inEnv);
    napi_value theFactory = nullptr;
    if (theContext == nullptr || theContext->mProxyFactory == nullptr ||
        napi_get_reference_value(inEnv, theContext->mProxyFactory, &theFactory) != napi_ok || theFactory == nullptr)
        return theHandle;
    napi_value theProxy = nullptr;
    if (napi_call_function(inEnv, Undefined(inEnv), theFactory, 1, &theHandle, &theProxy) != napi_ok)
        return nullptr;
    return theProxy;
}

HostObject* HandleObject(napi_env inEnv, napi_value inHandle)
{
    void* theData = nullptr;
    if (napi_unwrap(inEnv, inHandle, &theData) != napi_ok || theData == nullptr) {
        napi_throw_type_error(inEnv, nullptr, "not an automation object");
        return nullptr;
    }
    auto* theObject = static_cast<HostObject*>(theData);
    if (theObject->mThread != std::this_thread::get_id()) {
        napi_throw_error(inEnv, "ERR_VX_WRONG_THREAD",
                         "this automation object belongs to the thread that created it; "
                         "create the object in the thread (main or worker) that uses it");
        return nullptr;
    }
    return theObject;
}

bool ToVariant(napi_env inEnv, napi_value inValue, NullAs inNull, VARIANT* outValue)
{
    VariantInit(outValue);
    napi_valuetype theKind = napi_undefined;
    napi_typeof(inEnv, inValue, &theKind);
    switch (theKind) {
    case napi_undefined:
        return true;
    case napi_null:
        if (inNull == NullAs::kNothing) {
            outValue->vt = VT_DISPATCH;
            outValue->pdispVal = nullptr;
        } else {
            outValue->vt = VT_NULL;
        }
        return true;
    case napi_boolean: {
        bool theFlag = false;
        napi_get_value_bool(inEnv, inValue, &theFlag);
        outValue->vt = VT_BOOL;
        outValue->boolVal = theFlag ? VARIANT_TRUE : VARIANT_FALSE;
        return true;
    }
    case napi_number:
        NumberToVariant(inEnv, inValue, outValue);
        return true;
    case napi_bigint:
        return BigIntToVariant(inEnv, inValue, outValue);
    case napi_string:
        return StringToVariant(inEnv, inValue, outValue);
    case napi_object:
        return ObjectToVariant(inEnv, inValue, outValue);
    default:
        napi_throw_type_error(inEnv, nullptr, "this value can't be passed to an automation object");
        return false;
    }
}

napi_value FromVariant(napi_env inEnv, const VARIANT& inValue)
{
    if (inValue.vt == (VT_BYREF | VT_VARIANT))
        return inValue.pvarVal != nullptr ? FromVariant(inEnv, *inValue.pvarVal) : Undefined(inEnv);
    if (inValue.vt & VT_ARRAY)
        return ArrayFromVariant(inEnv, inValue);
    if (inValue.vt & VT_BYREF) {
        vx::Variant theCopy;
        const HRESULT theCode = VariantCopyInd(theCopy.Out(), &inValue);
        if (FAILED(theCode)) {
            ThrowCode(inEnv, theCode);
            return nullptr;
        }
        return FromVariant(inEnv, *theCopy);
    }
    napi_value theResult = nullptr;
    switch (inValue.vt) {
    case VT_EMPTY:
    case VT_ERROR:  // a missing optional value
        return Undefined(inEnv);
    case VT_NULL:
        napi_get_null(inEnv, &theResult);
        return theResult;
    case VT_BOOL:
        napi_get_boolean(inEnv, inValue.boolVal != VARIANT_FALSE, &theResult);
        return theResult;
    case VT_BSTR:
        napi_create_string_utf16(inEnv, inValue.bstrVal != nullptr ? inValue.bstrVal : u"",
                                 SysStringLen(inValue.bstrVal), &theResult);
        return theResult;
    case VT_DISPATCH:
        return NewProxy(inEnv, inValue.pdispVal);
    case VT_UNKNOWN:
        return UnknownFromVariant(inEnv, inValue.punkVal);
    default:
        return NumberFromVariant(inEnv, inValue);
    }
}

void ThrowAutomationError(napi_env inEnv, const vx::ClientError& inError)
{
    std::string theDescription = inError.mDescription;
    if (theDescription.empty()) {
        char theCode[32];
        std::snprintf(theCode, sizeof theCode, "Automation error 0x%08X", static_cast<unsigned>(inError.mCode));
        theDescription = theCode;
    }
    napi_value theMessage = Text(inEnv, theDescription.c_str());
    napi_value theError = nullptr;
    napi_create_error(inEnv, nullptr, theMessage, &theError);
    napi_value theNumber = nullptr;
    napi_create_int32(inEnv, inError.mCode, &theNumber);
    napi_set_named_property(inEnv, theError, "number", theNumber);
    napi_set_named_property(inEnv, theError, "description", theMessage);
    napi_set_named_property(inEnv, theError, "source", Text(inEnv, inError.mSource.c_str()));
    napi_throw(inEnv, theError);
}

void ThrowCode(napi_env inEnv, HRESULT inCode, const std::string& inDetail)
{
    std::string theText = SystemMessageText(static_cast<std::uint32_t>(inCode));
    while (!theText.empty() && (theText.back() == '\n' || theText.back() == '\r'))
        theText.pop_back();
    if (!inDetail.empty())
        theText = theText.empty() ? inDetail : inDetail + ": " + theText;
    ThrowAutomationError(inEnv, vx::ClientError{inCode, theText, {}});
}

}  // namespace vxnode
