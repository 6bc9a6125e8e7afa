// What each interface offers, read from its type information once per request.
#include "Host.h"

#include <algorithm>
#include <map>
#include <memory>

#include <automation/Bstr.h>
#include <automation/Guid.h>

namespace vxphp {

namespace {

constexpr USHORT kFlagOut = 0x02;  // PARAMFLAG_FOUT
constexpr DISPID kNewEnum = -4;    // DISPID_NEWENUM

std::map<std::string, std::unique_ptr<Shape>>& Shapes()
{
    static std::map<std::string, std::unique_ptr<Shape>> theShapes;
    return theShapes;
}

std::string Lower(std::string_view inName)
{
    std::string theLower(inName);
    std::transform(theLower.begin(), theLower.end(), theLower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return theLower;
}

// The parameters whose value the server reads as bytes: PHP strings go to them as byte arrays.
bool TakesBytes(const std::string& inParamName)
{
    const std::string theName = Lower(inParamName);
    return theName == "indata" || theName == "insrc";
}

std::unique_ptr<Member> ReadMember(ITypeInfo* inInfo, const FUNCDESC& inDesc)
{
    BSTR theNames[1 + 32] = {};
    UINT theCount = 0;
    const UINT theWanted = 1 + static_cast<UINT>(std::min<SHORT>(inDesc.cParams, 32));
    if (FAILED(inInfo->GetNames(inDesc.memid, theNames, theWanted, &theCount)))
        return nullptr;
    std::vector<std::string> theTexts;
    for (UINT n = 0; n < theCount; ++n)
        theTexts.push_back(vx::Bstr::Attach(theNames[n]).ToUTF8());
    if (theTexts.empty())
        return nullptr;
    auto theMember = std::make_unique<Member>();
    theMember->mId = inDesc.memid;
    theMember->mName = theTexts[0];
    for (SHORT p = 0; p < inDesc.cParams; ++p) {
        const USHORT theFlags = inDesc.lprgelemdescParam[p].paramdesc.wParamFlags;
        const UINT theSlot = static_cast<UINT>(p) + 1;
        const std::string theName = theSlot < theTexts.size() ? theTexts[theSlot] : std::string();
        theMember->mFlags.push_back(theFlags);
        theMember->mParamNames.push_back(theName);
        theMember->mBytes.push_back(TakesBytes(theName));
        if (theFlags & kFlagOut)
            theMember->mOuts.push_back(static_cast<unsigned>(p));
    }
    theMember->mRetval = inDesc.elemdescFunc.tdesc.vt != VT_VOID;
    return theMember;
}

void AddMember(Shape& ioShape, std::map<std::string, Entry>& ioEntries, std::unique_ptr<Member> inMember,
               INVOKEKIND inKind)
{
    if (inMember->mId == kNewEnum)
        ioShape.mEnumerable = true;
    Entry& theEntry = ioEntries[Lower(inMember->mName)];
    const Member* theMember = inMember.get();
    ioShape.mMembers.push_back(std::move(inMember));
    switch (inKind) {
    case INVOKE_FUNC:
        theEntry.mMethod = theMember;
        break;
    case INVOKE_PROPERTYGET:
        theEntry.mGet = theMember;
        break;
    case INVOKE_PROPERTYPUT:
        theEntry.mPut = theMember;
        break;
    case INVOKE_PROPERTYPUTREF:
        theEntry.mPutRef = theMember;
        break;
    }
}

std::unique_ptr<Shape> ReadShape(ITypeInfo* inInfo, const TYPEATTR& inAttr)
{
    auto theShape = std::make_unique<Shape>();
    theShape->mTyped = true;
    vx::Bstr theName;
    inInfo->GetDocumentation(DISPID_UNKNOWN, theName.Out(), nullptr, nullptr, nullptr);
    theShape->mName = theName.ToUTF8();
    std::map<std::string, Entry> theEntries;
    for (UINT i = 0; i < inAttr.cFuncs; ++i) {
        FUNCDESC* theDesc = nullptr;
        if (FAILED(inInfo->GetFuncDesc(i, &theDesc)))
            continue;
        if (std::unique_ptr<Member> theMember = ReadMember(inInfo, *theDesc))
            AddMember(*theShape, theEntries, std::move(theMember), theDesc->invkind);
        inInfo->ReleaseFuncDesc(theDesc);
    }
    theShape->mEntries.assign(theEntries.begin(), theEntries.end());
    return theShape;
}

const Shape& Untyped()
{
    static const Shape theShape;
    return theShape;
}

}  // namespace

const Entry* Shape::Find(std::string_view inName) const
{
    const std::string theKey = Lower(inName);
    const auto theAt =
        std::lower_bound(mEntries.begin(), mEntries.end(), theKey,
                         [](const auto& inEntry, const std::string& inKey) { return inEntry.first < inKey; });
    return theAt != mEntries.end() && theAt->first == theKey ? &theAt->second : nullptr;
}

const Shape& ShapeOf(HostObject* inObject)
{
    if (inObject->mShape != nullptr)
        return *inObject->mShape;
    inObject->mShape = &Untyped();
    ITypeInfo* theInfo = nullptr;
    if (inObject->mObject == nullptr || FAILED(inObject->mObject->GetTypeInfo(0, LOCALE_USER_DEFAULT, &theInfo)) ||
        theInfo == nullptr)
        return *inObject->mShape;
    TYPEATTR* theAttr = nullptr;
    if (SUCCEEDED(theInfo->GetTypeAttr(&theAttr))) {
        std::unique_ptr<Shape>& theShape = Shapes()[StringFromGUID(theAttr->guid)];
        if (theShape == nullptr)
            theShape = ReadShape(theInfo, *theAttr);
        inObject->mShape = theShape.get();
        theInfo->ReleaseTypeAttr(theAttr);
    }
    theInfo->Release();
    return *inObject->mShape;
}

void ForgetShapes()
{
    Shapes().clear();
}

}  // namespace vxphp
