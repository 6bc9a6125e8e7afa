#include "Check.h"

#include <vector>

#include <automation/ComVariant.h>
#include <automation/Errors.h>
#include <automation/Strings.h>

#include "GestaltProbe.h"

namespace {

constexpr const char* kLineBreak = "\r\n";
constexpr const char* kNotInstalled = "Error: ActiveX Component not installed";
constexpr const char* kVersionLabel = "QuickTime Version is ";
constexpr const char* kOldVersion = "Error: version must be 4.0 or higher";
constexpr const char* kExportersLabel = "Graphics Exporters:";
constexpr const char* kFewExporters =
    "Error: too few graphics exporters - check that the authoring option was used when installing QuickTime";
constexpr const char* kFinished = "*** Finished ***";
constexpr double kMinimumMajorVersion = 4;
// The server's own GIF writer is counted with the platform's exporters.
constexpr LONG kMinimumExporters = 4;

// Descriptions come with bare line feeds and a trailing break; the report's lines end in CR LF.
std::string AsReportLines(const std::string& inText)
{
    std::string theText;
    theText.reserve(inText.size() + 8);
    for (std::size_t i = 0; i < inText.size(); ++i) {
        if (inText[i] == '\r' && i + 1 < inText.size() && inText[i + 1] == '\n')
            continue;
        if (inText[i] == '\n' || inText[i] == '\r')
            theText += kLineBreak;
        else
            theText += inText[i];
    }
    while (theText.size() >= 2 && theText.compare(theText.size() - 2, 2, kLineBreak) == 0)
        theText.resize(theText.size() - 2);
    return theText;
}

RaisedError CoercionError(HRESULT inCode)
{
    std::string theText = SystemMessageText(static_cast<std::uint32_t>(inCode));
    return RaisedError{inCode, std::move(theText)};
}

}  // namespace

Check::Outcome Check::Run()
{
    mPending = RaisedError{};
    mWroteError = false;
    mReport.SetText("");
    GestaltProbe theGestalt;
    if (Raised(theGestalt.Create())) {
        mReport.SetText(std::string(kNotInstalled) + kLineBreak + kLineBreak);
        mWroteError = true;
    } else {
        ReportEnvironment(theGestalt);
    }
    if (mPending.Failed())
        Append(AsReportLines(mPending.mDescription) + kLineBreak + kLineBreak);
    Append(kFinished);
    return mWroteError || mPending.Failed() ? Outcome::Errors : Outcome::Clean;
}

void Check::Append(const std::string& inText)
{
    mReport.SetText(mReport.Text() + inText);
}

bool Check::Raised(const RaisedError& inError)
{
    if (!inError.Failed())
        return false;
    mPending = inError;
    return true;
}

void Check::ReportEnvironment(GestaltProbe& inGestalt)
{
    Append(kVersionLabel);
    std::string theVersion;
    if (!Raised(inGestalt.QuickTime(theVersion)))
        Append(theVersion + kLineBreak);
    if (VersionTooOld(inGestalt)) {
        Append(std::string(kOldVersion) + kLineBreak);
        mWroteError = true;
    }
    Append(kLineBreak);
    Append(std::string(kExportersLabel) + kLineBreak);
    if (TooFewExporters(inGestalt)) {
        Append(std::string(kFewExporters) + kLineBreak);
        mWroteError = true;
    }
    ListExporters(inGestalt);
    Append(kLineBreak);
}

bool Check::VersionTooOld(GestaltProbe& inGestalt)
{
    std::string theVersion;
    if (Raised(inGestalt.QuickTime(theVersion)))
        return true;
    // Only the first character counts, as a number; one that is no digit (or none) raises.
    const std::u16string theText = UTF16FromUTF8(theVersion);
    const vx::Variant theFirst(std::u16string_view(theText).substr(0, 1));
    HRESULT theCoercion = S_OK;
    const double theMajor = theFirst.AsDouble(&theCoercion);
    if (Raised(FAILED(theCoercion) ? CoercionError(theCoercion) : RaisedError{}))
        return true;
    return theMajor < kMinimumMajorVersion;
}

bool Check::TooFewExporters(GestaltProbe& inGestalt)
{
    vx::Client theExporters;
    if (Raised(inGestalt.GraphicsExporters(theExporters)))
        return true;
    const vx::Variant theCount = theExporters.Get("Count");
    if (!theExporters.Ok())
        return Raised(RaisedError{theExporters.LastError().mCode, theExporters.LastError().mDescription});
    HRESULT theCoercion = S_OK;
    const LONG theNumber = theCount.AsLong(&theCoercion);
    if (FAILED(theCoercion))
        return Raised(CoercionError(theCoercion));
    return theNumber < kMinimumExporters;
}

void Check::ListExporters(GestaltProbe& inGestalt)
{
    vx::Client theExporters;
    std::vector<vx::Variant> theItems;
    bool theLoopRaised = Raised(inGestalt.GraphicsExporters(theExporters));
    if (!theLoopRaised) {
        theItems = theExporters.Enumerate();
        if (!theExporters.Ok())
            theLoopRaised = Raised(RaisedError{theExporters.LastError().mCode, theExporters.LastError().mDescription});
    }
    // A loop whose collection raises still runs its body once, on an empty item.
    if (theLoopRaised) {
        Append(kLineBreak);
        return;
    }
    for (const vx::Variant& theItem : theItems) {
        HRESULT theCoercion = S_OK;
        const std::string theName = theItem.AsString(&theCoercion);
        if (!Raised(FAILED(theCoercion) ? CoercionError(theCoercion) : RaisedError{}))
            Append(theName + kLineBreak);
    }
}
