// Thumbnails through DrawData: the default route (DCT reduction to at least
// the size drawn, then area averaging) against resample=lanczos (DCT
// reduction to at least twice the size, then Lanczos-3). Target: lanczos
// within 1.3 times the default's processor time. Google Benchmark's CPU
// column is the processor time. Run with VX_IMAGING naming
// <build>/lib/libvx-imaging.so.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <automation/ComVariant.h>
#include <automation/Interfaces.h>
#include <automation/SafeArray.h>
#include <vellumax/ICanvas.h>

#include "Photo.h"

HRESULT VxGetClassObject_Canvas(REFIID inIid, void** outObject);

namespace {

std::vector<unsigned char> EncodeJpeg(int inWidth, int inHeight, const std::vector<unsigned char>& inRgb)
{
    jpeg_compress_struct theInfo{};
    jpeg_error_mgr theErrors{};
    theInfo.err = jpeg_std_error(&theErrors);
    jpeg_create_compress(&theInfo);
    unsigned char* theBuffer = nullptr;
    unsigned long theSize = 0;
    jpeg_mem_dest(&theInfo, &theBuffer, &theSize);
    theInfo.image_width = JDIMENSION(inWidth);
    theInfo.image_height = JDIMENSION(inHeight);
    theInfo.input_components = 3;
    theInfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&theInfo);
    jpeg_set_quality(&theInfo, 90, TRUE);
    jpeg_start_compress(&theInfo, TRUE);
    while (theInfo.next_scanline < theInfo.image_height) {
        JSAMPROW theRow = const_cast<unsigned char*>(&inRgb[std::size_t(theInfo.next_scanline) * inWidth * 3]);
        jpeg_write_scanlines(&theInfo, &theRow, 1);
    }
    jpeg_finish_compress(&theInfo);
    std::vector<unsigned char> theBytes(theBuffer, theBuffer + theSize);
    jpeg_destroy_compress(&theInfo);
    free(theBuffer);
    return theBytes;
}

std::vector<unsigned char> PhotoJpeg(int inWidth, int inHeight)
{
    std::vector<unsigned char> theRgb(std::size_t(inWidth) * inHeight * 3);
    for (int y = 0; y < inHeight; ++y)
        for (int x = 0; x < inWidth; ++x)
            PhotoPixel(x, y, &theRgb[(std::size_t(y) * inWidth + x) * 3]);
    return EncodeJpeg(inWidth, inHeight, theRgb);
}

std::vector<unsigned char> ZonePlateJpeg(int inSide)
{
    std::vector<unsigned char> theRgb(std::size_t(inSide) * inSide * 3);
    const double k = 3.14159265358979323846 / (2.0 * inSide);
    for (int y = 0; y < inSide; ++y)
        for (int x = 0; x < inSide; ++x) {
            const double v = 0.5 + 0.5 * std::cos(k * (double(x) * x + double(y) * y));
            const auto g = static_cast<unsigned char>(std::lround(16 + 223 * v));
            unsigned char* p = &theRgb[(std::size_t(y) * inSide + x) * 3];
            p[0] = p[1] = p[2] = g;
        }
    return EncodeJpeg(inSide, inSide, theRgb);
}

void Thumbnail(benchmark::State& ioState, const std::vector<unsigned char>& inJpeg, int inWidth, int inHeight,
               const char* inFilter)
{
    IClassFactory* theFactory = nullptr;
    ICanvas* theCanvas = nullptr;
    if (VxGetClassObject_Canvas(IID_IClassFactory, reinterpret_cast<void**>(&theFactory)) == S_OK) {
        theFactory->CreateInstance(nullptr, IID_ICanvas, reinterpret_cast<void**>(&theCanvas));
        theFactory->Release();
    }
    if (theCanvas == nullptr)
        return ioState.SkipWithError("no canvas");
    theCanvas->put_Width(*vx::ComVariant(inWidth).Get());
    theCanvas->put_Height(*vx::ComVariant(inHeight).Get());
    SAFEARRAY* theArray = SafeArrayCreateVector(VT_UI1, 0, ULONG(inJpeg.size()));
    void* theData = nullptr;
    SafeArrayAccessData(theArray, &theData);
    std::copy(inJpeg.begin(), inJpeg.end(), static_cast<unsigned char*>(theData));
    SafeArrayUnaccessData(theArray);
    VARIANT theBytes;
    VariantInit(&theBytes);
    theBytes.vt = VT_ARRAY | VT_UI1;
    theBytes.parray = theArray;
    const std::string theParams =
        "rect=0,0," + std::to_string(inWidth) + "," + std::to_string(inHeight) + " resample=" + inFilter;
    vx::ComVariant theType("jpeg");
    vx::ComVariant theParameters(theParams.c_str());
    for (auto _ : ioState) {
        VARIANT theResult;
        VariantInit(&theResult);
        if (theCanvas->DrawData(&theBytes, theType.Get(), theParameters.Get(), &theResult) != S_OK)
            ioState.SkipWithError("DrawData failed");
        VariantClear(&theResult);
    }
    VariantClear(&theBytes);
    theCanvas->Release();
}

const std::vector<unsigned char>& Photo1600()
{
    static const std::vector<unsigned char> sJpeg = PhotoJpeg(1600, 1200);
    return sJpeg;
}

const std::vector<unsigned char>& ZonePlate1024()
{
    static const std::vector<unsigned char> sJpeg = ZonePlateJpeg(1024);
    return sJpeg;
}

void BM_PhotoThumbnailArea(benchmark::State& ioState)
{
    Thumbnail(ioState, Photo1600(), 200, 150, "area");
}
void BM_PhotoThumbnailLanczos(benchmark::State& ioState)
{
    Thumbnail(ioState, Photo1600(), 200, 150, "lanczos");
}
void BM_PhotoHalfArea(benchmark::State& ioState)
{
    Thumbnail(ioState, Photo1600(), 640, 480, "area");
}
void BM_PhotoHalfLanczos(benchmark::State& ioState)
{
    Thumbnail(ioState, Photo1600(), 640, 480, "lanczos");
}
void BM_ZonePlateArea(benchmark::State& ioState)
{
    Thumbnail(ioState, ZonePlate1024(), 128, 128, "area");
}
void BM_ZonePlateLanczos(benchmark::State& ioState)
{
    Thumbnail(ioState, ZonePlate1024(), 128, 128, "lanczos");
}

// Alternating, so that a busy machine weighs on both alike.
BENCHMARK(BM_PhotoThumbnailArea)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhotoThumbnailLanczos)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhotoHalfArea)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PhotoHalfLanczos)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZonePlateArea)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZonePlateLanczos)->Unit(benchmark::kMillisecond);

}  // namespace
