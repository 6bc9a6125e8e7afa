// A logical font: the request as given, the family it resolved to, and the
// metrics of that family at the requested size (measured once, on first use).
#pragma once

#include "GdiObject.h"

#include <mutex>
#include <pango/pangocairo.h>
#include <string>

struct FontMetrics {
    int mAscent = 0;
    int mDescent = 0;
    int mAveCharWidth = 0;
    int mMaxCharWidth = 0;
};

class FontObject : public GdiObject {
public:
    explicit FontObject(const LOGFONTA& inLogFont);
    ~FontObject() override;

    const LOGFONTA& LogFont() const { return mLogFont; }
    const std::string& Family() const { return mFamily; }
    // Description with the pixel size set; owned by the font.
    const PangoFontDescription* Description();
    const FontMetrics& Metrics();
    // Underline and strike-out as layout attributes (new reference; null when neither).
    PangoAttrList* NewAttributes() const;

private:
    void Prepare();

    LOGFONTA mLogFont;
    std::string mFamily;
    std::once_flag mPrepared;
    PangoFontDescription* mDescription = nullptr;
    FontMetrics mMetrics;
};
