#include "vellumax/engine/ExportOperation.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <strings.h>

#include "automation/Errors.h"
#include "imaging/Errors.h"
#include "imaging/Files.h"
#include "imaging/GraphicsExport.h"
#include "imaging/Memory.h"
#include "imaging/QuickDraw.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/IndexedRows.h"
#include "vellumax/formats/FileExtension.h"
#include "vellumax/formats/GifPalette.h"
#include "vellumax/formats/QTUtils.h"
#include "vellumax/formats/WholeFile.h"
#include "vellumax/formats/Writegif.h"
#include "vellumax/params/Utilities.h"

namespace {

// Stores made on demand get this size; a store that has pixels keeps its own.
constexpr std::int32_t kDefaultSide = 256;
constexpr std::int32_t kGifDepth = 8;
constexpr std::int32_t kGifColors = 256;

bool EndsWithGif(const char* inText)
{
    const std::size_t theLength = std::strlen(inText);
    return theLength >= 4 && strcasecmp(inText + theLength - 4, ".gif") == 0;
}

bool NamesGif(const char* inType)
{
    return strcasecmp(inType, "gif") == 0 || strcasecmp(inType, "gif image") == 0 ||
           strcasecmp(inType, "image/gif") == 0;
}

// An exporter that cannot take a setting still exports with its own.
bool SettingRefused(ComponentResult inResult)
{
    return inResult == badComponentSelector || inResult == paramErr;
}

ComponentResult ApplySetting(ComponentResult inResult)
{
    return SettingRefused(inResult) ? noErr : inResult;
}

// A copy of the canvas at inDepth: re-fitting maps the colours (onto the
// default 8-bit table for 8; exactly for 32). New stores never dither,
// whatever the canvas does.
OSErr MakeCopy(Bitmap& inSource, std::int32_t inDepth, Bitmap& outCopy)
{
    outCopy.SetPixelLimit(inSource.GetPixelLimit());
    outCopy.SetWidth(inSource.GetWidth());
    outCopy.SetHeight(inSource.GetHeight());
    outCopy.SetDepth(inSource.GetDepth());
    OSErr theError = outCopy.Update();
    if (theError != noErr)
        return theError;
    if (!outCopy.HasPixels())
        return paramErr;
    Rect theBounds;
    GetPortBounds(inSource.GetGWorld(), &theBounds);
    {
        const Bitmap::Drawing theDrawing(outCopy);
        CopyBits(GetPortBitMapForCopyBits(inSource.GetGWorld()), GetPortBitMapForCopyBits(outCopy.GetGWorld()),
                 &theBounds, &theBounds, srcCopy, nullptr);
        theError = QDError();
    }
    if (theError != noErr)
        return theError;
    outCopy.SetDepth(inDepth);
    return outCopy.Update();
}

// The store at inDepth: the canvas's own when it has that depth, else a copy
// made in ioCopy.
OSErr StoreAtDepth(Bitmap& inCanvas, std::int32_t inDepth, std::optional<Bitmap>& ioCopy, Bitmap*& outStore)
{
    outStore = &inCanvas;
    if (inCanvas.GetDepth() == inDepth)
        return noErr;
    outStore = &ioCopy.emplace();
    return MakeCopy(inCanvas, inDepth, *ioCopy);
}

// The transparent point clamped into the picture (written back, as callers
// see it), or nothing when none was given.
std::optional<LongPoint> TransparentPixel(Parameters& ioParameters, std::int32_t inWidth, std::int32_t inHeight)
{
    if (ioParameters.TransparentGiven == 0)
        return std::nullopt;
    LongPoint& thePoint = ioParameters.TransparentPoint;
    thePoint.x = std::clamp(thePoint.x, 0, inWidth - 1);
    thePoint.y = std::clamp(thePoint.y, 0, inHeight - 1);
    return thePoint;
}

RgbPixels RgbView(const Bitmap::PixelAccess& inAccess, std::int32_t inWidth, std::int32_t inHeight)
{
    auto* theBase = reinterpret_cast<std::uint8_t*>(inAccess.mBase);
    const OSType theFormat = inAccess.mPixelFormat;
    return {theBase,
            std::ptrdiff_t(inAccess.mRowBytes),
            inWidth,
            inHeight,
            std::int32_t(Bitmap::RedChannel(theBase, theFormat) - theBase),
            std::int32_t(Bitmap::GreenChannel(theBase, theFormat) - theBase),
            std::int32_t(Bitmap::BlueChannel(theBase, theFormat) - theBase)};
}

// PNG and WebP keep an alpha channel: there the transparent point's colour
// becomes alpha 0. Other formats are written as they always were.
bool KeepsTransparency(Component inExporter)
{
    for (const char* theMimeType : {"image/png", "image/webp"}) {
        Component theComponent = nullptr;
        if (FindExporter("", theMimeType, "", theComponent) == noErr && theComponent == inExporter)
            return true;
    }
    return false;
}

// Whether inExporter writes PNG. A failed look-up fails the export rather than change its form.
ComponentResult IsPngExporter(Component inExporter, bool& outIsPng)
{
    Component theComponent = nullptr;
    const ComponentResult theResult = FindExporter("", "image/png", "", theComponent);
    outIsPng = theResult == noErr && theComponent == inExporter;
    return theResult;
}

// A 32-bit copy of the canvas in which the pixels of the transparent point's
// colour have alpha 0 and the others keep theirs.
OSErr MakeTransparentCopy(Bitmap& inCanvas, Parameters& ioParameters, Bitmap& outCopy)
{
    OSErr theError = MakeCopy(inCanvas, 32, outCopy);
    if (theError != noErr)
        return theError;
    Bitmap::PixelAccess thePixels;
    const Bitmap::PixelLock theLock(outCopy, thePixels);
    if (!theLock.IsLocked())
        return paramErr;
    const std::int32_t theWidth = outCopy.GetWidth();
    const std::int32_t theHeight = outCopy.GetHeight();
    const RgbPixels theView = RgbView(thePixels, theWidth, theHeight);
    auto* theBase = reinterpret_cast<std::uint8_t*>(thePixels.mBase);
    const std::ptrdiff_t theAlpha = Bitmap::AlphaChannel(theBase, thePixels.mPixelFormat) - theBase;
    const LongPoint thePoint = *TransparentPixel(ioParameters, theWidth, theHeight);
    const auto Rgb = [&theView](const std::uint8_t* inPixel) {
        return std::uint32_t(inPixel[theView.mRed]) << 16 | std::uint32_t(inPixel[theView.mGreen]) << 8 |
               inPixel[theView.mBlue];
    };
    const std::uint32_t theKey = Rgb(theView.mBase + thePoint.y * theView.mRowBytes + thePoint.x * 4);
    for (std::int32_t y = 0; y < theHeight; ++y) {
        std::uint8_t* thePixel = theBase + y * thePixels.mRowBytes;
        for (std::int32_t x = 0; x < theWidth; ++x, thePixel += 4)
            if (Rgb(thePixel) == theKey)
                thePixel[theAlpha] = 0;
    }
    return noErr;
}

}  // namespace

