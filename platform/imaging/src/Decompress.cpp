// Image descriptions, their extensions, and decompression of uncompressed ('raw ') pixel data.
#include "Compositor.h"
#include "Impl.h"
#include "Palette.h"
#include "Worlds.h"

#include <cstdlib>
#include <cstring>

namespace vximaging {

namespace {

constexpr OSType kColorTableExtension = FourCharCode("clut");
constexpr std::int32_t kDescriptionSize = sizeof(ImageDescription);
constexpr std::int32_t kAtomHeader = 8;

bool ValidDescription(ImageDescriptionHandle inDesc)
{
    if (inDesc == nullptr || *inDesc == nullptr)
        return false;
    const Size theSize = GetHandleSize(reinterpret_cast<Handle>(inDesc));
    return theSize >= kDescriptionSize && (*inDesc)->idSize >= kDescriptionSize && (*inDesc)->idSize <= theSize;
}

// Finds an extension atom; outData/outSize describe its data. False when absent or malformed.
bool FindExtension(ImageDescriptionHandle inDesc, OSType inType, const char*& outData, std::int32_t& outSize,
                   std::int32_t* outAtomOffset = nullptr)
{
    const char* theBlock = reinterpret_cast<const char*>(*inDesc);
    const std::int32_t theEnd = (*inDesc)->idSize;
    std::int32_t theOffset = kDescriptionSize;
    while (theOffset + kAtomHeader <= theEnd) {
        std::int32_t theAtomSize = 0;
        OSType theType = 0;
        std::memcpy(&theAtomSize, theBlock + theOffset, 4);
        std::memcpy(&theType, theBlock + theOffset + 4, 4);
        if (theAtomSize < kAtomHeader || theAtomSize > theEnd - theOffset)
            return false;
        if (theType == inType) {
            outData = theBlock + theOffset + kAtomHeader;
            outSize = theAtomSize - kAtomHeader;
            if (outAtomOffset != nullptr)
                *outAtomOffset = theOffset;
            return true;
        }
        theOffset += theAtomSize;
    }
    return false;
}

OSErr AppendExtension(ImageDescriptionHandle ioDesc, const void* inData, std::int32_t inSize, OSType inType)
{
    const std::int32_t theOld = (*ioDesc)->idSize;
    if (inSize < 0 || inSize > kMaxHandleSize - theOld - kAtomHeader)
        return paramErr;
    const std::int32_t theAtomSize = inSize + kAtomHeader;
    SetHandleSize(reinterpret_cast<Handle>(ioDesc), theOld + theAtomSize);
    if (MemError() != noErr)
        return MemError();
    char* theBlock = reinterpret_cast<char*>(*ioDesc);
    std::memcpy(theBlock + theOld, &theAtomSize, 4);
    std::memcpy(theBlock + theOld + 4, &inType, 4);
    if (inSize > 0)
        std::memcpy(theBlock + theOld + kAtomHeader, inData, std::size_t(inSize));
    (*ioDesc)->idSize = theOld + theAtomSize;
    return noErr;
}

void RemoveExtension(ImageDescriptionHandle ioDesc, OSType inType)
{
    const char* theData = nullptr;
    std::int32_t theSize = 0;
    std::int32_t theOffset = 0;
    if (!FindExtension(ioDesc, inType, theData, theSize, &theOffset))
        return;
    char* theBlock = reinterpret_cast<char*>(*ioDesc);
    const std::int32_t theAtomSize = theSize + kAtomHeader;
    const std::int32_t theEnd = (*ioDesc)->idSize;
    std::memmove(theBlock + theOffset, theBlock + theOffset + theAtomSize,
                 std::size_t(theEnd - theOffset - theAtomSize));
    (*ioDesc)->idSize = theEnd - theAtomSize;
    SetHandleSize(reinterpret_cast<Handle>(ioDesc), (*ioDesc)->idSize);
}

bool ValidImageDepth(int inDepth)
{
    return inDepth == 1 || inDepth == 2 || inDepth == 4 || inDepth == 8 || inDepth == 16 || inDepth == 24 ||
           inDepth == 32;
}

}  // namespace

OSErr AddImageDescriptionExtension(ImageDescriptionHandle ioDesc, Handle inExtension, OSType inType)
{
    if (!ValidDescription(ioDesc) || inExtension == nullptr)
        return paramErr;
    const Size theSize = GetHandleSize(inExtension);
    if (MemError() != noErr)
        return paramErr;
    return AppendExtension(ioDesc, *inExtension, theSize, inType);
}

OSErr SetImageDescriptionCTable(ImageDescriptionHandle ioDesc, CTabHandle inTable)
{
    if (!ValidDescription(ioDesc))
        return paramErr;
    RemoveExtension(ioDesc, kColorTableExtension);
    if (inTable == nullptr)
        return noErr;
    const Size theSize = GetHandleSize(reinterpret_cast<Handle>(inTable));
    if (MemError() != noErr || theSize < Size(offsetof(ColorTable, ctTable)))
        return paramErr;
    return AppendExtension(ioDesc, *inTable, theSize, kColorTableExtension);
}

OSErr GetImageDescriptionCTable(ImageDescriptionHandle inDesc, CTabHandle* outTable)
{
    if (!ValidDescription(inDesc) || outTable == nullptr)
        return paramErr;
    *outTable = nullptr;
    const char* theData = nullptr;
    std::int32_t theSize = 0;
    if (!FindExtension(inDesc, kColorTableExtension, theData, theSize))
        return noErr;
    Handle theCopy = NewHandle(theSize);
    if (theCopy == nullptr)
        return MemError();
    std::memcpy(*theCopy, theData, std::size_t(theSize));
    *outTable = reinterpret_cast<CTabHandle>(theCopy);
    return noErr;
}

OSErr DecompressImage(Ptr inData, ImageDescriptionHandle inDesc, PixMapHandle inDest, const Rect* inSourceRect,
                      const Rect* inDestRect, short inMode, RgnHandle inMask)
{
    if (!ValidDescription(inDesc) || inDestRect == nullptr)
        return paramErr;
    const Rect theWhole{0, 0, std::int16_t(std::abs((*inDesc)->height)), (*inDesc)->width};
    const Rect& theSource = inSourceRect != nullptr ? *inSourceRect : theWhole;
    MatrixRecord theMatrix;
    vximaging::RectMatrix(&theMatrix, &theSource, inDestRect);
    return vximaging::FDecompressImage(inData, inDesc, inDest, &theSource, &theMatrix, inMode, inMask, nullptr, nullptr,
                                       0, bestFidelityCodec, 0, nullptr, nullptr);
}

OSErr FDecompressImage(Ptr inData, ImageDescriptionHandle inDesc, PixMapHandle inDest, const Rect* inSourceRect,
                       const MatrixRecord* inMatrix, short inMode, RgnHandle inMask, PixMapHandle, const Rect*, long,
                       long, long inDataSize, void*, void*)
{
    if (inData == nullptr || !ValidDescription(inDesc) || inDest == nullptr)
        return paramErr;
    const ImageDescription& theDesc = **inDesc;
    if (theDesc.cType != kRawCodecType)
        return noCodecErr;
    const int theDepth = theDesc.depth;
    const int theWidth = theDesc.width;
    const int theHeight = std::abs(int(theDesc.height));
    if (!ValidImageDepth(theDepth) || theWidth < 1 || theHeight < 1)
        return badImageDescription;

    std::ptrdiff_t theRowBytes = AlignedRowBytes(theWidth, theDepth);
    const char* theExtension = nullptr;
    std::int32_t theExtensionSize = 0;
    if (FindExtension(inDesc, kImageRowBytesExtension, theExtension, theExtensionSize)) {
        std::int32_t theExplicit = 0;
        if (theExtensionSize != 4)
            return badImageDescription;
        std::memcpy(&theExplicit, theExtension, 4);
        if (theExplicit < (std::int64_t(theWidth) * theDepth + 7) / 8)
            return badImageDescription;
        theRowBytes = theExplicit;
    }
    const std::int64_t theAvailable = theDesc.dataSize != 0 ? theDesc.dataSize : std::int64_t(inDataSize);
    if (theAvailable != 0 && theAvailable < std::int64_t(theRowBytes) * theHeight)
        return codecBadDataErr;

    Palette thePalette;
    if (theDepth <= 8) {
        CTabHandle theTable = nullptr;
        if (const OSErr theError = vximaging::GetImageDescriptionCTable(inDesc, &theTable); theError != noErr)
            return theError;
        if (theTable != nullptr) {
            PaletteFromTable(theTable, thePalette);
            DisposeHandle(reinterpret_cast<Handle>(theTable));
        } else {
            thePalette = DefaultPalette(theDepth);
        }
    }

    CompositeRequest theRequest;
    if (!SurfaceOfPixMap(*inDest, theRequest.mDest))
        return paramErr;
    Surface& theSource = theRequest.mSource;
    auto* theBytes = reinterpret_cast<std::uint8_t*>(inData);
    const bool theBottomUp = theDesc.height > 0;
    theSource.mTopRow = theBottomUp ? theBytes + theRowBytes * (theHeight - 1) : theBytes;
    theSource.mStride = theBottomUp ? -theRowBytes : theRowBytes;
    theSource.mWidth = theWidth;
    theSource.mHeight = theHeight;
    theSource.mDepth = theDepth;
    theSource.mPalette = theDepth <= 8 ? thePalette.mBGRA : nullptr;
    theRequest.mSourceRect =
        inSourceRect != nullptr ? *inSourceRect : Rect{0, 0, std::int16_t(theHeight), std::int16_t(theWidth)};
    MatrixRecord theIdentity;
    vximaging::SetIdentityMatrix(&theIdentity);
    theRequest.mMatrix = ToDouble(inMatrix != nullptr ? *inMatrix : theIdentity);
    theRequest.mMode = inMode;
    theRequest.mOpColor = CurrentPort()->rgbOpColor;
    theRequest.mMask = inMask;
    return Composite(theRequest);
}

}  // namespace vximaging
