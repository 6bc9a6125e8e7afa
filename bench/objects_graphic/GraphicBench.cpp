// Costs of Graphic and Gestalt through their vtables: reading a JPEG of about
// 100 KB from bytes and listing its images, and listing the installed fonts.
// Run with VX_IMAGING naming <build>/lib/libvx-imaging.so.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

#include <automation/ComVariant.h>
#include <automation/Interfaces.h>
#include <vellumax/IGestalt.h>
#include <vellumax/IGraphic.h>
#include <vellumax/IGraphicImages.h>

HRESULT VxGetClassObject_Graphic(REFIID inIid, void** outObject);
HRESULT VxGetClassObject_Gestalt(REFIID inIid, void** outObject);

namespace {

template <class Interface>
Interface* Make(HRESULT (*inGetFactory)(REFIID, void**), REFIID inIid, benchmark::State& ioState)
{
    IClassFactory* theFactory = nullptr;
    Interface* theObject = nullptr;
    if (inGetFactory(IID_IClassFactory, reinterpret_cast<void**>(&theFactory)) == S_OK) {
        theFactory->CreateInstance(nullptr, inIid, reinterpret_cast<void**>(&theObject));
        theFactory->Release();
    }
    if (theObject == nullptr)
        ioState.SkipWithError("no object");
    return theObject;
}

// Random 2×2 blocks at quality 95, growing until the file holds inBytes.
std::vector<std::uint8_t> NoisyJpeg(std::size_t inBytes)
{
    std::mt19937 theRandom(7);
    for (unsigned theSide = 120;; theSide += 20) {
        std::vector<std::uint8_t> theSamples(std::size_t(theSide) * theSide * 3);
        for (unsigned theY = 0; theY < theSide; theY += 2)
            for (unsigned theX = 0; theX < theSide; theX += 2) {
                const std::uint32_t theColor = theRandom();
                for (unsigned theAt = 0; theAt < 4; ++theAt)
                    for (unsigned theChannel = 0; theChannel < 3; ++theChannel)
                        theSamples[((theY + theAt / 2) * theSide + theX + theAt % 2) * 3 + theChannel] =
                            std::uint8_t(theColor >> (8 * theChannel));
            }
        jpeg_compress_struct theInfo{};
        jpeg_error_mgr theErrors{};
        theInfo.err = jpeg_std_error(&theErrors);
        jpeg_create_compress(&theInfo);
        unsigned char* theBuffer = nullptr;
        unsigned long theSize = 0;
        jpeg_mem_dest(&theInfo, &theBuffer, &theSize);
        theInfo.image_width = theSide;
        theInfo.image_height = theSide;
        theInfo.input_components = 3;
        theInfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&theInfo);
        jpeg_set_quality(&theInfo, 95, TRUE);
        jpeg_start_compress(&theInfo, TRUE);
        while (theInfo.next_scanline < theSide) {
            JSAMPROW theRow = theSamples.data() + std::size_t(theInfo.next_scanline) * theSide * 3;
            jpeg_write_scanlines(&theInfo, &theRow, 1);
        }
        jpeg_finish_compress(&theInfo);
        jpeg_destroy_compress(&theInfo);
        std::vector<std::uint8_t> theFile(theBuffer, theBuffer + theSize);
        std::free(theBuffer);
        if (theFile.size() >= inBytes)
            return theFile;
    }
}

void BM_GraphicSetDataAndImages(benchmark::State& ioState)
{
    IGraphic* theGraphic = Make<IGraphic>(&VxGetClassObject_Graphic, IID_IGraphic, ioState);
    if (theGraphic == nullptr)
        return;
    vx::ComVariant theData(NoisyJpeg(100 * 1024));
    vx::ComVariant theType("jpeg");
    for (auto _ : ioState) {
        theGraphic->SetData(theData.Get(), theType.Get());
        IDispatch* theImages = nullptr;
        theGraphic->get_GraphicImages(&theImages);
        LONG theCount = 0;
        static_cast<IGraphicImages*>(theImages)->get_Count(&theCount);
        if (theCount != 1)
            ioState.SkipWithError("one image expected");
        theImages->Release();
    }
    theGraphic->Release();
}
BENCHMARK(BM_GraphicSetDataAndImages)->Unit(benchmark::kMicrosecond);

void BM_GestaltFonts(benchmark::State& ioState)
{
    IGestalt* theGestalt = Make<IGestalt>(&VxGetClassObject_Gestalt, IID_IGestalt, ioState);
    if (theGestalt == nullptr)
        return;
    for (auto _ : ioState) {
        IDispatch* theFonts = nullptr;
        theGestalt->get_Fonts(&theFonts);
        theFonts->Release();
    }
    theGestalt->Release();
}
BENCHMARK(BM_GestaltFonts)->Unit(benchmark::kMicrosecond);

}  // namespace
