#include "vellumax/upload/XMultipart.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <automation/Faults.h>
#include <automation/Strings.h>
#include <automation/Variant.h>
#include <automation/VariantCollection.h>

#include "vellumax/errors/ComError.h"
#include "vellumax/errors/MemberFrame.h"
#include "vellumax/errors/ComErrors.h"
#include "vellumax/errors/SException.h"
#include "vellumax/objects/ClassObjects.h"
#include "vellumax/params/Utilities.h"
#include "vellumax/upload/MultipartParser.h"
#include "vellumax/upload/XField.h"

// The fields and their names in body order; enumerators hold a reference.
class FieldList final : public vx::ComObject<FieldList, IUnknown> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IUnknown, IID_IUnknown>>;

    vx::VariantCollection mFields;
    std::vector<std::u16string> mNames;
};

namespace {

constexpr const char* kSourceUnit = "XMultipart.cpp";
constexpr const char* kProgId = "Vellumax.XMultipart.1";
const MemberFrameIdentity kWho{kSourceUnit, IID_IXMultipart, kProgId};

template <class Body>
HRESULT Guarded(Body&& inBody)
{
    return GuardedMember(kWho, inBody);
}

// Holds a FieldList reference.
struct ListRef {
    FieldList* mList;
    explicit ListRef(FieldList* inList) : mList(inList) {}
    ListRef(const ListRef&) = delete;
    ListRef& operator=(const ListRef&) = delete;
    ~ListRef()
    {
        if (mList != nullptr)
            mList->Release();
    }
    FieldList* Release() { return std::exchange(mList, nullptr); }
};

// The locked bytes of the caller's array, unlocked on every path.
class LockedBytes {
public:
    explicit LockedBytes(const VARIANT* inValue) : mValue(inValue) {}
    LockedBytes(const LockedBytes&) = delete;
    LockedBytes& operator=(const LockedBytes&) = delete;
    ~LockedBytes()
    {
        if (mData != nullptr)
            ReleaseVariantBytes(mValue);
    }
    HRESULT Lock()
    {
        LONG theLength = 0;
        const HRESULT theResult = BytesFromVariant(mValue, &mData, &theLength);
        if (FAILED(theResult)) {
            mData = nullptr;
            return theResult;
        }
        mLength = std::size_t(theLength);
        return S_OK;
    }
    const BYTE* Data() const { return mData; }
    std::size_t Length() const { return mLength; }

private:
    const VARIANT* mValue;
    const BYTE* mData = nullptr;
    std::size_t mLength = 0;
};

std::u16string TextOfBytes(const std::string& inBytes) { return UTF16FromUTF8(inBytes); }

// Bytes in the system code page (UTF-8) as a BSTR. Plain ASCII, the usual case
// for large text uploads, is widened directly.
BSTR TextFromBytes(const std::uint8_t* inBytes, std::size_t inLength)
{
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

// A new field holding copies of the part: Contents is its bytes read as text up
// to the first zero byte, Data all of them.
XField* FieldFrom(const MultipartPart& inPart)
{
    const void* theZero = inPart.mLength != 0 ? std::memchr(inPart.mData, 0, inPart.mLength) : nullptr;
    const std::size_t theTextLength =
        theZero != nullptr ? std::size_t(static_cast<const std::uint8_t*>(theZero) - inPart.mData) : inPart.mLength;
    VARIANT theContents;
    VariantInit(&theContents);
    theContents.vt = VT_BSTR;
    theContents.bstrVal = TextFromBytes(inPart.mData, theTextLength);
    if (theContents.bstrVal == nullptr)
        throw ComError(E_OUTOFMEMORY);
    VARIANT theData;
    VariantInit(&theData);
    const HRESULT theResult = VariantFromBytes(inPart.mData, LONG(inPart.mLength), &theData);
    if (FAILED(theResult)) {
        VariantClear(&theContents);
        throw ComError(theResult);
    }
    XField* theField = XField::Create();
    if (theField == nullptr) {
        VariantClear(&theContents);
        VariantClear(&theData);
        throw ComError(E_OUTOFMEMORY);
    }
    theField->Adopt(TextOfBytes(inPart.mName), TextOfBytes(inPart.mType), TextOfBytes(inPart.mFilename),
                    theContents, theData);
    return theField;
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
    static const vx::DispatchTable theTable(IID_IXMultipart, "IXMultipart",
                                            "A version of the ASP Form object that supports file uploads", {
        vx::PropertyGet<&IXMultipart::get__NewEnum>(DISPID_NEWENUM, "_NewEnum", "Enumerates the fields", vx::Retval("outEnum")),
        vx::PropertyGet<&IXMultipart::get_Item>(DISPID_VALUE, "Item", "A field by name or by number from 1", vx::In("inIndex"), vx::Retval("outItem")),
        vx::PropertyGet<&IXMultipart::get_Count>(1, "Count", "The number of fields", vx::Retval("outCount")),
        vx::Method<&IXMultipart::SetData>(2, "SetData", "Parses a multipart/form-data request body", vx::In("inData")),
    });
    return theTable;
}

HRESULT VxGetClassObject_XMultipart(REFIID inIid, void** outObject)
{
    return vx::ClassFactory<XMultipart>::Instantiate<>(inIid, outObject);
}

XMultipart::XMultipart() : mFields(FieldList::Create()) {}

XMultipart::~XMultipart()
{
    if (mFields != nullptr)
        mFields->Release();
}

HRESULT XMultipart::get__NewEnum(IUnknown** outEnum)
{
    if (outEnum == nullptr)
        return E_POINTER;
    *outEnum = nullptr;
    return Guarded([&] {
        if (mFields == nullptr)
            return E_OUTOFMEMORY;
        return mFields->mFields.NewEnum(mFields, outEnum);
    });
}

HRESULT XMultipart::get_Item(VARIANT inIndex, VARIANT* outItem)
{
    if (outItem == nullptr)
        return E_POINTER;
    VariantInit(outItem);
    return Guarded([&] {
        if (mFields == nullptr)
            return DISP_E_BADINDEX;
        const VARIANT* theIndex = Referenced(&inIndex);
        if (theIndex->vt == VT_BSTR || theIndex->vt == (VT_BYREF | VT_BSTR)) {
            const BSTR theName = theIndex->vt == VT_BSTR ? theIndex->bstrVal : *theIndex->pbstrVal;
            const std::u16string_view theWanted(theName != nullptr ? theName : u"", SysStringLen(theName));
            const std::vector<std::u16string>& theNames = mFields->mNames;
            for (std::size_t theAt = 0; theAt < theNames.size(); ++theAt)
                if (theNames[theAt] == theWanted)
                    return VariantCopy(outItem, mFields->mFields.Items()[theAt].Get());
            return DISP_E_BADINDEX;
        }
        VARIANT theNumber;
        VariantInit(&theNumber);
        const HRESULT theResult = VariantChangeType(&theNumber, theIndex, 0, VT_I4);
        if (FAILED(theResult))
            return theResult;
        return mFields->mFields.Item(theNumber.lVal, outItem, DISP_E_BADINDEX);
    });
}

HRESULT XMultipart::get_Count(LONG* outCount)
{
    if (outCount == nullptr)
        return E_POINTER;
    *outCount = mFields != nullptr ? mFields->mFields.Size() : 0;
    return S_OK;
}

HRESULT XMultipart::SetData(VARIANT inData)
{
    return Guarded([&] {
        const VARIANT* theValue = Referenced(&inData);
        const VARTYPE theElement = theValue->vt & VT_TYPEMASK;
        if ((theValue->vt & VT_ARRAY) == 0 || (theElement != VT_UI1 && theElement != VT_I1))
            return DISP_E_TYPEMISMATCH;
        LockedBytes theBytes(theValue);
        if (const HRESULT theResult = theBytes.Lock(); FAILED(theResult))
            return theResult;
        // Built aside and swapped in, so a failure keeps the previous fields.
        ListRef theList(FieldList::Create());
        if (theList.mList == nullptr)
            return E_OUTOFMEMORY;
        for (const MultipartPart& thePart : MultipartParser::Parse(theBytes.Data(), theBytes.Length())) {
            XField* theField = FieldFrom(thePart);
            vx::Variant theItem(static_cast<IDispatch*>(theField));
            theField->Release();
            theList.mList->mNames.push_back(theField->Name());
            theList.mList->mFields.Append(std::move(theItem));
        }
        if (mFields != nullptr)
            mFields->Release();
        mFields = theList.Release();
        return S_OK;
    });
}
