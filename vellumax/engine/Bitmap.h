// The pixel store behind a canvas and behind the scratch stores of some
// operations: logical size, depth and drawing state over one offscreen world,
// with the device context and bitmap handle made on it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "drawing/Gdi.h"
#include "drawing/GdiOwners.h"
#include "imaging/ImageMatrix.h"
#include "imaging/QuickDraw.h"
#include "vellumax/errors/Settings.h"
#include "vellumax/params/Utilities.h"

// A rendering-context handle. Antialiased shapes are drawn by the engine's
// own rasteriser straight into the pixels, so no store ever has a context.
struct VxGLContext;
using HGLRC = VxGLContext*;

class Bitmap {
public:
    // Sides are 16-bit coordinates of the world's bounds.
    static constexpr std::int32_t kMaxSide = kMaxStoreSide;

    // What Lock gives: the pixels of the whole store, row 0 at the top.
    struct PixelAccess {
        Ptr mBase = nullptr;
        long mRowBytes = 0;
        std::int32_t mRows = 0;
        OSType mPixelFormat = 0;  // 32 (ARGB), 'ABGR', 'BGRA', 'RGBA', or the depth below 32 bits
        short mBitsPerPixel = 0;
    };

    Bitmap();
    virtual ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // The logical fields. Setting them changes nothing else: callers Update afterwards.
    std::int32_t GetWidth() const { return mWidth; }
    void SetWidth(std::int32_t inWidth) { mWidth = inWidth; }
    std::int32_t GetHeight() const { return mHeight; }
    void SetHeight(std::int32_t inHeight) { mHeight = inHeight; }
    std::int32_t GetDepth() const { return mDepth; }
    void SetDepth(std::int32_t inDepth) { mDepth = inDepth; }
    std::int32_t GetDither() const { return mDither; }
    void SetDither(std::int32_t inDither) { mDither = inDither; }
    // Used when a picture is decompressed into the store.
    TransferMode GetTransferMode() const { return mTransferMode; }
    void SetTransferMode(TransferMode inMode) { mTransferMode = inMode; }
    // The colour of new and erased pixels.
    const ColorValue& GetNaturalColor() const { return mNaturalColor; }
    void SetNaturalColor(const ColorValue& inColor) { mNaturalColor = inColor; }
    // Whether new and erased 32-bit pixels take the natural colour's alpha, so
    // that a page can start from a transparent ground; by default they are opaque.
    enum class NaturalAlpha { kOpaque, kFromColor };
    NaturalAlpha GetNaturalAlpha() const { return mNaturalAlpha; }
    void SetNaturalAlpha(NaturalAlpha inAlpha) { mNaturalAlpha = inAlpha; }
    // What the blending transfer modes weigh with.
    const RGBColor& GetOperationColor() const { return mOperationColor; }
    void SetOperationColor(const RGBColor& inColor) { mOperationColor = inColor; }

    // This store's own start of the imaging platform.
    bool IsQuickTimeAvailable() const { return mQuickTimeAvailable; }
    OSErr GetQuickTimeStartError() const { return mQuickTimeError; }

    bool HasPixels() const { return mWorld != nullptr; }
    // The offscreen world (null without pixels); owned by the store.
    GWorldPtr GetGWorld() const { return mWorld; }
    // Identifies the current pixel store among all stores made by the process;
    // 0 without pixels. Kept across re-fits.
    long GetBufferId() const { return mBufferId; }

    // Creates or re-fits the world to width, height and depth; the overlap keeps
    // its pixels, new area gets the natural colour. A side above kMaxSide, or
    // below 1 while pixels exist, gives -50; more pixels than the pixel limit
    // allows, or an allocation failure, -108. On failure the pixels stay as
    // they were.
    OSErr Update();
    // The message of the last Update refused for a side or the pixel limit,
    // once; empty when there was none since the last call.
    std::string TakePixelLimitMessage() { return std::exchange(mPixelLimitMessage, {}); }
    // The most pixels the store may be given: the store's own limit when set
    // (not 0), else the MaxPixels setting. Read when the store is made or re-fitted.
    std::uint32_t GetPixelLimit() const;
    // 0 returns to the setting; above kHardMaxPixels counts as kHardMaxPixels.
    void SetPixelLimit(std::uint32_t inLimit) { mPixelLimit = std::min(inLimit, kHardMaxPixels); }
    std::uint32_t GetOwnPixelLimit() const { return mPixelLimit; }
    // Gives a store without pixels a size (keeping the proportions of inWidth ×
    // inHeight for a side already set) and pixels; inDepth < 0 keeps the depth.
    // On failure the size and depth fields are those of before.
    OSErr EnsurePixels(std::int32_t inWidth, std::int32_t inHeight, std::int32_t inDepth);
    // Releases the pixels: width 0, height 0, depth 32. Without pixels, nothing changes.
    void Free();
    // Update, then paint every pixel with the natural colour.
    OSErr Erase();
    // The world's bounds, else 0, 0, width, height.
    LongRect GetBounds() const;
    // The bytes of the world's pixels; 0 without pixels.
    std::uint64_t GetPixelBytes() const;

