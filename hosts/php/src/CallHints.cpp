// The hint lines of failed puts and calls, as the Node host words them (hosts/node/src/hints.js):
// what a property or a parameter takes and what it was given, the class an object must be,
// Vellumax\params for an array in place of a parameter string, and the folder a save is missing.
#include "Vocabulary.h"

extern "C" {
#include <zend_smart_str.h>
}

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace vxphp {

namespace {

constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x80020005);  // DISP_E_TYPEMISMATCH
constexpr HRESULT kNoInterface = static_cast<HRESULT>(0x80004002);   // E_NOINTERFACE
constexpr std::size_t kGivenTextLimit = 40;                          // characters of a given text shown

std::string WithArticle(const std::string& inNoun)
{
    const char theFirst = inNoun.empty() ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(inNoun[0])));
    const bool isVowel = std::string_view("AEIOUX").find(theFirst) != std::string_view::npos;
    return (isVowel ? "an " : "a ") + inNoun;
}

// A text as a quoted literal, cut after kGivenTextLimit characters (not inside one's UTF-8 bytes).
std::string Quoted(const char* inText, std::size_t inSize)
{
    std::string theText = "\"";
    std::size_t theCount = 0;
    for (std::size_t i = 0; i < inSize; ++i) {
        const unsigned char c = static_cast<unsigned char>(inText[i]);
        if ((c & 0xC0) != 0x80 && theCount++ == kGivenTextLimit) {
            theText += "...";
            break;
        }
        if (c == '"' || c == '\\') {
            theText += '\\';
            theText += static_cast<char>(c);
        } else if (c == '\n') {
            theText += "\\n";
        } else if (c == '\r') {
            theText += "\\r";
        } else if (c == '\t') {
            theText += "\\t";
        } else if (c < 0x20) {
            char theEscape[8];
            std::snprintf(theEscape, sizeof theEscape, "\\u%04x", unsigned(c));
            theText += theEscape;
        } else {
            theText += static_cast<char>(c);
        }
    }
    return theText + "\"";
}

// A float as PHP prints it (-2.5, 1.0E+25), whole numbers without their ".0".
std::string NumberText(double inValue)
{
    smart_str theText = {};
    smart_str_append_double(&theText, inValue, static_cast<int>(PG(serialize_precision)), false);
    smart_str_0(&theText);
    std::string theResult(ZSTR_VAL(theText.s), ZSTR_LEN(theText.s));
    smart_str_free(&theText);
    return theResult;
}

std::string InterfaceOf(zval* inValue)
{
    ZVAL_DEREF(inValue);
    if (Z_TYPE_P(inValue) != IS_OBJECT || Z_OBJCE_P(inValue) != gObjectClass)
        return {};
    return ShapeOf(FromZend(Z_OBJ_P(inValue))).mName;
}

// What a script gave, in words: the number 0, the text "wide", a Gestalt, an array.
std::string Given(const Vocabulary& inVocabulary, zval* inValue)
{
    ZVAL_DEREF(inValue);
    switch (Z_TYPE_P(inValue)) {
    case IS_NULL:
        return "null";
    case IS_FALSE:
        return "the boolean false";
    case IS_TRUE:
        return "the boolean true";
    case IS_LONG:
        return "the number " + std::to_string(Z_LVAL_P(inValue));
    case IS_DOUBLE:
        return "the number " + NumberText(Z_DVAL_P(inValue));
    case IS_STRING:
        return "the text " + Quoted(Z_STRVAL_P(inValue), Z_STRLEN_P(inValue));
    case IS_ARRAY:
        return "an array";
    case IS_OBJECT:
        if (Z_OBJCE_P(inValue) == gObjectClass)
            return WithArticle(inVocabulary.ClassOf(InterfaceOf(inValue)));
        return std::string("an object of class ") + ZSTR_VAL(Z_OBJCE_P(inValue)->name);
    default:
        return WithArticle(zend_zval_type_name(inValue));
    }
}

bool IsObjectLike(zval* inValue)
{
    ZVAL_DEREF(inValue);
    return Z_TYPE_P(inValue) == IS_OBJECT || Z_TYPE_P(inValue) == IS_ARRAY;
}

// A refusal of the value itself: the host could not convert it, or the server would not take it.
bool RefusedValue(const Refusal& inRefusal)
{
    const std::string& theText = inRefusal.mDescription;
    return inRefusal.mByHost || inRefusal.mCode == kTypeMismatch || theText.starts_with("Type mismatch") ||
           theText.starts_with("Unable to set property") || theText.starts_with("Overflow") ||
           theText.find("(-50)") != std::string::npos;
}

// The first of a path's folders that is not there; empty when they all are.
std::string MissingFolder(const std::string& inPath)
{
    namespace fs = std::filesystem;
    std::error_code theError;
    fs::path thePath = fs::absolute(inPath, theError).lexically_normal();
    if (theError)
        return {};
    if (!thePath.has_filename())
        thePath = thePath.parent_path();  // a trailing '/'
    fs::path theFolder = thePath.parent_path();
    std::string theMissing;
    while (!fs::exists(theFolder, theError)) {
        theMissing = theFolder.string();
        const fs::path theParent = theFolder.parent_path();
        if (theParent == theFolder)
            break;
        theFolder = theParent;
    }
    return theMissing;
}

