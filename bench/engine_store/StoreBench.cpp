#include <benchmark/benchmark.h>

#include <memory>

#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/Operation.h"

namespace {

// Growing a 1000 × 1000 store to 1200 × 1000: the re-fit, the copy of the
// overlap and the fill of the new strip. The shrink back is not timed.
void BM_RefitWider(benchmark::State& ioState)
{
    Bitmap theStore;
    theStore.SetWidth(1000);
    theStore.SetHeight(1000);
    if (theStore.Update() != noErr)
        ioState.SkipWithError("no store");
    for (auto _ : ioState) {
        theStore.SetWidth(1200);
        benchmark::DoNotOptimize(theStore.Update());
        ioState.PauseTiming();
        theStore.SetWidth(1000);
        theStore.Update();
        ioState.ResumeTiming();
    }
}
BENCHMARK(BM_RefitWider)->Unit(benchmark::kMillisecond);

void BM_GetPixelColor32(benchmark::State& ioState)
{
    Bitmap theStore;
    theStore.SetWidth(256);
    theStore.SetHeight(256);
    if (theStore.Update() != noErr)
        ioState.SkipWithError("no store");
    std::int32_t theAt = 0;
    for (auto _ : ioState) {
        benchmark::DoNotOptimize(theStore.GetPixelColor(theAt & 255, (theAt >> 8) & 255));
        ++theAt;
    }
}
BENCHMARK(BM_GetPixelColor32);

class EmptyOp : public Operation {
public:
    EmptyOp() : Operation("Empty:") {}
    void Do(Bitmap&) override {}
    // Back to the state after SetParameterString, so that every run does the same work.
    void Rewind(std::size_t inReportLength)
    {
        mReport.resize(inReportLength);
        *mError = ErrorReport();
    }
};

// One checked run: the "Canvas" entry, the context, the parse check, the
// placement and the main step (the rewind of the records included).
void BM_RunEmptyStep(benchmark::State& ioState)
{
    Bitmap theStore;
    theStore.SetWidth(100);
    theStore.SetHeight(100);
    theStore.Update();
    EmptyOp theOp;
    theOp.SetParameterString("rect=10,10,90,90 pencolor=red pensize=3");
    const std::size_t theLength = theOp.GetReport().size();
    for (auto _ : ioState) {
        theOp.Rewind(theLength);
        theOp.Run(theStore, Operation::RunCheck::kRecordAndCheck);
    }
}
BENCHMARK(BM_RunEmptyStep);

// The whole life of an operation in a canvas call, for comparison: the
// records made, the string parsed, the run.
void BM_OperationLifetime(benchmark::State& ioState)
{
    Bitmap theStore;
    theStore.SetWidth(100);
    theStore.SetHeight(100);
    theStore.Update();
    for (auto _ : ioState) {
        EmptyOp theOp;
        theOp.SetParameterString("rect=10,10,90,90 pencolor=red pensize=3");
        theOp.Run(theStore, Operation::RunCheck::kRecordAndCheck);
        benchmark::DoNotOptimize(theOp.GetResultRect());
    }
}
BENCHMARK(BM_OperationLifetime);

}  // namespace
