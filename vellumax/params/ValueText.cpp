#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "vellumax/params/Utilities.h"
#include "vellumax/params/ValueWords.h"
#include "vellumax/params/WebColor.h"

using namespace ValueWords;

namespace {

// '????', the imaging platform's unknown type.
constexpr std::uint32_t kUnknownCodecType = 0x3F3F3F3F;

std::atomic<CodecTypeLookup> gCodecTypeLookup{nullptr};

// The extent of a "%f" number after leading white space: sign, digits with an
// optional point and fraction (at least one digit), optional exponent.
// Returns nullptr when there is no number. outOrder is roughly the decimal
// exponent of the value, enough to tell overflow from underflow.
const char* ScanDecimal(const char* inText, bool* outNegative, const char** outDigits, std::int64_t* outOrder)
{
    const char* p = inText;
    *outNegative = false;
    if (*p == '+' || *p == '-')
        *outNegative = *p++ == '-';
    *outDigits = p;
    while (*p == '0')
        ++p;
    const char* theSignificant = p;
    while (IsDigit(*p))
        ++p;
    bool theHasDigits = p != *outDigits;
    std::int64_t theOrder = p - theSignificant;
    if (*p == '.') {
        ++p;
        const char* theFraction = p;
        if (theOrder == 0) {
            while (*p == '0')
                ++p;
            theOrder = -(p - theFraction);
        }
        while (IsDigit(*p))
            ++p;
        theHasDigits = theHasDigits || p != theFraction;
    }
    if (!theHasDigits)
        return nullptr;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        bool theNegativeExponent = false;
        if (*q == '+' || *q == '-')
            theNegativeExponent = *q++ == '-';
        if (IsDigit(*q)) {
            std::int64_t theExponent = 0;
            for (; IsDigit(*q); ++q)
                theExponent = std::min<std::int64_t>(theExponent * 10 + (*q - '0'), 1'000'000'000);
            theOrder += theNegativeExponent ? -theExponent : theExponent;
            p = q;
        }
    }
    *outOrder = theOrder;
    return p;
}

// Digits with at most one point and no exponent, 15 digits at most: the
// whole digits and the power of ten dividing them are exact doubles, so the
// one rounding of the division gives the nearest double, as the full
// conversion does. Colours are three such numbers on every drawing call.
bool ShortDecimal(const char* inDigits, const char* inEnd, double* outValue)
{
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::int64_t theWhole = 0;
    int theCount = 0;
    int theFraction = -1;
    for (const char* p = inDigits; p != inEnd; ++p) {
        if (*p == '.') {
            theFraction = 0;
            continue;
        }
        if (!IsDigit(*p) || ++theCount > 15)
            return false;
        theWhole = theWhole * 10 + (*p - '0');
        if (theFraction >= 0)
            ++theFraction;
    }
    *outValue = double(theWhole) / kPowersOfTen[theFraction > 0 ? theFraction : 0];
    return true;
}

template <typename T, typename Reader>
bool ReadList(const char* inText, T* outValues, std::int32_t inMax, std::int32_t* outCount, Reader inRead)
{
    *outCount = 0;
    const char* p = inText;
    while (*p != '\0' && *outCount < inMax) {
        outValues[*outCount] = T{};
        if (!inRead(p, &outValues[*outCount]))
            break;
        p = NextListItem(p);
        ++*outCount;
    }
    return *p == '\0';
}

constexpr std::int32_t kMinCoordinate = -32767;
constexpr std::int32_t kMaxCoordinate = 32766;
constexpr std::int32_t kMaxRectPairs = 3;
constexpr std::int32_t kMaxPointPairs = 2;

// Reads into a scratch list so that a failure leaves the caller's value alone.
template <std::int32_t MaxPairs>
bool ReadExactPairs(const char* inText, std::int32_t inWanted, LongPoint* outPoints)
{
    LongPoint thePoints[MaxPairs];
    std::int32_t thePairs = 0;
    if (!ReadCoordinateList(inText, thePoints, MaxPairs, &thePairs) || thePairs != inWanted)
        return false;
    std::copy_n(thePoints, inWanted, outPoints);
    return true;
}

char* AppendLong(char* outText, std::int32_t inValue)
{
    return std::to_chars(outText, outText + 12, inValue).ptr;
}

// One decimal, rounded as the C library's "%.1f" does: the float times ten is
// exact in double precision, and nearest-even rounding settles exact halves.
char* AppendPercent(char* outText, float inPercent)
{
    const long theTenths = std::lrint(double(inPercent) * 10.0);
    outText = std::to_chars(outText, outText + 8, theTenths / 10).ptr;
    *outText++ = '.';
    *outText++ = char('0' + theTenths % 10);
    return outText;
}

void CopyWord(const char* inWord, char* outText)
{
    std::strcpy(outText, inWord);
}

}  // namespace

