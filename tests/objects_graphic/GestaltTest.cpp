// Gestalt and its name collections: the lists against the platform layers
// read directly, the LogErrors setting and the event log through a test
// socket, and Save's replacement of files, failed writes included.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <automation/ComVariant.h>
#include <vellumax/IGestalt.h>

#include "drawing/Gdi.h"
#include "objects_graphic/ObjectsTestSupport.h"
#include "vellumax/errors/Settings.h"
#include "vellumax/formats/QTUtils.h"

namespace {

using namespace vxtest;

std::vector<std::string> Names(vx::Client inCollection)
{
    std::vector<std::string> theNames;
    for (const vx::Variant& theItem : inCollection.Enumerate())
        theNames.push_back(theItem.AsString());
    EXPECT_EQ(LONG(theNames.size()), inCollection.Get("Count").AsLong());
    return theNames;
}

// Every family the drawing layer enumerates, in its order.
std::vector<std::string> DrawingLayerFamilies()
{
    std::vector<std::string> theNames;
    const HDC theDC = GetDC(0);
    LOGFONTA theFont{};
    theFont.lfCharSet = ANSI_CHARSET;
    EnumFontFamiliesExA(
        theDC, &theFont,
        [](const ENUMLOGFONTEXA* inFont, const void*, std::uint32_t, LPARAM inNames) {
            reinterpret_cast<std::vector<std::string>*>(inNames)->push_back(inFont->elfFullName);
            return 1;
        },
        reinterpret_cast<LPARAM>(&theNames), 0);
    ReleaseDC(0, theDC);
    return theNames;
}

class GestaltTest : public ObjectsTest {
protected:
    vx::Client mGestalt = CreateObject(&VxGetClassObject_Gestalt);

