#include "GifMemory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <dirent.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/decode.h>

#include "StorePaint.h"
#include "automation/Errors.h"
#include "imaging/Errors.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/ExportOperation.h"
#include "vellumax/errors/ErrorTexts.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// Every value is a level of the 8-bit store's colour cube, so the reduction to
// 256 colours is exact and GIF pixels can be compared one for one.
constexpr std::uint8_t kLevel[6] = {0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF};

Rgb PatternColor(int inX, int inY)
{
    return {kLevel[inX % 6], kLevel[inY % 6], kLevel[(inX / 6 + inY / 6) % 6]};
}

void Paint(Bitmap& ioStore, int inWidth, int inHeight, Rgb (*inColor)(int, int), std::int32_t inDepth = 32)
{
    const auto theOpaque = [inColor](int inX, int inY) {
        const Rgb theColor = inColor(inX, inY);
        return Rgba{theColor.r, theColor.g, theColor.b, 0xFF};
    };
    PaintStore(ioStore, inWidth, inHeight, theOpaque, inDepth);
}

// ---- Decoders ------------------------------------------------------------------------

struct Picture {
    int mWidth = 0;
    int mHeight = 0;
    std::vector<Rgb> mPixels;
    Rgb At(int inX, int inY) const { return mPixels[std::size_t(inY) * mWidth + inX]; }
};

struct GifPicture : Picture {
    Bytes mIndices;
    int mTransparent = -1;
    bool mInterlaced = false;
};

