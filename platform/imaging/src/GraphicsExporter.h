// An exporter over one codec: input world, output (file or handle) and the encoding settings.
#pragma once

#include "ComponentTable.h"

#include "codecs/EncodeOptions.h"

#include <vector>

namespace vximaging {

class GraphicsExporter final : public ComponentImpl {
public:
    explicit GraphicsExporter(const vx::codecs::Codec& inCodec) : mCodec(inCodec) {}
    static std::unique_ptr<ComponentImpl> Make(const vx::codecs::Codec* inCodec);

    ComponentResult ExportDoExport(unsigned long* outActualSizeWritten) override;
    ComponentResult ExportGetDefaultFileNameExtension(OSType* outExtension) override;
    ComponentResult ExportGetMIMETypeList(void* outContainer) override;
    ComponentResult ExportSetInterlaceStyle(unsigned long inStyle) override;
    ComponentResult ExportSetCompressionQuality(CodecQ inQuality) override;
    ComponentResult ExportSetDepth(long inDepth) override;
    ComponentResult ExportSetInputGWorld(GWorldPtr inWorld) override;
    ComponentResult ExportSetOutputFile(const FSSpec* inFile) override;
    ComponentResult ExportSetOutputHandle(Handle inHandle) override;

private:
    ComponentResult WriteFile(const std::vector<std::uint8_t>& inBytes);

    const vx::codecs::Codec& mCodec;
    vx::codecs::EncodeOptions mOptions;
    GWorldPtr mInput = nullptr;
    bool mToFile = false;
    FSSpec mFile{};
    Handle mOutput = nullptr;
};

}  // namespace vximaging
