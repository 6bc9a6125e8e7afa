#include "vellumax/engine/DrawFileOp.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "imaging/Errors.h"
#include "imaging/Files.h"
#include "imaging/GraphicsImport.h"
#include "imaging/Memory.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/DrawingTransform.h"
#include "vellumax/engine/PixelsOnTrial.h"
#include "vellumax/engine/ShortRect.h"
#include "vellumax/errors/Settings.h"
#include "vellumax/formats/QTUtils.h"

namespace {

constexpr const char* kUnableToDraw = "Unable to draw file.";
constexpr const char* kNotAFile = "The path names a folder, device, pipe or socket, not a picture file.";
constexpr const char* kFileTooBig = "The file is larger than 268435456 bytes, the most a picture file may hold.";
static_assert(kMaxReadBytes == 268435456);
// A picture refused for its size, the reason already recorded as a message: no
// platform code goes with it, which would only say "not enough memory".
constexpr OSErr kRefusedForSize = 1;

}  // namespace

DrawFileOp::DrawFileOp(const char* inName) : Operation(inName) {}

DrawFileOp::~DrawFileOp() = default;

void DrawFileOp::SetFile(const char* inPath)
{
    assert(inPath != nullptr);
    // NOTE: the native path is the whole specification here; re-making it from
    // folder and a 63-byte name would lose longer names.
    if (const OSErr theError = NativePathNameToFSSpec(inPath, &mFile, 0); theError != noErr)
        mError->SetQuickTimeError(theError);
    Report("File", inPath);
}

void DrawFileOp::SetData(Handle inData)
{
    assert(inData != nullptr);
    char theText[kTextCapacity];
    DescribeData(inData, theText);
    mData.reset(inData);
    Report("Data", theText);
}

void DrawFileOp::SetType(const char* inType)
{
    assert(inType != nullptr);
    mParameters->SetParameter("type", inType);
    Report("Type", inType);
}

void DrawFileOp::DescribeData(Handle inData, char* outText)
{
    const Size theSize = inData != nullptr && *inData != nullptr ? GetHandleSize(inData) : 0;
    if (theSize < 8) {
        std::snprintf(outText, kTextCapacity, "%ld bytes", long(theSize));
        return;
    }
    std::uint32_t theWords[2];
    std::memcpy(theWords, *inData, sizeof theWords);
    std::snprintf(outText, kTextCapacity, "%ld bytes, 0x%08lx 0x%08lx ...", long(theSize),
                  static_cast<unsigned long>(theWords[0]), static_cast<unsigned long>(theWords[1]));
}

void DrawFileOp::Do(Bitmap& inBitmap)
{
    ComponentResult theError = inBitmap.Update();
    ComponentInstance theOpened = nullptr;
    if (theError == noErr) {
        if (mData != nullptr)
            theError = GetImporterForData(mData.get(), mParameters->Type, theOpened);
        else if ((theError = GetGraphicsImporterForFile(&mFile, &theOpened)) != noErr)
            ExplainUnreadableFile(OSErr(theError));
    }
    ComponentRef theImporter(theOpened);
    if (theError == noErr)
        theError = DrawPicture(inBitmap, theImporter.get());
    theImporter.reset();
    if (theError != noErr && theError != kRefusedForSize)
        mError->SetQuickTimeError(theError);
    mError->AddContext(kUnableToDraw);
}

void DrawFileOp::ExplainUnreadableFile(OSErr inError)
{
    // The file calls' own reasons for refusing a read, named so the limit is clear.
    const int theReason = FSLastSystemError();
    if (inError == ioErr && theReason == EINVAL)
        mError->AddMessage(kNotAFile);
    else if (inError == memFullErr && theReason == EFBIG)
        mError->AddMessage(kFileTooBig);
}

