#include "TypeInfo.h"

#include <new>

#include "automation/Strings.h"

namespace vx {

namespace {

// One allocation per FUNCDESC: the description first, so the pointer handed out frees the block.
struct FuncDescBlock {
    FUNCDESC mDesc;
    ELEMDESC mParams[kMaxDispatchParams];
};

INVOKEKIND InvokeKindOf(InvokeKind inKind)
{
    return static_cast<INVOKEKIND>(static_cast<WORD>(inKind));
}

bool IsPut(const DispatchMember& inMember)
{
    return inMember.mKind == InvokeKind::PropertyPut || inMember.mKind == InvokeKind::PropertyPutRef;
}

}  // namespace

HRESULT TypeInfo::GetTypeAttr(TYPEATTR** outAttr)
{
    if (outAttr == nullptr)
        return E_POINTER;
    auto* theAttr = new (std::nothrow) TYPEATTR{};
    *outAttr = theAttr;
    if (theAttr == nullptr)
        return E_OUTOFMEMORY;
    theAttr->guid = mTable.Iid();
    theAttr->lcid = LOCALE_NEUTRAL;
    theAttr->typekind = TKIND_DISPATCH;
    theAttr->cFuncs = static_cast<WORD>(mTable.MemberCount());
    theAttr->cImplTypes = 1;
    theAttr->wTypeFlags = TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
    theAttr->wMajorVerNum = 1;
    theAttr->wMinorVerNum = 0;
    return S_OK;
}

HRESULT TypeInfo::GetFuncDesc(UINT inIndex, FUNCDESC** outDesc)
{
    if (outDesc == nullptr)
        return E_POINTER;
    *outDesc = nullptr;
    if (inIndex >= mTable.MemberCount())
        return TYPE_E_ELEMENTNOTFOUND;
    const DispatchMember& theMember = mTable.MemberAt(inIndex);
    auto* theBlock = new (std::nothrow) FuncDescBlock{};
    if (theBlock == nullptr)
        return E_OUTOFMEMORY;
    FUNCDESC& theDesc = theBlock->mDesc;
    theDesc.memid = theMember.mId;
    theDesc.funckind = FUNC_DISPATCH;
    theDesc.invkind = InvokeKindOf(theMember.mKind);
    theDesc.lprgelemdescParam = theBlock->mParams;
    theDesc.elemdescFunc.tdesc.vt = VT_VOID;
    int theCount = theMember.CallerParamCount();
    for (int p = 0; p < theCount; ++p) {
        const ParamDesc& theParam = theMember.mParams[p];
        theBlock->mParams[p].tdesc.vt = theParam.mType;
        theBlock->mParams[p].paramdesc.wParamFlags = theParam.mFlags;
        if (theParam.mFlags & PARAMFLAG_FOPT)
            ++theDesc.cParamsOpt;
    }
    theDesc.cParams = static_cast<SHORT>(theCount);
    if (theMember.HasRetval()) {
        const ParamDesc& theRetval = theMember.mParams[theMember.mParamCount - 1];
        theDesc.elemdescFunc.tdesc.vt = theRetval.mType & ~VT_BYREF;
        theDesc.elemdescFunc.paramdesc.wParamFlags = theRetval.mFlags;
    }
    *outDesc = &theBlock->mDesc;
    return S_OK;
}

HRESULT TypeInfo::GetNames(MEMBERID inId, BSTR* outNames, UINT inMaxNames, UINT* outCount)
{
    if (outNames == nullptr || outCount == nullptr)
        return E_POINTER;
    *outCount = 0;
    const DispatchMember* theMember = mTable.Primary(inId);
    if (theMember == nullptr)
        return TYPE_E_ELEMENTNOTFOUND;
    if (inMaxNames == 0)
        return S_OK;
    outNames[(*outCount)++] = SysAllocStringUTF8(theMember->mName);
    // A put's value parameter has no name of its own, as in the classic type information.
    int theNamed = theMember->CallerParamCount() - (IsPut(*theMember) ? 1 : 0);
    for (int p = 0; p < theNamed && *outCount < inMaxNames; ++p)
        outNames[(*outCount)++] = SysAllocStringUTF8(theMember->mParams[p].mName);
    return S_OK;
}

HRESULT TypeInfo::GetIDsOfNames(LPOLESTR* inNames, UINT inCount, MEMBERID* outIds)
{
    return mTable.GetIDsOfNames(inNames, inCount, outIds);
}

HRESULT TypeInfo::Invoke(void* inInstance, MEMBERID inId, WORD inFlags, DISPPARAMS* inParams, VARIANT* outResult,
                         EXCEPINFO* outExcep, UINT* outArgErr)
{
    if (inInstance == nullptr)
        return E_INVALIDARG;
    return mTable.Invoke(inInstance, inId, inFlags, inParams, outResult, outExcep, outArgErr);
}

HRESULT TypeInfo::GetDocumentation(MEMBERID inId, BSTR* outName, BSTR* outDocString, DWORD* outHelpContext,
                                   BSTR* outHelpFile)
{
    const char* theName = mTable.Name();
    const char* theHelp = mTable.Help();
    if (inId != MEMBERID_NIL) {
        const DispatchMember* theMember = mTable.Primary(inId);
        if (theMember == nullptr)
            return TYPE_E_ELEMENTNOTFOUND;
        theName = theMember->mName;
        theHelp = theMember->mHelp;
    }
    if (outName != nullptr)
        *outName = SysAllocStringUTF8(theName);
    if (outDocString != nullptr)
        *outDocString = SysAllocStringUTF8(theHelp ? theHelp : "");
    if (outHelpContext != nullptr)
        *outHelpContext = 0;
    if (outHelpFile != nullptr)
        *outHelpFile = nullptr;
    return S_OK;
}

void TypeInfo::ReleaseTypeAttr(TYPEATTR* inAttr)
{
    delete inAttr;
}

void TypeInfo::ReleaseFuncDesc(FUNCDESC* inDesc)
{
    delete reinterpret_cast<FuncDescBlock*>(inDesc);
}

}  // namespace vx
