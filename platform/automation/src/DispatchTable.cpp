#include "automation/DispatchTable.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <type_traits>

#include "automation/ErrorInfo.h"
#include "automation/SafeArray.h"
#include "automation/Strings.h"
#include "automation/Variant.h"
#include "TypeInfo.h"

namespace vx {

namespace {

constexpr int kKindCount = 4;

int KindIndex(InvokeKind inKind)
{
    switch (inKind) {
    case InvokeKind::Method:
        return 0;
    case InvokeKind::PropertyGet:
        return 1;
    case InvokeKind::PropertyPut:
        return 2;
    case InvokeKind::PropertyPutRef:
        return 3;
    }
    return 0;
}

char16_t FoldCase(char16_t inChar) { return inChar >= u'A' && inChar <= u'Z' ? inChar + (u'a' - u'A') : inChar; }

// FNV-1a over ASCII-folded characters: names are compared without regard to case.
template <class Char>
std::uint32_t HashName(const Char* inName)
{
    std::uint32_t theHash = 2166136261u;
    for (; *inName != 0; ++inName) {
        theHash ^= FoldCase(static_cast<char16_t>(static_cast<std::make_unsigned_t<Char>>(*inName)));
        theHash *= 16777619u;
    }
    return theHash;
}

bool SameName(const char* inTableName, const OLECHAR* inName)
{
    for (; *inTableName != 0 && *inName != 0; ++inTableName, ++inName)
        if (FoldCase(static_cast<unsigned char>(*inTableName)) != FoldCase(*inName))
            return false;
    return *inTableName == 0 && *inName == 0;
}

[[noreturn]] void Malformed(const char* inTable, const char* inMember, const char* inWhy)
{
    std::fprintf(stderr, "dispatch table %s, member %s: %s\n", inTable, inMember, inWhy);
    std::abort();
}

bool IsMissing(const VARIANT& inArg) { return inArg.vt == VT_ERROR && inArg.scode == DISP_E_PARAMNOTFOUND; }

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

std::size_t ValueSize(VARTYPE inType)
{
    switch (inType) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
    case VT_HRESULT:
        return 4;
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_I8:
    case VT_UI8:
        return 8;
    default:
        return 0;
    }
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
    std::size_t theSize = ValueSize(theType);
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

// Slots of one call; releases what the call made on every path.
struct CallSlots {
    ArgSlot mSlots[kMaxDispatchParams];
    int mCount = 0;

