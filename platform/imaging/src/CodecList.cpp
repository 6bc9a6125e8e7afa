// The codec name list, built from the codec components.
#include "ComponentTable.h"
#include "Impl.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace vximaging {

OSErr GetCodecNameList(CodecNameSpecListPtr* outList, short)
{
    if (outList == nullptr)
        return paramErr;
    *outList = nullptr;
    ComponentDescription theLooking{compressorComponentType, 0, 0, 0, 0};
    const long theCount = vximaging::CountComponents(&theLooking);
    const std::size_t theBytes =
        offsetof(CodecNameSpecList, list) + sizeof(CodecNameSpec) * std::size_t(std::max(theCount, 1L));
    auto* theList = static_cast<CodecNameSpecList*>(std::calloc(1, theBytes));
    if (theList == nullptr)
        return memFullErr;
    short theFilled = 0;
    OSErr theError = noErr;
    for (Component theComponent = vximaging::FindNextComponent(nullptr, &theLooking);
         theComponent != nullptr && theFilled < theCount;
         theComponent = vximaging::FindNextComponent(theComponent, &theLooking)) {
        CodecNameSpec& theEntry = theList->list[theFilled];
        Handle theName = NewHandle(0);
        ComponentDescription theDesc{};
        if (theName == nullptr) {
            theError = MemError();
            break;
        }
        if ((theError = vximaging::GetComponentInfo(theComponent, &theDesc, theName, nullptr, nullptr)) != noErr) {
            DisposeHandle(theName);
            break;
        }
        theEntry.codec = theComponent;
        theEntry.cType = theDesc.componentSubType;
        theEntry.name = theName;
        const std::size_t theLength = std::min<std::size_t>(std::uint8_t((*theName)[0]), sizeof(theEntry.typeName) - 1);
        theEntry.typeName[0] = std::uint8_t(theLength);
        std::memcpy(theEntry.typeName + 1, *theName + 1, theLength);
        theList->count = ++theFilled;
    }
    if (theError != noErr) {
        vximaging::DisposeCodecNameList(theList);
        return theError;
    }
    *outList = theList;
    return noErr;
}

OSErr DisposeCodecNameList(CodecNameSpecListPtr inList)
{
    if (inList == nullptr)
        return paramErr;
    for (short theIndex = 0; theIndex < inList->count; ++theIndex)
        DisposeHandle(inList->list[theIndex].name);
    std::free(inList);
    return noErr;
}

}  // namespace vximaging
