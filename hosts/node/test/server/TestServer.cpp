// The Node host's test server: VxNodeTest.Thing, a dual interface with a property of every kind,
// [out] parameters with and without a retval, objects, a collection and a failing method.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cmath>
#include <string>
#include <vector>

#include <automation/Bstr.h>
#include <automation/Dispatch.h>
#include <automation/EnumVariant.h>
#include <automation/ErrorInfo.h>
#include <automation/Guid.h>
#include <automation/Registry.h>
#include <automation/Strings.h>
#include <automation/Variant.h>
#include <automation/VariantCollection.h>

namespace {

constexpr CLSID CLSID_NodeThing = {0x3C0D7E20, 0x5A11, 0x4B6C, {0x8D, 0x2E, 0x11, 0x4F, 0x60, 0x7A, 0x90, 0x01}};
constexpr IID IID_INodeThing = {0x3C0D7E21, 0x5A11, 0x4B6C, {0x8D, 0x2E, 0x11, 0x4F, 0x60, 0x7A, 0x90, 0x01}};
constexpr IID IID_INodeThings = {0x3C0D7E22, 0x5A11, 0x4B6C, {0x8D, 0x2E, 0x11, 0x4F, 0x60, 0x7A, 0x90, 0x01}};
constexpr const char* kProgId = "VxNodeTest.Thing";
constexpr const char* kVersionedProgId = "VxNodeTest.Thing.1";

struct INodeThing : IDispatch {
    virtual HRESULT get_Width(LONG* outVal) = 0;
    virtual HRESULT put_Width(LONG inVal) = 0;
    virtual HRESULT get_Name(BSTR* outVal) = 0;
    virtual HRESULT put_Name(BSTR inVal) = 0;
    virtual HRESULT get_Ratio(float* outVal) = 0;
    virtual HRESULT put_Ratio(float inVal) = 0;
    virtual HRESULT get_Value(VARIANT* outVal) = 0;
    virtual HRESULT put_Value(VARIANT inVal) = 0;
    virtual HRESULT get_Partner(IDispatch** outVal) = 0;
    virtual HRESULT putref_Partner(IDispatch* inVal) = 0;
    virtual HRESULT get_Data(VARIANT* outVal) = 0;
    virtual HRESULT put_Data(VARIANT inVal) = 0;
    virtual HRESULT TypeOf(VARIANT inValue, LONG* outType) = 0;
    virtual HRESULT Scale(LONG inFactor, VARIANT* inOffset, LONG* outVal) = 0;
    virtual HRESULT Measure(BSTR inText, VARIANT* outWidth, VARIANT* outHeight, VARIANT* outLine) = 0;
    virtual HRESULT Split(BSTR inText, VARIANT* outFirst, VARIANT* outRest) = 0;
    virtual HRESULT Fail(LONG inCode, BSTR inDescription) = 0;
    virtual HRESULT CreateChild(BSTR inName, IDispatch** outChild) = 0;
    virtual HRESULT get_Items(IDispatch** outItems) = 0;
    virtual HRESULT get_Alive(LONG* outCount) = 0;
    virtual HRESULT Convert(VARIANT inValue, LONG inType, VARIANT* outValue) = 0;
};

struct INodeThings : IDispatch {
    virtual HRESULT get_Item(VARIANT inIndex, VARIANT* outItem) = 0;
    virtual HRESULT get_Count(LONG* outCount) = 0;
    virtual HRESULT get__NewEnum(IUnknown** outEnum) = 0;
};

const vx::DispatchTable& ThingTable();
const vx::DispatchTable& ThingsTable();

HRESULT Raise(HRESULT inCode, const std::string& inText)
{
    return vx::RaiseError(inCode, inText, kVersionedProgId, IID_INodeThing);
}

class Thing final : public vx::ComObject<Thing, vx::DispatchImpl<INodeThing, ThingTable>, vx::SupportErrorInfo<Thing>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<INodeThing, IID_INodeThing>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;

    explicit Thing(std::string_view inName = {}) : mName(inName) {}
    ~Thing()
    {
        if (mPartner != nullptr)
            mPartner->Release();
    }

