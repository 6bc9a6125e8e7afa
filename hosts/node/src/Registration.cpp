#include "Registration.h"

#include <string>

#include <automation/Activation.h>
#include <automation/Guid.h>
#include <automation/Owners.h>
#include <automation/Registry.h>
#include <automation/RegistryLocation.h>
#include <automation/Strings.h>

namespace vxnode {

namespace {

// The one argument as text; null and undefined set *outIsNull. False with a TypeError pending.
bool GetOptionalString(napi_env inEnv, napi_callback_info inInfo, std::string* outText, bool* outIsNull)
{
    size_t theCount = 1;
    napi_value theValue = nullptr;
    if (napi_get_cb_info(inEnv, inInfo, &theCount, &theValue, nullptr, nullptr) != napi_ok)
        return false;
    napi_valuetype theType = napi_undefined;
    if (theCount > 0)
        napi_typeof(inEnv, theValue, &theType);
    *outIsNull = theType == napi_null || theType == napi_undefined;
    if (*outIsNull)
        return true;
    size_t theLength = 0;
    if (theType != napi_string || napi_get_value_string_utf8(inEnv, theValue, nullptr, 0, &theLength) != napi_ok) {
        napi_throw_type_error(inEnv, nullptr, "a string or null is expected");
        return false;
    }
    outText->resize(theLength);
    napi_get_value_string_utf8(inEnv, theValue, outText->data(), theLength + 1, &theLength);
    if (outText->find('\0') != std::string::npos) {
        napi_throw_type_error(inEnv, nullptr, "a text without NUL characters is expected");
        return false;
    }
    return true;
}

napi_value Null(napi_env inEnv)
{
    napi_value theNull = nullptr;
    napi_get_null(inEnv, &theNull);
    return theNull;
}

// The default value of a key as text; empty when the key or the value is missing.
std::string DefaultText(const std::string& inSubKey)
{
    HKEY theOpened = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, inSubKey.c_str(), 0, KEY_READ, &theOpened) != ERROR_SUCCESS)
        return {};
    const vx::RegistryKeyRef theOwner(theOpened);
    HKEY theKey = theOwner.get();
    std::string theText;
    DWORD theType = 0;
    DWORD theSize = 0;
    if (RegQueryValueEx(theKey, nullptr, nullptr, &theType, nullptr, &theSize) == ERROR_SUCCESS && theType == REG_SZ &&
        theSize > 0) {
        theText.resize(theSize);
        if (RegQueryValueEx(theKey, nullptr, nullptr, &theType, reinterpret_cast<BYTE*>(theText.data()), &theSize) !=
            ERROR_SUCCESS)
            theText.clear();
        theText.resize(theText.find('\0') == std::string::npos ? theText.size() : theText.find('\0'));
    }
    return theText;
}

}  // namespace

napi_value UseRegistry(napi_env inEnv, napi_callback_info inInfo)
{
    std::string thePath;
    bool isNull = false;
    if (!GetOptionalString(inEnv, inInfo, &thePath, &isNull))
        return nullptr;
    SetThreadRegistryPath(isNull ? nullptr : thePath.c_str());
    return Null(inEnv);
}

napi_value RegisteredModule(napi_env inEnv, napi_callback_info inInfo)
{
    std::string theProgId;
    bool isNull = false;
    if (!GetOptionalString(inEnv, inInfo, &theProgId, &isNull))
        return nullptr;
    CLSID theClsid{};
    if (isNull || FAILED(CLSIDFromProgID(UTF16FromUTF8(theProgId).c_str(), &theClsid)))
        return Null(inEnv);
    const std::string theModule = DefaultText("CLSID\\" + StringFromGUID(theClsid) + "\\InprocServer32");
    if (theModule.empty())
        return Null(inEnv);
    napi_value theResult = nullptr;
    napi_create_string_utf8(inEnv, theModule.data(), theModule.size(), &theResult);
    return theResult;
}

}  // namespace vxnode