    vx::Client Collection(const char* inName)
    {
        const vx::Variant theList = mGestalt.Get(inName);
        EXPECT_TRUE(mGestalt.Ok()) << mGestalt.LastError().mDescription;
        return vx::Client(theList.AsDispatch());
    }
    std::uint32_t Setting()
    {
        std::uint32_t theValue = 12345;
        ReadSetting(kLogErrorsSetting, theValue);
        return theValue;
    }
};

TEST_F(GestaltTest, VersionAndTheListsOfThePlatformLayers)
{
    long theMajor = 0, theMinor = 0, theFix = 0;
    ASSERT_EQ(GetQuickTimeVersion(theMajor, theMinor, theFix), noErr);
    const std::string theVersion = mGestalt.Get("QuickTime").AsString();
    EXPECT_THAT(theVersion, ::testing::MatchesRegex("4\\.[0-9]+\\.[0-9]+"));
    EXPECT_EQ(theVersion, std::to_string(theMajor) + "." + std::to_string(theMinor) + "." + std::to_string(theFix));

    std::vector<std::string> theExporters;
    long theCount = 0;
    GetExporterName(-1, nullptr, nullptr, theCount);
    for (long theIndex = 0; theIndex < theCount; ++theIndex) {
        char theName[kQTNameCapacity] = "";
        GetExporterName(theIndex, theName, nullptr, theCount);
        theExporters.push_back(theName);
    }
    ASSERT_GE(theExporters.size(), 5u);
    theExporters.push_back("GIF");
    EXPECT_EQ(Names(Collection("GraphicsExporters")), theExporters);

    const std::vector<std::string> theFonts = DrawingLayerFamilies();
    ASSERT_FALSE(theFonts.empty());
    EXPECT_EQ(Names(Collection("Fonts")), theFonts);

    GetCodecName(-1, nullptr, theCount);
    std::vector<std::string> theCodecs;
    for (long theIndex = 0; theIndex < theCount; ++theIndex) {
        char theName[kQTNameCapacity] = "";
        GetCodecName(theIndex, theName, theCount);
        theCodecs.push_back(theName);
    }
    ASSERT_FALSE(theCodecs.empty());
    EXPECT_EQ(Names(Collection("Codecs")), theCodecs);
}

TEST_F(GestaltTest, EveryCollectionCountsFromOne)
{
    for (const char* theName : {"GraphicsExporters", "Fonts", "Codecs"}) {
        SCOPED_TRACE(theName);
        vx::Client theList = Collection(theName);
        const LONG theCount = theList.Get("Count").AsLong();
        ASSERT_GT(theCount, 0);
        const std::string theFirst = theList.Get("Item", 1).AsString();
        EXPECT_EQ(theList.Get("Item", 0).AsString(), theFirst);
        EXPECT_EQ(theList.Get("Item", LONG(-1)).AsString(), theFirst);
        EXPECT_FALSE(theList.Get("Item", theCount).AsString().empty());
        theList.Get("Item", theCount + 1);
        EXPECT_EQ(theList.LastError().mCode, E_FAIL);
    }
    EXPECT_EQ(
        Collection("GraphicsExporters").Get("Item", Collection("GraphicsExporters").Get("Count").AsLong()).AsString(),
        "GIF");
}

TEST_F(GestaltTest, LogErrorsTakesBooleanWordsAndRefusesTheRest)
{
    struct Row {
        vx::Variant mValue;
        std::uint32_t mStored;
    };
    for (const Row& theRow : {Row{vx::Variant("yes"), 1}, Row{vx::Variant(0), 0}, Row{vx::Variant("TRUE"), 1},
                              Row{vx::Variant("no"), 0}, Row{vx::Variant(7), 1}, Row{vx::Variant(false), 0}}) {
        ASSERT_TRUE(mGestalt.Put("LogErrors", theRow.mValue)) << mGestalt.LastError().mDescription;
        EXPECT_EQ(Setting(), theRow.mStored) << theRow.mValue.AsString();
        EXPECT_EQ(mGestalt.Get("LogErrors").AsBool(), theRow.mStored != 0);
    }
    EXPECT_TRUE(Entries().empty());

    // A refused value keeps the setting; with logging on the failure is also logged, on one line.
    EXPECT_FALSE(mGestalt.Put("LogErrors", "maybe"));
    EXPECT_EQ(mGestalt.LastError().mDescription, "Unable to set property\n\n\nSet Gestalt LogErrors  =  maybe");
    EXPECT_EQ(mGestalt.LastError().mSource, "Vellumax.Gestalt.1");
    EXPECT_EQ(Setting(), 0u);
    EXPECT_TRUE(Entries().empty());
    mGestalt.Put("LogErrors", "yes");
    EXPECT_FALSE(mGestalt.Put("LogErrors", "often"));
    EXPECT_EQ(Setting(), 1u);
    const std::vector<std::string> theEntries = Entries();
    ASSERT_EQ(theEntries.size(), 1u);
    EXPECT_NE(theEntries[0].find("Unable to set property   Set Gestalt LogErrors  =  often"), std::string::npos)
        << theEntries[0];
}

TEST_F(GestaltTest, LogWritesOneEntryPerMessage)
{
    mGestalt.Call("Log", "first line\nsecond line");
    mGestalt.Call("Log", 42);
    const std::vector<std::string> theEntries = Entries();
    ASSERT_EQ(theEntries.size(), 2u);
    EXPECT_NE(theEntries[0].find("Vellumax Error: first line second line"), std::string::npos) << theEntries[0];
    EXPECT_NE(theEntries[1].find("Vellumax Error: 42"), std::string::npos) << theEntries[1];
}

TEST_F(GestaltTest, SaveReplacesTheWholeFile)
{
    const std::string thePath = WriteFile("out.bin", Bytes(1000, 'o'));
    const Bytes theNew = {0, 1, 2, 255, '\n', 0};
    mGestalt.Call("Save", thePath, vx::Variant(theNew));
    ASSERT_TRUE(mGestalt.Ok()) << mGestalt.LastError().mDescription;
    EXPECT_EQ(Contents(thePath), theNew);
    mGestalt.Call("Save", thePath, vx::Variant(Bytes{}));
    ASSERT_TRUE(mGestalt.Ok());
    EXPECT_TRUE(std::filesystem::exists(thePath));
    EXPECT_EQ(Contents(thePath), Bytes{});
    const std::string theFresh = PathOf("fresh.bin");
    mGestalt.Call("Save", theFresh, vx::Variant(theNew));
    EXPECT_EQ(Contents(theFresh), theNew);
    EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(GestaltTest, AFailedSaveKeepsTheOldFileAndLeavesNothingBehind)
{
    const Bytes theOld(100, 'k');
    const std::string thePath = WriteFile("keep.bin", theOld);
    const std::string theReport = "Do Gestalt Save " + thePath;

    // Files may not grow beyond 64 bytes: the write itself fails part of the way through.
    struct rlimit theLimit {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &theLimit), 0);
    const struct rlimit theSaved = theLimit;
    const auto theHandler = std::signal(SIGXFSZ, SIG_IGN);
    theLimit.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &theLimit), 0);
    mGestalt.Call("Save", thePath, vx::Variant(Bytes(1000, 'n')));
    setrlimit(RLIMIT_FSIZE, &theSaved);
    std::signal(SIGXFSZ, theHandler);
    EXPECT_EQ(mGestalt.LastError().mCode, E_FAIL);
    EXPECT_NE(mGestalt.LastError().mDescription.find("A Windows error"), std::string::npos);
    EXPECT_TRUE(mGestalt.LastError().mDescription.ends_with(theReport)) << mGestalt.LastError().mDescription;
    EXPECT_EQ(Contents(thePath), theOld);
    EXPECT_EQ(EntryCount(), 1u);

    // Bytes that are not an array: the conversion's code is reported and nothing is written.
    mGestalt.Call("Save", thePath, "text");
    EXPECT_EQ(mGestalt.LastError().mCode, E_FAIL);
    EXPECT_NE(mGestalt.LastError().mDescription.find("(-2147352571) occurred.\n"), std::string::npos)
        << mGestalt.LastError().mDescription;
    EXPECT_EQ(Contents(thePath), theOld);

    const std::string theMissing = PathOf("no/such/folder.bin");
    mGestalt.Call("Save", theMissing, vx::Variant(Bytes{1}));
    EXPECT_EQ(mGestalt.LastError().mDescription,
              "A Windows error occurred that indicates that a file could not be found (2).\n\n\nDo Gestalt Save " +
                  theMissing);
    EXPECT_EQ(EntryCount(), 1u);

    IGestalt* theGestalt = InterfaceOf<IGestalt>(mGestalt, IID_IGestalt);
    ASSERT_NE(theGestalt, nullptr);
    VARIANT thePathValue;
    VariantInit(&thePathValue);
    EXPECT_EQ(theGestalt->Save(&thePathValue, nullptr), E_POINTER);
    EXPECT_EQ(theGestalt->Log(nullptr), E_POINTER);
    EXPECT_EQ(theGestalt->get_Fonts(nullptr), E_POINTER);
}

}  // namespace
