// Components and their instances inside the library. Every named importer and exporter call finds
// the open instance and calls the matching virtual operation of its implementation.
#pragma once

#include "imaging/Imaging.h"

#include <memory>
#include <string>

namespace vx::codecs {
class Codec;
}

namespace vximaging {

// What an instance can be asked; everything not overridden is not implemented.
class ComponentImpl {
public:
    virtual ~ComponentImpl() = default;

    virtual ComponentResult ImportSetDataHandle(Handle) { return badComponentSelector; }
    virtual ComponentResult ImportGetImageDescription(ImageDescriptionHandle*) { return badComponentSelector; }
    virtual ComponentResult ImportSetSourceRect(const Rect*) { return badComponentSelector; }
    virtual ComponentResult ImportGetNaturalBounds(Rect*) { return badComponentSelector; }
    virtual ComponentResult ImportDraw() { return badComponentSelector; }
    virtual ComponentResult ImportSetGWorld(CGrafPtr, GDHandle) { return badComponentSelector; }
    virtual ComponentResult ImportSetMatrix(const MatrixRecord*) { return badComponentSelector; }
    virtual ComponentResult ImportSetGraphicsMode(long, const RGBColor*) { return badComponentSelector; }
    virtual ComponentResult ImportValidate(Boolean*) { return badComponentSelector; }
    virtual ComponentResult ImportGetMIMETypeList(void*) { return badComponentSelector; }
    virtual ComponentResult ImportGetImageCount(unsigned long*) { return badComponentSelector; }
    virtual ComponentResult ImportSetImageIndex(unsigned long) { return badComponentSelector; }
    virtual ComponentResult ImportGetNaturalSize(unsigned long*, unsigned long*) { return badComponentSelector; }
    virtual ComponentResult ImportSetDrawOptions(unsigned long) { return badComponentSelector; }
    virtual ComponentResult ImportGetOrientation(long*) { return badComponentSelector; }

    virtual ComponentResult ExportDoExport(unsigned long*) { return badComponentSelector; }
    virtual ComponentResult ExportGetDefaultFileNameExtension(OSType*) { return badComponentSelector; }
    virtual ComponentResult ExportGetMIMETypeList(void*) { return badComponentSelector; }
    virtual ComponentResult ExportSetInterlaceStyle(unsigned long) { return badComponentSelector; }
    virtual ComponentResult ExportSetCompressionQuality(CodecQ) { return badComponentSelector; }
    virtual ComponentResult ExportSetDepth(long) { return badComponentSelector; }
    virtual ComponentResult ExportSetInputGWorld(GWorldPtr) { return badComponentSelector; }
    virtual ComponentResult ExportSetOutputFile(const FSSpec*) { return badComponentSelector; }
    virtual ComponentResult ExportSetOutputHandle(Handle) { return badComponentSelector; }

    // Called once the instance is registered; a failure closes it again.
    virtual ComponentResult Open(ComponentInstance) { return noErr; }
};

using ComponentFactory = std::unique_ptr<ComponentImpl> (*)(const vx::codecs::Codec* inCodec);

// The implementation of an open instance, or null when inInstance is not one.
ComponentImpl* ImplOf(ComponentInstance inInstance);

// A new MIME type list for a codec ('ext ', 'mime' atoms, 'desc'), in *outContainer.
ComponentResult NewMimeList(const vx::codecs::Codec& inCodec, void* outContainer);
// Importers also read files; this one makes an instance that already holds the bytes.
OSErr OpenImporterWithBytes(Component inComponent, std::string&& inBytes, ComponentInstance* outInstance);

}  // namespace vximaging

struct ComponentRecord {
    ComponentDescription mDesc{};
    std::string mName;
    std::string mInfo;
    vximaging::ComponentFactory mFactory = nullptr;  // the platform's own components
    const vx::codecs::Codec* mCodec = nullptr;
    ComponentRoutineProcPtr mRoutine = nullptr;  // registered components
    bool mLive = true;
    long mOpen = 0;  // open instances
};
