// Costs of the canvas's method frame as scripts see them: a property put
// through the vtable and late-bound through IDispatch, and a drawing call.
// Run with VX_IMAGING naming <build>/lib/libvx-imaging.so.
#include <benchmark/benchmark.h>

#include <automation/ComVariant.h>
#include <automation/Interfaces.h>
#include <automation/Variant.h>
#include <vellumax/ICanvas.h>

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

}  // namespace