ExportOperation::ExportOperation(const char* inName) : Operation(inName) {}

ExportOperation::~ExportOperation() = default;

void ExportOperation::SetFile(const char* inPath)
{
    mToFile = 1;
    mFilePath = inPath != nullptr ? inPath : "";
    Report("File", mFilePath.c_str());
    if (mFilePath.empty())
        mError->AddMessage("File path is blank");
}

void ExportOperation::SetType(const char* inType)
{
    const char* theType = inType != nullptr ? inType : "";
    mParameters->SetParameter("type", theType);
    Report("Type", theType);
}

void ExportOperation::Do(Bitmap& inBitmap)
{
    const char* theType = mParameters->Type;
    if (NamesGif(theType) || strcasecmp(FileNameExtension(mFilePath).c_str(), "gif") == 0 || EndsWithGif(theType))
        ExportGif(inBitmap);
    else
        ExportWithQuickTime(inBitmap);
}

void ExportOperation::ExportWithQuickTime(Bitmap& inBitmap)
{
    ComponentInstance theExporter = nullptr;
    ComponentRef theOwner;  // closes the exporter however the export ends, an exception included
    ComponentResult theResult = inBitmap.EnsurePixels(kDefaultSide, kDefaultSide, -1);
    FSSpec theSpec{};
    // Only a file is converted: the platform refuses the empty path GetAs has.
    if (theResult == noErr && mToFile != 0) {
        theResult = NativePathNameToFSSpec(mFilePath.c_str(), &theSpec, 0);
        if (theResult == fnfErr)
            theResult = noErr;  // about to be created
    }
    Component theComponent = nullptr;
    if (theResult == noErr) {
        const char* theType = mParameters->Type;
        theResult =
            FindExporter(LookupExtensionText(theType, ExtensionSource::Type).c_str(), theType, theType, theComponent);
        if (theResult == noErr && theComponent == nullptr)
            theResult =
                FindExporter(LookupExtensionText(mFilePath, ExtensionSource::Path).c_str(), "", "", theComponent);
        if (theResult == noErr && theComponent == nullptr)
            theResult = FindExporter("", "", "BMP", theComponent);
    }
    std::optional<Bitmap> theTransparentCopy;
    GWorldPtr theInput = inBitmap.GetGWorld();
    if (theResult == noErr && mParameters->TransparentGiven != 0 && KeepsTransparency(theComponent)) {
        theResult = MakeTransparentCopy(inBitmap, *mParameters, theTransparentCopy.emplace());
        theInput = theTransparentCopy->GetGWorld();
    }
    if (theResult == noErr) {
        theResult = OpenComponentInstance(theComponent, theExporter);
        theOwner.reset(theExporter);
    }
    if (theResult == noErr)
        theResult = GraphicsExportSetInputGWorld(theExporter, theInput);
    if (theResult == noErr) {
        if (mToFile != 0) {
            theResult = GraphicsExportSetOutputFile(theExporter, &theSpec);
        } else {
            mData.reset();
            mData.reset(NewHandle(0));
            theResult = mData != nullptr ? GraphicsExportSetOutputHandle(theExporter, mData.get()) : MemError();
        }
    }
    if (theResult == noErr)
        theResult = ApplySetting(GraphicsExportSetCompressionQuality(theExporter, CodecQ(mParameters->Quality)));
    if (theResult == noErr)
        theResult = ApplySetting(GraphicsExportSetInterlaceStyle(theExporter, mParameters->Interlace));
    // Unless the script names a depth, PNG takes the smallest exact form of the canvas (depth 0).
    bool theSmallest = false;
    if (theResult == noErr && mParameters->DepthGiven == 0)
        theResult = IsPngExporter(theComponent, theSmallest);
    if (theResult == noErr)
        theResult = ApplySetting(GraphicsExportSetDepth(theExporter, theSmallest ? 0 : mParameters->Depth));
    if (theResult == noErr) {
        unsigned long theWritten = 0;
        theResult = GraphicsExportDoExport(theExporter, &theWritten);
    }
    mError->SetQuickTimeError(theResult);
}

