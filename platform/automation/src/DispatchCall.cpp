#include "automation/DispatchTable.h"

#include <cstring>

#include "VariantInternal.h"
#include "automation/ErrorInfo.h"
#include "automation/SafeArray.h"
#include "automation/Strings.h"
#include "automation/Variant.h"

namespace vx {

namespace {

bool IsMissing(const VARIANT& inArg)
{
    return inArg.vt == VT_ERROR && inArg.scode == DISP_E_PARAMNOTFOUND;
}

// The caller's variant a VARIANT parameter sees: a by-reference VARIANT is followed.
VARIANT* Referenced(VARIANT* inArg)
{
    return inArg->vt == (VT_BYREF | VT_VARIANT) && inArg->pvarVal != nullptr ? inArg->pvarVal : inArg;
}

HRESULT DefaultInto(const DefaultValue& inDefault, VARTYPE inType, VARIANT& outValue)
{
    VARIANT theDefault;
    VariantInit(&theDefault);
    theDefault.vt = inDefault.mType;
    switch (inDefault.mType) {
    case VT_I4:
        theDefault.lVal = inDefault.mLong;
        break;
    case VT_BOOL:
        theDefault.boolVal = static_cast<VARIANT_BOOL>(inDefault.mLong);
        break;
    case VT_R8:
        theDefault.dblVal = inDefault.mDouble;
        break;
    case VT_BSTR:
        theDefault.bstrVal = SysAllocStringUTF8(inDefault.mText ? inDefault.mText : "");
        break;
    default:
        theDefault.vt = VT_EMPTY;
        break;
    }
    HRESULT theResult = S_OK;
    if (inType == VT_VARIANT)
        outValue = theDefault;
    else {
        theResult = VariantChangeType(&outValue, &theDefault, 0, inType);
        VariantClear(&theDefault);
    }
    return theResult;
}

// Coerces an [in] argument to the declared base type into inSlot.
HRESULT CoerceInto(VARIANT* inArg, VARTYPE inType, ArgSlot& ioSlot)
{
    const VARIANT* theArg = Referenced(inArg);
    if (theArg->vt == inType) {
        ioSlot.mValue = *theArg;  // borrowed: the caller keeps ownership
        return S_OK;
    }
    if (inType == VT_DISPATCH || inType == VT_UNKNOWN) {
        // A script's null or empty value is a null object pointer; the method decides.
        if (theArg->vt == VT_EMPTY || theArg->vt == VT_NULL) {
            ioSlot.mValue.vt = inType;
            ioSlot.mValue.punkVal = nullptr;
            return S_OK;
        }
        if (inType == VT_UNKNOWN && theArg->vt == VT_DISPATCH) {
            ioSlot.mValue.vt = VT_UNKNOWN;
            ioSlot.mValue.punkVal = theArg->pdispVal;
            return S_OK;
        }
        if (inType == VT_DISPATCH && theArg->vt == VT_UNKNOWN) {
            if (theArg->punkVal == nullptr) {
                ioSlot.mValue.vt = VT_DISPATCH;
                ioSlot.mValue.pdispVal = nullptr;
                return S_OK;
            }
            void* theDispatch = nullptr;
            if (FAILED(theArg->punkVal->QueryInterface(IID_IDispatch, &theDispatch)))
                return DISP_E_TYPEMISMATCH;
            ioSlot.mValue.vt = VT_DISPATCH;
            ioSlot.mValue.pdispVal = static_cast<IDispatch*>(theDispatch);
            ioSlot.mOwned = true;
            return S_OK;
        }
    }
    HRESULT theResult = VariantChangeType(&ioSlot.mValue, theArg, 0, inType);
    if (SUCCEEDED(theResult))
        ioSlot.mOwned = true;
    else
        VariantInit(&ioSlot.mValue);
    return theResult;
}

// Moves an [out] value into the caller's by-reference argument, converted to
// the type the reference points at. ioValue is consumed.
HRESULT StoreByRef(VARIANT& inTarget, VARIANT& ioValue)
{
    VARTYPE theType = inTarget.vt & ~VT_BYREF;
    if (inTarget.byref == nullptr) {
        VariantClear(&ioValue);
        return E_POINTER;
    }
    if (theType == VT_VARIANT) {
        VariantClear(inTarget.pvarVal);
        *inTarget.pvarVal = ioValue;
        VariantInit(&ioValue);
        return S_OK;
    }
    VARIANT theConverted;
    VariantInit(&theConverted);
    HRESULT theResult = VariantChangeType(&theConverted, &ioValue, 0, theType);
    VariantClear(&ioValue);
    if (FAILED(theResult))
        return theResult;
    if (theType & VT_ARRAY) {
        if (*inTarget.pparray != nullptr)
            SafeArrayDestroy(*inTarget.pparray);
        *inTarget.pparray = theConverted.parray;
        return S_OK;
    }
    switch (theType) {
    case VT_BSTR:
        SysFreeString(*inTarget.pbstrVal);
        *inTarget.pbstrVal = theConverted.bstrVal;
        return S_OK;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (*inTarget.ppunkVal != nullptr)
            (*inTarget.ppunkVal)->Release();
        *inTarget.ppunkVal = theConverted.punkVal;
        return S_OK;
    default:
        break;
    }
    std::size_t theSize = VariantInternal::ValueSize(theType);
    if (theSize == 0) {
        VariantClear(&theConverted);
        return DISP_E_TYPEMISMATCH;
    }
    std::memcpy(inTarget.byref, &theConverted.llVal, theSize);
    return S_OK;
}

void FillException(IErrorInfo* inInfo, HRESULT inCode, EXCEPINFO* outExcep)
{
    std::memset(outExcep, 0, sizeof(EXCEPINFO));
    inInfo->GetSource(&outExcep->bstrSource);
    inInfo->GetDescription(&outExcep->bstrDescription);
    inInfo->GetHelpFile(&outExcep->bstrHelpFile);
    inInfo->GetHelpContext(&outExcep->dwHelpContext);
    outExcep->scode = inCode;
}

// One late-bound call of a dispatch table's member, in steps: which caller
// argument fills each parameter, the parameters' slots (coerced [in] values,
// defaults, [out] storage), the call itself, and the [out] values written back
// into the caller's references. The slots the call made are released on every
// path.
class DispatchCall {
public:
    DispatchCall(const DispatchMember& inMember, const DISPPARAMS& inParams, UINT* outArgErr);
    ~DispatchCall();
    DispatchCall(const DispatchCall&) = delete;
    DispatchCall& operator=(const DispatchCall&) = delete;

