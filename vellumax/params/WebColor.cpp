#include "vellumax/params/WebColor.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

int HexDigit(char inChar)
{
    if (inChar >= '0' && inChar <= '9')
        return inChar - '0';
    if (inChar >= 'a' && inChar <= 'f')
        return inChar - 'a' + 10;
    if (inChar >= 'A' && inChar <= 'F')
        return inChar - 'A' + 10;
    return -1;
}

}  // namespace

bool ReadWebColor(const char* inText, ColorValue* ioColor)
{
    if (inText[0] != '#')
        return false;
    const char* theDigits = inText + 1;
    const std::size_t theCount = strnlen(theDigits, 9);
    if (theCount != 3 && theCount != 6 && theCount != 8)
        return false;
    int theValues[8];
    for (std::size_t i = 0; i < theCount; ++i)
        if ((theValues[i] = HexDigit(theDigits[i])) < 0)
            return false;
    // A byte b spreads over 16 bits as b × 257, a short-form digit d as d × 0x1111.
    std::uint16_t theComponents[4] = {0, 0, 0, 0xFFFF};
    for (std::size_t c = 0; c < (theCount == 8 ? 4u : 3u); ++c)
        theComponents[c] = theCount == 3 ? std::uint16_t(theValues[c] * 0x1111)
                                         : std::uint16_t((theValues[2 * c] * 16 + theValues[2 * c + 1]) * 257);
    ioColor->SetComponents(theComponents[0], theComponents[1], theComponents[2], theComponents[3]);
    return true;
}
