// Export options for pages sent to browsers: adaptive and exact GIF palettes,
// compressed GIF codes, transparent PNG and WebP. Without them every byte is
// as it always was.
#include "GifMemory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <png.h>
#include <webp/decode.h>

#include "StorePaint.h"
#include "bench/compare/Photo.h"
#include "imaging/Errors.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/ExportOperation.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<Rgba> Pixels(Bitmap& inStore)
{
    std::vector<Rgba> thePixels;
    Bitmap::PixelAccess theAccess;
    if (!inStore.Lock(theAccess))
        return thePixels;
    for (int y = 0; y < inStore.GetHeight(); ++y)
        for (int x = 0; x < inStore.GetWidth(); ++x) {
            auto* thePixel = reinterpret_cast<std::uint8_t*>(theAccess.mBase + y * theAccess.mRowBytes + x * 4);
            thePixels.push_back({*Bitmap::RedChannel(thePixel, theAccess.mPixelFormat),
                                 *Bitmap::GreenChannel(thePixel, theAccess.mPixelFormat),
                                 *Bitmap::BlueChannel(thePixel, theAccess.mPixelFormat),
                                 *Bitmap::AlphaChannel(thePixel, theAccess.mPixelFormat)});
        }
    inStore.Unlock();
    return thePixels;
}

// Many colours, none of them on the fixed table's cube.
Rgba Gradient(int inX, int inY)
{
    return {std::uint8_t(inX * 7 + 1), std::uint8_t(inY * 5 + 2), std::uint8_t((inX + inY) * 3 + 4), 0xFF};
}

Bytes GetAs(Bitmap& ioCanvas, const char* inType, const char* inParams, std::string* outError = nullptr)
{
    ExportOperation theOperation("Get As:");
    theOperation.GetParameters()->Depth = ioCanvas.GetDepth();
    theOperation.GetParameters()->Dither = ioCanvas.GetDither();
    theOperation.SetType(inType);
    theOperation.SetParameterString(inParams);
    theOperation.Run(ioCanvas, Operation::RunCheck::kRecordAndCheck);
    ErrorReport& theReport = *theOperation.GetErrorReport();
    if (outError != nullptr)
        *outError = theReport.HasError() ? theReport.Message() : std::string();
    const std::uint8_t* theData = theOperation.GetDataPointer();
    return theData ? Bytes(theData, theData + theOperation.GetDataSize()) : Bytes();
}

std::uint64_t Fnv1a(const Bytes& inData)
{
    std::uint64_t theHash = 0xCBF29CE484222325ull;
    for (std::uint8_t theByte : inData)
        theHash = (theHash ^ theByte) * 0x100000001B3ull;
    return theHash;
}

Rgba Photo(int inX, int inY)
{
    unsigned char theRgb[3];
    PhotoPixel(inX, inY, theRgb);
    return {theRgb[0], theRgb[1], theRgb[2], 0xFF};
}

// A page's 17 colours, two of them off the fixed table's cube, in blocks.
constexpr std::uint32_t kPageColors[17] = {0xFFFFFF, 0xE6194B, 0xF0F4F8, 0x3CB44B, 0xFFE119, 0x4363D8,
                                           0xF58231, 0x911EB4, 0x46F0F0, 0xF032E6, 0xBCF60C, 0xFABEBE,
                                           0x008080, 0xE6BEFF, 0x9A6324, 0x800000, 0x000075};

Rgba Page(int inX, int inY)
{
    const std::uint32_t theColor = kPageColors[std::size_t((inX / 13 * 7 + inY / 11 * 3 + inX * inY / 97) % 17)];
    return {std::uint8_t(theColor >> 16), std::uint8_t(theColor >> 8), std::uint8_t(theColor), 0xFF};
}

struct Gif {
    int mWidth = 0;
    int mHeight = 0;
    int mTableSize = 0;
    int mTransparent = -1;
    Bytes mIndices;
    std::vector<Rgba> mPixels;  // opaque colours of the table
};

