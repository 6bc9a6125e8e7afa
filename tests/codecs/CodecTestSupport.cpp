#include "CodecTestSupport.h"

#include <cstdio>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

namespace {

std::atomic<size_t> gLargest{0};

}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
// Counting operator new: lets tests see how much the codecs themselves asked for at once.
void* operator new(size_t inSize)
{
    size_t thePrevious = gLargest.load(std::memory_order_relaxed);
    while (inSize > thePrevious && !gLargest.compare_exchange_weak(thePrevious, inSize)) {}
    if (void* theBlock = std::malloc(inSize == 0 ? 1 : inSize)) {
        return theBlock;
    }
    throw std::bad_alloc();
}
// The non-throwing form too: the sanitizer's own would pair its blocks with the free above.
void* operator new(size_t inSize, const std::nothrow_t&) noexcept
{
    try {
        return operator new(inSize);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* inBlock) noexcept
{
    std::free(inBlock);
}
void operator delete(void* inBlock, size_t) noexcept
{
    std::free(inBlock);
}
#pragma GCC diagnostic pop

namespace vx::codecs::test {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

void AppendToVector(png_structp inPng, png_bytep inData, size_t inLength)
{
    auto* theOut = static_cast<ByteVector*>(png_get_io_ptr(inPng));
    theOut->insert(theOut->end(), inData, inData + inLength);
}

std::string TempPath(const char* inStem)
{
    static int sCounter = 0;
    return (std::filesystem::temp_directory_path() /
            (std::string(inStem) + std::to_string(getpid()) + "-" + std::to_string(++sCounter)))
        .string();
}

ByteVector ReadWholeFile(const std::string& inPath)
{
    ByteVector theBytes;
    if (FILE* theFile = std::fopen(inPath.c_str(), "rb")) {
        uint8_t theBuffer[4096];
        size_t theCount;
        while ((theCount = std::fread(theBuffer, 1, sizeof theBuffer, theFile)) > 0) {
            theBytes.insert(theBytes.end(), theBuffer, theBuffer + theCount);
        }
        std::fclose(theFile);
    }
    return theBytes;
}

void WriteWholeFile(const std::string& inPath, const ByteVector& inBytes)
{
    FILE* theFile = std::fopen(inPath.c_str(), "wb");
    std::fwrite(inBytes.data(), 1, inBytes.size(), theFile);
    std::fclose(theFile);
}

}  // namespace

Pixels Pixels::Pattern(uint32_t inWidth, uint32_t inHeight, bool inAlpha)
{
    Pixels thePixels{inWidth, inHeight, ByteVector(size_t(inWidth) * inHeight * 4)};
    for (uint32_t theY = 0; theY < inHeight; ++theY) {
        for (uint32_t theX = 0; theX < inWidth; ++theX) {
            uint8_t* thePixel = thePixels.mBgra.data() + (size_t(theY) * inWidth + theX) * 4;
            // Smooth gradients, so that lossy codecs stay close.
            thePixel[0] = uint8_t(theX * 255 / std::max(1u, inWidth - 1));
            thePixel[1] = uint8_t(theY * 255 / std::max(1u, inHeight - 1));
            thePixel[2] = uint8_t((theX + theY) * 127 / std::max(1u, inWidth + inHeight - 2));
            thePixel[3] = inAlpha ? uint8_t(255 - theX * 200 / std::max(1u, inWidth - 1)) : 255;
        }
    }
    return thePixels;
}

int MaxDifference(const Pixels& inExpected, const Pixels& inActual)
{
    if (inExpected.mWidth != inActual.mWidth || inExpected.mHeight != inActual.mHeight ||
        inExpected.mBgra.size() != inActual.mBgra.size()) {
        return 256;
    }
    int theMost = 0;
    for (size_t thePos = 0; thePos < inExpected.mBgra.size(); ++thePos) {
        theMost = std::max(theMost, std::abs(int(inExpected.mBgra[thePos]) - int(inActual.mBgra[thePos])));
    }
    return theMost;
}

int MaxDifference(const Pixels& inExpected, const DecodedImage& inActual)
{
    return MaxDifference(inExpected, Pixels{inActual.mInfo.mWidth, inActual.mInfo.mHeight, inActual.mPixels});
}

ByteVector WritePngWithLibrary(const PngSpec& inSpec, const std::vector<ByteVector>& inRows)
{
    ByteVector theFile;
    png_structp thePng = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop theInfo = png_create_info_struct(thePng);
    if (setjmp(png_jmpbuf(thePng))) {
        png_destroy_write_struct(&thePng, &theInfo);
        return {};
    }
    png_set_write_fn(thePng, &theFile, AppendToVector, nullptr);
    png_set_IHDR(thePng, theInfo, inSpec.mWidth, inSpec.mHeight, inSpec.mBitDepth, inSpec.mColorType,
                 inSpec.mInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!inSpec.mPalette.empty()) {
        png_set_PLTE(thePng, theInfo, reinterpret_cast<png_const_colorp>(inSpec.mPalette.data()),
                     int(inSpec.mPalette.size() / 3));
    }
    if (!inSpec.mAlphas.empty()) {
        png_set_tRNS(thePng, theInfo, inSpec.mAlphas.data(), int(inSpec.mAlphas.size()), nullptr);
    }
    if (inSpec.mPixelsPerMetre != 0) {
        png_set_pHYs(thePng, theInfo, inSpec.mPixelsPerMetre, inSpec.mPixelsPerMetre, PNG_RESOLUTION_METER);
    }
    png_write_info(thePng, theInfo);
    std::vector<png_bytep> theRows;
    for (const ByteVector& theRow : inRows) {
        theRows.push_back(const_cast<png_bytep>(theRow.data()));
    }
    png_write_image(thePng, theRows.data());
    png_write_end(thePng, theInfo);
    png_destroy_write_struct(&thePng, &theInfo);
    return theFile;
}

Pixels ReadPngWithLibrary(const ByteVector& inFile)
{
    png_image theImage{};
    theImage.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&theImage, inFile.data(), inFile.size())) {
        return {};
    }
    theImage.format = PNG_FORMAT_BGRA;
    Pixels thePixels{theImage.width, theImage.height, ByteVector(PNG_IMAGE_SIZE(theImage))};
    if (!png_image_finish_read(&theImage, nullptr, thePixels.mBgra.data(), 0, nullptr)) {
        png_image_free(&theImage);
        return {};
    }
    return thePixels;
}

