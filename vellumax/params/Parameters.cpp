#include "vellumax/params/Parameters.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "automation/Strings.h"
#include "automation/Utf8.h"

namespace {

using KeywordReader = bool (*)(Parameters& ioParams, const char* inValue);

struct Keyword {
    const char* name;
    KeywordReader read;
};

// Fixed 16.16 holds magnitudes below 32768.
constexpr double kFixedLimit = 32767.0;

char LowerAscii(char inChar)
{
    return (inChar >= 'A' && inChar <= 'Z') ? char(inChar - 'A' + 'a') : inChar;
}

// inWord is lower case.
bool EqualsKeyword(const char* inName, const char* inWord)
{
    for (; *inWord != '\0'; ++inName, ++inWord)
        if (LowerAscii(*inName) != *inWord)
            return false;
    return *inName == '\0';
}

// A scale or skew factor; fixed 16.16, which the engine turns it into, holds
// magnitudes below 32768.
bool ReadFactor(const char* inText, float* outValue)
{
    float theValue = 0.0f;
    if (!ReadFloat(inText, &theValue) || std::fabs(theValue) > kFixedLimit)
        return false;
    *outValue = theValue;
    return true;
}

bool ReadGivenRect(const char* inText, LongRect* outRect, std::int32_t* outGiven)
{
    if (!ReadRect(inText, outRect))
        return false;
    *outGiven = 1;
    return true;
}

bool ReadGivenPoint(const char* inText, LongPoint* outPoint, std::int32_t* outGiven)
{
    if (!ReadPoint(inText, outPoint))
        return false;
    *outGiven = 1;
    return true;
}

// The centre of a transformation, (0, 0) when missing or unreadable.
LongPoint ReadCentre(const char* inText)
{
    LongPoint theCentre;
    if (!ReadPoint(inText, &theCentre))
        theCentre = {};
    return theCentre;
}

// Scale and skew: the first value, then the second (or the first again), then the centre.
bool AddPairAndCentre(Parameters& ioParams, TransformStep::Kind inKind, const char* inText)
{
    TransformStep theStep{inKind, {}, {}};
    if (!ReadFactor(inText, &theStep.values[0]))
        return false;
    const char* theSecond = NextListItem(inText);
    if (!ReadFactor(theSecond, &theStep.values[1]))
        theStep.values[1] = theStep.values[0];
    theStep.point = ReadCentre(NextListItem(theSecond));
    ioParams.Transform.push_back(theStep);
    return true;
}

std::int32_t Wrap(std::int64_t inValue)
{
    return static_cast<std::int32_t>(inValue);
}

// Truncates towards zero; NaN gives 0 and the 32-bit range bounds the rest.
std::int64_t Truncate(double inValue)
{
    if (std::isnan(inValue))
        return 0;
    return std::int64_t(std::clamp(std::trunc(inValue), double(std::numeric_limits<std::int32_t>::min()),
                                   double(std::numeric_limits<std::int32_t>::max())));
}

double AlignmentFraction(std::int32_t inAlign)
{
    switch (inAlign) {
    case 1:
        return 0.5;
    case 2:
        return 1.0;
    default:
        return 0.0;
    }
}

// In the order names are compared: the first match wins.
constexpr Keyword kKeywords[] = {
    {"pencolor", [](Parameters& ioParams, const char* inValue) { return ReadColor(inValue, &ioParams.PenColor); }},
    {"textcolor", [](Parameters& ioParams, const char* inValue) { return ReadColor(inValue, &ioParams.TextColor); }},
    {"paintcolor", [](Parameters& ioParams, const char* inValue) { return ReadColor(inValue, &ioParams.PaintColor); }},
    {"pensize", [](Parameters& ioParams, const char* inValue) { return ReadLong(inValue, &ioParams.PenSize); }},
    {"textfont",
     [](Parameters& ioParams, const char* inValue) {
         ioParams.AddFontList(inValue);
         return true;
     }},
    {"textsize", [](Parameters& ioParams, const char* inValue) { return ReadLong(inValue, &ioParams.TextSize); }},
    {"textstyle",
     [](Parameters& ioParams, const char* inValue) { return ReadTextStyle(inValue, &ioParams.TextStyle); }},
    {"halign", [](Parameters& ioParams, const char* inValue) { return ReadHAlign(inValue, &ioParams.HAlign); }},
    {"valign", [](Parameters& ioParams, const char* inValue) { return ReadVAlign(inValue, &ioParams.VAlign); }},
    {"dither", [](Parameters& ioParams, const char* inValue) { return ReadBoolean(inValue, &ioParams.Dither); }},
    {"rectangle", [](Parameters& ioParams,
                     const char* inValue) { return ReadGivenRect(inValue, &ioParams.Rect, &ioParams.RectGiven); }},
    {"rect", [](Parameters& ioParams,
                const char* inValue) { return ReadGivenRect(inValue, &ioParams.Rect, &ioParams.RectGiven); }},
    {"position", [](Parameters& ioParams, const char* inValue) { return ReadPoint(inValue, &ioParams.Position); }},
    {"pos", [](Parameters& ioParams, const char* inValue) { return ReadPoint(inValue, &ioParams.Position); }},
    {"size", [](Parameters& ioParams,
                const char* inValue) { return ReadGivenPoint(inValue, &ioParams.Size, &ioParams.SizeGiven); }},
    {"inset",
     [](Parameters& ioParams, const char* inValue) {
         std::int32_t theInset = 0;
         if (!ReadLong(inValue, &theInset))
             return false;
         ioParams.Inset = {theInset, theInset};
         return true;
     }},
    {"move", [](Parameters& ioParams, const char* inValue) { return ReadPoint(inValue, &ioParams.Move); }},
    {"rotation",
     [](Parameters& ioParams, const char* inValue) {
         TransformStep theStep{TransformStep::Kind::kRotate, {}, {}};
         if (!ReadFloat(inValue, &theStep.values[0]))
             return false;
         theStep.point = ReadCentre(NextListItem(inValue));
         ioParams.Transform.push_back(theStep);
         return true;
     }},
    {"rotate", nullptr},  // as rotation, filled in below
    {"stretch", [](Parameters& ioParams,
                   const char* inValue) { return AddPairAndCentre(ioParams, TransformStep::Kind::kScale, inValue); }},
    {"scale", nullptr},  // as stretch
    {"skew", [](Parameters& ioParams,
                const char* inValue) { return AddPairAndCentre(ioParams, TransformStep::Kind::kSkew, inValue); }},
    {"translate",
     [](Parameters& ioParams, const char* inValue) {
         TransformStep theStep{TransformStep::Kind::kTranslate, {}, {}};
         if (!ReadPoint(inValue, &theStep.point))
             return false;
         ioParams.Transform.push_back(theStep);
         return true;
     }},
    {"type", [](Parameters& ioParams, const char* inValue) { return CopyShortString(inValue, ioParams.Type); }},
    {"image", [](Parameters& ioParams, const char* inValue) { return ReadLong(inValue, &ioParams.Image); }},
    {"fit", [](Parameters& ioParams, const char* inValue) { return ReadBoolean(inValue, &ioParams.Fit); }},
    {"mode", [](Parameters& ioParams, const char* inValue) { return ReadTransferMode(inValue, &ioParams.Mode); }},
    {"modecolor", [](Parameters& ioParams, const char* inValue) { return ReadColor(inValue, &ioParams.ModeColor); }},
    {"sourcerectangle",
     [](Parameters& ioParams, const char* inValue) {
         return ReadGivenRect(inValue, &ioParams.SourceRect, &ioParams.SourceRectGiven);
     }},
    {"srcrect",
     [](Parameters& ioParams, const char* inValue) {
         return ReadGivenRect(inValue, &ioParams.SourceRect, &ioParams.SourceRectGiven);
     }},
    {"shape", [](Parameters& ioParams, const char* inValue) { return ReadShape(inValue, &ioParams.Shape); }},
    {"operation", [](Parameters& ioParams, const char* inValue) { return ReadOperation(inValue, &ioParams.DrawOp); }},
    {"op", [](Parameters& ioParams, const char* inValue) { return ReadOperation(inValue, &ioParams.DrawOp); }},
    {"cornersize",
     [](Parameters& ioParams, const char* inValue) {
         std::int32_t theSize = 0;
         if (!ReadLong(inValue, &theSize))
             return false;
         ioParams.CornerSize = {theSize, theSize};
         return true;
     }},
    {"points",
     [](Parameters& ioParams, const char* inValue) {
         return ReadCoordinateList(inValue, ioParams.Points, Parameters::kMaxPoints, &ioParams.PointCount);
     }},
    {"text",
     [](Parameters& ioParams, const char* inValue) {
         ioParams.Text = WellFormedUTF8(inValue);
         return true;
     }},
    {"maxtext",
     [](Parameters& ioParams, const char* inValue) {
         std::int32_t theBytes = 0;
         if (!ReadLong(inValue, &theBytes) || theBytes < 1 || theBytes > Parameters::kMaxTextCeiling)
             return false;
         ioParams.MaxText = theBytes;
         return true;
     }},
    {"quality", [](Parameters& ioParams, const char* inValue) { return ReadQuality(inValue, &ioParams.Quality); }},
    {"interlace", [](Parameters& ioParams, const char* inValue) { return ReadBoolean(inValue, &ioParams.Interlace); }},
    {"depth",
     [](Parameters& ioParams, const char* inValue) {
         if (!ReadDepth(inValue, &ioParams.Depth))
             return false;
         ioParams.DepthGiven = 1;
         return true;
     }},
    {"opengl", [](Parameters& ioParams, const char* inValue) { return ReadBoolean(inValue, &ioParams.OpenGL); }},
    {"transparent",
     [](Parameters& ioParams, const char* inValue) {
         return ReadGivenPoint(inValue, &ioParams.TransparentPoint, &ioParams.TransparentGiven);
     }},
    {"palette",
     [](Parameters& ioParams, const char* inValue) {
         const bool theFixed = EqualsKeyword(inValue, "fixed");
         if (!theFixed && !EqualsKeyword(inValue, "adaptive"))
             return false;
         ioParams.AdaptivePalette = theFixed ? 0 : 1;
         return true;
     }},
    {"compress", [](Parameters& ioParams, const char* inValue) { return ReadBoolean(inValue, &ioParams.Compress); }},
    {"alphablend",
     [](Parameters& ioParams, const char* inValue) { return ReadBoolean(inValue, &ioParams.AlphaBlend); }},
    {"upright", [](Parameters& ioParams, const char* inValue) { return ReadBoolean(inValue, &ioParams.Upright); }},
    {"resample",
     [](Parameters& ioParams, const char* inValue) {
         const bool theArea = EqualsKeyword(inValue, "area");
         if (!theArea && !EqualsKeyword(inValue, "lanczos"))
             return false;
         ioParams.Resample = theArea ? Parameters::Filter::kArea : Parameters::Filter::kLanczos;
         return true;
     }},
};

// Where the keywords of each initial letter begin in the table, and from each
// entry the next of its initial. Every call names a few keywords; comparing
// each only with its initial's entries, in table order, skips the rest of the
// table, and the first match still wins.
struct KeywordInitials {
    std::size_t first[26];
    std::size_t next[std::size(kKeywords)];
};

constexpr KeywordInitials MakeKeywordInitials()
{
    KeywordInitials theInitials{};
    for (std::size_t& theFirst : theInitials.first)
        theFirst = std::size(kKeywords);
    for (std::size_t i = std::size(kKeywords); i-- > 0;) {
        std::size_t& theFirst = theInitials.first[kKeywords[i].name[0] - 'a'];
        theInitials.next[i] = theFirst;
        theFirst = i;
    }
    return theInitials;
}

constexpr bool KeywordsBeginWithLowerCase()
{
    for (const Keyword& theKeyword : kKeywords)
        if (theKeyword.name[0] < 'a' || theKeyword.name[0] > 'z')
            return false;
    return true;
}
static_assert(KeywordsBeginWithLowerCase(), "keywords are indexed by their lower-case initial");

constexpr KeywordInitials kKeywordInitials = MakeKeywordInitials();

// Aliases without a reader of their own share the previous entry's.
KeywordReader ReaderOf(std::size_t inIndex)
{
    while (kKeywords[inIndex].read == nullptr)
        --inIndex;
    return kKeywords[inIndex].read;
}

}  // namespace

