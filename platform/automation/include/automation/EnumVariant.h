// IEnumVARIANT over a collection's list of variants. The enumerator holds a
// reference on the collection object, so the list stays alive (and unchanged,
// since collections are filled once) while any enumerator exists.
#pragma once

#include <cstddef>
#include <vector>

#include "automation/ComObject.h"
#include "automation/ComVariant.h"

namespace vx {

class EnumVariant final : public ComObject<EnumVariant, IEnumVARIANT> {
public:
    using Interfaces = InterfaceMap<Answers<IEnumVARIANT, IID_IEnumVARIANT>>;

    // inItems belongs to inOwner, which gets a reference for the enumerator's life.
    static HRESULT Create(IUnknown* inOwner, const std::vector<Variant>& inItems, IEnumVARIANT** outEnum);

    EnumVariant(IUnknown* inOwner, const std::vector<Variant>& inItems, std::size_t inPosition);
    ~EnumVariant();

    // Copies up to inCount items; S_FALSE when fewer were left.
    HRESULT Next(ULONG inCount, VARIANT* outItems, ULONG* outFetched) override;
    HRESULT Skip(ULONG inCount) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumVARIANT** outEnum) override;

private:
    IUnknown* mOwner;
    const std::vector<Variant>& mItems;
    std::size_t mPosition;
};

}  // namespace vx
