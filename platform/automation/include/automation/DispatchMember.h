// Binding a table entry to a C++ interface method. The argument kinds come from
// the method's parameter types; the entry states names, DISPID, kind, flags, help.
//
//   vx::PropertyGet<&IThing::get_Width>(2, "Width", "Width in pixels", vx::Retval("outVal"))
//
// Supported parameter types: VARIANT, VARIANT*, BSTR, BSTR*, LONG, LONG*, float,
// float*, double, double*, VARIANT_BOOL, VARIANT_BOOL*, IDispatch*, IDispatch**,
// IUnknown*, IUnknown**. (SHORT is the same C++ type as VARIANT_BOOL and binds as VT_BOOL.)
#pragma once

#include <cstddef>
#include <utility>

#include "automation/DispatchTable.h"

namespace vx {

template <class T>
struct ArgTraits;  // not defined: the parameter type is not an automation type

#define VX_VALUE_ARG(Type, Vt, Field)                                                                                  \
    template <>                                                                                                        \
    struct ArgTraits<Type> {                                                                                           \
        static constexpr VARTYPE kType = Vt;                                                                           \
        static Type From(ArgSlot& inSlot) { return inSlot.mValue.Field; }                                              \
    };                                                                                                                 \
    template <>                                                                                                        \
    struct ArgTraits<Type*> {                                                                                          \
        static constexpr VARTYPE kType = VT_BYREF | Vt;                                                                \
        static Type* From(ArgSlot& inSlot) { return &inSlot.mValue.Field; }                                            \
    };

VX_VALUE_ARG(LONG, VT_I4, lVal)
VX_VALUE_ARG(float, VT_R4, fltVal)
VX_VALUE_ARG(double, VT_R8, dblVal)
VX_VALUE_ARG(VARIANT_BOOL, VT_BOOL, boolVal)
VX_VALUE_ARG(BSTR, VT_BSTR, bstrVal)
VX_VALUE_ARG(IDispatch*, VT_DISPATCH, pdispVal)
VX_VALUE_ARG(IUnknown*, VT_UNKNOWN, punkVal)

#undef VX_VALUE_ARG

template <>
struct ArgTraits<VARIANT> {
    static constexpr VARTYPE kType = VT_VARIANT;
    static VARIANT From(ArgSlot& inSlot) { return *inSlot.mTarget; }
};

template <>
struct ArgTraits<VARIANT*> {
    static constexpr VARTYPE kType = VT_BYREF | VT_VARIANT;
    static VARIANT* From(ArgSlot& inSlot) { return inSlot.mTarget; }
};

namespace detail {

template <auto kMethod, class Interface, class... Args, std::size_t... kIndex>
HRESULT CallBound(void* inInterface, ArgSlot* inSlots, std::index_sequence<kIndex...>)
{
    return (static_cast<Interface*>(inInterface)->*kMethod)(ArgTraits<Args>::From(inSlots[kIndex])...);
}

template <auto kMethod, class Interface, class... Args>
constexpr MemberThunk ThunkFor(HRESULT (Interface::*)(Args...))
{
    return [](void* inInterface, ArgSlot* inSlots) -> HRESULT {
        (void)inSlots;
        return CallBound<kMethod, Interface, Args...>(inInterface, inSlots, std::index_sequence_for<Args...>{});
    };
}

template <class Interface, class... Args>
constexpr std::size_t ArityOf(HRESULT (Interface::*)(Args...))
{
    return sizeof...(Args);
}

template <class Interface, class... Args>
constexpr void TypesOf(HRESULT (Interface::*)(Args...), VARTYPE* outTypes)
{
    std::size_t theIndex = 0;
    ((outTypes[theIndex++] = ArgTraits<Args>::kType), ...);
    (void)theIndex;
    (void)outTypes;
}

}  // namespace detail

// One table entry for kMethod: one ParamDesc per C++ parameter, in order.
template <auto kMethod, class... Params>
DispatchMember Member(InvokeKind inKind, DISPID inId, const char* inName, const char* inHelp, Params... inParams)
{
    static_assert(sizeof...(Params) == detail::ArityOf(kMethod), "one parameter description per C++ parameter");
    static_assert(sizeof...(Params) <= kMaxDispatchParams, "too many parameters for a dispatch member");
    DispatchMember theMember;
    theMember.mId = inId;
    theMember.mKind = inKind;
    theMember.mName = inName;
    theMember.mHelp = inHelp;
    theMember.mThunk = detail::ThunkFor<kMethod>(kMethod);
    theMember.mParamCount = static_cast<int>(sizeof...(Params));
    VARTYPE theTypes[kMaxDispatchParams + 1] = {};
    detail::TypesOf(kMethod, theTypes);
    int theIndex = 0;
    ((theMember.mParams[theIndex] = inParams, theMember.mParams[theIndex].mType = theTypes[theIndex], ++theIndex), ...);
    (void)theIndex;
    return theMember;
}

template <auto kMethod, class... Params>
DispatchMember Method(DISPID inId, const char* inName, const char* inHelp, Params... inParams)
{
    return Member<kMethod>(InvokeKind::Method, inId, inName, inHelp, inParams...);
}

template <auto kMethod, class... Params>
DispatchMember PropertyGet(DISPID inId, const char* inName, const char* inHelp, Params... inParams)
{
    return Member<kMethod>(InvokeKind::PropertyGet, inId, inName, inHelp, inParams...);
}

template <auto kMethod, class... Params>
DispatchMember PropertyPut(DISPID inId, const char* inName, const char* inHelp, Params... inParams)
{
    return Member<kMethod>(InvokeKind::PropertyPut, inId, inName, inHelp, inParams...);
}

template <auto kMethod, class... Params>
DispatchMember PropertyPutRef(DISPID inId, const char* inName, const char* inHelp, Params... inParams)
{
    return Member<kMethod>(InvokeKind::PropertyPutRef, inId, inName, inHelp, inParams...);
}

}  // namespace vx
