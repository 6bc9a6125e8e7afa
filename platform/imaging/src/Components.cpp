// The component table, instances, and the named calls that reach an instance's implementation.
#include "ComponentTable.h"
#include "GraphicsExporter.h"
#include "GraphicsImporter.h"
#include "Impl.h"

#include "codecs/CodecNames.h"
#include "codecs/CodecRegistry.h"

#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <type_traits>
#include <vector>

struct ComponentInstanceRecord {
    ComponentRecord* mComponent = nullptr;
    std::unique_ptr<vximaging::ComponentImpl> mImpl;
    OSErr mError = noErr;
};

namespace vximaging {

namespace {

thread_local OSErr tPendingError = noErr;

// Subtypes of the importer and exporter of each format, in the codec registry's order.
constexpr OSType kFormatSubtypes[] = {FourCharCode("PNGf"), FourCharCode("JPEG"), FourCharCode("GIFf"),
                                      FourCharCode("BMPf"), FourCharCode("TIFF"), FourCharCode("WEBP")};

class EmptyComponent final : public ComponentImpl {};

std::unique_ptr<ComponentImpl> MakeEmpty(const vx::codecs::Codec*)
{
    return std::make_unique<EmptyComponent>();
}

// A registered component: every call goes to its routine.
class RoutineComponent final : public ComponentImpl {
public:
    explicit RoutineComponent(ComponentRoutineProcPtr inRoutine) : mRoutine(inRoutine) {}
    ~RoutineComponent() override
    {
        if (mSelf != nullptr)
            Call(kComponentCloseSelect, mSelf);
    }

    ComponentResult Open(ComponentInstance inSelf) override
    {
        const ComponentResult theResult = Call(kComponentOpenSelect, inSelf);
        if (theResult == noErr)
            mSelf = inSelf;
        return theResult;
    }

    ComponentResult ImportSetDataHandle(Handle a) override { return Call(kGraphicsImportSetDataHandleSelect, a); }
    ComponentResult ImportGetImageDescription(ImageDescriptionHandle* a) override
    {
        return Call(kGraphicsImportGetImageDescriptionSelect, a);
    }
    ComponentResult ImportSetSourceRect(const Rect* a) override { return Call(kGraphicsImportSetSourceRectSelect, a); }
    ComponentResult ImportGetNaturalBounds(Rect* a) override { return Call(kGraphicsImportGetNaturalBoundsSelect, a); }
    ComponentResult ImportDraw() override { return Call(kGraphicsImportDrawSelect); }
    ComponentResult ImportSetGWorld(CGrafPtr a, GDHandle b) override
    {
        return Call(kGraphicsImportSetGWorldSelect, a, b);
    }
    ComponentResult ImportSetMatrix(const MatrixRecord* a) override { return Call(kGraphicsImportSetMatrixSelect, a); }
    ComponentResult ImportSetGraphicsMode(long a, const RGBColor* b) override
    {
        return Call(kGraphicsImportSetGraphicsModeSelect, a, b);
    }
    ComponentResult ImportValidate(Boolean* a) override { return Call(kGraphicsImportValidateSelect, a); }
    ComponentResult ImportGetMIMETypeList(void* a) override { return Call(kGraphicsImportGetMIMETypeListSelect, a); }
    ComponentResult ImportGetImageCount(unsigned long* a) override
    {
        return Call(kGraphicsImportGetImageCountSelect, a);
    }
    ComponentResult ImportSetImageIndex(unsigned long a) override
    {
        return Call(kGraphicsImportSetImageIndexSelect, a);
    }
    ComponentResult ImportGetNaturalSize(unsigned long* a, unsigned long* b) override
    {
        return Call(kGraphicsImportGetNaturalSizeSelect, a, b);
    }
    ComponentResult ImportSetDrawOptions(unsigned long a) override
    {
        return Call(kGraphicsImportSetDrawOptionsSelect, a);
    }
    ComponentResult ImportGetOrientation(long* a) override { return Call(kGraphicsImportGetOrientationSelect, a); }

