#include "vellumax/engine/Bitmap.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <memory>

#include "imaging/Errors.h"
#include "imaging/ImageCompression.h"
#include "imaging/Memory.h"
#include "vellumax/engine/ShortRect.h"
#include "vellumax/errors/Settings.h"
#include "vellumax/formats/QTUtils.h"

namespace {

constexpr OSType kArgbPixelFormat = 32;  // the classic number of 32-bit ARGB
constexpr OSType kAbgrPixelFormat = FourCharCode("ABGR");
constexpr OSType kBgraPixelFormat = FourCharCode("BGRA");
constexpr OSType kRgbaPixelFormat = FourCharCode("RGBA");
constexpr Fixed k72Dpi = 72 << 16;
constexpr int kMaxPaletteEntries = 256;

enum ChannelIndex { kRed, kGreen, kBlue, kAlpha };

// Byte offset of a channel inside a 4-byte pixel of the format.
int ChannelOffset(OSType inFormat, ChannelIndex inChannel)
{
    static constexpr int kArgb[] = {1, 2, 3, 0};
    static constexpr int kAbgr[] = {3, 2, 1, 0};
    static constexpr int kBgra[] = {2, 1, 0, 3};
    static constexpr int kRgba[] = {0, 1, 2, 3};
    switch (inFormat) {
    case kArgbPixelFormat:
        return kArgb[inChannel];
    case kAbgrPixelFormat:
        return kAbgr[inChannel];
    case kBgraPixelFormat:
        return kBgra[inChannel];
    case kRgbaPixelFormat:
        return kRgba[inChannel];
    default:
        assert(!"unknown pixel format");
        return 0;
    }
}

// Stores are told apart in reports by a number, not by their address.
std::atomic<long> gLastBufferId{0};

Rect BoundsOf(std::int32_t inWidth, std::int32_t inHeight)
{
    return Rect{0, 0, std::int16_t(inHeight), std::int16_t(inWidth)};
}

template <typename T>
T** NewBlock(Size inSize)
{
    return reinterpret_cast<T**>(NewHandleClear(inSize));
}

struct BlockDisposer {
    void operator()(void* inBlock) const { DisposeHandle(static_cast<Handle>(inBlock)); }
};
// A typed block, disposed however its holder's work ends.
template <typename T>
using BlockRef = std::unique_ptr<T*, BlockDisposer>;

// The world's colour table as the drawing layer's palette; 0 entries at 16 and 32 bits.
int PaletteOf(PixMapHandle inPixMap, RGBQUAD* outPalette)
{
    const CTabHandle theTable = (*inPixMap)->pmTable;
    if (theTable == nullptr || *theTable == nullptr)
        return 0;
    const int theCount = std::min((*theTable)->ctSize + 1, kMaxPaletteEntries);
    for (int theIndex = 0; theIndex < theCount; ++theIndex) {
        const RGBColor& theColor = (*theTable)->ctTable[theIndex].rgb;
        outPalette[theIndex] = RGBQUAD{BYTE(theColor.blue >> 8), BYTE(theColor.green >> 8), BYTE(theColor.red >> 8), 0};
    }
    return theCount;
}

// A drawing-layer bitmap as an uncompressed image: its rows top-down at their own
// distance, its palette attached. Null when the bitmap can't be described.
BlockRef<ImageDescription> DescribeBitmap(HBITMAP inBitmap, Ptr& outData)
{
    DIBSECTION theSection{};
    if (GetObjectA(inBitmap, sizeof theSection, &theSection) != int(sizeof theSection))
        return nullptr;
    const BITMAP& theBitmap = theSection.dsBm;
    if (theBitmap.bmBits == nullptr || theBitmap.bmWidth < 1 || theBitmap.bmWidth > Bitmap::kMaxSide ||
        theBitmap.bmHeight < 1 || theBitmap.bmHeight > Bitmap::kMaxSide)
        return nullptr;

    BlockRef<ImageDescription> theDesc(NewBlock<ImageDescription>(sizeof(ImageDescription)));
    if (theDesc == nullptr)
        return nullptr;
    ImageDescription& theImage = **theDesc;
    theImage.idSize = sizeof(ImageDescription);
    theImage.cType = kRawCodecType;
    theImage.spatialQuality = codecNormalQuality;
    theImage.width = std::int16_t(theBitmap.bmWidth);
    // Negative: the layer's rows run top-down.
    theImage.height = std::int16_t(-theBitmap.bmHeight);
    theImage.hRes = k72Dpi;
    theImage.vRes = k72Dpi;
    theImage.dataSize = std::int32_t(theSection.dsBmih.biSizeImage);
    theImage.depth = std::int16_t(theBitmap.bmBitsPixel);
    theImage.clutID = -1;

    bool theDescribed = true;
    const HandleRef theRowBytes(NewHandle(sizeof(std::int32_t)));
    if (theRowBytes == nullptr) {
        theDescribed = false;
    } else {
        const std::int32_t theValue = theBitmap.bmWidthBytes;
        std::memcpy(*theRowBytes, &theValue, sizeof theValue);
        theDescribed = AddImageDescriptionExtension(theDesc.get(), theRowBytes.get(), kImageRowBytesExtension) == noErr;
    }

    if (theDescribed && theBitmap.bmBitsPixel <= 8) {
        // NOTE: any palette is attached, two entries included: a 1-bit bitmap
        // whose entry 0 is black would otherwise be drawn inverted.
        RGBQUAD thePalette[kMaxPaletteEntries];
        const int theCount = int(GetBitmapColorTable(inBitmap, 0, kMaxPaletteEntries, thePalette));
        if (theCount > 0) {
            const Size theSize = Size(offsetof(ColorTable, ctTable) + sizeof(ColorSpec) * std::size_t(theCount));
            const BlockRef<ColorTable> theTable(NewBlock<ColorTable>(theSize));
            if (theTable == nullptr) {
                theDescribed = false;
            } else {
                (*theTable)->ctSize = std::int16_t(theCount - 1);
                for (int theIndex = 0; theIndex < theCount; ++theIndex)
                    (*theTable)->ctTable[theIndex] =
                        ColorSpec{std::int16_t(theIndex), RGBColor{std::uint16_t(thePalette[theIndex].rgbRed << 8),
                                                                   std::uint16_t(thePalette[theIndex].rgbGreen << 8),
                                                                   std::uint16_t(thePalette[theIndex].rgbBlue << 8)}};
                theDescribed = SetImageDescriptionCTable(theDesc.get(), theTable.get()) == noErr;
            }
        }
    }
    if (!theDescribed)
        return nullptr;
    outData = static_cast<Ptr>(theBitmap.bmBits);
    return theDesc;
}

}  // namespace

