// Helpers for the value tests: an owned VARIANT, readable descriptions of
// values, and a counted test object.
#pragma once

#include <charconv>
#include <string>
#include <string_view>

#include "automation/Interfaces.h"
#include "automation/Strings.h"
#include "automation/Variant.h"

namespace testvalues {

struct OwnedVariant {
    VARIANT mValue;
    OwnedVariant() { VariantInit(&mValue); }
    ~OwnedVariant() { VariantClear(&mValue); }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;
};

template <typename Real>
std::string RealText(Real inValue)
{
    char theBuffer[64];
    return std::string(theBuffer, std::to_chars(theBuffer, theBuffer + sizeof theBuffer, inValue).ptr);
}

// "I4 12", "BSTR \"True\"", "R8 1000", "BOOL -1", "EMPTY", ...
inline std::string Describe(const VARIANT& inValue)
{
    switch (inValue.vt) {
    case VT_EMPTY:
        return "EMPTY";
    case VT_NULL:
        return "NULL";
    case VT_I1:
        return "I1 " + std::to_string(static_cast<signed char>(inValue.cVal));
    case VT_UI1:
        return "UI1 " + std::to_string(inValue.bVal);
    case VT_I2:
        return "I2 " + std::to_string(inValue.iVal);
    case VT_UI2:
        return "UI2 " + std::to_string(inValue.uiVal);
    case VT_I4:
        return "I4 " + std::to_string(inValue.lVal);
    case VT_INT:
        return "INT " + std::to_string(inValue.intVal);
    case VT_UI4:
        return "UI4 " + std::to_string(inValue.ulVal);
    case VT_UINT:
        return "UINT " + std::to_string(inValue.uintVal);
    case VT_I8:
        return "I8 " + std::to_string(inValue.llVal);
    case VT_UI8:
        return "UI8 " + std::to_string(inValue.ullVal);
    case VT_R4:
        return "R4 " + RealText(inValue.fltVal);
    case VT_R8:
        return "R8 " + RealText(inValue.dblVal);
    case VT_BOOL:
        return "BOOL " + std::to_string(inValue.boolVal);
    case VT_ERROR:
        return "ERROR " + std::to_string(inValue.scode);
    case VT_BSTR:
        return "BSTR \"" + UTF8FromBSTR(inValue.bstrVal) + "\"";
    case VT_DISPATCH:
        return inValue.pdispVal == nullptr ? "DISPATCH null" : "DISPATCH object";
    case VT_UNKNOWN:
        return inValue.punkVal == nullptr ? "UNKNOWN null" : "UNKNOWN object";
    default:
        return "vt " + std::to_string(inValue.vt);
    }
}

// A reference-counted object. With a default value it answers
// DISPID_VALUE property gets with it; without one, DISP_E_MEMBERNOTFOUND.
// With mDispatchable false it has no IDispatch (a bare IUnknown).
class TestObject final : public IDispatch {
public:
    ULONG mReferences = 1;
    int mInvokes = 0;
    bool mDispatchable = true;
    bool mHasDefault = false;
    bool mReturnsItself = false;
    std::u16string mDefault;
    DISPID mLastId = DISPID_UNKNOWN;
    WORD mLastFlags = 0;

    HRESULT QueryInterface(REFIID inIid, void** outObject) override
    {
        if (inIid == IID_IUnknown || (mDispatchable && inIid == IID_IDispatch)) {
            *outObject = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *outObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++mReferences; }
    ULONG Release() override { return --mReferences; }  // lives on the test's stack
    HRESULT GetTypeInfoCount(UINT* outCount) override
    {
        *outCount = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT Invoke(DISPID inId, REFIID, LCID, WORD inFlags, DISPPARAMS* inParams, VARIANT* outResult, EXCEPINFO*,
                   UINT*) override
    {
        ++mInvokes;
        mLastId = inId;
        mLastFlags = inFlags;
        if (inId != DISPID_VALUE || !mHasDefault || inParams == nullptr || inParams->cArgs != 0)
            return DISP_E_MEMBERNOTFOUND;
        if (mReturnsItself) {
            AddRef();
            outResult->vt = VT_DISPATCH;
            outResult->pdispVal = this;
            return S_OK;
        }
        outResult->vt = VT_BSTR;
        outResult->bstrVal = SysAllocStringLen(mDefault.data(), static_cast<UINT>(mDefault.size()));
        return S_OK;
    }
};

}  // namespace testvalues
