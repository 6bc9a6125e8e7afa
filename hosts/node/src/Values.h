// Script values ↔ automation values for the Node host.
#pragma once

// Experimental Node-API: wrapper finalizers then run during garbage collection itself, so an
// object whose proxy is dropped is released even by a script that never yields to the event loop.
#define NAPI_EXPERIMENTAL
#include <node_api.h>

#include <cstdint>
#include <thread>

#include <automation/Client.h>
#include <automation/ComVariant.h>
#include <automation/Owners.h>
#include <vellumax/IMemoryUse.h>

namespace vxnode {

struct AsyncState;

// What the addon keeps per JavaScript environment.
struct HostContext {
    napi_ref mProxyFactory = nullptr;  // (handle) => proxy, from index.js
    napi_ref mHandleKey = nullptr;     // the symbol under which a proxy answers its handle
    AsyncState* mAsync = nullptr;      // the promise calls queued and running
};

// The native side of one object proxy; released when the handle is collected. It belongs to
// the thread (main or worker) whose environment made it.
struct HostObject {
    explicit HostObject(IDispatch* inObject);
    ~HostObject();
    HostObject(const HostObject&) = delete;
    HostObject& operator=(const HostObject&) = delete;

    vx::Client mClient;
    vx::ComPtr<IMemoryUse> mMemory;  // when the object tells what memory it holds
    std::int64_t mReported = 0;      // weighted bytes reported to V8 as external memory for it
    std::thread::id mThread;
};

// Brings the external memory reported for inObject up to date with what it holds now.
void ReportMemory(napi_env inEnv, HostObject* inObject);

HostContext* Context(napi_env inEnv);

// A new handle (holding a reference on inObject) wrapped in a proxy by index.js; null for null.
napi_value NewProxy(napi_env inEnv, IDispatch* inObject);
// The object of a handle; null with a pending TypeError when inHandle is none, and with a
// pending Error when the object belongs to another thread.
HostObject* HandleObject(napi_env inEnv, napi_value inHandle);

// What a script's null becomes: VT_NULL, or a null object reference (property puts).
enum class NullAs { kNull, kNothing };

// Converts a script value. False with a pending exception when the value has no automation form.
bool ToVariant(napi_env inEnv, napi_value inValue, NullAs inNull, VARIANT* outValue);
// Null with a pending exception on failure.
napi_value FromVariant(napi_env inEnv, const VARIANT& inValue);

// Throws an Error whose message and description are the error's description, with number (the
// HRESULT, signed) and source.
void ThrowAutomationError(napi_env inEnv, const vx::ClientError& inError);
// The same for a bare code: the system's text for it, with inDetail in front when given.
void ThrowCode(napi_env inEnv, HRESULT inCode, const std::string& inDetail = {});

}  // namespace vxnode