::testing::AssertionResult DecodeGif(const Bytes& inData, GifPicture& outPicture)
{
    vxtest::GifMemory theReader{&inData};
    int theError = 0;
    GifFileType* theFile = DGifOpen(&theReader, vxtest::ReadGifMemory, &theError);
    if (theFile == nullptr)
        return ::testing::AssertionFailure() << "DGifOpen: " << theError;
    if (DGifSlurp(theFile) != GIF_OK || theFile->ImageCount != 1) {
        DGifCloseFile(theFile, &theError);
        return ::testing::AssertionFailure() << "not one decodable image";
    }
    const SavedImage& theImage = theFile->SavedImages[0];
    const ColorMapObject* theMap = theImage.ImageDesc.ColorMap ? theImage.ImageDesc.ColorMap : theFile->SColorMap;
    outPicture.mWidth = theImage.ImageDesc.Width;
    outPicture.mHeight = theImage.ImageDesc.Height;
    outPicture.mInterlaced = theImage.ImageDesc.Interlace;
    const std::size_t theCount = std::size_t(outPicture.mWidth) * outPicture.mHeight;
    outPicture.mIndices.assign(theImage.RasterBits, theImage.RasterBits + theCount);
    for (std::uint8_t theIndex : outPicture.mIndices) {
        const GifColorType& theColor = theMap->Colors[theIndex];
        outPicture.mPixels.push_back({theColor.Red, theColor.Green, theColor.Blue});
    }
    GraphicsControlBlock theControl;
    if (DGifSavedExtensionToGCB(theFile, 0, &theControl) == GIF_OK)
        outPicture.mTransparent = theControl.TransparentColor;
    DGifCloseFile(theFile, &theError);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult DecodePng(const Bytes& inData, Picture& outPicture)
{
    png_image theImage{};
    theImage.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&theImage, inData.data(), inData.size()))
        return ::testing::AssertionFailure() << theImage.message;
    theImage.format = PNG_FORMAT_RGB;
    Bytes theBytes(PNG_IMAGE_SIZE(theImage));
    if (!png_image_finish_read(&theImage, nullptr, theBytes.data(), 0, nullptr))
        return ::testing::AssertionFailure() << theImage.message;
    outPicture.mWidth = int(theImage.width);
    outPicture.mHeight = int(theImage.height);
    for (std::size_t i = 0; i + 2 < theBytes.size(); i += 3)
        outPicture.mPixels.push_back({theBytes[i], theBytes[i + 1], theBytes[i + 2]});
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult DecodeJpeg(const Bytes& inData, Picture& outPicture)
{
    jpeg_decompress_struct theInfo{};
    jpeg_error_mgr theErrors{};
    theInfo.err = jpeg_std_error(&theErrors);
    jpeg_create_decompress(&theInfo);
    jpeg_mem_src(&theInfo, inData.data(), (unsigned long)inData.size());
    if (jpeg_read_header(&theInfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&theInfo);
        return ::testing::AssertionFailure() << "no JPEG header";
    }
    theInfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&theInfo);
    outPicture.mWidth = int(theInfo.output_width);
    outPicture.mHeight = int(theInfo.output_height);
    Bytes theRow(std::size_t(theInfo.output_width) * 3);
    while (theInfo.output_scanline < theInfo.output_height) {
        JSAMPROW theRows[1] = {theRow.data()};
        jpeg_read_scanlines(&theInfo, theRows, 1);
        for (std::size_t i = 0; i < theRow.size(); i += 3)
            outPicture.mPixels.push_back({theRow[i], theRow[i + 1], theRow[i + 2]});
    }
    jpeg_finish_decompress(&theInfo);
    jpeg_destroy_decompress(&theInfo);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult DecodeWebp(const Bytes& inData, Picture& outPicture)
{
    std::uint8_t* theBytes = WebPDecodeRGB(inData.data(), inData.size(), &outPicture.mWidth, &outPicture.mHeight);
    if (theBytes == nullptr)
        return ::testing::AssertionFailure() << "not WebP";
    for (std::size_t i = 0; i < std::size_t(outPicture.mWidth) * outPicture.mHeight * 3; i += 3)
        outPicture.mPixels.push_back({theBytes[i], theBytes[i + 1], theBytes[i + 2]});
    WebPFree(theBytes);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult DecodeTiffFile(const std::string& inPath, Picture& outPicture)
{
    TIFF* theFile = TIFFOpen(inPath.c_str(), "r");
    if (theFile == nullptr)
        return ::testing::AssertionFailure() << "not TIFF";
    std::uint32_t theWidth = 0, theHeight = 0;
    TIFFGetField(theFile, TIFFTAG_IMAGEWIDTH, &theWidth);
    TIFFGetField(theFile, TIFFTAG_IMAGELENGTH, &theHeight);
    std::vector<std::uint32_t> theRaster(std::size_t(theWidth) * theHeight);
    const int theRead =
        TIFFReadRGBAImageOriented(theFile, theWidth, theHeight, theRaster.data(), ORIENTATION_TOPLEFT, 0);
    TIFFClose(theFile);
    if (!theRead)
        return ::testing::AssertionFailure() << "TIFF pixels unreadable";
    outPicture.mWidth = int(theWidth);
    outPicture.mHeight = int(theHeight);
    for (std::uint32_t thePixel : theRaster)
        outPicture.mPixels.push_back(
            {std::uint8_t(TIFFGetR(thePixel)), std::uint8_t(TIFFGetG(thePixel)), std::uint8_t(TIFFGetB(thePixel))});
    return ::testing::AssertionSuccess();
}

// Uncompressed 24- or 32-bit files, bottom-up or top-down.
::testing::AssertionResult DecodeBmp(const Bytes& inData, Picture& outPicture)
{
    auto Le = [&](std::size_t inAt, int inBytes) {
        std::uint32_t theValue = 0;
        for (int i = inBytes - 1; i >= 0; --i)
            theValue = (theValue << 8) | inData.at(inAt + i);
        return theValue;
    };
    if (inData.size() < 54 || inData[0] != 'B' || inData[1] != 'M')
        return ::testing::AssertionFailure() << "not BMP";
    const std::uint32_t theOffset = Le(10, 4);
    const int theWidth = int(Le(18, 4));
    const int theSignedHeight = int(Le(22, 4));
    const int theBits = int(Le(28, 2));
    if (Le(30, 4) != 0 && Le(30, 4) != 3)
        return ::testing::AssertionFailure() << "compressed BMP";
    if (theBits != 24 && theBits != 32)
        return ::testing::AssertionFailure() << theBits << "-bit BMP";
    const int theHeight = std::abs(theSignedHeight);
    const std::size_t theStride = (std::size_t(theWidth) * theBits / 8 + 3) & ~std::size_t(3);
    outPicture.mWidth = theWidth;
    outPicture.mHeight = theHeight;
    for (int y = 0; y < theHeight; ++y) {
        const int theRow = theSignedHeight > 0 ? theHeight - 1 - y : y;
        for (int x = 0; x < theWidth; ++x) {
            const std::size_t theAt = theOffset + theRow * theStride + std::size_t(x) * (theBits / 8);
            outPicture.mPixels.push_back({inData.at(theAt + 2), inData.at(theAt + 1), inData.at(theAt)});
        }
    }
    return ::testing::AssertionSuccess();
}

// ---- Helpers -------------------------------------------------------------------------

Bytes Contents(const ExportOperation& inOperation)
{
    auto& theOperation = const_cast<ExportOperation&>(inOperation);
    const std::uint8_t* theData = theOperation.GetDataPointer();
    return theData ? Bytes(theData, theData + theOperation.GetDataSize()) : Bytes();
}

Bytes ReadFile(const std::string& inPath)
{
    std::ifstream theStream(inPath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(theStream), {});
}

void WriteFile(const std::string& inPath, const std::string& inText)
{
    std::ofstream(inPath, std::ios::binary) << inText;
}

std::string Kind(const Bytes& inData)
{
    auto Starts = [&](const char* inMagic, std::size_t inLength, std::size_t inAt = 0) {
        return inData.size() >= inAt + inLength && std::memcmp(inData.data() + inAt, inMagic, inLength) == 0;
    };
    if (Starts("GIF8", 4))
        return "gif";
    if (Starts("\x89PNG", 4))
        return "png";
    if (Starts("\xFF\xD8\xFF", 3))
        return "jpeg";
    if (Starts("BM", 2))
        return "bmp";
    if (Starts("II*\0", 4) || Starts("MM\0*", 4))
        return "tiff";
    if (Starts("RIFF", 4) && Starts("WEBP", 4, 8))
        return "webp";
    return "unknown";
}

// As the canvas runs it: defaults first (the canvas depth), then the argument,
// then the parameter string.
void RunGetAs(ExportOperation& ioOperation, Bitmap& ioCanvas, const char* inType, const char* inParams)
{
    ioOperation.GetParameters()->Depth = ioCanvas.GetDepth();
    ioOperation.GetParameters()->Dither = ioCanvas.GetDither();
    ioOperation.SetType(inType);
    ioOperation.SetParameterString(inParams);
    ioOperation.Run(ioCanvas, Operation::RunCheck::kRecordAndCheck);
}

void RunSaveAs(ExportOperation& ioOperation, Bitmap& ioCanvas, const std::string& inPath, const char* inParams)
{
    ioOperation.GetParameters()->Depth = ioCanvas.GetDepth();
    ioOperation.SetFile(inPath.c_str());
    ioOperation.SetParameterString(inParams);
    ioOperation.Run(ioCanvas, Operation::RunCheck::kRecordAndCheck);
}

std::string ErrorText(ExportOperation& inOperation)
{
    ErrorReport& theReport = *inOperation.GetErrorReport();
    return theReport.HasError() ? theReport.Message() : std::string();
}

std::vector<std::string> FolderEntries(const std::string& inFolder)
{
    std::vector<std::string> theNames;
    if (DIR* theDir = opendir(inFolder.c_str())) {
        while (dirent* theEntry = readdir(theDir))
            if (std::strcmp(theEntry->d_name, ".") != 0 && std::strcmp(theEntry->d_name, ".."))
                theNames.push_back(theEntry->d_name);
        closedir(theDir);
    }
    std::sort(theNames.begin(), theNames.end());
    return theNames;
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* theRoot = std::getenv("VX_TEST_TMP");
        if (theRoot == nullptr)
            theRoot = std::getenv("TMPDIR");
        std::string theTemplate = std::string(theRoot ? theRoot : P_tmpdir) + "/exportXXXXXX";
        ASSERT_NE(mkdtemp(theTemplate.data()), nullptr);
        mFolder = theTemplate;
    }
    void TearDown() override { std::system(("rm -rf '" + mFolder + "'").c_str()); }
    std::string Path(const char* inName) const { return mFolder + "/" + inName; }

    std::string mFolder;
};

