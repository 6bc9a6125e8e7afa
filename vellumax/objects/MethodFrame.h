// The frame every member of the scripting objects that use pictures runs in
// (Canvas, Graphic, Gestalt and the objects they hand out): the imaging
// platform's availability, then the member frame raising whatever is thrown.
#pragma once

#include <source_location>
#include <string>

#include <automation/Types.h>

#include "imaging/MacTypes.h"
#include "vellumax/errors/ErrorReport.h"
#include "vellumax/errors/MemberFrame.h"

// Who reports: the interface and the ProgID of the error information.
using ObjectIdentity = MemberFrameIdentity;

inline constexpr const char* kNoQuickTime = "Unable to access QuickTime 4";

// The body's result, or the error it threw raised with E_FAIL. A fault names
// the file and line of the member that ran the frame.
template <class Body>
HRESULT RunMethodFrame(const ObjectIdentity& inWho, Body&& inBody,
                       std::source_location inWhere = std::source_location::current())
{
    return GuardedMember<ThrownCode::kRaised>(inWho, inBody, inWhere);
}

// The same, first answering "Unable to access QuickTime 4" with the start's
// code when the object could not start the imaging platform.
template <class Body>
HRESULT RunQuickTimeFrame(const ObjectIdentity& inWho, bool inAvailable, OSErr inStartError, Body&& inBody,
                          std::source_location inWhere = std::source_location::current())
{
    if (!inAvailable) {
        ErrorReport theReport;
        theReport.AddMessage(kNoQuickTime);
        theReport.SetQuickTimeError(inStartError);
        return inWho.Raise(theReport.Message());
    }
    return RunMethodFrame(inWho, inBody, inWhere);
}
