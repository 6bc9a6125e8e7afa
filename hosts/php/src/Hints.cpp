// Hint lines from the vocabulary the Node host reads (hosts/node/vocabulary.json, built into the
// extension): the same templates, keywords and words, so both hosts give the same lines.
#include "Host.h"

extern "C" {
#include <ext/json/php_json.h>
}

#include <algorithm>
#include <cctype>
#include <cstring>
#include <regex>

namespace vxphp {

extern const char kVocabulary[];  // Vocabulary.cpp, generated at build time

namespace {

// The vocabulary as a PHP array, for one hint: failures are rare, and nothing outlives a request.
class Vocabulary {
public:
    Vocabulary() { php_json_decode_ex(&mValue, kVocabulary, std::strlen(kVocabulary), PHP_JSON_OBJECT_AS_ARRAY, 8); }
    ~Vocabulary() { zval_ptr_dtor(&mValue); }
    Vocabulary(const Vocabulary&) = delete;
    Vocabulary& operator=(const Vocabulary&) = delete;

    HashTable* Table(std::initializer_list<const char*> inPath) const
    {
        const zval* theValue = &mValue;
        for (const char* theKey : inPath) {
            if (Z_TYPE_P(theValue) != IS_ARRAY)
                return nullptr;
            theValue = zend_hash_str_find(Z_ARRVAL_P(theValue), theKey, std::strlen(theKey));
            if (theValue == nullptr)
                return nullptr;
        }
        return Z_TYPE_P(theValue) == IS_ARRAY ? Z_ARRVAL_P(theValue) : nullptr;
    }

private:
    zval mValue;
};

std::string TextIn(HashTable* inTable, std::string_view inKey)
{
    const zval* theValue = inTable != nullptr ? zend_hash_str_find(inTable, inKey.data(), inKey.size()) : nullptr;
    return theValue != nullptr && Z_TYPE_P(theValue) == IS_STRING
               ? std::string(Z_STRVAL_P(theValue), Z_STRLEN_P(theValue))
               : std::string();
}

// A template's {names} filled from inValues, then from the PHP host's words.
std::string Line(const Vocabulary& inVocabulary, const char* inName,
                 std::initializer_list<std::pair<const char*, std::string>> inValues)
{
    const std::string theTemplate = TextIn(inVocabulary.Table({"hints"}), inName);
    HashTable* theWords = inVocabulary.Table({"hostWords", "php"});
    std::string theLine;
    std::size_t thePos = 0;
    while (thePos < theTemplate.size()) {
        const std::size_t theOpen = theTemplate.find('{', thePos);
        const std::size_t theClose = theOpen == std::string::npos ? theOpen : theTemplate.find('}', theOpen);
        if (theClose == std::string::npos) {
            theLine += theTemplate.substr(thePos);
            break;
        }
        theLine += theTemplate.substr(thePos, theOpen - thePos);
        const std::string theKey = theTemplate.substr(theOpen + 1, theClose - theOpen - 1);
        const auto theGiven =
            std::find_if(inValues.begin(), inValues.end(), [&](const auto& inPair) { return theKey == inPair.first; });
        theLine += theGiven != inValues.end() ? theGiven->second : TextIn(theWords, theKey);
        thePos = theClose + 1;
    }
    return theLine;
}

std::size_t Distance(const std::string& inA, const std::string& inB)
{
    std::vector<std::size_t> theRow(inB.size() + 1);
    for (std::size_t j = 0; j <= inB.size(); ++j)
        theRow[j] = j;
    for (std::size_t i = 1; i <= inA.size(); ++i) {
        std::vector<std::size_t> theNext(inB.size() + 1);
        theNext[0] = i;
        for (std::size_t j = 1; j <= inB.size(); ++j)
            theNext[j] =
                std::min({theRow[j] + 1, theNext[j - 1] + 1, theRow[j - 1] + (inA[i - 1] == inB[j - 1] ? 0 : 1)});
        theRow = std::move(theNext);
    }
    return theRow[inB.size()];
}

std::string Lower(std::string inText)
{
    for (char& c : inText)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return inText;
}

}  // namespace

std::string KeywordHint(const std::string& inDescription)
{
    static const std::regex kBadValue(R"re(^Could not understand value of parameter "([A-Za-z]+)=)re");
    static const std::regex kUnknown(R"re(^Do not recognise parameter "([^"]*)")re");
    std::smatch theMatch;
    if (std::regex_search(inDescription, theMatch, kBadValue)) {
        const Vocabulary theVocabulary;
        const std::string theKeyword = Lower(theMatch[1]);
        const std::string theTakes = TextIn(theVocabulary.Table({"keywords"}), theKeyword);
        return theTakes.empty() ? std::string()
                                : Line(theVocabulary, "keywordTakes", {{"keyword", theKeyword}, {"takes", theTakes}});
    }
    if (!std::regex_search(inDescription, theMatch, kUnknown))
        return {};
    const Vocabulary theVocabulary;
    std::string theName = Lower(theMatch[1]);
    if (const std::size_t thePos = theName.find("colour"); thePos != std::string::npos)
        theName.replace(thePos, 6, "color");
    std::string theClose;
    zend_string* theKey = nullptr;
    HashTable* theKeywords = theVocabulary.Table({"keywords"});
    if (theKeywords != nullptr) {
        ZEND_HASH_FOREACH_STR_KEY(theKeywords, theKey)
        {
            const std::string theKeyword(ZSTR_VAL(theKey), ZSTR_LEN(theKey));
            if (Distance(theName, theKeyword) <= 2 ||
                (theName.size() >= 4 && theKeyword.find(theName) != std::string::npos))
                theClose += (theClose.empty() ? "" : " or ") + theKeyword;
        }
        ZEND_HASH_FOREACH_END();
    }
    return theClose.empty() ? Line(theVocabulary, "keywordList", {})
                            : Line(theVocabulary, "keywordClose", {{"close", theClose}});
}

}  // namespace vxphp
