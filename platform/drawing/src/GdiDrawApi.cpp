// The classic entry points that draw and measure: shapes, paths, text and
// the font families.
#include "ContextRef.h"
#include "FontCatalogue.h"
#include "FontObject.h"
#include "StockObjects.h"
#include "TextLayout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>

BOOL GdiFlush()
{
    return 1;  // drawing reaches the pixels before each call returns
}

// ---- Shapes and paths ------------------------------------------------------

BOOL Rectangle(HDC inDC, int inLeft, int inTop, int inRight, int inBottom)
{
    ContextRef theDC = FindDC(inDC);
    return theDC && theDC->Rectangle(inLeft, inTop, inRight, inBottom);
}

BOOL Ellipse(HDC inDC, int inLeft, int inTop, int inRight, int inBottom)
{
    ContextRef theDC = FindDC(inDC);
    return theDC && theDC->Ellipse(inLeft, inTop, inRight, inBottom);
}

BOOL RoundRect(HDC inDC, int inLeft, int inTop, int inRight, int inBottom, int inCornerWidth, int inCornerHeight)
{
    ContextRef theDC = FindDC(inDC);
    return theDC && theDC->RoundRect(inLeft, inTop, inRight, inBottom, inCornerWidth, inCornerHeight);
}

BOOL Polygon(HDC inDC, const POINT* inPoints, int inCount)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (inPoints == nullptr || inCount < 2) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    return theDC->Polygon(inPoints, inCount, DeviceContext::Outline::kClosed);
}

BOOL Polyline(HDC inDC, const POINT* inPoints, int inCount)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (inPoints == nullptr || inCount < 2) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    return theDC->Polygon(inPoints, inCount, DeviceContext::Outline::kOpen);
}

BOOL BeginPath(HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    return theDC && theDC->BeginPath();
}

BOOL EndPath(HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    return theDC->EndPath() ? 1 : Fail(kGdiErrorCannotComplete, 0);
}

BOOL AbortPath(HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    return theDC && theDC->AbortPath();
}

namespace {
BOOL PaintPath(HDC inDC, DeviceContext::PathPaint inPaint)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    return theDC->PaintPath(inPaint) ? 1 : Fail(kGdiErrorCannotComplete, 0);
}
}  // namespace

BOOL StrokePath(HDC inDC)
{
    return PaintPath(inDC, DeviceContext::PathPaint::kStroke);
}

BOOL FillPath(HDC inDC)
{
    return PaintPath(inDC, DeviceContext::PathPaint::kFill);
}

BOOL StrokeAndFillPath(HDC inDC)
{
    return PaintPath(inDC, DeviceContext::PathPaint::kStrokeAndFill);
}

// ---- Text ------------------------------------------------------------------

BOOL TextOutA(HDC inDC, int inX, int inY, const char* inText, int inLength)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (inLength < 0 || (inText == nullptr && inLength > 0)) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    return theDC->TextOut(inX, inY, inText ? inText : "", inLength, nullptr, nullptr);
}

BOOL ExtTextOutA(HDC inDC, int inX, int inY, UINT inOptions, const RECT* inRect, const char* inText, UINT inLength,
                 const int*)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if ((inText == nullptr && inLength > 0) || inLength > INT32_MAX) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    const RECT* theOpaque = (inOptions & ETO_OPAQUE) != 0 ? inRect : nullptr;
    const RECT* theClip = (inOptions & ETO_CLIPPED) != 0 ? inRect : nullptr;
    return theDC->TextOut(inX, inY, inText ? inText : "", static_cast<int>(inLength), theOpaque, theClip);
}

