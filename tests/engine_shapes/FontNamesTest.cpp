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
#include "vellumax/engine/FontMatching.h"

namespace {

const std::string kLongSans = "Vellumax Test Sans Family With A Rather Long Name";
// "Ü" takes bytes 30 and 31, so a cut at 31 bytes would split it.
const std::string kLongSerif = "Vellumax Test Serif Typefaces \xC3\x9C"
                               "ber Long";

// What matching the list alone gives ("" when nothing matches).
std::string Matched(const char* inList)
{
    char theFace[FontMatching::kFaceCapacity] = {};
    return FontMatching::MatchList(inList, theFace) ? theFace : "";
}

std::string Resolved(const std::string& inFace)
{
    char theFamily[256];
    return GdiResolveFamily(inFace.c_str(), theFamily, sizeof(theFamily)) > 0 ? theFamily : "";
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
    const std::string theFace = Matched("vellumax test sans family with a rather long name");
    EXPECT_EQ(theFace, kLongSans.substr(0, 31));
    EXPECT_EQ(Resolved(theFace), kLongSans);
}

TEST(LongFamilyNames, LongPrefixIsCutToo)
{
    const std::string theFace = Matched("VELLUMAX TEST SANS FAMILY WITH A RATHER");
    EXPECT_EQ(theFace, kLongSans.substr(0, 31));
    EXPECT_EQ(Resolved(theFace), kLongSans);
}

TEST(LongFamilyNames, CutNeverSplitsACharacter)
{
    const std::string theFace = Matched(kLongSerif.c_str());
    EXPECT_EQ(theFace, kLongSerif.substr(0, 30));
    EXPECT_EQ(Resolved(theFace), kLongSerif);
}

TEST(LongFamilyNames, ShortPrefixesStayAsWritten)
{
    const std::string theFace = Matched("nothing here,vellumax test se");
    EXPECT_EQ(theFace, "Vellumax Test Se");
    EXPECT_EQ(Resolved(theFace), kLongSerif);
}

// The face a text drawing uses when its record's font was inPrior.
std::string Matched(const char* inList, const char* inPrior)
{
    Parameters theParams;
    std::strcpy(theParams.Font, inPrior);
    theParams.AddFontList(inList);
    char theFace[FontMatching::kFaceCapacity];
    return FontMatching::FaceFor(theParams, theFace);
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
    EXPECT_EQ(Matched("no such family", "prior"), "prior");
    EXPECT_EQ(Matched("vellumax test se", "prior"), "Vellumax Test Se");
}

// Waits for the catalogue to see a change (it looks at most once a second).
bool WaitForMatch(const char* inList, const std::string& inFace)
{
    for (int theTry = 0; theTry < 50; ++theTry) {
        if (Matched(inList, "prior") == inFace)
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
