// The classic entry points: look handles up, check arguments, forward to the
// objects, and report failures through the layer's last error.
#include "DeviceContext.h"
#include "DibSection.h"
#include "FontCatalogue.h"
#include "FontObject.h"
#include "HandleTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <strings.h>

namespace {

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kDotsPerInch = 96;
constexpr int kStockCount = 18;

template <class T>
T Fail(DWORD inError, T inResult)
{
    GdiSetLastError(inError);
    return inResult;
}

// Stock objects live for the whole process; the table never deletes them.
class StockObjects {
public:
    static StockObjects& Instance()
    {
        static StockObjects* sStock = new StockObjects();
        return *sStock;
    }
    HGDIOBJ Handle(int inIndex) const
    {
        return inIndex >= 0 && inIndex < kStockCount ? mHandles[inIndex] : 0;
    }
    // Kept here rather than looked up: every device context starts with three.
    template <class T>
    std::shared_ptr<T> Object(int inIndex, GdiKind inKind) const
    {
        if (inIndex < 0 || inIndex >= kStockCount || mObjects[inIndex] == nullptr ||
            mObjects[inIndex]->mKind != inKind) {
            return nullptr;
        }
        return std::static_pointer_cast<T>(mObjects[inIndex]);
    }

private:
    StockObjects()
    {
        Add(WHITE_BRUSH, std::make_shared<BrushObject>(BrushObject::Style::kSolid, RGB(255, 255, 255), nullptr));
        Add(BLACK_BRUSH, std::make_shared<BrushObject>(BrushObject::Style::kSolid, RGB(0, 0, 0), nullptr));
        Add(NULL_BRUSH, std::make_shared<BrushObject>(BrushObject::Style::kNull, 0, nullptr));
        Add(WHITE_PEN, std::make_shared<PenObject>(PS_SOLID, 1, RGB(255, 255, 255)));
        Add(BLACK_PEN, std::make_shared<PenObject>(PS_SOLID, 1, RGB(0, 0, 0)));
        Add(NULL_PEN, std::make_shared<PenObject>(PS_NULL, 1, 0));
        LOGFONTA theFont{};
        theFont.lfWeight = FW_NORMAL;
        Add(SYSTEM_FONT, std::make_shared<FontObject>(theFont));
        theFont.lfHeight = -MulDiv(8, kDotsPerInch, 72);
        Add(DEFAULT_GUI_FONT, std::make_shared<FontObject>(theFont));
    }
    void Add(int inIndex, std::shared_ptr<GdiObject> inObject)
    {
        inObject->mStock = true;
        mObjects[inIndex] = inObject;
        mHandles[inIndex] = HandleTable::Instance().Add(std::move(inObject));
        if (mHandles[inIndex] == 0) {
            mObjects[inIndex] = nullptr;
        }
    }
    HGDIOBJ mHandles[kStockCount] = {};
    std::shared_ptr<GdiObject> mObjects[kStockCount];
};

// A device context found for one call: borrowed from this thread's pin, which
// keeps it alive, or shared from the table.
class ContextRef {
public:
    ContextRef() = default;
    explicit ContextRef(DeviceContext* inPinned) : mContext(inPinned) {}
    explicit ContextRef(std::shared_ptr<DeviceContext> inShared)
        : mShared(std::move(inShared)), mContext(mShared.get())
    {
    }
    DeviceContext* operator->() const { return mContext; }
    DeviceContext& operator*() const { return *mContext; }
    bool operator==(std::nullptr_t) const { return mContext == nullptr; }
    explicit operator bool() const { return mContext != nullptr; }

private:
    std::shared_ptr<DeviceContext> mShared;
    DeviceContext* mContext = nullptr;
};

// This thread's pin. Plain values with the initial-exec model, so that every
// lookup reads them straight from the thread's block instead of calling the
// dynamic TLS resolver (which cost more than the lock it spares); the owning
// reference lives on the heap until GdiUnpinDC.
__attribute__((tls_model("initial-exec"))) thread_local HDC tPinnedHandle = 0;
__attribute__((tls_model("initial-exec"))) thread_local DeviceContext* tPinnedContext = nullptr;
__attribute__((tls_model("initial-exec"))) thread_local std::shared_ptr<DeviceContext>* tPinnedOwner = nullptr;

// A shape makes a dozen calls on one context: the pin spares each the
// table's lock and a shared count.
DeviceContext* PinnedDC(HDC inDC)
{
    if (inDC != 0 && inDC == tPinnedHandle && !tPinnedContext->mRemoved.load(std::memory_order_acquire)) {
        return tPinnedContext;
    }
    return nullptr;
}

ContextRef FindDC(HDC inDC)
{
    if (DeviceContext* thePinned = PinnedDC(inDC)) {
        return ContextRef(thePinned);
    }
    std::shared_ptr<DeviceContext> theDC =
        HandleTable::Instance().FindAs<DeviceContext>(inDC, GdiKind::kDeviceContext);
    if (theDC == nullptr) {
        GdiSetLastError(kGdiErrorInvalidHandle);
    }
    return ContextRef(std::move(theDC));
}

std::shared_ptr<DeviceContext> NewDC(std::shared_ptr<DibSection> inBitmap)
{
    const StockObjects& theStock = StockObjects::Instance();
    return std::make_shared<DeviceContext>(std::move(inBitmap),
                                           theStock.Object<PenObject>(BLACK_PEN, GdiKind::kPen),
                                           theStock.Object<BrushObject>(WHITE_BRUSH, GdiKind::kBrush),
                                           theStock.Object<FontObject>(SYSTEM_FONT, GdiKind::kFont));
}

HGDIOBJ Enter(std::shared_ptr<GdiObject> inObject)
{
    const HGDIOBJ theHandle = HandleTable::Instance().Add(std::move(inObject));
    if (theHandle == 0) {
        GdiSetLastError(kGdiErrorNoMemory);
    }
    return theHandle;
}

bool ValidXform(const XFORM& inTransform)
{
    const double theDet = static_cast<double>(inTransform.eM11) * inTransform.eM22 -
                          static_cast<double>(inTransform.eM12) * inTransform.eM21;
    const float theValues[] = {inTransform.eM11, inTransform.eM12, inTransform.eM21,
                               inTransform.eM22, inTransform.eDx,  inTransform.eDy};
    for (float theValue : theValues) {
        if (!std::isfinite(theValue)) {
            return false;
        }
    }
    return theDet != 0.0;
}

cairo_matrix_t ToMatrix(const XFORM& inTransform)
{
    cairo_matrix_t theMatrix;
    cairo_matrix_init(&theMatrix, inTransform.eM11, inTransform.eM12, inTransform.eM21, inTransform.eM22,
                      inTransform.eDx, inTransform.eDy);
    return theMatrix;
}

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

BOOL GdiPinDC(HDC inDC)
{
    std::shared_ptr<DeviceContext> theDC =
        HandleTable::Instance().FindAs<DeviceContext>(inDC, GdiKind::kDeviceContext);
    if (theDC == nullptr) {
        GdiUnpinDC();
        return Fail(kGdiErrorInvalidHandle, 0);
    }
    GdiUnpinDC();
    tPinnedContext = theDC.get();
    tPinnedOwner = new std::shared_ptr<DeviceContext>(std::move(theDC));
    tPinnedHandle = inDC;
    return 1;
}

void GdiUnpinDC()
{
    tPinnedHandle = 0;
    tPinnedContext = nullptr;
    delete tPinnedOwner;
    tPinnedOwner = nullptr;
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

int SetMapMode(HDC inDC, int inMode)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (inMode != MM_TEXT) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    const int theOld = theDC->mMapMode;
    theDC->mMapMode = inMode;
    return theOld;
}

int GetMapMode(HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    return theDC ? theDC->mMapMode : 0;
}

int SetGraphicsMode(HDC inDC, int inMode)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (inMode != GM_COMPATIBLE && inMode != GM_ADVANCED) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    if (inMode == GM_COMPATIBLE) {
        const cairo_matrix_t& theMatrix = theDC->mTransform;
        const bool theIdentity = theMatrix.xx == 1 && theMatrix.yy == 1 && theMatrix.xy == 0 && theMatrix.yx == 0 &&
                                 theMatrix.x0 == 0 && theMatrix.y0 == 0;
        if (!theIdentity) {
            return Fail(kGdiErrorInvalidParameter, 0);
        }
    }
    const int theOld = theDC->mGraphicsMode;
    theDC->mGraphicsMode = inMode;
    return theOld;
}

