// Coercion costs on the paths every property read and write takes: the
// conversions between 32-bit integers and text should stay under 100 ns.
#include <benchmark/benchmark.h>

#include "automation/SafeArray.h"
#include "automation/Strings.h"
#include "automation/Variant.h"

namespace {

void BM_I4ToBstr(benchmark::State& ioState)
{
    VARIANT theSource;
    VariantInit(&theSource);
    theSource.vt = VT_I4;
    theSource.lVal = -1234567;
    VARIANT theResult;
    VariantInit(&theResult);
    for (auto _ : ioState) {
        // Replaces (and frees) the previous text each round, as a property get does.
        benchmark::DoNotOptimize(VariantChangeType(&theResult, &theSource, 0, VT_BSTR));
    }
    VariantClear(&theResult);
}
BENCHMARK(BM_I4ToBstr);

void BM_BstrToI4(benchmark::State& ioState)
{
    VARIANT theSource;
    VariantInit(&theSource);
    theSource.vt = VT_BSTR;
    theSource.bstrVal = SysAllocString(u" 1234567 ");
    VARIANT theResult;
    VariantInit(&theResult);
    for (auto _ : ioState) {
        benchmark::DoNotOptimize(VariantChangeType(&theResult, &theSource, 0, VT_I4));
        benchmark::DoNotOptimize(theResult.lVal);
    }
    VariantClear(&theSource);
}
BENCHMARK(BM_BstrToI4);

void BM_R8ToBstr(benchmark::State& ioState)
{
    VARIANT theSource;
    VariantInit(&theSource);
    theSource.vt = VT_R8;
    theSource.dblVal = 1.0 / 3.0;
    VARIANT theResult;
    VariantInit(&theResult);
    for (auto _ : ioState)
        benchmark::DoNotOptimize(VariantChangeType(&theResult, &theSource, 0, VT_BSTR));
    VariantClear(&theResult);
}
BENCHMARK(BM_R8ToBstr);

void BM_BstrToR8(benchmark::State& ioState)
{
    VARIANT theSource;
    VariantInit(&theSource);
    theSource.vt = VT_BSTR;
    theSource.bstrVal = SysAllocString(u"-12.5e3");
    VARIANT theResult;
    VariantInit(&theResult);
    for (auto _ : ioState) {
        benchmark::DoNotOptimize(VariantChangeType(&theResult, &theSource, 0, VT_R8));
        benchmark::DoNotOptimize(theResult.dblVal);
    }
    VariantClear(&theSource);
}
BENCHMARK(BM_BstrToR8);

void BM_ByteVectorRoundTrip(benchmark::State& ioState)
{
    for (auto _ : ioState) {
        SAFEARRAY* theArray = SafeArrayCreateVector(VT_UI1, 0, 4096);
        void* theData = nullptr;
        SafeArrayAccessData(theArray, &theData);
        benchmark::DoNotOptimize(theData);
        SafeArrayUnaccessData(theArray);
        SafeArrayDestroy(theArray);
    }
}
BENCHMARK(BM_ByteVectorRoundTrip);

}  // namespace
