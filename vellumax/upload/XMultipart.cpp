#include "vellumax/upload/XMultipart.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <automation/Faults.h>
#include <automation/Strings.h>
#include <automation/Variant.h>
#include <automation/VariantCollection.h>

#include "vellumax/errors/ComError.h"
#include "vellumax/errors/ComErrors.h"
#include "vellumax/errors/MemberFrame.h"
#include "vellumax/errors/SException.h"
#include "vellumax/errors/ScriptText.h"
#include "vellumax/errors/Settings.h"
#include "vellumax/params/LockedBytes.h"
#include "vellumax/params/Utilities.h"
#include "vellumax/upload/FieldList.h"
#include "vellumax/upload/MultipartParser.h"
#include "vellumax/upload/XField.h"

namespace {

constexpr const char* kProgId = "Vellumax.XMultipart.1";
const MemberFrameIdentity kWho{IID_IXMultipart, kProgId};

// The limit a SetData applies: the script's, else the setting's, else the default.
LONG PartLimit(LONG inSet)
{
    if (inSet > 0)
        return inSet;
    std::uint32_t theSetting = 0;
    if (ReadSetting(kMaxPartsSetting, theSetting) && theSetting != 0)
        return LONG(std::min<std::uint32_t>(theSetting, std::uint32_t(INT32_MAX)));
    return LONG(kDefaultMaxParts);
}

std::string PartLimitMessage(LONG inLimit)
{
    return "The form has more than " + std::to_string(inLimit) + " parts, the limit set by " + kMaxPartsSetting + ".";
}

// The value itself when it is a VARIANT passed by reference.
const VARIANT* Referenced(const VARIANT* inValue)
{
    while (inValue->vt == (VT_BYREF | VT_VARIANT) && inValue->pvarVal != nullptr)
        inValue = inValue->pvarVal;
    return inValue;
}

}  // namespace

const vx::DispatchTable& XMultipartTable()
{
    static const vx::DispatchTable theTable(
        IID_IXMultipart, "IXMultipart", "A version of the ASP Form object that supports file uploads",
        {
            vx::PropertyGet<&IXMultipart::get__NewEnum>(DISPID_NEWENUM, "_NewEnum", "Enumerates the fields",
                                                        vx::Retval("outEnum")),
            vx::PropertyGet<&IXMultipart::get_Item>(DISPID_VALUE, "Item", "A field by name or by number from 1",
                                                    vx::In("inIndex"), vx::Retval("outItem")),
            vx::PropertyGet<&IXMultipart::get_Count>(1, "Count", "The number of fields", vx::Retval("outCount")),
            vx::Method<&IXMultipart::SetData>(2, "SetData", "Parses a multipart/form-data request body",
                                              vx::In("inData")),
            vx::PropertyGet<&IXMultipart::get_MaxParts>(3, "MaxParts", "The most parts SetData accepts",
                                                        vx::Retval("outLimit")),
            vx::PropertyPut<&IXMultipart::put_MaxParts>(3, "MaxParts", "The most parts SetData accepts",
                                                        vx::In("inLimit")),
        });
    return theTable;
}

HRESULT VxGetClassObject_XMultipart(REFIID inIid, void** outObject)
{
    return vx::ClassFactory<XMultipart>::Instantiate<>(inIid, outObject);
}

XMultipart::XMultipart() : mFields(vx::ComPtr<FieldList>::Attach(FieldList::Create())) {}

XMultipart::~XMultipart() {}

HRESULT XMultipart::get__NewEnum(IUnknown** outEnum)
{
    if (outEnum == nullptr)
        return E_POINTER;
    *outEnum = nullptr;
    return GuardedMember(kWho, [&] {
        if (!mFields)
            return E_OUTOFMEMORY;
        return mFields->NewEnum(outEnum);
    });
}

