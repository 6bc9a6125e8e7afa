// The web GIF path on its own: a palette made from a 32-bit picture, then
// compressed codes. Pictures: the comparison's photograph, and flat blocks of
// 17 colours like a drawn page.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "bench/compare/Photo.h"
#include "vellumax/formats/GifPalette.h"
#include "vellumax/formats/Writegif.h"

namespace {

enum Picture { kPhoto, kBlocks };

std::vector<std::uint8_t> MakePicture(Picture inPicture, std::int32_t inSide)
{
    std::vector<std::uint8_t> thePixels(std::size_t(inSide) * std::size_t(inSide) * 4);
    for (std::int32_t y = 0; y < inSide; ++y)
        for (std::int32_t x = 0; x < inSide; ++x) {
            std::uint8_t* thePixel = &thePixels[(std::size_t(y) * std::size_t(inSide) + std::size_t(x)) * 4];
            unsigned char theRgb[3];
            if (inPicture == kPhoto) {
                PhotoPixel(x, y, theRgb);
            } else {
                const unsigned theColor = unsigned(x / 37 * 5 + y / 23 * 3) % 17 * 0x0F0D0B;
                theRgb[0] = std::uint8_t(theColor >> 16), theRgb[1] = std::uint8_t(theColor >> 8);
                theRgb[2] = std::uint8_t(theColor);
            }
            thePixel[0] = theRgb[2], thePixel[1] = theRgb[1], thePixel[2] = theRgb[0], thePixel[3] = 0xFF;
        }
    return thePixels;
}

// Arguments: picture, side, dithering, compressed.
void BM_WebGif(benchmark::State& ioState)
{
    const auto thePicture = Picture(ioState.range(0));
    const auto theSide = std::int32_t(ioState.range(1));
    const Dithering theDithering = ioState.range(2) != 0 ? Dithering::kErrorDiffusion : Dithering::kNone;
    const GifCodes theCodes = ioState.range(3) != 0 ? GifCodes::kCompressed : GifCodes::kLiteral;
    const std::vector<std::uint8_t> thePixels = MakePicture(thePicture, theSide);
    const RgbPixels theView{thePixels.data(), std::ptrdiff_t(theSide) * 4, theSide, theSide, 2, 1, 0};
    std::int32_t theLength = 0;
    for (auto _ : ioState) {
        GifPalette thePalette;
        thePalette.Build(theView, theDithering, std::nullopt);
        const GifBytes theGif = EncodeGif(theSide, theSide, thePalette.ColorCount(), thePalette.Colors(), -1, 0,
                                          theSide, thePalette.Indices().data(), theLength, theCodes);
        if (theGif == nullptr) {
            ioState.SkipWithError("EncodeGif failed");
            break;
        }
    }
    ioState.SetItemsProcessed(std::int64_t(ioState.iterations()) * theSide * theSide);
    ioState.counters["gif_bytes"] = theLength;
}

BENCHMARK(BM_WebGif)
    ->ArgNames({"photo0_blocks1", "side", "dither", "compress"})
    ->Args({kPhoto, 1024, 0, 1})
    ->Args({kPhoto, 1024, 1, 1})
    ->Args({kBlocks, 1024, 0, 1})
    ->Args({kBlocks, 1024, 0, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