Bitmap::Bitmap()
{
    InitQuickTime(mQuickTimeError, mQuickTimeAvailable);
}

Bitmap::~Bitmap()
{
    // NOTE: the store owns its world and contexts; Free is its one way to let them go.
    Free();
    ExitQuickTime(mQuickTimeError);
}

OSErr Bitmap::Update()
{
    mPixelLimitMessage.clear();
    // NOTE: checked here rather than left to the 16-bit cut, which would turn
    // 65546 into 10 and re-fit to a size nobody asked for.
    if (mWidth > kMaxSide || mHeight > kMaxSide) {
        mPixelLimitMessage = SideLimitMessage(mWidth, mHeight);
        return paramErr;
    }
    const Rect theNew = BoundsOf(mWidth, mHeight);
    if (mWorld == nullptr) {
        if (mWidth < 1 || mHeight < 1)
            return noErr;
        if (!WithinPixelLimit())
            return memFullErr;
        GWorldPtr theWorld = nullptr;
        const OSErr theError = NewGWorld(&theWorld, short(mDepth), &theNew, nullptr, nullptr, 0);
        if (theError != noErr)
            return theError;
        mWorld = theWorld;
        mBufferId = ++gLastBufferId;
        FillNewArea(Rect{0, 0, 0, 0}, theNew);
        return noErr;
    }
    if (mWidth < 1 || mHeight < 1)
        return paramErr;

    Rect theOld;
    GetPortBounds(mWorld, &theOld);
    if (theOld == theNew && GetPixDepth(GetGWorldPixMap(mWorld)) == mDepth)
        return noErr;
    if (!WithinPixelLimit())
        return memFullErr;

    assert(mLocks == 0 && "re-fitting a locked store");
    assert(mCurrentPort == nullptr && "re-fitting inside BeginDraw");
    // The pixels move: nothing made on them may outlive the re-fit.
    DeleteDrawingContext();
    GWorldFlags theFlags = clipPix;
    if (mDither != 0)
        theFlags |= ditherPix;
    if ((UpdateGWorld(&mWorld, short(mDepth), &theNew, nullptr, nullptr, theFlags) & gwFlagErr) != 0)
        return QDError();
    FillNewArea(theOld, theNew);
    return noErr;
}

