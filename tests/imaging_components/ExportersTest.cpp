// Exporters: every format read back by its own library (BMP by a parse here), quality, interlace and
// depth settings and their unsupported answers, handles that grow, files written and replaced.
#include "ImportFiles.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace vxtest {
namespace {

using vx::codecs::test::MaxDifference;

using ExporterTest = ComponentsTest;

// Bit depth, colour type and interlace method from a PNG's header chunk.
struct PngHeader {
    int mBitDepth = 0;
    int mColorType = -1;
    int mInterlace = -1;
};

PngHeader ReadPngHeader(const ByteVector& inFile)
{
    PngHeader theHeader;
    if (inFile.size() < 29 || std::memcmp(inFile.data() + 12, "IHDR", 4) != 0)
        return theHeader;
    theHeader.mBitDepth = inFile[24];
    theHeader.mColorType = inFile[25];
    theHeader.mInterlace = inFile[28];
    return theHeader;
}

struct JpegHeader {
    int mComponents = 0;
    bool mProgressive = false;
};

JpegHeader ReadJpegHeader(const ByteVector& inFile)
{
    jpeg_decompress_struct theInfo{};
    jpeg_error_mgr theErrors{};
    theInfo.err = jpeg_std_error(&theErrors);
    jpeg_create_decompress(&theInfo);
    jpeg_mem_src(&theInfo, inFile.data(), static_cast<unsigned long>(inFile.size()));
    jpeg_read_header(&theInfo, TRUE);
    const JpegHeader theHeader{theInfo.num_components, jpeg_has_multiple_scans(&theInfo) != 0};
    jpeg_destroy_decompress(&theInfo);
    return theHeader;
}

std::uint32_t LE(const ByteVector& inBytes, std::size_t inAt, int inSize)
{
    std::uint32_t theValue = 0;
    for (int theByte = inSize - 1; theByte >= 0; --theByte)
        theValue = theValue << 8 | inBytes.at(inAt + std::size_t(theByte));
    return theValue;
}

// A BMP of 24 or 32 bits per pixel, bottom-up, as a picture; its bit count in outBits.
Pixels ReadBmp(const ByteVector& inFile, int* outBits)
{
    Pixels thePixels;
    if (inFile.size() < 54 || inFile[0] != 'B' || inFile[1] != 'M')
        return thePixels;
    const std::uint32_t theOffset = LE(inFile, 10, 4);
    const std::int32_t theHeight = std::int32_t(LE(inFile, 22, 4));
    const int theBits = int(LE(inFile, 28, 2));
    *outBits = theBits;
    if (theBits != 24 && theBits != 32)
        return thePixels;
    thePixels.mWidth = LE(inFile, 18, 4);
    thePixels.mHeight = std::uint32_t(std::abs(theHeight));
    const std::size_t theRowBytes = (std::size_t(thePixels.mWidth) * std::size_t(theBits) + 31) / 32 * 4;
    for (std::uint32_t theY = 0; theY < thePixels.mHeight; ++theY) {
        const std::uint32_t theStored = theHeight > 0 ? thePixels.mHeight - 1 - theY : theY;
        for (std::uint32_t theX = 0; theX < thePixels.mWidth; ++theX) {
            const std::size_t theAt =
                theOffset + theStored * theRowBytes + std::size_t(theX) * std::size_t(theBits / 8);
            thePixels.mBgra.insert(thePixels.mBgra.end(), {inFile.at(theAt), inFile.at(theAt + 1), inFile.at(theAt + 2),
                                                           std::uint8_t(theBits == 32 ? inFile.at(theAt + 3) : 255)});
        }
    }
    return thePixels;
}

Pixels ReadBack(const std::string& inFormat, const ByteVector& inFile)
{
    using namespace vx::codecs::test;
    if (inFormat == "PNG")
        return ReadPngWithLibrary(inFile);
    if (inFormat == "JPEG")
        return ReadJpegWithLibrary(inFile);
    if (inFormat == "TIFF")
        return ReadTiffWithLibrary(inFile);
    if (inFormat == "WebP")
        return ReadWebpWithLibrary(inFile);
    int theBits = 0;
    return ReadBmp(inFile, &theBits);
}

class ExportRun : public ExporterTest {
protected:
    // Exports the world with the named exporter into a new handle; the bytes, or empty on failure.
    ByteVector Export(const std::string& inName, GWorldPtr inWorld,
                      const std::function<void(ComponentInstance)>& inSettings = {})
    {
        ComponentInstance theExporter = Exporter(inName);
        Handle theOutput = NewEmptyHandle();
        EXPECT_EQ(GraphicsExportSetInputGWorld(theExporter, inWorld), noErr);
        EXPECT_EQ(GraphicsExportSetOutputHandle(theExporter, theOutput), noErr);
        if (inSettings)
            inSettings(theExporter);
        unsigned long theWritten = 0;
        const ComponentResult theResult = GraphicsExportDoExport(theExporter, &theWritten);
        EXPECT_EQ(theResult, noErr) << inName;
        EXPECT_EQ(Size(theWritten), GetHandleSize(theOutput));
        return theResult == noErr ? BytesOf(theOutput) : ByteVector();
    }
};

TEST_F(ExportRun, EveryExporterWritesWhatItsLibraryReadsBack)
{
    const Pixels theOpaque = Pixels::Pattern(37, 23, false);
    const Pixels theAlpha = Pixels::Pattern(37, 23, true);
    struct Case {
        std::string mName;
        const Pixels* mPicture;
        CodecQ mQuality;
        int mTolerance;
    };
    const Case theCases[] = {
        {"PNG", &theAlpha, 512, 0},    {"PNG", &theOpaque, 0, 0},     {"BMP", &theOpaque, 512, 0},
        {"BMP", &theAlpha, 512, 0},    {"TIFF", &theAlpha, 512, 2},   {"TIFF", &theOpaque, 1024, 0},
        {"WebP", &theAlpha, 1024, 0},  {"WebP", &theOpaque, 512, 24}, {"JPEG", &theOpaque, 1023, 6},
        {"JPEG", &theOpaque, 512, 24},
    };
    // libtiff premultiplies on reading, so alpha pictures come back a little off.
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mName + " quality " + std::to_string(theCase.mQuality));
        const ByteVector theFile = Export(theCase.mName, WorldOf(*theCase.mPicture), [&](ComponentInstance inExporter) {
            if (theCase.mName != "BMP") {
                EXPECT_EQ(GraphicsExportSetCompressionQuality(inExporter, theCase.mQuality), noErr);
            }
        });
        EXPECT_LE(MaxDifference(*theCase.mPicture, ReadBack(theCase.mName, theFile)), theCase.mTolerance);
    }
}

