// The PHP host: what its units share. PHP's headers come first, so that its C declarations are
// seen before the automation runtime's.
#pragma once

extern "C" {
#include <php.h>
#include <zend_exceptions.h>
#include <zend_interfaces.h>
}

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <automation/Client.h>
#include <automation/ComVariant.h>

namespace vxphp {

// One member as its type information describes it.
struct Member {
    DISPID mId = DISPID_UNKNOWN;
    std::string mName;
    std::vector<USHORT> mFlags;            // per parameter, the retval included
    std::vector<std::string> mParamNames;  // per parameter
    std::vector<unsigned> mOuts;           // positions of [out] parameters
    std::vector<bool> mBytes;              // per parameter: a PHP string goes as bytes
    bool mRetval = false;
};

// A name of an interface: what reading, writing and calling it does.
struct Entry {
    const Member* mGet = nullptr;
    const Member* mPut = nullptr;
    const Member* mPutRef = nullptr;
    const Member* mMethod = nullptr;
    bool IsValue() const { return mMethod == nullptr && mGet != nullptr && mGet->mFlags.empty(); }
    const Member* Call() const { return mMethod != nullptr ? mMethod : mGet; }
};

// What one interface offers, built once per interface and request.
struct Shape {
    std::string mName = "IDispatch";
    bool mTyped = false;
    bool mEnumerable = false;
    std::vector<std::unique_ptr<Member>> mMembers;
    std::vector<std::pair<std::string, Entry>> mEntries;  // by lower-case name, sorted
    const Entry* Find(std::string_view inName) const;
};

// The PHP object standing for one automation object.
struct HostObject {
    IDispatch* mObject = nullptr;
    const Shape* mShape = nullptr;
    zend_object mStd;  // last, as PHP requires
};

extern zend_class_entry* gObjectClass;
extern zend_class_entry* gExceptionClass;

HostObject* FromZend(zend_object* inObject);
void RegisterObjectClass();
// Forgets the interfaces' shapes: nothing but the registry outlives a request.
void ForgetShapes();
const Shape& ShapeOf(HostObject* inObject);

// A new PHP object holding a reference on inObject; null for null.
void NewObject(IDispatch* inObject, zval* outValue);

// What a script's null becomes: VT_NULL in calls, a null object reference in property puts.
enum class NullAs { kNull, kNothing };
// What a PHP string becomes.
enum class StringAs { kText, kBytes };

// Converts a PHP value; false with a PHP exception thrown when it has no automation form.
bool ToVariant(zval* inValue, NullAs inNull, StringAs inString, VARIANT* outValue);
// False with a PHP exception thrown when the value has no PHP form.
bool FromVariant(const VARIANT& inValue, zval* outValue);

// Throws Vellumax\Exception: code the HRESULT, message the description (and hint line).
void ThrowAutomationError(const vx::ClientError& inError, const std::string& inHint = {});
// The same for a bare code: the system's text for it, with inDetail in front when given.
void ThrowCode(HRESULT inCode, const std::string& inDetail = {}, const std::string& inHint = {});

// The hint lines the hosts add where a newcomer needs one.
std::string RegistryPath();
std::string RegistrationHint(const std::string& inName, HRESULT inCode);
std::string CountHint(const Shape& inShape, const Member& inMember, std::size_t inGiven);

// Why the server or the host refused a value: the server's code and description, or a conversion
// the host refused (a TypeError thrown).
struct Refusal {
    HRESULT mCode = S_OK;
    std::string mDescription;
    bool mByHost = false;
};
// What a property takes and what it was given, when the refusal was of the value.
std::string PutHint(const Shape& inShape, const std::string& inMember, zval* inValue, const Refusal& inRefusal);
// What was wrong with an argument, what a keyword takes, or the folder a save is missing.
std::string CallHint(const Shape& inShape, const Member& inMember, zval* inArgs, uint32_t inCount,
                     const Refusal& inRefusal);
// Adds the hint line to the message of the TypeError the host has just thrown.
void AddHintToTypeError(const std::string& inHint);

// Vellumax\params: the parameter string, or false with a TypeError thrown.
bool BuildParams(HashTable* inValues, std::string* outText);

}  // namespace vxphp