std::uint32_t Bitmap::GetPixelLimit() const
{
    return mPixelLimit != 0 ? mPixelLimit : MaxPixels();
}

bool Bitmap::WithinPixelLimit()
{
    // Read only when a store is made or re-fitted: drawing on one costs nothing.
    const std::uint32_t theLimit = GetPixelLimit();
    if (std::int64_t(mWidth) * std::int64_t(mHeight) <= std::int64_t(theLimit))
        return true;
    mPixelLimitMessage = PixelLimitMessage(mWidth, mHeight, theLimit);
    return false;
}

void Bitmap::FillNewArea(const Rect& inOld, const Rect& inNew)
{
    if (inOld == inNew)
        return;
    const Rect theRight{inNew.top, inOld.right, inNew.bottom, inNew.right};
    const Rect theBottom{inOld.bottom, inNew.left, inNew.bottom, inOld.right};
    {
        const Drawing theDrawing(*this);
        const RGBColor theColor{mNaturalColor.red, mNaturalColor.green, mNaturalColor.blue};
        RGBForeColor(&theColor);
        if (inNew.right > inOld.right)
            PaintRect(&theRight);
        if (inNew.bottom > inOld.bottom)
            PaintRect(&theBottom);
    }
    if (inNew.right > inOld.right)
        ApplyNaturalAlpha(theRight);
    if (inNew.bottom > inOld.bottom)
        ApplyNaturalAlpha(theBottom);
}

void Bitmap::ApplyNaturalAlpha(const Rect& inArea)
{
    const auto theAlpha = std::uint8_t(mNaturalColor.alpha >> 8);
    if (mNaturalAlpha == NaturalAlpha::kOpaque || theAlpha == 0xFF)
        return;
    PixelAccess thePixels;
    const PixelLock theLock(*this, thePixels);
    if (!theLock.IsLocked())
        return;
    if (thePixels.mBitsPerPixel == 32) {
        Rect theWorld;
        GetPortBounds(mWorld, &theWorld);
        const std::int32_t theLeft = std::max<std::int32_t>(inArea.left, 0);
        const std::int32_t theRight = std::min<std::int32_t>(inArea.right, theWorld.right - theWorld.left);
        const std::int32_t theBottom = std::min<std::int32_t>(inArea.bottom, thePixels.mRows);
        for (std::int32_t y = std::max<std::int32_t>(inArea.top, 0); y < theBottom; ++y) {
            auto* thePixel = reinterpret_cast<std::uint8_t*>(thePixels.mBase + y * thePixels.mRowBytes) + theLeft * 4;
            for (std::int32_t x = theLeft; x < theRight; ++x, thePixel += 4)
                *AlphaChannel(thePixel, thePixels.mPixelFormat) = theAlpha;
        }
    }
}

