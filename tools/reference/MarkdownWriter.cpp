// docs/reference.md: classes and members, parameter keywords, word lists and limits.
#include <cstdio>
#include <sstream>

#include <automation/Guid.h>

#include "ReferenceModel.h"

namespace {

const char* TypeName(VARTYPE inType)
{
    switch (inType & ~VT_BYREF) {
    case VT_BSTR:
        return "string";
    case VT_I4:
        return "integer";
    case VT_R4:
    case VT_R8:
        return "number";
    case VT_BOOL:
        return "boolean";
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return "object";
    default:
        return "value";
    }
}

std::string Escaped(const std::string& inText)
{
    std::string theText;
    for (char c : inText)
        theText += c == '|' ? std::string("\\|") : std::string(1, c);
    return theText;
}

std::string Lower(const char* inText)
{
    std::string theText(inText);
    for (char& c : theText)
        c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return theText;
}

std::string Kind(const MemberModel& inMember)
{
    if (inMember.mMethod)
        return "method";
    std::string theKinds;
    for (auto [isThere, theName] : {std::pair{inMember.mGet, "get"}, std::pair{inMember.mPut, "put"},
                                    std::pair{inMember.mPutRef, "put by reference"}})
        if (isThere)
            theKinds += (theKinds.empty() ? "" : ", ") + std::string(theName);
    return "property (" + theKinds + ")";
}

std::string Arguments(const MemberModel& inMember)
{
    std::string theText;
    for (const ParamModel& theParam : inMember.CallerParams()) {
        std::string theOne = "`" + theParam.mName + "` " + TypeName(theParam.mType);
        if (theParam.mFlags & PARAMFLAG_FOUT)
            theOne = "out " + theOne;
        if (theParam.mFlags & (PARAMFLAG_FOPT | PARAMFLAG_FOUT))
            theOne = "[" + theOne + "]";
        theText += (theText.empty() ? "" : ", ") + theOne;
    }
    return theText.empty() ? "—" : theText;
}

std::string Result(const MemberModel& inMember)
{
    if (inMember.HasRetval())
        return TypeName(inMember.ResultType());
    if (!inMember.mMethod && !inMember.mGet)
        return std::string("(takes ") + TypeName(inMember.mPutType) + ")";
    std::size_t theOuts = 0;
    for (const ParamModel& theParam : inMember.CallerParams())
        theOuts += (theParam.mFlags & PARAMFLAG_FOUT) != 0;
    if (theOuts > 1)
        return "array of the outs";
    return theOuts == 1 ? "the out" : "—";
}

void WriteClasses(std::ostringstream& ioOut, const ReferenceModel& inModel)
{
    ioOut << "## Classes\n\n"
          << "| Class | ProgIDs | CLSID | Interface | Threading | Created by scripts |\n"
          << "|---|---|---|---|---|---|\n";
    for (const ClassModel& theClass : inModel.mClasses) {
        const VxClassInfo& theInfo = *theClass.mInfo;
        ioOut << "| " << (theClass.mTable ? "[" : "") << theInfo.mName
              << (theClass.mTable ? "](#" + Lower(theInfo.mName) + ")" : std::string(" (not built yet)"))
              << " | `Vellumax." << theInfo.mName << "`, `Vellumax." << theInfo.mName << ".1` | `"
              << StringFromGUID(*theInfo.mClsid) << "` | " << theInfo.mInterface << " | "
              << (theInfo.mThreading == VxThreading::Single ? "Single" : "Apartment") << " | "
              << (theInfo.mCreatable ? "yes" : "no (handed out by other objects)") << " |\n";
    }
    ioOut << "\n";
    for (const ClassModel& theClass : inModel.mClasses) {
        if (theClass.mTable == nullptr)
            continue;
        ioOut << "### " << theClass.mInfo->mName << "\n\n"
              << "`" << theClass.mTable->Name() << "` `" << StringFromGUID(theClass.mTable->Iid())
              << "`: " << Escaped(theClass.mTable->Help()) << "\n\n"
              << "| Member | Kind | DISPID | Arguments | Result | Help |\n|---|---|---|---|---|---|\n";
        for (const MemberModel& theMember : theClass.mMembers)
            ioOut << "| `" << theMember.mName << "` | " << Kind(theMember) << " | " << theMember.mId << " | "
                  << Arguments(theMember) << " | " << Result(theMember) << " | " << Escaped(theMember.mHelp) << " |\n";
        ioOut << "\n";
    }
}

// One line per member: how the Node host's promise form is called and what the promise settles with.
std::string AsyncForms(const MemberModel& inMember)
{
    std::string theCall = "`async." + inMember.mName;
    const bool isValue = !inMember.mMethod && (!inMember.mGet || inMember.CallerParams().empty());
    if (!isValue) {
        std::string theNames;
        for (const ParamModel& theParam : inMember.CallerParams())
            theNames += (theNames.empty() ? "" : ", ") + theParam.mName;
        return theCall + "(" + theNames + ")` → " + Result(inMember);
    }
    std::string theForms;
    if (inMember.mGet)
        theForms = theCall + "()` → " + std::string(TypeName(inMember.ResultType()));
    if (inMember.mPut || inMember.mPutRef)
        theForms += (theForms.empty() ? "" : ", ") + theCall + "(value)` → —";
    return theForms;
}

void WriteAsyncForms(std::ostringstream& ioOut, const ReferenceModel& inModel)
{
    ioOut << "## Promise forms (Node host)\n\n"
          << "Every member of every object also has a promise form under `async`, run on libuv's thread "
             "pool instead of the event loop: `await canvas.async.DrawShape('oval', p)` settles with what "
             "`canvas.DrawShape('oval', p)` returns, or rejects with the error it throws (`number`, "
             "`description`, `source`, hint line). A property is read by `await canvas.async.Width()` and "
             "written by `await canvas.async.Width(320)`. Calls on one object, and on the objects passed "
             "to it as arguments, run one at a time in the order made; different objects run side by "
             "side. A plain call on an object with promise calls pending throws `E_PENDING` "
             "(-2147483638) instead of blocking the event loop.\n\n"
          << "| Class | Promise forms → what the promise settles with |\n|---|---|\n";
    for (const ClassModel& theClass : inModel.mClasses) {
        if (theClass.mTable == nullptr)
            continue;
        std::string theForms;
        for (const MemberModel& theMember : theClass.mMembers)
            if (theMember.mId != DISPID_NEWENUM)
                theForms += (theForms.empty() ? "" : "<br>") + Escaped(AsyncForms(theMember));
        ioOut << "| " << theClass.mInfo->mName << " | " << theForms << " |\n";
    }
    ioOut << "\n";
}

void WriteKeywords(std::ostringstream& ioOut, const ReferenceModel& inModel)
{
    ioOut << "## Parameter keywords\n\n"
          << "A parameter string is `name=value` pairs separated by white space. A value that holds "
             "blanks or `=` is quoted with `'` or `\"`; the quote itself is written twice inside. "
             "Names ignore letter case; a later keyword overrides an earlier one, except the transform "
             "keywords, which accumulate. From Node, `vx.params({ rect: [0, 0, 10, 10], paintcolor: "
             "userText })` builds a string in which every value is quoted.\n\n"
          << "| Keyword | Aliases | Value | Meaning |\n|---|---|---|---|\n";
    for (const KeywordModel& theKeyword : inModel.mKeywords) {
        std::string theAliases;
        for (std::size_t i = 1; i < theKeyword.mNames.size(); ++i)
            theAliases += (theAliases.empty() ? "`" : ", `") + theKeyword.mNames[i] + "`";
        ioOut << "| `" << theKeyword.mNames[0] << "` | " << (theAliases.empty() ? "—" : theAliases) << " | "
              << Escaped(theKeyword.mForm) << " | " << Escaped(theKeyword.mMeaning) << " |\n";
    }
    ioOut << "\n";
}

void WriteWords(std::ostringstream& ioOut, const ReferenceModel& inModel)
{
    ioOut << "## Words\n\n"
          << "Words ignore letter case and are compared whole: no blank around them.\n\n"
          << "A colour is one of the colour words below (the empty text is white), `pattern` (paint "
             "with the canvas's `Pattern`), three or four percentages `red,green,blue[,alpha]` from 0 "
             "to 100, or a web colour `#rgb`, `#rrggbb` or `#rrggbbaa`. Colours read back as four "
             "percentages with one decimal.\n\n";
    for (const WordListModel& theList : inModel.mWordLists) {
        ioOut << "### " << theList.mTitle << "\n\nUsed by " << theList.mUsedBy << ".\n\n";
        ioOut << (theList.mColors ? "| Word | As #rrggbb |\n|---|---|\n" : "| Word | Value |\n|---|---|\n");
        for (const auto& [theWord, theValue] : theList.mWords) {
            char theNumber[16];
            if (theList.mColors)
                std::snprintf(theNumber, sizeof theNumber, "#%06x", unsigned(theValue));
            else
                std::snprintf(theNumber, sizeof theNumber, "%d", theValue);
            ioOut << "| " << (theWord.empty() ? "(empty)" : "`" + theWord + "`") << " | " << theNumber << " |\n";
        }
        ioOut << "\n";
    }
}

}  // namespace