    HRESULT get_Width(LONG* outVal) override { return *outVal = mWidth, S_OK; }
    HRESULT put_Width(LONG inVal) override
    {
        if (inVal < 0)
            return Raise(E_INVALIDARG, "Width must not be negative");
        mWidth = inVal;
        return S_OK;
    }
    HRESULT get_Name(BSTR* outVal) override { return *outVal = SysAllocStringUTF8(mName), S_OK; }
    HRESULT put_Name(BSTR inVal) override { return mName = UTF8FromBSTR(inVal), S_OK; }
    HRESULT get_Ratio(float* outVal) override { return *outVal = mRatio, S_OK; }
    HRESULT put_Ratio(float inVal) override { return mRatio = inVal, S_OK; }
    HRESULT get_Value(VARIANT* outVal) override { return VariantCopy(outVal, mValue.Get()); }
    HRESULT put_Value(VARIANT inVal) override { return VariantCopyInd(mValue.Out(), &inVal); }
    HRESULT get_Partner(IDispatch** outVal) override
    {
        if (mPartner != nullptr)
            mPartner->AddRef();
        return *outVal = mPartner, S_OK;
    }
    HRESULT putref_Partner(IDispatch* inVal) override
    {
        if (inVal != nullptr)
            inVal->AddRef();
        if (mPartner != nullptr)
            mPartner->Release();
        mPartner = inVal;
        return S_OK;
    }
    HRESULT get_Data(VARIANT* outVal) override { return VariantCopy(outVal, mData.Get()); }
    HRESULT put_Data(VARIANT inVal) override
    {
        if (inVal.vt != (VT_ARRAY | VT_UI1))
            return Raise(DISP_E_TYPEMISMATCH, "Data takes bytes");
        return VariantCopy(mData.Out(), &inVal);
    }
    HRESULT TypeOf(VARIANT inValue, LONG* outType) override { return *outType = inValue.vt, S_OK; }
    HRESULT Scale(LONG inFactor, VARIANT* inOffset, LONG* outVal) override
    {
        const LONG theOffset = vx::Variant::IsMissing(*inOffset) ? 0 : vx::Variant(*inOffset).AsLong();
        *outVal = mWidth * inFactor + theOffset;
        return S_OK;
    }
    HRESULT Measure(BSTR inText, VARIANT* outWidth, VARIANT* outHeight, VARIANT* outLine) override
    {
        const std::string theText = UTF8FromBSTR(inText);
        LONG theLines = 1;
        LONG theLongest = 0, theCurrent = 0;
        for (char theChar : theText) {
            if (theChar == '\n') {
                ++theLines;
                theCurrent = 0;
            } else if (++theCurrent > theLongest) {
                theLongest = theCurrent;
            }
        }
        vx::Variant(static_cast<int>(theLongest * 7)).Detach(outWidth);
        vx::Variant(static_cast<int>(theLines * 12)).Detach(outHeight);
        vx::Variant(12).Detach(outLine);
        return S_OK;
    }
    HRESULT Split(BSTR inText, VARIANT* outFirst, VARIANT* outRest) override
    {
        const std::string theText = UTF8FromBSTR(inText);
        const std::size_t theBlank = theText.find(' ');
        vx::Variant(theText.substr(0, theBlank)).Detach(outFirst);
        vx::Variant(theBlank == std::string::npos ? std::string() : theText.substr(theBlank + 1)).Detach(outRest);
        return S_OK;
    }
    HRESULT Fail(LONG inCode, BSTR inDescription) override { return Raise(inCode, UTF8FromBSTR(inDescription)); }
    HRESULT CreateChild(BSTR inName, IDispatch** outChild) override
    {
        Thing* theChild = Create(UTF8FromBSTR(inName));
        if (theChild == nullptr)
            return E_OUTOFMEMORY;
        *outChild = theChild;
        return S_OK;
    }
    HRESULT get_Items(IDispatch** outItems) override;
    HRESULT get_Alive(LONG* outCount) override { return *outCount = vx::ModuleCounts::Objects(), S_OK; }
    // Hands back the value as the automation type asked for. The types the coercion lacks are
    // made by hand from the number; VT_ERROR is a missing value.
    HRESULT Convert(VARIANT inValue, LONG inType, VARIANT* outValue) override
    {
        if (inType != VT_ERROR && inType != VT_DATE && inType != VT_CY && inType != VT_DECIMAL)
            return VariantChangeType(outValue, &inValue, 0, static_cast<VARTYPE>(inType));
        vx::Variant theNumber;
        const HRESULT theCode = VariantChangeType(theNumber.Out(), &inValue, 0, VT_R8);
        if (FAILED(theCode))
            return theCode;
        VariantInit(outValue);
        if (inType == VT_DATE)
            outValue->dblVal = theNumber.Get()->dblVal;
        else if (inType == VT_CY)
            outValue->cyVal.int64 = std::llround(theNumber.Get()->dblVal * 10000);
        else if (inType == VT_ERROR)
            outValue->scode = DISP_E_PARAMNOTFOUND;
        outValue->vt = static_cast<VARTYPE>(inType);
        return S_OK;
    }

private:
    LONG mWidth = 0;
    std::string mName;
    float mRatio = 0.0f;
    vx::Variant mValue;
    vx::Variant mData;
    IDispatch* mPartner = nullptr;
};

