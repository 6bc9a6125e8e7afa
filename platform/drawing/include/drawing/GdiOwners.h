// One owner for each handle a caller makes through this layer, and for each
// selection or setting it changes on a device context, so that an early
// return or an exception deletes what was made and puts the context back.
// Owners are move-only; a default-made one owns nothing.
#pragma once

#include <utility>

#include "drawing/Gdi.h"

// A handle given back with inFree when the owner goes; 0 is no handle.
template <auto inFree>
class GdiHandle {
public:
    GdiHandle() = default;
    explicit GdiHandle(HGDIOBJ inHandle) : mHandle(inHandle) {}
    GdiHandle(GdiHandle&& ioOther) noexcept : mHandle(std::exchange(ioOther.mHandle, 0)) {}
    GdiHandle& operator=(GdiHandle&& ioOther) noexcept
    {
        Reset(std::exchange(ioOther.mHandle, 0));
        return *this;
    }
    ~GdiHandle() { Reset(); }

    HGDIOBJ Get() const { return mHandle; }
    void Reset(HGDIOBJ inHandle = 0)
    {
        if (mHandle != 0)
            inFree(mHandle);
        mHandle = inHandle;
    }

private:
    HGDIOBJ mHandle = 0;
};

inline BOOL ReleaseScreenDC(HDC inDC)
{
    return ReleaseDC(0, inDC);
}

using GdiObjectOwner = GdiHandle<DeleteObject>;  // pens, brushes, fonts, bitmaps
using GdiDCOwner = GdiHandle<DeleteDC>;
using ScreenDCOwner = GdiHandle<ReleaseScreenDC>;

// An object selected into a context; the one it displaced goes back when the
// owner goes. Declared after the owner of the object, so that the object is
// no longer selected when it is deleted.
class GdiSelection {
public:
    GdiSelection() = default;
    GdiSelection(HDC inDC, HGDIOBJ inObject) : mDC(inDC), mOld(inObject != 0 ? SelectObject(inDC, inObject) : 0) {}
    GdiSelection(GdiSelection&& ioOther) noexcept : mDC(ioOther.mDC), mOld(std::exchange(ioOther.mOld, 0)) {}
    GdiSelection& operator=(GdiSelection&& ioOther) noexcept
    {
        Restore();
        mDC = ioOther.mDC;
        mOld = std::exchange(ioOther.mOld, 0);
        return *this;
    }
    ~GdiSelection() { Restore(); }

    bool IsSelected() const { return mOld != 0; }

private:
    void Restore()
    {
        if (mOld != 0)
            SelectObject(mDC, std::exchange(mOld, 0));
    }

    HDC mDC = 0;
    HGDIOBJ mOld = 0;
};

// A context setting changed through inSet (which returns the old value, or
// inFailed); the old value goes back when the owner goes, unless it is the
// one set, which putting back would not change.
template <class Value, auto inSet, Value inFailed>
class GdiSetting {
public:
    GdiSetting() = default;
    GdiSetting(HDC inDC, Value inValue) : mDC(inDC), mNew(inValue), mOld(inSet(inDC, inValue)) {}
    GdiSetting(GdiSetting&& ioOther) noexcept
        : mDC(ioOther.mDC), mNew(ioOther.mNew), mOld(std::exchange(ioOther.mOld, inFailed))
    {
    }
    GdiSetting& operator=(GdiSetting&& ioOther) noexcept
    {
        Restore();
        mDC = ioOther.mDC;
        mNew = ioOther.mNew;
        mOld = std::exchange(ioOther.mOld, inFailed);
        return *this;
    }
    ~GdiSetting() { Restore(); }

    bool IsSet() const { return mOld != inFailed; }

private:
    void Restore()
    {
        if (mOld != inFailed && mOld != mNew)
            inSet(mDC, mOld);
        mOld = inFailed;
    }

    HDC mDC = 0;
    Value mNew = inFailed;
    Value mOld = inFailed;
};

using GdiMapMode = GdiSetting<int, SetMapMode, 0>;
using GdiBkMode = GdiSetting<int, SetBkMode, 0>;
using GdiTextColor = GdiSetting<COLORREF, SetTextColor, CLR_INVALID>;

// The advanced graphics mode with a world transform; the identity transform
// and the old mode go back when the owner goes.
class GdiWorldTransform {
public:
    GdiWorldTransform() = default;
    GdiWorldTransform(HDC inDC, const XFORM& inTransform)
        : mDC(inDC),
          mOldMode(SetGraphicsMode(inDC, GM_ADVANCED)),
          mApplied(mOldMode != 0 && SetWorldTransform(inDC, &inTransform))
    {
    }
    GdiWorldTransform(GdiWorldTransform&& ioOther) noexcept
        : mDC(std::exchange(ioOther.mDC, 0)), mOldMode(std::exchange(ioOther.mOldMode, 0)), mApplied(ioOther.mApplied)
    {
    }
    GdiWorldTransform& operator=(GdiWorldTransform&& ioOther) noexcept
    {
        Restore();
        mDC = std::exchange(ioOther.mDC, 0);
        mOldMode = std::exchange(ioOther.mOldMode, 0);
        mApplied = ioOther.mApplied;
        return *this;
    }
    ~GdiWorldTransform() { Restore(); }

    // False when the mode or the transform was refused.
    bool IsApplied() const { return mApplied; }

private:
    void Restore()
    {
        if (mDC == 0)
            return;
        // The mode goes back to compatible only with the identity transform.
        ModifyWorldTransform(mDC, nullptr, MWT_IDENTITY);
        if (mOldMode != 0)
            SetGraphicsMode(mDC, mOldMode);
        mDC = 0;
    }

    HDC mDC = 0;
    int mOldMode = 0;
    bool mApplied = false;
};

// The context pinned on this thread (GdiPinDC) until the owner goes.
// Opacities set on a device context (GdiSetDrawAlpha) and put back to opaque.
class GdiDrawAlpha {
public:
    GdiDrawAlpha() = default;
    GdiDrawAlpha(HDC inDC, BYTE inPen, BYTE inBrush, BYTE inText)
        : mDC(GdiSetDrawAlpha(inDC, inPen, inBrush, inText) != 0 ? inDC : 0)
    {
    }
    GdiDrawAlpha(GdiDrawAlpha&& ioOther) noexcept : mDC(std::exchange(ioOther.mDC, 0)) {}
    GdiDrawAlpha& operator=(GdiDrawAlpha&& ioOther) noexcept
    {
        Release();
        mDC = std::exchange(ioOther.mDC, 0);
        return *this;
    }
    ~GdiDrawAlpha() { Release(); }

private:
    void Release()
    {
        if (const HDC theDC = std::exchange(mDC, 0))
            GdiSetDrawAlpha(theDC, 255, 255, 255);
    }

    HDC mDC = 0;
};

class GdiPin {
public:
    GdiPin() = default;
    explicit GdiPin(HDC inDC) : mPinned(GdiPinDC(inDC) != 0) {}
    GdiPin(GdiPin&& ioOther) noexcept : mPinned(std::exchange(ioOther.mPinned, false)) {}
    GdiPin& operator=(GdiPin&& ioOther) noexcept
    {
        Release();
        mPinned = std::exchange(ioOther.mPinned, false);
        return *this;
    }
    ~GdiPin() { Release(); }

private:
    void Release()
    {
        if (std::exchange(mPinned, false))
            GdiUnpinDC();
    }

    bool mPinned = false;
};
