#include "vellumax/upload/XField.h"

#include <cstring>
#include <utility>

#include <automation/Faults.h>
#include <automation/Strings.h>
#include <automation/Variant.h>

#include "vellumax/errors/ComError.h"
#include "vellumax/errors/ComErrors.h"
#include "vellumax/errors/MemberFrame.h"
#include "vellumax/errors/SException.h"
#include "vellumax/errors/ScriptText.h"
#include "vellumax/params/Utilities.h"

namespace {

constexpr const char* kProgId = "Vellumax.XField.1";
const MemberFrameIdentity kWho{IID_IXField, kProgId};

// The value as text, cut to the field's capacity (never inside a surrogate pair).
std::u16string LimitedText(const VARIANT& inValue)
{
    std::u16string theCopy = ScriptText(inValue);
    if (theCopy.size() > XField::kTextLimit) {
        std::size_t theKeep = XField::kTextLimit;
        if (theCopy[theKeep - 1] >= 0xD800 && theCopy[theKeep - 1] <= 0xDBFF)
            --theKeep;
        theCopy.resize(theKeep);
    }
    return theCopy;
}

void SetText(const std::u16string& inText, VARIANT* outValue)
{
    BSTR theText = SysAllocStringLen(inText.data(), static_cast<UINT>(inText.size()));
    if (theText == nullptr)
        throw ComError(E_OUTOFMEMORY);
    outValue->vt = VT_BSTR;
    outValue->bstrVal = theText;
}

// Bytes in the system code page (UTF-8) as a BSTR, up to the first zero byte.
// Plain ASCII, the usual case for large text uploads, is widened directly.
BSTR TextFromBytes(const std::uint8_t* inBytes, std::size_t inLength)
{
    if (const void* theZero = inLength != 0 ? std::memchr(inBytes, 0, inLength) : nullptr)
        inLength = std::size_t(static_cast<const std::uint8_t*>(theZero) - inBytes);
    std::uint8_t theHighBits = 0;
    for (std::size_t theAt = 0; theAt < inLength; ++theAt)
        theHighBits |= inBytes[theAt];
    if ((theHighBits & 0x80) != 0)
        return SysAllocStringUTF8(std::string_view(reinterpret_cast<const char*>(inBytes), inLength));
    BSTR theText = SysAllocStringLen(nullptr, static_cast<UINT>(inLength));
    if (theText != nullptr)
        for (std::size_t theAt = 0; theAt < inLength; ++theAt)
            theText[theAt] = inBytes[theAt];
    return theText;
}

void CopyValue(const VARIANT& inValue, VARIANT* outValue)
{
    const HRESULT theResult = VariantCopyInd(outValue, &inValue);
    if (FAILED(theResult))
        throw ComError(theResult);
}

}  // namespace

const vx::DispatchTable& XFieldTable()
{
    static const vx::DispatchTable theTable(
        IID_IXField, "IXField", "A field of a posted form",
        {
            vx::PropertyGet<&IXField::get_Name>(1, "Name", "The name of the field", vx::Retval("outValue")),
            vx::PropertyGet<&IXField::get_Type>(2, "Type", "The MIME type of the field's contents",
                                                vx::Retval("outValue")),
            vx::PropertyGet<&IXField::get_Filename>(3, "Filename", "The file name the browser sent",
                                                    vx::Retval("outValue")),
            vx::PropertyGet<&IXField::get_Contents>(4, "Contents", "The contents of the field as text",
                                                    vx::Retval("outValue")),
            vx::PropertyGet<&IXField::get_Data>(5, "Data", "The contents of the field as bytes",
                                                vx::Retval("outValue")),
            vx::Method<&IXField::SetValues>(6, "SetValues", "Sets every value of the field", vx::In("inName"),
                                            vx::In("inType"), vx::In("inFilename"), vx::In("inContents"),
                                            vx::In("inData")),
        });
    return theTable;
}

XField::XField() = default;

XField::~XField()
{
    if (mOwner != nullptr)
        mOwner->FieldGone(mIndex);
}

HRESULT XField::get_Name(VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        SetText(mName, outValue);
        return S_OK;
    });
}

HRESULT XField::get_Type(VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        SetText(mType, outValue);
        return S_OK;
    });
}

HRESULT XField::get_Filename(VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        SetText(mFilename, outValue);
        return S_OK;
    });
}

HRESULT XField::get_Contents(VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        if (mBody == nullptr) {
            CopyValue(*mContents, outValue);
            return S_OK;
        }
        BSTR theText = TextFromBytes(mBody->data() + mDataAt, mDataLength);
        if (theText == nullptr)
            throw ComError(E_OUTOFMEMORY);
        outValue->vt = VT_BSTR;
        outValue->bstrVal = theText;
        return S_OK;
    });
}

HRESULT XField::get_Data(VARIANT* outValue)
{
    return GuardedGetMember(kWho, outValue, [&] {
        if (mBody == nullptr) {
            CopyValue(*mData, outValue);
            return S_OK;
        }
        const HRESULT theResult = VariantFromBytes(mBody->data() + mDataAt, LONG(mDataLength), outValue);
        if (FAILED(theResult))
            throw ComError(theResult);
        return S_OK;
    });
}

HRESULT XField::SetValues(VARIANT inName, VARIANT inType, VARIANT inFilename, VARIANT inContents, VARIANT inData)
{
    return GuardedMember(kWho, [&] {
        // Everything is converted and copied first, so a failure changes nothing.
        std::u16string theName = LimitedText(inName);
        std::u16string theType = LimitedText(inType);
        std::u16string theFilename = LimitedText(inFilename);
        // Contents given as text are held to the rule of every other text: a
        // form's own contents end at their first zero byte.
        CheckScriptText(inContents);
        // Before anything is held that a throw would leak; keeping a field
        // that then stays unchanged is harmless.
        if (mOwner != nullptr && !mKept) {
            mOwner->KeepField(this);
            mKept = true;
        }
        vx::ComVariant theContents;
        CopyValue(inContents, theContents.Out());
        vx::ComVariant theData;
        if (const HRESULT theResult = VariantCopyInd(theData.Out(), &inData); FAILED(theResult))
            return theResult;
        Adopt(std::move(theName), std::move(theType), std::move(theFilename), std::move(theContents),
              std::move(theData));
        return S_OK;
    });
}

void XField::Adopt(std::u16string inName, std::u16string inType, std::u16string inFilename, vx::ComVariant inContents,
                   vx::ComVariant inData)
{
    ForgetPart();
    mName = std::move(inName);
    mType = std::move(inType);
    mFilename = std::move(inFilename);
    mContents = std::move(inContents);
    mData = std::move(inData);
}

void XField::AdoptPart(std::u16string inName, std::u16string inType, std::u16string inFilename, UploadBody inBody,
                       std::size_t inData, std::size_t inLength)
{
    Adopt(std::move(inName), std::move(inType), std::move(inFilename), {}, {});
    mBody = std::move(inBody);
    mDataAt = inData;
    mDataLength = inLength;
}

void XField::ForgetPart()
{
    mBody.reset();
    mDataAt = 0;
    mDataLength = 0;
}
