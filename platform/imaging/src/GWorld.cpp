// Offscreen worlds, the per-thread current port and its drawing state, CopyBits.
#include "Compositor.h"
#include "Impl.h"
#include "Palette.h"
#include "ThreadState.h"
#include "Worlds.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vximaging {

namespace {

constexpr std::uint32_t kWorldMagic = 0x67576C64;
constexpr std::ptrdiff_t kMaxPixelBytes = std::ptrdiff_t(1) << 30;

// Plain data only: a thread's screen port is one of these in thread-local storage.
struct World {
    CGrafPort mPort;  // must stay first: a GWorldPtr points here
    PixMap mPixMap;
    PixMapPtr mPixMapPtr;
    std::uint8_t* mPixels;
    std::ptrdiff_t mRowBytes;
    std::int32_t mLocks;
    std::uint32_t mMagic;
};

thread_local World tScreen{};
thread_local CGrafPtr tCurrent = nullptr;

GDevice sMainDevice{0, 2, nullptr};
GDPtr sMainDevicePtr = &sMainDevice;

World* WorldOf(CGrafPtr inPort)
{
    auto* theWorld = reinterpret_cast<World*>(inPort);
    return theWorld != nullptr && theWorld->mMagic == kWorldMagic ? theWorld : nullptr;
}

World* WorldOfPixMap(const PixMap* inPixMap)
{
    auto* theWorld = inPixMap != nullptr ? static_cast<World*>(inPixMap->pmExt) : nullptr;
    return theWorld != nullptr && theWorld->mMagic == kWorldMagic && &theWorld->mPixMap == inPixMap ? theWorld
                                                                                                    : nullptr;
}

void InitPort(World& ioWorld)
{
    ioWorld.mMagic = kWorldMagic;
    ioWorld.mPixMapPtr = &ioWorld.mPixMap;
    ioWorld.mPixMap.pmExt = &ioWorld;
    ioWorld.mPort.portPixMap = &ioWorld.mPixMapPtr;
    ioWorld.mPort.rgbFgColor = RGBColor{0, 0, 0};
    ioWorld.mPort.rgbBkColor = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    ioWorld.mPort.rgbOpColor = RGBColor{0, 0, 0};
    ioWorld.mPort.pen = PenState{{0, 0}, {1, 1}, srcCopy, {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}};
}

World& Screen()
{
    if (tScreen.mMagic != kWorldMagic) {
        InitPort(tScreen);
        tScreen.mPixMap.pixelSize = 32;
        tScreen.mPixMap.pixelType = 16;
        tScreen.mPixMap.pixelFormat = k32BGRAPixelFormat;
        tScreen.mPixMap.rowBytes = std::int16_t(0x8000);
    }
    return tScreen;
}

bool ValidDepth(int inDepth)
{
    return inDepth == 1 || inDepth == 2 || inDepth == 4 || inDepth == 8 || inDepth == 16 || inDepth == 32;
}

bool ValidBounds(const Rect* inBounds)
{
    if (inBounds == nullptr)
        return false;
    const int theWidth = int(inBounds->right) - inBounds->left;
    const int theHeight = int(inBounds->bottom) - inBounds->top;
    return theWidth >= 1 && theWidth <= 32767 && theHeight >= 1 && theHeight <= 32767;
}

// White in a depth's layout: index 0, or all channel bits set (and opaque).
void FillWhite(std::uint8_t* outPixels, std::ptrdiff_t inBytes, int inDepth)
{
    std::memset(outPixels, inDepth <= 8 ? 0x00 : 0xFF, std::size_t(inBytes));
    if (inDepth == 16)
        for (std::ptrdiff_t theIndex = 1; theIndex < inBytes; theIndex += 2)
            outPixels[theIndex] = 0x7F;  // top bit unused; little-endian high byte
}

struct Pixels {
    std::uint8_t* mData = nullptr;
    std::ptrdiff_t mRowBytes = 0;
    CTabHandle mTable = nullptr;
};

OSErr AllocatePixels(int inDepth, const Rect& inBounds, Pixels& outPixels)
{
    const int theWidth = inBounds.right - inBounds.left;
    const int theHeight = inBounds.bottom - inBounds.top;
    const std::ptrdiff_t theRowBytes = AlignedRowBytes(theWidth, inDepth);
    if (theRowBytes * theHeight > kMaxPixelBytes)
        return memFullErr;
    auto* theData = static_cast<std::uint8_t*>(std::malloc(std::size_t(theRowBytes * theHeight)));
    if (theData == nullptr)
        return memFullErr;
    CTabHandle theTable = nullptr;
    if (inDepth <= 8 && (theTable = NewTableHandle(DefaultPalette(inDepth))) == nullptr) {
        std::free(theData);
        return memFullErr;
    }
    FillWhite(theData, theRowBytes * theHeight, inDepth);
    outPixels = Pixels{theData, theRowBytes, theTable};
    return noErr;
}

void InstallPixels(World& ioWorld, int inDepth, const Rect& inBounds, const Pixels& inPixels)
{
    ioWorld.mPixels = inPixels.mData;
    ioWorld.mRowBytes = inPixels.mRowBytes;
    PixMap& thePixMap = ioWorld.mPixMap;
    thePixMap.baseAddr = reinterpret_cast<Ptr>(inPixels.mData);
    const std::ptrdiff_t theRowBytes = inPixels.mRowBytes;
    thePixMap.rowBytes =
        std::int16_t(theRowBytes <= 0x3FFF ? (0x8000 | theRowBytes) : (0xC000 | (theRowBytes & 0x3FFF)));
    thePixMap.bounds = inBounds;
    thePixMap.pmVersion = 0;
    thePixMap.hRes = IntToFixed(72);
    thePixMap.vRes = IntToFixed(72);
    thePixMap.pixelType = std::int16_t(inDepth <= 8 ? 0 : 16);
    thePixMap.pixelSize = std::int16_t(inDepth);
    thePixMap.cmpCount = std::int16_t(inDepth <= 8 ? 1 : 3);
    thePixMap.cmpSize = std::int16_t(inDepth <= 8 ? inDepth : inDepth == 16 ? 5 : 8);
    thePixMap.pixelFormat = inDepth == 32 ? k32BGRAPixelFormat : OSType(inDepth);
    thePixMap.pmTable = inPixels.mTable;
    ioWorld.mPort.portRect = inBounds;
}

void ReleasePixels(World& ioWorld)
{
    std::free(ioWorld.mPixels);
    ioWorld.mPixels = nullptr;
    if (ioWorld.mPixMap.pmTable != nullptr)
        DisposeHandle(reinterpret_cast<Handle>(ioWorld.mPixMap.pmTable));
    ioWorld.mPixMap.pmTable = nullptr;
}

Surface SurfaceOf(std::uint8_t* inPixels, std::ptrdiff_t inRowBytes, int inDepth, const Rect& inBounds)
{
    Surface theSurface;
    theSurface.mTopRow = inPixels;
    theSurface.mStride = inRowBytes;
    theSurface.mLeft = inBounds.left;
    theSurface.mTop = inBounds.top;
    theSurface.mWidth = inBounds.right - inBounds.left;
    theSurface.mHeight = inBounds.bottom - inBounds.top;
    theSurface.mDepth = inDepth;
    theSurface.mPalette = inDepth <= 8 ? DefaultPalette(inDepth).mBGRA : nullptr;
    return theSurface;
}

void FillRect(CGrafPtr inPort, const Rect* inRect, const RGBColor& inColor)
{
    World* theWorld = WorldOf(inPort);
    if (inRect == nullptr || theWorld == nullptr) {
        SetQDError(paramErr);
        return;
    }
    SetQDError(noErr);
    if (theWorld->mPixels == nullptr)
        return;
    const Rect& theBounds = theWorld->mPixMap.bounds;
    const int theLeft = std::max(inRect->left, theBounds.left);
    const int theTop = std::max(inRect->top, theBounds.top);
    const int theRight = std::min(inRect->right, theBounds.right);
    const int theBottom = std::min(inRect->bottom, theBounds.bottom);
    if (theLeft >= theRight || theTop >= theBottom)
        return;
    const std::uint32_t thePixel = std::uint32_t(inColor.blue >> 8) | (std::uint32_t(inColor.green >> 8) << 8) |
                                   (std::uint32_t(inColor.red >> 8) << 16) | 0xFF000000u;
    const int theCount = theRight - theLeft;
    std::vector<std::uint32_t> theRow(std::size_t(theCount), thePixel);
    const Surface theSurface =
        SurfaceOf(theWorld->mPixels, theWorld->mRowBytes, theWorld->mPixMap.pixelSize, theBounds);
    for (int theY = theTop; theY < theBottom; ++theY)
        StoreRow(theSurface, theY, theLeft, theCount, reinterpret_cast<const std::uint8_t*>(theRow.data()), false);
}

}  // namespace

