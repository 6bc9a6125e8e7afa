// Vellumax\AutomationObject: PHP's object handlers over one IDispatch. Properties are read and
// written through the type information, methods are called through __call, collections are
// walked by foreach through their enumerator.
#include "Host.h"

#include <cstring>

#include <automation/Errors.h>
#include <automation/Strings.h>

namespace vxphp {

zend_class_entry* gObjectClass = nullptr;

namespace {

zend_object_handlers gHandlers;

constexpr HRESULT kMemberNotFound = static_cast<HRESULT>(0x80020003);  // DISP_E_MEMBERNOTFOUND
constexpr HRESULT kBadParamCount = static_cast<HRESULT>(0x8002000E);   // DISP_E_BADPARAMCOUNT

zend_object* CreateObject(zend_class_entry* inClass)
{
    auto* theObject = static_cast<HostObject*>(zend_object_alloc(sizeof(HostObject), inClass));
    theObject->mObject = nullptr;
    theObject->mShape = nullptr;
    zend_object_std_init(&theObject->mStd, inClass);
    theObject->mStd.handlers = &gHandlers;
    return &theObject->mStd;
}

void FreeObject(zend_object* inObject)
{
    HostObject* theObject = FromZend(inObject);
    if (theObject->mObject != nullptr)
        theObject->mObject->Release();
    theObject->mObject = nullptr;
    zend_object_std_dtor(inObject);
}

void ThrowMissing(const Shape& inShape, zend_string* inName)
{
    const std::string theText = inShape.mName + " has no member " + ZSTR_VAL(inName);
    ThrowAutomationError(vx::ClientError{kMemberNotFound, theText, {}});
}

// The member behind a name, or null with an exception thrown. Objects without type information
// are asked for the name's DISPID.
const Entry* EntryOf(HostObject* inObject, zend_string* inName, Entry* outUntyped, Member* outMember)
{
    const Shape& theShape = ShapeOf(inObject);
    if (theShape.mTyped) {
        const Entry* theEntry = theShape.Find(std::string_view(ZSTR_VAL(inName), ZSTR_LEN(inName)));
        if (theEntry == nullptr)
            ThrowMissing(theShape, inName);
        return theEntry;
    }
    vx::Client theClient(inObject->mObject);
    const HRESULT theCode = theClient.FindId(std::string_view(ZSTR_VAL(inName), ZSTR_LEN(inName)), &outMember->mId);
    if (FAILED(theCode)) {
        ThrowMissing(theShape, inName);
        return nullptr;
    }
    outMember->mName = ZSTR_VAL(inName);
    outMember->mRetval = true;
    *outUntyped = Entry{outMember, outMember, nullptr, nullptr};
    return outUntyped;
}

// The value of a property get without arguments into outValue; false with an exception thrown.
bool ReadValue(HostObject* inObject, const Member& inGet, zval* outValue)
{
    vx::Client theClient(inObject->mObject);
    vx::Variant theResult = theClient.Invoke(inGet.mId, DISPATCH_PROPERTYGET, {});
    if (!theClient.Ok()) {
        ThrowAutomationError(theClient.LastError());
        return false;
    }
    return FromVariant(*theResult, outValue);
}

zval* ReadProperty(zend_object* inObject, zend_string* inName, int inType, void**, zval* outValue)
{
    HostObject* theObject = FromZend(inObject);
    Entry theUntyped;
    Member theMember;
    const Entry* theEntry = EntryOf(theObject, inName, &theUntyped, &theMember);
    if (theEntry != nullptr && !theEntry->IsValue() && ShapeOf(theObject).mTyped) {
        if (inType == BP_VAR_IS)
            return &EG(uninitialized_zval);
        zend_throw_error(nullptr, "%s.%s takes arguments: call it as ->%s(...)", ShapeOf(theObject).mName.c_str(),
                         ZSTR_VAL(inName), ZSTR_VAL(inName));
        return &EG(uninitialized_zval);
    }
    if (theEntry == nullptr || !ReadValue(theObject, *theEntry->mGet, outValue)) {
        if (inType == BP_VAR_IS && theEntry == nullptr)
            zend_clear_exception();
        return &EG(uninitialized_zval);
    }
    return outValue;
}

zval* WriteProperty(zend_object* inObject, zend_string* inName, zval* inValue, void**)
{
    HostObject* theObject = FromZend(inObject);
    Entry theUntyped;
    Member theMember;
    const Entry* theEntry = EntryOf(theObject, inName, &theUntyped, &theMember);
    if (theEntry == nullptr)
        return inValue;
    // Put unless the member can only be put by reference.
    const Member* thePut = theEntry->mPut != nullptr ? theEntry->mPut : theEntry->mPutRef;
    if (thePut == nullptr) {
        zend_throw_error(nullptr, "%s.%s is read-only", ShapeOf(theObject).mName.c_str(), ZSTR_VAL(inName));
        return inValue;
    }
    const bool isBytes = !thePut->mBytes.empty() && thePut->mBytes[0];
    const Shape& theShape = ShapeOf(theObject);
    std::vector<vx::Variant> theArgs(1);
    if (!ToVariant(inValue, NullAs::kNothing, isBytes ? StringAs::kBytes : StringAs::kText, theArgs[0].Out())) {
        AddHintToTypeError(PutHint(theShape, thePut->mName, inValue, Refusal{S_OK, {}, true}));
        return inValue;
    }
    vx::Client theClient(theObject->mObject);
    theClient.Invoke(thePut->mId, thePut == theEntry->mPut ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYPUTREF,
                     std::move(theArgs));
    if (!theClient.Ok()) {
        const vx::ClientError& theError = theClient.LastError();
        ThrowAutomationError(theError,
                             PutHint(theShape, thePut->mName, inValue, Refusal{theError.mCode, theError.mDescription}));
    }
    return inValue;
}

// isset() reads the value; property_exists-style checks only look the name up.
int HasProperty(zend_object* inObject, zend_string* inName, int inCheck, void**)
{
    HostObject* theObject = FromZend(inObject);
    const Shape& theShape = ShapeOf(theObject);
    const Entry* theEntry =
        theShape.mTyped ? theShape.Find(std::string_view(ZSTR_VAL(inName), ZSTR_LEN(inName))) : nullptr;
    if (theEntry == nullptr || !theEntry->IsValue())
        return 0;
    if (inCheck == ZEND_PROPERTY_EXISTS)
        return 1;
    zval theValue;
    if (!ReadValue(theObject, *theEntry->mGet, &theValue))
        return 0;
    const int theAnswer = inCheck == ZEND_PROPERTY_NOT_EMPTY ? zend_is_true(&theValue) : Z_TYPE(theValue) != IS_NULL;
    zval_ptr_dtor(&theValue);
    return theAnswer;
}

void UnsetProperty(zend_object*, zend_string* inName, void**)
{
    zend_throw_error(nullptr, "an automation object's member %s can't be unset", ZSTR_VAL(inName));
}

zval* PropertyPointer(zend_object*, zend_string*, int, void**)
{
    return nullptr;  // every access goes through ReadProperty and WriteProperty
}

zend_function* Constructor(zend_object*)
{
    zend_throw_error(nullptr, "Vellumax\\AutomationObject is made by Vellumax\\create('Vellumax.Canvas') and the like, "
                              "not by new");
    return nullptr;
}

// Two PHP values are == when they stand for one object (the same IUnknown).
int Compare(zval* inA, zval* inB)
{
    ZEND_COMPARE_OBJECTS_FALLBACK(inA, inB);
    if (Z_OBJ_P(inA)->ce != gObjectClass || Z_OBJ_P(inB)->ce != gObjectClass)
        return ZEND_UNCOMPARABLE;
    IUnknown* theA = nullptr;
    IUnknown* theB = nullptr;
    if (IDispatch* theObject = FromZend(Z_OBJ_P(inA))->mObject)
        theObject->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theA));
    if (IDispatch* theObject = FromZend(Z_OBJ_P(inB))->mObject)
        theObject->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theB));
    const bool isSame = theA != nullptr && theA == theB;
    if (theA != nullptr)
        theA->Release();
    if (theB != nullptr)
        theB->Release();
    return isSame ? 0 : ZEND_UNCOMPARABLE;
}

