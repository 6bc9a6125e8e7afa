// Promise forms of the late-bound calls: each runs on libuv's thread pool; the calls on one
// object (and on the objects passed to it) run one at a time, in the order they were made.
#pragma once

#include <vector>

#include "Values.h"

namespace vxnode {

// Once per environment, at load: the queues, dropped when the environment ends.
void StartAsync(napi_env inEnv, HostContext* ioContext);

// The object of a handle, as HandleObject gives it, for a plain call: null with a pending Error
// when promise calls on the object are queued or running.
HostObject* IdleObject(napi_env inEnv, napi_value inHandle);
// Whether no object among a plain call's arguments has promise calls queued or running; false
// with a pending Error when one has.
bool ArgumentsIdle(napi_env inEnv, const std::vector<vx::Variant>& inArgs);

// callAsync(handle, id, kind, args, outPositions|null, hasRetval) → a promise of what the plain
// call returns; kind 0 get, 1 put, 2 put by reference, 3 method or indexed get.
napi_value CallAsync(napi_env inEnv, napi_callback_info inInfo);

}  // namespace vxnode