ByteVector WriteJpegWithLibrary(const JpegSpec& inSpec, const ByteVector& inSamples)
{
    jpeg_compress_struct theInfo{};
    jpeg_error_mgr theError{};
    theInfo.err = jpeg_std_error(&theError);
    jpeg_create_compress(&theInfo);
    unsigned char* theBuffer = nullptr;
    unsigned long theSize = 0;
    jpeg_mem_dest(&theInfo, &theBuffer, &theSize);
    theInfo.image_width = inSpec.mWidth;
    theInfo.image_height = inSpec.mHeight;
    theInfo.input_components = inSpec.mComponents;
    theInfo.in_color_space = inSpec.mComponents == 1 ? JCS_GRAYSCALE : inSpec.mComponents == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&theInfo);
    jpeg_set_quality(&theInfo, inSpec.mQuality, TRUE);
    theInfo.write_JFIF_header = inSpec.mJfif;
    theInfo.density_unit = UINT8(inSpec.mDensityUnit);
    theInfo.X_density = UINT16(inSpec.mDensity);
    theInfo.Y_density = UINT16(inSpec.mDensity);
    std::vector<jpeg_scan_info> theScans;
    if (inSpec.mManyScans) {
        // DC, then every AC coefficient alone at half precision, then each refined.
        theScans.push_back({1, {0}, 0, 0, 0, 0});
        for (int theAh = 0; theAh < 2; ++theAh) {
            for (int theK = 1; theK < 64; ++theK) {
                theScans.push_back({1, {0}, theK, theK, theAh, 1 - theAh});
            }
        }
        theInfo.scan_info = theScans.data();
        theInfo.num_scans = int(theScans.size());
    } else if (inSpec.mProgressive) {
        jpeg_simple_progression(&theInfo);
    }
    jpeg_start_compress(&theInfo, TRUE);
    const size_t theRowBytes = size_t(inSpec.mWidth) * inSpec.mComponents;
    while (theInfo.next_scanline < theInfo.image_height) {
        JSAMPROW theRow = const_cast<JSAMPROW>(inSamples.data() + theRowBytes * theInfo.next_scanline);
        jpeg_write_scanlines(&theInfo, &theRow, 1);
    }
    jpeg_finish_compress(&theInfo);
    jpeg_destroy_compress(&theInfo);
    ByteVector theFile(theBuffer, theBuffer + theSize);
    std::free(theBuffer);
    return theFile;
}

