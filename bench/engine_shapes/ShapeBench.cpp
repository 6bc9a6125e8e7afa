#include <benchmark/benchmark.h>

#include <cstring>

#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/DrawGDIShape.h"
#include "vellumax/engine/DrawShapeOp.h"

namespace {

bool MakeStore(Bitmap& ioStore, std::int32_t inSide)
{
    ioStore.SetWidth(inSide);
    ioStore.SetHeight(inSide);
    return ioStore.Erase() == noErr;
}

// What DrawShape does per call once its arguments are text: make the
// operation, give it the shape and the parameter string, run it checked.
void BM_DrawShapeRect1x1(benchmark::State& ioState)
{
    Bitmap theStore;
    if (!MakeStore(theStore, 64))
        ioState.SkipWithError("no store");
    for (auto _ : ioState) {
        DrawShapeOp theOperation;
        theOperation.SetShape("rect");
        theOperation.SetParameterString("rect=3,3,4,4");
        theOperation.Run(theStore, Operation::RunCheck::kRecordAndCheck);
        benchmark::DoNotOptimize(theOperation.GetErrorReport()->HasError());
    }
}
BENCHMARK(BM_DrawShapeRect1x1);

// A filled and outlined 40-pixel oval, for scale.
void BM_DrawShapeOval40(benchmark::State& ioState)
{
    Bitmap theStore;
    if (!MakeStore(theStore, 64))
        ioState.SkipWithError("no store");
    for (auto _ : ioState) {
        DrawShapeOp theOperation;
        theOperation.SetShape("oval");
        theOperation.SetParameterString("rect=10,10,50,50 pensize=3");
        theOperation.Run(theStore, Operation::RunCheck::kRecordAndCheck);
        benchmark::DoNotOptimize(theOperation.GetErrorReport()->HasError());
    }
}
BENCHMARK(BM_DrawShapeOval40);

// TextLength of a short paragraph on its 4 × 4 scratch store.
void BM_TextLength(benchmark::State& ioState)
{
    Bitmap theStore;
    if (!MakeStore(theStore, 4))
        ioState.SkipWithError("no store");
    for (auto _ : ioState) {
        DrawGDIShape theOperation("Text Length:", DrawGDIShape::Primitives::kDirect);
        std::strcpy(theOperation.GetParameters()->Font, "DejaVu Sans");
        theOperation.SetText("The quick brown fox jumps over the lazy dog, twice over and once more.");
        theOperation.SetParameterString("rect=0,0,200,100 textsize=10");
        theOperation.Run(theStore, Operation::RunCheck::kRecordAndCheck);
        benchmark::DoNotOptimize(theOperation.GetLengthDrawn());
    }
}
BENCHMARK(BM_TextLength)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
