#include "vellumax/upload/FieldList.h"

#include <algorithm>
#include <new>
#include <string>

#include <automation/Strings.h>

#include "vellumax/errors/ComError.h"

namespace {

std::u16string TextOfBytes(const std::string& inBytes)
{
    return UTF16FromUTF8(inBytes);
}

// IEnumVARIANT over a FieldList, which it keeps alive and unchanged.
class FieldEnum final : public vx::ComObject<FieldEnum, IEnumVARIANT> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IEnumVARIANT, IID_IEnumVARIANT>>;

    FieldEnum(FieldList* inList, std::uint32_t inPosition) : mList(inList), mPosition(inPosition) {}

    HRESULT Next(ULONG inCount, VARIANT* outItems, ULONG* outFetched) override;
    HRESULT Skip(ULONG inCount) override
    {
        const std::uint32_t theLeft = mList->Size() - mPosition;
        mPosition += std::min<std::uint32_t>(theLeft, inCount);
        return inCount > theLeft ? S_FALSE : S_OK;
    }
    HRESULT Reset() override
    {
        mPosition = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumVARIANT** outEnum) override
    {
        if (outEnum == nullptr)
            return E_POINTER;
        *outEnum = Create(mList.Get(), mPosition);
        return *outEnum != nullptr ? S_OK : E_OUTOFMEMORY;
    }

private:
    vx::ComPtr<FieldList> mList;
    std::uint32_t mPosition;
};

HRESULT FieldEnum::Next(ULONG inCount, VARIANT* outItems, ULONG* outFetched)
{
    if (outFetched != nullptr)
        *outFetched = 0;
    if (inCount == 0)
        return S_OK;
    if (outItems == nullptr || (outFetched == nullptr && inCount > 1))
        return E_POINTER;
    ULONG theFetched = 0;
    HRESULT theResult = S_OK;
    try {
        for (; theFetched < inCount && mPosition < mList->Size(); ++theFetched, ++mPosition) {
            VariantInit(&outItems[theFetched]);
            mList->Field(mPosition).Detach(&outItems[theFetched]);
        }
    } catch (const ComError& inError) {
        theResult = inError.Error();
    } catch (const std::bad_alloc&) {
        theResult = E_OUTOFMEMORY;
    }
    if (FAILED(theResult)) {
        // Nothing handed back rather than a partial batch the caller would not clear.
        // NOTE: the items are the caller's out slots, not ours to own; only this path empties them.
        for (ULONG theIndex = 0; theIndex < theFetched; ++theIndex)
            VariantClear(&outItems[theIndex]);
        mPosition -= std::uint32_t(theFetched);
        return theResult;
    }
    if (outFetched != nullptr)
        *outFetched = theFetched;
    return theFetched == inCount ? S_OK : S_FALSE;
}

}  // namespace

FieldList::~FieldList()
{
    // Fields the script still holds outlive the list: they keep their part
    // through the body they share, and must not call back.
    for (const auto& [theIndex, theField] : mLive)
        theField->SetOwner(nullptr, 0);
}

void FieldList::Take(UploadBody inBody, std::vector<std::uint32_t> inStarts)
{
    mBody = std::move(inBody);
    mStarts = std::move(inStarts);
}

MultipartPart FieldList::Part(std::uint32_t inIndex) const
{
    return MultipartParser::ReadPart(mBody->data(), mBody->size(), mStarts.front(), mStarts[inIndex]);
}

vx::Variant FieldList::Field(std::uint32_t inIndex)
{
    if (const auto theLive = mLive.find(inIndex); theLive != mLive.end())
        return vx::Variant(static_cast<IDispatch*>(theLive->second));
    const MultipartPart thePart = Part(inIndex);
    const auto theField = vx::ComPtr<XField>::Attach(XField::Create());
    if (!theField)
        throw ComError(E_OUTOFMEMORY);
    vx::Variant theItem(static_cast<IDispatch*>(theField.Get()));
    const std::size_t theData = thePart.mData != nullptr ? std::size_t(thePart.mData - mBody->data()) : 0;
    theField->AdoptPart(TextOfBytes(thePart.mName), TextOfBytes(thePart.mType), TextOfBytes(thePart.mFilename), mBody,
                        theData, thePart.mLength);
    mLive.emplace(inIndex, theField.Get());
    theField->SetOwner(this, inIndex);
    return theItem;
}

void FieldList::IndexNames()
{
    std::unordered_map<std::u16string, std::uint32_t> theNames;
    for (std::uint32_t theIndex = 0; theIndex < Size(); ++theIndex)
        theNames.emplace(TextOfBytes(Part(theIndex).mName), theIndex);  // the first of equal names stays
    mNames = std::move(theNames);
    mNamesIndexed = true;
}

std::ptrdiff_t FieldList::Find(std::u16string_view inName)
{
    if (!mNamesIndexed)
        IndexNames();
    const auto theFound = mNames.find(std::u16string(inName));
    return theFound != mNames.end() ? std::ptrdiff_t(theFound->second) : -1;
}

HRESULT FieldList::NewEnum(IUnknown** outEnum)
{
    *outEnum = FieldEnum::Create(this, 0);
    return *outEnum != nullptr ? S_OK : E_OUTOFMEMORY;
}

void FieldList::FieldGone(std::uint32_t inIndex)
{
    mLive.erase(inIndex);
}

void FieldList::KeepField(XField* inField)
{
    mKept.emplace_back(inField);
}