// ---- Readers ---------------------------------------------------------------------------

bool ReadLong(const char* inText, std::int32_t* outValue)
{
    const char* p = inText;
    while (IsSpace(*p))
        ++p;
    bool theNegative = false;
    if (*p == '+' || *p == '-')
        theNegative = *p++ == '-';
    if (!IsDigit(*p))
        return false;
    // Magnitude up to 2^31 is representable as a negative value; anything
    // larger fails rather than wrapping.
    constexpr std::int64_t kLimit = std::int64_t(1) << 31;
    std::int64_t theMagnitude = 0;
    for (; IsDigit(*p); ++p) {
        theMagnitude = theMagnitude * 10 + (*p - '0');
        if (theMagnitude > kLimit)
            return false;
    }
    if (!theNegative && theMagnitude == kLimit)
        return false;
    *outValue = std::int32_t(theNegative ? -theMagnitude : theMagnitude);
    return true;
}

bool ReadFloat(const char* inText, float* outValue)
{
    const char* p = inText;
    while (IsSpace(*p))
        ++p;
    bool theNegative = false;
    const char* theDigits = nullptr;
    std::int64_t theOrder = 0;
    const char* theEnd = ScanDecimal(p, &theNegative, &theDigits, &theOrder);
    if (theEnd == nullptr)
        return false;
    double theValue = 0.0;
    if (ShortDecimal(theDigits, theEnd, &theValue)) {
        const float theSingle = float(theValue);
        *outValue = theNegative ? -theSingle : theSingle;
        return true;
    }
    const auto theResult = std::from_chars(theDigits, theEnd, theValue, std::chars_format::general);
    if (theResult.ec == std::errc::result_out_of_range) {
        // Beyond double precision either way: too large fails, too small is 0.
        if (theOrder > 0)
            return false;
        theValue = 0.0;
    } else if (theResult.ec != std::errc() || theResult.ptr != theEnd) {
        return false;
    }
    if (theValue > double(std::numeric_limits<float>::max()))
        return false;
    const float theSingle = float(theValue);
    *outValue = theNegative ? -theSingle : theSingle;
    return true;
}

bool ReadBoolean(const char* inText, std::int32_t* outValue)
{
    static constexpr WordValue<std::int32_t> kTruthWords[] = {{"true", 1}, {"false", 0}, {"yes", 1}, {"no", 0}};
    if (ReadWord(inText, kTruthWords, outValue))
        return true;
    std::int32_t theNumber = 0;
    if (!ReadLong(inText, &theNumber))
        return false;
    *outValue = theNumber != 0 ? 1 : 0;
    return true;
}

bool ReadLongList(const char* inText, std::int32_t* outValues, std::int32_t inMax, std::int32_t* outCount)
{
    return ReadList(inText, outValues, inMax, outCount, ReadLong);
}

bool ReadFloatList(const char* inText, float* outValues, std::int32_t inMax, std::int32_t* outCount)
{
    return ReadList(inText, outValues, inMax, outCount, ReadFloat);
}

bool ReadCoordinateList(const char* inText, LongPoint* outPoints, std::int32_t inMaxPairs, std::int32_t* outPairs)
{
    // LongPoint is two packed 32-bit values, so the list lands in place.
    static_assert(sizeof(LongPoint) == 2 * sizeof(std::int32_t));
    std::int32_t theCount = 0;
    const bool theRead =
        ReadLongList(inText, reinterpret_cast<std::int32_t*>(outPoints), 2 * std::max(inMaxPairs, 0), &theCount);
    *outPairs = theCount / 2;
    if (!theRead || theCount % 2 != 0)
        return false;
    const auto* theValues = reinterpret_cast<const std::int32_t*>(outPoints);
    return std::all_of(theValues, theValues + theCount,
                       [](std::int32_t inValue) { return inValue >= kMinCoordinate && inValue <= kMaxCoordinate; });
}

