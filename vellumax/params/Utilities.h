// The value text: the text forms of numbers, truth values, colours, rectangles,
// points and enumerations (ValueText.cpp, the words in ValueWords.cpp), and the
// small conversions between script values and raw bytes that the server shares
// (Utilities.cpp). The values themselves are in ValueTypes.h.
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
#include "vellumax/params/ValueTypes.h"

constexpr std::size_t kTextCapacity = 256;

// The one character that separates list items in every text form and keyword
// value. Fixed while the server loads, read-only afterwards.
extern const char ListSeparator;

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
