#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Scene.h"

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

// The comparison's antialiased scene: 200 rectangles and 200 ovals, filled
// and outlined with a 3-pixel pen, on an 800 x 600 store.
void BM_AntialiasedScene(benchmark::State& ioState)
{
    Bitmap theStore;
    theStore.SetWidth(kSceneWidth);
    theStore.SetHeight(kSceneHeight);
    if (theStore.Erase() != noErr)
        ioState.SkipWithError("no store");
    static SceneShape theShapes[2 * kSceneShapes];
    SceneShapes(theShapes);
    std::vector<std::string> theParams;
    for (const SceneShape& s : theShapes) {
        char theText[160];
        std::snprintf(theText, sizeof theText,
                      "rect=%d,%d,%d,%d pensize=%d pencolor=black paintcolor=%.4f,%.4f,%.4f opengl=true", s.left, s.top,
                      s.right, s.bottom, kScenePen, s.red * 100.0 / 255, s.green * 100.0 / 255, s.blue * 100.0 / 255);
        theParams.emplace_back(theText);
    }
    for (auto _ : ioState) {
        theStore.Erase();
        for (int i = 0; i < 2 * kSceneShapes; ++i) {
            DrawShapeOp theOperation;
            theOperation.SetShape(i < kSceneShapes ? "rect" : "oval");
            theOperation.SetParameterString(theParams[i].c_str());
            theOperation.Run(theStore, Operation::RunCheck::kRecordAndCheck);
        }
    }
}
BENCHMARK(BM_AntialiasedScene)->Unit(benchmark::kMillisecond);

// Polygons filled antialiased by the odd rule: a pentagram, a seven-pointed
// star of step 3 (more crossings) and 30 random points on a 250-pixel store.
void BM_AntialiasedPolygon(benchmark::State& ioState)
{
    Bitmap theStore;
    if (!MakeStore(theStore, 256))
        ioState.SkipWithError("no store");
    std::string thePoints;
    const auto theAdd = [&thePoints](int inX, int inY) {
        thePoints += (thePoints.empty() ? "" : ",") + std::to_string(inX) + "," + std::to_string(inY);
    };
    const int theCase = static_cast<int>(ioState.range(0));
    if (theCase < 2) {
        const int theCount = theCase == 0 ? 5 : 7;
        const int theStep = theCase == 0 ? 2 : 3;
        for (int i = 0; i < theCount; ++i) {
            const double a = 2 * M_PI * i * theStep / theCount;
            theAdd(static_cast<int>(125 + 120 * std::sin(a)), static_cast<int>(125 - 120 * std::cos(a)));
        }
    } else {
        unsigned theSeed = 5;
        for (int i = 0; i < 30; ++i)
            theAdd(static_cast<int>(SceneNext(&theSeed) % 250), static_cast<int>(SceneNext(&theSeed) % 250));
    }
    const std::string theParams = "points=" + thePoints + " op=paint opengl=true";
    for (auto _ : ioState) {
        DrawShapeOp theOperation;
        theOperation.SetShape("polygon");
        theOperation.SetParameterString(theParams.c_str());
        theOperation.Run(theStore, Operation::RunCheck::kRecordAndCheck);
    }
}
BENCHMARK(BM_AntialiasedPolygon)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

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
