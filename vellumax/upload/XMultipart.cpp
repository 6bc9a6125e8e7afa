#include "vellumax/upload/XMultipart.h"

#include <cstring>
#include <string>
#include <unordered_map>
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
#include "vellumax/params/Utilities.h"
#include "vellumax/upload/MultipartParser.h"
#include "vellumax/upload/XField.h"

// The parts of one body, found by offset; each becomes an XField the first
// time a script asks for it, so a body of many tiny parts costs a few bytes a
// part rather than an object each. Enumerators hold a reference.
class FieldList final : public vx::ComObject<FieldList, IUnknown> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IUnknown, IID_IUnknown>>;

    void Take(UploadBody inBody)
    {
        mBody = std::move(inBody);
        mStarts = MultipartParser::Locate(mBody->data(), mBody->size());
    }
    LONG Size() const { return mStarts.empty() ? 0 : LONG(mStarts.size() - 1); }
    MultipartPart Part(std::size_t inIndex) const
    {
        return MultipartParser::ReadPart(mBody->data(), mBody->size(), mStarts.front(), mStarts[inIndex]);
    }
    // The field of part inIndex (from 0), made on first use.
    const vx::Variant& Field(std::size_t inIndex);
    // The index of the first part named inName, or -1.
    std::ptrdiff_t Find(std::u16string_view inName) const;
    // Every field, made once and kept, for enumerators.
    const vx::VariantCollection& All();

private:
    UploadBody mBody;
    std::vector<std::uint32_t> mStarts;
    std::unordered_map<std::size_t, vx::Variant> mMade;
    vx::VariantCollection mAll;
    bool mAllMade = false;
};

namespace {

constexpr const char* kProgId = "Vellumax.XMultipart.1";
const MemberFrameIdentity kWho{IID_IXMultipart, kProgId};

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
        if (mLocked)
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
        // An empty array is locked too, though it has no data.
        mLocked = true;
        mLength = std::size_t(theLength);
        return S_OK;
    }
    const BYTE* Data() const { return mData; }
    std::size_t Length() const { return mLength; }

private:
    const VARIANT* mValue;
    const BYTE* mData = nullptr;
    std::size_t mLength = 0;
    bool mLocked = false;
};

std::u16string TextOfBytes(const std::string& inBytes)
{
    return UTF16FromUTF8(inBytes);
}

// The value itself when it is a VARIANT passed by reference.
const VARIANT* Referenced(const VARIANT* inValue)
{
    while (inValue->vt == (VT_BYREF | VT_VARIANT) && inValue->pvarVal != nullptr)
        inValue = inValue->pvarVal;
    return inValue;
}

}  // namespace

const vx::Variant& FieldList::Field(std::size_t inIndex)
{
    if (const auto theMade = mMade.find(inIndex); theMade != mMade.end())
        return theMade->second;
    const MultipartPart thePart = Part(inIndex);
    XField* theField = XField::Create();
    if (theField == nullptr)
        throw ComError(E_OUTOFMEMORY);
    vx::Variant theItem(static_cast<IDispatch*>(theField));
    theField->Release();
    const std::size_t theData = thePart.mData != nullptr ? std::size_t(thePart.mData - mBody->data()) : 0;
    theField->AdoptPart(TextOfBytes(thePart.mName), TextOfBytes(thePart.mType), TextOfBytes(thePart.mFilename), mBody,
                        theData, thePart.mLength);
    return mMade.emplace(inIndex, std::move(theItem)).first->second;
}

std::ptrdiff_t FieldList::Find(std::u16string_view inName) const
{
    for (std::size_t theIndex = 0; theIndex < std::size_t(Size()); ++theIndex)
        if (TextOfBytes(Part(theIndex).mName) == inName)
            return std::ptrdiff_t(theIndex);
    return -1;
}

const vx::VariantCollection& FieldList::All()
{
    if (!mAllMade) {
        vx::VariantCollection theAll;
        for (std::size_t theIndex = 0; theIndex < std::size_t(Size()); ++theIndex)
            theAll.Append(Field(theIndex));
        mAll = std::move(theAll);
        mAllMade = true;
    }
    return mAll;
}

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
    return GuardedMember(kWho, [&] {
        if (mFields == nullptr)
            return E_OUTOFMEMORY;
        return mFields->All().NewEnum(mFields, outEnum);
    });
}

HRESULT XMultipart::get_Item(VARIANT inIndex, VARIANT* outItem)
{
    if (outItem == nullptr)
        return E_POINTER;
    VariantInit(outItem);
    return GuardedMember(kWho, [&] {
        if (mFields == nullptr)
            return DISP_E_BADINDEX;
        const VARIANT* theIndex = Referenced(&inIndex);
        if (theIndex->vt == VT_BSTR || theIndex->vt == (VT_BYREF | VT_BSTR)) {
            const BSTR theName = theIndex->vt == VT_BSTR ? theIndex->bstrVal : *theIndex->pbstrVal;
            const std::u16string_view theWanted(theName != nullptr ? theName : u"", SysStringLen(theName));
            const std::ptrdiff_t theAt = mFields->Find(theWanted);
            if (theAt < 0)
                return DISP_E_BADINDEX;
            return VariantCopy(outItem, mFields->Field(std::size_t(theAt)).Get());
        }
        VARIANT theNumber;
        VariantInit(&theNumber);
        const HRESULT theResult = VariantChangeType(&theNumber, theIndex, 0, VT_I4);
        if (FAILED(theResult))
            return theResult;
        // As collections count: from 1, and 1 or less is the first.
        const LONG theCount = mFields->Size();
        if (theCount == 0 || theNumber.lVal > theCount)
            return DISP_E_BADINDEX;
        const std::size_t theAt = theNumber.lVal <= 1 ? 0 : std::size_t(theNumber.lVal - 1);
        return VariantCopy(outItem, mFields->Field(theAt).Get());
    });
}

HRESULT XMultipart::get_Count(LONG* outCount)
{
    if (outCount == nullptr)
        return E_POINTER;
    *outCount = mFields != nullptr ? mFields->Size() : 0;
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
        // Built aside and swapped in, so a failure keeps the previous fields.
        ListRef theList(FieldList::Create());
        if (theList.mList == nullptr)
            return E_OUTOFMEMORY;
        // The one copy of the body: the caller's array lives only for the call.
        theList.mList->Take(
            std::make_shared<const std::vector<std::uint8_t>>(theBytes.Data(), theBytes.Data() + theBytes.Length()));
        if (mFields != nullptr)
            mFields->Release();
        mFields = theList.Release();
        return S_OK;
    });
}
