// The host's say in which registry a thread uses, and what that registry holds for a class.
#pragma once

#include "Values.h"  // node_api.h with the host's Node-API level, which the module records

namespace vxnode {

// useRegistry(path | null): the calling thread's registry file from now on (null: the process
// environment's rule). Worker threads have environments of their own that the runtime can't see.
napi_value UseRegistry(napi_env inEnv, napi_callback_info inInfo);

// registeredModule(progId) → the module path the registry names for that class, or null.
napi_value RegisteredModule(napi_env inEnv, napi_callback_info inInfo);

}  // namespace vxnode
