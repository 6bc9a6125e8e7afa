// The classic entry points for a device context's state: modes, the world
// transform, colours and single pixels.
#include "ContextRef.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

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

// The shape every two-or-more-valued mode setter shares: the old mode back, or 0 for a
// missing context or a mode outside the allowed ones.
int ReplaceMode(HDC inDC, int DeviceContext::*inField, int inMode, std::initializer_list<int> inAllowed)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    if (std::find(inAllowed.begin(), inAllowed.end(), inMode) == inAllowed.end()) {
        return Fail(kGdiErrorInvalidParameter, 0);
    }
    const int theOld = (*theDC).*inField;
    (*theDC).*inField = inMode;
    return theOld;
}

// The colour setters' shape: the old colour back, or CLR_INVALID for a missing context.
COLORREF ReplaceColor(HDC inDC, COLORREF DeviceContext::*inField, COLORREF inColor)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return CLR_INVALID;
    }
    const COLORREF theOld = (*theDC).*inField;
    (*theDC).*inField = inColor & 0xFFFFFF;
    return theOld;
}

}  // namespace

int SetMapMode(HDC inDC, int inMode)
{
    return ReplaceMode(inDC, &DeviceContext::mMapMode, inMode, {MM_TEXT});
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

BOOL GdiSetDrawAlpha(HDC inDC, BYTE inPen, BYTE inBrush, BYTE inText)
{
    ContextRef theDC = FindDC(inDC);
    if (theDC == nullptr) {
        return 0;
    }
    theDC->mPenAlpha = inPen;
    theDC->mBrushAlpha = inBrush;
    theDC->mTextAlpha = inText;
    return 1;
}

COLORREF SetTextColor(HDC inDC, COLORREF inColor)
{
    return ReplaceColor(inDC, &DeviceContext::mTextColor, inColor);
}

COLORREF GetTextColor(HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    return theDC ? theDC->mTextColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC inDC, COLORREF inColor)
{
    return ReplaceColor(inDC, &DeviceContext::mBkColor, inColor);
}

COLORREF GetBkColor(HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    return theDC ? theDC->mBkColor : CLR_INVALID;
}

int SetBkMode(HDC inDC, int inMode)
{
    return ReplaceMode(inDC, &DeviceContext::mBkMode, inMode, {TRANSPARENT, OPAQUE});
}

int GetBkMode(HDC inDC)
{
    ContextRef theDC = FindDC(inDC);
    return theDC ? theDC->mBkMode : 0;
}

int SetPolyFillMode(HDC inDC, int inMode)
{
    return ReplaceMode(inDC, &DeviceContext::mFillMode, inMode, {ALTERNATE, WINDING});
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
