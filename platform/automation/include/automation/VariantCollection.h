// The list behind a read-only collection object (Item, Count, _NewEnum).
// The collection object owns one and forwards its members to it:
//
//   HRESULT get_Item(LONG inIndex, VARIANT* outItem) override { return mList.Item(inIndex, outItem, E_FAIL); }
//   HRESULT get_Count(LONG* outCount) override { return mList.Count(outCount); }
//   HRESULT get__NewEnum(IUnknown** outEnum) override { return mList.NewEnum(Identity(), outEnum); }
#pragma once

#include <vector>

#include "automation/ComVariant.h"

namespace vx {

class VariantCollection {
public:
    // Fill while building the collection, before it is handed out.
    void Append(Variant inItem) { mItems.push_back(std::move(inItem)); }
    void Clear() { mItems.clear(); }

    // 1-based; an index of 0 or less gives the first item. An index beyond the
    // end (or any index of an empty list) fails with inBeyondEnd, which the
    // collection chooses (E_FAIL, DISP_E_BADINDEX, ...). The item is a copy.
    HRESULT Item(LONG inIndex, VARIANT* outItem, HRESULT inBeyondEnd) const;
    HRESULT Count(LONG* outCount) const;
    // An IEnumVARIANT (as IUnknown) that keeps inOwner, the collection object, alive.
    HRESULT NewEnum(IUnknown* inOwner, IUnknown** outEnum) const;

    LONG Size() const { return static_cast<LONG>(mItems.size()); }
    const std::vector<Variant>& Items() const { return mItems; }

private:
    std::vector<Variant> mItems;
};

}  // namespace vx