// ---- Format choice ------------------------------------------------------------------

struct TypeCase {
    const char* mType;
    const char* mParams;
    const char* mKind;
};

TEST(ExportChoice, TypeAndParameterStringChooseTheFormat)
{
    const TypeCase kCases[] = {
        {"gif", "", "gif"},
        {"GIF Image", "", "gif"},
        {"image/gif", "", "gif"},
        {"IMAGE/GIF", "", "gif"},
        {"picture.GIF", "", "gif"},
        {"gif", "type=image/png", "png"},  // the parameter string comes after the argument
        {"png", "type=gif", "gif"},
        {"image/png", "", "png"},
        {"Image/PNG", "", "png"},
        {".jpg", "", "jpeg"},  // an extension needs its dot
        {"jpeg", "", "jpeg"},  // a description
        {"jpg", "", "bmp"},    // neither: the fallback
        {"image/tiff", "", "tiff"},
        {"webp", "", "webp"},
        {"", "", "bmp"},
        {"nothing-known", "", "bmp"},
        {".bmp", "quality=high interlace=1 depth=thousands", "bmp"},  // settings it lacks are skipped
        {".jpg", "interlace=1 depth=2 quality=min", "jpeg"},
    };
    for (const TypeCase& theCase : kCases) {
        SCOPED_TRACE(std::string(theCase.mType) + " / " + theCase.mParams);
        Bitmap theCanvas;
        Paint(theCanvas, 12, 8, PatternColor);
        ExportOperation theOperation("Get As:");
        RunGetAs(theOperation, theCanvas, theCase.mType, theCase.mParams);
        EXPECT_EQ(ErrorText(theOperation), "");
        EXPECT_EQ(Kind(Contents(theOperation)), theCase.mKind);
    }
}

