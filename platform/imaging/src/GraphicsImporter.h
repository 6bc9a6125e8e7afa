// An importer over one codec: holds the bytes, the chosen image and the drawing settings.
#pragma once

#include "ComponentTable.h"

#include <optional>
#include <string>
#include <vector>

#include "codecs/Codec.h"

namespace vximaging {

class GraphicsImporter final : public ComponentImpl {
public:
    explicit GraphicsImporter(const vx::codecs::Codec& inCodec) : mCodec(inCodec) {}
    static std::unique_ptr<ComponentImpl> Make(const vx::codecs::Codec* inCodec);

    void TakeBytes(std::string&& inBytes);

    // The handle's bytes are read in place: the caller keeps the handle alive, and its
    // bytes unchanged, until the importer is closed or given other data.
    ComponentResult ImportSetDataHandle(Handle inData) override;
    ComponentResult ImportGetImageDescription(ImageDescriptionHandle* outDesc) override;
    ComponentResult ImportSetSourceRect(const Rect* inRect) override;
    ComponentResult ImportGetNaturalBounds(Rect* outBounds) override;
    ComponentResult ImportDraw() override;
    ComponentResult ImportSetGWorld(CGrafPtr inPort, GDHandle inDevice) override;
    ComponentResult ImportSetMatrix(const MatrixRecord* inMatrix) override;
    ComponentResult ImportSetGraphicsMode(long inMode, const RGBColor* inOpColor) override;
    ComponentResult ImportValidate(Boolean* outValid) override;
    ComponentResult ImportGetMIMETypeList(void* outContainer) override;
    ComponentResult ImportGetImageCount(unsigned long* outCount) override;
    ComponentResult ImportSetImageIndex(unsigned long inIndex) override;
    ComponentResult ImportGetNaturalSize(unsigned long* outWidth, unsigned long* outHeight) override;
    ComponentResult ImportSetDrawOptions(unsigned long inOptions) override;
    ComponentResult ImportGetOrientation(long* outOrientation) override;

private:
    // New data: what was read from the old is forgotten.
    void HoldNewData();
    vx::codecs::Bytes Bytes() const;
    // The count and the images' facts are read from the bytes once, when first asked for.
    vx::codecs::Result<std::uint32_t> Count();
    vx::codecs::Result<vx::codecs::ImageInfo> CurrentInfo();
    // The orientation drawing applies: the file's with the upright option, else 1.
    int DrawnOrientation();
    // CurrentInfo's sides, swapped where the drawn orientation turns the picture.
    vx::codecs::Result<vx::codecs::ImageInfo> DrawnInfo();
    // resample=lanczos: the picture resampled onto whole pixels of the port, then copied 1:1.
    ComponentResult DrawResampled(const MatrixRecord& inMatrix);
    // Draws decoded pixels (B, G, R, A, rows packed) into the port.
    ComponentResult DrawPixels(std::vector<std::uint8_t>& inPixels, int inWidth, int inHeight, Rect inSource,
                               const MatrixRecord& inMatrix);

    const vx::codecs::Codec& mCodec;
    std::string mOwned;          // a file's bytes, read by the importer
    Handle mBorrowed = nullptr;  // else the caller's handle
    std::optional<vx::codecs::Result<std::uint32_t>> mCount;
    std::optional<vx::codecs::Result<vx::codecs::ImageInfo>> mFirstInfo;
    std::optional<vx::codecs::Result<vx::codecs::Codec::ImageInfos>> mInfos;
    bool mHasData = false;
    unsigned long mIndex = 1;
    bool mHasSourceRect = false;
    Rect mSourceRect{};
    bool mHasMatrix = false;
    MatrixRecord mMatrix{};
    CGrafPtr mPort = nullptr;
    short mMode = srcCopy;
    RGBColor mOpColor{0, 0, 0};
    unsigned long mDrawOptions = 0;
};

}  // namespace vximaging