bool ReadRect(const char* inText, LongRect* outRect)
{
    LongPoint theCorners[2];
    if (!ReadExactPairs<kMaxRectPairs>(inText, 2, theCorners))
        return false;
    *outRect = {theCorners[0].x, theCorners[0].y, theCorners[1].x, theCorners[1].y};
    return true;
}

bool ReadPoint(const char* inText, LongPoint* outPoint)
{
    return ReadExactPairs<kMaxPointPairs>(inText, 1, outPoint);
}

bool ReadColor(const char* inText, ColorValue* ioColor)
{
    // Every word begins with a letter (or is empty): percentages skip the table.
    const bool theMayBeWord = *inText == '\0' || (LowerAscii(*inText) >= 'a' && LowerAscii(*inText) <= 'z');
    for (const ColorWord& theWord : kColorWords) {
        if (!theMayBeWord)
            break;
        if (EqualsWord(inText, theWord.word)) {
            ioColor->SetComponents(theWord.red, theWord.green, theWord.blue, 65535);
            return true;
        }
    }
    if (theMayBeWord && EqualsWord(inText, "pattern")) {
        ioColor->pattern = 1;
        return true;
    }
    if (*inText == '#')
        return ReadWebColor(inText, ioColor);
    float thePercents[5];
    std::int32_t theCount = 0;
    if (!ReadFloatList(inText, thePercents, 5, &theCount) || theCount < 3 || theCount > 4)
        return false;
    ioColor->SetPercentages(thePercents[0], thePercents[1], thePercents[2], theCount == 4 ? thePercents[3] : 100.0f);
    return true;
}

bool ReadQuality(const char* inText, CodecQuality* outQuality)
{
    *outQuality = kNormalQuality;
    ReadWord(inText, kQualityWords, outQuality);
    return true;
}

bool ReadShape(const char* inText, ShapeKind* outShape)
{
    return ReadWord(inText, kShapeWords, outShape);
}

bool ReadOperation(const char* inText, DrawOperation* outOperation)
{
    return ReadWord(inText, kOperationWords, outOperation);
}

bool ReadHAlign(const char* inText, HAlignKind* outAlign)
{
    return ReadWord(inText, kHAlignWords, outAlign);
}

bool ReadVAlign(const char* inText, VAlignKind* outAlign)
{
    return ReadWord(inText, kVAlignWords, outAlign);
}

bool ReadTextStyle(const char* inText, TextStyleRecord* outStyle)
{
    *outStyle = TextStyleRecord{};
    for (const char* p = inText; *p != '\0'; p = NextListItem(p)) {
        char theItem[kTextCapacity];
        CopyListItem(p, theItem, sizeof(theItem));
        if (EqualsWord(theItem, "bold")) {
            outStyle->bold = 1;
            outStyle->weight = 700;
        } else if (EqualsWord(theItem, "italic")) {
            outStyle->italic = 1;
        } else if (EqualsWord(theItem, "underline")) {
            outStyle->underline = 1;
        } else if (EqualsWord(theItem, "strikethru")) {
            outStyle->strikethru = 1;
        } else {
            return false;
        }
    }
    return true;
}

bool ReadTransferMode(const char* inText, TransferMode* outMode)
{
    return ReadWord(inText, kModeWords, outMode);
}

bool ReadChannel(const char* inText, ChannelKind* outChannel)
{
    return ReadWord(inText, kChannelWords, outChannel);
}

bool ReadDepth(const char* inText, std::int32_t* outBits)
{
    return ReadWord(inText, kDepthWords, outBits);
}

bool ReadCodecType(const char* inText, std::uint32_t* outType)
{
    const CodecTypeLookup theLookup = gCodecTypeLookup.load(std::memory_order_acquire);
    std::uint32_t theType = kUnknownCodecType;
    if (theLookup == nullptr || !theLookup(inText, &theType) || theType == kUnknownCodecType)
        return false;
    *outType = theType;
    return true;
}