    explicit CallSlots(int inCount) : mCount(inCount)
    {
        for (int i = 0; i < inCount; ++i) {
            VariantInit(&mSlots[i].mValue);
            mSlots[i].mTarget = nullptr;
            mSlots[i].mOwned = false;
        }
    }
    ~CallSlots()
    {
        for (int i = 0; i < mCount; ++i)
            if (mSlots[i].mOwned)
                VariantClear(&mSlots[i].mValue);
    }
    CallSlots(const CallSlots&) = delete;
    CallSlots& operator=(const CallSlots&) = delete;
};

}  // namespace

DispatchTable::DispatchTable(REFIID inIid, const char* inName, const char* inHelp,
                             std::initializer_list<DispatchMember> inMembers)
    : mIid(inIid), mName(inName), mHelp(inHelp), mMembers(inMembers)
{
    for (std::size_t theIndex = 0; theIndex < mMembers.size(); ++theIndex) {
        const DispatchMember& theMember = mMembers[theIndex];
        for (int p = 0; p < theMember.mParamCount; ++p) {
            const ParamDesc& theParam = theMember.mParams[p];
            bool isPointer = (theParam.mType & VT_BYREF) != 0;
            if ((theParam.mFlags & PARAMFLAG_FRETVAL) && (p != theMember.mParamCount - 1 || !isPointer))
                Malformed(mName, theMember.mName, "a retval must be the last parameter and a pointer");
            if ((theParam.mFlags & PARAMFLAG_FOUT) && !isPointer)
                Malformed(mName, theMember.mName, "an [out] parameter must be a pointer");
        }
        bool isPut = theMember.mKind == InvokeKind::PropertyPut || theMember.mKind == InvokeKind::PropertyPutRef;
        if (isPut && theMember.CallerParamCount() == 0)
            Malformed(mName, theMember.mName, "a property put needs a value parameter");

        auto theFound = std::find_if(mIds.begin(), mIds.end(),
                                     [&](const IdEntry& inEntry) { return inEntry.mId == theMember.mId; });
        if (theFound == mIds.end()) {
            mIds.push_back({theMember.mId, {-1, -1, -1, -1}});
            theFound = mIds.end() - 1;
        } else {
            const DispatchMember& theOther = mMembers[*std::max_element(theFound->mByKind,
                                                                         theFound->mByKind + kKindCount)];
            if (std::strcmp(theOther.mName, theMember.mName) != 0)
                Malformed(mName, theMember.mName, "the DISPID is used by another name");
        }
        std::int16_t& theSlot = theFound->mByKind[KindIndex(theMember.mKind)];
        if (theSlot >= 0)
            Malformed(mName, theMember.mName, "two entries of the same kind share a DISPID");
        theSlot = static_cast<std::int16_t>(theIndex);
    }
    std::sort(mIds.begin(), mIds.end(), [](const IdEntry& inA, const IdEntry& inB) { return inA.mId < inB.mId; });

    std::size_t theSize = 8;
    while (theSize < mIds.size() * 2)
        theSize *= 2;
    mNames.assign(theSize, NameSlot{0, -1});
    for (std::size_t theEntry = 0; theEntry < mIds.size(); ++theEntry) {
        const char* theName = Primary(mIds[theEntry].mId)->mName;
        std::uint32_t theHash = HashName(theName);
        for (std::size_t theProbe = theHash & (theSize - 1);; theProbe = (theProbe + 1) & (theSize - 1)) {
            NameSlot& theSlot = mNames[theProbe];
            if (theSlot.mEntry < 0) {
                theSlot = {theHash, static_cast<std::int32_t>(theEntry)};
                break;
            }
            if (theSlot.mHash == theHash && strcasecmp(Primary(mIds[theSlot.mEntry].mId)->mName, theName) == 0)
                Malformed(mName, theName, "two DISPIDs share a name");
        }
    }
}

const DispatchTable::IdEntry* DispatchTable::FindId(DISPID inId) const
{
    auto theFound = std::lower_bound(mIds.begin(), mIds.end(), inId,
                                     [](const IdEntry& inEntry, DISPID inValue) { return inEntry.mId < inValue; });
    return theFound != mIds.end() && theFound->mId == inId ? &*theFound : nullptr;
}

const DispatchTable::IdEntry* DispatchTable::FindName(const OLECHAR* inName) const
{
    std::uint32_t theHash = HashName(inName);
    std::size_t theMask = mNames.size() - 1;
    for (std::size_t theProbe = theHash & theMask;; theProbe = (theProbe + 1) & theMask) {
        const NameSlot& theSlot = mNames[theProbe];
        if (theSlot.mEntry < 0)
            return nullptr;
        const IdEntry& theEntry = mIds[theSlot.mEntry];
        if (theSlot.mHash == theHash && SameName(Primary(theEntry.mId)->mName, inName))
            return &theEntry;
    }
}

const DispatchMember* DispatchTable::Primary(DISPID inId) const
{
    const IdEntry* theEntry = FindId(inId);
    if (theEntry == nullptr)
        return nullptr;
    for (std::int16_t theIndex : theEntry->mByKind)
        if (theIndex >= 0)
            return &mMembers[theIndex];
    return nullptr;
}

HRESULT DispatchTable::GetIDsOfNames(LPOLESTR* inNames, UINT inCount, DISPID* outIds) const
{
    if (inCount == 0)
        return S_OK;
    if (inNames == nullptr || outIds == nullptr)
        return E_POINTER;
    for (UINT i = 0; i < inCount; ++i)
        outIds[i] = DISPID_UNKNOWN;
    const IdEntry* theEntry = inNames[0] != nullptr ? FindName(inNames[0]) : nullptr;
    if (theEntry == nullptr)
        return DISP_E_UNKNOWNNAME;
    outIds[0] = theEntry->mId;
    HRESULT theResult = S_OK;
    for (UINT theName = 1; theName < inCount; ++theName) {
        // Parameter names: the first entry that has one by that name (methods first, then get, put).
        for (std::int16_t theIndex : theEntry->mByKind) {
            if (theIndex < 0 || inNames[theName] == nullptr)
                continue;
            const DispatchMember& theMember = mMembers[theIndex];
            for (int p = 0; p < theMember.CallerParamCount() && outIds[theName] == DISPID_UNKNOWN; ++p)
                if (SameName(theMember.mParams[p].mName, inNames[theName]))
                    outIds[theName] = p;
        }
        if (outIds[theName] == DISPID_UNKNOWN)
            theResult = DISP_E_UNKNOWNNAME;
    }
    return theResult;
}

const DispatchMember* DispatchTable::Resolve(DISPID inId, WORD inFlags, HRESULT* outResult) const
{
    const IdEntry* theEntry = FindId(inId);
    *outResult = DISP_E_MEMBERNOTFOUND;
    if (theEntry == nullptr)
        return nullptr;
    constexpr WORD kPuts = DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
    constexpr WORD kGets = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    if ((inFlags & ~(kPuts | kGets)) != 0 || inFlags == 0 || ((inFlags & kPuts) && (inFlags & kGets))) {
        *outResult = E_INVALIDARG;
        return nullptr;
    }
    std::int16_t theIndex = -1;
    if ((inFlags & DISPATCH_PROPERTYPUTREF) && theEntry->mByKind[3] >= 0)
        theIndex = theEntry->mByKind[3];
    else if ((inFlags & DISPATCH_PROPERTYPUT) && theEntry->mByKind[2] >= 0)
        theIndex = theEntry->mByKind[2];
    else if ((inFlags & DISPATCH_PROPERTYGET) && theEntry->mByKind[1] >= 0)
        theIndex = theEntry->mByKind[1];
    else if ((inFlags & DISPATCH_METHOD) && theEntry->mByKind[0] >= 0)
        theIndex = theEntry->mByKind[0];
    if (theIndex < 0)
        return nullptr;
    *outResult = S_OK;
    return &mMembers[theIndex];
}

HRESULT DispatchTable::Invoke(void* inInterface, DISPID inId, WORD inFlags, DISPPARAMS* inParams,
                              VARIANT* outResult, EXCEPINFO* outExcep, UINT* outArgErr) const
{
    HRESULT theResult;
    const DispatchMember* theMember = Resolve(inId, inFlags, &theResult);
    if (theMember == nullptr)
        return theResult;

    static const DISPPARAMS sNoParams = {nullptr, nullptr, 0, 0};
    const DISPPARAMS& theParams = inParams != nullptr ? *inParams : sNoParams;
    UINT theArgs = theParams.cArgs;
    UINT theNamed = theParams.cNamedArgs;
    if ((theArgs > 0 && theParams.rgvarg == nullptr) || theNamed > theArgs ||
        (theNamed > 0 && theParams.rgdispidNamedArgs == nullptr))
        return E_INVALIDARG;

    // Which caller argument (index into rgvarg, reverse order) fills each parameter.
    const int theCallerParams = theMember->CallerParamCount();
    int theArgOf[kMaxDispatchParams];
    for (int& theArg : theArgOf)
        theArg = -1;
    bool isPut = theMember->mKind == InvokeKind::PropertyPut || theMember->mKind == InvokeKind::PropertyPutRef;
    UINT thePositional = theArgs - theNamed;
    if (isPut) {
        // The new value is rgvarg[0], named DISPID_PROPERTYPUT; index arguments come before it.
        if (theArgs == 0)
            return DISP_E_BADPARAMCOUNT;
        if (theNamed > 1)
            return DISP_E_NONAMEDARGS;
        if (theNamed == 1 && theParams.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTFOUND;
        if (theArgs - 1 > static_cast<UINT>(theCallerParams - 1))
            return DISP_E_BADPARAMCOUNT;
        theArgOf[theCallerParams - 1] = 0;
        thePositional = theArgs - 1;
        for (UINT i = 0; i < thePositional; ++i)
            theArgOf[i] = static_cast<int>(theArgs - 1 - i);
    } else {
        if (thePositional > static_cast<UINT>(theCallerParams)) {
            if (theCallerParams == 0 && theNamed == 0 && theMember->HasRetval())
                return InvokeDefaultMember(inInterface, *theMember, inFlags, inParams, outResult, outExcep,
                                           outArgErr);
            return DISP_E_BADPARAMCOUNT;
        }
        for (UINT i = 0; i < thePositional; ++i)
            theArgOf[i] = static_cast<int>(theArgs - 1 - i);
        for (UINT j = 0; j < theNamed; ++j) {
            DISPID theName = theParams.rgdispidNamedArgs[j];
            if (theName < 0 || theName >= theCallerParams || theArgOf[theName] >= 0) {
                if (outArgErr != nullptr)
                    *outArgErr = j;
                return DISP_E_PARAMNOTFOUND;
            }
            theArgOf[theName] = static_cast<int>(j);
        }
    }

    CallSlots theSlots(theMember->mParamCount);
    for (int p = 0; p < theMember->mParamCount; ++p) {
        const ParamDesc& theParam = theMember->mParams[p];
        ArgSlot& theSlot = theSlots.mSlots[p];
        VARIANT* theArg = theArgOf[p] >= 0 ? &theParams.rgvarg[theArgOf[p]] : nullptr;
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
            continue;
        }
        if (theArg == nullptr) {
            if ((theParam.mFlags & PARAMFLAG_FOPT) == 0) {
                if (outArgErr != nullptr)
                    *outArgErr = theArgOf[p] >= 0 ? static_cast<UINT>(theArgOf[p]) : 0;
                return theArgOf[p] >= 0 || theNamed > 0 ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
            }
            theSlot.mTarget = &theSlot.mValue;
            theSlot.mOwned = true;
            if (theParam.mFlags & PARAMFLAG_FHASDEFAULT)
                theResult = DefaultInto(theParam.mDefault, theBase, theSlot.mValue);
            else if (theBase == VT_VARIANT) {
                theSlot.mValue.vt = VT_ERROR;
                theSlot.mValue.scode = DISP_E_PARAMNOTFOUND;
            } else {
                theSlot.mValue.vt = theBase;
                theSlot.mValue.llVal = 0;
            }
            if (FAILED(theResult))
                return theResult;
            continue;
        }
        if (theBase == VT_VARIANT) {
            theSlot.mTarget = Referenced(theArg);
            continue;
        }
        theResult = CoerceInto(theArg, theBase, theSlot);
        if (FAILED(theResult)) {
            if (outArgErr != nullptr)
                *outArgErr = static_cast<UINT>(theArgOf[p]);
            return theResult;
        }
        if (isOut && !theSlot.mOwned) {
            // An [in, out] value of the declared type: the method may replace it, so it owns a copy.
            VARIANT theCopy;
            VariantInit(&theCopy);
            theResult = VariantCopy(&theCopy, &theSlot.mValue);
            if (FAILED(theResult)) {
                VariantInit(&theSlot.mValue);
                return theResult;
            }
            theSlot.mValue = theCopy;
            theSlot.mOwned = true;
        }
        theSlot.mTarget = &theSlot.mValue;
    }

    SetErrorInfo(0, nullptr);
    try {
        theResult = theMember->mThunk(inInterface, theSlots.mSlots);
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
        return theResult;
    }

    HRESULT theWriteBack = S_OK;
    for (int p = 0; p < theMember->mParamCount; ++p) {
        const ParamDesc& theParam = theMember->mParams[p];
        if ((theParam.mFlags & PARAMFLAG_FOUT) == 0)
            continue;
        ArgSlot& theSlot = theSlots.mSlots[p];
        if (theSlot.mTarget != &theSlot.mValue)
            continue;  // an [in, out] VARIANT the method wrote in place
        if (theParam.mFlags & PARAMFLAG_FRETVAL) {
            if (outResult != nullptr) {
                *outResult = theSlot.mValue;
                VariantInit(&theSlot.mValue);
            }
            continue;
        }
        VARIANT* theArg = theArgOf[p] >= 0 ? &theParams.rgvarg[theArgOf[p]] : nullptr;
        if (theArg == nullptr || (theArg->vt & VT_BYREF) == 0)
            continue;  // the caller passed no reference: the value is dropped
        HRESULT theStored = StoreByRef(*theArg, theSlot.mValue);
        if (FAILED(theStored) && SUCCEEDED(theWriteBack)) {
            theWriteBack = theStored;
            if (outArgErr != nullptr)
                *outArgErr = static_cast<UINT>(theArgOf[p]);
        }
    }
    if (FAILED(theWriteBack)) {
        if (outResult != nullptr)
            VariantClear(outResult);
        return theWriteBack;
    }
    return theResult;
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

HRESULT DispatchTable::CreateTypeInfo(ITypeInfo** outInfo) const
{
    if (outInfo == nullptr)
        return E_POINTER;
    *outInfo = TypeInfo::Create(*this);
    return *outInfo != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace vx
