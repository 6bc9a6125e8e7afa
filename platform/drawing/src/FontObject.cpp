#include "FontObject.h"

#include "CairoOwners.h"
#include "FontCatalogue.h"
#include "TextContext.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr double kDefaultCellHeight = 16.0;
constexpr double kProbeSize = 1000.0;

struct Measured {
    double mAscent = 0;
    double mDescent = 0;
    double mAverage = 0;
};

Measured Measure(PangoFontDescription* inDescription)
{
    Measured theResult;
    PangoContext* theContext = TextContext::Current();
    const std::unique_ptr<PangoFont, FreeWith<g_object_unref>> theFont(
        pango_context_load_font(theContext, inDescription));
    if (theFont == nullptr) {
        return theResult;
    }
    const PangoMetricsOwner theMetrics(pango_font_get_metrics(theFont.get(), nullptr));
    theResult.mAscent = pango_font_metrics_get_ascent(theMetrics.get()) / double(PANGO_SCALE);
    theResult.mDescent = pango_font_metrics_get_descent(theMetrics.get()) / double(PANGO_SCALE);
    theResult.mAverage = pango_font_metrics_get_approximate_char_width(theMetrics.get()) / double(PANGO_SCALE);
    return theResult;
}

// Metrics at the probe size depend only on the face; the engine makes a
// font for every text call, so they are measured once per face.
Measured ProbeMetrics(PangoFontDescription* inDescription)
{
    static std::mutex sMutex;
    static auto* sCache = new std::map<std::string, Measured>();
    const std::unique_ptr<char, FreeWith<g_free>> theKeyText(pango_font_description_to_string(inDescription));
    const std::string theKey =
        std::string(theKeyText.get()) + "@" + std::to_string(FontCatalogue::Instance().Generation());
    {
        std::lock_guard<std::mutex> theLock(sMutex);
        const auto theFound = sCache->find(theKey);
        if (theFound != sCache->end()) {
            return theFound->second;
        }
    }
    const Measured theMeasured = Measure(inDescription);
    std::lock_guard<std::mutex> theLock(sMutex);
    if (theMeasured.mAscent + theMeasured.mDescent > 0 && sCache->size() < 1024) {
        sCache->emplace(theKey, theMeasured);
    }
    return theMeasured;
}

}  // namespace

FontObject::FontObject(const LOGFONTA& inLogFont) : GdiObject(GdiKind::kFont), mLogFont(inLogFont)
{
    mLogFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    mFamily = FontCatalogue::Instance().Resolve(mLogFont.lfFaceName);
}

FontObject::~FontObject()
{
    if (mDescription != nullptr) {
        pango_font_description_free(mDescription);
    }
}

void FontObject::Prepare()
{
    mDescription = pango_font_description_new();
    pango_font_description_set_family(mDescription, mFamily.c_str());
    const int theWeight = mLogFont.lfWeight <= 0 ? FW_NORMAL : std::min(mLogFont.lfWeight, 1000);
    pango_font_description_set_weight(mDescription, static_cast<PangoWeight>(theWeight));
    pango_font_description_set_style(mDescription, mLogFont.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);

    // Metrics are read at a large size and scaled: hinted metrics at small
    // sizes are rounded outwards and would make lines taller than the design.
    pango_font_description_set_absolute_size(mDescription, kProbeSize * PANGO_SCALE);
    const Measured theProbe = ProbeMetrics(mDescription);
    double theEm;
    if (mLogFont.lfHeight < 0) {
        theEm = -static_cast<double>(mLogFont.lfHeight);
    } else {
        // A cell height: scale the em so that ascent + descent make that height.
        const double theCell = mLogFont.lfHeight > 0 ? mLogFont.lfHeight : kDefaultCellHeight;
        const double theRatio = (theProbe.mAscent + theProbe.mDescent) / kProbeSize;
        theEm = theRatio > 0 ? theCell / theRatio : theCell;
    }
    theEm = std::clamp(theEm, 1.0, 16384.0);
    pango_font_description_set_absolute_size(mDescription, theEm * PANGO_SCALE);

    const double theScale = theEm / kProbeSize;
    mMetrics.mAscent = static_cast<int>(std::lround(theProbe.mAscent * theScale));
    mMetrics.mDescent = static_cast<int>(std::lround(theProbe.mDescent * theScale));
    mMetrics.mAveCharWidth = std::max(1, static_cast<int>(std::lround(theProbe.mAverage * theScale)));
    mMetrics.mMaxCharWidth = std::max(mMetrics.mAveCharWidth, static_cast<int>(std::ceil(theEm)));
}

const PangoFontDescription* FontObject::Description()
{
    std::call_once(mPrepared, [this] { Prepare(); });
    return mDescription;
}

const FontMetrics& FontObject::Metrics()
{
    std::call_once(mPrepared, [this] { Prepare(); });
    return mMetrics;
}

PangoAttrList* FontObject::NewAttributes() const
{
    if (!mLogFont.lfUnderline && !mLogFont.lfStrikeOut) {
        return nullptr;
    }
    PangoAttrList* theList = pango_attr_list_new();
    if (mLogFont.lfUnderline) {
        pango_attr_list_insert(theList, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    }
    if (mLogFont.lfStrikeOut) {
        pango_attr_list_insert(theList, pango_attr_strikethrough_new(TRUE));
    }
    return theList;
}
