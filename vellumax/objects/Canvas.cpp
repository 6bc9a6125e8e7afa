#include "vellumax/objects/Canvas.h"

#include <memory>
#include <utility>

#include <automation/ComVariant.h>
#include <automation/Faults.h>
#include <automation/Variant.h>

#include "imaging/Memory.h"
#include "vellumax/engine/DrawCanvasOp.h"
#include "vellumax/engine/DrawFileOp.h"
#include "vellumax/engine/DrawGDIShape.h"
#include "vellumax/engine/DrawShapeOp.h"
#include "vellumax/engine/EraseOp.h"
#include "vellumax/engine/ExportOperation.h"
#include "vellumax/engine/FontMatching.h"
#include "vellumax/engine/InvertOp.h"
#include "vellumax/engine/Operation.h"
#include "vellumax/engine/PixelsOnTrial.h"
#include "vellumax/engine/SetChannelOp.h"
#include "vellumax/errors/ComError.h"
#include "vellumax/errors/ComErrors.h"
#include "vellumax/errors/ErrorReport.h"
#include "vellumax/errors/ErrorTexts.h"
#include "vellumax/errors/SException.h"
#include "vellumax/formats/QTUtils.h"
#include "vellumax/objects/ByteArrayResult.h"
#include "vellumax/objects/ClassObjects.h"
#include "vellumax/objects/HandleBytes.h"
#include "vellumax/objects/MethodFrame.h"
#include "vellumax/objects/ValueCoercion.h"
#include "vellumax/params/Parameters.h"

namespace {

constexpr const char* kProgId = "Vellumax.Canvas.1";
constexpr const char* kBadLocation = "Unable to understand location for color";
// The scratch store TextLength measures on, so the canvas is never touched.
constexpr std::int32_t kScratchSide = 4;
constexpr std::int32_t kScratchDepth = 32;

constexpr bool MembersFollowTheirIds()
{
    DISPID theId = 1;
    for (const CanvasMemberInfo& theMember : kCanvasMembers)
        if (theMember.mId != theId++)
            return false;
    return true;
}
static_assert(MembersFollowTheirIds(), "kCanvasMembers is indexed by DISPID - 1");

constexpr const char* Name(CanvasDispId inId)
{
    return kCanvasMembers[inId - 1].mName;
}
constexpr const char* Help(CanvasDispId inId)
{
    return kCanvasMembers[inId - 1].mHelp;
}

// A VARIANT* argument as the object it holds (references followed); throws
// the coercion's code when it holds none.
IDispatch* ObjectFromVariant(const VARIANT& inValue, VARIANT& outHolder)
{
    VariantInit(&outHolder);
    const HRESULT theResult = VariantChangeType(&outHolder, &inValue, 0, VT_DISPATCH);
    if (FAILED(theResult))
        throw ComError(theResult);
    return outHolder.pdispVal;
}

// Picture bytes copied into a handle the operation then owns.
Handle DataFromVariant(const VARIANT& inValue)
{
    Handle theData = nullptr;
    const HRESULT theResult = HandleFromVariant(&inValue, &theData);
    if (FAILED(theResult))
        throw ComError(theResult);
    return theData;
}

void ResetOut(VARIANT* outValue)
{
    if (outValue != nullptr)
        VariantInit(outValue);
}

}  // namespace

const ObjectIdentity Canvas::kWho{IID_ICanvas, kProgId};

