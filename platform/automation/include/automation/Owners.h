// Owners for what callers above the platform hold: a reference to an
// interface (ComPtr) and any handle that has a function to close it (CloseWith).
//
//   vx::ComPtr<IErrorInfo> theInfo;
//   GetErrorInfo(0, theInfo.Out());
//   std::unique_ptr<SAFEARRAY, vx::CloseWith<SafeArrayDestroy>> theArray(SafeArrayCreateVector(...));
#pragma once

#include <cstddef>
#include <memory>
#include <utility>

#include "automation/Interfaces.h"
#include "automation/Registry.h"
#include "automation/SafeArray.h"

namespace vx {

// One counted reference to an interface: released when the holder goes, copied with AddRef.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adds a reference to inObject.
    explicit ComPtr(T* inObject) : mObject(inObject)
    {
        if (mObject)
            mObject->AddRef();
    }
    ComPtr(const ComPtr& inOther) : ComPtr(inOther.mObject) {}
    ComPtr(ComPtr&& inOther) noexcept : mObject(std::exchange(inOther.mObject, nullptr)) {}
    ComPtr& operator=(ComPtr inOther) noexcept
    {
        std::swap(mObject, inOther.mObject);
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Takes over a reference the caller already holds.
    static ComPtr Attach(T* inObject)
    {
        ComPtr theResult;
        theResult.mObject = inObject;
        return theResult;
    }
    // Hands the reference over to the caller.
    T* Detach() { return std::exchange(mObject, nullptr); }
    void Reset()
    {
        if (T* theObject = std::exchange(mObject, nullptr))
            theObject->Release();
    }
    // Releases the current reference and gives the slot to a call that returns one.
    T** Out()
    {
        Reset();
        return &mObject;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

    T* Get() const { return mObject; }
    T* operator->() const { return mObject; }
    explicit operator bool() const { return mObject != nullptr; }

private:
    T* mObject = nullptr;
};

// The deleter that hands a pointer to the platform's close function, for std::unique_ptr.
template <auto Close>
struct CloseWith {
    template <class P>
    void operator()(P* inHandle) const
    {
        Close(inHandle);
    }
};

// An array not yet handed to a VARIANT, destroyed if it never is.
using SafeArrayRef = std::unique_ptr<SAFEARRAY, CloseWith<SafeArrayDestroy>>;
// An open registry key, closed when its holder goes.
using RegistryKeyRef = std::unique_ptr<VxRegistryKey, CloseWith<RegCloseKey>>;

}  // namespace vx