void ExportOperation::ExportGif(Bitmap& inBitmap)
{
    OSErr theError = inBitmap.EnsurePixels(kDefaultSide, kDefaultSide, -1);
    mGif.reset();
    mGifLength = 0;
    mWroteToPlace = false;
    if (theError == noErr)
        theError = mParameters->AdaptivePalette != 0 ? EncodeAdaptiveGif(inBitmap) : EncodeFixedGif(inBitmap);
    if (theError == noErr && mToFile != 0 &&
        !WriteWholeFile(mFilePath.c_str(), mGif.get(), std::uint32_t(mGifLength))) {
        // The writer replaces the file only once all of it is written.
        const DWORD theSystemError = GetLastError();
        if (theSystemError != 0)
            mError->SetWindowsError(theSystemError);
        else
            theError = ioErr;
    }
    mError->SetQuickTimeError(theError);
}

GifCodes ExportOperation::Codes() const
{
    return mParameters->Compress != 0 ? GifCodes::kCompressed : GifCodes::kLiteral;
}

OSErr ExportOperation::EncodeFixedGif(Bitmap& inBitmap)
{
    // An 8-bit canvas's own rows are the indices; any other is mapped a band at a time.
    std::optional<IndexedRows> theMapped;
    Bitmap::PixelAccess thePixels;
    std::optional<Bitmap::PixelLock> theLock;
    CTabHandle theTable = nullptr;
    if (inBitmap.GetDepth() == kGifDepth) {
        if (!theLock.emplace(inBitmap, thePixels).IsLocked() || thePixels.mBitsPerPixel != kGifDepth)
            return paramErr;
        theTable = (*GetGWorldPixMap(inBitmap.GetGWorld()))->pmTable;
    } else {
        if (const OSErr theError = theMapped.emplace(inBitmap).Prepare(); theError != noErr)
            return theError;
        theTable = theMapped->ColorTable();
    }
    GifColorEntry theColors[kGifColors] = {};
    const std::int32_t theCount = std::min<std::int32_t>(kGifColors, (*theTable)->ctSize + 1);
    for (std::int32_t theIndex = 0; theIndex < theCount; ++theIndex) {
        const ColorSpec& theEntry = (*theTable)->ctTable[theIndex];
        theColors[theIndex] = {std::uint16_t(theEntry.value),
                               {theEntry.rgb.red, theEntry.rgb.green, theEntry.rgb.blue}};
    }
    const GifRowSource theRows = [&](std::int32_t inRow) -> const std::uint8_t* {
        if (theMapped)
            return theMapped->Row(inRow);
        return reinterpret_cast<const std::uint8_t*>(thePixels.mBase) + std::ptrdiff_t(inRow) * thePixels.mRowBytes;
    };
    const std::int32_t theWidth = inBitmap.GetWidth();
    const std::int32_t theHeight = inBitmap.GetHeight();
    std::int32_t theTransparent = -1;
    if (const auto thePoint = TransparentPixel(*mParameters, theWidth, theHeight)) {
        const std::uint8_t* theRow = theRows(thePoint->y);
        theTransparent = theRow != nullptr ? theRow[thePoint->x] : -1;
    }
    const std::uint8_t theInterlace = std::uint8_t(mParameters->Interlace == 1);
    bool theEncoded = false;
    if (mToFile == 0 && mOutputPlace && Codes() == GifCodes::kLiteral) {
        const std::int64_t theLength = LiteralGifLength(theWidth, theHeight, kGifColors, theTransparent >= 0);
        std::uint8_t* thePlace = theLength > 0 ? mOutputPlace(std::size_t(theLength)) : nullptr;
        theEncoded = mWroteToPlace = EncodeLiteralGifRowsInto(thePlace, theLength, theWidth, theHeight, kGifColors,
                                                              theColors, theTransparent, theInterlace, theRows);
    } else {
        mGif = EncodeGifRows(theWidth, theHeight, kGifColors, theColors, theTransparent, theInterlace, theRows,
                             mGifLength, Codes());
        theEncoded = mGif != nullptr;
    }
    return theEncoded ? noErr : memFullErr;
}

