// The classic entry points: look handles up, check arguments, forward to the
// objects, and report failures through the layer's last error. This unit:
// bitmaps, device contexts, object creation and selection; GdiStateApi.cpp
// the contexts' modes, transforms and colours; GdiDrawApi.cpp shapes, paths
// and text.
#include "ContextRef.h"
#include "DibSection.h"
#include "FontCatalogue.h"
#include "FontObject.h"
#include "HandleTable.h"
#include "StockObjects.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

}  // namespace

// ---- Bitmaps ---------------------------------------------------------------

HBITMAP CreateDIBSectionOnPixels(int inWidth, int inHeight, int inBitsPerPixel, int inRowBytes, void* inBits,
                                 const RGBQUAD* inPalette, int inPaletteCount)
{
    std::shared_ptr<DibSection> theBitmap =
        DibSection::Make(inWidth, inHeight, inBitsPerPixel, inRowBytes, inBits, inPalette, inPaletteCount);
    if (theBitmap == nullptr) {
        return Fail<HBITMAP>(kGdiErrorInvalidParameter, 0);
    }
    return Enter(std::move(theBitmap));
}

int GetObjectA(HGDIOBJ inObject, int inSize, void* outData)
{
    std::shared_ptr<GdiObject> theObject = HandleTable::Instance().Find(inObject);
    if (theObject == nullptr) {
        return Fail(kGdiErrorInvalidHandle, 0);
    }
    if (theObject->mKind == GdiKind::kFont) {
        if (outData == nullptr) {
            return static_cast<int>(sizeof(LOGFONTA));
        }
        if (inSize < static_cast<int>(sizeof(LOGFONTA))) {
            return Fail(kGdiErrorInvalidParameter, 0);
        }
        std::memcpy(outData, &static_cast<const FontObject&>(*theObject).LogFont(), sizeof(LOGFONTA));
        return static_cast<int>(sizeof(LOGFONTA));
    }
    if (theObject->mKind != GdiKind::kBitmap) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    const auto& theBitmap = static_cast<const DibSection&>(*theObject);
    if (outData == nullptr) {
        return static_cast<int>(sizeof(DIBSECTION));
    }
    if (inSize < static_cast<int>(sizeof(BITMAP))) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    DIBSECTION theSection{};
    theSection.dsBm.bmType = 0;
    theSection.dsBm.bmWidth = theBitmap.Width();
    theSection.dsBm.bmHeight = theBitmap.Height();
    theSection.dsBm.bmWidthBytes = theBitmap.RowBytes();
    theSection.dsBm.bmPlanes = 1;
    theSection.dsBm.bmBitsPixel = static_cast<WORD>(theBitmap.BitsPerPixel());
    theSection.dsBm.bmBits = theBitmap.Bits();
    theSection.dsBmih.biSize = 40;
    theSection.dsBmih.biWidth = theBitmap.Width();
    theSection.dsBmih.biHeight = -theBitmap.Height();
    theSection.dsBmih.biPlanes = 1;
    theSection.dsBmih.biBitCount = static_cast<WORD>(theBitmap.BitsPerPixel());
    theSection.dsBmih.biCompression = 0;
    const std::uint64_t theImageSize = static_cast<std::uint64_t>(theBitmap.RowBytes()) * theBitmap.Height();
    theSection.dsBmih.biSizeImage = static_cast<DWORD>(std::min<std::uint64_t>(theImageSize, 0xFFFFFFFFu));
    theSection.dsBmih.biXPelsPerMeter = 3780;  // 96 dots per inch
    theSection.dsBmih.biYPelsPerMeter = 3780;
    theSection.dsBmih.biClrUsed = static_cast<DWORD>(theBitmap.Palette().size());
    const int theWritten = inSize >= static_cast<int>(sizeof(DIBSECTION)) ? static_cast<int>(sizeof(DIBSECTION))
                                                                          : static_cast<int>(sizeof(BITMAP));
    std::memcpy(outData, &theSection, static_cast<std::size_t>(theWritten));
    return theWritten;
}