    ComponentResult ExportDoExport(unsigned long* a) override { return Call(kGraphicsExportDoExportSelect, a); }
    ComponentResult ExportGetDefaultFileNameExtension(OSType* a) override
    {
        return Call(kGraphicsExportGetDefaultFileNameExtensionSelect, a);
    }
    ComponentResult ExportGetMIMETypeList(void* a) override { return Call(kGraphicsExportGetMIMETypeListSelect, a); }
    ComponentResult ExportSetInterlaceStyle(unsigned long a) override
    {
        return Call(kGraphicsExportSetInterlaceStyleSelect, a);
    }
    ComponentResult ExportSetCompressionQuality(CodecQ a) override
    {
        return Call(kGraphicsExportSetCompressionQualitySelect, a);
    }
    ComponentResult ExportSetDepth(long a) override { return Call(kGraphicsExportSetDepthSelect, a); }
    ComponentResult ExportSetInputGWorld(GWorldPtr a) override { return Call(kGraphicsExportSetInputGWorldSelect, a); }
    ComponentResult ExportSetOutputFile(const FSSpec* a) override
    {
        return Call(kGraphicsExportSetOutputFileSelect, a);
    }
    ComponentResult ExportSetOutputHandle(Handle a) override { return Call(kGraphicsExportSetOutputHandleSelect, a); }

private:
    template <class T>
    static long Widen(T inValue)
    {
        if constexpr (std::is_pointer_v<T>)
            return reinterpret_cast<long>(inValue);
        else
            return static_cast<long>(inValue);
    }

    template <class... Args>
    ComponentResult Call(std::int16_t inWhat, Args... inArgs)
    {
        ComponentParameters theParams{};
        theParams.what = inWhat;
        int theCount = 0;
        ((theParams.params[theCount++] = Widen(inArgs)), ...);
        theParams.paramSize = std::uint8_t(theCount * sizeof(long));
        return mRoutine(&theParams, nullptr);
    }

    ComponentRoutineProcPtr mRoutine;
    ComponentInstance mSelf = nullptr;
};

class Registry {
public:
    static Registry& Instance()
    {
        static Registry sRegistry;
        return sRegistry;
    }