bool SurfaceOfPixMap(const PixMap* inPixMap, Surface& outSurface)
{
    if (inPixMap == nullptr || inPixMap->baseAddr == nullptr || !ValidDepth(inPixMap->pixelSize))
        return false;
    const World* theWorld = WorldOfPixMap(inPixMap);
    const std::ptrdiff_t theRowBytes = theWorld != nullptr ? theWorld->mRowBytes : (inPixMap->rowBytes & 0x3FFF);
    if (inPixMap->bounds.right <= inPixMap->bounds.left || inPixMap->bounds.bottom <= inPixMap->bounds.top)
        return false;
    outSurface = SurfaceOf(reinterpret_cast<std::uint8_t*>(inPixMap->baseAddr), theRowBytes, inPixMap->pixelSize,
                           inPixMap->bounds);
    return theRowBytes >= AlignedRowBytes(outSurface.mWidth, outSurface.mDepth) - 3;
}

bool SurfaceOfBitMap(const BitMap* inBitMap, Surface& outSurface)
{
    if (inBitMap == nullptr)
        return false;
    if ((inBitMap->rowBytes & 0x8000) != 0)
        return SurfaceOfPixMap(reinterpret_cast<const PixMap*>(inBitMap), outSurface);
    if (inBitMap->baseAddr == nullptr || inBitMap->bounds.right <= inBitMap->bounds.left ||
        inBitMap->bounds.bottom <= inBitMap->bounds.top)
        return false;
    outSurface = SurfaceOf(reinterpret_cast<std::uint8_t*>(inBitMap->baseAddr), inBitMap->rowBytes & 0x3FFF, 1,
                           inBitMap->bounds);
    return true;
}

