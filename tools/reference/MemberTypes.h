// What each member takes and answers, more exactly than its VARIANT-typed table entry says:
// the TypeScript types of index.d.ts and the words the Node host's hints use. A member without
// an entry keeps the types its table gives.
#pragma once

#include <string>
#include <vector>

#include "vellumax/params/Utilities.h"

struct MemberTyping {
    std::string mClass;                // the class name, as in the class table
    std::string mMember;               // as in the member table
    std::string mGet;                  // what a get answers, or a method's result; empty: from the table
    std::string mPut;                  // what a put accepts; empty: read-only or from the table
    std::string mTakes;                // what a put accepts, in words: "a whole number of pixels from 1 to 32767"
    std::vector<std::string> mParams;  // each caller parameter's type in order; empty: from the table
};

const std::vector<MemberTyping>& MemberTypings();
const MemberTyping* FindTyping(const std::string& inClass, const std::string& inMember);

// The text of a colour in words, as a hint gives it.
std::string ColourFormsText();
// The words of one list, each once: "left, middle or right".
std::string WordsText(WordList inList);
