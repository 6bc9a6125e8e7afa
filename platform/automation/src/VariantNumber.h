// The numbers of the variant coercions: a scalar on its way from one type to
// another, read from text, taken from a scalar variant and stored as another.
#pragma once

#include <cstdint>
#include <limits>

#include "automation/Types.h"

namespace VariantNumber {

// A scalar on its way from one type to another.
struct Number {
    enum class Kind { Signed, Unsigned, Real };
    Kind mKind = Kind::Signed;
    std::int64_t mSigned = 0;     // Kind::Signed
    std::uint64_t mUnsigned = 0;  // Kind::Unsigned: only values above INT64_MAX
    double mReal = 0;             // Kind::Real
    bool mSingle = false;         // came from VT_R4: printed with single precision
    bool mBoolean = false;        // came from VT_BOOL or "True"/"False": -1 or 0

    static Number FromSigned(std::int64_t inValue)
    {
        Number theNumber;
        theNumber.mSigned = inValue;
        return theNumber;
    }
    static Number FromUnsigned(std::uint64_t inValue)
    {
        if (inValue <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return FromSigned(static_cast<std::int64_t>(inValue));
        Number theNumber;
        theNumber.mKind = Kind::Unsigned;
        theNumber.mUnsigned = inValue;
        return theNumber;
    }
    static Number FromReal(double inValue, bool inSingle = false)
    {
        Number theNumber;
        theNumber.mKind = Kind::Real;
        theNumber.mReal = inValue;
        theNumber.mSingle = inSingle;
        return theNumber;
    }
    static Number FromBoolean(bool inValue)
    {
        Number theNumber = FromSigned(inValue ? -1 : 0);
        theNumber.mBoolean = true;
        return theNumber;
    }

    bool IsZero() const
    {
        switch (mKind) {
        case Kind::Signed:
            return mSigned == 0;
        case Kind::Unsigned:
            return false;
        case Kind::Real:
            return mReal == 0;
        }
        return false;
    }
};

inline bool IsDigit(char16_t inChar) { return inChar >= u'0' && inChar <= u'9'; }

// Accepts blanks around an optionally signed decimal number with an optional
// fraction and exponent, or "True"/"False" in any case.
HRESULT ParseNumber(BSTR inText, Number& outNumber);
// The number a plain (not by-reference) scalar holds. False for non-numbers.
bool NumberFromScalar(const VARIANT& inValue, Number& outNumber);
// The integer, real, boolean and text types a number converts to.
bool IsScalarTarget(VARTYPE inType);
HRESULT ScalarFromNumber(const Number& inNumber, VARTYPE inType, VARIANT& outValue);
// The low bits of inBits as the integer type inType.
void StoreInteger(VARTYPE inType, std::uint64_t inBits, VARIANT& outValue);

}  // namespace VariantNumber
