// The codec layer against the libraries used directly at the same settings, and the codecs
// whose own code reads headers and blocks (BMP, GIF) or sets up the encoder (TIFF).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "codecs/CodecRegistry.h"

namespace {

using vx::codecs::CodecRegistry;
using vx::codecs::ImageFormat;

// A photograph-like picture: gradients with some texture, so that filters and entropy coding
// do real work.
std::vector<uint8_t> MakePicture(uint32_t inWidth, uint32_t inHeight)
{
    std::vector<uint8_t> thePixels(size_t(inWidth) * inHeight * 4);
    uint32_t theSeed = 12345;
    for (uint32_t theY = 0; theY < inHeight; ++theY) {
        for (uint32_t theX = 0; theX < inWidth; ++theX) {
            theSeed = theSeed * 1103515245u + 12345u;
            const int theNoise = int(theSeed >> 28) - 8;
            uint8_t* thePixel = thePixels.data() + (size_t(theY) * inWidth + theX) * 4;
            thePixel[0] = uint8_t(std::clamp(int(theX * 255 / inWidth) + theNoise, 0, 255));
            thePixel[1] = uint8_t(std::clamp(int(theY * 255 / inHeight) + theNoise, 0, 255));
            thePixel[2] = uint8_t(std::clamp(int((theX ^ theY) & 0xFF) / 2 + 64 + theNoise, 0, 255));
            thePixel[3] = uint8_t(255 - theX * 128 / inWidth);
        }
    }
    return thePixels;
}

void AppendToVector(png_structp inPng, png_bytep inData, size_t inLength)
{
    auto* theOut = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(inPng));
    theOut->insert(theOut->end(), inData, inData + inLength);
}

constexpr uint32_t kPngSide = 1024;

void BM_PngEncodeCodec(benchmark::State& ioState)
{
    const std::vector<uint8_t> thePixels = MakePicture(kPngSide, kPngSide);
    const vx::codecs::PictureView theView{thePixels.data(), kPngSide, kPngSide, kPngSide * 4};
    size_t theBytes = 0;
    for (auto _ : ioState) {
        std::vector<uint8_t> theFile;
        if (CodecRegistry::ForFormat(ImageFormat::kPng).Encode(theView, theFile) != vx::codecs::Status::kOk) {
            ioState.SkipWithError("encode failed");
        }
        theBytes = theFile.size();
        benchmark::DoNotOptimize(theFile.data());
    }
    ioState.counters["file_bytes"] = double(theBytes);
}
BENCHMARK(BM_PngEncodeCodec)->Unit(benchmark::kMillisecond);