class Things final
    : public vx::ComObject<Things, vx::DispatchImpl<INodeThings, ThingsTable>, vx::SupportErrorInfo<Things>> {
public:
    using Interfaces =
        vx::InterfaceMap<vx::Answers<INodeThings, IID_INodeThings>, vx::Answers<IDispatch, IID_IDispatch>,
                         vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;

    void Add(IDispatch* inItem, std::string inName)
    {
        mList.Append(vx::Variant(inItem));
        mNames.push_back(std::move(inName));
    }

    // A number is a 1-based position; a text is a name.
    HRESULT get_Item(VARIANT inIndex, VARIANT* outItem) override
    {
        const vx::Variant theIndex(inIndex);
        if ((inIndex.vt & VT_TYPEMASK) == VT_BSTR) {
            const std::string theName = theIndex.AsString();
            for (std::size_t i = 0; i < mNames.size(); ++i)
                if (mNames[i] == theName)
                    return mList.Item(static_cast<LONG>(i + 1), outItem, E_FAIL);
            return vx::RaiseError(DISP_E_BADINDEX, "No item named " + theName, kVersionedProgId, IID_INodeThings);
        }
        HRESULT theCode = S_OK;
        const LONG thePosition = theIndex.AsLong(&theCode);
        if (FAILED(theCode))
            return theCode;
        if (thePosition < 1 || thePosition > mList.Size())
            return vx::RaiseError(DISP_E_BADINDEX, "No item at that position", kVersionedProgId, IID_INodeThings);
        return mList.Item(thePosition, outItem, DISP_E_BADINDEX);
    }
    HRESULT get_Count(LONG* outCount) override { return mList.Count(outCount); }
    HRESULT get__NewEnum(IUnknown** outEnum) override { return mList.NewEnum(Identity(), outEnum); }

private:
    vx::VariantCollection mList;
    std::vector<std::string> mNames;
};

HRESULT Thing::get_Items(IDispatch** outItems)
{
    Things* theItems = Things::Create();
    if (theItems == nullptr)
        return E_OUTOFMEMORY;
    for (const char* theName : {"alpha", "beta", "gamma"}) {
        Thing* theItem = Thing::Create(theName);
        theItems->Add(theItem, theName);
        theItem->Release();
    }
    *outItems = theItems;
    return S_OK;
}

const vx::DispatchTable& ThingTable()
{
    static const vx::DispatchTable theTable(
        IID_INodeThing, "INodeThing", "A thing for the host's tests",
        {
            vx::PropertyGet<&INodeThing::get_Width>(1, "Width", "", vx::Retval("outVal")),
            vx::PropertyPut<&INodeThing::put_Width>(1, "Width", "", vx::In("inVal")),
            vx::PropertyGet<&INodeThing::get_Name>(2, "Name", "", vx::Retval("outVal")),
            vx::PropertyPut<&INodeThing::put_Name>(2, "Name", "", vx::In("inVal")),
            vx::PropertyGet<&INodeThing::get_Ratio>(3, "Ratio", "", vx::Retval("outVal")),
            vx::PropertyPut<&INodeThing::put_Ratio>(3, "Ratio", "", vx::In("inVal")),
            vx::PropertyGet<&INodeThing::get_Value>(4, "Value", "", vx::Retval("outVal")),
            vx::PropertyPut<&INodeThing::put_Value>(4, "Value", "", vx::In("inVal")),
            vx::PropertyGet<&INodeThing::get_Partner>(5, "Partner", "", vx::Retval("outVal")),
            vx::PropertyPutRef<&INodeThing::putref_Partner>(5, "Partner", "", vx::In("inVal")),
            vx::PropertyGet<&INodeThing::get_Data>(6, "Data", "", vx::Retval("outVal")),
            vx::PropertyPut<&INodeThing::put_Data>(6, "Data", "", vx::In("inVal")),
            vx::Method<&INodeThing::TypeOf>(7, "TypeOf", "", vx::In("inValue"), vx::Retval("outType")),
            vx::Method<&INodeThing::Scale>(8, "Scale", "", vx::In("inFactor"), vx::In("inOffset").Optional(),
                                           vx::Retval("outVal")),
            vx::Method<&INodeThing::Measure>(9, "Measure", "", vx::In("inText"), vx::Out("outWidth"),
                                             vx::Out("outHeight"), vx::Out("outLine")),
            vx::Method<&INodeThing::Split>(10, "Split", "", vx::In("inText"), vx::Out("outFirst"),
                                           vx::Retval("outRest")),
            vx::Method<&INodeThing::Fail>(11, "Fail", "", vx::In("inCode"), vx::In("inDescription")),
            vx::Method<&INodeThing::CreateChild>(12, "CreateChild", "", vx::In("inName"), vx::Retval("outChild")),
            vx::PropertyGet<&INodeThing::get_Items>(13, "Items", "", vx::Retval("outItems")),
            vx::PropertyGet<&INodeThing::get_Alive>(14, "Alive", "", vx::Retval("outCount")),
            vx::Method<&INodeThing::Convert>(15, "Convert", "", vx::In("inValue"), vx::In("inType"),
                                             vx::Retval("outValue")),
        });
    return theTable;
}

