// What the reference and the type definitions are written from: the class table, each class's
// member table, the parameter keywords and the word lists, gathered from the server's own code.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <automation/DispatchTable.h>
#include <vellumax/Vellumax.h>

#include "vellumax/params/Utilities.h"

struct ParamModel {
    std::string mName;
    USHORT mFlags = 0;
    VARTYPE mType = VT_EMPTY;
};

// One name of an interface: a method, or a property with the kinds it has.
struct MemberModel {
    std::string mName;
    DISPID mId = 0;
    bool mMethod = false;
    bool mGet = false;
    bool mPut = false;
    bool mPutRef = false;
    std::vector<ParamModel> mParams;  // of the method, else of the get (retval included)
    VARTYPE mPutType = VT_EMPTY;      // the value a put or putref takes
    std::string mHelp;

    bool HasRetval() const;
    // The parameters a caller gives (all but the retval).
    std::vector<ParamModel> CallerParams() const;
    VARTYPE ResultType() const;  // the retval's type without VT_BYREF; VT_EMPTY without one
};

struct ClassModel {
    const VxClassInfo* mInfo = nullptr;
    const vx::DispatchTable* mTable = nullptr;  // null: not built yet
    std::vector<MemberModel> mMembers;
};

struct KeywordModel {
    std::vector<std::string> mNames;  // the keyword, then its aliases
    std::string mForm;                // the value's text form
    std::string mMeaning;
};

struct WordListModel {
    WordList mList = WordList::Colors;
    std::string mTitle;
    std::string mUsedBy;
    std::vector<std::pair<std::string, int>> mWords;
    bool mColors = false;
};

struct LimitModel {
    std::string mWhat;
    std::string mValue;
};

struct ReferenceModel {
    std::vector<ClassModel> mClasses;
    std::vector<KeywordModel> mKeywords;
    std::vector<WordListModel> mWordLists;
    std::vector<LimitModel> mLimits;
};

// Fails (false, with the reason in outProblem) when a class of the class table has no known
// table function.
bool GatherModel(ReferenceModel& outModel, std::string& outProblem);

std::string WriteMarkdown(const ReferenceModel& inModel);
std::string WriteTypings(const ReferenceModel& inModel);
std::string WriteVocabulary(const ReferenceModel& inModel);
// The table of what each transfer mode word does, for the markdown reference.
void WriteModeTable(std::ostringstream& ioOut);
std::string WriteStubs(const ReferenceModel& inModel);
// The reference's section on the PHP host.
std::string WritePhpUsage();
