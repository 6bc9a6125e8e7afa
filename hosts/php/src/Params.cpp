// Vellumax\params(['rect' => [0, 0, 10, 10], 'textcolor' => $userColour]): a parameter string in
// which every value is quoted (a quote inside doubled), so that no value can end its own token
// and add or override a keyword. Arrays are joined with ','; null leaves the keyword out.
#include "Host.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vxphp {

namespace {

constexpr int kMaxNesting = 16;
constexpr const char* kTakes =
    "Vellumax\\params takes an array of keyword => value pairs, each value a string, a number, a boolean, an "
    "XColor, XRect or XPoint, or an array of these";

bool Refuse(const std::string& inDetail)
{
    zend_type_error("%s; %s", inDetail.c_str(), kTakes);
    return false;
}

std::string Describe(zval* inValue)
{
    if (Z_TYPE_P(inValue) == IS_OBJECT && Z_OBJCE_P(inValue) == gObjectClass)
        return "an automation object (" + ShapeOf(FromZend(Z_OBJ_P(inValue))).mName + ") without a text form";
    if (Z_TYPE_P(inValue) == IS_OBJECT)
        return std::string("an object of class ") + ZSTR_VAL(Z_OBJCE_P(inValue)->name);
    return std::string("a value of type ") + zend_zval_type_name(inValue);
}

// The shortest text that reads back as the same number, as scripts print numbers.
std::string NumberText(double inValue)
{
    char theText[40];
    for (int thePrecision = 1; thePrecision <= 17; ++thePrecision) {
        std::snprintf(theText, sizeof theText, "%.*g", thePrecision, inValue);
        if (std::strtod(theText, nullptr) == inValue)
            break;
    }
    return theText;
}

bool ValueText(const std::string& inKeyword, zval* inValue, int inDepth, std::string* outText);

bool ListText(const std::string& inKeyword, HashTable* inList, int inDepth, std::string* outText)
{
    if (inDepth >= kMaxNesting)
        return Refuse("the value of " + inKeyword + " nests arrays over " + std::to_string(kMaxNesting) + " deep");
    if (!(GC_FLAGS(inList) & GC_IMMUTABLE)) {
        if (GC_IS_RECURSIVE(inList))
            return Refuse("the value of " + inKeyword + " is an array that holds itself");
        GC_PROTECT_RECURSION(inList);
    }
    bool isFine = true;
    bool isFirst = true;
    zval* theItem = nullptr;
    ZEND_HASH_FOREACH_VAL(inList, theItem)
    {
        std::string theText;
        if (!ValueText(inKeyword, theItem, inDepth + 1, &theText)) {
            isFine = false;
            break;
        }
        *outText += (isFirst ? "" : ",") + theText;
        isFirst = false;
    }
    ZEND_HASH_FOREACH_END();
    if (!(GC_FLAGS(inList) & GC_IMMUTABLE))
        GC_UNPROTECT_RECURSION(inList);
    return isFine;
}

bool ValueText(const std::string& inKeyword, zval* inValue, int inDepth, std::string* outText)
{
    ZVAL_DEREF(inValue);
    switch (Z_TYPE_P(inValue)) {
    case IS_STRING:
        outText->assign(Z_STRVAL_P(inValue), Z_STRLEN_P(inValue));
        return true;
    case IS_TRUE:
        *outText = "true";
        return true;
    case IS_FALSE:
        *outText = "false";
        return true;
    case IS_LONG:
        *outText = std::to_string(Z_LVAL_P(inValue));
        return true;
    case IS_DOUBLE:
        if (!std::isfinite(Z_DVAL_P(inValue)))
            return Refuse("the value of " + inKeyword + " is not a finite number");
        *outText = NumberText(Z_DVAL_P(inValue));
        return true;
    case IS_NULL:
        return Refuse("the value of " + inKeyword + " holds null");
    case IS_ARRAY:
        return ListText(inKeyword, Z_ARRVAL_P(inValue), inDepth, outText);
    case IS_OBJECT:
        // A value object (XColor, XRect, XPoint) gives its text form; other objects have none.
        if (Z_OBJCE_P(inValue) == gObjectClass) {
            HostObject* theObject = FromZend(Z_OBJ_P(inValue));
            const Entry* theEntry = ShapeOf(theObject).Find("String");
            if (theEntry != nullptr && theEntry->IsValue()) {
                zval theString;
                ZVAL_UNDEF(&theString);
                zend_string* theName = zend_string_init("String", 6, 0);
                zval* theRead =
                    Z_OBJ_HT_P(inValue)->read_property(Z_OBJ_P(inValue), theName, BP_VAR_R, nullptr, &theString);
                zend_string_release(theName);
                if (EG(exception) != nullptr)
                    return false;
                const bool isFine = ValueText(inKeyword, theRead, inDepth, outText);
                zval_ptr_dtor(&theString);
                return isFine;
            }
        }
        return Refuse("the value of " + inKeyword + " is " + Describe(inValue));
    default:
        return Refuse("the value of " + inKeyword + " is " + Describe(inValue));
    }
}

bool IsKeyword(zend_string* inKey)
{
    if (inKey == nullptr || ZSTR_LEN(inKey) == 0)
        return false;
    for (std::size_t i = 0; i < ZSTR_LEN(inKey); ++i) {
        const char c = ZSTR_VAL(inKey)[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

}  // namespace

bool BuildParams(HashTable* inValues, std::string* outText)
{
    outText->clear();
    zend_ulong theIndex = 0;
    zend_string* theKey = nullptr;
    zval* theValue = nullptr;
    ZEND_HASH_FOREACH_KEY_VAL(inValues, theIndex, theKey, theValue)
    {
        if (!IsKeyword(theKey)) {
            const std::string theName =
                theKey != nullptr ? std::string(ZSTR_VAL(theKey), ZSTR_LEN(theKey)) : std::to_string(theIndex);
            return Refuse("not a parameter keyword: " + std::string(theKey != nullptr ? "'" + theName + "'" : theName));
        }
        zval* theTarget = theValue;
        ZVAL_DEREF(theTarget);
        if (Z_TYPE_P(theTarget) == IS_NULL)
            continue;
        const std::string theKeyword(ZSTR_VAL(theKey), ZSTR_LEN(theKey));
        std::string theText;
        if (!ValueText(theKeyword, theTarget, 0, &theText))
            return false;
        if (theText.find('\0') != std::string::npos)
            return Refuse("the value of " + theKeyword + " holds a NUL character");
        std::string thePart = theKeyword + "='";
        thePart.reserve(thePart.size() + theText.size() + 8);
        for (char c : theText) {
            thePart += c;
            if (c == '\'')
                thePart += '\'';
        }
        thePart += '\'';
        *outText += (outText->empty() ? "" : " ") + thePart;
    }
    ZEND_HASH_FOREACH_END();
    return true;
}

}  // namespace vxphp
