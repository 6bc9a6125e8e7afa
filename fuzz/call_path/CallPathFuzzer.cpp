// The whole call path a page script takes: a small canvas made through its
// class factory, then one late-bound call per line of the input,
//   S<shape>|<params>   DrawShape        T<text>|<params>  DrawText
//   A<text>|<params>    TextArea         L<text>|<params>  TextLength
//   G<type>|<params>    GetAs            P<name>|<value>   a property put
//   E, I, C             Erase, Invert, Clear
// Beyond crashes and leaks, it checks what a script relies on: a failure
// carries a description and leaves the pixels and the property as they were,
// and a picture fetched is never empty.
#include <dlfcn.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <automation/Client.h>
#include <automation/ErrorInfo.h>
#include <automation/Interfaces.h>
#include <automation/SafeArray.h>
#include <drawing/Gdi.h>

HRESULT VxGetClassObject_Canvas(REFIID inIid, void** outObject);

namespace {

// Few calls and small canvases keep each input's cost in milliseconds.
constexpr int kMaxCalls = 12;
constexpr long kMaxSide = 256;
// Under the address sanitizer a block over 128 KB is mapped afresh and unmapped again on every
// allocation, and on this machine each page fault is dear: the 256 x 256 store a canvas without
// pixels gets on its first drawing made a third of the run. Each canvas is given this MaxPixels,
// and the sides are put within it, so that every store stays under that size at 4 bytes a pixel
// while either side can still reach kMaxSide. An input that puts MaxPixels itself (0 returns to
// the setting) still reaches the default store.
constexpr long kMaxPixels = 30000;

vx::Client CreateCanvas()
{
    IClassFactory* theFactory = nullptr;
    if (VxGetClassObject_Canvas(IID_IClassFactory, reinterpret_cast<void**>(&theFactory)) != S_OK)
        std::abort();
    IDispatch* theObject = nullptr;
    const HRESULT theResult = theFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&theObject));
    theFactory->Release();
    if (theResult != S_OK)
        std::abort();
    vx::Client theClient(theObject);
    theObject->Release();
    return theClient;
}

// Fails the run when a call that went wrong says nothing about why.
void CheckFailure(const vx::Client& inCanvas)
{
    if (!inCanvas.Ok() && inCanvas.LastError().mDescription.empty())
        std::abort();
}

// A fingerprint of the pixels, read in place through the canvas's bitmap
// handle, with the store's size and depth in it: zero without pixels. Asking
// the exporter for a file cost most of each input's time, and so did copying
// the rows; the hash runs in the uninstrumented standard library.
std::size_t Pixels(vx::Client& inCanvas)
{
    const auto theHandle = static_cast<HBITMAP>(inCanvas.Get("HBITMAP").AsLong());
    BITMAP theBitmap{};
    if (!inCanvas.Ok() || theHandle == 0 || GetObjectA(theHandle, sizeof theBitmap, &theBitmap) == 0)
        return 0;
    const LONG theShape[] = {theBitmap.bmWidth, theBitmap.bmHeight, theBitmap.bmBitsPixel};
    std::size_t theHash = std::hash<std::string_view>()({reinterpret_cast<const char*>(theShape), sizeof theShape});
    const std::size_t theRowBytes = (std::size_t(theBitmap.bmWidth) * theBitmap.bmBitsPixel + 7) / 8;
    for (LONG theY = 0; theY < theBitmap.bmHeight; ++theY) {
        const auto* theRow = static_cast<const char*>(theBitmap.bmBits) + theY * theBitmap.bmWidthBytes;
        theHash = theHash * 1099511628211u ^ std::hash<std::string_view>()({theRow, theRowBytes});
    }
    return theHash;
}

// The length of a file fetched, read from the array's bounds: copying it out again cost a
// large block, and its page faults, per picture.
LONG ByteCount(const vx::Variant& inValue)
{
    const VARIANT& theValue = *inValue;
    if (theValue.vt != (VT_ARRAY | VT_UI1))
        return LONG(inValue.AsBytes().size());
    LONG theLower = 0, theUpper = -1;
    if (theValue.parray == nullptr || SafeArrayGetDim(theValue.parray) != 1 ||
        SafeArrayGetLBound(theValue.parray, 1, &theLower) != S_OK ||
        SafeArrayGetUBound(theValue.parray, 1, &theUpper) != S_OK)
        return 0;
    return theUpper - theLower + 1;
}

bool SameNoCase(std::string_view inA, std::string_view inB)
{
    return std::equal(inA.begin(), inA.end(), inB.begin(), inB.end(),
                      [](char inX, char inY) { return (inX | 0x20) == (inY | 0x20); });
}