::testing::AssertionResult DecodeGif(const Bytes& inData, Gif& outGif)
{
    vxtest::GifMemory theReader{&inData};
    int theError = 0;
    GifFileType* theFile = DGifOpen(&theReader, vxtest::ReadGifMemory, &theError);
    if (theFile == nullptr)
        return ::testing::AssertionFailure() << "DGifOpen " << theError;
    if (DGifSlurp(theFile) != GIF_OK || theFile->ImageCount != 1 || theFile->SColorMap == nullptr) {
        DGifCloseFile(theFile, &theError);
        return ::testing::AssertionFailure() << "not one decodable image";
    }
    const SavedImage& theImage = theFile->SavedImages[0];
    outGif.mWidth = theImage.ImageDesc.Width;
    outGif.mHeight = theImage.ImageDesc.Height;
    outGif.mTableSize = theFile->SColorMap->ColorCount;
    outGif.mIndices.assign(theImage.RasterBits,
                           theImage.RasterBits + std::size_t(outGif.mWidth) * std::size_t(outGif.mHeight));
    for (std::uint8_t theIndex : outGif.mIndices) {
        const GifColorType& theColor = theFile->SColorMap->Colors[theIndex];
        outGif.mPixels.push_back({theColor.Red, theColor.Green, theColor.Blue, 0xFF});
    }
    GraphicsControlBlock theControl;
    if (DGifSavedExtensionToGCB(theFile, 0, &theControl) == GIF_OK)
        outGif.mTransparent = theControl.TransparentColor;
    DGifCloseFile(theFile, &theError);
    return ::testing::AssertionSuccess();
}

// Peak signal to noise over red, green and blue, after averaging both
// pictures over inBlock × inBlock squares (1: pixel for pixel).
double Psnr(const std::vector<Rgba>& inA, const std::vector<Rgba>& inB, int inWidth, int inBlock = 1)
{
    const int theHeight = int(inA.size()) / inWidth;
    double theSquares = 0;
    int theCount = 0;
    for (int y = 0; y + inBlock <= theHeight; y += inBlock)
        for (int x = 0; x + inBlock <= inWidth; x += inBlock) {
            double theA[3] = {}, theB[3] = {};
            for (int dy = 0; dy < inBlock; ++dy)
                for (int dx = 0; dx < inBlock; ++dx) {
                    const Rgba& thePixelA = inA[std::size_t((y + dy) * inWidth + x + dx)];
                    const Rgba& thePixelB = inB[std::size_t((y + dy) * inWidth + x + dx)];
                    theA[0] += thePixelA.r, theA[1] += thePixelA.g, theA[2] += thePixelA.b;
                    theB[0] += thePixelB.r, theB[1] += thePixelB.g, theB[2] += thePixelB.b;
                }
            for (int c = 0; c < 3; ++c) {
                const double theDifference = (theA[c] - theB[c]) / (inBlock * inBlock);
                theSquares += theDifference * theDifference;
                ++theCount;
            }
        }
    return 10 * std::log10(255.0 * 255.0 / (theSquares / theCount));
}

// ---- Defaults ------------------------------------------------------------------------