Parameters::Parameters() = default;

std::size_t Parameters::KeywordCount()
{
    return std::size(kKeywords);
}

const char* Parameters::KeywordAt(std::size_t inIndex)
{
    return inIndex < std::size(kKeywords) ? kKeywords[inIndex].name : nullptr;
}

void Parameters::SetParameter(const char* inName, const char* inValue)
{
    const char theInitial = LowerAscii(inName[0]);
    const std::size_t theFirst =
        theInitial >= 'a' && theInitial <= 'z' ? kKeywordInitials.first[theInitial - 'a'] : std::size(kKeywords);
    for (std::size_t i = theFirst; i < std::size(kKeywords); i = kKeywordInitials.next[i]) {
        if (!EqualsKeyword(inName, kKeywords[i].name))
            continue;
        if (!ReaderOf(i)(*this, inValue))
            SetError(kBadValue, inName, "=", inValue);
        return;
    }
    SetError(kUnknownName, inName);
}

void Parameters::AddFontList(const char* inList)
{
    // An earlier copy can never win over the newer one: the same list matches the same way.
    const auto theEarlier = std::find(FontLists.begin(), FontLists.end(), inList);
    if (theEarlier != FontLists.end())
        FontLists.erase(theEarlier);
    FontLists.emplace_back(inList);
}