int GetGraphicsMode(HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    return theDC ? theDC->mGraphicsMode : 0;
}

BOOL SetWorldTransform(HDC inDC, const XFORM* inTransform)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (theDC->mGraphicsMode != GM_ADVANCED || inTransform == nullptr || !ValidXform(*inTransform)) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    theDC->mTransform = ToMatrix(*inTransform);
    return 1;
}

BOOL GetWorldTransform(HDC inDC, XFORM* outTransform)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (outTransform == nullptr) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    const cairo_matrix_t& theMatrix = theDC->mTransform;
    *outTransform = {static_cast<float>(theMatrix.xx), static_cast<float>(theMatrix.yx),
                     static_cast<float>(theMatrix.xy), static_cast<float>(theMatrix.yy),
                     static_cast<float>(theMatrix.x0), static_cast<float>(theMatrix.y0)};
    return 1;
}

BOOL ModifyWorldTransform(HDC inDC, const XFORM* inTransform, DWORD inMode)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (inMode == MWT_IDENTITY) {
        cairo_matrix_init_identity(&theDC->mTransform);
        return 1;
    }
    if (theDC->mGraphicsMode != GM_ADVANCED || inTransform == nullptr || !ValidXform(*inTransform) ||
        (inMode != MWT_LEFTMULTIPLY && inMode != MWT_RIGHTMULTIPLY)) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    const cairo_matrix_t theGiven = ToMatrix(*inTransform);
    const cairo_matrix_t theCurrent = theDC->mTransform;
    // Points are row vectors: left multiplication applies the given transform first.
    if (inMode == MWT_LEFTMULTIPLY) {
        cairo_matrix_multiply(&theDC->mTransform, &theGiven, &theCurrent);
    } else {
        cairo_matrix_multiply(&theDC->mTransform, &theCurrent, &theGiven);
    }
    return 1;
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

