// The canvas's properties: the drawing defaults and the store's size, depth and
// natural colour. Each is one line over a few helpers, so that every property
// of a kind reads, checks and fails alike; the helpers take the member's place
// so that a fault names the member.
#include <utility>

#include <automation/Variant.h>

#include "vellumax/engine/FontMatching.h"
#include "vellumax/objects/Canvas.h"
#include "vellumax/objects/ValueCoercion.h"

// ---- The helpers -----------------------------------------------------------------

template <class Value, class Format>
HRESULT Canvas::GetText(const Value& inValue, Format inFormat, VARIANT* outValue, std::source_location inWhere)
{
    return Frame(
        [&] {
            if (outValue == nullptr)
                return E_POINTER;
            VariantInit(outValue);
            char theText[kTextCapacity];
            inFormat(inValue, theText);
            SetTextResult(theText, outValue);
            return S_OK;
        },
        inWhere);
}

HRESULT Canvas::GetLong(std::int32_t inValue, VARIANT* outValue, std::source_location inWhere)
{
    return Frame(
        [&] {
            if (outValue == nullptr)
                return E_POINTER;
            SetLongResult(inValue, outValue);
            return S_OK;
        },
        inWhere);
}

HRESULT Canvas::GetBoolean(bool inValue, VARIANT* outValue, std::source_location inWhere)
{
    return Frame(
        [&] {
            if (outValue == nullptr)
                return E_POINTER;
            outValue->vt = VT_BOOL;
            outValue->boolVal = inValue ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        },
        inWhere);
}

// The reader starts from inStart: "pattern" sets only a colour's flag, and a
// reader may change its record before failing. inApply keeps what was read.
template <class Value, class Read, class Apply>
HRESULT Canvas::PutText(CanvasDispId inId, Value inStart, Read inRead, Apply inApply, const VARIANT& inValue,
                        std::source_location inWhere)
{
    return Frame(
        [&] {
            const std::string theText = TextFromVariant(inValue);
            Value theValue = std::move(inStart);
            if (!inRead(theText.c_str(), &theValue))
                return SetFailure(inId, inValue);
            return inApply(theValue);
        },
        inWhere);
}

template <class Value, class Read>
HRESULT Canvas::PutText(CanvasDispId inId, Value& ioValue, Read inRead, const VARIANT& inValue,
                        std::source_location inWhere)
{
    const auto theKeep = [&](const Value& inKept) {
        ioValue = inKept;
        return S_OK;
    };
    return PutText(inId, ioValue, inRead, theKeep, inValue, inWhere);
}

HRESULT Canvas::PutCount(CanvasDispId inId, std::int32_t& ioCount, const VARIANT& inValue, std::source_location inWhere)
{
    return Frame(
        [&] {
            const std::int32_t theCount = LongFromVariant(inValue);
            if (theCount < 0)
                return SetFailure(inId, inValue);
            ioCount = theCount;
            return S_OK;
        },
        inWhere);
}

HRESULT Canvas::PutSide(CanvasDispId inId, const VARIANT& inValue, std::source_location inWhere)
{
    return Frame(
        [&] {
            const bool theWidth = inId == kCanvasWidth;
            const std::int32_t theSide = LongFromVariant(inValue);
            const std::int32_t theOld = theWidth ? mBitmap.GetWidth() : mBitmap.GetHeight();
            const auto theSet = [&](std::int32_t inSide) {
                if (theWidth)
                    mBitmap.SetWidth(inSide);
                else
                    mBitmap.SetHeight(inSide);
            };
            theSet(theSide);
            // A side the store can't take is not kept: it would make every later
            // call fail until the side is set again.
            if (const OSErr theError = mBitmap.Update(); theError != noErr) {
                theSet(theOld);
                return SetFailure(inId, inValue, theError);
            }
            return S_OK;
        },
        inWhere);
}

// ---- The store -------------------------------------------------------------------

HRESULT Canvas::get_Depth(VARIANT* outValue)
{
    return GetText(mBitmap.GetDepth(), FormatDepth, outValue);
}

