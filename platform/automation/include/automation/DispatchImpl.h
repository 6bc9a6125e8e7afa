// IDispatch for a dual interface from its member table:
//
//   const vx::DispatchTable& ThingTable();   // builds the table once (function-local static)
//   class Thing final : public vx::ComObject<Thing, vx::DispatchImpl<IThing, ThingTable>> { ... };
#pragma once

#include "automation/DispatchTable.h"

namespace vx {

template <class Interface, const DispatchTable& (*kTable)()>
class DispatchImpl : public Interface {
public:
    HRESULT GetTypeInfoCount(UINT* outCount) override
    {
        if (outCount == nullptr)
            return E_POINTER;
        *outCount = 1;
        return S_OK;
    }

    HRESULT GetTypeInfo(UINT inIndex, LCID, ITypeInfo** outInfo) override
    {
        if (outInfo == nullptr)
            return E_POINTER;
        *outInfo = nullptr;
        if (inIndex != 0)
            return DISP_E_BADINDEX;
        return kTable().CreateTypeInfo(outInfo);
    }

    HRESULT GetIDsOfNames(REFIID inReserved, LPOLESTR* inNames, UINT inCount, LCID, DISPID* outIds) override
    {
        if (!IsEqualIID(inReserved, GUID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        return kTable().GetIDsOfNames(inNames, inCount, outIds);
    }

    HRESULT Invoke(DISPID inId, REFIID inReserved, LCID, WORD inFlags, DISPPARAMS* inParams, VARIANT* outResult,
                   EXCEPINFO* outExcep, UINT* outArgErr) override
    {
        if (!IsEqualIID(inReserved, GUID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        return kTable().Invoke(static_cast<Interface*>(this), inId, inFlags, inParams, outResult, outExcep, outArgErr);
    }

    static const DispatchTable& Table() { return kTable(); }
};

}  // namespace vx
