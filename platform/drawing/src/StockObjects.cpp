#include "StockObjects.h"

#include "FontObject.h"
#include "HandleTable.h"

StockObjects& StockObjects::Instance()
{
    // Lives for the whole process; the table never deletes its objects.
    static StockObjects* sStock = new StockObjects();
    return *sStock;
}

StockObjects::StockObjects()
{
    Add(WHITE_BRUSH, std::make_shared<BrushObject>(BrushObject::Style::kSolid, RGB(255, 255, 255), nullptr));
    Add(BLACK_BRUSH, std::make_shared<BrushObject>(BrushObject::Style::kSolid, RGB(0, 0, 0), nullptr));
    Add(NULL_BRUSH, std::make_shared<BrushObject>(BrushObject::Style::kNull, 0, nullptr));
    Add(WHITE_PEN, std::make_shared<PenObject>(PS_SOLID, 1, RGB(255, 255, 255)));
    Add(BLACK_PEN, std::make_shared<PenObject>(PS_SOLID, 1, RGB(0, 0, 0)));
    Add(NULL_PEN, std::make_shared<PenObject>(PS_NULL, 1, 0));
    LOGFONTA theFont{};
    theFont.lfWeight = FW_NORMAL;
    Add(SYSTEM_FONT, std::make_shared<FontObject>(theFont));
    theFont.lfHeight = -MulDiv(8, kDotsPerInch, 72);
    Add(DEFAULT_GUI_FONT, std::make_shared<FontObject>(theFont));
}

void StockObjects::Add(int inIndex, std::shared_ptr<GdiObject> inObject)
{
    inObject->mStock = true;
    mObjects[inIndex] = inObject;
    mHandles[inIndex] = HandleTable::Instance().Add(std::move(inObject));
    if (mHandles[inIndex] == 0) {
        mObjects[inIndex] = nullptr;
    }
}
