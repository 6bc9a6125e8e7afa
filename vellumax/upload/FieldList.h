// The parts of one posted body, found by offset. Each becomes an XField only
// when a script asks for it, and the list holds no reference on the fields it
// made, so a body of many tiny parts costs a few bytes a part however it is
// read. While a field lives, asking for its part again gives the same object;
// one a script changed with SetValues is kept for the list's life.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <automation/ComObject.h>
#include <automation/ComVariant.h>
#include <automation/Owners.h>

#include "vellumax/upload/MultipartParser.h"
#include "vellumax/upload/XField.h"

class FieldList final : public vx::ComObject<FieldList, IUnknown>, public FieldOwner {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IUnknown, IID_IUnknown>>;

    ~FieldList();

    // inStarts are MultipartParser::Locate's offsets in inBody.
    void Take(UploadBody inBody, std::vector<std::uint32_t> inStarts);
    std::uint32_t Size() const { return std::uint32_t(MultipartParser::Count(mStarts)); }
    // The field of part inIndex (from 0), made when no live one exists.
    vx::Variant Field(std::uint32_t inIndex);
    // The index of the first part named inName, or -1. The names are
    // indexed on the first call, so each later one costs a few comparisons.
    std::ptrdiff_t Find(std::u16string_view inName);
    // An IEnumVARIANT (as IUnknown) over the fields, making each as it is
    // reached; it holds a reference on this list.
    HRESULT NewEnum(IUnknown** outEnum);

private:
    MultipartPart Part(std::uint32_t inIndex) const;
    void IndexNames();
    void FieldGone(std::uint32_t inIndex) override;
    void KeepField(XField* inField) override;

    UploadBody mBody;
    std::vector<std::uint32_t> mStarts;
    std::unordered_map<std::uint32_t, XField*> mLive;  // no reference: each says when it goes
    std::vector<vx::ComPtr<XField>> mKept;
    std::unordered_map<std::u16string, std::uint32_t> mNames;  // each name's first part, from the first Find
    bool mNamesIndexed = false;
};
