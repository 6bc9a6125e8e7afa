// The value vocabulary: the text forms of numbers, truth values, colours,
// rectangles, points and enumerations, and the small conversions between script
// values and raw bytes that the server shares.
//
// Every reader takes a NUL-terminated text and an output slot and returns true
// on success; it never raises and writes no message. Word comparisons ignore
// ASCII letter case and compare the whole text (nothing is trimmed). Every
// formatter writes a NUL-terminated text into a caller's buffer of
// kTextCapacity characters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "automation/Types.h"

constexpr std::size_t kTextCapacity = 256;

// The one character that separates list items in every text form and keyword
// value. Fixed while the server loads, read-only afterwards.
extern const char ListSeparator;

// ---- Plain records -----------------------------------------------------------

// Left, top, right, bottom; right and bottom are exclusive edges. Empty when
// right <= left or bottom <= top.
struct LongRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool operator==(const LongRect&) const = default;
};

// x, y; also a size (width, height) or a move (dx, dy).
struct LongPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    bool operator==(const LongPoint&) const = default;
};

// A component as a percentage 0..100 (single precision), and back (truncated).
float PercentFromComponent(std::uint16_t inComponent);
std::uint16_t ComponentFromPercent(double inPercent);

// A colour as the server keeps it: 16-bit intensities, alpha 65535 opaque, and
// the pattern flag (paint with the pattern canvas instead of a colour).
struct ColorValue {
    std::uint16_t red = 0;
    std::uint16_t green = 0;
    std::uint16_t blue = 0;
    std::uint16_t alpha = 65535;
    std::int32_t pattern = 0;

    static constexpr ColorValue Black() { return {}; }
    static constexpr ColorValue White() { return {65535, 65535, 65535, 65535, 0}; }

    void SetComponents(std::uint16_t inRed, std::uint16_t inGreen, std::uint16_t inBlue, std::uint16_t inAlpha);
    void GetPercentages(float* outRed, float* outGreen, float* outBlue, float* outAlpha) const;
    // Each percentage is clamped to 0..100; clears the pattern flag.
    void SetPercentages(float inRed, float inGreen, float inBlue, float inAlpha);
    // 0x00BBGGRR of the high bytes.
    std::uint32_t ToColorRef() const;
    // Low byte of each component 0, alpha opaque, pattern flag clear.
    void FromColorRef(std::uint32_t inValue);

    bool operator==(const ColorValue&) const = default;
};

struct TextStyleRecord {
    std::int32_t bold = 0;
    std::int32_t weight = 400;  // 400 normal, 700 bold
    std::int32_t italic = 0;
    std::int32_t underline = 0;
    std::int32_t strikethru = 0;

    bool operator==(const TextStyleRecord&) const = default;
};

// ---- Enumerations (numbers shared by the parser and the engine) -------------

enum ShapeKind : std::int32_t {
    kNoShapeType = 0,
    kRectangleShape = 1,
    kOvalShape = 2,
    kPolygonShape = 3,
    kRoundRectShape = 4,
    kTextShape = 5,
    kLineShape = 6,
};

// Bit flags: bit 0 outline, bit 1 fill. 0 measures only (set by TextArea).
enum DrawOperation : std::int32_t {
    kMeasureOnly = 0,
    kDrawOutline = 1,
    kPaintFill = 2,
    kDrawAndPaint = 3,
};

enum HAlignKind : std::int32_t {
    kHAlignLeft = 0,
    kHAlignMiddle = 1,
    kHAlignRight = 2,
};

enum VAlignKind : std::int32_t {
    kVAlignTop = 0,
    kVAlignMiddle = 1,
    kVAlignBottom = 2,
};

enum ChannelKind : std::int32_t {
    kRedChannel = 0,
    kGreenChannel = 1,
    kBlueChannel = 2,
    kAlphaChannel = 3,
};

// The imaging platform's codec quality constants.
enum CodecQuality : std::int32_t {
    kMinQuality = 0,
    kLowQuality = 256,
    kNormalQuality = 512,
    kHighQuality = 768,
    kMaxQuality = 1023,
    kLosslessQuality = 1024,
};

// Transfer modes and graphics modes, handed unchanged to the drawing code.
using TransferMode = std::uint16_t;
constexpr TransferMode kCopyMode = 0;
constexpr TransferMode kAddPinMode = 33;
constexpr TransferMode kAddOverMode = 34;
constexpr TransferMode kSubPinMode = 35;
constexpr TransferMode kAddMaxMode = 37;
constexpr TransferMode kSubOverMode = 38;
constexpr TransferMode kAddMinMode = 39;
constexpr TransferMode kStraightAlphaMode = 256;
constexpr TransferMode kPreWhiteAlphaMode = 257;
constexpr TransferMode kPreBlackAlphaMode = 258;
constexpr TransferMode kStraightAlphaBlendMode = 260;

// ---- Readers -------------------------------------------------------------------