std::string ArgumentHint(const Vocabulary& inVocabulary, const MemberFacts& inMember, zval* inArgs, uint32_t inCount,
                         const Refusal& inRefusal)
{
    const std::string& theText = inRefusal.mDescription;
    const bool isMismatch = inRefusal.mByHost || inRefusal.mCode == kTypeMismatch || inRefusal.mCode == kNoInterface ||
                            theText.starts_with("Type mismatch") ||
                            theText.find("does not support the requested interface") != std::string::npos;
    for (std::size_t i = 0; i < inMember.mParams.size() && i < inCount; ++i) {
        const ParamFacts& theParam = inMember.mParams[i];
        zval* theValue = &inArgs[i];
        const std::string theWhere = inMember.mClass + "." + inMember.mName + "'s " + theParam.mName;
        if (theParam.mTakes == "a parameter string" && IsObjectLike(theValue))
            return inVocabulary.Line("paramsObject", {{"where", theWhere}, {"given", Given(inVocabulary, theValue)}});
        if (!isMismatch)
            continue;
        const std::string theInterface = InterfaceOf(theValue);
        if (!theParam.mClass.empty() && (theInterface.empty() || inVocabulary.ClassOf(theInterface) != theParam.mClass))
            return inVocabulary.Line("argumentClass", {{"where", theWhere},
                                                       {"class", WithArticle(theParam.mClass)},
                                                       {"given", Given(inVocabulary, theValue)}});
        if (theParam.mClass.empty() && IsObjectLike(theValue))
            return inVocabulary.Line(
                "argument",
                {{"where", theWhere}, {"takes", theParam.mTakes}, {"given", Given(inVocabulary, theValue)}});
    }
    if (theText.starts_with("Unable to understand channel"))
        for (const ParamFacts& theParam : inMember.mParams)
            if (theParam.mName == "inChannel")
                return inVocabulary.Line("channel", {{"where", inMember.mClass + "." + inMember.mName + "'s inChannel"},
                                                     {"takes", theParam.mTakes}});
    return {};
}

std::string FolderHint(const Vocabulary& inVocabulary, const MemberFacts& inMember, zval* inArgs, uint32_t inCount)
{
    for (std::size_t i = 0; i < inMember.mParams.size() && i < inCount; ++i) {
        const std::string& theName = inMember.mParams[i].mName;
        if (theName != "inFilePath" && theName != "inPath")
            continue;
        zval* theValue = &inArgs[i];
        ZVAL_DEREF(theValue);
        if (Z_TYPE_P(theValue) != IS_STRING || Z_STRLEN_P(theValue) == 0)
            return {};
        const std::string theMissing = MissingFolder(std::string(Z_STRVAL_P(theValue), Z_STRLEN_P(theValue)));
        return theMissing.empty() ? std::string()
                                  : inVocabulary.Line("folder", {{"folder", theMissing}, {"member", inMember.mName}});
    }
    return {};
}

}  // namespace

std::string PutHint(const Shape& inShape, const std::string& inMember, zval* inValue, const Refusal& inRefusal)
{
    if (!inShape.mTyped || !RefusedValue(inRefusal))
        return {};
    const Vocabulary theVocabulary;
    const std::optional<MemberFacts> theMember = theVocabulary.MemberOf(inShape.mName, inMember);
    if (!theMember || theMember->mTakes.empty())
        return {};
    return theVocabulary.Line("put", {{"member", theMember->mClass + "." + theMember->mName},
                                      {"takes", theMember->mTakes},
                                      {"given", Given(theVocabulary, inValue)}});
}

std::string CallHint(const Shape& inShape, const Member& inMember, zval* inArgs, uint32_t inCount,
                     const Refusal& inRefusal)
{
    const Vocabulary theVocabulary;
    const std::optional<MemberFacts> theMember =
        inShape.mTyped ? theVocabulary.MemberOf(inShape.mName, inMember.mName) : std::nullopt;
    if (!theMember || !theMember->mIsMethod)
        return KeywordHint(theVocabulary, inRefusal.mDescription);
    std::string theHint = ArgumentHint(theVocabulary, *theMember, inArgs, inCount, inRefusal);
    if (theHint.empty())
        theHint = KeywordHint(theVocabulary, inRefusal.mDescription);
    if (theHint.empty())
        theHint = FolderHint(theVocabulary, *theMember, inArgs, inCount);
    return theHint;
}

void AddHintToTypeError(const std::string& inHint)
{
    zend_object* theError = EG(exception);
    if (inHint.empty() || theError == nullptr || !instanceof_function(theError->ce, zend_ce_type_error))
        return;
    zval theSlot;
    zval* theMessage = zend_read_property_ex(theError->ce, theError, ZSTR_KNOWN(ZEND_STR_MESSAGE), 1, &theSlot);
    std::string theText = theMessage != nullptr && Z_TYPE_P(theMessage) == IS_STRING
                              ? std::string(Z_STRVAL_P(theMessage), Z_STRLEN_P(theMessage))
                              : std::string();
    theText += "\n" + inHint;
    zend_update_property_stringl(theError->ce, theError, "message", sizeof "message" - 1, theText.data(),
                                 theText.size());
}

}  // namespace vxphp