HRESULT XMultipart::get_Item(VARIANT inIndex, VARIANT* outItem)
{
    if (outItem == nullptr)
        return E_POINTER;
    VariantInit(outItem);
    return GuardedMember(kWho, [&] {
        if (!mFields)
            return DISP_E_BADINDEX;
        const VARIANT* theIndex = Referenced(&inIndex);
        if (theIndex->vt == VT_BSTR || theIndex->vt == (VT_BYREF | VT_BSTR)) {
            CheckScriptText(*theIndex);
            const BSTR theName = theIndex->vt == VT_BSTR ? theIndex->bstrVal : *theIndex->pbstrVal;
            const std::u16string_view theWanted(theName != nullptr ? theName : u"", SysStringLen(theName));
            const std::ptrdiff_t theAt = mFields->Find(theWanted);
            if (theAt < 0)
                return DISP_E_BADINDEX;
            mFields->Field(std::uint32_t(theAt)).Detach(outItem);
            return S_OK;
        }
        VARIANT theNumber;
        VariantInit(&theNumber);
        const HRESULT theResult = VariantChangeType(&theNumber, theIndex, 0, VT_I4);
        if (FAILED(theResult))
            return theResult;
        // As collections count: from 1, and 1 or less is the first.
        const LONG theCount = LONG(mFields->Size());
        if (theCount == 0 || theNumber.lVal > theCount)
            return DISP_E_BADINDEX;
        const std::uint32_t theAt = theNumber.lVal <= 1 ? 0 : std::uint32_t(theNumber.lVal - 1);
        mFields->Field(theAt).Detach(outItem);
        return S_OK;
    });
}

HRESULT XMultipart::get_Count(LONG* outCount)
{
    if (outCount == nullptr)
        return E_POINTER;
    *outCount = mFields ? LONG(mFields->Size()) : 0;
    return S_OK;
}

HRESULT XMultipart::SetData(VARIANT inData)
{
    return GuardedMember(kWho, [&] {
        const VARIANT* theValue = Referenced(&inData);
        const VARTYPE theElement = theValue->vt & VT_TYPEMASK;
        if ((theValue->vt & VT_ARRAY) == 0 || (theElement != VT_UI1 && theElement != VT_I1))
            return DISP_E_TYPEMISMATCH;
        LockedBytes theBytes(theValue);
        if (const HRESULT theResult = theBytes.Lock(); FAILED(theResult))
            return theResult;
        // Located in the caller's bytes first, so a body over the limit is
        // refused having cost no more than its first parts.
        const LONG theLimit = PartLimit(mMaxParts);
        std::vector<std::uint32_t> theStarts =
            MultipartParser::Locate(theBytes.Data(), theBytes.Length(), std::size_t(theLimit));
        if (MultipartParser::Count(theStarts) > std::size_t(theLimit))
            return kWho.Raise(PartLimitMessage(theLimit));
        // Built aside and swapped in, so a failure keeps the previous fields.
        auto theList = vx::ComPtr<FieldList>::Attach(FieldList::Create());
        if (!theList)
            return E_OUTOFMEMORY;
        // The one copy of the body: the caller's array lives only for the call.
        theList->Take(
            std::make_shared<const std::vector<std::uint8_t>>(theBytes.Data(), theBytes.Data() + theBytes.Length()),
            std::move(theStarts));
        mFields = std::move(theList);
        return S_OK;
    });
}

HRESULT XMultipart::get_MaxParts(LONG* outLimit)
{
    if (outLimit == nullptr)
        return E_POINTER;
    return GuardedMember(kWho, [&] {
        *outLimit = PartLimit(mMaxParts);
        return S_OK;
    });
}

HRESULT XMultipart::put_MaxParts(VARIANT inLimit)
{
    return GuardedMember(kWho, [&] {
        VARIANT theNumber;
        VariantInit(&theNumber);
        if (const HRESULT theResult = VariantChangeType(&theNumber, Referenced(&inLimit), 0, VT_I4); FAILED(theResult))
            return theResult;
        if (theNumber.lVal < 1)
            return RaiseComError("MaxParts must be 1 or more.", E_INVALIDARG, kWho.mIid, kWho.mProgId);
        mMaxParts = theNumber.lVal;
        return S_OK;
    });
}