// A drawing call: when it fails, the canvas keeps every pixel.
template <class... Args>
void Draw(vx::Client& inCanvas, std::string_view inMethod, Args&&... inArgs)
{
    const std::size_t theBefore = Pixels(inCanvas);
    inCanvas.Call(inMethod, std::forward<Args>(inArgs)...);
    if (inCanvas.Ok())
        return;
    CheckFailure(inCanvas);
    if (Pixels(inCanvas) != theBefore)
        std::abort();
}

// A put that fails keeps the old value. The sides are put as numbers within
// kMaxSide and kMaxPixels, so that no input asks for a large store.
void Put(vx::Client& inCanvas, const std::string& inName, const std::string& inValue)
{
    vx::Variant theValue(inValue);
    const bool theWidth = SameNoCase(inName, "Width");
    if (theWidth || SameNoCase(inName, "Height")) {
        const long theOther = std::max(1L, long(inCanvas.Get(theWidth ? "Height" : "Width").AsLong()));
        const long theMost = std::min(kMaxSide, kMaxPixels / theOther);
        theValue = vx::Variant(int(std::clamp(std::strtol(inValue.c_str(), nullptr, 10), -2L, theMost)));
    }
    const vx::Variant theOld = inCanvas.Get(inName);
    const bool theReadable = inCanvas.Ok();
    const std::string theOldText = theReadable ? theOld.AsString() : std::string();
    if (inCanvas.Put(inName, theValue))
        return;
    CheckFailure(inCanvas);
    if (!theReadable)
        return;
    const vx::Variant theNow = inCanvas.Get(inName);
    if (!inCanvas.Ok() || theNow.AsString() != theOldText)
        std::abort();
}

void RunLine(vx::Client& inCanvas, std::string_view inLine)
{
    const std::string_view theBody = inLine.substr(1);
    const std::size_t theBar = theBody.find('|');
    const std::string theFirst(theBody.substr(0, theBar));
    const std::string theSecond(theBar == std::string_view::npos ? std::string_view() : theBody.substr(theBar + 1));
    switch (inLine[0]) {
    case 'S':
        Draw(inCanvas, "DrawShape", theFirst, theSecond);
        break;
    case 'T':
        Draw(inCanvas, "DrawText", theFirst, theSecond);
        break;
    case 'A': {
        const std::vector<vx::Variant> theOuts = inCanvas.CallWithOuts("TextArea", theFirst, theSecond);
        CheckFailure(inCanvas);
        if (inCanvas.Ok())
            for (const vx::Variant& theOut : theOuts)
                if (theOut.AsDouble() < 0)
                    std::abort();
        break;
    }
    case 'L': {
        const vx::Variant theLength = inCanvas.Call("TextLength", theFirst, theSecond);
        CheckFailure(inCanvas);
        if (inCanvas.Ok() && theLength.AsLong() < 0)
            std::abort();
        break;
    }
    case 'G': {
        const vx::Variant theBytes = inCanvas.Call("GetAs", theFirst, theSecond);
        CheckFailure(inCanvas);
        if (inCanvas.Ok() && ByteCount(theBytes) <= 0)
            std::abort();
        break;
    }
    case 'P':
        Put(inCanvas, theFirst, theSecond);
        break;
    case 'E':
        Draw(inCanvas, "Erase");
        break;
    case 'I':
        Draw(inCanvas, "Invert");
        break;
    case 'C':
        inCanvas.Call("Clear");
        CheckFailure(inCanvas);
        break;
    default:
        break;
    }
}

}  // namespace

// Fonts are resolved through fontconfig, which keeps its configuration and
// font sets for the life of the process.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// The server unloads the imaging platform with its last canvas; the fuzzer's
// coverage counters inside it must stay mapped, so the library is held here.
// One canvas is kept for the process's life as well: without it each input
// started the platform afresh (codecs, importers, exporters), which was most
// of its cost and of the coverage each input reported, though no input
// changes what start-up does.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (const char* thePath = std::getenv("VX_IMAGING"))
        dlopen(thePath, RTLD_NOW | RTLD_NODELETE);
    static vx::Client sKeeper = CreateCanvas();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* inData, std::size_t inSize)
{
    const std::string_view theInput(reinterpret_cast<const char*>(inData), inSize);
    vx::Client theCanvas = CreateCanvas();
    if (!theCanvas.Put("MaxPixels", int(kMaxPixels)) || !theCanvas.Put("Width", 64) || !theCanvas.Put("Height", 48))
        std::abort();
    int theCalls = 0;
    for (std::size_t theStart = 0; theStart < theInput.size() && theCalls < kMaxCalls; ++theCalls) {
        std::size_t theEnd = theInput.find('\n', theStart);
        if (theEnd == std::string_view::npos)
            theEnd = theInput.size();
        if (theEnd > theStart)
            RunLine(theCanvas, theInput.substr(theStart, theEnd - theStart));
        theStart = theEnd + 1;
    }
    SetErrorInfo(0, nullptr);
    return 0;
}