// count() of a collection is its Count property.
zend_result CountElements(zend_object* inObject, zend_long* outCount)
{
    HostObject* theObject = FromZend(inObject);
    const Entry* theEntry = ShapeOf(theObject).Find("Count");
    zval theValue;
    if (theEntry == nullptr || !theEntry->IsValue()) {
        zend_throw_error(zend_ce_type_error, "%s has no Count", ShapeOf(theObject).mName.c_str());
        return FAILURE;
    }
    if (!ReadValue(theObject, *theEntry->mGet, &theValue))
        return FAILURE;
    *outCount = zval_get_long(&theValue);
    zval_ptr_dtor(&theValue);
    return SUCCESS;
}

HashTable* DebugInfo(zend_object* inObject, int* outIsTemp)
{
    *outIsTemp = 1;
    HashTable* theTable = zend_new_array(1);
    zval theName;
    const std::string& theText = ShapeOf(FromZend(inObject)).mName;
    ZVAL_STRINGL(&theName, theText.data(), theText.size());
    zend_hash_str_update(theTable, "interface", sizeof "interface" - 1, &theName);
    return theTable;
}

}  // namespace

HostObject* FromZend(zend_object* inObject)
{
    return reinterpret_cast<HostObject*>(reinterpret_cast<char*>(inObject) - XtOffsetOf(HostObject, mStd));
}

