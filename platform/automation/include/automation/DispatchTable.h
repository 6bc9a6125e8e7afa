// The member table of one dual interface: names, DISPIDs, invoke kinds,
// parameter types and flags, help strings. One table drives GetIDsOfNames,
// Invoke and the interface's ITypeInfo. Tables are built with the helpers of
// DispatchMember.h; see Dispatch.h for an example.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "automation/Interfaces.h"

constexpr MEMBERID MEMBERID_NIL = DISPID_UNKNOWN;

namespace vx {

enum class InvokeKind : WORD {
    Method = DISPATCH_METHOD,
    PropertyGet = DISPATCH_PROPERTYGET,
    PropertyPut = DISPATCH_PROPERTYPUT,
    PropertyPutRef = DISPATCH_PROPERTYPUTREF,
};

// The value an optional parameter takes when the caller leaves it out.
struct DefaultValue {
    VARTYPE mType = VT_EMPTY;  // VT_EMPTY: no default; VT_I4, VT_R8, VT_BOOL or VT_BSTR
    LONG mLong = 0;
    double mDouble = 0.0;
    const char* mText = nullptr;  // UTF-8
};

struct ParamDesc {
    const char* mName = "";
    USHORT mFlags = PARAMFLAG_FIN;  // PARAMFLAG_*
    VARTYPE mType = VT_EMPTY;       // from the C++ parameter type; VT_BYREF | base for pointers
    DefaultValue mDefault;

    constexpr ParamDesc Optional() const
    {
        ParamDesc theCopy = *this;
        theCopy.mFlags |= PARAMFLAG_FOPT;
        return theCopy;
    }
    constexpr ParamDesc Default(LONG inValue) const { return WithDefault({VT_I4, inValue, 0.0, nullptr}); }
    constexpr ParamDesc Default(double inValue) const { return WithDefault({VT_R8, 0, inValue, nullptr}); }
    constexpr ParamDesc Default(bool inValue) const
    {
        return WithDefault({VT_BOOL, inValue ? VARIANT_TRUE : VARIANT_FALSE, 0.0, nullptr});
    }
    constexpr ParamDesc Default(const char* inUtf8) const { return WithDefault({VT_BSTR, 0, 0.0, inUtf8}); }

private:
    constexpr ParamDesc WithDefault(DefaultValue inDefault) const
    {
        ParamDesc theCopy = *this;
        theCopy.mFlags |= PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT;
        theCopy.mDefault = inDefault;
        return theCopy;
    }
};

constexpr ParamDesc In(const char* inName)
{
    return ParamDesc{inName, PARAMFLAG_FIN, VT_EMPTY, {}};
}
constexpr ParamDesc Out(const char* inName)
{
    return ParamDesc{inName, PARAMFLAG_FOUT, VT_EMPTY, {}};
}
constexpr ParamDesc InOut(const char* inName)
{
    return ParamDesc{inName, PARAMFLAG_FIN | PARAMFLAG_FOUT, VT_EMPTY, {}};
}
constexpr ParamDesc Retval(const char* inName)
{
    return ParamDesc{inName, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, VT_EMPTY, {}};
}

// One argument on its way to the C++ method: mValue holds a coerced [in]
// value or the storage of an [out]; mTarget is what a VARIANT parameter sees.
struct ArgSlot {
    VARIANT mValue;
    VARIANT* mTarget;
    bool mOwned;
};

using MemberThunk = HRESULT (*)(void* inInterface, ArgSlot* inSlots);

constexpr int kMaxDispatchParams = 10;

struct DispatchMember {
    DISPID mId = DISPID_UNKNOWN;
    InvokeKind mKind = InvokeKind::Method;
    const char* mName = "";
    const char* mHelp = "";
    MemberThunk mThunk = nullptr;
    int mParamCount = 0;
    ParamDesc mParams[kMaxDispatchParams] = {};

    bool HasRetval() const { return mParamCount > 0 && (mParams[mParamCount - 1].mFlags & PARAMFLAG_FRETVAL) != 0; }
    // Parameters a caller supplies: all but the retval.
    int CallerParamCount() const { return mParamCount - (HasRetval() ? 1 : 0); }
};

class DispatchTable {
public:
    // Aborts on a malformed table (a programming error): a retval that is not the
    // last parameter or not a pointer, an [out] that is not a pointer, two
    // entries of one kind with the same DISPID, one DISPID under two names.
    DispatchTable(REFIID inIid, const char* inName, const char* inHelp,
                  std::initializer_list<DispatchMember> inMembers);

    // inNames[0] is a member, the rest its parameters (their DISPIDs are their positions).
    HRESULT GetIDsOfNames(LPOLESTR* inNames, UINT inCount, DISPID* outIds) const;
    // inInterface is the object's pointer of this table's interface.
    HRESULT Invoke(void* inInterface, DISPID inId, WORD inFlags, DISPPARAMS* inParams, VARIANT* outResult,
                   EXCEPINFO* outExcep, UINT* outArgErr) const;
    HRESULT CreateTypeInfo(ITypeInfo** outInfo) const;

    // The member that serves inFlags for inId, or null with DISP_E_MEMBERNOTFOUND / E_INVALIDARG.
    const DispatchMember* Resolve(DISPID inId, WORD inFlags, HRESULT* outResult) const;
    // The member a name stands for in GetIDsOfNames and GetNames (method, else get, put, putref).
    const DispatchMember* Primary(DISPID inId) const;

    const IID& Iid() const { return mIid; }
    const char* Name() const { return mName; }
    const char* Help() const { return mHelp; }
    std::size_t MemberCount() const { return mMembers.size(); }
    const DispatchMember& MemberAt(std::size_t inIndex) const { return mMembers[inIndex]; }

private:
    struct IdEntry {
        DISPID mId;
        std::int16_t mByKind[4];  // method, get, put, putref; -1 when absent
    };
    struct NameSlot {
        std::uint32_t mHash;
        std::int32_t mEntry;  // index into mIds; -1 for an empty slot
    };

    HRESULT InvokeDefaultMember(void* inInterface, const DispatchMember& inMember, WORD inFlags, DISPPARAMS* inParams,
                                VARIANT* outResult, EXCEPINFO* outExcep, UINT* outArgErr) const;
    const IdEntry* FindId(DISPID inId) const;
    const IdEntry* FindName(const OLECHAR* inName) const;

    IID mIid;
    const char* mName;
    const char* mHelp;
    std::vector<DispatchMember> mMembers;
    std::vector<IdEntry> mIds;     // sorted by DISPID
    std::vector<NameSlot> mNames;  // open addressing, size a power of two
};

}  // namespace vx
