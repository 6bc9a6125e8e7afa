// Canvases drawn onto canvases: DrawCanvas of a 1024 × 1024 canvas blended onto
// another (target: at most 4 ms of processor time), and SetChannel on 1024 × 1024
// (at most 6 ms). Google Benchmark's CPU column is the processor time.
// Run with VX_IMAGING naming <build>/lib/libvx-imaging.so.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include <automation/ComVariant.h>
#include <automation/Interfaces.h>
#include <vellumax/ICanvas.h>

HRESULT VxGetClassObject_Canvas(REFIID inIid, void** outObject);

namespace {

constexpr int kSide = 1024;

// One counted reference for the length of a benchmark.
class CanvasRef {
public:
    CanvasRef(int inWidth, int inHeight, const char* inColor)
    {
        IClassFactory* theFactory = nullptr;
        if (VxGetClassObject_Canvas(IID_IClassFactory, reinterpret_cast<void**>(&theFactory)) == S_OK) {
            theFactory->CreateInstance(nullptr, IID_ICanvas, reinterpret_cast<void**>(&mCanvas));
            theFactory->Release();
        }
        if (mCanvas == nullptr)
            return;
        mCanvas->put_Width(*vx::ComVariant(inWidth).Get());
        mCanvas->put_Height(*vx::ComVariant(inHeight).Get());
        mCanvas->put_Color(*vx::ComVariant(inColor).Get());
        mCanvas->Erase();
    }
    CanvasRef(const CanvasRef&) = delete;
    CanvasRef& operator=(const CanvasRef&) = delete;
    ~CanvasRef()
    {
        if (mCanvas != nullptr)
            mCanvas->Release();
    }
    ICanvas* operator->() const { return mCanvas; }
    ICanvas* Get() const { return mCanvas; }

private:
    ICanvas* mCanvas = nullptr;
};

void BM_DrawCanvasBlend1024(benchmark::State& ioState)
{
    CanvasRef theTarget(kSide, kSide, "20,40,60");
    CanvasRef theSource(kSide, kSide, "90,50,10");
    if (theTarget.Get() == nullptr || theSource.Get() == nullptr)
        return ioState.SkipWithError("no canvas");
    // Half transparent, so that the blend has work on every channel.
    theSource->SetChannel(*vx::ComVariant("alpha").Get(), theTarget.Get());
    vx::ComVariant theObject(static_cast<IDispatch*>(theSource.Get()));
    vx::ComVariant theParams("mode=blend modecolor=50,75,100");
    vx::ComVariant theResult;
    for (auto _ : ioState)
        if (theTarget->DrawCanvas(theObject.Get(), theParams.Get(), theResult.Out()) != S_OK)
            return ioState.SkipWithError("DrawCanvas failed");
}
BENCHMARK(BM_DrawCanvasBlend1024)->Unit(benchmark::kMillisecond);

void BM_SetChannel1024(benchmark::State& ioState)
{
    CanvasRef theTarget(kSide, kSide, "20,40,60");
    CanvasRef theSource(kSide, kSide, "black");
    if (theTarget.Get() == nullptr || theSource.Get() == nullptr)
        return ioState.SkipWithError("no canvas");
    theSource->DrawShape(vx::ComVariant("oval").Get(), vx::ComVariant("rect=100,100,900,900 paintcolor=white").Get(),
                         vx::ComVariant().Out());
    vx::ComVariant theChannel("alpha");
    for (auto _ : ioState)
        if (theTarget->SetChannel(*theChannel.Get(), theSource.Get()) != S_OK)
            return ioState.SkipWithError("SetChannel failed");
}
BENCHMARK(BM_SetChannel1024)->Unit(benchmark::kMillisecond);

}  // namespace
