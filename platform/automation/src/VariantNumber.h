// The numbers of the variant coercions: a scalar on its way from one type to
// another, read from text, taken from a scalar variant and stored as another.
// Included by the coercions alone, whose general path inlines it as its own.
#pragma once

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

#include "automation/Strings.h"
#include "automation/Types.h"
#include "automation/Variant.h"

namespace VariantNumber {

// Internal: the one unit that includes this inlines it as its own.
namespace {

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

bool IsDigit(char16_t inChar)
{
    return inChar >= u'0' && inChar <= u'9';
}

struct IntegerType {
    int mBits;
    bool mSigned;
};

bool IntegerTypeOf(VARTYPE inType, IntegerType& outType)
{
    switch (inType) {
    case VT_I1:
        outType = {8, true};
        return true;
    case VT_UI1:
        outType = {8, false};
        return true;
    case VT_I2:
        outType = {16, true};
        return true;
    case VT_UI2:
        outType = {16, false};
        return true;
    case VT_I4:
    case VT_INT:
        outType = {32, true};
        return true;
    case VT_UI4:
    case VT_UINT:
        outType = {32, false};
        return true;
    case VT_I8:
        outType = {64, true};
        return true;
    case VT_UI8:
        outType = {64, false};
        return true;
    default:
        return false;
    }
}

// ---- Text to number -------------------------------------------------------

bool IsBlank(char16_t inChar)
{
    return inChar == u' ' || (inChar >= u'\t' && inChar <= u'\r') || inChar == 0x00A0;
}

const locale_t kCLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));

// Accepts blanks around an optionally signed decimal number with an optional
// fraction and exponent ("12", " -3.5 ", "1e3", ".5"), or "True"/"False" in
// any case. Separators, currency signs and hexadecimal forms are refused: the
// server's list texts ("1,2") must never read as one number.
HRESULT ParseNumber(BSTR inText, Number& outNumber)
{
    const OLECHAR* theBegin = inText != nullptr ? inText : u"";
    const OLECHAR* theEnd = theBegin + SysStringLen(inText);
    while (theBegin < theEnd && IsBlank(*theBegin))
        ++theBegin;
    while (theEnd > theBegin && IsBlank(theEnd[-1]))
        --theEnd;
    const std::u16string_view theText(theBegin, static_cast<std::size_t>(theEnd - theBegin));
    if (theText.empty())
        return DISP_E_TYPEMISMATCH;
    if (EqualNoCase(theText, u"true") || EqualNoCase(theText, u"false")) {
        outNumber = Number::FromBoolean(theText.size() == 4);
        return S_OK;
    }

    std::size_t thePos = 0;
    const bool theNegative = theText[0] == u'-';
    if (theText[0] == u'-' || theText[0] == u'+')
        ++thePos;
    const std::size_t theIntegerStart = thePos;
    while (thePos < theText.size() && IsDigit(theText[thePos]))
        ++thePos;
    std::size_t theDigits = thePos - theIntegerStart;
    const bool theIntegral = thePos == theText.size();
    std::uint64_t theInteger = 0;
    bool theExact = theIntegral && theDigits > 0;
    for (std::size_t i = theIntegerStart; theExact && i < thePos; ++i)
        theExact = !__builtin_mul_overflow(theInteger, 10u, &theInteger) &&
                   !__builtin_add_overflow(theInteger, static_cast<unsigned>(theText[i] - u'0'), &theInteger);
    if (theExact) {
        // The common case: exact integer arithmetic, no conversion to double.
        if (!theNegative)
            outNumber = Number::FromUnsigned(theInteger);
        else if (theInteger > std::uint64_t{1} << 63)
            outNumber = Number::FromReal(-static_cast<double>(theInteger));
        else
            outNumber = Number::FromSigned(static_cast<std::int64_t>(0 - theInteger));
        return S_OK;
    }
    if (thePos < theText.size() && theText[thePos] == u'.') {
        ++thePos;
        const std::size_t theFractionStart = thePos;
        while (thePos < theText.size() && IsDigit(theText[thePos]))
            ++thePos;
        theDigits += thePos - theFractionStart;
    }
    if (theDigits == 0)
        return DISP_E_TYPEMISMATCH;
    if (thePos < theText.size() && (theText[thePos] == u'e' || theText[thePos] == u'E')) {
        ++thePos;
        if (thePos < theText.size() && (theText[thePos] == u'-' || theText[thePos] == u'+'))
            ++thePos;
        const std::size_t theExponentStart = thePos;
        while (thePos < theText.size() && IsDigit(theText[thePos]))
            ++thePos;
        if (thePos == theExponentStart)
            return DISP_E_TYPEMISMATCH;
    }
    if (thePos != theText.size())
        return DISP_E_TYPEMISMATCH;

    // The text is now known to be plain ASCII of the accepted grammar.
    std::string theNarrow;
    theNarrow.reserve(theText.size());
    for (std::size_t i = theText[0] == u'+' ? 1 : 0; i < theText.size(); ++i)
        theNarrow.push_back(static_cast<char>(theText[i]));
    double theValue = 0;
    const auto [thePtr, theError] = std::from_chars(theNarrow.data(), theNarrow.data() + theNarrow.size(), theValue);
    if (theError == std::errc::result_out_of_range) {
        // Tell overflow from underflow, which reads as zero (or a tiny value).
        theValue = strtod_l(theNarrow.c_str(), nullptr, kCLocale);
        if (std::isinf(theValue))
            return DISP_E_OVERFLOW;
    } else if (theError != std::errc() || thePtr != theNarrow.data() + theNarrow.size()) {
        return DISP_E_TYPEMISMATCH;
    }
    outNumber = Number::FromReal(theValue);
    return S_OK;
}