OSErr Bitmap::EnsurePixels(std::int32_t inWidth, std::int32_t inHeight, std::int32_t inDepth)
{
    assert(inWidth > 0 && inHeight > 0);
    if (inWidth < 1 || inHeight < 1)
        return paramErr;  // no proportion to keep
    OSErr theError = Update();
    if (theError != noErr || mWorld != nullptr)
        return theError;

    // A size the store can't take is not kept: the fields stay as they were.
    const std::int32_t theOldWidth = mWidth;
    const std::int32_t theOldHeight = mHeight;
    const std::int32_t theOldDepth = mDepth;
    const float theRatio = float(inWidth) / float(inHeight);
    // Clamped before the conversion, so that a far-off proportion can't
    // overflow; anything above kMaxSide is then refused by Update.
    const auto theSide = [](double inValue) { return std::int32_t(std::clamp(inValue, -2147483648.0, 2147483647.0)); };
    if (mWidth < 1 && mHeight < 1) {
        mWidth = inWidth;
        mHeight = inHeight;
    } else if (mWidth < 1) {
        mWidth = theSide(double(float(mHeight) * theRatio));
    } else if (mHeight < 1) {
        mHeight = theSide(double(float(mWidth) / theRatio));
    }
    if (mWidth < 1)
        mWidth = inWidth;
    if (mHeight < 1)
        mHeight = inHeight;
    if (inDepth >= 0)
        mDepth = inDepth;

    theError = Update();
    if (theError == noErr && mWorld == nullptr)
        theError = paramErr;
    if (theError != noErr) {
        mWidth = theOldWidth;
        mHeight = theOldHeight;
        mDepth = theOldDepth;
    }
    return theError;
}

void Bitmap::Free()
{
    assert(mLocks == 0 && "freeing a locked store");
    assert(mCurrentPort == nullptr && "freeing inside BeginDraw");
    DeleteDrawingContext();
    if (mWorld == nullptr)
        return;
    // NOTE: the world is created and replaced only here, in the store that owns it.
    DisposeGWorld(mWorld);
    mWorld = nullptr;
    mBufferId = 0;
    mWidth = 0;
    mHeight = 0;
    mDepth = 32;
}

OSErr Bitmap::Erase()
{
    const OSErr theError = Update();
    if (theError != noErr || mWorld == nullptr)
        return theError;
    Rect theBounds;
    GetPortBounds(mWorld, &theBounds);
    {
        const Drawing theDrawing(*this);
        const RGBColor theColor{mNaturalColor.red, mNaturalColor.green, mNaturalColor.blue};
        RGBForeColor(&theColor);
        PaintRect(&theBounds);
    }
    ApplyNaturalAlpha(theBounds);
    return noErr;
}

LongRect Bitmap::GetBounds() const
{
    if (mWorld == nullptr)
        return LongRect{0, 0, mWidth, mHeight};
    Rect theBounds;
    GetPortBounds(mWorld, &theBounds);
    return LongRect{theBounds.left, theBounds.top, theBounds.right, theBounds.bottom};
}

void Bitmap::BeginDraw()
{
    assert(mWorld != nullptr && "BeginDraw without pixels");
    assert(mCurrentPort == nullptr && "nested BeginDraw");
    ::GetGWorld(&mCurrentPort, &mCurrentDev);
    SetGWorld(mWorld, nullptr);
    GetPenState(&mSavedPen);
    GetForeColor(&mSavedForeColor);
    GetBackColor(&mSavedBackColor);
}

void Bitmap::EndDraw()
{
    assert(mCurrentPort != nullptr && "EndDraw without BeginDraw");
    RGBForeColor(&mSavedForeColor);
    RGBBackColor(&mSavedBackColor);
    SetPenState(&mSavedPen);
    SetGWorld(mCurrentPort, mCurrentDev);
    mCurrentPort = nullptr;
    mCurrentDev = nullptr;
}

std::uint64_t Bitmap::GetPixelBytes() const
{
    if (mWorld == nullptr)
        return 0;
    Rect theBounds;
    GetPortBounds(mWorld, &theBounds);
    const long theRowBytes = GetPixRowBytes(GetGWorldPixMap(mWorld));
    return std::uint64_t(theRowBytes) * std::uint64_t(theBounds.bottom - theBounds.top);
}

