#include "TestThing.h"

#include <cwctype>

#include "automation/Bstr.h"
#include "automation/ComVariant.h"
#include "automation/ErrorInfo.h"
#include "automation/Strings.h"

const vx::DispatchTable& TestThingTable()
{
    static const vx::DispatchTable theTable(
        IID_ITestThing, "ITestThing", "A thing for testing dispatch",
        {
            vx::PropertyGet<&ITestThing::get_Width>(1, "Width", "Width in pixels", vx::Retval("outVal")),
            vx::PropertyPut<&ITestThing::put_Width>(1, "Width", "Width in pixels", vx::In("inVal")),
            vx::PropertyGet<&ITestThing::get_Name>(2, "Name", "The name", vx::Retval("outVal")),
            vx::PropertyPut<&ITestThing::put_Name>(2, "Name", "The name", vx::In("inVal")),
            vx::PropertyGet<&ITestThing::get_Partner>(3, "Partner", "Another object", vx::Retval("outVal")),
            vx::PropertyPutRef<&ITestThing::putref_Partner>(3, "Partner", "Another object", vx::In("inVal")),
            vx::Method<&ITestThing::Compute>(4, "Compute", "Adds and scales", vx::In("inA"), vx::In("inB").Optional(),
                                             vx::In("inScale").Default(1), vx::Out("outRatio"), vx::Retval("outSum")),
            vx::Method<&ITestThing::Describe>(5, "Describe", "Measures a text", vx::In("inText"), vx::Out("outLength"),
                                              vx::Out("outUpper"), vx::Retval("outText")),
            vx::Method<&ITestThing::Fail>(6, "Fail", "Always fails", vx::In("inCode"), vx::In("inDescription")),
            vx::Method<&ITestThing::Negate>(7, "Negate", "Negates a flag", vx::In("inFlag"), vx::Retval("outFlag")),
            vx::PropertyGet<&ITestThing::get_Items>(8, "Items", "A collection", vx::Retval("outItems")),
            vx::Method<&ITestThing::Probe>(9, "Probe", "Tells whether the argument is there",
                                           vx::In("inMaybe").Optional(), vx::Retval("outKind")),
            vx::Method<&ITestThing::Echo>(10, "Echo", "Gives back its argument", vx::In("inValue"),
                                          vx::Retval("outValue")),
        });
    return theTable;
}

const vx::DispatchTable& TestItemsTable()
{
    static const vx::DispatchTable theTable(
        IID_ITestItems, "ITestItems", "A read-only list",
        {
            vx::PropertyGet<&ITestItems::get_Item>(DISPID_VALUE, "Item", "One item", vx::In("Index"),
                                                   vx::Retval("outItem")),
            vx::PropertyGet<&ITestItems::get_Count>(1, "Count", "Number of items", vx::Retval("outCount")),
            vx::PropertyGet<&ITestItems::get__NewEnum>(DISPID_NEWENUM, "_NewEnum", "An enumerator",
                                                       vx::Retval("outEnum")),
        });
    return theTable;
}

TestThing::~TestThing()
{
    if (mPartner != nullptr)
        mPartner->Release();
}

HRESULT TestThing::get_Width(VARIANT* outVal)
{
    ++mCalls;
    outVal->vt = VT_I4;
    outVal->lVal = mWidth;
    return S_OK;
}

HRESULT TestThing::put_Width(VARIANT inVal)
{
    vx::Variant theValue(inVal);
    HRESULT theResult;
    LONG theWidth = theValue.AsLong(&theResult);
    if (FAILED(theResult))
        return vx::RaiseError(E_FAIL, "Set Thing Width = " + theValue.AsString(), "Thing", IID_ITestThing);
    mWidth = theWidth;
    return S_OK;
}

HRESULT TestThing::get_Name(BSTR* outVal)
{
    *outVal = SysAllocStringLen(mName.data(), static_cast<UINT>(mName.size()));
    return S_OK;
}

HRESULT TestThing::put_Name(BSTR inVal)
{
    mName.assign(inVal ? inVal : u"", SysStringLen(inVal));
    return S_OK;
}

HRESULT TestThing::get_Partner(IDispatch** outVal)
{
    *outVal = mPartner;
    if (mPartner != nullptr)
        mPartner->AddRef();
    return S_OK;
}

HRESULT TestThing::putref_Partner(IDispatch* inVal)
{
    if (inVal == nullptr)
        return E_POINTER;
    inVal->AddRef();
    if (mPartner != nullptr)
        mPartner->Release();
    mPartner = inVal;
    return S_OK;
}

HRESULT TestThing::Compute(LONG inA, VARIANT* inB, LONG inScale, float* outRatio, VARIANT* outSum)
{
    LONG theB = 0;
    if (!vx::Variant::IsMissing(*inB)) {
        HRESULT theResult;
        theB = vx::Variant(*inB).AsLong(&theResult);
        if (FAILED(theResult))
            return theResult;
    }
    if (inScale == 0)
        return vx::RaiseError(E_INVALIDARG, "Scale must not be 0", "Thing Compute", IID_ITestThing);
    *outRatio = static_cast<float>(inA) / static_cast<float>(inScale);
    outSum->vt = VT_I4;
    outSum->lVal = (inA + theB) * inScale;
    return S_OK;
}

HRESULT TestThing::Describe(VARIANT* inText, VARIANT* outLength, BSTR* outUpper, VARIANT* outText)
{
    std::u16string theText = vx::Variant(*inText).AsU16String();
    outLength->vt = VT_I4;
    outLength->lVal = static_cast<LONG>(theText.size());
    std::u16string theUpper = theText;
    for (char16_t& theChar : theUpper)
        if (theChar >= u'a' && theChar <= u'z')
            theChar = static_cast<char16_t>(theChar - u'a' + u'A');
    *outUpper = SysAllocStringLen(theUpper.data(), static_cast<UINT>(theUpper.size()));
    vx::Variant(theText).Detach(outText);
    return S_OK;
}

HRESULT TestThing::Fail(LONG inCode, BSTR inDescription)
{
    if (SysStringLen(inDescription) == 0)
        return inCode;
    return vx::RaiseError(inCode, UTF8FromBSTR(inDescription), "Thing Fail", IID_ITestThing);
}

HRESULT TestThing::Negate(VARIANT_BOOL inFlag, VARIANT_BOOL* outFlag)
{
    *outFlag = inFlag ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
}

HRESULT TestThing::get_Items(IDispatch** outItems)
{
    TestItems* theItems = TestItems::Create();
    if (theItems == nullptr)
        return E_OUTOFMEMORY;
    theItems->mList.Append(vx::Variant("one"));
    theItems->mList.Append(vx::Variant("two"));
    theItems->mList.Append(vx::Variant("three"));
    *outItems = theItems;
    return S_OK;
}

HRESULT TestThing::Probe(VARIANT* inMaybe, VARIANT* outKind)
{
    vx::Variant(vx::Variant::IsMissing(*inMaybe) ? "missing" : "given").Detach(outKind);
    return S_OK;
}
