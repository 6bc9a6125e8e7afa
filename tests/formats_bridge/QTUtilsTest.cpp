// The bridge: version, exporter and importer lookups with their match rules, names by index,
// importers for files and data (with the search by trial), validation and image information.
#include "vellumax/formats/QTUtils.h"

#include "imaging/Imaging.h"
#include "vellumax/params/Utilities.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

class BridgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitQuickTime(mCode, mAvailable);
        ASSERT_EQ(mCode, noErr);
        ASSERT_TRUE(mAvailable);
    }
    void TearDown() override
    {
        for (ComponentInstance& theInstance : mInstances)
            CloseImporter(theInstance);
        for (Handle theHandle : mHandles)
            DisposeHandle(theHandle);
        ExitQuickTime(mCode);
    }

    Handle HandleOf(const Bytes& inBytes)
    {
        Handle theHandle = NewHandle(Size(inBytes.size()));
        if (!inBytes.empty())
            std::memcpy(*theHandle, inBytes.data(), inBytes.size());
        mHandles.push_back(theHandle);
        return theHandle;
    }

    ComponentInstance& Keep(ComponentInstance inInstance)
    {
        mInstances.push_back(inInstance);
        return mInstances.back();
    }

    static std::string NameOf(Component inComponent)
    {
        if (inComponent == nullptr)
            return "none";
        Handle theName = NewHandle(0);
        GetComponentInfo(inComponent, nullptr, theName, nullptr, nullptr);
        char theText[kTextCapacity];
        CStringFromHandle(theName, theText);
        DisposeHandle(theName);
        return theText;
    }

    // The format name an importer reports.
    static std::string FormatOf(ComponentInstance inImporter)
    {
        long theDepth = 0;
        long theResolution = 0;
        char theName[kQTNameCapacity] = "unset";
        EXPECT_EQ(GetImageInfo(inImporter, theDepth, theResolution, theName), noErr);
        return inImporter == nullptr ? "none" : theName;
    }

    OSErr mCode = noErr;
    bool mAvailable = false;
    std::vector<Handle> mHandles;
    std::vector<ComponentInstance> mInstances;
};

// A small RGB PNG written by libpng itself.
Bytes PngFile(int inWidth, int inHeight)
{
    png_image theImage{};
    theImage.version = PNG_IMAGE_VERSION;
    theImage.width = png_uint_32(inWidth);
    theImage.height = png_uint_32(inHeight);
    theImage.format = PNG_FORMAT_RGB;
    const std::vector<std::uint8_t> thePixels(std::size_t(inWidth * inHeight * 3), 0x80);
    png_alloc_size_t theSize = 0;
    png_image_write_to_memory(&theImage, nullptr, &theSize, 0, thePixels.data(), 0, nullptr);
    Bytes theFile(theSize);
    png_image_write_to_memory(&theImage, theFile.data(), &theSize, 0, thePixels.data(), 0, nullptr);
    theFile.resize(theSize);
    return theFile;
}

TEST_F(BridgeTest, VersionIsFourPointSomething)
{
    long theMajor = 0;
    long theMinor = -1;
    long theFix = -1;
    ASSERT_EQ(GetQuickTimeVersion(theMajor, theMinor, theFix), noErr);
    EXPECT_EQ(theMajor, 4);
    EXPECT_GE(theMinor, 0);
    EXPECT_LE(theMinor, 15);
    EXPECT_GE(theFix, 0);
    EXPECT_LE(theFix, 15);
}

