#include "automation/Strings.h"
#include "automation/Utf8.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

using Prefix = std::uint32_t;
constexpr std::size_t kPrefixBytes = sizeof(Prefix);
constexpr std::size_t kTerminatorBytes = sizeof(OLECHAR);
// Text may not grow past what the 32-bit prefix can describe.
constexpr std::size_t kMaxByteLength = std::numeric_limits<Prefix>::max() - kPrefixBytes - 2 * kTerminatorBytes;

// Block layout: [byte length][bytes][NUL NUL (+1 when the byte length is odd)].
// The returned pointer is just after the prefix, so readers see ordinary
// NUL-terminated UTF-16.
BSTR AllocateBytes(std::size_t inByteLength)
{
    if (inByteLength > kMaxByteLength)
        return nullptr;
    const std::size_t theTail = kTerminatorBytes + (inByteLength & 1);
    auto* theBlock = static_cast<char*>(std::malloc(kPrefixBytes + inByteLength + theTail));
    if (theBlock == nullptr)
        return nullptr;
    const Prefix theLength = static_cast<Prefix>(inByteLength);
    std::memcpy(theBlock, &theLength, kPrefixBytes);
    std::memset(theBlock + kPrefixBytes + inByteLength, 0, theTail);
    return reinterpret_cast<BSTR>(theBlock + kPrefixBytes);
}

char* BlockOf(BSTR inString)
{
    return reinterpret_cast<char*>(inString) - kPrefixBytes;
}

std::size_t Length16(const OLECHAR* inText)
{
    std::size_t theLength = 0;
    while (inText[theLength] != 0)
        ++theLength;
    return theLength;
}

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at ioPos; malformed, overlong and surrogate
// encodings yield U+FFFD and consume one byte, so decoding always advances.
char32_t DecodeUTF8(std::string_view inText, std::size_t& ioPos)
{
    const auto theLead = static_cast<unsigned char>(inText[ioPos]);
    if (theLead < 0x80) {
        ++ioPos;
        return theLead;
    }
    int theCount = 0;
    char32_t theCode = 0;
    char32_t theMinimum = 0;
    if ((theLead & 0xE0) == 0xC0) {
        theCount = 1;
        theCode = theLead & 0x1F;
        theMinimum = 0x80;
    } else if ((theLead & 0xF0) == 0xE0) {
        theCount = 2;
        theCode = theLead & 0x0F;
        theMinimum = 0x800;
    } else if ((theLead & 0xF8) == 0xF0) {
        theCount = 3;
        theCode = theLead & 0x07;
        theMinimum = 0x10000;
    } else {
        ++ioPos;
        return kReplacement;
    }
    if (ioPos + theCount >= inText.size()) {
        ++ioPos;
        return kReplacement;
    }
    for (int i = 1; i <= theCount; ++i) {
        const auto theNext = static_cast<unsigned char>(inText[ioPos + i]);
        if ((theNext & 0xC0) != 0x80) {
            ++ioPos;
            return kReplacement;
        }
        theCode = (theCode << 6) | (theNext & 0x3F);
    }
    if (theCode < theMinimum || theCode > 0x10FFFF || (theCode >= 0xD800 && theCode <= 0xDFFF)) {
        ++ioPos;
        return kReplacement;
    }
    ioPos += theCount + 1;
    return theCode;
}

void AppendUTF16(std::u16string& ioText, char32_t inCode)
{
    if (inCode < 0x10000) {
        ioText.push_back(static_cast<char16_t>(inCode));
    } else {
        inCode -= 0x10000;
        ioText.push_back(static_cast<char16_t>(0xD800 + (inCode >> 10)));
        ioText.push_back(static_cast<char16_t>(0xDC00 + (inCode & 0x3FF)));
    }
}

