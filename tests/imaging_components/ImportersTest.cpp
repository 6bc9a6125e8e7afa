// Importers: validation, image count and index, description, natural bounds, MIME lists, drawing
// with source rectangle, matrix and mode, files found by content and extension, and damaged data.
#include "ImportFiles.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace vxtest {
namespace {

using vx::codecs::test::MaxDifference;

using ImporterTest = ComponentsTest;

struct FormatCase {
    std::string mName;
    ByteVector mFile;
    Pixels mExpected;  // as the file's own library reads it
    int mTolerance;
    int mDepth;
    int mResolution;
};

std::vector<FormatCase> FormatCases()
{
    using namespace vx::codecs::test;
    const Pixels thePattern = Pixels::Pattern(13, 7, true);
    const Pixels theOpaque = Pixels::Pattern(13, 7, false);
    std::vector<FormatCase> theCases;
    const ByteVector thePng = PngFile(thePattern);
    theCases.push_back({"PNG", thePng, ReadPngWithLibrary(thePng), 0, 32, 96});
    const ByteVector thePng16 = Png16File(theOpaque);
    theCases.push_back({"PNG", thePng16, theOpaque, 0, 24, 72});
    const ByteVector theJpeg = JpegFile(theOpaque, 3, 150);
    theCases.push_back({"JPEG", theJpeg, ReadJpegWithLibrary(theJpeg), 2, 24, 150});
    const ByteVector theGrey = JpegFile(theOpaque, 1, 72);
    theCases.push_back({"JPEG", theGrey, ReadJpegWithLibrary(theGrey), 2, 8, 72});
    const ByteVector theTiff = TiffFile();
    theCases.push_back({"TIFF", theTiff, ReadTiffWithLibrary(theTiff), 0, 24, 300});
    const ByteVector theWebp = WriteWebpWithLibrary(thePattern, true);
    theCases.push_back({"WebP", theWebp, ReadWebpWithLibrary(theWebp), 0, 32, 72});
    Pixels theBmp{3, 2, {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255}};
    theCases.push_back({"BMP", BmpFile(), theBmp, 0, 4, 72});
    Pixels theGif{4, 3, {}};
    for (int theIndex = 0; theIndex < 12; ++theIndex) {
        const bool theGreen = theIndex % 2 == 1;
        theGif.mBgra.insert(theGif.mBgra.end(),
                            {0, std::uint8_t(theGreen ? 255 : 0), std::uint8_t(theGreen ? 0 : 255), 255});
    }
    theCases.push_back({"GIF", GifFile(), theGif, 0, 1, 72});
    return theCases;
}

const std::vector<std::string> kImporters = {"PNG", "JPEG", "GIF", "BMP", "TIFF", "WebP"};

TEST_F(ImporterTest, EachFormatIsValidForItsOwnImporterOnly)
{
    for (const FormatCase& theCase : FormatCases()) {
        for (const std::string& theImporterName : kImporters) {
            ComponentInstance theImporter = Importer(theImporterName, theCase.mFile);
            Boolean theValid = kFalse;
            ASSERT_EQ(GraphicsImportValidate(theImporter, &theValid), noErr);
            EXPECT_EQ(bool(theValid), theImporterName == theCase.mName) << theCase.mName << " by " << theImporterName;
        }
    }
}

TEST_F(ImporterTest, DescriptionBoundsAndDrawingMatchTheFile)
{
    for (const FormatCase& theCase : FormatCases()) {
        SCOPED_TRACE(theCase.mName + " depth " + std::to_string(theCase.mDepth));
        ComponentInstance theImporter = Importer(theCase.mName, theCase.mFile);
        ImageDescriptionHandle theDesc = nullptr;
        ASSERT_EQ(GraphicsImportGetImageDescription(theImporter, &theDesc), noErr);
        EXPECT_EQ((*theDesc)->width, std::int16_t(theCase.mExpected.mWidth));
        EXPECT_EQ((*theDesc)->height, std::int16_t(theCase.mExpected.mHeight));
        EXPECT_EQ((*theDesc)->depth, theCase.mDepth);
        EXPECT_EQ((*theDesc)->hRes, IntToFixed(theCase.mResolution));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>((*theDesc)->name + 1), (*theDesc)->name[0]), theCase.mName);
        DisposeHandle(reinterpret_cast<Handle>(theDesc));

