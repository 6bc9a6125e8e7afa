#include "vellumax/formats/Writegif.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <vector>

namespace {

// EncodeGif of a square picture; the byte rate is of input pixels.
// Arguments: side, colour count, interlace.
void BM_EncodeGif(benchmark::State& ioState)
{
    const auto theSide = static_cast<std::int32_t>(ioState.range(0));
    const auto theColors = static_cast<std::int32_t>(ioState.range(1));
    const auto theInterlace = static_cast<std::uint8_t>(ioState.range(2));
    std::vector<GifColorEntry> theTable(static_cast<std::size_t>(theColors));
    for (std::int32_t theIndex = 0; theIndex < theColors; ++theIndex) {
        const auto theLevel = static_cast<std::uint16_t>(theIndex * 65535 / theColors);
        theTable[theIndex] = GifColorEntry{static_cast<std::uint16_t>(theIndex), {theLevel, theLevel, theLevel}};
    }
    std::vector<std::uint8_t> thePixels(static_cast<std::size_t>(theSide) * theSide);
    std::mt19937 theRandom(42);
    for (std::uint8_t& thePixel : thePixels) {
        thePixel = static_cast<std::uint8_t>(theRandom() % static_cast<unsigned>(theColors));
    }

    std::int32_t theLength = 0;
    for (auto _ : ioState) {
        const GifBytes theGif = EncodeGif(theSide, theSide, theColors, theTable.data(), -1, theInterlace, theSide,
                                          thePixels.data(), theLength);
        if (theGif == nullptr) {
            ioState.SkipWithError("EncodeGif failed");
            break;
        }
        benchmark::DoNotOptimize(theGif.get());
    }
    ioState.SetBytesProcessed(static_cast<std::int64_t>(ioState.iterations()) * theSide * theSide);
    ioState.counters["gif_bytes"] = theLength;
}

BENCHMARK(BM_EncodeGif)
    ->ArgNames({"side", "colours", "interlace"})
    ->Args({1024, 256, 0})
    ->Args({1024, 256, 1})
    ->Args({1024, 16, 0})
    ->Args({1024, 2, 0})
    ->Args({4096, 256, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
