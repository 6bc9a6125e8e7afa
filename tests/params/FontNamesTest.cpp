// Font matching against a catalogue whose families have names of 32 characters
// or more (the test's own font configuration renames two installed fonts).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "drawing/Gdi.h"
#include "vellumax/params/Parameters.h"

namespace {

const std::string kLongSans = "Vellumax Test Sans Family With A Rather Long Name";
// "Ü" takes bytes 30 and 31, so a cut at 31 bytes would split it.
const std::string kLongSerif = "Vellumax Test Serif Typefaces \xC3\x9C" "ber Long";

std::string Resolved(const char* inFace)
{
    char theFamily[256];
    return GdiResolveFamily(inFace, theFamily, sizeof(theFamily)) > 0 ? theFamily : "";
}

TEST(LongFamilyNames, CatalogueHoldsTheRenamedFamilies)
{
    bool theSans = false;
    bool theSerif = false;
    for (std::int32_t i = 0, theCount = FontNameAt(-1, nullptr); i < theCount; ++i) {
        char theName[kFontNameCapacity];
        FontNameAt(i, theName);
        theSans = theSans || kLongSans == theName;
        theSerif = theSerif || kLongSerif == theName;
    }
    ASSERT_TRUE(theSans);
    ASSERT_TRUE(theSerif);
}

TEST(LongFamilyNames, WholeNameGivesAFaceThatResolvesBack)
{
    Parameters theParams;
    theParams.SetFont("vellumax test sans family with a rather long name");
    EXPECT_EQ(std::string(theParams.Font), kLongSans.substr(0, 31));
    EXPECT_EQ(Resolved(theParams.Font), kLongSans);
}

TEST(LongFamilyNames, LongPrefixIsCutToo)
{
    Parameters theParams;
    theParams.SetFont("VELLUMAX TEST SANS FAMILY WITH A RATHER");
    EXPECT_EQ(std::string(theParams.Font), kLongSans.substr(0, 31));
    EXPECT_EQ(Resolved(theParams.Font), kLongSans);
}

TEST(LongFamilyNames, CutNeverSplitsACharacter)
{
    Parameters theParams;
    theParams.SetFont(kLongSerif.c_str());
    EXPECT_EQ(std::string(theParams.Font), kLongSerif.substr(0, 30));
    EXPECT_EQ(Resolved(theParams.Font), kLongSerif);
}

TEST(LongFamilyNames, ShortPrefixesStayAsWritten)
{
    Parameters theParams;
    theParams.SetFont("nothing here,vellumax test se");
    EXPECT_STREQ(theParams.Font, "Vellumax Test Se");
    EXPECT_EQ(Resolved(theParams.Font), kLongSerif);
}

// What SetFont leaves in a record whose font was inPrior.
std::string Matched(const char* inList, const char* inPrior = "prior")
{
    Parameters theParams;
    std::strcpy(theParams.Font, inPrior);
    theParams.SetFont(inList);
    return theParams.Font;
}

TEST(LongFamilyNames, AKeptAnswerIsTheAnswerMatchingGave)
{
    // Matched twice: once finding the answer, once taking the kept one, each
    // onto a different prior font (a list that matches nothing keeps it).
    const char* theLists[] = {"vellumax test sans family with a rather long name",
                              "no such family",
                              "no such family,VELLUMAX TEST SERIF",
                              ",no such family",
                              "vellumax test se",
                              ""};
    for (const char* theList : theLists) {
        SCOPED_TRACE(theList);
        const std::string theFirst = Matched(theList, "first");
        const std::string theSecond = Matched(theList, "second");
        if (theFirst == "first")
            EXPECT_EQ(theSecond, "second");
        else
            EXPECT_EQ(theSecond, theFirst);
    }
    EXPECT_EQ(Matched("no such family"), "prior");
    EXPECT_EQ(Matched("vellumax test se"), "Vellumax Test Se");
}

// Waits for the catalogue to see a change (it looks at most once a second).
bool WaitForMatch(const char* inList, const std::string& inFace)
{
    for (int theTry = 0; theTry < 50; ++theTry) {
        if (Matched(inList) == inFace)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

TEST(LongFamilyNames, AFamilyAddedOrRemovedWhileRunningIsMatched)
{
    const char* theConfig = std::getenv("FONTCONFIG_FILE");
    ASSERT_NE(theConfig, nullptr);
    const std::filesystem::path theFonts = std::filesystem::path(theConfig).parent_path() / "long-family-fonts";
    const std::filesystem::path theLate = theFonts / "late" / "Late.ttf";
    std::filesystem::remove(theLate);
    // Matching repeatedly keeps the answer "none" until the families change.
    ASSERT_TRUE(WaitForMatch("vellumax late family", "prior"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    std::filesystem::copy_file(theFonts / "DejaVuSerif.ttf", theLate);
    EXPECT_TRUE(WaitForMatch("vellumax late family", "Vellumax Late Family"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    std::filesystem::remove(theLate);
    EXPECT_TRUE(WaitForMatch("vellumax late family", "prior"));
}

}  // namespace