void AppendUTF8(std::string& ioText, char32_t inCode)
{
    if (inCode < 0x80) {
        ioText.push_back(static_cast<char>(inCode));
    } else if (inCode < 0x800) {
        ioText.push_back(static_cast<char>(0xC0 | (inCode >> 6)));
        ioText.push_back(static_cast<char>(0x80 | (inCode & 0x3F)));
    } else if (inCode < 0x10000) {
        ioText.push_back(static_cast<char>(0xE0 | (inCode >> 12)));
        ioText.push_back(static_cast<char>(0x80 | ((inCode >> 6) & 0x3F)));
        ioText.push_back(static_cast<char>(0x80 | (inCode & 0x3F)));
    } else {
        ioText.push_back(static_cast<char>(0xF0 | (inCode >> 18)));
        ioText.push_back(static_cast<char>(0x80 | ((inCode >> 12) & 0x3F)));
        ioText.push_back(static_cast<char>(0x80 | ((inCode >> 6) & 0x3F)));
        ioText.push_back(static_cast<char>(0x80 | (inCode & 0x3F)));
    }
}

// How many bytes from the start are ASCII.
std::size_t AsciiPrefix(std::string_view inText)
{
    std::size_t theLength = 0;
    while (theLength < inText.size() && static_cast<unsigned char>(inText[theLength]) < 0x80)
        ++theLength;
    return theLength;
}

char16_t FoldAscii(char16_t inChar)
{
    return (inChar >= u'a' && inChar <= u'z') ? static_cast<char16_t>(inChar - (u'a' - u'A')) : inChar;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* inText)
{
    if (inText == nullptr)
        return nullptr;
    const std::size_t theLength = Length16(inText);
    if (theLength > kMaxByteLength / sizeof(OLECHAR))
        return nullptr;
    BSTR theString = AllocateBytes(theLength * sizeof(OLECHAR));
    if (theString != nullptr)
        std::memcpy(theString, inText, theLength * sizeof(OLECHAR));
    return theString;
}

BSTR SysAllocStringLen(const OLECHAR* inText, UINT inLength)
{
    if (inLength > kMaxByteLength / sizeof(OLECHAR))
        return nullptr;
    const std::size_t theBytes = std::size_t{inLength} * sizeof(OLECHAR);
    BSTR theString = AllocateBytes(theBytes);
    if (theString == nullptr)
        return nullptr;
    if (inText != nullptr)
        std::memcpy(theString, inText, theBytes);
    else
        std::memset(theString, 0, theBytes);
    return theString;
}

BSTR SysAllocStringByteLen(const char* inBytes, UINT inByteLength)
{
    BSTR theString = AllocateBytes(inByteLength);
    if (theString == nullptr)
        return nullptr;
    if (inBytes != nullptr)
        std::memcpy(theString, inBytes, inByteLength);
    else
        std::memset(theString, 0, inByteLength);
    return theString;
}

int SysReAllocString(BSTR* ioString, const OLECHAR* inText)
{
    if (ioString == nullptr)
        return 0;
    // Allocate first: inText may point into the string being replaced.
    BSTR theString = SysAllocString(inText);
    if (theString == nullptr && inText != nullptr)
        return 0;
    SysFreeString(*ioString);
    *ioString = theString;
    return 1;
}

void SysFreeString(BSTR inString)
{
    if (inString != nullptr)
        std::free(BlockOf(inString));
}

UINT SysStringByteLen(BSTR inString)
{
    if (inString == nullptr)
        return 0;
    Prefix theLength;
    std::memcpy(&theLength, BlockOf(inString), kPrefixBytes);
    return theLength;
}

UINT SysStringLen(BSTR inString)
{
    return SysStringByteLen(inString) / sizeof(OLECHAR);
}

std::u16string UTF16FromUTF8(std::string_view inText)
{
    // The ASCII start is widened in place; decoding begins at the first other byte.
    const std::size_t theAscii = AsciiPrefix(inText);
    std::u16string theText(theAscii, u'\0');
    for (std::size_t i = 0; i < theAscii; ++i)
        theText[i] = static_cast<unsigned char>(inText[i]);
    if (theAscii == inText.size())
        return theText;
    theText.reserve(inText.size());
    std::size_t thePos = theAscii;
    while (thePos < inText.size())
        AppendUTF16(theText, DecodeUTF8(inText, thePos));
    return theText;
}

