// PHP values ↔ automation values.
#include "Host.h"

#include <cstdint>
#include <cstring>

#include <automation/Errors.h>
#include <automation/SafeArray.h>
#include <automation/Strings.h>
#include <automation/Variant.h>

namespace vxphp {

namespace {

bool BytesToVariant(const char* inData, std::size_t inSize, VARIANT* outValue)
{
    if (inSize > 0x7fffffffu) {
        zend_throw_exception(zend_ce_value_error, "a string of more than 2 GiB can't be passed as bytes", 0);
        return false;
    }
    if (const HRESULT theResult = ByteArrayVariant(inData, inSize, outValue); FAILED(theResult)) {
        ThrowCode(theResult);
        return false;
    }
    return true;
}

bool ObjectToVariant(zend_object* inObject, VARIANT* outValue)
{
    if (inObject->ce != gObjectClass) {
        zend_type_error("an object of class %s can't be passed to an automation object", ZSTR_VAL(inObject->ce->name));
        return false;
    }
    IDispatch* theObject = FromZend(inObject)->mObject;
    if (theObject != nullptr)
        theObject->AddRef();
    outValue->vt = VT_DISPATCH;
    outValue->pdispVal = theObject;
    return true;
}

bool ArrayFromVariant(const VARIANT& inValue, zval* outValue)
{
    SAFEARRAY* theArray = (inValue.vt & VT_BYREF) ? *inValue.pparray : inValue.parray;
    const VARTYPE theType = inValue.vt & VT_TYPEMASK;
    if (theArray == nullptr) {
        ZVAL_NULL(outValue);
        return true;
    }
    LONG theLower = 0, theUpper = -1;
    if (SafeArrayGetDim(theArray) != 1 || FAILED(SafeArrayGetLBound(theArray, 1, &theLower)) ||
        FAILED(SafeArrayGetUBound(theArray, 1, &theUpper))) {
        zend_type_error("only one-dimensional arrays reach scripts");
        return false;
    }
    const std::size_t theCount = theUpper >= theLower ? static_cast<std::size_t>(theUpper - theLower) + 1 : 0;
    if (theType == VT_UI1 || theType == VT_I1) {
        void* theData = nullptr;
        if (theCount > 0 && FAILED(SafeArrayAccessData(theArray, &theData))) {
            ThrowCode(E_UNEXPECTED);
            return false;
        }
        ZVAL_STRINGL(outValue, theCount > 0 ? static_cast<const char*>(theData) : "", theCount);
        if (theCount > 0)
            SafeArrayUnaccessData(theArray);
        return true;
    }
    array_init_size(outValue, static_cast<uint32_t>(theCount));
    for (std::size_t i = 0; i < theCount; ++i) {
        LONG theIndex = theLower + static_cast<LONG>(i);
        VARIANT theElement;
        VariantInit(&theElement);
        const HRESULT theCode = theType == VT_VARIANT ? SafeArrayGetElement(theArray, &theIndex, &theElement)
                                                      : SafeArrayGetElement(theArray, &theIndex, &theElement.llVal);
        if (FAILED(theCode)) {
            zval_ptr_dtor(outValue);
            ThrowCode(theCode);
            return false;
        }
        if (theType != VT_VARIANT)
            theElement.vt = theType;
        vx::Variant theOwned = vx::Variant::Attach(theElement);
        zval theItem;
        if (!FromVariant(*theOwned, &theItem)) {
            zval_ptr_dtor(outValue);
            return false;
        }
        add_next_index_zval(outValue, &theItem);
    }
    return true;
}

// The numeric types; any type left has no script form.
bool NumberFromVariant(const VARIANT& inValue, zval* outValue)
{
    switch (inValue.vt) {
    case VT_I1:
        ZVAL_LONG(outValue, static_cast<signed char>(inValue.cVal));
        return true;
    case VT_UI1:
        ZVAL_LONG(outValue, inValue.bVal);
        return true;
    case VT_I2:
        ZVAL_LONG(outValue, inValue.iVal);
        return true;
    case VT_UI2:
        ZVAL_LONG(outValue, inValue.uiVal);
        return true;
    case VT_I4:
    case VT_INT:
        ZVAL_LONG(outValue, inValue.lVal);
        return true;
    case VT_UI4:
    case VT_UINT:
        ZVAL_LONG(outValue, inValue.ulVal);
        return true;
    case VT_I8:
        ZVAL_LONG(outValue, inValue.llVal);
        return true;
    case VT_UI8:
        if (inValue.ullVal <= static_cast<ULONGLONG>(ZEND_LONG_MAX))
            ZVAL_LONG(outValue, static_cast<zend_long>(inValue.ullVal));
        else
            ZVAL_DOUBLE(outValue, static_cast<double>(inValue.ullVal));
        return true;
    case VT_R4:
        ZVAL_DOUBLE(outValue, inValue.fltVal);
        return true;
    case VT_R8:
    case VT_DATE:
        ZVAL_DOUBLE(outValue, inValue.dblVal);
        return true;
    case VT_CY:
        ZVAL_DOUBLE(outValue, static_cast<double>(inValue.cyVal.int64) / 10000.0);
        return true;
    default:
        zend_type_error("an automation value of type %d has no script form", static_cast<int>(inValue.vt));
        return false;
    }
}

}  // namespace

bool ToVariant(zval* inValue, NullAs inNull, StringAs inString, VARIANT* outValue)
{
    VariantInit(outValue);
    ZVAL_DEREF(inValue);
    switch (Z_TYPE_P(inValue)) {
    case IS_NULL:
        if (inNull == NullAs::kNothing) {
            outValue->vt = VT_DISPATCH;
            outValue->pdispVal = nullptr;
        } else {
            outValue->vt = VT_NULL;
        }
        return true;
    case IS_FALSE:
    case IS_TRUE:
        outValue->vt = VT_BOOL;
        outValue->boolVal = Z_TYPE_P(inValue) == IS_TRUE ? VARIANT_TRUE : VARIANT_FALSE;
        return true;
    case IS_LONG: {
        const zend_long theNumber = Z_LVAL_P(inValue);
        if (theNumber >= INT32_MIN && theNumber <= INT32_MAX) {
            outValue->vt = VT_I4;
            outValue->lVal = static_cast<LONG>(theNumber);
        } else {
            outValue->vt = VT_I8;
            outValue->llVal = theNumber;
        }
        return true;
    }
    case IS_DOUBLE:
        outValue->vt = VT_R8;
        outValue->dblVal = Z_DVAL_P(inValue);
        return true;
    case IS_STRING:
        if (inString == StringAs::kBytes)
            return BytesToVariant(Z_STRVAL_P(inValue), Z_STRLEN_P(inValue), outValue);
        outValue->bstrVal = SysAllocStringUTF8(std::string_view(Z_STRVAL_P(inValue), Z_STRLEN_P(inValue)));
        if (outValue->bstrVal == nullptr) {
            ThrowCode(E_OUTOFMEMORY);
            return false;
        }
        outValue->vt = VT_BSTR;
        return true;
    case IS_OBJECT:
        return ObjectToVariant(Z_OBJ_P(inValue), outValue);
    case IS_ARRAY:
        zend_type_error("an array can't be passed to an automation object; Vellumax\\params makes a parameter "
                        "string of one");
        return false;
    default:
        zend_type_error("a %s can't be passed to an automation object", zend_zval_type_name(inValue));
        return false;
    }
}

bool FromVariant(const VARIANT& inValue, zval* outValue)
{
    ZVAL_NULL(outValue);
    if (inValue.vt == (VT_BYREF | VT_VARIANT))
        return inValue.pvarVal == nullptr || FromVariant(*inValue.pvarVal, outValue);
    if (inValue.vt & VT_ARRAY)
        return ArrayFromVariant(inValue, outValue);
    if (inValue.vt & VT_BYREF) {
        vx::Variant theCopy;
        const HRESULT theCode = VariantCopyInd(theCopy.Out(), &inValue);
        if (FAILED(theCode)) {
            ThrowCode(theCode);
            return false;
        }
        return FromVariant(*theCopy, outValue);
    }
    switch (inValue.vt) {
    case VT_EMPTY:
    case VT_ERROR:  // a missing optional value
    case VT_NULL:
        return true;
    case VT_BOOL:
        ZVAL_BOOL(outValue, inValue.boolVal != VARIANT_FALSE);
        return true;
    case VT_BSTR: {
        const std::string theText = UTF8FromUTF16(
            std::u16string_view(inValue.bstrVal != nullptr ? inValue.bstrVal : u"", SysStringLen(inValue.bstrVal)));
        ZVAL_STRINGL(outValue, theText.data(), theText.size());
        return true;
    }
    case VT_DISPATCH:
        NewObject(inValue.pdispVal, outValue);
        return true;
    case VT_UNKNOWN: {
        // An object without IDispatch reaches scripts as null.
        IDispatch* theObject = nullptr;
        if (inValue.punkVal != nullptr)
            inValue.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&theObject));
        NewObject(theObject, outValue);
        if (theObject != nullptr)
            theObject->Release();
        return true;
    }
    default:
        return NumberFromVariant(inValue, outValue);
    }
}

}  // namespace vxphp