    // Makes the store the thread's current port (saving the port, pen and
    // colours) and back. Strictly paired; needs pixels.
    void BeginDraw();
    void EndDraw();

    // Direct access to the pixels; false without pixels. Every successful Lock
    // is balanced by one Unlock, and the store is not re-fitted or freed between.
    bool Lock(PixelAccess& outAccess);
    void Unlock();

    // BeginDraw to EndDraw for the length of a scope, however it ends.
    class Drawing {
    public:
        explicit Drawing(Bitmap& inStore) : mStore(inStore) { mStore.BeginDraw(); }
        ~Drawing() { mStore.EndDraw(); }
        Drawing(const Drawing&) = delete;
        Drawing& operator=(const Drawing&) = delete;

    private:
        Bitmap& mStore;
    };

    // A Lock for the length of a scope: unlocked however the scope ends.
    class PixelLock {
    public:
        PixelLock(Bitmap& inStore, PixelAccess& outAccess) : mStore(inStore), mLocked(inStore.Lock(outAccess)) {}
        ~PixelLock()
        {
            if (mLocked)
                mStore.Unlock();
        }
        PixelLock(const PixelLock&) = delete;
        PixelLock& operator=(const PixelLock&) = delete;
        bool IsLocked() const { return mLocked; }

    private:
        Bitmap& mStore;
        bool mLocked;
    };

    // The colour of one pixel; outside the store, or without pixels, the
    // natural colour. Bytes become intensities by a shift of 8 (255 → 65280).
    ColorValue GetPixelColor(std::int32_t inX, std::int32_t inY);

    // The byte of one channel inside a 4-byte pixel of the given format.
    static std::uint8_t* RedChannel(std::uint8_t* inPixel, OSType inFormat);
    static std::uint8_t* GreenChannel(std::uint8_t* inPixel, OSType inFormat);
    static std::uint8_t* BlueChannel(std::uint8_t* inPixel, OSType inFormat);
    static std::uint8_t* AlphaChannel(std::uint8_t* inPixel, OSType inFormat);
    // A pixel (its 4 bytes in memory order) that is 0 but for inSource in the
    // channel inChannel (0 red, 1 green, 2 blue, 3 alpha; others leave it 0).
    static std::uint32_t PlaceChannel(std::uint8_t inSource, OSType inFormat, std::int32_t inChannel);

    // Made on the world's pixels when first asked for, owned by the store, and
    // dropped on every re-fit and on Free: callers never keep them across those.
    // 0 without pixels.
    HDC GetHDC();
    HBITMAP GetHBITMAP();
    // Always null: see HGLRC above.
    HGLRC GetGLContext() const { return nullptr; }

    // Decompresses inSource of a drawing-layer bitmap into the store through
    // inMatrix (null: identity) and inMask (may be null), with the store's
    // transfer mode (dithered when dither is on) and operation colour.
    // Without pixels, 0 and nothing drawn.
    OSErr DrawWindowsBitmap(HBITMAP inBitmap, const LongRect& inSource, const MatrixRecord* inMatrix, RgnHandle inMask);
    // The same with the matrix that maps inSource onto inDestination, no mask.
    OSErr DrawWindowsBitmapMapped(HBITMAP inBitmap, const LongRect& inSource, const LongRect& inDestination);

private:
    void FillNewArea(const Rect& inOld, const Rect& inNew);
    // False, with the message kept, when width x height is over the pixel limit.
    bool WithinPixelLimit();
    // Gives the pixels of inArea the natural colour's alpha, when asked to.
    void ApplyNaturalAlpha(const Rect& inArea);
    void DeleteDrawingContext();

    std::int32_t mWidth = 0;
    std::int32_t mHeight = 0;
    std::int32_t mDepth = 32;
    std::string mPixelLimitMessage;
    std::uint32_t mPixelLimit = 0;
    std::int32_t mDither = 0;
    TransferMode mTransferMode = kCopyMode;
    ColorValue mNaturalColor = ColorValue::White();
    NaturalAlpha mNaturalAlpha = NaturalAlpha::kOpaque;
    RGBColor mOperationColor{0, 0, 0};
    bool mQuickTimeAvailable = false;
    OSErr mQuickTimeError = noErr;
    GWorldPtr mWorld = nullptr;
    long mBufferId = 0;
    CGrafPtr mCurrentPort = nullptr;
    GDHandle mCurrentDev = nullptr;
    RGBColor mSavedForeColor{0, 0, 0};
    RGBColor mSavedBackColor{0, 0, 0};
    PenState mSavedPen{};
    std::int32_t mLocks = 0;
    GdiObjectOwner mHBITMAP;
    GdiDCOwner mHDC;
};
