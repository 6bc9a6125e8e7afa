#include "automation/DispatchTable.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <type_traits>

#include "TypeInfo.h"
#include "automation/Strings.h"

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

char16_t FoldCase(char16_t inChar)
{
    return inChar >= u'A' && inChar <= u'Z' ? inChar + (u'a' - u'A') : inChar;
}

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
            const DispatchMember& theOther =
                mMembers[*std::max_element(theFound->mByKind, theFound->mByKind + kKindCount)];
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

HRESULT DispatchTable::CreateTypeInfo(ITypeInfo** outInfo) const
{
    if (outInfo == nullptr)
        return E_POINTER;
    *outInfo = TypeInfo::Create(*this);
    return *outInfo != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace vx
