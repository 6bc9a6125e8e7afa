// Regions: a handle holding the classic header, a count and the rectangles whose union it is.
#include "Impl.h"
#include "RegionList.h"
#include "ThreadState.h"

#include <algorithm>
#include <cstring>

namespace vximaging {

namespace {

constexpr std::size_t kHeaderSize = sizeof(MacRegion) + sizeof(std::int16_t);
constexpr int kMaxRects = int((0xFFFF - kHeaderSize) / sizeof(Rect));

bool IsEmpty(const Rect& inRect)
{
    return inRect.right <= inRect.left || inRect.bottom <= inRect.top;
}

std::int16_t CountOf(RgnHandle inRegion)
{
    std::int16_t theCount = 0;
    std::memcpy(&theCount, reinterpret_cast<char*>(*inRegion) + sizeof(MacRegion), sizeof(theCount));
    return theCount;
}

// Replaces the region's rectangles (empty ones dropped); -108 leaves it as it was.
OSErr Store(RgnHandle ioRegion, const std::vector<Rect>& inRects)
{
    std::vector<Rect> theRects;
    for (const Rect& theRect : inRects)
        if (!IsEmpty(theRect))
            theRects.push_back(theRect);
    if (int(theRects.size()) > kMaxRects)
        return memFullErr;
    const Size theSize = Size(kHeaderSize + theRects.size() * sizeof(Rect));
    SetHandleSize(reinterpret_cast<Handle>(ioRegion), theSize);
    if (MemError() != noErr)
        return MemError();
    Rect theBox{0, 0, 0, 0};
    for (std::size_t theIndex = 0; theIndex < theRects.size(); ++theIndex) {
        const Rect& theRect = theRects[theIndex];
        theBox = theIndex == 0 ? theRect
                               : Rect{std::min(theBox.top, theRect.top), std::min(theBox.left, theRect.left),
                                      std::max(theBox.bottom, theRect.bottom), std::max(theBox.right, theRect.right)};
    }
    char* theBlock = reinterpret_cast<char*>(*ioRegion);
    (*ioRegion)->rgnSize = std::uint16_t(theSize);
    (*ioRegion)->rgnBBox = theBox;
    const auto theCount = std::int16_t(theRects.size());
    std::memcpy(theBlock + sizeof(MacRegion), &theCount, sizeof(theCount));
    if (!theRects.empty())
        std::memcpy(theBlock + kHeaderSize, theRects.data(), theRects.size() * sizeof(Rect));
    return noErr;
}

}  // namespace

bool RegionRects(RgnHandle inRegion, std::vector<Rect>& outRects)
{
    outRects.clear();
    if (inRegion == nullptr || *inRegion == nullptr)
        return false;
    const Size theSize = GetHandleSize(reinterpret_cast<Handle>(inRegion));
    if (MemError() != noErr || theSize < Size(kHeaderSize))
        return false;
    const int theCount = std::min<int>(CountOf(inRegion), int((theSize - Size(kHeaderSize)) / Size(sizeof(Rect))));
    outRects.resize(std::size_t(std::max(theCount, 0)));
    if (!outRects.empty())
        std::memcpy(outRects.data(), reinterpret_cast<char*>(*inRegion) + kHeaderSize, outRects.size() * sizeof(Rect));
    return true;
}

void RowSpans(const std::vector<Rect>& inRects, int inY, int inLeft, int inRight,
              std::vector<std::pair<int, int>>& outSpans)
{
    outSpans.clear();
    for (const Rect& theRect : inRects) {
        if (inY < theRect.top || inY >= theRect.bottom)
            continue;
        const int theLeft = std::max<int>(theRect.left, inLeft);
        const int theRight = std::min<int>(theRect.right, inRight);
        if (theLeft < theRight)
            outSpans.emplace_back(theLeft, theRight);
    }
    std::sort(outSpans.begin(), outSpans.end());
    std::size_t theKept = 0;
    for (const auto& theSpan : outSpans) {
        if (theKept > 0 && theSpan.first <= outSpans[theKept - 1].second)
            outSpans[theKept - 1].second = std::max(outSpans[theKept - 1].second, theSpan.second);
        else
            outSpans[theKept++] = theSpan;
    }
    outSpans.resize(theKept);
}

RgnHandle NewRgn()
{
    auto theRegion = reinterpret_cast<RgnHandle>(NewHandleClear(Size(kHeaderSize)));
    if (theRegion != nullptr)
        (*theRegion)->rgnSize = std::uint16_t(kHeaderSize);
    SetQDError(theRegion != nullptr ? noErr : memFullErr);
    return theRegion;
}

void DisposeRgn(RgnHandle inRegion)
{
    DisposeHandle(reinterpret_cast<Handle>(inRegion));
}

void SetEmptyRgn(RgnHandle ioRegion)
{
    if (ioRegion != nullptr)
        SetQDError(Store(ioRegion, {}));
}

void RectRgn(RgnHandle ioRegion, const Rect* inRect)
{
    if (ioRegion == nullptr || inRect == nullptr) {
        SetQDError(paramErr);
        return;
    }
    SetQDError(Store(ioRegion, {*inRect}));
}

void SetRectRgn(RgnHandle ioRegion, short inLeft, short inTop, short inRight, short inBottom)
{
    const Rect theRect{inTop, inLeft, inBottom, inRight};
    vximaging::RectRgn(ioRegion, &theRect);
}

void UnionRgn(RgnHandle inA, RgnHandle inB, RgnHandle ioDest)
{
    std::vector<Rect> theA, theB;
    if (!RegionRects(inA, theA) || !RegionRects(inB, theB) || ioDest == nullptr) {
        SetQDError(paramErr);
        return;
    }
    theA.insert(theA.end(), theB.begin(), theB.end());
    SetQDError(Store(ioDest, theA));
}

Boolean EmptyRgn(RgnHandle inRegion)
{
    std::vector<Rect> theRects;
    return RegionRects(inRegion, theRects) && !theRects.empty() ? kFalse : kTrue;
}

Boolean PtInRgn(Point inPoint, RgnHandle inRegion)
{
    std::vector<Rect> theRects;
    if (!RegionRects(inRegion, theRects))
        return kFalse;
    for (const Rect& theRect : theRects)
        if (inPoint.h >= theRect.left && inPoint.h < theRect.right && inPoint.v >= theRect.top &&
            inPoint.v < theRect.bottom)
            return kTrue;
    return kFalse;
}

}  // namespace vximaging