// "%ld" rules: leading white space, optional sign, at least one digit; the rest
// of the text is ignored. A number outside the signed 32-bit range fails. The
// output is unchanged on failure.
bool ReadLong(const char* inText, std::int32_t* outValue);
// "%f" rules with '.' as the decimal point, into single precision. A number
// beyond the single-precision range fails; one below it reads as 0.
bool ReadFloat(const char* inText, float* outValue);
// "true", "false", "yes", "no" or an integer (non-zero gives 1).
bool ReadBoolean(const char* inText, std::int32_t* outValue);
// Up to inMax numbers separated by the ListSeparator; the text after a number
// up to the next separator is ignored. Succeeds only when the whole text was
// read. Items read before a failure stay stored.
bool ReadLongList(const char* inText, std::int32_t* outValues, std::int32_t inMax, std::int32_t* outCount);
bool ReadFloatList(const char* inText, float* outValues, std::int32_t inMax, std::int32_t* outCount);
// x,y pairs with every value in -32767..32766. outPairs is set even on failure.
bool ReadCoordinateList(const char* inText, LongPoint* outPoints, std::int32_t inMaxPairs, std::int32_t* outPairs);
// Exactly four coordinates (left, top, right, bottom) / exactly two (x, y).
// Unchanged on failure.
bool ReadRect(const char* inText, LongRect* outRect);
bool ReadPoint(const char* inText, LongPoint* outPoint);
// A colour word, "pattern" (sets only the flag) or 3 or 4 percentages.
// Unchanged on failure.
bool ReadColor(const char* inText, ColorValue* ioColor);
// Always succeeds: an unknown word gives kNormalQuality.
bool ReadQuality(const char* inText, CodecQuality* outQuality);
bool ReadShape(const char* inText, ShapeKind* outShape);
bool ReadOperation(const char* inText, DrawOperation* outOperation);
bool ReadHAlign(const char* inText, HAlignKind* outAlign);
bool ReadVAlign(const char* inText, VAlignKind* outAlign);
// May have reset the style before failing.
bool ReadTextStyle(const char* inText, TextStyleRecord* outStyle);
bool ReadTransferMode(const char* inText, TransferMode* outMode);
bool ReadChannel(const char* inText, ChannelKind* outChannel);
// Depth words to bits per pixel: "2" 1, "16" 4, "256" 8, "thousands" 16, "millions" 32.
bool ReadDepth(const char* inText, std::int32_t* outBits);
// A codec name to its four-character type, through the lookup the imaging
// bridge installs; fails when none is installed or the name is unknown.
bool ReadCodecType(const char* inText, std::uint32_t* outType);
// Texts shorter than kTextCapacity characters; outText holds kTextCapacity.
bool CopyShortString(const char* inText, char* outText);

// The imaging bridge's codec-name lookup: true with the codec's type when the
// name is known. Install once at start-up; nullptr removes it.
using CodecTypeLookup = bool (*)(const char* inName, std::uint32_t* outType);
void SetCodecTypeLookup(CodecTypeLookup inLookup);

// ---- Formatters (outText holds kTextCapacity characters) ------------------------

void FormatLong(std::int32_t inValue, char* outText);
void FormatRect(const LongRect& inRect, char* outText);
void FormatPoint(const LongPoint& inPoint, char* outText);
// "pattern", or the four percentages with one decimal each.
void FormatColor(const ColorValue& inColor, char* outText);
// Values without a word give the empty text.
void FormatHAlign(std::int32_t inValue, char* outText);
void FormatVAlign(std::int32_t inValue, char* outText);
void FormatTextStyle(const TextStyleRecord& inStyle, char* outText);
void FormatDepth(std::int32_t inBits, char* outText);

// ---- Lists -------------------------------------------------------------------------

// Just after the next ListSeparator, or the end of the text.
const char* NextListItem(const char* inText);
// Leading white space skipped; up to the next separator, at most inCapacity − 1
// characters; trailing white space stays.
void CopyListItem(const char* inText, char* outItem, std::size_t inCapacity);

// ---- Script values and bytes -------------------------------------------------------

// The bytes of a one-dimensional array of one-byte elements held in the VARIANT
// directly or by reference; the data stays locked until ReleaseVariantBytes.
// DISP_E_TYPEMISMATCH when the VARIANT holds no array, E_INVALIDARG for more
// dimensions or wider elements; array failures are returned unchanged.
HRESULT BytesFromVariant(const VARIANT* inVariant, const BYTE** outData, LONG* outLength);
HRESULT ReleaseVariantBytes(const VARIANT* inVariant);
// A new VT_ARRAY | VT_UI1 array with lower bound 0. outVariant is overwritten,
// not cleared. E_OUTOFMEMORY when the array can't be made.
HRESULT VariantFromBytes(const void* inData, LONG inLength, VARIANT* outVariant);

// A length-prefixed string into a terminated one; outText holds kTextCapacity.
void CStringFromPascal(const unsigned char* inPascal, char* outText);

// ---- Other shared routines ------------------------------------------------------------

void ReplaceChar(char* ioText, char inFrom, char inTo);
// First occurrence of the terminated inNeedle wholly within inStart..inEnd
// (inclusive), or nullptr. An empty needle matches at inStart.
const char* FindBytes(const char* inStart, const char* inEnd, const char* inNeedle);

// ---- Word lists, for references -------------------------------------------------------

enum class WordList { Colors, Shapes, Operations, HAligns, VAligns, Channels, Qualities, Depths, Modes, Styles, Truth };

struct ListedWord {
    const char* word;
    std::int32_t value;  // what the reader gives; colours: 0xRRGGBB of the high bytes
};

// The words one reader accepts, in the order it compares them; outCount receives their number.
const ListedWord* WordsOf(WordList inList, std::size_t* outCount);
