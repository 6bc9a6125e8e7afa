// Invoke cost of a table-driven dual interface: by DISPID, and by name with
// GetIDsOfNames first, as a script engine does on its first call.
#include <benchmark/benchmark.h>

#include <string>

#include "automation/ComVariant.h"
#include "automation/Dispatch.h"

namespace {

inline constexpr IID IID_IBenchThing = {0x6A1C0101, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x77}};

struct IBenchThing : IDispatch {
    virtual HRESULT get_Width(VARIANT* outVal) = 0;
    virtual HRESULT put_Width(VARIANT inVal) = 0;
    virtual HRESULT get_Height(LONG* outVal) = 0;
    virtual HRESULT Scale(LONG inBy, VARIANT* inOffset, VARIANT* outResult) = 0;
};

const vx::DispatchTable& BenchTable();

class BenchThing final : public vx::ComObject<BenchThing, vx::DispatchImpl<IBenchThing, BenchTable>> {
public:
    using Interfaces =
        vx::InterfaceMap<vx::Answers<IBenchThing, IID_IBenchThing>, vx::Answers<IDispatch, IID_IDispatch>>;

    HRESULT get_Width(VARIANT* outVal) override
    {
        outVal->vt = VT_I4;
        outVal->lVal = mWidth;
        return S_OK;
    }
    HRESULT put_Width(VARIANT inVal) override
    {
        mWidth = vx::Variant(inVal).AsLong();
        return S_OK;
    }
    HRESULT get_Height(LONG* outVal) override
    {
        *outVal = mWidth / 2;
        return S_OK;
    }
    HRESULT Scale(LONG inBy, VARIANT* inOffset, VARIANT* outResult) override
    {
        outResult->vt = VT_I4;
        outResult->lVal = mWidth * inBy + (inOffset->vt == VT_I4 ? inOffset->lVal : 0);
        return S_OK;
    }

    LONG mWidth = 640;
};

const vx::DispatchTable& BenchTable()
{
    static const vx::DispatchTable theTable(
        IID_IBenchThing, "IBenchThing", "Benchmark interface",
        {
            // Filler members so that lookups search a table of a real interface's size.
            vx::PropertyGet<&IBenchThing::get_Height>(20, "Depth", "", vx::Retval("outVal")),
            vx::PropertyGet<&IBenchThing::get_Height>(21, "Color", "", vx::Retval("outVal")),
            vx::PropertyGet<&IBenchThing::get_Height>(22, "PaintColor", "", vx::Retval("outVal")),
            vx::PropertyGet<&IBenchThing::get_Height>(23, "PenColor", "", vx::Retval("outVal")),
            vx::PropertyGet<&IBenchThing::get_Height>(24, "TextColor", "", vx::Retval("outVal")),
            vx::PropertyGet<&IBenchThing::get_Height>(25, "PenSize", "", vx::Retval("outVal")),
            vx::PropertyGet<&IBenchThing::get_Height>(26, "TextFont", "", vx::Retval("outVal")),
            vx::PropertyGet<&IBenchThing::get_Height>(27, "TextSize", "", vx::Retval("outVal")),
            vx::PropertyGet<&IBenchThing::get_Height>(28, "TextStyle", "", vx::Retval("outVal")),
            vx::PropertyGet<&IBenchThing::get_Height>(29, "HAlign", "", vx::Retval("outVal")),
            vx::PropertyGet<&IBenchThing::get_Width>(2, "Width", "Width in pixels", vx::Retval("outVal")),
            vx::PropertyPut<&IBenchThing::put_Width>(2, "Width", "Width in pixels", vx::In("inVal")),
            vx::PropertyGet<&IBenchThing::get_Height>(3, "Height", "Height in pixels", vx::Retval("outVal")),
            vx::Method<&IBenchThing::Scale>(4, "Scale", "Scaled width", vx::In("inBy"), vx::In("inOffset").Optional(),
                                            vx::Retval("outResult")),
        });
    return theTable;
}