TEST_F(ExportRun, TheOutputHandleGrowsToHoldTheFile)
{
    GWorldPtr theWorld = WorldOf(Pixels::Pattern(300, 200, false));
    const std::vector<std::pair<std::string, ByteVector>> theSignatures = {{"PNG", {0x89, 'P', 'N', 'G'}},
                                                                           {"JPEG", {0xFF, 0xD8, 0xFF}},
                                                                           {"BMP", {'B', 'M'}},
                                                                           {"TIFF", {'I', 'I', 42, 0}},
                                                                           {"WebP", {'R', 'I', 'F', 'F'}}};
    for (const auto& [theName, theSignature] : theSignatures) {
        const ByteVector theFile = Export(theName, theWorld);
        ASSERT_GT(theFile.size(), 100u) << theName;
        if (theName == "TIFF" && theFile[0] == 'M')
            continue;  // either byte order is a TIFF
        EXPECT_TRUE(std::equal(theSignature.begin(), theSignature.end(), theFile.begin())) << theName;
    }
    // A handle that already holds more is cut to the file's size.
    ComponentInstance theExporter = Exporter("PNG");
    Handle theOutput = HandleOf(ByteVector(1 << 20, 0x77));
    GraphicsExportSetInputGWorld(theExporter, theWorld);
    GraphicsExportSetOutputHandle(theExporter, theOutput);
    unsigned long theWritten = 0;
    ASSERT_EQ(GraphicsExportDoExport(theExporter, &theWritten), noErr);
    EXPECT_EQ(GetHandleSize(theOutput), Size(theWritten));
    EXPECT_LT(theWritten, 1u << 20);
}

