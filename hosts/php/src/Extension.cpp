// The vellumax PHP extension: Vellumax\create, Vellumax\params, Vellumax\register_server and
// Vellumax\Exception. The objects themselves are in Object.cpp.
#include "Host.h"

#include <cstdlib>

extern "C" {
#include <ext/standard/info.h>
}

#include <automation/Activation.h>
#include <automation/Guid.h>
#include <automation/RegistryLocation.h>
#include <automation/Strings.h>

namespace vxphp {

zend_class_entry* gExceptionClass = nullptr;

namespace {

constexpr HRESULT kDllNotFound = static_cast<HRESULT>(0x800401F8);  // CO_E_DLLNOTFOUND
constexpr HRESULT kErrorInDll = static_cast<HRESULT>(0x800401F9);   // CO_E_ERRORINDLL

// Vellumax\create(string $progIdOrClsid): AutomationObject
ZEND_NAMED_FUNCTION(Create)
{
    zend_string* theName = nullptr;
    ZEND_PARSE_PARAMETERS_START(1, 1)
    Z_PARAM_STR(theName)
    ZEND_PARSE_PARAMETERS_END();
    const std::string theText(ZSTR_VAL(theName), ZSTR_LEN(theName));
    const std::u16string theWide = UTF16FromUTF8(theText);
    CLSID theClsid{};
    HRESULT theCode = theText.find('\0') != std::string::npos ? static_cast<HRESULT>(0x800401F3)  // CO_E_CLASSSTRING
                      : !theText.empty() && theText.front() == '{' ? CLSIDFromString(theWide.c_str(), &theClsid)
                                                                   : CLSIDFromProgID(theWide.c_str(), &theClsid);
    IDispatch* theObject = nullptr;
    if (SUCCEEDED(theCode))
        theCode = CoCreateInstance(theClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&theObject));
    if (FAILED(theCode)) {
        ThrowCode(theCode, theText, RegistrationHint(theText, theCode));
        return;
    }
    NewObject(theObject, return_value);
    theObject->Release();
}

// Vellumax\params(array $values): string
ZEND_NAMED_FUNCTION(Params)
{
    HashTable* theValues = nullptr;
    ZEND_PARSE_PARAMETERS_START(1, 1)
    Z_PARAM_ARRAY_HT(theValues)
    ZEND_PARSE_PARAMETERS_END();
    std::string theText;
    if (!BuildParams(theValues, &theText))
        return;
    RETURN_STRINGL(theText.data(), theText.size());
}

// Vellumax\register_server(string $module) and unregister_server: the module's registration
// entry point, as tools/regsvr runs it.
void RunRegistration(zend_execute_data* execute_data, const char* inEntryName)
{
    zend_string* thePath = nullptr;
    ZEND_PARSE_PARAMETERS_START(1, 1)
    Z_PARAM_PATH_STR(thePath)
    ZEND_PARSE_PARAMETERS_END();
    const RegistrationRun theRun = RunRegistrationEntry(ZSTR_VAL(thePath), inEntryName);
    HRESULT theCode = theRun.mResult;
    switch (theRun.mOutcome) {
    case RegistrationRun::Outcome::kNotFound:
        ThrowCode(kDllNotFound, ZSTR_VAL(thePath));
        return;
    case RegistrationRun::Outcome::kNotLoaded:
        ThrowCode(kErrorInDll, theRun.mPath + ": " + theRun.mReason);
        return;
    case RegistrationRun::Outcome::kNoEntryPoint:
        theCode = kErrorInDll;
        break;
    case RegistrationRun::Outcome::kRan:
        break;
    }
    if (FAILED(theCode))
        ThrowCode(theCode, theRun.mPath + ": " + inEntryName);
}

ZEND_NAMED_FUNCTION(RegisterServer)
{
    RunRegistration(execute_data, "DllRegisterServer");
    (void)return_value;
}

ZEND_NAMED_FUNCTION(UnregisterServer)
{
    RunRegistration(execute_data, "DllUnregisterServer");
    (void)return_value;
}

ZEND_BEGIN_ARG_WITH_RETURN_OBJ_INFO_EX(gCreateArgs, 0, 1, Vellumax\\AutomationObject, 0)
ZEND_ARG_TYPE_INFO(0, progId, IS_STRING, 0)
ZEND_END_ARG_INFO()

ZEND_BEGIN_ARG_WITH_RETURN_TYPE_INFO_EX(gParamsArgs, 0, 1, IS_STRING, 0)
ZEND_ARG_TYPE_INFO(0, values, IS_ARRAY, 0)
ZEND_END_ARG_INFO()

ZEND_BEGIN_ARG_WITH_RETURN_TYPE_INFO_EX(gRegisterArgs, 0, 1, IS_VOID, 0)
ZEND_ARG_TYPE_INFO(0, module, IS_STRING, 0)
ZEND_END_ARG_INFO()

const zend_function_entry gFunctions[] = {
    ZEND_RAW_FENTRY("Vellumax\\create", Create, gCreateArgs, 0)
        ZEND_RAW_FENTRY("Vellumax\\params", Params, gParamsArgs, 0)
            ZEND_RAW_FENTRY("Vellumax\\register_server", RegisterServer, gRegisterArgs, 0)
                ZEND_RAW_FENTRY("Vellumax\\unregister_server", UnregisterServer, gRegisterArgs, 0) ZEND_FE_END};

void RegisterExceptionClass()
{
    zend_class_entry theClass;
    INIT_CLASS_ENTRY(theClass, "Vellumax\\Exception", nullptr);
    gExceptionClass = zend_register_internal_class_ex(&theClass, zend_ce_exception);
    zend_declare_property_string(gExceptionClass, "description", sizeof "description" - 1, "", ZEND_ACC_PUBLIC);
    zend_declare_property_string(gExceptionClass, "source", sizeof "source" - 1, "", ZEND_ACC_PUBLIC);
    zend_declare_property_null(gExceptionClass, "hint", sizeof "hint" - 1, ZEND_ACC_PUBLIC);
}

// vellumax.registry: the registry file when VX_REGISTRY names none. The Debian package sets it to
// the system registry, which FPM's workers (whose environment the pool clears) could not name.
PHP_INI_BEGIN()
PHP_INI_ENTRY("vellumax.registry", "", PHP_INI_SYSTEM, nullptr)
PHP_INI_END()

PHP_MINIT_FUNCTION(vellumax)
{
    (void)type;
    REGISTER_INI_ENTRIES();
    RegisterObjectClass();
    RegisterExceptionClass();
    return SUCCESS;
}

// Decided per request: FPM puts a pool's env[VX_REGISTRY] into a worker only after it forked.
PHP_RINIT_FUNCTION(vellumax)
{
    (void)type;
    (void)module_number;
    const char* theGiven = std::getenv("VX_REGISTRY");
    SetThreadRegistryPath(theGiven != nullptr && *theGiven != '\0' ? nullptr : INI_STR("vellumax.registry"));
    return SUCCESS;
}

PHP_MSHUTDOWN_FUNCTION(vellumax)
{
    (void)type;
    UNREGISTER_INI_ENTRIES();
    return SUCCESS;
}

ZEND_MODULE_POST_ZEND_DEACTIVATE_D(vellumax)
{
    ForgetShapes();
    return SUCCESS;
}

PHP_MINFO_FUNCTION(vellumax)
{
    (void)zend_module;
    php_info_print_table_start();
    php_info_print_table_row(2, "vellumax support", "enabled");
    php_info_print_table_row(2, "registry", RegistryPath().c_str());
    php_info_print_table_end();
    DISPLAY_INI_ENTRIES();
}

}  // namespace

}  // namespace vxphp

extern "C" {

zend_module_entry vellumax_module_entry = {STANDARD_MODULE_HEADER,
                                           "vellumax",
                                           vxphp::gFunctions,
                                           vxphp::ZEND_MODULE_STARTUP_N(vellumax),
                                           vxphp::ZEND_MODULE_SHUTDOWN_N(vellumax),
                                           vxphp::ZEND_MODULE_ACTIVATE_N(vellumax),
                                           nullptr,
                                           vxphp::ZEND_MODULE_INFO_N(vellumax),
                                           VX_PHP_VERSION,
                                           NO_MODULE_GLOBALS,
                                           vxphp::ZEND_MODULE_POST_ZEND_DEACTIVATE_N(vellumax),
                                           STANDARD_MODULE_PROPERTIES_EX};

ZEND_DLEXPORT zend_module_entry* get_module()
{
    return &vellumax_module_entry;
}
}
