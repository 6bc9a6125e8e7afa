// GraphicImage: one image of a picture (depth, resolution, natural rectangle),
// filled by Graphic when it builds its GraphicImages collection.
#pragma once

#include <cstdint>

#include <automation/Dispatch.h>
#include <vellumax/IGraphicImage.h>

#include "vellumax/params/Utilities.h"

const vx::DispatchTable& GraphicImageTable();

class GraphicImage final : public vx::ComObject<GraphicImage, vx::DispatchImpl<IGraphicImage, GraphicImageTable>,
                                                vx::SupportErrorInfo<GraphicImage>> {
public:
    using Interfaces =
        vx::InterfaceMap<vx::Answers<IGraphicImage, IID_IGraphicImage>, vx::Answers<IDispatch, IID_IDispatch>,
                         vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;

    HRESULT get_Depth(VARIANT* outValue) override;
    HRESULT get_Resolution(VARIANT* outValue) override;
    HRESULT get_Rectangle(VARIANT* outValue) override;
    HRESULT SetValues(LONG inNum, LONG inDepth, LONG inRes, LONG inLeft, LONG inTop, LONG inRight,
                      LONG inBottom) override;
    HRESULT get_Orientation(VARIANT* outValue) override;
    HRESULT get_UprightRectangle(VARIANT* outValue) override;

    // The EXIF orientation Graphic read; values other than 1 to 8 count as 1.
    void SetOrientation(std::int32_t inOrientation);

private:
    // Stored for the record; no property shows it.
    std::int32_t mNumber = 0;
    LongRect mRect{};
    std::int32_t mDepth = 0;
    std::int32_t mResolution = 0;
    std::int32_t mOrientation = 1;
};