TEST_F(ExportRun, InputWorldsOfEveryDepthAreExported)
{
    for (const int theDepth : {1, 2, 4, 8, 16}) {
        SCOPED_TRACE(theDepth);
        GWorldPtr theWorld = NewWorld(6, 4, theDepth);
        const Rect theLeft{0, 0, 4, 3};
        CGrafPtr theOldPort = nullptr;
        GDHandle theOldDevice = nullptr;
        GetGWorld(&theOldPort, &theOldDevice);
        SetGWorld(theWorld, nullptr);
        const RGBColor theBlack{0, 0, 0};
        RGBForeColor(&theBlack);
        PaintRect(&theLeft);
        SetGWorld(theOldPort, theOldDevice);
        const Pixels theRead = vx::codecs::test::ReadPngWithLibrary(Export("PNG", theWorld));
        ASSERT_EQ(theRead.mWidth, 6u);
        const std::uint8_t theBlackPixel[4] = {0, 0, 0, 255};
        const std::uint8_t theWhitePixel[4] = {255, 255, 255, 255};
        EXPECT_EQ(std::memcmp(theRead.At(0, 0), theBlackPixel, 4), 0);
        EXPECT_EQ(std::memcmp(theRead.At(2, 3), theBlackPixel, 4), 0);
        EXPECT_EQ(std::memcmp(theRead.At(3, 0), theWhitePixel, 4), 0);
        EXPECT_EQ(std::memcmp(theRead.At(5, 3), theWhitePixel, 4), 0);
    }
}

TEST_F(ExportRun, InterlacingIsProgressiveJpegAndAdam7PngAndUnsupportedElsewhere)
{
    GWorldPtr theWorld = WorldOf(Pixels::Pattern(64, 48, false));
    auto theInterlaced = [](ComponentInstance inExporter) {
        EXPECT_EQ(GraphicsExportSetInterlaceStyle(inExporter, kQTPhotoDefineInterlaceStyleOn), noErr);
    };
    EXPECT_EQ(ReadPngHeader(Export("PNG", theWorld, theInterlaced)).mInterlace, 1);
    EXPECT_EQ(ReadPngHeader(Export("PNG", theWorld)).mInterlace, 0);
    EXPECT_TRUE(ReadJpegHeader(Export("JPEG", theWorld, theInterlaced)).mProgressive);
    EXPECT_FALSE(ReadJpegHeader(Export("JPEG", theWorld)).mProgressive);
    for (const std::string theName : {"BMP", "TIFF", "WebP"}) {
        ComponentInstance theExporter = Exporter(theName);
        EXPECT_EQ(GraphicsExportSetInterlaceStyle(theExporter, kQTPhotoDefineInterlaceStyleOn), badComponentSelector);
        EXPECT_EQ(GraphicsExportSetInterlaceStyle(theExporter, kQTPhotoDefineInterlaceStyleNone), noErr);
    }
    EXPECT_EQ(GraphicsExportSetInterlaceStyle(Exporter("PNG"), 2), paramErr);
}