// Hashes of what every format wrote before the web options existed: without
// them not one byte may change.
TEST(WebExportDefaults, OutputsAreByteIdenticalToBefore)
{
    struct HashCase {
        const char* mType;
        const char* mParams;
        std::uint64_t mHash;
    };
    const HashCase kCases[] = {
        {"gif", "", 0xae7dd58d0dd7fc09},
        {"gif", "interlace=true", 0x5debc5160c542344},
        {"gif", "transparent=3,4", 0x4dd9ee9aa4230320},
        {"gif", "palette=fixed compress=false dither=true", 0xae7dd58d0dd7fc09},  // the defaults said aloud
        {"png", "", 0x14015aecf76780ce},  // the smallest exact form since PNG left libpng
        {"webp", "quality=lossless", 0x45d96e9a53962958},
        {"bmp", "", 0xa094ad3d9a904c99},
    };
    Bitmap theCanvas;
    PaintStore(theCanvas, 61, 43, Gradient);
    for (const HashCase& theCase : kCases) {
        SCOPED_TRACE(std::string(theCase.mType) + " " + theCase.mParams);
        std::string theError;
        const Bytes theBytes = GetAs(theCanvas, theCase.mType, theCase.mParams, &theError);
        ASSERT_EQ(theError, "");
        EXPECT_EQ(Fnv1a(theBytes), theCase.mHash) << std::hex << Fnv1a(theBytes);
    }
}

// ---- GIF palettes ---------------------------------------------------------------------

// At most 256 colours: the table is exactly the picture's colours and no pixel
// moves, with or without compression, interlace or dithering, and from an
// 8-bit canvas too.
TEST(WebExportGif, ExactPaletteLeavesEveryPixelAsDrawn)
{
    Bitmap theCanvas;
    PaintStore(theCanvas, 150, 91, Page);
    const std::vector<Rgba> theDrawn = Pixels(theCanvas);
    const Bytes theFixed = GetAs(theCanvas, "gif", "");
    for (const char* theParams : {"palette=adaptive", "palette=Adaptive compress=true",
                                  "palette=adaptive compress=yes interlace=true dither=true"}) {
        SCOPED_TRACE(theParams);
        const Bytes theBytes = GetAs(theCanvas, "gif", theParams);
        Gif theGif;
        ASSERT_TRUE(DecodeGif(theBytes, theGif));
        EXPECT_EQ(theGif.mTableSize, 32);  // 17 colours, to the next power of two
        EXPECT_EQ(theGif.mPixels, theDrawn);
        EXPECT_EQ(theGif.mTransparent, -1);
        if (std::strstr(theParams, "compress") != nullptr) {
            EXPECT_LT(theBytes.size() * 3, theFixed.size());
        }
    }

    theCanvas.SetDepth(8);
    ASSERT_EQ(theCanvas.Update(), noErr);
    Gif theGif;
    ASSERT_TRUE(DecodeGif(GetAs(theCanvas, "gif", "palette=adaptive compress=true"), theGif));
    for (int y = 0; y < theGif.mHeight; ++y)
        for (int x = 0; x < theGif.mWidth; ++x) {
            const ColorValue theColor = theCanvas.GetPixelColor(x, y);
            ASSERT_EQ(theGif.mPixels[std::size_t(y * theGif.mWidth + x)],
                      (Rgba{std::uint8_t(theColor.red >> 8), std::uint8_t(theColor.green >> 8),
                            std::uint8_t(theColor.blue >> 8), 0xFF}))
                << x << "," << y;
        }
}

// Pillow's adaptive palette (median cut, no dithering) on this photo measures
// 35.10 dB; bench/compare/scene.py makes the same picture for it.
constexpr double kPillowAdaptivePsnr = 35.10;

// More than 256 colours: the table is built from the picture, at least as
// faithful as the peer's; error diffusion keeps local averages closer still;
// compression changes no index.
TEST(WebExportGif, AdaptivePaletteOnAPhoto)
{
    Bitmap theCanvas;
    PaintStore(theCanvas, 256, 192, Photo);
    const std::vector<Rgba> theDrawn = Pixels(theCanvas);
    Gif theNearest, theCompressed, theDithered, theFixed;
    ASSERT_TRUE(DecodeGif(GetAs(theCanvas, "gif", "palette=adaptive"), theNearest));
    ASSERT_TRUE(DecodeGif(GetAs(theCanvas, "gif", "palette=adaptive compress=true interlace=true"), theCompressed));
    ASSERT_TRUE(DecodeGif(GetAs(theCanvas, "gif", "palette=adaptive dither=true"), theDithered));
    ASSERT_TRUE(DecodeGif(GetAs(theCanvas, "gif", ""), theFixed));
    EXPECT_EQ(theNearest.mTableSize, 256);
    EXPECT_EQ(theCompressed.mIndices, theNearest.mIndices);

    const double theNearestPsnr = Psnr(theNearest.mPixels, theDrawn, 256);
    EXPECT_GE(theNearestPsnr, kPillowAdaptivePsnr);
    EXPECT_GT(theNearestPsnr, Psnr(theFixed.mPixels, theDrawn, 256) + 5);
    EXPECT_GT(Psnr(theDithered.mPixels, theDrawn, 256, 4), Psnr(theNearest.mPixels, theDrawn, 256, 4));
    EXPECT_NE(theDithered.mIndices, theNearest.mIndices);
}