CGrafPtr CurrentPort()
{
    return tCurrent != nullptr ? tCurrent : &Screen().mPort;
}

OSErr NewGWorld(GWorldPtr* outWorld, short inPixelDepth, const Rect* inBounds, CTabHandle, GDHandle, GWorldFlags)
{
    const int theDepth = inPixelDepth == 0 ? 32 : inPixelDepth;
    if (outWorld == nullptr || !ValidDepth(theDepth) || !ValidBounds(inBounds)) {
        SetQDError(paramErr);
        return paramErr;
    }
    *outWorld = nullptr;
    auto* theWorld = static_cast<World*>(std::calloc(1, sizeof(World)));
    Pixels thePixels;
    OSErr theError = theWorld == nullptr ? memFullErr : AllocatePixels(theDepth, *inBounds, thePixels);
    if (theError != noErr) {
        std::free(theWorld);
        SetQDError(theError);
        return theError;
    }
    InitPort(*theWorld);
    InstallPixels(*theWorld, theDepth, *inBounds, thePixels);
    *outWorld = &theWorld->mPort;
    SetQDError(noErr);
    return noErr;
}

GWorldFlags UpdateGWorld(GWorldPtr* ioWorld, short inPixelDepth, const Rect* inBounds, CTabHandle, GDHandle,
                         GWorldFlags inFlags)
{
    World* theWorld = ioWorld != nullptr ? WorldOf(*ioWorld) : nullptr;
    const int theDepth = inPixelDepth == 0 ? 32 : inPixelDepth;
    if (theWorld == nullptr || theWorld == &Screen() || !ValidDepth(theDepth) || !ValidBounds(inBounds)) {
        SetQDError(paramErr);
        return gwFlagErr;
    }
    const int theOldDepth = theWorld->mPixMap.pixelSize;
    const Rect theOldBounds = theWorld->mPixMap.bounds;
    if (theOldDepth == theDepth && theOldBounds == *inBounds) {
        SetQDError(noErr);
        return 0;
    }
    Pixels thePixels;
    if (const OSErr theError = AllocatePixels(theDepth, *inBounds, thePixels); theError != noErr) {
        SetQDError(theError);
        return gwFlagErr;
    }
    if ((inFlags & (clipPix | stretchPix)) != 0) {
        CompositeRequest theRequest;
        theRequest.mSource = SurfaceOf(theWorld->mPixels, theWorld->mRowBytes, theOldDepth, theOldBounds);
        theRequest.mSourceRect = theOldBounds;
        theRequest.mDest = SurfaceOf(thePixels.mData, thePixels.mRowBytes, theDepth, *inBounds);
        theRequest.mMatrix = MatrixD{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
        if ((inFlags & stretchPix) != 0) {
            MatrixRecord theMap;
            vximaging::RectMatrix(&theMap, &theOldBounds, inBounds);
            theRequest.mMatrix = ToDouble(theMap);
        }
        theRequest.mMode = srcCopy | ((inFlags & ditherPix) != 0 ? ditherCopy : 0);
        if (const OSErr theError = Composite(theRequest); theError != noErr) {
            std::free(thePixels.mData);
            if (thePixels.mTable != nullptr)
                DisposeHandle(reinterpret_cast<Handle>(thePixels.mTable));
            SetQDError(theError);
            return gwFlagErr;
        }
    }
    ReleasePixels(*theWorld);
    InstallPixels(*theWorld, theDepth, *inBounds, thePixels);
    SetQDError(noErr);
    return reallocPix | (theOldDepth != theDepth ? newDepth : 0);
}

void DisposeGWorld(GWorldPtr inWorld)
{
    World* theWorld = WorldOf(inWorld);
    if (theWorld == nullptr || theWorld == &Screen()) {
        SetQDError(paramErr);
        return;
    }
    if (tCurrent == inWorld)
        tCurrent = nullptr;
    ReleasePixels(*theWorld);
    theWorld->mMagic = 0;
    std::free(theWorld);
    SetQDError(noErr);
}

PixMapHandle GetGWorldPixMap(GWorldPtr inWorld)
{
    World* theWorld = WorldOf(inWorld);
    return theWorld != nullptr ? &theWorld->mPixMapPtr : nullptr;
}

Boolean LockPixels(PixMapHandle inPixMap)
{
    World* theWorld = inPixMap != nullptr ? WorldOfPixMap(*inPixMap) : nullptr;
    if (theWorld == nullptr || theWorld->mPixels == nullptr)
        return kFalse;
    ++theWorld->mLocks;
    return kTrue;
}

void UnlockPixels(PixMapHandle inPixMap)
{
    World* theWorld = inPixMap != nullptr ? WorldOfPixMap(*inPixMap) : nullptr;
    if (theWorld != nullptr && theWorld->mLocks > 0)
        --theWorld->mLocks;
}

Ptr GetPixBaseAddr(PixMapHandle inPixMap)
{
    return inPixMap != nullptr && *inPixMap != nullptr ? (*inPixMap)->baseAddr : nullptr;
}

long GetPixRowBytes(PixMapHandle inPixMap)
{
    if (inPixMap == nullptr || *inPixMap == nullptr)
        return 0;
    const World* theWorld = WorldOfPixMap(*inPixMap);
    return theWorld != nullptr ? long(theWorld->mRowBytes) : long((*inPixMap)->rowBytes & 0x3FFF);
}

short GetPixDepth(PixMapHandle inPixMap)
{
    return inPixMap != nullptr && *inPixMap != nullptr ? (*inPixMap)->pixelSize : 0;
}

Rect* GetPortBounds(CGrafPtr inPort, Rect* outRect)
{
    if (inPort != nullptr && outRect != nullptr)
        *outRect = inPort->portRect;
    return outRect;
}

PixMapHandle GetPortPixMap(CGrafPtr inPort)
{
    return inPort != nullptr ? inPort->portPixMap : nullptr;
}

const BitMap* GetPortBitMapForCopyBits(CGrafPtr inPort)
{
    PixMapHandle thePixMap = vximaging::GetPortPixMap(inPort);
    return thePixMap != nullptr ? reinterpret_cast<const BitMap*>(*thePixMap) : nullptr;
}

short QTGetPixelSize(OSType inPixelFormat)
{
    switch (inPixelFormat) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return short(inPixelFormat);
    case FourCharCode("BGRA"):
    case FourCharCode("ARGB"):
    case FourCharCode("ABGR"):
    case FourCharCode("RGBA"):
        return 32;
    case FourCharCode("24RG"):
        return 24;
    default:
        return 0;
    }
}