BOOL GetTextMetricsA(HDC inDC, TEXTMETRICA* outMetrics)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (outMetrics == nullptr) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    FontObject& theFont = *theDC->Font();
    const FontMetrics& theMetrics = theFont.Metrics();
    const LOGFONTA& theLog = theFont.LogFont();
    TEXTMETRICA theResult{};
    theResult.tmAscent = theMetrics.mAscent;
    theResult.tmDescent = theMetrics.mDescent;
    theResult.tmHeight = theMetrics.mAscent + theMetrics.mDescent;
    const double theEm = pango_font_description_get_size(theFont.Description()) / double(PANGO_SCALE);
    theResult.tmInternalLeading = std::max(0, theResult.tmHeight - static_cast<int>(std::lround(theEm)));
    theResult.tmAveCharWidth = theMetrics.mAveCharWidth;
    theResult.tmMaxCharWidth = theMetrics.mMaxCharWidth;
    theResult.tmWeight = theLog.lfWeight <= 0 ? FW_NORMAL : theLog.lfWeight;
    theResult.tmDigitizedAspectX = kDotsPerInch;
    theResult.tmDigitizedAspectY = kDotsPerInch;
    theResult.tmFirstChar = ' ';
    theResult.tmLastChar = '~';
    theResult.tmDefaultChar = '?';
    theResult.tmBreakChar = ' ';
    theResult.tmItalic = theLog.lfItalic;
    theResult.tmUnderlined = theLog.lfUnderline;
    theResult.tmStruckOut = theLog.lfStrikeOut;
    theResult.tmPitchAndFamily = 0x06;  // variable pitch, TrueType
    theResult.tmCharSet = ANSI_CHARSET;
    *outMetrics = theResult;
    return 1;
}

BOOL GetTextExtentPoint32A(HDC inDC, const char* inText, int inLength, SIZE* outSize)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (outSize == nullptr || inLength < 0 || (inText == nullptr && inLength > 0)) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    return theDC->TextExtent(inText ? inText : "", inLength, outSize);
}

int DrawTextExA(HDC inDC, const char* inText, int inLength, RECT* ioRect, UINT inFormat, DRAWTEXTPARAMS* ioParams)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (ioRect == nullptr || inText == nullptr || inLength < -1 ||
        (ioParams != nullptr && ioParams->cbSize != sizeof(DRAWTEXTPARAMS))) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    const int theLength = inLength == -1 ? static_cast<int>(std::strlen(inText)) : inLength;
    return theDC->DrawText(inText, theLength, ioRect, inFormat, ioParams);
}

int DrawTextA(HDC inDC, const char* inText, int inLength, RECT* ioRect, UINT inFormat)
{
    return DrawTextExA(inDC, inText, inLength, ioRect, inFormat, nullptr);
}

unsigned long long GdiTextBytesShaped()
{
    return TextLayout::BytesShaped();
}

// ---- Font catalogue ----------------------------------------------------------

int EnumFontFamiliesExA(HDC inDC, LOGFONTA* inLogFont, FONTENUMPROCA inProc, LPARAM inParam, std::uint32_t)
{
    if (FindDC(inDC) == nullptr) {
        return 0;
    }
    if (inProc == nullptr) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    static const TEXTMETRICA sMetrics = [] {
        TEXTMETRICA theMetrics{};
        theMetrics.tmWeight = FW_NORMAL;
        theMetrics.tmPitchAndFamily = 0x06;
        return theMetrics;
    }();
    const std::uint8_t theCharSet = inLogFont ? inLogFont->lfCharSet : DEFAULT_CHARSET;
    const char* theFace = (inLogFont && inLogFont->lfFaceName[0] != '\0') ? inLogFont->lfFaceName : nullptr;
    const FontCatalogue::Snapshot theFamilies = FontCatalogue::Instance().Families();
    int theResult = 1;
    for (const FontFamilyEntry& theFamily : *theFamilies) {
        if (theCharSet == ANSI_CHARSET && !theFamily.mLatin) {
            continue;
        }
        if (theFace != nullptr && strncasecmp(theFace, theFamily.mRecord.elfLogFont.lfFaceName, LF_FACESIZE) != 0) {
            continue;
        }
        theResult = inProc(&theFamily.mRecord, &sMetrics, TRUETYPE_FONTTYPE, inParam);
        if (theResult == 0) {
            break;
        }
    }
    return theResult;
}