// The transparent point's colour gets an entry of its own: exactly its pixels
// are transparent, not neighbours the table would have merged with it.
TEST(WebExportGif, TransparentPointKeepsWorkingWithAdaptivePalettes)
{
    static constexpr Rgba kKey{100, 101, 102, 0xFF};
    const auto theKeyed = [](int inX, int inY) {
        if (inX % 17 == 3 && inY % 5 == 1)
            return kKey;
        if (inX % 17 == 4 && inY % 5 == 1)
            return Rgba{101, 101, 102, 0xFF};  // one step off
        return Photo(inX, inY);
    };
    for (auto* thePicture :
         {+theKeyed, +[](int inX, int inY) { return inX % 17 == 3 && inY % 5 == 1 ? kKey : Page(inX, inY); }}) {
        Bitmap theCanvas;
        PaintStore(theCanvas, 120, 80, thePicture);
        const std::vector<Rgba> theDrawn = Pixels(theCanvas);
        for (const char* theParams :
             {"palette=adaptive transparent=3,1", "palette=adaptive dither=true transparent=3,1"}) {
            SCOPED_TRACE(theParams);
            Gif theGif;
            ASSERT_TRUE(DecodeGif(GetAs(theCanvas, "gif", theParams), theGif));
            ASSERT_GE(theGif.mTransparent, 0);
            for (std::size_t i = 0; i < theDrawn.size(); ++i)
                ASSERT_EQ(theGif.mIndices[i] == theGif.mTransparent, theDrawn[i] == kKey) << i;
        }
    }
}

TEST(WebExportGif, UnknownWordsAreRefused)
{
    Bitmap theCanvas;
    PaintStore(theCanvas, 4, 4, Page);
    for (const auto& [theParams, theMessage] :
         {std::pair{"palette=optimal", "Could not understand value of parameter \"palette=optimal\""},
          {"compress=maybe", "Could not understand value of parameter \"compress=maybe\""}}) {
        std::string theError;
        EXPECT_TRUE(GetAs(theCanvas, "gif", theParams, &theError).empty());
        EXPECT_NE(theError.find(theMessage), std::string::npos) << theError;
    }
}

// ---- Transparent PNG and WebP ----------------------------------------------------------

::testing::AssertionResult DecodeRgba(const Bytes& inData, std::vector<Rgba>& outPixels)
{
    outPixels.clear();
    if (inData.size() > 4 && inData[0] == 0x89) {
        png_image theImage{};
        theImage.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&theImage, inData.data(), inData.size()))
            return ::testing::AssertionFailure() << theImage.message;
        theImage.format = PNG_FORMAT_RGBA;
        outPixels.resize(PNG_IMAGE_SIZE(theImage) / 4);
        if (!png_image_finish_read(&theImage, nullptr, outPixels.data(), 0, nullptr))
            return ::testing::AssertionFailure() << theImage.message;
        return ::testing::AssertionSuccess();
    }
    int theWidth = 0, theHeight = 0;
    std::uint8_t* theBytes = WebPDecodeRGBA(inData.data(), inData.size(), &theWidth, &theHeight);
    if (theBytes == nullptr)
        return ::testing::AssertionFailure() << "neither PNG nor WebP";
    outPixels.resize(std::size_t(theWidth) * std::size_t(theHeight));
    std::memcpy(outPixels.data(), theBytes, outPixels.size() * 4);
    WebPFree(theBytes);
    return ::testing::AssertionSuccess();
}

