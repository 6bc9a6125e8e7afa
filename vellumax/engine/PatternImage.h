// The pattern canvas's pixels made into a texture for the polygon renderer:
// its top-left part whose sides are the largest powers of two that fit, read
// in place when that is the whole 32-bit pattern, otherwise copied unscaled
// into this image's own 32-bit pixels first.
#pragma once

#include <cstdint>
#include <vector>

#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/CoveragePainter.h"

class PatternImage : public Bitmap {
public:
    // Larger patterns give their top-left part of this size.
    static constexpr std::int32_t kMaxTextureSize = 8192;

    PatternImage() = default;
    ~PatternImage() override;

    // The texture of inPattern into outTexture, its pixels locked until the
    // caller's UnlockPixels; false, with the reason in the platform or system
    // error, when there is none.
    virtual bool MakeTexture(HBITMAP inPattern, CoveragePainter::Texture& outTexture);
    // -110 when the pixels could not be locked, else the copy's own result.
    virtual OSErr GetPlatformError() const;
    virtual std::uint32_t GetSystemError() const;
    // Reads a 32-bit pattern of power-of-two sides in place; false otherwise.
    virtual bool LoadFromHBITMAP(HBITMAP inPattern);
    // The first lock locks this image's own pixels; false (-110) when it cannot.
    virtual bool LockPixels(const std::uint8_t*& outPixels, std::int32_t& outWidth, std::int32_t& outHeight,
                            std::int32_t& outRowWidth);
    virtual void UnlockPixels();
    // Rewrites this image's own pixels as the bytes red, green, blue, 255.
    virtual void ConvertToRGBA();

private:
    OSErr mQuickTimeError = noErr;
    std::uint32_t mWindowsError = 0;
    // The pattern's own pixels, copied as they stand (the pattern may be the
    // canvas drawn on), when they serve as they are; else empty.
    std::vector<std::uint8_t> mPixHBITMAP;
    PixelAccess mPixGWorld;  // this image's own pixels while locked
    std::int32_t mTextureWidth = 0;
    std::int32_t mTextureHeight = 0;
    std::int32_t mTotalWidth = 0;  // pixels per row of the memory the texture is read from
    std::int32_t mLocks = 0;
};