void SetCodecTypeLookup(CodecTypeLookup inLookup)
{
    gCodecTypeLookup.store(inLookup, std::memory_order_release);
}

bool CopyShortString(const char* inText, char* outText)
{
    const std::size_t theLength = std::strlen(inText);
    if (theLength >= kTextCapacity)
        return false;
    std::memcpy(outText, inText, theLength + 1);
    return true;
}

// ---- Formatters ---------------------------------------------------------------------------

void FormatLong(std::int32_t inValue, char* outText)
{
    *AppendLong(outText, inValue) = '\0';
}

void FormatRect(const LongRect& inRect, char* outText)
{
    char* p = AppendLong(outText, inRect.left);
    *p++ = ListSeparator;
    p = AppendLong(p, inRect.top);
    *p++ = ListSeparator;
    p = AppendLong(p, inRect.right);
    *p++ = ListSeparator;
    p = AppendLong(p, inRect.bottom);
    *p = '\0';
}

void FormatPoint(const LongPoint& inPoint, char* outText)
{
    char* p = AppendLong(outText, inPoint.x);
    *p++ = ListSeparator;
    p = AppendLong(p, inPoint.y);
    *p = '\0';
}

void FormatColor(const ColorValue& inColor, char* outText)
{
    if (inColor.pattern != 0) {
        CopyWord("pattern", outText);
        return;
    }
    float thePercents[4];
    inColor.GetPercentages(&thePercents[0], &thePercents[1], &thePercents[2], &thePercents[3]);
    char* p = outText;
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            *p++ = ListSeparator;
        p = AppendPercent(p, thePercents[i]);
    }
    *p = '\0';
}

void FormatHAlign(std::int32_t inValue, char* outText)
{
    static constexpr const char* kWords[] = {"left", "middle", "right"};
    CopyWord(inValue >= 0 && inValue < 3 ? kWords[inValue] : "", outText);
}

void FormatVAlign(std::int32_t inValue, char* outText)
{
    static constexpr const char* kWords[] = {"top", "middle", "bottom"};
    CopyWord(inValue >= 0 && inValue < 3 ? kWords[inValue] : "", outText);
}

void FormatTextStyle(const TextStyleRecord& inStyle, char* outText)
{
    // Always joined with ',' whatever the ListSeparator.
    outText[0] = '\0';
    if (inStyle.bold != 0)
        std::strcat(outText, "bold,");
    if (inStyle.italic != 0)
        std::strcat(outText, "italic,");
    if (inStyle.underline != 0)
        std::strcat(outText, "underline,");
    if (inStyle.strikethru != 0)
        std::strcat(outText, "strikethru,");
    const std::size_t theLength = std::strlen(outText);
    if (theLength > 0)
        outText[theLength - 1] = '\0';
}

void FormatDepth(std::int32_t inBits, char* outText)
{
    const char* theWord = "";
    switch (inBits) {
    case 1:
        theWord = "2";
        break;
    case 2:
        theWord = "4";
        break;
    case 4:
        theWord = "16";
        break;
    case 8:
        theWord = "256";
        break;
    case 16:
        theWord = "thousands";
        break;
    case 24:
    case 32:
        theWord = "millions";
        break;
    default:
        break;
    }
    CopyWord(theWord, outText);
}

// ---- Lists ---------------------------------------------------------------------------------

const char* NextListItem(const char* inText)
{
    const char* theSeparator = std::strchr(inText, ListSeparator);
    return theSeparator != nullptr ? theSeparator + 1 : inText + std::strlen(inText);
}

void CopyListItem(const char* inText, char* outItem, std::size_t inCapacity)
{
    if (inCapacity == 0)
        return;
    while (IsSpace(*inText))
        ++inText;
    std::size_t theLength = 0;
    while (inText[theLength] != '\0' && inText[theLength] != ListSeparator && theLength + 1 < inCapacity) {
        outItem[theLength] = inText[theLength];
        ++theLength;
    }
    outItem[theLength] = '\0';
}
