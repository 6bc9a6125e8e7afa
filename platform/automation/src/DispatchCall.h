// One late-bound call of a dispatch table's member, in steps: which caller
// argument fills each parameter, the parameters' slots (coerced [in] values,
// defaults, [out] storage), the call itself, and the [out] values written back
// into the caller's references. The slots the call made are released on every
// path.
#pragma once

#include "automation/DispatchTable.h"

namespace vx {

class DispatchCall {
public:
    DispatchCall(const DispatchMember& inMember, const DISPPARAMS& inParams, UINT* outArgErr);
    ~DispatchCall();
    DispatchCall(const DispatchCall&) = delete;
    DispatchCall& operator=(const DispatchCall&) = delete;

    enum class Mapping { kMapped, kDefaultMember };
    // Pairs caller arguments with parameters. kDefaultMember: the arguments are
    // for the default member of what this member returns.
    HRESULT MapArguments(Mapping& outMapping);
    HRESULT FillSlots();
    // The member's result; a failure with error information becomes DISP_E_EXCEPTION in outExcep.
    HRESULT Call(void* inInterface, EXCEPINFO* outExcep);
    // The retval into outResult and the [out] values into the caller's references;
    // inResult unless a write-back failed.
    HRESULT WriteBack(HRESULT inResult, VARIANT* outResult);

private:
    HRESULT MapPut();
    HRESULT FillSlot(int inParam);
    void SetArgErr(UINT inArg) const;

    const DispatchMember& mMember;
    const DISPPARAMS& mParams;
    UINT* mArgErr;
    // Which caller argument (index into rgvarg, reverse order) fills each parameter; -1 for none.
    int mArgOf[kMaxDispatchParams];
    ArgSlot mSlots[kMaxDispatchParams];
};

}  // namespace vx
