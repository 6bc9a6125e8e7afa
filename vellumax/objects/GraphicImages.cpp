#include "vellumax/objects/GraphicImages.h"

const vx::DispatchTable& GraphicImagesTable()
{
    static const vx::DispatchTable theTable = CollectionTable<IGraphicImages>(
        IID_IGraphicImages, "IGraphicImages", "The images of a picture", "An image by number from 1");
    return theTable;
}
