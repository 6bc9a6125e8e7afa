// The server's class table behind DllGetClassObject: the creatable classes by
// CLSID, each with its class factory.
//
//   constexpr vx::ClassEntry kClasses[] = {vx::Creatable<Canvas>(CLSID_Canvas), ...};
//   HRESULT DllGetClassObject(REFCLSID inClsid, REFIID inIid, void** outObject)
//   {
//       return vx::GetClassObject(kClasses, inClsid, inIid, outObject);
//   }
//   HRESULT DllCanUnloadNow() { return vx::ModuleCounts::CanUnloadNow(); }
#pragma once

#include <span>

#include "automation/ClassFactory.h"

namespace vx {

struct ClassEntry {
    const CLSID* mClsid;
    HRESULT (*mGetFactory)(REFIID inIid, void** outObject);
};

template <class T>
constexpr ClassEntry Creatable(const CLSID& inClsid)
{
    return {&inClsid, &ClassFactory<T>::template Instantiate<>};
}

// The factory of inClsid asked for inIid; CLASS_E_CLASSNOTAVAILABLE for a class
// the table does not hold.
inline HRESULT GetClassObject(std::span<const ClassEntry> inClasses, REFCLSID inClsid, REFIID inIid, void** outObject)
{
    if (outObject == nullptr)
        return E_POINTER;
    *outObject = nullptr;
    for (const ClassEntry& theEntry : inClasses)
        if (IsEqualCLSID(*theEntry.mClsid, inClsid))
            return theEntry.mGetFactory(inIid, outObject);
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace vx
