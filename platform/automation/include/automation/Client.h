// Late-bound calls on an IDispatch from C++: properties and methods by name,
// arguments from plain C++ values, results as owned variants.
//
//   vx::Client theCanvas(theDispatch);
//   theCanvas.Put("Width", 120);
//   vx::Variant theRect = theCanvas.Call("DrawShape", "rect", "pencolor=red");
//   if (!theCanvas.Ok()) std::puts(theCanvas.LastError().mDescription.c_str());
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/ComVariant.h"

namespace vx {

struct ClientError {
    HRESULT mCode = S_OK;
    std::string mDescription;  // UTF-8; the system's text for mCode when the object gave none
    std::string mSource;
};

class Client {
public:
    Client() = default;
    explicit Client(IDispatch* inObject);  // adds a reference
    Client(const Client& inOther);
    Client(Client&& inOther) noexcept;
    Client& operator=(Client inOther) noexcept;
    ~Client();

    IDispatch* Object() const { return mObject; }
    explicit operator bool() const { return mObject != nullptr; }

    // A property read, with index arguments if the property takes any.
    template <class... Args>
    Variant Get(std::string_view inName, Args&&... inArgs)
    {
        return Invoke(inName, DISPATCH_PROPERTYGET, Pack(std::forward<Args>(inArgs)...));
    }
    template <class T>
    bool Put(std::string_view inName, T&& inValue)
    {
        Invoke(inName, DISPATCH_PROPERTYPUT, Pack(std::forward<T>(inValue)));
        return Ok();
    }
    template <class T>
    bool PutRef(std::string_view inName, T&& inValue)
    {
        Invoke(inName, DISPATCH_PROPERTYPUTREF, Pack(std::forward<T>(inValue)));
        return Ok();
    }
    // A call as script engines make it (method or property get); the retval.
    template <class... Args>
    Variant Call(std::string_view inName, Args&&... inArgs)
    {
        return Invoke(inName, DISPATCH_METHOD | DISPATCH_PROPERTYGET, Pack(std::forward<Args>(inArgs)...));
    }
    // As Call, and the [out] parameters not given are passed by reference: the
    // result holds them in order, then the retval when the member has one.
    template <class... Args>
    std::vector<Variant> CallWithOuts(std::string_view inName, Args&&... inArgs)
    {
        return InvokeWithOuts(inName, Pack(std::forward<Args>(inArgs)...));
    }

    // Every item of a collection, through its _NewEnum enumerator.
    std::vector<Variant> Enumerate();

    // inArgs in the natural (left to right) order. A put sends its last argument as
    // the named DISPID_PROPERTYPUT value.
    Variant Invoke(std::string_view inName, WORD inFlags, std::vector<Variant> inArgs);
    Variant Invoke(DISPID inId, WORD inFlags, std::vector<Variant> inArgs);
    std::vector<Variant> InvokeWithOuts(std::string_view inName, std::vector<Variant> inArgs);
    HRESULT FindId(std::string_view inName, DISPID* outId);

    bool Ok() const { return SUCCEEDED(mLastError.mCode); }
    const ClientError& LastError() const { return mLastError; }

private:
    template <class... Args>
    static std::vector<Variant> Pack(Args&&... inArgs)
    {
        std::vector<Variant> theArgs;
        theArgs.reserve(sizeof...(Args));
        (theArgs.emplace_back(std::forward<Args>(inArgs)), ...);
        return theArgs;
    }
    void Fail(HRESULT inCode, EXCEPINFO* inExcep);

    IDispatch* mObject = nullptr;
    ClientError mLastError;
};

}  // namespace vx
