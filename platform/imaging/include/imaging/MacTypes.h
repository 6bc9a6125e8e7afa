// The imaging platform's vocabulary: result codes, fixed-point numbers,
// relocatable handles, 16-bit rectangles and matrices, in the classic layouts.
#pragma once

#include <cstdint>

using OSErr = std::int16_t;
using OSStatus = std::int32_t;
using ComponentResult = std::int32_t;
using Fixed = std::int32_t;    // 16.16
using Fract = std::int32_t;    // 2.30
using OSType = std::uint32_t;  // four-character code, first character in the high byte
using Size = std::int32_t;
using Ptr = char*;
using Handle = char**;  // relocatable block: *handle is the block's current address
using Boolean = std::uint8_t;
using Str255 = unsigned char[256];  // length-prefixed
using Str63 = unsigned char[64];
using Str31 = unsigned char[32];

constexpr OSErr noErr = 0;

constexpr OSType FourCharCode(const char (&inText)[5])
{
    return (OSType(std::uint8_t(inText[0])) << 24) | (OSType(std::uint8_t(inText[1])) << 16) |
           (OSType(std::uint8_t(inText[2])) << 8) | OSType(std::uint8_t(inText[3]));
}

constexpr Fixed fixed1 = 0x00010000;
constexpr Fract fract1 = 0x40000000;
constexpr Fixed IntToFixed(int inValue)
{
    return Fixed(inValue) * fixed1;
}
constexpr Fixed FloatToFixed(double inValue)
{
    return Fixed(inValue * 65536.0 + (inValue < 0 ? -0.5 : 0.5));
}
constexpr double FixedToFloat(Fixed inValue)
{
    return double(inValue) / 65536.0;
}

struct Point {
    std::int16_t v;
    std::int16_t h;
};

struct Rect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

struct FixedPoint {
    Fixed x;
    Fixed y;
};

struct FixedRect {
    Fixed left;
    Fixed top;
    Fixed right;
    Fixed bottom;
};

struct RGBColor {
    std::uint16_t red;
    std::uint16_t green;
    std::uint16_t blue;
};

// 3×3, row vectors: [x y 1] × M. Columns 0 and 1 are 16.16 Fixed, column 2 is 2.30 Fract.
struct MatrixRecord {
    Fixed matrix[3][3];
};

using SInt8 = std::int8_t;
using UInt8 = std::uint8_t;
using SInt16 = std::int16_t;
using UInt16 = std::uint16_t;
using SInt32 = std::int32_t;
using UInt32 = std::uint32_t;
using ScriptCode = std::int16_t;
using StringPtr = unsigned char*;
using ConstStringPtr = const unsigned char*;

constexpr Boolean kTrue = 1;
constexpr Boolean kFalse = 0;

inline bool operator==(const Rect& inA, const Rect& inB)
{
    return inA.top == inB.top && inA.left == inB.left && inA.bottom == inB.bottom && inA.right == inB.right;
}

inline bool operator==(const RGBColor& inA, const RGBColor& inB)
{
    return inA.red == inB.red && inA.green == inB.green && inA.blue == inB.blue;
}

static_assert(sizeof(Rect) == 8 && sizeof(RGBColor) == 6 && sizeof(MatrixRecord) == 36);