const vx::DispatchTable& CanvasTable()
{
    using vx::In;
    using vx::Out;
    using vx::Retval;
    // Properties in DISPID order, get before put.
#define VX_CANVAS_PROPERTY(Member)                                                                                     \
    vx::PropertyGet<&ICanvas::get_##Member>(kCanvas##Member, Name(kCanvas##Member), Help(kCanvas##Member),             \
                                            Retval("outValue")),                                                       \
        vx::PropertyPut<&ICanvas::put_##Member>(kCanvas##Member, Name(kCanvas##Member), Help(kCanvas##Member),         \
                                                In("inValue"))
    static const vx::DispatchTable theTable(
        IID_ICanvas, "ICanvas", kCanvasHelp,
        {
            VX_CANVAS_PROPERTY(Depth),
            VX_CANVAS_PROPERTY(Width),
            VX_CANVAS_PROPERTY(Height),
            VX_CANVAS_PROPERTY(Color),
            VX_CANVAS_PROPERTY(PaintColor),
            VX_CANVAS_PROPERTY(PenColor),
            VX_CANVAS_PROPERTY(TextColor),
            VX_CANVAS_PROPERTY(PenSize),
            VX_CANVAS_PROPERTY(TextFont),
            VX_CANVAS_PROPERTY(TextSize),
            VX_CANVAS_PROPERTY(TextStyle),
            VX_CANVAS_PROPERTY(HAlign),
            VX_CANVAS_PROPERTY(VAlign),
            VX_CANVAS_PROPERTY(Dither),
            vx::PropertyGet<&ICanvas::get_Pattern>(kCanvasPattern, Name(kCanvasPattern), Help(kCanvasPattern),
                                                   Retval("outValue")),
            vx::PropertyPut<&ICanvas::put_Pattern>(kCanvasPattern, Name(kCanvasPattern), Help(kCanvasPattern),
                                                   In("inValue")),
            // Scripts that assign objects with Set arrive here.
            vx::PropertyPutRef<&ICanvas::put_Pattern>(kCanvasPattern, Name(kCanvasPattern), Help(kCanvasPattern),
                                                      In("inValue")),
            vx::Method<&ICanvas::SetChannel>(kCanvasSetChannel, Name(kCanvasSetChannel), Help(kCanvasSetChannel),
                                             In("inChannel"), In("newVal")),
            vx::Method<&ICanvas::Erase>(kCanvasErase, Name(kCanvasErase), Help(kCanvasErase)),
            vx::Method<&ICanvas::Invert>(kCanvasInvert, Name(kCanvasInvert), Help(kCanvasInvert)),
            vx::Method<&ICanvas::Clear>(kCanvasClear, Name(kCanvasClear), Help(kCanvasClear)),
            vx::Method<&ICanvas::DrawFile>(kCanvasDrawFile, Name(kCanvasDrawFile), Help(kCanvasDrawFile), In("inSrc"),
                                           In("inParams"), Retval("outRect")),
            vx::Method<&ICanvas::DrawData>(kCanvasDrawData, Name(kCanvasDrawData), Help(kCanvasDrawData), In("inSrc"),
                                           In("inType"), In("inParams"), Retval("outRect")),
            vx::Method<&ICanvas::DrawShape>(kCanvasDrawShape, Name(kCanvasDrawShape), Help(kCanvasDrawShape),
                                            In("inShape"), In("inParams"), Retval("outRect")),
            vx::Method<&ICanvas::DrawText>(kCanvasDrawText, Name(kCanvasDrawText), Help(kCanvasDrawText), In("inText"),
                                           In("inParams"), Retval("outRect")),
            vx::Method<&ICanvas::DrawCanvas>(kCanvasDrawCanvas, Name(kCanvasDrawCanvas), Help(kCanvasDrawCanvas),
                                             In("inCanvas"), In("inParams"), Retval("outRect")),
            vx::Method<&ICanvas::GetColor>(kCanvasGetColor, Name(kCanvasGetColor), Help(kCanvasGetColor), In("inLoc"),
                                           Retval("outColor")),
            vx::Method<&ICanvas::TextArea>(kCanvasTextArea, Name(kCanvasTextArea), Help(kCanvasTextArea), In("inText"),
                                           In("inParams"), Out("outWidth"), Out("outHeight"), Out("outLineH")),
            vx::Method<&ICanvas::TextLength>(kCanvasTextLength, Name(kCanvasTextLength), Help(kCanvasTextLength),
                                             In("inText"), In("inParams"), Retval("outVal")),
            vx::Method<&ICanvas::SaveAs>(kCanvasSaveAs, Name(kCanvasSaveAs), Help(kCanvasSaveAs), In("inFilePath"),
                                         In("inParams")),
            vx::Method<&ICanvas::GetAs>(kCanvasGetAs, Name(kCanvasGetAs), Help(kCanvasGetAs), In("inType"),
                                        In("inParams"), Retval("outData")),
            vx::PropertyGet<&ICanvas::get_HBITMAP>(kCanvasHBITMAP, Name(kCanvasHBITMAP), Help(kCanvasHBITMAP),
                                                   Retval("outValue")),
            VX_CANVAS_PROPERTY(UseColorAlpha),
            VX_CANVAS_PROPERTY(MaxPixels),
        });
#undef VX_CANVAS_PROPERTY
    return theTable;
}

HRESULT VxGetClassObject_Canvas(REFIID inIid, void** outObject)
{
    return vx::ClassFactory<Canvas>::Instantiate<>(inIid, outObject);
}

