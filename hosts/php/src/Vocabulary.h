// The vocabulary the Node host reads (hosts/node/vocabulary.json, built into the extension): what
// members and keywords take, and the hint line templates with each host's own words.
#pragma once

#include "Host.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vxphp {

// One parameter of a method, as the vocabulary describes it.
struct ParamFacts {
    std::string mName;
    std::string mTakes;
    std::string mClass;  // the class an object must be, or empty
};

// A property or method of a class: a property has mTakes, a method mParams.
struct MemberFacts {
    std::string mClass;
    std::string mName;
    std::string mTakes;
    std::vector<ParamFacts> mParams;
    bool mIsMethod = false;
};

using HintValues = std::initializer_list<std::pair<const char*, std::string>>;

// Parsed for one hint: failures are rare, and nothing outlives a request.
class Vocabulary {
public:
    Vocabulary();
    ~Vocabulary();
    Vocabulary(const Vocabulary&) = delete;
    Vocabulary& operator=(const Vocabulary&) = delete;

    // A template's {names} filled from inValues, then from the PHP host's words; a "takes" value
    // comes from this vocabulary and may name host words itself.
    std::string Line(const char* inName, HintValues inValues) const;
    // The member of an interface (by name, any letter case); nothing when the vocabulary has none.
    std::optional<MemberFacts> MemberOf(const std::string& inInterface, const std::string& inMember) const;
    // The class an interface belongs to: ICanvas is a Canvas; an unknown one stays as it is.
    std::string ClassOf(const std::string& inInterface) const;
    // What a parameter-string keyword takes; empty for an unknown keyword.
    std::string KeywordTakes(const std::string& inKeyword) const;
    std::vector<std::string> Keywords() const;

private:
    HashTable* Table(std::initializer_list<const char*> inPath) const;
    std::string HostWords(const std::string& inText) const;

    zval mValue;
};

// What a keyword of a refused parameter string takes, or the keywords close to an unknown one.
std::string KeywordHint(const Vocabulary& inVocabulary, const std::string& inDescription);

}  // namespace vxphp
