// PNG export of a 1024×1024 world through the exporter against libpng at the same settings, and a
// 1280×960 JPEG drawn scaled into 320×240 through the importer against libjpeg's decode plus a
// plain scale.
#include "imaging/Imaging.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Gradients with some texture and varying alpha, so that filters and entropy coding do real work.
std::vector<std::uint8_t> MakePicture(std::uint32_t inWidth, std::uint32_t inHeight)
{
    std::vector<std::uint8_t> thePixels(std::size_t(inWidth) * inHeight * 4);
    std::uint32_t theSeed = 12345;
    for (std::uint32_t theY = 0; theY < inHeight; ++theY) {
        for (std::uint32_t theX = 0; theX < inWidth; ++theX) {
            theSeed = theSeed * 1103515245u + 12345u;
            const int theNoise = int(theSeed >> 28) - 8;
            std::uint8_t* thePixel = thePixels.data() + (std::size_t(theY) * inWidth + theX) * 4;
            thePixel[0] = std::uint8_t(std::clamp(int(theX * 255 / inWidth) + theNoise, 0, 255));
            thePixel[1] = std::uint8_t(std::clamp(int(theY * 255 / inHeight) + theNoise, 0, 255));
            thePixel[2] = std::uint8_t(std::clamp(int((theX ^ theY) & 0xFF) / 2 + 64 + theNoise, 0, 255));
            thePixel[3] = std::uint8_t(255 - theX * 128 / inWidth);
        }
    }
    return thePixels;
}

// Starts the platform for one benchmark.
class Started {
public:
    Started()
    {
        setenv("VX_IMAGING", VX_IMAGING_LIBRARY, 0);
        mOk = InitializeQTML(0) == noErr && EnterMovies() == noErr;
    }
    ~Started()
    {
        if (mOk) {
            ExitMovies();
            TerminateQTML();
        }
    }
    bool mOk = false;
};

GWorldPtr WorldWith(const std::vector<std::uint8_t>& inPixels, int inWidth, int inHeight)
{
    GWorldPtr theWorld = nullptr;
    const Rect theBounds{0, 0, std::int16_t(inHeight), std::int16_t(inWidth)};
    if (NewGWorld(&theWorld, 32, &theBounds, nullptr, nullptr, 0) != noErr)
        return nullptr;
    PixMapHandle thePixMap = GetGWorldPixMap(theWorld);
    for (int theY = 0; theY < inHeight; ++theY)
        std::memcpy(GetPixBaseAddr(thePixMap) + theY * GetPixRowBytes(thePixMap),
                    inPixels.data() + std::size_t(theY) * std::size_t(inWidth) * 4, std::size_t(inWidth) * 4);
    return theWorld;
}

Component Named(OSType inType, const char* inName)
{
    ComponentDescription theLooking{inType, 0, 0, 0, 0};
    Handle theName = NewHandle(0);
    Component theFound = nullptr;
    for (Component theComponent = FindNextComponent(nullptr, &theLooking); theComponent != nullptr && !theFound;
         theComponent = FindNextComponent(theComponent, &theLooking)) {
        GetComponentInfo(theComponent, nullptr, theName, nullptr, nullptr);
        if (std::size_t(std::uint8_t((*theName)[0])) == std::strlen(inName) &&
            std::memcmp(*theName + 1, inName, std::strlen(inName)) == 0)
            theFound = theComponent;
    }
    DisposeHandle(theName);
    return theFound;
}

constexpr int kPngSide = 1024;

void BM_PngExportComponent(benchmark::State& ioState)
{
    Started theStart;
    GWorldPtr theWorld = WorldWith(MakePicture(kPngSide, kPngSide), kPngSide, kPngSide);
    ComponentInstance theExporter = OpenComponent(Named(GraphicsExporterComponentType, "PNG"));
    if (!theStart.mOk || theWorld == nullptr || theExporter == nullptr) {
        ioState.SkipWithError("setup failed");
        return;
    }
    GraphicsExportSetInputGWorld(theExporter, theWorld);
    GraphicsExportSetCompressionQuality(theExporter, codecNormalQuality);
    unsigned long theWritten = 0;
    for (auto _ : ioState) {
        Handle theOutput = NewHandle(0);
        GraphicsExportSetOutputHandle(theExporter, theOutput);
        if (GraphicsExportDoExport(theExporter, &theWritten) != noErr)
            ioState.SkipWithError("export failed");
        DisposeHandle(theOutput);
    }
    ioState.counters["file_bytes"] = double(theWritten);
    CloseComponent(theExporter);
    DisposeGWorld(theWorld);
}
BENCHMARK(BM_PngExportComponent)->Unit(benchmark::kMillisecond);

void AppendToVector(png_structp inPng, png_bytep inData, std::size_t inLength)
{
    auto* theOut = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(inPng));
    theOut->insert(theOut->end(), inData, inData + inLength);
}

// The exporter's settings at normal quality: deflate level 5, 8-bit RGBA, libpng's default filters.
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
    png_set_IHDR(thePng, theInfo, kPngSide, kPngSide, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(thePng, theInfo);
    png_set_bgr(thePng);
    png_write_image(thePng, inRows);
    png_write_end(thePng, theInfo);
    png_destroy_write_struct(&thePng, &theInfo);
    return true;
}

void BM_PngExportLibpng(benchmark::State& ioState)
{
    const std::vector<std::uint8_t> thePixels = MakePicture(kPngSide, kPngSide);
    std::vector<png_bytep> theRows(kPngSide);
    for (int theY = 0; theY < kPngSide; ++theY)
        theRows[std::size_t(theY)] = const_cast<png_bytep>(thePixels.data() + std::size_t(theY) * kPngSide * 4);
    std::size_t theBytes = 0;
    for (auto _ : ioState) {
        std::vector<std::uint8_t> theFile;
        if (!EncodeWithLibpng(theRows.data(), &theFile))
            ioState.SkipWithError("libpng failed");
        theBytes = theFile.size();
        benchmark::DoNotOptimize(theFile.data());
    }
    ioState.counters["file_bytes"] = double(theBytes);
}
BENCHMARK(BM_PngExportLibpng)->Unit(benchmark::kMillisecond);

