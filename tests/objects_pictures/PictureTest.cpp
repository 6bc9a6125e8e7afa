// DrawFile and DrawData through the canvas object: every format from a file
// and from bytes, the image a multi-image file is asked for, placement,
// source rectangles, matrices and transfer modes, and failures that must
// leave the canvas as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <automation/ErrorInfo.h>

#include "objects_canvas/CanvasClient.h"
#include "objects_pictures/PictureSupport.h"
#include "vellumax/errors/Settings.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace pictures;

HRESULT VxGetClassObject_Graphic(REFIID inIid, void** outObject);

namespace {

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override { SetErrorInfo(0, nullptr); }

    static std::string DrawData(vx::Client& ioCanvas, const ByteVector& inBytes, const char* inType,
                                const std::string& inParams)
    {
        return ioCanvas.Call("DrawData", inBytes, inType, inParams).AsString();
    }
};

// Twelve colours that no format's coding can confuse with each other.
const std::vector<std::uint32_t> kTwelve = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF,
                                            0xFF000000, 0xFFFFFFFF, 0xFF808080, 0xFF800000, 0xFF008000, 0xFF000080};

int LargestDifference(const Pixels& inExpected, const Pixels& inActual)
{
    return vx::codecs::test::MaxDifference(inExpected, inActual);
}

// The same inside blocks of inBlock pixels, a quarter block away from their edges.
int LargestDifferenceInsideBlocks(const Pixels& inExpected, const Pixels& inActual, std::uint32_t inBlock)
{
    if (inExpected.mWidth != inActual.mWidth || inExpected.mHeight != inActual.mHeight)
        return 256;
    int theLargest = 0;
    for (std::uint32_t theY = 0; theY < inExpected.mHeight; ++theY)
        for (std::uint32_t theX = 0; theX < inExpected.mWidth; ++theX) {
            const std::uint32_t theInX = theX % inBlock;
            const std::uint32_t theInY = theY % inBlock;
            if (theInX < inBlock / 4 || theInX >= inBlock * 3 / 4 || theInY < inBlock / 4 || theInY >= inBlock * 3 / 4)
                continue;
            for (int theChannel = 0; theChannel < 4; ++theChannel)
                theLargest = std::max(theLargest, std::abs(int(inExpected.At(theX, theY)[theChannel]) -
                                                           int(inActual.At(theX, theY)[theChannel])));
        }
    return theLargest;
}

TEST_F(PictureTest, EveryFormatDrawsFromFileAndFromBytesOntoANeverSizedCanvas)
{
    // JPEG keeps flat areas: 16 × 16 blocks of one colour each, compared away from their edges.
    constexpr std::uint32_t kBlock = 16;
    const Pixels theSmall = MakePixels(4, 3, kTwelve);
    std::vector<std::uint32_t> theBlocks(4 * kBlock * 2 * kBlock);
    for (std::uint32_t theIndex = 0; theIndex < theBlocks.size(); ++theIndex)
        theBlocks[theIndex] = kTwelve[(theIndex % (4 * kBlock) / kBlock + theIndex / (4 * kBlock) / kBlock * 4) % 12];
    const Pixels theBlocky = MakePixels(4 * kBlock, 2 * kBlock, theBlocks);
    const auto theDifference = [&](Format inFormat, const Pixels& inExpected, const Pixels& inActual) {
        return inFormat == Format::kJpeg ? LargestDifferenceInsideBlocks(inExpected, inActual, kBlock)
                                         : LargestDifference(inExpected, inActual);
    };
    for (const FormatCase& theCase : kFormats) {
        const Pixels& thePicture = theCase.mFormat == Format::kJpeg ? theBlocky : theSmall;
        const ByteVector theBytes = Encode(theCase.mFormat, thePicture);
        const std::string theSize =
            "0,0," + std::to_string(thePicture.mWidth) + "," + std::to_string(thePicture.mHeight);
        // From bytes: with the format named, and found by trial with no type at all.
        for (const char* theType : {theCase.mName, ""}) {
            vx::Client theCanvas = CreateCanvas();
            EXPECT_EQ(DrawData(theCanvas, theBytes, theType, ""), theSize) << theCase.mName << " " << theType;
            ASSERT_TRUE(theCanvas.Ok()) << theCase.mName << ": " << theCanvas.LastError().mDescription;
            EXPECT_LE(theDifference(theCase.mFormat, thePicture, CanvasPixels(theCanvas)), theCase.mTolerance)
                << theCase.mName;
        }
        // From a file, by content and by extension alike.
        const TempFile theFile(theCase.mName, theBytes);
        vx::Client theCanvas = CreateCanvas();
        EXPECT_EQ(theCanvas.Call("DrawFile", theFile.Path(), "").AsString(), theSize) << theCase.mName;
        ASSERT_TRUE(theCanvas.Ok()) << theCase.mName << ": " << theCanvas.LastError().mDescription;
        EXPECT_LE(theDifference(theCase.mFormat, thePicture, CanvasPixels(theCanvas)), theCase.mTolerance)
            << theCase.mName;
        EXPECT_EQ(theCanvas.Get("Width").AsLong(), LONG(thePicture.mWidth));
    }
}