Pixels ReadJpegWithLibrary(const ByteVector& inFile, int* outComponents)
{
    jpeg_decompress_struct theInfo{};
    jpeg_error_mgr theError{};
    theInfo.err = jpeg_std_error(&theError);
    jpeg_create_decompress(&theInfo);
    jpeg_mem_src(&theInfo, inFile.data(), inFile.size());
    jpeg_read_header(&theInfo, TRUE);
    if (outComponents != nullptr) {
        *outComponents = theInfo.num_components;
    }
    theInfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&theInfo);
    Pixels thePixels{theInfo.output_width, theInfo.output_height,
                     ByteVector(size_t(theInfo.output_width) * theInfo.output_height * 4)};
    while (theInfo.output_scanline < theInfo.output_height) {
        JSAMPROW theRow = thePixels.mBgra.data() + size_t(theInfo.output_scanline) * theInfo.output_width * 4;
        jpeg_read_scanlines(&theInfo, &theRow, 1);
    }
    jpeg_finish_decompress(&theInfo);
    jpeg_destroy_decompress(&theInfo);
    return thePixels;
}

ByteVector WriteGifWithLibrary(uint32_t inWidth, uint32_t inHeight, const std::vector<uint8_t>& inGlobalColors,
                               const std::vector<GifFrameSpec>& inFrames)
{
    const std::string thePath = TempPath("vx-codecs-gif-");
    int theError = 0;
    GifFileType* theGif = EGifOpenFileName(thePath.c_str(), false, &theError);
    auto theMapOf = [](const std::vector<uint8_t>& inColors) -> ColorMapObject* {
        if (inColors.empty()) {
            return nullptr;
        }
        return GifMakeMapObject(int(inColors.size() / 3), reinterpret_cast<const GifColorType*>(inColors.data()));
    };
    ColorMapObject* theGlobal = theMapOf(inGlobalColors);
    EGifSetGifVersion(theGif, true);
    EGifPutScreenDesc(theGif, int(inWidth), int(inHeight), 8, 0, theGlobal);
    for (const GifFrameSpec& theFrame : inFrames) {
        if (theFrame.mTransparent >= 0) {
            GraphicsControlBlock theControl{DISPOSAL_UNSPECIFIED, false, 0, theFrame.mTransparent};
            GifByteType theExtension[4];
            const size_t theLength = EGifGCBToExtension(&theControl, theExtension);
            EGifPutExtension(theGif, GRAPHICS_EXT_FUNC_CODE, int(theLength), theExtension);
        }
        ColorMapObject* theLocal = theMapOf(theFrame.mLocalColors);
        EGifPutImageDesc(theGif, int(theFrame.mLeft), int(theFrame.mTop), int(theFrame.mWidth), int(theFrame.mHeight),
                         theFrame.mInterlaced, theLocal);
        // Interlaced frames are handed over in transmission order.
        std::vector<uint32_t> theOrder;
        if (theFrame.mInterlaced) {
            for (uint32_t thePass : {0u, 1u, 2u, 3u}) {
                const uint32_t theStart[] = {0, 4, 2, 1};
                const uint32_t theStep[] = {8, 8, 4, 2};
                for (uint32_t theY = theStart[thePass]; theY < theFrame.mHeight; theY += theStep[thePass]) {
                    theOrder.push_back(theY);
                }
            }
        } else {
            for (uint32_t theY = 0; theY < theFrame.mHeight; ++theY) {
                theOrder.push_back(theY);
            }
        }
        for (uint32_t theY : theOrder) {
            EGifPutLine(theGif, const_cast<GifPixelType*>(theFrame.mIndices.data() + size_t(theY) * theFrame.mWidth),
                        int(theFrame.mWidth));
        }
        GifFreeMapObject(theLocal);
    }
    EGifCloseFile(theGif, &theError);
    GifFreeMapObject(theGlobal);
    ByteVector theFile = ReadWholeFile(thePath);
    std::remove(thePath.c_str());
    return theFile;
}