    enum class Mapping { kMapped, kDefaultMember };
    // Pairs caller arguments with parameters. kDefaultMember: the arguments are
    // for the default member of what this member returns.
    HRESULT MapArguments(Mapping& outMapping);
    HRESULT FillSlots();
    // The member's result; a failure with error information becomes DISP_E_EXCEPTION in outExcep.
    HRESULT Call(void* inInterface, EXCEPINFO* outExcep);
    // The retval into outResult and the [out] values into the caller's references;
    // inResult unless a write-back failed.
    HRESULT WriteBack(HRESULT inResult, VARIANT* outResult);

private:
    HRESULT MapPut();
    HRESULT FillSlot(int inParam);
    void SetArgErr(UINT inArg) const;

    const DispatchMember& mMember;
    const DISPPARAMS& mParams;
    UINT* mArgErr;
    // Which caller argument (index into rgvarg, reverse order) fills each parameter; -1 for none.
    int mArgOf[kMaxDispatchParams];
    ArgSlot mSlots[kMaxDispatchParams];
};

DispatchCall::DispatchCall(const DispatchMember& inMember, const DISPPARAMS& inParams, UINT* outArgErr)
    : mMember(inMember), mParams(inParams), mArgErr(outArgErr)
{
    for (int& theArg : mArgOf)
        theArg = -1;
    for (int i = 0; i < mMember.mParamCount; ++i) {
        VariantInit(&mSlots[i].mValue);
        mSlots[i].mTarget = nullptr;
        mSlots[i].mOwned = false;
    }
}

DispatchCall::~DispatchCall()
{
    for (int i = 0; i < mMember.mParamCount; ++i)
        if (mSlots[i].mOwned)
            VariantClear(&mSlots[i].mValue);
}

void DispatchCall::SetArgErr(UINT inArg) const
{
    if (mArgErr != nullptr)
        *mArgErr = inArg;
}

HRESULT DispatchCall::MapPut()
{
    // The new value is rgvarg[0], named DISPID_PROPERTYPUT; index arguments come before it.
    const UINT theArgs = mParams.cArgs;
    const UINT theNamed = mParams.cNamedArgs;
    const int theCallerParams = mMember.CallerParamCount();
    if (theArgs == 0)
        return DISP_E_BADPARAMCOUNT;
    if (theNamed > 1)
        return DISP_E_NONAMEDARGS;
    if (theNamed == 1 && mParams.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
        return DISP_E_PARAMNOTFOUND;
    if (theArgs - 1 > static_cast<UINT>(theCallerParams - 1))
        return DISP_E_BADPARAMCOUNT;
    mArgOf[theCallerParams - 1] = 0;
    for (UINT i = 0; i < theArgs - 1; ++i)
        mArgOf[i] = static_cast<int>(theArgs - 1 - i);
    return S_OK;
}

HRESULT DispatchCall::MapArguments(Mapping& outMapping)
{
    outMapping = Mapping::kMapped;
    if (mMember.mKind == InvokeKind::PropertyPut || mMember.mKind == InvokeKind::PropertyPutRef)
        return MapPut();
    const UINT theArgs = mParams.cArgs;
    const UINT theNamed = mParams.cNamedArgs;
    const UINT thePositional = theArgs - theNamed;
    const int theCallerParams = mMember.CallerParamCount();
    if (thePositional > static_cast<UINT>(theCallerParams)) {
        if (theCallerParams == 0 && theNamed == 0 && mMember.HasRetval()) {
            outMapping = Mapping::kDefaultMember;
            return S_OK;
        }
        return DISP_E_BADPARAMCOUNT;
    }
    for (UINT i = 0; i < thePositional; ++i)
        mArgOf[i] = static_cast<int>(theArgs - 1 - i);
    for (UINT j = 0; j < theNamed; ++j) {
        const DISPID theName = mParams.rgdispidNamedArgs[j];
        if (theName < 0 || theName >= theCallerParams || mArgOf[theName] >= 0) {
            SetArgErr(j);
            return DISP_E_PARAMNOTFOUND;
        }
        mArgOf[theName] = static_cast<int>(j);
    }
    return S_OK;
}

HRESULT DispatchCall::FillSlots()
{
    for (int p = 0; p < mMember.mParamCount; ++p)
        if (const HRESULT theResult = FillSlot(p); FAILED(theResult))
            return theResult;
    return S_OK;
}

HRESULT DispatchCall::FillSlot(int inParam)
{
    const ParamDesc& theParam = mMember.mParams[inParam];
    ArgSlot& theSlot = mSlots[inParam];
    const int theArgIndex = mArgOf[inParam];
    VARIANT* theArg = theArgIndex >= 0 ? &mParams.rgvarg[theArgIndex] : nullptr;
    if (theArg != nullptr && IsMissing(*theArg))
        theArg = nullptr;
    const VARTYPE theBase = theParam.mType & ~VT_BYREF;
    const bool isOut = (theParam.mFlags & PARAMFLAG_FOUT) != 0;
    const bool isIn = (theParam.mFlags & PARAMFLAG_FIN) != 0 || !isOut;

    if (isOut && !isIn) {
        // Pure [out] and retval: fresh storage; a missing [out] is dropped after the call.
        theSlot.mValue.vt = theBase == VT_VARIANT ? VARTYPE{VT_EMPTY} : theBase;
        theSlot.mValue.llVal = 0;
        theSlot.mTarget = &theSlot.mValue;
        theSlot.mOwned = true;
        return S_OK;
    }
    if (theArg == nullptr) {
        if ((theParam.mFlags & PARAMFLAG_FOPT) == 0) {
            SetArgErr(theArgIndex >= 0 ? static_cast<UINT>(theArgIndex) : 0);
            return theArgIndex >= 0 || mParams.cNamedArgs > 0 ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
        }
        theSlot.mTarget = &theSlot.mValue;
        theSlot.mOwned = true;
        if (theParam.mFlags & PARAMFLAG_FHASDEFAULT)
            return DefaultInto(theParam.mDefault, theBase, theSlot.mValue);
        if (theBase == VT_VARIANT) {
            theSlot.mValue.vt = VT_ERROR;
            theSlot.mValue.scode = DISP_E_PARAMNOTFOUND;
        } else {
            theSlot.mValue.vt = theBase;
            theSlot.mValue.llVal = 0;
        }
        return S_OK;
    }
    if (theBase == VT_VARIANT) {
        theSlot.mTarget = Referenced(theArg);
        return S_OK;
    }
    if (const HRESULT theResult = CoerceInto(theArg, theBase, theSlot); FAILED(theResult)) {
        SetArgErr(static_cast<UINT>(theArgIndex));
        return theResult;
    }
    if (isOut && !theSlot.mOwned) {
        // An [in, out] value of the declared type: the method may replace it, so it owns a copy.
        VARIANT theCopy;
        VariantInit(&theCopy);
        if (const HRESULT theResult = VariantCopy(&theCopy, &theSlot.mValue); FAILED(theResult)) {
            VariantInit(&theSlot.mValue);
            return theResult;
        }
        theSlot.mValue = theCopy;
        theSlot.mOwned = true;
    }
    theSlot.mTarget = &theSlot.mValue;
    return S_OK;
}

HRESULT DispatchCall::Call(void* inInterface, EXCEPINFO* outExcep)
{
    SetErrorInfo(0, nullptr);
    HRESULT theResult;
    try {
        theResult = mMember.mThunk(inInterface, mSlots);
    } catch (...) {
        // Nothing may unwind through the interface.
        theResult = E_UNEXPECTED;
    }
    if (FAILED(theResult)) {
        IErrorInfo* theInfo = nullptr;
        if (outExcep != nullptr && GetErrorInfo(0, &theInfo) == S_OK) {
            FillException(theInfo, theResult, outExcep);
            theInfo->Release();
            return DISP_E_EXCEPTION;
        }
    }
    return theResult;
}

HRESULT DispatchCall::WriteBack(HRESULT inResult, VARIANT* outResult)
{
    HRESULT theWriteBack = S_OK;
    for (int p = 0; p < mMember.mParamCount; ++p) {
        const ParamDesc& theParam = mMember.mParams[p];
        if ((theParam.mFlags & PARAMFLAG_FOUT) == 0)
            continue;
        ArgSlot& theSlot = mSlots[p];
        if (theSlot.mTarget != &theSlot.mValue)
            continue;  // an [in, out] VARIANT the method wrote in place
        if (theParam.mFlags & PARAMFLAG_FRETVAL) {
            if (outResult != nullptr) {
                *outResult = theSlot.mValue;
                VariantInit(&theSlot.mValue);
            }
            continue;
        }
        VARIANT* theArg = mArgOf[p] >= 0 ? &mParams.rgvarg[mArgOf[p]] : nullptr;
        if (theArg == nullptr || (theArg->vt & VT_BYREF) == 0)
            continue;  // the caller passed no reference: the value is dropped
        const HRESULT theStored = StoreByRef(*theArg, theSlot.mValue);
        if (FAILED(theStored) && SUCCEEDED(theWriteBack)) {
            theWriteBack = theStored;
            SetArgErr(static_cast<UINT>(mArgOf[p]));
        }
    }
    if (FAILED(theWriteBack)) {
        if (outResult != nullptr)
            VariantClear(outResult);
        return theWriteBack;
    }
    return inResult;
}

}  // namespace

// The table's call, here so that its steps are one unit with it (and inlined into it).
HRESULT DispatchTable::Invoke(void* inInterface, DISPID inId, WORD inFlags, DISPPARAMS* inParams, VARIANT* outResult,
                              EXCEPINFO* outExcep, UINT* outArgErr) const
{
    HRESULT theResult;
    const DispatchMember* theMember = Resolve(inId, inFlags, &theResult);
    if (theMember == nullptr)
        return theResult;
    static const DISPPARAMS sNoParams = {nullptr, nullptr, 0, 0};
    const DISPPARAMS& theParams = inParams != nullptr ? *inParams : sNoParams;
    if ((theParams.cArgs > 0 && theParams.rgvarg == nullptr) || theParams.cNamedArgs > theParams.cArgs ||
        (theParams.cNamedArgs > 0 && theParams.rgdispidNamedArgs == nullptr))
        return E_INVALIDARG;

    DispatchCall theCall(*theMember, theParams, outArgErr);
    DispatchCall::Mapping theMapping;
    if (theResult = theCall.MapArguments(theMapping); FAILED(theResult))
        return theResult;
    if (theMapping == DispatchCall::Mapping::kDefaultMember)
        return InvokeDefaultMember(inInterface, *theMember, inFlags, inParams, outResult, outExcep, outArgErr);
    if (theResult = theCall.FillSlots(); FAILED(theResult))
        return theResult;
    if (theResult = theCall.Call(inInterface, outExcep); FAILED(theResult))
        return theResult;
    return theCall.WriteBack(theResult, outResult);
}

HRESULT DispatchTable::InvokeDefaultMember(void* inInterface, const DispatchMember& inMember, WORD inFlags,
                                           DISPPARAMS* inParams, VARIANT* outResult, EXCEPINFO* outExcep,
                                           UINT* outArgErr) const
{
    // `thing.Items(2)`: the property without arguments, then the arguments go to
    // its result's default member, as the classic type information does.
    VARIANT theValue;
    VariantInit(&theValue);
    DISPPARAMS theNone = {nullptr, nullptr, 0, 0};
    HRESULT theResult = Invoke(inInterface, inMember.mId, inFlags, &theNone, &theValue, outExcep, outArgErr);
    if (FAILED(theResult))
        return theResult;
    if (theValue.vt != VT_DISPATCH || theValue.pdispVal == nullptr) {
        VariantClear(&theValue);
        return DISP_E_BADPARAMCOUNT;
    }
    theResult = theValue.pdispVal->Invoke(DISPID_VALUE, GUID_NULL, LOCALE_USER_DEFAULT, inFlags, inParams, outResult,
                                          outExcep, outArgErr);
    VariantClear(&theValue);
    return theResult;
}

}  // namespace vx
