// Throughput of the pixel paths the server leans on: re-fitting to 8 bits, decompressing a canvas
// back onto a canvas (plain copy, rotated, add-max). Targets at 1024×1024: re-fit ≤ 15 ms, copy
// ≤ 3 ms, 30° bilinear rotation ≤ 40 ms, add-max ≤ 5 ms.
#include "imaging/Imaging.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSide = 1024;

struct Platform {
    Platform()
    {
        if (InitializeQTML(0) != noErr) {
            std::fprintf(stderr, "imaging platform did not start\n");
            std::exit(1);
        }
    }
    ~Platform() { TerminateQTML(); }
};

const Rect kBounds{0, 0, kSide, kSide};

std::vector<std::uint8_t> Picture()
{
    std::vector<std::uint8_t> thePixels(std::size_t(kSide) * kSide * 4);
    for (int theY = 0; theY < kSide; ++theY)
        for (int theX = 0; theX < kSide; ++theX) {
            std::uint8_t* thePixel = &thePixels[(std::size_t(theY) * kSide + std::size_t(theX)) * 4];
            thePixel[0] = std::uint8_t(theX);
            thePixel[1] = std::uint8_t(theY);
            thePixel[2] = std::uint8_t(theX ^ theY);
            thePixel[3] = 255;
        }
    return thePixels;
}

ImageDescriptionHandle Describe()
{
    auto theDesc = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
    (*theDesc)->idSize = sizeof(ImageDescription);
    (*theDesc)->cType = kRawCodecType;
    (*theDesc)->width = kSide;
    (*theDesc)->height = -kSide;
    (*theDesc)->depth = 32;
    (*theDesc)->clutID = -1;
    return theDesc;
}

void BM_Refit32To8(benchmark::State& ioState)
{
    Platform thePlatform;
    std::vector<std::uint8_t> thePixels = Picture();
    ImageDescriptionHandle theDesc = Describe();
    GWorldPtr theWorld = nullptr;
    NewGWorld(&theWorld, 32, &kBounds, nullptr, nullptr, 0);
    for (auto _ : ioState) {
        ioState.PauseTiming();
        UpdateGWorld(&theWorld, 32, &kBounds, nullptr, nullptr, clipPix);
        DecompressImage(reinterpret_cast<Ptr>(thePixels.data()), theDesc, GetGWorldPixMap(theWorld), nullptr, &kBounds,
                        srcCopy, nullptr);
        ioState.ResumeTiming();
        if (UpdateGWorld(&theWorld, 8, &kBounds, nullptr, nullptr, clipPix) & gwFlagErr)
            ioState.SkipWithError("re-fit failed");
    }
    DisposeGWorld(theWorld);
    DisposeHandle(reinterpret_cast<Handle>(theDesc));
}
BENCHMARK(BM_Refit32To8)->Unit(benchmark::kMillisecond);

void Decompress(benchmark::State& ioState, short inMode, Fixed inDegrees)
{
    Platform thePlatform;
    std::vector<std::uint8_t> thePixels = Picture();
    ImageDescriptionHandle theDesc = Describe();
    GWorldPtr theWorld = nullptr;
    NewGWorld(&theWorld, 32, &kBounds, nullptr, nullptr, 0);
    MatrixRecord theMatrix;
    SetIdentityMatrix(&theMatrix);
    if (inDegrees != 0)
        RotateMatrix(&theMatrix, inDegrees, IntToFixed(kSide / 2), IntToFixed(kSide / 2));
    for (auto _ : ioState) {
        if (FDecompressImage(reinterpret_cast<Ptr>(thePixels.data()), theDesc, GetGWorldPixMap(theWorld), nullptr,
                             &theMatrix, inMode, nullptr, nullptr, nullptr, codecMaxQuality, bestFidelityCodec, 0,
                             nullptr, nullptr) != noErr)
            ioState.SkipWithError("decompression failed");
    }
    DisposeGWorld(theWorld);
    DisposeHandle(reinterpret_cast<Handle>(theDesc));
}

void BM_DecompressCopy(benchmark::State& ioState)
{
    Decompress(ioState, srcCopy, 0);
}
BENCHMARK(BM_DecompressCopy)->Unit(benchmark::kMillisecond);

void BM_DecompressRotate30Bilinear(benchmark::State& ioState)
{
    Decompress(ioState, srcCopy, IntToFixed(30));
}
BENCHMARK(BM_DecompressRotate30Bilinear)->Unit(benchmark::kMillisecond);

void BM_DecompressAddMax(benchmark::State& ioState)
{
    Decompress(ioState, addMax, 0);
}
BENCHMARK(BM_DecompressAddMax)->Unit(benchmark::kMillisecond);

void BM_DecompressStraightAlpha(benchmark::State& ioState)
{
    Decompress(ioState, graphicsModeStraightAlpha, 0);
}
BENCHMARK(BM_DecompressStraightAlpha)->Unit(benchmark::kMillisecond);

}  // namespace
