#include "TextContext.h"

#include "FontCatalogue.h"

#include <pango/pangofc-fontmap.h>

namespace {

struct ThreadContext {
    PangoContext* mContext = nullptr;
    std::uint64_t mGeneration = 0;
    ~ThreadContext()
    {
        if (mContext != nullptr) {
            g_object_unref(mContext);
        }
    }
};

thread_local ThreadContext tContext;

}  // namespace

const cairo_font_options_t* TextContext::FontOptions()
{
    static cairo_font_options_t* sOptions = [] {
        cairo_font_options_t* theOptions = cairo_font_options_create();
        cairo_font_options_set_antialias(theOptions, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_metrics(theOptions, CAIRO_HINT_METRICS_ON);
        cairo_font_options_set_hint_style(theOptions, CAIRO_HINT_STYLE_SLIGHT);
        return theOptions;
    }();
    return sOptions;
}

PangoContext* TextContext::Current()
{
    const std::uint64_t theGeneration = FontCatalogue::Instance().Generation();
    if (tContext.mContext != nullptr && tContext.mGeneration == theGeneration) {
        return tContext.mContext;
    }
    PangoFontMap* theMap = pango_cairo_font_map_get_default();
    if (tContext.mContext != nullptr) {
        g_object_unref(tContext.mContext);
        if (PANGO_IS_FC_FONT_MAP(theMap)) {
            pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(theMap));
        }
    }
    tContext.mContext = pango_font_map_create_context(theMap);
    pango_cairo_context_set_resolution(tContext.mContext, 96.0);
    pango_cairo_context_set_font_options(tContext.mContext, FontOptions());
    tContext.mGeneration = theGeneration;
    return tContext.mContext;
}