TEST_F(BridgeTest, FindExporterByExtensionMimeTypeDescriptionOrDefaultExtension)
{
    struct Case {
        const char* mExtension;
        const char* mMime;
        const char* mDescription;
        const char* mFound;
    };
    const Case theCases[] = {
        {"photo.JPG", "", "", "JPEG"},
        {"image/png", "image/png", "image/png", "PNG"},  // no '.': MIME type or description only
        {"image/png", "", "", "none"},
        {"jpg", "", "", "none"},
        {"", "", "BMP", "BMP"},
        {"", "IMAGE/TIFF", "", "TIFF"},
        {"picture.tiff", "", "", "TIFF"},
        {"picture.webp", "", "", "WebP"},
        {"C:/pictures/photo.bmp", "", "", "BMP"},
        // Only the first '.' counts: a dotted folder hides the file's extension ...
        {"/srv/my.folder/photo.png", "", "", "none"},
        // ... and its first three letters meet the default extension 'jpg '.
        {"/srv/my.jpgs/photo.png", "", "", "JPEG"},
        {"gif", "gif", "gif", "none"},  // GIF is the server's own writer
    };
    for (const Case& theCase : theCases) {
        Component theComponent = reinterpret_cast<Component>(this);
        EXPECT_EQ(FindExporter(theCase.mExtension, theCase.mMime, theCase.mDescription, theComponent), noErr)
            << theCase.mExtension;
        EXPECT_EQ(NameOf(theComponent), theCase.mFound) << theCase.mExtension << " " << theCase.mMime;
    }
}

// A registered exporter without a MIME type list; its default extension is 'tst '. Its open
// result is settable, to make the lookup meet an error.
ComponentResult sOpenResult = noErr;

ComponentResult ExporterWithoutList(ComponentParameters* inParams, Handle)
{
    switch (inParams->what) {
    case kComponentOpenSelect:
        return sOpenResult;
    case kGraphicsExportGetDefaultFileNameExtensionSelect:
        *reinterpret_cast<OSType*>(inParams->params[0]) = FourCharCode("tst ");
        return noErr;
    default:
        return badComponentSelector;
    }
}

Component RegisterExporterWithoutList()
{
    ComponentDescription theDesc{GraphicsExporterComponentType, FourCharCode("TEST"), 0, 0, 0};
    Handle theName = NewHandle(6);
    std::memcpy(*theName, "\x05Test ", 6);
    Component theComponent = RegisterComponent(&theDesc, &ExporterWithoutList, 0, theName, nullptr, nullptr);
    DisposeHandle(theName);
    return theComponent;
}

TEST_F(BridgeTest, AnExporterWithoutMimeListIsSkippedNotAnError)
{
    sOpenResult = noErr;
    Component theTest = RegisterExporterWithoutList();
    ASSERT_NE(theTest, nullptr);
    Component theFound = nullptr;
    EXPECT_EQ(FindExporter("x.zzz", "", "", theFound), noErr);
    EXPECT_EQ(theFound, nullptr);
    EXPECT_EQ(FindExporter("report.TST", "", "", theFound), noErr);
    EXPECT_EQ(theFound, theTest);
    long theCount = 0;
    EXPECT_EQ(GetExporterName(-1, nullptr, nullptr, theCount), noErr);
    EXPECT_EQ(theCount, 6);

    // An exporter that cannot be opened ends the lookup with its code.
    sOpenResult = memFullErr;
    EXPECT_EQ(FindExporter("x.zzz", "", "", theFound), memFullErr);
    EXPECT_EQ(theFound, nullptr);
    sOpenResult = noErr;
    UnregisterComponent(theTest);
}

TEST_F(BridgeTest, FindImporterUsesTheMimeListsOnly)
{
    struct Case {
        const char* mExtension;
        const char* mMime;
        const char* mDescription;
        ComponentResult mResult;
        const char* mFound;
    };
    const Case theCases[] = {
        {"photo.JPG", "", "", noErr, "JPEG"},           {"", "image/gif", "", noErr, "GIF"},
        {"tif", "tif", "tif", cantFindHandler, "none"}, {"scan.tif", "", "", noErr, "TIFF"},
        {"x.zzz", "", "", cantFindHandler, "none"},     {"", "", "webp", noErr, "WebP"},
    };
    for (const Case& theCase : theCases) {
        Component theComponent = nullptr;
        EXPECT_EQ(FindImporter(theCase.mExtension, theCase.mMime, theCase.mDescription, theComponent), theCase.mResult)
            << theCase.mExtension;
        EXPECT_EQ(NameOf(theComponent), theCase.mFound) << theCase.mExtension;
    }
}

