// The frame of every get, put and method of the scripting objects: processor
// faults become SException and anything thrown is raised as a COM error, except
// that the value and upload objects let a failed coercion return its own code
// (described only for a refused text).
#pragma once

#include <source_location>
#include <string>

#include <automation/Faults.h>
#include <automation/Types.h>
#include <automation/Variant.h>

#include "vellumax/errors/ComError.h"
#include "vellumax/errors/ComErrors.h"
#include "vellumax/errors/ErrorTexts.h"
#include "vellumax/errors/SException.h"

// Who reports: the interface and the ProgID of the error information. A fault
// names the file and line of the member that entered the frame.
struct MemberFrameIdentity {
    const IID& mIid;
    const char* mProgId;

    HRESULT Raise(const std::string& inText) const { return RaiseComError(inText, E_FAIL, mIid, mProgId); }
};

// What a thrown ComError becomes: its own code (kKept), or an E_FAIL error with its text (kRaised).
enum class ThrownCode { kKept, kRaised };

template <ThrownCode Thrown = ThrownCode::kKept, class Body>
HRESULT GuardedMember(const MemberFrameIdentity& inWho, Body&& inBody,
                      std::source_location inWhere = std::source_location::current())
{
    InstallFaultTranslator();
    FaultFrame theFrame;
    try {
        return inBody();
    } catch (const ComError& inError) {
        if constexpr (Thrown == ThrownCode::kRaised)
            return inWho.Raise(ComErrorText(inError.Error()));
        if (inError.IsDescribed())
            return RaiseComError(ComErrorText(inError.Error()), inError.Error(), inWho.mIid, inWho.mProgId);
        return inError.Error();
    } catch (SException& inFault) {
        return inWho.Raise(inFault.Describe(inWhere));
    } catch (...) {
        return inWho.Raise("Unknown exception thrown");
    }
}

// A get: a null result pointer is E_POINTER; the result starts empty.
template <class Body>
HRESULT GuardedGetMember(const MemberFrameIdentity& inWho, VARIANT* outValue, Body&& inBody,
                         std::source_location inWhere = std::source_location::current())
{
    if (outValue == nullptr)
        return E_POINTER;
    VariantInit(outValue);
    return GuardedMember(inWho, inBody, inWhere);
}