        Rect theBounds{};
        ASSERT_EQ(GraphicsImportGetNaturalBounds(theImporter, &theBounds), noErr);
        EXPECT_EQ(theBounds,
                  (Rect{0, 0, std::int16_t(theCase.mExpected.mHeight), std::int16_t(theCase.mExpected.mWidth)}));

        GWorldPtr theWorld = NewWorld(theBounds.right, theBounds.bottom);
        ASSERT_EQ(GraphicsImportSetGWorld(theImporter, theWorld, nullptr), noErr);
        ASSERT_EQ(GraphicsImportDraw(theImporter), noErr);
        EXPECT_LE(MaxDifference(theCase.mExpected, PixelsOf(theWorld)), theCase.mTolerance);
    }
}

// The importer reads the caller's handle in place: after the block has moved
// (grown far, then cut back to the file), the bytes it draws are the handle's.
TEST_F(ImporterTest, AHandleIsReadWhereItsBlockIsNow)
{
    for (const FormatCase& theCase : FormatCases()) {
        SCOPED_TRACE(theCase.mName + " depth " + std::to_string(theCase.mDepth));
        ComponentInstance theImporter = Open(FindNamed(GraphicsImporterComponentType, 0, 0, theCase.mName));
        ASSERT_NE(theImporter, nullptr);
        Handle theData = HandleOf(theCase.mFile);
        ASSERT_EQ(GraphicsImportSetDataHandle(theImporter, theData), noErr);
        const Ptr theOld = *theData;
        SetHandleSize(theData, Size(theCase.mFile.size()) + (Size(1) << 22));
        ASSERT_EQ(MemError(), noErr);
        SetHandleSize(theData, Size(theCase.mFile.size()));
        ASSERT_NE(*theData, theOld);  // else the case proves nothing

        GWorldPtr theWorld = NewWorld(int(theCase.mExpected.mWidth), int(theCase.mExpected.mHeight));
        ASSERT_EQ(GraphicsImportSetGWorld(theImporter, theWorld, nullptr), noErr);
        ASSERT_EQ(GraphicsImportDraw(theImporter), noErr);
        EXPECT_LE(MaxDifference(theCase.mExpected, PixelsOf(theWorld)), theCase.mTolerance);
    }
}

TEST_F(ImporterTest, MultiImageFilesCountAndSelectTheirImages)
{
    struct Case {
        std::string mName;
        ByteVector mFile;
        Rect mSecondBounds;
        int mSecondDepth;
        int mSecondResolution;
    };
    for (const Case& theCase :
         {Case{"GIF", GifFile(), Rect{0, 0, 3, 4}, 1, 72}, Case{"TIFF", TiffFile(), Rect{0, 0, 5, 2}, 8, 72}}) {
        SCOPED_TRACE(theCase.mName);
        ComponentInstance theImporter = Importer(theCase.mName, theCase.mFile);
        unsigned long theCount = 0;
        ASSERT_EQ(GraphicsImportGetImageCount(theImporter, &theCount), noErr);
        EXPECT_EQ(theCount, 2u);
        ASSERT_EQ(GraphicsImportSetImageIndex(theImporter, 2), noErr);
        for (const unsigned long theBad : {0ul, 3ul, 1000ul})
            EXPECT_EQ(GraphicsImportSetImageIndex(theImporter, theBad), paramErr) << theBad;
        // The refused indices left image 2 chosen.
        Rect theBounds{};
        ASSERT_EQ(GraphicsImportGetNaturalBounds(theImporter, &theBounds), noErr);
        EXPECT_EQ(theBounds, theCase.mSecondBounds);
        ImageDescriptionHandle theDesc = nullptr;
        ASSERT_EQ(GraphicsImportGetImageDescription(theImporter, &theDesc), noErr);
        EXPECT_EQ((*theDesc)->depth, theCase.mSecondDepth);
        EXPECT_EQ((*theDesc)->hRes, IntToFixed(theCase.mSecondResolution));
        DisposeHandle(reinterpret_cast<Handle>(theDesc));
    }
}