Rgba Translucent(int inX, int inY)
{
    Rgba theColor = Page(inX, inY);
    if (inX == 7 && inY == 3)
        theColor.a = 0x80;  // drawn translucent: keeps its alpha
    return theColor;
}

// Pixels of the point's colour get alpha 0, the rest keep theirs, in PNG and
// (lossless or not) WebP; the canvas itself is untouched, and formats without
// alpha are written as they were.
TEST(WebExportAlpha, TransparentPointClearsItsColourInPngAndWebp)
{
    Bitmap theCanvas;
    PaintStore(theCanvas, 40, 30, Translucent);
    const std::vector<Rgba> theDrawn = Pixels(theCanvas);
    const Rgba theKey = theDrawn[std::size_t(29 * 40 + 39)];
    for (const auto& [theType, theParams] : {std::pair{"png", "transparent=39,29"},
                                             {"image/png", "transparent=99,99 interlace=1"},
                                             {"webp", "transparent=39,29 quality=lossless"},
                                             {"webp", "transparent=39,29"}}) {
        SCOPED_TRACE(std::string(theType) + " " + theParams);
        std::vector<Rgba> thePixels;
        ASSERT_TRUE(DecodeRgba(GetAs(theCanvas, theType, theParams), thePixels));
        ASSERT_EQ(thePixels.size(), theDrawn.size());
        for (std::size_t i = 0; i < theDrawn.size(); ++i) {
            const Rgba& theWanted = theDrawn[i];
            const bool theCleared = theWanted.r == theKey.r && theWanted.g == theKey.g && theWanted.b == theKey.b;
            ASSERT_EQ(thePixels[i].a, theCleared ? 0 : theWanted.a) << i;
        }
    }
    EXPECT_EQ(Pixels(theCanvas), theDrawn);
    for (const char* theType : {"bmp", "jpeg", "image/tiff"})
        EXPECT_EQ(GetAs(theCanvas, theType, "transparent=39,29"), GetAs(theCanvas, theType, "")) << theType;
}

// New and erased pixels are opaque unless the store is asked for the colour's
// alpha; then both new strips and Erase take it, and drawn pixels stay.
TEST(WebExportAlpha, NaturalAlphaReachesNewAndErasedPixelsOnlyWhenAsked)
{
    ColorValue theClear = ColorValue::White();
    theClear.alpha = 0x4000;
    for (const Bitmap::NaturalAlpha theMode : {Bitmap::NaturalAlpha::kOpaque, Bitmap::NaturalAlpha::kFromColor}) {
        const std::uint8_t theAlpha = theMode == Bitmap::NaturalAlpha::kOpaque ? 0xFF : 0x40;
        Bitmap theStore;
        theStore.SetNaturalColor(theClear);
        theStore.SetNaturalAlpha(theMode);
        PaintStore(theStore, 5, 4, Page);  // painted over the new pixels
        theStore.SetWidth(8);
        theStore.SetHeight(6);
        ASSERT_EQ(theStore.Update(), noErr);
        std::vector<Rgba> thePixels = Pixels(theStore);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(thePixels[std::size_t(y * 8 + x)],
                          x < 5 && y < 4 ? Page(x, y) : (Rgba{0xFF, 0xFF, 0xFF, theAlpha}))
                    << x << "," << y;
        ASSERT_EQ(theStore.Erase(), noErr);
        EXPECT_EQ(Pixels(theStore), std::vector<Rgba>(48, Rgba{0xFF, 0xFF, 0xFF, theAlpha}));
    }
}

}  // namespace
