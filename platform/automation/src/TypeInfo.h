// The ITypeInfo of one dispatch table: a TKIND_DISPATCH view of a dual
// interface (retval parameters become the function result).
#pragma once

#include "automation/ComObject.h"
#include "automation/DispatchTable.h"

namespace vx {

class TypeInfo final : public ComObject<TypeInfo, ITypeInfo> {
public:
    using Interfaces = InterfaceMap<Answers<ITypeInfo, IID_ITypeInfo>>;

    // The table must outlive the object (tables are static).
    static ITypeInfo* Create(const DispatchTable& inTable) { return ComObject::Create(inTable); }
    explicit TypeInfo(const DispatchTable& inTable) : mTable(inTable) {}

    HRESULT GetTypeAttr(TYPEATTR** outAttr) override;
    HRESULT GetFuncDesc(UINT inIndex, FUNCDESC** outDesc) override;
    HRESULT GetNames(MEMBERID inId, BSTR* outNames, UINT inMaxNames, UINT* outCount) override;
    HRESULT GetIDsOfNames(LPOLESTR* inNames, UINT inCount, MEMBERID* outIds) override;
    HRESULT Invoke(void* inInstance, MEMBERID inId, WORD inFlags, DISPPARAMS* inParams, VARIANT* outResult,
                   EXCEPINFO* outExcep, UINT* outArgErr) override;
    HRESULT GetDocumentation(MEMBERID inId, BSTR* outName, BSTR* outDocString, DWORD* outHelpContext,
                             BSTR* outHelpFile) override;
    void ReleaseTypeAttr(TYPEATTR* inAttr) override;
    void ReleaseFuncDesc(FUNCDESC* inDesc) override;

private:
    const DispatchTable& mTable;
};

}  // namespace vx