TEST_F(ExportTest, FilePathChoosesBeforeTheType)
{
    struct FileCase {
        const char* mName;
        const char* mParams;
        const char* mKind;
    };
    const FileCase kCases[] = {
        {"one.GIF", "type=jpeg", "gif"},  // a .gif path always gives GIF
        {"two.png", "type=jpg", "png"},   // an unknown type falls to the path's extension
        {"three.png", "type=image/jpeg", "jpeg"}, {"four.tif", "", "tiff"}, {"five.xyz", "", "bmp"},
    };
    for (const FileCase& theCase : kCases) {
        SCOPED_TRACE(theCase.mName);
        Bitmap theCanvas;
        Paint(theCanvas, 12, 8, PatternColor);
        ExportOperation theOperation("Save As:");
        RunSaveAs(theOperation, theCanvas, Path(theCase.mName), theCase.mParams);
        EXPECT_EQ(ErrorText(theOperation), "");
        EXPECT_EQ(Kind(ReadFile(Path(theCase.mName))), theCase.mKind);
    }
}

TEST_F(ExportTest, BlankPathStopsBeforeExporting)
{
    Bitmap theCanvas;
    Paint(theCanvas, 4, 4, PatternColor);
    ExportOperation theOperation("Save As:");
    RunSaveAs(theOperation, theCanvas, "", "type=gif");
    EXPECT_NE(ErrorText(theOperation).find("File path is blank"), std::string::npos);
    EXPECT_EQ(theOperation.GetDataSize(), 0);
    EXPECT_NE(theOperation.GetReport().find("Save As: File={}"), std::string::npos);
}

// ---- GIF output -----------------------------------------------------------------------

