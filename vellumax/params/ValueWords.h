// The words of the value text: the tables the readers compare against and the
// references list, and the ASCII character tests the readers share.
#pragma once

#include <cstdint>

#include "vellumax/params/Utilities.h"

namespace ValueWords {

inline bool IsSpace(char inChar)
{
    return inChar == ' ' || (inChar >= '\t' && inChar <= '\r');
}

inline bool IsDigit(char inChar)
{
    return inChar >= '0' && inChar <= '9';
}

inline char LowerAscii(char inChar)
{
    return (inChar >= 'A' && inChar <= 'Z') ? char(inChar - 'A' + 'a') : inChar;
}

// inWord is lower case.
inline bool EqualsWord(const char* inText, const char* inWord)
{
    for (; *inWord != '\0'; ++inText, ++inWord)
        if (LowerAscii(*inText) != *inWord)
            return false;
    return *inText == '\0';
}

template <typename T>
struct WordValue {
    const char* word;
    T value;
};

template <typename T, std::size_t N>
inline bool ReadWord(const char* inText, const WordValue<T> (&inWords)[N], T* outValue)
{
    for (const auto& theEntry : inWords) {
        if (EqualsWord(inText, theEntry.word)) {
            *outValue = theEntry.value;
            return true;
        }
    }
    return false;
}

inline constexpr WordValue<ShapeKind> kShapeWords[] = {
    {"rectangle", kRectangleShape}, {"rect", kRectangleShape}, {"oval", kOvalShape},
    {"polygon", kPolygonShape},     {"poly", kPolygonShape},   {"roundrectangle", kRoundRectShape},
    {"roundrect", kRoundRectShape}, {"text", kTextShape},      {"line", kLineShape},
};
inline constexpr WordValue<DrawOperation> kOperationWords[] = {
    {"draw", kDrawOutline}, {"paint", kPaintFill}, {"both", kDrawAndPaint}};
inline constexpr WordValue<HAlignKind> kHAlignWords[] = {
    {"left", kHAlignLeft}, {"middle", kHAlignMiddle}, {"right", kHAlignRight}};
inline constexpr WordValue<VAlignKind> kVAlignWords[] = {
    {"top", kVAlignTop}, {"middle", kVAlignMiddle}, {"bottom", kVAlignBottom}};
inline constexpr WordValue<ChannelKind> kChannelWords[] = {
    {"red", kRedChannel}, {"green", kGreenChannel}, {"blue", kBlueChannel}, {"alpha", kAlphaChannel}};
inline constexpr WordValue<CodecQuality> kQualityWords[] = {{"min", kMinQuality},       {"low", kLowQuality},
                                                            {"normal", kNormalQuality}, {"high", kHighQuality},
                                                            {"max", kMaxQuality},       {"lossless", kLosslessQuality}};
inline constexpr WordValue<std::int32_t> kDepthWords[] = {
    {"2", 1}, {"16", 4}, {"256", 8}, {"thousands", 16}, {"millions", 32}};
inline constexpr WordValue<TransferMode> kModeWords[] = {
    {"copy", kCopyMode},
    {"addpin", kAddPinMode},
    {"addover", kAddOverMode},
    {"subpin", kSubPinMode},
    {"addmax", kAddMaxMode},
    {"subover", kSubOverMode},
    {"addmin", kAddMinMode},
    {"transparent", kStraightAlphaMode},
    {"prewhitealpha", kPreWhiteAlphaMode},
    {"preblackalpha", kPreBlackAlphaMode},
    {"blend", kStraightAlphaBlendMode},
};

struct ColorWord {
    const char* word;
    std::uint16_t red;
    std::uint16_t green;
    std::uint16_t blue;
};

inline constexpr ColorWord kColorWords[] = {
    {"black", 0x0000, 0x0000, 0x0000},  {"yellow", 0xFC00, 0xF37D, 0x052F},    {"magenta", 0xF2D7, 0x0856, 0x84EC},
    {"red", 0xDD6B, 0x08C2, 0x06A2},    {"cyan", 0x0241, 0xAB54, 0xEAFF},      {"green", 0x0000, 0x64AF, 0x11B0},
    {"blue", 0x0000, 0x0000, 0xD400},   {"white", 0xFFFF, 0xFFFF, 0xFFFF},     {"", 0xFFFF, 0xFFFF, 0xFFFF},
    {"violet", 0xF2D7, 0x0856, 0x84EC}, {"purple", 0xF2D7, 0x0856, 0x84EC},    {"orange", 0xFFFF, 0x91EA, 0x170A},
    {"gray", 0x8888, 0x8888, 0x8888},   {"lightgray", 0xCCCC, 0xCCCC, 0xCCCC}, {"darkgray", 0x4444, 0x4444, 0x4444},
};

}  // namespace ValueWords