UINT GetBitmapColorTable(HBITMAP inBitmap, UINT inStart, UINT inCount, RGBQUAD* outColors)
{
    std::shared_ptr<DibSection> theBitmap = HandleTable::Instance().FindAs<DibSection>(inBitmap, GdiKind::kBitmap);
    if (theBitmap == nullptr) {
        return Fail<UINT>(kGdiErrorInvalidHandle, 0);
    }
    if (outColors == nullptr) {
        return Fail<UINT>(kGdiErrorInvalidParameter, 0);
    }
    const auto& thePalette = theBitmap->Palette();
    UINT theCopied = 0;
    for (UINT theIndex = inStart; theIndex < thePalette.size() && theCopied < inCount; ++theIndex) {
        outColors[theCopied++] = thePalette[theIndex];
    }
    return theCopied;
}

UINT GetDIBColorTable(HDC inDC, UINT inStart, UINT inCount, RGBQUAD* outColors)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (theDC->Bitmap() == nullptr) {
        return Fail<UINT>(kGdiErrorInvalidParameter, 0);
    }
    return GetBitmapColorTable(theDC->Bitmap()->mHandle, inStart, inCount, outColors);
}

BOOL DeleteObject(HGDIOBJ inObject)
{
    const std::uint32_t theError = HandleTable::Instance().RemoveObject(inObject);
    return theError == 0 ? 1 : Fail(theError, 0);
}

// ---- Device contexts -------------------------------------------------------

HDC CreateDCOnBitmap(HBITMAP inBitmap)
{
    std::shared_ptr<DibSection> theBitmap = HandleTable::Instance().FindAs<DibSection>(inBitmap, GdiKind::kBitmap);
    if (theBitmap == nullptr) {
        return Fail<HDC>(kGdiErrorInvalidHandle, 0);
    }
    return Enter(NewDC(std::move(theBitmap)));
}

BOOL DeleteDC(HDC inDC)
{
    const std::uint32_t theError = HandleTable::Instance().Remove(inDC, GdiKind::kDeviceContext);
    return theError == 0 ? 1 : Fail(theError, 0);
}

HDC GetDC(HWND inWindow)
{
    if (inWindow != 0) {
        return Fail<HDC>(kGdiErrorInvalidHandle, 0);  // there are no windows
    }
    return Enter(NewDC(nullptr));
}

int ReleaseDC(HWND, HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr || theDC->Bitmap() != nullptr) {
        return Fail(kGdiErrorInvalidHandle, 0);
    }
    return DeleteDC(inDC);
}

int GetDeviceCaps(HDC inDC, int inIndex)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    const auto& theBitmap = theDC->Bitmap();
    switch (inIndex) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return kDotsPerInch;
    case HORZRES:
        return theBitmap ? theBitmap->Width() : kScreenWidth;
    case VERTRES:
        return theBitmap ? theBitmap->Height() : kScreenHeight;
    case BITSPIXEL:
        return theBitmap ? theBitmap->BitsPerPixel() : 32;
    default:
        return 0;
    }
}

HGDIOBJ SelectObject(HDC inDC, HGDIOBJ inObject)
{
    // Every shape selects and restores a pen and a brush: a pinned context
    // needs only the object from the table, another is found with it under one hold.
    HGDIOBJ theOld = 0;
    if (DeviceContext* thePinned = PinnedDC(inDC)) {
        std::shared_ptr<GdiObject> theObject = HandleTable::Instance().Find(inObject);
        if (theObject == nullptr) {
            return Fail<HGDIOBJ>(kGdiErrorInvalidHandle, 0);
        }
        theOld = thePinned->Select(theObject);
    } else {
        HandleTable::ContextAndObject theFound = HandleTable::Instance().FindContextAndObject(inDC, inObject);
        if (theFound.mContext == nullptr || theFound.mObject == nullptr) {
            return Fail<HGDIOBJ>(kGdiErrorInvalidHandle, 0);
        }
        theOld = std::static_pointer_cast<DeviceContext>(std::move(theFound.mContext))->Select(theFound.mObject);
    }
    if (theOld == 0) {
        return Fail<HGDIOBJ>(kGdiErrorInvalidParameter, 0);
    }
    return theOld;
}