// ---- Number to text -------------------------------------------------------

// Significant digits as the classic engines print them: 15 for doubles,
// 7 for singles; no trailing zeros; exponent form "1E+20" outside the range
// the plain form covers.
std::size_t FormatReal(double inValue, bool inSingle, char* outText, std::size_t inCapacity)
{
    const char* theWord = nullptr;
    if (std::isnan(inValue))
        theWord = "NaN";
    else if (std::isinf(inValue))
        theWord = inValue < 0 ? "-Infinity" : "Infinity";
    if (theWord != nullptr) {
        const std::size_t theLength = std::char_traits<char>::length(theWord);
        std::char_traits<char>::copy(outText, theWord, theLength);
        return theLength;
    }
    if (inValue == 0) {
        outText[0] = '0';  // also for -0
        return 1;
    }
    char* const theEnd =
        std::to_chars(outText, outText + inCapacity, inValue, std::chars_format::general, inSingle ? 7 : 15).ptr;
    for (char* p = outText; p < theEnd; ++p)
        if (*p == 'e')
            *p = 'E';
    return static_cast<std::size_t>(theEnd - outText);
}

HRESULT TextFromNumber(const Number& inNumber, BSTR& outText)
{
    if (inNumber.mBoolean) {
        outText = SysAllocString(inNumber.IsZero() ? u"False" : u"True");
        return outText != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    char theBuffer[64];
    std::size_t theLength = 0;
    switch (inNumber.mKind) {
    case Number::Kind::Signed:
        theLength = static_cast<std::size_t>(
            std::to_chars(theBuffer, theBuffer + sizeof theBuffer, inNumber.mSigned).ptr - theBuffer);
        break;
    case Number::Kind::Unsigned:
        theLength = static_cast<std::size_t>(
            std::to_chars(theBuffer, theBuffer + sizeof theBuffer, inNumber.mUnsigned).ptr - theBuffer);
        break;
    case Number::Kind::Real:
        theLength = FormatReal(inNumber.mReal, inNumber.mSingle, theBuffer, sizeof theBuffer);
        break;
    }
    outText = SysAllocStringLen(nullptr, static_cast<UINT>(theLength));
    if (outText == nullptr)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < theLength; ++i)
        outText[i] = static_cast<OLECHAR>(theBuffer[i]);
    return S_OK;
}

// ---- Number to number -----------------------------------------------------

// The value as the bit pattern of the integer type, or DISP_E_OVERFLOW.
// Reals round half to even (2.5 → 2, 3.5 → 4) with the default rounding mode.
HRESULT IntegerFromNumber(const Number& inNumber, IntegerType inType, std::uint64_t& outBits)
{
    const std::uint64_t theUnsignedMax =
        inType.mBits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << inType.mBits) - 1;
    if (inNumber.mBoolean && !inType.mSigned) {
        // True keeps its all-ones pattern, as in the classic conversions.
        outBits = inNumber.IsZero() ? 0 : theUnsignedMax;
        return S_OK;
    }
    switch (inNumber.mKind) {
    case Number::Kind::Signed: {
        const std::int64_t theValue = inNumber.mSigned;
        if (inType.mSigned) {
            const std::int64_t theMax = static_cast<std::int64_t>(theUnsignedMax >> 1);
            if (theValue > theMax || theValue < -theMax - 1)
                return DISP_E_OVERFLOW;
        } else if (theValue < 0 || static_cast<std::uint64_t>(theValue) > theUnsignedMax) {
            return DISP_E_OVERFLOW;
        }
        outBits = static_cast<std::uint64_t>(theValue);
        return S_OK;
    }
    case Number::Kind::Unsigned:
        if (inType.mSigned || inType.mBits < 64)
            return DISP_E_OVERFLOW;
        outBits = inNumber.mUnsigned;
        return S_OK;
    case Number::Kind::Real: {
        const double theRounded = std::nearbyint(inNumber.mReal);
        const double theLimit = std::ldexp(1.0, inType.mSigned ? inType.mBits - 1 : inType.mBits);
        if (inType.mSigned) {
            if (!(theRounded >= -theLimit && theRounded < theLimit))
                return DISP_E_OVERFLOW;
            outBits = static_cast<std::uint64_t>(static_cast<std::int64_t>(theRounded));
        } else {
            if (!(theRounded >= 0 && theRounded < theLimit))
                return DISP_E_OVERFLOW;
            outBits = static_cast<std::uint64_t>(theRounded);
        }
        return S_OK;
    }
    }
    return E_UNEXPECTED;
}

