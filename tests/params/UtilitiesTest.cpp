// Readers, formatters, lists and colours of the value vocabulary.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>

#include "vellumax/params/Utilities.h"

namespace {

struct LongCase {
    const char* label;
    const char* text;
    bool ok;
    std::int32_t value;
};

class ReadLongTest : public testing::TestWithParam<LongCase> {};

TEST_P(ReadLongTest, ReadsLikePercentLd)
{
    const LongCase& theCase = GetParam();
    std::int32_t theValue = 77;
    EXPECT_EQ(ReadLong(theCase.text, &theValue), theCase.ok) << theCase.label;
    EXPECT_EQ(theValue, theCase.ok ? theCase.value : 77) << theCase.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadLongTest,
    testing::Values(LongCase{"plain", "42", true, 42}, LongCase{"leading white space", " \t\n42", true, 42},
                    LongCase{"sign", "-17", true, -17}, LongCase{"plus", "+8", true, 8},
                    LongCase{"suffix ignored", "12px", true, 12}, LongCase{"stops at comma", "5,7", true, 5},
                    LongCase{"leading zeros", "0000000000000000000009", true, 9},
                    LongCase{"largest", "2147483647", true, 2147483647},
                    LongCase{"smallest is ordinary", "-2147483648", true, INT32_MIN},
                    LongCase{"one above largest", "2147483648", false, 0},
                    LongCase{"one below smallest", "-2147483649", false, 0},
                    LongCase{"far out of range", "99999999999999999999", false, 0}, LongCase{"empty", "", false, 0},
                    LongCase{"sign alone", "-", false, 0}, LongCase{"blank after sign", "- 5", false, 0},
                    LongCase{"word", "abc", false, 0}, LongCase{"decimal point first", ".5", false, 0}),
    [](const auto& inInfo) { return std::to_string(inInfo.index); });

struct FloatCase {
    const char* text;
    bool ok;
    float value;
};

class ReadFloatTest : public testing::TestWithParam<FloatCase> {};

TEST_P(ReadFloatTest, ReadsLikePercentF)
{
    const FloatCase& theCase = GetParam();
    float theValue = -7.0f;
    EXPECT_EQ(ReadFloat(theCase.text, &theValue), theCase.ok) << theCase.text;
    EXPECT_FLOAT_EQ(theValue, theCase.ok ? theCase.value : -7.0f) << theCase.text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadFloatTest,
    testing::Values(FloatCase{"1.5", true, 1.5f}, FloatCase{" -2.25", true, -2.25f}, FloatCase{".5", true, 0.5f},
                    FloatCase{"5.", true, 5.0f}, FloatCase{"1e3", true, 1000.0f}, FloatCase{"2.5E-1x", true, 0.25f},
                    FloatCase{"7e", true, 7.0f}, FloatCase{"45,10,10", true, 45.0f}, FloatCase{"1.e2", true, 100.0f},
                    FloatCase{"-.5e+1", true, -5.0f}, FloatCase{"00012.50", true, 12.5f}, FloatCase{"1e-", true, 1.0f},
                    FloatCase{"1.175494351e-38", true, 1.175494351e-38f}, FloatCase{"1e-400", true, 0.0f},
                    FloatCase{"1e39", false, 0}, FloatCase{"1e400", false, 0}, FloatCase{".", false, 0},
                    FloatCase{"", false, 0}, FloatCase{"inf", false, 0}, FloatCase{"nan", false, 0},
                    FloatCase{"0x10", true, 0.0f}));

TEST(ReadFloat, HugeDigitStringsFailAndTinyOnesReadAsZero)
{
    float theValue = 3.0f;
    EXPECT_FALSE(ReadFloat(std::string(400, '9').c_str(), &theValue));
    EXPECT_TRUE(ReadFloat(("0." + std::string(400, '0') + "1").c_str(), &theValue));
    EXPECT_EQ(theValue, 0.0f);
}

TEST(ReadBoolean, WordsAndNumbers)
{
    const struct {
        const char* text;
        bool ok;
        std::int32_t value;
    } kCases[] = {{"true", true, 1}, {"FALSE", true, 0}, {"YES", true, 1},    {"No", true, 0}, {"2", true, 1},
                  {"0", true, 0},    {"-1", true, 1},    {"maybe", false, 0}, {"", false, 0},  {" yes", false, 0}};
    for (const auto& theCase : kCases) {
        std::int32_t theValue = 9;
        EXPECT_EQ(ReadBoolean(theCase.text, &theValue), theCase.ok) << theCase.text;
        EXPECT_EQ(theValue, theCase.ok ? theCase.value : 9) << theCase.text;
    }
}

TEST(ReadLongList, ItemsSeparatorsAndLimits)
{
    const struct {
        const char* text;
        std::int32_t max;
        bool ok;
        std::int32_t count;
    } kCases[] = {
        {"", 4, true, 0},      {"1,2,3", 4, true, 3},  {"5 px,7", 4, true, 2}, {"1,2,", 4, true, 2},
        {"1,,2", 4, false, 1}, {"1,2,3", 2, false, 2}, {"1, 2", 4, true, 2},   {"1,x", 4, false, 1},
        {"1, ", 4, false, 1},  {",1", 4, false, 0},
    };
    for (const auto& theCase : kCases) {
        std::int32_t theValues[4] = {};
        std::int32_t theCount = -1;
        EXPECT_EQ(ReadLongList(theCase.text, theValues, theCase.max, &theCount), theCase.ok) << theCase.text;
        EXPECT_EQ(theCount, theCase.count) << theCase.text;
    }
    std::int32_t theValues[3] = {};
    std::int32_t theCount = 0;
    ASSERT_TRUE(ReadLongList("5 px,-7", theValues, 3, &theCount));
    EXPECT_EQ(theValues[0], 5);
    EXPECT_EQ(theValues[1], -7);
}

TEST(ReadFloatList, ReadsNumbersAndSetsFailedSlotToZero)
{
    float theValues[3] = {9.0f, 9.0f, 9.0f};
    std::int32_t theCount = 0;
    EXPECT_FALSE(ReadFloatList("1.5,x", theValues, 3, &theCount));
    EXPECT_EQ(theCount, 1);
    EXPECT_EQ(theValues[0], 1.5f);
    EXPECT_EQ(theValues[1], 0.0f);
}

TEST(ReadCoordinateList, BoundsAreExclusiveOnBothSides)
{
    LongPoint thePoints[4];
    std::int32_t thePairs = 0;
    EXPECT_TRUE(ReadCoordinateList("-32767,32766", thePoints, 4, &thePairs));
    EXPECT_EQ(thePairs, 1);
    EXPECT_EQ(thePoints[0], (LongPoint{-32767, 32766}));
    EXPECT_FALSE(ReadCoordinateList("-32768,0", thePoints, 4, &thePairs));
    EXPECT_FALSE(ReadCoordinateList("0,32767", thePoints, 4, &thePairs));
    EXPECT_FALSE(ReadCoordinateList("1,2,3", thePoints, 4, &thePairs));
    EXPECT_EQ(thePairs, 1);
    EXPECT_TRUE(ReadCoordinateList("0,0,10,0,10,10", thePoints, 4, &thePairs));
    EXPECT_EQ(thePairs, 3);
    EXPECT_EQ(thePoints[2], (LongPoint{10, 10}));
    EXPECT_FALSE(ReadCoordinateList("0,0,1,1,2,2", thePoints, 2, &thePairs));
}

TEST(ReadRect, ExactlyFourCoordinates)
{
    const LongRect kUntouched{1, 2, 3, 4};
    const struct {
        const char* text;
        bool ok;
        LongRect rect;
    } kCases[] = {
        {"0,0,100,50", true, {0, 0, 100, 50}},
        {"100,50,0,0", true, {100, 50, 0, 0}},  // no order check
        {"0,0,100", false, kUntouched},
        {"0,0,100,50,1,2", false, kUntouched},
        {"0,0,100,50,1,2,3,4", false, kUntouched},
        {"0,0,32767,10", false, kUntouched},
        {"", false, kUntouched},
    };
    for (const auto& theCase : kCases) {
        LongRect theRect = kUntouched;
        EXPECT_EQ(ReadRect(theCase.text, &theRect), theCase.ok) << theCase.text;
        EXPECT_EQ(theRect, theCase.rect) << theCase.text;
    }
    char theText[kTextCapacity];
    LongRect theRect;
    ASSERT_TRUE(ReadRect("0,0,100,50", &theRect));
    FormatRect(theRect, theText);
    EXPECT_STREQ(theText, "0,0,100,50");
}

TEST(ReadPoint, ExactlyTwoCoordinates)
{
    LongPoint thePoint{5, 6};
    EXPECT_TRUE(ReadPoint("-3, 4", &thePoint));
    EXPECT_EQ(thePoint, (LongPoint{-3, 4}));
    for (const char* theText : {"1", "1,2,3", "1,2,3,4", "a,b", "1,40000"}) {
        thePoint = {5, 6};
        EXPECT_FALSE(ReadPoint(theText, &thePoint)) << theText;
        EXPECT_EQ(thePoint, (LongPoint{5, 6})) << theText;
    }
}

struct ColorCase {
    const char* text;
    bool ok;
    ColorValue color;
};

// Short plain decimals take a quicker route than long ones or exponents; both
// must give the float of the C library's nearest double, digit count by digit
// count and across the 15-digit edge.
TEST(ReadFloat, ShortAndLongDecimalsRoundAsTheCLibrary)
{
    std::mt19937 theRandom(12345);
    for (int i = 0; i < 20000; ++i) {
        const int theDigits = 1 + int(theRandom() % 18);
        std::string theText = theRandom() % 4 == 0 ? "-" : "";
        const int thePoint = int(theRandom() % std::uint32_t(theDigits + 1));
        for (int d = 0; d < theDigits; ++d) {
            if (d == thePoint)
                theText += '.';
            theText += char('0' + theRandom() % 10);
        }
        float theValue = 0.0f;
        ASSERT_TRUE(ReadFloat(theText.c_str(), &theValue)) << theText;
        const float theExpected = float(std::strtod(theText.c_str(), nullptr));
        ASSERT_EQ(std::memcmp(&theValue, &theExpected, sizeof(float)), 0)
            << theText << ": " << theValue << " against " << theExpected;
    }
}

class ReadColorTest : public testing::TestWithParam<ColorCase> {};

constexpr ColorValue kStart{0x1234, 0x2345, 0x3456, 0x4567, 0};

TEST_P(ReadColorTest, WordsPatternAndPercentages)
{
    const ColorCase& theCase = GetParam();
    ColorValue theColor = kStart;
    EXPECT_EQ(ReadColor(theCase.text, &theColor), theCase.ok) << theCase.text;
    EXPECT_EQ(theColor, theCase.color) << theCase.text;
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadColorTest,
                         testing::Values(ColorCase{"red", true, {0xDD6B, 0x08C2, 0x06A2, 0xFFFF, 0}},
                                         ColorCase{"RED", true, {0xDD6B, 0x08C2, 0x06A2, 0xFFFF, 0}},
                                         ColorCase{"Red", true, {0xDD6B, 0x08C2, 0x06A2, 0xFFFF, 0}},
                                         ColorCase{" red", false, kStart}, ColorCase{"reddish", false, kStart},
                                         ColorCase{"", true, ColorValue::White()},
                                         ColorCase{"yellow", true, {0xFC00, 0xF37D, 0x052F, 0xFFFF, 0}},
                                         ColorCase{"purple", true, {0xF2D7, 0x0856, 0x84EC, 0xFFFF, 0}},
                                         ColorCase{"orange", true, {0xFFFF, 0x91EA, 0x170A, 0xFFFF, 0}},
                                         ColorCase{"lightgray", true, {0xCCCC, 0xCCCC, 0xCCCC, 0xFFFF, 0}},
                                         ColorCase{"darkgray", true, {0x4444, 0x4444, 0x4444, 0xFFFF, 0}},
                                         ColorCase{"pattern", true, {0x1234, 0x2345, 0x3456, 0x4567, 1}},
                                         ColorCase{"50,50,50", true, {0x7FFF, 0x7FFF, 0x7FFF, 0xFFFF, 0}},
                                         ColorCase{"50,50,50,0", true, {0x7FFF, 0x7FFF, 0x7FFF, 0, 0}},
                                         ColorCase{"150,-5,50", true, {0xFFFF, 0, 0x7FFF, 0xFFFF, 0}},
                                         ColorCase{"50,50", false, kStart}, ColorCase{"1,2,3,4,5", false, kStart},
                                         ColorCase{"1,2,3,4,5,6", false, kStart}, ColorCase{"1,2,x", false, kStart},
                                         // Web colours: a byte spreads as b × 257, a short-form digit as d × 0x1111.
                                         ColorCase{"#ff0000", true, {0xFFFF, 0, 0, 0xFFFF, 0}},
                                         ColorCase{"#FF8001", true, {0xFFFF, 0x8080, 0x0101, 0xFFFF, 0}},
                                         ColorCase{"#0a1B2c80", true, {0x0A0A, 0x1B1B, 0x2C2C, 0x8080, 0}},
                                         ColorCase{"#f80", true, {0xFFFF, 0x8888, 0, 0xFFFF, 0}},
                                         ColorCase{"#000", true, {0, 0, 0, 0xFFFF, 0}},
                                         ColorCase{"#12345600", true, {0x1212, 0x3434, 0x5656, 0, 0}},
                                         // Any other length, a non-digit or a blank fails and leaves the colour alone.
                                         ColorCase{"#", false, kStart}, ColorCase{"#12", false, kStart},
                                         ColorCase{"#1234", false, kStart}, ColorCase{"#12345", false, kStart},
                                         ColorCase{"#1234567", false, kStart}, ColorCase{"#123456789", false, kStart},
                                         ColorCase{"#ggg", false, kStart}, ColorCase{"#12345g", false, kStart},
                                         ColorCase{"# fff", false, kStart}, ColorCase{"#fff ", false, kStart},
                                         ColorCase{" #fff", false, kStart}, ColorCase{"##fff", false, kStart},
                                         ColorCase{"#-12", false, kStart}, ColorCase{"ff0000", false, kStart}));

// A web colour after "pattern" was set clears the flag, as every colour form does.
TEST(ReadColor, WebColourClearsThePatternFlag)
{
    ColorValue theColor;
    ASSERT_TRUE(ReadColor("pattern", &theColor));
    ASSERT_TRUE(ReadColor("#102030", &theColor));
    EXPECT_EQ(theColor, (ColorValue{0x1010, 0x2020, 0x3030, 0xFFFF, 0}));
}

TEST(FormatColor, PercentagesWithOneDecimalOrPattern)
{
    char theText[kTextCapacity];
    ColorValue theColor;
    ASSERT_TRUE(ReadColor("red", &theColor));
    FormatColor(theColor, theText);
    EXPECT_STREQ(theText, "86.5,3.4,2.6,100.0");
    ASSERT_TRUE(ReadColor("50,50,50", &theColor));
    FormatColor(theColor, theText);
    EXPECT_STREQ(theText, "50.0,50.0,50.0,100.0");
    FormatColor(ColorValue::Black(), theText);
    EXPECT_STREQ(theText, "0.0,0.0,0.0,100.0");
    ASSERT_TRUE(ReadColor("pattern", &theColor));
    FormatColor(theColor, theText);
    EXPECT_STREQ(theText, "pattern");
}

TEST(FormatColor, RoundsLikeTheCLibrary)
{
    char theText[kTextCapacity];
    char theExpected[kTextCapacity];
    for (std::uint32_t theComponent = 0; theComponent <= 65535; theComponent += 7) {
        ColorValue theColor;
        theColor.SetComponents(std::uint16_t(theComponent), std::uint16_t(65535 - theComponent), 0x8888, 1);
        FormatColor(theColor, theText);
        float theR, theG, theB, theA;
        theColor.GetPercentages(&theR, &theG, &theB, &theA);
        std::snprintf(theExpected, sizeof(theExpected), "%.1f,%.1f,%.1f,%.1f", theR, theG, theB, theA);
        ASSERT_STREQ(theText, theExpected) << theComponent;
    }
}

TEST(ColorValue, PercentagesComponentsAndColorRefs)
{
    EXPECT_EQ(ComponentFromPercent(50), 0x7FFF);
    EXPECT_EQ(ComponentFromPercent(100), 0xFFFF);
    EXPECT_EQ(ComponentFromPercent(250), 0xFFFF);
    EXPECT_EQ(ComponentFromPercent(-1), 0);
    EXPECT_FLOAT_EQ(PercentFromComponent(0xFFFF), 100.0f);

    ColorValue theColor;
    theColor.pattern = 1;
    theColor.FromColorRef(0x00FFFFFF);
    EXPECT_EQ(theColor, (ColorValue{0xFF00, 0xFF00, 0xFF00, 0xFFFF, 0}));
    theColor.FromColorRef(0x00123456);
    EXPECT_EQ(theColor, (ColorValue{0x5600, 0x3400, 0x1200, 0xFFFF, 0}));
    EXPECT_EQ(ColorValue::White().ToColorRef(), 0x00FFFFFFu);
    EXPECT_EQ((ColorValue{0xDD6B, 0x08C2, 0x06A2, 0, 0}).ToColorRef(), 0x000608DDu);

    // A percentage passes through single precision: 0x8888 comes back one lower.
    theColor.SetComponents(0x8888, 0, 0, 0xFFFF);
    float theR, theG, theB, theA;
    theColor.GetPercentages(&theR, &theG, &theB, &theA);
    theColor.SetPercentages(theR, theG, theB, theA);
    EXPECT_EQ(theColor.red, 0x8887);
    theColor.pattern = 1;
    theColor.SetPercentages(10, 20, 30, 40);
    EXPECT_EQ(theColor.pattern, 0);
}

TEST(WordReaders, EveryWordAndItsNumber)
{
    ShapeKind theShape = kNoShapeType;
    for (auto [theWord, theValue] : {std::pair{"rectangle", 1},
                                     {"RECT", 1},
                                     {"oval", 2},
                                     {"polygon", 3},
                                     {"poly", 3},
                                     {"roundrectangle", 4},
                                     {"roundrect", 4},
                                     {"text", 5},
                                     {"line", 6}}) {
        ASSERT_TRUE(ReadShape(theWord, &theShape)) << theWord;
        EXPECT_EQ(theShape, theValue) << theWord;
    }
    EXPECT_FALSE(ReadShape("circle", &theShape));
    EXPECT_FALSE(ReadShape("", &theShape));
    EXPECT_EQ(theShape, kLineShape);

    DrawOperation theOperation = kMeasureOnly;
    for (auto [theWord, theValue] : {std::pair{"draw", 1}, {"Paint", 2}, {"both", 3}}) {
        ASSERT_TRUE(ReadOperation(theWord, &theOperation)) << theWord;
        EXPECT_EQ(theOperation, theValue);
    }
    EXPECT_FALSE(ReadOperation("fill", &theOperation));

    HAlignKind theH = kHAlignLeft;
    VAlignKind theV = kVAlignTop;
    ChannelKind theChannel = kRedChannel;
    for (auto [theWord, theValue] : {std::pair{"left", 0}, {"MIDDLE", 1}, {"right", 2}}) {
        ASSERT_TRUE(ReadHAlign(theWord, &theH));
        EXPECT_EQ(theH, theValue);
    }
    for (auto [theWord, theValue] : {std::pair{"top", 0}, {"middle", 1}, {"Bottom", 2}}) {
        ASSERT_TRUE(ReadVAlign(theWord, &theV));
        EXPECT_EQ(theV, theValue);
    }
    EXPECT_FALSE(ReadHAlign("top", &theH));
    EXPECT_FALSE(ReadVAlign("left", &theV));
    EXPECT_FALSE(ReadHAlign("center", &theH));
    for (auto [theWord, theValue] : {std::pair{"red", 0}, {"green", 1}, {"BLUE", 2}, {"alpha", 3}}) {
        ASSERT_TRUE(ReadChannel(theWord, &theChannel));
        EXPECT_EQ(theChannel, theValue);
    }
    EXPECT_FALSE(ReadChannel("cyan", &theChannel));
    EXPECT_EQ(theChannel, kAlphaChannel);

    TransferMode theMode = 999;
    for (auto [theWord, theValue] : {std::pair{"copy", 0},
                                     {"addpin", 33},
                                     {"addover", 34},
                                     {"subpin", 35},
                                     {"addmax", 37},
                                     {"subover", 38},
                                     {"addmin", 39},
                                     {"transparent", 256},
                                     {"prewhitealpha", 257},
                                     {"preblackalpha", 258},
                                     {"BLEND", 260}}) {
        ASSERT_TRUE(ReadTransferMode(theWord, &theMode)) << theWord;
        EXPECT_EQ(theMode, theValue) << theWord;
    }
    EXPECT_FALSE(ReadTransferMode("xor", &theMode));
    EXPECT_EQ(theMode, 260);

    std::int32_t theDepth = 0;
    for (auto [theWord, theValue] : {std::pair{"2", 1}, {"16", 4}, {"256", 8}, {"Thousands", 16}, {"millions", 32}}) {
        ASSERT_TRUE(ReadDepth(theWord, &theDepth)) << theWord;
        EXPECT_EQ(theDepth, theValue);
    }
    EXPECT_FALSE(ReadDepth("4", &theDepth));
    EXPECT_FALSE(ReadDepth("32", &theDepth));
    EXPECT_EQ(theDepth, 32);
}

TEST(ReadQuality, WordsOrNormalAndNeverFails)
{
    CodecQuality theQuality = kMinQuality;
    for (auto [theWord, theValue] : {std::pair{"min", 0},
                                     {"low", 256},
                                     {"normal", 512},
                                     {"HIGH", 768},
                                     {"max", 1023},
                                     {"lossless", 1024},
                                     {"superb", 512},
                                     {"", 512}}) {
        theQuality = kMaxQuality;
        EXPECT_TRUE(ReadQuality(theWord, &theQuality)) << theWord;
        EXPECT_EQ(theQuality, theValue) << theWord;
    }
}

TEST(Formatters, AlignmentsDepthsAndNumbers)
{
    char theText[kTextCapacity];
    const struct {
        void (*format)(std::int32_t, char*);
        std::int32_t value;
        const char* text;
    } kCases[] = {
        {FormatHAlign, 0, "left"},     {FormatHAlign, 1, "middle"},
        {FormatHAlign, 2, "right"},    {FormatHAlign, 3, ""},
        {FormatHAlign, -1, ""},        {FormatVAlign, 0, "top"},
        {FormatVAlign, 1, "middle"},   {FormatVAlign, 2, "bottom"},
        {FormatVAlign, 7, ""},         {FormatDepth, 1, "2"},
        {FormatDepth, 2, "4"},         {FormatDepth, 4, "16"},
        {FormatDepth, 8, "256"},       {FormatDepth, 16, "thousands"},
        {FormatDepth, 24, "millions"}, {FormatDepth, 32, "millions"},
        {FormatDepth, 3, ""},          {FormatLong, -2147483647 - 1, "-2147483648"},
        {FormatLong, 0, "0"},          {FormatLong, 2147483647, "2147483647"},
    };
    for (const auto& theCase : kCases) {
        std::strcpy(theText, "junk");
        theCase.format(theCase.value, theText);
        EXPECT_STREQ(theText, theCase.text) << theCase.value;
    }
    FormatPoint({-5, 12}, theText);
    EXPECT_STREQ(theText, "-5,12");
    FormatRect({INT32_MIN, -1, 0, INT32_MAX}, theText);
    EXPECT_STREQ(theText, "-2147483648,-1,0,2147483647");
}

TEST(TextStyle, ReadsWordListsAndFormatsThemBack)
{
    const struct {
        const char* text;
        bool ok;
        TextStyleRecord style;
        const char* formatted;
    } kCases[] = {
        {"", true, {0, 400, 0, 0, 0}, ""},
        {"bold", true, {1, 700, 0, 0, 0}, "bold"},
        {"bold, italic", true, {1, 700, 1, 0, 0}, "bold,italic"},
        {"ITALIC,strikethru", true, {0, 400, 1, 0, 1}, "italic,strikethru"},
        {"strikethru,underline,italic,bold", true, {1, 700, 1, 1, 1}, "bold,italic,underline,strikethru"},
        {"bold,", true, {1, 700, 0, 0, 0}, "bold"},
        {"bold ,italic", false, {}, nullptr},
        {"bold,heavy", false, {}, nullptr},
        {",bold", false, {}, nullptr},
    };
    for (const auto& theCase : kCases) {
        TextStyleRecord theStyle{1, 700, 1, 1, 1};
        EXPECT_EQ(ReadTextStyle(theCase.text, &theStyle), theCase.ok) << theCase.text;
        if (theCase.formatted == nullptr)
            continue;
        EXPECT_EQ(theStyle, theCase.style) << theCase.text;
        char theText[kTextCapacity];
        FormatTextStyle(theStyle, theText);
        EXPECT_STREQ(theText, theCase.formatted);
    }
    char theText[kTextCapacity];
    FormatTextStyle({1, 700, 1, 0, 1}, theText);
    EXPECT_STREQ(theText, "bold,italic,strikethru");
}

TEST(Lists, NextAndCopyItems)
{
    const char* theText = "ab, cd ,ef";
    EXPECT_STREQ(NextListItem(theText), " cd ,ef");
    EXPECT_STREQ(NextListItem(NextListItem(theText)), "ef");
    EXPECT_EQ(*NextListItem("ef"), '\0');
    char theItem[8];
    CopyListItem(" \t cd ,ef", theItem, sizeof(theItem));
    EXPECT_STREQ(theItem, "cd ");
    CopyListItem("abcdefghijk", theItem, 4);
    EXPECT_STREQ(theItem, "abc");
    CopyListItem("", theItem, sizeof(theItem));
    EXPECT_STREQ(theItem, "");
}

TEST(CopyShortString, AcceptsUpTo255Characters)
{
    char theText[kTextCapacity];
    const std::string the255(255, 'x');
    ASSERT_TRUE(CopyShortString(the255.c_str(), theText));
    EXPECT_EQ(the255, theText);
    std::strcpy(theText, "kept");
    EXPECT_FALSE(CopyShortString(std::string(256, 'y').c_str(), theText));
    EXPECT_STREQ(theText, "kept");
}

// A four-character code, first character in the high byte.
constexpr std::uint32_t Code(const char (&inText)[5])
{
    return (std::uint32_t(std::uint8_t(inText[0])) << 24) | (std::uint32_t(std::uint8_t(inText[1])) << 16) |
           (std::uint32_t(std::uint8_t(inText[2])) << 8) | std::uint32_t(std::uint8_t(inText[3]));
}

TEST(ReadCodecType, UsesTheInstalledLookup)
{
    std::uint32_t theType = 0;
    SetCodecTypeLookup(nullptr);
    EXPECT_FALSE(ReadCodecType("raw", &theType));
    SetCodecTypeLookup([](const char* inName, std::uint32_t* outType) {
        if (std::strcmp(inName, "Raw") == 0)
            *outType = Code("raw ");
        else if (std::strcmp(inName, "Mystery") == 0)
            *outType = Code("????");
        else
            return false;
        return true;
    });
    EXPECT_TRUE(ReadCodecType("Raw", &theType));
    EXPECT_EQ(theType, Code("raw "));
    theType = 0;
    EXPECT_FALSE(ReadCodecType("Mystery", &theType));
    EXPECT_FALSE(ReadCodecType("Other", &theType));
    EXPECT_EQ(theType, 0u);
    SetCodecTypeLookup(nullptr);
}

TEST(Strings, ReplaceCharAndPascalStrings)
{
    char theText[] = "a;b;;c";
    ReplaceChar(theText, ';', ',');
    EXPECT_STREQ(theText, "a,b,,c");

    const unsigned char thePascal[] = {3, 'a', 'b', 'c', 'd'};
    char theOut[kTextCapacity];
    CStringFromPascal(thePascal, theOut);
    EXPECT_STREQ(theOut, "abc");
    const unsigned char theEmpty[] = {0};
    CStringFromPascal(theEmpty, theOut);
    EXPECT_STREQ(theOut, "");
}

TEST(FindBytes, FirstMatchWhollyInsideTheRange)
{
    const char theData[] = "--ab--abc--";
    const char* theEnd = theData + 10;  // inclusive: the last '-'
    EXPECT_EQ(FindBytes(theData, theEnd, "ab"), theData + 2);
    EXPECT_EQ(FindBytes(theData, theEnd, "abc"), theData + 6);
    EXPECT_EQ(FindBytes(theData, theEnd, ""), theData);
    EXPECT_EQ(FindBytes(theData, theEnd, "xyz"), nullptr);
    // A match that would run past the end of the range is no match.
    EXPECT_EQ(FindBytes(theData, theData + 7, "abc"), nullptr);
    EXPECT_EQ(FindBytes(theData, theData + 8, "abc"), theData + 6);
    // Embedded NULs in the range are ordinary bytes.
    const char theBinary[] = {'x', '\0', 'y', 'z'};
    EXPECT_EQ(FindBytes(theBinary, theBinary + 3, "yz"), theBinary + 2);
}

TEST(ListSeparator, IsAComma)
{
    EXPECT_EQ(ListSeparator, ',');
}

// Sizes of rectangles whose edges lie far apart, crossed, or equal.
TEST(LongRect, SizesDoNotOverflowAndEmptinessFollowsTheEdges)
{
    struct Case {
        LongRect mRect;
        std::int64_t mWidth, mHeight;
        bool mEmpty;
    };
    constexpr std::int32_t kMin = INT32_MIN, kMax = INT32_MAX;
    const Case theCases[] = {
        {{10, 20, 50, 25}, 40, 5, false},
        {{kMin, kMin, kMax, kMax}, 4294967295LL, 4294967295LL, false},
        {{kMax, 0, kMin, 1}, -4294967295LL, 1, true},
        {{5, 5, 5, 9}, 0, 4, true},
        {{5, 9, 6, 9}, 1, 0, true},
        {{0, 0, 1, 1}, 1, 1, false},
    };
    for (const Case& theCase : theCases) {
        const LongRect& r = theCase.mRect;
        SCOPED_TRACE(std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                     std::to_string(r.bottom));
        EXPECT_EQ(r.Width(), theCase.mWidth);
        EXPECT_EQ(r.Height(), theCase.mHeight);
        EXPECT_EQ(r.IsEmpty(), theCase.mEmpty);
    }
}

}  // namespace
