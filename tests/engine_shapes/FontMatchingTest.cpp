// Font matching against the installed families: whole names before
// beginnings, the families' own capitalisation, lists tried in turn, the
// newest list of a record winning, and the order the families are counted in.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "vellumax/engine/FontMatching.h"

namespace {

std::vector<std::string> Families()
{
    std::vector<std::string> theNames;
    const std::int32_t theCount = FontNameAt(-1, nullptr);
    for (std::int32_t i = 0; i < theCount; ++i) {
        char theName[kFontNameCapacity];
        FontNameAt(i, theName);
        theNames.emplace_back(theName);
    }
    return theNames;
}

std::string Lower(std::string inText)
{
    for (char& theChar : inText)
        theChar = char(std::tolower(static_cast<unsigned char>(theChar)));
    return inText;
}

// The face a text drawing of the record uses.
std::string FaceOf(const Parameters& inParams)
{
    char theFace[FontMatching::kFaceCapacity];
    return FontMatching::FaceFor(inParams, theFace);
}

std::string FaceOf(const char* inList)
{
    Parameters theParams;
    theParams.AddFontList(inList);
    return FaceOf(theParams);
}

std::string FaceOfParsed(const char* inText)
{
    auto theParams = std::make_unique<Parameters>();
    EXPECT_EQ(theParams->Parse(inText), 0) << inText;
    return FaceOf(*theParams);
}

TEST(FontMatching, WholeNameIgnoringCase)
{
    const auto theFamilies = Families();
    ASSERT_FALSE(theFamilies.empty());
    for (const std::string& theFamily : theFamilies)
        EXPECT_EQ(FaceOf(Lower(theFamily).c_str()), theFamily.substr(0, 31));
}

TEST(FontMatching, WholeNameBeatsAnEarlierPrefix)
{
    // "DejaVu Sans" is both a family and the beginning of others.
    EXPECT_EQ(FaceOf("dejavu sans"), "DejaVu Sans");
}

TEST(FontMatching, PrefixTakesTheFamilysCapitalisation)
{
    const auto theFamilies = Families();
    const std::string theFont = FaceOf("liberation s");
    ASSERT_EQ(theFont.size(), 12u);
    // The first family in catalogue order with that beginning.
    for (const std::string& theFamily : theFamilies) {
        if (Lower(theFamily).rfind("liberation s", 0) == 0) {
            EXPECT_EQ(theFont, theFamily.substr(0, 12));
            break;
        }
    }
    EXPECT_EQ(theFont, "Liberation S");
}

TEST(FontMatching, ListTriesItemsInTurnAndNoMatchKeepsTheFont)
{
    EXPECT_EQ(FaceOfParsed("textfont='No Such Family, Liberation Mono,DejaVu Sans'"), "Liberation Mono");
    EXPECT_EQ(FaceOfParsed("textfont='DejaVu Serif,Liberation Mono'"), "DejaVu Serif");
    EXPECT_EQ(FaceOfParsed("textfont=dejavu textfont=NoSuchFamily textfont='Nope,Neither'"), "DejaVu");
    // The item keeps its trailing blank.
    EXPECT_EQ(FaceOfParsed("textfont='NoSuch,Liberation '"), "Liberation ");
    // The canvas's list comes first; a keyword's list that matches wins over it.
    Parameters theParams;
    theParams.AddFontList("DejaVu Serif");
    EXPECT_EQ(theParams.Parse("textfont=NoSuchFamily"), 0);
    EXPECT_EQ(FaceOf(theParams), "DejaVu Serif");
    EXPECT_EQ(theParams.Parse("textfont='liberation mono'"), 0);
    EXPECT_EQ(FaceOf(theParams), "Liberation Mono");
    // Nothing matches: the record's own font.
    Parameters theKept;
    std::strcpy(theKept.Font, "Kept");
    theKept.AddFontList("NoSuchFamily");
    EXPECT_EQ(FaceOf(theKept), "Kept");
    char theFace[FontMatching::kFaceCapacity] = "unchanged";
    EXPECT_FALSE(FontMatching::MatchList("NoSuchFamily,Neither", theFace));
    EXPECT_STREQ(theFace, "unchanged");
}

TEST(FontMatching, FontNameAtCountsAndStops)
{
    const auto theFamilies = Families();
    const std::int32_t theCount = std::int32_t(theFamilies.size());
    char theName[kFontNameCapacity];
    EXPECT_EQ(FontNameAt(0, theName), 1);
    EXPECT_EQ(theFamilies[0], theName);
    EXPECT_EQ(FontNameAt(theCount + 5, theName), theCount);
    EXPECT_EQ(theFamilies.back(), theName);
    EXPECT_EQ(FontNameAt(-1, nullptr), theCount);
    // A stable order.
    EXPECT_EQ(Families(), theFamilies);
}

}  // namespace
