// An owned VARIANT: cleared on destruction, deep-copied with VariantCopy.
// vx::Variant is the usual name for it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/Interfaces.h"
#include "automation/Variant.h"

namespace vx {

class ComVariant {
public:
    ComVariant() { VariantInit(&mValue); }
    ComVariant(const VARIANT& inValue)
    {
        VariantInit(&mValue);
        VariantCopy(&mValue, &inValue);
    }
    ComVariant(const ComVariant& inOther) : ComVariant(inOther.mValue) {}
    ComVariant(ComVariant&& inOther) noexcept : mValue(inOther.mValue) { VariantInit(&inOther.mValue); }
    ComVariant& operator=(const ComVariant& inOther)
    {
        if (this != &inOther) {
            VariantClear(&mValue);
            VariantCopy(&mValue, &inOther.mValue);
        }
        return *this;
    }
    ComVariant& operator=(ComVariant&& inOther) noexcept
    {
        if (this != &inOther) {
            VariantClear(&mValue);
            mValue = inOther.mValue;
            VariantInit(&inOther.mValue);
        }
        return *this;
    }
    ~ComVariant() { VariantClear(&mValue); }

    ComVariant(int inValue) : ComVariant() { SetLong(inValue); }
    // VT_I4 when the value fits, else VT_I8.
    ComVariant(long inValue) : ComVariant()
    {
        if (inValue >= INT32_MIN && inValue <= INT32_MAX)
            SetLong(static_cast<LONG>(inValue));
        else {
            mValue.vt = VT_I8;
            mValue.llVal = inValue;
        }
    }
    ComVariant(double inValue) : ComVariant()
    {
        mValue.vt = VT_R8;
        mValue.dblVal = inValue;
    }
    ComVariant(float inValue) : ComVariant()
    {
        mValue.vt = VT_R4;
        mValue.fltVal = inValue;
    }
    ComVariant(bool inValue) : ComVariant()
    {
        mValue.vt = VT_BOOL;
        mValue.boolVal = inValue ? VARIANT_TRUE : VARIANT_FALSE;
    }
    ComVariant(const char* inUtf8) : ComVariant(std::string_view(inUtf8 ? inUtf8 : "")) {}
    ComVariant(const std::string& inUtf8) : ComVariant(std::string_view(inUtf8)) {}
    ComVariant(std::string_view inUtf8);
    ComVariant(std::u16string_view inText);
    ComVariant(const std::u16string& inText) : ComVariant(std::u16string_view(inText)) {}
    ComVariant(const char16_t* inText) : ComVariant(std::u16string_view(inText ? inText : u"")) {}
    // Adds a reference; null gives VT_DISPATCH with a null pointer ("Nothing").
    ComVariant(IDispatch* inObject);
    ComVariant(IUnknown* inObject);
    // Any other pointer would silently become a bool.
    template <class T>
    ComVariant(T*) = delete;
    // A one-dimensional byte array (VT_ARRAY | VT_UI1, lower bound 0).
    ComVariant(const std::vector<std::uint8_t>& inBytes);

    // The marker of a left-out optional argument (VT_ERROR, DISP_E_PARAMNOTFOUND).
    static ComVariant Missing()
    {
        ComVariant theResult;
        theResult.mValue.vt = VT_ERROR;
        theResult.mValue.scode = DISP_E_PARAMNOTFOUND;
        return theResult;
    }
    static bool IsMissing(const VARIANT& inValue)
    {
        return inValue.vt == VT_ERROR && inValue.scode == DISP_E_PARAMNOTFOUND;
    }

    // Takes over inValue; inValue is left VT_EMPTY.
    static ComVariant Attach(VARIANT& inValue)
    {
        ComVariant theResult;
        theResult.mValue = inValue;
        VariantInit(&inValue);
        return theResult;
    }
    // Moves the value into outValue, which must be empty or uninitialised.
    void Detach(VARIANT* outValue)
    {
        *outValue = mValue;
        VariantInit(&mValue);
    }
    // Clears and hands out the VARIANT for an [out] VARIANT* argument.
    VARIANT* Out()
    {
        VariantClear(&mValue);
        return &mValue;
    }
    void Clear() { VariantClear(&mValue); }

    VARIANT* Get() { return &mValue; }
    const VARIANT* Get() const { return &mValue; }
    const VARIANT& operator*() const { return mValue; }
    VARTYPE Type() const { return mValue.vt; }
    bool IsEmpty() const { return mValue.vt == VT_EMPTY; }

    // Conversions with the automation rules; on failure the result is the
    // fallback and outResult (when given) holds the coercion's HRESULT.
    std::string AsString(HRESULT* outResult = nullptr) const;  // UTF-8
    std::u16string AsU16String(HRESULT* outResult = nullptr) const;
    LONG AsLong(HRESULT* outResult = nullptr) const;
    double AsDouble(HRESULT* outResult = nullptr) const;
    bool AsBool(HRESULT* outResult = nullptr) const;
    // Borrowed (no reference added); null unless the value holds an object.
    IDispatch* AsDispatch() const;
    IUnknown* AsUnknown() const;
    // The bytes of a VT_ARRAY | VT_UI1 value (by reference followed); empty otherwise.
    std::vector<std::uint8_t> AsBytes(HRESULT* outResult = nullptr) const;

private:
    void SetLong(LONG inValue)
    {
        mValue.vt = VT_I4;
        mValue.lVal = inValue;
    }

    VARIANT mValue;
};

using Variant = ComVariant;

}  // namespace vx
