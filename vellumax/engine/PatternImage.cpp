#include "vellumax/engine/PatternImage.h"

#include <cassert>
#include <cstring>

#include "vellumax/formats/QTUtils.h"

namespace {

constexpr OSErr kCannotLock = -110;
constexpr std::int32_t kRGBADepth = 32;
constexpr OSType kRgbaPixelFormat = FourCharCode("RGBA");

// 2 raised to the floor of log2 of inSide, at most inLimit.
std::int32_t TextureSide(std::int32_t inSide, std::int32_t inLimit)
{
    std::int32_t theSide = 1;
    while (theSide <= inSide / 2 && theSide < inLimit)
        theSide *= 2;
    return theSide;
}

}  // namespace

PatternImage::~PatternImage()
{
    assert(mLocks == 0 && "mLocks == 0");
}

bool PatternImage::MakeTexture(HBITMAP inPattern, CoveragePainter::Texture& outTexture)
{
    DIBSECTION theSection{};
    if (GetObjectA(inPattern, sizeof theSection, &theSection) == 0) {
        mWindowsError = GdiGetLastError() != 0 ? GdiGetLastError() : kGdiErrorInvalidHandle;
        return false;
    }
    const BITMAP& theBitmap = theSection.dsBm;
    if (theBitmap.bmWidth < 1 || theBitmap.bmHeight < 1) {
        mWindowsError = kGdiErrorInvalidParameter;
        return false;
    }
    mTextureWidth = TextureSide(theBitmap.bmWidth, kMaxTextureSize);
    mTextureHeight = TextureSide(theBitmap.bmHeight, kMaxTextureSize);
    CoveragePainter::Texture theTexture;
    if (LoadFromHBITMAP(inPattern)) {
        // The canvas's own byte order: blue, green, red, alpha.
        theTexture.mRed = 2;
        theTexture.mGreen = 1;
        theTexture.mBlue = 0;
        theTexture.mAlpha = 3;
    } else {
        const LongRect theSource{0, 0, mTextureWidth, mTextureHeight};
        // At most the part of a pattern canvas that exists already: no limit of its own.
        SetPixelLimit(kHardMaxPixels);
        mQuickTimeError = EnsurePixels(mTextureWidth, mTextureHeight, kRGBADepth);
        if (mQuickTimeError == noErr)
            mQuickTimeError = DrawWindowsBitmap(inPattern, theSource, nullptr, nullptr);
        if (mQuickTimeError != noErr)
            return false;
        ConvertToRGBA();
        if (mQuickTimeError != noErr)
            return false;
        theTexture.mOpaque = true;
    }
    const std::uint8_t* thePixels = nullptr;
    std::int32_t theRowWidth = 0;
    if (!LockPixels(thePixels, theTexture.mWidth, theTexture.mHeight, theRowWidth))
        return false;
    assert(thePixels && theTexture.mWidth > 0 && theTexture.mHeight > 0 && theRowWidth > 0 &&
           "(pixptr) && (outWidth > 0) && (outHeight > 0) && (rowwidth > 0)");
    theTexture.mBase = thePixels;
    theTexture.mRowBytes = long(theRowWidth) * 4;
    outTexture = theTexture;
    return true;
}

OSErr PatternImage::GetPlatformError() const
{
    return mQuickTimeError;
}

std::uint32_t PatternImage::GetSystemError() const
{
    return mWindowsError != 0 ? mWindowsError : GdiGetLastError();
}

bool PatternImage::LoadFromHBITMAP(HBITMAP inPattern)
{
    DIBSECTION theSection{};
    if (GetObjectA(inPattern, sizeof theSection, &theSection) == 0)
        return false;
    const BITMAP& theBitmap = theSection.dsBm;
    if (theBitmap.bmWidth != mTextureWidth || theBitmap.bmHeight != mTextureHeight || theBitmap.bmBitsPixel != 32 ||
        theSection.dsBmih.biCompression != 0 || theBitmap.bmBits == nullptr)
        return false;
    assert(theBitmap.bmWidthBytes % 4 == 0 && "theDS.dsBm.bmWidthBytes % 4 == 0");
    const std::size_t theRowSize = static_cast<std::size_t>(mTextureWidth) * 4;
    mPixHBITMAP.resize(theRowSize * static_cast<std::size_t>(mTextureHeight));
    for (std::int32_t y = 0; y < mTextureHeight; ++y)
        std::memcpy(mPixHBITMAP.data() + theRowSize * y,
                    static_cast<const std::uint8_t*>(theBitmap.bmBits) + std::size_t(theBitmap.bmWidthBytes) * y,
                    theRowSize);
    mTotalWidth = mTextureWidth;
    return true;
}

bool PatternImage::LockPixels(const std::uint8_t*& outPixels, std::int32_t& outWidth, std::int32_t& outHeight,
                              std::int32_t& outRowWidth)
{
    if (mPixHBITMAP.empty() && mLocks == 0) {
        if (!Lock(mPixGWorld)) {
            mQuickTimeError = kCannotLock;
            return false;
        }
        mTotalWidth = static_cast<std::int32_t>(mPixGWorld.mRowBytes / 4);
    }
    ++mLocks;
    outPixels = !mPixHBITMAP.empty() ? mPixHBITMAP.data() : reinterpret_cast<const std::uint8_t*>(mPixGWorld.mBase);
    outWidth = mTextureWidth;
    outHeight = mTextureHeight;
    outRowWidth = mTotalWidth;
    return true;
}

void PatternImage::UnlockPixels()
{
    assert(mLocks > 0 && "mLocks >= 0");
    if (--mLocks == 0 && mPixHBITMAP.empty())
        Unlock();
}

void PatternImage::ConvertToRGBA()
{
    PixelAccess theAccess;
    const PixelLock theLock(*this, theAccess);
    if (!theLock.IsLocked()) {
        mQuickTimeError = kCannotLock;
        return;
    }
    assert(theAccess.mBitsPerPixel == 32 && "thePixSize == 32");
    assert(theAccess.mRowBytes % 4 == 0 && "mTotalWidth % 4 == 0");
    if (theAccess.mPixelFormat != kRgbaPixelFormat) {
        for (std::int32_t y = 0; y < mTextureHeight; ++y) {
            std::uint8_t* p = reinterpret_cast<std::uint8_t*>(theAccess.mBase) + y * theAccess.mRowBytes;
            for (std::int32_t x = 0; x < mTextureWidth; ++x, p += 4) {
                const std::uint8_t thePixel[4] = {*RedChannel(p, theAccess.mPixelFormat),
                                                  *GreenChannel(p, theAccess.mPixelFormat),
                                                  *BlueChannel(p, theAccess.mPixelFormat), 255};
                std::memcpy(p, thePixel, 4);
            }
        }
    }
}