Canvas::Canvas() = default;

Canvas::~Canvas() = default;

HRESULT Canvas::InterfaceSupportsErrorInfo(REFIID inIid)
{
    return IsEqualIID(inIid, IID_ICanvas) ? S_OK : S_FALSE;
}

// ---- The frame ---------------------------------------------------------------

HRESULT Canvas::Raise(const std::string& inText)
{
    return RaiseComError(inText, E_FAIL, IID_ICanvas, kProgId);
}

HRESULT Canvas::SetFailure(CanvasDispId inId, const VARIANT& inValue, std::int32_t inQuickTimeError)
{
    const std::string theLabel = std::string("Canvas ") + Name(inId);
    return ReportSetFailure(theLabel.c_str(), inValue, inQuickTimeError, 0, IID_ICanvas, kProgId,
                            mBitmap.TakePixelLimitMessage());
}

void Canvas::ApplyCanvasDefaults(Operation& inOperation)
{
    Parameters& theRecord = *inOperation.GetParameters();
    theRecord.PenSize = mPenSize;
    theRecord.PaintColor = mPaintColor;
    theRecord.PenColor = mPenColor;
    theRecord.TextColor = mTextColor;
    theRecord.AddFontList(mTextFont.c_str());
    theRecord.TextSize = mTextSize;
    theRecord.TextStyle = mTextStyle;
    theRecord.Pattern = PatternForRun();
    theRecord.HAlign = mHAlign;
    theRecord.VAlign = mVAlign;
    theRecord.Dither = mBitmap.GetDither();
    theRecord.Mode = mBitmap.GetTransferMode();
    theRecord.Depth = mBitmap.GetDepth();
}

PatternBitmap Canvas::PatternForRun()
{
    if (mPatternIsSelf)
        return {PatternBitmap::Source::kTarget, 0, S_OK};
    if (!mPattern)
        return {};
    LONG theHandle = 0;
    const HRESULT theResult = mPattern->get_HBITMAP(&theHandle);
    if (FAILED(theResult))
        return {PatternBitmap::Source::kFailed, 0, theResult};
    return {PatternBitmap::Source::kHandle, static_cast<std::uint32_t>(theHandle), S_OK};
}

HRESULT Canvas::RunOperation(Operation& inOperation, Bitmap& inBitmap)
{
    // Operations give a canvas without pixels its default size before they
    // know whether they can finish; a failed call takes that back.
    PixelsOnTrial theTrial(inBitmap);
    inOperation.Run(inBitmap, Operation::RunCheck::kRecordAndCheck);
    ErrorReport& theError = *inOperation.GetErrorReport();
    if (theError.HasError())
        return Raise(theError.Message());
    theTrial.Keep();
    return S_OK;
}

HRESULT Canvas::RunDrawing(Operation& inOperation, const std::string& inParams, VARIANT* outRect)
{
    inOperation.SetParameterString(inParams.c_str());
    const HRESULT theResult = RunOperation(inOperation, mBitmap);
    if (theResult != S_OK)
        return theResult;
    // Not checked by the interface, but a caller through the vtable may leave it out.
    if (outRect != nullptr) {
        char theText[kTextCapacity];
        FormatRect(inOperation.GetResultRect(), theText);
        SetTextResult(theText, outRect);
    }
    return S_OK;
}

// ---- Memory ---------------------------------------------------------------------------

HRESULT Canvas::GetBytesHeld(ULONGLONG* outBytes)
{
    if (outBytes == nullptr)
        return E_POINTER;
    *outBytes = mBitmap.GetPixelBytes();
    return S_OK;
}

// ---- Whole-canvas methods ------------------------------------------------------------

HRESULT Canvas::Erase()
{
    return Frame([&] {
        EraseOp theOperation;
        ApplyCanvasDefaults(theOperation);
        return RunOperation(theOperation, mBitmap);
    });
}

HRESULT Canvas::Invert()
{
    return Frame([&] {
        InvertOp theOperation;
        ApplyCanvasDefaults(theOperation);
        return RunOperation(theOperation, mBitmap);
    });
}

HRESULT Canvas::Clear()
{
    return Frame([&] {
        // NOTE: the script asks for the pixels to go now; the store, their owner, stays.
        mBitmap.Free();
        return S_OK;
    });
}