void InvokeGetByDispid(benchmark::State& ioState)
{
    BenchThing* theThing = BenchThing::Create();
    IDispatch* theDispatch = theThing;
    DISPPARAMS theNone = {nullptr, nullptr, 0, 0};
    for (auto _ : ioState) {
        VARIANT theResult;
        theResult.vt = VT_EMPTY;
        HRESULT theCode =
            theDispatch->Invoke(2, GUID_NULL, 0, DISPATCH_PROPERTYGET, &theNone, &theResult, nullptr, nullptr);
        benchmark::DoNotOptimize(theCode);
        benchmark::DoNotOptimize(theResult.lVal);
    }
    theThing->Release();
}
BENCHMARK(InvokeGetByDispid);

void InvokeTypedGetByDispid(benchmark::State& ioState)
{
    BenchThing* theThing = BenchThing::Create();
    IDispatch* theDispatch = theThing;
    DISPPARAMS theNone = {nullptr, nullptr, 0, 0};
    for (auto _ : ioState) {
        VARIANT theResult;
        theResult.vt = VT_EMPTY;
        HRESULT theCode = theDispatch->Invoke(3, GUID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &theNone,
                                              &theResult, nullptr, nullptr);
        benchmark::DoNotOptimize(theCode);
        benchmark::DoNotOptimize(theResult.lVal);
    }
    theThing->Release();
}
BENCHMARK(InvokeTypedGetByDispid);

void InvokeGetByName(benchmark::State& ioState)
{
    BenchThing* theThing = BenchThing::Create();
    IDispatch* theDispatch = theThing;
    DISPPARAMS theNone = {nullptr, nullptr, 0, 0};
    std::u16string theName = u"width";
    LPOLESTR theNames[] = {theName.data()};
    for (auto _ : ioState) {
        DISPID theId = 0;
        theDispatch->GetIDsOfNames(GUID_NULL, theNames, 1, 0, &theId);
        VARIANT theResult;
        theResult.vt = VT_EMPTY;
        HRESULT theCode =
            theDispatch->Invoke(theId, GUID_NULL, 0, DISPATCH_PROPERTYGET, &theNone, &theResult, nullptr, nullptr);
        benchmark::DoNotOptimize(theCode);
        benchmark::DoNotOptimize(theResult.lVal);
    }
    theThing->Release();
}
BENCHMARK(InvokeGetByName);

void InvokeMethodWithCoercion(benchmark::State& ioState)
{
    BenchThing* theThing = BenchThing::Create();
    IDispatch* theDispatch = theThing;
    VARIANT theArgs[2];
    theArgs[0].vt = VT_I4;  // inOffset
    theArgs[0].lVal = 3;
    theArgs[1].vt = VT_R8;  // inBy, coerced to LONG
    theArgs[1].dblVal = 2.0;
    DISPPARAMS theParams = {theArgs, nullptr, 2, 0};
    for (auto _ : ioState) {
        VARIANT theResult;
        theResult.vt = VT_EMPTY;
        HRESULT theCode = theDispatch->Invoke(4, GUID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &theParams,
                                              &theResult, nullptr, nullptr);
        benchmark::DoNotOptimize(theCode);
        benchmark::DoNotOptimize(theResult.lVal);
    }
    theThing->Release();
}
BENCHMARK(InvokeMethodWithCoercion);

void InvokePutByDispid(benchmark::State& ioState)
{
    BenchThing* theThing = BenchThing::Create();
    IDispatch* theDispatch = theThing;
    VARIANT theValue;
    theValue.vt = VT_I4;
    theValue.lVal = 320;
    DISPID thePut = DISPID_PROPERTYPUT;
    DISPPARAMS theParams = {&theValue, &thePut, 1, 1};
    for (auto _ : ioState) {
        HRESULT theCode =
            theDispatch->Invoke(2, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &theParams, nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(theCode);
    }
    theThing->Release();
}
BENCHMARK(InvokePutByDispid);

}  // namespace