HRESULT Canvas::put_Depth(VARIANT inValue)
{
    const auto theApply = [&](std::int32_t inBits) {
        const std::int32_t theOld = mBitmap.GetDepth();
        mBitmap.SetDepth(inBits);
        if (const OSErr theError = mBitmap.Update(); theError != noErr) {
            mBitmap.SetDepth(theOld);
            return SetFailure(kCanvasDepth, inValue, theError);
        }
        return S_OK;
    };
    return PutText(kCanvasDepth, std::int32_t{0}, ReadDepth, theApply, inValue);
}

HRESULT Canvas::get_Width(VARIANT* outValue)
{
    return GetLong(mBitmap.GetWidth(), outValue);
}
HRESULT Canvas::put_Width(VARIANT inValue)
{
    return PutSide(kCanvasWidth, inValue);
}
HRESULT Canvas::get_Height(VARIANT* outValue)
{
    return GetLong(mBitmap.GetHeight(), outValue);
}
HRESULT Canvas::put_Height(VARIANT inValue)
{
    return PutSide(kCanvasHeight, inValue);
}

HRESULT Canvas::get_Color(VARIANT* outValue)
{
    return GetText(mBitmap.GetNaturalColor(), FormatColor, outValue);
}

HRESULT Canvas::put_Color(VARIANT inValue)
{
    // Only the natural colour changes: pixels already there keep theirs.
    const auto theApply = [&](const ColorValue& inColor) {
        mBitmap.SetNaturalColor(inColor);
        return S_OK;
    };
    return PutText(kCanvasColor, mBitmap.GetNaturalColor(), ReadColor, theApply, inValue);
}

HRESULT Canvas::get_Dither(VARIANT* outValue)
{
    return GetBoolean(mBitmap.GetDither() == 1, outValue);
}

HRESULT Canvas::put_Dither(VARIANT inValue)
{
    const auto theApply = [&](std::int32_t inDither) {
        mBitmap.SetDither(inDither);
        return S_OK;
    };
    return PutText(kCanvasDither, std::int32_t{0}, ReadBoolean, theApply, inValue);
}

HRESULT Canvas::get_UseColorAlpha(VARIANT* outValue)
{
    return GetBoolean(mBitmap.GetNaturalAlpha() == Bitmap::NaturalAlpha::kFromColor, outValue);
}

HRESULT Canvas::put_UseColorAlpha(VARIANT inValue)
{
    const auto theApply = [&](std::int32_t inUse) {
        mBitmap.SetNaturalAlpha(inUse != 0 ? Bitmap::NaturalAlpha::kFromColor : Bitmap::NaturalAlpha::kOpaque);
        return S_OK;
    };
    return PutText(kCanvasUseColorAlpha, std::int32_t{0}, ReadBoolean, theApply, inValue);
}

HRESULT Canvas::get_MaxPixels(VARIANT* outValue)
{
    return GetLong(std::int32_t(mBitmap.GetPixelLimit()), outValue);
}

// Bounds the stores made or re-fitted from now on; the pixels held stay.
HRESULT Canvas::put_MaxPixels(VARIANT inValue)
{
    return Frame([&] {
        const std::int32_t theLimit = LongFromVariant(inValue);
        if (theLimit < 0 || std::uint32_t(theLimit) > kHardMaxPixels)
            return SetFailure(kCanvasMaxPixels, inValue);
        mBitmap.SetPixelLimit(std::uint32_t(theLimit));
        return S_OK;
    });
}

HRESULT Canvas::get_HBITMAP(LONG* outValue)
{
    return Frame([&] {
        if (outValue == nullptr)
            return E_POINTER;
        *outValue = mBitmap.HasPixels() ? static_cast<LONG>(mBitmap.GetHBITMAP()) : 0;
        return S_OK;
    });
}

// ---- The drawing defaults -----------------------------------------------------------