TEST(ExportGif, PixelsOfA32BitCanvasSurviveExactly)
{
    for (const char* theParams : {"", "interlace=1"}) {
        SCOPED_TRACE(theParams);
        Bitmap theCanvas;
        Paint(theCanvas, 37, 23, PatternColor);
        ExportOperation theOperation("Get As:");
        RunGetAs(theOperation, theCanvas, "gif", theParams);
        ASSERT_EQ(ErrorText(theOperation), "");
        GifPicture thePicture;
        ASSERT_TRUE(DecodeGif(Contents(theOperation), thePicture));
        ASSERT_EQ(thePicture.mWidth, 37);
        ASSERT_EQ(thePicture.mHeight, 23);
        EXPECT_EQ(thePicture.mInterlaced, *theParams != '\0');
        EXPECT_EQ(thePicture.mTransparent, -1);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(thePicture.At(x, y), PatternColor(x, y)) << x << "," << y;
        EXPECT_EQ(theCanvas.GetDepth(), 32);  // the reduction works on a copy
    }
}

TEST(ExportGif, An8BitCanvasIsWrittenIndexForIndex)
{
    Bitmap theCanvas;
    Paint(theCanvas, 19, 7, PatternColor, 8);
    Bitmap::PixelAccess thePixels;
    ASSERT_TRUE(theCanvas.Lock(thePixels));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 19; ++x)
            thePixels.mBase[y * thePixels.mRowBytes + x] = char(y * 19 + x + 3);
    theCanvas.Unlock();
    ExportOperation theOperation("Get As:");
    RunGetAs(theOperation, theCanvas, "gif", "");
    GifPicture thePicture;
    ASSERT_TRUE(DecodeGif(Contents(theOperation), thePicture));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 19; ++x)
            ASSERT_EQ(thePicture.mIndices[std::size_t(y) * 19 + x], y * 19 + x + 3);
    EXPECT_EQ(thePicture.At(0, 0), (Rgb{0xFF, 0xFF, 0x66}));  // index 3 of the cube from white down
}

TEST(ExportGif, TransparentPointIsClampedToTheNearestEdge)
{
    struct PointCase {
        const char* mParams;
        LongPoint mUsed;
    };
    const PointCase kCases[] = {
        {"transparent=0,0", {0, 0}},     {"transparent=5,4", {5, 4}},     {"transparent=-7,-2", {0, 0}},
        {"transparent=1000,3", {12, 3}}, {"transparent=2,1000", {2, 10}}, {"transparent=-1,30000", {0, 10}},
    };
    for (const PointCase& theCase : kCases) {
        SCOPED_TRACE(theCase.mParams);
        Bitmap theCanvas;
        Paint(theCanvas, 13, 11, PatternColor);
        ExportOperation theOperation("Get As:");
        RunGetAs(theOperation, theCanvas, "gif", theCase.mParams);
        ASSERT_EQ(ErrorText(theOperation), "");
        EXPECT_EQ(theOperation.GetParameters()->TransparentPoint, theCase.mUsed);
        const Bytes theData = Contents(theOperation);
        ASSERT_GE(theData.size(), 6u);
        EXPECT_EQ(std::string(theData.begin(), theData.begin() + 6), "GIF89a");
        GifPicture thePicture;
        ASSERT_TRUE(DecodeGif(theData, thePicture));
        EXPECT_EQ(thePicture.mTransparent, thePicture.mIndices[std::size_t(theCase.mUsed.y) * 13 + theCase.mUsed.x]);
        // Neighbouring edge pixels differ, so a wrong clamp shows.
        EXPECT_NE(PatternColor(12, 3), PatternColor(11, 3));
    }
}

TEST(ExportGif, DepthParameterHasNoEffect)
{
    Bytes theReference;
    for (const char* theParams : {"", "depth=2", "depth=16", "depth=thousands", "depth=millions"}) {
        SCOPED_TRACE(theParams);
        Bitmap theCanvas;
        Paint(theCanvas, 20, 9, PatternColor);
        ExportOperation theOperation("Get As:");
        RunGetAs(theOperation, theCanvas, "gif", theParams);
        ASSERT_EQ(ErrorText(theOperation), "");
        const Bytes theData = Contents(theOperation);
        if (theReference.empty())
            theReference = theData;
        EXPECT_EQ(theData, theReference);
    }
}

