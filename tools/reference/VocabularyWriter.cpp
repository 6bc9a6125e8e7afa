// hosts/node/vocabulary.json: what the hosts' error hints say a member, a parameter or a keyword
// takes, from the same tables as the reference, and the hint lines themselves: the Node host reads
// the file, the PHP host is built with it, so both give the same lines.
#include <cstdio>
#include <sstream>

#include "FormatNames.h"
#include "MemberTypes.h"
#include "ReferenceModel.h"

namespace {

std::string Json(const std::string& inText)
{
    std::string theText = "\"";
    for (char c : inText) {
        if (c == '"' || c == '\\') {
            theText += '\\';
            theText += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char theEscape[8];
            std::snprintf(theEscape, sizeof theEscape, "\\u%04x", unsigned(c));
            theText += theEscape;
        } else {
            theText += c;
        }
    }
    return theText + "\"";
}

std::string JsonList(const std::vector<std::string>& inItems)
{
    std::string theText = "[";
    for (std::size_t i = 0; i < inItems.size(); ++i)
        theText += (i == 0 ? "" : ", ") + Json(inItems[i]);
    return theText + "]";
}

// The keywords a word list serves: its "used by" text names them before any ';'.
bool ListServes(const WordListModel& inList, const std::string& inKeyword)
{
    const std::string theKeywords = inList.mUsedBy.substr(0, inList.mUsedBy.find(';'));
    std::size_t theStart = 0;
    while (theStart <= theKeywords.size()) {
        std::size_t theEnd = theKeywords.find(',', theStart);
        if (theEnd == std::string::npos)
            theEnd = theKeywords.size();
        std::string theName = theKeywords.substr(theStart, theEnd - theStart);
        theName.erase(0, theName.find_first_not_of(' '));
        if (theName == inKeyword)
            return true;
        theStart = theEnd + 1;
    }
    return false;
}

std::string KeywordTakes(const ReferenceModel& inModel, const KeywordModel& inKeyword)
{
    for (const WordListModel& theList : inModel.mWordLists) {
        if (!ListServes(theList, inKeyword.mNames.front()))
            continue;
        switch (theList.mList) {
        case WordList::Colors:
            return "a colour: " + ColourFormsText();
        case WordList::Styles:
            return "a list of the style words " + WordsText(theList.mList);
        case WordList::Truth:
            return "a truth value: true, false, yes or no, or a whole number (non-zero is true)";
        default:
            return "one of the words " + WordsText(theList.mList);
        }
    }
    return inKeyword.mForm + " (" + inKeyword.mMeaning + ")";
}

std::string ListText(const std::vector<std::string>& inWords)
{
    std::string theText;
    for (std::size_t i = 0; i < inWords.size(); ++i)
        theText += (i == 0 ? "" : i + 1 == inWords.size() ? " or " : ", ") + inWords[i];
    return theText;
}

// What a method's parameter takes, in words, from its type in MemberTypes.
std::string ParamTakes(const ReferenceModel& inModel, const std::string& inName, const std::string& inType)
{
    if (inName == "inParams")
        return "a parameter string";
    for (const ClassModel& theClass : inModel.mClasses)
        if (inType == theClass.mInfo->mName)
            return "a " + inType;
    if (inType == "Uint8Array")
        return "bytes: {bytes}";  // what a host's scripts hold bytes in
    if (inType == "AnyCase<ShapeWord>")
        return "one of the words " + WordsText(WordList::Shapes);
    if (inType == "AnyCase<ChannelWord>")
        return "one of the words " + WordsText(WordList::Channels);
    if (inType == "FormatText") {
        std::vector<std::string> theExtensions;
        for (const std::string& theExtension : FormatExtensions())
            theExtensions.push_back("." + theExtension);
        return "a format: " + ListText(FormatDescriptions()) + "; a MIME type image/" + ListText(FormatMimeNames()) +
               "; or a name ending in " + ListText(theExtensions);
    }
    if (inType == "string | number")
        return "a name, or a number from 1";
    return inType == "number" ? "a number" : "a text";
}

void WriteParams(std::ostringstream& ioOut, const ReferenceModel& inModel, const MemberModel& inMember,
                 const MemberTyping& inTyping)
{
    ioOut << "\"params\": [";
    std::size_t theIndex = 0;
    for (const ParamModel& theParam : inMember.CallerParams()) {
        if ((theParam.mFlags & PARAMFLAG_FOUT) != 0 || theIndex >= inTyping.mParams.size())
            continue;
        const std::string& theType = inTyping.mParams[theIndex];
        bool isClass = false;
        for (const ClassModel& theClass : inModel.mClasses)
            isClass = isClass || theType == theClass.mInfo->mName;
        ioOut << (theIndex == 0 ? "" : ", ") << "{\"name\": " << Json(theParam.mName)
              << ", \"takes\": " << Json(ParamTakes(inModel, theParam.mName, theType));
        if (isClass)
            ioOut << ", \"class\": " << Json(theType);
        ioOut << "}";
        ++theIndex;
    }
    ioOut << "]";
}

void WriteMembers(std::ostringstream& ioOut, const ReferenceModel& inModel)
{
    ioOut << "  \"classes\": {";
    bool isFirst = true;
    for (const ClassModel& theClass : inModel.mClasses) {
        if (theClass.mTable == nullptr)
            continue;
        ioOut << (isFirst ? "\n" : ",\n") << "    " << Json(theClass.mTable->Name())
              << ": {\"class\": " << Json(theClass.mInfo->mName) << ", \"members\": {";
        isFirst = false;
        bool isFirstMember = true;
        for (const MemberModel& theMember : theClass.mMembers) {
            const MemberTyping* theTyping = FindTyping(theClass.mInfo->mName, theMember.mName);
            if (theTyping == nullptr || (theTyping->mTakes.empty() && theTyping->mParams.empty()))
                continue;
            ioOut << (isFirstMember ? "\n" : ",\n") << "      " << Json(theMember.mName) << ": {";
            if (!theTyping->mTakes.empty())
                ioOut << "\"takes\": " << Json(theTyping->mTakes);
            else
                WriteParams(ioOut, inModel, theMember, *theTyping);
            ioOut << "}";
            isFirstMember = false;
        }
        ioOut << "\n    }}";
    }
    ioOut << "\n  },\n";
}

// The hint lines, with {name} for what the host fills in; the names in kNodeWords and kPhpWords are
// each host's own words (a "takes" text may hold them too).
constexpr std::pair<const char*, const char*> kHints[] = {
    {"put", "{member} takes {takes}; it was given {given}."},
    {"argument", "{where} takes {takes}; it was given {given}."},
    {"argumentClass", "{where} takes {class}; it was given {given}."},
    {"paramsObject", "{where} takes a parameter string, not {given}: build one from {builder}, which also "
                     "quotes every value."},
    {"channel", "{where} takes {takes}."},
    {"keywordTakes", "{keyword} takes {takes}."},
    {"keywordClose", "Did you mean {close}? The keywords are listed in docs/reference.md."},
    {"keywordList", "The keywords are listed in docs/reference.md."},
    {"folder", "The folder {folder} does not exist: {member} makes no folders ({maker} makes them)."},
    {"registry", "registry {file}"},
    {"registryNamed", "registry {file} (VX_REGISTRY)"},
    {"unloadable", "{name} is registered in the {registry}, but its module can't be loaded; register the server "
                   "again from where it is now: {register}."},
    {"unregistered", "{name} is not registered in the {registry}. Register the server once with {register}, or "
                     "tools/regsvr with the path of libvellumax.so, with VX_REGISTRY naming the same file in both "
                     "processes{registryNote}."},
};

constexpr std::pair<const char*, const char*> kNodeWords[] = {
    {"builder", "an object with vx.params({ keyword: value, ... })"},
    {"maker", "fs.mkdirSync(folder, { recursive: true })"},
    {"bytes", "a Buffer or a Uint8Array"},
    {"register", "vx.registerServer(vx.serverPath)"},
    {"registryNote", ""},
};

constexpr std::pair<const char*, const char*> kPhpWords[] = {
    {"builder", "an array with Vellumax\\params(['keyword' => value, ...])"},
    {"maker", "mkdir($folder, 0777, true)"},
    {"bytes", "a string"},
    {"register", "Vellumax\\register_server('/path/to/libvellumax.so')"},
    {"registryNote", " (under PHP-FPM: env[VX_REGISTRY] in the pool)"},
};

template <std::size_t N>
std::string JsonObject(const std::pair<const char*, const char*> (&inPairs)[N], const char* inIndent)
{
    std::string theText = "{";
    for (std::size_t i = 0; i < N; ++i)
        theText +=
            std::string(i == 0 ? "\n" : ",\n") + inIndent + Json(inPairs[i].first) + ": " + Json(inPairs[i].second);
    return theText + "\n" + std::string(inIndent).substr(2) + "}";
}

}  // namespace

std::string WriteVocabulary(const ReferenceModel& inModel)
{
    std::ostringstream theOut;
    theOut << "{\n  \"note\": \"Written by tools/reference from the server's own tables; do not edit.\",\n";
    WriteMembers(theOut, inModel);
    theOut << "  \"keywords\": {";
    bool isFirst = true;
    for (const KeywordModel& theKeyword : inModel.mKeywords)
        for (const std::string& theName : theKeyword.mNames) {
            theOut << (isFirst ? "\n" : ",\n") << "    " << Json(theName) << ": "
                   << Json(KeywordTakes(inModel, theKeyword));
            isFirst = false;
        }
    theOut << "\n  },\n"
           << "  \"formats\": {\"descriptions\": " << JsonList(FormatDescriptions())
           << ", \"mime\": " << JsonList(FormatMimeNames()) << ", \"extensions\": " << JsonList(FormatExtensions())
           << "},\n"
           << "  \"hints\": " << JsonObject(kHints, "    ") << ",\n"
           << "  \"hostWords\": {\"node\": " << JsonObject(kNodeWords, "      ")
           << ", \"php\": " << JsonObject(kPhpWords, "      ") << "}\n}\n";
    return theOut.str();
}
