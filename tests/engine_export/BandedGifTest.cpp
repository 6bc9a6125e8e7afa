// A GIF of the fixed table is made from the canvas a band of rows at a time.
// Its bytes must be those of the whole-picture way: the canvas copied, the
// copy re-fitted to 8 bits and the GIF written from the copy's indices; random
// pictures of every depth and size around the band's height, with every
// option that changes how rows are read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "StorePaint.h"
#include "imaging/Errors.h"
#include "imaging/QuickDraw.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/ExportOperation.h"
#include "vellumax/formats/Writegif.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Random colours, in runs so that neighbouring pixels are sometimes alike.
void PaintRandomly(Bitmap& ioStore, int inWidth, int inHeight, int inDepth, std::mt19937& ioRandom)
{
    Rgba theColor{0, 0, 0, 0xFF};
    const auto theRuns = [&](int, int) {
        if (ioRandom() % 4 == 0) {
            const std::uint32_t theBits = ioRandom();
            theColor = {std::uint8_t(theBits), std::uint8_t(theBits >> 8), std::uint8_t(theBits >> 16), 0xFF};
        }
        return theColor;
    };
    PaintStore(ioStore, inWidth, inHeight, theRuns, inDepth);
}

// The whole-picture way, kept here as the model.
Bytes WholePictureGif(Bitmap& inCanvas, std::int32_t inTransparentX, std::int32_t inTransparentY, bool inInterlace,
                      GifCodes inCodes)
{
    Bitmap theCopy;
    theCopy.SetWidth(inCanvas.GetWidth());
    theCopy.SetHeight(inCanvas.GetHeight());
    theCopy.SetDepth(inCanvas.GetDepth());
    EXPECT_EQ(theCopy.Update(), noErr);
    Rect theBounds;
    GetPortBounds(inCanvas.GetGWorld(), &theBounds);
    theCopy.BeginDraw();
    CopyBits(GetPortBitMapForCopyBits(inCanvas.GetGWorld()), GetPortBitMapForCopyBits(theCopy.GetGWorld()), &theBounds,
             &theBounds, srcCopy, nullptr);
    theCopy.EndDraw();
    theCopy.SetDepth(8);
    EXPECT_EQ(theCopy.Update(), noErr);
    Bitmap::PixelAccess thePixels;
    EXPECT_TRUE(theCopy.Lock(thePixels));
    const CTabHandle theTable = (*GetGWorldPixMap(theCopy.GetGWorld()))->pmTable;
    GifColorEntry theColors[256] = {};
    for (int theIndex = 0; theIndex <= (*theTable)->ctSize && theIndex < 256; ++theIndex) {
        const ColorSpec& theEntry = (*theTable)->ctTable[theIndex];
        theColors[theIndex] = {std::uint16_t(theEntry.value),
                               {theEntry.rgb.red, theEntry.rgb.green, theEntry.rgb.blue}};
    }
    const auto* theBase = reinterpret_cast<const std::uint8_t*>(thePixels.mBase);
    const std::int32_t theTransparent =
        inTransparentX < 0 ? -1 : theBase[inTransparentY * thePixels.mRowBytes + inTransparentX];
    std::int32_t theLength = 0;
    const GifBytes theGif =
        EncodeGif(theCopy.GetWidth(), theCopy.GetHeight(), 256, theColors, theTransparent, std::uint8_t(inInterlace),
                  std::int32_t(thePixels.mRowBytes), theBase, theLength, inCodes);
    theCopy.Unlock();
    return Bytes(theGif.get(), theGif.get() + theLength);
}

TEST(BandedGif, BytesEqualTheWholePictureWay)
{
    std::mt19937 theRandom(21);
    const int kDepths[] = {1, 2, 4, 8, 16, 32};
    for (int theCase = 0; theCase < 60; ++theCase) {
        const int theDepth = kDepths[theCase % 6];
        // Heights around one and two bands, and single rows and columns.
        const int theWidth = 1 + int(theRandom() % 90);
        const int theHeight = theCase % 5 == 0 ? 1 : 1 + int(theRandom() % 200);
        const bool theInterlace = theRandom() % 2 == 0;
        const bool theCompress = theRandom() % 3 == 0;
        const bool theTransparent = theRandom() % 2 == 0;
        const int theX = int(theRandom() % unsigned(theWidth));
        const int theY = int(theRandom() % unsigned(theHeight));
        SCOPED_TRACE(std::to_string(theWidth) + " x " + std::to_string(theHeight) + " at depth " +
                     std::to_string(theDepth) + (theInterlace ? ", interlaced" : "") +
                     (theCompress ? ", compressed" : "") + (theTransparent ? ", transparent" : ""));
        Bitmap theCanvas;
        PaintRandomly(theCanvas, theWidth, theHeight, theDepth, theRandom);
        // The canvas's own dithering never reaches the GIF.
        theCanvas.SetDither(std::int32_t(theRandom() % 2));
        std::string theParams = theInterlace ? "interlace=1" : "";
        if (theCompress)
            theParams += " compress=true";
        if (theTransparent)
            theParams += " transparent=" + std::to_string(theX) + "," + std::to_string(theY);
        ExportOperation theOperation("Get As:");
        theOperation.GetParameters()->Depth = theCanvas.GetDepth();
        theOperation.SetType("gif");
        theOperation.SetParameterString(theParams.c_str());
        theOperation.Run(theCanvas, Operation::RunCheck::kRecordAndCheck);
        ASSERT_FALSE(theOperation.GetErrorReport()->HasError()) << theOperation.GetErrorReport()->Message();
        const Bytes theBanded(theOperation.GetDataPointer(),
                              theOperation.GetDataPointer() + theOperation.GetDataSize());
        ASSERT_EQ(theBanded, WholePictureGif(theCanvas, theTransparent ? theX : -1, theY, theInterlace,
                                             theCompress ? GifCodes::kCompressed : GifCodes::kLiteral));
        // Written straight into the caller's place when the length is known first: the same bytes.
        Bytes thePlace;
        ExportOperation theDirect("Get As:");
        theDirect.GetParameters()->Depth = theCanvas.GetDepth();
        theDirect.SetType("gif");
        theDirect.SetParameterString(theParams.c_str());
        theDirect.SetOutputPlace([&thePlace](std::size_t inLength) {
            thePlace.assign(inLength, 0xEE);
            return thePlace.data();
        });
        theDirect.Run(theCanvas, Operation::RunCheck::kRecordAndCheck);
        ASSERT_FALSE(theDirect.GetErrorReport()->HasError());
        EXPECT_EQ(theDirect.WroteToOutputPlace(), !theCompress);
        if (!theCompress) {
            EXPECT_EQ(thePlace, theBanded);
        }
    }
}

// A row source that runs dry fails the picture instead of writing what it has.
TEST(BandedGif, ARowThatCannotBeMadeFailsTheFile)
{
    const GifColorEntry theColors[2] = {{0, {0, 0, 0}}, {1, {0xFFFF, 0xFFFF, 0xFFFF}}};
    const std::uint8_t theRow[4] = {0, 1, 0, 1};
    for (const std::uint8_t theInterlace : {0, 1})
        for (const GifCodes theCodes : {GifCodes::kLiteral, GifCodes::kCompressed}) {
            std::int32_t theLength = 7;
            const GifBytes theGif = EncodeGifRows(
                4, 20, 2, theColors, -1, theInterlace,
                [&](std::int32_t inRow) { return inRow == 13 ? nullptr : theRow; }, theLength, theCodes);
            EXPECT_EQ(theGif, nullptr);
            EXPECT_EQ(theLength, 0);
        }
}

}  // namespace
