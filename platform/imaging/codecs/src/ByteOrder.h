// Reading and writing fixed-size integers in byte arrays; the caller has checked the bounds.
#pragma once

#include <cstdint>

namespace vx::codecs {

inline uint16_t ReadLE16(const uint8_t* inBytes)
{
    return uint16_t(inBytes[0] | inBytes[1] << 8);
}
inline uint32_t ReadLE32(const uint8_t* inBytes)
{
    return uint32_t(inBytes[0]) | uint32_t(inBytes[1]) << 8 | uint32_t(inBytes[2]) << 16 | uint32_t(inBytes[3]) << 24;
}
inline uint32_t ReadBE32(const uint8_t* inBytes)
{
    return uint32_t(inBytes[0]) << 24 | uint32_t(inBytes[1]) << 16 | uint32_t(inBytes[2]) << 8 | uint32_t(inBytes[3]);
}
inline void WriteLE16(uint8_t* outBytes, uint32_t inValue)
{
    outBytes[0] = uint8_t(inValue);
    outBytes[1] = uint8_t(inValue >> 8);
}
inline void WriteLE32(uint8_t* outBytes, uint32_t inValue)
{
    WriteLE16(outBytes, inValue);
    WriteLE16(outBytes + 2, inValue >> 16);
}
inline void WriteBE32(uint8_t* outBytes, uint32_t inValue)
{
    outBytes[0] = uint8_t(inValue >> 24);
    outBytes[1] = uint8_t(inValue >> 16);
    outBytes[2] = uint8_t(inValue >> 8);
    outBytes[3] = uint8_t(inValue);
}

// Dots per inch from pixels per metre, 72 when the value is absent or absurd.
inline uint32_t DpiFromPixelsPerMetre(double inPerMetre)
{
    const double theDpi = inPerMetre * 0.0254;
    if (!(theDpi >= 1.0) || theDpi > 1.0e6) {
        return 72;
    }
    return uint32_t(theDpi + 0.5);
}
inline uint32_t DpiFromDotsPerInch(double inPerInch)
{
    return DpiFromPixelsPerMetre(inPerInch / 0.0254);
}

}  // namespace vx::codecs
