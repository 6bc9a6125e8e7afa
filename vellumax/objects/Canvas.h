// Canvas: the object page scripts draw on. It owns one pixel store and the
// drawing defaults every drawing call starts from; each member runs in one
// frame (imaging check, fault translation, argument checks, catch clauses)
// and the drawing members run an operation on the store.
#pragma once

#include <cstdint>
#include <source_location>
#include <string>

#include <automation/Dispatch.h>
#include <vellumax/ICanvas.h>
#include <vellumax/IMemoryUse.h>

#include "imaging/MacTypes.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/objects/MethodFrame.h"
#include "vellumax/objects/QuickTimeSession.h"
#include "vellumax/params/Parameters.h"

class Operation;

const vx::DispatchTable& CanvasTable();

class Canvas final
    : public vx::ComObject<Canvas, vx::DispatchImpl<ICanvas, CanvasTable>, vx::SupportErrorInfo<Canvas>, IMemoryUse> {
public:
    using Interfaces = vx::InterfaceMap<vx::Answers<ICanvas, IID_ICanvas>, vx::Answers<IDispatch, IID_IDispatch>,
                                        vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>,
                                        vx::Answers<IMemoryUse, IID_IMemoryUse>>;

    Canvas();
    ~Canvas();

    HRESULT get_Depth(VARIANT* outValue) override;
    HRESULT put_Depth(VARIANT inValue) override;
    HRESULT get_Width(VARIANT* outValue) override;
    HRESULT put_Width(VARIANT inValue) override;
    HRESULT get_Height(VARIANT* outValue) override;
    HRESULT put_Height(VARIANT inValue) override;
    HRESULT get_Color(VARIANT* outValue) override;
    HRESULT put_Color(VARIANT inValue) override;
    HRESULT get_PaintColor(VARIANT* outValue) override;
    HRESULT put_PaintColor(VARIANT inValue) override;
    HRESULT get_PenColor(VARIANT* outValue) override;
    HRESULT put_PenColor(VARIANT inValue) override;
    HRESULT get_TextColor(VARIANT* outValue) override;
    HRESULT put_TextColor(VARIANT inValue) override;
    HRESULT get_PenSize(VARIANT* outValue) override;
    HRESULT put_PenSize(VARIANT inValue) override;
    HRESULT get_TextFont(VARIANT* outValue) override;
    HRESULT put_TextFont(VARIANT inValue) override;
    HRESULT get_TextSize(VARIANT* outValue) override;
    HRESULT put_TextSize(VARIANT inValue) override;
    HRESULT get_TextStyle(VARIANT* outValue) override;
    HRESULT put_TextStyle(VARIANT inValue) override;
    HRESULT get_HAlign(VARIANT* outValue) override;
    HRESULT put_HAlign(VARIANT inValue) override;
    HRESULT get_VAlign(VARIANT* outValue) override;
    HRESULT put_VAlign(VARIANT inValue) override;
    HRESULT get_Dither(VARIANT* outValue) override;
    HRESULT put_Dither(VARIANT inValue) override;
    HRESULT get_Pattern(IDispatch** outValue) override;
    HRESULT put_Pattern(IDispatch* inValue) override;
    HRESULT SetChannel(VARIANT inChannel, IDispatch* newVal) override;
    HRESULT Erase() override;
    HRESULT Invert() override;
    HRESULT Clear() override;
    HRESULT DrawFile(VARIANT* inSrc, VARIANT* inParams, VARIANT* outRect) override;
    HRESULT DrawData(VARIANT* inSrc, VARIANT* inType, VARIANT* inParams, VARIANT* outRect) override;
    HRESULT DrawShape(VARIANT* inShape, VARIANT* inParams, VARIANT* outRect) override;
    HRESULT DrawText(VARIANT* inText, VARIANT* inParams, VARIANT* outRect) override;
    HRESULT DrawCanvas(VARIANT* inCanvas, VARIANT* inParams, VARIANT* outRect) override;
    HRESULT GetColor(VARIANT* inLoc, VARIANT* outColor) override;
    HRESULT TextArea(VARIANT* inText, VARIANT* inParams, VARIANT* outWidth, VARIANT* outHeight,
                     VARIANT* outLineH) override;
    HRESULT TextLength(VARIANT* inText, VARIANT* inParams, VARIANT* outVal) override;
    HRESULT SaveAs(VARIANT* inFilePath, VARIANT* inParams) override;
    HRESULT GetAs(VARIANT* inType, VARIANT* inParams, VARIANT* outData) override;
    HRESULT get_HBITMAP(LONG* outValue) override;
    HRESULT get_UseColorAlpha(VARIANT* outValue) override;
    HRESULT put_UseColorAlpha(VARIANT inValue) override;
    HRESULT get_MaxPixels(VARIANT* outValue) override;
    HRESULT put_MaxPixels(VARIANT inValue) override;

    // The pixels, for hosts whose collectors must see them.
    HRESULT GetBytesHeld(ULONGLONG* outBytes) override;

    // Rich error information for ICanvas only.
    HRESULT InterfaceSupportsErrorInfo(REFIID inIid) override;

    // Copies the defaults into the operation's parameter record, the pattern
    // canvas as its bitmap handle.
    void ApplyCanvasDefaults(Operation& inOperation);

private:
    static const ObjectIdentity kWho;

    template <class Body>
    HRESULT Frame(Body&& inBody, std::source_location inWhere = std::source_location::current());
    HRESULT Raise(const std::string& inText);
    // The put of property inId failed for inValue. With a QuickTime error, also
    // says so when the pixel store refused a size for the MaxPixels setting.
    HRESULT SetFailure(CanvasDispId inId, const VARIANT& inValue, std::int32_t inQuickTimeError = 0);
    // The checked run on inBitmap; the error record, if any, raised.
    HRESULT RunOperation(Operation& inOperation, Bitmap& inBitmap);
    // Parameter string, run on the canvas, result rectangle into outRect.
    HRESULT RunDrawing(Operation& inOperation, const std::string& inParams, VARIANT* outRect);

    // The property bodies (CanvasProperties.cpp). inWhere is the member's place.
    template <class Value, class Format>
    HRESULT GetText(const Value& inValue, Format inFormat, VARIANT* outValue,
                    std::source_location inWhere = std::source_location::current());
    HRESULT GetLong(std::int32_t inValue, VARIANT* outValue,
                    std::source_location inWhere = std::source_location::current());
    HRESULT GetBoolean(bool inValue, VARIANT* outValue, std::source_location inWhere = std::source_location::current());
    // Reads the text with inRead from inStart, then inApply(value) answers.
    template <class Value, class Read, class Apply>
    HRESULT PutText(CanvasDispId inId, Value inStart, Read inRead, Apply inApply, const VARIANT& inValue,
                    std::source_location inWhere = std::source_location::current());
    // Reads the text with inRead into ioValue, which is kept on failure.
    template <class Value, class Read>
    HRESULT PutText(CanvasDispId inId, Value& ioValue, Read inRead, const VARIANT& inValue,
                    std::source_location inWhere = std::source_location::current());
    HRESULT PutCount(CanvasDispId inId, std::int32_t& ioCount, const VARIANT& inValue,
                     std::source_location inWhere = std::source_location::current());
    // Width or height, by inId; a side the store refuses is not kept.
    HRESULT PutSide(CanvasDispId inId, const VARIANT& inValue,
                    std::source_location inWhere = std::source_location::current());
    void ForgetPattern();
    PatternBitmap PatternForRun();

    // Declared first so that it is stopped last, after the pixels are gone.
    QuickTimeSession mSession;
    Bitmap mBitmap;
    ColorValue mPaintColor = ColorValue::White();
    ColorValue mPenColor = ColorValue::Black();
    ColorValue mTextColor = ColorValue::Black();
    std::int32_t mPenSize = 1;
    std::string mTextFont = "System";
    std::int32_t mTextSize = 10;
    TextStyleRecord mTextStyle;
    HAlignKind mHAlign = kHAlignLeft;
    VAlignKind mVAlign = kVAlignTop;
    // A counted reference, except when the canvas is its own pattern: a reference
    // on itself would keep it alive for ever.
    vx::ComPtr<ICanvas> mPattern;
    bool mPatternIsSelf = false;
};

template <class Body>
HRESULT Canvas::Frame(Body&& inBody, std::source_location inWhere)
{
    return RunQuickTimeFrame(kWho, mSession.Available(), mSession.StartError(), inBody, inWhere);
}
