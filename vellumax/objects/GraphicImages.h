// GraphicImages: the images of a picture, one GraphicImage each, in file order, filled once by the
// object that makes it.
#pragma once

#include <vellumax/IGraphicImages.h>

#include "vellumax/objects/CollectionImpl.h"

const vx::DispatchTable& GraphicImagesTable();

class GraphicImages final : public vx::ComObject<GraphicImages, CollectionImpl<IGraphicImages, GraphicImagesTable>,
                                                 vx::SupportErrorInfo<GraphicImages>> {
public:
    using Interfaces =
        vx::InterfaceMap<vx::Answers<IGraphicImages, IID_IGraphicImages>, vx::Answers<IDispatch, IID_IDispatch>,
                         vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;
};