HRESULT Canvas::get_PaintColor(VARIANT* outValue)
{
    return GetText(mPaintColor, FormatColor, outValue);
}
HRESULT Canvas::put_PaintColor(VARIANT inValue)
{
    return PutText(kCanvasPaintColor, mPaintColor, ReadColor, inValue);
}
HRESULT Canvas::get_PenColor(VARIANT* outValue)
{
    return GetText(mPenColor, FormatColor, outValue);
}
HRESULT Canvas::put_PenColor(VARIANT inValue)
{
    return PutText(kCanvasPenColor, mPenColor, ReadColor, inValue);
}
HRESULT Canvas::get_TextColor(VARIANT* outValue)
{
    return GetText(mTextColor, FormatColor, outValue);
}
HRESULT Canvas::put_TextColor(VARIANT inValue)
{
    return PutText(kCanvasTextColor, mTextColor, ReadColor, inValue);
}
HRESULT Canvas::get_PenSize(VARIANT* outValue)
{
    return GetLong(mPenSize, outValue);
}
HRESULT Canvas::put_PenSize(VARIANT inValue)
{
    return PutCount(kCanvasPenSize, mPenSize, inValue);
}
HRESULT Canvas::get_TextSize(VARIANT* outValue)
{
    return GetLong(mTextSize, outValue);
}
HRESULT Canvas::put_TextSize(VARIANT inValue)
{
    return PutCount(kCanvasTextSize, mTextSize, inValue);
}
HRESULT Canvas::get_TextStyle(VARIANT* outValue)
{
    return GetText(mTextStyle, FormatTextStyle, outValue);
}
HRESULT Canvas::put_TextStyle(VARIANT inValue)
{
    return PutText(kCanvasTextStyle, mTextStyle, ReadTextStyle, inValue);
}
HRESULT Canvas::get_HAlign(VARIANT* outValue)
{
    return GetText(mHAlign, FormatHAlign, outValue);
}
HRESULT Canvas::put_HAlign(VARIANT inValue)
{
    return PutText(kCanvasHAlign, mHAlign, ReadHAlign, inValue);
}
HRESULT Canvas::get_VAlign(VARIANT* outValue)
{
    return GetText(mVAlign, FormatVAlign, outValue);
}
HRESULT Canvas::put_VAlign(VARIANT inValue)
{
    return PutText(kCanvasVAlign, mVAlign, ReadVAlign, inValue);
}

HRESULT Canvas::get_TextFont(VARIANT* outValue)
{
    return Frame([&] {
        if (outValue == nullptr)
            return E_POINTER;
        VariantInit(outValue);
        // Resolved the way a drawing call resolves it.
        char theFace[FontMatching::kFaceCapacity] = {};
        FontMatching::MatchList(mTextFont.c_str(), theFace);
        SetTextResult(theFace, outValue);
        return S_OK;
    });
}

HRESULT Canvas::put_TextFont(VARIANT inValue)
{
    return Frame([&] {
        mTextFont = TextFromVariant(inValue);
        return S_OK;
    });
}

// ---- The pattern -----------------------------------------------------------------

void Canvas::ForgetPattern()
{
    mPatternIsSelf = false;
    mPattern.Reset();
}

HRESULT Canvas::get_Pattern(IDispatch** outValue)
{
    return Frame([&] {
        if (outValue == nullptr)
            return E_POINTER;
        ICanvas* thePattern = mPatternIsSelf ? static_cast<ICanvas*>(this) : mPattern.Get();
        if (thePattern != nullptr)
            thePattern->AddRef();
        *outValue = thePattern;
        return S_OK;
    });
}

HRESULT Canvas::put_Pattern(IDispatch* inValue)
{
    return Frame([&] {
        if (inValue == nullptr)
            return E_POINTER;
        ICanvas* theFound = nullptr;
        if (FAILED(inValue->QueryInterface(IID_ICanvas, reinterpret_cast<void**>(&theFound))))
            theFound = nullptr;
        auto theCanvas = vx::ComPtr<ICanvas>::Attach(theFound);
        ForgetPattern();
        // A canvas never holds a reference to itself: that one goes with theCanvas.
        if (theCanvas.Get() == static_cast<ICanvas*>(this))
            mPatternIsSelf = true;
        else
            mPattern = std::move(theCanvas);
        return S_OK;
    });
}