LongRect Parameters::PlacementRect() const
{
    LongRect theRect = Rect;
    if (RectGiven == 0)
        theRect = {Position.x, Position.y, Wrap(std::int64_t(Position.x) + Size.x),
                   Wrap(std::int64_t(Position.y) + Size.y)};
    return {Wrap(std::int64_t(theRect.left) + Move.x + Inset.x), Wrap(std::int64_t(theRect.top) + Move.y + Inset.y),
            Wrap(std::int64_t(theRect.right) + Move.x - Inset.x),
            Wrap(std::int64_t(theRect.bottom) + Move.y - Inset.y)};
}

LongRect Parameters::DestinationRect(const LongRect& inNatural, const LongRect& inBounds) const
{
    const bool thePlaced = RectGiven != 0 || SizeGiven != 0;
    LongRect theRect = PlacementRect();
    if (!thePlaced)
        theRect = {Wrap(std::int64_t(inNatural.left) + Position.x), Wrap(std::int64_t(inNatural.top) + Position.y),
                   Wrap(std::int64_t(inNatural.right) + Position.x), Wrap(std::int64_t(inNatural.bottom) + Position.y)};
    if (Fit == 0)
        return theRect;

    const LongRect theTarget = thePlaced ? theRect : inBounds;
    const std::int64_t theTargetWidth = theTarget.Width();
    const std::int64_t theTargetHeight = theTarget.Height();
    std::int64_t theWidth = inNatural.Width();
    std::int64_t theHeight = inNatural.Height();
    if (theWidth > theTargetWidth || theHeight > theTargetHeight) {
        const double theRatio = double(theWidth) / double(theHeight);
        if (theWidth > theTargetWidth) {
            theWidth = theTargetWidth;
            theHeight = Truncate(double(theWidth) / theRatio);
        }
        if (theHeight > theTargetHeight) {
            theHeight = theTargetHeight;
            theWidth = Truncate(double(theHeight) * theRatio);
        }
    }
    const std::int64_t theLeft =
        theTarget.left + Truncate(double(theTargetWidth - theWidth) * AlignmentFraction(HAlign));
    const std::int64_t theTop =
        theTarget.top + Truncate(double(theTargetHeight - theHeight) * AlignmentFraction(VAlign));
    return {Wrap(theLeft), Wrap(theTop), Wrap(theLeft + theWidth), Wrap(theTop + theHeight)};
}

LongRect Parameters::SourceRectOr(const LongRect& inFallback) const
{
    return SourceRectGiven != 0 ? SourceRect : inFallback;
}
