// Parsing a posted body of 10 MB holding one file part, as a page does it:
// SetData on an XMultipart, then the field's bytes read back.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <automation/ComVariant.h>
#include <vellumax/IXMultipart.h>

#include "vellumax/upload/MultipartParser.h"

HRESULT VxGetClassObject_XMultipart(REFIID inIid, void** outObject);

namespace {

constexpr std::size_t kFileSize = 10 * 1000 * 1000;

enum class FileKind { kBinary, kText };

std::vector<std::uint8_t> Body(FileKind inKind)
{
    const std::string theBoundary = "----FormBoundary7MA4YWxkTrZu0gW";
    std::string theBody = "--" + theBoundary +
                          "\r\nContent-Disposition: form-data; name=\"picture\"; filename=\"big.bin\"\r\n"
                          "Content-Type: application/octet-stream\r\n\r\n";
    std::mt19937 theRandom(7);
    const std::size_t theStart = theBody.size();
    theBody.resize(theStart + kFileSize);
    for (std::size_t theAt = theStart; theAt < theBody.size(); ++theAt) {
        const auto theByte = static_cast<char>(theRandom());
        // Text has no zero bytes, so all of it becomes Contents: the slow case.
        theBody[theAt] = inKind == FileKind::kText ? char('a' + (static_cast<unsigned char>(theByte) % 26)) : theByte;
    }
    theBody += "\r\n--" + theBoundary + "--\r\n";
    return {theBody.begin(), theBody.end()};
}

IXMultipart* NewForm()
{
    IClassFactory* theFactory = nullptr;
    VxGetClassObject_XMultipart(IID_IClassFactory, reinterpret_cast<void**>(&theFactory));
    IXMultipart* theForm = nullptr;
    theFactory->CreateInstance(nullptr, IID_IXMultipart, reinterpret_cast<void**>(&theForm));
    theFactory->Release();
    return theForm;
}

void SetDataOnePart(benchmark::State& ioState, FileKind inKind)
{
    const vx::Variant theBody(Body(inKind));
    IXMultipart* theForm = NewForm();
    for (auto _ : ioState) {
        if (theForm->SetData(*theBody.Get()) != S_OK)
            ioState.SkipWithError("SetData failed");
        LONG theCount = 0;
        theForm->get_Count(&theCount);
        if (theCount != 1)
            ioState.SkipWithError("wrong field count");
    }
    theForm->Release();
    ioState.SetBytesProcessed(std::int64_t(ioState.iterations()) * std::int64_t(theBody.AsBytes().size()));
}

void BM_SetDataBinaryFile(benchmark::State& ioState)
{
    SetDataOnePart(ioState, FileKind::kBinary);
}
void BM_SetDataTextFile(benchmark::State& ioState)
{
    SetDataOnePart(ioState, FileKind::kText);
}

void BM_ParseOnly(benchmark::State& ioState)
{
    const std::vector<std::uint8_t> theBody = Body(FileKind::kBinary);
    for (auto _ : ioState)
        benchmark::DoNotOptimize(MultipartParser::Parse(theBody.data(), theBody.size()));
    ioState.SetBytesProcessed(std::int64_t(ioState.iterations()) * std::int64_t(theBody.size()));
}

// 10 MiB of the smallest parts a boundary allows (six bytes each): the count
// of parts, not the bytes, is what costs here.
const vx::Variant& TinyParts()
{
    static const vx::Variant theData = [] {
        constexpr std::size_t kSize = std::size_t(10) << 20;
        std::string theBody;
        theBody.reserve(kSize);
        while (theBody.size() + 10 <= kSize)
            theBody += "--\r\n\r\n";
        theBody += "----";
        return vx::Variant(std::vector<std::uint8_t>(theBody.begin(), theBody.end()));
    }();
    return theData;
}

// A form over TinyParts, its part limit raised to take them all.
IXMultipart* TinyForm(benchmark::State& ioState)
{
    IXMultipart* theForm = NewForm();
    theForm->put_MaxParts(*vx::Variant(2'000'000).Get());
    if (theForm->SetData(*TinyParts().Get()) != S_OK)
        ioState.SkipWithError("SetData failed");
    return theForm;
}

// Bound: 0.5 s a parse.
void BM_SetDataTinyParts(benchmark::State& ioState)
{
    IXMultipart* theForm = NewForm();
    theForm->put_MaxParts(*vx::Variant(2'000'000).Get());
    for (auto _ : ioState) {
        if (theForm->SetData(*TinyParts().Get()) != S_OK)
            ioState.SkipWithError("SetData failed");
        LONG theCount = 0;
        theForm->get_Count(&theCount);
        if (theCount < 1'700'000)
            ioState.SkipWithError("wrong field count");
    }
    theForm->Release();
    ioState.counters["parts"] = double(TinyParts().AsBytes().size() / 6);
}

// Every field made, handed out and dropped, as a script's loop over the form.
void BM_EnumerateTinyParts(benchmark::State& ioState)
{
    IXMultipart* theForm = TinyForm(ioState);
    for (auto _ : ioState) {
        IUnknown* theUnknown = nullptr;
        theForm->get__NewEnum(&theUnknown);
        IEnumVARIANT* theEnum = nullptr;
        theUnknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&theEnum));
        theUnknown->Release();
        VARIANT theItem;
        while (theEnum->Next(1, &theItem, nullptr) == S_OK)
            VariantClear(&theItem);
        theEnum->Release();
    }
    theForm->Release();
}

// A name no part has, on a fresh form each time: the index is built once,
// then each further lookup is one hash probe.
void BM_ItemByNameTinyParts(benchmark::State& ioState)
{
    const vx::Variant theName("absent");
    for (auto _ : ioState) {
        ioState.PauseTiming();
        IXMultipart* theForm = TinyForm(ioState);
        ioState.ResumeTiming();
        for (int theLookup = 0; theLookup < 100; ++theLookup) {
            VARIANT theItem;
            if (theForm->get_Item(*theName.Get(), &theItem) != DISP_E_BADINDEX)
                ioState.SkipWithError("found a part named absent");
        }
        ioState.PauseTiming();
        theForm->Release();
        ioState.ResumeTiming();
    }
}

BENCHMARK(BM_SetDataTinyParts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnumerateTinyParts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ItemByNameTinyParts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetDataBinaryFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetDataTextFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond);

}  // namespace
