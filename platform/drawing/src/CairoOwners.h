// One owner for each Cairo, Pango and fontconfig object the layer makes (a
// unique_ptr freeing it with the library's own call), and for each
// cairo_save, so that every early return releases what it must.
#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <memory>
#include <pango/pango.h>

template <auto inFree>
struct FreeWith {
    template <class T>
    void operator()(T* inObject) const
    {
        inFree(inObject);
    }
};

using CairoContext = std::unique_ptr<cairo_t, FreeWith<cairo_destroy>>;
using CairoSurface = std::unique_ptr<cairo_surface_t, FreeWith<cairo_surface_destroy>>;
using CairoPath = std::unique_ptr<cairo_path_t, FreeWith<cairo_path_destroy>>;
using CairoPattern = std::unique_ptr<cairo_pattern_t, FreeWith<cairo_pattern_destroy>>;
using PangoLayoutOwner = std::unique_ptr<PangoLayout, FreeWith<g_object_unref>>;
using PangoIterOwner = std::unique_ptr<PangoLayoutIter, FreeWith<pango_layout_iter_free>>;
using PangoMetricsOwner = std::unique_ptr<PangoFontMetrics, FreeWith<pango_font_metrics_unref>>;

// The context's state from construction to destruction.
class CairoSaved {
public:
    explicit CairoSaved(cairo_t* inContext) : mContext(inContext) { cairo_save(mContext); }
    ~CairoSaved() { cairo_restore(mContext); }
    CairoSaved(const CairoSaved&) = delete;
    CairoSaved& operator=(const CairoSaved&) = delete;

private:
    cairo_t* mContext;
};