void NewObject(IDispatch* inObject, zval* outValue)
{
    if (inObject == nullptr) {
        ZVAL_NULL(outValue);
        return;
    }
    zend_object* theObject = CreateObject(gObjectClass);
    inObject->AddRef();
    FromZend(theObject)->mObject = inObject;
    ZVAL_OBJ(outValue, theObject);
}

// Calls a member with the PHP arguments; [out] parameters the caller left out come back as an
// array (then the retval), or alone when there is one and no retval.
void CallMember(HostObject* inObject, const Shape& inShape, const Member& inMember, zval* inArgs, uint32_t inCount,
                zval* outValue)
{
    std::vector<vx::Variant> theValues(inCount);
    for (uint32_t i = 0; i < inCount; ++i) {
        const bool isBytes = i < inMember.mBytes.size() && inMember.mBytes[i];
        if (!ToVariant(&inArgs[i], NullAs::kNull, isBytes ? StringAs::kBytes : StringAs::kText, theValues[i].Out())) {
            AddHintToTypeError(CallHint(inShape, inMember, inArgs, inCount, Refusal{S_OK, {}, true}));
            return;
        }
    }
    std::vector<unsigned> theSlots;
    for (unsigned theSlot : inMember.mOuts)
        if (theSlot >= inCount)
            theSlots.push_back(theSlot);
    std::vector<vx::Variant> theOuts(theSlots.size());
    if (!theSlots.empty()) {
        theValues.resize(std::max<std::size_t>(theValues.size(), theSlots.back() + 1));
        for (std::size_t i = inCount; i < theValues.size(); ++i)
            theValues[i] = vx::Variant::Missing();
        for (std::size_t i = 0; i < theSlots.size(); ++i) {
            VARIANT* theArg = theValues[theSlots[i]].Out();
            theArg->vt = VT_BYREF | VT_VARIANT;
            theArg->pvarVal = theOuts[i].Get();
        }
    }
    vx::Client theClient(inObject->mObject);
    vx::Variant theResult =
        theClient.Invoke(inMember.mId, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(theValues));
    if (!theClient.Ok()) {
        const vx::ClientError& theError = theClient.LastError();
        ThrowAutomationError(theError, theError.mCode == kBadParamCount && inShape.mTyped
                                           ? CountHint(inShape, inMember, inCount)
                                           : CallHint(inShape, inMember, inArgs, inCount,
                                                      Refusal{theError.mCode, theError.mDescription}));
        return;
    }
    if (theOuts.empty()) {
        FromVariant(*theResult, outValue);
        return;
    }
    if (theOuts.size() == 1 && !inMember.mRetval) {
        FromVariant(*theOuts[0], outValue);
        return;
    }
    if (inMember.mRetval)
        theOuts.push_back(std::move(theResult));
    array_init_size(outValue, static_cast<uint32_t>(theOuts.size()));
    for (const vx::Variant& theOut : theOuts) {
        zval theItem;
        if (!FromVariant(*theOut, &theItem))
            return;
        add_next_index_zval(outValue, &theItem);
    }
}

