#include "ReferenceModel.h"

#include <cstring>
#include <iterator>
#include <set>
#include <strings.h>

#include "KeywordForms.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/errors/Settings.h"
#include "vellumax/params/ParameterParser.h"
#include "vellumax/params/Parameters.h"
#include "vellumax/params/Utilities.h"
#include "vellumax/upload/PartLimit.h"

// The member table of each class, by the naming every class follows; weak, so that a class that
// is not built yet links and shows as such.
#define VX_TABLE(Name) __attribute__((weak)) const vx::DispatchTable& Name##Table();
VX_TABLE(Graphic)
VX_TABLE(Canvas)
VX_TABLE(GraphicImage)
VX_TABLE(GraphicImages)
VX_TABLE(Fonts)
VX_TABLE(Codecs)
VX_TABLE(Exporters)
VX_TABLE(Gestalt)
VX_TABLE(XColor)
VX_TABLE(XRect)
VX_TABLE(XPoint)
VX_TABLE(XField)
VX_TABLE(XMultipart)
#undef VX_TABLE

namespace {

using TableFunction = const vx::DispatchTable& (*)();

struct KnownTable {
    const char* mClass;
    TableFunction mTable;
};

const KnownTable kKnownTables[] = {
    {"Graphic", &GraphicTable},
    {"Canvas", &CanvasTable},
    {"GraphicImage", &GraphicImageTable},
    {"GraphicImages", &GraphicImagesTable},
    {"Fonts", &FontsTable},
    {"Codecs", &CodecsTable},
    {"Exporters", &ExportersTable},
    {"Gestalt", &GestaltTable},
    {"XColor", &XColorTable},
    {"XRect", &XRectTable},
    {"XPoint", &XPointTable},
    {"XField", &XFieldTable},
    {"XMultipart", &XMultipartTable},
};

void AddMember(ClassModel& ioClass, const vx::DispatchMember& inMember)
{
    MemberModel* theModel = nullptr;
    for (MemberModel& theExisting : ioClass.mMembers)
        if (strcasecmp(theExisting.mName.c_str(), inMember.mName) == 0)
            theModel = &theExisting;
    if (theModel == nullptr) {
        theModel = &ioClass.mMembers.emplace_back();
        theModel->mName = inMember.mName;
        theModel->mId = inMember.mId;
    }
    if (theModel->mHelp.empty() && inMember.mHelp != nullptr)
        theModel->mHelp = inMember.mHelp;
    std::vector<ParamModel> theParams;
    for (int p = 0; p < inMember.mParamCount; ++p)
        theParams.push_back({inMember.mParams[p].mName, inMember.mParams[p].mFlags, inMember.mParams[p].mType});
    switch (inMember.mKind) {
    case vx::InvokeKind::Method:
        theModel->mMethod = true;
        theModel->mParams = theParams;
        break;
    case vx::InvokeKind::PropertyGet:
        theModel->mGet = true;
        if (!theModel->mMethod)
            theModel->mParams = theParams;
        break;
    case vx::InvokeKind::PropertyPut:
    case vx::InvokeKind::PropertyPutRef:
        (inMember.mKind == vx::InvokeKind::PropertyPut ? theModel->mPut : theModel->mPutRef) = true;
        if (!theParams.empty())
            theModel->mPutType = theParams.back().mType;
        break;
    }
}

void AddWords(ReferenceModel& ioModel, WordList inList, const char* inTitle, const char* inUsedBy)
{
    WordListModel& theList = ioModel.mWordLists.emplace_back();
    theList.mList = inList;
    theList.mTitle = inTitle;
    theList.mUsedBy = inUsedBy;
    theList.mColors = inList == WordList::Colors;
    std::size_t theCount = 0;
    const ListedWord* theWords = WordsOf(inList, &theCount);
    for (std::size_t i = 0; i < theCount; ++i)
        theList.mWords.emplace_back(theWords[i].word, theWords[i].value);
}

// The points all travel in one value of a parameter string, so its length
// bounds them well below what the record holds: n pairs of d-digit
// coordinates take 2n(d + 1) - 1 characters.
std::string PointsLimit()
{
    const std::size_t theValue = ParameterParser::kTokenCapacity - 1;
    const auto thePairs = [&](std::size_t inDigits) { return std::to_string((theValue + 1) / (2 * (inDigits + 1))); };
    static_assert((ParameterParser::kTokenCapacity - 1 + 1) / 4 <= Parameters::kMaxPoints);
    return "as many x,y pairs as fit in one value of " + std::to_string(theValue) + " characters: " + thePairs(1) +
           " with one-digit coordinates, " + thePairs(3) + " with three-digit ones";
}

}  // namespace

bool MemberModel::HasRetval() const
{
    return !mParams.empty() && (mParams.back().mFlags & PARAMFLAG_FRETVAL) != 0;
}

std::vector<ParamModel> MemberModel::CallerParams() const
{
    std::vector<ParamModel> theParams = mParams;
    if (HasRetval())
        theParams.pop_back();
    return theParams;
}