CTabHandle GetCTable(short inDepth)
{
    if (inDepth != 1 && inDepth != 2 && inDepth != 4 && inDepth != 8)
        return nullptr;
    return NewTableHandle(DefaultPalette(inDepth));
}

void DisposeCTable(CTabHandle inTable)
{
    DisposeHandle(reinterpret_cast<Handle>(inTable));
}

void GetGWorld(CGrafPtr* outPort, GDHandle* outDevice)
{
    if (outPort != nullptr)
        *outPort = CurrentPort();
    if (outDevice != nullptr)
        *outDevice = &sMainDevicePtr;
}

void SetGWorld(CGrafPtr inPort, GDHandle)
{
    tCurrent = inPort == &Screen().mPort ? nullptr : inPort;
}

GDHandle GetMainDevice()
{
    return &sMainDevicePtr;
}

void RGBForeColor(const RGBColor* inColor)
{
    if (inColor != nullptr)
        CurrentPort()->rgbFgColor = *inColor;
}

void RGBBackColor(const RGBColor* inColor)
{
    if (inColor != nullptr)
        CurrentPort()->rgbBkColor = *inColor;
}

void GetForeColor(RGBColor* outColor)
{
    if (outColor != nullptr)
        *outColor = CurrentPort()->rgbFgColor;
}

