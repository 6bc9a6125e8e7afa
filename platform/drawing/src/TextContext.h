// The calling thread's Pango context: pixel units, grey antialiasing, whole
// pixel advances. Pango's default font map is per thread; so is this.
#pragma once

#include <pango/pangocairo.h>

class TextContext {
public:
    // Never null; refreshed when the font catalogue saw the configuration change.
    static PangoContext* Current();
    static const cairo_font_options_t* FontOptions();
};
