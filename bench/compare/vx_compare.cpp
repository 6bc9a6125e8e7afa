// The comparison cases drawn through the Canvas object, as a page script
// calls it: DrawShape, DrawText, DrawData and GetAs with parameter strings.
// Usage: vx_compare REPETITIONS PHOTO.jpg [IMAGES_DIR]
// Prints one line per case: "shapes MS", "aashapes MS" (the same shapes
// antialiased, "opengl=true"), "text MS", "gif MS BYTES", "picture MS BYTES", MS being
// the median over the repetitions of the processor milliseconds per drawing,
// and the web GIFs (palette=adaptive compress=true) "webscene", "webpage" and
// "webphoto" with MS BYTES PSNR (the file decoded against the canvas, dB); then
// "chart", "thumb", "pagegif" (with PSNR too), "pngflat" and "pngphoto" with MS
// BYTES (Scene.h describes them).
// A case that fails prints its error on stderr; the exit status is then 1. With
// IMAGES_DIR, the pictures drawn are saved there as vellumax-*.png.
// Run with VX_IMAGING naming <build>/lib/libvx-imaging.so.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <automation/Bstr.h>
#include <automation/ComVariant.h>
#include <automation/ErrorInfo.h>
#include <automation/Interfaces.h>
#include <automation/SafeArray.h>
#include <automation/Variant.h>
#include <vellumax/ICanvas.h>

#include "GifPsnr.h"
#include "Photo.h"
#include "Scene.h"

HRESULT VxGetClassObject_Canvas(REFIID inIid, void** outObject);

