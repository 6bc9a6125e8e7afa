// Shared helpers of the imaging tests: a started platform per test, worlds and pixel access.
#pragma once

#include "imaging/Imaging.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

class ImagingTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(InitializeQTML(0), noErr); }
    void TearDown() override { TerminateQTML(); }
};

inline Rect MakeRect(int inLeft, int inTop, int inRight, int inBottom)
{
    return Rect{std::int16_t(inTop), std::int16_t(inLeft), std::int16_t(inBottom), std::int16_t(inRight)};
}

using Bgra = std::array<std::uint8_t, 4>;

inline std::uint8_t* PixelAddress(GWorldPtr inWorld, int inX, int inY)
{
    PixMapHandle thePixMap = GetGWorldPixMap(inWorld);
    const Rect& theBounds = (*thePixMap)->bounds;
    return reinterpret_cast<std::uint8_t*>(GetPixBaseAddr(thePixMap)) +
           (inY - theBounds.top) * GetPixRowBytes(thePixMap) + (inX - theBounds.left) * GetPixDepth(thePixMap) / 8;
}

inline Bgra Pixel32(GWorldPtr inWorld, int inX, int inY)
{
    Bgra thePixel{};
    std::memcpy(thePixel.data(), PixelAddress(inWorld, inX, inY), 4);
    return thePixel;
}

inline void SetPixel32(GWorldPtr inWorld, int inX, int inY, Bgra inPixel)
{
    std::memcpy(PixelAddress(inWorld, inX, inY), inPixel.data(), 4);
}

inline RGBColor Rgb8(int inRed, int inGreen, int inBlue)
{
    return RGBColor{std::uint16_t(inRed * 257), std::uint16_t(inGreen * 257), std::uint16_t(inBlue * 257)};
}

// Paints a rectangle of a world with a colour through the current-port calls.
inline void Paint(GWorldPtr inWorld, const Rect& inRect, const RGBColor& inColor)
{
    CGrafPtr theOldPort = nullptr;
    GDHandle theOldDevice = nullptr;
    GetGWorld(&theOldPort, &theOldDevice);
    SetGWorld(inWorld, nullptr);
    RGBColor theOldColor{};
    GetForeColor(&theOldColor);
    RGBForeColor(&inColor);
    PaintRect(&inRect);
    RGBForeColor(&theOldColor);
    SetGWorld(theOldPort, theOldDevice);
}

// An image description for 'raw ' data.
inline ImageDescriptionHandle MakeDescription(int inWidth, int inHeight, int inDepth, std::int32_t inDataSize = 0)
{
    auto theDesc = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
    ImageDescription& theRecord = **theDesc;
    theRecord.idSize = sizeof(ImageDescription);
    theRecord.cType = kRawCodecType;
    theRecord.spatialQuality = codecNormalQuality;
    theRecord.width = std::int16_t(inWidth);
    theRecord.height = std::int16_t(inHeight);
    theRecord.hRes = IntToFixed(72);
    theRecord.vRes = IntToFixed(72);
    theRecord.dataSize = inDataSize;
    theRecord.depth = std::int16_t(inDepth);
    theRecord.clutID = -1;
    return theDesc;
}
