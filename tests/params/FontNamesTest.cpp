// Font matching against a catalogue whose families have names of 32 characters
// or more (the test's own font configuration renames two installed fonts).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

}  // namespace