TEST_F(BridgeTest, MatchRuleIsCaseInsensitiveWholeStringsOfTheFirst255Bytes)
{
    QTAtomContainer theList = nullptr;
    ASSERT_EQ(QTNewAtomContainer(&theList), noErr);
    const std::string theLong(300, 'd');
    QTInsertChild(theList, 0, FourCharCode("ext "), 0, 0, 8, "jpg,jpeg", nullptr);
    QTInsertChild(theList, 0, FourCharCode("mime"), 0, 0, 10, "image/jpeg", nullptr);
    QTInsertChild(theList, 0, FourCharCode("xtra"), 0, 0, 5, "extra", nullptr);
    QTInsertChild(theList, 0, FourCharCode("desc"), 0, 0, long(theLong.size()), theLong.data(), nullptr);
    struct Case {
        std::string mExtension;
        std::string mMime;
        std::string mDescription;
        bool mMatched;
    };
    const Case theCases[] = {
        {"JPEG", "", "", true},
        {"jpg", "", "", true},
        {"jp", "", "", false},
        {"jpg,jpeg", "", "", false},
        {"", "Image/JPEG", "", true},
        {"", "image/jpe", "", false},
        {"", "", theLong.substr(0, 255), true},
        {"", "", theLong, false},
        {"", "", "", false},
        {"extra", "extra", "extra", false},
        {"png", "image/png", "jpeg", false},
    };
    for (const Case& theCase : theCases) {
        bool theMatched = !theCase.mMatched;
        EXPECT_EQ(MatchMimeList(theCase.mExtension.c_str(), theCase.mMime.c_str(), theCase.mDescription.c_str(),
                                theList, theMatched),
                  noErr);
        EXPECT_EQ(theMatched, theCase.mMatched)
            << theCase.mExtension << "|" << theCase.mMime << "|" << theCase.mDescription.size();
    }
    QTDisposeAtomContainer(theList);
}

TEST_F(BridgeTest, NamesByIndexLeaveTheBuffersAloneBeyondTheCount)
{
    long theCount = 0;
    char theName[kQTNameCapacity] = "untouched";
    char theInfo[kQTNameCapacity] = "untouched";
    ASSERT_EQ(GetExporterName(1, theName, theInfo, theCount), noErr);
    EXPECT_EQ(theCount, 5);
    EXPECT_STREQ(theName, "JPEG");
    EXPECT_NE(std::strstr(theInfo, "JPEG"), nullptr);
    for (const long theIndex : {5L, 99L, -1L}) {
        std::strcpy(theName, "untouched");
        EXPECT_EQ(GetExporterName(theIndex, theName, nullptr, theCount), noErr);
        EXPECT_EQ(theCount, 5);
        EXPECT_STREQ(theName, "untouched") << theIndex;
    }

    ASSERT_EQ(GetCodecName(4, theName, theCount), noErr);
    EXPECT_EQ(theCount, 7);
    EXPECT_STREQ(theName, "TIFF");
    std::strcpy(theName, "untouched");
    EXPECT_EQ(GetCodecName(7, theName, theCount), noErr);
    EXPECT_STREQ(theName, "untouched");
    EXPECT_EQ(GetCodecName(0, nullptr, theCount), noErr);
    EXPECT_EQ(theCount, 7);
}

