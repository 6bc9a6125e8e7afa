// Hint lines from the vocabulary the Node host reads (hosts/node/vocabulary.json, built into the
// extension): the same templates, keywords and words, so both hosts give the same lines.
#include "Vocabulary.h"

extern "C" {
#include <ext/json/php_json.h>
}

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

namespace vxphp {

extern const char kVocabulary[];  // Vocabulary.cpp, generated at build time

namespace {

std::string TextIn(HashTable* inTable, std::string_view inKey)
{
    const zval* theValue = inTable != nullptr ? zend_hash_str_find(inTable, inKey.data(), inKey.size()) : nullptr;
    return theValue != nullptr && Z_TYPE_P(theValue) == IS_STRING
               ? std::string(Z_STRVAL_P(theValue), Z_STRLEN_P(theValue))
               : std::string();
}

HashTable* TableIn(HashTable* inTable, std::string_view inKey)
{
    const zval* theValue = inTable != nullptr ? zend_hash_str_find(inTable, inKey.data(), inKey.size()) : nullptr;
    return theValue != nullptr && Z_TYPE_P(theValue) == IS_ARRAY ? Z_ARRVAL_P(theValue) : nullptr;
}

// inText with each {name} replaced by what inFill gives for it.
template <typename Fill>
std::string Filled(const std::string& inText, Fill inFill)
{
    std::string theLine;
    std::size_t thePos = 0;
    while (thePos < inText.size()) {
        const std::size_t theOpen = inText.find('{', thePos);
        const std::size_t theClose = theOpen == std::string::npos ? theOpen : inText.find('}', theOpen);
        if (theClose == std::string::npos) {
            theLine += inText.substr(thePos);
            break;
        }
        theLine += inText.substr(thePos, theOpen - thePos);
        theLine += inFill(inText.substr(theOpen + 1, theClose - theOpen - 1));
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

ParamFacts ParamOf(HashTable* inParam)
{
    return ParamFacts{TextIn(inParam, "name"), TextIn(inParam, "takes"), TextIn(inParam, "class")};
}

}  // namespace

Vocabulary::Vocabulary()
{
    ZVAL_NULL(&mValue);
    php_json_decode_ex(&mValue, kVocabulary, std::strlen(kVocabulary), PHP_JSON_OBJECT_AS_ARRAY, 8);
}

Vocabulary::~Vocabulary()
{
    zval_ptr_dtor(&mValue);
}

HashTable* Vocabulary::Table(std::initializer_list<const char*> inPath) const
{
    HashTable* theTable = Z_TYPE(mValue) == IS_ARRAY ? Z_ARRVAL(mValue) : nullptr;
    for (const char* theKey : inPath)
        theTable = TableIn(theTable, theKey);
    return theTable;
}

std::string Vocabulary::HostWords(const std::string& inText) const
{
    HashTable* theWords = Table({"hostWords", "php"});
    return Filled(inText, [&](const std::string& inKey) {
        const zval* theWord = theWords != nullptr ? zend_hash_str_find(theWords, inKey.data(), inKey.size()) : nullptr;
        return theWord != nullptr && Z_TYPE_P(theWord) == IS_STRING ? std::string(Z_STRVAL_P(theWord))
                                                                    : "{" + inKey + "}";
    });
}

std::string Vocabulary::Line(const char* inName, HintValues inValues) const
{
    HashTable* theWords = Table({"hostWords", "php"});
    return Filled(TextIn(Table({"hints"}), inName), [&](const std::string& inKey) {
        const auto theGiven =
            std::find_if(inValues.begin(), inValues.end(), [&](const auto& inPair) { return inKey == inPair.first; });
        if (theGiven == inValues.end())
            return TextIn(theWords, inKey);
        return inKey == "takes" ? HostWords(theGiven->second) : theGiven->second;
    });
}

std::optional<MemberFacts> Vocabulary::MemberOf(const std::string& inInterface, const std::string& inMember) const
{
    HashTable* theClass = Table({"classes", inInterface.c_str()});
    HashTable* theMembers = TableIn(theClass, "members");
    if (theMembers == nullptr)
        return std::nullopt;
    const std::string theWanted = Lower(inMember);
    zend_string* theKey = nullptr;
    zval* theValue = nullptr;
    ZEND_HASH_FOREACH_STR_KEY_VAL(theMembers, theKey, theValue)
    {
        if (theKey == nullptr || Z_TYPE_P(theValue) != IS_ARRAY || Lower(ZSTR_VAL(theKey)) != theWanted)
            continue;
        MemberFacts theFacts{TextIn(theClass, "class"), ZSTR_VAL(theKey), TextIn(Z_ARRVAL_P(theValue), "takes"), {}};
        if (HashTable* theParams = TableIn(Z_ARRVAL_P(theValue), "params")) {
            theFacts.mIsMethod = true;
            zval* theParam = nullptr;
            ZEND_HASH_FOREACH_VAL(theParams, theParam)
            {
                if (Z_TYPE_P(theParam) == IS_ARRAY)
                    theFacts.mParams.push_back(ParamOf(Z_ARRVAL_P(theParam)));
            }
            ZEND_HASH_FOREACH_END();
        }
        return theFacts;
    }
    ZEND_HASH_FOREACH_END();
    return std::nullopt;
}

std::string Vocabulary::ClassOf(const std::string& inInterface) const
{
    const std::string theClass = TextIn(Table({"classes", inInterface.c_str()}), "class");
    return theClass.empty() ? inInterface : theClass;
}

std::string Vocabulary::KeywordTakes(const std::string& inKeyword) const
{
    return TextIn(Table({"keywords"}), inKeyword);
}

std::vector<std::string> Vocabulary::Keywords() const
{
    std::vector<std::string> theKeywords;
    zend_string* theKey = nullptr;
    if (HashTable* theTable = Table({"keywords"})) {
        ZEND_HASH_FOREACH_STR_KEY(theTable, theKey)
        {
            if (theKey != nullptr)
                theKeywords.emplace_back(ZSTR_VAL(theKey), ZSTR_LEN(theKey));
        }
        ZEND_HASH_FOREACH_END();
    }
    return theKeywords;
}

std::string KeywordHint(const Vocabulary& inVocabulary, const std::string& inDescription)
{
    constexpr std::string_view kBadValue = "Could not understand value of parameter \"";
    constexpr std::string_view kUnknown = "Do not recognise parameter \"";
    const std::string_view theText(inDescription);
    if (theText.starts_with(kBadValue)) {
        // The keyword: its letters, then '='.
        const std::size_t theEnd =
            theText.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", kBadValue.size());
        if (theEnd == kBadValue.size() || theEnd == std::string_view::npos || theText[theEnd] != '=')
            return {};
        const std::string theKeyword = Lower(std::string(theText.substr(kBadValue.size(), theEnd - kBadValue.size())));
        const std::string theTakes = inVocabulary.KeywordTakes(theKeyword);
        return theTakes.empty() ? std::string()
                                : inVocabulary.Line("keywordTakes", {{"keyword", theKeyword}, {"takes", theTakes}});
    }
    const std::size_t theClosing = theText.starts_with(kUnknown) ? theText.find('"', kUnknown.size()) : theText.npos;
    if (theClosing == std::string_view::npos)
        return {};
    std::string theName = Lower(std::string(theText.substr(kUnknown.size(), theClosing - kUnknown.size())));
    if (const std::size_t thePos = theName.find("colour"); thePos != std::string::npos)
        theName.replace(thePos, 6, "color");
    std::string theClose;
    for (const std::string& theKeyword : inVocabulary.Keywords())
        if (Distance(theName, theKeyword) <= 2 ||
            (theName.size() >= 4 && theKeyword.find(theName) != std::string::npos))
            theClose += (theClose.empty() ? "" : " or ") + theKeyword;
    return theClose.empty() ? inVocabulary.Line("keywordList", {})
                            : inVocabulary.Line("keywordClose", {{"close", theClose}});
}

}  // namespace vxphp
