// foreach over a collection: its _NewEnum enumerator, one item at a time, keys 0, 1, 2...
#include "Host.h"

namespace vxphp {

namespace {

constexpr HRESULT kNotCollection = static_cast<HRESULT>(0x80020011);  // DISP_E_NOTACOLLECTION
constexpr DISPID kNewEnum = -4;                                       // DISPID_NEWENUM

struct ItemIterator {
    zend_object_iterator mIterator;  // first: PHP frees the iterator as this
    IEnumVARIANT* mEnum;
    zval mCurrent;  // undefined once the enumerator is done
};

ItemIterator* Of(zend_object_iterator* inIterator)
{
    return reinterpret_cast<ItemIterator*>(inIterator);
}

// Moves to the next item: none left (mCurrent undefined) at the end, or with an exception thrown
// when the enumerator fails.
void Fetch(ItemIterator* ioIterator)
{
    zval_ptr_dtor(&ioIterator->mCurrent);
    ZVAL_UNDEF(&ioIterator->mCurrent);
    VARIANT theItem;
    VariantInit(&theItem);
    ULONG theFetched = 0;
    const HRESULT theCode = ioIterator->mEnum->Next(1, &theItem, &theFetched);
    if (FAILED(theCode)) {
        ThrowAutomationError(vx::ClientError{theCode, {}, {}});
        return;
    }
    if (theFetched == 0)
        return;
    vx::Variant theOwned = vx::Variant::Attach(theItem);
    zval theValue;
    if (FromVariant(*theOwned, &theValue))
        ZVAL_COPY_VALUE(&ioIterator->mCurrent, &theValue);
}

void Destroy(zend_object_iterator* inIterator)
{
    ItemIterator* theIterator = Of(inIterator);
    zval_ptr_dtor(&theIterator->mCurrent);
    theIterator->mEnum->Release();
    zval_ptr_dtor(&inIterator->data);
}

int Valid(zend_object_iterator* inIterator)
{
    return Z_TYPE(Of(inIterator)->mCurrent) != IS_UNDEF ? SUCCESS : FAILURE;
}

zval* Current(zend_object_iterator* inIterator)
{
    return &Of(inIterator)->mCurrent;
}

void Forward(zend_object_iterator* inIterator)
{
    Fetch(Of(inIterator));
}

void Rewind(zend_object_iterator* inIterator)
{
    ItemIterator* theIterator = Of(inIterator);
    theIterator->mEnum->Reset();
    Fetch(theIterator);
}

const zend_object_iterator_funcs gFuncs = {
    Destroy, Valid, Current, nullptr, Forward, Rewind, nullptr, nullptr,
};

}  // namespace

zend_object_iterator* GetIterator(zend_class_entry*, zval* inObject, int inByReference)
{
    if (inByReference) {
        zend_throw_error(nullptr, "an automation collection can't be walked by reference");
        return nullptr;
    }
    HostObject* theObject = FromZend(Z_OBJ_P(inObject));
    vx::Client theClient(theObject->mObject);
    vx::Variant theValue = theClient.Invoke(kNewEnum, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
    if (!theClient.Ok()) {
        const vx::ClientError& theError = theClient.LastError();
        if (theError.mCode == static_cast<HRESULT>(0x80020003))  // no _NewEnum: not a collection
            ThrowAutomationError(
                vx::ClientError{kNotCollection, ShapeOf(theObject).mName + " is not a collection", {}});
        else
            ThrowAutomationError(theError);
        return nullptr;
    }
    IUnknown* theUnknown = theValue.AsUnknown();
    IEnumVARIANT* theEnum = nullptr;
    if (theUnknown == nullptr ||
        FAILED(theUnknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&theEnum)))) {
        ThrowAutomationError(vx::ClientError{kNotCollection, ShapeOf(theObject).mName + " is not a collection", {}});
        return nullptr;
    }
    auto* theIterator = static_cast<ItemIterator*>(emalloc(sizeof(ItemIterator)));
    zend_iterator_init(&theIterator->mIterator);
    ZVAL_OBJ_COPY(&theIterator->mIterator.data, Z_OBJ_P(inObject));
    theIterator->mIterator.funcs = &gFuncs;
    theIterator->mEnum = theEnum;
    ZVAL_UNDEF(&theIterator->mCurrent);
    return &theIterator->mIterator;
}

}  // namespace vxphp
