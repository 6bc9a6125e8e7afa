#include "vellumax/errors/SException.h"

#include <cstdio>
#include <cstring>

SException::SException(std::uint32_t inCode, std::uintptr_t inCodeAddress, std::uint32_t inWrite,
                       std::uintptr_t inDataAddress, std::uintptr_t inModuleBase)
    : mCode(inCode),
      mCodeAddress(inCodeAddress),
      mRead(inCode == kAccessViolation && inWrite == 0),
      mWrite(inCode == kAccessViolation ? inWrite : 0),
      mDataAddress(inCode == kAccessViolation ? inDataAddress : 0),
      mModuleBase(inModuleBase),
      mText{}
{
}

const char* SException::What()
{
    const unsigned long theCodeAddress = mCodeAddress;
    if (mRead)
        std::snprintf(mText, sizeof mText, "Code at 0x%08lx attempted to read from 0x%08lx. ", theCodeAddress,
                      static_cast<unsigned long>(mDataAddress));
    else if (mWrite != 0)
        std::snprintf(mText, sizeof mText, "Code at 0x%08lx attempted to write to 0x%08lx. ", theCodeAddress,
                      static_cast<unsigned long>(mDataAddress));
    else
        std::snprintf(mText, sizeof mText, "Code at 0x%08lx caused a System Exception 0x%08lx. ", theCodeAddress,
                      static_cast<unsigned long>(mCode));
    return mText;
}

const char* SException::Describe(const char* inSourceUnit, long inLine)
{
    What();
    char theWhere[kTextSize];
    const int theLength =
        std::snprintf(theWhere, sizeof theWhere, "System Error caught at line %ld of %s. Base at 0x%08lx.", inLine,
                      inSourceUnit != nullptr ? inSourceUnit : "", static_cast<unsigned long>(mModuleBase));
    // A truncated tail (theLength past the buffer) never fits either.
    if (theLength >= 0 && std::strlen(mText) + static_cast<std::size_t>(theLength) < sizeof mText)
        std::strcat(mText, theWhere);
    return mText;
}

const char* SException::Describe(const std::source_location& inWhere)
{
    const char* theUnit = std::strrchr(inWhere.file_name(), '/');
    return Describe(theUnit != nullptr ? theUnit + 1 : inWhere.file_name(), long(inWhere.line()));
}
