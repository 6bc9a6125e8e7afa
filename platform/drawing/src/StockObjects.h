// The stock pens, brushes and fonts: made once, entered in the handle table,
// and never deleted.
#pragma once

#include "GdiObject.h"

#include <memory>

constexpr int kDotsPerInch = 96;

class StockObjects {
public:
    static StockObjects& Instance();
    HGDIOBJ Handle(int inIndex) const { return inIndex >= 0 && inIndex < kStockCount ? mHandles[inIndex] : 0; }
    // Kept here rather than looked up: every device context starts with three.
    template <class T>
    std::shared_ptr<T> Object(int inIndex, GdiKind inKind) const
    {
        if (inIndex < 0 || inIndex >= kStockCount || mObjects[inIndex] == nullptr ||
            mObjects[inIndex]->mKind != inKind) {
            return nullptr;
        }
        return std::static_pointer_cast<T>(mObjects[inIndex]);
    }

private:
    static constexpr int kStockCount = 18;
    StockObjects();
    void Add(int inIndex, std::shared_ptr<GdiObject> inObject);
    HGDIOBJ mHandles[kStockCount] = {};
    std::shared_ptr<GdiObject> mObjects[kStockCount];
};