std::string WriteMarkdown(const ReferenceModel& inModel)
{
    std::ostringstream theOut;
    theOut << "# Vellumax reference\n\n"
           << "<!-- Written by tools/reference from the server's own tables; do not edit. "
              "Regenerate with: cmake --build build --target reference -->\n\n"
           << "Classes and members come from the class table and each interface's member table, "
              "keywords from the parameter parser, words from the value readers. Classes marked "
              "*not built yet* are registered but have no implementation in this build.\n\n"
           << "The hosts reach the same members by name: the Node host as `require('vellumax')` (Debian "
              "package `vellumax`, or the npm package), PHP pages through the extension of the Debian "
              "package `php-vellumax` (`apt-get install ./php-vellumax_<version>_amd64.deb` after "
              "`vellumax`; enabled for every SAPI, `Vellumax\\create('Vellumax.Canvas')`, stubs in "
              "`hosts/php/vellumax.stub.php`).\n\n";
    WriteClasses(theOut, inModel);
    WriteAsyncForms(theOut, inModel);
    WriteKeywords(theOut, inModel);
    WriteWords(theOut, inModel);
    WriteModeTable(theOut);
    theOut << "## Limits\n\n| What | Limit |\n|---|---|\n";
    for (const LimitModel& theLimit : inModel.mLimits)
        theOut << "| " << theLimit.mWhat << " | " << Escaped(theLimit.mValue) << " |\n";
    theOut << WritePhpUsage();
    return theOut.str();
}