TEST_F(PictureTest, MultiImageFilesDrawTheImageChosen)
{
    const std::vector<Pixels> theImages = {MakePixels(3, 2, {0xFFFF0000}), MakePixels(3, 2, {0xFF0000FF}),
                                           MakePixels(3, 2, {0xFF00FF00})};
    for (const Format theFormat : {Format::kGif, Format::kTiff}) {
        const ByteVector theBytes = EncodeImages(theFormat, theImages);
        for (int theImage = 1; theImage <= 3; ++theImage) {
            vx::Client theCanvas = FilledCanvas(3, 2, "white");
            DrawData(theCanvas, theBytes, "", "image=" + std::to_string(theImage));
            ASSERT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
            EXPECT_EQ(Argb(CanvasPixels(theCanvas), 1, 1), Argb(theImages[std::size_t(theImage - 1)], 1, 1))
                << int(theFormat) << " image " << theImage;
        }
        vx::Client theCanvas = FilledCanvas(3, 2, "white");
        DrawData(theCanvas, theBytes, "", "image=4");
        EXPECT_THAT(
            theCanvas.LastError().mDescription,
            StartsWith("A QuickTime error occurred indicating that the parameters given were incorrect (-50).\n"));
        EXPECT_EQ(Argb(CanvasPixels(theCanvas), 1, 1), 0xFFFFFFFFu);
    }
}

// One source pixel on one canvas pixel, each mode's arithmetic pinned by
// chosen values: canvas (100, 150, 200), operation colour (160, 255, 40).
TEST_F(PictureTest, TransferModesCombineAsTheirDefinitionsSay)
{
    struct Row {
        const char* mParams;
        std::uint32_t mSource;    // 0xAARRGGBB
        std::uint32_t mExpected;  // 0x00RRGGBB
    };
    const std::vector<Row> kRows = {
        {"mode=copy", 0xFF781E5A, 0x781E5A},
        {"mode=addpin", 0xFF781E5A, 0xA0B428},   // min(s + d, op): 160, 180, 40
        {"mode=addover", 0xFF781E5A, 0xDCB422},  // (s + d) mod 256: 220, 180, 34
        {"mode=subpin", 0xFF781E5A, 0xA0FF6E},   // max(d − s, op): 160, 255, 110
        {"mode=addmax", 0xFF781E5A, 0x7896C8},   // 120, 150, 200
        {"mode=subover", 0xFF781E5A, 0xEC786E},  // (d − s) mod 256: 236, 120, 110
        {"mode=addmin", 0xFF781E5A, 0x641E5A},   // 100, 30, 90
        {"mode=addmax dither=true", 0xFF781E5A, 0x7896C8},
        {"mode=transparent", 0x80781E5A, 0x6E5A91},    // (s·a + d·(255 − a)) / 255: 110, 90, 145
        {"mode=prewhitealpha", 0x80781E5A, 0x2B003F},  // s + (d − 255)(255 − a) / 255: 43, 0 (floor), 63
        {"mode=preblackalpha", 0x80781E5A, 0xAA69BE},  // s + d(255 − a) / 255: 170, 105, 190
        {"mode=blend", 0x80781E5A, 0x6A5ABF},          // weight a·op / 255 per channel: 106, 90, 191
        {"mode=blend", 0xFF781E5A, 0x711EB7},          // opaque: weights 160, 255, 40 give 113, 30, 183
    };
    const std::string theOperation = " modecolor=" + PercentColor(160, 255, 40);
    const std::string theCanvasColor = PercentColor(100, 150, 200);
    for (const Row& theRow : kRows) {
        vx::Client theCanvas = FilledCanvas(4, 4, theCanvasColor.c_str());
        const ByteVector thePicture = Encode(Format::kPng, MakePixels(2, 2, {theRow.mSource}));
        EXPECT_EQ(DrawData(theCanvas, thePicture, "png", std::string("pos=1,1 ") + theRow.mParams + theOperation),
                  "1,1,3,3");
        ASSERT_TRUE(theCanvas.Ok()) << theRow.mParams << ": " << theCanvas.LastError().mDescription;
        const Pixels thePixels = CanvasPixels(theCanvas);
        EXPECT_EQ(Argb(thePixels, 2, 2) & 0xFFFFFF, theRow.mExpected) << theRow.mParams << std::hex;
        EXPECT_EQ(Argb(thePixels, 0, 0), 0xFF6496C8u) << theRow.mParams;
        EXPECT_EQ(Argb(thePixels, 3, 3), 0xFF6496C8u) << theRow.mParams;
    }
}