void GetBackColor(RGBColor* outColor)
{
    if (outColor != nullptr)
        *outColor = CurrentPort()->rgbBkColor;
}

void OpColor(const RGBColor* inColor)
{
    if (inColor != nullptr)
        CurrentPort()->rgbOpColor = *inColor;
}

void GetPenState(PenState* outState)
{
    if (outState != nullptr)
        *outState = CurrentPort()->pen;
}

void SetPenState(const PenState* inState)
{
    if (inState != nullptr)
        CurrentPort()->pen = *inState;
}

void PaintRect(const Rect* inRect)
{
    CGrafPtr thePort = CurrentPort();
    FillRect(thePort, inRect, thePort->rgbFgColor);
}

void EraseRect(const Rect* inRect)
{
    CGrafPtr thePort = CurrentPort();
    FillRect(thePort, inRect, thePort->rgbBkColor);
}

void CopyBits(const BitMap* inSource, const BitMap* inDest, const Rect* inSourceRect, const Rect* inDestRect,
              short inMode, RgnHandle inMask)
{
    CompositeRequest theRequest;
    if (inSourceRect == nullptr || inDestRect == nullptr || !SurfaceOfBitMap(inSource, theRequest.mSource) ||
        !SurfaceOfBitMap(inDest, theRequest.mDest) || theRequest.mDest.mDepth < 1) {
        SetQDError(paramErr);
        return;
    }
    if (inSourceRect->right <= inSourceRect->left || inSourceRect->bottom <= inSourceRect->top ||
        inDestRect->right <= inDestRect->left || inDestRect->bottom <= inDestRect->top) {
        SetQDError(noErr);
        return;
    }
    MatrixRecord theMap;
    vximaging::RectMatrix(&theMap, inSourceRect, inDestRect);
    theRequest.mSourceRect = *inSourceRect;
    theRequest.mMatrix = ToDouble(theMap);
    theRequest.mMode = inMode;
    theRequest.mOpColor = CurrentPort()->rgbOpColor;
    theRequest.mMask = inMask;
    SetQDError(Composite(theRequest));
}

OSErr QDError()
{
    return tQDError;
}

}  // namespace vximaging