TEST(ExportGif, DitherOnTheCanvasNeverDithersTheGif)
{
    // A colour between the table's entries: dithering would mix neighbouring indices.
    Bitmap theCanvas;
    Paint(theCanvas, 32, 32, [](int, int) { return Rgb{0x40, 0x90, 0x20}; });
    theCanvas.SetDither(1);
    ExportOperation theOperation("Get As:");
    RunGetAs(theOperation, theCanvas, "gif", "dither=1");
    ASSERT_EQ(ErrorText(theOperation), "");
    GifPicture thePicture;
    ASSERT_TRUE(DecodeGif(Contents(theOperation), thePicture));
    for (std::uint8_t theIndex : thePicture.mIndices)
        ASSERT_EQ(theIndex, thePicture.mIndices[0]);
    EXPECT_EQ(thePicture.At(0, 0), (Rgb{0x33, 0x99, 0x33}));  // the nearest cube entry
}

TEST(ExportGif, StoreWithoutPixelsGetsTheDefaultSize)
{
    Bitmap theCanvas;
    ExportOperation theOperation("Get As:");
    RunGetAs(theOperation, theCanvas, "gif", "");
    ASSERT_EQ(ErrorText(theOperation), "");
    GifPicture thePicture;
    ASSERT_TRUE(DecodeGif(Contents(theOperation), thePicture));
    EXPECT_EQ(thePicture.mWidth, 256);
    EXPECT_EQ(thePicture.mHeight, 256);
}

// ---- Files ------------------------------------------------------------------------

TEST_F(ExportTest, SaveAsReplacesAnExistingFile)
{
    for (const char* theName : {"old.gif", "old.png"}) {
        SCOPED_TRACE(theName);
        WriteFile(Path(theName), std::string(100000, 'x'));
        Bitmap theCanvas;
        Paint(theCanvas, 15, 6, PatternColor);
        ExportOperation theOperation("Save As:");
        RunSaveAs(theOperation, theCanvas, Path(theName), "");
        EXPECT_EQ(ErrorText(theOperation), "");
        EXPECT_EQ(theOperation.GetErrorReport()->GetWindowsError(), 0u);
        const Bytes theData = ReadFile(Path(theName));
        Picture thePicture;
        GifPicture theGif;
        ASSERT_TRUE(Kind(theData) == "gif" ? DecodeGif(theData, theGif) : DecodePng(theData, thePicture));
        const Picture& theRead = Kind(theData) == "gif" ? theGif : thePicture;
        ASSERT_EQ(theRead.mWidth, 15);
        EXPECT_EQ(theRead.At(14, 5), PatternColor(14, 5));
    }
    EXPECT_EQ(FolderEntries(mFolder), (std::vector<std::string>{"old.gif", "old.png"}));
}

TEST_F(ExportTest, FailedGifWriteGivesTheSystemErrorAndLeavesNothingBehind)
{
    ASSERT_EQ(mkdir(Path("folder.gif").c_str(), 0777), 0);
    WriteFile(Path("plain"), "not a folder");
    struct FailCase {
        std::string mPath;
        DWORD mError;
    };
    const FailCase kCases[] = {
        {Path("missing/out.gif"), 0},
        {Path("folder.gif"), ERROR_ACCESS_DENIED},  // the target is a folder
        {Path("plain/out.gif"), 0},                 // a file where a folder should be
    };
    for (const FailCase& theCase : kCases) {
        SCOPED_TRACE(theCase.mPath);
        Bitmap theCanvas;
        Paint(theCanvas, 8, 8, PatternColor);
        ExportOperation theOperation("Save As:");
        RunSaveAs(theOperation, theCanvas, theCase.mPath, "");
        const DWORD theError = theOperation.GetErrorReport()->GetWindowsError();
        ASSERT_NE(theError, 0u);
        if (theCase.mError != 0) {
            EXPECT_EQ(theError, theCase.mError);
        }
        std::string theSentence;
        ExplainWindowsError(theSentence, long(theError));
        ASSERT_FALSE(theSentence.empty());
        EXPECT_NE(ErrorText(theOperation).find(theSentence), std::string::npos) << ErrorText(theOperation);
    }
    EXPECT_EQ(FolderEntries(mFolder), (std::vector<std::string>{"folder.gif", "plain"}));
}