COLORREF SetTextColor(HDC inDC, COLORREF inColor)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return CLR_INVALID;
    }
    const COLORREF theOld = theDC->mTextColor;
    theDC->mTextColor = inColor & 0xFFFFFF;
    return theOld;
}

COLORREF GetTextColor(HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    return theDC ? theDC->mTextColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC inDC, COLORREF inColor)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return CLR_INVALID;
    }
    const COLORREF theOld = theDC->mBkColor;
    theDC->mBkColor = inColor & 0xFFFFFF;
    return theOld;
}

COLORREF GetBkColor(HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    return theDC ? theDC->mBkColor : CLR_INVALID;
}

int SetBkMode(HDC inDC, int inMode)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (inMode != TRANSPARENT && inMode != OPAQUE) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    const int theOld = theDC->mBkMode;
    theDC->mBkMode = inMode;
    return theOld;
}

int GetBkMode(HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    return theDC ? theDC->mBkMode : 0;
}

int SetPolyFillMode(HDC inDC, int inMode)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (inMode != ALTERNATE && inMode != WINDING) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    const int theOld = theDC->mFillMode;
    theDC->mFillMode = inMode;
    return theOld;
}

COLORREF GetPixel(HDC inDC, int inX, int inY)
{
    ContextRef theDC = FindDC(inDC);
    return theDC ? theDC->GetPixel(inX, inY) : CLR_INVALID;
}

COLORREF SetPixel(HDC inDC, int inX, int inY, COLORREF inColor)
{
    ContextRef theDC = FindDC(inDC);
    return theDC ? theDC->SetPixel(inX, inY, inColor) : CLR_INVALID;
}

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