    std::mutex mMutex;
    std::deque<ComponentRecord> mComponents;  // stable addresses; the platform's own first
    std::size_t mOwnCount = 0;
    std::set<ComponentInstanceRecord*> mInstances;

private:
    Registry()
    {
        const auto theCodecs = vx::codecs::CodecRegistry::All();
        for (std::size_t theIndex = 0; theIndex < theCodecs.size(); ++theIndex) {
            const vx::codecs::Codec* theCodec = theCodecs[theIndex];
            const std::string theName(theCodec->Name());
            mComponents.push_back(ComponentRecord{
                {GraphicsImporterComponentType, kFormatSubtypes[theIndex], kImagingManufacturer, kHasMIMETypeList, 0},
                theName,
                "Reads " + theName + " pictures",
                &GraphicsImporter::Make,
                theCodec,
                nullptr,
                true,
                0});
        }
        mComponents.push_back(ComponentRecord{{GraphicsExporterComponentType, FourCharCode("base"),
                                               kImagingManufacturer, graphicsExporterIsBaseExporter, 0},
                                              "Base",
                                              "Common part of the exporters",
                                              &MakeEmpty,
                                              nullptr,
                                              nullptr,
                                              true,
                                              0});
        for (std::size_t theIndex = 0; theIndex < theCodecs.size(); ++theIndex) {
            const vx::codecs::Codec* theCodec = theCodecs[theIndex];
            if (!theCodec->CanEncode())
                continue;
            const std::string theName(theCodec->Name());
            mComponents.push_back(ComponentRecord{
                {GraphicsExporterComponentType, kFormatSubtypes[theIndex], kImagingManufacturer, kHasMIMETypeList, 0},
                theName,
                "Writes " + theName + " pictures",
                &GraphicsExporter::Make,
                theCodec,
                nullptr,
                true,
                0});
        }
        for (const vx::codecs::CodecName& theCodec : vx::codecs::CodecNameList()) {
            mComponents.push_back(ComponentRecord{{compressorComponentType, theCodec.mType, kImagingManufacturer, 0, 0},
                                                  std::string(theCodec.mName),
                                                  std::string(theCodec.mName) + " codec",
                                                  &MakeEmpty,
                                                  nullptr,
                                                  nullptr,
                                                  true,
                                                  0});
        }
        mOwnCount = mComponents.size();
    }
};

bool Matches(const ComponentRecord& inComponent, const ComponentDescription* inLooking)
{
    if (!inComponent.mLive)
        return false;
    if (inLooking == nullptr)
        return true;
    const ComponentDescription& theDesc = inComponent.mDesc;
    return (inLooking->componentType == 0 || inLooking->componentType == theDesc.componentType) &&
           (inLooking->componentSubType == 0 || inLooking->componentSubType == theDesc.componentSubType) &&
           (inLooking->componentManufacturer == 0 ||
            inLooking->componentManufacturer == theDesc.componentManufacturer) &&
           ((theDesc.componentFlags ^ inLooking->componentFlags) & inLooking->componentFlagsMask) == 0;
}

// Index of a component in the table, or -1. Callers hold the registry's mutex.
long IndexOf(Registry& inRegistry, Component inComponent)
{
    for (std::size_t theIndex = 0; theIndex < inRegistry.mComponents.size(); ++theIndex)
        if (&inRegistry.mComponents[theIndex] == inComponent)
            return long(theIndex);
    return -1;
}

OSErr Record(OSErr inError)
{
    tPendingError = inError;
    return inError;
}

ComponentResult RecordResult(ComponentInstance inInstance, ComponentResult inResult)
{
    // Results beyond 16 bits (a call not implemented) are answers, not failures of the instance.
    if (inResult >= -32768 && inResult <= 32767) {
        inInstance->mError = OSErr(inResult);
        tPendingError = OSErr(inResult);
    }
    return inResult;
}

template <class Operation>
ComponentResult CallInstance(ComponentInstance inInstance, Operation&& inOperation)
{
    if (ImplOf(inInstance) == nullptr) {
        tPendingError = invalidComponentID;
        return badComponentInstance;
    }
    return RecordResult(inInstance, inOperation(*inInstance->mImpl));
}

std::string PascalText(Handle inHandle)
{
    if (inHandle == nullptr || GetHandleSize(inHandle) < 1)
        return {};
    const Size theSize = GetHandleSize(inHandle);
    const auto* theBytes = reinterpret_cast<const unsigned char*>(*inHandle);
    return std::string(reinterpret_cast<const char*>(theBytes + 1),
                       std::size_t(std::min<Size>(theBytes[0], theSize - 1)));
}

OSErr FillPascal(Handle ioHandle, const std::string& inText)
{
    if (ioHandle == nullptr)
        return noErr;
    const std::size_t theLength = std::min<std::size_t>(inText.size(), 255);
    SetHandleSize(ioHandle, Size(theLength + 1));
    if (const OSErr theError = MemError(); theError != noErr)
        return theError;
    (*ioHandle)[0] = char(theLength);
    std::memcpy(*ioHandle + 1, inText.data(), theLength);
    return noErr;
}

}  // namespace

ComponentImpl* ImplOf(ComponentInstance inInstance)
{
    if (inInstance == nullptr)
        return nullptr;
    Registry& theRegistry = Registry::Instance();
    std::lock_guard theLock(theRegistry.mMutex);
    return theRegistry.mInstances.count(inInstance) != 0 ? inInstance->mImpl.get() : nullptr;
}

Component FindNextComponent(Component inAfter, ComponentDescription* inLooking)
{
    Registry& theRegistry = Registry::Instance();
    std::lock_guard theLock(theRegistry.mMutex);
    long theStart = 0;
    if (inAfter != nullptr) {
        const long theIndex = IndexOf(theRegistry, inAfter);
        if (theIndex < 0)
            return nullptr;
        theStart = theIndex + 1;
    }
    for (std::size_t theIndex = std::size_t(theStart); theIndex < theRegistry.mComponents.size(); ++theIndex)
        if (Matches(theRegistry.mComponents[theIndex], inLooking))
            return &theRegistry.mComponents[theIndex];
    return nullptr;
}

long CountComponents(ComponentDescription* inLooking)
{
    Registry& theRegistry = Registry::Instance();
    std::lock_guard theLock(theRegistry.mMutex);
    long theCount = 0;
    for (const ComponentRecord& theComponent : theRegistry.mComponents)
        theCount += Matches(theComponent, inLooking) ? 1 : 0;
    return theCount;
}

OSErr GetComponentInfo(Component inComponent, ComponentDescription* outDesc, Handle outName, Handle outInfo,
                       Handle outIcon)
{
    Registry& theRegistry = Registry::Instance();
    ComponentRecord theCopy;
    {
        std::lock_guard theLock(theRegistry.mMutex);
        if (IndexOf(theRegistry, inComponent) < 0 || !inComponent->mLive)
            return Record(invalidComponentID);
        theCopy = *inComponent;
    }
    if (outDesc != nullptr)
        *outDesc = theCopy.mDesc;
    if (const OSErr theError = FillPascal(outName, theCopy.mName); theError != noErr)
        return Record(theError);
    if (const OSErr theError = FillPascal(outInfo, theCopy.mInfo); theError != noErr)
        return Record(theError);
    if (outIcon != nullptr) {
        SetHandleSize(outIcon, 0);
        if (MemError() != noErr)
            return Record(MemError());
    }
    return Record(noErr);
}

OSErr OpenAComponent(Component inComponent, ComponentInstance* outInstance)
{
    if (outInstance == nullptr)
        return Record(paramErr);
    *outInstance = nullptr;
    Registry& theRegistry = Registry::Instance();
    ComponentFactory theFactory = nullptr;
    const vx::codecs::Codec* theCodec = nullptr;
    ComponentRoutineProcPtr theRoutine = nullptr;
    {
        std::lock_guard theLock(theRegistry.mMutex);
        if (IndexOf(theRegistry, inComponent) < 0 || !inComponent->mLive)
            return Record(invalidComponentID);
        theFactory = inComponent->mFactory;
        theCodec = inComponent->mCodec;
        theRoutine = inComponent->mRoutine;
    }
    auto theInstance = std::make_unique<ComponentInstanceRecord>();
    theInstance->mComponent = inComponent;
    try {
        theInstance->mImpl =
            theRoutine != nullptr ? std::make_unique<RoutineComponent>(theRoutine) : theFactory(theCodec);
    } catch (const std::bad_alloc&) {
        return Record(memFullErr);
    }
    {
        std::lock_guard theLock(theRegistry.mMutex);
        theRegistry.mInstances.insert(theInstance.get());
        ++inComponent->mOpen;
    }
    if (const ComponentResult theResult = theInstance->mImpl->Open(theInstance.get()); theResult != noErr) {
        vximaging::CloseComponent(theInstance.release());
        return Record(theResult >= -32768 && theResult < 0 ? OSErr(theResult) : cantOpenHandler);
    }
    *outInstance = theInstance.release();
    return Record(noErr);
}

ComponentInstance OpenComponent(Component inComponent)
{
    ComponentInstance theInstance = nullptr;
    vximaging::OpenAComponent(inComponent, &theInstance);
    return theInstance;
}

OSErr CloseComponent(ComponentInstance inInstance)
{
    Registry& theRegistry = Registry::Instance();
    {
        std::lock_guard theLock(theRegistry.mMutex);
        if (inInstance == nullptr || theRegistry.mInstances.erase(inInstance) == 0)
            return Record(invalidComponentID);
        --inInstance->mComponent->mOpen;
    }
    delete inInstance;
    return Record(noErr);
}

OSErr GetComponentInstanceError(ComponentInstance inInstance)
{
    if (ImplOf(inInstance) == nullptr)
        return invalidComponentID;
    return inInstance->mError;
}

OSErr GetMoviesError()
{
    return tPendingError;
}

Component RegisterComponent(ComponentDescription* inDesc, ComponentRoutineProcPtr inRoutine, short, Handle inName,
                            Handle inInfo, Handle)
{
    if (inDesc == nullptr || inRoutine == nullptr)
        return nullptr;
    ComponentRecord theRecord;
    theRecord.mDesc = *inDesc;
    theRecord.mDesc.componentFlagsMask = 0;
    theRecord.mName = PascalText(inName);
    theRecord.mInfo = PascalText(inInfo);
    theRecord.mRoutine = inRoutine;
    Registry& theRegistry = Registry::Instance();
    std::lock_guard theLock(theRegistry.mMutex);
    theRegistry.mComponents.push_back(std::move(theRecord));
    return &theRegistry.mComponents.back();
}

OSErr UnregisterComponent(Component inComponent)
{
    Registry& theRegistry = Registry::Instance();
    std::lock_guard theLock(theRegistry.mMutex);
    const long theIndex = IndexOf(theRegistry, inComponent);
    if (theIndex < long(theRegistry.mOwnCount) || !inComponent->mLive)
        return invalidComponentID;
    if (inComponent->mOpen > 0)
        return fBsyErr;
    // The record stays, dead, so that the address is never reused for another component.
    inComponent->mLive = false;
    return noErr;
}

OSErr OpenImporterWithBytes(Component inComponent, std::string&& inBytes, ComponentInstance* outInstance)
{
    if (const OSErr theError = vximaging::OpenAComponent(inComponent, outInstance); theError != noErr)
        return theError;
    auto* theImporter = dynamic_cast<GraphicsImporter*>((*outInstance)->mImpl.get());
    if (theImporter == nullptr) {
        vximaging::CloseComponent(*outInstance);
        *outInstance = nullptr;
        return Record(cantOpenHandler);
    }
    theImporter->TakeBytes(std::move(inBytes));
    return noErr;
}

// The named calls.
#define VX_FORWARD(Name, Method, Params, Args)                                                                         \
    ComponentResult Name Params                                                                                        \
    {                                                                                                                  \
        return CallInstance(inInstance, [&](ComponentImpl& inImpl) { return inImpl.Method Args; });                    \
    }

VX_FORWARD(GraphicsImportSetDataHandle, ImportSetDataHandle, (ComponentInstance inInstance, Handle a), (a))
VX_FORWARD(GraphicsImportGetImageDescription, ImportGetImageDescription,
           (ComponentInstance inInstance, ImageDescriptionHandle* a), (a))
VX_FORWARD(GraphicsImportSetSourceRect, ImportSetSourceRect, (ComponentInstance inInstance, const Rect* a), (a))
VX_FORWARD(GraphicsImportGetNaturalBounds, ImportGetNaturalBounds, (ComponentInstance inInstance, Rect* a), (a))
VX_FORWARD(GraphicsImportDraw, ImportDraw, (ComponentInstance inInstance), ())
VX_FORWARD(GraphicsImportSetGWorld, ImportSetGWorld, (ComponentInstance inInstance, CGrafPtr a, GDHandle b), (a, b))
VX_FORWARD(GraphicsImportSetMatrix, ImportSetMatrix, (ComponentInstance inInstance, const MatrixRecord* a), (a))
VX_FORWARD(GraphicsImportSetGraphicsMode, ImportSetGraphicsMode,
           (ComponentInstance inInstance, long a, const RGBColor* b), (a, b))
VX_FORWARD(GraphicsImportValidate, ImportValidate, (ComponentInstance inInstance, Boolean* a), (a))
VX_FORWARD(GraphicsImportGetMIMETypeList, ImportGetMIMETypeList, (ComponentInstance inInstance, void* a), (a))
VX_FORWARD(GraphicsImportGetImageCount, ImportGetImageCount, (ComponentInstance inInstance, unsigned long* a), (a))
VX_FORWARD(GraphicsImportSetImageIndex, ImportSetImageIndex, (ComponentInstance inInstance, unsigned long a), (a))
VX_FORWARD(GraphicsImportGetNaturalSize, ImportGetNaturalSize,
           (ComponentInstance inInstance, unsigned long* a, unsigned long* b), (a, b))
VX_FORWARD(GraphicsImportSetDrawOptions, ImportSetDrawOptions, (ComponentInstance inInstance, unsigned long a), (a))
VX_FORWARD(GraphicsImportGetOrientation, ImportGetOrientation, (ComponentInstance inInstance, long* a), (a))

VX_FORWARD(GraphicsExportDoExport, ExportDoExport, (ComponentInstance inInstance, unsigned long* a), (a))
VX_FORWARD(GraphicsExportGetDefaultFileNameExtension, ExportGetDefaultFileNameExtension,
           (ComponentInstance inInstance, OSType* a), (a))
VX_FORWARD(GraphicsExportGetMIMETypeList, ExportGetMIMETypeList, (ComponentInstance inInstance, void* a), (a))
VX_FORWARD(GraphicsExportSetInterlaceStyle, ExportSetInterlaceStyle, (ComponentInstance inInstance, unsigned long a),
           (a))
VX_FORWARD(GraphicsExportSetCompressionQuality, ExportSetCompressionQuality, (ComponentInstance inInstance, CodecQ a),
           (a))
VX_FORWARD(GraphicsExportSetDepth, ExportSetDepth, (ComponentInstance inInstance, long a), (a))
VX_FORWARD(GraphicsExportSetInputGWorld, ExportSetInputGWorld, (ComponentInstance inInstance, GWorldPtr a), (a))
VX_FORWARD(GraphicsExportSetOutputFile, ExportSetOutputFile, (ComponentInstance inInstance, const FSSpec* a), (a))
VX_FORWARD(GraphicsExportSetOutputHandle, ExportSetOutputHandle, (ComponentInstance inInstance, Handle a), (a))

#undef VX_FORWARD

}  // namespace vximaging
