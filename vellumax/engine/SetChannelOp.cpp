#include "vellumax/engine/SetChannelOp.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

#include "imaging/Errors.h"
#include "imaging/QuickDraw.h"
#include "vellumax/engine/Bitmap.h"

namespace {

constexpr const char* kBadChannel = "Unable to understand channel.";
constexpr std::int32_t kDefaultSide = 256;
constexpr std::int32_t kStoreDepth = 32;
constexpr std::int32_t kIntensityDepth = 8;
constexpr int kGreyCount = 256;

}  // namespace

SetChannelOp::SetChannelOp() : Operation("Set Channel:") {}

void SetChannelOp::SetSource(IDispatch* inSource)
{
    if (const HRESULT theResult = mSource.Take(inSource); FAILED(theResult))
        mError->SetComError(theResult);
    Report("Canvas", "ok");
}

void SetChannelOp::SetChannelName(const char* inName)
{
    assert(inName != nullptr);
    ChannelKind theChannel = kRedChannel;
    if (ReadChannel(inName, &theChannel))
        mChannel = theChannel;
    else
        mError->AddMessage(kBadChannel);
    Report("Channel", inName);
}

void SetChannelOp::Do(Bitmap& inBitmap)
{
    GdiSetLastError(0);
    // A store without pixels is made 32 bits deep at once (the canvas frame
    // takes that back if the call fails); one with pixels keeps its depth
    // until the source has been read and reduced, so that a source that can't
    // give its pixels leaves it as it was.
    OSErr theError = noErr;
    if (!inBitmap.HasPixels()) {
        inBitmap.SetDepth(kStoreDepth);
        theError = inBitmap.EnsurePixels(kDefaultSide, kDefaultSide, -1);
    }
    HRESULT theComError = S_OK;
    if (theError == noErr) {
        HBITMAP theSource = 0;
        theComError = mSource.GetBitmap(theSource);
        BITMAP theDescription{};
        // A source without pixels has handle 0, which the layer refuses with its own error.
        if (SUCCEEDED(theComError) && GetObjectA(theSource, sizeof theDescription, &theDescription) != 0)
            theError = ReplaceChannel(inBitmap, theSource, theDescription.bmWidth, theDescription.bmHeight);
    }
    if (theError != noErr)
        mError->SetQuickTimeError(theError);
    mError->SetWindowsError(GdiGetLastError(), 0);
    if (FAILED(theComError))
        mError->SetComError(theComError);
}

OSErr SetChannelOp::ReplaceChannel(Bitmap& inBitmap, HBITMAP inSource, std::int32_t inWidth, std::int32_t inHeight)
{
    Bitmap theScratch;
    theScratch.SetPixelLimit(inBitmap.GetPixelLimit());
    OSErr theError = theScratch.EnsurePixels(inBitmap.GetWidth(), inBitmap.GetHeight(), kIntensityDepth);
    if (theError == noErr)
        theError =
            theScratch.DrawWindowsBitmapMapped(inSource, LongRect{0, 0, inWidth, inHeight}, theScratch.GetBounds());
    if (theError != noErr)
        return theError;
    // The source handle may be the store's own: it is not used past this re-fit.
    const std::int32_t theOldDepth = inBitmap.GetDepth();
    inBitmap.SetDepth(kStoreDepth);
    theError = inBitmap.Update();
    if (theError == noErr)
        theError = ReplaceFromScratch(inBitmap, theScratch);
    if (theError != noErr && theOldDepth != kStoreDepth) {
        inBitmap.SetDepth(theOldDepth);
        inBitmap.Update();
    }
    return theError;
}

OSErr SetChannelOp::ReplaceFromScratch(Bitmap& inBitmap, Bitmap& inScratch)
{
    Bitmap::PixelAccess theChannel;
    Bitmap::PixelAccess theRgb;
    const Bitmap::PixelLock theChannelLock(inScratch, theChannel);
    const Bitmap::PixelLock theRgbLock(inBitmap, theRgb);
    if (!theChannelLock.IsLocked() || !theRgbLock.IsLocked())
        return paramErr;
    const CTabHandle theColors = (*GetGWorldPixMap(inScratch.GetGWorld()))->pmTable;
    if (theChannel.mBitsPerPixel != kIntensityDepth || theRgb.mBitsPerPixel != kStoreDepth || theColors == nullptr ||
        *theColors == nullptr || (*theColors)->ctSize >= kGreyCount)
        return paramErr;

    const OSType theFormat = theRgb.mPixelFormat;
    const std::uint32_t theKeep = ~Bitmap::PlaceChannel(0xFF, theFormat, mChannel);
    std::uint32_t theGreys[kGreyCount] = {};
    for (int theIndex = 0; theIndex <= (*theColors)->ctSize; ++theIndex) {
        const RGBColor& theEntry = (*theColors)->ctTable[theIndex].rgb;
        const unsigned theIntensity = (unsigned(theEntry.red) + theEntry.green + theEntry.blue) / 768;
        theGreys[theIndex] = Bitmap::PlaceChannel(std::uint8_t(theIntensity), theFormat, mChannel);
    }

    // Both stores were made from the same logical size; their rows must agree.
    const std::int64_t theWidth = inBitmap.GetBounds().Width();
    if (theChannel.mRows != theRgb.mRows || theChannel.mRowBytes < theWidth || theRgb.mRowBytes < theWidth * 4)
        return paramErr;
    for (std::int32_t theY = 0; theY < theRgb.mRows; ++theY) {
        const auto* theIndices = reinterpret_cast<const std::uint8_t*>(theChannel.mBase) + theY * theChannel.mRowBytes;
        auto* thePixels = reinterpret_cast<std::uint8_t*>(theRgb.mBase) + theY * theRgb.mRowBytes;
        for (std::int32_t theX = 0; theX < theWidth; ++theX) {
            std::uint32_t thePixel;
            std::memcpy(&thePixel, thePixels + theX * 4, 4);
            thePixel = (thePixel & theKeep) | theGreys[theIndices[theX]];
            std::memcpy(thePixels + theX * 4, &thePixel, 4);
        }
    }
    return noErr;
}
