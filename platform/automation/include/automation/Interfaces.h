// The automation interfaces: abstract classes whose virtual tables have the
// classic layout (IUnknown first, then each interface's methods in order).
#pragma once

#include "automation/Types.h"

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_ITypeInfo = {0x00020401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IEnumVARIANT = {0x00020404, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_ISupportErrorInfo = {
    0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ICreateErrorInfo = {
    0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID inIid, void** outObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;  // objects die through Release, never through delete on an interface
};

// ---- Type information (the part hosts need) ----------------------------------

enum TYPEKIND : std::int32_t {
    TKIND_ENUM = 0,
    TKIND_RECORD,
    TKIND_MODULE,
    TKIND_INTERFACE,
    TKIND_DISPATCH,
    TKIND_COCLASS,
    TKIND_ALIAS,
    TKIND_UNION,
};

enum INVOKEKIND : std::int32_t {
    INVOKE_FUNC = 1,
    INVOKE_PROPERTYGET = 2,
    INVOKE_PROPERTYPUT = 4,
    INVOKE_PROPERTYPUTREF = 8,
};

enum FUNCKIND : std::int32_t {
    FUNC_VIRTUAL = 0,
    FUNC_PUREVIRTUAL,
    FUNC_NONVIRTUAL,
    FUNC_STATIC,
    FUNC_DISPATCH,
};

constexpr USHORT PARAMFLAG_NONE = 0x00;
constexpr USHORT PARAMFLAG_FIN = 0x01;
constexpr USHORT PARAMFLAG_FOUT = 0x02;
constexpr USHORT PARAMFLAG_FLCID = 0x04;
constexpr USHORT PARAMFLAG_FRETVAL = 0x08;
constexpr USHORT PARAMFLAG_FOPT = 0x10;
constexpr USHORT PARAMFLAG_FHASDEFAULT = 0x20;

constexpr WORD TYPEFLAG_FAPPOBJECT = 0x01;
constexpr WORD TYPEFLAG_FCANCREATE = 0x02;
constexpr WORD TYPEFLAG_FHIDDEN = 0x10;
constexpr WORD TYPEFLAG_FDUAL = 0x40;
constexpr WORD TYPEFLAG_FNONEXTENSIBLE = 0x80;
constexpr WORD TYPEFLAG_FOLEAUTOMATION = 0x100;
constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;

struct TYPEDESC {
    VARTYPE vt;  // VT_BYREF | base for by-reference parameters
};

struct PARAMDESC {
    USHORT wParamFlags;
};

struct ELEMDESC {
    TYPEDESC tdesc;
    PARAMDESC paramdesc;
};

struct FUNCDESC {
    MEMBERID memid;
    FUNCKIND funckind;
    INVOKEKIND invkind;
    SHORT cParams;
    SHORT cParamsOpt;
    ELEMDESC* lprgelemdescParam;  // cParams entries
    ELEMDESC elemdescFunc;        // the result
    WORD wFuncFlags;
};

struct TYPEATTR {
    GUID guid;
    LCID lcid;
    TYPEKIND typekind;
    WORD cFuncs;
    WORD cVars;
    WORD cImplTypes;
    WORD wTypeFlags;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
};

// A subset of the classic ITypeInfo, in the classic relative order.
struct ITypeInfo : IUnknown {
    virtual HRESULT GetTypeAttr(TYPEATTR** outAttr) = 0;
    virtual HRESULT GetFuncDesc(UINT inIndex, FUNCDESC** outDesc) = 0;
    virtual HRESULT GetNames(MEMBERID inId, BSTR* outNames, UINT inMaxNames, UINT* outCount) = 0;
    virtual HRESULT GetIDsOfNames(LPOLESTR* inNames, UINT inCount, MEMBERID* outIds) = 0;
    virtual HRESULT Invoke(void* inInstance, MEMBERID inId, WORD inFlags, DISPPARAMS* inParams, VARIANT* outResult,
                           EXCEPINFO* outExcep, UINT* outArgErr) = 0;
    virtual HRESULT GetDocumentation(MEMBERID inId, BSTR* outName, BSTR* outDocString, DWORD* outHelpContext,
                                     BSTR* outHelpFile) = 0;
    virtual void ReleaseTypeAttr(TYPEATTR* inAttr) = 0;
    virtual void ReleaseFuncDesc(FUNCDESC* inDesc) = 0;

protected:
    ~ITypeInfo() = default;
};

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* outCount) = 0;
    virtual HRESULT GetTypeInfo(UINT inIndex, LCID inLcid, ITypeInfo** outInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID inReserved, LPOLESTR* inNames, UINT inCount, LCID inLcid, DISPID* outIds) = 0;
    virtual HRESULT Invoke(DISPID inId, REFIID inReserved, LCID inLcid, WORD inFlags, DISPPARAMS* inParams,
                           VARIANT* outResult, EXCEPINFO* outExcep, UINT* outArgErr) = 0;

protected:
    ~IDispatch() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* inOuter, REFIID inIid, void** outObject) = 0;
    virtual HRESULT LockServer(int inLock) = 0;

protected:
    ~IClassFactory() = default;
};

struct IEnumVARIANT : IUnknown {
    virtual HRESULT Next(ULONG inCount, VARIANT* outItems, ULONG* outFetched) = 0;
    virtual HRESULT Skip(ULONG inCount) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumVARIANT** outEnum) = 0;

protected:
    ~IEnumVARIANT() = default;
};

struct ISupportErrorInfo : IUnknown {
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID inIid) = 0;

protected:
    ~ISupportErrorInfo() = default;
};

struct IErrorInfo : IUnknown {
    virtual HRESULT GetGUID(GUID* outGuid) = 0;
    virtual HRESULT GetSource(BSTR* outSource) = 0;
    virtual HRESULT GetDescription(BSTR* outDescription) = 0;
    virtual HRESULT GetHelpFile(BSTR* outHelpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* outHelpContext) = 0;

protected:
    ~IErrorInfo() = default;
};

struct ICreateErrorInfo : IUnknown {
    virtual HRESULT SetGUID(REFGUID inGuid) = 0;
    virtual HRESULT SetSource(LPOLESTR inSource) = 0;
    virtual HRESULT SetDescription(LPOLESTR inDescription) = 0;
    virtual HRESULT SetHelpFile(LPOLESTR inHelpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD inHelpContext) = 0;

protected:
    ~ICreateErrorInfo() = default;
};
