// Costs of the canvas's method frame as scripts see them: a property put
// through the vtable and late-bound through IDispatch, and a drawing call.
// Run with VX_IMAGING naming <build>/lib/libvx-imaging.so.
#include <benchmark/benchmark.h>

#include <automation/ComVariant.h>
#include <automation/Interfaces.h>
#include <automation/Variant.h>
#include <vellumax/ICanvas.h>

#include <string>

HRESULT VxGetClassObject_Canvas(REFIID inIid, void** outObject);

namespace {

// A canvas's ICanvas, made through its factory; null when that fails.
ICanvas* NewCanvas(benchmark::State& ioState)
{
    IClassFactory* theFactory = nullptr;
    ICanvas* theCanvas = nullptr;
    if (VxGetClassObject_Canvas(IID_IClassFactory, reinterpret_cast<void**>(&theFactory)) == S_OK) {
        theFactory->CreateInstance(nullptr, IID_ICanvas, reinterpret_cast<void**>(&theCanvas));
        theFactory->Release();
    }
    if (theCanvas == nullptr)
        ioState.SkipWithError("no canvas");
    return theCanvas;
}

void BM_PutPenSizeThroughVtable(benchmark::State& ioState)
{
    ICanvas* theCanvas = NewCanvas(ioState);
    if (theCanvas == nullptr)
        return;
    VARIANT theValue;
    theValue.vt = VT_I4;
    theValue.lVal = 3;
    for (auto _ : ioState)
        benchmark::DoNotOptimize(theCanvas->put_PenSize(theValue));
    theCanvas->Release();
}
BENCHMARK(BM_PutPenSizeThroughVtable);

void BM_PutPenColorThroughVtable(benchmark::State& ioState)
{
    ICanvas* theCanvas = NewCanvas(ioState);
    if (theCanvas == nullptr)
        return;
    vx::ComVariant theValue("red");
    for (auto _ : ioState)
        benchmark::DoNotOptimize(theCanvas->put_PenColor(*theValue.Get()));
    theCanvas->Release();
}
BENCHMARK(BM_PutPenColorThroughVtable);

// What a script engine does: Invoke with the named DISPID_PROPERTYPUT argument.
void BM_PutPenSizeThroughInvoke(benchmark::State& ioState)
{
    ICanvas* theCanvas = NewCanvas(ioState);
    if (theCanvas == nullptr)
        return;
    VARIANT theValue;
    theValue.vt = VT_I4;
    theValue.lVal = 3;
    DISPID thePut = DISPID_PROPERTYPUT;
    DISPPARAMS theParams{&theValue, &thePut, 1, 1};
    for (auto _ : ioState)
        benchmark::DoNotOptimize(theCanvas->Invoke(kCanvasPenSize, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &theParams,
                                                   nullptr, nullptr, nullptr));
    theCanvas->Release();
}
BENCHMARK(BM_PutPenSizeThroughInvoke);

// The whole operation frame around an empty main step: defaults (font
// resolution included), report, checked run. A canvas without pixels is left alone.
void BM_EraseWithoutPixels(benchmark::State& ioState)
{
    ICanvas* theCanvas = NewCanvas(ioState);
    if (theCanvas == nullptr)
        return;
    for (auto _ : ioState)
        benchmark::DoNotOptimize(theCanvas->Erase());
    theCanvas->Release();
}
BENCHMARK(BM_EraseWithoutPixels);

// Skipped until the shape engine is built: DrawShape fails before drawing.
void BM_DrawShapeSmallRectangle(benchmark::State& ioState)
{
    ICanvas* theCanvas = NewCanvas(ioState);
    if (theCanvas == nullptr)
        return;
    VARIANT theSide;
    theSide.vt = VT_I4;
    theSide.lVal = 64;
    theCanvas->put_Width(theSide);
    theCanvas->put_Height(theSide);
    vx::ComVariant theShape("rect");
    vx::ComVariant theParams("rect=4,4,20,20 pencolor=red paintcolor=blue");
    vx::ComVariant theRect;
    if (theCanvas->DrawShape(theShape.Get(), theParams.Get(), theRect.Out()) != S_OK) {
        ioState.SkipWithError("DrawShape is not available yet");
        theCanvas->Release();
        return;
    }
    for (auto _ : ioState)
        benchmark::DoNotOptimize(theCanvas->DrawShape(theShape.Get(), theParams.Get(), theRect.Out()));
    theCanvas->Release();
}
BENCHMARK(BM_DrawShapeSmallRectangle);

// One 40-pixel antialiased oval, filled and outlined, on an 800 x 600 canvas:
// a call should cost what the oval costs, not what the canvas does.
void BM_DrawShapeAntialiasedOval(benchmark::State& ioState)
{
    ICanvas* theCanvas = NewCanvas(ioState);
    if (theCanvas == nullptr)
        return;
    VARIANT theSide;
    theSide.vt = VT_I4;
    theSide.lVal = 800;
    theCanvas->put_Width(theSide);
    theSide.lVal = 600;
    theCanvas->put_Height(theSide);
    vx::ComVariant theShape("oval");
    vx::ComVariant theParams("rect=380,280,420,320 pensize=3 pencolor=black paintcolor=red opengl=true");
    vx::ComVariant theRect;
    if (theCanvas->DrawShape(theShape.Get(), theParams.Get(), theRect.Out()) != S_OK) {
        ioState.SkipWithError("DrawShape failed");
        theCanvas->Release();
        return;
    }
    for (auto _ : ioState)
        benchmark::DoNotOptimize(theCanvas->DrawShape(theShape.Get(), theParams.Get(), theRect.Out()));
    theCanvas->Release();
}
BENCHMARK(BM_DrawShapeAntialiasedOval);

// A megabyte of text that could make layout costly, through the methods
// scripts call, in a 400 x 300 rectangle. Bound: 250 ms each.
enum class Hostile { kMarks, kMixed, kEndlessWord, kWords };

std::string Words()
{
    static const char* const kWords[] = {"vellum", "ink",   "margin", "quill", "page",
                                         "letter", "serif", "column", "gutter"};
    std::string theText;
    for (int theIndex = 0; theIndex < 90; ++theIndex)
        theText += std::string(kWords[(theIndex * 7) % 9]) + " ";
    return theText;
}

std::string HostileText(Hostile inKind, std::size_t inSize)
{
    std::string theText = inKind == Hostile::kMarks ? "a" : "";
    while (theText.size() < inSize) {
        switch (inKind) {
        case Hostile::kMarks:
            theText += "\xCC\x81";  // combining acute accent
            break;
        case Hostile::kMixed:
            theText += "ink \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D quill \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 12 ";
            break;
        case Hostile::kEndlessWord:
            theText += "vellumink";
            break;
        case Hostile::kWords:
            theText += Words();
            break;
        }
    }
    return theText;
}

enum class Method { kDrawText, kTextArea, kTextLength };

// kRaised passes the largest maxtext, so that the whole text is laid out; kDefault
// leaves the bound as it is, so that a long text measures the refusal.
enum class Bound { kRaised, kDefault };

void TextCall(benchmark::State& ioState, Method inMethod, Hostile inKind, std::size_t inSize,
              Bound inBound = Bound::kRaised)
{
    ICanvas* theCanvas = NewCanvas(ioState);
    if (theCanvas == nullptr)
        return;
    VARIANT theSide;
    theSide.vt = VT_I4;
    theSide.lVal = 400;
    theCanvas->put_Width(theSide);
    theSide.lVal = 300;
    theCanvas->put_Height(theSide);
    vx::ComVariant theText(HostileText(inKind, inSize));
    vx::ComVariant theParams(inBound == Bound::kRaised
                                 ? "rect=0,0,400,300 textsize=12 textfont='DejaVu Sans' maxtext=16777216"
                                 : "rect=0,0,400,300 textsize=12 textfont='DejaVu Sans'");
    const HRESULT theExpected = inBound == Bound::kRaised ? S_OK : E_FAIL;
    vx::ComVariant theFirst, theSecond, theThird;
    const auto theCall = [&] {
        switch (inMethod) {
        case Method::kDrawText:
            return theCanvas->DrawText(theText.Get(), theParams.Get(), theFirst.Out());
        case Method::kTextArea:
            return theCanvas->TextArea(theText.Get(), theParams.Get(), theFirst.Out(), theSecond.Out(), theThird.Out());
        case Method::kTextLength:
            return theCanvas->TextLength(theText.Get(), theParams.Get(), theFirst.Out());
        }
        return E_FAIL;
    };
    for (auto _ : ioState) {
        if (theCall() != theExpected) {
            ioState.SkipWithError("text call did not end as expected");
            break;
        }
    }
    theCanvas->Release();
}

constexpr std::size_t kMegabyte = std::size_t(1) << 20;
void BM_DrawTextMegabyte(benchmark::State& ioState)
{
    TextCall(ioState, Method::kDrawText, static_cast<Hostile>(ioState.range(0)), kMegabyte);
}
void BM_TextAreaMegabyte(benchmark::State& ioState)
{
    TextCall(ioState, Method::kTextArea, static_cast<Hostile>(ioState.range(0)), kMegabyte);
}
void BM_TextLengthMegabyte(benchmark::State& ioState)
{
    TextCall(ioState, Method::kTextLength, static_cast<Hostile>(ioState.range(0)), kMegabyte);
}
// Arguments: 0 marks, 1 mixed directions, 2 one endless word, 3 words.
BENCHMARK(BM_DrawTextMegabyte)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TextAreaMegabyte)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TextLengthMegabyte)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);

// A megabyte over the default bound: refused before any layout.
void BM_DrawTextMegabyteRefused(benchmark::State& ioState)
{
    TextCall(ioState, Method::kDrawText, static_cast<Hostile>(ioState.range(0)), kMegabyte, Bound::kDefault);
}
BENCHMARK(BM_DrawTextMegabyteRefused)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);

// Words in the same small rectangle: the cost should follow what is drawn,
// so 10 KB and 1 MB cost about the same.
void BM_DrawTextWords(benchmark::State& ioState)
{
    TextCall(ioState, Method::kDrawText, Hostile::kWords, static_cast<std::size_t>(ioState.range(0)) << 10);
}
BENCHMARK(BM_DrawTextWords)->Arg(10)->Arg(1024)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