TEST_F(PictureTest, PlacementSourceRectangleAndMatrix)
{
    // Left half red, right half blue.
    std::vector<std::uint32_t> theHalves(8 * 4);
    for (std::size_t theIndex = 0; theIndex < theHalves.size(); ++theIndex)
        theHalves[theIndex] = theIndex % 8 < 4 ? 0xFFFF0000 : 0xFF0000FF;
    const ByteVector theBytes = Encode(Format::kPng, MakePixels(8, 4, theHalves));

    // Position alone moves the natural rectangle.
    vx::Client theMoved = FilledCanvas(12, 6, "white");
    EXPECT_EQ(DrawData(theMoved, theBytes, "png", "pos=3,1"), "3,1,11,5");
    Pixels thePixels = CanvasPixels(theMoved);
    EXPECT_EQ(Argb(thePixels, 2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(Argb(thePixels, 3, 1), 0xFFFF0000u);
    EXPECT_EQ(Argb(thePixels, 10, 4), 0xFF0000FFu);
    EXPECT_EQ(Argb(thePixels, 11, 4), 0xFFFFFFFFu);

    // The natural rectangle is mapped onto the destination; only the source
    // rectangle's part of it is drawn (here the right half, stretched twice as high).
    vx::Client theCut = FilledCanvas(8, 8, "white");
    EXPECT_EQ(DrawData(theCut, theBytes, "png", "srcrect=4,0,8,4 rect=0,0,8,8"), "0,0,8,8");
    thePixels = CanvasPixels(theCut);
    for (std::uint32_t theY = 0; theY < 8; ++theY)
        for (std::uint32_t theX = 0; theX < 8; ++theX)
            ASSERT_EQ(Argb(thePixels, theX, theY), theX < 4 ? 0xFFFFFFFFu : 0xFF0000FFu) << theX << "," << theY;

    // Fitting keeps the proportions and never enlarges.
    vx::Client theFitted = FilledCanvas(120, 120, "white");
    const ByteVector theWide = Encode(Format::kPng, MakePixels(200, 100, {0xFF00FF00}));
    EXPECT_EQ(DrawData(theFitted, theWide, "png", "fit=true rect=10,10,110,110 halign=middle valign=middle"),
              "10,35,110,85");
    thePixels = CanvasPixels(theFitted);
    EXPECT_EQ(Argb(thePixels, 60, 34), 0xFFFFFFFFu);
    EXPECT_EQ(Argb(thePixels, 60, 35), 0xFF00FF00u);
    EXPECT_EQ(Argb(thePixels, 109, 84), 0xFF00FF00u);
    EXPECT_EQ(Argb(thePixels, 60, 85), 0xFFFFFFFFu);
}

// A quarter turn about the picture's centre maps pixel centres onto pixel
// centres, so every pixel keeps its exact colour at its new place.
TEST_F(PictureTest, QuarterTurnMovesEveryPixelExactly)
{
    std::vector<std::uint32_t> theColors;
    for (std::uint32_t theIndex = 0; theIndex < 16; ++theIndex)
        theColors.push_back(0xFF000000 | theIndex * 0x0F0D0B);
    const Pixels thePicture = MakePixels(4, 4, theColors);
    vx::Client theCanvas = FilledCanvas(4, 4, "white");
    DrawData(theCanvas, Encode(Format::kPng, thePicture), "png", "rotate=90,2,2");
    ASSERT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
    const Pixels theTurned = CanvasPixels(theCanvas);
    // Positive angles turn from the x axis towards the y axis, which points down.
    for (std::uint32_t theY = 0; theY < 4; ++theY)
        for (std::uint32_t theX = 0; theX < 4; ++theX)
            EXPECT_EQ(Argb(theTurned, 3 - theY, theX), Argb(thePicture, theX, theY)) << theX << "," << theY;
}

TEST_F(PictureTest, ReportsNameTheDataAndTheFile)
{
    vx::Client theCanvas = FilledCanvas(5, 5, "white");
    DrawData(theCanvas, ByteVector{1, 2, 3}, "png", "");
    EXPECT_THAT(theCanvas.LastError().mDescription,
                HasSubstr("\n\n\nDraw Data: Data={3 bytes} Type={png} Parameters={} Canvas={Width=5 Height=5"));
    const ByteVector theTwelve = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0};
    DrawData(theCanvas, theTwelve, "", "");
    EXPECT_THAT(theCanvas.LastError().mDescription,
                HasSubstr("Draw Data: Data={12 bytes, 0x474e5089 0x0a1a0a0d ...} Type={}"));
    const std::string theMissing = (std::filesystem::temp_directory_path() / "vx-no-such-picture.png").string();
    theCanvas.Call("DrawFile", theMissing, "pos=1,1");
    EXPECT_EQ(theCanvas.LastError().mCode, E_FAIL);
    EXPECT_THAT(theCanvas.LastError().mDescription,
                StartsWith("A QuickTime error occurred indicating that the file was not found (-43).\n\n\n"
                           "Draw File: File={" +
                           theMissing + "} Parameters={pos=1,1} Canvas={Width=5"));
}

// Bytes no importer takes, cut-off files and hostile sizes: the call fails
// with the platform's text, and the canvas keeps every pixel, or stays without any.
TEST_F(PictureTest, PicturesThatCannotBeDrawnLeaveTheCanvasAsItWas)
{
    std::vector<std::uint32_t> theNoise(64 * 64);
    std::uint32_t theSeed = 5;
    for (std::uint32_t& theColor : theNoise)
        theColor = 0xFF000000 | (theSeed = theSeed * 1103515245u + 12345u) >> 8;
    const Pixels theNoisy = MakePixels(64, 64, theNoise);
    const ByteVector thePng = Encode(Format::kPng, theNoisy);
    const ByteVector theJpeg = Encode(Format::kJpeg, theNoisy);
    const ByteVector theGif = Encode(Format::kGif, MakePixels(64, 64, kTwelve));

    // A JPEG whose frame header claims 20000 × 20000.
    ByteVector theHugeJpeg = theJpeg;
    for (std::size_t thePos = 2; thePos + 9 < theHugeJpeg.size(); ++thePos)
        if (theHugeJpeg[thePos] == 0xFF && theHugeJpeg[thePos + 1] == 0xC0) {
            for (const std::size_t theField : {thePos + 5, thePos + 7}) {
                theHugeJpeg[theField] = 20000 >> 8;
                theHugeJpeg[theField + 1] = 20000 & 0xFF;
            }
            break;
        }
    // A GIF whose screen and frame claim 65535 × 65535.
    ByteVector theHugeGif = theGif;
    for (const std::size_t theField : {6u, 8u})
        theHugeGif[theField] = theHugeGif[theField + 1] = 0xFF;
    for (std::size_t thePos = 13 + 3 * 256; thePos + 9 < theHugeGif.size(); ++thePos)
        if (theHugeGif[thePos] == 0x2C) {
            for (const std::size_t theField : {thePos + 5, thePos + 7})
                theHugeGif[theField] = theHugeGif[theField + 1] = 0xFF;
            break;
        }

    const std::vector<std::pair<const char*, ByteVector>> kCases = {
        {"not a picture", ByteVector{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}},
        {"empty", ByteVector{}},
        {"truncated png", ByteVector(thePng.begin(), thePng.begin() + std::ptrdiff_t(thePng.size() / 2))},
        {"truncated jpeg", ByteVector(theJpeg.begin(), theJpeg.begin() + std::ptrdiff_t(theJpeg.size() / 3))},
        {"truncated gif", ByteVector(theGif.begin(), theGif.begin() + std::ptrdiff_t(theGif.size() - 20))},
        {"huge jpeg", theHugeJpeg},
        {"huge gif", theHugeGif},
    };
    for (const auto& [theName, theBytes] : kCases) {
        vx::Client theCanvas = FilledCanvas(16, 16, "0,50,100");
        DrawData(theCanvas, Encode(Format::kPng, MakePixels(16, 16, kTwelve)), "png", "");
        const Pixels theBefore = CanvasPixels(theCanvas);
        DrawData(theCanvas, theBytes, "", "rect=0,0,16,16");
        EXPECT_EQ(theCanvas.LastError().mCode, E_FAIL) << theName;
        // A size the header declares is refused before decoding, by the pixel limit or the side limit.
        const char* theStart = "A QuickTime error";
        if (theBytes == theHugeJpeg)
            theStart = "A picture of 20000 x 20000 pixels is larger than the limit of 4194304 pixels set by MaxPixels.";
        else if (theBytes == theHugeGif)
            theStart = "A picture of 65535 x 65535 pixels has a side over 32767 pixels";
        EXPECT_THAT(theCanvas.LastError().mDescription, StartsWith(theStart)) << theName;
        EXPECT_EQ(LargestDifference(theBefore, CanvasPixels(theCanvas)), 0) << theName;

        vx::Client theFresh = CreateCanvas();
        DrawData(theFresh, theBytes, "", "");
        EXPECT_EQ(theFresh.LastError().mCode, E_FAIL) << theName;
        EXPECT_EQ(theFresh.Get("Width").AsLong(), 0) << theName;
        EXPECT_EQ(theFresh.Get("HBITMAP").AsLong(), 0) << theName;
    }
    vx::Client theCanvas = CreateCanvas();
    DrawData(theCanvas, kCases[0].second, "", "");
    EXPECT_THAT(theCanvas.LastError().mDescription,
                StartsWith("A QuickTime error occurred indicating that it does not support this type of image "
                           "(-2003).\n\n\nDraw Data: Data={13 bytes, "));
}

// The MaxPixels setting bounds a picture by the size its header declares, from
// a file or from bytes, before anything is decoded; Graphic, which only reads
// headers, still describes it.
TEST_F(PictureTest, MaxPixelsBoundsDecodedPictures)
{
    // A registry of its own: tests running beside this one must not see the setting.
    const PrivateRegistry theRegistry("picture-maxpixels");

    WriteSetting(kMaxPixelsSetting, 30 * 20);
    const ByteVector theFits = Encode(Format::kPng, MakePixels(30, 20, kTwelve));
    const ByteVector theOver = Encode(Format::kPng, MakePixels(31, 20, kTwelve));
    const TempFile theFile("png", theOver);
    const std::string kMessage = "A picture of 31 x 20 pixels is larger than the limit of 600 pixels set by MaxPixels.";
    for (const bool theFromFile : {false, true}) {
        vx::Client theCanvas = FilledCanvas(20, 20, "0,50,100");
        const Pixels theBefore = CanvasPixels(theCanvas);
        if (theFromFile)
            theCanvas.Call("DrawFile", theFile.Path(), "");
        else
            DrawData(theCanvas, theOver, "png", "");
        EXPECT_EQ(theCanvas.LastError().mCode, E_FAIL);
        EXPECT_THAT(theCanvas.LastError().mDescription, StartsWith(kMessage)) << theFromFile;
        EXPECT_EQ(LargestDifference(theBefore, CanvasPixels(theCanvas)), 0);
        DrawData(theCanvas, theFits, "png", "");
        EXPECT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
    }
    vx::Client theGraphic = CreateByFactory(&VxGetClassObject_Graphic);
    theGraphic.Call("SetData", theOver, "png");
    ASSERT_TRUE(theGraphic.Ok());
    const std::vector<vx::Variant> theImages = vx::Client(theGraphic.Get("GraphicImages").AsDispatch()).Enumerate();
    ASSERT_EQ(theImages.size(), 1u);
    EXPECT_EQ(vx::Client(theImages[0].AsDispatch()).Get("Rectangle").AsString(), "0,0,31,20");
    WriteSetting(kMaxPixelsSetting, 0);
}

}  // namespace