constexpr int kJpegWidth = 1280;
constexpr int kJpegHeight = 960;
constexpr int kDrawWidth = 320;
constexpr int kDrawHeight = 240;

std::vector<std::uint8_t> MakeJpeg()
{
    const std::vector<std::uint8_t> thePixels = MakePicture(kJpegWidth, kJpegHeight);
    jpeg_compress_struct theInfo{};
    jpeg_error_mgr theError{};
    theInfo.err = jpeg_std_error(&theError);
    jpeg_create_compress(&theInfo);
    unsigned char* theBuffer = nullptr;
    unsigned long theSize = 0;
    jpeg_mem_dest(&theInfo, &theBuffer, &theSize);
    theInfo.image_width = kJpegWidth;
    theInfo.image_height = kJpegHeight;
    theInfo.input_components = 4;
    theInfo.in_color_space = JCS_EXT_BGRA;
    jpeg_set_defaults(&theInfo);
    jpeg_set_quality(&theInfo, 90, TRUE);
    jpeg_start_compress(&theInfo, TRUE);
    while (theInfo.next_scanline < theInfo.image_height) {
        JSAMPROW theRow = const_cast<JSAMPROW>(thePixels.data() + std::size_t(theInfo.next_scanline) * kJpegWidth * 4);
        jpeg_write_scanlines(&theInfo, &theRow, 1);
    }
    jpeg_finish_compress(&theInfo);
    jpeg_destroy_compress(&theInfo);
    std::vector<std::uint8_t> theFile(theBuffer, theBuffer + theSize);
    std::free(theBuffer);
    return theFile;
}

void BM_JpegDrawScaledComponent(benchmark::State& ioState)
{
    Started theStart;
    const std::vector<std::uint8_t> theFile = MakeJpeg();
    Handle theData = NewHandle(Size(theFile.size()));
    ComponentInstance theImporter = OpenComponent(Named(GraphicsImporterComponentType, "JPEG"));
    GWorldPtr theWorld = nullptr;
    const Rect theTarget{0, 0, kDrawHeight, kDrawWidth};
    if (!theStart.mOk || theData == nullptr || theImporter == nullptr ||
        NewGWorld(&theWorld, 32, &theTarget, nullptr, nullptr, 0) != noErr) {
        ioState.SkipWithError("setup failed");
        return;
    }
    std::memcpy(*theData, theFile.data(), theFile.size());
    GraphicsImportSetDataHandle(theImporter, theData);
    const Rect theNatural{0, 0, kJpegHeight, kJpegWidth};
    MatrixRecord theMatrix;
    RectMatrix(&theMatrix, &theNatural, &theTarget);
    GraphicsImportSetGWorld(theImporter, theWorld, nullptr);
    GraphicsImportSetMatrix(theImporter, &theMatrix);
    for (auto _ : ioState) {
        if (GraphicsImportDraw(theImporter) != noErr)
            ioState.SkipWithError("draw failed");
    }
    CloseComponent(theImporter);
    DisposeHandle(theData);
    DisposeGWorld(theWorld);
}
BENCHMARK(BM_JpegDrawScaledComponent)->Unit(benchmark::kMillisecond);

// libjpeg's full decode to B, G, R, A, then every target pixel taken from the nearest source pixel.
void BM_JpegDecodeScaleLibjpeg(benchmark::State& ioState)
{
    const std::vector<std::uint8_t> theFile = MakeJpeg();
    std::vector<std::uint8_t> theTarget(std::size_t(kDrawWidth) * kDrawHeight * 4);
    for (auto _ : ioState) {
        jpeg_decompress_struct theInfo{};
        jpeg_error_mgr theError{};
        theInfo.err = jpeg_std_error(&theError);
        jpeg_create_decompress(&theInfo);
        jpeg_mem_src(&theInfo, theFile.data(), theFile.size());
        jpeg_read_header(&theInfo, TRUE);
        theInfo.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&theInfo);
        const std::size_t theRowBytes = std::size_t(theInfo.output_width) * 4;
        std::vector<std::uint8_t> thePixels(theRowBytes * theInfo.output_height);
        std::vector<JSAMPROW> theRows(theInfo.output_height);
        for (std::uint32_t theY = 0; theY < theInfo.output_height; ++theY)
            theRows[theY] = thePixels.data() + std::size_t(theY) * theRowBytes;
        while (theInfo.output_scanline < theInfo.output_height)
            jpeg_read_scanlines(&theInfo, theRows.data() + theInfo.output_scanline,
                                theInfo.output_height - theInfo.output_scanline);
        jpeg_finish_decompress(&theInfo);
        jpeg_destroy_decompress(&theInfo);
        for (int theY = 0; theY < kDrawHeight; ++theY) {
            const std::uint8_t* theSource = theRows[std::size_t(theY * kJpegHeight / kDrawHeight)];
            std::uint8_t* theOut = theTarget.data() + std::size_t(theY) * kDrawWidth * 4;
            for (int theX = 0; theX < kDrawWidth; ++theX)
                std::memcpy(theOut + theX * 4, theSource + std::size_t(theX * kJpegWidth / kDrawWidth) * 4, 4);
        }
        benchmark::DoNotOptimize(theTarget.data());
    }
}
BENCHMARK(BM_JpegDecodeScaleLibjpeg)->Unit(benchmark::kMillisecond);

}  // namespace
