// Exporters: the world's pixels as B, G, R, A rows, encoded by the codec, written to a handle or file.
#include "GraphicsExporter.h"

#include "Impl.h"
#include "Worlds.h"

#include "codecs/Codec.h"

#include <cstring>

namespace vximaging {

namespace {

ComponentResult ResultOf(vx::codecs::Status inStatus)
{
    return ComponentResult(static_cast<std::int32_t>(inStatus));
}

}  // namespace

std::unique_ptr<ComponentImpl> GraphicsExporter::Make(const vx::codecs::Codec* inCodec)
{
    return std::make_unique<GraphicsExporter>(*inCodec);
}

ComponentResult GraphicsExporter::ExportDoExport(unsigned long* outActualSizeWritten)
{
    if (outActualSizeWritten != nullptr)
        *outActualSizeWritten = 0;
    if (mInput == nullptr || (!mToFile && mOutput == nullptr))
        return paramErr;
    PixMapHandle thePixMap = vximaging::GetGWorldPixMap(mInput);
    if (thePixMap == nullptr || *thePixMap == nullptr)
        return paramErr;

    std::vector<std::uint8_t> theBytes;
    ComponentResult theResult = noErr;
    vximaging::LockPixels(thePixMap);
    Surface theSurface;
    if (!SurfaceOfPixMap(*thePixMap, theSurface)) {
        theResult = paramErr;
    } else {
        vx::codecs::PictureView theView;
        theView.mWidth = std::uint32_t(theSurface.mWidth);
        theView.mHeight = std::uint32_t(theSurface.mHeight);
        std::vector<std::uint8_t> theConverted;
        try {
            if (theSurface.mDepth == 32 && theSurface.mStride > 0) {
                // The world's own rows are already the codec's layout.
                theView.mPixels = theSurface.mTopRow;
                theView.mRowBytes = std::size_t(theSurface.mStride);
            } else {
                const std::size_t theRowBytes = std::size_t(theSurface.mWidth) * 4;
                theConverted.resize(theRowBytes * std::size_t(theSurface.mHeight));
                for (int theY = 0; theY < theSurface.mHeight; ++theY) {
                    std::uint8_t* theRow = theConverted.data() + theRowBytes * std::size_t(theY);
                    const std::uint8_t* theFetched =
                        FetchRow(theSurface, theSurface.mTop + theY, theSurface.mLeft, theSurface.mWidth, theRow);
                    if (theFetched != theRow)
                        std::memcpy(theRow, theFetched, theRowBytes);
                }
                theView.mPixels = theConverted.data();
                theView.mRowBytes = theRowBytes;
            }
            theResult = ResultOf(mCodec.Encode(theView, theBytes, mOptions));
        } catch (const std::bad_alloc&) {
            theResult = memFullErr;
        }
    }
    vximaging::UnlockPixels(thePixMap);
    if (theResult != noErr)
        return theResult;
    if (theBytes.size() > std::size_t(kMaxHandleSize))
        return memFullErr;

    if (mToFile) {
        theResult = WriteFile(theBytes);
    } else {
        SetHandleSize(mOutput, Size(theBytes.size()));
        theResult = MemError();
        if (theResult == noErr && !theBytes.empty())
            std::memcpy(*mOutput, theBytes.data(), theBytes.size());
    }
    if (theResult == noErr && outActualSizeWritten != nullptr)
        *outActualSizeWritten = theBytes.size();
    return theResult;
}

ComponentResult GraphicsExporter::WriteFile(const std::vector<std::uint8_t>& inBytes)
{
    return vximaging::FSpReplaceContents(&mFile, inBytes.data(), long(inBytes.size()));
}

ComponentResult GraphicsExporter::ExportGetDefaultFileNameExtension(OSType* outExtension)
{
    if (outExtension == nullptr)
        return paramErr;
    *outExtension = mCodec.DefaultExtension();
    return noErr;
}

ComponentResult GraphicsExporter::ExportGetMIMETypeList(void* outContainer)
{
    return NewMimeList(mCodec, outContainer);
}

ComponentResult GraphicsExporter::ExportSetInterlaceStyle(unsigned long inStyle)
{
    if (inStyle > kQTPhotoDefineInterlaceStyleOn)
        return paramErr;
    if (inStyle == kQTPhotoDefineInterlaceStyleOn && !mCodec.HasInterlace())
        return badComponentSelector;
    mOptions.mInterlace =
        inStyle == kQTPhotoDefineInterlaceStyleOn ? vx::codecs::Interlace::kInterlaced : vx::codecs::Interlace::kNone;
    return noErr;
}

ComponentResult GraphicsExporter::ExportSetCompressionQuality(CodecQ inQuality)
{
    if (mCodec.Format() == vx::codecs::ImageFormat::kBmp)
        return badComponentSelector;
    if (inQuality > codecLosslessQuality)
        return paramErr;
    mOptions.mQuality = std::int32_t(inQuality);
    return noErr;
}

ComponentResult GraphicsExporter::ExportSetDepth(long inDepth)
{
    std::int16_t theDepth = 0;
    switch (inDepth) {
    case 0:
    case 1:
    case 8:
    case 16:
    case 24:
    case 32:
        theDepth = std::int16_t(inDepth);
        break;
    case 2:
    case 4:
        // 256 colours hold every such colour; JPEG's 8 bits are grey, which would not.
        if (mCodec.Format() == vx::codecs::ImageFormat::kJpeg)
            return badComponentSelector;
        theDepth = 8;
        break;
    default:
        return paramErr;
    }
    // Ask the codec with a one-pixel picture: it alone knows which forms it writes.
    const std::uint8_t thePixel[4] = {255, 255, 255, 255};
    const vx::codecs::PictureView theProbe{thePixel, 1, 1, 4};
    vx::codecs::EncodeOptions theOptions = mOptions;
    theOptions.mDepth = theDepth;
    theOptions.mInterlace = vx::codecs::Interlace::kNone;
    std::vector<std::uint8_t> theBytes;
    const vx::codecs::Status theStatus = mCodec.Encode(theProbe, theBytes, theOptions);
    if (theStatus == vx::codecs::Status::kUnsupported)
        return badComponentSelector;
    if (theStatus != vx::codecs::Status::kOk)
        return ResultOf(theStatus);
    mOptions.mDepth = theDepth;
    return noErr;
}

ComponentResult GraphicsExporter::ExportSetInputGWorld(GWorldPtr inWorld)
{
    if (inWorld == nullptr)
        return paramErr;
    mInput = inWorld;
    return noErr;
}

ComponentResult GraphicsExporter::ExportSetOutputFile(const FSSpec* inFile)
{
    if (inFile == nullptr)
        return paramErr;
    mFile = *inFile;
    mToFile = true;
    mOutput = nullptr;
    return noErr;
}

ComponentResult GraphicsExporter::ExportSetOutputHandle(Handle inHandle)
{
    if (inHandle == nullptr || *inHandle == nullptr)
        return paramErr;
    mOutput = inHandle;
    mToFile = false;
    return noErr;
}

}  // namespace vximaging
