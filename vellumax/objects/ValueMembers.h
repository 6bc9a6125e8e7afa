// The members the value objects (XColor, XPoint, XRect) have in common: a text form,
// formatted for a get and read for a put, and 32-bit numbers, each in the member frame.
#pragma once

#include <cstdint>
#include <source_location>
#include <string>

#include "vellumax/errors/ComErrors.h"
#include "vellumax/errors/MemberFrame.h"
#include "vellumax/objects/ValueCoercion.h"
#include "vellumax/params/Utilities.h"

// inFormat(char*) writes the text into kTextCapacity characters.
template <class Format>
HRESULT GetTextForm(const MemberFrameIdentity& inWho, VARIANT* outValue, Format&& inFormat,
                    std::source_location inWhere = std::source_location::current())
{
    return GuardedGetMember(
        inWho, outValue,
        [&] {
            char theText[kTextCapacity];
            inFormat(theText);
            SetTextResult(theText, outValue);
            return S_OK;
        },
        inWhere);
}

// inRead(const char*) answers whether it understood the text and took it; a text it refuses
// is reported as the failure to set inLabel, and the object stays as it was.
template <class Read>
HRESULT PutTextForm(const MemberFrameIdentity& inWho, const char* inLabel, const VARIANT& inValue, Read&& inRead,
                    std::source_location inWhere = std::source_location::current())
{
    return GuardedMember(
        inWho,
        [&] {
            const std::string theText = TextFromVariant(inValue);
            if (!inRead(theText.c_str()))
                return ReportSetFailure(inLabel, inValue, 0, 0, inWho.mIid, inWho.mProgId);
            return S_OK;
        },
        inWhere);
}

inline HRESULT GetLongMember(const MemberFrameIdentity& inWho, std::int32_t inValue, VARIANT* outValue,
                             std::source_location inWhere = std::source_location::current())
{
    return GuardedGetMember(
        inWho, outValue,
        [&] {
            SetLongResult(inValue, outValue);
            return S_OK;
        },
        inWhere);
}

inline HRESULT PutLongMember(const MemberFrameIdentity& inWho, std::int32_t& outValue, const VARIANT& inValue,
                             std::source_location inWhere = std::source_location::current())
{
    return GuardedMember(
        inWho,
        [&] {
            outValue = LongFromVariant(inValue);
            return S_OK;
        },
        inWhere);
}