// libpng on the same RGBA rows at deflate level inLevel (-1: zlib's default, 6) with its
// default filters.
bool EncodeWithLibpng(png_bytepp inRows, int inLevel, std::vector<uint8_t>* outFile)
{
    png_structp thePng = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop theInfo = png_create_info_struct(thePng);
    if (setjmp(png_jmpbuf(thePng))) {
        png_destroy_write_struct(&thePng, &theInfo);
        return false;
    }
    png_set_write_fn(thePng, outFile, AppendToVector, nullptr);
    png_set_compression_level(thePng, inLevel);
    png_set_IHDR(thePng, theInfo, kPngSide, kPngSide, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(thePng, theInfo);
    png_set_bgr(thePng);
    png_write_image(thePng, inRows);
    png_write_end(thePng, theInfo);
    png_destroy_write_struct(&thePng, &theInfo);
    return true;
}

void BM_PngEncodeLibpng(benchmark::State& ioState)
{
    const std::vector<uint8_t> thePixels = MakePicture(kPngSide, kPngSide);
    std::vector<png_bytep> theRows(kPngSide);
    for (uint32_t theY = 0; theY < kPngSide; ++theY) {
        theRows[theY] = const_cast<png_bytep>(thePixels.data() + size_t(theY) * kPngSide * 4);
    }
    size_t theBytes = 0;
    for (auto _ : ioState) {
        std::vector<uint8_t> theFile;
        if (!EncodeWithLibpng(theRows.data(), int(ioState.range(0)), &theFile)) {
            ioState.SkipWithError("libpng failed");
        }
        theBytes = theFile.size();
        benchmark::DoNotOptimize(theFile.data());
    }
    ioState.counters["file_bytes"] = double(theBytes);
}
// Argument: the deflate level, -1 for libpng's default.
BENCHMARK(BM_PngEncodeLibpng)->Arg(-1)->Arg(5)->Unit(benchmark::kMillisecond);

constexpr uint32_t kJpegWidth = 1280;
constexpr uint32_t kJpegHeight = 960;

std::vector<uint8_t> MakeJpeg()
{
    const std::vector<uint8_t> thePixels = MakePicture(kJpegWidth, kJpegHeight);
    std::vector<uint8_t> theFile;
    vx::codecs::EncodeOptions theOptions;
    theOptions.mQuality = 922;  // 90 on libjpeg's scale
    CodecRegistry::ForFormat(ImageFormat::kJpeg)
        .Encode({thePixels.data(), kJpegWidth, kJpegHeight, kJpegWidth * 4}, theFile, theOptions);
    return theFile;
}

// The timed loop of every decode benchmark; stops at the first failure.
void DecodeEachRound(benchmark::State& ioState, const vx::codecs::Codec& inCodec, const std::vector<uint8_t>& inFile)
{
    for (auto _ : ioState) {
        auto theImage = inCodec.Decode(inFile, 1);
        if (!theImage) {
            ioState.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(theImage->mPixels.data());
    }
}

void BM_JpegDecodeCodec(benchmark::State& ioState)
{
    const std::vector<uint8_t> theFile = MakeJpeg();
    DecodeEachRound(ioState, CodecRegistry::ForFormat(ImageFormat::kJpeg), theFile);
}
BENCHMARK(BM_JpegDecodeCodec)->Unit(benchmark::kMillisecond);

void BM_JpegDecodeLibjpeg(benchmark::State& ioState)
{
    const std::vector<uint8_t> theFile = MakeJpeg();
    for (auto _ : ioState) {
        jpeg_decompress_struct theInfo{};
        jpeg_error_mgr theError{};
        theInfo.err = jpeg_std_error(&theError);
        jpeg_create_decompress(&theInfo);
        jpeg_mem_src(&theInfo, theFile.data(), theFile.size());
        jpeg_read_header(&theInfo, TRUE);
        theInfo.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&theInfo);
        std::vector<uint8_t> thePixels(size_t(theInfo.output_width) * theInfo.output_height * 4);
        std::vector<JSAMPROW> theRows(theInfo.output_height);
        for (uint32_t theY = 0; theY < theInfo.output_height; ++theY) {
            theRows[theY] = thePixels.data() + size_t(theY) * theInfo.output_width * 4;
        }
        while (theInfo.output_scanline < theInfo.output_height) {
            jpeg_read_scanlines(&theInfo, theRows.data() + theInfo.output_scanline,
                                theInfo.output_height - theInfo.output_scanline);
        }
        jpeg_finish_decompress(&theInfo);
        jpeg_destroy_decompress(&theInfo);
        benchmark::DoNotOptimize(thePixels.data());
    }
}
BENCHMARK(BM_JpegDecodeLibjpeg)->Unit(benchmark::kMillisecond);

constexpr uint32_t kSide = 1024;

// Argument: bits per pixel of the file (8 indexed, 24, 32 with alpha).
void BM_BmpDecodeCodec(benchmark::State& ioState)
{
    const std::vector<uint8_t> thePixels = MakePicture(kSide, kSide);
    vx::codecs::EncodeOptions theOptions;
    theOptions.mDepth = int16_t(ioState.range(0));
    std::vector<uint8_t> theFile;
    const vx::codecs::Codec& theCodec = CodecRegistry::ForFormat(ImageFormat::kBmp);
    if (theCodec.Encode({thePixels.data(), kSide, kSide, kSide * 4}, theFile, theOptions) != vx::codecs::Status::kOk) {
        ioState.SkipWithError("encode failed");
        return;
    }
    DecodeEachRound(ioState, theCodec, theFile);
}
BENCHMARK(BM_BmpDecodeCodec)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

// The row copy alone: the file's buffer is kept between rounds, so no page is new.
// Argument: bits per pixel of the file.
void BM_BmpEncodeCodec(benchmark::State& ioState)
{
    const std::vector<uint8_t> thePixels = MakePicture(kSide, kSide);
    vx::codecs::EncodeOptions theOptions;
    theOptions.mDepth = int16_t(ioState.range(0));
    std::vector<uint8_t> theFile;
    const vx::codecs::Codec& theCodec = CodecRegistry::ForFormat(ImageFormat::kBmp);
    for (auto _ : ioState) {
        theFile.clear();
        if (theCodec.Encode({thePixels.data(), kSide, kSide, kSide * 4}, theFile, theOptions) !=
            vx::codecs::Status::kOk) {
            ioState.SkipWithError("encode failed");
            return;
        }
        benchmark::DoNotOptimize(theFile.data());
    }
    ioState.SetBytesProcessed(int64_t(ioState.iterations()) * kSide * kSide * 4);
}
BENCHMARK(BM_BmpEncodeCodec)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

int AppendGif(GifFileType* inGif, const GifByteType* inData, int inLength)
{
    auto* theOut = static_cast<std::vector<uint8_t>*>(inGif->UserData);
    theOut->insert(theOut->end(), inData, inData + inLength);
    return inLength;
}

// inFrames frames of the whole screen, each after a graphic control block, as animations are.
std::vector<uint8_t> MakeGif(uint32_t inSide, uint32_t inFrames)
{
    std::vector<uint8_t> theFile;
    int theError = 0;
    GifFileType* theGif = EGifOpen(&theFile, AppendGif, &theError);
    ColorMapObject* theMap = GifMakeMapObject(256, nullptr);
    for (int theIndex = 0; theIndex < 256; ++theIndex) {
        theMap->Colors[theIndex] = {GifByteType(theIndex), GifByteType(255 - theIndex), GifByteType(theIndex / 2)};
    }
    EGifSetGifVersion(theGif, true);
    EGifPutScreenDesc(theGif, int(inSide), int(inSide), 8, 0, theMap);
    std::vector<GifPixelType> theLine(inSide);
    uint32_t theSeed = 12345;
    for (uint32_t theFrame = 0; theFrame < inFrames; ++theFrame) {
        GraphicsControlBlock theControl{};
        theControl.DelayTime = 10;
        theControl.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType theExtension[4];
        EGifPutExtension(theGif, GRAPHICS_EXT_FUNC_CODE, int(EGifGCBToExtension(&theControl, theExtension)),
                         theExtension);
        EGifPutImageDesc(theGif, 0, 0, int(inSide), int(inSide), false, nullptr);
        for (uint32_t theY = 0; theY < inSide; ++theY) {
            for (uint32_t theX = 0; theX < inSide; ++theX) {
                theSeed = theSeed * 1103515245u + 12345u;
                theLine[theX] = GifPixelType(((theX + theY + theFrame) / 8 + (theSeed >> 30)) & 0xFF);
            }
            EGifPutLine(theGif, theLine.data(), int(inSide));
        }
    }
    EGifCloseFile(theGif, &theError);
    GifFreeMapObject(theMap);
    return theFile;
}

void BM_GifDecodeCodec(benchmark::State& ioState)
{
    const std::vector<uint8_t> theFile = MakeGif(kSide, 1);
    const vx::codecs::Codec& theCodec = CodecRegistry::ForFormat(ImageFormat::kGif);
    DecodeEachRound(ioState, theCodec, theFile);
}
BENCHMARK(BM_GifDecodeCodec)->Unit(benchmark::kMillisecond);

// Counting frames walks every block of the file and decodes none.
void BM_GifImageCountCodec(benchmark::State& ioState)
{
    const std::vector<uint8_t> theFile = MakeGif(256, 100);
    const vx::codecs::Codec& theCodec = CodecRegistry::ForFormat(ImageFormat::kGif);
    for (auto _ : ioState) {
        const auto theCount = theCodec.ImageCount(theFile);
        if (!theCount || *theCount != 100) {
            ioState.SkipWithError("count failed");
            break;
        }
        benchmark::DoNotOptimize(*theCount);
    }
    ioState.counters["file_bytes"] = double(theFile.size());
}
BENCHMARK(BM_GifImageCountCodec)->Unit(benchmark::kMicrosecond);

// Argument: bits per pixel asked for (8 is indexed; 0 finds the alpha and writes 32).
void BM_TiffEncodeCodec(benchmark::State& ioState)
{
    const std::vector<uint8_t> thePixels = MakePicture(kSide, kSide);
    const vx::codecs::PictureView theView{thePixels.data(), kSide, kSide, kSide * 4};
    vx::codecs::EncodeOptions theOptions;
    theOptions.mDepth = int16_t(ioState.range(0));
    const vx::codecs::Codec& theCodec = CodecRegistry::ForFormat(ImageFormat::kTiff);
    size_t theBytes = 0;
    for (auto _ : ioState) {
        std::vector<uint8_t> theFile;
        if (theCodec.Encode(theView, theFile, theOptions) != vx::codecs::Status::kOk) {
            ioState.SkipWithError("encode failed");
            break;
        }
        theBytes = theFile.size();
        benchmark::DoNotOptimize(theFile.data());
    }
    ioState.counters["file_bytes"] = double(theBytes);
}
BENCHMARK(BM_TiffEncodeCodec)->Arg(0)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