TEST_F(ImporterTest, TheChosenImageIsTheOneDrawn)
{
    ComponentInstance theImporter = Importer("GIF", GifFile());
    GWorldPtr theWorld = NewWorld(4, 3);
    ASSERT_EQ(GraphicsImportSetGWorld(theImporter, theWorld, nullptr), noErr);
    ASSERT_EQ(GraphicsImportSetImageIndex(theImporter, 2), noErr);
    ASSERT_EQ(GraphicsImportDraw(theImporter), noErr);
    const Pixels theDrawn = PixelsOf(theWorld);
    const std::uint8_t theBlue[4] = {255, 0, 0, 255};
    const std::uint8_t theWhite[4] = {255, 255, 255, 255};
    EXPECT_EQ(std::memcmp(theDrawn.At(0, 0), theBlue, 4), 0);
    EXPECT_EQ(std::memcmp(theDrawn.At(1, 0), theWhite, 4), 0);
    EXPECT_EQ(std::memcmp(theDrawn.At(0, 1), theWhite, 4), 0);
    EXPECT_EQ(std::memcmp(theDrawn.At(3, 2), theWhite, 4), 0);
}

TEST_F(ImporterTest, SourceRectangleAndMatrixPlaceThePart)
{
    const Pixels thePattern = Pixels::Pattern(6, 6, false);
    ComponentInstance theImporter = Importer("PNG", PngFile(thePattern));
    GWorldPtr theWorld = NewWorld(20, 20);
    const Rect thePart{1, 2, 4, 5};  // top, left, bottom, right: x 2…4, y 1…3
    MatrixRecord theMatrix;
    SetIdentityMatrix(&theMatrix);
    TranslateMatrix(&theMatrix, IntToFixed(10), IntToFixed(7));
    ASSERT_EQ(GraphicsImportSetGWorld(theImporter, theWorld, nullptr), noErr);
    ASSERT_EQ(GraphicsImportSetSourceRect(theImporter, &thePart), noErr);
    ASSERT_EQ(GraphicsImportSetMatrix(theImporter, &theMatrix), noErr);
    ASSERT_EQ(GraphicsImportDraw(theImporter), noErr);
    const Pixels theDrawn = PixelsOf(theWorld);
    for (std::uint32_t theY = 0; theY < 20; ++theY) {
        for (std::uint32_t theX = 0; theX < 20; ++theX) {
            const bool theInside = theX >= 12 && theX < 15 && theY >= 8 && theY < 11;
            const std::uint8_t theWhite[4] = {255, 255, 255, 255};
            const std::uint8_t* theExpected = theInside ? thePattern.At(theX - 10, theY - 7) : theWhite;
            ASSERT_EQ(std::memcmp(theDrawn.At(theX, theY), theExpected, 4), 0) << theX << "," << theY;
        }
    }
}