TEST_F(ExportTest, UnwritableFolderGivesTheSystemError)
{
    ASSERT_EQ(mkdir(Path("locked").c_str(), 0555), 0);
    Bitmap theCanvas;
    Paint(theCanvas, 8, 8, PatternColor);
    // Folder permissions do not bind the superuser (CI runs as root): the save
    // then runs in a child that has given up its privileges.
    const bool theAsRoot = geteuid() == 0;
    if (theAsRoot) {
        ASSERT_EQ(chmod(mFolder.c_str(), 0711), 0);  // the child may pass through, not write
    }
    const pid_t theChild = theAsRoot ? fork() : 0;
    ASSERT_GE(theChild, 0);
    if (theChild == 0) {
        if (theAsRoot && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        ExportOperation theOperation("Save As:");
        RunSaveAs(theOperation, theCanvas, Path("locked/out.gif"), "");
        const bool theDenied = theOperation.GetErrorReport()->GetWindowsError() == ERROR_ACCESS_DENIED;
        if (theAsRoot)
            _exit(theDenied ? 0 : 1);
        EXPECT_TRUE(theDenied);
    } else {
        int theStatus = 0;
        ASSERT_EQ(waitpid(theChild, &theStatus, 0), theChild);
        ASSERT_TRUE(WIFEXITED(theStatus));
        EXPECT_EQ(WEXITSTATUS(theStatus), 0) << "1: not the access-denied error; 3: could not drop privileges";
    }
    EXPECT_TRUE(FolderEntries(Path("locked")).empty());
    chmod(Path("locked").c_str(), 0755);
}

TEST_F(ExportTest, WriteCutShortKeepsTheOldFile)
{
    // The file size limit makes the write itself fail part-way, even for the superuser.
    const std::string theOld(100, 'o');
    WriteFile(Path("kept.gif"), theOld);
    Bitmap theCanvas;
    Paint(theCanvas, 200, 200, PatternColor);
    rlimit theSaved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &theSaved), 0);
    const auto theHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit theLimit = theSaved;
    theLimit.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &theLimit), 0);
    ExportOperation theOperation("Save As:");
    RunSaveAs(theOperation, theCanvas, Path("kept.gif"), "");
    setrlimit(RLIMIT_FSIZE, &theSaved);
    std::signal(SIGXFSZ, theHandler);

    ErrorReport& theReport = *theOperation.GetErrorReport();
    EXPECT_TRUE(theReport.HasError());
    EXPECT_TRUE(theReport.GetWindowsError() != 0 || theReport.GetQuickTimeError() == ioErr);
    const Bytes theData = ReadFile(Path("kept.gif"));
    EXPECT_EQ(std::string(theData.begin(), theData.end()), theOld);
    EXPECT_EQ(FolderEntries(mFolder), std::vector<std::string>{"kept.gif"});
}

TEST(ExportGif, StaleSystemErrorIsNotReported)
{
    Bitmap theCanvas;
    Paint(theCanvas, 4, 4, PatternColor);
    SetLastError(ERROR_ACCESS_DENIED);
    ExportOperation theOperation("Get As:");
    RunGetAs(theOperation, theCanvas, "gif", "");
    EXPECT_EQ(ErrorText(theOperation), "");
}

// ---- Exporter output read back -------------------------------------------------------

::testing::AssertionResult Near(const Picture& inPicture, int inX, int inY, Rgb inExpected, int inTolerance)
{
    const Rgb theColor = inPicture.At(inX, inY);
    if (std::abs(theColor.r - inExpected.r) > inTolerance || std::abs(theColor.g - inExpected.g) > inTolerance ||
        std::abs(theColor.b - inExpected.b) > inTolerance)
        return ::testing::AssertionFailure() << "at " << inX << "," << inY << ": " << int(theColor.r) << ","
                                             << int(theColor.g) << "," << int(theColor.b);
    return ::testing::AssertionSuccess();
}

