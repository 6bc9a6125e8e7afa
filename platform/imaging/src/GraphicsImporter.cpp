// Importers: the codec reads, FDecompressImage draws.
#include "GraphicsImporter.h"

#include "AreaSampler.h"
#include "Impl.h"
#include "LanczosResampler.h"
#include "ReducedDecode.h"
#include "ReplacementFile.h"
#include "Upright.h"
#include "Worlds.h"

#include "codecs/Codec.h"
#include "codecs/CodecNames.h"
#include "codecs/CodecRegistry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <strings.h>

namespace vximaging {

namespace {

constexpr long kReadChunk = 1 << 20;

vx::codecs::Bytes BytesOf(const std::string& inBytes)
{
    return {reinterpret_cast<const std::uint8_t*>(inBytes.data()), inBytes.size()};
}

ComponentResult ResultOf(vx::codecs::Status inStatus)
{
    return ComponentResult(static_cast<std::int32_t>(inStatus));
}

OSType CodecTypeOf(const vx::codecs::Codec& inCodec)
{
    for (const vx::codecs::CodecName& theName : vx::codecs::CodecNameList())
        if (theName.mName == inCodec.Name())
            return theName.mType;
    return kRawCodecType;
}

void SetPascal(unsigned char* outText, std::size_t inCapacity, std::string_view inText)
{
    const std::size_t theLength = std::min(inText.size(), inCapacity - 1);
    outText[0] = static_cast<unsigned char>(theLength);
    std::memcpy(outText + 1, inText.data(), theLength);
}

// The picture file's bytes, read through the file calls (so a pending replacement is honoured),
// never more than kMaxReadBytes even when the file grows while it is read.
OSErr ReadWholeFile(const FSSpec* inFile, std::string& outBytes)
{
    short theRefNum = 0;
    if (const OSErr theError = vximaging::FSpOpenDF(inFile, fsRdPerm, &theRefNum); theError != noErr)
        return theError;
    OSErr theError = noErr;
    int theSystemError = 0;
    for (;;) {
        const std::size_t theOld = outBytes.size();
        if (theOld > std::size_t(kMaxReadBytes)) {
            theError = memFullErr;
            theSystemError = EFBIG;
            break;
        }
        outBytes.resize(theOld + kReadChunk);
        long theCount = kReadChunk;
        theError = vximaging::FSRead(theRefNum, &theCount, outBytes.data() + theOld);
        theSystemError = vximaging::FSLastSystemError();
        outBytes.resize(theOld + std::size_t(theCount));
        if (theError != noErr)
            break;
    }
    vximaging::FSClose(theRefNum);
    if (theError == eofErr)
        return noErr;
    // The close cleared the reason of the failed read; callers read it after this call.
    ErrorOfErrno(theSystemError);
    return theError;
}

bool ExtensionListed(std::string_view inList, std::string_view inExtension)
{
    while (!inList.empty()) {
        const std::size_t theComma = inList.find(',');
        const std::string_view thePiece = inList.substr(0, theComma);
        if (!inExtension.empty() && thePiece.size() == inExtension.size() &&
            strncasecmp(thePiece.data(), inExtension.data(), thePiece.size()) == 0)
            return true;
        if (theComma == std::string_view::npos)
            break;
        inList.remove_prefix(theComma + 1);
    }
    return false;
}

// Builds the resampler once the decoder says at what size the picture comes, then
// hands it the rows as they are decoded.
class ResampleSink final : public vx::codecs::RowSink {
public:
    ResampleSink(const Rect* inSource, const MatrixRecord& inMatrix, std::uint32_t inReduction, const int inWindow[4])
        : mHasSource(inSource != nullptr), mMatrix(inMatrix), mReduction(inReduction)
    {
        if (inSource != nullptr)
            mSource = *inSource;
        std::copy(inWindow, inWindow + 4, mWindow);
    }
    vx::codecs::Status Begin(const vx::codecs::ImageInfo& inInfo) override
    {
        Rect theSource = mHasSource ? mSource : Rect{0, 0, std::int16_t(inInfo.mHeight), std::int16_t(inInfo.mWidth)};
        MatrixRecord theMatrix = mMatrix;
        ApplyReduction(mReduction, theMatrix, mHasSource ? &theSource : nullptr);
        const int theEdges[4] = {theSource.left, theSource.top, theSource.right, theSource.bottom};
        mResampler.emplace(inInfo.mWidth, inInfo.mHeight, theEdges, ToDouble(theMatrix), mWindow);
        mRowBytes = std::size_t(inInfo.mWidth) * 4;
        return vx::codecs::Status::kOk;
    }
    void Take(const std::uint8_t* inRows, std::uint32_t inFirst, std::uint32_t inCount) noexcept override
    {
        mResampler->Take(inRows, mRowBytes, inFirst, inCount);
    }
    // Empty unless a decode went through.
    ResampledPart& Part() { return mResampler ? mResampler->Part() : mNothing; }

private:
    bool mHasSource;
    Rect mSource{};
    MatrixRecord mMatrix;
    std::uint32_t mReduction;
    int mWindow[4];
    std::optional<LanczosResampler> mResampler;
    std::size_t mRowBytes = 0;
    ResampledPart mNothing;
};

}  // namespace

ComponentResult NewMimeList(const vx::codecs::Codec& inCodec, void* outContainer)
{
    if (outContainer == nullptr)
        return paramErr;
    auto* theOut = static_cast<QTAtomContainer*>(outContainer);
    *theOut = nullptr;
    QTAtomContainer theContainer = nullptr;
    if (const OSErr theError = QTNewAtomContainer(&theContainer); theError != noErr)
        return theError;
    const vx::codecs::MimeInfo theMime = inCodec.Mime();
    OSErr theError = QTInsertChild(theContainer, kParentAtomIsContainer, FourCharCode("ext "), 0, 0,
                                   long(theMime.mExtensions.size()), theMime.mExtensions.data(), nullptr);
    for (const std::string_view theType : theMime.mMimeTypes)
        if (theError == noErr)
            theError = QTInsertChild(theContainer, kParentAtomIsContainer, FourCharCode("mime"), 0, 0,
                                     long(theType.size()), theType.data(), nullptr);
    if (theError == noErr)
        theError = QTInsertChild(theContainer, kParentAtomIsContainer, FourCharCode("desc"), 0, 0,
                                 long(theMime.mDescription.size()), theMime.mDescription.data(), nullptr);
    if (theError != noErr) {
        QTDisposeAtomContainer(theContainer);
        return theError;
    }
    *theOut = theContainer;
    return noErr;
}

std::unique_ptr<ComponentImpl> GraphicsImporter::Make(const vx::codecs::Codec* inCodec)
{
    return std::make_unique<GraphicsImporter>(*inCodec);
}

void GraphicsImporter::TakeBytes(std::string&& inBytes)
{
    mOwned = std::move(inBytes);
    mBorrowed = nullptr;
    HoldNewData();
}

void GraphicsImporter::HoldNewData()
{
    mHasData = true;
    mIndex = 1;
    mCount.reset();
    mFirstInfo.reset();
    mInfos.reset();
}

vx::codecs::Bytes GraphicsImporter::Bytes() const
{
    if (mBorrowed == nullptr)
        return BytesOf(mOwned);
    // Read through the master pointer each time: the caller may have moved or resized the block.
    const Size theSize = GetHandleSize(mBorrowed);
    return {reinterpret_cast<const std::uint8_t*>(*mBorrowed), std::size_t(std::max<Size>(theSize, 0))};
}

vx::codecs::Result<std::uint32_t> GraphicsImporter::Count()
{
    if (!mCount)
        mCount = mCodec.ImageCount(Bytes());
    return *mCount;
}

// The first image alone is what drawing usually wants; asking for another
// describes them all in one pass, so that going through every image of a long
// file costs one reading of it, not one per image.
vx::codecs::Result<vx::codecs::ImageInfo> GraphicsImporter::CurrentInfo()
{
    if (mIndex == 1 && !mInfos) {
        if (!mFirstInfo)
            mFirstInfo = mCodec.Info(Bytes(), 1);
        return *mFirstInfo;
    }
    if (!mInfos)
        mInfos = mCodec.Describe(Bytes());
    if (*mInfos && mIndex <= (*mInfos)->size() && (**mInfos)[mIndex - 1])
        return (**mInfos)[mIndex - 1];
    // An image the pass could not read may still read on its own.
    return mCodec.Info(Bytes(), std::uint32_t(mIndex));
}

ComponentResult GraphicsImporter::ImportSetDataHandle(Handle inData)
{
    if (inData == nullptr || *inData == nullptr)
        return paramErr;
    GetHandleSize(inData);
    if (const OSErr theError = MemError(); theError != noErr)
        return theError;
    // NOTE: read in place, not copied: a picture upload is often the largest block a call
    // touches, and a copy of it cost more than decoding it small.
    mOwned.clear();
    mOwned.shrink_to_fit();
    mBorrowed = inData;
    HoldNewData();
    return noErr;
}

ComponentResult GraphicsImporter::ImportGetImageDescription(ImageDescriptionHandle* outDesc)
{
    if (outDesc == nullptr || !mHasData)
        return paramErr;
    *outDesc = nullptr;
    const auto theInfo = CurrentInfo();
    if (!theInfo)
        return ResultOf(theInfo.Error());
    if (theInfo->mWidth > 32767 || theInfo->mHeight > 32767)
        return memFullErr;
    Handle theHandle = NewHandleClear(sizeof(ImageDescription));
    if (theHandle == nullptr)
        return MemError();
    auto theDesc = reinterpret_cast<ImageDescriptionHandle>(theHandle);
    ImageDescription& theRecord = **theDesc;
    theRecord.idSize = sizeof(ImageDescription);
    theRecord.cType = CodecTypeOf(mCodec);
    theRecord.spatialQuality = codecNormalQuality;
    theRecord.width = std::int16_t(theInfo->mWidth);
    theRecord.height = std::int16_t(theInfo->mHeight);
    const Fixed theResolution = IntToFixed(int(std::min<std::uint32_t>(theInfo->mResolution, 32767)));
    theRecord.hRes = theResolution;
    theRecord.vRes = theResolution;
    theRecord.frameCount = 1;
    SetPascal(theRecord.name, sizeof(theRecord.name), mCodec.Name());
    theRecord.depth = theInfo->mDepth;
    theRecord.clutID = -1;
    *outDesc = theDesc;
    return noErr;
}

ComponentResult GraphicsImporter::ImportSetSourceRect(const Rect* inRect)
{
    if (inRect == nullptr) {
        mHasSourceRect = false;
        return noErr;
    }
    if (inRect->right < inRect->left || inRect->bottom < inRect->top)
        return paramErr;
    mSourceRect = *inRect;
    mHasSourceRect = true;
    return noErr;
}

ComponentResult GraphicsImporter::ImportGetNaturalBounds(Rect* outBounds)
{
    if (outBounds == nullptr || !mHasData)
        return paramErr;
    const auto theInfo = DrawnInfo();
    if (!theInfo)
        return ResultOf(theInfo.Error());
    if (theInfo->mWidth > 32767 || theInfo->mHeight > 32767)
        return memFullErr;
    *outBounds = Rect{0, 0, std::int16_t(theInfo->mHeight), std::int16_t(theInfo->mWidth)};
    return noErr;
}

ComponentResult GraphicsImporter::ImportDraw()
{
    if (!mHasData)
        return paramErr;
    MatrixRecord theMatrix;
    if (mHasMatrix)
        theMatrix = mMatrix;
    else
        vximaging::SetIdentityMatrix(&theMatrix);
    if ((mDrawOptions & kGraphicsImportLanczos) != 0 && AreaSampler::Applies(ToDouble(theMatrix)))
        return DrawResampled(theMatrix);
    vx::codecs::DecodeOptions theOptions;
    theOptions.mMaxSide = vx::codecs::kStoreSideLimit;
    theOptions.mReduction = ChooseReduction(mCodec, theMatrix);
    auto theImage = mCodec.Decode(Bytes(), std::uint32_t(mIndex), theOptions);
    if (!theImage)
        return ResultOf(theImage.Error());
    std::uint32_t theWidth = theImage->mInfo.mWidth;
    std::uint32_t theHeight = theImage->mInfo.mHeight;
    MakeUpright(DrawnOrientation(), theImage->mPixels, theWidth, theHeight);

    Rect theSource = mHasSourceRect ? mSourceRect : Rect{0, 0, std::int16_t(theHeight), std::int16_t(theWidth)};
    ApplyReduction(theOptions.mReduction, theMatrix, mHasSourceRect ? &theSource : nullptr);
    return DrawPixels(theImage->mPixels, int(theWidth), int(theHeight), theSource, theMatrix);
}

ComponentResult GraphicsImporter::DrawResampled(const MatrixRecord& inMatrix)
{
    CGrafPtr thePort = mPort != nullptr ? mPort : CurrentPort();
    PixMapHandle thePixMap = vximaging::GetGWorldPixMap(thePort);
    if (thePixMap == nullptr || *thePixMap == nullptr)
        return paramErr;
    const Rect& theBounds = (*thePixMap)->bounds;
    const int theWindow[4] = {theBounds.left, theBounds.top, theBounds.right, theBounds.bottom};
    vx::codecs::DecodeOptions theOptions;
    theOptions.mMaxSide = vx::codecs::kStoreSideLimit;
    // The filter needs detail beyond the destination's to remove: a decode of twice its size at least.
    theOptions.mReduction = ChooseReduction(mCodec, inMatrix, 2);
    ResampleSink theSink(mHasSourceRect ? &mSourceRect : nullptr, inMatrix, theOptions.mReduction, theWindow);
    const int theOrientation = DrawnOrientation();
    if (theOrientation == 1) {
        const vx::codecs::Status theStatus = mCodec.DecodeInto(Bytes(), std::uint32_t(mIndex), theOptions, theSink);
        if (theStatus != vx::codecs::Status::kOk)
            return ResultOf(theStatus);
    } else {
        auto theImage = mCodec.Decode(Bytes(), std::uint32_t(mIndex), theOptions);
        if (!theImage)
            return ResultOf(theImage.Error());
        vx::codecs::ImageInfo& theInfo = theImage->mInfo;
        MakeUpright(theOrientation, theImage->mPixels, theInfo.mWidth, theInfo.mHeight);
        (void)theSink.Begin(theInfo);
        theSink.Take(theImage->mPixels.data(), 0, theInfo.mHeight);
    }
    ResampledPart& thePart = theSink.Part();
    if (thePart.mWidth == 0)
        return noErr;
    MatrixRecord theCopy;
    vximaging::SetIdentityMatrix(&theCopy);
    theCopy.matrix[2][0] = IntToFixed(thePart.mLeft);
    theCopy.matrix[2][1] = IntToFixed(thePart.mTop);
    const Rect theWhole{0, 0, std::int16_t(thePart.mHeight), std::int16_t(thePart.mWidth)};
    return DrawPixels(thePart.mPixels, int(thePart.mWidth), int(thePart.mHeight), theWhole, theCopy);
}

ComponentResult GraphicsImporter::DrawPixels(std::vector<std::uint8_t>& inPixels, int inWidth, int inHeight,
                                             Rect inSource, const MatrixRecord& inMatrix)
{
    CGrafPtr thePort = mPort != nullptr ? mPort : CurrentPort();
    PixMapHandle thePixMap = vximaging::GetGWorldPixMap(thePort);
    if (thePixMap == nullptr || *thePixMap == nullptr)
        return paramErr;

    Handle theHandle = NewHandleClear(sizeof(ImageDescription));
    if (theHandle == nullptr)
        return MemError();
    auto theDesc = reinterpret_cast<ImageDescriptionHandle>(theHandle);
    (*theDesc)->idSize = sizeof(ImageDescription);
    (*theDesc)->cType = kRawCodecType;
    (*theDesc)->width = std::int16_t(inWidth);
    (*theDesc)->height = std::int16_t(-inHeight);  // rows top-down, as the codec gives them
    (*theDesc)->hRes = (*theDesc)->vRes = IntToFixed(72);
    (*theDesc)->depth = 32;
    (*theDesc)->clutID = -1;

    // The operation colour is the port's: lend ours to the port for this one drawing.
    CGrafPtr theOldPort = nullptr;
    GDHandle theOldDevice = nullptr;
    vximaging::GetGWorld(&theOldPort, &theOldDevice);
    vximaging::SetGWorld(thePort, nullptr);
    const RGBColor theOldOpColor = thePort->rgbOpColor;
    vximaging::OpColor(&mOpColor);
    MatrixRecord theMatrix = inMatrix;
    const long theDataSize = long(inPixels.size());
    const OSErr theError = vximaging::FDecompressImage(
        reinterpret_cast<Ptr>(inPixels.data()), theDesc, thePixMap, &inSource, &theMatrix, mMode, nullptr, nullptr,
        nullptr, codecMaxQuality, bestFidelityCodec, theDataSize, nullptr, nullptr);
    vximaging::OpColor(&theOldOpColor);
    vximaging::SetGWorld(theOldPort, theOldDevice);
    DisposeHandle(theHandle);
    return theError;
}

ComponentResult GraphicsImporter::ImportSetGWorld(CGrafPtr inPort, GDHandle)
{
    mPort = inPort;
    return noErr;
}

ComponentResult GraphicsImporter::ImportSetMatrix(const MatrixRecord* inMatrix)
{
    mHasMatrix = inMatrix != nullptr;
    if (inMatrix != nullptr)
        mMatrix = *inMatrix;
    return noErr;
}

ComponentResult GraphicsImporter::ImportSetGraphicsMode(long inMode, const RGBColor* inOpColor)
{
    if (inMode < 0 || inMode > 32767)
        return paramErr;
    mMode = short(inMode);
    if (inOpColor != nullptr)
        mOpColor = *inOpColor;
    return noErr;
}

ComponentResult GraphicsImporter::ImportValidate(Boolean* outValid)
{
    if (outValid == nullptr || !mHasData)
        return paramErr;
    const auto theCount = Count();
    *outValid = theCount.Ok() && *theCount > 0 ? kTrue : kFalse;
    return noErr;
}

ComponentResult GraphicsImporter::ImportGetMIMETypeList(void* outContainer)
{
    return NewMimeList(mCodec, outContainer);
}

ComponentResult GraphicsImporter::ImportGetImageCount(unsigned long* outCount)
{
    if (outCount == nullptr || !mHasData)
        return paramErr;
    const auto theCount = Count();
    if (!theCount)
        return ResultOf(theCount.Error());
    *outCount = *theCount;
    return noErr;
}

ComponentResult GraphicsImporter::ImportSetImageIndex(unsigned long inIndex)
{
    if (!mHasData)
        return paramErr;
    const auto theCount = Count();
    if (!theCount)
        return ResultOf(theCount.Error());
    if (inIndex < 1 || inIndex > *theCount)
        return paramErr;
    mIndex = inIndex;
    return noErr;
}

ComponentResult GraphicsImporter::ImportGetNaturalSize(unsigned long* outWidth, unsigned long* outHeight)
{
    if (outWidth == nullptr || outHeight == nullptr || !mHasData)
        return paramErr;
    const auto theInfo = DrawnInfo();
    if (!theInfo)
        return ResultOf(theInfo.Error());
    *outWidth = theInfo->mWidth;
    *outHeight = theInfo->mHeight;
    return noErr;
}

ComponentResult GraphicsImporter::ImportSetDrawOptions(unsigned long inOptions)
{
    if ((inOptions & ~(kGraphicsImportUpright | kGraphicsImportLanczos)) != 0)
        return paramErr;
    mDrawOptions = inOptions;
    return noErr;
}

ComponentResult GraphicsImporter::ImportGetOrientation(long* outOrientation)
{
    if (outOrientation == nullptr || !mHasData)
        return paramErr;
    // Only a JPEG's first image carries an EXIF block this platform reads.
    const bool theReadable = mCodec.Format() == vx::codecs::ImageFormat::kJpeg && mIndex == 1;
    const vx::codecs::Bytes theBytes = Bytes();
    *outOrientation = theReadable ? JpegOrientation(theBytes.data(), theBytes.size()) : 1;
    return noErr;
}

int GraphicsImporter::DrawnOrientation()
{
    long theOrientation = 1;
    if ((mDrawOptions & kGraphicsImportUpright) != 0 && ImportGetOrientation(&theOrientation) != noErr)
        theOrientation = 1;
    return int(theOrientation);
}

vx::codecs::Result<vx::codecs::ImageInfo> GraphicsImporter::DrawnInfo()
{
    auto theInfo = CurrentInfo();
    if (theInfo && SwapsSides(DrawnOrientation()))
        std::swap(theInfo->mWidth, theInfo->mHeight);
    return theInfo;
}

OSErr GetGraphicsImporterForFile(const FSSpec* inFile, ComponentInstance* outImporter)
{
    if (inFile == nullptr || outImporter == nullptr)
        return paramErr;
    *outImporter = nullptr;
    std::string theBytes;
    if (const OSErr theError = ReadWholeFile(inFile, theBytes); theError != noErr)
        return theError;

    const std::string_view thePath(inFile->path);
    const std::size_t theSlash = thePath.rfind('/');
    const std::string_view theName = theSlash == std::string_view::npos ? thePath : thePath.substr(theSlash + 1);
    const std::size_t theDot = theName.rfind('.');
    const std::string_view theExtension =
        theDot == std::string_view::npos ? std::string_view() : theName.substr(theDot + 1);

    ComponentDescription theLooking{GraphicsImporterComponentType, 0, kImagingManufacturer, 0, 0};
    Component theByExtension = nullptr;
    for (Component theComponent = vximaging::FindNextComponent(nullptr, &theLooking); theComponent != nullptr;
         theComponent = vximaging::FindNextComponent(theComponent, &theLooking)) {
        const vx::codecs::Codec* theCodec = theComponent->mCodec;
        if (theCodec == nullptr)
            continue;
        if (theCodec->Sniff(BytesOf(theBytes)))
            return OpenImporterWithBytes(theComponent, std::move(theBytes), outImporter);
        if (theByExtension == nullptr && ExtensionListed(theCodec->Mime().mExtensions, theExtension))
            theByExtension = theComponent;
    }
    if (theByExtension == nullptr)
        return cantFindHandler;
    return OpenImporterWithBytes(theByExtension, std::move(theBytes), outImporter);
}

}  // namespace vximaging