HRESULT Canvas::GetColor(VARIANT* inLoc, VARIANT* outColor)
{
    return Frame([&] {
        if (inLoc == nullptr || outColor == nullptr)
            return E_POINTER;
        VariantInit(outColor);
        const std::string theText = TextFromVariant(*inLoc);
        LongPoint theLocation;
        if (!ReadPoint(theText.c_str(), &theLocation)) {
            ErrorReport theReport;
            theReport.AddMessage(kBadLocation);
            return Raise(theReport.Message());
        }
        char theColor[kTextCapacity];
        FormatColor(mBitmap.GetPixelColor(theLocation.x, theLocation.y), theColor);
        SetTextResult(theColor, outColor);
        return S_OK;
    });
}

// ---- Drawing, reading and saving methods ------------------------------------------------
// Each builds its operation, hands it the defaults and then its own arguments,
// and runs it with the parameter string.

HRESULT Canvas::SetChannel(VARIANT inChannel, IDispatch* newVal)
{
    return Frame([&] {
        if (newVal == nullptr)
            return E_POINTER;
        const std::string theChannel = TextFromVariant(inChannel);
        SetChannelOp theOperation;
        ApplyCanvasDefaults(theOperation);
        theOperation.SetSource(newVal);
        theOperation.SetChannelName(theChannel.c_str());
        return RunOperation(theOperation, mBitmap);
    });
}

HRESULT Canvas::DrawFile(VARIANT* inSrc, VARIANT* inParams, VARIANT* outRect)
{
    return Frame([&] {
        if (inSrc == nullptr || inParams == nullptr)
            return E_POINTER;
        ResetOut(outRect);
        const std::string thePath = TextFromVariant(*inSrc);
        const std::string theParams = TextFromVariant(*inParams);
        DrawFileOp theOperation("Draw File:");
        ApplyCanvasDefaults(theOperation);
        theOperation.SetFile(thePath.c_str());
        return RunDrawing(theOperation, theParams, outRect);
    });
}

HRESULT Canvas::DrawData(VARIANT* inSrc, VARIANT* inType, VARIANT* inParams, VARIANT* outRect)
{
    return Frame([&] {
        if (inSrc == nullptr || inType == nullptr || inParams == nullptr)
            return E_POINTER;
        ResetOut(outRect);
        DrawFileOp theOperation("Draw Data:");
        // Owned by the operation at once, so that a later conversion failure can't leak it.
        theOperation.SetData(DataFromVariant(*inSrc));
        const std::string theType = TextFromVariant(*inType);
        const std::string theParams = TextFromVariant(*inParams);
        ApplyCanvasDefaults(theOperation);
        theOperation.SetType(theType.c_str());
        return RunDrawing(theOperation, theParams, outRect);
    });
}

HRESULT Canvas::DrawShape(VARIANT* inShape, VARIANT* inParams, VARIANT* outRect)
{
    return Frame([&] {
        if (inShape == nullptr || inParams == nullptr)
            return E_POINTER;
        ResetOut(outRect);
        const std::string theShape = TextFromVariant(*inShape);
        const std::string theParams = TextFromVariant(*inParams);
        DrawShapeOp theOperation;
        ApplyCanvasDefaults(theOperation);
        theOperation.SetShape(theShape.c_str());
        return RunDrawing(theOperation, theParams, outRect);
    });
}

HRESULT Canvas::DrawText(VARIANT* inText, VARIANT* inParams, VARIANT* outRect)
{
    return Frame([&] {
        if (inText == nullptr || inParams == nullptr)
            return E_POINTER;
        ResetOut(outRect);
        const std::string theText = TextFromVariant(*inText);
        const std::string theParams = TextFromVariant(*inParams);
        DrawGDIShape theOperation("Draw Text:", DrawGDIShape::Primitives::kDirect);
        ApplyCanvasDefaults(theOperation);
        theOperation.SetText(theText.c_str());
        return RunDrawing(theOperation, theParams, outRect);
    });
}

HRESULT Canvas::DrawCanvas(VARIANT* inCanvas, VARIANT* inParams, VARIANT* outRect)
{
    return Frame([&] {
        if (inCanvas == nullptr || inParams == nullptr)
            return E_POINTER;
        ResetOut(outRect);
        // The source is an object, not text: it is held for the call.
        VARIANT theHolder;
        IDispatch* theObject = ObjectFromVariant(*inCanvas, theHolder);
        const vx::ComVariant theSource = vx::ComVariant::Attach(theHolder);
        const std::string theParams = TextFromVariant(*inParams);
        DrawCanvasOp theOperation;
        ApplyCanvasDefaults(theOperation);
        theOperation.SetSource(theObject);
        return RunDrawing(theOperation, theParams, outRect);
    });
}