double RealFromNumber(const Number& inNumber)
{
    switch (inNumber.mKind) {
    case Number::Kind::Signed:
        return static_cast<double>(inNumber.mSigned);
    case Number::Kind::Unsigned:
        return static_cast<double>(inNumber.mUnsigned);
    case Number::Kind::Real:
        return inNumber.mReal;
    }
    return 0;
}

void StoreInteger(VARTYPE inType, std::uint64_t inBits, VARIANT& outValue)
{
    outValue.vt = inType;
    switch (inType) {
    case VT_I1:
        outValue.cVal = static_cast<char>(static_cast<std::int8_t>(inBits));
        break;
    case VT_UI1:
        outValue.bVal = static_cast<BYTE>(inBits);
        break;
    case VT_I2:
        outValue.iVal = static_cast<SHORT>(inBits);
        break;
    case VT_UI2:
        outValue.uiVal = static_cast<USHORT>(inBits);
        break;
    case VT_I4:
        outValue.lVal = static_cast<LONG>(inBits);
        break;
    case VT_INT:
        outValue.intVal = static_cast<INT>(inBits);
        break;
    case VT_UI4:
        outValue.ulVal = static_cast<ULONG>(inBits);
        break;
    case VT_UINT:
        outValue.uintVal = static_cast<UINT>(inBits);
        break;
    case VT_I8:
        outValue.llVal = static_cast<LONGLONG>(inBits);
        break;
    case VT_UI8:
        outValue.ullVal = inBits;
        break;
    default:
        break;
    }
}

// ---- Source values ----------------------------------------------------------

// The number a plain (not by-reference) scalar holds. False for non-numbers.
bool NumberFromScalar(const VARIANT& inValue, Number& outNumber)
{
    switch (inValue.vt) {
    case VT_EMPTY:
        outNumber = Number::FromSigned(0);
        return true;
    case VT_I1:
        outNumber = Number::FromSigned(static_cast<std::int8_t>(inValue.cVal));
        return true;
    case VT_UI1:
        outNumber = Number::FromSigned(inValue.bVal);
        return true;
    case VT_I2:
        outNumber = Number::FromSigned(inValue.iVal);
        return true;
    case VT_UI2:
        outNumber = Number::FromSigned(inValue.uiVal);
        return true;
    case VT_I4:
        outNumber = Number::FromSigned(inValue.lVal);
        return true;
    case VT_INT:
        outNumber = Number::FromSigned(inValue.intVal);
        return true;
    case VT_UI4:
        outNumber = Number::FromSigned(inValue.ulVal);
        return true;
    case VT_UINT:
        outNumber = Number::FromSigned(inValue.uintVal);
        return true;
    case VT_I8:
        outNumber = Number::FromSigned(inValue.llVal);
        return true;
    case VT_UI8:
        outNumber = Number::FromUnsigned(inValue.ullVal);
        return true;
    case VT_R4:
        outNumber = Number::FromReal(inValue.fltVal, true);
        return true;
    case VT_R8:
        outNumber = Number::FromReal(inValue.dblVal);
        return true;
    case VT_BOOL:
        outNumber = Number::FromBoolean(inValue.boolVal != 0);
        return true;
    default:
        return false;
    }
}

bool IsScalarTarget(VARTYPE inType)
{
    IntegerType theIgnored;
    return IntegerTypeOf(inType, theIgnored) || inType == VT_R4 || inType == VT_R8 || inType == VT_BOOL ||
           inType == VT_BSTR;
}

HRESULT ScalarFromNumber(const Number& inNumber, VARTYPE inType, VARIANT& outValue)
{
    IntegerType theInteger;
    if (IntegerTypeOf(inType, theInteger)) {
        std::uint64_t theBits = 0;
        const HRESULT theResult = IntegerFromNumber(inNumber, theInteger, theBits);
        if (SUCCEEDED(theResult))
            StoreInteger(inType, theBits, outValue);
        return theResult;
    }
    switch (inType) {
    case VT_R4: {
        const double theValue = RealFromNumber(inNumber);
        if (std::isfinite(theValue) && std::fabs(theValue) > FLT_MAX)
            return DISP_E_OVERFLOW;
        outValue.vt = VT_R4;
        outValue.fltVal = static_cast<float>(theValue);
        return S_OK;
    }
    case VT_R8:
        outValue.vt = VT_R8;
        outValue.dblVal = RealFromNumber(inNumber);
        return S_OK;
    case VT_BOOL:
        outValue.vt = VT_BOOL;
        outValue.boolVal = inNumber.IsZero() ? VARIANT_FALSE : VARIANT_TRUE;
        return S_OK;
    case VT_BSTR: {
        BSTR theText = nullptr;
        const HRESULT theResult = TextFromNumber(inNumber, theText);
        if (SUCCEEDED(theResult)) {
            outValue.vt = VT_BSTR;
            outValue.bstrVal = theText;
        }
        return theResult;
    }
    default:
        return DISP_E_BADVARTYPE;
    }
}

}  // namespace

}  // namespace VariantNumber
