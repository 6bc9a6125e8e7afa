#include "vellumax/errors/ScriptText.h"

#include <string_view>

#include <automation/Strings.h>
#include <automation/Variant.h>

#include "vellumax/errors/ComError.h"

namespace {

std::u16string_view Checked(std::u16string_view inText)
{
    if (inText.find(u'\0') != std::u16string_view::npos)
        throw ComError(E_INVALIDARG, ComError::Report::kDescribed);
    return inText;
}

std::u16string_view View(BSTR inText)
{
    return std::u16string_view(inText != nullptr ? inText : u"", SysStringLen(inText));
}

// Text is read in place; anything else is coerced into inHolder, an empty
// VARIANT that the caller clears.
std::u16string_view TextOf(const VARIANT& inValue, VARIANT& inHolder)
{
    if (inValue.vt == VT_BSTR)
        return View(inValue.bstrVal);
    const HRESULT theResult = VariantChangeType(&inHolder, &inValue, 0, VT_BSTR);
    if (FAILED(theResult))
        throw ComError(theResult);
    return View(inHolder.bstrVal);
}

// Clears the coerced copy on every path, a refusal included.
class Holder {
public:
    Holder() { VariantInit(&mValue); }
    ~Holder() { VariantClear(&mValue); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    VARIANT& Get() { return mValue; }

private:
    VARIANT mValue;
};

}  // namespace

std::u16string ScriptText(const VARIANT& inValue)
{
    Holder theHolder;
    return std::u16string(Checked(TextOf(inValue, theHolder.Get())));
}

std::string ScriptTextUtf8(const VARIANT& inValue)
{
    Holder theHolder;
    return UTF8FromUTF16(Checked(TextOf(inValue, theHolder.Get())));
}

void CheckScriptText(const VARIANT& inValue)
{
    const VARIANT* theValue = &inValue;
    if (theValue->vt == (VT_BYREF | VT_VARIANT) && theValue->pvarVal != nullptr)
        theValue = theValue->pvarVal;
    if (theValue->vt == VT_BSTR)
        Checked(View(theValue->bstrVal));
    else if (theValue->vt == (VT_BYREF | VT_BSTR) && theValue->pbstrVal != nullptr)
        Checked(View(*theValue->pbstrVal));
}