ByteVector WriteTiffWithLibrary(const std::vector<TiffSpec>& inDirectories)
{
    const std::string thePath = TempPath("vx-codecs-tiff-");
    TIFF* theTiff = TIFFOpen(thePath.c_str(), "w");
    for (const TiffSpec& theSpec : inDirectories) {
        TIFFSetField(theTiff, TIFFTAG_IMAGEWIDTH, theSpec.mWidth);
        TIFFSetField(theTiff, TIFFTAG_IMAGELENGTH, theSpec.mHeight);
        TIFFSetField(theTiff, TIFFTAG_BITSPERSAMPLE, theSpec.mBits);
        TIFFSetField(theTiff, TIFFTAG_SAMPLESPERPIXEL, theSpec.mSamples);
        TIFFSetField(theTiff, TIFFTAG_PHOTOMETRIC, theSpec.mSamples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(theTiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(theTiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(theTiff, TIFFTAG_ROWSPERSTRIP, theSpec.mRowsPerStrip);
        if (theSpec.mSamples == 4) {
            const uint16_t theExtra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(theTiff, TIFFTAG_EXTRASAMPLES, 1, &theExtra);
        }
        if (theSpec.mResolution > 0) {
            TIFFSetField(theTiff, TIFFTAG_XRESOLUTION, theSpec.mResolution);
            TIFFSetField(theTiff, TIFFTAG_YRESOLUTION, theSpec.mResolution);
            TIFFSetField(theTiff, TIFFTAG_RESOLUTIONUNIT, theSpec.mUnit);
        }
        const size_t theRowBytes = (size_t(theSpec.mWidth) * theSpec.mSamples * theSpec.mBits + 7) / 8;
        for (uint32_t theY = 0; theY < theSpec.mHeight; ++theY) {
            TIFFWriteScanline(theTiff, const_cast<uint8_t*>(theSpec.mSamplesData.data() + theRowBytes * theY), theY, 0);
        }
        TIFFWriteDirectory(theTiff);
    }
    TIFFClose(theTiff);
    ByteVector theFile = ReadWholeFile(thePath);
    std::remove(thePath.c_str());
    return theFile;
}

Pixels ReadTiffWithLibrary(const ByteVector& inFile, int* outDirectories)
{
    const std::string thePath = TempPath("vx-codecs-tiff-");
    WriteWholeFile(thePath, inFile);
    Pixels thePixels;
    if (TIFF* theTiff = TIFFOpen(thePath.c_str(), "r")) {
        if (outDirectories != nullptr) {
            *outDirectories = TIFFNumberOfDirectories(theTiff);
        }
        uint32_t theWidth = 0, theHeight = 0;
        uint16_t theExtraCount = 0;
        uint16_t* theExtras = nullptr;
        TIFFGetField(theTiff, TIFFTAG_IMAGEWIDTH, &theWidth);
        TIFFGetField(theTiff, TIFFTAG_IMAGELENGTH, &theHeight);
        TIFFGetFieldDefaulted(theTiff, TIFFTAG_EXTRASAMPLES, &theExtraCount, &theExtras);
        thePixels = {theWidth, theHeight, ByteVector(size_t(theWidth) * theHeight * 4)};
        TIFFReadRGBAImageOriented(theTiff, theWidth, theHeight, reinterpret_cast<uint32_t*>(thePixels.mBgra.data()),
                                  ORIENTATION_TOPLEFT, 1);
        for (size_t thePos = 0; thePos < thePixels.mBgra.size(); thePos += 4) {
            uint8_t* thePixel = thePixels.mBgra.data() + thePos;
            std::swap(thePixel[0], thePixel[2]);
            if (theExtraCount > 0 && thePixel[3] != 0 && thePixel[3] != 255) {
                for (int theChannel = 0; theChannel < 3; ++theChannel) {
                    thePixel[theChannel] =
                        uint8_t(std::min(255, (thePixel[theChannel] * 255 + thePixel[3] / 2) / thePixel[3]));
                }
            }
        }
        TIFFClose(theTiff);
    }
    std::remove(thePath.c_str());
    return thePixels;
}

ByteVector WriteWebpWithLibrary(const Pixels& inPixels, bool inLossless)
{
    uint8_t* theOutput = nullptr;
    const int theStride = int(inPixels.mWidth * 4);
    const size_t theSize = inLossless ? WebPEncodeLosslessBGRA(inPixels.mBgra.data(), int(inPixels.mWidth),
                                                               int(inPixels.mHeight), theStride, &theOutput)
                                      : WebPEncodeBGRA(inPixels.mBgra.data(), int(inPixels.mWidth),
                                                       int(inPixels.mHeight), theStride, 90, &theOutput);
    ByteVector theFile(theOutput, theOutput + theSize);
    WebPFree(theOutput);
    return theFile;
}

Pixels ReadWebpWithLibrary(const ByteVector& inFile)
{
    int theWidth = 0, theHeight = 0;
    uint8_t* theData = WebPDecodeBGRA(inFile.data(), inFile.size(), &theWidth, &theHeight);
    if (theData == nullptr) {
        return {};
    }
    Pixels thePixels{uint32_t(theWidth), uint32_t(theHeight),
                     ByteVector(theData, theData + size_t(theWidth) * theHeight * 4)};
    WebPFree(theData);
    return thePixels;
}

LimitedRun RunWithMemoryLimit(uint64_t inLimitBytes, const std::function<Status()>& inWork)
{
    LimitedRun theRun;
    ResetLargestAllocation();
    if (kUnderAddressSanitizer) {
        theRun.mStatus = int32_t(inWork());
        theRun.mLargest = LargestAllocation();
        return theRun;
    }
    int thePipe[2];
    if (pipe(thePipe) != 0) {
        return theRun;
    }
    const pid_t theChild = fork();
    if (theChild == 0) {
        close(thePipe[0]);
        rlimit theLimit{inLimitBytes, inLimitBytes};
        setrlimit(RLIMIT_AS, &theLimit);
        LimitedRun theResult;
        theResult.mStatus = int32_t(inWork());
        theResult.mLargest = LargestAllocation();
        (void)!write(thePipe[1], &theResult, sizeof theResult);
        _exit(0);
    }
    close(thePipe[1]);
    if (read(thePipe[0], &theRun, sizeof theRun) != sizeof theRun) {
        theRun = LimitedRun();
    }
    close(thePipe[0]);
    int theExit = 0;
    waitpid(theChild, &theExit, 0);
    return theRun;
}

void ResetLargestAllocation()
{
    gLargest = 0;
}

size_t LargestAllocation()
{
    return gLargest;
}

std::string DataPath(const std::string& inName)
{
    return std::string(VX_CODECS_TEST_DATA) + "/" + inName;
}

}  // namespace vx::codecs::test