OSErr ExportOperation::EncodeAdaptiveGif(Bitmap& inBitmap)
{
    std::optional<Bitmap> theCopy;
    Bitmap* theStore = nullptr;
    OSErr theError = StoreAtDepth(inBitmap, 32, theCopy, theStore);
    if (theError != noErr)
        return theError;
    const std::int32_t theWidth = theStore->GetWidth();
    const std::int32_t theHeight = theStore->GetHeight();
    std::optional<LongPoint> thePoint;
    GifPalette thePalette;
    {
        // Locked while the palette is built, however that ends.
        Bitmap::PixelAccess thePixels;
        const Bitmap::PixelLock theLock(*theStore, thePixels);
        if (!theLock.IsLocked())
            return paramErr;
        thePoint = TransparentPixel(*mParameters, theWidth, theHeight);
        const RgbPixels theView = RgbView(thePixels, theWidth, theHeight);
        std::optional<std::uint32_t> theKey;
        if (thePoint) {
            const std::uint8_t* thePixel = theView.mBase + thePoint->y * theView.mRowBytes + thePoint->x * 4;
            theKey = std::uint32_t(thePixel[theView.mRed]) << 16 | std::uint32_t(thePixel[theView.mGreen]) << 8 |
                     thePixel[theView.mBlue];
        }
        thePalette.Build(theView, mParameters->Dither != 0 ? Dithering::kErrorDiffusion : Dithering::kNone, theKey);
    }
    const std::int32_t theTransparent =
        thePoint ? thePalette.Indices()[std::size_t(thePoint->y) * std::size_t(theWidth) + std::size_t(thePoint->x)]
                 : -1;
    mGif = EncodeGif(theWidth, theHeight, thePalette.ColorCount(), thePalette.Colors(), theTransparent,
                     std::uint8_t(mParameters->Interlace == 1), theWidth, thePalette.Indices().data(), mGifLength,
                     Codes());
    return mGif != nullptr ? noErr : memFullErr;
}

const std::uint8_t* ExportOperation::GetDataPointer()
{
    if (mData != nullptr) {
        HLock(mData.get());
        return reinterpret_cast<const std::uint8_t*>(*mData);
    }
    return mGif.get();
}

std::int32_t ExportOperation::GetDataSize()
{
    if (mData != nullptr)
        return std::int32_t(GetHandleSize(mData.get()));
    return mGifLength;
}
