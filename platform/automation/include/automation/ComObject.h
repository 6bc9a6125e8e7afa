// Reference counting and QueryInterface from a declared interface list.
//
//   class Thing final : public vx::ComObject<Thing, vx::DispatchImpl<IThing, ThingTable>,
//                                            vx::SupportErrorInfo<Thing>> {
//   public:
//       using Interfaces = vx::InterfaceMap<vx::Answers<IThing, IID_IThing>,
//                                           vx::Answers<IDispatch, IID_IDispatch>,
//                                           vx::Answers<ISupportErrorInfo, IID_ISupportErrorInfo>>;
//       ...
//   };
//
// IUnknown is answered through the first entry. Objects are made with
// Create(), which returns them with one reference, and die in Release.
#pragma once

#include <atomic>
#include <new>
#include <utility>

#include "automation/Interfaces.h"
#include "automation/ModuleCounts.h"

namespace vx {

template <class Interface, const IID& kIid>
struct Answers {
    using Type = Interface;
    static constexpr const IID& Iid() { return kIid; }
};

template <class... Entries>
struct InterfaceMap {
    static_assert(sizeof...(Entries) > 0, "an object answers at least one interface");

    template <class Object>
    static void* Find(Object* inObject, REFIID inIid)
    {
        void* theFound = nullptr;
        ((theFound == nullptr && IsEqualIID(inIid, Entries::Iid())
              ? (theFound = static_cast<typename Entries::Type*>(inObject), 0)
              : 0),
         ...);
        return theFound;
    }

    template <class Object>
    static IUnknown* Identity(Object* inObject)
    {
        return static_cast<typename First<Entries...>::Type*>(inObject);
    }

    static bool Contains(REFIID inIid) { return (IsEqualIID(inIid, Entries::Iid()) || ...); }

private:
    template <class Head, class...>
    struct First {
        using Type = typename Head::Type;
    };
};

template <class Derived, class... Bases>
class ComObject : public Bases... {
public:
    // A new object with one reference, or null when memory ran out.
    template <class... Args>
    static Derived* Create(Args&&... inArgs)
    {
        return new (std::nothrow) Derived(std::forward<Args>(inArgs)...);
    }

    // Creates an object and asks it for inIid; the creation reference is dropped.
    template <class... Args>
    static HRESULT Instantiate(REFIID inIid, void** outObject, Args&&... inArgs)
    {
        if (outObject == nullptr)
            return E_POINTER;
        *outObject = nullptr;
        Derived* theObject = Create(std::forward<Args>(inArgs)...);
        if (theObject == nullptr)
            return E_OUTOFMEMORY;
        HRESULT theResult = theObject->QueryInterface(inIid, outObject);
        theObject->Release();
        return theResult;
    }

    HRESULT QueryInterface(REFIID inIid, void** outObject) override
    {
        if (outObject == nullptr)
            return E_POINTER;
        Derived* theSelf = static_cast<Derived*>(this);
        void* theFound = IsEqualIID(inIid, IID_IUnknown) ? Derived::Interfaces::Identity(theSelf)
                                                         : Derived::Interfaces::Find(theSelf, inIid);
        *outObject = theFound;
        if (theFound == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    ULONG AddRef() override { return mRefs.fetch_add(1, std::memory_order_relaxed) + 1; }

    ULONG Release() override
    {
        ULONG theLeft = mRefs.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (theLeft == 0)
            delete static_cast<Derived*>(this);
        return theLeft;
    }

    // The object's IUnknown, without a reference added.
    IUnknown* Identity() { return Derived::Interfaces::Identity(static_cast<Derived*>(this)); }

    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

protected:
    ComObject()
    {
        if constexpr (CountsForModule())
            ModuleCounts::ObjectCreated();
    }
    // Not virtual: Release deletes through the Derived type, which should be final.
    ~ComObject()
    {
        if constexpr (CountsForModule())
            ModuleCounts::ObjectDestroyed();
    }

private:
    // A class whose code and data do not belong to a server module (the runtime's
    // own error objects) declares `static constexpr bool kModuleObject = false;`
    // so that it never keeps a server loaded.
    static constexpr bool CountsForModule()
    {
        if constexpr (requires { Derived::kModuleObject; })
            return Derived::kModuleObject;
        else
            return true;
    }

    std::atomic<ULONG> mRefs{1};
};

}  // namespace vx
