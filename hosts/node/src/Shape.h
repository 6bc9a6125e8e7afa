// What index.js needs to find an object's cached member table without rebuilding it.
#pragma once

#include "Values.h"

namespace vxnode {

// interfaceId(handle) → the id of the object's interface from its type information, or null
// when it has none. Far cheaper than describe(), which names every member.
napi_value InterfaceId(napi_env inEnv, napi_callback_info inInfo);

}  // namespace vxnode
