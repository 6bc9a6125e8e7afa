// An owned BSTR (unique ownership, move-only). A null BSTR reads as empty.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "automation/Strings.h"

namespace vx {

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::string_view inUtf8) : mText(SysAllocStringUTF8(inUtf8)) {}
    explicit Bstr(std::u16string_view inText)
        : mText(SysAllocStringLen(inText.data(), static_cast<UINT>(inText.size())))
    {
    }
    explicit Bstr(const char* inUtf8) : Bstr(std::string_view(inUtf8 ? inUtf8 : "")) {}
    Bstr(Bstr&& inOther) noexcept : mText(std::exchange(inOther.mText, nullptr)) {}
    Bstr& operator=(Bstr&& inOther) noexcept
    {
        if (this != &inOther)
            Reset(std::exchange(inOther.mText, nullptr));
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(mText); }

    // Takes ownership of inText.
    static Bstr Attach(BSTR inText)
    {
        Bstr theResult;
        theResult.mText = inText;
        return theResult;
    }
    // Gives up ownership.
    BSTR Detach() { return std::exchange(mText, nullptr); }
    // Frees the current text and hands out the slot for an [out] BSTR* argument.
    BSTR* Out()
    {
        Reset(nullptr);
        return &mText;
    }
    void Reset(BSTR inText)
    {
        if (mText != inText)
            SysFreeString(mText);
        mText = inText;
    }

    BSTR Get() const { return mText; }
    UINT Length() const { return SysStringLen(mText); }
    bool Empty() const { return Length() == 0; }
    std::u16string_view View() const { return std::u16string_view(mText ? mText : u"", Length()); }
    std::string ToUTF8() const { return UTF8FromBSTR(mText); }

private:
    BSTR mText = nullptr;
};

}  // namespace vx
