// The class factories of the creatable classes. Each class's own source unit
// defines its function (usually `return vx::ClassFactory<X>::Instantiate<>(inIid, outObject);`
// or through vx::Creatable); the declarations are weak so that the class table
// can list every class while a class that is not built yet has no factory.
#pragma once

#include <automation/Types.h>

#define VX_CLASS_OBJECT(Name) __attribute__((weak)) HRESULT VxGetClassObject_##Name(REFIID inIid, void** outObject)

VX_CLASS_OBJECT(Graphic);
VX_CLASS_OBJECT(Canvas);
VX_CLASS_OBJECT(Gestalt);
VX_CLASS_OBJECT(XColor);
VX_CLASS_OBJECT(XRect);
VX_CLASS_OBJECT(XPoint);
VX_CLASS_OBJECT(XMultipart);

#undef VX_CLASS_OBJECT
