#include "vellumax/objects/Graphic.h"

#include <automation/ComVariant.h>
#include <automation/Variant.h>

#include "imaging/GraphicsImport.h"
#include "imaging/Memory.h"
#include "vellumax/formats/QTUtils.h"
#include "vellumax/objects/ClassObjects.h"
#include "vellumax/objects/GraphicImage.h"
#include "vellumax/objects/GraphicImages.h"
#include "vellumax/objects/HandleBytes.h"
#include "vellumax/objects/MethodFrame.h"
#include "vellumax/objects/ValueCoercion.h"
#include "vellumax/params/Utilities.h"

namespace {

const ObjectIdentity kWho{IID_IGraphic, "Vellumax.Graphic.1"};

}  // namespace

const vx::DispatchTable& GraphicTable()
{
    using vx::In;
    using vx::Retval;
    static const vx::DispatchTable theTable(
        IID_IGraphic, "IGraphic", "Tells what a picture file or picture data holds",
        {
            vx::Method<&IGraphic::SetFile>(kGraphicSetFile, "SetFile", "Reads a picture file", In("inFile")),
            vx::Method<&IGraphic::SetData>(kGraphicSetData, "SetData", "Reads a picture held in bytes", In("inData"),
                                           In("inType")),
            vx::PropertyGet<&IGraphic::get_Format>(kGraphicFormat, "Format", "The name of the picture's format",
                                                   Retval("outValue")),
            vx::PropertyGet<&IGraphic::get_Drawable>(kGraphicDrawable, "Drawable", "Whether the picture can be drawn",
                                                     Retval("outValue")),
            vx::PropertyGet<&IGraphic::get_GraphicImages>(kGraphicGraphicImages, "GraphicImages",
                                                          "The images the picture holds", Retval("outValue")),
        });
    return theTable;
}

HRESULT VxGetClassObject_Graphic(REFIID inIid, void** outObject)
{
    return vx::ClassFactory<Graphic>::Instantiate<>(inIid, outObject);
}

template <class Body>
HRESULT Graphic::Frame(Body&& inBody, std::source_location inWhere)
{
    return RunQuickTimeFrame(kWho, mSession.Available(), mSession.StartError(), inBody, inWhere);
}

void Graphic::Forget()
{
    mImporter.reset();
    mData.reset();
    mImageCount = 0;
    mImages.Reset();
}

void Graphic::Adopt(ComponentInstance inImporter)
{
    mImporter.reset(inImporter);
    unsigned long theCount = 0;
    if (mImporter != nullptr && GraphicsImportGetImageCount(mImporter.get(), &theCount) == noErr)
        mImageCount = theCount;
}

HRESULT Graphic::SetFile(VARIANT* inFile)
{
    return Frame([&] {
        if (inFile == nullptr)
            return E_POINTER;
        std::string thePath = TextFromVariant(*inFile);
        if (thePath == mPath)
            return S_OK;
        Forget();
        mPath = std::move(thePath);
        // A file no importer takes leaves the graphic empty; that is not an error.
        ComponentInstance theImporter = nullptr;
        GetImporterForFile(mPath.c_str(), theImporter);
        Adopt(theImporter);
        return S_OK;
    });
}

HRESULT Graphic::SetData(VARIANT* inData, VARIANT* inType)
{
    return Frame([&] {
        if (inData == nullptr || inType == nullptr)
            return E_POINTER;
        // Both arguments are read before anything is forgotten, so bytes or a
        // type that can't be read leave the graphic as it was.
        Handle theBytes = nullptr;
        if (const HRESULT theResult = HandleFromVariant(inData, &theBytes); FAILED(theResult))
            throw ComError(theResult);
        HandleRef theData(theBytes);
        std::string theType = TextFromVariant(*inType);
        Forget();
        mPath.clear();
        mData = std::move(theData);
        mType = std::move(theType);
        ComponentInstance theImporter = nullptr;
        GetImporterForData(mData.get(), mType.c_str(), theImporter);
        Adopt(theImporter);
        return S_OK;
    });
}

HRESULT Graphic::get_Format(VARIANT* outValue)
{
    return Frame([&] {
        if (outValue == nullptr)
            return E_POINTER;
        VariantInit(outValue);
        long theDepth = 0;
        long theResolution = 0;
        char theName[kQTNameCapacity];
        if (const ComponentResult theError = GetImageInfo(mImporter.get(), theDepth, theResolution, theName);
            theError != noErr)
            return ReportGetFailure("Graphic Format", theError, 0, kWho.mIid, kWho.mProgId);
        SetTextResult(theName, outValue);
        return S_OK;
    });
}

HRESULT Graphic::get_Drawable(VARIANT* outValue)
{
    return Frame([&] {
        if (outValue == nullptr)
            return E_POINTER;
        VariantInit(outValue);
        outValue->vt = VT_BOOL;
        outValue->boolVal = mImageCount > 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT Graphic::get_GraphicImages(IDispatch** outValue)
{
    return Frame([&] {
        if (outValue == nullptr)
            return E_POINTER;
        *outValue = nullptr;
        if (!mImages) {
            IGraphicImages* theImages = nullptr;
            if (const HRESULT theResult = BuildImages(theImages); FAILED(theResult))
                return theResult;
            mImages = vx::ComPtr<IGraphicImages>::Attach(theImages);
        }
        *outValue = vx::ComPtr<IGraphicImages>(mImages).Detach();
        return S_OK;
    });
}

HRESULT Graphic::BuildImages(IGraphicImages*& outImages)
{
    auto theImages = vx::ComPtr<GraphicImages>::Attach(GraphicImages::Create());
    if (!theImages)
        return ReportGetFailure("Graphic Images", 0, 0, kWho.mIid, kWho.mProgId, E_OUTOFMEMORY);
    for (unsigned long theNumber = 1; theNumber <= mImageCount; ++theNumber) {
        long theDepth = 0;
        long theResolution = 0;
        Rect theBounds{};
        ComponentResult theError = GraphicsImportSetImageIndex(mImporter.get(), theNumber);
        if (theError == noErr)
            theError = GetImageInfo(mImporter.get(), theDepth, theResolution, nullptr);
        if (theError == noErr)
            theError = GetImageBounds(mImporter.get(), theBounds);
        if (theError != noErr)
            return ReportGetFailure("Graphic Images", theError, 0, kWho.mIid, kWho.mProgId);
        const auto theImage = vx::ComPtr<GraphicImage>::Attach(GraphicImage::Create());
        if (!theImage)
            return ReportGetFailure("Graphic Images", 0, 0, kWho.mIid, kWho.mProgId, E_OUTOFMEMORY);
        theImage->SetValues(LONG(theNumber), theDepth, theResolution, theBounds.left, theBounds.top, theBounds.right,
                            theBounds.bottom);
        // Without the call (an importer registered elsewhere) the picture is as stored.
        long theOrientation = 1;
        if (GraphicsImportGetOrientation(mImporter.get(), &theOrientation) != noErr)
            theOrientation = 1;
        theImage->SetOrientation(std::int32_t(theOrientation));
        theImages->Append(vx::Variant(static_cast<IDispatch*>(theImage.Get())));
    }
    outImages = theImages.Detach();
    return S_OK;
}
