// Component search, information, opening and closing, registered components and the codec list.
#include "ComponentsTestSupport.h"

#include <algorithm>

namespace vxtest {
namespace {

using ComponentSearchTest = ComponentsTest;

std::vector<std::string> Names(ComponentDescription inLooking)
{
    std::vector<std::string> theNames;
    Handle theName = NewHandle(0);
    for (Component theComponent = FindNextComponent(nullptr, &inLooking); theComponent != nullptr;
         theComponent = FindNextComponent(theComponent, &inLooking)) {
        EXPECT_EQ(GetComponentInfo(theComponent, nullptr, theName, nullptr, nullptr), noErr);
        theNames.push_back(std::string(*theName + 1, std::size_t(std::uint8_t((*theName)[0]))));
    }
    DisposeHandle(theName);
    EXPECT_EQ(long(theNames.size()), CountComponents(&inLooking));
    return theNames;
}

TEST_F(ComponentSearchTest, SearchesByTypeFlagsAndMaskInAStableOrder)
{
    struct Case {
        ComponentDescription mLooking;
        std::vector<std::string> mNames;
    };
    const std::vector<Case> theCases = {
        {{GraphicsImporterComponentType, 0, 0, kHasMIMETypeList, kHasMIMETypeList},
         {"PNG", "JPEG", "GIF", "BMP", "TIFF", "WebP"}},
        {{GraphicsExporterComponentType, 0, 0, 0, graphicsExporterIsBaseExporter},
         {"PNG", "JPEG", "BMP", "TIFF", "WebP"}},
        {{GraphicsExporterComponentType, 0, 0, graphicsExporterIsBaseExporter, graphicsExporterIsBaseExporter},
         {"Base"}},
        {{GraphicsExporterComponentType, FourCharCode("JPEG"), 0, 0, 0}, {"JPEG"}},
        {{GraphicsImporterComponentType, 0, FourCharCode("none"), 0, 0}, {}},
        {{compressorComponentType, 0, 0, 0, 0}, {"PNG", "JPEG", "GIF", "BMP", "TIFF", "WebP", "Raw"}},
    };
    for (const Case& theCase : theCases) {
        EXPECT_EQ(Names(theCase.mLooking), theCase.mNames);
        EXPECT_EQ(Names(theCase.mLooking), theCase.mNames) << "second walk differs";
    }
}

TEST_F(ComponentSearchTest, InformationIsLengthPrefixedInHandles)
{
    Component theComponent = FindNamed(GraphicsExporterComponentType, 0, 0, "TIFF");
    ASSERT_NE(theComponent, nullptr);
    ComponentDescription theDesc{};
    Handle theName = NewEmptyHandle();
    Handle theInfo = NewEmptyHandle();
    Handle theIcon = HandleOf(ByteVector(16, 1));
    ASSERT_EQ(GetComponentInfo(theComponent, &theDesc, theName, theInfo, theIcon), noErr);
    EXPECT_EQ(theDesc.componentType, GraphicsExporterComponentType);
    EXPECT_EQ(theDesc.componentSubType, FourCharCode("TIFF"));
    EXPECT_EQ(GetHandleSize(theName), 5);
    EXPECT_EQ(PascalOf(theName), "TIFF");
    EXPECT_EQ(GetHandleSize(theInfo), Size(PascalOf(theInfo).size() + 1));
    EXPECT_NE(PascalOf(theInfo).find("TIFF"), std::string::npos);
    EXPECT_EQ(GetHandleSize(theIcon), 0);
}

TEST_F(ComponentSearchTest, MadeUpComponentsAndInstancesAreRefused)
{
    alignas(8) char theFake[256] = {};
    Component theBogus = reinterpret_cast<Component>(theFake);
    EXPECT_EQ(FindNextComponent(theBogus, nullptr), nullptr);
    EXPECT_EQ(GetComponentInfo(theBogus, nullptr, nullptr, nullptr, nullptr), invalidComponentID);
    EXPECT_EQ(OpenComponent(theBogus), nullptr);
    EXPECT_EQ(GetMoviesError(), invalidComponentID);
    ComponentInstance theInstance = reinterpret_cast<ComponentInstance>(theFake);
    EXPECT_EQ(CloseComponent(theInstance), invalidComponentID);
    EXPECT_EQ(GraphicsImportDraw(theInstance), badComponentInstance);
    EXPECT_EQ(CloseComponent(nullptr), invalidComponentID);
}

TEST_F(ComponentSearchTest, AClosedInstanceIsNoLongerOne)
{
    ComponentInstance theInstance = Open(FindNamed(GraphicsImporterComponentType, 0, 0, "PNG"));
    ASSERT_NE(theInstance, nullptr);
    Forget(theInstance);
    EXPECT_EQ(CloseComponent(theInstance), noErr);
    EXPECT_EQ(CloseComponent(theInstance), invalidComponentID);
    Rect theBounds{};
    EXPECT_EQ(GraphicsImportGetNaturalBounds(theInstance, &theBounds), badComponentInstance);
}

TEST_F(ComponentSearchTest, CallsOfAnotherKindAreNotImplemented)
{
    ComponentInstance theImporter = Open(FindNamed(GraphicsImporterComponentType, 0, 0, "GIF"));
    ComponentInstance theBase = Open(FindNamed(GraphicsExporterComponentType, 1, 1, "Base"));
    ASSERT_NE(theImporter, nullptr);
    ASSERT_NE(theBase, nullptr);
    OSType theExtension = 0;
    EXPECT_EQ(GraphicsExportGetDefaultFileNameExtension(theImporter, &theExtension), badComponentSelector);
    QTAtomContainer theList = nullptr;
    EXPECT_EQ(GraphicsExportGetMIMETypeList(theBase, &theList), badComponentSelector);
    EXPECT_EQ(theList, nullptr);
    EXPECT_EQ(GraphicsExportDoExport(theBase, nullptr), badComponentSelector);
    // An unimplemented call is an answer, not an instance error.
    EXPECT_EQ(GetComponentInstanceError(theBase), noErr);
}

TEST_F(ComponentSearchTest, InstanceErrorIsTheLastCallsResult)
{
    ComponentInstance theImporter = Open(FindNamed(GraphicsImporterComponentType, 0, 0, "PNG"));
    ASSERT_NE(theImporter, nullptr);
    EXPECT_EQ(GraphicsImportSetDataHandle(theImporter, nullptr), paramErr);
    EXPECT_EQ(GetComponentInstanceError(theImporter), paramErr);
    EXPECT_EQ(GetMoviesError(), paramErr);
    EXPECT_EQ(GraphicsImportSetDataHandle(theImporter, HandleOf({1, 2, 3})), noErr);
    EXPECT_EQ(GetComponentInstanceError(theImporter), noErr);
    EXPECT_EQ(GetMoviesError(), noErr);
}

// A registered component that records the selectors it is called with.
std::vector<std::int16_t> sSelectors;
ComponentResult sOpenResult = noErr;

ComponentResult RecordingRoutine(ComponentParameters* inParams, Handle)
{
    sSelectors.push_back(inParams->what);
    switch (inParams->what) {
    case kComponentOpenSelect:
        return sOpenResult;
    case kGraphicsExportGetDefaultFileNameExtensionSelect:
        EXPECT_EQ(inParams->paramSize, sizeof(long));
        *reinterpret_cast<OSType*>(inParams->params[0]) = FourCharCode("tst ");
        return noErr;
    case kGraphicsImportSetGraphicsModeSelect:
        EXPECT_EQ(inParams->paramSize, 2 * sizeof(long));
        return inParams->params[0] == 37 ? noErr : paramErr;
    default:
        return badComponentSelector;
    }
}

Handle PascalHandle(const std::string& inText)
{
    Handle theHandle = NewHandle(Size(inText.size() + 1));
    (*theHandle)[0] = char(inText.size());
    std::memcpy(*theHandle + 1, inText.data(), inText.size());
    return theHandle;
}

TEST_F(ComponentSearchTest, RegisteredComponentsGetEveryCallThroughTheirRoutine)
{
    sSelectors.clear();
    sOpenResult = noErr;
    ComponentDescription theDesc{GraphicsExporterComponentType, FourCharCode("TEST"), FourCharCode("test"), 0, 0};
    Handle theName = PascalHandle("Test exporter");
    Component theComponent = RegisterComponent(&theDesc, &RecordingRoutine, 0, theName, nullptr, nullptr);
    DisposeHandle(theName);
    ASSERT_NE(theComponent, nullptr);
    ComponentDescription theExporters{GraphicsExporterComponentType, 0, 0, 0, graphicsExporterIsBaseExporter};
    EXPECT_EQ(Names(theExporters).back(), "Test exporter");

    ComponentInstance theInstance = OpenComponent(theComponent);
    ASSERT_NE(theInstance, nullptr);
    OSType theExtension = 0;
    EXPECT_EQ(GraphicsExportGetDefaultFileNameExtension(theInstance, &theExtension), noErr);
    EXPECT_EQ(theExtension, FourCharCode("tst "));
    const RGBColor theColor{0, 0, 0};
    EXPECT_EQ(GraphicsImportSetGraphicsMode(theInstance, 37, &theColor), noErr);
    EXPECT_EQ(GraphicsImportSetGraphicsMode(theInstance, 36, &theColor), paramErr);
    EXPECT_EQ(UnregisterComponent(theComponent), fBsyErr);
    EXPECT_EQ(CloseComponent(theInstance), noErr);
    EXPECT_EQ(sSelectors,
              (std::vector<std::int16_t>{kComponentOpenSelect, kGraphicsExportGetDefaultFileNameExtensionSelect,
                                         kGraphicsImportSetGraphicsModeSelect, kGraphicsImportSetGraphicsModeSelect,
                                         kComponentCloseSelect}));

    EXPECT_EQ(UnregisterComponent(theComponent), noErr);
    EXPECT_EQ(Names(theExporters).size(), 5u);
    EXPECT_EQ(OpenComponent(theComponent), nullptr);
    EXPECT_EQ(UnregisterComponent(theComponent), invalidComponentID);
    EXPECT_EQ(UnregisterComponent(FindNamed(GraphicsExporterComponentType, 0, 0, "PNG")), invalidComponentID);
}

TEST_F(ComponentSearchTest, ARefusedOpenLeavesNoInstanceAndTellsWhy)
{
    sSelectors.clear();
    sOpenResult = memFullErr;
    ComponentDescription theDesc{GraphicsImporterComponentType, FourCharCode("TEST"), 0, 0, 0};
    Component theComponent = RegisterComponent(&theDesc, &RecordingRoutine, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(theComponent, nullptr);
    EXPECT_EQ(OpenComponent(theComponent), nullptr);
    EXPECT_EQ(GetMoviesError(), memFullErr);
    // Never opened, so never closed; and nothing stays open to block unregistering.
    EXPECT_EQ(sSelectors, std::vector<std::int16_t>{kComponentOpenSelect});
    EXPECT_EQ(UnregisterComponent(theComponent), noErr);
    sOpenResult = noErr;
}

TEST_F(ComponentSearchTest, CodecNameListNamesEveryCodecWithItsComponent)
{
    CodecNameSpecListPtr theList = nullptr;
    ASSERT_EQ(GetCodecNameList(&theList, 1), noErr);
    ASSERT_NE(theList, nullptr);
    const std::vector<std::pair<std::string, OSType>> theExpected = {
        {"PNG", FourCharCode("png ")}, {"JPEG", FourCharCode("jpeg")}, {"GIF", FourCharCode("gif ")},
        {"BMP", FourCharCode("bmp ")}, {"TIFF", FourCharCode("tiff")}, {"WebP", FourCharCode("webp")},
        {"Raw", FourCharCode("raw ")}};
    ASSERT_EQ(theList->count, short(theExpected.size()));
    for (short theIndex = 0; theIndex < theList->count; ++theIndex) {
        const CodecNameSpec& theEntry = theList->list[theIndex];
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(theEntry.typeName + 1), theEntry.typeName[0]),
                  theExpected[std::size_t(theIndex)].first);
        EXPECT_EQ(theEntry.cType, theExpected[std::size_t(theIndex)].second);
        EXPECT_EQ(PascalOf(theEntry.name), theExpected[std::size_t(theIndex)].first);
        ComponentDescription theDesc{};
        ASSERT_EQ(GetComponentInfo(theEntry.codec, &theDesc, nullptr, nullptr, nullptr), noErr);
        EXPECT_EQ(theDesc.componentSubType, theEntry.cType);
    }
    EXPECT_EQ(DisposeCodecNameList(theList), noErr);
    EXPECT_EQ(GetCodecNameList(nullptr, 1), paramErr);
}

}  // namespace
}  // namespace vxtest