TEST_F(ExportRun, QualityMovesTheLossyCodecsAndIsRefusedWhereThereIsNone)
{
    GWorldPtr theWorld = WorldOf(Pixels::Pattern(128, 96, false));
    auto theQuality = [](CodecQ inQuality) {
        return [inQuality](ComponentInstance inExporter) {
            EXPECT_EQ(GraphicsExportSetCompressionQuality(inExporter, inQuality), noErr);
        };
    };
    EXPECT_LT(Export("JPEG", theWorld, theQuality(codecMinQuality)).size(),
              Export("JPEG", theWorld, theQuality(codecMaxQuality)).size());
    EXPECT_LT(Export("WebP", theWorld, theQuality(256)).size(), Export("WebP", theWorld, theQuality(1023)).size());
    EXPECT_EQ(GraphicsExportSetCompressionQuality(Exporter("BMP"), codecNormalQuality), badComponentSelector);
    EXPECT_EQ(GraphicsExportSetCompressionQuality(Exporter("JPEG"), codecLosslessQuality + 1), paramErr);
}

TEST_F(ExportRun, DepthsMapToTheFormatsFormsOrAreUnsupported)
{
    GWorldPtr theWorld = WorldOf(Pixels::Pattern(16, 16, false));
    struct Case {
        std::string mName;
        long mDepth;
        ComponentResult mResult;
    };
    const Case theCases[] = {
        {"PNG", 1, noErr},
        {"PNG", 2, noErr},
        {"PNG", 8, noErr},
        {"PNG", 16, noErr},
        {"PNG", 24, noErr},
        {"PNG", 32, noErr},
        {"PNG", 3, paramErr},
        {"PNG", 64, paramErr},
        {"JPEG", 8, noErr},
        {"JPEG", 24, noErr},
        {"JPEG", 1, badComponentSelector},
        {"JPEG", 4, badComponentSelector},
        {"BMP", 1, noErr},
        {"BMP", 4, noErr},
        {"BMP", 16, noErr},
        {"TIFF", 1, noErr},
        {"TIFF", 8, noErr},
        {"WebP", 24, noErr},
        {"WebP", 8, badComponentSelector},
        {"WebP", 1, badComponentSelector},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mName + " " + std::to_string(theCase.mDepth));
        ComponentInstance theExporter = Exporter(theCase.mName);
        EXPECT_EQ(GraphicsExportSetDepth(theExporter, theCase.mDepth), theCase.mResult);
        // Whatever was refused, the exporter still exports.
        Handle theOutput = NewEmptyHandle();
        GraphicsExportSetInputGWorld(theExporter, theWorld);
        GraphicsExportSetOutputHandle(theExporter, theOutput);
        EXPECT_EQ(GraphicsExportDoExport(theExporter, nullptr), noErr);
    }
    auto theDepth = [](long inDepth) {
        return
            [inDepth](ComponentInstance inExporter) { EXPECT_EQ(GraphicsExportSetDepth(inExporter, inDepth), noErr); };
    };
    EXPECT_EQ(ReadPngHeader(Export("PNG", theWorld, theDepth(1))).mBitDepth, 1);
    EXPECT_EQ(ReadPngHeader(Export("PNG", theWorld, theDepth(8))).mColorType, 3);  // palette
    EXPECT_EQ(ReadPngHeader(Export("PNG", theWorld, theDepth(24))).mColorType, 2);
    EXPECT_EQ(ReadJpegHeader(Export("JPEG", theWorld, theDepth(8))).mComponents, 1);
    int theBits = 0;
    ReadBmp(Export("BMP", theWorld, theDepth(16)), &theBits);
    EXPECT_EQ(theBits, 16);
    ReadBmp(Export("BMP", theWorld, theDepth(4)), &theBits);
    EXPECT_EQ(theBits, 8);
}

TEST_F(ExportRun, ExportNeedsInputAndOutput)
{
    ComponentInstance theExporter = Exporter("PNG");
    EXPECT_EQ(GraphicsExportDoExport(theExporter, nullptr), paramErr);
    EXPECT_EQ(GraphicsExportSetInputGWorld(theExporter, nullptr), paramErr);
    EXPECT_EQ(GraphicsExportSetInputGWorld(theExporter, NewWorld(4, 4)), noErr);
    EXPECT_EQ(GraphicsExportDoExport(theExporter, nullptr), paramErr);
    EXPECT_EQ(GraphicsExportSetOutputHandle(theExporter, nullptr), paramErr);
}

