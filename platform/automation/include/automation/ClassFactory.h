// A class factory for objects made with ComObject: CreateInstance makes a new
// T (no aggregation), LockServer keeps the module loaded.
#pragma once

#include "automation/ComObject.h"

namespace vx {

template <class T>
class ClassFactory final : public ComObject<ClassFactory<T>, IClassFactory> {
public:
    using Interfaces = InterfaceMap<Answers<IClassFactory, IID_IClassFactory>>;

    HRESULT CreateInstance(IUnknown* inOuter, REFIID inIid, void** outObject) override
    {
        if (outObject == nullptr)
            return E_POINTER;
        *outObject = nullptr;
        if (inOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        return T::Instantiate(inIid, outObject);
    }

    HRESULT LockServer(int inLock) override
    {
        if (inLock)
            ModuleCounts::Lock();
        else
            ModuleCounts::Unlock();
        return S_OK;
    }
};

}  // namespace vx