// Four flat quadrants, so that lossy formats can be checked away from the edges.
Rgb QuadrantColor(int inX, int inY)
{
    static constexpr Rgb kColors[4] = {{0xE0, 0x20, 0x20}, {0x20, 0xC0, 0x30}, {0x30, 0x40, 0xD0}, {0xF0, 0xF0, 0x40}};
    return kColors[(inX >= 32 ? 1 : 0) + (inY >= 32 ? 2 : 0)];
}

TEST_F(ExportTest, ExporterOutputReadsBackWithTheCodecLibraries)
{
    struct CodecCase {
        const char* mType;
        const char* mParams;
        int mTolerance;  // -1: every pixel exact
    };
    const CodecCase kCases[] = {
        {"image/png", "", -1},
        {"image/png", "interlace=1", -1},
        {"image/bmp", "", -1},
        {"image/tiff", "", -1},
        {"image/jpeg", "quality=high", 24},
        {"image/webp", "quality=max", 24},
        {"image/webp", "quality=lossless", -1},
    };
    for (const CodecCase& theCase : kCases) {
        SCOPED_TRACE(std::string(theCase.mType) + " " + theCase.mParams);
        Bitmap theCanvas;
        Paint(theCanvas, 64, 64, QuadrantColor);
        ExportOperation theOperation("Get As:");
        RunGetAs(theOperation, theCanvas, theCase.mType, theCase.mParams);
        ASSERT_EQ(ErrorText(theOperation), "");
        const Bytes theData = Contents(theOperation);
        ASSERT_EQ(std::int32_t(theData.size()), theOperation.GetDataSize());
        Picture thePicture;
        const std::string theKind = Kind(theData);
        if (theKind == "png") {
            ASSERT_TRUE(DecodePng(theData, thePicture));
        } else if (theKind == "bmp") {
            ASSERT_TRUE(DecodeBmp(theData, thePicture));
        } else if (theKind == "jpeg") {
            ASSERT_TRUE(DecodeJpeg(theData, thePicture));
        } else if (theKind == "webp") {
            ASSERT_TRUE(DecodeWebp(theData, thePicture));
        } else if (theKind == "tiff") {
            std::ofstream(Path("read.tif"), std::ios::binary)
                .write(reinterpret_cast<const char*>(theData.data()), std::streamsize(theData.size()));
            ASSERT_TRUE(DecodeTiffFile(Path("read.tif"), thePicture));
        } else {
            FAIL() << "unexpected output " << theKind;
        }
        ASSERT_EQ(thePicture.mWidth, 64);
        ASSERT_EQ(thePicture.mHeight, 64);
        if (theCase.mTolerance < 0) {
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x)
                    ASSERT_EQ(thePicture.At(x, y), QuadrantColor(x, y)) << x << "," << y;
        } else {
            for (int theY : {8, 16, 48, 56})
                for (int theX : {8, 16, 48, 56})
                    EXPECT_TRUE(Near(thePicture, theX, theY, QuadrantColor(theX, theY), theCase.mTolerance));
        }
    }
}

TEST_F(ExportTest, TiffFileReadsBack)
{
    Bitmap theCanvas;
    Paint(theCanvas, 64, 64, QuadrantColor);
    ExportOperation theOperation("Save As:");
    RunSaveAs(theOperation, theCanvas, Path("out.tiff"), "");
    ASSERT_EQ(ErrorText(theOperation), "");
    Picture thePicture;
    ASSERT_TRUE(DecodeTiffFile(Path("out.tiff"), thePicture));
    EXPECT_EQ(thePicture.At(40, 40), QuadrantColor(40, 40));
    EXPECT_EQ(thePicture.At(3, 60), QuadrantColor(3, 60));
}

TEST_F(ExportTest, MissingFolderFailsTheExporterPathToo)
{
    Bitmap theCanvas;
    Paint(theCanvas, 8, 8, PatternColor);
    ExportOperation theOperation("Save As:");
    RunSaveAs(theOperation, theCanvas, Path("missing/out.png"), "");
    EXPECT_TRUE(theOperation.GetErrorReport()->HasError());
    EXPECT_EQ(theOperation.GetErrorReport()->GetQuickTimeError(), dirNFErr);
    EXPECT_EQ(FolderEntries(mFolder), std::vector<std::string>{});
}

}  // namespace