OSErr DrawFileOp::DrawPicture(Bitmap& inBitmap, ComponentInstance inImporter)
{
    const Parameters& theParams = *mParameters;
    ComponentResult theError = GraphicsImportSetImageIndex(inImporter, static_cast<unsigned long>(theParams.Image));
    if (theError == noErr)
        theError = SetDrawOptions(inImporter);
    if (theError == noErr)
        theError = CheckPictureSize(inBitmap, inImporter);
    Rect theBounds{};
    if (theError == noErr)
        theError = GraphicsImportGetNaturalBounds(inImporter, &theBounds);
    if (theError != noErr)
        return OSErr(theError);
    const LongRect theNatural{theBounds.left, theBounds.top, theBounds.right, theBounds.bottom};
    // Edges of 16 bits: the sizes fit.
    const std::int32_t theWidth = std::int32_t(theNatural.Width());
    const std::int32_t theHeight = std::int32_t(theNatural.Height());

    PixelsOnTrial theTrial(inBitmap);
    if (!inBitmap.HasPixels()) {
        long theDepth = 0;
        long theResolution = 0;
        char theName[kQTNameCapacity];
        theError = GetImageInfo(inImporter, theDepth, theResolution, theName);
        if (theError == noErr)
            theError = theWidth < 1 || theHeight < 1 ? paramErr : inBitmap.EnsurePixels(theWidth, theHeight, -1);
        if (theError != noErr)
            return OSErr(theError);
    }

    const LongRect theDestination = theParams.DestinationRect(theNatural, inBitmap.GetBounds());
    mResultRect = theDestination;
    const Rect theSource = ShortRect(theParams.SourceRectOr(theNatural));
    const DrawingTransform theTransform(theParams, theDestination, theNatural);
    long theMode = theParams.Mode;
    if (theParams.Dither != 0)
        theMode += ditherCopy;
    const RGBColor theColor{theParams.ModeColor.red, theParams.ModeColor.green, theParams.ModeColor.blue};

    theError = GraphicsImportSetGWorld(inImporter, inBitmap.GetGWorld(), nullptr);
    if (theError == noErr)
        theError = GraphicsImportSetSourceRect(inImporter, &theSource);
    if (theError == noErr)
        theError = GraphicsImportSetMatrix(inImporter, &theTransform.Matrix());
    if (theError == noErr)
        theError = GraphicsImportSetGraphicsMode(inImporter, theMode, &theColor);
    if (theError == noErr)
        theError = GraphicsImportDraw(inImporter);
    if (theError == noErr)
        theTrial.Keep();
    return OSErr(theError);
}

ComponentResult DrawFileOp::SetDrawOptions(ComponentInstance inImporter) const
{
    unsigned long theOptions = 0;
    if (mParameters->Upright != 0)
        theOptions |= kGraphicsImportUpright;
    if (mParameters->Resample == Parameters::Filter::kLanczos)
        theOptions |= kGraphicsImportLanczos;
    if (theOptions == 0)
        return noErr;
    // An importer registered without these calls draws as it can.
    const ComponentResult theError = GraphicsImportSetDrawOptions(inImporter, theOptions);
    return theError == badComponentSelector ? noErr : theError;
}

OSErr DrawFileOp::CheckPictureSize(const Bitmap& inBitmap, ComponentInstance inImporter)
{
    unsigned long theWidth = 0;
    unsigned long theHeight = 0;
    // An importer without the call gives its natural bounds, which refuse what a Rect can't hold.
    if (GraphicsImportGetNaturalSize(inImporter, &theWidth, &theHeight) != noErr) {
        Rect theBounds{};
        if (GraphicsImportGetNaturalBounds(inImporter, &theBounds) != noErr)
            return noErr;  // the caller asks again and reports it
        theWidth = static_cast<unsigned long>(std::max(0, theBounds.right - theBounds.left));
        theHeight = static_cast<unsigned long>(std::max(0, theBounds.bottom - theBounds.top));
    }
    if (theWidth > unsigned(Bitmap::kMaxSide) || theHeight > unsigned(Bitmap::kMaxSide)) {
        mError->AddMessage(SideLimitMessage(std::int64_t(theWidth), std::int64_t(theHeight)));
        return kRefusedForSize;
    }
    // The header's size is the decoder's allocation: refused before anything is decoded.
    if (const std::uint32_t theLimit = inBitmap.GetPixelLimit();
        std::uint64_t(theWidth) * theHeight > std::uint64_t(theLimit)) {
        mError->AddMessage(PixelLimitMessage(std::int64_t(theWidth), std::int64_t(theHeight), theLimit));
        return kRefusedForSize;
    }
    return noErr;
}