bool Bitmap::Lock(PixelAccess& outAccess)
{
    if (mWorld == nullptr)
        return false;
    Rect theBounds;
    GetPortBounds(mWorld, &theBounds);
    const PixMapHandle thePixMap = GetGWorldPixMap(mWorld);
    assert(thePixMap != nullptr);
    const OSType theFormat =
        (*thePixMap)->pixelFormat != 0 ? (*thePixMap)->pixelFormat : OSType((*thePixMap)->pixelSize);
    if (!LockPixels(thePixMap))
        return false;
    outAccess.mRows = theBounds.bottom - theBounds.top;
    outAccess.mPixelFormat = theFormat;
    outAccess.mBitsPerPixel = QTGetPixelSize(theFormat);
    outAccess.mBase = GetPixBaseAddr(thePixMap);
    // NOTE: the full row bytes, not the pixel map's 14-bit field, which is
    // wrong for rows longer than 0x3FFF bytes (above 4095 pixels at 32 bits).
    outAccess.mRowBytes = GetPixRowBytes(thePixMap);
    ++mLocks;
    return true;
}

void Bitmap::Unlock()
{
    assert(mLocks > 0 && "Unlock without Lock");
    assert(mWorld != nullptr);
    if (--mLocks == 0)
        UnlockPixels(GetGWorldPixMap(mWorld));
}

ColorValue Bitmap::GetPixelColor(std::int32_t inX, std::int32_t inY)
{
    Update();
    ColorValue theColor = mNaturalColor;
    if (mWorld == nullptr)
        return theColor;
    // The world's own bounds, not the logical size, which a refused re-fit leaves
    // different from the pixels there are.
    Rect theBounds;
    GetPortBounds(mWorld, &theBounds);
    if (GetPixDepth(GetGWorldPixMap(mWorld)) != 32) {
        const COLORREF thePixel = GetPixel(GetHDC(), inX - theBounds.left, inY - theBounds.top);
        if (thePixel != CLR_INVALID)
            theColor.SetComponents(std::uint16_t(GetRValue(thePixel) << 8), std::uint16_t(GetGValue(thePixel) << 8),
                                   std::uint16_t(GetBValue(thePixel) << 8), 65535);
        return theColor;
    }
    const std::int32_t theX = inX - theBounds.left;
    const std::int32_t theY = inY - theBounds.top;
    if (theX < 0 || theY < 0 || theX >= theBounds.right - theBounds.left || theY >= theBounds.bottom - theBounds.top)
        return theColor;
    PixelAccess theAccess;
    const PixelLock theLock(*this, theAccess);
    if (!theLock.IsLocked())
        return theColor;
    auto* thePixel = reinterpret_cast<std::uint8_t*>(theAccess.mBase) + std::ptrdiff_t(theY) * theAccess.mRowBytes +
                     std::ptrdiff_t(theX) * 4;
    theColor.SetComponents(std::uint16_t(*RedChannel(thePixel, theAccess.mPixelFormat) << 8),
                           std::uint16_t(*GreenChannel(thePixel, theAccess.mPixelFormat) << 8),
                           std::uint16_t(*BlueChannel(thePixel, theAccess.mPixelFormat) << 8),
                           std::uint16_t(*AlphaChannel(thePixel, theAccess.mPixelFormat) << 8));
    return theColor;
}

std::uint8_t* Bitmap::RedChannel(std::uint8_t* inPixel, OSType inFormat)
{
    return inPixel + ChannelOffset(inFormat, kRed);
}

std::uint8_t* Bitmap::GreenChannel(std::uint8_t* inPixel, OSType inFormat)
{
    return inPixel + ChannelOffset(inFormat, kGreen);
}

std::uint8_t* Bitmap::BlueChannel(std::uint8_t* inPixel, OSType inFormat)
{
    return inPixel + ChannelOffset(inFormat, kBlue);
}

std::uint8_t* Bitmap::AlphaChannel(std::uint8_t* inPixel, OSType inFormat)
{
    return inPixel + ChannelOffset(inFormat, kAlpha);
}