HGDIOBJ GetStockObject(int inIndex)
{
    return StockObjects::Instance().Handle(inIndex);
}

HPEN CreatePen(int inStyle, int inWidth, COLORREF inColor)
{
    if ((inStyle != PS_SOLID && inStyle != PS_NULL) || inWidth < 0) {
        return Fail<HPEN>(kGdiErrorInvalidParameter, 0);
    }
    return Enter(std::make_shared<PenObject>(inStyle, inWidth, inColor));
}

HBRUSH CreateSolidBrush(COLORREF inColor)
{
    return Enter(std::make_shared<BrushObject>(BrushObject::Style::kSolid, inColor, nullptr));
}

HBRUSH CreatePatternBrush(HBITMAP inBitmap)
{
    std::shared_ptr<DibSection> theBitmap = HandleTable::Instance().FindAs<DibSection>(inBitmap, GdiKind::kBitmap);
    if (theBitmap == nullptr) {
        return Fail<HBRUSH>(kGdiErrorInvalidHandle, 0);
    }
    cairo_surface_t* theCopy = theBitmap->CopyToSurface();
    if (theCopy == nullptr) {
        return Fail<HBRUSH>(kGdiErrorNoMemory, 0);
    }
    return Enter(std::make_shared<BrushObject>(BrushObject::Style::kPattern, 0, theCopy));
}

HFONT CreateFontA(int inHeight, int inWidth, int inEscapement, int inOrientation, int inWeight, DWORD inItalic,
                  DWORD inUnderline, DWORD inStrikeOut, DWORD inCharSet, DWORD inOutPrecision, DWORD inClipPrecision,
                  DWORD inQuality, DWORD inPitchAndFamily, const char* inFaceName)
{
    LOGFONTA theFont{};
    theFont.lfHeight = inHeight;
    theFont.lfWidth = inWidth;
    theFont.lfEscapement = inEscapement;
    theFont.lfOrientation = inOrientation;
    theFont.lfWeight = inWeight;
    theFont.lfItalic = static_cast<std::uint8_t>(inItalic != 0);
    theFont.lfUnderline = static_cast<std::uint8_t>(inUnderline != 0);
    theFont.lfStrikeOut = static_cast<std::uint8_t>(inStrikeOut != 0);
    theFont.lfCharSet = static_cast<std::uint8_t>(inCharSet);
    theFont.lfOutPrecision = static_cast<std::uint8_t>(inOutPrecision);
    theFont.lfClipPrecision = static_cast<std::uint8_t>(inClipPrecision);
    theFont.lfQuality = static_cast<std::uint8_t>(inQuality);
    theFont.lfPitchAndFamily = static_cast<std::uint8_t>(inPitchAndFamily);
    if (inFaceName != nullptr) {
        std::strncpy(theFont.lfFaceName, inFaceName, LF_FACESIZE - 1);
    }
    return CreateFontIndirectA(&theFont);
}

HFONT CreateFontIndirectA(const LOGFONTA* inLogFont)
{
    if (inLogFont == nullptr || inLogFont->lfHeight == INT32_MIN) {
        return Fail<HFONT>(kGdiErrorInvalidParameter, 0);
    }
    return Enter(std::make_shared<FontObject>(*inLogFont));
}

int GdiResolveFamily(const char* inFaceName, char* outName, int inSize)
{
    const std::string theFamily = FontCatalogue::Instance().Resolve(inFaceName);
    if (outName == nullptr || inSize <= static_cast<int>(theFamily.size())) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    std::memcpy(outName, theFamily.c_str(), theFamily.size() + 1);
    return static_cast<int>(theFamily.size());
}

std::uint64_t GdiFontCatalogueGeneration()
{
    return FontCatalogue::Instance().CurrentGeneration();
}