TEST_F(ImporterTest, AScalingMatrixFillsTheTarget)
{
    const Pixels theSolid{2, 2, {10, 20, 30, 255, 10, 20, 30, 255, 10, 20, 30, 255, 10, 20, 30, 255}};
    ComponentInstance theImporter = Importer("PNG", PngFile(theSolid));
    GWorldPtr theWorld = NewWorld(8, 8);
    MatrixRecord theMatrix;
    const Rect theFrom{0, 0, 2, 2};
    const Rect theTo{0, 0, 8, 8};
    RectMatrix(&theMatrix, &theFrom, &theTo);
    ASSERT_EQ(GraphicsImportSetGWorld(theImporter, theWorld, nullptr), noErr);
    ASSERT_EQ(GraphicsImportSetMatrix(theImporter, &theMatrix), noErr);
    ASSERT_EQ(GraphicsImportDraw(theImporter), noErr);
    Pixels theExpected{8, 8, {}};
    for (int theIndex = 0; theIndex < 64; ++theIndex)
        theExpected.mBgra.insert(theExpected.mBgra.end(), {10, 20, 30, 255});
    EXPECT_EQ(MaxDifference(theExpected, PixelsOf(theWorld)), 0);
}

TEST_F(ImporterTest, ModeAndOperationColourReachTheTransfer)
{
    const Pixels thePattern = Pixels::Pattern(5, 5, false);
    struct Case {
        long mMode;
        RGBColor mOpColor;
        std::uint8_t (*mExpected)(std::uint8_t inSource, std::uint8_t inDest);
    };
    const Case theCases[] = {
        {addMax, {0, 0, 0}, [](std::uint8_t s, std::uint8_t d) { return std::max(s, d); }},
        {adMin, {0, 0, 0}, [](std::uint8_t s, std::uint8_t d) { return std::min(s, d); }},
        {addPin,
         {0x6464, 0x6464, 0x6464},
         [](std::uint8_t s, std::uint8_t d) { return std::uint8_t(std::min(s + d, 100)); }},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mMode);
        ComponentInstance theImporter = Importer("PNG", PngFile(thePattern));
        GWorldPtr theWorld = WorldOf(Pixels{5, 5, ByteVector(100, 0)});
        PixMapHandle thePixMap = GetGWorldPixMap(theWorld);
        for (int theIndex = 0; theIndex < 25; ++theIndex)
            std::memcpy(GetPixBaseAddr(thePixMap) + (theIndex / 5) * GetPixRowBytes(thePixMap) + (theIndex % 5) * 4,
                        "\x40\x80\x20\xff", 4);
        ASSERT_EQ(GraphicsImportSetGWorld(theImporter, theWorld, nullptr), noErr);
        ASSERT_EQ(GraphicsImportSetGraphicsMode(theImporter, theCase.mMode, &theCase.mOpColor), noErr);
        ASSERT_EQ(GraphicsImportDraw(theImporter), noErr);
        const Pixels theDrawn = PixelsOf(theWorld);
        const std::uint8_t theDest[3] = {0x40, 0x80, 0x20};
        for (std::uint32_t theY = 0; theY < 5; ++theY)
            for (std::uint32_t theX = 0; theX < 5; ++theX)
                for (int theChannel = 0; theChannel < 3; ++theChannel)
                    ASSERT_EQ(theDrawn.At(theX, theY)[theChannel],
                              theCase.mExpected(thePattern.At(theX, theY)[theChannel], theDest[theChannel]))
                        << theX << "," << theY << " channel " << theChannel;
        // The world's own operation colour is as it was.
        EXPECT_EQ(theWorld->rgbOpColor, (RGBColor{0, 0, 0}));
    }
}

TEST_F(ImporterTest, WithoutAWorldTheCurrentPortIsDrawnInto)
{
    const Pixels thePattern = Pixels::Pattern(3, 3, false);
    ComponentInstance theImporter = Importer("PNG", PngFile(thePattern));
    GWorldPtr theWorld = NewWorld(3, 3);
    CGrafPtr theOldPort = nullptr;
    GDHandle theOldDevice = nullptr;
    GetGWorld(&theOldPort, &theOldDevice);
    SetGWorld(theWorld, nullptr);
    EXPECT_EQ(GraphicsImportDraw(theImporter), noErr);
    SetGWorld(theOldPort, theOldDevice);
    EXPECT_EQ(MaxDifference(thePattern, PixelsOf(theWorld)), 0);
}