std::uint32_t Bitmap::PlaceChannel(std::uint8_t inSource, OSType inFormat, std::int32_t inChannel)
{
    std::uint8_t theBytes[4] = {0, 0, 0, 0};
    if (inChannel >= kRed && inChannel <= kAlpha)
        theBytes[ChannelOffset(inFormat, ChannelIndex(inChannel))] = inSource;
    std::uint32_t thePixel;
    std::memcpy(&thePixel, theBytes, sizeof thePixel);
    return thePixel;
}

HBITMAP Bitmap::GetHBITMAP()
{
    if (mHBITMAP.Get() != 0 || mWorld == nullptr)
        return mHBITMAP.Get();
    Rect theBounds;
    GetPortBounds(mWorld, &theBounds);
    const PixMapHandle thePixMap = GetGWorldPixMap(mWorld);
    RGBQUAD thePalette[kMaxPaletteEntries];
    const int thePaletteCount = PaletteOf(thePixMap, thePalette);
    mHBITMAP.Reset(CreateDIBSectionOnPixels(theBounds.right - theBounds.left, theBounds.bottom - theBounds.top,
                                            GetPixDepth(thePixMap), int(GetPixRowBytes(thePixMap)),
                                            GetPixBaseAddr(thePixMap), thePaletteCount > 0 ? thePalette : nullptr,
                                            thePaletteCount));
    return mHBITMAP.Get();
}

HDC Bitmap::GetHDC()
{
    if (mHDC.Get() != 0)
        return mHDC.Get();
    const HBITMAP theBitmap = GetHBITMAP();
    if (theBitmap != 0)
        mHDC.Reset(CreateDCOnBitmap(theBitmap));
    return mHDC.Get();
}

void Bitmap::DeleteDrawingContext()
{
    // The context first: the bitmap can't be deleted while a context draws on it.
    mHDC.Reset();
    mHBITMAP.Reset();
}

OSErr Bitmap::DrawWindowsBitmap(HBITMAP inBitmap, const LongRect& inSource, const MatrixRecord* inMatrix,
                                RgnHandle inMask)
{
    assert(inBitmap != 0 && "DrawWindowsBitmap without a bitmap");
    if (mWorld == nullptr)
        return noErr;
    MatrixRecord theMatrix;
    if (inMatrix != nullptr)
        theMatrix = *inMatrix;
    else
        SetIdentityMatrix(&theMatrix);

    Ptr theData = nullptr;
    const BlockRef<ImageDescription> theDesc = DescribeBitmap(inBitmap, theData);
    if (theDesc == nullptr)
        return memFullErr;
    // Intersected at 32 bits, so that the 16-bit cut never wraps.
    const LongRect theClipped{std::max(inSource.left, 0), std::max(inSource.top, 0),
                              std::min<std::int32_t>(inSource.right, (*theDesc)->width),
                              std::min<std::int32_t>(inSource.bottom, -(*theDesc)->height)};
    OSErr theError = noErr;
    if (theClipped.right > theClipped.left && theClipped.bottom > theClipped.top) {
        const Rect theSource = ShortRect(theClipped);
        const long theDataSize = (*theDesc)->dataSize;
        short theMode = short(mTransferMode);
        if (mDither != 0)
            theMode = short(theMode + ditherCopy);
        const Drawing theDrawing(*this);
        OpColor(&mOperationColor);
        theError =
            FDecompressImage(theData, theDesc.get(), GetGWorldPixMap(mWorld), &theSource, &theMatrix, theMode, inMask,
                             nullptr, nullptr, codecMaxQuality, bestFidelityCodec, theDataSize, nullptr, nullptr);
    }
    return theError;
}

OSErr Bitmap::DrawWindowsBitmapMapped(HBITMAP inBitmap, const LongRect& inSource, const LongRect& inDestination)
{
    const Rect theSource = ShortRect(inSource);
    const Rect theDestination = ShortRect(inDestination);
    MatrixRecord theMatrix;
    RectMatrix(&theMatrix, &theSource, &theDestination);
    return DrawWindowsBitmap(inBitmap, inSource, &theMatrix, nullptr);
}
