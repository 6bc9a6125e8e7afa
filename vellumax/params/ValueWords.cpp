#include "vellumax/params/ValueWords.h"

#include <array>
#include <iterator>

using namespace ValueWords;

namespace {

template <typename T, std::size_t N>
constexpr std::array<ListedWord, N> Listed(const WordValue<T> (&inWords)[N])
{
    std::array<ListedWord, N> theList{};
    for (std::size_t i = 0; i < N; ++i)
        theList[i] = {inWords[i].word, std::int32_t(inWords[i].value)};
    return theList;
}

constexpr std::array<ListedWord, std::size(kColorWords)> ListedColors()
{
    std::array<ListedWord, std::size(kColorWords)> theList{};
    for (std::size_t i = 0; i < std::size(kColorWords); ++i)
        theList[i] = {kColorWords[i].word, std::int32_t((kColorWords[i].red >> 8) << 16 |
                                                        (kColorWords[i].green >> 8) << 8 | kColorWords[i].blue >> 8)};
    return theList;
}

constexpr auto kListedColors = ListedColors();
constexpr auto kListedShapes = Listed(kShapeWords);
constexpr auto kListedOperations = Listed(kOperationWords);
constexpr auto kListedHAligns = Listed(kHAlignWords);
constexpr auto kListedVAligns = Listed(kVAlignWords);
constexpr auto kListedChannels = Listed(kChannelWords);
constexpr auto kListedQualities = Listed(kQualityWords);
constexpr auto kListedDepths = Listed(kDepthWords);
constexpr auto kListedModes = Listed(kModeWords);
// The style flags as bits: bold 1, italic 2, underline 4, strikethru 8.
constexpr ListedWord kListedStyles[] = {{"bold", 1}, {"italic", 2}, {"underline", 4}, {"strikethru", 8}};
constexpr ListedWord kListedTruth[] = {{"true", 1}, {"false", 0}, {"yes", 1}, {"no", 0}};

}  // namespace

const ListedWord* WordsOf(WordList inList, std::size_t* outCount)
{
    switch (inList) {
    case WordList::Colors:
        *outCount = kListedColors.size();
        return kListedColors.data();
    case WordList::Shapes:
        *outCount = kListedShapes.size();
        return kListedShapes.data();
    case WordList::Operations:
        *outCount = kListedOperations.size();
        return kListedOperations.data();
    case WordList::HAligns:
        *outCount = kListedHAligns.size();
        return kListedHAligns.data();
    case WordList::VAligns:
        *outCount = kListedVAligns.size();
        return kListedVAligns.data();
    case WordList::Channels:
        *outCount = kListedChannels.size();
        return kListedChannels.data();
    case WordList::Qualities:
        *outCount = kListedQualities.size();
        return kListedQualities.data();
    case WordList::Depths:
        *outCount = kListedDepths.size();
        return kListedDepths.data();
    case WordList::Modes:
        *outCount = kListedModes.size();
        return kListedModes.data();
    case WordList::Styles:
        *outCount = std::size(kListedStyles);
        return kListedStyles;
    case WordList::Truth:
        *outCount = std::size(kListedTruth);
        return kListedTruth;
    }
    *outCount = 0;
    return nullptr;
}
