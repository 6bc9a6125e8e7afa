// A 1280 × 960 photograph drawn into 320 × 240 must look like the careful
// reduction of it (decoded in full, each 4 × 4 block averaged): through the
// reduced JPEG decode, and through the full decode and the shrinking filter.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "objects_pictures/PictureSupport.h"
#include "objects_pictures/SyntheticPhoto.h"

using namespace pictures;

namespace {

constexpr std::uint32_t kWidth = 1280;
constexpr std::uint32_t kHeight = 960;
constexpr std::uint32_t kFactor = 4;

// Each inFactor × inFactor block's mean, rounded.
Pixels AreaAverage(const Pixels& inPicture, std::uint32_t inFactor)
{
    Pixels theResult{inPicture.mWidth / inFactor, inPicture.mHeight / inFactor, {}};
    theResult.mBgra.resize(std::size_t(theResult.mWidth) * theResult.mHeight * 4);
    for (std::uint32_t theY = 0; theY < theResult.mHeight; ++theY)
        for (std::uint32_t theX = 0; theX < theResult.mWidth; ++theX)
            for (int theChannel = 0; theChannel < 4; ++theChannel) {
                std::uint32_t theSum = 0;
                for (std::uint32_t theDy = 0; theDy < inFactor; ++theDy)
                    for (std::uint32_t theDx = 0; theDx < inFactor; ++theDx)
                        theSum += inPicture.At(theX * inFactor + theDx, theY * inFactor + theDy)[theChannel];
                theResult.mBgra[(std::size_t(theY) * theResult.mWidth + theX) * 4 + std::size_t(theChannel)] =
                    std::uint8_t((theSum + inFactor * inFactor / 2) / (inFactor * inFactor));
            }
    return theResult;
}

// Every inFactor-th pixel: what sampling without a filter gives.
Pixels PointSample(const Pixels& inPicture, std::uint32_t inFactor)
{
    Pixels theResult{inPicture.mWidth / inFactor, inPicture.mHeight / inFactor, {}};
    for (std::uint32_t theY = 0; theY < theResult.mHeight; ++theY)
        for (std::uint32_t theX = 0; theX < theResult.mWidth; ++theX) {
            const std::uint8_t* thePixel = inPicture.At(theX * inFactor + 1, theY * inFactor + 1);
            theResult.mBgra.insert(theResult.mBgra.end(), thePixel, thePixel + 4);
        }
    return theResult;
}

// Over red, green and blue.
double Psnr(const Pixels& inReference, const Pixels& inActual)
{
    EXPECT_EQ(inReference.mWidth, inActual.mWidth);
    EXPECT_EQ(inReference.mHeight, inActual.mHeight);
    if (inReference.mBgra.size() != inActual.mBgra.size())
        return 0;
    double theSquares = 0;
    std::size_t theCount = 0;
    for (std::size_t thePos = 0; thePos < inReference.mBgra.size(); ++thePos) {
        if (thePos % 4 == 3)
            continue;
        const double theDifference = double(inReference.mBgra[thePos]) - inActual.mBgra[thePos];
        theSquares += theDifference * theDifference;
        ++theCount;
    }
    if (theSquares == 0)
        return 99;
    return 10 * std::log10(255.0 * 255.0 / (theSquares / double(theCount)));
}

TEST(PhotoTest, ShrunkPhotographIsCloseToItsAreaAverage)
{
    vx::codecs::test::JpegSpec theSpec(kWidth, kHeight, 3);
    theSpec.mQuality = 90;
    const ByteVector theJpeg = vx::codecs::test::WriteJpegWithLibrary(theSpec, SyntheticPhotoRgb(kWidth, kHeight));
    const Pixels theFull = vx::codecs::test::ReadJpegWithLibrary(theJpeg);
    ASSERT_EQ(theFull.mWidth, kWidth);
    const Pixels theReference = AreaAverage(theFull, kFactor);
    // The picture has detail enough for the test to mean something: unfiltered sampling misses it.
    EXPECT_LT(Psnr(theReference, PointSample(theFull, kFactor)), 30.0);

    const std::string theParams = "rect=0,0,320,240";
    vx::Client theReduced = FilledCanvas(320, 240, "white");
    theReduced.Call("DrawData", theJpeg, "jpeg", theParams);
    ASSERT_TRUE(theReduced.Ok()) << theReduced.LastError().mDescription;
    const double theReducedPsnr = Psnr(theReference, CanvasPixels(theReduced));
    EXPECT_GE(theReducedPsnr, 35.0);

    // The same pixels as a PNG take the full decode and the shrinking filter.
    vx::Client theFiltered = FilledCanvas(320, 240, "white");
    theFiltered.Call("DrawData", Encode(Format::kPng, theFull), "png", theParams);
    ASSERT_TRUE(theFiltered.Ok()) << theFiltered.LastError().mDescription;
    const double theFilteredPsnr = Psnr(theReference, CanvasPixels(theFiltered));
    EXPECT_GE(theFilteredPsnr, 35.0);
    RecordProperty("ReducedDecodePsnr", std::to_string(theReducedPsnr));
    RecordProperty("FilteredPsnr", std::to_string(theFilteredPsnr));
    std::printf("PSNR against the area average: reduced decode %.2f dB, full decode and filter %.2f dB\n",
                theReducedPsnr, theFilteredPsnr);
}

}  // namespace
