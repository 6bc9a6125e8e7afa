// The bytes a promise call answers, handed to the script without a copy.
#pragma once

#include "Values.h"

namespace vxnode {

// A Buffer over the bytes of ioValue when it is a large one-dimensional byte array: the array
// moves into the Buffer and is freed with it (ioValue is left empty). Null, with ioValue
// untouched and no exception pending, for any other value or when the Buffer can't be made:
// the caller then converts ioValue as usual.
napi_value BufferOverBytes(napi_env inEnv, vx::Variant& ioValue);

}  // namespace vxnode