const vx::DispatchTable& ThingsTable()
{
    static const vx::DispatchTable theTable(
        IID_INodeThings, "INodeThings", "Things",
        {
            vx::PropertyGet<&INodeThings::get_Item>(DISPID_VALUE, "Item", "", vx::In("inIndex"), vx::Retval("outItem")),
            vx::PropertyGet<&INodeThings::get_Count>(1, "Count", "", vx::Retval("outCount")),
            vx::PropertyGet<&INodeThings::get__NewEnum>(DISPID_NEWENUM, "_NewEnum", "", vx::Retval("outEnum")),
        });
    return theTable;
}

std::string ModulePath()
{
    Dl_info theInfo{};
    if (dladdr(reinterpret_cast<const void*>(&ModulePath), &theInfo) == 0 || theInfo.dli_fname == nullptr)
        return {};
    char theFull[PATH_MAX];
    return realpath(theInfo.dli_fname, theFull) != nullptr ? std::string(theFull) : std::string(theInfo.dli_fname);
}

constexpr vx::ClassEntry kClasses[] = {vx::Creatable<Thing>(CLSID_NodeThing)};

}  // namespace

#define VX_EXPORT extern "C" __attribute__((visibility("default")))

VX_EXPORT HRESULT DllGetClassObject(REFCLSID inClsid, REFIID inIid, void** outObject)
{
    return vx::GetClassObject(kClasses, inClsid, inIid, outObject);
}

VX_EXPORT HRESULT DllCanUnloadNow()
{
    return vx::ModuleCounts::CanUnloadNow();
}

VX_EXPORT HRESULT DllRegisterServer()
{
    const std::string thePath = ModulePath();
    const std::string theClsid = StringFromGUID(CLSID_NodeThing);
    const std::string theClassKey = "CLSID\\" + theClsid;
    RegistryTransaction theTransaction;
    LONG theError = theTransaction.Status();
    const auto theSet = [&](const std::string& inKey, const char* inName, const std::string& inText) {
        if (theError == ERROR_SUCCESS)
            theError = RegSetKeyValue(HKEY_CLASSES_ROOT, inKey.c_str(), inName, REG_SZ, inText.c_str(),
                                      static_cast<DWORD>(inText.size() + 1));
    };
    theSet(kVersionedProgId, "", "Thing Class");
    theSet(std::string(kVersionedProgId) + "\\CLSID", "", theClsid);
    theSet(kProgId, "", "Thing Class");
    theSet(std::string(kProgId) + "\\CLSID", "", theClsid);
    theSet(std::string(kProgId) + "\\CurVer", "", kVersionedProgId);
    theSet(theClassKey, "", "Thing Class");
    theSet(theClassKey + "\\ProgID", "", kVersionedProgId);
    theSet(theClassKey + "\\InprocServer32", "", thePath);
    theSet(theClassKey + "\\InprocServer32", "ThreadingModel", "Apartment");
    if (theError == ERROR_SUCCESS)
        theError = theTransaction.Commit();
    return theError == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<std::uint32_t>(theError));
}

VX_EXPORT HRESULT DllUnregisterServer()
{
    RegistryTransaction theTransaction;
    LONG theError = theTransaction.Status();
    for (const std::string& theKey :
         {"CLSID\\" + StringFromGUID(CLSID_NodeThing), std::string(kProgId), std::string(kVersionedProgId)}) {
        if (theError != ERROR_SUCCESS)
            break;
        const LONG theDeleted = RegDeleteTree(HKEY_CLASSES_ROOT, theKey.c_str());
        if (theDeleted != ERROR_FILE_NOT_FOUND)
            theError = theDeleted;
    }
    if (theError == ERROR_SUCCESS)
        theError = theTransaction.Commit();
    return theError == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<std::uint32_t>(theError));
}