TEST_F(ImporterTest, MimeListsNameExtensionsTypesAndDescription)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> theCases = {
        {"PNG", {"ext png", "mime image/png", "mime image/x-png", "desc PNG"}},
        {"JPEG", {"ext jpg,jpeg,jpe", "mime image/jpeg", "mime image/pjpeg", "desc JPEG"}},
        {"GIF", {"ext gif", "mime image/gif", "desc GIF"}},
        {"TIFF", {"ext tif,tiff", "mime image/tiff", "mime image/x-tiff", "desc TIFF"}},
    };
    for (const auto& [theName, theExpected] : theCases) {
        ComponentInstance theImporter = Open(FindNamed(GraphicsImporterComponentType, 0, 0, theName));
        QTAtomContainer theList = nullptr;
        ASSERT_EQ(GraphicsImportGetMIMETypeList(theImporter, &theList), noErr);
        std::vector<std::string> theAtoms;
        QTAtom theAtom = 0;
        while (QTNextChildAnyType(theList, 0, theAtom, &theAtom) == noErr && theAtom != 0) {
            QTAtomType theType = 0;
            char theText[256];
            long theSize = 0;
            QTGetAtomTypeAndID(theList, theAtom, &theType, nullptr);
            QTCopyAtomDataToPtr(theList, theAtom, kTrue, 255, theText, &theSize);
            const char theTypeText[4] = {char(theType >> 24), char(theType >> 16), char(theType >> 8), char(theType)};
            std::string theLabel(theTypeText, 4);
            theLabel.erase(theLabel.find_last_not_of(' ') + 1);
            theAtoms.push_back(theLabel + " " + std::string(theText, std::size_t(theSize)));
        }
        EXPECT_EQ(theAtoms, theExpected) << theName;
        QTDisposeAtomContainer(theList);
    }
}

class ImporterFileTest : public ImporterTest {
protected:
    void SetUp() override
    {
        ImporterTest::SetUp();
        char theTemplate[] = "/tmp/vx-importers-XXXXXX";
        ASSERT_NE(mkdtemp(theTemplate), nullptr);
        mFolder = theTemplate;
    }
    void TearDown() override
    {
        std::filesystem::remove_all(mFolder);
        ImporterTest::TearDown();
    }
    std::string Write(const std::string& inName, const ByteVector& inBytes)
    {
        const std::string thePath = mFolder + "/" + inName;
        std::ofstream(thePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(inBytes.data()), std::streamsize(inBytes.size()));
        return thePath;
    }
    // The name of the importer GetGraphicsImporterForFile chose, or the error.
    std::string ImporterFor(const std::string& inPath)
    {
        FSSpec theSpec{};
        const OSErr theSpecError = NativePathNameToFSSpec(inPath.c_str(), &theSpec, 0);
        if (theSpecError != noErr && theSpecError != fnfErr)
            return std::to_string(theSpecError);
        ComponentInstance theImporter = nullptr;
        const OSErr theError = GetGraphicsImporterForFile(&theSpec, &theImporter);
        if (theError != noErr) {
            EXPECT_EQ(theImporter, nullptr);
            return std::to_string(theError);
        }
        mInstances.push_back(theImporter);
        ImageDescriptionHandle theDesc = nullptr;
        Boolean theValid = kFalse;
        GraphicsImportValidate(theImporter, &theValid);
        if (!theValid)
            return "invalid";
        GraphicsImportGetImageDescription(theImporter, &theDesc);
        const std::string theName(reinterpret_cast<const char*>((*theDesc)->name + 1), (*theDesc)->name[0]);
        DisposeHandle(reinterpret_cast<Handle>(theDesc));
        return theName;
    }

    std::string mFolder;
};