namespace {

std::string gImages;  // where to save the pictures; empty: nowhere
double gPsnr = -1;    // the last adaptive GIF's PSNR against its canvas; printed after its case

constexpr int kShapeDrawings = 10;
constexpr int kTextDrawings = 40;
constexpr int kGifDrawings = 5;
constexpr int kPictureDrawings = 5;

// The description the canvas raised for the last failure.
std::string LastError(HRESULT inResult)
{
    std::string theText = "HRESULT " + std::to_string(static_cast<long>(inResult));
    IErrorInfo* theInfo = nullptr;
    if (GetErrorInfo(0, &theInfo) == S_OK && theInfo != nullptr) {
        BSTR theDescription = nullptr;
        if (theInfo->GetDescription(&theDescription) == S_OK && theDescription != nullptr) {
            theText = vx::Bstr::Attach(theDescription).ToUTF8();
        }
        theInfo->Release();
    }
    return theText;
}

class Failure {
public:
    explicit Failure(std::string inText) : mText(std::move(inText)) {}
    const std::string& Text() const { return mText; }

private:
    std::string mText;
};

void Check(HRESULT inResult, const char* inWhat)
{
    if (inResult != S_OK)
        throw Failure(std::string(inWhat) + ": " + LastError(inResult));
}

ICanvas* NewCanvas(int inWidth, int inHeight)
{
    IClassFactory* theFactory = nullptr;
    ICanvas* theCanvas = nullptr;
    Check(VxGetClassObject_Canvas(IID_IClassFactory, reinterpret_cast<void**>(&theFactory)), "class factory");
    const HRESULT theResult = theFactory->CreateInstance(nullptr, IID_ICanvas, reinterpret_cast<void**>(&theCanvas));
    theFactory->Release();
    Check(theResult, "CreateInstance");
    const HRESULT theWidth = theCanvas->put_Width(*vx::ComVariant(inWidth).Get());
    const HRESULT theHeight = theWidth == S_OK ? theCanvas->put_Height(*vx::ComVariant(inHeight).Get()) : theWidth;
    if (theHeight != S_OK) {
        const std::string theError = LastError(theHeight);
        theCanvas->Release();
        throw Failure("canvas size: " + theError);
    }
    return theCanvas;
}

void SaveImage(ICanvas* inCanvas, const char* inName)
{
    if (gImages.empty())
        return;
    vx::ComVariant thePath(gImages + "/vellumax-" + inName + ".png");
    vx::ComVariant theNone("");
    Check(inCanvas->SaveAs(thePath.Get(), theNone.Get()), "SaveAs");
}

// Owns the canvas reference for the length of a case.
struct CanvasHolder {
    ICanvas* canvas;
    ~CanvasHolder() { canvas->Release(); }
};

// Processor time of this process, in milliseconds: steadier than wall time
// on a shared machine, and the drawing runs on this thread alone.
double ProcessMs()
{
    timespec theTime{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &theTime);
    return theTime.tv_sec * 1000.0 + theTime.tv_nsec / 1e6;
}

// Median over inRepetitions of the processor milliseconds per call of inDraw, run
// inDrawings times per repetition after one untimed call.
double MedianMs(int inRepetitions, int inDrawings, const std::function<void()>& inDraw)
{
    inDraw();
    std::vector<double> theTimes;
    for (int r = 0; r < inRepetitions; ++r) {
        const double theStart = ProcessMs();
        for (int i = 0; i < inDrawings; ++i)
            inDraw();
        theTimes.push_back((ProcessMs() - theStart) / inDrawings);
    }
    std::sort(theTimes.begin(), theTimes.end());
    return theTimes[theTimes.size() / 2];
}

std::string Percent(int inComponent)
{
    char theText[16];
    std::snprintf(theText, sizeof theText, "%.4f", inComponent * 100.0 / 255.0);
    return theText;
}

// One parameter string per shape, made before timing: scripts pass constants.
std::vector<vx::ComVariant> ShapeParameters(const char* inExtra = "")
{
    static SceneShape theShapes[2 * kSceneShapes];
    SceneShapes(theShapes);
    std::vector<vx::ComVariant> theParams;
    for (const SceneShape& s : theShapes) {
        theParams.emplace_back(
            "rect=" + std::to_string(s.left) + "," + std::to_string(s.top) + "," + std::to_string(s.right) + "," +
            std::to_string(s.bottom) + " pensize=" + std::to_string(kScenePen) +
            " pencolor=black paintcolor=" + Percent(s.red) + "," + Percent(s.green) + "," + Percent(s.blue) + inExtra);
    }
    return theParams;
}

void DrawShapes(ICanvas* inCanvas, std::vector<vx::ComVariant>& inParams)
{
    static vx::ComVariant theRect("rect");
    static vx::ComVariant theOval("oval");
    Check(inCanvas->Erase(), "Erase");
    vx::ComVariant theResult;
    for (int i = 0; i < 2 * kSceneShapes; ++i)
        Check(inCanvas->DrawShape(i < kSceneShapes ? theRect.Get() : theOval.Get(), inParams[i].Get(), theResult.Out()),
              "DrawShape");
}

double ShapesCase(int inRepetitions, const char* inExtra, const char* inName)
{
    CanvasHolder theHolder{NewCanvas(kSceneWidth, kSceneHeight)};
    std::vector<vx::ComVariant> theParams = ShapeParameters(inExtra);
    const double theMs = MedianMs(inRepetitions, kShapeDrawings, [&] { DrawShapes(theHolder.canvas, theParams); });
    SaveImage(theHolder.canvas, inName);
    return theMs;
}

double TextCase(int inRepetitions)
{
    CanvasHolder theHolder{NewCanvas(kTextWidth, kTextHeight)};
    Check(theHolder.canvas->put_TextFont(*vx::ComVariant("DejaVu Sans").Get()), "TextFont");
    Check(theHolder.canvas->put_TextSize(*vx::ComVariant(10).Get()), "TextSize");  // 13 pixels at 96 dpi
    static char theParagraph[2048];
    SceneParagraph(theParagraph, sizeof theParagraph);
    vx::ComVariant theText{std::string(theParagraph)};
    vx::ComVariant theParams("rect=0,0," + std::to_string(kTextWidth) + "," + std::to_string(kTextHeight) +
                             " halign=middle");
    vx::ComVariant theResult;
    const double theMs = MedianMs(inRepetitions, kTextDrawings, [&] {
        Check(theHolder.canvas->Erase(), "Erase");
        Check(theHolder.canvas->DrawText(theText.Get(), theParams.Get(), theResult.Out()), "DrawText");
    });
    SaveImage(theHolder.canvas, "text");
    return theMs;
}

long ByteCount(const VARIANT& inValue)
{
    if (inValue.vt != (VT_ARRAY | VT_UI1) || inValue.parray == nullptr)
        throw Failure("GetAs: no byte array");
    LONG theLower = 0;
    LONG theUpper = -1;
    SafeArrayGetLBound(inValue.parray, 1, &theLower);
    SafeArrayGetUBound(inValue.parray, 1, &theUpper);
    return static_cast<long>(theUpper) - theLower + 1;
}

// The canvas as drawn, read back from its BMP: rows of 24 or 32 bits.
struct Drawn {
    std::vector<std::uint8_t> mBmp;
    std::size_t mBits = 0;
    std::int32_t mHeight = 0;
    std::size_t mRowBytes = 0;
    std::size_t mPixelBytes = 0;
    bool mTopDown = false;
};

std::vector<std::uint8_t> BytesOf(VARIANT& inValue)
{
    void* theData = nullptr;
    std::vector<std::uint8_t> theBytes;
    if (SafeArrayAccessData(inValue.parray, &theData) == S_OK) {
        const auto* theFirst = static_cast<const std::uint8_t*>(theData);
        theBytes.assign(theFirst, theFirst + ByteCount(inValue));
        SafeArrayUnaccessData(inValue.parray);
    }
    return theBytes;
}

void DrawnPixel(const void* inDrawn, int inX, int inY, unsigned char* outRgb)
{
    const Drawn& theDrawn = *static_cast<const Drawn*>(inDrawn);
    const std::size_t theRow = std::size_t(theDrawn.mTopDown ? inY : theDrawn.mHeight - 1 - inY);
    const std::uint8_t* thePixel =
        &theDrawn.mBmp[theDrawn.mBits + theRow * theDrawn.mRowBytes + std::size_t(inX) * theDrawn.mPixelBytes];
    outRgb[0] = thePixel[2], outRgb[1] = thePixel[1], outRgb[2] = thePixel[0];
}

// The GIF in inGif decoded against inCanvas's pixels.
double CanvasGifPsnr(ICanvas* inCanvas, VARIANT& inGif)
{
    vx::ComVariant theType("bmp");
    vx::ComVariant theNone("");
    vx::ComVariant theData;
    Check(inCanvas->GetAs(theType.Get(), theNone.Get(), theData.Out()), "GetAs bmp");
    Drawn theDrawn;
    theDrawn.mBmp = BytesOf(*theData.Get());
    const auto Read32 = [&](std::size_t inAt) {
        if (theDrawn.mBmp.size() < inAt + 4)
            throw Failure("short BMP");
        std::uint32_t theValue = 0;  // little-endian, as the build's machines are
        std::memcpy(&theValue, theDrawn.mBmp.data() + inAt, 4);
        return theValue;
    };
    const auto theWidth = std::int32_t(Read32(18));
    const auto theHeight = std::int32_t(Read32(22));
    theDrawn.mBits = Read32(10);
    theDrawn.mPixelBytes = theDrawn.mBmp.at(28) / 8u;
    if (theDrawn.mPixelBytes != 3 && theDrawn.mPixelBytes != 4)
        throw Failure("unexpected BMP depth");
    theDrawn.mTopDown = theHeight < 0;
    theDrawn.mHeight = theHeight < 0 ? -theHeight : theHeight;
    theDrawn.mRowBytes = (std::size_t(theWidth) * theDrawn.mPixelBytes + 3) & ~std::size_t{3};
    if (theDrawn.mBmp.size() < theDrawn.mBits + theDrawn.mRowBytes * std::size_t(theDrawn.mHeight))
        throw Failure("short BMP");
    const std::vector<std::uint8_t> theGif = BytesOf(inGif);
    return GifPsnr(theGif.data(), theGif.size(), theWidth, theDrawn.mHeight, DrawnPixel, &theDrawn);
}

// Times GetAs of a drawn canvas as a GIF with inParams.
double GifTime(ICanvas* inCanvas, const char* inParams, int inRepetitions, long* outBytes)
{
    vx::ComVariant theType("gif");
    vx::ComVariant theParams(inParams);
    vx::ComVariant theData;
    const double theMs = MedianMs(inRepetitions, kGifDrawings, [&] {
        Check(inCanvas->GetAs(theType.Get(), theParams.Get(), theData.Out()), "GetAs");
    });
    *outBytes = ByteCount(*theData.Get());
    if (std::string(inParams).find("adaptive") != std::string::npos)
        gPsnr = CanvasGifPsnr(inCanvas, *theData.Get());
    return theMs;
}

double GifCase(int inRepetitions, long* outBytes)
{
    CanvasHolder theHolder{NewCanvas(kSceneWidth, kSceneHeight)};
    std::vector<vx::ComVariant> theParams = ShapeParameters();
    DrawShapes(theHolder.canvas, theParams);
    return GifTime(theHolder.canvas, "", inRepetitions, outBytes);
}

constexpr const char* kWebGif = "palette=adaptive compress=true";

std::string PercentColor(unsigned inRgb)
{
    return Percent(int(inRgb >> 16)) + "," + Percent(int(inRgb >> 8 & 255)) + "," + Percent(int(inRgb & 255));
}

double WebSceneCase(int inRepetitions, long* outBytes)
{
    CanvasHolder theHolder{NewCanvas(kSceneWidth, kSceneHeight)};
    static SceneShape theShapes[2 * kSceneShapes];
    SceneShapes(theShapes);
    std::vector<vx::ComVariant> theParams;
    for (const SceneShape& s : theShapes)
        theParams.emplace_back("rect=" + std::to_string(s.left) + "," + std::to_string(s.top) + "," +
                               std::to_string(s.right) + "," + std::to_string(s.bottom) +
                               " pensize=" + std::to_string(kScenePen) +
                               " pencolor=black paintcolor=" + PercentColor(SceneWebColor(&s)));
    DrawShapes(theHolder.canvas, theParams);
    SaveImage(theHolder.canvas, "webscene");
    return GifTime(theHolder.canvas, kWebGif, inRepetitions, outBytes);
}

double WebPageCase(int inRepetitions, long* outBytes)
{
    CanvasHolder theHolder{NewCanvas(kPageWidth, kPageHeight)};
    Check(theHolder.canvas->put_Color(*vx::ComVariant(PercentColor(kPageGround)).Get()), "Color");
    Check(theHolder.canvas->Erase(), "Erase");
    Check(theHolder.canvas->put_TextFont(*vx::ComVariant("DejaVu Sans").Get()), "TextFont");
    Check(theHolder.canvas->put_TextSize(*vx::ComVariant(kPagePixels * 3 / 4).Get()), "TextSize");  // 20 px at 96 dpi
    vx::ComVariant theResult;
    // The box runs past the canvas: the first line is cut at the edge, as the peers draw it, not wrapped.
    for (int i = 0; i < 2; ++i) {
        vx::ComVariant theText{std::string(kPageLines[i])};
        const int theTop = kPageFirstBaseline + i * kPageLineStep - kPagePixels;
        vx::ComVariant theParams("rect=" + std::to_string(kPageLeft) + "," + std::to_string(theTop) + "," +
                                 std::to_string(2 * kPageWidth) + "," + std::to_string(theTop + kPageLineStep) +
                                 " textcolor=" + PercentColor(kPageInk));
        Check(theHolder.canvas->DrawText(theText.Get(), theParams.Get(), theResult.Out()), "DrawText");
    }
    SaveImage(theHolder.canvas, "webpage");
    return GifTime(theHolder.canvas, kWebGif, inRepetitions, outBytes);
}

// The photograph reaches the canvas as a 24-bit BMP, as an upload would.
ICanvas* PhotoCanvas()
{
    constexpr std::uint32_t kHeader = 54;
    constexpr std::uint32_t kRow = kPhotoSide * 3;
    const std::uint32_t theSize = kHeader + kRow * kPhotoSide;
    std::vector<std::uint8_t> theBytes(theSize, 0);
    const auto Put = [&](std::size_t inAt, std::uint32_t inValue, int inCount) {
        for (int i = 0; i < inCount; ++i)
            theBytes[inAt + std::size_t(i)] = std::uint8_t(inValue >> (8 * i));
    };
    theBytes[0] = 'B', theBytes[1] = 'M';
    Put(2, theSize, 4), Put(10, kHeader, 4), Put(14, 40, 4), Put(18, kPhotoSide, 4), Put(22, kPhotoSide, 4);
    Put(26, 1, 2), Put(28, 24, 2), Put(34, kRow * kPhotoSide, 4);
    for (int y = 0; y < kPhotoSide; ++y)
        for (int x = 0; x < kPhotoSide; ++x) {
            unsigned char theRgb[3];
            PhotoPixel(x, y, theRgb);
            std::uint8_t* thePixel = &theBytes[kHeader + std::size_t(kPhotoSide - 1 - y) * kRow + std::size_t(x) * 3];
            thePixel[0] = theRgb[2], thePixel[1] = theRgb[1], thePixel[2] = theRgb[0];
        }
    vx::ComVariant theData(theBytes);
    ICanvas* theCanvas = NewCanvas(kPhotoSide, kPhotoSide);
    CanvasHolder theHolder{theCanvas};
    vx::ComVariant theType("bmp");
    vx::ComVariant theNone("");
    vx::ComVariant theResult;
    Check(theCanvas->DrawData(theData.Get(), theType.Get(), theNone.Get(), theResult.Out()), "DrawData");
    theCanvas->AddRef();  // the caller's reference, once nothing can fail
    return theCanvas;
}

double WebPhotoCase(int inRepetitions, long* outBytes)
{
    CanvasHolder theHolder{PhotoCanvas()};
    SaveImage(theHolder.canvas, "webphoto");
    return GifTime(theHolder.canvas, kWebGif, inRepetitions, outBytes);
}

// The photograph's bytes arrive as an upload would: a byte array handed to
// DrawData, drawn into the thumbnail, which goes back as a JPEG.
double PictureCase(int inRepetitions, const std::string& inPhoto, long* outBytes)
{
    std::ifstream theFile(inPhoto, std::ios::binary);
    const std::vector<std::uint8_t> theBytes{std::istreambuf_iterator<char>(theFile), std::istreambuf_iterator<char>()};
    if (theBytes.empty())
        throw Failure("cannot read " + inPhoto);
    vx::ComVariant thePhoto(theBytes);
    vx::ComVariant theType("jpeg");
    vx::ComVariant theParams("rect=0,0," + std::to_string(kThumbWidth) + "," + std::to_string(kThumbHeight));
    // "high" is the exporters' 768 of 1024, JPEG quality 75, what the peers are asked for.
    vx::ComVariant theQuality("quality=high");
    vx::ComVariant theResult;
    vx::ComVariant theData;
    CanvasHolder theHolder{NewCanvas(kThumbWidth, kThumbHeight)};
    const double theMs = MedianMs(inRepetitions, kPictureDrawings, [&] {
        Check(theHolder.canvas->DrawData(thePhoto.Get(), theType.Get(), theParams.Get(), theResult.Out()), "DrawData");
        Check(theHolder.canvas->GetAs(theType.Get(), theQuality.Get(), theData.Out()), "GetAs");
    });
    *outBytes = ByteCount(*theData.Get());
    SaveImage(theHolder.canvas, "picture");
    return theMs;
}

// Times GetAs(inType, inParams) of a drawn canvas.
double ExportTime(ICanvas* inCanvas, const char* inType, const char* inParams, int inRepetitions, long* outBytes)
{
    vx::ComVariant theType(inType);
    vx::ComVariant theParams(inParams);
    vx::ComVariant theData;
    const double theMs = MedianMs(inRepetitions, kGifDrawings, [&] {
        Check(inCanvas->GetAs(theType.Get(), theParams.Get(), theData.Out()), "GetAs");
    });
    *outBytes = ByteCount(*theData.Get());
    return theMs;
}

void Draw(ICanvas* inCanvas, const char* inShape, const std::string& inParams)
{
    vx::ComVariant theShape(inShape);
    vx::ComVariant theParams(inParams);
    vx::ComVariant theResult;
    Check(inCanvas->DrawShape(theShape.Get(), theParams.Get(), theResult.Out()), "DrawShape");
}

void Write(ICanvas* inCanvas, const char* inText, const std::string& inParams)
{
    vx::ComVariant theText(inText);
    vx::ComVariant theParams(inParams);
    vx::ComVariant theResult;
    Check(inCanvas->DrawText(theText.Get(), theParams.Get(), theResult.Out()), "DrawText");
}

std::string Rect(int inLeft, int inTop, int inRight, int inBottom)
{
    return "rect=" + std::to_string(inLeft) + "," + std::to_string(inTop) + "," + std::to_string(inRight) + "," +
           std::to_string(inBottom);
}

// The chart, drawn and exported as PNG in each timed round. Sizes in points: 3/4 of the pixels.
double ChartCase(int inRepetitions, long* outBytes)
{
    CanvasHolder theHolder{NewCanvas(kChartWidth, kChartHeight)};
    ICanvas* theCanvas = theHolder.canvas;
    Check(theCanvas->put_TextFont(*vx::ComVariant("DejaVu Sans").Get()), "TextFont");
    vx::ComVariant thePng("png");
    vx::ComVariant theNone("");
    vx::ComVariant theData;
    const double theMs = MedianMs(inRepetitions, kGifDrawings, [&] {
        Check(theCanvas->Erase(), "Erase");
        for (int i = 0; i < kChartBars; ++i)
            Draw(theCanvas, "rect",
                 Rect(ChartBarLeft(i), kChartAxis - kChartValues[i], ChartBarLeft(i) + kChartBarWidth, kChartAxis) +
                     " opengl=true pensize=1 paintcolor=" + PercentColor(kChartFills[i]) +
                     " pencolor=" + PercentColor(ChartOutline(kChartFills[i])));
        Draw(theCanvas, "line", Rect(40, kChartAxis, 380, kChartAxis) + " opengl=true pensize=1 pencolor=black");
        for (int i = 0; i < kChartBars; ++i)
            Write(theCanvas, kChartLabels[i],
                  Rect(ChartBarLeft(i) - 10, kChartAxis + 4, ChartBarLeft(i) + kChartBarWidth + 10, kChartAxis + 24) +
                      " textsize=" + std::to_string(kChartLabelPixels * 3 / 4) + " halign=middle textcolor=black");
        Write(theCanvas, kChartTitle,
              Rect(0, 6, kChartWidth, 30) + " textsize=" + std::to_string(kChartTitlePixels * 3 / 4) +
                  " halign=middle textcolor=black");
        Check(theCanvas->GetAs(thePng.Get(), theNone.Get(), theData.Out()), "GetAs");
    });
    *outBytes = ByteCount(*theData.Get());
    SaveImage(theCanvas, "chart");
    return theMs;
}

// The thumbnail: decoded, reduced, captioned and marked in each timed round.
double ThumbCase(int inRepetitions, const std::string& inPhoto, long* outBytes)
{
    std::ifstream theFile(inPhoto, std::ios::binary);
    const std::vector<std::uint8_t> theBytes{std::istreambuf_iterator<char>(theFile), std::istreambuf_iterator<char>()};
    if (theBytes.empty())
        throw Failure("cannot read " + inPhoto);
    vx::ComVariant thePhoto(theBytes);
    vx::ComVariant theType("jpeg");
    vx::ComVariant theParams(Rect(0, 0, kThumbCaseWidth, kThumbCaseHeight));
    vx::ComVariant theQuality("quality=high");
    vx::ComVariant theResult;
    vx::ComVariant theData;
    CanvasHolder theHolder{NewCanvas(kThumbCaseWidth, kThumbCaseHeight)};
    ICanvas* theCanvas = theHolder.canvas;
    Check(theCanvas->put_TextFont(*vx::ComVariant("DejaVu Sans").Get()), "TextFont");
    const std::string theCaption =
        Rect(kThumbCaptionLeft, kThumbCaptionBaseline - kThumbCaptionPixels - 2, kThumbCaseWidth, kThumbCaseHeight) +
        " textsize=" + std::to_string(kThumbCaptionPixels * 3 / 4) + " textcolor=white";
    // Half-white over the photo: alphablend composites the translucent paint in the same call.
    const std::string theCircle = Rect(kThumbCircleX - kThumbRadius, kThumbCircleY - kThumbRadius,
                                       kThumbCircleX + kThumbRadius, kThumbCircleY + kThumbRadius) +
                                  " opengl=true op=paint paintcolor=#ffffff80 alphablend=true";
    const double theMs = MedianMs(inRepetitions, kPictureDrawings, [&] {
        Check(theCanvas->DrawData(thePhoto.Get(), theType.Get(), theParams.Get(), theResult.Out()), "DrawData");
        Write(theCanvas, kThumbCaption, theCaption);
        Draw(theCanvas, "oval", theCircle);
        Check(theCanvas->GetAs(theType.Get(), theQuality.Get(), theData.Out()), "GetAs");
    });
    *outBytes = ByteCount(*theData.Get());
    SaveImage(theCanvas, "thumb");
    return theMs;
}

// A typical page: the web page's two lines of text and three filled boxes, as an adaptive GIF.
double PageGifCase(int inRepetitions, long* outBytes)
{
    CanvasHolder theHolder{NewCanvas(kPageWidth, kPageHeight)};
    ICanvas* theCanvas = theHolder.canvas;
    Check(theCanvas->put_Color(*vx::ComVariant(PercentColor(kPageGround)).Get()), "Color");
    Check(theCanvas->Erase(), "Erase");
    Check(theCanvas->put_TextFont(*vx::ComVariant("DejaVu Sans").Get()), "TextFont");
    Check(theCanvas->put_TextSize(*vx::ComVariant(kPagePixels * 3 / 4).Get()), "TextSize");
    for (int i = 0; i < 2; ++i) {
        const int theTop = kPageFirstBaseline + i * kPageLineStep - kPagePixels;
        Write(theCanvas, kPageLines[i],
              Rect(kPageLeft, theTop, 2 * kPageWidth, theTop + kPageLineStep) + " textcolor=" + PercentColor(kPageInk));
    }
    for (int i = 0; i < 3; ++i)
        Draw(theCanvas, "rect",
             Rect(kPageLeft + i * 120, 200, kPageLeft + i * 120 + 100, 270) +
                 " op=paint paintcolor=" + PercentColor(kWebPalette[i]));
    SaveImage(theCanvas, "pagegif");
    return GifTime(theCanvas, kWebGif, inRepetitions, outBytes);
}

double PngFlatCase(int inRepetitions, long* outBytes)
{
    CanvasHolder theHolder{NewCanvas(kFlatWidth, kFlatHeight)};
    Check(theHolder.canvas->Erase(), "Erase");
    return ExportTime(theHolder.canvas, "png", "", inRepetitions, outBytes);
}

double PngPhotoCase(int inRepetitions, long* outBytes)
{
    CanvasHolder theHolder{PhotoCanvas()};
    return ExportTime(theHolder.canvas, "png", "", inRepetitions, outBytes);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: vx_compare REPETITIONS PHOTO.jpg [IMAGES_DIR]\n");
        return 2;
    }
    const int theRepetitions = std::max(1, std::atoi(argv[1]));
    const std::string thePhoto = argv[2];
    if (argc > 3)
        gImages = argv[3];
    int theStatus = 0;
    // VX_COMPARE_CASES (a comma list) picks cases, for profiling one alone.
    const char* theOnly = std::getenv("VX_COMPARE_CASES");
    const auto theRun = [&](const char* inName, const std::function<void()>& inCase) {
        if (theOnly != nullptr &&
            ("," + std::string(theOnly) + ",").find("," + std::string(inName) + ",") == std::string::npos)
            return;
        try {
            inCase();
        } catch (const Failure& inFailure) {
            std::fprintf(stderr, "%s: %s\n", inName, inFailure.Text().c_str());
            theStatus = 1;
        }
    };
    theRun("shapes", [&] { std::printf("shapes %.3f\n", ShapesCase(theRepetitions, "", "shapes")); });
    theRun("aashapes", [&] { std::printf("aashapes %.3f\n", ShapesCase(theRepetitions, " opengl=true", "aashapes")); });
    theRun("text", [&] { std::printf("text %.3f\n", TextCase(theRepetitions)); });
    theRun("gif", [&] {
        long theBytes = 0;
        const double theMs = GifCase(theRepetitions, &theBytes);
        std::printf("gif %.3f %ld\n", theMs, theBytes);
    });
    theRun("picture", [&] {
        long theBytes = 0;
        const double theMs = PictureCase(theRepetitions, thePhoto, &theBytes);
        std::printf("picture %.3f %ld\n", theMs, theBytes);
    });
    theRun("thumb", [&] {
        long theBytes = 0;
        const double theMs = ThumbCase(theRepetitions, thePhoto, &theBytes);
        std::printf("thumb %.3f %ld\n", theMs, theBytes);
    });
    const std::pair<const char*, double (*)(int, long*)> kWebCases[] = {
        {"webscene", WebSceneCase}, {"webpage", WebPageCase}, {"webphoto", WebPhotoCase}, {"chart", ChartCase},
        {"pagegif", PageGifCase},   {"pngflat", PngFlatCase}, {"pngphoto", PngPhotoCase}};
    for (const auto& [theName, theCase] : kWebCases)
        theRun(theName, [&, theName = theName, theCase = theCase] {
            long theBytes = 0;
            gPsnr = -1;
            const double theMs = theCase(theRepetitions, &theBytes);
            if (gPsnr >= 0)
                std::printf("%s %.3f %ld %.2f\n", theName, theMs, theBytes, gPsnr);
            else
                std::printf("%s %.3f %ld\n", theName, theMs, theBytes);
        });
    return theStatus;
}
