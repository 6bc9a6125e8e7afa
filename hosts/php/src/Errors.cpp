// Failed calls as Vellumax\Exception, with the hint lines the Node host gives.
#include "Vocabulary.h"

#include <cstdio>
#include <cstdlib>

#include <automation/Errors.h>

namespace vxphp {

namespace {

constexpr HRESULT kClassString = static_cast<HRESULT>(0x800401F3);  // CO_E_CLASSSTRING
constexpr HRESULT kClassNotReg = static_cast<HRESULT>(0x80040154);  // REGDB_E_CLASSNOTREG
constexpr HRESULT kDllNotFound = static_cast<HRESULT>(0x800401F8);  // CO_E_DLLNOTFOUND
constexpr HRESULT kErrorInDll = static_cast<HRESULT>(0x800401F9);   // CO_E_ERRORINDLL
constexpr USHORT kFlagOut = 0x02;                                   // PARAMFLAG_FOUT
constexpr USHORT kFlagRetval = 0x08;                                // PARAMFLAG_FRETVAL
constexpr USHORT kFlagOptional = 0x10;                              // PARAMFLAG_FOPT

}  // namespace

void ThrowAutomationError(const vx::ClientError& inError, const std::string& inHint)
{
    std::string theDescription = inError.mDescription;
    if (theDescription.empty()) {
        char theCode[40];
        std::snprintf(theCode, sizeof theCode, "Automation error 0x%08X", static_cast<unsigned>(inError.mCode));
        theDescription = theCode;
    }
    const std::string theMessage = inHint.empty() ? theDescription : theDescription + "\n" + inHint;
    // The HRESULT as PHP writes it: 0x80070057, not a negative number.
    const zend_long theCode = static_cast<zend_long>(static_cast<std::uint32_t>(inError.mCode));
    zend_object* theError = zend_throw_exception(gExceptionClass, theMessage.c_str(), theCode);
    zend_update_property_stringl(gExceptionClass, theError, "description", sizeof "description" - 1,
                                 theDescription.data(), theDescription.size());
    zend_update_property_stringl(gExceptionClass, theError, "source", sizeof "source" - 1, inError.mSource.data(),
                                 inError.mSource.size());
    if (!inHint.empty())
        zend_update_property_stringl(gExceptionClass, theError, "hint", sizeof "hint" - 1, inHint.data(),
                                     inHint.size());
}

void ThrowCode(HRESULT inCode, const std::string& inDetail, const std::string& inHint)
{
    std::string theText = SystemMessageText(static_cast<std::uint32_t>(inCode));
    while (!theText.empty() && (theText.back() == '\n' || theText.back() == '\r'))
        theText.pop_back();
    if (!inDetail.empty())
        theText = theText.empty() ? inDetail : inDetail + ": " + theText;
    ThrowAutomationError(vx::ClientError{inCode, theText, {}}, inHint);
}

// The registry file the automation runtime reads: VX_REGISTRY, else vellumax.registry, else the
// runtime's own rule.
std::string RegistryPath()
{
    if (const char* theGiven = std::getenv("VX_REGISTRY"); theGiven != nullptr && *theGiven != '\0')
        return theGiven;
    if (const char* theSetting = INI_STR("vellumax.registry"); theSetting != nullptr && *theSetting != '\0')
        return theSetting;
    if (const char* theData = std::getenv("XDG_DATA_HOME"); theData != nullptr && theData[0] == '/')
        return std::string(theData) + "/vellumax/registry.db";
    const char* theHome = std::getenv("HOME");
    return std::string(theHome != nullptr ? theHome : "") + "/.local/share/vellumax/registry.db";
}

// Empty when the code needs no hint.
std::string RegistrationHint(const std::string& inName, HRESULT inCode)
{
    const bool isUnloadable = inCode == kDllNotFound || inCode == kErrorInDll;
    if (!isUnloadable && inCode != kClassString && inCode != kClassNotReg)
        return {};
    const char* theGiven = std::getenv("VX_REGISTRY");
    const Vocabulary theVocabulary;
    const std::string theRegistry = theVocabulary.Line(
        theGiven != nullptr && *theGiven != '\0' ? "registryNamed" : "registry", {{"file", RegistryPath()}});
    return theVocabulary.Line(isUnloadable ? "unloadable" : "unregistered",
                              {{"name", inName}, {"registry", theRegistry}});
}

// How a member is called, from its type information: ICanvas.DrawShape(inShape, inParams) takes 2
// arguments; 1 given.
std::string CountHint(const Shape& inShape, const Member& inMember, std::size_t inGiven)
{
    std::string theList;
    std::size_t theRequired = 0, theAccepted = 0;
    for (std::size_t i = 0; i < inMember.mFlags.size(); ++i) {
        const USHORT theFlags = inMember.mFlags[i];
        if (theFlags & kFlagRetval)
            continue;
        std::string theName = i < inMember.mParamNames.size() && !inMember.mParamNames[i].empty()
                                  ? inMember.mParamNames[i]
                                  : "arg" + std::to_string(i + 1);
        const bool isOptional = (theFlags & (kFlagOptional | kFlagOut)) != 0;
        if (!isOptional)
            theRequired = theAccepted + 1;
        ++theAccepted;
        theList += (theList.empty() ? "" : ", ") + (isOptional ? "[" + theName + "]" : theName);
    }
    const std::string theRange = theRequired == theAccepted
                                     ? std::to_string(theAccepted)
                                     : std::to_string(theRequired) + " to " + std::to_string(theAccepted);
    return inShape.mName + "." + inMember.mName + "(" + theList + ") takes " + theRange +
           (theAccepted == 1 ? " argument; " : " arguments; ") + std::to_string(inGiven) + " given.";
}

}  // namespace vxphp
