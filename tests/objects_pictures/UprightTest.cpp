// upright=true and GraphicImage.Orientation: JPEGs with an EXIF block of each
// of the eight orientations, made here, drawn turned as a viewer shows them.
// The expected picture is built from the EXIF definitions (a mirror, then
// quarter turns clockwise), not from the server's table of pixel mappings.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "objects_canvas/CanvasClient.h"
#include "objects_pictures/PictureSupport.h"

HRESULT VxGetClassObject_Graphic(REFIID inIid, void** outObject);

namespace {

using namespace pictures;

// The picture as stored: 32 x 16, four quadrants of colours no coding confuses.
const std::uint32_t kQuadrants[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};

Pixels Stored()
{
    std::vector<std::uint32_t> theArgb;
    for (std::uint32_t y = 0; y < 16; ++y)
        for (std::uint32_t x = 0; x < 32; ++x)
            theArgb.push_back(kQuadrants[(y >= 8 ? 2 : 0) + (x >= 16 ? 1 : 0)]);
    return MakePixels(32, 16, theArgb);
}

Pixels Mirrored(const Pixels& inPixels)
{
    Pixels theResult{inPixels.mWidth, inPixels.mHeight, inPixels.mBgra};
    for (std::uint32_t y = 0; y < inPixels.mHeight; ++y)
        for (std::uint32_t x = 0; x < inPixels.mWidth; ++x)
            std::copy_n(inPixels.At(inPixels.mWidth - 1 - x, y), 4,
                        theResult.mBgra.begin() + (std::size_t(y) * inPixels.mWidth + x) * 4);
    return theResult;
}

// A quarter turn clockwise: the left column becomes the top row.
Pixels TurnedRight(const Pixels& inPixels)
{
    Pixels theResult{inPixels.mHeight, inPixels.mWidth, inPixels.mBgra};
    for (std::uint32_t y = 0; y < inPixels.mHeight; ++y)
        for (std::uint32_t x = 0; x < inPixels.mWidth; ++x) {
            const std::uint32_t theX = inPixels.mHeight - 1 - y;
            const std::uint32_t theY = x;
            std::copy_n(inPixels.At(x, y), 4,
                        theResult.mBgra.begin() + (std::size_t(theY) * theResult.mWidth + theX) * 4);
        }
    return theResult;
}

// EXIF: 1 as stored, 2 mirrored, 3 turned 180, 4 mirrored and turned 180,
// 5 mirrored and turned 270, 6 turned 90, 7 mirrored and turned 90, 8 turned 270.
Pixels Seen(int inOrientation)
{
    constexpr int kMirror[9] = {0, 0, 1, 0, 1, 1, 0, 1, 0};
    constexpr int kQuarters[9] = {0, 0, 0, 2, 2, 3, 1, 1, 3};
    Pixels thePixels = Stored();
    if (kMirror[inOrientation] != 0)
        thePixels = Mirrored(thePixels);
    for (int i = 0; i < kQuarters[inOrientation]; ++i)
        thePixels = TurnedRight(thePixels);
    return thePixels;
}

// The JPEG with an APP1 EXIF block holding only the orientation, in either byte order.
ByteVector WithOrientation(const ByteVector& inJpeg, int inOrientation, bool inLittleEndian)
{
    const auto theShort = [&](std::uint16_t inValue) {
        return inLittleEndian ? ByteVector{std::uint8_t(inValue), std::uint8_t(inValue >> 8)}
                              : ByteVector{std::uint8_t(inValue >> 8), std::uint8_t(inValue)};
    };
    const auto theLong = [&](std::uint32_t inValue) {
        ByteVector theLow = theShort(std::uint16_t(inValue)), theHigh = theShort(std::uint16_t(inValue >> 16));
        if (inLittleEndian)
            theLow.insert(theLow.end(), theHigh.begin(), theHigh.end());
        else
            theHigh.insert(theHigh.end(), theLow.begin(), theLow.end());
        return inLittleEndian ? theLow : theHigh;
    };
    ByteVector theTiff = inLittleEndian ? ByteVector{'I', 'I'} : ByteVector{'M', 'M'};
    for (const ByteVector& thePart : {theShort(42), theLong(8), theShort(1), theShort(0x0112), theShort(3), theLong(1),
                                      theShort(std::uint16_t(inOrientation)), theShort(0), theLong(0)})
        theTiff.insert(theTiff.end(), thePart.begin(), thePart.end());
    ByteVector theSegment{'E', 'x', 'i', 'f', 0, 0};
    theSegment.insert(theSegment.end(), theTiff.begin(), theTiff.end());
    const std::size_t theLength = theSegment.size() + 2;
    // SOI, then the block.
    ByteVector theJpeg{0xFF, 0xD8, 0xFF, 0xE1, std::uint8_t(theLength >> 8), std::uint8_t(theLength)};
    theJpeg.reserve(theJpeg.size() + theSegment.size() + inJpeg.size());
    theJpeg.insert(theJpeg.end(), theSegment.begin(), theSegment.end());
    theJpeg.insert(theJpeg.end(), inJpeg.begin() + 2, inJpeg.end());
    return theJpeg;
}

// Channels of the quadrant centres, which is all a lossy coding keeps exactly enough.
int LargestQuadrantDifference(const Pixels& inExpected, const Pixels& inActual)
{
    if (inExpected.mWidth != inActual.mWidth || inExpected.mHeight != inActual.mHeight)
        return 256;
    int theLargest = 0;
    for (const std::uint32_t theX : {inExpected.mWidth / 4, inExpected.mWidth * 3 / 4})
        for (const std::uint32_t theY : {inExpected.mHeight / 4, inExpected.mHeight * 3 / 4})
            for (int c = 0; c < 4; ++c)
                theLargest =
                    std::max(theLargest, std::abs(int(inExpected.At(theX, theY)[c]) - int(inActual.At(theX, theY)[c])));
    return theLargest;
}

vx::Client ImageOf(const ByteVector& inBytes)
{
    vx::Client theGraphic = CreateByFactory(&VxGetClassObject_Graphic);
    theGraphic.Call("SetData", inBytes, "jpeg");
    EXPECT_TRUE(theGraphic.Ok()) << theGraphic.LastError().mDescription;
    const std::vector<vx::Variant> theImages = vx::Client(theGraphic.Get("GraphicImages").AsDispatch()).Enumerate();
    EXPECT_EQ(theImages.size(), 1u);
    return vx::Client(theImages.empty() ? nullptr : theImages[0].AsDispatch());
}

TEST(UprightTest, EveryOrientationDrawsAsAViewerShowsIt)
{
    const ByteVector theJpeg = Encode(Format::kJpeg, Stored());
    for (int theOrientation = 1; theOrientation <= 8; ++theOrientation)
        for (const bool theLittle : {false, true}) {
            SCOPED_TRACE("orientation " + std::to_string(theOrientation) + (theLittle ? " II" : " MM"));
            const ByteVector theBytes = WithOrientation(theJpeg, theOrientation, theLittle);
            const Pixels theSeen = Seen(theOrientation);
            const std::string theSize = "0,0," + std::to_string(theSeen.mWidth) + "," + std::to_string(theSeen.mHeight);

            vx::Client theUpright = CreateCanvas();
            EXPECT_EQ(theUpright.Call("DrawData", theBytes, "jpeg", "upright=true").AsString(), theSize);
            ASSERT_TRUE(theUpright.Ok()) << theUpright.LastError().mDescription;
            EXPECT_LE(LargestQuadrantDifference(theSeen, CanvasPixels(theUpright)), 40);

            // Without the keyword the picture is drawn as stored.
            vx::Client theStored = CreateCanvas();
            EXPECT_EQ(theStored.Call("DrawData", theBytes, "jpeg", "").AsString(), "0,0,32,16");
            EXPECT_LE(LargestQuadrantDifference(Stored(), CanvasPixels(theStored)), 40);

            vx::Client theImage = ImageOf(theBytes);
            EXPECT_EQ(theImage.Get("Orientation").AsLong(), theOrientation);
            EXPECT_EQ(theImage.Get("Rectangle").AsString(), "0,0,32,16");
            EXPECT_EQ(theImage.Get("UprightRectangle").AsString(), theSize);
        }
}

TEST(UprightTest, PlacementAndShrinkingApplyToTheUprightPicture)
{
    // Turned a quarter (6), 16 x 32 upright, drawn at half size into a placed rectangle,
    // by both reduction filters: the Lanczos one takes the turned picture whole rather than
    // row by row from the decoder.
    const ByteVector theBytes = WithOrientation(Encode(Format::kJpeg, Stored()), 6, false);
    for (const std::string theFilter : {"", " resample=lanczos"}) {
        SCOPED_TRACE(theFilter);
        vx::Client theCanvas = FilledCanvas(40, 40, "0,0,0");
        EXPECT_EQ(theCanvas.Call("DrawData", theBytes, "jpeg", "upright=true rect=4,4,12,20" + theFilter).AsString(),
                  "4,4,12,20");
        ASSERT_TRUE(theCanvas.Ok()) << theCanvas.LastError().mDescription;
        const Pixels theSeen = Seen(6);
        const Pixels theCanvasPixels = CanvasPixels(theCanvas);
        for (const std::uint32_t theX : {4u, 12u})
            for (const std::uint32_t theY : {8u, 24u}) {
                const std::uint8_t* theExpected = theSeen.At(theX, theY);
                const std::uint8_t* theActual = theCanvasPixels.At(4 + theX / 2, 4 + theY / 2);
                for (int c = 0; c < 3; ++c)
                    EXPECT_NEAR(theActual[c], theExpected[c], 40) << theX << "," << theY;
            }
    }
}

TEST(UprightTest, UnreadableOrMissingOrientationsMeanAsStored)
{
    const ByteVector theJpeg = Encode(Format::kJpeg, Stored());
    // Big-endian block: SOI, marker and length, "Exif\0\0", "MM", 42 at 14, the directory's offset at 16.
    ByteVector theNotTiff = WithOrientation(theJpeg, 6, false);
    theNotTiff[15] = 43;
    ByteVector theFarDirectory = WithOrientation(theJpeg, 6, false);
    theFarDirectory[19] = 0xF0;  // beyond the block
    for (const ByteVector& theBytes : {theJpeg, WithOrientation(theJpeg, 9, true), WithOrientation(theJpeg, 0, false),
                                       theNotTiff, theFarDirectory}) {
        vx::Client theImage = ImageOf(theBytes);
        EXPECT_EQ(theImage.Get("Orientation").AsLong(), 1);
        EXPECT_EQ(theImage.Get("UprightRectangle").AsString(), "0,0,32,16");
    }
    // A PNG has no EXIF orientation here: upright draws it as it is.
    vx::Client theCanvas = CreateCanvas();
    EXPECT_EQ(theCanvas.Call("DrawData", Encode(Format::kPng, Stored()), "png", "upright=true").AsString(),
              "0,0,32,16");
}

}  // namespace
