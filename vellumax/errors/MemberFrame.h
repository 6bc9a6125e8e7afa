// The frame of every get, put and method of the value objects and the upload
// objects: processor faults become SException, a failed coercion returns its own
// code without a description, anything else is raised as a COM error.
#pragma once

#include <automation/Faults.h>
#include <automation/Types.h>
#include <automation/Variant.h>

#include "vellumax/errors/ComError.h"
#include "vellumax/errors/ComErrors.h"
#include "vellumax/errors/SException.h"

// Who reports: the source unit named in fault descriptions, the interface and
// the ProgID of the error information.
struct MemberFrameIdentity {
    const char* mSourceUnit;
    const IID& mIid;
    const char* mProgId;
};

template <class Body>
HRESULT GuardedMember(const MemberFrameIdentity& inWho, Body&& inBody)
{
    InstallFaultTranslator();
    FaultFrame theFrame;
    try {
        return inBody();
    } catch (const ComError& inError) {
        return inError.Error();
    } catch (SException& inFault) {
        return RaiseComError(inFault.Describe(inWho.mSourceUnit, __LINE__), E_FAIL, inWho.mIid, inWho.mProgId);
    } catch (...) {
        return RaiseComError("Unknown exception thrown", E_FAIL, inWho.mIid, inWho.mProgId);
    }
}

// A get: a null result pointer is E_POINTER; the result starts empty.
template <class Body>
HRESULT GuardedGetMember(const MemberFrameIdentity& inWho, VARIANT* outValue, Body&& inBody)
{
    if (outValue == nullptr)
        return E_POINTER;
    VariantInit(outValue);
    return GuardedMember(inWho, inBody);
}
