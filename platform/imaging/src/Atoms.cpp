// Atom containers: a flat list of atoms in a handle, each addressed by its byte offset.
#include "Impl.h"

#include <cstring>

namespace vximaging {

namespace {

constexpr OSType kContainerMagic = FourCharCode("atmc");
constexpr long kHeaderSize = 4;
constexpr long kAtomHeader = 12;

struct AtomHeader {
    std::int32_t mSize;
    QTAtomType mType;
    std::int32_t mID;
};

bool ValidContainer(QTAtomContainer inContainer)
{
    if (inContainer == nullptr || *inContainer == nullptr)
        return false;
    const Size theSize = GetHandleSize(inContainer);
    if (theSize < kHeaderSize)
        return false;
    OSType theMagic = 0;
    std::memcpy(&theMagic, *inContainer, 4);
    return theMagic == kContainerMagic;
}

// Reads the atom at inOffset; false when it does not lie wholly inside the container.
bool ReadAtom(QTAtomContainer inContainer, long inOffset, AtomHeader& outHeader)
{
    const long theSize = GetHandleSize(inContainer);
    if (inOffset < kHeaderSize || inOffset > theSize - kAtomHeader)
        return false;
    std::memcpy(&outHeader, *inContainer + inOffset, sizeof(outHeader));
    return outHeader.mSize >= kAtomHeader && outHeader.mSize <= theSize - inOffset;
}

// True when inAtom is the offset of one of the container's atoms (walking from the first, so a
// made-up offset inside another atom's data is refused).
bool IsAtom(QTAtomContainer inContainer, QTAtom inAtom)
{
    AtomHeader theHeader{};
    for (long theOffset = kHeaderSize; ReadAtom(inContainer, theOffset, theHeader); theOffset += theHeader.mSize)
        if (theOffset == inAtom)
            return true;
    return false;
}

}  // namespace

OSErr QTNewAtomContainer(QTAtomContainer* outContainer)
{
    if (outContainer == nullptr)
        return paramErr;
    *outContainer = NewHandle(kHeaderSize);
    if (*outContainer == nullptr)
        return MemError();
    std::memcpy(**outContainer, &kContainerMagic, 4);
    return noErr;
}

OSErr QTDisposeAtomContainer(QTAtomContainer inContainer)
{
    if (!ValidContainer(inContainer))
        return paramErr;
    DisposeHandle(inContainer);
    return noErr;
}

OSErr QTInsertChild(QTAtomContainer ioContainer, QTAtom inParent, QTAtomType inType, QTAtomID inID, short inIndex,
                    long inDataSize, const void* inData, QTAtom* outAtom)
{
    if (!ValidContainer(ioContainer) || inParent != kParentAtomIsContainer || inDataSize < 0 ||
        (inData == nullptr && inDataSize > 0) || inDataSize > kMaxHandleSize - GetHandleSize(ioContainer) - kAtomHeader)
        return paramErr;
    long theCount = 0;
    long theEnd = kHeaderSize;
    QTAtomID theLargestID = 0;
    AtomHeader theHeader{};
    for (; ReadAtom(ioContainer, theEnd, theHeader); theEnd += theHeader.mSize) {
        ++theCount;
        if (theHeader.mType == inType && theHeader.mID > theLargestID)
            theLargestID = theHeader.mID;
    }
    if (inIndex != 0 && inIndex != theCount + 1)
        return paramErr;
    const AtomHeader theNew{std::int32_t(kAtomHeader + inDataSize), inType,
                            std::int32_t(inID != 0 ? inID : theLargestID + 1)};
    SetHandleSize(ioContainer, Size(theEnd + theNew.mSize));
    if (const OSErr theError = MemError(); theError != noErr)
        return theError;
    std::memcpy(*ioContainer + theEnd, &theNew, sizeof(theNew));
    if (inDataSize > 0)
        std::memcpy(*ioContainer + theEnd + kAtomHeader, inData, std::size_t(inDataSize));
    if (outAtom != nullptr)
        *outAtom = theEnd;
    return noErr;
}

OSErr QTNextChildAnyType(QTAtomContainer inContainer, QTAtom inParent, QTAtom inCurrent, QTAtom* outNext)
{
    if (outNext == nullptr || !ValidContainer(inContainer) || inParent != kParentAtomIsContainer)
        return paramErr;
    *outNext = 0;
    long theNext = kHeaderSize;
    if (inCurrent != 0) {
        AtomHeader theHeader{};
        if (!IsAtom(inContainer, inCurrent) || !ReadAtom(inContainer, inCurrent, theHeader))
            return paramErr;
        theNext = inCurrent + theHeader.mSize;
    }
    AtomHeader theHeader{};
    if (ReadAtom(inContainer, theNext, theHeader))
        *outNext = theNext;
    return noErr;
}

OSErr QTGetAtomTypeAndID(QTAtomContainer inContainer, QTAtom inAtom, QTAtomType* outType, QTAtomID* outID)
{
    AtomHeader theHeader{};
    if (!ValidContainer(inContainer) || !IsAtom(inContainer, inAtom) || !ReadAtom(inContainer, inAtom, theHeader))
        return paramErr;
    if (outType != nullptr)
        *outType = theHeader.mType;
    if (outID != nullptr)
        *outID = theHeader.mID;
    return noErr;
}

OSErr QTCopyAtomDataToPtr(QTAtomContainer inContainer, QTAtom inAtom, Boolean inSizeOrLessOK, long inSize,
                          void* inBuffer, long* outActualSize)
{
    AtomHeader theHeader{};
    if (!ValidContainer(inContainer) || inSize < 0 || (inBuffer == nullptr && inSize > 0) ||
        !IsAtom(inContainer, inAtom) || !ReadAtom(inContainer, inAtom, theHeader))
        return paramErr;
    long theLength = theHeader.mSize - kAtomHeader;
    if (theLength > inSize) {
        if (!inSizeOrLessOK)
            return paramErr;
        theLength = inSize;
    }
    if (theLength > 0)
        std::memcpy(inBuffer, *inContainer + inAtom + kAtomHeader, std::size_t(theLength));
    if (outActualSize != nullptr)
        *outActualSize = theLength;
    return noErr;
}

short QTCountChildrenOfType(QTAtomContainer inContainer, QTAtom inParent, QTAtomType inType)
{
    if (!ValidContainer(inContainer) || inParent != kParentAtomIsContainer)
        return 0;
    short theCount = 0;
    AtomHeader theHeader{};
    for (long theOffset = kHeaderSize; ReadAtom(inContainer, theOffset, theHeader); theOffset += theHeader.mSize)
        theCount += (inType == 0 || theHeader.mType == inType) ? 1 : 0;
    return theCount;
}

}  // namespace vximaging
