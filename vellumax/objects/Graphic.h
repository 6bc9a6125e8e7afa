// Graphic: what a picture file or picture bytes hold (format, drawability and
// one GraphicImage per image), through an importer kept open while the object
// lives or until the next SetFile or SetData.
#pragma once

#include <memory>
#include <source_location>
#include <string>

#include <automation/Dispatch.h>
#include <vellumax/IGraphic.h>
#include <vellumax/IGraphicImages.h>

#include "imaging/Components.h"
#include "imaging/MacTypes.h"
#include "vellumax/formats/QTUtils.h"
#include "vellumax/objects/QuickTimeSession.h"

const vx::DispatchTable& GraphicTable();

class Graphic final
    : public vx::ComObject<Graphic, vx::DispatchImpl<IGraphic, GraphicTable>, vx::SupportErrorInfo<Graphic>> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<IGraphic, IID_IGraphic>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;

    HRESULT SetFile(VARIANT* inFile) override;
    HRESULT SetData(VARIANT* inData, VARIANT* inType) override;
    HRESULT get_Format(VARIANT* outValue) override;
    HRESULT get_Drawable(VARIANT* outValue) override;
    HRESULT get_GraphicImages(IDispatch** outValue) override;

private:
    using ImporterRef = ComponentRef;

    template <class Body>
    HRESULT Frame(Body&& inBody, std::source_location inWhere = std::source_location::current());
    // Forgets the current source: importer, bytes, count and images.
    void Forget();
    // Takes inImporter (or none) and asks it for its image count.
    void Adopt(ComponentInstance inImporter);

    // Declared first so that it is stopped last, after the importer is closed.
    QuickTimeSession mSession;
    ImporterRef mImporter;
    HandleRef mData;
    std::string mPath;
    std::string mType;
    unsigned long mImageCount = 0;
    // Built at the first GraphicImages of a source and handed out again: the
    // collection is read-only, and describing every image of a long file once is enough.
    vx::ComPtr<IGraphicImages> mImages;
    // Describes every image into a new collection; an HRESULT of the failure's report otherwise.
    HRESULT BuildImages(IGraphicImages*& outImages);
};