// __call(string $name, array $arguments): every method of the object.
ZEND_NAMED_FUNCTION(CallHandler)
{
    zend_string* theName = nullptr;
    HashTable* theArgs = nullptr;
    ZEND_PARSE_PARAMETERS_START(2, 2)
    Z_PARAM_STR(theName)
    Z_PARAM_ARRAY_HT(theArgs)
    ZEND_PARSE_PARAMETERS_END();
    HostObject* theObject = FromZend(Z_OBJ_P(ZEND_THIS));
    Entry theUntyped;
    Member theUntypedMember;
    const Entry* theEntry = EntryOf(theObject, theName, &theUntyped, &theUntypedMember);
    if (theEntry == nullptr)
        return;
    const Member* theMember = theEntry->Call();
    if (theMember == nullptr) {
        zend_throw_error(nullptr, "%s.%s is a property that can only be set", ShapeOf(theObject).mName.c_str(),
                         ZSTR_VAL(theName));
        return;
    }
    std::vector<zval> theValues;
    theValues.reserve(zend_hash_num_elements(theArgs));
    zend_string* theKey = nullptr;
    zval* theValue = nullptr;
    ZEND_HASH_FOREACH_STR_KEY_VAL(theArgs, theKey, theValue)
    {
        if (theKey != nullptr) {
            zend_throw_error(nullptr, "automation members take no named arguments ($%s)", ZSTR_VAL(theKey));
            return;
        }
        theValues.push_back(*theValue);
    }
    ZEND_HASH_FOREACH_END();
    CallMember(theObject, ShapeOf(theObject), *theMember, theValues.data(), static_cast<uint32_t>(theValues.size()),
               return_value);
}

// getIterator(): what IteratorAggregate asks; foreach itself goes to GetIterator directly.
ZEND_NAMED_FUNCTION(IteratorHandler)
{
    ZEND_PARSE_PARAMETERS_NONE();
    zend_create_internal_iterator_zval(return_value, ZEND_THIS);
}

ZEND_BEGIN_ARG_WITH_RETURN_OBJ_INFO_EX(gIteratorArgs, 0, 0, Iterator, 0)
ZEND_END_ARG_INFO()

ZEND_BEGIN_ARG_INFO_EX(gCallArgs, 0, 0, 2)
ZEND_ARG_TYPE_INFO(0, name, IS_STRING, 0)
ZEND_ARG_TYPE_INFO(0, arguments, IS_ARRAY, 0)
ZEND_END_ARG_INFO()

zend_object_iterator* GetIterator(zend_class_entry*, zval* inObject, int inByReference);

void RegisterObjectClass()
{
    static const zend_function_entry theMethods[] = {
        ZEND_RAW_FENTRY("__call", CallHandler, gCallArgs, ZEND_ACC_PUBLIC)
            ZEND_RAW_FENTRY("getIterator", IteratorHandler, gIteratorArgs, ZEND_ACC_PUBLIC) ZEND_FE_END};
    zend_class_entry theClass;
    INIT_CLASS_ENTRY(theClass, "Vellumax\\AutomationObject", theMethods);
    gObjectClass = zend_register_internal_class(&theClass);
    gObjectClass->ce_flags |= ZEND_ACC_FINAL | ZEND_ACC_NO_DYNAMIC_PROPERTIES | ZEND_ACC_NOT_SERIALIZABLE;
    gObjectClass->create_object = CreateObject;
    gObjectClass->get_iterator = GetIterator;
    zend_class_implements(gObjectClass, 1, zend_ce_aggregate);

    std::memcpy(&gHandlers, &std_object_handlers, sizeof gHandlers);
    gHandlers.offset = XtOffsetOf(HostObject, mStd);
    gHandlers.free_obj = FreeObject;
    gHandlers.clone_obj = nullptr;
    gHandlers.read_property = ReadProperty;
    gHandlers.write_property = WriteProperty;
    gHandlers.has_property = HasProperty;
    gHandlers.unset_property = UnsetProperty;
    gHandlers.get_property_ptr_ptr = PropertyPointer;
    gHandlers.get_constructor = Constructor;
    gHandlers.compare = Compare;
    gHandlers.count_elements = CountElements;
    gHandlers.get_debug_info = DebugInfo;
}

}  // namespace vxphp
