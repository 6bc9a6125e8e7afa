// GetAs of a 1024×1024 32-bit canvas as GIF, PNG and BMP, of a flat 800×480 one as PNG, and libpng used
// directly on the same pixels at the PNG exporter's normal-quality settings.
#include <benchmark/benchmark.h>

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "imaging/Errors.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/ExportOperation.h"

namespace {

constexpr int kSide = 1024;

// Before the first store starts the imaging platform.
const bool gLibrarySet = setenv("VX_IMAGING", VX_IMAGING_LIBRARY, 0) == 0;

// Gradients with some noise, so that colour reduction and compression do real work.
bool PaintCanvas(Bitmap& ioCanvas)
{
    ioCanvas.SetWidth(kSide);
    ioCanvas.SetHeight(kSide);
    ioCanvas.SetDepth(32);
    Bitmap::PixelAccess thePixels;
    if (!gLibrarySet || ioCanvas.Update() != noErr || !ioCanvas.Lock(thePixels))
        return false;
    std::uint32_t theSeed = 12345;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            theSeed = theSeed * 1103515245u + 12345u;
            const int theNoise = int(theSeed >> 28) - 8;
            auto* thePixel = reinterpret_cast<std::uint8_t*>(thePixels.mBase + y * thePixels.mRowBytes + x * 4);
            *Bitmap::RedChannel(thePixel, thePixels.mPixelFormat) = std::uint8_t(std::clamp(x / 4 + theNoise, 0, 255));
            *Bitmap::GreenChannel(thePixel, thePixels.mPixelFormat) =
                std::uint8_t(std::clamp(y / 4 + theNoise, 0, 255));
            *Bitmap::BlueChannel(thePixel, thePixels.mPixelFormat) =
                std::uint8_t(std::clamp(((x ^ y) & 0xFF) / 2 + 64 + theNoise, 0, 255));
            *Bitmap::AlphaChannel(thePixel, thePixels.mPixelFormat) = 0xFF;
        }
    ioCanvas.Unlock();
    return true;
}

void GetAs(benchmark::State& ioState, const char* inType)
{
    Bitmap theCanvas;
    if (!PaintCanvas(theCanvas)) {
        ioState.SkipWithError("no canvas");
        return;
    }
    std::int32_t theSize = 0;
    for (auto _ : ioState) {
        ExportOperation theOperation("Get As:");
        theOperation.GetParameters()->Depth = 32;
        theOperation.SetType(inType);
        theOperation.SetParameterString("");
        theOperation.Run(theCanvas, Operation::RunCheck::kRecordAndCheck);
        if (theOperation.GetErrorReport()->HasError()) {
            ioState.SkipWithError("export failed");
            return;
        }
        theSize = theOperation.GetDataSize();
        benchmark::DoNotOptimize(theOperation.GetDataPointer());
    }
    ioState.counters["file_bytes"] = double(theSize);
}

void BM_GetAsGif(benchmark::State& ioState)
{
    GetAs(ioState, "gif");
}
BENCHMARK(BM_GetAsGif)->Unit(benchmark::kMillisecond);

void BM_GetAsPng(benchmark::State& ioState)
{
    GetAs(ioState, "image/png");
}
BENCHMARK(BM_GetAsPng)->Unit(benchmark::kMillisecond);

void BM_GetAsBmp(benchmark::State& ioState)
{
    GetAs(ioState, "image/bmp");
    ioState.SetBytesProcessed(std::int64_t(ioState.iterations()) * kSide * kSide * 4);
}
BENCHMARK(BM_GetAsBmp)->Unit(benchmark::kMillisecond);

// A page's flat ground at 800 x 480 as PNG with the canvas's own depth: the smallest form.
void BM_GetAsPngFlat(benchmark::State& ioState)
{
    Bitmap theCanvas;
    theCanvas.SetWidth(800);
    theCanvas.SetHeight(480);
    theCanvas.SetDepth(32);
    if (!gLibrarySet || theCanvas.Update() != noErr) {
        ioState.SkipWithError("no canvas");
        return;
    }
    std::int32_t theSize = 0;
    for (auto _ : ioState) {
        ExportOperation theOperation("Get As:");
        theOperation.SetType("image/png");
        theOperation.SetParameterString("");
        theOperation.Run(theCanvas, Operation::RunCheck::kRecordAndCheck);
        if (theOperation.GetErrorReport()->HasError()) {
            ioState.SkipWithError("export failed");
            return;
        }
        theSize = theOperation.GetDataSize();
        benchmark::DoNotOptimize(theOperation.GetDataPointer());
    }
    ioState.counters["file_bytes"] = double(theSize);
}
BENCHMARK(BM_GetAsPngFlat)->Unit(benchmark::kMillisecond);

void AppendToVector(png_structp inPng, png_bytep inData, std::size_t inLength)
{
    auto* theOut = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(inPng));
    theOut->insert(theOut->end(), inData, inData + inLength);
}

// The exporter at normal quality: deflate level 5, 8-bit RGBA, libpng's default filters.
// On its own, so that no state lives across the longjmp.
bool EncodeWithLibpng(png_bytepp inRows, std::vector<std::uint8_t>* outFile)
{
    png_structp thePng = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop theInfo = png_create_info_struct(thePng);
    if (setjmp(png_jmpbuf(thePng))) {
        png_destroy_write_struct(&thePng, &theInfo);
        return false;
    }
    png_set_write_fn(thePng, outFile, AppendToVector, nullptr);
    png_set_compression_level(thePng, 5);
    png_set_IHDR(thePng, theInfo, kSide, kSide, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(thePng, theInfo);
    png_set_bgr(thePng);
    png_write_image(thePng, inRows);
    png_write_end(thePng, theInfo);
    png_destroy_write_struct(&thePng, &theInfo);
    return true;
}

void BM_PngLibpng(benchmark::State& ioState)
{
    Bitmap theCanvas;
    Bitmap::PixelAccess thePixels;
    if (!PaintCanvas(theCanvas) || !theCanvas.Lock(thePixels)) {
        ioState.SkipWithError("no canvas");
        return;
    }
    std::vector<png_bytep> theRows(kSide);
    for (int y = 0; y < kSide; ++y)
        theRows[std::size_t(y)] = reinterpret_cast<png_bytep>(thePixels.mBase + y * thePixels.mRowBytes);
    std::size_t theSize = 0;
    for (auto _ : ioState) {
        std::vector<std::uint8_t> theFile;
        if (!EncodeWithLibpng(theRows.data(), &theFile)) {
            ioState.SkipWithError("libpng failed");
            break;
        }
        theSize = theFile.size();
        benchmark::DoNotOptimize(theFile.data());
    }
    theCanvas.Unlock();
    ioState.counters["file_bytes"] = double(theSize);
}
BENCHMARK(BM_PngLibpng)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
