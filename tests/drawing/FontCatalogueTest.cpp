// The font catalogue, run with a private font configuration that adds a
// family whose name is longer than a face name can hold.
#include "drawing/Gdi.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <strings.h>
#include <thread>
#include <vector>

namespace {

constexpr const char* kLongFamily = "Vellumax Extraordinarily Long Serif Family";

std::vector<std::string> Families(std::uint8_t inCharSet = ANSI_CHARSET)
{
    HDC theScreen = GetDC(0);
    LOGFONTA theQuery{};
    theQuery.lfCharSet = inCharSet;
    std::vector<std::string> theNames;
    EnumFontFamiliesExA(
        theScreen, &theQuery,
        [](const ENUMLOGFONTEXA* inFont, const void*, std::uint32_t, LPARAM inParam) {
            reinterpret_cast<std::vector<std::string>*>(inParam)->push_back(inFont->elfFullName);
            return 1;
        },
        reinterpret_cast<LPARAM>(&theNames), 0);
    ReleaseDC(0, theScreen);
    return theNames;
}

std::string Resolve(const char* inFace)
{
    char theName[256] = {};
    EXPECT_GT(GdiResolveFamily(inFace, theName, sizeof(theName)), 0);
    return theName;
}

TEST(FontCatalogue, ListsTheInstalledFamiliesSortedWithoutCase)
{
    const std::vector<std::string> theNames = Families();
    ASSERT_FALSE(theNames.empty());
    EXPECT_NE(std::find(theNames.begin(), theNames.end(), "DejaVu Sans"), theNames.end());
    EXPECT_NE(std::find(theNames.begin(), theNames.end(), "Liberation Sans"), theNames.end());
    EXPECT_NE(std::find(theNames.begin(), theNames.end(), kLongFamily), theNames.end());
    for (std::size_t theIndex = 1; theIndex < theNames.size(); ++theIndex) {
        EXPECT_LT(strcasecmp(theNames[theIndex - 1].c_str(), theNames[theIndex].c_str()), 0)
            << theNames[theIndex - 1] << " before " << theNames[theIndex];
    }
    EXPECT_EQ(Families(), theNames) << "stable order";
    EXPECT_GE(Families(DEFAULT_CHARSET).size(), theNames.size());
}

TEST(FontCatalogue, EnumerationStopsWhenTheCallbackSaysSo)
{
    HDC theScreen = GetDC(0);
    LOGFONTA theQuery{};
    int theSeen = 0;
    const int theResult = EnumFontFamiliesExA(
        theScreen, &theQuery,
        [](const ENUMLOGFONTEXA*, const void* inMetrics, std::uint32_t inType, LPARAM inParam) {
            EXPECT_NE(inMetrics, nullptr);
            EXPECT_EQ(inType, TRUETYPE_FONTTYPE);
            int& theCount = *reinterpret_cast<int*>(inParam);
            return ++theCount == 2 ? 0 : 7;
        },
        reinterpret_cast<LPARAM>(&theSeen), 0);
    EXPECT_EQ(theSeen, 2);
    EXPECT_EQ(theResult, 0);

    std::strcpy(theQuery.lfFaceName, "liberation sans");
    theSeen = 0;
    EXPECT_EQ(EnumFontFamiliesExA(
                  theScreen, &theQuery,
                  [](const ENUMLOGFONTEXA* inFont, const void*, std::uint32_t, LPARAM inParam) {
                      EXPECT_STREQ(inFont->elfFullName, "Liberation Sans");
                      ++*reinterpret_cast<int*>(inParam);
                      return 5;
                  },
                  reinterpret_cast<LPARAM>(&theSeen), 0),
              5);
    EXPECT_EQ(theSeen, 1);
    std::strcpy(theQuery.lfFaceName, "No Such Family");
    EXPECT_EQ(
        EnumFontFamiliesExA(
            theScreen, &theQuery, [](const ENUMLOGFONTEXA*, const void*, std::uint32_t, LPARAM) { return 0; }, 0, 0),
        1)
        << "nothing enumerated";
    EXPECT_EQ(EnumFontFamiliesExA(
                  0x5151, &theQuery, [](const ENUMLOGFONTEXA*, const void*, std::uint32_t, LPARAM) { return 1; }, 0, 0),
              0);
    ReleaseDC(0, theScreen);
}

TEST(FontCatalogue, FaceNamesResolveToFamilies)
{
    struct Case {
        const char* mFace;
        const char* mFamily;
    };
    const Case theCases[] = {
        {"DejaVu Sans", "DejaVu Sans"},           {"dejavu sans", "DejaVu Sans"},
        {"DEJAVU SANS MONO", "DejaVu Sans Mono"}, {"Liberation Sans", "Liberation Sans"},
        {"No Such Family", "DejaVu Sans"},        {"", "DejaVu Sans"},
    };
    for (const Case& theCase : theCases) {
        EXPECT_EQ(Resolve(theCase.mFace), theCase.mFamily) << theCase.mFace;
    }
    EXPECT_EQ(Resolve("Liberation").rfind("Liberation", 0), 0u) << "a Liberation family";
    EXPECT_EQ(Resolve("liberation se"), "Liberation Serif");
}

TEST(FontCatalogue, AFaceNameCutToThirtyOneCharactersFindsItsFamilyAgain)
{
    HDC theScreen = GetDC(0);
    LOGFONTA theQuery{};
    std::vector<ENUMLOGFONTEXA> theRecords;
    EnumFontFamiliesExA(
        theScreen, &theQuery,
        [](const ENUMLOGFONTEXA* inFont, const void*, std::uint32_t, LPARAM inParam) {
            reinterpret_cast<std::vector<ENUMLOGFONTEXA>*>(inParam)->push_back(*inFont);
            return 1;
        },
        reinterpret_cast<LPARAM>(&theRecords), 0);
    ReleaseDC(0, theScreen);
    bool theSawLong = false;
    for (const ENUMLOGFONTEXA& theRecord : theRecords) {
        SCOPED_TRACE(theRecord.elfFullName);
        EXPECT_EQ(std::strncmp(theRecord.elfLogFont.lfFaceName, theRecord.elfFullName, LF_FACESIZE - 1), 0);
        EXPECT_LE(std::strlen(theRecord.elfLogFont.lfFaceName), 31u);
        // What the parser does: keep at most 31 characters of the full name.
        std::string theFace(theRecord.elfFullName, std::min<std::size_t>(31, std::strlen(theRecord.elfFullName)));
        EXPECT_EQ(Resolve(theFace.c_str()), theRecord.elfFullName);
        HFONT theFont = CreateFontA(-13, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 4, 0, theFace.c_str());
        EXPECT_NE(theFont, 0u);
        DeleteObject(theFont);
        theSawLong = theSawLong || std::strlen(theRecord.elfFullName) > 31;
    }
    EXPECT_TRUE(theSawLong);
}

bool HasFamily(const char* inName)
{
    const std::vector<std::string> theNames = Families();
    return std::find(theNames.begin(), theNames.end(), inName) != theNames.end();
}

// Waits for the catalogue to see a change (it looks at most once a second).
bool WaitForFamily(const char* inName, bool inPresent)
{
    for (int theTry = 0; theTry < 50; ++theTry) {
        if (HasFamily(inName) == inPresent) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

TEST(FontCatalogue, AFontAddedOrRemovedWhileRunningIsSeen)
{
    const char* theConfig = std::getenv("FONTCONFIG_FILE");
    ASSERT_NE(theConfig, nullptr);
    const std::filesystem::path theFonts = std::filesystem::path(theConfig).parent_path() / "testfonts";
    const std::filesystem::path theLate = theFonts / "late" / "Late.ttf";
    std::filesystem::remove(theLate);
    ASSERT_TRUE(WaitForFamily("Vellumax Late Family", false));
    // Resolved names are kept: these answers must not outlive the change.
    EXPECT_EQ(Resolve("Vellumax Late"), "DejaVu Sans");
    EXPECT_EQ(Resolve("Vellumax Late Family"), "DejaVu Sans");
    const std::uint64_t theGeneration = GdiFontCatalogueGeneration();
    // A new file in a folder makes the folder newer than the configuration.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    std::filesystem::copy_file(theFonts / "DejaVuSerif.ttf", theLate);
    EXPECT_TRUE(WaitForFamily("Vellumax Late Family", true));
    EXPECT_NE(GdiFontCatalogueGeneration(), theGeneration);
    EXPECT_EQ(Resolve("Vellumax Late"), "Vellumax Late Family");
    EXPECT_EQ(Resolve("Vellumax Late Family"), "Vellumax Late Family");
    HFONT theFont = CreateFontA(-13, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 4, 0, "Vellumax Late Family");
    HDC theScreen = GetDC(0);
    HGDIOBJ theOld = SelectObject(theScreen, theFont);
    TEXTMETRICA theMetrics{};
    EXPECT_TRUE(GetTextMetricsA(theScreen, &theMetrics));
    EXPECT_EQ(theMetrics.tmHeight, 15);
    SelectObject(theScreen, theOld);
    ReleaseDC(0, theScreen);
    DeleteObject(theFont);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    std::filesystem::remove(theLate);
    EXPECT_TRUE(WaitForFamily("Vellumax Late Family", false));
    EXPECT_EQ(Resolve("Vellumax Late"), "DejaVu Sans");
}

}  // namespace
