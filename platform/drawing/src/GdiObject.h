// The objects behind handles: a common base and the small plain kinds.
#pragma once

#include "drawing/Gdi.h"

#include <atomic>
#include <cairo.h>
#include <memory>

enum class GdiKind { kDeviceContext, kBitmap, kPen, kBrush, kFont };

class GdiObject {
public:
    explicit GdiObject(GdiKind inKind) : mKind(inKind) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    const GdiKind mKind;
    bool mStock = false;                // never deleted
    std::uint32_t mHandle = 0;          // set when entered in the table
    std::atomic<int> mSelections{0};    // device contexts holding it; deletion is refused meanwhile
    std::atomic<bool> mRemoved{false};  // out of the table: a pin must no longer find it
};

class PenObject : public GdiObject {
public:
    PenObject(int inStyle, int inWidth, COLORREF inColor)
        : GdiObject(GdiKind::kPen), mStyle(inStyle), mWidth(inWidth < 1 ? 1 : inWidth), mColor(inColor & 0xFFFFFF)
    {
    }
    const int mStyle;
    const int mWidth;  // pixels, at least 1
    const COLORREF mColor;
};

class BrushObject : public GdiObject {
public:
    enum class Style { kSolid, kNull, kPattern };
    BrushObject(Style inStyle, COLORREF inColor, cairo_surface_t* inPattern)
        : GdiObject(GdiKind::kBrush), mStyle(inStyle), mColor(inColor & 0xFFFFFF), mPattern(inPattern)
    {
    }
    ~BrushObject() override
    {
        if (mPattern != nullptr) {
            cairo_surface_destroy(mPattern);
        }
    }
    const Style mStyle;
    const COLORREF mColor;
    cairo_surface_t* const mPattern;  // owned copy of the pattern's pixels (RGB24)
};
