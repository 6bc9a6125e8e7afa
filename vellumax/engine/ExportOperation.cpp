#include "vellumax/engine/ExportOperation.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "automation/Errors.h"
#include "imaging/Errors.h"
#include "imaging/Files.h"
#include "imaging/GraphicsExport.h"
#include "imaging/Memory.h"
#include "imaging/QuickDraw.h"
#include "vellumax/engine/Bitmap.h"
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

// The temporary 8-bit store of the GIF path: a copy of the canvas re-fitted to
// 8 bits, which maps every colour onto the default 8-bit table. New stores
// never dither, whatever the canvas does.
OSErr MakeIndexedCopy(Bitmap& inSource, Bitmap& outCopy)
{
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
    outCopy.BeginDraw();
    CopyBits(GetPortBitMapForCopyBits(inSource.GetGWorld()), GetPortBitMapForCopyBits(outCopy.GetGWorld()),
             &theBounds, &theBounds, srcCopy, nullptr);
    theError = QDError();
    outCopy.EndDraw();
    if (theError != noErr)
        return theError;
    outCopy.SetDepth(kGifDepth);
    return outCopy.Update();
}

}  // namespace

ExportOperation::ExportOperation(const char* inName) : Operation(inName) {}

ExportOperation::~ExportOperation()
{
    DisposeHandle(mData);
    std::free(mGif);
}

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
    if (NamesGif(theType) || EndsWithGif(mFilePath.c_str()) || EndsWithGif(theType))
        ExportGif(inBitmap);
    else
        ExportWithQuickTime(inBitmap);
}

void ExportOperation::ExportWithQuickTime(Bitmap& inBitmap)
{
    ComponentInstance theExporter = nullptr;
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
        theResult = FindExporter(theType, theType, theType, theComponent);
        if (theResult == noErr && theComponent == nullptr)
            theResult = FindExporter(mFilePath.c_str(), "", "", theComponent);
        if (theResult == noErr && theComponent == nullptr)
            theResult = FindExporter("", "", "BMP", theComponent);
    }
    if (theResult == noErr)
        theResult = OpenComponentInstance(theComponent, theExporter);
    if (theResult == noErr)
        theResult = GraphicsExportSetInputGWorld(theExporter, inBitmap.GetGWorld());
    if (theResult == noErr) {
        if (mToFile != 0) {
            theResult = GraphicsExportSetOutputFile(theExporter, &theSpec);
        } else {
            DisposeHandle(mData);
            mData = NewHandle(0);
            theResult = mData != nullptr ? GraphicsExportSetOutputHandle(theExporter, mData) : MemError();
        }
    }
    if (theResult == noErr)
        theResult = ApplySetting(GraphicsExportSetCompressionQuality(theExporter, CodecQ(mParameters->Quality)));
    if (theResult == noErr)
        theResult = ApplySetting(GraphicsExportSetInterlaceStyle(theExporter, mParameters->Interlace));
    if (theResult == noErr)
        theResult = ApplySetting(GraphicsExportSetDepth(theExporter, mParameters->Depth));
    if (theResult == noErr) {
        unsigned long theWritten = 0;
        theResult = GraphicsExportDoExport(theExporter, &theWritten);
    }
    CloseImporter(theExporter);
    mError->SetQuickTimeError(theResult);
}

void ExportOperation::ExportGif(Bitmap& inBitmap)
{
    OSErr theError = inBitmap.EnsurePixels(kDefaultSide, kDefaultSide, -1);
    Bitmap theCopy;
    Bitmap* theStore = &inBitmap;
    if (theError == noErr && inBitmap.GetDepth() != kGifDepth) {
        theError = MakeIndexedCopy(inBitmap, theCopy);
        theStore = &theCopy;
    }
    Bitmap::PixelAccess thePixels;
    bool theLocked = false;
    if (theError == noErr) {
        theLocked = theStore->Lock(thePixels);
        if (!theLocked || thePixels.mBitsPerPixel != kGifDepth)
            theError = paramErr;
    }
    if (theError == noErr) {
        const CTabHandle theTable = (*GetGWorldPixMap(theStore->GetGWorld()))->pmTable;
        GifColorEntry theColors[kGifColors] = {};
        const std::int32_t theCount = std::min<std::int32_t>(kGifColors, (*theTable)->ctSize + 1);
        for (std::int32_t theIndex = 0; theIndex < theCount; ++theIndex) {
            const ColorSpec& theEntry = (*theTable)->ctTable[theIndex];
            theColors[theIndex] = {std::uint16_t(theEntry.value),
                                   {theEntry.rgb.red, theEntry.rgb.green, theEntry.rgb.blue}};
        }
        const std::int32_t theWidth = theStore->GetWidth();
        const std::int32_t theHeight = theStore->GetHeight();
        std::int32_t theTransparent = -1;
        if (mParameters->TransparentGiven != 0) {
            LongPoint& thePoint = mParameters->TransparentPoint;
            thePoint.x = std::clamp(thePoint.x, 0, theWidth - 1);
            thePoint.y = std::clamp(thePoint.y, 0, theHeight - 1);
            theTransparent = std::uint8_t(thePixels.mBase[thePoint.y * thePixels.mRowBytes + thePoint.x]);
        }
        std::free(mGif);
        mGif = EncodeGif(theWidth, theHeight, kGifColors, theColors, theTransparent,
                         std::uint8_t(mParameters->Interlace == 1), std::int32_t(thePixels.mRowBytes),
                         reinterpret_cast<const std::uint8_t*>(thePixels.mBase), mGifLength);
        if (mGif == nullptr) {
            theError = memFullErr;
        } else if (mToFile != 0 && !WriteWholeFile(mFilePath.c_str(), mGif, std::uint32_t(mGifLength))) {
            // The writer replaces the file only once all of it is written.
            const DWORD theSystemError = GetLastError();
            if (theSystemError != 0)
                mError->SetWindowsError(theSystemError);
            else
                theError = ioErr;
        }
    }
    if (theLocked)
        theStore->Unlock();
    mError->SetQuickTimeError(theError);
}

const std::uint8_t* ExportOperation::GetDataPointer()
{
    if (mData != nullptr) {
        HLock(mData);
        return reinterpret_cast<const std::uint8_t*>(*mData);
    }
    return mGif;
}

std::int32_t ExportOperation::GetDataSize()
{
    if (mData != nullptr)
        return std::int32_t(GetHandleSize(mData));
    return mGifLength;
}