std::string UTF8FromUTF16(std::u16string_view inText)
{
    // Every parameter string passes through here; nearly all are ASCII, which
    // is copied unit for unit into a string of the final length.
    const std::size_t theSize = inText.size();
    std::string theText(theSize, '\0');
    char* theOut = theText.data();
    std::size_t theAscii = 0;
    for (; theAscii < theSize && inText[theAscii] < 0x80; ++theAscii)
        theOut[theAscii] = static_cast<char>(inText[theAscii]);
    if (theAscii == theSize)
        return theText;
    theText.resize(theAscii);
    theText.reserve(theAscii + (theSize - theAscii) * 3);  // a pair makes four bytes, a lone unit at most three
    for (std::size_t i = theAscii; i < theSize; ++i) {
        char32_t theCode = inText[i];
        if (theCode >= 0xD800 && theCode <= 0xDBFF && i + 1 < theSize && inText[i + 1] >= 0xDC00 &&
            inText[i + 1] <= 0xDFFF) {
            theCode = 0x10000 + ((theCode - 0xD800) << 10) + (inText[i + 1] - 0xDC00);
            ++i;
        } else if (theCode >= 0xD800 && theCode <= 0xDFFF) {
            theCode = kReplacement;  // an unpaired surrogate has no UTF-8 form
        }
        AppendUTF8(theText, theCode);
    }
    return theText;
}

std::size_t UTF16LengthOfUTF8(std::string_view inText)
{
    std::size_t theLength = AsciiPrefix(inText);
    std::size_t thePos = theLength;
    while (thePos < inText.size())
        theLength += DecodeUTF8(inText, thePos) >= 0x10000 ? 2 : 1;
    return theLength;
}

std::string WellFormedUTF8(std::string_view inText)
{
    // Nearly every text is well formed: checked first, then copied once.
    const std::size_t theAscii = AsciiPrefix(inText);
    bool isWellFormed = true;
    for (std::size_t thePos = theAscii; thePos < inText.size() && isWellFormed;) {
        const std::size_t theStart = thePos;
        // A refused sequence gives U+FFFD for its first byte alone; an encoded U+FFFD takes three.
        isWellFormed = DecodeUTF8(inText, thePos) != kReplacement || thePos != theStart + 1;
    }
    if (isWellFormed)
        return std::string(inText);
    std::string theText(inText.substr(0, theAscii));
    theText.reserve(inText.size() + 8);
    for (std::size_t thePos = theAscii; thePos < inText.size();)
        AppendUTF8(theText, DecodeUTF8(inText, thePos));
    return theText;
}

BSTR SysAllocStringUTF8(std::string_view inText)
{
    // Results are mostly short ASCII (rectangles, names): widened straight into the string.
    if (AsciiPrefix(inText) == inText.size() && inText.size() <= std::numeric_limits<UINT>::max()) {
        BSTR theString = SysAllocStringLen(nullptr, static_cast<UINT>(inText.size()));
        if (theString != nullptr)
            for (std::size_t i = 0; i < inText.size(); ++i)
                theString[i] = static_cast<unsigned char>(inText[i]);
        return theString;
    }
    const std::u16string theText = UTF16FromUTF8(inText);
    if (theText.size() > std::numeric_limits<UINT>::max())
        return nullptr;
    return SysAllocStringLen(theText.data(), static_cast<UINT>(theText.size()));
}

std::string UTF8FromBSTR(BSTR inString)
{
    return UTF8FromUTF16(std::u16string_view(inString == nullptr ? u"" : inString, SysStringLen(inString)));
}

bool EqualNoCase(std::u16string_view inA, std::u16string_view inB)
{
    if (inA.size() != inB.size())
        return false;
    for (std::size_t i = 0; i < inA.size(); ++i)
        if (FoldAscii(inA[i]) != FoldAscii(inB[i]))
            return false;
    return true;
}