TEST_F(ExportRun, DefaultExtensionsAreFourCharacters)
{
    const std::vector<std::pair<std::string, OSType>> theCases = {{"PNG", FourCharCode("png ")},
                                                                  {"JPEG", FourCharCode("jpg ")},
                                                                  {"BMP", FourCharCode("bmp ")},
                                                                  {"TIFF", FourCharCode("tif ")},
                                                                  {"WebP", FourCharCode("webp")}};
    for (const auto& [theName, theExtension] : theCases) {
        OSType theAnswer = 0;
        EXPECT_EQ(GraphicsExportGetDefaultFileNameExtension(Exporter(theName), &theAnswer), noErr);
        EXPECT_EQ(theAnswer, theExtension) << theName;
    }
}

class ExportFileTest : public ExportRun {
protected:
    void SetUp() override
    {
        ExportRun::SetUp();
        char theTemplate[] = "/tmp/vx-exporters-XXXXXX";
        ASSERT_NE(mkdtemp(theTemplate), nullptr);
        mFolder = theTemplate;
    }
    void TearDown() override
    {
        std::filesystem::remove_all(mFolder);
        ExportRun::TearDown();
    }
    static ByteVector ReadFile(const std::string& inPath)
    {
        std::ifstream theStream(inPath, std::ios::binary);
        return ByteVector(std::istreambuf_iterator<char>(theStream), std::istreambuf_iterator<char>());
    }
    ComponentResult ExportToFile(const std::string& inPath, GWorldPtr inWorld)
    {
        FSSpec theSpec{};
        const OSErr theError = NativePathNameToFSSpec(inPath.c_str(), &theSpec, 0);
        EXPECT_TRUE(theError == noErr || theError == fnfErr || theError == dirNFErr);
        ComponentInstance theExporter = Exporter("PNG");
        EXPECT_EQ(GraphicsExportSetOutputFile(theExporter, &theSpec), noErr);
        if (inWorld != nullptr)
            GraphicsExportSetInputGWorld(theExporter, inWorld);
        return GraphicsExportDoExport(theExporter, nullptr);
    }

    std::string mFolder;
};

TEST_F(ExportFileTest, FilesAreCreatedAndReplacedWithExactlyTheOutput)
{
    const Pixels thePicture = Pixels::Pattern(20, 10, false);
    const std::string thePath = mFolder + "/out.png";
    ASSERT_EQ(ExportToFile(thePath, WorldOf(thePicture)), noErr);
    EXPECT_EQ(MaxDifference(thePicture, vx::codecs::test::ReadPngWithLibrary(ReadFile(thePath))), 0);

    // Over a larger file: nothing of the old content may remain after the new bytes.
    std::ofstream(thePath, std::ios::binary) << std::string(100000, 'x');
    ASSERT_EQ(ExportToFile(thePath, WorldOf(thePicture)), noErr);
    const ByteVector theFile = ReadFile(thePath);
    EXPECT_LT(theFile.size(), 100000u);
    EXPECT_EQ(MaxDifference(thePicture, vx::codecs::test::ReadPngWithLibrary(theFile)), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mFolder), std::filesystem::directory_iterator()), 1);
}

TEST_F(ExportFileTest, AFailedExportLeavesTheOldFileAndCreatesNothing)
{
    const std::string theOld = mFolder + "/old.png";
    std::ofstream(theOld, std::ios::binary) << "old content";
    EXPECT_EQ(ExportToFile(theOld, nullptr), paramErr);
    EXPECT_EQ(ReadFile(theOld), ByteVector({'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't'}));
    EXPECT_NE(ExportToFile(mFolder + "/missing-folder/new.png", WorldOf(Pixels::Pattern(2, 2, false))), noErr);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mFolder), std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace vxtest