TEST_F(BridgeTest, ImporterForDataByTypeThenByTrial)
{
    const Bytes thePng = PngFile(5, 3);
    const Bytes theGarbage(100, 0x42);
    struct Case {
        const Bytes* mData;
        const char* mType;
        ComponentResult mResult;
        const char* mFormat;
    };
    const Case theCases[] = {
        {&thePng, "png", noErr, "PNG"},  // the description matches
        {&thePng, "image/png", noErr, "PNG"},
        {&thePng, "image/jpeg", noErr, "PNG"},     // JPEG refuses the data; the trial finds PNG
        {&thePng, "nothing.known", noErr, "PNG"},  // no importer for the type; the trial finds PNG
        {&thePng, "", noErr, "PNG"},
        {&theGarbage, "image/png", badImageDescription, "none"},
        {&theGarbage, "xyz", cantFindHandler, "none"},
    };
    for (const Case& theCase : theCases) {
        ComponentInstance& theImporter = Keep(nullptr);
        EXPECT_EQ(GetImporterForData(HandleOf(*theCase.mData), theCase.mType, theImporter), theCase.mResult)
            << theCase.mType;
        EXPECT_EQ(FormatOf(theImporter), theCase.mFormat) << theCase.mType;
    }
}

TEST_F(BridgeTest, ImporterForFileAndItsImage)
{
    char theTemplate[] = "/tmp/vx-bridge-XXXXXX";
    ASSERT_NE(mkdtemp(theTemplate), nullptr);
    const std::string theFolder = theTemplate;
    const Bytes thePng = PngFile(7, 4);
    std::ofstream(theFolder + "/a.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(thePng.data()), std::streamsize(thePng.size()));

    ComponentInstance& theImporter = Keep(nullptr);
    ASSERT_EQ(GetImporterForFile((theFolder + "/a.png").c_str(), theImporter), noErr);
    Rect theBounds{1, 1, 1, 1};
    EXPECT_EQ(GetImageBounds(theImporter, theBounds), noErr);
    EXPECT_EQ(theBounds, (Rect{0, 0, 4, 7}));
    long theDepth = 0;
    long theResolution = 0;
    char theName[kQTNameCapacity] = {};
    EXPECT_EQ(GetImageInfo(theImporter, theDepth, theResolution, theName), noErr);
    EXPECT_EQ(theDepth, 24);
    EXPECT_EQ(theResolution, 72);
    EXPECT_STREQ(theName, "PNG");

    ComponentInstance& theMissing = Keep(nullptr);
    EXPECT_EQ(GetImporterForFile((theFolder + "/missing.png").c_str(), theMissing), fnfErr);
    EXPECT_EQ(theMissing, nullptr);
    std::filesystem::remove_all(theFolder);
}

TEST_F(BridgeTest, WithoutAnImporterBoundsAndInfoAreEmpty)
{
    Rect theBounds{1, 2, 3, 4};
    EXPECT_EQ(GetImageBounds(nullptr, theBounds), noErr);
    EXPECT_EQ(theBounds, (Rect{0, 0, 0, 0}));
    long theDepth = 9;
    long theResolution = 9;
    char theName[kQTNameCapacity] = "x";
    EXPECT_EQ(GetImageInfo(nullptr, theDepth, theResolution, theName), noErr);
    EXPECT_EQ(theDepth, 0);
    EXPECT_EQ(theResolution, 0);
    EXPECT_STREQ(theName, "");
}

TEST_F(BridgeTest, ValidationClosesWhatItRefuses)
{
    Component thePng = nullptr;
    ASSERT_EQ(FindImporter("", "image/png", "", thePng), noErr);
    ComponentInstance& theImporter = Keep(nullptr);
    ASSERT_EQ(OpenComponentInstance(thePng, theImporter), noErr);
    GraphicsImportSetDataHandle(theImporter, HandleOf(Bytes(64, 1)));
    EXPECT_EQ(ValidateImporter(theImporter), badImageDescription);
    EXPECT_EQ(theImporter, nullptr);

    ComponentInstance& theEmpty = Keep(nullptr);
    ASSERT_EQ(OpenComponentInstance(thePng, theEmpty), noErr);
    EXPECT_EQ(ValidateImporter(theEmpty), paramErr);  // no data given: an error, closed too
    EXPECT_EQ(theEmpty, nullptr);

    // A component without validation counts as valid and stays open.
    ComponentInstance& theOther = Keep(nullptr);
    ComponentDescription theBaseSearch{GraphicsExporterComponentType, 0, 0, 1, 1};
    ASSERT_EQ(OpenComponentInstance(FindNextComponent(nullptr, &theBaseSearch), theOther), noErr);
    EXPECT_EQ(ValidateImporter(theOther), noErr);
    EXPECT_NE(theOther, nullptr);
}

TEST_F(BridgeTest, OpenFailureReportsThePendingError)
{
    alignas(8) char theFake[64] = {};
    ComponentInstance theInstance = reinterpret_cast<ComponentInstance>(this);
    EXPECT_EQ(OpenComponentInstance(reinterpret_cast<Component>(theFake), theInstance), invalidComponentID);
    EXPECT_EQ(theInstance, nullptr);
    sOpenResult = memFullErr;
    Component theTest = RegisterExporterWithoutList();
    EXPECT_EQ(OpenComponentInstance(theTest, theInstance), memFullErr);
    EXPECT_EQ(theInstance, nullptr);
    sOpenResult = noErr;
    UnregisterComponent(theTest);
}

TEST_F(BridgeTest, CodecNamesBecomeTypesForTheParameters)
{
    struct Case {
        const char* mName;
        bool mFound;
        OSType mType;
    };
    for (const Case& theCase : {Case{"jpeg", true, FourCharCode("jpeg")}, Case{"Raw", true, FourCharCode("raw ")},
                                Case{"WEBP", true, FourCharCode("webp")}, Case{"jpe", false, 0}, Case{"", false, 0}}) {
        OSType theType = 0;
        EXPECT_EQ(LookupCodecType(theCase.mName, &theType), theCase.mFound) << theCase.mName;
        EXPECT_EQ(theType, theCase.mType) << theCase.mName;
        theType = 0;
        EXPECT_EQ(ReadCodecType(theCase.mName, &theType), theCase.mFound) << "installed lookup: " << theCase.mName;
    }
}

TEST_F(BridgeTest, PascalStringsFromHandles)
{
    Handle theHandle = NewHandle(6);
    ASSERT_NE(theHandle, nullptr);
    std::memcpy(*theHandle,
                "\x05"
                "Codec",
                6);
    char theText[kTextCapacity];
    CStringFromHandle(theHandle, theText);
    EXPECT_STREQ(theText, "Codec");
    // A length byte that claims more than the handle holds reads only what is there.
    (*theHandle)[0] = char(200);
    CStringFromHandle(theHandle, theText);
    EXPECT_STREQ(theText, "Codec");
    SetHandleSize(theHandle, 0);
    CStringFromHandle(theHandle, theText);
    EXPECT_STREQ(theText, "");
    DisposeHandle(theHandle);
}

TEST(BridgeStartTest, StartsAndStopsAreCounted)
{
    OSErr theFirst = -1;
    OSErr theSecond = -1;
    bool theAvailable = false;
    InitQuickTime(theFirst, theAvailable);
    InitQuickTime(theSecond, theAvailable);
    ASSERT_EQ(theFirst, noErr);
    ASSERT_EQ(theSecond, noErr);
    ExitQuickTime(theFirst);
    long theMajor = 0;
    long theMinor = 0;
    long theFix = 0;
    EXPECT_EQ(GetQuickTimeVersion(theMajor, theMinor, theFix), noErr);  // still started once
    ExitQuickTime(theSecond);
    EXPECT_EQ(GetQuickTimeVersion(theMajor, theMinor, theFix), qtmlUninitialized);
    ExitQuickTime(qtmlUninitialized);  // a failed start is not stopped
}

}  // namespace
