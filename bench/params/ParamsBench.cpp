// Parameter strings and colour text: the per-call costs of every drawing call.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "vellumax/params/Parameters.h"
#include "vellumax/params/Utilities.h"

namespace {

// 100 characters, the shape of a typical drawing call.
constexpr char kTypical[] =
    "rect=10,10,210,160 pencolor=red paintcolor=50,60,70 pensize=12 shape=roundrect op=both halign=middle";
static_assert(sizeof(kTypical) - 1 == 100);

constexpr char kWithFont[] =
    "rect=10,10,210,160 textcolor=blue textfont='Liberation Sans,DejaVu Sans' textsize=12 text='Hello'";

void ParseTypical(benchmark::State& ioState)
{
    auto theParams = std::make_unique<Parameters>();
    for (auto _ : ioState) {
        benchmark::DoNotOptimize(theParams->Parse(kTypical));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ParseTypical);

// As an operation does it: a fresh record for every call.
void ParseTypicalIntoNewRecord(benchmark::State& ioState)
{
    for (auto _ : ioState) {
        auto theParams = std::make_unique<Parameters>();
        benchmark::DoNotOptimize(theParams->Parse(kTypical));
    }
}
BENCHMARK(ParseTypicalIntoNewRecord);

void ParseWithTextFont(benchmark::State& ioState)
{
    auto theParams = std::make_unique<Parameters>();
    // The list is matched against the installed families when text is drawn.
    if (theParams->Parse(kWithFont) != 0 || theParams->FontLists.size() != 1)
        ioState.SkipWithError("the font list was not kept");
    for (auto _ : ioState) {
        benchmark::DoNotOptimize(theParams->Parse(kWithFont));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ParseWithTextFont);

void FormatColorText(benchmark::State& ioState)
{
    ColorValue theColor;
    ReadColor("red", &theColor);
    char theText[kTextCapacity];
    for (auto _ : ioState) {
        FormatColor(theColor, theText);
        benchmark::DoNotOptimize(theText);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(FormatColorText);

void ReadColorPercentages(benchmark::State& ioState)
{
    ColorValue theColor;
    for (auto _ : ioState)
        benchmark::DoNotOptimize(ReadColor("86.5,3.4,2.6,100.0", &theColor));
}
BENCHMARK(ReadColorPercentages);

}  // namespace
