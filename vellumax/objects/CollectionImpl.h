// The members of the read-only collections the server hands out (Item, Count,
// _NewEnum), over a list filled once by the object that makes the collection.
#pragma once

#include <automation/ComVariant.h>
#include <automation/Dispatch.h>
#include <automation/VariantCollection.h>

template <class Interface, const vx::DispatchTable& (*kTable)()>
class CollectionImpl : public vx::DispatchImpl<Interface, kTable> {
public:
    HRESULT get__NewEnum(IUnknown** outEnum) override
    {
        if (outEnum == nullptr)
            return E_POINTER;
        *outEnum = nullptr;
        return mList.NewEnum(static_cast<Interface*>(this), outEnum);
    }
    HRESULT get_Item(LONG inIndex, VARIANT* outItem) override
    {
        if (outItem == nullptr)
            return E_POINTER;
        VariantInit(outItem);
        return mList.Item(inIndex, outItem, E_FAIL);
    }
    HRESULT get_Count(LONG* outCount) override { return mList.Count(outCount); }

    // Only before the collection is handed out: enumerators share the list.
    void Append(vx::Variant inItem) { mList.Append(std::move(inItem)); }

private:
    vx::VariantCollection mList;
};

// The table of a collection interface: its three members with their help texts.
template <class Interface>
vx::DispatchTable CollectionTable(REFIID inIid, const char* inName, const char* inHelp, const char* inItemHelp)
{
    return vx::DispatchTable(
        inIid, inName, inHelp,
        {
            vx::PropertyGet<&Interface::get__NewEnum>(DISPID_NEWENUM, "_NewEnum", "Enumerates the items",
                                                      vx::Retval("outEnum")),
            vx::PropertyGet<&Interface::get_Item>(DISPID_VALUE, "Item", inItemHelp, vx::In("inIndex"),
                                                  vx::Retval("outItem")),
            vx::PropertyGet<&Interface::get_Count>(1, "Count", "The number of items", vx::Retval("outCount")),
        });
}
