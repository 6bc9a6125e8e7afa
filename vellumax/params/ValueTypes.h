// The values of the vocabulary: plain records, the colour as the server keeps
// it, and the enumerations shared by the parser and the engine. Their text
// forms are in Utilities.h.
#pragma once

#include <cstdint>

// ---- Plain records -----------------------------------------------------------

// Left, top, right, bottom; right and bottom are exclusive edges. Empty when
// right <= left or bottom <= top.
struct LongRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    // In 64 bits: no pair of 32-bit edges overflows. Negative when the edges are crossed.
    std::int64_t Width() const { return std::int64_t(right) - left; }
    std::int64_t Height() const { return std::int64_t(bottom) - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }

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
