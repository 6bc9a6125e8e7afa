// Every transfer mode on a 2×2 image, with exact expected bytes (B, G, R, A per pixel).
#include "ImagingTestSupport.h"

namespace {

using TransferModeTest = ImagingTest;

// Source pixels, top-down: opaque, half transparent, fully transparent, mostly opaque.
constexpr std::uint8_t kSource[16] = {200, 100, 50, 255, 10, 20, 30, 128, 255, 0, 128, 0, 60, 70, 80, 200};
constexpr Bgra kDest[4] = {{100, 200, 250, 255}, {50, 40, 20, 255}, {1, 2, 3, 255}, {90, 80, 70, 100}};
// Operation colour: red 240, green 10, blue 40.
const RGBColor kOpColor = Rgb8(240, 10, 40);

struct ModeCase {
    short mMode;
    std::uint8_t mExpected[16];
};

const ModeCase kModes[] = {
    {srcCopy, {200, 100, 50, 255, 10, 20, 30, 128, 255, 0, 128, 0, 60, 70, 80, 200}},
    {notSrcCopy, {55, 155, 205, 255, 245, 235, 225, 128, 0, 255, 127, 0, 195, 185, 175, 200}},
    // pinned at the operation colour, destination alpha kept
    {addPin, {40, 10, 240, 255, 40, 10, 50, 255, 40, 2, 131, 255, 40, 10, 150, 100}},
    {addOver, {44, 44, 44, 255, 60, 60, 50, 255, 0, 2, 131, 255, 150, 150, 150, 100}},
    {subPin, {40, 100, 240, 255, 40, 20, 240, 255, 40, 10, 240, 255, 40, 10, 240, 100}},
    {addMax, {200, 200, 250, 255, 50, 40, 30, 255, 255, 2, 128, 255, 90, 80, 80, 100}},
    {subOver, {156, 100, 200, 255, 40, 20, 246, 255, 2, 2, 131, 255, 30, 10, 246, 100}},
    {adMin, {100, 100, 50, 255, 10, 20, 20, 255, 1, 0, 3, 255, 60, 70, 70, 100}},
    {graphicsModeStraightAlpha, {200, 100, 50, 255, 30, 30, 25, 255, 1, 2, 3, 255, 66, 72, 78, 222}},
    {graphicsModePreWhiteAlpha, {200, 100, 50, 255, 0, 0, 0, 255, 1, 0, 0, 255, 24, 32, 40, 222}},
    {graphicsModePreBlackAlpha, {200, 100, 50, 255, 35, 40, 40, 255, 255, 2, 131, 255, 79, 87, 95, 222}},
    {graphicsModeStraightAlphaBlend, {116, 196, 62, 255, 47, 40, 25, 255, 1, 2, 3, 255, 86, 80, 77, 214}},
};

TEST_F(TransferModeTest, EveryModeGivesTheExactBytes)
{
    std::uint8_t theData[16];
    std::memcpy(theData, kSource, sizeof(theData));
    ImageDescriptionHandle theDesc = MakeDescription(2, -2, 32, sizeof(theData));
    GWorldPtr theWorld = nullptr;
    const Rect theBounds = MakeRect(0, 0, 2, 2);
    ASSERT_EQ(NewGWorld(&theWorld, 32, &theBounds, nullptr, nullptr, 0), noErr);
    SetGWorld(theWorld, nullptr);
    OpColor(&kOpColor);
    for (const ModeCase& theCase : kModes) {
        SCOPED_TRACE(theCase.mMode);
        for (int theIndex = 0; theIndex < 4; ++theIndex)
            SetPixel32(theWorld, theIndex % 2, theIndex / 2, kDest[theIndex]);
        ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(theData), theDesc, GetGWorldPixMap(theWorld), nullptr,
                                  &theBounds, theCase.mMode, nullptr),
                  noErr);
        for (int theIndex = 0; theIndex < 4; ++theIndex) {
            const Bgra theExpected{theCase.mExpected[theIndex * 4], theCase.mExpected[theIndex * 4 + 1],
                                   theCase.mExpected[theIndex * 4 + 2], theCase.mExpected[theIndex * 4 + 3]};
            EXPECT_EQ(Pixel32(theWorld, theIndex % 2, theIndex / 2), theExpected) << "pixel " << theIndex;
        }
    }
    CGrafPtr theScreen = nullptr;
    SetGWorld(theScreen, nullptr);
    DisposeGWorld(theWorld);
    DisposeHandle(reinterpret_cast<Handle>(theDesc));
}

TEST_F(TransferModeTest, ModesApplyAtIndexedDepthsThroughTheNearestColour)
{
    // Add-max of pure red onto pure blue gives magenta, which the 256-colour table holds.
    std::uint8_t theRed[4] = {0, 0, 255, 255};
    ImageDescriptionHandle theDesc = MakeDescription(1, 1, 32);
    GWorldPtr theWorld = nullptr;
    const Rect theBounds = MakeRect(0, 0, 1, 1);
    ASSERT_EQ(NewGWorld(&theWorld, 8, &theBounds, nullptr, nullptr, 0), noErr);
    Paint(theWorld, theBounds, Rgb8(0, 0, 255));
    ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(theRed), theDesc, GetGWorldPixMap(theWorld), nullptr, &theBounds,
                              addMax, nullptr),
              noErr);
    EXPECT_EQ(*PixelAddress(theWorld, 0, 0), 30);  // (FF, 00, FF)
    DisposeGWorld(theWorld);
    DisposeHandle(reinterpret_cast<Handle>(theDesc));
}

TEST_F(TransferModeTest, UnknownModesAreRefused)
{
    std::uint8_t thePixel[4] = {1, 2, 3, 4};
    ImageDescriptionHandle theDesc = MakeDescription(1, 1, 32);
    GWorldPtr theWorld = nullptr;
    const Rect theBounds = MakeRect(0, 0, 1, 1);
    ASSERT_EQ(NewGWorld(&theWorld, 32, &theBounds, nullptr, nullptr, 0), noErr);
    for (const short theMode : {short(1), short(36), short(259), short(512)})
        EXPECT_EQ(DecompressImage(reinterpret_cast<Ptr>(thePixel), theDesc, GetGWorldPixMap(theWorld), nullptr,
                                  &theBounds, theMode, nullptr),
                  paramErr)
            << theMode;
    EXPECT_EQ(Pixel32(theWorld, 0, 0), (Bgra{255, 255, 255, 255}));
    DisposeGWorld(theWorld);
    DisposeHandle(reinterpret_cast<Handle>(theDesc));
}

}  // namespace