HRESULT Canvas::TextArea(VARIANT* inText, VARIANT* inParams, VARIANT* outWidth, VARIANT* outHeight, VARIANT* outLineH)
{
    return Frame([&] {
        if (inText == nullptr || inParams == nullptr)
            return E_POINTER;
        ResetOut(outWidth);
        ResetOut(outHeight);
        ResetOut(outLineH);
        const std::string theText = TextFromVariant(*inText);
        const std::string theParams = TextFromVariant(*inParams);
        DrawGDIShape theOperation("Text Area:", DrawGDIShape::Primitives::kDirect);
        ApplyCanvasDefaults(theOperation);
        theOperation.SetText(theText.c_str());
        theOperation.SetParameterString(theParams.c_str());
        // After the parameter string, so that no keyword can make it draw.
        theOperation.SetOperation(kMeasureOnly);
        if (const HRESULT theResult = RunOperation(theOperation, mBitmap); theResult != S_OK)
            return theResult;
        // The laid-out text, not the placement.
        const LongRect theArea = theOperation.GetRect();
        if (outWidth != nullptr)
            SetLongResult(std::int32_t(theArea.Width()), outWidth);
        if (outHeight != nullptr)
            SetLongResult(std::int32_t(theArea.Height()), outHeight);
        if (outLineH != nullptr)
            SetLongResult(theOperation.GetLineHeight(), outLineH);
        return S_OK;
    });
}

HRESULT Canvas::TextLength(VARIANT* inText, VARIANT* inParams, VARIANT* outVal)
{
    return Frame([&] {
        if (inText == nullptr || inParams == nullptr)
            return E_POINTER;
        ResetOut(outVal);
        const std::string theText = TextFromVariant(*inText);
        const std::string theParams = TextFromVariant(*inParams);
        Bitmap theScratch;
        theScratch.SetWidth(kScratchSide);
        theScratch.SetHeight(kScratchSide);
        theScratch.SetDepth(kScratchDepth);
        theScratch.Update();  // a failure shows when the operation prepares its store
        DrawGDIShape theOperation("Text Length:", DrawGDIShape::Primitives::kDirect);
        ApplyCanvasDefaults(theOperation);
        theOperation.SetText(theText.c_str());
        theOperation.SetParameterString(theParams.c_str());
        if (const HRESULT theResult = RunOperation(theOperation, theScratch); theResult != S_OK)
            return theResult;
        if (outVal != nullptr) {
            char theCount[kTextCapacity];
            FormatLong(theOperation.GetLengthDrawn(), theCount);
            SetTextResult(theCount, outVal);
        }
        return S_OK;
    });
}

HRESULT Canvas::SaveAs(VARIANT* inFilePath, VARIANT* inParams)
{
    return Frame([&] {
        if (inFilePath == nullptr || inParams == nullptr)
            return E_POINTER;
        const std::string thePath = TextFromVariant(*inFilePath);
        const std::string theParams = TextFromVariant(*inParams);
        ExportOperation theOperation("Save As:");
        ApplyCanvasDefaults(theOperation);
        theOperation.SetFile(thePath.c_str());
        theOperation.SetParameterString(theParams.c_str());
        return RunOperation(theOperation, mBitmap);
    });
}

HRESULT Canvas::GetAs(VARIANT* inType, VARIANT* inParams, VARIANT* outData)
{
    return Frame([&] {
        if (inType == nullptr || inParams == nullptr || outData == nullptr)
            return E_POINTER;
        VariantInit(outData);
        const std::string theType = TextFromVariant(*inType);
        const std::string theParams = TextFromVariant(*inParams);
        ExportOperation theOperation("Get As:");
        ApplyCanvasDefaults(theOperation);
        theOperation.SetType(theType.c_str());
        theOperation.SetParameterString(theParams.c_str());
        ByteArrayResult theArray;
        theOperation.SetOutputPlace([&theArray](std::size_t inLength) { return theArray.Make(inLength); });
        if (const HRESULT theResult = RunOperation(theOperation, mBitmap); theResult != S_OK)
            return theResult;
        if (theOperation.WroteToOutputPlace() && theArray.MoveTo(outData))
            return S_OK;
        if (const HRESULT theResult =
                VariantFromBytes(theOperation.GetDataPointer(), theOperation.GetDataSize(), outData);
            FAILED(theResult))
            throw ComError(theResult);
        return S_OK;
    });
}
