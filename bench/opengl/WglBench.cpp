// What one drawing through an OSMesa context on a store costs before anything
// is drawn: making it current (the store's pixels go into Mesa's framebuffer)
// and releasing it (the framebuffer comes back), by store size. The polygon
// renderer draws its own coverage instead because of these figures.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "opengl/Wgl.h"

namespace {

void BM_ContextRoundTrip(benchmark::State& ioState)
{
    const int theWidth = static_cast<int>(ioState.range(0));
    const int theHeight = static_cast<int>(ioState.range(1));
    std::vector<std::uint8_t> thePixels(static_cast<std::size_t>(theWidth) * theHeight * 4, 255);
    HGLRC theContext = wglCreateContextOnPixels(thePixels.data(), theWidth, theHeight, theWidth * 4);
    if (theContext == nullptr) {
        ioState.SkipWithError("no context");
        return;
    }
    for (auto _ : ioState) {
        wglMakeCurrent(theContext);
        wglMakeCurrent(nullptr);
    }
    wglDeleteContext(theContext);
}
BENCHMARK(BM_ContextRoundTrip)->Args({64, 64})->Args({800, 600})->Unit(benchmark::kMicrosecond);

}  // namespace