VARTYPE MemberModel::ResultType() const
{
    return HasRetval() ? VARTYPE(mParams.back().mType & ~VT_BYREF) : VARTYPE(VT_EMPTY);
}

bool GatherModel(ReferenceModel& outModel, std::string& outProblem)
{
    for (const VxClassInfo& theInfo : kVellumaxClasses) {
        ClassModel& theClass = outModel.mClasses.emplace_back();
        theClass.mInfo = &theInfo;
        const KnownTable* theKnown = nullptr;
        for (const KnownTable& theEntry : kKnownTables)
            if (std::strcmp(theEntry.mClass, theInfo.mName) == 0)
                theKnown = &theEntry;
        if (theKnown == nullptr) {
            outProblem = std::string("no table function is known for the class ") + theInfo.mName;
            return false;
        }
        if (theKnown->mTable == nullptr)
            continue;
        theClass.mTable = &theKnown->mTable();
        for (std::size_t i = 0; i < theClass.mTable->MemberCount(); ++i)
            AddMember(theClass, theClass.mTable->MemberAt(i));
    }

    // Keywords in the parser's order, each group where its first name stands.
    std::size_t theFormCount = 0;
    const KeywordForm* theForms = KeywordForms(&theFormCount);
    std::set<const KeywordForm*> theUsed;
    for (std::size_t k = 0; k < Parameters::KeywordCount(); ++k) {
        const char* theKeyword = Parameters::KeywordAt(k);
        const KeywordForm* theForm = nullptr;
        for (std::size_t f = 0; f < theFormCount && theForm == nullptr; ++f)
            for (const char* theName : theForms[f].mNames)
                if (theName != nullptr && std::strcmp(theName, theKeyword) == 0)
                    theForm = &theForms[f];
        if (theForm == nullptr) {
            KeywordModel& theModel = outModel.mKeywords.emplace_back();
            theModel.mNames = {theKeyword};
            theModel.mForm = "—";
            theModel.mMeaning = "(not described yet in tools/reference/KeywordForms.cpp)";
            continue;
        }
        if (!theUsed.insert(theForm).second)
            continue;
        KeywordModel& theModel = outModel.mKeywords.emplace_back();
        for (const char* theName : theForm->mNames)
            if (theName != nullptr)
                theModel.mNames.emplace_back(theName);
        theModel.mForm = theForm->mForm;
        theModel.mMeaning = theForm->mMeaning;
    }

    AddWords(outModel, WordList::Colors, "Colours",
             "pencolor, textcolor, paintcolor, modecolor; PenColor, TextColor, PaintColor, Color, XColor.String");
    AddWords(outModel, WordList::Shapes, "Shapes", "shape; DrawShape");
    AddWords(outModel, WordList::Operations, "Operations", "operation, op");
    AddWords(outModel, WordList::HAligns, "Horizontal alignments", "halign; HAlign");
    AddWords(outModel, WordList::VAligns, "Vertical alignments", "valign; VAlign");
    AddWords(outModel, WordList::Styles, "Text styles (a list)", "textstyle; TextStyle");
    AddWords(outModel, WordList::Modes, "Transfer modes", "mode");
    AddWords(outModel, WordList::Depths, "Depths (bits per pixel)", "depth; Depth");
    AddWords(outModel, WordList::Qualities, "Qualities", "quality");
    AddWords(outModel, WordList::Channels, "Channels", "SetChannel");
    AddWords(outModel, WordList::Truth, "Truth values (or any integer: non-zero is true)",
             "dither, fit, interlace, opengl, alphablend, upright; Dither");

    outModel.mLimits = {
        {"canvas side", "1 to " + std::to_string(Bitmap::kMaxSide) + " pixels"},
        {"pixels of a canvas or of a picture drawn (MaxPixels)",
         std::to_string(kDefaultMaxPixels) +
             " unless the MaxPixels setting or the canvas's MaxPixels says otherwise "
             "(at that size the costliest decode takes about 200 ms and 50 MB); at most " +
             std::to_string(kHardMaxPixels)},
        {"images counted in a file (TIFF directories, GIF frames)", "all that its bytes hold"},
        {"parameter name or value",
         std::to_string(ParameterParser::kTokenCapacity - 1) + " characters (bytes of UTF-8)"},
        {"points of one shape", PointsLimit()},
        {"a coordinate in points, rect, pos and other lists", "-32767 to 32766"},
        {"list separator", std::string(1, ListSeparator)},
        {"font face name used", std::to_string(Parameters::kFaceNameLength) + " characters"},
        {"text one call lays out (DrawText, TextArea, TextLength, text shapes)",
         std::to_string(Parameters::kDefaultMaxText) + " bytes of UTF-8; maxtext raises it up to " +
             std::to_string(Parameters::kMaxTextCeiling)},
        {"parts of a posted form", std::to_string(kDefaultMaxParts) +
                                       ", unless the XMultipart's MaxParts or the registry's " + kMaxPartsSetting +
                                       " says otherwise"},
    };
    return true;
}
