// A small dual interface and a collection, built with the dispatch toolkit
// the way the server's objects are.
#pragma once

#include <string>

#include "automation/Dispatch.h"
#include "automation/Variant.h"
#include "automation/VariantCollection.h"

inline constexpr IID IID_ITestThing = {0x6A1C0001, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x01}};
inline constexpr IID IID_ITestItems = {0x6A1C0002, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x02}};

struct ITestThing : IDispatch {
    virtual HRESULT get_Width(VARIANT* outVal) = 0;
    virtual HRESULT put_Width(VARIANT inVal) = 0;
    virtual HRESULT get_Name(BSTR* outVal) = 0;
    virtual HRESULT put_Name(BSTR inVal) = 0;
    virtual HRESULT get_Partner(IDispatch** outVal) = 0;
    virtual HRESULT putref_Partner(IDispatch* inVal) = 0;
    // outSum = (inA + inB) * inScale; outRatio = inA / inScale. inB optional (0 when missing).
    virtual HRESULT Compute(LONG inA, VARIANT* inB, LONG inScale, float* outRatio, VARIANT* outSum) = 0;
    // Several outs: length and upper-case copy of the text, and the text back as retval.
    virtual HRESULT Describe(VARIANT* inText, VARIANT* outLength, BSTR* outUpper, VARIANT* outText) = 0;
    // Fails with inCode; with a description unless inDescription is empty.
    virtual HRESULT Fail(LONG inCode, BSTR inDescription) = 0;
    virtual HRESULT Negate(VARIANT_BOOL inFlag, VARIANT_BOOL* outFlag) = 0;
    virtual HRESULT get_Items(IDispatch** outItems) = 0;
    // Reports whether its optional argument was left out.
    virtual HRESULT Probe(VARIANT* inMaybe, VARIANT* outKind) = 0;
    virtual HRESULT Echo(VARIANT inValue, VARIANT* outValue) = 0;
};

struct ITestItems : IDispatch {
    virtual HRESULT get_Item(LONG inIndex, VARIANT* outItem) = 0;
    virtual HRESULT get_Count(LONG* outCount) = 0;
    virtual HRESULT get__NewEnum(IUnknown** outEnum) = 0;
};

const vx::DispatchTable& TestThingTable();
const vx::DispatchTable& TestItemsTable();

class TestThing final
    : public vx::ComObject<TestThing, vx::DispatchImpl<ITestThing, TestThingTable>, vx::SupportErrorInfo<TestThing>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<ITestThing, IID_ITestThing>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;
    ~TestThing();

    HRESULT get_Width(VARIANT* outVal) override;
    HRESULT put_Width(VARIANT inVal) override;
    HRESULT get_Name(BSTR* outVal) override;
    HRESULT put_Name(BSTR inVal) override;
    HRESULT get_Partner(IDispatch** outVal) override;
    HRESULT putref_Partner(IDispatch* inVal) override;
    HRESULT Compute(LONG inA, VARIANT* inB, LONG inScale, float* outRatio, VARIANT* outSum) override;
    HRESULT Describe(VARIANT* inText, VARIANT* outLength, BSTR* outUpper, VARIANT* outText) override;
    HRESULT Fail(LONG inCode, BSTR inDescription) override;
    HRESULT Negate(VARIANT_BOOL inFlag, VARIANT_BOOL* outFlag) override;
    HRESULT get_Items(IDispatch** outItems) override;
    HRESULT Probe(VARIANT* inMaybe, VARIANT* outKind) override;
    HRESULT Echo(VARIANT inValue, VARIANT* outValue) override { return VariantCopy(outValue, &inValue); }

    LONG mWidth = 0;
    std::u16string mName;
    IDispatch* mPartner = nullptr;
    int mCalls = 0;
};

class TestItems final
    : public vx::ComObject<TestItems, vx::DispatchImpl<ITestItems, TestItemsTable>, vx::SupportErrorInfo<TestItems>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<ITestItems, IID_ITestItems>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;

    HRESULT get_Item(LONG inIndex, VARIANT* outItem) override { return mList.Item(inIndex, outItem, E_FAIL); }
    HRESULT get_Count(LONG* outCount) override { return mList.Count(outCount); }
    HRESULT get__NewEnum(IUnknown** outEnum) override { return mList.NewEnum(Identity(), outEnum); }

    vx::VariantCollection mList;
};

// Owns one reference; for tests that hold objects across assertions.
template <class T>
struct Ref {
    T* mPtr = nullptr;
    Ref() = default;
    explicit Ref(T* inPtr) : mPtr(inPtr) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { reset(); }
    void reset()
    {
        if (mPtr)
            mPtr->Release();
        mPtr = nullptr;
    }
    T* operator->() const { return mPtr; }
    T* get() const { return mPtr; }
    T** out() { return &mPtr; }
};
