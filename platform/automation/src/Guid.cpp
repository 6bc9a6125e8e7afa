#include "automation/Guid.h"

#include <array>

namespace {

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
constexpr std::size_t kTextLength = 38;
constexpr char kDigits[] = "0123456789ABCDEF";

int HexValue(char32_t inChar)
{
    if (inChar >= '0' && inChar <= '9')
        return static_cast<int>(inChar - '0');
    if (inChar >= 'a' && inChar <= 'f')
        return static_cast<int>(inChar - 'a' + 10);
    if (inChar >= 'A' && inChar <= 'F')
        return static_cast<int>(inChar - 'A' + 10);
    return -1;
}

// The 16 bytes in text order: Data1..Data3 as big-endian numbers, then Data4.
std::array<std::uint8_t, 16> BytesOf(REFGUID inGuid)
{
    return {static_cast<std::uint8_t>(inGuid.Data1 >> 24),
            static_cast<std::uint8_t>(inGuid.Data1 >> 16),
            static_cast<std::uint8_t>(inGuid.Data1 >> 8),
            static_cast<std::uint8_t>(inGuid.Data1),
            static_cast<std::uint8_t>(inGuid.Data2 >> 8),
            static_cast<std::uint8_t>(inGuid.Data2),
            static_cast<std::uint8_t>(inGuid.Data3 >> 8),
            static_cast<std::uint8_t>(inGuid.Data3),
            inGuid.Data4[0],
            inGuid.Data4[1],
            inGuid.Data4[2],
            inGuid.Data4[3],
            inGuid.Data4[4],
            inGuid.Data4[5],
            inGuid.Data4[6],
            inGuid.Data4[7]};
}

bool IsDashPosition(std::size_t inPos)
{
    return inPos == 9 || inPos == 14 || inPos == 19 || inPos == 24;
}

template <typename Char>
std::optional<GUID> Parse(const Char* inText, std::size_t inLength)
{
    if (inLength != kTextLength || inText[0] != '{' || inText[kTextLength - 1] != '}')
        return std::nullopt;
    std::array<std::uint8_t, 16> theBytes{};
    std::size_t theNibble = 0;
    for (std::size_t i = 1; i + 1 < kTextLength; ++i) {
        if (IsDashPosition(i)) {
            if (inText[i] != '-')
                return std::nullopt;
            continue;
        }
        const int theValue = HexValue(static_cast<char32_t>(inText[i]));
        if (theValue < 0)
            return std::nullopt;
        theBytes[theNibble / 2] = static_cast<std::uint8_t>((theBytes[theNibble / 2] << 4) | theValue);
        ++theNibble;
    }
    GUID theGuid{};
    theGuid.Data1 = (std::uint32_t{theBytes[0]} << 24) | (std::uint32_t{theBytes[1]} << 16) |
                    (std::uint32_t{theBytes[2]} << 8) | theBytes[3];
    theGuid.Data2 = static_cast<std::uint16_t>((theBytes[4] << 8) | theBytes[5]);
    theGuid.Data3 = static_cast<std::uint16_t>((theBytes[6] << 8) | theBytes[7]);
    for (int i = 0; i < 8; ++i)
        theGuid.Data4[i] = theBytes[8 + i];
    return theGuid;
}

}  // namespace

std::string StringFromGUID(REFGUID inGuid)
{
    const auto theBytes = BytesOf(inGuid);
    std::string theText(kTextLength, '-');
    theText.front() = '{';
    theText.back() = '}';
    std::size_t thePos = 1;
    for (std::uint8_t theByte : theBytes) {
        if (IsDashPosition(thePos))
            ++thePos;
        theText[thePos++] = kDigits[theByte >> 4];
        theText[thePos++] = kDigits[theByte & 0xF];
    }
    return theText;
}

std::optional<GUID> GUIDFromString(std::string_view inText)
{
    return Parse(inText.data(), inText.size());
}

HRESULT CLSIDFromString(LPCOLESTR inText, CLSID* outClsid)
{
    if (outClsid == nullptr)
        return E_POINTER;
    if (inText == nullptr)
        return CO_E_CLASSSTRING;
    std::size_t theLength = 0;
    while (theLength <= kTextLength && inText[theLength] != 0)
        ++theLength;
    const std::optional<GUID> theGuid = Parse(inText, theLength);
    if (!theGuid)
        return CO_E_CLASSSTRING;
    *outClsid = *theGuid;
    return S_OK;
}

int StringFromGUID2(REFGUID inGuid, LPOLESTR outText, int inCapacity)
{
    constexpr int kNeeded = static_cast<int>(kTextLength) + 1;
    if (outText == nullptr || inCapacity < kNeeded)
        return 0;
    const std::string theText = StringFromGUID(inGuid);
    for (std::size_t i = 0; i < kTextLength; ++i)
        outText[i] = static_cast<OLECHAR>(theText[i]);
    outText[kTextLength] = 0;
    return kNeeded;
}