TEST_F(ImporterFileTest, FilesAreMatchedByContentThenByExtension)
{
    const ByteVector theGarbage(64, 0x5A);
    EXPECT_EQ(ImporterFor(Write("picture.png", PngFile(Pixels::Pattern(3, 3, false)))), "PNG");
    EXPECT_EQ(ImporterFor(Write("really-a-gif.JPG", GifFile())), "GIF");
    EXPECT_EQ(ImporterFor(Write("no-extension", BmpFile())), "BMP");
    EXPECT_EQ(ImporterFor(Write("a.b.tiff", TiffFile())), "TIFF");
    // By extension the importer is chosen, though it will not find its format in the data.
    EXPECT_EQ(ImporterFor(Write("damaged.TIF", theGarbage)), "invalid");
    EXPECT_EQ(ImporterFor(Write("unknown.xyz", theGarbage)), std::to_string(cantFindHandler));
    EXPECT_EQ(ImporterFor(Write("empty.gif", {})), "invalid");
    EXPECT_EQ(ImporterFor(mFolder + "/missing.png"), std::to_string(fnfErr));
}

TEST_F(ImporterTest, DamagedDataFailsCleanly)
{
    const Pixels thePattern = Pixels::Pattern(40, 30, true);
    const std::vector<std::pair<std::string, ByteVector>> theFiles = {
        {"PNG", PngFile(thePattern)}, {"JPEG", JpegFile(thePattern, 3, 72)},
        {"GIF", GifFile()},           {"BMP", BmpFile()},
        {"TIFF", TiffFile()},         {"WebP", vx::codecs::test::WriteWebpWithLibrary(thePattern, false)}};
    for (const auto& [theName, theFile] : theFiles) {
        for (const std::size_t theLength : {std::size_t(0), std::size_t(5), theFile.size() / 2, theFile.size() - 1}) {
            SCOPED_TRACE(theName + " cut to " + std::to_string(theLength));
            ComponentInstance theImporter =
                Importer(theName, ByteVector(theFile.begin(), theFile.begin() + std::ptrdiff_t(theLength)));
            GWorldPtr theWorld = NewWorld(40, 30);
            GraphicsImportSetGWorld(theImporter, theWorld, nullptr);
            Boolean theValid = kFalse;
            ASSERT_EQ(GraphicsImportValidate(theImporter, &theValid), noErr);
            const ComponentResult theDraw = GraphicsImportDraw(theImporter);
            if (theLength < 6) {
                EXPECT_FALSE(theValid);
                EXPECT_NE(theDraw, noErr);
            }
            // Cut files either fail or (for formats that tolerate a missing tail) draw; never crash.
            if (theDraw != noErr) {
                Rect theBounds{};
                GraphicsImportGetNaturalBounds(theImporter, &theBounds);
            }
        }
        // Bytes of the wrong format: -2003 from every call that needs the data.
        ComponentInstance theImporter = Importer(theName, ByteVector(200, 0xEE));
        Rect theBounds{};
        EXPECT_EQ(GraphicsImportGetNaturalBounds(theImporter, &theBounds), cantFindHandler);
        EXPECT_EQ(GraphicsImportDraw(theImporter), cantFindHandler);
        unsigned long theCount = 5;
        EXPECT_EQ(GraphicsImportGetImageCount(theImporter, &theCount), cantFindHandler);
    }
}

TEST_F(ImporterTest, CallsBeforeTheDataAreRefused)
{
    ComponentInstance theImporter = Open(FindNamed(GraphicsImporterComponentType, 0, 0, "PNG"));
    Boolean theValid = kTrue;
    Rect theBounds{};
    unsigned long theCount = 0;
    EXPECT_EQ(GraphicsImportValidate(theImporter, &theValid), paramErr);
    EXPECT_EQ(GraphicsImportGetNaturalBounds(theImporter, &theBounds), paramErr);
    EXPECT_EQ(GraphicsImportGetImageCount(theImporter, &theCount), paramErr);
    EXPECT_EQ(GraphicsImportDraw(theImporter), paramErr);
    EXPECT_EQ(GraphicsImportSetDataHandle(theImporter, nullptr), paramErr);
}

}  // namespace
}  // namespace vxtest
